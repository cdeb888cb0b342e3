// The Windows-free drawing types: rounding of MulDivRound, rectangles, sets, colours and their names,
// and the change rules of the font description.
#include "GraphicsTypes.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <set>
#include <string>

namespace {

TEST(GraphicsTypesMulDiv, RoundsHalfAwayFromZeroAndRefusesWhatDoesNotFit) {
    const struct {
        const char* name;
        int a, b, c;
        int expected;
    } rows[] = {
        {"exact", 6, 4, 3, 8},
        {"below half rounds down", 9, 1, 4, 2},        // 2.25
        {"half rounds up", 5, 1, 2, 3},                // 2.5
        {"negative half rounds away from zero", -5, 1, 2, -3},
        {"negative divisor", 5, 1, -2, -3},
        {"both negative", -5, 1, -2, 3},
        {"negative below half", -9, 1, 4, -2},         // -2.25
        {"8 points at 96 pixels per inch", 8, 96, 72, 11},  // 10.67
        {"product beyond an int", 100000, 100000, 100000, 100000},
        {"largest result", INT_MAX, 2, 2, INT_MAX},
        {"result beyond an int", INT_MAX, 2, 1, -1},
        {"result below an int", INT_MIN, 2, 1, -1},
        {"division by zero", 7, 3, 0, -1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(MulDivRound(row.a, row.b, row.c), row.expected);
    }
}

TEST(GraphicsTypesRect, RightAndBottomEdgesLieOutside) {
    const TRect r = Bounds(10, 20, 5, 3);
    EXPECT_EQ(r, Rect(10, 20, 15, 23));
    EXPECT_EQ(r.Width(), 5);
    EXPECT_EQ(r.Height(), 3);
    const struct {
        const char* name;
        TPoint point;
        bool inside;
    } points[] = {
        {"top left", Point(10, 20), true},        {"last pixel", Point(14, 22), true},
        {"right edge", Point(15, 20), false},     {"bottom edge", Point(10, 23), false},
        {"left of it", Point(9, 21), false},      {"above it", Point(12, 19), false},
    };
    for (const auto& row : points) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(r.Contains(row.point), row.inside);
    }

    const struct {
        const char* name;
        TRect rect;
        bool empty;
    } rects[] = {
        {"one pixel", Rect(0, 0, 1, 1), false}, {"no width", Rect(4, 0, 4, 9), true},
        {"no height", Rect(0, 4, 9, 4), true},  {"turned over", Rect(9, 9, 2, 2), true},
    };
    for (const auto& row : rects) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.rect.IsEmpty(), row.empty);
        if (row.empty) {
            EXPECT_FALSE(row.rect.Contains(Point(row.rect.Left, row.rect.Top)));
        }
    }
}

TEST(GraphicsTypesSet, OperatorsWorkOnTheMembers) {
    const TFontStyles boldItalic{fsBold, fsItalic};
    const TFontStyles italicUnderline{fsItalic, fsUnderline};
    EXPECT_EQ(boldItalic + italicUnderline, (TFontStyles{fsBold, fsItalic, fsUnderline}));
    EXPECT_EQ(boldItalic - italicUnderline, TFontStyles{fsBold});
    EXPECT_EQ(boldItalic * italicUnderline, TFontStyles{fsItalic});
    EXPECT_TRUE((boldItalic * TFontStyles{fsStrikeOut}).Empty());
    EXPECT_EQ(TFontStyles::FromBits(boldItalic.Bits()), boldItalic);

    TFontStyles s;
    s.Include(fsStrikeOut).Include(fsStrikeOut);
    EXPECT_EQ(s.Bits(), 1u << fsStrikeOut);
    s.Exclude(fsBold).Exclude(fsStrikeOut);
    EXPECT_TRUE(s.Empty());
}

