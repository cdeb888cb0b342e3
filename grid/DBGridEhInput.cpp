// The data grid's messages and input: the dispatcher, focus and sizing messages, the data set moved
// by keys, the wheel and the vertical scroll bar, row selection by keys and clicks, title clicks
// handed to the sort markers, and the selection state (rows and all rows).
//
// Not yet (slots only): incremental search, the find dialog, the clipboard commands, rectangle and
// column selection, record dragging, tool tips, the filter row's editor.
#include "DBGridEh.h"
#include "DBGridEhClipboard.h"
#include "DBGridEhSelection.h"

#include "Dialogs.h"

#include <algorithm>
#include <climits>

// ---- Dispatcher -------------------------------------------------------------------------------------------

void TCustomDBGridEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_SIZE:
        TCustomGrid::Dispatch(m);
        return WMSize(m);
    case WM_SETFOCUS: return WMSetFocus(m);
    case WM_KILLFOCUS: return WMKillFocus(m);
    case WM_ERASEBKGND: m.Result = 1; return;  // the cells cover the client area
    case WM_GETDLGCODE: return WMGetDlgCode(m);
    case WM_CANCELMODE: return WMCancelMode(m);
    case WM_HSCROLL:
        TCustomGrid::Dispatch(m);
        UpdateHorzScrollBar();
        return;
    case CM_CANCELMODE:
        TCustomGrid::Dispatch(m);
        return WMCancelMode(m);
    case CM_SYSCOLORCHANGE: return CMSysColorChange(m);
    case kDeferredLayoutMessage: return WMDeferredLayout(m);
    default:
        if (m.Msg > WM_USER + 100 && m.Msg < WM_USER + 200)
            VLOG_ERROR(LogGrid, "unhandled private message %s", MessageName(m.Msg).c_str());
        return TCustomGrid::Dispatch(m);
    }
}

void TCustomDBGridEh::WMSetFocus(TMessage& m) {
    TCustomGrid::Dispatch(m);
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
    TCustomGrid::Dispatch(m);
    if (Options().Contains(dgRowSelect)) InvalidateGridRow(Row());
    if (!toEditor) {
        lastSelectionActive_ = false;
        InvalidateSelection();
    }
}

void TCustomDBGridEh::WMGetDlgCode(TMessage& m) {
    TCustomGrid::Dispatch(m);
    if (OptionsEh().Contains(dghPreferIncSearch)) m.Result |= DLGC_WANTCHARS;
}

