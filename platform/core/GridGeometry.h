// Cell geometry of a grid along one axis (columns across, rows down), without windows, and the
// draw state of a cell.
//
// An axis is a list of cell extents (widths or heights) in pixels. A line of `lineWidth` pixels
// follows every cell; a cell with its line advances max(0, extent + lineWidth) pixels, so an
// extent of -lineWidth hides a cell entirely. The first `fixedCount` cells are always shown from
// pixel 0; the scrollable cells follow them from `firstGridCell` on.
//
// The platform grid (platform/win/Grids.h) builds its draw info, hit tests, scroll limits and sizing
// spots from these functions; platform/win/Grids.md describes the conventions.
#pragma once

#include "GraphicsTypes.h"

#include <span>

// How a cell is drawn: the current cell, the grid focused, a fixed cell.
enum TGridDrawStateElement { gdSelected, gdFocused, gdFixed };
using TGridDrawState = TEnumSet<TGridDrawStateElement>;

// One axis of a grid as shown in a client extent.
struct TGridAxisDrawInfo {
    int EffectiveLineWidth = 0;   // the line after every cell (0 when the axis draws no lines)
    int FixedBoundary = 0;        // first pixel after the fixed cells and their lines
    int GridBoundary = 0;         // first pixel after the last cell shown and its line, at most GridExtent
    int GridExtent = 0;           // the client extent
    int LastFullVisibleCell = 0;  // last cell shown whole with its line (FirstGridCell - 1 when none is)
    int FullVisBoundary = 0;      // first pixel after that cell and its line (FixedBoundary when none)
    int FixedCellCount = 0;
    int FirstGridCell = 0;        // the first scrollable cell shown (LeftCol or TopRow)
    int GridCellCount = 0;        // every cell, fixed ones included (ColCount or RowCount)
};

// Pixels that cell `index` takes with its line.
inline int GridCellAdvance(std::span<const int> extents, int index, int lineWidth) {
    const int advance = extents[static_cast<std::size_t>(index)] + lineWidth;
    return advance > 0 ? advance : 0;
}

// The axis as shown: fixed cells from 0, scrollable cells from `firstGridCell` until `gridExtent`.
TGridAxisDrawInfo CalcGridAxis(std::span<const int> extents, int fixedCount, int firstGridCell, int lineWidth,
                               int gridExtent);

// First pixel of cell `index` when it is shown (a fixed cell, or a scrollable cell from FirstGridCell
// that starts before GridBoundary); -1 otherwise.
int GridCellStart(const TGridAxisDrawInfo& info, std::span<const int> extents, int index);

// The cell shown at `pixel` (its line counts as part of it), or -1 outside the cells shown.
int GridCellAtPixel(const TGridAxisDrawInfo& info, std::span<const int> extents, int pixel);

// The largest first scrollable cell that still shows the last cell whole: the scroll limit.
// `fixedCount` when every scrollable cell fits, or when there is none.
int GridMaxFirstCell(std::span<const int> extents, int fixedCount, int lineWidth, int gridExtent);

// The first scrollable cell that shows `index` whole as the last cell (or as the first one when it is
// wider than the space); never below `fixedCount`.
int GridFirstCellShowing(std::span<const int> extents, int fixedCount, int lineWidth, int gridExtent, int index);

// A sizing spot: `pixel` lies within `margin` pixels before the line after a shown cell, on the line,
// or within `margin` pixels after it. Gives the cell, the line's first pixel and pixel - that pixel.
// The cell whose line is nearest wins; false when no line is near.
bool GridSizingLineAt(const TGridAxisDrawInfo& info, std::span<const int> extents, int pixel, int margin, int& index,
                      int& linePos, int& offset);
