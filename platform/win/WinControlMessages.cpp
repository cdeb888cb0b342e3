// TWinControl: its message dispatcher and handlers (painting, keys, focus, sizing, cursor, destruction).
#include "Controls.h"

#include "Forms.h"
#include "ControlsInternal.h"

#include <commctrl.h>

#include <algorithm>

using namespace controls_internal;

// ---- Messages of windowed controls ------------------------------------------------------------------

void TWinControl::WndProc(TMessage& m) {
    switch (m.Msg) {
    case WM_SETFOCUS: {
        TCustomForm* form = GetParentForm(this);
        if (form && !form->SetFocusedControl(this))
            return;
        break;
    }
    case WM_KILLFOCUS:
        if (ControlState().Contains(csFocusing))
            return;
        break;
    case WM_NCHITTEST:
        inherited::WndProc(m);
        if (m.Result == HTTRANSPARENT &&
            ControlAtPos(ScreenToClient(Point(LParamX(m.LParam), LParamY(m.LParam))), false))
            m.Result = HTCLIENT;
        return;
    case WM_KEYDOWN:
        // Esc ends a drag wherever the focus is.
        if (m.WParam == VK_ESCAPE && CancelRunningDrag())
            return;
        break;
    case WM_CANCELMODE:
        if (handle_ && GetCapture() == handle_ && gCaptureControl && gCaptureControl->Parent() == this)
            gCaptureControl->Perform(WM_CANCELMODE);
        break;
    default:
        if (m.Msg >= WM_MOUSEFIRST && m.Msg <= WM_MBUTTONDBLCLK) {
            // Mouse messages over a graphic child (or for the one that holds the capture) are its.
            TControl* target = nullptr;
            if (handle_ && GetCapture() == handle_) {
                if (gCaptureControl && gCaptureControl->Parent() == this)
                    target = gCaptureControl;
            } else {
                target = ControlAtPos(Point(LParamX(m.LParam), LParamY(m.LParam)), false);
            }
            if (target) {
                const LPARAM pos = PointToLParam(LParamX(m.LParam) - target->Left(), LParamY(m.LParam) - target->Top());
                m.Result = target->Perform(m.Msg, m.WParam, pos);
                return;
            }
            if (m.Msg == WM_MOUSEMOVE && !trackingMouse_ && handle_) {
                TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, handle_, 0};
                trackingMouse_ = TrackMouseEvent(&track) != FALSE;
            }
        }
        break;
    }
    inherited::WndProc(m);
}

void TWinControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_PAINT: return WMPaint(m);
    case WM_PRINTCLIENT: return WMPrintClient(m, reinterpret_cast<HDC>(m.WParam), m.LParam);
    case WM_ERASEBKGND: return WMEraseBkgnd(m, reinterpret_cast<HDC>(m.WParam));
    case WM_COMMAND: return WMReflect(m, reinterpret_cast<HWND>(m.LParam));
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(m.LParam);
        return WMReflect(m, header ? header->hwndFrom : nullptr);
    }
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_HSCROLL:
    case WM_VSCROLL:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
        return WMReflect(m, reinterpret_cast<HWND>(m.LParam));
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam);
        return WMReflect(m, item && item->CtlType != ODT_MENU ? item->hwndItem : nullptr);
    }
    case WM_COMPAREITEM: {
        const auto* item = reinterpret_cast<const COMPAREITEMSTRUCT*>(m.LParam);
        return WMReflect(m, item ? item->hwndItem : nullptr);
    }
    case WM_DELETEITEM: {
        const auto* item = reinterpret_cast<const DELETEITEMSTRUCT*>(m.LParam);
        return WMReflect(m, item ? item->hwndItem : nullptr);
    }
    case WM_MEASUREITEM: return WMMeasureItem(m);
    case WM_CONTEXTMENU: return WMContextMenu(m);
    case WM_SETFOCUS: return WMSetFocus(m);
    case WM_KILLFOCUS: return WMKillFocus(m);
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: return WMKeyDown(m);
    case WM_KEYUP:
    case WM_SYSKEYUP: return WMKeyUp(m);
    case WM_CHAR: return WMChar(m);
    case WM_SIZE: return WMSize(m);
    case WM_MOVE:
    case WM_WINDOWPOSCHANGED:
        DefaultHandler(m);
        UpdateBounds();
        return;
    case WM_SETCURSOR:
        return WMSetCursor(m, reinterpret_cast<HWND>(m.WParam), static_cast<short>(LOWORD(m.LParam)));
    case WM_DESTROY: return WMDestroy(m);
    case WM_NCDESTROY: return WMNCDestroy(m);
    case WM_MOUSELEAVE: return WMMouseLeave(m);
    case WM_CAPTURECHANGED:
        if (gCaptureControl && (gCaptureControl == this || gCaptureControl->Parent() == this) &&
            reinterpret_cast<HWND>(m.LParam) != handle_)
            gCaptureControl = nullptr;
        DragCaptureLost(this, reinterpret_cast<HWND>(m.LParam));
        return DefaultHandler(m);
    case CN_KEYDOWN: return CNKeyDown(m);
    case CN_KEYUP: return CNKeyUp(m);
    case CN_CHAR: return CNChar(m);
    case CN_SYSKEYDOWN: return CNSysKeyDown(m);
    case CN_SYSCHAR: return CNSysChar(m);
    case CN_CTLCOLORMSGBOX:
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORBTN:
    case CN_CTLCOLORDLG:
    case CN_CTLCOLORSCROLLBAR:
    case CN_CTLCOLORSTATIC:
        return CNCtlColor(m, reinterpret_cast<HDC>(m.WParam));
    case CN_COMMAND: return CNCommand(m);
    case CN_NOTIFY:
        if (NMHDR* header = ReflectedNotifyHeader(m))
            CNNotify(m, *header);
        return;
    case CN_DRAWITEM:
    case CN_MEASUREITEM:
    case CN_COMPAREITEM:
    case CN_DELETEITEM:
    case CN_HSCROLL:
    case CN_VSCROLL:
    case CN_VKEYTOITEM:
    case CN_CHARTOITEM:
    case CN_PARENTNOTIFY:
        return;  // for controls that draw items or own scroll bars
    case CM_DIALOGKEY: return CMDialogKey(m);
    case CM_DIALOGCHAR: return CMDialogChar(m);
    case CM_FOCUSCHANGED: return CMFocusChanged(m);
    case CM_ENTER: return CMEnter(m);
    case CM_EXIT: return CMExit(m);
    case CM_SHOWINGCHANGED: return CMShowingChanged(m);
    case CM_RECREATEWND: return CMRecreateWnd(m);
    case CM_CHILDKEY: return CMChildKey(m);
    case CM_WANTSPECIALKEY: return CMWantSpecialKey(m);
    case CM_INVALIDATE:
        if (handle_)
            InvalidateRect(handle_, nullptr, !ControlStyle().Contains(csOpaque));
        return;
    default:
        return inherited::Dispatch(m);
    }
}

void TWinControl::WMReflect(TMessage& m, HWND child) {
    TWinControl* control = child && child != handle_ ? FindControl(child) : nullptr;
    if (!control) {
        DefaultHandler(m);
        return;
    }
    m.Result = control->Perform(m.Msg + CN_BASE, m.WParam, m.LParam);
}

// The context menu of the control under the point (a graphic child included), else the default
// procedure passes the request on to the parent window.
void TWinControl::WMContextMenu(TMessage& m) {
    POINT screen{static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam))};
    TControl* target = this;
    if (m.LParam == -1) {  // from the keyboard: show it at the control's top left
        const TPoint origin = ClientOrigin();
        screen = {origin.X, origin.Y};
    } else if (HandleAllocated()) {
        POINT client = screen;
        ::ScreenToClient(Handle(), &client);
        if (TControl* child = ControlAtPos(TPoint{client.x, client.y}, false))
            target = child;
    }
    if (auto* popup = dynamic_cast<TContextPopupHandler*>(target->PopupMenu())) {
        popup->PopupFor(target, screen.x, screen.y);
        m.Result = 0;
        return;
    }
    DefaultHandler(m);
}

void TWinControl::WMMeasureItem(TMessage& m) {
    const auto* item = reinterpret_cast<const MEASUREITEMSTRUCT*>(m.LParam);
    HWND child = nullptr;
    if (item && item->CtlType != ODT_MENU && handle_)
        child = GetDlgItem(handle_, static_cast<int>(item->CtlID));
    WMReflect(m, child);
}

void TWinControl::WMPaint(TMessage& m) {
    if (!ControlState().Contains(csCustomPaint) && controls_.empty()) {
        DefaultHandler(m);
        return;
    }
    if (auto dc = reinterpret_cast<HDC>(m.WParam)) {
        PaintHandler(dc);
        return;
    }
    PAINTSTRUCT paint;
    HWND window = handle_;
    HDC dc = BeginPaint(window, &paint);
    try {
        PaintHandler(dc);
    } catch (...) {
        EndPaint(window, &paint);
        throw;
    }
    EndPaint(window, &paint);
}

