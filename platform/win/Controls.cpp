#include "Controls.h"

#include "FormReader.h"
#include "Forms.h"
#include "ControlsInternal.h"
#include "TypeRegistry.h"

#include <algorithm>

using namespace controls_internal;

// ---- TControl ---------------------------------------------------------------------------------------

TControl::TControl(TComponent* owner) : TComponent(owner), font_(std::make_unique<TFont>()) {
    WindowProc = Event<&TControl::WndProc>(this);
    font_->OnChange = Event<&TControl::FontChanged>(this);
}

TControl::~TControl() {
    for (TBusyGuard* guard = tBusy; guard; guard = guard->previous_)
        if (guard->control_ == this)
            guard->destroyed_ = true;
    EraseValue(PendingFrees(), this);
    if (gCaptureControl == this) {
        gCaptureControl = nullptr;
        ReleaseCapture();
    }
    if (gMouseControl == this)
        gMouseControl = nullptr;
    ForgetDragControl(this);
    if (parent_)
        parent_->RemoveControl(this);
    if (!beforeDestructionDone_)
        VLOG_WARN(LogControls, "%s freed without Free (its BeforeDestruction did not run)",
                  ControlDisplayName(this).c_str());
}

void TControl::BeforeDestruction() {
    inherited::BeforeDestruction();
    ForgetDragControl(this);  // a drag of this control ends without a word
    beforeDestructionDone_ = true;
}

LRESULT TControl::Perform(UINT msg, WPARAM wParam, LPARAM lParam) {
    TMessage m{msg, wParam, lParam, 0};
    TBusyGuard guard(this);
    const TWndMethod proc = WindowProc;  // this control may be freed while it runs
    proc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& m) {
    if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
        NoteMousePoint(this, m.LParam);
        if (!controlStyle_.Contains(csDoubleClicks)) {
            switch (m.Msg) {
            case WM_LBUTTONDBLCLK: m.Msg = WM_LBUTTONDOWN; break;
            case WM_RBUTTONDBLCLK: m.Msg = WM_RBUTTONDOWN; break;
            case WM_MBUTTONDBLCLK: m.Msg = WM_MBUTTONDOWN; break;
            }
        }
        // An automatic drag waits for the mouse to move; the press itself is not the control's.
        if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && dragMode_ == dmAutomatic &&
            !(ComponentState() & csDesigning) && !Dragging()) {
            BeginDrag(false);
            return;
        }
        switch (m.Msg) {
        case WM_MOUSEMOVE: SetMouseControl(this); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: controlState_.Include(csLButtonDown); break;
        case WM_LBUTTONUP: controlState_.Exclude(csLButtonDown); break;
        }
        if (DragMessage(m))
            return;
    } else if (m.Msg == WM_CANCELMODE) {
        DragMessage(m);
    }
    Dispatch(m);
}

void TControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_LBUTTONDOWN: return WMButtonDown(m, mbLeft, false);
    case WM_LBUTTONDBLCLK: return WMButtonDown(m, mbLeft, true);
    case WM_RBUTTONDOWN: return WMButtonDown(m, mbRight, false);
    case WM_RBUTTONDBLCLK: return WMButtonDown(m, mbRight, true);
    case WM_MBUTTONDOWN: return WMButtonDown(m, mbMiddle, false);
    case WM_MBUTTONDBLCLK: return WMButtonDown(m, mbMiddle, true);
    case WM_LBUTTONUP: return WMButtonUp(m, mbLeft);
    case WM_RBUTTONUP: return WMButtonUp(m, mbRight);
    case WM_MBUTTONUP: return WMButtonUp(m, mbMiddle);
    case WM_MOUSEMOVE: return WMMouseMove(m);
    case WM_MOUSEWHEEL: return WMMouseWheel(m);
    case WM_CANCELMODE: return WMCancelMode(m);
    case CM_ENABLEDCHANGED: return CMEnabledChanged(m);
    case CM_VISIBLECHANGED: return CMVisibleChanged(m);
    case CM_FONTCHANGED: return CMFontChanged(m);
    case CM_COLORCHANGED: return CMColorChanged(m);
    case CM_PARENTFONTCHANGED: return CMParentFontChanged(m);
    case CM_PARENTCOLORCHANGED: return CMParentColorChanged(m);
    case CM_PARENTSHOWHINTCHANGED: return CMParentShowHintChanged(m);
    case CM_TEXTCHANGED: return CMTextChanged(m);
    case CM_MOUSEENTER: return CMMouseEnter(m);
    case CM_MOUSELEAVE: return CMMouseLeave(m);
    case CM_HITTEST: return CMHitTest(m);
    case CM_MOUSEWHEEL: return CMMouseWheel(m);
    case CM_CANCELMODE: return CMCancelMode(m);
    default:
        if (IsClassLibraryMessage(m.Msg) && !IsQuietNotification(m.Msg))
            VLOG_ERROR(LogControls, "%s: unhandled %s (wParam 0x%llx, lParam 0x%llx)",
                       ControlDisplayName(this).c_str(), MessageName(m.Msg).c_str(),
                       static_cast<unsigned long long>(m.WParam), static_cast<unsigned long long>(m.LParam));
        DefaultHandler(m);
    }
}

