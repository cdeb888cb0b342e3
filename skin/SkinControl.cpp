#include "SkinControl.h"

#include "AppSkinForm.h"
#include "SkinBitmapUtils.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"

#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>

using namespace skinrules;

namespace {

RECT ToRect(const TRect& r) { return {r.Left, r.Top, r.Right, r.Bottom}; }

bool Inverted(const TRect& r) { return r.Right < r.Left || r.Bottom < r.Top; }

std::wstring Wide(const String& text) { return ToWide(text); }

// Selects a font into a DC for one scope.
class TFontScope {
public:
    TFontScope(HDC dc, HFONT font) : dc_(dc), old_(font ? SelectObject(dc, font) : nullptr) {}
    ~TFontScope() {
        if (old_) SelectObject(dc_, old_);
    }
    TFontScope(const TFontScope&) = delete;
    TFontScope& operator=(const TFontScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

}  // namespace

// The hook of a foreign window: every message goes to the skinner's procedure.
class TSkinControl::TForeignHook : public TWindowSubclass {
public:
    explicit TForeignHook(TSkinControl* owner) : owner_(owner) {}
    LRESULT Previous(UINT message, WPARAM wParam, LPARAM lParam) { return CallPrevious(message, wParam, lParam); }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        TMessage m{message, wParam, lParam, 0};
        try {
            owner_->WindowProcedure(m);
        } catch (...) {
            // A skinner's fault never reaches another module's window procedure.
        }
        return m.Result;
    }

private:
    TSkinControl* owner_;
};

// ---- Properties by name ----

bool HasProp(TObject* object, const String& name) { return object && GetPropInfo(object, name) != nullptr; }

int GetIntProp(TObject* object, const String& name) {
    const TPropInfo* info = object ? GetPropInfo(object, name) : nullptr;
    if (!info || !info->Get || info->Kind != TPropKind::Integer) return -1;
    return static_cast<int>(GetOrdProp(object, name));
}

String GetEnumPropText(TObject* object, const String& name) {
    const TPropInfo* info = object ? GetPropInfo(object, name) : nullptr;
    if (!info || !info->Get) return String();
    if (info->Kind == TPropKind::Enumeration || info->Kind == TPropKind::Boolean) return GetEnumProp(object, name);
    if (info->Kind == TPropKind::Set) return GetSetProp(object, name);
    return String();
}

String GetWideProp(TObject* object, const String& name) {
    const TPropInfo* info = object ? GetPropInfo(object, name) : nullptr;
    if (!info || !info->Get || info->Kind != TPropKind::String) return String();
    return GetStrProp(object, name);
}

TObject* GetObjProp(TObject* object, const String& name, TClass cls) {
    const TPropInfo* info = object ? GetPropInfo(object, name) : nullptr;
    if (!info || !info->Get || (info->Kind != TPropKind::Class && info->Kind != TPropKind::Component)) return nullptr;
    TObject* value = GetObjectProp(object, name);
    return value && (!cls || value->InheritsFrom(cls)) ? value : nullptr;
}

void SetPropText(TObject* object, const String& name, const String& value) {
    const TPropInfo* info = object ? GetPropInfo(object, name) : nullptr;
    if (!info || !info->Set) return;
    try {
        switch (info->Kind) {
        case TPropKind::Integer: SetOrdProp(object, name, std::stoll(value)); break;
        case TPropKind::Enumeration:
        case TPropKind::Boolean: SetEnumProp(object, name, value); break;
        case TPropKind::String: SetStrProp(object, name, value); break;
        default: break;
        }
    } catch (const std::exception&) {
        // A value the property refuses leaves it as it was.
    }
}

void SendMouseLeave(TSkinControl* skinner) {
    if (skinner && skinner->Handle) SendMessageW(skinner->Handle, CM_MOUSELEAVE, 0, 0);
}

// ---- The list ----

TSkinnerList::~TSkinnerList() { Clear(); }

void TSkinnerList::Add(TSkinControl* skinner) {
    if (std::find(items_.begin(), items_.end(), skinner) == items_.end()) items_.push_back(skinner);
}

void TSkinnerList::Remove(TSkinControl* skinner) {
    items_.erase(std::remove(items_.begin(), items_.end(), skinner), items_.end());
}

void TSkinnerList::Clear() {
    while (!items_.empty()) {
        TSkinControl* s = items_.back();
        items_.pop_back();
        s->FormGone();
        if (s->SkinState != TSkinControl::ssDead) s->Unskin();
        s->Free();
    }
}

void TSkinnerList::RefreshAll() {
    const std::vector<TSkinControl*> copy = items_;
    for (TSkinControl* s : copy)
        if (s->SkinState == TSkinControl::ssAttached) s->RefreshSkin();
}

TSkinControl* TSkinnerList::ForWindow(HWND window) const {
    for (TSkinControl* s : items_)
        if (s->Handle == window && s->SkinState != TSkinControl::ssDead) return s;
    return nullptr;
}

TSkinControl* TSkinnerList::ForControl(const TControl* control) const {
    for (TSkinControl* s : items_)
        if (s->Control == control) return s;
    return nullptr;
}

// ---- TSkinControl ----

TSkinControl::TSkinControl(TComponent* owner) : TComponent(owner) {}

TSkinControl::~TSkinControl() {
    const bool controlGoing = Control && (Control->ComponentState() & csDestroying) != 0;
    if (procedureSaved_ && Control && !controlGoing) GiveProcedureBack();
    procedureSaved_ = false;
    hook_.reset();
    if (Form) {
        Form->SkinnerGone(this);
        Form->Skinners().Remove(this);
    }
}

void TSkinControl::GiveProcedureBack() {
    const TWndMethod mine = Event<&TSkinControl::WindowProcedure>(this);
    if (Control->WindowProc == mine) {
        Control->WindowProc = OldWindowProc;
        return;
    }
    // A newer skinner of the control (its window was made again) calls this one next: it calls
    // the procedure this one saved instead.
    for (int i = 0; i < Control->ComponentCount(); ++i) {
        auto* other = dynamic_cast<TSkinControl*>(Control->Components(i));
        if (other && other != this && other->procedureSaved_ && other->OldWindowProc == mine)
            other->OldWindowProc = OldWindowProc;
    }
}

void TSkinControl::AskForNewSkinner() {
    if (reskinAsked_ || !Form || Form->State == TAppSkinForm::fsDead || Form->State == TAppSkinForm::fsDestroying)
        return;
    auto* w = dynamic_cast<TWinControl*>(Control);
    if (!w || !w->HandleAllocated() || w->WindowHandle() == Handle) return;
    reskinAsked_ = true;
    PostMessageW(Form->Window(), SM_RESKINCONTROL, reinterpret_cast<WPARAM>(Handle), 0);
}

void TSkinControl::Register() {
    if (Form) Form->Skinners().Add(this);
}

void TSkinControl::ApplyParentBackgroundRule(bool attach) {
    if (!SkinData || (SkinData->Options & SkinBit(xoParentBackGround)) != 0 || !Control) return;
    if (!HasProp(Control, "ParentBackground")) return;
    if (attach) {
        String value = GetEnumPropText(Control, "ParentBackground");
        for (char& c : value) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (value == "true") {
            ParentBackOff = true;
            SetPropText(Control, "ParentBackground", "False");
        }
    } else if (ParentBackOff) {
        SetPropText(Control, "ParentBackground", "True");
        ParentBackOff = false;
    }
}

bool TSkinControl::BindOwner(TAppSkinForm* form, TSkinData* skinData, TCanvas* canvas) {
    Form = form;
    SkinData = skinData;
    Canvas = canvas;
    Control = dynamic_cast<TControl*>(Owner());
    return Control != nullptr;
}

void TSkinControl::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    ChangeColor = changeColor;
    if (!BindOwner(form, skinData, canvas)) return;
    if (auto* w = dynamic_cast<TWinControl*>(Control)) Handle = w->Handle();
    Unicode = Handle ? IsWindowUnicode(Handle) != FALSE : true;
    WindowEnabled = Handle ? (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0 : Control->Enabled();
    OldWindowProc = Control->WindowProc;
    Control->WindowProc = Event<&TSkinControl::WindowProcedure>(this);
    procedureSaved_ = true;
    Register();
    if (ChangeColor) {
        ApplyParentBackgroundRule(true);
        SavedColor = Control->Color();
        Control->SetColor(SkinData->ButtonFace);
    }
    if (ParentBackOff) DrawParentBack = true;
    Control->Invalidate();
    Attached = true;
    SkinState = ssAttached;
}

void TSkinControl::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    if (Attached) return;
    Handle = window;
    SkinData = skinData;
    Form = form;
    Canvas = canvas;
    WindowEnabled = true;
    DrawParentBack = false;
    Register();
    Unicode = IsWindowUnicode(window) != FALSE;
    Text = WindowText();
    hook_ = std::make_unique<TForeignHook>(this);
    if (!hook_->Attach(window)) {
        hook_.reset();
        return;
    }
    InvalidateRect(window, nullptr, TRUE);
    Attached = true;
    SkinState = ssAttached;
}

