// TADOConnection and the data module's logic: the connection texts, every kind of failed
// connect, transactions rolled back by an injected failure, and the dialect rewriting.
#include "DbTestSupport.h"

#include "Lists.h"
#include "TypeRegistry.h"

using namespace dbtest;

namespace {

TEST(DataModuleTest, ConnectionStringsHaveBothForms) {
    EXPECT_EQ(BuildConnectionString("C:\\Vestrel\\", ""),
              "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=C:\\Vestrel\\DataBase\\Custom.mdb;"
              "Persist Security Info=False;Jet OLEDB:Database Password=3916482QXM");
    EXPECT_EQ(BuildConnectionString("C:\\Vestrel\\", "D:\\data\\other.mdb"),
              "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin;Data Source=D:\\data\\other.mdb;"
              "Persist Security Info=False;Jet OLEDB:Database Password=3916482QXM");
    EXPECT_EQ(ConnectionStringValue(BuildConnectionString("C:\\p\\", ""), "data source"), "C:\\p\\DataBase\\Custom.mdb");
    EXPECT_EQ(ConnectionStringValue(BuildConnectionString("C:\\p\\", ""), "Jet OLEDB:Database Password"), "3916482QXM");
}

TEST(DataModuleTest, QuotingDoublesQuotesOnly) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {{"", "''"}, {"plain", "'plain'"}, {"O'Brien", "'O''Brien'"}, {"''", "''''''"},
                 {"100%_\\", "'100%_\\'"}, {"张'三", "'张''三'"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in);
        EXPECT_EQ(QuotedSql(c.in), c.out);
    }
}

TEST(DataModuleTest, ParsesQuotedConnectionStringValues) {
    const auto parts = ParseConnectionString(" Provider = X ; Data Source=\"C:\\a;b.mdb\";Password='it''s'");
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].key, "Provider");
    EXPECT_EQ(parts[0].value, "X");
    EXPECT_EQ(parts[1].value, "C:\\a;b.mdb");
    EXPECT_EQ(parts[2].value, "it's");
    EXPECT_THROW(ParseConnectionString("just text"), EADOError);
}

class ADOConnectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("Custom.mdb");
        BuildShippedDatabase(path_);
        connection_ = New<TADOConnection>(nullptr);
    }
    void TearDown() override { connection_->Free(); }
    // The message of the failed connect, or "" when it connected.
    String ConnectFailure(const String& text) {
        connection_->Close();
        connection_->SetConnectionString(text);
        try {
            connection_->Open();
        } catch (const EDatabaseError& e) {
            EXPECT_FALSE(connection_->Connected());
            return e.what();
        }
        return String();
    }
    void WriteFile(const String& path, const std::string& bytes) {
        std::ofstream out(std::filesystem::path(std::u8string(path.begin(), path.end())), std::ios::binary);
        out << bytes;
    }

    TempFolder folder_;
    String path_;
    TADOConnection* connection_ = nullptr;
};

TEST_F(ADOConnectionTest, ConnectsWithTheDataModuleText) {
    const String folder = folder_.Path().string() + "/";
    std::filesystem::create_directory(folder_.Path() / "DataBase");
    std::filesystem::copy_file(path_, folder_.Path() / "DataBase" / "Custom.mdb");
    connection_->SetConnectionString(BuildConnectionString(folder, ""));  // "...DataBase\Custom.mdb"
    connection_->Open();
    EXPECT_TRUE(connection_->Connected());
    EXPECT_THROW(connection_->SetConnectionString("x=y"), EADOError);
    connection_->Close();
    connection_->SetConnectionString(BuildConnectionString(folder, path_));
    connection_->Open();
    EXPECT_TRUE(connection_->Connected());
}

