// The window half of the edit tools: face painter and cache, placement on the monitor, the
// edit-button control, the size grip, the pop-up list boxes and the calendar drop-down.
#include "ToolCtrlsEhControls.h"

#include "Encoding.h"
#include "Forms.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>

namespace {

// The system's check-box bitmap (OBM_CHECKBOXES, named by winuser.h only with OEMRESOURCE).
constexpr WORD kObmCheckBoxes = 32759;
// A held button repeats after this delay, then at this interval.
constexpr unsigned kRepeatDelayMs = 400;
constexpr unsigned kRepeatIntervalMs = 100;

TLogChannel logGrid("grid");

struct ToolCtrlsGlobals {
    int initCount = 0;
    int flatButtonWidth = 0;
    TSize checkBoxSize;
    std::unique_ptr<TButtonsBitmapCache> cache;
};

ToolCtrlsGlobals& Globals() {
    static ToolCtrlsGlobals globals;
    return globals;
}

void InitCommonControlsOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_DATE_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&init);
}

RECT Win(const TRect& r) { return RECT{r.Left, r.Top, r.Right, r.Bottom}; }

void FillSolid(HDC dc, const TRect& r, TColor color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color)));
    RECT rect = Win(r);
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}

void FrameSolid(HDC dc, const TRect& r, TColor color) {
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(ColorToRGB(color)));
    RECT rect = Win(r);
    FrameRect(dc, &rect, brush);
    DeleteObject(brush);
}

void Edge(HDC dc, const TRect& r, UINT edge, UINT flags) {
    RECT rect = Win(r);
    DrawEdge(dc, &rect, edge, flags);
}

TRect Inflated(const TRect& r, int d) { return TRect{r.Left - d, r.Top - d, r.Right + d, r.Bottom + d}; }

// The marks of the ellipsis, plus and minus faces, in `color`, shifted by (dx, dy).
void DrawMarks(HDC dc, const TRect& face, TEditButtonDrawKindEh kind, int dx, int dy, TColor color) {
    const int innerWidth = face.Width() - 4;
    const int innerHeight = face.Height() - 4;
    if (kind == bdkEllipsis) {
        const int dot = innerWidth > 7 ? 2 : 1;
        const int gap = innerWidth < 12 ? 1 : 2;
        const int total = 3 * dot + 2 * gap;
        const int x0 = face.Left + (face.Width() - total) / 2 + dx;
        const int y0 = face.Top + (face.Height() - dot) / 2 + dy;
        for (int i = 0; i < 3; ++i) FillSolid(dc, Bounds(x0 + i * (dot + gap), y0, dot, dot), color);
        return;
    }
    const int length = std::max(1, std::min(innerWidth, innerHeight) * 4 / 7);
    const int thickness = std::max(1, length / 3);
    const int cx = face.Left + (face.Width() - length) / 2 + dx;
    const int cy = face.Top + (face.Height() - thickness) / 2 + dy;
    FillSolid(dc, Bounds(cx, cy, length, thickness), color);
    if (kind == bdkPlus) {
        const int vx = face.Left + (face.Width() - thickness) / 2 + dx;
        const int vy = face.Top + (face.Height() - length) / 2 + dy;
        FillSolid(dc, Bounds(vx, vy, thickness, length), color);
    }
}

}  // namespace

// ---- Face painter ---------------------------------------------------------------------------------

