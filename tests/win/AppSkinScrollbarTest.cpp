// Scroll-bar overlays on real scroll bars against the probe skin (one flat colour per element and
// frame): each part's frame per state, the overlay kept over the bar and hidden with it, and
// presses handed to the control at the right spot.
#include "AppSkinScrollbar.h"

#include "AppSkinData.h"
#include "SkinArt.h"
#include "SkinManage.h"
#include "SkinTestSupport.h"

#include "Forms.h"
#include "StdCtrls.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <memory>
#include <vector>

namespace {

using skintest::ElementIndex;
using skintest::PumpUntil;
using skintest::TPixelBuffer;

std::vector<std::pair<UINT, int>> scrolls;  // (message, code) the parent and the window heard

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_HSCROLL || message == WM_VSCROLL) scrolls.emplace_back(message, LOWORD(wParam));
    return DefWindowProcW(window, message, wParam, lParam);
}

class SkinScrollbarTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartWindowTests();
        holder_.reset(skintest::LoadProbeSkin("xcScrollbar"));
        skin_ = static_cast<TSkinData*>(holder_->FindComponent("SkinData1"));
        WNDCLASSW wc{};
        wc.lpfnWndProc = RecordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VestrelScrollProbe";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&wc);
        parent_ = CreateWindowExW(0, L"VestrelScrollProbe", L"bars", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40,
                                  400, 300, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(parent_, SW_SHOWNORMAL);
        scrolls.clear();
    }
    void TearDown() override {
        DestroyWindow(parent_);
        holder_.reset();
        SetSkinEngineEnabled(false);
        DrainMessages();
    }

    // A child window with both bars: range 0..100, page 20.
    HWND ChildWithBars() {
        HWND child = CreateWindowExW(0, L"VestrelScrollProbe", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                     10, 10, 200, 200, parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
        info.nMax = 100;
        info.nPage = 20;
        SetScrollInfo(child, SB_VERT, &info, TRUE);
        SetScrollInfo(child, SB_HORZ, &info, TRUE);
        return child;
    }

    std::uint32_t Colour(const char* file, int frame) { return skinart::ProbeColour(ElementIndex(file), frame); }

    struct TFree {
        void operator()(TComponent* c) const { c->Free(); }
    };
    // A skinner of the window, without a form skinner; nullptr when it did not attach.
    template <class T>
    std::unique_ptr<T, TFree> Attach(HWND window) {
        std::unique_ptr<T, TFree> skinner(New<T>(nullptr));
        skinner->AttachWindow(window, skin_, nullptr, nullptr);
        if (!skinner->Attached) skinner.reset();
        return skinner;
    }
    std::unique_ptr<TComponent, TFree> holder_;
    TSkinData* skin_ = nullptr;
    HWND parent_ = nullptr;
};

TEST_F(SkinScrollbarTest, OverlayLiesOnTheBarAndFollowsIt) {
    ASSERT_TRUE(HasScrollBarInfo());
    HWND child = ChildWithBars();
    auto skinner = Attach<TSkinScrollbarH>(child);
    ASSERT_NE(skinner, nullptr);
    TWScrollbar* vert = skinner->VertBar();
    ASSERT_TRUE(vert->Shown());
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(child, OBJID_VSCROLL, &info);
    RECT overlay{};
    GetWindowRect(vert->Handle(), &overlay);
    EXPECT_TRUE(EqualRect(&overlay, &info.rcScrollBar));
    EXPECT_TRUE(skinner->HorzBar()->Shown());

    // The bar goes: so does its overlay, until it comes back.
    ShowScrollBar(child, SB_VERT, FALSE);
    EXPECT_FALSE(vert->Shown());
    EXPECT_FALSE(IsWindowVisible(vert->Handle()));
    ShowScrollBar(child, SB_VERT, TRUE);
    EXPECT_TRUE(vert->Shown());
    DestroyWindow(child);
}

