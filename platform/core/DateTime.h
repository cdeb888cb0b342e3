// TDateTime, the clock, and date/time texts.
//
// A TDateTime is a double: whole days since 1899-12-30 plus the time of day as a fraction. Before
// that day the fraction still counts forward (-1.25 is 1899-12-29 06:00). Decoding rounds to the
// millisecond. Valid dates run from 0001-01-01 to 9999-12-31 (proleptic Gregorian).
//
// Not yet: era specifiers (g, e) in formats; AM/PM written before the time when reading text.
#pragma once

#include "FormatSettings.h"
#include "SysUtils.h"

#include <functional>

// A double with a type of its own, so that Variant can tell a date from a number. It converts to
// and from double freely; arithmetic is the double's.
class TDateTime {
public:
    constexpr TDateTime(double value = 0) : Value(value) {}
    constexpr operator double() const { return Value; }
    double Value;
};

constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = 24 * 60 * 60 * 1000;
// 1899-12-30 counted from 0001-01-01 as day 1.
constexpr int DateDelta = 693594;

bool IsLeapYear(int year);
int DaysInAMonth(int year, int month);

// Bad parts raise EConvertError "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
bool TryEncodeTime(int hour, int minute, int second, int millisecond, TDateTime& value);
// A value outside the valid dates (or not finite) raises EConvertError.
void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);
// 1 = Sunday ... 7 = Saturday.
int DayOfWeek(TDateTime value);

// The clock behind Now() and Date(). The default reads the system's local time. Tests install a
// fixed clock and put the default back with ResetClock (or by installing an empty function).
using TClockFunction = std::function<TDateTime()>;
// Installs `clock` and returns the one it replaces (empty for the default).
TClockFunction SetClock(TClockFunction clock);
void ResetClock();
TDateTime Now();
TDateTime Date();  // today, without the time

// Specifiers (case-insensitive except AM/PM): c (ShortDateFormat, then " " LongTimeFormat unless
// midnight), d dd ddd dddd ddddd (ShortDateFormat) dddddd (LongDateFormat), m mm mmm mmmm (month;
// minutes right after an h or hh), yy (also y) yyyy (also yyy), h hh (12-hour when am/pm, a/p or
// ampm follows), n nn, s ss, z zzz, t (ShortTimeFormat) tt (LongTimeFormat), am/pm and a/p (case
// as written), ampm (TimeAMString/TimePMString), '/' DateSeparator, ':' TimeSeparator, "text" and
// 'text' copied without the quotes; every other character, multi-byte ones included, is copied.
// An empty format means "c".
String FormatDateTime(const String& format, TDateTime value,
                      const TFormatSettings& settings = FormatSettings);
String DateToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);
String TimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);
String DateTimeToStr(TDateTime value, const TFormatSettings& settings = FormatSettings);

// Dates: numbers separated by DateSeparator in the order of ShortDateFormat (year, month, day
// order taken from its first y/m/d letter); two numbers mean month and day of the current year;
// a year of one or two digits goes into the century window. Times: h:n[:s[<DecimalSeparator>ms]]
// with TimeSeparator, then an optional AM/PM (TimeAMString, TimePMString, "AM", "PM"). Date and
// time are separated by blanks; blanks around the text are allowed. Failures raise EConvertError
// "'<text>' is not a valid date" / "... time" / "... date and time".
TDateTime StrToDate(const String& text, const TFormatSettings& settings = FormatSettings);
TDateTime StrToTime(const String& text, const TFormatSettings& settings = FormatSettings);
TDateTime StrToDateTime(const String& text, const TFormatSettings& settings = FormatSettings);
bool TryStrToDate(const String& text, TDateTime& value, const TFormatSettings& settings = FormatSettings);
bool TryStrToTime(const String& text, TDateTime& value, const TFormatSettings& settings = FormatSettings);
bool TryStrToDateTime(const String& text, TDateTime& value,
                      const TFormatSettings& settings = FormatSettings);
