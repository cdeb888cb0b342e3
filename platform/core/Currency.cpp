// Currency arithmetic on 64-bit integers, with 128-bit intermediates built from 64-bit halves so
// that the 32-bit target computes exactly the same results.
#include "Currency.h"

#include <cmath>
#include <limits>

namespace {

constexpr std::uint64_t kMaxPositive = std::uint64_t{std::numeric_limits<std::int64_t>::max()};
constexpr std::uint64_t kMaxNegative = kMaxPositive + 1;  // magnitude of the smallest value
constexpr long long kMaxWhole = std::numeric_limits<std::int64_t>::max() / Currency::Scale;

[[noreturn]] void RaiseOverflow() { throw EOverflow("Currency overflow"); }

std::uint64_t Magnitude(std::int64_t v) {
    return v < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(v) : static_cast<std::uint64_t>(v);
}

// The signed value of a magnitude, or false when it does not fit.
bool Signed(std::uint64_t magnitude, bool negative, std::int64_t& out) {
    if (magnitude > (negative ? kMaxNegative : kMaxPositive)) return false;
    if (negative)
        out = magnitude == kMaxNegative ? std::numeric_limits<std::int64_t>::min()
                                        : -static_cast<std::int64_t>(magnitude);
    else
        out = static_cast<std::int64_t>(magnitude);
    return true;
}

struct U128 {
    std::uint64_t hi = 0;
    std::uint64_t lo = 0;
};

U128 Multiply(std::uint64_t a, std::uint64_t b) {
    const std::uint64_t a0 = a & 0xFFFFFFFFu, a1 = a >> 32;
    const std::uint64_t b0 = b & 0xFFFFFFFFu, b1 = b >> 32;
    const std::uint64_t p00 = a0 * b0, p01 = a0 * b1, p10 = a1 * b0, p11 = a1 * b1;
    const std::uint64_t mid = (p00 >> 32) + (p01 & 0xFFFFFFFFu) + (p10 & 0xFFFFFFFFu);
    return {p11 + (p01 >> 32) + (p10 >> 32) + (mid >> 32), (mid << 32) | (p00 & 0xFFFFFFFFu)};
}

// Long division of `n` by a non-zero `d`.
void Divide(const U128& n, std::uint64_t d, U128& quotient, std::uint64_t& remainder) {
    quotient = {};
    std::uint64_t r = 0;
    for (int bit = 127; bit >= 0; --bit) {
        const bool carry = (r >> 63) != 0;
        const std::uint64_t next = bit >= 64 ? (n.hi >> (bit - 64)) & 1u : (n.lo >> bit) & 1u;
        r = (r << 1) | next;
        if (carry || r >= d) {
            r -= d;
            if (bit >= 64)
                quotient.hi |= std::uint64_t{1} << (bit - 64);
            else
                quotient.lo |= std::uint64_t{1} << bit;
        }
    }
    remainder = r;
}

// quotient + (remainder / divisor) rounded half to even, as a signed value.
std::int64_t RoundQuotient(const U128& quotient, std::uint64_t remainder, std::uint64_t divisor,
                           bool negative) {
    if (quotient.hi != 0) RaiseOverflow();
    std::uint64_t q = quotient.lo;
    const std::uint64_t rest = divisor - remainder;
    if (remainder > rest || (remainder == rest && (q & 1u) != 0)) {
        if (q == std::numeric_limits<std::uint64_t>::max()) RaiseOverflow();
        ++q;
    }
    std::int64_t out = 0;
    if (!Signed(q, negative, out)) RaiseOverflow();
    return out;
}

}  // namespace

Currency::Currency(long value) : Currency(static_cast<long long>(value)) {}

Currency::Currency(long long value) {
    if (value > kMaxWhole || value < -kMaxWhole) RaiseOverflow();
    FValue = static_cast<std::int64_t>(value) * Scale;
}

Currency::Currency(double value) {
    if (std::isnan(value)) throw EMathError("Invalid floating point operation");
    if (std::isinf(value)) RaiseOverflow();
    if (!DecimalToCurrency(ShortestDecimal(value), *this)) RaiseOverflow();
}

