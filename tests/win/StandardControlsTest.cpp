// The standard controls the forms use: check box, memo, list box with several selected items,
// group box and radio group, panel, splitter, speed button, and buttons that run actions; each
// through its window's own messages and, where it matters, read from a form description.
#include "ActnList.h"
#include "Buttons.h"
#include "ExtCtrls.h"
#include "StdCtrls.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

struct TClicks {
    String log;
    void Click(TObject* sender) { log += static_cast<TComponent*>(sender)->Name() + ";"; }
    void DblClick(TObject* sender) { log += "dbl:" + static_cast<TComponent*>(sender)->Name() + ";"; }
};

class StandardControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterStdCtrlsClasses();
        RegisterExtCtrlsClasses();
        RegisterButtonsClasses();
    }

    StandardControlsTest() {
        form_->SetBounds(0, 0, 400, 300);
    }

    template <class T>
    T* Make(const char* name, TWinControl* parent = nullptr) {
        T* control = New<T>(form_.get());
        control->SetName(name);
        control->SetParent(parent ? parent : form_.get());
        return control;
    }

    // A left click at (x, y) of `window`, through the queue.
    static void ClickAt(HWND window, int x, int y, bool twice = false) {
        const LPARAM at = PointToLParam(x, y);
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(window, WM_LBUTTONUP, 0, at);
        if (twice) {
            PostMessageW(window, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
            PostMessageW(window, WM_LBUTTONUP, 0, at);
        }
        Application->ProcessMessages();
    }

    TScopedApplication app_;
    Owned<TForm> form_{New<TForm>(nullptr, CreateNew)};
    TClicks clicks_;
};

