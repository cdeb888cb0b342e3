// The tab skinners: the system tab control (page controls and tab controls, on any side, with
// optional close crosses) drawn from the skin's Tabs element and page frame. The tab strip is
// painted into an off-screen bitmap (drawn unrotated, then flipped or rotated for its side) and
// copied; the page frame is drawn around the display rectangle, leaving the child windows alone.
//
// Classes in this file:
//   TSkinTab    tabs from the Tabs element (frame 2 for the focused tab), the page frame
//   TSkinTab31  the older tab set, whose tabs hang below its strip: the Tabs strip flipped
//
// Close crosses are offered to page controls tagged 7777 (the further condition the engine left
// open is not applied).
//
// The tab set is read through its published properties ("Tabs", "TabIndex", "FirstIndex",
// "StartMargin", "EndMargin", "Font"); its scroller is its first component when that is a windowed
// control, skinned as horizontal up-down arrows. Each tab takes the tab set's full height. The
// tab set is hooked through its WindowProc, as every control of this program is.
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

class TSkinTab31 : public TSkinControl {
    VESTREL_CLASS(TSkinTab31, TSkinControl)
public:
    explicit TSkinTab31(TComponent* owner);
    ~TSkinTab31() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void RefreshSkin() override;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    std::unique_ptr<TBitmap> TabImage;
    TSkinControl* UpDown = nullptr;  // owned
    TWinControl* Scroller = nullptr;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void PrepareImage();
    void FreeUpDown();
    std::unique_ptr<TBitmap> buffer_;
};
