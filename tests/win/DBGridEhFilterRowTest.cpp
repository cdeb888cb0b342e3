// The grid's filter row: typed expressions filter the rows through the column filters and the
// footer sums follow, a bad expression shows its message and keeps the previous filter, the
// editor's keys move between filter cells (skipping columns whose filter is hidden) and back to
// the data, and the drop-down's fixed items (empty, all, clear every filter, order) do their work.
#include "DBGridEhTestSupport.h"

using namespace gridwin;

namespace {

class DBGridEhFilterRowTest : public ::testing::Test {
protected:
    void SetUp() override {
        previousBox_ = SetMessageBoxFunction([this](HWND, const String& text, const String&, UINT) {
            messages.push_back(text);
            return IDOK;
        });
        g.grid->SetFooterRowCount(1);
        amount()->Footer()->SetValueType(fvtSum);
        g.grid->SumList()->SetActive(true);
        g.grid->STFilter()->SetVisible(true);
        g.Show();
    }
    void TearDown() override {
        SetModifiers(false, false);
        SetMessageBoxFunction(previousBox_);
    }

    TColumnEh* column(int i) { return g.grid->Columns()->ColumnAt(i); }
    TColumnEh* amount() { return column(3); }
    TInplaceFilterEditEh* editor() { return g.grid->FilterEditor(); }
    // The window that has the keyboard in the editor (its edit part).
    HWND editWindow() {
        HWND child = GetWindow(editor()->Handle(), GW_CHILD);
        return child ? child : editor()->Handle();
    }
    // Runs the queued messages through the application's key handling.
    void Pump() {
        for (int i = 0; i < 20; ++i) Application->ProcessMessages();
    }
    // Types `text` into the editor as key presses, replacing what it holds.
    void Type(const String& text) {
        SendMessageW(editWindow(), EM_SETSEL, 0, -1);
        PostMessageW(editWindow(), WM_CHAR, L'\b', 1);
        for (wchar_t ch : ToWide(text)) PostMessageW(editWindow(), WM_CHAR, ch, 1);
        Pump();
    }
    void Press(WORD key, bool shift = false, bool ctrl = false) {
        SetModifiers(shift, ctrl);
        PostMessageW(editWindow(), WM_KEYDOWN, key, 1);
        Pump();
        SetModifiers(false, false);
    }
    void GridKey(WORD key, bool ctrl = false) {
        SetModifiers(false, ctrl);
        g.grid->Perform(WM_KEYDOWN, key, 1);
        SetModifiers(false, false);
    }
    // A person picks entry `text` of the open list: the list closes with it accepted.
    void Choose(const String& text) {
        editor()->SetItemIndex(editor()->Items()->IndexOf(text));
        for (WORD code : {CBN_SELENDOK, CBN_CLOSEUP})
            SendMessageW(g.grid->Handle(), WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(editor()->Handle()));
    }
    int DroppedWidth() { return static_cast<int>(SendMessageW(editor()->Handle(), CB_GETDROPPEDWIDTH, 0, 0)); }
    int Rows() { return g.query->RecordCount(); }
    String Sum() { return g.grid->GetFooterValueText(0, amount()); }

