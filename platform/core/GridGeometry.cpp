#include "GridGeometry.h"

#include <algorithm>

namespace {

int CellCount(std::span<const int> extents) {
    return static_cast<int>(extents.size());
}

int FixedExtent(std::span<const int> extents, int fixedCount, int lineWidth) {
    int pos = 0;
    for (int i = 0; i < fixedCount && i < CellCount(extents); ++i)
        pos += GridCellAdvance(extents, i, lineWidth);
    return pos;
}

}  // namespace

TGridAxisDrawInfo CalcGridAxis(std::span<const int> extents, int fixedCount, int firstGridCell, int lineWidth,
                               int gridExtent) {
    TGridAxisDrawInfo info;
    const int count = CellCount(extents);
    info.EffectiveLineWidth = lineWidth;
    info.GridExtent = gridExtent;
    info.FixedCellCount = fixedCount;
    info.FirstGridCell = firstGridCell;
    info.GridCellCount = count;
    int pos = FixedExtent(extents, fixedCount, lineWidth);
    info.FixedBoundary = pos;
    info.LastFullVisibleCell = firstGridCell - 1;
    info.FullVisBoundary = pos;
    for (int i = std::max(firstGridCell, fixedCount); i < count && pos < gridExtent; ++i) {
        pos += GridCellAdvance(extents, i, lineWidth);
        if (pos <= gridExtent) {
            info.LastFullVisibleCell = i;
            info.FullVisBoundary = pos;
        }
    }
    info.GridBoundary = std::min(pos, gridExtent);
    return info;
}

int GridCellStart(const TGridAxisDrawInfo& info, std::span<const int> extents, int index) {
    const int count = CellCount(extents);
    if (index < 0 || index >= count)
        return -1;
    const int lineWidth = info.EffectiveLineWidth;
    if (index < info.FixedCellCount)
        return FixedExtent(extents, index, lineWidth);
    if (index < info.FirstGridCell)
        return -1;
    int pos = info.FixedBoundary;
    for (int i = info.FirstGridCell; i < index; ++i) {
        pos += GridCellAdvance(extents, i, lineWidth);
        if (pos >= info.GridExtent)
            return -1;
    }
    return pos < info.GridExtent ? pos : -1;
}

int GridCellAtPixel(const TGridAxisDrawInfo& info, std::span<const int> extents, int pixel) {
    const int count = CellCount(extents);
    const int lineWidth = info.EffectiveLineWidth;
    if (pixel < 0)
        return -1;
    if (pixel < info.FixedBoundary) {
        int pos = 0;
        for (int i = 0; i < info.FixedCellCount && i < count; ++i) {
            pos += GridCellAdvance(extents, i, lineWidth);
            if (pixel < pos)
                return i;
        }
        return -1;
    }
    if (pixel >= info.GridBoundary)
        return -1;
    int pos = info.FixedBoundary;
    for (int i = info.FirstGridCell; i < count && pos < info.GridExtent; ++i) {
        pos += GridCellAdvance(extents, i, lineWidth);
        if (pixel < pos)
            return i;
    }
    return -1;
}

int GridMaxFirstCell(std::span<const int> extents, int fixedCount, int lineWidth, int gridExtent) {
    const int count = CellCount(extents);
    if (count <= fixedCount)
        return fixedCount;
    const int space = gridExtent - FixedExtent(extents, fixedCount, lineWidth);
    int total = 0;
    int first = count;
    while (first > fixedCount) {
        total += GridCellAdvance(extents, first - 1, lineWidth);
        if (total > space)
            break;
        --first;
    }
    return std::clamp(first, fixedCount, count - 1);
}

int GridFirstCellShowing(std::span<const int> extents, int fixedCount, int lineWidth, int gridExtent, int index) {
    const int count = CellCount(extents);
    if (count <= fixedCount)
        return fixedCount;
    index = std::clamp(index, fixedCount, count - 1);
    const int space = gridExtent - FixedExtent(extents, fixedCount, lineWidth);
    int total = GridCellAdvance(extents, index, lineWidth);
    int first = index;
    while (first > fixedCount) {
        const int next = total + GridCellAdvance(extents, first - 1, lineWidth);
        if (next > space)
            break;
        total = next;
        --first;
    }
    return first;
}

bool GridSizingLineAt(const TGridAxisDrawInfo& info, std::span<const int> extents, int pixel, int margin, int& index,
                      int& linePos, int& offset) {
    const int count = CellCount(extents);
    const int lineWidth = info.EffectiveLineWidth;
    int best = -1;
    int bestDistance = margin + 1;
    int bestLine = 0;
    auto consider = [&](int cell, int start) {
        const int extent = extents[static_cast<std::size_t>(cell)];
        if (GridCellAdvance(extents, cell, lineWidth) == 0)
            return;
        const int line = start + std::max(extent, 0);
        const int lineEnd = line + std::max(lineWidth, 1);  // a grid without lines still sizes at the edge
        const int distance = pixel < line ? line - pixel : (pixel >= lineEnd ? pixel - lineEnd + 1 : 0);
        if (distance < bestDistance) {
            bestDistance = distance;
            best = cell;
            bestLine = line;
        }
    };
    int pos = 0;
    for (int i = 0; i < info.FixedCellCount && i < count; ++i) {
        consider(i, pos);
        pos += GridCellAdvance(extents, i, lineWidth);
    }
    pos = info.FixedBoundary;
    for (int i = std::max(info.FirstGridCell, info.FixedCellCount); i < count && pos < info.GridExtent; ++i) {
        consider(i, pos);
        pos += GridCellAdvance(extents, i, lineWidth);
    }
    if (best < 0)
        return false;
    index = best;
    linePos = bestLine;
    offset = pixel - bestLine;
    return true;
}
