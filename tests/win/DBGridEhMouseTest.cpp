// The data grid under the mouse: dragging over rows selects the rows passed (and unselects them when
// the drag began by unselecting a row), dragging beyond the rows scrolls by the timer, dragging over
// cells spans a rectangle, the bottom of a title picks columns, the right button captures the mouse
// and keeps a selection it clicks into, a double click on a column's border fits the column, and a
// click on an edit button of a grid that cannot edit does nothing.
#include "DBGridEhTestSupport.h"
#include "DBGridEhSelection.h"

using namespace gridwin;

namespace {

class DBGridEhMouse : public ::testing::Test {
protected:
    void TearDown() override { SetModifiers(false, false); }

    TPoint Centre(int col, int row) {
        const TRect r = g.grid->CellRect(col, row);
        EXPECT_FALSE(r.IsEmpty()) << col << "," << row;
        return Point((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    }
    void Down(TPoint at, WPARAM keys = 0, UINT msg = WM_LBUTTONDOWN) {
        SetModifiers(keys & MK_SHIFT, keys & MK_CONTROL);
        const WPARAM button = msg == WM_RBUTTONDOWN ? MK_RBUTTON : MK_LBUTTON;
        g.grid->Perform(msg, button | keys, PointToLParam(at.X, at.Y));
    }
    void Move(TPoint at, WPARAM keys = MK_LBUTTON) { g.grid->Perform(WM_MOUSEMOVE, keys, PointToLParam(at.X, at.Y)); }
    void Up(TPoint at, WPARAM keys = 0, UINT msg = WM_LBUTTONUP) {
        g.grid->Perform(msg, keys, PointToLParam(at.X, at.Y));
        SetModifiers(false, false);
    }
    void Click(TPoint at, WPARAM keys = 0) {
        Down(at, keys);
        Up(at, keys);
    }
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
    int IdAt(const TBookmark& bookmark) {
        const TBookmark saved = g.query->Bookmark();
        g.query->GotoBookmark(bookmark);
        const int id = g.CurrentId();
        g.query->GotoBookmark(saved);
        return id;
    }

    GridOnForm g{50};
};

TEST_F(DBGridEhMouse, DraggingOverRowsGivesThemTheClickedRowsState) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    g.Show();
    // A plain press selects the row; the rows dragged over are selected with it.
    Down(Centre(2, 3));
    EXPECT_EQ(grid->MouseState(), 1);
    Move(Centre(2, 5));
    Move(Centre(2, 6));
    Up(Centre(2, 6));
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5, 6}));
    EXPECT_EQ(g.CurrentId(), 6);
    // Back over rows already passed unselects them again.
    Down(Centre(2, 8));
    Move(Centre(2, 10));
    Move(Centre(2, 9));
    Up(Centre(2, 9));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{8, 9}));
    // A Ctrl+press that unselects a row unselects the rows dragged over.
    Down(Centre(2, 3));
    Move(Centre(2, 6));
    Up(Centre(2, 6));
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5, 6}));
    Down(Centre(2, 4), MK_CONTROL);
    Move(Centre(2, 5), MK_LBUTTON | MK_CONTROL);
    Up(Centre(2, 5), MK_CONTROL);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 6}));
}

TEST_F(DBGridEhMouse, DraggingBelowTheRowsScrollsByTheTimer) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    g.Show();
    const int rows = grid->VisibleDataRowCount();
    const TRect last = grid->CellRect(2, rows);
    Down(Centre(2, 2));
    // 30 pixels below the last data row: 5 records per tick.
    const TPoint below = Point(Centre(2, 2).X, last.Bottom + 30);
    Move(below);
    const int afterMove = g.CurrentId();
    EXPECT_EQ(afterMove, rows + 5);  // to the last row shown, then one step
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(g.CurrentId(), afterMove + 5);
    // Within 6 pixels of the edge nothing scrolls.
    Move(Point(below.X, last.Bottom + 3));
    const int still = g.CurrentId();
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(g.CurrentId(), still);
    Up(Point(below.X, last.Bottom + 3));
    EXPECT_EQ(grid->MouseState(), 0);
    const std::vector<int> ids = SelectedIds();
    ASSERT_FALSE(ids.empty());
    EXPECT_EQ(ids.front(), 2);
    EXPECT_EQ(ids.back(), still);
    EXPECT_EQ(static_cast<int>(ids.size()), still - 1);  // every row between, none missing
    // After the release the timer does nothing.
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(g.CurrentId(), still);
    // Cancel mode mid-drag ends the drag.
    Down(Centre(2, 2));
    Move(below);
    grid->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_EQ(grid->MouseState(), 0);
    const int cancelled = g.CurrentId();
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(g.CurrentId(), cancelled);
}

