#include "DBGridEhSelection.h"

#include <algorithm>

namespace {

constexpr TRect kNoRect{-1, -1, -1, -1};

bool IsNoRect(const TRect& r) { return r.Left < 0 || r.Top < 0 || r.Right < r.Left || r.Bottom < r.Top; }

// The bookmarks of the link's buffered rows, top to bottom (the active record is put back).
std::vector<TBookmark> BufferedBookmarks(TDBGridEhCore* grid) {
    std::vector<TBookmark> marks;
    TGridDataLinkEh* link = grid->DataLink();
    TDataSet* ds = grid->DataSet();
    if (!link || !link->Active() || !ds) return marks;
    const int saved = link->ActiveRecord();
    const int count = link->RecordCount();
    try {
        for (int i = 0; i < count; ++i) {
            link->SetActiveRecord(i);
            marks.push_back(ds->Bookmark());
        }
    } catch (...) {
        link->SetActiveRecord(saved);
        throw;
    }
    link->SetActiveRecord(saved);
    return marks;
}

}  // namespace

// ---- TDBGridEhSelectionCols ----------------------------------------------------------------------------

TDBGridEhSelectionCols::TDBGridEhSelectionCols(TDBGridEhCore* grid, TDBGridEhSelection* selection)
    : grid_(grid), selection_(selection) {}

void TDBGridEhSelectionCols::InsertInOrder(TColumnEh* column) {
    for (int i = 0; i < Count(); ++i)
        if (ColumnAt(i)->Index() > column->Index()) {
            Insert(i, column);
            return;
        }
    Add(column);
}

void TDBGridEhSelectionCols::Repaint(TColumnEh* column) {
    if (column && column->Index() >= 0)
        grid_->Host().InvalidateGridColumn(column->Index() + grid_->Host().IndicatorOffset());
}

void TDBGridEhSelectionCols::Clear() {
    for (int i = 0; i < Count(); ++i) Repaint(ColumnAt(i));
    TColumnsEhList::Clear();
    shiftList_.Clear();
    anchor_ = nullptr;
    shiftCol_ = nullptr;
    selection_->SelectionChanged();
}

void TDBGridEhSelectionCols::ToggleColumn(TColumnEh* column) {
    if (!column) return;
    if (selection_->SelectionType() != gstColumns) selection_->ClearSelection();
    if (IndexOf(column) >= 0)
        Remove(column);
    else
        InsertInOrder(column);
    anchor_ = column;
    shiftCol_ = column;
    shiftList_.Clear();
    Repaint(column);
    selection_->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
    selection_->SelectionChanged();
}

void TDBGridEhSelectionCols::SelectColumn(TColumnEh* column, bool add) {
    if (!column) return;
    if (selection_->SelectionType() != gstColumns) selection_->ClearSelection();
    if (!add) {
        for (int i = 0; i < Count(); ++i) Repaint(ColumnAt(i));
        TColumnsEhList::Clear();
    }
    if (IndexOf(column) < 0) InsertInOrder(column);
    anchor_ = column;
    shiftCol_ = column;
    shiftList_.Clear();
    Repaint(column);
    selection_->SetSelectionType(gstColumns);
    selection_->SelectionChanged();
}

void TDBGridEhSelectionCols::ApplyAnchorState(TColumnEh* column, bool anchorSelected) {
    const bool listed = IndexOf(column) >= 0;
    if (anchorSelected) {
        if (listed || !column->Visible()) return;
        InsertInOrder(column);
    } else {
        if (!listed || column == anchor_) return;
        Remove(column);
    }
    if (shiftList_.IndexOf(column) < 0) shiftList_.Add(column);
    Repaint(column);
    selection_->SelectionChanged();
}

void TDBGridEhSelectionCols::RestoreColumn(TColumnEh* column, bool anchorSelected) {
    if (shiftList_.Remove(column) < 0) return;
    if (anchorSelected) {
        if (column == anchor_ || IndexOf(column) < 0) return;
        Remove(column);
    } else {
        if (!column->Visible() || IndexOf(column) >= 0) return;
        InsertInOrder(column);
    }
    Repaint(column);
    selection_->SelectionChanged();
}

