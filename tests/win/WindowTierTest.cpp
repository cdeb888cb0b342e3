// Proves the Windows tier: real windows and messages under Wine, and text conversions that give
// the same bytes as the native build.
#include "WinApi.h"

#include <gtest/gtest.h>

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

}  // namespace
