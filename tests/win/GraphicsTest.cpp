// Graphics over real GDI: drawing into bitmaps, the tools' GDI objects and their selection, BMP files
// and resources read and written, JPEG decoding through libjpeg, pictures chosen by extension.
#include "Graphics.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include <jpeglib.h>

namespace {

int R(TColor c) { return c & 0xFF; }
int G(TColor c) { return (c >> 8) & 0xFF; }
int B(TColor c) { return (c >> 16) & 0xFF; }

// Lossy pictures (JPEG) are compared per channel within `tolerance`.
::testing::AssertionResult Near(TColor actual, TColor expected, int tolerance) {
    if (std::abs(R(actual) - R(expected)) <= tolerance && std::abs(G(actual) - G(expected)) <= tolerance &&
        std::abs(B(actual) - B(expected)) <= tolerance)
        return ::testing::AssertionSuccess();
    char text[96];
    std::snprintf(text, sizeof text, "colour 0x%06X is not within %d of 0x%06X", static_cast<unsigned>(actual),
                  tolerance, static_cast<unsigned>(expected));
    return ::testing::AssertionFailure() << text;
}

TColor Px(TBitmap& bitmap, int x, int y) {
    return bitmap.Canvas()->Pixels[x][y];
}

// A white bitmap of the given size.
std::unique_ptr<TBitmap> WhiteBitmap(int width, int height, TPixelFormat format = pf24bit) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(format);
    bitmap->SetSize(width, height);
    bitmap->Canvas()->Brush()->SetColor(clWhite);
    bitmap->Canvas()->FillRect(Rect(0, 0, width, height));
    return bitmap;
}

// The bounds of the pixels that are not `background` (empty when there are none).
TRect InkBounds(TBitmap& bitmap, TColor background = clWhite) {
    TRect bounds{bitmap.Width(), bitmap.Height(), 0, 0};
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x)
            if (Px(bitmap, x, y) != background) {
                bounds.Left = std::min(bounds.Left, x);
                bounds.Top = std::min(bounds.Top, y);
                bounds.Right = std::max(bounds.Right, x + 1);
                bounds.Bottom = std::max(bounds.Bottom, y + 1);
            }
    return bounds;
}

struct ChangeCounter {
    int count = 0;
    void Changed(TObject*) { ++count; }
};

// A scratch folder under the system's temporary folder, removed afterwards.
class GraphicsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        dir_ = FromWide(temp) + "vestrel-graphics-" + std::to_string(GetCurrentProcessId()) + "\\";
        std::filesystem::create_directories(Utf8ToPath(dir_));
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(Utf8ToPath(dir_), ignored);
    }
    String Path(const String& name) const { return dir_ + name; }
    void WriteFile(const String& name, const std::vector<std::uint8_t>& bytes) const {
        TFileStream stream(Path(name), fmCreate);
        if (!bytes.empty()) stream.WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    }
    std::vector<std::uint8_t> ReadFile(const String& name) const {
        TMemoryStream stream;
        stream.LoadFromFile(Path(name));
        const auto* p = static_cast<const std::uint8_t*>(stream.Memory());
        return std::vector<std::uint8_t>(p, p + stream.Size());
    }

    String dir_;
};

// ---- Colours ---------------------------------------------------------------------------------------

TEST(GraphicsColor, SystemColoursResolveThroughTheSystemAndOthersStay) {
    EXPECT_EQ(clBtnFace, static_cast<TColor>(0xFF00000F));  // a negative 32-bit value
    EXPECT_EQ(clInfoBk, static_cast<TColor>(0xFF000018));
    const struct {
        TColor color;
        int index;
    } system[] = {{clBtnFace, COLOR_BTNFACE}, {clWindow, COLOR_WINDOW}, {clWindowText, COLOR_WINDOWTEXT},
                  {clHighlight, COLOR_HIGHLIGHT}, {clHighlightText, COLOR_HIGHLIGHTTEXT}, {clInfoBk, COLOR_INFOBK}};
    for (const auto& row : system) {
        SCOPED_TRACE(row.index);
        EXPECT_EQ(ColorToRGB(row.color), static_cast<TColor>(GetSysColor(row.index)));
    }
    for (TColor plain : {clBlack, clRed, clNavy, clWhite, clNone, clDefault}) EXPECT_EQ(ColorToRGB(plain), plain);

    // Drawing with a system colour paints the system's value.
    auto bitmap = WhiteBitmap(4, 4);
    bitmap->Canvas()->Brush()->SetColor(clBtnFace);
    bitmap->Canvas()->FillRect(Rect(0, 0, 4, 4));
    EXPECT_EQ(Px(*bitmap, 1, 1), static_cast<TColor>(GetSysColor(COLOR_BTNFACE)));
}

// ---- Tools -----------------------------------------------------------------------------------------

TEST(GraphicsFont, HandleIsCachedUntilAPropertyOfTheFontChanges) {
    TFont font;
    ChangeCounter changes;
    font.OnChange = Event<&ChangeCounter::Changed>(&changes);
    HFONT first = font.Handle();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(font.Handle(), first);

    font.SetColor(clRed);  // not part of the GDI font
    EXPECT_EQ(font.Handle(), first);
    EXPECT_EQ(changes.count, 1);

    font.SetColor(clRed);  // the current value: nothing happens
    font.SetName(font.Name());
    font.SetHeight(font.Height());
    EXPECT_EQ(changes.count, 1);

    font.SetName("宋体");
    font.SetHeight(-20);
    font.SetStyle({fsBold, fsUnderline});
    EXPECT_EQ(changes.count, 4);
    LOGFONTW description{};
    ASSERT_EQ(GetObjectW(font.Handle(), sizeof description, &description), static_cast<int>(sizeof description));
    EXPECT_EQ(FromWide(description.lfFaceName), "宋体");
    EXPECT_EQ(description.lfHeight, -20);
    EXPECT_GE(description.lfWeight, FW_BOLD);
    EXPECT_TRUE(description.lfUnderline);
    EXPECT_FALSE(description.lfItalic);

    TFont copy;
    copy.Assign(&font);
    ChangeCounter copyChanges;
    copy.OnChange = Event<&ChangeCounter::Changed>(&copyChanges);
    copy.Assign(&font);  // identical: no change
    EXPECT_EQ(copyChanges.count, 0);
    EXPECT_EQ(copy.Name(), "宋体");
    EXPECT_EQ(copy.Color(), clRed);
    EXPECT_EQ(copy.Style(), (TFontStyles{fsBold, fsUnderline}));
}

TEST(GraphicsFont, SizeInPointsRoundTripsThroughTheHeight) {
    TFont font;
    for (int size = 1; size <= 72; ++size) {
        SCOPED_TRACE(size);
        font.SetSize(size);
        EXPECT_LT(font.Height(), 0);  // a character height
        EXPECT_EQ(font.Size(), size);
    }
    font.SetSize(8);
    const int small = -font.Height();
    font.SetSize(16);
    EXPECT_GT(-font.Height(), small);
}

TEST(GraphicsFont, FaceNameIsCutAtTheFieldSizeWithoutSplittingACharacter) {
    const struct {
        const char* name;
        String name8;
        String expected;
    } rows[] = {
        {"empty", "", ""},
        {"one char", "A", "A"},
        {"31 units fit", String(31, 'B'), String(31, 'B')},
        {"32 units cut to 31", String(32, 'C'), String(31, 'C')},
        {"pair across the limit dropped", String(30, 'D') + "\xF0\x9F\x98\x80", String(30, 'D')},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TFont font;
        font.SetName(row.name8);
        LOGFONTW description{};
        ASSERT_NE(GetObjectW(font.Handle(), sizeof description, &description), 0);
        EXPECT_EQ(FromWide(description.lfFaceName), row.expected);
    }
}

