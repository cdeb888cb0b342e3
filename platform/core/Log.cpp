#include "Log.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void StderrSink(const char* line) {
    std::fputs(line, stderr);
    std::fflush(stderr);
}

TLogSink& Sink() {
    static TLogSink sink = &StderrSink;
    return sink;
}

const char* LevelTag(TLogLevel level) {
    switch (level) {
    case TLogLevel::Trace: return "trace";
    case TLogLevel::Warn: return "warn";
    case TLogLevel::Fixme: return "fixme";
    case TLogLevel::Error: return "err";
    case TLogLevel::Off: break;
    }
    return "?";
}

bool ParseLevel(const std::string& text, TLogLevel& level) {
    static const struct {
        const char* name;
        TLogLevel level;
    } levels[] = {
        {"trace", TLogLevel::Trace}, {"warn", TLogLevel::Warn},   {"fixme", TLogLevel::Fixme},
        {"error", TLogLevel::Error}, {"err", TLogLevel::Error},   {"off", TLogLevel::Off},
    };
    for (const auto& entry : levels)
        if (text == entry.name) {
            level = entry.level;
            return true;
        }
    return false;
}

}  // namespace

TLogSink SetLogSink(TLogSink sink) {
    TLogSink previous = Sink();
    Sink() = sink ? sink : &StderrSink;
    return previous;
}

TLogLevel TLogChannel::LevelFromSetting(const char* setting, const char* name) {
    TLogLevel all = TLogLevel::Error;
    TLogLevel own = TLogLevel::Error;
    bool named = false;
    std::string text = setting ? setting : "";
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find(',', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string item = text.substr(start, end - start);
        const std::size_t eq = item.find('=');
        TLogLevel level;
        if (eq != std::string::npos && ParseLevel(item.substr(eq + 1), level)) {
            const std::string channel = item.substr(0, eq);
            if (channel == "all")
                all = level;
            else if (channel == name) {
                own = level;
                named = true;
            }
        }
        start = end + 1;
    }
    return named ? own : all;
}

TLogLevel TLogChannel::LevelFromEnvironment(const char* name) {
    return LevelFromSetting(std::getenv("VESTREL_DEBUG"), name);
}

void TLogChannel::Write(TLogLevel level, const char* format, ...) const {
    va_list args;
    va_start(args, format);
    WriteV(level, format, args);
    va_end(args);
}

void TLogChannel::WriteV(TLogLevel level, const char* format, va_list args) const {
    char buffer[1024];
    std::vsnprintf(buffer, sizeof buffer, format, args);
    std::string line = std::string(LevelTag(level)) + ":" + name_ + ": " + buffer;
    if (line.empty() || line.back() != '\n')
        line += '\n';
    Sink()(line.c_str());
}
