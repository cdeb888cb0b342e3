#include "Controls.h"

#include "FormReader.h"
#include "Forms.h"
#include "TypeRegistry.h"

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

TLogChannel LogControls("ctl");

// ---- Program-wide state of the window layer (one GUI thread) ----------------------------------------

namespace {

thread_local TWinControl* tCreating = nullptr;    // the control whose window is being made
thread_local TBusyGuard* tBusy = nullptr;         // innermost running handler or guard
TControl* gCaptureControl = nullptr;
TControl* gMouseControl = nullptr;                // the control under the mouse (enter/leave)

std::vector<TControl*>& PendingFrees() {
    static std::vector<TControl*> list;
    return list;
}

std::vector<TControlCanvas*>& CanvasesWithDC() {
    static std::vector<TControlCanvas*> list;
    return list;
}

template <class T>
void EraseValue(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

const wchar_t kDefProcProperty[] = L"VestrelDefProc";

HINSTANCE ModuleInstance() {
    return GetModuleHandleW(nullptr);
}

String LastErrorText(DWORD error) {
    wchar_t* buffer = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    String text = buffer ? Trim(FromWide(buffer)) : String();
    if (buffer)
        LocalFree(buffer);
    return "error " + std::to_string(error) + (text.empty() ? String() : " (" + text + ")");
}

String ControlDisplayName(const TControl* control) {
    String name = control->Name();
    return name.empty() ? control->ClassName() : name + ": " + control->ClassName();
}

int NextControlId() {
    static int next = 0;
    next = next % 0xFFF0 + 1;
    return next;
}

// Messages of the class-library range that the layer broadcasts or sends to any control; a
// control without a use for them ignores them quietly.
bool IsQuietNotification(UINT msg) {
    switch (msg) {
    case CM_ACTIVATE: case CM_DEACTIVATE: case CM_GOTFOCUS: case CM_LOSTFOCUS: case CM_CANCELMODE:
    case CM_DIALOGKEY: case CM_DIALOGCHAR: case CM_FOCUSCHANGED: case CM_HITTEST: case CM_CURSORCHANGED:
    case CM_CTL3DCHANGED: case CM_PARENTCTL3DCHANGED: case CM_TEXTCHANGED: case CM_MOUSEENTER:
    case CM_MOUSELEAVE: case CM_MENUCHANGED: case CM_BUTTONPRESSED: case CM_SHOWINGCHANGED: case CM_ENTER:
    case CM_EXIT: case CM_DESIGNHITTEST: case CM_ICONCHANGED: case CM_WANTSPECIALKEY: case CM_RELEASE:
    case CM_SHOWHINTCHANGED: case CM_SYSCOLORCHANGE: case CM_WININICHANGE: case CM_FONTCHANGE:
    case CM_TIMECHANGE: case CM_TABSTOPCHANGED: case CM_CONTROLLISTCHANGE: case CM_CHILDKEY: case CM_HINTSHOW:
    case CM_RECREATEWND: case CM_INVALIDATE: case CM_SYSFONTCHANGED: case CM_CONTROLCHANGE: case CM_CHANGED:
    case CM_BORDERCHANGED: case CM_ACTIONUPDATE: case CM_ACTIONEXECUTE: case CM_HINTSHOWPAUSE:
        return true;
    default:
        return msg >= CN_BASE + WM_KEYFIRST && msg <= CN_BASE + WM_KEYLAST;
    }
}

void HandleDispatchException(TObject* sender) {
    if (Application) {
        Application->HandleException(sender);
        return;
    }
    try {
        throw;
    } catch (const std::exception& e) {
        VLOG_ERROR(LogControls, "exception in a window procedure (no Application): %s", e.what());
    } catch (...) {
        VLOG_ERROR(LogControls, "unknown exception in a window procedure (no Application)");
    }
}

void SetMouseControl(TControl* control) {
    if (gMouseControl == control)
        return;
    TControl* old = gMouseControl;
    gMouseControl = control;
    if (old)
        old->Perform(CM_MOUSELEAVE, 0, reinterpret_cast<LPARAM>(old));
    if (gMouseControl == control && control)
        control->Perform(CM_MOUSEENTER, 0, reinterpret_cast<LPARAM>(control));
}

HCURSOR CursorHandle(TCursor cursor) {
    if (Screen)
        return Screen->Cursors(cursor);
    return LoadCursorW(nullptr, IDC_ARROW);
}

}  // namespace

// ---- Window registry ----------------------------------------------------------------------------

namespace {

struct TControlAtomInfo {
    ATOM Atom = 0;
    String Name;
};

const TControlAtomInfo& AtomInfo() {
    static const TControlAtomInfo info = [] {
        char name[48];
        std::snprintf(name, sizeof name, "ControlOfs%.8X%.8X",
                      static_cast<unsigned>(reinterpret_cast<std::uintptr_t>(ModuleInstance())),
                      static_cast<unsigned>(GetCurrentThreadId()));
        TControlAtomInfo result;
        result.Name = name;
        result.Atom = GlobalAddAtomW(ToWide(name).c_str());
        if (!result.Atom)
            VLOG_ERROR(LogControls, "GlobalAddAtom(%s) failed: %s", name, LastErrorText(GetLastError()).c_str());
        return result;
    }();
    return info;
}

const wchar_t* ControlProperty() {
    return MAKEINTATOM(AtomInfo().Atom);
}

}  // namespace

ATOM ControlAtom() {
    return AtomInfo().Atom;
}

String ControlAtomName() {
    return AtomInfo().Name;
}

TWinControl* FindControl(HWND window) {
    if (!window)
        return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId())
        return nullptr;
    return static_cast<TWinControl*>(GetPropW(window, ControlProperty()));
}