TEST(GraphicsFont, AdoptedHandleGivesItsDescription) {
    LOGFONTW description{};
    description.lfHeight = -19;
    description.lfItalic = TRUE;
    description.lfWeight = FW_NORMAL;
    description.lfCharSet = GB2312_CHARSET;
    description.lfPitchAndFamily = FIXED_PITCH;
    wcscpy(description.lfFaceName, L"Courier New");
    HFONT handle = CreateFontIndirectW(&description);
    ASSERT_NE(handle, nullptr);

    TFont font;
    font.SetHandle(handle);
    EXPECT_EQ(font.Handle(), handle);
    EXPECT_EQ(font.Name(), "Courier New");
    EXPECT_EQ(font.Height(), -19);
    EXPECT_EQ(font.Style(), TFontStyles{fsItalic});
    EXPECT_EQ(font.Charset(), GB2312_CHARSET);
    EXPECT_EQ(font.Pitch(), fpFixed);

    EXPECT_THROW(font.SetHandle(reinterpret_cast<HFONT>(GetStockObject(BLACK_PEN))), EInvalidGraphicOperation);
}

TEST(GraphicsPen, HandleFollowsColourWidthAndStyle) {
    TPen pen;
    LOGPEN description{};
    ASSERT_NE(GetObjectW(pen.Handle(), sizeof description, &description), 0);
    EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_SOLID));
    EXPECT_EQ(description.lopnColor, 0u);

    HPEN first = pen.Handle();
    pen.SetMode(pmXor);  // a mode of drawing, not of the pen
    EXPECT_EQ(pen.Handle(), first);
    EXPECT_EQ(pen.Rop2(), R2_XORPEN);

    pen.SetColor(clBtnFace);
    pen.SetWidth(0);  // counts as 1
    pen.SetStyle(psDot);
    ASSERT_NE(GetObjectW(pen.Handle(), sizeof description, &description), 0);
    EXPECT_EQ(description.lopnColor, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_DOT));
    EXPECT_EQ(pen.Width(), 1);
    pen.SetStyle(psClear);
    ASSERT_NE(GetObjectW(pen.Handle(), sizeof description, &description), 0);
    EXPECT_EQ(description.lopnStyle, static_cast<UINT>(PS_NULL));
}

TEST(GraphicsBrush, StylesMakeTheirBrushesAndAColourMakesAClearBrushSolid) {
    const struct {
        TBrushStyle style;
        UINT gdiStyle;
        ULONG_PTR hatch;
    } rows[] = {{bsSolid, BS_SOLID, 0}, {bsClear, BS_HOLLOW, 0}, {bsHorizontal, BS_HATCHED, HS_HORIZONTAL},
                {bsDiagCross, BS_HATCHED, HS_DIAGCROSS}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.style);
        TBrush brush;
        brush.SetStyle(row.style);
        LOGBRUSH description{};
        ASSERT_NE(GetObjectW(brush.Handle(), sizeof description, &description), 0);
        EXPECT_EQ(description.lbStyle, row.gdiStyle);
        if (row.gdiStyle == BS_HATCHED) {
            EXPECT_EQ(description.lbHatch, row.hatch);
        }
    }
    TBrush brush;
    brush.SetStyle(bsClear);
    brush.SetColor(clRed);
    EXPECT_EQ(brush.Style(), bsSolid);
}

// ---- Canvas ----------------------------------------------------------------------------------------

TEST(GraphicsCanvas, SelectionOfToolsIsRestoredWhenTheHandleIsReleased) {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP surface = CreateCompatibleBitmap(dc, 20, 20);
    HGDIOBJ oldSurface = SelectObject(dc, surface);
    const HGDIOBJ originalPen = GetCurrentObject(dc, OBJ_PEN);
    const HGDIOBJ originalBrush = GetCurrentObject(dc, OBJ_BRUSH);
    const HGDIOBJ originalFont = GetCurrentObject(dc, OBJ_FONT);
    {
        TCanvas canvas;
        canvas.SetHandle(dc);
        canvas.Rectangle(0, 0, 10, 10);
        canvas.TextOut(0, 0, "x");
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), canvas.Pen()->Handle());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush()->Handle());
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), canvas.Font()->Handle());

        // A changed tool leaves the DC at once (its old object is freed), and the new one comes in
        // with the next drawing.
        canvas.Pen()->SetColor(clRed);
        canvas.Font()->SetColor(clBlue);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), originalPen);
        canvas.LineTo(5, 5);
        canvas.TextOut(0, 0, "y");
        LOGPEN pen{};
        ASSERT_NE(GetObjectW(GetCurrentObject(dc, OBJ_PEN), sizeof pen, &pen), 0);
        EXPECT_EQ(pen.lopnColor, static_cast<COLORREF>(clRed));
        EXPECT_EQ(GetTextColor(dc), static_cast<COLORREF>(clBlue));

        canvas.SetHandle(nullptr);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), originalPen);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), originalBrush);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), originalFont);

        canvas.SetHandle(dc);
        canvas.Ellipse(0, 0, 8, 8);
        EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), canvas.Brush()->Handle());
    }  // destroying the canvas releases the DC too
    EXPECT_EQ(GetCurrentObject(dc, OBJ_PEN), originalPen);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BRUSH), originalBrush);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_FONT), originalFont);
    SelectObject(dc, oldSurface);
    DeleteObject(surface);
    DeleteDC(dc);
}

TEST(GraphicsCanvas, CanvasWithoutADeviceContextRefusesToDraw) {
    TCanvas canvas;
    EXPECT_FALSE(canvas.HandleAllocated());
    EXPECT_THROW(canvas.FillRect(Rect(0, 0, 1, 1)), EInvalidOperation);
    EXPECT_THROW(canvas.TextWidth("x"), EInvalidOperation);
}

