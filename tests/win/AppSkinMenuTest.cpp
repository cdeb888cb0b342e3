// Skinned menus against the probe skin (one flat colour per element and frame): the item painter's
// pixels for a normal, hot, disabled, checked item and a separator; a popup-menu window skinned
// while it is shown, its items drawn over its background; the system menu's owner-drawn copy; and
// a form's popup menus owner-drawn only while the form is skinned.
#include "AppSkinMenu.h"

#include "AppSkinData.h"
#include "AppSkinForm.h"
#include "SkinArt.h"
#include "SkinManage.h"
#include "SkinTestSupport.h"

#include "Forms.h"
#include "TestControls.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using skintest::ElementIndex;
using skintest::PumpUntil;
using skintest::Rgb;
using skintest::TPixelBuffer;

LRESULT CALLBACK PlainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

class SkinMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartWindowTests();
        holder_.reset(skintest::LoadProbeSkin("xcMainMenu, xcPopupMenu, xcSystemMenu"));
        skin_ = static_cast<TSkinData*>(holder_->FindComponent("SkinData1"));
        ASSERT_NE(SkinManager(), nullptr);
        WNDCLASSW wc{};
        wc.lpfnWndProc = PlainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VestrelSkinMenuWindow";
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassW(&wc);
    }
    void TearDown() override {
        if (window_ && IsWindow(window_)) DestroyWindow(window_);
        holder_.reset();
        SetSkinEngineEnabled(false);
        DrainMessages();
    }

    HWND ShowSkinned() {
        window_ = CreateWindowExW(0, L"VestrelSkinMenuWindow", L"menus", WS_OVERLAPPEDWINDOW, 60, 60, 320, 200,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        ShowWindow(window_, SW_SHOWNORMAL);
        SetForegroundWindow(window_);
        EXPECT_TRUE(PumpUntil([&] {
            TAppSkinForm* f = SkinManager()->FindForm(window_);
            return f && f->State == TAppSkinForm::fsSkinned;
        }));
        return window_;
    }

    struct TFree {
        void operator()(TComponent* c) const { c->Free(); }
    };
    std::unique_ptr<TComponent, TFree> holder_;
    TSkinData* skin_ = nullptr;
    HWND window_ = nullptr;
};

