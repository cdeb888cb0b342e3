// Value types shared by the grid units, for both builds.
//
// For Windows this is the class layer's Graphics.h and Controls.h (colours, geometry, TFont,
// short-cuts). The native build has no GDI: it gets the same names here, TFont as a plain font
// description (no handle) with the same properties and OnChange rules, so the Windows-free units
// of the grid (columns, sort markers, data link, bookmark list, tool logic) compile and are tested
// natively. Small enumerations of the platform that the class layer does not have yet follow.
#pragma once

#include "DB.h"  // TAlignment
#include "Events.h"
#include "Object.h"

#include <cstdint>

#ifdef _WIN32
#include "Controls.h"
#include "Graphics.h"
#else
#include <initializer_list>

// ---- Geometry ------------------------------------------------------------------------------------

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
    constexpr TEnumSet operator+(TEnumSet o) const { return FromBits(bits_ | o.bits_); }
    constexpr TEnumSet operator-(TEnumSet o) const { return FromBits(bits_ & ~o.bits_); }
    constexpr TEnumSet operator*(TEnumSet o) const { return FromBits(bits_ & o.bits_); }
    constexpr bool operator==(const TEnumSet&) const = default;

private:
    static constexpr std::uint32_t Bit(E v) { return std::uint32_t{1} << static_cast<unsigned>(v); }
    std::uint32_t bits_ = 0;
};

// ---- Colours (the numbers of the Windows build) ---------------------------------------------------

using TColor = std::int32_t;
constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clBtnHighlight = clSystemColor | 20;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clNavy = 0x800000;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// System colours get the classic scheme's values (there is no system to ask).
TColor ColorToRGB(TColor color);

// ---- Fonts ----------------------------------------------------------------------------------------

class TGraphicsObject : public TPersistent {
    VESTREL_CLASS(TGraphicsObject, TPersistent)
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed() {
        if (OnChange) OnChange(this);
    }
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TEnumSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = std::uint8_t;

// A font description: the properties of the Windows TFont, each setter given a new value raising
// OnChange, Assign copying all of them (one OnChange, none when nothing differs).
class TFont : public TGraphicsObject {
    VESTREL_CLASS(TFont, TGraphicsObject)
public:
    TFont() = default;
    void Assign(TPersistent* source) override;

    TColor Color() const { return color_; }
    void SetColor(TColor color);
    const String& Name() const { return name_; }
    void SetName(const String& name);
    int Height() const { return height_; }
    void SetHeight(int height);
    int Size() const;  // points at 96 pixels per inch
    void SetSize(int size);
    TFontStyles Style() const { return style_; }
    void SetStyle(TFontStyles style);
    TFontCharset Charset() const { return charset_; }
    void SetCharset(TFontCharset charset);
    TFontPitch Pitch() const { return pitch_; }
    void SetPitch(TFontPitch pitch);
    int PixelsPerInch() const { return 96; }

private:
    TColor color_ = clWindowText;
    String name_ = "MS Sans Serif";
    int height_ = -11;
    TFontStyles style_;
    TFontCharset charset_ = 1;  // DEFAULT_CHARSET
    TFontPitch pitch_ = fpDefault;
};

// ---- Short-cuts -----------------------------------------------------------------------------------

using TShortCut = std::uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

#endif  // _WIN32

// ---- Small platform enumerations the class layer does not have yet ---------------------------------

#ifndef VESTREL_TTEXTLAYOUT_DEFINED
#define VESTREL_TTEXTLAYOUT_DEFINED
enum TTextLayout { tlTop, tlCenter, tlBottom };
#endif

#ifndef VESTREL_TBIDIMODE_DEFINED
#define VESTREL_TBIDIMODE_DEFINED
enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };
#endif

#ifndef VESTREL_TIMEMODE_DEFINED
#define VESTREL_TIMEMODE_DEFINED
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese,
                imSHanguel, imHanguel };
using TImeName = String;
#endif

#ifndef VESTREL_TCHECKBOXSTATE_DEFINED
#define VESTREL_TCHECKBOXSTATE_DEFINED
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };
#endif

// Two fonts that would make the same GDI font and colour.
bool SameFontEh(const TFont& a, const TFont& b);
// (a * b) / c rounded to the nearest, as the Windows MulDiv; -1 when c is 0.
int MulDivEh(int a, int b, int c);
