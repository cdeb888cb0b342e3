// The person window over a scratch copy of the shipped database: its grid's columns and captions
// from T_FieldShow, the category list with its status text, the quick search (and how a failed
// one leaves the window), the heading entries, F5, saving the column layout; the category dialog
// (adding, refusals, renaming, deleting, picking) and the column chooser.
#include "AppTestSupport.h"
#include "MessageRecorder.h"
#include "U_DataLogic.h"
#include "Dialogs.h"
#include "GridColumnSetup.h"
#include "Log.h"
#include "Streams.h"
#include "TestControls.h"
#include "TypeRegistry.h"
#include "U_AddCust.h"
#include "U_Custom.h"
#include "U_CustomTexts.h"
#include "U_Data.h"
#include "U_Field.h"
#include "U_FieldTexts.h"
#include "U_Main.h"
#include "U_login.h"
#include "U_tree.h"
#include "U_treeTexts.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <functional>

namespace fs = std::filesystem;

namespace {

class PersonWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterDBGridEhClasses();
        RegisterTreeClasses();
        RegisterFieldClasses();
        RegisterCustomClasses();
    }

    PersonWindowTest() { CreateProgramForms(); }

    ~PersonWindowTest() override {
        Screen->SetCursor(crDefault);
        FreeProgramForms();
    }

    // Logs `index` (0 Admin, 1 李明) in; the main window then shows the person window. Without
    // it the test stops (by an exception, which also ends the test body).
    void LogIn(int index, const char* password) {
        LogInAndShowMain(index, password);
        for (const auto& box : app_.Boxes) ADD_FAILURE() << "message: " << box.Text;
        app_.Boxes.clear();
        if (!Frm_Custom)
            throw std::runtime_error("the main window shows no person window");
    }

    // The one number `sql` answers (through a query of the test's own).
    static int Count(const String& sql) { return ProgramCount(sql); }

    static String Status() { return Frm_Main->StatusBar1->Panels()->Items(1)->Text(); }
    static TADOQuery* Persons() { return Frm_Data->Qry_Cust; }

    static std::vector<String> GridFields() {
        std::vector<String> fields;
        TDBGridColumnsEh* columns = Frm_Custom->Grid_Cust->Columns();
        for (int i = 0; i < columns->Count(); ++i) fields.push_back(columns->ColumnAt(i)->FieldName());
        return fields;
    }

    static TTreeNode* NodeWithText(TCustomTreeView* view, const String& text) {
        for (int i = 0; i < view->Items()->Count(); ++i)
            if (view->Items()->Item(i)->Text() == text) return view->Items()->Item(i);
        return nullptr;
    }

    // Selects the node and clicks it as the tree's OnClick does.
    static void ClickNode(TTreeNode* node) {
        ASSERT_NE(node, nullptr);
        node->SetSelected(true);
        Frm_Custom->TreeView1Click(Frm_Custom->TreeView1);
    }

    // Chooses the caption in the column list as a person does (OnChange follows).
    static void ChooseColumn(const String& caption) {
        TComboBox* combo = Frm_Custom->Combo_Type;
        const int index = combo->Items()->IndexOf(caption);
        ASSERT_GE(index, 0) << caption;
        combo->SetItemIndex(index);
        Frm_Custom->Combo_TypeChange(combo);
    }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"person"};
};

TEST_F(PersonWindowTest, ShowsTheStartListWithTheColumnsAndCaptionsOfTFieldShow) {
    LogIn(0, "");
    EXPECT_EQ(Frm_Custom->Caption(), "个人信息");
    EXPECT_TRUE(Frm_Custom->Btn_S_Cust->Enabled());
    EXPECT_EQ(Persons()->SQL()->Text(), "Select top 100 * from Custom\r\n");
    const int all = Count("select count(*) as n from Custom");
    EXPECT_EQ(Persons()->RecordCount(), std::min(all, 100));
    EXPECT_EQ(Status(), "当前共有 " + std::to_string(Persons()->RecordCount()) + " 条个人记录");

    // The grid's columns are the shown rows in position order, titled with their captions.
    TADOQuery* rows = New<TADOQuery>(nullptr);
    rows->SetConnection(Frm_Data->ADOConnection1);
    OpenQuery(rows, GridColumnsSql("Custom"));
    const std::vector<TGridColumnSetting> shown = ReadGridColumnSettings(rows);
    rows->Free();
    ASSERT_EQ(GridFields().size(), shown.size());
    TDBGridColumnsEh* columns = Frm_Custom->Grid_Cust->Columns();
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(shown[i].Field);
        TColumnEh* column = columns->ColumnAt(static_cast<int>(i));
        EXPECT_EQ(column->FieldName(), shown[i].Field);
        EXPECT_EQ(column->Title()->Caption(), shown[i].Caption);
        EXPECT_EQ(column->Width(), shown[i].Width);
        EXPECT_EQ(column->Footer()->ValueType(), shown[i].FooterSum ? fvtSum : fvtNon);
    }
    EXPECT_EQ(Frm_Custom->Grid_Cust->FooterRowCount(), 1);
    EXPECT_TRUE(Frm_Custom->Grid_Cust->SumList()->Active());

    // The column list holds every caption and starts on the second.
    TComboBox* combo = Frm_Custom->Combo_Type;
    EXPECT_EQ(combo->Items()->Count(), Count("select count(*) as n from T_FieldShow where tablename='custom'"));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "个人名称");
    EXPECT_EQ(Frm_Custom->QueryTable, "Custom");

    // The tree: the root, then the categories in code order, the root expanded.
    TTreeNodes* nodes = Frm_Custom->TreeView1->Items();
    ASSERT_GT(nodes->Count(), 1);
    EXPECT_EQ(nodes->Item(0)->Text(), "个人分类");
    EXPECT_EQ(nodes->Item(1)->Text(), "01-亲友");
    EXPECT_EQ(nodes->Count(), 1 + Count("select count(*) as n from Cust_Category"));
    EXPECT_TRUE(nodes->Item(0)->Expanded());
    EXPECT_EQ(NodeWithText(Frm_Custom->TreeView1, "010201-大学同学")->Level(), 3);
    // The tree and the grid show their hints when the mouse rests on them.
    for (TWinControl* control : std::initializer_list<TWinControl*>{Frm_Custom->TreeView1, Frm_Custom->Grid_Cust}) {
        SCOPED_TRACE(control->Name());
        ASSERT_NE(Application->HintWindow(), nullptr);
        wchar_t text[64] = {};
        TTTOOLINFOW tool{};
        tool.cbSize = sizeof tool;
        tool.hwnd = control->Handle();
        tool.uId = reinterpret_cast<UINT_PTR>(control->Handle());
        tool.lpszText = text;
        EXPECT_TRUE(SendMessageW(Application->HintWindow(), TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&tool)));
        EXPECT_EQ(FromWide(text), control->Hint());
    }
    // Every node shows the tree's one image.
    ASSERT_NE(Frm_Custom->TreeView1->Images(), nullptr);
    EXPECT_EQ(Frm_Custom->TreeView1->Images()->Count(), 1);
    EXPECT_EQ(nodes->Item(1)->ImageIndex(), 0);
}

