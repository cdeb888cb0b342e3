// Number texts. Every value is turned into decimal digits first (exactly for Currency, for doubles
// from a 25-digit expansion, falling back to the exact expansion when the 25 digits cannot decide a
// rounding), then rounded once and laid out by the format.
#include "FormatSettings.h"

#include "Currency.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

TFormatSettings FormatSettings;

namespace {

// Significant digits a double is formatted with at most; further digits are written as zeros.
constexpr int kMaxDoubleDigits = 18;
// Currency values have at most 19 digits: no limit applies.
constexpr int kMaxCurrencyDigits = 20;

bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

// Reads std::to_chars' scientific text ("d.ddde+XX") of a non-negative value.
DecimalNumber FromScientific(const char* first, const char* last) {
    DecimalNumber number;
    const char* p = first;
    for (; p != last && *p != 'e'; ++p)
        if (*p != '.') number.Digits += *p;
    int exponent = 0;
    if (p != last) std::from_chars(p + 1 + (p[1] == '+'), last, exponent);
    const std::size_t lead = number.Digits.find_first_not_of('0');
    if (lead == String::npos) return {};
    number.Digits.erase(0, lead);
    number.Exponent = exponent + 1;
    return number;
}

DecimalNumber ScientificDigits(double value, int precision) {
    char buffer[800];
    const auto result = precision < 0
        ? std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific)
        : std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific,
                        precision);
    DecimalNumber number = FromScientific(buffer, result.ptr);
    number.Negative = std::signbit(value) && !number.IsZero();
    return number;
}

void StripTrailingZeros(DecimalNumber& number) {
    const std::size_t last = number.Digits.find_last_not_of('0');
    number.Digits.erase(last == String::npos ? 0 : last + 1);
    if (number.Digits.empty()) number = DecimalNumber();
}

// A double rounded half away from zero to `n` decimals (byDecimals) or `n` significant digits, and
// to at most `maxDigits` significant digits.
DecimalNumber RoundDouble(double value, bool byDecimals, int n, int maxDigits) {
    constexpr int kApproxDigits = 25;
    DecimalNumber number = ScientificDigits(value, kApproxDigits - 1);
    if (number.IsZero()) return number;
    const auto keepFor = [&](const DecimalNumber& d) {
        return std::min(byDecimals ? d.Exponent + n : n, maxDigits);
    };
    const int keep = keepFor(number);
    // Only a tail of "5000..." may hide an exact tail below or above one half.
    if (keep >= 0 && keep < kApproxDigits && number.Digits.size() > std::size_t(keep) &&
        number.Digits[keep] == '5' &&
        number.Digits.find_first_not_of('0', keep + 1) == String::npos) {
        number = ExactDecimal(value);
        RoundDecimal(number, keepFor(number), false);
        return number;
    }
    RoundDecimal(number, keep, false);
    return number;
}

// A value to be formatted: a double or an exact Currency.
class NumberSource {
public:
    static NumberSource FromDouble(double value) {
        NumberSource s;
        s.FDouble = value;
        return s;
    }
    static NumberSource FromCurrency(const Currency& value) {
        NumberSource s;
        s.FIsCurrency = true;
        s.FCurrency = value.Raw();
        const std::int64_t raw = value.Raw();
        const std::uint64_t magnitude = raw < 0 ? std::uint64_t{0} - std::uint64_t(raw) : std::uint64_t(raw);
        if (magnitude != 0) {
            s.FExact.Digits = std::to_string(magnitude);
            s.FExact.Exponent = static_cast<int>(s.FExact.Digits.size()) - 4;
            s.FExact.Negative = raw < 0;
            StripTrailingZeros(s.FExact);
        }
        return s;
    }
    static NumberSource Zero() { return FromDouble(0.0); }

    bool IsCurrency() const { return FIsCurrency; }
    bool IsFinite() const { return FIsCurrency || std::isfinite(FDouble); }
    double Value() const { return FDouble; }
    int Sign() const {
        if (FIsCurrency) return FCurrency < 0 ? -1 : FCurrency > 0 ? 1 : 0;
        return FDouble < 0 ? -1 : FDouble > 0 ? 1 : 0;
    }
    int MaxDigits() const { return FIsCurrency ? kMaxCurrencyDigits : kMaxDoubleDigits; }