void TSkinControl::Unskin() {
    if (ChangeColor && Control && (Control->ComponentState() & csDestroying) == 0) {
        ApplyParentBackgroundRule(false);
        Control->SetColor(SavedColor);
    }
}

void TSkinControl::RefreshSkin() {
    if (ChangeColor && Control) Control->SetColor(SkinData->ButtonFace);
    Redraw();
}

void TSkinControl::WindowProcedure(TMessage& m) {
    if (SkinState == ssDead) {
        // The control has a new window: the form skinner gives it a new skinner.
        AskForNewSkinner();
        CallDefault(m);
        return;
    }
    if (m.Msg == SM_SKINDRAWING) {
        Enabled = m.WParam > 0;
        if (Enabled) Redraw();
        return;
    }
    if (!Enabled) {
        CallDefault(m);
        return;
    }
    if (BeforeMessage(m)) {
        CallDefault(m);
        AfterMessage(m);
    }
    NoteHotState();
}

void TSkinControl::NoteHotState() {
    // Only foreign windows: a control of this program hears CM_MOUSELEAVE from the class library.
    if (Control || !Form || SkinState != ssAttached) return;
    if (ButtonState & bsHot) Form->HotSkinner = this;
    else Form->SkinnerGone(this);
}

void TSkinControl::LoseHot() {
    if ((ButtonState & bsHot) == 0) return;
    ButtonState &= ~bsHot;
    Redraw();
}

