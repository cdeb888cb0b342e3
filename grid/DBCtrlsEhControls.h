// The data-aware controls' windows: TDBEditEh (an edit bound to a field through TFieldDataLinkEh,
// or keeping a value of its own), TDBComboBoxEh (plain or keyed items, a drop-down list, stepping
// and completion) and TDBCheckBoxEh (a three-state check box bound the same way).
//
// Not yet: edit buttons on the data-aware edit and the combo box's button (Alt+Down and F4 open
// the list), the recently-used list, the edit image, tooltips, the required mark, edit masks, the
// in-place hosting interface of a grid's filter row, the check box's own flat painting.
#pragma once

#include "DBCtrlsEh.h"
#include "StdCtrls.h"
#include "ToolCtrlsEhControls.h"

#include <memory>

using TDBEditUpdateDataEventEh = TEvent<void(TObject* Sender, bool& Handled)>;

class TCustomDBEditEh : public TCustomEdit {
    VESTREL_CLASS(TCustomDBEditEh, TCustomEdit)
public:
    explicit TCustomDBEditEh(TComponent* owner);
    ~TCustomDBEditEh() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* value);
    const String& DataField() const { return link_->FieldName(); }
    void SetDataField(const String& value);
    TFieldDataLinkEh* DataLink() const { return link_.get(); }
    TField* Field() const { return link_->Field(); }
    // The property: no editing at all. The window is read-only also while the link is not editing.
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool WindowReadOnly() const { return TCustomEdit::ReadOnly(); }
    // The value as a variant (the text); writing it from code goes into the link like typing.
    virtual Variant Value() const;
    void SetValue(const Variant& value);

    TDBEditUpdateDataEventEh OnUpdateData;

protected:
    void CreateWnd() override;
    void Change() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void DoEnter() override;
    void DoExit() override;

    virtual void DataChanged();
    virtual void UpdateData();
    virtual void InternalSetValue(const Variant& value);
    virtual bool IsValidChar(wchar_t key) const;
    void UpdateReadOnlyState();
    // Sets the window text without marking a user change.
    void SetTextQuietly(const String& text);
    bool Focused_() const { return focused_; }

private:
    void LinkDataChange(TObject*) { DataChanged(); }
    void LinkEditingChange(TObject*) { UpdateReadOnlyState(); }
    void LinkUpdateData(TObject*) { UpdateData(); }

    std::unique_ptr<TFieldDataLinkEh> link_;
    bool readOnly_ = false;
    bool focused_ = false;
    bool quiet_ = false;
    bool posting_ = false;
};

class TDBEditEh : public TCustomDBEditEh {
    VESTREL_CLASS(TDBEditEh, TCustomDBEditEh)
public:
    using TCustomDBEditEh::TCustomDBEditEh;
};

class TCustomDBComboBoxEh : public TCustomDBEditEh {
    VESTREL_CLASS(TCustomDBComboBoxEh, TCustomDBEditEh)
public:
    explicit TCustomDBComboBoxEh(TComponent* owner);
    ~TCustomDBComboBoxEh() override;

    TStrings* Items() const { return items_.get(); }
    TStrings* KeyItems() const { return keyItems_.get(); }
    bool Keyed() const { return keyItems_->Count() > 0; }
    int UsableCount() const { return ComboUsableCount(items_.get(), keyItems_.get()); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    Variant Value() const override;
    int DropDownRows() const { return dropDownRows_; }
    void SetDropDownRows(int value) { dropDownRows_ = value < 1 ? 1 : value; }
    // -1: the widest item's width; above 0: that width; else the control's.
    int DropDownWidth() const { return dropDownWidth_; }
    void SetDropDownWidth(int value) { dropDownWidth_ = value; }

    void DropDown();
    void CloseUp(bool accept);
    bool ListVisible() const { return listVisible_; }
    TPopupListboxEh* PopupList() const { return list_; }

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void Change() override;
    void Dispatch(TMessage& message) override;
    void DataChanged() override;
    void UpdateData() override;
    void InternalSetValue(const Variant& value) override;
    bool IsValidChar(wchar_t key) const override;

private:
    void ItemsChanged(TObject*);
    void InternalSetItemIndex(int value);
    void ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y);

    std::unique_ptr<TStringList> items_;
    std::unique_ptr<TStringList> keyItems_;
    TPopupListboxEh* list_ = nullptr;
    Variant value_ = Null();
    int itemIndex_ = -1;
    int dropDownRows_ = 7;
    int dropDownWidth_ = 0;
    bool listVisible_ = false;
    bool settingIndex_ = false;
};

class TDBComboBoxEh : public TCustomDBComboBoxEh {
    VESTREL_CLASS(TDBComboBoxEh, TCustomDBComboBoxEh)
public:
    using TCustomDBComboBoxEh::TCustomDBComboBoxEh;
};

class TCustomDBCheckBoxEh : public TCustomCheckBox {
    VESTREL_CLASS(TCustomDBCheckBoxEh, TCustomCheckBox)
public:
    explicit TCustomDBCheckBoxEh(TComponent* owner);
    ~TCustomDBCheckBoxEh() override;

    TDataSource* DataSource() const { return link_->DataSource(); }
    void SetDataSource(TDataSource* value);
    const String& DataField() const { return link_->FieldName(); }
    void SetDataField(const String& value);
    TFieldDataLinkEh* DataLink() const { return link_.get(); }
    // "a;b": the texts a non-Boolean field holds when checked (unchecked); the first is written.
    const String& ValueChecked() const { return valueChecked_; }
    void SetValueChecked(const String& value);
    const String& ValueUnchecked() const { return valueUnchecked_; }
    void SetValueUnchecked(const String& value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value) { readOnly_ = value; }

protected:
    void Toggle() override;
    void KeyPress(wchar_t& key) override;
    void DoExit() override;

private:
    void DataChanged(TObject*);
    void UpdateData(TObject*);

    std::unique_ptr<TFieldDataLinkEh> link_;
    String valueChecked_ = "True";
    String valueUnchecked_ = "False";
    bool readOnly_ = false;
    bool quiet_ = false;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
    VESTREL_CLASS(TDBCheckBoxEh, TCustomDBCheckBoxEh)
public:
    using TCustomDBCheckBoxEh::TCustomDBCheckBoxEh;
};
