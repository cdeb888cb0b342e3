// The skinned painting of tool bars: the background from the skin's tool-bar gradient and each
// button's face from the skin's Buttons element by its state, through the tool bar's custom-draw
// notifications. The tool bar keeps drawing its images and captions over the face.
//
// Our tool bar has no custom-draw events to point at the painters, so a skinner on the tool bar
// answers the custom-draw notification that reaches it.
#pragma once

#include "SkinControl.h"

#include <commctrl.h>

// The skin's tool-bar gradient stretched over the bar, unless the skin's Options hold xoToolbarBK.
void PaintToolBarBackground(TSkinData* skin, HDC dc, const TRect& rect);
// A button's face by its custom-draw state: CDIS_SELECTED frame 2, CDIS_FOCUS or CDIS_HOT frame 4,
// an enabled CDIS_DEFAULT frame 1; no state, no face (false). `textColour` takes the element's
// colour for the frame when the skin gives one.
bool PaintToolBarButton(TSkinData* skin, HDC dc, const TRect& rect, UINT itemState, COLORREF& textColour);
// The frame PaintToolBarButton draws for a custom-draw state (0 for none).
int ToolBarButtonFrame(UINT itemState);

class TSkinToolBar : public TSkinControl {
    VESTREL_CLASS(TSkinToolBar, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage&) override {}

private:
    LRESULT CustomDraw(NMTBCUSTOMDRAW& draw);
};