TEST(GraphicsCanvas, ShapesPaintWithPenAndBrush) {
    auto bitmap = WhiteBitmap(40, 30);
    TCanvas* canvas = bitmap->Canvas();

    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(Rect(0, 0, 10, 10));
    EXPECT_EQ(Px(*bitmap, 0, 0), clRed);
    EXPECT_EQ(Px(*bitmap, 9, 9), clRed);
    EXPECT_EQ(Px(*bitmap, 10, 10), clWhite);  // right and bottom edges excluded

    canvas->Pen()->SetColor(clBlue);
    canvas->Brush()->SetStyle(bsClear);
    canvas->Rectangle(12, 2, 22, 12);
    EXPECT_EQ(Px(*bitmap, 12, 2), clBlue);
    EXPECT_EQ(Px(*bitmap, 21, 11), clBlue);
    EXPECT_EQ(Px(*bitmap, 17, 7), clWhite);  // a clear brush leaves the inside

    canvas->Brush()->SetColor(clLime);  // solid again
    canvas->Rectangle(24, 2, 34, 12);
    EXPECT_EQ(Px(*bitmap, 24, 2), clBlue);
    EXPECT_EQ(Px(*bitmap, 29, 7), clLime);

    canvas->MoveTo(0, 20);
    canvas->LineTo(10, 20);
    EXPECT_EQ(Px(*bitmap, 0, 20), clBlue);
    EXPECT_EQ(Px(*bitmap, 9, 20), clBlue);
    EXPECT_EQ(Px(*bitmap, 10, 20), clWhite);  // the end point is not drawn
    EXPECT_EQ(canvas->PenPos(), Point(10, 20));

    canvas->Pen()->SetColor(clBlack);
    canvas->Brush()->SetColor(clYellow);
    const TPoint triangle[] = {{12, 14}, {30, 14}, {12, 28}};
    canvas->Polygon(triangle);
    EXPECT_EQ(Px(*bitmap, 12, 14), clBlack);
    EXPECT_EQ(Px(*bitmap, 15, 17), clYellow);
    EXPECT_EQ(Px(*bitmap, 28, 26), clWhite);

    const TPoint zigzag[] = {{32, 16}, {38, 16}, {38, 26}};
    canvas->Polyline(zigzag);
    EXPECT_EQ(Px(*bitmap, 35, 16), clBlack);
    EXPECT_EQ(Px(*bitmap, 38, 20), clBlack);
    canvas->Polyline({});  // nothing to draw

    canvas->Brush()->SetColor(clFuchsia);
    canvas->Ellipse(0, 22, 8, 30);
    EXPECT_EQ(Px(*bitmap, 4, 26), clFuchsia);
    EXPECT_EQ(Px(*bitmap, 0, 22), clWhite);  // the corner lies outside the ellipse

    canvas->Brush()->SetColor(clNavy);
    canvas->FrameRect(Rect(30, 0, 40, 10));
    EXPECT_EQ(Px(*bitmap, 30, 0), clNavy);
    EXPECT_EQ(Px(*bitmap, 35, 5), clWhite);

    canvas->Pixels[39][29] = clGreen;
    EXPECT_EQ(Px(*bitmap, 39, 29), clGreen);
    canvas->Pixels[38][29] = canvas->Pixels[39][29];
    EXPECT_EQ(Px(*bitmap, 38, 29), clGreen);
    EXPECT_EQ(Px(*bitmap, 40, 0), static_cast<TColor>(CLR_INVALID));  // outside
}

TEST(GraphicsCanvas, TextMeasuresInRelationToContentAndFont) {
    auto bitmap = WhiteBitmap(10, 10);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Tahoma");
    canvas->Font()->SetSize(9);
    EXPECT_EQ(canvas->TextWidth(""), 0);
    const int w = canvas->TextWidth("W");
    EXPECT_GT(w, 0);
    EXPECT_GT(canvas->TextWidth("WW"), w);
    EXPECT_GT(canvas->TextWidth("WWWW"), canvas->TextWidth("iiii"));
    EXPECT_EQ(canvas->TextExtent("Wi"), (TSize{canvas->TextWidth("Wi"), canvas->TextHeight("Wi")}));
    EXPECT_GT(canvas->TextWidth("个人个人"), canvas->TextWidth("个人"));

    const int smallHeight = canvas->TextHeight("W");
    const int normalWidth = canvas->TextWidth("Wide words");
    canvas->Font()->SetStyle({fsBold});
    EXPECT_GE(canvas->TextWidth("Wide words"), normalWidth);  // bold is never narrower
    canvas->Font()->SetSize(24);
    EXPECT_GT(canvas->TextHeight("W"), smallHeight);
    EXPECT_GT(canvas->TextWidth("Wide words"), normalWidth);
}

// Measuring outside of painting agrees with a canvas in the same font, and nested measurers each
// put back the font they found on the shared DC.
TEST(GraphicsTextMeasure, AgreesWithACanvasAndNestedScopesRestoreTheFont) {
    TFont small;
    small.SetName("Tahoma");
    small.SetSize(9);
    TFont large;
    large.Assign(&small);
    large.SetSize(24);
    auto bitmap = WhiteBitmap(10, 10);
    bitmap->Canvas()->Font()->Assign(&small);

    const HGDIOBJ before = GetCurrentObject(ScreenCompatibleDC(), OBJ_FONT);
    {
        const TTextMeasure outer(&small);
        EXPECT_EQ(outer.Extent("Wide words"), bitmap->Canvas()->TextExtent("Wide words"));
        EXPECT_EQ(outer.Extent("").cx, 0);
        const int smallHeight = outer.Metrics().tmHeight;
        {
            const TTextMeasure inner(&large);
            EXPECT_GT(inner.Metrics().tmHeight, smallHeight);
        }
        EXPECT_EQ(GetCurrentObject(outer.DC(), OBJ_FONT), small.Handle());
        const String text = "个人类别管理 and some more words";
        const int oneLine = outer.WrappedHeight(text, 10000);
        EXPECT_EQ(oneLine, outer.Metrics().tmHeight);
        EXPECT_GT(outer.WrappedHeight(text, outer.Extent(text).cx / 2), oneLine);
        EXPECT_GT(outer.WrappedHeight(text, 0), oneLine);  // width 0 wraps as 1 pixel
    }
    EXPECT_EQ(GetCurrentObject(ScreenCompatibleDC(), OBJ_FONT), before);

    // Bitmaps made for it have the screen's colours, not a memory DC's single bit.
    HBITMAP made = CreateCompatibleBitmap(ScreenCompatibleDC(), 2, 2);
    BITMAP info{};
    GetObjectW(made, sizeof info, &info);
    EXPECT_EQ(info.bmBitsPixel, GetDeviceCaps(ScreenCompatibleDC(), BITSPIXEL));
    EXPECT_GT(info.bmBitsPixel, 1);
    DeleteObject(made);
}

TEST(GraphicsCanvas, TextOutPaintsInTheFontColourAndMovesThePen) {
    auto bitmap = WhiteBitmap(80, 30);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Tahoma");
    canvas->Font()->SetColor(clRed);
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextOut(2, 2, "Hi");
    const TRect ink = InkBounds(*bitmap);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_GE(ink.Left, 2);
    EXPECT_LE(ink.Right, 2 + canvas->TextWidth("Hi"));
    EXPECT_EQ(canvas->PenPos(), Point(2 + canvas->TextWidth("Hi"), 2));
    bool red = false;
    for (int y = ink.Top; y < ink.Bottom; ++y)
        for (int x = ink.Left; x < ink.Right; ++x) red = red || Px(*bitmap, x, y) == clRed;
    EXPECT_TRUE(red);

    // A solid brush fills the text's cell.
    canvas->Brush()->SetColor(clYellow);
    canvas->TextOut(40, 2, "Hi");
    EXPECT_EQ(Px(*bitmap, 40, 2), clYellow);
}

TEST(GraphicsCanvas, TextRectClipsToItsRectangle) {
    auto bitmap = WhiteBitmap(120, 24);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Tahoma");
    canvas->Font()->SetColor(clBlack);
    canvas->Brush()->SetStyle(bsClear);
    canvas->TextRect(Rect(0, 0, 12, 24), 0, 2, "WWWWWWWW");
    const TRect ink = InkBounds(*bitmap);
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_LE(ink.Right, 12);

    // A solid brush fills the whole rectangle, and nothing outside it.
    canvas->Brush()->SetColor(clAqua);
    canvas->TextRect(Rect(60, 4, 100, 20), 62, 4, "i");
    EXPECT_EQ(Px(*bitmap, 99, 19), clAqua);
    EXPECT_EQ(Px(*bitmap, 100, 20), clWhite);
    EXPECT_EQ(Px(*bitmap, 59, 4), clWhite);
}

