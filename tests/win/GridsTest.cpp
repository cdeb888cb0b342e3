// The platform grid: geometry, painting through WM_PRINTCLIENT with a recording of DrawCell, keyboard
// moves, sizing and moving by mouse messages, scroll bars, the in-place editor.
#include "Grids.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <set>
#include <utility>

namespace {

struct TDrawCall {
    int Col;
    int Row;
    TRect Rect;
    TGridDrawState State;
};

// Records what the grid asks of a descendant.
class TRecordingGrid : public TCustomGrid {
    VESTREL_CLASS(TRecordingGrid, TCustomGrid)
public:
    using TCustomGrid::TCustomGrid;

    std::vector<TDrawCall> Draws;
    std::vector<TGridState> ColWidthStates;
    std::vector<TGridState> RowHeightStates;
    std::vector<std::pair<int, int>> Moved;
    std::set<std::pair<int, int>> Refused;
    std::map<std::pair<int, int>, String> Texts;
    String Log;
    int TopLeftChanges = 0;

    void Scroll(TGridScrollDirection direction) { TimedScroll(direction); }
    TGridDrawState StateOf(int c, int r) const {
        for (const auto& d : Draws)
            if (d.Col == c && d.Row == r)
                return d.State;
        ADD_FAILURE() << "cell " << c << "," << r << " was not drawn";
        return {};
    }

protected:
    void DrawCell(int aCol, int aRow, const TRect& aRect, TGridDrawState aState) override {
        Draws.push_back({aCol, aRow, aRect, aState});
    }
    bool SelectCell(int aCol, int aRow) override { return !Refused.count({aCol, aRow}); }
    void ColWidthsChanged() override {
        ColWidthStates.push_back(GridState());
        inherited::ColWidthsChanged();
    }
    void RowHeightsChanged() override {
        RowHeightStates.push_back(GridState());
        inherited::RowHeightsChanged();
    }
    void TopLeftChanged() override { ++TopLeftChanges; }
    void ColumnMoved(int fromIndex, int toIndex) override { Moved.push_back({fromIndex, toIndex}); }
    String GetEditText(int aCol, int aRow) override {
        auto it = Texts.find({aCol, aRow});
        return it == Texts.end() ? String() : it->second;
    }
    void SetEditText(int aCol, int aRow, const String& value) override {
        Log += "set " + std::to_string(aCol) + "," + std::to_string(aRow) + "=" + value + ";";
        Texts[{aCol, aRow}] = value;
    }
};

void SetModifiers(bool shift, bool ctrl) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    state[VK_CONTROL] = ctrl ? 0x80 : 0;
    SetKeyboardState(state);
}

String RectText(const TRect& r) {
    return "{" + std::to_string(r.Left) + "," + std::to_string(r.Top) + "," + std::to_string(r.Right) + "," +
           std::to_string(r.Bottom) + "}";
}

class GridsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(-3000, -3000, 500, 400);
        // 6 columns x 12 rows of 50 x 20 pixels with 1-pixel lines; column 2 is 80 wide; client 300 x 200.
        grid_ = New<TRecordingGrid>(form_.get());
        grid_->SetParent(form_.get());
        grid_->SetBorderStyle(bsNone);
        grid_->SetScrollBars(ssNone);
        grid_->SetBounds(0, 0, 300, 200);
        grid_->SetColCount(6);
        grid_->SetRowCount(12);
        grid_->SetDefaultColWidth(50);
        grid_->SetDefaultRowHeight(20);
        grid_->SetColWidths(2, 80);
        grid_->HandleNeeded();
    }
    void TearDown() override {
        SetModifiers(false, false);
        form_.reset();
        DrainMessages();
    }

    void Key(WORD key, bool shift = false, bool ctrl = false) {
        SetModifiers(shift, ctrl);
        grid_->Perform(WM_KEYDOWN, key, 1);
        SetModifiers(false, false);
    }
    void Mouse(UINT msg, int x, int y, WPARAM keys = 0) {
        SendMessageW(grid_->Handle(), msg, keys, PointToLParam(x, y));
    }
    void Focus() {
        form_->Show();
        grid_->SetFocus();
        DrainMessages();
    }
    // Paints the grid into a bitmap of its client size through WM_PRINTCLIENT.
    std::unique_ptr<TBitmap> PaintToBitmap(const TRect* clip = nullptr) {
        auto bitmap = std::make_unique<TBitmap>();
        bitmap->SetSize(grid_->ClientWidth(), grid_->ClientHeight());
        bitmap->Canvas()->Brush()->SetColor(clFuchsia);
        bitmap->Canvas()->FillRect(grid_->ClientRect());
        HDC dc = bitmap->Canvas()->Handle();
        if (clip)
            IntersectClipRect(dc, clip->Left, clip->Top, clip->Right, clip->Bottom);
        grid_->Draws.clear();
        SendMessageW(grid_->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
        SelectClipRgn(dc, nullptr);
        return bitmap;
    }

    TScopedApplication app_;
    Owned<TForm> form_;
    TRecordingGrid* grid_ = nullptr;
};

