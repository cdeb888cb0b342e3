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
}
