// Log channels: levels read from the setting text, and the line a call writes.
#include "Log.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(LogChannels, LevelsComeFromTheSetting) {
    struct TCase {
        const char* setting;
        const char* channel;
        TLogLevel level;
    } const cases[] = {
        {nullptr, "grid", TLogLevel::Error},
        {"", "grid", TLogLevel::Error},
        {"grid=trace,skin=warn", "grid", TLogLevel::Trace},
        {"grid=trace,skin=warn", "skin", TLogLevel::Warn},
        {"grid=trace,skin=warn", "data", TLogLevel::Error},
        {"all=off,grid=fixme", "grid", TLogLevel::Fixme},
        {"all=off,grid=fixme", "skin", TLogLevel::Off},
        {"grid=loud", "grid", TLogLevel::Error},
        {"gridx=trace", "grid", TLogLevel::Error},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(std::string(c.setting ? c.setting : "(unset)") + " / " + c.channel);
        EXPECT_EQ(TLogChannel::LevelFromSetting(c.setting, c.channel), c.level);
    }
    TLogChannel channel("test");
    channel.SetLevel(TLogLevel::Warn);
    EXPECT_FALSE(channel.Enabled(TLogLevel::Trace));
    EXPECT_TRUE(channel.Enabled(TLogLevel::Warn));
    EXPECT_TRUE(channel.Enabled(TLogLevel::Error));
}

std::string& Captured() {
    static std::string text;
    return text;
}

TEST(LogChannels, WriteOneTaggedLineAndSkipDisabledLevels) {
    Captured().clear();
    TLogSink previous = SetLogSink([](const char* line) { Captured() += line; });
    TLogChannel channel("data");
    channel.SetLevel(TLogLevel::Warn);
    VLOG_TRACE(channel, "not %s", "shown");
    VLOG_WARN(channel, "row %d", 3);
    VLOG_ERROR(channel, "line\n");
    SetLogSink(previous);
    EXPECT_EQ(Captured(), "warn:data: row 3\nerr:data: line\n");
}

}  // namespace