// ---- Geometry -----------------------------------------------------------------------------------------

TEST_F(GridsTest, GeometryOfCellsAndPoints) {
    EXPECT_EQ(grid_->VisibleColCount(), 4);  // columns 1..4; column 5 is cut
    EXPECT_EQ(grid_->VisibleRowCount(), 8);  // (200 - 21) / 21
    EXPECT_EQ(grid_->MaxLeftCol(), 2);
    EXPECT_EQ(grid_->MaxTopRow(), 4);
    EXPECT_EQ(grid_->GridWidth(), 300);
    struct TCellCase {
        const char* name;
        int col, row;
        TRect rect;
    };
    const TCellCase cells[] = {
        {"fixed corner", 0, 0, {0, 0, 50, 20}},
        {"wide column", 2, 1, {102, 21, 182, 41}},
        {"partly visible cells are not clipped", 5, 9, {285, 189, 335, 209}},
        {"below the client", 1, 10, {}},
    };
    for (const auto& c : cells) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RectText(grid_->CellRect(c.col, c.row)), RectText(c.rect));
    }
    struct TPointCase {
        int x, y;
        TGridCoord cell;
    };
    const TPointCase points[] = {
        {0, 0, {0, 0}}, {50, 10, {0, 0}} /* a line is its cell's */, {51, 21, {1, 1}}, {299, 199, {5, 9}},
        {10, 250, {0, -1}}, {-1, 5, {-1, 0}},
    };
    for (const auto& p : points) {
        SCOPED_TRACE(std::to_string(p.x) + "," + std::to_string(p.y));
        EXPECT_EQ(grid_->MouseCoord(p.x, p.y), p.cell);
    }

    grid_->SetLeftCol(2);
    EXPECT_EQ(grid_->TopLeftChanges, 1);
    EXPECT_TRUE(grid_->CellRect(1, 1).IsEmpty()) << "scrolled away";
    EXPECT_EQ(RectText(grid_->CellRect(2, 1)), RectText(TRect{51, 21, 131, 41}));
    grid_->SetLeftCol(5);
    EXPECT_EQ(grid_->LeftCol(), 2) << "clamped to MaxLeftCol";
    EXPECT_EQ(grid_->TopLeftChanges, 1) << "an unchanged position tells nobody";

    // Hiding a column: a width of -GridLineWidth takes no space at all.
    grid_->SetLeftCol(1);
    grid_->SetColWidths(1, -1);
    EXPECT_EQ(RectText(grid_->CellRect(2, 1)), RectText(TRect{51, 21, 131, 41}));
}

