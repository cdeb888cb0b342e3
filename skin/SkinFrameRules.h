// The decisions of window skinning, over plain values: which windows get a skinner, which skin
// component serves them, the frame's kind, the caption buttons' visibility and place, the client
// rectangle inside the skinned frame and the hit-test answers. Windows-free; the skinners feed it
// what they read from their windows.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace skinrules {

// Window-style bits as the window manager numbers them.
constexpr std::uint32_t StyleChild = 0x40000000;
constexpr std::uint32_t StyleCaption = 0x00C00000;
constexpr std::uint32_t StyleSysMenu = 0x00080000;
constexpr std::uint32_t StyleThickFrame = 0x00040000;
constexpr std::uint32_t StyleMinimizeBox = 0x00020000;
constexpr std::uint32_t StyleMaximizeBox = 0x00010000;
constexpr std::uint32_t StyleModalFrame = 0x00000080;
constexpr std::uint32_t ExStyleDlgModalFrame = 0x00000001;
constexpr std::uint32_t ExStyleMDIChild = 0x00000040;
constexpr std::uint32_t ExStyleLeftScrollBar = 0x00004000;

// Hit-test codes.
enum : int {
    HitNowhere = 0, HitClient = 1, HitCaption = 2, HitSysMenu = 3, HitMenu = 5, HitMinButton = 8,
    HitMaxButton = 9, HitClose = 20, HitHelp = 21
};

struct TRectI {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool operator==(const TRectI& o) const {
        return Left == o.Left && Top == o.Top && Right == o.Right && Bottom == o.Bottom;
    }
};
struct TPointI {
    int X = 0, Y = 0;
    bool operator==(const TPointI& o) const { return X == o.X && Y == o.Y; }
};

// ---- Which window gets a skinner ----

// A child window that is not an MDI child: it belongs to the skinner of its top-level window.
bool IsPlainChild(std::uint32_t style, std::uint32_t exStyle, const std::string& parentClass);

struct TWindowFacts {
    bool ManagerActive = false;
    bool AlreadySkinned = false;   // answers the skinned query, or a skinner holds it
    bool SkinningAll = false;
    bool PlainChild = false;
    bool HasControl = false;       // a control object of this program owns it
    bool SameModule = false;       // created by this module
    std::string ClassName;
    bool HasArea = false;          // its window rectangle is not empty
    bool MDIChild = false;
    int ControlTag = 0;
    int DisableTag = 99;
};
// The window-choice rules before the per-program question and the choice of skin.
bool WindowQualifies(const TWindowFacts& w);

// Whether the class name keeps a window unskinned when previews are not to be skinned.
bool IsPreviewClass(const std::string& className);

// A registered skin component as the choice sees it.
struct TSkinDataFacts {
    int FormType = 0;          // 0 main form, 1 only this form, 2 dialog, 3 library
    bool OwnsWindow = false;   // its owner form's window is the window in question
};
// Index of the component that serves a window of the class, or -1 when none is registered.
int ChooseSkinData(const std::vector<TSkinDataFacts>& datas, const std::string& className);

// ---- The frame ----

enum TBorderKind { bkSizeable = 0, bkFixed = 1, bkNoCaption = 2, bkDialog = 3 };
TBorderKind BorderKindOf(std::uint32_t style, std::uint32_t exStyle, const std::string& className);

// Box bits: 1 maximise box, 2 minimise box, 8 system menu.
constexpr int BoxMaximize = 1, BoxMinimize = 2, BoxSysMenu = 8;
int BoxesOf(std::uint32_t style, bool hasSystemMenu);

// Windows that grow until their caption text fits (dialogs of the system and message forms).
bool WidensForCaption(const std::string& className);

// The frame sizes of the skin, in pixels.
struct TFrameSizes {
    int Left = 0, Caption = 0, Right = 0, Bottom = 0, MenuBar = 0;
};
// The client rectangle inside the skinned frame of a window at `window`.
TRectI SkinClientRect(const TRectI& window, const TFrameSizes& frame);
// The outer size that keeps a client area of (clientWidth, clientHeight) under the skinned frame.
TPointI SkinWindowSize(int clientWidth, int clientHeight, const TFrameSizes& frame);

// The answer to a hit test at window-relative `y`, from what the window's own procedure said.
// The system's caption-button codes become the caption: its buttons are not drawn under the skin.
int RemapHitTest(int code, int y, const TFrameSizes& frame, bool hasMenuBar);

// ---- Caption buttons ----

struct TCaptionFacts {
    bool Maximized = false;
    bool Active = true;
    int Boxes = 0;
    bool MDIFrameWithMaximizedChild = false;  // an MDI frame whose active child is maximised, with a menu bar
    bool DialogFrame = false;                 // border kind 3
    bool DialogFrameNotWidened = false;       // border kind 3 and not widened for its caption
};
// Asks the window about a code from 1000 to 2000 (answer above 0: visible).
using TVisibilityQuestion = std::function<int(int code, int action)>;
bool CaptionButtonVisible(int visibility, int visibility1, int action, const TCaptionFacts& facts,
                          const TVisibilityQuestion& ask = nullptr);

struct TCaptionGeometry {
    int WindowWidth = 0;
    int TitleLeft = 0;
    int TitleRight = 0;
    bool RightToLeft = false;
    TFrameSizes Frame;
    int MenuBarLeftWidth = 0;
};
// Top-left corner (window coordinates) of a caption button of the given size.
TPointI CaptionButtonOrigin(int align, int xcoord, int ycoord, int width, int height, const TCaptionGeometry& g);

// What a released caption button does.
enum TCaptionCommand { ccNone, ccClose, ccMaximize, ccMinimize, ccRestore, ccSystemMenu, ccChildMinimize,
                       ccChildRestore, ccChildClose, ccCustom };
// Placement: 0 normal, 1 maximised, 2 minimised.
TCaptionCommand CaptionButtonCommand(int action, int placement);

}  // namespace skinrules
