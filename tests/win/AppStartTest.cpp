// The program's start: the data module over a scratch copy of the shipped database (and its failure
// box), the login dialog read from its description with the message box answered by the test
// (every message of the check in order, the operator, permit and rights in the main window,
// Config.ini's remembered operator), and the main window's show handler.
#include "AppTestSupport.h"
#include "U_DataLogic.h"
#include "IniFiles.h"
#include "StdCtrls.h"
#include "Streams.h"
#include "TestControls.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_DataTexts.h"
#include "U_Main.h"
#include "U_login.h"
#include "U_loginTexts.h"
#include "U_splash.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

// A path of the build host as the Windows program sees it (the host's root is drive Z:).
const fs::path& ShippedDatabase() {
    static const fs::path path = HostPath(VESTREL_APP_DATABASE);
    return path;
}

class AppStartTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterSplashClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterCustomClasses();
    }

    AppStartTest() {
        fs::create_directories(folder_.Path() / "IMG");
        const fs::path pictures = ShippedDatabase().parent_path().parent_path() / "IMG";
        for (const char* name : {"Login.jpg", "Splash.bmp"})
            if (fs::exists(pictures / name))
                fs::copy_file(pictures / name, folder_.Path() / "IMG" / name);
    }

    ~AppStartTest() override { FreeProgramForms(); }

    String Folder() const { return folder_.Folder(); }
    String IniName() const { return Folder() + "Config.ini"; }
    TIniFile Ini() const { return TIniFile(IniName()); }

    // Shows the login dialog (not modally), as the start-up does before its loop.
    void ShowLogin() {
        Frm_Login->Show();
        DrainMessages();
    }
    // The person's click on the login button.
    void ClickOk() {
        SendMessageW(Frm_Login->Btn_ok->Handle(), BM_CLICK, 0, 0);
        DrainMessages();
    }
    // Runs `sql` on the scratch database.
    void Execute(const String& sql) {
        TADOConnection* connection = New<TADOConnection>(nullptr);
        connection->SetConnectionString(Frm_Data ? Frm_Data->ConnectionString
                                                 : BuildConnectionString(Folder(), String()));
        connection->Execute(sql);
        connection->Free();
    }

    TScopedApplication app_{IDYES};
    TScratchProgramFolder folder_{"app"};
};

TEST_F(AppStartTest, DataModuleOpensTheDatabaseInTheProgramsFolder) {
    CreateProgramForms();
    ASSERT_TRUE(Frm_Data->Connected);
    EXPECT_TRUE(app_.Boxes.empty());
    EXPECT_EQ(Frm_Data->DbPath, "");
    EXPECT_EQ(Frm_Data->ConnectionString, BuildConnectionString(Folder(), ""));
    EXPECT_EQ(Frm_Data->ADOConnection1->ConnectionString(), Frm_Data->ConnectionString);
    EXPECT_EQ(Frm_Data->IniFile->FileName(), IniName());
    EXPECT_TRUE(Frm_Data->Qry_Custom->Active());
    EXPECT_EQ(Frm_Data->Qry_Custom->FieldByName("Regname")->AsString(), "VESTREL");
    EXPECT_FALSE(Application->Terminated());
    // Queries of the description share the connection; the contacts follow the person list.
    EXPECT_EQ(Frm_Data->Qry_Contact->Connection(), Frm_Data->ADOConnection1);
    EXPECT_EQ(Frm_Data->Qry_Contact->DataSource(), Frm_Data->DS_Cust);
    // The report data set is bound to the contacts and has not moved them.
    EXPECT_EQ(Frm_Data->frDS_Contact->DataSet(), Frm_Data->Qry_Contact);
    EXPECT_EQ(Frm_Data->frDS_Contact->DataSource(), nullptr);
    EXPECT_EQ(Frm_Data->frDS_Contact->RangeBegin(), rbFirst);
    EXPECT_EQ(Frm_Data->frDS_Contact->RangeEnd(), reLast);
}

