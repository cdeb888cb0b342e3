// The skinners of range controls: the track bar through its custom-draw notifications (thumb and
// channel from the skin, tick marks by the control), the up-down control painted whole (also the
// scroll arrows of tab controls and the spin buttons inside edits), and the progress bar painted
// whole from the skin's Progress element, in chunks when the skin asks for them.
//
// Classes in this file:
//   TSkinTrackBar  thumb (Trackbar.ThumbHorz / ThumbVert, cell 2 of 5) and channel (Track / TRACKVERT)
//   TSkinUpDown    two halves: a face frame by state and an arrow
//   TSkinProgress  trough (frame 1) and bar (frame 2), or Progress.Chunk tiles
//
// A skin without a channel picture leaves the channel to the control. The track bar is repainted
// for a new skin by invalidating it; its focus is not moved. The horizontal channel is centred
// in the channel rectangle (kept inside the client area). The up-down control's hot half follows
// the mouse. The up-down element's eight frames are the first arrow's four states (normal,
// pressed, disabled, hot), then the second arrow's.
#pragma once

#include "SkinControl.h"

class TSkinTrackBar : public TSkinControl {
    VESTREL_CLASS(TSkinTrackBar, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void RefreshSkin() override;
    // The answer to one NM_CUSTOMDRAW of the track bar.
    LRESULT CustomDraw(NMCUSTOMDRAW& draw);

private:
    void DrawThumb(HDC dc);
    bool DrawChannel(HDC dc);
};

class TSkinUpDown : public TSkinControl {
    VESTREL_CLASS(TSkinUpDown, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    bool Buddy = false;
    bool Horizontal = false;

private:
    void PaintNow();
    void PaintHalf(HDC dc, const TRect& r, int arrow, int state);
};

class TSkinProgress : public TSkinControl {
    VESTREL_CLASS(TSkinProgress, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
};

// An up-down skinner on a window of another module (a spin button, a tab control's arrows),
// registered with the form skinner; the caller frees it.
TSkinControl* AttachUpDown(HWND window, TSkinData* skinData, TAppSkinForm* form, bool buddy, bool horizontal);
