// The small button of the button edit: a graphic control that paints itself plain, flat, as an
// arrow or as a drop-down button, shows a glyph (one cell, or an enabled and a disabled cell side
// by side), clicks when released over itself and, with RepeatClicks, repeats its click while held.
//
// Classes in this file:
//   TRzControlButton
#pragma once

#include "ExtCtrls.h"
#include "RzCommon.h"

#include <memory>

enum TRzControlButtonStyle { cbsNone, cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown };

class TRzControlButton : public TGraphicControl {
    VESTREL_CLASS(TRzControlButton, TGraphicControl)
public:
    explicit TRzControlButton(TComponent* owner);
    ~TRzControlButton() override;

    bool Flat() const { return flat_; }
    virtual void SetFlat(bool value);
    // The picture; changing it re-derives NumGlyphs (width / height when below 5).
    TBitmap* Glyph() const { return glyph_.get(); }
    virtual void SetGlyph(TBitmap* value);
    int NumGlyphs() const { return numGlyphs_; }
    virtual void SetNumGlyphs(int value);
    bool RepeatClicks() const { return repeatClicks_; }
    void SetRepeatClicks(bool value) { repeatClicks_ = value; }
    unsigned InitialDelay() const { return initialDelay_; }
    void SetInitialDelay(unsigned value) { initialDelay_ = static_cast<std::uint16_t>(value); }
    unsigned Delay() const { return delay_; }
    void SetDelay(unsigned value) { delay_ = static_cast<std::uint16_t>(value); }
    TRzControlButtonStyle Style() const { return style_; }
    virtual void SetStyle(TRzControlButtonStyle value);

    bool Down() const { return down_; }
    bool MouseOver() const { return mouseOver_; }
    // The repeat timer, once a repeating press made it.
    TTimer* RepeatTimer() const { return timer_; }
    // Draws the button into `canvas` at its origin: the paint path.
    void PaintTo(TCanvas& canvas);

    TNotifyEvent OnMouseEnter;
    TNotifyEvent OnMouseLeave;

protected:
    void Paint() override;
    virtual TRect PaintFace(TCanvas& canvas, const TRect& rect);
    virtual void PaintArrowFace(TCanvas& canvas, const TRect& rect);
    virtual void PaintDropDownFace(TCanvas& canvas, const TRect& rect);
    virtual void PaintGlyph(TCanvas& canvas, const TRect& rect);
    virtual TSize GlyphSize() const;
    virtual void EnterHover();
    virtual void LeaveHover();

    void MouseDown(TMouseButton button, TShiftState shift, int x, int y) override;
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y) override;
    void CMMouseEnter(TMessage& m) override;
    void CMMouseLeave(TMessage& m) override;

private:
    void GlyphChanged(TObject* sender);
    void RepeatTimerTick(TObject* sender);
    // The border and fill of the three faces; the rectangle left inside.
    TRect PaintBorderAndFill(TCanvas& canvas, const TRect& rect);

    bool flat_ = false;
    bool mouseOver_ = false;
    std::unique_ptr<TBitmap> glyph_;
    int numGlyphs_ = 1;
    bool repeatClicks_ = false;
    bool down_ = false;
    bool dragging_ = false;
    std::uint16_t initialDelay_ = 400;
    std::uint16_t delay_ = 100;
    TRzControlButtonStyle style_ = cbsNone;
    TTimer* timer_ = nullptr;
};

// The glyph count a picture of `width` by `height` stands for (0 when it says nothing).
int GlyphCountOf(int width, int height);

void RegisterRzButtonClasses();
