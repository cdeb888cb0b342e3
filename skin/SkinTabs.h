// The tab skinners: the system tab control (page controls and tab controls, on any side, with
// optional close crosses) drawn from the skin's Tabs element and page frame. The tab strip is
// painted into an off-screen bitmap (drawn unrotated, then flipped or rotated for its side) and
// copied; the page frame is drawn around the display rectangle, leaving the child windows alone.
//
// Classes in this file:
//   TSkinTab    tabs from the Tabs element (frame 2 for the focused tab), the page frame
//
// Close crosses are offered to page controls tagged 7777 (the further condition the engine left
// open is not applied).
//
// Not yet: the older tab set (no such control here).
#pragma once

#include "SkinControl.h"

class TSkinTab : public TSkinControl {
    VESTREL_CLASS(TSkinTab, TSkinControl)
public:
    explicit TSkinTab(TComponent* owner);
    ~TSkinTab() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    void RefreshSkin() override;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    std::vector<TRect> CloseRects;
    int Side = 0;
    std::unique_ptr<TBitmap> TabImage;
    std::unique_ptr<TBitmap> PageImage;
    std::unique_ptr<TBitmap> Strip;
    TSkinControl* UpDown = nullptr;  // owned
    bool CloseButtons = false;
    bool UnicodeTabs = true;

private:
    void PrepareImages();
    void FindArrows();
    bool CloseHit(POINT p);
};
