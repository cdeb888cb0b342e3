// The grid library on Windows: start-up with our own resources, the button-face painter and its
// cache, cell text and image drawing into memory bitmaps, the shared bitmap, the style's window
// and external scroll bars, and the edit-button control's auto-repeat.
#include "DBGridEh.h"
#include "PropFilerEhForm.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

class GridLibrary : public ::testing::Environment {
public:
    void SetUp() override {
        StartWindowTests();
        GridLibraryInitialization();
    }
    void TearDown() override { GridLibraryFinalization(); }
};
const auto* const kGridLibrary = ::testing::AddGlobalTestEnvironment(new GridLibrary);

// A 24-bit bitmap filled white, with a known font.
std::unique_ptr<TBitmap> WhiteBitmap(int width, int height) {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetSize(width, height);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Brush()->SetColor(clWhite);
    canvas->FillRect(Rect(0, 0, width, height));
    canvas->Font()->SetName("Tahoma");
    canvas->Font()->SetHeight(-12);
    canvas->Font()->SetColor(clBlack);
    return bitmap;
}

bool IsDark(TColor c) {
    const TColor rgb = ColorToRGB(c);
    return (rgb & 0xFF) < 128 && ((rgb >> 8) & 0xFF) < 128 && ((rgb >> 16) & 0xFF) < 128;
}

// The columns of `r` holding at least one dark pixel: first and last (-1 when none).
std::pair<int, int> DarkColumns(TBitmap* bitmap, const TRect& r) {
    int first = -1, last = -1;
    for (int x = r.Left; x < r.Right; ++x)
        for (int y = r.Top; y < r.Bottom; ++y)
            if (IsDark(bitmap->Canvas()->Pixels[x][y])) {
                if (first < 0) first = x;
                last = x;
                break;
            }
    return {first, last};
}

TEST(GridStartup, ResourcesCursorsImagesAndSettingsAreReady) {
    ASSERT_NE(DBGridEhIndicators(), nullptr);
    EXPECT_EQ(DBGridEhIndicators()->Count(), 7);
    ASSERT_NE(DBGridEhSortMarkers(), nullptr);
    EXPECT_EQ(DBGridEhSortMarkers()->Count(), 2);
    EXPECT_EQ(DBGridEhSortMarkers()->Height(), 8);
    for (TCursor c : {crDBGridEhColumnSelect, crDBGridEhRowSelect, crDBGridEhRowSelectRtl})
        EXPECT_NE(DBGridEhCursor(c), nullptr) << c;
    ASSERT_NE(DBGridEhSortIndexFont(), nullptr);
    EXPECT_EQ(DBGridEhSortIndexFont()->Name(), "Arial");
    EXPECT_EQ(DBGridEhSortIndexFont()->Height(), 1 - 8);
    EXPECT_EQ(DBGridEhSettings().IncSearchDelay, 1500u);
    EXPECT_EQ(DBGridEhSettings().IncSearchBackground, clYellow);
    EXPECT_EQ(DBGridEhSettings().CopyFromPriorShortCut, static_cast<TShortCut>(scCtrl | 222));
    ASSERT_NE(DBGridEhDefaultStyle(), nullptr);
    EXPECT_NE(DBGridEhDataService(), nullptr);
    EXPECT_NE(ButtonsBitmapCache(), nullptr);
    EXPECT_EQ(FindReadPropertyInterceptor(TCustomForm::StaticClass()).Class,
              TFormStoragePropertyInterceptor::StaticClass());
    EXPECT_EQ(FindReadPropertyInterceptor(TColumnEh::StaticClass()).Class,
              TColumnEhPropertyInterceptor::StaticClass());
    // A second start-up and its shut-down leave the objects alone.
    DBGridEhInitialization();
    DBGridEhFinalization();
    EXPECT_NE(DBGridEhIndicators(), nullptr);

    // The sort-marker image is our arrow: grey pixels on a transparent background.
    auto bitmap = WhiteBitmap(20, 20);
    DBGridEhSortMarkers()->Draw(bitmap->Canvas(), 0, 0, 0);
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[0][0]), clWhite);  // masked
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[5][3]), 0x808080);
}

