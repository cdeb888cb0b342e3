// Report expressions: the language as a table (operators, precedence, types, nulls, built-ins,
// errors), name and call routing, nesting limits and the variable list.
#include "FR_Pars.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <limits>
#include <memory>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// "I:" Integer, "D:" Double, "S:" text, "B:" Boolean, "T:" date, "N" Null; errors "E:report",
// "E:convert", "E:div".
String Describe(const Variant& v) {
    switch (v.Type()) {
    case varNull: return "N";
    case varInteger: case varSmallint: case varInt64: return "I:" + VarToStr(v);
    case varDouble: return "D:" + VarToStr(v);
    case varString: return "S:" + v.AsString();
    case varBoolean: return "B:" + VarToStr(v);
    case varDate: return "T:" + VarToStr(v);
    default: return "?" + VarTypeAsText(v.Type());
    }
}

struct Call {
    String Name, P1, P2, P3;
};

class ReportExpressionTest : public ::testing::Test {
protected:
    ReportExpressionTest() {
        parser.OnNameValue = [this](const String& name, Variant& value) {
            names.push_back(name);
            if (name == "A") value = Variant(1);
            else if (name == "B") value = Variant(2);
        };
        parser.OnCallFunction = [this](const String& name, const String& p1, const String& p2,
                                       const String& p3, Variant&) { calls.push_back({name, p1, p2, p3}); };
    }
    void TearDown() override { FormatSettings = saved; }

    String Eval(const String& text) {
        try {
            return Describe(parser.Evaluate(text));
        } catch (const EReportError&) {
            return "E:report";
        } catch (const EConvertError&) {
            return "E:convert";
        } catch (const EVariantTypeCastError&) {
            return "E:convert";
        } catch (const EDivByZero&) {
            return "E:div";
        }
    }

    TFormatSettings saved = FormatSettings;
    TfrParser parser;
    std::vector<String> names;
    std::vector<Call> calls;
};

struct Row {
    const char* Text;
    const char* Expected;
};

