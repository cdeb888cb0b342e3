// The grid's cell editor: its style per cell, its default button, its drop-downs and completion.
#include "CalculatorEhControls.h"
#include "DBGridEh.h"
#include "DBLookupGridsEh.h"

#include "DateTime.h"
#include "Encoding.h"
#include "FormatSettings.h"
#include "WinApi.h"

#include <algorithm>

namespace {

constexpr int kDefaultDropDownRows = 7;

bool IsDateField(const TField* field) {
    if (!field) return false;
    const TFieldType type = field->DataType();
    return type == ftDate || type == ftDateTime || type == ftTimeStamp;
}

// The first `count` characters (UTF-16 units) of `text`.
String LeadingUnits(const String& text, int count) {
    const std::wstring wide = ToWide(text);
    return FromWide(wide.c_str(), std::min<std::size_t>(wide.size(), std::size_t(std::max(count, 0))));
}

int UnitLength(const String& text) { return static_cast<int>(ToWide(text).size()); }

void ShowPopup(TWinControl* popup, const TPoint& pos) {
    popup->SetBounds(pos.X, pos.Y, popup->Width(), popup->Height());
    SetWindowPos(popup->Handle(), HWND_TOP, pos.X, pos.Y, popup->Width(), popup->Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    popup->SetVisible(true);
}

}  // namespace

TDBGridInplaceEdit::TDBGridInplaceEdit(TComponent* owner) : TInplaceEdit(owner) {}

TDBGridInplaceEdit::~TDBGridInplaceEdit() = default;

TCustomDBGridEh* TDBGridInplaceEdit::DBGrid() const { return dynamic_cast<TCustomDBGridEh*>(Grid()); }

TColumnEh* TDBGridInplaceEdit::CurrentColumn() const {
    TCustomDBGridEh* grid = DBGrid();
    if (!grid) return nullptr;
    const int index = grid->SelectedIndex();
    return index >= 0 && index < grid->Columns()->Count() ? grid->Columns()->ColumnAt(index) : nullptr;
}

bool TDBGridInplaceEdit::GridAllowsEditing() const {
    TCustomDBGridEh* grid = DBGrid();
    return grid && grid->Options().Contains(dgEditing) && grid->CanEditModify();
}

void TDBGridInplaceEdit::CreateParams(TCreateParams& params) {
    TInplaceEdit::CreateParams(params);
    params.Style |= WS_CLIPCHILDREN;
}

// ---- Style and contents ---------------------------------------------------------------------------

TEditStyleEh TDBGridInplaceEdit::ChooseStyle(TColumnEh* column) const {
    if (!column) return esSimpleEh;
    switch (column->ButtonStyle()) {
    case cbsEllipsis: return esEllipsisEh;
    case cbsUpDown: return esUpDownEh;
    case cbsDropDown: return esDropDownEh;
    case cbsNone: return esSimpleEh;
    case cbsAuto: break;
    }
    TCustomDBGridEh* grid = DBGrid();
    TField* field = column->Field();
    if (field && field->Lookup() && !column->ReadOnly() && grid && !grid->ReadOnly() && grid->DataLink()->Active() &&
        !grid->DataLink()->ReadOnly() && !field->KeyFields.empty()) {
        bool keysWritable = true;
        try {
            std::vector<TField*> keys;
            field->DataSet()->GetFieldList(keys, field->KeyFields);
            for (TField* key : keys) keysWritable = keysWritable && key->CanModify();
        } catch (const EDatabaseError&) {
            keysWritable = false;
        }
        if (keysWritable) return esDataListEh;
    }
    if (column->HasPickList() && !column->ReadOnly()) return esPickListEh;
    if (IsDateField(field) && !field->ReadOnly() && !column->ReadOnly()) return esDateCalendarEh;
    return esSimpleEh;
}

void TDBGridInplaceEdit::CreateActiveList() {
    activeList_ = nullptr;
    TColumnEh* column = CurrentColumn();
    const HWND root = HandleAllocated() ? GetAncestor(Handle(), GA_ROOT) : nullptr;
    auto prepare = [&](TWinControl* list) {
        if (root && list->ParentWindow() != root) list->SetParentWindow(root);
        return list;
    };
    auto newList = [&] {
        TPopupListboxEh* list = New<TPopupListboxEh>(this);
        list->OnMouseUp = Event<&TDBGridInplaceEdit::ListMouseUp>(this);
        return list;
    };
    switch (editStyle_) {
    case esPickListEh:
        if (!pickList_) pickList_ = newList();
        activeList_ = prepare(pickList_);
        break;
    case esDataListEh: {
        IColumnLookupGridEh* lookup = column ? column->LookupGrid() : nullptr;
        auto* list = lookup ? dynamic_cast<TPopupDataGridEh*>(lookup->LookupGridControl()) : nullptr;
        if (list != dataList_) {
            if (dataList_) dataList_->RemoveFreeNotification(this);
            dataList_ = list;
            if (dataList_) dataList_->FreeNotification(this);
        }
        if (dataList_) {
            dataList_->OnCloseUp = Event<&TDBGridInplaceEdit::DataListCloseUp>(this);
            dataList_->OnUserKeyValueChange = Event<&TDBGridInplaceEdit::DataListUserChange>(this);
            activeList_ = prepare(dataList_);
        }
        break;
    }
    case esDateCalendarEh:
        if (!calendar_) calendar_ = New<TPopupMonthCalendarEh>(this);
        activeList_ = prepare(calendar_);
        break;
    case esDropDownEh:
        if (column && dynamic_cast<TNumericField*>(column->Field())) {
            if (!calculator_) calculator_ = New<TPopupCalculatorEh>(this);
            activeList_ = prepare(calculator_);
        }
        break;
    default: break;
    }
}

void TDBGridInplaceEdit::UpdateContents() {
    if (listVisible_) CloseUp(false);
    TColumnEh* column = CurrentColumn();
    editStyle_ = ChooseStyle(column);
    CreateActiveList();
    if (column) SetReadOnly(column->ReadOnly());
    TInplaceEdit::UpdateContents();
    if (TCustomDBGridEh* grid = DBGrid()) {
        grid->editValue_ = Null();
        TField* field = column ? column->Field() : nullptr;
        if (field && field->Lookup() && field->DataSet() && !field->KeyFields.empty()) {
            try {
                std::vector<TField*> keys;
                field->DataSet()->GetFieldList(keys, field->KeyFields);
                std::vector<Variant> values;
                for (TField* key : keys) values.push_back(key->AsVariant());
                grid->editValue_ = values.size() == 1 ? values[0] : VarArrayOf(values);
            } catch (const EDatabaseError&) {
            }
        }
    }
    if (!button_) {
        button_ = MakeEditButtonControl(this);
        button_->OnDown = Event<&TDBGridInplaceEdit::ButtonDown>(this);
        button_->OnClick = Event<&TDBGridInplaceEdit::ButtonClick>(this);
    }
    switch (editStyle_) {
    case esEllipsisEh: button_->SetStyle(ebsEllipsisEh); break;
    case esUpDownEh: button_->SetStyle(ebsUpDownEh); break;
    default: button_->SetStyle(ebsDropDownEh); break;
    }
    BoundsChanged();
}

void TDBGridInplaceEdit::BoundsChanged() {
    if (!button_) return;
    TCustomDBGridEh* grid = DBGrid();
    const bool flat = grid && grid->Flat();
    const int clientHeight = ClientHeight();
    if (editStyle_ == esSimpleEh) {
        buttonWidth_ = 0;
        button_->SetVisible(false);
    } else {
        buttonWidth_ = flat ? DefaultFlatButtonWidth() : GetSystemMetrics(SM_CXVSCROLL);
        int height = clientHeight;
        if (buttonWidth_ * 3 / 2 < clientHeight) height = StandardEditButtonHeight(buttonWidth_, flat);
        button_->SetFlat(flat);
        button_->SetBounds(ClientWidth() - buttonWidth_, 0, buttonWidth_, height);
        button_->SetVisible(true);
    }
    if (HandleAllocated()) {
        SendMessageW(Handle(), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(1, buttonWidth_ + 1));
        SendMessageW(Handle(), EM_SCROLLCARET, 0, 0);
        InvalidateRect(Handle(), nullptr, TRUE);
    }
}

// ---- Drop-downs -----------------------------------------------------------------------------------

void TDBGridInplaceEdit::FillPickList(TColumnEh* column) {
    TStrings* items = pickList_->Items();
    items->BeginUpdate();
    items->Clear();
    TStrings* pick = column->PickList();
    const int count = column->HasKeyList() ? std::min(column->KeyList()->Count(), pick->Count()) : pick->Count();
    for (int i = 0; i < count; ++i) items->AddObject(pick->Get(i), pick->Objects(i));
    items->EndUpdate();
}

void TDBGridInplaceEdit::Notification(TComponent* component, TOperation operation) {
    TInplaceEdit::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == dataList_) {
        if (activeList_ == dataList_) {
            activeList_ = nullptr;
            listVisible_ = false;
        }
        dataList_ = nullptr;
    }
    if (component == lookupSource_) lookupSource_ = nullptr;
}

