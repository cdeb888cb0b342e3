// The grid's cell editor over a real data set: the style each cell gets, editing and posting, Esc,
// text the field refuses, the pick list, the lookup list, the calendar and the calculator chosen
// with the keyboard and the mouse. Pictures of the open drop-downs are kept in the folder named by
// VESTREL_TEST_ARTIFACTS (default: test-artifacts under the working folder).
#include "DBGridEhTestSupport.h"

#include "CalculatorEhControls.h"
#include "DBLookupGridsEh.h"
#include "DateTime.h"
#include "Forms.h"

#include <filesystem>

using namespace gridwin;

namespace {

const char* kItemsScript = R"(
CREATE TABLE cats (code INTEGER PRIMARY KEY, title TEXT(20));
INSERT INTO cats VALUES (1, 'Abel'), (2, 'Baker'), (3, 'Charlie'), (4, 'Abbott');
CREATE TABLE items (id INTEGER PRIMARY KEY, name TEXT(8), born DATETIME, amount FLOAT, cat INTEGER, size TEXT(10));
INSERT INTO items VALUES (1, 'one', '2020-01-15', 1.5, 1, 'small'), (2, 'two', '2021-06-30', 2.5, 9, 'big'),
    (3, 'three', NULL, 3, NULL, NULL);
)";

// Grid columns (after the indicator): id, name, born, amount, cat, size, catName.
enum { kName = 2, kBorn = 3, kAmount = 4, kSize = 6, kCatName = 7 };

class GridInplaceEdit : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("items.mdb");
        dbtest::BuildDatabase(path_, {{"items.sql", kItemsScript}});
        session_ = std::make_unique<dbtest::Session>(path_);
        cats_ = session_->NewQuery();
        OpenQuery(cats_, "select * from cats order by code");
        items_ = session_->query;
        AddField<TIntegerField>(items_, "id");
        AddField<TStringField>(items_, "name", 8);
        AddField<TDateTimeField>(items_, "born");
        AddField<TFloatField>(items_, "amount");
        AddField<TIntegerField>(items_, "cat");
        AddField<TStringField>(items_, "size", 10);
        TStringField* catName = AddField<TStringField>(items_, "catName", 20);
        catName->SetFieldKind(fkLookup);
        catName->KeyFields = "cat";
        catName->LookupDataSet = cats_;
        catName->LookupKeyFields = "code";
        catName->LookupResultField = "title";
        OpenQuery(items_, "select * from items order by id");

        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(100, 100, 760, 320);
        TDataSource* source = New<TDataSource>(form_.get());
        source->SetDataSet(items_);
        grid = New<TDBGridEh>(form_.get());
        grid->SetParent(form_.get());
        grid->SetBounds(0, 0, 720, 200);
        grid->Font()->SetName("Tahoma");
        grid->Font()->SetHeight(-11);
        grid->SetDataSource(source);
        TStrings* picks = Column(kSize)->PickList();
        picks->Add("small");
        picks->Add("medium");
        picks->Add("enormous-size");  // longer than the field holds
        form_->Show();
        grid->SetFocus();
        DrainMessages();
        previousBox_ = SetMessageBoxFunction([this](HWND, const String& text, const String&, UINT) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        SetMessageBoxFunction(previousBox_);
        SetModifiers(false, false);
        form_.reset();
        DrainMessages();
    }

    TColumnEh* Column(int gridCol) { return grid->Columns()->ColumnAt(gridCol - 1); }
    TDBGridInplaceEdit* Editor() { return dynamic_cast<TDBGridInplaceEdit*>(grid->InplaceEditor()); }
    HWND EditorWindow() { return Editor()->Handle(); }

    // Opens the editor on `gridCol` of the current row.
    void EditCell(int gridCol) {
        grid->SetCol(gridCol);
        SendMessageW(grid->Handle(), WM_KEYDOWN, VK_F2, 1);
        ASSERT_TRUE(grid->EditorShown());
    }
    void Type(const String& text) {
        for (wchar_t c : ToWide(text)) SendMessageW(EditorWindow(), WM_CHAR, c, 1);
    }
    // A key through the editor's window, the character (if any) following as the system sends it.
    void Press(WORD key, bool alt = false) {
        const LPARAM data = 1 | (alt ? 0x20000000 : 0);
        SendMessageW(EditorWindow(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data);
        if (key == VK_RETURN) SendMessageW(EditorWindow(), WM_CHAR, L'\r', data);
        if (key == VK_ESCAPE) SendMessageW(EditorWindow(), WM_CHAR, 27, data);
    }
    void ClickListRow(TPopupListboxEh* list, int index) {
        RECT r{};
        SendMessageW(list->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list->Handle(), WM_LBUTTONUP, 0, at);
    }
    // Presses and releases the mouse on data row `row` of the drop-down grid.
    void ClickDataListRow(TPopupDataGridEh* list, int row) {
        const TRect r = list->CellRect(list->IndicatorOffset(), list->TitleOffset() + row);
        const LPARAM at = MAKELPARAM(r.Left + 5, (r.Top + r.Bottom) / 2);
        SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list->Handle(), WM_LBUTTONUP, 0, at);
    }
    String StoredText(int id, const String& column) {
        TADOQuery* check = session_->NewQuery();
        OpenQuery(check, "select " + column + " as v from items where id = " + std::to_string(id));
        return check->FieldByName("v")->AsString();
    }
    // A picture of the open drop-down for people to look at.
    void KeepPicture(TWinControl* popup, const String& name) {
        const char* dir = std::getenv("VESTREL_TEST_ARTIFACTS");
        const std::filesystem::path folder = dir && *dir ? std::filesystem::path(dir) : std::filesystem::path("test-artifacts");
        std::error_code ec;
        std::filesystem::create_directories(folder, ec);
        RECT r;
        GetWindowRect(popup->Handle(), &r);
        TBitmap picture;
        picture.SetSize(r.right - r.left, r.bottom - r.top);
        SendMessageW(popup->Handle(), WM_PRINT, reinterpret_cast<WPARAM>(picture.Canvas()->Handle()),
                     PRF_NONCLIENT | PRF_CLIENT | PRF_CHILDREN | PRF_ERASEBKGND);
        picture.Canvas()->Refresh();
        picture.SaveToFile((folder / (name + ".bmp")).string());
    }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session_;
    TADOQuery* cats_ = nullptr;
    TADOQuery* items_ = nullptr;
    std::unique_ptr<TForm, TFree> form_;
    TDBGridEh* grid = nullptr;
    std::vector<String> messages;
    TMessageBoxFunction previousBox_;
};

