// The control skinners on real controls of a skinned form, against the probe skin (one flat colour
// per element and frame): the frame each state shows, state changes by mouse and keyboard
// messages, the click of a skinned button, a control freed under its skinner, and the skinners of
// check boxes, radio buttons, group boxes, edits, combo boxes, status bars and progress bars.
#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "AppSkinScrollbar.h"
#include "SkinArt.h"
#include "SkinControl.h"
#include "SkinControlMatch.h"
#include "SkinEditCombo.h"
#include "SkinManage.h"
#include "SkinMediaPlayer.h"
#include "SkinRangeControls.h"
#include "SkinSmallControls.h"
#include "SkinTabs.h"
#include "SkinToolBar.h"

#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "FormReader.h"
#include "Lists.h"
#include "Menus.h"
#include "StdCtrls.h"
#include "SkinTestSupport.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <commctrl.h>
#include <gtest/gtest.h>


namespace {

using skintest::ElementIndex;
using skintest::PumpUntil;
using skintest::Rgb;

std::uint32_t Probe(const char* file, int frame) { return skinart::ProbeColour(ElementIndex(file), frame); }



// A window painted into a 32-bit bitmap of its size by a message carrying the DC; pixels as 0xRRGGBB.
struct TShot {
    std::vector<std::uint32_t> Pixels;
    int Width = 0;
    int Height = 0;
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)] & 0xFFFFFF; }
};

TShot Paint(HWND window, UINT message = WM_PAINT) {
    RECT r{};
    GetWindowRect(window, &r);
    TShot shot;
    shot.Width = r.right - r.left;
    shot.Height = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = shot.Width;
    info.bmiHeader.biHeight = -shot.Height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SendMessageW(window, message, reinterpret_cast<WPARAM>(dc), message == WM_PRINT ? PRF_CLIENT | PRF_NONCLIENT : 0);
    GdiFlush();
    const auto* p = static_cast<const std::uint32_t*>(bits);
    shot.Pixels.assign(p, p + shot.Width * shot.Height);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    return shot;
}


// A form with controls, skinned with the probe skin by the skin manager.
class SkinControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartWindowTests();
        // The published properties the skinners read by name.
        RegisterControlsClasses();
        RegisterStdCtrlsClasses();
        RegisterButtonsClasses();
        RegisterComCtrlsClasses();
        RegisterExtCtrlsClasses();
        holder_.reset(skintest::LoadProbeSkin(
            "xcMainMenu, xcToolbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress, xcEdit, xcButton, xcBitBtn, "
            "xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab, xcSystemMenu"));
        skin_ = static_cast<TSkinData*>(holder_->FindComponent("SkinData1"));
        ASSERT_NE(SkinManager(), nullptr);
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(40, 40, 420, 320);
        form_->SetCaption("controls");
    }
    void TearDown() override {
        form_.reset();
        holder_.reset();
        SetSkinEngineEnabled(false);
        DrainMessages();
    }

    template <class T>
    T* Add(int left, int top, int width, int height, const String& caption = String()) {
        auto* c = New<T>(form_.get());
        c->SetParent(form_.get());
        c->SetBounds(left, top, width, height);
        if (!caption.empty()) c->SetCaption(caption);
        return c;
    }

    // Shows the form and waits until its skinner has started (the child skinners exist then).
    TAppSkinForm* ShowSkinned() {
        form_->Show();
        SetForegroundWindow(form_->Handle());
        TAppSkinForm* f = nullptr;
        const bool started = PumpUntil([&] {
            f = SkinManager()->FindForm(form_->Handle());
            if (!f) SkinManager()->SkinForm(form_.get());
            return f && f->State == TAppSkinForm::fsSkinned;
        });
        EXPECT_TRUE(started);
        DrainMessages();
        return f;
    }

    static bool Skinned(HWND window) { return SendMessageW(window, SM_ISSKINNED, 0, 0) == 1; }

    Owned<TComponent> holder_;
    TSkinData* skin_ = nullptr;
    Owned<TForm> form_;
};

TEST_F(SkinControlsTest, ButtonShowsTheFrameOfEachState) {
    auto* button = Add<TButton>(10, 10, 90, 28, "OK");
    struct TClicks {
        int count = 0;
        void Click(TObject*) { ++count; }
    } clicks;
    button->OnClick = Event<&TClicks::Click>(&clicks);
    auto* other = Add<TButton>(110, 10, 90, 28, "Other");
    ShowSkinned();
    HWND h = button->Handle();
    ASSERT_TRUE(Skinned(h));
    auto frameShown = [&] { return Paint(h).At(1, 1); };
    other->SetFocus();
    DrainMessages();
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 1)) << "normal";

    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 4)) << "hot";
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 10));
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 2)) << "pressed";
    EXPECT_EQ(GetFocus(), h);
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(clicks.count, 0);  // the click is posted ...
    DrainMessages();
    EXPECT_EQ(clicks.count, 1);  // ... and runs once
    SendMessageW(h, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 5)) << "focused";

    SendMessageW(h, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 2)) << "pressed by the space bar";
    SendMessageW(h, WM_KEYUP, VK_SPACE, 0);
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 5));
    DrainMessages();

    button->SetEnabled(false);
    EXPECT_EQ(frameShown(), Probe("buttons.bmp", 3)) << "disabled";
}

// Counts the text and font questions a window is asked.
class TQuestionCounter : public TWindowSubclass {
public:
    int Asked = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_GETTEXT || message == WM_GETTEXTLENGTH || message == WM_GETFONT) ++Asked;
        return CallPrevious(message, wParam, lParam);
    }
};

TEST_F(SkinControlsTest, ButtonKeepsItsTextAndFontUntilTheyChange) {
    auto* button = Add<TButton>(10, 10, 120, 40, "I");
    ShowSkinned();
    HWND h = button->Handle();
    ASSERT_TRUE(Skinned(h));
    // Pixels of the caption: those inside that are not the face's colour.
    auto inked = [&] {
        const TShot shot = Paint(h);
        const std::uint32_t face = shot.At(1, 1);
        int count = 0;
        for (int y = 6; y < shot.Height - 6; ++y)
            for (int x = 6; x < shot.Width - 6; ++x) count += shot.At(x, y) != face;
        return count;
    };
    const int narrow = inked();
    TQuestionCounter counter;
    ASSERT_TRUE(counter.Attach(h));
    inked();
    EXPECT_EQ(counter.Asked, 0) << "a paint reads the kept text and font";

    SetWindowTextW(h, L"WWWW");
    const int wide = inked();
    EXPECT_GT(wide, narrow * 2);
    HFONT big = CreateFontW(-28, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Tahoma");
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(big), TRUE);
    EXPECT_GT(inked(), wide * 2);
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(button->Font()->Handle()), TRUE);
    EXPECT_EQ(inked(), wide);
    counter.Detach();
    DeleteObject(big);
}

