// The lookup grid over a real data set: its height in rows, the keyboard, the special row, the
// incremental search, choosing with the mouse, and the key written to a bound data set (directly
// and through a lookup field); the column drop-down box's settings reaching the column's grid; the
// columns' own special-row cells, moving and sizing columns, and the vertical scroll bar.
#include "DBGridEhTestSupport.h"

#include "DBLookupGridsEh.h"
#include "Forms.h"

using namespace gridwin;

namespace {

const char* kScript = R"(
CREATE TABLE cats (code INTEGER PRIMARY KEY, title TEXT(50), grp TEXT(10));
INSERT INTO cats VALUES (1, 'Abel', 'a'), (2, 'Baker', 'b'), (3, 'Charlie', 'c'), (4, 'Abbott', 'a'),
    (5, 'Dora', 'd'), (6, 'Eve', 'e'), (7, 'Fred', 'f'), (8, 'Gus', 'g'), (9, 'Hal', 'h'), (10, 'Ivy', 'i'),
    (11, 'xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx', 'x');
CREATE TABLE items (id INTEGER PRIMARY KEY, cat INTEGER);
INSERT INTO items VALUES (1, 3), (2, 77);
)";

class LookupGrid : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("cats.mdb");
        dbtest::BuildDatabase(path_, {{"cats.sql", kScript}});
        session_ = std::make_unique<dbtest::Session>(path_);
        cats = session_->NewQuery();
        OpenQuery(cats, "select * from cats order by code");
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(100, 100, 400, 400);
        listSource = New<TDataSource>(form_.get());
        listSource->SetDataSet(cats);
        grid = New<TDBLookupGridEh>(form_.get());
        grid->SetParent(form_.get());
        grid->Font()->SetName("Tahoma");
        grid->Font()->SetHeight(-11);
        grid->SetBounds(0, 0, 300, 100);
        grid->SetListSource(listSource);
        grid->SetKeyField("code");
        grid->SetListField("title;grp");
        form_->Show();
        grid->SetFocus();
        DrainMessages();
        tick_ = 1000;
        savedTicks_ = TDBLookupGridEh::SearchTickSource();
        TDBLookupGridEh::SearchTickSource() = [this] { return tick_; };
    }
    void TearDown() override {
        TDBLookupGridEh::SearchTickSource() = savedTicks_;
        form_.reset();
        DrainMessages();
    }

    void Key(WORD key) { SendMessageW(grid->Handle(), WM_KEYDOWN, key, 1); }
    void Char(wchar_t c) { SendMessageW(grid->Handle(), WM_CHAR, c, 1); }
    int Key() const { return grid->KeyValue().AsInteger(); }
    TDBLookupGridColumnEh* LookupColumn(int index) {
        return dynamic_cast<TDBLookupGridColumnEh*>(grid->Columns()->ColumnAt(index));
    }
    // The client area as painted.
    std::unique_ptr<TBitmap> Picture() {
        auto picture = std::make_unique<TBitmap>();
        picture->SetSize(grid->ClientWidth(), grid->ClientHeight());
        SendMessageW(grid->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture->Canvas()->Handle()), PRF_CLIENT);
        picture->Canvas()->Refresh();
        return picture;
    }
    SCROLLINFO VertBar() {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        GetScrollInfo(grid->Handle(), SB_VERT, &si);
        return si;
    }
    // The list record shown in the first data row.
    int FirstShown() { return cats->RecNo() - grid->DataLink()->ActiveRecord(); }
    void ClickRow(int row, bool release = true) {
        const TRect r = grid->CellRect(grid->IndicatorOffset(), grid->TitleOffset() + row);
        const LPARAM at = MAKELPARAM(r.Left + 5, (r.Top + r.Bottom) / 2);
        SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        if (release) SendMessageW(grid->Handle(), WM_LBUTTONUP, 0, at);
    }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session_;
    TADOQuery* cats = nullptr;
    std::unique_ptr<TForm, TFree> form_;
    TDataSource* listSource = nullptr;
    TDBLookupGridEh* grid = nullptr;
    std::uint32_t tick_ = 0;
    std::function<std::uint32_t()> savedTicks_;
};

