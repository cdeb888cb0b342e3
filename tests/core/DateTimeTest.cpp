// TDateTime: calendar arithmetic, the replaceable clock, FormatDateTime and the date/time readers.
#include "DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

namespace {

// Before 1899-12-30 the time of day is subtracted: the fraction counts forward in the day.
TDateTime At(int y, int m, int d, int h = 0, int n = 0, int s = 0, int ms = 0) {
    const double date = EncodeDate(y, m, d), time = EncodeTime(h, n, s, ms);
    return date < 0 ? date - time : date + time;
}

// Pins the clock and the format settings for one test.
class DateTimeTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetClock([] { return At(2026, 12, 12, 9, 5, 7); });  // a Saturday
    }
    void TearDown() override {
        ResetClock();
        FormatSettings = FSaved;
    }
    TFormatSettings FSaved = FormatSettings;
};

TEST_F(DateTimeTest, EncodeDateCountsDaysFrom18991230) {
    struct Case {
        int y, m, d;
        double serial;
    };
    static const Case cases[] = {
        {1899, 12, 30, 0},        {1899, 12, 29, -1},        {1900, 1, 1, 2},
        {1970, 1, 1, 25569},      {2000, 1, 1, 36526},       {2024, 2, 29, 45351},
        {2026, 12, 12, 46368},    {1, 1, 1, -693593},        {9999, 12, 31, 2958465},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        EXPECT_EQ(static_cast<double>(EncodeDate(c.y, c.m, c.d)), c.serial);
        int y, m, d;
        DecodeDate(c.serial, y, m, d);
        EXPECT_EQ(y, c.y);
        EXPECT_EQ(m, c.m);
        EXPECT_EQ(d, c.d);
    }
}

TEST_F(DateTimeTest, EncodeRejectsInvalidParts) {
    struct DateCase {
        int y, m, d;
    };
    static const DateCase dates[] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},  {10000, 1, 1},
                                     {2024, 13, 1}, {2024, 0, 1},  {2024, 4, 31}, {2024, 1, 0}};
    for (const DateCase& c : dates) {
        SCOPED_TRACE(testing::Message() << c.y << "-" << c.m << "-" << c.d);
        try {
            EncodeDate(c.y, c.m, c.d);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "Invalid argument to date encode");
        }
    }
    EXPECT_NO_THROW(EncodeDate(2000, 2, 29));
    EXPECT_NO_THROW(EncodeDate(2024, 2, 29));

    struct TimeCase {
        int h, n, s, ms;
    };
    static const TimeCase times[] = {{24, 0, 0, 0}, {0, 60, 0, 0}, {0, 0, 60, 0},
                                     {0, 0, 0, 1000}, {-1, 0, 0, 0}, {0, 0, 0, -1}};
    for (const TimeCase& c : times) {
        SCOPED_TRACE(testing::Message() << c.h << ":" << c.n << ":" << c.s << "." << c.ms);
        EXPECT_THROW(EncodeTime(c.h, c.n, c.s, c.ms), EConvertError);
    }
    EXPECT_EQ(static_cast<double>(EncodeTime(12, 0, 0, 0)), 0.5);
    EXPECT_EQ(static_cast<double>(EncodeTime(6, 0, 0, 0)), 0.25);
}

TEST_F(DateTimeTest, DecodeRoundTripsEveryFewDaysAndMilliseconds) {
    for (int serial = -693593; serial <= 2958465; serial += 997) {
        int y, m, d;
        DecodeDate(serial, y, m, d);
        ASSERT_EQ(static_cast<double>(EncodeDate(y, m, d)), serial) << serial;
    }
    for (int ms = 0; ms < 86400000; ms += 9973) {
        const TDateTime t = EncodeTime(ms / 3600000, ms / 60000 % 60, ms / 1000 % 60, ms % 1000);
        int h, n, s, z;
        DecodeTime(45000 + t, h, n, s, z);
        ASSERT_EQ(((h * 60 + n) * 60 + s) * 1000 + z, ms);
    }
}

TEST_F(DateTimeTest, DecodeRoundsToTheMillisecondAndCarries) {
    int y, m, d, h, n, s, z;
    DecodeDate(0.99999999999, y, m, d);
    DecodeTime(0.99999999999, h, n, s, z);
    EXPECT_EQ(d, 31);  // 1899-12-31 00:00:00.000
    EXPECT_EQ(h + n + s + z, 0);

    // Before 1899-12-30 the fraction still counts forward in the day.
    DecodeDate(-1.25, y, m, d);
    DecodeTime(-1.25, h, n, s, z);
    EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
    EXPECT_EQ(h, 6);
}