TEST_F(GridInplaceEdit, EachCellGetsTheStyleOfItsColumnAndField) {
    struct Case {
        int col;
        std::function<void(TColumnEh*)> setUp;
        TEditStyleEh style;
        bool calculator;
    } cases[] = {
        {kName, nullptr, esSimpleEh, false},
        {kBorn, nullptr, esDateCalendarEh, false},
        {kSize, nullptr, esPickListEh, false},
        {kCatName, nullptr, esDataListEh, false},
        {kCatName, [](TColumnEh* c) { c->SetReadOnly(true); }, esSimpleEh, false},  // a read-only lookup
        {kBorn, [](TColumnEh* c) { c->PickList()->Add("2000-01-01"); }, esPickListEh, false},  // not the calendar
        {kAmount, [](TColumnEh* c) { c->SetButtonStyle(cbsDropDown); }, esDropDownEh, true},
        {kName, [](TColumnEh* c) { c->SetButtonStyle(cbsDropDown); }, esDropDownEh, false},  // no calculator for text
        {kAmount, [](TColumnEh* c) { c->SetButtonStyle(cbsUpDown); }, esUpDownEh, false},
        {kName, [](TColumnEh* c) { c->SetButtonStyle(cbsEllipsis); }, esEllipsisEh, false},
        {kSize, [](TColumnEh* c) { c->SetButtonStyle(cbsNone); }, esSimpleEh, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.col);
        grid->SetEditorMode(false);
        TColumnEh* column = Column(c.col);
        if (c.setUp) c.setUp(column);
        EditCell(c.col);
        TDBGridInplaceEdit* editor = Editor();
        EXPECT_EQ(editor->EditStyle(), c.style);
        EXPECT_EQ(editor->DefaultButton()->Visible(), c.style != esSimpleEh);
        EXPECT_EQ(editor->ButtonWidth() > 0, c.style != esSimpleEh);
        EXPECT_EQ(dynamic_cast<TPopupCalculatorEh*>(editor->ActiveList()) != nullptr, c.calculator);
        if (c.style != esSimpleEh) {
            // The button sits at the right edge and the text stops before it.
            EXPECT_EQ(editor->DefaultButton()->Left() + editor->DefaultButton()->Width(), editor->ClientWidth());
            const LRESULT margins = SendMessageW(EditorWindow(), EM_GETMARGINS, 0, 0);
            EXPECT_GE(HIWORD(margins), editor->ButtonWidth());
        }
        SendMessageW(EditorWindow(), WM_KEYDOWN, VK_ESCAPE, 1);
        column->SetReadOnly(false);
        column->SetButtonStyle(cbsAuto);
        if (c.col == kBorn) column->PickList()->Clear();
    }
}