TEST_F(DBGridEhMouse, DraggingOverCellsSpansARectangle) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    grid->SetReadOnly(true);
    g.Show();
    Down(Centre(2, 2));
    EXPECT_EQ(grid->MouseState(), 3);
    Move(Centre(3, 3));
    Move(Centre(4, 4));
    Up(Centre(4, 4));
    ASSERT_EQ(grid->SelectionType(), gstRectangle);
    TDBGridEhSelectionRect* rect = grid->Selection()->Rect();
    EXPECT_EQ(rect->LeftCol(), 1);
    EXPECT_EQ(rect->RightCol(), 3);
    EXPECT_EQ(IdAt(rect->TopRow()), 2);
    EXPECT_EQ(IdAt(rect->BottomRow()), 4);
    // Shift+click extends it from its anchor.
    Click(Centre(2, 6), MK_SHIFT);
    EXPECT_EQ(rect->RightCol(), 1);
    EXPECT_EQ(IdAt(rect->BottomRow()), 6);
    // A plain click elsewhere clears it.
    Click(Centre(3, 8));
    EXPECT_EQ(grid->SelectionType(), gstNon);
    // A click on the indicator selects rows.
    Click(Centre(0, 3));
    EXPECT_EQ(grid->SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3}));
}

TEST_F(DBGridEhMouse, TheBottomOfATitlePicksColumns) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    g.Show();
    auto titleBottom = [&](int col) {
        const TRect r = grid->CellRect(col, 0);
        return Point((r.Left + r.Right) / 2, r.Bottom - 2);
    };
    auto selected = [&] {
        std::vector<int> indices;
        TDBGridEhSelectionCols* cols = grid->Selection()->Columns();
        for (int i = 0; i < cols->Count(); ++i) indices.push_back(cols->ColumnAt(i)->Index());
        return indices;
    };
    Down(titleBottom(2));
    EXPECT_EQ(grid->MouseState(), 2);
    Move(titleBottom(4));
    Up(titleBottom(4));
    EXPECT_EQ(grid->SelectionType(), gstColumns);
    EXPECT_EQ(selected(), (std::vector<int>{1, 2, 3}));
    Click(titleBottom(3), MK_CONTROL);
    EXPECT_EQ(selected(), (std::vector<int>{1, 3}));
    Click(titleBottom(1));
    EXPECT_EQ(selected(), (std::vector<int>{0}));
    Click(titleBottom(3), MK_SHIFT);
    EXPECT_EQ(selected(), (std::vector<int>{0, 1, 2}));
    // The upper part of a title is no column pick, and row select picks no columns.
    grid->Perform(WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_EQ(grid->SelectionType(), gstNon);
    const TRect r = grid->CellRect(2, 0);
    Click(Point((r.Left + r.Right) / 2, r.Top + 2));
    EXPECT_EQ(grid->SelectionType(), gstNon);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect});
    Down(titleBottom(2));
    EXPECT_EQ(grid->MouseState(), 0);
    Up(titleBottom(2));
    EXPECT_EQ(grid->SelectionType(), gstNon);
}

TEST_F(DBGridEhMouse, DraggingAColumnPickBeyondTheRightEdgeScrollsAndExtends) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (int i = 0; i < 4; ++i)
        for (const char* name : {"id", "name", "city", "amount"}) grid->Columns()->Add()->SetFieldName(name);
    for (int i = 0; i < grid->Columns()->Count(); ++i) grid->Columns()->ColumnAt(i)->SetWidth(90);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    g.Show();
    const TRect first = grid->CellRect(2, 0);
    Down(Point((first.Left + first.Right) / 2, first.Bottom - 2));
    ASSERT_EQ(grid->MouseState(), 2);
    const int leftBefore = grid->LeftCol();
    Move(Point(grid->ClientWidth() + 20, first.Bottom - 2));
    const int afterMove = grid->LeftCol();
    EXPECT_GT(afterMove, leftBefore);
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(grid->LeftCol(), afterMove + 1);
    Up(Point(grid->ClientWidth() + 20, first.Bottom - 2));
    ASSERT_EQ(grid->SelectionType(), gstColumns);
    TDBGridEhSelectionCols* cols = grid->Selection()->Columns();
    // From the pressed column to the last one shown, none missing.
    ASSERT_GE(cols->Count(), 3);
    EXPECT_EQ(cols->ColumnAt(0)->Index(), 1);
    for (int i = 1; i < cols->Count(); ++i) EXPECT_EQ(cols->ColumnAt(i)->Index(), cols->ColumnAt(i - 1)->Index() + 1);
    TGridDrawInfo info;
    grid->CalcDrawInfo(info);
    EXPECT_EQ(cols->ColumnAt(cols->Count() - 1)->Index(), grid->GridColToDataCol(info.Horz.LastFullVisibleCell));
    // After the release the timer does nothing.
    const int left = grid->LeftCol();
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(grid->LeftCol(), left);
}

