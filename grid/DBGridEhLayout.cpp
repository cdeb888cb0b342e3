// The data grid's layout: columns and fixed columns, row heights from the fonts, the title row
// (plain, sized or multi-line with spanning groups), automatic fitting of column widths, the rows
// that fit with the footers at the bottom, the deferred layout, and keeping the grid's rows and
// scroll bars in step with the data set.
#include "DBGridEh.h"

#include "Encoding.h"

#include <algorithm>

namespace {

struct TFontMeasure {
    int TextHeight = 0;
    TEXTMETRICW Tm{};
};

// The text metrics of `font` and the height of `sample` in it.
TFontMeasure MeasureFont(const TCustomFont* font, const String& sample) {
    const TTextMeasure measure(&PlatformFont(*font));
    TFontMeasure m;
    m.Tm = measure.Metrics();
    m.TextHeight = measure.Extent(sample).cy;
    return m;
}

// The height `text` needs when wrapped into `width` pixels; upwards text needs its length.
int MeasureWrappedHeight(const TCustomFont* font, const String& text, int width, bool upward) {
    const TTextMeasure measure(&PlatformFont(*font));
    return upward ? measure.Extent(text).cx : measure.WrappedHeight(text, width);
}

}  // namespace

// ---- Layout locks and the deferred layout -------------------------------------------------------------

void TCustomDBGridEh::DeferLayout() {
    if (HandleAllocated()) {
        MSG queued;
        if (!PeekMessageW(&queued, WindowHandle(), kDeferredLayoutMessage, kDeferredLayoutMessage, PM_NOREMOVE))
            PostMessageW(WindowHandle(), kDeferredLayoutMessage, 0, 0);
    }
    if (LayoutLock() > 0 || core_->UpdateLock() > 0) core_->ReleaseLayout();
}

void TCustomDBGridEh::WMDeferredLayout(TMessage& m) {
    m.Result = 0;
    if (LayoutLock() == 0 && core_->UpdateLock() == 0) {
        RelayoutColumns();
        return;
    }
    // Still locked: once more later, leaving the locks to whoever holds them.
    MSG queued;
    if (HandleAllocated() &&
        !PeekMessageW(&queued, WindowHandle(), kDeferredLayoutMessage, kDeferredLayoutMessage, PM_NOREMOVE))
        PostMessageW(WindowHandle(), kDeferredLayoutMessage, 0, 0);
}

// ---- The layout -------------------------------------------------------------------------------------------

