// Controls: the window procedure and its map from handle to control, replaceable WindowProc,
// reflection, exceptions at the message boundary, recreation, the paint path, layout, mouse
// routing to graphic controls, safe destruction inside handlers, logging of unknown messages.
#include "MessageRecorder.h"
#include "TestControls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>

namespace {

// A hidden top-level window that standalone controls live in.
class THostWindow {
public:
    THostWindow() {
        window_ = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP | WS_CLIPCHILDREN, -3000, -3000, 400, 300, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    }
    ~THostWindow() { DestroyWindow(window_); }
    HWND Handle() const { return window_; }

private:
    HWND window_;
};

class ControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { StartWindowTests(); }
    void TearDown() override { DrainMessages(); }

    // A hidden form off the screen with a button on it.
    static Owned<TForm> MakeForm() {
        Owned<TForm> form(New<TForm>(nullptr, CreateNew));
        form->SetBounds(-3000, -3000, 300, 200);
        return form;
    }

    THostWindow host_;
};

// Counts events and can throw from them.
struct TEvents {
    int clicks = 0;
    int throwFirst = 0;  // throw from the first n clicks
    String log;
    TControl* freeOnClick = nullptr;

    void Click(TObject* sender) {
        ++clicks;
        log += "click:" + static_cast<TComponent*>(sender)->Name() + ";";
        if (freeOnClick) {
            TControl* victim = freeOnClick;
            freeOnClick = nullptr;
            victim->Free();
            return;
        }
        if (throwFirst > 0) {
            --throwFirst;
            throw EConvertError("'x' is not a valid integer value");
        }
    }
    void MouseDown(TObject* sender, TMouseButton, TShiftState, int x, int y) {
        log += "down:" + static_cast<TComponent*>(sender)->Name() + "@" + std::to_string(x) + "," +
               std::to_string(y) + ";";
    }
};

// ---- The map from handle to control -------------------------------------------------------------

class TProbeControl : public TWinControl {
    VESTREL_CLASS(TProbeControl, TWinControl)
public:
    using TWinControl::TWinControl;

    std::vector<UINT> seen;
    bool mappedAtNcCreate = false;
    bool propertyAtNcCreate = false;
    bool superclass = false;

protected:
    void CreateParams(TCreateParams& params) override {
        inherited::CreateParams(params);
        if (superclass)
            CreateSubClass(params, L"BUTTON");
    }
    void WndProc(TMessage& m) override {
        seen.push_back(m.Msg);
        if (m.Msg == WM_NCCREATE) {
            mappedAtNcCreate = FindControl(WindowHandle()) == this;
            propertyAtNcCreate = GetPropW(WindowHandle(), MAKEINTATOM(ControlAtom())) == this;
        }
        inherited::WndProc(m);
    }
};

struct TCbtProbe {
    static inline TWinControl* creatingAtHook = nullptr;
    static inline TWinControl* foundAtHook = reinterpret_cast<TWinControl*>(1);
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_CREATEWND && CreationControl()) {
            creatingAtHook = CreationControl();
            foundAtHook = FindControl(reinterpret_cast<HWND>(wParam));
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
};

TEST_F(ControlsTest, HandleMapAnswersFromTheWindowsFirstMessage) {
    for (bool superclass : {false, true}) {
        SCOPED_TRACE(superclass ? "superclass of BUTTON" : "own class");
        Owned<TProbeControl> probe(New<TProbeControl>(nullptr));
        probe->superclass = superclass;
        probe->SetName("Probe");
        probe->SetBounds(5, 5, 60, 20);

        TCbtProbe::creatingAtHook = nullptr;
        HHOOK hook = SetWindowsHookExW(WH_CBT, &TCbtProbe::Hook, nullptr, GetCurrentThreadId());
        probe->SetParentWindow(host_.Handle());  // shows it: the window is made now
        UnhookWindowsHookEx(hook);
        HWND window = probe->WindowHandle();

        ASSERT_NE(window, nullptr);
        // A hook that runs before the window's first message learns which control is being made.
        EXPECT_EQ(TCbtProbe::creatingAtHook, probe.get());
        EXPECT_EQ(TCbtProbe::foundAtHook, nullptr);
        ASSERT_FALSE(probe->seen.empty());
        EXPECT_NE(std::find(probe->seen.begin(), probe->seen.end(), WM_NCCREATE), probe->seen.end());
        EXPECT_TRUE(probe->mappedAtNcCreate);
        EXPECT_TRUE(probe->propertyAtNcCreate);
        EXPECT_EQ(FindControl(window), probe.get());
        EXPECT_EQ(WindowClassName(window), "TProbeControl");
        EXPECT_EQ(CreationControl(), nullptr);

        probe->Free();
        probe.release();
        EXPECT_EQ(FindControl(window), nullptr);
        EXPECT_FALSE(IsWindow(window));
    }
    EXPECT_EQ(FindControl(host_.Handle()), nullptr);  // a window of no control
    EXPECT_EQ(FindControl(nullptr), nullptr);
    char expected[40];
    std::snprintf(expected, sizeof expected, "ControlOfs%.8X%.8X",
                  static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(GetModuleHandleW(nullptr))),
                  static_cast<unsigned>(GetCurrentThreadId()));
    EXPECT_EQ(ControlAtomName(), expected);
    EXPECT_EQ(GlobalFindAtomW(ToWide(expected).c_str()), ControlAtom());
}