double Currency::ToDouble() const { return static_cast<double>(FValue) / static_cast<double>(Scale); }

Currency Currency::operator-() const {
    if (FValue == std::numeric_limits<std::int64_t>::min()) RaiseOverflow();
    return FromRaw(-FValue);
}

Currency& Currency::operator+=(const Currency& other) {
    std::int64_t sum = 0;
    if (__builtin_add_overflow(FValue, other.FValue, &sum)) RaiseOverflow();
    FValue = sum;
    return *this;
}

Currency& Currency::operator-=(const Currency& other) {
    std::int64_t difference = 0;
    if (__builtin_sub_overflow(FValue, other.FValue, &difference)) RaiseOverflow();
    FValue = difference;
    return *this;
}

Currency& Currency::operator*=(const Currency& other) {
    const bool negative = (FValue < 0) != (other.FValue < 0);
    U128 quotient;
    std::uint64_t remainder = 0;
    Divide(Multiply(Magnitude(FValue), Magnitude(other.FValue)), Scale, quotient, remainder);
    FValue = RoundQuotient(quotient, remainder, Scale, negative);
    return *this;
}

Currency& Currency::operator/=(const Currency& other) {
    if (other.FValue == 0) throw EZeroDivide("Currency division by zero");
    const bool negative = (FValue < 0) != (other.FValue < 0);
    const std::uint64_t divisor = Magnitude(other.FValue);
    U128 quotient;
    std::uint64_t remainder = 0;
    Divide(Multiply(Magnitude(FValue), Scale), divisor, quotient, remainder);
    FValue = RoundQuotient(quotient, remainder, divisor, negative);
    return *this;
}

bool DecimalToCurrency(const DecimalNumber& number, Currency& value) {
    // The digits of the value times 10000: the first `whole` digits are the integer.
    const int whole = number.Exponent + 4;
    const String& d = number.Digits;
    if (number.IsZero() || whole < 0) {
        value = Currency();
        return true;
    }
    if (whole > 19) return false;
    std::uint64_t magnitude = 0;
    for (int i = 0; i < whole; ++i) {
        const unsigned digit = i < static_cast<int>(d.size()) ? unsigned(d[i] - '0') : 0u;
        magnitude = magnitude * 10 + digit;  // at most 19 digits: no wrap
    }
    if (whole < static_cast<int>(d.size())) {
        const char first = d[whole];
        const bool moreAfterFirst = d.find_first_not_of('0', whole + 1) != String::npos;
        const bool up = first > '5' || (first == '5' && (moreAfterFirst || (magnitude & 1u) != 0));
        if (up) ++magnitude;
    }
    std::int64_t raw = 0;
    if (!Signed(magnitude, number.Negative, raw)) return false;
    value = Currency::FromRaw(raw);
    return true;
}

String CurrToStr(const Currency& value, const TFormatSettings& settings) {
    const std::uint64_t magnitude = Magnitude(value.Raw());
    String text = value.Raw() < 0 ? "-" : "";
    text += std::to_string(magnitude / Currency::Scale);
    String fraction = std::to_string(magnitude % Currency::Scale + Currency::Scale).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    if (!fraction.empty()) {
        text += settings.DecimalSeparator;
        text += fraction;
    }
    return text;
}

bool TryStrToCurr(const String& text, Currency& value, const TFormatSettings& settings) {
    DecimalNumber number;
    return ParseDecimal(text, settings.DecimalSeparator, number) && DecimalToCurrency(number, value);
}

Currency StrToCurr(const String& text, const TFormatSettings& settings) {
    DecimalNumber number;
    if (!ParseDecimal(text, settings.DecimalSeparator, number))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    Currency value;
    if (!DecimalToCurrency(number, value))
        throw EConvertError("'" + text + "' is out of the currency range");
    return value;
}

Currency StrToCurrDef(const String& text, const Currency& defaultValue,
                      const TFormatSettings& settings) {
    Currency value;
    return TryStrToCurr(text, value, settings) ? value : defaultValue;
}
