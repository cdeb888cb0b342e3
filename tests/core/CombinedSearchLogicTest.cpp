// The combined search's statement: the text of each condition, their order and joining, the
// owner condition, quotes and the wildcard characters; and what the statements list on a copy of
// the shipped database with persons of awkward names added.
#include "DbTestSupport.h"
#include "U_S_CustLogic.h"

using namespace dbtest;

namespace {

const TPersonScope kAll{true, "Admin"};
const TPersonScope kOwn{false, "李明"};

TSearchInputs With(std::initializer_list<std::pair<TSearchInput, const char*>> filled) {
    TSearchInputs inputs;
    for (const auto& [input, text] : filled) inputs[input] = text;
    return inputs;
}

TEST(CombinedSearchSqlTest, BuildsTheStatementOfTheFilledInputs) {
    const struct {
        const char* name;
        TSearchInputs inputs;
        TPersonScope scope;
        const char* expected;
    } cases[] = {
        {"category only: no AND", With({{siCategory, "01"}}), kAll,
         "select * from [custom] where (category like'01%')  ORDER BY CustID"},
        {"age before qq", With({{siQQ, "123"}, {siAge, "3"}}), kAll,
         "select * from [custom] where (MainContact like'%3%')AND(qq like'%123%')  ORDER BY CustID"},
        {"the zodiac keeps its blank", With({{siCustType, "金牛座 "}}), kAll,
         "select * from [custom] where (custtype ='金牛座 ')  ORDER BY CustID"},
        {"texts are not trimmed", With({{siCustName, " 张 "}}), kAll,
         "select * from [custom] where (company like'% 张 %')  ORDER BY CustID"},
        {"a blank counts as filled", With({{siTel, " "}}), kAll,
         "select * from [custom] where (tel like'% %')  ORDER BY CustID"},
        {"sex in either column", With({{siSex, "男"}}), kAll,
         "select * from [custom] where (sex like'%男%' or OtherInfo like'%男%')  ORDER BY CustID"},
        {"own persons only", With({{siCustName, "张"}}), kOwn,
         "select * from [custom] where (company like'%张%')AND(F_User='李明')  ORDER BY CustID"},
        {"quoted owner", With({{siCustName, "张"}}), {false, "O'Neil"},
         "select * from [custom] where (company like'%张%')AND(F_User='O''Neil')  ORDER BY CustID"},
        {"quotes doubled", With({{siCustName, "O'Brien"}, {siCustType, "'"}}), kAll,
         "select * from [custom] where (company like'%O''Brien%')AND(custtype ='''')  ORDER BY CustID"},
        {"an injection attempt stays a value", With({{siAddress, "x') or 1=1 --"}}), kAll,
         "select * from [custom] where (address like'%x'') or 1=1 --%')  ORDER BY CustID"},
        {"% escaped", With({{siIncome, "50%"}}), kAll,
         "select * from [custom] where (income like'%50\\%%' ESCAPE '\\')  ORDER BY CustID"},
        {"_ escaped, and the escape character itself", With({{siEmail, "a_b\\c"}}), kAll,
         "select * from [custom] where (email like'%a\\_b\\\\c%' ESCAPE '\\')  ORDER BY CustID"},
        {"a backslash alone needs no escape", With({{siUrl, "a\\b"}}), kAll,
         "select * from [custom] where (url like'%a\\b%')  ORDER BY CustID"},
        {"a category with a wildcard", With({{siCategory, "0_"}}), kAll,
         "select * from [custom] where (category like'0\\_%' ESCAPE '\\')  ORDER BY CustID"},
        {"nothing filled", TSearchInputs{}, kAll, ""},
        {"nothing filled, own", TSearchInputs{}, kOwn, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(CombinedSearchSql(c.inputs, c.scope), c.expected);
    }
}

TEST(CombinedSearchSqlTest, AllSixteenConditionsInTheirOrder) {
    TSearchInputs inputs;
    for (String& text : inputs) text = "v";
    EXPECT_EQ(CombinedSearchSql(inputs, kAll),
              "select * from [custom] where (category like'v%')AND(company like'%v%')AND(address like'%v%')"
              "AND(postcode like'%v%')AND(custtype ='v')AND(xueli like'%v%')"
              "AND(sex like'%v%' or OtherInfo like'%v%')AND(CustLevel like'%v%')AND(introduce like'%v%')"
              "AND(tel like'%v%')AND(fax like'%v%')AND(url like'%v%')AND(email like'%v%')"
              "AND(MainContact like'%v%')AND(qq like'%v%')AND(income like'%v%')  ORDER BY CustID");
}

// The shipped persons, and five of our own (CustCode 901..905) whose names and incomes hold quotes
// and wildcard characters; 904 has its sex only in OtherInfo, as the person dialog writes it.
class CombinedSearchDatabaseTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        BuildShippedDatabase(Path());
        Session session(Path());
        session.connection->Execute(
            "insert into custom (CustCode, Company, Category, income, email, sex, OtherInfo, F_User) values "
            "(901, 'O''Brien', '0101', '50%', 'a_b@example.cn', '男', '男', 'Admin'),"
            "(902, 'OxBrien', '0101', '500', 'axb@example.cn', '男', '男', 'Admin'),"
            "(903, '百分之百', '0102', '5%0', 'a\\b@example.cn', '女', '女', '李明'),"
            "(904, '欧阳娜', '0102', '', '', '', '女', '李明'),"
            "(905, '张_三', '05', '', '', '男', '男', 'Admin')");
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    static String Path() { return folder_->File("Custom.mdb"); }
    static TempFolder* folder_;
};
TempFolder* CombinedSearchDatabaseTest::folder_ = nullptr;

TEST_F(CombinedSearchDatabaseTest, ListsThePersonsMatchingEveryFilledInput) {
    Session session(Path());
    const auto count = [&](const char* where) {
        OpenQuery(session.query, String("select count(*) as n from custom where ") + where);
        return session.query->FieldByName("n")->AsInteger();
    };
    const struct {
        const char* name;
        TSearchInputs inputs;
        TPersonScope scope;
        int rows;
    } cases[] = {
        {"category 01 and its sub-categories", With({{siCategory, "01"}}), kAll, count("category like '01%'")},
        {"category 01 and a name", With({{siCategory, "01"}, {siCustName, "张"}}), kAll,
         count("category like '01%' and Company like '%张%'")},
        {"the same, own persons", With({{siCategory, "01"}, {siCustName, "张"}}), kOwn,
         count("category like '01%' and Company like '%张%' and F_User = '李明'")},
        {"category 0102, own persons", With({{siCategory, "0102"}}), kOwn,
         count("category like '0102%' and F_User = '李明'")},
        {"a quote is a character", With({{siCustName, "O'Brien"}}), kAll, 1},
        {"% matches only itself", With({{siIncome, "50%"}}), kAll, 1},
        {"% anywhere", With({{siIncome, "%"}}), kAll, 2},
        {"_ matches only itself", With({{siEmail, "a_b"}}), kAll, 1},
        {"_ in a name", With({{siCustName, "_"}}), kAll, 1},
        {"a backslash is a character", With({{siEmail, "a\\b"}}), kAll, 1},
        {"the zodiac's blank does not count", With({{siCustType, "金牛座 "}}), kAll, count("CustType = '金牛座'")},
        {"sex also from OtherInfo", With({{siSex, "女"}, {siCategory, "0102"}}), kAll,
         count("category like '0102%' and (sex = '女' or OtherInfo = '女')")},
        {"an injection attempt finds nothing", With({{siAddress, "x') or 1=1 --"}}), kAll, 0},
        {"Chinese text in two inputs", With({{siAddress, "杭州"}, {siXueli, "硕士"}}), kAll,
         count("address like '%杭州%' and xueli like '%硕士%'")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const String sql = CombinedSearchSql(c.inputs, c.scope);
        OpenQuery(session.query, sql);
        EXPECT_EQ(session.query->RecordCount(), c.rows) << sql;
    }
    // The sample data makes the cases tell: each of these differs from its unrestricted count.
    EXPECT_GT(count("category like '01%'"), count("category like '01%' and Company like '%张%'"));
    EXPECT_GT(count("category like '01%' and Company like '%张%'"), 0);
    EXPECT_GT(count("category like '0102%'"), count("category like '0102%' and F_User = '李明'"));
    EXPECT_GE(count("category like '0102%' and F_User = '李明'"), 2);
}

TEST_F(CombinedSearchDatabaseTest, ListsInCustIdOrder) {
    Session session(Path());
    OpenQuery(session.query, CombinedSearchSql(With({{siSex, "男"}}), kAll));
    const std::vector<String> ids = ColumnTexts(session.query, "CustID");
    ASSERT_GT(ids.size(), 2u);
    for (std::size_t i = 1; i < ids.size(); ++i) EXPECT_LT(StrToInt(ids[i - 1]), StrToInt(ids[i]));
}

}  // namespace
