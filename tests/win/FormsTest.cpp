// Forms, data modules, the application and the screen: forms made from their descriptions, the main
// form, modal runs, default and cancel buttons, focus moves, the key pipeline's short-cuts, closing
// and freeing, MDI frames and children, message boxes and cursors.
#include "Dialogs.h"
#include "MessageRecorder.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>

namespace {

// What the forms' handlers saw.
struct TSeen {
    String log;
    bool okAtCreate = false;
    bool okParentAtCreate = false;
    bool panelLoadedAtCreate = false;
    int destroyed = 0;
    bool otherEnabledAtClick = true;
    HWND captureAtClick = reinterpret_cast<HWND>(1);
    HWND otherWindow = nullptr;
};
TSeen* gSeen = nullptr;

class TFrmProbe : public TForm {
    VESTREL_CLASS(TFrmProbe, TForm)
public:
    using TForm::TForm;

    TTestButton* Btn_OK() const { return dynamic_cast<TTestButton*>(FindComponent("Btn_OK")); }
    TTestButton* Btn_Cancel() const { return dynamic_cast<TTestButton*>(FindComponent("Btn_Cancel")); }
    TTestEdit* Edit(const char* name) const { return dynamic_cast<TTestEdit*>(FindComponent(name)); }
    TTestPanel* Panel1() const { return dynamic_cast<TTestPanel*>(FindComponent("Panel1")); }

    void FormCreate(TObject*) {
        if (!gSeen)
            return;
        gSeen->log += "create;";
        gSeen->okAtCreate = Btn_OK() != nullptr;
        gSeen->okParentAtCreate = Btn_OK() && Btn_OK()->Parent() == this;
        gSeen->panelLoadedAtCreate = Panel1() && Panel1()->WasLoaded();
    }
    void FormDestroy(TObject*) {
        if (gSeen)
            ++gSeen->destroyed;
    }
    void Btn_OKClick(TObject*) {
        if (!gSeen)
            return;
        gSeen->log += "ok;";
        if (gSeen->otherWindow)
            gSeen->otherEnabledAtClick = IsWindowEnabled(gSeen->otherWindow) != FALSE;
        gSeen->captureAtClick = GetCapture();
    }
    void EditEnter(TObject* sender) {
        if (gSeen)
            gSeen->log += "enter:" + static_cast<TComponent*>(sender)->Name() + ";";
    }
    void EditExit(TObject* sender) {
        if (gSeen)
            gSeen->log += "exit:" + static_cast<TComponent*>(sender)->Name() + ";";
    }
};

class TFrmMissing : public TForm {
    VESTREL_CLASS(TFrmMissing, TForm)
public:
    using TForm::TForm;
};

class TFrmMdiMain : public TForm {
    VESTREL_CLASS(TFrmMdiMain, TForm)
public:
    using TForm::TForm;
};

class TFrmMdiChild : public TForm {
    VESTREL_CLASS(TFrmMdiChild, TForm)
public:
    using TForm::TForm;
    void FormClose(TObject*, TCloseAction& action) { action = caFree; }
};

class TTestNonVisual : public TComponent {
    VESTREL_CLASS(TTestNonVisual, TComponent)
public:
    using TComponent::TComponent;
};

class TDmProbe : public TDataModule {
    VESTREL_CLASS(TDmProbe, TDataModule)
public:
    using TDataModule::TDataModule;
    void DataModuleCreate(TObject*) {
        if (gSeen)
            gSeen->log += FindComponent("Qry_Temp") ? "dm-create-sees-query;" : "dm-create-without-query;";
    }
    void DataModuleDestroy(TObject*) {
        if (gSeen)
            ++gSeen->destroyed;
    }
};

// A component that answers one short-cut, as an action list will.
class TTestShortCuts : public TComponent, public TShortCutHandler {
    VESTREL_CLASS(TTestShortCuts, TComponent)
public:
    using TComponent::TComponent;
    TShortCut Key = scNone;
    int Hits = 0;
    bool IsShortCut(const TWMKey& message) override {
        if (ShortCutFromMessage(message) != Key)
            return false;
        ++Hits;
        return true;
    }
};

const char* const kProbeText = R"(object FrmProbe: TFrmProbe
  Left = -3000
  Top = -3000
  BorderStyle = bsDialog
  Caption = '登录'
  ClientHeight = 120
  ClientWidth = 240
  Position = poDesigned
  OnCreate = FormCreate
  OnDestroy = FormDestroy
  object Panel1: TTestPanel
    Left = 0
    Top = 0
    Height = 30
    Align = alTop
    Color = clRed
  end
  object Edit1: TTestEdit
    Left = 8
    Top = 40
    TabOrder = 1
    OnEnter = EditEnter
    OnExit = EditExit
  end
  object Edit2: TTestEdit
    Left = 8
    Top = 64
    TabOrder = 0
    OnEnter = EditEnter
    OnExit = EditExit
  end
  object Btn_OK: TTestButton
    Left = 80
    Top = 90
    Caption = '确定(&Y)'
    Default = True
    ModalResult = 1
    TabOrder = 2
    OnClick = Btn_OKClick
  end
  object Btn_Cancel: TTestButton
    Left = 160
    Top = 90
    Caption = '取消(&C)'
    Cancel = True
    ModalResult = 2
    TabOrder = 3
  end
end
)";