TEST(GraphicsTypesColor, NamesAreUniqueAndSystemColoursResolveToRgb) {
    std::set<std::string> names;
    std::set<std::int64_t> systemColors;
    for (const TIdentMapEntry& entry : ColorIdents()) {
        SCOPED_TRACE(entry.Name);
        EXPECT_TRUE(names.insert(entry.Name).second) << "named twice";
        EXPECT_EQ(std::string(entry.Name).substr(0, 2), "cl");
        const auto color = static_cast<TColor>(entry.Value);
        EXPECT_EQ(static_cast<std::int64_t>(color), entry.Value);  // fits a TColor
        if (color < 0) {
            systemColors.insert(color & 0xFF);
            EXPECT_GE(ColorToRGB(color), 0);
            EXPECT_LE(ColorToRGB(color), 0xFFFFFF);
        } else {
            EXPECT_EQ(ColorToRGB(color), color);  // plain, clNone and clDefault stay
        }
    }
    // Every system colour index but 25 (which has no colour) has its name.
    EXPECT_EQ(systemColors.size(), 30u);
    EXPECT_EQ(systemColors.count(25), 0u);
    EXPECT_EQ(*systemColors.rbegin(), 30);

#ifndef _WIN32
    // Without a system to ask, the classic scheme answers.
    const struct {
        TColor color;
        TColor rgb;
    } classic[] = {{clWindow, clWhite}, {clWindowText, clBlack}, {clBtnFace, 0xC8D0D4},
                   {clHighlight, 0x6A240A}, {clInfoBk, 0xE1FFFF}, {cl3DDkShadow, 0x404040}};
    for (const auto& row : classic) {
        SCOPED_TRACE(row.color & 0xFF);
        EXPECT_EQ(ColorToRGB(row.color), row.rgb);
    }
#endif
}

// A font description that counts its notifications and can stand for another screen.
class CountingFont : public TCustomFont {
public:
    explicit CountingFont(int ppi = 96) : TCustomFont(-11), ppi_(ppi) {
        OnChange = Event<&CountingFont::Count>(this);
    }
    int PixelsPerInch() const override { return ppi_; }

    int changes = 0;
    int glyphChanges = 0;

protected:
    void GlyphsChanged() override {
        ++glyphChanges;
        TCustomFont::GlyphsChanged();
    }

private:
    void Count(TObject*) { ++changes; }
    int ppi_;
};

TEST(GraphicsTypesFont, SettersNotifyOnlyOnANewValueAndOnlyColourKeepsTheGlyphs) {
    const struct {
        const char* name;
        std::function<void(TCustomFont&)> set;
        bool glyphs;
    } rows[] = {
        {"color", [](TCustomFont& f) { f.SetColor(clRed); }, false},
        {"name", [](TCustomFont& f) { f.SetName("Arial"); }, true},
        {"height", [](TCustomFont& f) { f.SetHeight(-20); }, true},
        {"size", [](TCustomFont& f) { f.SetSize(12); }, true},
        {"style", [](TCustomFont& f) { f.SetStyle({fsBold}); }, true},
        {"charset", [](TCustomFont& f) { f.SetCharset(134); }, true},
        {"pitch", [](TCustomFont& f) { f.SetPitch(fpFixed); }, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        CountingFont font;
        row.set(font);
        EXPECT_EQ(font.changes, 1);
        EXPECT_EQ(font.glyphChanges, row.glyphs ? 1 : 0);
        row.set(font);  // the current value: nothing happens
        EXPECT_EQ(font.changes, 1);
    }
}

TEST(GraphicsTypesFont, AssignNotifiesOnceAndNotAtAllWhenNothingDiffers) {
    CountingFont source;
    source.SetName("Tahoma");
    source.SetStyle({fsItalic, fsUnderline});
    source.SetColor(clNavy);

    CountingFont font;
    font.Assign(&source);
    EXPECT_EQ(font.changes, 1);
    EXPECT_EQ(font.glyphChanges, 1);
    EXPECT_EQ(font.Name(), "Tahoma");
    EXPECT_EQ(font.Style(), (TFontStyles{fsItalic, fsUnderline}));
    EXPECT_EQ(font.Color(), clNavy);

    font.Assign(&source);
    font.Assign(&font);
    EXPECT_EQ(font.changes, 1);

    source.SetColor(clMaroon);  // colour alone: the glyphs stay
    font.Assign(&source);
    EXPECT_EQ(font.changes, 2);
    EXPECT_EQ(font.glyphChanges, 1);
    EXPECT_EQ(font.Color(), clMaroon);

    EXPECT_THROW(font.Assign(nullptr), EConvertError);
    EXPECT_EQ(font.Name(), "Tahoma");
}

TEST(GraphicsTypesFont, SizeRoundTripsThroughTheHeightAtThePixelsPerInch) {
    CountingFont font;
    EXPECT_EQ(font.Size(), 8);
    EXPECT_EQ(font.Height(), -11);
    for (int ppi : {96, 120, 144}) {
        CountingFont scaled(ppi);
        for (int size = 1; size <= 72; ++size) {
            SCOPED_TRACE(std::to_string(ppi) + " ppi, " + std::to_string(size) + " pt");
            scaled.SetSize(size);
            EXPECT_EQ(scaled.Height(), -MulDivRound(size, ppi, 72));
            EXPECT_EQ(scaled.Size(), size);
        }
    }
}

}  // namespace
