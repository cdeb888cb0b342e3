#include "WindowSubclass.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>
#include <vector>

namespace {

// The hooks of one window, oldest first, and the procedure they sit on. The chains are kept in
// this process (a window property would cost a trip to the system on every message).
struct TChain {
    WNDPROC Original = nullptr;
    std::vector<TWindowSubclass*> Hooks;
};

std::mutex& ChainLock() {
    static auto* lock = new std::mutex;  // never freed: hooks may come off up to the program's end
    return *lock;
}

std::unordered_map<HWND, TChain>& Chains() {
    static auto* chains = new std::unordered_map<HWND, TChain>;
    return *chains;
}

}  // namespace

TWindowSubclass::~TWindowSubclass() { Detach(); }

bool TWindowSubclass::Attach(HWND window) {
    if (window_ || !IsWindow(window)) return false;
    std::lock_guard<std::mutex> guard(ChainLock());
    auto [it, added] = Chains().try_emplace(window);
    TChain& chain = it->second;
    if (added) {
        // A procedure that is not ours after its last hook came off stays in place, passing through.
        SetLastError(0);
        const LONG_PTR old =
            SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Procedure));
        if (!old && GetLastError() != 0) {
            Chains().erase(it);
            return false;
        }
        chain.Original = reinterpret_cast<WNDPROC>(old);
    }
    chain.Hooks.push_back(this);
    window_ = window;
    return true;
}

void TWindowSubclass::Detach() {
    if (!window_) return;
    HWND window = window_;
    window_ = nullptr;
    std::lock_guard<std::mutex> guard(ChainLock());
    auto it = Chains().find(window);
    if (it == Chains().end()) return;
    TChain& chain = it->second;
    chain.Hooks.erase(std::remove(chain.Hooks.begin(), chain.Hooks.end(), this), chain.Hooks.end());
    if (!chain.Hooks.empty()) return;
    if (!IsWindow(window)) {
        Chains().erase(it);
        return;
    }
    // The window's own procedure comes back unless something hooked the window after us.
    if (GetWindowLongPtrW(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&Procedure)) {
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain.Original));
        Chains().erase(it);
    }
}

LRESULT TWindowSubclass::Dispatch(TWindowSubclass* hook, UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = hook->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) hook->Detach();
    return result;
}

LRESULT TWindowSubclass::CallPrevious(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = window_;
    if (!window) return 0;
    TWindowSubclass* previous = nullptr;
    WNDPROC original = nullptr;
    {
        std::lock_guard<std::mutex> guard(ChainLock());
        auto it = Chains().find(window);
        if (it == Chains().end()) return 0;
        const std::vector<TWindowSubclass*>& hooks = it->second.Hooks;
        const auto self = std::find(hooks.begin(), hooks.end(), this);
        if (self == hooks.end()) return 0;
        if (self != hooks.begin()) previous = *(self - 1);
        else original = it->second.Original;
    }
    if (previous) return Dispatch(previous, message, wParam, lParam);
    return original ? CallWindowProcW(original, window, message, wParam, lParam)
                    : DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK TWindowSubclass::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    TWindowSubclass* newest = nullptr;
    WNDPROC original = nullptr;
    {
        std::lock_guard<std::mutex> guard(ChainLock());
        auto it = Chains().find(window);
        if (it == Chains().end()) return DefWindowProcW(window, message, wParam, lParam);
        if (!it->second.Hooks.empty()) newest = it->second.Hooks.back();
        original = it->second.Original;
    }
    LRESULT result = 0;
    if (newest) result = Dispatch(newest, message, wParam, lParam);
    else result = original ? CallWindowProcW(original, window, message, wParam, lParam)
                           : DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        // The window is gone; a hook that kept the message from older hooks leaves them marked
        // attached to it.
        std::lock_guard<std::mutex> guard(ChainLock());
        Chains().erase(window);
    }
    return result;
}

String WindowClassName(HWND window) {
    wchar_t name[256] = {};
    const int length = GetClassNameW(window, name, 256);
    return length > 0 ? FromWide(name, static_cast<std::size_t>(length)) : String();
}