TEST_F(PersonWindowTest, TheIncomeFooterShowsTheSumOfTheListedPersons) {
    LogIn(0, "");
    ASSERT_LE(Count("select count(*) as n from custom"), 100) << "every person is listed";
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    TColumnEh* income = nullptr;
    for (int i = 0; i < grid->Columns()->Count(); ++i)
        if (SameText(grid->Columns()->ColumnAt(i)->FieldName(), "income")) income = grid->Columns()->ColumnAt(i);
    ASSERT_NE(income, nullptr);
    ASSERT_EQ(income->Footer()->ValueType(), fvtSum);
    // The text column holds whole numbers and blanks; the blanks count as nothing.
    const int sum = Count("select sum(income) as n from custom");
    EXPECT_GT(sum, 0);
    EXPECT_EQ(grid->GetFooterValueText(0, income), std::to_string(sum));
}

TEST_F(PersonWindowTest, ACategoryListsItsPersonsAndTheStatusCountsThem) {
    LogIn(0, "");
    ClickNode(NodeWithText(Frm_Custom->TreeView1, "0102-同学"));
    const int inCategory = Count("select count(*) as n from custom where category like '0102%'");
    ASSERT_GT(inCategory, 1);
    EXPECT_EQ(Persons()->RecordCount(), inCategory);
    EXPECT_EQ(Status(), "当前共有 " + std::to_string(inCategory) + " 条客户记录");
    for (Persons()->First(); !Persons()->Eof(); Persons()->Next())
        EXPECT_EQ(Persons()->FieldByName("Category")->AsString().substr(0, 4), "0102");
    EXPECT_FALSE(GridFields().empty());

    // The root lists everyone, without the start list's limit.
    ClickNode(Frm_Custom->TreeView1->Items()->Item(0));
    EXPECT_EQ(Persons()->RecordCount(), Count("select count(*) as n from custom"));
    EXPECT_EQ(Status(), "当前共有 " + std::to_string(Persons()->RecordCount()) + " 条客户记录");
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

// Listing again re-reads the persons without laying the grid out for a closed list on the way: the
// grid keeps its size and scroll bars.
TEST_F(PersonWindowTest, ListingAgainDoesNotResizeThePersonGrid) {
    LogIn(0, "");
    TTreeNode* root = Frm_Custom->TreeView1->Items()->Item(0);
    ClickNode(root);
    DrainMessages();
    TMessageRecorder recorder;
    recorder.Only({WM_SIZE, WM_NCCALCSIZE});
    recorder.Attach(Frm_Custom->Grid_Cust);
    ClickNode(root);
    DrainMessages();
    EXPECT_EQ(recorder.Count(WM_SIZE), 0) << recorder.Listing();
    EXPECT_EQ(Persons()->RecordCount(), Count("select count(*) as n from custom"));
}

TEST_F(PersonWindowTest, ARestrictedOperatorSeesOnlyOwnPersonsOnEveryList) {
    LogIn(1, "1234");
    EXPECT_EQ(Persons()->SQL()->Text(), "Select top 100 * from Custom where F_User='李明'\r\n");
    const int own = Count("select count(*) as n from custom where F_User='李明'");
    EXPECT_EQ(Persons()->RecordCount(), own);
    ClickNode(NodeWithText(Frm_Custom->TreeView1, "03-客户"));
    EXPECT_EQ(Persons()->RecordCount(), Count("select count(*) as n from custom where category like '03%' and F_User='李明'"));
    ChooseColumn("个人名称");
    Frm_Custom->Edit_Key->SetText("张");
    Frm_Custom->Btn_S_Cust->Click();
    EXPECT_EQ(Persons()->RecordCount(), Count("select count(*) as n from custom where Company like '%张%' and F_User='李明'"));
    EXPECT_LT(Persons()->RecordCount(), Count("select count(*) as n from custom where Company like '%张%'"));
}

TEST_F(PersonWindowTest, QuickSearchFindsByTheChosenColumn) {
    LogIn(0, "");
    ChooseColumn("通讯地址");
    Frm_Custom->Edit_Key->SetText("深圳");
    Frm_Custom->Btn_S_Cust->Click();
    EXPECT_EQ(Persons()->SQL()->Text(), "Select * from custom where address like '%深圳%'\r\n");
    const int found = Count("select count(*) as n from custom where address like '%深圳%'");
    ASSERT_GT(found, 0);
    EXPECT_EQ(Persons()->RecordCount(), found);
    EXPECT_EQ(Status(), "当前共有 " + std::to_string(found) + " 条个人记录");
    EXPECT_TRUE(Frm_Custom->Btn_S_Cust->Enabled());
    EXPECT_EQ(Screen->Cursor(), crDefault);

    // Enter in the key searches; another key does not.
    ChooseColumn("个人名称");
    Frm_Custom->Edit_Key->SetText("晓");
    WORD key = 'A';
    Frm_Custom->Edit_KeyKeyDown(Frm_Custom->Edit_Key, key, TShiftState());
    EXPECT_EQ(Persons()->RecordCount(), found);
    key = 13;
    Frm_Custom->Edit_KeyKeyDown(Frm_Custom->Edit_Key, key, TShiftState());
    EXPECT_EQ(Persons()->RecordCount(), Count("select count(*) as n from custom where Company like '%晓%'"));

    // A quote is a character of the key.
    Frm_Custom->Edit_Key->SetText("O'Brien");
    Frm_Custom->Btn_S_Cust->Click();
    EXPECT_EQ(Persons()->RecordCount(), 0);
    EXPECT_TRUE(app_.Boxes.empty());
}

TEST_F(PersonWindowTest, AFailedSearchRestoresTheButtonAndTheCursor) {
    LogIn(0, "");
    TADOQuery* change = New<TADOQuery>(nullptr);
    change->SetConnection(Frm_Data->ADOConnection1);
    ExecQuery(change, "update T_FieldShow set Field='Company or 1=1' where Name='个人名称'");
    change->Free();
    ChooseColumn("个人名称");
    Frm_Custom->Edit_Key->SetText("x");
    const int before = Persons()->RecordCount();
    EXPECT_THROW(Frm_Custom->Btn_S_CustClick(Frm_Custom->Btn_S_Cust), EDatabaseError);
    EXPECT_TRUE(Frm_Custom->Btn_S_Cust->Enabled());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(Persons()->RecordCount(), before);

    // Without a chosen column the search asks for one.
    Frm_Custom->Combo_Type->SetItemIndex(-1);
    Frm_Custom->Btn_S_CustClick(Frm_Custom->Btn_S_Cust);
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "请选择一种查询条件进行查询！");
    EXPECT_EQ(app_.Boxes[0].Caption, "提示");
    EXPECT_EQ(app_.Boxes[0].Flags & MB_ICONMASK, UINT(MB_ICONINFORMATION));
}

