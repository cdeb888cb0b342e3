// The decisions of the control skinners: which skinner a control or a foreign child window gets,
// the frame each state shows, and the geometry of the painters.
#include "SkinControlRules.h"

#include <gtest/gtest.h>

namespace {

using namespace skinrules;
using K = TSkinnerKind;

// The program's SkinControls: everything but menu items, scroll bars, speed buttons, spin
// buttons, track bars and report forms.
constexpr TSkinControlTypes AppControls =
    SkinBit(xcMainMenu) | SkinBit(xcPopupMenu) | SkinBit(xcToolbar) | SkinBit(xcControlbar) | SkinBit(xcCombo) |
    SkinBit(xcCheckBox) | SkinBit(xcRadioButton) | SkinBit(xcProgress) | SkinBit(xcEdit) | SkinBit(xcButton) |
    SkinBit(xcBitBtn) | SkinBit(xcPanel) | SkinBit(xcGroupBox) | SkinBit(xcStatusBar) | SkinBit(xcTab) |
    SkinBit(xcSystemMenu);

const std::vector<std::string> AppMap = {"TRzButtonEdit=Edit", "TDBCheckboxEh=Checkbox", "TRzRadioGroup=Radiogroup",
                                         "TOdd=sparkle", "TNothing=nil", "TRzCheckGroup=CheckGroup"};

TControlFacts Facts(std::vector<std::string> chain, TSkinControlTypes controls = AppControls) {
    TControlFacts f;
    f.Chain = std::move(chain);
    f.Controls = controls;
    f.HasTabs = true;
    return f;
}

TEST(SkinControlRules, ControlsOfTheProgramMatchTheirSkinners) {
    struct Case {
        const char* name;
        TControlFacts facts;
        K kind;
        TChildAction children;
    } cases[] = {
        {"button", Facts({"TButton", "TWinControl"}), K::Button, TChildAction::None},
        {"bit button", Facts({"TBitBtn", "TButton", "TWinControl"}), K::BitButton, TChildAction::None},
        {"bit button without xcBitBtn does not fall to the button rule",
         Facts({"TBitBtn", "TButton"}, AppControls & ~SkinBit(xcBitBtn)), K::None, TChildAction::None},
        {"speed button with xcSpeedButton off", Facts({"TSpeedButton", "TGraphicControl"}), K::None, TChildAction::None},
        {"speed button with xcSpeedButton on", Facts({"TSpeedButton"}, AppControls | SkinBit(xcSpeedButton)),
         K::SpeedButton, TChildAction::None},
        {"check box", Facts({"TCheckBox", "TCustomCheckBox"}), K::CheckBox, TChildAction::None},
        {"radio button", Facts({"TRadioButton"}), K::RadioButton, TChildAction::None},
        {"edit", Facts({"TEdit", "TCustomEdit"}), K::Edit, TChildAction::None},
        {"memo without xcScrollbar is an edit", Facts({"TMemo", "TCustomMemo", "TCustomEdit"}), K::Edit,
         TChildAction::None},
        {"memo with xcScrollbar", Facts({"TMemo", "TCustomMemo", "TCustomEdit"}, AppControls | SkinBit(xcScrollbar)),
         K::Scrollbar, TChildAction::None},
        {"combo box", Facts({"TComboBox", "TCustomComboBox"}), K::ComBox, TChildAction::None},
        {"panel: children first", Facts({"TPanel", "TCustomPanel", "TCustomControl"}), K::Box, TChildAction::MatchBefore},
        {"group box is gated by xcPanel", Facts({"TGroupBox", "TCustomGroupBox"}, AppControls & ~SkinBit(xcPanel)),
         K::None, TChildAction::None},
        {"group box", Facts({"TGroupBox", "TCustomGroupBox"}), K::GroupBox, TChildAction::MatchBefore},
        {"radio group", Facts({"TRadioGroup", "TCustomRadioGroup", "TCustomGroupBox"}), K::GroupBox, TChildAction::Each},
        {"status bar", Facts({"TStatusBar", "TWinControl"}), K::StatusBar, TChildAction::None},
        {"progress bar", Facts({"TProgressBar"}), K::Progress, TChildAction::None},
        {"tool bar", Facts({"TToolBar"}), K::ToolBar, TChildAction::None},
        {"cool bar", Facts({"TCoolBar"}), K::CoolBar, TChildAction::None},
        {"page control", Facts({"TPageControl"}), K::Tab, TChildAction::None},
        {"tab sheet", Facts({"TTabSheet"}), K::TabSheet, TChildAction::None},
        {"grid without xcScrollbar", Facts({"TDBGridEh", "TCustomDBGridEh", "TCustomGrid"}), K::None, TChildAction::None},
        {"grid with xcScrollbar", Facts({"TDBGridEh", "TCustomGrid"}, AppControls | SkinBit(xcScrollbar)), K::Scrollbar,
         TChildAction::None},
        {"grid's own combo box is never skinned", Facts({"TDBComboBoxEh", "TCustomComboBox"}), K::None,
         TChildAction::None},
        {"label", Facts({"TLabel", "TGraphicControl"}), K::None, TChildAction::None},
        {"form inside the window", Facts({"TFrm_Tree", "TForm", "TCustomForm"}), K::Box, TChildAction::MatchComponents},
        {"map: button edit is an edit (with a border)", Facts({"TRzButtonEdit", "TRzEdit", "TCustomEdit"}), K::Edit,
         TChildAction::None},
        {"map: data check box", Facts({"TDBCheckboxEh", "TCustomCheckBox"}), K::CheckBox, TChildAction::None},
        {"map: unknown kind stops before the class rules", Facts({"TOdd", "TButton"}), K::None, TChildAction::None},
        {"map: nil", Facts({"tnothing", "TEdit", "TCustomEdit"}), K::None, TChildAction::None},
        {"map: third-party radio group", Facts({"TRzRadioGroup"}), K::GroupBox, TChildAction::Each},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TMatchDecision d = DecideControl(AppMap, c.facts);
        EXPECT_EQ(d.Kind, c.kind);
        EXPECT_EQ(d.Children, c.children);
    }
}

TEST(SkinControlRules, MapRowsDecideBorderTransparencyAndChildren) {
    const TMatchDecision edit = DecideControl(AppMap, Facts({"TRzButtonEdit"}));
    EXPECT_TRUE(edit.OnlyWithBorder);
    const TMatchDecision panel = MatchByMap("panel", Facts({"TTBDock"}));
    EXPECT_TRUE(panel.SetTransparent);
    EXPECT_TRUE(panel.ChangeColor);
    const TMatchDecision radios = DecideControl(AppMap, Facts({"TRzRadioGroup"}));
    EXPECT_EQ(radios.ChildKind, K::ObjImageRadio);  // the class name holds "TRZ"
    const TMatchDecision checks = DecideControl(AppMap, Facts({"TRzCheckGroup"}, AppControls & ~SkinBit(xcGroupBox)));
    EXPECT_EQ(checks.Kind, K::None);
    EXPECT_EQ(checks.ChildKind, K::ObjImageCheck);
    const TMatchDecision dropDown = [] {
        TControlFacts f = Facts({"TcxButton"});
        f.KindProperty = "cxbkDropDownButton";
        return MatchByMap("bitbtn", f);
    }();
    EXPECT_EQ(dropDown.Kind, K::MenuButton);
    EXPECT_TRUE(DecideControl(AppMap, Facts({"TOdd"})).Decided);
    EXPECT_FALSE(DecideControl(AppMap, Facts({"TLabel"})).Decided);
    std::string kind;
    EXPECT_TRUE(MapKindOf({"tdbcheckboxeh=CheckBox"}, "TDBCheckboxEh", kind));
    EXPECT_EQ(kind, "checkbox");
    EXPECT_FALSE(MapKindOf({"TDBCheckboxEhX=checkbox"}, "TDBCheckboxEh", kind));
}

TEST(SkinControlRules, PageControlTabsNeedTheTabsElement) {
    TControlFacts f = Facts({"TPageControl"});
    f.HasTabs = false;
    EXPECT_EQ(DecideControl({}, f).Kind, K::None);
    f.HasTabs = true;
    f.TabStyleButtons = true;
    EXPECT_EQ(DecideControl({}, f).Kind, K::TabButtons);
}

TEST(SkinControlRules, WindowsOfOtherModulesByClassAndStyle) {
    struct Case {
        const char* name;
        const char* cls;
        std::uint32_t style;
        K kind;
    } cases[] = {
        {"push button", "button", 0x0, K::Button},
        {"default push button", "button", 0x1, K::Button},
        {"check box", "button", 0x2, K::CheckBox},
        {"auto check box", "button", 0x3, K::CheckBox},
        {"radio button", "button", 0x4, K::RadioButton},
        {"three-state", "button", 0x5, K::CheckBox},
        {"auto three-state", "button", 0x6, K::CheckBox},
        {"group box", "button", 0x7, K::None},
        {"auto radio button", "button", 0x9, K::RadioButton},
        {"push box keeps the system look", "button", 0xA, K::None},
        {"owner-drawn", "button", 0xB, K::None},
        {"split button keeps the system look", "button", 0xC, K::None},
        {"command link keeps the system look", "button", 0xE, K::None},
        {"bitmap push button", "button", 0x80, K::None},
        {"drop-down combo", "combobox", 0x2, K::ComBox},
        {"simple combo", "combobox", 0x1, K::None},
        {"size grip", "scrollbar", 0x10, K::Sizer},
        {"size box", "scrollbar", 0x8, K::Sizer},
        {"a real scroll bar gets the overlay", "scrollbar", 0x1, K::ScrollBarControl},
        {"a scroll bar with a tab stop is left alone", "scrollbar", 0x10001, K::None},
        {"date-time picker", "sysdatetimepick32", 0x0, K::DateTime},
        {"dialog", "#32770", 0x0, K::DialogBackground},
        {"tab control", "systabcontrol32", 0x0, K::Tab},
        {"owner-drawn tab control", "systabcontrol32", 0x2000, K::None},
        {"edit", "edit", 0x0, K::Edit},
        {"tree view", "systreeview32", 0x0, K::None},
        {"tool bar", "toolbarwindow32", 0x0, K::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(DecideWindow(c.cls, c.style).Kind, c.kind);
    }
    EXPECT_TRUE(DecideWindow("#32770", 0).SkinChildren);
    EXPECT_TRUE(DecideWindow("comboboxex32", 0).OnFirstChild);
    EXPECT_TRUE(DecideWindow("tpanel", 0).FaceColour);
}

TEST(SkinControlRules, ButtonFramesAndGlyphCells) {
    struct Case {
        bool pressed, hot, focused, enabled;
        int frame;
    } cases[] = {
        {false, false, false, true, 1}, {true, true, true, true, 2}, {false, true, true, true, 4},
        {false, false, true, true, 5}, {true, true, true, false, 3},
    };
    for (const Case& c : cases) EXPECT_EQ(ButtonFrame(c.pressed, c.hot, c.focused, c.enabled), c.frame);
    EXPECT_EQ(GlyphCell(true, true, false, 3), 3);
    EXPECT_EQ(GlyphCell(false, false, false, 3), 2);
    EXPECT_EQ(GlyphCell(false, true, true, 4), 4);
    // A strip of one picture shows it in every state; a count below one is taken as one.
    for (int numGlyphs : {1, 0, -3}) {
        EXPECT_EQ(GlyphCell(true, true, false, numGlyphs), 1);
        EXPECT_EQ(GlyphCell(false, false, false, numGlyphs), 1);
    }
    EXPECT_EQ(CaptionLines("Save||Close||x"), "Save\r\nClose||x");
}

TEST(SkinControlRules, BitButtonLayout) {
    struct Case {
        const char* name;
        TButtonLayoutInput in;
        TButtonLayoutResult out;
    } cases[] = {
        // 100 x 30, glyph 16 x 16, text 40 x 14.
        {"centred, spacing 4", {0, 100, 30, 16, 16, 40, 14, -1, 4, false}, {{20, 7}, {40, 8, 80, 22}}},
        {"centred, spacing -1 shares the space in thirds", {0, 100, 30, 16, 16, 40, 14, -1, -1, false},
         {{14, 7}, {44, 8, 84, 22}}},
        {"margin 5, spacing -1", {0, 100, 30, 16, 16, 40, 14, 5, -1, false}, {{5, 7}, {40, 8, 80, 22}}},
        {"taCenter ignores the margin", {0, 100, 30, 16, 16, 40, 14, 5, 4, true}, {{20, 7}, {40, 8, 80, 22}}},
        {"glyph right, margin 5", {1, 100, 30, 16, 16, 40, 14, 5, 4, false}, {{79, 7}, {35, 8, 75, 22}}},
        {"glyph top", {2, 60, 60, 16, 16, 40, 14, -1, 4, false}, {{22, 13}, {10, 33, 50, 47}}},
        {"glyph bottom, margin 2", {3, 60, 60, 16, 16, 40, 14, 2, 4, false}, {{22, 42}, {10, 24, 50, 38}}},
        {"no glyph: no spacing, text centred", {0, 100, 30, 0, 0, 40, 14, -1, 4, false}, {{30, 15}, {30, 8, 70, 22}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const TButtonLayoutResult r = LayoutButton(c.in);
        EXPECT_EQ(r.Glyph, c.out.Glyph);
        EXPECT_EQ(r.Text, c.out.Text);
    }
}

TEST(SkinControlRules, CheckBoxState) {
    TCheckFacts f;
    EXPECT_EQ(CheckStateOf(f), TCheckState::Unchecked);
    f.MessageChecked = true;
    EXPECT_EQ(CheckStateOf(f), TCheckState::Checked);
    f.HasState = true;
    f.State = "cbUnchecked";
    EXPECT_EQ(CheckStateOf(f), TCheckState::Unchecked);
    f.State = "cbGrayed";
    EXPECT_EQ(CheckStateOf(f), TCheckState::Grayed);
    f = {};
    f.HasChecked = true;
    f.Checked = "True";
    EXPECT_EQ(CheckStateOf(f), TCheckState::Checked);
    // A data-aware box shows what the last BM_SETCHECK said.
    f = {};
    f.HasDataField = true;
    f.LastSetCheck = 3;  // BST_INDETERMINATE + 1
    EXPECT_EQ(CheckStateOf(f), TCheckState::Grayed);
    f.LastSetCheck = 0;
    f.MessageChecked = true;
    EXPECT_EQ(CheckStateOf(f), TCheckState::Checked);
    f = {};
    f.MessageChecked = true;
    f.HasDataBinding = true;
    EXPECT_EQ(CheckStateOf(f), TCheckState::Unchecked);
    f.MessageIndeterminate = true;
    EXPECT_EQ(CheckStateOf(f), TCheckState::Grayed);
}

TEST(SkinControlRules, CheckAndRadioFramesStayInsideTheirStrips) {
    struct Case {
        TCheckState state;
        bool disabled;
        int four, twelve;
    } cases[] = {
        {TCheckState::Unchecked, false, 1, 1}, {TCheckState::Checked, false, 2, 5},
        {TCheckState::Unchecked, true, 3, 4},  {TCheckState::Checked, true, 4, 8},
        {TCheckState::Grayed, false, 4, 9},    {TCheckState::Grayed, true, 4, 12},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckBoxFrame(c.state, c.disabled, 4), c.four);
        EXPECT_EQ(CheckBoxFrame(c.state, c.disabled, 12), c.twelve);
    }
    EXPECT_EQ(RadioFrame(false, false, 4), 1);
    EXPECT_EQ(RadioFrame(true, false, 4), 2);
    EXPECT_EQ(RadioFrame(false, true, 4), 3);
    EXPECT_EQ(RadioFrame(true, true, 4), 4);
    EXPECT_EQ(RadioFrame(true, false, 8), 5);
    EXPECT_EQ(RadioFrame(false, true, 8), 4);
    EXPECT_EQ(RadioFrame(true, true, 8), 8);
}

TEST(SkinControlRules, MarkLayout) {
    const TMarkLayout left = LayoutMark(100, 21, 13, 13, false, false);
    EXPECT_EQ(left.Mark, (TRectI{0, 4, 13, 17}));
    EXPECT_EQ(left.TextArea, (TRectI{15, 0, 100, 21}));
    const TMarkLayout right = LayoutMark(100, 21, 13, 13, true, true);
    EXPECT_EQ(right.Mark, (TRectI{87, 4, 100, 17}));
    EXPECT_EQ(right.TextArea, (TRectI{0, 0, 85, 21}));
    EXPECT_TRUE(right.AlignRight);
    EXPECT_FALSE(LayoutMark(100, 21, 13, 13, true, false).AlignRight);
}

TEST(SkinControlRules, StatusBarAndGroupBoxGeometry) {
    const std::vector<TRectI> panels =
        StatusPanelRects({{0, 2, 100, 20}, {102, 2, 200, 20}, {202, 2, 250, 20}}, 400);
    ASSERT_EQ(panels.size(), 3u);
    EXPECT_EQ(panels[0], (TRectI{0, 2, 102, 20}));
    EXPECT_EQ(panels[1], (TRectI{102, 2, 202, 20}));
    EXPECT_EQ(panels[2], (TRectI{202, 2, 400, 20}));  // the last panel reaches the edge
    EXPECT_TRUE(StatusPanelRects({}, 400).empty());
    EXPECT_EQ(StatusBevelFrame(0), 3);
    EXPECT_EQ(StatusBevelFrame(1), 1);
    EXPECT_EQ(StatusBevelFrame(2), 2);
    EXPECT_EQ(GroupBoxFrameTop(13), 5);
    EXPECT_EQ(GroupBoxFrameTop(16), 7);
}

TEST(SkinControlRules, RangeControls) {
    EXPECT_EQ(UpDownHalfState(true, true, true, true), 3);
    EXPECT_EQ(UpDownHalfState(false, true, true, true), 2);
    EXPECT_EQ(UpDownHalfState(false, true, false, true), 4);
    EXPECT_EQ(UpDownHalfState(false, false, true, true), 1);  // only the half under the cursor is pressed
    struct Case {
        int width, pos, high, filled;
    } cases[] = {
        {200, 0, 100, 0}, {200, 50, 0, 0}, {200, 50, 100, 100}, {200, 100, 100, 200},
        {200, 1, 3, 67},  {200, 250, 100, 200}, {200, -5, 100, 0}, {0, 5, 10, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(ProgressFill(c.width, c.pos, c.high), c.filled);
    EXPECT_EQ(ProgressChunks(95, 10), 9);
    EXPECT_EQ(ProgressChunks(95, 0), 0);
}

TEST(SkinControlRules, TabsAndComboGeometry) {
    EXPECT_EQ(TabSide(0), 0);
    EXPECT_EQ(TabSide(2), 1);
    EXPECT_EQ(TabSide(0x80), 2);
    EXPECT_EQ(TabSide(0x82), 3);
    EXPECT_EQ(TabCloseRect({10, 0, 70, 20}), (TRectI{62, 2, 68, 8}));
    EXPECT_EQ(TabDisplayRect({4, 24, 196, 146}, 0), (TRectI{0, 21, 200, 150}));
    EXPECT_EQ(TabDisplayRect({4, 4, 196, 126}, 1), (TRectI{0, 0, 200, 129}));
    EXPECT_EQ(ComboButtonRect(120, 21, 17, false), (TRectI{103, 0, 120, 21}));
    EXPECT_EQ(ComboButtonRect(120, 21, 17, true), (TRectI{0, 0, 17, 21}));
    EXPECT_EQ(ComboButtonRect(10, 21, 17, false), (TRectI{0, 0, 10, 21}));
}

TEST(SkinControlRules, TabSetShowsTheTabsThatFit) {
    using Cells = std::vector<TTabSetCell>;
    const std::vector<int> texts{20, 30, 40};
    struct Case {
        const char* what;
        int first, selected, width, start, end;
        bool scroller;
        Cells cells;
    } cases[] = {
        {"all fit", 0, 1, 200, 5, 5, false,
         {{0, {5, 0, 34, 20}, 1}, {1, {34, 0, 73, 20}, 2}, {2, {73, 0, 122, 20}, 1}}},
        {"the last ends exactly at the right margin", 0, 0, 127, 5, 5, false,
         {{0, {5, 0, 34, 20}, 2}, {1, {34, 0, 73, 20}, 1}, {2, {73, 0, 122, 20}, 1}}},
        {"one pixel short", 0, 0, 126, 5, 5, false, {{0, {5, 0, 34, 20}, 2}, {1, {34, 0, 73, 20}, 1}}},
        {"the scroller takes 21 more", 0, 0, 127, 5, 5, true, {{0, {5, 0, 34, 20}, 2}, {1, {34, 0, 73, 20}, 1}}},
        {"the scroller drops a tab that would fit without it", 0, 0, 98, 5, 5, true, {{0, {5, 0, 34, 20}, 2}}},
        {"from the first visible tab", 1, 2, 200, 0, 0, false, {{1, {0, 0, 39, 20}, 1}, {2, {39, 0, 88, 20}, 2}}},
        {"first index past the end", 3, 0, 200, 0, 0, false, {}},
        {"first index below zero starts at the first", -2, 0, 40, 0, 0, false, {{0, {0, 0, 29, 20}, 2}}},
        {"too narrow for any", 0, 0, 20, 0, 0, false, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TabSetLayout(texts, c.first, c.selected, c.width, 20, c.start, c.end, c.scroller), c.cells) << c.what;
}

TEST(SkinControlRules, GlyphStripsOfOtherLibraries) {
    EXPECT_EQ(ObjImageCells(1, 5), (std::vector<int>{0, 1, 4, 0, 1, 4, 2, 3, 4}));
    EXPECT_EQ(ObjImageCells(1, 4), (std::vector<int>{0, 1, -1, 0, 1, -1, 2, 3, -1}));
    EXPECT_EQ(ObjImageCells(2, 4), (std::vector<int>{0, 1, 0, 1, 2, 3}));
    EXPECT_EQ(ObjImageCells(3, 5), (std::vector<int>{0, 1, 4, 0, 1, 4}));
    EXPECT_TRUE(ObjImageCells(7, 5).empty());
}

}  // namespace
