// The common controls the main window and the person window use: a tool bar in a cool bar (captions
// beside images, a drop-down button with its menu, separators, buttons bound to actions), the tree
// view (levels, images, selection by program without a click, the click after the window's own
// selection), the page control and the progress bar.
#include "ActnList.h"
#include "ComCtrls.h"
#include "ImgList.h"
#include "Menus.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>

namespace {

String* gLog = nullptr;

class TFrmBars : public TForm {
    VESTREL_CLASS(TFrmBars, TForm)
public:
    using TForm::TForm;
    void TB_NavClick(TObject*) { *gLog += "TB_NavClick;"; }
    void ActionExecute(TObject* sender) {
        auto* action = static_cast<TBasicAction*>(sender);
        *gLog += action->Name() + "@" + (action->ActionComponent() ? action->ActionComponent()->Name() : "") + ";";
    }
    void MenuPopup(TObject* sender) {
        *gLog += "popup:" + static_cast<TPopupMenu*>(sender)->PopupComponent()->Name() + ";";
        PostMessageW(GetFocus(), WM_KEYDOWN, VK_ESCAPE, 1);
    }
};

// The main window's bars, shortened; Ctrl+A 16449.
const char* const kBarsText = R"(object FrmBars: TFrmBars
  Left = 0
  Top = 0
  Width = 640
  Height = 300
  object CoolBar1: TCoolBar
    Left = 0
    Top = 0
    Width = 632
    Height = 30
    AutoSize = True
    Bands = <
      item
        Control = ToolBar1
        MinHeight = 24
        Width = 628
      end>
    object ToolBar1: TToolBar
      Left = 9
      Top = 0
      Width = 615
      Height = 24
      ButtonWidth = 99
      Flat = True
      Images = Image_Tool
      List = True
      ShowCaptions = True
      Transparent = True
      object TB_Nav: TToolButton
        Caption = #20010#20154#31649#29702' '
        DropdownMenu = PopupMenu1
        ImageIndex = 0
        Style = tbsDropDown
        OnClick = TB_NavClick
      end
      object ToolButton6: TToolButton
        Action = Cust_Category
      end
      object ToolButton2: TToolButton
        Width = 8
        Style = tbsSeparator
      end
      object ToolButton1: TToolButton
        Action = SearchCust
      end
    end
  end
  object ActionList1: TActionList
    object Cust_Category: TAction
      Caption = #20010#20154#31867#21035#31649#29702
      ImageIndex = 1
      OnExecute = ActionExecute
    end
    object SearchCust: TAction
      Caption = #20010#20154#32452#21512#26597#35810
      ImageIndex = 2
      OnExecute = ActionExecute
    end
    object AddCust: TAction
      Caption = #26032#22686'&A'
      ShortCut = 16449
      OnExecute = ActionExecute
    end
  end
  object PopupMenu1: TPopupMenu
    OnPopup = MenuPopup
    object N32: TMenuItem
      Action = AddCust
    end
  end
  object Image_Tool: TImageList
  end
end
)";

class CommonControlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterComCtrlsClasses();
        RegisterClasses<TFrmBars>();
        RegisterProperties<TFrmBars>()
            .Handler<&TFrmBars::TB_NavClick>("TB_NavClick")
            .Handler<&TFrmBars::ActionExecute>("ActionExecute")
            .Handler<&TFrmBars::MenuPopup>("MenuPopup");
    }
    CommonControlsTest() { gLog = &log_; }
    ~CommonControlsTest() override { gLog = nullptr; }

    static void ClickAt(HWND window, int x, int y) {
        PostMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(x, y));
        PostMessageW(window, WM_LBUTTONUP, 0, PointToLParam(x, y));
        Application->ProcessMessages();
    }

    static String ButtonText(TToolBar* bar, int command) {
        wchar_t text[128] = {};
        SendMessageW(bar->Handle(), TB_GETBUTTONTEXTW, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(text));
        return FromWide(text);
    }

    String log_;
    TScopedApplication app_;
};