TEST_F(PersonWindowTest, WithoutRight4TheSearchButtonAndEnterDoNothing) {
    LogIn(0, "");
    OperatorSession().Rights.Set(4, false);
    Frm_Custom->FormShow(Frm_Custom);
    EXPECT_FALSE(Frm_Custom->Btn_S_Cust->Enabled());
    Frm_Custom->Edit_Key->SetText("张");
    const String sql = Persons()->SQL()->Text();
    WORD key = 13;
    Frm_Custom->Edit_KeyKeyDown(Frm_Custom->Edit_Key, key, TShiftState());
    EXPECT_EQ(Persons()->SQL()->Text(), sql);
}

TEST_F(PersonWindowTest, HeadingEntriesAreSkippedAndLaterEntriesBelongToContacts) {
    LogIn(0, "");
    TComboBox* combo = Frm_Custom->Combo_Type;
    combo->Items()->Insert(2, "**客户选项**");
    combo->SetItemIndex(2);
    Frm_Custom->Combo_TypeChange(combo);
    EXPECT_EQ(combo->ItemIndex(), 3);
    EXPECT_EQ(Frm_Custom->QueryTable, "Custom");
    combo->SetItemIndex(8);
    Frm_Custom->Combo_TypeChange(combo);
    EXPECT_EQ(Frm_Custom->QueryTable, "Contact");
}

TEST_F(PersonWindowTest, SavingColumnsAfterAResizeWritesTheNewWidths) {
    LogIn(0, "");
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    TColumnEh* company = grid->Columns()->ColumnAt(1);
    ASSERT_EQ(company->FieldName(), "Company");
    company->SetWidth(137);
    grid->Columns()->ColumnAt(2)->SetIndex(0);  // Category first
    Frm_Custom->N25Click(nullptr);
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "列属性已成功保存!");
    EXPECT_EQ(Count("select width as n from T_FieldShow where tablename='custom' and field='Company'"), 137);
    EXPECT_EQ(Count("select showid as n from T_FieldShow where tablename='custom' and field='Category'"), 0);
    EXPECT_EQ(Count("select showid as n from T_FieldShow where tablename='custom' and field='CustCode'"), 1);
    // The next list load shows the saved layout.
    Frm_Custom->N6Click(nullptr);
    EXPECT_EQ(GridFields().at(0), "Category");
    EXPECT_EQ(grid->Columns()->ColumnAt(2)->Width(), 137);
}

TEST_F(PersonWindowTest, SortMarkersOrderThePersonList) {
    LogIn(0, "");
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    TColumnEh* code = grid->Columns()->ColumnAt(0);
    ASSERT_EQ(code->FieldName(), "CustCode");
    code->Title()->SetSortMarker(smUpEh);
    Frm_Custom->Grid_CustSortMarkingChanged(grid);
    EXPECT_EQ(Persons()->Sort(), "  CustCode DESC ");
    Persons()->First();
    EXPECT_EQ(Persons()->FieldByName("CustCode")->AsInteger(), Count("select max(CustCode) as n from custom"));
    code->Title()->SetSortMarker(smNoneEh);
    Frm_Custom->Grid_CustSortMarkingChanged(grid);
    EXPECT_EQ(Persons()->Sort(), "");
}

// The width of `text` in `font`.
int TextWidthIn(const TCustomFont* font, const String& text) {
    return TTextMeasure(&PlatformFont(*font)).Extent(text).cx;
}

TEST_F(PersonWindowTest, EveryTitleFitsBesideASortMarkerWithItsNumber) {
    LogIn(0, "");
    TDBGridEh* grid = Frm_Custom->Grid_Cust;
    TDBGridColumnsEh* columns = grid->Columns();
    ASSERT_GE(columns->Count(), 2);
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        SCOPED_TRACE(column->FieldName());
        // Two columns sorted: this one second, so its marker carries the number 2.
        TColumnEh* other = columns->ColumnAt(i == 0 ? 1 : 0);
        other->Title()->SetSortMarker(smDownEh);
        column->Title()->SetSortMarker(smUpEh);
        ASSERT_EQ(column->Title()->SortIndex(), 2);
        const int digits = grid->SortIndexDigitsWidth(2);
        const int area = column->Title()->SortAreaWidth(column->Width(), digits);
        EXPECT_GE(area, 16 + digits);  // the marker and its number are both shown
        EXPECT_LE(TextWidthIn(column->Title()->Font(), column->Title()->Caption()) + 4 + area, column->Width() - 1)
            << column->Title()->Caption();
        column->Title()->SetSortMarker(smNoneEh);
        other->Title()->SetSortMarker(smNoneEh);
    }
}

