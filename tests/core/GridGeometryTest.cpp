// Grid geometry of one axis: draw info, hit tests, scroll limits and sizing spots.
#include "GridGeometry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct TAxisCase {
    const char* name;
    std::vector<int> extents;
    int fixed;
    int first;
    int line;
    int extent;
    TGridAxisDrawInfo expected;
};

TEST(GridGeometry, AxisDrawInfo) {
    const TAxisCase cases[] = {
        {"scrolled, last cell cut", {20, 30, 40, 50, 60}, 1, 2, 1, 120,
         {.EffectiveLineWidth = 1, .FixedBoundary = 21, .GridBoundary = 120, .GridExtent = 120,
          .LastFullVisibleCell = 3, .FullVisBoundary = 113, .FixedCellCount = 1, .FirstGridCell = 2,
          .GridCellCount = 5}},
        {"everything fits", {20, 30}, 0, 0, 1, 200,
         {.EffectiveLineWidth = 1, .FixedBoundary = 0, .GridBoundary = 52, .GridExtent = 200,
          .LastFullVisibleCell = 1, .FullVisBoundary = 52, .FixedCellCount = 0, .FirstGridCell = 0,
          .GridCellCount = 2}},
        {"a cell whose line is cut is not whole", {10, 10}, 0, 0, 1, 21,
         {.EffectiveLineWidth = 1, .FixedBoundary = 0, .GridBoundary = 21, .GridExtent = 21,
          .LastFullVisibleCell = 0, .FullVisBoundary = 11, .FixedCellCount = 0, .FirstGridCell = 0,
          .GridCellCount = 2}},
        {"width -line hides a cell", {10, -1, 10}, 1, 1, 1, 100,
         {.EffectiveLineWidth = 1, .FixedBoundary = 11, .GridBoundary = 22, .GridExtent = 100,
          .LastFullVisibleCell = 2, .FullVisBoundary = 22, .FixedCellCount = 1, .FirstGridCell = 1,
          .GridCellCount = 3}},
        {"no scrollable cell shows whole", {30, 500}, 1, 1, 0, 100,
         {.EffectiveLineWidth = 0, .FixedBoundary = 30, .GridBoundary = 100, .GridExtent = 100,
          .LastFullVisibleCell = 0, .FullVisBoundary = 30, .FixedCellCount = 1, .FirstGridCell = 1,
          .GridCellCount = 2}},
        {"fixed cells wider than the client", {80, 80, 10}, 2, 2, 1, 100,
         {.EffectiveLineWidth = 1, .FixedBoundary = 162, .GridBoundary = 100, .GridExtent = 100,
          .LastFullVisibleCell = 1, .FullVisBoundary = 162, .FixedCellCount = 2, .FirstGridCell = 2,
          .GridCellCount = 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const TGridAxisDrawInfo got = CalcGridAxis(c.extents, c.fixed, c.first, c.line, c.extent);
        EXPECT_EQ(got.EffectiveLineWidth, c.expected.EffectiveLineWidth);
        EXPECT_EQ(got.FixedBoundary, c.expected.FixedBoundary);
        EXPECT_EQ(got.GridBoundary, c.expected.GridBoundary);
        EXPECT_EQ(got.GridExtent, c.expected.GridExtent);
        EXPECT_EQ(got.LastFullVisibleCell, c.expected.LastFullVisibleCell);
        EXPECT_EQ(got.FullVisBoundary, c.expected.FullVisBoundary);
        EXPECT_EQ(got.FixedCellCount, c.expected.FixedCellCount);
        EXPECT_EQ(got.FirstGridCell, c.expected.FirstGridCell);
        EXPECT_EQ(got.GridCellCount, c.expected.GridCellCount);
    }
}

TEST(GridGeometry, CellStartAndHitTest) {
    const std::vector<int> extents{20, 30, 40, 50, 60};
    const TGridAxisDrawInfo info = CalcGridAxis(extents, 1, 2, 1, 120);
    struct TStart {
        int cell;
        int start;
    };
    const TStart starts[] = {{0, 0}, {1, -1} /* scrolled away */, {2, 21}, {3, 62}, {4, 113}, {5, -1}, {-1, -1}};
    for (const auto& s : starts) {
        SCOPED_TRACE("cell " + std::to_string(s.cell));
        EXPECT_EQ(GridCellStart(info, extents, s.cell), s.start);
    }
    struct THit {
        int pixel;
        int cell;
    };
    const THit hits[] = {{-1, -1}, {0, 0}, {19, 0}, {20, 0} /* the line */, {21, 2}, {61, 2}, {62, 3},
                         {113, 4}, {119, 4}, {120, -1}};
    for (const auto& h : hits) {
        SCOPED_TRACE("pixel " + std::to_string(h.pixel));
        EXPECT_EQ(GridCellAtPixel(info, extents, h.pixel), h.cell);
    }
}

// Every pixel of the cells shown belongs to the cell that starts at or before it and reaches past it.
TEST(GridGeometry, HitTestAgreesWithCellStarts) {
    const std::vector<int> extents{17, 0, 23, -2, 5, 40, 1, 33, 12, 19};
    for (int line : {0, 1, 2}) {
        for (int first = 2; first < 10; ++first) {
            const TGridAxisDrawInfo info = CalcGridAxis(extents, 2, first, line, 90);
            for (int pixel = 0; pixel < info.GridBoundary; ++pixel) {
                SCOPED_TRACE("line " + std::to_string(line) + ", first " + std::to_string(first) + ", pixel " +
                             std::to_string(pixel));
                const int cell = GridCellAtPixel(info, extents, pixel);
                ASSERT_GE(cell, 0);
                const int start = GridCellStart(info, extents, cell);
                ASSERT_GE(start, 0);
                EXPECT_LE(start, pixel);
                EXPECT_LT(pixel, start + GridCellAdvance(extents, cell, line));
            }
        }
    }
}

TEST(GridGeometry, ScrollLimits) {
    const std::vector<int> extents{20, 30, 40, 50, 60};
    struct TCase {
        const char* name;
        int extent;
        int maxFirst;
    };
    const TCase cases[] = {
        {"two last cells do not fit together", 120, 4},
        {"the last two fit", 21 + 51 + 61, 3},
        {"everything fits", 1000, 1},
        {"the last cell alone is too wide", 50, 4},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(GridMaxFirstCell(extents, 1, 1, c.extent), c.maxFirst);
    }
    EXPECT_EQ(GridMaxFirstCell(std::vector<int>{10, 10}, 2, 1, 5), 2) << "no scrollable cell";

    // The first cell that shows a given one whole as the last cell.
    EXPECT_EQ(GridFirstCellShowing(extents, 1, 1, 120, 3), 2);
    EXPECT_EQ(GridFirstCellShowing(extents, 1, 1, 120, 4), 4);
    EXPECT_EQ(GridFirstCellShowing(extents, 1, 1, 120, 1), 1);
    EXPECT_EQ(GridFirstCellShowing(extents, 1, 1, 60, 4), 4) << "too wide: shown first";
    EXPECT_EQ(GridFirstCellShowing(extents, 1, 1, 120, 0), 1) << "never a fixed cell";
}

TEST(GridGeometry, SizingSpots) {
    const std::vector<int> extents{20, 30, -1, 10};
    const TGridAxisDrawInfo info = CalcGridAxis(extents, 0, 0, 1, 200);
    struct TCase {
        int pixel;
        bool found;
        int cell;
        int line;
    };
    // Lines: cell 0 at 20, cell 1 at 51, cell 2 hidden, cell 3 at 62.
    const TCase cases[] = {
        {16, false, 0, 0}, {17, true, 0, 20}, {20, true, 0, 20}, {23, true, 0, 20}, {24, false, 0, 0},
        {36, false, 0, 0}, {50, true, 1, 51}, {55, false, 0, 0}, {59, true, 3, 62}, {63, true, 3, 62},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("pixel " + std::to_string(c.pixel));
        int cell = -1, line = -1, offset = 0;
        ASSERT_EQ(GridSizingLineAt(info, extents, c.pixel, 3, cell, line, offset), c.found);
        if (c.found) {
            EXPECT_EQ(cell, c.cell);
            EXPECT_EQ(line, c.line);
            EXPECT_EQ(offset, c.pixel - c.line);
        }
    }
    // Close lines: the nearer one wins.
    const std::vector<int> narrow{20, 2, 20};
    const TGridAxisDrawInfo n = CalcGridAxis(narrow, 0, 0, 1, 200);
    int cell = -1, line = 0, offset = 0;
    ASSERT_TRUE(GridSizingLineAt(n, narrow, 23, 3, cell, line, offset));
    EXPECT_EQ(cell, 1);
    EXPECT_EQ(line, 23);
}

}  // namespace
