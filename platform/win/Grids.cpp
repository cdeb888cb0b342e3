// The platform grid and its in-place editor; Grids.md is the contract.
#include "Grids.h"

#include <algorithm>

TLogChannel LogGrid("grid");

namespace {

// Sizing spots reach this far on both sides of a line.
constexpr int kSizingMargin = 3;
constexpr UINT kScrollInterval = 60;

bool IsShiftOnly(TShiftState shift) {
    return shift.Contains(ssShift) && !shift.Contains(ssCtrl) && !shift.Contains(ssAlt);
}

// Runs `draw` on the control's canvas outside of painting, then lets go of the DC.
template <class F>
void DrawOutsidePaint(TCustomControl* control, F&& draw) {
    if (!control->HandleAllocated())
        return;
    TCanvas* canvas = control->Canvas();
    TPen saved;
    saved.Assign(canvas->Pen());
    try {
        draw(*canvas);
    } catch (...) {
        canvas->Pen()->Assign(&saved);
        if (auto* own = dynamic_cast<TControlCanvas*>(canvas))
            own->FreeHandle();
        throw;
    }
    canvas->Pen()->Assign(&saved);
    if (auto* own = dynamic_cast<TControlCanvas*>(canvas))
        own->FreeHandle();
}

// The pixel span [p0, p1) of the cells lo..hi that are shown on one axis.
bool ShownSpan(const TGridAxisDrawInfo& info, std::span<const int> extents, int lo, int hi, int& p0, int& p1) {
    bool any = false;
    auto take = [&](int cell, int start) {
        if (cell < lo || cell > hi)
            return;
        const int end = start + GridCellAdvance(extents, cell, info.EffectiveLineWidth);
        if (!any) {
            p0 = start;
            p1 = end;
            any = true;
        } else {
            p0 = std::min(p0, start);
            p1 = std::max(p1, end);
        }
    };
    const int count = static_cast<int>(extents.size());
    int pos = 0;
    for (int i = 0; i < info.FixedCellCount && i < count; ++i) {
        take(i, pos);
        pos += GridCellAdvance(extents, i, info.EffectiveLineWidth);
    }
    pos = info.FixedBoundary;
    for (int i = info.FirstGridCell; i < count && pos < info.GridExtent; ++i) {
        take(i, pos);
        pos += GridCellAdvance(extents, i, info.EffectiveLineWidth);
    }
    return any;
}

}  // namespace

// ---- TInplaceEdit -----------------------------------------------------------------------------------

TInplaceEdit::TInplaceEdit(TComponent* owner) : TCustomEdit(owner), grid_(dynamic_cast<TCustomGrid*>(owner)) {
    SetControlStyle(ControlStyle() + TControlStyle{csNoDesignVisible});
    SetVisible(false);
    SetTabStop(false);
    SetParentColor(false);
}

void TInplaceEdit::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.ExStyle &= ~static_cast<DWORD>(WS_EX_CLIENTEDGE);
    params.Style &= ~static_cast<DWORD>(WS_BORDER | WS_TABSTOP);
    params.Style |= ES_AUTOHSCROLL;
}

void TInplaceEdit::Dispatch(TMessage& m) {
    if (m.Msg == WM_GETDLGCODE) {
        m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS | DLGC_WANTALLKEYS;
        if (grid_ && grid_->Options().Contains(goTabs))
            m.Result |= DLGC_WANTTAB;
        return;
    }
    inherited::Dispatch(m);
}

void TInplaceEdit::SendToGrid(WORD& key, TShiftState shift) {
    if (!grid_)
        return;
    grid_->KeyDown(key, shift);
    key = 0;
}

void TInplaceEdit::KeyDown(WORD& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    if (key == 0 || !grid_)
        return;
    const bool ctrl = shift.Contains(ssCtrl);
    switch (key) {
    case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_ESCAPE:
        return SendToGrid(key, shift);
    case VK_TAB:
        if (!shift.Contains(ssAlt))
            SendToGrid(key, shift);
        return;
    case VK_HOME: case VK_END:
        if (ctrl)
            SendToGrid(key, shift);
        return;
    case VK_LEFT:
        if (SelStart() == 0 && SelLength() == 0)
            SendToGrid(key, shift);
        return;
    case VK_RIGHT: {
        const int length = static_cast<int>(ToWide(Text()).size());
        if (SelLength() == 0 && SelStart() >= length)
            SendToGrid(key, shift);
        return;
    }
    default:
        return;
    }
}

void TInplaceEdit::KeyPress(wchar_t& key) {
    inherited::KeyPress(key);
    if (key == 0 || !grid_)
        return;
    if (key == L'\r') {
        grid_->KeyPress(key);
        key = 0;
        return;
    }
    if (key == 27 || key == L'\t') {
        key = 0;
        return;
    }
    if (key >= 32 && (!grid_->CanEditAcceptKey(key) || !grid_->CanEditModify()))
        key = 0;
}

void TInplaceEdit::UpdateContents() {
    if (!grid_)
        return;
    const int aCol = grid_->Col();
    const int aRow = grid_->Row();
    SetEditMask(grid_->GetEditMask(aCol, aRow));
    SetMaxLength(std::max(grid_->GetEditLimit(), 0));
    SetText(grid_->GetEditText(aCol, aRow));
    SetModified(false);
}

void TInplaceEdit::Move(const TRect& r) {
    SetBounds(r.Left, r.Top, r.Width(), r.Height());
    if (!shown_) {
        shown_ = true;
        SetVisible(true);
    }
    BoundsChanged();
}

void TInplaceEdit::HideEditor() {
    if (!shown_)
        return;
    shown_ = false;
    if (Focused() && grid_ && grid_->HandleAllocated())
        ::SetFocus(grid_->Handle());
    SetVisible(false);
}

void TInplaceEdit::Deselect() {
    const auto length = static_cast<WPARAM>(ToWide(Text()).size());
    Perform(EM_SETSEL, length, static_cast<LPARAM>(length));
}

// ---- TCustomGrid: construction and properties --------------------------------------------------------

TCustomGrid::TCustomGrid(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(TControlStyle{csCaptureMouse, csOpaque, csDoubleClicks, csClickEvents});
    colWidths_.assign(5, defaultColWidth_);
    rowHeights_.assign(5, defaultRowHeight_);
    tabStops_.assign(5, true);
    SetBounds(0, 0, 320, 120);
    SetTabStop(true);
    SetParentColor(false);
    SetColor(clWindow);
}

TCustomGrid::~TCustomGrid() = default;

void TCustomGrid::CheckCellIndex(int index, int count, const char* what) const {
    if (index < 0 || index >= count)
        throw EInvalidArgument(String(what) + " index " + std::to_string(index) + " of '" + Name() +
                               "' is outside 0.." + std::to_string(count - 1));
}

void TCustomGrid::ResizeAxis(std::vector<int>& extents, int count, int defaultExtent) {
    extents.resize(static_cast<std::size_t>(count), defaultExtent);
}

