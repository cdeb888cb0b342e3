// The standard controls over their Win32 classes: text through the windows (Chinese and every
// control character), password characters and length limits, combo and list box items, their
// objects and selection with and without a window (sorted list boxes too), the person's OnSelect,
// buttons clicked through the reflected BN_CLICKED, the default and cancel keys, owner-drawn bit
// buttons, labels, group boxes and images painted into memory DCs, the status bar's panels and
// timers.
#include "Buttons.h"
#include "ComCtrls.h"
#include "ExtCtrls.h"
#include "MessageRecorder.h"
#include "StdCtrls.h"
#include "TestControls.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <functional>
#include <memory>
#include <vector>

namespace {

// Counts the events a control raises.
struct TEventLog {
    int clicks = 0;
    int changes = 0;
    int selects = 0;
    int timers = 0;
    void Click(TObject*) { ++clicks; }
    void Change(TObject*) { ++changes; }
    void Select(TObject*) { ++selects; }
    void Timer(TObject*) { ++timers; }
};

class StdCtrlsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        StartWindowTests();
        RegisterStdCtrlsClasses();
        RegisterButtonsClasses();
        RegisterExtCtrlsClasses();
        RegisterComCtrlsClasses();
    }
    void SetUp() override {
        form_ = New<TForm>(static_cast<TComponent*>(nullptr), CreateNew);
        form_->SetBounds(40, 40, 400, 300);
    }
    void TearDown() override {
        form_->Free();
        DrainMessages();
    }
    template <class T>
    T* Make(const char* name) {
        T* control = New<T>(form_);
        control->SetName(name);
        control->SetParent(form_);
        return control;
    }
    static String WindowText(HWND window) {
        wchar_t buffer[512] = {};
        GetWindowTextW(window, buffer, 512);
        return FromWide(buffer);
    }

    TScopedApplication app_;
    TForm* form_ = nullptr;
};

// "a" + one character + "b" for every control character, plus plain and Chinese texts.
std::vector<std::pair<String, String>> TextCases() {
    std::vector<std::pair<String, String>> cases = {
        {"empty", ""}, {"ascii", "Vestrel 1.0"}, {"chinese", "个人名片管理 · 登录"}, {"mixed", "当前操作员: Admin"},
    };
    for (int c = 1; c < 32; ++c)
        cases.push_back({"control " + std::to_string(c), String("a") + static_cast<char>(c) + "b"});
    return cases;
}

TEST_F(StdCtrlsTest, TextRoundTripsThroughEveryKindOfControl) {
    TLabel* label = Make<TLabel>("Label1");
    TButton* button = Make<TButton>("Button1");
    TComboBox* combo = Make<TComboBox>("Combo1");
    TEdit* edit = Make<TEdit>("Edit1");
    for (TWinControl* control : std::initializer_list<TWinControl*>{button, combo, edit})
        control->HandleNeeded();
    for (const auto& [name, text] : TextCases()) {
        SCOPED_TRACE(name);
        label->SetCaption(text);
        EXPECT_EQ(label->Caption(), text);
        button->SetCaption(text);
        EXPECT_EQ(button->Caption(), text);
        EXPECT_EQ(WindowText(button->Handle()), text);
        combo->SetText(text);
        EXPECT_EQ(combo->Text(), text);
        edit->SetText(text);
        EXPECT_EQ(edit->Text(), text);
        EXPECT_EQ(WindowText(edit->Handle()), text);
    }
}

TEST_F(StdCtrlsTest, EditKeepsItsTextAndSettingsAcrossRecreateWnd) {
    TEdit* edit = Make<TEdit>("Edit1");
    edit->SetText("维斯特尔");  // before the window exists
    edit->SetPasswordChar(L'*');
    edit->SetMaxLength(6);
    edit->SetReadOnly(true);
    edit->HandleNeeded();
    EXPECT_EQ(edit->Text(), "维斯特尔");
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HWND window = edit->Handle();
        EXPECT_EQ(SendMessageW(window, EM_GETPASSWORDCHAR, 0, 0), L'*');
        EXPECT_EQ(SendMessageW(window, EM_GETLIMITTEXT, 0, 0), 6);
        EXPECT_NE(GetWindowLongPtrW(window, GWL_STYLE) & ES_READONLY, 0);
        EXPECT_EQ(edit->Text(), "维斯特尔");  // the text itself, not the stars
        edit->RecreateWnd();
    }
    edit->SetPasswordChar(0);
    EXPECT_EQ(SendMessageW(edit->Handle(), EM_GETPASSWORDCHAR, 0, 0), 0);
}

