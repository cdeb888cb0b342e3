// The add/edit person dialog over a scratch copy of the shipped database, driven through the main
// window's commands: two persons in a row (numbers proposed, fields cleared, owner written), the
// refusals and their order, numbering off, bad input stored exactly or refused without a
// half-written row, the category picked with F4, and edit mode stepping with the navigator.
#include "AppTestSupport.h"
#include "Dialogs.h"
#include "TestControls.h"
#include "U_AddCust.h"
#include "U_AddCustTexts.h"
#include "U_Custom.h"
#include "U_Data.h"
#include "U_DataLogic.h"
#include "U_Main.h"
#include "U_login.h"
#include "U_tree.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

class AddCustTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterDataModuleClasses();
        RegisterMainClasses();
        RegisterLoginClasses();
        RegisterDBGridEhClasses();
        RegisterTreeClasses();
        RegisterCustomClasses();
        RegisterAddCustClasses();
    }

    AddCustTest() { CreateProgramForms(); }
    ~AddCustTest() override { FreeProgramForms(); }

    void LogIn(int index, const char* password) {
        LogInAndShowMain(index, password);
        app_.Boxes.clear();
        if (!Frm_Custom)
            throw std::runtime_error("the main window shows no person window");
    }

    static String One(const String& sql) { return ProgramValue(sql); }
    static int Count(const String& sql) { return ProgramCount(sql); }
    static int Persons() { return Count("select count(*) from Custom"); }
    static int MaxCode() { return Count("select max(CustCode) from Custom"); }

    // Runs the main window's AddCust (or EditCust) and `act` on the dialog it shows.
    void InDialog(bool edit, std::function<void(TFrm_AddCust*)> act) {
        TModalAnswer<TFrm_AddCust> answer(std::move(act));
        if (edit)
            Frm_Main->EditCustExecute(nullptr);
        else
            Frm_Main->AddCustExecute(nullptr);
        EXPECT_TRUE(answer.Seen());
    }

    std::vector<String> Messages() { return app_.TakeTexts(); }

    TScopedApplication app_;
    TScratchProgramFolder folder_{"addcust"};
};

TEST_F(AddCustTest, NewModeSavesTwoPersonsInARowWithTheirOwner) {
    LogIn(1, "1234");  // a restricted operator: the list shows their own persons only
    const int before = Persons();
    const int listed = Frm_Data->Qry_Cust->RecordCount();
    const int next = MaxCode() + 1;
    InDialog(false, [&](TFrm_AddCust* d) {
        EXPECT_EQ(d->Caption(), AddCustTexts::NewCaption);
        // Numbering missing from Config.ini: proposed, but the box is not checked.
        EXPECT_EQ(d->Edit_Code->Text(), std::to_string(next));
        EXPECT_FALSE(d->cb_Auto->Checked());
        EXPECT_EQ(d->Combo_CustType->Text(), "金牛座 ");
        EXPECT_EQ(d->Combo_CustLevel->Text(), "B型");
        // The labels take their captions from T_FieldShow.
        EXPECT_EQ(dynamic_cast<TControl*>(d->FindComponent("Company"))->Caption(), "个人名称");
        d->Edit_CustName->SetText("  测试甲 ");
        d->Edit_tel->SetText("021-1234");
        d->Memo1->SetText("  简介\r\n第二行 ");
        d->Edit_qq->SetText(" 888 ");
        d->Btn_OKClick(d->Btn_OK);
        // Cleared for the next person; the combo boxes and QQ keep their values.
        EXPECT_EQ(d->Edit_Code->Text(), std::to_string(next + 1));
        EXPECT_EQ(d->Edit_CustName->Text(), "");
        EXPECT_EQ(d->Edit_tel->Text(), "");
        EXPECT_EQ(d->Memo1->Text(), "");
        EXPECT_EQ(d->Edit_qq->Text(), " 888 ");
        EXPECT_EQ(d->Combo_CustType->Text(), "金牛座 ");
        d->Edit_CustName->SetText("测试乙");
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_TRUE(d->Visible());  // the dialog stays open
    });
    EXPECT_EQ(Messages(), std::vector<String>{});
    EXPECT_EQ(Persons(), before + 2);
    const String where = " from Custom where CustCode=" + std::to_string(next);
    EXPECT_EQ(One("select Company" + where), "测试甲");
    EXPECT_EQ(One("select F_User" + where), "李明");
    EXPECT_EQ(One("select CustType" + where), "金牛座");
    EXPECT_EQ(One("select tel" + where), "021-1234");
    EXPECT_EQ(One("select introduce" + where), "  简介\r\n第二行 ");
    EXPECT_EQ(One("select qq" + where), " 888 ");
    EXPECT_EQ(One("select Company from Custom where CustCode=" + std::to_string(next + 1)), "测试乙");
    // The person list shows both at once, and the owner's list keeps them.
    EXPECT_EQ(Frm_Data->Qry_Cust->RecordCount(), listed + 2);
    EXPECT_EQ(Frm_Data->IniFile->ReadInteger("FormConfig", "AutoCode", -1), 0);
}