    DecimalNumber Rounded(bool byDecimals, int n, int maxDigits) const {
        if (!FIsCurrency) return RoundDouble(FDouble, byDecimals, n, maxDigits);
        DecimalNumber number = FExact;
        if (!number.IsZero())
            RoundDecimal(number, std::min(byDecimals ? number.Exponent + n : n, maxDigits), false);
        return number;
    }

private:
    bool FIsCurrency = false;
    double FDouble = 0;
    std::int64_t FCurrency = 0;
    DecimalNumber FExact;
};

String SpecialText(double value) {
    if (std::isnan(value)) return "NAN";
    return value < 0 ? "-INF" : "INF";
}

// The digit at place `index` of 0.Digits * 10^Exponent counted from the decimal point (0 is the
// first integer digit for Exponent 1, and so on), '0' outside the digits.
char DigitAt(const DecimalNumber& d, int index) {
    return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[index] : '0';
}

String IntegerDigits(const DecimalNumber& d) {
    String text;
    for (int i = 0; i < d.Exponent; ++i) text += DigitAt(d, i);
    return text;
}

String FractionDigits(const DecimalNumber& d, int count) {
    String text;
    for (int i = 0; i < count; ++i) text += DigitAt(d, d.Exponent + i);
    return text;
}

String Grouped(const String& digits, char separator) {
    String text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        text += digits[i];
        const std::size_t rest = digits.size() - 1 - i;
        if (rest > 0 && rest % 3 == 0) text += separator;
    }
    return text;
}

String PaddedNumber(int value, int minDigits) {
    String text = std::to_string(value);
    if (static_cast<int>(text.size()) < minDigits) text.insert(0, minDigits - text.size(), '0');
    return text;
}

// "d.dddE-x": the mantissa as given (at least one digit), the exponent with a sign when negative
// or when `plus`, and at least `minExpDigits` digits.
String Scientific(const String& mantissa, int exponent, bool plus, int minExpDigits,
                  const TFormatSettings& settings) {
    String text(1, mantissa[0]);
    if (mantissa.size() > 1) {
        text += settings.DecimalSeparator;
        text += mantissa.substr(1);
    }
    text += 'E';
    if (exponent < 0)
        text += '-';
    else if (plus)
        text += '+';
    return text + PaddedNumber(std::abs(exponent), minExpDigits);
}

String GeneralText(const NumberSource& source, int precision, int minExpDigits,
                   const TFormatSettings& settings) {
    const DecimalNumber d = source.Rounded(false, precision, source.MaxDigits());
    if (d.IsZero()) return "0";
    String text = d.Negative ? "-" : "";
    if (d.Exponent > precision || d.Exponent < -3)
        return text + Scientific(d.Digits, d.Exponent - 1, false, minExpDigits, settings);
    const String whole = IntegerDigits(d);
    text += whole.empty() ? "0" : whole;
    const int decimals = static_cast<int>(d.Digits.size()) - d.Exponent;
    if (decimals > 0) {
        text += settings.DecimalSeparator;
        text += FractionDigits(d, decimals);
    }
    return text;
}

String CurrencyText(const String& number, bool negative, const TFormatSettings& settings) {
    static constexpr const char* kPositive[] = {"$1", "1$", "$ 1", "1 $"};
    static constexpr const char* kNegative[] = {"($1)", "-$1", "$-1", "$1-", "(1$)", "-1$",
                                                "1-$",  "1$-", "-1 $", "-$ 1", "1 $-", "$ 1-",
                                                "$ -1", "1- $", "($ 1)", "(1 $)"};
    const char* pattern = negative ? kNegative[std::clamp(settings.NegCurrFormat, 0, 15)]
                                   : kPositive[std::clamp(settings.CurrencyFormat, 0, 3)];
    String text;
    for (const char* p = pattern; *p; ++p) {
        if (*p == '$')
            text += settings.CurrencyString;
        else if (*p == '1')
            text += number;
        else
            text += *p;
    }
    return text;
}

