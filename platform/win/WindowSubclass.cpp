#include "WindowSubclass.h"

#include <commctrl.h>

TWindowSubclass::~TWindowSubclass() { Detach(); }

bool TWindowSubclass::Attach(HWND window) {
    if (window_ || !IsWindow(window)) return false;
    if (!SetWindowSubclass(window, Procedure, reinterpret_cast<UINT_PTR>(this), reinterpret_cast<DWORD_PTR>(this)))
        return false;
    window_ = window;
    return true;
}

void TWindowSubclass::Detach() {
    if (!window_) return;
    RemoveWindowSubclass(window_, Procedure, reinterpret_cast<UINT_PTR>(this));
    window_ = nullptr;
}

LRESULT TWindowSubclass::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefSubclassProc(window_, message, wParam, lParam);
}

LRESULT CALLBACK TWindowSubclass::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                            DWORD_PTR data) {
    auto* self = reinterpret_cast<TWindowSubclass*>(data);
    if (self->window_ != window) return DefSubclassProc(window, message, wParam, lParam);
    const LRESULT result = self->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) self->Detach();
    return result;
}

String WindowClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return length > 0 ? FromWide(name, static_cast<std::size_t>(length)) : String();
}
