// The main window over a scratch copy of the shipped database: its description (every action of
// its table, the tool bar, the menu, dialogs, timers, status panels), the commands reached by
// short-cut, tool bar and menu, ShowChildForm, the clock on a pinned Saturday and the relogin.
#include "AppTestSupport.h"
#include "U_DataLogic.h"
#include "DateTime.h"
#include "Log.h"
#include "TestControls.h"
#include "TypeRegistry.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_Main.h"
#include "U_login.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

// The lines the main window's log channel wrote, without their level and channel.
std::vector<String>* gLines = nullptr;
void CaptureLine(const char* line) {
    String text = line;
    const String tag = "trace:main: ";
    if (!gLines || text.compare(0, tag.size(), tag) != 0)
        return;
    text.erase(0, tag.size());
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    // The clock's lines come whenever it ticks: only the commands count here.
    if (text.compare(0, 12, "Timer2Timer:") == 0 || text.compare(0, 9, "tool bar:") == 0)
        return;
    gLines->push_back(text);
}

// A child window of the main window (the person window's stand-in) and one of another class.
class TFrmChildProbe : public TForm {
    VESTREL_CLASS(TFrmChildProbe, TForm)
public:
    using TForm::TForm;
    void FormClose(TObject*, TCloseAction& action) { action = caFree; }
};

class TFrmOtherChild : public TFrmChildProbe {
    VESTREL_CLASS(TFrmOtherChild, TFrmChildProbe)
public:
    using TFrmChildProbe::TFrmChildProbe;
};

const char* const kChildText = R"(object FrmChildProbe: TFrmChildProbe
  Width = 300
  Height = 200
  FormStyle = fsMDIChild
  OnClose = FormClose
  object Edit1: TTestEdit
    Left = 8
    Top = 8
  end
end
)";

class MainWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterCustomClasses();
        RegisterClasses<TFrmChildProbe, TFrmOtherChild>();
        RegisterProperties<TFrmChildProbe>().Handler<&TFrmChildProbe::FormClose>("FormClose");
    }

    MainWindowTest() {
        previousFinder_ = SetFormResourceFinder([this](const String& className) -> std::optional<String> {
            if (className == "TFrmChildProbe" || className == "TFrmOtherChild")
                return String(kChildText);
            return previousFinder_ ? previousFinder_(className) : ProgramResource(className);
        });
        gLines = &lines_;
        previousSink_ = SetLogSink(CaptureLine);
        LogMain.SetLevel(TLogLevel::Trace);
        CreateProgramForms();
    }

    ~MainWindowTest() override {
        ResetClock();
        LogMain.SetLevel(TLogLevel::Error);
        SetLogSink(previousSink_);
        gLines = nullptr;
        FreeProgramForms();
        SetFormResourceFinder(std::move(previousFinder_));
    }

    // Logs `index` (0 Admin, 1 李明) in through the start-up's login dialog.
    void LogIn(int index, const char* password) {
        LogInAndShowMain(index, password);
        // The person window the main window shows has tests of its own: these start without it,
        // from an empty person list, and count their own children.
        if (Frm_Custom)
            Frm_Custom->Close();
        DrainMessages();
        Frm_Data->Qry_Cust->Close();
    }

    // A key with Ctrl held, through the application's key pipeline.
    String PressCtrl(HWND window, WORD key) {
        lines_.clear();
        BYTE state[256];
        GetKeyboardState(state);
        state[VK_CONTROL] = 0x80;
        SetKeyboardState(state);
        PostMessageW(window, WM_KEYDOWN, key, 1);
        Application->ProcessMessages();
        state[VK_CONTROL] = 0;
        SetKeyboardState(state);
        return Joined();
    }

    // The one number `sql` answers.
    static int Count(const String& sql) {
        OpenQuery(Frm_Data->Qry_Temp, sql);
        return Frm_Data->Qry_Temp->FieldByName("n")->AsInteger();
    }

    String Joined() const {
        String all;
        for (const String& line : lines_)
            all += line + ";";
        return all;
    }

    void ClickToolButton(TToolButton* button, bool arrow = false) {
        const TRect r = Frm_Main->ToolBar1->ButtonRect(button);
        const int x = arrow ? r.Right - 4 : r.Left + 10;
        const LPARAM at = PointToLParam(x, (r.Top + r.Bottom) / 2);
        PostMessageW(Frm_Main->ToolBar1->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(Frm_Main->ToolBar1->Handle(), WM_LBUTTONUP, 0, at);
        Application->ProcessMessages();
    }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"main"};
    std::vector<String> lines_;
    TFormResourceFinder previousFinder_;
    TLogSink previousSink_ = nullptr;
};

