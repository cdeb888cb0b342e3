// The data grid's painting: grid lines per region, then every cell by its kind: the indicator with
// its state images, titles with sort markers and sort numbers and the groups of multi-line titles
// above them, filter cells, footers, and data cells with odd/even colours, the selection and focus
// colours, images, check boxes, edit buttons, duplicate hiding and the required-field mark.
// Everything is drawn through the grid's canvas.
#include "DBGridEh.h"
#include "DBGridEhSelection.h"

#include <algorithm>

struct TCustomDBGridEh::TPaintPass {
    TCanvas* Canvas = nullptr;
    TLineColorsEh Lines;
    bool Focused = false;          // the grid or its editor has the focus
    bool SelectionActive = false;
    bool LinkActive = false;
    int CurrentDataRow = -1;       // the buffer row of the current record
    int SavedActiveRecord = -1;
    int RecordsInBuffer = 0;
    TDataSetState State = dsInactive;
    bool RowsSelected = false;     // SelectedRowBookmarks has entries
    TRect Region;                  // the region being painted (groups stay inside it)
    int CheckedRow = -1;           // the buffer row whose selection was looked up last
    bool CheckedRowSelected = false;
    TBookmark CheckedBookmark;
};

namespace {

// Restores the pass pointer and the data link's active record, also on errors.
class TPaintPassScope {
public:
    TPaintPassScope(TCustomDBGridEh::TPaintPass*& slot, TCustomDBGridEh::TPaintPass* pass, TGridDataLinkEh* link)
        : slot_(slot), saved_(slot), pass_(pass), link_(link) {
        slot_ = pass;
    }
    ~TPaintPassScope() {
        if (pass_->LinkActive && link_->Active()) link_->SetActiveRecord(pass_->SavedActiveRecord);
        slot_ = saved_;
    }
    TPaintPassScope(const TPaintPassScope&) = delete;
    TPaintPassScope& operator=(const TPaintPassScope&) = delete;

private:
    TCustomDBGridEh::TPaintPass*& slot_;
    TCustomDBGridEh::TPaintPass* saved_;
    TCustomDBGridEh::TPaintPass* pass_;
    TGridDataLinkEh* link_;
};

TRect Inflated(TRect r, int d) { return TRect{r.Left + d, r.Top + d, r.Right - d, r.Bottom - d}; }

TEditButtonDrawKindEh DefaultButtonKind(const TColumnEh* column) {
    switch (column->ButtonStyle()) {
    case cbsEllipsis: return bdkEllipsis;
    case cbsUpDown: return bdkUpDown;
    default: return bdkDropDown;
    }
}

bool HasDefaultButton(const TColumnEh* column) {
    switch (column->ButtonStyle()) {
    case cbsEllipsis:
    case cbsUpDown:
    case cbsDropDown: return true;
    case cbsAuto: {
        const TColumnEhValueType kind = column->GetColumnType();
        return kind == ctPickList || kind == ctLookupField || kind == ctKeyPickList;
    }
    default: return false;
    }
}

}  // namespace

// ---- Paint ----------------------------------------------------------------------------------------------------

bool TCustomDBGridEh::SelectionIsActive() { return GridFocused(); }

void TCustomDBGridEh::InvalidateSelection() {
    if (SelectionType() != gstNon || Options().Contains(dgRowSelect)) InvalidateGrid();
}

void TCustomDBGridEh::PaintGridLines(const TGridDrawInfo& info, const TRect& area, int firstCol, int firstRow,
                                     TColor vertColor, TColor horzColor, bool vertLines, bool horzLines) {
    if (area.IsEmpty()) return;
    if (vertColor == horzColor) {
        PaintLines(info, firstCol, firstRow, area, vertLines, horzLines, vertColor);
        return;
    }
    PaintLines(info, firstCol, firstRow, area, vertLines, false, vertColor);
    PaintLines(info, firstCol, firstRow, area, false, horzLines, horzColor);
}