TEST_F(GridInplaceEdit, TypedTextIsPostedWhenTheRowIsLeftAndEscCancelsIt) {
    EditCell(kName);
    Type("uno");
    EXPECT_EQ(items_->State(), dsEdit);
    Press(VK_ESCAPE);  // the typed text goes
    EXPECT_FALSE(grid->EditorShown());
    EXPECT_EQ(items_->FieldByName("name")->AsString(), "one");
    EXPECT_FALSE(grid->DataLink()->Modified());
    SendMessageW(grid->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);  // and the edit of the row
    EXPECT_EQ(items_->State(), dsBrowse);
    EXPECT_EQ(StoredText(1, "name"), "one");

    EditCell(kName);
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type("uno");
    Press(VK_DOWN);
    EXPECT_EQ(items_->State(), dsBrowse);
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(StoredText(1, "name"), "uno");
    EXPECT_TRUE(messages.empty());
}

// Text the field cannot take: the field's message, the editor keeps the text, the row stays in
// edit and nothing reaches the database; Esc then gives the stored value back.
TEST_F(GridInplaceEdit, TextTheFieldRefusesIsReportedAndKeptWithNothingPosted) {
    struct Case {
        int col;
        const char* text;
        const char* message;
        const char* column;
        const char* stored;
    } cases[] = {
        {kAmount, "1-2", "'1-2' is not a valid floating point value", "amount", "1.5"},
        {kBorn, "notadate", "'notadate' is not a valid date", "born", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        const String before = StoredText(1, c.column);
        EditCell(kName);
        SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
        Type("changed");  // another field of the same row
        grid->SetCol(c.col);
        if (!grid->EditorShown()) SendMessageW(grid->Handle(), WM_KEYDOWN, VK_F2, 1);
        SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
        Type(c.text);
        EXPECT_EQ(Editor()->Text(), c.text);
        Press(VK_DOWN);
        ASSERT_EQ(messages.size(), 1u);
        EXPECT_NE(messages[0].find(c.message), String::npos) << messages[0];
        EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 1);
        EXPECT_EQ(items_->State(), dsEdit);
        ASSERT_TRUE(grid->EditorShown());
        EXPECT_EQ(Editor()->Text(), c.text);
        EXPECT_EQ(StoredText(1, c.column), before);
        EXPECT_EQ(StoredText(1, "name"), "one");  // nothing of the row was posted
        Press(VK_ESCAPE);  // the editor's text goes; a second Esc (to the grid) cancels the row
        if (grid->EditorShown()) Press(VK_ESCAPE);
        if (items_->State() != dsBrowse) SendMessageW(grid->Handle(), WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_EQ(items_->State(), dsBrowse);
        EXPECT_EQ(items_->FieldByName("name")->AsString(), "one");
    }
}

TEST_F(GridInplaceEdit, PickListOpensAsHighAsItsItemsAndIsChosenWithTheKeyboard) {
    EditCell(kSize);
    TDBGridInplaceEdit* editor = Editor();
    Press(VK_DOWN, true);
    ASSERT_TRUE(editor->ListVisible());
    TPopupListboxEh* list = editor->PickListBox();
    ASSERT_TRUE(list && IsWindowVisible(list->Handle()));
    EXPECT_EQ(list->Count(), 3);
    EXPECT_EQ(list->Rows(), 3);  // fewer items than the seven rows of a drop-down
    EXPECT_EQ(list->ItemIndex(), 0);
    EXPECT_EQ(GetFocus(), EditorWindow());
    RECT listRect, editRect;
    GetWindowRect(list->Handle(), &listRect);
    GetWindowRect(EditorWindow(), &editRect);
    EXPECT_EQ(listRect.top, editRect.bottom);
    EXPECT_GE(listRect.right - listRect.left, editRect.right - editRect.left);
    KeepPicture(list, "grid-pick-list");

    Press(VK_DOWN);
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(editor->Text(), "medium");  // the text follows the list
    Press(VK_ESCAPE);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "small");
    EXPECT_TRUE(grid->EditorShown());  // the Esc closed the list only

    Press(VK_DOWN, true);
    Press(VK_DOWN);
    Press(VK_RETURN);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_FALSE(IsWindowVisible(list->Handle()));
    EXPECT_EQ(editor->Text(), "medium");
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 1);  // the Enter closed the list only
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "size"), "medium");
    EXPECT_TRUE(messages.empty());

    // With more items than rows the list keeps its rows and scrolls.
    for (int i = 0; i < 7; ++i) Column(kSize)->PickList()->Add("x" + std::to_string(i));
    EditCell(kSize);
    Press(VK_DOWN, true);
    EXPECT_EQ(Editor()->PickListBox()->Rows(), 7);
    Press(VK_ESCAPE);
}