void TControl::DefaultHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_GETTEXT:
    case WM_GETTEXTLENGTH:
    case WM_SETTEXT:
        DefaultTextHandler(m);
        break;
    default:
        break;
    }
}

void TControl::DefaultTextHandler(TMessage& m) {
    switch (m.Msg) {
    case WM_GETTEXTLENGTH:
        m.Result = static_cast<LRESULT>(ToWide(text_).size());
        break;
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<wchar_t*>(m.LParam);
        const std::size_t size = m.WParam;
        if (!buffer || size == 0) {
            m.Result = 0;
            break;
        }
        const std::wstring wide = ToWide(text_);
        const std::size_t count = std::min(wide.size(), size - 1);
        std::copy_n(wide.data(), count, buffer);
        buffer[count] = L'\0';
        m.Result = static_cast<LRESULT>(count);
        break;
    }
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<const wchar_t*>(m.LParam);
        text_ = FromWide(text);
        m.Result = TRUE;
        break;
    }
    }
}

void TControl::SetParent(TWinControl* parent) {
    if (parent_ == parent)
        return;
    if (parent == this)
        throw EInvalidOperation("A control cannot have itself as its parent");
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this)
            throw EInvalidOperation("A control cannot have one of its children as its parent");
    if (parent_)
        parent_->RemoveControl(this);
    if (parent)
        parent->InsertControl(this);
}

void TControl::SetParentComponent(TComponent* parent) {
    if (auto* win = dynamic_cast<TWinControl*>(parent))
        SetParent(win);
}

TComponent* TControl::GetParentComponent() const {
    return parent_;
}

void TControl::Loaded() {
    inherited::Loaded();
}

void TControl::ReadState(TReader& reader) {
    controlState_.Include(csReadingState);
    try {
        inherited::ReadState(reader);
    } catch (...) {
        controlState_.Exclude(csReadingState);
        throw;
    }
    controlState_.Exclude(csReadingState);
    if (parent_) {
        Perform(CM_PARENTCOLORCHANGED);
        Perform(CM_PARENTFONTCHANGED);
        Perform(CM_PARENTSHOWHINTCHANGED);
    }
}

void TControl::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == popupMenu_)
        popupMenu_ = nullptr;
}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    InvalidateRectInParent(BoundsRect());
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    Invalidate();
    RequestAlign();
    if (!(ComponentState() & csLoading))
        Resize();
}

TRect TControl::ClientRect() {
    return Rect(0, 0, width_, height_);
}

void TControl::SetClientWidth(int value) {
    SetWidth(width_ - ClientRect().Right + value);
}

void TControl::SetClientHeight(int value) {
    SetHeight(height_ - ClientRect().Bottom + value);
}

TPoint TControl::ClientOrigin() {
    if (!parent_)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    TPoint origin = parent_->ClientOrigin();
    return Point(origin.X + left_, origin.Y + top_);
}

TPoint TControl::ClientToScreen(TPoint point) {
    const TPoint origin = ClientOrigin();
    return Point(point.X + origin.X, point.Y + origin.Y);
}

TPoint TControl::ScreenToClient(TPoint point) {
    const TPoint origin = ClientOrigin();
    return Point(point.X - origin.X, point.Y - origin.Y);
}

void TControl::SetAlign(TAlign value) {
    if (align_ == value)
        return;
    align_ = value;
    RequestAlign();
}