void TCustomDBGridEh::Paint() {
    if (layoutInProgress_) return;
    TCanvas* canvas = Canvas();
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridDataLinkEh* link = DataLink();
    TPaintPass pass;
    pass.Canvas = canvas;
    pass.Lines = GridLineColorsEh(Flat(), false, Color());
    pass.Focused = GridFocused();
    pass.SelectionActive = SelectionIsActive();
    pass.LinkActive = link->Active() && DataSet();
    if (pass.LinkActive) {
        pass.SavedActiveRecord = link->ActiveRecord();
        pass.CurrentDataRow = pass.SavedActiveRecord;
        pass.RecordsInBuffer = link->RecordCount();
        pass.State = DataSet()->State();
    }
    pass.RowsSelected = SelectedRowBookmarks()->Count() > 0;
    TPaintPassScope scope(pass_, &pass, link);
    headTree_->ClearDrawn();
    canvas->SetFont(Font());

    const TDBGridOptions options = Options();
    const bool colLines = options.Contains(dgColLines);
    const bool rowLines = options.Contains(dgRowLines);
    const TRect client = ClientRect();
    const TRect clip = canvas->ClipRect();
    const int fx = info.Horz.FixedBoundary;
    const int fy = info.Vert.FixedBoundary;
    const int gx = std::max(info.Horz.GridBoundary, fx);
    const int gy = std::max(info.Vert.GridBoundary, fy);
    const int hLine = info.Horz.EffectiveLineWidth;
    const int vLine = info.Vert.EffectiveLineWidth;
    auto visible = [&](const TRect& a) {
        return !a.IsEmpty() && a.Right > clip.Left && a.Left < clip.Right && a.Bottom > clip.Top && a.Top < clip.Bottom;
    };
    // The pixel where scrollable row `row` starts (rows from TopRow on).
    auto rowTop = [&](int row) {
        int y = fy;
        for (int r = TopRow(); r < row && r < RowCount(); ++r) y += std::max(RowHeights(r) + vLine, 0);
        return std::min(y, gy);
    };
    const int footerStart = RowCount() - shapeFooterRows_;
    const int footerTop = shapeFooterRows_ > 0 ? rowTop(footerStart) : gy;
    const TColor fixedLines = pass.Lines.Fixed;
    const TColor footerLines =
        (OptionsEh().Contains(dghFooter3D) || FooterColor() == clBtnFace) ? fixedLines : pass.Lines.Data;
    const int indicatorRight =
        indicatorOffset_ > 0 ? std::min(fx, std::max(ColWidths(0), 0) + hLine) : 0;
    const TColor frozenLines = OptionsEh().Contains(dghFrozen3D) ? fixedLines : Color();

    // Fixed corner, titles, fixed columns (indicator and frozen), data.
    const TRect corner{0, 0, fx, fy};
    const TRect titles{fx, 0, gx, fy};
    const TRect left{0, fy, fx, gy};
    const TRect data{fx, fy, gx, gy};
    if (visible(corner)) {
        pass.Region = corner;
        PaintLines(info, 0, 0, corner, colLines, rowLines, fixedLines);
        PaintCells(info, 0, 0, corner, TGridDrawState{gdFixed});
    }
    if (visible(titles)) {
        pass.Region = titles;
        PaintLines(info, LeftCol(), 0, titles, colLines, rowLines, fixedLines);
        PaintCells(info, LeftCol(), 0, titles, TGridDrawState{gdFixed});
    }
    if (visible(left)) {
        pass.Region = left;
        const TRect indicator{0, fy, indicatorRight, gy};
        const TRect frozen{indicatorRight, fy, fx, footerTop};
        const TRect frozenFooters{indicatorRight, footerTop, fx, gy};
        PaintLines(info, 0, TopRow(), indicator, colLines, rowLines, fixedLines);
        PaintLines(info, indicatorOffset_, TopRow(), frozen, colLines, rowLines, frozenLines);
        if (shapeFooterRows_ > 0)
            PaintLines(info, indicatorOffset_, footerStart, frozenFooters, colLines, rowLines, footerLines);
        PaintCells(info, 0, TopRow(), left, TGridDrawState{gdFixed});
    }
    if (visible(data)) {
        pass.Region = data;
        PaintLines(info, LeftCol(), TopRow(), TRect{fx, fy, gx, footerTop}, colLines, rowLines, pass.Lines.Data);
        if (shapeFooterRows_ > 0)
            PaintLines(info, LeftCol(), footerStart, TRect{fx, footerTop, gx, gy}, colLines, rowLines, footerLines);
        PaintCells(info, LeftCol(), TopRow(), data, TGridDrawState{});
    }
    // A line over the footers.
    if (shapeFooterRows_ > 0 && indicatorOffset_ > 0 && rowLines && vLine > 0 && footerTop > fy) {
        canvas->Brush()->SetColor(fixedLines);
        canvas->FillRect(TRect{0, footerTop - vLine, gx, footerTop});
    }
    canvas->Brush()->SetColor(Color());
    if (gx < client.Right) canvas->FillRect(TRect{gx, 0, client.Right, client.Bottom});
    if (gy < client.Bottom) canvas->FillRect(TRect{0, gy, gx, client.Bottom});
}

// ---- Cells ----------------------------------------------------------------------------------------------------

bool TCustomDBGridEh::IsCellDrawn3D(const TCellTypeEh& type, TGridDrawState state, int aCol) {
    const TDBGridEhOptions eh = OptionsEh();
    TCell3DInputEh in;
    in.Fixed3D = eh.Contains(dghFixed3D);
    in.Frozen3D = eh.Contains(dghFrozen3D);
    in.Footer3D = eh.Contains(dghFooter3D);
    in.Data3D = eh.Contains(dghData3D);
    in.FootersPresent = shapeFooterRows_ > 0;
    in.FixedCell = state.Contains(gdFixed);
    in.FrozenColumn = type.CellKind == ckDataColEh && aCol < FixedCols();
    in.FilterVisible = type.DataCol >= 0 && type.DataCol < Columns()->Count() &&
                       Columns()->ColumnAt(type.DataCol)->STFilter()->Visible();
    return IsCellDrawn3DEh(in, type);
}

