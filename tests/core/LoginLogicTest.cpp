// The program's start-up and login decisions: every message of the login check in its order, the
// operator name's 20-byte cut, the statements, the rights loading rules against the shipped
// database, the caption and the start folders.
#include "AppLogic.h"
#include "DbTestSupport.h"
#include "Encoding.h"
#include "Streams.h"
#include "U_loginTexts.h"

using namespace dbtest;

namespace {

using O = TLoginOutcome;

TEST(LoginCheckTest, DecidesEveryCaseInTheCheckOrder) {
    const String emptyStored = String("Admin") + "密码为空，您可以直接点击确定按钮登录！";
    const struct {
        const char* name;
        TLoginAttempt attempt;
        O outcome;
        String message;
        bool clear;
        bool focus;
    } cases[] = {
        {"no name chosen", {"", "", true, "", 0}, O::NoUserChosen, "请选择一个用户名！", false, false},
        {"a name of blanks", {"   ", "pw", true, "pw", 0}, O::NoUserChosen, "请选择一个用户名！", false, false},
        {"no row for the name", {"Ghost", "", false, "", 0}, O::WrongPassword, "密码错误，请重新输入密码！", true, false},
        {"no row, password typed", {"Ghost", "x", false, "", 0}, O::WrongPassword, "密码错误，请重新输入密码！", true,
         false},
        {"wrong password", {"李明", "123", true, "1234", 1}, O::WrongPassword, "密码错误，请重新输入密码！", true, false},
        {"case counts", {"李明", "ABC", true, "abc", 1}, O::WrongPassword, "密码错误，请重新输入密码！", true, false},
        {"typed where none is stored", {"Admin", "x", true, "", 0}, O::StoredPasswordEmpty, emptyStored, true, false},
        {"stored blanks count as none", {"Admin", "x", true, "   ", 0}, O::StoredPasswordEmpty, emptyStored, true,
         false},
        {"none typed", {"李明", "", true, "1234", 1}, O::PasswordMissing, "请输入密码！", false, true},
        {"none typed, blanks stored", {"李明", "", true, "  ", 1}, O::PasswordMissing, "请输入密码！", false, true},
        {"empty matches empty", {"Admin", "", true, "", 0}, O::LoggedIn, "", false, false},
        {"blanks match blanks", {"Admin", "  ", true, "  ", 0}, O::LoggedIn, "", false, false},
        {"right password", {"李明", "1234", true, "1234", 1}, O::LoggedIn, "", false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TLoginDecision d = CheckLogin(c.attempt);
        EXPECT_EQ(d.Outcome, c.outcome);
        EXPECT_EQ(d.Message, c.message);
        EXPECT_EQ(d.ClearPassword, c.clear);
        EXPECT_EQ(d.FocusPassword, c.focus);
        if (c.outcome == O::LoggedIn) {
            EXPECT_EQ(d.OperatorName, Trim(c.attempt.ListText));
            EXPECT_EQ(d.Permit, c.attempt.Permit);
        } else {
            EXPECT_EQ(d.OperatorName, "");
        }
    }
}

TEST(LoginCheckTest, MessageNamesTheListTextAsItIsAndTheOperatorIsTrimmed) {
    const TLoginDecision refused = CheckLogin({" Admin ", "x", true, "", 0});
    EXPECT_EQ(refused.Message, String(" Admin ") + LoginTexts::StoredPasswordEmpty);
    const TLoginDecision accepted = CheckLogin({" Admin ", "", true, "", 7});
    EXPECT_EQ(accepted.OperatorName, "Admin");
    EXPECT_EQ(accepted.Permit, 7);
}

TEST(LoginCheckTest, OperatorNameIsCutToTwentyGbkBytesWithoutSplittingACharacter) {
    const struct {
        const char* name;
        String listText;
        String expected;
    } cases[] = {
        {"short", "Admin", "Admin"},
        {"25 ASCII bytes", "ABCDEFGHIJKLMNOPQRSTUVWXY", "ABCDEFGHIJKLMNOPQRST"},
        {"exactly 20 bytes", "维斯特尔维斯特尔维斯", "维斯特尔维斯特尔维斯"},
        {"22 bytes of Chinese", "维斯特尔维斯特尔维斯特", "维斯特尔维斯特尔维斯"},
        {"a character across byte 20", "a维斯特尔维斯特尔维斯", "a维斯特尔维斯特尔维"},
        {"trimmed before the cut", "   ABCDEFGHIJKLMNOPQRSTUVWXY  ", "ABCDEFGHIJKLMNOPQRST"},
        {"empty", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const String name = OperatorNameOf(c.listText);
        EXPECT_EQ(name, c.expected);
        EXPECT_LE(GbkByteLength(name), kOperatorNameBytes);
        EXPECT_EQ(Utf8ToUtf16(name).find(u'\uFFFD'), WideString::npos);
    }
}

TEST(LoginStatementsTest, KeepTheirTextAndQuoteTheName) {
    EXPECT_EQ(String(kLoginListSql), "select * from admin where IsUser=True");
    EXPECT_EQ(LoginUserSql("Admin"), "select * from admin where username='Admin'");
    EXPECT_EQ(LoginUserSql("O'Neil"), "select * from admin where username='O''Neil'");
    EXPECT_EQ(RightsSql("李明"), "select * from T_UserAuthority where UserName='李明'");
    EXPECT_EQ(RightsSql("x' or '1'='1"), "select * from T_UserAuthority where UserName='x'' or ''1''=''1'");
}

TEST(RightsTest, IndexesOutsideOneToHundred) {
    TRights rights;
    rights.Set(1, true);
    rights.Set(100, true);
    EXPECT_TRUE(rights[1]);
    EXPECT_TRUE(rights[100]);
    EXPECT_FALSE(rights[0]);
    EXPECT_FALSE(rights[101]);
    EXPECT_FALSE(rights[-1]);
    EXPECT_THROW(rights.Set(0, true), ERangeError);
    EXPECT_THROW(rights.Set(101, true), ERangeError);
}

// The shipped database with extra operators whose rights rows are given per test.
class LoginDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("Custom.mdb");
        BuildShippedDatabase(path_);
        session_ = std::make_unique<Session>(path_);
    }
    // Adds rights rows for `name`, in order.
    void AddRights(const String& name, const std::vector<bool>& values) {
        session_->connection->BeginTrans();
        for (bool value : values)
            session_->connection->Execute("insert into T_UserAuthority (UserName, Authority) values (" +
                                          QuotedSql(name) + ", " + (value ? "1" : "0") + ")");
        session_->connection->CommitTrans();
    }
    TRights Load(const String& name, TRights rights = TRights()) {
        OpenQuery(session_->query, RightsSql(name));
        LoadRightsFrom(session_->query, rights);
        return rights;
    }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
};

TEST_F(LoginDatabaseTest, ListOffersOnlyOperatorsMarkedAsUsersInTableOrder) {
    OpenQuery(session_->query, kLoginListSql);
    std::vector<String> names;
    for (session_->query->First(); !session_->query->Eof(); session_->query->Next())
        names.push_back(session_->query->Fields()->Fields(1)->AsString());
    EXPECT_EQ(names, (std::vector<String>{"Admin", "李明"}));
}

TEST_F(LoginDatabaseTest, OperatorRowGivesPasswordAndPermit) {
    OpenQuery(session_->query, LoginUserSql("李明"));
    ASSERT_FALSE(session_->query->IsEmpty());
    EXPECT_EQ(session_->query->FieldByName("password")->AsString(), "1234");
    EXPECT_EQ(session_->query->FieldByName("permit")->AsInteger(), 1);
    OpenQuery(session_->query, LoginUserSql("Admin' --"));
    EXPECT_TRUE(session_->query->IsEmpty());
}

TEST_F(LoginDatabaseTest, RightsFollowRowOrder) {
    const TRights admin = Load("Admin");
    const TRights limited = Load("李明");
    for (int i = 1; i <= 40; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(admin[i]);
        EXPECT_EQ(limited[i], i != 8 && i != 35);
    }
    EXPECT_FALSE(admin[41]);
}

TEST_F(LoginDatabaseTest, RightsAreClearedBeforeLoadingSoFewRowsLeaveTheRestFalse) {
    AddRights("Three", {true, false, true});
    const TRights rights = Load("Three", Load("Admin"));  // Admin's rights were loaded before
    EXPECT_TRUE(rights[1]);
    EXPECT_FALSE(rights[2]);
    EXPECT_TRUE(rights[3]);
    EXPECT_FALSE(rights[4]);  // the quick search stays disabled
    EXPECT_FALSE(rights[35]);
}

TEST_F(LoginDatabaseTest, RowsPastTheHundredthAreIgnored) {
    std::vector<bool> values(105, false);
    values[99] = true;   // right 100
    values[100] = true;  // row 101
    AddRights("Many", values);
    const TRights rights = Load("Many");
    EXPECT_TRUE(rights[100]);
    EXPECT_FALSE(rights[99]);
    EXPECT_EQ(session_->query->RecordCount(), 105);
}

TEST_F(LoginDatabaseTest, RightsAreLookedUpForTheShortenedName) {
    const String longName = "ABCDEFGHIJKLMNOPQRSTUVWXY";  // 25 bytes
    AddRights("ABCDEFGHIJKLMNOPQRST", {false, false, false, true});
    AddRights(longName, {true, true, true, false});
    const TRights rights = Load(OperatorNameOf(longName));
    EXPECT_FALSE(rights[1]);
    EXPECT_TRUE(rights[4]);
}

TEST_F(LoginDatabaseTest, CaptionJoinsSoftNameAndVersionWithNothingBetween) {
    OpenQuery(session_->query, kSoftInfoSql);
    const TSoftInfo shipped = ReadSoftInfo(session_->query);
    EXPECT_EQ(shipped.SoftName, "Vestrel个人名片管理");
    EXPECT_EQ(shipped.Caption(), "Vestrel个人名片管理 V1.0");
    session_->connection->Execute("update T_SoftInfo set SoftName='名片', Version='2.5'");
    OpenQuery(session_->query, kSoftInfoSql);
    EXPECT_EQ(ReadSoftInfo(session_->query).Caption(), "名片2.5");
    session_->connection->Execute("delete from T_SoftInfo");
    OpenQuery(session_->query, kSoftInfoSql);
    EXPECT_EQ(ReadSoftInfo(session_->query).Caption(), "");
}

TEST_F(LoginDatabaseTest, ReportVariablesAnswerTheirNameOnlyWhileSwitchedOn) {
    session_->connection->Execute("update custom set MainContact='' where CustCode=2");
    OpenQuery(session_->query, "select CustCode, MainContact, Company as contactname from custom order by CustCode");
    ASSERT_GE(session_->query->RecordCount(), 2);
    const String company = session_->query->FieldByName("contactname")->AsString();
    const String age = session_->query->FieldByName("MainContact")->AsString();
    ASSERT_FALSE(age.empty());
    const struct {
        const char* name;
        const char* asked;
        const char* answered;
        bool active;
        int mode;
        int row;
        bool answers;
        String value;
    } cases[] = {
        {"switched off", "contactname", "contactname", false, 0, 1, false, ""},
        {"another name", "address", "contactname", true, 0, 1, false, ""},
        {"the column", "ContactName", "contactname", true, 0, 1, true, company},
        {"the second name", "CONTACT_NAME", "contact_name", true, 0, 1, true, company},
        {"MainContact in mode 1", "contactname", "contactname", true, 1, 1, true, age},
        {"empty text gives the window's", "contactname", "contactname", true, 1, 2, true, "备用"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        session_->query->SetRecNo(c.row);
        const TReportVariableSource source{c.active, c.mode, session_->query, "备用"};
        Variant value("untouched");
        EXPECT_EQ(AnswerReportVariable(c.asked, c.answered, source, value), c.answers);
        EXPECT_EQ(value.AsString(), c.answers ? c.value : String("untouched"));
    }
}

TEST(StartFoldersTest, MakesAMissingFolderAndNamesOneThatCannotBeMade) {
    TempFolder folder;
    const String exportFolder = folder.File("Export");
    EnsureFolder(exportFolder);
    EXPECT_TRUE(DirectoryExists(exportFolder));
    EnsureFolder(exportFolder);  // already there
    const String file = folder.File("plain-file");
    {
        std::ofstream out(file);
        out << "x";
    }
    const String impossible = file + "/Export";
    try {
        EnsureFolder(impossible);
        FAIL() << "no error for " << impossible;
    } catch (const EInOutError& e) {
        EXPECT_NE(String(e.what()).find(impossible), String::npos) << e.what();
    }
}

}  // namespace
