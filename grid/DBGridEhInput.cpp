// The data grid's messages and input: the dispatcher, focus and sizing messages, the data set moved
// by keys, the wheel and the vertical scroll bar, row, rectangle and column selection by keys,
// clicks and drags (with auto-scroll), dragging the selection to other controls, title clicks handed
// to the sort markers, live column sizing, frozen-column sizing by a dotted line, width fitting by a
// double click on a border, tips over cells whose text does not fit, and the data-set and edit
// actions. The incremental search is in DBGridEhSearch.cpp, record moving in
// DBGridEhRecordMoving.cpp.
#include "DBGridEh.h"
#include "DBGridEhClipboard.h"
#include "DBGridEhSelection.h"

#include "Dialogs.h"
#include "Encoding.h"
#include "Forms.h"

#include <algorithm>
#include <climits>

// ---- Dispatcher -------------------------------------------------------------------------------------------

// An automatic drag of a multi-select grid is a drag of its selection: the press is taken as in
// manual mode and may arm one (MouseDown); the mouse moving then starts it.
void TCustomDBGridEh::WndProc(TMessage& m) {
    if ((m.Msg == WM_LBUTTONDOWN || m.Msg == WM_LBUTTONDBLCLK) && DragMode() == dmAutomatic &&
        Options().Contains(dgMultiSelect) && !IsGridDesigning()) {
        SetDragMode(dmManual);
        dragSelectionAllowed_ = true;
        struct TRestore {
            TCustomDBGridEh* Grid;
            ~TRestore() {
                Grid->SetDragMode(dmAutomatic);
                Grid->dragSelectionAllowed_ = false;
            }
        } restore{this};
        TCustomGrid::WndProc(m);
        return;
    }
    TCustomGrid::WndProc(m);
}

void TCustomDBGridEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SIZE:
        TCustomGrid::Dispatch(m);
        return WMSize(m);
    case WM_SETFOCUS: return WMSetFocus(m);
    case WM_CHAR:
        // While filter editing, typed characters belong to the filter editor.
        if (filterEditing_ && filterEdit_ && filterEdit_->Visible() && (m.WParam >= 32 || m.WParam == VK_BACK)) {
            ForwardToFilterEditor(WM_CHAR, m.WParam, m.LParam, nullptr);
            return;
        }
        return TCustomGrid::Dispatch(m);
    case WM_KILLFOCUS: return WMKillFocus(m);
    case WM_ERASEBKGND: m.Result = 1; return;  // the cells cover the client area
    case WM_GETDLGCODE: return WMGetDlgCode(m);
    case WM_CANCELMODE: return WMCancelMode(m);
    case WM_SETCURSOR: return WMSetCursor(m);
    case WM_LBUTTONDBLCLK:
        dblClickPoint_ = Point(static_cast<short>(LOWORD(m.LParam)), static_cast<short>(HIWORD(m.LParam)));
        return TCustomGrid::Dispatch(m);
    case WM_HSCROLL:
        TCustomGrid::Dispatch(m);
        UpdateHorzScrollBar();
        return;
    case CM_CANCELMODE:
        TCustomGrid::Dispatch(m);
        return WMCancelMode(m);
    case CM_SYSCOLORCHANGE: return CMSysColorChange(m);
    case kDeferredLayoutMessage: return WMDeferredLayout(m);
    case WM_TIMER: return WMTimer(m);
    case kDeferredScrollBarMessage: return WMDeferredScrollBar(m);
    default:
        if (m.Msg > WM_USER + 100 && m.Msg < WM_USER + 200)
            VLOG_ERROR(LogGrid, "unhandled private message %s", MessageName(m.Msg).c_str());
        return TCustomGrid::Dispatch(m);
    }
}

void TCustomDBGridEh::WMSetFocus(TMessage& m) {
    TCustomGrid::Dispatch(m);
    if (filterEditing_ && !hidingFilterEditor_ && filterEdit_ && filterEdit_->Visible() && filterEdit_->CanFocus() &&
        !filterEdit_->HasFocus())
        filterEdit_->SetFocus();
    if (Options().Contains(dgRowSelect)) InvalidateGridRow(Row());
    if (SelectionIsActive() != lastSelectionActive_) {
        lastSelectionActive_ = SelectionIsActive();
        InvalidateSelection();
    }
}

void TCustomDBGridEh::WMKillFocus(TMessage& m) {
    const auto next = reinterpret_cast<HWND>(m.WParam);
    const bool toEditor = InplaceEditor() && InplaceEditor()->HandleAllocated() && next == InplaceEditor()->WindowHandle();
    if (!toEditor) core_->SortFocusLost();
    HideCellHint();
    TCustomGrid::Dispatch(m);
    if (Options().Contains(dgRowSelect)) InvalidateGridRow(Row());
    if (!toEditor) {
        lastSelectionActive_ = false;
        InvalidateSelection();
    }
}

void TCustomDBGridEh::WMTimer(TMessage& m) {
    if (m.WParam == kIncSearchTimer) {
        StopIncSearch();
        return;
    }
    if (m.WParam == kAutoScrollTimer && autoScrollOn_) {
        if (mouseState_ == 7)
            AutoScrollWhileDragging();
        else
            AutoScrollMouseSelection();
        return;
    }
    TCustomGrid::Dispatch(m);
}

void TCustomDBGridEh::WMGetDlgCode(TMessage& m) {
    TCustomGrid::Dispatch(m);
    if (OptionsEh().Contains(dghPreferIncSearch)) m.Result |= DLGC_WANTCHARS;
}

void TCustomDBGridEh::WMCancelMode(TMessage& m) {
    // First, so that the release the platform sends for a held button neither drops nor sizes.
    EndRecordDrag(0, 0, false);
    traceSizingCol_ = -1;
    selectionDragArmed_ = false;
    MoveFrozenSizingLine(-1);
    frozenSizingCol_ = -1;
    if (m.Msg == WM_CANCELMODE) TCustomGrid::Dispatch(m);
    if (titlePressPending_) {
        titlePressPending_ = false;
        SetPressedTitle(-1, false);
    }
    StopAutoScroll();
    mouseState_ = 0;
    rowDragSelect_ = cellDragSelect_ = rightMovesColumns_ = false;
    if (rightCaptured_) {
        rightCaptured_ = false;
        if (MouseCapture()) SetMouseCapture(false);
    }
}

void TCustomDBGridEh::CMSysColorChange(TMessage& m) {
    TCustomGrid::Dispatch(m);
    if (ButtonsBitmapCache()) ButtonsBitmapCache()->Clear();
    InvalidateGrid();
}

void TCustomDBGridEh::CMFontChanged(TMessage& m) {
    TCustomGrid::CMFontChanged(m);
    RelayoutColumns();
}

void TCustomDBGridEh::CMParentFontChanged(TMessage& m) {
    TCustomGrid::CMParentFontChanged(m);
    if (!ParentFont()) return;
    changingOwnFonts_ = true;
    try {
        TitleFont()->Assign(Font());
        FooterFont()->Assign(Font());
    } catch (...) {
        changingOwnFonts_ = false;
        throw;
    }
    changingOwnFonts_ = false;
    RelayoutColumns();
}

void TCustomDBGridEh::CMParentColorChanged(TMessage& m) {
    TCustomGrid::CMParentColorChanged(m);
    if (ParentColor()) {
        core_->SetFooterColor(Color());
        InvalidateGrid();
    }
}

void TCustomDBGridEh::CalcSizingState(int x, int y, TGridState& state, int& index, int& sizingPos, int& sizingOfs,
                                      TGridDrawInfo& info) {
    TCustomGrid::CalcSizingState(x, y, state, index, sizingPos, sizingOfs, info);
    if (state == gsColSizing && index < indicatorOffset_) state = gsNormal;
    if (state == gsRowSizing) {
        const int indicatorRight = indicatorOffset_ > 0 ? ColWidths(0) : 0;
        if (x >= indicatorRight || index < titleOffset_) state = gsNormal;
    }
    if (state == gsNormal) index = -1;
}

bool TCustomDBGridEh::FrozenSizingSpot(int x, int y, int& col, int& border) {
    if (!Options().Contains(dgColumnResize) || !HandleAllocated() || shapeTitleRows_ <= 0) return false;
    if (y < 0 || y >= CellRect(0, shapeTitleRows_ - 1).Bottom) return false;
    const int line = GridLineWidth();
    const int before = std::max(0, (7 - line) / 2);
    const int after = line > 6 ? line : 7;
    for (int c = indicatorOffset_; c < FixedCols(); ++c) {
        const TRect r = CellRect(c, 0);
        if (!r.IsEmpty() && x >= r.Right - before && x <= r.Right + after) {
            col = c;
            border = r.Right;
            return true;
        }
    }
    // The last column's border is the client edge itself: the platform's sizing cannot reach it.
    TGridDrawInfo info;
    CalcDrawInfo(info);
    const int last = info.Horz.LastFullVisibleCell;
    const int client = ClientWidth();
    if (last < indicatorOffset_ || last >= ColCount()) return false;
    const TRect r = CellRect(last, 0);
    if (r.IsEmpty() || r.Right + line != client || x < client - before - line - 1 || x >= client) return false;
    col = last;
    border = r.Right;
    return true;
}