void DrawEditButtonFace(TCanvas* canvas, const TRect& rect, const TButtonBitmapKeyEh& key) {
    HDC dc = canvas->Handle();
    if (key.Kind == bdkCheckBox) {
        UINT state = DFCS_BUTTONCHECK;
        if (key.CheckState == 1) state |= DFCS_CHECKED;
        if (key.CheckState == 2) state = DFCS_BUTTON3STATE | DFCS_CHECKED;
        if (!key.Enabled) state |= DFCS_INACTIVE;
        if (key.Pressed) state |= DFCS_PUSHED;
        if (key.Flat) state |= DFCS_FLAT;
        RECT r = Win(rect);
        DrawFrameControl(dc, &r, DFC_BUTTON, state);
        if (key.Flat) FrameSolid(dc, rect, key.Active ? clBtnFace : clBtnShadow);
        return;
    }
    // A flat face is drawn larger and clipped, then finished with a thin edge when active.
    TRect face = rect;
    int saved = 0;
    if (key.Flat) {
        saved = SaveDC(dc);
        IntersectClipRect(dc, rect.Left + (key.Active ? 1 : 0), rect.Top + (key.Active ? 1 : 0),
                          rect.Right - (key.Active ? 1 : 0), rect.Bottom - (key.Active ? 1 : 0));
        face = Inflated(rect, key.Active ? 1 : 2);
    }
    if (key.Kind == bdkDropDown || key.Kind == bdkUpDown) {
        UINT state = key.Kind == bdkDropDown ? DFCS_SCROLLCOMBOBOX : (key.Half == 0 ? DFCS_SCROLLUP : DFCS_SCROLLDOWN);
        if (key.Pressed) state |= DFCS_PUSHED;
        if (key.Flat) state |= DFCS_FLAT;
        if (!key.Enabled) state |= DFCS_INACTIVE;
        RECT r = Win(face);
        DrawFrameControl(dc, &r, DFC_SCROLL, state);
    } else {
        if (key.Flat)
            FillSolid(dc, face, clBtnFace);
        else
            Edge(dc, face, key.Pressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_MIDDLE);
        const int shift = key.Pressed ? 1 : 0;
        if (!key.Enabled) {
            DrawMarks(dc, face, key.Kind, shift + 1, shift + 1, clBtnHighlight);
            DrawMarks(dc, face, key.Kind, shift, shift, clBtnShadow);
        } else {
            DrawMarks(dc, face, key.Kind, shift, shift, clBtnText);
        }
    }
    if (key.Flat) {
        RestoreDC(dc, saved);
        if (key.Active) Edge(dc, rect, key.Pressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
}

TButtonsBitmapCache::~TButtonsBitmapCache() = default;

TBitmap* TButtonsBitmapCache::GetButtonBitmap(const TButtonBitmapKeyEh& key) {
    for (Entry& entry : entries_)
        if (entry.Key == key) return entry.Bitmap.get();
    Entry entry{key, std::make_unique<TBitmap>()};
    entry.Bitmap->SetSize(std::max(key.Width, 0), std::max(key.Height, 0));
    if (key.Width > 0 && key.Height > 0) {
        FillSolid(entry.Bitmap->Canvas()->Handle(), Rect(0, 0, key.Width, key.Height), clBtnFace);
        DrawEditButtonFace(entry.Bitmap->Canvas(), Rect(0, 0, key.Width, key.Height), key);
    }
    ++painted_;
    entries_.push_back(std::move(entry));
    return entries_.back().Bitmap.get();
}

void TButtonsBitmapCache::Clear() { entries_.clear(); }

TButtonsBitmapCache* ButtonsBitmapCache() { return Globals().cache.get(); }

namespace {

void PaintCachedFace(HDC dc, const TRect& r, TButtonBitmapKeyEh key) {
    key.Width = std::max(0, r.Width());
    key.Height = std::max(0, r.Height());
    if (key.Width == 0 || key.Height == 0) return;
    TButtonsBitmapCache* cache = ButtonsBitmapCache();
    std::unique_ptr<TButtonsBitmapCache> local;
    if (!cache) {  // before start-up: paint without keeping the face
        local = std::make_unique<TButtonsBitmapCache>();
        cache = local.get();
    }
    TBitmap* bitmap = cache->GetButtonBitmap(key);
    StretchBlt(dc, r.Left, r.Top, r.Width(), r.Height(), bitmap->Canvas()->Handle(), 0, 0, key.Width, key.Height,
               SRCCOPY);
}

}  // namespace

void PaintEditButtonFace(HDC dc, const TRect& rect, TColor frameColor, int checkState, bool enabled, bool active,
                         bool flat, int pressedButton, TEditButtonDrawKindEh kind) {
    TButtonBitmapKeyEh key;
    key.Kind = kind;
    key.Flat = flat;
    key.Active = active;
    key.Enabled = enabled;
    key.CheckState = static_cast<std::uint8_t>(std::clamp(checkState, 0, 2));
    TRect r = rect;
    if (kind == bdkCheckBox) {
        const int w = r.Width(), h = r.Height();
        if (w > h) {
            const int d = w - h;
            r.Left += d / 2;
            r.Right -= d - d / 2;
        } else if (h > w) {
            const int d = h - w;
            r.Top += d / 2;
            r.Bottom -= d - d / 2;
        }
        if (flat) r = Inflated(r, -1);
        key.Pressed = pressedButton != 0;
        PaintCachedFace(dc, r, key);
        if (flat) {
            r = Inflated(r, 1);
            if (active)
                Edge(dc, r, BDR_SUNKENOUTER, BF_RECT);
            else
                FrameSolid(dc, r, frameColor);
        }
        return;
    }
    const bool framed = flat && !active;
    if (framed) r = Inflated(r, -1);
    if (kind == bdkUpDown) {
        const int half = r.Height() / 2;
        key.Half = 0;
        key.Pressed = pressedButton == 1;
        PaintCachedFace(dc, TRect{r.Left, r.Top, r.Right, r.Top + half}, key);
        key.Half = 1;
        key.Pressed = pressedButton == 2;
        PaintCachedFace(dc, TRect{r.Left, r.Bottom - half, r.Right, r.Bottom}, key);
        if (r.Height() % 2 == 1) FillSolid(dc, TRect{r.Left, r.Top + half, r.Right, r.Top + half + 1}, frameColor);
    } else {
        key.Pressed = pressedButton != 0;
        PaintCachedFace(dc, r, key);
    }
    if (framed) FrameSolid(dc, rect, frameColor);
}

int DefaultFlatButtonWidth() {
    ToolCtrlsGlobals& g = Globals();
    if (g.flatButtonWidth > 0) return g.flatButtonWidth;
    const TEXTMETRICW metrics = TTextMeasure(nullptr).Metrics();
    int width = static_cast<int>(std::lround(metrics.tmHeight * 2.0 / 3.0));
    if (width % 2 == 0) ++width;
    return std::min(width, GetSystemMetrics(SM_CXVSCROLL));
}

TSize CheckBoxSize() {
    ToolCtrlsGlobals& g = Globals();
    if (g.checkBoxSize.cx > 0) return g.checkBoxSize;
    TSize size{13, 13};
    if (HBITMAP bitmap = LoadBitmapW(nullptr, MAKEINTRESOURCEW(kObmCheckBoxes))) {
        BITMAP info{};
        if (GetObjectW(bitmap, sizeof info, &info)) size = TSize{info.bmWidth / 4, info.bmHeight / 3};
        DeleteObject(bitmap);
    }
    return size;
}

bool IsDblClickMsg(TPoint first, TPoint second, DWORD elapsed) {
    return elapsed <= GetDoubleClickTime() && std::abs(first.X - second.X) <= GetSystemMetrics(SM_CXDOUBLECLK) &&
           std::abs(first.Y - second.Y) <= GetSystemMetrics(SM_CYDOUBLECLK);
}

void DrawDottedLine(TCanvas* canvas, TPoint from, TPoint to, TColor color) {
    const int dx = to.X > from.X ? 1 : (to.X < from.X ? -1 : 0);
    const int dy = to.Y > from.Y ? 1 : (to.Y < from.Y ? -1 : 0);
    const int steps = std::max(std::abs(to.X - from.X), std::abs(to.Y - from.Y));
    for (int i = 0; i <= steps; ++i) {
        const int x = from.X + dx * i;
        const int y = from.Y + dy * i;
        if (((x + y) & 1) == ((from.X + from.Y) & 1)) canvas->Pixels[x][y] = color;
    }
}

// ---- Placement ------------------------------------------------------------------------------------

void PlaceDropDownWindowAtRect(const TRect& screenRect, TWinControl* dropDown, TDropDownAlign align, TPoint& pos) {
    RECT r = Win(screenRect);
    HMONITOR monitor = MonitorFromRect(&r, MONITOR_DEFAULTTONEAREST);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    TRect work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (monitor && GetMonitorInfoW(monitor, &info)) work = FromWinRect(info.rcWork);
    const TDropDownPlacementEh p = CalcDropDownPlacement(screenRect, work, dropDown->Width(), dropDown->Height(), align,
                                                         GetSystemMetrics(SM_CYVSCROLL));
    if (p.Height != dropDown->Height() || p.Width != dropDown->Width())
        dropDown->SetBounds(dropDown->Left(), dropDown->Top(), p.Width, p.Height);
    dropDown->Perform(WM_DROPDOWN_PLACE_EH, static_cast<WPARAM>(p.SideRequest), kDropDownPlaceMark);
    dropDown->Perform(WM_DROPDOWN_PLACE_EH, static_cast<WPARAM>(p.GripRequest), kDropDownPlaceMark);
    pos = p.Pos;
}

void PlaceDropDownWindow(TControl* edit, TWinControl* dropDown, TDropDownAlign align, TPoint& pos) {
    TRect r = edit->BoundsRect();
    if (edit->Parent()) {
        const TPoint topLeft = edit->Parent()->ClientToScreen(TPoint{r.Left, r.Top});
        r = Bounds(topLeft.X, topLeft.Y, r.Width(), r.Height());
    }
    PlaceDropDownWindowAtRect(r, dropDown, align, pos);
}

// ---- TEditButtonControlEh -------------------------------------------------------------------------

TEditButtonControlEh::TEditButtonControlEh(TComponent* owner) : TSpeedButton(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csOpaque});
}