TEST_F(GridsTest, CountsAndFixedCountsStayConsistent) {
    grid_->SetFixedCols(3);
    grid_->SetCol(2);
    EXPECT_EQ(grid_->Col(), 3) << "the current cell is never fixed";
    EXPECT_THROW(grid_->SetFixedCols(6), EInvalidOperation);
    EXPECT_THROW(grid_->SetFixedRows(-1), EInvalidOperation);
    EXPECT_THROW(grid_->SetColCount(0), EInvalidArgument);
    EXPECT_THROW(grid_->SetColWidths(6, 10), EInvalidArgument);
    grid_->SetColCount(2);
    EXPECT_EQ(grid_->FixedCols(), 1);
    EXPECT_EQ(grid_->Col(), 1);
    grid_->SetColCount(4);
    EXPECT_EQ(grid_->ColWidths(3), 50) << "new columns take the default width";

    // Columns that shrink until everything fits take the view back to the first column.
    grid_->SetColCount(8);
    grid_->SetLeftCol(3);
    ASSERT_EQ(grid_->LeftCol(), 3);
    const int changes = grid_->TopLeftChanges;
    grid_->SetDefaultColWidth(20);
    EXPECT_EQ(grid_->LeftCol(), 1);
    EXPECT_EQ(grid_->TopLeftChanges, changes + 1);
}

// ---- Painting -----------------------------------------------------------------------------------------

TEST_F(GridsTest, PrintClientDrawsEveryShownCellWithItsState) {
    grid_->SetSelection(TGridRect{1, 1, 2, 2});  // anchor (1,1), current (2,2)
    auto bitmap = PaintToBitmap();

    // Columns 0..5 and rows 0..9 show (column 5 and row 9 partly).
    EXPECT_EQ(grid_->Draws.size(), 6u * 10u);
    for (const auto& d : grid_->Draws) {
        SCOPED_TRACE(std::to_string(d.Col) + "," + std::to_string(d.Row));
        EXPECT_EQ(RectText(d.Rect), RectText(grid_->CellRect(d.Col, d.Row)));
        EXPECT_EQ(d.State.Contains(gdFixed), d.Col == 0 || d.Row == 0);
        EXPECT_EQ(d.State.Contains(gdSelected), d.Col >= 1 && d.Col <= 2 && d.Row >= 1 && d.Row <= 2);
        EXPECT_FALSE(d.State.Contains(gdFocused)) << "the grid has no focus";
    }
    // Fixed cells are painted before the scrollable ones.
    EXPECT_TRUE(grid_->Draws.front().State.Contains(gdFixed));
    EXPECT_FALSE(grid_->Draws.back().State.Contains(gdFixed));

    struct TPixel {
        const char* what;
        int x, y;
        TColor color;
    };
    const TPixel pixels[] = {
        {"fixed cell face", 25, 10, clBtnFace},
        {"raised edge of a fixed cell", 0, 0, clBtnHighlight},
        {"shadow of a fixed cell", 49, 10, clBtnShadow},
        {"line between fixed cells", 50, 10, clBlack},
        {"line between data cells", 101, 30, clSilver},
        {"row line in the data", 75, 41, clSilver},
        {"a selected cell", 75, 30, clHighlight},
        {"the current cell without focus is highlighted too", 140, 50, clHighlight},
        {"a plain data cell", 200, 100, clWindow},
    };
    for (const auto& p : pixels) {
        SCOPED_TRACE(p.what);
        EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[p.x][p.y]), ColorToRGB(p.color));
    }
}

TEST_F(GridsTest, PaintFillsTheClientBeyondTheCellsAndHonoursTheClipBox) {
    grid_->SetColCount(3);  // 0..50, 51..101, 102..182 + line: the cells end at 183
    grid_->SetRowCount(3);
    grid_->SetColor(clYellow);
    auto bitmap = PaintToBitmap();
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[250][30]), ColorToRGB(clYellow));
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[30][150]), ColorToRGB(clYellow));
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[182][30]), ColorToRGB(clSilver));

    // Only what the clip box needs is drawn.
    const TRect clip = grid_->CellRect(2, 2);
    grid_->SetDefaultDrawing(false);
    PaintToBitmap(&clip);
    ASSERT_EQ(grid_->Draws.size(), 1u);
    EXPECT_EQ(grid_->Draws[0].Col, 2);
    EXPECT_EQ(grid_->Draws[0].Row, 2);
}

