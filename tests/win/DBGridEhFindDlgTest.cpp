// The grid's find dialog: Ctrl+F opens it for the grid with its columns, it finds a value in another
// column and the next one, Ctrl reverses the direction, a text not there leaves the grid where it
// was with the not-found message, Esc closes it when not modal, and a freed grid disables it. Its
// boxes are the data-aware ones: the lists accept only their items and are chosen from with the
// keyboard.
#include "DBGridEhFindDlgsForm.h"
#include "DBGridEhTestSupport.h"

#include "AppTestSupport.h"

using namespace gridwin;

namespace {

class DBGridEhFindDlgTest : public ::testing::Test {
protected:
    void SetUp() override {
        DBGridEhFindDlgsInitialization();
        previousBox_ = SetMessageBoxFunction([this](HWND, const String& text, const String&, UINT) {
            messages.push_back(text);
            return IDOK;
        });
        g.Show();
    }
    void TearDown() override {
        SetModifiers(false, false);
        DBGridEhFindDlgsFinalization();
        SetMessageBoxFunction(previousBox_);
        DrainMessages();
    }

    void CtrlF() {
        SetModifiers(false, true);
        g.grid->Perform(WM_KEYDOWN, 'F', 1);
        SetModifiers(false, false);
        DrainMessages();
    }
    static void Key(TWinControl* control, WORD key) {
        SendMessageW(control->Handle(), WM_KEYDOWN, key, 1);
        DrainMessages();
    }
    // Chooses `caption` in a list of the dialog as a person does: F4, the arrows, Enter.
    static void Choose(TDBComboBoxEh* box, const String& caption) {
        const int index = box->Items()->IndexOf(caption);
        ASSERT_GE(index, 0) << caption;
        box->SetFocus();
        DrainMessages();
        Key(box, VK_F4);
        ASSERT_TRUE(box->ListVisible()) << caption;
        while (box->PopupList()->ItemIndex() < index) Key(box, VK_DOWN);
        while (box->PopupList()->ItemIndex() > index) Key(box, VK_UP);
        Key(box, VK_RETURN);
        ASSERT_FALSE(box->ListVisible()) << caption;
        ASSERT_EQ(box->Text(), caption);
    }
    static void TypeInto(TWinControl* box, const String& text) {
        for (wchar_t c : ToWide(text)) SendMessageW(box->Handle(), WM_CHAR, c, 1);
        DrainMessages();
    }
    // Replaces the text to find by typing.
    void Type(const String& text) {
        TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
        dlg->cbText->SetFocus();
        DrainMessages();
        SendMessageW(dlg->cbText->Handle(), EM_SETSEL, 0, -1);
        TypeInto(dlg->cbText, text);
    }
    void FindNext(bool ctrl = false) {
        SetModifiers(false, ctrl);
        DBGridEhFindDlg()->bFind->Click();
        SetModifiers(false, false);
        DrainMessages();
    }
    String CurrentFieldName() { return g.grid->SelectedField() ? g.grid->SelectedField()->FieldName() : String(); }