TEST_F(LookupGrid, ShowsTheListFieldsAndItsHeightIsWholeRows) {
    ASSERT_TRUE(grid->ListActive());
    ASSERT_EQ(grid->Columns()->Count(), 2);
    EXPECT_EQ(grid->Columns()->ColumnAt(0)->FieldName(), "title");
    EXPECT_EQ(grid->Columns()->ColumnAt(1)->FieldName(), "grp");
    EXPECT_EQ(grid->DisplayField()->FieldName(), "title");

    struct Case {
        int wanted, rows;
    } cases[] = {{0, 1}, {1, 1}, {5, 5}, {250, 100}};
    const int border = grid->Height() - grid->ClientHeight();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wanted);
        grid->SetRowsInView(c.wanted);
        EXPECT_EQ(grid->RowsInView(), c.rows);
        EXPECT_EQ(grid->Height(), border + c.rows * grid->DataRowHeight());
    }
    // A height between rows snaps to whole rows.
    grid->SetBounds(0, 0, 300, border + 4 * grid->DataRowHeight() + grid->DataRowHeight() / 2);
    EXPECT_EQ(grid->RowsInView(), 4);
    EXPECT_EQ(grid->Height(), border + 4 * grid->DataRowHeight());
    // Titles add their height and keep the rows.
    grid->SetShowTitles(true);
    DrainMessages();
    EXPECT_EQ(grid->RowsInView(), 4);
    EXPECT_GT(grid->Height(), border + 4 * grid->DataRowHeight());
    // Row lines are part of each row.
    grid->SetShowTitles(false);
    grid->SetLookupOptions(TDBLookupGridEhOptions{dlgColLinesEh, dlgRowLinesEh});
    EXPECT_TRUE(grid->Options().Contains(dgRowLines));
    EXPECT_EQ(grid->DataRowHeight(), grid->DefaultRowHeight() + grid->GridLineWidth());
    EXPECT_EQ(grid->Height(), border + 4 * grid->DataRowHeight());
    grid->SetLookupOptions(TDBLookupGridEhOptions{dlgAutoSortMarkingEh});
    EXPECT_FALSE(grid->Options().Contains(dgColLines));
    EXPECT_TRUE(grid->OptionsEh().Contains(dghAutoSortMarking));
}

TEST_F(LookupGrid, KeysMoveTheChoiceAndTheKeyRowIsHighlighted) {
    grid->SetLookupAutoFitColWidths(true);  // no horizontal bar: Left and Right move too
    grid->SetRowsInView(4);
    grid->SetKeyValue(Variant(3));
    EXPECT_EQ(grid->DisplayText(), "Charlie");
    EXPECT_EQ(cats->FieldByName("code")->AsInteger(), 3);
    struct Step {
        WORD key;
        int key_after;
    } steps[] = {{VK_DOWN, 4}, {VK_DOWN, 5}, {VK_UP, 4}, {VK_HOME, 1}, {VK_UP, 1}, {VK_NEXT, 4},
                 {VK_END, 11}, {VK_DOWN, 11}, {VK_PRIOR, 8}, {VK_RIGHT, 9}, {VK_LEFT, 8}};
    for (const Step& s : steps) {
        SCOPED_TRACE(s.key);
        Key(s.key);
        EXPECT_EQ(Key(), s.key_after);
    }
    EXPECT_EQ(grid->DisplayText(), "Gus");
    // The row of the key is drawn highlighted.
    const std::unique_ptr<TBitmap> picture = std::make_unique<TBitmap>();
    picture->SetSize(grid->ClientWidth(), grid->ClientHeight());
    SendMessageW(grid->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture->Canvas()->Handle()), PRF_CLIENT);
    picture->Canvas()->Refresh();
    const int activeRow = grid->DataLink()->ActiveRecord();
    const TRect keyRow = grid->CellRect(grid->IndicatorOffset(), grid->TitleOffset() + activeRow);
    const TRect other = grid->CellRect(grid->IndicatorOffset(), grid->TitleOffset() + (activeRow == 0 ? 1 : 0));
    EXPECT_GT(CountColour(picture.get(), keyRow, clHighlight), keyRow.Width() * keyRow.Height() / 3);
    EXPECT_EQ(CountColour(picture.get(), other, clHighlight), 0);

    // A key that is in no record: nothing is shown for it, the list goes to its start.
    grid->SetKeyValue(Variant(77));
    EXPECT_EQ(grid->DisplayText(), "");
    EXPECT_EQ(cats->FieldByName("code")->AsInteger(), 1);
}

