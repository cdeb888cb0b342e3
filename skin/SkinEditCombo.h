// The skinners of edits and combo boxes. An edit keeps its own painting; its border is redrawn in
// the skin's ButtonShadow colour, and a spin button inside it is skinned. A combo box gets its
// frame and drop-down button from the skin's SunkEdge, ComboButton and ExtraImages elements, shows
// the button pressed while its list is open (also when opened from the keyboard), and skins the
// list of a simple combo box with the scroll-bar skinner.
//
// Classes in this file:
//   TSkinEdit    the border and the spin child
//   TSkinComBox  frame, button, arrow; the edit child is watched for mouse presses
//
// The edit child of a combo is hooked through the system's subclass chain whatever its character
// set; a combo without an edit child (a drop-down list) has none to hook.
//
// Wine: a combo box with an edit child gets a background erase after its paint (which fills it
// with the field colour); the skinner paints its frame again after every erase.
#pragma once

#include "SkinControl.h"

class TSkinEdit : public TSkinControl {
    VESTREL_CLASS(TSkinEdit, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinEdit() override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    TSkinControl* UpDown = nullptr;  // the spin button's skinner, owned

private:
    void PrintBorder(HDC dc);
    void FindSpin();

    // While the edit paints itself: whether the frame paint its BeginPaint asked for has drawn the
    // border already (then the paint need not draw it again).
    bool clientPainting_ = false;
    bool borderPainted_ = false;
};

class TSkinComBox : public TSkinControl {
    VESTREL_CLASS(TSkinComBox, TSkinControl)
public:
    explicit TSkinComBox(TComponent* owner);
    ~TSkinComBox() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    void Unskin() override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
    // Frame of the button as it would be painted now: 1 normal, 2 pressed, 3 disabled, 4 hot.
    int ButtonFrameNow();

    LONG_PTR WndStyle = 0;
    LONG_PTR WndExStyle = 0;
    HWND ListWnd = nullptr;
    HWND EditWnd = nullptr;
    TSkinControl* ListScrollBar = nullptr;
    COMBOBOXINFO Info{};

private:
    class TEditHook;
    void AfterAttach();
    void ReleaseEdit();
    void EditMessage(UINT message);

    std::unique_ptr<TEditHook> editHook_;
};
