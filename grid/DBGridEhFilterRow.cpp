// The grid's filter row: the editor over a filter cell with its list of the column's values and the
// fixed items, moving between filter cells by key, and applying the column filters.
#include "DBGridEh.h"

#include "Forms.h"

#include <cmath>

// ---- The editor ------------------------------------------------------------------------------------

TInplaceFilterEditEh::TInplaceFilterEditEh(TComponent* owner) : TComboBox(owner) {}

const char* TInplaceFilterEditEh::ItemText(TItemCode code) {
    switch (code) {
    case icEmpty: return "(Empty)";
    case icNotEmpty: return "(Not empty)";
    case icAll: return "(All)";
    case icClearFilter: return "(Clear filter)";
    case icSeparator: return "-";
    case icSortAscending: return "(Order by ascending)";
    case icSortDescending: return "(Order by descending)";
    default: return "";
    }
}

TInplaceFilterEditEh::TItemCode TInplaceFilterEditEh::ItemCode(int index) const {
    if (index < 0 || index >= Items()->Count()) return icValue;
    return static_cast<TItemCode>(reinterpret_cast<std::intptr_t>(Items()->Objects(index)));
}

void TInplaceFilterEditEh::CNKeyDown(TMessage& m) {
    // The keys reach the combo box's own edit, not this control: they are seen here first.
    if (!DroppedDown()) {
        WORD key = static_cast<WORD>(m.WParam);
        const TShiftState shift = KeyDataToShiftState(m.LParam);
        if (key == VK_RETURN) {
            wchar_t ch = L'\r';
            if (OnKeyPress) OnKeyPress(this, ch);
            key = ch == 0 ? 0 : key;
        } else if (OnKeyDown) {
            OnKeyDown(this, key, shift);
        }
        if (key == 0) {
            m.Result = 1;
            return;
        }
    }
    inherited::CNKeyDown(m);
}

void TInplaceFilterEditEh::CNCommand(TMessage& m) {
    switch (HIWORD(m.WParam)) {
    case CBN_DROPDOWN:
    case CBN_SELENDCANCEL: Accepted = false; break;
    case CBN_SELENDOK: Accepted = true; break;
    default: break;
    }
    inherited::CNCommand(m);
}

void TInplaceFilterEditEh::CMWantSpecialKey(TMessage& m) {
    // Tab, the arrows and Enter belong to the filter row, never to the form's dialog keys.
    if (m.WParam == VK_TAB || m.WParam == VK_RETURN || m.WParam == VK_LEFT || m.WParam == VK_RIGHT ||
        m.WParam == VK_UP || m.WParam == VK_DOWN) {
        m.Result = 1;
        return;
    }
    inherited::CMWantSpecialKey(m);
}

int TInplaceFilterEditEh::CaretStart() {
    DWORD start = 0, end = 0;
    if (HandleAllocated()) SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(start);
}