void TCustomGrid::ClampCurrent() {
    const int cols = ColCount();
    const int rows = RowCount();
    auto clampCell = [&](TGridCoord& c) {
        c.X = std::clamp(c.X, fixedCols_, std::max(fixedCols_, cols - 1));
        c.Y = std::clamp(c.Y, fixedRows_, std::max(fixedRows_, rows - 1));
    };
    clampCell(current_);
    clampCell(anchor_);
    const TGridCoord oldTopLeft = topLeft_;
    topLeft_.X = std::clamp(topLeft_.X, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    topLeft_.Y = std::clamp(topLeft_.Y, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    if (!(topLeft_ == oldTopLeft)) {
        InvalidateGrid();
        TopLeftChanged();
    }
}

void TCustomGrid::SetColCount(int value) {
    if (value < 1)
        throw EInvalidArgument("ColCount of '" + Name() + "' must be at least 1: " + std::to_string(value));
    const int oldCols = ColCount();
    if (value == oldCols)
        return;
    HideEditor();
    ResizeAxis(colWidths_, value, defaultColWidth_);
    tabStops_.resize(static_cast<std::size_t>(value), true);
    if (fixedCols_ >= value)
        fixedCols_ = value - 1;
    ClampCurrent();
    SizeChanged(oldCols, RowCount());
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetRowCount(int value) {
    if (value < 1)
        throw EInvalidArgument("RowCount of '" + Name() + "' must be at least 1: " + std::to_string(value));
    const int oldRows = RowCount();
    if (value == oldRows)
        return;
    if (current_.Y >= value)
        HideEditor();
    ResizeAxis(rowHeights_, value, defaultRowHeight_);
    if (fixedRows_ >= value)
        fixedRows_ = value - 1;
    ClampCurrent();
    SizeChanged(ColCount(), oldRows);
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedCols(int value) {
    if (value < 0 || value >= ColCount())
        throw EInvalidOperation("FixedCols of '" + Name() + "' must be from 0 to ColCount - 1 (" +
                                std::to_string(ColCount() - 1) + "): " + std::to_string(value));
    if (value == fixedCols_)
        return;
    HideEditor();
    fixedCols_ = value;
    ClampCurrent();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetFixedRows(int value) {
    if (value < 0 || value >= RowCount())
        throw EInvalidOperation("FixedRows of '" + Name() + "' must be from 0 to RowCount - 1 (" +
                                std::to_string(RowCount() - 1) + "): " + std::to_string(value));
    if (value == fixedRows_)
        return;
    HideEditor();
    fixedRows_ = value;
    ClampCurrent();
    UpdateScrollRange();
    InvalidateGrid();
}

void TCustomGrid::SetDefaultColWidth(int value) {
    const bool uniform = std::all_of(colWidths_.begin(), colWidths_.end(), [&](int w) { return w == value; });
    if (value == defaultColWidth_ && uniform)
        return;
    defaultColWidth_ = value;
    std::fill(colWidths_.begin(), colWidths_.end(), value);
    ColWidthsChanged();
}

void TCustomGrid::SetDefaultRowHeight(int value) {
    const bool uniform = std::all_of(rowHeights_.begin(), rowHeights_.end(), [&](int h) { return h == value; });
    if (value == defaultRowHeight_ && uniform)
        return;
    defaultRowHeight_ = value;
    std::fill(rowHeights_.begin(), rowHeights_.end(), value);
    RowHeightsChanged();
}

int TCustomGrid::ColWidths(int index) const {
    CheckCellIndex(index, ColCount(), "Column");
    return colWidths_[static_cast<std::size_t>(index)];
}

void TCustomGrid::SetColWidths(int index, int value) {
    CheckCellIndex(index, ColCount(), "Column");
    int& width = colWidths_[static_cast<std::size_t>(index)];
    if (width == value)
        return;
    width = value;
    ColWidthsChanged();
}

int TCustomGrid::RowHeights(int index) const {
    CheckCellIndex(index, RowCount(), "Row");
    return rowHeights_[static_cast<std::size_t>(index)];
}

void TCustomGrid::SetRowHeights(int index, int value) {
    CheckCellIndex(index, RowCount(), "Row");
    int& height = rowHeights_[static_cast<std::size_t>(index)];
    if (height == value)
        return;
    height = value;
    RowHeightsChanged();
}

void TCustomGrid::SetGridLineWidth(int value) {
    value = std::max(value, 0);
    if (value == gridLineWidth_)
        return;
    gridLineWidth_ = value;
    ClampCurrent();
    UpdateScrollRange();
    PlaceEditor();
    InvalidateGrid();
}

bool TCustomGrid::TabStops(int index) const {
    CheckCellIndex(index, ColCount(), "Column");
    return tabStops_[static_cast<std::size_t>(index)];
}

void TCustomGrid::SetTabStops(int index, bool value) {
    CheckCellIndex(index, ColCount(), "Column");
    tabStops_[static_cast<std::size_t>(index)] = value;
}

void TCustomGrid::ColWidthsChanged() {
    ClampCurrent();
    UpdateScrollRange();
    InvalidateGrid();
    PlaceEditor();
}

void TCustomGrid::RowHeightsChanged() {
    ClampCurrent();
    UpdateScrollRange();
    InvalidateGrid();
    PlaceEditor();
}

void TCustomGrid::SetOptions(TGridOptions value) {
    if (value.Contains(goRowSelect))
        value.Exclude(goAlwaysShowEditor);
    if (value == options_)
        return;
    const TGridOptions old = options_;
    options_ = value;
    if (!value.Contains(goEditing) || value.Contains(goRowSelect))
        HideEditor();
    if (value.Contains(goRowSelect) != old.Contains(goRowSelect) || !value.Contains(goRangeSelect))
        anchor_ = current_;
    ClampCurrent();
    UpdateScrollRange();
    InvalidateGrid();
    if (value.Contains(goAlwaysShowEditor) && !old.Contains(goAlwaysShowEditor) && HandleAllocated())
        ShowEditor();
    else
        PlaceEditor();
}

void TCustomGrid::SetScrollBars(TScrollStyle value) {
    if (value == scrollBars_)
        return;
    scrollBars_ = value;
    RecreateWnd();
}

void TCustomGrid::SetBorderStyle(TFormBorderStyle value) {
    if (value != bsNone && value != bsSingle)
        throw EInvalidArgument("BorderStyle of '" + Name() + "' must be bsNone or bsSingle");
    if (value == borderStyle_)
        return;
    borderStyle_ = value;
    RecreateWnd();
}

void TCustomGrid::SetFixedColor(TColor value) {
    if (value == fixedColor_)
        return;
    fixedColor_ = value;
    InvalidateGrid();
}

void TCustomGrid::SetDefaultDrawing(bool value) {
    if (value == defaultDrawing_)
        return;
    defaultDrawing_ = value;
    InvalidateGrid();
}

// ---- Geometry -----------------------------------------------------------------------------------------

int TCustomGrid::HorzLineWidth() const {
    return options_.Contains(goFixedVertLine) || options_.Contains(goVertLine) ? gridLineWidth_ : 0;
}

int TCustomGrid::VertLineWidth() const {
    return options_.Contains(goFixedHorzLine) || options_.Contains(goHorzLine) ? gridLineWidth_ : 0;
}

void TCustomGrid::CalcDrawInfo(TGridDrawInfo& info) {
    const TRect client = ClientRect();
    CalcDrawInfoXY(info, client.Width(), client.Height());
}

void TCustomGrid::CalcDrawInfoXY(TGridDrawInfo& info, int width, int height) {
    info.Horz = CalcGridAxis(ColSpan(), fixedCols_, topLeft_.X, HorzLineWidth(), width);
    info.Vert = CalcGridAxis(RowSpan(), fixedRows_, topLeft_.Y, VertLineWidth(), height);
}

int TCustomGrid::MaxLeftCol() {
    return GridMaxFirstCell(ColSpan(), fixedCols_, HorzLineWidth(), ClientWidth());
}

int TCustomGrid::MaxTopRow() {
    return GridMaxFirstCell(RowSpan(), fixedRows_, VertLineWidth(), ClientHeight());
}

int TCustomGrid::VisibleColCount() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return std::max(info.Horz.LastFullVisibleCell - topLeft_.X + 1, 0);
}

int TCustomGrid::VisibleRowCount() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return std::max(info.Vert.LastFullVisibleCell - topLeft_.Y + 1, 0);
}

int TCustomGrid::GridWidth() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Horz.GridBoundary;
}

int TCustomGrid::GridHeight() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return info.Vert.GridBoundary;
}

TRect TCustomGrid::CellRect(int aCol, int aRow) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int x = GridCellStart(info.Horz, ColSpan(), aCol);
    const int y = GridCellStart(info.Vert, RowSpan(), aRow);
    if (x < 0 || y < 0)
        return TRect{};
    return TRect{x, y, x + std::max(colWidths_[static_cast<std::size_t>(aCol)], 0),
                 y + std::max(rowHeights_[static_cast<std::size_t>(aRow)], 0)};
}