TEST_F(DBGridEhMouse, TheRightButtonCapturesAndKeepsASelectionItClicksInto) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    g.Show();
    Click(Centre(2, 3));
    Click(Centre(2, 5), MK_SHIFT);
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
    Down(Centre(2, 4), 0, WM_RBUTTONDOWN);
    EXPECT_EQ(GetCapture(), grid->Handle());
    Up(Centre(2, 4), 0, WM_RBUTTONUP);
    EXPECT_NE(GetCapture(), grid->Handle());
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(g.CurrentId(), 4);
    // Outside the selection: cleared, and the record moves there.
    Down(Centre(2, 8), 0, WM_RBUTTONDOWN);
    Up(Centre(2, 8), 0, WM_RBUTTONUP);
    EXPECT_TRUE(SelectedIds().empty());
    EXPECT_EQ(g.CurrentId(), 8);
    EXPECT_NE(GetCapture(), grid->Handle());
}

// What OnMoveRecords was asked: the ids of the records, the target record number, check or move.
struct MoveCall {
    std::vector<int> Ids;
    int ToRecNo;
    bool CheckOnly;
};

class RecordMover {
public:
    RecordMover(TADOQuery* query, TDBGridEh* grid) : query_(query) { grid->OnMoveRecords = Event<&RecordMover::Move>(this); }
    void Move(TObject*, const std::vector<TBookmark>& bookmarks, int toRecNo, int treeLevel, bool checkOnly,
              bool& accepted) {
        EXPECT_EQ(treeLevel, -1);
        MoveCall call{{}, toRecNo, checkOnly};
        const TBookmark saved = query_->Bookmark();
        for (const TBookmark& mark : bookmarks) {
            query_->GotoBookmark(mark);
            call.Ids.push_back(query_->FieldByName("id")->AsInteger());
        }
        query_->GotoBookmark(saved);
        calls.push_back(call);
        accepted = toRecNo <= AcceptUpTo;
    }
    // The final move (CheckOnly false), or nullptr.
    const MoveCall* Moved() const {
        const MoveCall* found = nullptr;
        for (const MoveCall& call : calls)
            if (!call.CheckOnly) found = &call;
        return found;
    }
    std::vector<MoveCall> calls;
    int AcceptUpTo = 1000;

private:
    TADOQuery* query_;
};

TEST_F(DBGridEhMouse, DraggingSelectedRowsByTheIndicatorMovesTheirRecords) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    g.Show();
    RecordMover mover(g.query, grid);
    Click(Centre(2, 3));
    Click(Centre(2, 4), MK_SHIFT);
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
    // A press on the indicator of a selected row starts the drag; the record stays.
    Down(Centre(0, 4));
    EXPECT_EQ(grid->MouseState(), 7);
    EXPECT_EQ(grid->RecordDragStartRow(), 4);
    EXPECT_EQ(grid->RecordDragTargetRow(), 4);
    EXPECT_EQ(g.CurrentId(), 4);
    EXPECT_EQ(GetCapture(), grid->Handle());
    // Each new target is checked first.
    Move(Centre(0, 7));
    ASSERT_FALSE(mover.calls.empty());
    EXPECT_TRUE(mover.calls.back().CheckOnly);
    EXPECT_EQ(mover.calls.back().ToRecNo, 7);
    EXPECT_EQ(grid->RecordDragTargetRow(), 7);
    // A refused target leaves the line where it was.
    mover.AcceptUpTo = 8;
    Move(Centre(2, 9));
    EXPECT_EQ(mover.calls.back().ToRecNo, 9);
    EXPECT_EQ(grid->RecordDragTargetRow(), 7);
    Up(Centre(2, 9));
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_NE(GetCapture(), grid->Handle());
    const MoveCall* moved = mover.Moved();
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Ids, (std::vector<int>{3, 4}));
    EXPECT_EQ(moved->ToRecNo, 7);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4}));  // a drop is no click
    EXPECT_EQ(g.CurrentId(), 4);

    // Dropped where it began, or cancelled: nothing moves.
    mover.calls.clear();
    mover.AcceptUpTo = 1000;
    Down(Centre(0, 3));
    Move(Centre(0, 6));
    Move(Centre(0, 3));
    Up(Centre(0, 3));
    EXPECT_EQ(mover.Moved(), nullptr);
    Down(Centre(0, 3));
    Move(Centre(0, 6));
    grid->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_EQ(mover.Moved(), nullptr);

    // An unselected row, or Shift or Ctrl held, selects as usual.
    Down(Centre(0, 8));
    EXPECT_EQ(grid->MouseState(), 1);
    Up(Centre(0, 8));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{8}));
    Down(Centre(0, 8), MK_CONTROL);
    EXPECT_NE(grid->MouseState(), 7);
    Up(Centre(0, 8), MK_CONTROL);
    EXPECT_EQ(mover.Moved(), nullptr);
}

