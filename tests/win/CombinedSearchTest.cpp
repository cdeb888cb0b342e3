// The combined search dialog over a scratch copy of the shipped database, opened through the main
// window's command: its inputs in their order with their lists and limits, the reset, the
// category picked in the category dialog, a search by category and name that fills the person
// list (counted against the database) and keeps the dialog open, the refusal of an empty search,
// and a restricted operator's own persons only.
#include "AppTestSupport.h"
#include "TestControls.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Main.h"
#include "U_S_Cust.h"
#include "U_login.h"
#include "U_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class CombinedSearchTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterDBGridEhClasses();
        RegisterCustomClasses();
        RegisterSearchCustClasses();
    }

    CombinedSearchTest() { CreateProgramForms(); }
    ~CombinedSearchTest() override { FreeProgramForms(); }

    void LogIn(int index, const char* password) {
        LogInAndShowMain(index, password);
        app_.Boxes.clear();
    }

    // Runs the main window's SearchCust and `act` on the dialog it shows.
    void InDialog(std::function<void(TFrm_S_Cust*)> act) {
        TModalAnswer<TFrm_S_Cust> answer(std::move(act));
        Frm_Main->SearchCustExecute(nullptr);
        EXPECT_TRUE(answer.Seen());
        EXPECT_EQ(Frm_S_Cust, nullptr);  // freed on close
    }

    std::vector<String> Messages() { return app_.TakeTexts(); }

    static String Status() { return Frm_Main->StatusBar1->Panels()->Items(1)->Text(); }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"combined-search"};
};

std::vector<String> ItemsOf(TComboBox* combo) {
    std::vector<String> items;
    for (int i = 0; i < combo->Items()->Count(); ++i) items.push_back(combo->Items()->Strings(i));
    return items;
}

TEST_F(CombinedSearchTest, ShowsTheSixteenInputsInOrderAndTheResetEmptiesThem) {
    LogIn(0, "");
    InDialog([&](TFrm_S_Cust* d) {
        EXPECT_EQ(d->Caption(), "个人组合查询");
        EXPECT_EQ(d->ClientWidth(), 574);
        EXPECT_EQ(d->ClientHeight(), 331);
        EXPECT_EQ(d->GroupBox1->Caption(), "  组 合 查 询  ");
        EXPECT_EQ(d->btn_ok->Caption(), "搜索(&S)");
        EXPECT_TRUE(d->btn_ok->Default());
        EXPECT_EQ(d->btn_reset->Caption(), "清空(&E)");
        EXPECT_EQ(d->btn_exit->Caption(), "退出(&Q)");
        EXPECT_TRUE(d->Edit_cate->ReadOnly());
        EXPECT_EQ(d->Edit_postcode->MaxLength(), 6);
        EXPECT_EQ(ItemsOf(d->Combo_CustType),
                  (std::vector<String>{"金牛座 ", "双子座 ", "巨蟹座 ", "狮子座 ", "处女座  ", "天秤座 ", "天蝎座 ",
                                       "射手座 ", "摩羯座", "水瓶座 ", "双鱼座 ", "白羊座 "}));
        EXPECT_EQ(ItemsOf(d->Combo_xueli),
                  (std::vector<String>{"博士", "硕士", "本科", "大专", "中专", "高中", "其他"}));
        EXPECT_EQ(ItemsOf(d->Combo_sex), (std::vector<String>{"男", "女"}));
        EXPECT_EQ(ItemsOf(d->Combo_CustLevel), (std::vector<String>{"A型", "B型", "O型", "AB型"}));

        // Each input carries the label of its condition, and Tab walks them in that order.
        const char* const labels[] = {"个人类别", "个人名称", "通讯地址", "邮政编码", "星座",   "学历",
                                      "性别",     "血型",     "个人简介", "电话",     "传真",   "网址",
                                      "电子信箱", "年龄",     "QQ号",     "年收入"};
        const auto inputs = d->Inputs();
        int lastTab = -1;
        for (int i = 0; i < kSearchInputCount; ++i) {
            SCOPED_TRACE(labels[i]);
            auto* label = dynamic_cast<TControl*>(d->FindComponent("Label" + std::to_string(i + 1)));
            ASSERT_NE(label, nullptr);
            EXPECT_EQ(label->Caption(), labels[i]);
            EXPECT_EQ(label->Top() / 31, inputs[i]->Top() / 31);  // on the input's row
            const int tab = dynamic_cast<TWinControl*>(inputs[i])->TabOrder();
            EXPECT_GT(tab, lastTab);
            lastTab = tab;
            EXPECT_EQ(inputs[i]->Text(), "");  // empty when shown
        }

        // Every input filled, also the read-only category: the reset empties them all.
        for (TControl* input : inputs) input->SetText("1");
        d->Combo_CustType->SetItemIndex(0);
        d->btn_resetClick(d->btn_reset);
        for (int i = 0; i < kSearchInputCount; ++i) EXPECT_EQ(inputs[i]->Text(), "") << labels[i];
        EXPECT_EQ(CombinedSearchSql(d->InputTexts(), {true, "Admin"}), "");
    });
}

