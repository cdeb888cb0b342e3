// The data-aware edit, combo box and check box over a real data set: following the data set's
// row, writing typed or chosen values back, Esc, the combo box's button and list, list-only boxes,
// further edit buttons, the recently-used list, edit masks and the fixed height.
#include "DBGridEhTestSupport.h"

#include "DBCtrlsEhControls.h"
#include "Forms.h"
#include "Menus.h"

using namespace gridwin;

namespace {

const char* kScript = R"(
CREATE TABLE people (id INTEGER PRIMARY KEY, name VARCHAR(10), sex VARCHAR(1), answer VARCHAR(5));
INSERT INTO people VALUES (1, 'Ann', 'F', 'y'), (2, 'Bob', 'M', 'no'), (3, 'Cy', NULL, NULL);
)";

// A button menu that records where it was asked to show (a real one would wait for the person).
class TRecordingMenu : public TPopupMenu {
    VESTREL_CLASS(TRecordingMenu, TPopupMenu)
public:
    using TPopupMenu::TPopupMenu;
    void Popup(int x, int y) override { shown.push_back(TPoint{x, y}); }
    std::vector<TPoint> shown;
};

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
        previousBox_ = SetMessageBoxFunction([this](HWND, const String& text, const String&, UINT) {
            messages.push_back(text);
            return IDOK;
        });
    }
    void TearDown() override {
        form_.reset();
        DrainMessages();
        SetMessageBoxFunction(previousBox_);
    }
    template <class T>
    T* Make(int left, int top, int width = 120) {
        T* control = New<T>(form_.get());
        control->SetParent(form_.get());
        control->SetBounds(left, top, width, 21);
        control->HandleNeeded();
        return control;
    }
    static void Press(TWinControl* control, WORD key, bool alt = false) {
        const LPARAM data = 1 | (alt ? 0x20000000 : 0);
        SendMessageW(control->Handle(), alt ? WM_SYSKEYDOWN : WM_KEYDOWN, key, data);
        if (key == VK_RETURN) SendMessageW(control->Handle(), WM_CHAR, L'\r', data);
        if (key == VK_ESCAPE) SendMessageW(control->Handle(), WM_CHAR, 27, data);
        if (key == VK_BACK) SendMessageW(control->Handle(), WM_CHAR, 8, data);
    }
    // A press and release on edit button `index` (the lower half of an up-down pair with `lower`).
    static void ClickButton(TCustomDBEditEh* edit, int index, bool lower = false) {
        TEditButtonControlEh* button = edit->ButtonControls().at(static_cast<std::size_t>(index));
        const int y = lower ? button->Height() * 3 / 4 : button->Height() / 4;
        const LPARAM at = MAKELPARAM(button->Left() + button->Width() / 2, button->Top() + y);
        SendMessageW(edit->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(edit->Handle(), WM_LBUTTONUP, 0, at);
    }
    static void ClickListRow(TPopupListboxEh* list, int index) {
        RECT r{};
        SendMessageW(list->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&r));
        const LPARAM at = MAKELPARAM((r.left + r.right) / 2, (r.top + r.bottom) / 2);
        SendMessageW(list->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageW(list->Handle(), WM_LBUTTONUP, 0, at);
    }
    void Focus(TWinControl* control) {
        control->SetFocus();
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
    std::vector<String> messages;

private:
    TMessageBoxFunction previousBox_;
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

TEST_F(DataAwareControls, TheComboButtonOpensAndClosesTheList) {
    // The drop-down button sits at the right edge and the text stops before it.
    ASSERT_EQ(combo->ButtonControls().size(), 1u);
    TEditButtonControlEh* button = combo->ButtonControls()[0];
    EXPECT_TRUE(button->Visible());
    EXPECT_EQ(button->Style(), ebsDropDownEh);
    EXPECT_EQ(button->Width(), GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(button->Left() + button->Width(), combo->ClientWidth());
    EXPECT_EQ(HIWORD(SendMessageW(combo->Handle(), EM_GETMARGINS, 0, 0)), button->Width() + 1);
    EXPECT_EQ(combo->Text(), "Female");

    // A press on the button opens the list and the click that follows keeps it open; the next
    // click closes it without taking the highlighted item.
    ClickButton(combo, 0);
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_TRUE(combo->DroppedDown());
    EXPECT_TRUE(button->Down());
    EXPECT_EQ(GetFocus(), combo->Handle());
    Press(combo, VK_UP);  // the list's highlight moves
    EXPECT_EQ(combo->PopupList()->ItemIndex(), 0);
    ClickButton(combo, 0);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_FALSE(button->Down());
    EXPECT_EQ(combo->Text(), "Female");

    // F4 opens as well; Esc closes without taking, Enter takes.
    struct Case {
        WORD open;
        bool alt;
        WORD close;
        const char* text;
    };
    for (const Case& c : {Case{VK_F4, false, VK_ESCAPE, "Female"}, Case{VK_F4, false, VK_RETURN, "Male"},
                          Case{VK_DOWN, true, VK_RETURN, "Female"}}) {
        Press(combo, c.open, c.alt);
        ASSERT_TRUE(combo->ListVisible()) << c.text;
        Press(combo, combo->ItemIndex() == 1 ? VK_UP : VK_DOWN);
        Press(combo, c.close);
        EXPECT_FALSE(combo->ListVisible()) << c.text;
        EXPECT_EQ(combo->Text(), c.text);
    }
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "F");

    // A list-only box opens on a click into its text; choosing with the mouse writes the key.
    const LPARAM onText = MAKELPARAM(5, 5);
    SendMessageW(combo->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, onText);
    SendMessageW(combo->Handle(), WM_LBUTTONUP, 0, onText);
    ASSERT_TRUE(combo->ListVisible());
    ClickListRow(combo->PopupList(), 0);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Male");
    q->Post();
    EXPECT_EQ(Stored(1, "sex"), "M");

    // Leaving the box closes its list without taking anything.
    Press(combo, VK_F4);
    Press(combo, VK_DOWN);
    Focus(other);
    EXPECT_FALSE(combo->ListVisible());
    EXPECT_EQ(combo->Text(), "Male");
}

TEST_F(DataAwareControls, AListOnlyBoxTakesOnlyItsItems) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    for (const char* s : {"Alpha", "Beta", "Gamma"}) {
        box->Items()->Add(s);
        box->KeyItems()->Add(String("k") + s);
    }
    Focus(box);
    Type(box, "x");  // no item: nothing changes
    EXPECT_EQ(box->Text(), "");
    EXPECT_EQ(box->ItemIndex(), -1);
    Type(box, "g");
    EXPECT_EQ(box->Text(), "Gamma");
    EXPECT_EQ(VarToStr(box->Value()), "kGamma");
    SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
    Type(box, "BZ");  // "B" picks Beta, "BZ" is no item
    EXPECT_EQ(box->Text(), "Beta");
    EXPECT_EQ(SendMessageW(box->Handle(), WM_GETTEXTLENGTH, 0, 0), 4);

    // The wheel steps through the items.
    const POINT centre{box->Width() / 2, 10};
    POINT screen = centre;
    ClientToScreen(box->Handle(), &screen);
    SendMessageW(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)),
                 MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(box->Text(), "Gamma");
    SendMessageW(box->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(screen.x, screen.y));
    EXPECT_EQ(box->Text(), "Beta");

    // An up-down button steps instead of dropping down: the upper half back, the lower forward.
    box->EditButton()->SetStyle(ebsUpDownEh);
    EXPECT_EQ(box->ButtonControls()[0]->Style(), ebsUpDownEh);
    ClickButton(box, 0, /*lower=*/true);
    EXPECT_FALSE(box->ListVisible());
    EXPECT_EQ(box->Text(), "Gamma");
    ClickButton(box, 0, /*lower=*/true);  // the last stays
    EXPECT_EQ(box->Text(), "Gamma");
    ClickButton(box, 0);
    ClickButton(box, 0);
    EXPECT_EQ(box->Text(), "Alpha");

    // Its value is kept when the box is left and entered again.
    Focus(other);
    EXPECT_EQ(VarToStr(box->DataLink()->DataIndependentValue()), "kAlpha");
    Focus(box);
    EXPECT_EQ(box->Text(), "Alpha");
}

