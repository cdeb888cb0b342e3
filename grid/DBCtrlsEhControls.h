// The data-aware controls' windows: TDBEditEh (an edit bound to a field through TFieldDataLinkEh,
// or keeping a value of its own), TDBComboBoxEh (plain or keyed items, a drop-down list, stepping
// and completion) and TDBCheckBoxEh (a three-state check box bound the same way).
//
// The edit carries its main edit button and the EditButtons collection (button controls from the
// right edge inwards), a recently-used list that drops down while typing, an edit mask (its own or
// the field's), a fixed height with AutoSize and a red dotted mark under a required empty value. A
// keyed combo box accepts only its items: typing picks them; a plain one completes typed text.
//
// An image from an image list may stand in front of the text (the combo box's: its item's).
//
// Not yet: tooltips, the flat non-client border and button separators, the in-place hosting
// interface of a grid's filter row, the check box's own flat painting.
#pragma once

#include "DBCtrlsEh.h"
#include "ImgList.h"
#include "Mask.h"
#include "StdCtrls.h"
#include "ToolCtrlsEhControls.h"

#include <memory>
#include <vector>

using TDBEditUpdateDataEventEh = TEvent<void(TObject* Sender, bool& Handled)>;
// A typed text that is no item: the handler may add it and ask for the items to be searched again.
using TDBNotInListEventEh = TEvent<void(TObject* Sender, Variant NewValue, bool& RecheckInList)>;

// Posted to the edit after a button's menu closed (wParam: the button's position), so that the
// press that closed the menu does not open it again.
constexpr UINT WM_EDIT_BUTTON_MENU_CLOSED_EH = WM_USER + 102;

// Sent to the edit when its image's settings changed: it lays out and repaints.
constexpr UINT WM_EDIT_IMAGE_CHANGED_EH = WM_USER + 101;

class TCustomDBEditEh;

// The picture shown in front of the edit's text: image `ImageIndex` of `Images`, in a column of
// `Width` (0: the images' width) plus 4 pixels.
class TEditImageEh : public TPersistent {
    VESTREL_CLASS(TEditImageEh, TPersistent)
public:
    explicit TEditImageEh(TCustomDBEditEh* edit);
    ~TEditImageEh() override;
    void Assign(TPersistent* source) override;

    TCustomImageList* Images() const { return images_; }
    void SetImages(TCustomImageList* value);
    int ImageIndex() const { return imageIndex_; }
    void SetImageIndex(int value);
    bool Visible() const { return visible_; }
    void SetVisible(bool value);
    int Width() const { return width_; }
    void SetWidth(int value);
    // Taller images make an AutoSize edit taller.
    bool UseImageHeight() const { return useImageHeight_; }
    void SetUseImageHeight(bool value);

private:
    void Changed(TObject* = nullptr);

    TCustomDBEditEh* edit_;
    TCustomImageList* images_ = nullptr;
    std::unique_ptr<TChangeLink> link_;
    int imageIndex_ = -1;
    bool visible_ = false;
    int width_ = 0;
    bool useImageHeight_ = true;
};

using TGetImageIndexEventEh = TEvent<void(TObject* Sender, int& ImageIndex)>;

class TCustomDBEditEh : public TCustomMaskEdit {
    VESTREL_CLASS(TCustomDBEditEh, TCustomMaskEdit)
public:
    explicit TCustomDBEditEh(TComponent* owner);
    ~TCustomDBEditEh() override;
    void Loaded() override;

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
    // An assigned mask is kept; without one the field's mask is used.
    void SetEditMask(const String& value);
    bool EditMaskAssigned() const { return editMaskAssigned_; }