TEST_F(ControlsTest, SuperclassedControlKeepsTheStandardBehaviour) {
    auto form = MakeForm();
    auto* button = New<TTestButton>(form.get());
    button->SetParent(form.get());
    button->SetCaption("确定(&Y)");
    HWND window = button->Handle();
    EXPECT_EQ(WindowClassName(window), "TTestButton");
    wchar_t text[32] = {};
    GetWindowTextW(window, text, 32);
    EXPECT_EQ(FromWide(text), "确定(&Y)");
    // The BUTTON procedure answers as the default handler.
    EXPECT_EQ(SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_BUTTON, DLGC_BUTTON);
    EXPECT_EQ(GetParent(window), form->WindowHandle());
}

// ---- WindowProc ---------------------------------------------------------------------------------

struct TSpy {
    TWndMethod old;
    std::vector<UINT> seen;
    bool swallowSetText = false;
    void Proc(TMessage& m) {
        seen.push_back(m.Msg);
        if (swallowSetText && m.Msg == WM_SETTEXT)
            return;
        old(m);
    }
    bool Saw(UINT msg) const { return std::find(seen.begin(), seen.end(), msg) != seen.end(); }
};

TEST_F(ControlsTest, ReplacedWindowProcSeesEveryMessageAndCanBeRestored) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetParentWindow(host_.Handle());
    HWND window = panel->Handle();

    TSpy spy;
    spy.old = panel->WindowProc;
    panel->WindowProc = Event<&TSpy::Proc>(&spy);

    SendMessageW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"abc"));
    EXPECT_TRUE(spy.Saw(WM_SETTEXT));
    panel->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(panel.get()));
    EXPECT_TRUE(spy.Saw(CM_MOUSEENTER));
    EXPECT_EQ(panel->Text(), "abc");
    EXPECT_TRUE(spy.Saw(WM_GETTEXT));

    spy.swallowSetText = true;
    panel->SetText("zzz");
    EXPECT_EQ(panel->Text(), "abc");

    panel->WindowProc = spy.old;
    spy.seen.clear();
    panel->SetText("def");
    SendMessageW(window, WM_NULL, 0, 0);
    EXPECT_TRUE(spy.seen.empty());
    EXPECT_EQ(panel->Text(), "def");
}

// ---- Reflection ---------------------------------------------------------------------------------

TEST_F(ControlsTest, ButtonClickComesBackAsReflectedCommand) {
    auto form = MakeForm();
    auto* button = New<TTestButton>(form.get());
    button->SetName("Btn_OK");
    button->SetParent(form.get());
    TEvents events;
    button->OnClick = Event<&TEvents::Click>(&events);
    HWND window = button->Handle();

    TMessageRecorder recorder;
    recorder.Only({WM_COMMAND, CN_COMMAND});
    recorder.Attach(form.get(), true);
    recorder.Attach(button);
    SendMessageW(window, BM_CLICK, 0, 0);

    static constexpr TMsgEntry kClick[] = {
        {.msg = WM_COMMAND, .flags = Sent | Parent | Id, .id = BN_CLICKED},
        {.msg = CN_COMMAND, .flags = Sent | Id, .id = BN_CLICKED},
    };
    EXPECT_TRUE(recorder.Matches(kClick));
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(events.log, "click:Btn_OK;");
}