TEST_F(PersonWindowTest, EveryCategoryNameShowsWhole) {
    LogIn(0, "");
    TTreeView* tree = Frm_Custom->TreeView1;
    tree->FullExpand();
    DrainMessages();
    RECT client;
    GetClientRect(tree->Handle(), &client);
    int deepest = 0;
    for (int i = 0; i < tree->Items()->Count(); ++i) {
        TTreeNode* node = tree->Items()->Item(i);
        SCOPED_TRACE(node->Text());
        deepest = std::max(deepest, node->Level());
        RECT text{};
        *reinterpret_cast<HTREEITEM*>(&text) = node->ItemId();
        ASSERT_TRUE(SendMessageW(tree->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&text)));
        EXPECT_LE(text.right, client.right);
    }
    EXPECT_GE(deepest, 3);  // the root, then three levels of categories
}

TEST_F(PersonWindowTest, F5AnywhereInTheWindowReadsTheSameListAgainAndClosingFreesTheWindow) {
    LogIn(0, "");
    ClickNode(NodeWithText(Frm_Custom->TreeView1, "02-同事"));
    const String sql = Persons()->SQL()->Text();
    const String status = Status();
    // F5 (the short-cut of the grid menu's "刷新") wherever the focus is in the window.
    const struct {
        const char* where;
        TWinControl* control;
    } places[] = {
        {"grid", Frm_Custom->Grid_Cust},
        {"tree", Frm_Custom->TreeView1},
        {"search key", Frm_Custom->Edit_Key},
        {"column list", Frm_Custom->Combo_Type},
    };
    for (const auto& place : places) {
        SCOPED_TRACE(place.where);
        TADOQuery* change = New<TADOQuery>(nullptr);
        change->SetConnection(Frm_Data->ADOConnection1);
        ExecQuery(change, "insert into custom (CustCode, Company, Category, F_User) values (900, '新同事', '0201', 'Admin')");
        change->Free();
        const int before = Persons()->RecordCount();
        place.control->SetFocus();
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_F5, 1);
        Application->ProcessMessages();
        EXPECT_EQ(Persons()->SQL()->Text(), sql);
        EXPECT_EQ(Persons()->RecordCount(), before + 1);
        EXPECT_EQ(Status(), status);
    }

    Frm_Custom->Close();
    DrainMessages();
    EXPECT_EQ(Frm_Custom, nullptr);
    EXPECT_EQ(Status(), "");
    // The command that needs the window opens it again.
    Frm_Main->Cust_CustContactExecute(nullptr);
    ASSERT_NE(Frm_Custom, nullptr);
    EXPECT_FALSE(GridFields().empty());
}

