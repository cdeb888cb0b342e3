// Number texts: integers, StrToFloat, FloatToStr/FloatToStrF, FormatFloat pictures, FormatCurr.
#include "Currency.h"
#include "FormatSettings.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <random>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

class FormatTest : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings = FSaved; }
    TFormatSettings FSaved = FormatSettings;
};

// --- Integers ------------------------------------------------------------------------------------

TEST_F(FormatTest, IntToStrCoversTheLimits) {
    EXPECT_EQ(IntToStr(0), "0");
    EXPECT_EQ(IntToStr(-42), "-42");
    EXPECT_EQ(IntToStr(std::numeric_limits<int>::min()), "-2147483648");
    EXPECT_EQ(IntToStr(std::numeric_limits<long long>::max()), "9223372036854775807");
    EXPECT_EQ(IntToStr(std::numeric_limits<long long>::min()), "-9223372036854775808");
    EXPECT_EQ(IntToStr(std::int64_t{-5}), "-5");
}

TEST_F(FormatTest, StrToIntReadsDecimalAndHexadecimal) {
    struct Case {
        const char* text;
        int value;
    };
    static const Case cases[] = {
        {"0", 0},
        {"-0", 0},
        {"+12", 12},
        {"  42", 42},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", std::numeric_limits<int>::min()},
        {"$FF", 255},
        {"$ff", 255},
        {"0x10", 16},
        {"0X1a", 26},
        {"-$10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", std::numeric_limits<int>::min()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToInt(c.text), c.value);
        int value = 0;
        EXPECT_TRUE(TryStrToInt(c.text, value));
        EXPECT_EQ(value, c.value);
    }
}

TEST_F(FormatTest, StrToIntRejectsBadTextNamingIt) {
    static const char* const texts[] = {"",   "abc", " ",  "12 ", "1.5", "--1", "+",  "$",
                                        "0x", "1e3", "12a", "2147483648", "-2147483649",
                                        "$100000000", "99999999999999999999999", "１２"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        try {
            StrToInt(text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "'" + String(text) + "' is not a valid integer value");
        }
        int value = 77;
        EXPECT_FALSE(TryStrToInt(text, value));
        EXPECT_EQ(value, 77);
        EXPECT_EQ(StrToIntDef(text, -3), -3);
    }
}