TEST_F(ControlsTest, ParentNotificationsAreReflectedToTheChildTheyConcern) {
    auto form = MakeForm();
    auto* edit = New<TTestEdit>(form.get());
    edit->SetParent(form.get());
    edit->SetColor(clYellow);
    edit->Font()->SetColor(clRed);
    HWND child = edit->Handle();
    HWND parent = form->WindowHandle();
    NMHDR header{child, 7, static_cast<UINT>(NM_CLICK)};
    DRAWITEMSTRUCT draw{};
    draw.CtlType = ODT_BUTTON;
    draw.hwndItem = child;
    DRAWITEMSTRUCT menuDraw{};
    menuDraw.CtlType = ODT_MENU;

    TMessageRecorder recorder;
    recorder.Only({CN_NOTIFY, CN_HSCROLL, CN_VSCROLL, CN_DRAWITEM, CN_CTLCOLOREDIT});
    recorder.Attach(edit);
    SendMessageW(parent, WM_NOTIFY, 7, reinterpret_cast<LPARAM>(&header));
    SendMessageW(parent, WM_HSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(child));
    SendMessageW(parent, WM_VSCROLL, SB_LINEDOWN, 0);  // the parent's own scroll bar: not reflected
    SendMessageW(parent, WM_DRAWITEM, 7, reinterpret_cast<LPARAM>(&draw));
    SendMessageW(parent, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&menuDraw));  // menus are not controls
    HDC dc = GetDC(parent);
    const LRESULT brush = SendMessageW(parent, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    const COLORREF text = GetTextColor(dc);
    const COLORREF back = GetBkColor(dc);
    ReleaseDC(parent, dc);

    static constexpr TMsgEntry kReflected[] = {
        {.msg = CN_NOTIFY, .flags = Sent | Id, .id = static_cast<int>(NM_CLICK)},
        {.msg = CN_HSCROLL, .flags = Sent | WParam, .wParam = SB_LINEDOWN},
        {.msg = CN_DRAWITEM, .flags = Sent},
        {.msg = CN_CTLCOLOREDIT, .flags = Sent},
    };
    EXPECT_TRUE(recorder.Matches(kReflected));
    // The control answers its colours: text in its font's colour on its own brush.
    EXPECT_EQ(brush, reinterpret_cast<LRESULT>(edit->Brush()->Handle()));
    EXPECT_EQ(text, static_cast<COLORREF>(clRed));
    EXPECT_EQ(back, static_cast<COLORREF>(clYellow));
}

TEST_F(ControlsTest, NotificationOfAForeignChildGoesToTheDefaultHandler) {
    auto form = MakeForm();
    HWND foreign = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | BS_PUSHBUTTON, 0, 0, 50, 20, form->Handle(),
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
    TMessageRecorder recorder;
    recorder.Only({WM_COMMAND, CN_COMMAND});
    recorder.Attach(form.get(), true);
    SendMessageW(foreign, BM_CLICK, 0, 0);
    static constexpr TMsgEntry kOnlyParent[] = {{.msg = WM_COMMAND, .flags = Sent | Parent | Id, .id = BN_CLICKED}};
    EXPECT_TRUE(recorder.Matches(kOnlyParent));
}

// ---- Exceptions at the message boundary ---------------------------------------------------------

struct TExceptionLog {
    String log;
    void OnException(TObject* sender, Exception& e) {
        log += (sender ? static_cast<TComponent*>(sender)->Name() : String("nil")) + ":" + e.Message + ";";
    }
};

TEST_F(ControlsTest, ExceptionInAHandlerReachesTheApplicationAndTheLoopGoesOn) {
    TScopedApplication app;
    auto form = MakeForm();
    form->SetName("FrmTest");
    auto* button = New<TTestButton>(form.get());
    button->SetName("Btn_OK");
    button->SetParent(form.get());
    TEvents events;
    events.throwFirst = 1;
    button->OnClick = Event<&TEvents::Click>(&events);
    HWND window = button->Handle();

    PostMessageW(window, BM_CLICK, 0, 0);
    PostMessageW(window, BM_CLICK, 0, 0);
    Application->ProcessMessages();

    EXPECT_EQ(events.clicks, 2);
    ASSERT_EQ(app.Boxes.size(), 1u);
    EXPECT_EQ(app.Boxes[0].Text, "'x' is not a valid integer value.");
    EXPECT_EQ(app.Boxes[0].Caption, Application->Title());
    EXPECT_EQ(app.Boxes[0].Flags, static_cast<UINT>(MB_OK | MB_ICONSTOP));
    EXPECT_EQ(app.Boxes[0].Owner, Application->Handle());

    // With OnException the application hands the exception over instead, with the control whose
    // window procedure caught it (the form: the click came to the button reflected from there).
    TExceptionLog handler;
    Application->OnException = Event<&TExceptionLog::OnException>(&handler);
    events.throwFirst = 1;
    SendMessageW(window, BM_CLICK, 0, 0);
    EXPECT_EQ(handler.log, "FrmTest:'x' is not a valid integer value;");

    EXPECT_EQ(app.Boxes.size(), 1u);
}