bool TCustomDBGridEh::IsCellSelected(int aCol, int dataRow) {
    const TDBGridEhSelectionType type = SelectionType();
    if (type == gstAll) return true;
    if (type == gstNon || !DataLink()->Active()) return false;
    if (dataRow < 0 || dataRow >= DataLink()->RecordCount()) return false;
    const int dataCol = aCol - IndicatorOffset();
    if (type == gstColumns) return Selection()->CellIsSelected(dataCol, TBookmark());
    // A row's cells are painted one after the other: one bookmark (and row look-up) per row.
    if (pass_ && pass_->CheckedRow == dataRow) {
        if (type == gstRecordBookmarks) return pass_->CheckedRowSelected;
        return Selection()->CellIsSelected(dataCol, pass_->CheckedBookmark);
    }
    TGridDataLinkEh* link = DataLink();
    const int saved = link->ActiveRecord();
    link->SetActiveRecord(dataRow);
    const TBookmark mark = DataSet()->Bookmark();
    link->SetActiveRecord(saved);
    int index;
    const bool rowFound = type == gstRecordBookmarks && SelectedRowBookmarks()->Find(mark, index);
    if (pass_) {
        pass_->CheckedRow = dataRow;
        pass_->CheckedRowSelected = rowFound;
        pass_->CheckedBookmark = mark;
    }
    return type == gstRecordBookmarks ? rowFound : Selection()->CellIsSelected(dataCol, mark);
}

// Titles and footers of selected columns (and of every column under select-all) look selected.
bool TCustomDBGridEh::IsColumnHeadSelected(int dataCol) {
    const TDBGridEhSelectionType type = SelectionType();
    return type == gstAll || (type == gstColumns && Selection()->CellIsSelected(dataCol, TBookmark()));
}

void TCustomDBGridEh::GetFixedCellColors(const TCellTypeEh& type, TColor& background, TColor& fontColor) {
    if (style_)
        style_->GetFixedCellHighlightColors(type.CellKind, type.RowKind, SelectionIsActive(), background, fontColor);
    else
        FixedCellHighlight(type.CellKind, type.RowKind, SelectionIsActive(), true, true, background, fontColor);
}

bool TCustomDBGridEh::GetDataCellSelectionParams(int aCol, int dataRow, TGridDrawState state, TColor& background,
                                                 TColor& fontColor) {
    TDataCellHighlightQueryEh q;
    const bool focused = pass_ ? pass_->Focused : GridFocused();
    const int current = pass_ ? pass_->CurrentDataRow : DataLink()->ActiveRecord();
    q.InSelection = IsCellSelected(aCol, dataRow);
    q.FocusHighlight = OptionsEh().Contains(dghHighlightFocus) && focused;
    q.RowHighlight = OptionsEh().Contains(dghRowHighlight);
    q.OnCurrentRow = dataRow == current;
    q.IsCurrentColumn = aCol == Col();
    q.IsSelectedCell = state.Contains(gdSelected);
    q.RowSelect = Options().Contains(dgRowSelect);
    q.AlwaysShowSelection = Options().Contains(dgAlwaysShowSelection);
    q.LayoutLocked = LayoutLock() > 0;
    q.SelectionActive = pass_ ? pass_->SelectionActive : SelectionIsActive();
    if (style_) return style_->GetDataCellHighlightColors(q, background, fontColor);
    return DataCellHighlight(q, background, fontColor);
}

void TCustomDBGridEh::DrawCell(int aCol, int aRow, const TRect& aRect, TGridDrawState aState) {
    TCanvas* canvas = Canvas();
    if (IsGridLoading()) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(aRect);
        return;
    }
    TCellTypeEh type;
    if (!TryGetCellType(aCol, aRow, type)) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(aRect);
        return;
    }
    TPaintPass local;
    TPaintPass* pass = pass_;
    if (!pass) {
        local.Canvas = canvas;
        local.Focused = GridFocused();
        local.SelectionActive = SelectionIsActive();
        local.LinkActive = DataLink()->Active() && DataSet();
        if (local.LinkActive) {
            local.SavedActiveRecord = local.CurrentDataRow = DataLink()->ActiveRecord();
            local.RecordsInBuffer = DataLink()->RecordCount();
            local.State = DataSet()->State();
        }
        local.Region = ClientRect();
        pass = &local;
    }
    if (type.CellKind == ckIndicatorEh) {
        DrawIndicatorCell(*pass, aRow, aRect, type);
        return;
    }
    switch (type.RowKind) {
    case rkTitleEh:
    case rkFilterEh:
    case rkFooterEh: DrawTitleFooterFilterCell(aCol, aRow, aRect, aState, type); return;
    case rkFillerEh:
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(aRect);
        return;
    case rkDataEh: DrawDataCellContents(*pass, aCol, aRow, aRect, aState, type); return;
    }
}

