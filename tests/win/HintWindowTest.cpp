// The hint window: shown over a screen rectangle with its text, never active, and transparent to
// the mouse (the window beneath gets the clicks).
#include "HintWindow.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

TEST(HintWindow, ShowsTextOverARectangleAndLetsTheMouseThrough) {
    StartWindowTests();
    // A plain window beneath, on the screen.
    HWND below = CreateWindowExW(0, L"STATIC", L"below", WS_POPUP | WS_VISIBLE | SS_NOTIFY, 100, 100, 300, 200, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(below, nullptr);
    DrainMessages();
    THintWindow hint;
    EXPECT_FALSE(hint.Showing());
    const TRect wanted{150, 150, 260, 170};
    hint.ActivateHint(wanted, "a long cell text");
    DrainMessages();
    ASSERT_TRUE(hint.Showing());
    RECT r;
    GetWindowRect(hint.Handle(), &r);
    EXPECT_EQ(Rect(r.left, r.top, r.right, r.bottom), wanted);
    wchar_t text[64];
    GetWindowTextW(hint.Handle(), text, 64);
    EXPECT_EQ(std::wstring(text), L"a long cell text");
    EXPECT_NE(GetActiveWindow(), hint.Handle());
    EXPECT_EQ(SendMessageW(hint.Handle(), WM_NCHITTEST, 0, MAKELPARAM(200, 160)), HTTRANSPARENT);
    EXPECT_EQ(WindowFromPoint(POINT{200, 160}), below);
    // The box a text needs grows with the text.
    EXPECT_GT(hint.CalcHintRect("a much longer text than that").Width(), hint.CalcHintRect("short").Width());
    hint.ReleaseHandle();
    EXPECT_FALSE(hint.Showing());
    DestroyWindow(below);
}

}  // namespace