TEST(GridFaces, EllipsisDotsAreCentredAndShiftWhenPressed) {
    auto bitmap = WhiteBitmap(40, 40);
    HDC dc = bitmap->Canvas()->Handle();
    const TRect face{0, 0, 17, 17};  // inner width 13: 2-pixel dots, 2-pixel gaps
    PaintEditButtonFace(dc, face, clBtnFace, 0, true, false, false, 0, bdkEllipsis);
    // Dots: total 3 * 2 + 2 * 2 = 10, from x = (17 - 10) / 2 = 3, at y = (17 - 2) / 2 = 7.
    for (int x : {3, 4, 7, 8, 11, 12}) EXPECT_TRUE(IsDark(bitmap->Canvas()->Pixels[x][7])) << x;
    EXPECT_FALSE(IsDark(bitmap->Canvas()->Pixels[5][7]));
    const TRect pressed{20, 0, 37, 17};
    PaintEditButtonFace(dc, pressed, clBtnFace, 0, true, false, false, 1, bdkEllipsis);
    EXPECT_FALSE(IsDark(bitmap->Canvas()->Pixels[23][7]));
    EXPECT_TRUE(IsDark(bitmap->Canvas()->Pixels[24][8]));
}

TEST(GridFaces, SameFaceIsPaintedOnce) {
    TButtonsBitmapCache* cache = ButtonsBitmapCache();
    auto bitmap = WhiteBitmap(60, 30);
    HDC dc = bitmap->Canvas()->Handle();
    const int before = cache->Painted();
    PaintEditButtonFace(dc, TRect{0, 0, 19, 21}, clBtnFace, 0, true, false, false, 0, bdkPlus);
    PaintEditButtonFace(dc, TRect{30, 0, 49, 21}, clBtnFace, 0, true, false, false, 0, bdkPlus);
    EXPECT_EQ(cache->Painted(), before + 1);
    PaintEditButtonFace(dc, TRect{30, 0, 49, 21}, clBtnFace, 0, false, false, false, 0, bdkPlus);
    EXPECT_EQ(cache->Painted(), before + 2);  // disabled is another face
}

TEST(GridFaces, UpDownPairSharesAnOddLineAndFlatFacesAreFramed) {
    auto bitmap = WhiteBitmap(40, 40);
    HDC dc = bitmap->Canvas()->Handle();
    PaintEditButtonFace(dc, TRect{0, 0, 16, 21}, clRed, 0, true, false, false, 0, bdkUpDown);
    EXPECT_EQ(ColorToRGB(bitmap->Canvas()->Pixels[8][10]), clRed);  // the middle line of 21
    PaintEditButtonFace(dc, TRect{20, 0, 36, 16}, clLime, 0, true, false, true, 0, bdkEllipsis);
    EXPECT_EQ(ColorToRGB(bitmap->Canvas()->Pixels[20][0]), clLime);
    EXPECT_EQ(ColorToRGB(bitmap->Canvas()->Pixels[35][15]), clLime);
    EXPECT_NE(ColorToRGB(bitmap->Canvas()->Pixels[22][2]), clLime);
}

TEST(GridFaces, CheckBoxIsMadeSquare) {
    auto bitmap = WhiteBitmap(40, 20);
    HDC dc = bitmap->Canvas()->Handle();
    PaintEditButtonFace(dc, TRect{0, 0, 31, 13}, clBtnFace, 1, true, false, false, 0, bdkCheckBox);
    // 31 x 13 becomes 13 x 13 from x = 9; the sides stay untouched.
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[2][6]), clWhite);
    EXPECT_EQ(static_cast<TColor>(bitmap->Canvas()->Pixels[28][6]), clWhite);
    const auto dark = DarkColumns(bitmap.get(), TRect{0, 0, 31, 13});
    EXPECT_GE(dark.first, 9);
    EXPECT_LE(dark.second, 21);
}