TEST_F(ControlsTest, SilentAbortAndForeignExceptionsAtTheBoundary) {
    TScopedApplication app;
    struct TThrower {
        int kind = 0;
        void Click(TObject*) {
            if (kind == 0)
                throw EAbort("");
            if (kind == 1)
                throw std::runtime_error("plain runtime error");
            throw 42;
        }
    } thrower;
    auto form = MakeForm();
    auto* button = New<TTestButton>(form.get());
    button->SetParent(form.get());
    button->OnClick = Event<&TThrower::Click>(&thrower);
    struct TCase {
        const char* name;
        int kind;
        const char* box;
    } const cases[] = {
        {"EAbort is silent", 0, nullptr},
        {"a std::exception is shown", 1, "plain runtime error."},
        {"anything else is shown", 2, "Unknown exception."},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        app.Boxes.clear();
        thrower.kind = c.kind;
        SendMessageW(button->Handle(), BM_CLICK, 0, 0);
        if (!c.box) {
            EXPECT_TRUE(app.Boxes.empty());
        } else {
            ASSERT_EQ(app.Boxes.size(), 1u);
            EXPECT_EQ(app.Boxes[0].Text, c.box);
        }
    }
}

// ---- Recreating a window ------------------------------------------------------------------------

TEST_F(ControlsTest, RecreateWndKeepsTextBoundsVisibilityAndChildren) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetBounds(10, 20, 200, 100);
    panel->SetParentWindow(host_.Handle());
    panel->SetCaption("面板");
    auto* child = New<TTestEdit>(panel.get());
    child->SetParent(panel.get());
    child->SetBounds(5, 6, 80, 21);
    child->SetText("内容 text");
    auto* hidden = New<TTestEdit>(panel.get());
    hidden->SetVisible(false);
    hidden->SetParent(panel.get());

    HWND oldPanel = panel->Handle();
    HWND oldChild = child->Handle();
    ASSERT_TRUE(panel->Showing());
    EXPECT_TRUE(IsWindowVisible(oldChild) || !IsWindowVisible(host_.Handle()));

    TMessageRecorder recorder;
    recorder.Only({CM_RECREATEWND, CM_SHOWINGCHANGED});
    recorder.Attach(panel.get());
    panel->RecreateWnd();
    static constexpr TMsgEntry kRecreate[] = {
        {.msg = CM_RECREATEWND, .flags = Sent},
        {.msg = CM_SHOWINGCHANGED, .flags = Sent},
    };
    EXPECT_TRUE(recorder.Matches(kRecreate));

    EXPECT_FALSE(IsWindow(oldPanel));
    EXPECT_FALSE(IsWindow(oldChild));
    ASSERT_TRUE(panel->HandleAllocated());
    EXPECT_NE(panel->WindowHandle(), oldPanel);
    EXPECT_EQ(panel->Caption(), "面板");
    EXPECT_EQ(panel->BoundsRect(), Rect(10, 20, 210, 120));
    ASSERT_TRUE(child->HandleAllocated());
    EXPECT_EQ(GetParent(child->WindowHandle()), panel->WindowHandle());
    EXPECT_EQ(child->Text(), "内容 text");
    EXPECT_EQ(child->BoundsRect(), Rect(5, 6, 85, 27));
    EXPECT_TRUE(child->Showing());
    EXPECT_FALSE(hidden->Showing());
    EXPECT_FALSE(hidden->HandleAllocated() && (GetWindowLongPtrW(hidden->WindowHandle(), GWL_STYLE) & WS_VISIBLE));
    EXPECT_EQ(FindControl(panel->WindowHandle()), panel.get());
}

// ---- Painting -----------------------------------------------------------------------------------