TEST_F(DateTimeTest, DecodeRejectsValuesOutsideTheCalendar) {
    int y, m, d;
    for (double value : {1e300, -1e300, 3e6, -700000.0, std::numeric_limits<double>::quiet_NaN(),
                         std::numeric_limits<double>::infinity()}) {
        SCOPED_TRACE(value);
        EXPECT_THROW(DecodeDate(value, y, m, d), EConvertError);
        EXPECT_THROW(FormatDateTime("yyyy", value), EConvertError);
    }
}

TEST_F(DateTimeTest, DayOfWeekStartsOnSunday) {
    struct Case {
        TDateTime date;
        int day;
    };
    const Case cases[] = {
        {At(1899, 12, 30), 7},        {At(2024, 1, 14), 1},  {At(2024, 1, 15), 2},
        {At(2026, 3, 4, 23, 59), 4},  {At(2026, 12, 12), 7}, {At(2000, 1, 1), 7},
        {At(1, 1, 1), 2},             {At(9999, 12, 31), 6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<double>(c.date));
        EXPECT_EQ(DayOfWeek(c.date), c.day);
    }
}

TEST_F(DateTimeTest, ClockIsReplaceable) {
    EXPECT_EQ(static_cast<double>(Now()), static_cast<double>(At(2026, 12, 12, 9, 5, 7)));
    EXPECT_EQ(static_cast<double>(Date()), 46368.0);

    TClockFunction previous = SetClock([] { return TDateTime(100.75); });
    EXPECT_TRUE(previous);
    EXPECT_EQ(static_cast<double>(Now()), 100.75);
    EXPECT_EQ(static_cast<double>(Date()), 100.0);

    ResetClock();
    const double now = Now();
    EXPECT_GT(now, static_cast<double>(At(2020, 1, 1)));
    EXPECT_LT(now, static_cast<double>(At(2200, 1, 1)));
    EXPECT_FALSE(SetClock(nullptr)) << "the default clock is no installed function";
}

TEST_F(DateTimeTest, MainWindowClockOnAPinnedSaturday) {
    EXPECT_EQ(FormatDateTime("yyyy年mm月dd日 hh时nn分ss秒", Now()), "2026年12月12日 09时05分07秒");
    EXPECT_EQ(DayOfWeek(Date()), 7);
    EXPECT_EQ(FormatSettings.LongDayNames[DayOfWeek(Date()) - 1], "星期六");
}

struct FormatCase {
    const char* format;
    const char* text;
};

TEST_F(DateTimeTest, FormatDateTimeSpecifiers) {
    const TDateTime morning = At(2026, 3, 4, 5, 6, 7, 89);  // a Wednesday
    static const FormatCase cases[] = {
        {"yyyy-mm-dd", "2026-03-04"},
        {"yy/m/d", "26-3-4"},
        {"y", "26"},
        {"yyy", "2026"},
        {"YYYY-MM-DD HH:NN:SS", "2026-03-04 05:06:07"},
        {"mmm", "3月"},
        {"mmmm", "三月"},
        {"ddd", "周三"},
        {"dddd", "星期三"},
        {"ddddd", "2026-03-04"},
        {"dddddd", "2026年3月4日"},
        {"h:n:s", "5:6:7"},
        {"hh:nn:ss", "05:06:07"},
        {"hh:mm", "05:06"},                   // m after h is minutes
        {"h:mm:ss", "5:06:07"},
        {"mm-dd hh:mm", "03-04 05:06"},
        {"hh'h'mm", "05h06"},                 // quoted text in between keeps it minutes
        {"hh x mm", "05 x 03"},               // another letter in between ends it
        {"zzz", "089"},
        {"z", "89"},
        {"s.zzz", "7.089"},
        {"hh:nn am/pm", "05:06 am"},
        {"hh:nn AM/PM", "05:06 AM"},
        {"h a/p", "5 a"},
        {"hh ampm", "05 上午"},
        {"c", "2026-03-04 05:06:07"},
        {"t", "05:06"},
        {"tt", "05:06:07"},
        {"\"yyyy\"yyyy", "yyyy2026"},
        {"'It''s'", "Its"},
        {"yyyy''年''mm", "2026年03"},
        {"yyyy年mm月dd日", "2026年03月04日"},
        {"[dddd]", "[星期三]"},
        {"", "2026-03-04 05:06:07"},
        {"qx", "qx"},
    };
    for (const FormatCase& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatDateTime(c.format, morning), c.text);
    }
}