TEditButtonControlEh::~TEditButtonControlEh() = default;

void TEditButtonControlEh::SetStyle(TEditButtonStyleEh value) {
    if (value == style_) return;
    style_ = value;
    Invalidate();
}

void TEditButtonControlEh::SetActive(bool value) {
    if (value == active_) return;
    active_ = value;
    Invalidate();
}

void TEditButtonControlEh::SetAlwaysDown(bool value) {
    if (value) {
        SetGroupIndex(1);
        SetAllowAllUp(false);
        SetDown(true);
        if (hitButton_ == 0) hitButton_ = 1;
    } else {
        SetAllowAllUp(true);
        SetDown(false);
        SetGroupIndex(0);
    }
    Invalidate();
}

void TEditButtonControlEh::ReleaseButton() {
    pressed_ = false;
    down_ = false;
    StopTimer();
    if (MouseCapture()) SetMouseCapture(false);
    Invalidate();
}

void TEditButtonControlEh::Click() {
    if (suppressClick_) return;
    TSpeedButton::Click();
}

int TEditButtonControlEh::ButtonAt(int y) const {
    if (style_ == ebsUpDownEh && y >= Height() / 2) return 2;
    return 1;
}

void TEditButtonControlEh::RaiseDown() {
    bool autoRepeat = style_ == ebsUpDownEh;
    bool handled = false;
    if (OnDown) OnDown(this, hitButton_ == 1, autoRepeat, handled);
    if (!autoRepeat) {
        StopTimer();
        return;
    }
    if (!timer_) {
        timer_ = New<TTimer>(this);
        timer_->SetEnabled(false);
        timer_->OnTimer = Event<&TEditButtonControlEh::TimerTick>(this);
    }
    if (!timer_->Enabled()) {
        timer_->SetInterval(kRepeatDelayMs);
        timer_->SetEnabled(true);
    }
}