TEST_F(LookupGrid, TheSpecialRowIsChosenAboveTheFirstRecordAndForKeysNotInTheList) {
    grid->SpecRow()->SetCellsText("(none);-");
    grid->SpecRow()->SetValue(Variant(0));
    const int heightWithout = grid->Height();
    grid->SpecRow()->SetVisible(true);
    EXPECT_EQ(grid->Height(), heightWithout + grid->DataRowHeight());
    DrainMessages();

    grid->SetKeyValue(Variant(77));  // in no record: the special row
    EXPECT_TRUE(grid->SpecRowSelected());
    EXPECT_EQ(grid->DisplayText(), "(none)");
    Key(VK_DOWN);
    EXPECT_FALSE(grid->SpecRowSelected());
    EXPECT_EQ(Key(), 1);
    Key(VK_UP);
    EXPECT_TRUE(grid->SpecRowSelected());
    EXPECT_EQ(Key(), 0);
    EXPECT_EQ(grid->DisplayText(), "(none)");
    Key(VK_DOWN);
    Key(VK_DOWN);
    EXPECT_EQ(Key(), 2);

    // The mouse on the special row chooses it; on a record, that record.
    const TRect spec = grid->CellRect(grid->IndicatorOffset(), grid->TitleOffset() - 1);
    const LPARAM at = MAKELPARAM(spec.Left + 5, (spec.Top + spec.Bottom) / 2);
    SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(grid->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_TRUE(grid->SpecRowSelected());
    EXPECT_EQ(Key(), 0);

    // Without ShowIfNotInKeyList a key in no record shows nothing and selects nothing.
    grid->SpecRow()->SetShowIfNotInKeyList(false);
    grid->SetKeyValue(Variant(78));
    EXPECT_FALSE(grid->SpecRowSelected());
    EXPECT_EQ(grid->DisplayText(), "");
}

TEST_F(LookupGrid, TypingSearchesTheDisplayFieldAndAPauseStartsAgain) {
    grid->SetKeyValue(Variant(1));
    grid->SetKeyValue(Variant(5));
    Char(L'a');
    Char(L'B');
    EXPECT_EQ(grid->SearchText(), "aB");
    EXPECT_EQ(Key(), 1);  // the first record beginning with "ab" in any case
    EXPECT_EQ(grid->DisplayText(), "Abel");
    Char(L'b');
    EXPECT_EQ(Key(), 4);
    EXPECT_EQ(grid->DisplayText(), "Abbott");
    Char(L'q');  // nothing begins with "abbq": the choice and the search text stay
    EXPECT_EQ(grid->SearchText(), "aBb");
    EXPECT_EQ(Key(), 4);
    tick_ += 2001;  // a pause: a new search
    Char(L'c');
    EXPECT_EQ(grid->SearchText(), "c");
    EXPECT_EQ(Key(), 3);
    Char(8);  // Backspace clears the search
    EXPECT_EQ(grid->SearchText(), "");

    // At most 32 characters.
    for (int i = 0; i < 33; ++i) Char(L'x');
    EXPECT_EQ(grid->SearchText(), String(32, 'x'));
    EXPECT_EQ(Key(), 11);
}

TEST_F(LookupGrid, TheMouseChoosesTheRowUnderItAndTheChoiceIsWrittenToTheBoundField) {
    TADOQuery* items = session_->query;
    AddField<TIntegerField>(items, "id");
    AddField<TIntegerField>(items, "cat");
    OpenQuery(items, "select * from items order by id");
    TDataSource* itemSource = New<TDataSource>(form_.get());
    itemSource->SetDataSet(items);
    grid->SetDataSource(itemSource);
    grid->SetDataField("cat");
    EXPECT_EQ(Key(), 3);  // read from the record
    EXPECT_EQ(grid->DisplayText(), "Charlie");
    grid->SetRowsInView(5);
    DrainMessages();
    const int top = cats->RecNo() - grid->DataLink()->ActiveRecord();
    ClickRow(1);
    EXPECT_EQ(Key(), top + 1);
    EXPECT_EQ(items->State(), dsEdit);
    EXPECT_EQ(items->FieldByName("cat")->AsInteger(), top + 1);
    items->Cancel();
    EXPECT_EQ(Key(), 3);  // the record's value again

    // Moving the data set's record moves the key; a key no list record has shows nothing.
    items->Next();
    EXPECT_EQ(Key(), 77);
    EXPECT_EQ(grid->DisplayText(), "");
}

TEST_F(LookupGrid, ALookupFieldBringsItsListAndTheListSourceCanNoLongerBeSet) {
    TADOQuery* items = session_->query;
    AddField<TIntegerField>(items, "id");
    AddField<TIntegerField>(items, "cat");
    TStringField* catName = AddField<TStringField>(items, "catName", 50);
    catName->SetFieldKind(fkLookup);
    catName->KeyFields = "cat";
    catName->LookupDataSet = cats;
    catName->LookupKeyFields = "code";
    catName->LookupResultField = "title";
    OpenQuery(items, "select * from items order by id");
    TDataSource* itemSource = New<TDataSource>(form_.get());
    itemSource->SetDataSet(items);
    grid->SetListSource(nullptr);
    grid->SetDataSource(itemSource);
    grid->SetDataField("catName");
    ASSERT_TRUE(grid->LookupFieldMode());
    EXPECT_TRUE(grid->ListActive());
    EXPECT_EQ(grid->KeyField(), "code");
    ASSERT_EQ(grid->WrittenFields().size(), 1u);
    EXPECT_EQ(grid->WrittenFields()[0]->FieldName(), "cat");
    EXPECT_EQ(grid->DisplayField()->FieldName(), "title");
    EXPECT_EQ(Key(), 3);
    EXPECT_EQ(grid->DisplayText(), "Charlie");
    Key(VK_DOWN);
    EXPECT_EQ(items->FieldByName("cat")->AsInteger(), 4);
    EXPECT_EQ(Key(), 4);

    struct Refused {
        const char* what;
        std::function<void()> act;
    } refused[] = {
        {"list source", [&] { grid->SetListSource(listSource); }},
        {"key field", [&] { grid->SetKeyField("grp"); }},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.what);
        try {
            r.act();
            ADD_FAILURE() << "no error";
        } catch (const EDatabaseError& e) {
            EXPECT_NE(e.Message.find("Property already defined by lookup field"), String::npos);
        }
    }
    EXPECT_EQ(grid->KeyField(), "code");
}

