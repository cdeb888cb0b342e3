#include "GraphicsTypes.h"

#include <climits>
#include <cstdlib>

int MulDivRound(int a, int b, int c) {
    if (c == 0) return -1;
    const long long product = static_cast<long long>(a) * b;
    long long q = product / c;
    const long long r = product % c;
    if (std::llabs(r) * 2 >= std::llabs(static_cast<long long>(c))) q += ((product < 0) != (c < 0)) ? -1 : 1;
    if (q > INT_MAX || q < INT_MIN) return -1;
    return static_cast<int>(q);
}

// ---- Colours --------------------------------------------------------------------------------------

#ifndef _WIN32
// The Windows build asks the system (Graphics.cpp); here the classic scheme answers.
TColor ColorToRGB(TColor color) {
    if (color >= 0) return color;
    switch (color & 0xFF) {
    case 0: return 0xC8D0D4;   // scroll bar
    case 1: return 0xA56E3A;   // desktop
    case 2: return 0x6A240A;   // active caption
    case 3: return 0x808080;   // inactive caption
    case 4: return 0xC8D0D4;   // menu
    case 5: return clWhite;    // window
    case 6: return clBlack;    // window frame
    case 7: return clBlack;    // menu text
    case 8: return clBlack;    // window text
    case 9: return clWhite;    // caption text
    case 10: return 0xC8D0D4;  // active border
    case 11: return 0xC8D0D4;  // inactive border
    case 12: return 0x808080;  // application work space
    case 13: return 0x6A240A;  // highlight (10, 36, 106)
    case 14: return clWhite;   // highlight text
    case 15: return 0xC8D0D4;  // button face (212, 208, 200)
    case 16: return 0x808080;  // button shadow
    case 17: return 0x808080;  // grey text
    case 18: return clBlack;   // button text
    case 19: return 0xC8D0D4;  // inactive caption text
    case 20: return clWhite;   // button highlight
    case 21: return 0x404040;  // 3-D dark shadow
    case 22: return 0xC8D0D4;  // 3-D light
    case 23: return clBlack;   // tool-tip text
    case 24: return 0xE1FFFF;  // tool-tip background
    case 26: return 0x800000;  // hot-tracked item
    case 27: return 0xF0CAA6;  // active caption gradient
    case 28: return 0xC0C0C0;  // inactive caption gradient
    case 29: return 0x6A240A;  // menu highlight
    case 30: return 0xC8D0D4;  // menu bar
    default: return clBlack;
    }
}
#endif

namespace {

constexpr TIdentMapEntry kColorIdentTable[] = {
    {clBlack, "clBlack"}, {clMaroon, "clMaroon"}, {clGreen, "clGreen"}, {clOlive, "clOlive"},
    {clNavy, "clNavy"}, {clPurple, "clPurple"}, {clTeal, "clTeal"}, {clGray, "clGray"},
    {clSilver, "clSilver"}, {clRed, "clRed"}, {clLime, "clLime"}, {clYellow, "clYellow"},
    {clBlue, "clBlue"}, {clFuchsia, "clFuchsia"}, {clAqua, "clAqua"}, {clWhite, "clWhite"},
    {clMoneyGreen, "clMoneyGreen"}, {clSkyBlue, "clSkyBlue"}, {clCream, "clCream"}, {clMedGray, "clMedGray"},
    {clNone, "clNone"}, {clDefault, "clDefault"},
    {clScrollBar, "clScrollBar"}, {clBackground, "clBackground"}, {clActiveCaption, "clActiveCaption"},
    {clInactiveCaption, "clInactiveCaption"}, {clMenu, "clMenu"}, {clWindow, "clWindow"},
    {clWindowFrame, "clWindowFrame"}, {clMenuText, "clMenuText"}, {clWindowText, "clWindowText"},
    {clCaptionText, "clCaptionText"}, {clActiveBorder, "clActiveBorder"}, {clInactiveBorder, "clInactiveBorder"},
    {clAppWorkSpace, "clAppWorkSpace"}, {clHighlight, "clHighlight"}, {clHighlightText, "clHighlightText"},
    {clBtnFace, "clBtnFace"}, {clBtnShadow, "clBtnShadow"}, {clGrayText, "clGrayText"},
    {clBtnText, "clBtnText"}, {clInactiveCaptionText, "clInactiveCaptionText"},
    {clBtnHighlight, "clBtnHighlight"}, {cl3DDkShadow, "cl3DDkShadow"}, {cl3DLight, "cl3DLight"},
    {clInfoText, "clInfoText"}, {clInfoBk, "clInfoBk"}, {clHotLight, "clHotLight"},
    {clGradientActiveCaption, "clGradientActiveCaption"}, {clGradientInactiveCaption, "clGradientInactiveCaption"},
    {clMenuHighlight, "clMenuHighlight"}, {clMenuBar, "clMenuBar"},
};

}  // namespace