TWinControl* CreationControl() {
    return tCreating;
}

TControl* GetCaptureControl() {
    if (gCaptureControl) {
        // The capture may have gone to another window meanwhile.
        HWND captured = GetCapture();
        auto* win = dynamic_cast<TWinControl*>(gCaptureControl);
        HWND expected = win ? win->WindowHandle()
                            : (gCaptureControl->Parent() ? gCaptureControl->Parent()->WindowHandle() : nullptr);
        if (!captured || captured != expected)
            gCaptureControl = nullptr;
    }
    return gCaptureControl;
}

void SetCaptureControl(TControl* control) {
    gCaptureControl = nullptr;
    ReleaseCapture();
    if (!control)
        return;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        SetCapture(win->Handle());
    } else {
        if (!control->Parent())
            return;
        SetCapture(control->Parent()->Handle());
    }
    gCaptureControl = control;
}

TCustomForm* GetParentForm(TControl* control) {
    if (!control)
        return nullptr;
    while (control->Parent())
        control = control->Parent();
    return dynamic_cast<TCustomForm*>(control);
}

TCustomForm* ValidParentForm(TControl* control) {
    TCustomForm* form = GetParentForm(control);
    if (!form)
        throw EInvalidOperation("Control '" + (control ? control->Name() : String()) + "' has no parent window");
    return form;
}

// ---- Busy guards and deferred freeing ---------------------------------------------------------------

TBusyGuard::TBusyGuard(TControl* control) : control_(control), previous_(tBusy) {
    tBusy = this;
}

TBusyGuard::~TBusyGuard() {
    tBusy = previous_;
    if (!previous_ && !PendingFrees().empty())
        FreeIdleControls();
}

bool IsDispatching(TControl* control) {
    for (TBusyGuard* guard = tBusy; guard; guard = guard->previous_) {
        if (guard->destroyed_)
            continue;
        for (TControl* c = guard->control_; c; c = c->Parent())
            if (c == control)
                return true;
    }
    return false;
}

void FreeWhenIdle(TControl* control) {
    if (!control)
        return;
    auto& pending = PendingFrees();
    if (std::find(pending.begin(), pending.end(), control) == pending.end())
        pending.push_back(control);
    if (!IsDispatching(control))
        FreeIdleControls();
}

void FreeIdleControls() {
    auto& pending = PendingFrees();
    for (;;) {
        auto it = std::find_if(pending.begin(), pending.end(), [](TControl* c) { return !IsDispatching(c); });
        if (it == pending.end())
            return;
        TControl* control = *it;
        pending.erase(it);
        try {
            control->Free();
        } catch (...) {
            HandleDispatchException(nullptr);
        }
    }
}

// ---- The window procedure -------------------------------------------------------------------------

LRESULT CALLBACK ControlWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* control = static_cast<TWinControl*>(GetPropW(window, ControlProperty()));
    if (!control) {
        control = tCreating;
        if (!control) {
            // A window whose control let go of it: its own default procedure.
            auto proc = reinterpret_cast<WNDPROC>(GetPropW(window, kDefProcProperty));
            LRESULT result = proc ? CallWindowProcW(proc, window, msg, wParam, lParam)
                                  : DefWindowProcW(window, msg, wParam, lParam);
            if (msg == WM_NCDESTROY)
                RemovePropW(window, kDefProcProperty);
            return result;
        }
        tCreating = nullptr;
        control->AttachHandle(window);
    }
    if (msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST && Application)
        Application->RelayHintMessage(window, msg, wParam, lParam);
    TMessage m{msg, wParam, lParam, 0};
    TBusyGuard guard(control);
    try {
        const TWndMethod proc = control->WindowProc;  // the control may be freed while it runs
        proc(m);
    } catch (...) {
        HandleDispatchException(guard.Destroyed() ? nullptr : control);
    }
    return m.Result;
}