    GridOnForm g{12};
    std::vector<String> messages;

private:
    TMessageBoxFunction previousBox_;
};

TEST_F(DBGridEhFindDlgTest, CtrlFOpensTheDialogOnTheGridsColumns) {
    ASSERT_TRUE(g.grid->OptionsEh().Contains(dghDialogFind));
    g.grid->SetSelectedIndex(2);  // city
    CtrlF();
    TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_TRUE(dlg->Visible());
    EXPECT_FALSE(dlg->FormState().Contains(fsModal));  // the grid's form is not modal
    EXPECT_EQ(dlg->FormStyle(), fsStayOnTop);
    EXPECT_EQ(dlg->Caption(), "Find text");
    EXPECT_EQ(dlg->Grid(), g.grid);
    EXPECT_EQ(dlg->ActiveControl(), dlg->cbText);

    TStrings* findIn = dlg->cbFindIn->Items();
    ASSERT_EQ(findIn->Count(), g.grid->Columns()->Count() + 1);
    EXPECT_EQ(findIn->Strings(findIn->Count() - 1), "<All>");
    EXPECT_EQ(findIn->Objects(findIn->Count() - 1), nullptr);
    EXPECT_EQ(dlg->cbFindIn->Text(), "city");  // the grid's current column
    ASSERT_EQ(dlg->FindColumns().size(), 1u);
    EXPECT_EQ(dlg->FindColumns()[0], g.grid->Columns()->ColumnAt(2));

    EXPECT_EQ(dlg->cbMatchinType->Text(), "From any part of field");
    EXPECT_EQ(dlg->cbMatchinType->Items()->Strings(2), "From beging of field");
    EXPECT_EQ(dlg->cbFindDirection->Text(), "All");
    EXPECT_FALSE(dlg->cbCharCase->Checked());
    EXPECT_TRUE(dlg->cbUseFormat->Checked());
    EXPECT_EQ(dlg->bFind->Caption(), "&Find next");
    EXPECT_EQ(dlg->bCancel->Caption(), "Close");
    EXPECT_EQ(dlg->bCancel->ModalResult(), 2);
}

TEST_F(DBGridEhFindDlgTest, CtrlFOpensNothingWithoutTheOption) {
    TDBGridEhOptions options = g.grid->OptionsEh();
    options.Exclude(dghDialogFind);
    g.grid->SetOptionsEh(options);
    CtrlF();
    EXPECT_EQ(DBGridEhFindDlg(), nullptr);
}

TEST_F(DBGridEhFindDlgTest, FindsInAnotherColumnThenTheNextAndCtrlGoesBack) {
    // Rows: id i, city Cairo (i % 4 == 1), Delhi (2), Athens (3), Berlin (0).
    g.query->MoveBy(4);  // id 5; "All" starts at the first record all the same
    CtrlF();
    TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
    ASSERT_NE(dlg, nullptr);
    Choose(dlg->cbFindIn, "city");
    Type("elh");
    FindNext();
    EXPECT_EQ(g.CurrentId(), 2);
    EXPECT_EQ(CurrentFieldName(), "city");
    FindNext();
    EXPECT_EQ(g.CurrentId(), 6);
    FindNext(/*ctrl=*/true);
    EXPECT_EQ(g.CurrentId(), 2);
    EXPECT_TRUE(messages.empty());
    EXPECT_EQ(dlg->cbText->Items()->IndexOf("elh"), 0);  // kept in the text's list once
    EXPECT_EQ(dlg->cbText->Items()->Count(), 1);

    // "Down" from the current record over every column; whole field, as cased.
    Choose(dlg->cbFindIn, "<All>");
    Choose(dlg->cbMatchinType, "Whole field");
    Choose(dlg->cbFindDirection, "Down");
    dlg->cbCharCase->SetChecked(true);
    Type("P7");
    FindNext();
    EXPECT_EQ(g.CurrentId(), 7);
    EXPECT_EQ(CurrentFieldName(), "name");
    Type("p7");
    FindNext();
    EXPECT_EQ(g.CurrentId(), 7);  // not found: still there
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "String \"p7\" not found.");
    // The start of a text searched before is completed; the typed letters keep their case.
    Type("E");
    EXPECT_EQ(dlg->cbText->Text(), "Elh");
    EXPECT_EQ(dlg->cbText->SelLength(), 2);
}

TEST_F(DBGridEhFindDlgTest, TextNotThereLeavesTheGridWhereItWas) {
    g.query->MoveBy(3);
    g.grid->SetSelectedIndex(1);
    CtrlF();
    Choose(DBGridEhFindDlg()->cbFindIn, "<All>");
    Type("Zurich");
    FindNext();
    EXPECT_EQ(g.CurrentId(), 4);
    EXPECT_EQ(CurrentFieldName(), "name");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0], "String \"Zurich\" not found.");
}

TEST_F(DBGridEhFindDlgTest, EscClosesTheDialogThatIsNotModal) {
    CtrlF();
    TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
    ASSERT_TRUE(dlg->Visible());
    WORD key = VK_ESCAPE;
    dlg->FormKeyDown(dlg->cbText, key, TShiftState());
    DrainMessages();
    EXPECT_FALSE(dlg->Visible());
}