TEST_F(ReportExpressionTest, LanguageTable) {
    const Row rows[] = {
        // Precedence and grouping; number literals are Double.
        {"2 + 3 * 4", "D:14"}, {"(2 + 3) * 4", "D:20"}, {"10 - 2 - 3", "D:5"}, {"8 / 4 / 2", "D:1"},
        {"-2 * 3", "D:-6"}, {"- 2 + 3", "D:1"}, {"2 * -3", "D:-6"}, {"1 - -1", "D:2"},
        {"1 * NOT 0", "D:1"}, {"INT INT 2.5", "D:2"}, {"NOT NOT 3", "I:1"}, {"- - - 1", "D:-1"},
        {"1 + 1 AND 0", "D:1"}, {"A = 1 OR B = 2", "I:0"}, {"(A = 1) OR (B = 2)", "I:1"},
        {"INT 2.7 + 1", "D:3"}, {"((((1))))", "D:1"}, {"1 2", "D:1"}, {"", "I:0"}, {"1 + 2 ; 5", "D:3"}, {"1 + 2; 5", "E:convert"},
        // Comparisons and NOT give Integer 1/0.
        {"2 > 1", "I:1"}, {"1 >= 2", "I:0"}, {"1 <> 2", "I:1"}, {"2 <= 2", "I:1"}, {"1 < 1", "I:0"},
        {"NOT 0", "I:1"}, {"NOT 5", "I:0"}, {"NOT 0 + 1", "D:2"}, {"NOT (1 = 2)", "I:1"},
        // MOD, AND, OR; division by zero.
        {"7 MOD 2", "I:1"}, {"-7 MOD 2", "I:-1"}, {"7 mod 0", "E:div"}, {"7.6 MOD 2", "I:0"},
        {"5 AND 3", "I:1"}, {"5 OR 3", "I:7"}, {"TRUE AND FALSE", "B:False"}, {"true OR FALSE", "B:True"},
        {"10 / 4", "D:2.5"}, {"10 / 0", "I:0"}, {"10 / (1 - 1)", "I:0"}, {"A / B", "D:0.5"},
        {"A + B", "I:3"}, {"A * 2147483647", "D:2147483647"}, {"B * 2147483647 * 1", "D:4294967294"},
        // Numbers: both separators, the exponent, malformed ones.
        {"1,5 + 1", "D:2.5"}, {"1.5 + 1", "D:2.5"}, {".5 * 2", "D:1"}, {"1e3 + 1", "D:1001"},
        {"1e-3", "E:convert"}, {"1,234.5", "E:convert"}, {"1x", "E:convert"},
        // Strings.
        {"'it''s'", "S:it's"}, {"'a' + 'b'", "S:ab"}, {"'2' + 1", "D:3"}, {"'2' + '1'", "S:21"},
        {"'a' + 1", "E:convert"}, {"'a' - 'b'", "E:convert"}, {"'a b' + 'c'", "S:a bc"},
        {"'abc' = 'abc'", "I:1"}, {"'A' = 'a'", "I:0"}, {"'10' = 10", "I:1"}, {"'a' = 1", "E:convert"},
        {"'b' > 'a'", "I:1"},
        // INT, FRAC, ROUND, STR.
        {"INT(2.9999999999999)", "D:3"}, {"INT(-2.5)", "D:-2"}, {"FRAC(2.25)", "D:0.25"},
        {"FRAC(-2.25)", "D:-0.25"}, {"FRAC(1.99999999999999)", "D:0"}, {"INT(UNKNOWN)", "E:convert"},
        {"ROUND(2.5)", "D:2"}, {"ROUND(3.5)", "D:4"}, {"ROUND(-2.5)", "D:-2"}, {"ROUND(2.6)", "D:3"},
        {"STR(1.5)", "S:1.5"}, {"STR(1/3)", "S:0.333333333333333"}, {"STR(0.1 + 0.2)", "S:0.3"},
        {"STR(2 > 1)", "S:1"}, {"STR(UNKNOWN)", "S:"}, {"STR(TRUE)", "S:True"}, {"STR 1 + 'x'", "S:1x"},
        // Null.
        {"UNKNOWN", "N"}, {"UNKNOWN + 1", "N"}, {"UNKNOWN = 0", "I:0"}, {"UNKNOWN < 0", "I:1"},
        {"NOT UNKNOWN", "I:0"}, {"-UNKNOWN", "N"}, {"UNKNOWN AND 1", "N"}, {"UNKNOWN MOD 2", "N"},
        {"UNKNOWN = UNKNOWN", "I:1"}, {"UNKNOWN / 2", "N"},
        // IF evaluates only the chosen branch.
        {"IF(1,'a','b')", "S:a"}, {"IF(0.5,'a','b')", "S:b"}, {"IF(-1,'a','b')", "S:a"},
        {"IF(2 > 1,'y','n')", "S:y"}, {"IF(0, 'x' + 1, 'b')", "S:b"}, {"IF(1, 'b', 'x' + 1)", "S:b"},
        {"IF(1, IF(0,'a','b'), 'c')", "S:b"}, {"IF(1, 'a,b', 'c')", "S:a,b"}, {"if(0, 1)", "I:0"},
        {"IF('abc',1,2)", "E:convert"}, {"IF(TRUE,1,2)", "D:1"}, {"IF(FALSE,1,2)", "D:2"},
        {"IF(UNKNOWN,1,2)", "D:2"}, {"IF((1 + 1) * 2 = 4, 'y', 'n')", "S:y"},
        // COPY counts characters and clamps.
        {"COPY('abcdef',2,3)", "S:bcd"}, {"copy('abc',2,1)", "S:b"}, {"COPY('abc',3,10)", "S:c"},
        {"COPY('abc',5,1)", "S:"}, {"COPY('abc',0,2)", "S:ab"}, {"COPY('abc',2,-1)", "S:"},
        {"COPY(12345,2,2)", "S:23"}, {"COPY('a)b,c',1,3)", "S:a)b"}, {"COPY('中文字',2,1)", "S:文"},
        {"COPY('abc',1.5,1)", "E:convert"}, {"COPY(UNKNOWN,1,1)", "S:"},
        // Dates.
        {"STRTODATE('2024-01-15') + 1", "T:2024-01-16"}, {"STRTOTIME('12:00:00') * 2", "D:1"},
        {"STRTODATE('2024-03-01') - STRTODATE('2024-02-01')", "D:29"}, {"STRTODATE('x')", "E:convert"},
        {"STRTOTIME('25:00')", "E:convert"},
        // Malformed text.
        {"COPY('abc',1,2", "E:report"}, {"COPY('abc',1,2,3)", "E:report"}, {"FOO(1,2,3,4)", "E:report"},
        {"(1 + 2", "E:report"}, {"1 + 2)", "E:report"}, {")", "E:report"}, {"2 *", "E:report"},
        {"* 2", "E:report"}, {"NOT", "E:report"}, {"'abc", "E:report"}, {"[abc", "E:report"},
        {"x[1", "E:report"}, {"'", "E:report"}, {"%", "N"},
    };
    for (const Row& row : rows) EXPECT_EQ(Eval(row.Text), row.Expected) << row.Text;
}