void TCustomDBGridEh::MoveFrozenSizingLine(int x) {
    if (frozenSizingLineX_ >= 0) InvertDottedBand(TRect{frozenSizingLineX_, 0, frozenSizingLineX_ + 1, ClientHeight()});
    frozenSizingLineX_ = x;
    if (frozenSizingLineX_ >= 0) InvertDottedBand(TRect{frozenSizingLineX_, 0, frozenSizingLineX_ + 1, ClientHeight()});
}

// ---- Focus and moving the data set ---------------------------------------------------------------------------------

bool TCustomDBGridEh::AcquireFocus() {
    // A grid that cannot take the focus now (its window is not showing) acts without it.
    if (!mayAcquireFocus_ || IsGridDesigning() || !HandleAllocated() || !IsWindowVisible(WindowHandle()) ||
        !CanFocus())
        return true;
    if (!GridFocused()) SetFocus();
    // While filter editing the grid hands its focus on to the filter editor.
    return GridFocused() || (filterEditing_ && filterEdit_ && filterEdit_->HasFocus());
}

void TCustomDBGridEh::TimedScroll(TGridScrollDirection direction) {
    TGridDataLinkEh* link = DataLink();
    if (link->Active()) {
        if (direction.Contains(sdUp))
            link->MoveBy(-(link->ActiveRecord() + 1));
        else if (direction.Contains(sdDown))
            link->MoveBy(link->RecordCount() - link->ActiveRecord());
    }
    TGridScrollDirection sideways = direction;
    sideways.Exclude(sdUp);
    sideways.Exclude(sdDown);
    if (!sideways.Empty()) TCustomGrid::TimedScroll(sideways);
}

void TCustomDBGridEh::ModifyScrollBar(int bar, int scrollCode, int pos) {
    if (bar == SB_HORZ) {
        if (HorzScrollBar()->Tracking() && scrollCode == SB_THUMBTRACK) scrollCode = SB_THUMBPOSITION;
        TCustomGrid::ModifyScrollBar(bar, scrollCode, pos);
        UpdateHorzScrollBar();
        return;
    }
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    if (!AcquireFocus() || !link->Active() || !ds) return;
    const bool sequenced = SumList()->IsSequenced();
    switch (scrollCode) {
    case SB_LINEUP: link->MoveBy(-(link->ActiveRecord() + 1)); break;
    case SB_LINEDOWN: link->MoveBy(link->RecordCount() - link->ActiveRecord()); break;
    case SB_PAGEUP: link->MoveBy(-VisibleDataRowCount()); break;
    case SB_PAGEDOWN: link->MoveBy(VisibleDataRowCount()); break;
    case SB_THUMBPOSITION:
        trackedPosition_ = -1;
        if (skipThumbPosition_) {
            skipThumbPosition_ = false;
        } else if (sequenced) {
            if (pos <= 1)
                ds->First();
            else if (pos >= SumList()->RecordCount())
                ds->Last();
            else
                ds->SetRecNo(pos);
        } else {
            MoveToScalePosition(pos);
        }
        // The thumb shows where the record is, wherever it was dropped.
        vertInfoApplied_ = false;
        UpdateVertScrollBar();
        break;
    case SB_THUMBTRACK:
        if (!VertScrollBar()->Tracking()) break;
        if (sequenced) {
            link->MoveBy(pos - SumList()->RecNo());
            skipThumbPosition_ = true;
        } else if (pos != trackedPosition_) {
            // Without record numbers the five-step scale moves once per step the thumb enters.
            trackedPosition_ = pos;
            MoveToScalePosition(pos);
            skipThumbPosition_ = true;
        }
        break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: break;
    }
}

// A position of the five-step scale of a data set without record numbers.
void TCustomDBGridEh::MoveToScalePosition(int pos) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    switch (pos) {
    case vtpFirstEh: ds->First(); break;
    case vtpPageUpEh: link->MoveBy(-VisibleDataRowCount()); break;
    case vtpPageDownEh: link->MoveBy(VisibleDataRowCount()); break;
    case vtpLastEh: ds->Last(); break;
    default: break;
    }
}

bool TCustomDBGridEh::DoMouseWheelDown(TShiftState shift, TPoint mousePos) {
    if (TControl::DoMouseWheelDown(shift, mousePos)) return true;
    if (DataLink()->Active()) DataLink()->MoveBy(1);
    return true;
}

bool TCustomDBGridEh::DoMouseWheelUp(TShiftState shift, TPoint mousePos) {
    if (TControl::DoMouseWheelUp(shift, mousePos)) return true;
    if (DataLink()->Active()) DataLink()->MoveBy(-1);
    return true;
}

void TCustomDBGridEh::DoExit() {
    TGridDataLinkEh* link = DataLink();
    if (link->Active()) {
        TDataSet* ds = link->DataSet();
        if (Options().Contains(dgCancelOnExit) && ds->State() == dsInsert && !ds->Modified() && !link->Modified()) {
            ds->Cancel();
        } else {
            try {
                link->UpdateRecord();
            } catch (...) {
                if (CanFocus()) SetFocus();
                throw;
            }
        }
    }
    TCustomGrid::DoExit();
}

// ---- Selection -------------------------------------------------------------------------------------------------------

TDBGridEhSelectionType TCustomDBGridEh::SelectionType() const {
    return Selection() ? Selection()->SelectionType() : gstNon;
}

TDBGridEhExportHooks TCustomDBGridEh::ExportHooks() {
    TDBGridEhExportHooks hooks;
    if (HDC dc = GetDC(HandleAllocated() ? Handle() : nullptr)) {
        hooks.PixelsPerInch = GetDeviceCaps(dc, LOGPIXELSX);
        ReleaseDC(HandleAllocated() ? Handle() : nullptr, dc);
    }
    hooks.GetCellParams = [this](TColumnEh* column, TCustomFont* font, TColor& background, TGridDrawState state) {
        if (OnGetCellParams) OnGetCellParams(this, column, font, background, state);
    };
    hooks.GetFooterParams = [this](int dataCol, int row, TColumnEh* column, TCustomFont* font, TColor& background,
                                   TAlignment& alignment, TGridDrawState state, String& text) {
        if (OnGetFooterParams)
            OnGetFooterParams(this, dataCol, row, column, dynamic_cast<TFont*>(font), background, alignment, state, text);
    };
    hooks.TitleLeaf = [this](TColumnEh* column) { return LeafOf(column->Index()); };
    hooks.FixedColor = FixedColor();
    hooks.VTitleMargin = VTitleMargin();
    return hooks;
}

void TCustomDBGridEh::ClearGridSelection() {
    if (Options().Contains(dgMultiSelect) && OptionsEh().Contains(dghClearSelection)) SelectedRowBookmarks()->Clear();
    extending_ = false;
    if (SelectionType() != gstNon && OptionsEh().Contains(dghClearSelection)) {
        Selection()->ClearSelection();
        InvalidateGrid();
        InvalidateEditor();
    }
}

void TCustomDBGridEh::SelectAllRows() { Selection()->SelectAllCells(); }

void TCustomDBGridEh::RefreshEditor() { InvalidateEditor(); }

void TCustomDBGridEh::ShowEditorIfAlwaysShown() {
    if (HandleAllocated() && IsAlwaysShowEditor()) ShowEditor();
}

void TCustomDBGridEh::SelectionChanged() {
    if (OnSelectionChanged) OnSelectionChanged(this);
}

void TCustomDBGridEh::SelectDataColumn(int gridCol, int direction, bool extendRect) {
    if (ColCount() <= indicatorOffset_) return;
    extendRect = extendRect && RectSelectionApplies();
    if (extendRect) ExtendRectToCurrent(true);
    gridCol = std::clamp(gridCol, indicatorOffset_, ColCount() - 1);
    if (direction != 0) {
        while (gridCol >= indicatorOffset_ && gridCol < ColCount() && ColWidths(gridCol) < 1) gridCol += direction;
        if (gridCol < indicatorOffset_ || gridCol >= ColCount()) return;
    }
    if (gridCol != Col()) {
        if (!inColExit_) {
            const int before = Col();
            inColExit_ = true;
            try {
                ColExit();
            } catch (...) {
                inColExit_ = false;
                throw;
            }
            inColExit_ = false;
            if (Col() != before) return;
        }
        if (!Options().Contains(dgAlwaysShowEditor)) HideEditor();
        if (!Options().Contains(dgRowSelect)) MoveColRow(gridCol, Row(), true, true);
        const int dataCol = GridColToDataCol(gridCol);
        if (dataCol >= 0 && dataCol < Columns()->Count()) {
            const TColumnEhValueType kind = Columns()->ColumnAt(dataCol)->GetColumnType();
            if (kind != ctCheckboxes && kind != ctKeyImageList && Options().Contains(dgAlwaysShowEditor)) ShowEditor();
        }
        ColEnter();
        StopIncSearch();
    }
    if (extendRect) ExtendRectToCurrent(false);
}