TEST_F(ControlsTest, PrintClientPaintsControlAndGraphicChildrenIntoAMemoryDC) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetBounds(0, 0, 80, 60);
    panel->SetColor(clRed);
    panel->SetParentWindow(host_.Handle());
    auto* shape = New<TTestShape>(panel.get());
    shape->SetParent(panel.get());
    shape->SetBounds(10, 10, 20, 20);
    shape->SetColor(clBlue);
    auto* hiddenShape = New<TTestShape>(panel.get());
    hiddenShape->SetParent(panel.get());
    hiddenShape->SetBounds(40, 10, 20, 20);
    hiddenShape->SetColor(clLime);
    hiddenShape->SetVisible(false);

    TBitmap bitmap;
    bitmap.SetSize(80, 60);
    bitmap.Canvas()->Brush()->SetColor(clWhite);
    bitmap.Canvas()->FillRect(Rect(0, 0, 80, 60));
    HDC dc = bitmap.Canvas()->Handle();
    SendMessageW(panel->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);

    EXPECT_EQ(panel->PaintCount(), 1);
    EXPECT_EQ(panel->LastPaintDC(), dc);
    struct TPixel {
        int x, y;
        TColor color;
    } const pixels[] = {{2, 2, clRed}, {15, 15, clBlue}, {29, 29, clBlue}, {30, 30, clRed}, {45, 15, clRed},
                        {79, 59, clRed}};
    for (const TPixel& p : pixels) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(static_cast<TColor>(bitmap.Canvas()->Pixels[p.x][p.y]), p.color);
    }
}

// ---- Layout -------------------------------------------------------------------------------------

TEST_F(ControlsTest, AlignPlacesChildrenByKindThenPosition) {
    struct TChild {
        const char* name;
        TAlign align;
        TRect start;
        TRect expected;
    };
    // Parent client area 200 x 100.
    const TChild children[] = {
        {"top2", alTop, Bounds(0, 50, 10, 10), Rect(0, 15, 200, 25)},
        {"top1", alTop, Bounds(0, 0, 10, 15), Rect(0, 0, 200, 15)},
        {"bottom", alBottom, Bounds(0, 0, 10, 20), Rect(0, 80, 200, 100)},
        {"left", alLeft, Bounds(0, 0, 30, 10), Rect(0, 25, 30, 80)},
        {"right", alRight, Bounds(0, 0, 40, 10), Rect(160, 25, 200, 80)},
        {"client", alClient, Bounds(0, 0, 1, 1), Rect(30, 25, 160, 80)},
        {"none", alNone, Bounds(7, 8, 9, 10), Rect(7, 8, 16, 18)},
    };
    for (bool withWindows : {false, true}) {
        SCOPED_TRACE(withWindows ? "with windows" : "without windows");
        Owned<TTestPanel> parent(New<TTestPanel>(nullptr));
        parent->SetBounds(0, 0, 200, 100);
        std::vector<TControl*> made;
        for (const TChild& c : children) {
            TControl* child = withWindows ? static_cast<TControl*>(New<TTestPanel>(parent.get()))
                                          : static_cast<TControl*>(New<TTestShape>(parent.get()));
            child->SetName(c.name);
            child->SetBoundsRect(c.start);
            child->SetAlign(c.align);
            child->SetParent(parent.get());
            made.push_back(child);
        }
        if (withWindows)
            parent->SetParentWindow(host_.Handle());
        parent->Realign();
        for (std::size_t i = 0; i < made.size(); ++i) {
            SCOPED_TRACE(children[i].name);
            EXPECT_EQ(made[i]->BoundsRect(), children[i].expected);
        }
        // The parent grows: the aligned children follow.
        parent->SetBounds(0, 0, 300, 100);
        EXPECT_EQ(made[0]->BoundsRect(), Rect(0, 15, 300, 25));
        EXPECT_EQ(made[4]->BoundsRect(), Rect(260, 25, 300, 80));
        EXPECT_EQ(made[5]->BoundsRect(), Rect(30, 25, 260, 80));
        // A hidden aligned control gives its place up.
        made[1]->SetVisible(false);
        EXPECT_EQ(made[0]->BoundsRect(), Rect(0, 0, 300, 10));
    }
}

// ---- Mouse --------------------------------------------------------------------------------------