void TDBGridInplaceEdit::PrepareDataList(TColumnEh* column) {
    TDBGridInplaceEdit* self = this;
    TPopupDataGridEh* list = dataList_;
    TField* field = column->Field();
    TDataSet* data = column->LookupListDataSet();
    if (!lookupSource_) lookupSource_ = New<TDataSource>(self);
    list->SetColor(Color());
    list->SetFont(Font());
    list->SetSpecRow(column->DropDownSpecRow());
    const int rowsWanted = column->DropDownRows() > 0 ? column->DropDownRows() : kDefaultDropDownRows;
    int rows = rowsWanted;
    if (data && data->IsSequenced() && data->RecordCount() < rowsWanted) rows = std::max(1, data->RecordCount());
    list->SetShowTitles(column->DropDownShowTitles());
    lookupSource_->SetDataSet(data);
    list->SetListSource(lookupSource_);
    list->SetKeyField(field ? field->LookupKeyFields : String());
    list->SetListField(column->LookupDisplayFields());
    list->SetUseMultiTitle(column->DropDownBox()->UseMultiTitle());
    list->SetLookupAutoFitColWidths(column->DropDownBox()->AutoFitColWidths());
    list->HandleNeeded();
    list->SetRowsInView(rows);
    int width = Width();
    const int dropDownWidth = column->DropDownWidth();
    if (dropDownWidth > 0)
        width = std::max(width, dropDownWidth);
    else if (dropDownWidth < 0)
        width = std::max(width, list->ColumnsWidth() + list->Width() - list->ClientWidth() + GetSystemMetrics(SM_CXVSCROLL));
    list->SetBounds(list->Left(), list->Top(), width, list->Height());
    if (TCustomDBGridEh* grid = DBGrid()) list->SetKeyValue(grid->editValue_);
    dataListRows_ = list->RowsInView();
    dataListWidth_ = list->Width();
}

