// The form skinner on real windows, against the probe skin (one flat colour per element and frame):
// the frame's pixels in each state, the client area kept across skin and unskin, hit tests, the
// close button run by the mouse, and a message box of the system skinned.
#include "AppSkinForm.h"

#include "AppSkinData.h"
#include "SkinArt.h"
#include "SkinManage.h"

#include "FormReader.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace {

struct TFree {
    void operator()(TComponent* c) const { c->Free(); }
};

int ElementIndex(const char* file) {
    const auto& elements = skinart::Elements();
    for (std::size_t i = 0; i < elements.size(); ++i)
        if (String(elements[i].File) == file) return static_cast<int>(i);
    return -1;
}

String HexOfFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> archive((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    static const char digits[] = "0123456789ABCDEF";
    std::vector<std::uint8_t> value(4);
    const auto n = static_cast<std::uint32_t>(archive.size());
    for (int i = 0; i < 4; ++i) value[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(n >> (8 * i));
    value.insert(value.end(), archive.begin(), archive.end());
    String text;
    for (std::uint8_t b : value) {
        text += digits[b >> 4];
        text += digits[b & 15];
    }
    return text;
}

template <typename Done>
bool PumpUntil(Done done, int timeoutMs = 3000) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > static_cast<DWORD>(timeoutMs)) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    }
    return true;
}

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

// A skin component holding the probe skin, read as the program reads its main form, and a plain
// top-level window of this module.
class SkinFormTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartWindowTests();
        SetSkinEngineEnabled(true);
        RegisterSkinClasses();
        holder_.reset(New<TComponent>(nullptr));
        ReadForm(holder_.get(),
                 "object Holder: TComponent\n  object SkinData1: TSkinData\n    Active = True\n"
                 "    SkinControls = [xcMainMenu, xcSystemMenu]\n    SkinStream = {" +
                     HexOfFile(std::string(VESTREL_SKIN_DIR) + "/probe.skn") + "}\n  end\nend\n",
                 "holder.txt");
        skin_ = static_cast<TSkinData*>(holder_->FindComponent("SkinData1"));
        ASSERT_NE(SkinManager(), nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VestrelSkinProbeWindow";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&wc);
    }
    void TearDown() override {
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        holder_.reset();
        EXPECT_EQ(SkinManager(), nullptr);
        SetSkinEngineEnabled(false);
        DrainMessages();
    }

    // A shown window, skinned once it answers the skinned query and has been started.
    HWND ShowSkinned(DWORD style = WS_OVERLAPPEDWINDOW) {
        window_ = CreateWindowExW(0, L"VestrelSkinProbeWindow", L"probe", style, 60, 60, 320, 200, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        RECT c{};
        GetClientRect(window_, &c);
        clientBefore_ = c;
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
        EXPECT_TRUE(PumpUntil([&] {
            TAppSkinForm* f = SkinManager()->FindForm(window_);
            return f && f->State == TAppSkinForm::fsSkinned && GetWindowRgn(window_, CreateRectRgn(0, 0, 0, 0)) != ERROR;
        }));
        return window_;
    }

    // The frame painted into a bitmap of the window's size; pixel (x, y) as 0xRRGGBB.
    struct TShot {
        std::vector<std::uint32_t> Pixels;
        int Width = 0;
        std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)] & 0xFFFFFF; }
    };
    TShot PaintFrame() {
        RECT r{};
        GetWindowRect(window_, &r);
        TShot shot;
        shot.Width = r.right - r.left;
        const int height = r.bottom - r.top;
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        ReleaseDC(nullptr, screen);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = shot.Width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        HGDIOBJ old = SelectObject(dc, bitmap);
        EXPECT_EQ(SendMessageW(window_, SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(dc), SM_MAGIC), SM_MAGIC);
        GdiFlush();
        const auto* p = static_cast<const std::uint32_t*>(bits);
        shot.Pixels.assign(p, p + shot.Width * height);
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
        return shot;
    }

    POINT ScreenOf(int x, int y) {
        RECT r{};
        GetWindowRect(window_, &r);
        return {r.left + x, r.top + y};
    }

    std::unique_ptr<TComponent, TFree> holder_;
    TSkinData* skin_ = nullptr;
    HWND window_ = nullptr;
    RECT clientBefore_{};
};