void TCustomDBGridEh::DrawTitleFooterFilterCell(int aCol, int aRow, const TRect& rect, TGridDrawState state,
                                                const TCellTypeEh& type) {
    TPaintPass local;
    TPaintPass* pass = pass_;
    if (!pass) {
        local.Canvas = Canvas();
        local.Region = ClientRect();
        pass = &local;
    }
    switch (type.RowKind) {
    case rkTitleEh: DrawTitleCell(*pass, aCol, aRow, rect, state, type); return;
    case rkFilterEh: DrawFilterCell(*pass, aCol, rect, type); return;
    case rkFooterEh: DrawFooterCell(*pass, aCol, aRow, rect, state, type); return;
    default: return;
    }
}

void TCustomDBGridEh::DrawEdgeFrame(TCanvas* canvas, const TRect& r, bool pressed) {
    if (r.IsEmpty()) return;
    const TColor light = pressed ? clBtnShadow : clBtnHighlight;
    const TColor dark = pressed ? clBtnHighlight : clBtnShadow;
    canvas->Brush()->SetColor(light);
    canvas->FillRect(TRect{r.Left, r.Top, r.Right, r.Top + 1});
    canvas->FillRect(TRect{r.Left, r.Top, r.Left + 1, r.Bottom});
    canvas->Brush()->SetColor(dark);
    if (!Flat() || pressed) canvas->FillRect(TRect{r.Left, r.Bottom - 1, r.Right, r.Bottom});
    if (!Flat() || pressed) canvas->FillRect(TRect{r.Right - 1, r.Top, r.Right, r.Bottom});
}

void TCustomDBGridEh::DrawIndicatorCell(TPaintPass& pass, int aRow, TRect rect, const TCellTypeEh& type) {
    TCanvas* canvas = pass.Canvas;
    const bool draw3D = IsCellDrawn3D(type, TGridDrawState{gdFixed}, 0);
    const TRect inner = draw3D ? Inflated(rect, 1) : rect;
    TColor background = FixedColor();
    TColor fontColor = Font()->Color();
    if (type.RowKind == rkFooterEh && !OptionsEh().Contains(dghFrozen3D)) background = Color();
    bool selected = false;
    const bool dataRow = type.RowKind == rkDataEh && pass.LinkActive && type.DataRow < pass.RecordsInBuffer;
    if (dataRow) {
        selected = SelectionType() == gstAll ||
                   (pass.RowsSelected && SelectionType() == gstRecordBookmarks && IsCellSelected(0, type.DataRow));
        if (selected) GetFixedCellColors(type, background, fontColor);
    }
    canvas->Brush()->SetColor(background);
    canvas->FillRect(draw3D ? rect : inner);
    if (dataRow) {
        const bool current = type.DataRow == pass.CurrentDataRow;
        const int image = IndicatorImageEh(pass.State, current, selected, current && incSearchActive_);
        if (image >= 0 && DBGridEhIndicators())
            DrawImageInCell(DBGridEhIndicators(), nullptr, canvas, taRightJustify, 0, image, inner);
        if (current) lastIndicatorRow_ = aRow;
    }
    if (draw3D) DrawEdgeFrame(canvas, rect, false);
}

TRect TCustomDBGridEh::GroupRect(THeadTreeNode* node, const TRect& cellRect, int aCol) {
    // The group spans its leaves: measured from this leaf's cell.
    const int dataCol = GridColToDataCol(aCol);
    int before = 0;
    for (int i = dataCol - 1; i >= 0; --i) {
        THeadTreeNode* leaf = LeafOf(i);
        if (!leaf || !node->Contains(leaf)) break;
        before += std::max(leaf->Width + leaf->WIndent, 0);
    }
    int top = cellRect.Top;
    for (THeadTreeNode* host = node->Host(); host && host != headTree_.get(); host = host->Host()) top += host->Height;
    const int left = cellRect.Left - before;
    return TRect{left, top, left + node->Width, top + node->Height};
}