TGridCoord TCustomGrid::MouseCoord(int x, int y) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    return TGridCoord{GridCellAtPixel(info.Horz, ColSpan(), x), GridCellAtPixel(info.Vert, RowSpan(), y)};
}

void TCustomGrid::MouseToCell(int x, int y, int& aCol, int& aRow) {
    const TGridCoord cell = MouseCoord(x, y);
    aCol = cell.X;
    aRow = cell.Y;
}

// ---- Current cell, selection, scrolling ---------------------------------------------------------------

void TCustomGrid::SetCol(int value) {
    MoveColRow(value, current_.Y, true, true);
}

void TCustomGrid::SetRow(int value) {
    MoveColRow(current_.X, value, true, true);
}

TGridRect TCustomGrid::Selection() const {
    TGridRect r{std::min(anchor_.X, current_.X), std::min(anchor_.Y, current_.Y), std::max(anchor_.X, current_.X),
                std::max(anchor_.Y, current_.Y)};
    if (options_.Contains(goRowSelect)) {
        r.Left = fixedCols_;
        r.Right = ColCount() - 1;
    }
    return r;
}

void TCustomGrid::SetSelection(const TGridRect& value) {
    const TGridRect old = Selection();
    anchor_ = TGridCoord{value.Left, value.Top};
    const TGridCoord oldCurrent = current_;
    current_ = TGridCoord{value.Right, value.Bottom};
    ClampCurrent();
    if (!(current_ == oldCurrent)) {
        UpdateText();
        UpdateEditor();
    }
    InvalidateCells(old);
    InvalidateCells(Selection());
    ClampInView(current_.X, current_.Y);
}

void TCustomGrid::MoveColRow(int aCol, int aRow, bool moveAnchor, bool show) {
    aCol = std::clamp(aCol, fixedCols_, std::max(fixedCols_, ColCount() - 1));
    aRow = std::clamp(aRow, fixedRows_, std::max(fixedRows_, RowCount() - 1));
    const TGridCoord target{aCol, aRow};
    const bool cellChanges = !(target == current_);
    if (!options_.Contains(goRangeSelect))
        moveAnchor = true;
    if (!cellChanges && (!moveAnchor || anchor_ == current_)) {
        if (show)
            ClampInView(aCol, aRow);
        return;
    }
    if (cellChanges && !SelectCell(aCol, aRow))
        return;
    if (cellChanges)
        UpdateText();
    const TGridRect oldSelection = Selection();
    const TGridCoord oldCurrent = current_;
    current_ = target;
    if (moveAnchor)
        anchor_ = current_;
    InvalidateCells(oldSelection);
    InvalidateCell(oldCurrent.X, oldCurrent.Y);
    InvalidateCells(Selection());
    if (show)
        ClampInView(aCol, aRow);
    if (cellChanges)
        UpdateEditor();
}

void TCustomGrid::ClampInView(int aCol, int aRow) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int left = topLeft_.X;
    int top = topLeft_.Y;
    if (!options_.Contains(goRowSelect)) {
        if (aCol < left)
            left = aCol;
        else if (aCol > info.Horz.LastFullVisibleCell)
            left = GridFirstCellShowing(ColSpan(), fixedCols_, HorzLineWidth(), info.Horz.GridExtent, aCol);
    }
    if (aRow < top)
        top = aRow;
    else if (aRow > info.Vert.LastFullVisibleCell)
        top = GridFirstCellShowing(RowSpan(), fixedRows_, VertLineWidth(), info.Vert.GridExtent, aRow);
    MoveTopLeft(left, top);
}

void TCustomGrid::MoveTopLeft(int aLeft, int aTop) {
    aLeft = std::clamp(aLeft, fixedCols_, std::max(fixedCols_, MaxLeftCol()));
    aTop = std::clamp(aTop, fixedRows_, std::max(fixedRows_, MaxTopRow()));
    const bool horz = aLeft != topLeft_.X;
    const bool vert = aTop != topLeft_.Y;
    if (!horz && !vert)
        return;
    topLeft_ = TGridCoord{aLeft, aTop};
    InvalidateScrolled(horz, vert);
    UpdateScrollRange();
    PlaceEditor();
    TopLeftChanged();
}

void TCustomGrid::InvalidateScrolled(bool horz, bool vert) {
    if (!HandleAllocated())
        return;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const TRect client = ClientRect();
    if (horz) {
        const RECT r = ToWinRect(TRect{info.Horz.FixedBoundary, 0, client.Right, client.Bottom});
        ::InvalidateRect(WindowHandle(), &r, FALSE);
    }
    if (vert) {
        const RECT r = ToWinRect(TRect{0, info.Vert.FixedBoundary, client.Right, client.Bottom});
        ::InvalidateRect(WindowHandle(), &r, FALSE);
    }
}

void TCustomGrid::InvalidateCells(const TGridRect& cells) {
    if (!HandleAllocated())
        return;
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int x0 = 0, x1 = 0, y0 = 0, y1 = 0;
    if (!ShownSpan(info.Horz, ColSpan(), cells.Left, cells.Right, x0, x1) ||
        !ShownSpan(info.Vert, RowSpan(), cells.Top, cells.Bottom, y0, y1))
        return;
    const RECT r = ToWinRect(TRect{x0, y0, x1, y1});
    ::InvalidateRect(WindowHandle(), &r, FALSE);
}

