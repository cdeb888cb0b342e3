// Windows-free value types of drawing, shared by the Windows class layer and the native build.
//
// Classes in this file:
//   TPoint, TSize, TRect  plain geometry (TRect has the Left/Top/Right/Bottom of a Windows RECT)
//   TEnumSet<E>           a small set of enumeration values (font styles, text formats)
//   TGraphicsObject       base of the drawing tools: OnChange after every change
//   TCustomFont           a font's description and its change rules; the Windows TFont adds the GDI
//                         font; NewFont makes the platform's font
// and TAlignment, TColor with the colour constants (the numbers of the Windows build), ColorToRGB,
// the colour names, and MulDivRound.
#pragma once

#include "Events.h"
#include "Object.h"
#include "TypeRegistry.h"

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>

// ---- Geometry -------------------------------------------------------------------------------------

struct TPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const TPoint&) const = default;
};

struct TSize {
    int cx = 0;
    int cy = 0;
    bool operator==(const TSize&) const = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;

    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool IsEmpty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    bool operator==(const TRect&) const = default;
};

inline TPoint Point(int x, int y) { return TPoint{x, y}; }
inline TRect Rect(int left, int top, int right, int bottom) { return TRect{left, top, right, bottom}; }
inline TRect Bounds(int left, int top, int width, int height) {
    return TRect{left, top, left + width, top + height};
}

// (a * b) / c rounded half away from zero, without overflow in between, as the Windows MulDiv;
// -1 when c is 0 or the result does not fit an int.
int MulDivRound(int a, int b, int c);

enum TAlignment { taLeftJustify, taRightJustify, taCenter };

// ---- Sets -----------------------------------------------------------------------------------------

// A set of the values of an enumeration whose ordinals are 0..31.
template <class E>
class TEnumSet {
public:
    constexpr TEnumSet() = default;
    constexpr TEnumSet(std::initializer_list<E> values) {
        for (E v : values) bits_ |= Bit(v);
    }
    static constexpr TEnumSet FromBits(std::uint32_t bits) {
        TEnumSet s;
        s.bits_ = bits;
        return s;
    }

    constexpr bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
    constexpr bool Empty() const { return bits_ == 0; }
    constexpr std::uint32_t Bits() const { return bits_; }
    TEnumSet& Include(E v) { bits_ |= Bit(v); return *this; }
    TEnumSet& Exclude(E v) { bits_ &= ~Bit(v); return *this; }

    constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(bits_ | o.bits_); }  // union
    constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(bits_ & o.bits_); }  // intersection
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E v) { return std::uint32_t{1} << static_cast<unsigned>(v); }
    std::uint32_t bits_ = 0;
};

// ---- Colours --------------------------------------------------------------------------------------

// 0x00BBGGRR for an RGB colour; clSystemColor plus a system colour index (COLOR_*) for a system colour.
using TColor = std::int32_t;

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);

constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of `color`: a system colour is looked up (on Windows GetSysColor, in the native build
// the classic scheme's value); any other value is returned as it is (clNone and clDefault included).
TColor ColorToRGB(TColor color);
// The colour names form descriptions write ("clBtnFace", ...), for integer colour properties.
std::span<const TIdentMapEntry> ColorIdents();

// ---- Drawing tools --------------------------------------------------------------------------------

class TGraphicsObject : public TPersistent {
    VESTREL_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = std::uint8_t;

// The properties of a font. A setter given a new value raises OnChange; Assign copies all of them
// with one OnChange, none when nothing differs.
class TCustomFont : public TGraphicsObject {
    VESTREL_CLASS(TCustomFont, TGraphicsObject)
public:
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const String& Name() const { return name_; }
    void SetName(const String& name);
    // Height in pixels: negative for the character height, positive for the cell height.
    int Height() const { return height_; }
    void SetHeight(int height);
    // Size in points, through PixelsPerInch.
    int Size() const;
    void SetSize(int size);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    // Logical pixels per inch (vertical) of the device the font is for.
    virtual int PixelsPerInch() const { return 96; }

protected:
    // "MS Sans Serif" at `height`, window text colour, default charset and pitch.
    explicit TCustomFont(int height);
    // A property that shapes the glyphs changed (any but Color); raises OnChange.
    virtual void GlyphsChanged() { Changed(); }

    TColor color_ = clWindowText;
    String name_ = "MS Sans Serif";
    int height_;
    TFontStyles style_;
    TFontCharset charset_ = 1;  // DEFAULT_CHARSET
    TFontPitch pitch_ = fpDefault;
};

// A new font of the platform, 8 points: the Windows build's TFont (with its GDI font), the native
// build's font description alone. Windows-free units that own fonts make them here.
std::unique_ptr<TCustomFont> NewFont();

// Font.Name, Font.Style, ... in form descriptions, for every font class; runs once.
void RegisterFontProperties();
