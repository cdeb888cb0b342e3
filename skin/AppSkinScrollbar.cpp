#include "AppSkinScrollbar.h"

#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "SkinImageDraw.h"
#include "SkinManage.h"
#include "SkinSmallControls.h"

#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>

using namespace skinrules;

namespace {

constexpr wchar_t OverlayClass[] = L"TWScrollbar";
constexpr LONG StateInvisible = 0x8000;   // STATE_SYSTEM_INVISIBLE
constexpr LONG StateUnavailable = 0x0001; // STATE_SYSTEM_UNAVAILABLE

using TGetScrollBarInfo = BOOL(WINAPI*)(HWND, LONG, PSCROLLBARINFO);

TGetScrollBarInfo ScrollBarInfoFunction() {
    static const auto function = reinterpret_cast<TGetScrollBarInfo>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetScrollBarInfo")));
    return function;
}

bool RegisterOverlay() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = OverlayClass;
        return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

bool Usable(const TDataSkinObject* e) { return e && e->Image && !e->Image->Empty(); }

}  // namespace

bool HasScrollBarInfo() { return ScrollBarInfoFunction() != nullptr; }

// ---- TWScrollbar ----

TWScrollbar::TWScrollbar(TSkinData* data) : data_(data), arrowSize_(GetSystemMetrics(SM_CXHSCROLL)) {}

TWScrollbar::~TWScrollbar() {
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool TWScrollbar::AttachToWindow(HWND target, int mode) {
    if (window_ || !IsWindow(target) || !HasScrollBarInfo() || !RegisterOverlay()) return false;
    HWND parent = GetParent(target);
    if (!parent) return false;
    target_ = target;
    mode_ = mode;
    vertical_ = mode == mdVertical ||
                (mode == mdControl && (GetWindowLongW(target, GWL_STYLE) & SBS_VERT) != 0);
    window_ = CreateWindowExW(WS_EX_TOOLWINDOW, OverlayClass, L"", WS_CHILD | WS_CLIPSIBLINGS, 0, 0, 0, 0, parent,
                              nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure));
    Place();
    return true;
}

bool TWScrollbar::ReadBar(RECT& bar, TThumb& thumb, bool& enabled) const {
    if (!IsWindow(target_) || (GetWindowLongW(target_, GWL_STYLE) & WS_VISIBLE) == 0) return false;
    if (mode_ == mdControl) {
        GetWindowRect(target_, &bar);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_TRACKPOS;
        if (!GetScrollInfo(target_, SB_CTL, &info)) return false;
        const int length = vertical_ ? bar.bottom - bar.top : bar.right - bar.left;
        const int arrow = ScrollArrowLength(length, arrowSize_);
        thumb = ControlThumb(length, arrow, info.nMin, info.nMax, info.nPos, static_cast<int>(info.nPage));
        enabled = IsWindowEnabled(target_) != FALSE;
        return true;
    }
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    if (!ScrollBarInfoFunction()(target_, mode_ == mdHorizontal ? OBJID_HSCROLL : OBJID_VSCROLL, &info)) return false;
    if ((info.rgstate[0] & StateInvisible) != 0) return false;
    bar = info.rcScrollBar;
    if (bar.right <= bar.left || bar.bottom <= bar.top) return false;
    // Wine marks only the arrows of a disabled bar (and nothing of a disabled window).
    enabled = (info.rgstate[0] & StateUnavailable) == 0 &&
              !((info.rgstate[1] & StateUnavailable) != 0 && (info.rgstate[5] & StateUnavailable) != 0) &&
              IsWindowEnabled(target_) != FALSE;
    thumb.Start = info.xyThumbTop;
    thumb.End = info.xyThumbBottom;
    thumb.Shown = enabled && thumb.End > thumb.Start;
    return true;
}

void TWScrollbar::Hide() {
    if (window_) ShowWindow(window_, SW_HIDE);
    shown_ = false;
}