TEST_F(DBGridEhMouse, DraggingRecordsBeyondTheRowsScrollsByOneRecord) {
    TDBGridEh* grid = g.grid;
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    g.Show();
    RecordMover mover(g.query, grid);
    // Without multi-select any row can be dragged; the dragged one moves, not the current one.
    ASSERT_EQ(g.CurrentId(), 1);
    const int rows = grid->VisibleDataRowCount();
    const TRect last = grid->CellRect(0, rows);
    Down(Centre(0, 3));
    ASSERT_EQ(grid->MouseState(), 7);
    Move(Point(Centre(0, 3).X, last.Bottom + 20));
    EXPECT_EQ(grid->RecordDragTargetRow(), rows);
    EXPECT_EQ(mover.calls.back().ToRecNo, rows + 1);  // the data scrolled by one
    grid->Perform(WM_TIMER, TCustomDBGridEh::kAutoScrollTimer, 0);
    EXPECT_EQ(mover.calls.back().ToRecNo, rows + 2);
    EXPECT_EQ(grid->RecordDragStartRow(), 1);  // the start row went up with the data
    Up(Point(Centre(0, 3).X, last.Bottom + 20));
    const MoveCall* moved = mover.Moved();
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->Ids, (std::vector<int>{3}));
    EXPECT_EQ(moved->ToRecNo, rows + 2);
    // Without the option the indicator selects nothing and drags nothing.
    mover.calls.clear();
    grid->SetOptionsEh(grid->OptionsEh() - TDBGridEhOptions{dghRecordMoving});
    Down(Centre(0, 5));
    EXPECT_NE(grid->MouseState(), 7);
    Up(Centre(0, 5));
    EXPECT_TRUE(mover.calls.empty());
}

TEST_F(DBGridEhMouse, RecordMovingWithoutAHandlerAsksTheDataServiceAndKeepsThePosition) {
    TDBGridEh* grid = g.grid;
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    g.Show();
    g.query->MoveBy(1);
    ASSERT_EQ(g.CurrentId(), 2);
    // No features are registered for this data set: every target is refused, nothing moves.
    Down(Centre(0, 4));
    ASSERT_EQ(grid->MouseState(), 7);
    Move(Centre(0, 6));
    EXPECT_EQ(grid->RecordDragTargetRow(), 4);
    Up(Centre(0, 6));
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_EQ(g.CurrentId(), 2);
    EXPECT_EQ(g.query->RecordCount(), 50);
}

TEST_F(DBGridEhMouse, ColumnSizingTracedLiveAndOfFrozenColumns) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city", "amount"}) grid->Columns()->Add()->SetFieldName(name);
    for (int i = 0; i < 4; ++i) grid->Columns()->ColumnAt(i)->SetWidth(80);
    g.Show();
    auto border = [&](int col) {
        const TRect r = grid->CellRect(col, 0);
        return Point(r.Right, r.Top + 3);
    };
    // Without tracing the width changes on release only.
    TColumnEh* name = grid->Columns()->ColumnAt(1);
    TPoint at = border(2);
    Down(at);
    EXPECT_EQ(grid->GridState(), gsColSizing);
    Move(Point(at.X + 30, at.Y));
    EXPECT_EQ(name->Width(), 80);
    Up(Point(at.X + 30, at.Y));
    EXPECT_EQ(name->Width(), 110);
    // Traced: the width follows every move, at least 1, and stays where it was released.
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghTraceColSizing});
    TColumnEh* city = grid->Columns()->ColumnAt(2);
    at = border(3);
    Down(at);
    EXPECT_EQ(grid->GridState(), gsNormal);
    Move(Point(at.X + 25, at.Y));
    EXPECT_EQ(city->Width(), 105);
    EXPECT_EQ(grid->ColWidths(3), 105);
    Move(Point(at.X - 10, at.Y));
    EXPECT_EQ(city->Width(), 70);
    Move(Point(at.X - 300, at.Y));
    EXPECT_EQ(city->Width(), 1);
    Move(Point(at.X + 5, at.Y));
    Up(Point(at.X + 5, at.Y));
    EXPECT_EQ(city->Width(), 85);
    EXPECT_NE(GetCapture(), grid->Handle());
    Move(Point(at.X + 50, at.Y), 0);
    EXPECT_EQ(city->Width(), 85);  // released: no more following
    // Cancel mode ends it where it is.
    at = border(3);
    Down(at);
    Move(Point(at.X + 10, at.Y));
    grid->Perform(WM_CANCELMODE, 0, 0);
    EXPECT_EQ(city->Width(), 95);
    Move(Point(at.X + 40, at.Y));
    EXPECT_EQ(city->Width(), 95);
    Up(Point(at.X + 40, at.Y));
    // A frozen column sizes from its title border too (traced and not).
    grid->SetFrozenCols(1);
    ASSERT_EQ(grid->FixedCols(), 2);
    TColumnEh* id = grid->Columns()->ColumnAt(0);
    at = border(1);
    Down(at);
    Move(Point(at.X + 20, at.Y));
    EXPECT_EQ(id->Width(), 100);
    Up(Point(at.X + 20, at.Y));
    grid->SetOptionsEh(grid->OptionsEh() - TDBGridEhOptions{dghTraceColSizing});
    at = border(1);
    Down(at);
    EXPECT_EQ(grid->MouseState(), 6);  // frozen-column sizing, not the platform's
    Move(Point(at.X - 40, at.Y));
    Up(Point(at.X - 40, at.Y));
    EXPECT_EQ(id->Width(), 60);
    // The indicator's border sizes nothing.
    Down(border(0));
    EXPECT_EQ(grid->GridState(), gsNormal);
    Up(border(0));
}