TEST_F(DateTimeTest, FormatDateTimeTwelveHourClock) {
    struct Case {
        int hour;
        const char* format;
        const char* text;
    };
    static const Case cases[] = {
        {0, "h:nn am/pm", "12:00 am"},  {12, "h:nn am/pm", "12:00 pm"}, {21, "h:nn AM/PM", "9:00 PM"},
        {21, "hh ampm", "09 下午"},     {13, "h a/p", "1 p"},           {13, "h A/P", "1 P"},
        {13, "h", "13"},                {13, "ampm h", "下午 13"},      // am/pm only counts after h
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.hour << " " << c.format);
        EXPECT_EQ(FormatDateTime(c.format, At(2026, 1, 1, c.hour)), c.text);
    }
}

TEST_F(DateTimeTest, FormatDateTimeUsesTheSettings) {
    FormatSettings.DateSeparator = '.';
    FormatSettings.TimeSeparator = '.';
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.LongTimeFormat = "hh:nn";
    const TDateTime value = At(2026, 3, 4, 5, 6, 7);
    EXPECT_EQ(FormatDateTime("yyyy/mm/dd hh:nn", value), "2026.03.04 05.06");
    EXPECT_EQ(DateTimeToStr(value), "04.03.2026 05.06");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", value), "2026-03-04") << "'-' is no separator specifier";

    // A format that names itself stops instead of recursing.
    FormatSettings.ShortDateFormat = "c";
    EXPECT_NO_THROW(FormatDateTime("c", value));
}

TEST_F(DateTimeTest, DateAndTimeTexts) {
    EXPECT_EQ(DateToStr(At(2026, 3, 4, 5, 6, 7)), "2026-03-04");
    EXPECT_EQ(TimeToStr(At(2026, 3, 4, 5, 6, 7)), "05:06:07");
    EXPECT_EQ(DateTimeToStr(At(2026, 3, 4, 5, 6, 7)), "2026-03-04 05:06:07");
    EXPECT_EQ(DateTimeToStr(At(2026, 3, 4)), "2026-03-04") << "midnight shows no time";
    EXPECT_EQ(DateTimeToStr(At(2026, 3, 4, 0, 0, 0, 500)), "2026-03-04") << "milliseconds alone neither";
}