TEST_F(DataAwareControls, TheListSettingsAndEventsOfTheComboBox) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    for (const char* s : {"One", "Two", "Three", "Four", "Five"}) {
        box->Items()->Add(s);
        box->KeyItems()->Add(String("k") + s);
    }
    struct TEvents {
        std::vector<String> seen;
        void Drop(TObject*) { seen.push_back("drop"); }
        void Close(TObject*, bool accept) { seen.push_back(accept ? "taken" : "dropped"); }
    } events;
    box->OnDropDown = Event<&TEvents::Drop>(&events);
    box->OnCloseUp = Event<&TEvents::Close>(&events);
    box->DropDownBox()->SetRows(3);
    box->DropDownBox()->SetWidth(200);
    box->DropDownBox()->SetAutoDrop(true);

    // AutoDrop: a typed letter opens the list first, then picks; the open list follows.
    Focus(box);
    Type(box, "t");
    ASSERT_TRUE(box->ListVisible());
    EXPECT_EQ(box->Text(), "Two");
    TPopupListboxEh* list = box->PopupList();
    EXPECT_EQ(list->ItemIndex(), 1);
    EXPECT_EQ(list->Rows(), 3);
    EXPECT_EQ(list->Width(), 200);

    // A list the person resized keeps its size; Esc closes it without undoing the typing.
    list->SetBounds(list->Left(), list->Top(), 260, list->Height() + list->ItemHeight());
    Press(box, VK_ESCAPE);
    EXPECT_FALSE(box->ListVisible());
    EXPECT_EQ(box->Text(), "Two");
    EXPECT_EQ(box->DropDownBox()->Rows(), 4);
    EXPECT_EQ(box->DropDownBox()->Width(), 260);
    Press(box, VK_F4);
    EXPECT_EQ(list->Rows(), 4);
    Press(box, VK_DOWN);
    Press(box, VK_RETURN);
    EXPECT_EQ(box->Text(), "Three");
    EXPECT_EQ(events.seen, (std::vector<String>{"drop", "dropped", "drop", "taken"}));
    Focus(other);
    EXPECT_EQ(VarToStr(box->DataLink()->DataIndependentValue()), "kThree");
}

