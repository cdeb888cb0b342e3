// The drop-down windows of the edit tools: the pop-up list box (whole rows, typed search, hot
// tracking, placement on the monitor with its grip) and the calendar drop-down (opening, closing
// with and without accepting).
#include "ToolCtrlsEhControls.h"
#include "TestControls.h"

#include <commctrl.h>
#include <gtest/gtest.h>

namespace {

class GridPopupTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartWindowTests();
        ToolCtrlsEhInitialization();
        form = new TForm(nullptr, CreateNew);
        form->AfterConstruction();
        form->SetBounds(100, 100, 300, 200);
        form->HandleNeeded();
    }
    void TearDown() override {
        form->Free();
        ToolCtrlsEhFinalization();
    }
    TForm* form = nullptr;
};

TEST_F(GridPopupTest, ListBoxOpensAsATopmostPopupWithWholeRows) {
    auto* list = New<TPopupListboxEh>(form);
    list->SetParentWindow(form->Handle());
    for (const char* item : {"apple", "Banana", "bandana", "cherry", "damson", "elder"}) list->Items()->Add(item);
    list->SetItemHeight(16);
    list->SetRows(3);
    EXPECT_EQ(list->Height(), 3 * 16 + list->BorderHeight());
    list->SetBounds(0, 0, 120, 3 * 16 + list->BorderHeight() + 10);  // between two multiples
    EXPECT_EQ(list->Height(), 3 * 16 + list->BorderHeight());
    EXPECT_EQ(list->Rows(), 3);
    list->SetBounds(0, 0, 120, 3);
    EXPECT_EQ(list->Rows(), 1);
    list->SetRows(4);

    list->Show();
    HWND h = list->Handle();
    EXPECT_TRUE(IsWindowVisible(h));
    const LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrW(h, GWL_EXSTYLE);
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_FALSE(style & WS_CHILD);
    EXPECT_TRUE(exStyle & WS_EX_TOPMOST);
    EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
    EXPECT_EQ(GetWindow(h, GW_OWNER), form->Handle());
    EXPECT_EQ(SendMessageW(h, LB_GETCOUNT, 0, 0), 6);
    ASSERT_NE(list->SizeGrip(), nullptr);
    EXPECT_EQ(list->SizeGrip()->Corner(), gcBottomRight);

    list->Hide();
    DrainMessages();
    EXPECT_FALSE(IsWindowVisible(h));
}

TEST_F(GridPopupTest, TypingSelectsAndPausesStartAgain) {
    auto* list = New<TPopupListboxEh>(form);
    list->SetParentWindow(form->Handle());
    for (const char* item : {"apple", "Banana", "bandana", "cherry"}) list->Items()->Add(item);
    std::uint32_t tick = 10000;
    list->TickCount = [&] { return tick; };
    list->Show();
    auto type = [&](wchar_t ch, std::uint32_t at) {
        tick = at;
        SendMessageW(list->Handle(), WM_CHAR, ch, 0);  // the window is made again for virtual rows
    };
    type(L'b', 10000);
    EXPECT_EQ(list->ItemIndex(), 1);
    type(L'a', 10300);
    type(L'n', 10600);
    type(L'd', 10900);
    EXPECT_EQ(list->SearchText(), "band");
    EXPECT_EQ(list->ItemIndex(), 2);
    type(L'c', 13000);  // more than 2 s later: a new search
    EXPECT_EQ(list->SearchText(), "c");
    EXPECT_EQ(list->ItemIndex(), 3);
    type(VK_ESCAPE, 13100);
    EXPECT_EQ(list->SearchText(), "");

    // Virtual rows from an external list are searched too.
    TStringList external;
    for (const char* item : {"zeta", "Zulu", "alpha"}) external.Add(item);
    list->SetExternalItems(&external);
    EXPECT_EQ(SendMessageW(list->Handle(), LB_GETCOUNT, 0, 0), 3);
    type(L'a', 20000);
    EXPECT_EQ(list->ItemIndex(), 2);
    EXPECT_EQ(list->ItemText(2), "alpha");
    list->SetExternalItems(nullptr);
}

TEST_F(GridPopupTest, HotTrackingFollowsTheMouse) {
    auto* list = New<TPopupListboxEh>(form);
    list->SetParentWindow(form->Handle());
    for (const char* item : {"one", "two", "three", "four"}) list->Items()->Add(item);
    list->SetItemHeight(16);
    list->Show();
    HWND h = list->Handle();
    SendMessageW(h, WM_MOUSEMOVE, 0, MAKELPARAM(10, 16 * 2 + 5));
    EXPECT_EQ(list->ItemIndex(), 2);
    SendMessageW(h, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(10, 5));  // with a button held: nothing
    EXPECT_EQ(list->ItemIndex(), 2);
}

