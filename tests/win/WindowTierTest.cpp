// Proves the Windows tier: real windows and messages under Wine, and text conversions that give
// the same bytes as the native build.
#include "WinApi.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace {

constexpr UINT kEchoMessage = WM_APP + 7;

LRESULT CALLBACK EchoProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kEchoMessage) return static_cast<LRESULT>(wParam * 2 + lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(WindowTier, WindowIsCreatedAndAMessageRoundTrips) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = EchoProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VestrelEchoWindow";
    ASSERT_NE(RegisterClassW(&windowClass), 0) << GetLastError();

    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"echo", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr) << GetLastError();
    EXPECT_EQ(SendMessageW(window, kEchoMessage, 20, 2), 42);

    const std::wstring title = ToWide("个人管理");
    ASSERT_TRUE(SetWindowTextW(window, title.c_str()));
    wchar_t buffer[64] = {};
    GetWindowTextW(window, buffer, 64);
    EXPECT_EQ(FromWide(buffer), "个人管理");

    DestroyWindow(window);
    UnregisterClassW(windowClass.lpszClassName, windowClass.hInstance);
}

// GBK through the system's code page 936 must match our own table byte for byte.
TEST(WindowTier, GbkConversionMatchesTheSystemCodePage) {
    const char* texts[] = {
        "提示", "警告", "提醒", "连接数据库失败,您要连接本机数据库吗! ", "个人分类", "当前操作员: Admin",
        "年月日时分秒", "ASCII only", "€",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        const std::wstring wide = ToWide(text);
        const int size = WideCharToMultiByte(936, 0, wide.c_str(), static_cast<int>(wide.size()), nullptr, 0,
                                             nullptr, nullptr);
        std::string system(static_cast<std::size_t>(size), '\0');
        WideCharToMultiByte(936, 0, wide.c_str(), static_cast<int>(wide.size()), system.data(), size, nullptr,
                            nullptr);
        EXPECT_EQ(Utf8ToGbk(text), system);
        EXPECT_EQ(GbkToUtf8(system), text);
    }
    EXPECT_EQ(Utf8ToGbk("提示"), "\xcc\xe1\xca\xbe");
}

// The system draws the caption buttons of windows it frames itself as symbol glyphs. Without the
// symbol font the glyph codes come out as the letters "r" and "0": an "r" leans left, a "0" spans
// many rows, where the cross is balanced and the minimise mark is one short bar.
TEST(WindowTier, CaptionButtonGlyphsAreSymbolsNotLetters) {
    constexpr int kWidth = 18, kHeight = 16;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(dc, bitmap);

    struct Ink { int left = 0, right = 0, rows = 0; };
    auto draw = [&](UINT kind) {
        RECT box{0, 0, kWidth, kHeight};
        DrawFrameControl(dc, &box, DFC_CAPTION, kind);
        GdiFlush();
        const auto* pixels = static_cast<const std::uint32_t*>(bits);
        Ink ink;
        // Inside the button's edges: black pixels are the glyph.
        for (int y = 2; y < kHeight - 2; ++y) {
            bool row = false;
            for (int x = 2; x < kWidth - 2; ++x) {
                if ((pixels[y * kWidth + x] & 0xFFFFFF) != 0) continue;
                row = true;
                (x < kWidth / 2 ? ink.left : ink.right) += 1;
            }
            ink.rows += row ? 1 : 0;
        }
        return ink;
    };
    const Ink close = draw(DFCS_CAPTIONCLOSE);
    EXPECT_GT(close.left, 0);
    EXPECT_EQ(close.left, close.right) << "the close cross is drawn as a letter";
    const Ink minimise = draw(DFCS_CAPTIONMIN);
    EXPECT_GT(minimise.left + minimise.right, 0);
    EXPECT_LE(minimise.rows, 2) << "the minimise bar is drawn as a letter";

    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

}  // namespace