int TInplaceFilterEditEh::CaretEnd() {
    DWORD start = 0, end = 0;
    if (HandleAllocated()) SendMessageW(Handle(), CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return static_cast<int>(end);
}

int TInplaceFilterEditEh::TextLength() {
    return HandleAllocated() ? GetWindowTextLengthW(Handle()) : static_cast<int>(ToWide(Text()).size());
}

void TInplaceFilterEditEh::SelectText(int start, int end) {
    if (HandleAllocated()) SendMessageW(Handle(), CB_SETEDITSEL, 0, MAKELPARAM(start, end));
}

bool TInplaceFilterEditEh::HasFocus() const {
    if (!HandleAllocated()) return false;
    HWND focus = GetFocus();
    return focus && (focus == WindowHandle() || IsChild(WindowHandle(), focus));
}

// ---- The grid's side ----------------------------------------------------------------------------------

String TCustomDBGridEh::FilterCellText(int dataCol) const {
    TDBGridColumnsEh* columns = Columns();
    if (dataCol < 0 || dataCol >= columns->Count()) return String();
    TColumnEh* column = columns->ColumnAt(dataCol);
    if (column->FieldName().empty()) return String();
    return column->STFilter()->ExpressionText();
}

TColor TCustomDBGridEh::FilterRowColor() const {
    const COLORREF rgb = static_cast<COLORREF>(ColorToRGB(FixedColor()));
    auto lighten = [](int c) { return std::min(255, c + static_cast<int>(std::nearbyint(c / 8.0))); };
    return static_cast<TColor>(RGB(lighten(GetRValue(rgb)), lighten(GetGValue(rgb)), lighten(GetBValue(rgb))));
}

bool TCustomDBGridEh::FilterCellEditable(int dataCol) {
    if (!IsFilterRowVisible()) return false;
    TDBGridColumnsEh* columns = Columns();
    if (dataCol < 0 || dataCol >= columns->Count()) return false;
    TColumnEh* column = columns->ColumnAt(dataCol);
    return column->Visible() && column->STFilter()->Visible();
}

TInplaceFilterEditEh* TCustomDBGridEh::MakeFilterEditor() {
    return New<TInplaceFilterEditEh>(this);
}

bool TCustomDBGridEh::IsFilterEditorAllowed() {
    return filterEditing_ && SelectionType() == gstNon;
}

void TCustomDBGridEh::ApplyFilterEditorText(int dataCol) {
    TDBGridColumnsEh* columns = Columns();
    if (!filterEdit_ || dataCol < 0 || dataCol >= columns->Count()) return;
    TColumnEh* column = columns->ColumnAt(dataCol);
    if (column->FieldName().empty()) return;
    // A text that does not read raises with its message; the column keeps its expression.
    column->STFilter()->SetExpressionText(filterEdit_->Text());
}

void TCustomDBGridEh::FillFilterEditorList(int dataCol) {
    filterEdit_->Items()->Clear();
    filterEdit_->ListFilled = false;
    filterEdit_->SetText(FilterCellText(dataCol));
    // The list opens at the size it was last left in (100 pixels and 17 rows at first).
    TDBGridColumnsEh* columns = Columns();
    int width = 0, rows = 0;
    if (dataCol >= 0 && dataCol < columns->Count()) {
        const TSTColumnFilterEh* filter = columns->ColumnAt(dataCol)->STFilter();
        width = filter->DropDownListWidth;
        rows = filter->DropDownListRows;
    }
    filterEdit_->SetDropDownCount(rows > 0 ? rows : 17);
    filterEdit_->ListWidth = width > 0 ? width : 100;
    if (HandleAllocated())
        SendMessageW(filterEdit_->Handle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(filterEdit_->ListWidth), 0);
}

void TCustomDBGridEh::FilterEditDropDown(TObject*) {
    if (!filterEdit_ || filterEdit_->ListFilled) return;
    TDBGridColumnsEh* columns = Columns();
    if (filterCol_ < 0 || filterCol_ >= columns->Count()) return;
    TColumnEh* column = columns->ColumnAt(filterCol_);
    TSTColumnFilterEh* filter = column->STFilter();
    const String text = filterEdit_->Text();
    TStrings* items = filterEdit_->Items();
    items->BeginUpdate();
    try {
        items->Clear();
        TDataSet* dataSet = DataSet();
        if (dataSet && dataSet->Active() && !column->FieldName().empty()) {
            // The list's shown values for a list-based filter, else the column's own values.
            std::unique_ptr<TDatasetFieldValueListEh> listValues = filter->ListValues();
            TDatasetFieldValueListEh* values = listValues.get();
            if (!values) {
                if (!filterValues_) filterValues_ = std::make_unique<TDatasetFieldValueListEh>();
                TDataSet* list = filter->KeyBased() ? filter->ListDataSet() : nullptr;
                if (list && list->Active() && list->FindField(filter->ListFieldName())) {
                    filterValues_->SetDataSet(list);
                    filterValues_->SetFieldName(filter->ListFieldName());
                } else {
                    filterValues_->SetDataSet(dataSet);
                    filterValues_->SetFieldName(filter->FilterFieldName());
                }
                values = filterValues_.get();
            }
            TStrings* texts = values->Values();
            for (int i = 0; i < texts->Count(); ++i) items->Add(texts->Strings(i));
        }
        using Code = TInplaceFilterEditEh::TItemCode;
        for (Code code : {Code::icEmpty, Code::icNotEmpty, Code::icAll, Code::icClearFilter}) filterEdit_->AddItem(code);
        if (OptionsEh().Contains(dghAutoSortMarking) && column->Title()->TitleButton())
            for (Code code : {Code::icSeparator, Code::icSortAscending, Code::icSortDescending})
                filterEdit_->AddItem(code);
    } catch (...) {
        items->EndUpdate();
        throw;
    }
    items->EndUpdate();
    filterEdit_->ListFilled = true;
    filterEdit_->SetText(text);
    if (filterEdit_->HandleAllocated())
        SendMessageW(filterEdit_->Handle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(filterEdit_->ListWidth), 0);
}

void TCustomDBGridEh::FilterEditCloseUp(TObject*) {
    if (!filterEdit_ || filterCol_ < 0 || !filterEdit_->Visible() || !filterEdit_->Accepted) return;
    filterEdit_->Accepted = false;
    if (filterCol_ < Columns()->Count()) {
        // The list's size is kept for its next opening.
        TSTColumnFilterEh* filter = Columns()->ColumnAt(filterCol_)->STFilter();
        filter->DropDownListRows = filterEdit_->DropDownCount();
        if (filterEdit_->HandleAllocated()) {
            const LRESULT width = SendMessageW(filterEdit_->Handle(), CB_GETDROPPEDWIDTH, 0, 0);
            if (width > 0) filter->DropDownListWidth = static_cast<int>(width);
        }
    }
    const int index = filterEdit_->ItemIndex();
    const TInplaceFilterEditEh::TItemCode code = filterEdit_->ItemCode(index);
    if (index < 0) return;
    if (code != TInplaceFilterEditEh::icValue) {
        RunFilterItem(code);
        return;
    }
    filterEdit_->SetText(filterEdit_->Items()->Strings(index));
    if (style_ && style_->FilterEditCloseUpApplyFilter()) ApplyFilter();
}

void TCustomDBGridEh::RunFilterItem(TInplaceFilterEditEh::TItemCode code) {
    using Code = TInplaceFilterEditEh::TItemCode;
    const bool applyOnCloseUp = style_ && style_->FilterEditCloseUpApplyFilter();
    TDBGridColumnsEh* columns = Columns();
    switch (code) {
    case Code::icEmpty:
    case Code::icNotEmpty:
    case Code::icAll:
        filterEdit_->SetItemIndex(-1);
        filterEdit_->SetText(code == Code::icEmpty ? "=Null" : code == Code::icNotEmpty ? "<>Null" : "");
        if (applyOnCloseUp) ApplyFilter();
        break;
    case Code::icClearFilter:
        filterEdit_->SetItemIndex(-1);
        filterEdit_->SetText(String());
        StopFilterEditing();
        for (int i = 0; i < columns->Count(); ++i)
            if (!columns->ColumnAt(i)->FieldName().empty()) columns->ColumnAt(i)->STFilter()->Clear();
        Invalidate();
        ApplyFilter();
        break;
    case Code::icSortAscending:
    case Code::icSortDescending: {
        filterEdit_->SetItemIndex(-1);
        filterEdit_->SetText(FilterCellText(filterCol_));
        TColumnEh* sorted = columns->ColumnAt(filterCol_);
        for (int i = 0; i < columns->Count(); ++i) columns->ColumnAt(i)->Title()->SetSortMarker(smNoneEh);
        SortMarkedColumnList()->Clear();
        sorted->Title()->SetSortMarker(code == Code::icSortAscending ? smDownEh : smUpEh);
        if (SortMarkedColumnList()->IndexOf(sorted) < 0) SortMarkedColumnList()->Add(sorted);
        SortMarkingChanged();
        break;
    }
    default: break;
    }
}

void TCustomDBGridEh::StartFilterEditing(int dataCol) {
    if (!stFilter_->Visible() || !FilterCellEditable(dataCol)) return;
    if (DataLink()->Active() && DataSet()) DataSet()->CheckBrowseMode();
    if (!filterEdit_) {
        filterEdit_ = MakeFilterEditor();
        filterEdit_->SetVisible(false);
        filterEdit_->SetParent(this);
        filterEdit_->Font()->Assign(Font());
        filterEdit_->Font()->SetColor(clBlue);
        filterEdit_->SetColor(FilterRowColor());
        filterEdit_->OnKeyPress = Event<&TCustomDBGridEh::FilterEditKeyPress>(this);
        filterEdit_->OnKeyDown = Event<&TCustomDBGridEh::InplaceEditKeyDown>(this);
        filterEdit_->OnDropDown = Event<&TCustomDBGridEh::FilterEditDropDown>(this);
        filterEdit_->OnCloseUp = Event<&TCustomDBGridEh::FilterEditCloseUp>(this);
    }
    if (filterEditing_ && filterCol_ >= 0 && filterCol_ != dataCol && filterEdit_->Visible()) {
        const int previous = filterCol_;
        HideFilterEditor();
        InvalidateCell(DataColToGridCol(previous), titleOffset_ - 1);
    }
    filterCol_ = dataCol;
    filterEditing_ = true;
    HideEditor();
    const int gridCol = DataColToGridCol(dataCol);
    if (Options().Contains(dgRowSelect)) {
        if (gridCol < LeftCol() && gridCol >= FixedCols()) {
            SetLeftCol(gridCol);
        } else {
            // The farthest left column that still shows the column whole.
            TGridDrawInfo info;
            CalcDrawInfo(info);
            if (gridCol > info.Horz.LastFullVisibleCell) {
                int left = gridCol;
                int width = ColWidths(gridCol);
                while (left - 1 >= FixedCols() && width + ColWidths(left - 1) <= info.Horz.GridBoundary - info.Horz.FixedBoundary) {
                    --left;
                    width += ColWidths(left);
                }
                SetLeftCol(left);
            }
        }
    } else {
        SelectDataColumn(gridCol, 0);
    }
    InvalidateCell(gridCol, titleOffset_ - 1);
    UpdateFilterEditor(true);
}

void TCustomDBGridEh::HideFilterEditor() {
    if (!filterEdit_) return;
    if (Visible() && CanFocus() && filterEdit_->HasFocus()) {
        hidingFilterEditor_ = true;
        try {
            SetFocus();
        } catch (...) {
            hidingFilterEditor_ = false;
            throw;
        }
        hidingFilterEditor_ = false;
    }
    filterEdit_->SetVisible(false);
    if (filterCol_ >= 0) {
        InvalidateCell(DataColToGridCol(filterCol_), titleOffset_ - 1);
        ApplyFilterEditorText(filterCol_);
    }
}

void TCustomDBGridEh::StopFilterEditing() {
    if (!stFilter_ || stFilter_->UpdateCount() > 0) return;
    auto finish = [this] {
        filterEditing_ = false;
        if (Options().Contains(dgAlwaysShowEditor))
            ShowEditor();
        else
            HideEditor();
    };
    try {
        HideFilterEditor();
    } catch (...) {
        finish();
        throw;
    }
    finish();
}

void TCustomDBGridEh::UpdateFilterEditor(bool reposition) {
    if (!stFilter_ || stFilter_->UpdateCount() > 0 || (ComponentState() & csDestroying)) return;
    if (!IsFilterRowVisible() || !filterEditing_ || !FilterCellEditable(filterCol_)) {
        if (filterEdit_ && (filterEditing_ || filterEdit_->Visible())) StopFilterEditing();
        return;
    }
    if (!filterEdit_ || !HandleAllocated()) return;
    TRect cell = CellRect(DataColToGridCol(filterCol_), titleOffset_ - 1);
    cell.Left += 1;
    if (!IsFilterEditorAllowed()) {
        HideFilterEditor();
        return;
    }
    if (reposition) {
        filterEdit_->SetBounds(0, 0, 0, 0);
        FillFilterEditorList(filterCol_);
        filterEdit_->SetVisible(true);
        if (CanFocus()) filterEdit_->SetFocus();
        filterEdit_->SelectText(0, -1);
    }
    filterEdit_->SetBounds(cell.Left, cell.Top, std::max(0, cell.Width()), std::max(0, cell.Height()));
    filterEdit_->SetVisible(true);
}

void TCustomDBGridEh::ForwardToFilterEditor(UINT msg, WPARAM wParam, LPARAM lParam, const TPoint* at) {
    if (!filterEdit_ || !filterEdit_->HandleAllocated() || !filterEdit_->Visible()) return;
    HWND target = filterEdit_->Handle();
    if (at) {
        // The part of the combo box under the point: its edit or its button.
        POINT pt{at->X - filterEdit_->Left(), at->Y - filterEdit_->Top()};
        HWND child = ChildWindowFromPointEx(target, pt, CWP_SKIPINVISIBLE);
        if (child && child != target) {
            MapWindowPoints(target, child, &pt, 1);
            target = child;
        }
        lParam = MAKELPARAM(pt.x, pt.y);
        SendMessageW(target, msg, wParam, lParam);
        return;
    }
    HWND edit = GetWindow(target, GW_CHILD);
    PostMessageW(edit ? edit : target, msg, wParam, lParam);
}

void TCustomDBGridEh::FilterEditKeyPress(TObject*, wchar_t& Key) {
    if (Key != L'\r') return;
    Key = 0;
    ApplyFilter();
}

void TCustomDBGridEh::MoveToFilterCell(int direction, bool fromEdge) {
    const int first = IndicatorOffset();
    const int last = ColCount() - 1;
    if (last < first) return;
    int start = fromEdge ? (direction > 0 ? first - 1 : last + 1) : DataColToGridCol(filterCol_);
    int gridCol = start;
    for (int steps = 0; steps <= last - first + 1; ++steps) {
        gridCol += direction;
        if (gridCol > last) gridCol = first;
        if (gridCol < first) gridCol = last;
        if (gridCol == start) return;
        if (FilterCellEditable(GridColToDataCol(gridCol))) {
            StartFilterEditing(GridColToDataCol(gridCol));
            return;
        }
    }
}

void TCustomDBGridEh::InplaceEditKeyDown(TObject*, WORD& Key, TShiftState Shift) {
    if (!filterEdit_ || filterEdit_->DroppedDown()) return;
    const bool ctrl = Shift.Contains(ssCtrl);
    const bool plain = !ctrl && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt);
    const int length = filterEdit_->TextLength();
    const int selStart = filterEdit_->CaretStart();
    const int selEnd = filterEdit_->CaretEnd();
    switch (Key) {
    case VK_TAB:
        if (Options().Contains(dgTabs)) {
            MoveToFilterCell(Shift.Contains(ssShift) ? -1 : 1, false);
            Key = 0;
        }
        break;
    case VK_END:
        if (ctrl || (selStart == length && selEnd == length)) {
            MoveToFilterCell(-1, true);
            Key = 0;
        }
        break;
    case VK_HOME:
        if (ctrl || (selStart == 0 && selEnd == 0)) {
            MoveToFilterCell(1, true);
            Key = 0;
        }
        break;
    case VK_LEFT:
        if (ctrl) {
            MoveToFilterCell(1, true);
            Key = 0;
        } else if (selStart == 0 && selEnd == 0) {
            MoveToFilterCell(-1, false);
            Key = 0;
        }
        break;
    case VK_RIGHT:
        if (ctrl) {
            MoveToFilterCell(-1, true);
            Key = 0;
        } else if (selStart == length && selEnd == length) {
            MoveToFilterCell(1, false);
            Key = 0;
        }
        break;
    case VK_UP:
        if (plain) Key = 0;
        break;
    case VK_DOWN:
        if ((plain || (ctrl && !Shift.Contains(ssShift) && !Shift.Contains(ssAlt))) && DataLink()->Active()) {
            SelectDataColumn(DataColToGridCol(filterCol_), 0);
            if (plain) DataLink()->MoveBy(-DataLink()->ActiveRecord());
            StopFilterEditing();
            Key = 0;
        }
        break;
    case VK_F2:
        filterEdit_->SelectText(length, length);
        Key = 0;
        break;
    default: break;
    }
}

void TCustomDBGridEh::ApplyFilter() {
    if (filterCol_ >= 0 && filterEdit_ && filterEdit_->Visible()) ApplyFilterEditorText(filterCol_);
    const int left = LeftCol();
    auto after = [&] {
        if (left >= FixedCols() && left < ColCount()) SetLeftCol(left);
        UpdateFilterEditor(true);
        if (SumList() && SumList()->Active()) SumList()->RecomputeAll();
        Invalidate();
    };
    try {
        if (OnApplyFilter)
            OnApplyFilter(this);
        else
            DefaultApplyFilter();
    } catch (...) {
        after();
        throw;
    }
    after();
}
