#include "HintWindow.h"

#include <string>

namespace {

const wchar_t kClassName[] = L"THintWindow";

bool RegisterHintClass() {
    static const bool registered = [] {
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_SAVEBITS | CS_DROPSHADOW;
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

THintWindow::THintWindow() = default;

THintWindow::~THintWindow() {
    if (window_) DestroyWindow(window_);
    if (font_) DeleteObject(font_);
}

HFONT THintWindow::Font() const {
    if (!font_) {
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0))
            font_ = CreateFontIndirectW(&metrics.lfStatusFont);
    }
    return font_ ? font_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

TRect THintWindow::CalcHintRect(const String& text) const {
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, Font());
    const std::wstring wide = ToWide(text);
    RECT r{0, 0, 0, 0};
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    return TRect{0, 0, r.right + 2 * kMargin + 2, r.bottom + 2 * kMargin};
}

void THintWindow::ActivateHint(const TRect& screenRect, const String& text) {
    if (!window_) {
        if (!RegisterHintClass()) return;
        // Layered and transparent: the mouse passes through to the window beneath.
        window_ = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST | WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
                                  kClassName, L"", WS_POPUP | WS_BORDER, 0, 0, 0, 0, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        if (!window_) return;
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&THintWindow::WindowProc));
        SetLayeredWindowAttributes(window_, 0, 255, LWA_ALPHA);
    }
    text_ = text;
    bounds_ = screenRect;
    SetWindowTextW(window_, ToWide(text).c_str());
    SetWindowPos(window_, HWND_TOPMOST, screenRect.Left, screenRect.Top, screenRect.Width(), screenRect.Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    InvalidateRect(window_, nullptr, TRUE);
}

void THintWindow::ReleaseHandle() {
    if (window_ && IsWindowVisible(window_)) ShowWindow(window_, SW_HIDE);
}

bool THintWindow::Showing() const { return window_ && IsWindowVisible(window_); }

void THintWindow::Paint(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    HBRUSH back = CreateSolidBrush(GetSysColor(COLOR_INFOBK));
    FillRect(dc, &client, back);
    DeleteObject(back);
    HGDIOBJ old = SelectObject(dc, Font());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    const std::wstring wide = ToWide(text_);
    RECT r = client;
    r.left += kMargin;
    r.top += kMargin;
    DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &r, DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
}

LRESULT CALLBACK THintWindow::WindowProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<THintWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (msg) {
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        if (self) self->Paint(dc);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        if (self) self->Paint(reinterpret_cast<HDC>(wParam));
        return 0;
    default: return DefWindowProcW(window, msg, wParam, lParam);
    }
}