TEST_F(LookupGrid, BindingErrorsAreReportedAndChangeNothing) {
    // The edited data set may not be the list's.
    grid->SetDataField("code");
    try {
        grid->SetDataSource(listSource);
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message.find("Circular datalinks are not allowed"), String::npos);
    }
    EXPECT_EQ(grid->DataSource(), nullptr);
    try {
        grid->SetListField("title;nosuch");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(e.Message.find("Field 'title;nosuch' not found"), String::npos);
    }
    EXPECT_EQ(grid->ListField(), "title;grp");
    EXPECT_TRUE(grid->ListActive());
}

TEST_F(LookupGrid, TheColumnDropDownBoxReachesTheColumnsLookupGrid) {
    TDBGridEh* owner = New<TDBGridEh>(form_.get());
    TColumnEh* column = owner->Columns()->Add();
    TColumnDropDownBoxEh* box = column->DropDownBox();
    ASSERT_NE(column->LookupGrid(), nullptr);
    auto* dropDown = dynamic_cast<TPopupDataGridEh*>(column->LookupGrid()->LookupGridControl());
    ASSERT_NE(dropDown, nullptr);
    EXPECT_TRUE(box->AutoFitColWidths());
    EXPECT_EQ(box->Options(), TDBLookupGridEhOptions{dlgColLinesEh});
    box->SetOptions(TDBLookupGridEhOptions{dlgRowLinesEh});
    EXPECT_TRUE(dropDown->Options().Contains(dgRowLines));
    EXPECT_FALSE(dropDown->Options().Contains(dgColLines));
    box->SetListSource(listSource);
    EXPECT_EQ(dropDown->ListSource(), listSource);
    box->Columns()->Add()->SetFieldName("grp");
    EXPECT_TRUE(box->ColumnsStored());
    EXPECT_EQ(dropDown->Columns()->ColumnAt(0)->FieldName(), "grp");
    // The lookup column is stored whole, its special-row cell with what was assigned on it.
    auto* stored = dynamic_cast<TDBLookupGridColumnEh*>(box->Columns()->ColumnAt(0));
    ASSERT_NE(stored, nullptr);
    stored->SpecCell()->SetText("any");
    const String text = box->Columns()->WriteColumnsText();
    EXPECT_NE(text.find("FieldName = 'grp'"), String::npos) << text;
    EXPECT_NE(text.find("SpecCell.Text = 'any'"), String::npos) << text;
    EXPECT_EQ(text.find("SpecCell.Color"), String::npos) << text;
    EXPECT_EQ(text.find("SpecCell.Font"), String::npos) << text;

    // The lookup grid's own default column values are what the box reaches.
    ASSERT_NE(dynamic_cast<TDBLookupGridColumnDefValuesEh*>(dropDown->ColumnDefValues()), nullptr);
    EXPECT_EQ(box->ColumnDefValues(), dropDown->ColumnDefValues());
    box->ColumnDefValues()->SetEndEllipsis(true);

    // Assigning: the settings and customized columns come along; uncustomized ones clear.
    TColumnEh* second = owner->Columns()->Add();
    second->DropDownBox()->SetRows(12);
    second->DropDownBox()->Assign(box);
    EXPECT_TRUE(second->DropDownBox()->ColumnDefValues()->EndEllipsis());
    EXPECT_EQ(second->DropDownBox()->Columns()->Count(), 1);
    EXPECT_EQ(second->DropDownBox()->Options(), TDBLookupGridEhOptions{dlgRowLinesEh});
    EXPECT_EQ(second->DropDownBox()->Rows(), 7);
    EXPECT_EQ(second->DropDownBox()->ListSource(), listSource);
    TColumnEh* third = owner->Columns()->Add();
    (void)third->DropDownBox()->Columns();  // its grid exists, its columns are not customized
    box->Assign(third->DropDownBox());
    EXPECT_FALSE(box->ColumnsStored());  // the stored column went (the grid keeps an empty one of its own)
    EXPECT_EQ(box->Columns()->ColumnAt(0)->FieldName(), "");
    EXPECT_EQ(box->GetOwner(), column);
}