TEST_F(StdCtrlsTest, EditLimitsTypedTextButNotTextSetByTheProgram) {
    TEdit* edit = Make<TEdit>("Edit1");
    edit->SetMaxLength(4);
    edit->HandleNeeded();
    for (wchar_t c : std::wstring(L"abcdef密"))
        SendMessageW(edit->Handle(), WM_CHAR, c, 1);
    EXPECT_EQ(edit->Text(), "abcd");
    edit->SetText("abcdefgh");
    EXPECT_EQ(edit->Text(), "abcdefgh");
    EXPECT_THROW(edit->SetMaxLength(-1), EInvalidArgument);
}

TEST_F(StdCtrlsTest, EditSelectionAndOnChange) {
    TEdit* edit = Make<TEdit>("Edit1");
    TEventLog log;
    edit->OnChange = Event<&TEventLog::Change>(&log);
    edit->SetText("before");  // no window yet: no change event
    edit->HandleNeeded();
    EXPECT_EQ(log.changes, 0);
    edit->SetText("个人名片");
    EXPECT_EQ(log.changes, 1);
    edit->SetText("个人名片");  // the same text: nothing happens
    EXPECT_EQ(log.changes, 1);
    edit->SelectAll();
    EXPECT_EQ(edit->SelStart(), 0);
    EXPECT_EQ(edit->SelLength(), 4);
    edit->SetSelStart(2);
    edit->SetSelLength(1);
    EXPECT_EQ(edit->SelText(), "名");
    SendMessageW(edit->Handle(), WM_CHAR, L'x', 1);
    EXPECT_EQ(edit->Text(), "个人x片");
    EXPECT_EQ(log.changes, 2);
    EXPECT_TRUE(edit->Modified());
}

TEST_F(StdCtrlsTest, PasswordCharFromADescriptionIsOneCharacter) {
    TEdit* edit = Make<TEdit>("Edit1");
    SetStrProp(edit, "PasswordChar", "*");
    EXPECT_EQ(edit->PasswordChar(), L'*');
    EXPECT_EQ(GetStrProp(edit, "PasswordChar"), "*");
    SetStrProp(edit, "PasswordChar", "●");
    EXPECT_EQ(edit->PasswordChar(), L'●');
    SetStrProp(edit, "PasswordChar", "");
    EXPECT_EQ(edit->PasswordChar(), 0);
    try {
        SetStrProp(edit, "PasswordChar", "**");
        FAIL() << "two characters accepted";
    } catch (const EConvertError& e) {
        EXPECT_NE(String(e.what()).find("Edit1"), String::npos) << e.what();
    }
}

TEST_F(StdCtrlsTest, ComboItemIndexSelectsNothingOutsideTheList) {
    TComboBox* combo = Make<TComboBox>("Combo1");
    combo->SetStyle(csDropDownList);
    for (bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "window" : "no window");
        if (withWindow)
            combo->HandleNeeded();
        combo->Items()->Clear();
        combo->Items()->Add("Admin");
        combo->Items()->Add("李明");
        const struct {
            int set;
            int expected;
            const char* text;
        } cases[] = {{1, 1, "李明"}, {-1, -1, ""}, {0, 0, "Admin"}, {2, -1, ""}, {1, 1, "李明"}, {-2, -1, ""},
                     {99, -1, ""}};
        for (const auto& c : cases) {
            SCOPED_TRACE(c.set);
            combo->SetItemIndex(c.set);
            EXPECT_EQ(combo->ItemIndex(), c.expected);
            if (withWindow) {
                EXPECT_EQ(combo->Text(), c.text);
            }
        }
    }
    EXPECT_TRUE(combo->HandleAllocated());
}

TEST_F(StdCtrlsTest, ComboItemsTalkToTheControlAndSurviveRecreateWnd) {
    TComboBox* combo = Make<TComboBox>("Combo1");
    combo->SetStyle(csDropDownList);
    TObject marker;
    combo->Items()->Add("Admin");
    combo->Items()->AddObject("李明", &marker);
    combo->SetItemIndex(1);
    combo->HandleNeeded();
    HWND window = combo->Handle();
    EXPECT_EQ(SendMessageW(window, CB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(window, CB_GETCURSEL, 0, 0), 1);
    combo->Items()->Insert(0, "维护员");  // the selection follows its item
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->ItemIndex(), 2);
    EXPECT_EQ(combo->Items()->Objects(2), &marker);
    combo->SetText("admin");  // a drop-down list's text chooses the item (without regard to case)
    EXPECT_EQ(combo->ItemIndex(), 1);

    combo->SetDropDownCount(12);  // recreates the window
    EXPECT_NE(combo->Handle(), window);
    EXPECT_EQ(combo->Items()->Count(), 3);
    EXPECT_EQ(combo->Items()->Get(0), "维护员");
    EXPECT_EQ(combo->Items()->Objects(2), &marker);
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(combo->Text(), "Admin");
    EXPECT_THROW(combo->Items()->Get(3), EStringListError);
    EXPECT_THROW(combo->Items()->Delete(-1), EStringListError);

    combo->SetStyle(csDropDown);  // recreates it as an edit box
    EXPECT_NE(GetWindowLongPtrW(combo->Handle(), GWL_STYLE) & CBS_DROPDOWN, 0);
    EXPECT_EQ(combo->Items()->Count(), 3);
    combo->SetItemIndex(-1);
    combo->SetText("自由文字");
    EXPECT_EQ(combo->Text(), "自由文字");
    combo->RecreateWnd();
    EXPECT_EQ(combo->Text(), "自由文字");
}