const char* const kMdiMainText = R"(object FrmMdiMain: TFrmMdiMain
  Left = -3000
  Top = -3000
  Width = 500
  Height = 400
  FormStyle = fsMDIForm
  object Bar: TTestPanel
    Height = 30
    Align = alTop
  end
end
)";

const char* const kMdiChildText = R"(object FrmMdiChild: TFrmMdiChild
  Width = 200
  Height = 150
  FormStyle = fsMDIChild
  OnClose = FormClose
  object Edit1: TTestEdit
    Left = 8
    Top = 8
  end
end
)";

const char* const kDataModuleText = R"(object DmProbe: TDmProbe
  OnCreate = DataModuleCreate
  OnDestroy = DataModuleDestroy
  object Qry_Temp: TTestNonVisual
  end
end
)";

void RegisterFormsTestClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    StartWindowTests();
    RegisterClasses<TFrmProbe, TFrmMissing, TFrmMdiMain, TFrmMdiChild, TTestNonVisual, TDmProbe, TTestShortCuts>();
    RegisterProperties<TFrmProbe>()
        .Handler<&TFrmProbe::FormCreate>("FormCreate")
        .Handler<&TFrmProbe::FormDestroy>("FormDestroy")
        .Handler<&TFrmProbe::Btn_OKClick>("Btn_OKClick")
        .Handler<&TFrmProbe::EditEnter>("EditEnter")
        .Handler<&TFrmProbe::EditExit>("EditExit");
    RegisterProperties<TFrmMdiChild>().Handler<&TFrmMdiChild::FormClose>("FormClose");
    RegisterProperties<TDmProbe>()
        .Handler<&TDmProbe::DataModuleCreate>("DataModuleCreate")
        .Handler<&TDmProbe::DataModuleDestroy>("DataModuleDestroy");
}

class FormsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterFormsTestClasses(); }

    FormsTest() {
        gSeen = &seen_;
        previousFinder_ = SetFormResourceFinder([](const String& className) -> std::optional<String> {
            static const std::map<String, const char*> texts = {
                {"TFrmProbe", kProbeText},
                {"TFrmMdiMain", kMdiMainText},
                {"TFrmMdiChild", kMdiChildText},
                {"TDmProbe", kDataModuleText},
            };
            auto it = texts.find(className);
            if (it == texts.end())
                return std::nullopt;
            return String(it->second);
        });
    }
    ~FormsTest() override {
        SetFormResourceFinder(std::move(previousFinder_));
        gSeen = nullptr;
    }

    // Posts a key to `window` with Shift/Ctrl held as given (the keyboard state is put back later).
    static void PostKey(HWND window, WORD key, bool shift = false, bool ctrl = false) {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_SHIFT] = shift ? 0x80 : 0;
        state[VK_CONTROL] = ctrl ? 0x80 : 0;
        SetKeyboardState(state);
        PostMessageW(window, WM_KEYDOWN, key, 1);
    }
    static void ReleaseKeys() {
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_SHIFT] = 0;
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
    }

    TSeen seen_;
    TScopedApplication app_;