TEST_F(GridInplaceEdit, PickListChosenWithTheMouseAndAnEntryTooLongForTheFieldIsRefused) {
    EditCell(kSize);
    TDBGridInplaceEdit* editor = Editor();
    // A press on the button opens the list; the click that follows keeps it open.
    TEditButtonControlEh* button = editor->DefaultButton();
    const LPARAM onButton = MAKELPARAM(button->Left() + button->Width() / 2, button->Height() / 2);
    SendMessageW(EditorWindow(), WM_LBUTTONDOWN, MK_LBUTTON, onButton);
    SendMessageW(EditorWindow(), WM_LBUTTONUP, 0, onButton);
    ASSERT_TRUE(editor->ListVisible());
    ClickListRow(editor->PickListBox(), 2);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "enormous-size");
    EXPECT_EQ(GetFocus(), EditorWindow());
    Press(VK_DOWN);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("too long"), String::npos) << messages[0];
    EXPECT_EQ(editor->Text(), "enormous-size");
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 1);
    EXPECT_EQ(StoredText(1, "size"), "small");

    Press(VK_DOWN, true);
    ClickListRow(editor->PickListBox(), 1);
    EXPECT_EQ(editor->Text(), "medium");
    Press(VK_DOWN);
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 2);
    EXPECT_EQ(StoredText(1, "size"), "medium");
}

TEST_F(GridInplaceEdit, TypingCompletesFromThePickList) {
    EditCell(kSize);
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type("M");
    EXPECT_EQ(Editor()->Text(), "medium");
    EXPECT_EQ(Editor()->SelStart(), 1);
    EXPECT_EQ(Editor()->SelLength(), 5);
    Type("z");  // nothing starts with "mz": typed as usual over the completed tail
    EXPECT_EQ(Editor()->Text(), "mz");
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "size"), "mz");
}

