// The main window's commands that no control reaches, over a scratch copy of the shipped database:
// compaction (and a file held open by another handle), another database (right and wrong
// password), the deletes of contacts, activities, goods and bills (refusals and transactions), the
// list views, the shell's documents, and the workbook import through its mapping dialog.
#include "AppTestSupport.h"
#include "ADODialect.h"
#include "FileDialogs.h"
#include "ShellSeam.h"
#include "Streams.h"
#include "TestControls.h"
#include "TypeRegistry.h"
#include "DBGridEh.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Import.h"
#include "U_Main.h"
#include "U_MainLogic.h"
#include "U_login.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace fs = std::filesystem;

namespace {

class MainCommandsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterDBGridEhClasses();
        RegisterCustomClasses();
        RegisterImportClasses();
    }

    MainCommandsTest() { CreateProgramForms(); }
    ~MainCommandsTest() override {
        Screen->SetCursor(crDefault);
        FreeProgramForms();
    }

    void LogIn(int index, const char* password) {
        LogInAndShowMain(index, password);
        for (const auto& box : app_.Boxes) ADD_FAILURE() << "message: " << box.Text;
        app_.Boxes.clear();
    }

    static int Count(const String& sql) { return ProgramCount(sql); }

    String LastBox() const { return app_.Boxes.empty() ? String() : app_.Boxes.back().Text; }
    fs::path Database() const { return folder_.Path() / "DataBase" / "Custom.mdb"; }

    std::vector<String> CopiesLeft() const {
        std::vector<String> names;
        for (const auto& entry : fs::directory_iterator(folder_.Path() / "DataBase"))
            if (entry.path().filename().string().rfind("~CP", 0) == 0) names.push_back(entry.path().filename().string());
        return names;
    }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"commands"};
};

// ---- Compaction -------------------------------------------------------------------------------------

TEST_F(MainCommandsTest, CompactionClosesTheChildrenReportsAndReconnects) {
    LogIn(0, "");
    const int persons = Count("select count(*) from custom");
    Frm_Data->ADOConnection1->Execute("delete from contact");
    Frm_Main->M_CompactDBExecute(nullptr);
    DrainMessages();
    EXPECT_EQ(LastBox(), "压缩数据库成功!");
    EXPECT_EQ(Frm_Main->MDIChildCount(), 0);
    EXPECT_TRUE(Frm_Data->ADOConnection1->Connected());
    EXPECT_EQ(Count("select count(*) from custom"), persons);
    EXPECT_TRUE(CopiesLeft().empty());
}

