#include "DBCtrlsEhControls.h"

#include "Encoding.h"
#include "Graphics.h"
#include "Lists.h"
#include "WinApi.h"

#include <algorithm>

namespace {

String FieldEditText(const TField* field) { return field->DataType() == ftMemo ? field->AsString() : field->Text(); }
String FieldShownText(const TField* field) {
    return field->DataType() == ftMemo ? field->AsString() : field->DisplayText();
}

String ValueText(const Variant& value) {
    if (value.IsArray()) return String();
    try {
        return VarToStr(value);
    } catch (const Exception&) {
        return String();
    }
}

int UnitLength(const String& text) { return static_cast<int>(ToWide(text).size()); }

}  // namespace

// ---- TCustomDBEditEh ----------------------------------------------------------------------------------

TCustomDBEditEh::TCustomDBEditEh(TComponent* owner) : TCustomEdit(owner), link_(std::make_unique<TFieldDataLinkEh>()) {
    link_->SetControl(this);
    link_->OnDataChange = Event<&TCustomDBEditEh::LinkDataChange>(this);
    link_->OnEditingChange = Event<&TCustomDBEditEh::LinkEditingChange>(this);
    link_->OnUpdateData = Event<&TCustomDBEditEh::LinkUpdateData>(this);
}

TCustomDBEditEh::~TCustomDBEditEh() {
    link_->OnDataChange = nullptr;
    link_->OnEditingChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->SetLinkDataSource(nullptr);
}

void TCustomDBEditEh::SetDataSource(TDataSource* value) {
    link_->SetLinkDataSource(value);
    DataChanged();
}

void TCustomDBEditEh::SetDataField(const String& value) {
    SetMaxLength(0);
    link_->SetFieldName(value);
    DataChanged();
}

void TCustomDBEditEh::SetReadOnly(bool value) {
    readOnly_ = value;
    UpdateReadOnlyState();
}

void TCustomDBEditEh::CreateWnd() {
    TCustomEdit::CreateWnd();
    DataChanged();
}

void TCustomDBEditEh::UpdateReadOnlyState() {
    const bool readOnly = readOnly_ || (!link_->Editing() && !OnUpdateData);
    if (readOnly != TCustomEdit::ReadOnly()) TCustomEdit::SetReadOnly(readOnly);
}

