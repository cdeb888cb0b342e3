// The system's text rules under the Chinese locale: names in pinyin order, and case ignored for
// full-width and accented letters as for ASCII; sort keys order as the comparison does.
#include "LocaleText.h"
#include "SystemLocaleText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

TEST(SystemLocaleText, ChineseNamesInPinyinOrderAndCaseIgnoredBeyondAscii) {
    const TLocaleTextRules previous = LocaleTextRules();
    InstallSystemLocaleTextRules();
    const std::vector<std::string> pinyin = {"阿明", "陈静", "李娜", "刘洋", "王芳", "张伟"};
    for (std::size_t i = 0; i + 1 < pinyin.size(); ++i) {
        SCOPED_TRACE(pinyin[i] + " < " + pinyin[i + 1]);
        EXPECT_LT(LocaleCompareText(pinyin[i], pinyin[i + 1], true), 0);
        EXPECT_LT(LocaleTextRules().sortKey(pinyin[i], true), LocaleTextRules().sortKey(pinyin[i + 1], true));
    }
    const struct {
        const char* a;
        const char* b;
    } sameIgnoringCase[] = {{"Admin", "aDMIN"}, {"ＡＢＣ", "ａｂｃ"}, {"É", "é"}};
    for (const auto& c : sameIgnoringCase) {
        SCOPED_TRACE(std::string(c.a) + " / " + c.b);
        EXPECT_EQ(LocaleCompareText(c.a, c.b, true), 0);
        EXPECT_NE(LocaleCompareText(c.a, c.b, false), 0);
        EXPECT_EQ(LocaleTextRules().sortKey(c.a, true), LocaleTextRules().sortKey(c.b, true));
        EXPECT_TRUE(LocaleLike(std::string("%") + c.a + "%", std::string("x") + c.b + "y"));
    }
    SetLocaleTextRules(previous);
}

}  // namespace