// Every failure names the file and what is wrong with it; no file is created.
TEST_F(ADOConnectionTest, RefusesEveryBadDatabase) {
    const String access = folder_.File("access.mdb");
    WriteFile(access, std::string("\x00\x01\x00\x00Standard Jet DB\x00", 20) + std::string(2000, '\0'));
    const String text = folder_.File("text.mdb");
    WriteFile(text, "this is not a database\r\n");
    const String empty = folder_.File("empty.mdb");
    WriteFile(empty, "");
    const String plain = folder_.File("plain.mdb");
    BuildDatabase(plain, {{"t", "CREATE TABLE t(a);"}}, "other");
    const String missing = folder_.File("missing.mdb");
    const String noFolder = folder_.File("nofolder/Custom.mdb");
    const struct {
        const char* name;
        String connection;
        const char* message;  // part of the message
    } cases[] = {
        {"missing file", ConnectionStringFor(missing), "the file does not exist"},
        {"missing folder", ConnectionStringFor(noFolder), "the folder does not exist"},
        {"Access file", ConnectionStringFor(access), "Access database file"},
        {"text file", ConnectionStringFor(text), "not a database file of this program"},
        {"empty file", ConnectionStringFor(empty), "the file is empty"},
        {"folder", ConnectionStringFor(folder_.Path().string()), "it is a folder"},
        {"wrong password", ConnectionStringFor(path_, "627RW318"), "password is not valid"},
        {"no password", ConnectionStringFor(path_, ""), "password is not valid"},
        {"another database's password", ConnectionStringFor(plain), "password is not valid"},
        {"other provider", "Provider=SQLOLEDB;Data Source=" + path_, "SQLOLEDB"},
        {"no data source", "Provider=Microsoft.Jet.OLEDB.4.0;User ID=admin", "no database file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const String message = ConnectFailure(c.connection);
        EXPECT_NE(message.find(c.message), String::npos) << message;
    }
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_FALSE(std::filesystem::exists(folder_.Path() / "nofolder"));
    EXPECT_EQ(ConnectFailure(ConnectionStringFor(path_)), "");
}

TEST_F(ADOConnectionTest, QueryWithItsOwnConnectionString) {
    TADOQuery* query = New<TADOQuery>(nullptr);
    query->SetConnectionString(ConnectionStringFor(path_));
    OpenQuery(query, "select * from Cust_Category order by code");
    EXPECT_EQ(query->RecordCount(), 19);
    query->Append();
    query->FieldByName("code")->SetAsString("06");
    query->FieldByName("name")->SetAsString("新分类");
    query->Post();
    connection_->SetConnectionString(ConnectionStringFor(path_));
    TADOQuery* check = New<TADOQuery>(nullptr);
    check->SetConnection(connection_);
    OpenQuery(check, "select * from Cust_Category where code='06'");
    EXPECT_EQ(check->FieldByName("name")->AsString(), "新分类");
    check->Free();
    query->Free();
    TADOQuery* none = New<TADOQuery>(nullptr);
    none->SQL()->Add("select * from info");
    EXPECT_THROW(none->Open(), EDatabaseError);
    none->Free();
}

// A person's delete in one transaction: an injected failure rolls every statement back.
TEST_F(ADOConnectionTest, TransactionRolledBackByATriggerLeavesNothingChanged) {
    Session session(path_);
    ExecQuery(session.query, "CREATE TRIGGER refuse_lines BEFORE DELETE ON T_BillDetail "
                             "WHEN old.GoodsCode='G0002' BEGIN SELECT RAISE(ABORT, 'line is locked'); END");
    TADOQuery* persons = session.NewQuery();
    OpenQuery(persons, "select * from custom where CustCode=4");
    auto counts = [&] {
        TADOQuery* c = session.NewQuery();
        OpenQuery(c, "select (select count(*) from contact where CustCode=4) || '/' || "
                     "(select count(*) from T_Schedule where CustCode='4') || '/' || "
                     "(select count(*) from T_Bill where CustCode=4) || '/' || "
                     "(select count(*) from T_BillDetail) || '/' || (select count(*) from custom) as n");
        return c->FieldByName("n")->AsString();
    };
    const String before = counts();
    EXPECT_EQ(before, "2/1/2/3/36");
    session.connection->BeginTrans();
    bool failed = false;
    try {
        ExecQuery(session.query, "delete from Contact where CustCode=4");
        ExecQuery(session.query, "delete from T_Schedule where CustCode='4'");
        ExecQuery(session.query, "delete from T_Bill where CustCode=4");
        ExecQuery(session.query, "delete from T_BillDetail where BillCode='XS20240615-01'");
        ExecQuery(session.query, "delete from T_BillDetail where BillCode='XS20240520-01'");
        persons->Delete();
        session.connection->CommitTrans();
    } catch (const EADOError& e) {
        failed = true;
        EXPECT_NE(String(e.what()).find("line is locked"), String::npos);
        session.connection->RollbackTrans();
    }
    EXPECT_TRUE(failed);
    EXPECT_FALSE(session.connection->InTransaction());
    EXPECT_EQ(counts(), before);

    // Without the failure the same steps commit together.
    ExecQuery(session.query, "drop trigger refuse_lines");
    session.connection->BeginTrans();
    ExecQuery(session.query, "delete from Contact where CustCode=4");
    ExecQuery(session.query, "delete from T_BillDetail where BillCode='XS20240520-01'");
    OpenQuery(persons, "select * from custom where CustCode=4");
    persons->Delete();
    session.connection->CommitTrans();
    EXPECT_EQ(counts(), "0/1/2/1/35");
}

TEST_F(ADOConnectionTest, StatementThatRollsBackTheTransactionItselfIsReported) {
    Session session(path_);
    ExecQuery(session.query, "CREATE TRIGGER abort_all BEFORE DELETE ON contact "
                             "BEGIN SELECT RAISE(ROLLBACK, 'everything undone'); END");
    session.connection->BeginTrans();
    ExecQuery(session.query, "delete from T_Schedule");
    EXPECT_THROW(ExecQuery(session.query, "delete from contact"), EADOError);
    EXPECT_THROW(session.connection->CommitTrans(), EADOError);  // nothing was committed
    EXPECT_FALSE(session.connection->InTransaction());
    OpenQuery(session.query, "select * from T_Schedule");
    EXPECT_EQ(session.query->RecordCount(), 2);
    session.connection->BeginTrans();
    EXPECT_THROW(ExecQuery(session.query, "delete from contact"), EADOError);
    session.connection->RollbackTrans();  // already rolled back by SQLite: no error
    EXPECT_THROW(session.connection->RollbackTrans(), EADOError);
}

TEST_F(ADOConnectionTest, NestedTransactionsUseSavePoints) {
    Session session(path_);
    EXPECT_EQ(session.connection->BeginTrans(), 1);
    ExecQuery(session.query, "delete from contact where ContactID=1");
    EXPECT_EQ(session.connection->BeginTrans(), 2);
    ExecQuery(session.query, "delete from contact");
    session.connection->RollbackTrans();
    session.connection->CommitTrans();
    OpenQuery(session.query, "select * from contact");
    EXPECT_EQ(session.query->RecordCount(), 2);
}

TEST_F(ADOConnectionTest, ClosingTheConnectionClosesItsQueries) {
    Session session(path_);
    OpenQuery(session.query, "select * from custom");
    session.connection->Close();
    EXPECT_FALSE(session.query->Active());
    session.query->Open();  // reconnects
    EXPECT_TRUE(session.connection->Connected());
    EXPECT_EQ(session.query->RecordCount(), 36);
}

TEST_F(ADOConnectionTest, OpenRefusesAStatementWithoutRowsAndRunsNothing) {
    Session session(path_);
    session.query->SQL()->Add("delete from custom");
    EXPECT_THROW(session.query->Open(), EDatabaseError);
    OpenQuery(session.query, "select * from custom");
    EXPECT_EQ(session.query->RecordCount(), 36);
    EXPECT_THROW(OpenQuery(session.query, "select * from custom; delete from custom"), EADOError);
    EXPECT_THROW(OpenQuery(session.query, "select * from nosuchtable"), EADOError);
    OpenQuery(session.query, "select * from custom");
    EXPECT_EQ(session.query->RecordCount(), 36);
}

TEST(ADODialectTest, RewritesTopAndFindsTheUpdatableTable) {
    const struct {
        const char* sql;
        const char* text;
        const char* table;
    } cases[] = {
        {"Select top 100 * from Custom", "Select * from Custom LIMIT 100", "Custom"},
        {"Select top 100 * from Custom where F_User='a'",
         "Select * from Custom where F_User='a' COLLATE LOCALE_NOCASE LIMIT 100", "Custom"},
        // Compared literals get the connection's collation; other literals and explicit ones stay.
        {"select * from t where a<>' ' and b = 'x' collate nocase and 'y'>=c and d like 'z%' and e in ('q')",
         "select * from t where a<>' ' COLLATE LOCALE_NOCASE and b = 'x' collate nocase and 'y' COLLATE "
         "LOCALE_NOCASE>=c and d like 'z%' and e in ('q')",
         "t"},
        {"update t set a='it''s' where b!='--'", "update t set a='it''s' COLLATE LOCALE_NOCASE where b!='--' COLLATE LOCALE_NOCASE", ""},
        {"select TOP 5 * from [custom] order by CustID;", "select * from [custom] order by CustID LIMIT 5;", "custom"},
        {"select * from [custom] where (a like'top 1%')AND(b=1)  ORDER BY CustID",
         "select * from [custom] where (a like'top 1%')AND(b=1)  ORDER BY CustID", "custom"},
        {"select max(CustCode) as T_Code from Custom", "select max(CustCode) as T_Code from Custom", ""},
        {"select * from a, b", "select * from a, b", ""},
        {"select * from a join b on a.x=b.x", "select * from a join b on a.x=b.x", ""},
        {"select distinct * from a", "select distinct * from a", ""},
        {"delete from T_Temp", "delete from T_Temp", ""},
        {"Select * From Contact where CustCode=:CustCode", "Select * From Contact where CustCode=:CustCode", "Contact"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sql);
        const sqldialect::StatementShape shape = sqldialect::AnalyseStatement(c.sql);
        EXPECT_EQ(shape.text, c.text);
        EXPECT_EQ(shape.singleTable, c.table);
    }
    EXPECT_EQ(sqldialect::AnalyseStatement("select * from t where a=:A and b=':x' and c=:a or d=:B").parameters,
              (std::vector<std::string>{"A", "B"}));
}

TEST(ADODialectTest, TextComparisonIgnoresCaseAndTrailingBlanks) {
    const struct {
        const char* a;
        const char* b;
        int sign;
    } cases[] = {{"custom", "Custom", 0}, {"abc", "ABC  ", 0}, {"", "   ", 0}, {"a b", "a  b", 1},
                 {" a", "a", -1},        {"abc", "abd", -1},  {"ab", "abc", -1}, {"张三 ", "张三", 0},
                 {"Z", "a", 1},          {"_", "a", -1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(String(c.a) + " / " + c.b);
        const int r = sqldialect::CompareTextNoCaseRTrim(c.a, int(strlen(c.a)), c.b, int(strlen(c.b)));
        EXPECT_EQ((r > 0) - (r < 0), c.sign);
        const int s = sqldialect::CompareTextNoCaseRTrim(c.b, int(strlen(c.b)), c.a, int(strlen(c.a)));
        EXPECT_EQ((s > 0) - (s < 0), -c.sign);
    }
}

TEST_F(ADOConnectionTest, FileOfAnEarlierBuildStillOpensAndCompares) {
    // Earlier builds declared a collation of the program's own on text columns.
    const String earlier = folder_.File("earlier.mdb");
    BuildDatabase(earlier, {{"earlier.sql", "CREATE TABLE p (name TEXT(20) COLLATE NOCASE_RTRIM UNIQUE);"
                                            "INSERT INTO p VALUES ('Ann  '), ('bob');"}});
    Session session(earlier);
    OpenQuery(session.query, "select * from p where name='ANN'");
    EXPECT_EQ(session.query->RecordCount(), 1);
    EXPECT_THROW(ExecQuery(session.query, "insert into p values ('BOB ')"), EADOError);
    OpenQuery(session.query, "pragma integrity_check");
    EXPECT_EQ((*session.query->Fields())[0]->AsString(), "ok");
}

TEST_F(ADOConnectionTest, LenCountsCharacters) {
    Session session(path_);
    OpenQuery(session.query, "select len('张三ab') as a, len('') as b, len(null) as c, len(12345) as d");
    EXPECT_EQ(session.query->FieldByName("a")->AsInteger(), 4);
    EXPECT_EQ(session.query->FieldByName("b")->AsInteger(), 0);
    EXPECT_TRUE(session.query->FieldByName("c")->IsNull());
    EXPECT_EQ(session.query->FieldByName("d")->AsInteger(), 5);
}

}  // namespace

namespace {

// Form descriptions set the components' properties by name.
TEST_F(ADOConnectionTest, ComponentsAreCreatedAndConfiguredByName) {
    RegisterDataClasses();
    TComponent* owner = New<TComponent>(nullptr);
    auto* connection = dynamic_cast<TADOConnection*>(CreateComponent("TADOConnection", owner));
    ASSERT_NE(connection, nullptr);
    SetStrProp(connection, "ConnectionString", ConnectionStringFor(path_));
    SetEnumProp(connection, "Mode", "cmShareDenyNone");
    SetOrdProp(connection, "ConnectionTimeout", 5);
    EXPECT_EQ(connection->Mode(), cmShareDenyNone);
    auto* query = dynamic_cast<TADOQuery*>(CreateComponent("TADOQuery", owner));
    SetObjectProp(query, "Connection", connection);
    SetEnumProp(query, "CursorType", "ctStatic");
    SetPropValue(query, "SQL", TPropValue(std::vector<String>{"select *", "from info"}));
    auto* id = dynamic_cast<TField*>(CreateComponent("TAutoIncField", owner));
    SetStrProp(id, "FieldName", "id");
    SetOrdProp(id, "ReadOnly", 1);
    id->SetParentComponent(query);
    auto* name = dynamic_cast<TField*>(CreateComponent("TWideStringField", owner));
    SetStrProp(name, "FieldName", "name");
    SetOrdProp(name, "Size", 50);
    name->SetParentComponent(query);
    auto* source = dynamic_cast<TDataSource*>(CreateComponent("TDataSource", owner));
    SetObjectProp(source, "DataSet", query);
    SetOrdProp(query, "Active", 1);
    EXPECT_EQ(query->FieldCount(), 2);
    EXPECT_EQ(name->AsString(), "王海燕");
    EXPECT_EQ(source->State(), dsBrowse);
    owner->Free();  // frees fields, source, query and connection in reverse order
}

}  // namespace
