// The grid's selection over a real data set: rows, rectangle, columns and all; what each kind answers
// for a cell, how kinds give way to each other, and that rows and rectangles survive re-sorting.
#include "DBGridEhSelection.h"
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

class GridSelectionTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDBGridColumnsEh* columns = Core()->Columns();
        columns->Clear();
        for (const char* name : {"id", "code", "name", "price", "flag", "born"}) columns->Add()->SetFieldName(name);
    }
    TDBGridEhCore* Core() { return db.grid->Core(); }
    TDBGridEhSelection* Sel() { return Core()->Selection(); }
    TColumnEh* Col(int index) { return Core()->Columns()->ColumnAt(index); }
    TBookmark Mark(int id) {
        const TBookmark saved = db.query->Bookmark();
        db.GoTo(id);
        const TBookmark mark = db.query->Bookmark();
        db.query->GotoBookmark(saved);
        return mark;
    }
    void SelectRow(int id) {
        db.GoTo(id);
        Core()->SelectedRows()->SetSelectedCurrentRow(true);
    }
    // Indices of the selected columns, in list order.
    std::vector<int> Cols() {
        std::vector<int> out;
        for (int i = 0; i < Sel()->Columns()->Count(); ++i) out.push_back(Sel()->Columns()->ColumnAt(i)->Index());
        return out;
    }
    // Which cells of data columns 0..5 on rows `ids` are selected, as rows of '#' and '.'.
    std::vector<std::string> Picture(std::initializer_list<int> ids) {
        std::vector<std::string> rows;
        for (int id : ids) {
            std::string line;
            for (int c = 0; c < 6; ++c) line += Sel()->CellIsSelected(c, Mark(id)) ? '#' : '.';
            rows.push_back(line);
        }
        return rows;
    }
    GridDb db;
};