void TEditButtonControlEh::TimerTick(TObject*) {
    if (!pressed_ || !down_) return;
    if (timer_->Interval() == kRepeatDelayMs) timer_->SetInterval(kRepeatIntervalMs);
    RaiseDown();
}

void TEditButtonControlEh::StopTimer() {
    if (timer_) timer_->SetEnabled(false);
}

void TEditButtonControlEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TSpeedButton::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled()) return;
    pressed_ = true;
    suppressClick_ = false;
    hitButton_ = ButtonAt(y);
    down_ = true;
    Invalidate();
    RaiseDown();
}

void TEditButtonControlEh::MouseMove(TShiftState shift, int x, int y) {
    TSpeedButton::MouseMove(shift, x, y);
    if (!pressed_ || AlwaysDown()) return;
    // Off the pressed half (or off the button) it shows up again.
    const bool inside = x >= 0 && y >= 0 && x < Width() && y < Height() && ButtonAt(y) == hitButton_;
    if (inside != down_) {
        down_ = inside;
        Invalidate();
    }
}

void TEditButtonControlEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (button == mbLeft && pressed_) {
        pressed_ = false;
        if (style_ == ebsUpDownEh && !down_) suppressClick_ = true;
        down_ = false;
        hitButton_ = (x >= 0 && y >= 0 && x < Width() && y < Height()) ? ButtonAt(y) : 0;
        StopTimer();
        Invalidate();
    }
    TSpeedButton::MouseUp(button, shift, x, y);
    suppressClick_ = false;
}

void TEditButtonControlEh::Paint() {
    TCanvas* canvas = Canvas();
    const TRect r = Rect(0, 0, Width(), Height());
    const TColor frame = Parent() ? Parent()->Color() : clBtnFace;
    if (style_ == ebsGlyphEh) {
        if (!Flat()) {
            TSpeedButton::Paint();
            return;
        }
        HDC dc = canvas->Handle();
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, 1, 1, r.Right - 1, r.Bottom - 1);
        PaintTo(*canvas);
        RestoreDC(dc, saved);
        if (active_)
            Edge(dc, r, Down() ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
        else
            FrameSolid(dc, r, frame);
        return;
    }
    PaintEditButtonFace(canvas->Handle(), r, frame, 0, Enabled(), active_, Flat(), Down() ? std::max(hitButton_, 1) : 0,
                        EditButtonDrawKind(style_));
}

TEditButtonControlEh* MakeEditButtonControl(TWinControl* editControl) {
    auto* button = New<TEditButtonControlEh>(editControl);
    button->SetParent(editControl);
    button->SetBounds(0, 0, 10, 17);
    button->SetVisible(true);
    return button;
}

// ---- TSizeGripEh ----------------------------------------------------------------------------------

TSizeGripEh::TSizeGripEh(TComponent* owner) : TCustomControl(owner) {
    SetBounds(0, 0, GetSystemMetrics(SM_CXVSCROLL), GetSystemMetrics(SM_CYVSCROLL));
    SetColor(clBtnFace);
    UpdateCursor();
}

void TSizeGripEh::UpdateCursor() {
    SetCursor(corner_ == gcTopLeft || corner_ == gcBottomRight ? crSizeNWSE : crSizeNESW);
}

void TSizeGripEh::SetCorner(TGripCornerEh value) {
    if (value == corner_) return;
    corner_ = value;
    UpdateCursor();
    if (HandleAllocated()) RecreateWnd();
    UpdatePosition();
}

void TSizeGripEh::SetTriangleWindow(bool value) {
    if (value == triangleWindow_) return;
    triangleWindow_ = value;
    UpdateRegion();
    Invalidate();
}

void TSizeGripEh::MovePopup(int request) {
    TGripCornerEh corner = corner_;
    switch (request) {
    case 0:
        if (corner == gcTopRight) corner = gcTopLeft;
        if (corner == gcBottomRight) corner = gcBottomLeft;
        break;
    case 1:
        if (corner == gcTopLeft) corner = gcTopRight;
        if (corner == gcBottomLeft) corner = gcBottomRight;
        break;
    case 2:
        if (corner == gcBottomRight) corner = gcTopRight;
        if (corner == gcBottomLeft) corner = gcTopLeft;
        break;
    case 3:
        if (corner == gcTopRight) corner = gcBottomRight;
        if (corner == gcTopLeft) corner = gcBottomLeft;
        break;
    default: break;
    }
    SetCorner(corner);
}

void TSizeGripEh::UpdatePosition() {
    TWinControl* parent = Parent();
    if (!parent) return;
    const TRect client = parent->ClientRect();
    const int w = Width(), h = Height();
    const int x = (corner_ == gcTopLeft || corner_ == gcBottomLeft) ? 0 : client.Right - w;
    const int y = (corner_ == gcTopLeft || corner_ == gcTopRight) ? 0 : client.Bottom - h;
    SetBounds(x, y, w, h);
}

void TSizeGripEh::CreateParams(TCreateParams& params) {
    TCustomControl::CreateParams(params);
    params.Style |= WS_CLIPSIBLINGS;
}

