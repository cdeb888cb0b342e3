// Standard controls over the Win32 classes.
//
// Classes in this file:
//   TCustomLabel, TLabel        a graphic control (no window) that draws its caption
//   TCustomEdit, TEdit          a single-line "EDIT": text, password character, length limit, read-only
//   TWinControlItemStrings      the items of a combo or list box: a TStrings that talks to the window
//                               or, while there is none, keeps them for the next one
//   TComboBoxStrings            the Items of a combo box
//   TCustomComboBox, TComboBox  a "COMBOBOX", drop-down or drop-down list
//   TButton                     a "BUTTON" push button: default and cancel, modal result, BN_CLICKED,
//                               an action
//   TCustomCheckBox, TCheckBox  a "BUTTON" check box (two or three states, OnClick on every change)
//   TRadioButton                a "BUTTON" radio button that unchecks its siblings
//   TMemoStrings, TCustomMemo, TMemo  a multi-line "EDIT" and its lines
//   TListBoxStrings, TCustomListBox, TListBox  a "LISTBOX", one or several selected items
//   TCustomGroupBox, TGroupBox  a captioned frame that holds controls
//
// Thin wrappers: while the window exists it holds the content (text, items, selection) and the
// class asks it; before the window exists, and across RecreateWnd, the class keeps what the next
// window gets. Settings that the window never changes by itself (MaxLength, PasswordChar, ReadOnly,
// Style) are kept by the class and given to the window.
//
// Not yet: scroll bar; owner-drawn list boxes; edit margins, AutoSelect, CharCase, OEM conversion,
// undo; owner-drawn and sorted combos, auto-complete; label FocusControl and Layout.
#pragma once

#include "ActnList.h"
#include "Controls.h"
#include "Forms.h"
#include "GraphicsTypes.h"
#include "Lists.h"

#include <memory>
#include <vector>

// ---- Label --------------------------------------------------------------------------------------

class TCustomLabel : public TGraphicControl {
    VESTREL_CLASS(TCustomLabel, TGraphicControl)
public:
    explicit TCustomLabel(TComponent* owner);

    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);
    // Sizes the control to its caption (kept at the right edge for right-justified labels).
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    // '&' marks the next character as an accelerator and is not drawn ("&&" draws one '&').
    bool ShowAccelChar() const { return showAccelChar_; }
    void SetShowAccelChar(bool value);
    // A transparent label leaves its parent's background where it draws no text.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool value);
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);

    void Loaded() override;
    // Draws the label into `canvas` at its origin: the paint path of WM_PAINT.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;
    void CMTextChanged(TMessage& m) override;
    void CMFontChanged(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void AdjustBounds();
    // Draws (or with tfCalcRect measures) the caption in `r`.
    void DoDrawText(TCanvas& canvas, TRect& r, TTextFormat format);

private:
    TAlignment alignment_ = taLeftJustify;
    bool autoSize_ = true;
    bool showAccelChar_ = true;
    bool transparent_ = false;
    bool wordWrap_ = false;
};

class TLabel : public TCustomLabel {
    VESTREL_CLASS(TLabel, TCustomLabel)
public:
    using TCustomLabel::TCustomLabel;
};

// ---- Edit ---------------------------------------------------------------------------------------

class TCustomEdit : public TWinControl {
    VESTREL_CLASS(TCustomEdit, TWinControl)
public:
    explicit TCustomEdit(TComponent* owner);

    // Most characters the person may type (0: no limit); text set by the program is not cut.
    int MaxLength() const { return maxLength_; }
    void SetMaxLength(int value);
    // Shown in place of every character (0: the text itself).
    wchar_t PasswordChar() const { return passwordChar_; }
    void SetPasswordChar(wchar_t value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);

    // The window's modified flag (false without a window).
    bool Modified();
    void SetModified(bool value);
    // Selection, in characters (UTF-16 units) of the text.
    int SelStart();
    void SetSelStart(int value);
    int SelLength();
    void SetSelLength(int value);
    String SelText();
    void SelectAll();
    void Clear() { SetText(String()); }

    TNotifyEvent OnChange;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CNCommand(TMessage& m) override;
    virtual void Change();

private:
    int maxLength_ = 0;
    wchar_t passwordChar_ = 0;
    bool readOnly_ = false;
    bool creating_ = false;
};

class TEdit : public TCustomEdit {
    VESTREL_CLASS(TEdit, TCustomEdit)
public:
    using TCustomEdit::TCustomEdit;
};

// ---- Items of combo and list boxes --------------------------------------------------------------