TEST(GraphicsCanvas, TextRectWithFormatAlignsInsideTheRectangle) {
    const struct {
        const char* name;
        TTextFormat format;
    } rows[] = {{"left", {tfLeft, tfSingleLine}},
                {"centre", {tfCenter, tfSingleLine, tfVerticalCenter}},
                {"right", {tfRight, tfSingleLine, tfBottom}}};
    TRect inks[3];
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(rows[i].name);
        auto bitmap = WhiteBitmap(120, 40);
        TCanvas* canvas = bitmap->Canvas();
        canvas->Font()->SetName("Tahoma");
        canvas->Brush()->SetStyle(bsClear);
        TRect r = Rect(10, 0, 110, 40);
        canvas->TextRect(r, "Ag", rows[i].format);
        inks[i] = InkBounds(*bitmap);
        ASSERT_FALSE(inks[i].IsEmpty());
        EXPECT_GE(inks[i].Left, 10);
        EXPECT_LE(inks[i].Right, 110);
    }
    EXPECT_LT(inks[0].Right, 60);                                         // left half
    EXPECT_LE(std::abs((inks[1].Left - 10) - (110 - inks[1].Right)), 3);  // centred, within rounding
    EXPECT_GT(inks[2].Left, 60);                                          // right half
    EXPECT_LT(inks[0].Top, inks[1].Top);                                  // top, middle, bottom
    EXPECT_LT(inks[1].Bottom, inks[2].Bottom);

    // tfCalcRect measures without drawing.
    auto bitmap = WhiteBitmap(120, 40);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Tahoma");
    TRect r = Rect(5, 5, 6, 6);
    canvas->TextRect(r, "Measure me", {tfCalcRect, tfSingleLine});
    EXPECT_EQ(r.Left, 5);
    EXPECT_EQ(r.Width(), canvas->TextWidth("Measure me"));
    EXPECT_EQ(r.Height(), canvas->TextHeight("Measure me"));
    EXPECT_TRUE(InkBounds(*bitmap).IsEmpty());
}

TEST(GraphicsCanvas, ClippingLimitsDrawing) {
    auto bitmap = WhiteBitmap(30, 30);
    TCanvas* canvas = bitmap->Canvas();
    EXPECT_EQ(canvas->ClipRect(), Rect(0, 0, 30, 30));

    canvas->SetClip(Rect(10, 10, 20, 20));
    EXPECT_EQ(canvas->ClipRect(), Rect(10, 10, 20, 20));
    canvas->ExcludeClip(Rect(10, 10, 15, 15));
    canvas->Brush()->SetColor(clRed);
    canvas->FillRect(Rect(0, 0, 30, 30));
    EXPECT_EQ(Px(*bitmap, 17, 17), clRed);
    EXPECT_EQ(Px(*bitmap, 12, 12), clWhite);  // excluded
    EXPECT_EQ(Px(*bitmap, 5, 5), clWhite);    // outside

    canvas->ResetClip();
    canvas->IntersectClip(Rect(0, 0, 5, 5));
    canvas->Brush()->SetColor(clBlue);
    canvas->FillRect(Rect(0, 0, 30, 30));
    EXPECT_EQ(Px(*bitmap, 2, 2), clBlue);
    EXPECT_EQ(Px(*bitmap, 17, 17), clRed);
}

TEST(GraphicsCanvas, FocusRectangleDrawnTwiceLeavesNoTrace) {
    auto bitmap = WhiteBitmap(20, 20);
    bitmap->Canvas()->Brush()->SetColor(clTeal);
    bitmap->Canvas()->FillRect(Rect(0, 0, 10, 20));
    auto before = bitmap->SaveToData();
    bitmap->Canvas()->DrawFocusRect(Rect(2, 2, 18, 18));
    EXPECT_NE(bitmap->SaveToData(), before);
    bitmap->Canvas()->DrawFocusRect(Rect(2, 2, 18, 18));
    EXPECT_EQ(bitmap->SaveToData(), before);
}

// A 4x4 picture: a border of `outer` around a 2x2 middle of `inner`.
std::unique_ptr<TBitmap> Framed(TColor outer, TColor inner) {
    auto bitmap = WhiteBitmap(4, 4);
    bitmap->Canvas()->Brush()->SetColor(outer);
    bitmap->Canvas()->FillRect(Rect(0, 0, 4, 4));
    bitmap->Canvas()->Brush()->SetColor(inner);
    bitmap->Canvas()->FillRect(Rect(1, 1, 3, 3));
    return bitmap;
}

TEST(GraphicsCanvas, DrawAndStretchDrawPlacePictures) {
    auto picture = Framed(clRed, clBlue);
    auto target = WhiteBitmap(30, 30);
    TCanvas* canvas = target->Canvas();

    canvas->Draw(5, 5, picture.get());
    EXPECT_EQ(Px(*target, 5, 5), clRed);
    EXPECT_EQ(Px(*target, 6, 6), clBlue);
    EXPECT_EQ(Px(*target, 8, 8), clRed);
    EXPECT_EQ(Px(*target, 4, 4), clWhite);
    EXPECT_EQ(Px(*target, 9, 9), clWhite);

    canvas->StretchDraw(Rect(12, 12, 20, 20), picture.get());
    EXPECT_EQ(Px(*target, 12, 12), clRed);
    EXPECT_EQ(Px(*target, 19, 19), clRed);
    EXPECT_EQ(Px(*target, 15, 15), clBlue);
    EXPECT_EQ(Px(*target, 20, 20), clWhite);

    TBitmap empty;
    canvas->Draw(0, 0, &empty);  // nothing to draw
    canvas->Draw(0, 0, nullptr);
    EXPECT_EQ(Px(*target, 0, 0), clWhite);
}

TEST(GraphicsCanvas, TransparentBitmapLeavesItsTransparentColourOut) {
    auto picture = Framed(clFuchsia, clBlue);
    picture->Canvas()->Pixels[0][0] = clRed;
    picture->SetTransparent(true);
    EXPECT_EQ(picture->TransparentMode(), tmAuto);
    EXPECT_EQ(picture->TransparentColor(), clFuchsia);  // the bottom-left pixel

    auto target = WhiteBitmap(20, 20);
    target->Canvas()->Draw(2, 2, picture.get());
    EXPECT_EQ(Px(*target, 2, 2), clRed);
    EXPECT_EQ(Px(*target, 2, 5), clWhite);
    EXPECT_EQ(Px(*target, 3, 3), clBlue);

    picture->SetTransparentColor(clBlue);
    EXPECT_EQ(picture->TransparentMode(), tmFixed);
    target->Canvas()->Draw(10, 10, picture.get());
    EXPECT_EQ(Px(*target, 10, 10), clRed);
    EXPECT_EQ(Px(*target, 10, 13), clFuchsia);
    EXPECT_EQ(Px(*target, 11, 11), clWhite);

    picture->SetTransparentColor(clDefault);
    EXPECT_EQ(picture->TransparentMode(), tmAuto);
}

TEST(GraphicsCanvas, CopyRectStretchesFromAnotherCanvas) {
    auto source = Framed(clGreen, clYellow);
    auto target = WhiteBitmap(20, 20);
    target->Canvas()->CopyRect(Rect(0, 0, 8, 8), source->Canvas(), Rect(1, 1, 3, 3));
    EXPECT_EQ(Px(*target, 0, 0), clYellow);
    EXPECT_EQ(Px(*target, 7, 7), clYellow);
    EXPECT_EQ(Px(*target, 8, 8), clWhite);

    target->Canvas()->SetCopyMode(SRCINVERT);
    target->Canvas()->CopyRect(Rect(0, 0, 8, 8), source->Canvas(), Rect(1, 1, 3, 3));
    EXPECT_EQ(Px(*target, 3, 3), clBlack);  // yellow XOR yellow
}