void TSizeGripEh::CreateWnd() {
    TCustomControl::CreateWnd();
    UpdateRegion();
}

void TSizeGripEh::UpdateRegion() {
    if (!HandleAllocated()) return;
    if (!triangleWindow_) {
        SetWindowRgn(WindowHandle(), nullptr, TRUE);
        return;
    }
    const int w = Width(), h = Height();
    POINT points[3];
    switch (corner_) {
    case gcBottomRight: points[0] = {w, 0}; points[1] = {w, h}; points[2] = {0, h}; break;
    case gcBottomLeft: points[0] = {0, 0}; points[1] = {w, h}; points[2] = {0, h}; break;
    case gcTopLeft: points[0] = {0, 0}; points[1] = {w, 0}; points[2] = {0, h}; break;
    case gcTopRight: points[0] = {0, 0}; points[1] = {w, 0}; points[2] = {w, h}; break;
    }
    HRGN region = CreatePolygonRgn(points, 3, WINDING);
    if (region && !SetWindowRgn(WindowHandle(), region, TRUE)) DeleteObject(region);
}

void TSizeGripEh::Paint() {
    TCanvas* canvas = Canvas();
    const int w = Width(), h = Height();
    canvas->Brush()->SetColor(clBtnFace);
    canvas->FillRect(Rect(0, 0, w, h));
    // Ridges parallel to the triangle's long side: per 4 pixels one light line, two dark, one face.
    const TColor colors[4] = {clBtnHighlight, clBtnShadow, clBtnShadow, clBtnFace};
    for (int k = 1; k < std::max(w, h) + 4; ++k) {
        canvas->Pen()->SetColor(colors[(k - 1) % 4]);
        // Bottom-right orientation, mirrored for the other corners.
        TPoint a{w - k, h}, b{w, h - k};
        auto mirror = [&](TPoint p) {
            if (corner_ == gcBottomLeft || corner_ == gcTopLeft) p.X = w - p.X;
            if (corner_ == gcTopRight || corner_ == gcTopLeft) p.Y = h - p.Y;
            return p;
        };
        const TPoint points[2] = {mirror(a), mirror(b)};
        canvas->Polyline(points);
    }
}

void TSizeGripEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TCustomControl::MouseDown(button, shift, x, y);
    TWinControl* parent = Parent();
    if (button != mbLeft || !parent) return;
    POINT cursor;
    GetCursorPos(&cursor);
    pressPos_ = TPoint{cursor.x, cursor.y};
    parentBounds_ = parent->BoundsRect();
    parentOuter_ = TSize{parent->Width(), parent->Height()};
    const TRect client = parent->ClientRect();
    parentClient_ = TSize{client.Width(), client.Height()};
    dragging_ = true;
}

void TSizeGripEh::MouseMove(TShiftState shift, int x, int y) {
    TCustomControl::MouseMove(shift, x, y);
    TWinControl* parent = Parent();
    if (!dragging_ || !parent) return;
    POINT cursor;
    GetCursorPos(&cursor);
    const int dx = cursor.x - pressPos_.X;
    const int dy = cursor.y - pressPos_.Y;
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    const int frameX = parentOuter_.cx - parentClient_.cx;
    const int frameY = parentOuter_.cy - parentClient_.cy;
    TRect b = parentBounds_;
    const bool left = corner_ == gcTopLeft || corner_ == gcBottomLeft;
    const bool top = corner_ == gcTopLeft || corner_ == gcTopRight;
    if (left) {
        b.Left = std::max<int>(workArea.left, std::min(parentBounds_.Left + dx, parentBounds_.Right - frameX - Width()));
    } else {
        b.Right = std::min<int>(workArea.right, std::max(parentBounds_.Left + frameX + parentClient_.cx + dx,
                                                         parentBounds_.Left + frameX + Width()));
    }
    if (top) {
        b.Top = std::max<int>(workArea.top, std::min(parentBounds_.Top + dy, parentBounds_.Bottom - frameY - Height()));
    } else {
        b.Bottom = std::min<int>(workArea.bottom, std::max(parentBounds_.Top + frameY + parentClient_.cy + dy,
                                                           parentBounds_.Top + frameY + Height()));
    }
    const TRect before = parent->ClientRect();
    parent->SetBounds(b.Left, b.Top, b.Width(), b.Height());
    const TRect after = parent->ClientRect();
    if (!(before == after) && OnParentSizeChanged) OnParentSizeChanged(this);
    UpdatePosition();
}

void TSizeGripEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    dragging_ = false;
    TCustomControl::MouseUp(button, shift, x, y);
}

// ---- TPopupListboxEh ------------------------------------------------------------------------------

TPopupListboxEh::TPopupListboxEh(TComponent* owner)
    : TWinControl(owner), TickCount([] { return static_cast<std::uint32_t>(GetTickCount()); }),
      items_(std::make_unique<TStringList>()) {
    items_->OnChange = Event<&TPopupListboxEh::ItemsListChanged>(this);
    SetVisible(false);
}

TPopupListboxEh::~TPopupListboxEh() { items_->OnChange = nullptr; }

