// The data grid's record moving by mouse: a press on the indicator of a data row drags the selected
// records (or the pressed one); a dotted line marks where they go, the data scroll while the mouse
// is beyond the data rows, and the drop hands the records to OnMoveRecords or the data service.
#include "DBGridEh.h"

#include <algorithm>

namespace {

// The record number of grid row `gridRow`'s buffer record (0 when it has none).
int RowRecNo(TGridDataLinkEh* link, TDataSet* dataSet, int dataRow) {
    if (!link->Active() || !dataSet || dataRow < 0 || dataRow >= link->RecordCount()) return 0;
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    const int recNo = dataSet->ActiveViewPosition() + 1;
    link->SetActiveRecord(saved);
    return recNo;
}

TBookmark RowBookmark(TGridDataLinkEh* link, TDataSet* dataSet, int dataRow) {
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    const TBookmark mark = dataSet->Bookmark();
    link->SetActiveRecord(saved);
    return mark;
}

}  // namespace

bool TCustomDBGridEh::StartRecordDrag(int x, int y, bool queryOnly) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = DataSet();
    if (!OptionsEh().Contains(dghRecordMoving) || IsGridDesigning() || !link->Active() || !ds || ds->IsEmpty() ||
        indicatorOffset_ == 0 || mouseState_ != 0)
        return false;
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    if (cell.X != 0 || cell.Y < 0 || !TryGetCellType(cell.X, cell.Y, type) || type.RowKind != rkDataEh ||
        type.CellKind != ckIndicatorEh || type.DataRow >= link->RecordCount())
        return false;
    const TBookmark mark = RowBookmark(link, ds, type.DataRow);
    if (Options().Contains(dgMultiSelect) && allowedSelections_.Contains(gstRecordBookmarks)) {
        const TShiftState shift = KeyboardStateToShiftState();
        if (shift.Contains(ssShift) || shift.Contains(ssCtrl) || shift.Contains(ssAlt)) return false;
        int index;
        if (SelectionType() != gstRecordBookmarks || !SelectedRowBookmarks()->Find(mark, index)) return false;
    }
    if (queryOnly) return true;
    int fromRow = cell.Y;
    int toRow = cell.Y;
    if (!AllowRecordMoving(fromRow, toRow, Point(x, y))) return false;
    dragStartRow_ = fromRow;
    dragTargetRow_ = toRow;
    dragStartBookmark_ = mark;
    dragStartRecNo_ = RowRecNo(link, ds, GridRowToDataRow(fromRow));
    mouseState_ = 7;
    Update();
    CalcRecordMovingTarget();
    ShowDragLine();
    StartAutoScroll(60);
    SetMouseCapture(true);
    return true;
}

bool TCustomDBGridEh::AllowRecordMoving(int& fromRow, int& toRow, TPoint point) { return true; }

int TCustomDBGridEh::CalcRecordMovingTarget() { return -1; }

// The grid row under client y for the target (the first or last data row beyond them); `scroll` is
// -1 or +1 when the data should scroll that way.
int TCustomDBGridEh::DragTargetRowAt(int y, int& scroll) {
    int top, bottom, left, right;
    DataRowsExtent(top, bottom, left, right);
    const int shown = std::max(1, std::min(DataLink()->RecordCount(), VisibleDataRowCount()));
    scroll = 0;
    if (y >= bottom || lastMousePoint_.X >= right) {
        scroll = 1;
        return DataRowToGridRow(shown - 1);
    }
    if (y < top) {
        scroll = -1;
        return DataRowToGridRow(0);
    }
    const TGridCoord cell = MouseCoord(std::clamp(lastMousePoint_.X, 0, std::max(0, right - 1)), y);
    return std::clamp(cell.Y, DataRowToGridRow(0), DataRowToGridRow(shown - 1));
}

void TCustomDBGridEh::AutoScrollWhileDragging() {
    TGridDataLinkEh* link = DataLink();
    if (mouseState_ != 7) {
        StopAutoScroll();
        return;
    }
    if (!link->Active() || !DataSet()) {
        EndRecordDrag(lastMousePoint_.X, lastMousePoint_.Y, false);
        return;
    }
    int scroll = 0;
    const int target = DragTargetRowAt(lastMousePoint_.Y, scroll);
    bool scrolled = false;
    // Only when there are records beyond the rows shown.
    const int shown = std::max(1, std::min(link->RecordCount(), VisibleDataRowCount()));
    if (scroll > 0 && RowRecNo(link, DataSet(), shown - 1) >= DataSet()->RecordCount()) scroll = 0;
    if (scroll < 0 && RowRecNo(link, DataSet(), 0) <= 1) scroll = 0;
    if (scroll != 0) {
        const int distance = scroll > 0 ? link->RecordCount() - link->ActiveRecord() : -(link->ActiveRecord() + 1);
        HideDragLine();
        scrolled = link->MoveBy(distance) != 0;
        Update();
    }
    if (target != dragTargetRow_ || scrolled) {
        if (MoveSelectedRecords(target, true)) {
            HideDragLine();
            dragTargetRow_ = target;
        }
    }
    if (mouseState_ != 7) return;  // a handler ended the drag
    // The start row follows the data as they scroll (it may lie outside the rows shown).
    const int topRecNo = RowRecNo(link, DataSet(), 0);
    if (topRecNo > 0 && dragStartRecNo_ > 0) dragStartRow_ = DataRowToGridRow(dragStartRecNo_ - topRecNo);
    ShowDragLine();
}