void TWinControl::WMPrintClient(TMessage& m, HDC dc, LPARAM flags) {
    if (!dc || ((flags & PRF_CHECKVISIBLE) && !Visible())) {
        DefaultHandler(m);
        return;
    }
    if (flags & PRF_ERASEBKGND)
        Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc));
    PaintHandler(dc);
}

void TWinControl::WMEraseBkgnd(TMessage& m, HDC dc) {
    if (!ControlStyle().Contains(csOpaque) && dc) {
        const RECT r = ToWinRect(ClientRect());
        FillRect(dc, &r, brush_->Handle());
    }
    m.Result = 1;
}

void TWinControl::PaintHandler(HDC dc) {
    PaintWindow(dc);
    PaintControls(dc, nullptr);
}

void TWinControl::PaintWindow(HDC dc) {
    TMessage m{WM_PAINT, reinterpret_cast<WPARAM>(dc), 0, 0};
    DefaultHandler(m);
}

void TWinControl::PaintControls(HDC dc, TControl* first) {
    auto it = first ? std::find(controls_.begin(), controls_.end(), first) : controls_.begin();
    for (; it != controls_.end(); ++it) {
        TControl* c = *it;
        if (dynamic_cast<TWinControl*>(c) || !c->Visible())
            continue;
        const RECT bounds = ToWinRect(c->BoundsRect());
        if (!RectVisible(dc, &bounds))
            continue;
        const int saved = SaveDC(dc);
        POINT origin;
        GetWindowOrgEx(dc, &origin);
        SetWindowOrgEx(dc, origin.x - c->Left(), origin.y - c->Top(), nullptr);
        IntersectClipRect(dc, 0, 0, c->Width(), c->Height());
        c->Perform(WM_PAINT, reinterpret_cast<WPARAM>(dc));
        RestoreDC(dc, saved);
    }
}

void TWinControl::WMSetFocus(TMessage& m) {
    DefaultHandler(m);
}

void TWinControl::WMKillFocus(TMessage& m) {
    DefaultHandler(m);
}

bool TWinControl::DoKeyDown(TMessage& m) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyDown(m))
        return true;
    if (!ControlStyle().Contains(csNoStdEvents)) {
        WORD key = static_cast<WORD>(m.WParam);
        KeyDown(key, KeyDataToShiftState(m.LParam));
        m.WParam = key;
        if (key == 0)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyUp(TMessage& m) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyUp(m))
        return true;
    if (!ControlStyle().Contains(csNoStdEvents)) {
        WORD key = static_cast<WORD>(m.WParam);
        KeyUp(key, KeyDataToShiftState(m.LParam));
        m.WParam = key;
        if (key == 0)
            return true;
    }
    return false;
}

bool TWinControl::DoKeyPress(TMessage& m) {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this && form->KeyPreview() && form->DoKeyPress(m))
        return true;
    if (!ControlStyle().Contains(csNoStdEvents)) {
        wchar_t key = static_cast<wchar_t>(m.WParam);
        KeyPress(key);
        m.WParam = static_cast<WPARAM>(key);
        if (key == 0)
            return true;
    }
    return false;
}

void TWinControl::KeyDown(WORD& key, TShiftState shift) {
    if (OnKeyDown)
        OnKeyDown(this, key, shift);
}

void TWinControl::KeyUp(WORD& key, TShiftState shift) {
    if (OnKeyUp)
        OnKeyUp(this, key, shift);
}

void TWinControl::KeyPress(wchar_t& key) {
    if (OnKeyPress)
        OnKeyPress(this, key);
}

void TWinControl::DoEnter() {
    if (OnEnter)
        OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit)
        OnExit(this);
}

void TWinControl::WMKeyDown(TMessage& m) {
    TBusyGuard guard(this);
    if (!DoKeyDown(m) && !guard.Destroyed())
        DefaultHandler(m);
}

void TWinControl::WMKeyUp(TMessage& m) {
    TBusyGuard guard(this);
    if (!DoKeyUp(m) && !guard.Destroyed())
        DefaultHandler(m);
}

void TWinControl::WMChar(TMessage& m) {
    TBusyGuard guard(this);
    if (!DoKeyPress(m) && !guard.Destroyed())
        DefaultHandler(m);
}

bool TWinControl::IsMenuKey(TMessage& m) {
    const TWMKey key = TWMKey::From(m);
    for (TControl* c = this; c; c = c->Parent())
        if (auto* handler = dynamic_cast<TShortCutHandler*>(c->PopupMenu()); handler && handler->IsShortCut(key))
            return true;
    TCustomForm* form = GetParentForm(this);
    if (form && form->IsShortCut(key))
        return true;
    return Application && Application->IsShortCut(key, form);
}

