// Hooks on a window's procedure: the order messages pass through them, taking them off in any
// order, a procedure set on the window by others after them, and the window's destruction.
#include "WindowSubclass.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <string>
#include <vector>

namespace {

constexpr UINT TestMessage = WM_APP + 7;

std::string* Trail() {
    static std::string trail;
    return &trail;
}

LRESULT CALLBACK OwnProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TestMessage) {
        *Trail() += "W";
        return 100;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// Notes its letter, then passes the message on (and adds one to the answer), or keeps it.
class TTrailHook : public TWindowSubclass {
public:
    TTrailHook(char letter, bool passOn = true) : letter_(letter), passOn_(passOn) {}
    int Destroyed = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_NCDESTROY) ++Destroyed;
        if (message != TestMessage) return CallPrevious(message, wParam, lParam);
        *Trail() += letter_;
        return passOn_ ? CallPrevious(message, wParam, lParam) + 1 : 0;
    }

private:
    char letter_;
    bool passOn_;
};

WNDPROC Below = nullptr;

LRESULT CALLBACK Swapped(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == TestMessage) *Trail() += "s";
    return CallWindowProcW(Below, window, message, wParam, lParam);
}

LRESULT CALLBACK SystemSubclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == TestMessage) *Trail() += "x";
    return DefSubclassProc(window, message, wParam, lParam);
}

class WindowSubclassTest : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc{};
        wc.lpfnWndProc = OwnProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VestrelSubclassTestWindow";
        RegisterClassW(&wc);
        window = CreateWindowExW(0, wc.lpszClassName, L"", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr,
                                 wc.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
        Trail()->clear();
    }
    void TearDown() override {
        if (window && IsWindow(window)) DestroyWindow(window);
    }
    std::string Send() {
        Trail()->clear();
        const LRESULT result = SendMessageW(window, TestMessage, 0, 0);
        return *Trail() + ":" + std::to_string(result);
    }
    LONG_PTR Procedure() const { return GetWindowLongPtrW(window, GWLP_WNDPROC); }

    HWND window = nullptr;
};

TEST_F(WindowSubclassTest, NewestHookFirstAndAnyRemovalOrderKeepsTheRestChained) {
    const LONG_PTR own = Procedure();
    TTrailHook a('a'), b('b'), c('c');
    ASSERT_TRUE(a.Attach(window));
    ASSERT_TRUE(b.Attach(window));
    ASSERT_TRUE(c.Attach(window));
    EXPECT_FALSE(b.Attach(window));  // already on it
    EXPECT_EQ(Send(), "cbaW:103");

    b.Detach();  // from the middle
    EXPECT_FALSE(b.Attached());
    EXPECT_EQ(Send(), "caW:102");
    c.Detach();  // the newest
    EXPECT_EQ(Send(), "aW:101");
    EXPECT_TRUE(b.Attach(window));  // back on, now the newest
    EXPECT_EQ(Send(), "baW:102");
    a.Detach();
    b.Detach();
    EXPECT_EQ(Send(), "W:100");
    EXPECT_EQ(Procedure(), own) << "the window's own procedure is back once the last hook is off";
}

TEST_F(WindowSubclassTest, HookKeepingAMessageStopsItThere) {
    TTrailHook a('a'), keep('k', false);
    ASSERT_TRUE(a.Attach(window));
    ASSERT_TRUE(keep.Attach(window));
    EXPECT_EQ(Send(), "k:0");
}

TEST_F(WindowSubclassTest, ProceduresSetByOthersAfterTheHooksKeepWorking) {
    TTrailHook a('a'), b('b');
    ASSERT_TRUE(a.Attach(window));
    // A plain procedure swap on top of the hook, then one of the system's subclasses on top of that.
    Below = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Swapped)));
    ASSERT_TRUE(SetWindowSubclass(window, SystemSubclass, 1, 0));
    // A later hook joins the window's chain where that chain sits, under the others.
    ASSERT_TRUE(b.Attach(window));
    EXPECT_EQ(Send(), "xsbaW:102");

    // Taking the hooks off must not cut out what sits above or below them.
    a.Detach();
    EXPECT_EQ(Send(), "xsbW:101");
    b.Detach();
    EXPECT_EQ(Send(), "xsW:100");
    RemoveWindowSubclass(window, SystemSubclass, 1);
    EXPECT_EQ(Send(), "sW:100");
    EXPECT_TRUE(a.Attach(window));
    EXPECT_EQ(Send(), "saW:101");
    a.Detach();
}

TEST_F(WindowSubclassTest, DestroyingTheWindowTakesOffTheHooksThatSawIt) {
    TTrailHook a('a'), b('b');
    ASSERT_TRUE(a.Attach(window));
    ASSERT_TRUE(b.Attach(window));
    DestroyWindow(window);
    EXPECT_EQ(a.Destroyed, 1);
    EXPECT_EQ(b.Destroyed, 1);
    EXPECT_FALSE(a.Attached());
    EXPECT_FALSE(b.Attached());
    EXPECT_FALSE(a.Attach(window)) << "a destroyed window takes no hook";
    window = nullptr;
}

TEST_F(WindowSubclassTest, FreedHookComesOffItsWindow) {
    TTrailHook a('a');
    ASSERT_TRUE(a.Attach(window));
    {
        TTrailHook b('b');
        ASSERT_TRUE(b.Attach(window));
        EXPECT_EQ(Send(), "baW:102");
    }
    EXPECT_EQ(Send(), "aW:101");
    a.Detach();
}

}  // namespace
