// The decisions of window skinning: window choice, choice of skin, frame kind, caption buttons,
// client rectangle and hit tests.
#include "SkinFrameRules.h"

#include <gtest/gtest.h>

namespace {

using namespace skinrules;

TEST(SkinFrameRules, WindowChoice) {
    TWindowFacts base;
    base.ManagerActive = true;
    base.HasControl = true;
    base.ClassName = "TFrm_Main";
    base.HasArea = true;
    struct Case {
        const char* what;
        void (*change)(TWindowFacts&);
        bool expected;
    } cases[] = {
        {"a form of the program", [](TWindowFacts&) {}, true},
        {"skinning switched off", [](TWindowFacts& w) { w.ManagerActive = false; }, false},
        {"already skinned", [](TWindowFacts& w) { w.AlreadySkinned = true; }, false},
        {"plain child", [](TWindowFacts& w) { w.PlainChild = true; }, false},
        {"plain child during skin-all", [](TWindowFacts& w) { w.PlainChild = w.SkinningAll = true; }, true},
        {"dialog of another module",
         [](TWindowFacts& w) { w.HasControl = false; w.ClassName = "#32770"; }, true},
        {"other window of another module",
         [](TWindowFacts& w) { w.HasControl = false; w.ClassName = "Edit"; }, false},
        {"foreign window of this module",
         [](TWindowFacts& w) { w.HasControl = false; w.SameModule = true; w.ClassName = "Edit"; }, true},
        {"zero size", [](TWindowFacts& w) { w.HasArea = false; }, false},
        {"zero size MDI child", [](TWindowFacts& w) { w.HasArea = false; w.MDIChild = true; }, true},
        {"tag 99", [](TWindowFacts& w) { w.ControlTag = 99; }, false},
        {"tag 99 without a control",
         [](TWindowFacts& w) { w.HasControl = false; w.SameModule = true; w.ControlTag = 99; }, true},
        {"application window", [](TWindowFacts& w) { w.ClassName = "TApplication"; }, false},
        {"popup edit window", [](TWindowFacts& w) { w.ClassName = "xTcxPopupEditPopupWindowy"; }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TWindowFacts w = base;
        c.change(w);
        EXPECT_EQ(WindowQualifies(w), c.expected);
    }
    EXPECT_TRUE(IsPlainChild(StyleChild, 0, "TPanel"));
    EXPECT_FALSE(IsPlainChild(StyleChild, 0, "MDIClient"));
    EXPECT_FALSE(IsPlainChild(StyleChild, ExStyleMDIChild, "TPanel"));
    EXPECT_FALSE(IsPlainChild(0, 0, "TPanel"));
    EXPECT_TRUE(IsPreviewClass("TfrPREVIEWForm"));
    EXPECT_FALSE(IsPreviewClass("TFrm_Main"));
}

TEST(SkinFrameRules, ChoiceOfSkinComponent) {
    // Form types: 0 main form, 1 only this form, 2 dialog.
    const std::vector<TSkinDataFacts> datas = {{2, false}, {0, false}, {1, true}, {0, false}, {2, false}, {1, false}};
    EXPECT_EQ(ChooseSkinData(datas, "TFrm_Main"), 2);  // its own form's component first
    std::vector<TSkinDataFacts> notOwned = datas;
    notOwned[2].OwnsWindow = false;
    EXPECT_EQ(ChooseSkinData(notOwned, "#32770"), 4);        // the last dialog component
    EXPECT_EQ(ChooseSkinData(notOwned, "TMessageForm"), 4);  // in any letter case
    EXPECT_EQ(ChooseSkinData(notOwned, "TFrm_Main"), 3);     // the last main-form component
    EXPECT_EQ(ChooseSkinData({{1, false}, {3, false}}, "#32770"), 0);  // else the first
    EXPECT_EQ(ChooseSkinData({}, "#32770"), -1);
}

TEST(SkinFrameRules, BorderKindAndBoxes) {
    struct Case {
        std::uint32_t style, exStyle;
        const char* className;
        TBorderKind expected;
    } cases[] = {
        {StyleCaption | StyleThickFrame, 0, "TFrm_Main", bkSizeable},
        {StyleCaption, 0, "TFrm_Main", bkFixed},
        {0x00400000 /* dialog frame only */, 0, "TFrm_Main", bkNoCaption},
        {StyleThickFrame, 0, "TFrm_Main", bkNoCaption},
        {StyleCaption | StyleModalFrame, 0, "TFrm_Main", bkDialog},
        {StyleCaption, ExStyleDlgModalFrame, "TFrm_Main", bkDialog},
        {StyleCaption | StyleThickFrame, 0, "#32770", bkDialog},
        {StyleCaption, 0, "TMessageForm", bkDialog},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.className);
        EXPECT_EQ(BorderKindOf(c.style, c.exStyle, c.className), c.expected);
    }
    EXPECT_EQ(BoxesOf(StyleMaximizeBox | StyleMinimizeBox | StyleSysMenu, false), 1 | 2 | 8);
    EXPECT_EQ(BoxesOf(StyleMinimizeBox, true), 2 | 8);
    EXPECT_EQ(BoxesOf(0, false), 0);
    EXPECT_TRUE(WidensForCaption("#32770"));
    EXPECT_TRUE(WidensForCaption("TMessageForm"));
    EXPECT_FALSE(WidensForCaption("TFrm_Main"));
}

TEST(SkinFrameRules, CaptionButtonVisibility) {
    const TCaptionFacts none;
    TCaptionFacts normal;
    normal.Boxes = BoxMaximize | BoxMinimize | BoxSysMenu;
    TCaptionFacts maximized = normal;
    maximized.Maximized = true;
    TCaptionFacts inactive = normal;
    inactive.Active = false;
    TCaptionFacts noBoxes;
    noBoxes.Boxes = BoxSysMenu;
    TCaptionFacts dialog = noBoxes;
    dialog.DialogFrame = dialog.DialogFrameNotWidened = true;
    TCaptionFacts mdiFrame = normal;
    mdiFrame.MDIFrameWithMaximizedChild = true;

    struct Case {
        int visibility, visibility1, action;
        const TCaptionFacts* facts;
        bool expected;
    } cases[] = {
        {0, 0, 0, &normal, true},        // close: always, needs the system menu
        {0, 0, 0, &none, false},
        {2, 6, 1, &normal, true},        // maximise while normal
        {2, 6, 1, &maximized, false},
        {1, 6, 1, &maximized, true},     // restore while maximised
        {1, 6, 1, &normal, false},
        {0, 8, 2, &normal, true},        // minimise with a minimise box
        {0, 8, 2, &noBoxes, false},
        {3, 0, 5, &normal, true},        // active / inactive
        {3, 0, 5, &inactive, false},
        {4, 0, 5, &inactive, true},
        {0, 3, 5, &inactive, false},
        {0, 4, 5, &inactive, true},
        {6, 0, 5, &normal, true},        // A 6: maximise box and system menu
        {6, 0, 5, &noBoxes, false},
        {0, 6, 5, &normal, true},        // B 6: maximise box alone
        {7, 7, 5, &noBoxes, true},       // no maximise box
        {7, 0, 5, &normal, false},
        {9, 9, 5, &noBoxes, true},       // no minimise box
        {0, 9, 5, &normal, false},
        {8, 0, 5, &noBoxes, false},
        {100, 100, 5, &mdiFrame, true},  // maximised-child buttons of an MDI frame
        {100, 0, 5, &normal, false},
        {0, 100, 5, &normal, false},
        {200, 200, 5, &dialog, true},    // dialog frames
        {200, 0, 5, &normal, false},
        {201, 2000, 5, &normal, true},   // ranges that always hold
        {999, 201, 5, &normal, true},
        {5, 0, 5, &normal, false},       // codes that never hold
        {50, 0, 5, &normal, false},
        {2001, 0, 5, &normal, false},
        {0, -1, 5, &normal, false},
        {0, 5, 5, &normal, false},
        {0, 2001, 5, &normal, false},
        {0, 0, 3, &normal, true},        // the icon: not on dialog frames
        {0, 0, 11, &dialog, false},
        {0, 0, 12, &dialog, false},
        {0, 0, 2, &noBoxes, false},      // minimise needs its box
        {0, 0, 1, &noBoxes, false},      // maximise needs its box
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.visibility << "/" << c.visibility1 << " action " << c.action);
        EXPECT_EQ(CaptionButtonVisible(c.visibility, c.visibility1, c.action, *c.facts), c.expected);
    }