TEST_F(LookupGrid, EachColumnShowsItsOwnSpecialRowCell) {
    grid->SetLookupAutoFitColWidths(true);  // both columns in view
    grid->SpecRow()->SetCellsText("(none);-");
    grid->SpecRow()->SetVisible(true);
    DrainMessages();
    TDBLookupGridColumnEh* title = LookupColumn(0);
    TDBLookupGridColumnEh* grp = LookupColumn(1);
    ASSERT_NE(title, nullptr);
    ASSERT_NE(grp, nullptr);
    // Unassigned, a cell is the special row's: its text by the column's place, its colour and font.
    EXPECT_EQ(title->SpecCell()->Text(), "(none)");
    EXPECT_EQ(grp->SpecCell()->Text(), "-");
    grid->SpecRow()->SetColor(clAqua);
    EXPECT_EQ(grp->SpecCell()->Color(), clAqua);
    EXPECT_FALSE(grp->SpecCell()->TextAssigned() || grp->SpecCell()->ColorAssigned() || grp->SpecCell()->FontAssigned());

    // Assigned on one column's cell: that cell only.
    grp->SpecCell()->SetText("any");
    grp->SpecCell()->SetColor(clYellow);
    grp->SpecCell()->Font()->SetColor(clRed);
    EXPECT_TRUE(grp->SpecCell()->TextAssigned() && grp->SpecCell()->ColorAssigned() && grp->SpecCell()->FontAssigned());
    EXPECT_EQ(title->SpecCell()->Color(), clAqua);
    EXPECT_EQ(grid->SpecRow()->ReadCellText(1), "-");
    DrainMessages();

    const int specRow = grid->TitleOffset() - 1;
    const TRect titleCell = grid->CellRect(grid->IndicatorOffset(), specRow);
    const TRect grpCell = grid->CellRect(grid->IndicatorOffset() + 1, specRow);
    const std::unique_ptr<TBitmap> picture = Picture();
    EXPECT_GT(CountColour(picture.get(), grpCell, clYellow), grpCell.Width() * grpCell.Height() / 2);
    EXPECT_EQ(CountColour(picture.get(), grpCell, clAqua), 0);
    EXPECT_GT(CountColour(picture.get(), titleCell, clAqua), titleCell.Width() * titleCell.Height() / 2);
    const std::vector<TTextRecord> texts = RecordText(grid);
    const TTextRecord* any = FindText(texts, "any");
    ASSERT_NE(any, nullptr);
    EXPECT_TRUE(SameRgb(any->TextColor, clRed));
    const TTextRecord* none = FindText(texts, "(none)");
    ASSERT_NE(none, nullptr);
    EXPECT_FALSE(SameRgb(none->TextColor, clRed));
    EXPECT_EQ(FindText(texts, "-"), nullptr);

    // Assigning a column copies what was assigned on its cell.
    TDBLookupGridEh* other = New<TDBLookupGridEh>(form_.get());
    auto* copy = dynamic_cast<TDBLookupGridColumnEh*>(other->Columns()->Add());
    ASSERT_NE(copy, nullptr);
    copy->Assign(grp);
    EXPECT_EQ(copy->SpecCell()->Text(), "any");
    EXPECT_EQ(copy->SpecCell()->Color(), clYellow);
    EXPECT_TRUE(copy->SpecCell()->FontAssigned());
    EXPECT_TRUE(SameRgb(copy->SpecCell()->Font()->Color(), clRed));
}