TEST_F(GridsTest, FocusMarksTheCurrentCellFocused) {
    Focus();
    ASSERT_TRUE(grid_->Focused());
    grid_->SetRow(3);
    PaintToBitmap();
    EXPECT_TRUE(grid_->StateOf(1, 3).Contains(gdFocused));
    EXPECT_TRUE(grid_->StateOf(1, 3).Contains(gdSelected));
    EXPECT_FALSE(grid_->StateOf(2, 3).Contains(gdFocused));
}

// Moving the current cell repaints the old and the new cell only.
TEST_F(GridsTest, MovingTheCurrentCellInvalidatesOnlyThoseCells) {
    form_->Show();
    DrainMessages();
    HWND window = grid_->Handle();
    ValidateRect(window, nullptr);
    grid_->SetCol(1);
    RECT update{};
    EXPECT_FALSE(GetUpdateRect(window, &update, FALSE)) << "an unchanged cell repaints nothing";
    grid_->SetCol(2);
    ASSERT_TRUE(GetUpdateRect(window, &update, FALSE));
    EXPECT_EQ(RectText(FromWinRect(update)), RectText(TRect{51, 21, 183, 42}));
}

// ---- Keyboard -----------------------------------------------------------------------------------------

TEST_F(GridsTest, KeyboardMoves) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goTabs});
    struct TCase {
        const char* name;
        TGridCoord start;
        WORD key;
        bool shift, ctrl;
        TGridCoord expected;
        int noTabStop;
    };
    const TCase cases[] = {
        {"down", {1, 1}, VK_DOWN, false, false, {1, 2}, -1},
        {"up stops at the first scrollable row", {1, 1}, VK_UP, false, false, {1, 1}, -1},
        {"right", {1, 1}, VK_RIGHT, false, false, {2, 1}, -1},
        {"left stops at the first scrollable column", {1, 4}, VK_LEFT, false, false, {1, 4}, -1},
        {"end", {1, 3}, VK_END, false, false, {5, 3}, -1},
        {"home", {4, 3}, VK_HOME, false, false, {1, 3}, -1},
        {"ctrl+end", {2, 2}, VK_END, false, true, {5, 11}, -1},
        {"ctrl+home", {4, 6}, VK_HOME, false, true, {1, 1}, -1},
        {"page down moves by the visible rows", {1, 1}, VK_NEXT, false, false, {1, 9}, -1},
        {"page up", {1, 11}, VK_PRIOR, false, false, {1, 3}, -1},
        {"page down stops at the last row", {1, 8}, VK_NEXT, false, false, {1, 11}, -1},
        {"tab wraps to the next row", {5, 2}, VK_TAB, false, false, {1, 3}, -1},
        {"shift+tab wraps to the previous row", {1, 3}, VK_TAB, true, false, {5, 2}, -1},
        {"tab skips a column without a tab stop", {1, 1}, VK_TAB, false, false, {3, 1}, 2},
        {"tab at the last cell stays", {5, 11}, VK_TAB, false, false, {5, 11}, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < grid_->ColCount(); ++i)
            grid_->SetTabStops(i, i != c.noTabStop);
        grid_->SetTopRow(1);
        grid_->SetLeftCol(1);
        grid_->SetCol(c.start.X);
        grid_->SetRow(c.start.Y);
        Key(c.key, c.shift, c.ctrl);
        EXPECT_EQ(TGridCoord(grid_->Col(), grid_->Row()), c.expected);
        const TRect shown = grid_->CellRect(grid_->Col(), grid_->Row());
        EXPECT_FALSE(shown.IsEmpty()) << "the current cell is scrolled into view";
        EXPECT_LE(shown.Bottom, grid_->ClientHeight());
    }
}