TEST_F(AppStartTest, FailedConnectionAsksAndYesEmptiesDBConn) {
    std::ofstream(folder_.Path() / "not-ours.mdb") << "this is not a database";
    const struct {
        const char* name;
        String dbConn;
        int answer;
        String afterwards;
    } cases[] = {
        {"missing file, Yes", "C:\\nowhere\\Custom.mdb", IDYES, ""},
        {"missing file, No", "C:\\nowhere\\Custom.mdb", IDNO, "C:\\nowhere\\Custom.mdb"},
        {"not a database, Yes", Folder() + "not-ours.mdb", IDYES, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreeProgramForms();
        Ini().WriteString("Config", "DBConn", c.dbConn);
        TScopedApplication app(c.answer);
        CreateProgramForms();
        EXPECT_FALSE(Frm_Data->Connected);
        EXPECT_EQ(Frm_Data->DbPath, c.dbConn);
        ASSERT_EQ(app.Boxes.size(), 1u);
        EXPECT_EQ(app.Boxes[0].Text, DataTexts::ConnectFailed);
        EXPECT_EQ(app.Boxes[0].Text, "连接数据库失败,您要连接本机数据库吗! ");
        EXPECT_EQ(app.Boxes[0].Caption, "vidaze");
        EXPECT_EQ(app.Boxes[0].Flags, static_cast<UINT>(MB_YESNO | MB_ICONINFORMATION));
        Application->ProcessMessages();  // the loop sees the end the data module asked for
        EXPECT_TRUE(Application->Terminated());
        EXPECT_EQ(Ini().ReadString("Config", "DBConn", "unset"), c.afterwards);
        FreeProgramForms();
    }
}

TEST_F(AppStartTest, LoginShowsTheOperatorsTheRememberedOneAndItsPicture) {
    const struct {
        const char* name;
        const char* ini;  // nullptr: no Config.ini
        int index;
    } cases[] = {
        {"no Config.ini", nullptr, -1},
        {"second operator", "[login]\r\nusername=1\r\n", 1},
        {"outside the list", "[login]\r\nusername=7\r\n", -1},
        {"not a number", "[login]\r\nusername=abc\r\n", -1},
        {"damaged file", "\x01\x02[login\r\n==\r\n", -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FreeProgramForms();
        fs::remove(folder_.Path() / "Config.ini");
        if (c.ini)
            std::ofstream(folder_.Path() / "Config.ini", std::ios::binary) << c.ini;
        CreateProgramForms();
        ShowLogin();
        EXPECT_EQ(Frm_Login->Caption(), LoginTexts::Caption);
        EXPECT_EQ(Frm_Login->ClientWidth(), 336);
        EXPECT_EQ(Frm_Login->ClientHeight(), 201);
        EXPECT_EQ(Frm_Login->Combo_User->Style(), csDropDownList);
        ASSERT_EQ(Frm_Login->Combo_User->Items()->Count(), 2);
        EXPECT_EQ(Frm_Login->Combo_User->Items()->Get(0), "Admin");
        EXPECT_EQ(Frm_Login->Combo_User->Items()->Get(1), "李明");
        EXPECT_EQ(Frm_Login->Combo_User->ItemIndex(), c.index);
        EXPECT_EQ(Frm_Login->Edit_Pass->PasswordChar(), L'*');
        EXPECT_EQ(Frm_Login->Edit_Pass->Text(), "");
        EXPECT_EQ(Frm_Login->ActiveControl(), Frm_Login->Edit_Pass);
        EXPECT_TRUE(Frm_Login->Btn_ok->Default());
        EXPECT_EQ(Frm_Login->Btn_Exit->ModalResult(), mrCancel);
        EXPECT_EQ(Frm_Login->Image1->Picture()->Width(), 336);
        EXPECT_TRUE(app_.Boxes.empty());
    }
}

TEST_F(AppStartTest, MissingOrCorruptLoginPictureIsIgnored) {
    for (const char* content : {static_cast<const char*>(nullptr), "\xFF\xD8\xFF\xE0 truncated"}) {
        SCOPED_TRACE(content ? "corrupt" : "missing");
        FreeProgramForms();
        fs::remove(folder_.Path() / "IMG" / "Login.jpg");
        if (content)
            std::ofstream(folder_.Path() / "IMG" / "Login.jpg", std::ios::binary) << content;
        CreateProgramForms();
        ShowLogin();
        EXPECT_EQ(Frm_Login->Image1->Picture()->Graphic(), nullptr);
        EXPECT_EQ(Frm_Login->Combo_User->Items()->Count(), 2);
        EXPECT_TRUE(app_.Boxes.empty());
    }
}

TEST_F(AppStartTest, EveryMessageOfTheCheckInOrderAndThePositionWrittenAfterEachClick) {
    CreateProgramForms();
    ShowLogin();
    const struct {
        const char* name;
        int index;
        const char* typed;
        String box;  // empty: none
        const char* passwordAfter;
        bool focusOnPassword;
    } steps[] = {
        {"nobody chosen", -1, "", "请选择一个用户名！", "", false},
        {"no password typed", 1, "", "请输入密码！", "", true},
        {"wrong password", 1, "12", "密码错误，请重新输入密码！", "", false},
        {"case counts", 1, "1234 ", "密码错误，请重新输入密码！", "", false},
        {"password for none", 0, "x", "Admin密码为空，您可以直接点击确定按钮登录！", "", false},
        {"logged in", 0, "", "", "", false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        app_.Boxes.clear();
        Frm_Login->Combo_User->SetItemIndex(s.index);
        Frm_Login->Edit_Pass->SetText(s.typed);
        Frm_Login->Btn_ok->SetFocus();  // the person clicks the button
        ClickOk();
        if (s.box.empty()) {
            EXPECT_TRUE(app_.Boxes.empty());
        } else {
            ASSERT_EQ(app_.Boxes.size(), 1u);
            EXPECT_EQ(app_.Boxes[0].Text, s.box);
            EXPECT_EQ(app_.Boxes[0].Caption, "警告");
            EXPECT_EQ(app_.Boxes[0].Flags, static_cast<UINT>(MB_ICONERROR | MB_OK));
            EXPECT_EQ(app_.Boxes[0].Owner, Frm_Login->Handle());
            EXPECT_FALSE(Frm_Login->LoginOk);
            EXPECT_EQ(Frm_Main->OperatorName, "");
        }
        EXPECT_EQ(Frm_Login->Edit_Pass->Text(), s.passwordAfter);
        if (s.focusOnPassword) {
            EXPECT_EQ(Frm_Login->ActiveControl(), Frm_Login->Edit_Pass);
        }
        EXPECT_EQ(Ini().ReadInteger("login", "username", -99), s.index);
    }
    EXPECT_TRUE(Frm_Login->LoginOk);
    EXPECT_EQ(Frm_Login->StoredPassword, "");
    EXPECT_EQ(Frm_Main->OperatorName, "Admin");
    EXPECT_EQ(Frm_Main->Permit, 0);
    EXPECT_TRUE(Frm_Main->Rights[1]);
    EXPECT_TRUE(Frm_Main->Rights[35]);
    EXPECT_TRUE(Frm_Main->Rights[40]);
    EXPECT_FALSE(Frm_Main->Rights[41]);
    EXPECT_TRUE(Frm_Main->Timer1->Enabled());
    EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(0)->Text(), " 当前操作员: Admin");
    EXPECT_FALSE(Frm_Login->Visible());  // closed
}

TEST_F(AppStartTest, RestrictedOperatorAndAFailedReloginThatKeepsThem) {
    CreateProgramForms();
    ShowLogin();
    Frm_Login->Combo_User->SetItemIndex(1);
    Frm_Login->Edit_Pass->SetText("1234");
    ClickOk();
    ASSERT_TRUE(Frm_Login->LoginOk);
    EXPECT_EQ(Frm_Login->StoredPassword, "1234");
    EXPECT_EQ(Frm_Main->OperatorName, "李明");
    EXPECT_EQ(Frm_Main->Permit, 1);
    EXPECT_TRUE(Frm_Main->Rights[4]);
    EXPECT_FALSE(Frm_Main->Rights[8]);
    EXPECT_FALSE(Frm_Main->Rights[35]);

    // A second dialog, as the relogin makes one; Admin with a password fails.
    TFrm_Login* relogin = New<TFrm_Login>(Frm_Main);
    relogin->Show();
    DrainMessages();
    EXPECT_EQ(relogin->Combo_User->ItemIndex(), 1);  // the remembered operator
    relogin->Combo_User->SetItemIndex(0);
    relogin->Edit_Pass->SetText("guess");
    SendMessageW(relogin->Btn_ok->Handle(), BM_CLICK, 0, 0);
    DrainMessages();
    EXPECT_FALSE(relogin->LoginOk);
    EXPECT_EQ(Frm_Main->OperatorName, "李明");
    EXPECT_EQ(Frm_Main->Permit, 1);
    EXPECT_FALSE(Frm_Main->Rights[35]);
    EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(0)->Text(), " 当前操作员: 李明");
    EXPECT_EQ(Ini().ReadInteger("login", "username", -99), 0);
    relogin->Free();

    // The person window reads the operator's session: 李明 has no right 35, so only his own.
    EXPECT_EQ(OperatorSession().PersonScope().AllPersons, false);
    EXPECT_EQ(OperatorSession().PersonScope().OperatorName, "李明");

    // A new run (a new main window) starts with nobody logged in and no right.
    FreeProgramForms();
    CreateProgramForms();
    EXPECT_EQ(Frm_Main->OperatorName, "");
    EXPECT_EQ(Frm_Main->Permit, 0);
    EXPECT_FALSE(Frm_Main->Rights[4]);
    EXPECT_EQ(OperatorSession().OperatorName, "");
}

TEST_F(AppStartTest, LongNamesAreCutAndNamesWithoutARowAreRefused) {
    // 25 bytes in GBK, the 20th byte inside a character: 19 bytes are kept.
    const String longName = "Operator1维斯特尔维斯ABCD";
    const String cut = "Operator1维斯特尔维";
    Execute("insert into admin (username, password, permit, IsUser) values ('" + longName + "', '', 2, 1)");
    Execute("insert into T_UserAuthority (UserName, Authority) values ('" + cut + "', 0)");
    Execute("insert into T_UserAuthority (UserName, Authority) values ('" + cut + "', 1)");
    CreateProgramForms();
    ShowLogin();
    ASSERT_EQ(Frm_Login->Combo_User->Items()->Count(), 3);

    // The row of 李明 disappears after the list was filled: no row means no login.
    Execute("delete from admin where username='李明'");
    Frm_Login->Combo_User->SetItemIndex(1);
    Frm_Login->Edit_Pass->SetText("");
    ClickOk();
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "密码错误，请重新输入密码！");
    EXPECT_FALSE(Frm_Login->LoginOk);

    Frm_Login->Combo_User->SetItemIndex(2);
    ClickOk();
    ASSERT_TRUE(Frm_Login->LoginOk);
    EXPECT_EQ(Frm_Main->OperatorName, cut);
    EXPECT_EQ(Frm_Main->Permit, 2);
    EXPECT_FALSE(Frm_Main->Rights[1]);
    EXPECT_TRUE(Frm_Main->Rights[2]);
    EXPECT_FALSE(Frm_Main->Rights[3]);
}