void TCustomDBGridEh::DrawGroupCells(TPaintPass& pass, int aCol, const TRect& cellRect) {
    THeadTreeNode* leaf = LeafOf(GridColToDataCol(aCol));
    if (!leaf) return;
    TCanvas* canvas = pass.Canvas;
    const bool fixed3D = OptionsEh().Contains(dghFixed3D);
    for (THeadTreeNode* node = leaf->Host(); node && node != headTree_.get(); node = node->Host()) {
        if (node->Drawn) break;
        node->Drawn = true;
        const TRect r = GroupRect(node, cellRect, aCol);
        // Stay inside the region being painted (a group may reach under the fixed columns).
        HDC dc = canvas->Handle();
        canvas->Refresh();
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, pass.Region.Left, pass.Region.Top, pass.Region.Right, pass.Region.Bottom);
        try {
            canvas->Brush()->SetColor(FixedColor());
            canvas->FillRect(r);
            canvas->Font()->Assign(TitleFont());
            DrawCellText(canvas, fixed3D ? Inflated(r, 1) : r, false, 2, 1, node->Text, taCenter, tlCenter, false,
                         false, false);
            if (fixed3D) DrawEdgeFrame(canvas, r, false);
            if (Options().Contains(dgRowLines)) {
                canvas->Brush()->SetColor(Flat() ? clGray : clBlack);
                canvas->FillRect(TRect{r.Left, r.Bottom, r.Right + 1, r.Bottom + 1});
            }
            if (Options().Contains(dgColLines)) {
                canvas->Brush()->SetColor(Flat() ? clGray : clBlack);
                canvas->FillRect(TRect{r.Right, r.Top, r.Right + 1, r.Bottom + 1});
            }
        } catch (...) {
            canvas->Refresh();
            RestoreDC(dc, saved);
            throw;
        }
        canvas->Refresh();
        RestoreDC(dc, saved);
    }
}

void TCustomDBGridEh::DrawTitleCell(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state,
                                    const TCellTypeEh& type) {
    TCanvas* canvas = pass.Canvas;
    TDBGridColumnsEh* columns = Columns();
    if (type.DataCol < 0 || type.DataCol >= columns->Count()) {
        canvas->Brush()->SetColor(FixedColor());
        canvas->FillRect(rect);
        return;
    }
    TColumnEh* column = columns->ColumnAt(type.DataCol);
    TColumnTitleEh* title = column->Title();
    THeadTreeNode* leaf = LeafOf(type.DataCol);
    TRect cell = rect;
    if (leaf) {
        int top = rect.Top;
        for (THeadTreeNode* host = leaf->Host(); host && host != headTree_.get(); host = host->Host())
            top += host->Height;
        cell.Top = std::min(top, rect.Bottom);
    }
    const bool draw3D = IsCellDrawn3D(type, state, aCol);
    const bool isDown = pressedTitleCol_ == aCol && titleShownDown_;
    TColor background = title->Color();
    TSortMarkerEh marker = title->SortMarker();
    canvas->Font()->Assign(title->Font());
    if (OnGetBtnParams) OnGetBtnParams(this, column, canvas->Font(), background, marker, isDown);
    TColor fontColor = canvas->Font()->Color();
    bool selectedLook = false;
    if (IsColumnHeadSelected(type.DataCol)) {
        GetFixedCellColors(type, background, fontColor);
        selectedLook = true;
    }
    canvas->Font()->SetColor(fontColor);
    canvas->Brush()->SetColor(background);
    canvas->FillRect(cell);
    TRect textRect = draw3D ? Inflated(cell, 1) : cell;
    if (isDown && !draw3D) textRect = TRect{textRect.Left + 1, textRect.Top + 1, textRect.Right + 1, textRect.Bottom + 1};
    if (isDown && draw3D) textRect = TRect{textRect.Left + 1, textRect.Top + 1, textRect.Right, textRect.Bottom};

    // Sort marker and sort number at the right.
    if (marker != smNoneEh && DBGridEhSortMarkers()) {
        const bool numbered = SortMarkedColumnList()->Count() >= 2 && title->SortIndex() > 0;
        const int digits = numbered ? SortIndexDigitsWidth(title->SortIndex()) : 0;
        int area = title->SortAreaWidth(cell.Width(), digits);
        const bool showDigits = numbered && area >= 16 + digits;
        if (area < 16 && 16 <= cell.Width() - 4)
            area = 16;  // no room for the number: the marker alone
        TGridImagesEh* markers = DBGridEhSortMarkers();
        if (area >= 16) {
            const int x = textRect.Right - area + 2;
            const int y = (textRect.Top + textRect.Bottom - markers->Height()) / 2;
            markers->Draw(canvas, x, y, marker == smDownEh ? 0 : 1);
            if (showDigits && DBGridEhSortIndexFont()) {
                canvas->Font()->Assign(DBGridEhSortIndexFont());
                canvas->Font()->SetColor(selectedLook ? clWhite : fontColor);
                const TRect digitsRect{x + markers->Width() + 1, textRect.Top, textRect.Right, textRect.Bottom};
                DrawCellText(canvas, digitsRect, false, 0, 0, std::to_string(title->SortIndex()), taLeftJustify,
                             tlCenter, false, false, false);
                canvas->Font()->Assign(title->Font());
                canvas->Font()->SetColor(fontColor);
            }
            textRect.Right -= area;
        }
    }

    if (titleImages_ && title->ImageIndex() >= 0) {
        const int x = (textRect.Left + textRect.Right - titleImages_->Width()) / 2;
        const int y = (textRect.Top + textRect.Bottom - titleImages_->Height()) / 2;
        titleImages_->Draw(canvas, x, y, title->ImageIndex());
    } else {
        const String caption = leaf ? leaf->Text : title->Caption();
        const bool multiLine = UseMultiTitle() || titleHeight_ > 0 || titleLines_ > 0;
        if (title->Orientation() == tohVertical)
            DrawCellTextUpward(canvas, textRect, false, 2, 2, caption, title->Alignment(), tlBottom, false);
        else
            DrawCellText(canvas, textRect, false, 2, multiLine ? 1 : 2, caption, title->Alignment(),
                         multiLine ? tlTop : tlCenter, multiLine, title->EndEllipsis(), false);
    }
    if (draw3D) DrawEdgeFrame(canvas, cell, isDown);
    if (leaf) DrawGroupCells(pass, aCol, rect);
}