    // The main button (hidden for the edit, the drop-down button of the combo box) and the further
    // buttons; their controls follow every change.
    TEditButtonEh* EditButton() const { return editButton_.get(); }
    void SetEditButton(TEditButtonEh* value) { editButton_->Assign(value); }
    TEditButtonsEh* EditButtons() const { return editButtons_.get(); }
    void SetEditButtons(TEditButtonsEh* value) { editButtons_->Assign(value); }
    // The controls: the main button's first, then one per button of EditButtons.
    const std::vector<TEditButtonControlEh*>& ButtonControls() const { return buttonControls_; }
    int ButtonsWidth() const { return buttonsWidth_; }
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // The border (and the buttons with it) shows active while focused or under the mouse, or always.
    bool AlwaysShowBorder() const { return alwaysShowBorder_; }
    void SetAlwaysShowBorder(bool value);
    bool BorderActive() const { return alwaysShowBorder_ || focused_ || mouseInside_; }
    // With AutoSize the height follows the font.
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    void SetBounds(int left, int top, int width, int height) override;

    TMRUListEh* MRUList() const { return mruList_.get(); }
    void SetMRUList(TMRUListEh* value) { mruList_->Assign(value); }
    TMRUListboxEh* MRUListBox() const { return mruBox_; }
    bool MRUListVisible() const { return mruVisible_; }

    // The drop-down of the main button (the combo box's list); the edit has none of its own.
    virtual void DropDown();
    virtual void CloseUp(bool accept);
    bool DroppedDown() const { return droppedDown_; }
    // Presses and releases a button as its short-cut does (0 the main one, then EditButtons).
    void ClickEditButton(int index);

    // The text's alignment: the assigned one, else the field's (left without a field).
    TAlignment Alignment() const { return alignmentAssigned_ ? alignment_ : DefaultAlignment(); }
    void SetAlignment(TAlignment value);
    // Long text wraps onto further lines of a taller control.
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    // The image in front of the text.
    TEditImageEh* EditImage() const { return editImage_.get(); }
    void SetEditImage(TEditImageEh* value) { editImage_->Assign(value); }
    // The width the image takes in front of the text (0 without a visible image).
    int ImageAreaWidth() const;
    // The image shown now (-1 none): the default one, then OnGetImageIndex.
    int ShownImageIndex();

    // A required field left empty shows a red dotted line under the text.
    bool HighlightRequired() const { return highlightRequired_; }
    void SetHighlightRequired(bool value);
    // Whether the mark shows now (OnCheckDrawRequiredState has the last word).
    bool RequiredStateShown();