TEST_F(StandardControlsTest, CheckBoxTogglesOnClickAndTellsEveryChange) {
    auto* box = Make<TCheckBox>("cb_Auto");
    box->SetCaption("自动");
    box->OnClick = Event<&TClicks::Click>(&clicks_);
    form_->Show();

    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_TRUE(box->Checked());
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
    box->SetChecked(false);  // by program: OnClick as well
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    box->SetChecked(false);  // no change: nothing
    EXPECT_EQ(clicks_.log, "cb_Auto;cb_Auto;");

    // Three states when grayed is allowed; the state survives a new window.
    box->SetAllowGrayed(true);
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(box->State(), cbGrayed);
    box->SetAlignment(taLeftJustify);  // a new window
    EXPECT_EQ(SendMessageW(box->Handle(), BM_GETCHECK, 0, 0), BST_INDETERMINATE);
    SendMessageW(box->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(box->State(), cbChecked);
}

TEST_F(StandardControlsTest, MemoLinesAreItsTextSplitAtLineBreaks) {
    auto* memo = Make<TMemo>("Memo1");
    memo->SetScrollBars(TScrollBars::ssVertical);
    TStrings* lines = memo->Lines();
    lines->SetText("first\nsecond\r\nthird");
    EXPECT_EQ(memo->Text(), "first\r\nsecond\r\nthird");
    EXPECT_EQ(lines->Count(), 3);
    form_->Show();  // the window takes the text
    EXPECT_EQ(GetWindowLongPtrW(memo->Handle(), GWL_STYLE) & (ES_MULTILINE | WS_VSCROLL),
              static_cast<LONG_PTR>(ES_MULTILINE | WS_VSCROLL));
    lines->Insert(1, "个人简介");
    lines->Delete(0);
    lines->Add("");
    EXPECT_EQ(memo->Text(), "个人简介\r\nsecond\r\nthird\r\n\r\n");
    EXPECT_EQ(lines->Count(), 4);
    EXPECT_EQ(lines->Get(3), "");
    EXPECT_THROW(lines->Get(4), EStringListError);
    lines->Clear();
    EXPECT_EQ(lines->Count(), 0);

    // Enter belongs to the memo unless WantReturns is off.
    EXPECT_NE(SendMessageW(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
    memo->SetWantReturns(false);
    EXPECT_EQ(SendMessageW(memo->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTALLKEYS, 0);
}

TEST_F(StandardControlsTest, ListBoxWithSeveralSelectedItemsMovesThemAsTheColumnChooserDoes) {
    auto* source = Make<TListBox>("SrcList");
    auto* target = Make<TListBox>("DstList");
    source->SetMultiSelect(true);
    source->SetBounds(0, 0, 150, 200);
    for (const char* name : {"个人编号", "个人名称", "星座", "血型"})
        source->Items()->Add(name);
    // Selected before the window exists, kept when it comes and when it is made again.
    source->SetSelected(1, true);
    source->SetSelected(3, true);
    form_->Show();
    EXPECT_EQ(source->SelCount(), 2);
    source->SetExtendedSelect(false);
    EXPECT_TRUE(source->Selected(1));
    EXPECT_TRUE(source->Selected(3));
    EXPECT_FALSE(source->Selected(0));
    EXPECT_THROW(source->Selected(4), EListError);

    // From the last item to the first: each selected one goes to the other list (reversed).
    for (int i = source->Count() - 1; i >= 0; --i)
        if (source->Selected(i)) {
            target->Items()->Add(source->Items()->Get(i));
            source->Items()->Delete(i);
        }
    ASSERT_EQ(target->Count(), 2);
    EXPECT_EQ(target->Items()->Get(0), "血型");
    EXPECT_EQ(target->Items()->Get(1), "个人名称");
    EXPECT_EQ(source->Count(), 2);
    EXPECT_EQ(source->SelCount(), 0);

    // The person's clicks: a selection change is a click; a double click is one double click.
    source->OnClick = Event<&TClicks::Click>(&clicks_);
    source->OnDblClick = Event<&TClicks::DblClick>(&clicks_);
    RECT item{};
    SendMessageW(source->Handle(), LB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&item));
    ClickAt(source->Handle(), item.left + 5, item.top + 2);
    EXPECT_TRUE(source->Selected(1));
    EXPECT_EQ(clicks_.log, "SrcList;");
    clicks_.log.clear();
    ClickAt(source->Handle(), item.left + 5, item.top + 2, true);
    EXPECT_NE(clicks_.log.find("dbl:SrcList;"), String::npos) << clicks_.log;
    EXPECT_EQ(clicks_.log.find("dbl:SrcList;dbl:"), String::npos) << clicks_.log;
    EXPECT_EQ(source->ItemAtPos(Point(item.left + 5, item.top + 2), true), 1);
    EXPECT_EQ(source->ItemAtPos(Point(5, 190), true), -1);
}

TEST_F(StandardControlsTest, GroupBoxAndPanelKeepTheirChildrenInsideTheirFrames) {
    auto* group = Make<TGroupBox>("GroupBox1");
    group->SetCaption("  组 合 查 询  ");
    group->SetBounds(10, 10, 200, 120);
    auto* inside = Make<TTestPanel>("Inside", group);
    inside->SetAlign(alClient);
    auto* panel = Make<TPanel>("Panel1");
    panel->SetBounds(220, 10, 100, 100);
    panel->SetBevelInner(bvLowered);
    panel->SetBorderWidth(2);
    auto* filling = Make<TTestPanel>("Filling", panel);
    filling->SetAlign(alClient);
    form_->Show();

    EXPECT_GT(inside->Top(), 8);  // below the caption
    EXPECT_LT(inside->Top(), 30);
    EXPECT_GE(inside->Left(), 2);
    EXPECT_EQ(inside->Top() + inside->Height(), group->Height() - 2);
    EXPECT_EQ(filling->Left(), 4);  // outer bevel, border, inner bevel
    EXPECT_EQ(filling->Width(), 100 - 8);

    // The panel draws its raised outer bevel: highlight at the top left, shadow at the bottom right.
    TBitmap bitmap;
    bitmap.SetSize(100, 100);
    panel->PaintTo(*bitmap.Canvas());
    EXPECT_EQ(bitmap.Canvas()->Pixels[0][50], ColorToRGB(clBtnHighlight));
    EXPECT_EQ(bitmap.Canvas()->Pixels[99][50], ColorToRGB(clBtnShadow));
    EXPECT_EQ(bitmap.Canvas()->Pixels[3][50], ColorToRGB(clBtnShadow));  // the lowered inner bevel
    // The group box's caption interrupts its frame.
    TBitmap frame;
    frame.SetSize(200, 120);
    group->PaintTo(*frame.Canvas());
    int dark = 0;
    for (int x = 10; x < 60; ++x)
        for (int y = 0; y < 16; ++y)
            if (frame.Canvas()->Pixels[x][y] != ColorToRGB(clBtnFace))
                ++dark;
    EXPECT_GT(dark, 10);  // caption text
}

class TFrmRadio : public TForm {
    VESTREL_CLASS(TFrmRadio, TForm)
public:
    using TForm::TForm;
    void GroupClick(TObject* sender) { ++clicks; last = static_cast<TRadioGroup*>(sender)->ItemIndex(); }
    int clicks = 0;
    int last = -2;
};

TEST_F(StandardControlsTest, RadioGroupFromItsDescriptionAndItsClicks) {
    RegisterClasses<TFrmRadio>();
    RegisterProperties<TFrmRadio>().Handler<&TFrmRadio::GroupClick>("GroupClick");
    const TFormResourceFinder previous = SetFormResourceFinder([](const String&) -> std::optional<String> {
        return String(R"(object FrmRadio: TFrmRadio
  Width = 300
  Height = 200
  object RadioGroup1: TRadioGroup
    Left = 8
    Top = 8
    Width = 200
    Height = 100
    Caption = '  客户记录范围  '
    ItemIndex = 0
    Items.Strings = (
      '.全部客户记录'
      'second')
    OnClick = GroupClick
  end
end
)");
    });
    Owned<TFrmRadio> form(New<TFrmRadio>(nullptr));
    SetFormResourceFinder(previous);
    auto* group = dynamic_cast<TRadioGroup*>(form->FindComponent("RadioGroup1"));
    ASSERT_NE(group, nullptr);
    ASSERT_EQ(group->ButtonCount(), 2);
    EXPECT_EQ(group->ItemIndex(), 0);  // set before its items were read
    EXPECT_TRUE(group->Buttons(0)->Checked());
    EXPECT_EQ(group->Buttons(0)->Caption(), ".全部客户记录");
    EXPECT_EQ(form->clicks, 0);

    form->Show();
    SendMessageW(group->Buttons(1)->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(group->ItemIndex(), 1);
    EXPECT_FALSE(group->Buttons(0)->Checked());
    EXPECT_EQ(form->clicks, 1);
    EXPECT_EQ(form->last, 1);
    group->SetItemIndex(0);  // by program: no click
    EXPECT_EQ(form->clicks, 1);
    EXPECT_TRUE(group->Buttons(0)->Checked());
    group->Items()->Delete(1);
    EXPECT_EQ(group->ButtonCount(), 1);
    group->SetItemIndex(5);
    EXPECT_EQ(group->ItemIndex(), -1);
}

TEST_F(StandardControlsTest, SplitterDragResizesTheControlBeforeItWithinLimits) {
    auto* left = Make<TTestPanel>("Panel6");
    left->SetAlign(alLeft);
    left->SetWidth(100);
    auto* splitter = Make<TSplitter>("Splitter1");
    splitter->SetAlign(alLeft);
    splitter->SetLeft(150);  // aligned after the panel
    splitter->SetMinSize(30);
    auto* rest = Make<TTestPanel>("Rest");
    rest->SetAlign(alClient);
    form_->Show();
    ASSERT_EQ(splitter->Left(), 100);
    EXPECT_EQ(splitter->FindControl(), left);
    const int clientWidth = form_->ClientWidth();

    struct TDrag {
        const char* name;
        int by;
        int width;
    } const drags[] = {
        {"40 to the right", 40, 140},
        {"back by 100", -100, 40},
        {"not below MinSize", -100, 30},
        {"not past the room left", 1000, clientWidth - splitter->Width() - 30},
    };
    for (const TDrag& d : drags) {
        SCOPED_TRACE(d.name);
        const int x = splitter->Left() + 1;
        PostMessageW(form_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(x, 50));
        PostMessageW(form_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(x + d.by, 50));
        PostMessageW(form_->Handle(), WM_LBUTTONUP, 0, PointToLParam(x + d.by, 50));
        Application->ProcessMessages();
        EXPECT_EQ(left->Width(), d.width);
        EXPECT_EQ(splitter->Left(), left->Width());
        EXPECT_EQ(rest->Left(), left->Width() + splitter->Width());
    }
}

TEST_F(StandardControlsTest, SpeedButtonsClickAndStayDownOneOfAGroup) {
    auto* right = Make<TSpeedButton>("SP_right");
    right->SetCaption(">");
    right->SetBounds(10, 10, 30, 25);
    right->OnClick = Event<&TClicks::Click>(&clicks_);
    form_->Show();
    ClickAt(form_->Handle(), 20, 20);
    EXPECT_EQ(clicks_.log, "SP_right;");
    // A press released outside is no click; a disabled button takes none.
    PostMessageW(form_->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(20, 20));
    PostMessageW(form_->Handle(), WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(200, 200));
    PostMessageW(form_->Handle(), WM_LBUTTONUP, 0, PointToLParam(200, 200));
    Application->ProcessMessages();
    right->SetEnabled(false);
    ClickAt(form_->Handle(), 20, 20);
    EXPECT_EQ(clicks_.log, "SP_right;");

    auto* a = Make<TSpeedButton>("A");
    auto* b = Make<TSpeedButton>("B");
    a->SetGroupIndex(1);
    b->SetGroupIndex(1);
    a->SetDown(true);
    b->SetDown(true);
    EXPECT_FALSE(a->Down());
    b->SetDown(false);  // not without AllowAllUp
    EXPECT_TRUE(b->Down());

    // The caption is drawn, and greyed when disabled.
    TBitmap bitmap;
    bitmap.SetSize(30, 25);
    right->PaintTo(*bitmap.Canvas());
    int shadow = 0;
    for (int x = 3; x < 27; ++x)
        for (int y = 3; y < 22; ++y)
            if (bitmap.Canvas()->Pixels[x][y] == ColorToRGB(clBtnShadow))
                ++shadow;
    EXPECT_GT(shadow, 0);
}

TEST_F(StandardControlsTest, ButtonsAndCheckBoxesRunTheirActions) {
    struct TRun {
        String log;
        void Execute(TObject* sender) {
            auto* action = static_cast<TBasicAction*>(sender);
            log += action->Name() + "@" + (action->ActionComponent() ? action->ActionComponent()->Name() : "") + ";";
        }
    } run;
    auto* addCust = New<TAction>(form_.get());
    addCust->SetName("AddCust");
    addCust->SetCaption("新增&A");
    addCust->OnExecute = Event<&TRun::Execute>(&run);
    auto* button = Make<TButton>("Button1");
    button->SetAction(addCust);
    auto* check = Make<TCheckBox>("CheckBox1");
    check->SetAction(addCust);
    EXPECT_EQ(button->Caption(), "新增&A");
    form_->Show();
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    SendMessageW(check->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(run.log, "AddCust@Button1;AddCust@CheckBox1;");
    addCust->SetEnabled(false);
    EXPECT_FALSE(button->Enabled());
    EXPECT_FALSE(IsWindowEnabled(button->Handle()));
    // The form's own handler wins over the action.
    addCust->SetEnabled(true);
    button->OnClick = Event<&TClicks::Click>(&clicks_);
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(clicks_.log, "Button1;");
    EXPECT_EQ(run.log, "AddCust@Button1;AddCust@CheckBox1;");
}

}  // namespace