TEST_F(GridSelectionTest, EachKindAnswersForItsCells) {
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    EXPECT_EQ(Picture({1, 2}), (std::vector<std::string>{"......", "......"}));

    SelectRow(5);
    SelectRow(2);
    EXPECT_EQ(Sel()->SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(Picture({1, 2, 5}), (std::vector<std::string>{"......", "######", "######"}));
    EXPECT_EQ(Sel()->Rows()->Count(), 2);

    // A rectangle from (col 1, row 3) to (col 3, row 2): corners in any order; rows give way.
    Sel()->Rect()->SetCorner(1, Mark(3), false);
    Sel()->Rect()->SetCorner(3, Mark(2), true);
    EXPECT_EQ(Sel()->SelectionType(), gstRectangle);
    EXPECT_EQ(Sel()->Rows()->Count(), 0);
    EXPECT_EQ(Picture({1, 2, 3, 4}), (std::vector<std::string>{"......", ".###..", ".###..", "......"}));
    EXPECT_EQ(Sel()->Rect()->LeftCol(), 1);
    EXPECT_EQ(Sel()->Rect()->RightCol(), 3);
    EXPECT_EQ(Sel()->Rect()->TopRow(), Mark(2));
    EXPECT_EQ(Sel()->Rect()->BottomRow(), Mark(3));
    EXPECT_FALSE(Sel()->CellIsSelected(-1, Mark(2))) << "the indicator is not in a rectangle";

    // Columns replace the rectangle.
    Sel()->Columns()->SelectColumn(Col(4), false);
    Sel()->Columns()->ToggleColumn(Col(0));
    EXPECT_EQ(Sel()->SelectionType(), gstColumns);
    EXPECT_EQ(Cols(), (std::vector<int>{0, 4}));
    EXPECT_EQ(Picture({1, 9}), (std::vector<std::string>{"#...#.", "#...#."}));

    Sel()->SelectAllCells();
    EXPECT_EQ(Sel()->SelectionType(), gstAll);
    EXPECT_EQ(Sel()->Columns()->Count(), 0);
    EXPECT_EQ(Picture({1}), (std::vector<std::string>{"######"}));
    // A row click from "all" makes a row selection of that row alone.
    SelectRow(7);
    EXPECT_EQ(Sel()->SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(Picture({6, 7}), (std::vector<std::string>{"......", "######"}));

    Sel()->ClearSelection();
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    EXPECT_EQ(Sel()->Rows()->Count(), 0);
}

TEST_F(GridSelectionTest, EmptySelectionsBecomeNone) {
    // One cell is no rectangle.
    Sel()->Rect()->SetCorner(2, Mark(4), false);
    Sel()->Rect()->SetCorner(2, Mark(4), true);
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    EXPECT_FALSE(Sel()->CellIsSelected(2, Mark(4)));
    // Ctrl+click on the only selected column.
    Sel()->Columns()->ToggleColumn(Col(3));
    EXPECT_EQ(Sel()->SelectionType(), gstColumns);
    Sel()->Columns()->ToggleColumn(Col(3));
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    // The last selected row deselected, or deleted through the row list.
    SelectRow(3);
    db.GoTo(3);
    Core()->SelectedRows()->SetSelectedCurrentRow(false);
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    SelectRow(3);
    Core()->SelectedRows()->Delete();
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    // Select all twice: the second changes and repaints nothing.
    Sel()->SelectAllCells();
    const int reports = db.grid->selectionReports, paints = db.grid->invalidations;
    Sel()->SelectAllCells();
    EXPECT_EQ(db.grid->selectionReports, reports);
    EXPECT_EQ(db.grid->invalidations, paints);
    // Closing the data set drops any selection.
    db.query->Close();
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
}

TEST_F(GridSelectionTest, ShiftExtendsColumnsFromTheAnchorAndGivesBackWhatItLeaves) {
    struct Step {
        int column;
        bool shift;
        std::vector<int> selected;
    } const steps[] = {
        {2, false, {2}},
        {5, true, {2, 3, 4, 5}},
        {3, true, {2, 3}},
        {0, true, {0, 1, 2}},
        {4, true, {2, 3, 4}},
    };
    for (const Step& s : steps) {
        if (s.shift)
            Sel()->Columns()->ExtendToColumn(Col(s.column));
        else
            Sel()->Columns()->SelectColumn(Col(s.column), false);
        EXPECT_EQ(Cols(), s.selected) << "after column " << s.column;
    }
    // An unselected anchor (Ctrl+click took it off) clears what the extension covers, and an
    // invisible column is never added.
    Sel()->Columns()->SelectColumn(Col(0), false);
    Sel()->Columns()->SelectColumn(Col(1), true);
    Sel()->Columns()->SelectColumn(Col(2), true);
    Sel()->Columns()->ToggleColumn(Col(3));  // anchor 3, now selected
    Sel()->Columns()->ToggleColumn(Col(3));  // anchor 3, unselected
    Sel()->Columns()->ExtendToColumn(Col(1));
    EXPECT_EQ(Cols(), (std::vector<int>{0}));
    Col(4)->SetVisible(false);
    Sel()->Columns()->SelectColumn(Col(3), false);
    Sel()->Columns()->ExtendToColumn(Col(5));
    EXPECT_EQ(Cols(), (std::vector<int>{3, 5}));
    // A column that leaves the grid leaves the selection.
    Core()->Columns()->Delete(3);
    Sel()->Columns()->DropRemovedColumns();
    EXPECT_EQ(Sel()->Columns()->Count(), 1);
}

TEST_F(GridSelectionTest, RowsAndRectangleSurviveResorting) {
    SelectRow(2);
    SelectRow(8);
    db.query->SetSort("name DESC");
    EXPECT_EQ(Picture({2, 5, 8}), (std::vector<std::string>{"######", "......", "######"}));
    // The rectangle spans the rows between its corners in the order shown now.
    Sel()->Rect()->SetCorner(0, Mark(4), false);
    Sel()->Rect()->SetCorner(1, Mark(2), true);  // name DESC: delta, charlie, bravo
    EXPECT_EQ(Picture({5, 4, 3, 2, 1}),
              (std::vector<std::string>{"......", "##....", "##....", "##....", "......"}));
    db.query->SetSort("");
    EXPECT_EQ(Sel()->Rect()->TopRow(), Mark(2));
    EXPECT_EQ(Picture({1, 2, 3, 4, 5}),
              (std::vector<std::string>{"......", "##....", "##....", "##....", "......"}));
}

TEST_F(GridSelectionTest, CoveredCellsAndRepaintsFollowTheKind) {
    db.grid->hasWindow = true;
    db.grid->gridRowCount = 12;
    Core()->DataLink()->SetBufferCount(4);
    db.query->First();  // buffered: ids 1..4
    const int ind = db.grid->IndicatorOffset(), title = db.grid->TitleOffset();
    EXPECT_EQ(Sel()->CoveredGridRect(), (TRect{-1, -1, -1, -1}));

    Sel()->Rect()->SetCorner(1, Mark(2), false);
    Sel()->Rect()->SetCorner(2, Mark(3), true);
    EXPECT_EQ(Sel()->CoveredGridRect(), (TRect{1 + ind, 1 + title, 2 + ind, 2 + title}));
    // Growing the rectangle by a column repaints only the new strip.
    db.grid->invalidatedRects.clear();
    Sel()->Rect()->SetCorner(3, Mark(3), true);
    ASSERT_EQ(db.grid->invalidatedRects.size(), 1u);
    EXPECT_EQ(db.grid->invalidatedRects[0], (TRect{3 + ind, 1 + title, 3 + ind, 2 + title}));
    // A corner below the buffered rows maps to the last buffered row.
    Sel()->Rect()->SetCorner(3, Mark(9), true);
    EXPECT_EQ(Sel()->CoveredGridRect(), (TRect{1 + ind, 1 + title, 3 + ind, 3 + title}));

    Sel()->Columns()->SelectColumn(Col(1), false);
    Sel()->Columns()->SelectColumn(Col(4), true);
    EXPECT_EQ(Sel()->CoveredGridRect(), (TRect{1 + ind, 0, 4 + ind, 11}));
    Sel()->SelectAllCells();
    EXPECT_EQ(Sel()->CoveredGridRect(), (TRect{0, 0, db.grid->GridColCount() - 1, 11}));
}

TEST_F(GridSelectionTest, ARectangleWithoutAnActiveLinkIsAnError) {
    Sel()->Rect()->SetCorner(1, Mark(2), false);
    Sel()->Rect()->SetCorner(2, Mark(3), true);
    Core()->SetDataSource(nullptr);
    EXPECT_EQ(Sel()->SelectionType(), gstNon);
    try {
        Sel()->Rect()->CellSelected(1, TBookmark());
        FAIL() << "no error";
    } catch (const EInvalidGridOperation& e) {
        EXPECT_EQ(e.Message, "Error in function TDBGridEhSelectionRect.CellSelected");
    }
    EXPECT_THROW(Sel()->Rect()->GetBottomRow(), EInvalidGridOperation);
    EXPECT_THROW(Sel()->Rect()->TopRow(), EInvalidGridOperation);
}

}  // namespace