void TControl::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    Perform(CM_VISIBLECHANGED, value ? 1 : 0);
    RequestAlign();
}

void TControl::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    Perform(CM_ENABLEDCHANGED);
}

void TControl::BringToFront() {
    SetZOrder(true);
}

void TControl::SendToBack() {
    SetZOrder(false);
}

void TControl::SetZOrder(bool topMost) {
    if (!parent_)
        return;
    auto& list = parent_->controls_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    list.erase(it);
    if (topMost)
        list.push_back(this);
    else
        list.insert(list.begin(), this);
    Invalidate();
}

String TControl::Text() {
    const int length = GetTextLen();
    if (length <= 0)
        return String();
    std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetTextBuf(buffer.data(), length + 1);
    return FromWide(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
}

void TControl::SetText(const String& value) {
    if (Text() == value)
        return;
    const std::wstring wide = ToWide(value);
    SetTextBuf(wide.c_str());
}

int TControl::GetTextLen() {
    return static_cast<int>(Perform(WM_GETTEXTLENGTH));
}

int TControl::GetTextBuf(wchar_t* buffer, int size) {
    return static_cast<int>(Perform(WM_GETTEXT, static_cast<WPARAM>(std::max(size, 0)),
                                    reinterpret_cast<LPARAM>(buffer)));
}

void TControl::SetTextBuf(const wchar_t* buffer) {
    Perform(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(buffer ? buffer : L""));
    Perform(CM_TEXTCHANGED);
}

void TControl::FontChanged(TObject*) {
    if (!takingParentFont_)
        parentFont_ = false;
    Perform(CM_FONTCHANGED);
}

void TControl::SetColor(TColor value) {
    if (color_ == value) {
        parentColor_ = false;
        return;
    }
    color_ = value;
    parentColor_ = false;
    Perform(CM_COLORCHANGED);
}

void TControl::SetParentFont(bool value) {
    if (parentFont_ == value)
        return;
    parentFont_ = value;
    if (value && parent_ && !(ComponentState() & csReading))
        Perform(CM_PARENTFONTCHANGED);
}

void TControl::SetParentColor(bool value) {
    if (parentColor_ == value)
        return;
    parentColor_ = value;
    if (value && parent_ && !(ComponentState() & csReading))
        Perform(CM_PARENTCOLORCHANGED);
}

void TControl::SetCursor(TCursor value) {
    if (cursor_ == value)
        return;
    cursor_ = value;
    Perform(CM_CURSORCHANGED);
}

void TControl::SetHint(const String& value) {
    if (hint_ == value)
        return;
    hint_ = value;
    if (auto* win = dynamic_cast<TWinControl*>(this); win && Application)
        Application->HintChanged(win);
}

void TControl::SetShowHint(bool value) {
    parentShowHint_ = false;
    if (showHint_ == value)
        return;
    showHint_ = value;
    if (auto* win = dynamic_cast<TWinControl*>(this); win && Application)
        Application->HintChanged(win);
    Perform(CM_SHOWHINTCHANGED);
}

void TControl::SetParentShowHint(bool value) {
    if (parentShowHint_ == value)
        return;
    parentShowHint_ = value;
    if (value && parent_ && !(ComponentState() & csReading))
        Perform(CM_PARENTSHOWHINTCHANGED);
}

void TControl::SetPopupMenu(TComponent* value) {
    if (popupMenu_ == value)
        return;
    popupMenu_ = value;
    if (value)
        value->FreeNotification(this);
}

void TControl::Invalidate() {
    InvalidateRectInParent(BoundsRect());
}

void TControl::InvalidateRectInParent(const TRect& r) {
    if (!visible_ || !parent_ || !parent_->HandleAllocated())
        return;
    const RECT rect = ToWinRect(r);
    InvalidateRect(parent_->WindowHandle(), &rect, !controlStyle_.Contains(csOpaque));
}

void TControl::Update() {
    if (parent_)
        parent_->Update();
}

void TControl::Repaint() {
    Invalidate();
    Update();
}

void TControl::SetMouseCapture(bool value) {
    if (MouseCapture() == value)
        return;
    SetCaptureControl(value ? this : nullptr);
}

void TControl::Click() {
    if (OnClick)
        OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick)
        OnDblClick(this);
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseDown)
        OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseMove(TShiftState shift, int x, int y) {
    if (OnMouseMove)
        OnMouseMove(this, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (OnMouseUp)
        OnMouseUp(this, button, shift, x, y);
}

bool TControl::DoMouseWheel(TShiftState shift, int wheelDelta, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheel)
        OnMouseWheel(this, shift, wheelDelta, mousePos, handled);
    if (handled)
        return true;
    wheelAccumulator_ += wheelDelta;
    while (std::abs(wheelAccumulator_) >= WHEEL_DELTA) {
        if (wheelAccumulator_ < 0) {
            wheelAccumulator_ += WHEEL_DELTA;
            handled = DoMouseWheelDown(shift, mousePos);
        } else {
            wheelAccumulator_ -= WHEEL_DELTA;
            handled = DoMouseWheelUp(shift, mousePos);
        }
    }
    return handled;
}

