#include "RzEdit.h"

#include "TypeRegistry.h"

bool IsOldEditSystem() {
    const DWORD version = GetVersion();
    return LOBYTE(LOWORD(version)) == 4 && HIBYTE(LOWORD(version)) == 0;
}

TRzCustomEdit::TRzCustomEdit(TComponent* owner) : TCustomMaskEdit(owner) {
    TControlStyle style = ControlStyle();
    style.Exclude(csSetCaption);
    style.Include(csCaptureMouse);
    SetControlStyle(style);
}

TRzCustomEdit::~TRzCustomEdit() = default;

void TRzCustomEdit::BeforeDestruction() {
    // Unregistered before the window goes.
    if (frameController_) {
        frameController_->UnregisterControl(this);
        frameController_->RemoveFreeNotification(this);
        frameController_ = nullptr;
    }
    inherited::BeforeDestruction();
}

void TRzCustomEdit::Loaded() {
    inherited::Loaded();
    UpdateColors();
    UpdateHotState(false, false);
}

void TRzCustomEdit::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == frameController_)
        frameController_ = nullptr;
}

// ---- Colours ------------------------------------------------------------------------------------

void TRzCustomEdit::SetColor(TColor value) {
    if (value == Color())
        return;
    if (!updatingColor_) {
        if (focusColor_ == normalColor_)
            focusColor_ = value;
        normalColor_ = value;
    }
    TControl::SetColor(value);
    if (frameVisible_ && !UsingXPThemes())
        RepaintNonClient();
}

void TRzCustomEdit::UpdateColors() {
    if (ComponentState() & csLoading)
        return;
    updatingColor_ = true;
    try {
        if (!Enabled())
            SetColor(disabledColor_);
        else if (inControl_)
            SetColor(focusColor_);
        else
            SetColor(normalColor_);
    } catch (...) {
        updatingColor_ = false;
        throw;
    }
    updatingColor_ = false;
}

void TRzCustomEdit::ChangeDisabledColor(TColor value) {
    disabledColor_ = value;
    if (!Enabled())
        UpdateColors();
}

void TRzCustomEdit::ChangeFocusColor(TColor value) {
    focusColor_ = value;
    if (inControl_)
        UpdateColors();
}

void TRzCustomEdit::ChangeFlatButtonColor(TColor value) {
    if (value == flatButtonColor_)
        return;
    flatButtonColor_ = value;
    if (dropButtonVisible_)
        RepaintNonClient();
}

// ---- Frame --------------------------------------------------------------------------------------

void TRzCustomEdit::ChangeFrameColor(TColor value) {
    if (value == frameColor_)
        return;
    frameColor_ = value;
    RedrawFrame();
}

void TRzCustomEdit::ChangeFrameHotColor(TColor value) {
    if (value == frameHotColor_)
        return;
    frameHotColor_ = value;
    RedrawFrame();
}

void TRzCustomEdit::ChangeFrameHotStyle(TFrameStyle value) {
    if (value == frameHotStyle_)
        return;
    frameHotStyle_ = value;
    RedrawFrame();
}

void TRzCustomEdit::ChangeFrameSides(TSides value) {
    if (value == frameSides_)
        return;
    frameSides_ = value;
    RedrawFrame();
}

void TRzCustomEdit::ChangeFrameStyle(TFrameStyle value) {
    if (value == frameStyle_)
        return;
    frameStyle_ = value;
    RedrawFrame();
}

void TRzCustomEdit::ChangeFrameHotTrack(bool value) {
    if (value == frameHotTrack_)
        return;
    frameHotTrack_ = value;
    if (value) {
        ChangeFrameVisible(true);
        if (!(ComponentState() & csLoading))
            frameSides_ = sdAllSides;
    }
    RedrawFrame();
    Invalidate();
}

