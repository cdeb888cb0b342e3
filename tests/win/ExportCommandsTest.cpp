// The person list's exports from the main window over a scratch copy of the shipped database: the
// workbook (save dialog, file name rule, the open question, the shell) read back by the program's
// own workbook reader, and the e-mail dialog's file, progress and counter.
#include "AppTestSupport.h"
#include "Encoding.h"
#include "FileDialogs.h"
#include "ShellSeam.h"
#include "Streams.h"
#include "TestControls.h"
#include "TypeRegistry.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Main.h"
#include "U_email.h"
#include "U_login.h"
#include "WorkbookReader.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace fs = std::filesystem;

namespace {

// Runs `act` on the first modal form of class T once the modal loop idles.
template <class T>
class TModalAnswer {
public:
    explicit TModalAnswer(std::function<void(T*)> act) : act_(std::move(act)) {
        Application->OnIdle = Event<&TModalAnswer::Idle>(this);
    }
    ~TModalAnswer() { Application->OnIdle = nullptr; }
    bool Seen() const { return seen_; }

private:
    void Idle(TObject*, bool&) {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            auto* form = dynamic_cast<T*>(Screen->Forms(i));
            if (!form || !form->FormState().Contains(fsModal) || seen_)
                continue;
            seen_ = true;
            act_(form);
            if (form->ModalResult() == mrNone && form->Visible())
                form->Close();
            return;
        }
    }
    std::function<void(T*)> act_;
    bool seen_ = false;
};

// The shell's requests while it lives, answered as a success.
class TShellRecorder {
public:
    TShellRecorder() {
        previous_ = SetShellExecuteFunction([this](const TShellExecuteRequest& r) {
            requests.push_back(r);
            return std::intptr_t(42);
        });
    }
    ~TShellRecorder() { SetShellExecuteFunction(std::move(previous_)); }
    std::vector<TShellExecuteRequest> requests;

private:
    TShellExecuteFunction previous_;
};

class ExportCommandsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterDBGridEhClasses();
        RegisterCustomClasses();
        RegisterEmailClasses();
    }

    ExportCommandsTest() { CreateProgramForms(); }
    ~ExportCommandsTest() override { FreeProgramForms(); }

    void LogIn() {
        LogInAndShowMain(0, "");
        app_.Boxes.clear();
    }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"exports"};
};

TEST_F(ExportCommandsTest, WorkbookHoldsTheListedPersonsAsTheGridShowsThemAndOpensOnOk) {
    LogIn();
    auto* persons = dynamic_cast<TFrm_Custom*>(Frm_Main->ShowPersonWindow());
    ASSERT_NE(persons, nullptr);
    TDBGridEh* grid = persons->Grid_Cust;
    TADOQuery* list = Frm_Data->Qry_Cust;
    ASSERT_GT(list->RecordCount(), 0);
    list->First();
    list->Next();
    const TBookmark current = list->Bookmark();

    const fs::path chosen = folder_.Path() / "名单.XLS";  // upper case: ".xls" is still added
    TChosenFile dialog(" " + chosen.string() + " ");
    TShellRecorder shell;
    Frm_Main->ExportCustCSVExecute(nullptr);

    ASSERT_EQ(dialog.requests.size(), 1u);
    EXPECT_EQ(dialog.requests[0].Filter, "EXCEL文件(*.xls)|*.xls");
    EXPECT_EQ(dialog.requests[0].FileName, "");
    const String name = chosen.string() + ".xls";
    ASSERT_TRUE(FileExists(name));
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "文件" + name + "已建立，是否打开文件？");
    EXPECT_EQ(app_.Boxes[0].Flags & 0xFF, UINT(MB_ICONINFORMATION | MB_OKCANCEL));
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].Verb, "open");
    EXPECT_EQ(shell.requests[0].File, name);
    EXPECT_EQ(list->Bookmark(), current);  // the grid's row stays

    // Every visible column's title and every row's text, Chinese included.
    const TWorkbook book = ReadWorkbookFile(name);
    ASSERT_EQ(book.Sheets.size(), 1u);
    const TWorkbookSheet& sheet = book.Sheets[0];
    std::vector<TColumnEh*> visible;
    for (int i = 0; i < grid->Columns()->Count(); ++i)
        if (grid->Columns()->ColumnAt(i)->Visible()) visible.push_back(grid->Columns()->ColumnAt(i));
    ASSERT_FALSE(visible.empty());
    for (std::size_t c = 0; c < visible.size(); ++c) EXPECT_EQ(sheet.Text(0, c), visible[c]->Title()->Caption());
    std::uint32_t row = 1;
    for (list->First(); !list->Eof(); list->Next(), ++row)
        for (std::size_t c = 0; c < visible.size(); ++c) {
            TField* field = visible[c]->Field();
            if (!field || field->IsNull()) continue;
            const TFieldType type = field->DataType();
            if (type == ftInteger || type == ftAutoInc || type == ftSmallint)
                EXPECT_EQ(sheet.Text(row, c), field->AsString()) << row << "," << c;
            else if (type == ftWideString || type == ftString || type == ftMemo)
                EXPECT_EQ(sheet.Text(row, c), visible[c]->DisplayText()) << row << "," << c;
        }
}

