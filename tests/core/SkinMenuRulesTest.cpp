// The decisions of skinned menus and scroll bars: separator tidying, bar navigation and layout,
// item measuring and layout, which popup windows the skin takes, and the scroll bar's zones,
// thumb and arrows.
#include "SkinMenuRules.h"

#include <gtest/gtest.h>

namespace {

using namespace skinrules;

TEST(SkinMenuRules, SeparatorsTidiedBeforeADropDownOpens) {
    const TMenuEntryFacts item{false, true}, hidden{false, false}, line{true, true}, hiddenLine{true, false};
    struct Case {
        const char* what;
        std::vector<TMenuEntryFacts> entries;
        std::vector<bool> expected;
    } cases[] = {
        {"leading separators", {line, line, item, item}, {false, false, true, true}},
        {"doubled separators keep the last", {item, line, line, item}, {true, false, true, true}},
        {"trailing separators", {item, line, line}, {true, false, false}},
        {"a run around a hidden item", {item, line, hidden, line, item}, {true, false, false, true, true}},
        {"only hidden items before a separator", {hidden, line, item}, {false, false, true}},
        {"a hidden separator stays hidden", {item, hiddenLine, item}, {true, false, true}},
        {"only separators", {line, line}, {false, false}},
        {"nothing", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(TidySeparators(c.entries), c.expected);
    }
}

TEST(SkinMenuRules, ArrowKeysWrapAlongTheBar) {
    struct Case {
        int count, current;
        bool forward;
        int expected;
    } cases[] = {
        {4, 0, true, 1}, {4, 3, true, 0}, {4, 0, false, 3}, {4, 2, false, 1},
        {4, -1, true, 0}, {4, -1, false, 3}, {1, 0, true, 0}, {0, 0, true, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << "/" << c.current << "/" << c.forward);
        EXPECT_EQ(NextBarItem(c.count, c.current, c.forward), c.expected);
    }
}

TEST(SkinMenuRules, BarItemsLaidOutFromTheStart) {
    struct Case {
        const char* what;
        TBarStart bar;
        int stripLeft, stripRight, expected;
    } starts[] = {
        {"no picture", {false, 7, 9, false}, 4, 300, 10},
        {"picture", {true, 7, 9, false}, 4, 300, 15},
        {"picture, right to left", {true, 7, 9, true}, 4, 300, 283},
        {"strip narrower than the margin", {true, 20, 9, false}, 4, 14, 16},
    };
    for (const Case& c : starts) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(BarStartX(c.bar, c.stripLeft, c.stripRight), c.expected);
    }

    const std::vector<TBarItemFacts> items = {{30, false, true}, {20, false, false}, {0, true, true}, {40, false, true}};
    const std::vector<TRectI> ltr = LayoutBarItems(items, 10, 26, 44, false);
    const std::vector<TRectI> expectedLtr = {{10, 26, 50, 44}, {}, {50, 26, 50, 44}, {50, 26, 100, 44}};
    EXPECT_EQ(ltr, expectedLtr);
    const std::vector<TRectI> rtl = LayoutBarItems(items, 300, 26, 44, true);
    const std::vector<TRectI> expectedRtl = {{260, 26, 300, 44}, {}, {260, 26, 260, 44}, {210, 26, 260, 44}};
    EXPECT_EQ(rtl, expectedRtl);

    // An item with an empty caption is never hit, even where a box would hold the point.
    const std::vector<TRectI> boxes = {{10, 26, 50, 44}, {50, 26, 60, 44}, {50, 26, 100, 44}};
    const std::vector<bool> empty = {false, true, false};
    EXPECT_EQ(BarItemAt(boxes, empty, {12, 30}), 0);
    EXPECT_EQ(BarItemAt(boxes, empty, {55, 30}), 2);
    EXPECT_EQ(BarItemAt(boxes, empty, {100, 30}), -1);
    EXPECT_EQ(BarItemAt(boxes, empty, {20, 44}), -1);
}

TEST(SkinMenuRules, ItemMeasures) {
    const TMenuItemElement none{false, 9}, element{true, 9};
    EXPECT_EQ(SkinnedItemWidth(50, none, true), 62);
    EXPECT_EQ(SkinnedItemWidth(50, element, true), 71);
    EXPECT_EQ(SkinnedItemWidth(50, element, false), 94);
    EXPECT_EQ(SkinnedMainItemWidth(50, none, true), 60);
    EXPECT_EQ(SkinnedMainItemWidth(50, element, false), 94);
    EXPECT_EQ(ForeignItemSize(40, 13, false, element), (TPointI{75, 17}));
    EXPECT_EQ(ForeignItemSize(0, 13, true, none), (TPointI{26, 8}));
}

TEST(SkinMenuRules, ItemPartsAndTheirMirror) {
    const TMenuItemLayout l = LayoutMenuItem(120, 20, 3, 0, false);
    EXPECT_EQ(l.Glyph, (TRectI{4, 0, 20, 20}));
    EXPECT_EQ(l.Caption, (TRectI{23, 0, 110, 20}));
    EXPECT_EQ(l.ShortCut.Right, 110);
    const TMenuItemLayout wide = LayoutMenuItem(120, 20, 3, 24, false);
    EXPECT_EQ(wide.Glyph, (TRectI{4, 0, 28, 20}));
    const TMenuItemLayout r = LayoutMenuItem(120, 20, 3, 0, true);
    EXPECT_EQ(r.Glyph, (TRectI{100, 0, 116, 20}));
    EXPECT_EQ(r.Caption, (TRectI{10, 0, 97, 20}));
    EXPECT_EQ(r.ShortCut.Left, 10);
}

TEST(SkinMenuRules, PopupWindowsTakenByKind) {
    struct Case {
        int kind;
        bool popup, main, items, system, expected;
    } cases[] = {
        {0, true, false, false, false, true},  {0, false, true, true, true, false},
        {1, false, true, false, false, true},  {1, false, false, true, false, true},
        {1, true, false, false, true, false},  {2, false, false, false, true, true},
        {2, true, true, true, false, false},   {7, true, true, true, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        EXPECT_EQ(PopupKindSkinned(c.kind, c.popup, c.main, c.items, c.system), c.expected);
    }
}

TEST(SkinMenuRules, ScrollBarZones) {
    // A bar of 200 with arrows of 16 and the thumb from 60 to 90.
    struct Case {
        int p, expected;
    } cases[] = {{0, ZoneFirstArrow}, {15, ZoneFirstArrow}, {16, ZoneTrackBefore}, {59, ZoneTrackBefore},
                 {60, ZoneThumb},     {89, ZoneThumb},      {90, ZoneTrackAfter},  {183, ZoneTrackAfter},
                 {184, ZoneSecondArrow}, {199, ZoneSecondArrow}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.p);
        EXPECT_EQ(ScrollHitZone(c.p, 200, 16, 60, 90), c.expected);
    }
}

TEST(SkinMenuRules, ThumbOfAScrollBarControl) {
    struct Case {
        const char* what;
        int length, arrow, min, max, position, page;
        TThumb expected;
    } cases[] = {
        {"page, at the start", 216, 16, 0, 100, 0, 21, {16, 16 + 37, true}},
        {"page, half way", 216, 16, 0, 100, 50, 21, {108, 108 + 37, true}},
        {"page, at the end stays inside", 216, 16, 0, 100, 100, 21, {163, 200, true}},
        {"no page, at the start", 216, 16, 0, 100, 0, 0, {16, 32, true}},
        {"no page, half way", 216, 16, 0, 100, 50, 0, {100, 116, true}},
        {"no page, at the end", 216, 16, 0, 100, 100, 0, {184, 200, true}},
        {"an empty range shows no thumb", 216, 16, 5, 5, 5, 10, {0, 0, false}},
        {"a page of one shows no thumb", 216, 16, 0, 100, 0, 1, {0, 0, false}},
        {"a bar too short for the thumb", 40, 16, 0, 100, 0, 0, {0, 0, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const TThumb t = ControlThumb(c.length, c.arrow, c.min, c.max, c.position, c.page);
        EXPECT_EQ(t.Shown, c.expected.Shown);
        EXPECT_EQ(t.Start, c.expected.Start);
        EXPECT_EQ(t.End, c.expected.End);
    }
}

TEST(SkinMenuRules, ThumbDraggedBetweenTheArrows) {
    const TThumb press{40, 70, true};
    struct Case {
        int moved, start;
    } cases[] = {{0, 40}, {25, 65}, {-10, 30}, {-100, 16}, {500, 200 - 16 - 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.moved);
        const TThumb t = DragThumb(press, c.moved, 200, 16);
        EXPECT_EQ(t.Start, c.start);
        EXPECT_EQ(t.End - t.Start, 30);
    }
}

TEST(SkinMenuRules, ScrollArrows) {
    EXPECT_EQ(ScrollArrowLength(200, 16), 16);
    EXPECT_EQ(ScrollArrowLength(32, 16), 16);
    EXPECT_EQ(ScrollArrowLength(20, 16), 10);
    struct Case {
        bool vertical, second, under, pressing;
        int frame;
    } cases[] = {
        {false, false, false, false, 1}, {false, true, false, false, 5}, {true, false, false, false, 9},
        {true, true, false, false, 13},  {true, true, true, true, 14},   {false, false, true, false, 4},
        {true, false, true, false, 12},  {false, true, false, true, 5},
    };
    for (const Case& c : cases) EXPECT_EQ(ScrollArrowFrame(c.vertical, c.second, c.under, c.pressing), c.frame);
}

}  // namespace
