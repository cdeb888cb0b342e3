// The window layer's program-wide state: the handle-to-control registry, capture, busy guards and
// deferred freeing, the one window procedure of every control, and key/shift helpers.
#include "Controls.h"

#include "Forms.h"
#include "ControlsInternal.h"

#include <algorithm>
#include <cstdio>

TLogChannel LogControls("ctl");

using namespace controls_internal;

// ---- Program-wide state of the window layer (one GUI thread) ----------------------------------------

namespace controls_internal {

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

}  // namespace controls_internal

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

}  // namespace

const wchar_t* controls_internal::ControlProperty() {
    return MAKEINTATOM(AtomInfo().Atom);
}

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