// The window messages of a control that holds a list of strings, and its two failure results.
struct TItemMessages {
    UINT AddString;
    UINT InsertString;
    UINT DeleteString;
    UINT ResetContent;
    UINT GetText;
    UINT GetTextLen;
    UINT GetCount;
    UINT GetItemData;
    UINT SetItemData;
    LRESULT Err;
    LRESULT ErrSpace;
};

class TCustomComboBox;
class TCustomListBox;

// The items of a combo box or list box. While the window exists it holds them and these strings
// ask it; before it exists, and across RecreateWnd, they keep the items, their objects and the
// selected item for the next window.
class TWinControlItemStrings : public TStrings {
    VESTREL_CLASS(TWinControlItemStrings, TStrings)
public:
    String Get(int index) const override;
    TObject* Objects(int index) const override;
    void PutObject(int index, TObject* object) override;
    // Appends; a sorted list (with its window or not) puts the item in its place and returns that.
    int Add(const String& text) override;
    int AddObject(const String& text, TObject* object) override;
    void Insert(int index, const String& text) override;
    void InsertObject(int index, const String& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    friend class TCustomComboBox;
    friend class TCustomListBox;

    TWinControlItemStrings(TWinControl* control, const TItemMessages& messages);

    int GetCount() const override;
    void SetUpdateState(bool updating) override;

    // True when the window sorts its items: the kept list is then kept in the window's order.
    virtual bool SortsItems() const { return false; }
    // Puts the kept list in the window's order (the control became sorted without a window).
    void SortSaved();
    // The kept list was put in `order` (new position i holds old item order[i]).
    virtual void SavedReordered(const std::vector<std::size_t>& order) { (void)order; }
    // The kept list while there is no window; the selected item follows its item.
    virtual void InsertSaved(int index, const String& text, TObject* object);
    virtual void DeleteSaved(int index);
    virtual void ClearSaved();
    // The kept selected item; -1 for none.
    int SavedIndex() const { return savedIndex_; }
    void SetSavedIndex(int value) { savedIndex_ = value; }
    // Keeps the window's items, and `selected`, for the next window (DestroyWnd).
    void SaveWindowItems(int selected);
    // Gives the kept items to the new window and forgets them (CreateWnd). Returns the window's
    // position of the kept selected item (-1: none); `positions` gets that of every kept item (a
    // sorted window sorts them; -1 for one it refused).
    int RestoreWindowItems(std::vector<int>* positions = nullptr);

private:
    // Adds or inserts (`message`) the item and gives it its object; its position, or -1 when refused.
    int SendItem(UINT message, int index, const String& text, TObject* object);

    TWinControl* control_;
    TItemMessages messages_;
    std::vector<String> savedItems_;
    std::vector<TObject*> savedObjects_;
    int savedIndex_ = -1;
};

// ---- Combo box ----------------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TComboBoxStrings : public TWinControlItemStrings {
    VESTREL_CLASS(TComboBoxStrings, TWinControlItemStrings)
public:
    explicit TComboBoxStrings(TCustomComboBox* comboBox);
};

class TCustomComboBox : public TWinControl {
    VESTREL_CLASS(TCustomComboBox, TWinControl)
public:
    explicit TCustomComboBox(TComponent* owner);
    ~TCustomComboBox() override;

    TComboBoxStyle Style() const { return style_; }
    void SetStyle(TComboBoxStyle value);
    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* value) { items_->Assign(value); }
    // The selected item; -1 for none. A position outside the list selects nothing.
    int ItemIndex();
    void SetItemIndex(int value);
    // Rows the dropped-down list shows.
    int DropDownCount() const { return dropDownCount_; }
    void SetDropDownCount(int value);
    bool DroppedDown();
    void SetDroppedDown(bool value);
    void Clear();

    TNotifyEvent OnChange;
    TNotifyEvent OnSelect;
    TNotifyEvent OnDropDown;
    TNotifyEvent OnCloseUp;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void Dispatch(TMessage& m) override;
    void CNCommand(TMessage& m) override;
    // Enter and Escape close a dropped-down list instead of reaching the form's buttons.
    void CMWantSpecialKey(TMessage& m) override;
    virtual void Change();
    // A person chose an item: OnSelect, or OnChange when there is no OnSelect.
    virtual void Select();

private:
    void WMSetText(TMessage& m);
    int ItemHeightGuess();

    std::unique_ptr<TComboBoxStrings> items_;
    TComboBoxStyle style_ = csDropDown;
    int dropDownCount_ = 8;
};

class TComboBox : public TCustomComboBox {
    VESTREL_CLASS(TComboBox, TCustomComboBox)
public:
    using TCustomComboBox::TCustomComboBox;
};