String FormatF(const NumberSource& source, TFloatFormat format, int precision, int digits,
               const TFormatSettings& settings) {
    if (!source.IsFinite()) return SpecialText(source.Value());
    switch (format) {
    case ffGeneral:
        return GeneralText(source, precision, std::clamp(digits, 0, 4), settings);
    case ffExponent: {
        DecimalNumber d = source.Rounded(false, precision, source.MaxDigits());
        String mantissa = d.Digits;
        mantissa.resize(std::max(precision, 1), '0');
        const int exponent = d.IsZero() ? 0 : d.Exponent - 1;
        return (d.Negative ? "-" : "") +
               Scientific(mantissa, exponent, true, std::clamp(digits, 0, 4), settings);
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        const DecimalNumber d = source.Rounded(true, digits, std::min(precision, source.MaxDigits()));
        if (d.Exponent > precision) return GeneralText(source, precision, 0, settings);
        String whole = IntegerDigits(d);
        if (whole.empty()) whole = "0";
        String number = format == ffFixed ? whole : Grouped(whole, settings.ThousandSeparator);
        if (digits > 0) {
            number += settings.DecimalSeparator;
            number += FractionDigits(d, digits);
        }
        if (format == ffCurrency) return CurrencyText(number, d.Negative, settings);
        return (d.Negative ? "-" : "") + number;
    }
    }
    return GeneralText(source, precision, 0, settings);
}

// --- Picture formats ---------------------------------------------------------------------------

struct PictureToken {
    enum Kind { IntDigit, FracDigit, Point, Literal, Exponent } kind;
    String text;  // Literal: the text; Exponent: the 'E' or 'e' as written
};

struct Picture {
    std::vector<PictureToken> tokens;
    int intPlaces = 0;
    int fracPlaces = 0;
    int minInt = 0;   // integer digits always written (from the first '0' before the point)
    int minFrac = 0;  // decimals always written (up to the last '0' after the point)
    bool thousands = false;
    bool scientific = false;
    bool expPlus = false;
    int expDigits = 0;
};

std::size_t Utf8SequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

std::vector<String> SplitSections(const String& format) {
    std::vector<String> sections(1);
    char quote = 0;
    for (char c : format) {
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == ';') {
            if (sections.size() == 3) break;
            sections.emplace_back();
            continue;
        }
        sections.back() += c;
    }
    return sections;
}

Picture ParsePicture(const String& section) {
    Picture p;
    bool afterPoint = false;
    int firstIntZero = -1;
    const auto literal = [&p](String text) {
        if (!p.tokens.empty() && p.tokens.back().kind == PictureToken::Literal)
            p.tokens.back().text += text;
        else
            p.tokens.push_back({PictureToken::Literal, std::move(text)});
    };
    for (std::size_t i = 0; i < section.size(); ++i) {
        const char c = section[i];
        if (c == '"' || c == '\'') {
            const std::size_t close = section.find(c, i + 1);
            const std::size_t end = close == String::npos ? section.size() : close;
            literal(section.substr(i + 1, end - i - 1));
            i = end;
        } else if ((c == '0' || c == '#') && !p.scientific) {
            if (afterPoint) {
                ++p.fracPlaces;
                if (c == '0') p.minFrac = p.fracPlaces;
                p.tokens.push_back({PictureToken::FracDigit, {}});
            } else {
                if (c == '0' && firstIntZero < 0) firstIntZero = p.intPlaces;
                ++p.intPlaces;
                p.tokens.push_back({PictureToken::IntDigit, {}});
            }
        } else if (c == '.' && !p.scientific) {
            if (!afterPoint) p.tokens.push_back({PictureToken::Point, {}});
            afterPoint = true;
        } else if (c == ',') {
            p.thousands = true;
        } else if ((c == 'E' || c == 'e') && !p.scientific && i + 1 < section.size() &&
                   (section[i + 1] == '+' || section[i + 1] == '-')) {
            p.scientific = true;
            p.expPlus = section[i + 1] == '+';
            i += 2;
            while (i < section.size() && section[i] == '0') {
                ++p.expDigits;
                ++i;
            }
            --i;
            p.tokens.push_back({PictureToken::Exponent, String(1, c)});
        } else {
            const std::size_t length = std::min(Utf8SequenceLength(c), section.size() - i);
            literal(section.substr(i, length));
            i += length - 1;
        }
    }
    p.minInt = firstIntZero < 0 ? 0 : p.intPlaces - firstIntZero;
    return p;
}

struct Rendered {
    String text;
    bool zero = false;
    bool tooLarge = false;  // needs the general format
};