TEST_F(CommonControlsTest, ToolBarInACoolBarShowsItsButtonsAndRunsTheirCommands) {
    const TFormResourceFinder previous =
        SetFormResourceFinder([](const String&) -> std::optional<String> { return String(kBarsText); });
    Owned<TFrmBars> form(New<TFrmBars>(nullptr));
    SetFormResourceFinder(previous);
    auto* images = dynamic_cast<TImageList*>(form->FindComponent("Image_Tool"));
    TBitmap strip;
    strip.SetSize(48, 16);
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(Rect(0, 0, 48, 16));
    images->AddMasked(&strip, clFuchsia);
    form->Show();
    Application->ProcessMessages();

    auto* bar = dynamic_cast<TToolBar*>(form->FindComponent("ToolBar1"));
    auto* coolBar = dynamic_cast<TCoolBar*>(form->FindComponent("CoolBar1"));
    ASSERT_TRUE(bar && coolBar);
    ASSERT_EQ(bar->ButtonCount(), 4);
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 4);

    struct TRow {
        const char* name;
        int index;
        const char* text;
        int image;
        BYTE style;
    } const rows[] = {
        {"the drop-down with the trailing blank", 0, "个人管理 ", 0, BTNS_DROPDOWN},
        {"the action's caption and image", 1, "个人类别管理", 1, BTNS_BUTTON},
        {"a separator", 2, "", -1, BTNS_SEP},
        {"the search action", 3, "个人组合查询", 2, BTNS_BUTTON},
    };
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        TBBUTTON b{};
        ASSERT_TRUE(SendMessageW(bar->Handle(), TB_GETBUTTON, static_cast<WPARAM>(row.index),
                                 reinterpret_cast<LPARAM>(&b)));
        EXPECT_EQ(b.fsStyle & (BTNS_DROPDOWN | BTNS_SEP), row.style);
        if (row.style != BTNS_SEP) {
            EXPECT_EQ(ButtonText(bar, b.idCommand), row.text);
            EXPECT_EQ(b.iBitmap, row.image);
        }
        EXPECT_EQ(b.idCommand, bar->Buttons(row.index)->Command());
    }
    // The buttons know where the window shows them; captions sit beside the images.
    TToolButton* nav = bar->Buttons(0);
    TToolButton* category = bar->Buttons(1);
    EXPECT_EQ(nav->Left(), 0);
    EXPECT_GE(nav->Width(), 99);
    EXPECT_EQ(category->Left(), nav->Width());
    EXPECT_LT(nav->Height(), 40);
    EXPECT_NE(GetWindowLongPtrW(bar->Handle(), GWL_STYLE) & TBSTYLE_LIST, 0);

    // The cool bar holds the tool bar in its band and is as high as the band.
    EXPECT_EQ(SendMessageW(coolBar->Handle(), RB_GETBANDCOUNT, 0, 0), 1);
    REBARBANDINFOW band{};
    band.cbSize = sizeof(band);
    band.fMask = RBBIM_CHILD | RBBIM_CHILDSIZE;
    SendMessageW(coolBar->Handle(), RB_GETBANDINFOW, 0, reinterpret_cast<LPARAM>(&band));
    EXPECT_EQ(band.hwndChild, bar->Handle());
    EXPECT_EQ(band.cyMinChild, 24u);
    EXPECT_GE(coolBar->Height(), 24);

    // Clicks: the drop-down's own part runs its handler, its arrow shows its menu for it, the
    // action buttons run their actions.
    const TRect navRect = bar->ButtonRect(nav);
    ClickAt(bar->Handle(), navRect.Left + 10, navRect.Top + navRect.Height() / 2);
    ClickAt(bar->Handle(), navRect.Right - 4, navRect.Top + navRect.Height() / 2);
    ClickAt(bar->Handle(), category->Left() + 10, category->Top() + 5);
    EXPECT_EQ(log_, "TB_NavClick;popup:TB_Nav;Cust_Category@ToolButton6;");

    // A disabled action disables its button in the window.
    auto* action = dynamic_cast<TCustomAction*>(form->FindComponent("Cust_Category"));
    action->SetEnabled(false);
    EXPECT_FALSE(category->Enabled());
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_ISBUTTONENABLED, static_cast<WPARAM>(category->Command()), 0), 0);
    log_.clear();
    ClickAt(bar->Handle(), category->Left() + 10, category->Top() + 5);
    EXPECT_EQ(log_, "");
    action->SetCaption("类别");
    EXPECT_EQ(ButtonText(bar, category->Command()), "类别");

    // A freed button leaves the window's buttons.
    bar->Buttons(2)->Free();
    EXPECT_EQ(SendMessageW(bar->Handle(), TB_BUTTONCOUNT, 0, 0), 3);
    EXPECT_EQ(bar->ButtonCount(), 3);
}