TEST_F(SkinControlsTest, SkinDrawingSwitchesOffAndOn) {
    auto* button = Add<TButton>(10, 10, 90, 28, "OK");
    ShowSkinned();
    HWND h = button->Handle();
    const std::uint32_t on = Paint(h).At(1, 1);
    EXPECT_TRUE(on == Probe("buttons.bmp", 1) || on == Probe("buttons.bmp", 5)) << std::hex << on;
    SendMessageW(h, SM_SKINDRAWING, 0, 0);
    EXPECT_NE(Paint(h).At(1, 1), on);  // the button draws itself
    SendMessageW(h, SM_SKINDRAWING, 1, 0);
    EXPECT_EQ(Paint(h).At(1, 1), on);
}

TEST_F(SkinControlsTest, ControlFreedUnderItsSkinnerLeavesTheListCleanly) {
    auto* button = Add<TButton>(10, 10, 90, 28, "Gone");
    auto* edit = Add<TEdit>(10, 50, 120, 22);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    const int before = f->Skinners().Count();
    ASSERT_NE(f->Skinners().ForControl(button), nullptr);
    button->Free();
    EXPECT_EQ(f->Skinners().Count(), before - 1);
    EXPECT_EQ(f->Skinners().ForControl(button), nullptr);
    // A window destroyed under its skinner leaves a dead skinner that answers nothing more.
    HWND foreign = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 200, 60, 24,
                                   form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    TSkinControl* s = AttachWindowSkinner(*f, skinrules::TSkinnerKind::Button, foreign);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(Skinned(foreign));
    DestroyWindow(foreign);
    EXPECT_EQ(s->SkinState, TSkinControl::ssDead);
    EXPECT_EQ(f->Skinners().ForWindow(foreign), nullptr);
    // Unskinning gives every remaining control its own procedure back.
    SkinManager()->UnskinAll();
    EXPECT_EQ(SkinManager()->FindForm(form_->Handle()), nullptr);
    EXPECT_FALSE(Skinned(edit->Handle()));
}

TEST_F(SkinControlsTest, HotForeignButtonCoolsOnceTheMouseHasGoneWithoutALeaveNotice) {
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    HWND foreign = CreateWindowExW(0, L"BUTTON", L"x", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 200, 200, 60, 24,
                                   form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    TSkinControl* s = AttachWindowSkinner(*f, skinrules::TSkinnerKind::Button, foreign);
    ASSERT_NE(s, nullptr);
    RECT r{};
    GetWindowRect(form_->Handle(), &r);
    auto makeHot = [&] {
        SendMessageW(foreign, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
        // The leave notice is lost.
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE | TME_CANCEL, foreign, 0};
        TrackMouseEvent(&track);
        MSG msg;
        while (PeekMessageW(&msg, foreign, WM_MOUSELEAVE, WM_MOUSELEAVE, PM_REMOVE)) {
        }
        EXPECT_EQ(f->HotSkinner, s);
        EXPECT_EQ(Paint(foreign).At(1, 1), Probe("buttons.bmp", 4));
    };
    // The hover timer finds the cursor elsewhere (outside the form, so no leave notice is due).
    makeHot();
    SetCursorPos(r.right + 40, r.bottom + 40);
    EXPECT_TRUE(PumpUntil([&] { return f->HotSkinner == nullptr; }, 2000));
    EXPECT_NE(Paint(foreign).At(1, 1), Probe("buttons.bmp", 4));
    // The window is deactivated.
    makeHot();
    SendMessageW(form_->Handle(), WM_NCACTIVATE, FALSE, 0);
    EXPECT_EQ(f->HotSkinner, nullptr);
    EXPECT_NE(Paint(foreign).At(1, 1), Probe("buttons.bmp", 4));
    SendMessageW(form_->Handle(), WM_NCACTIVATE, TRUE, 0);
    // A hot skinner that is freed is forgotten.
    makeHot();
    s->Free();
    EXPECT_EQ(f->HotSkinner, nullptr);
    DestroyWindow(foreign);
}

TEST_F(SkinControlsTest, BitButtonGlyphAndTag5555ShowsTheParentBehind) {
    auto* bit = Add<TBitBtn>(10, 10, 100, 30, "Save");
    auto* glyph = new TBitmap;
    glyph->SetPixelFormat(pf24bit);
    glyph->SetSize(32, 16);  // two pictures: red, then blue; bottom-left pixel magenta-free
    TCanvas* c = glyph->Canvas();
    RECT left{0, 0, 16, 16}, right{16, 0, 32, 16};
    HBRUSH red = CreateSolidBrush(RGB(200, 0, 0)), blue = CreateSolidBrush(RGB(0, 0, 200));
    FillRect(c->Handle(), &left, red);
    FillRect(c->Handle(), &right, blue);
    RECT corner{0, 15, 1, 16};
    HBRUSH key = CreateSolidBrush(RGB(1, 2, 3));
    FillRect(c->Handle(), &corner, key);
    DeleteObject(key);
    GdiFlush();
    DeleteObject(red);
    DeleteObject(blue);
    bit->SetGlyph(glyph);
    bit->SetNumGlyphs(2);
    delete glyph;
    auto* plain = Add<TButton>(120, 10, 90, 30, "Plain");
    plain->SetTag(5555);
    form_->SetColor(static_cast<TColor>(0x123456));
    ShowSkinned();
    // The glyph sits left of the caption, centred across the button (margin -1, spacing 4).
    const TShot shot = Paint(bit->Handle());
    bool red0 = false;
    for (int x = 0; x < shot.Width; ++x) red0 = red0 || shot.At(x, 15) == 0xC80000;
    String row;
    for (int x = 0; x < shot.Width; x += 4) row += std::to_string(shot.At(x, 15)) + " ";
    EXPECT_TRUE(red0) << "the first picture of the strip: " << row;
    bit->SetEnabled(false);
    const TShot grey = Paint(bit->Handle());
    bool anyBlue = false, anyRed = false;
    for (int x = 0; x < grey.Width; ++x) {
        anyBlue = anyBlue || grey.At(x, 15) == 0x0000C8;
        anyRed = anyRed || grey.At(x, 15) == 0xC80000;
    }
    EXPECT_FALSE(anyRed);
    EXPECT_FALSE(anyBlue) << "the disabled picture is turned grey";
    // A button tagged 5555 is drawn over its parent's background: where the face is magenta the
    // form's colour shows, where an untagged button shows the skin's face colour.
    bit->SetEnabled(true);
    SetPixel(skin_->Buttons->Image->Canvas()->Handle(), 0, 0, RGB(255, 0, 255));
    GdiFlush();
    EXPECT_EQ(Paint(plain->Handle()).At(0, 0), Rgb(form_->Color()));
    EXPECT_EQ(Paint(bit->Handle()).At(0, 0), Rgb(skin_->ButtonFace));
    EXPECT_EQ(Paint(plain->Handle()).At(1, 1), Probe("buttons.bmp", 1));
}

TEST_F(SkinControlsTest, CheckBoxAndRadioButtonMarks) {
    auto* check = Add<TCheckBox>(10, 10, 150, 21, "Check");
    auto* radio = Add<TRadioButton>(10, 40, 150, 21, "Radio");
    ShowSkinned();
    ASSERT_TRUE(Skinned(check->Handle()));
    ASSERT_TRUE(Skinned(radio->Handle()));
    auto mark = [](HWND h) {
        const TShot s = Paint(h);
        return s.At(3, s.Height / 2);
    };
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 1));
    check->SetChecked(true);
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 2));
    check->SetEnabled(false);
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 4));
    check->SetChecked(false);
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 3));
    check->SetEnabled(true);
    check->SetState(cbGrayed);
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 4));
    // A click by the mouse checks it.
    check->SetState(cbUnchecked);
    SendMessageW(check->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 10));
    SendMessageW(check->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(5, 10));
    DrainMessages();
    EXPECT_TRUE(check->Checked());
    EXPECT_EQ(mark(check->Handle()), Probe("checkbox.bmp", 2));

    EXPECT_EQ(mark(radio->Handle()), Probe("radiobutton.bmp", 1));
    radio->SetChecked(true);
    EXPECT_EQ(mark(radio->Handle()), Probe("radiobutton.bmp", 2));
    radio->SetEnabled(false);
    EXPECT_EQ(mark(radio->Handle()), Probe("radiobutton.bmp", 4));
}