void TCustomDBGridEh::InternalLayout() {
    if (IsGridLoading() || (ComponentState() & csDestroying) || !Columns()) return;
    if (HandleAllocated()) DropQueuedMessage(WindowHandle(), kDeferredLayoutMessage);
    const bool saved = layoutInProgress_;
    layoutInProgress_ = true;
    try {
        const TDBGridOptions options = Options();
        // Columns bound to the fields, the indicator and the fixed columns.
        indicatorOffset_ = options.Contains(dgIndicator) ? 1 : 0;
        core_->RebuildColumns();
        TDBGridColumnsEh* columns = Columns();
        const int count = columns->Count();
        std::vector<bool> visible(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i) visible[static_cast<std::size_t>(i)] = columns->ColumnAt(i)->Visible();
        SetColCount(std::max(count + indicatorOffset_, 1));
        const bool countFrozen = DataLink()->Active() || columns->Customized();
        SetFixedCols(std::min(CalcFixedColsEh(visible, frozenCols_, indicatorOffset_, countFrozen), ColCount() - 1));

        // Rows above the data.
        shapeTitleRows_ = HasTitleRow();
        shapeFilterRows_ = IsFilterRowVisible();
        titleOffset_ = shapeTitleRows_ + shapeFilterRows_;
        shapeFooterRows_ = FooterRowCount();

        // Row height from the grid's font and the row settings.
        const TFontMeasure font = MeasureFont(Font(), "Wg");
        TRowHeightInputEh rows;
        rows.Flat = Flat();
        rows.RowLinesOn = options.Contains(dgRowLines);
        rows.GridLineWidth = GridLineWidth();
        rows.TextHeight = font.TextHeight;
        rows.FontHeight = font.Tm.tmHeight;
        rows.ExternalLeading = font.Tm.tmExternalLeading;
        rows.RowHeight = rowHeight_;
        rows.RowLines = rowLines_;
        rows.FitRowHeightToText = OptionsEh().Contains(dghFitRowHeightToText);
        const TRowHeightEh height = CalcRowHeightEh(rows);
        rowHeight_ = height.RowHeight;
        rowLines_ = height.RowLines;
        SetDefaultRowHeight(std::max(height.DefaultRowHeight, 1));
        editButtonHeight_ = (editButtonWidth_ * 3 + 1) / 2 >= DefaultRowHeight()
                                ? DefaultRowHeight()
                                : StandardEditButtonHeight(editButtonWidth_, Flat());
        multiLineFits_ = font.Tm.tmHeight + font.Tm.tmExternalLeading + font.Tm.tmInternalLeading + titleTextMargin_ <
                         DefaultRowHeight();

        CalcTitleHeight();
        SetLayoutScrollBars();
        UpdateTabStopsAndColWidths();
        if (AutoFitColWidths() && !IsGridDesigning() && HandleAllocated()) AutoFitColumns();

        if (options.Contains(dgTitles) && (titleHeight_ > 0 || titleLines_ > 0)) {
            const TCustomFont* tallest = TitleFont();
            int tallestHeight = MeasureFont(tallest, "Wg").Tm.tmHeight;
            for (int i = 0; i < count; ++i) {
                TColumnEh* column = columns->ColumnAt(i);
                if (!column->AssignedValues().Contains(cvTitleFont)) continue;
                const int h = MeasureFont(column->Title()->Font(), "Wg").Tm.tmHeight;
                if (h > tallestHeight) {
                    tallestHeight = h;
                    tallest = column->Title()->Font();
                }
            }
            const TFontMeasure title = MeasureFont(tallest, "Wg");
            titleRowHeight_ = titleLines_ * title.Tm.tmHeight + title.Tm.tmExternalLeading + titleHeight_ + 2 +
                              (options.Contains(dgRowLines) ? 1 : 0);
        }

        leaves_.clear();
        if (UseMultiTitle() && options.Contains(dgTitles))
            BuildHeadTree();
        else
            headTree_->Clear();

        UpdateTabStopsAndColWidths();
        UpdateRowCount();
        SyncActiveRecord();
    } catch (...) {
        layoutInProgress_ = saved;
        throw;
    }
    layoutInProgress_ = saved;
    InvalidateGrid();
    UpdateFilterEditor(false);
}

void TCustomDBGridEh::CalcTitleHeight() {
    if (!Options().Contains(dgTitles)) {
        titleRowHeight_ = 0;
        return;
    }
    int tallest = MeasureFont(TitleFont(), "Wg").TextHeight;
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnEh* column = Columns()->ColumnAt(i);
        if (column->AssignedValues().Contains(cvTitleFont))
            tallest = std::max(tallest, MeasureFont(column->Title()->Font(), "Wg").TextHeight);
    }
    titleRowHeight_ = tallest + titleTextMargin_;
}

void TCustomDBGridEh::BuildHeadTree() {
    const bool colLines = Options().Contains(dgColLines);
    std::vector<THeadLeafEh> leaves;
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnEh* column = Columns()->ColumnAt(i);
        THeadLeafEh leaf;
        leaf.Caption = column->Title()->Caption();
        leaf.Width = column->Visible() ? column->Width() : (colLines ? -1 : 0);
        leaf.Indent = column->Title()->SortMarker() != smNoneEh ? 16 : 0;
        leaf.Column = column;
        leaves.push_back(leaf);
    }
    leaves_ = BuildHeadTreeEh(headTree_.get(), leaves, titleRowHeight_, colLines ? GridLineWidth() : 0);
    // Each level's text with the title margin around it.
    const int total = LayoutHeadTreeEh(headTree_.get(), [this](const THeadTreeNode* node, const String& text, int width) {
        const TCustomFont* font = node->Column ? node->Column->Title()->Font() : TitleFont();
        const bool upward = node->Column && node->Column->Title()->Orientation() == tohVertical;
        return MeasureWrappedHeight(font, text, width, upward) + titleTextMargin_;
    });
    titleRowHeight_ = std::max(total - (OptionsEh().Contains(dghFixed3D) ? 1 : 3), 1);
}

