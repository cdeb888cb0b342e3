// The person window's statements (rights on and off, quote-bearing input) and what they list on
// the shipped database, the status texts, the category code of a tree node, the search column
// check and the caption list's group headings.
#include "DbTestSupport.h"
#include "U_CustomLogic.h"
#include "U_CustomTexts.h"

#include <filesystem>

using namespace dbtest;

namespace {

const TPersonScope kAll{true, "Admin"};
const TPersonScope kOwn{false, "李明"};
const TPersonScope kQuoted{false, "O'Neil"};

TEST(PersonStatementsTest, KeepTheirTextWithAndWithoutRight35AndQuoteValues) {
    const struct {
        const char* name;
        String built;
        const char* expected;
    } cases[] = {
        {"start, all", PersonStartSql(kAll), "Select top 100 * from Custom"},
        {"start, own", PersonStartSql(kOwn), "Select top 100 * from Custom where F_User='李明'"},
        {"start, quoted owner", PersonStartSql(kQuoted), "Select top 100 * from Custom where F_User='O''Neil'"},
        {"contacts, all", ContactDetailSql(kAll), "Select * From Contact where CustCode=:CustCode"},
        {"contacts, own", ContactDetailSql(kOwn), "Select * From Contact where CustCode=:CustCode and F_User='李明'"},
        {"activities, all", ScheduleDetailSql(kAll), "Select * From T_Schedule where CustCode=:CustCode"},
        {"activities, own", ScheduleDetailSql(kOwn),
         "Select * From T_Schedule where CustCode=:CustCode and F_User='李明'"},
        {"activities, quoted owner", ScheduleDetailSql(kQuoted),
         "Select * From T_Schedule where CustCode=:CustCode and F_User='O''Neil'"},
        {"search column", SearchColumnSql("个人名称"),
         "select * from T_FieldShow where tablename='Custom' and Name='个人名称'"},
        {"search column, quoted caption", SearchColumnSql("it's"),
         "select * from T_FieldShow where tablename='Custom' and Name='it''s'"},
        {"quick search, all", QuickSearchSql("Company", "张", kAll), "Select * from custom where Company like '%张%'"},
        {"quick search, own", QuickSearchSql("Company", "张", kOwn),
         "Select * from custom where Company like '%张%' and F_User='李明'"},
        {"quick search, empty key", QuickSearchSql("tel", "", kAll), "Select * from custom where tel like '%%'"},
        {"quick search, quoted key", QuickSearchSql("Company", "O'Brien", kAll),
         "Select * from custom where Company like '%O''Brien%'"},
        {"quick search, both quoted", QuickSearchSql("Company", "'", kQuoted),
         "Select * from custom where Company like '%''%' and F_User='O''Neil'"},
        {"category, all", CategoryListSql("0102", kAll), "Select * from custom where category like '0102%'"},
        {"category, own", CategoryListSql("0102", kOwn),
         "Select * from custom where category like '0102%' and F_User='李明'"},
        {"category, quoted code", CategoryListSql("0'1", kAll), "Select * from custom where category like '0''1%'"},
        {"root, all", CategoryRootSql(kAll), "Select * from Custom"},
        {"root, own", CategoryRootSql(kOwn), "Select * from Custom where F_User='李明'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
    }
    EXPECT_STREQ(kSearchCaptionsSql, "select * from T_Fieldshow where tablename='custom'");
}

TEST(PersonStatusTextTest, CountsPersonsOrCategoryRows) {
    EXPECT_EQ(PersonStatusText(36), "当前共有 36 条个人记录");
    EXPECT_EQ(PersonStatusText(0), "当前共有 0 条个人记录");
    EXPECT_EQ(CategoryStatusText(7), "当前共有 7 条客户记录");
}

TEST(NodeCategoryCodeTest, IsTheTextBeforeTheFirstDash) {
    const struct {
        const char* text;
        const char* code;
    } cases[] = {
        {"01-亲友", "01"},      {"010201-大学同学", "010201"}, {"0102-A-B", "0102"},
        {"个人分类", ""},       {"-名", ""},                  {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(NodeCategoryCode(c.text), c.code);
    }
}

TEST(SearchColumnCheckTest, AcceptsOnlyColumnsOfTheList) {
    const std::vector<String> columns{"CustID", "CustCode", "Company", "tel"};
    EXPECT_EQ(CheckedSearchColumn("Company", columns), "Company");
    EXPECT_EQ(CheckedSearchColumn(" company ", columns), "company");
    EXPECT_EQ(CheckedSearchColumn("TEL", columns), "TEL");
    for (const char* bad : {"Company like '%' or 1=1 or Company", "Nothing", "", "Company;", "Comp"}) {
        SCOPED_TRACE(bad);
        try {
            CheckedSearchColumn(bad, columns);
            ADD_FAILURE() << "accepted";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(String(e.Message).find(String("\"") + bad + "\""), String::npos) << e.Message;
        }
    }
}

TEST(SearchEntryStepTest, SkipsHeadingsAndPicksTheTable) {
    const std::vector<String> items{"个人编号", "**客户选项**", "个人名称", "星座",        "血型",
                                    "性别",     "学历",         "年龄",     "*联系人选项*", "联系人姓名",
                                    "*联系人选项*"};
    const struct {
        const char* name;
        int index;
        int expected;
        const char* table;
    } cases[] = {
        {"plain entry", 0, 0, "Custom"},
        {"person heading moves on", 1, 2, "Custom"},
        {"position 7 is a person column", 7, 7, "Custom"},
        {"contact heading moves past 7", 8, 9, "Contact"},
        {"a contact entry", 9, 9, "Contact"},
        {"a heading at the end stays", 10, 10, "Contact"},
        {"nothing selected", -1, -1, "Custom"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TSearchEntryStep step = StepPastHeading(items, c.index);
        EXPECT_EQ(step.ItemIndex, c.expected);
        EXPECT_EQ(step.QueryTable, c.table);
    }
    // Only the exact heading texts are skipped.
    EXPECT_EQ(StepPastHeading({"*客户选项*", "x"}, 0).ItemIndex, 0);
    EXPECT_EQ(StepPastHeading({"**联系人选项**", "x"}, 0).ItemIndex, 0);
}

// The lists on the shipped database: Admin holds right 35, 李明 does not.
class PersonListDatabaseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        BuildShippedDatabase(folder_->File("Custom.mdb"));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static String Path() { return folder_->File("Custom.mdb"); }
    static TempFolder* folder_;
};
TempFolder* PersonListDatabaseTest::folder_ = nullptr;

int RowsOf(Session& session, const String& sql) {
    OpenQuery(session.query, sql);
    return session.query->RecordCount();
}

TEST_F(PersonListDatabaseTest, ListsCountEveryoneWithRight35AndOwnRowsWithout) {
    Session session(Path());
    const struct {
        const char* name;
        String sql;
        int rows;
    } cases[] = {
        {"start, all", PersonStartSql(kAll), 36},
        {"start, own", PersonStartSql(kOwn), 16},
        {"root, all", CategoryRootSql(kAll), 36},
        {"root, own", CategoryRootSql(kOwn), 16},
        {"category 01 (three levels), all", CategoryListSql("01", kAll), 11},
        {"category 01, own", CategoryListSql("01", kOwn), 2},
        {"category 0102 takes its sub-categories", CategoryListSql("0102", kAll), 7},
        {"category 030202, all", CategoryListSql("030202", kAll), 2},
        {"category 030202, own", CategoryListSql("030202", kOwn), 1},
        {"empty category", CategoryListSql("0302019", kAll), 0},
        {"quick search, all", QuickSearchSql("Company", "张", kAll), 3},
        {"quick search, own only", QuickSearchSql("Company", "张", kOwn), 0},
        {"quick search in another column", QuickSearchSql("address", "深圳", kAll), 2},
        {"quick search, own in another column", QuickSearchSql("address", "深圳", kOwn), 1},
        {"a % in the key widens the match", QuickSearchSql("Company", "张%雨", kAll), 1},
        {"empty key: every non-null value", QuickSearchSql("fax", "", kAll), 36},
        {"a quote in the key is a character", QuickSearchSql("Company", "O'Brien", kAll), 0},
        {"a quoted owner lists nothing", CategoryRootSql(kQuoted), 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RowsOf(session, c.sql), c.rows) << c.sql;
    }
}

TEST_F(PersonListDatabaseTest, DetailListsFollowTheCurrentPersonAndItsOwner) {
    Session session(Path());
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(session.query);
    TADOQuery* contacts = session.NewQuery();
    contacts->SetDataSource(source);
    OpenQuery(session.query, "select * from custom where CustCode=4");
    for (const TPersonScope* scope : {&kAll, &kOwn}) {
        OpenQuery(contacts, ContactDetailSql(*scope));
        EXPECT_EQ(contacts->RecordCount(), 2);
    }
    OpenQuery(contacts, ContactDetailSql({false, "Admin"}));
    EXPECT_EQ(contacts->RecordCount(), 0);
    TADOQuery* activities = session.NewQuery();
    activities->SetDataSource(source);
    OpenQuery(activities, ScheduleDetailSql(kOwn));
    EXPECT_EQ(activities->RecordCount(), 1);
    contacts->Close();
    activities->Close();
    source->Free();
}

// The column list starts on its second caption, whose column the quick search then uses.
TEST_F(PersonListDatabaseTest, FirstSearchEntryResolvesToACheckedColumn) {
    Session session(Path());
    OpenQuery(session.query, kSearchCaptionsSql);
    session.query->SetRecNo(kFirstSearchEntry + 1);
    const String caption = session.query->FieldByName("Name")->AsString();
    EXPECT_EQ(caption, "个人名称");
    TADOQuery* persons = session.NewQuery();
    OpenQuery(persons, PersonStartSql(kAll));
    OpenQuery(session.query, SearchColumnSql(caption));
    const String field = CheckedSearchColumn(session.query->FieldByName("Field")->AsString(), ColumnNamesOf(persons));
    EXPECT_EQ(field, "Company");
    OpenQuery(persons, QuickSearchSql(field, "晓", kAll));
    EXPECT_EQ(ColumnTexts(persons, "Company"), (std::vector<String>{"郑晓燕", "张晓雨", "苏晓峰"}));
}

TEST_F(PersonListDatabaseTest, SearchColumnsAreThePersonTablesColumns) {
    Session session(Path());
    const std::vector<String> columns = ColumnNamesOfTable(session.connection, "custom");
    OpenQuery(session.query, "select * from custom");
    EXPECT_EQ(columns, ColumnNamesOf(session.query));
    EXPECT_EQ(columns.size(), 21u);
    EXPECT_EQ(CheckedSearchColumn("MainContact", columns), "MainContact");
    EXPECT_THROW(CheckedSearchColumn("ContactName", columns), EDatabaseError);
    EXPECT_THROW(ColumnNamesOfTable(session.connection, "nosuchtable"), EADOError);
}

// At show a restricted operator sees at most 100 own persons; the root lists all of them.
TEST_F(PersonListDatabaseTest, StartListStopsAtAHundredAndTheRootDoesNot) {
    TempFolder folder;
    const String copy = folder.File("copy.mdb");
    std::filesystem::copy_file(Path(), copy);
    Session session(copy);
    ExecQuery(session.query,
              "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 110) "
              "INSERT INTO custom (CustCode, Company, F_User) SELECT 100 + i, 'P' || i, '李明' FROM n");
    EXPECT_EQ(RowsOf(session, PersonStartSql(kOwn)), 100);
    EXPECT_EQ(RowsOf(session, CategoryRootSql(kOwn)), 126);
    EXPECT_EQ(RowsOf(session, PersonStartSql(kAll)), 100);
    EXPECT_EQ(RowsOf(session, CategoryRootSql(kAll)), 146);
}

}  // namespace