TEST_F(StdCtrlsTest, ComboItemsFromADescription) {
    TComboBox* combo = Make<TComboBox>("Combo1");
    SetPropValue(combo->Items(), "Strings", std::vector<String>{"A型", "B型", "O型", "AB型"});
    EXPECT_EQ(combo->Items()->Count(), 4);
    EXPECT_EQ(combo->Items()->Get(3), "AB型");
    combo->HandleNeeded();
    EXPECT_EQ(GetPropValue(combo->Items(), "Strings").AsStrings(), (std::vector<String>{"A型", "B型", "O型", "AB型"}));
}

// Inserts, deletes and clears the items of `control` (a combo box or a list box): the selection
// and the objects follow their items, bad positions are errors, and a new window gets the rest.
template <class T>
void CheckItemsFollowTheirSelectionAndObjects(T* control) {
    TStrings* items = control->Items();
    TObject admin;
    TObject li;
    TObject wang;
    const auto expectItems = [&](const char* when) {
        SCOPED_TRACE(when);
        ASSERT_EQ(items->Count(), 3);
        EXPECT_EQ(items->Get(0), "Admin");
        EXPECT_EQ(items->Get(1), "李明");
        EXPECT_EQ(items->Get(2), "末");
        EXPECT_EQ(items->Objects(0), &admin);
        EXPECT_EQ(items->Objects(1), &li);
        EXPECT_EQ(items->Objects(2), nullptr);
        EXPECT_EQ(control->ItemIndex(), 1);
    };
    EXPECT_EQ(items->Count(), 0);
    EXPECT_EQ(control->ItemIndex(), -1);
    EXPECT_EQ(items->AddObject("Admin", &admin), 0);
    EXPECT_EQ(items->Add("李明"), 1);
    EXPECT_EQ(items->AddObject("王芳", &wang), 2);
    items->PutObject(1, &li);
    control->SetItemIndex(1);
    items->Insert(0, "维护员");  // before the selection
    EXPECT_EQ(control->ItemIndex(), 2);
    EXPECT_EQ(items->Objects(2), &li);
    items->InsertObject(4, "末", nullptr);  // at the end
    items->Delete(0);
    EXPECT_EQ(control->ItemIndex(), 1);
    items->Delete(2);  // after the selection
    expectItems("changed");
    for (int bad : {-1, 3}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(items->Get(bad), EStringListError);
        EXPECT_THROW(items->Objects(bad), EStringListError);
        EXPECT_THROW(items->PutObject(bad, &admin), EStringListError);
        EXPECT_THROW(items->Delete(bad), EStringListError);
    }
    EXPECT_THROW(items->Insert(4, "太远"), EStringListError);
    EXPECT_THROW(items->Insert(-1, "太近"), EStringListError);
    expectItems("after the errors");

    control->RecreateWnd();  // the form is hidden: the window goes and comes when needed
    control->HandleNeeded();
    expectItems("in a new window");
    TWinControl* parent = control->Parent();
    control->SetParent(nullptr);  // takes its window away
    ASSERT_FALSE(control->HandleAllocated());
    expectItems("without a window again");
    control->SetParent(parent);
    control->HandleNeeded();

    items->Delete(1);  // the selected item: nothing is selected
    EXPECT_EQ(control->ItemIndex(), -1);
    control->SetItemIndex(0);
    items->Clear();
    EXPECT_EQ(items->Count(), 0);
    EXPECT_EQ(control->ItemIndex(), -1);
}

TEST_F(StdCtrlsTest, ComboAndListBoxItemsFollowTheirSelectionWithAndWithoutAWindow) {
    for (bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "window" : "no window");
        TComboBox* combo = Make<TComboBox>("Combo1");
        combo->SetStyle(csDropDownList);
        TListBox* list = Make<TListBox>("List1");
        if (withWindow) {
            combo->HandleNeeded();
            list->HandleNeeded();
        }
        {
            SCOPED_TRACE("combo box");
            CheckItemsFollowTheirSelectionAndObjects(combo);
        }
        {
            SCOPED_TRACE("list box");
            CheckItemsFollowTheirSelectionAndObjects(list);
        }
        combo->Free();
        list->Free();
    }
}