// The main window's handlers named in its trace (channel "main").
std::vector<String>* gHandlers = nullptr;
void CaptureHandler(const char* line) {
    String text = line;
    const String tag = "trace:main: ";
    if (!gHandlers || text.compare(0, tag.size(), tag) != 0)
        return;
    text.erase(0, tag.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    if (text.find(':') == String::npos || text.find("Execute:") != String::npos)
        gHandlers->push_back(text.substr(0, text.find(':')));
}

TEST_F(PersonWindowTest, GridKeysAndDoubleClickRunTheMainWindowsActionsWhileEnabled) {
    LogIn(0, "");
    std::vector<String> handlers;
    gHandlers = &handlers;
    const TLogSink previous = SetLogSink(CaptureHandler);
    LogMain.SetLevel(TLogLevel::Trace);
    struct TStep {
        const char* name;
        bool enabled;
        WORD key;  // 0: a double click
        const char* handler;
    } const steps[] = {
        {"Delete", true, 46, "DelCustExecute"},
        {"Delete, action disabled", false, 46, nullptr},
        {"another key", true, 'A', nullptr},
        {"double click", true, 0, "EditCustExecute"},
        {"double click, action disabled", false, 0, nullptr},
    };
    // The person dialog that EditCust opens is closed as soon as its loop idles.
    TModalAnswer<TFrm_AddCust> closer([](TFrm_AddCust* dialog) { dialog->Close(); });
    for (const TStep& step : steps) {
        SCOPED_TRACE(step.name);
        handlers.clear();
        Frm_Main->DelCust->SetEnabled(step.enabled);
        Frm_Main->EditCust->SetEnabled(step.enabled);
        WORD key = step.key;
        if (key)
            Frm_Custom->Grid_CustKeyDown(Frm_Custom->Grid_Cust, key, TShiftState());
        else
            Frm_Custom->Grid_CustDblClick(Frm_Custom->Grid_Cust);
        EXPECT_EQ(handlers, step.handler ? std::vector<String>{step.handler} : std::vector<String>{});
    }
    LogMain.SetLevel(TLogLevel::Error);
    SetLogSink(previous);
    gHandlers = nullptr;
}

// A description that cannot be read (here: its grid) is reported; the main window goes on
// without the window.
TEST_F(PersonWindowTest, APersonWindowThatCannotBeMadeIsReportedAndLeavesNothingBehind) {
    TFormResourceFinder previous = SetFormResourceFinder(nullptr);
    std::optional<String> text = ProgramResource("TFrm_Custom");
    ASSERT_TRUE(text);
    const String grid = "object Grid_Cust: TDBGridEh\n";
    const std::size_t at = text->find(grid);
    ASSERT_NE(at, String::npos);
    const String broken = text->substr(0, at + grid.size()) + "        NoSuchProperty = 1\n" + text->substr(at + grid.size());
    SetFormResourceFinder([&](const String& className) -> std::optional<String> {
        return className == "TFrm_Custom" ? std::optional<String>(broken) : ProgramResource(className);
    });
    Frm_Login->Show();
    DrainMessages();
    Frm_Login->Combo_User->SetItemIndex(0);
    Frm_Login->Edit_Pass->SetText("");
    SendMessageW(Frm_Login->Btn_ok->Handle(), BM_CLICK, 0, 0);
    DrainMessages();
    Frm_Main->Show();
    DrainMessages();
    SetFormResourceFinder(previous);
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_NE(app_.Boxes[0].Text.find("NoSuchProperty"), String::npos) << app_.Boxes[0].Text;
    EXPECT_EQ(Frm_Custom, nullptr);
    EXPECT_EQ(Frm_Main->MDIChildCount(), 0);
    // The data module's person source lost nothing: another window can show it.
    Frm_Main->Cust_CustContactExecute(nullptr);
    EXPECT_NE(Frm_Custom, nullptr);
}

// ---- The category dialog -------------------------------------------------------------------------

TEST_F(PersonWindowTest, CategoryDialogAddsAChildWithTheProposedCode) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        EXPECT_EQ(tree->Caption(), "个人分类");
        EXPECT_EQ(tree->TreeTable, "Cust_Category");
        EXPECT_FALSE(tree->TB_Save->Enabled());
        // The tree's node image, and an image above each tool-bar caption.
        ASSERT_NE(tree->TreeView1->Images(), nullptr);
        EXPECT_EQ(tree->TreeView1->Images()->Count(), 1);
        auto* toolBar = dynamic_cast<TToolBar*>(tree->FindComponent("ToolBar1"));
        ASSERT_NE(toolBar, nullptr);
        ASSERT_NE(toolBar->Images(), nullptr);
        EXPECT_EQ(toolBar->Images()->Count(), 8);
        EXPECT_EQ(tree->TB_Add->ImageIndex(), 0);
        EXPECT_EQ(tree->TB_Close->ImageIndex(), 7);
        TTreeNode* node = NodeWithText(tree->TreeView1, "04-其他");
        ASSERT_NE(node, nullptr);
        node->SetSelected(true);
        tree->TreeView1Click(tree->TreeView1);
        EXPECT_EQ(tree->Edit_Code->Text(), "04");
        EXPECT_EQ(tree->Edit_Name->Text(), "其他");
        tree->TB_AddClick(tree->TB_Add);
        EXPECT_EQ(tree->Edit_Code->Text(), "0401");
        EXPECT_EQ(tree->Edit_Name->Text(), "");
        EXPECT_TRUE(tree->TB_Save->Enabled());
        EXPECT_FALSE(tree->TB_Add->Enabled());
        tree->Edit_Name->SetText("  驴友 ");
        tree->TB_SaveClick(tree->TB_Save);
        EXPECT_TRUE(tree->TB_Add->Enabled());
        TTreeNode* added = NodeWithText(tree->TreeView1, "0401-驴友");
        ASSERT_NE(added, nullptr);
        EXPECT_EQ(added->Parent(), node);
        // The parent, collapsed before, shows its new child, which is selected with its fields.
        EXPECT_TRUE(node->Expanded());
        EXPECT_TRUE(added->Selected());
        EXPECT_EQ(tree->Edit_Code->Text(), "0401");
        EXPECT_EQ(tree->Edit_Name->Text(), "驴友");
        // A sibling of the new node.
        added->SetSelected(true);
        tree->N1Click(nullptr);
        EXPECT_EQ(tree->Edit_Code->Text(), "0402");
        tree->TB_CancelClick(nullptr);
        tree->TB_CloseClick(nullptr);
    });
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='0401' and name='驴友'"), 1);
    EXPECT_TRUE(app_.Boxes.empty());
    // The person window's tree shows it after its refresh.
    Frm_Custom->N2Click(nullptr);
    EXPECT_NE(NodeWithText(Frm_Custom->TreeView1, "0401-驴友"), nullptr);
}

TEST_F(PersonWindowTest, CategoryDialogRefusesBadCodesAndStaysInTheAddingState) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        tree->TreeView1->Items()->Item(0)->SetSelected(true);
        tree->TB_AddClick(nullptr);
        const struct {
            const char* code;
            const char* name;
            const char* message;
        } cases[] = {
            {"1.5", "x", "编码必须是数字!"}, {"010", "x", "编码规则出错!"}, {"01", "x", "编码重复!,不能保存!"},
            {"0901", "x", "编码错误,父节点不存在!"}, {"06", "", "名称不能为空!"}, {"06", "   ", "名称不能为空!"},
        };
        for (const auto& c : cases) {
            SCOPED_TRACE(c.code);
            app_.Boxes.clear();
            tree->Edit_Code->SetText(c.code);
            tree->Edit_Name->SetText(c.name);
            tree->TB_SaveClick(nullptr);
            ASSERT_EQ(app_.Boxes.size(), 1u);
            EXPECT_EQ(app_.Boxes[0].Text, c.message);
            EXPECT_EQ(app_.Boxes[0].Flags & MB_ICONMASK, UINT(MB_ICONINFORMATION));
            EXPECT_TRUE(tree->TB_Save->Enabled());
        }
        tree->TB_CancelClick(nullptr);
        tree->TB_CloseClick(nullptr);
    });
    const int before = Count("select count(*) as n from Cust_Category");
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category"), before);
}