TEST_F(MainCommandsTest, CompactionOfAFileHeldOpenFailsAndLeavesItAsItWas) {
    LogIn(0, "");
    const int persons = Count("select count(*) from custom");
    // Another program holds the file open without letting it be replaced.
    HANDLE holder = CreateFileW(Database().wstring().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    Frm_Data->ADOConnection1->Close();
    const String before = FileBytes(Database());
    Frm_Main->Sys_CompactClick(nullptr);
    CloseHandle(holder);
    EXPECT_EQ(LastBox(), "压缩数据库失败!");
    EXPECT_EQ(FileBytes(Database()), before);
    EXPECT_TRUE(Frm_Data->ADOConnection1->Connected());
    EXPECT_EQ(Count("select count(*) from custom"), persons);
    EXPECT_TRUE(CopiesLeft().empty());
}

// ---- Another database -------------------------------------------------------------------------------

TEST_F(MainCommandsTest, AnotherDatabaseConnectsOnlyWithItsOwnPassword) {
    LogIn(0, "");
    // A copy that records the other database's password, with one person of its own.
    const fs::path other = folder_.Path() / "Other.mdb";
    fs::copy_file(Database(), other);
    {
        SqliteConnection db;
        db.Open(other.string(), kDatabasePassword, 1000);
        std::string error;
        ASSERT_EQ(sqldialect::RecordPassword(db.Handle(), kOtherDatabasePassword, &error), 0) << error;
        db.Execute("insert into custom (CustCode, Company) values (9001, '别处的人')");
    }
    const String start = Frm_Data->ADOConnection1->ConnectionString();
    const String startConn = Frm_Data->IniFile->ReadString("Config", "DBConn", "unset");

    {
        // The program's own file records the start-up password: refused, the previous file back.
        TChosenFile chosen(Database().string());
        EXPECT_THROW(Frm_Main->Sys_OpenClick(nullptr), EADOError);
    }
    EXPECT_TRUE(Frm_Data->ADOConnection1->Connected());
    EXPECT_EQ(Frm_Data->ADOConnection1->ConnectionString(), start);
    EXPECT_EQ(Frm_Data->IniFile->ReadString("Config", "DBConn", "unset"), startConn);

    {
        TChosenFile cancelled("");
        Frm_Main->Sys_OpenClick(nullptr);
    }
    EXPECT_EQ(Frm_Data->ADOConnection1->ConnectionString(), start);

    {
        TChosenFile chosen(other.string());
        Frm_Main->Sys_OpenClick(nullptr);
    }
    EXPECT_EQ(Frm_Data->ADOConnection1->ConnectionString(), OtherDatabaseConnectionString(other.string()));
    EXPECT_EQ(Frm_Data->ConnectionString, OtherDatabaseConnectionString(other.string()));
    EXPECT_EQ(Frm_Data->IniFile->ReadString("Config", "DBConn", "unset"), other.string());
    EXPECT_EQ(Count("select count(*) from custom where Company='别处的人'"), 1);
}

// ---- Deletes ----------------------------------------------------------------------------------------

TEST_F(MainCommandsTest, AContactOrActivityOfAnotherOperatorIsRefusedAtTheRestrictedLevel) {
    LogIn(1, "1234");
    TFrm_Data* data = Frm_Data;
    data->Qry_Contact->SetDataSource(nullptr);
    data->Qry_Schedule->SetDataSource(nullptr);
    OpenQuery(data->Qry_Contact, "select * from contact");
    OpenQuery(data->Qry_Schedule, "select * from T_Schedule");
    const int contacts = data->Qry_Contact->RecordCount();
    const int schedules = data->Qry_Schedule->RecordCount();

    ASSERT_TRUE(data->Qry_Contact->Locate("ContactName", Variant("张小雨"), {}));  // Admin's
    Frm_Main->DelContactExecute(nullptr);
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "不是你的联系人，你没有权限删除！");
    ASSERT_TRUE(data->Qry_Schedule->Locate("Subject", Variant("同学聚会"), {}));  // Admin's
    Frm_Main->DelScheduleExecute(nullptr);
    ASSERT_EQ(app_.Boxes.size(), 2u);
    EXPECT_EQ(app_.Boxes[1].Text, "不是你的联系活动，你没有权限删除！");
    EXPECT_EQ(app_.Boxes[1].Caption, "警告");
    EXPECT_EQ(Count("select count(*) from contact"), contacts);
    EXPECT_EQ(Count("select count(*) from T_Schedule"), schedules);

    // Their own: asked, and deleted on Yes.
    app_.SetAnswer(IDYES);
    ASSERT_TRUE(data->Qry_Contact->Locate("ContactName", Variant("周敏"), {}));
    Frm_Main->DelContactExecute(nullptr);
    EXPECT_EQ(app_.Boxes.back().Text, "你确定要删除该联系人吗！");
    ASSERT_TRUE(data->Qry_Schedule->Locate("Subject", Variant("洽谈订单"), {}));
    Frm_Main->DelScheduleExecute(nullptr);
    EXPECT_EQ(app_.Boxes.back().Text, "您确定要删除这条联系活动记录吗？");
    EXPECT_EQ(Count("select count(*) from contact"), contacts - 1);
    EXPECT_EQ(Count("select count(*) from T_Schedule"), schedules - 1);
}