TEST_F(SkinMenuTest, ItemPainterDrawsEachStateFromTheSkin) {
    TSkinMenuPainter painter(SkinManager(), skin_);
    const int item = ElementIndex("menuitem.bmp");
    const int width = 200, height = 20;
    struct Case {
        const char* what;
        TSkinMenuEntry entry;
        bool selected;
        std::uint32_t ground;    // at the item's right end, away from any text
        int textColour;          // the caption's colour, -1 when there is no caption
        int otherColour;         // a caption colour that must not appear
    };
    TSkinMenuEntry normal;
    normal.Caption = "&Open";
    TSkinMenuEntry disabled = normal;
    disabled.Enabled = false;
    TSkinMenuEntry checked = normal;
    checked.Checked = true;
    const Case cases[] = {
        {"normal", normal, false, skinart::ProbeColour(item, 1), skin_->MenuText, skin_->ButtonShadow},
        {"hot", normal, true, skinart::ProbeColour(item, 4), skin_->HilightText, skin_->MenuText},
        {"disabled", disabled, false, skinart::ProbeColour(item, 1), skin_->ButtonShadow, skin_->MenuText},
        {"checked", checked, false, skinart::ProbeColour(item, 1), skin_->MenuText, skin_->ButtonShadow},
    };
    const RECT captionBox{23, 0, 120, height}, glyphBox{4, 0, 20, height};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TPixelBuffer buffer(width, height);
        painter.Paint(buffer.DC(), TRect(0, 0, width, height), c.entry, c.selected, nullptr);
        EXPECT_EQ(buffer.At(width - 6, height / 2), c.ground);
        EXPECT_GT(buffer.Count(captionBox, Rgb(c.textColour)), 0);
        EXPECT_EQ(buffer.Count(captionBox, Rgb(c.otherColour)), 0);
        EXPECT_EQ(buffer.Count(glyphBox, Rgb(clBtnText)) > 0, c.entry.Checked);
    }

    // A separator: the line cut from frame 1 across the middle, the menu colour elsewhere (no
    // popup window shows this menu).
    TSkinMenuEntry line;
    line.Caption = "-";
    TPixelBuffer buffer(width, 8);
    painter.Paint(buffer.DC(), TRect(0, 0, width, 8), line, false, nullptr);
    EXPECT_EQ(buffer.At(width / 2, 3), skinart::ProbeColour(item, 1));
    EXPECT_EQ(buffer.At(width / 2, 4), skinart::ProbeColour(item, 1));
    EXPECT_EQ(buffer.At(width / 2, 0), Rgb(skin_->Menu));
    EXPECT_EQ(buffer.At(width / 2, 7), Rgb(skin_->Menu));

    // A skin without a menu-item element: flat fills of the menu and highlight colours.
    std::unique_ptr<TDataSkinObject> kept = std::move(skin_->MenuItem);
    TPixelBuffer plain(width, height);
    painter.Paint(plain.DC(), TRect(0, 0, width, height), normal, false, nullptr);
    EXPECT_EQ(plain.At(width - 6, height / 2), Rgb(skin_->Menu));
    painter.Paint(plain.DC(), TRect(0, 0, width, height), normal, true, nullptr);
    EXPECT_EQ(plain.At(width - 6, height / 2), Rgb(skin_->Hilight));
    skin_->MenuItem = std::move(kept);
}

// What a timer saw of the popup-menu window while it was shown.
struct TPopupSight {
    bool seen = false;
    bool skinned = false;
    std::uint32_t frame = 0, item = 0, lineGround = 0;
    int ticks = 0;
    HMENU menu = nullptr;
};
TPopupSight sight;

void CALLBACK LookAtPopup(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if ((!popup || !IsWindowVisible(popup) || ++sight.ticks < 4) && sight.ticks < 100) return;
    KillTimer(nullptr, id);
    if (popup) {
        sight.seen = true;
        sight.skinned = SendMessageW(popup, SM_ISSKINNED, 0, 0) == 1;
        RECT w{};
        GetWindowRect(popup, &w);
        TPixelBuffer buffer(w.right - w.left, w.bottom - w.top);
        buffer.GrabWindow(popup);
        sight.frame = buffer.At(1, 1);
        RECT first{}, line{};
        if (sight.menu && GetMenuItemRect(nullptr, sight.menu, 0, &first) && GetMenuItemRect(nullptr, sight.menu, 1, &line)) {
            sight.item = buffer.At(first.right - w.left - 4, (first.top + first.bottom) / 2 - w.top);
            sight.lineGround = buffer.At((line.left + line.right) / 2 - w.left, line.top - w.top);
        }
    }
    EndMenu();
}

TEST_F(SkinMenuTest, PopupMenuWindowSkinnedWhileShown) {
    TSkinMenuPainter painter(SkinManager(), skin_);
    auto* menu = New<TPopupMenu>(holder_.get());
    for (const char* caption : {"One", "-", "Two"}) {
        auto* item = New<TMenuItem>(menu);
        item->SetCaption(caption);
        menu->Items()->Add(item);
    }
    painter.PrepareItems(menu->Items(), true, false, 1);
    menu->SetOwnerDraw(true);

    sight = TPopupSight();
    sight.menu = menu->Handle();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtPopup);
    menu->Popup(100, 100);
    KillTimer(nullptr, timer);

    ASSERT_TRUE(sight.seen);
    EXPECT_TRUE(sight.skinned);
    const int background = ElementIndex("menubackground.bmp"), item = ElementIndex("menuitem.bmp");
    EXPECT_EQ(sight.frame, skinart::ProbeColour(background, 1));
    EXPECT_EQ(sight.item, skinart::ProbeColour(item, 1));
    // The separator's ground is the popup's skinned background behind it.
    EXPECT_EQ(sight.lineGround, skinart::ProbeColour(background, 1));
    // The window's skinner goes with the window.
    EXPECT_EQ(SkinManager()->PopupCount(), 0);
    EXPECT_EQ(SkinManager()->MenuKind, 0);
}

