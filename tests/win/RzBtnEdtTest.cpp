// The button-edit controls in real windows: the framed edit's colours by state and its frame drawn
// into a memory bitmap, Enter as Tab, the mask and its veto, the frame controller's sharing of
// settings by name, the button edit's button (mouse and F4), AllowKeyEdit, the layout of the
// button pair, and the control button's glyph count and click rules.
#include "RzBtnEdt.h"
#include "TestControls.h"

#include <gtest/gtest.h>

namespace {

class RzControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterRzBtnEdtClasses();
    }

    RzControlsTest() {
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(100, 100, 400, 200);
    }

    template <class T>
    T* Make(int left, int top) {
        auto* control = New<T>(form_.get());
        control->SetParent(form_.get());
        control->SetBounds(left, top, 150, 21);
        return control;
    }

    void ShowForm() {
        form_->Show();
        Application->ProcessMessages();
    }

    // Posts a key; the application's loop runs it through the form's key handling.
    static void PostKey(HWND window, WORD key) {
        PostMessageW(window, WM_KEYDOWN, key, 1);
        Application->ProcessMessages();
    }

    // The RGB value of `color`.
    static TColor Rgb(TColor color) { return ColorToRGB(color); }

    TScopedApplication app_;
    Owned<TForm> form_;
};

// ---- Framed edit --------------------------------------------------------------------------------

TEST_F(RzControlsTest, ColourFollowsFocusAndEnabledAndRemembersTheUsersColour) {
    auto* edit = Make<TRzEdit>(10, 10);
    auto* other = Make<TRzEdit>(10, 40);
    edit->ChangeFocusColor(clYellow);
    edit->ChangeDisabledColor(clSilver);
    ShowForm();
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clWindow);
    edit->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clYellow);
    // The state colour is not taken for the user's colour.
    EXPECT_EQ(edit->NormalColor(), clWindow);
    other->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(edit->Color(), clWindow);
    edit->SetEnabled(false);
    EXPECT_EQ(edit->Color(), clSilver);
    edit->SetEnabled(true);
    EXPECT_EQ(edit->Color(), clWindow);

    // A colour set while FocusColor equals the normal colour carries FocusColor along.
    auto* plain = Make<TRzEdit>(10, 70);
    plain->SetColor(clAqua);
    EXPECT_EQ(plain->FocusColor(), clAqua);
    EXPECT_EQ(plain->NormalColor(), clAqua);
    plain->SetFocus();
    Application->ProcessMessages();
    EXPECT_EQ(plain->Color(), clAqua);
    // FocusColor of its own stays when the colour changes.
    edit->SetColor(clLime);
    EXPECT_EQ(edit->FocusColor(), clYellow);
    EXPECT_EQ(edit->NormalColor(), clLime);
}