// ---- Key and shift helpers ------------------------------------------------------------------------

TShortCut ShortCut(WORD key, TShiftState shift) {
    if (key & 0xFF00)
        return scNone;
    TShortCut result = key;
    if (shift.Contains(ssShift))
        result |= scShift;
    if (shift.Contains(ssCtrl))
        result |= scCtrl;
    if (shift.Contains(ssAlt))
        result |= scAlt;
    return result;
}

TShortCut ShortCutFromMessage(const TWMKey& message) {
    return ShortCut(message.CharCode, KeyDataToShiftState(message.KeyData));
}

TShiftState KeysToShiftState(WPARAM keys) {
    TShiftState shift;
    if (keys & MK_SHIFT) shift.Include(ssShift);
    if (keys & MK_CONTROL) shift.Include(ssCtrl);
    if (keys & MK_LBUTTON) shift.Include(ssLeft);
    if (keys & MK_RBUTTON) shift.Include(ssRight);
    if (keys & MK_MBUTTON) shift.Include(ssMiddle);
    if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    return shift;
}

TShiftState KeyDataToShiftState(LPARAM keyData) {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    if (keyData & 0x20000000) shift.Include(ssAlt);  // KF_ALTDOWN in the high word
    return shift;
}

TShiftState KeyboardStateToShiftState() {
    TShiftState shift;
    if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
    if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
    if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
    if (GetKeyState(VK_LBUTTON) < 0) shift.Include(ssLeft);
    if (GetKeyState(VK_RBUTTON) < 0) shift.Include(ssRight);
    if (GetKeyState(VK_MBUTTON) < 0) shift.Include(ssMiddle);
    return shift;
}

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
    if (parent_)
        parent_->RemoveControl(this);
    if (!beforeDestructionDone_)
        VLOG_WARN(LogControls, "%s freed without Free (its BeforeDestruction did not run)",
                  ControlDisplayName(this).c_str());
}

