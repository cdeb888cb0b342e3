// Timers fire through the message loop: ticks arrive while messages are run, stop when disabled,
// never start at interval 0, and a timer may be freed inside its own handler. Waits run messages
// until a condition holds (with a generous deadline), never a fixed sleep.
#include "ExtCtrls.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

// Runs messages until `done` holds; false when the deadline passed first.
bool RunMessagesUntil(const std::function<bool()>& done, DWORD deadlineMs = 5000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > deadlineMs)
            return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        Application->ProcessMessages();
    }
    return true;
}

struct TTicks {
    int count = 0;
    int stopAfter = 0;      // disable the timer after this many ticks (0: never)
    bool freeItself = false;
    void Tick(TObject* sender) {
        ++count;
        auto* timer = static_cast<TTimer*>(sender);
        if (freeItself) {
            freeItself = false;
            timer->Free();
            return;
        }
        if (stopAfter && count >= stopAfter)
            timer->SetEnabled(false);
    }
};

class TimerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterExtCtrlsClasses();
    }
    TScopedApplication app_;
};

TEST_F(TimerTest, TicksComeThroughTheMessageLoopAndStopWhenDisabled) {
    TTicks ticks{0, 2};
    std::unique_ptr<TTimer, TFree> timer(New<TTimer>(nullptr));
    timer->SetInterval(10);
    timer->OnTimer = Event<&TTicks::Tick>(&ticks);
    EXPECT_TRUE(timer->Running());
    ASSERT_TRUE(RunMessagesUntil([&] { return ticks.count >= 2; }));
    EXPECT_FALSE(timer->Running());

    // A second timer measures the time: while it ticks five times the stopped one stays quiet.
    TTicks reference;
    std::unique_ptr<TTimer, TFree> clock(New<TTimer>(nullptr));
    clock->SetInterval(20);
    clock->OnTimer = Event<&TTicks::Tick>(&reference);
    ASSERT_TRUE(RunMessagesUntil([&] { return reference.count >= 5; }));
    EXPECT_EQ(ticks.count, 2);

    // Enabled again, it ticks again; interval 0 stops it.
    timer->SetEnabled(true);
    ASSERT_TRUE(RunMessagesUntil([&] { return ticks.count >= 3; }));
    timer->SetInterval(0);
    EXPECT_FALSE(timer->Running());
    const int stopped = ticks.count;
    reference.count = 0;
    ASSERT_TRUE(RunMessagesUntil([&] { return reference.count >= 5; }));
    EXPECT_EQ(ticks.count, stopped);
}

TEST_F(TimerTest, TimerFreedInItsOwnHandlerTicksNoMore) {
    TTicks ticks;
    ticks.freeItself = true;
    TTimer* timer = New<TTimer>(nullptr);
    timer->SetInterval(10);
    timer->OnTimer = Event<&TTicks::Tick>(&ticks);
    ASSERT_TRUE(RunMessagesUntil([&] { return ticks.count >= 1; }));
    TTicks reference;
    std::unique_ptr<TTimer, TFree> clock(New<TTimer>(nullptr));
    clock->SetInterval(20);
    clock->OnTimer = Event<&TTicks::Tick>(&reference);
    ASSERT_TRUE(RunMessagesUntil([&] { return reference.count >= 3; }));
    EXPECT_EQ(ticks.count, 1);
}

}  // namespace