bool TCustomDBGridEh::MoveSelectedRecords(int toRow, bool checkOnly) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = DataSet();
    if (!link->Active() || !ds) return false;
    std::vector<TBookmark> bookmarks;
    TBookmarkListEh* rows = SelectedRowBookmarks();
    if (SelectionType() == gstRecordBookmarks && rows->Count() > 0) {
        for (int i = 0; i < rows->Count(); ++i) bookmarks.push_back(rows->Items(i));
    } else if (!dragStartBookmark_.empty()) {
        // The row the drag began on, which a press on the indicator did not make current.
        bookmarks.push_back(dragStartBookmark_);
    } else if (!ds->IsEmpty()) {
        bookmarks.push_back(ds->Bookmark());
    }
    const int toRecNo = RowRecNo(link, ds, GridRowToDataRow(toRow));
    if (bookmarks.empty() || toRecNo <= 0) return false;
    return DoMoveRecords(bookmarks, toRecNo, CalcRecordMovingTarget(), checkOnly);
}

bool TCustomDBGridEh::DoMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, int treeLevel,
                                    bool checkOnly) {
    if (OnMoveRecords) {
        bool accepted = true;
        OnMoveRecords(this, bookmarks, toRecNo, treeLevel, checkOnly, accepted);
        return accepted;
    }
    return DefaultMoveRecords(bookmarks, toRecNo, treeLevel, checkOnly);
}

bool TCustomDBGridEh::DefaultMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, int treeLevel,
                                         bool checkOnly) {
    if (checkOnly) return core_->DefaultMoveRecords(bookmarks, toRecNo, true) > 0;
    TDataSet* ds = DataSet();
    const TBookmark saved = ds && !ds->IsEmpty() ? ds->Bookmark() : TBookmark();
    auto restore = [&] {
        if (ds && ds->Active() && !saved.empty() && ds->BookmarkValid(saved)) ds->GotoBookmark(saved);
    };
    int moved = 0;
    try {
        moved = core_->DefaultMoveRecords(bookmarks, toRecNo, false);
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return moved > 0;
}

void TCustomDBGridEh::EndRecordDrag(int x, int y, bool dropped) {
    if (mouseState_ != 7) return;
    StopAutoScroll();
    HideDragLine();
    mouseState_ = 0;
    if (MouseCapture()) SetMouseCapture(false);
    const int target = dragTargetRow_;
    const int startRecNo = dragStartRecNo_;
    TGridDataLinkEh* link = DataLink();
    if (dropped && link->Active() && target >= 0 && RowRecNo(link, DataSet(), GridRowToDataRow(target)) != startRecNo)
        MoveSelectedRecords(target, false);
    dragStartRow_ = dragTargetRow_ = -1;
    dragStartRecNo_ = 0;
    dragStartBookmark_ = TBookmark();
}

// ---- The target line: dotted, 5 pixels high, drawn by inverting ----------------------------------------------------

void TCustomDBGridEh::ShowDragLine() {
    if (mouseState_ != 7 || dragLineY_ >= 0 || !HandleAllocated() || dragTargetRow_ < 0) return;
    const TRect r = CellRect(0, dragTargetRow_);
    if (r.IsEmpty()) return;
    dragLineY_ = dragTargetRow_ > dragStartRow_ ? r.Bottom : r.Top;
    InvertDragLine();
}

void TCustomDBGridEh::HideDragLine() {
    if (dragLineY_ < 0) return;
    InvertDragLine();
    dragLineY_ = -1;
}

void TCustomDBGridEh::InvertDragLine() {
    InvertDottedBand(TRect{0, dragLineY_ - 2, ClientWidth(), dragLineY_ + 3});
}

void TCustomDBGridEh::InvertDottedBand(const TRect& band) {
    if (!HandleAllocated()) return;
    static const WORD kDots[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HWND window = WindowHandle();
    HDC dc = GetDC(window);
    HBITMAP dots = CreateBitmap(8, 8, 1, 1, kDots);
    HBRUSH brush = CreatePatternBrush(dots);
    HGDIOBJ old = SelectObject(dc, brush);
    PatBlt(dc, band.Left, band.Top, band.Width(), band.Height(), PATINVERT);
    SelectObject(dc, old);
    DeleteObject(brush);
    DeleteObject(dots);
    ReleaseDC(window, dc);
}
