// The data-aware edit, combo box and check box over a real data set: following the data set's
// row, writing typed or chosen values back, Esc, and the keyed combo box's drop-down.
#include "DBGridEhTestSupport.h"

#include "DBCtrlsEhControls.h"

using namespace gridwin;

namespace {

const char* kScript = R"(
CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(10), sex VARCHAR(1), answer VARCHAR(5));
INSERT INTO people VALUES (1, 'Ann', 'F', 'y'), (2, 'Bob', 'M', 'no'), (3, 'Cy', NULL, NULL);
)";

class DataAwareControls : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("people.mdb");
        dbtest::BuildDatabase(path_, {{"people.sql", kScript}});
        session_ = std::make_unique<dbtest::Session>(path_);
        q = session_->query;
        OpenQuery(q, "select * from people order by id");
        form_.reset(New<TForm>(nullptr, CreateNew));
        form_->SetBounds(100, 100, 400, 300);
        source = New<TDataSource>(form_.get());
        source->SetDataSet(q);
        edit = New<TDBEditEh>(form_.get());
        edit->SetParent(form_.get());
        edit->SetBounds(10, 10, 120, 21);
        edit->SetDataSource(source);
        edit->SetDataField("name");
        combo = New<TDBComboBoxEh>(form_.get());
        combo->SetParent(form_.get());
        combo->SetBounds(10, 40, 120, 21);
        for (const char* s : {"Male", "Female"}) combo->Items()->Add(s);
        for (const char* s : {"M", "F"}) combo->KeyItems()->Add(s);
        combo->SetDataSource(source);
        combo->SetDataField("sex");
        check = New<TDBCheckBoxEh>(form_.get());
        check->SetParent(form_.get());
        check->SetBounds(10, 70, 120, 17);
        check->SetValueChecked("Yes;Y");
        check->SetValueUnchecked("No;N");
        check->SetDataSource(source);
        check->SetDataField("answer");
        other = New<TEdit>(form_.get());
        other->SetParent(form_.get());
        other->SetBounds(10, 100, 120, 21);
        form_->Show();
        DrainMessages();
    }
    void TearDown() override {
        form_.reset();
        DrainMessages();
    }
    void Type(TWinControl* control, const String& text) {
        for (wchar_t c : ToWide(text)) SendMessageW(control->Handle(), WM_CHAR, c, 1);
    }
    String Stored(int id, const String& column) {
        TADOQuery* check = session_->NewQuery();
        OpenQuery(check, "select " + column + " as v from people where id = " + std::to_string(id));
        return check->FieldByName("v")->AsString();
    }
    void ClickCheckBox() { SendMessageW(form_->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED), reinterpret_cast<LPARAM>(check->Handle())); }

    dbtest::TempFolder folder_;
    String path_;
    std::unique_ptr<dbtest::Session> session_;
    TADOQuery* q = nullptr;
    std::unique_ptr<TForm, TFree> form_;
    TDataSource* source = nullptr;
    TDBEditEh* edit = nullptr;
    TDBComboBoxEh* combo = nullptr;
    TDBCheckBoxEh* check = nullptr;
    TEdit* other = nullptr;
};

TEST_F(DataAwareControls, TheEditFollowsTheRowAndWritesTypedTextBack) {
    EXPECT_EQ(edit->Text(), "Ann");
    EXPECT_EQ(edit->MaxLength(), 10);  // the field's size
    EXPECT_TRUE(edit->WindowReadOnly());  // until editing starts
    q->Next();
    EXPECT_EQ(edit->Text(), "Bob");
    edit->SetFocus();
    DrainMessages();
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    Type(edit, "Robert");
    EXPECT_EQ(q->State(), dsEdit);
    EXPECT_FALSE(edit->WindowReadOnly());
    EXPECT_EQ(edit->Text(), "Robert");
    q->Next();  // leaving the row posts what was typed
    EXPECT_EQ(Stored(2, "name"), "Robert");
    EXPECT_EQ(edit->Text(), "Cy");

    // Esc while editing gives the stored value back.
    Type(edit, "X");
    EXPECT_EQ(q->State(), dsEdit);
    SendMessageW(edit->Handle(), WM_CHAR, 27, 1);
    EXPECT_EQ(edit->Text(), "Cy");
    q->Cancel();

    // Leaving the control writes into the record.
    q->First();
    edit->SetFocus();
    DrainMessages();
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    Type(edit, "Anna");
    other->SetFocus();
    DrainMessages();
    EXPECT_EQ(q->FieldByName("name")->AsString(), "Anna");
    q->Post();
    EXPECT_EQ(Stored(1, "name"), "Anna");
}