void TCustomDBGridEh::DrawFilterCell(TPaintPass& pass, int aCol, TRect rect, const TCellTypeEh& type) {
    TCanvas* canvas = pass.Canvas;
    const bool draw3D = IsCellDrawn3D(type, TGridDrawState{gdFixed}, aCol);
    const bool shown = type.CellKind == ckDataColEh && type.DataCol >= 0 && type.DataCol < Columns()->Count() &&
                       Columns()->ColumnAt(type.DataCol)->STFilter()->Visible();
    if (!shown) {
        canvas->Brush()->SetColor(FixedColor());
        canvas->FillRect(rect);
        if (draw3D) DrawEdgeFrame(canvas, rect, false);
        return;
    }
    TColumnEh* column = Columns()->ColumnAt(type.DataCol);
    canvas->Pen()->SetColor(clBlack);
    canvas->Font()->Assign(Font());
    TColor background = FilterRowColor();
    TColor fontColor = clBlue;
    GetFixedCellColors(type, background, fontColor);
    canvas->Font()->SetColor(fontColor);
    canvas->Brush()->SetColor(background);
    canvas->FillRect(rect);
    const TRect inner = draw3D ? Inflated(rect, 1) : rect;
    DrawCellText(canvas, inner, false, 2, 2, FilterCellText(type.DataCol), column->Alignment(), tlCenter, false,
                 false, false);
    if (draw3D) DrawEdgeFrame(canvas, rect, false);
}

void TCustomDBGridEh::DrawFooterCell(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state,
                                     const TCellTypeEh& type) {
    TCanvas* canvas = pass.Canvas;
    TDBGridColumnsEh* columns = Columns();
    if (type.DataCol < 0 || type.DataCol >= columns->Count()) {
        canvas->Brush()->SetColor(FooterColor());
        canvas->FillRect(rect);
        return;
    }
    TColumnEh* column = columns->ColumnAt(type.DataCol);
    const int footerIndex = type.DataRow - 1;
    TColumnFooterEh* footer = column->FooterForRow(footerIndex);
    const bool draw3D = IsCellDrawn3D(type, state, aCol);
    canvas->Font()->Assign(footer->Font());
    TColor background = footer->Color();
    TAlignment alignment = footer->Alignment();
    String text;
    if (defaultDrawing_) {
        // The current record is the one a field-value footer shows.
        if (pass.LinkActive && DataLink()->Active()) DataLink()->SetActiveRecord(pass.SavedActiveRecord);
        text = GetFooterValueText(footerIndex, column);
    }
    GetFooterParams(type.DataCol, footerIndex, column, canvas->Font(), background, alignment, state, text);
    TColor fontColor = canvas->Font()->Color();
    if (IsColumnHeadSelected(type.DataCol))
        GetFixedCellColors(type, background, fontColor);
    canvas->Font()->SetColor(fontColor);
    canvas->Brush()->SetColor(background);
    canvas->FillRect(rect);
    if (defaultDrawing_) {
        const TRect inner = draw3D ? Inflated(rect, 1) : rect;
        DrawCellText(canvas, inner, false, 2, 2, text, alignment, tlTop, footer->WordWrap() && multiLineFits_,
                     footer->EndEllipsis(), false);
    }
    if (draw3D) DrawEdgeFrame(canvas, rect, false);
    if (OnDrawFooterCell) OnDrawFooterCell(this, type.DataCol, footerIndex, column, rect, state);
}

// The look of one data cell: the column's parameters changed by the events, the row colours and
// the selection's colours; a duplicate of the value above is hidden.
struct TCustomDBGridEh::TDataCellLook {
    TColor Background = clWindow;
    TColor FontColor = clWindowText;
    String Text;
    int ImageIndex = -1;
    bool Hidden = false;
};