void TDBGridInplaceEdit::DataListCloseUp(TObject*, bool accept) { CloseUp(accept); }

void TDBGridInplaceEdit::DataListUserChange(TObject*) {
    if (!dataList_ || !listVisible_ || activeList_ != dataList_) return;
    const String text = dataList_->DisplayText();
    if (text != Text()) {
        SetText(text);
        SelectAll();
    }
}

void TDBGridInplaceEdit::DropDown() {
    if (listVisible_ || !activeList_) return;
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (!column || !grid) return;
    activeList_->SetBounds(activeList_->Left(), activeList_->Top(), Width(), activeList_->Height());
    const int rowsWanted = column->DropDownRows() > 0 ? column->DropDownRows() : kDefaultDropDownRows;
    if (activeList_ == dataList_) {
        PrepareDataList(column);
    } else if (activeList_ == pickList_) {
        TPopupListboxEh* list = pickList_;
        list->SetColor(Color());
        list->SetFont(Font());
        FillPickList(column);
        list->HandleNeeded();
        list->SetItemHeight(std::max(1, TTextMeasure(Font()).Extent("Wg").cy + 2));
        list->SetRows(std::max(1, std::min(list->Count(), rowsWanted)));
        int width = Width();
        TTextMeasure measure(Font());
        int widest = 0;
        for (int i = 0; i < list->Count(); ++i) widest = std::max(widest, measure.Extent(list->ItemText(i)).cx);
        width = std::max(width, widest + 4 + GetSystemMetrics(SM_CXVSCROLL) + list->BorderHeight());
        list->SetBounds(list->Left(), list->Top(), width, list->Height());
        int selected = -1;
        TField* field = column->Field();
        if (!field || !field->IsNull() || !Text().empty()) selected = list->Items()->IndexOf(Text());
        list->SetItemIndex(selected);
    } else if (activeList_ == calendar_) {
        calendar_->SetColor(Color());
        calendar_->SetFont(Font());
        TDateTime date = Date();
        if (!Text().empty() && !TryStrToDate(Text(), date)) {
            TField* field = column->Field();
            date = field && !field->IsNull() && field->AsDateTime() != 0 ? field->AsDateTime() : Date();
        }
        calendar_->HandleNeeded();
        calendar_->SetDate(date);
        calendar_->AdjustSize();
    } else if (activeList_ == calculator_) {
        double value = 0;
        if (!Text().empty() && !TryStrToFloat(Trim(Text()), value)) value = 0;
        calculator_->SetFlat(grid->Flat());
        calculator_->SetValue(Variant(value));
        HideCaret(Handle());
        SetSelLength(0);
    }
    TPoint pos;
    PlaceDropDownWindow(this, activeList_, daLeft, pos);
    ShowPopup(activeList_, pos);
    if (TPopupListboxEh* list = dynamic_cast<TPopupListboxEh*>(activeList_))
        if (list->SizeGrip()) list->SizeGrip()->SetVisible(column->DropDownSizing());
    if (activeList_ == dataList_ && dataList_->SizeGrip()) dataList_->SizeGrip()->SetVisible(column->DropDownSizing());
    listVisible_ = true;
    if (button_) button_->SetAlwaysDown(true);
}