TEST_F(FormatTest, StrToInt64CoversItsLimits) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(StrToInt64("2147483648"), 2147483648LL);
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("$FFFFFFFF"), 4294967295LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_THROW(StrToInt64("-9223372036854775809"), EConvertError);
    EXPECT_THROW(StrToInt64("$10000000000000000"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", 5), 5);
    std::int64_t value = 0;
    EXPECT_TRUE(TryStrToInt64(" -12", value));
    EXPECT_EQ(value, -12);
}

// --- StrToFloat ----------------------------------------------------------------------------------

TEST_F(FormatTest, StrToFloatReadsTheNumberSyntax) {
    struct Case {
        const char* text;
        double value;
    };
    static const Case cases[] = {
        {"0", 0.0},
        {" 1.5 ", 1.5},
        {"\t-0.5\t", -0.5},
        {"+2", 2.0},
        {".5", 0.5},
        {"5.", 5.0},
        {"1e3", 1000.0},
        {"1E-3", 0.001},
        {"1.5e+2", 150.0},
        {"  -1.25E2  ", -125.0},
        {"0.1", 0.1},
        {"000123.4500", 123.45},
        {"123456789012345678901234567890", 1.2345678901234568e29},
        {"1.7976931348623157e308", std::numeric_limits<double>::max()},
        {"2.2250738585072014e-308", std::numeric_limits<double>::min()},
        {"1e-400", 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToFloat(c.text), c.value);
        double value = 0;
        EXPECT_TRUE(TryStrToFloat(c.text, value));
        EXPECT_EQ(value, c.value);
    }
    EXPECT_TRUE(std::signbit(StrToFloat("-0")));
    EXPECT_TRUE(std::signbit(StrToFloat("-1e-400")));
}

TEST_F(FormatTest, StrToFloatRejectsBadTextNamingIt) {
    static const char* const texts[] = {"",   " ",   ".",    "-",   "1e",  "1e+", "e5",  "1,000",
                                        "1.2.3", "INF", "NAN", "0x10", "1 2", "--1", "1e400",
                                        "-1e309", "1.5x", "1e5.5"};
    for (const char* text : texts) {
        SCOPED_TRACE(text);
        try {
            StrToFloat(text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, "'" + String(text) + "' is not a valid floating point value");
        }
        double value = 7;
        EXPECT_FALSE(TryStrToFloat(text, value));
        EXPECT_EQ(value, 7);
        EXPECT_EQ(StrToFloatDef(text, -1.5), -1.5);
    }
}

TEST_F(FormatTest, StrToFloatUsesTheDecimalSeparator) {
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(StrToFloat("1,5"), 1.5);
    EXPECT_THROW(StrToFloat("1.5"), EConvertError);
    TFormatSettings dot;
    EXPECT_EQ(StrToFloat("1.5", dot), 1.5);
}

// --- FloatToStr / FloatToStrF --------------------------------------------------------------------

TEST_F(FormatTest, FloatToStrGivesFifteenSignificantDigits) {
    struct Case {
        const char* name;
        double value;
        const char* text;
    };
    static const Case cases[] = {
        {"zero", 0.0, "0"},
        {"negative zero", -0.0, "0"},
        {"one tenth", 0.1, "0.1"},
        {"large power of ten", 1e20, "1E20"},
        {"hundred", 100.0, "100"},
        {"negative half", -0.5, "-0.5"},
        {"binary noise is cut", 0.1 + 0.2, "0.3"},
        {"one third", 1.0 / 3, "0.333333333333333"},
        {"two thirds round up", 2.0 / 3, "0.666666666666667"},
        {"fifteen integer digits stay fixed", 999999999999999.0, "999999999999999"},
        {"sixteen integer digits go scientific", 1e15, "1E15"},
        {"rounded mantissa", 123456789012345678.0, "1.23456789012346E17"},
        {"smallest fixed", 0.0001, "0.0001"},
        {"below 1E-4 goes scientific", 0.00001, "1E-5"},
        {"small with fraction", 1.5e-7, "1.5E-7"},
        {"negative small", -1e-20, "-1E-20"},
        {"largest double", std::numeric_limits<double>::max(), "1.79769313486232E308"},
        {"smallest subnormal", std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
        {"not a number", kNaN, "NAN"},
        {"infinity", kInf, "INF"},
        {"negative infinity", -kInf, "-INF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FloatToStr(c.value), c.text);
    }
}

TEST_F(FormatTest, FloatToStrReadsBack) {
    for (double value : {0.1, 1.5, -123.456, 1e-5, 3.14159265358979, 1e20, 123456789012345.0,
                         9.87654321e-100, -7.0, 0.000123}) {
        SCOPED_TRACE(value);
        EXPECT_EQ(StrToFloat(FloatToStr(value)), value);
    }
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(FloatToStr(-2.75), "-2,75");
    EXPECT_EQ(StrToFloat(FloatToStr(-2.75)), -2.75);
}

TEST_F(FormatTest, FloatToStrFFormats) {
    struct Case {
        const char* name;
        double value;
        TFloatFormat format;
        int precision;
        int digits;
        const char* text;
    };
    static const Case cases[] = {
        {"fixed", 1234.5678, ffFixed, 15, 2, "1234.57"},
        {"number groups thousands", 1234.5678, ffNumber, 15, 2, "1,234.57"},
        {"number without decimals", -1234567.891, ffNumber, 15, 0, "-1,234,568"},
        {"fixed tie rounds away", 0.125, ffFixed, 15, 2, "0.13"},
        {"fixed tie to integer", 2.5, ffFixed, 15, 0, "3"},
        {"negative tie to integer", -2.5, ffFixed, 15, 0, "-3"},
        {"rounds to zero without sign", -0.001, ffFixed, 15, 2, "0.00"},
        {"precision limits digits", 1.23456789, ffFixed, 4, 6, "1.235000"},
        {"too many integer digits", 1e20, ffFixed, 15, 2, "1E20"},
        {"exponent", 1234.5, ffExponent, 4, 2, "1.235E+03"},
        {"exponent negative", 0.00012345, ffExponent, 3, 0, "1.23E-4"},
        {"exponent of zero", 0.0, ffExponent, 3, 2, "0.00E+00"},
        {"general goes scientific past precision", 1234.5, ffGeneral, 3, 0, "1.23E3"},
        {"general within precision", 1234.5, ffGeneral, 4, 0, "1235"},
        {"general exponent digits", 1e20, ffGeneral, 15, 3, "1E020"},
        {"currency", 1234.5, ffCurrency, 15, 2, "¥1,234.50"},
        {"negative currency", -1234.5, ffCurrency, 15, 2, "¥-1,234.50"},
        {"currency without decimals", 2.5, ffCurrency, 15, 0, "¥3"},
        {"not a number", kNaN, ffFixed, 15, 2, "NAN"},
        {"infinity", -kInf, ffNumber, 15, 2, "-INF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits), c.text);
    }
}

TEST_F(FormatTest, CurrencyFormatFollowsTheSettings) {
    struct Case {
        int currencyFormat;
        int negCurrFormat;
        double value;
        const char* text;
    };
    static const Case cases[] = {
        {0, 0, -1234.5, "($1,234.50)"},  {0, 1, -1, "-$1.00"},        {0, 3, -1, "$1.00-"},
        {0, 8, -1234.5, "-1,234.50 $"},  {0, 14, -1, "($ 1.00)"},     {0, 15, -1, "(1.00 $)"},
        {1, 2, 1, "1.00$"},              {2, 2, 1, "$ 1.00"},         {3, 2, 1234.5, "1,234.50 $"},
    };
    TFormatSettings settings;
    settings.CurrencyString = "$";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        settings.CurrencyFormat = c.currencyFormat;
        settings.NegCurrFormat = c.negCurrFormat;
        EXPECT_EQ(FloatToStrF(c.value, ffCurrency, 15, 2, settings), c.text);
    }
}

TEST_F(FormatTest, SeparatorsComeFromTheSettings) {
    FormatSettings.DecimalSeparator = ',';
    FormatSettings.ThousandSeparator = '.';
    EXPECT_EQ(FloatToStrF(1234567.5, ffNumber, 15, 1), "1.234.567,5");
    EXPECT_EQ(FormatFloat("#,##0.00", 1234.5), "1.234,50");
    EXPECT_EQ(FloatToStr(1.5e-7), "1,5E-7");
}

// --- FormatFloat ---------------------------------------------------------------------------------

struct PictureCase {
    const char* format;
    double value;
    const char* text;
};

TEST_F(FormatTest, FormatFloatRoundsHalfAwayFromZero) {
    static const PictureCase cases[] = {
        {"0.00", 0.125, "0.13"},
        {"0", 2.5, "3"},
        {"0", -2.5, "-3"},
        {"0", 0.5, "1"},
        {"0", 1.5, "2"},
        {"0.0", 0.25, "0.3"},
        {"0.0", -0.25, "-0.3"},
        {"0.00", 0.005, "0.01"},                 // binary value just above the half
        {"0.00", 0.015, "0.01"},                 // binary value just below the half
        {"0.00", 1.005, "1.00"},                 // 1.00499999999999989...
        {"0", 0.49999999999999994, "0"},
        {"0.000", 1e-10, "0.000"},
        {"0.00", -0.001, "0.00"},                // no negative zero
        {"0.0E+0", 9.96, "1.0E+1"},              // carry into the exponent
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.value);
        EXPECT_EQ(FormatFloat(c.format, c.value), c.text);
    }
}

TEST_F(FormatTest, FormatFloatPictures) {
    static const PictureCase cases[] = {
        {"0.00", 3.14159, "3.14"},
        {"#,##0.00", 1234.5, "1,234.50"},
        {"#,##0.00", -1234567.891, "-1,234,567.89"},
        {"#,##0", 0, "0"},
        {"#,##0", 1234567890123.0, "1,234,567,890,123"},
        {",0", 1234567, "1,234,567"},
        {"#.##", 0, ""},
        {"#.##", 0.5, ".5"},
        {"0.##", 1, "1"},
        {"0.##", 1.5, "1.5"},
        {"0.0#", 1.0, "1.0"},
        {"000", 5, "005"},
        {"#", 0, ""},
        {"0", 123456, "123456"},
        {"00-00", 12345, "123-45"},
        {".00", 12.5, "12.50"},
        {"0 'kg'", 3, "3 kg"},
        {"0' ;'", 3, "3 ;"},
        {"\"$\"#,##0.00", 1234.5, "$1,234.50"},
        {"0.00 '元'", 12.5, "12.50 元"},
        {"0.00元", 12.5, "12.50元"},
        {"共0.0万元", 3.25, "共3.3万元"},
        {"0", 1e20, "1E20"},                        // more than 18 integer digits
        {"0", 123456789012345678.0, "123456789012345680"},
        {"0.00", kNaN, "NAN"},
        {"0.00", kInf, "INF"},
        {"", 1.5, "1.5"},
        {";;", 5, "5"},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.value);
        EXPECT_EQ(FormatFloat(c.format, c.value), c.text);
    }
}

TEST_F(FormatTest, FormatFloatExponents) {
    static const PictureCase cases[] = {
        {"0.00E+00", 12345, "1.23E+04"},
        {"0.00E-00", 12345, "1.23E04"},
        {"0.00E+00", 0.00012345, "1.23E-04"},
        {"0.00e-0", 0.00012345, "1.23e-4"},
        {"0.###E+0", 1500, "1.5E+3"},
        {"00.0E+0", 12345, "12.3E+3"},
        {"0E+0", 0, "0E+0"},
        {"0.00E+00", -12345, "-1.23E+04"},
        {"0E+000 'x'", 5, "5E+000 x"},
        {"0.0Ex", 5, "5.0Ex"},                       // E without a sign is text
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.value);
        EXPECT_EQ(FormatFloat(c.format, c.value), c.text);
    }
}