TEST_F(DataAwareControls, ATextNotInTheListIsOfferedToOnNotInList) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    for (const char* s : {"Alpha", "Beta"}) box->Items()->Add(s);
    struct THandler {
        std::vector<String> told;
        bool add = false;
        void NotInList(TObject* sender, Variant value, bool& recheck) {
            told.push_back(VarToStr(value));
            if (!add) return;
            static_cast<TDBComboBoxEh*>(sender)->Items()->Add(VarToStr(value));
            recheck = true;
        }
    } handler;
    box->OnNotInList = Event<&THandler::NotInList>(&handler);
    struct Case {
        const char* typed;
        bool add;
        std::vector<String> told;
        int index;
    };
    const Case cases[] = {
        {"beta", false, {}, 1},              // an item (ignoring case): nothing told
        {"Delta", false, {"Delta"}, -1},     // told; the text is kept as it is
        {"Omega", true, {"Omega"}, 2},       // told, added and found again
    };
    for (const Case& c : cases) {
        handler.told.clear();
        handler.add = c.add;
        Focus(box);
        SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
        Type(box, c.typed);
        Focus(other);
        EXPECT_EQ(handler.told, c.told) << c.typed;
        EXPECT_EQ(box->ItemIndex(), c.index) << c.typed;
        EXPECT_EQ(VarToStr(box->DataLink()->DataIndependentValue()), box->Text()) << c.typed;
    }
    EXPECT_EQ(box->Items()->Count(), 3);
}

TEST_F(DataAwareControls, FurtherEditButtonsClickByMouseAndShortCut) {
    auto* free = Make<TDBEditEh>(150, 10, 150);
    EXPECT_FALSE(free->ButtonControls()[0]->Visible());  // the edit's main button is hidden
    EXPECT_EQ(free->ButtonsWidth(), 0);
    struct TClicks {
        std::vector<String> seen;
        bool handleDown = false;
        void Main(TObject*, bool&) { seen.push_back("main"); }
        void Button(TObject* sender, bool&) { seen.push_back(static_cast<TEditButtonEh*>(sender)->Hint()); }
        void Down(TObject* sender, bool top, bool&, bool& handled) {
            seen.push_back(static_cast<TEditButtonEh*>(sender)->Hint() + (top ? " down" : " lower down"));
            handled = handleDown;
        }
    } clicks;
    free->OnButtonClick = Event<&TClicks::Main>(&clicks);
    TEditButtonEh* ellipsis = free->EditButtons()->Add();
    ellipsis->SetHint("ellipsis");
    ellipsis->SetStyle(ebsEllipsisEh);
    ellipsis->SetShortCut(VK_F3);
    ellipsis->SetVisible(true);
    ellipsis->OnClick = Event<&TClicks::Button>(&clicks);
    TEditButtonEh* plus = free->EditButtons()->Add();
    plus->SetHint("plus");
    plus->SetStyle(ebsPlusEh);
    plus->SetWidth(20);
    plus->SetShortCut(static_cast<TShortCut>('P' | scAlt));
    plus->SetVisible(true);
    plus->OnClick = Event<&TClicks::Button>(&clicks);
    plus->OnDown = Event<&TClicks::Down>(&clicks);

    // The last button outermost; the text stops before both.
    ASSERT_EQ(free->ButtonControls().size(), 3u);
    TEditButtonControlEh* ellipsisControl = free->ButtonControls()[1];
    TEditButtonControlEh* plusControl = free->ButtonControls()[2];
    EXPECT_EQ(plusControl->Left() + 20, free->ClientWidth());
    EXPECT_EQ(ellipsisControl->Left() + ellipsisControl->Width(), plusControl->Left());
    EXPECT_EQ(ellipsisControl->Style(), ebsEllipsisEh);
    EXPECT_EQ(free->ButtonsWidth(), 20 + GetSystemMetrics(SM_CXVSCROLL));
    EXPECT_EQ(HIWORD(SendMessageW(free->Handle(), EM_GETMARGINS, 0, 0)), free->ButtonsWidth() + 1);

    ClickButton(free, 1);
    ClickButton(free, 2);
    EXPECT_EQ(clicks.seen, (std::vector<String>{"ellipsis", "plus down", "plus"}));
    EXPECT_EQ(GetFocus(), free->Handle());  // a press focuses the edit
    clicks.seen.clear();
    Press(free, VK_F3);
    Press(free, 'P', /*alt=*/true);
    EXPECT_EQ(clicks.seen, (std::vector<String>{"ellipsis", "plus down", "plus"}));

    // The main button shown with its own short-cut raises OnButtonClick; a hidden button is gone.
    clicks.seen.clear();
    free->EditButton()->SetStyle(ebsEllipsisEh);
    free->EditButton()->SetShortCut(VK_F2);
    free->EditButton()->SetVisible(true);
    EXPECT_TRUE(free->ButtonControls()[0]->Visible());
    EXPECT_EQ(free->ButtonControls()[0]->Left() + free->ButtonControls()[0]->Width(), ellipsisControl->Left());
    Press(free, VK_F2);
    ClickButton(free, 0);
    EXPECT_EQ(clicks.seen, (std::vector<String>{"main", "main"}));
    ellipsis->SetVisible(false);
    EXPECT_FALSE(ellipsisControl->Visible());
    EXPECT_EQ(free->ButtonsWidth(), 20 + GetSystemMetrics(SM_CXVSCROLL));

    // A disabled edit's buttons are disabled; removing buttons removes their controls.
    free->SetEnabled(false);
    EXPECT_FALSE(plusControl->Enabled());
    free->SetEnabled(true);
    EXPECT_TRUE(plusControl->Enabled());
    free->EditButtons()->Clear();
    EXPECT_EQ(free->ButtonControls().size(), 1u);
}