TEST_F(ControlsTest, GraphicControlGetsTheParentsMouseMessagesAndClicks) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetName("Panel");
    panel->SetBounds(0, 0, 100, 60);
    panel->SetParentWindow(host_.Handle());
    auto* shape = New<TTestShape>(panel.get());
    shape->SetName("Shape");
    shape->SetParent(panel.get());
    shape->SetBounds(10, 10, 20, 20);
    TEvents events;
    shape->OnClick = Event<&TEvents::Click>(&events);
    shape->OnMouseDown = Event<&TEvents::MouseDown>(&events);
    panel->OnMouseDown = Event<&TEvents::MouseDown>(&events);
    HWND window = panel->Handle();

    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(15, 16));
    EXPECT_TRUE(shape->MouseCapture());
    EXPECT_EQ(GetCapture(), window);
    // Released outside the shape: the capture still routes it there, but it is no click.
    SendMessageW(window, WM_LBUTTONUP, 0, PointToLParam(70, 40));
    EXPECT_FALSE(shape->MouseCapture());
    EXPECT_EQ(events.clicks, 0);

    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(12, 12));
    SendMessageW(window, WM_LBUTTONUP, 0, PointToLParam(12, 12));
    SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(70, 40));
    SendMessageW(window, WM_LBUTTONUP, 0, PointToLParam(70, 40));
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(events.log, "down:Shape@5,6;down:Shape@2,2;click:Shape;down:Panel@70,40;");
    EXPECT_EQ(panel->ControlAtPos(Point(15, 15), false), shape);
    shape->SetEnabled(false);
    EXPECT_EQ(panel->ControlAtPos(Point(15, 15), false), nullptr);
    EXPECT_EQ(panel->ControlAtPos(Point(15, 15), true), shape);
}

TEST_F(ControlsTest, MouseEnterAndLeaveFollowTheControlUnderTheMouse) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetBounds(0, 0, 100, 60);
    panel->SetParentWindow(host_.Handle());
    auto* shape = New<TTestShape>(panel.get());
    shape->SetParent(panel.get());
    shape->SetBounds(10, 10, 20, 20);
    HWND window = panel->Handle();
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);

    TMessageRecorder recorder;
    recorder.Only({CM_MOUSEENTER, CM_MOUSELEAVE});
    recorder.Attach(panel.get());
    recorder.Attach(shape);
    SendMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(15, 15));
    SendMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(16, 15));
    SendMessageW(window, WM_MOUSEMOVE, 0, PointToLParam(60, 40));
    SendMessageW(window, WM_MOUSELEAVE, 0, 0);

    const LPARAM s = reinterpret_cast<LPARAM>(shape);
    const LPARAM p = reinterpret_cast<LPARAM>(panel.get());
    const TMsgEntry expected[] = {
        {.msg = CM_MOUSEENTER, .flags = Sent | LParam, .lParam = s},
        {.msg = CM_MOUSELEAVE, .flags = Sent | LParam, .lParam = s},
        {.msg = CM_MOUSEENTER, .flags = Sent | LParam, .lParam = p},
        {.msg = CM_MOUSELEAVE, .flags = Sent | LParam, .lParam = p},
    };
    EXPECT_TRUE(recorder.Matches(expected));
}

// ---- Fonts and colours --------------------------------------------------------------------------

TEST_F(ControlsTest, ParentFontAndColorFlowToChildrenUntilTheyChooseTheirOwn) {
    Owned<TTestPanel> parent(New<TTestPanel>(nullptr));
    parent->Font()->SetName("Arial");
    parent->SetColor(clYellow);
    auto* child = New<TTestShape>(parent.get());
    child->SetParent(parent.get());
    EXPECT_EQ(child->Font()->Name(), "Arial");
    EXPECT_EQ(child->Color(), clYellow);
    EXPECT_TRUE(child->ParentFont());

    parent->Font()->SetSize(14);
    parent->SetColor(clAqua);
    EXPECT_EQ(child->Font()->Size(), 14);
    EXPECT_EQ(child->Color(), clAqua);
    EXPECT_TRUE(child->ParentColor());

    child->Font()->SetName("Courier New");
    child->SetColor(clGreen);
    EXPECT_FALSE(child->ParentFont());
    EXPECT_FALSE(child->ParentColor());
    parent->Font()->SetName("Tahoma");
    parent->SetColor(clSilver);
    EXPECT_EQ(child->Font()->Name(), "Courier New");
    EXPECT_EQ(child->Color(), clGreen);

    child->SetParentFont(true);
    child->SetParentColor(true);
    EXPECT_EQ(child->Font()->Name(), "Tahoma");
    EXPECT_EQ(child->Color(), clSilver);
}

// ---- Destruction inside handlers ----------------------------------------------------------------

