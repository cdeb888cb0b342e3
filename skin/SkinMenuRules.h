// The decisions of skinned menus, over plain values: which separators of a drop-down stay, how the
// keyboard moves along the menu bar, where the bar's items go, how big an owner-drawn item is and
// where its glyph, caption and short-cut sit, and which popup-menu windows the skin takes.
// Windows-free; the menu bar and the item painter feed it what they read from their menus.
#pragma once

#include "SkinFrameRules.h"

#include <string>
#include <vector>

namespace skinrules {

// ---- Drop-downs ----

struct TMenuEntryFacts {
    bool Separator = false;
    bool Visible = true;
};
// The visibility of each entry once its separators are tidied: none before the first visible
// ordinary entry, one (the last) of each run between visible entries, none after the last.
std::vector<bool> TidySeparators(const std::vector<TMenuEntryFacts>& entries);

// ---- The menu bar ----

// The bar item the arrow keys pick from `current` among `count` items (wrapping at both ends);
// `forward` is the right arrow. Right-to-left bars have their arrows exchanged before this.
int NextBarItem(int count, int current, bool forward);

// Where the first item starts (window x), in a strip from `stripLeft` to `stripRight`.
struct TBarStart {
    bool HasElement = false;  // the skin has a menu-bar picture
    int LeftWidth = 0;
    int RightWidth = 0;
    bool RightToLeft = false;
};
int BarStartX(const TBarStart& bar, int stripLeft, int stripRight);

// The boxes of the bar's items (window coordinates) from their caption widths: each visible item
// is its caption plus 10 wide (an empty caption 0 wide), laid left to right from `start` (right to
// left from it when `rightToLeft`); invisible items get an empty box.
struct TBarItemFacts {
    int CaptionWidth = 0;
    bool EmptyCaption = false;
    bool Visible = true;
};
std::vector<TRectI> LayoutBarItems(const std::vector<TBarItemFacts>& items, int start, int top, int bottom,
                                   bool rightToLeft);

// The first item whose box holds the point and whose caption is not empty, or -1.
int BarItemAt(const std::vector<TRectI>& boxes, const std::vector<bool>& emptyCaption, TPointI point);

// ---- Owner-drawn items ----

// The skin's menu-item element as the measurers see it.
struct TMenuItemElement {
    bool Present = false;
    int LeftWidth = 0;
};
// The popup item measurer: the item's own width grown for the skin's left margin and the glyph
// column (wider when the menu has no image list).
int SkinnedItemWidth(int width, const TMenuItemElement& element, bool hasImages);
// The measurer of main-menu and tool-button items.
int SkinnedMainItemWidth(int width, const TMenuItemElement& element, bool hasImages);
// A foreign menu's item (the system menu, a bar drop-down) from its text's extent.
TPointI ForeignItemSize(int textWidth, int textHeight, bool emptyText, const TMenuItemElement& element);

// Where an item's parts are drawn, in item coordinates (the item is `width` x `height`).
struct TMenuItemLayout {
    TRectI Glyph;     // the image or check mark
    TRectI Caption;   // the caption's box (left-aligned, or right-aligned when right to left)
    TRectI ShortCut;  // the short-cut's box (right-aligned, or left-aligned when right to left)
};
// The glyph column is at least 16 wide on every item.
TMenuItemLayout LayoutMenuItem(int width, int height, int leftWidth, int imageWidth, bool rightToLeft);

// ---- Popup-menu windows ----

// The kind of menu whose window opens next: 0 a popup menu, 1 a drop-down of a menu bar, 2 the
// system menu. Whether the skin takes it: popups need xcPopupMenu, drop-downs xcMainMenu or
// xcMenuItem, the system menu xcSystemMenu (the members' bits of the skin's control set).
bool PopupKindSkinned(int menuKind, bool popupMenus, bool mainMenus, bool menuItems, bool systemMenu);

// ---- Scroll bars ----

// Zones of a skinned scroll bar: 0 first arrow, 1 second arrow, 2 track before the thumb, 3 track
// after it, 5 the thumb.
enum : int { ZoneFirstArrow = 0, ZoneSecondArrow = 1, ZoneTrackBefore = 2, ZoneTrackAfter = 3, ZoneThumb = 5 };
int ScrollHitZone(int position, int barLength, int arrowSize, int thumbStart, int thumbEnd);

struct TThumb {
    int Start = 0;
    int End = 0;
    bool Shown = false;
};
// The thumb of a scroll-bar control from its range, position and page (0: no page): a page gives
// a thumb of the page's share, otherwise an arrow-sized thumb. A range of nothing shows no thumb.
TThumb ControlThumb(int barLength, int arrowSize, int min, int max, int position, int page);
// The thumb dragged by `moved` pixels from where it started, kept between the arrows.
TThumb DragThumb(const TThumb& atPress, int moved, int barLength, int arrowSize);
// The length of each arrow: the arrow size, or half the bar on a bar shorter than two arrows.
int ScrollArrowLength(int barLength, int arrowSize);
// The frame of an arrow (1-based, of 23) for its direction and state.
int ScrollArrowFrame(bool vertical, bool second, bool underMouse, bool pressing);

}  // namespace skinrules