// A column with a key list shows the pick-list text of the stored key and stores the key.
TEST_F(GridInplaceEdit, AKeyListColumnShowsTextsAndStoresKeys) {
    TColumnEh* column = Column(kSize);
    column->PickList()->Clear();
    for (const char* s : {"Small one", "Big one"}) column->PickList()->Add(s);
    for (const char* s : {"small", "big"}) column->KeyList()->Add(s);
    EditCell(kSize);
    EXPECT_EQ(Editor()->Text(), "Small one");
    Press(VK_DOWN, true);
    Press(VK_DOWN);
    Press(VK_RETURN);
    EXPECT_EQ(Editor()->Text(), "Big one");
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "size"), "big");
    // Typing completes among the texts and never leaves a text no entry has.
    EditCell(kSize);
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type("s");
    EXPECT_EQ(Editor()->Text(), "Small one");
    Type("q");
    EXPECT_EQ(Editor()->Text(), "Small one");
    // Delete with the whole text selected clears the value; a partial selection deletes nothing.
    SendMessageW(EditorWindow(), EM_SETSEL, 2, 4);
    SendMessageW(EditorWindow(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(Editor()->Text(), "Small one");
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    SendMessageW(EditorWindow(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_EQ(Editor()->Text(), "");
    Press(VK_UP);
    EXPECT_EQ(StoredText(2, "size"), "");
    items_->Locate("id", Variant(2), 0);
    EXPECT_TRUE(items_->FieldByName("size")->IsNull());
}

TEST_F(GridInplaceEdit, LookupCellsShowTheirListValueAndAMissingKeyShowsEmpty) {
    EXPECT_EQ(items_->FieldByName("catName")->AsString(), "Abel");
    items_->Next();
    EXPECT_TRUE(items_->FieldByName("catName")->IsNull());  // key 9 is in no row of the list
    items_->Next();
    EXPECT_TRUE(items_->FieldByName("catName")->IsNull());
    items_->First();
    const std::vector<TTextRecord> shown = RecordText(grid);
    EXPECT_NE(FindText(shown, "Abel"), nullptr);
    for (const char* other : {"Baker", "Charlie", "Abbott"}) EXPECT_EQ(FindText(shown, other), nullptr) << other;
}

TEST_F(GridInplaceEdit, LookupListCompletesTypedTextAndIsChosenWithKeyboardAndMouse) {
    EditCell(kCatName);
    TDBGridInplaceEdit* editor = Editor();
    EXPECT_EQ(editor->Text(), "Abel");
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type("a");
    Type("b");
    EXPECT_EQ(editor->Text(), "Abel");
    EXPECT_EQ(editor->SelStart(), 2);
    EXPECT_EQ(editor->SelLength(), 2);

    Press(VK_DOWN, true);
    ASSERT_TRUE(editor->ListVisible());
    TPopupDataGridEh* list = editor->DataList();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(editor->ActiveList(), list);
    EXPECT_TRUE(IsWindowVisible(list->Handle()));
    KeepPicture(list, "grid-lookup-list");
    // Four records: four rows in view, one column (the result field), on the cell's key.
    EXPECT_EQ(list->RowsInView(), 4);
    ASSERT_EQ(list->Columns()->Count(), 1);
    EXPECT_EQ(list->Columns()->ColumnAt(0)->FieldName(), "title");
    EXPECT_EQ(list->KeyValue().AsInteger(), 1);
    EXPECT_FALSE(list->Focused());
    Press(VK_DOWN);
    EXPECT_EQ(editor->Text(), "Baker");
    EXPECT_EQ(list->KeyValue().AsInteger(), 2);
    Press(VK_RETURN);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_FALSE(IsWindowVisible(list->Handle()));
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "cat"), "2");
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 2);

    // The mouse, on the row whose key no list row had.
    EditCell(kCatName);
    EXPECT_EQ(Editor()->Text(), "");
    Press(VK_DOWN, true);
    list = Editor()->DataList();
    ASSERT_TRUE(Editor()->ListVisible());
    EXPECT_EQ(list->KeyValue().AsInteger(), 9);  // in no list record: no text
    EXPECT_EQ(list->DisplayText(), "");
    ClickDataListRow(list, 2);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Editor()->Text(), "Charlie");
    Press(VK_UP);
    EXPECT_EQ(StoredText(2, "cat"), "3");
    EXPECT_EQ(items_->FieldByName("catName")->AsString(), "Baker");
    EXPECT_TRUE(messages.empty());
}