private:
    TFormResourceFinder previousFinder_;
};

// ---- Forms from their descriptions --------------------------------------------------------------

TEST_F(FormsTest, FormReadFromItsDescriptionHasItsControlsBeforeOnCreate) {
    const int formsBefore = Screen->FormCount();
    Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
    EXPECT_EQ(Screen->FormCount(), formsBefore + 1);
    EXPECT_EQ(seen_.log, "create;");
    EXPECT_TRUE(seen_.okAtCreate);
    EXPECT_TRUE(seen_.okParentAtCreate);
    EXPECT_TRUE(seen_.panelLoadedAtCreate);
    EXPECT_EQ(form->Name(), "FrmProbe");
    EXPECT_EQ(FindRootComponent("FrmProbe"), form.get());
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->Caption(), "登录");

    TTestPanel* panel = form->Panel1();
    ASSERT_NE(panel, nullptr);
    EXPECT_EQ(panel->Parent(), form.get());
    EXPECT_EQ(form->Btn_OK()->Parent(), form.get());
    EXPECT_EQ(form->Btn_OK()->Caption(), "确定(&Y)");
    EXPECT_TRUE(form->Btn_OK()->Default());
    EXPECT_EQ(form->Btn_Cancel()->ModalResult(), mrCancel);
    EXPECT_EQ(panel->Color(), clRed);
    // The client size of the description holds before and after the window exists.
    EXPECT_EQ(form->ClientWidth(), 240);
    EXPECT_EQ(form->ClientHeight(), 120);
    EXPECT_EQ(panel->BoundsRect(), Rect(0, 0, 240, 30));
    HWND window = form->Handle();
    RECT client;
    GetClientRect(window, &client);
    EXPECT_EQ(client.right, 240);
    EXPECT_EQ(client.bottom, 120);
    EXPECT_EQ(WindowClassName(window), "TFrmProbe");
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_DLGMODALFRAME);
    EXPECT_EQ(form->Caption(), "登录");
    // Tab order as described, whatever the order of the objects.
    EXPECT_EQ(form->Edit("Edit2")->TabOrder(), 0);
    EXPECT_EQ(form->Edit("Edit1")->TabOrder(), 1);
    EXPECT_EQ(form->Btn_OK()->TabOrder(), 2);
    EXPECT_EQ(form->FindNextControl(nullptr, true, true, false), form->Edit("Edit2"));
    EXPECT_EQ(form->FindNextControl(form->Btn_Cancel(), true, true, false), form->Edit("Edit2"));
    EXPECT_EQ(form->FindNextControl(form->Edit("Edit2"), false, true, false), form->Btn_Cancel());

    form.reset();
    EXPECT_EQ(seen_.destroyed, 1);
    EXPECT_EQ(Screen->FormCount(), formsBefore);
    EXPECT_EQ(FindRootComponent("FrmProbe"), nullptr);
}

TEST_F(FormsTest, FormWithoutADescriptionRaisesResNotFoundNamingIt) {
    const int formsBefore = Screen->FormCount();
    try {
        New<TFrmMissing>(nullptr);
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_NE(String(e.Message).find("TFrmMissing"), String::npos) << e.Message;
    }
    EXPECT_EQ(Screen->FormCount(), formsBefore);
    // A plain TForm and a form made with CreateNew need none.
    Owned<TForm> plain(New<TForm>(nullptr));
    Owned<TFrmMissing> made(New<TFrmMissing>(nullptr, CreateNew));
    EXPECT_EQ(Screen->FormCount(), formsBefore + 2);
}

