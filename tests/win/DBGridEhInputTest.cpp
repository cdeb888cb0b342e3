// The data grid following and moving its data set: scrolling the data set scrolls the grid and its
// vertical scroll bar, the scroll bar, the wheel and the keys move the data set, clicks select rows
// (plain, Ctrl, Shift), title clicks mark sort columns and order the data set (Ctrl defers the
// notice until Ctrl is released), and sizing a column by mouse changes the column.
#include "DBGridEhTestSupport.h"

#include "Encoding.h"
#include "MessageRecorder.h"

using namespace gridwin;

namespace {

// The first data row's name as the grid writes it.
String FirstShownName(TDBGridEh* grid) {
    const TRect cell = grid->CellRect(2, 1);
    for (const TTextRecord& r : RecordText(grid))
        if (r.Origin.Y >= cell.Top && r.Origin.Y < cell.Bottom && r.Origin.X >= cell.Left && r.Origin.X < cell.Right)
            return r.Text;
    return String();
}

SCROLLINFO VertInfo(TDBGridEh* grid) {
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_ALL;
    GetScrollInfo(grid->Handle(), SB_VERT, &si);
    return si;
}

class DBGridEhInput : public ::testing::Test {
protected:
    void TearDown() override { SetModifiers(false, false); }

    void Key(WORD key, bool shift = false, bool ctrl = false) {
        SetModifiers(shift, ctrl);
        g.grid->Perform(WM_KEYDOWN, key, 1);
        SetModifiers(false, false);
    }
    void Click(int col, int row, WPARAM keys = 0) {
        const TRect r = g.grid->CellRect(col, row);
        ASSERT_FALSE(r.IsEmpty()) << col << "," << row;
        const LPARAM at = PointToLParam((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
        g.grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON | keys, at);
        g.grid->Perform(WM_LBUTTONUP, keys, at);
    }
    // Stored columns for every field (as the application builds them).
    void CustomizeColumns() {
        g.grid->Columns()->Clear();
        for (int i = 0; i < g.query->FieldCount(); ++i)
            g.grid->Columns()->Add()->SetFieldName(g.query->Fields()->Fields(i)->FieldName());
        ASSERT_TRUE(g.grid->Columns()->Customized());
    }
    // The ids of the selected rows, in order.
    std::vector<int> SelectedIds() {
        std::vector<int> ids;
        TBookmarkListEh* rows = g.grid->SelectedRowBookmarks();
        const TBookmark saved = g.query->Bookmark();
        for (int i = 0; i < rows->Count(); ++i) {
            g.query->GotoBookmark(rows->Items(i));
            ids.push_back(g.CurrentId());
        }
        g.query->GotoBookmark(saved);
        return ids;
    }

    GridOnForm g{50};
};

TEST_F(DBGridEhInput, MovingTheDataSetScrollsTheGrid) {
    TDBGridEh* grid = g.grid;
    const int rows = grid->DataLink()->BufferCount();
    ASSERT_LT(rows, 50);
    EXPECT_EQ(FirstShownName(grid), "P1");
    SCROLLINFO si = VertInfo(grid);
    EXPECT_EQ(si.nMin, 1);
    EXPECT_EQ(static_cast<int>(si.nPage), grid->VisibleDataRowCount());
    EXPECT_EQ(si.nMax, 50 + static_cast<int>(si.nPage) - 1);
    EXPECT_EQ(si.nPos, 1);

    g.query->Last();
    EXPECT_EQ(grid->Row(), rows);  // the last data row
    EXPECT_EQ(FirstShownName(grid), "P" + std::to_string(50 - rows + 1));
    EXPECT_EQ(VertInfo(grid).nPos, 50);
    // Within the shown rows only the current row moves.
    g.query->MoveBy(-2);
    EXPECT_EQ(grid->Row(), rows - 2);
    EXPECT_EQ(FirstShownName(grid), "P" + std::to_string(50 - rows + 1));
    EXPECT_EQ(VertInfo(grid).nPos, 48);
    // One above the first shown scrolls by one row.
    g.query->MoveBy(-(rows - 2));
    EXPECT_EQ(grid->Row(), 1);
    EXPECT_EQ(FirstShownName(grid), "P" + std::to_string(50 - rows));
    g.query->First();
    EXPECT_EQ(FirstShownName(grid), "P1");
    EXPECT_EQ(grid->Row(), 1);
    // A re-sorted data set repaints in its new order, keeping the current record in view.
    g.query->SetSort("id DESC");
    EXPECT_EQ(FirstShownName(grid), "P" + std::to_string(rows));
    EXPECT_EQ(grid->Row(), rows);
    g.query->First();
    EXPECT_EQ(FirstShownName(grid), "P50");
}

TEST_F(DBGridEhInput, RecreatedWindowGetsItsVerticalScrollBarBack) {
    TDBGridEh* grid = g.grid;
    g.query->MoveBy(9);
    const SCROLLINFO before = VertInfo(grid);
    EXPECT_EQ(before.nPos, 10);
    grid->SetFlat(true);  // a new window
    const SCROLLINFO after = VertInfo(grid);
    EXPECT_EQ(after.nMin, 1);
    EXPECT_EQ(after.nMax, 50 + static_cast<int>(after.nPage) - 1);
    EXPECT_EQ(after.nPos, 10);
    EXPECT_TRUE(GetWindowLongPtrW(grid->Handle(), GWL_STYLE) & WS_VSCROLL);
}

// A requery (close and open again) keeps the scroll bar, so the grid is not resized twice on the
// way; a data set left closed loses its bar once the queued messages are read.
TEST_F(DBGridEhInput, ARequeryKeepsTheScrollBarAndAClosedDataSetLosesIt) {
    TDBGridEh* grid = g.grid;
    // Stored columns with stored widths, as the program's grids have: default columns and widths
    // come and go with the fields.
    CustomizeColumns();
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->ColumnAt(i)->SetWidth(150);
    DrainMessages();
    const auto hasBar = [grid] { return (GetWindowLongPtrW(grid->Handle(), GWL_STYLE) & WS_VSCROLL) != 0; };
    ASSERT_TRUE(hasBar());
    const int width = grid->ClientWidth();
    TMessageRecorder recorder;
    recorder.Only({WM_SIZE, WM_NCCALCSIZE});
    recorder.Attach(grid);
    OpenQuery(g.query, "select * from people where id > 10 order by id");
    DrainMessages();
    EXPECT_EQ(recorder.Count(WM_SIZE), 0) << recorder.Listing();
    EXPECT_EQ(recorder.Count(WM_NCCALCSIZE), 0) << recorder.Listing();
    EXPECT_TRUE(hasBar());
    EXPECT_EQ(grid->ClientWidth(), width);
    EXPECT_EQ(VertInfo(grid).nMax, 40 + static_cast<int>(VertInfo(grid).nPage) - 1);
    EXPECT_EQ(FirstShownName(grid), "P11");

    g.query->Close();
    DrainMessages();
    EXPECT_FALSE(hasBar());
    EXPECT_GT(grid->ClientWidth(), width);
    g.query->Open();
    DrainMessages();
    EXPECT_TRUE(hasBar());
    EXPECT_EQ(grid->ClientWidth(), width);
}

TEST_F(DBGridEhInput, ScrollBarAndWheelMoveTheDataSet) {
    TDBGridEh* grid = g.grid;
    const int rows = grid->DataLink()->BufferCount();
    const int page = grid->VisibleDataRowCount();
    struct Row {
        const char* name;
        int code;
        int expectedRecNo;
    };
    const Row table[] = {
        {"line down: below the last shown", SB_LINEDOWN, rows + 1},
        {"page down", SB_PAGEDOWN, rows + 1 + page},
        {"line up: above the first shown", SB_LINEUP, rows + 1 + page - rows},
        {"bottom", SB_BOTTOM, 50},
        {"page up", SB_PAGEUP, 50 - page},
        {"top", SB_TOP, 1},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        grid->Perform(WM_VSCROLL, MAKEWPARAM(row.code, 0), 0);
        EXPECT_EQ(g.query->RecNo(), row.expectedRecNo);
        EXPECT_EQ(VertInfo(grid).nPos, row.expectedRecNo);
        EXPECT_EQ(grid->Row(), grid->DataLink()->ActiveRecord() + 1);
    }
    // The wheel moves one record per notch.
    grid->Perform(WM_MOUSEWHEEL, static_cast<WPARAM>(static_cast<WORD>(-2 * WHEEL_DELTA)) << 16, 0);
    EXPECT_EQ(g.query->RecNo(), 3);
    grid->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    EXPECT_EQ(g.query->RecNo(), 2);
}

TEST_F(DBGridEhInput, KeysMoveTheDataSetAndTheColumn) {
    TDBGridEh* grid = g.grid;
    const int page = grid->VisibleDataRowCount();
    // The application's key handler runs first and sees the record before the move.
    std::vector<int> seen;
    struct Handler {
        std::vector<int>* seen;
        TADOQuery* query;
        void KeyDown(TObject*, WORD&, TShiftState) { seen->push_back(query->FieldByName("id")->AsInteger()); }
    } handler{&seen, g.query};
    grid->OnKeyDown = Event<&Handler::KeyDown>(&handler);
    struct Row {
        const char* name;
        WORD key;
        bool ctrl;
        int expectedRecNo;
    };
    const Row table[] = {
        {"down", VK_DOWN, false, 2},       {"page down", VK_NEXT, false, 2 + page},
        {"up", VK_UP, false, 1 + page},     {"ctrl+end", VK_END, true, 50},
        {"page up", VK_PRIOR, false, 50 - page}, {"ctrl+home", VK_HOME, true, 1},
    };
    for (const Row& row : table) {
        SCOPED_TRACE(row.name);
        const int before = g.CurrentId();
        seen.clear();
        Key(row.key, false, row.ctrl);
        ASSERT_EQ(seen.size(), 1u);
        EXPECT_EQ(seen[0], before);
        EXPECT_EQ(g.query->RecNo(), row.expectedRecNo);
    }
    // Left and right change the column; Home and End go to the first and last column.
    grid->OnKeyDown = nullptr;
    EXPECT_EQ(grid->SelectedIndex(), 0);
    Key(VK_RIGHT);
    EXPECT_EQ(grid->SelectedIndex(), 1);
    EXPECT_EQ(grid->SelectedField(), g.query->FieldByName("name"));
    Key(VK_END);
    EXPECT_EQ(grid->SelectedIndex(), grid->Columns()->Count() - 1);
    Key(VK_HOME);
    EXPECT_EQ(grid->SelectedIndex(), 0);
}

TEST_F(DBGridEhInput, ClicksSelectRows) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    g.Show();
    // A plain click moves there and selects that row alone.
    Click(2, 3);
    EXPECT_EQ(g.CurrentId(), 3);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3}));
    Click(2, 5);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{5}));
    // Ctrl toggles one row.
    Click(2, 2, MK_CONTROL);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{2, 5}));
    Click(2, 5, MK_CONTROL);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{2}));
    // Shift selects every row from the current one to the clicked one.
    Click(2, 4);
    Click(2, 8, MK_SHIFT);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{4, 5, 6, 7, 8}));
    EXPECT_EQ(g.CurrentId(), 8);
    EXPECT_EQ(grid->SelectionType(), gstRecordBookmarks);
    // Shift+Up from there leaves the row it goes back from.
    Key(VK_UP, true);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{4, 5, 6, 7}));
    // A plain move clears the selection; the indicator title selects all rows and clears them again.
    Key(VK_DOWN);
    EXPECT_TRUE(SelectedIds().empty());
    Click(0, 0);
    EXPECT_EQ(grid->SelectionType(), gstAll);
    auto bitmap = g.Paint();
    EXPECT_GT(CountColour(bitmap.get(), grid->CellRect(0, 6), 0x404040), 10);  // the dark marker cells
    Click(0, 0);
    EXPECT_EQ(grid->SelectionType(), gstNon);
    // A click raises OnCellClick for the column clicked.
    TColumnEh* clicked = nullptr;
    struct Handler {
        TColumnEh** clicked;
        void Click(TColumnEh* column) { *clicked = column; }
    } handler{&clicked};
    grid->OnCellClick = Event<&Handler::Click>(&handler);
    Click(3, 2);
    EXPECT_EQ(clicked, grid->Columns()->ColumnAt(2));
}