TEST_F(AppStartTest, MainWindowShowMakesExportSetsTheCaptionAndThePath) {
    Ini().WriteString("Config", "Category", "0101");
    CreateProgramForms();
    EXPECT_EQ(Frm_Main->FormStyle(), fsMDIForm);
    EXPECT_EQ(Frm_Main->WindowState(), wsMaximized);
    EXPECT_FALSE(Frm_Main->Timer1->Enabled());
    // The idle sum list: active, no data set.
    ASSERT_NE(Frm_Main->DBSumList1, nullptr);
    EXPECT_TRUE(Frm_Main->DBSumList1->Active());
    EXPECT_EQ(Frm_Main->DBSumList1->DataSet(), nullptr);
    Frm_Main->Show();
    DrainMessages();
    EXPECT_TRUE(DirectoryExists(Folder() + "Export"));
    // The maximised person window's caption follows the frame's in brackets.
    EXPECT_EQ(Frm_Main->Caption(), "Vestrel个人名片管理 V1.0 - [个人信息]");
    EXPECT_EQ(Frm_Main->Category, "0101");
    EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(2)->Text(), Application->ExeName());
    EXPECT_EQ(Frm_Main->StatusBar1->PanelTextShown(2), Application->ExeName());
    EXPECT_TRUE(Frm_Main->Timer1->Enabled());
    EXPECT_TRUE(app_.Boxes.empty());
}