TEST_F(LookupGrid, MovingAColumnReordersTheListFieldsAndTheSpecialRowCells) {
    grid->SpecRow()->SetCellsText("(none);\"a;b\"");
    grid->SpecRow()->SetVisible(true);
    grid->SetKeyValue(Variant(3));
    const String fieldOrder = cats->Fields()->Fields(1)->FieldName();
    grid->Columns()->ColumnAt(1)->SetIndex(0);
    // The grid's own columns: the list fields follow them and the display field stays.
    EXPECT_EQ(grid->ListField(), "grp;title");
    ASSERT_EQ(grid->Columns()->Count(), 2);
    EXPECT_EQ(grid->Columns()->ColumnAt(0)->FieldName(), "grp");
    EXPECT_EQ(grid->Columns()->ColumnAt(1)->FieldName(), "title");
    EXPECT_EQ(grid->ListFieldIndex(), 1);
    EXPECT_EQ(grid->DisplayField()->FieldName(), "title");
    EXPECT_EQ(grid->DisplayText(), "Charlie");
    EXPECT_EQ(grid->SpecRow()->Cells(), (std::vector<String>{"a;b", "(none)"}));
    EXPECT_EQ(LookupColumn(1)->SpecCell()->Text(), "(none)");
    EXPECT_EQ(cats->Fields()->Fields(1)->FieldName(), fieldOrder);  // the list's data set keeps its order

    // Columns of the user's: the list fields stay, the cells still follow.
    grid->Columns()->Clear();
    grid->Columns()->Add()->SetFieldName("title");
    grid->Columns()->Add()->SetFieldName("code");
    ASSERT_TRUE(grid->Columns()->Customized());
    grid->Columns()->ColumnAt(1)->SetIndex(0);
    EXPECT_EQ(grid->ListField(), "grp;title");
    EXPECT_EQ(grid->Columns()->ColumnAt(0)->FieldName(), "code");
    EXPECT_EQ(grid->SpecRow()->Cells(), (std::vector<String>{"(none)", "a;b"}));
    EXPECT_EQ(grid->DisplayText(), "Charlie");
}