TEST_F(DataAwareControls, AButtonMenuPopsUpBelowItAndThePressThatClosedItDoesNotReopenIt) {
    auto* free = Make<TDBEditEh>(150, 10, 150);
    auto* menu = New<TRecordingMenu>(form_.get());
    TEditButtonEh* button = free->EditButtons()->Add();
    button->SetVisible(true);
    button->SetDropdownMenu(menu);
    TEditButtonControlEh* control = free->ButtonControls().at(1);
    const TPoint below = control->ClientToScreen(TPoint{0, control->Height()});

    ClickButton(free, 1);
    ASSERT_EQ(menu->shown.size(), 1u);
    EXPECT_EQ(menu->shown[0].X, below.X);
    EXPECT_EQ(menu->shown[0].Y, below.Y);
    EXPECT_FALSE(control->Down());
    // The press that closed the menu finds the menu's notice still queued: nothing opens.
    ClickButton(free, 1);
    EXPECT_EQ(menu->shown.size(), 1u);
    // A later press opens it again, at the button's right edge for a right-aligned menu.
    menu->SetAlignment(paRight);
    ClickButton(free, 1);
    ASSERT_EQ(menu->shown.size(), 2u);
    EXPECT_EQ(menu->shown[1].X, below.X + control->Width());
    DrainMessages();
    ClickButton(free, 1);
    EXPECT_EQ(menu->shown.size(), 3u);
}

TEST_F(DataAwareControls, TheRecentlyUsedListDropsDownWhileTyping) {
    auto* free = Make<TDBEditEh>(150, 10, 150);
    TMRUListEh* mru = free->MRUList();
    for (const char* s : {"banana", "apricot", "apple"}) mru->Items()->Add(s);
    mru->SetActive(true);
    Focus(free);
    Type(free, "ap");
    ASSERT_TRUE(free->MRUListVisible());
    TMRUListboxEh* list = free->MRUListBox();
    ASSERT_EQ(list->Count(), 2);
    EXPECT_EQ(list->ItemText(0), "apple");  // sorted
    EXPECT_EQ(list->ItemText(1), "apricot");
    EXPECT_EQ(list->Width(), free->Width());
    Press(free, VK_DOWN);
    ASSERT_GE(list->ItemIndex(), 0);
    const String chosen = list->ItemText(list->ItemIndex());
    Press(free, VK_RETURN);
    EXPECT_FALSE(free->MRUListVisible());
    EXPECT_EQ(free->Text(), chosen);

    // A text nothing starts with closes it; Backspace on an empty text shows everything; Esc
    // closes without taking.
    Type(free, "z");
    EXPECT_FALSE(free->MRUListVisible());
    SendMessageW(free->Handle(), EM_SETSEL, 0, -1);
    SendMessageW(free->Handle(), WM_CLEAR, 0, 0);
    EXPECT_EQ(free->Text(), "");
    Press(free, VK_BACK);
    ASSERT_TRUE(free->MRUListVisible());
    EXPECT_EQ(free->MRUListBox()->Count(), 3);
    Press(free, VK_DOWN);
    Press(free, VK_ESCAPE);
    EXPECT_FALSE(free->MRUListVisible());
    EXPECT_EQ(free->Text(), "");

    // Picking with the mouse; leaving the edit adds the text (an existing one moves to the end).
    Type(free, "b");
    ASSERT_TRUE(free->MRUListVisible());
    ClickListRow(free->MRUListBox(), 0);
    EXPECT_FALSE(free->MRUListVisible());
    EXPECT_EQ(free->Text(), "banana");
    Focus(other);
    EXPECT_EQ(mru->Items()->Count(), 3);
    EXPECT_EQ(mru->Items()->Get(2), "banana");
    Focus(free);
    SendMessageW(free->Handle(), EM_SETSEL, 0, -1);
    Type(free, "cherry");
    Focus(other);
    EXPECT_EQ(mru->Items()->Get(3), "cherry");
}

