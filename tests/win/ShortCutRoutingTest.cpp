// The key pipeline's short-cuts with real action lists and popup menus: the popup menus of the
// focused control and its parents first, then the form's action lists, then the main form's for an
// MDI child, all before the control's own KeyDown; a disabled action does not run and the key goes
// on; a popup menu attached to no control answers nothing.
#include "ActnList.h"
#include "Menus.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

#include <map>

namespace {

// What the handlers saw, as "name;" entries.
String* gLog = nullptr;

void Note(const String& text) {
    if (gLog)
        *gLog += text + ";";
}

String SenderName(TObject* sender) {
    auto* component = dynamic_cast<TComponent*>(sender);
    return component ? component->Name() : String("?");
}

class TFrmKeys : public TForm {
    VESTREL_CLASS(TFrmKeys, TForm)
public:
    using TForm::TForm;

    void ActionExecute(TObject* sender) {
        auto* action = dynamic_cast<TBasicAction*>(sender);
        String via;
        if (action && action->ActionComponent())
            via = "@" + action->ActionComponent()->Name();
        Note(SenderName(sender) + via);
    }
    void ItemClick(TObject* sender) { Note(SenderName(sender)); }
    void EditKeyDown(TObject* sender, WORD& key, TShiftState) {
        Note("key:" + SenderName(sender) + ":" + String(1, static_cast<char>(key)));
    }
};

class TFrmKeysMain : public TFrmKeys {
    VESTREL_CLASS(TFrmKeysMain, TFrmKeys)
public:
    using TFrmKeys::TFrmKeys;
};

class TFrmKeysChild : public TFrmKeys {
    VESTREL_CLASS(TFrmKeysChild, TFrmKeys)
public:
    using TFrmKeys::TFrmKeys;
};

// Ctrl+A 16449, Ctrl+D 16452, Ctrl+E 16453, Ctrl+M 16461, Ctrl+P 16464, Ctrl+U 16469, F5 116.
const char* const kKeysText = R"(object FrmKeys: TFrmKeys
  Left = 10
  Top = 10
  Width = 400
  Height = 300
  object Panel1: TTestPanel
    Left = 0
    Top = 0
    Width = 300
    Height = 100
    PopupMenu = PanelMenu
    object Edit1: TTestEdit
      Left = 8
      Top = 8
      PopupMenu = EditMenu
      OnKeyDown = EditKeyDown
    end
  end
  object Edit2: TTestEdit
    Left = 8
    Top = 150
    OnKeyDown = EditKeyDown
  end
  object ActionList1: TActionList
    object AddCust: TAction
      Caption = #26032#22686'&A'
      ShortCut = 16449
      OnExecute = ActionExecute
    end
    object DelCust: TAction
      Caption = #21024#38500'&D'
      Enabled = False
      ShortCut = 16452
      OnExecute = ActionExecute
    end
    object EditCust: TAction
      ShortCut = 16453
      OnExecute = ActionExecute
    end
  end
  object EditMenu: TPopupMenu
    object Refresh: TMenuItem
      Caption = #21047#26032
      ShortCut = 116
      OnClick = ItemClick
    end
  end
  object PanelMenu: TPopupMenu
    object PanelPrint: TMenuItem
      Caption = 'Print'
      ShortCut = 16464
      OnClick = ItemClick
    end
    object PanelEdit: TMenuItem
      Caption = 'Edit here'
      ShortCut = 16453
      OnClick = ItemClick
    end
    object PanelDel: TMenuItem
      Action = DelCust
    end
  end
  object Loose: TPopupMenu
    object LooseItem: TMenuItem
      Caption = 'Loose'
      ShortCut = 16469
      OnClick = ItemClick
    end
  end
end
)";

const char* const kKeysMainText = R"(object FrmKeysMain: TFrmKeysMain
  Left = 0
  Top = 0
  Width = 600
  Height = 400
  FormStyle = fsMDIForm
  object MainActions: TActionList
    object MainMark: TAction
      ShortCut = 16461
      OnExecute = ActionExecute
    end
    object MainDel: TAction
      ShortCut = 16452
      OnExecute = ActionExecute
    end
    object MainEdit: TAction
      ShortCut = 16453
      OnExecute = ActionExecute
    end
  end
end
)";

const char* const kKeysChildText = R"(object FrmKeysChild: TFrmKeysChild
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  FormStyle = fsMDIChild
  object ChildEdit: TTestEdit
    Left = 8
    Top = 8
    OnKeyDown = EditKeyDown
  end
  object ChildActions: TActionList
    object ChildDel: TAction
      Enabled = False
      ShortCut = 16452
      OnExecute = ActionExecute
    end
    object ChildEditCust: TAction
      ShortCut = 16453
      OnExecute = ActionExecute
    end
  end
end
)";

void RegisterRoutingClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    StartWindowTests();
    RegisterMenusClasses();
    RegisterClasses<TFrmKeys, TFrmKeysMain, TFrmKeysChild>();
    RegisterProperties<TFrmKeys>()
        .Handler<&TFrmKeys::ActionExecute>("ActionExecute")
        .Handler<&TFrmKeys::ItemClick>("ItemClick")
        .Handler<&TFrmKeys::EditKeyDown>("EditKeyDown");
}