// ---- Button -------------------------------------------------------------------------------------

class TButton : public TWinControl {
    VESTREL_CLASS(TButton, TWinControl)
public:
    explicit TButton(TComponent* owner);

    // Enter clicks the default button unless another button has the focus.
    bool Default() const { return default_; }
    void SetDefault(bool value);
    // Escape clicks a cancel button.
    bool Cancel() const { return cancel_; }
    void SetCancel(bool value);
    // Given to the parent form when clicked (closes a modal form when not mrNone).
    TModalResult ModalResult() const { return modalResult_; }
    void SetModalResult(TModalResult value) { modalResult_ = value; }

    TBasicAction* Action() const { return LinkedAction(actionLink_.get()); }
    void SetAction(TBasicAction* value);
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CNCommand(TMessage& m) override;
    void CMDialogKey(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;
    void CMFocusChanged(TMessage& m) override;
    // Shows whether Enter would click this button (the default frame).
    virtual void SetButtonStyle(bool isDefault);
    bool Active() const { return active_; }

private:
    bool default_ = false;
    bool cancel_ = false;
    bool active_ = false;
    TModalResult modalResult_ = mrNone;
    std::unique_ptr<TControlActionLink> actionLink_;
};

// True when `caption` marks `key` as its accelerator ("&Y" for 'y' or 'Y').
bool IsAccel(wchar_t key, const String& caption);

// ---- Check box and radio button -----------------------------------------------------------------

// A "BUTTON" check box. The class keeps the state (the window shows it); a click toggles it. Every
// change of the state, by the person or by the program, raises OnClick (not while it is read from
// its form description).
class TCustomCheckBox : public TWinControl {
    VESTREL_CLASS(TCustomCheckBox, TWinControl)
public:
    explicit TCustomCheckBox(TComponent* owner);

    TCheckBoxState State() const { return state_; }
    void SetState(TCheckBoxState value);
    bool Checked() const { return state_ == cbChecked; }
    void SetChecked(bool value) { SetState(value ? cbChecked : cbUnchecked); }
    // Clicks go unchecked, checked, grayed when true.
    bool AllowGrayed() const { return allowGrayed_; }
    void SetAllowGrayed(bool value) { allowGrayed_ = value; }
    // taRightJustify: the box at the left of the caption (the default); taLeftJustify: at its right.
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

    TBasicAction* Action() const { return LinkedAction(actionLink_.get()); }
    void SetAction(TBasicAction* value);
    void Click() override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CNCommand(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;
    virtual void Toggle();

private:
    TCheckBoxState state_ = cbUnchecked;
    bool allowGrayed_ = false;
    TAlignment alignment_ = taRightJustify;
    std::unique_ptr<TControlActionLink> actionLink_;
};

class TCheckBox : public TCustomCheckBox {
    VESTREL_CLASS(TCheckBox, TCustomCheckBox)
public:
    using TCustomCheckBox::TCustomCheckBox;
};

// A "BUTTON" radio button: checking it unchecks the other radio buttons of its parent.
class TRadioButton : public TWinControl {
    VESTREL_CLASS(TRadioButton, TWinControl)
public:
    explicit TRadioButton(TComponent* owner);

    bool Checked() const { return checked_; }
    void SetChecked(bool value);
    TAlignment Alignment() const { return alignment_; }
    void SetAlignment(TAlignment value);

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void CNCommand(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;

private:
    bool checked_ = false;
    TAlignment alignment_ = taRightJustify;
};

// ---- Memo ---------------------------------------------------------------------------------------

// The scroll bars of a memo, written ssNone, ssHorizontal, ssVertical, ssBoth in form descriptions
// (scoped: the grid unit has the platform's TScrollStyle with these names).
enum class TScrollBars { ssNone, ssHorizontal, ssVertical, ssBoth };

class TCustomMemo;

// The lines of a memo: its text split at line breaks (CR LF); changing a line changes the text.
class TMemoStrings : public TStrings {
    VESTREL_CLASS(TMemoStrings, TStrings)
public:
    explicit TMemoStrings(TCustomMemo* memo) : memo_(memo) {}

    String Get(int index) const override;
    void Put(int index, const String& text) override;
    void Insert(int index, const String& text) override;
    void Delete(int index) override;
    void Clear() override;
    void SetText(const String& text) override;

protected:
    int GetCount() const override;

private:
    std::vector<String> Lines() const;
    void SetLines(const std::vector<String>& lines);

    TCustomMemo* memo_;
};

// A multi-line "EDIT".
class TCustomMemo : public TCustomEdit {
    VESTREL_CLASS(TCustomMemo, TCustomEdit)
public:
    explicit TCustomMemo(TComponent* owner);
    ~TCustomMemo() override;