void TCustomDBGridEh::WMCancelMode(TMessage& m) {
    if (m.Msg == WM_CANCELMODE) TCustomGrid::Dispatch(m);
    if (titlePressPending_) {
        titlePressPending_ = false;
        SetPressedTitle(-1, false);
    }
    mouseState_ = 0;
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

// ---- Focus and moving the data set ---------------------------------------------------------------------------------

bool TCustomDBGridEh::AcquireFocus() {
    // A grid that cannot take the focus now (its window is not showing) acts without it.
    if (!mayAcquireFocus_ || IsGridDesigning() || !HandleAllocated() || !IsWindowVisible(WindowHandle()) ||
        !CanFocus())
        return true;
    if (!GridFocused()) SetFocus();
    return GridFocused();
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
        if (skipThumbPosition_) {
            skipThumbPosition_ = false;
            break;
        }
        if (sequenced) {
            if (pos <= 1)
                ds->First();
            else if (pos >= SumList()->RecordCount())
                ds->Last();
            else
                ds->SetRecNo(pos);
        } else {
            switch (pos) {
            case vtpFirstEh: ds->First(); break;
            case vtpPageUpEh: link->MoveBy(-VisibleDataRowCount()); break;
            case vtpPageDownEh: link->MoveBy(VisibleDataRowCount()); break;
            case vtpLastEh: ds->Last(); break;
            default: break;
            }
        }
        break;
    case SB_THUMBTRACK:
        if (VertScrollBar()->Tracking() && sequenced) {
            link->MoveBy(pos - SumList()->RecNo());
            skipThumbPosition_ = true;
        }
        break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
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
    gridCol = std::clamp(gridCol, indicatorOffset_, ColCount() - 1);
    if (direction != 0) {
        while (gridCol >= indicatorOffset_ && gridCol < ColCount() && ColWidths(gridCol) < 1) gridCol += direction;
        if (gridCol < indicatorOffset_ || gridCol >= ColCount()) return;
    }
    if (gridCol == Col()) return;
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
}

void TCustomDBGridEh::MoveRowsSelecting(bool select, int distance, bool noRect, bool toEnd) {
    TGridDataLinkEh* link = DataLink();
    TDataSet* ds = link->DataSet();
    if (!link->Active() || !ds || (distance == 0 && !toEnd)) return;
    const int step = distance < 0 ? -1 : 1;
    long long remaining = toEnd ? LLONG_MAX : std::abs(static_cast<long long>(distance));
    const bool multi = Options().Contains(dgMultiSelect);
    TBookmarkListEh* rows = SelectedRowBookmarks();
    const bool batch = remaining > 1;
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
    const bool extend = shift.Contains(ssShift) && Options().Contains(dgMultiSelect);
    if (shift.Contains(ssCtrl))
        CtrlKeyDown(key, extend);
    else
        PlainKeyDown(key, shift, extend);
}

void TCustomDBGridEh::MoveByKey(int distance, bool extend) {
    if (extend) {
        MoveRowsSelecting(true, distance, true, false);
    } else {
        ClearGridSelection();
        DataLink()->MoveBy(distance);
    }
}

void TCustomDBGridEh::MoveToEdgeByKey(bool toEnd, bool extend) {
    if (extend) {
        MoveRowsSelecting(true, toEnd ? 1 : -1, true, true);
        return;
    }
    ClearGridSelection();
    if (toEnd)
        DataSet()->Last();
    else
        DataSet()->First();
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
    case VK_DELETE: DeleteRecordsByKey(); break;
    case 'C':
    case VK_INSERT:
        if (SelectionType() != gstNon && editActions_.Contains(geaCopyEh)) DBGridEh_DoCopyAction(this, false);
        break;
    default: break;
    }
}