TEST_F(ControlsTest, ControlFreedInsideItsOwnClickHandlerIsSafe) {
    auto form = MakeForm();
    auto* button = New<TTestButton>(form.get());
    button->SetName("Btn");
    button->SetParent(form.get());
    TEvents events;
    events.freeOnClick = button;
    button->OnClick = Event<&TEvents::Click>(&events);
    HWND window = button->Handle();

    SendMessageW(window, BM_CLICK, 0, 0);
    EXPECT_EQ(events.clicks, 1);
    EXPECT_EQ(form->ControlCount(), 0);
    EXPECT_EQ(form->FindComponent("Btn"), nullptr);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(FindControl(window), nullptr);
}

struct TDeferredFree {
    TControl* target = nullptr;
    bool destroyedInside = true;
    bool* destroyed = nullptr;
    void Click(TObject*) {
        FreeWhenIdle(target);
        destroyedInside = *destroyed;
    }
};

class TWatchedPanel : public TTestPanel {
    VESTREL_CLASS(TWatchedPanel, TTestPanel)
public:
    TWatchedPanel(TComponent* owner, bool* destroyed) : TTestPanel(owner), destroyed_(destroyed) {}
    ~TWatchedPanel() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

TEST_F(ControlsTest, FreeWhenIdleWaitsUntilNoHandlerOfTheControlRuns) {
    bool destroyed = false;
    auto* panel = New<TWatchedPanel>(nullptr, &destroyed);
    panel->SetParentWindow(host_.Handle());
    auto* button = New<TTestButton>(panel);
    button->SetParent(panel);
    TDeferredFree deferred{panel, true, &destroyed};
    button->OnClick = Event<&TDeferredFree::Click>(&deferred);
    EXPECT_FALSE(IsDispatching(panel));

    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_FALSE(deferred.destroyedInside);  // a child's handler was running
    EXPECT_TRUE(destroyed);                  // freed once it returned
}

// ---- Unknown private messages -------------------------------------------------------------------

String& CapturedLog() {
    static String log;
    return log;
}

TEST_F(ControlsTest, UnknownPrivateMessagesAreLoggedAndBogusNotifyIsIgnored) {
    Owned<TTestPanel> panel(New<TTestPanel>(nullptr));
    panel->SetName("Panel");
    panel->SetParentWindow(host_.Handle());
    HWND window = panel->Handle();
    CapturedLog().clear();
    TLogSink previous = SetLogSink([](const char* line) { CapturedLog() += line; });
    LogControls.SetLevel(TLogLevel::Error);

    panel->Perform(CM_BASE + 500, 1, 2);
    EXPECT_NE(CapturedLog().find("err:ctl: Panel: TTestPanel: unhandled CM_BASE+0x01F4"), String::npos)
        << CapturedLog();
    CapturedLog().clear();
    panel->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(panel.get()));
    panel->Perform(CM_PARENTFONTCHANGED);
    SendMessageW(window, WM_USER + 100, 0, 0);
    // The skin engine sends 0xBC4E with lParam 16802 to windows: no NMHDR may be read from it.
    EXPECT_EQ(SendMessageW(window, CN_NOTIFY, 0, 16802), 0);
    EXPECT_EQ(CapturedLog(), "");

    LogControls.SetLevel(TLogLevel::Off);
    panel->Perform(CM_BASE + 501);
    EXPECT_EQ(CapturedLog(), "");
    LogControls.SetLevel(TLogLevel::Error);
    SetLogSink(previous);
}

TEST(ControlsMessageNames, NameEveryNumberForLogs) {
    struct TCase {
        UINT msg;
        const char* name;
    } const cases[] = {
        {WM_PAINT, "WM_PAINT"},         {WM_NCCREATE, "WM_NCCREATE"},       {CM_MOUSEENTER, "CM_MOUSEENTER"},
        {CM_RELEASE, "CM_RELEASE"},     {CN_COMMAND, "CN_COMMAND"},         {0xBC4E, "CN_NOTIFY"},
        {0xBD14, "CN_HSCROLL"},         {CN_CTLCOLOREDIT, "CN_CTLCOLOREDIT"}, {0xB0D0, "CM_BASE+0x00D0"},
        {WM_USER + 100, "WM_USER+100"}, {WM_APP + 3, "WM_APP+3"},           {0x3523, "WM_USER+12579"},
        {0xC123, "0xC123"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(MessageName(c.msg), c.name);
    }
}

}  // namespace