TEST_F(DataAwareControls, EditMasksComeFromTheFieldUnlessAssigned) {
    // The field's mask is taken; an assigned one is kept when the row changes.
    q->FieldByName("name")->SetEditMask(">L<LL;1;_");
    q->Next();
    EXPECT_EQ(edit->EditMask(), ">L<LL;1;_");
    EXPECT_EQ(edit->Text(), "Bob");
    auto* own = Make<TDBEditEh>(150, 10);
    own->SetEditMask("00-00;1;_");
    own->SetDataSource(source);
    own->SetDataField("name");
    q->Next();
    EXPECT_EQ(own->EditMask(), "00-00;1;_");
    q->FieldByName("name")->SetEditMask(String());
    q->First();
    EXPECT_EQ(edit->EditMask(), "");

    // A value of its own is laid out by the mask; leaving with a required place empty shows the
    // error and keeps the focus with the text selected.
    auto* free = Make<TDBEditEh>(150, 40);
    free->SetEditMask("00-00;1;_");
    free->SetValue(Variant("12-3"));
    EXPECT_EQ(free->Text(), "12-3_");
    free->SetValue(Variant("12-34"));
    EXPECT_EQ(free->Text(), "12-34");
    Focus(free);
    SendMessageW(free->Handle(), EM_SETSEL, 0, -1);
    Type(free, "12");
    Focus(other);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(kMaskValidationErrorText), String::npos) << messages[0];
    EXPECT_EQ(GetFocus(), free->Handle());
    EXPECT_EQ(VarToStr(free->DataLink()->DataIndependentValue()), "12-34");
    SendMessageW(free->Handle(), EM_SETSEL, 0, -1);
    Type(free, "56-78");
    Focus(other);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(VarToStr(free->DataLink()->DataIndependentValue()), "56-78");
}

TEST_F(DataAwareControls, AutoSizeKeepsTheHeightTheFontNeeds) {
    auto* sized = Make<TDBEditEh>(150, 10);
    TTextMeasure measure(sized->Font());
    const int expected = measure.Metrics().tmHeight + 8 * GetSystemMetrics(SM_CYBORDER);
    EXPECT_EQ(sized->Height(), expected);
    sized->SetBounds(150, 10, 120, 60);
    EXPECT_EQ(sized->Height(), expected);
    sized->Font()->SetHeight(-20);
    EXPECT_GT(sized->Height(), expected);
    sized->SetAutoSize(false);
    sized->SetBounds(150, 10, 120, 60);
    EXPECT_EQ(sized->Height(), 60);
    // The buttons follow the new height.
    EXPECT_EQ(sized->ButtonControls()[0]->Height(), 0);  // hidden
    sized->EditButton()->SetVisible(true);
    EXPECT_EQ(sized->ButtonControls()[0]->Height(), GetSystemMetrics(SM_CXVSCROLL));
}

}  // namespace

