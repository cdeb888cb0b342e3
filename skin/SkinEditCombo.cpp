#include "SkinEditCombo.h"

#include "AppSkinForm.h"
#include "SkinImageDraw.h"
#include "SkinRangeControls.h"

#include "TypeRegistry.h"

#include <algorithm>

using namespace skinrules;

namespace {

void FrameWith(HDC dc, const RECT& r, COLORREF colour) {
    HBRUSH brush = CreateSolidBrush(colour);
    FrameRect(dc, &r, brush);
    DeleteObject(brush);
}

String LowerClass(HWND window) {
    String name = WindowClassName(window);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return name;
}

}  // namespace

// ---- Edit ----

TSkinEdit::~TSkinEdit() {
    if (UpDown) {
        TSkinControl* spin = UpDown;
        UpDown = nullptr;
        if (Form) Form->Skinners().Remove(spin);
        spin->Free();
    }
}

bool TSkinEdit::BeforeMessage(TMessage& m) {
    if (m.Msg == WM_PAINT && !m.WParam) {
        clientPainting_ = true;
        borderPainted_ = false;
    }
    return TSkinControl::BeforeMessage(m);
}

void TSkinEdit::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: {
        const bool drawn = !m.WParam && clientPainting_ && borderPainted_;
        clientPainting_ = borderPainted_ = false;
        if (!drawn) PaintWindow(reinterpret_cast<HDC>(m.WParam));
        break;
    }
    case WM_NCPAINT:
        PaintWindow(nullptr);
        if (clientPainting_) borderPainted_ = true;
        break;
    case WM_PRINT: PrintBorder(reinterpret_cast<HDC>(m.WParam)); break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

void TSkinEdit::PrintBorder(HDC given) {
    if (!Handle) return;
    RECT w{}, c{};
    GetWindowRect(Handle, &w);
    GetClientRect(Handle, &c);
    WindowRect = TRect(w.left, w.top, w.right, w.bottom);
    RECT r{0, 0, w.right - w.left, w.bottom - w.top};
    HDC dc = given ? given : GetWindowDC(Handle);
    if (!dc) return;
    try {
        if (r.right - c.right >= 2 && r.bottom - c.bottom >= 2) {
            RECT inner = r;
            InflateRect(&inner, -1, -1);
            FrameRect(dc, &inner, static_cast<HBRUSH>(GetCurrentObject(dc, OBJ_BRUSH)));
        }
        FrameWith(dc, r, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
    } catch (...) {
    }
    if (!given) ReleaseDC(Handle, dc);
}

void TSkinEdit::FindSpin() {
    for (HWND child = GetTopWindow(Handle); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const String name = LowerClass(child);
        if (name == "msctls_updown32" || name.find("spin") != String::npos || name.find("updown") != String::npos) {
            UpDown = AttachUpDown(child, SkinData, Form, true, false);
            return;
        }
    }
}

void TSkinEdit::PaintSkin(HDC dc, const TRect& rect) {
    if ((SkinData->SkinControls & SkinBit(xcSpin)) != 0 && !UpDown) FindSpin();
    RECT c{};
    GetClientRect(Handle, &c);
    if (c.right >= rect.Width() || c.bottom >= rect.Height()) return;  // no border: the system's look
    RECT r{rect.Left, rect.Top, rect.Right, rect.Bottom};
    // The edit may have clipped a DC it was given to its client area.
    const int saved = SaveDC(dc);
    SelectClipRgn(dc, nullptr);
    FrameWith(dc, r, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
    for (int i = 0; i < 2; ++i) {
        InflateRect(&r, -1, -1);
        FrameWith(dc, r, RGB(255, 255, 255));
    }
    RestoreDC(dc, saved);
}

// ---- Combo box ----

class TSkinComBox::TEditHook : public TWindowSubclass {
public:
    explicit TEditHook(TSkinComBox* owner) : owner_(owner) {}

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        const LRESULT result = CallPrevious(message, wParam, lParam);
        owner_->EditMessage(message);
        return result;
    }

private:
    TSkinComBox* owner_;
};

TSkinComBox::TSkinComBox(TComponent* owner) : TSkinControl(owner) { Info.cbSize = sizeof Info; }

TSkinComBox::~TSkinComBox() { ReleaseEdit(); }

void TSkinComBox::ReleaseEdit() {
    editHook_.reset();
    if (ListScrollBar) {
        TSkinControl* bar = ListScrollBar;
        ListScrollBar = nullptr;
        if (Form) Form->Skinners().Remove(bar);
        bar->Free();
    }
}

void TSkinComBox::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    AfterAttach();
}

void TSkinComBox::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    AfterAttach();
}