TEST_F(StdCtrlsTest, ListBoxSelectionFlagsFollowTheirItemsAndSurviveRecreateWnd) {
    for (bool withWindow : {false, true}) {
        SCOPED_TRACE(withWindow ? "window" : "no window");
        TListBox* list = Make<TListBox>("List1");
        list->SetMultiSelect(true);
        if (withWindow)
            list->HandleNeeded();
        for (const char* name : {"个人编号", "个人名称", "星座", "血型"})
            list->Items()->Add(name);
        list->SetSelected(1, true);
        list->SetSelected(3, true);
        list->SetItemIndex(3);
        list->Items()->Insert(0, "照片");  // the flags move with their items
        EXPECT_TRUE(list->Selected(2));
        EXPECT_TRUE(list->Selected(4));
        EXPECT_FALSE(list->Selected(1));
        EXPECT_EQ(list->SelCount(), 2);
        list->Items()->Delete(2);
        EXPECT_FALSE(list->Selected(2));
        EXPECT_TRUE(list->Selected(3));
        EXPECT_EQ(list->SelCount(), 1);
        EXPECT_EQ(list->ItemIndex(), 3);

        list->SetExtendedSelect(false);  // a new window
        list->HandleNeeded();
        EXPECT_EQ(list->Count(), 4);
        EXPECT_EQ(list->Items()->Get(3), "血型");
        EXPECT_TRUE(list->Selected(3));
        EXPECT_EQ(list->SelCount(), 1);
        EXPECT_EQ(list->ItemIndex(), 3);
        list->SetParent(nullptr);
        ASSERT_FALSE(list->HandleAllocated());
        list->Items()->Clear();
        EXPECT_EQ(list->SelCount(), 0);
        EXPECT_EQ(list->ItemIndex(), -1);
        list->Free();
    }
}

TEST_F(StdCtrlsTest, SortingAListBoxKeepsItsSelectedItemsAndTopRow) {
    TListBox* list = Make<TListBox>("List1");
    TObject marker;
    for (const char* name : {"d", "b", "e", "a", "c"})
        list->Items()->Add(name);
    list->Items()->PutObject(2, &marker);
    list->SetItemIndex(2);  // "e"
    form_->Show();
    list->SetSorted(true);  // a new window that sorts the items
    ASSERT_TRUE(list->HandleAllocated());
    ASSERT_EQ(list->Count(), 5);
    EXPECT_EQ(list->Items()->Get(0), "a");
    EXPECT_EQ(list->Items()->Get(4), "e");
    EXPECT_EQ(list->Items()->Objects(4), &marker);
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_EQ(list->Items()->Add("ca"), 3);  // a sorted window puts new items in their place

    list->SetSorted(false);
    list->SetMultiSelect(true);
    EXPECT_TRUE(list->Selected(5));  // "e": the single selection is kept
    list->SetSelected(5, false);
    list->SetSelected(0, true);  // "a"
    list->SetSelected(3, true);  // "ca"
    list->Items()->Insert(0, "z");
    list->SetItemIndex(4);  // "ca"
    list->SetSorted(true);
    ASSERT_EQ(list->Count(), 7);
    EXPECT_EQ(list->Items()->Get(6), "z");
    EXPECT_EQ(list->SelCount(), 2);
    EXPECT_TRUE(list->Selected(0));  // "a"
    EXPECT_TRUE(list->Selected(3));  // "ca"
    EXPECT_EQ(list->ItemIndex(), 3);

    list->SetMultiSelect(false);
    list->SetBounds(0, 0, 120, 60);
    for (int i = 0; i < 20; ++i)
        list->Items()->Add("行" + std::to_string(i + 10));
    list->SetTopIndex(9);
    list->RecreateWnd();
    EXPECT_EQ(list->TopIndex(), 9);

    // Before any window a sorted list keeps the window's order: sorted first, then items (Add
    // gives the place), or items first, then sorted; the selection and objects follow the items.
    form_->Hide();
    TListBox* sortedFirst = Make<TListBox>("List2");
    sortedFirst->SetSorted(true);
    TListBox* itemsFirst = Make<TListBox>("List3");
    itemsFirst->SetMultiSelect(true);
    std::vector<int> places;
    for (const char* name : {"维护员", "b", "A"}) {
        places.push_back(sortedFirst->Items()->Add(name));
        itemsFirst->Items()->Add(name);
    }
    EXPECT_EQ(places, (std::vector<int>{0, 0, 0}));  // Latin letters before Chinese
    itemsFirst->Items()->PutObject(0, &marker);  // "维护员"
    itemsFirst->SetSelected(1, true);            // "b"
    itemsFirst->SetItemIndex(0);
    itemsFirst->SetSorted(true);
    for (TListBox* box : {sortedFirst, itemsFirst}) {
        SCOPED_TRACE(box->Name());
        ASSERT_EQ(box->Count(), 3);
        const String windowless[] = {box->Items()->Get(0), box->Items()->Get(1), box->Items()->Get(2)};
        EXPECT_EQ(windowless[0], "A");
        EXPECT_EQ(windowless[1], "b");
        EXPECT_EQ(windowless[2], "维护员");
    }
    EXPECT_EQ(itemsFirst->Items()->Objects(2), &marker);
    EXPECT_EQ(itemsFirst->ItemIndex(), 2);
    EXPECT_TRUE(itemsFirst->Selected(1));
    EXPECT_FALSE(itemsFirst->Selected(0));
    sortedFirst->SetItemIndex(sortedFirst->Items()->IndexOf("维护员"));
    form_->Show();
    for (TListBox* box : {sortedFirst, itemsFirst}) {
        SCOPED_TRACE(box->Name());
        ASSERT_TRUE(box->HandleAllocated());
        EXPECT_EQ(box->Items()->Get(0), "A");
        EXPECT_EQ(box->Items()->Get(2), "维护员");
        ASSERT_GE(box->ItemIndex(), 0);
        EXPECT_EQ(box->Items()->Get(box->ItemIndex()), "维护员");
    }
    EXPECT_EQ(itemsFirst->Items()->Objects(2), &marker);
    EXPECT_TRUE(itemsFirst->Selected(1));
    EXPECT_EQ(itemsFirst->SelCount(), 1);
}

