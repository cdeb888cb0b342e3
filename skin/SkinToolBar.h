// The skinned painting of tool bars: the background from the skin's tool-bar gradient and each
// button's face from the skin's Buttons element by its state, through the tool bar's custom-draw
// notifications. The tool bar keeps drawing its images and captions over the face.
//
// Our tool bar has no custom-draw events to point at the painters, so a skinner on the tool bar
// answers the custom-draw notification that reaches it.
//
// The menus of tool bars ("Menu") and tool buttons ("MenuItem", the item and every item below it),
// read by name, are drawn by the form skinner's menu painter. A skinner holds them, so that the
// painter comes off them when the skinner goes (its control, or the form skinner, goes first) and
// is never left on an item after the painter is gone.
//
// Classes in this file:
//   TSkinMenuHolder  a skinner that holds a menu drawn by the menu painter
//   TSkinToolBar     the tool bar: background and button faces by custom draw; its menu
//   TSkinToolMenu    a tool button's menu (no painting of its own)
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

class TSkinMenuPainter;
class TMenuItem;

class TSkinMenuHolder : public TSkinControl {
    VESTREL_CLASS(TSkinMenuHolder, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinMenuHolder() override;
    void Unskin() override;
    TMenuItem* HeldItem() const { return item_; }

protected:
    // The menu or menu item the control publishes under `name`; with `withItself` the item is
    // drawn by the painter as well as the items below it.
    void HoldMenu(const char* name, bool withItself);
    void ReleaseMenu();
    void Notification(TComponent* component, TOperation operation) override;

private:
    TMenuItem* item_ = nullptr;
    bool withItself_ = false;
    TSkinMenuPainter* painter_ = nullptr;
};

class TSkinToolBar : public TSkinMenuHolder {
    VESTREL_CLASS(TSkinToolBar, TSkinMenuHolder)
public:
    using TSkinMenuHolder::TSkinMenuHolder;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage&) override {}

private:
    LRESULT CustomDraw(NMTBCUSTOMDRAW& draw);
};

class TSkinToolMenu : public TSkinMenuHolder {
    VESTREL_CLASS(TSkinToolMenu, TSkinMenuHolder)
public:
    using TSkinMenuHolder::TSkinMenuHolder;
    // Holds the button's menu; the button's messages stay its own.
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void RefreshSkin() override {}
};