TEST_F(FormatTest, FormatFloatSections) {
    static const PictureCase cases[] = {
        {"0.0;(0.0)", -5, "(5.0)"},
        {"0.0;(0.0)", 5, "5.0"},
        {"0.0;(0.0)", 0, "0.0"},
        {"0.0;(0.0);'zero'", 0, "zero"},
        {"0.00;-0.00;'zero'", -0.001, "zero"},       // rounds to zero: the zero section
        {"0.00;-0.00;'zero'", 0.004, "zero"},
        {"0.0;;'Z'", -1, "-1.0"},                    // empty negative section: first, with '-'
        {"0.0;;'Z'", 0, "Z"},
        {"#,##0.00;(#,##0.00)", -1234.5, "(1,234.50)"},
        {"0;'neg';'zero';ignored", -3, "neg"},
        {"'a;b'0", 1, "a;b1"},
    };
    for (const PictureCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.format << " " << c.value);
        EXPECT_EQ(FormatFloat(c.format, c.value), c.text);
    }
}

// printf rounds the exact binary value half to even, FormatFloat half away from zero: they agree
// everywhere except at exact ties, which random doubles practically never hit.
TEST_F(FormatTest, FormatFloatAgreesWithPrintfAwayFromTies) {
    std::mt19937_64 random(20261212);
    std::uniform_real_distribution<double> wide(-1e6, 1e6);
    std::uniform_int_distribution<int> decimals(0, 6);
    for (int i = 0; i < 20000; ++i) {
        const double value = i % 2 ? wide(random) : wide(random) / 1e6;
        const int places = decimals(random);
        char expected[64];
        std::snprintf(expected, sizeof expected, "%.*f", places, value);
        String oracle = expected;
        if (oracle.find_first_not_of("-0.") == String::npos && oracle[0] == '-') oracle.erase(0, 1);
        const String format = places ? "0." + String(places, '0') : "0";
        ASSERT_EQ(FormatFloat(format, value), oracle) << format << " " << value;
        ASSERT_EQ(FloatToStrF(value, ffFixed, 18, places), oracle) << places << " " << value;
    }
}

