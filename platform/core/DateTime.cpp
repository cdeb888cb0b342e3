// Calendar arithmetic on day numbers (proleptic Gregorian), the replaceable clock, and the date and
// time formatter and reader.
#include "DateTime.h"

#include "Encoding.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

namespace {

constexpr long long kMSecsPerDay = 86400000;
constexpr long long kFirstDay = -693593;  // 0001-01-01
constexpr long long kLastDay = 2958465;   // 9999-12-31
constexpr long long kDay1970 = 25569;     // 1970-01-01

// Days from 1970-01-01 to a civil date, and back.
long long DaysFromCivil(long long y, int m, int d) {
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(long long z, int& year, int& month, int& day) {
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const long long doe = z - era * 146097;
    const long long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const long long doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const long long mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

struct DateTimeParts {
    int year = 0, month = 0, day = 0;
    int hour = 0, minute = 0, second = 0, millisecond = 0;
    int dayOfWeek = 0;  // 1 = Sunday
};

DateTimeParts Split(double value) {
    const auto invalid = [value] {
        return EConvertError("'" + FloatToStr(value) + "' is not a valid date and time value");
    };
    if (!std::isfinite(value) || std::fabs(value) > 1e7) throw invalid();
    const long long ms = std::llround(value * static_cast<double>(kMSecsPerDay));
    const long long days = ms / kMSecsPerDay;  // toward zero: the time of day counts forward
    if (days < kFirstDay || days > kLastDay) throw invalid();
    long long time = (ms < 0 ? -ms : ms) % kMSecsPerDay;
    DateTimeParts p;
    CivilFromDays(days - kDay1970, p.year, p.month, p.day);
    p.dayOfWeek = static_cast<int>((days + DateDelta) % 7) + 1;
    p.millisecond = static_cast<int>(time % 1000);
    time /= 1000;
    p.second = static_cast<int>(time % 60);
    time /= 60;
    p.minute = static_cast<int>(time % 60);
    p.hour = static_cast<int>(time / 60);
    return p;
}

TDateTime SystemNow() {
    using namespace std::chrono;
    const auto since = system_clock::now().time_since_epoch();
    const auto secs = floor<seconds>(since);
    const auto ms = static_cast<int>(duration_cast<milliseconds>(since - secs).count());
    const std::time_t t = static_cast<std::time_t>(secs.count());
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return EncodeDate(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday) +
           EncodeTime(tm.tm_hour, tm.tm_min, std::min(tm.tm_sec, 59), ms);
}

TClockFunction& Clock() {
    static TClockFunction clock;
    return clock;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
char Upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool StartsWithText(const String& text, std::size_t at, const String& prefix) {
    return !prefix.empty() && text.size() - at >= prefix.size() &&
           SameText(text.substr(at, prefix.size()), prefix);
}

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

// Length of the am/pm specifier at `at` ("am/pm", "a/p", "ampm"), 0 when there is none.
std::size_t AmPmLength(const String& format, std::size_t at) {
    if (StartsWithText(format, at, "am/pm")) return 5;
    if (StartsWithText(format, at, "ampm")) return 4;
    if (StartsWithText(format, at, "a/p")) return 3;
    return 0;
}

bool AmPmFollows(const String& format, std::size_t from) {
    for (std::size_t i = from; i < format.size(); ++i) {
        const char c = format[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, i + 1);
            if (close == String::npos) return false;
            i = close;
        } else if ((c == 'a' || c == 'A') && AmPmLength(format, i) != 0) {
            return true;
        }
    }
    return false;
}

String Padded(int value, int digits) {
    String text = std::to_string(value);
    if (static_cast<int>(text.size()) < digits) text.insert(0, digits - text.size(), '0');
    return text;
}

class DateTimeWriter {
public:
    DateTimeWriter(double value, const TFormatSettings& settings)
        : FParts(Split(value)), FSettings(settings) {}

    String Result() const { return FOut; }

    // Formats nested through c, ddddd, dddddd, t and tt stop two levels down.
    void Write(const String& format, int depth) {
        if (depth > 2) return;
        const DateTimeParts& p = FParts;
        char last = 0;
        for (std::size_t i = 0; i < format.size();) {
            const char c = format[i];
            if (!IsLetter(c)) {
                i = Copy(format, i);
                continue;
            }
            char token = Upper(c);
            if (token == 'A') {
                if (const std::size_t length = AmPmLength(format, i)) {
                    WriteAmPm(format, i, length);
                    i += length;
                    last = 'A';
                    continue;
                }
            }
            std::size_t count = 1;
            while (i + count < format.size() && Upper(format[i + count]) == token) ++count;
            if (token == 'M' && last == 'H') token = 'N';
            last = token;
            switch (token) {
            case 'Y':
                FOut += count <= 2 ? Padded(p.year % 100, 2) : Padded(p.year, 4);
                break;
            case 'M':
                if (count <= 2)
                    FOut += Padded(p.month, int(count));
                else
                    FOut += (count == 3 ? FSettings.ShortMonthNames : FSettings.LongMonthNames)[p.month - 1];
                break;
            case 'D':
                if (count <= 2)
                    FOut += Padded(p.day, int(count));
                else if (count == 3)
                    FOut += FSettings.ShortDayNames[p.dayOfWeek - 1];
                else if (count == 4)
                    FOut += FSettings.LongDayNames[p.dayOfWeek - 1];
                else
                    Write(count == 5 ? FSettings.ShortDateFormat : FSettings.LongDateFormat, depth + 1);
                break;
            case 'H': {
                int hour = p.hour;
                if (AmPmFollows(format, i + count)) {
                    hour %= 12;
                    if (hour == 0) hour = 12;
                }
                FOut += Padded(hour, count == 1 ? 1 : 2);
                break;
            }
            case 'N':
                FOut += Padded(p.minute, count == 1 ? 1 : 2);
                break;
            case 'S':
                FOut += Padded(p.second, count == 1 ? 1 : 2);
                break;
            case 'Z':
                FOut += Padded(p.millisecond, count == 1 ? 1 : 3);
                break;
            case 'T':
                Write(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1);
                break;
            case 'C':
                Write(FSettings.ShortDateFormat, depth + 1);
                if (p.hour != 0 || p.minute != 0 || p.second != 0) {
                    FOut += ' ';
                    Write(FSettings.LongTimeFormat, depth + 1);
                }
                break;
            default:
                FOut.append(format, i, count);  // not a specifier
                break;
            }
            i += count;
        }
    }

private:
    // Copies a non-letter at `i` (a separator, a quoted text or one whole character); returns the
    // position after it.
    std::size_t Copy(const String& format, std::size_t i) {
        const char c = format[i];
        if (c == '/') {
            FOut += FSettings.DateSeparator;
            return i + 1;
        }
        if (c == ':') {
            FOut += FSettings.TimeSeparator;
            return i + 1;
        }
        if (c == '"' || c == '\'') {
            const std::size_t close = format.find(c, i + 1);
            const std::size_t end = close == String::npos ? format.size() : close;
            FOut.append(format, i + 1, end - i - 1);
            return end == format.size() ? end : end + 1;
        }
        const std::size_t length = std::min(Utf8SequenceLength(c), format.size() - i);
        FOut.append(format, i, length);
        return i + length;
    }

    void WriteAmPm(const String& format, std::size_t at, std::size_t length) {
        const bool pm = FParts.hour >= 12;
        if (length == 4)
            FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
        else if (length == 5)
            FOut.append(format, pm ? at + 3 : at, 2);
        else
            FOut += format[pm ? at + 2 : at];
    }

    DateTimeParts FParts;
    const TFormatSettings& FSettings;
    String FOut;
};

// --- Reading -----------------------------------------------------------------------------------

class Scanner {
public:
    explicit Scanner(const String& text) : FText(text) {}

    std::size_t Position() const { return FPos; }
    void Reset(std::size_t position) { FPos = position; }

    void SkipBlanks() {
        while (FPos < FText.size() && static_cast<unsigned char>(FText[FPos]) <= ' ') ++FPos;
    }
    bool AtEnd() {
        SkipBlanks();
        return FPos == FText.size();
    }
    // Blanks, then `c`; the position is kept when `c` is not there.
    bool Char(char c) {
        const std::size_t start = FPos;
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        FPos = start;
        return false;
    }
    bool Number(int& value, int& digits) {
        SkipBlanks();
        value = 0;
        digits = 0;
        while (FPos < FText.size() && FText[FPos] >= '0' && FText[FPos] <= '9') {
            if (++digits > 9) return false;
            value = value * 10 + (FText[FPos++] - '0');
        }
        return digits > 0;
    }
    bool Text(const String& word) {
        if (!StartsWithText(FText, FPos, word)) return false;
        FPos += word.size();
        return true;
    }

private:
    const String& FText;
    std::size_t FPos = 0;
};

enum class DateOrder { MDY, DMY, YMD };

DateOrder OrderOf(const String& format) {
    for (std::size_t i = 0; i < format.size(); ++i) {
        const char c = Upper(format[i]);
        if (format[i] == '"' || format[i] == '\'') {
            const std::size_t close = format.find(format[i], i + 1);
            if (close == String::npos) break;
            i = close;
        } else if (c == 'Y') {
            return DateOrder::YMD;
        } else if (c == 'M') {
            return DateOrder::MDY;
        } else if (c == 'D') {
            return DateOrder::DMY;
        }
    }
    return DateOrder::YMD;
}

int CurrentYear() {
    int year, month, day;
    DecodeDate(Date(), year, month, day);
    return year;
}

bool ScanDate(Scanner& s, const TFormatSettings& settings, double& date) {
    int n1, n2, n3 = 0, l1, l2, l3 = 0;
    if (!s.Number(n1, l1) || !s.Char(settings.DateSeparator) || !s.Number(n2, l2)) return false;
    const bool withYear = s.Char(settings.DateSeparator);
    if (withYear && !s.Number(n3, l3)) return false;
    const DateOrder order = OrderOf(settings.ShortDateFormat);
    int year, month, day, yearDigits;
    if (!withYear) {
        year = CurrentYear();
        yearDigits = 4;
        month = order == DateOrder::DMY ? n2 : n1;
        day = order == DateOrder::DMY ? n1 : n2;
    } else if (order == DateOrder::YMD) {
        year = n1, yearDigits = l1, month = n2, day = n3;
    } else if (order == DateOrder::MDY) {
        month = n1, day = n2, year = n3, yearDigits = l3;
    } else {
        day = n1, month = n2, year = n3, yearDigits = l3;
    }
    if (yearDigits <= 2) {
        const int current = CurrentYear();
        const int window = settings.TwoDigitYearCenturyWindow;
        if (window > 0) {
            const int start = current - window;
            year += start / 100 * 100;
            if (year < start) year += 100;
        } else {
            year += current / 100 * 100;
        }
    }
    TDateTime value;
    if (!TryEncodeDate(year, month, day, value)) return false;
    date = value;
    return true;
}

bool ScanTime(Scanner& s, const TFormatSettings& settings, double& time) {
    int hour, minute, second = 0, ms = 0, digits;
    if (!s.Number(hour, digits) || !s.Char(settings.TimeSeparator) || !s.Number(minute, digits))
        return false;
    if (s.Char(settings.TimeSeparator)) {
        if (!s.Number(second, digits)) return false;
        if (s.Char(settings.DecimalSeparator)) {
            if (!s.Number(ms, digits) || digits > 3) return false;
            for (; digits < 3; ++digits) ms *= 10;  // a fraction of the second
        }
    }
    s.SkipBlanks();
    int half = 0;  // 1 AM, 2 PM
    if (s.Text(settings.TimeAMString) || s.Text("AM"))
        half = 1;
    else if (s.Text(settings.TimePMString) || s.Text("PM"))
        half = 2;
    if (half != 0) {
        if (hour == 0 || hour > 12) return false;
        if (half == 1 && hour == 12) hour = 0;
        if (half == 2 && hour != 12) hour += 12;
    }
    TDateTime value;
    if (!TryEncodeTime(hour, minute, second, ms, value)) return false;
    time = value;
    return true;
}

double Combine(double date, double time) { return date < 0 ? date - time : date + time; }

}  // namespace

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInAMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInAMonth(year, month))
        return false;
    value = static_cast<double>(DaysFromCivil(year, month, day) + kDay1970);
    return true;
}

bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value) {
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 ||
        millisecond < 0 || millisecond > 999)
        return false;
    value = ((hour * 60 + minute) * 60 + second) * 1000.0 + millisecond;
    value = value / static_cast<double>(kMSecsPerDay);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime value;
    if (!TryEncodeDate(year, month, day, value)) throw EConvertError("Invalid argument to date encode");
    return value;
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
    TDateTime value;
    if (!TryEncodeTime(hour, minute, second, millisecond, value))
        throw EConvertError("Invalid argument to time encode");
    return value;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
    const DateTimeParts p = Split(value);
    year = p.year;
    month = p.month;
    day = p.day;
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
    const DateTimeParts p = Split(value);
    hour = p.hour;
    minute = p.minute;
    second = p.second;
    millisecond = p.millisecond;
}

int DayOfWeek(TDateTime value) { return Split(value).dayOfWeek; }

TClockFunction SetClock(TClockFunction clock) {
    TClockFunction previous = std::move(Clock());
    Clock() = std::move(clock);
    return previous;
}

void ResetClock() { Clock() = nullptr; }

TDateTime Now() { return Clock() ? Clock()() : SystemNow(); }

TDateTime Date() { return std::trunc(static_cast<double>(Now())); }

String FormatDateTime(const String& format, TDateTime value, const TFormatSettings& settings) {
    DateTimeWriter writer(value, settings);
    writer.Write(format.empty() ? String("c") : format, 0);
    return writer.Result();
}

String DateToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("ddddd", value, settings);
}

String TimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("tt", value, settings);
}

String DateTimeToStr(TDateTime value, const TFormatSettings& settings) {
    return FormatDateTime("c", value, settings);
}

bool TryStrToDate(const String& text, TDateTime& value, const TFormatSettings& settings) {
    Scanner s(text);
    double date = 0;
    if (!ScanDate(s, settings, date) || !s.AtEnd()) return false;
    value = date;
    return true;
}

bool TryStrToTime(const String& text, TDateTime& value, const TFormatSettings& settings) {
    Scanner s(text);
    double time = 0;
    if (!ScanTime(s, settings, time) || !s.AtEnd()) return false;
    value = time;
    return true;
}

bool TryStrToDateTime(const String& text, TDateTime& value, const TFormatSettings& settings) {
    Scanner s(text);
    double date = 0, time = 0;
    if (ScanDate(s, settings, date)) {
        if (s.AtEnd()) {
            value = date;
            return true;
        }
        if (ScanTime(s, settings, time) && s.AtEnd()) {
            value = Combine(date, time);
            return true;
        }
        return false;
    }
    s.Reset(0);
    if (!ScanTime(s, settings, time) || !s.AtEnd()) return false;
    value = time;
    return true;
}

TDateTime StrToDate(const String& text, const TFormatSettings& settings) {
    TDateTime value;
    if (!TryStrToDate(text, value, settings)) throw EConvertError("'" + text + "' is not a valid date");
    return value;
}

TDateTime StrToTime(const String& text, const TFormatSettings& settings) {
    TDateTime value;
    if (!TryStrToTime(text, value, settings)) throw EConvertError("'" + text + "' is not a valid time");
    return value;
}

TDateTime StrToDateTime(const String& text, const TFormatSettings& settings) {
    TDateTime value;
    if (!TryStrToDateTime(text, value, settings))
        throw EConvertError("'" + text + "' is not a valid date and time");
    return value;
}