bool TControl::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelDown)
        OnMouseWheelDown(this, shift, mousePos, handled);
    return handled;
}

bool TControl::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    bool handled = false;
    if (OnMouseWheelUp)
        OnMouseWheelUp(this, shift, mousePos, handled);
    return handled;
}

void TControl::Resize() {
    if (OnResize)
        OnResize(this);
}

void TControl::RequestAlign() {
    if (parent_)
        parent_->AlignControl(this);
}

HDC TControl::GetDeviceContext(HWND& window) {
    if (!parent_)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    HDC dc = parent_->GetDeviceContext(window);
    SetViewportOrgEx(dc, left_, top_, nullptr);
    IntersectClipRect(dc, 0, 0, width_, height_);
    return dc;
}

void TControl::SendCancelMode(TControl* sender) {
    for (TControl* control = this; control; control = control->parent_)
        if (auto* form = dynamic_cast<TCustomForm*>(control))
            form->SendCancelMode(sender);
}

void TControl::DoMouseDown(TMessage& m, TMouseButton button, TShiftState extra) {
    if (!controlStyle_.Contains(csNoStdEvents))
        MouseDown(button, KeysToShiftState(m.WParam) + extra, LParamX(m.LParam), LParamY(m.LParam));
}

void TControl::DoMouseUp(TMessage& m, TMouseButton button) {
    if (!controlStyle_.Contains(csNoStdEvents))
        MouseUp(button, KeysToShiftState(m.WParam), LParamX(m.LParam), LParamY(m.LParam));
}

void TControl::WMButtonDown(TMessage& m, TMouseButton button, bool doubleClick) {
    TBusyGuard guard(this);
    if (button == mbLeft)
        SendCancelMode(this);
    DefaultHandler(m);
    if (guard.Destroyed())
        return;
    if (button == mbLeft) {
        if (controlStyle_.Contains(csCaptureMouse))
            SetMouseCapture(true);
        if (controlStyle_.Contains(csClickEvents)) {
            if (doubleClick) {
                DblClick();
                if (guard.Destroyed())
                    return;
            } else {
                controlState_.Include(csClicked);
            }
        }
    }
    DoMouseDown(m, button, doubleClick ? TShiftState{ssDouble} : TShiftState{});
}

void TControl::WMButtonUp(TMessage& m, TMouseButton button) {
    TBusyGuard guard(this);
    DefaultHandler(m);
    if (guard.Destroyed())
        return;
    if (button == mbLeft) {
        if (controlStyle_.Contains(csCaptureMouse))
            SetMouseCapture(false);
        if (controlState_.Contains(csClicked)) {
            controlState_.Exclude(csClicked);
            if (ClientRect().Contains(Point(LParamX(m.LParam), LParamY(m.LParam)))) {
                Click();
                if (guard.Destroyed())
                    return;
            }
        }
    }
    DoMouseUp(m, button);
}

void TControl::WMMouseMove(TMessage& m) {
    DefaultHandler(m);
    if (!controlStyle_.Contains(csNoStdEvents))
        MouseMove(KeysToShiftState(m.WParam), LParamX(m.LParam), LParamY(m.LParam));
}

void TControl::WMMouseWheel(TMessage& m) {
    m.Result = Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
    if (m.Result == 0)
        DefaultHandler(m);
}