TEST(GridDraw, CellTextIsPlacedByAlignmentAndClipped) {
    auto bitmap = WhiteBitmap(200, 60);
    TCanvas* canvas = bitmap->Canvas();
    const TRect cell{10, 10, 110, 30};
    struct Row {
        const char* name;
        TAlignment alignment;
    };
    int leftInk = -1;  // where the left-justified text's ink starts: the glyphs' own left bearing
    for (const Row row : {Row{"left", taLeftJustify}, Row{"right", taRightJustify}, Row{"centre", taCenter}}) {
        SCOPED_TRACE(row.name);
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(Rect(0, 0, 200, 60));
        DrawCellText(canvas, cell, true, 2, 2, "Hello", row.alignment, tlTop, false, false, false);
        const auto dark = DarkColumns(bitmap.get(), TRect{0, 0, 200, 60});
        ASSERT_GE(dark.first, 0);
        const int width = canvas->TextWidth("Hello");
        switch (row.alignment) {
        case taLeftJustify:
            EXPECT_NEAR(dark.first, 12, 2);
            leftInk = dark.first;
            break;
        case taRightJustify:  // the same ink, moved from x = 12 to 3 px before the right edge
            EXPECT_EQ(dark.first - leftInk, (110 - 3 - width) - 12);
            break;
        case taCenter: EXPECT_NEAR((dark.first + dark.second) / 2, 60, 3); break;
        }
        EXPECT_LE(dark.second - dark.first, width);
    }
    // A long text stays inside its cell.
    canvas->FillRect(Rect(0, 0, 200, 60));
    DrawCellText(canvas, cell, true, 2, 2, "A text much longer than the cell can hold", taLeftJustify, tlTop, false,
                 false, false);
    const auto dark = DarkColumns(bitmap.get(), TRect{0, 0, 200, 60});
    EXPECT_LT(dark.second, 110);
    for (int x = 0; x < 200; ++x) EXPECT_FALSE(IsDark(canvas->Pixels[x][35])) << x;
}

TEST(GridDraw, EndEllipsisNeverCutsACharacter) {
    auto bitmap = WhiteBitmap(300, 40);
    TCanvas* canvas = bitmap->Canvas();
    const String text = "个人名片管理系统";
    for (int width = 0; width < canvas->TextWidth(text) + 5; width += 3) {
        const String shown = ShortenTextToWidth(text, canvas, width);
        SCOPED_TRACE(shown);
        EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(shown)), shown);  // well-formed UTF-8
        if (shown != text) {
            ASSERT_GE(shown.size(), 3u);
            EXPECT_EQ(shown.substr(shown.size() - 3), "...");
            EXPECT_EQ(text.compare(0, shown.size() - 3, shown, 0, shown.size() - 3), 0);
        }
    }
}

TEST(GridDraw, WordWrapAndLayoutMoveTheText) {
    auto bitmap = WhiteBitmap(120, 120);
    TCanvas* canvas = bitmap->Canvas();
    const TRect cell{0, 0, 60, 100};
    DrawCellText(canvas, cell, true, 2, 1, "one two three four", taLeftJustify, tlTop, true, false, false);
    int lines = 0;
    bool inLine = false;
    int firstDark = -1;
    for (int y = 0; y < 100; ++y) {
        bool dark = false;
        for (int x = 0; x < 60; ++x) dark = dark || IsDark(canvas->Pixels[x][y]);
        if (dark && firstDark < 0) firstDark = y;
        if (dark && !inLine) ++lines;
        inLine = dark;
    }
    EXPECT_GE(lines, 2);
    EXPECT_LT(firstDark, 20);
    canvas->FillRect(Rect(0, 0, 120, 120));
    DrawCellText(canvas, cell, true, 2, 1, "bottom", taLeftJustify, tlBottom, true, false, false);
    int lastDark = -1;
    firstDark = -1;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < 60; ++x)
            if (IsDark(canvas->Pixels[x][y])) {
                if (firstDark < 0) firstDark = y;
                lastDark = y;
            }
    EXPECT_GT(firstDark, 70);
    EXPECT_LE(lastDark, 100);
}

