// Drawing skin frames into memory bitmaps: margins, frames, transparency and regions.
#include "SkinImageDraw.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TColor Px(TBitmap* b, int x, int y) {
    const auto* p = static_cast<const std::uint8_t*>(b->ScanLine(y)) + 3 * x;
    return p[2] | p[1] << 8 | p[0] << 16;
}

void Fill(TBitmap* b, int l, int t, int r, int bottom, TColor c) {
    HDC dc = b->Canvas()->Handle();
    RECT rc{l, t, r, bottom};
    HBRUSH brush = CreateSolidBrush(static_cast<COLORREF>(c));
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
    GdiFlush();
}

std::unique_ptr<TBitmap> Blank(int w, int h, TColor c) {
    auto b = std::make_unique<TBitmap>();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, h);
    Fill(b.get(), 0, 0, w, h, c);
    return b;
}

constexpr TColor Corner = 0x0000C0, Edge = 0x00C000, Middle = 0xC00000, Other = 0x404040;

// Two 12 x 12 frames side by side; each has 3-pixel margins: corners, edges and middle in three
// colours (the second frame's middle differs).
std::unique_ptr<TBitmap> Framed() {
    auto b = Blank(24, 12, Edge);
    for (int f = 0; f < 2; ++f) {
        const int x = 12 * f;
        Fill(b.get(), x + 3, 3, x + 9, 9, f == 0 ? Middle : Other);
        for (auto [cx, cy] : {std::pair{0, 0}, std::pair{9, 0}, std::pair{0, 9}, std::pair{9, 9}})
            Fill(b.get(), x + cx, cy, x + cx + 3, cy + 3, Corner);
    }
    return b;
}

TEST(SkinImageDraw, FitFrameKeepsCornersAndStretchesTheRest) {
    auto image = Framed();
    const TSkinMargins margins{3, 3, 3, 3};
    std::unique_ptr<TBitmap> fitted(FitFrame(TRect{0, 0, 40, 30}, image.get(), margins, false, false, 2, 1));
    ASSERT_EQ(fitted->Width(), 40);
    ASSERT_EQ(fitted->Height(), 30);
    struct Spot {
        int x, y;
        TColor colour;
    } spots[] = {{1, 1, Corner}, {38, 1, Corner}, {1, 28, Corner}, {38, 28, Corner}, {2, 12, Edge},
                 {20, 1, Edge}, {38, 15, Edge}, {20, 28, Edge}, {20, 15, Middle}, {1, 15, Edge}};
    for (const Spot& s : spots) EXPECT_EQ(Px(fitted.get(), s.x, s.y), s.colour) << s.x << "," << s.y;

    // Frame 2 takes the second cell.
    std::unique_ptr<TBitmap> second(FitFrame(TRect{0, 0, 40, 30}, image.get(), margins, false, true, 2, 2));
    EXPECT_EQ(Px(second.get(), 20, 15), Other);

    // Narrower than both side margins: no horizontal margins, the whole cell width stretched.
    std::unique_ptr<TBitmap> narrow(FitFrame(TRect{0, 0, 10, 30}, image.get(), TSkinMargins{6, 3, 6, 3}, false, false, 2, 1));
    EXPECT_EQ(Px(narrow.get(), 0, 15), Edge);
    EXPECT_EQ(Px(narrow.get(), 5, 15), Middle);
    EXPECT_EQ(Px(narrow.get(), 0, 0), Corner);
}

TEST(SkinImageDraw, StackedFramesAndZeroFrameCount) {
    auto image = Blank(4, 6, 0x111111);
    Fill(image.get(), 0, 3, 4, 6, 0x222222);
    std::unique_ptr<TBitmap> second(FitFrame(TRect{0, 0, 8, 8}, image.get(), TSkinMargins{}, true, false, 2, 2));
    EXPECT_EQ(Px(second.get(), 4, 4), 0x222222);
    // A frame count of 0 is taken as 1 instead of dividing by it.
    std::unique_ptr<TBitmap> whole(FitFrame(TRect{0, 0, 4, 6}, image.get(), TSkinMargins{}, true, false, 0, 3));
    EXPECT_EQ(Px(whole.get(), 1, 1), 0x111111);
}