TEST_F(ReportExpressionTest, EitherDecimalSeparatorReadsBothForms) {
    for (const char separator : {'.', ','}) {
        FormatSettings.DecimalSeparator = separator;
        EXPECT_EQ(parser.Evaluate("1,5 + 1").AsDouble(), 2.5) << separator;
        EXPECT_EQ(parser.Evaluate("1.5 + 1").AsDouble(), 2.5) << separator;
        EXPECT_EQ(parser.Evaluate("1.25 * 2").AsDouble(), 2.5) << separator;
    }
}

TEST_F(ReportExpressionTest, NamesReachOnNameValueAsTheySayTheyAre) {
    struct Case {
        const char* Text;
        const char* Name;
    };
    const Case cases[] = {
        {"myvar", "MYVAR"}, {"[My Var]", "My Var"}, {"[a[1]]", "a[1]"}, {"[a ']' b]", "a ']' b"},
        {"%d", "%D"}, {"Frm.\"x y\"", "FRM.\"X Y\""}, {"a_b.c", "A_B.C"},
    };
    for (const Case& c : cases) {
        names.clear();
        EXPECT_TRUE(parser.Evaluate(c.Text).IsNull()) << c.Text;
        ASSERT_EQ(names.size(), 1u) << c.Text;
        EXPECT_EQ(names[0], c.Name) << c.Text;
    }
}

TEST_F(ReportExpressionTest, UnknownCallsAndIndicesReachOnCallFunction) {
    EXPECT_TRUE(parser.Evaluate("FOO(1, 2)").IsNull());
    EXPECT_TRUE(parser.Evaluate("x[2 + 1]").IsNull());
    EXPECT_TRUE(parser.Evaluate("bar()").IsNull());
    EXPECT_TRUE(parser.Evaluate("baz('a,(b', (1, 2), 3)").IsNull());
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[0].Name, "FOO");
    EXPECT_EQ(calls[0].P1, "1");
    EXPECT_EQ(calls[0].P2, " 2");
    EXPECT_EQ(calls[0].P3, "");
    EXPECT_EQ(calls[1].Name, "GETARRAY");
    EXPECT_EQ(calls[1].P1, "x");
    EXPECT_EQ(calls[1].P2, " 2 + 1");
    EXPECT_EQ(calls[2].Name, "BAR");
    EXPECT_EQ(calls[2].P1, "");
    EXPECT_EQ(calls[3].P1, "'a,(b'");
    EXPECT_EQ(calls[3].P2, " (1, 2)");
    EXPECT_EQ(calls[3].P3, " 3");

    // A bound handler's value is pushed; unbound events leave Null.
    parser.OnCallFunction = [](const String& name, const String& p1, const String&, const String&,
                               Variant& value) { value = Variant(name + p1); };
    EXPECT_EQ(Eval("F(x) + 'y'"), "S:Fxy");
    TfrParser bare;
    EXPECT_TRUE(bare.Evaluate("F(1) + x").IsNull());
}

