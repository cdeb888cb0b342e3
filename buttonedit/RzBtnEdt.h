// The button edit: a framed edit with up to two small buttons inside its right edge, the main
// button and the alternate one. Each shows a glyph chosen by a button kind (our own pictures, drawn
// in code) or given by the user, is clicked by the mouse or by a key short-cut (F4 for the main
// button), and raises OnButtonClick or OnAltBtnClick with the edit as sender. With AllowKeyEdit
// false only the buttons fill the field.
//
// Classes in this file:
//   TRzButtonPair         a small window in the edit holding the two buttons; routes their clicks
//                         and takes the focus for the edit when a button is pressed
//   TRzCustomButtonEdit   the behaviour
//   TRzButtonEdit         the published form
#pragma once

#include "RzButton.h"
#include "RzEdit.h"

enum TButtonKind { bkCustom, bkLookup, bkDropDown, bkCalendar, bkAccept, bkReject, bkFolder, bkFind, bkSearch };
constexpr int kButtonKindCount = bkSearch + 1;

// The shared picture of a kind (two cells side by side: enabled, disabled); nullptr for bkCustom.
TBitmap* ButtonKindBitmap(TButtonKind kind);

class TRzButtonPair : public TWinControl {
    VESTREL_CLASS(TRzButtonPair, TWinControl)
public:
    explicit TRzButtonPair(TComponent* owner);
    void AfterConstruction() override;  // makes the buttons

    TRzControlButton* AltButton() const { return altButton_; }
    TRzControlButton* Button() const { return button_; }
    TWinControl* FocusControl() const { return focusControl_; }
    void SetFocusControl(TWinControl* value);
    bool Flat() const { return flat_; }
    virtual void SetFlat(bool value);
    void SetEnabled(bool value) override;
    TColor GetColor() const { return Color(); }
    virtual void SetColor(TColor value);
    void SetBounds(int left, int top, int width, int height) override;
    void Notification(TComponent* component, TOperation operation) override;

    TNotifyEvent OnAltBtnClick;
    TNotifyEvent OnButtonClick;

protected:
    virtual TRzControlButton* MakeButton();
    virtual void RouteClick(TObject* button);
    virtual void RouteMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int x, int y);
    virtual void ArrangeButtons();
    virtual void DoAltBtnClick();
    virtual void DoButtonClick();
    void Dispatch(TMessage& m) override;

private:
    TRzControlButton* altButton_ = nullptr;
    TRzControlButton* button_ = nullptr;
    TWinControl* focusControl_ = nullptr;
    bool flat_ = false;
};

class TRzCustomButtonEdit : public TRzEdit {
    VESTREL_CLASS(TRzCustomButtonEdit, TRzEdit)
public:
    explicit TRzCustomButtonEdit(TComponent* owner);
    void AfterConstruction() override;  // makes the button pair

    using TControl::SetHint;
    using TControl::SetVisible;
    using TControl::SetWidth;

    TRzButtonPair* Buttons() const { return pair_; }
    bool AllowKeyEdit() const { return allowKeyEdit_; }
    void SetAllowKeyEdit(bool value) { allowKeyEdit_ = value; }

    // Index 1 the alternate button, 2 the main button.
    TRzControlButton* GetButtonByIndex(int index) const;
    TButtonKind GetKind(int index) const;
    virtual void SetKind(int index, TButtonKind value);
    TShortCut GetShortCut(int index) const;
    virtual void SetShortCut(int index, TShortCut value);
    bool GetVisible(int index) const;
    virtual void SetVisible(int index, bool value);
    int GetWidth(int index) const;
    virtual void SetWidth(int index, int value);
    int GetNumGlyphs(int index) const;
    virtual void SetNumGlyphs(int index, int value);
    String GetHint(int index) const;
    virtual void SetHint(int index, const String& value);
    TBitmap* ReadButtonGlyph() const { return MainButton()->Glyph(); }
    virtual void ChangeButtonGlyph(TBitmap* value);
    TBitmap* ReadAltBtnGlyph() const { return AlternateButton()->Glyph(); }
    virtual void ChangeAltBtnGlyph(TBitmap* value);

    void ChangeFlatButtons(bool value) override;
    void ChangeFrameStyle(TFrameStyle value) override;
    void ChangeFrameVisible(bool value) override;
    void SetAlignment(TLeftRight value) override;
    void Loaded() override;

    // Places the pair inside the edit's right edge and sets the text margins.
    virtual void PositionButtons();
    virtual void UpdateEditMargins();

    TNotifyEvent OnAltBtnClick;
    TNotifyEvent OnButtonClick;

protected:
    virtual void HandleAltBtnClick(TObject* sender);
    virtual void HandleButtonClick(TObject* sender);
    virtual void DoAltBtnClick();
    virtual void DoButtonClick();
    void ReadEditRect(TRect& rect) override;
    void UpdateHotState(bool over, bool value) override;
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;
    void KeyDown(WORD& key, TShiftState shift) override;
    void KeyPress(wchar_t& key) override;
    void Dispatch(TMessage& m) override;
    void CMEnter(TMessage& m) override;
    void CMExit(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMFontChanged(TMessage& m) override;

private:
    TRzControlButton* MainButton() const { return pair_->Button(); }
    TRzControlButton* AlternateButton() const { return pair_->AltButton(); }
    void CopyKindBitmap(TRzControlButton* button, TButtonKind kind);

    bool allowKeyEdit_ = true;
    TRzButtonPair* pair_ = nullptr;
    TButtonKind altBtnKind_ = bkLookup;
    TButtonKind buttonKind_ = bkLookup;
    TShortCut altBtnShortCut_ = 0;
    TShortCut buttonShortCut_ = VK_F4;
    bool shortCutHandled_ = false;
};

class TRzButtonEdit : public TRzCustomButtonEdit {
    VESTREL_CLASS(TRzButtonEdit, TRzCustomButtonEdit)
public:
    using TRzCustomButtonEdit::TRzCustomButtonEdit;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterRzBtnEdtClasses();