TEST_F(DataAwareControls, APlainBoxCompletesWhatIsTypedAtTheEnd) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    for (const char* s : {"Apple", "apricot", "Banana"}) box->Items()->Add(s);
    auto selection = [box] {
        DWORD start = 0, end = 0;
        SendMessageW(box->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        return std::pair<int, int>(static_cast<int>(start), static_cast<int>(end));
    };
    struct Case {
        const char* typed;
        const char* text;  // the typed characters keep their case
        std::pair<int, int> selected;
        int index;
    };
    for (const Case& c : {Case{"a", "apple", {1, 5}, 0}, Case{"ap", "apple", {2, 5}, 0},
                          Case{"APR", "APRicot", {3, 7}, 1}, Case{"apple", "apple", {5, 5}, 0},
                          Case{"bx", "bx", {2, 2}, -1}, Case{"Banana!", "Banana!", {7, 7}, -1}}) {
        SCOPED_TRACE(c.typed);
        Focus(box);
        SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
        Type(box, c.typed);
        EXPECT_EQ(box->Text(), c.text);
        EXPECT_EQ(selection(), c.selected);
        EXPECT_EQ(box->ItemIndex(), c.index);
    }

    // Backspace takes the completion away and completes nothing.
    SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
    Type(box, "ap");
    Press(box, VK_BACK);
    EXPECT_EQ(box->Text(), "ap");
    EXPECT_EQ(box->ItemIndex(), -1);
    // Typing inside the text completes nothing.
    box->SetText("Bnana");
    SendMessageW(box->Handle(), EM_SETSEL, 1, 1);
    Type(box, "a");
    EXPECT_EQ(box->Text(), "Banana");
    EXPECT_EQ(selection(), (std::pair<int, int>(2, 2)));
    EXPECT_EQ(box->ItemIndex(), 2);
    // The completed text is what is posted.
    SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
    Type(box, "apr");
    Focus(other);
    EXPECT_EQ(VarToStr(box->DataLink()->DataIndependentValue()), "apricot");

    // A read-only box takes no typing and completes nothing.
    Focus(box);
    box->SetReadOnly(true);
    box->SetText("ap");
    SendMessageW(box->Handle(), EM_SETSEL, 2, 2);
    Type(box, "r");
    EXPECT_EQ(box->Text(), "ap");
}

TEST_F(DataAwareControls, AnEmptyListIsFilledByTheOwnerOnDroppingDown) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    struct TOwner {
        int asked = 0;
        void Fill(TObject* sender) {
            ++asked;
            for (const char* s : {"North", "South"}) static_cast<TDBComboBoxEh*>(sender)->Items()->Add(s);
        }
    } owner;
    box->OnGetItemsList = Event<&TOwner::Fill>(&owner);
    Focus(box);
    Press(box, VK_F4);
    ASSERT_TRUE(box->ListVisible());
    EXPECT_EQ(owner.asked, 1);
    EXPECT_EQ(box->PopupList()->Items()->Count(), 2);
    Press(box, VK_DOWN);
    Press(box, VK_RETURN);
    EXPECT_EQ(box->Text(), "North");
    // Filled once: a list with items is not asked for again.
    Press(box, VK_F4);
    Press(box, VK_ESCAPE);
    EXPECT_EQ(owner.asked, 1);
    EXPECT_EQ(box->Items()->Count(), 2);
}

TEST_F(DataAwareControls, ARequiredEmptyValueIsMarkedWithARedDottedLine) {
    auto redOnMarkLine = [](TCustomDBEditEh* e) {
        UpdateWindow(e->Handle());
        const HDC dc = GetDC(e->Handle());
        int red = 0;
        const int y = e->ClientHeight() - 2;
        for (int x = 2; x < e->ClientWidth() - e->ButtonsWidth() - 3; ++x)
            if (GetPixel(dc, x, y) == RGB(255, 0, 0)) ++red;
        ReleaseDC(e->Handle(), dc);
        return red;
    };
    // Bound: only while the record is edited and the required field is empty.
    TField* name = q->FieldByName("name");
    name->SetRequired(true);
    edit->SetHighlightRequired(true);
    EXPECT_FALSE(edit->RequiredStateShown());
    q->Edit();
    name->Clear();
    EXPECT_TRUE(edit->RequiredStateShown());
    edit->Invalidate();
    EXPECT_GT(redOnMarkLine(edit), 10);
    name->SetRequired(false);
    EXPECT_FALSE(edit->RequiredStateShown());
    name->SetRequired(true);
    name->SetAsString("Ann");
    EXPECT_FALSE(edit->RequiredStateShown());
    name->Clear();
    edit->SetHighlightRequired(false);
    EXPECT_FALSE(edit->RequiredStateShown());
    edit->Invalidate();
    EXPECT_EQ(redOnMarkLine(edit), 0);
    q->Cancel();

    // Without a field: while the value or the text is empty; the handler has the last word.
    auto* own = Make<TDBEditEh>(150, 10);
    own->SetHighlightRequired(true);
    EXPECT_TRUE(own->RequiredStateShown());
    own->SetValue(Variant(String("x")));
    EXPECT_FALSE(own->RequiredStateShown());
    EXPECT_EQ(redOnMarkLine(own), 0);
    struct THandler {
        void Check(TObject*, bool& draw) { draw = !draw; }
    } handler;
    own->OnCheckDrawRequiredState = Event<&THandler::Check>(&handler);
    EXPECT_TRUE(own->RequiredStateShown());
    own->Invalidate();
    EXPECT_GT(redOnMarkLine(own), 10);
}