// Writes the integer digits over the integer places: surplus digits go to the first place.
class IntegerWriter {
public:
    IntegerWriter(String digits, int places, bool thousands, char separator)
        : FDigits(std::move(digits)), FPlaces(places), FThousands(thousands), FSeparator(separator) {}

    void Place(String& out) {
        const int offset = static_cast<int>(FDigits.size()) - FPlaces;
        if (FIndex == 0)
            for (int j = 0; j < offset; ++j) Put(out, j);
        if (offset + FIndex >= 0) Put(out, offset + FIndex);
        ++FIndex;
    }
    // Digits not yet written, for a picture without integer places.
    void Rest(String& out) {
        for (int j = 0; j < static_cast<int>(FDigits.size()); ++j) Put(out, j);
        FDigits.clear();
    }

private:
    void Put(String& out, int j) {
        out += FDigits[j];
        const int rest = static_cast<int>(FDigits.size()) - 1 - j;
        if (FThousands && rest > 0 && rest % 3 == 0) out += FSeparator;
    }
    String FDigits;
    int FPlaces;
    bool FThousands;
    char FSeparator;
    int FIndex = 0;
};

Rendered RenderPicture(const Picture& p, const NumberSource& source,
                       const TFormatSettings& settings) {
    Rendered r;
    String whole, fraction;
    int exponent = 0;
    if (p.scientific) {
        const int significant = std::max(p.intPlaces + p.fracPlaces, 1);
        const DecimalNumber d = source.Rounded(false, significant, source.MaxDigits());
        r.zero = d.IsZero();
        if (r.zero) {
            whole.assign(p.minInt, '0');
        } else {
            for (int i = 0; i < p.intPlaces; ++i) whole += DigitAt(d, i);
            for (int i = 0; i < p.fracPlaces; ++i) fraction += DigitAt(d, p.intPlaces + i);
            exponent = d.Exponent - p.intPlaces;
        }
    } else {
        const DecimalNumber d = source.Rounded(true, p.fracPlaces, source.MaxDigits());
        r.zero = d.IsZero();
        if (d.Exponent > kMaxDoubleDigits && !source.IsCurrency()) {
            r.tooLarge = true;
            return r;
        }
        whole = IntegerDigits(d);
        fraction = FractionDigits(d, p.fracPlaces);
    }
    if (static_cast<int>(whole.size()) < p.minInt) whole.insert(0, p.minInt - whole.size(), '0');
    fraction.resize(p.fracPlaces, '0');
    while (static_cast<int>(fraction.size()) > p.minFrac && fraction.back() == '0') fraction.pop_back();

    IntegerWriter integer(whole, p.intPlaces, p.thousands && !p.scientific, settings.ThousandSeparator);
    std::size_t fracIndex = 0;
    for (const PictureToken& token : p.tokens) {
        switch (token.kind) {
        case PictureToken::IntDigit:
            integer.Place(r.text);
            break;
        case PictureToken::Point:
            if (p.intPlaces == 0) integer.Rest(r.text);
            if (!fraction.empty()) r.text += settings.DecimalSeparator;
            break;
        case PictureToken::FracDigit:
            if (fracIndex < fraction.size()) r.text += fraction[fracIndex];
            ++fracIndex;
            break;
        case PictureToken::Literal:
            r.text += token.text;
            break;
        case PictureToken::Exponent:
            r.text += token.text;
            if (exponent < 0)
                r.text += '-';
            else if (p.expPlus)
                r.text += '+';
            r.text += PaddedNumber(std::abs(exponent), p.expDigits);
            break;
        }
    }
    return r;
}

String FormatPicture(const String& format, const NumberSource& source,
                     const TFormatSettings& settings) {
    if (!source.IsFinite()) return SpecialText(source.Value());
    const auto general = [&] {
        return source.IsCurrency() ? GeneralText(source, kMaxCurrencyDigits, 0, settings)
                                   : GeneralText(source, 15, 0, settings);
    };
    const std::vector<String> sections = SplitSections(format);
    const auto pick = [&sections](std::size_t index) {
        return index < sections.size() && !sections[index].empty() ? index : 0;
    };
    const int sign = source.Sign();
    std::size_t section = pick(sign < 0 ? 1 : sign == 0 ? 2 : 0);
    if (sections[section].empty()) return general();

    Rendered r = RenderPicture(ParsePicture(sections[section]), source, settings);
    if (r.tooLarge) return general();
    if (r.zero && sign != 0) {
        const std::size_t zeroSection = pick(2);
        if (zeroSection != section)
            return RenderPicture(ParsePicture(sections[zeroSection]), NumberSource::Zero(), settings).text;
        return r.text;
    }
    if (sign < 0 && section == 0) return "-" + r.text;
    return r.text;
}