void TControl::BeforeDestruction() {
    inherited::BeforeDestruction();
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
        if (!controlStyle_.Contains(csDoubleClicks)) {
            switch (m.Msg) {
            case WM_LBUTTONDBLCLK: m.Msg = WM_LBUTTONDOWN; break;
            case WM_RBUTTONDBLCLK: m.Msg = WM_RBUTTONDOWN; break;
            case WM_MBUTTONDBLCLK: m.Msg = WM_MBUTTONDOWN; break;
            }
        }
        switch (m.Msg) {
        case WM_MOUSEMOVE: SetMouseControl(this); break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK: controlState_.Include(csLButtonDown); break;
        case WM_LBUTTONUP: controlState_.Exclude(csLButtonDown); break;
        }
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

// ---- TWinControl ------------------------------------------------------------------------------------

TWinControl::TCreationScope::TCreationScope(TWinControl* control) : previous_(tCreating) {
    tCreating = control;
}

TWinControl::TCreationScope::~TCreationScope() {
    tCreating = previous_;
}

TWinControl::TWinControl(TComponent* owner) : TControl(owner), brush_(std::make_unique<TBrush>()) {
    brush_->SetColor(Color());
}

TWinControl::~TWinControl() {
    if (Parent())
        RemoveFocus(true);
    if (handle_) {
        // Freed without Free: the window no longer reaches this half-destroyed object and runs
        // its default procedure while it is destroyed (the children's windows go with it).
        HWND window = handle_;
        DetachHandle();
        DestroyWindow(window);
    }
    // Children that nobody freed yet go with their parent.
    while (!controls_.empty()) {
        TControl* child = controls_.back();
        RemoveControl(child);
        child->Free();
    }
    if (Parent())
        Parent()->RemoveControl(this);
}

void TWinControl::BeforeDestruction() {
    inherited::BeforeDestruction();
    if (Parent())
        RemoveFocus(true);
    if (handle_)
        DestroyHandle();
}

void TWinControl::ReadState(TReader& reader) {
    DisableAlign();
    try {
        inherited::ReadState(reader);
    } catch (...) {
        EnableAlign();
        throw;
    }
    EnableAlign();
}

void TWinControl::Loaded() {
    inherited::Loaded();
    FixupTabList();
    Realign();
    UpdateControlState();
}

HWND TWinControl::Handle() {
    HandleNeeded();
    return handle_;
}

void TWinControl::HandleNeeded() {
    if (handle_)
        return;
    if (Parent())
        Parent()->HandleNeeded();
    CreateHandle();
}

void TWinControl::RecreateWnd() {
    if (handle_)
        Perform(CM_RECREATEWND);
}

void TWinControl::SetParentWindow(HWND value) {
    if (Parent() || parentWindow_ == value)
        return;
    if (handle_ && parentWindow_ && value) {
        ::SetParent(handle_, value);
        parentWindow_ = value;
        return;
    }
    DestroyHandle();
    parentWindow_ = value;
    UpdateControlState();
}

void TWinControl::AttachHandle(HWND window) {
    handle_ = window;
    RemovePropW(window, kDefProcProperty);
    if (!SetPropW(window, ControlProperty(), this))
        VLOG_ERROR(LogControls, "SetProp on the window of %s failed: %s", ControlDisplayName(this).c_str(),
                   LastErrorText(GetLastError()).c_str());
}

void TWinControl::DetachHandle() {
    if (!handle_)
        return;
    RemovePropW(handle_, ControlProperty());
    SetPropW(handle_, kDefProcProperty, reinterpret_cast<HANDLE>(defWndProc_ ? defWndProc_ : DefWindowProcW));
    handle_ = nullptr;
    showing_ = false;
}

void TWinControl::CreateParams(TCreateParams& params) {
    params = TCreateParams();
    params.Caption = text_;
    params.Style = WS_CHILD | WS_CLIPSIBLINGS;
    if (ControlStyle().Contains(csAcceptsControls)) {
        params.Style |= WS_CLIPCHILDREN;
        params.ExStyle |= WS_EX_CONTROLPARENT;
    }
    if (!Enabled())
        params.Style |= WS_DISABLED;
    if (tabStop_)
        params.Style |= WS_TABSTOP;
    params.X = left_;
    params.Y = top_;
    params.Width = width_;
    params.Height = height_;
    params.WndParent = Parent() ? Parent()->Handle() : parentWindow_;
    params.WindowClass.cbSize = sizeof(WNDCLASSEXW);
    params.WindowClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    params.WindowClass.lpfnWndProc = DefWindowProcW;
    params.WindowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    params.WindowClass.hbrBackground = nullptr;
    params.WindowClass.hInstance = ModuleInstance();
    params.WinClassName = ToWide(ClassName());
}

void TWinControl::CreateSubClass(TCreateParams& params, const wchar_t* controlClassName) {
    WNDCLASSEXW info{};
    info.cbSize = sizeof info;
    if (!GetClassInfoExW(ModuleInstance(), controlClassName, &info) &&
        !GetClassInfoExW(nullptr, controlClassName, &info)) {
        // The common controls register their classes on demand.
        INITCOMMONCONTROLSEX init{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                                    ICC_USEREX_CLASSES | ICC_COOL_CLASSES |
                                                                    ICC_BAR_CLASSES | ICC_PROGRESS_CLASS};
        InitCommonControlsEx(&init);
        if (!GetClassInfoExW(nullptr, controlClassName, &info))
            throw EInvalidOperation("Window class " + FromWide(controlClassName) + " not found");
    }
    const HCURSOR cursor = params.WindowClass.hCursor;
    params.WindowClass = info;
    params.WindowClass.cbSize = sizeof(WNDCLASSEXW);
    params.WindowClass.hInstance = ModuleInstance();
    params.WindowClass.style &= ~(CS_OWNDC | CS_CLASSDC | CS_PARENTDC | CS_GLOBALCLASS);
    params.WindowClass.lpszClassName = nullptr;
    params.WindowClass.lpszMenuName = nullptr;
    if (!params.WindowClass.hCursor)
        params.WindowClass.hCursor = cursor;
}

namespace {

void RegisterWindowClass(const TCreateParams& params) {
    WNDCLASSEXW existing{};
    existing.cbSize = sizeof existing;
    const HINSTANCE instance = params.WindowClass.hInstance;
    if (GetClassInfoExW(instance, params.WinClassName.c_str(), &existing)) {
        if (existing.lpfnWndProc == ControlWndProc)
            return;
        UnregisterClassW(params.WinClassName.c_str(), instance);
    }
    WNDCLASSEXW windowClass = params.WindowClass;
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = ControlWndProc;
    windowClass.lpszClassName = params.WinClassName.c_str();
    if (!RegisterClassExW(&windowClass))
        throw EInvalidOperation("Cannot register the window class " + FromWide(params.WinClassName.c_str()) +
                                ": " + LastErrorText(GetLastError()));
}

}  // namespace

void TWinControl::CreateWnd() {
    TCreateParams params;
    CreateParams(params);
    if ((params.Style & WS_CHILD) && !params.WndParent)
        throw EInvalidOperation("Control '" + Name() + "' has no parent window");
    if (!ControlStyle().Contains(csDoubleClicks))
        params.WindowClass.style &= ~CS_DBLCLKS;
    defWndProc_ = params.WindowClass.lpfnWndProc ? params.WindowClass.lpfnWndProc : DefWindowProcW;
    RegisterWindowClass(params);
    CreateWindowHandle(params);
    if (!handle_)
        throw EInvalidOperation("Error creating window of " + ControlDisplayName(this));
    text_.clear();
    UpdateBounds();
    Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 1);
}

