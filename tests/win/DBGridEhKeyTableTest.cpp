// The data grid under the keyboard: sequences of keys and the current record, column and selection
// they leave; the incremental search with its time-out and next/prior keys; Ctrl+' copying from the
// record above; the delete keys with their confirmation, also when the database refuses; and keys on
// an empty or closed data set or a column bound to a missing field.
#include "DBGridEhTestSupport.h"
#include "DBGridEhSelection.h"

#include "Encoding.h"

#include <functional>

using namespace gridwin;

namespace {

struct TKey {
    WORD Code;
    bool Shift = false;
    bool Ctrl = false;
};

constexpr TKey Down{VK_DOWN}, Up{VK_UP}, Left{VK_LEFT}, Right{VK_RIGHT}, Enter{VK_RETURN}, Tab{VK_TAB},
    Esc{VK_ESCAPE}, ShiftDown{VK_DOWN, true}, ShiftUp{VK_UP, true}, ShiftRight{VK_RIGHT, true},
    CtrlEnd{VK_END, false, true}, CtrlShiftEnd{VK_END, true, true}, CtrlHome{VK_HOME, false, true},
    CtrlLeft{VK_LEFT, false, true}, CtrlRight{VK_RIGHT, false, true}, CtrlA{'A', false, true},
    PgDn{VK_NEXT}, ShiftPgDn{VK_NEXT, true};

void Press(TDBGridEh* grid, const TKey& key) {
    SetModifiers(key.Shift, key.Ctrl);
    grid->Perform(WM_KEYDOWN, key.Code, 1);
    SetModifiers(false, false);
}

void Type(TDBGridEh* grid, const String& text) {
    for (char16_t ch : Utf8ToUtf16(text)) grid->Perform(WM_CHAR, ch, 1);
}

// The ids of the selected rows in order.
std::vector<int> SelectedIds(GridOnForm& g) {
    std::vector<int> ids;
    TBookmarkListEh* rows = g.grid->SelectedRowBookmarks();
    const TBookmark saved = g.query->Bookmark();
    for (int i = 0; i < rows->Count(); ++i) {
        g.query->GotoBookmark(rows->Items(i));
        ids.push_back(g.CurrentId());
    }
    g.query->GotoBookmark(saved);
    return ids;
}

// The id of a bookmark's record.
int IdAt(GridOnForm& g, const TBookmark& bookmark) {
    const TBookmark saved = g.query->Bookmark();
    g.query->GotoBookmark(bookmark);
    const int id = g.CurrentId();
    g.query->GotoBookmark(saved);
    return id;
}

class DBGridEhKeys : public ::testing::Test {
protected:
    void TearDown() override { SetModifiers(false, false); }
    GridOnForm g{50};
};

TEST_F(DBGridEhKeys, KeySequencesLeaveTheRecordColumnAndSelection) {
    enum Setup { Plain, RowsMulti, CellsMulti, EnterAsTab, Tabs };
    struct Case {
        const char* name;
        Setup setup;
        int startId;
        std::vector<TKey> keys;
        int id;                        // current record after the keys
        int column;                    // current data column
        TDBGridEhSelectionType type;   // selection kind
        std::vector<int> rows;         // selected rows (row selection)
    };
    const int lastCol = 4;  // id, name, city, amount, note
    const Case cases[] = {
        {"down down up", Plain, 1, {Down, Down, Up}, 2, 0, gstNon, {}},
        {"ctrl+end, ctrl+home", Plain, 10, {CtrlEnd, CtrlHome}, 1, 0, gstNon, {}},
        {"up at the first record stays", Plain, 1, {Up}, 1, 0, gstNon, {}},
        {"down at the last record stays (read-only data set state)", Plain, 50, {Down}, 50, 0, gstNon, {}},
        {"ctrl+right, ctrl+left", Plain, 1, {CtrlRight}, 1, lastCol, gstNon, {}},
        {"right right left", Plain, 1, {Right, Right, Left}, 1, 1, gstNon, {}},
        {"ctrl+left after moving right", Plain, 1, {Right, Right, CtrlLeft}, 1, 0, gstNon, {}},
        {"shift+down three times selects four rows", RowsMulti, 5, {ShiftDown, ShiftDown, ShiftDown}, 8, 0,
         gstRecordBookmarks, {5, 6, 7, 8}},
        {"shift+up back toward the anchor unselects", RowsMulti, 5, {ShiftDown, ShiftDown, ShiftUp}, 6, 0,
         gstRecordBookmarks, {5, 6}},
        {"shift past the anchor the other way", RowsMulti, 5, {ShiftDown, ShiftUp, ShiftUp}, 4, 0, gstRecordBookmarks,
         {4, 5}},
        {"ctrl+shift+end selects to the end", RowsMulti, 47, {CtrlShiftEnd}, 50, 0, gstRecordBookmarks,
         {47, 48, 49, 50}},
        {"a plain move clears", RowsMulti, 5, {ShiftDown, ShiftDown, Down}, 8, 0, gstNon, {}},
        {"esc clears", RowsMulti, 5, {ShiftDown, Esc}, 6, 0, gstNon, {}},
        {"ctrl+a selects all", RowsMulti, 5, {CtrlA}, 5, 0, gstAll, {}},
        {"shift+pgdn in row select selects rows", RowsMulti, 1, {ShiftPgDn}, -1, 0, gstRecordBookmarks, {}},
        {"shift+right spans a rectangle", CellsMulti, 3, {ShiftRight}, 3, 1, gstRectangle, {}},
        {"shift+down shift+right: two by two", CellsMulti, 3, {ShiftDown, ShiftRight}, 4, 1, gstRectangle, {}},
        {"a plain move ends the rectangle", CellsMulti, 3, {ShiftDown, Right}, 4, 1, gstNon, {}},
        {"enter moves like tab", EnterAsTab, 1, {Enter, Enter}, 1, 2, gstNon, {}},
        // The id column (the table's key, not editable) is no tab stop: the first one is the name.
        {"enter past the last column goes to the next record", EnterAsTab, 1, {CtrlRight, Enter}, 2, 1, gstNon, {}},
        {"tab past the last column goes to the next record", Tabs, 1, {CtrlRight, Tab}, 2, 1, gstNon, {}},
        {"enter without the option stays", Plain, 1, {Enter}, 1, 0, gstNon, {}},
        {"pgdn moves a page", Plain, 1, {PgDn}, -2, 0, gstNon, {}},
    };
    TDBGridEh* grid = g.grid;
    const TDBGridOptions baseOptions = grid->Options();
    const TDBGridEhOptions baseOptionsEh = grid->OptionsEh();
    const int page = grid->VisibleDataRowCount();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDBGridOptions options = baseOptions - TDBGridOptions{dgTabs};
        TDBGridEhOptions optionsEh = baseOptionsEh;
        switch (c.setup) {
        case Plain: break;
        case RowsMulti: options = options + TDBGridOptions{dgRowSelect, dgMultiSelect}; break;
        case CellsMulti: options = options + TDBGridOptions{dgMultiSelect}; break;
        case EnterAsTab: optionsEh = optionsEh + TDBGridEhOptions{dghEnterAsTab}; break;
        case Tabs: options = options + TDBGridOptions{dgTabs}; break;
        }
        grid->SetOptions(options);
        grid->SetOptionsEh(optionsEh);
        grid->SetEditActions(TDBGridEhEditActions{geaCopyEh, geaSelectAllEh});
        grid->SetReadOnly(c.setup != EnterAsTab && c.setup != Tabs);  // read-only columns are no tab stops
        Press(grid, Esc);
        grid->SetSelectedIndex(0);
        g.query->First();
        g.query->MoveBy(c.startId - 1);
        Press(grid, Esc);
        ASSERT_EQ(grid->SelectionType(), gstNon);
        ASSERT_EQ(g.CurrentId(), c.startId);
        for (const TKey& key : c.keys) Press(grid, key);
        const int expectedId = c.id == -1 ? 1 + page : (c.id == -2 ? 1 + page : c.id);
        EXPECT_EQ(g.CurrentId(), expectedId);
        EXPECT_EQ(grid->SelectedIndex(), c.column);
        EXPECT_EQ(grid->SelectionType(), c.type);
        if (c.type == gstRecordBookmarks && !c.rows.empty()) {
            EXPECT_EQ(SelectedIds(g), c.rows);
        }
        if (c.id == -1) {
            EXPECT_EQ(static_cast<int>(SelectedIds(g).size()), page + 1);
        }
    }
}

