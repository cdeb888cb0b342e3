// The shipped database built from db/schema.sql and db/seed.sql, and the statements the program
// runs against it (each returns the rows its caller expects), in the program's own dialect.
#include "DbTestSupport.h"

#include "Encoding.h"
#include "Lists.h"

#include <set>

using namespace dbtest;

namespace {

class SchemaTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder_ = new TempFolder;
        BuildShippedDatabase(folder_->File("Custom.mdb"));
    }
    static void TearDownTestSuite() {
        delete folder_;
        folder_ = nullptr;
    }
    // A private copy for tests that write.
    String WritableCopy() {
        const String copy = folder_->File("copy-" + std::to_string(copies_++) + ".mdb");
        std::filesystem::copy_file(folder_->File("Custom.mdb"), copy);
        return copy;
    }
    static TempFolder* folder_;
    static int copies_;
};
TempFolder* SchemaTest::folder_ = nullptr;
int SchemaTest::copies_ = 0;

struct StatementCase {
    const char* name;
    const char* sql;
    int rows;             // rows returned (Open)
    const char* field;    // checked on the first row, when not null
    const char* value;
};

// The program's select statements, as they write them, on the shipped rows.
const StatementCase kSelects[] = {
    {"info at start-up", "select * from info", 1, "Regname", "VESTREL"},
    {"caption", "select * from T_SoftInfo", 1, "SoftName", "Vestrel个人名片管理"},
    {"login list", "select * from admin where IsUser=True", 2, "username", "Admin"},
    {"login row", "select * from admin where username='Admin'", 1, "password", ""},
    {"login name ignores case and trailing blanks", "select * from admin where username='admin  '", 1, "username", "Admin"},
    {"rights", "select * from T_UserAuthority where UserName='Admin'", 40, "Authority", "True"},
    {"person list", "Select * from Custom", 36, "Company", "张伟"},
    {"own person list", "Select * from Custom where F_User='李明'", 16, "Company", "李娜"},
    {"top 100", "Select top 100 * from Custom", 36, "CustCode", "1"},
    {"top 2 with owner", "Select top 2 * from Custom where F_User='Admin'", 2, "Company", "张伟"},
    {"caption list", "select * from T_Fieldshow where tablename='custom'", 21, "Name", "个人编号"},
    {"quick search field", "select * from T_FieldShow where tablename='Custom' and Name='个人名称'", 1, "Field", "Company"},
    {"quick search", "Select * from custom where Company like '%伟%'", 1, "CustCode", "1"},
    {"quick search with empty text", "Select * from custom where fax like '%%'", 36, nullptr, nullptr},
    {"category list", "Select * from custom where category like '01%'", 11, "Company", "张伟"},
    {"category list of an operator", "Select * from custom where category like '03%' and F_User='李明'", 8, "Company", "刘洋"},
    {"next number", "select max(CustCode) as T_Code from Custom", 1, "T_Code", "36"},
    {"category name", "Select * from Cust_Category where Code='0101'", 1, "name", "家人"},
    {"number taken", "select * from Custom where CustCode=3", 1, "Company", "李娜"},
    {"name taken", "select * from Custom where Company='王芳'", 1, "CustCode", "2"},
    {"bills of a person", "select * from T_Bill where CustCode=4", 2, "BillCode", "XS20240520-01"},
    {"combined search", "select * from [custom] where (category like'02%')AND(company like'%李%')  ORDER BY CustID", 1, "Company", "李娜"},
    {"combined search zodiac keeps its blank", "select * from [custom] where (custtype ='处女座  ')  ORDER BY CustID", 1, "Company", "陈静"},
    {"category tree", "select * from Cust_Category order by code", 19, "code", "01"},
    {"top level codes", "select * from Cust_Category where len(code)=2 order by code", 5, "name", "亲友"},
    {"descendants", "select * from Cust_Category where code like '01%' order by code", 5, nullptr, nullptr},
    {"children", "select * from Cust_Category where len(code)=4 and code like '02%' order by code", 2, "code", "0201"},
    {"siblings", "select * from Cust_Category where len(code)=4 and code like'03%' order by code", 2, "code", "0301"},
    {"shown columns", "select * from T_FieldShow where show=1 and TableName='Custom' order by ShowID", 17, "Field", "CustCode"},
    {"hidden columns", "select * from T_FieldShow where show=0 and TableName='Custom'", 4, "Field", "fax"},
    {"import mapping", "Select * from T_import order by importid", 27, "S_Field", "Company"},
    {"mapped person columns", "select * from T_Import where F_Field<>' ' and tablename='custom'", 0, nullptr, nullptr},
    {"contacts", "Select * from Contact order by ContactID", 3, "ContactName", "张小雨"},
    {"own contacts", "Select * from Contact where F_User='李明'", 2, "ContactName", "周敏"},
    {"activities of a person", "select * from T_Schedule where CustCode='4'", 1, "Subject", "洽谈订单"},
};