void TDBGridInplaceEdit::CloseUp(bool accept) {
    if (activeList_ && activeList_->HandleAllocated() && HandleAllocated()) {
        const HWND focus = GetFocus();
        if (focus && (focus == activeList_->Handle() || IsChild(activeList_->Handle(), focus))) ::SetFocus(Handle());
    }
    if (!listVisible_ || !activeList_) return;
    if (button_) button_->SetAlwaysDown(false);
    const HWND capture = GetCapture();
    if (capture && (capture == activeList_->Handle() || IsChild(activeList_->Handle(), capture)))
        SendMessageW(capture, WM_CANCELMODE, 0, 0);
    Variant chosen = Null();
    int index = -1;
    TColumnEh* column = CurrentColumn();
    String chosenText;
    if (activeList_ == dataList_) {
        chosen = dataList_->KeyValue();
        chosenText = dataList_->DisplayText();
        // A list the user resized keeps its size for the column.
        if (column && dataList_->RowsInView() != dataListRows_) column->SetDropDownRows(dataList_->RowsInView());
        if (column && dataList_->Width() != dataListWidth_) column->SetDropDownWidth(dataList_->Width());
    } else if (TPopupListboxEh* list = dynamic_cast<TPopupListboxEh*>(activeList_)) {
        index = list->ItemIndex();
        if (index >= 0 && index < list->Count()) {
            if (column && column->HasKeyList())
                chosen = Variant(column->KeyList()->Get(index));
            else
                chosen = Variant(list->ItemText(index));
        }
    }
    SetWindowPos(activeList_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    activeList_->SetVisible(false);
    listVisible_ = false;
    if (activeList_ == dataList_ && !dataList_->LookupFieldMode()) dataList_->SetListSource(nullptr);
    if (activeList_ == calculator_ && HandleAllocated()) ShowCaret(Handle());
    TCustomDBGridEh* grid = DBGrid();
    if (!grid || !column) return;
    if (!accept) {
        SetText(grid->editText_);
        SelectAll();
        return;
    }
    if (activeList_ == dataList_) {
        if (!GridAllowsEditing() || VariantsEqual(chosen, grid->editValue_)) {
            SetText(grid->editText_);
            SelectAll();
            return;
        }
        const String text = chosenText;
        try {
            grid->DataLink()->SetModified();
            grid->editText_ = text;
            grid->editValue_ = chosen;
        } catch (const Exception&) {
            SetText((column->Field() ? column->Field()->Text() : String()) + " ");
            throw;
        }
        SetText(text);
        SelectAll();
    } else if (activeList_ == calendar_) {
        if (!GridAllowsEditing()) return;
        const TDateTime date = calendar_->Date();
        column->WriteValue(DateToStr(date), Variant(date), false);
        grid->editText_ = DateToStr(date);
        SetText(grid->editText_);
        SelectAll();
    } else if (activeList_ == calculator_) {
        const Variant value = calculator_->GetValue();
        if (VarIsNull(value) || !GridAllowsEditing()) return;
        const String text = FloatToStr(value.AsDouble());
        SetText(text);
        grid->SetEditText(grid->Col(), grid->Row(), text);
        SelectAll();
    } else if (activeList_ == pickList_) {
        if (VarIsNull(chosen) || !GridAllowsEditing()) return;
        const String text = pickList_->ItemText(index);
        SetText(text);
        grid->SetEditText(grid->Col(), grid->Row(), text);
        SelectAll();
    }
}

void TDBGridInplaceEdit::TextFollowsList() {
    if (activeList_ && activeList_ == dataList_) return DataListUserChange(dataList_);
    TPopupListboxEh* list = dynamic_cast<TPopupListboxEh*>(activeList_);
    if (!list) return;
    const int index = list->ItemIndex();
    if (index < 0) return;
    const String text = list->ItemText(index);
    if (text != Text()) {
        SetText(text);
        SelectAll();
    }
}

void TDBGridInplaceEdit::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button != mbLeft || !listVisible_ || !activeList_) return;
    CloseUp(activeList_->ClientRect().Contains(TPoint{x, y}));
}