void TCustomDBGridEh::MoveRowsSelecting(bool select, int distance, bool noRect, bool toEnd) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    if (!link->Active() || !ds || (distance == 0 && !toEnd)) return;
    const bool rowsApply = noRect || SelectionType() == gstRecordBookmarks || !RectSelectionApplies();
    if (!rowsApply) {
        if (select) ExtendRectToCurrent(true);
        if (toEnd) {
            if (distance > 0) ds->Last(); else ds->First();
        } else {
            link->MoveBy(distance);
        }
        if (select)
            ExtendRectToCurrent(false);
        else
            ClearGridSelection();
        return;
    }
    const int step = distance < 0 ? -1 : 1;
    long long remaining = toEnd ? LLONG_MAX : std::abs(static_cast<long long>(distance));
    const bool multi = Options().Contains(dgMultiSelect);
    TBookmarkListEh* rows = SelectedRowBookmarks();
    // A long walk repaints once at its end (the current record keeps its place in the view); a
    // short one scrolls row by row, so that rows under the mouse stay where they are.
    const bool batch = remaining >= VisibleDataRowCount() && remaining > 1;
    if (batch) ds->DisableControls();
    try {
        while (remaining-- > 0) {
            bool back = false;
            if (multi) {
                if (!select) {
                    ClearGridSelection();
                } else {
                    if (!extending_) {
                        selectionAnchor_ = ds->Bookmark();
                        selectSet_ = toggleSelection_ ? !rows->SelectedCurrentRow() : true;
                        rows->SetSelectedCurrentRow(selectSet_);
                        extending_ = true;
                    }
                    const int c = ds->CompareBookmarks(ds->Bookmark(), selectionAnchor_);
                    back = (step > 0 && c < 0) || (step < 0 && c > 0);
                    if (back) rows->SetSelectedCurrentRow(!selectSet_);
                }
            }
            if (link->MoveBy(step) == 0) break;
            if (multi && select && !back) rows->SetSelectedCurrentRow(selectSet_);
        }
    } catch (...) {
        if (batch) ds->EnableControls();
        throw;
    }
    if (batch) ds->EnableControls();
}

// ---- Keys ------------------------------------------------------------------------------------------------------------

void TCustomDBGridEh::KeyDown(WORD& key, TShiftState shift) {
    toggleSelection_ = shift.Contains(ssCtrl) || !OptionsEh().Contains(dghClearSelection);
    // The application's handler first; everything below works on the key it leaves.
    TWinControl::KeyDown(key, shift);
    TGridDataLinkEh* link = DataLink();
    if (key == VK_UP && stFilter_->Visible() && link->Active() && link->DataSet() &&
        (link->DataSet()->Bof() || shift.Contains(ssCtrl))) {
        key = 0;
        StartFilterEditing(SelectedIndex());
        return;
    }
    if (key == 0 || !link->Active() || !link->DataSet() || !CanGridAcceptKey(key, shift)) return;
    if (ShortCut(key, shift) == DBGridEhSettings().FindDialogShortCut && OptionsEh().Contains(dghDialogFind) &&
        !OptionsEh().Contains(dghIncSearch)) {
        OpenFindDialog();
        return;
    }
    if (SearchKeyDown(key, shift)) return;
    const bool extend = shift.Contains(ssShift) && Options().Contains(dgMultiSelect);
    if (shift.Contains(ssCtrl))
        CtrlKeyDown(key, extend);
    else
        PlainKeyDown(key, shift, extend);
    if (key == VK_DELETE && !shift.Contains(ssCtrl)) ClearFieldByKey();
}

// Delete on a check-box or image cell empties the field (not a required one).
void TCustomDBGridEh::ClearFieldByKey() {
    const int dataCol = SelectedIndex();
    if (Options().Contains(dgRowSelect) || dataCol < 0 || dataCol >= Columns()->Count()) return;
    TColumnEh* column = Columns()->ColumnAt(dataCol);
    const TColumnEhValueType kind = column->GetColumnType();
    if (kind != ctCheckboxes && kind != ctKeyImageList) return;
    TField* field = column->Field();
    if (!field || field->Required() || !column->CanModify(true)) return;
    column->WriteValue(String(), Variant(), false);
}

bool TCustomDBGridEh::RectSelectionApplies() const {
    return !Options().Contains(dgRowSelect) && allowedSelections_.Contains(gstRectangle);
}

void TCustomDBGridEh::ExtendRectToCurrent(bool anchorOnly) {
    TDataSet* ds = DataSet();
    const int dataCol = SelectedIndex();
    if (!ds || !DataLink()->Active() || dataCol < 0 || ds->IsEmpty()) return;
    TDBGridEhSelectionRect* rect = Selection()->Rect();
    if (anchorOnly) {
        if (SelectionType() != gstRectangle) rect->SetCorner(dataCol, ds->Bookmark(), false);
        return;
    }
    rect->SetCorner(dataCol, ds->Bookmark(), true);
}

void TCustomDBGridEh::MoveByKey(int distance, bool extend) {
    if (extend) {
        MoveRowsSelecting(true, distance, !allowedSelections_.Contains(gstRectangle), false);
    } else {
        ClearGridSelection();
        DataLink()->MoveBy(distance);
    }
}

void TCustomDBGridEh::MoveToEdgeByKey(bool toEnd, bool extend) {
    if (extend) {
        MoveRowsSelecting(true, toEnd ? 1 : -1, !allowedSelections_.Contains(gstRectangle), true);
        return;
    }
    ClearGridSelection();
    if (toEnd)
        DataSet()->Last();
    else
        DataSet()->First();
}

// ---- Standard edit actions ----------------------------------------------------------------------

namespace {

bool EditActionKind(TBasicAction* action, TDBGridEhEditAction& kind) {
    if (dynamic_cast<TEditCopy*>(action))
        kind = geaCopyEh;
    else if (dynamic_cast<TEditCut*>(action))
        kind = geaCutEh;
    else if (dynamic_cast<TEditPaste*>(action))
        kind = geaPasteEh;
    else if (dynamic_cast<TEditSelectAll*>(action))
        kind = geaSelectAllEh;
    else if (dynamic_cast<TEditDelete*>(action))
        kind = geaDeleteEh;
    else
        return false;
    return true;
}

}  // namespace

bool TCustomDBGridEh::CanRunEditAction(TDBGridEhEditAction kind) {
    if (!editActions_.Contains(kind) || !DataLink()->Active()) return false;
    switch (kind) {
    case geaCopyEh: return SelectionType() != gstNon;
    case geaCutEh: return DBGridEh_CanCut(this);
    case geaPasteEh: return DBGridEh_CanPaste(this);
    case geaDeleteEh: return SelectionType() != gstNon && DBGridEh_CanDeleteSelection(this);
    case geaSelectAllEh: return !DataSet()->IsEmpty() && allowedSelections_.Contains(gstAll);
    }
    return false;
}

void TCustomDBGridEh::RunEditAction(TDBGridEhEditAction kind) {
    switch (kind) {
    case geaCopyEh: DBGridEh_DoCopyAction(this, false); break;
    case geaCutEh: DBGridEh_DoCutAction(this, false); break;
    case geaPasteEh: DBGridEh_DoPasteAction(this, false); break;
    case geaDeleteEh: DBGridEh_DoDeleteAction(this, false); break;
    case geaSelectAllEh: SelectAllRows(); break;
    }
}

// Data-set actions go to the data link first; then the edit actions while the grid has the focus.
bool TCustomDBGridEh::ExecuteAction(TBasicAction* action) {
    if (DataLink()->ExecuteAction(action)) return true;
    TDBGridEhEditAction kind;
    if (Focused() && EditActionKind(action, kind)) {
        if (CanRunEditAction(kind)) RunEditAction(kind);
        return true;
    }
    return false;
}

bool TCustomDBGridEh::UpdateAction(TBasicAction* action) {
    if (DataLink()->UpdateAction(action)) return true;
    TDBGridEhEditAction kind;
    if (Focused() && EditActionKind(action, kind)) {
        if (auto* custom = dynamic_cast<TCustomAction*>(action)) custom->SetEnabled(CanRunEditAction(kind));
        return true;
    }
    return false;
}