TEST_F(AppStartTest, ExportFolderThatCannotBeMadeIsReportedAndTheShowGoesOn) {
    std::ofstream(folder_.Path() / "Export") << "a file where the folder belongs";
    CreateProgramForms();
    Frm_Main->Show();
    DrainMessages();
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_NE(app_.Boxes[0].Text.find("Export"), String::npos) << app_.Boxes[0].Text;
    // The maximised person window's caption follows the frame's in brackets.
    EXPECT_EQ(Frm_Main->Caption(), "Vestrel个人名片管理 V1.0 - [个人信息]");
    EXPECT_TRUE(Frm_Main->Timer1->Enabled());
}

TEST_F(AppStartTest, SplashShowsItsPictureAndClosesOnClick) {
    TFrm_Splash* splash = New<TFrm_Splash>(Application);
    EXPECT_EQ(splash->BorderStyle(), bsNone);
    EXPECT_EQ(splash->ClientWidth(), 461);
    EXPECT_EQ(splash->ClientHeight(), 278);
    EXPECT_EQ(splash->Image1->Picture()->Width(), 461);
    EXPECT_EQ(splash->Image1->Picture()->Height(), 278);
    splash->Show();
    DrainMessages();
    EXPECT_TRUE(splash->Visible());
    splash->Image1->Click();
    EXPECT_FALSE(splash->Visible());
    splash->Free();

    fs::remove(folder_.Path() / "IMG" / "Splash.bmp");
    splash = New<TFrm_Splash>(Application);
    EXPECT_EQ(splash->Image1->Picture()->Graphic(), nullptr);
    splash->Free();
}

}  // namespace