void TCustomDBGridEh::DrawDataCellContents(TPaintPass& pass, int aCol, int aRow, TRect rect, TGridDrawState state,
                                           const TCellTypeEh& type) {
    TCanvas* canvas = pass.Canvas;
    TDBGridColumnsEh* columns = Columns();
    const bool hasRecord = pass.LinkActive && type.DataRow >= 0 && type.DataRow < pass.RecordsInBuffer;
    if (!hasRecord || type.DataCol < 0 || type.DataCol >= columns->Count()) {
        canvas->Brush()->SetColor(Color());
        canvas->FillRect(rect);
        return;
    }
    TGridDataLinkEh* link = DataLink();
    link->SetActiveRecord(type.DataRow);
    TColumnEh* column = columns->ColumnAt(type.DataCol);
    const bool draw3D = IsCellDrawn3D(type, state, aCol);
    const TRect inner = draw3D ? Inflated(rect, 1) : rect;
    int buttonsWidth = 0;
    if (column->AlwaysShowEditButton())
        buttonsWidth = std::min(column->EditButtonsWidth(DefaultFlatButtonWidth(), editButtonWidth_), inner.Width());

    const TDataCellLook look = DataCellLook(column, aCol, aRow, state, type.DataRow);
    canvas->Font()->Assign(cellParams_->Font());
    canvas->Font()->SetColor(look.FontColor);
    canvas->Brush()->SetColor(look.Background);
    TRect textRect = inner;
    textRect.Right -= buttonsWidth;
    if (defaultDrawing_) {
        if (draw3D) canvas->FillRect(rect);
        DrawDataCellValue(canvas, column, textRect, look);
        if (incSearchActive_ && !incSearchText_.empty() && type.DataRow == pass.CurrentDataRow && aCol == Col())
            DrawIncSearchPrefix(canvas, textRect, look.Text);
        if (look.Hidden && Options().Contains(dgRowLines) && rect.Top > 0) {
            // The line above a hidden duplicate takes the cell's colour.
            canvas->Brush()->SetColor(look.Background);
            canvas->FillRect(TRect{rect.Left, rect.Top - GridLineWidth(), rect.Right, rect.Top});
        }
    } else {
        canvas->FillRect(inner);
    }
    if (buttonsWidth > 0) DrawCellEditButtons(canvas, column, inner, textRect.Right, look.Background);

    // A required value that is missing while editing (the column's event has the last word).
    TField* field = column->Field();
    if (column->HighlightRequired()) {
        bool drawRequired = field && field->Required() && field->IsNull() &&
                            (pass.State == dsEdit || pass.State == dsInsert);
        if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(column, drawRequired);
        if (drawRequired)
            DrawDottedLine(canvas, Point(inner.Left + 2, inner.Bottom - 1), Point(inner.Right - 3, inner.Bottom - 1),
                           clRed);
    }

    if (draw3D) DrawEdgeFrame(canvas, rect, false);
    if (!columns->Customized()) DrawDataCell(rect, field, state);
    DrawColumnCell(rect, type.DataCol, column, state);
    if (defaultDrawing_ && state.Contains(gdFocused) && pass.Focused && style_ && style_->DrawFocusFrame() &&
        !Options().Contains(dgRowSelect) && LayoutLock() == 0) {
        canvas->Brush()->SetColor(look.Background);
        canvas->Font()->SetColor(look.FontColor);
        canvas->DrawFocusRect(rect);
    }
    link->SetActiveRecord(pass.SavedActiveRecord);
}

TCustomDBGridEh::TDataCellLook TCustomDBGridEh::DataCellLook(TColumnEh* column, int aCol, int aRow,
                                                             TGridDrawState state, int dataRow) {
    TColCellParamsEh* params = cellParams_.get();
    column->FillColCellParams(params);
    params->Row = aRow;
    params->Col = aCol;
    params->State = state;
    if ((evenRowColorSet_ || oddRowColorSet_) && column->Color() == Color()) {
        const int recNo = ActiveRecNo();
        if (recNo > 0) params->Background = (recNo % 2 == 1) ? OddRowColor() : EvenRowColor();
    }
    TDataCellLook look;
    look.Background = params->Background;
    GetCellParams(column, params->Font(), look.Background, state);
    params->Background = look.Background;
    column->GetCellParams(false, params);
    look.Background = params->Background;
    look.FontColor = params->Font()->Color();
    GetDataCellSelectionParams(aCol, dataRow, state, look.Background, look.FontColor);

    look.Text = params->Text;
    look.ImageIndex = params->ImageIndex;
    if (column->HideDuplicates() && dataRow > 0) {
        TGridDataLinkEh* link = DataLink();
        link->SetActiveRecord(dataRow - 1);
        const String above = column->DisplayText();
        link->SetActiveRecord(dataRow);
        if (above == look.Text) {
            look.Text.clear();
            look.ImageIndex = -1;
            look.Hidden = true;
        }
    }
    return look;
}