    GridOnForm g{12};
    std::vector<String> messages;

private:
    TMessageBoxFunction previousBox_;
};

TEST_F(DBGridEhFilterRowTest, TypedExpressionsFilterTheRowsAndTheFooterFollows) {
    ASSERT_EQ(g.grid->TitleOffset(), 2);  // the title row, then the filter row
    EXPECT_EQ(Sum(), "117");              // 1.5 * (1 + ... + 12)
    // Up on the first record (at the beginning) enters the current column's filter cell.
    g.grid->SetSelectedIndex(2);
    GridKey(VK_UP, /*ctrl=*/true);
    ASSERT_TRUE(g.grid->FilterEditing());
    ASSERT_NE(editor(), nullptr);
    EXPECT_TRUE(editor()->Visible());
    EXPECT_EQ(g.grid->FilterCol(), 2);
    EXPECT_FALSE(g.grid->EditorShown());

    struct Case {
        int col;
        const char* text;
        int rows;
        const char* sum;
    } cases[] = {
        {2, "Delhi", 3, "27"},             // ids 2, 6, 10
        {2, "", 12, "117"},                // an empty text: no filter
        {3, ">= 9 and < 15", 4, "45"},     // amounts 9, 10.5, 12, 13.5
        {3, "", 12, "117"},
        {1, "P1*", 4, "51"},               // P1, P10, P11, P12
        {2, "In ('Cairo', 'Athens')", 2, "18"},  // with P1*: P1 (Cairo), P11 (Athens)
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        g.grid->StartFilterEditing(c.col);
        Type(c.text);
        Press(VK_RETURN);
        EXPECT_EQ(column(c.col)->STFilter()->ExpressionText(), c.text);
        EXPECT_EQ(Rows(), c.rows);
        EXPECT_EQ(Sum(), c.sum);
        EXPECT_TRUE(g.grid->FilterEditing());  // the editor stays for the next change
    }
    EXPECT_TRUE(messages.empty());
    // The filter cells show their expressions.
    EXPECT_NE(FindText(RecordText(g.grid), "P1*"), nullptr);
}

TEST_F(DBGridEhFilterRowTest, BadExpressionShowsItsMessageAndKeepsThePreviousFilter) {
    g.grid->StartFilterEditing(3);
    Type("> 5");
    Press(VK_RETURN);
    ASSERT_EQ(Rows(), 9);  // 6 .. 18
    const String sum = Sum();

    struct Case {
        const char* text;
        const char* message;  // empty: any conversion message
    } cases[] = {
        {"In (1, 2", "')' expected: In (1, 2."},  // the application adds the full stop
        {"> 1 > 2", "Unexpected AND or OR: > 1 > 2."},
        {"> abc", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        messages.clear();
        Type(c.text);
        Press(VK_RETURN);
        ASSERT_EQ(messages.size(), 1u);
        if (*c.message) {
            EXPECT_EQ(messages[0], c.message);
        }
        EXPECT_EQ(amount()->STFilter()->ExpressionText(), "> 5");
        EXPECT_EQ(Rows(), 9);
        EXPECT_EQ(Sum(), sum);
    }
}

TEST_F(DBGridEhFilterRowTest, KeysMoveBetweenFilterCellsAndBackToTheData) {
    column(1)->STFilter()->SetVisible(false);  // "name" has no filter cell
    g.grid->StartFilterEditing(0);
    ASSERT_EQ(g.grid->FilterCol(), 0);
    struct Step {
        const char* name;
        WORD key;
        bool shift;
        bool ctrl;
        int col;
    } steps[] = {
        {"Right at the end goes on, skipping the hidden filter", VK_RIGHT, false, false, 2},
        {"Left at the start goes back", VK_LEFT, false, false, 0},
        {"Left before the first wraps to the last", VK_LEFT, false, false, 4},
        {"Ctrl+Left: the first", VK_LEFT, false, true, 0},
        {"Ctrl+End: the last", VK_END, false, true, 4},
        {"Ctrl+Home: the first", VK_HOME, false, true, 0},
        {"Up stays", VK_UP, false, false, 0},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        Press(s.key, s.shift, s.ctrl);
        EXPECT_EQ(g.grid->FilterCol(), s.col);
        EXPECT_TRUE(g.grid->FilterEditing());
    }
    // Text in the way: Right moves the caret, not the cell.
    g.grid->StartFilterEditing(2);
    Type("ab");
    SendMessageW(editWindow(), EM_SETSEL, 0, 0);
    Press(VK_RIGHT);
    EXPECT_EQ(g.grid->FilterCol(), 2);

    // Down leaves the filter row for the first record shown, in the filter's column.
    g.query->MoveBy(3);
    Type("");
    Press(VK_DOWN);
    EXPECT_FALSE(g.grid->FilterEditing());
    EXPECT_FALSE(editor()->Visible());
    EXPECT_EQ(g.CurrentId(), 1);
    EXPECT_EQ(g.grid->SelectedIndex(), 2);
}

TEST_F(DBGridEhFilterRowTest, FixedItemsOfTheDropDown) {
    TDBGridEhOptions options = g.grid->OptionsEh();
    options.Include(dghAutoSortMarking);
    g.grid->SetOptionsEh(options);
    column(2)->Title()->SetTitleButton(true);
    g.grid->StartFilterEditing(2);
    g.grid->FilterEditDropDown(editor());
    TStrings* items = editor()->Items();
    // The column's distinct values, then the fixed items.
    const std::vector<String> expected = {"Athens", "Berlin", "Cairo", "Delhi", "(Empty)", "(Not empty)", "(All)",
                                          "(Clear filter)", "-", "(Order by ascending)", "(Order by descending)"};
    ASSERT_EQ(items->Count(), static_cast<int>(expected.size()));
    for (int i = 0; i < items->Count(); ++i) EXPECT_EQ(items->Strings(i), expected[static_cast<std::size_t>(i)]);

    auto choose = [&](const String& text) { Choose(text); };
    choose("(Not empty)");
    EXPECT_EQ(editor()->Text(), "<>Null");
    choose("(Empty)");
    EXPECT_EQ(editor()->Text(), "=Null");
    // A list closed without a choice changes nothing.
    editor()->SetItemIndex(items->IndexOf("(Clear filter)"));
    for (WORD code : {CBN_SELENDCANCEL, CBN_CLOSEUP})
        SendMessageW(g.grid->Handle(), WM_COMMAND, MAKEWPARAM(0, code), reinterpret_cast<LPARAM>(editor()->Handle()));
    EXPECT_TRUE(g.grid->FilterEditing());
    choose("Cairo");
    EXPECT_EQ(editor()->Text(), "Cairo");
    Press(VK_RETURN);
    EXPECT_EQ(Rows(), 3);

    // Ordering: every other marker goes, this column sorts descending, one notice.
    int notices = 0;
    struct Counter {
        int* n;
        void Notice(TObject*) { ++*n; }
    } counter{&notices};
    g.grid->OnSortMarkingChanged = Event<&Counter::Notice>(&counter);
    column(1)->Title()->SetSortMarker(smDownEh);
    g.grid->FilterEditDropDown(editor());
    choose("(Order by descending)");
    EXPECT_EQ(column(2)->Title()->SortMarker(), smUpEh);
    EXPECT_EQ(column(1)->Title()->SortMarker(), smNoneEh);
    ASSERT_EQ(g.grid->SortMarkedColumnList()->Count(), 1);
    EXPECT_EQ(g.grid->SortMarkedColumnList()->ColumnAt(0), column(2));
    EXPECT_EQ(notices, 1);

    // "(Clear filter)" clears every column's expression and applies at once.
    g.grid->StartFilterEditing(3);
    Type("> 3");
    Press(VK_RETURN);
    EXPECT_EQ(Rows(), 2);  // Cairo rows 5 and 9
    g.grid->FilterEditDropDown(editor());
    choose("(Clear filter)");
    EXPECT_EQ(column(2)->STFilter()->ExpressionText(), "");
    EXPECT_EQ(amount()->STFilter()->ExpressionText(), "");
    EXPECT_FALSE(g.grid->FilterEditing());
    EXPECT_EQ(Rows(), 12);
    EXPECT_EQ(Sum(), "117");
}

TEST_F(DBGridEhFilterRowTest, ClickOnAFilterCellStartsEditingAndElsewhereEnds) {
    auto click = [&](int col, int row) {
        const TRect r = g.grid->CellRect(col, row);
        const LPARAM at = PointToLParam((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        g.grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
        g.grid->Perform(WM_LBUTTONUP, 0, at);
    };
    click(g.grid->DataColToGridCol(3), 1);
    EXPECT_TRUE(g.grid->FilterEditing());
    EXPECT_EQ(g.grid->FilterCol(), 3);
    const TRect cell = g.grid->CellRect(g.grid->DataColToGridCol(3), 1);
    EXPECT_EQ(editor()->Left(), cell.Left + 1);
    EXPECT_EQ(editor()->Top(), cell.Top);
    Type("< 3");
    click(g.grid->DataColToGridCol(1), 3);  // a data cell: the typed text is stored
    EXPECT_FALSE(g.grid->FilterEditing());
    EXPECT_FALSE(editor()->Visible());
    EXPECT_EQ(amount()->STFilter()->ExpressionText(), "< 3");
    // The row switched off ends filter editing too.
    click(g.grid->DataColToGridCol(2), 1);
    ASSERT_TRUE(g.grid->FilterEditing());
    g.grid->STFilter()->SetVisible(false);
    EXPECT_FALSE(g.grid->FilterEditing());
}

TEST_F(DBGridEhFilterRowTest, ListBasedFilterOffersItsListAndKeepsTheRecordsOfTheKeyChosen) {
    // The id column filters through a list of labels keyed by id.
    TADOQuery* list = g.session->NewQuery();
    OpenQuery(list, "select id as k, name as label from people where id % 3 = 0");
    TDataSource* listSource = New<TDataSource>(g.form.get());
    listSource->SetDataSet(list);
    TSTColumnFilterEh* filter = column(0)->STFilter();
    filter->KeyField = "k";
    filter->ListField = "label";

    // The cell paints its list's button at the right once the filter has a list.
    const int gridCol = g.grid->DataColToGridCol(0);
    const TRect cell = g.grid->CellRect(gridCol, 1);
    const int bx = cell.Right - 5, by = cell.Top + (cell.Bottom - cell.Top) / 2;
    const TColor plain = g.Paint()->Canvas()->Pixels[bx][by];
    filter->SetListSource(listSource);
    const TColor withButton = g.Paint()->Canvas()->Pixels[bx][by];
    EXPECT_NE(ColorToRGB(withButton), ColorToRGB(plain));

    // A press on the button starts filter editing and opens the list of labels.
    g.grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(bx, by));
    ASSERT_TRUE(g.grid->FilterEditing());
    EXPECT_EQ(g.grid->FilterCol(), 0);
    EXPECT_TRUE(editor()->DroppedDown());
    const std::vector<String> expected = {"P12", "P3", "P6", "P9", "(Empty)", "(Not empty)", "(All)", "(Clear filter)"};
    ASSERT_EQ(editor()->Items()->Count(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(editor()->Items()->Strings(static_cast<int>(i)), expected[i]);
    SendMessageW(editor()->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    ReleaseCapture();
    Pump();

    Choose("P6");
    EXPECT_EQ(editor()->Text(), "P6");
    Press(VK_RETURN);
    EXPECT_EQ(Rows(), 1);
    EXPECT_EQ(g.CurrentId(), 6);
    EXPECT_EQ(filter->KeyValues().AsInteger(), 6);
    EXPECT_EQ(Sum(), "9");
    // A label the list does not hold: no key, no records.
    Type("P7");
    Press(VK_RETURN);
    EXPECT_EQ(Rows(), 0);
    Type("");
    Press(VK_RETURN);
    EXPECT_EQ(Rows(), 12);
    EXPECT_TRUE(messages.empty());
}

TEST_F(DBGridEhFilterRowTest, TheListOpensAtItsRememberedSize) {
    TSTColumnFilterEh* city = column(2)->STFilter();
    g.grid->StartFilterEditing(2);
    EXPECT_EQ(editor()->DropDownCount(), 17);  // nothing remembered yet: 17 rows, 100 pixels
    EXPECT_EQ(DroppedWidth(), 100);

    city->DropDownListWidth = 160;
    city->DropDownListRows = 5;
    g.grid->StartFilterEditing(3);
    EXPECT_EQ(DroppedWidth(), 100);
    g.grid->StartFilterEditing(2);
    EXPECT_EQ(editor()->DropDownCount(), 5);
    EXPECT_EQ(DroppedWidth(), 160);
    // The open list has that width (at least the cell's).
    SendMessageW(editor()->Handle(), CB_SHOWDROPDOWN, TRUE, 0);
    COMBOBOXINFO info{};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetComboBoxInfo(editor()->Handle(), &info));
    RECT listRect{};
    GetWindowRect(info.hwndList, &listRect);
    EXPECT_GE(listRect.right - listRect.left, 160);
    EXPECT_LE(listRect.right - listRect.left, std::max(160, editor()->Width()));
    SendMessageW(editor()->Handle(), CB_SHOWDROPDOWN, FALSE, 0);
    Pump();

    // The size the list had when an entry was chosen is kept for its next opening.
    g.grid->FilterEditDropDown(editor());
    SendMessageW(editor()->Handle(), CB_SETDROPPEDWIDTH, 220, 0);
    Choose("Cairo");
    EXPECT_EQ(city->DropDownListWidth, 220);
    EXPECT_EQ(city->DropDownListRows, 5);
    g.grid->StartFilterEditing(3);
    g.grid->StartFilterEditing(2);
    EXPECT_EQ(DroppedWidth(), 220);
}

TEST_F(DBGridEhFilterRowTest, CharactersTypedOnTheGridGoToTheFilterEditor) {
    g.grid->StartFilterEditing(2);
    Type("");
    for (wchar_t ch : std::wstring(L"Cai")) PostMessageW(g.grid->Handle(), WM_CHAR, ch, 1);
    Pump();
    EXPECT_EQ(editor()->Text(), "Cai");
    PostMessageW(g.grid->Handle(), WM_CHAR, VK_BACK, 1);
    Pump();
    EXPECT_EQ(editor()->Text(), "Ca");
    // The grid's focus goes on to the editor while filter editing, and stays after it.
    g.grid->SetFocus();
    Pump();
    EXPECT_TRUE(editor()->HasFocus());
    Press(VK_DOWN);
    EXPECT_FALSE(g.grid->FilterEditing());
    EXPECT_TRUE(g.grid->Focused());
    g.grid->SetFocus();
    EXPECT_TRUE(g.grid->Focused());
    // Leaving stores the typed text without applying it.
    EXPECT_EQ(column(2)->STFilter()->ExpressionText(), "Ca");
    EXPECT_EQ(Rows(), 12);
}

TEST(DBGridEhFilterRow, RowColourIsTheFixedColourLightenedByAnEighth) {
    GridOnForm g(1);
    struct Case {
        TColor fixed;
        TColor row;
    } cases[] = {
        {static_cast<TColor>(RGB(80, 160, 8)), static_cast<TColor>(RGB(90, 180, 9))},
        {static_cast<TColor>(RGB(240, 250, 0)), static_cast<TColor>(RGB(255, 255, 0))},
        {static_cast<TColor>(RGB(4, 12, 20)), static_cast<TColor>(RGB(4, 14, 22))},  // halves to even
    };
    for (const Case& c : cases) {
        g.grid->SetFixedColor(c.fixed);
        EXPECT_EQ(ColorToRGB(g.grid->FilterRowColor()), ColorToRGB(c.row));
    }
}

}  // namespace