TEST_F(CommonControlsTest, TreeViewNodesHaveLevelsAndAProgramSelectionClicksNothing) {
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    form->SetBounds(0, 0, 300, 300);
    auto* tree = New<TTreeView>(form.get());
    tree->SetName("TreeView1");
    tree->SetParent(form.get());
    tree->SetBounds(0, 0, 250, 250);
    tree->SetReadOnly(true);
    tree->SetHideSelection(false);
    tree->SetIndent(19);
    struct TTreeLog {
        String log;
        TTreeView* tree = nullptr;
        void Click(TObject*) { log += "click:" + (tree->Selected() ? tree->Selected()->Text() : String("-")) + ";"; }
        void Change(TObject*, TTreeNode* node) { log += "change:" + (node ? node->Text() : String("-")) + ";"; }
    } events{String(), tree};
    tree->OnClick = Event<&TTreeLog::Click>(&events);
    tree->OnChange = Event<&TTreeLog::Change>(&events);

    // Filled as the category tree is: the caption, then the codes by level.
    TTreeNodes* items = tree->Items();
    TTreeNode* root = items->AddChild(nullptr, "个人分类");
    TTreeNode* n01 = items->AddChild(root, "01-朋友");
    TTreeNode* n0101 = items->AddChild(n01, "0101-同学");
    TTreeNode* n02 = items->AddChild(root, "02-同事");
    for (TTreeNode* n : {n01, n0101, n02})
        n->SetImageIndex(0);
    root->Expand(false);  // before the window: kept until it comes
    form->Show();

    EXPECT_EQ(items->Count(), 4);
    EXPECT_EQ(items->Item(2), n0101);
    EXPECT_EQ(items->Item(3), n02);
    EXPECT_THROW(items->Item(4), ETreeViewError);
    EXPECT_EQ(n0101->Level(), 2);
    EXPECT_EQ(root->Level(), 0);
    EXPECT_EQ(n02->Index(), 1);
    EXPECT_EQ(n02->AbsoluteIndex(), 3);
    EXPECT_TRUE(root->Expanded());
    EXPECT_FALSE(n01->Expanded());
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETINDENT, 0, 0), 19);
    EXPECT_NE(GetWindowLongPtrW(tree->Handle(), GWL_STYLE) & TVS_SHOWSELALWAYS, 0);
    EXPECT_EQ(GetWindowLongPtrW(tree->Handle(), GWL_STYLE) & TVS_EDITLABELS, 0);
    TVITEMW item{};
    item.mask = TVIF_IMAGE | TVIF_HANDLE;
    item.hItem = n01->ItemId();
    SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(item.iImage, 0);
    // A new node shows the first image, selected or not; a negative index shows none (never the
    // control's "ask the owner" value).
    const auto images = [&](TTreeNode* node) {
        TVITEMW info{};
        info.mask = TVIF_IMAGE | TVIF_SELECTEDIMAGE | TVIF_HANDLE;
        info.hItem = node->ItemId();
        SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&info));
        return std::pair(info.iImage, info.iSelectedImage);
    };
    EXPECT_EQ(images(root), std::pair(0, 0));
    n0101->SetImageIndex(-1);
    n0101->SetSelectedIndex(-1);
    EXPECT_EQ(images(n0101), std::pair(I_IMAGENONE, I_IMAGENONE));

    // Selecting by program: the change is told, no click.
    items->GetFirstNode()->SetSelected(true);
    EXPECT_EQ(tree->Selected(), root);
    EXPECT_EQ(events.log, "change:个人分类;");

    // The person clicks a node: the click comes once it is selected.
    events.log.clear();
    RECT r{};
    HTREEITEM wanted = n02->ItemId();
    std::memcpy(&r, &wanted, sizeof wanted);  // TVM_GETITEMRECT takes the item in the rectangle
    ASSERT_TRUE(SendMessageW(tree->Handle(), TVM_GETITEMRECT, TRUE, reinterpret_cast<LPARAM>(&r)));
    // The mouse is where the person clicks (the tree's click follows the release point).
    POINT screen{r.left + 4, (r.top + r.bottom) / 2};
    ClientToScreen(tree->Handle(), &screen);
    SetCursorPos(screen.x, screen.y);
    ClickAt(tree->Handle(), r.left + 4, (r.top + r.bottom) / 2);
    EXPECT_EQ(tree->Selected(), n02);
    EXPECT_EQ(events.log, "change:02-同事;click:02-同事;");
    EXPECT_EQ(tree->GetNodeAt(r.left + 4, (r.top + r.bottom) / 2), n02);

    // Texts change in the window; a new window keeps nodes, selection and expansion.
    n02->SetText("02-客户");
    tree->SetShowLines(false);
    EXPECT_EQ(tree->Selected(), n02);
    EXPECT_TRUE(root->Expanded());
    wchar_t text[64] = {};
    item = TVITEMW{};
    item.mask = TVIF_TEXT | TVIF_HANDLE;
    item.hItem = n02->ItemId();
    item.pszText = text;
    item.cchTextMax = 64;
    SendMessageW(tree->Handle(), TVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(FromWide(text), "02-客户");

    // Deleting the selected node's parent and clearing.
    events.log.clear();
    n01->SetSelected(true);
    n01->Delete();
    EXPECT_EQ(items->Count(), 2);
    EXPECT_NE(tree->Selected(), n01);
    items->Clear();
    EXPECT_EQ(items->Count(), 0);
    EXPECT_EQ(tree->Selected(), nullptr);
    EXPECT_EQ(SendMessageW(tree->Handle(), TVM_GETCOUNT, 0, 0), 0);
}