void TSkinControl::CallDefault(TMessage& m) {
    if (procedureSaved_) {
        if (OldWindowProc) OldWindowProc(m);
        return;
    }
    if (hook_ && hook_->Attached()) m.Result = hook_->Previous(m.Msg, m.WParam, m.LParam);
    else if (Handle && IsWindow(Handle)) m.Result = DefWindowProcW(Handle, m.Msg, m.WParam, m.LParam);
}

bool TSkinControl::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_NCDESTROY:
        CallDefault(m);
        Enabled = false;
        SkinState = ssDead;
        Unskin();
        return false;
    case SM_ISSKINNED:
        m.Result = 1;
        return false;
    default: return true;
    }
}

void TSkinControl::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
    case WM_SETTEXT:
    case CM_ENABLEDCHANGED: Redraw(); break;
    case WM_PAINT: PaintWindow(reinterpret_cast<HDC>(m.WParam)); break;
    default: break;
    }
}

void TSkinControl::Redraw() {
    if (PaintControl) {
        PaintControl->Invalidate();
        return;
    }
    if (!Handle || !IsWindow(Handle)) return;
    InvalidateRect(Handle, nullptr, TRUE);
    UpdateWindow(Handle);
}

void TSkinControl::PaintWindow(HDC dc) {
    if (!Handle || !IsWindow(Handle)) return;
    RECT w{};
    GetWindowRect(Handle, &w);
    WindowRect = TRect(w.left, w.top, w.right, w.bottom);
    const TRect r(0, 0, w.right - w.left, w.bottom - w.top);
    try {
        if (dc) {
            PaintSkin(dc, r);
        } else {
            HDC windowDc = GetWindowDC(Handle);
            if (!windowDc) return;
            PaintSkin(windowDc, r);
            ReleaseDC(Handle, windowDc);
        }
    } catch (...) {
        // A fault while painting leaves the control as it was drawn.
    }
}

void TSkinControl::PaintMessage(TMessage& m) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    PAINTSTRUCT ps{};
    const bool began = dc == nullptr;
    if (began) dc = BeginPaint(Handle, &ps);
    RECT w{};
    GetWindowRect(Handle, &w);
    WindowRect = TRect(w.left, w.top, w.right, w.bottom);
    try {
        if (dc) PaintSkin(dc, TRect(0, 0, w.right - w.left, w.bottom - w.top));
    } catch (...) {
    }
    if (began) EndPaint(Handle, &ps);
    m.Result = 0;
}

void TSkinControl::EraseParentBack(TMessage& m) {
    HDC dc = reinterpret_cast<HDC>(m.WParam);
    if (Control) {
        PaintParentBackground(Control, dc);
    } else {
        RECT c{};
        GetClientRect(Handle, &c);
        FillParent(dc, TRect(c.left, c.top, c.right, c.bottom));
    }
    m.Result = 1;
}

void TSkinControl::FillColor(HDC dc, const TRect& rect, TColor color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color)));
    const RECT r = ToRect(rect);
    FillRect(dc, &r, brush);
    DeleteObject(brush);
}

void TSkinControl::FillFace(HDC dc, const TRect& rect) { FillColor(dc, rect, SkinData ? SkinData->ButtonFace : clBtnFace); }

void TSkinControl::FillParent(HDC dc, const TRect& rect) {
    if (Control && Control->Parent()) FillColor(dc, rect, Control->Parent()->Color());
    else FillFace(dc, rect);
}

void TSkinControl::DrawFocusText(HDC dc, UINT flags, const TRect& rect) {
    const std::wstring text = Wide(Text);
    RECT calc = ToRect(rect);
    DrawTextW(dc, text.c_str(), -1, &calc, flags | DT_CALCRECT | DT_NOCLIP);
    const int w = calc.right - calc.left, h = calc.bottom - calc.top;
    RECT box{rect.Left, rect.Top, rect.Left + w, rect.Top + h};
    if (flags & DT_CENTER) OffsetRect(&box, (rect.Width() - w) / 2, 0);
    else if (flags & DT_RIGHT) OffsetRect(&box, rect.Width() - w, 0);
    InflateRect(&box, 2, 1);
    RECT clip = ToRect(rect);
    IntersectRect(&box, &box, &clip);
    DrawFocusRect(dc, &box);
}