TEST_F(GridsTest, ShiftExtendsTheSelectionOnlyWithRangeSelect) {
    grid_->SetCol(2);
    grid_->SetRow(2);
    Key(VK_DOWN, true);
    Key(VK_RIGHT, true);
    EXPECT_EQ(grid_->Selection(), (TGridRect{2, 2, 3, 3}));
    Key(VK_DOWN);
    EXPECT_EQ(grid_->Selection(), (TGridRect{3, 4, 3, 4})) << "a plain move drops the range";

    grid_->SetOptions(grid_->Options() - TGridOptions{goRangeSelect});
    Key(VK_DOWN, true);
    EXPECT_EQ(grid_->Selection(), (TGridRect{3, 5, 3, 5}));
}

TEST_F(GridsTest, RowSelectSpansTheRowAndArrowsScrollTheView) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goRowSelect, goAlwaysShowEditor});
    EXPECT_FALSE(grid_->Options().Contains(goAlwaysShowEditor)) << "no editor in row select";
    grid_->SetRow(3);
    EXPECT_EQ(grid_->Selection(), (TGridRect{1, 3, 5, 3}));
    Key(VK_RIGHT);
    EXPECT_EQ(grid_->LeftCol(), 2);
    EXPECT_EQ(grid_->Row(), 3);
    Key(VK_LEFT);
    EXPECT_EQ(grid_->LeftCol(), 1);
    Key(VK_END);
    EXPECT_EQ(grid_->Row(), 11);
    Key(VK_HOME);
    EXPECT_EQ(grid_->Row(), 1);
}

// ---- Mouse --------------------------------------------------------------------------------------------

TEST_F(GridsTest, ColumnSizingByMouse) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goColSizing});
    // The line after column 1 is at x = 101; a press one pixel right of it grabs it.
    Mouse(WM_LBUTTONDOWN, 102, 10, MK_LBUTTON);
    EXPECT_EQ(grid_->GridState(), gsColSizing);
    Mouse(WM_MOUSEMOVE, 127, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 127, 10);
    EXPECT_EQ(grid_->GridState(), gsNormal);
    EXPECT_EQ(grid_->ColWidths(1), 75);
    ASSERT_FALSE(grid_->ColWidthStates.empty());
    EXPECT_EQ(grid_->ColWidthStates.back(), gsColSizing) << "the hook sees that the mouse sized it";

    // Dragging left of the cell's start leaves one pixel.
    Mouse(WM_LBUTTONDOWN, 127, 10, MK_LBUTTON);
    Mouse(WM_MOUSEMOVE, 5, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 5, 10);
    EXPECT_EQ(grid_->ColWidths(1), 1);

    // Cancel mode leaves the width as it was.
    const std::size_t changes = grid_->ColWidthStates.size();
    Mouse(WM_LBUTTONDOWN, 53, 10, MK_LBUTTON);  // column 1 is 1 wide now: its line is at 52
    ASSERT_EQ(grid_->GridState(), gsColSizing);
    Mouse(WM_MOUSEMOVE, 150, 10, MK_LBUTTON);
    SendMessageW(grid_->Handle(), WM_CANCELMODE, 0, 0);
    EXPECT_EQ(grid_->GridState(), gsNormal);
    EXPECT_EQ(grid_->ColWidths(1), 1);
    EXPECT_EQ(grid_->ColWidthStates.size(), changes);

    // Without goColSizing, or outside the fixed rows, a press on a line is a press on a cell.
    Mouse(WM_LBUTTONUP, 150, 10);
    Mouse(WM_LBUTTONDOWN, 53, 30, MK_LBUTTON);
    EXPECT_EQ(grid_->GridState(), gsSelecting);
    Mouse(WM_LBUTTONUP, 53, 30);
    EXPECT_EQ(grid_->GridState(), gsNormal);
}

TEST_F(GridsTest, RowSizingByMouse) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goRowSizing});
    Mouse(WM_LBUTTONDOWN, 10, 42, MK_LBUTTON);  // the line after row 1 is at y = 41
    EXPECT_EQ(grid_->GridState(), gsRowSizing);
    Mouse(WM_MOUSEMOVE, 10, 52, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 10, 52);
    EXPECT_EQ(grid_->RowHeights(1), 30);
    ASSERT_FALSE(grid_->RowHeightStates.empty());
    EXPECT_EQ(grid_->RowHeightStates.back(), gsRowSizing);
}