TEST_F(GridInplaceEdit, LookupListEscLeavesTheCellAndAResizedListIsKeptForTheColumn) {
    TColumnEh* column = Column(kCatName);
    column->SetDropDownRows(3);
    column->SetDropDownSizing(true);
    EditCell(kCatName);
    Press(VK_DOWN, true);
    TPopupDataGridEh* list = Editor()->DataList();
    ASSERT_TRUE(Editor()->ListVisible());
    EXPECT_EQ(list->RowsInView(), 3);
    EXPECT_TRUE(list->SizeGrip()->Visible());
    Press(VK_DOWN);
    EXPECT_EQ(Editor()->Text(), "Baker");
    Press(VK_ESCAPE);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Editor()->Text(), "Abel");

    // The user drags the grip: two rows more and wider.
    Press(VK_DOWN, true);
    const int rowHeight = list->DataRowHeight();
    list->SetBounds(list->Left(), list->Top(), list->Width() + 30, list->Height() + 2 * rowHeight + 3);
    EXPECT_EQ(list->RowsInView(), 5);
    const int width = list->Width();
    Press(VK_ESCAPE);
    EXPECT_EQ(column->DropDownRows(), 5);
    EXPECT_EQ(column->DropDownWidth(), width);
    Press(VK_DOWN, true);
    EXPECT_EQ(Editor()->DataList()->RowsInView(), 4);  // never more rows than records
    EXPECT_EQ(Editor()->DataList()->Width(), width);
    Press(VK_ESCAPE);
}

// A not-in-list handler only has to be there for the editor to keep text no record has.
struct NotInListHandler {
    void Handle(TObject*, Variant, bool&) {}
};

TEST_F(GridInplaceEdit, WithANotInListHandlerALookupCellKeepsTextNoRecordHas) {
    NotInListHandler handler;
    Column(kCatName)->OnNotInList = Event<&NotInListHandler::Handle>(&handler);
    EditCell(kCatName);
    TDBGridInplaceEdit* editor = Editor();
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    struct Step {
        const char* what;
        std::function<void()> act;
        const char* text;
        int selStart, selLength;
    } steps[] = {
        {"typing completes", [&] { Type("ab"); }, "Abel", 2, 2},
        {"Backspace takes the completion and the last typed letter", [&] { Press(VK_BACK); }, "A", 1, 0},
        {"typing completes again", [&] { Type("b"); }, "Abel", 2, 2},
        {"Delete takes the completion only", [&] { Press(VK_DELETE); }, "Ab", 2, 0},
        {"a letter no record goes on with is kept", [&] { Type("x"); }, "Abx", 3, 0},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        EXPECT_EQ(editor->Text(), step.text);
        EXPECT_EQ(editor->SelStart(), step.selStart);
        EXPECT_EQ(editor->SelLength(), step.selLength);
    }
    // The open list follows the text: no record is chosen for it.
    Press(VK_DOWN, true);
    ASSERT_TRUE(editor->ListVisible());
    EXPECT_TRUE(VarIsNull(editor->DataList()->KeyValue()));
    Press(VK_ESCAPE);
    EXPECT_EQ(editor->Text(), "Abx");
    // Leaving the row posts no key for it.
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "cat"), "");
    EXPECT_TRUE(messages.empty());
}

TEST_F(GridInplaceEdit, TheSpecialRowShortcutChoosesItsValueWithTheListClosedOrOpen) {
    TSpecRowEh* specialRow = Column(kCatName)->DropDownSpecRow();
    specialRow->SetCellsText("(none)");
    specialRow->SetValue(Variant(4));
    specialRow->SetVisible(true);
    EditCell(kCatName);
    TDBGridInplaceEdit* editor = Editor();
    ASSERT_EQ(editor->Text(), "Abel");
    Press(VK_DELETE, true);  // Alt+Del
    EXPECT_EQ(editor->Text(), "(none)");
    EXPECT_EQ(editor->SelStart(), 0);
    EXPECT_EQ(editor->SelLength(), 6);
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "cat"), "4");

    // With the list open the list selects the special row.
    specialRow->SetValue(Variant(2));
    EditCell(kCatName);
    Press(VK_DOWN, true);
    TPopupDataGridEh* list = Editor()->DataList();
    ASSERT_TRUE(Editor()->ListVisible());
    EXPECT_TRUE(list->SpecRowSelected());  // key 9 is in no record
    Press(VK_DOWN);
    EXPECT_FALSE(list->SpecRowSelected());
    EXPECT_EQ(Editor()->Text(), "Abel");
    Press(VK_DELETE, true);
    EXPECT_TRUE(list->SpecRowSelected());
    EXPECT_EQ(list->KeyValue().AsInteger(), 2);
    EXPECT_EQ(Editor()->Text(), "(none)");
    Press(VK_RETURN);
    Press(VK_UP);
    EXPECT_EQ(StoredText(2, "cat"), "2");
    EXPECT_TRUE(messages.empty());
}