// Optional sign, then decimal or '$'/"0x" hexadecimal digits, into a `bits`-wide integer.
bool ParseInteger(const String& text, int bits, std::int64_t& value) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == text.size()) return false;
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = unsigned(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            digit = unsigned(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            digit = unsigned(c - 'A' + 10);
        else
            return false;
        if (hex) {
            if (magnitude >> (bits - 4) != 0) return false;
            magnitude = magnitude << 4 | digit;
        } else {
            if (magnitude > (std::numeric_limits<std::uint64_t>::max() - digit) / 10) return false;
            magnitude = magnitude * 10 + digit;
        }
    }
    if (hex) {
        // Hexadecimal is a bit pattern of the type's width.
        if (negative) magnitude = std::uint64_t{0} - magnitude;
        value = bits == 32 ? std::int64_t{static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude))}
                           : static_cast<std::int64_t>(magnitude);
        return true;
    }
    const std::uint64_t limit = std::uint64_t{1} << (bits - 1);
    if (magnitude > (negative ? limit : limit - 1)) return false;
    value = negative ? static_cast<std::int64_t>(std::uint64_t{0} - magnitude)
                     : static_cast<std::int64_t>(magnitude);
    return true;
}

[[noreturn]] void RaiseBadInteger(const String& text) {
    throw EConvertError("'" + text + "' is not a valid integer value");
}

}  // namespace

// --- Decimal digits ----------------------------------------------------------------------------

DecimalNumber ExactDecimal(double value) {
    // 767 significant digits hold every double exactly.
    DecimalNumber number = ScientificDigits(value, 766);
    StripTrailingZeros(number);
    return number;
}

DecimalNumber ShortestDecimal(double value) {
    DecimalNumber number = ScientificDigits(value, -1);
    StripTrailingZeros(number);
    return number;
}

void RoundDecimal(DecimalNumber& number, int keep, bool halfEven) {
    if (number.IsZero()) return;
    String& d = number.Digits;
    if (keep < 0) {
        number = DecimalNumber();
        return;
    }
    if (keep >= static_cast<int>(d.size())) {
        StripTrailingZeros(number);
        return;
    }
    const char first = d[keep];
    const bool beyondHalf = d.find_first_not_of('0', keep + 1) != String::npos;
    const bool lastOdd = keep > 0 && ((d[keep - 1] - '0') & 1) != 0;
    const bool up = first > '5' || (first == '5' && (beyondHalf || !halfEven || lastOdd));
    d.resize(keep);
    if (up) {
        int i = keep - 1;
        while (i >= 0 && d[i] == '9') d[i--] = '0';
        if (i >= 0) {
            ++d[i];
        } else {
            d.insert(d.begin(), '1');
            ++number.Exponent;
        }
    }
    StripTrailingZeros(number);
}

bool ParseDecimal(const String& text, char decimalSeparator, DecimalNumber& number) {
    std::size_t i = 0, end = text.size();
    while (i < end && IsBlank(text[i])) ++i;
    while (end > i && IsBlank(text[end - 1])) --end;
    DecimalNumber result;
    if (i < end && (text[i] == '+' || text[i] == '-')) result.Negative = text[i++] == '-';
    String digits;
    long long integerDigits = -1;
    for (; i < end; ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digits += text[i];
        else if (text[i] == decimalSeparator && integerDigits < 0)
            integerDigits = static_cast<long long>(digits.size());
        else
            break;
    }
    if (digits.empty()) return false;
    if (integerDigits < 0) integerDigits = static_cast<long long>(digits.size());
    long long exponent = 0;
    if (i < end && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < end && (text[i] == '+' || text[i] == '-')) negativeExponent = text[i++] == '-';
        if (i == end) return false;
        for (; i < end && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min(exponent * 10 + (text[i] - '0'), 1000000000LL);
        if (negativeExponent) exponent = -exponent;
    }
    if (i != end) return false;
    const std::size_t lead = digits.find_first_not_of('0');
    if (lead == String::npos) {
        number = DecimalNumber();
        number.Negative = result.Negative;  // kept for StrToFloat's -0
        return true;
    }
    digits.erase(0, lead);
    result.Digits = std::move(digits);
    result.Exponent = static_cast<int>(std::clamp(integerDigits - static_cast<long long>(lead) + exponent,
                                                  -2000000000LL, 2000000000LL));
    StripTrailingZeros(result);
    number = std::move(result);
    return true;
}