TEST_F(DataAwareControls, ADataIndependentEditKeepsItsOwnValue) {
    TDBEditEh* free = New<TDBEditEh>(form_.get());
    free->SetParent(form_.get());
    free->SetBounds(150, 10, 100, 21);
    free->HandleNeeded();
    EXPECT_TRUE(free->DataLink()->DataIndependent());
    EXPECT_TRUE(free->WindowReadOnly());  // not editing and no OnUpdateData
    free->SetFocus();
    DrainMessages();
    Type(free, "abc");
    EXPECT_EQ(free->Text(), "abc");
    other->SetFocus();
    DrainMessages();
    EXPECT_EQ(VarToStr(free->DataLink()->DataIndependentValue()), "abc");
    free->SetValue(Variant(12));
    EXPECT_EQ(free->Text(), "12");
}

TEST_F(DataAwareControls, TheKeyedComboShowsTextsAndStoresKeys) {
    EXPECT_EQ(combo->Text(), "Female");
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(VarToStr(combo->Value()), "F");
    q->Last();
    EXPECT_EQ(combo->Text(), "");  // a Null field
    EXPECT_EQ(combo->ItemIndex(), -1);
    q->First();

    combo->SetFocus();
    DrainMessages();
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(combo->Text(), "Male");
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_UP, 1);  // the first item stays
    EXPECT_EQ(combo->Text(), "Male");
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "M");

    // The drop-down, with the keyboard and the mouse.
    SendMessageW(combo->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0x20000001);
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(combo->PopupList()->Count(), 2);
    EXPECT_EQ(combo->PopupList()->ItemIndex(), 0);
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 1);
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Female");
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "F");

    SendMessageW(combo->Handle(), WM_SYSKEYDOWN, VK_DOWN, 0x20000001);
    RECT r{};
    SendMessageW(combo->PopupList()->Handle(), LB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r));
    const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    SendMessageW(combo->PopupList()->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(combo->PopupList()->Handle(), WM_LBUTTONUP, 0, at);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Male");
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "M");

    // Typing completes among the texts; Delete clears the value.
    SendMessageW(combo->Handle(), EM_SETSEL, 0, -1);
    Type(combo, "fe");
    EXPECT_EQ(combo->Text(), "Female");
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DELETE, 1);
    EXPECT_TRUE(VarIsNull(combo->Value()));
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "");
}

TEST_F(DataAwareControls, TheCheckBoxReadsAndWritesItsTexts) {
    EXPECT_EQ(check->State(), cbChecked);  // "y" is among "Yes;Y", ignoring case
    q->Next();
    EXPECT_EQ(check->State(), cbUnchecked);
    q->Next();
    EXPECT_EQ(check->State(), cbGrayed);  // Null
    ClickCheckBox();
    EXPECT_EQ(check->State(), cbChecked);
    EXPECT_EQ(q->State(), dsEdit);
    q->Post();
    EXPECT_EQ(Stored(3, "answer"), "Yes");
    q->First();
    ClickCheckBox();
    EXPECT_EQ(check->State(), cbUnchecked);
    q->Post();
    EXPECT_EQ(Stored(1, "answer"), "No");
    // A read-only check box does not change.
    check->SetReadOnly(true);
    ClickCheckBox();
    EXPECT_EQ(check->State(), cbUnchecked);
}

}  // namespace
