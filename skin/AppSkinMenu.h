// Skinned menus: the painter and measurers of owner-drawn menu items, the owner-drawing of a
// form's menus, and the menu bar that a skinned window with a menu draws in its non-client strip.
//
// Classes in this file:
//   TSkinMenuEntry     what the painter draws of one menu entry (from a TMenuItem or a menu handle)
//   TSkinMenuPainter   the item painter and the two measurers, as menu-item events
//   TMenuBtn           one item of the menu bar
//   TAppSkinMenu       the menu bar
//
// The item painter draws over the part of the popup's skinned background behind the item (the
// skin manager knows the popup window of each menu handle); frame 1 of the skin's menu-item
// element, frame 4 when selected; separators cut from frame 1. Without a menu-item element the
// item is a flat fill of the skin's menu or highlight colour.
#pragma once

#include "SkinFrameRules.h"

#include "Graphics.h"
#include "Menus.h"

#include <memory>
#include <vector>

class TSkinData;
class TSkinManage;
class TCustomForm;
class TAppSkinForm;

struct TSkinMenuEntry {
    String Caption;      // '&' marks the accelerator; "-" is a separator
    String ShortCut;     // drawn right-aligned
    bool Enabled = true;
    bool Checked = false;
    bool Default = false;
    int ImageIndex = -1;
    TCustomImageList* Images = nullptr;
    bool IsLine() const { return Caption == "-"; }
};

// The entry of an item (its caption split at a tab: the rest is its short-cut text).
TSkinMenuEntry MenuEntryOf(TMenuItem* item);
// The entry at `position` of a menu handle (its text, "-" when empty; enabled; checked).
TSkinMenuEntry MenuEntryAt(HMENU menu, UINT position, bool byPosition);

class TSkinMenuPainter {
public:
    TSkinMenuPainter(TSkinManage* manager, TSkinData* data);
    ~TSkinMenuPainter();
    TSkinMenuPainter(const TSkinMenuPainter&) = delete;
    TSkinMenuPainter& operator=(const TSkinMenuPainter&) = delete;

    // The painter: `parentMenu` is the menu handle that holds the entry.
    void Paint(HDC dc, const TRect& rect, const TSkinMenuEntry& entry, bool selected, HMENU parentMenu);
    // A foreign entry's size from its text.
    SIZE MeasureForeign(const TSkinMenuEntry& entry);

    // As menu-item events.
    void DrawItem(TObject* sender, TCanvas* canvas, TRect rect, bool selected);
    void MeasureItem(TObject* sender, TCanvas* canvas, int& width, int& height);
    void MeasureMainItem(TObject* sender, TCanvas* canvas, int& width, int& height);

    // Owner drawing of the form's popup menus (and those of forms placed inside it), of its main
    // menus, as the skin's control set asks; off gives the menus back.
    void PrepareFormMenus(TCustomForm* form, bool on);
    // Owner drawing of a menu's items at every depth.
    void PrepareItems(TMenuItem* item, bool on, bool secondMeasurer, int fromDepth, int depth = 0);

    HFONT MenuFont() const { return font_; }
    TSkinData* Data() const { return data_; }

private:
    void DefaultMeasure(TMenuItem* item, TCanvas* canvas, int& width, int& height);
    void PaintContent(HDC dc, const TRect& r, const TSkinMenuEntry& entry, bool selected);

    TSkinManage* manager_;
    TSkinData* data_;
    HFONT font_ = nullptr;
    HFONT boldFont_ = nullptr;
};

// One item of the menu bar.
struct TMenuBtn {
    int Index = 0;
    String Caption;
    bool Enabled = true;
    bool Visible = true;
    HMENU SubMenu = nullptr;
    int Command = 0;
    TMenuItem* LinkedItem = nullptr;
    RECT Rect{};    // window coordinates
    int State = 1;  // 1 normal, 2 pressed, 3 hot
};

// The menu bar of a skinned window: the window's menu is taken off it and drawn in the strip
// below the caption; a press on an item tracks its drop-down (every entry owner-drawn by the
// skin's painter while it is open), and the arrow keys and the mouse move from one drop-down to
// the next through a thread message-filter hook. A switch ends the open drop-down (EndMenu) and
// the next one opens once the tracking has returned.
class TAppSkinMenu {
public:
    TAppSkinMenu(HWND window, TSkinData* data, TSkinMenuPainter* painter, TSkinManage* manager);
    ~TAppSkinMenu();
    TAppSkinMenu(const TAppSkinMenu&) = delete;
    TAppSkinMenu& operator=(const TAppSkinMenu&) = delete;

    // Reads the window's menu into the items and takes the menu off the window; `menu` is the
    // class-library menu behind it, when there is one.
    void Rebuild(TMainMenu* menu);
    // The window's new menu (set by the MDI client) read into the items and taken off the window;
    // only entries without a text are completed from the class-library menu.
    void Merge();
    // Gives the window its menu back.
    void Restore();

    void Paint(HDC dc, const RECT& strip, bool active);
    void PaintItem(HDC dc, int index);
    void SetItemState(int index, int state);
    // The item under a point (window coordinates) whose caption is not empty, or -1.
    int ItemAt(POINT windowPoint) const;
    // The first enabled, visible item with `key` as its accelerator, or -1.
    int ItemByAccelerator(wchar_t key) const;
    // Opens the item's drop-down and the ones the user moves to; returns whether one was tracked.
    bool OpenFrom(int index);

    // Owner-drawn entries of the open drop-down: their measure and paint.
    bool MeasureItem(MEASUREITEMSTRUCT& measure);
    bool DrawItem(const DRAWITEMSTRUCT& draw);
    void MenuSelect(WPARAM wParam, LPARAM lParam);

    int Count() const { return static_cast<int>(items_.size()); }
    const TMenuBtn& Item(int index) const { return items_[static_cast<std::size_t>(index)]; }
    HMENU MenuHandle() const { return menuHandle_; }
    TMainMenu* Menu() const { return menu_; }
    bool Tracking() const { return open_ >= 0; }
    int OpenIndex() const { return open_; }
    // Whether the form skinner has handed the window's messages to the open drop-down.
    bool Suspended = false;
    bool RightToLeft = false;

private:
    bool OpenItem(int index);
    void Build(bool merging);
    void TidySeparators(TMenuItem* item);
    void OwnerDrawEntries(HMENU menu, bool on, std::vector<std::pair<HMENU, UINT>>& changed);
    void PaintCaption(HDC dc, const TMenuBtn& item);
    static LRESULT CALLBACK FilterProcedure(int code, WPARAM wParam, LPARAM lParam);

    HWND window_;
    TSkinData* data_;
    TSkinMenuPainter* painter_;
    TSkinManage* manager_;
    TMainMenu* menu_ = nullptr;
    HMENU menuHandle_ = nullptr;
    std::vector<TMenuBtn> items_;
    RECT barRect_{};
    std::unique_ptr<TBitmap> background_;
    int open_ = -1;          // the item whose drop-down is open
    int next_ = -1;          // the item to open once the tracking returns
    HMENU selectedMenu_ = nullptr;
    UINT selectedFlags_ = 0xFFFF;
    POINT lastMouse_{};
    bool firstMessage_ = false;
    HHOOK hook_ = nullptr;
};