TEST_F(DBGridEhFindDlgTest, ModalDialogFindsAndClosesThroughItsCloseButton) {
    TModalAnswer<TDBGridEhFindDlg> answer([&](TDBGridEhFindDlg* dlg) {
        EXPECT_EQ(dlg->FormStyle(), fsNormal);
        Choose(dlg->cbFindIn, "name");
        Type("P9");
        WORD enter = VK_RETURN;  // Enter finds
        dlg->FormKeyDown(dlg->cbText, enter, TShiftState());
        EXPECT_EQ(g.CurrentId(), 9);
        WORD esc = VK_ESCAPE;  // Esc leaves a modal dialog to its Close button
        dlg->FormKeyDown(dlg->cbText, esc, TShiftState());
        EXPECT_TRUE(dlg->Visible());
        dlg->bCancel->Click();
    });
    ExecuteDBGridEhFindDialog(g.grid, String(), true);
    EXPECT_TRUE(answer.Seen());
    EXPECT_EQ(DBGridEhFindDlg()->ModalResult(), 2);
    EXPECT_FALSE(DBGridEhFindDlg()->Visible());
}

TEST_F(DBGridEhFindDlgTest, FreedGridDisablesFindNext) {
    CtrlF();
    TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
    ASSERT_TRUE(dlg->bFind->Enabled());
    g.grid->Free();
    g.grid = nullptr;
    EXPECT_EQ(dlg->Grid(), nullptr);
    EXPECT_FALSE(dlg->bFind->Enabled());
    Type("P1");
    FindNext();  // nothing to search, nothing touched
    EXPECT_TRUE(messages.empty());
}

TEST_F(DBGridEhFindDlgTest, ListsTakeOnlyTheirItemsAndEnterClosesAnOpenListFirst) {
    g.query->MoveBy(2);
    CtrlF();
    TDBGridEhFindDlg* dlg = DBGridEhFindDlg();
    ASSERT_NE(dlg, nullptr);
    EXPECT_FALSE(dlg->cbText->Keyed());
    for (TDBComboBoxEh* box : {dlg->cbFindIn, dlg->cbMatchinType, dlg->cbFindDirection}) {
        EXPECT_TRUE(box->Keyed()) << box->Name();
        EXPECT_EQ(box->KeyItems()->Count(), box->Items()->Count()) << box->Name();
    }
    EXPECT_EQ(dlg->cbFindIn->DropDownBox()->Rows(), 16);

    // Typing picks an item or changes nothing; the change resets the search.
    Choose(dlg->cbFindIn, "<All>");
    ASSERT_EQ(dlg->FindColumns().size(), static_cast<std::size_t>(g.grid->Columns()->Count()));
    dlg->cbFindDirection->SetFocus();
    DrainMessages();
    TypeInto(dlg->cbFindDirection, "x");
    EXPECT_EQ(dlg->cbFindDirection->Text(), "All");
    SendMessageW(dlg->cbFindDirection->Handle(), EM_SETSEL, 0, -1);
    TypeInto(dlg->cbFindDirection, "u");
    EXPECT_EQ(dlg->cbFindDirection->Text(), "Up");
    EXPECT_EQ(dlg->CurrentColumn(), g.grid->Columns()->Count() - 1);
    Key(dlg->cbFindDirection, VK_DOWN);  // the arrows step through the items
    EXPECT_EQ(dlg->cbFindDirection->Text(), "Down");
    EXPECT_EQ(dlg->CurrentColumn(), 0);

    // Enter with the column list open closes the list; the next Enter finds.
    Type("Cairo");
    dlg->cbFindIn->SetFocus();
    DrainMessages();
    Key(dlg->cbFindIn, VK_F4);
    ASSERT_TRUE(dlg->cbFindIn->ListVisible());
    Key(dlg->cbFindIn, VK_RETURN);
    EXPECT_FALSE(dlg->cbFindIn->ListVisible());
    EXPECT_EQ(dlg->cbFindIn->Text(), "<All>");
    EXPECT_EQ(g.CurrentId(), 3);  // nothing searched yet
    Key(dlg->cbFindIn, VK_RETURN);
    EXPECT_EQ(g.CurrentId(), 5);  // "Down" from the current record: the next Cairo
    EXPECT_EQ(CurrentFieldName(), "city");
    EXPECT_TRUE(messages.empty());

    // The options are data-aware check boxes keeping their own state.
    EXPECT_TRUE(dlg->cbUseFormat->DataLink()->DataIndependent());
    EXPECT_EQ(CheckBoxStateOfValue(dlg->cbUseFormat->DataLink()->DataIndependentValue()), cbChecked);
}

}  // namespace