void TWinControl::CreateWindowHandle(const TCreateParams& params) {
    const std::wstring caption = ToWide(params.Caption);
    HMENU id = nullptr;
    if (params.Style & WS_CHILD) {
        if (!controlId_)
            controlId_ = NextControlId();
        id = reinterpret_cast<HMENU>(static_cast<INT_PTR>(controlId_));
    }
    HWND window;
    {
        TCreationScope scope(this);
        window = CreateWindowExW(params.ExStyle, params.WinClassName.c_str(), caption.c_str(), params.Style, params.X,
                                 params.Y, params.Width, params.Height, params.WndParent, id,
                                 params.WindowClass.hInstance, params.Param);
    }
    if (!window) {
        const DWORD error = GetLastError();
        handle_ = nullptr;
        throw EInvalidOperation("Error creating window of " + ControlDisplayName(this) + ": " + LastErrorText(error));
    }
    if (handle_ != window)
        AttachHandle(window);  // the window sent no message while it was made
}

void TWinControl::DestroyWnd() {
    if (!(ComponentState() & csDestroying))
        text_ = Text();
    if (handle_ && Application)
        Application->RemoveHint(handle_);
    if (handle_)
        DestroyWindowHandle();
}

void TWinControl::DestroyWindowHandle() {
    SetControlState(ControlState() + TControlState{csDestroyingHandle});
    HWND window = handle_;
    if (window && !DestroyWindow(window))
        VLOG_ERROR(LogControls, "DestroyWindow for %s failed: %s", ControlDisplayName(this).c_str(),
                   LastErrorText(GetLastError()).c_str());
    if (handle_ == window && handle_)
        DetachHandle();  // DestroyWindow failed: let go of it anyway
    handle_ = nullptr;
    showing_ = false;
    SetControlState(ControlState() - TControlState{csDestroyingHandle});
}

void TWinControl::CreateHandle() {
    if (handle_)
        return;
    CreateWnd();
    SetZOrderPosition();
    if (Application)
        Application->HintChanged(this);
}

void TWinControl::DestroyHandle() {
    if (!handle_)
        return;
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (auto* win = dynamic_cast<TWinControl*>(controls_[i]))
            win->DestroyHandle();
    DestroyWnd();
}

HWND TWinControl::PrecedingWindow(TWinControl* control) const {
    auto it = std::find(controls_.begin(), controls_.end(), control);
    if (it == controls_.end())
        return HWND_TOP;
    for (++it; it != controls_.end(); ++it)
        if (auto* win = dynamic_cast<TWinControl*>(*it); win && win->handle_)
            return win->handle_;
    return HWND_TOP;
}