TEST_F(GridsTest, ColumnMovingByMouse) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goColMoving});
    grid_->SetCol(2);
    Mouse(WM_LBUTTONDOWN, 120, 10, MK_LBUTTON);  // the header of column 2
    EXPECT_EQ(grid_->GridState(), gsColMoving);
    Mouse(WM_MOUSEMOVE, 250, 10, MK_LBUTTON);    // over column 4
    Mouse(WM_LBUTTONUP, 250, 10);
    EXPECT_EQ(grid_->GridState(), gsNormal);
    ASSERT_EQ(grid_->Moved.size(), 1u);
    EXPECT_EQ(grid_->Moved[0], std::make_pair(2, 4));
    EXPECT_EQ(grid_->ColWidths(4), 80) << "the width goes with the column";
    EXPECT_EQ(grid_->ColWidths(2), 50);
    EXPECT_EQ(grid_->Col(), 4) << "the current column goes with it";

    // Released where it started: nothing moves.
    Mouse(WM_LBUTTONDOWN, 75, 10, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 75, 10);
    EXPECT_EQ(grid_->Moved.size(), 1u);
}

TEST_F(GridsTest, MouseSelectsCellsAndRangesAndSelectCellMayRefuse) {
    Mouse(WM_LBUTTONDOWN, 120, 50, MK_LBUTTON);  // cell (2,2)
    EXPECT_EQ(grid_->GridState(), gsSelecting);
    Mouse(WM_MOUSEMOVE, 190, 90, MK_LBUTTON);    // cell (3,4)
    Mouse(WM_LBUTTONUP, 190, 90);
    EXPECT_EQ(grid_->Selection(), (TGridRect{2, 2, 3, 4}));
    EXPECT_EQ(TGridCoord(grid_->Col(), grid_->Row()), (TGridCoord{3, 4}));

    grid_->Refused.insert({4, 1});
    Mouse(WM_LBUTTONDOWN, 250, 30, MK_LBUTTON);
    Mouse(WM_LBUTTONUP, 250, 30);
    EXPECT_EQ(TGridCoord(grid_->Col(), grid_->Row()), (TGridCoord{3, 4}));

    // Selecting beyond the bottom edge scrolls one row per tick.
    Mouse(WM_LBUTTONDOWN, 75, 30, MK_LBUTTON);
    ASSERT_EQ(grid_->GridState(), gsSelecting);
    grid_->Scroll(TGridScrollDirection{sdDown});
    EXPECT_EQ(grid_->Row(), 9);
    EXPECT_EQ(grid_->TopRow(), 2);
    EXPECT_EQ(grid_->Selection(), (TGridRect{1, 1, 1, 9}));
    Mouse(WM_LBUTTONUP, 75, 30);
}

// ---- Scroll bars --------------------------------------------------------------------------------------