TEST_F(StdCtrlsTest, ChoosingAnItemRaisesOnSelectButSettingItemIndexDoesNot) {
    TComboBox* combo = Make<TComboBox>("Combo1");
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("Admin");
    combo->Items()->Add("李明");
    TEventLog log;
    combo->OnSelect = Event<&TEventLog::Select>(&log);
    combo->OnChange = Event<&TEventLog::Change>(&log);
    combo->HandleNeeded();
    TMessageRecorder recorder;
    recorder.Attach(combo);
    recorder.Attach(form_, true);
    recorder.Only({WM_COMMAND, CN_COMMAND});

    combo->SetItemIndex(0);
    EXPECT_EQ(log.selects, 0);
    EXPECT_EQ(recorder.Entries().size(), 0u) << recorder.Listing();

    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_DOWN, 1);  // the person moves to the next item
    static constexpr TMsgEntry kSelected[] = {
        {.msg = WM_COMMAND, .flags = Sent | Optional},  // from the combo box's own list
        {.msg = WM_COMMAND, .flags = Sent | Parent | Id | Optional, .id = CBN_SELENDOK},
        {.msg = CN_COMMAND, .flags = Sent | Id | Optional, .id = CBN_SELENDOK},
        {.msg = WM_COMMAND, .flags = Sent | Parent | Id, .id = CBN_SELCHANGE},
        {.msg = CN_COMMAND, .flags = Sent | Id, .id = CBN_SELCHANGE},
    };
    EXPECT_TRUE(recorder.Matches(kSelected));
    EXPECT_EQ(combo->ItemIndex(), 1);
    EXPECT_EQ(log.selects, 1);
    EXPECT_EQ(log.changes, 0);  // OnSelect takes the choice

    combo->OnSelect = nullptr;
    SendMessageW(combo->Handle(), WM_KEYDOWN, VK_UP, 1);
    EXPECT_EQ(combo->ItemIndex(), 0);
    EXPECT_EQ(log.changes, 1);  // without OnSelect the choice is a change
}

TEST_F(StdCtrlsTest, EnterInADroppedDownListIsTheListsNotTheDefaultButtons) {
    TComboBox* combo = Make<TComboBox>("Combo1");
    combo->SetStyle(csDropDownList);
    combo->Items()->Add("Admin");
    TButton* ok = Make<TButton>("Btn_ok");
    ok->SetDefault(true);
    TEventLog log;
    ok->OnClick = Event<&TEventLog::Click>(&log);
    form_->Show();
    combo->SetFocus();
    DrainMessages();
    EXPECT_EQ(combo->Perform(CN_KEYDOWN, VK_RETURN, 0), 1);  // closed: a dialog key
    EXPECT_EQ(log.clicks, 1);
    combo->SetDroppedDown(true);
    ASSERT_TRUE(combo->DroppedDown());
    EXPECT_EQ(combo->Perform(CN_KEYDOWN, VK_RETURN, 0), 0);  // dropped: the list's own key
    EXPECT_EQ(log.clicks, 1);
    combo->SetDroppedDown(false);
}

TEST_F(StdCtrlsTest, ButtonClickComesFromTheReflectedNotification) {
    TButton* button = Make<TButton>("Btn_ok");
    button->SetModalResult(mrOk);
    TEventLog log;
    button->OnClick = Event<&TEventLog::Click>(&log);
    button->HandleNeeded();
    TMessageRecorder recorder;
    recorder.Attach(button);
    recorder.Attach(form_, true);
    recorder.Only({WM_COMMAND, CN_COMMAND});
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    static constexpr TMsgEntry kClicked[] = {
        {.msg = WM_COMMAND, .flags = Sent | Parent | Id, .id = BN_CLICKED},
        {.msg = CN_COMMAND, .flags = Sent | Id, .id = BN_CLICKED},
    };
    EXPECT_TRUE(recorder.Matches(kClicked));
    EXPECT_EQ(log.clicks, 1);
    EXPECT_EQ(form_->ModalResult(), mrOk);
}