    TStrings* Lines() const { return lines_.get(); }
    void SetLines(TStrings* value) { lines_->Assign(value); }
    TScrollBars ScrollBars() const { return scrollBars_; }
    void SetScrollBars(TScrollBars value);
    // Long lines break at the right edge (no horizontal scrolling).
    bool WordWrap() const { return wordWrap_; }
    void SetWordWrap(bool value);
    // Enter (Tab) types a line break (a tab) instead of reaching the form.
    bool WantReturns() const { return wantReturns_; }
    void SetWantReturns(bool value) { wantReturns_ = value; }
    bool WantTabs() const { return wantTabs_; }
    void SetWantTabs(bool value) { wantTabs_ = value; }

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& m) override;

private:
    std::unique_ptr<TMemoStrings> lines_;
    TScrollBars scrollBars_ = TScrollBars::ssNone;
    bool wordWrap_ = true;
    bool wantReturns_ = true;
    bool wantTabs_ = false;
};

class TMemo : public TCustomMemo {
    VESTREL_CLASS(TMemo, TCustomMemo)
public:
    using TCustomMemo::TCustomMemo;
};

// ---- List box -----------------------------------------------------------------------------------

// The Items of a list box; without a window they keep the selection flags in step.
class TListBoxStrings : public TWinControlItemStrings {
    VESTREL_CLASS(TListBoxStrings, TWinControlItemStrings)
public:
    explicit TListBoxStrings(TCustomListBox* listBox);

    int IndexOf(const String& text) const override;

protected:
    bool SortsItems() const override;
    void SavedReordered(const std::vector<std::size_t>& order) override;
    void InsertSaved(int index, const String& text, TObject* object) override;
    void DeleteSaved(int index) override;
    void ClearSaved() override;

private:
    TCustomListBox* listBox_;
};

// A "LISTBOX": items, the selected item, or several selected items with MultiSelect. A change of
// the selection by the person raises OnClick; a double click OnDblClick.
class TCustomListBox : public TWinControl {
    VESTREL_CLASS(TCustomListBox, TWinControl)
public:
    explicit TCustomListBox(TComponent* owner);
    ~TCustomListBox() override;

    TStrings* Items() const { return items_.get(); }
    void SetItems(TStrings* value) { items_->Assign(value); }
    int Count() const { return items_->Count(); }
    // The selected item (with MultiSelect: the item with the focus rectangle); -1 for none.
    int ItemIndex();
    void SetItemIndex(int value);
    bool MultiSelect() const { return multiSelect_; }
    void SetMultiSelect(bool value);
    // With MultiSelect, Shift and Ctrl extend the selection (else each click toggles an item).
    bool ExtendedSelect() const { return extendedSelect_; }
    void SetExtendedSelect(bool value);
    bool Selected(int index);
    void SetSelected(int index, bool value);
    int SelCount();
    bool Sorted() const { return sorted_; }
    void SetSorted(bool value);
    int TopIndex();
    void SetTopIndex(int value);
    // The item at (x, y) of the client area; -1 when none (or, with `existing` false, the count).
    int ItemAtPos(TPoint pos, bool existing);
    void Clear() { items_->Clear(); }

protected:
    friend class TListBoxStrings;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void CNCommand(TMessage& m) override;

private:
    std::unique_ptr<TListBoxStrings> items_;
    // What the next window gets besides the items (the window's own while it exists).
    std::vector<bool> savedSelected_;
    int savedTop_ = 0;
    bool multiSelect_ = false;
    bool extendedSelect_ = true;
    bool sorted_ = false;
};

class TListBox : public TCustomListBox {
    VESTREL_CLASS(TListBox, TCustomListBox)
public:
    using TCustomListBox::TCustomListBox;
};

// ---- Group box ----------------------------------------------------------------------------------

// A frame with a caption that holds controls; painted by the class.
class TCustomGroupBox : public TCustomControl {
    VESTREL_CLASS(TCustomGroupBox, TCustomControl)
public:
    explicit TCustomGroupBox(TComponent* owner);

    // Draws the group box into `canvas` at its origin: the paint path.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;
    void AdjustClientRect(TRect& rect) override;
    void CMTextChanged(TMessage& m) override;
    void CMDialogChar(TMessage& m) override;
    int CaptionHeight();
};

class TGroupBox : public TCustomGroupBox {
    VESTREL_CLASS(TGroupBox, TCustomGroupBox)
public:
    using TCustomGroupBox::TCustomGroupBox;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterStdCtrlsClasses();
