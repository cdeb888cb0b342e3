// Colour arithmetic of the button-edit controls (hue, saturation, luminance on 0..240), centring
// and the small arrows' shapes.
#include "RzCommonLogic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace {

TColor Rgb(int r, int g, int b) {
    return static_cast<TColor>(r | (g << 8) | (b << 16));
}

TRect BoundsOf(const std::vector<TPoint>& points) {
    TRect r{points[0].X, points[0].Y, points[0].X, points[0].Y};
    for (const TPoint& p : points) {
        r.Left = std::min(r.Left, p.X);
        r.Top = std::min(r.Top, p.Y);
        r.Right = std::max(r.Right, p.X);
        r.Bottom = std::max(r.Bottom, p.Y);
    }
    return r;
}

}  // namespace

TEST(RzColorTest, ColorToHueSatLumTable) {
    struct Row {
        const char* name;
        TColor color;
        THueSatLum expected;
    } rows[] = {
        {"black", clBlack, {0, 0, 0}},
        {"white", clWhite, {0, 0, 240}},
        {"grey", clGray, {0, 0, 120}},
        {"red", clRed, {0, 240, 120}},
        {"lime", clLime, {80, 240, 120}},
        {"blue", clBlue, {160, 240, 120}},
        {"magenta-red near the wrap", Rgb(255, 0, 1), {240, 240, 120}},
        {"dark red (luminance below half)", Rgb(128, 0, 0), {0, 240, 60}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ColorToHueSatLum(row.color), row.expected);
    }
}

