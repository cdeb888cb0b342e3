// Debug log channels, one per subsystem ("ctl", "forms", "grid", "skin", "data", "report", ...).
//
// The environment variable VESTREL_DEBUG sets the level of each channel, e.g.
//   VESTREL_DEBUG=grid=trace,skin=warn,all=error
// Levels from the most to the least talkative: trace, warn, fixme, error, off. A channel logs its
// own level and every level above it; "all" sets the channels that are not named. Unset, every
// channel logs errors only. Output goes to stderr, one line per call: "err:ctl: text".
//
// A disabled level costs one comparison: use the macros, which skip the formatting when off:
//   static TLogChannel logGrid("grid");
//   VLOG_TRACE(logGrid, "row %d", row);
//
// This file needs no Windows header.
#pragma once

#include <cstdarg>

enum class TLogLevel { Trace = 0, Warn = 1, Fixme = 2, Error = 3, Off = 4 };

class TLogChannel {
public:
    explicit constexpr TLogChannel(const char* name) : name_(name) {}

    const char* Name() const { return name_; }
    bool Enabled(TLogLevel level) const {
        if (threshold_ < 0)
            threshold_ = static_cast<int>(LevelFromEnvironment(name_));
        return static_cast<int>(level) >= threshold_;
    }
    // Overrides the environment (tests); the channel keeps the level until set again.
    void SetLevel(TLogLevel level) { threshold_ = static_cast<int>(level); }

    void Write(TLogLevel level, const char* format, ...) const __attribute__((format(gnu_printf, 3, 4)));
    void WriteV(TLogLevel level, const char* format, va_list args) const;

    // The level that VESTREL_DEBUG gives the channel `name`.
    static TLogLevel LevelFromEnvironment(const char* name);
    // The same for a given setting text (the parser behind the above).
    static TLogLevel LevelFromSetting(const char* setting, const char* name);

private:
    const char* name_;
    mutable int threshold_ = -1;  // -1 until read from the environment
};

// Where the lines go (stderr by default); tests may capture them. Returns the previous sink.
using TLogSink = void (*)(const char* line);
TLogSink SetLogSink(TLogSink sink);

#define VLOG_AT(channel, level, ...)                  \
    do {                                              \
        if ((channel).Enabled(level))                 \
            (channel).Write((level), __VA_ARGS__);    \
    } while (0)
#define VLOG_TRACE(channel, ...) VLOG_AT(channel, TLogLevel::Trace, __VA_ARGS__)
#define VLOG_WARN(channel, ...) VLOG_AT(channel, TLogLevel::Warn, __VA_ARGS__)
#define VLOG_FIXME(channel, ...) VLOG_AT(channel, TLogLevel::Fixme, __VA_ARGS__)
#define VLOG_ERROR(channel, ...) VLOG_AT(channel, TLogLevel::Error, __VA_ARGS__)
