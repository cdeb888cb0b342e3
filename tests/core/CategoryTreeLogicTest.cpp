// Category trees: code levels and padding, the statements, the shape of a filled tree (orphans
// included), the code proposals and the save refusals against a real category table, deleting
// and picking.
#include "DbTestSupport.h"
#include "U_CustomLogic.h"
#include "U_treeTexts.h"

using namespace dbtest;

namespace {

TEST(CodeLevelTest, TwoDigitsPerLevelUpToNine) {
    const struct {
        const char* code;
        int level;
    } cases[] = {
        {"", -1},
        {"0", -1},
        {"01", 1},
        {"010", -1},
        {"0101", 2},
        {"010101", 3},
        {"0101010101", 5},
        {"01010101010", -1},
        {"010101010101010101", 9},
        {"01010101010101010101", -1},
        {"ab", 1},  // the level counts characters only
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(CodeLevel(kCodePattern, c.code), c.level);
    }
    EXPECT_EQ(CodeLevel("", "01"), -1);
    EXPECT_EQ(CodeLevel("3", "012"), 1);
    EXPECT_EQ(CodeLevel("12", "012"), 2);
}

TEST(PadCodeTest, OddLengthsGetALeadingZero) {
    const struct {
        const char* text;
        const char* padded;
    } cases[] = {{"", ""}, {"1", "01"}, {"10", "10"}, {"103", "0103"}, {"0103", "0103"}, {"100", "0100"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(PadCode(c.text), c.padded);
    }
}

TEST(CategoryCodeTextTest, IsAsciiDigitsOnly) {
    for (const char* good : {"", "0", "01", "0123456789"}) {
        EXPECT_TRUE(IsCategoryCode(good)) << good;
    }
    for (const char* bad : {"1.5", "-1", "1e3", " 01", "01 ", "0x1", "０１", "+1"}) {
        EXPECT_FALSE(IsCategoryCode(bad)) << bad;
    }
}

TEST(CategoryStatementsTest, KeepTheirTextAndQuoteCodes) {
    const struct {
        const char* name;
        String built;
        const char* expected;
    } cases[] = {
        {"fill", CategoryTreeSql("Cust_Category"), "select * from Cust_Category order by code"},
        {"whole table", CategoryTableSql("Goods_Category"), "select * from Goods_Category"},
        {"one code", CategoryCodeSql("Cust_Category", "0101"), "select * from Cust_Category where code='0101'"},
        {"one code, quoted", CategoryCodeSql("Cust_Category", "0'1"), "select * from Cust_Category where code='0''1'"},
        {"delete", CategoryDeleteSql("Cust_Category", "0302"), "delete from Cust_Category where code='0302'"},
        {"delete, quoted", CategoryDeleteSql("Cust_Category", "'"), "delete from Cust_Category where code=''''"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
    }
}

// "text@parent" per node, for comparing whole shapes at once.
String Shape(const std::vector<TCategoryNode>& nodes) {
    String s;
    for (const TCategoryNode& n : nodes) s += n.Text + "@" + std::to_string(n.Parent) + " ";
    return s;
}

TEST(CategoryTreeShapeTest, NodesGoUnderTheirParentCodes) {
    const std::vector<TCategoryNode> nodes =
        BuildCategoryTree("个人分类", {{"01", "亲友"}, {"0101", "家人"}, {"010101", "父母"}, {"0102", "同学"},
                                       {"02", "同事"}, {"0201", "现同事"}});
    EXPECT_EQ(Shape(nodes), "个人分类@-1 01-亲友@0 0101-家人@1 010101-父母@2 0102-同学@1 02-同事@0 0201-现同事@5 ");
    EXPECT_EQ(nodes[3].Level, 3);
    EXPECT_EQ(nodes[3].Code, "010101");
    EXPECT_EQ(nodes[0].Level, 0);
    EXPECT_EQ(nodes[0].Code, "");
}

TEST(CategoryTreeShapeTest, OrphansGoUnderTheirNearestAncestorAndBadCodesAreLeftOut) {
    const struct {
        const char* name;
        std::vector<TCategoryRow> rows;
        const char* shape;
    } cases[] = {
        {"empty table", {}, "R@-1 "},
        {"orphan under the nearest ancestor, not the last node a level up",
         {{"01", "a"}, {"0101", "b"}, {"02", "c"}, {"020101", "d"}},
         "R@-1 01-a@0 0101-b@1 02-c@0 020101-d@3 "},
        {"orphan without any ancestor goes under the root", {{"0305", "x"}, {"04", "y"}}, "R@-1 0305-x@0 04-y@0 "},
        {"descendants of an orphan follow it", {{"0305", "x"}, {"030501", "z"}}, "R@-1 0305-x@0 030501-z@1 "},
        {"odd and overlong codes are left out",
         {{"0", "a"}, {"010", "b"}, {"01", "c"}, {"01010101010101010101", "d"}},
         "R@-1 01-c@0 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(Shape(BuildCategoryTree("R", c.rows)), c.shape);
    }
}

TEST(CategoryTreeShapeTest, ShippedCategoriesFillThreeLevels) {
    TempFolder folder;
    BuildShippedDatabase(folder.File("Custom.mdb"));
    Session session(folder.File("Custom.mdb"));
    OpenQuery(session.query, CategoryTreeSql("Cust_Category"));
    const std::vector<TCategoryNode> nodes = BuildCategoryTree("个人分类", ReadCategoryRows(session.query));
    ASSERT_EQ(nodes.size(), 20u);
    int deepest = 0;
    for (std::size_t i = 1; i < nodes.size(); ++i) {
        SCOPED_TRACE(nodes[i].Text);
        const TCategoryNode& parent = nodes[static_cast<std::size_t>(nodes[i].Parent)];
        EXPECT_EQ(parent.Level, nodes[i].Level - 1);
        EXPECT_EQ(nodes[i].Code.substr(0, parent.Code.size()), parent.Code);
        deepest = std::max(deepest, nodes[i].Level);
    }
    EXPECT_EQ(deepest, 3);
    EXPECT_EQ(nodes[1].Text, "01-亲友");
}

TEST(SplitNodeTextTest, CodeBeforeTheFirstDashNameAfterIt) {
    const struct {
        const char* text;
        const char* code;
        const char* name;
    } cases[] = {
        {"0101-家人", "0101", "家人"},
        {"01-A-B", "01", "A-B"},
        {"01-", "01", ""},
        {"个人分类", "", "个人分类"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const TNodeFields f = SplitNodeText(c.text);
        EXPECT_EQ(f.Code, c.code);
        EXPECT_EQ(f.Name, c.name);
    }
}

// A category table of the test's own rows, read through a real query as the dialog reads it.
class CategoryTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        BuildDatabase(folder_.File("c.mdb"), {{"schema.sql", ReadTextFile(SourceRoot() / "db" / "schema.sql")}});
        session_ = std::make_unique<Session>(folder_.File("c.mdb"));
    }
    void Rows(const std::vector<const char*>& codes) {
        ExecQuery(session_->query, "delete from Cust_Category");
        for (const char* code : codes)
            ExecQuery(session_->query, String("insert into Cust_Category (code, name) values ('") + code + "', 'n')");
    }
    TCodeReader Reader() {
        return [this](const String& sql) {
            statements_.push_back(sql);
            OpenQuery(session_->query, sql);
            std::vector<String> codes;
            for (const TCategoryRow& row : ReadCategoryRows(session_->query)) codes.push_back(row.Code);
            return codes;
        };
    }
    TempFolder folder_;
    std::unique_ptr<Session> session_;
    std::vector<String> statements_;
};

TEST_F(CategoryTableTest, ProposalsFollowTheLastCodeOfTheLevel) {
    const struct {
        const char* name;
        std::vector<const char*> rows;
        const char* base;
        bool child;
        const char* code;  // nullptr: refused as a full level
    } cases[] = {
        {"empty table", {}, "", true, "01"},
        {"empty table, sibling", {}, "01", false, "01"},
        {"top level from the root", {"01", "0101", "02"}, "", true, "03"},
        {"top level from blanks", {"01"}, "  ", false, "02"},
        {"child of a node without children", {"01", "02"}, "01", true, "0101"},
        {"child after 0101 and 0102", {"01", "0101", "0102"}, "01", true, "0103"},
        {"child skips grandchildren", {"01", "0101", "010101", "010199"}, "01", true, "0102"},
        {"sibling of 0102 takes codes under 01 only", {"01", "0101", "0102", "02", "0201"}, "0102", false, "0103"},
        {"sibling of the only code of its level", {"01", "0101"}, "0101", false, "0102"},
        {"sibling on the top level", {"01", "02", "0201"}, "02", false, "03"},
        {"after 09 comes 10", {"01", "02", "03", "04", "05", "06", "07", "08", "09"}, "", true, "10"},
        {"child after 0109 is 0110", {"01", "0109"}, "01", true, "0110"},
        {"a level holding only orphans starts at 01", {"01", "010101"}, "01", true, "0101"},
        {"third level", {"01", "0101", "010101"}, "0101", true, "010102"},
        {"top level full after 99", {"01", "99"}, "", true, nullptr},
        {"child level full after 0199", {"01", "0199", "02"}, "01", true, nullptr},
        {"sibling level full after 0199", {"01", "0101", "0199", "02", "0201"}, "0101", false, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Rows(c.rows);
        const TCodeProposal p = ProposeNextCode("Cust_Category", c.base, c.child, Reader());
        if (c.code) {
            EXPECT_FALSE(p.Refused);
            EXPECT_EQ(p.Code, c.code);
            EXPECT_EQ(p.ClearName, !c.rows.empty());
            EXPECT_EQ(p.Message, "");
        } else {
            EXPECT_TRUE(p.Refused);
            EXPECT_EQ(p.Message, TreeTexts::LevelFull);
            EXPECT_FALSE(p.ClearName);
        }
    }
}

TEST_F(CategoryTableTest, ProposalsRunTheStatementsInTheirOrder) {
    Rows({"01", "0101", "0102", "02", "0201"});
    ProposeNextCode("Cust_Category", "0102", false, Reader());
    EXPECT_EQ(statements_, (std::vector<String>{
                               "select * from Cust_Category",
                               "select * from Cust_Category where len(code)=4 order by code",
                               "select * from Cust_Category where len(code)=4 and code like'01%' order by code",
                           }));
    statements_.clear();
    ProposeNextCode("Cust_Category", "01", true, Reader());
    EXPECT_EQ(statements_, (std::vector<String>{
                               "select * from Cust_Category",
                               "select * from Cust_Category where code like '01%' order by code",
                               "select * from Cust_Category where len(code)=4 and code like '01%' order by code",
                           }));
    statements_.clear();
    ProposeNextCode("Cust_Category", "", false, Reader());
    EXPECT_EQ(statements_, (std::vector<String>{
                               "select * from Cust_Category",
                               "select * from Cust_Category where len(code)=2 order by code",
                           }));
    // A quote in the field is a character of the code, not of the statement.
    statements_.clear();
    const TCodeProposal p = ProposeNextCode("Cust_Category", "0'", true, Reader());
    EXPECT_EQ(statements_.at(1), "select * from Cust_Category where code like '0''%' order by code");
    EXPECT_EQ(p.Code, "0'01");
}

TEST_F(CategoryTableTest, ProposalFromACodeThatIsNotANumberIsAClearError) {
    Rows({"01", "0A"});
    try {
        ProposeNextCode("Cust_Category", "", true, Reader());
        ADD_FAILURE() << "no error";
    } catch (const EConvertError& e) {
        EXPECT_NE(String(e.Message).find("\"0A\""), String::npos) << e.Message;
    }
}

TEST_F(CategoryTableTest, SavingANewCodeIsRefusedInTheCheckOrder) {
    Rows({"01", "0101", "02", "030101"});
    const struct {
        const char* name;
        const char* text;
        const char* message;  // "" when accepted
        bool focus;
    } cases[] = {
        {"decimal point", "1.5", TreeTexts::CodeNotNumber, true},
        {"minus sign", "-1", TreeTexts::CodeNotNumber, true},
        {"exponent", "1e3", TreeTexts::CodeNotNumber, true},
        {"letters before the length", "abc", TreeTexts::CodeNotNumber, true},
        {"odd length", "010", TreeTexts::CodeRuleBroken, true},
        {"eleven characters", "01010101010", TreeTexts::CodeRuleBroken, true},
        {"twelve digits", "010101010101", TreeTexts::CodeRuleBroken, true},
        {"a leading blank makes the length odd", " 0102", TreeTexts::CodeRuleBroken, true},
        {"taken", "0101", TreeTexts::CodeTaken, false},
        {"taken on the top level", "01", TreeTexts::CodeTaken, false},
        {"taken although its parent is missing", "030101", TreeTexts::CodeTaken, false},
        {"parent missing", "0301", TreeTexts::ParentMissing, true},
        {"grandparent is not enough", "010201", TreeTexts::ParentMissing, true},
        {"empty", "", TreeTexts::ParentMissing, true},
        {"new child", "0102", "", false},
        {"new top level", "03", "", false},
        {"trailing blanks of even length", "0102  ", "", false},
        {"ten characters", "0101010101", TreeTexts::ParentMissing, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TCategoryCheck check = CheckNewCategory("Cust_Category", c.text, Reader());
        EXPECT_EQ(check.Ok, String(c.message).empty());
        EXPECT_EQ(check.Message, c.message);
        EXPECT_EQ(check.FocusCode, c.focus);
    }
    statements_.clear();
    CheckNewCategory("Cust_Category", "0102", Reader());
    EXPECT_EQ(statements_, (std::vector<String>{"select * from Cust_Category where code='0102'",
                                                "select * from Cust_Category where code='01'"}));
}

TEST_F(CategoryTableTest, RenameNeedsACodeAndItsRow) {
    Rows({"01", "0101"});
    const struct {
        const char* text;
        const char* message;
    } cases[] = {{"", TreeTexts::RenameNoCode}, {"  ", TreeTexts::RenameNoCode}, {"0909", TreeTexts::RenameNoRow},
                 {"0'1", TreeTexts::RenameNoRow}, {"0101", ""}, {" 01 ", ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const TCategoryCheck check = CheckRenameCategory("Cust_Category", c.text, Reader());
        EXPECT_EQ(check.Ok, String(c.message).empty());
        EXPECT_EQ(check.Message, c.message);
        EXPECT_FALSE(check.FocusCode);
    }
}

TEST(CategoryDeleteTest, TheRootIsNeverDeletedParentsAreRefused) {
    using S = TCategoryDeleteStep;
    EXPECT_EQ(CategoryDeleteStepFor(false, false, false), S::Nothing);
    EXPECT_EQ(CategoryDeleteStepFor(true, true, false), S::Nothing);
    EXPECT_EQ(CategoryDeleteStepFor(true, true, true), S::RefuseChildren);
    EXPECT_EQ(CategoryDeleteStepFor(true, false, true), S::RefuseChildren);
    EXPECT_EQ(CategoryDeleteStepFor(true, false, false), S::Ask);
}

TEST(CategoryPickTest, DialogGetsTheTrimmedCodeAndTheIniKeepsItAsTyped) {
    const TCategoryPick pick = CategoryPickOf(" 0101 ", "家人");
    EXPECT_EQ(pick.Code, "0101");
    EXPECT_EQ(pick.Name, "家人");
    EXPECT_EQ(pick.IniCode, " 0101 ");
}

}  // namespace
