// Value types of the grid units: the native font description and colour look-up, and helpers.
#include "GridTypesEh.h"

#include <cmath>
#include <cstdlib>

#ifndef _WIN32

TColor ColorToRGB(TColor color) {
    if ((color & clSystemColor) != clSystemColor) return color;
    switch (color & 0xFF) {
    case 5: return clWhite;                 // window
    case 8: return clBlack;                 // window text
    case 13: return 0x6A240A;               // highlight (10, 36, 106)
    case 14: return clWhite;                // highlight text
    case 15: return 0xC8D0D4;               // button face (212, 208, 200)
    case 16: return 0x808080;               // button shadow
    case 17: return 0x808080;               // grey text
    case 18: return clBlack;                // button text
    case 20: return clWhite;                // button highlight
    default: return clBlack;
    }
}

void TFont::Assign(TPersistent* source) {
    auto* font = dynamic_cast<TFont*>(source);
    if (!font) return inherited::Assign(source);
    if (font == this || SameFontEh(*this, *font)) return;
    color_ = font->color_;
    name_ = font->name_;
    height_ = font->height_;
    style_ = font->style_;
    charset_ = font->charset_;
    pitch_ = font->pitch_;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TFont::SetName(const String& name) {
    if (name == name_) return;
    name_ = name;
    Changed();
}

void TFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    Changed();
}

int TFont::Size() const { return -MulDivEh(height_, 72, PixelsPerInch()); }

void TFont::SetSize(int size) { SetHeight(-MulDivEh(size, PixelsPerInch(), 72)); }

void TFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    Changed();
}

void TFont::SetCharset(TFontCharset charset) {
    if (charset == charset_) return;
    charset_ = charset;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    Changed();
}

#endif  // !_WIN32

bool SameFontEh(const TFont& a, const TFont& b) {
    return a.Name() == b.Name() && a.Height() == b.Height() && a.Style() == b.Style() &&
           a.Charset() == b.Charset() && a.Pitch() == b.Pitch() && a.Color() == b.Color();
}

int MulDivEh(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    long long q = product / c;
    const long long r = product % c;
    // Round half away from zero, as the system routine does.
    if (std::llabs(r) * 2 >= std::llabs(static_cast<long long>(c))) q += ((product < 0) != (c < 0)) ? -1 : 1;
    return static_cast<int>(q);
}