void TSkinControl::DrawElement(HDC dc, const TRect& rect, int frameCount, int frame, TDataSkinObject* element) {
    if (Inverted(rect) || !element || !element->Image || element->Image->Empty()) return;
    DrawFitted(dc, rect, element->Image, false, element->Tile == 1, element->Trans == 1, frameCount, frame,
               element->Margins());
}

void TSkinControl::DrawFrameCell(HDC dc, const TRect& rect, int frameCount, int frame, TBitmap* bitmap) {
    if (Inverted(rect) || !bitmap || bitmap->Empty()) return;
    DrawFrame(dc, rect, bitmap, true, frameCount, frame);
}

void TSkinControl::DrawCaption(HDC dc, const TRect& rect, UINT align, bool enabled, const String& text) {
    const std::wstring wide = Wide(text);
    SetBkMode(dc, TRANSPARENT);
    RECT calc = ToRect(rect);
    DrawTextW(dc, wide.c_str(), -1, &calc, align | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS);
    const int h = calc.bottom - calc.top, w = calc.right - calc.left;
    RECT r{rect.Left, rect.Top + (rect.Height() - h) / 2, rect.Right, rect.Top + (rect.Height() - h) / 2 + h};
    if (align & DT_CENTER) {
        r.left = rect.Left + (rect.Width() - w) / 2;
        r.right = r.left + w;
    }
    if (!enabled) SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clGrayText)));
    DrawTextW(dc, wide.c_str(), -1, &r, align | DT_EXPANDTABS);
}

void TSkinControl::DrawImageText(HDC dc, const TRect& rect, int align, const String& text, int imageIndex,
                                 HIMAGELIST images) {
    constexpr UINT flags = DT_SINGLELINE | DT_EXPANDTABS | DT_END_ELLIPSIS;
    const std::wstring wide = Wide(text);
    int iw = 0, ih = 0;
    const bool image = images && imageIndex != -1 && ImageList_GetIconSize(images, &iw, &ih) && iw < rect.Width();
    if (!image) iw = ih = 0;
    RECT calc{0, 0, std::max(rect.Width() - iw, 0), rect.Height()};
    DrawTextW(dc, wide.c_str(), -1, &calc, flags | DT_CALCRECT);
    const int tw = std::min<int>(calc.right - calc.left, std::max(rect.Width() - iw, 0));
    int x = 3;
    if (align == 1) x = (rect.Width() - iw - tw) / 2;
    else if (align == 2) x = rect.Width() - iw - tw - 2;
    if (x < 2) x = 1;
    x += rect.Left;
    if (image) ImageList_Draw(images, imageIndex, dc, x, rect.Top + (rect.Height() - ih) / 2, ILD_TRANSPARENT);
    SetBkMode(dc, TRANSPARENT);
    if (Handle && (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED))
        SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(clGrayText)));
    RECT r{x + iw, rect.Top, std::min(x + iw + tw, rect.Right), rect.Bottom};
    DrawTextW(dc, wide.c_str(), -1, &r, flags | DT_VCENTER);
}

bool TSkinControl::IsTopLevelPopup(HWND window) {
    return (GetWindowLongPtrW(window, GWL_STYLE) & WS_POPUP) != 0 || GetParent(window) == GetDesktopWindow();
}

