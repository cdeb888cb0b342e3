// Small skinners: tab sheets (the face colour), size grips of other modules' windows, the dialogs
// of other modules inside a skinned window, header controls and tab controls whose tabs are buttons.
//
// Classes in this file:
//   TSkinTabSheet  the sheet on the skin's face colour; WM_PRINT and WM_PRINTCLIENT too
//   TSkinSizer     a size grip filled with the face colour
//   TSkinBoxH      a dialog's background and static texts on the face colour
//   TSkinHeader    header items from the Headerbar element, the hot item on frame 2
//   TSkinTabBtn    button-style tabs from the Buttons element
//   TSkinAdvPage   page controls that take tab pictures through published bitmap properties
//   TSkinObjImage  check and radio controls that take a glyph strip through published properties
#pragma once

#include "SkinControl.h"

class TSkinTabSheet : public TSkinControl {
    VESTREL_CLASS(TSkinTabSheet, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage&) override {}
    void PaintSkin(HDC dc, const TRect& rect) override;
};

class TSkinSizer : public TSkinControl {
    VESTREL_CLASS(TSkinSizer, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void PaintSkin(HDC dc, const TRect& rect) override { FillFace(dc, rect); }
};

class TSkinBoxH : public TSkinControl {
    VESTREL_CLASS(TSkinBoxH, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
};

class TSkinHeader : public TSkinControl {
    VESTREL_CLASS(TSkinHeader, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void AttachWindow(HWND window, TSkinData* skinData, TAppSkinForm* form, TCanvas* canvas) override;
    bool BeforeMessage(TMessage& m) override;
    void AfterMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    std::vector<TRect> ItemRects;
    int HotItem = -1;
};

class TSkinTabBtn : public TSkinControl {
    VESTREL_CLASS(TSkinTabBtn, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    bool BeforeMessage(TMessage& m) override;
    void PaintSkin(HDC dc, const TRect& rect) override;
};

class TSkinAdvPage : public TSkinControl {
    VESTREL_CLASS(TSkinAdvPage, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    ~TSkinAdvPage() override;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void Unskin() override;
    void RefreshSkin() override;
    void PaintSkin(HDC dc, const TRect& rect) override;

    TSkinControl* UpDown = nullptr;  // owned

private:
    void SetTabPictures();
};

class TSkinObjImage : public TSkinControl {
    VESTREL_CLASS(TSkinObjImage, TSkinControl)
public:
    using TSkinControl::TSkinControl;
    void AttachControl(TAppSkinForm* form, TSkinData* skinData, bool changeColor, TCanvas* canvas) override;
    void Unskin() override;
    void RefreshSkin() override;
    void AfterMessage(TMessage&) override {}

private:
    void Build();
};