void TCustomDBGridEh::SetLayoutScrollBars() {
    TScrollStyle wanted = ssNone;
    if (HorzScrollBar()->Visible() && !HorzScrollBar()->ExtScrollBar() && !(AutoFitColWidths() && !IsGridDesigning()))
        wanted = ssHorizontal;
    if (wanted == ScrollBars()) return;
    SetScrollBars(wanted);
    UpdateVertScrollBar();
}

void TCustomDBGridEh::AutoFitColumns() {
    TDBGridColumnsEh* columns = Columns();
    std::vector<TColumnEh*> shown;
    std::vector<TAutoFitColumnEh> fit;
    for (int i = 0; i < columns->Count(); ++i) {
        TColumnEh* column = columns->ColumnAt(i);
        if (!column->Visible()) continue;
        shown.push_back(column);
        TAutoFitColumnEh c;
        c.AutoFit = column->AutoFitColWidth();
        c.BaseWidth = column->AutoFitBaseWidth();
        c.Width = column->Width();
        c.MinWidth = column->MinWidth();
        c.MaxWidth = column->MaxWidth();
        fit.push_back(c);
    }
    UpdateVertScrollBar();
    TAutoFitInputEh in;
    in.ClientWidth = ClientWidth();
    in.MinAutoFitWidth = minAutoFitWidth_;
    in.IndicatorWidth = indicatorOffset_ > 0 ? kIndicatorWidth : 0;
    in.ColLines = Options().Contains(dgColLines);
    in.Indicator = indicatorOffset_ > 0;
    const std::vector<int> widths = AutoFitWidthsEh(in, fit);
    columns->BeginUpdate();
    try {
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (fit[i].AutoFit && shown[i]->Width() != widths[i]) {
                const int base = shown[i]->AutoFitBaseWidth();
                shown[i]->SetWidth(widths[i]);
                shown[i]->SetAutoFitBaseWidth(base);  // the base stays what the user gave
            }
    } catch (...) {
        columns->EndUpdate();
        throw;
    }
    columns->EndUpdate();
}

// ---- Rows ---------------------------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateRowCount() {
    if (RowCount() <= titleOffset_) SetRowCount(titleOffset_ + 1);
    if (FixedRows() != titleOffset_) SetFixedRows(titleOffset_);
    TGridRowsInputEh in;
    in.ClientHeight = ClientHeight();
    in.TitleRowHeight = titleRowHeight_;
    in.HasTitle = shapeTitleRows_ > 0;
    in.HasFilter = shapeFilterRows_ > 0;
    in.DefaultRowHeight = DefaultRowHeight();
    in.LineWidth = Options().Contains(dgRowLines) ? GridLineWidth() : 0;
    in.FooterRows = shapeFooterRows_;
    TGridDataLinkEh* link = DataLink();
    const bool active = link->Active() && HandleAllocated();
    int records = 1;
    if (active) {
        link->SetBufferCount(GridBufferCountEh(in));
        records = std::max(link->RecordCount(), 1);
    }
    const std::vector<int> heights = GridRowHeightsEh(in, records);
    const int oldCount = RowCount();
    const int newCount = static_cast<int>(heights.size());
    if (Row() >= newCount) MoveColRow(Col(), newCount - 1, true, false);
    SetRowCount(newCount);
    for (int r = 0; r < newCount; ++r)
        if (RowHeights(r) != heights[static_cast<std::size_t>(r)]) SetRowHeights(r, heights[static_cast<std::size_t>(r)]);
    if (active) SyncActiveRecord();
    if (oldCount != newCount) UpdateVertScrollBar();
}

int TCustomDBGridEh::IsFilterRowVisible() const { return stFilter_ && stFilter_->Visible() ? 1 : 0; }

int TCustomDBGridEh::HasTitleRow() const { return Options().Contains(dgTitles) ? 1 : 0; }

void TCustomDBGridEh::SyncActiveRecord() {
    if (!incSearchMoving_) StopIncSearch();
    TGridDataLinkEh* link = DataLink();
    if (!link->Active() || !HandleAllocated() || IsGridLoading()) return;
    const int target = DataRowToGridRow(link->ActiveRecord());
    if (target >= RowCount() || target < FixedRows()) return;
    if (target != Row()) {
        if (!Options().Contains(dgAlwaysShowEditor)) HideEditor();
        const int oldRow = Row();
        MoveColRow(Col(), target, true, true);
        if (indicatorOffset_ > 0) {
            InvalidateCell(0, oldRow);
            InvalidateCell(0, target);
        }
        InvalidateEditor();
    }
}