// Applies the sort markers to the query, as the person window does.
struct TSortApplier {
    TDBGridEh* grid;
    TADOQuery* query;
    String log;
    int calls = 0;
    void Changed(TObject*) {
        ++calls;
        String sort;
        for (int i = 0; i < grid->SortMarkedColumnList()->Count(); ++i) {
            TColumnEh* column = grid->SortMarkedColumnList()->ColumnAt(i);
            if (!sort.empty()) sort += ", ";
            sort += column->FieldName();
            if (column->Title()->SortMarker() == smUpEh) sort += " DESC";
        }
        query->SetSort(sort);
        log += "sort;";
    }
    void TitleBtn(TObject*, int, TColumnEh*) { log += "button;"; }
    void MouseUp(TObject*, TMouseButton, TShiftState, int, int) { log += "up;"; }
    void Title(TColumnEh*) { log += "title;"; }
};

TEST_F(DBGridEhInput, TitleClicksOrderTheDataSet) {
    TDBGridEh* grid = g.grid;
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
    grid->ColumnDefValues()->Title()->SetTitleButton(true);
    TSortApplier applier{grid, g.query};
    grid->OnSortMarkingChanged = Event<&TSortApplier::Changed>(&applier);
    grid->OnTitleBtnClick = Event<&TSortApplier::TitleBtn>(&applier);
    grid->OnMouseUp = Event<&TSortApplier::MouseUp>(&applier);
    grid->OnTitleClick = Event<&TSortApplier::Title>(&applier);

    const int city = 3;  // grid column of "city"
    Click(city, 0);
    EXPECT_EQ(applier.log, "button;sort;up;title;");
    EXPECT_EQ(g.query->Sort(), "city");
    EXPECT_EQ(grid->Columns()->ColumnAt(2)->Title()->SortMarker(), smDownEh);
    g.query->First();
    EXPECT_EQ(g.query->FieldByName("city")->AsString(), "Athens");
    EXPECT_EQ(FirstShownName(grid), g.query->FieldByName("name")->AsString());
    // Again: descending.
    Click(city, 0);
    EXPECT_EQ(g.query->Sort(), "city DESC");
    g.query->First();
    EXPECT_EQ(g.query->FieldByName("city")->AsString(), "Delhi");

    // Ctrl+click adds a second key; the notice waits for the Ctrl key to go up.
    const int calls = applier.calls;
    Click(4, 0, MK_CONTROL);
    Click(4, 0, MK_CONTROL);
    EXPECT_EQ(applier.calls, calls);
    EXPECT_EQ(grid->SortMarkedColumnList()->Count(), 2);
    EXPECT_EQ(grid->Columns()->ColumnAt(3)->Title()->SortIndex(), 2);
    grid->Perform(WM_KEYUP, VK_CONTROL, 0xC0000001);
    EXPECT_EQ(applier.calls, calls + 1);
    EXPECT_EQ(g.query->Sort(), "city DESC, amount DESC");
    grid->Perform(WM_KEYUP, VK_CONTROL, 0xC0000001);  // nothing pending any more
    EXPECT_EQ(applier.calls, calls + 1);
    // A pending notice also runs when the grid loses the focus.
    Click(2, 0, MK_CONTROL);
    EXPECT_EQ(applier.calls, calls + 1);
    grid->Perform(WM_KILLFOCUS, 0, 0);
    EXPECT_EQ(applier.calls, calls + 2);
    EXPECT_EQ(g.query->Sort(), "city DESC, amount DESC, name");
}