// ---- Buttons --------------------------------------------------------------------------------------

void TDBGridInplaceEdit::ButtonDown(TObject*, bool topButton, bool& autoRepeat, bool& handled) {
    if (HandleAllocated() && GetFocus() != Handle()) ::SetFocus(Handle());
    TColumnEh* column = CurrentColumn();
    if (column && column->OnEditButtonDown) column->OnEditButtonDown(button_, topButton, autoRepeat, handled);
    if (handled) return;
    TShiftState shift;
    if (!topButton) shift.Include(ssShift);  // the lower half of an up-down button
    EditButtonPressed(shift);
}

void TDBGridInplaceEdit::EditButtonPressed(TShiftState shift) {
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (!column || !grid) return;
    if (editStyle_ == esUpDownEh) {
        if (Text() != grid->GetEditText(grid->Col(), grid->Row())) {
            grid->SetEditText(grid->Col(), grid->Row(), Text());
            grid->DataLink()->UpdateRecord();
        }
        double step = column->Increment();
        if (shift.Contains(ssShift)) step = -step;
        if (column->GetColumnType() != ctCommon) step = -step;
        column->NextValue(step);
        grid->InvalidateEditor();
        return;
    }
    if (listVisible_) return;
    DropDown();
    noCloseUpOnClick_ = listVisible_;
}

void TDBGridInplaceEdit::ButtonClick(TObject*) {
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    bool handled = false;
    if (column && column->OnEditButtonClick) column->OnEditButtonClick(button_, handled);
    if (!handled && grid && (editStyle_ == esEllipsisEh || editStyle_ == esDropDownEh) && grid->OnEditButtonClick) {
        grid->OnEditButtonClick(grid);
        handled = true;
    }
    if (noCloseUpOnClick_) {
        noCloseUpOnClick_ = false;
        return;
    }
    if (!handled && listVisible_) CloseUp(false);
}

// ---- Keys -----------------------------------------------------------------------------------------