void TPopupListboxEh::AfterConstruction() {
    TWinControl::AfterConstruction();
    grip_ = New<TSizeGripEh>(this);
    grip_->SetParent(this);
    SetBounds(0, 0, 120, ListBoxHeightForRows(rows_, BorderHeight(), itemHeight_));
}

void TPopupListboxEh::CreateParams(TCreateParams& params) {
    TWinControl::CreateParams(params);
    CreateSubClass(params, L"LISTBOX");
    params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_TABSTOP);
    params.Style |= WS_POPUP | WS_CLIPCHILDREN | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT |
                    LBS_OWNERDRAWFIXED;
    params.Style |= externalItems_ ? static_cast<DWORD>(LBS_NODATA) : static_cast<DWORD>(LBS_HASSTRINGS);
    if (!ctl3D_) params.Style |= WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
    params.WindowClass.style |= CS_SAVEBITS;
    params.WndParent = ParentWindow();
}

void TPopupListboxEh::CreateWnd() {
    TWinControl::CreateWnd();
    SendMessageW(WindowHandle(), LB_SETITEMHEIGHT, 0, itemHeight_);
    ItemsChanged();
    if (grip_) grip_->UpdatePosition();
}

void TPopupListboxEh::ItemsListChanged(TObject*) {
    if (!externalItems_) ItemsChanged();
}

void TPopupListboxEh::ItemsChanged() {
    if (!HandleAllocated()) return;
    HWND h = WindowHandle();
    if (externalItems_) {
        SendMessageW(h, LB_SETCOUNT, static_cast<WPARAM>(externalItems_->Count()), 0);
    } else {
        SendMessageW(h, WM_SETREDRAW, FALSE, 0);
        SendMessageW(h, LB_RESETCONTENT, 0, 0);
        for (int i = 0; i < items_->Count(); ++i) {
            const std::wstring text = ToWide(items_->Get(i));
            SendMessageW(h, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SendMessageW(h, WM_SETREDRAW, TRUE, 0);
    }
    InvalidateRect(h, nullptr, TRUE);
}

void TPopupListboxEh::SetExternalItems(TStrings* value) {
    if (value == externalItems_) return;
    const bool modeChanged = (value == nullptr) != (externalItems_ == nullptr);
    externalItems_ = value;
    if (modeChanged && HandleAllocated())
        RecreateWnd();
    else
        ItemsChanged();
}

int TPopupListboxEh::Count() const { return externalItems_ ? externalItems_->Count() : items_->Count(); }

String TPopupListboxEh::ItemText(int index) const {
    if (index < 0 || index >= Count()) return String();
    return externalItems_ ? externalItems_->Get(index) : items_->Get(index);
}

int TPopupListboxEh::ItemIndex() const {
    if (!HandleAllocated()) return -1;
    return static_cast<int>(SendMessageW(WindowHandle(), LB_GETCURSEL, 0, 0));
}

void TPopupListboxEh::SetItemIndex(int value) {
    if (HandleAllocated()) SendMessageW(WindowHandle(), LB_SETCURSEL, static_cast<WPARAM>(value), 0);
}

int TPopupListboxEh::TopIndex() const {
    return HandleAllocated() ? static_cast<int>(SendMessageW(WindowHandle(), LB_GETTOPINDEX, 0, 0)) : 0;
}

int TPopupListboxEh::ItemHeight() const { return itemHeight_; }

void TPopupListboxEh::SetItemHeight(int value) {
    itemHeight_ = std::max(1, value);
    if (HandleAllocated()) SendMessageW(WindowHandle(), LB_SETITEMHEIGHT, 0, itemHeight_);
    SetRows(rows_);
}

void TPopupListboxEh::SetRows(int value) {
    rows_ = std::max(1, value);
    SetBounds(Left(), Top(), Width(), ListBoxHeightForRows(rows_, BorderHeight(), itemHeight_));
}

void TPopupListboxEh::SetBounds(int left, int top, int width, int height) {
    width = std::max(width, GetSystemMetrics(SM_CXVSCROLL));
    height = std::max(height, GetSystemMetrics(SM_CYVSCROLL));
    rows_ = ListBoxRowsForHeight(height, BorderHeight(), itemHeight_);
    height = ListBoxHeightForRows(rows_, BorderHeight(), itemHeight_);
    TWinControl::SetBounds(left, top, width, height);
    if (grip_) grip_->UpdatePosition();
}

void TPopupListboxEh::KeyPress(wchar_t& key) {
    TWinControl::KeyPress(key);
    if (key == 0) return;
    const char32_t ch = static_cast<char32_t>(key);
    if (ch == kCharBackspace || ch == kCharEscape || ch >= 0x20) {
        if (search_.KeyTyped(ch, TickCount()) && !search_.Text().empty()) {
            // Searched here, also when the rows are virtual.
            TStrings* source = externalItems_ ? externalItems_ : items_.get();
            const int found = FindItemStartingWith(source, search_.Text());
            if (found >= 0) SetItemIndex(found);
        }
        key = 0;
    }
}

void TPopupListboxEh::MouseMove(TShiftState shift, int x, int y) {
    TWinControl::MouseMove(shift, x, y);
    const bool buttons = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
    if (buttons || (lastMouse_ == TPoint{x, y}) || !HandleAllocated()) return;
    lastMouse_ = TPoint{x, y};
    const LRESULT hit = SendMessageW(WindowHandle(), LB_ITEMFROMPOINT, 0, MAKELPARAM(x, y));
    if (HIWORD(hit) == 0) {
        const int index = LOWORD(hit);
        if (index != ItemIndex()) SetItemIndex(index);
    }
}

void TPopupListboxEh::SetImages(TCustomImageList* value) {
    if (value == images_) return;
    images_ = value;
    if (HandleAllocated()) InvalidateRect(Handle(), nullptr, TRUE);
}

void TPopupListboxEh::DrawItem(int index, const TRect& rect, bool selected, HDC dc) {
    FillSolid(dc, rect, selected ? clHighlight : clWindow);
    int textLeft = rect.Left + 2;
    if (images_) {
        int image = index;
        if (OnGetImageIndex) OnGetImageIndex(this, index, image);
        if (image >= 0) {
            TCanvas canvas;
            canvas.SetHandle(dc);
            const int top = rect.Top + std::max(0, (rect.Bottom - rect.Top - images_->Height()) / 2);
            images_->Draw(&canvas, rect.Left + 2, top, image, Enabled());
            canvas.SetHandle(nullptr);
        }
        textLeft += images_->Width() + 4;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(selected ? clHighlightText : clWindowText)));
    HGDIOBJ oldFont = SelectObject(dc, Font()->Handle());
    const std::wstring text = ToWide(ItemText(index));
    RECT r = Win(TRect{textLeft, rect.Top, rect.Right, rect.Bottom});
    DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
}

void TPopupListboxEh::CNDrawItem(TMessage& m) {
    auto* item = reinterpret_cast<DRAWITEMSTRUCT*>(m.LParam);
    if (!item) return;
    if (item->itemID != static_cast<UINT>(-1)) {
        const int index = static_cast<int>(item->itemID);
        DrawItem(index, FromWinRect(item->rcItem), (item->itemState & ODS_SELECTED) != 0, item->hDC);
        if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(item->hDC, &item->rcItem);
    }
    m.Result = 1;
}

void TPopupListboxEh::WMNCCalcSize(TMessage& m) {
    DefaultHandler(m);
    if (!ctl3D_ || !m.LParam) return;
    auto* r = reinterpret_cast<RECT*>(m.LParam);
    InflateRect(r, -2, -2);
}

void TPopupListboxEh::WMNCPaint(TMessage& m) {
    DefaultHandler(m);
    if (!ctl3D_) return;
    HDC dc = GetWindowDC(WindowHandle());
    RECT r;
    GetWindowRect(WindowHandle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    DrawEdge(dc, &r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
    ReleaseDC(WindowHandle(), dc);
}

void TPopupListboxEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_DRAWITEM: return CNDrawItem(m);
    case WM_NCCALCSIZE: return WMNCCalcSize(m);
    case WM_NCPAINT: return WMNCPaint(m);
    case WM_DROPDOWN_PLACE_EH:
        if (grip_) grip_->MovePopup(static_cast<int>(m.WParam));
        return;
    case WM_MOUSEWHEEL: {
        const int delta = GET_WHEEL_DELTA_WPARAM(m.WParam);
        const int top = TopIndex() + (delta < 0 ? 1 : -1) * std::max(1, std::abs(delta) / WHEEL_DELTA);
        SendMessageW(WindowHandle(), LB_SETTOPINDEX, static_cast<WPARAM>(std::max(0, top)), 0);
        return;
    }
    default: return TWinControl::Dispatch(m);
    }
}

void TMRUListboxEh::CreateParams(TCreateParams& params) {
    TPopupListboxEh::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_BORDER);
}