void TCustomDBEditEh::SetTextQuietly(const String& text) {
    quiet_ = true;
    try {
        if (Text() != text) SetText(text);
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
}

void TCustomDBEditEh::DataChanged() {
    if (TField* field = link_->Field()) {
        if (MaxLength() == 0 && (field->DataType() == ftString || field->DataType() == ftWideString))
            SetMaxLength(field->Size());
        SetTextQuietly(focused_ && link_->CanModify() ? FieldEditText(field) : FieldShownText(field));
    } else if (link_->DataIndependent()) {
        SetTextQuietly(ValueText(link_->DataIndependentValue()));
    } else {
        SetTextQuietly(String());
    }
    UpdateReadOnlyState();
    if (HandleAllocated()) SetModified(false);
}

void TCustomDBEditEh::Change() {
    if (!quiet_) {
        link_->SetModified();
        if (HandleAllocated()) SetModified(true);
    }
    TCustomEdit::Change();
}

bool TCustomDBEditEh::IsValidChar(wchar_t key) const {
    TField* field = link_->Field();
    return !field || field->IsValidChar(static_cast<char32_t>(key));
}

void TCustomDBEditEh::KeyDown(WORD& key, TShiftState shift) {
    TCustomEdit::KeyDown(key, shift);
    if (key == 0) return;
    if (key == 'A' && shift.Contains(ssCtrl) && !shift.Contains(ssAlt)) {
        SelectAll();
        key = 0;
        return;
    }
    if ((key == VK_DELETE || (key == VK_INSERT && shift.Contains(ssShift))) && !readOnly_) link_->Edit();
}

void TCustomDBEditEh::KeyPress(wchar_t& key) {
    TCustomEdit::KeyPress(key);
    if (key == 0) return;
    if (key == 27) {
        link_->Reset();
        SelectAll();
        key = 0;
        return;
    }
    if (key >= 32 && !IsValidChar(key)) {
        MessageBeep(0);
        key = 0;
        return;
    }
    if ((key == 8 || key == 22 || key == 24 || key >= 32) && !readOnly_) link_->Edit();
}

void TCustomDBEditEh::DoEnter() {
    focused_ = true;
    link_->Reset();  // the edit text in place of the display text
    TCustomEdit::DoEnter();
    if (HandleAllocated()) SelectAll();
}

void TCustomDBEditEh::DoExit() {
    TCustomEdit::DoExit();
    try {
        if (link_->DataIndependent())
            link_->UpdateDataNow();
        else
            link_->UpdateRecord();
    } catch (...) {
        SelectAll();
        SetFocus();
        throw;
    }
    focused_ = false;
    link_->Reset();  // the display text again
}

void TCustomDBEditEh::UpdateData() {
    bool handled = false;
    if (OnUpdateData) {
        posting_ = true;
        try {
            OnUpdateData(this, handled);
        } catch (...) {
            posting_ = false;
            throw;
        }
        posting_ = false;
    }
    if (!handled) link_->SetText(Text());
    if (HandleAllocated()) SetModified(false);
}

Variant TCustomDBEditEh::Value() const { return Variant(const_cast<TCustomDBEditEh*>(this)->Text()); }

void TCustomDBEditEh::InternalSetValue(const Variant& value) { SetText(ValueText(value)); }

void TCustomDBEditEh::SetValue(const Variant& value) {
    if (!link_->DataIndependent()) link_->Edit();
    InternalSetValue(value);
    link_->SetModified();
    if (posting_) return;
    try {
        link_->UpdateDataNow();
    } catch (...) {
        link_->Reset();
        throw;
    }
}

// ---- TCustomDBComboBoxEh ------------------------------------------------------------------------------

TCustomDBComboBoxEh::TCustomDBComboBoxEh(TComponent* owner)
    : TCustomDBEditEh(owner), items_(std::make_unique<TStringList>()), keyItems_(std::make_unique<TStringList>()) {
    items_->OnChange = Event<&TCustomDBComboBoxEh::ItemsChanged>(this);
    keyItems_->OnChange = Event<&TCustomDBComboBoxEh::ItemsChanged>(this);
}

TCustomDBComboBoxEh::~TCustomDBComboBoxEh() {
    items_->OnChange = nullptr;
    keyItems_->OnChange = nullptr;
}

void TCustomDBComboBoxEh::ItemsChanged(TObject*) {
    // A keyed control keeps its value: index and text come from the value's position.
    if (Keyed()) {
        SetMaxLength(0);
        const int index = ComboIndexOfKey(items_.get(), keyItems_.get(), value_);
        settingIndex_ = true;
        itemIndex_ = index;
        SetTextQuietly(index >= 0 ? items_->Get(index) : String());
        settingIndex_ = false;
    } else {
        itemIndex_ = items_->IndexOf(Text());
    }
}

Variant TCustomDBComboBoxEh::Value() const { return Keyed() ? value_ : TCustomDBEditEh::Value(); }

void TCustomDBComboBoxEh::InternalSetItemIndex(int value) {
    if (value < 0 || value >= UsableCount()) value = -1;
    itemIndex_ = value;
    value_ = value >= 0 && Keyed() ? Variant(keyItems_->Get(value)) : Null();
    if (listVisible_ && list_) list_->SetItemIndex(value);
    settingIndex_ = true;
    try {
        if (Keyed())
            SetTextQuietly(value >= 0 ? items_->Get(value) : String());
        else if (value >= 0)
            SetText(items_->Get(value));
    } catch (...) {
        settingIndex_ = false;
        throw;
    }
    settingIndex_ = false;
}

void TCustomDBComboBoxEh::SetItemIndex(int value) {
    if (value == itemIndex_) return;
    InternalSetItemIndex(value);
}

void TCustomDBComboBoxEh::InternalSetValue(const Variant& value) {
    if (!Keyed()) {
        TCustomDBEditEh::InternalSetValue(value);
        return;
    }
    value_ = value;
    const int index = ComboIndexOfKey(items_.get(), keyItems_.get(), value);
    itemIndex_ = index;
    SetTextQuietly(index >= 0 ? items_->Get(index) : String());
}

void TCustomDBComboBoxEh::DataChanged() {
    TField* field = DataLink()->Field();
    if (Keyed() && field) {
        InternalSetValue(field->IsNull() ? Null() : Variant(field->Text()));
        UpdateReadOnlyState();
        return;
    }
    if (Keyed() && DataLink()->DataIndependent()) {
        InternalSetValue(DataLink()->DataIndependentValue());
        UpdateReadOnlyState();
        return;
    }
    TCustomDBEditEh::DataChanged();
    itemIndex_ = items_->IndexOf(Text());
}

void TCustomDBComboBoxEh::UpdateData() {
    if (Keyed()) {
        bool handled = false;
        if (OnUpdateData) OnUpdateData(this, handled);
        if (!handled) {
            if (DataLink()->DataIndependent() || VarIsNull(value_) || VarIsEmpty(value_))
                DataLink()->SetValue(value_);
            else
                DataLink()->SetText(ValueText(value_));
        }
        return;
    }
    TCustomDBEditEh::UpdateData();
}

bool TCustomDBComboBoxEh::IsValidChar(wchar_t key) const {
    return Keyed() || TCustomDBEditEh::IsValidChar(key);
}

void TCustomDBComboBoxEh::Change() {
    TCustomDBEditEh::Change();
    if (!settingIndex_ && !Keyed()) itemIndex_ = items_->IndexOf(Text());
}

void TCustomDBComboBoxEh::KeyDown(WORD& key, TShiftState shift) {
    const bool alt = shift.Contains(ssAlt);
    if (listVisible_) {
        if ((key == VK_RETURN || key == VK_ESCAPE) && !alt) {
            CloseUp(key == VK_RETURN);
            key = 0;
            return;
        }
        if ((alt && (key == VK_UP || key == VK_DOWN)) || key == VK_F4) {
            CloseUp(true);
            key = 0;
            return;
        }
        if (key == VK_UP || key == VK_DOWN || key == VK_PRIOR || key == VK_NEXT ||
            (shift.Contains(ssCtrl) && (key == VK_HOME || key == VK_END))) {
            SendMessageW(list_->Handle(), WM_KEYDOWN, key, 0);
            key = 0;
            return;
        }
    } else if ((alt && (key == VK_UP || key == VK_DOWN)) || key == VK_F4) {
        DropDown();
        key = 0;
        return;
    }
    if ((key == VK_UP || key == VK_DOWN) && !alt && !ReadOnly() && DataLink()->CanModify()) {
        const int next = ComboStep(itemIndex_, UsableCount(), key == VK_DOWN);
        if (next != itemIndex_ && DataLink()->Edit()) {
            InternalSetItemIndex(next);
            DataLink()->SetModified();
            SelectAll();
        }
        key = 0;
        return;
    }
    if (key == VK_DELETE && Keyed() && !ReadOnly() && DataLink()->CanModify() &&
        (DataLink()->DataIndependent() || !(DataLink()->Field() && DataLink()->Field()->Required()))) {
        if (DataLink()->Edit()) {
            InternalSetValue(Null());
            DataLink()->SetModified();
        }
        key = 0;
        return;
    }
    TCustomDBEditEh::KeyDown(key, shift);
}

void TCustomDBComboBoxEh::KeyPress(wchar_t& key) {
    if (listVisible_ && (key == L'\r' || key == 27)) {
        key = 0;
        return;
    }
    if (!Keyed() || key == 27 || key < 8 || (key > 8 && key < 32)) {
        TCustomDBEditEh::KeyPress(key);
        return;
    }
    // A keyed control searches its items with what is typed before the selection.
    if (ReadOnly() || !DataLink()->CanModify() || !DataLink()->Edit()) {
        key = 0;
        return;
    }
    const std::wstring wide = ToWide(Text());
    int start = std::min<int>(SelStart(), static_cast<int>(wide.size()));
    if (key == 8) {
        SendMessageW(Handle(), EM_SETSEL, wide.size(), std::max(0, start - 1));
        key = 0;
        return;
    }
    const String typed = FromWide(wide.c_str(), std::size_t(start)) + FromWide(&key, 1);
    const int found = ComboLocate(items_.get(), UsableCount(), typed, true);
    if (found >= 0) {
        if (found != itemIndex_) {
            InternalSetItemIndex(found);
            DataLink()->SetModified();
        }
        SendMessageW(Handle(), EM_SETSEL, UnitLength(Text()), UnitLength(typed));
    }
    key = 0;
}

void TCustomDBComboBoxEh::DropDown() {
    if (listVisible_) return;
    if (!list_) {
        list_ = New<TPopupListboxEh>(this);
        list_->OnMouseUp = Event<&TCustomDBComboBoxEh::ListMouseUp>(this);
    }
    if (HandleAllocated()) {
        const HWND root = GetAncestor(Handle(), GA_ROOT);
        if (list_->ParentWindow() != root) list_->SetParentWindow(root);
    }
    list_->SetColor(Color());
    list_->SetFont(Font());
    TStrings* shown = list_->Items();
    shown->BeginUpdate();
    shown->Clear();
    const int count = UsableCount();
    int widest = 0;
    TTextMeasure measure(Font());
    for (int i = 0; i < count; ++i) {
        shown->Add(items_->Get(i));
        widest = std::max(widest, measure.Extent(items_->Get(i)).cx);
    }
    shown->EndUpdate();
    list_->HandleNeeded();
    list_->SetItemHeight(std::max(1, measure.Extent("Wg").cy + 2));
    list_->SetRows(std::max(1, std::min(count, dropDownRows_)));
    const int width = ComboDropDownWidth(dropDownWidth_, Width(), widest + GetSystemMetrics(SM_CXVSCROLL), 0);
    list_->SetBounds(list_->Left(), list_->Top(), width, list_->Height());
    list_->SetItemIndex(itemIndex_);
    TPoint pos;
    PlaceDropDownWindow(this, list_, daLeft, pos);
    list_->SetBounds(pos.X, pos.Y, list_->Width(), list_->Height());
    SetWindowPos(list_->Handle(), HWND_TOP, pos.X, pos.Y, list_->Width(), list_->Height(),
                 SWP_NOACTIVATE | SWP_SHOWWINDOW);
    list_->SetVisible(true);
    listVisible_ = true;
}

void TCustomDBComboBoxEh::CloseUp(bool accept) {
    if (!listVisible_ || !list_) return;
    const HWND focus = GetFocus();
    if (focus == list_->Handle() && HandleAllocated()) ::SetFocus(Handle());
    if (GetCapture() == list_->Handle()) ReleaseCapture();
    const int chosen = list_->ItemIndex();
    SetWindowPos(list_->Handle(), nullptr, 0, 0, 0, 0,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_HIDEWINDOW);
    list_->SetVisible(false);
    listVisible_ = false;
    if (accept && !ReadOnly() && chosen >= 0 && DataLink()->Edit()) {
        InternalSetItemIndex(chosen);
        DataLink()->SetModified();
        if (Focused()) SelectAll();
    }
}

void TCustomDBComboBoxEh::ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y) {
    if (button == mbLeft && listVisible_) CloseUp(list_->ClientRect().Contains(TPoint{x, y}));
}