TEST_F(ReportExpressionTest, PostfixTextHasTheOperatorCodes) {
    EXPECT_EQ(parser.ToPostfix("2 + 3 * 4"), "2 3 4 *+");
    EXPECT_EQ(parser.ToPostfix("a >= 1 AND NOT b"), String("a 1 b ") + frop::Not + frop::And + frop::GreaterEqual);
    EXPECT_EQ(parser.ToPostfix("-x"), String("x ") + frop::Negate);
    EXPECT_EQ(parser.ToPostfix("F(1, 2) + 'a b'"), "F(1, 2)'a b' +");
    EXPECT_EQ(parser.RunPostfix("2 3 4 *+").AsDouble(), 14);
    // Operands of malformed postfix text raise instead of reading past the stack.
    for (const char* text : {"+", "1 +", "\x09", ")", "'x"}) {
        try {
            parser.RunPostfix(text);
            ADD_FAILURE() << text;
        } catch (const EReportError&) {
        }
    }
}

TEST_F(ReportExpressionTest, StackAndNestingLimitsRaiseInsteadOfOverflowing) {
    auto chain = [](int depth) {
        String text;
        for (int i = 0; i < depth; ++i) text += "1+(";
        text += "1";
        text += String(depth, ')');
        return text;
    };
    EXPECT_EQ(Eval(chain(30)), "D:31");  // 31 pending operands fit the stack
    EXPECT_EQ(Eval(chain(32)), "E:report");

    auto nestedIf = [](int depth) {
        String text;
        for (int i = 0; i < depth; ++i) text += "IF(1,";
        text += "7";
        for (int i = 0; i < depth; ++i) text += ",0)";
        return text;
    };
    EXPECT_EQ(Eval(nestedIf(20)), "D:7");
    EXPECT_EQ(Eval(nestedIf(10000)), "E:report");
    EXPECT_EQ(Eval(String(10000, '(') + "1" + String(10000, ')')), "D:1");
    EXPECT_EQ(Eval(String(10000, '-') + "1"), "D:1");
    EXPECT_EQ(Eval(String(10000, '[')), "E:report");

    // A handler that re-enters the parser is limited the same way.
    parser.OnNameValue = [this](const String&, Variant& value) { value = parser.Evaluate("R"); };
    EXPECT_EQ(Eval("R"), "E:report");
    // Doubling a text stops at a limit instead of exhausting memory.
    parser.OnNameValue = [](const String&, Variant& value) { value = Variant(String(10 << 20, 'x')); };
    EXPECT_EQ(Eval("LONG + LONG"), "E:report");
    // The parser still works after every failure.
    EXPECT_EQ(Eval("1 + 1"), "D:2");
}

// Exact type and value of a result, or the class of the error it raised.
String Exact(const std::function<Variant()>& compute) {
    try {
        const Variant v = compute();
        char number[40];
        switch (v.Type()) {
        case varDouble:
        case varDate:
            std::snprintf(number, sizeof number, "%.17g", v.AsDouble());
            return IntToStr(v.Type()) + ":" + number;
        case varNull: return "N";
        default: return IntToStr(v.Type()) + ":" + VarToStr(v);
        }
    } catch (const std::exception& e) {
        return String("E:") + typeid(e).name();
    }
}