namespace {

// The number of tools of the application's hint window, and the text of `window`'s tool.
int HintToolCount() {
    HWND tips = Application->HintWindow();
    return tips ? static_cast<int>(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0)) : 0;
}

String HintToolText(HWND window) {
    HWND tips = Application->HintWindow();
    if (!tips)
        return "(no hint window)";
    wchar_t text[128] = {};
    TTTOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = window;
    tool.uId = reinterpret_cast<UINT_PTR>(window);
    tool.lpszText = text;
    if (!SendMessageW(tips, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)))
        return "(no tool)";
    SendMessageW(tips, TTM_GETTEXTW, 128, reinterpret_cast<LPARAM>(&tool));
    return FromWide(text);
}

}  // namespace

TEST_F(ControlsTest, AControlWithShowHintAndAHintIsAToolOfTheHintWindow) {
    Owned<TForm> form = MakeForm();
    auto* panel = New<TTestPanel>(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 100, 50);
    panel->SetHint("个人分类管理|the long part is not shown");
    panel->SetShowHint(true);
    auto* silent = New<TTestPanel>(form.get());  // a hint, but no ShowHint
    silent->SetParent(form.get());
    silent->SetHint("never shown");
    const int before = HintToolCount();
    form->Show();

    ASSERT_NE(Application->HintWindow(), nullptr);
    EXPECT_EQ(HintToolCount(), before + 1);
    EXPECT_EQ(HintToolText(panel->Handle()), "个人分类管理");
    EXPECT_EQ(HintToolText(silent->Handle()), "(no tool)");

    // A new text, a new window, ShowHint off and on: always one tool, on the current window.
    panel->SetHint("点击右键，显示功能菜单");
    EXPECT_EQ(HintToolText(panel->Handle()), "点击右键，显示功能菜单");
    HWND old = panel->Handle();
    panel->RecreateWnd();
    panel->HandleNeeded();
    EXPECT_EQ(HintToolCount(), before + 1);
    EXPECT_EQ(HintToolText(panel->Handle()), "点击右键，显示功能菜单");
    if (panel->Handle() != old) {
        EXPECT_EQ(HintToolText(old), "(no tool)");
    }
    panel->SetShowHint(false);
    EXPECT_EQ(HintToolCount(), before);
    panel->SetShowHint(true);
    panel->SetHint("");
    EXPECT_EQ(HintToolCount(), before);
    panel->SetHint("again");
    EXPECT_EQ(HintToolCount(), before + 1);

    // A freed control takes its tool with it.
    panel->Free();
    EXPECT_EQ(HintToolCount(), before);
}

namespace {

struct TMouseDowns {
    int count = 0;
    void Down(TObject*, TMouseButton, TShiftState, int, int) { ++count; }
};

}  // namespace

// A tip shown over a control lets the real mouse through: the click reaches the control beneath,
// not the tip (the person's click on a row or a category below a tip is not lost).
TEST_F(ControlsTest, AClickOnAShownHintReachesTheControlBeneath) {
    Owned<TForm> form = MakeForm();
    form->SetBounds(100, 100, 300, 200);
    auto* panel = New<TTestPanel>(form.get());
    panel->SetParent(form.get());
    panel->SetBounds(10, 10, 200, 100);
    panel->SetHint("个人分类管理");
    panel->SetShowHint(true);
    TMouseDowns downs;
    panel->OnMouseDown = Event<&TMouseDowns::Down>(&downs);
    form->Show();
    SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    DrainMessages();

    HWND tips = Application->HintWindow();
    ASSERT_NE(tips, nullptr);
    const TPoint centre = panel->ClientToScreen(Point(100, 50));
    SetWindowPos(tips, HWND_TOPMOST, centre.X - 40, centre.Y - 10, 80, 20, SWP_NOACTIVATE | SWP_SHOWWINDOW);
    DrainMessages();
    ASSERT_TRUE(IsWindowVisible(tips));

    SetCursorPos(centre.X, centre.Y);
    INPUT clicks[2]{};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    ASSERT_EQ(SendInput(2, clicks, sizeof(INPUT)), 2u);
    // The input arrives through the system: wait for it (a bounded wait on the event, not a timing).
    for (int i = 0; i < 200 && downs.count == 0; ++i) {
        DrainMessages();
        Sleep(10);
    }
    ShowWindow(tips, SW_HIDE);
    EXPECT_EQ(downs.count, 1);
}
