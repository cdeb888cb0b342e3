#include "Buttons.h"

#include "TypeRegistry.h"

#include <algorithm>

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), glyph_(std::make_unique<TBitmap>()) {
    glyph_->OnChange = Event<&TBitBtn::GlyphChanged>(this);
}

TBitBtn::~TBitBtn() = default;

void TBitBtn::SetKind(TBitBtnKind value) {
    kind_ = value;
    static constexpr TModalResult results[] = {mrNone, mrOk,    mrCancel, mrNone,  mrYes,   mrNo,
                                               mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
    if (value == bkCustom)
        return;
    SetModalResult(results[value]);
    if (value == bkOK || value == bkYes)
        SetDefault(true);
    if (value == bkCancel || value == bkNo)
        SetCancel(true);
}

void TBitBtn::SetGlyph(TBitmap* value) {
    glyph_->Assign(value);
}

void TBitBtn::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (numGlyphs_ == value)
        return;
    numGlyphs_ = value;
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    if (layout_ == value)
        return;
    layout_ = value;
    Invalidate();
}

void TBitBtn::GlyphChanged(TObject*) {
    Invalidate();
}

void TBitBtn::CreateParams(TCreateParams& params) {
    inherited::CreateParams(params);
    params.Style = (params.Style & ~static_cast<DWORD>(BS_TYPEMASK)) | BS_OWNERDRAW;
}

void TBitBtn::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_DRAWITEM:
        if (const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(m.LParam))
            DrawItem(*item);
        m.Result = TRUE;
        return;
    default:
        return inherited::Dispatch(m);
    }
}

void TBitBtn::SetButtonStyle(bool) {
    // An owner-drawn button keeps its style; the default frame is drawn by PaintTo.
    Invalidate();
}

void TBitBtn::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Invalidate();
}

void TBitBtn::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    Invalidate();
}

void TBitBtn::DrawItem(const DRAWITEMSTRUCT& item) {
    TCanvas canvas;
    canvas.SetHandle(item.hDC);
    try {
        PaintTo(canvas, (item.itemState & ODS_SELECTED) != 0, (item.itemState & ODS_FOCUS) != 0);
    } catch (...) {
        canvas.SetHandle(nullptr);
        throw;
    }
    canvas.SetHandle(nullptr);
}

void TBitBtn::PaintTo(TCanvas& canvas, bool pressed, bool focused) {
    TRect r = Rect(0, 0, Width(), Height());
    const bool isDefault = focused || Active();
    if (isDefault) {
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(clWindowFrame);
        canvas.FrameRect(r);
        r = Rect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    }
    RECT frame = ToWinRect(r);
    if (pressed) {
        canvas.Brush()->SetColor(clBtnFace);
        canvas.FillRect(r);
        canvas.Brush()->SetColor(clBtnShadow);
        canvas.FrameRect(r);
    } else {
        DrawFrameControl(canvas.Handle(), &frame, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_ADJUSTRECT);
    }
    TRect content = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    if (pressed)
        content = Rect(content.Left + 1, content.Top + 1, content.Right + 1, content.Bottom + 1);

    // The glyph's frame: up, disabled, down.
    int glyphWidth = 0;
    int glyphHeight = 0;
    int frameIndex = 0;
    if (!glyph_->Empty()) {
        glyphWidth = glyph_->Width() / numGlyphs_;
        glyphHeight = glyph_->Height();
        if (!Enabled() && numGlyphs_ > 1)
            frameIndex = 1;
        else if (pressed && numGlyphs_ > 2)
            frameIndex = 2;
    }
    canvas.SetFont(Font());
    const String caption = Caption();
    const TSize textSize = caption.empty() ? TSize{} : canvas.TextExtent(caption);
    constexpr int spacing = 4;
    const int total = glyphWidth + textSize.cx + (glyphWidth && textSize.cx ? spacing : 0);
    int x = content.Left + (content.Width() - total) / 2;
    const bool glyphFirst = layout_ != blGlyphRight;
    if (glyphWidth) {
        const int gx = glyphFirst ? x : x + textSize.cx + spacing;
        const int gy = content.Top + (content.Height() - glyphHeight) / 2;
        TBitmap frameBitmap;
        frameBitmap.SetSize(glyphWidth, glyphHeight);
        frameBitmap.Canvas()->CopyRect(Rect(0, 0, glyphWidth, glyphHeight), glyph_->Canvas(),
                                       Bounds(frameIndex * glyphWidth, 0, glyphWidth, glyphHeight));
        frameBitmap.SetTransparent(true);
        canvas.Draw(gx, gy, &frameBitmap);
        if (glyphFirst)
            x += glyphWidth + spacing;
    }
    if (!caption.empty()) {
        TRect textRect = Bounds(x, content.Top, textSize.cx + 1, content.Height());
        canvas.Brush()->SetStyle(bsClear);
        canvas.Font()->SetColor(Enabled() ? Font()->Color() : clGrayText);
        canvas.TextRect(textRect, caption, TTextFormat{tfSingleLine, tfVerticalCenter, tfLeft});
    }
    if (focused) {
        TRect focus = Rect(r.Left + 3, r.Top + 3, r.Right - 3, r.Bottom - 3);
        canvas.Brush()->SetStyle(bsSolid);
        canvas.Brush()->SetColor(clBtnFace);
        canvas.DrawFocusRect(focus);
    }
}