TEST_F(GridPopupTest, PlacedAboveAnEditAtTheBottomOfTheWorkArea) {
    auto* list = New<TPopupListboxEh>(form);
    list->SetParentWindow(form->Handle());
    list->SetItemHeight(16);
    list->SetRows(5);
    RECT work;
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const TRect edit{work.left + 50, work.bottom - 30, work.left + 200, work.bottom - 10};
    TPoint pos;
    PlaceDropDownWindowAtRect(edit, list, daLeft, pos);
    EXPECT_EQ(pos.X, edit.Left);
    EXPECT_EQ(pos.Y, edit.Top - list->Height());
    EXPECT_EQ(list->SizeGrip()->Corner(), gcTopRight);
    // Right-aligned near the right edge: the grip goes left.
    const TRect right{work.right - 60, work.top + 10, work.right - 10, work.top + 30};
    PlaceDropDownWindowAtRect(right, list, daRight, pos);
    EXPECT_EQ(pos.Y, right.Bottom);
    EXPECT_EQ(pos.X, right.Right - list->Width());
    EXPECT_EQ(list->SizeGrip()->Corner(), gcBottomLeft);
}

class TTestHolder : public TComponent, public IInplaceEditHolderEh {
    VESTREL_CLASS(TTestHolder, TComponent)
public:
    using TComponent::TComponent;
    void CloseUp(bool accept) override { closeUps.push_back(accept); }
    std::vector<bool> closeUps;
};

TEST_F(GridPopupTest, CalendarClosesUpOnEnterEscADayAndLostFocus) {
    auto* holder = New<TTestHolder>(nullptr);
    auto* calendar = New<TPopupMonthCalendarEh>(holder);
    calendar->SetParentWindow(form->Handle());
    calendar->SetDate(EncodeDate(2024, 3, 15));
    calendar->HandleNeeded();
    HWND h = calendar->Handle();
    RECT minimum{};
    SendMessageW(h, MCM_GETMINREQRECT, 0, reinterpret_cast<LPARAM>(&minimum));  // a month calendar
    EXPECT_EQ(calendar->Width(), minimum.right - minimum.left + 2 * calendar->BorderWidth());
    EXPECT_TRUE(GetWindowLongPtrW(h, GWL_STYLE) & WS_POPUP);
    EXPECT_GT(calendar->Width(), 2 * calendar->BorderWidth());
    EXPECT_GT(calendar->Height(), 2 * calendar->BorderWidth());
    EXPECT_DOUBLE_EQ(calendar->Date(), EncodeDate(2024, 3, 15));
    calendar->Show();

    calendar->Perform(WM_KEYDOWN, VK_RETURN, 0);
    calendar->Perform(WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(calendar->Perform(CM_WANTSPECIALKEY, VK_ESCAPE, 0), 1);
    EXPECT_EQ(holder->closeUps, (std::vector<bool>{true, false, false}));

    // A release on a day accepts; on the title buttons it does not.
    holder->closeUps.clear();
    bool dayFound = false;
    for (int y = 0; y < calendar->Height() && !dayFound; y += 2)
        for (int x = 0; x < calendar->Width() && !dayFound; x += 2) {
            MCHITTESTINFO hit{};
            hit.cbSize = sizeof(MCHITTESTINFO);
            hit.pt = POINT{x, y};
            if (SendMessageW(h, MCM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) == static_cast<LRESULT>(MCHT_CALENDARDATE)) {
                calendar->Perform(WM_LBUTTONUP, 0, PointToLParam(x, y));
                dayFound = true;
            }
        }
    ASSERT_TRUE(dayFound);
    EXPECT_EQ(holder->closeUps, (std::vector<bool>{true}));

    // Losing the focus closes up later, without accepting.
    holder->closeUps.clear();
    calendar->Perform(WM_KILLFOCUS, reinterpret_cast<WPARAM>(form->Handle()), 0);
    EXPECT_TRUE(holder->closeUps.empty());
    DrainMessages();
    EXPECT_EQ(holder->closeUps, (std::vector<bool>{false}));

    // The wheel moves the date a day.
    calendar->SetDate(EncodeDate(2024, 3, 15));
    calendar->Perform(WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    EXPECT_DOUBLE_EQ(calendar->Date(), EncodeDate(2024, 3, 16));
    holder->Free();
}

}  // namespace