TEST_F(SkinControlsTest, GroupBoxPanelAndStatusBar) {
    auto* group = Add<TGroupBox>(10, 10, 180, 100, "Group");
    auto* inner = New<TButton>(form_.get());
    inner->SetParent(group);
    inner->SetBounds(10, 30, 80, 24);
    auto* bar = New<TStatusBar>(form_.get());
    bar->SetParent(form_.get());
    for (TStatusPanelBevel bevel : {pbLowered, pbRaised, pbNone}) {
        TStatusPanel* p = bar->Panels()->Add();
        p->SetWidth(80);
        p->SetBevel(bevel);
    }
    ShowSkinned();
    ASSERT_TRUE(Skinned(group->Handle()));
    EXPECT_TRUE(Skinned(inner->Handle())) << "the group's children are matched first";
    const TShot g = Paint(group->Handle());
    EXPECT_EQ(g.At(1, g.Height / 2), Rgb(skin_->ButtonShadow)) << "the rounded frame";
    EXPECT_EQ(g.At(5, g.Height - 10), Rgb(skin_->ButtonFace)) << "the face inside";

    ASSERT_TRUE(Skinned(bar->Handle()));
    const TShot s = Paint(bar->Handle());
    const int y = s.Height / 2;
    EXPECT_EQ(s.At(10, y), Probe("statusbar.bmp", 1)) << "lowered";
    EXPECT_EQ(s.At(80 + 10, y), Probe("statusbar.bmp", 2)) << "raised";
    EXPECT_EQ(s.At(160 + 10, y), Probe("statusbar.bmp", 3)) << "none";
    EXPECT_EQ(s.At(s.Width - 40, y), Probe("statusbar.bmp", 3)) << "the last panel reaches the edge";
}

// The parent of a status bar of another module: it draws owner-drawn panels red and notes them.
struct TDrawnPanel {
    UINT Id;
    ULONG_PTR Data;
    HWND Bar;
    RECT Rect;
};
std::vector<TDrawnPanel> drawnPanels;