TEST_F(LookupGrid, SizingAColumnWithAutoFitWidensTheGridAndKeepsTheOtherColumns) {
    grid->SetLookupOptions(TDBLookupGridEhOptions{dlgColLinesEh, dlgColumnResizeEh});
    grid->SetShowTitles(true);
    grid->SetLookupAutoFitColWidths(true);
    DrainMessages();
    TColumnEh* title = grid->Columns()->ColumnAt(0);
    TColumnEh* grp = grid->Columns()->ColumnAt(1);
    const int titleWidth = title->Width();
    const int grpWidth = grp->Width();
    const int width = grid->Width();
    const TRect cell = grid->CellRect(grid->IndicatorOffset(), 0);
    const int y = (cell.Top + cell.Bottom) / 2;
    SendMessageW(grid->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(cell.Right, y));
    ASSERT_EQ(grid->GridState(), gsColSizing);
    SendMessageW(grid->Handle(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(cell.Right + 30, y));
    SendMessageW(grid->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(cell.Right + 30, y));
    DrainMessages();
    EXPECT_EQ(grid->Width(), width + 30);
    EXPECT_EQ(title->Width(), titleWidth + 30);
    EXPECT_EQ(grp->Width(), grpWidth);
    EXPECT_EQ(grid->ColWidths(grid->IndicatorOffset() + 1), grpWidth);
    EXPECT_EQ(title->AutoFitBaseWidth(), titleWidth + 30);
}

TEST_F(LookupGrid, TheScrollBarShowsTheListWindowAndScrollingLeavesTheChoice) {
    grid->SetRowsInView(4);
    grid->SetKeyValue(Variant(1));
    DrainMessages();
    SCROLLINFO bar = VertBar();
    EXPECT_EQ(bar.nMin, 0);
    EXPECT_EQ(bar.nMax, 10);  // eleven records
    EXPECT_EQ(static_cast<int>(bar.nPage), 4);
    EXPECT_EQ(bar.nPos, 0);
    Char(L'a');  // Abel, the choice already
    ASSERT_EQ(grid->SearchText(), "a");

    struct Step {
        const char* name;
        WORD code;
        int thumb;
        int first;  // the record shown first afterwards
    } steps[] = {
        {"line down", SB_LINEDOWN, 0, 2},
        {"page down", SB_PAGEDOWN, 0, 6},
        {"page up", SB_PAGEUP, 0, 2},
        {"line up", SB_LINEUP, 0, 1},
        {"line up at the top", SB_LINEUP, 0, 1},
        {"bottom", SB_BOTTOM, 0, 8},
        {"line down at the end", SB_LINEDOWN, 0, 8},
        {"top", SB_TOP, 0, 1},
        {"thumb dragged down", SB_THUMBTRACK, 5, 6},
        {"thumb dropped further up", SB_THUMBPOSITION, 2, 3},
        {"thumb past the end", SB_THUMBTRACK, 10, 8},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        if (step.code == SB_THUMBTRACK || step.code == SB_THUMBPOSITION) SetScrollPos(grid->Handle(), SB_VERT, step.thumb, FALSE);
        SendMessageW(grid->Handle(), WM_VSCROLL, MAKEWPARAM(step.code, static_cast<WORD>(step.thumb)), 0);
        EXPECT_EQ(FirstShown(), step.first);
        EXPECT_EQ(VertBar().nPos, step.first - 1);
        EXPECT_EQ(grid->SearchText(), "");
        EXPECT_EQ(Key(), 1);  // the choice stays
        EXPECT_EQ(grid->DisplayText(), "Abel");
    }

    // A list that is not active: three positions, at the first.
    grid->SetListSource(nullptr);
    DrainMessages();
    bar = VertBar();
    EXPECT_EQ(bar.nMin, 0);
    EXPECT_EQ(bar.nMax, 2);
    EXPECT_EQ(bar.nPos, 0);
}

}  // namespace