// --- Integers ----------------------------------------------------------------------------------

String IntToStr(int value) { return std::to_string(value); }
String IntToStr(long value) { return std::to_string(value); }
String IntToStr(long long value) { return std::to_string(value); }

bool TryStrToInt(const String& text, int& value) {
    std::int64_t v = 0;
    if (!ParseInteger(text, 32, v)) return false;
    value = static_cast<int>(v);
    return true;
}

bool TryStrToInt64(const String& text, std::int64_t& value) {
    return ParseInteger(text, 64, value);
}

int StrToInt(const String& text) {
    int value = 0;
    if (!TryStrToInt(text, value)) RaiseBadInteger(text);
    return value;
}

std::int64_t StrToInt64(const String& text) {
    std::int64_t value = 0;
    if (!TryStrToInt64(text, value)) RaiseBadInteger(text);
    return value;
}

int StrToIntDef(const String& text, int defaultValue) {
    int value = 0;
    return TryStrToInt(text, value) ? value : defaultValue;
}

std::int64_t StrToInt64Def(const String& text, std::int64_t defaultValue) {
    std::int64_t value = 0;
    return TryStrToInt64(text, value) ? value : defaultValue;
}

// --- Floating point ----------------------------------------------------------------------------

bool TryStrToFloat(const String& text, double& value, const TFormatSettings& settings) {
    DecimalNumber number;
    if (!ParseDecimal(text, settings.DecimalSeparator, number)) return false;
    const double zero = number.Negative ? -0.0 : 0.0;
    if (number.IsZero() || number.Exponent < -400) {
        value = zero;
        return true;
    }
    if (number.Exponent > 400) return false;
    const String plain = "0." + number.Digits + "e" + std::to_string(number.Exponent);
    double magnitude = 0;
    const auto result = std::from_chars(plain.data(), plain.data() + plain.size(), magnitude);
    if (result.ec == std::errc::result_out_of_range) {
        if (number.Exponent > 0) return false;  // overflow
        magnitude = 0;                          // underflow
    } else if (result.ec != std::errc() || std::isinf(magnitude)) {
        return false;
    }
    value = number.Negative ? -magnitude : magnitude;
    return true;
}

double StrToFloat(const String& text, const TFormatSettings& settings) {
    double value = 0;
    if (!TryStrToFloat(text, value, settings))
        throw EConvertError("'" + text + "' is not a valid floating point value");
    return value;
}

double StrToFloatDef(const String& text, double defaultValue, const TFormatSettings& settings) {
    double value = 0;
    return TryStrToFloat(text, value, settings) ? value : defaultValue;
}

String FloatToStr(double value, const TFormatSettings& settings) {
    return FloatToStrF(value, ffGeneral, 15, 0, settings);
}

String FloatToStrF(double value, TFloatFormat format, int precision, int digits,
                   const TFormatSettings& settings) {
    return FormatF(NumberSource::FromDouble(value), format, std::clamp(precision, 1, kMaxDoubleDigits),
                   digits, settings);
}

String CurrToStrF(const Currency& value, TFloatFormat format, int digits,
                  const TFormatSettings& settings) {
    if (format == ffGeneral) return CurrToStr(value, settings);
    return FormatF(NumberSource::FromCurrency(value), format, kMaxCurrencyDigits, digits, settings);
}

String FormatFloat(const String& format, double value, const TFormatSettings& settings) {
    return FormatPicture(format, NumberSource::FromDouble(value), settings);
}

String FormatCurr(const String& format, const Currency& value, const TFormatSettings& settings) {
    return FormatPicture(format, NumberSource::FromCurrency(value), settings);
}
