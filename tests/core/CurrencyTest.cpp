// Currency: rounding into the fixed point, exact arithmetic with range checks, exact text.
#include "Currency.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace {

constexpr std::int64_t kMaxRaw = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinRaw = std::numeric_limits<std::int64_t>::min();

Currency Raw(std::int64_t raw) { return Currency::FromRaw(raw); }

class CurrencyTest : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings = FSaved; }
    TFormatSettings FSaved = FormatSettings;
};

TEST_F(CurrencyTest, FromDoubleRoundsHalfToEvenAtTheFourthDecimal) {
    struct Case {
        const char* name;
        double value;
        std::int64_t raw;
    };
    static const Case cases[] = {
        {"zero", 0.0, 0},
        {"negative zero", -0.0, 0},
        {"half of the unit goes to even 0", 0.00005, 0},
        {"one and a half units go to even 2", 0.00015, 2},
        {"two and a half units go to even 2", 0.00025, 2},
        {"three and a half units go to even 4", 0.00035, 4},
        {"negative half goes to 0", -0.00005, 0},
        {"negative one and a half go to -2", -0.00015, -2},
        {"above half rounds up", 0.000051, 1},
        {"below half rounds down", 0.000049, 0},
        {"five decimals", 1.23456, 12346},
        {"sum of binary fractions reads as written", 0.1 + 0.2, 3000},
        {"ordinary value", 123.45, 1234500},
        {"negative", -0.5, -5000},
        {"whole number", 42.0, 420000},
        {"largest whole value", 922337203685477.0, 9223372036854770000},
        {"smallest whole value", -922337203685477.0, -9223372036854770000},
        {"below the unit", 1e-10, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Currency(c.value).Raw(), c.raw);
    }
}