void TCustomDBGridEh::PlainKeyDown(WORD key, TShiftState shift, bool extend) {
    const TDBGridOptions options = Options();
    const bool shiftHeld = shift.Contains(ssShift);
    const int rows = VisibleDataRowCount();
    switch (key) {
    case VK_ESCAPE: EscapeKeyDown(); break;
    case VK_PRIOR: MoveByKey(-rows, extend); break;
    case VK_NEXT: MoveByKey(rows, extend); break;
    case VK_END:
    case VK_HOME: {
        const bool toEnd = key == VK_END;
        if (ColCount() - indicatorOffset_ > 1 && !options.Contains(dgRowSelect))
            SelectDataColumn(toEnd ? ColCount() - 1 : indicatorOffset_, toEnd ? -1 : 1);
        else
            MoveToEdgeByKey(toEnd, extend);
        break;
    }
    case VK_LEFT:
    case VK_RIGHT: {
        const int direction = key == VK_LEFT ? -1 : 1;
        if (options.Contains(dgRowSelect)) {
            MoveTopLeft(LeftCol() + direction, TopRow());
        } else {
            if (!extend) ClearGridSelection();
            SelectDataColumn(Col() + direction, direction);
        }
        break;
    }
    case VK_UP: UpKeyDown(extend); break;
    case VK_DOWN: DownKeyDown(extend); break;
    case VK_INSERT:
        if (!shiftHeld) InsertKeyDown();
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
    if (GridState() == gsRowSizing || GridState() == gsColSizing || GridState() == gsColMoving) Perform(WM_CANCELMODE);
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
    TCustomGrid::KeyPress(key);
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

void TCustomDBGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
    mouseDownPoint_ = Point(x, y);
    if (!AcquireFocus() || guard.Destroyed()) return;
    const TDBGridOptions options = Options();
    TGridDrawInfo info;
    CalcDrawInfo(info);
    TGridState sizing = gsNormal;
    int index = -1, pos = 0, ofs = 0;
    if (button == mbLeft && !shift.Contains(ssDouble)) CalcSizingState(x, y, sizing, index, pos, ofs, info);
    if (sizing == gsColSizing || sizing == gsRowSizing) {
        if (DataLink()->Active()) DataLink()->UpdateRecord();
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
        return;
    }
    if (filterEditing_) {
        StopFilterEditing();
        if (guard.Destroyed()) return;
    }

    // A title: a title button shows pressed until the mouse goes up; with column moving any title
    // waits for the mouse to move away before the column moves.
    if (known && type.RowKind == rkTitleEh && type.CellKind == ckDataColEh && button == mbLeft &&
        !shift.Contains(ssDouble) && !IsGridDesigning() && IsTitleLeafPoint(cell.X, y) &&
        type.DataCol < Columns()->Count()) {
        bool enabled = Columns()->ColumnAt(type.DataCol)->Title()->TitleButton();
        CheckTitleButton(type.DataCol, enabled);
        if (guard.Destroyed()) return;
        if (enabled || options.Contains(dgColumnResize)) {
            titlePressPending_ = true;
            titleButtonPressed_ = enabled;
            SetPressedTitle(cell.X, enabled);
        }
        if (enabled) return;
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

    TGridDataLinkEh* link = DataLink();
    if (known && type.RowKind == rkDataEh && link->Active() && DataSet()) {
        link->UpdateRecord();
        HideEditor();
        const int oldCol = Col();
        const int oldDataRow = link->ActiveRecord();
        const bool multi = options.Contains(dgMultiSelect);
        const bool rowSelect = options.Contains(dgRowSelect);
        const bool shiftExtend = shift.Contains(ssShift) && multi;
        const bool moveNow = !shiftExtend || (type.CellKind == ckDataColEh && !rowSelect);
        if (type.DataRow != oldDataRow && moveNow && type.DataRow < link->RecordCount())
            link->MoveBy(type.DataRow - link->ActiveRecord());
        if (guard.Destroyed()) return;
        if (type.CellKind == ckDataColEh) SelectDataColumn(cell.X, 0);
        if (guard.Destroyed()) return;
        if (multi && allowedSelections_.Contains(gstRecordBookmarks)) {
            TBookmarkListEh* rows = SelectedRowBookmarks();
            toggleSelection_ = shift.Contains(ssCtrl) || !OptionsEh().Contains(dghClearSelection);
            if (shiftExtend && type.DataRow != oldDataRow) {
                if (!extending_) {
                    selectionAnchor_ = DataSet()->Bookmark();
                    selectSet_ = true;
                    extending_ = true;
                    rows->SetSelectedCurrentRow(true);
                }
                if (!moveNow) MoveRowsSelecting(true, type.DataRow - oldDataRow, true, false);
                else rows->SetSelectedCurrentRow(true);
            } else if (toggleSelection_) {
                rows->SetSelectedCurrentRow(!rows->SelectedCurrentRow());
                selectionAnchor_ = DataSet()->Bookmark();
                selectSet_ = rows->SelectedCurrentRow();
                extending_ = true;
            } else if (button == mbLeft) {
                ClearGridSelection();
                rows->SetSelectedCurrentRow(true);
                selectionAnchor_ = DataSet()->Bookmark();
                selectSet_ = true;
                extending_ = true;
            } else if (!rows->SelectedCurrentRow()) {
                ClearGridSelection();
            }
        } else if (!shift.Contains(ssCtrl) && !shift.Contains(ssShift) && OptionsEh().Contains(dghClearSelection)) {
            ClearGridSelection();
        }
        if (button == mbLeft && !rowSelect &&
            (IsAlwaysShowEditor() || (cell.X == oldCol && type.DataRow == oldDataRow)))
            ShowEditor();
        if (guard.Destroyed()) return;
    }
    TControl::MouseDown(button, shift, x, y);
}

void TCustomDBGridEh::MouseMove(TShiftState shift, int x, int y) {
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
    TCustomGrid::MouseMove(shift, x, y);
}

void TCustomDBGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TBusyGuard guard(this);
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
    const TGridState state = GridState();
    const bool sizingOrMoving =
        state == gsColSizing || state == gsRowSizing || state == gsColMoving || state == gsRowMoving;
    mouseState_ = 0;
    TCustomGrid::MouseUp(button, shift, x, y);
    if (guard.Destroyed() || sizingOrMoving || button != mbLeft) return;
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
    }
}
