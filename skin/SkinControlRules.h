// The decisions of the control skinners, over plain values: which skinner a control of this
// program or a child window of another module gets, which frame of a strip each state shows, and
// the geometry of the button, check-box, status-bar, up-down, progress and tab painters.
// Windows-free; the skinners (SkinControl.h and the units beside it) read the facts from their
// windows and draw.
#pragma once

#include "SkinFrameRules.h"

#include <cstdint>
#include <string>
#include <vector>

// The members of a skin component's SkinControls set (bit i is member i).
enum TSkinControlType {
    xcMainMenu, xcPopupMenu, xcMenuItem, xcToolbar, xcControlbar, xcCombo, xcCheckBox, xcRadioButton, xcProgress,
    xcScrollbar, xcEdit, xcButton, xcBitBtn, xcSpeedButton, xcSpin, xcPanel, xcGroupBox, xcStatusBar, xcTab,
    xcTrackBar, xcSystemMenu, xcReportForms
};
using TSkinControlTypes = std::uint32_t;

constexpr std::uint32_t SkinBit(int member) { return std::uint32_t{1} << member; }

namespace skinrules {

// The skinners a match can attach.
enum class TSkinnerKind {
    None,
    Button, BitButton, PngBitButton, MenuButton, SpeedButton,
    CheckBox, RadioButton, ComBox, Edit, EditOnHandle,
    Box, GroupBox, StatusBar, Progress, TrackBar, UpDown, MediaPlayer, DateTime,
    Tab, TabButtons, TabWithoutPages, TabSet, TabSheet, AdvPage,
    Scrollbar, ScrollbarSingle, ScrollBarControl, Sizer, DialogBackground,
    ObjImageCheck, ObjImageRadio, ObjImageProperties,
    ToolBar,        // flat, the skinned tool-bar painters, then a Box
    CoolBar,        // every band takes the face colour
    ToolButtonMenu  // the button's menu gets the skinned item painter
};

// What happens to the matched control's child controls.
enum class TChildAction {
    None,
    MatchBefore,        // MatchChildren, then the skinner
    MatchAfter,         // the skinner, then MatchChildren
    Each,               // every child gets ChildKind, then the skinner
    EmbeddedScrollbars, // scroll-bar controls and controls with scroll bars among the children
    MatchEachOrphan,    // the skinner, then MatchControl on every child without an owner
    MatchComponents     // the skinner, then the control's components (a form inside the window)
};

struct TMatchDecision {
    TSkinnerKind Kind = TSkinnerKind::None;
    bool ChangeColor = false;  // the attach flag: the control takes the skin's face colour
    TChildAction Children = TChildAction::None;
    TSkinnerKind ChildKind = TSkinnerKind::None;
    bool SetTransparent = false;  // the control's "Transparent" property := True first
    bool OnlyWithBorder = false;  // attach only when the window has a border
    bool GroupBoxAfterChildren = false;  // Each: a group-box skinner on the control itself too
    bool Decided = false;  // a rule or a map row took the control (even when Kind is None)
    bool operator==(const TMatchDecision&) const = default;
};

// What the matching reads from a control of this program.
struct TControlFacts {
    std::vector<std::string> Chain;  // class names: the control's own first, then its ancestors
    TSkinControlTypes Controls = 0;
    bool HasTabs = false;         // the skin has its Tabs element
    bool FormNCSkinned = false;   // the form's non-client area is skinned
    bool TabStyleButtons = false; // a page control whose tabs are buttons
    std::string KindProperty;     // the "Kind" property's identifier, if any
    int NumButtons = -1;          // the "NumButtons" property, -1 without it
    bool NeedsScrollbars = false;
};

// The kind text of the first row "ClassName=kind" of `map` for `className` (compared without
// regard to case; at most 50 characters after "="), lower-cased; false when no row names it.
bool MapKindOf(const std::vector<std::string>& map, const std::string& className, std::string& kind);

// Steps 5 to 7 of matching a control: the map row's kind (when `hasMapRow`), then the names the
// engine never skins, then the ordered class rules.
TMatchDecision MatchByMap(const std::string& kind, const TControlFacts& facts);
TMatchDecision MatchByClass(const TControlFacts& facts);
TMatchDecision DecideControl(const std::vector<std::string>& map, const TControlFacts& facts);

// The matching of a child window of another module by its lower-cased class name and style.
struct TWindowDecision {
    TSkinnerKind Kind = TSkinnerKind::None;
    bool SkinChildren = false;   // MatchWindow on its child windows first
    bool FaceColour = false;     // its control object takes the face colour
    bool OnFirstChild = false;   // the skinner goes on the first child window
    bool operator==(const TWindowDecision&) const = default;
};
TWindowDecision DecideWindow(const std::string& lowerClassName, std::uint32_t style);

// ---- Buttons ----

// The frame of the Buttons element: 1 normal, 2 pressed, 3 disabled, 4 hot, 5 focused.
int ButtonFrame(bool pressed, bool hot, bool focused, bool enabled);
// The glyph cell of a strip of `numGlyphs` pictures (up, disabled, down, stays-down): a cell the
// strip lacks shows the first.
int GlyphCell(bool pressed, bool enabled, bool down, int numGlyphs);
// The first "||" of a caption becomes a line break.
std::string CaptionLines(const std::string& caption);

struct TButtonLayoutInput {
    int Layout = 0;  // 0 glyph left, 1 right, 2 top, 3 bottom
    int Width = 0, Height = 0;
    int GlyphWidth = 0, GlyphHeight = 0;
    int TextWidth = 0, TextHeight = 0;
    int Margin = -1, Spacing = 4;
    bool AlignCentre = false;  // Alignment taCenter
};
struct TButtonLayoutResult {
    TPointI Glyph;
    TRectI Text;
    bool operator==(const TButtonLayoutResult&) const = default;
};
TButtonLayoutResult LayoutButton(const TButtonLayoutInput& in);

// ---- Check boxes and radio buttons ----

enum class TCheckState { Unchecked, Checked, Grayed };

// The facts a check box's state comes from, in the order they are consulted.
struct TCheckFacts {
    bool MessageChecked = false;        // BM_GETSTATE has BST_CHECKED
    bool MessageIndeterminate = false;  // BM_GETSTATE has BST_INDETERMINATE
    bool HasState = false;
    std::string State;                  // the "State" property's identifier
    bool HasChecked = false;
    std::string Checked;                // the "Checked" property's identifier
    bool HasDataField = false;
    int LastSetCheck = 0;               // the last BM_SETCHECK wParam + 1, 0 for none
    bool HasDataBinding = false;
};
TCheckState CheckStateOf(const TCheckFacts& facts);
// The cell of a strip of 4 cells (unchecked, checked, unchecked disabled, checked disabled or
// grey) or of 12 cells (1, 5, 4, 8 for those; grey 9, grey disabled 12).
int CheckBoxFrame(TCheckState state, bool disabled, int cellCount);
// The cell of a strip of 4 cells (off, on, off disabled, on disabled) or 8 (1, 5, 4, 8).
int RadioFrame(bool checked, bool disabled, int cellCount);

// The mark's and the text's places in a check box or radio button of `width` x `height`.
struct TMarkLayout {
    TRectI Mark;
    TRectI TextArea;
    bool AlignRight = false;
    bool operator==(const TMarkLayout&) const = default;
};
TMarkLayout LayoutMark(int width, int height, int markWidth, int markHeight, bool leftText, bool rightToLeft);

// ---- Status bar and group box ----

// The skinned panels: each reported rectangle widened by 2 to the right, the last reaching the
// bar's right edge.
std::vector<TRectI> StatusPanelRects(const std::vector<TRectI>& reported, int barWidth);
// The StatusBarEdges frame of a panel's bevel (0 none, 1 lowered, 2 raised): raised 2, lowered 1, none 3.
int StatusBevelFrame(int bevel);
// Where a group box's frame starts below its top, for the height of the text "0".
int GroupBoxFrameTop(int textHeight);

// ---- Range controls ----

// One half of an up-down control: 3 disabled; the half under the cursor 2 while pressed, 4 while
// hot, else 1; the other half 1.
int UpDownHalfState(bool disabled, bool underCursor, bool pressed, bool hot);
// The filled width of a progress bar: width * pos / high (rounded) when both are above 0, within
// 0 .. width.
int ProgressFill(int width, int position, int high);
// How many whole chunks of `chunkWidth` fit in `filled`.
int ProgressChunks(int filled, int chunkWidth);

// ---- Tabs ----

// 0 top, 1 bottom, 2 left, 3 right, from TCS_BOTTOM (2) and TCS_VERTICAL (0x80).
int TabSide(std::uint32_t style);
// The close cross of a tab: a 6 x 6 square 8 to 2 pixels from the right edge, 2 to 8 from the top.
TRectI TabCloseRect(const TRectI& tab);
// The page frame's rectangle: the adjusted display rectangle grown by 4, moved in by 1 on the tab side.
TRectI TabDisplayRect(const TRectI& adjusted, int side);

// One tab of the older tab set, whose tabs hang below its strip.
struct TTabSetCell {
    int Index = 0;   // into the tab list
    TRectI Rect;
    int Frame = 1;   // of the flipped Tabs strip: 2 for the selected tab
    bool operator==(const TTabSetCell&) const = default;
};
// The tabs a tab set of `width` x `height` shows: from `firstIndex`, each as wide as its text plus
// 9 and starting at `startMargin`, while it ends before `width - endMargin` (21 pixels less while
// the scroller shows). A first index out of range shows nothing.
std::vector<TTabSetCell> TabSetLayout(const std::vector<int>& textWidths, int firstIndex, int tabIndex, int width,
                                      int height, int startMargin, int endMargin, bool scrollerVisible);

// ---- Combo box ----

// The drop-down button: `buttonWidth` wide at the right (at the left with WS_EX_LEFTSCROLLBAR).
TRectI ComboButtonRect(int width, int height, int buttonWidth, bool leftScrollBar);

// ---- Glyph strips of other libraries' check controls ----

// The source cell (0-based) of each cell of the strip built for mode 1 (9 cells), 2 (6 cells) or
// 3 (6 cells) from a strip of `sourceCells`; -1 leaves a cell empty.
std::vector<int> ObjImageCells(int mode, int sourceCells);

}  // namespace skinrules
