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

constexpr LPARAM AltHeld = 0x20000000;  // key data of a character typed with Alt down

// The press a CM_DIALOGCHAR posted to `window`, as the bar item under it (-1 when none was posted).
int PostedBarPress(HWND window, TAppSkinMenu* bar) {
    MSG msg;
    if (!PeekMessageW(&msg, window, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE)) return -1;
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>(HTMENU));
    RECT w{};
    GetWindowRect(window, &w);
    return bar->ItemAt({static_cast<short>(LOWORD(msg.lParam)) - w.left, static_cast<short>(HIWORD(msg.lParam)) - w.top});
}

TEST_F(SkinMenuBarTest, AltLetterReachingTheFormOpensTheItemWithThatAccelerator) {
    HWND window = form_->Handle();
    SendMessageW(window, SM_PAINTFRAME, 0, 0);
    struct Case {
        const char* what;
        wchar_t key;
        LPARAM keyData;
        int item;  // the item pressed, -1 for none (the key is not handled)
    };
    const Case cases[] = {
        {"Alt+E", L'e', AltHeld, 1},
        {"capital letter", L'H', AltHeld, 2},
        {"without Alt", L'e', 0, -1},
        {"no item has it", L'q', AltHeld, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const LRESULT handled = form_->Perform(CM_DIALOGCHAR, c.key, c.keyData);
        EXPECT_EQ(handled != 0, c.item >= 0);
        EXPECT_EQ(PostedBarPress(window, skinner_->MenuBar()), c.item);
    }
    // Unskinned, the form's own handling is all there is.
    SkinManager()->UnskinAll();
    EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, L'e', AltHeld), 0);
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, window, WM_NCLBUTTONDOWN, WM_NCLBUTTONDOWN, PM_REMOVE));
}

TEST_F(SkinMenuBarTest, AMenuSetAgainIsTakenIntoTheBarWhenTheClassLibraryReportsIt) {
    HWND window = form_->Handle();
    RECT before{};
    GetClientRect(window, &before);
    auto* tools = New<TMenuItem>(form_.get());
    tools->SetCaption("&Tools");
    main_->Items()->Add(tools);
    SetMenu(window, main_->Handle());
    form_->Perform(CM_MENUCHANGED, 0, 0);
    EXPECT_EQ(GetMenu(window), nullptr);
    ASSERT_EQ(skinner_->MenuBar()->Count(), 4);
    EXPECT_EQ(skinner_->MenuBar()->Item(3).Caption, "&Tools");
    RECT after{};
    GetClientRect(window, &after);
    EXPECT_EQ(after.bottom, before.bottom);
}

// Forms of the program with their MDI style from the start.
template <TFormStyle Style>
class TStyledForm : public TForm {
public:
    explicit TStyledForm(TComponent* owner) : TForm(owner, CreateNew) { SetFormStyle(Style); }
};

// An MDI frame with a menu, skinned, and its children.
class SkinMdiMenuTest : public SkinMenuTest {
protected:
    void SetUp() override {
        SkinMenuTest::SetUp();
        app_ = std::make_unique<TScopedApplication>();
        Application->CreateForm(frame_);
        frame_->SetBounds(40, 40, 520, 380);
        menu_ = New<TMainMenu>(frame_);
        for (const char* caption : {"&File", "&Edit"}) {
            auto* top = New<TMenuItem>(frame_);
            top->SetCaption(caption);
            auto* sub = New<TMenuItem>(frame_);
            sub->SetCaption("&Open");
            top->Add(sub);
            menu_->Items()->Add(top);
        }
        SetMenu(frame_->Handle(), menu_->Handle());
        frame_->Show();
        SetForegroundWindow(frame_->Handle());
        ASSERT_TRUE(PumpUntil([&] {
            TAppSkinForm* f = SkinManager()->FindForm(frame_->Handle());
            return f && f->State == TAppSkinForm::fsSkinned && f->MenuBar() && f->MenuBar()->Count() == 2;
        }));
        skinner_ = SkinManager()->FindForm(frame_->Handle());
    }
    void TearDown() override {
        app_.reset();
        SkinMenuTest::TearDown();
    }

    TForm* NewChild() {
        auto* child = New<TStyledForm<fsMDIChild>>(Application);
        child->SetBounds(10, 10, 220, 160);
        EXPECT_TRUE(PumpUntil([&] {
            TAppSkinForm* f = SkinManager()->FindForm(child->Handle());
            return f && f->State == TAppSkinForm::fsSkinned;
        }));
        return child;
    }

    // The frame's non-client area as painted now.
    std::unique_ptr<TPixelBuffer> FramePixels() {
        RECT w{};
        GetWindowRect(frame_->Handle(), &w);
        auto buffer = std::make_unique<TPixelBuffer>(w.right - w.left, w.bottom - w.top);
        SendMessageW(frame_->Handle(), SM_PAINTFRAMETO, reinterpret_cast<WPARAM>(buffer->DC()), SM_MAGIC);
        return buffer;
    }