    // Codes 1000 to 2000 ask the window, with the code and the action.
    int askedCode = 0, askedAction = 0;
    auto yes = [&](int code, int action) { askedCode = code; askedAction = action; return 1; };
    EXPECT_TRUE(CaptionButtonVisible(1500, 0, 7, normal, yes));
    EXPECT_EQ(askedCode, 1500);
    EXPECT_EQ(askedAction, 7);
    EXPECT_FALSE(CaptionButtonVisible(1000, 0, 7, normal, [](int, int) { return 0; }));
    EXPECT_FALSE(CaptionButtonVisible(2000, 0, 7, normal));  // nobody to ask
}

TEST(SkinFrameRules, CaptionButtonLayout) {
    TCaptionGeometry g;
    g.WindowWidth = 300;
    g.TitleLeft = 30;
    g.TitleRight = 200;
    g.Frame = {4, 26, 5, 4, 20};
    g.MenuBarLeftWidth = 6;
    struct Case {
        int align, x, y;
        bool rtl;
        TPointI expected;
    } cases[] = {
        {0, 5, 4, false, {5, 4}},
        {1, 24, 4, false, {276, 4}},
        {2, 3, 4, false, {200 - 18 - 3, 4}},
        {8, 3, 4, false, {200 - 18 - 3, 4}},
        {3, 3, 4, false, {33, 4}},
        {9, 3, 4, false, {33, 4}},
        {100, 10, 0, false, {300 - 10 - 5 - 6, 26 + (20 - 14) / 2}},
        {100, 10, 0, true, {10 + 4 + 6, 26 + (20 - 14) / 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.align);
        g.RightToLeft = c.rtl;
        EXPECT_EQ(CaptionButtonOrigin(c.align, c.x, c.y, 18, 14, g), c.expected);
    }
}

TEST(SkinFrameRules, ClientRectangleAndOuterSize) {
    const TFrameSizes frame{4, 26, 5, 3, 0};
    EXPECT_EQ(SkinClientRect({100, 50, 400, 350}, frame), (TRectI{104, 76, 395, 347}));
    const TFrameSizes withMenu{4, 26, 5, 3, 19};
    EXPECT_EQ(SkinClientRect({0, 0, 300, 200}, withMenu), (TRectI{4, 45, 295, 197}));
    // A window smaller than its frame gets an empty client area, never an inverted one.
    EXPECT_EQ(SkinClientRect({0, 0, 6, 20}, frame), (TRectI{4, 26, 4, 26}));
    // The outer size keeps the client area: the inset of that size gives it back.
    const TPointI size = SkinWindowSize(200, 100, withMenu);
    EXPECT_EQ(size, (TPointI{209, 148}));
    const TRectI back = SkinClientRect({0, 0, size.X, size.Y}, withMenu);
    EXPECT_EQ(back.Right - back.Left, 200);
    EXPECT_EQ(back.Bottom - back.Top, 100);
}

TEST(SkinFrameRules, HitTestRemap) {
    const TFrameSizes frame{4, 26, 4, 4, 18};
    struct Case {
        int code, y;
        bool menuBar;
        int expected;
    } cases[] = {
        {HitClose, 10, false, HitCaption},    // the system's buttons are not drawn: caption
        {HitMaxButton, 10, false, HitCaption},
        {HitMinButton, 10, false, HitCaption},
        {HitSysMenu, 10, false, HitCaption},
        {HitHelp, 10, false, HitCaption},
        {HitNowhere, 10, false, HitCaption},  // skin caption taller than the system's
        {HitNowhere, 3, false, HitNowhere},   // the top 3 pixels stay as they were
        {HitNowhere, 30, true, HitMenu},      // the menu strip
        {HitNowhere, 30, false, HitNowhere},  // no menu bar: no menu answer
        {HitNowhere, 200, true, HitNowhere},  // the bottom border is neither caption nor menu
        {HitCaption, 200, false, HitCaption},
        {HitClient, 10, false, HitClient},    // other answers pass
        {12 /* top */, 2, false, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.code << " at " << c.y);
        EXPECT_EQ(RemapHitTest(c.code, c.y, frame, c.menuBar), c.expected);
    }
}

TEST(SkinFrameRules, CaptionButtonCommands) {
    struct Case {
        int action, placement;
        TCaptionCommand expected;
    } cases[] = {
        {0, 0, ccClose},        {1, 0, ccMaximize},      {1, 1, ccRestore},       {22, 0, ccMaximize},
        {2, 0, ccMinimize},     {2, 2, ccRestore},       {23, 1, ccMinimize},     {3, 0, ccSystemMenu},
        {11, 0, ccSystemMenu},  {12, 1, ccSystemMenu},   {7, 0, ccChildMinimize}, {60, 0, ccChildMinimize},
        {8, 0, ccChildRestore}, {61, 0, ccChildRestore}, {9, 0, ccChildClose},    {62, 0, ccChildClose},
        {4, 0, ccCustom},       {99, 0, ccCustom},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.action);
        EXPECT_EQ(CaptionButtonCommand(c.action, c.placement), c.expected);
    }
}

}  // namespace