TEST_F(SkinMenuTest, PopupMenuKeepsTheSystemLookWhenItsKindIsNotSkinned) {
    skin_->SkinControls &= ~SkinBit(xcPopupMenu);
    auto* menu = New<TPopupMenu>(holder_.get());
    auto* item = New<TMenuItem>(menu);
    item->SetCaption("One");
    menu->Items()->Add(item);
    sight = TPopupSight();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtPopup);
    menu->Popup(100, 100);
    KillTimer(nullptr, timer);
    ASSERT_TRUE(sight.seen);
    EXPECT_FALSE(sight.skinned);
}

TEST_F(SkinMenuTest, SystemMenuShownAsASkinnedCopy) {
    HWND window = ShowSkinned();
    TAppSkinForm* form = SkinManager()->FindForm(window);
    ASSERT_NE(form, nullptr);
    RECT w{};
    GetWindowRect(window, &w);
    sight = TPopupSight();
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, LookAtPopup);
    SendMessageW(window, WM_NCRBUTTONDOWN, HTCAPTION, MAKELPARAM(w.left + 100, w.top + 10));
    KillTimer(nullptr, timer);
    ASSERT_TRUE(sight.seen);
    EXPECT_TRUE(sight.skinned);
    EXPECT_EQ(sight.frame, skinart::ProbeColour(ElementIndex("menubackground.bmp"), 1));

    TPopupMenu* copy = form->SystemMenuCopy();
    ASSERT_NE(copy, nullptr);
    HMENU system = GetSystemMenu(window, FALSE);
    ASSERT_EQ(copy->Items()->Count(), GetMenuItemCount(system));
    TMenuItem* close = nullptr;
    for (int i = 0; i < copy->Items()->Count(); ++i) {
        TMenuItem* item = copy->Items()->Items(i);
        SCOPED_TRACE(item->Caption());
        EXPECT_EQ(item->OnDrawItem, Event<&TSkinMenuPainter::DrawItem>(form->MenuPainter()));
        switch (item->Tag()) {
        case SC_RESTORE: EXPECT_FALSE(item->Enabled()); break;  // the window is normal
        case SC_MAXIMIZE: EXPECT_TRUE(item->Enabled()); break;
        case SC_CLOSE: close = item; break;
        default: break;
        }
    }
    ASSERT_NE(close, nullptr);
    close->Click();
    EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }));
}