// Records the keys released over a window.
struct KeyUpLog {
    std::vector<WORD> keys;
    void KeyUp(TObject*, WORD& key, TShiftState) { keys.push_back(key); }
};

TEST_F(GridInplaceEdit, ReleasingCtrlInTheEditorReachesTheOpenLookupList) {
    EditCell(kCatName);
    Press(VK_DOWN, true);
    TPopupDataGridEh* list = Editor()->DataList();
    ASSERT_TRUE(Editor()->ListVisible());
    KeyUpLog log;
    list->OnKeyUp = Event<&KeyUpLog::KeyUp>(&log);
    const LPARAM release = static_cast<LPARAM>(0xC0000001);
    SendMessageW(EditorWindow(), WM_KEYUP, VK_SHIFT, release);
    SendMessageW(EditorWindow(), WM_KEYUP, VK_CONTROL, release);
    EXPECT_EQ(log.keys, std::vector<WORD>{VK_CONTROL});
    Press(VK_ESCAPE);
    SendMessageW(EditorWindow(), WM_KEYUP, VK_CONTROL, release);  // the list is closed
    EXPECT_EQ(log.keys.size(), 1u);
    list->OnKeyUp = nullptr;
}

TEST_F(GridInplaceEdit, ADoubleClickStepsTheValueWhenTheColumnAsksForIt) {
    TColumnEh* column = Column(kAmount);
    EditCell(kAmount);
    const LPARAM at = MAKELPARAM(5, 5);
    SendMessageW(EditorWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    EXPECT_EQ(items_->FieldByName("amount")->AsFloat(), 1.5);  // off: nothing steps
    column->SetDblClickNextVal(true);
    EditCell(kAmount);
    SendMessageW(EditorWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON, at);
    EXPECT_EQ(items_->FieldByName("amount")->AsFloat(), 2.5);
    EXPECT_EQ(Editor()->Text(), FloatToStr(2.5));
    SendMessageW(EditorWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, at);
    SendMessageW(EditorWindow(), WM_LBUTTONDBLCLK, MK_LBUTTON | MK_SHIFT, at);
    EXPECT_EQ(items_->FieldByName("amount")->AsFloat(), 0.5);
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "amount"), "0.5");
}

TEST_F(GridInplaceEdit, CalendarOpensOnTheCellDateAndWritesTheChosenDate) {
    EditCell(kBorn);
    Press(VK_DOWN, true);
    TDBGridInplaceEdit* editor = Editor();
    ASSERT_TRUE(editor->ListVisible());
    TPopupMonthCalendarEh* calendar = editor->Calendar();
    ASSERT_NE(calendar, nullptr);
    EXPECT_TRUE(IsWindowVisible(calendar->Handle()));
    EXPECT_EQ(double(calendar->Date()), double(EncodeDate(2020, 1, 15)));
    KeepPicture(calendar, "grid-calendar");
    calendar->SetDate(EncodeDate(2020, 2, 3));
    Press(VK_RETURN);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), DateToStr(EncodeDate(2020, 2, 3)));
    Press(VK_DOWN);
    EXPECT_EQ(items_->FieldByName("id")->AsInteger(), 2);
    items_->First();
    EXPECT_EQ(double(items_->FieldByName("born")->AsDateTime()), double(EncodeDate(2020, 2, 3)));

    // An empty cell opens on today; Esc leaves the cell as it was.
    items_->Last();
    EditCell(kBorn);
    Press(VK_DOWN, true);
    EXPECT_EQ(double(Editor()->Calendar()->Date()), double(Date()));
    Press(VK_ESCAPE);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Editor()->Text(), "");
}