    TDBEditUpdateDataEventEh OnUpdateData;
    TEvent<void(TObject* Sender, bool& DrawState)> OnCheckDrawRequiredState;
    TGetImageIndexEventEh OnGetImageIndex;
    TButtonClickEventEh OnButtonClick;
    TButtonDownEventEh OnButtonDown;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void Change() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void DoEnter() override;
    void DoExit() override;
    void Resize() override;
    void Dispatch(TMessage& message) override;
    void CMFontChanged(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMWantSpecialKey(TMessage& m) override;
    void CMExit(TMessage& m) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;

    virtual void DataChanged();
    virtual void UpdateData();
    virtual TAlignment DefaultAlignment() const;
    virtual int DefaultImageIndex();
    void Notification(TComponent* component, TOperation operation) override;
    virtual void InternalSetValue(const Variant& value);
    virtual bool IsValidChar(wchar_t key) const;
    // The main button works while the control is enabled and the link active.
    virtual bool MainButtonEnabled();
    // A press of the main button not handled by OnButtonDown: drops down (not for an up-down
    // button, nor when dropped down already) and keeps the following click from closing again.
    virtual void MainButtonDown(bool topButton, bool& autoRepeat);
    void SetDroppedDown(bool value);
    void UpdateReadOnlyState();
    // Sets the window text without marking a user change.
    void SetTextQuietly(const String& text);
    bool Focused_() const { return focused_; }
    // Replaces the main button (a descendant's own kind), keeping the change wiring.
    void ReplaceEditButton(std::unique_ptr<TEditButtonEh> button);
    // Whether `key` with `shift` is an edit button's short-cut; clicks it and answers true.
    bool EditButtonShortCut(WORD key, TShiftState shift);
    void UpdateEditButtons();
    // The height AutoSize keeps for the font and border.
    int AutoHeight();
    void AdjustHeight();
    // The recently-used list follows the text the user changed.
    void MRUUserChange();
    void CloseMRUList(bool accept);
    // An Enter or Esc key that closed a list: its character is not handled again.
    void SwallowCloseChar(bool value = true) { swallowCloseChar_ = value; }

private:
    void LinkDataChange(TObject*) { DataChanged(); }
    void LinkEditingChange(TObject*) {
        UpdateReadOnlyState();
        if (highlightRequired_) Invalidate();
    }
    void PaintRequiredState();
    void PaintEditImage();
    void UpdateBorderState();
    // Re-creates the window when alignment or wrapping changed (not while it is typed into).
    void UpdateWindowStyle();
    void LinkUpdateData(TObject*) { UpdateData(); }
    void ButtonsChanged(TObject*) { UpdateEditButtons(); }
    void ButtonControlDown(TObject* sender, bool topButton, bool& autoRepeat, bool& handled);
    void ButtonControlClick(TObject* sender);
    void ButtonControlMouseUp(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    void EditButtonDown(int index, bool topButton, bool& autoRepeat);
    void EditButtonClick(int index);
    TEditButtonEh* ButtonOf(int index) const;
    void ApplyFieldMask(const String& mask);
    void DropDownMRUList();
    void MRUMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y);
    bool MRUKey(WORD key, TShiftState shift);

    std::unique_ptr<TFieldDataLinkEh> link_;
    std::unique_ptr<TEditButtonEh> editButton_;
    std::unique_ptr<TEditButtonsEh> editButtons_;
    std::vector<TEditButtonControlEh*> buttonControls_;
    std::unique_ptr<TMRUListEh> mruList_;
    std::unique_ptr<TEditImageEh> editImage_;
    TMRUListboxEh* mruBox_ = nullptr;
    int buttonsWidth_ = 0;
    bool readOnly_ = false;
    bool focused_ = false;
    bool quiet_ = false;
    bool posting_ = false;
    bool flat_ = false;
    bool autoSize_ = true;
    bool editMaskAssigned_ = false;
    bool droppedDown_ = false;
    bool noCloseClick_ = false;
    bool mruVisible_ = false;
    bool swallowCloseChar_ = false;
    bool highlightRequired_ = false;
    bool alwaysShowBorder_ = false;
    bool mouseInside_ = false;
    TAlignment alignment_ = taLeftJustify;
    TAlignment shownAlignment_ = taLeftJustify;  // the window's
    bool shownWordWrap_ = false;
    bool alignmentAssigned_ = false;
    bool wordWrap_ = false;
};

class TDBEditEh : public TCustomDBEditEh {
    VESTREL_CLASS(TDBEditEh, TCustomDBEditEh)
public:
    using TCustomDBEditEh::TCustomDBEditEh;
};

// The drop-down list's settings: rows shown, width (-1 the widest item, above 0 itself, else the
// control's), placement, dropping down on the first typed character, a size grip.
class TDropDownBoxEh : public TPersistent {
    VESTREL_CLASS(TDropDownBoxEh, TPersistent)
public:
    void Assign(TPersistent* source) override;
    TDropDownAlign Align() const { return align_; }
    void SetAlign(TDropDownAlign value) { align_ = value; }
    bool AutoDrop() const { return autoDrop_; }
    void SetAutoDrop(bool value) { autoDrop_ = value; }
    int Rows() const { return rows_; }
    void SetRows(int value) { rows_ = value < 1 ? 1 : value; }
    bool Sizable() const { return sizable_; }
    void SetSizable(bool value) { sizable_ = value; }
    int Width() const { return width_; }
    void SetWidth(int value) { width_ = value; }

private:
    TDropDownAlign align_ = daLeft;
    bool autoDrop_ = false;
    int rows_ = 7;
    bool sizable_ = false;
    int width_ = 0;
};

class TCustomDBComboBoxEh : public TCustomDBEditEh {
    VESTREL_CLASS(TCustomDBComboBoxEh, TCustomDBEditEh)
public:
    explicit TCustomDBComboBoxEh(TComponent* owner);
    ~TCustomDBComboBoxEh() override;