void TRzCustomEdit::ChangeFrameVisible(bool value) {
    if (value == frameVisible_)
        return;
    frameVisible_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TRzCustomEdit::ChangeFramingPreference(TFramingPreference value) {
    if (value == framingPreference_)
        return;
    framingPreference_ = value;
    if (value == fpCustomFraming)
        RedrawFrame();
}

void TRzCustomEdit::ChangeFrameController(TRzFrameController* value) {
    if (value == frameController_)
        return;
    if (frameController_) {
        frameController_->UnregisterControl(this);
        frameController_->RemoveFreeNotification(this);
    }
    frameController_ = value;
    if (value) {
        value->RegisterControl(this);
        value->FreeNotification(this);
    }
}

void TRzCustomEdit::ReadFrameFlat(bool value) {
    ChangeFrameHotTrack(value);
    if (value) {
        ChangeFrameStyle(fsStatus);
        ChangeFrameHotStyle(fsLowered);
    }
}

bool TRzCustomEdit::UsingXPThemes() const {
    return framingPreference_ == fpXPThemes && ThemesEnabled();
}

void TRzCustomEdit::RedrawFrame() {
    if (!HandleAllocated())
        return;
    const RECT client = ToWinRect(ClientRect());
    RedrawWindow(WindowHandle(), &client, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_INVALIDATE);
}

void TRzCustomEdit::RepaintNonClient() {
    if (HandleAllocated())
        SendMessageW(WindowHandle(), WM_NCPAINT, 1, 0);
}

void TRzCustomEdit::SetAlignment(TLeftRight value) {
    if (value == alignment_)
        return;
    alignment_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TRzCustomEdit::ReadEditRect(TRect& rect) {
    rect = ClientRect();
}

void TRzCustomEdit::RightAlignedText(String& text) {
    text = Text();
}

void TRzCustomEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
    params.Style &= ~static_cast<DWORD>(ES_MULTILINE);
    if (alignment_ == taRightJustify)
        params.Style |= ES_RIGHT;
}

void TRzCustomEdit::PaintFrameTo(TCanvas& canvas) {
    if (frameVisible_ && !UsingXPThemes()) {
        const bool hot = frameHotTrack_ && (inControl_ || overControl_);
        PaintStyledFrame(canvas, Width(), Height(), false, frameSides_, hot ? frameHotColor_ : frameColor_, Color(),
                         hot ? frameHotStyle_ : frameStyle_);
    }
    if (!dropButtonVisible_)
        return;
    TRect r = Rect(0, 0, Width(), Height());
    const int inset = ThemesEnabled() ? 1 : 2;
    r = Rect(r.Left + inset, r.Top + inset, r.Right - inset, r.Bottom - inset);
    canvas.IntersectClip(r);
    const int strip = GetSystemMetrics(SM_CXVSCROLL);
    const TRect button = Rect(r.Right - strip, r.Top, r.Right, r.Bottom);
    DrawDropButton(canvas, button);
    canvas.ExcludeClip(button);
    // The client area is the edit's own; the rest of the border's inside takes the background.
    if (HandleAllocated()) {
        RECT window, client;
        GetWindowRect(WindowHandle(), &window);
        GetClientRect(WindowHandle(), &client);
        POINT origin{0, 0};
        ::ClientToScreen(WindowHandle(), &origin);
        const int dx = origin.x - window.left, dy = origin.y - window.top;
        canvas.ExcludeClip(Rect(client.left + dx, client.top + dy, client.right + dx, client.bottom + dy));
    }
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(r);
}

void TRzCustomEdit::DrawDropButton(TCanvas& canvas, const TRect& rect) {
    const bool down = dropButtonState_ == bsDown;
    const bool hot = inControl_ || overControl_;
    canvas.Brush()->SetColor(clBtnFace);
    if (!flatButtons_) {
        RECT r = ToWinRect(rect);
        UINT state = DFCS_SCROLLCOMBOBOX;
        if (down)
            state |= DFCS_PUSHED | DFCS_FLAT;
        if (!Enabled())
            state |= DFCS_INACTIVE;
        DrawFrameControl(canvas.Handle(), &r, DFC_SCROLL, state);
        return;
    }
    TRect inside = rect;
    if (hot) {
        canvas.Brush()->SetColor(flatButtonColor_);
        if (flatButtonColor_ == clBtnFace)
            inside = down ? PaintBevel(canvas, rect, clBtnShadow, clBtnHighlight, sdAllSides, 1)
                          : PaintBevel(canvas, rect, clBtnHighlight, clBtnShadow, sdAllSides, 1);
        else
            inside = PaintColorBorder(canvas, rect, flatButtonColor_, down ? fsStatus : fsPopup);
        canvas.FillRect(inside);
        PaintComboArrow(canvas, rect, TArrowKind::Plain, Enabled(), down);
    } else {
        canvas.Brush()->SetColor(inControl_ ? focusColor_ : normalColor_);
        canvas.FillRect(rect);
        PaintComboArrow(canvas, rect, TArrowKind::Plain, Enabled(), false);
    }
}

// ---- State --------------------------------------------------------------------------------------

void TRzCustomEdit::UpdateHotState(bool over, bool value) {
    if (over)
        overControl_ = value;
    else
        inControl_ = value;
    if (dropButtonVisible_) {
        if ((flatButtons_ || frameHotTrack_ || ThemesEnabled()) && dropButtonState_ != bsDown && HandleAllocated()) {
            TRect r = ClientRect();
            if (!frameHotTrack_)
                r.Left = r.Right - GetSystemMetrics(SM_CXVSCROLL) - 2;
            const RECT area = ToWinRect(r);
            RedrawWindow(WindowHandle(), &area, nullptr, RDW_FRAME | RDW_UPDATENOW | RDW_NOERASE | RDW_INVALIDATE);
        }
    } else if (frameHotTrack_) {
        RedrawFrame();
    }
    UpdateColors();
}

void TRzCustomEdit::ChangeFlatButtons(bool value) {
    if (value == flatButtons_)
        return;
    flatButtons_ = value;
    RepaintNonClient();
}

void TRzCustomEdit::SetDropButtonVisible(bool value) {
    if (value == dropButtonVisible_)
        return;
    dropButtonVisible_ = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TRzCustomEdit::SetDropButtonState(TButtonState value) {
    if (!dropButtonVisible_ || value == dropButtonState_)
        return;
    dropButtonState_ = value;
    RepaintNonClient();
}

void TRzCustomEdit::DropDown() {
    if (!dropButtonVisible_)
        return;
    droppedDown_ = true;
    try {
        SetMouseCapture(true);
        SetDropButtonState(bsDown);
        DoDropDown();
        DoCloseUp();
        SetDropButtonState(bsUp);
    } catch (...) {
        droppedDown_ = false;
        throw;
    }
    droppedDown_ = false;
}

void TRzCustomEdit::StopTracking() {
    if (!droppedDown_)
        SetDropButtonState(bsUp);
    if (MouseCapture())
        SetMouseCapture(false);
}

void TRzCustomEdit::DoMouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TRzCustomEdit::DoMouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TRzCustomEdit::DoDropDown() {
    if (OnDropDown)
        OnDropDown(this);
}

void TRzCustomEdit::DoCloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TRzCustomEdit::ValidateError() {
    if (OnValidateError) {
        String message;
        OnValidateError(this, message);
        if (!message.empty()) {
            MessageBeep(0);
            throw EDBEditError(message);
        }
    }
    inherited::ValidateError();
}

// ---- Keys and messages --------------------------------------------------------------------------

void TRzCustomEdit::KeyPress(wchar_t& key) {
    if (tabOnEnter_ && key == L'\r') {
        // Focus moves on as for Tab; the key goes through the form's key handling.
        key = 0;
        if (HandleAllocated())
            PostMessageW(WindowHandle(), WM_KEYDOWN, VK_TAB, 0);
        return;
    }
    if (alignment_ == taRightJustify && key == L'\r' && IsOldEditSystem()) {
        key = 0;
        return;
    }
    inherited::KeyPress(key);
}

void TRzCustomEdit::KeyDown(WORD& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    if (dropButtonVisible_ && key == VK_DOWN && shift == TShiftState{ssAlt}) {
        DropDown();
        key = 0;
    }
}

void TRzCustomEdit::CMEnter(TMessage& m) {
    UpdateHotState(false, true);
    inherited::CMEnter(m);
}

void TRzCustomEdit::CMExit(TMessage& m) {
    inherited::CMExit(m);
    UpdateHotState(false, false);
}

void TRzCustomEdit::CMMouseEnter(TMessage& m) {
    inherited::CMMouseEnter(m);
    if (ComponentState() & csDesigning)
        return;
    UpdateHotState(true, true);
    DoMouseEnter();
}

void TRzCustomEdit::CMMouseLeave(TMessage& m) {
    inherited::CMMouseLeave(m);
    if (ComponentState() & csDesigning)
        return;
    UpdateHotState(true, false);
    DoMouseLeave();
}

void TRzCustomEdit::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    RepaintNonClient();
    UpdateColors();
}

void TRzCustomEdit::CMParentColorChanged(TMessage& m) {
    inherited::CMParentColorChanged(m);
    if (frameVisible_ && !UsingXPThemes())
        RedrawFrame();
}

void TRzCustomEdit::WMNCPaint(TMessage& m) {
    DefaultHandler(m);
    if (!HandleAllocated() || (!frameVisible_ && !dropButtonVisible_))
        return;
    HWND window = WindowHandle();
    HDC dc = GetWindowDC(window);
    TCanvas canvas;
    canvas.SetHandle(dc);
    try {
        PaintFrameTo(canvas);
    } catch (...) {
        canvas.SetHandle(nullptr);
        ReleaseDC(window, dc);
        throw;
    }
    canvas.SetHandle(nullptr);
    ReleaseDC(window, dc);
    m.Result = 0;
}

void TRzCustomEdit::WMNCCalcSize(TMessage& m) {
    if (dropButtonVisible_ && m.LParam) {
        auto* rect = reinterpret_cast<RECT*>(m.LParam);  // the first rectangle in both forms
        rect->right -= GetSystemMetrics(SM_CXVSCROLL) - (ThemesEnabled() ? 1 : 0);
    }
    DefaultHandler(m);
}

void TRzCustomEdit::WMNCHitTest(TMessage& m) {
    DefaultHandler(m);
    if (dropButtonVisible_ && m.Result == HTNOWHERE) {
        mouseOverButton_ = true;
        m.Result = HTCLIENT;
    } else {
        mouseOverButton_ = false;
    }
}

void TRzCustomEdit::WMButtonDownOnDropButton(TMessage& m) {
    if (!Focused())
        SetFocus();
    DropDown();
    m.Result = 0;
}

void TRzCustomEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_NCPAINT: return WMNCPaint(m);
    case WM_NCCALCSIZE: return WMNCCalcSize(m);
    case WM_NCHITTEST: return WMNCHitTest(m);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (mouseOverButton_ && dropButtonVisible_)
            return WMButtonDownOnDropButton(m);
        inherited::Dispatch(m);
        if (m.Msg == WM_LBUTTONDOWN && !Focused())
            StopTracking();
        return;
    case WM_LBUTTONUP:
        StopTracking();
        return inherited::Dispatch(m);
    case WM_RBUTTONDOWN:
        if (mouseOverButton_ && dropButtonVisible_) {
            m.Result = 0;
            return;
        }
        return inherited::Dispatch(m);
    case WM_SETCURSOR:
        if (mouseOverButton_ && dropButtonVisible_)
            m.LParam = MAKELPARAM(0, HIWORD(m.LParam));  // the arrow, not the text cursor
        return inherited::Dispatch(m);
    case WM_KILLFOCUS:
        inherited::Dispatch(m);
        StopTracking();
        return;
    case WM_SIZE:
        inherited::Dispatch(m);
        if (frameVisible_ && !UsingXPThemes())
            RedrawFrame();
        return;
    default:
        return inherited::Dispatch(m);
    }
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterRzEditClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterMaskClasses();
    RegisterRzCommonClasses();
    RegisterComponentClass<TRzEdit>();
    using C = TRzCustomEdit;
    auto edit = RegisterProperties<C>();
    edit.Enum("Alignment", &C::Alignment, &C::SetAlignment, {"taLeftJustify", "taRightJustify"})
        .Int("Color", &C::GetColor, &C::SetColor)
        .Idents(ColorIdents())
        .Component("FrameController", &C::FrameController, &C::ChangeFrameController)
        .Bool("TabOnEnter", &C::TabOnEnter, &C::SetTabOnEnter)
        .Event("OnMouseEnter", &C::OnMouseEnter)
        .Event("OnMouseLeave", &C::OnMouseLeave);
    RegisterFrameProperties(edit);
    RegisterProperties<TRzEdit>().Str("Text", [](TRzEdit& e) { return e.GetText(); }, &TRzEdit::SetText);
}