TEST_F(FormsTest, DescriptionFromTheDefaultFinderIsAnRcDataResource) {
    SetFormResourceFinder(nullptr);
    // The test program embeds no form descriptions.
    EXPECT_FALSE(FindFormResource("TFrmProbe").has_value());
}

TEST_F(FormsTest, CreateFormMakesTheFirstFormTheMainForm) {
    TDmProbe* data = nullptr;
    TFrmProbe* first = nullptr;
    TFrmProbe* second = nullptr;
    Application->CreateForm(data);
    EXPECT_EQ(Application->MainForm(), nullptr);
    Application->CreateForm(first);
    Application->CreateForm(second);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(Application->MainForm(), first);
    EXPECT_TRUE(first->HandleAllocated());
    EXPECT_EQ(first->Owner(), Application);
    EXPECT_EQ(data->Owner(), Application);
    EXPECT_NE(first->Name(), second->Name());  // both registered as roots under unique names
    EXPECT_EQ(seen_.log, "dm-create-sees-query;create;create;");

    TFrmMissing* missing = reinterpret_cast<TFrmMissing*>(1);
    EXPECT_THROW(Application->CreateForm(missing), EResNotFound);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(FormsTest, DataModuleIsARootThatIsNeverShown) {
    const int before = Screen->DataModuleCount();
    Owned<TDmProbe> data(New<TDmProbe>(nullptr));
    EXPECT_EQ(seen_.log, "dm-create-sees-query;");
    EXPECT_EQ(Screen->DataModuleCount(), before + 1);
    EXPECT_EQ(Screen->DataModules(before), data.get());
    EXPECT_EQ(FindRootComponent("DmProbe"), data.get());
    data.reset();
    EXPECT_EQ(seen_.destroyed, 1);
    EXPECT_EQ(Screen->DataModuleCount(), before);
}

TEST_F(FormsTest, PositionPlacesTheFormWhenItIsShown) {
    Owned<TForm> owner(New<TForm>(nullptr, CreateNew));
    owner->SetBounds(100, 80, 400, 300);
    const int screenX = (Screen->Width() - 200) / 2;
    const int screenY = (Screen->Height() - 100) / 2;
    struct TCase {
        const char* name;
        TPosition position;
        TComponent* owner;
        TPoint expected;
    } const cases[] = {
        {"as designed", poDesigned, nullptr, Point(-3000, -3000)},
        {"screen centre", poScreenCenter, nullptr, Point(screenX, screenY)},
        {"owner's centre", poOwnerFormCenter, owner.get(), Point(200, 180)},
        {"owner that is no form: the screen's", poOwnerFormCenter, Application, Point(screenX, screenY)},
        {"no main form: the screen's", poMainFormCenter, nullptr, Point(screenX, screenY)},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        Owned<TForm> form(New<TForm>(c.owner, CreateNew));
        form->SetBounds(-3000, -3000, 200, 100);
        form->SetPosition(c.position);
        form->Show();
        EXPECT_EQ(Point(form->Left(), form->Top()), c.expected);
        RECT r;
        GetWindowRect(form->WindowHandle(), &r);
        EXPECT_EQ(Point(r.left, r.top), c.expected);
    }
}

// ---- Modal runs -----------------------------------------------------------------------------------

TEST_F(FormsTest, ShowModalReturnsTheModalResultOfTheClickedButton) {
    Owned<TForm> other(New<TForm>(nullptr, CreateNew));
    other->SetBounds(-3000, -2500, 120, 100);
    other->Show();
    seen_.otherWindow = other->Handle();
    ASSERT_TRUE(IsWindowEnabled(seen_.otherWindow));
    TMessageRecorder recorder;
    recorder.Only({WM_CANCELMODE});
    recorder.Attach(other.get());
    SetCapture(seen_.otherWindow);

    Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
    PostMessageW(form->Btn_OK()->Handle(), BM_CLICK, 0, 0);
    PostMessageW(form->Handle(), WM_CLOSE, 0, 0);  // ends the run should the click go astray
    EXPECT_EQ(form->ShowModal(), mrOk);

    EXPECT_NE(seen_.log.find("ok;"), String::npos) << seen_.log;
    EXPECT_EQ(seen_.captureAtClick, nullptr);
    EXPECT_FALSE(seen_.otherEnabledAtClick);
    EXPECT_TRUE(IsWindowEnabled(seen_.otherWindow));
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(IsWindowVisible(form->WindowHandle()));
    EXPECT_FALSE(form->FormState().Contains(fsModal));
    // ShowModal cancels the capture; disabling the window may send another.
    static constexpr TMsgEntry kCancelMode[] = {
        {.msg = WM_CANCELMODE, .flags = Sent},
        {.msg = WM_CANCELMODE, .flags = Sent | Optional},
    };
    EXPECT_TRUE(recorder.Matches(kCancelMode));

    // A visible form cannot run modally.
    form->Show();
    EXPECT_THROW(form->ShowModal(), EInvalidOperation);
}

TEST_F(FormsTest, EnterClicksTheDefaultButtonAndEscapeTheCancelButton) {
    struct TCase {
        const char* name;
        WORD key;
        TModalResult result;
        int okClicks;
        int cancelClicks;
    } const cases[] = {
        {"Enter", VK_RETURN, mrOk, 1, 0},
        {"Escape", VK_ESCAPE, mrCancel, 0, 1},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        struct TClicks {
            int ok = 0, cancel = 0;
            void Ok(TObject*) { ++ok; }
            void Cancel(TObject*) { ++cancel; }
        } clicks;
        Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
        form->Btn_OK()->OnClick = Event<&TClicks::Ok>(&clicks);
        form->Btn_Cancel()->OnClick = Event<&TClicks::Cancel>(&clicks);
        PostKey(form->Edit("Edit1")->Handle(), c.key);
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        EXPECT_EQ(form->ShowModal(), c.result);
        EXPECT_EQ(clicks.ok, c.okClicks);
        EXPECT_EQ(clicks.cancel, c.cancelClicks);
    }
}

// ---- Focus ----------------------------------------------------------------------------------------

TEST_F(FormsTest, TabAndShiftTabMoveTheFocusInTabOrder) {
    Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
    form->Show();
    Application->ProcessMessages();
    TTestEdit* edit1 = form->Edit("Edit1");
    TTestEdit* edit2 = form->Edit("Edit2");
    form->FocusControl(edit2);
    Application->ProcessMessages();
    ASSERT_EQ(GetFocus(), edit2->WindowHandle());
    EXPECT_EQ(form->ActiveControl(), edit2);
    EXPECT_EQ(Screen->ActiveForm(), form.get());
    EXPECT_EQ(Screen->ActiveControl(), edit2);

    seen_.log.clear();
    PostKey(GetFocus(), VK_TAB);
    Application->ProcessMessages();
    EXPECT_EQ(GetFocus(), edit1->WindowHandle());
    EXPECT_EQ(form->ActiveControl(), edit1);
    EXPECT_EQ(seen_.log, "exit:Edit2;enter:Edit1;");

    seen_.log.clear();
    PostKey(GetFocus(), VK_TAB, true);
    Application->ProcessMessages();
    ReleaseKeys();
    EXPECT_EQ(GetFocus(), edit2->WindowHandle());
    EXPECT_EQ(seen_.log, "exit:Edit1;enter:Edit2;");

    // Backwards from the first control wraps to the last.
    PostKey(GetFocus(), VK_TAB, true);
    Application->ProcessMessages();
    ReleaseKeys();
    EXPECT_EQ(GetFocus(), form->Btn_Cancel()->WindowHandle());
}

// ---- The key pipeline -------------------------------------------------------------------------------

TEST_F(FormsTest, ShortCutsOfTheFormComeBeforeTheControlsKeyDown) {
    struct TKeys {
        String log;
        void KeyDown(TObject* sender, WORD& key, TShiftState) {
            log += static_cast<TComponent*>(sender)->Name() + ":" + std::to_string(key) + ";";
        }
        void Swallow(TObject*, WORD& key, TShiftState) {
            log += "preview:" + std::to_string(key) + ";";
            if (key == 'Z')
                key = 0;
        }
    } keys;
    Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
    auto* shortCuts = New<TTestShortCuts>(form.get());
    shortCuts->Key = ShortCut('A', {ssCtrl});
    TTestEdit* edit = form->Edit("Edit1");
    edit->OnKeyDown = Event<&TKeys::KeyDown>(&keys);
    HWND window = edit->Handle();

    struct TCase {
        const char* name;
        WORD key;
        bool ctrl;
        int hits;
        const char* log;
    } const cases[] = {
        {"Ctrl+A is the form's", 'A', true, 1, ""},
        {"A alone is the edit's", 'A', false, 0, "Edit1:65;"},
        {"Ctrl+B is the edit's", 'B', true, 0, "Edit1:66;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        shortCuts->Hits = 0;
        keys.log.clear();
        PostKey(window, c.key, false, c.ctrl);
        Application->ProcessMessages();
        ReleaseKeys();
        EXPECT_EQ(shortCuts->Hits, c.hits);
        EXPECT_EQ(keys.log, c.log);
    }

    // A freed handler is no longer asked.
    shortCuts->Free();
    keys.log.clear();
    PostKey(window, 'A', false, true);
    Application->ProcessMessages();
    ReleaseKeys();
    EXPECT_EQ(keys.log, "Edit1:65;");

    // CM_CHILDKEY climbs from the control to the form, which may keep the key.
    struct TChildKeys {
        TWndMethod old;
        String log;
        void Proc(TMessage& m) {
            if (m.Msg == CM_CHILDKEY) {
                log += std::to_string(m.WParam) + ";";
                if (m.WParam == 'Q') {
                    m.Result = 1;
                    return;
                }
            }
            old(m);
        }
    } childKeys;
    childKeys.old = form->WindowProc;
    form->WindowProc = Event<&TChildKeys::Proc>(&childKeys);
    keys.log.clear();
    PostKey(window, 'Q');
    PostKey(window, 'R');
    Application->ProcessMessages();
    form->WindowProc = childKeys.old;
    EXPECT_EQ(childKeys.log, "81;82;");
    EXPECT_EQ(keys.log, "Edit1:82;");

    // KeyPreview: the form sees the key first and can take it.
    form->SetKeyPreview(true);
    form->OnKeyDown = Event<&TKeys::Swallow>(&keys);
    keys.log.clear();
    PostKey(window, 'Z');
    PostKey(window, 'Y');
    Application->ProcessMessages();
    EXPECT_EQ(keys.log, "preview:90;preview:89;Edit1:89;");
}

// ---- Closing ----------------------------------------------------------------------------------------

struct TCloser {
    TCustomForm* form = nullptr;
    TCloseAction action = caFree;
    int destroyedInsideHandler = -1;
    void FormClose(TObject*, TCloseAction& a) { a = action; }
    void Click(TObject*) {
        form->Close();
        Application->ProcessMessages();  // CM_RELEASE arrives while this handler runs
        destroyedInsideHandler = gSeen->destroyed;
    }
};

TEST_F(FormsTest, CloseWithCaFreeFreesTheFormOnceItsHandlersAreDone) {
    const int formsBefore = Screen->FormCount();
    auto* form = New<TFrmProbe>(nullptr);
    TCloser closer{form};
    form->OnClose = Event<&TCloser::FormClose>(&closer);
    form->Btn_OK()->OnClick = Event<&TCloser::Click>(&closer);
    HWND window = form->Handle();
    TMessageRecorder recorder;
    recorder.Only({CM_RELEASE});
    recorder.WatchQueue();
    recorder.Attach(form);

    SendMessageW(form->Btn_OK()->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(closer.destroyedInsideHandler, 0);
    Application->ProcessMessages();
    EXPECT_EQ(seen_.destroyed, 1);
    static constexpr TMsgEntry kRelease[] = {
        {.msg = CM_RELEASE, .flags = Posted},
        {.msg = CM_RELEASE, .flags = Sent},
    };
    EXPECT_TRUE(recorder.Matches(kRelease));
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(Screen->FormCount(), formsBefore);
}

TEST_F(FormsTest, CloseActionsAndCloseQuery) {
    struct TCase {
        const char* name;
        TCloseAction action;
        bool canClose;
        bool visibleAfter;
        TWindowState state;
    } const cases[] = {
        {"caHide hides", caHide, true, false, wsNormal},
        {"caNone keeps it", caNone, true, true, wsNormal},
        {"caMinimize minimises", caMinimize, true, true, wsMinimized},
        {"a refused query keeps it", caHide, false, true, wsNormal},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        struct TQuery {
            bool canClose = true;
            TCloseAction action = caHide;
            void Query(TObject*, bool& can) { can = canClose; }
            void Close(TObject*, TCloseAction& a) { a = action; }
        } query{c.canClose, c.action};
        const int destroyedBefore = seen_.destroyed;
        Owned<TFrmProbe> form(New<TFrmProbe>(nullptr));
        form->OnCloseQuery = Event<&TQuery::Query>(&query);
        form->OnClose = Event<&TQuery::Close>(&query);
        form->Show();
        PostMessageW(form->Handle(), WM_CLOSE, 0, 0);
        Application->ProcessMessages();
        EXPECT_EQ(form->Visible(), c.visibleAfter);
        EXPECT_EQ(form->WindowState(), c.state);
        EXPECT_EQ(seen_.destroyed, destroyedBefore);
    }
}

TEST_F(FormsTest, RunEndsWhenTheMainFormCloses) {
    TFrmProbe* main = nullptr;
    Application->CreateForm(main);
    PostMessageW(main->Handle(), WM_CLOSE, 0, 0);
    Application->Run();
    EXPECT_TRUE(Application->Terminated());
    EXPECT_TRUE(main->Visible());  // closing the main form ends the program, it is freed with the application
}

// ---- MDI --------------------------------------------------------------------------------------------

TEST_F(FormsTest, MdiFrameHoldsItsChildrenInTheClientWindow) {
    TFrmMdiMain* main = nullptr;
    Application->CreateForm(main);
    ASSERT_NE(main->ClientHandle(), nullptr);
    EXPECT_EQ(WindowClassName(main->ClientHandle()), "MDIClient");
    EXPECT_EQ(GetParent(main->ClientHandle()), main->WindowHandle());
    main->Show();
    // The client window fills what the aligned bar leaves.
    RECT client;
    GetWindowRect(main->ClientHandle(), &client);
    MapWindowPoints(nullptr, main->WindowHandle(), reinterpret_cast<POINT*>(&client), 2);
    EXPECT_EQ(client.top, 30);
    EXPECT_EQ(client.bottom, main->ClientHeight());

    auto* first = New<TFrmMdiChild>(Application);
    auto* second = New<TFrmMdiChild>(Application);
    EXPECT_TRUE(first->Visible());
    EXPECT_EQ(GetParent(first->WindowHandle()), main->ClientHandle());
    EXPECT_EQ(main->MDIChildCount(), 2);
    EXPECT_EQ(main->ActiveMDIChild(), second);
    EXPECT_THROW(first->Hide(), EInvalidOperation);

    // Short-cuts of the main form reach a child's controls.
    auto* shortCuts = New<TTestShortCuts>(main);
    shortCuts->Key = ShortCut('A', {ssCtrl});
    auto* childEdit = dynamic_cast<TTestEdit*>(second->FindComponent("Edit1"));
    ASSERT_NE(childEdit, nullptr);
    PostKey(childEdit->Handle(), 'A', false, true);
    Application->ProcessMessages();
    ReleaseKeys();
    EXPECT_EQ(shortCuts->Hits, 1);

    first->BringToFront();
    EXPECT_EQ(main->ActiveMDIChild(), first);
    PostMessageW(first->WindowHandle(), WM_CLOSE, 0, 0);
    Application->ProcessMessages();
    EXPECT_EQ(main->MDIChildCount(), 1);
    EXPECT_EQ(main->MDIChildren(0), second);
    EXPECT_EQ(main->ActiveMDIChild(), second);
}

// ---- Message boxes and cursors ------------------------------------------------------------------

TEST_F(FormsTest, MessageBoxesGoThroughTheSeam) {
    app_.SetAnswer(IDYES);
    Application->SetTitle("Vestrel");
    EXPECT_EQ(Application->MessageBox("连接数据库失败,您要连接本机数据库吗! ", "vidaze", MB_YESNO | MB_ICONINFORMATION),
              IDYES);
    ShowMessage("修改完成！");
    EXPECT_EQ(MessageDlg("Delete record?", mtConfirmation, mbOKCancel), IDYES);
    EXPECT_THROW(MessageDlg("x", mtWarning, TMsgDlgButtons{mbHelp}), EInvalidArgument);
    Application->ShowException(Exception("I/O error 3"));
    Application->ShowException(Exception("Done."));

    struct TBox {
        const char* text;
        const char* caption;
        UINT flags;
    } const expected[] = {
        {"连接数据库失败,您要连接本机数据库吗! ", "vidaze", MB_YESNO | MB_ICONINFORMATION},
        {"修改完成！", "Vestrel", MB_OK},
        {"Delete record?", "确认", MB_OKCANCEL | MB_ICONQUESTION},  // the tests run under the Chinese locale
        {"I/O error 3.", "Vestrel", MB_OK | MB_ICONSTOP},
        {"Done.", "Vestrel", MB_OK | MB_ICONSTOP},
    };
    ASSERT_EQ(app_.Boxes.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(app_.Boxes[i].Text, expected[i].text);
        EXPECT_EQ(app_.Boxes[i].Caption, expected[i].caption);
        EXPECT_EQ(app_.Boxes[i].Flags, expected[i].flags);
        EXPECT_EQ(app_.Boxes[i].Owner, Application->Handle());
    }
    EXPECT_EQ(WindowClassName(Application->Handle()), "TApplication");
    EXPECT_FALSE(IsWindowVisible(Application->Handle()));
}

TEST_F(FormsTest, MessageDialogCaptionsFollowTheInterfaceLanguage) {
    Application->SetTitle("Vestrel");
    const LANGID chinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);
    const LANGID english = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
    const struct {
        TMsgDlgType type;
        const char* chinese;
        const char* english;
    } cases[] = {
        {mtWarning, "警告", "Warning"},
        {mtError, "错误", "Error"},
        {mtInformation, "信息", "Information"},
        {mtConfirmation, "确认", "Confirm"},
        {mtCustom, "Vestrel", "Vestrel"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.english);
        EXPECT_EQ(MessageDlgCaption(c.type, chinese), c.chinese);
        EXPECT_EQ(MessageDlgCaption(c.type, MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL)), c.chinese);
        EXPECT_EQ(MessageDlgCaption(c.type, english), c.english);
        EXPECT_EQ(MessageDlgCaption(c.type, MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN)), c.english);
    }
}

TEST_F(FormsTest, ScreenCursorAndTheCursorRegistry) {
    EXPECT_EQ(Screen->Cursor(), crDefault);
    Screen->SetCursor(crHourGlass);
    EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(Screen->Cursors(crHourGlass), LoadCursorW(nullptr, IDC_WAIT));
    EXPECT_EQ(Screen->Cursors(crArrow), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_EQ(Screen->Cursors(crNone), nullptr);
    Screen->SetCursor(crDefault);
    EXPECT_EQ(Screen->Cursor(), crDefault);

    HCURSOR own = CopyCursor(LoadCursorW(nullptr, IDC_CROSS));
    Screen->SetCursors(5, own);
    EXPECT_EQ(Screen->Cursors(5), own);
    EXPECT_EQ(Screen->Cursors(6), LoadCursorW(nullptr, IDC_ARROW));
    EXPECT_GT(Screen->Width(), 0);
    EXPECT_GT(Screen->Height(), 0);
    EXPECT_NE(Screen->MonitorFromPoint(Point(0, 0)), nullptr);
}

}  // namespace