void TWScrollbar::Place() {
    RECT bar{};
    TThumb thumb;
    bool enabled = false;
    if (!window_ || !ReadBar(bar, thumb, enabled)) {
        Hide();
        return;
    }
    barLength_ = vertical_ ? bar.bottom - bar.top : bar.right - bar.left;
    if (!Pressing) thumb_ = thumb;
    MapWindowPoints(nullptr, GetParent(window_), reinterpret_cast<POINT*>(&bar), 2);
    HWND above = GetWindow(target_, GW_HWNDPREV);
    if (above == window_) above = GetWindow(window_, GW_HWNDPREV);
    SetWindowPos(window_, above ? above : HWND_TOP, bar.left, bar.top, bar.right - bar.left, bar.bottom - bar.top,
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    shown_ = true;
    Repaint();
}

void TWScrollbar::Repaint() {
    if (!window_ || !shown_) return;
    InvalidateRect(window_, nullptr, FALSE);
    UpdateWindow(window_);
}

int TWScrollbar::HitZone(POINT p) const {
    return ScrollHitZone(vertical_ ? p.y : p.x, barLength_, ScrollArrowLength(barLength_, arrowSize_),
                         thumb_.Shown ? thumb_.Start : 0, thumb_.Shown ? thumb_.End : 0);
}

void TWScrollbar::PaintTo(HDC dc) {
    const TDataSkinObject* arrows = data_->ScrollbarArrows.get();
    if (!Usable(arrows)) return;
    RECT bar{};
    TThumb thumb;
    bool enabled = false;
    if (!ReadBar(bar, thumb, enabled)) {
        Hide();
        return;
    }
    const int w = bar.right - bar.left, h = bar.bottom - bar.top;
    barLength_ = vertical_ ? h : w;
    const int length = barLength_, thick = vertical_ ? w : h;
    if (Pressing && HotZone == ZoneThumb && mode_ != mdControl) {
        POINT now{};
        GetCursorPos(&now);
        thumb = DragThumb(pressThumb_, vertical_ ? now.y - pressPoint_.y : now.x - pressPoint_.x, length, arrowSize_);
    }
    thumb_ = thumb;
    auto rect = [&](int from, int to) { return vertical_ ? TRect(0, from, thick, to) : TRect(from, 0, to, thick); };

    TBitmap buffer;
    buffer.SetPixelFormat(pf24bit);
    buffer.SetSize(w, h);
    HDC b = buffer.Canvas()->Handle();
    HBRUSH face = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(data_->ButtonFace)));
    const RECT all{0, 0, w, h};
    FillRect(b, &all, face);
    DeleteObject(face);

    const int arrow = ScrollArrowLength(length, arrowSize_);
    const TDataSkinObject* track = vertical_ ? data_->VertScroll.get() : data_->HorzScroll.get();
    if (Usable(track) && length >= 2 * arrowSize_)
        DrawFitted(b, rect(arrow, length - arrow), track->Image, false, track->Tile == 1, track->Trans == 1,
                   track->FrameCount, enabled ? 1 : 3, track->Margins());
    for (int second = 0; second < 2; ++second) {
        const bool under = HotZone == (second ? ZoneSecondArrow : ZoneFirstArrow);
        const int frame = ScrollArrowFrame(vertical_, second != 0, under, Pressing);
        DrawFrame(b, second ? rect(length - arrow, length) : rect(0, arrow), arrows->Image, arrows->Trans == 1,
                  arrows->FrameCount, frame);
    }
    const TDataSkinObject* thumbElement = vertical_ ? data_->VertScrollThumb.get() : data_->HorzScrollThumb.get();
    if (enabled && thumb.Shown && thumb.Start >= 0 && thumb.End <= length) {
        const bool onThumb = HotZone == ZoneThumb;
        if (Usable(thumbElement))
            DrawFitted(b, rect(thumb.Start, thumb.End), thumbElement->Image, false, thumbElement->Tile == 1,
                       thumbElement->Trans == 1, thumbElement->FrameCount, onThumb ? (Pressing ? 2 : 3) : 1,
                       thumbElement->Margins());
        const int grip = arrows->Image->Height();
        if (thumb.End - thumb.Start > grip + 2) {
            const int middle = (thumb.Start + thumb.End) / 2;
            const int across = (thick - grip) / 2;
            const TRect g = vertical_ ? TRect(across, middle - grip / 2, across + grip, middle - grip / 2 + grip)
                                      : TRect(middle - grip / 2, across, middle - grip / 2 + grip, across + grip);
            const int frame = (vertical_ ? 20 : 17) + (onThumb ? (Pressing ? 1 : 2) : 0);
            DrawFrame(b, g, arrows->Image, true, arrows->FrameCount, frame);
        }
    }
    GdiFlush();
    BitBlt(dc, 0, 0, w, h, b, 0, 0, SRCCOPY);
}

