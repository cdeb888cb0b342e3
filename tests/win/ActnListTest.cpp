// Actions and action lists: Execute and Update with the list's handlers, disabled actions, the
// clients that follow an action's properties (also when read from a form description), the
// client that runs an action, groups, and the lists' bookkeeping.
#include "ActnList.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

// A push button with an Action property, as the class layer's buttons have.
class TActionButton : public TTestButton {
    VESTREL_CLASS(TActionButton, TTestButton)
public:
    using TTestButton::TTestButton;
    TBasicAction* Action() const { return LinkedAction(link_.get()); }
    void SetAction(TBasicAction* value) { SetLinkedAction(link_, static_cast<TControl*>(this), value); }
    void Click() override {
        if (!OnClick && link_ && link_->Execute(this))
            return;
        inherited::Click();
    }

private:
    std::unique_ptr<TControlActionLink> link_;
};

// Records what runs.
struct TRecorder {
    String log;
    bool listHandles = false;
    bool disableOnUpdate = false;
    TControl* freeOnExecute = nullptr;

    void Execute(TObject* sender) {
        auto* action = static_cast<TBasicAction*>(sender);
        log += "execute:" + action->Name();
        if (action->ActionComponent())
            log += "@" + action->ActionComponent()->Name();
        log += ";";
        if (freeOnExecute) {
            TControl* victim = freeOnExecute;
            freeOnExecute = nullptr;
            victim->Free();
        }
    }
    void Update(TObject* sender) {
        log += "update:" + static_cast<TComponent*>(sender)->Name() + ";";
        if (disableOnUpdate)
            static_cast<TCustomAction*>(sender)->SetEnabled(false);
    }
    void ListExecute(TBasicAction* action, bool& handled) {
        log += "list-execute:" + action->Name() + ";";
        handled = listHandles;
    }
    void ListUpdate(TBasicAction* action, bool& handled) {
        log += "list-update:" + action->Name() + ";";
        handled = false;
    }
};

class ActnListTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterActnListClasses();
        RegisterClasses<TActionButton>();
        RegisterProperties<TActionButton>().Component("Action", &TActionButton::Action, &TActionButton::SetAction);
    }

    ActnListTest() {
        list_ = New<TActionList>(owner_.get());
        list_->SetName("ActionList1");
        action_ = New<TAction>(owner_.get());
        action_->SetName("AddCust");
        action_->SetActionList(list_);
        action_->OnExecute = Event<&TRecorder::Execute>(&rec_);
        action_->OnUpdate = Event<&TRecorder::Update>(&rec_);
        list_->OnExecute = Event<&TRecorder::ListExecute>(&rec_);
        list_->OnUpdate = Event<&TRecorder::ListUpdate>(&rec_);
    }

    TScopedApplication app_;
    Owned<TComponent> owner_{New<TComponent>(nullptr)};
    TRecorder rec_;
    TActionList* list_ = nullptr;
    TAction* action_ = nullptr;
};