TEST_F(SkinScrollbarTest, PartsOfAWindowsBarPerState) {
    HWND child = ChildWithBars();
    auto skinner = Attach<TSkinScrollbarH>(child);
    ASSERT_NE(skinner, nullptr);
    TWScrollbar* vert = skinner->VertBar();
    RECT r{};
    GetWindowRect(vert->Handle(), &r);
    const int w = r.right - r.left, h = r.bottom - r.top, a = vert->ArrowSize();
    const skinrules::TThumb thumb = vert->Thumb();
    ASSERT_TRUE(thumb.Shown);
    const int x = w / 2;
    auto shot = [&](int hot, bool pressing) {
        vert->HotZone = hot;
        vert->Pressing = pressing;
        auto buffer = std::make_unique<TPixelBuffer>(w, h);
        vert->PaintTo(buffer->DC());
        return buffer;
    };
    {
        auto b = shot(-1, false);
        EXPECT_EQ(b->At(x, a / 2), Colour("scrollbararrows.bmp", 9));
        EXPECT_EQ(b->At(x, h - a / 2), Colour("scrollbararrows.bmp", 13));
        EXPECT_EQ(b->At(x, (thumb.End + h - a) / 2), Colour("vertscroll.bmp", 1));
        EXPECT_EQ(b->At(x, thumb.Start + 1), Colour("vertthumb.bmp", 1));
        EXPECT_EQ(b->At(x, (thumb.Start + thumb.End) / 2), Colour("scrollbararrows.bmp", 20));
    }
    {
        auto b = shot(skinrules::ZoneFirstArrow, false);
        EXPECT_EQ(b->At(x, a / 2), Colour("scrollbararrows.bmp", 12));
        EXPECT_EQ(b->At(x, h - a / 2), Colour("scrollbararrows.bmp", 13));
    }
    {
        auto b = shot(skinrules::ZoneSecondArrow, true);
        EXPECT_EQ(b->At(x, h - a / 2), Colour("scrollbararrows.bmp", 14));
    }
    {
        auto b = shot(skinrules::ZoneThumb, false);
        EXPECT_EQ(b->At(x, thumb.Start + 1), Colour("vertthumb.bmp", 3));
        EXPECT_EQ(b->At(x, (thumb.Start + thumb.End) / 2), Colour("scrollbararrows.bmp", 22));
    }
    // A disabled bar: the track's frame 3 and no thumb.
    EnableScrollBar(child, SB_VERT, ESB_DISABLE_BOTH);
    {
        auto b = shot(-1, false);
        EXPECT_EQ(b->At(x, thumb.Start + 1), Colour("vertscroll.bmp", 3));
        EXPECT_EQ(b->At(x, (thumb.Start + thumb.End) / 2), Colour("vertscroll.bmp", 3));
    }
    DestroyWindow(child);
}

