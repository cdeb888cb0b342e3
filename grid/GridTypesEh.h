// Value types shared by the grid units. The geometry, colours, sets and the font come from
// GraphicsTypes.h (the grid owns its fonts as TCustomFont, made by NewFont), the small control
// enumerations and short-cuts from ControlTypes.h, the cell draw state from GridGeometry.h; the same
// definitions build the Windows-free units natively and for Windows.
#pragma once

#include "ControlTypes.h"
#include "DB.h"
#include "Events.h"
#include "GraphicsTypes.h"
#include "GridGeometry.h"
#include "Object.h"

#include <cstdint>

// Two fonts that would make the same GDI font and colour.
bool SameFontEh(const TCustomFont& a, const TCustomFont& b);
// MulDivRound under the grid's name.
inline int MulDivEh(int a, int b, int c) { return MulDivRound(a, b, c); }