TEST_F(SkinMenuTest, FormPopupMenusOwnerDrawnOnlyWhileSkinned) {
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    form->SetBounds(60, 60, 300, 200);
    auto* menu = New<TPopupMenu>(form.get());
    auto* item = New<TMenuItem>(menu);
    item->SetCaption("Open");
    menu->Items()->Add(item);
    auto* sub = New<TMenuItem>(menu);
    sub->SetCaption("Deeper");
    item->Add(sub);
    struct TOwnMeasure {
        void Measure(TObject*, TCanvas*, int& width, int&) { width = 77; }
    } own;
    sub->OnMeasureItem = Event<&TOwnMeasure::Measure>(&own);
    auto* exempt = New<TPopupMenu>(form.get());
    exempt->SetTag(skin_->DisableTag);
    auto* exemptItem = New<TMenuItem>(exempt);
    exempt->Items()->Add(exemptItem);

    form->Show();
    SetForegroundWindow(form->Handle());
    ASSERT_TRUE(PumpUntil([&] {
        TAppSkinForm* f = SkinManager()->FindForm(form->Handle());
        return f && f->State == TAppSkinForm::fsSkinned;
    }));
    EXPECT_TRUE(menu->OwnerDraw());
    EXPECT_TRUE(item->OnDrawItem);
    EXPECT_TRUE(item->OnMeasureItem);
    EXPECT_TRUE(sub->OnDrawItem);
    EXPECT_EQ(sub->OnMeasureItem, Event<&TOwnMeasure::Measure>(&own));
    EXPECT_FALSE(exempt->OwnerDraw());
    EXPECT_FALSE(exemptItem->OnDrawItem);

    SkinManager()->UnskinAll();
    EXPECT_FALSE(menu->OwnerDraw());
    EXPECT_FALSE(item->OnDrawItem);
    EXPECT_FALSE(item->OnMeasureItem);
    EXPECT_FALSE(sub->OnDrawItem);
    EXPECT_EQ(sub->OnMeasureItem, Event<&TOwnMeasure::Measure>(&own));
}

}  // namespace

namespace {

// A small form with a main menu: File (separators to tidy), Edit, and Help without a drop-down.
class SkinMenuBarTest : public SkinMenuTest {
protected:
    void SetUp() override {
        SkinMenuTest::SetUp();
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(60, 60, 360, 220);
        main_ = New<TMainMenu>(form_.get());
        auto add = [this](TMenuItem* parent, const char* caption) {
            auto* item = New<TMenuItem>(form_.get());
            item->SetCaption(caption);
            parent->Add(item);
            return item;
        };
        file_ = add(main_->Items(), "&File");
        for (const char* caption : {"-", "&Open", "-", "-", "E&xit", "-"}) add(file_, caption);
        add(add(main_->Items(), "&Edit"), "&Copy");
        add(main_->Items(), "&Help");
        SetMenu(form_->Handle(), main_->Handle());
        GetClientRect(form_->Handle(), &clientBefore_);
        form_->Show();
        SetForegroundWindow(form_->Handle());
        ASSERT_TRUE(PumpUntil([&] {
            TAppSkinForm* f = SkinManager()->FindForm(form_->Handle());
            return f && f->State == TAppSkinForm::fsSkinned && f->MenuBar() && f->MenuBar()->Count() == 3;
        }));
        skinner_ = SkinManager()->FindForm(form_->Handle());
    }
    void TearDown() override {
        form_.reset();
        SkinMenuTest::TearDown();
    }