LRESULT CALLBACK PanelOwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DRAWITEM) {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
        drawnPanels.push_back({item->itemID, item->itemData, item->hwndItem, item->rcItem});
        HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(item->hDC, &item->rcItem, red);
        DeleteObject(red);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(SkinControlsTest, StatusBarOwnerDrawnAndRightToLeftPanels) {
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    WNDCLASSW cls{};
    cls.lpfnWndProc = PanelOwnerProc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"SkinTestPanelOwner";
    RegisterClassW(&cls);
    HWND owner = CreateWindowExW(0, L"SkinTestPanelOwner", L"", WS_CHILD | WS_VISIBLE, 0, 0, 400, 200, form_->Handle(),
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(owner, nullptr);
    HWND bar = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, owner, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(bar, nullptr);
    SetWindowPos(bar, nullptr, 0, 170, 400, 24, SWP_NOZORDER);
    const int edges[] = {120, 240, -1};
    SendMessageW(bar, SB_SETPARTS, 3, reinterpret_cast<LPARAM>(edges));
    SendMessageW(bar, SB_SETTEXTW, 0 | SBT_RTLREADING, reinterpret_cast<LPARAM>(L"Left"));
    SendMessageW(bar, SB_SETTEXTW, 1 | SBT_OWNERDRAW, 0x1234);
    SendMessageW(bar, SB_SETTEXTW, 2, reinterpret_cast<LPARAM>(L"Plain"));
    ASSERT_NE(AttachWindowSkinner(*f, skinrules::TSkinnerKind::StatusBar, bar), nullptr);
    drawnPanels.clear();
    const TShot shot = Paint(bar);
    const int y = shot.Height / 2;
    const std::uint32_t frame = Probe("statusbar.bmp", 1);

    // The owner-drawn panel: the skin's frame, the program's content inside it, asked once.
    ASSERT_EQ(drawnPanels.size(), 1u);
    EXPECT_EQ(drawnPanels[0].Id, 1u);
    EXPECT_EQ(drawnPanels[0].Data, 0x1234u);
    EXPECT_EQ(drawnPanels[0].Bar, bar);
    EXPECT_EQ(shot.At(drawnPanels[0].Rect.left - 1, y), frame) << "the frame around it";
    EXPECT_EQ(shot.At(180, y), 0xFF0000u) << "the program's content";

    // Read right to left: the text keeps to the right of its panel.
    auto inked = [&](int x0, int x1) {
        int n = 0;
        for (int x = x0; x < x1; ++x)
            for (int yy = 3; yy < shot.Height - 3; ++yy) n += shot.At(x, yy) != frame;
        return n;
    };
    EXPECT_EQ(inked(4, 60), 0);
    EXPECT_GT(inked(60, 118), 0);
    // Left to right, the text starts at the left.
    EXPECT_GT(inked(244, 300), 0);
    DestroyWindow(owner);
}

TEST_F(SkinControlsTest, EditBorderOnScreenAfterEachKindOfRepaint) {
    auto* edit = Add<TEdit>(10, 10, 120, 22);
    ShowSkinned();
    HWND h = edit->Handle();
    ASSERT_TRUE(Skinned(h));
    auto scribble = [&] {
        HDC dc = GetWindowDC(h);
        RECT all{0, 0, 120, 22};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        ReleaseDC(h, dc);
    };
    auto border = [&] {
        HDC dc = GetWindowDC(h);
        const COLORREF outer = GetPixel(dc, 0, 0), inner = GetPixel(dc, 1, 5);
        ReleaseDC(h, dc);
        return std::pair<std::uint32_t, std::uint32_t>(Rgb(static_cast<int>(outer)), Rgb(static_cast<int>(inner)));
    };
    const std::pair<std::uint32_t, std::uint32_t> skinned(Rgb(skin_->ButtonShadow), 0xFFFFFFu);
    struct TCase {
        const char* name;
        UINT flags;
    } cases[] = {
        {"frame and client", RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW},
        {"client only", RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW},
        {"frame only", RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_NOERASE},
    };
    for (const TCase& c : cases) {
        scribble();
        RedrawWindow(h, nullptr, nullptr, c.flags);
        EXPECT_EQ(border(), skinned) << c.name;
    }
}

TEST_F(SkinControlsTest, EditBorderAndComboButton) {
    auto* edit = Add<TEdit>(10, 10, 120, 22);
    auto* combo = Add<TComboBox>(10, 50, 140, 22);
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("one");
    combo->Items()->Add("two");
    ShowSkinned();
    ASSERT_TRUE(Skinned(edit->Handle()));
    const TShot e = Paint(edit->Handle());
    EXPECT_EQ(e.At(0, 0), Rgb(skin_->ButtonShadow));
    EXPECT_EQ(e.At(1, 5), 0xFFFFFFu);

    HWND h = combo->Handle();
    ASSERT_TRUE(Skinned(h));
    auto skinner = static_cast<TSkinComBox*>(SkinManager()->FindForm(form_->Handle())->Skinners().ForWindow(h));
    ASSERT_NE(skinner, nullptr);
    auto buttonFace = [&] {
        COMBOBOXINFO info{};
        info.cbSize = sizeof info;
        GetComboBoxInfo(h, &info);
        return Paint(h).At((info.rcButton.left + info.rcButton.right) / 2, (info.rcButton.top + info.rcButton.bottom) / 2);
    };
    const int frame = skinner->ButtonFrameNow();
    EXPECT_TRUE(frame == 1 || frame == 4) << frame;  // 4 when it has the focus
    // The skin has a SunkEdge, so the combo picture is composed (the Style 2 picture): the edge
    // from SunkEdge and the button with its arrow (the probe's arrow covers the button), by state.
    ASSERT_EQ(skin_->ComboButton->Style, 2);
    EXPECT_EQ(buttonFace(), Probe("extraimages.bmp", frame));
    EXPECT_EQ(Paint(h).At(0, 10), Probe("sunkedge.bmp", frame)) << "the edge by the same state";
    // Opened from the keyboard: the button shows pressed while the list is open.
    SendMessageW(h, CB_SHOWDROPDOWN, TRUE, 0);
    EXPECT_EQ(buttonFace(), Probe("extraimages.bmp", 2));
    SendMessageW(h, CB_SHOWDROPDOWN, FALSE, 0);
    EXPECT_NE(buttonFace(), Probe("extraimages.bmp", 2));
}

TEST_F(SkinControlsTest, CoolBarBandsTakeTheSkinsFaceColour) {
    ASSERT_NE(skin_->ButtonFace, clBtnFace);
    auto* bar = Add<TCoolBar>(0, 0, 300, 30);
    TCoolBand* band = bar->Bands()->Add();
    ShowSkinned();
    EXPECT_EQ(band->Color(), skin_->ButtonFace);
    REBARBANDINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = RBBIM_COLORS;
    ASSERT_TRUE(SendMessageW(bar->Handle(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&info)));
    EXPECT_EQ(info.clrBack, static_cast<COLORREF>(ColorToRGB(skin_->ButtonFace)));
}

TEST_F(SkinControlsTest, ProgressBarFillsItsShare) {
    auto* progress = Add<TProgressBar>(10, 10, 200, 18);
    ShowSkinned();
    HWND h = progress->Handle();
    ASSERT_TRUE(Skinned(h));
    SendMessageW(h, PBM_SETRANGE32, 0, 100);
    SendMessageW(h, PBM_SETPOS, 0, 0);
    EXPECT_EQ(Paint(h).At(50, 9), Probe("progress.bmp", 1)) << "only the trough at 0";
    SendMessageW(h, PBM_SETPOS, 50, 0);
    const TShot half = Paint(h);
    EXPECT_EQ(half.At(50, 9), Probe("progress.bmp", 2));
    EXPECT_EQ(half.At(150, 9), Probe("progress.bmp", 1));
}

// Controls the program does not use, on a test form: an up-down control and a track bar of the
// common controls, skinned as windows.
TEST_F(SkinControlsTest, UpDownHalvesFollowTheMouse) {
    ShowSkinned();
    HWND spin = CreateWindowExW(0, UPDOWN_CLASSW, L"", WS_CHILD | WS_VISIBLE, 200, 10, 20, 40, form_->Handle(), nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(spin, nullptr);
    TSkinControl* s = AttachUpDown(spin, skin_, nullptr, false, false);
    EXPECT_EQ(Paint(spin).At(2, 2), Probe("updownvert.bmp", 1));
    EXPECT_EQ(Paint(spin).At(2, 38), Probe("updownvert.bmp", 5));
    RECT r{};
    GetWindowRect(spin, &r);
    SetCursorPos(r.left + 10, r.bottom - 5);  // over the lower half
    SendMessageW(spin, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 35));
    const TShot held = Paint(spin);
    SendMessageW(spin, WM_LBUTTONUP, 0, MAKELPARAM(10, 35));
    POINT p{};
    GetCursorPos(&p);
    if (p.y == r.bottom - 5) {  // the cursor could be placed on this display
        EXPECT_EQ(held.At(2, 38), Probe("updownvert.bmp", 6)) << "the lower half pressed";
        EXPECT_EQ(held.At(2, 2), Probe("updownvert.bmp", 1)) << "the upper half stays";
    }
    s->Free();
    DestroyWindow(spin);
}

TEST_F(SkinControlsTest, PageControlShowsTheFocusedTabOnFrameTwo) {
    auto* pages = Add<TPageControl>(10, 10, 300, 200);
    auto* first = New<TTabSheet>(form_.get());
    first->SetPageControl(pages);
    first->SetCaption("First");
    auto* second = New<TTabSheet>(form_.get());
    second->SetPageControl(pages);
    second->SetCaption("Second");
    pages->SetActivePage(first);
    ShowSkinned();
    HWND h = pages->Handle();
    ASSERT_TRUE(Skinned(h));
    ASSERT_TRUE(Skinned(first->Handle()));
    auto tabPixel = [&](int index) {
        RECT r{};
        SendMessageW(h, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        return Paint(h).At(r.left + 1, r.top + 2);
    };
    const int focused = static_cast<int>(SendMessageW(h, TCM_GETCURFOCUS, 0, 0));
    ASSERT_GE(focused, 0);
    EXPECT_EQ(tabPixel(focused), Probe("tabs.bmp", 2));
    EXPECT_EQ(tabPixel(1 - focused), Probe("tabs.bmp", 1));
    const TShot sheet = Paint(first->Handle());
    EXPECT_EQ(sheet.At(sheet.Width / 2, sheet.Height / 2), Rgb(skin_->ButtonFace));
}

// The older tab set of another library: its tabs as published properties; its own painting
// only counted.
class TTabSet : public TCustomControl {
    VESTREL_CLASS(TTabSet, TCustomControl)
public:
    explicit TTabSet(TComponent* owner) : TCustomControl(owner), tabs_(std::make_unique<TStringList>()) {}
    TStrings* Tabs() const { return tabs_.get(); }
    int TabIndex = 0;
    int FirstIndex = 0;
    int StartMargin = 5;
    int EndMargin = 5;
    int OwnPaints = 0;

protected:
    void Paint() override { ++OwnPaints; }

private:
    std::unique_ptr<TStringList> tabs_;
};

class TTestTabScroller : public TCustomControl {
    VESTREL_CLASS(TTestTabScroller, TCustomControl)
public:
    using TCustomControl::TCustomControl;
};

void RegisterTestTabSet() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperties<TTabSet>()
        .Object("Tabs", &TTabSet::Tabs)
        .Int("TabIndex", &TTabSet::TabIndex)
        .Int("FirstIndex", &TTabSet::FirstIndex)
        .Int("StartMargin", &TTabSet::StartMargin)
        .Int("EndMargin", &TTabSet::EndMargin);
}

TEST_F(SkinControlsTest, TabSetShowsItsTabsFromTheFlippedStrip) {
    RegisterTestTabSet();
    auto* set = Add<TTabSet>(10, 10, 300, 24);
    auto* scroller = New<TTestTabScroller>(set);  // the tab set's first component
    scroller->SetParent(set);
    scroller->SetBounds(270, 2, 28, 20);
    scroller->SetVisible(false);
    set->Tabs()->Add("One");
    set->Tabs()->Add("Two");
    set->Tabs()->Add("Three");
    set->TabIndex = 1;
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    HWND h = set->Handle();
    ASSERT_TRUE(Skinned(h));
    auto* s = dynamic_cast<TSkinTab31*>(f->Skinners().ForControl(set));
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Scroller, scroller);
    ASSERT_NE(s->UpDown, nullptr);
    EXPECT_TRUE(Skinned(scroller->Handle()));
    EXPECT_TRUE(static_cast<TSkinUpDown*>(s->UpDown)->Horizontal);

    // Where the tabs start: each is its text's width plus 9 in the tab set's font.
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, set->Font()->Handle());
    auto textWidth = [&](const wchar_t* t) {
        SIZE size{};
        GetTextExtentPoint32W(screen, t, static_cast<int>(wcslen(t)), &size);
        return static_cast<int>(size.cx);
    };
    const int second = 5 + textWidth(L"One") + 9;
    const int third = second + textWidth(L"Two") + 9;
    const int end = third + textWidth(L"Three") + 9;
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);

    const int paints = set->OwnPaints;
    TShot shot = Paint(h);
    EXPECT_GT(set->OwnPaints, paints) << "the tab set's own painting runs as well";
    EXPECT_EQ(shot.At(2, 12), Rgb(skin_->ButtonFace)) << "the start margin";
    EXPECT_EQ(shot.At(6, 1), Probe("tabs.bmp", 1));
    EXPECT_EQ(shot.At(second + 1, 1), Probe("tabs.bmp", 2)) << "the selected tab";
    EXPECT_EQ(shot.At(third + 1, 1), Probe("tabs.bmp", 1));
    EXPECT_EQ(shot.At(end + 2, 12), Rgb(skin_->ButtonFace)) << "after the last tab";

    // From the first visible tab on.
    set->FirstIndex = 1;
    shot = Paint(h);
    EXPECT_EQ(shot.At(6, 1), Probe("tabs.bmp", 2));

    // A scroller freed under the skinner takes its arrows' skinner with it.
    scroller->Free();
    EXPECT_EQ(s->Scroller, nullptr);
    EXPECT_EQ(s->UpDown, nullptr);
    shot = Paint(h);
    EXPECT_EQ(shot.At(6, 1), Probe("tabs.bmp", 2));
}