TEST_F(RzControlsTest, FrameIsDrawnInItsStyleAndHotStyle) {
    auto* edit = Make<TRzEdit>(10, 10);
    edit->ChangeFrameVisible(true);
    edit->ChangeFrameColor(clRed);
    edit->ChangeFrameHotColor(clBlue);
    edit->SetColor(clWhite);
    TBitmap bitmap;
    bitmap.SetSize(edit->Width(), edit->Height());
    auto paint = [&] {
        bitmap.Canvas()->Brush()->SetColor(clGreen);
        bitmap.Canvas()->FillRect(Rect(0, 0, bitmap.Width(), bitmap.Height()));
        edit->PaintFrameTo(*bitmap.Canvas());
    };
    auto pixel = [&](int x, int y) { return static_cast<TColor>(bitmap.Canvas()->Pixels[x][y]); };
    const int right = edit->Width() - 1, bottom = edit->Height() - 1;

    // fsFlat: one line of FrameColor, the old frame cleared to the fill colour inside it.
    paint();
    EXPECT_EQ(pixel(0, 0), clRed);
    EXPECT_EQ(pixel(right, bottom), clRed);
    EXPECT_EQ(pixel(1, 1), clWhite);
    EXPECT_EQ(pixel(5, 5), clGreen);  // the client area is not touched

    // Hot tracking while focused: fsFlatBold in FrameHotColor, two pixels wide.
    edit->ChangeFrameHotTrack(true);
    ShowForm();
    edit->SetFocus();
    Application->ProcessMessages();
    paint();
    EXPECT_EQ(pixel(0, 5), clBlue);
    EXPECT_EQ(pixel(1, 5), clBlue);
    EXPECT_EQ(pixel(2, 5), clGreen);

    // A two-layer style: system colours on the window colour, derived colours on another fill.
    edit->ChangeFrameHotTrack(false);
    edit->ChangeFrameStyle(fsLowered);
    edit->SetColor(clWindow);
    edit->Perform(CM_EXIT);
    paint();
    EXPECT_EQ(pixel(0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(pixel(1, 1), Rgb(cl3DDkShadow));
    EXPECT_EQ(pixel(right, bottom), Rgb(clBtnHighlight));
    edit->SetColor(clTeal);
    paint();
    EXPECT_EQ(pixel(0, 0), DarkenColor(clTeal, 50));
    EXPECT_EQ(pixel(1, 1), DarkenColor(clTeal, 100));
    EXPECT_EQ(pixel(right, bottom), BrightenColor(clTeal, 100));
}

TEST_F(RzControlsTest, EnterMovesOnLikeTabOnlyWithTabOnEnter) {
    auto* first = Make<TRzEdit>(10, 10);
    auto* second = Make<TRzEdit>(10, 40);
    ShowForm();
    first->SetFocus();
    Application->ProcessMessages();
    PostKey(first->Handle(), VK_RETURN);
    EXPECT_EQ(GetFocus(), first->Handle());
    first->SetTabOnEnter(true);
    PostKey(first->Handle(), VK_RETURN);
    EXPECT_EQ(GetFocus(), second->Handle());
    EXPECT_EQ(first->GetText(), "");
}

TEST_F(RzControlsTest, MaskLaysTextOutAndAValidationHandlerMayReplaceTheError) {
    auto* edit = Make<TRzEdit>(10, 10);
    edit->SetEditMask("000;1;_");
    edit->SetText("12");
    EXPECT_EQ(edit->GetText(), "12_");
    EXPECT_THROW(edit->ValidateEdit(), EDBEditError);
    // An empty message from the handler lets the standard error through; another one replaces it.
    String answer;
    struct THandler {
        String* answer;
        void Validate(TObject*, String& message) { message = *answer; }
    } handler{&answer};
    edit->OnValidateError = Event<&THandler::Validate>(&handler);
    try {
        edit->ValidateEdit();
        ADD_FAILURE() << "no error";
    } catch (const EDBEditError& e) {
        EXPECT_EQ(e.Message, kMaskValidationErrorText);
    }
    answer = "三位数字";
    try {
        edit->ValidateEdit();
        ADD_FAILURE() << "no error";
    } catch (const EDBEditError& e) {
        EXPECT_EQ(e.Message, "三位数字");
    }
    edit->SetText("123");
    EXPECT_NO_THROW(edit->ValidateEdit());
    // Without a mask the text is kept as it is.
    edit->SetEditMask("");
    edit->SetText("a b ");
    EXPECT_EQ(edit->GetText(), "a b ");
}

TEST_F(RzControlsTest, TextAndSelectionSurviveRecreatingTheWindow) {
    auto* edit = Make<TRzEdit>(10, 10);
    ShowForm();
    edit->SetText("个人分类");
    edit->SetSelStart(1);
    edit->SetSelLength(2);
    HWND before = edit->Handle();
    edit->ChangeFrameVisible(true);  // recreates the window
    EXPECT_NE(edit->Handle(), before);
    EXPECT_EQ(edit->GetText(), "个人分类");
    EXPECT_EQ(edit->SelStart(), 1);
    EXPECT_EQ(edit->SelLength(), 2);
}

// ---- Frame controller ---------------------------------------------------------------------------

TEST_F(RzControlsTest, FrameControllerPushesSettingsByNameAndForgetsFreedPartners) {
    Owned<TRzFrameController> controller(New<TRzFrameController>(nullptr));
    controller->ChangeFrameColor(clRed);
    controller->ChangeFrameStyle(fsGroove);
    controller->SetColor(clCream);
    auto* edit = Make<TRzEdit>(10, 10);
    auto* plain = Make<TEdit>(10, 40);  // publishes Color, but no frame properties
    edit->ChangeFrameController(controller.get());
    controller->RegisterControl(plain);
    // Registration copies everything at once.
    EXPECT_EQ(edit->FrameColor(), clRed);
    EXPECT_EQ(edit->FrameStyle(), fsGroove);
    EXPECT_EQ(edit->Color(), clCream);
    EXPECT_EQ(plain->Color(), clCream);
    // A change goes to every control that has the property.
    controller->ChangeFrameHotTrack(true);
    EXPECT_TRUE(edit->FrameHotTrack());
    EXPECT_TRUE(controller->FrameVisible());
    controller->ChangeFocusColor(clYellow);
    EXPECT_EQ(edit->FocusColor(), clYellow);
    controller->SetColor(clAqua);
    EXPECT_EQ(plain->Color(), clAqua);

    // Two suspends and two resumes push once, at the last resume; an extra resume leaves 0.
    controller->SuspendPush();
    controller->SuspendPush();
    controller->ChangeFrameSides(TSides{sdTop});
    controller->ChangeFrameColor(clLime);
    controller->ResumePush();
    EXPECT_EQ(edit->FrameColor(), clRed);
    controller->ResumePush();
    EXPECT_EQ(edit->FrameColor(), clLime);
    EXPECT_EQ(edit->FrameSides(), TSides{sdTop});
    controller->ResumePush();
    EXPECT_EQ(controller->UpdateCount(), 0);

    // A freed edit leaves the list; a freed controller leaves the edits with its last settings.
    plain->Free();
    EXPECT_EQ(controller->ControlCount(), 1);
    controller.reset();
    EXPECT_EQ(edit->FrameController(), nullptr);
    EXPECT_EQ(edit->FrameColor(), clLime);
}

TEST_F(RzControlsTest, LegacyFrameFlatSetsTheHotTrackingStyles) {
    auto* edit = Make<TRzEdit>(10, 10);
    const TPropInfo* info = GetPropInfo(edit, "FrameFlat");
    ASSERT_NE(info, nullptr);
    info->Set(edit, true);
    EXPECT_TRUE(edit->FrameHotTrack());
    EXPECT_EQ(edit->FrameStyle(), fsStatus);
    EXPECT_EQ(edit->FrameHotStyle(), fsLowered);
    GetPropInfo(edit, "FrameFocusStyle")->Set(edit, String("fsButtonDown"));
    EXPECT_EQ(edit->FrameHotStyle(), fsButtonDown);
}

// ---- Button edit ----------------------------------------------------------------------------------

struct TClickCounter {
    int clicks = 0;
    TObject* sender = nullptr;
    void Click(TObject* s) {
        ++clicks;
        sender = s;
    }
};

TEST_F(RzControlsTest, ButtonEditDefaultsAndLayout) {
    auto* edit = Make<TRzButtonEdit>(10, 10);
    edit->SetBounds(10, 10, 152, 20);
    ShowForm();
    TRzControlButton* main = edit->GetButtonByIndex(2);
    TRzControlButton* alternate = edit->GetButtonByIndex(1);
    EXPECT_TRUE(main->Visible());
    EXPECT_FALSE(alternate->Visible());
    EXPECT_EQ(edit->GetKind(2), bkLookup);
    EXPECT_EQ(main->NumGlyphs(), 2);
    EXPECT_FALSE(main->Glyph()->Empty());
    EXPECT_EQ(edit->GetShortCut(2), VK_F4);
    EXPECT_TRUE(edit->AllowKeyEdit());
    // The pair sits inside the right edge; the text stops before it.
    TRzButtonPair* pair = edit->Buttons();
    EXPECT_EQ(pair->Width(), main->Width());
    EXPECT_EQ(pair->Left(), edit->Width() - pair->Width() - 4);
    EXPECT_EQ(pair->Height(), edit->Height() - 3);
    EXPECT_EQ(HIWORD(SendMessageW(edit->Handle(), EM_GETMARGINS, 0, 0)), pair->Width() + 2);
    // Both buttons hidden: no pair width, margins of 2.
    edit->SetVisible(2, false);
    EXPECT_EQ(pair->Width(), 0);
    EXPECT_EQ(HIWORD(SendMessageW(edit->Handle(), EM_GETMARGINS, 0, 0)), 2);
    // Both shown: the alternate button follows the main one.
    edit->SetVisible(2, true);
    edit->SetVisible(1, true);
    EXPECT_EQ(pair->Width(), main->Width() + alternate->Width());
    EXPECT_EQ(alternate->Left(), main->Width());
    // A drop-down kind has no glyph; a glyph of one's own makes the kind custom.
    edit->SetKind(1, bkDropDown);
    EXPECT_TRUE(alternate->Glyph()->Empty());
    EXPECT_EQ(alternate->Style(), cbsDropDown);
    TBitmap glyph;
    glyph.SetSize(32, 16);
    edit->ChangeButtonGlyph(&glyph);
    EXPECT_EQ(edit->GetKind(2), bkCustom);
    EXPECT_EQ(main->NumGlyphs(), 2);
}

TEST_F(RzControlsTest, ButtonClickAndF4RaiseOnButtonClickOnceWithTheEdit) {
    auto* edit = Make<TRzButtonEdit>(10, 10);
    auto* other = Make<TRzEdit>(10, 40);
    TClickCounter counter;
    edit->OnButtonClick = Event<&TClickCounter::Click>(&counter);
    ShowForm();
    other->SetFocus();
    Application->ProcessMessages();

    // A mouse click on the button: focus moves to the edit, one click.
    TRzControlButton* main = edit->GetButtonByIndex(2);
    const LPARAM at = PointToLParam(main->Left() + 3, main->Top() + 3);
    PostMessageW(edit->Buttons()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    PostMessageW(edit->Buttons()->Handle(), WM_LBUTTONUP, 0, at);
    Application->ProcessMessages();
    EXPECT_EQ(counter.clicks, 1);
    EXPECT_EQ(counter.sender, edit);
    EXPECT_EQ(GetFocus(), edit->Handle());

    // F4 in the field clicks once and types nothing; other keys type.
    edit->SetText("abc");
    PostKey(edit->Handle(), VK_F4);
    EXPECT_EQ(counter.clicks, 2);
    EXPECT_EQ(edit->GetText(), "abc");
    // Shift+F4 is another short-cut.
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = 0x80;
    SetKeyboardState(state);
    PostKey(edit->Handle(), VK_F4);
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
    EXPECT_EQ(counter.clicks, 2);
    // A hidden or disabled button takes no short-cut.
    main->SetEnabled(false);
    PostKey(edit->Handle(), VK_F4);
    EXPECT_EQ(counter.clicks, 2);
    main->SetEnabled(true);
    // The alternate button with a short-cut of its own.
    TClickCounter alternate;
    edit->OnAltBtnClick = Event<&TClickCounter::Click>(&alternate);
    edit->SetVisible(1, true);
    edit->SetShortCut(1, VK_F3);
    PostKey(edit->Handle(), VK_F3);
    EXPECT_EQ(alternate.clicks, 1);
    EXPECT_EQ(counter.clicks, 2);
}

TEST_F(RzControlsTest, WithoutKeyEditOnlyTheButtonsFillTheField) {
    auto* edit = Make<TRzButtonEdit>(10, 10);
    TClickCounter counter;
    edit->OnButtonClick = Event<&TClickCounter::Click>(&counter);
    ShowForm();
    edit->SetFocus();
    edit->SetText("上海");
    edit->SetAllowKeyEdit(false);
    for (WORD key : {WORD('A'), WORD(VK_BACK), WORD(VK_DELETE)}) PostKey(edit->Handle(), key);
    EXPECT_EQ(edit->GetText(), "上海");
    edit->SelectAll();
    SendMessageW(edit->Handle(), WM_CUT, 0, 0);
    SendMessageW(edit->Handle(), WM_PASTE, 0, 0);
    EXPECT_EQ(edit->GetText(), "上海");
    PostKey(edit->Handle(), VK_F4);
    EXPECT_EQ(counter.clicks, 1);
    // Typing is allowed again with key editing on.
    edit->SetAllowKeyEdit(true);
    edit->SetSelStart(2);
    PostKey(edit->Handle(), 'A');
    EXPECT_EQ(edit->GetText(), "上海a");
}

// ---- Control button -------------------------------------------------------------------------------

TEST_F(RzControlsTest, GlyphWidthGivesTheGlyphCount) {
    struct Row {
        int width, height, expected;
    } rows[] = {{48, 16, 3}, {96, 16, 1}, {32, 16, 2}, {16, 16, 1}, {64, 16, 4}, {30, 16, 1}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.width);
        Owned<TRzControlButton> button(New<TRzControlButton>(nullptr));
        TBitmap glyph;
        glyph.SetSize(row.width, row.height);
        button->SetGlyph(&glyph);
        EXPECT_EQ(button->NumGlyphs(), row.expected);
    }
}

TEST_F(RzControlsTest, ButtonClicksOnlyWhenReleasedOverItselfAndRepeatsWhileHeld) {
    auto* pair = New<TRzButtonPair>(form_.get());
    pair->SetParent(form_.get());
    pair->SetBounds(10, 10, 34, 21);
    TRzControlButton* button = pair->Button();
    TClickCounter counter;
    pair->OnButtonClick = Event<&TClickCounter::Click>(&counter);
    ShowForm();
    HWND window = pair->Handle();
    const LPARAM inside = PointToLParam(3, 3);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    PostMessageW(window, WM_LBUTTONUP, 0, PointToLParam(200, 3));  // released elsewhere
    Application->ProcessMessages();
    EXPECT_EQ(counter.clicks, 0);
    EXPECT_FALSE(button->Down());

    button->SetRepeatClicks(true);
    button->SetInitialDelay(30);
    button->SetDelay(10);
    PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, inside);
    Application->ProcessMessages();
    EXPECT_TRUE(button->Down());
    // Held: the timer clicks again and again.
    for (int i = 0; i < 200 && counter.clicks < 3; ++i) {
        Sleep(5);
        Application->ProcessMessages();
    }
    EXPECT_GE(counter.clicks, 3);
    EXPECT_EQ(button->RepeatTimer()->Interval(), 10u);
    const int held = counter.clicks;
    PostMessageW(window, WM_LBUTTONUP, 0, inside);
    Application->ProcessMessages();
    EXPECT_EQ(counter.clicks, held + 1);  // once more for the release inside
    EXPECT_FALSE(button->RepeatTimer()->Enabled());
}

}  // namespace