TEST_F(DBGridEhMouse, TracedSizingUnderAutoFitLeavesTheColumnsToTheRightAWidth) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city"}) grid->Columns()->Add()->SetFieldName(name);
    grid->SetAutoFitColWidths(true);
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghTraceColSizing});
    g.Show();
    const TRect title = grid->CellRect(1, 0);
    const TPoint at = Point(title.Right, title.Top + 3);
    const int before = grid->ColWidths(1);
    Down(at);
    Move(Point(at.X + 20, at.Y));
    EXPECT_GT(grid->ColWidths(1), before);
    Move(Point(grid->ClientWidth() + 50, at.Y));
    Up(Point(grid->ClientWidth() + 50, at.Y));
    for (int col = 1; col < grid->ColCount(); ++col) EXPECT_GT(grid->ColWidths(col), 0) << col;
    EXPECT_LT(grid->CellRect(1, 0).Right, grid->ClientWidth());
}

TEST_F(DBGridEhMouse, TheRightButtonMovesColumnsByTheirTitles) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city"}) grid->Columns()->Add()->SetFieldName(name);
    g.Show();
    TColumnEh* name = grid->Columns()->ColumnAt(1);
    const TRect from = grid->CellRect(2, 0);
    const TRect to = grid->CellRect(3, 0);
    Down(Point(from.Left + 10, from.Top + 3), 0, WM_RBUTTONDOWN);
    EXPECT_EQ(GetCapture(), grid->Handle());
    Move(Point(to.Left + 10, to.Top + 3), MK_RBUTTON);
    EXPECT_EQ(grid->GridState(), gsColMoving);
    Up(Point(to.Left + 10, to.Top + 3), 0, WM_RBUTTONUP);
    EXPECT_EQ(grid->GridState(), gsNormal);
    EXPECT_EQ(grid->Columns()->ColumnAt(2), name);
    EXPECT_NE(GetCapture(), grid->Handle());
    // Without dgColumnResize the right button moves nothing.
    grid->SetOptions(grid->Options() - TDBGridOptions{dgColumnResize});
    const TRect again = grid->CellRect(3, 0);
    const TRect left = grid->CellRect(1, 0);
    Down(Point(again.Left + 10, again.Top + 3), 0, WM_RBUTTONDOWN);
    Move(Point(left.Left + 10, left.Top + 3), MK_RBUTTON);
    EXPECT_NE(grid->GridState(), gsColMoving);
    Up(Point(left.Left + 10, left.Top + 3), 0, WM_RBUTTONUP);
    EXPECT_EQ(grid->Columns()->ColumnAt(2), name);
}

TEST_F(DBGridEhMouse, CursorsOverTheIndicatorAndTheTitles) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    g.form->SetBounds(20, 20, 640, 360);
    g.Show();
    // The cursor the grid sets for the mouse at client point `at`.
    auto cursorAt = [&](TPoint at) {
        const TPoint screen = grid->ClientToScreen(at);
        SetCursorPos(screen.X, screen.Y);
        ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
        grid->Perform(WM_SETCURSOR, reinterpret_cast<WPARAM>(grid->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        return GetCursor();
    };
    POINT probe;
    const TPoint screen = grid->ClientToScreen(Centre(0, 3));
    SetCursorPos(screen.X, screen.Y);
    GetCursorPos(&probe);
    if (probe.x != screen.X || probe.y != screen.Y) GTEST_SKIP() << "the pointer cannot be placed here";
    const HCURSOR rowSelect = DBGridEhCursor(crDBGridEhRowSelect);
    const HCURSOR columnSelect = DBGridEhCursor(crDBGridEhColumnSelect);
    ASSERT_NE(rowSelect, nullptr);
    EXPECT_EQ(cursorAt(Centre(0, 3)), rowSelect);
    const TRect title = grid->CellRect(2, 0);
    EXPECT_EQ(cursorAt(Point((title.Left + title.Right) / 2, title.Bottom - 2)), columnSelect);
    EXPECT_NE(cursorAt(Point((title.Left + title.Right) / 2, title.Top + 1)), columnSelect);
    EXPECT_NE(cursorAt(Centre(2, 3)), rowSelect);
    // A selected row that can be dragged shows the plain cursor (the press would drag it).
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRecordMoving});
    Click(Centre(0, 3));
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3}));
    EXPECT_NE(cursorAt(Centre(0, 3)), rowSelect);
    EXPECT_EQ(cursorAt(Centre(0, 5)), rowSelect);
}