TEST_F(MainWindowTest, DescriptionHoldsEveryActionOfTheTableWithItsCaptionShortCutAndHandler) {
    struct TRow {
        const char* name;
        const char* caption;
        const char* hint;
        TShortCut shortCut;
        bool handler;
    } const rows[] = {
        {"AddCust", "新增&A", "新增", 16449, true},
        {"EditCust", "编辑&E", "编辑", 16453, true},
        {"DelCust", "删除&D", "删除", 16452, true},
        {"SearchCust", "个人组合查询", "", 0, true},
        {"Cust_Category", "个人类别管理", "", 0, true},
        {"ShowField_Cust", "ShowField_Cust", "", 0, true},
        {"ExportEmail", "导出个人电子信箱", "", 0, true},
        {"ExportCustCSV", "导出个人为Excel文件", "", 0, true},
        {"Cust_CustContact", "客户资料", "", 0, true},
        {"Help", "帮助文件", "", 0, true},
        {"DelContact", "删除&D", "删除", 0, true},
        {"DelSchedule", "删除&D", "删除", 0, true},
        {"DelGoods", "删除&D", "", 0, true},
        {"DelBill", "删除&D", "", 0, true},
        {"Cust_Cust", "Cust_Cust", "", 0, true},
        {"Cust_Contact", "Cust_Contact", "", 0, true},
        {"MyCust", "MyCust", "", 0, true},
        {"M_CompactDB", "M_CompactDB", "", 0, true},
        {"Goods_Category", "商品分类管理", "", 0, true},
        {"ExportCSVSchedule", "导出联系活动为Excel文件", "", 0, true},
        {"ExportContactCSV", "导出联系人为Excel文件", "", 0, true},
        {"M_UserList", "操作员管理", "", 0, true},
        {"AddContact", "新增&A", "", 0, false},
        {"EditContact", "编辑&E", "", 0, false},
        {"Main_Schedule", "Main_Schedule", "", 0, false},
        {"Main_Sale", "Main_Sale", "", 0, false},
        {"AddSchedule", "AddSchedule", "", 0, false},
        {"EditSchedule", "EditSchedule", "", 0, false},
        {"M_Goods", "商品管理", "", 0, false},
        {"M_Company", "用户单位信息", "", 0, false},
        {"M_Backup", "数据库备份、恢复", "", 0, false},
        {"M_AddContact", "M_AddContact", "", 0, false},
        {"M_EditContact", "M_EditContact", "", 0, false},
        {"M_Other", "其它管理", "", 0, false},
        {"AddGoods", "AddGoods", "", 0, false},
        {"EditGoods", "EditGoods", "", 0, false},
        {"AddBill", "AddBill", "", 0, false},
        {"EditBill", "EditBill", "", 0, false},
        {"SaveBill", "保存&S", "", 0, false},
        {"CancelBill", "取消&C", "", 0, false},
        {"M_A_Sale", "销售分析", "", 0, false},
        {"M_ClearData", "数据初始化", "", 0, false},
        {"PrintBill", "打印&P", "", 0, false},
        {"batchedit_cust", "批量修改个人类别", "", 0, false},
    };
    TActionList* list = Frm_Main->ActionList1;
    EXPECT_EQ(list->ActionCount(), static_cast<int>(std::size(rows)));
    for (const TRow& row : rows) {
        SCOPED_TRACE(row.name);
        auto* action = dynamic_cast<TAction*>(list->FindAction(row.name));
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->Caption(), row.caption);
        EXPECT_EQ(action->Hint(), row.hint);
        EXPECT_EQ(action->ShortCut(), row.shortCut);
        EXPECT_EQ(static_cast<bool>(action->OnExecute), row.handler);
    }
    EXPECT_EQ(ShortCutToText(Frm_Main->AddCust->ShortCut()), "Ctrl+A");

    // The tool bar, its drop-down menu and the rest of the form.
    TToolBar* bar = Frm_Main->ToolBar1;
    ASSERT_EQ(bar->ButtonCount(), 5);
    EXPECT_EQ(Frm_Main->TB_Nav->Caption(), "个人管理 ");
    EXPECT_EQ(Frm_Main->TB_Nav->Style(), tbsDropDown);
    EXPECT_EQ(Frm_Main->TB_Nav->DropdownMenu(), Frm_Main->PopupMenu1);
    EXPECT_EQ(Frm_Main->ToolButton6->Action(), Frm_Main->Cust_Category);
    EXPECT_EQ(Frm_Main->ToolButton6->Caption(), "个人类别管理");
    EXPECT_EQ(Frm_Main->ToolButton1->Action(), Frm_Main->SearchCust);
    EXPECT_EQ(bar->Buttons(2)->Style(), tbsSeparator);
    EXPECT_EQ(bar->Buttons(4)->Style(), tbsSeparator);
    EXPECT_EQ(bar->ButtonWidth(), 99);
    EXPECT_TRUE(bar->ShowCaptions());
    EXPECT_TRUE(bar->List());
    EXPECT_EQ(bar->Images(), Frm_Main->Image_Tool);
    EXPECT_EQ(Frm_Main->Image_Tool->Count(), 6);
    EXPECT_EQ(Frm_Main->CoolBar1->Bands()->Count(), 1);
    EXPECT_EQ(Frm_Main->CoolBar1->Bands()->Items(0)->Control(), bar);
    EXPECT_EQ(Frm_Main->CoolBar1->Bands()->Items(0)->MinHeight(), 24);
    TMenuItem* items = Frm_Main->PopupMenu1->Items();
    ASSERT_EQ(items->Count(), 3);
    EXPECT_EQ(items->Items(0)->Action(), Frm_Main->AddCust);
    EXPECT_EQ(items->Items(1)->Action(), Frm_Main->EditCust);
    EXPECT_EQ(items->Items(2)->Action(), Frm_Main->DelCust);
    EXPECT_EQ(items->Items(2)->MenuText(), "删除&D\tCtrl+D");
    EXPECT_EQ(Frm_Main->OpenDialog1->Filter(), "Excel文件|*.xls|所有文件|*.*");
    EXPECT_EQ(Frm_Main->OpenDialog2->Filter(), "Access数据库|*.MDB");
    EXPECT_FALSE(Frm_Main->Timer1->Enabled());
    EXPECT_TRUE(Frm_Main->Timer2->Enabled());
    EXPECT_EQ(Frm_Main->Timer2->Interval(), 1000u);
    const int widths[] = {150, 250, 250, 50};
    ASSERT_EQ(Frm_Main->StatusBar1->Panels()->Count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(i)->Width(), widths[i]);
}