// Integer and Double operands run unboxed; every operator must still give exactly what the
// Variant operations give, for every mix of kinds and at the edges (overflow, NaN, -0, INT_MIN).
TEST(ReportExpressionOperands, UnboxedNumbersMatchTheVariantOperations) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const std::vector<Variant> values = {
        Variant(0), Variant(1), Variant(-1), Variant(7), Variant(-7), Variant(INT_MAX), Variant(INT_MIN),
        Variant(46341), Variant(0.0), Variant(-0.0), Variant(2.5), Variant(-2.5), Variant(3.0), Variant(0.9999999999999999),
        Variant(nan), Variant(inf), Variant(-inf), Variant(1e300), Variant(2147483648.0), Null(), Unassigned(),
        Variant("5"), Variant("x"), Variant(true), Variant(false), Variant(TDateTime(45000.5)),
        Variant(static_cast<long long>(5)), Variant(static_cast<short>(3))};
    const struct {
        const char* Text;
        std::function<Variant(const Variant&, const Variant&)> Reference;
    } binaries[] = {
        {"+", frvar::Add}, {"-", frvar::Subtract}, {"*", frvar::Multiply}, {"/", frvar::Divide},
        {"MOD", frvar::Mod}, {"AND", frvar::And}, {"OR", frvar::Or},
        {"<", [](const Variant& a, const Variant& b) { return Variant(a < b ? 1 : 0); }},
        {">", [](const Variant& a, const Variant& b) { return Variant(a > b ? 1 : 0); }},
        {"=", [](const Variant& a, const Variant& b) { return Variant(a == b ? 1 : 0); }},
        {">=", [](const Variant& a, const Variant& b) { return Variant(a >= b ? 1 : 0); }},
        {"<=", [](const Variant& a, const Variant& b) { return Variant(a <= b ? 1 : 0); }},
        {"<>", [](const Variant& a, const Variant& b) { return Variant(a == b ? 0 : 1); }},
    };
    const struct {
        const char* Text;
        std::function<Variant(const Variant&)> Reference;
    } unaries[] = {
        {"-", frvar::Negate},
        {"NOT ", [](const Variant& a) { return Variant(a == Variant(0) ? 1 : 0); }},
        {"INT ", [](const Variant& a) { return Variant(frvar::IntPart(a.AsDouble())); }},
        {"FRAC ", [](const Variant& a) { return Variant(frvar::FracPart(a.AsDouble())); }},
        {"ROUND ", [](const Variant& a) { return Variant(std::nearbyint(a.AsDouble())); }},
        {"STR ", [](const Variant& a) { return Variant(VarToStr(a)); }},
        {"+", [](const Variant& a) { return a; }},
    };

    TfrParser parser;
    Variant x, y;
    parser.OnNameValue = [&](const String& name, Variant& value) { value = name == "X" ? x : y; };
    for (const Variant& a : values) {
        x = a;
        for (const auto& unary : unaries)
            EXPECT_EQ(Exact([&] { return parser.Evaluate(String(unary.Text) + "X"); }),
                      Exact([&] { return unary.Reference(a); }))
                << unary.Text << "X with X = " << Exact([&] { return a; });
        for (const Variant& b : values) {
            y = b;
            for (const auto& binary : binaries)
                EXPECT_EQ(Exact([&] { return parser.Evaluate(String("X ") + binary.Text + " Y"); }),
                          Exact([&] { return binary.Reference(a, b); }))
                    << "X " << binary.Text << " Y with X = " << Exact([&] { return a; })
                    << ", Y = " << Exact([&] { return b; });
        }
        // The result of one operator feeds the next unboxed.
        EXPECT_EQ(Exact([&] { return parser.Evaluate("(X + X) * 2 - X"); }),
                  Exact([&] { return frvar::Subtract(frvar::Multiply(frvar::Add(a, a), Variant(2.0)), a); }));
    }
    // IF counts an Integer condition directly and a Double one by its text.
    for (const auto& [condition, expected] :
         std::vector<std::pair<Variant, const char*>>{{Variant(0), "b"}, {Variant(-3), "a"}, {Variant(0.5), "b"},
                                                      {Variant(0.9999999999999999), "a"}, {Variant(-1.5), "a"}}) {
        x = condition;
        EXPECT_EQ(parser.Evaluate("IF(X, 'a', 'b')").AsString(), expected) << Exact([&] { return condition; });
    }
}

