// Number formatting and parsing under a settable format-settings object.
//
// `FormatSettings` is the program-wide default; every function also takes an explicit settings
// object. The defaults are fixed (the host's locale is never read), so the program writes the same
// text natively and under Wine: the formats below, and names, AM/PM and currency as a Chinese
// (PRC) system has them. Date and time texts live in DateTime.h, Currency texts in Currency.h.
//
// Doubles are rounded on their exact binary value: FormatFloat("0.00", 1.005) is "1.00" because
// the double is 1.00499999999999989...; 0.125 and 2.5 are exact ties and round away from zero.
//
// Not yet: IntToHex, StrToBool/BoolToStr, more than one character as a separator.
#pragma once

#include "SysUtils.h"

#include <array>
#include <cstdint>

class Currency;

// Locale data used by the formatting and parsing functions. Month and day names are indexed from 0
// (January, Sunday): the day of `DayOfWeek(d)` is `LongDayNames[DayOfWeek(d) - 1]`.
struct TFormatSettings {
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    char DateSeparator = '-';      // written for '/' in date formats, expected between date numbers
    char TimeSeparator = ':';      // written for ':' in date formats, expected between time numbers
    String ShortDateFormat = "yyyy-mm-dd";
    String LongDateFormat = "yyyy'年'm'月'd'日'";
    String ShortTimeFormat = "hh:nn";
    String LongTimeFormat = "hh:nn:ss";
    String TimeAMString = "上午";
    String TimePMString = "下午";
    std::array<String, 12> ShortMonthNames{"1月", "2月", "3月", "4月", "5月", "6月",
                                           "7月", "8月", "9月", "10月", "11月", "12月"};
    std::array<String, 12> LongMonthNames{"一月", "二月", "三月", "四月", "五月", "六月",
                                          "七月", "八月", "九月", "十月", "十一月", "十二月"};
    std::array<String, 7> ShortDayNames{"周日", "周一", "周二", "周三", "周四", "周五", "周六"};
    std::array<String, 7> LongDayNames{"星期日", "星期一", "星期二", "星期三",
                                       "星期四", "星期五", "星期六"};
    String CurrencyString = "¥";
    int CurrencyFormat = 0;        // 0 "¥1", 1 "1¥", 2 "¥ 1", 3 "1 ¥"
    int NegCurrFormat = 2;         // 0..15 as the platform numbers them; 2 is "¥-1"
    int CurrencyDecimals = 2;
    // A year of one or two digits read from text falls into the hundred years that start this
    // many years before the current year; 0 puts it into the current century.
    int TwoDigitYearCenturyWindow = 50;
};

// The program-wide settings. Tests may change fields and must restore them. Do not use from static
// initialisers of other units.
extern TFormatSettings FormatSettings;

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// --- Integers ------------------------------------------------------------------------------------

String IntToStr(int value);
String IntToStr(long value);
String IntToStr(long long value);

// Optional leading blanks, an optional sign, then decimal digits, or '$' / "0x" and hexadecimal
// digits (hexadecimal wraps into the type's width: "$FFFFFFFF" is -1). Nothing may follow.
// Failures raise EConvertError "'<text>' is not a valid integer value".
int StrToInt(const String& text);
std::int64_t StrToInt64(const String& text);
int StrToIntDef(const String& text, int defaultValue);
std::int64_t StrToInt64Def(const String& text, std::int64_t defaultValue);
bool TryStrToInt(const String& text, int& value);
bool TryStrToInt64(const String& text, std::int64_t& value);

// --- Floating point ------------------------------------------------------------------------------

// Blanks around the number, an optional sign, digits with at most one DecimalSeparator, and an
// optional exponent ("E" or "e", optional sign, digits). No thousand separators, no "INF"/"NAN".
// Out of range raises; a value too small for a double reads as 0. Failures raise EConvertError
// "'<text>' is not a valid floating point value".
double StrToFloat(const String& text, const TFormatSettings& settings = FormatSettings);
double StrToFloatDef(const String& text, double defaultValue,
                     const TFormatSettings& settings = FormatSettings);
bool TryStrToFloat(const String& text, double& value,
                   const TFormatSettings& settings = FormatSettings);

// The value with 15 significant digits and no trailing zeros: "0.1", "100", "-0.5", "1E20",
// "1E-5". Not-a-number and infinities give "NAN", "INF", "-INF".
String FloatToStr(double value, const TFormatSettings& settings = FormatSettings);

// General (`precision` significant digits, no trailing zeros, `digits` = minimum exponent digits),
// exponent ("d.dddE+xx", `digits` = minimum exponent digits), fixed, number (with thousand
// separators) and currency (CurrencyString placed by CurrencyFormat/NegCurrFormat) with `digits`
// decimals; these three fall back to general past `precision` integer digits. Rounds half away
// from zero; a value that rounds to zero has no sign.
String FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                   const TFormatSettings& settings = FormatSettings);

// Picture formatting: '0' digit or zero, '#' optional digit, '.' decimal point (first one counts),
// ',' anywhere asks for thousand separators, "E+"/"E-" (or "e") with '0's for the exponent digits,
// text in '...' or "..." and any other character copied; up to three sections "pos;neg;zero". The
// negative section is written without a minus sign; an empty or missing section uses the first.
// A value that rounds to zero takes the zero section. An empty format gives FloatToStr. Rounds
// half away from zero.
String FormatFloat(const String& format, double value,
                   const TFormatSettings& settings = FormatSettings);
String FormatCurr(const String& format, const Currency& value,
                  const TFormatSettings& settings = FormatSettings);
// As FloatToStrF on the exact value; ffGeneral gives CurrToStr's text.
String CurrToStrF(const Currency& value, TFloatFormat format, int digits,
                  const TFormatSettings& settings = FormatSettings);

// --- Decimal digits, shared by the formatting functions and Currency -----------------------------

// A finite decimal number: (Negative ? -1 : 1) * 0.Digits * 10^Exponent. Digits has no leading
// zero; an empty Digits is zero.
struct DecimalNumber {
    bool Negative = false;
    String Digits;
    int Exponent = 0;
    bool IsZero() const { return Digits.empty(); }
};

// The exact decimal value of a finite double.
DecimalNumber ExactDecimal(double value);
// The shortest decimal that reads back as the same double.
DecimalNumber ShortestDecimal(double value);
// Keeps the first `keep` significant digits (none when `keep` <= 0), rounding half away from zero
// or half to even; strips trailing zeros.
void RoundDecimal(DecimalNumber& number, int keep, bool halfEven);
// Reads a number in StrToFloat's syntax; false when `text` is not one.
bool ParseDecimal(const String& text, char decimalSeparator, DecimalNumber& number);