// Arbitrary pictures end in text, never in a crash (the native build runs under the sanitizers).
TEST_F(FormatTest, ArbitraryPicturesAndTextsAreSafe) {
    static const char kPictureChars[] = "0#.,;Ee+-'\"x ";
    static const char* const kPieces[] = {"元", "\xE5", "\xFF"};  // a character, a cut one, a bad byte
    std::mt19937 random(7);
    for (int i = 0; i < 5000; ++i) {
        String format;
        const int length = static_cast<int>(random() % 14);
        for (int j = 0; j < length; ++j) {
            if (random() % 8 == 0)
                format += kPieces[random() % 3];
            else
                format += kPictureChars[random() % (sizeof kPictureChars - 1)];
        }
        for (double value : {0.0, -1.5, 1234.5678, 1e-300, -1e300, kNaN}) {
            SCOPED_TRACE(testing::Message() << "'" << format << "' " << value);
            EXPECT_NO_THROW(FormatFloat(format, value));
        }
        EXPECT_NO_THROW(FormatCurr(format, Currency::FromRaw(std::numeric_limits<std::int64_t>::min())));
        double d;
        std::int64_t n;
        Currency c;
        EXPECT_NO_THROW(TryStrToFloat(format, d));
        EXPECT_NO_THROW(TryStrToInt64(format, n));
        EXPECT_NO_THROW(TryStrToCurr(format, c));
    }
}

