// The data side of the data-aware controls, Windows-free: TFieldDataLinkEh (a link to one or
// several fields, or a value of its own when it has neither a data source nor a field name) and
// the value rules of the check box (state from the data, what it posts, the click cycle) and of
// the keyed combo box (usable items, item index from a value, completion, stepping).
#pragma once

#include "ControlTypes.h"
#include "DB.h"
#include "Events.h"

#include <vector>

class TStrings;

class TFieldDataLinkEh : public TDataLink {
    VESTREL_CLASS(TFieldDataLinkEh, TDataLink)
public:
    TFieldDataLinkEh();

    // The control served (for focus requests); any component.
    TComponent* Control() const { return control_; }
    void SetControl(TComponent* value) { control_ = value; }
    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& value);
    // Several fields named "a;b" (set before the name).
    bool MultiFields() const { return multiFields_; }
    void SetMultiFields(bool value);
    // The data source; setting it re-decides whether the link is data-independent.
    void SetLinkDataSource(TDataSource* source);

    TField* Field() const { return fields_.empty() ? nullptr : fields_.front(); }
    const std::vector<TField*>& Fields() const { return fields_; }
    // Neither a data source nor a field name: the link keeps its value itself.
    bool DataIndependent() const { return dataIndependent_; }
    const Variant& DataIndependentValue() const { return value_; }

    bool Edit();
    bool Editing() const { return editing_; }
    bool CanModify() const;
    bool LinkActive() const;
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }
    // The stored value shows again.
    void Reset();
    // A memo field takes the text as its string, any other field through its edit-text conversion.
    void SetText(const String& text);
    // Several fields: Null clears them all, else an array of one value per field (anything else
    // raises EDatabaseError and changes nothing).
    void SetValue(const Variant& value);
    // Writes the control's data when it was modified (OnUpdateData), then clears the mark.
    void UpdateDataNow() { UpdateData(); }

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;
    // A focus request for one of the fields; set `focused` when the control took the focus.
    TEvent<void(TField* field, bool& focused)> OnFocusControl;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;
    void DisabledStateChanged(bool enabled) override;

private:
    void UpdateDataIndependent();
    void UpdateField();
    void DataChanged();
    void SetEditing(bool value);

    TComponent* control_ = nullptr;
    String fieldName_;
    std::vector<TField*> fields_;
    Variant value_ = Null();
    bool multiFields_ = false;
    bool dataIndependent_ = true;
    bool editing_ = false;
    bool modified_ = false;
};

// ---- Check box values -------------------------------------------------------------------------------

// The state the data gives: a data-independent value (True, False, anything else grayed) or a field
// (Null grayed; Boolean by value; other fields by their edit text among `valueChecked` and then
// `valueUnchecked`, each "a;b;c" compared ignoring case; no match grayed).
TCheckBoxState CheckBoxStateOfValue(const Variant& value);
TCheckBoxState CheckBoxStateOfField(const TField* field, const String& valueChecked, const String& valueUnchecked);
// Writes `state` into `field` (grayed clears it; a Boolean takes the flag; others the first entry
// of their list through the edit-text conversion).
void PostCheckBoxState(TField* field, TCheckBoxState state, const String& valueChecked, const String& valueUnchecked);
Variant CheckBoxStateValue(TCheckBoxState state);
// A click: unchecked goes grayed (with `allowGrayed`) or checked; checked unchecked; grayed checked.
TCheckBoxState NextCheckBoxState(TCheckBoxState state, bool allowGrayed);

// ---- Combo box values -------------------------------------------------------------------------------

// The items a (keyed) combo box can show: with key items, as many as both lists have.
int ComboUsableCount(const TStrings* items, const TStrings* keyItems);
// The item of a keyed combo box's `value` (its position in `keyItems` below the usable count), or -1.
int ComboIndexOfKey(const TStrings* items, const TStrings* keyItems, const Variant& value);
// The first usable item equal to `text` ignoring case (with `partial`: starting with it), or -1.
int ComboLocate(const TStrings* items, int usableCount, const String& text, bool partial);
// Up (`forward` false) and Down: from -1 Up gives the last item; the ends stay.
int ComboStep(int index, int usableCount, bool forward);
// The drop-down's width: `boxWidth` -1 the widest text + 5 (+ image width + 4 with images), above
// 0 itself, else the control's; never narrower than the control.
int ComboDropDownWidth(int boxWidth, int controlWidth, int widestText, int imageWidth);