void TCustomDBGridEh::CtrlKeyDown(WORD key, bool extend) {
    TGridDataLinkEh* link = DataLink();
    switch (key) {
    case VK_PRIOR:
    case VK_UP: MoveByKey(-link->ActiveRecord(), extend); break;
    case VK_NEXT:
    case VK_DOWN: MoveByKey(link->RecordCount() - link->ActiveRecord() - 1, extend); break;
    case VK_END: MoveToEdgeByKey(true, extend); break;
    case VK_HOME: MoveToEdgeByKey(false, extend); break;
    case VK_LEFT: SelectDataColumn(indicatorOffset_, 1); break;
    case VK_RIGHT: SelectDataColumn(ColCount() - 1, -1); break;
    case 'A':
        if (!DataSet()->IsEmpty() && allowedSelections_.Contains(gstAll) && editActions_.Contains(geaSelectAllEh))
            SelectAllRows();
        break;
    case VK_DELETE:
        if (editActions_.Contains(geaDeleteEh) && SelectionType() != gstNon && DBGridEh_CanDeleteSelection(this))
            DBGridEh_DoDeleteAction(this, false);
        else
            DeleteRecordsByKey();
        break;
    case 'C':
    case VK_INSERT:
        if (SelectionType() != gstNon && editActions_.Contains(geaCopyEh)) DBGridEh_DoCopyAction(this, false);
        break;
    case 'V':
        if (editActions_.Contains(geaPasteEh) && DBGridEh_CanPaste(this)) DBGridEh_DoPasteAction(this, false);
        break;
    case 'X':
        if (editActions_.Contains(geaCutEh) && DBGridEh_CanCut(this)) DBGridEh_DoCutAction(this, false);
        break;
    default: break;
    }
}

void TCustomDBGridEh::PlainKeyDown(WORD key, TShiftState shift, bool extend) {
    const TDBGridOptions options = Options();
    const bool shiftHeld = shift.Contains(ssShift);
    const int rows = VisibleDataRowCount();
    switch (key) {
    case VK_RETURN:
        if (OptionsEh().Contains(dghEnterAsTab) && !shift.Contains(ssAlt)) TabToNextColumn(!shiftHeld);
        break;
    case VK_ESCAPE: EscapeKeyDown(); break;
    case VK_PRIOR: MoveByKey(-rows, extend); break;
    case VK_NEXT: MoveByKey(rows, extend); break;
    case VK_END:
    case VK_HOME: {
        const bool toEnd = key == VK_END;
        if (ColCount() - indicatorOffset_ > 1 && !options.Contains(dgRowSelect)) {
            const bool rect = extend && RectSelectionApplies();
            if (!rect) ClearGridSelection();
            SelectDataColumn(toEnd ? ColCount() - 1 : indicatorOffset_, toEnd ? -1 : 1, rect);
        } else
            MoveToEdgeByKey(toEnd, extend);
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        const int direction = key == VK_LEFT ? -1 : 1;
        if (options.Contains(dgRowSelect)) {
            const int left = std::clamp(LeftCol() + direction, FixedCols(), std::max(FixedCols(), MaxLeftCol()));
            if (left != LeftCol()) MoveTopLeft(left, TopRow());
        } else {
            const bool rect = extend && RectSelectionApplies();
            if (!rect) ClearGridSelection();
            SelectDataColumn(Col() + direction, direction, rect);
        }
        break;
    }
    case VK_UP: UpKeyDown(extend); break;
    case VK_DOWN: DownKeyDown(extend); break;
    case VK_INSERT:
        if (!shiftHeld)
            InsertKeyDown();
        else if (editActions_.Contains(geaPasteEh) && DBGridEh_CanPaste(this))
            DBGridEh_DoPasteAction(this, false);
        break;
    case VK_DELETE:
        if (shiftHeld && editActions_.Contains(geaCutEh) && DBGridEh_CanCut(this)) DBGridEh_DoCutAction(this, false);
        break;
    case VK_TAB:
        if (!shift.Contains(ssAlt) && options.Contains(dgTabs)) TabToNextColumn(!shiftHeld);
        break;
    case VK_F2:
        if (options.Contains(dgEditing)) SetEditorMode(true);
        break;
    default: break;
    }
}

void TCustomDBGridEh::EscapeKeyDown() {
    // Text typed into the editor and not yet handed to the grid is dropped first (hiding the
    // editor would hand it over); the row's edit goes with the next Esc.
    const bool typed = EditorShown() && InplaceEditor()->Modified();
    if (typed) InplaceEditor()->SetModified(false);
    if (typed && !DataLink()->Modified())
        InvalidateEditor();
    else
        DataLink()->Reset();
    ClearGridSelection();
    if (!Options().Contains(dgAlwaysShowEditor)) HideEditor();
    if (GridState() == gsRowSizing || GridState() == gsColSizing || GridState() == gsColMoving || mouseState_ == 6 ||
        mouseState_ == 7)
        Perform(WM_CANCELMODE);
}

// An untouched new record at the end goes when the person moves up.
void TCustomDBGridEh::UpKeyDown(bool extend) {
    TDataSet* ds = DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !DataLink()->Modified() && ds->Eof())
        ds->Cancel();
    else
        MoveByKey(-1, extend);
}

// Down from the last record appends one (never a second untouched one).
void TCustomDBGridEh::DownKeyDown(bool extend) {
    TDataSet* ds = DataSet();
    if (ds->State() == dsInsert && !ds->Modified() && !DataLink()->Modified()) {
        if (ds->Eof()) return;
        ds->Cancel();
    } else {
        MoveByKey(1, extend);
    }
    if (ds->Eof() && ds->CanModify() && !ReadOnly() && Options().Contains(dgEditing) &&
        allowedOperations_.Contains(alopAppendEh) && ds->State() == dsBrowse)
        ds->Append();
}

void TCustomDBGridEh::InsertKeyDown() {
    TDataSet* ds = DataSet();
    if (!ds->CanModify() || ReadOnly() || !Options().Contains(dgEditing)) return;
    ClearGridSelection();
    if (allowedOperations_.Contains(alopInsertEh))
        ds->Insert();
    else if (allowedOperations_.Contains(alopAppendEh))
        ds->Append();
}

void TCustomDBGridEh::TabToNextColumn(bool forward) {
    TGridDataLinkEh* link = DataLink();
    const int start = Col();
    int col = start;
    const int cols = ColCount();
    for (int step = 0; step < cols + 1; ++step) {
        col += forward ? 1 : -1;
        if (col >= cols) {
            col = indicatorOffset_;
            link->MoveBy(1);
        } else if (col < indicatorOffset_) {
            col = cols - 1;
            link->MoveBy(-1);
        }
        if (col == start) return;  // back where it began
        if (TabStops(col) && ColWidths(col) > 0) {
            SelectDataColumn(col, 0);
            return;
        }
    }
}

void TCustomDBGridEh::DeleteRecordsByKey() {
    TDataSet* ds = DataSet();
    if (ReadOnly() || !ds || ds->IsEmpty() || !ds->CanModify() || !allowedOperations_.Contains(alopDeleteEh)) return;
    const int selected = SelectedRowBookmarks()->Count();
    if (Options().Contains(dgConfirmDelete)) {
        const String question = selected < 2 ? "Delete record?" : "Delete all selected records?";
        if (MessageDlg(question, mtConfirmation, mbOKCancel) == mrCancel) return;
    }
    if (selected == 0)
        ds->Delete();
    else
        SelectedRowBookmarks()->Delete();
}

void TCustomDBGridEh::KeyPress(wchar_t& key) {
    if (key == L'\r' && OptionsEh().Contains(dghEnterAsTab)) key = L'\t';
    if (key == L'\r' && !Options().Contains(dgAlwaysShowEditor) && DataLink()->Active()) DataLink()->UpdateRecord();
    // Space steps a check-box or image cell (Shift: back).
    const int dataCol = SelectedIndex();
    if (key == L' ' && !Options().Contains(dgRowSelect) && dataCol >= 0 && dataCol < Columns()->Count() &&
        DataLink()->Active()) {
        TColumnEh* column = Columns()->ColumnAt(dataCol);
        const TColumnEhValueType kind = column->GetColumnType();
        if (kind == ctCheckboxes || kind == ctKeyImageList) {
            TWinControl::KeyPress(key);
            if (key != 0) ToggleCheckCell(column, GetKeyState(VK_SHIFT) < 0);
            key = 0;
            return;
        }
    }
    // Typed characters go to the incremental search instead of the editor.
    if (key > 31 && TypingSearches()) {
        TWinControl::KeyPress(key);
        if (key > 31) {
            SearchTypedText(Utf16ToUtf8(WideString(1, static_cast<char16_t>(key))));
            key = 0;
        }
        return;
    }
    TCustomGrid::KeyPress(key);
}

void TCustomDBGridEh::ToggleCheckCell(TColumnEh* column, bool back) {
    if (!column->CanModify(true)) return;
    column->NextValue(back ? -1 : 1);
}

void TCustomDBGridEh::KeyUp(WORD& key, TShiftState shift) {
    if (key == VK_CONTROL) core_->SortCtrlKeyReleased();
    TCustomGrid::KeyUp(key, shift);
}

// ---- Mouse ------------------------------------------------------------------------------------------------------------

