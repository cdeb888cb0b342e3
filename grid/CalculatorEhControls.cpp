#include "CalculatorEhControls.h"

#include "WinApi.h"

namespace {

struct TButtonFace {
    const char* caption;
    char32_t key;
    int left, top, width, height;
    bool red;
};

// Tags 1..23 in order.
constexpr TButtonFace kButtons[] = {
    {"7", U'7', 6, 29, 27, 22, false},    {"8", U'8', 35, 29, 27, 22, false},   {"9", U'9', 64, 29, 27, 22, false},
    {"/", U'/', 93, 29, 27, 22, true},    {"sqrt", U'S', 122, 29, 27, 22, false}, {"C", U'C', 151, 29, 27, 46, true},
    {"4", U'4', 6, 53, 27, 22, false},    {"5", U'5', 35, 53, 27, 22, false},   {"6", U'6', 64, 53, 27, 22, false},
    {"*", U'*', 93, 53, 27, 22, true},    {"%", U'%', 122, 53, 27, 22, false},  {"Cancel", U'A', 151, 52, 27, 23, true},
    {"1", U'1', 6, 77, 27, 22, false},    {"2", U'2', 35, 77, 27, 22, false},   {"3", U'3', 64, 77, 27, 22, false},
    {"-", U'-', 93, 77, 27, 22, true},    {"1/x", U'R', 122, 77, 27, 22, false}, {"<-", 8, 151, 77, 27, 22, true},
    {"0", U'0', 6, 101, 27, 22, false},   {"+/-", U'I', 35, 101, 27, 22, false}, {".", U'.', 64, 101, 27, 22, false},
    {"+", U'+', 93, 101, 27, 22, true},   {"Ok", U'=', 122, 101, 56, 22, true},
};
constexpr int kClientWidth = 184;
constexpr int kClientHeight = 127;
const TRect kDisplayRect{6, 4, 6 + 171, 4 + 19};

}  // namespace

// ---- TCalculatorEh --------------------------------------------------------------------------------

TCalculatorEh::TCalculatorEh(TComponent* owner) : TCustomControl(owner) {
    SetColor(clBtnFace);
    SetBounds(0, 0, kClientWidth, kClientHeight);
}

void TCalculatorEh::AfterConstruction() {
    TCustomControl::AfterConstruction();
    Font()->SetName("MS Sans Serif");
    Font()->SetHeight(-11);
    for (int tag = 1; tag <= 23; ++tag) {
        const TButtonFace& face = kButtons[tag - 1];
        TSpeedButton* button = New<TSpeedButton>(this);
        button->SetParent(this);
        button->SetBounds(face.left, face.top, face.width, face.height);
        button->SetText(face.caption);
        button->SetTag(tag);
        button->SetFlat(true);
        button->SetParentFont(false);
        button->Font()->Assign(Font());
        button->Font()->SetColor(face.red ? clRed : clBlue);
        button->OnClick = Event<&TCalculatorEh::SpeedButtonClick>(this);
        buttons_.push_back(button);
    }
    flat_ = true;
}

char32_t TCalculatorEh::KeyOfTag(int tag) { return tag >= 1 && tag <= 23 ? kButtons[tag - 1].key : 0; }

void TCalculatorEh::SpeedButtonClick(TObject* sender) {
    if (auto* button = dynamic_cast<TSpeedButton*>(sender)) PressCalcKey(KeyOfTag(static_cast<int>(button->Tag())));
}

void TCalculatorEh::PressCalcKey(char32_t key) {
    if (key == 3)
        Copy();
    else if (key == 22)
        Paste();
    else
        engine_.PressKey(key);
    Changed();
}

void TCalculatorEh::Changed() {
    if (TSpeedButton* equal = EqualButton()) {
        const String caption = engine_.EqualCaption();
        if (equal->Text() != caption) equal->SetText(caption);
    }
    if (HandleAllocated()) {
        const RECT r = ToWinRect(kDisplayRect);
        InvalidateRect(Handle(), &r, FALSE);
    }
}

void TCalculatorEh::SetDisplayValue(double value) {
    engine_.SetDisplayValue(value);
    Changed();
}

void TCalculatorEh::Clear() {
    engine_.Clear();
    Changed();
}

void TCalculatorEh::Copy() {
    if (!OpenClipboard(HandleAllocated() ? Handle() : nullptr)) return;
    EmptyClipboard();
    const std::wstring text = ToWide(engine_.Display());
    if (HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (text.size() + 1) * sizeof(wchar_t))) {
        auto* data = static_cast<wchar_t*>(GlobalLock(memory));
        std::copy(text.c_str(), text.c_str() + text.size() + 1, data);
        GlobalUnlock(memory);
        if (!SetClipboardData(CF_UNICODETEXT, memory)) GlobalFree(memory);
    }
    CloseClipboard();
}