TEST_F(DataAwareControls, TextIsAlignedAsAssignedElseAsTheField) {
    auto styleOf = [](TWinControl* c) { return GetWindowLongPtrW(c->Handle(), GWL_STYLE) & (ES_RIGHT | ES_CENTER); };
    auto* plain = Make<TDBComboBoxEh>(150, 40);
    plain->SetDataSource(source);
    plain->SetDataField("name");
    Focus(other);  // a control being typed into keeps its window
    TField* name = q->FieldByName("name");
    q->FieldByName("sex")->SetAlignment(taRightJustify);
    name->SetAlignment(taRightJustify);
    q->Next();  // Bob
    DrainMessages();
    struct Case {
        TCustomDBEditEh* control;
        LONG_PTR style;
    };
    // The keyed combo keeps to the left; the others take the field's alignment.
    for (const Case& c : {Case{edit, ES_RIGHT}, Case{plain, ES_RIGHT}, Case{combo, 0}}) {
        SCOPED_TRACE(c.control->DataField());
        EXPECT_EQ(styleOf(c.control), c.style);
    }
    // The text really stands at the right, before the buttons.
    const LRESULT at = SendMessageW(edit->Handle(), EM_POSFROMCHAR, 0, 0);
    EXPECT_GT(static_cast<short>(LOWORD(at)), edit->ClientWidth() / 2);
    EXPECT_EQ(edit->Text(), "Bob");

    // Assigned wins over the field, for keyed boxes too; the window still edits and writes back.
    edit->SetAlignment(taCenter);
    combo->SetAlignment(taRightJustify);
    name->SetAlignment(taLeftJustify);
    q->Prior();
    for (const Case& c : {Case{edit, ES_CENTER}, Case{plain, 0}, Case{combo, ES_RIGHT}}) {
        SCOPED_TRACE(c.control->DataField());
        EXPECT_EQ(styleOf(c.control), c.style);
    }
    Focus(edit);
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    Type(edit, "Ada");
    // A window being typed into is kept; it is aligned anew once left.
    edit->SetAlignment(taRightJustify);
    EXPECT_EQ(styleOf(edit), ES_CENTER);
    EXPECT_EQ(edit->Text(), "Ada");
    Focus(other);
    EXPECT_EQ(styleOf(edit), ES_RIGHT);
    EXPECT_EQ(name->AsString(), "Ada");
    q->Post();
    EXPECT_EQ(Stored(1, "name"), "Ada");
}

TEST_F(DataAwareControls, AWrappingEditShowsLongTextOnSeveralLines) {
    auto* own = Make<TDBEditEh>(150, 10);
    own->SetAutoSize(false);
    own->SetBounds(150, 10, 120, 80);
    own->SetWordWrap(true);
    ASSERT_TRUE(GetWindowLongPtrW(own->Handle(), GWL_STYLE) & ES_MULTILINE);
    own->SetValue(Variant(String("one two three four five six seven eight nine ten")));
    EXPECT_GT(SendMessageW(own->Handle(), EM_GETLINECOUNT, 0, 0), 1);
    // Enter never breaks the line.
    Focus(own);
    SendMessageW(own->Handle(), EM_SETSEL, 3, 3);
    Press(own, VK_RETURN);
    EXPECT_EQ(own->Text(), "one two three four five six seven eight nine ten");

    // A wrapping combo steps with the arrows only while all its text is selected.
    auto* box = Make<TDBComboBoxEh>(150, 100);
    for (const char* s : {"First", "Second"}) box->Items()->Add(s);
    box->SetWordWrap(true);
    Focus(box);
    SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
    Press(box, VK_DOWN);
    EXPECT_EQ(box->Text(), "First");
    SendMessageW(box->Handle(), EM_SETSEL, 1, 1);
    Press(box, VK_DOWN);
    EXPECT_EQ(box->Text(), "First");
    SendMessageW(box->Handle(), EM_SETSEL, 0, -1);
    Press(box, VK_DOWN);
    EXPECT_EQ(box->Text(), "Second");
}