void TCustomDBComboBoxEh::Dispatch(TMessage& m) {
    if (m.Msg == WM_KILLFOCUS && listVisible_ && list_ && reinterpret_cast<HWND>(m.WParam) != list_->Handle())
        CloseUp(false);
    if (m.Msg == WM_GETDLGCODE && listVisible_) {
        TCustomDBEditEh::Dispatch(m);
        m.Result |= DLGC_WANTALLKEYS;
        return;
    }
    TCustomDBEditEh::Dispatch(m);
}

// ---- TCustomDBCheckBoxEh ------------------------------------------------------------------------------

TCustomDBCheckBoxEh::TCustomDBCheckBoxEh(TComponent* owner)
    : TCustomCheckBox(owner), link_(std::make_unique<TFieldDataLinkEh>()) {
    link_->SetControl(this);
    link_->OnDataChange = Event<&TCustomDBCheckBoxEh::DataChanged>(this);
    link_->OnUpdateData = Event<&TCustomDBCheckBoxEh::UpdateData>(this);
}

TCustomDBCheckBoxEh::~TCustomDBCheckBoxEh() {
    link_->OnDataChange = nullptr;
    link_->OnUpdateData = nullptr;
    link_->SetLinkDataSource(nullptr);
}

void TCustomDBCheckBoxEh::SetDataSource(TDataSource* value) {
    link_->SetLinkDataSource(value);
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetDataField(const String& value) {
    link_->SetFieldName(value);
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetValueChecked(const String& value) {
    valueChecked_ = value;
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::SetValueUnchecked(const String& value) {
    valueUnchecked_ = value;
    DataChanged(nullptr);
}

void TCustomDBCheckBoxEh::DataChanged(TObject*) {
    const TCheckBoxState state = link_->DataIndependent()
                                     ? CheckBoxStateOfValue(link_->DataIndependentValue())
                                     : CheckBoxStateOfField(link_->Field(), valueChecked_, valueUnchecked_);
    quiet_ = true;
    try {
        SetState(state);
    } catch (...) {
        quiet_ = false;
        throw;
    }
    quiet_ = false;
}

void TCustomDBCheckBoxEh::UpdateData(TObject*) {
    if (link_->DataIndependent())
        link_->SetValue(CheckBoxStateValue(State()));
    else
        PostCheckBoxState(link_->Field(), State(), valueChecked_, valueUnchecked_);
}

void TCustomDBCheckBoxEh::Toggle() {
    if (readOnly_ || !link_->Edit()) return;
    SetState(NextCheckBoxState(State(), AllowGrayed()));
    link_->SetModified();
}

void TCustomDBCheckBoxEh::KeyPress(wchar_t& key) {
    TCustomCheckBox::KeyPress(key);
    if (key == 27 && link_->Modified()) {
        link_->Reset();
        key = 0;
    }
}

void TCustomDBCheckBoxEh::DoExit() {
    TCustomCheckBox::DoExit();
    try {
        if (link_->DataIndependent())
            link_->UpdateDataNow();
        else
            link_->UpdateRecord();
    } catch (...) {
        SetFocus();
        throw;
    }
}