void TCustomGrid::InvalidateCell(int aCol, int aRow) {
    InvalidateCells(TGridRect{aCol, aRow, aCol, aRow});
}

void TCustomGrid::InvalidateRow(int aRow) {
    InvalidateCells(TGridRect{0, aRow, ColCount() - 1, aRow});
}

void TCustomGrid::InvalidateCol(int aCol) {
    InvalidateCells(TGridRect{aCol, 0, aCol, RowCount() - 1});
}

void TCustomGrid::MoveColumn(int fromIndex, int toIndex) {
    CheckCellIndex(fromIndex, ColCount(), "Column");
    CheckCellIndex(toIndex, ColCount(), "Column");
    if (fromIndex == toIndex)
        return;
    UpdateText();
    auto moveItem = [&](auto& list) {
        auto value = list[static_cast<std::size_t>(fromIndex)];
        list.erase(list.begin() + fromIndex);
        list.insert(list.begin() + toIndex, value);
    };
    moveItem(colWidths_);
    moveItem(tabStops_);
    auto follow = [&](int& index) {
        if (index == fromIndex)
            index = toIndex;
        else if (fromIndex < index && index <= toIndex)
            --index;
        else if (toIndex <= index && index < fromIndex)
            ++index;
    };
    follow(current_.X);
    follow(anchor_.X);
    ColumnMoved(fromIndex, toIndex);
    InvalidateGrid();
    UpdateEditor();
}

void TCustomGrid::MoveRow(int fromIndex, int toIndex) {
    CheckCellIndex(fromIndex, RowCount(), "Row");
    CheckCellIndex(toIndex, RowCount(), "Row");
    if (fromIndex == toIndex)
        return;
    UpdateText();
    const int height = rowHeights_[static_cast<std::size_t>(fromIndex)];
    rowHeights_.erase(rowHeights_.begin() + fromIndex);
    rowHeights_.insert(rowHeights_.begin() + toIndex, height);
    auto follow = [&](int& index) {
        if (index == fromIndex)
            index = toIndex;
        else if (fromIndex < index && index <= toIndex)
            --index;
        else if (toIndex <= index && index < fromIndex)
            ++index;
    };
    follow(current_.Y);
    follow(anchor_.Y);
    RowMoved(fromIndex, toIndex);
    InvalidateGrid();
    UpdateEditor();
}

// ---- Scroll bars --------------------------------------------------------------------------------------

void TCustomGrid::UpdateScrollRange() {
    if (!HandleAllocated() || updatingScrollBars_)
        return;
    updatingScrollBars_ = true;
    try {
        // Showing or hiding one bar changes the other's space: at most two passes settle it.
        for (int pass = 0; pass < 2; ++pass) {
            const TRect before = ClientRect();
            ClampCurrent();
            if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
                UpdateScrollBar(SB_HORZ);
            if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
                UpdateScrollBar(SB_VERT);
            if (ClientRect() == before)
                break;
        }
    } catch (...) {
        updatingScrollBars_ = false;
        throw;
    }
    updatingScrollBars_ = false;
}

void TCustomGrid::UpdateScrollBar(int bar) {
    if (!HandleAllocated())
        return;
    const bool horz = bar == SB_HORZ;
    const int fixed = horz ? fixedCols_ : fixedRows_;
    const int count = horz ? ColCount() : RowCount();
    const int maxFirst = horz ? MaxLeftCol() : MaxTopRow();
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (count > fixed && maxFirst > fixed) {
        info.nMin = fixed;
        info.nMax = count - 1;
        info.nPage = static_cast<UINT>(count - maxFirst);
        info.nPos = horz ? topLeft_.X : topLeft_.Y;
    }
    SetScrollInfo(WindowHandle(), bar, &info, TRUE);
}

void TCustomGrid::ModifyScrollBar(int bar, int scrollCode, int pos) {
    const bool horz = bar == SB_HORZ;
    const int first = horz ? topLeft_.X : topLeft_.Y;
    const int page = std::max(horz ? VisibleColCount() : VisibleRowCount(), 1);
    int target = first;
    switch (scrollCode) {
    case SB_LINEUP: target = first - 1; break;
    case SB_LINEDOWN: target = first + 1; break;
    case SB_PAGEUP: target = first - page; break;
    case SB_PAGEDOWN: target = first + page; break;
    case SB_THUMBPOSITION: target = pos; break;
    case SB_THUMBTRACK:
        if (!options_.Contains(goThumbTracking))
            return;
        target = pos;
        break;
    case SB_TOP: target = horz ? fixedCols_ : fixedRows_; break;
    case SB_BOTTOM: target = horz ? MaxLeftCol() : MaxTopRow(); break;
    default: return;
    }
    if (horz)
        MoveTopLeft(target, topLeft_.Y);
    else
        MoveTopLeft(topLeft_.X, target);
}

void TCustomGrid::WMScroll(TMessage& m, int bar) {
    if (m.LParam != 0) {  // a scroll bar control: its own notification
        inherited::Dispatch(m);
        return;
    }
    const int code = LOWORD(m.WParam);
    int pos = static_cast<short>(HIWORD(m.WParam));
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        if (GetScrollInfo(WindowHandle(), bar, &info))
            pos = info.nTrackPos;
    }
    ModifyScrollBar(bar, code, pos);
    m.Result = 0;
}

// ---- Editor -------------------------------------------------------------------------------------------

TInplaceEdit* TCustomGrid::CreateEditor() {
    return New<TInplaceEdit>(this);
}

bool TCustomGrid::CanEditShow() {
    return options_.Contains(goEditing) && !options_.Contains(goRowSelect) &&
           (editorMode_ || options_.Contains(goAlwaysShowEditor)) && HandleAllocated() &&
           !(ComponentState() & csDesigning);
}

bool TCustomGrid::FocusedInEditor() {
    return editor_ && editor_->Focused();
}

bool TCustomGrid::GridFocused() {
    return Focused() || FocusedInEditor();
}

void TCustomGrid::ShowEditor() {
    editorMode_ = true;
    if (!CanEditShow()) {
        editorMode_ = false;
        return;
    }
    if (!editor_) {
        editor_ = CreateEditor();
        editor_->SetParent(this);
    }
    editor_->UpdateContents();
    const bool hadFocus = Focused();
    PlaceEditor();
    if (hadFocus && editor_->EditorVisible())
        ::SetFocus(editor_->Handle());
    if (editor_->EditorVisible())
        editor_->SelectAll();
}

void TCustomGrid::HideEditor() {
    editorMode_ = false;
    if (!editor_ || !editor_->EditorVisible())
        return;
    UpdateText();
    editor_->HideEditor();
    InvalidateCell(current_.X, current_.Y);
}

void TCustomGrid::SetEditorMode(bool value) {
    if (value)
        ShowEditor();
    else
        HideEditor();
}

void TCustomGrid::PlaceEditor() {
    if (!editor_ || !editorMode_)
        return;
    const TRect r = CellRect(current_.X, current_.Y);
    if (r.IsEmpty())
        editor_->HideEditor();
    else
        editor_->Move(r);
}