HFONT TSkinControl::WindowFont() const {
    HFONT font = Handle ? reinterpret_cast<HFONT>(SendMessageW(Handle, WM_GETFONT, 0, 0)) : nullptr;
    if (!font && Control) font = Control->Font()->Handle();
    return font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

String TSkinControl::WindowText() const {
    if (!Handle) return Control ? Control->Caption() : String();
    const int length = GetWindowTextLengthW(Handle);
    std::wstring text(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
    const int got = GetWindowTextW(Handle, text.data(), length + 1);
    return FromWide(text.data(), static_cast<std::size_t>(std::max(got, 0)));
}

TColor TSkinControl::TextColourForFrame(int frame, TColor fallback) const {
    const TDataSkinButton* b = SkinData ? SkinData->Buttons.get() : nullptr;
    if (frame == 3) return clGrayText;
    if (!b) return fallback;
    if (frame == 1 && b->NormalColour2Given) return b->NormalColour2;
    if (frame == 4 && b->MouseOverColour2Given) return b->MouseOverColour2;
    if (frame == 2 && b->PressedColour2Given) return b->PressedColour2;
    return fallback;
}

void TSkinControl::DrawButtonText(HDC dc, const TRect& rect, UINT align, const String& caption) {
    const std::wstring text = Wide(CaptionLines(caption));
    RECT inner{rect.Left + 2, rect.Top + 2, rect.Right - 2, rect.Bottom - 2};
    RECT calc = inner;
    DrawTextW(dc, text.c_str(), -1, &calc, align | DT_CALCRECT | DT_NOCLIP | DT_EXPANDTABS | DT_WORDBREAK);
    const int w = calc.right - calc.left, h = calc.bottom - calc.top;
    RECT box{inner.left, inner.top + (inner.bottom - inner.top - h) / 2, inner.right, 0};
    if (align == DT_CENTER) {
        box.left = inner.left + (inner.right - inner.left - w) / 2;
        box.right = box.left + w;
    }
    box.bottom = box.top + h;
    SetBkMode(dc, TRANSPARENT);
    // Drawn across the whole width: a box of exactly the measured width may wrap its last letter.
    RECT draw{inner.left, box.top, inner.right, box.bottom};
    DrawTextW(dc, text.c_str(), -1, &draw, align | DT_EXPANDTABS | DT_WORDBREAK);
    if (Focused && !text.empty() && SkinData && (SkinData->Options & SkinBit(xoNoFocusRect)) == 0) {
        InflateRect(&box, 2, 2);
        DrawFocusRect(dc, &box);
    }
}

// ---- TSkinButton ----

TSkinButton::TSkinButton(TComponent* owner) : TSkinControl(owner), Buffer(std::make_unique<TBitmap>()) {
    Buffer->SetPixelFormat(pf24bit);
}

TSkinButton::~TSkinButton() = default;

void TSkinButton::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (!Control) return;
    String name = Control->ClassName();
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    DrawParentBack = name.rfind("trz", 0) == 0 || name.rfind("tel", 0) == 0;
    Transparent = Control->Tag() == 5555 || (skinData->Options & SkinBit(xoTransparent)) != 0;
}

void TSkinButton::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    Transparent = (skinData->Options & SkinBit(xoTransparent)) != 0;
}

bool TSkinButton::Enabled3() const { return Handle && (GetWindowLongPtrW(Handle, GWL_STYLE) & WS_DISABLED) == 0; }

void TSkinButton::PaintNow() {
    if (!Handle || !IsWindow(Handle)) return;
    HDC dc = GetDC(Handle);
    if (!dc) return;
    RECT w{};
    GetWindowRect(Handle, &w);
    WindowRect = TRect(w.left, w.top, w.right, w.bottom);
    try {
        PaintSkin(dc, TRect(0, 0, w.right - w.left, w.bottom - w.top));
    } catch (...) {
    }
    ReleaseDC(Handle, dc);
}

const String& TSkinButton::KeptText() {
    if (!textKept_) {
        keptText_ = WindowText();
        textKept_ = true;
    }
    return keptText_;
}

HFONT TSkinButton::KeptFont() {
    if (!fontKept_) {
        keptFont_ = WindowFont();
        fontKept_ = true;
    }
    return keptFont_;
}

bool TSkinButton::BeforeMessage(TMessage& m) {
    const bool face = SkinData && SkinData->Buttons && !SkinData->Buttons->Image->Empty();
    // A paint while the button's own procedure takes the new text or font reads them afresh.
    if (m.Msg == WM_SETTEXT) textKept_ = false;
    if (m.Msg == WM_SETFONT) fontKept_ = false;
    switch (m.Msg) {
    case WM_PAINT:
        // Without a button picture in the skin the button keeps its own painting.
        if (!face) break;
        PaintMessage(m);
        return false;
    case WM_ERASEBKGND:
        if (!face) break;
        m.Result = 1;
        return false;
    case WM_TIMER:
        KillTimer(Handle, 1);
        return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != Handle) SetFocus(Handle);
        ButtonState |= bsPressed;
        PaintNow();
        return false;
    default: break;
    }
    return TSkinControl::BeforeMessage(m);
}

void TSkinButton::PostClick() {
    HWND parent = GetParent(Handle);
    if (!parent) return;
    if (Control) {
        PostMessageW(parent, WM_COMMAND, 0, reinterpret_cast<LPARAM>(Handle));
        return;
    }
    String name = WindowClassName(Handle);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const WPARAM id = name == "tbutton" ? 0 : MAKEWPARAM(GetDlgCtrlID(Handle), BN_CLICKED);
    PostMessageW(parent, WM_COMMAND, id, reinterpret_cast<LPARAM>(Handle));
}

