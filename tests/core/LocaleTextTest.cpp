// Texts compared as the locale does: `like` by characters without regard to case, names in the
// locale's order in the data set's Sort and the statements, full-width and accented letters
// matched without regard to case in Locate and in the program's statements.
#include "DbTestSupport.h"

#include "LocaleText.h"

using namespace dbtest;

namespace {

TEST(LocaleLike, MatchesByCharactersWithoutRegardToCase) {
    const struct {
        const char* pattern;
        const char* text;
        bool matches;
    } cases[] = {
        {"%伟%", "张伟", true},        {"%伟%", "张韦", false},       {"张_", "张伟", true},
        {"张_", "张伟强", false},      {"%ＡＢ%", "xａｂy", true},    {"é%", "Émile", true},
        {"%%", "", true},              {"", "", true},                {"_", "", false},
        {"abc", "ABC", true},          {"a%c", "abbbc", true},        {"a%c", "abcd", false},
        {"%a%b%c%d%e%f%g%", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"100!%", "100%", true},       {"100!%", "1000", false},      {"a!_c", "abc", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.pattern) + " / " + c.text);
        EXPECT_EQ(LocaleLike(c.pattern, c.text, U'!'), c.matches);
    }
}

class LocaleTextTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("names.mdb");
        BuildDatabase(path_, {{"names.sql", "CREATE TABLE p (id INTEGER PRIMARY KEY, name TEXT(20) COLLATE NOCASE);"
                                            "INSERT INTO p (name) VALUES ('张伟'), ('阿明'), ('王芳'), ('李娜'),"
                                            "('ＡＢＣ  '), ('陈静'), ('Émile'), ('刘洋');"}});
    }
    TempFolder folder_;
    String path_;
};

TEST_F(LocaleTextTest, SortPutsChineseNamesInPinyinOrder) {
    Session session(path_);
    OpenQuery(session.query, "select * from p where id not in (5, 7)");
    session.query->SetSort("name");
    EXPECT_EQ(ColumnTexts(session.query, "name"),
              (std::vector<String>{"阿明", "陈静", "李娜", "刘洋", "王芳", "张伟"}));
    session.query->SetSort("name DESC");
    EXPECT_EQ(ColumnTexts(session.query, "name").front(), "张伟");
}

TEST_F(LocaleTextTest, CaseIsIgnoredBeyondAsciiWhereTextsCompareWithoutIt) {
    Session session(path_);
    const struct {
        const char* sql;
        int rows;
    } statements[] = {
        {"select * from p where name='ａｂｃ'", 1},          // full width, other case, trailing blanks
        {"select * from p where name like '%ａＢ%'", 1},
        {"select * from p where name='émile'", 1},
        {"select * from p where name like 'ÉMI%'", 1},
        {"select * from p where name='张伟 '", 1},
        {"select * from p where name<>'张伟'", 7},
    };
    for (const auto& s : statements) {
        SCOPED_TRACE(s.sql);
        OpenQuery(session.query, s.sql);
        EXPECT_EQ(session.query->RecordCount(), s.rows);
    }
    OpenQuery(session.query, "select * from p");
    EXPECT_TRUE(session.query->Locate("name", Variant(String("émile")), loCaseInsensitive));
    EXPECT_EQ(session.query->FieldByName("name")->AsString(), "Émile");
    EXPECT_TRUE(session.query->Locate("name", Variant(String("ａｂ")), TLocateOptions(loCaseInsensitive | loPartialKey)));
    EXPECT_FALSE(session.query->Locate("name", Variant(String("émile")), TLocateOptions(0)));
}

}  // namespace

#if defined(VESTREL_SYSTEM_LOCALE_TEXT)
#include "SystemLocaleText.h"

namespace {
// Every test of this program compares texts by the system's rules, as the program does.
struct SystemLocaleTextEnvironment : ::testing::Environment {
    void SetUp() override { InstallSystemLocaleTextRules(); }
};
const auto* const kSystemLocaleText = ::testing::AddGlobalTestEnvironment(new SystemLocaleTextEnvironment);
}  // namespace
#endif