TEST(GridDraw, ImageLargerThanItsCellIsClippedAndTheClipRestored) {
    auto bitmap = WhiteBitmap(60, 60);
    TCanvas* canvas = bitmap->Canvas();
    TBitmap picture;
    picture.SetSize(30, 30);
    picture.Canvas()->Brush()->SetColor(clBlack);
    picture.Canvas()->FillRect(Rect(0, 0, 30, 30));
    HDC dc = canvas->Handle();
    HRGN before = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, before), 0);  // no clip region
    DrawImageInCell(nullptr, &picture, canvas, taCenter, 0, 0, TRect{10, 10, 30, 30});
    HRGN after = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetClipRgn(dc, after), 0);
    EXPECT_TRUE(IsDark(canvas->Pixels[10][10]));
    EXPECT_TRUE(IsDark(canvas->Pixels[29][29]));
    EXPECT_FALSE(IsDark(canvas->Pixels[9][20]));
    EXPECT_FALSE(IsDark(canvas->Pixels[30][20]));
    // An existing clip region is the same afterwards.
    IntersectClipRect(dc, 0, 0, 50, 50);
    DrawImageInCell(nullptr, &picture, canvas, taLeftJustify, 0, 0, TRect{40, 40, 45, 45});
    RECT box;
    GetClipBox(dc, &box);
    EXPECT_EQ(FromWinRect(box), (TRect{0, 0, 50, 50}));
    SelectClipRgn(dc, nullptr);
    DeleteObject(before);
    DeleteObject(after);
}

TEST(GridDraw, UpwardFontAndUpwardText) {
    TFont font;
    font.SetName("Default");
    font.SetStyle(TFontStyles{fsBold});
    const LOGFONTW lf = UpwardFontDescription(&font);
    EXPECT_EQ(FromWide(lf.lfFaceName), "MS Sans Serif");
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOrientation, 900);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfOutPrecision, OUT_TT_ONLY_PRECIS);

    auto bitmap = WhiteBitmap(60, 120);
    TCanvas* canvas = bitmap->Canvas();
    canvas->Font()->SetName("Arial");
    const String before = canvas->Font()->Name();
    const int length = DrawCellTextUpward(canvas, TRect{0, 0, 40, 110}, true, 2, 2, "Upward", taLeftJustify, tlTop,
                                          false);
    EXPECT_GT(length, 10);
    EXPECT_EQ(canvas->Font()->Name(), before);  // the font comes back
    // Drawn upwards from the bottom: dark pixels in the lower part, within the text's length.
    int top = -1;
    for (int y = 0; y < 110 && top < 0; ++y)
        for (int x = 0; x < 40; ++x)
            if (IsDark(canvas->Pixels[x][y])) {
                top = y;
                break;
            }
    ASSERT_GE(top, 0);
    EXPECT_GE(top, 110 - 2 - length - 2);
}

TEST(GridDraw, TextNeedsHintWhenItOverflows) {
    auto bitmap = WhiteBitmap(10, 10);
    int w = 0, h = 0;
    EXPECT_FALSE(TextNeedsHint(bitmap->Canvas(), TRect{0, 0, 200, 20}, 2, 2, "short", false, 0, w, h));
    EXPECT_TRUE(TextNeedsHint(bitmap->Canvas(), TRect{0, 0, 20, 20}, 2, 2, "a much longer text", false, 0, w, h));
    EXPECT_GT(w, 16);
    EXPECT_EQ(MeasureTextWidth(bitmap->Canvas(), "abc"), bitmap->Canvas()->TextWidth("abc"));
}

TEST(GridDraw, DroppingAQueuedMessageLeavesTheOthers) {
    auto* form = new TForm(nullptr, CreateNew);
    form->AfterConstruction();
    HWND window = form->Handle();
    DrainMessages();
    constexpr UINT kLayout = WM_USER + 100;
    PostMessageW(window, kLayout, 0, 0);
    PostMessageW(window, kLayout, 0, 0);
    DropQueuedMessage(window, kLayout);
    MSG msg;
    int left = 0;
    while (PeekMessageW(&msg, window, kLayout, kLayout, PM_REMOVE)) ++left;
    EXPECT_EQ(left, 1);
    // A WM_QUIT taken out is posted again.
    PostQuitMessage(7);
    DropQueuedMessage(nullptr, WM_QUIT);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 7u);
    form->Free();
}