void TSkinButton::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_SETTEXT:
        textKept_ = false;
        PaintNow();
        break;
    case WM_SETFONT: fontKept_ = false; break;
    case WM_KEYDOWN:
        if (m.WParam == VK_SPACE) {
            ButtonState |= bsPressed;
            Redraw();
        }
        break;
    case WM_KEYUP:
        if (m.WParam == VK_SPACE) {
            ButtonState &= ~bsPressed;
            Redraw();
        }
        break;
    case WM_MOUSEMOVE:
        if (WindowEnabled && (ButtonState & bsHot) == 0) {
            ButtonState |= bsHot;
            Redraw();
        }
        TrackMouseLeave(Handle);
        break;
    case WM_LBUTTONUP:
        if (ButtonState & bsPressed) {
            ButtonState &= ~bsPressed;
            Redraw();
            PostClick();
        }
        break;
    case WM_MOUSELEAVE:
        ButtonState &= ~(bsHot | bsPressed);
        Redraw();
        break;
    case CM_DIALOGKEY:
    case CM_FOCUSCHANGED: Redraw(); break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

bool TSkinButton::PaintFace(const TRect& rect, int frame) {
    TDataSkinButton* element = SkinData ? SkinData->Buttons.get() : nullptr;
    if (!element || element->Image->Empty() || rect.Width() <= 0 || rect.Height() <= 0) return false;
    Buffer->SetSize(rect.Width(), rect.Height());
    HDC dc = Buffer->Canvas()->Handle();
    const TRect all(0, 0, rect.Width(), rect.Height());
    if (Transparent && Control) PaintParentBackground(Control, dc);
    else if (Transparent) FillParent(dc, all);
    else FillFace(dc, all);
    DrawElement(dc, all, element->FrameCount, frame, element);
    return true;
}

void TSkinButton::CopyBuffer(HDC dc, const TRect& rect) {
    GdiFlush();
    BitBlt(dc, rect.Left, rect.Top, rect.Width(), rect.Height(), Buffer->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TSkinButton::PaintSkin(HDC dc, const TRect& rect) {
    Focused = HasFocus();
    WindowEnabled = Enabled3();
    const int frame = ButtonFrame((ButtonState & bsPressed) != 0, (ButtonState & bsHot) != 0, Focused, WindowEnabled);
    if (!PaintFace(rect, frame)) return;
    HDC bdc = Buffer->Canvas()->Handle();
    {
        TFontScope font(bdc, KeptFont());
        const TColor fallback = Control ? Control->Font()->Color() : (SkinData ? SkinData->ButtonText : clBtnText);
        SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(TextColourForFrame(frame, fallback))));
        DrawButtonText(bdc, TRect(0, 0, rect.Width(), rect.Height()), DT_CENTER, KeptText());
    }
    CopyBuffer(dc, rect);
}

// ---- TSkinBitButton ----

