// Variant: kinds, the conversion table, arrays, the operators' loose comparison and VarCompare.
#include "Variant.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>

namespace {

constexpr std::int64_t kInt64Max = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kInt64Min = std::numeric_limits<std::int64_t>::min();

class VariantTest : public ::testing::Test {
protected:
    void TearDown() override { FormatSettings = FSaved; }
    TFormatSettings FSaved = FormatSettings;
};

TDateTime Saturday() { return EncodeDate(2026, 12, 12) + EncodeTime(9, 5, 7, 0); }

TEST_F(VariantTest, KindsAndTypeCodes) {
    struct Case {
        const char* name;
        Variant value;
        TVarType type;
        const char* typeName;
    };
    const Case cases[] = {
        {"empty", Variant(), varEmpty, "Empty"},
        {"unassigned", Unassigned(), varEmpty, "Empty"},
        {"null", Null(), varNull, "Null"},
        {"smallint", Variant(short{-3}), varSmallint, "Smallint"},
        {"integer", Variant(42), varInteger, "Integer"},
        {"int64", Variant(5LL), varInt64, "Int64"},
        {"unsigned", Variant(4000000000u), varInt64, "Int64"},
        {"double", Variant(1.5), varDouble, "Double"},
        {"currency", Variant(Currency(2)), varCurrency, "Currency"},
        {"boolean", Variant(true), varBoolean, "Boolean"},
        {"literal text", Variant("abc"), varString, "String"},
        {"string", Variant(String("abc")), varString, "String"},
        {"date", Variant(Saturday()), varDate, "Date"},
        {"array", VarArrayOf({1, "a"}), TVarType(varArray | varVariant), "Array Variant"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(VarType(c.value), c.type);
        EXPECT_EQ(VarTypeAsText(VarType(c.value)), c.typeName);
        EXPECT_EQ(VarIsNull(c.value), c.type == varNull);
        EXPECT_EQ(VarIsEmpty(c.value), c.type == varEmpty);
        EXPECT_EQ(VarIsArray(c.value), (c.type & varArray) != 0);
        EXPECT_EQ(VarIsStr(c.value), c.type == varString);
    }
    EXPECT_EQ(VarType(Variant(1L)), sizeof(long) == 4 ? varInteger : varInt64);
    EXPECT_EQ(VarType(Variant(static_cast<const char*>(nullptr))), varString);
    EXPECT_TRUE(VarIsNumeric(Variant(true)));
    EXPECT_TRUE(VarIsNumeric(Variant(Currency(1))));
    EXPECT_FALSE(VarIsNumeric(Variant(Saturday())));
    EXPECT_FALSE(VarIsNumeric(Variant("1")));
    EXPECT_FALSE(VarIsNumeric(Null()));
}

TEST_F(VariantTest, AsStringTable) {
    struct Case {
        const char* name;
        Variant value;
        const char* text;
    };
    const Case cases[] = {
        {"empty", Variant(), ""},
        {"integer", Variant(42), "42"},
        {"smallint", Variant(short{-7}), "-7"},
        {"int64 minimum", Variant(kInt64Min), "-9223372036854775808"},
        {"double", Variant(0.1), "0.1"},
        {"large double", Variant(1e20), "1E20"},
        {"currency", Variant(Currency(1.5)), "1.5"},
        {"true", Variant(true), "True"},
        {"false", Variant(false), "False"},
        {"date and time", Variant(Saturday()), "2026-12-12 09:05:07"},
        {"date at midnight", Variant(TDateTime(EncodeDate(2026, 12, 12))), "2026-12-12"},
        {"text", Variant("星期六"), "星期六"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.AsString(), c.text);
        EXPECT_EQ(VarToStr(c.value), c.text);
    }
}

TEST_F(VariantTest, NullAndArraysDoNotConvert) {
    const Variant null = Null();
    const std::function<void(const Variant&)> conversions[] = {
        [](const Variant& v) { v.AsInteger(); },  [](const Variant& v) { v.AsInt64(); },
        [](const Variant& v) { v.AsDouble(); },   [](const Variant& v) { v.AsCurrency(); },
        [](const Variant& v) { v.AsBoolean(); },  [](const Variant& v) { v.AsString(); },
        [](const Variant& v) { v.AsDateTime(); },
    };
    for (std::size_t i = 0; i < std::size(conversions); ++i) {
        SCOPED_TRACE(i);
        EXPECT_THROW(conversions[i](null), EVariantTypeCastError);
        EXPECT_THROW(conversions[i](VarArrayOf({1})), EVariantTypeCastError);
    }
    try {
        null.AsString();
    } catch (const EVariantTypeCastError& e) {
        EXPECT_EQ(e.Message, "Could not convert variant of type (Null) into type (String)");
    }
    EXPECT_EQ(VarToStr(null), "") << "VarToStr gives Null as empty text";
    EXPECT_THROW(Variant(1).AsArray(), EVariantTypeCastError);
}

TEST_F(VariantTest, AsIntegerTable) {
    struct Case {
        const char* name;
        Variant value;
        int result;
    };
    const Case cases[] = {
        {"empty", Variant(), 0},
        {"true is -1", Variant(true), -1},
        {"false", Variant(false), 0},
        {"smallint", Variant(short{-5}), -5},
        {"int64 in range", Variant(-2147483648LL), std::numeric_limits<int>::min()},
        {"2.5 to even", Variant(2.5), 2},
        {"3.5 to even", Variant(3.5), 4},
        {"-2.5 to even", Variant(-2.5), -2},
        {"2.51 up", Variant(2.51), 3},
        {"currency 2.5 to even", Variant(Currency(2.5)), 2},
        {"currency 3.5 to even", Variant(Currency(3.5)), 4},
        {"currency -3.5 to even", Variant(Currency(-3.5)), -4},
        {"currency 2.5001 up", Variant(Currency(2.5001)), 3},
        {"date", Variant(TDateTime(45000.75)), 45001},
        {"decimal text", Variant("42"), 42},
        {"hexadecimal text", Variant("$FF"), 255},
        {"float text rounds to even", Variant("2.5"), 2},
        {"exponent text", Variant(" 1e3 "), 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.AsInteger(), c.result);
        EXPECT_EQ(c.value.AsInt64(), c.result);
    }
}

TEST_F(VariantTest, IntegerConversionsRaiseOnOverflowAndBadText) {
    struct Case {
        const char* name;
        Variant value;
        bool overflow;  // else a cast error
    };
    const Case cases[] = {
        {"int64 above int", Variant(2147483648LL), true},
        {"double above int", Variant(1e10), true},
        {"not a number", Variant(std::numeric_limits<double>::quiet_NaN()), true},
        {"text above int", Variant("99999999999"), true},
        {"bad text", Variant("abc"), false},
        {"empty text", Variant(""), false},
        {"text with comma", Variant("1,5"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.overflow)
            EXPECT_THROW(c.value.AsInteger(), EVariantOverflowError);
        else
            EXPECT_THROW(c.value.AsInteger(), EVariantTypeCastError);
    }
    EXPECT_EQ(Variant("9223372036854775807").AsInt64(), kInt64Max);
    EXPECT_EQ(Variant(kInt64Min).AsInt64(), kInt64Min);
    EXPECT_THROW(Variant(9.3e18).AsInt64(), EVariantOverflowError);
    EXPECT_THROW(Variant(-9.3e18).AsInt64(), EVariantOverflowError);
    EXPECT_EQ(Variant(-9.2e18).AsInt64(), -9200000000000000000LL);
    try {
        Variant(2147483648LL).AsInteger();
    } catch (const EVariantOverflowError& e) {
        EXPECT_EQ(e.Message, "Overflow while converting variant of type (Int64) into type (Integer)");
    }
}

TEST_F(VariantTest, AsDoubleAndAsCurrency) {
    EXPECT_EQ(Variant("1.5").AsDouble(), 1.5);
    EXPECT_EQ(Variant(" 2 ").AsDouble(), 2.0);
    EXPECT_EQ(Variant(true).AsDouble(), -1.0);
    EXPECT_EQ(Variant(Currency::FromRaw(1)).AsDouble(), 0.0001);
    EXPECT_EQ(Variant(Saturday()).AsDouble(), static_cast<double>(Saturday()));
    EXPECT_EQ(Variant(kInt64Max).AsDouble(), 9223372036854775807.0);
    EXPECT_THROW(Variant("1,5").AsDouble(), EVariantTypeCastError);
    FormatSettings.DecimalSeparator = ',';
    EXPECT_EQ(Variant("1,5").AsDouble(), 1.5) << "text follows the program's settings";
    EXPECT_EQ(Variant("1,5").AsCurrency().Raw(), 15000);
    FormatSettings = FSaved;

    EXPECT_EQ(Variant(0.00015).AsCurrency().Raw(), 2);
    EXPECT_EQ(Variant("0.00015").AsCurrency().Raw(), 2);
    EXPECT_EQ(Variant("0.00005").AsCurrency().Raw(), 0);
    EXPECT_EQ(Variant(7).AsCurrency().Raw(), 70000);
    EXPECT_EQ(Variant(true).AsCurrency().Raw(), -10000);
    EXPECT_EQ(Variant().AsCurrency().Raw(), 0);
    EXPECT_THROW(Variant("1e20").AsCurrency(), EVariantOverflowError);
    EXPECT_THROW(Variant(1e20).AsCurrency(), EVariantOverflowError);
    EXPECT_THROW(Variant(kInt64Max).AsCurrency(), EVariantOverflowError);
    EXPECT_THROW(Variant("x").AsCurrency(), EVariantTypeCastError);
}

TEST_F(VariantTest, AsBooleanTable) {
    struct Case {
        const char* name;
        Variant value;
        bool result;
    };
    const Case cases[] = {
        {"empty", Variant(), false},       {"zero", Variant(0), false},
        {"two", Variant(2), true},         {"minus one", Variant(-1LL), true},
        {"half", Variant(0.5), true},      {"zero currency", Variant(Currency(0)), false},
        {"text true", Variant("true"), true}, {"text FALSE", Variant("FALSE"), false},
        {"text one", Variant("1"), true},  {"text zero", Variant("0.0"), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.value.AsBoolean(), c.result);
    }
    EXPECT_THROW(Variant("yes").AsBoolean(), EVariantTypeCastError);
}

TEST_F(VariantTest, AsDateTime) {
    EXPECT_EQ(static_cast<double>(Variant("2026-12-12 09:05:07").AsDateTime()), static_cast<double>(Saturday()));
    EXPECT_EQ(static_cast<double>(Variant(45000).AsDateTime()), 45000.0);
    EXPECT_EQ(static_cast<double>(Variant().AsDateTime()), 0.0);
    EXPECT_EQ(static_cast<double>(Variant(Saturday()).AsDateTime()), static_cast<double>(Saturday()));
    EXPECT_THROW(Variant("x").AsDateTime(), EVariantTypeCastError);
    EXPECT_THROW(Variant("2026-02-30").AsDateTime(), EVariantTypeCastError);
}

TEST_F(VariantTest, Arrays) {
    Variant a = VarArrayOf({1, "a", Null()});
    EXPECT_EQ(VarArrayLowBound(a, 1), 0);
    EXPECT_EQ(VarArrayHighBound(a, 1), 2);
    EXPECT_EQ(a[0].AsInteger(), 1);
    EXPECT_EQ(a[1].AsString(), "a");
    EXPECT_TRUE(VarIsNull(a[2]));
    EXPECT_THROW(a[3], EVariantBadIndexError);
    a[1] = 2.5;
    EXPECT_EQ(VarType(a[1]), varDouble);
    EXPECT_EQ(a.AsArray().size(), 3u);

    const Variant copy = a;
    a[0] = "changed";
    EXPECT_EQ(copy[0].AsInteger(), 1) << "arrays copy by value";

    EXPECT_EQ(VarArrayHighBound(VarArrayOf({}), 1), -1);
    EXPECT_THROW(VarArrayHighBound(a, 2), EVariantBadIndexError);
    EXPECT_THROW(VarArrayHighBound(Variant(1), 1), EVariantError);
    EXPECT_THROW(Variant(1)[0], EVariantTypeCastError);

    const Variant nested = VarArrayOf({VarArrayOf({1, 2}), "x"});
    EXPECT_EQ(nested[0][1].AsInteger(), 2);
}

// Expected order of a against b: -1, 0 or 1.
struct CompareCase {
    const char* name;
    Variant a;
    Variant b;
    int order;
};

void ExpectOperators(const CompareCase& c) {
    EXPECT_EQ(c.a == c.b, c.order == 0);
    EXPECT_EQ(c.a != c.b, c.order != 0);
    EXPECT_EQ(c.a < c.b, c.order < 0);
    EXPECT_EQ(c.a <= c.b, c.order <= 0);
    EXPECT_EQ(c.a > c.b, c.order > 0);
    EXPECT_EQ(c.a >= c.b, c.order >= 0);
    EXPECT_EQ(c.b < c.a, c.order > 0) << "swapped";
    EXPECT_EQ(c.b == c.a, c.order == 0) << "swapped";
}

TEST_F(VariantTest, OperatorsCompareAcrossKinds) {
    const std::int64_t twoTo53 = std::int64_t{1} << 53;
    const CompareCase cases[] = {
        {"integer and double", Variant(1), Variant(1.0), 0},
        {"integer and currency", Variant(1), Variant(Currency(1)), 0},
        {"smallint and int64", Variant(short{2}), Variant(2LL), 0},
        {"double and currency of the same text", Variant(0.1), Variant(Currency(0.1)), 0},
        {"int64 beyond double precision", Variant(twoTo53 + 1), Variant(static_cast<double>(twoTo53)), 1},
        {"int64 maximum and 2^63", Variant(kInt64Max), Variant(9223372036854775808.0), -1},
        {"currency above integer", Variant(Currency::FromRaw(10001)), Variant(1), 1},
        {"currency maximum below huge integer", Variant(Currency::FromRaw(kInt64Max)), Variant(kInt64Max), -1},
        {"currency minimum above huge negative", Variant(Currency::FromRaw(kInt64Min)), Variant(kInt64Min), 1},
        {"integer below fraction", Variant(1), Variant(1.5), -1},
        {"negative fraction below integer", Variant(-1.5), Variant(-1), -1},
        {"date and its serial", Variant(TDateTime(45000.5)), Variant(45000.5), 0},
        {"dates", Variant(TDateTime(1.0)), Variant(TDateTime(2.0)), -1},
        {"strings by bytes", Variant("a"), Variant("b"), -1},
        {"capitals first", Variant("B"), Variant("a"), -1},
        {"multi-byte after ASCII", Variant("é"), Variant("z"), 1},
        {"prefix first", Variant("ab"), Variant("abc"), -1},
        {"null below zero", Null(), Variant(0), -1},
        {"null below empty text", Null(), Variant(""), -1},
        {"null equals null", Null(), Null(), 0},
        {"empty equals null", Variant(), Null(), 0},
        {"text against number reads the number", Variant("10"), Variant(9), 1},
        {"text 9 below 10", Variant("9"), Variant(10), -1},
        {"text equals number", Variant("1.50"), Variant(1.5), 0},
        {"booleans", Variant(true), Variant(false), 1},
        {"text against boolean", Variant("True"), Variant(true), 0},
        {"boolean against number is -1", Variant(true), Variant(-1), 0},
        {"arrays by element", VarArrayOf({1, 2}), VarArrayOf({1, 3}), -1},
        {"arrays by length", VarArrayOf({1, 2}), VarArrayOf({1}), 1},
    };
    for (const CompareCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectOperators(c);
    }
}

TEST_F(VariantTest, OperatorsRaiseWhenTextIsNoNumber) {
    EXPECT_THROW((void)(Variant("abc") == Variant(1)), EVariantTypeCastError);
    EXPECT_THROW((void)(Variant(1) < Variant("abc")), EVariantTypeCastError);
    EXPECT_THROW((void)(Variant("maybe") == Variant(true)), EVariantTypeCastError);
    EXPECT_THROW((void)(VarArrayOf({1}) == Variant(1)), EVariantTypeCastError);
}

TEST_F(VariantTest, VarCompareSortsNullsFirstAndNeverRaises) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // In the expected order; neighbours in one group compare equal.
    const std::vector<std::vector<Variant>> groups = {
        {Null(), Variant()},
        {Variant(nan)},
        {Variant(kInt64Min)},
        {Variant(-1.5)},
        {Variant(0), Variant(0.0), Variant(Currency(0)), Variant(TDateTime(0.0))},
        {Variant(Currency(0.5))},
        {Variant(1), Variant(short{1}), Variant(1LL)},
        {Variant(1e10)},
        {Variant(false)},
        {Variant(true)},
        {Variant("")},
        {Variant("10")},
        {Variant("9")},
        {Variant("a")},
        {VarArrayOf({})},
        {VarArrayOf({1})},
    };
    std::vector<std::pair<Variant, std::size_t>> all;
    for (std::size_t g = 0; g < groups.size(); ++g)
        for (const Variant& v : groups[g]) all.emplace_back(v, g);
    for (const auto& [a, ga] : all) {
        for (const auto& [b, gb] : all) {
            const int expected = ga < gb ? -1 : ga > gb ? 1 : 0;
            ASSERT_EQ(VarCompare(a, b), expected) << VarTypeAsText(VarType(a)) << " group " << ga << " vs "
                                                  << VarTypeAsText(VarType(b)) << " group " << gb;
        }
    }

    // A data-set column with nulls sorts them first, keeping equal rows in place.
    std::vector<Variant> column = {Variant(3), Null(), Variant(1.5), Null(), Variant(-2LL)};
    std::stable_sort(column.begin(), column.end(),
                     [](const Variant& a, const Variant& b) { return VarCompare(a, b) < 0; });
    EXPECT_TRUE(VarIsNull(column[0]));
    EXPECT_TRUE(VarIsNull(column[1]));
    EXPECT_EQ(column[2].AsInteger(), -2);
    EXPECT_EQ(column[3].AsDouble(), 1.5);
    EXPECT_EQ(column[4].AsInteger(), 3);
}

}  // namespace