std::span<const TIdentMapEntry> ColorIdents() {
    return kColorIdentTable;
}

namespace {

// The character sets' numbers of the Windows build (its *_CHARSET constants).
constexpr TIdentMapEntry kCharsetIdents[] = {
    {0, "ANSI_CHARSET"},        {1, "DEFAULT_CHARSET"},     {2, "SYMBOL_CHARSET"},
    {128, "SHIFTJIS_CHARSET"},  {129, "HANGEUL_CHARSET"},   {134, "GB2312_CHARSET"},
    {136, "CHINESEBIG5_CHARSET"}, {255, "OEM_CHARSET"},     {77, "MAC_CHARSET"},
    {238, "EASTEUROPE_CHARSET"}, {204, "RUSSIAN_CHARSET"},  {161, "GREEK_CHARSET"},
    {162, "TURKISH_CHARSET"},
};

}  // namespace

void RegisterFontProperties() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterProperties<TCustomFont>()
        .Str("Name", &TCustomFont::Name, &TCustomFont::SetName)
        .Int("Height", &TCustomFont::Height, &TCustomFont::SetHeight)
        .Int("Size", &TCustomFont::Size, &TCustomFont::SetSize)
        .Int("Color", &TCustomFont::Color, &TCustomFont::SetColor)
        .Idents(ColorIdents())
        .Set("Style", [](TCustomFont& f) { return f.Style().Bits(); },
             [](TCustomFont& f, std::uint32_t bits) { f.SetStyle(TFontStyles::FromBits(bits)); },
             {"fsBold", "fsItalic", "fsUnderline", "fsStrikeOut"})
        .Int("Charset", &TCustomFont::Charset, &TCustomFont::SetCharset)
        .Idents(kCharsetIdents)
        .Enum("Pitch", &TCustomFont::Pitch, &TCustomFont::SetPitch, {"fpDefault", "fpVariable", "fpFixed"});
}

// ---- Drawing tools --------------------------------------------------------------------------------

void TGraphicsObject::Changed() {
    if (OnChange) OnChange(this);
}

TCustomFont::TCustomFont(int height) : height_(height) {}

#ifndef _WIN32
namespace {

// Without GDI a font is its description.
class TFontDescription final : public TCustomFont {
public:
    TFontDescription() : TCustomFont(-11) {}  // 8 points at 96 pixels per inch
};

}  // namespace

// The Windows build makes its TFont (Graphics.cpp).
std::unique_ptr<TCustomFont> NewFont() {
    return std::make_unique<TFontDescription>();
}
#endif

void TCustomFont::Assign(TPersistent* source) {
    auto* font = dynamic_cast<TCustomFont*>(source);
    if (!font) return inherited::Assign(source);
    if (font == this) return;
    const bool sameGlyphs = name_ == font->name_ && height_ == font->height_ && style_ == font->style_ &&
                            charset_ == font->charset_ && pitch_ == font->pitch_;
    if (sameGlyphs && color_ == font->color_) return;
    color_ = font->color_;
    name_ = font->name_;
    height_ = font->height_;
    style_ = font->style_;
    charset_ = font->charset_;
    pitch_ = font->pitch_;
    if (sameGlyphs)
        Changed();
    else
        GlyphsChanged();
}

void TCustomFont::SetColor(TColor color) {
    if (color == color_) return;
    color_ = color;
    Changed();
}

void TCustomFont::SetName(const String& name) {
    if (name == name_) return;
    name_ = name;
    GlyphsChanged();
}

void TCustomFont::SetHeight(int height) {
    if (height == height_) return;
    height_ = height;
    GlyphsChanged();
}

int TCustomFont::Size() const {
    return -MulDivRound(height_, 72, PixelsPerInch());
}

void TCustomFont::SetSize(int size) {
    SetHeight(-MulDivRound(size, PixelsPerInch(), 72));
}

void TCustomFont::SetStyle(TFontStyles style) {
    if (style == style_) return;
    style_ = style;
    GlyphsChanged();
}

void TCustomFont::SetCharset(TFontCharset charset) {
    if (charset == charset_) return;
    charset_ = charset;
    GlyphsChanged();
}

void TCustomFont::SetPitch(TFontPitch pitch) {
    if (pitch == pitch_) return;
    pitch_ = pitch;
    GlyphsChanged();
}