void TCustomGrid::UpdateEditor() {
    if (!editorMode_ && !options_.Contains(goAlwaysShowEditor))
        return;
    if (!CanEditShow()) {
        HideEditor();
        return;
    }
    if (!editor_ || !editorMode_) {
        ShowEditor();
        return;
    }
    editor_->UpdateContents();
    PlaceEditor();
    if (editor_->EditorVisible())
        editor_->SelectAll();
}

void TCustomGrid::InvalidateEditor() {
    if (editor_ && editorMode_)
        editor_->UpdateContents();
}

void TCustomGrid::ShowEditorChar(wchar_t ch) {
    ShowEditor();
    if (!editor_ || !editor_->EditorVisible())
        return;
    editor_->SelectAll();
    editor_->Perform(WM_CHAR, static_cast<WPARAM>(ch), 1);
}

void TCustomGrid::UpdateText() {
    if (!editor_ || !editor_->EditorVisible() || !editor_->Modified())
        return;
    SetEditText(current_.X, current_.Y, editor_->Text());
    editor_->SetModified(false);
}

// ---- Painting -----------------------------------------------------------------------------------------

void TCustomGrid::PaintLines(const TGridDrawInfo& info, int firstCol, int firstRow, const TRect& area, bool vertLines,
                             bool horzLines, TColor color) {
    if (area.IsEmpty())
        return;
    TCanvas* canvas = Canvas();
    canvas->Brush()->SetColor(color);
    const int hLine = info.Horz.EffectiveLineWidth;
    const int vLine = info.Vert.EffectiveLineWidth;
    if (vertLines && hLine > 0) {
        int x = area.Left;
        for (int c = firstCol; c < ColCount() && x < area.Right; ++c) {
            const int advance = GridCellAdvance(ColSpan(), c, hLine);
            if (advance > 0) {
                const int lineStart = x + advance - hLine;
                canvas->FillRect(TRect{std::max(lineStart, area.Left), area.Top, std::min(x + advance, area.Right),
                                       area.Bottom});
            }
            x += advance;
        }
    }
    if (horzLines && vLine > 0) {
        int y = area.Top;
        for (int r = firstRow; r < RowCount() && y < area.Bottom; ++r) {
            const int advance = GridCellAdvance(RowSpan(), r, vLine);
            if (advance > 0) {
                const int lineStart = y + advance - vLine;
                canvas->FillRect(TRect{area.Left, std::max(lineStart, area.Top), area.Right,
                                       std::min(y + advance, area.Bottom)});
            }
            y += advance;
        }
    }
}

TGridDrawState TCustomGrid::CellDrawState(int aCol, int aRow) {
    TGridDrawState state;
    if (Selection().Contains(aCol, aRow))
        state.Include(gdSelected);
    if (aCol == current_.X && aRow == current_.Y && GridFocused())
        state.Include(gdFocused);
    return state;
}

void TCustomGrid::PaintCells(const TGridDrawInfo& info, int firstCol, int firstRow, const TRect& area,
                             TGridDrawState baseState) {
    if (area.IsEmpty())
        return;
    TCanvas* canvas = Canvas();
    const TRect clip = canvas->ClipRect();
    const bool fixed = baseState.Contains(gdFixed);
    const bool focused = GridFocused();
    const TGridRect selection = Selection();
    const bool editorUp = editor_ && editor_->EditorVisible();
    const bool highlightFocused = options_.Contains(goDrawFocusSelected) || options_.Contains(goRowSelect);
    const int hLine = info.Horz.EffectiveLineWidth;
    const int vLine = info.Vert.EffectiveLineWidth;
    const TColor fontColor = Font()->Color();
    int y = area.Top;
    for (int r = firstRow; r < RowCount() && y < area.Bottom; ++r) {
        const int height = rowHeights_[static_cast<std::size_t>(r)];
        const int rowAdvance = GridCellAdvance(RowSpan(), r, vLine);
        if (height > 0 && y + height > clip.Top && y < clip.Bottom) {
            int x = area.Left;
            for (int c = firstCol; c < ColCount() && x < area.Right; ++c) {
                const int width = colWidths_[static_cast<std::size_t>(c)];
                if (width > 0 && x + width > clip.Left && x < clip.Right) {
                    const TRect rect{x, y, x + width, y + height};
                    TGridDrawState state = baseState;
                    if (!fixed) {
                        if (selection.Contains(c, r))
                            state.Include(gdSelected);
                        if (focused && c == current_.X && r == current_.Y)
                            state.Include(gdFocused);
                    }
                    if (defaultDrawing_) {
                        TColor back = Color();
                        TColor text = fontColor;
                        if (fixed) {
                            back = fixedColor_;
                        } else if (state.Contains(gdSelected) && (!state.Contains(gdFocused) || highlightFocused)) {
                            back = clHighlight;
                            text = clHighlightText;
                        }
                        canvas->Brush()->SetColor(back);
                        canvas->Font()->SetColor(text);
                        canvas->FillRect(rect);
                    }
                    DrawCell(c, r, rect, state);
                    if (defaultDrawing_ && fixed) {
                        canvas->Brush()->SetColor(clBtnHighlight);
                        canvas->FillRect(TRect{rect.Left, rect.Top, rect.Right - 1, rect.Top + 1});
                        canvas->FillRect(TRect{rect.Left, rect.Top, rect.Left + 1, rect.Bottom - 1});
                        canvas->Brush()->SetColor(clBtnShadow);
                        canvas->FillRect(TRect{rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom});
                        canvas->FillRect(TRect{rect.Right - 1, rect.Top, rect.Right, rect.Bottom});
                    }
                    if (defaultDrawing_ && state.Contains(gdFocused) && !options_.Contains(goRowSelect) && !editorUp)
                        canvas->DrawFocusRect(rect);
                }
                x += GridCellAdvance(ColSpan(), c, hLine);
            }
        }
        y += rowAdvance;
    }
}