TEST_F(MainCommandsTest, GoodsAndBillsGoWithTheirLinesOrNotAtAll) {
    LogIn(0, "");
    TFrm_Data* data = Frm_Data;
    // Closed lists: nothing to delete, nothing asked.
    Frm_Main->DelGoodsExecute(nullptr);
    Frm_Main->DelBillExecute(nullptr);
    EXPECT_TRUE(app_.Boxes.empty());

    app_.SetAnswer(IDYES);
    OpenQuery(data->Qry_Goods, "select * from Goods");
    ASSERT_TRUE(data->Qry_Goods->Locate("GoodsCode", Variant("G0001"), {}));
    Frm_Main->DelGoodsExecute(nullptr);
    EXPECT_EQ(app_.Boxes.back().Text, "您确定要删除这条商品记录吗？");
    EXPECT_EQ(Count("select count(*) from Goods"), 1);
    EXPECT_EQ(Count("select count(*) from T_BillDetail"), 1);

    // A bill whose lines cannot go: rolled back, the failure said.
    data->ADOConnection1->Execute(
        "create trigger refuse before delete on T_BillDetail begin select raise(abort, 'refused'); end");
    OpenQuery(data->Qry_Bill, "select * from T_Bill");
    ASSERT_TRUE(data->Qry_Bill->Locate("BillCode", Variant("XS20240520-01"), {}));
    Frm_Main->DelBillExecute(nullptr);
    ASSERT_GE(app_.Boxes.size(), 2u);
    EXPECT_EQ(app_.Boxes[app_.Boxes.size() - 2].Text, "你确定要删除这条单据吗？");
    EXPECT_EQ(app_.Boxes[app_.Boxes.size() - 2].Caption, "警告 ");
    EXPECT_EQ(app_.Boxes.back().Text, "删除记录失败!");
    EXPECT_EQ(Count("select count(*) from T_Bill"), 2);
    EXPECT_EQ(data->Qry_Bill->RecordCount(), 2);
    EXPECT_FALSE(data->ADOConnection1->InTransaction());
}

namespace {

TColumnEh* ColumnOf(TDBGridEh* grid, const char* field) {
    for (int i = 0; i < grid->Columns()->Count(); ++i)
        if (SameText(grid->Columns()->ColumnAt(i)->FieldName(), field)) return grid->Columns()->ColumnAt(i);
    return nullptr;
}

// Selects the persons on rows `rows` (1 first) as Ctrl+clicks do; their codes.
std::vector<String> SelectPersonRows(TDBGridEh* grid, TADOQuery* persons, std::initializer_list<int> rows) {
    std::vector<String> codes;
    for (int row : rows) {
        persons->SetRecNo(row);
        grid->SelectedRowBookmarks()->SetSelectedCurrentRow(true);
        codes.push_back(persons->FieldByName("CustCode")->AsString());
    }
    return codes;
}

}  // namespace

TEST_F(MainCommandsTest, SelectedPersonsGoWithTheirLinkedRowsAndTheFooterFollows) {
    LogIn(0, "");
    TFrm_Data* data = Frm_Data;
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    TADOQuery* persons = data->Qry_Cust;
    TColumnEh* income = ColumnOf(grid, "income");
    ASSERT_NE(income, nullptr);
    const int all = Count("select count(*) from custom");
    const String footerBefore = grid->GetFooterValueText(0, income);
    const std::vector<String> codes = SelectPersonRows(grid, persons, {1, 3, 4});
    ASSERT_EQ(grid->SelectedRowBookmarks()->Count(), 3);

    // No: nothing goes.
    app_.SetAnswer(IDNO);
    Frm_Main->DelCust->Execute();
    EXPECT_EQ(LastBox(), "确定要删除个人记录吗！");
    EXPECT_EQ(app_.Boxes.back().Caption, "警告");
    EXPECT_EQ(Count("select count(*) from custom"), all);

    app_.SetAnswer(IDYES);
    Frm_Main->DelCust->Execute();
    EXPECT_EQ(Count("select count(*) from custom"), all - 3);
    for (const String& code : codes) {
        SCOPED_TRACE(code.c_str());
        EXPECT_EQ(Count("select count(*) from contact where CustCode=" + code), 0);
        EXPECT_EQ(Count("select count(*) from T_Schedule where CustCode='" + code + "'"), 0);
        EXPECT_EQ(Count("select count(*) from T_Bill where CustCode=" + code), 0);
    }
    EXPECT_EQ(grid->SelectedRowBookmarks()->Count(), 0);
    EXPECT_EQ(grid->SelectionType(), gstNon);
    EXPECT_EQ(persons->RecordCount(), all - 3);
    // The footer follows: the sum of those left.
    EXPECT_EQ(grid->GetFooterValueText(0, income), std::to_string(Count("select sum(income) from custom")));
    EXPECT_NE(grid->GetFooterValueText(0, income), footerBefore);
}

