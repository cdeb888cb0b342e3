// Menus: the handles built from the items (texts with short-cuts, separators, sub-menus, states,
// rebuilt after changes), items bound to actions, the short-cut texts, and a popup menu shown by
// TrackPopupMenu whose chosen item is clicked, with owner drawing.
#include "ActnList.h"
#include "ImgList.h"
#include "Menus.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iterator>
#include <memory>
#include <vector>

namespace {

String* gLog = nullptr;

class TFrmMenus : public TForm {
    VESTREL_CLASS(TFrmMenus, TForm)
public:
    using TForm::TForm;
    void ItemClick(TObject* sender) {
        if (gLog)
            *gLog += static_cast<TComponent*>(sender)->Name() + ";";
    }
    void ActionExecute(TObject* sender) {
        if (gLog)
            *gLog += "action:" + static_cast<TComponent*>(sender)->Name() + ";";
    }
};

// The person window's menu, shortened: actions, lines, a short-cut, a sub-menu.
const char* const kMenusText = R"(object FrmMenus: TFrmMenus
  Left = 0
  Top = 0
  Width = 300
  Height = 200
  object ActionList1: TActionList
    object AddCust: TAction
      Caption = #26032#22686'&A'
      Hint = #26032#22686
      ShortCut = 16449
      OnExecute = ActionExecute
    end
    object DelCust: TAction
      Caption = #21024#38500'&D'
      Enabled = False
      ShortCut = 16452
      OnExecute = ActionExecute
    end
  end
  object Menu_Cust: TPopupMenu
    object N1: TMenuItem
      Action = AddCust
    end
    object N3: TMenuItem
      Action = DelCust
    end
    object N4: TMenuItem
      Caption = '-'
    end
    object N6: TMenuItem
      Caption = #21047#26032
      ShortCut = 116
      OnClick = ItemClick
    end
    object Hidden: TMenuItem
      Caption = 'hidden'
      Visible = False
    end
    object N10: TMenuItem
      Caption = #23548#20986#25968#25454
      object N11: TMenuItem
        Caption = 'One'
        Checked = True
        OnClick = ItemClick
      end
      object N12: TMenuItem
        Caption = 'Two'
        OnClick = ItemClick
      end
    end
  end
end
)";

void RegisterMenusTestClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    StartWindowTests();
    RegisterMenusClasses();
    RegisterClasses<TFrmMenus>();
    RegisterProperties<TFrmMenus>()
        .Handler<&TFrmMenus::ItemClick>("ItemClick")
        .Handler<&TFrmMenus::ActionExecute>("ActionExecute");
}

String MenuString(HMENU menu, UINT position) {
    wchar_t text[256] = {};
    GetMenuStringW(menu, position, text, 256, MF_BYPOSITION);
    return FromWide(text);
}

MENUITEMINFOW MenuInfo(HMENU menu, UINT position) {
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_SUBMENU | MIIM_DATA;
    GetMenuItemInfoW(menu, position, TRUE, &info);
    return info;
}

class MenusTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterMenusTestClasses(); }

    MenusTest() {
        gLog = &log_;
        previousFinder_ = SetFormResourceFinder([](const String& className) -> std::optional<String> {
            if (className == "TFrmMenus")
                return String(kMenusText);
            return std::nullopt;
        });
        form_ = New<TFrmMenus>(nullptr);
        menu_ = dynamic_cast<TPopupMenu*>(form_->FindComponent("Menu_Cust"));
    }
    ~MenusTest() override {
        form_->Free();
        SetFormResourceFinder(std::move(previousFinder_));
        gLog = nullptr;
    }

    TMenuItem* Item(const char* name) const { return dynamic_cast<TMenuItem*>(form_->FindComponent(name)); }

    String log_;
    TScopedApplication app_;
    TFrmMenus* form_ = nullptr;
    TPopupMenu* menu_ = nullptr;

private:
    TFormResourceFinder previousFinder_;
};