void TCustomDBGridEh::DrawDataCellValue(TCanvas* canvas, TColumnEh* column, const TRect& textRect,
                                        const TDataCellLook& look) {
    auto* images = dynamic_cast<TCustomImageList*>(column->ImageList());
    const TColumnEhValueType kind = column->GetColumnType();
    const TAlignment alignment = cellParams_->Alignment;
    const bool multiLine = column->WordWrap() && multiLineFits_;
    if (kind == ctCheckboxes) {
        canvas->FillRect(textRect);
        const TSize size = CheckBoxSize();
        const TRect box = FitCheckBoxInCell(textRect, size, taCenter, tlCenter);
        TButtonBitmapKeyEh key;
        key.Width = box.Width();
        key.Height = box.Height();
        key.Kind = bdkCheckBox;
        key.Flat = Flat();
        key.CheckState = static_cast<std::uint8_t>(cellParams_->CheckboxState);
        if (!look.Hidden) DrawEditButtonFace(canvas, box, key);
    } else if (images && kind == ctKeyImageList) {
        canvas->FillRect(textRect);
        if (look.ImageIndex >= 0) {
            const int x = (textRect.Left + textRect.Right - images->Width()) / 2;
            const int y = (textRect.Top + textRect.Bottom - images->Height()) / 2;
            images->Draw(canvas, x, y, look.ImageIndex);
        }
    } else if (images && column->ShowImageAndText()) {
        canvas->FillRect(textRect);
        const int imageWidth = images->Width() + 4;
        if (look.ImageIndex >= 0) {
            const int y = (textRect.Top + textRect.Bottom - images->Height()) / 2;
            images->Draw(canvas, textRect.Left + 2, y, look.ImageIndex);
        }
        TRect rest = textRect;
        rest.Left = std::min(rest.Right, rest.Left + imageWidth);
        DrawCellText(canvas, rest, false, 2, 2, look.Text, alignment, column->Layout(), multiLine,
                     column->EndEllipsis(), false);
    } else {
        DrawCellText(canvas, textRect, true, 2, 2, look.Text, alignment, column->Layout(), multiLine,
                     column->EndEllipsis(), false);
    }
}

// The matched part of the searched cell, in the search's colours over the text drawn.
void TCustomDBGridEh::DrawIncSearchPrefix(TCanvas* canvas, const TRect& textRect, const String& text) {
    const TDBGridEhSettings& settings = DBGridEhSettings();
    const int textWidth = canvas->TextWidth(text);
    const int prefixWidth = canvas->TextWidth(incSearchText_);
    int left = textRect.Left + 2;
    if (cellParams_->Alignment == taRightJustify)
        left = textRect.Right - 2 - textWidth;
    else if (cellParams_->Alignment == taCenter)
        left = (textRect.Left + textRect.Right - textWidth) / 2;
    TRect mark{std::max(left, textRect.Left), textRect.Top, std::min(left + prefixWidth, textRect.Right), textRect.Bottom};
    if (mark.Right <= mark.Left) return;
    canvas->Brush()->SetColor(settings.IncSearchBackground);
    canvas->Font()->SetColor(settings.IncSearchText);
    canvas->TextRect(mark, left, textRect.Top + 2, incSearchText_);
}

void TCustomDBGridEh::DrawCellEditButtons(TCanvas* canvas, TColumnEh* column, const TRect& inner, int left,
                                          TColor background) {
    int x = left;
    const int height = std::min(editButtonHeight_ > 0 ? editButtonHeight_ : inner.Height(), inner.Height());
    auto paintButton = [&](int width, TEditButtonDrawKindEh kind) {
        width = std::min(width, inner.Right - x);
        if (width <= 0) return;
        TButtonBitmapKeyEh key;
        key.Width = width;
        key.Height = height;
        key.Kind = kind;
        key.Flat = Flat();
        key.Enabled = true;
        DrawEditButtonFace(canvas, TRect{x, inner.Top, x + width, inner.Top + height}, key);
        x += width + (Flat() ? 1 : 0);
    };
    const int defaultWidth = Flat() ? DefaultFlatButtonWidth() : editButtonWidth_;
    if (HasDefaultButton(column)) paintButton(defaultWidth, DefaultButtonKind(column));
    TEditButtonsEh* buttons = column->EditButtons();
    for (int i = 0; i < buttons->Count(); ++i) {
        const TEditButtonEh* button = buttons->Items(i);
        if (!button->Visible()) continue;
        paintButton(button->Width() > 0 ? button->Width() : defaultWidth, EditButtonDrawKind(button->Style()));
    }
    if (height < inner.Height()) {
        canvas->Brush()->SetColor(background);
        canvas->FillRect(TRect{left, inner.Top + height, inner.Right, inner.Bottom});
    }
}

int TCustomDBGridEh::ActiveRecNo() {
    TDataSet* ds = DataSet();
    if (!ds || !SumList()->IsSequenced()) return 0;
    return ds->ActiveViewPosition() + 1;
}
