// The calculator's key processing as a desk calculator: key sequences and what the display shows.
#include "CalculatorEh.h"

#include "FormatSettings.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

// Keys as text: "<" is Backspace, "\r" Enter, "\x1b" Esc; everything else is itself.
TCalculatorEngineEh PressKeys(const std::string& keys) {
    TCalculatorEngineEh calc;
    for (char c : keys) calc.PressKey(c == '<' ? char32_t(8) : char32_t(static_cast<unsigned char>(c)));
    return calc;
}

struct Case {
    const char* keys;
    const char* display;
    const char* equalCaption;
};

class CalculatorEngine : public ::testing::TestWithParam<Case> {};

TEST_P(CalculatorEngine, ShowsWhatADeskCalculatorShows) {
    const Case& c = GetParam();
    const TCalculatorEngineEh calc = PressKeys(c.keys);
    EXPECT_EQ(calc.Display(), c.display) << "keys " << c.keys;
    EXPECT_EQ(calc.EqualCaption(), c.equalCaption) << "keys " << c.keys;
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, CalculatorEngine,
    ::testing::Values(
        Case{"", "0", "Ok"}, Case{"0007", "7", "Ok"}, Case{"12.5", "12.5", "Ok"}, Case{"1.2.3", "1.23", "Ok"},
        Case{"1,5", "1.5", "Ok"}, Case{".5", "0.5", "Ok"},
        // operations, the pending operator and the equals caption
        Case{"2+", "2", "Ok"}, Case{"2+3", "3", "="}, Case{"2+3=", "5", "Ok"}, Case{"2+3\r", "5", "Ok"},
        Case{"2+3*4=", "20", "Ok"}, Case{"9-12=", "-3", "Ok"}, Case{"7/2=", "3.5", "Ok"}, Case{"0+5", "5", "Ok"},
        Case{"2+3%", "2.06", "Ok"}, Case{"50*10%", "5", "Ok"}, Case{"50/10%", "500", "Ok"}, Case{"5%", "5", "Ok"},
        Case{"2+3==", "5", "Ok"}, Case{"1/3=", "0.333333333333333", "Ok"},
        // unary keys
        Case{"5I", "-5", "Ok"}, Case{"5ii", "5", "Ok"}, Case{"4R", "0.25", "Ok"}, Case{"16S", "4", "Ok"},
        Case{"2S", "1.4142135623731", "Ok"}, Case{"0I", "0", "Ok"},
        // division by zero, 1/0 and the root of a negative number: "Error" until C
        Case{"8/0=", "Error", "Ok"}, Case{"8/0=123+4=", "Error", "Ok"}, Case{"8/0=C", "0", "Ok"},
        Case{"8/0=c7", "7", "Ok"}, Case{"0R", "Error", "Ok"}, Case{"4IS", "Error", "Ok"}, Case{"8/0=\x1b", "Error", "Ok"},
        // Backspace
        Case{"123<", "12", "Ok"}, Case{"5I<", "0", "Ok"}, Case{"7<", "0", "Ok"}, Case{"<", "0", "Ok"}, Case{"2+3=<", "0", "Ok"},
        // at most 15 digits (16 characters with a leading minus)
        Case{"123456789012345678", "123456789012345", "Ok"}, Case{"12345678901234I5", "-123456789012345", "Ok"},
        Case{"0.00000000000001234", "0.0000000000000", "Ok"},
        // clearing and keys that do nothing
        Case{"2+3C", "0", "Ok"}, Case{"2+3\x1b", "0", "Ok"}, Case{"12AXQ", "12", "Ok"}, Case{"2+3A", "3", "="}));

TEST(CalculatorEngineLimits, ThirtyDigitKeystrokesKeepTheFirstFifteen) {
    TCalculatorEngineEh calc = PressKeys(std::string(30, '9'));
    EXPECT_EQ(calc.Display(), "999999999999999");
    EXPECT_EQ(calc.DisplayValue(), 999999999999999.0);
    calc.PressKey('*');
    for (int i = 0; i < 30; ++i) calc.PressKey('9');
    calc.PressKey('=');
    EXPECT_EQ(calc.Display(), "9.99999999999998E29");
    // Digits after a result in exponent form start a new number.
    calc.PressKey('4');
    EXPECT_EQ(calc.Display(), "4");
}

TEST(CalculatorEngineLimits, OverflowShowsErrorInsteadOfInfinity) {
    TCalculatorEngineEh calc;
    bool overflowed = false;
    for (int round = 0; round < 30 && !overflowed; ++round) {
        for (int i = 0; i < 15; ++i) calc.PressKey('9');
        calc.PressKey('*');
        overflowed = calc.Status() == TCalculatorEngineEh::csError;
        EXPECT_NE(calc.Display(), "INF");
    }
    EXPECT_TRUE(overflowed);
    EXPECT_EQ(calc.Display(), "Error");
    EXPECT_EQ(calc.DisplayValue(), 0);
    calc.PressKey('5');
    EXPECT_EQ(calc.Display(), "Error");
}

TEST(CalculatorEngineLimits, PasteTakesANumberAndRefusesOtherText) {
    TCalculatorEngineEh calc = PressKeys("2+");
    calc.Paste("  42.5 ");
    EXPECT_EQ(calc.Display(), "42.5");
    calc.PressKey('=');
    EXPECT_EQ(calc.Display(), "44.5");
    EXPECT_THROW(calc.Paste("abc"), EConvertError);
    EXPECT_EQ(calc.Display(), "44.5");
    calc.SetDisplayValue(std::nan(""));
    EXPECT_EQ(calc.Display(), "Error");
}

TEST(CalculatorEngineLimits, FollowsTheLocaleDecimalSeparator) {
    const char saved = FormatSettings.DecimalSeparator;
    FormatSettings.DecimalSeparator = ',';
    TCalculatorEngineEh calc = PressKeys("1.5+1,25=");
    FormatSettings.DecimalSeparator = saved;
    EXPECT_EQ(calc.Display(), "2,75");
}

}  // namespace