TEST_F(SkinControlsTest, TrackBarThumbAndChannelByCustomDraw) {
    ShowSkinned();
    HWND track = CreateWindowExW(0, TRACKBAR_CLASSW, L"", WS_CHILD | WS_VISIBLE | TBS_NOTICKS, 10, 200, 160, 30,
                                 form_->Handle(), nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(track, nullptr);
    Owned<TSkinTrackBar> skinner(New<TSkinTrackBar>(nullptr));
    skinner->AttachWindow(track, skin_, nullptr, nullptr);
    const TShot blank = Paint(track);
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    HBITMAP bitmap = CreateCompatibleBitmap(GetDC(nullptr), blank.Width, blank.Height);
    HGDIOBJ old = SelectObject(dc, bitmap);
    NMCUSTOMDRAW draw{};
    draw.hdr.hwndFrom = track;
    draw.hdr.code = static_cast<UINT>(NM_CUSTOMDRAW);
    draw.hdc = dc;
    struct Stage {
        DWORD stage;
        DWORD_PTR item;
        LRESULT answer;
    } stages[] = {
        {CDDS_PREPAINT, 0, CDRF_NOTIFYITEMDRAW},     {CDDS_ITEMPREPAINT, TBCD_TICS, CDRF_DODEFAULT},
        {CDDS_ITEMPREPAINT, TBCD_CHANNEL, CDRF_SKIPDEFAULT}, {CDDS_ITEMPREPAINT, TBCD_THUMB, CDRF_SKIPDEFAULT},
        {CDDS_POSTPAINT, 0, CDRF_DODEFAULT},
    };
    for (const Stage& st : stages) {
        draw.dwDrawStage = st.stage;
        draw.dwItemSpec = st.item;
        EXPECT_EQ(SendMessageW(track, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&draw)), st.answer) << st.stage;
    }
    RECT thumb{}, channel{};
    SendMessageW(track, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&thumb));
    SendMessageW(track, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&channel));
    const COLORREF t = GetPixel(dc, (thumb.left + thumb.right) / 2, (thumb.top + thumb.bottom) / 2);
    EXPECT_EQ(Rgb(static_cast<TColor>(t)), Probe("trackthumbhorz.bmp", 2)) << "cell 2 of the thumb strip";
    const int cx = thumb.right + 10, cy = (channel.top + channel.bottom) / 2;
    EXPECT_EQ(Rgb(static_cast<TColor>(GetPixel(dc, cx, cy))), Probe("track.bmp", 1)) << "the channel";
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    skinner.reset();
    DestroyWindow(track);
}