TEST_F(MenusTest, HandleShowsCaptionsWithShortCutsLinesSubMenusAndStates) {
    ASSERT_NE(menu_, nullptr);
    HMENU menu = menu_->Handle();
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 5);  // the hidden item is left out

    struct TRow {
        const char* name;
        UINT position;
        const char* text;
        bool separator;
        bool grayed;
        bool subMenu;
    } const rows[] = {
        {"action caption and Ctrl+A", 0, "新增&A\tCtrl+A", false, false, false},
        {"a disabled action's item is grayed", 1, "删除&D\tCtrl+D", false, true, false},
        {"a line", 2, "", true, false, false},
        {"F5", 3, "刷新\tF5", false, false, false},
        {"a sub-menu", 4, "导出数据", false, false, true},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        const MENUITEMINFOW info = MenuInfo(menu, row.position);
        EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, row.separator);
        if (!row.separator) {
            EXPECT_EQ(MenuString(menu, row.position), row.text);
        }
        EXPECT_EQ((info.fState & MFS_GRAYED) != 0, row.grayed);
        EXPECT_EQ(info.hSubMenu != nullptr, row.subMenu);
        // Each entry carries its item and a command that finds it again.
        auto* item = reinterpret_cast<TMenuItem*>(info.dwItemData);
        ASSERT_NE(item, nullptr);
        EXPECT_EQ(menu_->FindItem(static_cast<std::intptr_t>(info.wID), fkCommand), item);
    }
    HMENU sub = GetSubMenu(menu, 4);
    ASSERT_EQ(GetMenuItemCount(sub), 2);
    EXPECT_EQ(MenuString(sub, 0), "One");
    EXPECT_NE(MenuInfo(sub, 0).fState & MFS_CHECKED, 0u);
    EXPECT_EQ(menu_->FindItem(reinterpret_cast<std::intptr_t>(sub), fkHandle), Item("N10"));
    EXPECT_EQ(menu_->FindItem(116, fkShortCut), Item("N6"));

    // Changes reach the built handle: an item's caption, the action's caption and state, showing
    // the hidden item, removing a sub-item.
    Item("N6")->SetCaption("刷新(&R)");
    auto* addCust = dynamic_cast<TCustomAction*>(form_->FindComponent("AddCust"));
    addCust->SetCaption("新增(&N)");
    addCust->SetEnabled(false);
    Item("Hidden")->SetVisible(true);
    TMenuItem* two = Item("N12");
    Item("N10")->Remove(two);
    two->Free();
    menu = menu_->Handle();
    ASSERT_EQ(GetMenuItemCount(menu), 6);
    EXPECT_EQ(MenuString(menu, 0), "新增(&N)\tCtrl+A");
    EXPECT_NE(MenuInfo(menu, 0).fState & MFS_GRAYED, 0u);
    EXPECT_EQ(MenuString(menu, 3), "刷新(&R)\tF5");
    EXPECT_EQ(MenuString(menu, 4), "hidden");
    EXPECT_EQ(GetMenuItemCount(GetSubMenu(menu, 5)), 1);
}

TEST_F(MenusTest, ItemClickRunsItsHandlerOrItsActionWhenEnabled) {
    menu_->Handle();  // commands are numbered when the handle is built
    EXPECT_TRUE(menu_->DispatchCommand(static_cast<WORD>(Item("N6")->Command())));
    Item("N1")->Click();
    Item("N3")->Click();  // its action is disabled: nothing
    Item("N12")->Click();
    EXPECT_EQ(log_, "N6;action:AddCust;N12;");
    EXPECT_FALSE(menu_->DispatchCommand(0xFFF0));

    // An item takes over its action's properties, and lets go of a freed action.
    auto* delCust = form_->FindComponent("DelCust");
    EXPECT_FALSE(Item("N3")->Enabled());
    delCust->Free();
    EXPECT_EQ(Item("N3")->Action(), nullptr);
    EXPECT_EQ(Item("N3")->Caption(), "删除&D");
    Item("N3")->Click();
    EXPECT_EQ(log_, "N6;action:AddCust;N12;");
}

TEST(MenusShortCutText, NamesOfKeysAndModifiers) {
    struct TRow {
        const char* name;
        TShortCut shortCut;
        const char* text;
    } const rows[] = {
        {"Ctrl+A as stored", 16449, "Ctrl+A"},
        {"Ctrl+E", 16453, "Ctrl+E"},
        {"F5 alone", 116, "F5"},
        {"F12", VK_F12, "F12"},
        {"modifiers in order", static_cast<TShortCut>(scShift | scCtrl | scAlt | VK_F5), "Shift+Ctrl+Alt+F5"},
        {"Delete", VK_DELETE, "Del"},
        {"Insert", static_cast<TShortCut>(scShift | VK_INSERT), "Shift+Ins"},
        {"Enter", static_cast<TShortCut>(scAlt | VK_RETURN), "Alt+Enter"},
        {"Escape", VK_ESCAPE, "Esc"},
        {"page keys", VK_NEXT, "PgDn"},
        {"a digit", static_cast<TShortCut>(scCtrl | '1'), "Ctrl+1"},
        {"a keypad digit", static_cast<TShortCut>(scCtrl | VK_NUMPAD7), "Ctrl+7"},
        {"none", scNone, ""},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ShortCutToText(row.shortCut), row.text);
        if (row.shortCut != scNone && row.shortCut != (scCtrl | VK_NUMPAD7)) {
            EXPECT_EQ(TextToShortCut(row.text), row.shortCut);  // round trip
        }
    }
    EXPECT_EQ(TextToShortCut("ctrl+a"), 16449);
    EXPECT_EQ(TextToShortCut(" Shift+Ctrl+F5 "), scShift | scCtrl | VK_F5);
    EXPECT_EQ(TextToShortCut("Ctrl+"), scNone);
    EXPECT_EQ(TextToShortCut("Ctrl+NoSuchKey"), scNone);
    EXPECT_EQ(TextToShortCut(""), scNone);
}