void TControl::CMMouseWheel(TMessage& m) {
    const TShiftState shift = KeysToShiftState(LOWORD(m.WParam));
    const int delta = static_cast<short>(HIWORD(m.WParam));
    const TPoint pos = Point(LParamX(m.LParam), LParamY(m.LParam));
    m.Result = 0;
    if (DoMouseWheel(shift, delta, pos))
        m.Result = 1;
    else if (parent_)
        m.Result = parent_->Perform(CM_MOUSEWHEEL, m.WParam, m.LParam);
}

void TControl::WMCancelMode(TMessage& m) {
    if (MouseCapture()) {
        SetMouseCapture(false);
        if (controlState_.Contains(csLButtonDown))
            Perform(WM_LBUTTONUP, 0, PointToLParam(-1, -1));
    } else {
        controlState_.Exclude(csLButtonDown);
    }
    DefaultHandler(m);
}

void TControl::CMEnabledChanged(TMessage&) {
    Invalidate();
}

void TControl::CMVisibleChanged(TMessage&) {
    // A graphic control: its place in the parent is repainted.
    if (parent_ && parent_->HandleAllocated()) {
        const RECT rect = ToWinRect(BoundsRect());
        InvalidateRect(parent_->WindowHandle(), &rect, TRUE);
    }
}

void TControl::CMFontChanged(TMessage&) {
    Invalidate();
}

void TControl::CMColorChanged(TMessage&) {
    Invalidate();
}

void TControl::CMParentFontChanged(TMessage& m) {
    if (!parentFont_)
        return;
    TFont* source = m.WParam ? reinterpret_cast<TFont*>(m.LParam) : (parent_ ? parent_->Font() : nullptr);
    if (!source)
        return;
    takingParentFont_ = true;
    try {
        font_->Assign(source);
    } catch (...) {
        takingParentFont_ = false;
        throw;
    }
    takingParentFont_ = false;
}

void TControl::CMParentColorChanged(TMessage& m) {
    if (!parentColor_)
        return;
    const TColor color = m.WParam ? static_cast<TColor>(m.LParam) : (parent_ ? parent_->Color() : color_);
    SetColor(color);
    parentColor_ = true;
}

void TControl::CMParentShowHintChanged(TMessage&) {
    if (parentShowHint_ && parent_) {
        SetShowHint(parent_->ShowHint());
        parentShowHint_ = true;
    }
}

// ---- Control canvases -------------------------------------------------------------------------------

TControlCanvas::~TControlCanvas() {
    FreeHandle();
}

void TControlCanvas::SetControl(TControl* control) {
    if (control_ == control)
        return;
    FreeHandle();
    control_ = control;
}

void TControlCanvas::CreateHandle() {
    if (!control_)
        return;
    HWND window = nullptr;
    HDC dc = control_->GetDeviceContext(window);
    if (!dc)
        return;
    ownDC_ = dc;
    ownWindow_ = window;
    CanvasesWithDC().push_back(this);
    SetHandle(dc);
}

void TControlCanvas::FreeHandle() {
    if (!ownDC_)
        return;
    HDC dc = ownDC_;
    ownDC_ = nullptr;
    SetHandle(nullptr);
    ReleaseDC(ownWindow_, dc);
    ownWindow_ = nullptr;
    EraseValue(CanvasesWithDC(), this);
}

void FreeDeviceContexts() {
    auto list = CanvasesWithDC();
    for (TControlCanvas* canvas : list)
        canvas->FreeHandle();
}

TGraphicControl::TGraphicControl(TComponent* owner)
    : TControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
}

TGraphicControl::~TGraphicControl() = default;