void TWScrollbar::Press(LPARAM lParam, bool down) {
    POINT client{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    POINT screen = client;
    ClientToScreen(window_, &screen);
    if (down) {
        pressPoint_ = screen;
        pressThumb_ = thumb_;
        HotZone = HitZone(client);
        Pressing = true;
        Repaint();
    } else {
        Pressing = false;
    }
    ReleaseCapture();
    if (mode_ == mdControl) {
        const UINT message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
        if (down) SendMessageW(target_, message, MK_LBUTTON, MAKELPARAM(client.x, client.y));
        else PostMessageW(target_, message, 0, MAKELPARAM(client.x, client.y));
    } else {
        const WPARAM hit = mode_ == mdHorizontal ? HTHSCROLL : HTVSCROLL;
        const UINT message = down ? WM_NCLBUTTONDOWN : WM_NCLBUTTONUP;
        if (down) SendMessageW(target_, message, hit, MAKELPARAM(screen.x, screen.y));
        else PostMessageW(target_, message, hit, MAKELPARAM(screen.x, screen.y));
    }
    if (down) {
        // The control's own scroll tracking has run inside the call.
        Pressing = false;
        ReleaseCapture();
        Place();
    } else if (mode_ == mdControl) {
        Repaint();
    }
}

LRESULT TWScrollbar::Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        PaintTo(dc);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_MOUSEMOVE: {
        const int zone = HitZone({static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))});
        if (!tracking_) {
            TRACKMOUSEEVENT t{};
            t.cbSize = sizeof t;
            t.dwFlags = TME_LEAVE;
            t.hwndTrack = window_;
            tracking_ = TrackMouseEvent(&t) != FALSE;
        }
        if (zone != HotZone) {
            HotZone = zone;
            Repaint();
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        tracking_ = false;
        if (!Pressing) {
            HotZone = -1;
            Repaint();
        }
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: Press(lParam, true); return 0;
    case WM_LBUTTONUP: Press(lParam, false); return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TWScrollbar::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TWScrollbar*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->Message(message, wParam, lParam);
}

// ---- TSkinScrollbar ----

TSkinScrollbar::~TSkinScrollbar() {
    horz_.reset();
    vert_.reset();
}

void TSkinScrollbar::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached || !HasScrollBarInfo()) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    if (!Attached || !Control) return;
    String border = GetEnumPropText(Control, "BorderStyle");
    for (char& c : border) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    PaintBorderLines = border != "bsnone" && String(Control->ClassName()) != "TImageScrollBox" && Mode != 1;
    if (const TPropInfo* info = GetPropInfo(Control, "FixedColor");
        info && info->Kind == TPropKind::Integer && info->Get && info->Set) {
        savedFixedColor_ = static_cast<int>(GetOrdProp(Control, "FixedColor"));
        SetOrdProp(Control, "FixedColor", SkinData->ButtonFace);
        fixedColorChanged_ = true;
    }
    horz_ = std::make_unique<TWScrollbar>(skinData);
    vert_ = std::make_unique<TWScrollbar>(skinData);
    if (Handle) {
        horz_->AttachToWindow(Handle, TWScrollbar::mdHorizontal);
        vert_->AttachToWindow(Handle, TWScrollbar::mdVertical);
    }
    if (!Control->Visible()) {
        horz_->Hide();
        vert_->Hide();
    }
    if (Handle && PaintBorderLines) RedrawWindow(Handle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TSkinScrollbar::Unskin() {
    if (fixedColorChanged_ && Control && (Control->ComponentState() & csDestroying) == 0)
        SetOrdProp(Control, "FixedColor", savedFixedColor_);
    fixedColorChanged_ = false;
    TSkinControl::Unskin();
    horz_.reset();
    vert_.reset();
}

void TSkinScrollbar::PlaceBars() {
    if (horz_) horz_->Place();
    if (vert_) vert_->Place();
}

void TSkinScrollbar::PaintBorder(HDC dc) {
    if (!dc || !SkinData) return;
    RECT w{};
    GetWindowRect(Handle, &w);
    RECT r{0, 0, w.right - w.left, w.bottom - w.top};
    for (TColor colour : {SkinData->ButtonShadow, SkinData->ButtonFace}) {
        HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(colour)));
        FrameRect(dc, &r, brush);
        DeleteObject(brush);
        InflateRect(&r, -1, -1);
    }
}