TEST_F(DBGridEhInput, TypedTextReachesTheFieldWhenTheRecordMoves) {
    TDBGridEh* grid = g.grid;
    g.Show();
    Key(VK_RIGHT);  // the name column
    Key(VK_F2);
    ASSERT_TRUE(grid->EditorShown());
    EXPECT_EQ(grid->InplaceEditor()->Text(), "P1");
    HWND editor = grid->InplaceEditor()->Handle();
    SendMessageW(editor, WM_CHAR, 'Q', 1);
    EXPECT_EQ(g.query->State(), dsEdit);
    SendMessageW(editor, WM_KEYDOWN, VK_DOWN, 1);  // the editor hands Down to the grid
    EXPECT_EQ(g.query->State(), dsBrowse);
    EXPECT_EQ(g.CurrentId(), 2);
    g.query->First();
    EXPECT_EQ(g.query->FieldByName("name")->AsString(), "Q");
    // On a read-only grid typing changes nothing.
    grid->SetReadOnly(true);
    Key(VK_F2);
    if (grid->EditorShown()) SendMessageW(grid->InplaceEditor()->Handle(), WM_CHAR, 'Z', 1);
    EXPECT_EQ(g.query->State(), dsBrowse);
    EXPECT_EQ(g.query->FieldByName("name")->AsString(), "Q");
    // Esc hides the editor.
    Key(VK_ESCAPE);
    EXPECT_FALSE(grid->EditorShown());
}