// ---- TBitmap ---------------------------------------------------------------------------------------

TEST(GraphicsBitmap, ResizingKeepsThePictureAndFillsNewAreaWithTheBrushColour) {
    TBitmap bitmap;
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Handle(), nullptr);
    bitmap.SetSize(10, 10);
    EXPECT_EQ(Px(bitmap, 5, 5), clWhite);
    bitmap.Canvas()->Brush()->SetColor(clRed);
    bitmap.Canvas()->FillRect(Rect(0, 0, 5, 5));
    bitmap.Canvas()->Brush()->SetColor(clSilver);
    bitmap.SetWidth(20);
    bitmap.SetHeight(15);
    EXPECT_EQ(bitmap.Width(), 20);
    EXPECT_EQ(bitmap.Height(), 15);
    EXPECT_EQ(Px(bitmap, 2, 2), clRed);
    EXPECT_EQ(Px(bitmap, 7, 7), clWhite);
    EXPECT_EQ(Px(bitmap, 15, 12), clSilver);
    bitmap.SetSize(3, 3);
    EXPECT_EQ(Px(bitmap, 2, 2), clRed);
    bitmap.SetSize(0, 3);
    EXPECT_TRUE(bitmap.Empty());
    bitmap.SetSize(-5, -5);
    EXPECT_EQ(bitmap.Width(), 0);
}

TEST(GraphicsBitmap, PixelFormatChangesKeepThePicture) {
    auto bitmap = Framed(clRed, clBlue);
    EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
    for (TPixelFormat format : {pf32bit, pf8bit, pf4bit, pf24bit}) {
        SCOPED_TRACE(format);
        bitmap->SetPixelFormat(format);
        EXPECT_EQ(bitmap->PixelFormat(), format);
        EXPECT_EQ(Px(*bitmap, 0, 0), clRed);
        EXPECT_EQ(Px(*bitmap, 1, 1), clBlue);
    }
    bitmap->SetPixelFormat(pfDevice);
    EXPECT_EQ(bitmap->PixelFormat(), pf24bit);
    EXPECT_THROW(bitmap->SetPixelFormat(pf16bit), EInvalidGraphic);
    EXPECT_EQ(Px(*bitmap, 1, 1), clBlue);
}

TEST(GraphicsBitmap, ScanLinesAreRowsFromTheTop) {
    auto bitmap = WhiteBitmap(3, 4, pf24bit);
    auto* top = static_cast<std::uint8_t*>(bitmap->ScanLine(0));
    top[0] = 255, top[1] = 0, top[2] = 0;  // BGR: blue
    auto* bottom = static_cast<std::uint8_t*>(bitmap->ScanLine(3));
    bottom[6] = 0, bottom[7] = 0, bottom[8] = 255;  // third pixel red
    EXPECT_EQ(Px(*bitmap, 0, 0), clBlue);
    EXPECT_EQ(Px(*bitmap, 2, 3), clRed);

    bitmap->Canvas()->Pixels[1][1] = clLime;
    bitmap->SetPixelFormat(pf32bit);
    const auto* row = static_cast<const std::uint8_t*>(bitmap->ScanLine(1));
    EXPECT_EQ(row[4 + 1], 255);  // green of pixel 1
    EXPECT_EQ(row[4 + 2], 0);

    EXPECT_THROW(bitmap->ScanLine(-1), EInvalidGraphicOperation);
    EXPECT_THROW(bitmap->ScanLine(4), EInvalidGraphicOperation);
    TBitmap empty;
    EXPECT_THROW(empty.ScanLine(0), EInvalidGraphicOperation);
}

TEST(GraphicsBitmap, HandleCanBeSelectedElsewhereAndTheCanvasStillDraws) {
    auto bitmap = Framed(clRed, clBlue);
    HBITMAP handle = bitmap->Handle();
    ASSERT_NE(handle, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ previous = SelectObject(dc, handle);
    ASSERT_NE(previous, nullptr);  // the bitmap was free to be selected
    EXPECT_EQ(GetPixel(dc, 1, 1), static_cast<COLORREF>(clBlue));
    SetPixel(dc, 0, 0, RGB(0, 255, 0));
    SelectObject(dc, previous);
    DeleteDC(dc);

    EXPECT_EQ(Px(*bitmap, 0, 0), clLime);
    bitmap->Canvas()->Pixels[3][3] = clYellow;
    EXPECT_EQ(Px(*bitmap, 3, 3), clYellow);
}

TEST(GraphicsBitmap, AdoptedDeviceDependentBitmapBecomesASection) {
    HDC screen = GetDC(nullptr);
    HBITMAP ddb = CreateCompatibleBitmap(screen, 6, 5);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ previous = SelectObject(dc, ddb);
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    RECT all{0, 0, 6, 5};
    FillRect(dc, &all, red);
    DeleteObject(red);
    SelectObject(dc, previous);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    TBitmap bitmap;
    bitmap.SetHandle(ddb);
    EXPECT_EQ(bitmap.Width(), 6);
    EXPECT_EQ(bitmap.Height(), 5);
    EXPECT_EQ(Px(bitmap, 5, 4), clRed);
    DIBSECTION section{};
    EXPECT_EQ(GetObjectW(bitmap.Handle(), sizeof section, &section), static_cast<int>(sizeof section));
    EXPECT_EQ(bitmap.Handle(), bitmap.Handle());
}

TEST(GraphicsBitmap, AssignCopiesThePictureDeeply) {
    auto source = Framed(clRed, clBlue);
    source->SetTransparent(true);
    source->SetTransparentColor(clBlue);
    TBitmap copy;
    ChangeCounter changes;
    copy.OnChange = Event<&ChangeCounter::Changed>(&changes);
    copy.Assign(source.get());
    EXPECT_EQ(changes.count, 1);
    source->Canvas()->Pixels[1][1] = clWhite;
    EXPECT_EQ(Px(copy, 1, 1), clBlue);
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), clBlue);
    copy.Assign(nullptr);
    EXPECT_TRUE(copy.Empty());
    TFont font;
    EXPECT_THROW(copy.Assign(&font), EConvertError);
}

// ---- BMP files -------------------------------------------------------------------------------------

struct BmpLayout {
    const char* name;
    int bpp;
    bool topDown = false;
    int headerSize = 40;
    bool bitfields = false;         // 32 bits with R, G, B masks in byte order R G B X
    bool shortColourTable = false;  // biClrUsed = the colours used, not 2^bpp
    TPixelFormat format = pf24bit;
};

constexpr int kBmpWidth = 3;
constexpr int kBmpHeight = 2;
const TColor kPalette[] = {clRed, clBlue, clLime, clWhite, clBlack, clGray};
const int kIndices[kBmpHeight][kBmpWidth] = {{0, 1, 2}, {3, 4, 5}};
const int kMonoIndices[kBmpHeight][kBmpWidth] = {{0, 1, 1}, {1, 0, 0}};

int IndexAt(const BmpLayout& layout, int x, int y) {
    return layout.bpp == 1 ? kMonoIndices[y][x] : kIndices[y][x];
}