TEST_F(SchemaTest, SelectStatementsReturnTheExpectedRows) {
    Session session(folder_->File("Custom.mdb"));
    for (const StatementCase& c : kSelects) {
        SCOPED_TRACE(c.name);
        OpenQuery(session.query, c.sql);
        EXPECT_EQ(session.query->RecordCount(), c.rows);
        if (c.field && c.rows > 0) {
            EXPECT_EQ(session.query->FieldByName(c.field)->AsString(), c.value);
        }
    }
}

TEST_F(SchemaTest, LoginListReadsTheUserNameAsSecondColumn) {
    Session session(folder_->File("Custom.mdb"));
    OpenQuery(session.query, "select * from admin where IsUser=True");
    std::vector<String> names;
    for (session.query->First(); !session.query->Eof(); session.query->Next())
        names.push_back((*session.query->Fields())[1]->AsString());
    EXPECT_EQ(names, (std::vector<String>{"Admin", "李明"}));
}

TEST_F(SchemaTest, SeedGivesTheRightsEachOperatorNeeds) {
    Session session(folder_->File("Custom.mdb"));
    struct Right {
        const char* user;
        int index;
        bool value;
    };
    const Right rights[] = {{"Admin", 4, true}, {"Admin", 8, true}, {"Admin", 35, true}, {"李明", 4, true},
                            {"李明", 8, false}, {"李明", 35, false}, {"李明", 36, true}, {"维护员", 35, true}};
    for (const Right& r : rights) {
        SCOPED_TRACE(String(r.user) + " right " + std::to_string(r.index));
        OpenQuery(session.query, String("select * from T_UserAuthority where UserName='") + r.user + "'");
        ASSERT_GE(session.query->RecordCount(), 35);
        session.query->SetRecNo(r.index);
        EXPECT_EQ(session.query->FieldByName("Authority")->AsBoolean(), r.value);
    }
    OpenQuery(session.query, "select * from admin where username='李明'");
    EXPECT_EQ(session.query->FieldByName("permit")->AsInteger(), 1);
}

TEST_F(SchemaTest, PersonCaptionsAreUniqueAndNameEveryColumn) {
    Session session(folder_->File("Custom.mdb"));
    OpenQuery(session.query, "select * from custom");
    std::set<String> columns;
    for (int i = 0; i < session.query->FieldCount(); ++i) columns.insert(UpperCase((*session.query->Fields())[i]->FieldName()));
    OpenQuery(session.query, "select * from T_FieldShow where tablename='custom'");
    std::set<String> captions, fields;
    for (session.query->First(); !session.query->Eof(); session.query->Next()) {
        captions.insert(session.query->FieldByName("Name")->AsString());
        fields.insert(UpperCase(session.query->FieldByName("Field")->AsString()));
    }
    EXPECT_EQ(captions.size(), std::size_t(session.query->RecordCount()));
    EXPECT_EQ(fields, columns);
}