TEST_F(DBGridEhInput, SizingATitleLineSetsTheColumnWidth) {
    TDBGridEh* grid = g.grid;
    CustomizeColumns();
    int notices = 0;
    struct Counter {
        int* n;
        void Changed(TObject*) { ++*n; }
    } counter{&notices};
    grid->OnColWidthsChanged = Event<&Counter::Changed>(&counter);
    const TRect title = grid->CellRect(2, 0);
    const int old = grid->Columns()->ColumnAt(1)->Width();
    const LPARAM down = PointToLParam(title.Right, title.Top + 3);
    const LPARAM to = PointToLParam(title.Right + 30, title.Top + 3);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, down);
    EXPECT_EQ(grid->GridState(), gsColSizing);
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, to);
    grid->Perform(WM_LBUTTONUP, 0, to);
    EXPECT_EQ(grid->GridState(), gsNormal);
    EXPECT_EQ(grid->Columns()->ColumnAt(1)->Width(), old + 30);
    EXPECT_EQ(grid->ColWidths(2), old + 30);
    EXPECT_GE(notices, 1);
    // Dragging a title sideways moves its column.
    const TRect name = grid->CellRect(2, 0);
    TColumnEh* moving = grid->Columns()->ColumnAt(1);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(name.Left + 10, name.Top + 3));
    const TRect target = grid->CellRect(3, 0);
    grid->Perform(WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(target.Left + 10, target.Top + 3));
    EXPECT_EQ(grid->GridState(), gsColMoving);
    grid->Perform(WM_LBUTTONUP, 0, PointToLParam(target.Left + 10, target.Top + 3));
    EXPECT_EQ(grid->Columns()->ColumnAt(2), moving);
    EXPECT_EQ(grid->DataLink()->MappedField(2), g.query->FieldByName("name"));
}

}  // namespace