void Put16(std::vector<std::uint8_t>& d, std::size_t at, unsigned v) {
    d[at] = v & 0xFF, d[at + 1] = (v >> 8) & 0xFF;
}
void Put32(std::vector<std::uint8_t>& d, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) d[at + i] = (v >> (8 * i)) & 0xFF;
}

// A hand-made 3x2 .bmp file of `layout` showing kPalette through the index table.
std::vector<std::uint8_t> BuildBmp(const BmpLayout& layout) {
    const int bpp = layout.bpp;
    const std::size_t rowBytes = (kBmpWidth * bpp + 31) / 32 * 4;
    const std::size_t colours = bpp == 1 ? 2 : std::size(kPalette);
    const std::size_t tableCount = bpp <= 8 ? (layout.shortColourTable ? colours : std::size_t{1} << bpp) : 0;
    const std::size_t masksAfter = layout.bitfields && layout.headerSize == 40 ? 12 : 0;
    const std::size_t offBits = 14 + layout.headerSize + masksAfter + tableCount * 4;
    std::vector<std::uint8_t> d(offBits + rowBytes * kBmpHeight);
    d[0] = 'B', d[1] = 'M';
    Put32(d, 2, static_cast<std::uint32_t>(d.size()));
    Put32(d, 10, static_cast<std::uint32_t>(offBits));
    Put32(d, 14, layout.headerSize);
    Put32(d, 18, kBmpWidth);
    Put32(d, 22, static_cast<std::uint32_t>(layout.topDown ? -kBmpHeight : kBmpHeight));
    Put16(d, 26, 1);
    Put16(d, 28, bpp);
    Put32(d, 30, layout.bitfields ? BI_BITFIELDS : BI_RGB);
    Put32(d, 34, static_cast<std::uint32_t>(rowBytes * kBmpHeight));
    Put32(d, 46, layout.shortColourTable ? static_cast<std::uint32_t>(colours) : 0);
    if (layout.bitfields) {
        const std::size_t at = 14 + 40;
        Put32(d, at, 0x000000FF);
        Put32(d, at + 4, 0x0000FF00);
        Put32(d, at + 8, 0x00FF0000);
    }
    for (std::size_t i = 0; i < tableCount; ++i) {
        const TColor c = i < colours ? kPalette[i] : clBlack;
        const std::size_t at = 14 + layout.headerSize + masksAfter + 4 * i;
        d[at] = B(c), d[at + 1] = G(c), d[at + 2] = R(c);
    }
    for (int fileRow = 0; fileRow < kBmpHeight; ++fileRow) {
        const int y = layout.topDown ? fileRow : kBmpHeight - 1 - fileRow;
        std::uint8_t* row = d.data() + offBits + rowBytes * fileRow;
        for (int x = 0; x < kBmpWidth; ++x) {
            const int index = IndexAt(layout, x, y);
            const TColor c = kPalette[index];
            if (bpp <= 8) {
                const int bit = x * bpp;
                row[bit / 8] |= static_cast<std::uint8_t>(index << (8 - bpp - bit % 8));
            } else if (layout.bitfields) {
                row[4 * x] = R(c), row[4 * x + 1] = G(c), row[4 * x + 2] = B(c);
            } else {
                std::uint8_t* p = row + x * (bpp / 8);
                p[0] = B(c), p[1] = G(c), p[2] = R(c);
            }
        }
    }
    return d;
}

void ExpectBmpPicture(TBitmap& bitmap, const BmpLayout& layout) {
    ASSERT_EQ(bitmap.Width(), kBmpWidth);
    ASSERT_EQ(bitmap.Height(), kBmpHeight);
    EXPECT_EQ(bitmap.PixelFormat(), layout.format);
    for (int y = 0; y < kBmpHeight; ++y)
        for (int x = 0; x < kBmpWidth; ++x) {
            SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
            EXPECT_EQ(Px(bitmap, x, y), kPalette[IndexAt(layout, x, y)]);
        }
}

const BmpLayout kLayouts[] = {
    {.name = "1 bit", .bpp = 1, .format = pf1bit},
    {.name = "4 bits", .bpp = 4, .format = pf4bit},
    {.name = "8 bits, full colour table", .bpp = 8, .format = pf8bit},
    {.name = "8 bits, short colour table, top-down", .bpp = 8, .topDown = true, .shortColourTable = true, .format = pf8bit},
    {.name = "24 bits", .bpp = 24, .format = pf24bit},
    {.name = "24 bits, top-down", .bpp = 24, .topDown = true, .format = pf24bit},
    {.name = "24 bits, version 5 header", .bpp = 24, .headerSize = 124, .format = pf24bit},
    {.name = "32 bits", .bpp = 32, .format = pf32bit},
    {.name = "32 bits, masks after the header", .bpp = 32, .bitfields = true, .format = pf32bit},
    {.name = "32 bits, masks in a version 4 header", .bpp = 32, .headerSize = 108, .bitfields = true, .format = pf32bit},
};

TEST(GraphicsBmp, ReadsEveryLayout) {
    for (const BmpLayout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        TBitmap bitmap;
        bitmap.LoadFromData(BuildBmp(layout));
        ExpectBmpPicture(bitmap, layout);

        // Written back and read again, the picture and its format stay.
        TBitmap again;
        again.LoadFromData(bitmap.SaveToData());
        ExpectBmpPicture(again, layout);
    }
}

TEST(GraphicsBmp, WrittenFilesHaveTheStandardHeaders) {
    for (TPixelFormat format : {pf8bit, pf24bit}) {
        SCOPED_TRACE(format);
        auto bitmap = Framed(clRed, clBlue);
        bitmap->SetPixelFormat(format);
        const std::vector<std::uint8_t> data = bitmap->SaveToData();
        ASSERT_GE(data.size(), 54u);
        BITMAPFILEHEADER file;
        BITMAPINFOHEADER info;
        std::memcpy(&file, data.data(), sizeof file);
        std::memcpy(&info, data.data() + sizeof file, sizeof info);
        EXPECT_EQ(file.bfType, 0x4D42);
        EXPECT_EQ(file.bfSize, data.size());
        EXPECT_EQ(info.biSize, 40u);
        EXPECT_EQ(info.biBitCount, format == pf8bit ? 8 : 24);
        EXPECT_EQ(file.bfOffBits, 54u + (format == pf8bit ? info.biClrUsed * 4 : 0));
        EXPECT_EQ(data.size() - file.bfOffBits, 4u * (format == pf8bit ? 4 : 12));  // rows padded to 4 bytes
    }
    TBitmap empty;
    EXPECT_TRUE(empty.SaveToData().empty());
    empty.LoadFromData({});
    EXPECT_TRUE(empty.Empty());
}

