#include "SkinMenuRules.h"

#include <algorithm>
#include <cstdint>

namespace skinrules {

std::vector<bool> TidySeparators(const std::vector<TMenuEntryFacts>& entries) {
    std::vector<bool> visible(entries.size(), false);
    bool seenOrdinary = false;
    int pending = -1;  // the separator kept of the current run
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TMenuEntryFacts& e = entries[i];
        if (!e.Visible) continue;
        if (!e.Separator) {
            visible[i] = true;
            seenOrdinary = true;
            pending = -1;
            continue;
        }
        if (!seenOrdinary) continue;
        if (pending >= 0) visible[static_cast<std::size_t>(pending)] = false;
        pending = static_cast<int>(i);
        visible[i] = true;
    }
    if (pending >= 0) visible[static_cast<std::size_t>(pending)] = false;
    return visible;
}

int NextBarItem(int count, int current, bool forward) {
    if (count <= 0) return -1;
    if (forward) return current < 0 || current >= count - 1 ? 0 : current + 1;
    return current <= 0 || current >= count ? count - 1 : current - 1;
}

int BarStartX(const TBarStart& bar, int stripLeft, int stripRight) {
    const int width = stripRight - stripLeft;
    int offset = 6;
    if (bar.HasElement) {
        offset = bar.RightToLeft ? bar.RightWidth + 8 : bar.LeftWidth + 4;
        if (width < offset) offset = 12;
    }
    return bar.RightToLeft ? stripRight - offset : stripLeft + offset;
}

std::vector<TRectI> LayoutBarItems(const std::vector<TBarItemFacts>& items, int start, int top, int bottom,
                                   bool rightToLeft) {
    std::vector<TRectI> boxes;
    int x = start;
    for (const TBarItemFacts& item : items) {
        if (!item.Visible) {
            boxes.push_back({});
            continue;
        }
        const int width = item.EmptyCaption ? 0 : item.CaptionWidth + 10;
        if (rightToLeft) {
            boxes.push_back({x - width, top, x, bottom});
            x -= width;
        } else {
            boxes.push_back({x, top, x + width, bottom});
            x += width;
        }
    }
    return boxes;
}

int BarItemAt(const std::vector<TRectI>& boxes, const std::vector<bool>& emptyCaption, TPointI p) {
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const TRectI& r = boxes[i];
        if (i < emptyCaption.size() && emptyCaption[i]) continue;
        if (p.X >= r.Left && p.X < r.Right && p.Y >= r.Top && p.Y < r.Bottom) return static_cast<int>(i);
    }
    return -1;
}

int SkinnedItemWidth(int width, const TMenuItemElement& element, bool hasImages) {
    return width + (element.Present ? element.LeftWidth : 0) + 12 + (hasImages ? 0 : 23);
}

int SkinnedMainItemWidth(int width, const TMenuItemElement& element, bool hasImages) {
    return width + (element.Present ? element.LeftWidth : 0) + 10 + (hasImages ? 0 : 25);
}

TPointI ForeignItemSize(int textWidth, int textHeight, bool emptyText, const TMenuItemElement& element) {
    return {textWidth + 26 + (element.Present ? element.LeftWidth : 0), emptyText ? 8 : textHeight + 4};
}

TMenuItemLayout LayoutMenuItem(int width, int height, int leftWidth, int imageWidth, bool rightToLeft) {
    // One glyph column for every item, so that captions line up whether or not an item is checked.
    const int glyph = std::max(imageWidth, 16);
    const int inset = std::max(leftWidth, 0) + 1;
    TMenuItemLayout l;
    if (!rightToLeft) {
        l.Glyph = {inset, 0, inset + glyph, height};
        l.Caption = {l.Glyph.Right + 3, 0, width - 10, height};
        l.ShortCut = {l.Glyph.Right + 3, 0, width - 10, height};
    } else {
        l.Glyph = {width - inset - glyph, 0, width - inset, height};
        l.Caption = {10, 0, l.Glyph.Left - 3, height};
        l.ShortCut = {10, 0, l.Glyph.Left - 3, height};
    }
    return l;
}

bool PopupKindSkinned(int menuKind, bool popupMenus, bool mainMenus, bool menuItems, bool systemMenu) {
    switch (menuKind) {
    case 0: return popupMenus;
    case 1: return mainMenus || menuItems;
    case 2: return systemMenu;
    default: return false;
    }
}

namespace {

// a * b / c rounded half away from zero, as the system's MulDiv; -1 for c = 0.
int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    std::int64_t num = static_cast<std::int64_t>(a) * b, den = c;
    if (den < 0) {
        num = -num;
        den = -den;
    }
    return static_cast<int>(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

}  // namespace

int ScrollHitZone(int p, int barLength, int arrowSize, int thumbStart, int thumbEnd) {
    if (p < arrowSize) return ZoneFirstArrow;
    if (p < thumbStart) return ZoneTrackBefore;
    if (p < thumbEnd) return ZoneThumb;
    if (p < barLength - arrowSize) return ZoneTrackAfter;
    return ZoneSecondArrow;
}

TThumb ControlThumb(int barLength, int arrowSize, int min, int max, int position, int page) {
    TThumb t;
    const int range = max - min;
    if (range <= 0) return t;
    const int pos = std::clamp(position, min, max);
    int length = 0;
    int start = arrowSize;
    if (page > 0) {
        length = MulDiv(barLength - 2 * arrowSize, page - 1, range);
        if (pos != min) start = arrowSize + MulDiv(barLength - 2 * arrowSize, pos - min, range);
    } else {
        length = arrowSize;
        if (pos != min) start = arrowSize + MulDiv(barLength - 3 * arrowSize, pos - min, range);
    }
    if (length <= 0 || barLength - 2 * arrowSize < length) return t;
    // The thumb stays between the arrows.
    start = std::clamp(start, arrowSize, barLength - arrowSize - length);
    t.Start = start;
    t.End = start + length;
    t.Shown = true;
    return t;
}

TThumb DragThumb(const TThumb& atPress, int moved, int barLength, int arrowSize) {
    if (!atPress.Shown) return atPress;
    const int length = atPress.End - atPress.Start;
    const int highest = std::max(arrowSize, barLength - arrowSize - length);
    TThumb t = atPress;
    t.Start = std::clamp(atPress.Start + moved, arrowSize, highest);
    t.End = t.Start + length;
    return t;
}

int ScrollArrowLength(int barLength, int arrowSize) {
    return barLength < 2 * arrowSize ? barLength / 2 : arrowSize;
}

int ScrollArrowFrame(bool vertical, bool second, bool underMouse, bool pressing) {
    int frame = vertical ? (second ? 13 : 9) : (second ? 5 : 1);
    if (underMouse) frame += pressing ? 1 : 3;
    return frame;
}

}  // namespace skinrules