TEST_F(MainWindowTest, ShortCutsToolBarAndMenuReachTheirHandlers) {
    LogIn(0, "");
    HWND main = Frm_Main->Handle();
    // The modal dialogs the commands open are closed as soon as their loops idle.
    struct TDialogCloser {
        bool closed = false;
        void Idle(TObject*, bool&) {
            if (TCustomForm* form = Screen->ActiveForm(); form && form->FormState().Contains(fsModal)) {
                closed = true;
                form->Close();
            }
        }
    } closer;
    Application->OnIdle = Event<&TDialogCloser::Idle>(&closer);
    // Ctrl+A/E/D from the frame and from a child's control (the main form's action list).
    EXPECT_EQ(PressCtrl(main, 'A'), "AddCustExecute;");
    // EditCust opens the person window (and so the list) first: there are persons to edit.
    EXPECT_EQ(PressCtrl(main, 'E'), "EditCustExecute;");
    EXPECT_EQ(PressCtrl(main, 'D'), "DelCustExecute;");
    auto* child = Frm_Main->ShowChildForm<TFrmChildProbe>();
    auto* edit = dynamic_cast<TWinControl*>(child->FindComponent("Edit1"));
    EXPECT_EQ(PressCtrl(edit->Handle(), 'D'), "DelCustExecute;");
    // Each delete asked first (and was not confirmed).
    ASSERT_EQ(app_.Boxes.size(), 2u);
    for (const auto& box : app_.Boxes) EXPECT_EQ(box.Text, "确定要删除个人记录吗！");
    app_.Boxes.clear();
    // A disabled action lets the key go on.
    Frm_Main->DelCust->SetEnabled(false);
    EXPECT_EQ(PressCtrl(edit->Handle(), 'D'), "");
    Frm_Main->DelCust->SetEnabled(true);

    // The tool bar: "个人管理 " lists the persons; the other buttons run their actions (the
    // category dialog is modal: it is closed as soon as its loop idles).
    lines_.clear();
    ClickToolButton(Frm_Main->TB_Nav);
    closer.closed = false;
    ClickToolButton(Frm_Main->ToolButton6);
    EXPECT_TRUE(closer.closed);
    ClickToolButton(Frm_Main->ToolButton1);
    EXPECT_EQ(Joined(), "TB_NavClick;Cust_CustContactExecute;Cust_CategoryExecute;SearchCustExecute;");
    EXPECT_EQ(Frm_Data->Qry_Cust->SQL()->Text(), "Select * from Custom\r\n");
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), Count("select count(*) as n from Custom"));
    EXPECT_EQ(Frm_Data->Qry_Contact->DataSource(), Frm_Data->DS_Cust);
    EXPECT_EQ(Frm_Data->Qry_Schedule->DataSource(), Frm_Data->DS_Cust);
    EXPECT_EQ(PressCtrl(main, 'E'), "EditCustExecute;");  // now there are persons

    // The drop-down arrow shows PopupMenu1; its first entry runs AddCust.
    struct TChooser {
        void Popup(TObject*) {
            for (WORD key : {VK_DOWN, VK_RETURN})
                PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
        }
    } chooser;
    Frm_Main->PopupMenu1->OnPopup = Event<&TChooser::Popup>(&chooser);
    lines_.clear();
    ClickToolButton(Frm_Main->TB_Nav, true);
    EXPECT_EQ(Joined(), "AddCustExecute;");
    EXPECT_EQ(Frm_Main->PopupMenu1->PopupComponent(), Frm_Main->TB_Nav);

    // Operations no control reaches.
    lines_.clear();
    Frm_Main->EditCust->SetEnabled(false);
    Frm_Main->N15Click(nullptr);
    Frm_Main->EditCust->SetEnabled(true);
    Frm_Main->N15Click(nullptr);
    Frm_Main->N20Click(nullptr);
    Frm_Main->TB_PostClick(nullptr);
    EXPECT_EQ(Joined(), "EditCustExecute;SearchCustExecute;");
    EXPECT_TRUE(app_.Boxes.empty());
    Application->OnIdle = nullptr;
}