TEST_F(DBGridEhMouse, DoubleClickOnABorderFitsTheColumn) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city"}) grid->Columns()->Add()->SetFieldName(name);
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghDblClickOptimizeColWidth});
    g.Show();
    int dblClicks = 0;
    struct Counter {
        int* n;
        void DblClick(TObject*) { ++*n; }
    } counter{&dblClicks};
    grid->OnDblClick = Event<&Counter::DblClick>(&counter);
    TColumnEh* city = grid->Columns()->ColumnAt(2);
    city->SetWidth(200);
    // The widest city is "Athens"/"Berlin"/"Cairo"/"Delhi"; the title "city" is narrower.
    int widest = 0;
    for (const char* text : {"Athens", "Berlin", "Cairo", "Delhi"}) widest = std::max(widest, TextWidthIn(city->Font(), text));
    const TRect title = grid->CellRect(3, 0);
    const LPARAM border = PointToLParam(title.Right, title.Top + 3);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, border);
    grid->Perform(WM_LBUTTONUP, 0, border);
    grid->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, border);
    grid->Perform(WM_LBUTTONUP, 0, border);
    EXPECT_EQ(city->Width(), widest + 4);
    EXPECT_EQ(dblClicks, 0);
    // A double click on a cell is a double click.
    const TPoint cell = Centre(2, 2);
    grid->Perform(WM_LBUTTONDBLCLK, MK_LBUTTON, PointToLParam(cell.X, cell.Y));
    grid->Perform(WM_LBUTTONUP, 0, PointToLParam(cell.X, cell.Y));
    EXPECT_EQ(dblClicks, 1);
}

TEST_F(DBGridEhMouse, AnEditButtonOfAGridThatCannotEditDoesNothing) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name"}) grid->Columns()->Add()->SetFieldName(name);
    TColumnEh* name = grid->Columns()->ColumnAt(1);
    name->SetAlwaysShowEditButton(true);
    name->SetButtonStyle(cbsEllipsis);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    grid->SetReadOnly(true);
    g.Show();
    const TRect r = grid->CellRect(2, 3);
    const TPoint onButton = Point(r.Right - 3, (r.Top + r.Bottom) / 2);
    Click(onButton);
    Click(onButton);  // again on the current cell
    EXPECT_EQ(g.CurrentId(), 3);
    EXPECT_FALSE(grid->EditorShown());
}

TEST_F(DBGridEhMouse, ATipShowsTheWholeTextOfACellThatDoesNotFit) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "note"}) grid->Columns()->Add()->SetFieldName(name);
    TColumnEh* name = grid->Columns()->ColumnAt(1);
    name->SetToolTips(true);
    name->SetWidth(TextWidthIn(name->Font(), "P1") + 8);  // "P1" fits, "P10" does not
    g.Show();
    // Row 10 holds "P10".
    grid->Perform(WM_MOUSEMOVE, 0, PointToLParam(Centre(2, 10).X, Centre(2, 10).Y));
    THintWindow* hint = grid->CellHint();
    ASSERT_NE(hint, nullptr);
    EXPECT_TRUE(hint->Showing());
    EXPECT_EQ(hint->Caption(), "P10");
    const TRect cell = grid->CellRect(2, 10);
    const TPoint corner = grid->ClientToScreen(Point(cell.Left, cell.Top));
    EXPECT_LE(std::abs(hint->BoundsRect().Left - corner.X), 2);
    EXPECT_EQ(hint->BoundsRect().Top, corner.Y);
    // Over a text that fits, and over a column without tool tips, no tip.
    grid->Perform(WM_MOUSEMOVE, 0, PointToLParam(Centre(2, 1).X, Centre(2, 1).Y));
    EXPECT_FALSE(hint->Showing());
    grid->Perform(WM_MOUSEMOVE, 0, PointToLParam(Centre(2, 12).X, Centre(2, 12).Y));
    EXPECT_TRUE(hint->Showing());
    EXPECT_EQ(hint->Caption(), "P12");
    grid->Perform(WM_MOUSEMOVE, 0, PointToLParam(Centre(1, 12).X, Centre(1, 12).Y));
    EXPECT_FALSE(hint->Showing());
    // A press hides it and reaches the grid.
    grid->Perform(WM_MOUSEMOVE, 0, PointToLParam(Centre(2, 11).X, Centre(2, 11).Y));
    ASSERT_TRUE(hint->Showing());
    Click(Centre(2, 11));
    EXPECT_FALSE(hint->Showing());
    EXPECT_EQ(g.CurrentId(), 11);
}

// A drop target beside the grid: records what is dropped on it.
struct TDropLog {
    TObject* droppedFrom = nullptr;
    int drops = 0;
    TObject* endedOn = nullptr;
    int ends = 0;
    void Over(TObject*, TObject*, int, int, TDragState, bool& accept) { accept = true; }
    void Drop(TObject*, TObject* source, int, int) {
        droppedFrom = source;
        ++drops;
    }
    void End(TObject*, TObject* target, int, int) {
        endedOn = target;
        ++ends;
    }
};