TEST_F(SkinControlsTest, HeaderHotItemFollowsTheMouse) {
    ShowSkinned();
    HWND header = CreateWindowExW(0, WC_HEADERW, L"", WS_CHILD | WS_VISIBLE, 10, 240, 200, 22, form_->Handle(),
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
    for (int i = 0; i < 2; ++i) {
        wchar_t text[] = L"Col";
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH | HDI_FORMAT;
        item.cxy = 80;
        item.pszText = text;
        item.fmt = HDF_LEFT | HDF_STRING;
        SendMessageW(header, HDM_INSERTITEMW, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&item));
    }
    Owned<TSkinHeader> skinner(New<TSkinHeader>(nullptr));
    skinner->AttachWindow(header, skin_, nullptr, nullptr);
    EXPECT_EQ(Paint(header).At(1, 1), Probe("headerbar.bmp", 1));
    EXPECT_EQ(Paint(header).At(81, 1), Probe("headerbar.bmp", 1));
    SendMessageW(header, WM_MOUSEMOVE, 0, MAKELPARAM(120, 10));
    EXPECT_EQ(skinner->HotItem, 1);
    EXPECT_EQ(Paint(header).At(81, 1), Probe("headerbar.bmp", 2));
    EXPECT_EQ(Paint(header).At(190, 1), Probe("headerbar.bmp", 1)) << "the space right of the items";
    SendMessageW(header, WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(Paint(header).At(81, 1), Probe("headerbar.bmp", 1));
    skinner.reset();
    DestroyWindow(header);
}

// A tool button and a tool bar of another library that carry menus.
class TTestMenuToolButton : public TToolButton {
    VESTREL_CLASS(TTestMenuToolButton, TToolButton)
public:
    using TToolButton::TToolButton;
    TMenuItem* Item = nullptr;
    TMenuItem* MenuItem() const { return Item; }
};

class TTestMenuToolBar : public TToolBar {
    VESTREL_CLASS(TTestMenuToolBar, TToolBar)
public:
    using TToolBar::TToolBar;
    TMenu* Bar = nullptr;
    TMenu* Menu() const { return Bar; }
};

TEST_F(SkinControlsTest, MenusOfToolButtonsAndToolBarsDrawnByTheSkinWhileSkinned) {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterProperties<TTestMenuToolButton>().Object("MenuItem", &TTestMenuToolButton::MenuItem);
        RegisterProperties<TTestMenuToolBar>().Object("Menu", &TTestMenuToolBar::Menu);
    }
    auto* buttonMenu = New<TPopupMenu>(holder_.get());
    auto* file = New<TMenuItem>(buttonMenu);
    file->SetCaption("File");
    buttonMenu->Items()->Add(file);
    auto* open = New<TMenuItem>(buttonMenu);
    open->SetCaption("Open");
    file->Add(open);
    auto* barMenu = New<TPopupMenu>(holder_.get());
    auto* barItem = New<TMenuItem>(barMenu);
    barItem->SetCaption("Bar");
    barMenu->Items()->Add(barItem);

    auto* bar = Add<TTestMenuToolBar>(0, 0, 200, 26);
    bar->Bar = barMenu;
    auto* withMenu = New<TTestMenuToolButton>(form_.get());
    withMenu->SetParent(bar);
    withMenu->Item = file;
    auto* plain = New<TTestMenuToolButton>(form_.get());
    plain->SetParent(bar);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    ASSERT_TRUE(f->NCSkinned());

    EXPECT_TRUE(file->OnDrawItem) << "the button's item itself";
    EXPECT_TRUE(file->OnMeasureItem);
    EXPECT_TRUE(open->OnDrawItem) << "and the items below it";
    EXPECT_TRUE(barItem->OnDrawItem) << "the tool bar's menu";
    EXPECT_FALSE(barMenu->Items()->OnDrawItem);
    EXPECT_EQ(f->Skinners().ForControl(plain), nullptr) << "a button without a menu gets no skinner";
    ASSERT_NE(f->Skinners().ForControl(withMenu), nullptr);

    // The button goes: the painter comes off its menu.
    withMenu->Free();
    EXPECT_FALSE(file->OnDrawItem);
    EXPECT_FALSE(open->OnDrawItem);
    // The tool bar's menu goes first: the form skinner's end touches nothing of it.
    barMenu->Free();
    form_.reset();
    EXPECT_FALSE(buttonMenu->Items()->Items(0)->OnDrawItem);
}

TEST(SkinToolBarPainter, FrameByCustomDrawState) {
    struct Case {
        UINT state;
        int frame;
    } cases[] = {
        {CDIS_SELECTED | CDIS_HOT, 2}, {CDIS_HOT, 4}, {CDIS_FOCUS, 4}, {CDIS_DEFAULT, 1},
        {CDIS_DEFAULT | CDIS_DISABLED, 0}, {CDIS_DEFAULT | CDIS_GRAYED, 0}, {0, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ToolBarButtonFrame(c.state), c.frame) << c.state;
}

TEST_F(SkinControlsTest, ControlWithANewWindowStaysSkinned) {
    auto* button = Add<TButton>(10, 10, 90, 28, "OK");
    auto* edit = Add<TEdit>(10, 50, 120, 22);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    const int count = f->Skinners().Count();
    const HWND old = button->Handle();
    button->RecreateWnd();
    const HWND fresh = button->Handle();
    ASSERT_NE(fresh, old);
    EXPECT_TRUE(PumpUntil([&] { return Skinned(fresh); }));
    TSkinControl* s = f->Skinners().ForControl(button);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Handle, fresh);
    EXPECT_EQ(f->Skinners().Count(), count) << "the dead skinner went";
    const std::uint32_t face = Paint(fresh).At(1, 1);
    EXPECT_TRUE(face == Probe("buttons.bmp", 1) || face == Probe("buttons.bmp", 5)) << std::hex << face;
    // The edit was not touched: its skinner stays as it was.
    EXPECT_TRUE(Skinned(edit->Handle()));
    EXPECT_EQ(Paint(edit->Handle()).At(0, 0), Rgb(skin_->ButtonShadow));
}