TEST_F(ExportCommandsTest, WorkbookIsNotWrittenOnCancelAndNotOpenedOnCancelOfTheQuestion) {
    LogIn();
    TShellRecorder shell;
    {
        TChosenFile cancelled("");
        Frm_Main->ExportCustCSVExecute(nullptr);
    }
    EXPECT_TRUE(app_.Boxes.empty());
    const fs::path chosen = folder_.Path() / "a.xls.bak";  // holds ".xls": kept as it is
    TChosenFile dialog(chosen.string());
    app_.SetAnswer(IDCANCEL);
    Frm_Main->ExportCustCSVExecute(nullptr);
    EXPECT_TRUE(fs::exists(chosen));
    EXPECT_EQ(app_.Boxes.size(), 1u);
    EXPECT_TRUE(shell.requests.empty());
}

TEST_F(ExportCommandsTest, AClosedOrEmptyListIsRefusedWithItsMessageAndASilentAbort) {
    LogIn();
    auto* persons = dynamic_cast<TFrm_Custom*>(Frm_Main->ShowPersonWindow());
    TChosenFile dialog(String((folder_.Path() / "x.xls").string()));
    OpenQuery(Frm_Data->Qry_Cust, "select * from Custom where 1=0");
    EXPECT_THROW(Frm_Main->ExportGridToExcel(Frm_Data->Qry_Cust, persons->Grid_Cust), EAbort);
    Frm_Data->Qry_Cust->Close();
    EXPECT_THROW(Frm_Main->ExportGridToExcel(Frm_Data->Qry_Cust, persons->Grid_Cust), EAbort);
    ASSERT_EQ(app_.Boxes.size(), 2u);
    EXPECT_EQ(app_.Boxes[0].Text, "没有数据,不能导出成Excel文件!");
    EXPECT_EQ(app_.Boxes[1].Text, "数据没有显示不能导出成Excel文件!");
    EXPECT_TRUE(dialog.requests.empty());
}

TEST_F(ExportCommandsTest, EmailDialogWritesTheAddressesCountsEveryRowAndOpensTheFile) {
    LogIn();
    TADOQuery* list = Frm_Data->Qry_Cust;
    String expected;
    int rows = 0;
    for (list->First(); !list->Eof(); list->Next(), ++rows) {
        const String address = Trim(list->FieldByName("email")->AsString());
        if (!address.empty()) expected += Utf8ToGbk(address) + "\r\n";
    }
    ASSERT_GT(rows, 0);
    TShellRecorder shell;
    String caption;
    int progressAfter = -1;
    TModalAnswer<TFrm_Email> answer([&](TFrm_Email* dialog) {
        EXPECT_EQ(dialog->Caption(), "导出客户电子信箱");
        EXPECT_EQ(dialog->Edit1->Text(), FormatDateTime("yyyy-mm-dd", Date()));
        dialog->Edit1->SetText("  ");
        dialog->Btn_startClick(dialog->Btn_start);
        dialog->Edit1->SetText(" list ");
        dialog->Btn_startClick(dialog->Btn_start);
        caption = dialog->Caption();
        progressAfter = dialog->ProgressBar1->Position();
        EXPECT_EQ(dialog->ProgressBar1->Max(), rows);
        dialog->btn_exitClick(dialog->btn_exit);
    });
    Frm_Main->ExportEmailExecute(nullptr);
    ASSERT_TRUE(answer.Seen());
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "文件名不能为空!");
    EXPECT_EQ(app_.Boxes[0].Caption, "警告");
    const fs::path file = folder_.Path() / "Export" / "list.txt";
    EXPECT_EQ(FileBytes(file), expected);
    EXPECT_EQ(caption, "导出客户电子信箱( " + std::to_string(rows) + " )");
    EXPECT_EQ(progressAfter, 0);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].Verb, "");
    EXPECT_EQ(shell.requests[0].File, folder_.Folder() + "Export\\list.txt");
}

}  // namespace