TEST(GraphicsBmp, BadFilesRaiseAndLeaveThePictureAsItWas) {
    const std::vector<std::uint8_t> good = BuildBmp({.name = "8", .bpp = 8, .format = pf8bit});
    const std::size_t infoAt = 14;
    const struct {
        const char* name;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    } rows[] = {
        {"file header cut", [](auto& d) { d.resize(10); }},
        {"info header cut", [](auto& d) { d.resize(30); }},
        {"colour table cut", [](auto& d) { d.resize(14 + 40 + 100); }},
        {"pixels cut by one byte", [](auto& d) { d.pop_back(); }},
        {"no signature", [](auto& d) { d[0] = 'X'; }},
        {"OS/2 header", [&](auto& d) { Put32(d, infoAt, 12); }},
        {"unknown header size", [&](auto& d) { Put32(d, infoAt, 99); }},
        {"zero width", [&](auto& d) { Put32(d, infoAt + 4, 0); }},
        {"negative width", [&](auto& d) { Put32(d, infoAt + 4, static_cast<std::uint32_t>(-3)); }},
        {"zero height", [&](auto& d) { Put32(d, infoAt + 8, 0); }},
        {"smallest height", [&](auto& d) { Put32(d, infoAt + 8, 0x80000000u); }},
        {"huge size", [&](auto& d) { Put32(d, infoAt + 4, 0x7FFFFFFF), Put32(d, infoAt + 8, 0x7FFFFFFF); }},
        {"two planes", [&](auto& d) { Put16(d, infoAt + 12, 2); }},
        {"16 bits", [&](auto& d) { Put16(d, infoAt + 14, 16); }},
        {"7 bits", [&](auto& d) { Put16(d, infoAt + 14, 7); }},
        {"run-length compression", [&](auto& d) { Put32(d, infoAt + 16, BI_RLE8); }},
        {"too many colours", [&](auto& d) { Put32(d, infoAt + 32, 300); }},
        {"pixels beyond the end", [](auto& d) { Put32(d, 10, 0x7FFFFFF0); }},
        {"pixels inside the headers", [](auto& d) { Put32(d, 10, 20); }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<std::uint8_t> bad = good;
        row.damage(bad);
        auto bitmap = Framed(clRed, clBlue);
        ChangeCounter changes;
        bitmap->OnChange = Event<&ChangeCounter::Changed>(&changes);
        try {
            bitmap->LoadFromData(bad);
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(String(e.what()).rfind("Bitmap image is not valid: ", 0), 0u) << e.what();
        }
        EXPECT_EQ(changes.count, 0);
        EXPECT_EQ(bitmap->Width(), 4);
        EXPECT_EQ(Px(*bitmap, 1, 1), clBlue);
    }
}

TEST_F(GraphicsFiles, BitmapFilesRoundTripUnderUnicodeNamesAndBadOnesNameTheFile) {
    auto bitmap = Framed(clNavy, clYellow);
    bitmap->SaveToFile(Path("图片.bmp"));
    TBitmap loaded;
    loaded.LoadFromFile(Path("图片.bmp"));
    EXPECT_EQ(Px(loaded, 0, 0), clNavy);
    EXPECT_EQ(Px(loaded, 2, 2), clYellow);

    TMemoryStream stream;
    stream.WriteBuffer("xy", 2);  // the stream is read from its position on
    bitmap->SaveToStream(&stream);
    stream.SetPosition(2);
    TBitmap fromStream;
    fromStream.LoadFromStream(&stream);
    EXPECT_EQ(Px(fromStream, 1, 1), clYellow);

    std::vector<std::uint8_t> cut = ReadFile("图片.bmp");
    cut.resize(cut.size() - 5);
    WriteFile("cut.bmp", cut);
    try {
        loaded.LoadFromFile(Path("cut.bmp"));
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(String(e.what()).find("cut.bmp"), String::npos) << e.what();
        EXPECT_NE(String(e.what()).find("truncated"), String::npos) << e.what();
    }
    EXPECT_THROW(loaded.LoadFromFile(Path("missing.bmp")), EFOpenError);
    EXPECT_EQ(Px(loaded, 2, 2), clYellow);
}

TEST_F(GraphicsFiles, BitmapResourcesLoadByName) {
    // A copy of this program gets two RT_BITMAP resources: a good picture and a cut one.
    const std::vector<std::uint8_t> file = BuildBmp({.name = "24", .bpp = 24, .format = pf24bit});
    const std::vector<std::uint8_t> packed(file.begin() + 14, file.end());
    const std::vector<std::uint8_t> cut(packed.begin(), packed.end() - 4);
    wchar_t self[MAX_PATH];
    ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    const std::wstring copy = ToWide(Path("resources.exe"));
    ASSERT_TRUE(CopyFileW(self, copy.c_str(), FALSE)) << GetLastError();
    HANDLE update = BeginUpdateResourceW(copy.c_str(), FALSE);
    ASSERT_NE(update, nullptr) << GetLastError();
    const WORD language = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    ASSERT_TRUE(UpdateResourceW(update, RT_BITMAP, L"TESTPICTURE", language, const_cast<std::uint8_t*>(packed.data()),
                                static_cast<DWORD>(packed.size())));
    ASSERT_TRUE(UpdateResourceW(update, RT_BITMAP, L"CUTPICTURE", language, const_cast<std::uint8_t*>(cut.data()),
                                static_cast<DWORD>(cut.size())));
    ASSERT_TRUE(EndUpdateResourceW(update, FALSE)) << GetLastError();
    HMODULE module = LoadLibraryExW(copy.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetLastError();

    TBitmap bitmap;
    bitmap.LoadFromResourceName(module, "TESTPICTURE");
    ExpectBmpPicture(bitmap, {.name = "24", .bpp = 24, .format = pf24bit});
    try {
        bitmap.LoadFromResourceName(module, "CUTPICTURE");
        ADD_FAILURE() << "no exception";
    } catch (const EInvalidGraphic& e) {
        EXPECT_NE(String(e.what()).find("CUTPICTURE"), String::npos) << e.what();
    }
    try {
        bitmap.LoadFromResourceName(module, "NOSUCHPICTURE");
        ADD_FAILURE() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource NOSUCHPICTURE not found");
    }
    EXPECT_EQ(bitmap.Width(), kBmpWidth);
    FreeLibrary(module);
}

// ---- JPEG ------------------------------------------------------------------------------------------

using PixelSource = std::function<TColor(int x, int y)>;

// Compresses a picture with libjpeg (grey when `components` is 1).
std::vector<std::uint8_t> EncodeJpeg(int width, int height, int components, const PixelSource& pixel,
                                     bool progressive = false) {
    jpeg_compress_struct info{};
    jpeg_error_mgr error{};
    info.err = jpeg_std_error(&error);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(width);
    info.image_height = static_cast<JDIMENSION>(height);
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 95, TRUE);
    if (progressive) jpeg_simple_progression(&info);
    jpeg_start_compress(&info, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width * components));
    while (info.next_scanline < info.image_height) {
        const int y = static_cast<int>(info.next_scanline);
        for (int x = 0; x < width; ++x) {
            const TColor c = pixel(x, y);
            if (components == 1) {
                row[x] = static_cast<JSAMPLE>(R(c));
            } else {
                row[3 * x] = static_cast<JSAMPLE>(R(c));
                row[3 * x + 1] = static_cast<JSAMPLE>(G(c));
                row[3 * x + 2] = static_cast<JSAMPLE>(B(c));
            }
        }
        JSAMPROW rows[] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> result(buffer, buffer + size);
    std::free(buffer);
    return result;
}

TColor Quadrants(int x, int y, int width, int height) {
    const bool right = x >= width / 2;
    const bool lower = y >= height / 2;
    return lower ? (right ? clWhite : clBlue) : (right ? clLime : clRed);
}

TEST(GraphicsJpeg, DecodesColourAndGreyPictures) {
    const struct {
        const char* name;
        int width, height, components;
        bool progressive;
        PixelSource pixel;
        bool grey;
    } rows[] = {
        {"solid red", 16, 16, 3, false, [](int, int) { return clRed; }, false},
        {"grey", 8, 8, 1, false, [](int, int) { return TColor{0x808080}; }, true},
        {"quadrants", 32, 32, 3, false, [](int x, int y) { return Quadrants(x, y, 32, 32); }, false},
        {"quadrants, progressive", 32, 32, 3, true, [](int x, int y) { return Quadrants(x, y, 32, 32); }, false},
        {"odd size", 29, 19, 3, false, [](int x, int y) { return Quadrants(x, y, 29, 19); }, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TJPEGImage jpeg;
        jpeg.LoadFromData(EncodeJpeg(row.width, row.height, row.components, row.pixel, row.progressive));
        EXPECT_EQ(jpeg.Width(), row.width);
        EXPECT_EQ(jpeg.Height(), row.height);
        EXPECT_EQ(jpeg.Grayscale(), row.grey);
        TBitmap bitmap;
        bitmap.Assign(&jpeg);
        ASSERT_EQ(bitmap.Width(), row.width);
        // Sample away from colour edges, where compression blurs. Colours are lossy: within 24.
        for (int y = 2; y < row.height; y += 5)
            for (int x = 2; x < row.width; x += 5) {
                if (std::abs(x - row.width / 2) < 4 || std::abs(y - row.height / 2) < 4) continue;
                SCOPED_TRACE(::testing::Message() << "pixel " << x << "," << y);
                EXPECT_TRUE(Near(Px(bitmap, x, y), row.pixel(x, y), 24));
            }
    }
}

TEST(GraphicsJpeg, DrawsOntoACanvasAndKeepsItsBytes) {
    const std::vector<std::uint8_t> data = EncodeJpeg(8, 8, 3, [](int, int) { return clBlue; });
    TJPEGImage jpeg;
    jpeg.LoadFromData(data);
    EXPECT_EQ(jpeg.SaveToData(), data);
    auto target = WhiteBitmap(20, 20);
    target->Canvas()->Draw(4, 4, &jpeg);
    EXPECT_TRUE(Near(Px(*target, 8, 8), clBlue, 24));
    EXPECT_EQ(Px(*target, 2, 2), clWhite);
    target->Canvas()->StretchDraw(Rect(0, 0, 20, 20), &jpeg);
    EXPECT_TRUE(Near(Px(*target, 18, 18), clBlue, 24));
    EXPECT_THROW(jpeg.SetWidth(4), EInvalidGraphicOperation);

    TJPEGImage empty;
    empty.LoadFromData({});
    EXPECT_TRUE(empty.Empty());
}

TEST(GraphicsJpeg, CorruptDataRaisesAndLeavesThePictureAsItWas) {
    const std::vector<std::uint8_t> good = EncodeJpeg(16, 16, 3, [](int x, int y) { return Quadrants(x, y, 16, 16); });
    // The start-of-frame marker (to damage its height field) and the start of the scan data.
    const auto marker = [&](std::uint8_t code) {
        for (std::size_t i = 2; i + 1 < good.size(); ++i)
            if (good[i] == 0xFF && good[i + 1] == code) return i;
        return std::size_t{0};
    };
    const std::size_t sof = marker(0xC0);
    const std::size_t sos = marker(0xDA);
    ASSERT_NE(sof, 0u);
    ASSERT_GT(good.size(), sos + 40);
    const std::vector<std::uint8_t> bmp = BuildBmp({.name = "24", .bpp = 24, .format = pf24bit});
    const struct {
        const char* name;
        std::vector<std::uint8_t> data;
    } rows[] = {
        {"not a JPEG", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}},
        {"a BMP file", bmp},
        {"only the start marker", {good.begin(), good.begin() + 2}},
        {"cut in the headers", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(sof) + 4}},
        {"cut in the tables", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>(sof / 2)}},
        {"cut in the scan data", {good.begin(), good.begin() + static_cast<std::ptrdiff_t>((sos + good.size()) / 2)}},
        {"zero height", [&] {
             auto d = good;
             d[sof + 5] = 0, d[sof + 6] = 0;
             return d;
         }()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        TJPEGImage jpeg;
        jpeg.LoadFromData(EncodeJpeg(4, 4, 3, [](int, int) { return clRed; }));
        ChangeCounter changes;
        jpeg.OnChange = Event<&ChangeCounter::Changed>(&changes);
        try {
            jpeg.LoadFromData(row.data);
            ADD_FAILURE() << "no exception";
        } catch (const EInvalidGraphic& e) {
            EXPECT_EQ(String(e.what()).rfind("JPEG image is not valid: ", 0), 0u) << e.what();
        }
        EXPECT_EQ(changes.count, 0);
        EXPECT_EQ(jpeg.Width(), 4);
    }
}