TEST(ReportExpressionBindings, BoundNamesReadTheirVariableAndStaleProgramsAskByName) {
    TfrParser parser;
    std::vector<String> asked;
    parser.OnNameValue = [&](const String& name, Variant& value) {
        asked.push_back(name);
        value = Variant(100);
    };
    Variant a(5), spaced("s");
    parser.BindName("A", &a);
    parser.BindName("My Var", &spaced);
    EXPECT_EQ(parser.Evaluate("a + 1").AsDouble(), 6);
    EXPECT_EQ(parser.Evaluate("[My Var] + 't'").AsString(), "st");
    EXPECT_EQ(parser.Evaluate("IF(A > 1, A * 2, 0)").AsDouble(), 10);
    EXPECT_TRUE(asked.empty());
    // The variable is read at each evaluation, whatever its kind.
    a = Variant("x");
    EXPECT_EQ(parser.Evaluate("a + 'y'").AsString(), "xy");
    a = Variant(2.5);
    EXPECT_EQ(parser.Evaluate("a + 1").AsDouble(), 3.5);
    EXPECT_EQ(parser.Evaluate("B + 1").AsDouble(), 101);
    EXPECT_EQ(asked, std::vector<String>{"B"});

    // Binding anew and unbinding reach programs compiled before.
    Variant other(7);
    parser.BindName("A", &other);
    EXPECT_EQ(parser.BoundName("A"), &other);
    EXPECT_EQ(parser.Evaluate("a + 1").AsDouble(), 8);
    parser.BindName("A", nullptr);
    EXPECT_EQ(parser.BoundName("A"), nullptr);
    EXPECT_EQ(parser.Evaluate("a + 1").AsDouble(), 101);

    // A program kept across a change of the bindings never reads the variable it was made with.
    auto gone = std::make_unique<Variant>(1);
    parser.BindName("G", gone.get());
    const auto program = parser.Prepare(parser.ToPostfix("G + 1"));
    EXPECT_EQ(parser.Run(*program).AsDouble(), 2);
    parser.UnbindNames();
    gone.reset();
    asked.clear();
    EXPECT_EQ(parser.Run(*program).AsDouble(), 101);
    EXPECT_EQ(asked, std::vector<String>{"G"});
}

TEST(ReportVariables, SetReplaceGetAndOrder) {
    TfrVariables list;
    list.SetVariable("Zeta", Variant(1));
    list.SetVariable("alpha", Variant("a"));
    list.SetVariable("ZETA", Variant(2));
    EXPECT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Variable("zeta").AsInteger(), 2);
    EXPECT_TRUE(list.Variable("missing").IsNull());
    EXPECT_EQ(list.IndexOf("ALPHA"), 1);
    EXPECT_EQ(list.Name(5), "");
    EXPECT_EQ(list.Value(-1).AsInteger(), 0);

    list.SetSorted(true);
    EXPECT_EQ(list.Name(0), "alpha");
    list.SetVariable("Mid", Variant(3));
    list.SetVariable("beta", Variant(4));
    EXPECT_EQ(list.Name(0), "alpha");
    EXPECT_EQ(list.Name(1), "beta");
    EXPECT_EQ(list.Name(2), "Mid");
    EXPECT_EQ(list.Name(3), "Zeta");
    EXPECT_EQ(list.Variable("MID").AsInteger(), 3);

    list.Delete(7);
    list.Delete(1);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.IndexOf("beta"), -1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
}

}  // namespace