void TCustomGrid::Paint() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TCanvas* canvas = Canvas();
    canvas->SetFont(Font());
    const TRect client = ClientRect();
    const TRect clip = canvas->ClipRect();
    const int fx = info.Horz.FixedBoundary;
    const int fy = info.Vert.FixedBoundary;
    const int gx = std::max(info.Horz.GridBoundary, fx);
    const int gy = std::max(info.Vert.GridBoundary, fy);
    const bool fixedVert = options_.Contains(goFixedVertLine);
    const bool fixedHorz = options_.Contains(goFixedHorzLine);
    struct TRegion {
        TRect Area;
        int FirstCol;
        int FirstRow;
        bool Fixed;
    };
    const TRegion regions[] = {
        {TRect{0, 0, fx, fy}, 0, 0, true},
        {TRect{fx, 0, gx, fy}, topLeft_.X, 0, true},
        {TRect{0, fy, fx, gy}, 0, topLeft_.Y, true},
        {TRect{fx, fy, gx, gy}, topLeft_.X, topLeft_.Y, false},
    };
    for (const TRegion& region : regions) {
        const TRect& a = region.Area;
        if (a.IsEmpty() || a.Right <= clip.Left || a.Left >= clip.Right || a.Bottom <= clip.Top || a.Top >= clip.Bottom)
            continue;
        if (region.Fixed)
            PaintLines(info, region.FirstCol, region.FirstRow, a, fixedVert, fixedHorz, clBlack);
        else
            PaintLines(info, region.FirstCol, region.FirstRow, a, options_.Contains(goVertLine),
                       options_.Contains(goHorzLine), clSilver);
        PaintCells(info, region.FirstCol, region.FirstRow, a, region.Fixed ? TGridDrawState{gdFixed} : TGridDrawState{});
    }
    canvas->Brush()->SetColor(Color());
    if (gx < client.Right)
        canvas->FillRect(TRect{gx, 0, client.Right, client.Bottom});
    if (gy < client.Bottom)
        canvas->FillRect(TRect{0, gy, gx, client.Bottom});
    if (defaultDrawing_ && options_.Contains(goRowSelect) && GridFocused()) {
        const TRect first = CellRect(topLeft_.X, current_.Y);
        if (!first.IsEmpty())
            canvas->DrawFocusRect(TRect{first.Left, first.Top, gx, first.Bottom});
    }
}

// ---- Mouse states -------------------------------------------------------------------------------------

void TCustomGrid::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                  TGridDrawInfo& info) {
    state = gsNormal;
    index = -1;
    if (options_.Contains(goColSizing) && y >= 0 && y < info.Vert.FixedBoundary &&
        GridSizingLineAt(info.Horz, ColSpan(), x, kSizingMargin, index, sizingPos, sizingOfs)) {
        state = gsColSizing;
        return;
    }
    if (options_.Contains(goRowSizing) && x >= 0 && x < info.Horz.FixedBoundary &&
        GridSizingLineAt(info.Vert, RowSpan(), y, kSizingMargin, index, sizingPos, sizingOfs)) {
        state = gsRowSizing;
        return;
    }
    index = -1;
}

void TCustomGrid::DrawSizingLine() {
    const bool cols = gridState_ == gsColSizing;
    const int pos = sizingPos_;
    const TRect client = ClientRect();
    DrawOutsidePaint(this, [&](TCanvas& canvas) {
        canvas.Pen()->SetStyle(psSolid);
        canvas.Pen()->SetWidth(1);
        canvas.Pen()->SetMode(pmNot);
        if (cols) {
            canvas.MoveTo(pos, 0);
            canvas.LineTo(pos, client.Bottom);
        } else {
            canvas.MoveTo(0, pos);
            canvas.LineTo(client.Right, pos);
        }
    });
    sizingLineShown_ = !sizingLineShown_;
}

int TCustomGrid::MoveTarget(int x, int y) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const bool cols = gridState_ == gsColMoving;
    const TGridAxisDrawInfo& axis = cols ? info.Horz : info.Vert;
    std::span<const int> extents = cols ? ColSpan() : RowSpan();
    const int pixel = cols ? x : y;
    const int fixed = cols ? fixedCols_ : fixedRows_;
    const int count = cols ? ColCount() : RowCount();
    int cell;
    if (pixel < axis.FixedBoundary)
        cell = cols ? topLeft_.X : topLeft_.Y;
    else if (pixel >= axis.GridBoundary)
        cell = std::max(axis.LastFullVisibleCell, cols ? topLeft_.X : topLeft_.Y);
    else
        cell = GridCellAtPixel(axis, extents, pixel);
    return std::clamp(cell, fixed, std::max(fixed, count - 1));
}

void TCustomGrid::DrawMoveMarker() {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const bool cols = gridState_ == gsColMoving;
    const TGridAxisDrawInfo& axis = cols ? info.Horz : info.Vert;
    std::span<const int> extents = cols ? ColSpan() : RowSpan();
    if (!moveMarkerShown_) {
        const int start = GridCellStart(axis, extents, moveTo_);
        if (start < 0) {
            moveMarkerPos_ = moveTo_ > moveFrom_ ? axis.GridBoundary - 1 : axis.FixedBoundary;
        } else {
            const int extent = std::max(extents[static_cast<std::size_t>(moveTo_)], 0);
            moveMarkerPos_ = moveTo_ > moveFrom_ ? start + extent : start;
        }
    }
    const int pos = moveMarkerPos_;
    const int across = cols ? info.Vert.GridBoundary : info.Horz.GridBoundary;
    DrawOutsidePaint(this, [&](TCanvas& canvas) {
        canvas.Pen()->SetStyle(psSolid);
        canvas.Pen()->SetWidth(3);
        canvas.Pen()->SetMode(pmXor);
        if (cols) {
            canvas.MoveTo(pos, 0);
            canvas.LineTo(pos, across);
        } else {
            canvas.MoveTo(0, pos);
            canvas.LineTo(across, pos);
        }
    });
    moveMarkerShown_ = !moveMarkerShown_;
}

void TCustomGrid::BeginColumnMoving(int aCol, int x, int y) {
    if (aCol < fixedCols_ || aCol >= ColCount())
        return;
    HideEditor();
    gridState_ = gsColMoving;
    moveFrom_ = aCol;
    moveTo_ = aCol;
    moveMarkerShown_ = false;
    if (HandleAllocated()) {
        Update();
        DrawMoveMarker();
        SetTimer(WindowHandle(), kScrollTimer, kScrollInterval, nullptr);
        timerOn_ = true;
    }
    if (!MouseCapture())
        SetMouseCapture(true);
}

void TCustomGrid::StopTimer() {
    if (timerOn_ && HandleAllocated())
        KillTimer(WindowHandle(), kScrollTimer);
    timerOn_ = false;
}

void TCustomGrid::CancelGridState() {
    if (sizingLineShown_)
        DrawSizingLine();
    if (moveMarkerShown_)
        DrawMoveMarker();
    StopTimer();
    gridState_ = gsNormal;
}

void TCustomGrid::TimedScroll(TGridScrollDirection direction) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    if (gridState_ == gsSelecting) {
        TGridCoord cell = current_;
        if (direction.Contains(sdLeft))
            cell.X = topLeft_.X - 1;
        else if (direction.Contains(sdRight))
            cell.X = info.Horz.LastFullVisibleCell + 1;
        if (direction.Contains(sdUp))
            cell.Y = topLeft_.Y - 1;
        else if (direction.Contains(sdDown))
            cell.Y = info.Vert.LastFullVisibleCell + 1;
        MoveColRow(cell.X, cell.Y, !options_.Contains(goRangeSelect), true);
        return;
    }
    if (gridState_ != gsColMoving && gridState_ != gsRowMoving)
        return;
    int left = topLeft_.X;
    int top = topLeft_.Y;
    if (direction.Contains(sdLeft)) --left;
    if (direction.Contains(sdRight)) ++left;
    if (direction.Contains(sdUp)) --top;
    if (direction.Contains(sdDown)) ++top;
    if (left == topLeft_.X && top == topLeft_.Y)
        return;
    const bool shown = moveMarkerShown_;
    if (shown)
        DrawMoveMarker();
    MoveTopLeft(left, top);
    Update();
    if (shown) {
        POINT p;
        GetCursorPos(&p);
        const TPoint local = ScreenToClient(Point(p.x, p.y));
        moveTo_ = MoveTarget(local.X, local.Y);
        DrawMoveMarker();
    }
}