void TDBGridEhSelectionCols::ExtendToColumn(TColumnEh* column) {
    if (!column) return;
    if (!anchor_) {
        SelectColumn(column, true);
        return;
    }
    if (selection_->SelectionType() != gstColumns && selection_->SelectionType() != gstNon)
        selection_->ClearSelection();
    TDBGridColumnsEh* columns = grid_->Columns();
    const int a = anchor_->Index();
    const int s = shiftCol_ ? shiftCol_->Index() : a;
    const int c = column->Index();
    const bool anchorSelected = IndexOf(anchor_) >= 0;
    auto side = [a](int i) { return i < a ? -1 : (i > a ? 1 : 0); };
    // Columns of the old range that the new range no longer covers get their former state back.
    auto inRange = [a, c](int i) { return (i >= std::min(a, c) && i <= std::max(a, c)); };
    if (s != a) {
        const int step = s > a ? -1 : 1;
        for (int i = s; i != a; i += step)
            if (!inRange(i)) RestoreColumn(columns->ColumnAt(i), anchorSelected);
    }
    // The new range takes the anchor's state.
    if (c != a) {
        const int step = side(c);
        for (int i = a + step; i != c + step; i += step) ApplyAnchorState(columns->ColumnAt(i), anchorSelected);
    }
    shiftCol_ = column;
    selection_->SetSelectionType(Count() > 0 ? gstColumns : gstNon);
}

void TDBGridEhSelectionCols::Forget(TColumnEh* column) {
    const bool listed = Remove(column) >= 0;
    shiftList_.Remove(column);
    if (anchor_ == column) anchor_ = nullptr;
    if (shiftCol_ == column) shiftCol_ = nullptr;
    if (listed && selection_->SelectionType() == gstColumns && Count() == 0) selection_->SetSelectionType(gstNon);
}

void TDBGridEhSelectionCols::DropRemovedColumns() {
    TDBGridColumnsEh* columns = grid_->Columns();
    for (int i = Count() - 1; i >= 0; --i) {
        TColumnEh* column = ColumnAt(i);
        bool present = false;
        for (int j = 0; columns && j < columns->Count(); ++j)
            if (columns->ColumnAt(j) == column) present = true;
        if (!present) {
            Delete(i);
            shiftList_.Remove(column);
            if (anchor_ == column) anchor_ = nullptr;
            if (shiftCol_ == column) shiftCol_ = nullptr;
        }
    }
    for (int i = 1; i < Count(); ++i)
        for (int j = i; j > 0 && ColumnAt(j - 1)->Index() > ColumnAt(j)->Index(); --j) Exchange(j - 1, j);
}

// ---- TDBGridEhSelectionRect ----------------------------------------------------------------------------

TDBGridEhSelectionRect::TDBGridEhSelectionRect(TDBGridEhCore* grid, TDBGridEhSelection* selection)
    : grid_(grid), selection_(selection) {}

void TDBGridEhSelectionRect::CheckLink(const char* message) const {
    if (!grid_->DataSource() || !grid_->DataSet() || !grid_->DataLink()->Active()) RaiseGridOperationError(message);
}

int TDBGridEhSelectionRect::LeftCol() const {
    CheckLink("Error in TDBGridEhSelectionRect.GetLeftCol");
    return std::min(anchorCol_, shiftCol_);
}

int TDBGridEhSelectionRect::RightCol() const {
    CheckLink("Error in TDBGridEhSelectionRect.GetRightCol");
    return std::max(anchorCol_, shiftCol_);
}

TBookmark TDBGridEhSelectionRect::TopRow() const {
    CheckLink("Error in TDBGridEhSelectionRect.GetTopRow");
    return grid_->DataSet()->CompareBookmarks(anchorRow_, shiftRow_) <= 0 ? anchorRow_ : shiftRow_;
}

TBookmark TDBGridEhSelectionRect::GetBottomRow() const {
    CheckLink("Error in TDBGridEhSelectionRect.GetBottomRow");
    return grid_->DataSet()->CompareBookmarks(anchorRow_, shiftRow_) <= 0 ? shiftRow_ : anchorRow_;
}