TEST_F(AddCustTest, RefusalsInOrderAndNothingHalfWritten) {
    LogIn(0, "");
    const int before = Persons();
    const String takenName = One("select Company from Custom where CustCode=(select min(CustCode) from Custom)");
    const String takenCode = One("select min(CustCode) from Custom");
    InDialog(false, [&](TFrm_AddCust* d) {
        const String proposed = d->Edit_Code->Text();
        struct Step {
            const char* name;
            String code, person, message, codeAfter;
        } steps[] = {
            {"empty number", "", "某人", "个人编号不能为空!", ""},
            {"empty name", "77777", " ", "个人名称不能为空!", "77777"},
            {"taken number: the next one is proposed", takenCode, "某人", "个人编号有重复!", proposed},
            {"taken name", "77777", takenName, "个人名称有重复!", "77777"},
        };
        for (const Step& step : steps) {
            SCOPED_TRACE(step.name);
            d->Edit_Code->SetText(step.code);
            d->Edit_CustName->SetText(step.person);
            d->Btn_OKClick(d->Btn_OK);
            ASSERT_EQ(app_.Boxes.size(), 1u);
            EXPECT_EQ(app_.Boxes[0].Text, step.message);
            EXPECT_EQ(app_.Boxes[0].Caption, "提醒");
            EXPECT_EQ(app_.Boxes[0].Flags & MB_ICONMASK, static_cast<UINT>(MB_ICONINFORMATION));
            EXPECT_EQ(d->Edit_Code->Text(), step.codeAfter);
            app_.Boxes.clear();
        }
        // A number that is no integer: the conversion error, and no row left in insert state.
        for (const char* bad : {"12 ", "1 2", "abc", "12345678901234567890", "1 or 1=1"}) {
            SCOPED_TRACE(bad);
            d->Edit_Code->SetText(bad);
            d->Edit_CustName->SetText("某人");
            EXPECT_THROW(d->Btn_OKClick(d->Btn_OK), EConvertError);
            EXPECT_EQ(Frm_Data->Qry_Cust->State(), dsBrowse);
        }
        // Leading blanks convert.
        d->Edit_Code->SetText("  88888");
        d->Btn_OKClick(d->Btn_OK);
    });
    EXPECT_EQ(Persons(), before + 1);
    EXPECT_EQ(One("select Company from Custom where CustCode=88888"), "某人");
}

TEST_F(AddCustTest, HardValuesAreStoredExactlyOrRefusedWhole) {
    LogIn(0, "");
    const int before = Persons();
    const String names[] = {String(50, 'x'), "O'Brien \"Bob\"", "表情😀与ẞ", "a%_b"};
    InDialog(false, [&](TFrm_AddCust* d) {
        for (const String& name : names) {
            d->Edit_CustName->SetText(name);
            d->Btn_OKClick(d->Btn_OK);
        }
        // A quote in the name is compared as text: the same name again is taken.
        d->Edit_CustName->SetText("O'Brien \"Bob\"");
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(Messages(), std::vector<String>{"个人名称有重复!"});
        // Longer than the column holds: refused before any row is begun, the input keeps it.
        const String code = d->Edit_Code->Text();
        d->Edit_CustName->SetText(String(500, 'y'));
        d->Btn_OKClick(d->Btn_OK);
        d->Edit_CustName->SetText("短名");
        d->Edit_tel->SetText(String(51, '1'));
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(Messages(), (std::vector<String>{"个人名称不能超过50个字符!", "联系电话不能超过50个字符!"}));
        EXPECT_EQ(d->Edit_tel->Text(), String(51, '1'));
        EXPECT_EQ(d->Edit_Code->Text(), code);
        EXPECT_EQ(Frm_Data->Qry_Cust->State(), dsBrowse);
    });
    EXPECT_EQ(Persons(), before + 4);
    for (const String& name : names) {
        SCOPED_TRACE(name.substr(0, 20));
        EXPECT_EQ(Count("select count(*) from Custom where Company=" + QuotedSql(name)), 1);
    }
}