TEST_F(SkinControlsTest, OlderSkinnerFreedUnderANewerOneLeavesItInPlace) {
    auto* button = Add<TButton>(10, 10, 90, 28, "OK");
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    HWND h = button->Handle();
    TSkinControl* older = f->Skinners().ForControl(button);
    ASSERT_NE(older, nullptr);
    // The older skinner lost its window; a newer one took the control on top of it.
    older->SkinState = TSkinControl::ssDead;
    f->Skinners().Remove(older);
    TSkinControl* newer = AttachSkinner(*f, skinrules::TSkinnerKind::Button, button, false);
    ASSERT_NE(newer, nullptr);
    older->Free();
    EXPECT_TRUE(Skinned(h)) << "the newer skinner still gets the control's messages";
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(Paint(h).At(1, 1), Probe("buttons.bmp", 4));
    newer->Free();
    EXPECT_FALSE(Skinned(h)) << "and gives the control its own procedure back";
}

TEST_F(SkinControlsTest, FormWithANewWindowKeepsItsControlsSkinned) {
    auto* button = Add<TButton>(10, 10, 90, 28, "OK");
    TAppSkinForm* first = ShowSkinned();
    ASSERT_NE(first, nullptr);
    const HWND old = form_->Handle();
    form_->RecreateWnd();
    const HWND fresh = form_->Handle();
    ASSERT_NE(fresh, old);
    // The new window gets a new form skinner; the old one is freed once its window is gone.
    TAppSkinForm* second = nullptr;
    EXPECT_TRUE(PumpUntil([&] {
        second = SkinManager()->FindForm(fresh);
        if (!second) SkinManager()->SkinForm(form_.get());
        return second && second->State == TAppSkinForm::fsSkinned && SkinManager()->FormCount() == 1;
    }));
    DrainMessages();
    ASSERT_NE(second, nullptr);
    // The controls' new skinners outlive the old form skinner's.
    HWND h = button->Handle();
    EXPECT_TRUE(Skinned(h));
    ASSERT_NE(second->Skinners().ForControl(button), nullptr);
    EXPECT_EQ(second->Skinners().ForControl(button)->Handle, h);
    const std::uint32_t face = Paint(h).At(1, 1);
    EXPECT_TRUE(face == Probe("buttons.bmp", 1) || face == Probe("buttons.bmp", 5)) << std::hex << face;
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(20, 10));
    EXPECT_EQ(Paint(h).At(1, 1), Probe("buttons.bmp", 4)) << "hot";
}

// A date-time picker control of this program's kind, over the common control.
class TTestDatePicker : public TWinControl {
    VESTREL_CLASS(TTestDatePicker, TWinControl)
public:
    explicit TTestDatePicker(TComponent* owner) : TWinControl(owner) {}

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        CreateSubClass(params, L"SysDateTimePick32");
        params.Style |= WS_BORDER;
    }
};