TEST_F(SchemaTest, DeclaredTypesGiveTheExpectedFieldClasses) {
    Session session(folder_->File("Custom.mdb"));
    struct TypeCase {
        const char* sql;
        const char* field;
        TFieldType type;
        int size;
    };
    const TypeCase cases[] = {
        {"select * from custom", "CustID", ftAutoInc, 0},
        {"select * from custom", "CustCode", ftInteger, 0},
        {"select * from custom", "Company", ftWideString, 50},
        {"select * from custom", "introduce", ftMemo, 0},
        {"select * from admin", "IsUser", ftBoolean, 0},
        {"select * from T_BillDetail", "BillDetailID", ftAutoInc, 0},
        {"select * from T_BillDetail", "Number", ftFloat, 0},
        {"select * from T_BillDetail", "SaleMoney", ftBCD, 4},
        {"select * from T_BillDetail", "GoodsCode", ftWideString, 50},
        {"select * from T_Bill", "Amount", ftCurrency, 0},
        {"select * from T_Bill", "BillDate", ftDateTime, 0},
        {"select * from T_Import", "S_Field", ftWideString, 30},
        {"select max(CustCode) as T_Code from Custom", "T_Code", ftInteger, 0},
    };
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(String(c.sql) + " / " + c.field);
        OpenQuery(session.query, c.sql);
        TField* field = session.query->FieldByName(c.field);
        EXPECT_EQ(field->DataType(), c.type);
        if (c.size) {
            EXPECT_EQ(field->Size(), c.size);
        }
    }
    OpenQuery(session.query, "select * from T_BillDetail");
    EXPECT_TRUE(session.query->FieldByName("BillDetailID")->ReadOnly());
    EXPECT_EQ(session.query->FieldByName("SaleMoney")->AsCurrency(), Currency(540));
    EXPECT_EQ(session.query->FieldByName("Number")->Alignment(), taRightJustify);
    EXPECT_EQ(session.query->FieldByName("GoodsName")->Alignment(), taLeftJustify);
    OpenQuery(session.query, "select * from T_Bill");
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd", session.query->FieldByName("BillDate")->AsDateTime()), "2024-05-20");
}

// A person filed under "01" is listed under 01 only; one under "0102" under 01 and 0102.
TEST_F(SchemaTest, CategoryListsFindPersonsByCodePrefix) {
    Session session(WritableCopy());
    ExecQuery(session.query, "delete from custom");
    ExecQuery(session.query, "insert into custom (CustCode, Company, Category) values (1, 'A', '01'), "
                             "(2, 'B', '0102'), (3, 'C', '02'), (4, 'D', '0201'), (5, 'E', '10')");
    const struct {
        const char* code;
        std::vector<String> names;
    } cases[] = {{"01", {"A", "B"}}, {"0102", {"B"}}, {"02", {"C", "D"}}, {"0201", {"D"}}, {"1", {"E"}}, {"03", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.code);
        OpenQuery(session.query, String("Select * from custom where category like '") + c.code + "%'");
        EXPECT_EQ(ColumnTexts(session.query, "Company"), c.names);
    }
}

struct ExecCase {
    const char* name;
    const char* sql;
    int affected;
};

TEST_F(SchemaTest, UpdateAndDeleteStatementsChangeTheRows) {
    Session session(WritableCopy());
    const ExecCase cases[] = {
        {"save column", "update T_FieldShow set showid=0,width=70 where tablename='Custom' and field='CustCode'", 1},
        {"hide column", "update T_FieldShow set show=0 where name='个人简介' and TableName='Custom'", 1},
        {"scratch emptied", "delete from T_Temp", 0},
        {"contacts of a person", "delete from Contact where CustCode=4", 2},
        {"activities of a person (text key)", "delete from T_Schedule where CustCode='4'", 1},
        {"bill lines", "delete from T_BillDetail where BillCode='XS20240520-01'", 2},
        {"category", "delete from Cust_Category where code='0302'", 1},
    };
    for (const ExecCase& c : cases) {
        SCOPED_TRACE(c.name);
        ExecQuery(session.query, c.sql);
        EXPECT_EQ(session.query->RowsAffected(), c.affected);
    }
    OpenQuery(session.query, "select * from T_FieldShow where show=1 and TableName='custom' order by ShowID");
    EXPECT_EQ(session.query->RecordCount(), 16);
}

}  // namespace