TEST_F(DataAwareControls, AnImageStandsInFrontOfTheText) {
    // Two images 16 wide and 30 high: red, then blue.
    auto* images = New<TImageList>(form_.get());
    images->SetWidth(16);
    images->SetHeight(30);
    TBitmap strip;
    strip.SetSize(32, 30);
    strip.Canvas()->Brush()->SetColor(clRed);
    strip.Canvas()->FillRect(Rect(0, 0, 16, 30));
    strip.Canvas()->Brush()->SetColor(clBlue);
    strip.Canvas()->FillRect(Rect(16, 0, 32, 30));
    ASSERT_EQ(images->Add(&strip, nullptr), 0);
    auto shown = [](TCustomDBEditEh* e) {
        UpdateWindow(e->Handle());
        const HDC dc = GetDC(e->Handle());
        const COLORREF c = GetPixel(dc, 10, e->ClientHeight() / 2);
        ReleaseDC(e->Handle(), dc);
        return c;
    };
    auto leftMargin = [](TCustomDBEditEh* e) { return LOWORD(SendMessageW(e->Handle(), EM_GETMARGINS, 0, 0)); };

    auto* own = Make<TDBEditEh>(150, 10);
    const int plainHeight = own->Height();
    own->EditImage()->SetImages(images);
    EXPECT_EQ(own->ImageAreaWidth(), 0);  // not visible yet
    own->EditImage()->SetVisible(true);
    own->EditImage()->SetImageIndex(1);
    EXPECT_EQ(own->ImageAreaWidth(), 20);
    EXPECT_EQ(leftMargin(own), 21);  // the text starts after the image
    EXPECT_GT(own->Height(), plainHeight);  // the taller image counts with AutoSize
    EXPECT_EQ(shown(own), RGB(0, 0, 255));
    own->EditImage()->SetWidth(30);
    EXPECT_EQ(leftMargin(own), 35);
    own->EditImage()->SetUseImageHeight(false);
    EXPECT_EQ(own->Height(), plainHeight);

    // The handler has the last word.
    struct THandler {
        void Get(TObject*, int& index) { index = 0; }
    } handler;
    own->OnGetImageIndex = Event<&THandler::Get>(&handler);
    own->Invalidate();
    EXPECT_EQ(shown(own), RGB(255, 0, 0));

    // A combo box shows the image of its item.
    combo->EditImage()->SetImages(images);
    combo->EditImage()->SetVisible(true);
    EXPECT_EQ(combo->Text(), "Female");
    EXPECT_EQ(combo->ShownImageIndex(), 1);
    EXPECT_EQ(shown(combo), RGB(0, 0, 255));
    Focus(combo);
    Press(combo, VK_UP);
    EXPECT_EQ(combo->Text(), "Male");
    EXPECT_EQ(shown(combo), RGB(255, 0, 0));
    Press(combo, VK_ESCAPE);

    // Its list shows every item's image in rows as tall as the images; the handler picks them.
    struct TItems {
        void Get(TObject*, int item, int& image) { image = 1 - item; }
    } items;
    combo->OnGetItemImageIndex = Event<&TItems::Get>(&items);
    Press(combo, VK_F4);
    TPopupListboxEh* list = combo->PopupList();
    ASSERT_TRUE(combo->ListVisible());
    EXPECT_EQ(list->Images(), images);
    EXPECT_GE(list->ItemHeight(), 30);
    UpdateWindow(list->Handle());
    auto rowColour = [list](int row) {
        RECT r{};
        SendMessageW(list->Handle(), LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&r));
        const HDC dc = GetDC(list->Handle());
        const COLORREF c = GetPixel(dc, r.left + 10, (r.top + r.bottom) / 2);
        ReleaseDC(list->Handle(), dc);
        return c;
    };
    EXPECT_EQ(rowColour(0), RGB(0, 0, 255));
    EXPECT_EQ(rowColour(1), RGB(255, 0, 0));
    Press(combo, VK_ESCAPE);
    EXPECT_EQ(shown(combo), RGB(255, 0, 0));  // Female (Esc gave it back): item 1, image 0

    // A freed image list is let go.
    images->Free();
    EXPECT_EQ(own->EditImage()->Images(), nullptr);
    EXPECT_EQ(combo->ImageAreaWidth(), 0);
    EXPECT_EQ(leftMargin(combo), 1);
}

TEST_F(DataAwareControls, TheButtonsShowActiveWithTheBorder) {
    auto* box = Make<TDBComboBoxEh>(150, 40);
    box->SetFlat(true);
    TEditButtonControlEh* main = box->ButtonControls().at(0);
    EXPECT_FALSE(main->Active());
    // Focus, the mouse over the control, or always.
    box->SetAlwaysShowBorder(true);
    EXPECT_TRUE(main->Active());
    static_cast<TEditButtonEh*>(box->EditButtons()->Add())->SetVisible(true);  // a new button follows
    ASSERT_EQ(box->ButtonControls().size(), 2u);
    EXPECT_TRUE(box->ButtonControls()[1]->Active());
    box->SetAlwaysShowBorder(false);
    EXPECT_FALSE(main->Active());
    Focus(box);
    EXPECT_TRUE(main->Active());
    Focus(other);
    EXPECT_FALSE(main->Active());
    box->Perform(CM_MOUSEENTER, 0, 0);
    EXPECT_TRUE(main->Active());
    box->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(main->Active());
}