TEST_F(GridsTest, ScrollBarsFollowAndMoveTheView) {
    grid_->SetScrollBars(ssBoth);
    HWND window = grid_->Handle();
    auto info = [&](int bar) {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_ALL;
        GetScrollInfo(window, bar, &si);
        return si;
    };
    SCROLLINFO v = info(SB_VERT);
    EXPECT_EQ(v.nMin, 1);
    EXPECT_EQ(v.nMax, 11);
    EXPECT_EQ(static_cast<int>(v.nPage), 12 - grid_->MaxTopRow());
    EXPECT_EQ(v.nPos, 1);
    SCROLLINFO h = info(SB_HORZ);
    EXPECT_EQ(h.nMax, 5);
    EXPECT_EQ(static_cast<int>(h.nPage), 6 - grid_->MaxLeftCol());

    struct TCase {
        const char* name;
        int code;
        int expectedTop;
    };
    const int page = grid_->VisibleRowCount();
    const TCase cases[] = {
        {"line down", SB_LINEDOWN, 2},
        {"page down", SB_PAGEDOWN, std::min(2 + page, grid_->MaxTopRow())},
        {"line up", SB_LINEUP, std::min(2 + page, grid_->MaxTopRow()) - 1},
        {"top", SB_TOP, 1},
        {"bottom", SB_BOTTOM, grid_->MaxTopRow()},
        {"thumb tracking is off", SB_THUMBTRACK, grid_->MaxTopRow()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SendMessageW(window, WM_VSCROLL, MAKEWPARAM(c.code, 1), 0);
        EXPECT_EQ(grid_->TopRow(), c.expectedTop);
        EXPECT_EQ(info(SB_VERT).nPos, c.expectedTop);
    }
    SendMessageW(window, WM_HSCROLL, MAKEWPARAM(SB_LINEDOWN, 0), 0);
    EXPECT_EQ(grid_->LeftCol(), 2);
    EXPECT_EQ(info(SB_HORZ).nPos, 2);
    EXPECT_EQ(grid_->Row(), 1) << "scrolling leaves the current cell";

    // A grid that fits has no bars.
    grid_->SetRowCount(3);
    grid_->SetColCount(3);
    const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
    EXPECT_EQ(style & WS_VSCROLL, 0);
    EXPECT_EQ(style & WS_HSCROLL, 0);
    EXPECT_EQ(grid_->TopRow(), 1);
    EXPECT_EQ(grid_->LeftCol(), 1);
}

// ---- Editor -------------------------------------------------------------------------------------------

TEST_F(GridsTest, EditorShowsTheCellTextAndHandsChangesBack) {
    grid_->SetOptions(grid_->Options() + TGridOptions{goEditing});
    grid_->Texts = {{{1, 1}, "alpha"}, {{1, 2}, "beta"}};
    Focus();
    Key(VK_F2);
    ASSERT_TRUE(grid_->EditorMode());
    TInplaceEdit* editor = grid_->InplaceEditor();
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->EditorVisible());
    EXPECT_EQ(editor->Text(), "alpha");
    EXPECT_EQ(RectText(editor->BoundsRect()), RectText(grid_->CellRect(1, 1)));
    EXPECT_TRUE(editor->Focused());

    editor->SelectAll();
    editor->Perform(WM_CHAR, L'x', 1);
    editor->Perform(WM_CHAR, L'y', 1);
    WORD down = VK_DOWN;
    editor->Perform(WM_KEYDOWN, down, 1);
    EXPECT_EQ(grid_->Log, "set 1,1=xy;");
    EXPECT_EQ(grid_->Row(), 2);
    EXPECT_EQ(editor->Text(), "beta") << "the editor follows the current cell";
    EXPECT_EQ(RectText(editor->BoundsRect()), RectText(grid_->CellRect(1, 2)));

    // Esc puts the cell's text back and closes the editor without writing.
    editor->Perform(WM_CHAR, L'z', 1);
    editor->Perform(WM_KEYDOWN, VK_ESCAPE, 1);
    EXPECT_FALSE(grid_->EditorMode());
    EXPECT_FALSE(editor->EditorVisible());
    EXPECT_EQ(grid_->Log, "set 1,1=xy;");
    EXPECT_TRUE(grid_->Focused()) << "the focus goes back to the grid";

    // A typed character opens the editor with that character.
    grid_->Perform(WM_CHAR, L'q', 1);
    EXPECT_TRUE(editor->EditorVisible());
    EXPECT_EQ(editor->Text(), "q");
    grid_->SetEditorMode(false);
    EXPECT_EQ(grid_->Log, "set 1,1=xy;set 1,2=q;");

    // Scrolling the cell away hides the editor; it comes back with the cell.
    grid_->SetEditorMode(true);
    grid_->SetTopRow(4);
    EXPECT_FALSE(editor->EditorVisible());
    grid_->SetTopRow(1);
    EXPECT_TRUE(editor->EditorVisible());
}

}  // namespace