TEST_F(ActnListTest, ExecuteUpdatesThenAsksTheListThenTheAction) {
    struct TCase {
        const char* name;
        bool enabled;
        bool listHandles;
        bool disableOnUpdate;
        bool result;
        const char* log;
    } const cases[] = {
        {"enabled: update, the list, the action", true, false, false, true,
         "list-update:AddCust;update:AddCust;list-execute:AddCust;execute:AddCust;"},
        {"the list handles it: the action's handler does not run", true, true, false, true,
         "list-update:AddCust;update:AddCust;list-execute:AddCust;"},
        {"disabled: nothing runs", false, false, false, false, "list-update:AddCust;update:AddCust;"},
        {"OnUpdate disables it: nothing runs", true, false, true, false, "list-update:AddCust;update:AddCust;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        action_->SetEnabled(c.enabled);
        rec_.listHandles = c.listHandles;
        rec_.disableOnUpdate = c.disableOnUpdate;
        rec_.log.clear();
        EXPECT_EQ(action_->Execute(), c.result);
        EXPECT_EQ(rec_.log, c.log);
    }
    // Without any handler an action reports that it did not run.
    auto* bare = New<TAction>(owner_.get());
    EXPECT_FALSE(bare->Execute());
}

TEST_F(ActnListTest, ClientsFollowTheActionsPropertiesAndRunIt) {
    action_->SetCaption("新增&A");
    action_->SetHint("新增");
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    auto* button = New<TActionButton>(form.get());
    button->SetName("Btn_Add");
    button->SetParent(form.get());
    button->SetAction(action_);
    EXPECT_EQ(action_->ClientCount(), 1);
    EXPECT_EQ(button->Caption(), "新增&A");
    EXPECT_EQ(button->Hint(), "新增");

    action_->SetCaption("新增(&N)");
    action_->SetEnabled(false);
    action_->SetVisible(false);
    EXPECT_EQ(button->Caption(), "新增(&N)");
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(button->Visible());
    action_->SetEnabled(true);
    action_->SetVisible(true);

    // A click runs the action with the button as its ActionComponent, only while it runs.
    rec_.log.clear();
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(rec_.log, "list-update:AddCust;update:AddCust;list-execute:AddCust;execute:AddCust@Btn_Add;");
    EXPECT_EQ(action_->ActionComponent(), nullptr);

    // A handler that frees the clicked button is safe.
    rec_.freeOnExecute = button;
    button->Click();
    EXPECT_EQ(action_->ClientCount(), 0);
    EXPECT_EQ(form->FindComponent("Btn_Add"), nullptr);

    // A freed action leaves its clients with their last values.
    auto* other = New<TActionButton>(form.get());
    other->SetAction(action_);
    action_->Free();
    action_ = nullptr;
    EXPECT_EQ(other->Action(), nullptr);
    EXPECT_EQ(other->Caption(), "新增(&N)");
    EXPECT_EQ(list_->ActionCount(), 0);
}

class TFrmActions : public TForm {
    VESTREL_CLASS(TFrmActions, TForm)
public:
    using TForm::TForm;
    void Run(TObject*) {}
};

TEST_F(ActnListTest, FormDescriptionNestsActionsAndClientsKeepTheirOwnValues) {
    RegisterClasses<TFrmActions>();
    RegisterProperties<TFrmActions>().Handler<&TFrmActions::Run>("Run");
    const char* text = R"(object FrmActions: TFrmActions
  object Own: TActionButton
    Caption = 'Own caption'
    Action = Cust_Category
  end
  object Plain: TActionButton
    Action = Cust_Category
  end
  object ActionList1: TActionList
    object SearchCust: TAction
      Category = 'Cust'
      Caption = #20010#20154#32452#21512#26597#35810
      OnExecute = Run
    end
    object Cust_Category: TAction
      Caption = #20010#20154#31867#21035#31649#29702
      Hint = 'tree'
      ShortCut = 16449
      OnExecute = Run
    end
  end
end
)";
    const TFormResourceFinder previous =
        SetFormResourceFinder([text](const String&) -> std::optional<String> { return String(text); });
    Owned<TFrmActions> form(New<TFrmActions>(nullptr));
    SetFormResourceFinder(previous);

    auto* list = dynamic_cast<TActionList*>(form->FindComponent("ActionList1"));
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->ActionCount(), 2);
    EXPECT_EQ(list->Actions(0)->Name(), "SearchCust");
    EXPECT_EQ(list->Actions(0)->Category(), "Cust");
    auto* category = dynamic_cast<TCustomAction*>(list->FindAction("cust_category"));
    ASSERT_NE(category, nullptr);
    EXPECT_EQ(category->Index(), 1);
    EXPECT_EQ(category->ShortCut(), ShortCut('A', {ssCtrl}));
    EXPECT_EQ(category->GetParentComponent(), list);

    auto* own = dynamic_cast<TActionButton*>(form->FindComponent("Own"));
    auto* plain = dynamic_cast<TActionButton*>(form->FindComponent("Plain"));
    EXPECT_EQ(own->Caption(), "Own caption");  // set in the description: kept
    EXPECT_EQ(own->Hint(), "tree");             // default: taken from the action
    EXPECT_EQ(plain->Caption(), "个人类别管理");
    // After loading, changes of the action reach every client.
    category->SetCaption("类别");
    EXPECT_EQ(own->Caption(), "类别");

    category->SetIndex(0);
    EXPECT_EQ(list->Actions(0), category);
    EXPECT_THROW(category->SetIndex(5), EListError);
    EXPECT_THROW(list->Actions(2), EListError);
}

TEST_F(ActnListTest, CheckingAnActionOfAGroupUnchecksTheOthers) {
    auto* second = New<TAction>(owner_.get());
    auto* third = New<TAction>(owner_.get());
    second->SetActionList(list_);
    third->SetActionList(list_);
    action_->SetGroupIndex(1);
    second->SetGroupIndex(1);
    action_->SetChecked(true);
    third->SetChecked(true);  // no group: unaffected
    second->SetChecked(true);
    EXPECT_FALSE(action_->Checked());
    EXPECT_TRUE(second->Checked());
    EXPECT_TRUE(third->Checked());

    // The list and its actions may be freed in either order.
    list_->Free();
    EXPECT_EQ(second->ActionList(), nullptr);
    EXPECT_FALSE(second->Execute());
}

}  // namespace