TEST_F(AddCustTest, NumberingOffLeavesTheNumberEmptyAfterASave) {
    LogIn(0, "");
    Frm_Data->IniFile->WriteInteger("FormConfig", "AutoCode", 0);
    const String takenCode = One("select min(CustCode) from Custom");
    InDialog(false, [&](TFrm_AddCust* d) {
        EXPECT_EQ(d->Edit_Code->Text(), "");
        EXPECT_FALSE(d->cb_Auto->Checked());
        d->Edit_Code->SetText("90001");
        d->Edit_CustName->SetText("编号关");
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(d->Edit_Code->Text(), "");
        // A taken number still proposes the next one.
        d->Edit_Code->SetText(takenCode);
        d->Edit_CustName->SetText("编号关二");
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(d->Edit_Code->Text(), std::to_string(MaxCode() + 1));
        // Checking the box proposes and remembers it.
        d->cb_Auto->SetChecked(true);
    });
    EXPECT_EQ(Frm_Data->IniFile->ReadInteger("FormConfig", "AutoCode", -1), 1);
    InDialog(false, [&](TFrm_AddCust* d) {
        EXPECT_TRUE(d->cb_Auto->Checked());
        EXPECT_EQ(d->Edit_Code->Text(), std::to_string(MaxCode() + 1));
    });
}

TEST_F(AddCustTest, F4PicksTheCategoryAndTheDialogRemembersIt) {
    LogIn(0, "");
    InDialog(false, [&](TFrm_AddCust* d) {
        TModalAnswer<TFrm_Tree> pick([](TFrm_Tree* tree) {
            EXPECT_EQ(tree->PickMode, 1);
            EXPECT_EQ(tree->Caption(), "个人分类");
            for (int i = 0; i < tree->TreeView1->Items()->Count(); ++i)
                if (tree->TreeView1->Items()->Item(i)->Text() == "030101-上海客户")
                    tree->TreeView1->Items()->Item(i)->SetSelected(true);
            tree->TreeView1DblClick(nullptr);
        });
        auto* field = dynamic_cast<TWinControl*>(d->FindComponent("Edit_Category"));
        ASSERT_NE(field, nullptr);
        field->SetFocus();
        PostMessageW(field->Handle(), WM_KEYDOWN, VK_F4, 1);
        DrainMessages();
        EXPECT_TRUE(pick.Seen());
        EXPECT_EQ(d->CategoryCode, "030101");
        EXPECT_EQ(d->CategoryText(), "上海客户");
        d->Edit_CustName->SetText("分类人");
        d->Btn_OKClick(d->Btn_OK);
    });
    EXPECT_EQ(One("select Category from Custom where Company='分类人'"), "030101");
    // The next dialog starts on the remembered category.
    InDialog(false, [&](TFrm_AddCust* d) {
        EXPECT_EQ(d->CategoryCode, "030101");
        EXPECT_EQ(d->CategoryText(), "上海客户");
    });
}

TEST_F(AddCustTest, EditModeStepsWithTheNavigatorAndRefusesAnotherPersonsName) {
    LogIn(0, "");
    TADOQuery* persons = Frm_Data->Qry_Cust;
    persons->First();
    const String first = persons->FieldByName("Company")->AsString();
    const String firstId = persons->FieldByName("CustID")->AsString();
    persons->Next();
    const String second = persons->FieldByName("Company")->AsString();
    persons->First();
    const int before = Persons();
    InDialog(true, [&](TFrm_AddCust* d) {
        EXPECT_EQ(d->Caption(), AddCustTexts::EditCaption);
        EXPECT_EQ(d->Edit_CustName->Text(), first);
        EXPECT_EQ(d->DBNavigator1->DataSource(), Frm_Data->DS_Cust);
        d->DBNavigator1->BtnClick(nbNext);
        EXPECT_EQ(d->Edit_CustName->Text(), second);
        d->DBNavigator1->BtnClick(nbPrior);
        EXPECT_EQ(d->Edit_CustName->Text(), first);
        // Saving its own values again is no conflict.
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_TRUE(app_.Boxes.empty());
        // Another person's name is refused; nothing is left in edit state.
        d->Edit_CustName->SetText(second);
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(Messages(), std::vector<String>{"个人名称有重复!"});
        EXPECT_EQ(persons->State(), dsBrowse);
        d->Edit_CustName->SetText(first + "改");
        d->Combo_CustType->SetText("双子座 ");
        d->Btn_OKClick(d->Btn_OK);
        EXPECT_EQ(d->Edit_CustName->Text(), first + "改");  // stays with its values
    });
    EXPECT_EQ(Persons(), before);
    EXPECT_EQ(One("select Company from Custom where CustID=" + firstId), first + "改");
    EXPECT_EQ(One("select CustType from Custom where CustID=" + firstId), "双子座");
}

}  // namespace