TEST(RzColorTest, HueSatLumToColorTableIncludingTheWrapAndBothLuminanceEnds) {
    struct Row {
        const char* name;
        int h, s, l;
        TColor expected;
    } rows[] = {
        {"luminance 0 is black", 100, 240, 0, clBlack},
        {"luminance 240 is white", 100, 240, 240, clWhite},
        {"luminance above 240 stays white", 0, 0, 255, clWhite},
        {"no saturation is grey", 50, 0, 120, Rgb(128, 128, 128)},
        {"hue 0 is red", 0, 240, 120, clRed},
        // 239 / 239 * 6 is exactly 6: past the last sextant, it wraps to red.
        {"hue 239 wraps to red", 239, 240, 120, clRed},
        {"hue 240 wraps to red with a trace of green", 240, 240, 120, Rgb(255, 6, 0)},
        {"hue 80 (divided by 239) is green with a trace of blue", 80, 240, 120, Rgb(0, 255, 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(HueSatLumToColor(row.h, row.s, row.l), row.expected);
    }
}

TEST(RzColorTest, EveryHueGivesAFullySaturatedColour) {
    // Each hue on the scale, the wrapping ones included, yields a defined colour with one
    // component at full strength and one at none.
    for (int h = 0; h <= 240; ++h) {
        SCOPED_TRACE(h);
        const auto c = static_cast<std::uint32_t>(HueSatLumToColor(h, 240, 120));
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        EXPECT_EQ(std::max({r, g, b}), 255);
        EXPECT_EQ(std::min({r, g, b}), 0);
        EXPECT_EQ(c >> 24, 0u);
    }
}

TEST(RzColorTest, DarkenAndBrightenMoveLuminanceAndClamp) {
    EXPECT_EQ(BrightenColor(clWhite, 100), clWhite);
    EXPECT_EQ(DarkenColor(clBlack, 50), clBlack);
    EXPECT_EQ(DarkenColor(clWhite, 240), clBlack);
    // A mid colour keeps its hue and loses (gains) the luminance asked for.
    const TColor base = Rgb(40, 120, 200);
    const THueSatLum before = ColorToHueSatLum(base);
    const THueSatLum darker = ColorToHueSatLum(DarkenColor(base, 50));
    const THueSatLum lighter = ColorToHueSatLum(BrightenColor(base, 50));
    EXPECT_NEAR(darker.Luminance, before.Luminance - 50, 1);
    EXPECT_NEAR(lighter.Luminance, before.Luminance + 50, 1);
    EXPECT_NEAR(darker.Hue, before.Hue, 2);
    EXPECT_NEAR(lighter.Hue, before.Hue, 2);
    // System colours are looked up first.
    EXPECT_LT(ColorToHueSatLum(DarkenColor(clBtnFace, 50)).Luminance, ColorToHueSatLum(clBtnFace).Luminance);
}

TEST(RzColorTest, ColorsAlikeComparesHueAndLuminance) {
    EXPECT_FALSE(ColorsAlike(clWhite, clBlack));
    EXPECT_TRUE(ColorsAlike(clWhite, clWhite));
    EXPECT_TRUE(ColorsAlike(clRed, Rgb(240, 0, 0)));
    EXPECT_FALSE(ColorsAlike(clRed, clLime));
    EXPECT_TRUE(ColorsAlike(clWindow, Rgb(250, 250, 250)));
}

TEST(RzGeometryTest, CentredRectRoundsHalvesTowardsZero) {
    struct Row {
        const char* name;
        TRect in;
        int w, h;
        TRect expected;
    } rows[] = {
        {"even", {0, 0, 10, 10}, 4, 4, {3, 3, 7, 7}},
        {"odd room", {0, 0, 9, 9}, 4, 4, {2, 2, 6, 6}},
        {"offset", {10, 20, 27, 41}, 9, 9, {14, 26, 23, 35}},
        {"negative coordinates", {-9, -9, 0, 0}, 4, 4, {-6, -6, -2, -2}},
        {"larger than the room", {0, 0, 4, 4}, 8, 8, {-2, -2, 6, 6}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CentredRect(row.in, row.w, row.h), row.expected);
    }
}

TEST(RzGeometryTest, ComboArrowSitsBelowTheCentreAndMovesWhenPressed) {
    // 17 x 16: centre (8, 8), less 1 for the even height, plus 2 (plain) or 4 (themed).
    const TRect r{0, 0, 17, 16};
    EXPECT_EQ(ComboArrowPoints(r, TArrowKind::Plain, false),
              (std::vector<TPoint>{{8, 9}, {5, 5}, {12, 5}}));
    EXPECT_EQ(ComboArrowApex(r, TArrowKind::Plain, true), (TPoint{9, 10}));
    EXPECT_EQ(ComboArrowApex(r, TArrowKind::Themed, false), (TPoint{8, 11}));
    EXPECT_EQ(ComboArrowPoints(r, TArrowKind::Themed, false).size(), 6u);
    // An odd height is not lowered by one.
    EXPECT_EQ(ComboArrowApex(TRect{0, 0, 17, 17}, TArrowKind::Plain, false), (TPoint{8, 10}));
}

TEST(RzGeometryTest, DirectionArrowsAreTheDownArrowTurned) {
    const TRect r{0, 0, 17, 21};
    for (TArrowKind kind : {TArrowKind::Plain, TArrowKind::Themed}) {
        SCOPED_TRACE(kind == TArrowKind::Plain ? "plain" : "themed");
        const auto down = DirectionArrowPoints(r, kind, false, adDown);
        const auto up = DirectionArrowPoints(r, kind, false, adUp);
        const auto left = DirectionArrowPoints(r, kind, false, adLeft);
        const auto right = DirectionArrowPoints(r, kind, false, adRight);
        EXPECT_EQ(down, ComboArrowPoints(r, kind, false));
        // Up mirrors down; the tip is the lowest (highest) point.
        const TRect d = BoundsOf(down), u = BoundsOf(up), lb = BoundsOf(left), rb = BoundsOf(right);
        EXPECT_EQ(d.Right - d.Left, u.Right - u.Left);
        EXPECT_EQ(d.Bottom - d.Top, u.Bottom - u.Top);
        EXPECT_EQ(down[0].Y, d.Bottom);
        EXPECT_EQ(up[0].Y, u.Top);
        // Left and right are the same shape on its side, tip outermost.
        EXPECT_EQ(lb.Right - lb.Left, d.Bottom - d.Top);
        EXPECT_EQ(rb.Bottom - rb.Top, d.Right - d.Left);
        EXPECT_EQ(left[0].X, lb.Left);
        EXPECT_EQ(right[0].X, rb.Right);
        // The plain arrows (of even reach) share one centre.
        if (kind == TArrowKind::Plain) {
            EXPECT_EQ(d.Top + d.Bottom, u.Top + u.Bottom);
            EXPECT_EQ(lb.Left + lb.Right, rb.Left + rb.Right);
        }
    }
}