bool TDBGridEhSelectionRect::CellSelected(int dataCol, const TBookmark& bookmark) const {
    CheckLink("Error in function TDBGridEhSelectionRect.CellSelected");
    if (anchorCol_ < 0 || shiftCol_ < 0) return false;
    if (dataCol < std::min(anchorCol_, shiftCol_) || dataCol > std::max(anchorCol_, shiftCol_)) return false;
    TDataSet* ds = grid_->DataSet();
    const bool anchorFirst = ds->CompareBookmarks(anchorRow_, shiftRow_) <= 0;
    const TBookmark& top = anchorFirst ? anchorRow_ : shiftRow_;
    const TBookmark& bottom = anchorFirst ? shiftRow_ : anchorRow_;
    return ds->CompareBookmarks(top, bookmark) <= 0 && ds->CompareBookmarks(bookmark, bottom) <= 0;
}

TRect TDBGridEhSelectionRect::CornersToGridRect(int colA, const TBookmark& rowA, int colB,
                                                const TBookmark& rowB) const {
    if (colA < 0 || colB < 0 || !grid_->DataLink()->Active() || !grid_->DataSet()) return kNoRect;
    TDataSet* ds = grid_->DataSet();
    const std::vector<TBookmark> marks = BufferedBookmarks(grid_);
    if (marks.empty()) return kNoRect;
    const bool aFirst = ds->CompareBookmarks(rowA, rowB) <= 0;
    const TBookmark& top = aFirst ? rowA : rowB;
    const TBookmark& bottom = aFirst ? rowB : rowA;
    int first = -1, last = -1;
    for (int i = 0; i < static_cast<int>(marks.size()); ++i) {
        if (first < 0 && ds->CompareBookmarks(marks[std::size_t(i)], top) >= 0) first = i;
        if (ds->CompareBookmarks(marks[std::size_t(i)], bottom) <= 0) last = i;
    }
    if (first < 0 || last < 0 || last < first) return kNoRect;
    const int ind = grid_->Host().IndicatorOffset();
    const int title = grid_->Host().TitleOffset();
    return TRect{std::min(colA, colB) + ind, first + title, std::max(colA, colB) + ind, last + title};
}

TRect TDBGridEhSelectionRect::GridRect() const { return CornersToGridRect(anchorCol_, anchorRow_, shiftCol_, shiftRow_); }

void TDBGridEhSelectionRect::Clear() {
    anchorCol_ = -1;
    anchorRow_.clear();
    shiftCol_ = -1;
    shiftRow_.clear();
}

void TDBGridEhSelectionRect::ResetCorners() {
    Clear();
    grid_->Host().InvalidateGrid();
    selection_->SelectionChanged();
}

void TDBGridEhSelectionRect::SetCorner(int dataCol, const TBookmark& bookmark, bool extend) {
    const TDBGridEhSelectionType type = selection_->SelectionType();
    if (type != gstRectangle && type != gstNon) selection_->ClearSelection();
    const TRect old = selection_->SelectionType() == gstRectangle ? GridRect() : kNoRect;
    if (anchorCol_ < 0 || !extend) {
        anchorCol_ = dataCol;
        anchorRow_ = bookmark;
    }
    shiftCol_ = dataCol;
    shiftRow_ = bookmark;
    TDataSet* ds = grid_->DataSet();
    const bool oneCell = anchorCol_ == shiftCol_ && ds && ds->CompareBookmarks(anchorRow_, shiftRow_) == 0;
    selection_->SetSelectionType(oneCell ? gstNon : gstRectangle);
    if (grid_->Host().HasWindow()) {
        const TRect now = oneCell ? kNoRect : GridRect();
        // Only the cells that changed are repainted.
        if (IsNoRect(old) || IsNoRect(now)) {
            if (!IsNoRect(old)) grid_->Host().InvalidateGridRect(old);
            if (!IsNoRect(now)) grid_->Host().InvalidateGridRect(now);
        } else {
            const TRect both{std::min(old.Left, now.Left), std::min(old.Top, now.Top), std::max(old.Right, now.Right),
                             std::max(old.Bottom, now.Bottom)};
            const TRect common{std::max(old.Left, now.Left), std::max(old.Top, now.Top),
                               std::min(old.Right, now.Right), std::min(old.Bottom, now.Bottom)};
            if (IsNoRect(common)) {
                grid_->Host().InvalidateGridRect(old);
                grid_->Host().InvalidateGridRect(now);
            } else {
                if (both.Top < common.Top) grid_->Host().InvalidateGridRect({both.Left, both.Top, both.Right, common.Top - 1});
                if (both.Bottom > common.Bottom)
                    grid_->Host().InvalidateGridRect({both.Left, common.Bottom + 1, both.Right, both.Bottom});
                if (both.Left < common.Left)
                    grid_->Host().InvalidateGridRect({both.Left, common.Top, common.Left - 1, common.Bottom});
                if (both.Right > common.Right)
                    grid_->Host().InvalidateGridRect({common.Right + 1, common.Top, both.Right, common.Bottom});
            }
        }
    }
    selection_->SelectionChanged();
}