// ---- TPopupMonthCalendarEh ------------------------------------------------------------------------

TPopupMonthCalendarEh::TPopupMonthCalendarEh(TComponent* owner) : TWinControl(owner) {
    InitCommonControlsOnce();
    SetVisible(false);
}

void TPopupMonthCalendarEh::CreateParams(TCreateParams& params) {
    InitCommonControlsOnce();
    TWinControl::CreateParams(params);
    CreateSubClass(params, MONTHCAL_CLASSW);
    params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_TABSTOP);
    params.Style |= WS_POPUP;
    params.ExStyle = WS_EX_TOOLWINDOW;
    params.WindowClass.style |= CS_SAVEBITS;
    params.WndParent = ParentWindow();
}

void TPopupMonthCalendarEh::CreateWnd() {
    TWinControl::CreateWnd();
    if (hasPendingDate_) SetDate(pendingDate_);
    AdjustSize();
}

void TPopupMonthCalendarEh::AdjustSize() {
    if (!HandleAllocated()) return;
    RECT r{};
    SendMessageW(WindowHandle(), MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&r));
    SetBounds(Left(), Top(), r.right - r.left + 2 * BorderWidth(), r.bottom - r.top + 2 * BorderWidth());
}

TDateTime TPopupMonthCalendarEh::Date() const {
    if (!HandleAllocated()) return pendingDate_;
    SYSTEMTIME st{};
    SendMessageW(const_cast<TPopupMonthCalendarEh*>(this)->WindowHandle(), MCM_GETCURSEL, 0,
                 reinterpret_cast<LPARAM>(&st));
    return EncodeDate(st.wYear, st.wMonth, st.wDay);
}