TEST_F(PersonWindowTest, CategoryDialogRenamesAndDeletesTheSelectedNode) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        // The last clicked node is 01; the selection moved to 0502 by keyboard.
        TTreeNode* first = NodeWithText(tree->TreeView1, "01-亲友");
        first->SetSelected(true);
        tree->TreeView1Click(nullptr);
        NodeWithText(tree->TreeView1, "0502-家政维修")->SetSelected(true);
        tree->TB_EditClick(nullptr);
        EXPECT_EQ(tree->Edit_Code->Text(), "0502");
        EXPECT_FALSE(tree->Edit_Code->Enabled());
        // An empty name is refused and the name change goes on.
        tree->Edit_Name->SetText(" ");
        tree->TB_SaveClick(nullptr);
        ASSERT_EQ(app_.Boxes.size(), 1u);
        EXPECT_EQ(app_.Boxes[0].Text, "名称不能为空!");
        EXPECT_TRUE(tree->TB_Save->Enabled());
        app_.Boxes.clear();
        tree->Edit_Name->SetText("维修服务");
        tree->TB_SaveClick(nullptr);
        EXPECT_NE(NodeWithText(tree->TreeView1, "0502-维修服务"), nullptr);
        EXPECT_EQ(NodeWithText(tree->TreeView1, "01-亲友"), first);

        // A node with children is refused; a leaf goes after the question.
        first->SetSelected(true);
        tree->TB_DelClick(nullptr);
        ASSERT_EQ(app_.Boxes.size(), 1u);
        EXPECT_EQ(app_.Boxes[0].Text, "不能删除有子目录的目录，请先删除子目录！");
        NodeWithText(tree->TreeView1, "0502-维修服务")->SetSelected(true);
        app_.SetAnswer(IDCANCEL);
        tree->TB_DelClick(nullptr);
        EXPECT_NE(NodeWithText(tree->TreeView1, "0502-维修服务"), nullptr);
        app_.SetAnswer(IDOK);
        tree->TB_DelClick(nullptr);
        EXPECT_EQ(NodeWithText(tree->TreeView1, "0502-维修服务"), nullptr);
        EXPECT_EQ(app_.Boxes.back().Text, "你真的要删除所选择的目录吗？\n\n0502-维修服务");
        // The root is never deleted: with its children it is refused like any parent.
        const std::size_t boxes = app_.Boxes.size();
        TTreeNode* root = tree->TreeView1->Items()->Item(0);
        root->SetSelected(true);
        tree->TB_DelClick(nullptr);
        ASSERT_EQ(app_.Boxes.size(), boxes + 1);
        EXPECT_EQ(app_.Boxes.back().Text, "不能删除有子目录的目录，请先删除子目录！");
        EXPECT_EQ(tree->TreeView1->Items()->Item(0), root);
        tree->TB_CloseClick(nullptr);
    });
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='0502'"), 0);
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='01' and name='亲友'"), 1);
}

TEST_F(PersonWindowTest, CategoryDialogPicksForThePersonDialogAndRemembersIt) {
    LogIn(0, "");
    auto* person = New<TFrm_AddCust>(Frm_Main);
    auto* tree = New<TFrm_Tree>(person);
    tree->TreeTable = "Cust_Category";
    tree->TreeCaption = "个人分类";
    tree->PickMode = 1;
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* t) {
        NodeWithText(t->TreeView1, "030101-上海客户")->SetSelected(true);
        t->TreeView1DblClick(nullptr);
    });
    tree->ShowModal();
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(person->CategoryCode, "030101");
    EXPECT_EQ(person->CategoryText(), "上海客户");
    tree->Free();
    person->Free();
    EXPECT_EQ(Frm_Data->IniFile->ReadString("login", "Category", ""), "上海客户");
    EXPECT_EQ(Frm_Data->IniFile->ReadString("login", "Catecode", ""), "030101");
}

TEST_F(PersonWindowTest, GoodsCategoriesHaveTheirOwnTreeAndCaption) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        EXPECT_EQ(tree->Caption(), "商品分类");
        EXPECT_EQ(tree->TreeTable, "Goods_Category");
        EXPECT_EQ(tree->PickMode, 0);
        TTreeNodes* nodes = tree->TreeView1->Items();
        EXPECT_EQ(nodes->Count(), 1 + Count("select count(*) as n from Goods_Category"));
        EXPECT_EQ(nodes->Item(0)->Text(), "商品分类");
        EXPECT_EQ(nodes->Item(1)->Text(), "01-办公用品");
        // Picking in management mode only selects.
        nodes->Item(1)->SetSelected(true);
        tree->TB_SelectClick(nullptr);
        EXPECT_TRUE(tree->Visible());
        tree->TB_CloseClick(nullptr);
    });
    Frm_Main->Goods_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
}

// After the program switched to another database the dialog edits that one.
TEST_F(PersonWindowTest, CategoryDialogConnectsWithTheCurrentConnectionText) {
    LogIn(0, "");
    const fs::path other = folder_.Path() / "Other.mdb";
    fs::copy_file(folder_.Path() / "DataBase" / "Custom.mdb", other);
    TADOConnection* connection = Frm_Data->ADOConnection1;
    const String text = BuildConnectionString(String(), PathToUtf8(other));
    connection->Close();
    connection->SetConnectionString(text);
    connection->Open();
    ExecQuery(Frm_Data->Qry_Temp, "insert into Cust_Category (code, name) values ('06', '另一个库')");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        EXPECT_EQ(tree->Qry_Hy->ConnectionString(), text);
        EXPECT_EQ(tree->Qry_repeat->ConnectionString(), text);
        EXPECT_EQ(tree->Qry->ConnectionString(), text);
        EXPECT_EQ(tree->Edit_Code->MaxLength(), 11);
        ASSERT_NE(NodeWithText(tree->TreeView1, "06-另一个库"), nullptr);
        tree->TreeView1->Items()->Item(0)->SetSelected(true);
        tree->TB_AddClick(nullptr);
        EXPECT_EQ(tree->Edit_Code->Text(), "07");
        tree->Edit_Name->SetText("新分类");
        tree->TB_SaveClick(nullptr);
        tree->TB_CloseClick(nullptr);
    });
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='07'"), 1);
    connection->Close();
    connection->SetConnectionString(BuildConnectionString(PathToUtf8(folder_.Path()) + "\\", String()));
    connection->Open();
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code in ('06', '07')"), 0);
}

// ---- The column chooser ----------------------------------------------------------------------------