void TSkinBitButton::PaintBitFace(HDC bdc, const TRect& all, int state, bool enabled, bool focused, int glyphCell) {
    TObject* obj = Control;
    TFont* font = dynamic_cast<TFont*>(GetObjProp(obj, "Font", nullptr));
    TFontScope fontScope(bdc, font ? font->Handle() : WindowFont());
    const TColor fallback = font ? font->Color() : (SkinData ? SkinData->ButtonText : clBtnText);
    SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(TextColourForFrame(state, fallback))));
    SetBkMode(bdc, TRANSPARENT);

    TBitmap* glyph = GraphicProp.empty() ? dynamic_cast<TBitmap*>(GetObjProp(obj, "Glyph", nullptr)) : nullptr;
    if (glyph && glyph->Empty()) glyph = nullptr;
    int numGlyphs = GetIntProp(obj, "NumGlyphs");
    if (numGlyphs < 1) numGlyphs = 1;
    auto* images = GraphicProp.empty() ? dynamic_cast<TCustomImageList*>(GetObjProp(obj, "Images", nullptr)) : nullptr;
    const int imageIndex = HasProp(obj, "ImageIndex") ? GetIntProp(obj, "ImageIndex") : -1;
    int margin = HasProp(obj, "Margin") ? GetIntProp(obj, "Margin") : -1;
    // Without the property the class library's default spacing applies.
    int spacing = HasProp(obj, "Spacing") ? GetIntProp(obj, "Spacing") : 4;
    String layoutText = GetEnumPropText(obj, "Layout");
    for (char& c : layoutText) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    int layout = 0;
    if (layoutText == "blglyphright") layout = 1;
    else if (layoutText == "blglyphtop") layout = 2;
    else if (layoutText == "blglyphbottom") layout = 3;
    String alignment = GetEnumPropText(obj, "Alignment");
    for (char& c : alignment) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));

    int gw = 0, gh = 0;
    if (glyph) {
        gw = glyph->Width() / numGlyphs;
        gh = glyph->Height();
    } else if (images && imageIndex != -1) {
        gw = images->Width();
        gh = images->Height();
    }
    const String caption = CaptionLines(HasProp(obj, "Caption") ? GetWideProp(obj, "Caption") : WindowText());
    const std::wstring text = Wide(caption);
    RECT calc{2, 2, all.Right - 2, all.Bottom - 2};
    if (layout <= 1) calc.right -= gw + 2;
    else calc.bottom -= gh + 2;
    if (!text.empty()) DrawTextW(bdc, text.c_str(), -1, &calc, DT_CALCRECT | DT_WORDBREAK);
    const int tw = text.empty() ? 0 : calc.right - calc.left, th = text.empty() ? 0 : calc.bottom - calc.top;
    TButtonLayoutInput in;
    in.Layout = layout;
    in.Width = all.Width();
    in.Height = all.Height();
    in.GlyphWidth = gw;
    in.GlyphHeight = gh;
    in.TextWidth = tw;
    in.TextHeight = th;
    in.Margin = margin;
    in.Spacing = spacing;
    in.AlignCentre = alignment == "tacenter";
    const TButtonLayoutResult place = LayoutButton(in);

    if (glyph) {
        const TRect cell = FrameCell(glyph, false, numGlyphs, glyphCell);
        TBitmap picture;
        picture.SetPixelFormat(pf24bit);
        picture.SetSize(gw, gh);
        BitBlt(picture.Canvas()->Handle(), 0, 0, gw, gh, glyph->Canvas()->Handle(), cell.Left, cell.Top, SRCCOPY);
        GdiFlush();
        if (!enabled) Grayscale(&picture);
        const TColor key = static_cast<TColor>(GetPixel(glyph->Canvas()->Handle(), 0, glyph->Height() - 1));
        TransparentDraw(bdc, TRect(place.Glyph.X, place.Glyph.Y, place.Glyph.X + gw, place.Glyph.Y + gh), &picture,
                        key);
    } else if (images && imageIndex != -1) {
        int index = imageIndex;
        if (!enabled) {
            const int disabled = HasProp(obj, "DisabledIndex") ? GetIntProp(obj, "DisabledIndex") : -1;
            if (disabled != -1) index = disabled;
        }
        ImageList_DrawEx(reinterpret_cast<HIMAGELIST>(images->Handle()), index, bdc, place.Glyph.X, place.Glyph.Y, 0,
                         0, CLR_NONE, CLR_NONE, enabled ? ILD_TRANSPARENT : (ILD_TRANSPARENT | ILD_BLEND50));
    } else if (!GraphicProp.empty()) {
        if (auto* graphic = dynamic_cast<TGraphic*>(GetObjProp(obj, GraphicProp, nullptr))) {
            TCanvas canvas;
            canvas.SetHandle(bdc);
            canvas.Draw(0, 0, graphic);
            canvas.SetHandle(nullptr);
        }
    }
    if (!text.empty()) {
        RECT r{place.Text.Left, place.Text.Top, place.Text.Right, place.Text.Bottom};
        UINT flags = DT_WORDBREAK;
        if (layout == 1) flags |= DT_RIGHT;
        else if (layout >= 2) flags |= DT_CENTER;
        RECT draw = r;
        InflateRect(&draw, 2, 0);  // room against wrapping the last letter
        if (layout == 0) OffsetRect(&draw, 2, 0);
        if (layout == 1) OffsetRect(&draw, -2, 0);
        DrawTextW(bdc, text.c_str(), -1, &draw, flags);
        if (focused && SkinData && (SkinData->Options & SkinBit(xoNoFocusRect)) == 0) {
            InflateRect(&r, 2, 2);
            DrawFocusRect(bdc, &r);
        }
    }
}

void TSkinBitButton::PaintSkin(HDC dc, const TRect& rect) {
    Focused = HasFocus();
    WindowEnabled = Enabled3();
    const bool pressed = (ButtonState & bsPressed) != 0;
    const int state = ButtonFrame(pressed, (ButtonState & bsHot) != 0, Focused, WindowEnabled);
    if (!PaintFace(rect, state)) return;
    PaintBitFace(Buffer->Canvas()->Handle(), TRect(0, 0, rect.Width(), rect.Height()), state, WindowEnabled, Focused,
                 GlyphCell(pressed, WindowEnabled, false, std::max(GetIntProp(Control, "NumGlyphs"), 1)));
    CopyBuffer(dc, rect);
}

// ---- TSkinSpeedButton ----

void TSkinSpeedButton::AttachGraphic(TAppSkinForm* form, TSkinData* skinData, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachControl(form, skinData, false, canvas);
    if (!Control) return;
    PaintControl = Control;
    Transparent = Control->Tag() == 5555 || (skinData->Options & SkinBit(xoTransparent)) != 0;
}

void TSkinSpeedButton::Repaint() {
    if (!Control) return;
    Control->Invalidate();
    if (Control->Parent()) Control->Parent()->Update();
}