TEST_F(CombinedSearchTest, SearchesByPickedCategoryAndNameAndStaysOpen) {
    LogIn(0, "");
    const int expected = ProgramCount("select count(*) from custom where category like '01%' and Company like '%张%'");
    ASSERT_GT(expected, 0);
    ASSERT_GT(ProgramCount("select count(*) from custom where category like '01%'"), expected);
    InDialog([&](TFrm_S_Cust* d) {
        TModalAnswer<TFrm_Tree> pick([](TFrm_Tree* tree) {
            EXPECT_EQ(tree->PickMode, 2);
            EXPECT_EQ(tree->TreeTable, "Cust_Category");
            EXPECT_EQ(tree->Caption(), "个人分类");
            EXPECT_EQ(tree->Owner(), Application);
            for (int i = 0; i < tree->TreeView1->Items()->Count(); ++i)
                if (tree->TreeView1->Items()->Item(i)->Text().rfind("01-", 0) == 0)
                    tree->TreeView1->Items()->Item(i)->SetSelected(true);
            tree->TB_SelectClick(nullptr);
        });
        d->Btn_LookupClick(d->Btn_Lookup);
        EXPECT_TRUE(pick.Seen());
        EXPECT_EQ(d->Edit_cate->Text(), "01");

        d->Edit_custname->SetText("张");
        d->btn_okClick(d->btn_ok);
        EXPECT_EQ(Messages(), std::vector<String>{});
        EXPECT_TRUE(d->Visible());
        TADOQuery* list = Frm_Data->Qry_Cust;
        EXPECT_EQ(Trim(list->SQL()->Text()),
                  "select * from [custom] where (category like'01%')AND(company like'%张%')  ORDER BY CustID");
        EXPECT_EQ(list->RecordCount(), expected);
        EXPECT_EQ(Status(), "当前共有 " + std::to_string(expected) + " 条个人记录");
        // The person grid shows the new list with its columns.
        ASSERT_NE(Frm_Custom, nullptr);
        EXPECT_GT(Frm_Custom->Grid_Cust->Columns()->Count(), 0);

        // Refined without closing: a quote in the name finds nobody and breaks nothing.
        d->Edit_custname->SetText("张'");
        d->btn_okClick(d->btn_ok);
        EXPECT_EQ(list->RecordCount(), 0);
        EXPECT_EQ(Status(), "当前共有 0 条个人记录");
        d->btn_exitClick(d->btn_exit);
    });
}

TEST_F(CombinedSearchTest, AnEmptySearchIsRefusedAndKeepsTheList) {
    LogIn(0, "");
    TADOQuery* list = Frm_Data->Qry_Cust;
    const String sql = list->SQL()->Text();
    const int rows = list->RecordCount();
    InDialog([&](TFrm_S_Cust* d) {
        d->btn_okClick(d->btn_ok);
        EXPECT_EQ(Messages(), std::vector<String>{"没有查询项目!"});
        EXPECT_TRUE(d->Visible());
    });
    EXPECT_EQ(list->SQL()->Text(), sql);
    EXPECT_EQ(list->RecordCount(), rows);
}

TEST_F(CombinedSearchTest, ARestrictedOperatorFindsOwnPersonsOnly) {
    LogIn(1, "1234");
    const int own = ProgramCount("select count(*) from custom where sex = '女' and F_User = '李明'");
    ASSERT_GT(own, 0);
    ASSERT_GT(ProgramCount("select count(*) from custom where sex = '女'"), own);
    InDialog([&](TFrm_S_Cust* d) {
        d->Combo_sex->SetItemIndex(1);
        d->btn_okClick(d->btn_ok);
    });
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), own);
}

// The person window closed before the search: the command opens it again for the list.
TEST_F(CombinedSearchTest, OpensTheClosedPersonWindow) {
    LogIn(0, "");
    ASSERT_NE(Frm_Custom, nullptr);
    Frm_Custom->Close();
    DrainMessages();
    InDialog([&](TFrm_S_Cust* d) {
        d->Edit_custname->SetText("张");
        d->btn_okClick(d->btn_ok);
        ASSERT_NE(Frm_Custom, nullptr);
        EXPECT_TRUE(Frm_Custom->Visible());
    });
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), ProgramCount("select count(*) from custom where Company like '%张%'"));
}

}  // namespace