    TStrings* Items() const { return items_.get(); }
    TStrings* KeyItems() const { return keyItems_.get(); }
    // Keyed: only the items are accepted (typing picks them); the field holds the key items.
    bool Keyed() const { return keyItems_->Count() > 0; }
    int UsableCount() const { return ComboUsableCount(items_.get(), keyItems_.get()); }
    int ItemIndex() const { return itemIndex_; }
    void SetItemIndex(int value);
    Variant Value() const override;
    TDropDownBoxEh* DropDownBox() const { return dropDownBox_.get(); }
    void SetDropDownBox(TDropDownBoxEh* value) { dropDownBox_->Assign(value); }
    int DropDownRows() const { return dropDownBox_->Rows(); }
    void SetDropDownRows(int value) { dropDownBox_->SetRows(value); }
    int DropDownWidth() const { return dropDownBox_->Width(); }
    void SetDropDownWidth(int value) { dropDownBox_->SetWidth(value); }

    void DropDown() override;
    void CloseUp(bool accept) override;
    bool ListVisible() const { return listVisible_; }
    TPopupListboxEh* PopupList() const { return list_; }

    TNotifyEvent OnDropDown;
    TEvent<void(TObject* Sender, bool Accept)> OnCloseUp;
    TDBNotInListEventEh OnNotInList;
    // The image of an item, in front of the text and in the list (default: the item's position).
    TListGetImageIndexEventEh OnGetItemImageIndex;
    // Asked on dropping down while Items is empty, so the owner can fill it.
    TNotifyEvent OnGetItemsList;

protected:
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void Change() override;
    void Dispatch(TMessage& message) override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    bool DoMouseWheelDown(TShiftState shift, TPoint mousePos) override;
    bool DoMouseWheelUp(TShiftState shift, TPoint mousePos) override;
    void DataChanged() override;
    void UpdateData() override;
    TAlignment DefaultAlignment() const override;
    int DefaultImageIndex() override;
    void Notification(TComponent* component, TOperation operation) override;
    void InternalSetValue(const Variant& value) override;
    bool IsValidChar(wchar_t key) const override;
    void MainButtonDown(bool topButton, bool& autoRepeat) override;

private:
    void ItemsChanged(TObject*);
    void InternalSetItemIndex(int value);
    void ListMouseUp(TObject*, TMouseButton button, TShiftState, int x, int y);
    void ListImageIndex(TObject*, int itemIndex, int& imageIndex);
    // Up (`forward` false) or Down: the previous or next item, when the control may change.
    bool StepItem(bool forward);
    void NotInList();
    // A plain box completes a character typed at the end with the rest of the first item that
    // starts with the text, selected; the typed characters stay as typed.
    void CompleteTyping();

    std::unique_ptr<TStringList> items_;
    std::unique_ptr<TStringList> keyItems_;
    std::unique_ptr<TDropDownBoxEh> dropDownBox_;
    TPopupListboxEh* list_ = nullptr;
    Variant value_ = Null();
    int itemIndex_ = -1;
    int shownRows_ = 0;
    int shownWidth_ = 0;
    bool listVisible_ = false;
    bool settingIndex_ = false;
    bool completePending_ = false;
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
    // Setting the state from code goes into the link like a click.
    void SetState(TCheckBoxState value);
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }

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
    bool posting_ = false;
};

class TDBCheckBoxEh : public TCustomDBCheckBoxEh {
    VESTREL_CLASS(TDBCheckBoxEh, TCustomDBCheckBoxEh)
public:
    using TCustomDBCheckBoxEh::TCustomDBCheckBoxEh;
};

// Registers the data-aware controls and their published properties with the form reader
// (idempotent).
void RegisterDBCtrlsEhClasses();