void TWinControl::SetZOrderPosition() {
    if (!Parent() || !handle_)
        return;
    SetWindowPos(handle_, Parent()->PrecedingWindow(this), 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void TWinControl::UpdateBounds() {
    if (!handle_)
        return;
    RECT r;
    if (IsIconic(handle_)) {
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        GetWindowPlacement(handle_, &placement);
        r = placement.rcNormalPosition;
    } else {
        GetWindowRect(handle_, &r);
        if (GetWindowLongPtrW(handle_, GWL_STYLE) & WS_CHILD) {
            if (HWND parent = GetParent(handle_))
                MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
        }
    }
    left_ = r.left;
    top_ = r.top;
    width_ = r.right - r.left;
    height_ = r.bottom - r.top;
}

void TWinControl::SetBounds(int left, int top, int width, int height) {
    if (left == left_ && top == top_ && width == width_ && height == height_)
        return;
    if (handle_ && !IsIconic(handle_)) {
        SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        if (handle_)
            UpdateBounds();
    } else {
        const bool sized = width != width_ || height != height_;
        left_ = left;
        top_ = top;
        width_ = width;
        height_ = height;
        if (handle_) {
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            GetWindowPlacement(handle_, &placement);
            placement.rcNormalPosition = RECT{left, top, left + width, top + height};
            SetWindowPlacement(handle_, &placement);
        } else if (sized) {
            Realign();
        }
    }
    RequestAlign();
}

TRect TWinControl::ClientRect() {
    if (handle_) {
        RECT r;
        GetClientRect(handle_, &r);
        return FromWinRect(r);
    }
    return Rect(0, 0, width_, height_);
}

TPoint TWinControl::ClientOrigin() {
    if (handle_) {
        POINT p{0, 0};
        ::ClientToScreen(handle_, &p);
        return Point(p.x, p.y);
    }
    if (Parent()) {
        const TPoint origin = Parent()->ClientOrigin();
        return Point(origin.X + left_, origin.Y + top_);
    }
    return Point(left_, top_);
}

void TWinControl::DefaultHandler(TMessage& m) {
    if (!handle_) {
        inherited::DefaultHandler(m);
        return;
    }
    m.Result = CallWindowProcW(defWndProc_ ? defWndProc_ : DefWindowProcW, handle_, m.Msg, m.WParam, m.LParam);
}

void TWinControl::Invalidate() {
    Perform(CM_INVALIDATE);
}

void TWinControl::Update() {
    if (handle_)
        UpdateWindow(handle_);
}

void TWinControl::Repaint() {
    Invalidate();
    Update();
}

TControl* TWinControl::Controls(int index) const {
    if (index < 0 || index >= ControlCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return controls_[static_cast<std::size_t>(index)];
}

void TWinControl::InsertControl(TControl* control) {
    if (!control || control->parent_ == this)
        return;
    controls_.push_back(control);
    control->parent_ = this;
    if (auto* win = dynamic_cast<TWinControl*>(control))
        tabList_.push_back(win);
    if (!(control->ComponentState() & csReading)) {
        control->Perform(CM_PARENTCOLORCHANGED);
        control->Perform(CM_PARENTFONTCHANGED);
        control->Perform(CM_PARENTSHOWHINTCHANGED);
        if (auto* win = dynamic_cast<TWinControl*>(control))
            win->UpdateControlState();
        else
            control->Invalidate();
        AlignControl(control);
    }
    Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 1);
}

void TWinControl::RemoveControl(TControl* control) {
    if (!control || control->parent_ != this)
        return;
    if (auto* win = dynamic_cast<TWinControl*>(control)) {
        win->RemoveFocus(true);
        win->DestroyHandle();
    } else {
        control->InvalidateRectInParent(control->BoundsRect());
    }
    tabList_.erase(std::remove_if(tabList_.begin(), tabList_.end(),
                                  [control](TWinControl* w) { return static_cast<TControl*>(w) == control; }),
                   tabList_.end());
    EraseValue(controls_, control);
    control->parent_ = nullptr;
    if (!(ComponentState() & csDestroying)) {
        Perform(CM_CONTROLCHANGE, reinterpret_cast<WPARAM>(control), 0);
        Realign();
    }
}

bool TWinControl::ContainsControl(TControl* control) const {
    for (; control; control = control->Parent())
        if (control == this)
            return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint pos, bool allowDisabled, bool allowWinControls) {
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        TControl* c = *it;
        if (!allowWinControls && dynamic_cast<TWinControl*>(c))
            continue;
        if (!c->Visible() || (!allowDisabled && !c->Enabled()))
            continue;
        const TPoint local = Point(pos.X - c->Left(), pos.Y - c->Top());
        if (c->BoundsRect().Contains(pos)) {
            if (c->Perform(CM_HITTEST, 0, PointToLParam(local.X, local.Y)) != 0)
                return c;
        }
    }
    return nullptr;
}

void TWinControl::Broadcast(TMessage& message) {
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        controls_[i]->WindowProc(message);
        if (message.Result != 0)
            return;
    }
}

void TWinControl::NotifyControls(UINT msg) {
    TMessage m{msg, 0, 0, 0};
    for (std::size_t i = 0; i < controls_.size(); ++i)
        controls_[i]->WindowProc(m);
}

void TWinControl::EnableAlign() {
    if (alignDisabled_ > 0)
        --alignDisabled_;
    if (alignDisabled_ == 0 && ControlState().Contains(csAlignmentNeeded))
        Realign();
}