void TCustomDBGridEh::ScrollData(int distance) {
    if (!HandleAllocated()) return;
    TGridDataLinkEh* link = DataLink();
    const int oldRow = Row();
    const int lastDataRow = RowCount() - 1 - (shapeFooterRows_ > 0 ? shapeFooterRows_ + 1 : 0);
    if (DataRowToGridRow(link->ActiveRecord()) >= lastDataRow) UpdateRowCount();
    const bool wasShown = VertScrollBar()->IsScrollBarVisible();
    UpdateVertScrollBar();
    if (wasShown != VertScrollBar()->IsScrollBarVisible() && AutoFitColWidths() && !IsGridDesigning()) DeferLayout();
    SyncActiveRecord();
    InvalidateGridRow(oldRow);
    InvalidateGridRow(Row());
    if (distance != 0) {
        HideEditor();
        if (std::abs(distance) >= VisibleDataRowCount()) {
            InvalidateGrid();
        } else {
            TGridDrawInfo info;
            CalcDrawInfo(info);
            const TRect client = ClientRect();
            int bottom = client.Bottom;
            if (shapeFooterRows_ > 0) {
                const TRect filler = CellRect(0, RowCount() - shapeFooterRows_ - 1);
                if (!filler.IsEmpty()) bottom = filler.Top;
            }
            const int lineWidth = Options().Contains(dgRowLines) ? GridLineWidth() : 0;
            const RECT area = ToWinRect(TRect{client.Left, info.Vert.FixedBoundary, client.Right, bottom});
            ScrollWindowEx(WindowHandle(), 0, -distance * (DefaultRowHeight() + lineWidth), &area, &area, nullptr,
                           nullptr, SW_INVALIDATE);
            if (indicatorOffset_ > 0) InvalidateCol(0);
            InvalidateGridRow(Row());
            InvalidateGridRow(oldRow - distance);
            for (int i = 0; i < Columns()->Count(); ++i)
                if (Columns()->ColumnAt(i)->HideDuplicates()) {
                    InvalidateGridRow(titleOffset_);
                    break;
                }
        }
        if (Options().Contains(dgAlwaysShowEditor)) ShowEditor();
    }
    for (int i = 0; i < shapeFooterRows_; ++i) InvalidateGridRow(RowCount() - 1 - i);
    if (LayoutLock() == 0) Update();
}

// ---- Scroll bars ----------------------------------------------------------------------------------------------