bool TSkinScrollbar::BeforeMessage(TMessage& m) {
    if (m.Msg == WM_NCPAINT && PaintBorderLines && Handle) {
        CallDefault(m);
        if (HDC dc = GetWindowDC(Handle)) {
            PaintBorder(dc);
            ReleaseDC(Handle, dc);
        }
        return false;
    }
    if (m.Msg == SM_PAINTFRAMETO && m.LParam == SM_MAGIC) {
        PaintBorder(reinterpret_cast<HDC>(m.WParam));
        m.Result = SM_MAGIC;
        return false;
    }
    return TSkinControl::BeforeMessage(m);
}

namespace {

// The bar a WM_HSCROLL or WM_VSCROLL is about, given the part the message's code names as its hot
// zone and placed again; nullptr for other messages.
TWScrollbar* FollowScrollCode(const TMessage& m, TWScrollbar* horz, TWScrollbar* vert) {
    if (m.Msg != WM_HSCROLL && m.Msg != WM_VSCROLL) return nullptr;
    TWScrollbar* bar = m.Msg == WM_HSCROLL ? horz : vert;
    bar->HotZone = LOWORD(m.WParam) == SB_ENDSCROLL ? -1 : static_cast<int>(LOWORD(m.WParam));
    bar->Place();
    return bar;
}

}  // namespace

void TSkinScrollbar::AfterMessage(TMessage& m) {
    if (!horz_ || !vert_) return TSkinControl::AfterMessage(m);
    if (TWScrollbar* bar = FollowScrollCode(m, horz_.get(), vert_.get())) {
        if (bar->Shown()) bar->Repaint();
        return;
    }
    switch (m.Msg) {
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
        Resized = true;
        PlaceBars();
        break;
    case WM_MOUSEWHEEL:
        for (TWScrollbar* bar : {horz_.get(), vert_.get()}) {
            bar->Place();
            if (bar->Shown()) bar->Repaint();
        }
        break;
    case CM_SHOWINGCHANGED:
        if (m.WParam) {
            PlaceBars();
        } else {
            horz_->Hide();
            vert_->Hide();
        }
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

void TSkinScrollbar::PaintSkin(HDC, const TRect&) {
    if (!horz_ || !vert_ || !Handle || !IsWindow(Handle)) return;
    const LONG_PTR style = GetWindowLongPtrW(Handle, GWL_STYLE);
    for (TWScrollbar* bar : {horz_.get(), vert_.get()}) {
        if (bar->Shown()) bar->Repaint();
        else if (style & (bar == horz_.get() ? WS_HSCROLL : WS_VSCROLL)) bar->Place();
    }
    if (!horz_->Shown() || !vert_->Shown()) return;
    // The square between the two bars.
    RECT h{}, v{}, w{};
    GetWindowRect(horz_->Handle(), &h);
    GetWindowRect(vert_->Handle(), &v);
    GetWindowRect(Handle, &w);
    RECT corner{v.left, h.top, v.right, h.bottom};
    OffsetRect(&corner, -w.left, -w.top);
    if (HDC dc = GetWindowDC(Handle)) {
        FillFace(dc, TRect(corner.left, corner.top, corner.right, corner.bottom));
        ReleaseDC(Handle, dc);
    }
}

// ---- TSkinListView ----

TSkinListView::~TSkinListView() {
    if (header_ && !Form) header_->Free();
    header_ = nullptr;
}

void TSkinListView::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    TSkinScrollbar::AttachControl(form, skinData, changeColor, canvas);
    if (!Attached || !Handle) return;
    auto headerWindow = reinterpret_cast<HWND>(SendMessageW(Handle, LVM_GETHEADER, 0, 0));
    if (!headerWindow || (Form && Form->Skinners().ForWindow(headerWindow))) return;
    auto* header = New<TSkinHeader>(nullptr);
    header->AttachWindow(headerWindow, SkinData, Form, nullptr);
    if (!header->Attached) {
        if (Form) Form->Skinners().Remove(header);
        header->Free();
        return;
    }
    header_ = header;
}

// ---- TSkinScrollbarH ----

TSkinScrollbarH::~TSkinScrollbarH() {
    horz_.reset();
    vert_.reset();
}

void TSkinScrollbarH::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    if (Attached || !HasScrollBarInfo()) return;
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    if (!Attached) return;
    horz_ = std::make_unique<TWScrollbar>(skinData);
    vert_ = std::make_unique<TWScrollbar>(skinData);
    horz_->AttachToWindow(window, TWScrollbar::mdHorizontal);
    vert_->AttachToWindow(window, TWScrollbar::mdVertical);
    PaintSkin(nullptr, TRect());
}

