// The skinners of check boxes and radio buttons: the mark is a cell of the skin's check or radio
// strip (the Buttons element's CheckImage and RadioImage), the caption is drawn by the skinner.
// The state comes from the window (BM_GETSTATE, BM_GETCHECK, the last BM_SETCHECK) and, for
// controls of this program, from their published State, Checked, DataField and DataBinding.
//
// Classes in this file:
//   TSkinCheckBox     check boxes (4 or 12 cells)
//   TSkinRadioButton  radio buttons (4 or 8 cells)
//
// A grey (indeterminate) box shows the grey cell also when disabled: the state is worked out as
// (checked, grey, disabled) first and then mapped to a cell, so no number leaves the strip.
#pragma once

#include "SkinControl.h"

class TSkinCheckBox : public TSkinControl {
    VESTREL_CLASS(TSkinCheckBox, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
    // The strip cell the control shows now.
    int Frame() const;

    int LastSetCheck = 0;
    bool Transparent = false;
};

class TSkinRadioButton : public TSkinControl {
    VESTREL_CLASS(TSkinRadioButton, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
    int Frame() const;

    bool Transparent = false;
};