void TPopupMonthCalendarEh::SetDate(TDateTime value) {
    pendingDate_ = value;
    hasPendingDate_ = true;
    if (!HandleAllocated()) return;
    int year, month, day;
    DecodeDate(value, year, month, day);
    SYSTEMTIME st{};
    st.wYear = static_cast<WORD>(year);
    st.wMonth = static_cast<WORD>(month);
    st.wDay = static_cast<WORD>(day);
    SendMessageW(WindowHandle(), MCM_SETCURSEL, 0, reinterpret_cast<LPARAM>(&st));
}

IInplaceEditHolderEh* TPopupMonthCalendarEh::Holder() const { return dynamic_cast<IInplaceEditHolderEh*>(Owner()); }

void TPopupMonthCalendarEh::CloseUp(bool accept) {
    if (IInplaceEditHolderEh* holder = Holder()) holder->CloseUp(accept);
}

void TPopupMonthCalendarEh::KeyDown(WORD& key, TShiftState shift) {
    TWinControl::KeyDown(key, shift);
    if (key == VK_RETURN) {
        key = 0;
        CloseUp(true);
    } else if (key == VK_ESCAPE) {
        key = 0;
        CloseUp(false);
    }
}

void TPopupMonthCalendarEh::WMLButtonUp(TMessage& m) {
    DefaultHandler(m);
    if (!HandleAllocated()) return;
    MCHITTESTINFO hit{};
    hit.cbSize = sizeof(MCHITTESTINFO);
    hit.pt = POINT{LParamX(m.LParam), LParamY(m.LParam)};
    const UINT what = static_cast<UINT>(SendMessageW(WindowHandle(), MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
    if ((what & MCHT_CALENDARDATE) != 0 && what != MCHT_CALENDARDAY && what != MCHT_TITLEBTNNEXT &&
        what != MCHT_TITLEBTNPREV)
        CloseUp(true);
}

void TPopupMonthCalendarEh::WMNCCalcSize(TMessage& m) {
    DefaultHandler(m);
    if (m.LParam) InflateRect(reinterpret_cast<RECT*>(m.LParam), -BorderWidth(), -BorderWidth());
}

void TPopupMonthCalendarEh::WMNCPaint(TMessage& m) {
    DefaultHandler(m);
    HDC dc = GetWindowDC(WindowHandle());
    RECT r;
    GetWindowRect(WindowHandle(), &r);
    OffsetRect(&r, -r.left, -r.top);
    DrawEdge(dc, &r, BDR_RAISEDOUTER | BDR_RAISEDINNER, BF_RECT);
    ReleaseDC(WindowHandle(), dc);
}

void TPopupMonthCalendarEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONUP: return WMLButtonUp(m);
    case WM_LBUTTONDOWN: {
        const TPoint p{LParamX(m.LParam), LParamY(m.LParam)};
        if (!ClientRect().Contains(p)) return CloseUp(false);  // a press outside (while captured)
        return TWinControl::Dispatch(m);
    }
    case WM_NCCALCSIZE: return WMNCCalcSize(m);
    case WM_NCPAINT: return WMNCPaint(m);
    case WM_GETDLGCODE:
        DefaultHandler(m);
        m.Result |= DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTCHARS;
        return;
    case CM_WANTSPECIALKEY:
        if (m.WParam == VK_RETURN || m.WParam == VK_ESCAPE) {
            CloseUp(m.WParam == VK_RETURN);
            m.Result = 1;
            return;
        }
        return TWinControl::Dispatch(m);
    case WM_KILLFOCUS: {
        HWND next = reinterpret_cast<HWND>(m.WParam);
        if (!next || !IsChild(WindowHandle(), next)) PostMessageW(WindowHandle(), WM_DELAYED_CLOSEUP_EH, 0, 0);
        return TWinControl::Dispatch(m);
    }
    case WM_DELAYED_CLOSEUP_EH: return CloseUp(false);
    case WM_MOUSEWHEEL: {
        const int delta = GET_WHEEL_DELTA_WPARAM(m.WParam);
        SetDate(Date() + (delta < 0 ? 1 : -1));
        return;
    }
    default: return TWinControl::Dispatch(m);
    }
}

// ---- Start-up -------------------------------------------------------------------------------------

void ToolCtrlsEhInitialization() {
    ToolCtrlsGlobals& g = Globals();
    if (g.initCount++ > 0) return;
    InitCommonControlsOnce();
    g.flatButtonWidth = 0;
    g.flatButtonWidth = DefaultFlatButtonWidth();
    g.checkBoxSize = TSize();
    g.checkBoxSize = CheckBoxSize();
    g.cache = std::make_unique<TButtonsBitmapCache>();
    VLOG_TRACE(logGrid, "tools started: flat button width %d", g.flatButtonWidth);
}

void ToolCtrlsEhFinalization() {
    ToolCtrlsGlobals& g = Globals();
    if (g.initCount == 0 || --g.initCount > 0) return;
    g.cache.reset();
}
