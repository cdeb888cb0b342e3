// Buttons with pictures.
//
// Classes in this file:
//   TBitBtn  a push button that draws itself (BS_OWNERDRAW): an optional glyph beside its caption;
//            Kind gives the usual modal result, default and cancel settings of a dialog button
//
// Not yet: the stock glyphs of the kinds, TSpeedButton, layouts other than the glyph at the left
// or the right of the caption, Margin, Spacing other than 4.
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

// Registers the classes and published properties of this file (idempotent).
void RegisterButtonsClasses();