    Owned<TForm> form_;
    TMainMenu* main_ = nullptr;
    TMenuItem* file_ = nullptr;
    TAppSkinForm* skinner_ = nullptr;
    RECT clientBefore_{};
};

TEST_F(SkinMenuBarTest, BarDrawnInTheStripInsteadOfTheWindowsMenu) {
    HWND window = form_->Handle();
    EXPECT_EQ(GetMenu(window), nullptr);
    RECT c{}, w{};
    GetClientRect(window, &c);
    GetWindowRect(window, &w);
    EXPECT_EQ(c.right, clientBefore_.right);
    EXPECT_EQ(c.bottom, clientBefore_.bottom);
    const skinrules::TFrameSizes frame = skinner_->Frame();
    ASSERT_GT(frame.MenuBar, 0);
    const int width = w.right - w.left, height = w.bottom - w.top;
    const int stripY = frame.Caption + frame.MenuBar / 2, emptyX = width - frame.Right - 8;
    const int bar = ElementIndex("menubar.bmp");

    TPixelBuffer active(width, height);
    SendMessageW(window, WM_NCACTIVATE, TRUE, 0);
    EXPECT_EQ(SendMessageW(window, SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(active.DC()), SM_MAGIC), SM_MAGIC);
    EXPECT_EQ(active.At(emptyX, stripY), skinart::ProbeColour(bar, 1));
    // The captions, in the bar's text colour, from the left.
    const TMenuBtn& fileButton = skinner_->MenuBar()->Item(0);
    EXPECT_GT(active.Count(fileButton.Rect, Rgb(skin_->MenuBarText)), 0);
    TPixelBuffer inactive(width, height);
    SendMessageW(window, WM_NCACTIVATE, FALSE, 0);
    SendMessageW(window, SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(inactive.DC()), SM_MAGIC);
    EXPECT_EQ(inactive.At(emptyX, stripY), skinart::ProbeColour(bar, 2));

    const POINT onFile{w.left + (fileButton.Rect.left + fileButton.Rect.right) / 2, w.top + stripY};
    EXPECT_EQ(SendMessageW(window, WM_NCHITTEST, 0, MAKELPARAM(onFile.x, onFile.y)), HTMENU);
    EXPECT_EQ(skinner_->MenuBar()->ItemAt({onFile.x - w.left, onFile.y - w.top}), 0);

    SkinManager()->UnskinAll();
    EXPECT_EQ(GetMenu(window), main_->Handle());
    GetClientRect(window, &c);
    EXPECT_EQ(c.right, clientBefore_.right);
    EXPECT_EQ(c.bottom, clientBefore_.bottom);
}

struct TBarSight {
    TAppSkinMenu* bar = nullptr;
    HWND window = nullptr;
    std::vector<int> opened;
    bool skinned = false;
    std::uint32_t frame = 0;
    bool movedRight = false;
    int ticks = 0;
};
TBarSight barSight;

void CALLBACK WatchBar(HWND, UINT, UINT_PTR id, DWORD) {
    HWND popup = FindWindowW(L"#32768", nullptr);
    if (++barSight.ticks > 200) {
        KillTimer(nullptr, id);
        EndMenu();
        return;
    }
    if (!popup || !IsWindowVisible(popup)) return;
    const int open = barSight.bar->OpenIndex();
    if (barSight.opened.empty() || barSight.opened.back() != open) barSight.opened.push_back(open);
    if (open == 0 && !barSight.movedRight) {
        barSight.skinned = SendMessageW(popup, SM_ISSKINNED, 0, 0) == 1;
        TPixelBuffer buffer(8, 8);
        buffer.GrabWindow(popup);
        barSight.frame = buffer.At(1, 1);
        barSight.movedRight = true;
        PostMessageW(barSight.window, WM_KEYDOWN, VK_RIGHT, 0);
    } else if (open == 1) {
        KillTimer(nullptr, id);
        EndMenu();
    }
}

TEST_F(SkinMenuBarTest, AltLetterOpensADropDownAndTheRightArrowMovesOn) {
    barSight = TBarSight();
    barSight.bar = skinner_->MenuBar();
    barSight.window = form_->Handle();
    const UINT_PTR timer = SetTimer(nullptr, 0, 40, WatchBar);
    SendMessageW(form_->Handle(), WM_SYSCOMMAND, SC_KEYMENU, 'f');
    KillTimer(nullptr, timer);
    EXPECT_EQ(barSight.opened, (std::vector<int>{0, 1}));
    EXPECT_TRUE(barSight.skinned);
    EXPECT_EQ(barSight.frame, skinart::ProbeColour(ElementIndex("menubackground.bmp"), 1));
    EXPECT_FALSE(skinner_->MenuBar()->Tracking());
    // File's leading, doubled and trailing separators were hidden before it opened.
    std::vector<bool> visible;
    for (int i = 0; i < file_->Count(); ++i) visible.push_back(file_->Items(i)->Visible());
    EXPECT_EQ(visible, (std::vector<bool>{false, true, false, true, true, false}));
    // Its entries are owner-drawn only while it is open.
    MENUITEMINFOW info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoW(file_->Handle(), 0, TRUE, &info);
    EXPECT_EQ(info.fType & MFT_OWNERDRAW, 0u);
}

}  // namespace
