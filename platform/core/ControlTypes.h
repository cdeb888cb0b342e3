// Windows-free value types of controls, shared by the Windows class layer and the Windows-free units
// built on it: key short-cuts, check-box state, text layout in a box, reading order and input method.
#pragma once

#include "Object.h"

#include <cstdint>

// A virtual key with scShift/scCtrl/scAlt.
using TShortCut = std::uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

// The state of a check box (a grid's check-box cell as well as the control).
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

// Where text sits between the top and the bottom of its box.
enum TTextLayout { tlTop, tlCenter, tlBottom };

enum TBiDiMode { bdLeftToRight, bdRightToLeft, bdRightToLeftNoAlign, bdRightToLeftReadingOnly };

// The input method's mode for a control, and the input method's name ("" for the system's).
enum TImeMode { imDisable, imClose, imOpen, imDontCare, imSAlpha, imAlpha, imHira, imSKata, imKata, imChinese,
                imSHanguel, imHanguel };
using TImeName = String;