// ---- TPicture --------------------------------------------------------------------------------------

TEST_F(GraphicsFiles, PictureChoosesTheClassByExtension) {
    Framed(clRed, clBlue)->SaveToFile(Path("a.bmp"));
    const std::vector<std::uint8_t> jpegBytes = EncodeJpeg(8, 6, 3, [](int, int) { return clLime; });
    WriteFile("b.jpg", jpegBytes);
    WriteFile("c.JPEG", jpegBytes);
    WriteFile("d.png", jpegBytes);
    WriteFile("e.jpg", {'n', 'o', 'p', 'e'});

    TPicture picture;
    ChangeCounter changes;
    picture.OnChange = Event<&ChangeCounter::Changed>(&changes);
    EXPECT_EQ(picture.Width(), 0);

    picture.LoadFromFile(Path("a.bmp"));
    EXPECT_TRUE(picture.Graphic()->InheritsFrom(TBitmap::StaticClass()));
    EXPECT_EQ(picture.Width(), 4);
    EXPECT_EQ(changes.count, 1);

    picture.LoadFromFile(Path("b.jpg"));
    EXPECT_TRUE(picture.Graphic()->InheritsFrom(TJPEGImage::StaticClass()));
    EXPECT_EQ(picture.Width(), 8);
    EXPECT_EQ(picture.Height(), 6);
    picture.LoadFromFile(Path("c.JPEG"));
    EXPECT_TRUE(picture.Graphic()->InheritsFrom(TJPEGImage::StaticClass()));
    EXPECT_EQ(changes.count, 3);

    EXPECT_THROW(picture.LoadFromFile(Path("d.png")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(Path("e.jpg")), EInvalidGraphic);
    EXPECT_THROW(picture.LoadFromFile(Path("missing.jpg")), EFOpenError);
    EXPECT_EQ(changes.count, 3);
    EXPECT_EQ(picture.Width(), 8);  // unchanged by the failures

    picture.SaveToFile(Path("saved.jpg"));
    EXPECT_EQ(ReadFile("saved.jpg"), jpegBytes);

    // Asking for a bitmap replaces a picture of another class by an empty bitmap.
    TBitmap* bitmap = picture.Bitmap();
    EXPECT_TRUE(bitmap->Empty());
    EXPECT_EQ(changes.count, 4);
    bitmap->SetSize(5, 5);  // a change of the graphic reaches the picture
    EXPECT_EQ(changes.count, 5);
    EXPECT_EQ(picture.Bitmap(), bitmap);

    TPicture copy;
    copy.Assign(&picture);
    EXPECT_NE(copy.Graphic(), picture.Graphic());
    EXPECT_EQ(copy.Width(), 5);
    copy.Assign(nullptr);
    EXPECT_EQ(copy.Graphic(), nullptr);
    EXPECT_THROW(copy.SaveToFile(Path("none.bmp")), EInvalidGraphicOperation);
}

}  // namespace