TEST_F(GridInplaceEdit, CalculatorComputesInTheDropDownAndASecondEnterPutsTheResultIntoTheCell) {
    Column(kAmount)->SetButtonStyle(cbsDropDown);
    EditCell(kAmount);
    TDBGridInplaceEdit* editor = Editor();
    Press(VK_DOWN, true);
    ASSERT_TRUE(editor->ListVisible());
    TPopupCalculatorEh* calculator = editor->Calculator();
    ASSERT_NE(calculator, nullptr);
    EXPECT_EQ(calculator->DisplayText(), "1.5");
    Type("*4");
    EXPECT_EQ(calculator->EqualButton()->Text(), "=");
    KeepPicture(calculator, "grid-calculator");
    Press(VK_RETURN);
    EXPECT_TRUE(editor->ListVisible());  // the first Enter completes the sum
    EXPECT_EQ(calculator->DisplayText(), "6");
    EXPECT_EQ(calculator->EqualButton()->Text(), "Ok");
    Press(VK_RETURN);
    EXPECT_FALSE(editor->ListVisible());
    EXPECT_EQ(editor->Text(), "6");
    Press(VK_DOWN);
    EXPECT_EQ(StoredText(1, "amount"), "6");

    // Division by zero shows Error and gives the cell nothing.
    EditCell(kAmount);
    Press(VK_DOWN, true);
    Type("/0");
    Press(VK_RETURN);
    EXPECT_EQ(Editor()->Calculator()->DisplayText(), "Error");
    Press(VK_RETURN);
    EXPECT_FALSE(Editor()->ListVisible());
    EXPECT_EQ(Editor()->Text(), "2.5");
    EXPECT_TRUE(messages.empty());
}

// Red pixels on the editor's bottom line as the screen shows it after a repaint.
int RedOnBottomLine(HWND editor) {
    RedrawWindow(editor, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT r{};
    GetClientRect(editor, &r);
    HDC dc = GetDC(editor);
    int red = 0;
    for (int x = r.left; x < r.right; ++x)
        if (GetPixel(dc, x, r.bottom - 1) == RGB(255, 0, 0)) ++red;
    ReleaseDC(editor, dc);
    return red;
}

TEST_F(GridInplaceEdit, AnEmptyRequiredValueIsMarkedInTheEditorAsTheColumnsEventSays) {
    items_->FieldByName("name")->SetRequired(true);
    Column(kName)->SetHighlightRequired(true);
    EditCell(kName);
    ASSERT_EQ(Editor()->Text(), "one");
    EXPECT_EQ(RedOnBottomLine(EditorWindow()), 0);
    // Overtyped, then cleared by the user: the record is being edited and the value is missing.
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    Type("w");
    ASSERT_EQ(items_->State(), dsEdit);
    EXPECT_EQ(RedOnBottomLine(EditorWindow()), 0);
    SendMessageW(EditorWindow(), WM_CHAR, VK_BACK, 1);
    ASSERT_EQ(Editor()->Text(), "");
    EXPECT_GT(RedOnBottomLine(EditorWindow()), 3);
    // Typing takes the mark away.
    Type("x");
    EXPECT_EQ(RedOnBottomLine(EditorWindow()), 0);
    // The column's event has the last word, both ways.
    struct Judge {
        bool verdict = false;
        int asked = 0;
        TObject* sender = nullptr;
        void Check(TObject* s, bool& drawState) {
            ++asked;
            sender = s;
            drawState = verdict;
        }
    } judge;
    Column(kName)->OnCheckDrawRequiredState = Event<&Judge::Check>(&judge);
    judge.verdict = true;
    EXPECT_GT(RedOnBottomLine(EditorWindow()), 3);  // text "x", marked because the event says so
    EXPECT_EQ(judge.sender, Column(kName));
    SendMessageW(EditorWindow(), EM_SETSEL, 0, -1);
    SendMessageW(EditorWindow(), WM_CHAR, VK_BACK, 1);
    judge.verdict = false;
    EXPECT_EQ(RedOnBottomLine(EditorWindow()), 0);  // empty, but the event says no
    // Without HighlightRequired nothing is marked and the event is not asked.
    Column(kName)->SetHighlightRequired(false);
    EditCell(kName);
    judge.verdict = true;
    judge.asked = 0;
    EXPECT_EQ(RedOnBottomLine(EditorWindow()), 0);
    EXPECT_EQ(judge.asked, 0);
}

}  // namespace
