// Skin bitmap routines on small real bitmaps, colour blends and the gradient cache.
#include "SkinBitmapUtils.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// A bitmap whose pixel (x, y) is RGB(x, y, 7), so every move of a pixel shows.
std::unique_ptr<TBitmap> Numbered(int w, int h) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    for (int y = 0; y < h; ++y) {
        auto* row = static_cast<std::uint8_t*>(b->ScanLine(y));
        for (int x = 0; x < w; ++x) {
            row[3 * x] = 7;
            row[3 * x + 1] = static_cast<std::uint8_t>(y);
            row[3 * x + 2] = static_cast<std::uint8_t>(x);
        }
    }
    return b;
}

// (source x, source y) held at (x, y).
std::pair<int, int> At(TBitmap* b, int x, int y) {
    const auto* p = static_cast<const std::uint8_t*>(b->ScanLine(y)) + 3 * x;
    return {p[2], p[1]};
}

TEST(SkinBitmapUtils, MirrorFlipAndRotationsMoveEveryPixel) {
    struct Case {
        const char* name;
        void (*op)(TBitmap*);
        int w, h;
        std::pair<int, int> (*source)(int x, int y);  // for a 3 x 2 source
    } cases[] = {
        {"mirror", MirrorHorizontal, 3, 2, [](int x, int y) { return std::pair{2 - x, y}; }},
        {"flip", FlipVertical, 3, 2, [](int x, int y) { return std::pair{x, 1 - y}; }},
        // Anticlockwise: source (c, r) lands at (r, 2 - c).
        {"rotate left", RotateLeft, 2, 3, [](int x, int y) { return std::pair{2 - y, x}; }},
        // Clockwise: source (c, r) lands at (1 - r, c).
        {"rotate right", RotateRight, 2, 3, [](int x, int y) { return std::pair{y, 1 - x}; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto b = Numbered(3, 2);
        c.op(b.get());
        ASSERT_EQ(b->Width(), c.w);
        ASSERT_EQ(b->Height(), c.h);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) EXPECT_EQ(At(b.get(), x, y), c.source(x, y)) << x << "," << y;
    }
}

TEST(SkinBitmapUtils, GrayscaleAndReplaceMagenta) {
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(3, 1);
    auto* row = static_cast<std::uint8_t*>(b.ScanLine(0));
    const std::uint8_t pixels[] = {255, 0, 255, 255, 0, 254, 10, 20, 31};  // BGR: magenta, near-magenta, other
    std::copy(std::begin(pixels), std::end(pixels), row);
    ReplaceMagenta(&b, 0x00C08040);  // red 0x40, green 0x80, blue 0xC0
    row = static_cast<std::uint8_t*>(b.ScanLine(0));
    EXPECT_EQ(row[0], 0xC0);
    EXPECT_EQ(row[1], 0x80);
    EXPECT_EQ(row[2], 0x40);
    EXPECT_EQ(row[3], 255);
    EXPECT_EQ(row[5], 254);
    Grayscale(&b);
    row = static_cast<std::uint8_t*>(b.ScanLine(0));
    EXPECT_EQ(row[6], 20);
    EXPECT_EQ(row[7], 20);
    EXPECT_EQ(row[8], 20);
}

TEST(SkinBitmapUtils, BlendColorsAndSaturation) {
    struct Case {
        const char* name;
        TColor c1, c2;
        int a;
        TColor expected;
    } cases[] = {
        {"half, rounded", 0x000000, 0x0000FF, 50, 0x000080},
        {"half per mille", 0x000000, 0x0000FF, 500, 0x000080},
        {"A 0 gives C2", 0x123456, 0x654321, 0, 0x654321},
        {"A 100 is per mille", 0x0000FF, 0x000000, 100, 0x00001A},
        {"system colours resolved", clWindow, clWindow, 30, static_cast<TColor>(GetSysColor(COLOR_WINDOW))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BlendColors(c.c1, c.c2, c.a), c.expected);
    }
    EXPECT_EQ(ColorSaturation(0x000000), 200);
    EXPECT_EQ(ColorSaturation(0x0000FF), 255);
    EXPECT_EQ(ColorSaturation(0xFFFFFF), 0);
    EXPECT_EQ(ColorSaturation(0x8080FF), 127);
}

TEST(SkinBitmapUtils, GradientEntriesAndCache) {
    FreeGradientCache();
    const int rising = GetGradient(5, 0x000000, 0x000004);
    const std::vector<TColor> up = GradientEntries(rising);
    ASSERT_EQ(up.size(), 5u);
    EXPECT_EQ(up.front(), 0x000000);
    EXPECT_EQ(up.back(), 0x000004);
    EXPECT_EQ(up[2], 0x000002);

    // A falling channel stops one step short of C2 (truncating division) ...
    const int falling = GetGradient(4, 0x000009, 0x000000);
    EXPECT_EQ(GradientEntries(falling).back(), 0x000001);
    // ... and is still found again by what was asked for.
    EXPECT_EQ(FindGradient(4, 0x000009, 0x000000), falling);
    EXPECT_EQ(GetGradient(4, 0x000009, 0x000000), falling);

    const int single = GetGradient(1, 0x000010, 0x000020);
    EXPECT_EQ(GradientEntries(single)[0], 0x000018);

    // Sixteen slots round-robin: the seventeenth distinct gradient replaces the oldest.
    FreeGradientCache();
    const int first = GetGradient(2, 1, 2);
    for (int i = 0; i < 16; ++i) GetGradient(3 + i, 1, 2);
    EXPECT_EQ(FindGradient(2, 1, 2), -1);
    EXPECT_EQ(first, 0);
}

TEST(SkinBitmapUtils, GradientFillPaintsOnlyInsideTheClipWithTheFullGradientsColours) {
    FreeGradientCache();
    TBitmap b;
    b.SetPixelFormat(pf24bit);
    b.SetSize(4, 10);
    HDC dc = b.Canvas()->Handle();
    RECT all{0, 0, 4, 10};
    FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    HRGN lower = CreateRectRgn(0, 5, 4, 10);
    SelectClipRgn(dc, lower);
    GradientFill(dc, TRect{0, 0, 4, 10}, 0x000000, 0x000090, true);
    SelectClipRgn(dc, nullptr);
    DeleteObject(lower);
    GdiFlush();
    const std::vector<TColor> full = GradientEntries(FindGradient(10, 0x000000, 0x000090));
    for (int y = 0; y < 10; ++y) {
        const auto* p = static_cast<const std::uint8_t*>(b.ScanLine(y));
        const TColor got = p[2] | p[1] << 8 | p[0] << 16;
        EXPECT_EQ(got, y < 5 ? 0xFFFFFF : full[static_cast<std::size_t>(y)]) << y;
    }
}

}  // namespace