bool TSkinSpeedButton::BeforeMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT:
        if (m.WParam) {
            PaintOn(reinterpret_cast<HDC>(m.WParam));
            m.Result = 1;
            return false;
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        CallDefault(m);
        ButtonState |= bsPressed;
        Repaint();
        return false;
    case WM_LBUTTONUP: return true;
    case WM_ERASEBKGND: return true;
    case WM_NCDESTROY: return true;
    default: return TSkinButton::BeforeMessage(m);
    }
}

void TSkinSpeedButton::AfterMessage(TMessage& m) {
    switch (m.Msg) {
    case WM_ENABLE:
    case CM_FOCUSCHANGED:
    case CM_ENABLEDCHANGED: break;
    case WM_KEYDOWN:
    case WM_KEYUP:
        if (m.WParam == VK_SPACE) {
            if (m.Msg == WM_KEYDOWN) ButtonState |= bsPressed;
            else ButtonState &= ~bsPressed;
            Repaint();
        }
        break;
    case WM_LBUTTONUP:
        ButtonState &= ~bsPressed;
        Repaint();
        break;
    case CM_MOUSEENTER:
        ButtonState |= bsHot;
        Repaint();
        break;
    case CM_MOUSELEAVE:
        ButtonState &= ~(bsHot | bsPressed);
        if (Control && Control->Visible()) Repaint();
        break;
    case WM_MOUSEMOVE:
    case WM_MOUSELEAVE: break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

void TSkinSpeedButton::PaintWindow(HDC dc) {
    if (dc) PaintOn(dc);
    else Repaint();
}

void TSkinSpeedButton::PaintOn(HDC dc) {
    if (Painting || !Control) return;
    Painting = true;
    try {
        const TRect rect(0, 0, Control->Width(), Control->Height());
        String enabledText = GetEnumPropText(Control, "Enabled");
        for (char& c : enabledText) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool enabled = enabledText.empty() ? Control->Enabled() : enabledText == "true";
        String down = GetEnumPropText(Control, "Down");
        for (char& c : down) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        const bool isDown = down == "true";
        const bool pressed = (ButtonState & bsPressed) != 0;
        int state = !enabled ? 3 : (pressed || isDown) ? 2 : (ButtonState & bsHot) ? 4 : 1;
        if (PaintFace(rect, state)) {
            HDC bdc = Buffer->Canvas()->Handle();
            TBitmap* glyph = dynamic_cast<TBitmap*>(GetObjProp(Control, "Glyph", nullptr));
            if (glyph && !glyph->Empty()) {
                PaintBitFace(bdc, rect, state, enabled, false,
                             GlyphCell(pressed, enabled, isDown, std::max(GetIntProp(Control, "NumGlyphs"), 1)));
            } else {
                TFont* font = Control->Font();
                TFontScope scope(bdc, font->Handle());
                SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(TextColourForFrame(state, font->Color()))));
                Focused = false;
                DrawButtonText(bdc, rect, DT_CENTER, Control->Caption());
            }
            CopyBuffer(dc, rect);
        }
    } catch (...) {
    }
    Painting = false;
}

// ---- TSkinMenuButton ----

void TSkinMenuButton::PaintSkin(HDC dc, const TRect& rect) {
    Focused = HasFocus();
    WindowEnabled = Enabled3();
    const int state = ButtonFrame((ButtonState & bsPressed) != 0, (ButtonState & bsHot) != 0, Focused, WindowEnabled);
    if (!PaintFace(rect, state)) return;
    HDC bdc = Buffer->Canvas()->Handle();
    const TRect all(0, 0, rect.Width(), rect.Height());
    {
        TFont* font = dynamic_cast<TFont*>(GetObjProp(Control, "Font", nullptr));
        TFontScope scope(bdc, font ? font->Handle() : WindowFont());
        const TColor fallback = font ? font->Color() : (SkinData ? SkinData->ButtonText : clBtnText);
        SetTextColor(bdc, static_cast<COLORREF>(ColorToRGB(TextColourForFrame(state, fallback))));
        const String caption = HasProp(Control, "Caption") ? GetWideProp(Control, "Caption") : WindowText();
        DrawButtonText(bdc, all, DT_CENTER, caption);
    }
    const int w = rect.Width(), h = rect.Height();
    const POINT arrow[3] = {{w - 12, h / 2 + 2}, {w - 15, h / 2 - 1}, {w - 9, h / 2 - 1}};
    const COLORREF colour = static_cast<COLORREF>(ColorToRGB(WindowEnabled ? clWindowText : clGrayText));
    HBRUSH brush = CreateSolidBrush(colour);
    HPEN pen = CreatePen(PS_SOLID, 1, colour);
    HGDIOBJ oldBrush = SelectObject(bdc, brush), oldPen = SelectObject(bdc, pen);
    Polygon(bdc, arrow, 3);
    SelectObject(bdc, oldBrush);
    SelectObject(bdc, oldPen);
    DeleteObject(brush);
    DeleteObject(pen);
    CopyBuffer(dc, rect);
}