void TCustomDBGridEh::UpdateVertScrollBar() {
    if (!HandleAllocated() || !vertScrollBar_ || updatingVertScrollBar_) return;
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    TVertScrollInputEh in;
    in.LinkActive = link->Active() && ds;
    if (in.LinkActive) {
        in.Sequenced = SumList()->IsSequenced();
        in.RecordCount = SumList()->RecordCount();
        in.RecNo = SumList()->RecNo();
        in.VisibleDataRows = VisibleDataRowCount();
        in.Bof = ds->Bof();
        in.Eof = ds->Eof();
        in.BeyondEdit = ds->State() > dsEdit;
        in.PreviousPos = lastVertInfo_.Pos;
    }
    const TVertScrollInfoEh info = CalcVertScrollInfoEh(in);
    const TScrollBarVisibleModeEh mode = vertScrollBar_->VisibleMode();
    TWinControl* external = vertScrollBar_->ExtScrollBar();
    const bool ownShows = vertScrollBar_->Visible() && !external;
    // A data set closed and opened again at once (a requery) keeps its bar: hiding and showing it
    // resizes the client area twice, and the columns with it. A closed data set's bar is settled once
    // the queued messages are read.
    if (!in.LinkActive && !applyClosedScrollBar_ && vertInfoApplied_ && lastOwnShows_ && ownShows &&
        mode == lastVisibleMode_ && !(lastVertInfo_ == info)) {
        MSG queued;
        if (!PeekMessageW(&queued, WindowHandle(), kDeferredScrollBarMessage, kDeferredScrollBarMessage, PM_NOREMOVE))
            PostMessageW(WindowHandle(), kDeferredScrollBarMessage, 0, 0);
        return;
    }
    if (vertInfoApplied_ && info == lastVertInfo_ && mode == lastVisibleMode_ && ownShows == lastOwnShows_) return;
    vertInfoApplied_ = true;
    lastVertInfo_ = info;
    lastVisibleMode_ = mode;
    lastOwnShows_ = ownShows;
    updatingVertScrollBar_ = true;
    try {
        SCROLLINFO si{};
        si.cbSize = sizeof si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        if (ownShows) {
            si.nMin = info.Min;
            si.nMax = info.Max;
            si.nPage = static_cast<UINT>(info.Page);
            si.nPos = info.Pos;
            if (mode == sbAlwaysShowEh) si.fMask |= SIF_DISABLENOSCROLL;
        }
        SetScrollInfo(WindowHandle(), SB_VERT, &si, TRUE);
        if (external && external->HandleAllocated()) {
            SCROLLINFO ext{};
            ext.cbSize = sizeof ext;
            ext.fMask = SIF_PAGE;
            SetScrollInfo(external->WindowHandle(), SB_CTL, &ext, TRUE);
            ext.fMask = SIF_RANGE | SIF_POS;
            ext.nMin = info.Min;
            ext.nMax = info.Max;
            ext.nPos = info.Pos;
            SetScrollInfo(external->WindowHandle(), SB_CTL, &ext, TRUE);
            ext.fMask = SIF_PAGE;
            ext.nPage = static_cast<UINT>(info.Page);
            SetScrollInfo(external->WindowHandle(), SB_CTL, &ext, TRUE);
        }
    } catch (...) {
        updatingVertScrollBar_ = false;
        throw;
    }
    updatingVertScrollBar_ = false;
}

void TCustomDBGridEh::WMDeferredScrollBar(TMessage& m) {
    m.Result = 0;
    applyClosedScrollBar_ = true;
    try {
        UpdateVertScrollBar();
    } catch (...) {
        applyClosedScrollBar_ = false;
        throw;
    }
    applyClosedScrollBar_ = false;
}

void TCustomDBGridEh::UpdateHorzScrollBar() {
    if (!horzScrollBar_) return;
    TWinControl* external = horzScrollBar_->ExtScrollBar();
    if (!external || !external->HandleAllocated() || !HandleAllocated()) return;
    const int fixed = FixedCols();
    const int maxLeft = MaxLeftCol();
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = maxLeft > fixed ? 127 : 0;
    si.nPage = static_cast<UINT>(VisibleColCount());
    si.nPos = maxLeft > fixed ? MulDivEh(LeftCol() - fixed, 127, maxLeft - fixed) : 0;
    SetScrollInfo(external->WindowHandle(), SB_CTL, &si, TRUE);
}

void TCustomDBGridEh::UpdateScrollBar(int bar) {
    if (bar == SB_VERT)
        UpdateVertScrollBar();
    else
        TCustomGrid::UpdateScrollBar(bar);
}

// ---- Reactions of the platform grid ---------------------------------------------------------------------------