TEST_F(DBGridEhMouse, AnAutomaticDragOfAMultiSelectGridDragsItsSelection) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghClearSelection});
    grid->SetDragMode(dmAutomatic);
    // On the screen with a panel beside the grid (the drop finds the control under the mouse).
    g.form->SetBounds(40, 40, 820, 360);
    auto* panel = New<TTestPanel>(g.form.get());
    panel->SetParent(g.form.get());
    panel->SetBounds(620, 0, 180, 300);
    TDropLog drops;
    panel->OnDragOver = Event<&TDropLog::Over>(&drops);
    panel->OnDragDrop = Event<&TDropLog::Drop>(&drops);
    grid->OnEndDrag = Event<&TDropLog::End>(&drops);
    g.Show();
    SetWindowPos(g.form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    DrainMessages();
    const TPoint onPanel = grid->ScreenToClient(panel->ClientToScreen(Point(40, 40)));
    const TPoint panelScreen = panel->ClientToScreen(Point(40, 40));
    const bool reachable = WindowFromPoint(POINT{panelScreen.X, panelScreen.Y}) == panel->Handle();

    Click(Centre(2, 3));
    Click(Centre(2, 5), MK_SHIFT);
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(grid->DragMode(), dmAutomatic);

    // A press on the selection arms the drag: the record moves, the selection stays, nothing tracks.
    Down(Centre(2, 4));
    EXPECT_EQ(grid->DragMode(), dmAutomatic);
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_EQ(g.CurrentId(), 4);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
    Move(Point(Centre(2, 4).X + 1, Centre(2, 4).Y));
    EXPECT_TRUE(grid->Dragging());
    if (reachable) {
        Move(onPanel);
        Up(onPanel);
        EXPECT_EQ(drops.drops, 1);
        EXPECT_EQ(drops.droppedFrom, grid);
        EXPECT_EQ(drops.endedOn, panel);
    } else {
        grid->EndDrag(false);  // no drop target reachable here: the drag still ends cleanly
        EXPECT_EQ(drops.endedOn, nullptr);
    }
    EXPECT_EQ(drops.ends, 1);
    EXPECT_FALSE(grid->Dragging());
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(g.CurrentId(), 4);
    EXPECT_NE(GetCapture(), grid->Handle());
    // Afterwards the mouse moves without dragging anything.
    Move(Centre(2, 7), 0);
    EXPECT_FALSE(grid->Dragging());

    // Pressed on the selection and released before the drag began: a click. Ctrl toggles the row...
    Down(Centre(2, 5), MK_CONTROL);
    Up(Centre(2, 5), MK_CONTROL);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
    EXPECT_EQ(drops.ends, 1);
    // ...a plain click clears the selection.
    Click(Centre(2, 4));
    EXPECT_TRUE(SelectedIds().empty());
    EXPECT_EQ(g.CurrentId(), 4);

    // A press outside any selection selects as before, and dragging from there selects rows.
    Down(Centre(2, 8));
    EXPECT_EQ(grid->MouseState(), 1);
    Move(Centre(2, 9));
    Move(Centre(2, 10));
    EXPECT_FALSE(grid->Dragging());
    Up(Centre(2, 10));
    EXPECT_EQ(SelectedIds(), (std::vector<int>{8, 9, 10}));
    EXPECT_EQ(drops.ends, 1);
}

TEST_F(DBGridEhMouse, CancelModeEndsAnArmedOrRunningSelectionDrag) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect, dgMultiSelect});
    grid->SetDragMode(dmAutomatic);
    TDropLog drops;
    grid->OnEndDrag = Event<&TDropLog::End>(&drops);
    g.Show();
    Click(Centre(2, 3));
    Click(Centre(2, 4), MK_SHIFT);
    ASSERT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
    // Running: cancel mode ends it without a drop; the selection stays.
    Down(Centre(2, 3));
    Move(Point(Centre(2, 3).X + 1, Centre(2, 3).Y));
    Move(Point(Centre(2, 3).X + 40, Centre(2, 3).Y));
    ASSERT_TRUE(grid->Dragging());
    grid->Perform(WM_CANCELMODE);
    EXPECT_FALSE(grid->Dragging());
    EXPECT_EQ(drops.ends, 1);
    EXPECT_EQ(drops.endedOn, nullptr);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
    // Armed: cancel mode disarms it, so the next move starts nothing.
    Down(Centre(2, 4));
    grid->Perform(WM_CANCELMODE);
    Move(Point(Centre(2, 4).X + 30, Centre(2, 4).Y));
    EXPECT_FALSE(grid->Dragging());
    EXPECT_EQ(drops.ends, 1);
    EXPECT_EQ(SelectedIds(), (std::vector<int>{3, 4}));
}

// Pixels of column x of the grid's window (rows from `top` to `bottom`) as the screen shows them.
std::vector<COLORREF> ScreenColumn(TDBGridEh* grid, int x, int top, int bottom) {
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(grid->Handle());
    for (int y = top; y < bottom; ++y) pixels.push_back(GetPixel(dc, x, y));
    ReleaseDC(grid->Handle(), dc);
    return pixels;
}

