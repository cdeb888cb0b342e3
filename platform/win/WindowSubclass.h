// Hooks on the procedure of any window, this program's or another module's. Any number of hooks
// may sit on one window and they come off in any order: each hook passes what it does not take
// to the one added before it (the chain keeps the order; the window's procedure is replaced once,
// while it has hooks). A hook removes itself when its window is destroyed, after it has seen
// WM_NCDESTROY.
//
// Also: the class name of a window as the system reports it ("#32770", "MDIClient", "TFrm_Main").
#pragma once

#include "WinApi.h"

#include "SysUtils.h"

class TWindowSubclass {
public:
    TWindowSubclass() = default;
    TWindowSubclass(const TWindowSubclass&) = delete;
    TWindowSubclass& operator=(const TWindowSubclass&) = delete;
    virtual ~TWindowSubclass();

    // False when the window is gone or already carries this hook.
    bool Attach(HWND window);
    void Detach();
    HWND Window() const { return window_; }
    bool Attached() const { return window_ != nullptr; }

protected:
    // Every message to the window; call CallPrevious for what the hook does not take. The hook
    // must not free itself in here (the window's destruction detaches it afterwards).
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    LRESULT CallPrevious(UINT message, WPARAM wParam, LPARAM lParam);

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // The message handled by `hook`, which comes off its window after WM_NCDESTROY.
    static LRESULT Dispatch(TWindowSubclass* hook, UINT message, WPARAM wParam, LPARAM lParam);
    HWND window_ = nullptr;
};

String WindowClassName(HWND window);