void TSkinComBox::AfterAttach() {
    if (!Handle) return;
    WndStyle = GetWindowLongPtrW(Handle, GWL_STYLE);
    ListScrollBar = nullptr;
    if ((WndStyle & 3) != CBS_SIMPLE) {
        EditWnd = GetTopWindow(Handle);
        if (EditWnd) {
            editHook_ = std::make_unique<TEditHook>(this);
            if (!editHook_->Attach(EditWnd)) editHook_.reset();
        }
        return;
    }
    if (!ComboBoxInfoOf(Handle, Info)) return;
    ListWnd = Info.hwndList;
    if (ListWnd && (GetWindowLongPtrW(ListWnd, GWL_STYLE) & WS_CHILD) && !IsTopLevelPopup(ListWnd)) {
        if (TComponent* bar = CreateComponent("TSkinScrollbarH", nullptr)) {
            ListScrollBar = static_cast<TSkinControl*>(bar);
            ListScrollBar->AttachWindow(ListWnd, SkinData, Form, Canvas);
            if (Form) Form->Skinners().Remove(ListScrollBar);  // this skinner owns it
        }
    }
}

void TSkinComBox::Unskin() {
    ReleaseEdit();
    TSkinControl::Unskin();
}

void TSkinComBox::EditMessage(UINT message) {
    switch (message) {
    case WM_PAINT: PaintWindow(nullptr); break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ButtonState |= bsPressed;
        Redraw();
        break;
    case WM_LBUTTONUP:
        ButtonState &= ~bsPressed;
        Redraw();
        break;
    default: break;
    }
}

void TSkinComBox::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_DRAWITEM:
    case WM_NCPAINT: Redraw(); break;
    case WM_ERASEBKGND:
        // Wine erases a combo box with an edit after its paint: the skin goes on again.
        PaintWindow(reinterpret_cast<HDC>(m.WParam));
        break;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        ButtonState |= bsPressed;
        Redraw();
        break;
    case WM_LBUTTONUP:
        ButtonState &= ~bsPressed;
        Redraw();
        break;
    case CM_MOUSEENTER:
        if (WindowEnabled) ButtonState |= bsHot;
        break;
    case CM_MOUSELEAVE:
        if (WindowEnabled) {
            ButtonState &= ~bsHot;
            Redraw();
        }
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

int TSkinComBox::ButtonFrameNow() {
    WndStyle = GetWindowLongPtrW(Handle, GWL_STYLE);
    WndExStyle = GetWindowLongPtrW(Handle, GWL_EXSTYLE);
    bool pressed = (ButtonState & bsPressed) != 0;
    if (ComboBoxInfoOf(Handle, Info) && (Info.stateButton & STATE_SYSTEM_PRESSED)) pressed = true;
    if (SendMessageW(Handle, CB_GETDROPPEDSTATE, 0, 0)) pressed = true;
    WindowEnabled = (WndStyle & WS_DISABLED) == 0;
    Focused = GetFocus() == Handle || (EditWnd && GetFocus() == EditWnd);
    const bool buttonMode = SkinData->ComboButton && SkinData->ComboButton->Style == 1;
    if (pressed) return 2;
    if (Focused || (ButtonState & bsHot)) return 4;
    if (buttonMode && !WindowEnabled) return 3;
    return 1;
}

void TSkinComBox::PaintSkin(HDC dc, const TRect& rect) {
    TDataSkinObject* button = SkinData->ComboButton.get();
    if (!button || button->Image->Empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
    const int state = ButtonFrameNow();
    const bool leftButton = (WndExStyle & WS_EX_LEFTSCROLLBAR) != 0;
    const int buttonWidth = GetSystemMetrics(SM_CXHSCROLL);
    TRectI b = ComboButtonRect(rect.Width(), rect.Height(), buttonWidth, leftButton);
    if (Info.rcButton.right > Info.rcButton.left) {
        const int x = leftButton ? Info.rcButton.left : std::max<int>(Info.rcButton.left, 0);
        b = {x, Info.rcButton.top, x + (Info.rcButton.right - Info.rcButton.left), Info.rcButton.bottom};
    }
    if (button->Style == 1) {
        b.Bottom = std::max(b.Bottom, b.Top + GetSystemMetrics(SM_CYVTHUMB));
        RECT all{rect.Left, rect.Top, rect.Right, rect.Bottom};
        FrameWith(dc, all, static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
        DrawFrameCell(dc, TRect(b.Left, b.Top, b.Right, b.Bottom), button->FrameCount, state, button->Image);
        return;
    }
    if (button->Style == 2) {
        TDataSkinObject* whole = leftButton && SkinData->SunkEdge ? SkinData->SunkEdge.get() : button;
        DrawElement(dc, rect, whole->FrameCount, state, whole);
    } else {
        if (SkinData->SunkEdge) DrawElement(dc, rect, SkinData->SunkEdge->FrameCount, state, SkinData->SunkEdge.get());
        DrawFrameCell(dc, TRect(b.Left, b.Top, b.Right, b.Bottom), button->FrameCount, state, button->Image);
    }
    TDataSkinObject* extra = SkinData->ExtraImages.get();
    if (extra && !extra->Image->Empty())
        DrawCentred(dc, TRect(b.Left, b.Top, b.Right, b.Bottom), extra->Image, true, extra->FrameCount, state);
}