TEST_F(MainCommandsTest, ARestrictedOperatorDeletesNoneWhenOneSelectedPersonIsAnothers) {
    LogIn(1, "1234");
    const String restricted = OperatorSession().OperatorName;
    ASSERT_FALSE(restricted.empty());
    // Two persons of the operator's, the rest another's; the list shows all of them.
    Frm_Data->ADOConnection1->Execute("update custom set F_User='Admin'");
    Frm_Data->ADOConnection1->Execute("update custom set F_User=" + QuotedSql(restricted) +
                                      " where CustID in (select CustID from custom order by CustID limit 2)");
    TADOQuery* persons = Frm_Data->Qry_Cust;
    OpenQuery(persons, "select * from custom order by CustID");
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    const int all = Count("select count(*) from custom");
    SelectPersonRows(grid, persons, {1, 2, 3});  // the third is Admin's
    persons->SetRecNo(1);                         // the current row is the operator's own
    app_.SetAnswer(IDYES);
    Frm_Main->DelCustExecute(nullptr);
    EXPECT_EQ(LastBox(), "不是你的客户，你没有权限删除！");
    EXPECT_EQ(Count("select count(*) from custom"), all);
    // Only their own: deleted.
    grid->SelectedRowBookmarks()->Clear();
    SelectPersonRows(grid, persons, {1, 2});
    Frm_Main->DelCustExecute(nullptr);
    EXPECT_EQ(LastBox(), "确定要删除个人记录吗！");
    EXPECT_EQ(Count("select count(*) from custom"), all - 2);
}

// ---- List views and the shell -----------------------------------------------------------------------

TEST_F(MainCommandsTest, ContactViewListsTheOperatorsContactsAndThePersonViewComesBack) {
    LogIn(1, "1234");  // right 8 off
    Frm_Main->Cust_ContactExecute(nullptr);
    DrainMessages();
    ASSERT_NE(Frm_Custom, nullptr);
    EXPECT_FALSE(Frm_Custom->Page_Cust->Visible());
    EXPECT_FALSE(Frm_Custom->Panel6->Visible());
    EXPECT_EQ(Frm_Data->Qry_Contact->DataSource(), nullptr);
    EXPECT_EQ(Frm_Data->Qry_Contact->RecordCount(), Count("select count(*) from contact where F_User='李明'"));

    Frm_Main->Cust_CustExecute(nullptr);
    EXPECT_TRUE(Frm_Custom->Page_Cust->Visible());
    EXPECT_TRUE(Frm_Custom->Panel6->Visible());
    EXPECT_EQ(Frm_Data->Qry_Contact->DataSource(), Frm_Data->DS_Cust);
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), Count("select count(*) from custom where F_User='李明'"));
    // The contacts follow the current person again.
    const String code = Frm_Data->Qry_Cust->FieldByName("CustCode")->AsString();
    EXPECT_EQ(Frm_Data->Qry_Contact->RecordCount(),
              Count("select count(*) from contact where F_User='李明' and CustCode=" + code));
}

TEST_F(MainCommandsTest, DocumentsOpenThroughTheShellFromTheProgramFolder) {
    LogIn(0, "");
    std::vector<TShellExecuteRequest> requests;
    TShellExecuteFunction previous = SetShellExecuteFunction([&](const TShellExecuteRequest& r) {
        requests.push_back(r);
        return std::intptr_t(42);
    });
    Frm_Main->HelpExecute(nullptr);
    Frm_Main->N10Click(nullptr);
    Frm_Main->N8Click(nullptr);
    Frm_Main->N13Click(nullptr);
    Frm_Main->N16Click(nullptr);
    Frm_Main->N17Click(nullptr);
    SetShellExecuteFunction(std::move(previous));
    const String folder = folder_.Folder();
    const std::vector<String> files = {folder + "Help.chm", folder + "wnl.htm", folder + "idn.exe",
                                       folder + "search.exe", "CALC.EXE", "Notepad.exe"};
    ASSERT_EQ(requests.size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(requests[i].File, files[i]);
        EXPECT_EQ(requests[i].Verb, "open");
        EXPECT_EQ(requests[i].ShowCommand, SW_SHOWNORMAL);
    }
}

// ---- The workbook import ----------------------------------------------------------------------------

