// Drag and drop between controls: an automatic control starts a drag once the mouse moves past the
// threshold; the controls under the mouse are asked DragOver (enter, move, leave) and the cursor
// shows their answer; a release drops on a control that accepted; Esc, cancel mode, a right
// press and a release over a refusing control cancel; a release before the threshold is a plain
// release of the control; a manual control drags only when told.
#include "TestControls.h"

#include <string>

namespace {

// Records the drag events of every control, in order.
struct TDragLog {
    String log;
    bool accept = true;

    static String NameOf(TObject* object) {
        auto* component = dynamic_cast<TComponent*>(object);
        return component ? component->Name() : "nil";
    }
    static String At(int x, int y) { return "@" + std::to_string(x) + "," + std::to_string(y); }

    void Over(TObject* sender, TObject* source, int x, int y, TDragState state, bool& accepted) {
        static const char* const kStates[] = {"enter", "leave", "move"};
        log += String(kStates[state]) + ":" + NameOf(sender) + "<" + NameOf(source) + At(x, y) + ";";
        accepted = accept;
    }
    void Drop(TObject* sender, TObject* source, int x, int y) {
        log += "drop:" + NameOf(sender) + "<" + NameOf(source) + At(x, y) + ";";
    }
    void End(TObject* sender, TObject* target, int x, int y) {
        log += "end:" + NameOf(sender) + ">" + NameOf(target) + At(x, y) + ";";
    }
    void Up(TObject* sender, TMouseButton, TShiftState, int x, int y) {
        log += "up:" + NameOf(sender) + At(x, y) + ";";
    }
};

class ControlDrag : public ::testing::Test {
public:  // the cases of a table reach the fixture through a reference
    static void SetUpTestSuite() { StartWindowTests(); }