    std::unique_ptr<TScopedApplication> app_;
    TStyledForm<fsMDIForm>* frame_ = nullptr;
    TMainMenu* menu_ = nullptr;
    TAppSkinForm* skinner_ = nullptr;
};

TEST_F(SkinMdiMenuTest, MaximisedChildsButtonsSitInTheFramesStripAndWork) {
    HWND frame = frame_->Handle();
    TForm* child = NewChild();
    // Alt+letter typed in a child opens the frame's item.
    EXPECT_NE(child->Perform(CM_DIALOGCHAR, L'e', AltHeld), 0);
    EXPECT_EQ(PostedBarPress(frame, skinner_->MenuBar()), 1);

    SendMessageW(frame_->ClientHandle(), WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(child->Handle()), 0);
    ASSERT_TRUE(PumpUntil([&] { return IsZoomed(child->Handle()) && SkinManager()->MDIMaximized; }));
    RECT w{};
    GetWindowRect(frame, &w);
    const int width = w.right - w.left;
    const skinrules::TFrameSizes f = skinner_->Frame();
    ASSERT_GT(f.MenuBar, 0);
    const int buttons = ElementIndex("mdicontrols.bmp"), bar = ElementIndex("menubar.bmp");
    // Minimise, restore and close, 16 pixels wide and 4 apart, ending at the strip's right margin.
    auto centre = [&](int i) {
        const int left = width - 20 * (3 - i) - f.Right - skin_->MenuBar->LeftWidth;
        return POINT{left + 8, f.Caption + f.MenuBar / 2};
    };
    // The strip's own background, between the items and the buttons.
    const POINT ground{centre(0).x - 24, centre(0).y};
    auto pixels = FramePixels();
    const std::uint32_t background = pixels->At(ground.x, ground.y);
    EXPECT_TRUE(background == skinart::ProbeColour(bar, 1) || background == skinart::ProbeColour(bar, 2))
        << std::hex << background;
    for (int i = 0; i < 3; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(pixels->At(centre(i).x, centre(i).y), skinart::ProbeColour(buttons, 4 * i + 1));
    }
    // Hot, by the mouse over it.
    const POINT restore{w.left + centre(1).x, w.top + centre(1).y};
    SendMessageW(frame, WM_NCMOUSEMOVE, HTMENU, MAKELPARAM(restore.x, restore.y));
    pixels = FramePixels();
    EXPECT_EQ(pixels->At(centre(1).x, centre(1).y), skinart::ProbeColour(buttons, 4 + 4));
    // A click on the restore button restores the child; the strip loses the buttons.
    SendMessageW(frame, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(restore.x, restore.y));
    SendMessageW(frame, WM_NCLBUTTONUP, HTMENU, MAKELPARAM(restore.x, restore.y));
    ASSERT_TRUE(PumpUntil([&] { return !IsZoomed(child->Handle()); }));
    EXPECT_FALSE(SkinManager()->MDIMaximized);
    pixels = FramePixels();
    EXPECT_EQ(pixels->At(centre(1).x, centre(1).y), pixels->At(ground.x, ground.y));
}

TEST_F(SkinMdiMenuTest, MenuSetByTheClientIsMergedIntoTheStrip) {
    HWND frame = frame_->Handle();
    RECT before{};
    GetClientRect(frame, &before);
    const bool update = skin_->MenuUpdate;
    TForm* child = NewChild();
    EXPECT_FALSE(skin_->MenuUpdate);  // while a child is open

    HMENU merged = CreateMenu();
    HMENU window = CreatePopupMenu();
    AppendMenuW(window, MF_STRING, 301, L"&Tile");
    AppendMenuW(merged, MF_POPUP, reinterpret_cast<UINT_PTR>(window), L"&Window");
    AppendMenuW(merged, MF_STRING, 302, L"&Tools");
    SendMessageW(frame_->ClientHandle(), WM_MDISETMENU, reinterpret_cast<WPARAM>(merged), 0);
    EXPECT_EQ(GetMenu(frame), nullptr);
    TAppSkinMenu* bar = skinner_->MenuBar();
    ASSERT_EQ(bar->Count(), 2);
    EXPECT_EQ(bar->Item(0).Caption, "&Window");
    EXPECT_EQ(bar->Item(0).SubMenu, window);
    EXPECT_EQ(bar->Item(1).Caption, "&Tools");
    EXPECT_EQ(bar->Item(1).Command, 302);
    RECT after{};
    GetClientRect(frame, &after);
    EXPECT_EQ(after.bottom, before.bottom);
    EXPECT_EQ(after.right, before.right);

    // The last child gone, the bar follows the menu again.
    child->Free();
    DrainMessages();
    EXPECT_EQ(skin_->MenuUpdate, update);
    SkinManager()->UnskinAll();
    EXPECT_EQ(GetMenu(frame), merged);
    SetMenu(frame, nullptr);
    DestroyMenu(merged);
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