// Posts keys that the menu's tracking loop reads: the menu opens, the keys choose an entry.
struct TMenuDriver {
    std::vector<WORD> keys;
    String log;
    void Popup(TObject*) {
        log += "popup;";
        for (WORD key : keys) {
            PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
            PostMessageW(GetFocus(), WM_KEYUP, key, 0xC0000001);
        }
    }
    void Draw(TObject* sender, TCanvas* canvas, TRect rect, bool) {
        log += "draw:" + static_cast<TMenuItem*>(sender)->Caption() + ";";
        canvas->Brush()->SetColor(clWhite);
        canvas->FillRect(rect);
    }
    void Measure(TObject* sender, TCanvas*, int& width, int& height) {
        log += "measure:" + static_cast<TMenuItem*>(sender)->Caption() + ";";
        width = 80;
        height = 18;
    }
};

TEST_F(MenusTest, PopupTracksTheMenuAndClicksTheChosenItem) {
    TMenuDriver driver;
    menu_->OnPopup = Event<&TMenuDriver::Popup>(&driver);
    struct TCase {
        const char* name;
        std::vector<WORD> keys;
        const char* log;
    } const cases[] = {
        {"Down and Enter choose the first entry (its action)", {VK_DOWN, VK_RETURN}, "action:AddCust;"},
        {"past the disabled entry; the line is skipped", {VK_DOWN, VK_DOWN, VK_DOWN, VK_RETURN}, "N6;"},
        {"Escape chooses nothing", {VK_ESCAPE}, ""},
    };
    form_->Show();
    SetForegroundWindow(form_->Handle());
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        log_.clear();
        driver.log.clear();
        driver.keys = c.keys;
        const TPoint at = form_->ClientToScreen(Point(20, 20));
        menu_->Popup(at.X, at.Y);
        DrainMessages();
        EXPECT_EQ(driver.log, "popup;");
        EXPECT_EQ(log_, c.log);
    }
}

TEST_F(MenusTest, OwnerDrawnItemsAreMeasuredAndDrawnByTheirHandlers) {
    TMenuDriver driver;
    driver.keys = {VK_ESCAPE};
    menu_->OnPopup = Event<&TMenuDriver::Popup>(&driver);
    Item("N6")->OnMeasureItem = Event<&TMenuDriver::Measure>(&driver);
    Item("N6")->OnDrawItem = Event<&TMenuDriver::Draw>(&driver);
    EXPECT_NE(MenuInfo(menu_->Handle(), 3).fType & MFT_OWNERDRAW, 0u);
    EXPECT_EQ(MenuInfo(menu_->Handle(), 0).fType & MFT_OWNERDRAW, 0u);

    form_->Show();
    const TPoint at = form_->ClientToScreen(Point(20, 20));
    menu_->Popup(at.X, at.Y);
    DrainMessages();
    EXPECT_NE(driver.log.find("measure:刷新;"), String::npos) << driver.log;
    EXPECT_NE(driver.log.find("draw:刷新;"), String::npos) << driver.log;

    // The whole menu drawn by the default painter: every entry is owner-drawn and nothing fails.
    menu_->SetOwnerDraw(true);
    EXPECT_NE(MenuInfo(menu_->Handle(), 0).fType & MFT_OWNERDRAW, 0u);
    driver.log.clear();
    menu_->Popup(at.X, at.Y);
    DrainMessages();
    EXPECT_EQ(app_.Boxes.size(), 0u);
}