TEST_F(DBGridEhMouse, AFrozenColumnSizesByADottedLineFromItsTitleBorder) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city", "amount"}) grid->Columns()->Add()->SetFieldName(name);
    for (int i = 0; i < 4; ++i) grid->Columns()->ColumnAt(i)->SetWidth(80);
    grid->SetFrozenCols(2);
    g.form->SetBounds(40, 40, 640, 360);
    g.Show();
    RedrawWindow(grid->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    TColumnEh* name = grid->Columns()->ColumnAt(1);
    const TRect title = grid->CellRect(2, 0);
    const int bottom = grid->ClientHeight() - 20;
    // The spot reaches a few pixels left of the border and up to 7 right of it, in the title only.
    struct TSpot {
        int dx;
        bool inTitle;
        bool sizes;
    };
    for (const TSpot spot : {TSpot{-4, true, false}, TSpot{-3, true, true}, TSpot{0, true, true}, TSpot{7, true, true},
                             TSpot{9, true, false}, TSpot{0, false, false}}) {
        SCOPED_TRACE(spot.dx);
        const TPoint at{title.Right + spot.dx, spot.inTitle ? title.Top + 3 : Centre(2, 3).Y};
        Down(at);
        EXPECT_EQ(grid->MouseState() == 6, spot.sizes);
        Up(at);
        EXPECT_EQ(grid->MouseState(), 0);
        name->SetWidth(80);
    }
    // Pressed: a dotted line inverts the border's pixels down the grid; it follows the mouse and is
    // gone on release, when the column takes its place.
    const std::vector<COLORREF> before = ScreenColumn(grid, title.Right + 30, 30, bottom);
    Down(Point(title.Right, title.Top + 3));
    ASSERT_EQ(grid->MouseState(), 6);
    Move(Point(title.Right + 30, title.Top + 3));
    EXPECT_EQ(name->Width(), 80);
    const std::vector<COLORREF> shown = ScreenColumn(grid, title.Right + 30, 30, bottom);
    int changed = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        if (shown[i] != before[i]) ++changed;
    EXPECT_GT(changed, static_cast<int>(shown.size()) / 3);  // every other pixel
    EXPECT_LT(changed, static_cast<int>(shown.size()) * 2 / 3);
    Up(Point(title.Right + 30, title.Top + 3));
    EXPECT_EQ(grid->MouseState(), 0);
    EXPECT_EQ(name->Width(), 110);
    EXPECT_EQ(ScreenColumn(grid, title.Right + 30, 30, bottom).size(), before.size());
    EXPECT_NE(GetCapture(), grid->Handle());
    // Pulled left past the column's start: the width stays (nothing of 1 pixel or less).
    const TRect wider = grid->CellRect(2, 0);
    Down(Point(wider.Right, wider.Top + 3));
    Move(Point(wider.Left - 50, wider.Top + 3));
    Up(Point(wider.Left - 50, wider.Top + 3));
    EXPECT_EQ(name->Width(), 110);
    // Cancel mode and Esc end it without a change.
    for (UINT how : {UINT(WM_CANCELMODE), UINT(WM_KEYDOWN)}) {
        Down(Point(wider.Right, wider.Top + 3));
        Move(Point(wider.Right + 40, wider.Top + 3));
        if (how == WM_CANCELMODE)
            grid->Perform(WM_CANCELMODE);
        else
            grid->Perform(WM_KEYDOWN, VK_ESCAPE, 1);
        EXPECT_EQ(grid->MouseState(), 0) << how;
        Up(Point(wider.Right + 40, wider.Top + 3));
        EXPECT_EQ(name->Width(), 110) << how;
    }
}

TEST_F(DBGridEhMouse, TheLastColumnSizesFromTheClientEdgeWhenTheColumnsFillIt) {
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city"}) grid->Columns()->Add()->SetFieldName(name);
    g.Show();
    // Columns that end exactly at the client edge.
    const int line = grid->GridLineWidth();
    const int used = grid->ColWidths(0) + line + 2 * (100 + line);
    grid->Columns()->ColumnAt(0)->SetWidth(100);
    grid->Columns()->ColumnAt(1)->SetWidth(100);
    grid->Columns()->ColumnAt(2)->SetWidth(grid->ClientWidth() - used - line);
    TColumnEh* city = grid->Columns()->ColumnAt(2);
    const int width = city->Width();
    ASSERT_EQ(grid->CellRect(3, 0).Right + line, grid->ClientWidth());
    const TPoint edge{grid->ClientWidth() - 1, grid->CellRect(3, 0).Top + 3};
    const int left = grid->CellRect(3, 0).Left;
    Down(edge);
    EXPECT_EQ(grid->MouseState(), 6);
    Move(Point(edge.X - 30, edge.Y));
    Up(Point(edge.X - 30, edge.Y));
    EXPECT_EQ(city->Width(), edge.X - 30 - left);
    EXPECT_LT(city->Width(), width);
    // No longer filling: the edge is an ordinary place.
    Down(edge);
    EXPECT_EQ(grid->MouseState(), 0);
    Up(edge);
}

}  // namespace