TEST_F(MainCommandsTest, ImportMapsThroughTheDialogAndAddsThePersonsOwnedByTheOperator) {
    LogIn(0, "");
    const int persons = Count("select count(*) from custom");
    const int highest = Count("select max(CustCode) from custom");
    TChosenFile chosen(HostPath(VESTREL_TEST_WORKBOOKS "/persons-20.xls").string());
    TModalAnswer<TFrm_Import> answer([&](TFrm_Import* dialog) {
        EXPECT_EQ(dialog->Caption(), "字段映射");
        EXPECT_EQ(dialog->Label1->Caption(), "Excel中共有 20 条记录");
        TDBGridColumnsEh* columns = dialog->DBGridEh1->Columns();
        ASSERT_EQ(columns->Count(), 2);
        EXPECT_TRUE(columns->ColumnAt(0)->ReadOnly());
        ASSERT_EQ(columns->ColumnAt(1)->PickList()->Count(), 11);
        EXPECT_EQ(columns->ColumnAt(1)->PickList()->Strings(0), "个人名称");
        // The proposal: the n-th target got the n-th header.
        TADOQuery* mapping = dialog->Qry_Import;
        mapping->First();
        EXPECT_EQ(mapping->FieldByName("F_Field")->AsString(), "个人名称");
        // A header is picked in the grid with the keyboard: the editor's list of the sheet's headers.
        TDBGridEh* grid = dialog->DBGridEh1;
        grid->SetFocus();
        grid->SetCol(2);
        SendMessageW(grid->Handle(), WM_KEYDOWN, VK_F2, 1);
        auto* editor = dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor());
        ASSERT_TRUE(editor && grid->EditorShown());
        EXPECT_EQ(editor->EditStyle(), esPickListEh);
        SendMessageW(editor->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0x20000001);
        ASSERT_TRUE(editor->ListVisible());
        EXPECT_EQ(editor->PickListBox()->Count(), 11);
        SendMessageW(editor->Handle(), WM_KEYDOWN, VK_DOWN, 1);
        SendMessageW(editor->Handle(), WM_KEYDOWN, VK_DOWN, 1);
        SendMessageW(editor->Handle(), WM_KEYDOWN, VK_RETURN, 1);
        SendMessageW(editor->Handle(), WM_CHAR, L'\r', 1);
        EXPECT_FALSE(editor->ListVisible());
        const String picked = columns->ColumnAt(1)->PickList()->Strings(2);
        EXPECT_EQ(editor->Text(), picked);
        SendMessageW(editor->Handle(), WM_KEYDOWN, VK_DOWN, 1);  // the row is posted on leaving it
        mapping->First();
        EXPECT_EQ(mapping->FieldByName("F_Field")->AsString(), picked);
        // The operator keeps four of them.
        const std::map<String, String> chosenMap = {
            {"Company", "个人名称"}, {"OtherInfo", "性别"}, {"address", "通讯地址"}, {"ContactName", "联系人姓名"}};
        for (mapping->First(); !mapping->Eof(); mapping->Next()) {
            const auto found = chosenMap.find(mapping->FieldByName("S_Field")->AsString());
            mapping->Edit();
            mapping->FieldByName("F_Field")->SetAsString(found == chosenMap.end() ? String(" ") : found->second);
            mapping->Post();
        }
        dialog->Btn_StartClick(dialog->Btn_Start);
        EXPECT_TRUE(dialog->Btn_Start->Enabled());
        dialog->Btn_ExitClick(dialog->Btn_Exit);
    });
    Frm_Main->sss1Click(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(LastBox(), "导入数据成功!");
    EXPECT_EQ(Count("select count(*) from custom"), persons + 20);
    EXPECT_EQ(Count("select count(*) from custom where F_User='Admin' and CustCode=" + std::to_string(highest + 1) +
                    " and Company='王伟' and OtherInfo='男'"),
              1);
    EXPECT_EQ(Count("select count(*) from contact where CustCode>" + std::to_string(highest)), 20);
    // The spreadsheet objects are gone with the dialog.
    EXPECT_EQ(Frm_Main->ExcelApp, nullptr);
}

TEST_F(MainCommandsTest, AFileThatIsNotAWorkbookIsSaidSoAndNothingImported) {
    LogIn(0, "");
    const int persons = Count("select count(*) from custom");
    const fs::path text = folder_.Path() / "persons.xls";
    std::ofstream(text) << "个人名称,性别\n王伟,男\n";
    TChosenFile chosen(text.string());
    TModalAnswer<TFrm_Import> answer([](TFrm_Import*) {});
    Frm_Main->sss1Click(nullptr);
    EXPECT_FALSE(answer.Seen());
    EXPECT_NE(LastBox().find("不是Excel工作簿文件"), String::npos) << LastBox();
    EXPECT_EQ(Count("select count(*) from custom"), persons);
    EXPECT_EQ(Frm_Main->ExcelApp, nullptr);
}

}  // namespace