TEST_F(DBGridEhKeys, RectangleFromKeysCoversTheCellsPassed) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    g.query->MoveBy(2);  // id 3
    Press(grid, ShiftDown);
    Press(grid, ShiftDown);
    Press(grid, ShiftRight);
    ASSERT_EQ(grid->SelectionType(), gstRectangle);
    TDBGridEhSelectionRect* rect = grid->Selection()->Rect();
    EXPECT_EQ(rect->LeftCol(), 0);
    EXPECT_EQ(rect->RightCol(), 1);
    EXPECT_EQ(IdAt(g, rect->TopRow()), 3);
    EXPECT_EQ(IdAt(g, rect->BottomRow()), 5);
    // Shift+Up shrinks it again.
    Press(grid, ShiftUp);
    EXPECT_EQ(IdAt(g, rect->BottomRow()), 4);
    // Without rectangles allowed, Shift moves select rows instead.
    Press(grid, Esc);
    grid->SetAllowedSelections(TDBGridEhAllowedSelections{gstRecordBookmarks, gstAll});
    Press(grid, ShiftDown);
    EXPECT_EQ(grid->SelectionType(), gstRecordBookmarks);
    EXPECT_EQ(SelectedIds(g), (std::vector<int>{4, 5}));
}

TEST_F(DBGridEhKeys, RowSelectLeftAndRightScrollTheViewWithinItsColumns) {
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgRowSelect});
    grid->SetWidth(150);  // not every column fits
    DrainMessages();
    ASSERT_GT(grid->MaxLeftCol(), grid->FixedCols());
    const int first = grid->LeftCol();
    Press(grid, Left);
    EXPECT_EQ(grid->LeftCol(), first);  // never onto the fixed columns
    for (int i = 0; i < 10; ++i) Press(grid, Right);
    EXPECT_EQ(grid->LeftCol(), grid->MaxLeftCol());  // never past the last
    Press(grid, Left);
    EXPECT_EQ(grid->LeftCol(), grid->MaxLeftCol() - 1);
    EXPECT_EQ(g.CurrentId(), 1);
}