void TSkinScrollbarH::Unskin() {
    horz_.reset();
    vert_.reset();
    TSkinControl::Unskin();
}

void TSkinScrollbarH::PlaceBars() {
    horz_->Place();
    vert_->Place();
}

void TSkinScrollbarH::PaintSkin(HDC, const TRect&) {
    if (!horz_ || !vert_) return;
    for (TWScrollbar* bar : {horz_.get(), vert_.get()})
        if (bar->Shown()) bar->Repaint();
    if (!horz_->Shown() || !vert_->Shown() || !Handle || !IsWindow(Handle)) return;
    // The square between the two bars.
    RECT h{}, v{};
    GetWindowRect(horz_->Handle(), &h);
    GetWindowRect(vert_->Handle(), &v);
    RECT corner{v.left, h.top, v.right, h.bottom};
    RECT w{};
    GetWindowRect(Handle, &w);
    OffsetRect(&corner, -w.left, -w.top);
    if (HDC dc = GetWindowDC(Handle)) {
        FillFace(dc, TRect(corner.left, corner.top, corner.right, corner.bottom));
        ReleaseDC(Handle, dc);
    }
}

void TSkinScrollbarH::AfterMessage(TMessage& m) {
    if (!horz_ || !vert_) return TSkinControl::AfterMessage(m);
    if (FollowScrollCode(m, horz_.get(), vert_.get())) return;
    switch (m.Msg) {
    case WM_SIZE:
    case WM_NCPAINT:
    case WM_WINDOWPOSCHANGED:
    case WM_STYLECHANGED:
        PlaceBars();
        PaintSkin(nullptr, TRect());
        break;
    case WM_MOUSEWHEEL: PlaceBars(); break;
    case WM_SHOWWINDOW:
        if (!m.WParam) {
            horz_->Hide();
            vert_->Hide();
        }
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

// ---- TSkinScControl ----

TSkinScControl::~TSkinScControl() { bar_.reset(); }

void TSkinScControl::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached || !HasScrollBarInfo()) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    MakeBar();
}

void TSkinScControl::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    if (Attached || !HasScrollBarInfo()) return;
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    MakeBar();
}

void TSkinScControl::MakeBar() {
    if (!Attached || !Handle) return;
    bar_ = std::make_unique<TWScrollbar>(SkinData);
    bar_->AttachToWindow(Handle, TWScrollbar::mdControl);
}

void TSkinScControl::Unskin() {
    bar_.reset();
    TSkinControl::Unskin();
}

void TSkinScControl::PaintSkin(HDC, const TRect&) {
    if (bar_ && bar_->Shown()) bar_->Repaint();
}

void TSkinScControl::AfterMessage(TMessage& m) {
    if (!bar_) {
        TSkinControl::AfterMessage(m);
        return;
    }
    switch (m.Msg) {
    case WM_WINDOWPOSCHANGED:
    case WM_NCPAINT:
    case SBM_SETSCROLLINFO:
    case SBM_SETPOS:
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: bar_->Place(); break;
    case WM_ENABLE:
        bar_->Place();
        TSkinControl::AfterMessage(m);
        break;
    case WM_SHOWWINDOW:
    case CM_SHOWINGCHANGED:
        if (m.WParam) bar_->Place();
        else bar_->Hide();
        break;
    default: TSkinControl::AfterMessage(m); break;
    }
}

// ---- TArrowButton ----