void TWinControl::AlignControl(TControl* control) {
    if ((ComponentState() & (csLoading | csDestroying)) || alignDisabled_ > 0) {
        SetControlState(ControlState() + TControlState{csAlignmentNeeded});
        return;
    }
    if (aligning_)
        return;
    aligning_ = true;
    try {
        TRect rect = ClientRect();
        AlignControls(control, rect);
    } catch (...) {
        aligning_ = false;
        throw;
    }
    aligning_ = false;
    SetControlState(ControlState() - TControlState{csAlignmentNeeded});
}

namespace {

// True when `a` goes before `b` among the controls of `align`.
bool InsertBefore(const TControl* a, const TControl* b, TAlign align) {
    switch (align) {
    case alTop: return a->Top() < b->Top();
    case alBottom: return a->Top() + a->Height() > b->Top() + b->Height();
    case alLeft: return a->Left() < b->Left();
    case alRight: return a->Left() + a->Width() > b->Left() + b->Width();
    default: return false;
    }
}

}  // namespace

void TWinControl::AlignControls(TControl* control, TRect& rect) {
    AdjustClientRect(rect);
    static constexpr TAlign kOrder[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign align : kOrder) {
        std::vector<TControl*> list;
        if (control && control->Align() == align && control->Visible() && control->Parent() == this)
            list.push_back(control);
        for (TControl* c : controls_) {
            if (c == control || c->Align() != align || !c->Visible())
                continue;
            std::size_t j = 0;
            while (j < list.size() && !InsertBefore(c, list[j], align))
                ++j;
            list.insert(list.begin() + static_cast<std::ptrdiff_t>(j), c);
        }
        for (TControl* c : list)
            DoPosition(c, align, rect);
    }
}

void TWinControl::DoPosition(TControl* control, TAlign align, TRect& rect) {
    const int width = std::max(rect.Width(), 0);
    const int height = std::max(rect.Height(), 0);
    switch (align) {
    case alTop:
        control->SetBounds(rect.Left, rect.Top, width, control->Height());
        rect.Top += control->Height();
        break;
    case alBottom:
        control->SetBounds(rect.Left, rect.Bottom - control->Height(), width, control->Height());
        rect.Bottom -= control->Height();
        break;
    case alLeft:
        control->SetBounds(rect.Left, rect.Top, control->Width(), height);
        rect.Left += control->Width();
        break;
    case alRight:
        control->SetBounds(rect.Right - control->Width(), rect.Top, control->Width(), height);
        rect.Right -= control->Width();
        break;
    case alClient:
        control->SetBounds(rect.Left, rect.Top, width, height);
        break;
    default:
        break;
    }
}

void TWinControl::UpdateShowing() {
    UpdateShowingTree(!Parent() || Parent()->Showing());
}

void TWinControl::UpdateShowingTree(bool parentShows) {
    const bool show = Visible() && parentShows && !ControlState().Contains(csReadingState);
    if (show) {
        if (!handle_)
            CreateHandle();
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (auto* win = dynamic_cast<TWinControl*>(controls_[i]))
                win->UpdateShowingTree(true);
    }
    if (handle_ && showing_ != show) {
        showing_ = show;
        try {
            Perform(CM_SHOWINGCHANGED, show ? 1 : 0);
        } catch (...) {
            showing_ = !show;
            throw;
        }
    }
    if (!show)
        for (std::size_t i = 0; i < controls_.size(); ++i)
            if (auto* win = dynamic_cast<TWinControl*>(controls_[i]); win && win->showing_)
                win->UpdateShowingTree(false);
}

void TWinControl::UpdateControlState() {
    if (ComponentState() & (csLoading | csDestroying))
        return;
    TWinControl* top = this;
    while (top->Parent()) {
        top = top->Parent();
        if (!top->Showing())
            return;
    }
    if (dynamic_cast<TCustomForm*>(top) || top->parentWindow_)
        UpdateShowing();
}

