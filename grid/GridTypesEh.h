// Value types shared by the grid units, for both builds.
//
// Geometry, colours, sets and the font description come from GraphicsTypes.h. For Windows the rest
// is the class layer's Graphics.h and Controls.h (TFont with its GDI font, short-cuts). The native
// build has no GDI: its TFont here is the description alone, with the same properties and OnChange
// rules, so the Windows-free units of the grid (columns, sort markers, data link, bookmark list, tool
// logic) compile and are tested natively. Small enumerations of the platform that the class layer
// does not have yet follow.
#pragma once

#include "DB.h"
#include "Events.h"
#include "GraphicsTypes.h"
#include "Object.h"

#include <cstdint>

#ifdef _WIN32
#include "Controls.h"
#include "Graphics.h"
#else

// The font description alone: no GDI font.
class TFont : public TCustomFont {
    VESTREL_CLASS(TFont, TCustomFont)
public:
    TFont() : TCustomFont(-11) {}  // 8 points at 96 pixels per inch
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
// MulDivRound under the grid's name.
inline int MulDivEh(int a, int b, int c) { return MulDivRound(a, b, c); }