// The element's picture becomes `count` flat cells of `size` pixels, one colour each.
void FlatCells(TDataSkinObject* element, const std::uint32_t* colours, int count, int size) {
    element->Image->SetPixelFormat(pf24bit);
    element->Image->SetSize(count * size, size);
    for (int i = 0; i < count; ++i) {
        const std::uint32_t c = colours[i];
        HBRUSH brush = CreateSolidBrush(RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        RECT cell{size * i, 0, size * i + size, size};
        FillRect(element->Image->Canvas()->Handle(), &cell, brush);
        DeleteObject(brush);
    }
    element->FrameCount = count;
}

TEST_F(SkinControlsTest, DatePickerMatchedByTheClassMapGetsTheArrowButton) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<String> map = skin_->Skin3rdLines();
    map.push_back("TTestDatePicker=datetimepicker");
    skin_->SetSkin3rd(map);
    const std::uint32_t cells[4] = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    FlatCells(skin_->ComboArrow.get(), cells, 4, 17);
    auto* picker = Add<TTestDatePicker>(10, 10, 160, 24);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    auto* skinner = dynamic_cast<TSkinDateTime*>(f->Skinners().ForControl(picker));
    ASSERT_NE(skinner, nullptr);
    ASSERT_TRUE(Skinned(picker->Handle()));
    TArrowButton* arrow = skinner->Arrow();
    ASSERT_NE(arrow, nullptr);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    auto arrowShown = [&] {
        skintest::TPixelBuffer b(a, a + 1);
        arrow->PaintTo(b.DC());
        return b.At(a / 2, a / 2);
    };
    EXPECT_EQ(arrowShown(), cells[0]) << "normal";
    SendMessageW(arrow->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    EXPECT_EQ(arrowShown(), cells[3]) << "hot";
    SendMessageW(arrow->Handle(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(arrowShown(), cells[0]) << "left";
    const TShot border = Paint(picker->Handle(), WM_PRINT);
    EXPECT_EQ(border.At(0, 12), Rgb(skin_->ButtonShadow));
    EXPECT_EQ(border.At(1, 12), 0xFFFFFFu);
}

TEST_F(SkinControlsTest, ScrollBarsAndPickersOfOtherModulesAreMatched) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    auto child = [&](const wchar_t* cls, DWORD style, int top, int height) {
        return CreateWindowExW(0, cls, L"", WS_CHILD | WS_VISIBLE | style, 10, top, 200, height, form_->Handle(),
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    };
    HWND bar = child(L"SCROLLBAR", SBS_HORZ, 200, 17);
    SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
    MatchWindow(*f, bar);
    EXPECT_EQ(f->Skinners().ForWindow(bar), nullptr) << "scroll bars are not in the skin's control set";
    skin_->SkinControls |= SkinBit(xcScrollbar);
    MatchWindow(*f, bar);
    auto* scroll = dynamic_cast<TSkinScControl*>(f->Skinners().ForWindow(bar));
    ASSERT_NE(scroll, nullptr);
    ASSERT_NE(scroll->Bar(), nullptr);
    EXPECT_TRUE(scroll->Bar()->Shown());
    RECT over{}, under{};
    GetWindowRect(scroll->Bar()->Handle(), &over);
    GetWindowRect(bar, &under);
    EXPECT_TRUE(EqualRect(&over, &under));
    // The skinner follows the bar's messages: a new position moves the overlay's thumb.
    const int before = scroll->Bar()->Thumb().Start;
    SendMessageW(bar, SBM_SETPOS, 100, TRUE);
    EXPECT_GT(scroll->Bar()->Thumb().Start, before);

    HWND grip = child(L"SCROLLBAR", SBS_SIZEGRIP, 230, 17);
    MatchWindow(*f, grip);
    EXPECT_NE(dynamic_cast<TSkinSizer*>(f->Skinners().ForWindow(grip)), nullptr);

    HWND picker = child(L"SysDateTimePick32", WS_BORDER, 10, 24);
    MatchWindow(*f, picker);
    auto* date = dynamic_cast<TSkinDateTime*>(f->Skinners().ForWindow(picker));
    ASSERT_NE(date, nullptr);
    EXPECT_NE(date->Arrow(), nullptr);
    // A window destroyed under its skinner leaves no overlay behind.
    HWND overlay = scroll->Bar()->Handle();
    DestroyWindow(bar);
    EXPECT_FALSE(IsWindow(overlay));
}

TEST_F(SkinControlsTest, SimpleComboListGetsTheScrollBarSkinner) {
    skin_->SkinControls |= SkinBit(xcScrollbar);
    auto* combo = Add<TComboBox>(10, 10, 140, 120);
    combo->SetStyle(csSimple);
    for (int i = 0; i < 20; ++i) combo->Items()->Add("item " + std::to_string(i));
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    auto* skinner = dynamic_cast<TSkinComBox*>(f->Skinners().ForControl(combo));
    ASSERT_NE(skinner, nullptr);
    auto* list = dynamic_cast<TSkinScrollbarH*>(skinner->ListScrollBar);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->Handle, skinner->ListWnd);
    EXPECT_TRUE(list->VertBar()->Shown());
}

// A media player of the platform's kind, for the overlay: its buttons as sets by name.
class TTestMediaPlayer : public TCustomControl {
    VESTREL_CLASS(TTestMediaPlayer, TCustomControl)
public:
    explicit TTestMediaPlayer(TComponent* owner) : TCustomControl(owner) {}
    int VisibleButtons = 0;
    int EnabledButtons = 0;
    int ColoredButtons = 0;
    int Downs = 0;
    int Ups = 0;

protected:
    void Dispatch(TMessage& m) override {
        if (m.Msg == WM_LBUTTONDOWN) ++Downs;
        if (m.Msg == WM_LBUTTONUP) ++Ups;
        TCustomControl::Dispatch(m);
    }
};

void RegisterTestMediaPlayer() {
    static bool done = false;
    if (done) return;
    done = true;
    const std::initializer_list<const char*> names = {"btPlay", "btPause", "btStop", "btNext", "btPrev",
                                                       "btStep", "btBack", "btRecord", "btEject"};
    RegisterProperties<TTestMediaPlayer>()
        .Set("VisibleButtons", &TTestMediaPlayer::VisibleButtons, nullptr, names)
        .Set("EnabledButtons", &TTestMediaPlayer::EnabledButtons, nullptr, names)
        .Set("ColoredButtons", &TTestMediaPlayer::ColoredButtons, nullptr, names);
}

TEST_F(SkinControlsTest, MediaPlayerOverlayDrawsAndForwardsPresses) {
    RegisterTestMediaPlayer();
    auto* player = Add<TTestMediaPlayer>(10, 150, 180, 30);
    player->VisibleButtons = 0x7;  // play, pause, stop
    player->EnabledButtons = 0x5;  // play, stop
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    TSkinControl* s = AttachSkinner(*f, skinrules::TSkinnerKind::MediaPlayer, player, false);
    ASSERT_NE(s, nullptr);
    TWMediaPlayer* overlay = static_cast<TSkinMP*>(s)->Overlay;
    ASSERT_NE(overlay, nullptr);
    EXPECT_EQ(overlay->BoundsRect(), player->BoundsRect());
    HWND h = overlay->Handle();
    const TShot shot = Paint(h);
    EXPECT_EQ(overlay->ButtonWidth, 60);
    EXPECT_EQ(shot.At(1, 1), Probe("buttons.bmp", 1)) << "play";
    EXPECT_EQ(shot.At(61, 1), Probe("buttons.bmp", 3)) << "pause, disabled";
    EXPECT_EQ(shot.At(121, 1), Probe("buttons.bmp", 1)) << "stop";
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 10));
    EXPECT_EQ(player->Downs, 1);
    EXPECT_EQ(overlay->PressedButton, 2);
    EXPECT_EQ(Paint(h).At(121, 1), Probe("buttons.bmp", 2)) << "stop, pressed";
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(130, 10));
    EXPECT_EQ(player->Ups, 1);
    // Released over another button: the player does not see the release.
    SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 10));
    SendMessageW(h, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(player->Ups, 1);
    // The player moved: the overlay follows.
    player->SetBounds(20, 160, 180, 30);
    EXPECT_EQ(overlay->BoundsRect(), player->BoundsRect());
}

// A check control of another library that takes a glyph strip through its properties.
class TTestGlyphCheck : public TCustomControl {
    VESTREL_CLASS(TTestGlyphCheck, TCustomControl)
public:
    explicit TTestGlyphCheck(TComponent* owner) : TCustomControl(owner), Glyphs(std::make_unique<TBitmap>()) {}
    TBitmap* CustomGlyphs() const { return Glyphs.get(); }
    std::unique_ptr<TBitmap> Glyphs;
    int transparentcolor = 0;
    bool UseCustomGlyphs = false;
    int Switches = 0;
    void SetUse(bool value) {
        UseCustomGlyphs = value;
        ++Switches;
    }
};

TEST_F(SkinControlsTest, GlyphStripPushedIntoAnotherLibrarysCheckBox) {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterProperties<TTestGlyphCheck>()
            .Object("CustomGlyphs", &TTestGlyphCheck::CustomGlyphs)
            .Int("transparentcolor", &TTestGlyphCheck::transparentcolor)
            .Bool("UseCustomGlyphs", &TTestGlyphCheck::UseCustomGlyphs,
                  [](TTestGlyphCheck& c, bool v) { c.SetUse(v); });
    }
    auto* check = Add<TTestGlyphCheck>(10, 10, 100, 20);
    TAppSkinForm* f = ShowSkinned();
    ASSERT_NE(f, nullptr);
    TSkinControl* s = AttachSkinner(*f, skinrules::TSkinnerKind::ObjImageCheck, check, false);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->Mode, 1);
    TBitmap* strip = check->Glyphs.get();
    ASSERT_EQ(strip->Width(), 13 * 9);  // nine cells of the 13-pixel check strip
    auto cell = [&](int i) {
        return Rgb(static_cast<TColor>(GetPixel(strip->Canvas()->Handle(), 13 * i + 6, 6)));
    };
    EXPECT_EQ(cell(0), Probe("checkbox.bmp", 1));
    EXPECT_EQ(cell(4), Probe("checkbox.bmp", 2));
    EXPECT_EQ(cell(6), Probe("checkbox.bmp", 3));
    EXPECT_EQ(cell(7), Probe("checkbox.bmp", 4));
    EXPECT_EQ(cell(2), 0xFF00FFu) << "no fifth source cell: left transparent";
    EXPECT_EQ(check->transparentcolor, 0xFF00FF);
    EXPECT_TRUE(check->UseCustomGlyphs);
    EXPECT_EQ(check->Switches, 2);  // off, then on
    s->Unskin();
    EXPECT_FALSE(check->UseCustomGlyphs);
}

}  // namespace
