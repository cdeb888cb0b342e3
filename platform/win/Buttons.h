// Buttons with pictures.
//
// Classes in this file:
//   TBitBtn       a push button that draws itself (BS_OWNERDRAW): an optional glyph beside its
//                 caption; Kind gives the usual modal result, default and cancel settings of a
//                 dialog button
//   TSpeedButton  a button without a window: glyph and caption, flat or raised, grouped, an action
//
// Not yet: the stock glyphs of the kinds, the embossed glyph of a disabled one-picture strip;
// TBitBtn's layouts other than the glyph at the left or the right of the caption, Margin, Spacing
// other than 4.
#pragma once

#include "StdCtrls.h"

enum TBitBtnKind { bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll };
enum TButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };

class TBitBtn : public TButton {
    VESTREL_CLASS(TBitBtn, TButton)
public:
    explicit TBitBtn(TComponent* owner);
    ~TBitBtn() override;

    // Setting a kind other than bkCustom sets ModalResult, and Default or Cancel, as dialogs expect.
    TBitBtnKind Kind() const { return kind_; }
    void SetKind(TBitBtnKind value);
    // A strip of NumGlyphs pictures: up, disabled, down; the bottom-left pixel's colour is transparent.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value);
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);

    // Draws the button into `canvas` (the paint path of WM_DRAWITEM): pressed, focused, default.
    void PaintTo(TCanvas& canvas, bool pressed, bool focused);

protected:
    void CreateParams(TCreateParams& params) override;
    void Dispatch(TMessage& m) override;
    void SetButtonStyle(bool isDefault) override;
    void CMTextChanged(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;

private:
    void DrawItem(const DRAWITEMSTRUCT& item);
    void GlyphChanged(TObject* sender);

    std::unique_ptr<TBitmap> glyph_;
    TBitBtnKind kind_ = bkCustom;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
};

// ---- Speed button -------------------------------------------------------------------------------

// A button without a window (it takes no focus), painted by the class: a glyph and a caption,
// raised or flat; with GroupIndex it stays down, one button of its group at a time.
class TSpeedButton : public TGraphicControl {
    VESTREL_CLASS(TSpeedButton, TGraphicControl)
public:
    explicit TSpeedButton(TComponent* owner);
    ~TSpeedButton() override;

    // A strip of NumGlyphs pictures: up, disabled, down; the bottom-left pixel's colour is transparent.
    TBitmap* Glyph() const { return glyph_.get(); }
    void SetGlyph(TBitmap* value) { glyph_->Assign(value); }
    int NumGlyphs() const { return numGlyphs_; }
    void SetNumGlyphs(int value);
    TButtonLayout Layout() const { return layout_; }
    void SetLayout(TButtonLayout value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    // Buttons of one parent with the same GroupIndex (> 0) stay down one at a time.
    int GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(int value);
    bool Down() const { return down_; }
    void SetDown(bool value);
    // A down button of a group can be clicked up again.
    bool AllowAllUp() const { return allowAllUp_; }
    void SetAllowAllUp(bool value) { allowAllUp_ = value; }

    TBasicAction* Action() const { return LinkedAction(actionLink_.get()); }
    void SetAction(TBasicAction* value);
    void Click() override;

    // Draws the button into `canvas` at its origin: the paint path.
    void PaintTo(TCanvas& canvas);

protected:
    void Paint() override;
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseMove(TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;
    void CMEnabledChanged(TMessage& m) override;
    void CMTextChanged(TMessage& m) override;

private:
    void GlyphChanged(TObject* sender);
    void UpdateGroup();

    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    TButtonLayout layout_ = blGlyphLeft;
    bool flat_ = false;
    int groupIndex_ = 0;
    bool down_ = false;
    bool allowAllUp_ = false;
    bool pressed_ = false;    // the mouse holds it down
    bool mouseInside_ = false;
    std::unique_ptr<TControlActionLink> actionLink_;
};

// Registers the classes and published properties of this file (idempotent).
void RegisterButtonsClasses();