bool TCustomDBGridEh::IsTitleLeafPoint(int aCol, int y) {
    THeadTreeNode* leaf = LeafOf(GridColToDataCol(aCol));
    if (!leaf) return true;
    const TRect cell = CellRect(aCol, 0);
    int top = cell.Top;
    for (THeadTreeNode* host = leaf->Host(); host && host != headTree_.get(); host = host->Host()) top += host->Height;
    return y >= top;
}

void TCustomDBGridEh::SetPressedTitle(int aCol, bool shownDown) {
    const int old = pressedTitleCol_;
    pressedTitleCol_ = aCol;
    titleShownDown_ = shownDown;
    if (old >= 0 && old < ColCount()) InvalidateCell(old, 0);
    if (aCol >= 0 && aCol < ColCount()) InvalidateCell(aCol, 0);
}

// The bottom of a title cell of a data column picks columns (outside row select).
bool TCustomDBGridEh::IsColumnSelectSpot(int x, int y) {
    const TDBGridOptions options = Options();
    if (!DataLink()->Active() || !options.Contains(dgMultiSelect) || options.Contains(dgRowSelect) ||
        !allowedSelections_.Contains(gstColumns) || GridState() != gsNormal)
        return false;
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    if (cell.X < 0 || cell.Y < 0 || !TryGetCellType(cell.X, cell.Y, type) || type.RowKind != rkTitleEh ||
        type.CellKind != ckDataColEh || type.DataCol >= Columns()->Count())
        return false;
    const TRect r = CellRect(cell.X, cell.Y);
    return r.Height() <= 7 || y >= r.Bottom - 7;
}

// Over the indicator of a data row: row selection.
bool TCustomDBGridEh::IsRowSelectSpot(int x, int y) {
    if (!DataLink()->Active() || !Options().Contains(dgMultiSelect) || indicatorOffset_ == 0 ||
        GridState() != gsNormal)
        return false;
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    return cell.X == 0 && cell.Y >= 0 && TryGetCellType(cell.X, cell.Y, type) && type.RowKind == rkDataEh &&
           type.CellKind == ckIndicatorEh;
}

void TCustomDBGridEh::WMSetCursor(TMessage& m) {
    const auto window = reinterpret_cast<HWND>(m.WParam);
    if (window == WindowHandle() && static_cast<short>(LOWORD(m.LParam)) == HTCLIENT && mouseState_ == 0) {
        POINT p;
        GetCursorPos(&p);
        const TPoint local = ScreenToClient(Point(p.x, p.y));
        TCursor which = crDefault;
        int frozenCol = -1, frozenBorder = 0;
        if (FrozenSizingSpot(local.X, local.Y, frozenCol, frozenBorder)) {
            ::SetCursor(Screen ? Screen->Cursors(crHSplit) : LoadCursorW(nullptr, IDC_SIZEWE));
            m.Result = 1;
            return;
        }
        if (IsRowSelectSpot(local.X, local.Y) && !StartRecordDrag(local.X, local.Y, true))
            which = crDBGridEhRowSelect;
        else if (IsColumnSelectSpot(local.X, local.Y))
            which = crDBGridEhColumnSelect;
        if (which != crDefault) {
            if (HCURSOR cursor = DBGridEhCursor(which)) {
                ::SetCursor(cursor);
                m.Result = 1;
                return;
            }
        }
    }
    TCustomGrid::Dispatch(m);
}

// A started drag of the selection took the release: nothing stays armed.
void TCustomDBGridEh::DoEndDrag(TObject* target, int x, int y) {
    selectionDragArmed_ = false;
    TCustomGrid::DoEndDrag(target, x, y);
}

void TCustomDBGridEh::DblClick() {
    // A double click on a column's border fits the column instead.
    if (OptionsEh().Contains(dghDblClickOptimizeColWidth) && HandleAllocated()) {
        TGridDrawInfo info;
        CalcDrawInfo(info);
        TGridState sizing = gsNormal;
        int index = -1, pos = 0, ofs = 0;
        CalcSizingState(dblClickPoint_.X, dblClickPoint_.Y, sizing, index, pos, ofs, info);
        const int dataCol = GridColToDataCol(index);
        if (sizing == gsColSizing && dataCol >= 0 && dataCol < Columns()->Count()) {
            widthOptimised_ = true;
            OptimizeColWidth(Columns()->ColumnAt(dataCol));
            return;
        }
    }
    TCustomGrid::DblClick();
}

void TCustomDBGridEh::StartAutoScroll(UINT interval) {
    if (!HandleAllocated()) return;
    SetTimer(WindowHandle(), kAutoScrollTimer, interval, nullptr);
    autoScrollOn_ = true;
}

void TCustomDBGridEh::StopAutoScroll() {
    if (autoScrollOn_ && HandleAllocated()) KillTimer(WindowHandle(), kAutoScrollTimer);
    autoScrollOn_ = false;
}

void TCustomDBGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
    HideCellHint();
    if (button == mbRight) {
        SetMouseCapture(true);
        rightCaptured_ = true;
    }
    checkClickCol_ = checkClickRow_ = -1;
    selectionDragArmed_ = false;
    mouseDownPoint_ = Point(x, y);
    lastMousePoint_ = Point(x, y);
    if (!AcquireFocus() || guard.Destroyed()) return;
    const TDBGridOptions options = Options();
    const bool doubleClick = shift.Contains(ssDouble);
    if (doubleClick && widthOptimised_) {
        widthOptimised_ = false;
        TControl::MouseDown(button, shift, x, y);
        return;
    }
    TGridDrawInfo info;
    CalcDrawInfo(info);
    int frozenCol = -1, frozenBorder = 0;
    if (button == mbLeft && !doubleClick && FrozenSizingSpot(x, y, frozenCol, frozenBorder)) {
        // Sizing a frozen column (or the last one at the client edge): traced, or by a dotted line.
        mouseState_ = 6;
        frozenSizingCol_ = frozenCol;
        frozenSizingLeft_ = CellRect(frozenCol, 0).Left;
        SetMouseCapture(true);
        if (OptionsEh().Contains(dghTraceColSizing)) {
            traceSizingCol_ = frozenCol;
            traceSizingOfs_ = x - frozenBorder;
            traceSizingLeft_ = frozenSizingLeft_;
        } else {
            MoveFrozenSizingLine(frozenBorder);
        }
        return;
    }
    TGridState sizing = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    if (button == mbLeft && !doubleClick) CalcSizingState(x, y, sizing, index, pos, ofs, info);
    if (sizing == gsColSizing || sizing == gsRowSizing) {
        if (DataLink()->Active()) DataLink()->UpdateRecord();
        if (guard.Destroyed()) return;
        if (sizing == gsColSizing && OptionsEh().Contains(dghTraceColSizing)) {
            // The width follows the mouse at once (no line).
            traceSizingCol_ = index;
            traceSizingOfs_ = x - pos;
            traceSizingLeft_ = pos - ColWidths(index);
            SetMouseCapture(true);
            TControl::MouseDown(button, shift, x, y);
            return;
        }
        TCustomGrid::MouseDown(button, shift, x, y);
        return;
    }
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    const bool known = cell.X >= 0 && cell.Y >= 0 && TryGetCellType(cell.X, cell.Y, type);

    // A filter cell starts filter editing; a click anywhere else ends it.
    if (known && type.RowKind == rkFilterEh && type.CellKind == ckDataColEh && !IsGridDesigning() &&
        (button == mbLeft || button == mbRight) && FilterCellEditable(type.DataCol)) {
        ClearGridSelection();
        StartFilterEditing(type.DataCol);
        if (button == mbLeft && !guard.Destroyed() && filterEditing_) {
            // The press goes on to the editor: to its edit, or its button (the list opens).
            const TPoint at{x, y};
            ForwardToFilterEditor(WM_LBUTTONDOWN, MK_LBUTTON, 0, &at);
        }
        return;
    }
    if (filterEditing_) {
        StopFilterEditing();
        if (guard.Destroyed()) return;
    }

    // The bottom of a title picks columns.
    if (button == mbLeft && !doubleClick && IsColumnSelectSpot(x, y)) {
        TColumnEh* column = Columns()->ColumnAt(type.DataCol);
        TDBGridEhSelectionCols* cols = Selection()->Columns();
        if (shift.Contains(ssShift))
            cols->ExtendToColumn(column);
        else if (shift.Contains(ssCtrl))
            cols->ToggleColumn(column);
        else
            cols->SelectColumn(column, false);
        InvalidateGrid();
        mouseState_ = 2;
        StartAutoScroll(60);
        return;
    }

    // A title: a title button shows pressed until the mouse goes up; with column moving any title
    // waits for the mouse to move away before the column moves. The right button moves columns too.
    TMouseButton titleButton = button;
    if (button == mbRight && options.Contains(dgColumnResize) && known && type.RowKind == rkTitleEh &&
        type.CellKind == ckDataColEh) {
        titleButton = mbLeft;
        rightMovesColumns_ = true;
    }
    if (known && type.RowKind == rkTitleEh && type.CellKind == ckDataColEh && titleButton == mbLeft &&
        !doubleClick && !IsGridDesigning() && IsTitleLeafPoint(cell.X, y) && type.DataCol < Columns()->Count()) {
        bool enabled = button == mbLeft && Columns()->ColumnAt(type.DataCol)->Title()->TitleButton();
        if (button == mbLeft) CheckTitleButton(type.DataCol, enabled);
        if (guard.Destroyed()) return;
        if (enabled || options.Contains(dgColumnResize)) {
            titlePressPending_ = true;
            titleButtonPressed_ = enabled;
            SetPressedTitle(cell.X, enabled);
        }
        if (enabled || rightMovesColumns_) return;
    }

    if (known && type.RowKind == rkTitleEh && type.CellKind == ckIndicatorEh && button == mbLeft &&
        options.Contains(dgColumnResize) && options.Contains(dgMultiSelect) && DataLink()->Active() &&
        allowedSelections_.Contains(gstAll)) {
        if (SelectionType() != gstNon) {
            Selection()->ClearSelection();
            InvalidateGrid();
        } else {
            SelectAllRows();
        }
    }

    // A press on the indicator of a row that may be moved starts dragging it.
    if (button == mbLeft && !doubleClick && known && type.RowKind == rkDataEh && StartRecordDrag(x, y, false)) {
        if (guard.Destroyed()) return;
        TControl::MouseDown(button, shift, x, y);
        return;
    }
    TGridDataLinkEh* link = DataLink();
    if (known && type.RowKind == rkDataEh && link->Active() && DataSet()) {
        TDataSet* ds = DataSet();
        link->UpdateRecord();
        HideEditor();
        const int oldCol = Col();
        const int oldDataRow = link->ActiveRecord();
        const TBookmark oldBookmark = ds->IsEmpty() ? TBookmark() : ds->Bookmark();
        const bool multi = options.Contains(dgMultiSelect);
        const bool rowSelect = options.Contains(dgRowSelect);
        const bool onDataCol = type.CellKind == ckDataColEh;
        const bool shiftExtend = shift.Contains(ssShift) && multi;
        const bool moveNow = !shiftExtend || (onDataCol && !rowSelect);
        if (type.DataRow != oldDataRow && moveNow && type.DataRow < link->RecordCount())
            link->MoveBy(type.DataRow - link->ActiveRecord());
        if (guard.Destroyed()) return;
        if (onDataCol) SelectDataColumn(cell.X, 0);
        if (guard.Destroyed()) return;
        const bool clearing = OptionsEh().Contains(dghClearSelection);
        const bool plain = !shift.Contains(ssCtrl) && !shift.Contains(ssShift);
        const bool inRecords = type.DataRow < link->RecordCount() && !ds->IsEmpty();
        // A press on the selection of a grid that drags it waits for the mouse: a move drags it,
        // a release acts as a click (MouseUp).
        const bool armDrag = button == mbLeft && !shift.Contains(ssShift) && dragSelectionAllowed_ && inRecords &&
                             MouseCapture() &&
                             Selection()->CellIsSelected(onDataCol && !rowSelect ? type.DataCol : -1, ds->Bookmark());
        if (armDrag) selectionDragArmed_ = true;
        if (!armDrag && plain && clearing && inRecords) {
            // The right button keeps a selection it clicks into.
            if (button == mbLeft || !Selection()->CellIsSelected(onDataCol ? type.DataCol : -1, ds->Bookmark()))
                ClearGridSelection();
        }
        const bool rectHere = onDataCol && RectSelectionApplies() && button == mbLeft;
        if (armDrag) {
            // nothing is selected or tracked until the mouse moves or goes up
        } else if (inRecords && rectHere) {
            // Rows win in row select; elsewhere a drag over data cells spans a rectangle.
            TDBGridEhSelectionRect* rect = Selection()->Rect();
            if (shift.Contains(ssShift)) {
                if (SelectionType() != gstRectangle && !oldBookmark.empty())
                    rect->SetCorner(GridColToDataCol(oldCol), oldBookmark, false);
                rect->SetCorner(type.DataCol, ds->Bookmark(), true);
            } else {
                rect->SetCorner(type.DataCol, ds->Bookmark(), false);
            }
            mouseState_ = 3;
            cellDragSelect_ = true;
        } else if (inRecords && multi && allowedSelections_.Contains(gstRecordBookmarks)) {
            TBookmarkListEh* rows = SelectedRowBookmarks();
            toggleSelection_ = shift.Contains(ssCtrl) || !clearing;
            if (shiftExtend && type.DataRow != oldDataRow) {
                if (!moveNow) {
                    MoveRowsSelecting(true, type.DataRow - oldDataRow, true, false);
                } else {
                    if (!extending_) {
                        selectionAnchor_ = ds->Bookmark();
                        selectSet_ = true;
                        extending_ = true;
                    }
                    rows->SetSelectedCurrentRow(true);
                }
            } else {
                if (toggleSelection_) {
                    rows->SetSelectedCurrentRow(!rows->SelectedCurrentRow());
                } else if (button == mbLeft) {
                    ClearGridSelection();
                    rows->SetSelectedCurrentRow(true);
                }
                // A drag from here gives the rows it passes the state the clicked row now has.
                selectionAnchor_ = ds->Bookmark();
                selectSet_ = rows->SelectedCurrentRow();
                extending_ = true;
            }
            if (button == mbLeft) {
                mouseState_ = 1;
                rowDragSelect_ = true;
                cellDragSelect_ = onDataCol && !rowSelect;
            }
        } else if (button == mbLeft) {
            mouseState_ = 1;  // the current record follows the mouse
            rowDragSelect_ = true;
            cellDragSelect_ = onDataCol && !rowSelect;
        }
        if (guard.Destroyed()) return;
        if (button == mbLeft && onDataCol && !rowSelect) {
            TColumnEh* column = type.DataCol < Columns()->Count() ? Columns()->ColumnAt(type.DataCol) : nullptr;
            if (IsAlwaysShowEditor() || (cell.X == oldCol && type.DataRow == oldDataRow)) ShowEditor();
            if (guard.Destroyed()) return;
            if (column) {
                const TRect r = CellRect(cell.X, cell.Y);
                const int buttons = column->EditButtonsWidth(DefaultFlatButtonWidth(), editButtonWidth_);
                if (buttons > 0 && x >= r.Right - buttons) ForwardEditButtonClick(x, y);
                if (guard.Destroyed()) return;
                const TColumnEhValueType kind = column->GetColumnType();
                if (kind == ctCheckboxes || kind == ctKeyImageList) {
                    checkClickCol_ = cell.X;
                    checkClickRow_ = cell.Y;
                    if (doubleClick && column->DblClickNextVal()) ToggleCheckCell(column, shift.Contains(ssShift));
                }
            }
        }
        if (guard.Destroyed()) return;
    }
    TControl::MouseDown(button, shift, x, y);
}

// Live column sizing: the width follows the mouse (at least 1); with AutoFitColWidths only while every
// column to the right can keep a pixel.
void TCustomDBGridEh::TraceColSizing(int x) {
    const int col = traceSizingCol_;
    if (col < 0 || col >= ColCount()) return;
    const int width = std::max(1, x - traceSizingOfs_ - traceSizingLeft_);
    if (width == ColWidths(col)) return;
    if (AutoFitColWidths()) {
        int rightColumns = 0;
        for (int c = col + 1; c < ColCount(); ++c)
            if (ColWidths(c) > 0) ++rightColumns;
        if (traceSizingLeft_ + width + rightColumns * (1 + GridLineWidth()) > ClientWidth()) return;
    }
    SetColWidths(col, width);
    Update();
}

// A press on a cell's edit button goes to the editor's button, and only there: never back to the
// grid (which would press again without end).
void TCustomDBGridEh::ForwardEditButtonClick(int x, int y) {
    TInplaceEdit* editor = InplaceEditor();
    if (!EditorShown() || !editor || !editor->HandleAllocated()) return;
    const TPoint screen = ClientToScreen(Point(x, y));
    HWND target = WindowFromPoint(POINT{screen.X, screen.Y});
    if (target != editor->WindowHandle()) return;
    POINT local{screen.X, screen.Y};
    ::ScreenToClient(target, &local);
    SendMessageW(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(local.x, local.y));
}

// The extent of the data rows shown, in client pixels.
void TCustomDBGridEh::DataRowsExtent(int& top, int& bottom, int& left, int& right) {
    TGridDrawInfo info;
    CalcDrawInfo(info);
    top = info.Vert.FixedBoundary;
    const int lastRow = DataRowToGridRow(std::max(0, std::min(DataLink()->RecordCount(), VisibleDataRowCount()) - 1));
    const TRect last = CellRect(indicatorOffset_ < ColCount() ? indicatorOffset_ : 0, lastRow);
    bottom = last.IsEmpty() ? top : last.Bottom;
    left = info.Horz.FixedBoundary;
    right = info.Horz.GridBoundary;
}