// Typing in a read-only column searches it; the search ends after its time-out.
TEST_F(DBGridEhKeys, IncrementalSearchFindsTypedTextUntilItTimesOut) {
    TDBGridEh* grid = g.grid;
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
    grid->SetReadOnly(true);
    g.Show();
    grid->SetSelectedIndex(2);  // city: 1 Cairo, 2 Delhi, 3 Athens, 4 Berlin, 5 Cairo, ...
    struct Step {
        const char* name;
        std::function<void()> action;
        int id;
        const char* text;  // the search text afterwards ("" when the search is over)
        bool active;
    };
    const Step steps[] = {
        {"d finds Delhi", [&] { Type(grid, "d"); }, 2, "D", true},
        {"e still matches", [&] { Type(grid, "e"); }, 2, "De", true},
        {"ctrl+enter: the next match", [&] { Press(grid, {VK_RETURN, false, true}); }, 6, "De", true},
        {"ctrl+enter again", [&] { Press(grid, {VK_RETURN, false, true}); }, 10, "De", true},
        {"ctrl+shift+enter: the prior match", [&] { Press(grid, {VK_RETURN, true, true}); }, 6, "De", true},
        {"a character that matches nowhere is dropped", [&] { Type(grid, "x"); }, 6, "De", true},
        {"backspace removes the last character", [&] { Press(grid, {VK_BACK}); }, 6, "D", true},
        {"the time-out ends the search", [&] { grid->Perform(WM_TIMER, TCustomDBGridEh::kIncSearchTimer, 0); }, 6,
         "", false},
        {"a new search starts from the first record", [&] { Type(grid, "BE"); }, 4, "Be", true},
        {"esc ends it", [&] { Press(grid, Esc); }, 4, "", false},
        {"lower case finds upper case", [&] { Type(grid, "ath"); }, 3, "Ath", true},
        {"moving the record ends it", [&] { Press(grid, Down); }, 4, "", false},
        {"moving to another column ends it", [&] { Type(grid, "c"); Press(grid, Right); }, 1, "", false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.action();
        EXPECT_EQ(g.CurrentId(), step.id);
        EXPECT_EQ(grid->IncSearchText(), step.text);
        EXPECT_EQ(grid->IncSearchActive(), step.active);
    }
    EXPECT_FALSE(grid->EditorShown());
    EXPECT_EQ(g.query->State(), dsBrowse);
}

TEST_F(DBGridEhKeys, IncrementalSearchMarksTheMatchedTextAndObeysItsOptions) {
    TDBGridEh* grid = g.grid;
    g.Show();
    grid->SetSelectedIndex(2);
    // Without the option, typing in an editable grid opens the editor.
    Type(grid, "a");
    EXPECT_FALSE(grid->IncSearchActive());
    Press(grid, Esc);
    g.query->Cancel();
    // dghIncSearch searches only where the column cannot be edited; dghPreferIncSearch everywhere.
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghIncSearch});
    Type(grid, "a");
    EXPECT_FALSE(grid->IncSearchActive());
    Press(grid, Esc);
    g.query->Cancel();
    g.query->First();
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghPreferIncSearch});
    Type(grid, "ber");
    ASSERT_TRUE(grid->IncSearchActive());
    EXPECT_EQ(g.CurrentId(), 4);
    EXPECT_EQ(g.query->State(), dsBrowse);
    // The matched part of the cell is painted in the search's colours.
    auto bitmap = g.Paint();
    const TRect cell = grid->CellRect(grid->Col(), grid->Row());
    EXPECT_GT(CountColour(bitmap.get(), cell, clYellow), 10);
    const TRect other = grid->CellRect(grid->Col(), grid->Row() + 1);
    EXPECT_EQ(CountColour(bitmap.get(), other, clYellow), 0);
    grid->Perform(WM_TIMER, TCustomDBGridEh::kIncSearchTimer, 0);
    bitmap = g.Paint();
    EXPECT_EQ(CountColour(bitmap.get(), cell, clYellow), 0);
    // Ctrl+F starts a search without a time-out.
    SetModifiers(false, true);
    grid->Perform(WM_KEYDOWN, 'F', 1);
    SetModifiers(false, false);
    EXPECT_TRUE(grid->IncSearchActive());
    Type(grid, "d");
    EXPECT_EQ(g.CurrentId(), 2);
    EXPECT_TRUE(grid->IncSearchActive());
}