// ---- TSpeedButton -----------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), glyph_(std::make_unique<TBitmap>()) {
    SetControlStyle(TControlStyle{csCaptureMouse, csDoubleClicks, csSetCaption, csOpaque});
    SetBounds(0, 0, 23, 22);
    SetParentColor(false);
    SetColor(clBtnFace);
    glyph_->OnChange = Event<&TSpeedButton::GlyphChanged>(this);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetNumGlyphs(int value) {
    value = std::clamp(value, 1, 4);
    if (numGlyphs_ == value)
        return;
    numGlyphs_ = value;
    Invalidate();
}

void TSpeedButton::SetLayout(TButtonLayout value) {
    if (layout_ == value)
        return;
    layout_ = value;
    Invalidate();
}

void TSpeedButton::SetFlat(bool value) {
    if (flat_ == value)
        return;
    flat_ = value;
    Invalidate();
}

void TSpeedButton::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    UpdateGroup();
}

void TSpeedButton::SetDown(bool value) {
    if (groupIndex_ == 0)
        value = false;
    if (down_ == value)
        return;
    if (down_ && !value && !allowAllUp_)
        return;
    down_ = value;
    if (value)
        UpdateGroup();
    Invalidate();
}

void TSpeedButton::UpdateGroup() {
    if (groupIndex_ == 0 || !down_ || !Parent())
        return;
    TWinControl* parent = Parent();
    for (int i = 0; i < parent->ControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(parent->Controls(i));
            other && other != this && other->groupIndex_ == groupIndex_ && other->down_) {
            other->down_ = false;
            other->Invalidate();
        }
}

void TSpeedButton::SetAction(TBasicAction* value) {
    SetLinkedAction(actionLink_, static_cast<TControl*>(this), value);
}

void TSpeedButton::Click() {
    if (!OnClick && actionLink_ && actionLink_->Execute(this))
        return;
    inherited::Click();
}

void TSpeedButton::GlyphChanged(TObject*) {
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    inherited::MouseDown(button, shift, x, y);
    if (button == mbLeft && Enabled()) {
        pressed_ = true;
        Invalidate();
    }
}