void TCustomGrid::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
    if (!GridFocused() && HandleAllocated() && IsWindowVisible(WindowHandle())) {
        if (CanFocus())
            SetFocus();
        else
            ::SetFocus(WindowHandle());
        if (guard.Destroyed())
            return;
    }
    if (button == mbLeft && !shift.Contains(ssDouble)) {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        TGridState state = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(x, y, state, index, pos, ofs, info);
        if (state == gsColSizing || state == gsRowSizing) {
            UpdateText();
            gridState_ = state;
            sizingIndex_ = index;
            sizingPos_ = pos;
            sizingOfs_ = ofs;
            sizingLineShown_ = false;
            DrawSizingLine();
        } else {
            const TGridCoord cell = MouseCoord(x, y);
            const bool inCells = cell.X >= fixedCols_ && cell.Y >= fixedRows_;
            if (inCells) {
                const bool extend = IsShiftOnly(shift) && options_.Contains(goRangeSelect);
                if (options_.Contains(goEditing) && cell == current_ && !extend) {
                    ShowEditor();
                } else {
                    MoveColRow(cell.X, cell.Y, !extend, true);
                    if (!options_.Contains(goEditing) || options_.Contains(goRowSelect)) {
                        gridState_ = gsSelecting;
                        if (HandleAllocated()) {
                            SetTimer(WindowHandle(), kScrollTimer, kScrollInterval, nullptr);
                            timerOn_ = true;
                        }
                    }
                }
            } else if (options_.Contains(goColMoving) && cell.Y >= 0 && cell.Y < fixedRows_ && cell.X >= fixedCols_) {
                BeginColumnMoving(cell.X, x, y);
            } else if (options_.Contains(goRowMoving) && cell.X >= 0 && cell.X < fixedCols_ && cell.Y >= fixedRows_) {
                HideEditor();
                gridState_ = gsRowMoving;
                moveFrom_ = moveTo_ = cell.Y;
                moveMarkerShown_ = false;
                if (HandleAllocated()) {
                    Update();
                    DrawMoveMarker();
                    SetTimer(WindowHandle(), kScrollTimer, kScrollInterval, nullptr);
                    timerOn_ = true;
                }
            }
        }
    }
    if (guard.Destroyed())
        return;
    inherited::MouseDown(button, shift, x, y);
}

void TCustomGrid::MouseMove(TShiftState shift, int x, int y) {
    switch (gridState_) {
    case gsSelecting: {
        const TGridCoord cell = MouseCoord(x, y);
        if (cell.X >= fixedCols_ && cell.Y >= fixedRows_)
            MoveColRow(cell.X, cell.Y, !options_.Contains(goRangeSelect), true);
        break;
    }
    case gsColSizing:
    case gsRowSizing: {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        const bool cols = gridState_ == gsColSizing;
        const int start = GridCellStart(cols ? info.Horz : info.Vert, cols ? ColSpan() : RowSpan(), sizingIndex_);
        const int pos = std::max((cols ? x : y) - sizingOfs_, std::max(start, 0) + 1);
        if (pos != sizingPos_) {
            if (sizingLineShown_)
                DrawSizingLine();
            sizingPos_ = pos;
            DrawSizingLine();
        }
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        const int target = MoveTarget(x, y);
        if (target != moveTo_) {
            if (moveMarkerShown_)
                DrawMoveMarker();
            moveTo_ = target;
            DrawMoveMarker();
        }
        break;
    }
    default:
        break;
    }
    inherited::MouseMove(shift, x, y);
}

void TCustomGrid::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
    switch (gridState_) {
    case gsSelecting:
        StopTimer();
        gridState_ = gsNormal;
        break;
    case gsColSizing:
    case gsRowSizing: {
        if (sizingLineShown_)
            DrawSizingLine();
        TGridDrawInfo info;
        CalcDrawInfo(info);
        const bool cols = gridState_ == gsColSizing;
        const int start = GridCellStart(cols ? info.Horz : info.Vert, cols ? ColSpan() : RowSpan(), sizingIndex_);
        const int size = std::max(sizingPos_ - std::max(start, 0), 1);
        // The hooks see the sizing state while the new size goes in.
        try {
            if (cols)
                SetColWidths(sizingIndex_, size);
            else
                SetRowHeights(sizingIndex_, size);
        } catch (...) {
            gridState_ = gsNormal;
            throw;
        }
        if (guard.Destroyed())
            return;
        gridState_ = gsNormal;
        break;
    }
    case gsColMoving:
    case gsRowMoving: {
        if (moveMarkerShown_)
            DrawMoveMarker();
        StopTimer();
        const bool cols = gridState_ == gsColMoving;
        gridState_ = gsNormal;
        if (moveTo_ != moveFrom_) {
            if (cols)
                MoveColumn(moveFrom_, moveTo_);
            else
                MoveRow(moveFrom_, moveTo_);
            if (guard.Destroyed())
                return;
        }
        break;
    }
    default:
        break;
    }
    inherited::MouseUp(button, shift, x, y);
}

bool TCustomGrid::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (inherited::DoMouseWheelDown(shift, mousePos))
        return true;
    MoveColRow(current_.X, current_.Y + 1, true, true);
    return true;
}

bool TCustomGrid::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (inherited::DoMouseWheelUp(shift, mousePos))
        return true;
    MoveColRow(current_.X, current_.Y - 1, true, true);
    return true;
}

// ---- Keys ---------------------------------------------------------------------------------------------