TEST(GridControl, SharedBitmapAndStyleFollowTheGrids) {
    const int users = SharedBitmapUsers();
    auto* a = New<TDBGridEh>(nullptr);
    auto* b = New<TDBGridEh>(nullptr);
    EXPECT_EQ(SharedBitmapUsers(), users + 2);
    EXPECT_EQ(a->Style(), DBGridEhDefaultStyle());
    EXPECT_TRUE(DBGridEhDefaultStyle()->IsGridRegistered(a));
    {
        TDBGridEhStyle own;
        b->SetStyle(&own);
        EXPECT_TRUE(own.IsGridRegistered(b));
        EXPECT_FALSE(DBGridEhDefaultStyle()->IsGridRegistered(b));
    }  // a freed style lets go of its grids
    EXPECT_EQ(b->Style(), nullptr);
    b->SetStyle(nullptr);
    EXPECT_EQ(b->Style(), DBGridEhDefaultStyle());
    a->Free();
    b->Free();
    EXPECT_EQ(SharedBitmapUsers(), users);
    EXPECT_FALSE(DBGridEhDefaultStyle()->IsGridRegistered(a));
}

TEST(GridControl, StyleRereadsColoursOnSystemColourChange) {
    TDBGridEhStyle* style = DBGridEhDefaultStyle();
    ASSERT_NE(style->UtilityWindow(), nullptr);
    EXPECT_EQ(style->NumColors(), -1);  // a 24-bit display
    SendMessageW(style->UtilityWindow(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_TRUE(style->RichDisplay());
    TColor background = clWindow, font = clWindowText;
    TDataCellHighlightQueryEh q;
    q.InSelection = true;
    q.SelectionActive = true;
    EXPECT_TRUE(style->GetDataCellHighlightColors(q, background, font));
    EXPECT_EQ(background, BlendTowards(ColorToRGB(clWindow), ColorToRGB(clHighlight), true));
}

// A scroll-bar control and a grid that counts the scroll messages it gets.
class TTestScrollBar : public TWinControl {
    VESTREL_CLASS(TTestScrollBar, TWinControl)
public:
    using TWinControl::TWinControl;

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        CreateSubClass(params, L"SCROLLBAR");
        params.Style |= SBS_VERT;
    }
};

class TScrollCountingGrid : public TDBGridEh {
    VESTREL_CLASS(TScrollCountingGrid, TDBGridEh)
public:
    using TDBGridEh::TDBGridEh;
    int vscrolls = 0;

protected:
    void WndProc(TMessage& message) override {
        if (message.Msg == WM_VSCROLL) ++vscrolls;
        TDBGridEh::WndProc(message);
    }
};

TEST(GridControl, ExternalScrollBarForwardsAndCannotServeTwoGrids) {
    auto* form = new TForm(nullptr, CreateNew);
    form->AfterConstruction();
    auto* grid = New<TScrollCountingGrid>(form);
    grid->SetParent(form);
    auto* other = New<TDBGridEh>(form);
    other->SetParent(form);
    auto* bar = New<TTestScrollBar>(form);
    bar->SetName("ScrollBar1");
    bar->SetParent(form);
    bar->SetBounds(0, 0, 16, 100);
    form->HandleNeeded();

    grid->VertScrollBar()->SetExtScrollBar(bar);
    try {
        other->VertScrollBar()->SetExtScrollBar(bar);
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "Possible ScrollBar1 already attached to the other control.");
    }
    EXPECT_EQ(other->VertScrollBar()->ExtScrollBar(), nullptr);
    bar->Perform(CN_VSCROLL, SB_LINEDOWN, reinterpret_cast<LPARAM>(bar->Handle()));
    EXPECT_EQ(grid->vscrolls, 1);
    EXPECT_TRUE(grid->VertScrollBar()->IsScrollBarVisible());
    grid->VertScrollBar()->SetVisible(false);
    EXPECT_FALSE(bar->Visible());
    // Detached, the bar is free for another grid.
    grid->VertScrollBar()->SetExtScrollBar(nullptr);
    other->VertScrollBar()->SetExtScrollBar(bar);
    EXPECT_EQ(other->VertScrollBar()->ExtScrollBar(), bar);
    form->Free();
}