TEST_F(MainWindowTest, PersonListOfARestrictedOperatorIsTheirOwn) {
    LogIn(1, "1234");
    Frm_Main->TB_NavClick(Frm_Main->TB_Nav);
    EXPECT_EQ(Frm_Data->Qry_Cust->SQL()->Text(), "Select * from Custom where F_User='李明'\r\n");
    const int own = Count("select count(*) as n from Custom where F_User='李明'");
    EXPECT_GT(own, 0);
    EXPECT_LT(own, Count("select count(*) as n from Custom"));
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), own);
}

TEST_F(MainWindowTest, ShowChildFormRestoresAMinimisedChildAndMakesAMissingOne) {
    LogIn(0, "");
    EXPECT_EQ(Frm_Main->MDIChildCount(), 0);
    auto* child = Frm_Main->ShowChildForm<TFrmChildProbe>();
    ASSERT_NE(child, nullptr);
    EXPECT_EQ(child->Owner(), Frm_Main);
    EXPECT_EQ(Frm_Main->MDIChildCount(), 1);
    EXPECT_TRUE(child->Visible());

    // Another class is another window: exactly the class asked for is found.
    auto* other = Frm_Main->ShowChildForm<TFrmOtherChild>();
    EXPECT_NE(static_cast<TCustomForm*>(other), child);
    EXPECT_EQ(Frm_Main->ActiveMDIChild(), other);

    child->SetWindowState(wsMinimized);
    DrainMessages();
    ASSERT_TRUE(IsIconic(child->Handle()));
    EXPECT_EQ(Frm_Main->ShowChildForm<TFrmChildProbe>(), child);
    DrainMessages();
    EXPECT_FALSE(IsIconic(child->Handle()));
    EXPECT_EQ(child->WindowState(), wsNormal);
    EXPECT_EQ(Frm_Main->ActiveMDIChild(), child);
    EXPECT_EQ(Frm_Main->MDIChildCount(), 2);

    // Closed (it frees itself): the next call makes a new one.
    child->Close();
    DrainMessages();
    EXPECT_EQ(Frm_Main->MDIChildCount(), 1);
    EXPECT_NE(Frm_Main->ShowChildForm<TFrmChildProbe>(), nullptr);
    EXPECT_EQ(Frm_Main->MDIChildCount(), 2);
}