TEST_F(SkinFormTest, FramePixelsInEachState) {
    HWND window = ShowSkinned();
    RECT r{};
    GetWindowRect(window, &r);
    const int width = r.right - r.left, height = r.bottom - r.top;
    const int left = ElementIndex("frame-left.bmp"), right = ElementIndex("frame-right.bmp");
    const int top = ElementIndex("frame-top.bmp"), bottom = ElementIndex("frame-bottom.bmp");
    const int close = ElementIndex("caption-close.bmp"), min = ElementIndex("caption-min.bmp");
    // The close button: 18 x 18 at 24 from the right edge, 4 down; minimise 64 from the right.
    const int closeX = width - 24 + 9, minX = width - 64 + 9, buttonY = 4 + 9;

    struct Spot {
        const char* what;
        int x, y, element;
    } spots[] = {
        {"left side", 1, height / 2, left},   {"right side", width - 2, height / 2, right},
        {"caption", 14, 1, top},              {"bottom", width / 2, height - 2, bottom},
        {"close button", closeX, buttonY, close}, {"minimise button", minX, buttonY, min},
    };
    TShot active = PaintFrame();
    for (const Spot& s : spots) {
        SCOPED_TRACE(s.what);
        EXPECT_EQ(active.At(s.x, s.y), skinart::ProbeColour(s.element, 1));
    }

    // Hot and pressed: frames 3 and 2 of the button under the mouse.
    const POINT closeScreen = ScreenOf(closeX, buttonY);
    SendMessageW(window, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(closeScreen.x, closeScreen.y));
    EXPECT_EQ(PaintFrame().At(closeX, buttonY), skinart::ProbeColour(close, 3));
    SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(closeScreen.x, closeScreen.y));
    EXPECT_EQ(PaintFrame().At(closeX, buttonY), skinart::ProbeColour(close, 2));
    ReleaseCapture();
    EXPECT_EQ(PaintFrame().At(closeX, buttonY), skinart::ProbeColour(close, 1));

    // Inactive: frame 2 of the sides and caption, frame 4 of the buttons.
    SendMessageW(window, WM_NCACTIVATE, FALSE, 0);
    TShot inactive = PaintFrame();
    for (const Spot& s : spots) {
        SCOPED_TRACE(s.what);
        const bool button = s.element == close || s.element == min;
        EXPECT_EQ(inactive.At(s.x, s.y), skinart::ProbeColour(s.element, button ? 4 : 2));
    }
}

TEST_F(SkinFormTest, ClientAreaKeptAcrossSkinAndUnskin) {
    HWND window = ShowSkinned();
    RECT before{}, c{}, w{};
    GetWindowRect(window, &before);
    GetClientRect(window, &c);
    EXPECT_EQ(c.right, clientBefore_.right);
    EXPECT_EQ(c.bottom, clientBefore_.bottom);
    // Frame: 4 left and right, a 26-pixel caption, 4 at the bottom.
    GetWindowRect(window, &w);
    EXPECT_EQ(w.right - w.left, c.right + 8);
    EXPECT_EQ(w.bottom - w.top, c.bottom + 30);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    EXPECT_EQ(origin.x - w.left, 4);
    EXPECT_EQ(origin.y - w.top, 26);

    SkinManager()->UnskinAll();
    GetClientRect(window, &c);
    EXPECT_EQ(c.right, clientBefore_.right);
    EXPECT_EQ(c.bottom, clientBefore_.bottom);
    HRGN probe = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(GetWindowRgn(window, probe), ERROR);
    DeleteObject(probe);
    EXPECT_NE(SendMessageW(window, SM_ISSKINNED, 0, 0), 1);
}