void TGraphicControl::Dispatch(TMessage& m) {
    if (m.Msg != WM_PAINT) {
        inherited::Dispatch(m);
        return;
    }
    auto dc = reinterpret_cast<HDC>(m.WParam);
    if (!dc)
        return;
    canvas_->FreeHandle();
    canvas_->SetHandle(dc);
    try {
        Paint();
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}

TCustomControl::TCustomControl(TComponent* owner)
    : TWinControl(owner), canvas_(std::make_unique<TControlCanvas>()) {
    canvas_->SetControl(this);
    SetControlState(ControlState() + TControlState{csCustomPaint});
}

TCustomControl::~TCustomControl() = default;

void TCustomControl::PaintWindow(HDC dc) {
    canvas_->FreeHandle();
    canvas_->SetHandle(dc);
    try {
        Paint();
    } catch (...) {
        canvas_->SetHandle(nullptr);
        throw;
    }
    canvas_->SetHandle(nullptr);
}

void TCustomControl::DestroyWnd() {
    canvas_->FreeHandle();
    inherited::DestroyWnd();
}

// ---- Registration -----------------------------------------------------------------------------------

namespace {


constexpr TIdentMapEntry kCursorIdents[] = {
    {crDefault, "crDefault"}, {crNone, "crNone"}, {crArrow, "crArrow"}, {crCross, "crCross"},
    {crIBeam, "crIBeam"}, {crSizeNESW, "crSizeNESW"}, {crSizeNS, "crSizeNS"}, {crSizeNWSE, "crSizeNWSE"},
    {crSizeWE, "crSizeWE"}, {crUpArrow, "crUpArrow"}, {crHourGlass, "crHourGlass"}, {crDrag, "crDrag"},
    {crNoDrop, "crNoDrop"}, {crHSplit, "crHSplit"}, {crVSplit, "crVSplit"}, {crMultiDrag, "crMultiDrag"},
    {crSQLWait, "crSQLWait"}, {crNo, "crNo"}, {crAppStart, "crAppStart"}, {crHelp, "crHelp"},
    {crHandPoint, "crHandPoint"}, {crSizeAll, "crSizeAll"}, {crSize, "crSize"},
};

}  // namespace

void RegisterControlsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterFontProperties();
    RegisterProperties<TControl>()
        .Int("Left", &TControl::Left, &TControl::SetLeft)
        .Int("Top", &TControl::Top, &TControl::SetTop)
        .Int("Width", &TControl::Width, &TControl::SetWidth)
        .Int("Height", &TControl::Height, &TControl::SetHeight)
        .Enum("Align", &TControl::Align, &TControl::SetAlign,
              {"alNone", "alTop", "alBottom", "alLeft", "alRight", "alClient", "alCustom"})
        .Bool("Visible", &TControl::Visible, &TControl::SetVisible)
        .Bool("Enabled", &TControl::Enabled, &TControl::SetEnabled)
        .Str("Caption", &TControl::Caption, &TControl::SetCaption)
        .Str("Text", &TControl::Text, &TControl::SetText)
        .Int("Color", &TControl::Color, &TControl::SetColor)
        .Idents(ColorIdents())
        .Bool("ParentColor", &TControl::ParentColor, &TControl::SetParentColor)
        .Object("Font", &TControl::Font)
        .Bool("ParentFont", &TControl::ParentFont, &TControl::SetParentFont)
        .Int("Cursor", &TControl::Cursor, &TControl::SetCursor)
        .Idents(kCursorIdents)
        .Int("DragCursor", &TControl::DragCursor, &TControl::SetDragCursor)
        .Idents(kCursorIdents)
        .Enum("DragMode", &TControl::DragMode, &TControl::SetDragMode, {"dmManual", "dmAutomatic"})
        .Str("Hint", &TControl::Hint, &TControl::SetHint)
        .Bool("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
        .Bool("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint)
        .Component("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu)
        .Event("OnClick", &TControl::OnClick)
        .Event("OnDblClick", &TControl::OnDblClick)
        .Event("OnResize", &TControl::OnResize)
        .Event("OnMouseDown", &TControl::OnMouseDown)
        .Event("OnMouseMove", &TControl::OnMouseMove)
        .Event("OnMouseUp", &TControl::OnMouseUp)
        .Event("OnMouseWheel", &TControl::OnMouseWheel)
        .Event("OnMouseWheelDown", &TControl::OnMouseWheelDown)
        .Event("OnMouseWheelUp", &TControl::OnMouseWheelUp)
        .Event("OnDragOver", &TControl::OnDragOver)
        .Event("OnDragDrop", &TControl::OnDragDrop)
        .Event("OnEndDrag", &TControl::OnEndDrag);
    RegisterProperties<TWinControl>()
        .Bool("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop)
        .Int("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder)
        .Event("OnEnter", &TWinControl::OnEnter)
        .Event("OnExit", &TWinControl::OnExit)
        .Event("OnKeyDown", &TWinControl::OnKeyDown)
        .Event("OnKeyUp", &TWinControl::OnKeyUp)
        .Event("OnKeyPress", &TWinControl::OnKeyPress);
}
