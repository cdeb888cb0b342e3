#include "DBCtrlsEh.h"

#include "Encoding.h"
#include "Lists.h"
#include "ToolCtrlsEh.h"

#include <algorithm>
#include <cmath>

namespace {

std::vector<String> SplitValues(const String& list) {
    std::vector<String> parts;
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t end = list.find(';', start);
        if (end == String::npos) end = list.size();
        parts.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

bool InList(const String& text, const String& list) {
    for (const String& entry : SplitValues(list))
        if (SameText(entry, text)) return true;
    return false;
}

}  // namespace

// ---- TFieldDataLinkEh -----------------------------------------------------------------------------

TFieldDataLinkEh::TFieldDataLinkEh() = default;

void TFieldDataLinkEh::UpdateDataIndependent() {
    const bool independent = !DataSource() && fieldName_.empty();
    if (independent == dataIndependent_) return;
    dataIndependent_ = independent;
    value_ = Null();
    if (independent) DataChanged();
}

void TFieldDataLinkEh::SetFieldName(const String& value) {
    if (value == fieldName_) return;
    fieldName_ = value;
    UpdateDataIndependent();
    UpdateField();
}

void TFieldDataLinkEh::SetMultiFields(bool value) {
    if (value == multiFields_) return;
    multiFields_ = value;
    UpdateField();
}

void TFieldDataLinkEh::SetLinkDataSource(TDataSource* source) {
    SetDataSource(source);
    UpdateDataIndependent();
    UpdateField();
}

void TFieldDataLinkEh::DataChanged() {
    if (OnDataChange) OnDataChange(this);
}

void TFieldDataLinkEh::SetEditing(bool value) {
    if (value == editing_) return;
    editing_ = value;
    modified_ = false;
    if (OnEditingChange) OnEditingChange(this);
}

bool TFieldDataLinkEh::Edit() {
    if (dataIndependent_) {
        if (!editing_ && !ReadOnly()) SetEditing(true);
    } else if (CanModify()) {
        TDataLink::Edit();
    }
    return editing_;
}

bool TFieldDataLinkEh::CanModify() const {
    if (dataIndependent_) return !ReadOnly();
    if (ReadOnly() || fields_.empty()) return false;
    return std::all_of(fields_.begin(), fields_.end(), [](const TField* f) { return f->CanModify(); });
}

bool TFieldDataLinkEh::LinkActive() const { return dataIndependent_ || (Active() && Field()); }

void TFieldDataLinkEh::Reset() {
    DataChanged();
    modified_ = false;
}

void TFieldDataLinkEh::SetText(const String& text) {
    if (dataIndependent_) {
        value_ = Variant(text);
        DataChanged();
        return;
    }
    TField* field = Field();
    if (!field) return;
    if (field->DataType() == ftMemo)
        field->SetAsString(text);
    else
        field->SetText(text);
}

void TFieldDataLinkEh::SetValue(const Variant& value) {
    if (dataIndependent_) {
        value_ = value;
        DataChanged();
        return;
    }
    if (fields_.size() > 1) {
        if (VarIsNull(value) || VarIsEmpty(value)) {
            for (TField* f : fields_) f->Clear();
            return;
        }
        if (!value.IsArray() || value.AsArray().size() != fields_.size())
            DatabaseError("The value of '" + fieldName_ + "' needs one element per field", DataSet());
        const std::vector<Variant>& parts = value.AsArray();
        for (std::size_t i = 0; i < fields_.size(); ++i) fields_[i]->SetAsVariant(parts[i]);
        return;
    }
    if (TField* field = Field()) field->SetAsVariant(value);
}

void TFieldDataLinkEh::UpdateField() {
    fields_.clear();
    if (Active() && !fieldName_.empty()) {
        TDataSet* ds = DataSet();
        if (multiFields_) {
            ds->GetFieldList(fields_, fieldName_);
        } else if (TField* field = ds->FindField(fieldName_)) {
            fields_.push_back(field);
        }
    }
    if (!dataIndependent_) SetEditing(TDataLink::Editing() && CanModify());
    DataChanged();
}

void TFieldDataLinkEh::ActiveChanged() {
    UpdateField();
    if (OnActiveChange) OnActiveChange(this);
}

void TFieldDataLinkEh::EditingChanged() {
    if (!dataIndependent_) SetEditing(TDataLink::Editing() && CanModify());
}

void TFieldDataLinkEh::FocusControl(TField** field) {
    if (!field || !*field) return;
    if (std::find(fields_.begin(), fields_.end(), *field) == fields_.end()) return;
    bool focused = false;
    if (OnFocusControl) OnFocusControl(*field, focused);
    if (focused) *field = nullptr;
}

void TFieldDataLinkEh::LayoutChanged() { UpdateField(); }

void TFieldDataLinkEh::RecordChanged(TField* field) {
    if (field && std::find(fields_.begin(), fields_.end(), field) == fields_.end()) return;
    DataChanged();
    modified_ = false;
}

void TFieldDataLinkEh::UpdateData() {
    if (dataIndependent_) {
        if (modified_ && OnUpdateData) OnUpdateData(this);
        editing_ = false;
    } else if (modified_ && Field()) {
        if (OnUpdateData) OnUpdateData(this);
    }
    modified_ = false;
}

void TFieldDataLinkEh::DisabledStateChanged(bool enabled) {
    if (enabled)
        UpdateField();
    else
        fields_.clear();
}

void TFieldDataLinkEh::WriteFromCode(const std::function<void()>& assign, bool posting) {
    if (!DataIndependent()) Edit();
    assign();
    SetModified();
    if (posting) return;
    try {
        UpdateData();
    } catch (...) {
        Reset();
        throw;
    }
}

// ---- Check box values -------------------------------------------------------------------------------

TCheckBoxState CheckBoxStateOfValue(const Variant& value) {
    if (VarIsNull(value) || VarIsEmpty(value) || value.IsArray()) return cbGrayed;
    try {
        if (VarType(value) == varBoolean) return value.AsBoolean() ? cbChecked : cbUnchecked;
    } catch (const Exception&) {
    }
    return cbGrayed;
}

TCheckBoxState CheckBoxStateOfField(const TField* field, const String& valueChecked, const String& valueUnchecked) {
    if (!field || field->IsNull()) return cbGrayed;
    if (field->DataType() == ftBoolean) return field->AsBoolean() ? cbChecked : cbUnchecked;
    const String text = field->Text();
    if (InList(text, valueChecked)) return cbChecked;
    if (InList(text, valueUnchecked)) return cbUnchecked;
    return cbGrayed;
}

void PostCheckBoxState(TField* field, TCheckBoxState state, const String& valueChecked, const String& valueUnchecked) {
    if (!field) return;
    if (state == cbGrayed) {
        field->Clear();
    } else if (field->DataType() == ftBoolean) {
        field->SetAsBoolean(state == cbChecked);
    } else {
        field->SetText(SplitValues(state == cbChecked ? valueChecked : valueUnchecked).front());
    }
}

Variant CheckBoxStateValue(TCheckBoxState state) {
    if (state == cbGrayed) return Null();
    return Variant(state == cbChecked);
}

TCheckBoxState NextCheckBoxState(TCheckBoxState state, bool allowGrayed) {
    switch (state) {
    case cbUnchecked: return allowGrayed ? cbGrayed : cbChecked;
    case cbChecked: return cbUnchecked;
    case cbGrayed: return cbChecked;
    }
    return cbChecked;
}

// ---- Combo box values -------------------------------------------------------------------------------

int ComboUsableCount(const TStrings* items, const TStrings* keyItems) {
    const int count = items ? items->Count() : 0;
    if (keyItems && keyItems->Count() > 0) return std::min(count, keyItems->Count());
    return count;
}

int ComboIndexOfKey(const TStrings* items, const TStrings* keyItems, const Variant& value) {
    if (!keyItems || VarIsNull(value) || VarIsEmpty(value) || value.IsArray()) return -1;
    const int index = keyItems->IndexOf(VarToStr(value));
    return index >= 0 && index < ComboUsableCount(items, keyItems) ? index : -1;
}

int ComboLocate(const TStrings* items, int usableCount, const String& text, bool partial) {
    if (!items) return -1;
    const int count = std::min(usableCount, items->Count());
    for (int i = 0; i < count; ++i) {
        const String item = items->Get(i);
        if (partial) {
            if (item.size() >= text.size() && SameText(item.substr(0, text.size()), text)) return i;
        } else if (SameText(item, text)) {
            return i;
        }
    }
    return -1;
}

int ComboStep(int index, int usableCount, bool forward) {
    if (usableCount <= 0) return index;
    if (forward) return index < usableCount - 1 ? index + 1 : index;
    if (index < 0) return usableCount - 1;
    return index > 0 ? index - 1 : index;
}

int ComboDropDownWidth(int boxWidth, int controlWidth, int widestText, int imageWidth) {
    int width;
    if (boxWidth == -1)
        width = widestText + 5 + (imageWidth > 0 ? imageWidth + 4 : 0);
    else if (boxWidth > 0)
        width = boxWidth;
    else
        width = controlWidth;
    return std::max(width, controlWidth);
}

int LayoutEditButtons(const std::vector<TEditButtonSlotEh>& buttons, int clientWidth, int clientHeight, bool flat,
                      bool rightToLeft, int flatWidth, int scrollWidth, std::vector<TEditButtonPlaceEh>& places) {
    places.assign(buttons.size(), TEditButtonPlaceEh{});
    int smallest = clientHeight;
    bool anyVisible = false;
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        TEditButtonPlaceEh& place = places[i];
        if (!buttons[i].Visible) continue;
        place.Width = buttons[i].Width > 0 ? buttons[i].Width : flat ? flatWidth : scrollWidth;
        place.Height = clientHeight;
        if (static_cast<int>(std::nearbyint(place.Width * 3.0 / 2.0)) < clientHeight)
            place.Height = StandardEditButtonHeight(place.Width, flat);
        smallest = anyVisible ? std::min(smallest, place.Height) : place.Height;
        anyVisible = true;
    }
    int total = 0;
    // The main button (index 0) innermost: the collection's last button is placed first.
    std::vector<std::size_t> outerFirst;
    for (std::size_t i = buttons.size(); i-- > 1;) outerFirst.push_back(i);
    if (!buttons.empty()) outerFirst.push_back(0);
    for (std::size_t i : outerFirst) {
        TEditButtonPlaceEh& place = places[i];
        place.Height = place.Width > 0 ? smallest : 0;
        place.Left = rightToLeft ? total : clientWidth - total - place.Width;
        total += place.Width;
    }
    return total;
}

int DBEditAutoHeight(int textHeight, int imageHeight, bool useImageHeight, int borderHeight, bool ctl3D, bool flat) {
    const int content = useImageHeight && imageHeight > textHeight ? imageHeight : textHeight;
    const int factor = ctl3D && !flat ? 8 : !ctl3D && flat ? 4 : 6;
    return content + borderHeight * factor;
}