TEST_F(SkinScrollbarTest, PressOnTheOverlayScrollsTheWindow) {
    HWND child = ChildWithBars();
    auto skinner = Attach<TSkinScrollbarH>(child);
    ASSERT_NE(skinner, nullptr);
    TWScrollbar* vert = skinner->VertBar();
    RECT r{};
    GetClientRect(vert->Handle(), &r);
    // The second arrow: the system's own tracking runs until the button comes up.
    const LPARAM at = MAKELPARAM(r.right / 2, r.bottom - vert->ArrowSize() / 2);
    PostMessageW(child, WM_LBUTTONUP, 0, 0);
    SendMessageW(vert->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    ASSERT_FALSE(scrolls.empty());
    EXPECT_EQ(scrolls.front(), (std::pair<UINT, int>{WM_VSCROLL, SB_LINEDOWN}));
    EXPECT_FALSE(vert->Pressing);
    DestroyWindow(child);
}

TEST_F(SkinScrollbarTest, ScrollBarControlThumbFollowsItsPosition) {
    HWND bar = CreateWindowExW(0, L"SCROLLBAR", L"", WS_CHILD | WS_VISIBLE | SBS_HORZ, 10, 240, 216, 17, parent_,
                               nullptr, GetModuleHandleW(nullptr), nullptr);
    SetScrollRange(bar, SB_CTL, 0, 100, TRUE);
    SetScrollPos(bar, SB_CTL, 0, TRUE);
    auto skinner = Attach<TSkinScControl>(bar);
    ASSERT_NE(skinner, nullptr);
    TWScrollbar* overlay = skinner->Bar();
    ASSERT_TRUE(overlay->Shown());
    const int a = overlay->ArrowSize(), y = 8;
    auto shot = [&] {
        auto buffer = std::make_unique<TPixelBuffer>(216, 17);
        overlay->PaintTo(buffer->DC());
        return buffer;
    };
    {
        auto b = shot();
        EXPECT_EQ(b->At(a / 2, y), Colour("scrollbararrows.bmp", 1));
        EXPECT_EQ(b->At(216 - a / 2, y), Colour("scrollbararrows.bmp", 5));
        EXPECT_EQ(b->At(a + 1, y), Colour("horzthumb.bmp", 1));
        EXPECT_EQ(b->At(216 - a - 2, y), Colour("horzscroll.bmp", 1));
    }
    SendMessageW(bar, SBM_SETPOS, 100, TRUE);
    EXPECT_EQ(overlay->Thumb().End, 216 - a);
    {
        auto b = shot();
        EXPECT_EQ(b->At(216 - a - 2, y), Colour("horzthumb.bmp", 1));
        EXPECT_EQ(b->At(a + 1, y), Colour("horzscroll.bmp", 1));
    }
    // A press on the first arrow goes to the control, which tells its parent.
    PostMessageW(bar, WM_LBUTTONUP, 0, MAKELPARAM(a / 2, y));
    SendMessageW(overlay->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(a / 2, y));
    ASSERT_FALSE(scrolls.empty());
    EXPECT_EQ(scrolls.front(), (std::pair<UINT, int>{WM_HSCROLL, SB_LINEUP}));
    DestroyWindow(bar);
}

TEST_F(SkinScrollbarTest, DateTimePickerGetsTheSkinsArrowAndBorder) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_DATE_CLASSES};
    InitCommonControlsEx(&icc);
    HWND picker = CreateWindowExW(0, L"SysDateTimePick32", L"", WS_CHILD | WS_VISIBLE | WS_BORDER, 10, 10, 160, 24,
                                  parent_, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(picker, nullptr);
    // A combo arrow of four cells, one colour each.
    const std::uint32_t cells[4] = {0x102030, 0x405060, 0x708090, 0xA0B0C0};
    TDataSkinObject* arrow = skin_->ComboArrow.get();
    ASSERT_NE(arrow, nullptr);
    arrow->Image->SetPixelFormat(pf24bit);
    arrow->Image->SetSize(4 * 17, 17);
    for (int i = 0; i < 4; ++i) {
        const std::uint32_t c = cells[i];
        HBRUSH brush = CreateSolidBrush(RGB(c >> 16, (c >> 8) & 0xFF, c & 0xFF));
        RECT cell{17 * i, 0, 17 * i + 17, 17};
        FillRect(arrow->Image->Canvas()->Handle(), &cell, brush);
        DeleteObject(brush);
    }
    arrow->FrameCount = 4;

    auto skinner = Attach<TSkinDateTime>(picker);
    ASSERT_NE(skinner, nullptr);
    TArrowButton* button = skinner->Arrow();
    ASSERT_NE(button->Handle(), nullptr);
    EXPECT_EQ(GetParent(button->Handle()), picker);
    EXPECT_NE(GetWindowLongW(picker, GWL_STYLE) & WS_CLIPCHILDREN, 0);
    RECT b{}, w{};
    GetWindowRect(button->Handle(), &b);
    GetWindowRect(picker, &w);
    const int a = GetSystemMetrics(SM_CXHSCROLL);
    EXPECT_EQ(b.right - b.left, a);
    EXPECT_EQ(b.bottom - b.top, a + 1);
    POINT origin{0, 0};
    ClientToScreen(picker, &origin);
    EXPECT_EQ(b.left - origin.x, (w.right - w.left) - a - 4);

    TPixelBuffer normal(a, a + 1);
    button->PaintTo(normal.DC());
    EXPECT_EQ(normal.At(a / 2, a / 2), cells[0]);
    button->Hot = true;
    TPixelBuffer hot(a, a + 1);
    button->PaintTo(hot.DC());
    EXPECT_EQ(hot.At(a / 2, a / 2), cells[3]);

    // The border: the skin's shadow colour, white inside it.
    TPixelBuffer frame(w.right - w.left, w.bottom - w.top);
    skinner->PaintSkin(frame.DC(), TRect(0, 0, w.right - w.left, w.bottom - w.top));
    EXPECT_EQ(frame.At(0, 12), skintest::Rgb(skin_->ButtonShadow));
    EXPECT_EQ(frame.At(1, 12), 0xFFFFFFu);
    DestroyWindow(picker);
}