TEST_F(PersonWindowTest, ColumnChooserSwitchesColumnsOnAndOff) {
    LogIn(0, "");
    TModalAnswer<TFrm_Field> answer([&](TFrm_Field* chooser) {
        EXPECT_EQ(chooser->Caption(), "选择显示的字段");
        EXPECT_EQ(chooser->SrcList->Items()->Strings(0), "传真号码");
        // Two shown columns switched off arrive in reverse order.
        const int age = chooser->DstList->Items()->IndexOf("年龄");
        const int qq = chooser->DstList->Items()->IndexOf("QQ号");
        ASSERT_GE(age, 0);
        ASSERT_GE(qq, 0);
        chooser->DstList->SetSelected(age, true);
        chooser->DstList->SetSelected(qq, true);
        chooser->SP_leftClick(nullptr);
        const int n = chooser->SrcList->Count();
        EXPECT_EQ(chooser->SrcList->Items()->Strings(n - 2), "QQ号");
        EXPECT_EQ(chooser->SrcList->Items()->Strings(n - 1), "年龄");
        chooser->SrcList->SetSelected(0, true);
        for (int i = 1; i < chooser->SrcList->Count(); ++i) chooser->SrcList->SetSelected(i, false);
        chooser->SP_rightClick(nullptr);  // 传真号码 on
        chooser->Btn_okClick(nullptr);
    });
    Frm_Main->ShowField_CustExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Frm_Field, nullptr);
    ASSERT_FALSE(app_.Boxes.empty());
    EXPECT_EQ(app_.Boxes.back().Text, "修改完成！");
    EXPECT_EQ(Count("select show as n from T_FieldShow where tablename='custom' and Name='年龄'"), 0);
    EXPECT_EQ(Count("select show as n from T_FieldShow where tablename='custom' and Name='QQ号'"), 0);
    EXPECT_EQ(Count("select show as n from T_FieldShow where tablename='custom' and Name='传真号码'"), 1);
    // The grid follows at the next list load; fax takes its old place.
    Frm_Custom->N6Click(nullptr);
    const std::vector<String> fields = GridFields();
    EXPECT_EQ(std::count(fields.begin(), fields.end(), "MainContact"), 0);
    const auto fax = std::find(fields.begin(), fields.end(), "fax");
    ASSERT_NE(fax, fields.end());
    EXPECT_EQ(*(fax - 1), "tel");
}

TEST_F(PersonWindowTest, ColumnChooserMovesAllAndCancelWritesNothing) {
    LogIn(0, "");
    TModalAnswer<TFrm_Field> answer([&](TFrm_Field* chooser) {
        chooser->SP_allleftClick(nullptr);
        EXPECT_EQ(chooser->DstList->Count(), 0);
        EXPECT_FALSE(chooser->SP_left->Enabled());
        EXPECT_FALSE(chooser->SP_allleft->Enabled());
        EXPECT_TRUE(chooser->SP_allright->Enabled());
        chooser->SP_allrightClick(nullptr);
        EXPECT_EQ(chooser->SrcList->Count(), 0);
        EXPECT_FALSE(chooser->SP_right->Enabled());
        chooser->Btn_exitClick(nullptr);
    });
    const int shown = Count("select count(*) as n from T_FieldShow where tablename='custom' and show=1");
    Frm_Main->ShowField_CustExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from T_FieldShow where tablename='custom' and show=1"), shown);
}

TEST_F(PersonWindowTest, CategoryDialogFieldsFollowTheSelectionAndDeleteNamesWhatItDeletes) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        // A selection by keyboard or program shows the node's fields, the root's too.
        NodeWithText(tree->TreeView1, "0502-家政维修")->SetSelected(true);
        EXPECT_EQ(tree->Edit_Code->Text(), "0502");
        EXPECT_EQ(tree->Edit_Name->Text(), "家政维修");
        tree->TreeView1->Items()->Item(0)->SetSelected(true);
        EXPECT_EQ(tree->Edit_Code->Text(), "");
        EXPECT_EQ(tree->Edit_Name->Text(), "个人分类");
        EXPECT_FALSE(tree->N1->Enabled());

        // While a name is typed a new selection leaves the fields alone.
        NodeWithText(tree->TreeView1, "0502-家政维修")->SetSelected(true);
        tree->TB_EditClick(nullptr);
        tree->Edit_Name->SetText("维修");
        NodeWithText(tree->TreeView1, "01-亲友")->SetSelected(true);
        EXPECT_EQ(tree->Edit_Code->Text(), "0502");
        EXPECT_EQ(tree->Edit_Name->Text(), "维修");
        tree->TB_CancelClick(nullptr);

        // Deleting the leaf 0502 moves the selection: the fields and the next question follow it.
        TTreeNode* leaf = NodeWithText(tree->TreeView1, "0502-家政维修");
        leaf->SetSelected(true);
        TTreeNode* parent = leaf->Parent();
        const bool onlyChild = parent->Count() == 1;
        tree->TB_DelClick(nullptr);
        ASSERT_FALSE(app_.Boxes.empty());
        EXPECT_EQ(app_.Boxes.back().Text, "你真的要删除所选择的目录吗？\n\n0502-家政维修");
        TTreeNode* now = tree->TreeView1->Selected();
        ASSERT_NE(now, nullptr);
        EXPECT_EQ(tree->Edit_Code->Text(), SplitNodeText(now->Text()).Code);
        EXPECT_EQ(tree->Edit_Name->Text(), SplitNodeText(now->Text()).Name);
        app_.SetAnswer(IDCANCEL);
        tree->TB_DelClick(nullptr);
        if (onlyChild || now->Count() == 0) {
            EXPECT_EQ(app_.Boxes.back().Text, "你真的要删除所选择的目录吗？\n\n" + now->Text());
        }
        tree->TB_CloseClick(nullptr);
    });
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='0502'"), 0);
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='05'"), 1);
}

struct TPopupsSeen {
    int count = 0;
    void Popup(TObject*) {
        ++count;
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);  // the menu closes again
    }
};