TEST_F(StdCtrlsTest, EnterClicksTheDefaultButtonEscapeTheCancelButtonAndAltTheAccelerator) {
    TButton* ok = Make<TButton>("Btn_ok");
    ok->SetCaption("确定(&Y)");
    ok->SetDefault(true);
    TBitBtn* exit = Make<TBitBtn>("Btn_Exit");
    exit->SetCaption("取消(&C)");
    exit->SetKind(bkCancel);
    TEventLog okLog;
    TEventLog exitLog;
    ok->OnClick = Event<&TEventLog::Click>(&okLog);
    exit->OnClick = Event<&TEventLog::Click>(&exitLog);
    TEdit* edit = Make<TEdit>("Edit1");
    form_->Show();
    edit->SetFocus();
    DrainMessages();
    EXPECT_NE(GetWindowLongPtrW(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);

    EXPECT_EQ(form_->Perform(CM_DIALOGKEY, VK_RETURN, 0), 1);
    EXPECT_EQ(okLog.clicks, 1);
    EXPECT_EQ(form_->Perform(CM_DIALOGKEY, VK_ESCAPE, 0), 1);
    EXPECT_EQ(exitLog.clicks, 1);
    EXPECT_EQ(form_->ModalResult(), mrCancel);
    EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, L'c', 0), 1);
    EXPECT_EQ(exitLog.clicks, 2);
    EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, L'Y', 0), 1);
    EXPECT_EQ(okLog.clicks, 2);
    EXPECT_EQ(form_->Perform(CM_DIALOGCHAR, L'q', 0), 0);

    // With the focus on another button, Enter is that button's.
    exit->SetFocus();
    DrainMessages();
    EXPECT_EQ(GetWindowLongPtrW(ok->Handle(), GWL_STYLE) & BS_DEFPUSHBUTTON, 0);
    form_->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(okLog.clicks, 2);
    EXPECT_EQ(exitLog.clicks, 3);
}