TEST(GridControl, UpDownButtonRepeatsWhileHeld) {
    auto* form = new TForm(nullptr, CreateNew);
    form->AfterConstruction();
    form->HandleNeeded();
    TEditButtonControlEh* button = MakeEditButtonControl(form);
    button->SetBounds(0, 0, 16, 20);
    button->SetStyle(ebsUpDownEh);
    struct Recorder {
        std::vector<bool> tops;
        bool keepRepeating = true;
        void Down(TObject*, bool top, bool& autoRepeat, bool&) {
            tops.push_back(top);
            EXPECT_TRUE(autoRepeat);  // preset for up-down buttons
            autoRepeat = keepRepeating;
        }
    } recorder;
    button->OnDown = Event<&Recorder::Down>(&recorder);

    button->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(8, 15));  // the lower half
    ASSERT_EQ(recorder.tops.size(), 1u);
    EXPECT_FALSE(recorder.tops[0]);
    EXPECT_EQ(button->HitButton(), 2);
    ASSERT_NE(button->RepeatTimer(), nullptr);
    EXPECT_TRUE(button->RepeatTimer()->Enabled());
    EXPECT_EQ(button->RepeatTimer()->Interval(), 400u);
    button->RepeatTimer()->OnTimer(button->RepeatTimer());
    EXPECT_EQ(button->RepeatTimer()->Interval(), 100u);
    EXPECT_EQ(recorder.tops.size(), 2u);
    // Off the pressed half it shows up, and ticks do nothing.
    button->Perform(WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(8, 3));
    EXPECT_FALSE(button->Down());
    button->RepeatTimer()->OnTimer(button->RepeatTimer());
    EXPECT_EQ(recorder.tops.size(), 2u);
    button->Perform(WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(8, 15));
    recorder.keepRepeating = false;  // the handler stops the repeat
    button->RepeatTimer()->OnTimer(button->RepeatTimer());
    EXPECT_EQ(recorder.tops.size(), 3u);
    EXPECT_FALSE(button->RepeatTimer()->Enabled());
    button->Perform(WM_LBUTTONUP, 0, PointToLParam(8, 15));
    EXPECT_FALSE(button->Down());

    // A drop-down button kept pressed while its list shows.
    button->SetStyle(ebsDropDownEh);
    button->SetAlwaysDown(true);
    EXPECT_TRUE(button->Down());
    button->SetAlwaysDown(false);
    EXPECT_FALSE(button->Down());
    form->Free();
}

}  // namespace

namespace {

TEST(GridInterceptors, FormPlacementIsScaledToTheScreen) {
    auto* form = new TForm(nullptr, CreateNew);
    form->AfterConstruction();
    form->SetBounds(40, 50, 300, 200);
    form->SetPosition(poScreenCenter);
    auto interceptor = std::unique_ptr<TStoragePropertyInterceptor>(
        FindReadPropertyInterceptor(TCustomForm::StaticClass()).Create(form));
    EXPECT_EQ(GetOrdProp(interceptor.get(), "Left"), 40);
    EXPECT_EQ(GetOrdProp(interceptor.get(), "Width"), 300);
    // Stored at twice the screen's pixels per inch: everything halves.
    const int screen = Screen->PixelsPerInch();
    SetOrdProp(interceptor.get(), "PixelsPerInch", 2 * screen);
    SetOrdProp(interceptor.get(), "Left", 200);
    SetOrdProp(interceptor.get(), "Top", 100);
    SetOrdProp(interceptor.get(), "Width", 600);
    SetOrdProp(interceptor.get(), "Height", 400);
    interceptor->AfterRead();
    EXPECT_EQ(form->BoundsRect(), (TRect{100, 50, 400, 250}));
    EXPECT_EQ(form->Position(), poDesigned);  // a position was read
    form->Free();
}

}  // namespace