void TWinControl::CNKeyDown(TMessage& m) {
    m.Result = 1;
    if (IsMenuKey(m))
        return;
    const WORD key = static_cast<WORD>(m.WParam);
    if (Perform(CM_CHILDKEY, key, reinterpret_cast<LPARAM>(this)) != 0)
        return;
    UINT mask = 0;
    switch (key) {
    case VK_TAB: mask = DLGC_WANTTAB; break;
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
    case VK_RETURN: case VK_EXECUTE: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
    }
    if (mask != 0 && Perform(CM_WANTSPECIALKEY, key, m.LParam) == 0 &&
        (static_cast<UINT>(Perform(WM_GETDLGCODE)) & mask) == 0) {
        if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGKEY, key, m.LParam) != 0)
            return;
    }
    m.Result = 0;
}

void TWinControl::CMChildKey(TMessage& m) {
    if (Parent())
        m.Result = Parent()->Perform(CM_CHILDKEY, m.WParam, m.LParam);
}

void TWinControl::CNKeyUp(TMessage& m) {
    m.Result = 0;
}

void TWinControl::CNChar(TMessage& m) {
    m.Result = 1;
    if ((static_cast<UINT>(Perform(WM_GETDLGCODE)) & DLGC_WANTCHARS) == 0) {
        if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
            return;
    }
    m.Result = 0;
}

void TWinControl::CNSysKeyDown(TMessage& m) {
    m.Result = IsMenuKey(m) ? 1 : 0;
}

void TWinControl::CNSysChar(TMessage& m) {
    m.Result = 1;
    if (m.WParam != VK_SPACE) {
        if (TCustomForm* form = GetParentForm(this); form && form->Perform(CM_DIALOGCHAR, m.WParam, m.LParam) != 0)
            return;
    }
    m.Result = 0;
}

void TWinControl::CNCtlColor(TMessage& m, HDC dc) {
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(Font()->Color())));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(brush_->Color())));
    m.Result = reinterpret_cast<LRESULT>(brush_->Handle());
}

void TWinControl::WMSize(TMessage& m) {
    UpdateBounds();
    TBusyGuard guard(this);
    DefaultHandler(m);
    if (guard.Destroyed())
        return;
    if (m.WParam != SIZE_MINIMIZED)
        Realign();
    if (!(ComponentState() & csLoading))
        Resize();
}

void TWinControl::WMSetCursor(TMessage& m, HWND window, int hitTest) {
    if (window == handle_ && hitTest == HTCLIENT) {
        TCursor cursor = Screen ? Screen->Cursor() : crDefault;
        if (cursor == crDefault) {
            POINT p;
            GetCursorPos(&p);
            if (TControl* c = ControlAtPos(ScreenToClient(Point(p.x, p.y)), false))
                cursor = c->Cursor();
            if (cursor == crDefault)
                cursor = Cursor();
        }
        if (cursor != crDefault) {
            ::SetCursor(CursorHandle(cursor));
            m.Result = 1;
            return;
        }
    }
    DefaultHandler(m);
}

void TWinControl::WMDestroy(TMessage& m) {
    // A window destroyed from outside keeps its text for the next one.
    if (!ControlState().Contains(csDestroyingHandle) && !(ComponentState() & csDestroying)) {
        const int length = static_cast<int>(CallWindowProcW(defWndProc_, handle_, WM_GETTEXTLENGTH, 0, 0));
        std::wstring buffer(static_cast<std::size_t>(std::max(length, 0)) + 1, L'\0');
        const int copied = static_cast<int>(CallWindowProcW(defWndProc_, handle_, WM_GETTEXT, buffer.size(),
                                                            reinterpret_cast<LPARAM>(buffer.data())));
        text_ = FromWide(buffer.data(), static_cast<std::size_t>(std::max(copied, 0)));
    }
    DefaultHandler(m);
}

void TWinControl::WMNCDestroy(TMessage& m) {
    DefaultHandler(m);
    if (gCaptureControl && (gCaptureControl == this || gCaptureControl->Parent() == this))
        gCaptureControl = nullptr;
    if (handle_)
        RemovePropW(handle_, ControlProperty());
    handle_ = nullptr;
    showing_ = false;
    trackingMouse_ = false;
}

void TWinControl::WMMouseLeave(TMessage& m) {
    trackingMouse_ = false;
    if (gMouseControl && (gMouseControl == this || gMouseControl->Parent() == this))
        SetMouseControl(nullptr);
    DefaultHandler(m);
}