// --- Currency texts ------------------------------------------------------------------------------

TEST_F(FormatTest, FormatCurrWorksOnTheExactValue) {
    struct Case {
        const char* format;
        std::int64_t raw;
        const char* text;
    };
    static const Case cases[] = {
        {"0.00", 1250, "0.13"},
        {"0.00", -1250, "-0.13"},
        {"0", 25000, "3"},
        {"0", -25000, "-3"},
        {"#,##0.0000", std::numeric_limits<std::int64_t>::max(), "922,337,203,685,477.5807"},
        {"0", std::numeric_limits<std::int64_t>::min(), "-922337203685478"},
        {"0.00;(0.00)", -15000, "(1.50)"},
        {"", 15001, "1.5001"},
        {"0.00E+00", 123450000, "1.23E+04"},
        {"0.00;-0.00;'zero'", -49, "zero"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(FormatCurr(c.format, Currency::FromRaw(c.raw)), c.text);
    }
}

TEST_F(FormatTest, CurrToStrFFormats) {
    const Currency max = Currency::FromRaw(std::numeric_limits<std::int64_t>::max());
    EXPECT_EQ(CurrToStrF(1234.5, ffCurrency, 2), "¥1,234.50");
    EXPECT_EQ(CurrToStrF(-1234.5, ffCurrency, 2), "¥-1,234.50");
    EXPECT_EQ(CurrToStrF(Currency::FromRaw(15001), ffGeneral, 2), "1.5001");
    EXPECT_EQ(CurrToStrF(Currency::FromRaw(1250), ffFixed, 2), "0.13");
    EXPECT_EQ(CurrToStrF(max, ffNumber, 4), "922,337,203,685,477.5807");
    EXPECT_EQ(CurrToStrF(max, ffFixed, 0), "922337203685478");
    EXPECT_EQ(CurrToStrF(0, ffFixed, 2), "0.00");
}

// --- Decimal digits --------------------------------------------------------------------------------

TEST_F(FormatTest, RoundDecimalHandlesCarriesAndTies) {
    struct Case {
        const char* name;
        const char* digits;
        int exponent;
        int keep;
        bool halfEven;
        const char* resultDigits;
        int resultExponent;
    };
    static const Case cases[] = {
        {"carry through nines", "9995", 1, 3, false, "1", 2},
        {"tie away", "125", 0, 2, false, "13", 0},
        {"tie even stays", "125", 0, 2, true, "12", 0},
        {"tie even goes up from odd", "135", 0, 2, true, "14", 0},
        {"keep none rounds up", "5", 0, 0, false, "1", 1},
        {"keep none tie to even zero", "5", 0, 0, true, "", 0},
        {"keep none above half", "51", 0, 0, true, "1", 1},
        {"keep below zero", "9", -3, -1, false, "", 0},
        {"nothing to cut strips zeros", "1200", 2, 10, false, "12", 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecimalNumber number;
        number.Digits = c.digits;
        number.Exponent = c.exponent;
        RoundDecimal(number, c.keep, c.halfEven);
        EXPECT_EQ(number.Digits, c.resultDigits);
        if (!number.IsZero()) {
            EXPECT_EQ(number.Exponent, c.resultExponent);
        }
    }
}

TEST_F(FormatTest, ExactAndShortestDecimal) {
    const DecimalNumber tenth = ExactDecimal(0.1);
    EXPECT_EQ(tenth.Digits, "1000000000000000055511151231257827021181583404541015625");
    EXPECT_EQ(tenth.Exponent, 0);
    const DecimalNumber shortest = ShortestDecimal(-0.1);
    EXPECT_TRUE(shortest.Negative);
    EXPECT_EQ(shortest.Digits, "1");
    EXPECT_EQ(shortest.Exponent, 0);
    EXPECT_TRUE(ExactDecimal(0.0).IsZero());
    EXPECT_EQ(ExactDecimal(1e300).Exponent, 301);
}

}  // namespace