    // A form on the screen (the control under the mouse is found by its position): Source at the
    // left, Target in the middle (asks the log), Refuser at the right (no OnDragOver).
    void SetUp() override {
        form.reset(New<TForm>(nullptr, CreateNew));
        form->SetBounds(40, 40, 480, 200);
        source = AddPanel("Source", 0);
        target = AddPanel("Target", 160);
        refuser = AddPanel("Refuser", 320);
        source->SetDragMode(dmAutomatic);
        source->OnEndDrag = Event<&TDragLog::End>(&events);
        source->OnMouseUp = Event<&TDragLog::Up>(&events);
        target->OnDragOver = Event<&TDragLog::Over>(&events);
        target->OnDragDrop = Event<&TDragLog::Drop>(&events);
        refuser->OnDragDrop = Event<&TDragLog::Drop>(&events);
        form->Show();
        SetWindowPos(form->Handle(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        DrainMessages();
    }
    void TearDown() override {
        form.reset();
        DrainMessages();
    }

    TTestPanel* AddPanel(const char* name, int left) {
        auto* panel = New<TTestPanel>(form.get());
        panel->SetName(name);
        panel->SetParent(form.get());
        panel->SetBounds(left, 0, 150, 120);
        return panel;
    }
    // Mouse messages to the source's window, the point given in `over`'s client coordinates.
    LPARAM On(TControl* over, int x, int y) {
        const TPoint p = source->ScreenToClient(over->ClientToScreen(Point(x, y)));
        return PointToLParam(p.X, p.Y);
    }
    void Press(int x, int y) { SendMessageW(source->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(x, y)); }
    void MoveTo(TControl* over, int x, int y) { SendMessageW(source->Handle(), WM_MOUSEMOVE, MK_LBUTTON, On(over, x, y)); }
    void ReleaseOn(TControl* over, int x, int y) { SendMessageW(source->Handle(), WM_LBUTTONUP, 0, On(over, x, y)); }
    // The controls under the points must be ours (a window of another program on top would not be).
    bool Reachable() {
        const TPoint p = target->ClientToScreen(Point(20, 20));
        return WindowFromPoint(POINT{p.X, p.Y}) == target->Handle();
    }

    Owned<TForm> form;
    TTestPanel* source = nullptr;
    TTestPanel* target = nullptr;
    TTestPanel* refuser = nullptr;
    TDragLog events;
};

TEST_F(ControlDrag, ADropOnAControlThatAcceptsReachesBothSides) {
    if (!Reachable()) GTEST_SKIP() << "the test form is not the window under the mouse";
    source->SetDragCursor(crHandPoint);
    Press(10, 10);
    EXPECT_TRUE(source->Dragging());
    EXPECT_EQ(GetCapture(), source->Handle());
    // Within the threshold nothing happens yet.
    MoveTo(source, 13, 12);
    EXPECT_EQ(events.log, "");
    MoveTo(target, 20, 30);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crHandPoint));
    MoveTo(target, 25, 31);
    ReleaseOn(target, 26, 32);
    EXPECT_EQ(events.log,
              "enter:Target<Source@20,30;move:Target<Source@25,31;move:Target<Source@26,32;"
              "drop:Target<Source@26,32;end:Source>Target@26,32;");
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(source->MouseCapture());
}

TEST_F(ControlDrag, ADragThatEndsWhereNothingAcceptsItDropsNothing) {
    if (!Reachable()) GTEST_SKIP() << "the test form is not the window under the mouse";
    struct TCase {
        const char* name;
        void (*end)(ControlDrag&);
        const char* log;
    };
    const TCase cases[] = {
        {"released over a control without OnDragOver",
         [](ControlDrag& t) { t.ReleaseOn(t.refuser, 30, 30); },
         "enter:Target<Source@20,30;leave:Target<Source@20,30;end:Source>nil@0,0;"},
        {"released over a control that refuses",
         [](ControlDrag& t) {
             t.events.accept = false;
             t.ReleaseOn(t.target, 21, 30);
         },
         "enter:Target<Source@20,30;move:Target<Source@21,30;leave:Target<Source@21,30;end:Source>nil@0,0;"},
        {"Esc", [](ControlDrag& t) { SendMessageW(t.form->Handle(), WM_KEYDOWN, VK_ESCAPE, 0); },
         "enter:Target<Source@20,30;leave:Target<Source@20,30;end:Source>nil@0,0;"},
        {"cancel mode", [](ControlDrag& t) { SendMessageW(t.source->Handle(), WM_CANCELMODE, 0, 0); },
         "enter:Target<Source@20,30;leave:Target<Source@20,30;end:Source>nil@0,0;"},
        {"the right button", [](ControlDrag& t) {
             SendMessageW(t.source->Handle(), WM_RBUTTONDOWN, MK_RBUTTON | MK_LBUTTON, t.On(t.target, 20, 30));
         },
         "enter:Target<Source@20,30;leave:Target<Source@20,30;end:Source>nil@0,0;"},
        {"another window takes the capture", [](ControlDrag& t) { SetCapture(t.target->Handle()); },
         "enter:Target<Source@20,30;leave:Target<Source@20,30;end:Source>nil@0,0;"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        events = TDragLog{};
        target->OnDragOver = Event<&TDragLog::Over>(&events);
        Press(10, 10);
        MoveTo(target, 20, 30);
        c.end(*this);
        EXPECT_EQ(events.log, c.log);
        EXPECT_FALSE(source->Dragging());
        ReleaseCapture();
        // The drag is over: later mouse messages are the controls' own again.
        events.log.clear();
        SendMessageW(source->Handle(), WM_LBUTTONUP, 0, PointToLParam(5, 6));
        EXPECT_EQ(events.log, "up:Source@5,6;");
    }
    // Over the refusing control the cursor says no.
    Press(10, 10);
    MoveTo(refuser, 30, 30);
    EXPECT_EQ(GetCursor(), Screen->Cursors(crNoDrop));
    source->EndDrag(false);
    EXPECT_FALSE(source->Dragging());
}

TEST_F(ControlDrag, AReleaseBeforeTheThresholdIsThePlainRelease) {
    Press(10, 10);
    MoveTo(source, 14, 6);  // 4 pixels: below the threshold of 5
    ReleaseOn(source, 14, 6);
    EXPECT_EQ(events.log, "up:Source@14,6;");
    EXPECT_FALSE(source->Dragging());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ControlDrag, AManualControlDragsOnlyWhenTold) {
    if (!Reachable()) GTEST_SKIP() << "the test form is not the window under the mouse";
    source->SetDragMode(dmManual);
    Press(10, 10);
    MoveTo(target, 20, 30);
    EXPECT_FALSE(source->Dragging());
    SendMessageW(source->Handle(), WM_LBUTTONUP, 0, On(target, 20, 30));
    EXPECT_EQ(events.log, "up:Source@180,30;");
    // Told at once: the drag starts where the mouse is, over the target.
    events.log.clear();
    Press(10, 10);
    MoveTo(target, 20, 30);
    source->BeginDrag(true);
    EXPECT_EQ(events.log, "enter:Target<Source@20,30;");
    source->EndDrag(true);
    EXPECT_EQ(events.log, "enter:Target<Source@20,30;drop:Target<Source@20,30;end:Source>Target@20,30;");
    // A control freed while it drags leaves no drag behind.
    events.log.clear();
    source->BeginDrag(true);
    ASSERT_TRUE(source->Dragging());
    source->Free();
    source = nullptr;
    SendMessageW(target->Handle(), WM_MOUSEMOVE, MK_LBUTTON, PointToLParam(5, 5));
    SendMessageW(form->Handle(), WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(events.log, "enter:Target<Source@20,30;");
}

}  // namespace
