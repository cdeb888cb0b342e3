// Standard controls over the Win32 classes.
//
// Classes in this file:
//   TCustomLabel, TLabel        a graphic control (no window) that draws its caption
//   TCustomEdit, TEdit          a single-line "EDIT": text, password character, length limit, read-only
//   TComboBoxStrings            the Items of a combo box: a TStrings that talks to the control
//   TCustomComboBox, TComboBox  a "COMBOBOX", drop-down or drop-down list
//   TButton                     a "BUTTON" push button: default and cancel, modal result, BN_CLICKED
//
// Thin wrappers: while the window exists it holds the content (text, items, selection) and the
// class asks it; before the window exists, and across RecreateWnd, the class keeps what the next
// window gets. Settings that the window never changes by itself (MaxLength, PasswordChar, ReadOnly,
// Style) are kept by the class and given to the window.
//
// Not yet: memo, list box, check box, radio button, group box, scroll bar; edit margins, AutoSelect,
// CharCase, OEM conversion, undo; owner-drawn and sorted combos, auto-complete; label FocusControl
// and Layout.
#pragma once

#include "Controls.h"
#include "DB.h"  // TAlignment
#include "Forms.h"
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

// ---- Combo box ----------------------------------------------------------------------------------

enum TComboBoxStyle { csDropDown, csSimple, csDropDownList };

class TCustomComboBox;

class TComboBoxStrings : public TStrings {
    VESTREL_CLASS(TComboBoxStrings, TStrings)
public:
    explicit TComboBoxStrings(TCustomComboBox* comboBox) : comboBox_(comboBox) {}

    String Get(int index) const override;
    TObject* Objects(int index) const override;
    void PutObject(int index, TObject* object) override;
    int Add(const String& text) override;
    int AddObject(const String& text, TObject* object) override;
    void Insert(int index, const String& text) override;
    void InsertObject(int index, const String& text, TObject* object) override;
    void Delete(int index) override;
    void Clear() override;

protected:
    int GetCount() const override;
    void SetUpdateState(bool updating) override;

private:
    TCustomComboBox* comboBox_;
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
    friend class TComboBoxStrings;

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
    // What the next window gets (the window's own content while it exists).
    std::vector<String> savedItems_;
    std::vector<TObject*> savedObjects_;
    int savedIndex_ = -1;
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
};

// True when `caption` marks `key` as its accelerator ("&Y" for 'y' or 'Y').
bool IsAccel(wchar_t key, const String& caption);

// Registers the classes and published properties of this file (idempotent).
void RegisterStdCtrlsClasses();
