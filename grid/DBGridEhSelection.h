// What the user has selected in a grid: nothing, rows (the grid's bookmark list of selected rows), a
// rectangle of cells between two corners, a set of columns, or everything.
//
// Copy and export code reads a selection through TDBGridEhSelection alone: SelectionType(), Rows()
// (bookmarks in the data set's order), Columns() (in the order of the grid's columns) and Rect()
// (corners as data column indices and row bookmarks). Rows and rectangles are held as bookmarks, so
// they stay put across scrolling and re-sorting.
//
// Classes in this file:
//   TDBGridEhSelectionCols  the selected columns, with the anchor of a Shift extension
//   TDBGridEhSelectionRect  the two corners of a rectangle
//   TDBGridEhSelection      the grid's selection
#pragma once

#include "DBGridEhColumns.h"
#include "DBGridEhCore.h"

class TDBGridEhSelection;

class TDBGridEhSelectionCols : public TColumnsEhList {
    VESTREL_CLASS(TDBGridEhSelectionCols, TColumnsEhList)
public:
    TDBGridEhSelectionCols(TDBGridEhCore* grid, TDBGridEhSelection* selection);

    // Inserts before the first listed column of a higher Index.
    void InsertInOrder(TColumnEh* column);
    // Repaints the listed columns, empties the list, forgets the anchor, reports a change.
    void Clear();
    // Ctrl+click.
    void ToggleColumn(TColumnEh* column);
    // Click (with `add`, the list is kept).
    void SelectColumn(TColumnEh* column, bool add);
    // Shift+click or drag: the columns from the anchor to `column` take the anchor's state.
    void ExtendToColumn(TColumnEh* column);
    // Drops listed columns that left the grid, then orders the list by Index.
    void DropRemovedColumns();
    // A column that is being freed leaves the list (and the anchor) without a repaint; the
    // selection becomes none when no column is left.
    void Forget(TColumnEh* column);

    TColumnEh* AnchorColumn() const { return anchor_; }
    TColumnEh* ShiftColumn() const { return shiftCol_; }

private:
    friend class TDBGridEhSelection;
    void Repaint(TColumnEh* column);
    void ApplyAnchorState(TColumnEh* column, bool anchorSelected);
    void RestoreColumn(TColumnEh* column, bool anchorSelected);
    TDBGridEhCore* grid_;
    TDBGridEhSelection* selection_;
    TColumnEh* anchor_ = nullptr;
    TColumnEh* shiftCol_ = nullptr;
    TColumnsEhList shiftList_;
};

class TDBGridEhSelectionRect : public TObject {
    VESTREL_CLASS(TDBGridEhSelectionRect, TObject)
public:
    TDBGridEhSelectionRect(TDBGridEhCore* grid, TDBGridEhSelection* selection);

    // Sets the shift corner (and the anchor too unless `extend`); a rectangle of one cell is no
    // selection.
    void SetCorner(int dataCol, const TBookmark& bookmark, bool extend);
    void ResetCorners();
    // Whether the cell lies inside; raises EInvalidGridOperation without an active data link.
    bool CellSelected(int dataCol, const TBookmark& bookmark) const;

    int LeftCol() const;
    int RightCol() const;
    TBookmark TopRow() const;
    TBookmark GetBottomRow() const;
    TBookmark BottomRow() const { return GetBottomRow(); }

    int AnchorCol() const { return anchorCol_; }
    const TBookmark& AnchorRow() const { return anchorRow_; }
    int ShiftCol() const { return shiftCol_; }
    const TBookmark& ShiftRow() const { return shiftRow_; }

    // The grid cells of the rectangle within the buffered rows; (-1, -1, -1, -1) when none.
    TRect GridRect() const;

private:
    friend class TDBGridEhSelection;
    void CheckLink(const char* message) const;
    // The grid cells between two corners, clamped to the buffered rows; empty when unset.
    TRect CornersToGridRect(int colA, const TBookmark& rowA, int colB, const TBookmark& rowB) const;
    void Clear();
    TDBGridEhCore* grid_;
    TDBGridEhSelection* selection_;
    int anchorCol_ = -1;
    TBookmark anchorRow_;
    int shiftCol_ = -1;
    TBookmark shiftRow_;
};

class TDBGridEhSelection : public TObject {
    VESTREL_CLASS(TDBGridEhSelection, TObject)
public:
    explicit TDBGridEhSelection(TDBGridEhCore* grid);
    ~TDBGridEhSelection() override;

    TDBGridEhSelectionType SelectionType() const { return type_; }
    void SetSelectionType(TDBGridEhSelectionType value);

    // The parts, valid for the matching kind.
    TBookmarkListEh* Rows() const;
    TDBGridEhSelectionCols* Columns() const { return columns_.get(); }
    TDBGridEhSelectionRect* Rect() const { return rect_.get(); }

    // Whether the cell of data column `dataCol` (-1: the indicator) on the row of `bookmark` is
    // selected.
    bool CellIsSelected(int dataCol, const TBookmark& bookmark) const;
    void ClearSelection();
    void SelectAllCells();
    void DataLinkActiveChanged(bool active);
    // An emptied row list or column list makes the selection none.
    void CheckEmpty();
    // The grid cells the selection covers, for repainting; (-1, -1, -1, -1) for none.
    TRect CoveredGridRect() const;

    // Reports a change (the grid's OnSelectionChanged).
    virtual void SelectionChanged();

private:
    std::unique_ptr<TDBGridEhSelectionCols> columns_;
    TDBGridEhCore* grid_;
    std::unique_ptr<TDBGridEhSelectionRect> rect_;
    TDBGridEhSelectionType type_ = gstNon;
};