void TDBGridInplaceEdit::KeyDown(WORD& key, TShiftState shift) {
    const bool alt = shift.Contains(ssAlt);
    const bool ctrl = shift.Contains(ssCtrl);
    if (listVisible_) {
        if ((key == VK_RETURN || key == VK_ESCAPE) && !alt) {
            if (activeList_ == calculator_) {
                if (key == VK_ESCAPE)
                    CloseUp(false);
                else if (calculator_->ReadEnterCanClose())
                    CloseUp(true);
                else
                    calculator_->PressCalcKey(U'=');
            } else {
                CloseUp(key == VK_RETURN);
            }
            swallowChar_ = true;
            key = 0;
            return;
        }
        if (alt && (key == VK_UP || key == VK_DOWN)) {
            CloseUp(true);
            key = 0;
            return;
        }
        const bool listKey = ((key == VK_PRIOR || key == VK_NEXT || key == VK_UP || key == VK_DOWN) && !shift.Contains(ssShift)) ||
                             (ctrl && (key == VK_HOME || key == VK_END)) ||
                             (activeList_ == calendar_ && (key == VK_LEFT || key == VK_RIGHT));
        if (listKey && activeList_ != calculator_) {
            SendMessageW(activeList_->Handle(), WM_KEYDOWN, key, 0);
            TextFollowsList();
            key = 0;
            return;
        }
    } else if (activeList_ && ((alt && (key == VK_UP || key == VK_DOWN)) || (ctrl && key == VK_RETURN && editStyle_ != esEllipsisEh &&
                                                                              editStyle_ != esDropDownEh))) {
        DropDown();
        swallowChar_ = key == VK_RETURN;
        key = 0;
        return;
    }
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (ctrl && key == VK_RETURN && (editStyle_ == esEllipsisEh || editStyle_ == esDropDownEh)) {
        swallowChar_ = true;
        if (grid && grid->OnEditButtonClick) grid->OnEditButtonClick(grid);
        key = 0;
        return;
    }
    if (ChooseSpecRowByShortCut(key, shift)) {
        key = 0;
        return;
    }
    const bool keyed = column && (editStyle_ == esDataListEh || column->HasKeyList());
    // With a not-in-list handler the text may be one no entry has.
    const bool freeText = column && column->OnNotInList;
    if (key == VK_DELETE && !shift.Contains(ssShift) && keyed && grid) {
        const int length = UnitLength(Text());
        if (SelStart() == 0 && SelLength() == length && GridAllowsEditing()) {
            grid->DataLink()->SetModified();
            grid->editValue_ = Null();
            grid->editText_.clear();
            SetText(String());
            if (listVisible_ && activeList_ == dataList_ && dataList_)
                dataList_->SetKeyValue(Null());
            else if (listVisible_)
                TextFollowsList();
        } else if (freeText && GridAllowsEditing()) {
            const int start = SelStart();
            SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
            WriteTextBack();
            SendMessageW(Handle(), EM_SETSEL, start, start);
        }
        key = 0;  // without the handler, partial deletes would leave a text no entry has
        return;
    }
    if (key == VK_BACK && keyed) {
        const int start = SelStart();
        if (!freeText) {
            // Backspace widens the completed part as Left does.
            if (start > 0) SendMessageW(Handle(), EM_SETSEL, UnitLength(Text()), start - 1);
        } else if (GridAllowsEditing()) {
            // The completed part goes, and the typed character before it.
            SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
            if (start > 0) {
                SendMessageW(Handle(), EM_SETSEL, start - 1, start);
                SendMessageW(Handle(), EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(L""));
            }
            WriteTextBack();
            const int caret = std::max(start - 1, 0);
            SendMessageW(Handle(), EM_SETSEL, caret, caret);
        }
        key = 0;
        return;
    }
    TInplaceEdit::KeyDown(key, shift);
}

void TDBGridInplaceEdit::KeyPress(wchar_t& key) {
    if (swallowChar_ && (key == L'\r' || key == 27 || key == L'\n')) {
        swallowChar_ = false;
        key = 0;
        return;
    }
    swallowChar_ = false;
    if (listVisible_ && activeList_ == calculator_) {
        if (key >= 32 || key == 8) calculator_->PressCalcKey(static_cast<char32_t>(key));
        key = 0;
        return;
    }
    TColumnEh* column = CurrentColumn();
    if (key >= 32 && column && column->AutoDropDown() && !listVisible_ && activeList_) DropDown();
    if (key >= 32 || key == 8) AutoCompleteKey(key);
    if (key != 0) TInplaceEdit::KeyPress(key);
}