void TWinControl::CMShowingChanged(TMessage&) {
    if (!handle_)
        return;
    SetWindowPos(handle_, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE |
                     (showing_ ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
}

void TWinControl::CMVisibleChanged(TMessage&) {
    if (!Visible() && Parent())
        RemoveFocus(false);
    UpdateControlState();
}

void TWinControl::CMEnabledChanged(TMessage& m) {
    if (!Enabled() && Parent())
        RemoveFocus(false);
    if (handle_)
        EnableWindow(handle_, Enabled());
    else
        inherited::CMEnabledChanged(m);
}

void TWinControl::CMFontChanged(TMessage& m) {
    inherited::CMFontChanged(m);
    if (handle_)
        Perform(WM_SETFONT, reinterpret_cast<WPARAM>(Font()->Handle()), 0);
    NotifyControls(CM_PARENTFONTCHANGED);
}

void TWinControl::CMColorChanged(TMessage& m) {
    brush_->SetColor(Color());
    inherited::CMColorChanged(m);
    NotifyControls(CM_PARENTCOLORCHANGED);
}

void TWinControl::CMRecreateWnd(TMessage&) {
    const bool wasFocused = Focused();
    SetControlState(ControlState() + TControlState{csRecreating});
    try {
        DestroyHandle();
        UpdateControlState();
    } catch (...) {
        SetControlState(ControlState() - TControlState{csRecreating});
        throw;
    }
    SetControlState(ControlState() - TControlState{csRecreating});
    if (wasFocused && handle_)
        ::SetFocus(handle_);
}

void TWinControl::SetZOrder(bool topMost) {
    inherited::SetZOrder(topMost);
    if (handle_)
        SetWindowPos(handle_, topMost ? HWND_TOP : HWND_BOTTOM, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HDC TWinControl::GetDeviceContext(HWND& window) {
    window = Handle();
    return GetDC(window);
}

// ---- Focus and tab order ----------------------------------------------------------------------------

bool TWinControl::Focused() const {
    return handle_ && GetFocus() == handle_;
}

bool TWinControl::CanFocus() {
    TCustomForm* form = GetParentForm(this);
    if (!form)
        return false;
    for (TWinControl* c = this; c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled())
            return false;
    return true;
}

void TWinControl::SetFocus() {
    if (TCustomForm* form = GetParentForm(this))
        form->FocusControl(this);
    else if (parentWindow_)
        ::SetFocus(Handle());
    else
        ValidParentForm(this);
}

void TWinControl::RemoveFocus(bool removing) {
    if (TCustomForm* form = GetParentForm(this))
        form->DefocusControl(this, removing);
}

void TWinControl::SetTabStop(bool value) {
    if (tabStop_ == value)
        return;
    tabStop_ = value;
    if (handle_) {
        LONG_PTR style = GetWindowLongPtrW(handle_, GWL_STYLE);
        style = value ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
        SetWindowLongPtrW(handle_, GWL_STYLE, style);
    }
    Perform(CM_TABSTOPCHANGED);
}

int TWinControl::TabOrder() const {
    if (!Parent())
        return -1;
    const auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (ComponentState() & csLoading)
        tabOrder_ = value;
    else
        UpdateTabOrder(value);
}

void TWinControl::UpdateTabOrder(int value) {
    if (!Parent())
        return;
    auto& list = Parent()->tabList_;
    auto it = std::find(list.begin(), list.end(), this);
    if (it == list.end())
        return;
    const int count = static_cast<int>(list.size());
    if (value < 0 || value >= count)
        value = count - 1;
    list.erase(it);
    list.insert(list.begin() + value, this);
}

void TWinControl::FixupTabList() {
    const std::size_t count = tabList_.size();
    std::vector<TWinControl*> wanted(count, nullptr);
    for (TWinControl* c : tabList_)
        if (c->tabOrder_ >= 0 && static_cast<std::size_t>(c->tabOrder_) < count && !wanted[c->tabOrder_])
            wanted[static_cast<std::size_t>(c->tabOrder_)] = c;
    for (std::size_t i = 0; i < count; ++i)
        if (wanted[i]) {
            wanted[i]->UpdateTabOrder(static_cast<int>(i));
            wanted[i]->tabOrder_ = -1;
        }
}

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) {
    for (TWinControl* c : tabList_) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* current, bool goForward, bool checkTabStop,
                                          bool checkParent) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty())
        return nullptr;
    const int count = static_cast<int>(list.size());
    auto found = std::find(list.begin(), list.end(), current);
    int start = found == list.end() ? -1 : static_cast<int>(found - list.begin());
    if (start < 0)
        start = goForward ? count - 1 : 0;
    int i = start;
    do {
        if (goForward) {
            if (++i == count)
                i = 0;
        } else {
            if (i == 0)
                i = count;
            --i;
        }
        TWinControl* c = list[static_cast<std::size_t>(i)];
        if (c->CanFocus() && (!checkTabStop || c->TabStop()) && (!checkParent || c->Parent() == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* current, bool goForward, bool checkTabStop) {
    if (TWinControl* next = FindNextControl(current, goForward, checkTabStop, !checkTabStop))
        next->SetFocus();
}

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