void TCalculatorEh::Paste() {
    if (!IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenClipboard(HandleAllocated() ? Handle() : nullptr)) return;
    String text;
    if (HANDLE memory = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* data = static_cast<const wchar_t*>(GlobalLock(memory))) {
            text = FromWide(data);
            GlobalUnlock(memory);
        }
    }
    CloseClipboard();
    engine_.Paste(text);  // text that is no number raises; the display stays
}

void TCalculatorEh::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    for (TSpeedButton* button : buttons_) button->SetFlat(value);
}

void TCalculatorEh::Paint() {
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(Color());
    canvas->FillRect(ClientRect());
    canvas->Brush()->SetColor(clWindow);
    canvas->FillRect(kDisplayRect);
    canvas->Font()->Assign(Font());
    const std::wstring text = ToWide(engine_.Display());
    RECT r = ToWinRect(TRect{kDisplayRect.Left + 2, kDisplayRect.Top, kDisplayRect.Right - 3, kDisplayRect.Bottom});
    SetBkMode(canvas->Handle(), TRANSPARENT);
    SetTextColor(canvas->Handle(), static_cast<COLORREF>(ColorToRGB(clWindowText)));
    DrawTextW(canvas->Handle(), text.c_str(), static_cast<int>(text.size()), &r,
              DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void TCalculatorEh::KeyDown(WORD& key, TShiftState shift) {
    TCustomControl::KeyDown(key, shift);
    if (key == VK_DELETE) {
        PressCalcKey(U'C');
        key = 0;
    }
}

void TCalculatorEh::KeyPress(wchar_t& key) {
    TCustomControl::KeyPress(key);
    if (key == 0) return;
    if (key == 27)
        Clear();
    else
        PressCalcKey(static_cast<char32_t>(key));
    key = 0;
}

bool TCalculatorEh::DoMouseWheelDown(TShiftState, TPoint) {
    if (engine_.Status() != TCalculatorEngineEh::csError) SetDisplayValue(engine_.DisplayValue() - 1);
    return true;
}

bool TCalculatorEh::DoMouseWheelUp(TShiftState, TPoint) {
    if (engine_.Status() != TCalculatorEngineEh::csError) SetDisplayValue(engine_.DisplayValue() + 1);
    return true;
}

void TCalculatorEh::Dispatch(TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
        m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS;
        return;
    }
    TCustomControl::Dispatch(m);
}

// ---- TPopupCalculatorEh ---------------------------------------------------------------------------

TPopupCalculatorEh::TPopupCalculatorEh(TComponent* owner) : TCalculatorEh(owner) {
    SetVisible(false);
    SetTabStop(false);
    SetBounds(0, 0, kClientWidth + 4, kClientHeight + 4);
}

void TPopupCalculatorEh::CreateParams(TCreateParams& params) {
    TCalculatorEh::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_TABSTOP);
    params.Style |= WS_POPUP | WS_CLIPCHILDREN;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_DLGMODALFRAME;
    params.WindowClass.style |= CS_SAVEBITS;
    params.WndParent = ParentWindow();
}

Variant TPopupCalculatorEh::GetValue() const {
    if (Engine().Status() == TCalculatorEngineEh::csError) return Null();
    return Variant(DisplayValue());
}

void TPopupCalculatorEh::SetValue(const Variant& value) {
    Clear();
    if (!VarIsNull(value) && !VarIsEmpty(value)) SetDisplayValue(value.AsDouble());
}

bool TPopupCalculatorEh::ReadEnterCanClose() const { return Engine().EqualCaption() == "Ok"; }

void TPopupCalculatorEh::CloseUp(bool accept) {
    if (auto* holder = dynamic_cast<IInplaceEditHolderEh*>(Owner())) holder->CloseUp(accept);
}

void TPopupCalculatorEh::KeyDown(WORD& key, TShiftState shift) {
    if (key == VK_ESCAPE) {
        CloseUp(false);
        key = 0;
        return;
    }
    TCalculatorEh::KeyDown(key, shift);
}

void TPopupCalculatorEh::KeyPress(wchar_t& key) {
    if ((key == L'\r' || key == L'=') && ReadEnterCanClose()) {
        CloseUp(true);
        key = 0;
        return;
    }
    TCalculatorEh::KeyPress(key);
}

void TPopupCalculatorEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEACTIVATE: m.Result = MA_NOACTIVATE; return;
    case WM_DELAYED_CLOSEUP_EH: CloseUp(false); return;
    default: TCalculatorEh::Dispatch(m);
    }
}
