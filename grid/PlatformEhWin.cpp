// Thin wrappers over Windows drawing and message calls, with UTF-8 text.
#include "PlatformEh.h"

#include "WinApi.h"

#include <vector>

int DrawTextEh(HDC dc, const String& text, RECT& rect, UINT format) {
    const std::wstring wide = ToWide(text);
    return DrawTextW(dc, wide.c_str(), static_cast<int>(wide.size()), &rect, format);
}

int DrawTextExEh(HDC dc, const String& text, RECT& rect, UINT format, int leftMargin, int rightMargin) {
    std::wstring wide = ToWide(text);
    DRAWTEXTPARAMS params{};
    params.cbSize = sizeof params;
    params.iLeftMargin = leftMargin;
    params.iRightMargin = rightMargin;
    return DrawTextExW(dc, wide.data(), static_cast<int>(wide.size()), &rect, format, &params);
}

BOOL ExtTextOutEh(HDC dc, int x, int y, UINT options, const RECT* rect, const String& text) {
    const std::wstring wide = ToWide(text);
    return ExtTextOutW(dc, x, y, options, rect, wide.c_str(), static_cast<UINT>(wide.size()), nullptr);
}

SIZE TextExtentEh(HDC dc, const String& text) {
    const std::wstring wide = ToWide(text);
    SIZE size{};
    GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &size);
    return size;
}

LRESULT SendTextMessageEh(HWND window, UINT msg, WPARAM wParam, const String& text) {
    const std::wstring wide = ToWide(text);
    return SendMessageW(window, msg, wParam, reinterpret_cast<LPARAM>(wide.c_str()));
}

void WindowInvalidateRect(HWND window, const TRect* rect, bool erase) {
    if (rect) {
        const RECT r = ToWinRect(*rect);
        InvalidateRect(window, &r, erase);
    } else {
        InvalidateRect(window, nullptr, erase);
    }
}

void WindowValidateRect(HWND window, const TRect* rect) {
    if (rect) {
        const RECT r = ToWinRect(*rect);
        ValidateRect(window, &r);
    } else {
        ValidateRect(window, nullptr);
    }
}

void GetEditSelection(HWND edit, int& start, int& end) {
    DWORD s = 0, e = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
}

HRGN CreatePolygonRegionEh(const TPoint* points, int count, int fillMode) {
    std::vector<POINT> p(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) p[static_cast<std::size_t>(i)] = POINT{points[i].X, points[i].Y};
    return CreatePolygonRgn(p.data(), count, fillMode);
}

HBITMAP LoadBitmapEh(const String& name) {
    const std::wstring wide = ToWide(name);
    return LoadBitmapW(GetModuleHandleW(nullptr), wide.c_str());
}

TRect EmptyRect() { return TRect{0, 0, 0, 0}; }
