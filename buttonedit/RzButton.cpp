#include "RzButton.h"

#include "TypeRegistry.h"

#include <algorithm>

int GlyphCountOf(int width, int height) {
    if (height == 0 || width % height != 0)
        return 0;
    const int count = width / height;
    return count < 5 ? count : 1;
}

TRzControlButton::TRzControlButton(TComponent* owner)
    : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    SetControlStyle(TControlStyle{csCaptureMouse});
    SetBounds(0, 0, 17, 21);
    SetColor(clBtnFace);
    glyph_->OnChange = Event<&TRzControlButton::GlyphChanged>(this);
}

TRzControlButton::~TRzControlButton() = default;

void TRzControlButton::SetFlat(bool value) {
    if (value == flat_)
        return;
    flat_ = value;
    Invalidate();
}

void TRzControlButton::SetGlyph(TBitmap* value) {
    glyph_->Assign(value);
}

void TRzControlButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (value == numGlyphs_)
        return;
    numGlyphs_ = value;
    Invalidate();
}

void TRzControlButton::SetStyle(TRzControlButtonStyle value) {
    if (value == style_)
        return;
    style_ = value;
    Invalidate();
}

void TRzControlButton::GlyphChanged(TObject*) {
    if (const int count = GlyphCountOf(glyph_->Width(), glyph_->Height()))
        numGlyphs_ = count;
    Invalidate();
}

TSize TRzControlButton::GlyphSize() const {
    return TSize{glyph_->Width() / std::max(numGlyphs_, 1), glyph_->Height()};
}

// ---- Mouse --------------------------------------------------------------------------------------

void TRzControlButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    inherited::MouseDown(button, shift, x, y);
    if (button != mbLeft || !Enabled())
        return;
    down_ = true;
    dragging_ = true;
    Repaint();
    if (repeatClicks_) {
        if (!timer_) {
            timer_ = New<TTimer>(this);
            timer_->OnTimer = Event<&TRzControlButton::RepeatTimerTick>(this);
        }
        timer_->SetEnabled(false);
        timer_->SetInterval(initialDelay_);
        timer_->SetEnabled(true);
    }
}

void TRzControlButton::RepeatTimerTick(TObject*) {
    timer_->SetInterval(delay_);
    if (down_ && MouseCapture()) {
        try {
            Click();
        } catch (...) {
            timer_->SetEnabled(false);
            throw;
        }
    }
}

void TRzControlButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    inherited::MouseUp(button, shift, x, y);
    if (timer_)
        timer_->SetEnabled(false);
    if (!dragging_)
        return;
    dragging_ = false;
    down_ = false;
    mouseOver_ = false;
    Repaint();
    if (x >= 0 && x < ClientWidth() && y >= 0 && y < ClientHeight())
        Click();
    if ((flat_ || ThemesEnabled()) && Enabled() && Parent()) {
        POINT p;
        GetCursorPos(&p);
        const TPoint local = Parent()->ScreenToClient(Point(p.x, p.y));
        Perform(Parent()->ControlAtPos(local, false) == this ? CM_MOUSEENTER : CM_MOUSELEAVE);
    }
}

void TRzControlButton::CMMouseEnter(TMessage& m) {
    inherited::CMMouseEnter(m);
    if (!(ComponentState() & csDesigning))
        EnterHover();
}

void TRzControlButton::CMMouseLeave(TMessage& m) {
    inherited::CMMouseLeave(m);
    if (!(ComponentState() & csDesigning))
        LeaveHover();
}

void TRzControlButton::EnterHover() {
    mouseOver_ = true;
    if (OnMouseEnter)
        OnMouseEnter(this);
    if (flat_ || ThemesEnabled())
        Repaint();
}

void TRzControlButton::LeaveHover() {
    mouseOver_ = false;
    if (OnMouseLeave)
        OnMouseLeave(this);
    if (flat_ || ThemesEnabled())
        Repaint();
}

// ---- Painting -----------------------------------------------------------------------------------