TEST_F(DBGridEhKeys, CopyFromTheRecordAboveWritesItsValue) {
    TDBGridEh* grid = g.grid;
    g.Show();
    grid->SetSelectedIndex(2);  // city
    g.query->MoveBy(1);         // id 2, Delhi; above: Cairo
    Press(grid, {VK_OEM_7, false, true});
    EXPECT_EQ(g.query->State(), dsEdit);
    EXPECT_EQ(g.query->FieldByName("city")->AsString(), "Cairo");
    EXPECT_TRUE(grid->EditorShown());
    g.query->Post();
    // On the first record shown, and on a read-only grid, nothing is copied.
    g.query->First();
    Press(grid, {VK_OEM_7, false, true});
    EXPECT_EQ(g.query->State(), dsBrowse);
    grid->SetReadOnly(true);
    g.query->MoveBy(2);
    Press(grid, {VK_OEM_7, false, true});
    EXPECT_EQ(g.query->State(), dsBrowse);
    EXPECT_EQ(g.query->FieldByName("city")->AsString(), "Athens");
}

// The delete keys: plain Delete deletes nothing; Ctrl+Delete asks first ("Delete record?", and for
// two or more selected rows "Delete all selected records?"); Cancel keeps every record.
TEST_F(DBGridEhKeys, CtrlDeleteAsksAndDeletes) {
    TScopedApplication app(IDCANCEL);
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgConfirmDelete, dgMultiSelect, dgRowSelect});
    g.Show();
    HWND window = grid->Handle();
    auto press = [&](WORD key, bool ctrl) {
        SetModifiers(false, ctrl);
        SendMessageW(window, WM_KEYDOWN, key, 1);
        SetModifiers(false, false);
    };
    press(VK_DELETE, false);
    EXPECT_TRUE(app.TakeTexts().empty());
    EXPECT_EQ(g.query->RecordCount(), 50);
    press(VK_DELETE, true);
    EXPECT_EQ(app.TakeTexts(), (std::vector<String>{"Delete record?"}));
    EXPECT_EQ(g.query->RecordCount(), 50);
    app.SetAnswer(IDOK);
    press(VK_DELETE, true);
    EXPECT_EQ(app.TakeTexts(), (std::vector<String>{"Delete record?"}));
    EXPECT_EQ(g.query->RecordCount(), 49);
    EXPECT_EQ(g.CurrentId(), 2);
    // Two selected rows: both go after the other question.
    Press(grid, ShiftDown);
    press(VK_DELETE, true);
    EXPECT_EQ(app.TakeTexts(), (std::vector<String>{"Delete all selected records?"}));
    EXPECT_EQ(g.query->RecordCount(), 47);
    g.query->First();
    EXPECT_EQ(g.CurrentId(), 4);
    // A read-only grid deletes nothing and asks nothing.
    grid->SetReadOnly(true);
    press(VK_DELETE, true);
    EXPECT_TRUE(app.TakeTexts().empty());
    EXPECT_EQ(g.query->RecordCount(), 47);
}

