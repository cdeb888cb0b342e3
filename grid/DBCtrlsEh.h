// The data side of the data-aware controls, Windows-free: TFieldDataLinkEh (a link to one or
// several fields, or a value of its own when it has neither a data source nor a field name) and
// the value rules of the check box (state from the data, what it posts, the click cycle) and of
// the keyed combo box (usable items, item index from a value, completion, stepping).
#pragma once

#include "ControlTypes.h"
#include "DB.h"
#include "Events.h"

#include <functional>
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
    // A value written from code: a bound link goes into edit, `assign` sets the control's value,
    // the link is marked modified and, unless a post is running (`posting`), the data is written at
    // once; a failure shows the stored value again and passes on.
    void WriteFromCode(const std::function<void()>& assign, bool posting);

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

// ---- Edit-button layout and the edit's height -----------------------------------------------------

// One button of a data-aware edit: shown or not, and its own width (0 or less: the default width).
struct TEditButtonSlotEh {
    bool Visible = false;
    int Width = 0;
};
// Where a button goes in the edit's client area (top 0).
struct TEditButtonPlaceEh {
    int Left = 0;
    int Width = 0;
    int Height = 0;
};
// Places `buttons` (the main button first, then the collection's) from the right client edge
// leftwards (right-to-left: from the left edge rightwards), the last outermost and the main one
// innermost. A button's width is its own above 0, else `flatWidth` for a flat edit or
// `scrollWidth`; hidden ones are 0 wide. Its height is the client height unless width * 3 / 2
// (rounded) is below it, when it is the standard height for that width; every button takes the
// smallest height among the visible ones. Answers the total width.
int LayoutEditButtons(const std::vector<TEditButtonSlotEh>& buttons, int clientWidth, int clientHeight, bool flat,
                      bool rightToLeft, int flatWidth, int scrollWidth, std::vector<TEditButtonPlaceEh>& places);
// The height an auto-sized edit with a single border keeps: the text height (or a taller image's
// with `useImageHeight`) plus the system border height times 8 (3-D, not flat), 6 (3-D and flat,
// or neither) or 4 (flat, not 3-D).
int DBEditAutoHeight(int textHeight, int imageHeight, bool useImageHeight, int borderHeight, bool ctl3D, bool flat);
