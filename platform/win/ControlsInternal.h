// State and helpers the window layer's units share (WindowRegistry, Controls, WinControl,
// WinControlMessages); nothing outside the layer includes this.
#pragma once

#include "Controls.h"

#include <algorithm>
#include <vector>

namespace controls_internal {

extern thread_local TWinControl* tCreating;  // the control whose window is being made
extern thread_local TBusyGuard* tBusy;       // innermost running handler or guard
extern TControl* gCaptureControl;
extern TControl* gMouseControl;              // the control under the mouse (enter/leave)

// The window property that keeps a subclassed window's own procedure once its control let go.
inline constexpr wchar_t kDefProcProperty[] = L"VestrelDefProc";

std::vector<TControl*>& PendingFrees();
std::vector<TControlCanvas*>& CanvasesWithDC();

template <class T>
void EraseValue(std::vector<T>& list, const T& value) {
    list.erase(std::remove(list.begin(), list.end(), value), list.end());
}

HINSTANCE ModuleInstance();
String LastErrorText(DWORD error);
String ControlDisplayName(const TControl* control);
int NextControlId();
bool IsQuietNotification(UINT msg);
void HandleDispatchException(TObject* sender);
void SetMouseControl(TControl* control);
HCURSOR CursorHandle(TCursor cursor);
const wchar_t* ControlProperty();  // the window property that leads to the control

// Drag and drop (ControlDrag.cpp).
void NoteMousePoint(TControl* control, LPARAM pos);  // a mouse message reached `control`
bool CancelRunningDrag();                            // true when a drag was running
void ForgetDragControl(TControl* control);           // `control` is being freed
// The capture of `window` (or of a graphic child) went to `newCapture`: a drag of theirs is
// cancelled (true).
bool DragCaptureLost(TWinControl* window, HWND newCapture);

}  // namespace controls_internal

// The window procedure of every control's window.
LRESULT CALLBACK ControlWndProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