// Follows the mouse at (x, y) while selecting rows, cells or columns.
void TCustomDBGridEh::FollowMouseSelecting(TShiftState shift, int x, int y) {
    TGridDataLinkEh* link = DataLink();
    if (!link->Active() || !DataSet()) return;
    int top, bottom, left, right;
    DataRowsExtent(top, bottom, left, right);
    if (mouseState_ == 2) {
        const TGridCoord cell = MouseCoord(std::clamp(x, 0, std::max(0, right - 1)), std::max(0, top - 1));
        const int dataCol = GridColToDataCol(cell.X);
        if (x >= left && x < right && dataCol >= 0 && dataCol < Columns()->Count()) {
            Selection()->Columns()->ExtendToColumn(Columns()->ColumnAt(dataCol));
            InvalidateGrid();
        }
        AutoScrollMouseSelection();
        return;
    }
    const int cx = std::clamp(x, left, std::max(left, right - 1));
    const int cy = std::clamp(y, top, std::max(top, bottom - 1));
    const TGridCoord cell = MouseCoord(cx, cy);
    TCellTypeEh type;
    if (cell.X >= 0 && cell.Y >= 0 && TryGetCellType(cell.X, cell.Y, type) && type.RowKind == rkDataEh &&
        type.DataRow < link->RecordCount()) {
        const int distance = type.DataRow - link->ActiveRecord();
        if (distance != 0) {
            if (mouseState_ == 3)
                link->MoveBy(distance);
            else
                MoveRowsSelecting(shift.Contains(ssLeft) && mouseDownPoint_ != Point(x, y), distance, true, false);
        }
        if (cellDragSelect_ && type.CellKind == ckDataColEh) SelectDataColumn(cell.X, 0);
        if (mouseState_ == 3) ExtendRectToCurrent(false);
    }
    AutoScrollMouseSelection();
}

void TCustomDBGridEh::AutoScrollMouseSelection() {
    TGridDataLinkEh* link = DataLink();
    if (mouseState_ == 0 || !link->Active() || !DataSet()) {
        StopAutoScroll();
        return;
    }
    const TPoint at = lastMousePoint_;
    int top, bottom, left, right;
    DataRowsExtent(top, bottom, left, right);
    if (mouseState_ == 2) {
        int distance = 0;
        TColumnEh* edge = nullptr;
        if (at.X < left && LeftCol() > FixedCols()) {
            distance = left - at.X;
            MoveTopLeft(LeftCol() - 1, TopRow());
            const int dataCol = GridColToDataCol(LeftCol());
            if (dataCol >= 0 && dataCol < Columns()->Count()) edge = Columns()->ColumnAt(dataCol);
        } else if (at.X >= right && LeftCol() < MaxLeftCol()) {
            distance = at.X - right + 1;
            MoveTopLeft(LeftCol() + 1, TopRow());
            TGridDrawInfo info;
            CalcDrawInfo(info);
            const int dataCol = GridColToDataCol(info.Horz.LastFullVisibleCell);
            if (dataCol >= 0 && dataCol < Columns()->Count()) edge = Columns()->ColumnAt(dataCol);
        }
        if (distance == 0) {
            StopAutoScroll();
            return;
        }
        if (edge) Selection()->Columns()->ExtendToColumn(edge);
        InvalidateGrid();
        StartAutoScroll(AutoScrollIntervalEh(distance, 10));
        return;
    }
    int vertical = 0;
    if (at.Y < top)
        vertical = at.Y - top;
    else if (at.Y >= bottom)
        vertical = at.Y - bottom + 1;
    int horizontal = 0;
    if (cellDragSelect_) {
        if (at.X < left)
            horizontal = at.X - left;
        else if (at.X >= right)
            horizontal = at.X - right + 1;
    }
    if (vertical == 0 && horizontal == 0) {
        StopAutoScroll();
        return;
    }
    const int rows = AutoScrollRowsEh(std::abs(vertical));
    if (rows > 0) {
        const int distance = vertical < 0 ? -rows : rows;
        if (mouseState_ == 3) {
            link->MoveBy(distance);
            ExtendRectToCurrent(false);
        } else {
            MoveRowsSelecting(true, distance, true, false);
        }
    }
    if (horizontal != 0) {
        const int step = horizontal < 0 ? -1 : 1;
        SelectDataColumn(Col() + step, step, mouseState_ == 3);
    }
    StartAutoScroll(AutoScrollIntervalEh(std::max(std::abs(vertical), std::abs(horizontal)), 15));
}

void TCustomDBGridEh::MouseMove(TShiftState shift, int x, int y) {
    lastMousePoint_ = Point(x, y);
    if (selectionDragArmed_) {
        if (!Dragging()) BeginDrag(false);
        return;
    }
    if (mouseState_ == 0 && !titlePressPending_ && GridState() == gsNormal && !shift.Contains(ssLeft) &&
        !shift.Contains(ssRight))
        UpdateCellHint(x, y);
    else
        HideCellHint();
    if (titlePressPending_) {
        const TGridCoord cell = MouseCoord(x, y);
        const bool over = cell.X == pressedTitleCol_ && cell.Y >= 0 && cell.Y < shapeTitleRows_;
        if (titleButtonPressed_ && over != titleShownDown_) SetPressedTitle(pressedTitleCol_, over);
        if (Options().Contains(dgColumnResize) && std::abs(x - mouseDownPoint_.X) > 3) {
            const int col = pressedTitleCol_;
            titlePressPending_ = false;
            SetPressedTitle(-1, false);
            if (col >= FixedCols()) {
                Canvas()->Pen()->SetColor(clSilver);
                BeginColumnMoving(col, mouseDownPoint_.X, mouseDownPoint_.Y);
            }
        }
    }
    if (mouseState_ == 1 || mouseState_ == 2 || mouseState_ == 3) FollowMouseSelecting(shift, x, y);
    if (mouseState_ == 7) AutoScrollWhileDragging();
    if (mouseState_ == 6 && traceSizingCol_ < 0) {
        MoveFrozenSizingLine(std::max(x, frozenSizingLeft_ + 1));
        return TControl::MouseMove(shift, x, y);
    }
    if (traceSizingCol_ >= 0) {
        TraceColSizing(x);
        return TControl::MouseMove(shift, x, y);
    }
    TCustomGrid::MouseMove(shift, x, y);
}

void TCustomDBGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
    lastMousePoint_ = Point(x, y);
    if (mouseState_ == 6 && traceSizingCol_ < 0) {
        // The column takes the line's place when that leaves it more than a pixel.
        const int width = frozenSizingLineX_ - frozenSizingLeft_;
        const int col = frozenSizingCol_;
        MoveFrozenSizingLine(-1);
        mouseState_ = 0;
        frozenSizingCol_ = -1;
        if (MouseCapture()) SetMouseCapture(false);
        if (width > 1 && col >= 0 && col < ColCount()) SetColWidths(col, width);
        if (guard.Destroyed()) return;
        TControl::MouseUp(button, shift, x, y);
        return;
    }
    if (traceSizingCol_ >= 0) {
        TraceColSizing(x);
        traceSizingCol_ = -1;
        mouseState_ = 0;
        frozenSizingCol_ = -1;
        if (guard.Destroyed()) return;
        if (MouseCapture()) SetMouseCapture(false);
        TControl::MouseUp(button, shift, x, y);
        return;
    }
    if (selectionDragArmed_) {
        // The selection was pressed but not dragged: a click on it.
        selectionDragArmed_ = false;
        TDBGridEhSelection* selection = Selection();
        if (shift.Contains(ssCtrl) && selection->SelectionType() == gstRecordBookmarks && DataLink()->Active()) {
            TBookmarkListEh* rows = SelectedRowBookmarks();
            rows->SetSelectedCurrentRow(!rows->SelectedCurrentRow());
        } else if (OptionsEh().Contains(dghClearSelection)) {
            ClearGridSelection();
        }
        if (guard.Destroyed()) return;
    }
    const bool draggedRecords = mouseState_ == 7;
    if (draggedRecords) {
        EndRecordDrag(x, y, button == mbLeft);
        if (guard.Destroyed()) return;
    }
    StopAutoScroll();
    mouseState_ = 0;
    rowDragSelect_ = cellDragSelect_ = false;
    if (titlePressPending_) {
        const int col = pressedTitleCol_;
        const bool wasButton = titleButtonPressed_;
        titlePressPending_ = false;
        SetPressedTitle(-1, false);
        const TGridCoord cell = MouseCoord(x, y);
        if (wasButton && button == mbLeft && cell.X == col && cell.Y >= 0 && cell.Y < shapeTitleRows_ &&
            IsTitleLeafPoint(col, y)) {
            const int dataCol = GridColToDataCol(col);
            if (dataCol >= 0 && dataCol < Columns()->Count()) {
                TColumnEh* column = Columns()->ColumnAt(dataCol);
                TitleBtnClick(dataCol, column);
                if (guard.Destroyed()) return;
                if (dataCol < Columns()->Count() && Columns()->ColumnAt(dataCol) == column)
                    core_->SortTitleClicked(column, shift.Contains(ssCtrl));
                if (guard.Destroyed()) return;
            }
        }
    }
    if (rightMovesColumns_ && button == mbRight) {
        rightMovesColumns_ = false;
        if (rightCaptured_) {
            rightCaptured_ = false;
            if (MouseCapture()) SetMouseCapture(false);
        }
        button = mbLeft;
    }
    if (button == mbRight && rightCaptured_) {
        rightCaptured_ = false;
        SetMouseCapture(false);
    }
    const TGridState state = GridState();
    const bool sizingOrMoving =
        state == gsColSizing || state == gsRowSizing || state == gsColMoving || state == gsRowMoving;
    const int checkCol = checkClickCol_, checkRow = checkClickRow_;
    checkClickCol_ = checkClickRow_ = -1;
    TCustomGrid::MouseUp(button, shift, x, y);
    if (guard.Destroyed() || sizingOrMoving || draggedRecords || button != mbLeft) return;
    if (EditorShown()) {
        const TRect editor = InplaceEditor()->BoundsRect();
        if (editor.Contains(Point(x, y))) return;
    }
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    if (cell.X < 0 || cell.Y < 0 || !TryGetCellType(cell.X, cell.Y, type) || type.CellKind != ckDataColEh) return;
    if (type.DataCol >= Columns()->Count()) return;
    TColumnEh* column = Columns()->ColumnAt(type.DataCol);
    if (type.RowKind == rkTitleEh) {
        if (IsTitleLeafPoint(cell.X, y)) TitleClick(column);  // not on a group's caption
    } else if (type.RowKind == rkDataEh) {
        CellClick(column);
        if (guard.Destroyed()) return;
        // A click released on the check-box cell it began on steps its value.
        if (cell.X == checkCol && cell.Y == checkRow && !column->DblClickNextVal() && !shift.Contains(ssDouble) &&
            DataLink()->Active())
            ToggleCheckCell(column, shift.Contains(ssShift));
    }
}