TEST_F(SkinFormTest, HitTestsUnderTheSkinnedCaption) {
    HWND window = ShowSkinned();
    RECT w{};
    GetWindowRect(window, &w);
    const int width = w.right - w.left;
    struct Case {
        int x, y;
        LRESULT expected;
    } cases[] = {
        {width - 8, 12, HTCAPTION},  // where the system would put its close button
        {width / 2, 12, HTCAPTION},
        {width / 2, 60, HTCLIENT},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.x);
        const POINT p = ScreenOf(c.x, c.y);
        EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y)), c.expected);
    }
}

TEST_F(SkinFormTest, CloseButtonClickedClosesTheWindow) {
    HWND window = ShowSkinned();
    RECT w{};
    GetWindowRect(window, &w);
    const POINT p = ScreenOf(w.right - w.left - 24 + 9, 13);
    SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(p.x, p.y));
    EXPECT_TRUE(IsWindow(window));
    SendMessageW(window, WM_NCLBUTTONUP, HTCAPTION, MAKELPARAM(p.x, p.y));
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
    // The manager lets go of the dead window's skinner.
    EXPECT_TRUE(PumpUntil([&] { return SkinManager()->FormCount() == 0; }));
}

// Switching the skin off and on goes through the manager's single pending action: a second request
// before the timer replaces the first; a window activated while skinning is off stays unskinned
// until it is activated again with skinning on.
TEST_F(SkinFormTest, SwitchingTheSkinOffAndOn) {
    HWND window = ShowSkinned();
    TSkinManage* m = SkinManager();
    m->RequestingData = skin_;
    m->PostAction(TSkinManage::saUnskin, 30);
    m->PostAction(TSkinManage::saSkin, 30);
    EXPECT_TRUE(PumpUntil([&] { return m->RequestingData == nullptr; }));
    EXPECT_EQ(SendMessageW(window, SM_ISSKINNED, 0, 0), 1);

    skin_->SetActive(false);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(window, SM_ISSKINNED, 0, 0) != 1; }));
    EXPECT_FALSE(m->Active);
    HWND other = CreateWindowExW(0, L"VestrelSkinProbeWindow", L"other", WS_OVERLAPPEDWINDOW, 80, 80, 200, 120,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ShowWindow(other, SW_SHOWNORMAL);
    SetForegroundWindow(other);
    PumpUntil([] { return false; }, 200);
    EXPECT_NE(SendMessageW(other, SM_ISSKINNED, 0, 0), 1);

    skin_->SetActive(true);
    EXPECT_TRUE(PumpUntil([&] { return m->Active && m->RequestingData == nullptr; }));
    SetForegroundWindow(window);
    SetForegroundWindow(other);
    EXPECT_TRUE(PumpUntil([&] { return SendMessageW(other, SM_ISSKINNED, 0, 0) == 1; }));
    DestroyWindow(other);
}

bool boxSkinned = false;
int boxTicks = 0;

// Watches for the message box, notes whether it is skinned, and closes it (after 5 s at the latest).
void CALLBACK WatchMessageBox(HWND, UINT, UINT_PTR id, DWORD) {
    HWND box = FindWindowW(L"#32770", L"skin probe");
    if (!box) return;
    TAppSkinForm* f = SkinManager()->FindForm(box);
    boxSkinned = SendMessageW(box, SM_ISSKINNED, 0, 0) == 1 && f && f->State == TAppSkinForm::fsSkinned &&
                 f->Frame().Caption == 26;
    if (!boxSkinned && ++boxTicks < 100) return;
    KillTimer(nullptr, id);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
}

TEST_F(SkinFormTest, MessageBoxOfTheSystemIsSkinned) {
    boxSkinned = false;
    boxTicks = 0;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, WatchMessageBox);
    MessageBoxW(nullptr, L"text", L"skin probe", MB_OK);
    KillTimer(nullptr, timer);
    EXPECT_TRUE(boxSkinned);
}

}  // namespace