TEST_F(StdCtrlsTest, BitBtnDrawsItselfAndKindsGiveTheirResults) {
    const struct {
        TBitBtnKind kind;
        TModalResult result;
        bool isDefault;
        bool cancel;
    } kinds[] = {{bkOK, mrOk, true, false},       {bkCancel, mrCancel, false, true}, {bkYes, mrYes, true, false},
                 {bkNo, mrNo, false, true},       {bkAbort, mrAbort, false, false},  {bkRetry, mrRetry, false, false},
                 {bkIgnore, mrIgnore, false, false}, {bkAll, mrAll, false, false}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(static_cast<int>(k.kind));
        TBitBtn* button = New<TBitBtn>(nullptr);
        button->SetKind(k.kind);
        EXPECT_EQ(button->ModalResult(), k.result);
        EXPECT_EQ(button->Default(), k.isDefault);
        EXPECT_EQ(button->Cancel(), k.cancel);
        button->Free();
    }

    TBitBtn* button = Make<TBitBtn>("Btn_Exit");
    button->SetCaption("取消(&C)");
    button->SetModalResult(mrCancel);
    button->Glyph()->SetSize(8, 8);
    button->Glyph()->Canvas()->Brush()->SetColor(clLime);
    button->Glyph()->Canvas()->FillRect(Rect(0, 0, 8, 8));
    button->Glyph()->Canvas()->Brush()->SetColor(clFuchsia);  // the bottom row: the transparent colour
    button->Glyph()->Canvas()->FillRect(Rect(0, 7, 8, 8));
    button->HandleNeeded();
    EXPECT_EQ(GetWindowLongPtrW(button->Handle(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    SendMessageW(button->Handle(), BM_CLICK, 0, 0);
    EXPECT_EQ(form_->ModalResult(), mrCancel);

    TBitmap bitmap;
    bitmap.SetSize(button->Width(), button->Height());
    button->PaintTo(*bitmap.Canvas(), false, false);
    int green = 0;
    int fuchsia = 0;
    int text = 0;
    for (int y = 4; y < bitmap.Height() - 4; ++y)
        for (int x = 4; x < bitmap.Width() - 4; ++x) {
            const TColor c = bitmap.Canvas()->Pixels[x][y];
            green += c == clLime;
            fuchsia += c == clFuchsia;
            text += c == ColorToRGB(clBtnText);
        }
    EXPECT_EQ(green, 56);  // the glyph once, without its transparent row
    EXPECT_EQ(fuchsia, 0);
    EXPECT_GT(text, 10);   // the caption, inside the frame
}

// A label painted into a bitmap that was filled with blue first.
class LabelPaintTest : public StdCtrlsTest {
protected:
    struct TInk {
        int text = 0;
        int background = 0;
        int blue = 0;
    };
    TInk Paint(TLabel* label) {
        TBitmap bitmap;
        bitmap.SetSize(label->Width(), label->Height());
        bitmap.Canvas()->Brush()->SetColor(clBlue);
        bitmap.Canvas()->FillRect(Rect(0, 0, label->Width(), label->Height()));
        label->Perform(WM_PAINT, reinterpret_cast<WPARAM>(bitmap.Canvas()->Handle()));
        TInk ink;
        for (int y = 0; y < bitmap.Height(); ++y)
            for (int x = 0; x < bitmap.Width(); ++x) {
                const TColor c = bitmap.Canvas()->Pixels[x][y];
                ink.text += c == clRed;
                ink.background += c == clYellow;
                ink.blue += c == clBlue;
            }
        return ink;
    }
};

TEST_F(LabelPaintTest, LabelDrawsItsCaptionInItsFontOnItsColour) {
    TLabel* label = Make<TLabel>("Label1");
    label->Font()->SetColor(clRed);
    label->SetColor(clYellow);
    label->SetCaption("请选择操作员");
    TInk ink = Paint(label);
    EXPECT_GT(ink.text, 20);
    EXPECT_GT(ink.background, ink.text);
    EXPECT_EQ(ink.blue, 0);

    label->SetTransparent(true);
    ink = Paint(label);
    EXPECT_GT(ink.text, 20);
    EXPECT_EQ(ink.background, 0);
    EXPECT_GT(ink.blue, ink.text);  // the parent's background stays

    label->SetEnabled(false);
    ink = Paint(label);
    EXPECT_EQ(ink.text, 0);  // drawn in the disabled colours
}

TEST_F(LabelPaintTest, AutoSizeFollowsTheCaptionAndKeepsTheRightEdgeOfRightJustifiedLabels) {
    TLabel* label = Make<TLabel>("Label1");
    label->SetLeft(100);
    label->SetCaption("用户");
    const int shortWidth = label->Width();
    label->SetCaption("用户名称：");
    EXPECT_GT(label->Width(), shortWidth);
    EXPECT_GT(label->Height(), 8);
    EXPECT_EQ(label->Left(), 100);

    label->SetAlignment(taRightJustify);
    const int right = label->Left() + label->Width();
    label->SetCaption("用户");
    EXPECT_EQ(label->Left() + label->Width(), right);
    EXPECT_LT(label->Width(), right - 100);

    label->SetAutoSize(false);
    label->SetCaption("初始用户为：“Admin” 密码为空");
    EXPECT_EQ(label->Left() + label->Width(), right);

    label->SetAutoSize(true);
    label->SetCaption("");  // an empty caption keeps a line's height
    EXPECT_GT(label->Height(), 8);
}

// A disabled caption is embossed: the highlight shows one pixel below and right of the shadow.
TEST_F(StdCtrlsTest, DisabledLabelAndGroupBoxCaptionsAreEmbossed) {
    TLabel* label = Make<TLabel>("Label1");
    TGroupBox* box = Make<TGroupBox>("GroupBox1");
    box->SetBounds(0, 40, 160, 60);
    const struct {
        const char* name;
        TControl* control;
        std::function<void(TCanvas&)> paint;
        TRect caption;  // the group box's frame around it is drawn in the same colours
    } cases[] = {
        {"label", label, [label](TCanvas& c) { label->PaintTo(c); }, Rect(0, 0, 1000, 1000)},
        {"group box", box, [box](TCanvas& c) { box->PaintTo(c); }, Rect(6, 0, 60, 12)},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.name);
        k.control->SetCaption("联系方式 Ab");
        for (bool enabled : {true, false}) {
            SCOPED_TRACE(enabled ? "enabled" : "disabled");
            k.control->SetEnabled(enabled);
            TBitmap bitmap;
            bitmap.SetSize(k.control->Width(), k.control->Height());
            k.paint(*bitmap.Canvas());
            struct {
                int count = 0;
                long x = 0;
                long y = 0;
            } highlight, shadow;
            for (int y = k.caption.Top; y < std::min(bitmap.Height(), k.caption.Bottom); ++y)
                for (int x = k.caption.Left; x < std::min(bitmap.Width(), k.caption.Right); ++x) {
                    const TColor c = bitmap.Canvas()->Pixels[x][y];
                    auto& ink = c == ColorToRGB(clBtnHighlight) ? highlight : shadow;
                    if (c == ColorToRGB(clBtnHighlight) || c == ColorToRGB(clBtnShadow)) {
                        ++ink.count;
                        ink.x += x;
                        ink.y += y;
                    }
                }
            if (enabled) {
                EXPECT_EQ(highlight.count + shadow.count, 0);
                continue;
            }
            ASSERT_GT(highlight.count, 5);
            ASSERT_GT(shadow.count, 5);
            EXPECT_GT(highlight.x * shadow.count, shadow.x * highlight.count);  // on average further right
            EXPECT_GT(highlight.y * shadow.count, shadow.y * highlight.count);  // and lower
        }
    }
}

TEST_F(StdCtrlsTest, ImageDrawsItsPictureAtItsPlace) {
    TImage* image = Make<TImage>("Image1");
    image->SetBounds(0, 0, 40, 30);
    TBitmap picture;
    picture.SetSize(10, 10);
    picture.Canvas()->Brush()->SetColor(clRed);
    picture.Canvas()->FillRect(Rect(0, 0, 10, 10));
    image->Picture()->SetGraphic(&picture);

    const struct {
        const char* name;
        bool center;
        bool stretch;
        TRect dest;
    } cases[] = {{"at the origin", false, false, Rect(0, 0, 10, 10)},
                 {"centred", true, false, Rect(15, 10, 25, 20)},
                 {"stretched", false, true, Rect(0, 0, 40, 30)},
                 {"stretch wins", true, true, Rect(0, 0, 40, 30)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        image->SetCenter(c.center);
        image->SetStretch(c.stretch);
        EXPECT_EQ(image->DestRect(), c.dest);
        TBitmap target;
        target.SetSize(40, 30);
        target.Canvas()->Brush()->SetColor(clWhite);
        target.Canvas()->FillRect(Rect(0, 0, 40, 30));
        image->Perform(WM_PAINT, reinterpret_cast<WPARAM>(target.Canvas()->Handle()));
        int red = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                red += static_cast<TColor>(target.Canvas()->Pixels[x][y]) == clRed;
        EXPECT_EQ(red, c.dest.Width() * c.dest.Height());
        EXPECT_EQ(static_cast<TColor>(target.Canvas()->Pixels[c.dest.Left][c.dest.Top]), clRed);
    }

    image->SetAutoSize(true);
    EXPECT_EQ(image->Width(), 10);
    EXPECT_EQ(image->Height(), 10);
    EXPECT_THROW(image->Picture()->LoadFromFile("no-such-picture.jpg"), std::exception);
    EXPECT_EQ(image->Picture()->Width(), 10);  // a failed load leaves the picture
}

TEST_F(StdCtrlsTest, StatusBarShowsItsPanelsAndTheLastOneReachesTheEdge) {
    TStatusBar* bar = Make<TStatusBar>("StatusBar1");
    for (int width : {150, 250, 250, 50})
        bar->Panels()->Add()->SetWidth(width);
    bar->Panels()->Items(0)->SetText(" 当前操作员: Admin");
    bar->HandleNeeded();
    EXPECT_EQ(bar->Align(), alBottom);
    EXPECT_EQ(bar->Top() + bar->Height(), form_->ClientHeight());
    int edges[8] = {};
    ASSERT_EQ(SendMessageW(bar->Handle(), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges)), 4);
    EXPECT_EQ(edges[0], 150);
    EXPECT_EQ(edges[1], 400);
    EXPECT_EQ(edges[2], 650);
    EXPECT_EQ(edges[3], -1);
    EXPECT_EQ(bar->PanelTextShown(0), " 当前操作员: Admin");
    bar->Panels()->Items(2)->SetText("Z:\\程序\\Vestrel.exe");
    EXPECT_EQ(bar->PanelTextShown(2), "Z:\\程序\\Vestrel.exe");
    bar->RecreateWnd();
    bar->HandleNeeded();
    EXPECT_EQ(bar->PanelTextShown(2), "Z:\\程序\\Vestrel.exe");
    bar->Panels()->Items(1)->SetWidth(100);
    SendMessageW(bar->Handle(), SB_GETPARTS, 8, reinterpret_cast<LPARAM>(edges));
    EXPECT_EQ(edges[1], 250);
}

TEST_F(StdCtrlsTest, TimerRunsOnlyWhileEnabledWithAnInterval) {
    TTimer* timer = New<TTimer>(form_);
    EXPECT_TRUE(timer->Running());  // enabled from creation on
    timer->SetEnabled(false);
    EXPECT_FALSE(timer->Running());
    TEventLog log;
    timer->OnTimer = Event<&TEventLog::Timer>(&log);
    timer->SetInterval(5);
    EXPECT_FALSE(timer->Running());
    timer->SetEnabled(true);
    EXPECT_TRUE(timer->Running());
    const DWORD deadline = GetTickCount() + 5000;
    while (log.timers < 2 && GetTickCount() < deadline) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
        DrainMessages();
    }
    EXPECT_GE(log.timers, 2);
    timer->SetInterval(0);
    EXPECT_FALSE(timer->Running());
}

}  // namespace
