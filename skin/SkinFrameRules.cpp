#include "SkinFrameRules.h"

#include <algorithm>
#include <cctype>

namespace skinrules {

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool HasBits(std::uint32_t value, std::uint32_t bits) { return (value & bits) == bits; }

}  // namespace

bool IsPlainChild(std::uint32_t style, std::uint32_t exStyle, const std::string& parentClass) {
    return (style & StyleChild) != 0 && (exStyle & ExStyleMDIChild) == 0 && Lower(parentClass) != "mdiclient";
}

bool WindowQualifies(const TWindowFacts& w) {
    if (!w.ManagerActive || w.AlreadySkinned) return false;
    if (!w.SkinningAll && w.PlainChild) return false;
    if (!w.HasControl && !w.SameModule && w.ClassName != "#32770") return false;
    if (!w.HasArea && !w.MDIChild) return false;
    if (w.HasControl && w.ControlTag == w.DisableTag) return false;
    if (w.ClassName.find("TcxPopupEditPopupWindow") != std::string::npos || w.ClassName == "TApplication")
        return false;
    return true;
}

bool IsPreviewClass(const std::string& className) { return Lower(className).find("preview") != std::string::npos; }

int ChooseSkinData(const std::vector<TSkinDataFacts>& datas, const std::string& className) {
    const int count = static_cast<int>(datas.size());
    for (int i = count - 1; i >= 0; --i)
        if (datas[static_cast<std::size_t>(i)].FormType == 1 && datas[static_cast<std::size_t>(i)].OwnsWindow)
            return i;
    const std::string lower = Lower(className);
    if (lower == "tmessageform" || lower == "#32770")
        for (int i = count - 1; i >= 0; --i)
            if (datas[static_cast<std::size_t>(i)].FormType == 2) return i;
    for (int i = count - 1; i >= 0; --i)
        if (datas[static_cast<std::size_t>(i)].FormType == 0) return i;
    return count > 0 ? 0 : -1;
}

TBorderKind BorderKindOf(std::uint32_t style, std::uint32_t exStyle, const std::string& className) {
    if (!HasBits(style, StyleCaption)) return bkNoCaption;
    if ((style & StyleModalFrame) != 0 || (exStyle & ExStyleDlgModalFrame) != 0 || className == "#32770" ||
        className == "TMessageForm")
        return bkDialog;
    if ((style & StyleThickFrame) != 0) return bkSizeable;
    return bkFixed;
}

int BoxesOf(std::uint32_t style, bool hasSystemMenu) {
    int boxes = 0;
    if ((style & StyleMaximizeBox) != 0) boxes |= BoxMaximize;
    if ((style & StyleMinimizeBox) != 0) boxes |= BoxMinimize;
    if ((style & StyleSysMenu) != 0 || hasSystemMenu) boxes |= BoxSysMenu;
    return boxes;
}

bool WidensForCaption(const std::string& className) { return className == "#32770" || className == "TMessageForm"; }

TRectI SkinClientRect(const TRectI& window, const TFrameSizes& frame) {
    TRectI r{window.Left + frame.Left, window.Top + frame.Caption + frame.MenuBar, window.Right - frame.Right,
             window.Bottom - frame.Bottom};
    r.Right = std::max(r.Right, r.Left);
    r.Bottom = std::max(r.Bottom, r.Top);
    return r;
}

TPointI SkinWindowSize(int clientWidth, int clientHeight, const TFrameSizes& frame) {
    return {clientWidth + frame.Left + frame.Right, clientHeight + frame.Caption + frame.Bottom + frame.MenuBar};
}

int RemapHitTest(int code, int y, const TFrameSizes& frame, bool hasMenuBar) {
    if (code == HitClose || code == HitMaxButton || code == HitMinButton || code == HitSysMenu || code == HitHelp)
        code = HitCaption;
    if (code != HitNowhere && code != HitCaption) return code;
    if (y > 3 && y < frame.Caption) return HitCaption;
    if (hasMenuBar && y >= frame.Caption && y < frame.Caption + frame.MenuBar) return HitMenu;
    return code;
}

namespace {

// The part of the visibility codes both columns share; -2 when the column decides alone.
int Common(int code, const TCaptionFacts& f) {
    switch (code) {
    case 0: return 1;
    case 1: return f.Maximized;
    case 2: return !f.Maximized;
    case 3: return f.Active;
    case 4: return !f.Active;
    case 7: return (f.Boxes & BoxMaximize) == 0;
    case 9: return (f.Boxes & BoxMinimize) == 0;
    case 100: return f.MDIFrameWithMaximizedChild;
    case 200: return f.DialogFrameNotWidened;
    default: return -2;
    }
}

}  // namespace

bool CaptionButtonVisible(int visibility, int visibility1, int action, const TCaptionFacts& f,
                          const TVisibilityQuestion& ask) {
    bool a = false;
    const int commonA = Common(visibility, f);
    if (commonA != -2) a = commonA != 0;
    else if (visibility == 6) a = (f.Boxes & (BoxMaximize | BoxSysMenu)) == (BoxMaximize | BoxSysMenu);
    else if (visibility == 8) a = (f.Boxes & (BoxMinimize | BoxSysMenu)) == (BoxMinimize | BoxSysMenu);
    else if (visibility >= 201 && visibility <= 999) a = true;
    else if (visibility >= 1000 && visibility <= 2000) a = ask && ask(visibility, action) > 0;

    bool b = false;
    const int commonB = Common(visibility1, f);
    if (commonB != -2) b = commonB != 0;
    else if (visibility1 == 6) b = (f.Boxes & BoxMaximize) != 0;
    else if (visibility1 == 8) b = (f.Boxes & BoxMinimize) != 0;
    else if (visibility1 >= 201 && visibility1 <= 2000) b = true;

    if (!a || !b) return false;
    switch (action) {
    case 0: return (f.Boxes & BoxSysMenu) != 0;
    case 1: return (f.Boxes & BoxMaximize) != 0;
    case 2: return (f.Boxes & BoxMinimize) != 0;
    case 3:
    case 11:
    case 12: return !f.DialogFrame;
    default: return true;
    }
}

TPointI CaptionButtonOrigin(int align, int xcoord, int ycoord, int width, int height, const TCaptionGeometry& g) {
    switch (align) {
    case 1: return {g.WindowWidth - xcoord, ycoord};
    case 2:
    case 8: return {g.TitleRight - width - xcoord, ycoord};
    case 3:
    case 9: return {xcoord + g.TitleLeft, ycoord};
    case 100: {
        const int y = g.Frame.Caption + (g.Frame.MenuBar - height) / 2;
        if (g.RightToLeft) return {xcoord + g.Frame.Left + g.MenuBarLeftWidth, y};
        return {g.WindowWidth - xcoord - g.Frame.Right - g.MenuBarLeftWidth, y};
    }
    default: return {xcoord, ycoord};
    }
}

TCaptionCommand CaptionButtonCommand(int action, int placement) {
    switch (action) {
    case 0: return ccClose;
    case 1:
    case 22: return placement == 1 ? ccRestore : ccMaximize;
    case 2:
    case 23: return placement == 2 ? ccRestore : ccMinimize;
    case 3:
    case 11:
    case 12: return ccSystemMenu;
    case 7:
    case 60: return ccChildMinimize;
    case 8:
    case 61: return ccChildRestore;
    case 9:
    case 62: return ccChildClose;
    default: return ccCustom;
    }
}

}  // namespace skinrules