// A popup menu with images (a tool button's drop-down) draws its entries: the image, and the
// short-cut right-aligned in a column of its own, apart from the caption.
TEST_F(MenusTest, PopupMenuWithImagesDrawsImagesAndShortCutsInAColumn) {
    std::unique_ptr<TImageList, TFree> images{New<TImageList>(nullptr)};
    TBitmap glyph;
    glyph.SetSize(16, 16);
    glyph.Canvas()->Brush()->SetColor(clLime);
    glyph.Canvas()->FillRect(Rect(0, 0, 16, 16));
    images->AddMasked(&glyph, clFuchsia);
    EXPECT_EQ(MenuInfo(menu_->Handle(), 0).fType & MFT_OWNERDRAW, 0u);  // without images: the system's
    menu_->SetImages(images.get());
    Item("N1")->SetImageIndex(0);
    HMENU menu = menu_->Handle();

    struct TEntry {
        const char* name;
        UINT position;
        const char* text;
        bool image;
    } const entries[] = {
        {"Ctrl+A with an image", 0, "新增&A\tCtrl+A", true},
        {"F5 without one", 3, "刷新\tF5", false},
    };
    // The menu is as wide as its widest entry.
    int width = 0;
    for (UINT position : {0u, 1u, 3u, 4u}) {
        MEASUREITEMSTRUCT measure{};
        measure.CtlType = ODT_MENU;
        measure.itemData = MenuInfo(menu, position).dwItemData;
        ASSERT_TRUE(menu_->DispatchMeasureItem(measure));
        width = std::max(width, static_cast<int>(measure.itemWidth));
    }
    int lastInk[2] = {};
    for (std::size_t e = 0; e < std::size(entries); ++e) {
        const TEntry& entry = entries[e];
        SCOPED_TRACE(entry.name);
        const MENUITEMINFOW info = MenuInfo(menu, entry.position);
        EXPECT_NE(info.fType & MFT_OWNERDRAW, 0u);
        EXPECT_EQ(MenuString(menu, entry.position), entry.text);  // the caption and short-cut, apart

        TBitmap bitmap;
        bitmap.SetSize(width, 24);
        DRAWITEMSTRUCT draw{};
        draw.CtlType = ODT_MENU;
        draw.itemData = info.dwItemData;
        draw.hDC = bitmap.Canvas()->Handle();
        draw.rcItem = RECT{0, 0, width, 24};
        ASSERT_TRUE(menu_->DispatchDrawItem(draw));
        const TColor background = ColorToRGB(clMenu);
        int lime = 0;
        std::vector<bool> ink(static_cast<std::size_t>(width));
        for (int y = 0; y < 24; ++y)
            for (int x = 0; x < width; ++x) {
                const TColor c = bitmap.Canvas()->Pixels[x][y];
                lime += c == clLime;
                if (x >= 24 && c != background && c != clLime)  // the text, right of the image column
                    ink[static_cast<std::size_t>(x)] = true;
            }
        EXPECT_EQ(lime > 0, entry.image);
        int first = -1;
        int last = -1;
        int widestGap = 0;
        for (int x = 0, run = 0; x < width; ++x) {
            if (!ink[static_cast<std::size_t>(x)]) {
                ++run;
                continue;
            }
            if (first >= 0)
                widestGap = std::max(widestGap, run);
            else
                first = x;
            last = x;
            run = 0;
        }
        ASSERT_GE(first, 0);
        EXPECT_GE(last, width - 14);   // the short-cut ends at the right edge
        EXPECT_GE(widestGap, 12) << "caption and short-cut run together";
        lastInk[e] = last;
    }
    EXPECT_LE(std::abs(lastInk[0] - lastInk[1]), 2);  // one right-aligned column
    menu_->SetImages(nullptr);
}

}  // namespace

TEST_F(MenusTest, ContextMenuRequestShowsTheControlsPopupMenuForIt) {
    TMenuDriver driver;
    driver.keys = {VK_ESCAPE};
    menu_->OnPopup = Event<&TMenuDriver::Popup>(&driver);
    form_->Show();
    SetForegroundWindow(form_->Handle());
    const TPoint at = form_->ClientToScreen(Point(20, 20));
    const LPARAM point = MAKELPARAM(at.X, at.Y);

    SendMessageW(form_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form_->Handle()), point);
    DrainMessages();
    EXPECT_EQ(driver.log, "") << "no popup menu: nothing is shown";

    form_->SetPopupMenu(menu_);
    SendMessageW(form_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form_->Handle()), point);
    DrainMessages();
    EXPECT_EQ(driver.log, "popup;");
    EXPECT_EQ(menu_->PopupComponent(), form_);

    driver.log.clear();  // from the keyboard (menu key): lParam -1
    SendMessageW(form_->Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(form_->Handle()), -1);
    DrainMessages();
    EXPECT_EQ(driver.log, "popup;");
    form_->SetPopupMenu(nullptr);
}