// A list view of this program's kind: a control over the system's list view window.
class TTestListView : public TWinControl {
    VESTREL_CLASS(TTestListView, TWinControl)
public:
    explicit TTestListView(TComponent* owner) : TWinControl(owner) {}

protected:
    void CreateParams(TCreateParams& params) override {
        TWinControl::CreateParams(params);
        CreateSubClass(params, L"SysListView32");
        params.Style |= LVS_REPORT | WS_BORDER;
    }
};

TEST_F(SkinScrollbarTest, ControlOfTheProgramGetsOverlaysAndASkinnedBorder) {
    ASSERT_TRUE(HasScrollBarInfo());
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    form->SetBounds(40, 40, 320, 300);
    auto* memo = New<TMemo>(form.get());
    memo->SetParent(form.get());
    memo->SetBounds(10, 10, 200, 150);
    memo->SetScrollBars(TScrollBars::ssBoth);
    for (int i = 0; i < 60; ++i) memo->Lines()->Add("line " + std::to_string(i) + String(80, 'x'));
    form->Show();
    auto* skinner = New<TSkinScrollbar>(memo);
    skinner->AttachControl(nullptr, skin_, false, nullptr);
    ASSERT_TRUE(skinner->Attached);
    EXPECT_TRUE(skinner->PaintBorderLines);
    TWScrollbar* vert = skinner->VertBar();
    ASSERT_TRUE(vert->Shown());
    EXPECT_TRUE(skinner->HorzBar()->Shown());
    SCROLLBARINFO info{};
    info.cbSize = sizeof info;
    GetScrollBarInfo(memo->Handle(), OBJID_VSCROLL, &info);
    RECT overlay{};
    GetWindowRect(vert->Handle(), &overlay);
    EXPECT_TRUE(EqualRect(&overlay, &info.rcScrollBar));

    // The border: a line of the skin's shadow colour, one of its face colour inside.
    RECT w{};
    GetWindowRect(memo->Handle(), &w);
    TPixelBuffer border(w.right - w.left, w.bottom - w.top);
    EXPECT_EQ(SendMessageW(memo->Handle(), SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(border.DC()), SM_MAGIC), SM_MAGIC);
    EXPECT_EQ(border.At(0, 40), skintest::Rgb(skin_->ButtonShadow));
    EXPECT_EQ(border.At(1, 40), skintest::Rgb(skin_->ButtonFace));

    // Scrolling moves the overlay's thumb.
    const int before = vert->Thumb().Start;
    SendMessageW(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    SendMessageW(memo->Handle(), WM_VSCROLL, SB_PAGEDOWN, 0);
    EXPECT_GT(vert->Thumb().Start, before);

    // Hidden with the control; the skinner freed takes its overlays away and gives the procedure back.
    memo->SetVisible(false);
    EXPECT_FALSE(vert->Shown());
    memo->SetVisible(true);
    EXPECT_TRUE(vert->Shown());
    HWND overlayWindow = vert->Handle();
    skinner->Free();
    EXPECT_FALSE(IsWindow(overlayWindow));
    EXPECT_NE(SendMessageW(memo->Handle(), SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(border.DC()), SM_MAGIC), SM_MAGIC);
}

TEST_F(SkinScrollbarTest, ListViewHeaderIsSkinnedWithTheList) {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    form->SetBounds(40, 40, 320, 300);
    auto* list = New<TTestListView>(form.get());
    list->SetParent(form.get());
    list->SetBounds(10, 10, 250, 180);
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = 120;
    column.pszText = const_cast<wchar_t*>(L"Name");
    SendMessageW(list->Handle(), LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    form->Show();
    auto* skinner = New<TSkinListView>(list);
    skinner->AttachControl(nullptr, skin_, false, nullptr);
    ASSERT_TRUE(skinner->Attached);
    ASSERT_NE(skinner->Header(), nullptr);
    auto header = reinterpret_cast<HWND>(SendMessageW(list->Handle(), LVM_GETHEADER, 0, 0));
    EXPECT_EQ(skinner->Header()->Handle, header);
    EXPECT_EQ(SendMessageW(header, SM_ISSKINNED, 0, 0), 1);
    skinner->Free();
}

}  // namespace