TEST_F(CurrencyTest, ConstructionOutOfRangeRaises) {
    EXPECT_THROW(Currency(1e15), EOverflow);
    EXPECT_THROW(Currency(-1e15), EOverflow);
    EXPECT_THROW(Currency(std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(Currency(-std::numeric_limits<double>::infinity()), EOverflow);
    EXPECT_THROW(Currency(std::numeric_limits<double>::quiet_NaN()), EMathError);
    EXPECT_THROW(Currency(922337203685478LL), EOverflow);
    EXPECT_THROW(Currency(-922337203685478LL), EOverflow);
    EXPECT_EQ(Currency(922337203685477LL).Raw(), 9223372036854770000);
    EXPECT_EQ(Currency(-7).Raw(), -70000);
}

TEST_F(CurrencyTest, TextIsReadExactly) {
    struct Case {
        const char* text;
        std::int64_t raw;
    };
    static const Case cases[] = {
        {"0", 0},
        {"0.00005", 0},
        {"0.00015", 2},
        {"1.23455", 12346},   // tie, 5 is odd: up
        {"1.23445", 12344},   // tie, 4 is even: stays
        {"1.234450001", 12345},
        {"  -1.23455  ", -12346},
        {"+7", 70000},
        {".5", 5000},
        {"5.", 50000},
        {"1e3", 10000000},
        {"1.5E-2", 150},
        {"0.000049999999999999999999", 0},
        {"922337203685477.5807", kMaxRaw},
        {"-922337203685477.5808", kMinRaw},
        {"922337203685477.58074", kMaxRaw},
        {"-922337203685477.58085", kMinRaw},  // tie, 8 is even: stays in range
        {"00000000000000000000000001", 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToCurr(c.text).Raw(), c.raw);
        Currency value;
        EXPECT_TRUE(TryStrToCurr(c.text, value));
        EXPECT_EQ(value.Raw(), c.raw);
    }
}

TEST_F(CurrencyTest, BadOrOutOfRangeTextRaisesConvertError) {
    struct Case {
        const char* text;
        const char* message;
    };
    static const Case cases[] = {
        {"", "'' is not a valid floating point value"},
        {"abc", "'abc' is not a valid floating point value"},
        {"1,5", "'1,5' is not a valid floating point value"},
        {"1 000", "'1 000' is not a valid floating point value"},
        {"1e", "'1e' is not a valid floating point value"},
        {"922337203685477.5808", "'922337203685477.5808' is out of the currency range"},
        {"-922337203685477.58086", "'-922337203685477.58086' is out of the currency range"},
        {"1e20", "'1e20' is out of the currency range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            StrToCurr(c.text);
            ADD_FAILURE() << "no exception";
        } catch (const EConvertError& e) {
            EXPECT_EQ(e.Message, c.message);
        }
        Currency value = 3;
        EXPECT_FALSE(TryStrToCurr(c.text, value));
        EXPECT_EQ(value, Currency(3)) << "a failed read leaves the value alone";
        EXPECT_EQ(StrToCurrDef(c.text, 9), Currency(9));
    }
}

TEST_F(CurrencyTest, TextUsesTheDecimalSeparator) {
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(StrToCurr("1,5").Raw(), 15000);
    EXPECT_THROW(StrToCurr("1.5"), EConvertError);
    EXPECT_EQ(CurrToStr(Raw(-15001)), "-1,5001");
    TFormatSettings dot;
    EXPECT_EQ(StrToCurr("2.25", dot).Raw(), 22500);
}

TEST_F(CurrencyTest, CurrToStrIsExact) {
    struct Case {
        std::int64_t raw;
        const char* text;
    };
    static const Case cases[] = {
        {0, "0"},
        {1, "0.0001"},
        {-1, "-0.0001"},
        {15000, "1.5"},
        {20000, "2"},
        {-12345678, "-1234.5678"},
        {10, "0.001"},
        {kMaxRaw, "922337203685477.5807"},
        {kMinRaw, "-922337203685477.5808"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(CurrToStr(Raw(c.raw)), c.text);
        EXPECT_EQ(StrToCurr(c.text).Raw(), c.raw) << "reads back";
    }
}

TEST_F(CurrencyTest, ArithmeticIsExactAndRoundsHalfToEven) {
    enum Op { Add, Sub, Mul, Div };
    struct Case {
        const char* name;
        std::int64_t a;
        Op op;
        std::int64_t b;
        std::int64_t result;
    };
    static const Case cases[] = {
        {"add", 15000, Add, 2500, 17500},
        {"subtract below zero", 15000, Sub, 20000, -5000},
        {"multiply", 15000, Mul, 20000, 30000},
        {"multiply to half a unit goes to 0", 1, Mul, 5000, 0},
        {"multiply to one and a half units goes to 2", 3, Mul, 5000, 2},
        {"negative one and a half units go to -2", -3, Mul, 5000, -2},
        {"multiply by minus one", 12345, Mul, -10000, -12345},
        {"largest value times one", kMaxRaw, Mul, 10000, kMaxRaw},
        {"smallest value times one", kMinRaw, Mul, 10000, kMinRaw},
        {"large product in range", 1000000000000, Mul, 10000000000, 1000000000000000000},
        {"one third", 10000, Div, 30000, 3333},
        {"two thirds round up", 20000, Div, 30000, 6667},
        {"negative third", -10000, Div, 30000, -3333},
        {"half a unit goes to 0", 1, Div, 20000, 0},
        {"one and a half units go to 2", 3, Div, 20000, 2},
        {"divide by a fraction", 10000, Div, 2500, 40000},
        {"smallest value by one", kMinRaw, Div, 10000, kMinRaw},
        {"largest by largest", kMaxRaw, Div, kMaxRaw, 10000},
        {"tiny by huge", 1, Div, kMaxRaw, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Currency a = Raw(c.a), b = Raw(c.b);
        Currency r;
        switch (c.op) {
        case Add: r = a + b; break;
        case Sub: r = a - b; break;
        case Mul: r = a * b; break;
        case Div: r = a / b; break;
        }
        EXPECT_EQ(r.Raw(), c.result);
    }
}

TEST_F(CurrencyTest, OverflowAndDivisionByZeroRaise) {
    const Currency max = Raw(kMaxRaw), min = Raw(kMinRaw), unit = Raw(1);
    EXPECT_THROW(max + unit, EOverflow);
    EXPECT_THROW(min - unit, EOverflow);
    EXPECT_THROW(min + (-unit), EOverflow);
    EXPECT_THROW(-min, EOverflow);
    EXPECT_THROW(min * Currency(-1), EOverflow);
    EXPECT_THROW(min / Currency(-1), EOverflow);
    EXPECT_THROW(max * max, EOverflow);
    EXPECT_THROW(Currency(100000000) * Currency(100000000), EOverflow);
    EXPECT_THROW(max / unit, EOverflow);
    EXPECT_THROW(Currency(1) / Currency(0), EZeroDivide);
    EXPECT_THROW(Currency(0) / Currency(0), EZeroDivide);
    Currency c = max;
    EXPECT_THROW(c += unit, EOverflow);
    EXPECT_EQ(c, max) << "a failed operation leaves the value alone";
    EXPECT_EQ((-max).Raw(), -kMaxRaw);
    EXPECT_EQ((max - max).Raw(), 0);
}

TEST_F(CurrencyTest, MixedOperandsConvertExactly) {
    Currency c = 10;
    c = c * 1.5 + 1 - 0.25;
    EXPECT_EQ(c.Raw(), 157500);
    c /= 3;
    EXPECT_EQ(c.Raw(), 52500);
    EXPECT_TRUE(c == 5.25);
    EXPECT_TRUE(c > 5);
}

TEST_F(CurrencyTest, ComparisonsOrderByValue) {
    std::vector<Currency> values = {Raw(1), Raw(kMaxRaw), Raw(0), Raw(-1), Raw(kMinRaw), Raw(10000)};
    std::sort(values.begin(), values.end());
    const std::vector<std::int64_t> expected = {kMinRaw, -1, 0, 1, 10000, kMaxRaw};
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(values[i].Raw(), expected[i]) << i;
    EXPECT_TRUE(Raw(1) != Raw(2));
    EXPECT_TRUE(Raw(2) >= Raw(2));
}

TEST_F(CurrencyTest, ToDoubleGivesTheNearestDouble) {
    EXPECT_EQ(Raw(1000).ToDouble(), 0.1);
    EXPECT_EQ(Raw(-15000).ToDouble(), -1.5);
    EXPECT_EQ(Raw(0).ToDouble(), 0.0);
    EXPECT_EQ(Raw(kMaxRaw).ToDouble(), 922337203685477.5807);
    for (double d : {0.1, 0.3, 123.4567, -98765.4321, 0.0001}) {
        SCOPED_TRACE(d);
        EXPECT_EQ(Currency(d).ToDouble(), d) << "four decimals survive the round trip";
    }
}

}  // namespace
