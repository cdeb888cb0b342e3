// Currency: a fixed-point number, a signed 64-bit integer holding the value times 10000.
//
// Every conversion into Currency rounds half to even at the fourth decimal. A double is read by its
// shortest decimal text, so 0.00015 becomes 0.0002 as written, not as its binary neighbour
// 0.000149999... Arithmetic is exact and range-checked: overflow raises EOverflow, division by
// zero EZeroDivide. Range: -922337203685477.5808 .. 922337203685477.5807.
#pragma once

#include "FormatSettings.h"
#include "SysUtils.h"

#include <compare>
#include <cstdint>

class Currency {
public:
    static constexpr std::int64_t Scale = 10000;

    constexpr Currency() = default;
    constexpr Currency(int value) : FValue(std::int64_t{value} * Scale) {}
    Currency(long value);
    Currency(long long value);   // EOverflow outside the range
    Currency(double value);      // EOverflow outside the range or for infinities, EMathError for NaN

    static constexpr Currency FromRaw(std::int64_t raw) {
        Currency c;
        c.FValue = raw;
        return c;
    }
    constexpr std::int64_t Raw() const { return FValue; }
    // The nearest double.
    double ToDouble() const;

    Currency operator-() const;
    Currency& operator+=(const Currency& other);
    Currency& operator-=(const Currency& other);
    Currency& operator*=(const Currency& other);
    Currency& operator/=(const Currency& other);

    friend Currency operator+(Currency a, const Currency& b) { return a += b; }
    friend Currency operator-(Currency a, const Currency& b) { return a -= b; }
    friend Currency operator*(Currency a, const Currency& b) { return a *= b; }
    friend Currency operator/(Currency a, const Currency& b) { return a /= b; }
    friend constexpr bool operator==(const Currency&, const Currency&) = default;
    friend constexpr std::strong_ordering operator<=>(const Currency&, const Currency&) = default;

private:
    std::int64_t FValue = 0;
};

// Exact text: all significant decimals, no trailing zeros, no exponent ("1234.5", "-0.0001", "0").
String CurrToStr(const Currency& value, const TFormatSettings& settings = FormatSettings);
// StrToFloat's syntax, read exactly and rounded half to even at the fourth decimal. Bad text
// raises EConvertError "'<text>' is not a valid floating point value", a value outside the range
// EConvertError "'<text>' is out of the currency range".
Currency StrToCurr(const String& text, const TFormatSettings& settings = FormatSettings);
Currency StrToCurrDef(const String& text, const Currency& defaultValue,
                      const TFormatSettings& settings = FormatSettings);
bool TryStrToCurr(const String& text, Currency& value,
                  const TFormatSettings& settings = FormatSettings);
// Rounds an exact decimal half to even at the fourth decimal; false outside the range.
bool DecimalToCurrency(const DecimalNumber& number, Currency& value);