void TRzControlButton::Paint() {
    PaintTo(*Canvas());
}

void TRzControlButton::PaintTo(TCanvas& canvas) {
    TRect r = ClientRect();
    switch (style_) {
    case cbsNone: {
        r = PaintFace(canvas, r);
        if (!glyph_->Empty()) {
            r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
            const TSize size = GlyphSize();
            TRect target = CentredRect(r, size.cx, size.cy);
            if (down_) {
                const int dy = ThemesEnabled() ? 0 : 1;
                target = Rect(target.Left + 1, target.Top + dy, target.Right + 1, target.Bottom + dy);
            }
            PaintGlyph(canvas, target);
        }
        break;
    }
    case cbsDropDown: PaintDropDownFace(canvas, r); break;
    default: PaintArrowFace(canvas, r); break;
    }
}

TRect TRzControlButton::PaintBorderAndFill(TCanvas& canvas, const TRect& rect) {
    TRect inside = rect;
    if (flat_) {
        const bool raised = down_ || (mouseOver_ && Enabled()) || (ComponentState() & csDesigning);
        if (raised)
            inside = PaintBorder(canvas, rect, down_ ? fsStatus : fsPopup);
        canvas.Brush()->SetColor(Color());
    } else {
        inside = down_ ? PaintBevel(canvas, rect, clBtnShadow, clBtnShadow, sdAllSides, 1)
                       : PaintBorder(canvas, rect, fsButtonUp);
        canvas.Brush()->SetColor(clBtnFace);
    }
    canvas.FillRect(inside);
    return inside;
}

TRect TRzControlButton::PaintFace(TCanvas& canvas, const TRect& rect) {
    return PaintBorderAndFill(canvas, rect);
}

void TRzControlButton::PaintArrowFace(TCanvas& canvas, const TRect& rect) {
    const TRect inside = PaintBorderAndFill(canvas, rect);
    TArrowDirection direction = adDown;
    switch (style_) {
    case cbsUp: direction = adUp; break;
    case cbsLeft: direction = adLeft; break;
    case cbsRight: direction = adRight; break;
    default: break;
    }
    PaintDirectionArrow(canvas, inside, TArrowKind::Plain, Enabled(), down_, direction);
}

void TRzControlButton::PaintDropDownFace(TCanvas& canvas, const TRect& rect) {
    const TRect inside = PaintBorderAndFill(canvas, rect);
    PaintComboArrow(canvas, inside, TArrowKind::Plain, Enabled(), down_);
}

void TRzControlButton::PaintGlyph(TCanvas& canvas, const TRect& rect) {
    const TSize size = GlyphSize();
    const int cell = numGlyphs_ < 2 || Enabled() ? 0 : 1;
    const TRect source = Bounds(cell * size.cx, 0, size.cx, size.cy);
    const TColor transparent = glyph_->Canvas()->Pixels[0][glyph_->Height() - 1];
    PaintTransparentBitmap(canvas, glyph_.get(), rect, transparent, source);
}

void RegisterRzButtonClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterExtCtrlsClasses();
    RegisterComponentClass<TRzControlButton>();
    using C = TRzControlButton;
    RegisterProperties<C>()
        .Bool("Flat", &C::Flat, &C::SetFlat)
        .Object("Glyph", &C::Glyph, &C::SetGlyph)
        .Int("NumGlyphs", &C::NumGlyphs, &C::SetNumGlyphs)
        .Bool("RepeatClicks", &C::RepeatClicks, &C::SetRepeatClicks)
        .Int("InitialDelay", &C::InitialDelay, &C::SetInitialDelay)
        .Int("Delay", &C::Delay, &C::SetDelay)
        .Enum("Style", &C::Style, &C::SetStyle, {"cbsNone", "cbsLeft", "cbsUp", "cbsRight", "cbsDown", "cbsDropDown"})
        .Event("OnMouseEnter", &C::OnMouseEnter)
        .Event("OnMouseLeave", &C::OnMouseLeave);
}