namespace {

constexpr wchar_t ArrowClass[] = L"TArrowButton";

bool RegisterArrow() {
    static const bool registered = [] {
        WNDCLASSW wc{};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        wc.lpszClassName = ArrowClass;
        return RegisterClassW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

TArrowButton::TArrowButton(TSkinData* data) : data_(data), arrowSize_(GetSystemMetrics(SM_CXHSCROLL)) {}

TArrowButton::~TArrowButton() {
    if (window_ && IsWindow(window_)) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

bool TArrowButton::Attach(HWND picker) {
    if (window_ || !IsWindow(picker) || !RegisterArrow()) return false;
    picker_ = picker;
    SetWindowLongW(picker, GWL_STYLE, GetWindowLongW(picker, GWL_STYLE) | WS_CLIPCHILDREN);
    window_ = CreateWindowExW(0, ArrowClass, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, picker, nullptr,
                              GetModuleHandleW(nullptr), nullptr);
    if (!window_) return false;
    SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Procedure));
    Place();
    return true;
}

void TArrowButton::Place() {
    if (!window_) return;
    RECT w{};
    GetWindowRect(picker_, &w);
    const bool left = (GetWindowLongW(picker_, GWL_EXSTYLE) & WS_EX_LEFTSCROLLBAR) != 0;
    const int x = left ? 2 : (w.right - w.left) - arrowSize_ - 4;
    SetWindowPos(window_, HWND_TOP, x, 0, arrowSize_, arrowSize_ + 1, SWP_NOACTIVATE);
    InvalidateRect(window_, nullptr, FALSE);
}

void TArrowButton::PaintTo(HDC dc) {
    RECT r{};
    GetClientRect(window_, &r);
    HBRUSH face = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(data_->ButtonFace)));
    FillRect(dc, &r, face);
    DeleteObject(face);
    const TDataSkinObject* arrow = data_->ComboArrow.get();
    if (Usable(arrow))
        DrawFrame(dc, TRect(r.left, r.top, r.right, r.bottom), arrow->Image, false, arrow->FrameCount,
                  Hot ? 4 : 1);
}

LRESULT TArrowButton::Message(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window_, &ps);
        PaintTo(dc);
        EndPaint(window_, &ps);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (!Hot && IsWindowEnabled(picker_)) {
            Hot = true;
            TRACKMOUSEEVENT t{};
            t.cbSize = sizeof t;
            t.dwFlags = TME_LEAVE;
            t.hwndTrack = window_;
            TrackMouseEvent(&t);
            InvalidateRect(window_, nullptr, FALSE);
        }
        return 0;
    case WM_MOUSELEAVE:
        if (Hot) {
            Hot = false;
            InvalidateRect(window_, nullptr, FALSE);
        }
        return 0;
    case WM_LBUTTONDOWN: {
        POINT p{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        MapWindowPoints(window_, picker_, &p, 1);
        PostMessageW(picker_, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(p.x, p.y));
        PostMessageW(picker_, WM_LBUTTONUP, 0, MAKELPARAM(p.x, p.y));
        InvalidateRect(window_, nullptr, FALSE);
        return 0;
    }
    case WM_LBUTTONUP: SetFocus(picker_); return 0;
    default: break;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK TArrowButton::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TArrowButton*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self || self->window_ != window) return DefWindowProcW(window, message, wParam, lParam);
    return self->Message(message, wParam, lParam);
}

// ---- TSkinDateTime ----

TSkinDateTime::~TSkinDateTime() { arrow_.reset(); }

void TSkinDateTime::AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachControl(form, skinData, changeColor, canvas);
    MakeArrow();
}

void TSkinDateTime::AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) {
    if (Attached) return;
    TSkinControl::AttachWindow(window, skinData, form, canvas);
    MakeArrow();
}

void TSkinDateTime::MakeArrow() {
    if (!Attached || !Handle) return;
    arrow_ = std::make_unique<TArrowButton>(SkinData);
    arrow_->Attach(Handle);
    RedrawWindow(Handle, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}

void TSkinDateTime::Unskin() {
    arrow_.reset();
    TSkinControl::Unskin();
}

void TSkinDateTime::PaintSkin(HDC dc, const TRect& rect) {
    if (!Handle || !dc) return;
    RECT c{};
    GetClientRect(Handle, &c);
    if (c.right == rect.Width() && c.bottom == rect.Height()) return;
    RECT outer{rect.Left, rect.Top, rect.Right, rect.Bottom};
    RECT inner = outer;
    InflateRect(&inner, -1, -1);
    HBRUSH shadow = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(SkinData->ButtonShadow)));
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FrameRect(dc, &outer, shadow);
    FrameRect(dc, &inner, white);
    DeleteObject(shadow);
    DeleteObject(white);
}

void TSkinDateTime::AfterMessage(TMessage& m) {
    if (!arrow_) {
        TSkinControl::AfterMessage(m);
        return;
    }
    switch (m.Msg) {
    case WM_NCPAINT: PaintWindow(nullptr); break;
    case WM_PRINT:
        if (m.LParam & PRF_NONCLIENT) PaintWindow(reinterpret_cast<HDC>(m.WParam));
        break;
    case WM_PAINT: break;  // the border lies outside the client area
    case WM_SIZE:
    case WM_WINDOWPOSCHANGED:
    case WM_STYLECHANGED: arrow_->Place(); break;
    default: TSkinControl::AfterMessage(m); break;
    }
}