TEST(SkinImageDraw, TransparentDrawingLeavesMagentaOut) {
    auto target = Blank(10, 10, 0xFFFFFF);
    auto image = Blank(4, 4, SkinKeyColour);
    Fill(image.get(), 1, 1, 3, 3, 0x336699);
    TransparentDraw(target->Canvas()->Handle(), TRect{2, 2, 6, 6}, image.get(), SkinKeyColour);
    GdiFlush();
    EXPECT_EQ(Px(target.get(), 2, 2), 0xFFFFFF);
    EXPECT_EQ(Px(target.get(), 3, 3), 0x336699);
    EXPECT_EQ(Px(target.get(), 4, 4), 0x336699);
    EXPECT_EQ(Px(target.get(), 5, 5), 0xFFFFFF);

    // DrawFitted with transparency over a frame strip; an inverted rectangle draws nothing.
    auto strip = Blank(8, 4, SkinKeyColour);
    Fill(strip.get(), 4, 0, 8, 4, 0x0A0B0C);
    auto canvas = Blank(10, 10, 0xFFFFFF);
    DrawFitted(canvas->Canvas()->Handle(), TRect{0, 0, 8, 8}, strip.get(), false, false, true, 2, 1, TSkinMargins{});
    DrawFitted(canvas->Canvas()->Handle(), TRect{9, 9, 1, 1}, strip.get(), false, false, false, 2, 2, TSkinMargins{});
    GdiFlush();
    EXPECT_EQ(Px(canvas.get(), 4, 4), 0xFFFFFF);
    DrawFitted(canvas->Canvas()->Handle(), TRect{0, 0, 8, 8}, strip.get(), false, false, true, 2, 2, TSkinMargins{});
    GdiFlush();
    EXPECT_EQ(Px(canvas.get(), 4, 4), 0x0A0B0C);
    EXPECT_EQ(Px(canvas.get(), 9, 9), 0xFFFFFF);
}

TEST(SkinImageDraw, DrawFittedAgainFollowsTheBackgroundAndTheImage) {
    // The same picture drawn over several backgrounds: its key pixels show each one.
    auto strip = Blank(4, 4, SkinKeyColour);
    Fill(strip.get(), 1, 1, 3, 3, 0x336699);
    for (TColor back : {TColor{0xFFFFFF}, TColor{0x000000}, TColor{0x10A040}}) {
        auto canvas = Blank(8, 8, back);
        DrawFitted(canvas->Canvas()->Handle(), TRect{2, 2, 6, 6}, strip.get(), false, false, true, 1, 1, TSkinMargins{});
        GdiFlush();
        EXPECT_EQ(Px(canvas.get(), 2, 2), back);
        EXPECT_EQ(Px(canvas.get(), 3, 3), 0x336699);
        EXPECT_EQ(Px(canvas.get(), 4, 4), 0x336699);
        EXPECT_EQ(Px(canvas.get(), 5, 5), back);
    }
    // The image changed in place (same object, same size): the next drawing shows the change.
    Fill(strip.get(), 1, 1, 3, 3, 0x996633);
    auto canvas = Blank(8, 8, 0xFFFFFF);
    DrawFitted(canvas->Canvas()->Handle(), TRect{2, 2, 6, 6}, strip.get(), false, false, true, 1, 1, TSkinMargins{});
    GdiFlush();
    EXPECT_EQ(Px(canvas.get(), 3, 3), 0x996633);
    EXPECT_EQ(Px(canvas.get(), 2, 2), 0xFFFFFF);
    // Drawn opaque, the key colour stays.
    DrawFitted(canvas->Canvas()->Handle(), TRect{2, 2, 6, 6}, strip.get(), false, false, false, 1, 1, TSkinMargins{});
    GdiFlush();
    EXPECT_EQ(Px(canvas.get(), 2, 2), SkinKeyColour);
    EXPECT_EQ(Px(canvas.get(), 3, 3), 0x996633);
}

TEST(SkinImageDraw, RegionFromImageCutsOutTheKeyColour) {
    auto allKey = Blank(6, 6, SkinKeyColour);
    HRGN empty = RegionFromImage(allKey.get(), 0, 0, 1, 1, 1, SkinKeyColour);
    RECT box{};
    EXPECT_EQ(GetRgnBox(empty, &box), NULLREGION);
    DeleteObject(empty);

    auto image = Blank(6, 6, 0x202020);
    Fill(image.get(), 0, 0, 2, 1, SkinKeyColour);
    Fill(image.get(), 5, 5, 6, 6, 0xFF01FF);  // green 1: within the tolerance of 1
    HRGN region = RegionFromImage(image.get(), 10, 20, 1, 1, 1, SkinKeyColour);
    EXPECT_FALSE(PtInRegion(region, 10, 20));
    EXPECT_FALSE(PtInRegion(region, 11, 20));
    EXPECT_TRUE(PtInRegion(region, 12, 20));
    EXPECT_TRUE(PtInRegion(region, 10, 21));
    EXPECT_FALSE(PtInRegion(region, 15, 25));
    EXPECT_TRUE(PtInRegion(region, 14, 25));
    DeleteObject(region);
}

TEST(SkinImageDraw, TileFillRepeatsTheSourceFromTheTopLeft) {
    auto image = Blank(2, 1, 0x010101);
    Fill(image.get(), 1, 0, 2, 1, 0x020202);
    auto target = Blank(5, 2, 0xFFFFFF);
    TileFill(target->Canvas()->Handle(), TRect{0, 0, 5, 2}, image.get(), TRect{0, 0, 2, 1});
    TileFill(target->Canvas()->Handle(), TRect{0, 0, 5, 2}, image.get(), TRect{0, 0, 0, 1});
    GdiFlush();
    EXPECT_EQ(Px(target.get(), 0, 1), 0x010101);
    EXPECT_EQ(Px(target.get(), 3, 0), 0x020202);
    EXPECT_EQ(Px(target.get(), 4, 1), 0x010101);
}

}  // namespace