void TCustomGrid::KeyDown(WORD& key, TShiftState shift) {
    inherited::KeyDown(key, shift);
    if (key == 0 || !CanGridAcceptKey(key, shift))
        return;
    const bool ctrl = shift.Contains(ssCtrl);
    const bool rowSelect = options_.Contains(goRowSelect);
    const bool extend = shift.Contains(ssShift) && options_.Contains(goRangeSelect);
    TGridCoord target = current_;
    switch (key) {
    case VK_UP: target.Y -= 1; break;
    case VK_DOWN: target.Y += 1; break;
    case VK_LEFT:
        if (rowSelect) {
            MoveTopLeft(topLeft_.X - 1, topLeft_.Y);
            key = 0;
            return;
        }
        target.X -= 1;
        break;
    case VK_RIGHT:
        if (rowSelect) {
            MoveTopLeft(topLeft_.X + 1, topLeft_.Y);
            key = 0;
            return;
        }
        target.X += 1;
        break;
    case VK_PRIOR:
    case VK_NEXT: {
        const int page = std::max(VisibleRowCount(), 1) * (key == VK_PRIOR ? -1 : 1);
        MoveTopLeft(topLeft_.X, topLeft_.Y + page);
        target.Y += page;
        break;
    }
    case VK_HOME:
        if (ctrl)
            target = TGridCoord{fixedCols_, fixedRows_};
        else if (rowSelect)
            target.Y = fixedRows_;
        else
            target.X = fixedCols_;
        break;
    case VK_END:
        if (ctrl)
            target = TGridCoord{ColCount() - 1, RowCount() - 1};
        else if (rowSelect)
            target.Y = RowCount() - 1;
        else
            target.X = ColCount() - 1;
        break;
    case VK_TAB: {
        if (!options_.Contains(goTabs) || shift.Contains(ssAlt))
            return;
        const bool forward = !shift.Contains(ssShift);
        if (rowSelect) {
            target.Y += forward ? 1 : -1;
        } else {
            // The next column with a tab stop, wrapping to the next (previous) row.
            TGridCoord cell = current_;
            const int cols = ColCount() - fixedCols_;
            for (int step = 0; step < cols * 2 + 1; ++step) {
                cell.X += forward ? 1 : -1;
                if (cell.X >= ColCount()) {
                    if (cell.Y + 1 >= RowCount())
                        break;
                    cell.X = fixedCols_;
                    ++cell.Y;
                } else if (cell.X < fixedCols_) {
                    if (cell.Y - 1 < fixedRows_)
                        break;
                    cell.X = ColCount() - 1;
                    --cell.Y;
                }
                if (tabStops_[static_cast<std::size_t>(cell.X)] && colWidths_[static_cast<std::size_t>(cell.X)] > 0) {
                    target = cell;
                    break;
                }
            }
        }
        MoveColRow(target.X, target.Y, true, true);
        key = 0;
        return;
    }
    case VK_ESCAPE:
        if (editorMode_) {
            InvalidateEditor();  // the cell's own text back
            if (!options_.Contains(goAlwaysShowEditor))
                HideEditor();
            key = 0;
        }
        return;
    case VK_F2:
        if (options_.Contains(goEditing)) {
            ShowEditor();
            key = 0;
        }
        return;
    default:
        return;
    }
    MoveColRow(target.X, target.Y, !extend, true);
    key = 0;
}

void TCustomGrid::KeyPress(wchar_t& key) {
    inherited::KeyPress(key);
    if (key == 0 || !options_.Contains(goEditing) || options_.Contains(goRowSelect))
        return;
    if (key == L'\r') {
        if (!options_.Contains(goAlwaysShowEditor))
            SetEditorMode(!editorMode_);
        key = 0;
        return;
    }
    if (key >= 32 && (!editor_ || !editor_->EditorVisible())) {
        if (!CanEditAcceptKey(key) || !CanEditModify()) {
            key = 0;
            return;
        }
        ShowEditorChar(key);
        key = 0;
    }
}

// ---- Window -------------------------------------------------------------------------------------------

void TCustomGrid::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
    if (scrollBars_ == ssHorizontal || scrollBars_ == ssBoth)
        params.Style |= WS_HSCROLL;
    if (scrollBars_ == ssVertical || scrollBars_ == ssBoth)
        params.Style |= WS_VSCROLL;
    if (borderStyle_ == bsSingle)
        params.ExStyle |= WS_EX_CLIENTEDGE;
    params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

void TCustomGrid::CreateWnd() {
    inherited::CreateWnd();
    UpdateScrollRange();
}

void TCustomGrid::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: return WMGetDlgCode(m);
    case WM_SIZE:
        inherited::Dispatch(m);
        return WMSizeGrid(m);
    case WM_SETCURSOR: return WMSetCursorGrid(m);
    case WM_SETFOCUS:
        inherited::Dispatch(m);
        return WMSetFocusGrid(m);
    case WM_KILLFOCUS:
        inherited::Dispatch(m);
        return WMKillFocusGrid(m);
    case WM_TIMER: return WMTimer(m);
    case WM_HSCROLL: return WMScroll(m, SB_HORZ);
    case WM_VSCROLL: return WMScroll(m, SB_VERT);
    case WM_CANCELMODE: return WMCancelModeGrid(m);
    case WM_ERASEBKGND: m.Result = 1; return;  // Paint covers the client area
    default: return inherited::Dispatch(m);
    }
}

void TCustomGrid::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == editor_) {
        editor_ = nullptr;
        editorMode_ = false;
    }
}

void TCustomGrid::WMGetDlgCode(TMessage& m) {
    m.Result = DLGC_WANTARROWS;
    if (options_.Contains(goTabs))
        m.Result |= DLGC_WANTTAB;
    if (options_.Contains(goEditing))
        m.Result |= DLGC_WANTCHARS;
}

void TCustomGrid::WMSizeGrid(TMessage&) {
    ClampCurrent();
    UpdateScrollRange();
    PlaceEditor();
}

void TCustomGrid::WMSetCursorGrid(TMessage& m) {
    const auto window = reinterpret_cast<HWND>(m.WParam);
    if (gridState_ == gsNormal && window == WindowHandle() && static_cast<short>(LOWORD(m.LParam)) == HTCLIENT) {
        POINT p;
        GetCursorPos(&p);
        const TPoint local = ScreenToClient(Point(p.x, p.y));
        TGridDrawInfo info;
        CalcDrawInfo(info);
        TGridState state = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(local.X, local.Y, state, index, pos, ofs, info);
        if (state == gsColSizing || state == gsRowSizing) {
            const TCursor cursor = state == gsColSizing ? crHSplit : crVSplit;
            ::SetCursor(Screen ? Screen->Cursors(cursor)
                               : LoadCursorW(nullptr, state == gsColSizing ? IDC_SIZEWE : IDC_SIZENS));
            m.Result = 1;
            return;
        }
    }
    inherited::Dispatch(m);
}

void TCustomGrid::WMSetFocusGrid(TMessage&) {
    if (editorMode_ && editor_ && editor_->EditorVisible())
        ::SetFocus(editor_->Handle());
    InvalidateCells(Selection());
    InvalidateCell(current_.X, current_.Y);
}

void TCustomGrid::WMKillFocusGrid(TMessage&) {
    InvalidateCells(Selection());
    InvalidateCell(current_.X, current_.Y);
}

void TCustomGrid::WMTimer(TMessage& m) {
    if (m.WParam != kScrollTimer ||
        (gridState_ != gsSelecting && gridState_ != gsColMoving && gridState_ != gsRowMoving)) {
        inherited::Dispatch(m);
        return;
    }
    POINT p;
    GetCursorPos(&p);
    const TPoint local = ScreenToClient(Point(p.x, p.y));
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridScrollDirection direction;
    if (gridState_ != gsRowMoving) {
        if (local.X < info.Horz.FixedBoundary)
            direction.Include(sdLeft);
        else if (local.X >= info.Horz.GridBoundary)
            direction.Include(sdRight);
    }
    if (gridState_ != gsColMoving) {
        if (local.Y < info.Vert.FixedBoundary)
            direction.Include(sdUp);
        else if (local.Y >= info.Vert.GridBoundary)
            direction.Include(sdDown);
    }
    if (!direction.Empty())
        TimedScroll(direction);
}

void TCustomGrid::WMCancelModeGrid(TMessage& m) {
    CancelGridState();
    inherited::Dispatch(m);
}