// ---- Width optimisation ---------------------------------------------------------------------------------------------

void TCustomDBGridEh::OptimizeColumnWidth(TColumnEh* column) { OptimizeColWidths({column}); }

void TCustomDBGridEh::OptimizeColWidth(TColumnEh* column) {
    std::vector<TColumnEh*> columns;
    if (SelectionType() == gstColumns) {
        TDBGridEhSelectionCols* selected = Selection()->Columns();
        for (int i = 0; i < selected->Count(); ++i) columns.push_back(selected->ColumnAt(i));
    } else if (SelectionType() == gstAll) {
        for (int i = 0; i < Columns()->Count(); ++i) columns.push_back(Columns()->ColumnAt(i));
    }
    if (std::find(columns.begin(), columns.end(), column) == columns.end()) columns.push_back(column);
    OptimizeColWidths(columns);
}

void TCustomDBGridEh::OptimizeColWidths(const std::vector<TColumnEh*>& columns) {
    if (columns.empty()) return;
    TBitmap measure;
    measure.SetSize(1, 1);
    TCanvas* canvas = measure.Canvas();
    std::vector<int> widths;
    for (TColumnEh* column : columns) {
        TColumnTitleEh* title = column->Title();
        canvas->Font()->Assign(title->Font());
        THeadTreeNode* leaf = LeafOf(column->Index());
        const String caption = leaf ? leaf->Text : title->Caption();
        int width = MeasureTextWidth(canvas, caption) + titleTextMargin_;
        if (titleImages_ && title->ImageIndex() >= 0) width = std::max(width, titleImages_->Width() + titleTextMargin_);
        widths.push_back(width);
    }
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    if (link->Active() && ds && !ds->IsEmpty()) {
        ds->DisableControls();
        const TBookmark saved = ds->Bookmark();
        try {
            const int checkWidth = CheckBoxSize().cx;
            for (ds->First(); !ds->Eof(); ds->Next()) {
                for (std::size_t i = 0; i < columns.size(); ++i) {
                    TColumnEh* column = columns[i];
                    canvas->Font()->Assign(column->Font());
                    int need = 0;
                    const TColumnEhValueType kind = column->GetColumnType();
                    if (kind == ctCheckboxes)
                        need = checkWidth;
                    else if (kind == ctKeyImageList && column->ImageList())
                        need = dynamic_cast<TCustomImageList*>(column->ImageList())
                                   ? dynamic_cast<TCustomImageList*>(column->ImageList())->Width()
                                   : 0;
                    else
                        need = MeasureTextWidth(canvas, column->DisplayText());
                    need += 4;
                    if (column->AlwaysShowEditButton())
                        need += column->EditButtonsWidth(DefaultFlatButtonWidth(), editButtonWidth_);
                    widths[i] = std::max(widths[i], need);
                }
            }
        } catch (...) {
            ds->GotoBookmark(saved);
            ds->EnableControls();
            throw;
        }
        ds->GotoBookmark(saved);
        ds->EnableControls();
    }
    for (std::size_t i = 0; i < columns.size(); ++i) {
        canvas->Font()->Assign(FooterFont());
        for (int f = 0; f < FooterRowCount(); ++f)
            widths[i] = std::max(widths[i], MeasureTextWidth(canvas, GetFooterValueText(f, columns[i])) + 5);
    }
    const bool bracket = !AutoFitColWidths();
    if (bracket) BeginLayout();
    try {
        for (std::size_t i = 0; i < columns.size(); ++i) columns[i]->SetWidth(widths[i]);
    } catch (...) {
        if (bracket) EndLayout();
        throw;
    }
    if (bracket) EndLayout();
}

// ---- Tool tips ------------------------------------------------------------------------------------------------------

void TCustomDBGridEh::HideCellHint() {
    if (cellHint_) cellHint_->ReleaseHandle();
    hintCell_ = TGridCoord{-1, -1};
}

void TCustomDBGridEh::CMMouseLeave(TMessage& m) {
    HideCellHint();
    TCustomGrid::CMMouseLeave(m);
}

// Over a title or data cell whose tool tips are on and whose text does not fit, the whole text shows
// in a tip laid exactly over the cell's text.
void TCustomDBGridEh::UpdateCellHint(int x, int y) {
    const TGridCoord cell = MouseCoord(x, y);
    TCellTypeEh type;
    TGridDataLinkEh* link = DataLink();
    String text;
    const TCustomFont* font = nullptr;
    bool wanted = false;
    if (HandleAllocated() && cell.X >= 0 && cell.Y >= 0 && TryGetCellType(cell.X, cell.Y, type) &&
        type.CellKind == ckDataColEh && type.DataCol >= 0 && type.DataCol < Columns()->Count() &&
        GetKeyState(VK_CONTROL) >= 0 && !MouseCapture()) {
        TColumnEh* column = Columns()->ColumnAt(type.DataCol);
        if (type.RowKind == rkTitleEh && column->Title()->ToolTips() && IsTitleLeafPoint(cell.X, y)) {
            THeadTreeNode* leaf = LeafOf(type.DataCol);
            text = leaf ? leaf->Text : column->Title()->Caption();
            font = column->Title()->Font();
            wanted = true;
        } else if (type.RowKind == rkDataEh && column->ToolTips() && link->Active() &&
                   type.DataRow < link->RecordCount()) {
            const TColumnEhValueType kind = column->GetColumnType();
            if (kind != ctCheckboxes && kind != ctKeyImageList) {
                const int saved = link->ActiveRecord();
                link->SetActiveRecord(type.DataRow);
                text = column->DisplayText();
                link->SetActiveRecord(saved);
                font = column->Font();
                wanted = true;
            }
        }
    }
    if (wanted && !text.empty()) {
        const TRect r = CellRect(cell.X, cell.Y);
        TBitmap measure;
        measure.SetSize(1, 1);
        measure.Canvas()->Font()->Assign(const_cast<TCustomFont*>(font));
        int needWidth = 0, needHeight = 0;
        wanted = TextNeedsHint(measure.Canvas(), r, 2, 2, text, false, DT_SINGLELINE, needWidth, needHeight);
        if (wanted) {
            if (cell == hintCell_ && cellHint_ && cellHint_->Showing() && cellHint_->Caption() == text) return;
            if (!cellHint_) cellHint_ = std::make_unique<THintWindow>();
            const TRect box = cellHint_->CalcHintRect(text);
            // The tip's text lands where the cell's text starts.
            const TPoint origin = ClientToScreen(Point(r.Left + 2 - THintWindow::kMargin - 1, r.Top));
            const TRect screen{origin.X, origin.Y, origin.X + std::max(box.Width(), r.Width()),
                               origin.Y + std::max(box.Height(), r.Height())};
            cellHint_->ActivateHint(screen, text);
            hintCell_ = cell;
            return;
        }
    }
    HideCellHint();
}