// ---- TDBGridEhSelection ----------------------------------------------------------------------------------

TDBGridEhSelection::TDBGridEhSelection(TDBGridEhCore* grid)
    : columns_(std::make_unique<TDBGridEhSelectionCols>(grid, this)),
      grid_(grid),
      rect_(std::make_unique<TDBGridEhSelectionRect>(grid, this)) {}

TDBGridEhSelection::~TDBGridEhSelection() = default;

TBookmarkListEh* TDBGridEhSelection::Rows() const { return grid_->SelectedRows(); }

void TDBGridEhSelection::SetSelectionType(TDBGridEhSelectionType value) {
    if (value == type_) return;
    type_ = value;
    grid_->Host().RefreshEditor();
}

bool TDBGridEhSelection::CellIsSelected(int dataCol, const TBookmark& bookmark) const {
    switch (type_) {
    case gstRecordBookmarks: {
        int index;
        return Rows() && Rows()->Find(bookmark, index);
    }
    case gstRectangle: return dataCol >= 0 && rect_->CellSelected(dataCol, bookmark);
    case gstColumns: {
        TDBGridColumnsEh* columns = grid_->Columns();
        if (dataCol < 0 || !columns || dataCol >= columns->Count()) return false;
        return columns_->IndexOf(columns->ColumnAt(dataCol)) >= 0;
    }
    case gstAll: return true;
    default: return false;
    }
}

void TDBGridEhSelection::ClearSelection() {
    const TDBGridEhSelectionType type = type_;
    try {
        switch (type) {
        case gstRecordBookmarks:
            if (Rows()) Rows()->Clear();
            break;
        case gstRectangle: rect_->ResetCorners(); break;
        case gstColumns: columns_->Clear(); break;
        case gstAll: grid_->Host().InvalidateGrid(); break;
        default: break;
        }
    } catch (...) {
        type_ = gstNon;
        throw;
    }
    SetSelectionType(gstNon);
    if (type == gstAll) SelectionChanged();
    grid_->Host().ShowEditorIfAlwaysShown();
}

void TDBGridEhSelection::SelectAllCells() {
    if (type_ == gstAll) return;
    ClearSelection();
    SetSelectionType(gstAll);
    grid_->Host().InvalidateGrid();
    SelectionChanged();
}

void TDBGridEhSelection::DataLinkActiveChanged(bool active) {
    if (Rows()) Rows()->LinkStateChanged(active);
    ClearSelection();
}

void TDBGridEhSelection::CheckEmpty() {
    if ((type_ == gstRecordBookmarks && (!Rows() || Rows()->Count() == 0)) ||
        (type_ == gstColumns && columns_->Count() == 0)) {
        SetSelectionType(gstNon);
        grid_->Host().InvalidateGrid();
    }
}

TRect TDBGridEhSelection::CoveredGridRect() const {
    switch (type_) {
    case gstRecordBookmarks: return Rows() ? Rows()->SelectionRect() : kNoRect;
    case gstRectangle: return rect_->GridRect();
    case gstColumns: {
        if (columns_->Count() == 0) return kNoRect;
        int low = columns_->ColumnAt(0)->Index(), high = low;
        for (int i = 1; i < columns_->Count(); ++i) {
            low = std::min(low, columns_->ColumnAt(i)->Index());
            high = std::max(high, columns_->ColumnAt(i)->Index());
        }
        const int ind = grid_->Host().IndicatorOffset();
        return TRect{low + ind, 0, high + ind, std::max(0, grid_->Host().GridRowCount() - 1)};
    }
    case gstAll:
        return TRect{0, 0, std::max(0, grid_->Host().GridColCount() - 1), std::max(0, grid_->Host().GridRowCount() - 1)};
    default: return kNoRect;
    }
}

void TDBGridEhSelection::SelectionChanged() { grid_->Host().SelectionChanged(); }
