#include "TestControls.h"

#include "Encoding.h"
#include "SkinManage.h"
#include "TypeRegistry.h"

// ---- TTestButton ------------------------------------------------------------------------------------

TTestButton::TTestButton(TComponent* owner) : TWinControl(owner) {
    SetControlStyle({csSetCaption, csDoubleClicks});
    SetTabStop(true);
    SetBounds(0, 0, 75, 25);
}

void TTestButton::Click() {
    if (modalResult_ != mrNone)
        if (TCustomForm* form = GetParentForm(this))
            form->SetModalResult(modalResult_);
    inherited::Click();
}

void TTestButton::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"BUTTON");
    params.Style |= active_ ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
}

void TTestButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_COMMAND:
        if (HIWORD(m.WParam) == BN_CLICKED)
            Click();
        return;
    case CM_DIALOGKEY:
        if (((m.WParam == VK_RETURN && active_) || (m.WParam == VK_ESCAPE && cancel_)) &&
            KeyDataToShiftState(m.LParam).Empty() && CanFocus()) {
            Click();
            m.Result = 1;
            return;
        }
        break;
    case CM_FOCUSCHANGED: {
        auto* focused = reinterpret_cast<TWinControl*>(m.LParam);
        active_ = focused == this || (default_ && !dynamic_cast<TTestButton*>(focused));
        return;
    }
    default:
        break;
    }
    inherited::Dispatch(m);
}

// ---- TTestEdit --------------------------------------------------------------------------------------

TTestEdit::TTestEdit(TComponent* owner) : TWinControl(owner) {
    SetTabStop(true);
    SetBounds(0, 0, 120, 21);
    SetColor(clWindow);
}

void TTestEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    CreateSubClass(params, L"EDIT");
    params.Style |= ES_AUTOHSCROLL;
    params.ExStyle |= WS_EX_CLIENTEDGE;
}

// ---- TTestPanel, TTestShape -------------------------------------------------------------------------

TTestPanel::TTestPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
    SetBounds(0, 0, 185, 41);
}

void TTestPanel::Loaded() {
    inherited::Loaded();
    loaded_ = true;
}

void TTestPanel::Paint() {
    ++paints_;
    lastDC_ = Canvas()->Handle();
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

TTestShape::TTestShape(TComponent* owner) : TGraphicControl(owner) {
    SetBounds(0, 0, 20, 20);
}

void TTestShape::Paint() {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
}

// ---- Support ----------------------------------------------------------------------------------------

void StartWindowTests() {
    static bool started = false;
    if (started)
        return;
    started = true;
    // Windows of these tests stay unskinned; tests of the skin switch it on.
    SetSkinEngineEnabled(false);
    FormsInitialization();
    RegisterClasses<TTestButton, TTestEdit, TTestPanel, TTestShape>();
    RegisterProperties<TTestButton>()
        .Bool("Default", &TTestButton::Default, &TTestButton::SetDefault)
        .Bool("Cancel", &TTestButton::Cancel, &TTestButton::SetCancel)
        .Int("ModalResult", &TTestButton::ModalResult, &TTestButton::SetModalResult);
}

TScopedApplication::TScopedApplication(int answer) : previous_(Application), answer_(answer) {
    StartWindowTests();
    DrainMessages();
    Application = New<TApplication>(nullptr);
    previousBox_ = SetMessageBoxFunction([this](HWND owner, const String& text, const String& caption, UINT flags) {
        Boxes.push_back({owner, text, caption, flags});
        return answer_;
    });
}

TScopedApplication::~TScopedApplication() {
    DrainMessages();
    Application->Free();
    Application = previous_;
    SetMessageBoxFunction(std::move(previousBox_));
    DrainMessages();
}

namespace {
TModalDriver* gModalDriver = nullptr;

struct TModalSearch {
    const String* marker;
    TCustomForm* form;
};

BOOL CALLBACK FindMarkedForm(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TModalSearch*>(data);
    auto* form = dynamic_cast<TCustomForm*>(FindControl(window));
    if (!IsWindowVisible(window) || !form || !form->FindComponent(*search->marker))
        return TRUE;
    search->form = form;
    return FALSE;
}
}  // namespace

TModalDriver::TModalDriver(const String& marker, std::function<void(TCustomForm*)> action)
    : marker_(marker), action_(std::move(action)) {
    gModalDriver = this;
    timer_ = SetTimer(nullptr, 0, 20, &TModalDriver::Tick);
}

TModalDriver::~TModalDriver() {
    if (timer_)
        KillTimer(nullptr, timer_);
    gModalDriver = nullptr;
}

void CALLBACK TModalDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
    TModalDriver* driver = gModalDriver;
    if (!driver || driver->ran_)
        return;
    TModalSearch search{&driver->marker_, nullptr};
    EnumThreadWindows(GetCurrentThreadId(), &FindMarkedForm, reinterpret_cast<LPARAM>(&search));
    if (search.form) {
        driver->ran_ = true;
        KillTimer(nullptr, driver->timer_);
        driver->timer_ = 0;
        driver->action_(search.form);
    } else if (++driver->ticks_ > 250 && Application) {
        KillTimer(nullptr, driver->timer_);
        driver->timer_ = 0;
        Application->Terminate();
    }
}

void PostKeyDown(HWND window, WORD key) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = 0;
    state[VK_CONTROL] = 0;
    SetKeyboardState(state);
    PostMessageW(window, WM_KEYDOWN, key, 1);
}

void PostChars(HWND window, const String& text) {
    for (wchar_t unit : Utf8ToUtf16(text))
        PostMessageW(window, WM_CHAR, unit, 1);
}

void DrainMessages() {
    MSG msg;
    for (int i = 0; i < 100000 && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT)
            continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
        FreeIdleControls();
    }
}

