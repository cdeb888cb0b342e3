// The skinners of container-like controls: the status bar repainted whole from the skin's
// StatusBarEdges element, the group box with a rounded frame in the skin's ButtonShadow colour, and
// panels that only take the skin's face colour; with the caption helpers they share.
//
// Classes in this file:
//   TSkinStatusBar  panels by bevel, their texts, the size grip
//   TSkinGroupBox   the rounded frame and the caption on the face colour
//   TSkinBox        the face colour only (the control keeps its own message handling)
//
// An owner-drawn panel gets the skin's frame; its content is asked of the bar's parent by the
// system's own owner-draw message (WM_DRAWITEM with the panel's value), after the skin is copied.
// A panel read right to left swaps left and right alignment; a right-to-left bar in simple mode
// aligns its text right.
#pragma once

#include "SkinControl.h"

class TSkinStatusBar : public TSkinControl {
    VESTREL_CLASS(TSkinStatusBar, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

private:
    bool RightToLeft() const;
};

class TSkinGroupBox : public TSkinControl {
    VESTREL_CLASS(TSkinGroupBox, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
};

class TSkinBox : public TSkinControl {
    VESTREL_CLASS(TSkinBox, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AfterMessage(TMessage&) override {}
    void Unskin() override;
};

// A caption centred in a rectangle (DT_SINGLELINE), grey when not enabled.
void DrawCenteredText(HDC dc, const TRect& rect, const String& text, TAlignment alignment, bool enabled);
// A one-pixel 3-D frame for bevel 1 (lowered) or 2 (raised).
void StatusBevel(HDC dc, const TRect& rect, int bevel);
// The graphic child controls of `control` painted into `dc` (client coordinates).
void PaintChildControls(TControl* control, HDC dc);