TEST_F(DBGridEhKeys, ARefusedDeleteIsShownAndKeepsTheGridConsistent) {
    TScopedApplication app(IDOK);
    g.session->connection->Execute(
        "CREATE TRIGGER keep_three BEFORE DELETE ON people WHEN old.id = 3 "
        "BEGIN SELECT RAISE(ABORT, 'person 3 is kept'); END;");
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgConfirmDelete});
    g.Show();
    g.query->MoveBy(2);
    ASSERT_EQ(g.CurrentId(), 3);
    SetModifiers(false, true);
    SendMessageW(grid->Handle(), WM_KEYDOWN, VK_DELETE, 1);
    SetModifiers(false, false);
    const std::vector<String> texts = app.TakeTexts();
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0], "Delete record?");
    EXPECT_NE(texts[1].find("person 3 is kept"), String::npos) << texts[1];
    EXPECT_EQ(g.query->RecordCount(), 50);
    EXPECT_EQ(g.query->State(), dsBrowse);
    EXPECT_EQ(g.CurrentId(), 3);
    EXPECT_EQ(grid->Row(), grid->DataLink()->ActiveRecord() + 1);
    // The grid still answers.
    Press(grid, Down);
    EXPECT_EQ(g.CurrentId(), 4);
}

TEST_F(DBGridEhKeys, KeysOnEmptyClosedAndBrokenDataSetsDoNothingHarmful) {
    TScopedApplication app(IDCANCEL);
    TDBGridEh* grid = g.grid;
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect, dgConfirmDelete});
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghIncSearch, dghEnterAsTab});
    grid->SetEditActions(TDBGridEhEditActions{geaCopyEh, geaSelectAllEh});
    g.Show();
    const std::vector<TKey> keys = {Down, Up, ShiftDown, ShiftUp, ShiftRight, CtrlEnd, CtrlHome, CtrlShiftEnd, PgDn,
                                    ShiftPgDn, CtrlA, Enter, Tab, Esc, {VK_DELETE, false, true}, {VK_OEM_7, false, true},
                                    {'C', false, true}, {VK_BACK}, {VK_F2}};
    auto pressAll = [&] {
        for (const TKey& key : keys) {
            SetModifiers(key.Shift, key.Ctrl);
            SendMessageW(grid->Handle(), WM_KEYDOWN, key.Code, 1);
            SetModifiers(false, false);
        }
        for (char16_t ch : Utf8ToUtf16("ab ")) SendMessageW(grid->Handle(), WM_CHAR, ch, 1);
        DrainMessages();
    };
    // Empty.
    OpenQuery(g.query, "select * from people where id < 0");
    pressAll();
    EXPECT_TRUE(g.query->IsEmpty());
    EXPECT_EQ(grid->SelectionType(), gstNon);
    EXPECT_TRUE(app.TakeTexts().empty());
    // Closed.
    g.query->Close();
    pressAll();
    EXPECT_FALSE(g.query->Active());
    EXPECT_TRUE(app.TakeTexts().empty());
    // A column bound to a field the data set does not have.
    OpenQuery(g.query, "select * from people order by id");
    grid->Columns()->Clear();
    grid->Columns()->Add()->SetFieldName("name");
    grid->Columns()->Add()->SetFieldName("no_such_field");
    grid->Columns()->Add()->SetFieldName("city");
    grid->SetSelectedIndex(1);
    pressAll();
    EXPECT_EQ(app.TakeTexts(), (std::vector<String>{"Delete record?"}));  // answered Cancel
    g.query->Cancel();  // the typed characters went into the city column's editor
    EXPECT_EQ(g.query->RecordCount(), 50);
    // Still usable.
    g.query->First();
    Press(grid, Down);
    EXPECT_EQ(g.CurrentId(), 2);
}

}  // namespace