void TDBGridInplaceEdit::WriteTextBack() {
    TCustomDBGridEh* grid = DBGrid();
    if (!grid) return;
    grid->SetEditText(grid->Col(), grid->Row(), Text());
    if (!listVisible_) return;
    if (activeList_ == dataList_ && dataList_) {
        dataList_->SetKeyValue(grid->editValue_);
    } else if (activeList_ == pickList_ && pickList_) {
        int found = -1;
        for (int i = 0; i < pickList_->Count() && found < 0; ++i)
            if (SameText(pickList_->ItemText(i), grid->editText_)) found = i;
        pickList_->SetItemIndex(found);
    }
}

bool TDBGridInplaceEdit::ChooseSpecRowByShortCut(WORD key, TShiftState shift) {
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (editStyle_ != esDataListEh || !column || !grid) return false;
    TSpecRowEh* specialRow = column->DropDownSpecRow();
    if (!specialRow->Visible() || specialRow->ShortCut() == 0 || ShortCut(key, shift) != specialRow->ShortCut())
        return false;
    if (!GridAllowsEditing() || !column->CanModify(true)) return false;
    grid->DataLink()->SetModified();
    grid->editValue_ = specialRow->Value();
    grid->editText_ = specialRow->ReadCellText(0);
    SetText(grid->editText_);
    if (listVisible_ && activeList_ == dataList_ && dataList_) dataList_->SetKeyValue(specialRow->Value());
    SelectAll();
    return true;
}

void TDBGridInplaceEdit::SetTextSelectingTail(const String& text, int typedLength) {
    SetText(text);
    SendMessageW(Handle(), EM_SETSEL, UnitLength(text), typedLength);
}

void TDBGridInplaceEdit::AutoCompleteKey(wchar_t& key) {
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (!column || !grid) return;
    const String typed = LeadingUnits(Text(), SelStart()) + (key == 8 ? String() : FromWide(&key, 1));
    if (editStyle_ == esDataListEh) {
        TField* field = column->Field();
        TDataSet* list = column->LookupListDataSet();
        if (!field || !list || !list->Active() || !GridAllowsEditing()) return;
        if (key == 8) {
            key = 0;
            return;
        }
        bool found = false;
        try {
            found = list->Locate(field->LookupResultField, Variant(typed), loCaseInsensitive | loPartialKey);
        } catch (const EDatabaseError&) {
            found = false;
        }
        if (!found) {
            if (!column->OnNotInList) return;
            // A text no record has: kept as typed, with no key.
            grid->DataLink()->SetModified();
            grid->editValue_ = Null();
            grid->editText_ = typed;
            SetTextSelectingTail(typed, UnitLength(typed));
            if (listVisible_ && dataList_ && activeList_ == dataList_) dataList_->SetKeyValue(Null());
            key = 0;
            return;
        }
        std::vector<TField*> keys;
        list->GetFieldList(keys, field->LookupKeyFields);
        std::vector<Variant> value;
        for (TField* k : keys) value.push_back(k->AsVariant());
        const String text = list->FieldByName(field->LookupResultField)->DisplayText();
        grid->DataLink()->SetModified();
        grid->editValue_ = value.size() == 1 ? value[0] : VarArrayOf(value);
        grid->editText_ = text;
        SetTextSelectingTail(text, UnitLength(typed));
        if (listVisible_ && dataList_ && activeList_ == dataList_) dataList_->SetKeyValue(grid->editValue_);
        key = 0;
        return;
    }
    const bool keyList = column->HasKeyList();
    if ((editStyle_ == esPickListEh || keyList) && GridAllowsEditing()) {
        if (keyList && key == 8) return;
        TStrings* pick = column->PickList();
        int found = -1;
        const int count = keyList ? std::min(column->KeyList()->Count(), pick->Count()) : pick->Count();
        for (int i = 0; i < count && found < 0 && !typed.empty(); ++i) {
            const String item = pick->Get(i);
            if (item.size() >= typed.size() && SameText(item.substr(0, typed.size()), typed)) found = i;
        }
        if (found >= 0) {
            const String text = pick->Get(found);
            grid->SetEditText(grid->Col(), grid->Row(), text);
            SetTextSelectingTail(text, UnitLength(typed));
            if (listVisible_ && pickList_) pickList_->SetItemIndex(found);
            key = 0;
        } else if (keyList) {
            if (column->OnNotInList) {
                grid->SetEditText(grid->Col(), grid->Row(), typed);
                grid->editValue_ = Null();
                SetTextSelectingTail(typed, UnitLength(typed));
                if (listVisible_ && pickList_) pickList_->SetItemIndex(-1);
            }
            key = 0;  // without the handler a key-list column takes only its entries
        }
    }
}