TEST_F(PersonWindowTest, ARightClickOnTheCategoryTreeOpensItsMenu) {
    LogIn(0, "");
    TTreeView* tree = Frm_Custom->TreeView1;
    TPopupsSeen popups;
    Frm_Custom->Menu_Tree->OnPopup = Event<&TPopupsSeen::Popup>(&popups);
    TTreeNode* node = NodeWithText(tree, "03-客户");
    ASSERT_NE(node, nullptr);
    RECT r{};
    const HTREEITEM item = node->ItemId();
    std::memcpy(&r, &item, sizeof item);  // the message takes the item in the rectangle
    ASSERT_TRUE(SendMessageW(tree->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
    PostMessageW(tree->Handle(), WM_RBUTTONDOWN, MK_RBUTTON, at);
    PostMessageW(tree->Handle(), WM_RBUTTONUP, 0, at);
    DrainMessages();
    EXPECT_EQ(popups.count, 1);
    Frm_Custom->Menu_Tree->OnPopup = nullptr;
}

// Keys as a person types them: posted to the window with the focus (in the active dialog: its
// active control) and run through the application's message loop.
HWND KeyTarget() {
    HWND focus = GetFocus();
    for (int i = 0; i < Screen->FormCount(); ++i) {
        TCustomForm* form = Screen->Forms(i);
        if (!form->FormState().Contains(fsModal) || !form->HandleAllocated())
            continue;
        if (focus && (focus == form->Handle() || IsChild(form->Handle(), focus)))
            return focus;
        return form->ActiveControl() ? form->ActiveControl()->Handle() : form->Handle();
    }
    return focus;
}

// The application's own message processing: keys go through its short-cut and dialog-key steps.
void Press(WORD key) {
    PostMessageW(KeyTarget(), WM_KEYDOWN, key, 1);
    Application->ProcessMessages();
}

void PressAlt(WORD key, wchar_t character) {
    const LPARAM alt = 1 | (1 << 29);
    HWND target = KeyTarget();
    PostMessageW(target, WM_SYSKEYDOWN, key, alt);
    if (character)
        PostMessageW(target, WM_SYSCHAR, character, alt);
    Application->ProcessMessages();
}

TEST_F(PersonWindowTest, CategoryDialogKeysWorkAsInAnyDialog) {
    LogIn(0, "");
    TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) {
        NodeWithText(tree->TreeView1, "04-其他")->SetSelected(true);
        tree->TreeView1->SetFocus();
        // The tool bar's underlined letters.
        PressAlt('A', L'a');
        EXPECT_TRUE(tree->TB_Save->Enabled()) << "Alt+A adds";
        EXPECT_EQ(tree->Edit_Code->Text(), "0401");
        // Esc drops the entry, Enter in the name saves it.
        Press(VK_ESCAPE);
        EXPECT_TRUE(tree->TB_Add->Enabled()) << "Esc cancels the entry";
        EXPECT_TRUE(tree->Visible());
        PressAlt('A', L'a');
        tree->Edit_Name->SetText("驴友");
        ASSERT_EQ(KeyTarget(), tree->Edit_Name->Handle());
        Press(VK_RETURN);
        EXPECT_TRUE(tree->TB_Add->Enabled()) << "Enter saves";
        EXPECT_NE(NodeWithText(tree->TreeView1, "0401-驴友"), nullptr);
        // The drop-down menu's F3 (a sibling) and F4 (a child).
        tree->TreeView1->SetFocus();
        Press(VK_F3);
        EXPECT_EQ(tree->Edit_Code->Text(), "0402") << "F3 adds a sibling";
        Press(VK_ESCAPE);
        NodeWithText(tree->TreeView1, "0401-驴友")->SetSelected(true);
        tree->TreeView1->SetFocus();
        Press(VK_F4);
        EXPECT_EQ(tree->Edit_Code->Text(), "040101") << "F4 adds a child";
        Press(VK_ESCAPE);
        EXPECT_TRUE(tree->TB_Add->Enabled());
        // Alt+R refreshes (the tree is read again, the first node selected); Alt+Q closes.
        PressAlt('R', L'r');
        EXPECT_EQ(tree->TreeView1->Selected(), tree->TreeView1->Items()->GetFirstNode());
        PressAlt('Q', L'q');
        EXPECT_EQ(tree->ModalResult(), mrCancel);
    });
    Frm_Main->Cust_CategoryExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(Count("select count(*) as n from Cust_Category where code='0401' and name='驴友'"), 1);
    EXPECT_TRUE(app_.Boxes.empty());
}

// Esc, and Alt+F4, close each dialog that has a cancel or exit button, as its button does.
TEST_F(PersonWindowTest, EscAndAltF4CloseTheDialogs) {
    LogIn(0, "");
    const struct {
        const char* name;
        bool altF4;
    } keys[] = {{"Esc", false}, {"Alt+F4", true}};
    for (const auto& k : keys) {
        SCOPED_TRACE(k.name);
        const auto close = [&](TCustomForm* dialog) {
            DrainMessages();
            if (k.altF4)
                PressAlt(VK_F4, 0);
            else
                Press(VK_ESCAPE);
            EXPECT_EQ(dialog->ModalResult(), mrCancel) << dialog->ClassName();
        };
        {
            TModalAnswer<TFrm_Tree> answer([&](TFrm_Tree* tree) { close(tree); });
            Frm_Main->Cust_CategoryExecute(nullptr);
            EXPECT_TRUE(answer.Seen());
        }
        {
            TModalAnswer<TFrm_Field> answer([&](TFrm_Field* chooser) { close(chooser); });
            Frm_Main->ShowField_CustExecute(nullptr);
            EXPECT_TRUE(answer.Seen());
        }
        {
            TModalAnswer<TFrm_Login> answer([&](TFrm_Login* login) { close(login); });
            Frm_Main->Sys_ReloginClick(nullptr);
            EXPECT_TRUE(answer.Seen());
            EXPECT_EQ(Frm_Main->OperatorName, "Admin");
        }
    }
    EXPECT_TRUE(app_.Boxes.empty());
}

TEST_F(PersonWindowTest, ColumnChooserRefusesToShowNoColumn) {
    LogIn(0, "");
    bool stillOpen = false;
    TModalAnswer<TFrm_Field> answer([&](TFrm_Field* chooser) {
        chooser->SP_allleftClick(nullptr);
        chooser->Btn_okClick(nullptr);
        stillOpen = chooser->Visible() && chooser->ModalResult() == mrNone;
    });
    const int shown = Count("select count(*) as n from T_FieldShow where tablename='custom' and show=1");
    Frm_Main->ShowField_CustExecute(nullptr);
    EXPECT_TRUE(answer.Seen());
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(app_.Boxes.size(), 1u);
    EXPECT_EQ(app_.Boxes[0].Text, "请至少选择一个要显示的字段！");
    EXPECT_EQ(app_.Boxes[0].Caption, "警告");
    EXPECT_EQ(Count("select count(*) as n from T_FieldShow where tablename='custom' and show=1"), shown);
}

}  // namespace