TEST_F(CommonControlsTest, PageControlShowsTheSheetOfTheChosenTab) {
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    form->SetBounds(0, 0, 400, 300);
    auto* pages = New<TPageControl>(form.get());
    pages->SetName("Page_Cust");
    pages->SetParent(form.get());
    pages->SetAlign(alClient);
    TTabSheet* sheets[3];
    const char* captions[] = {"个人资料", "second", "third"};
    for (int i = 0; i < 3; ++i) {
        sheets[i] = New<TTabSheet>(form.get());
        sheets[i]->SetName("TabSheet" + std::to_string(i + 1));
        sheets[i]->SetCaption(captions[i]);
        sheets[i]->SetPageControl(pages);
    }
    struct TPageLog {
        String log;
        bool allow = true;
        TPageControl* pages = nullptr;
        void Change(TObject*) { log += "change:" + pages->ActivePage()->Name() + ";"; }
        void Changing(TObject*, bool& allowChange) {
            log += "changing;";
            allowChange = allow;
        }
    } events{String(), true, pages};
    pages->OnChange = Event<&TPageLog::Change>(&events);
    pages->OnChanging = Event<&TPageLog::Changing>(&events);
    form->Show();

    EXPECT_EQ(pages->PageCount(), 3);
    EXPECT_EQ(pages->ActivePage(), sheets[0]);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 3);
    EXPECT_TRUE(IsWindowVisible(sheets[0]->Handle()));
    EXPECT_FALSE(sheets[1]->Visible());
    // The sheet fills the display area, below the tabs.
    EXPECT_GT(sheets[0]->Top(), 10);
    EXPECT_GT(sheets[0]->Width(), 350);

    RECT tab{};
    SendMessageW(pages->Handle(), TCM_GETITEMRECT, 2, reinterpret_cast<LPARAM>(&tab));
    ClickAt(pages->Handle(), (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_TRUE(sheets[2]->Visible());
    EXPECT_FALSE(sheets[0]->Visible());
    EXPECT_EQ(events.log, "changing;change:TabSheet3;");

    // A refused change keeps the page.
    events.log.clear();
    events.allow = false;
    SendMessageW(pages->Handle(), TCM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&tab));
    ClickAt(pages->Handle(), (tab.left + tab.right) / 2, (tab.top + tab.bottom) / 2);
    EXPECT_EQ(pages->ActivePage(), sheets[2]);
    EXPECT_EQ(events.log, "changing;");

    // A hidden tab leaves the window's tabs; the captions follow the sheets.
    sheets[1]->SetTabVisible(false);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(sheets[2]->TabIndex(), 1);
    EXPECT_EQ(SendMessageW(pages->Handle(), TCM_GETCURSEL, 0, 0), 1);
    sheets[0]->SetCaption("资料");
    wchar_t text[32] = {};
    TCITEMW item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 32;
    SendMessageW(pages->Handle(), TCM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    EXPECT_EQ(FromWide(text), "资料");
    // Freeing the active sheet moves on to another one.
    sheets[2]->Free();
    EXPECT_EQ(pages->PageCount(), 2);
    EXPECT_NE(pages->ActivePage(), nullptr);
}

TEST_F(CommonControlsTest, ProgressBarPositionBeforeAndWithItsWindow) {
    Owned<TForm> form(New<TForm>(nullptr, CreateNew));
    auto* bar = New<TProgressBar>(form.get());
    bar->SetParent(form.get());
    bar->SetMax(3);
    bar->SetPosition(5);  // clamped while there is no window
    EXPECT_EQ(bar->Position(), 3);
    bar->SetPosition(0);
    form->Show();
    bar->StepBy(2);
    EXPECT_EQ(bar->Position(), 2);
    EXPECT_EQ(SendMessageW(bar->Handle(), PBM_GETPOS, 0, 0), 2);
    bar->SetMax(10);
    bar->SetStep(3);
    bar->StepIt();
    EXPECT_EQ(bar->Position(), 5);
    bar->SetSmooth(true);  // a new window keeps the position
    EXPECT_EQ(bar->Position(), 5);
}

}  // namespace