void TCustomDBGridEh::ColWidthsChanged() {
    if (layoutInProgress_) {
        TCustomGrid::ColWidthsChanged();
        return;
    }
    TDBGridColumnsEh* columns = Columns();
    if (columns && (DataLink()->Active() || columns->Customized()) && TryBeginLayout()) {
        stFilter_->BeginUpdate();
        try {
            const int count = std::min(columns->Count(), ColCount() - indicatorOffset_);
            for (int i = 0; i < count; ++i) {
                const int gridCol = DataColToGridCol(i);
                TColumnEh* column = columns->ColumnAt(i);
                const int width = ColWidths(gridCol);
                if (column->Visible() && width > 0 && column->BoundedWidth(width) != width)
                    SetColWidths(gridCol, column->BoundedWidth(width));
            }
            const bool autoFit = AutoFitColWidths() && !IsGridDesigning();
            for (int i = 0; i < count; ++i) {
                TColumnEh* column = columns->ColumnAt(i);
                if (!column->Visible()) continue;
                const int width = ColWidths(DataColToGridCol(i));
                const int old = column->Width();
                if (!autoFit) {
                    if (width != old) column->SetWidth(width);
                    continue;
                }
                if (width == old) continue;
                if (OptionsEh().Contains(dghResizeWholeRightPart)) {
                    if (column->AutoFitColWidth())
                        column->SetAutoFitBaseWidth(MulDivEh(column->AutoFitBaseWidth(), width, std::max(old, 1)));
                    else
                        column->SetWidth(width);
                    int rest = 0;
                    for (int k = i + 1; k < count; ++k)
                        if (columns->ColumnAt(k)->Visible() && columns->ColumnAt(k)->AutoFitColWidth())
                            rest += columns->ColumnAt(k)->Width();
                    rest = std::max(rest, 1);
                    for (int k = i + 1; k < count; ++k) {
                        TColumnEh* right = columns->ColumnAt(k);
                        if (!right->Visible() || !right->AutoFitColWidth()) continue;
                        right->SetAutoFitBaseWidth(MulDivEh(rest + old - width, right->AutoFitBaseWidth(), rest));
                    }
                } else if (column->AutoFitColWidth()) {
                    const int oldBase = column->AutoFitBaseWidth();
                    const int newBase = MulDivEh(oldBase, width, std::max(old, 1));
                    column->SetAutoFitBaseWidth(newBase);
                    for (int k = i + 1; k < count; ++k) {
                        TColumnEh* next = columns->ColumnAt(k);
                        if (!next->Visible()) continue;
                        next->SetAutoFitBaseWidth(std::max(0, next->AutoFitBaseWidth() + oldBase - newBase));
                        break;
                    }
                } else {
                    column->SetWidth(width);
                }
                break;  // one column changes at a time
            }
        } catch (...) {
            stFilter_->EndUpdate();
            EndLayout();
            throw;
        }
        stFilter_->EndUpdate();
        EndLayout();
    }
    TCustomGrid::ColWidthsChanged();
    InvalidateEditor();
    if (OnColWidthsChanged) OnColWidthsChanged(this);
    UpdateHorzScrollBar();
    UpdateFilterEditor(false);
}

void TCustomDBGridEh::RowHeightsChanged() {
    if (!layoutInProgress_ && GridState() == gsRowSizing && rowSizingAllowed_) {
        const int lastData = RowCount() - 1 - (shapeFooterRows_ > 0 ? shapeFooterRows_ + 1 : 0);
        for (int r = titleOffset_; r <= lastData; ++r)
            if (RowHeights(r) != DefaultRowHeight()) {
                rowHeight_ = RowHeights(r);
                rowLines_ = 0;
                RelayoutColumns();
                break;
            }
    }
    if (!layoutInProgress_) UpdateVertScrollBar();
    TCustomGrid::RowHeightsChanged();
}

void TCustomDBGridEh::ColumnMoved(int fromIndex, int toIndex) {
    const int from = GridColToDataCol(fromIndex);
    const int to = GridColToDataCol(toIndex);
    TDBGridColumnsEh* columns = Columns();
    if (from < 0 || to < 0 || from >= columns->Count() || to >= columns->Count()) {
        TCustomGrid::ColumnMoved(fromIndex, toIndex);
        return;
    }
    stFilter_->BeginUpdate();
    try {
        columns->ColumnAt(from)->SetIndex(to);
        if (OnColumnMoved) OnColumnMoved(this, from, to);
    } catch (...) {
        stFilter_->EndUpdate();
        throw;
    }
    stFilter_->EndUpdate();
}

void TCustomDBGridEh::TopLeftChanged() {
    const bool atLeft = LeftCol() == FixedCols();
    if (atLeft != atLeftEdge_) {
        atLeftEdge_ = atLeft;
        for (int r = 0; r < titleOffset_ && r < RowCount(); ++r) InvalidateRow(r);
    }
    TCustomGrid::TopLeftChanged();
    UpdateHorzScrollBar();
    UpdateFilterEditor(false);
}

void TCustomDBGridEh::WMSize(TMessage&) {
    if (LayoutLock() > 0) {
        sizeChangeNoted_ = true;
        return;
    }
    if (!AutoFitColWidths() || IsGridDesigning()) {
        UpdateRowCount();
        UpdateVertScrollBar();
    } else {
        RelayoutColumns();
        InvalidateEditor();
    }
    UpdateHorzScrollBar();
}