TEST_F(MainWindowTest, ClockShowsThePinnedSaturdayAndTicksThroughTheMessageLoop) {
    // 2024-06-15 was a Saturday.
    SetClock([] { return TDateTime(EncodeDate(2024, 6, 15) + EncodeTime(9, 5, 7, 0)); });
    Frm_Main->Show();
    DrainMessages();
    TStatusPanel* clock = Frm_Main->StatusBar1->Panels()->Items(3);
    clock->SetText("");
    // Timer2 fires by itself: wait for its message, not for a time.
    for (DWORD start = GetTickCount(); clock->Text().empty() && GetTickCount() - start < 5000;) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
        Application->ProcessMessages();
    }
    EXPECT_EQ(clock->Text(), "2024年06月15日 09时05分07秒  [星期六]");
    EXPECT_EQ(Frm_Main->StatusBar1->PanelTextShown(3), "2024年06月15日 09时05分07秒  [星期六]");

    // The next tick shows the next second.
    SetClock([] { return TDateTime(EncodeDate(2024, 6, 16) + EncodeTime(0, 0, 0, 0)); });
    Frm_Main->Timer2Timer(Frm_Main->Timer2);
    EXPECT_EQ(Frm_Main->StatusBar1->PanelTextShown(3), "2024年06月16日 00时00分00秒  [星期日]");
}