// ---- Required mark ----------------------------------------------------------------------------------

bool TDBGridInplaceEdit::RequiredMarkShown() {
    TColumnEh* column = CurrentColumn();
    TCustomDBGridEh* grid = DBGrid();
    if (!column || !grid || !column->HighlightRequired()) return false;
    TField* field = column->Field();
    TDataSet* ds = grid->DataSet();
    bool draw = field && field->Required() && ds && (ds->State() == dsEdit || ds->State() == dsInsert) &&
                GetTextLen() == 0;
    if (column->OnCheckDrawRequiredState) column->OnCheckDrawRequiredState(column, draw);
    return draw;
}

void TDBGridInplaceEdit::DrawRequiredState(TCanvas* canvas) {
    const int bottom = ClientHeight() - 1;
    DrawDottedLine(canvas, Point(2, bottom), Point(ClientWidth() - buttonWidth_ - 3, bottom), clRed);
}

void TDBGridInplaceEdit::Change() {
    TInplaceEdit::Change();
    // Typing or clearing the text may show or hide the mark.
    TColumnEh* column = CurrentColumn();
    if (column && column->HighlightRequired() && HandleAllocated()) Invalidate();
}

// ---- Messages -------------------------------------------------------------------------------------

void TDBGridInplaceEdit::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_KILLFOCUS: {
        const HWND to = reinterpret_cast<HWND>(m.WParam);
        const bool intoList = activeList_ && activeList_->HandleAllocated() && to &&
                              (to == activeList_->Handle() || IsChild(activeList_->Handle(), to));
        if (listVisible_ && !intoList) CloseUp(false);
        break;
    }
    case WM_SETCURSOR:
        if (buttonWidth_ > 0 && LOWORD(m.LParam) == HTCLIENT) {
            POINT p;
            GetCursorPos(&p);
            ::ScreenToClient(Handle(), &p);
            if (p.x >= ClientWidth() - buttonWidth_) {
                ::SetCursor(LoadCursorW(nullptr, IDC_ARROW));
                m.Result = TRUE;
                return;
            }
        }
        break;
    case WM_KEYUP:
        // The data list's sort markers wait for the release of Ctrl.
        if (m.WParam == VK_CONTROL && listVisible_ && dataList_ && activeList_ == dataList_ &&
            editStyle_ == esDataListEh && dataList_->HandleAllocated())
            SendMessageW(dataList_->Handle(), WM_KEYUP, m.WParam, m.LParam);
        break;
    case WM_MOUSEWHEEL:
        if (listVisible_) {
            m.Result = 0;
            return;
        }
        break;
    case WM_LBUTTONDBLCLK: {
        // A double click steps the value (back with Shift).
        TColumnEh* column = CurrentColumn();
        TCustomDBGridEh* grid = DBGrid();
        if (column && grid && column->DblClickNextVal() && GridAllowsEditing() && column->CanModify(true)) {
            column->NextValue((m.WParam & MK_SHIFT) ? -1 : 1);
            grid->InvalidateEditor();
            SelectAll();
            m.Result = 0;
            return;
        }
        break;
    }
    case WM_PASTE:
        if (!GridAllowsEditing()) {
            m.Result = 0;
            return;
        }
        break;
    case WM_PAINT:
        // The edit paints itself; the mark goes over its bottom line.
        TInplaceEdit::Dispatch(m);
        if (RequiredMarkShown() && HandleAllocated()) {
            TControlCanvas canvas;
            canvas.SetControl(this);
            DrawRequiredState(&canvas);
        }
        return;
    default: break;
    }
    TInplaceEdit::Dispatch(m);
}