struct TKey {
    WORD Key;
    bool Ctrl;
};

class ShortCutRoutingTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterRoutingClasses(); }

    ShortCutRoutingTest() {
        gLog = &log_;
        previousFinder_ = SetFormResourceFinder([](const String& className) -> std::optional<String> {
            static const std::map<String, const char*> texts = {
                {"TFrmKeys", kKeysText}, {"TFrmKeysMain", kKeysMainText}, {"TFrmKeysChild", kKeysChildText}};
            const auto it = texts.find(className);
            return it == texts.end() ? std::nullopt : std::optional<String>(it->second);
        });
    }
    ~ShortCutRoutingTest() override {
        SetFormResourceFinder(std::move(previousFinder_));
        gLog = nullptr;
    }

    // Sends `key` (with Ctrl held when asked) through the application's key pipeline to `window`.
    String Press(HWND window, TKey key) {
        log_.clear();
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = key.Ctrl ? 0x80 : 0;
        state[VK_SHIFT] = 0;
        SetKeyboardState(state);
        PostMessageW(window, WM_KEYDOWN, key.Key, 1);
        Application->ProcessMessages();
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
        return log_;
    }

    String log_;
    TScopedApplication app_;

private:
    TFormResourceFinder previousFinder_;
};

TEST_F(ShortCutRoutingTest, PopupMenusOfTheControlAndItsParentsThenTheFormsActionLists) {
    Owned<TFrmKeys> form(New<TFrmKeys>(nullptr));
    form->Show();
    auto* edit1 = dynamic_cast<TWinControl*>(form->FindComponent("Edit1"));
    auto* edit2 = dynamic_cast<TWinControl*>(form->FindComponent("Edit2"));
    ASSERT_TRUE(edit1 && edit2);
    ASSERT_NE(dynamic_cast<TPopupMenu*>(edit1->PopupMenu()), nullptr);

    struct TCase {
        const char* name;
        TWinControl* target;
        TKey key;
        const char* log;
    } const cases[] = {
        {"F5: the edit's own popup menu", edit1, {VK_F5, false}, "Refresh;"},
        {"Ctrl+P: the parent panel's popup menu", edit1, {'P', true}, "PanelPrint;"},
        {"Ctrl+E: the panel's menu comes before the form's action", edit1, {'E', true}, "PanelEdit;"},
        {"Ctrl+E outside the panel: the form's action", edit2, {'E', true}, "EditCust;"},
        {"Ctrl+A: the action, before the edit's KeyDown", edit1, {'A', true}, "AddCust;"},
        {"Ctrl+A from the other edit", edit2, {'A', true}, "AddCust;"},
        {"Ctrl+D: the disabled action and its menu item do not run; the key goes on", edit1, {'D', true},
         "key:Edit1:D;"},
        {"Ctrl+U: a popup menu attached to no control answers nothing", edit1, {'U', true}, "key:Edit1:U;"},
        {"F5 outside the edit: its popup menu is not asked", edit2, {VK_F5, false}, "key:Edit2:t;"},
        {"A alone is the edit's", edit1, {'A', false}, "key:Edit1:A;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Press(c.target->Handle(), c.key), c.log);
    }

    // Enabling the action lets its short-cut run it, also through the menu item bound to it.
    auto* delCust = dynamic_cast<TCustomAction*>(form->FindComponent("DelCust"));
    ASSERT_NE(delCust, nullptr);
    delCust->SetEnabled(true);
    EXPECT_EQ(Press(edit1->Handle(), {'D', true}), "DelCust@PanelDel;");
    EXPECT_EQ(Press(edit2->Handle(), {'D', true}), "DelCust;");
}

TEST_F(ShortCutRoutingTest, AnMdiChildAsksItsOwnActionsThenTheMainForms) {
    TFrmKeysMain* main = nullptr;
    Application->CreateForm(main);
    main->Show();
    auto* child = New<TFrmKeysChild>(Application);
    auto* edit = dynamic_cast<TWinControl*>(child->FindComponent("ChildEdit"));
    ASSERT_NE(edit, nullptr);

    struct TCase {
        const char* name;
        TKey key;
        const char* log;
    } const cases[] = {
        {"Ctrl+M: only the main form has it", {'M', true}, "MainMark;"},
        {"Ctrl+E: the child's own action comes first", {'E', true}, "ChildEditCust;"},
        {"Ctrl+D: the child's is disabled, so the main form's runs", {'D', true}, "MainDel;"},
        {"Ctrl+Q: nobody's short-cut", {'Q', true}, "key:ChildEdit:Q;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Press(edit->Handle(), c.key), c.log);
    }

    // A disabled main form (a modal dialog runs) answers no short-cut.
    EnableWindow(main->Handle(), FALSE);
    EXPECT_EQ(Press(edit->Handle(), {'M', true}), "key:ChildEdit:M;");
    EnableWindow(main->Handle(), TRUE);
}

}  // namespace