TEST_F(MainWindowTest, TheWindowKeepsAMinimumSizeWhereTheClockFits) {
    SetClock([] { return TDateTime(EncodeDate(2024, 12, 25) + EncodeTime(23, 58, 58, 0)); });
    Frm_Main->Show();
    DrainMessages();
    ShowWindow(Frm_Main->Handle(), SW_RESTORE);
    Frm_Main->Timer2Timer(Frm_Main->Timer2);
    // A person drags the frame smaller than the minimum: the system keeps the minimum.
    for (const TPoint asked : {Point(800, 600), Point(300, 200)}) {
        SCOPED_TRACE(asked.X);
        SetWindowPos(Frm_Main->Handle(), nullptr, 0, 0, asked.X, asked.Y, SWP_NOZORDER | SWP_NOACTIVATE);
        DrainMessages();
        MINMAXINFO info{};
        SendMessageW(Frm_Main->Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_GE(info.ptMinTrackSize.x, Frm_Main->MinimumSize().X);
        EXPECT_EQ(info.ptMinTrackSize.y, Frm_Main->MinimumSize().Y);
        RECT window;
        GetWindowRect(Frm_Main->Handle(), &window);
        EXPECT_GE(window.right - window.left, std::max<LONG>(asked.X, Frm_Main->MinimumSize().X));
        // The clock's part is as wide as its text (and the fixed panels keep their widths).
        RECT part;
        SendMessageW(Frm_Main->StatusBar1->Handle(), SB_GETRECT, 3, reinterpret_cast<LPARAM>(&part));
        HDC dc = GetDC(Frm_Main->StatusBar1->Handle());
        HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(Frm_Main->StatusBar1->Handle(), WM_GETFONT, 0, 0)));
        const std::wstring text = ToWide(Frm_Main->StatusBar1->PanelTextShown(3));
        SIZE size{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
        SelectObject(dc, old);
        ReleaseDC(Frm_Main->StatusBar1->Handle(), dc);
        EXPECT_GE(part.right - part.left, size.cx + 4);
        SendMessageW(Frm_Main->StatusBar1->Handle(), SB_GETRECT, 0, reinterpret_cast<LPARAM>(&part));
        EXPECT_NEAR(part.right, 150, 3);
    }
}

TEST_F(MainWindowTest, ReloginClosesTheChildrenAndACancelledOneKeepsTheOperator) {
    LogIn(0, "");
    Frm_Main->ShowChildForm<TFrmChildProbe>();
    Frm_Main->ShowChildForm<TFrmOtherChild>();
    ASSERT_EQ(Frm_Main->MDIChildCount(), 2);
    TFrm_Login* first = Frm_Login;

    // The dialog is answered from the message loop it runs: a thread message reaches OnMessage.
    struct TAnswer {
        int index = -1;
        String password;
        bool seen = false;
        void Message(MSG& msg, bool& handled) {
            if (msg.hwnd || msg.message != WM_APP + 41 || !Frm_Login)
                return;
            handled = true;
            seen = true;
            if (index < 0) {
                Frm_Login->Btn_Exit->Click();
                return;
            }
            Frm_Login->Combo_User->SetItemIndex(index);
            Frm_Login->Edit_Pass->SetText(password);
            Frm_Login->Btn_ok->Click();
        }
    } answer;
    Application->OnMessage = Event<&TAnswer::Message>(&answer);

    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 41, 0, 0);
    Frm_Main->Sys_ReloginClick(nullptr);
    DrainMessages();  // the closed children free themselves
    EXPECT_TRUE(answer.seen);
    EXPECT_EQ(Frm_Main->MDIChildCount(), 0);
    EXPECT_EQ(Frm_Main->OperatorName, "Admin");
    EXPECT_TRUE(Frm_Main->Rights[35]);
    EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(0)->Text(), " 当前操作员: Admin");
    EXPECT_EQ(Frm_Login, nullptr);  // the freed dialog is not left behind

    // A successful relogin takes the new operator and their rights.
    answer = TAnswer{1, "1234"};
    PostThreadMessageW(GetCurrentThreadId(), WM_APP + 41, 0, 0);
    Frm_Main->Sys_ReloginClick(nullptr);
    EXPECT_TRUE(answer.seen);
    EXPECT_EQ(Frm_Main->OperatorName, "李明");
    EXPECT_EQ(Frm_Main->Permit, 1);
    EXPECT_FALSE(Frm_Main->Rights[35]);
    EXPECT_EQ(Frm_Main->StatusBar1->Panels()->Items(0)->Text(), " 当前操作员: 李明");
    Application->OnMessage = nullptr;
    Frm_Login = first;  // the start-up's dialog, freed by the fixture
}

TEST_F(MainWindowTest, ClosingByN2EndsTheProgram) {
    LogIn(0, "");
    Frm_Main->N2Click(nullptr);
    Application->ProcessMessages();
    EXPECT_TRUE(Application->Terminated());
}

}  // namespace