TEST_F(DateTimeTest, StrToDateReadsInTheFormatsOrder) {
    struct Case {
        const char* text;
        TDateTime value;
    };
    const Case cases[] = {
        {"2024-01-15", At(2024, 1, 15)},
        {" 2024-1-5 ", At(2024, 1, 5)},
        {"2024 - 01 - 15", At(2024, 1, 15)},
        {"24-01-15", At(2024, 1, 15)},       // two-digit years: the clock says 2026
        {"76-01-01", At(1976, 1, 1)},
        {"75-01-01", At(2075, 1, 1)},
        {"0024-01-15", At(24, 1, 15)},       // four digits are taken as written
        {"01-15", At(2026, 1, 15)},          // no year: the current one
        {"2000-02-29", At(2000, 2, 29)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(static_cast<double>(StrToDate(c.text)), static_cast<double>(c.value));
    }
}

TEST_F(DateTimeTest, StrToDateOtherOrders) {
    FormatSettings.ShortDateFormat = "dd/mm/yyyy";
    FormatSettings.DateSeparator = '/';
    EXPECT_EQ(static_cast<double>(StrToDate("15/01/2024")), static_cast<double>(At(2024, 1, 15)));
    EXPECT_EQ(static_cast<double>(StrToDate("15/1")), static_cast<double>(At(2026, 1, 15)));
    FormatSettings.ShortDateFormat = "m/d/yyyy";
    EXPECT_EQ(static_cast<double>(StrToDate("1/15/2024")), static_cast<double>(At(2024, 1, 15)));
    FormatSettings.TwoDigitYearCenturyWindow = 0;
    EXPECT_EQ(static_cast<double>(StrToDate("1/15/99")), static_cast<double>(At(2099, 1, 15)));
}

TEST_F(DateTimeTest, StrToTimeReadsHoursMinutesSecondsAndHalves) {
    struct Case {
        const char* text;
        TDateTime value;
    };
    const Case cases[] = {
        {"10:30", EncodeTime(10, 30, 0, 0)},
        {"10:30:15", EncodeTime(10, 30, 15, 0)},
        {"10:30:15.5", EncodeTime(10, 30, 15, 500)},
        {"10:30:15.123", EncodeTime(10, 30, 15, 123)},
        {"1:05 PM", EncodeTime(13, 5, 0, 0)},
        {"1:05pm", EncodeTime(13, 5, 0, 0)},
        {"12:00 AM", EncodeTime(0, 0, 0, 0)},
        {"12:00 PM", EncodeTime(12, 0, 0, 0)},
        {"12:30 上午", EncodeTime(0, 30, 0, 0)},
        {"3:00 下午", EncodeTime(15, 0, 0, 0)},
        {" 23:59:59 ", EncodeTime(23, 59, 59, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(static_cast<double>(StrToTime(c.text)), static_cast<double>(c.value));
    }
}

TEST_F(DateTimeTest, BadTextsRaiseNamingTheText) {
    struct Case {
        TDateTime (*read)(const String&, const TFormatSettings&);
        const char* text;
        const char* message;
    };
    static const Case cases[] = {
        {StrToDate, "2024-02-30", "'2024-02-30' is not a valid date"},
        {StrToDate, "2024-13-01", "'2024-13-01' is not a valid date"},
        {StrToDate, "2024/01/15", "'2024/01/15' is not a valid date"},
        {StrToDate, "", "'' is not a valid date"},
        {StrToDate, "2024-01", "'2024-01' is not a valid date"},
        {StrToDate, "2024-01-15x", "'2024-01-15x' is not a valid date"},
        {StrToDate, "2024-01-15 10:00", "'2024-01-15 10:00' is not a valid date"},
        {StrToDate, "9999999999-01-01", "'9999999999-01-01' is not a valid date"},
        {StrToTime, "24:00", "'24:00' is not a valid time"},
        {StrToTime, "10:60", "'10:60' is not a valid time"},
        {StrToTime, "10", "'10' is not a valid time"},
        {StrToTime, "13:00 PM", "'13:00 PM' is not a valid time"},
        {StrToTime, "0:30 AM", "'0:30 AM' is not a valid time"},
        {StrToTime, "10:30:15.1234", "'10:30:15.1234' is not a valid time"},
        {StrToTime, "10:30:", "'10:30:' is not a valid time"},
        {StrToDateTime, "2024-01-15 25:00", "'2024-01-15 25:00' is not a valid date and time"},
        {StrToDateTime, "2024-01-15 x", "'2024-01-15 x' is not a valid date and time"},
        {StrToDateTime, "abc", "'abc' is not a valid date and time"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            c.read(c.text, FormatSettings);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
    }
    TDateTime value = 5;
    EXPECT_FALSE(TryStrToDateTime("x", value));
    EXPECT_EQ(static_cast<double>(value), 5.0);
}

TEST_F(DateTimeTest, StrToDateTimeReadsDateTimeOrBoth) {
    EXPECT_EQ(static_cast<double>(StrToDateTime("2024-01-15 10:30:15")),
              static_cast<double>(At(2024, 1, 15, 10, 30, 15)));
    EXPECT_EQ(static_cast<double>(StrToDateTime("2024-01-15")), static_cast<double>(At(2024, 1, 15)));
    EXPECT_EQ(static_cast<double>(StrToDateTime("10:30")), static_cast<double>(EncodeTime(10, 30, 0, 0)));
    // Before 1899-12-30 the time still counts forward.
    int h, n, s, z;
    DecodeTime(StrToDateTime("1800-01-01 06:00"), h, n, s, z);
    EXPECT_EQ(h, 6);

    for (const TDateTime value : {At(2026, 12, 12, 9, 5, 7), At(1, 1, 1, 23, 59, 59), At(9999, 12, 31, 0, 0, 1),
                                  At(1850, 6, 1, 12, 0, 0), At(2024, 2, 29)}) {
        SCOPED_TRACE(DateTimeToStr(value));
        EXPECT_EQ(static_cast<double>(StrToDateTime(DateTimeToStr(value))), static_cast<double>(value));
    }
}

}  // namespace

namespace {

// Arbitrary formats and texts end in text or a refusal, never in a crash (the native build runs
// under the sanitizers).
TEST_F(DateTimeTest, ArbitraryFormatsAndTextsAreSafe) {
    static const char kFormatChars[] = "ymdhnszatcAPMD/:'\" -";
    static const char kTextChars[] = "0123456789-: .AMPamp";
    FormatSettings.ShortDateFormat = "c";  // nesting must stop
    std::mt19937 random(11);
    for (int i = 0; i < 5000; ++i) {
        String format, text;
        const int length = static_cast<int>(random() % 16);
        for (int j = 0; j < length; ++j) {
            format += random() % 10 == 0 ? String("年") : String(1, kFormatChars[random() % (sizeof kFormatChars - 1)]);
            text += kTextChars[random() % (sizeof kTextChars - 1)];
        }
        for (double value : {0.0, -693593.0, 2958465.99999, 46368.5, -1.75}) {
            SCOPED_TRACE(testing::Message() << "'" << format << "' " << value);
            EXPECT_NO_THROW(FormatDateTime(format, value));
        }
        TDateTime value;
        if (TryStrToDateTime(text, value)) {
            SCOPED_TRACE(text);
            int y, m, d;
            EXPECT_NO_THROW(DecodeDate(value, y, m, d));
        }
    }
}

}  // namespace