void TSpeedButton::MouseMove(TShiftState shift, int x, int y) {
    inherited::MouseMove(shift, x, y);
    if (!MouseCapture())
        return;
    const bool inside = ClientRect().Contains(Point(x, y));
    if (inside != pressed_) {
        pressed_ = inside;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const bool clicked = pressed_ && button == mbLeft && ClientRect().Contains(Point(x, y));
    pressed_ = false;
    Invalidate();
    inherited::MouseUp(button, shift, x, y);
    if (!clicked)
        return;
    if (groupIndex_ != 0)
        SetDown(allowAllUp_ ? !down_ : true);
    Click();
}

void TSpeedButton::CMMouseEnter(TMessage& m) {
    inherited::CMMouseEnter(m);
    mouseInside_ = true;
    if (flat_)
        Invalidate();
}

void TSpeedButton::CMMouseLeave(TMessage& m) {
    inherited::CMMouseLeave(m);
    mouseInside_ = false;
    if (flat_)
        Invalidate();
}

void TSpeedButton::CMEnabledChanged(TMessage& m) {
    inherited::CMEnabledChanged(m);
    pressed_ = false;
    Invalidate();
}

void TSpeedButton::CMTextChanged(TMessage& m) {
    inherited::CMTextChanged(m);
    Invalidate();
}

void TSpeedButton::Paint() {
    PaintTo(*Canvas());
}

void TSpeedButton::PaintTo(TCanvas& canvas) {
    TRect r = Rect(0, 0, Width(), Height());
    const bool sunk = pressed_ || down_;
    canvas.Brush()->SetStyle(bsSolid);
    canvas.Brush()->SetColor(Color());
    canvas.FillRect(r);
    RECT frame = ToWinRect(r);
    if (!flat_) {
        DrawFrameControl(canvas.Handle(), &frame, DFC_BUTTON, DFCS_BUTTONPUSH | (sunk ? DFCS_PUSHED : 0));
    } else if (sunk || (mouseInside_ && Enabled())) {
        DrawEdge(canvas.Handle(), &frame, sunk ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
    }
    TRect content = Rect(r.Left + 2, r.Top + 2, r.Right - 2, r.Bottom - 2);
    if (sunk)
        content = Rect(content.Left + 1, content.Top + 1, content.Right + 1, content.Bottom + 1);

    // The glyph's frame: up, disabled, down.
    int glyphWidth = 0;
    int glyphHeight = 0;
    if (!glyph_->Empty()) {
        glyphWidth = glyph_->Width() / numGlyphs_;
        glyphHeight = glyph_->Height();
    }
    int frameIndex = 0;
    if (!Enabled() && numGlyphs_ > 1)
        frameIndex = 1;
    else if (sunk && numGlyphs_ > 2)
        frameIndex = 2;
    const String caption = Caption();
    canvas.SetFont(Font());
    TRect textSize = Rect(0, 0, content.Width(), content.Height());
    if (!caption.empty())
        canvas.TextRect(textSize, caption, TTextFormat{tfSingleLine, tfCalcRect});
    const int spacing = glyphWidth > 0 && !caption.empty() ? 4 : 0;
    const bool vertical = layout_ == blGlyphTop || layout_ == blGlyphBottom;
    const int totalWidth = vertical ? std::max(glyphWidth, textSize.Width()) : glyphWidth + spacing + textSize.Width();
    const int totalHeight =
        vertical ? glyphHeight + spacing + textSize.Height() : std::max(glyphHeight, textSize.Height());
    const int left = content.Left + (content.Width() - totalWidth) / 2;
    const int top = content.Top + (content.Height() - totalHeight) / 2;
    TPoint glyphAt;
    TRect textRect;
    switch (layout_) {
    case blGlyphLeft:
        glyphAt = Point(left, content.Top + (content.Height() - glyphHeight) / 2);
        textRect = Bounds(left + glyphWidth + spacing, content.Top, textSize.Width(), content.Height());
        break;
    case blGlyphRight:
        glyphAt = Point(left + textSize.Width() + spacing, content.Top + (content.Height() - glyphHeight) / 2);
        textRect = Bounds(left, content.Top, textSize.Width(), content.Height());
        break;
    case blGlyphTop:
        glyphAt = Point(content.Left + (content.Width() - glyphWidth) / 2, top);
        textRect = Bounds(content.Left, top + glyphHeight + spacing, content.Width(), textSize.Height());
        break;
    case blGlyphBottom:
        glyphAt = Point(content.Left + (content.Width() - glyphWidth) / 2, top + textSize.Height() + spacing);
        textRect = Bounds(content.Left, top, content.Width(), textSize.Height());
        break;
    }
    if (glyphWidth > 0) {
        TBitmap part;
        part.SetSize(glyphWidth, glyphHeight);
        part.Canvas()->CopyRect(Rect(0, 0, glyphWidth, glyphHeight), glyph_->Canvas(),
                                Bounds(frameIndex * glyphWidth, 0, glyphWidth, glyphHeight));
        part.SetTransparent(true);
        canvas.Draw(glyphAt.X, glyphAt.Y, &part);
    }
    if (caption.empty())
        return;
    canvas.Brush()->SetStyle(bsClear);
    const TTextFormat format{tfSingleLine, tfVerticalCenter, tfCenter};
    if (Enabled()) {
        canvas.Font()->SetColor(Font()->Color());
        canvas.TextRect(textRect, caption, format);
    } else {
        TRect shifted = Rect(textRect.Left + 1, textRect.Top + 1, textRect.Right + 1, textRect.Bottom + 1);
        canvas.Font()->SetColor(clBtnHighlight);
        canvas.TextRect(shifted, caption, format);
        canvas.Font()->SetColor(clBtnShadow);
        canvas.TextRect(textRect, caption, format);
    }
    canvas.Brush()->SetStyle(bsSolid);
}

void RegisterButtonsClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterStdCtrlsClasses();
    RegisterClasses<TBitBtn>();
    RegisterProperties<TBitBtn>()
        .Enum("Kind", &TBitBtn::Kind, &TBitBtn::SetKind,
              {"bkCustom", "bkOK", "bkCancel", "bkHelp", "bkYes", "bkNo", "bkClose", "bkAbort", "bkRetry", "bkIgnore",
               "bkAll"})
        .Object("Glyph", &TBitBtn::Glyph, &TBitBtn::SetGlyph)
        .Int("NumGlyphs", &TBitBtn::NumGlyphs, &TBitBtn::SetNumGlyphs)
        .Enum("Layout", &TBitBtn::Layout, &TBitBtn::SetLayout,
              {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"});
    RegisterClasses<TSpeedButton>();
    RegisterProperties<TSpeedButton>()
        .Object("Glyph", &TSpeedButton::Glyph, &TSpeedButton::SetGlyph)
        .Int("NumGlyphs", &TSpeedButton::NumGlyphs, &TSpeedButton::SetNumGlyphs)
        .Enum("Layout", &TSpeedButton::Layout, &TSpeedButton::SetLayout,
              {"blGlyphLeft", "blGlyphRight", "blGlyphTop", "blGlyphBottom"})
        .Bool("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat)
        .Int("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex)
        .Bool("Down", &TSpeedButton::Down, &TSpeedButton::SetDown)
        .Bool("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp)
        .Component("Action", &TSpeedButton::Action, &TSpeedButton::SetAction);
}
