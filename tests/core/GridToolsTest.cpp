// The window-free tools of the edit controls and the grid library's helpers: drop-down placement,
// edit buttons, special row, recently-used list, field value list, list-box arithmetic, typed
// search, variants, field lists, the coarse memory stream and the interceptor registry.
#include "GridTestSupport.h"

#include "PropFilerEh.h"

using namespace gridtest;

namespace {

TEST(GridTools, DropDownPlacementAgainstTheWorkArea) {
    const TRect work{0, 0, 1000, 700};
    struct Row {
        const char* name;
        TRect edit;
        int width, height;
        TDropDownAlign align;
        TDropDownPlacementEh expected;
    };
    const Row rows[] = {
        {"room below", {100, 300, 300, 320}, 200, 150, daLeft, {{100, 320}, 200, 150, 3, 1}},
        {"no room below", {100, 600, 300, 620}, 200, 150, daLeft, {{100, 450}, 200, 150, 2, 1}},
        {"too tall, more room below", {100, 300, 300, 320}, 200, 800, daLeft, {{100, 320}, 200, 380, 3, 1}},
        {"too tall, more room above", {100, 400, 300, 420}, 200, 800, daLeft, {{100, 0}, 200, 400, 2, 1}},
        {"right aligned", {100, 300, 300, 320}, 250, 150, daRight, {{50, 320}, 250, 150, 3, 0}},
        {"centred", {100, 300, 300, 320}, 250, 150, daCenter, {{75, 320}, 250, 150, 3, 1}},
        {"past the right edge", {900, 300, 980, 320}, 200, 150, daLeft, {{800, 320}, 200, 150, 3, 0}},
        {"past the left edge", {0, 300, 50, 320}, 200, 150, daRight, {{0, 320}, 200, 150, 3, 1}},
        {"wider than the work area", {100, 300, 300, 320}, 1200, 150, daLeft, {{0, 320}, 1000, 150, 3, 0}},
        {"edit taller than the work area", {100, -50, 300, 800}, 200, 150, daLeft, {{100, -67}, 200, 17, 2, 1}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const TDropDownPlacementEh p = CalcDropDownPlacement(row.edit, work, row.width, row.height, row.align, 17);
        EXPECT_EQ(p.Pos, row.expected.Pos);
        EXPECT_EQ(p.Width, row.expected.Width);
        EXPECT_EQ(p.Height, row.expected.Height);
        EXPECT_EQ(p.SideRequest, row.expected.SideRequest);
        EXPECT_EQ(p.GripRequest, row.expected.GripRequest);
    }
    // A second monitor to the right: the same rule in its coordinates.
    const TDropDownPlacementEh p =
        CalcDropDownPlacement({1900, 300, 1990, 320}, {1000, 0, 2000, 700}, 200, 150, daLeft, 17);
    EXPECT_EQ(p.Pos, (TPoint{1800, 320}));
}

TEST(GridTools, EditButtonsClampGlyphsAndNotify) {
    struct Row {
        int set, expected;
    };
    TEditButtonEh button(nullptr, false);
    for (const Row row : {Row{0, 1}, Row{7, 4}, Row{3, 3}, Row{-5, 1}}) {
        button.SetNumGlyphs(row.set);
        EXPECT_EQ(button.NumGlyphs(), row.expected) << row.set;
    }

    TEditButtonsEh buttons(nullptr, TCollectionItemClass::Of<TVisibleEditButtonEh>());
    struct Listener {
        std::vector<TEditButtonEh*> items;
        TEditButtonsEh* buttons;
        void Changed(TObject*) { items.push_back(buttons->ChangedItem()); }
    } listener{{}, &buttons};
    buttons.OnItemChanged = Event<&Listener::Changed>(&listener);
    TEditButtonEh* added = buttons.Add();
    EXPECT_TRUE(added->Visible());
    EXPECT_EQ(added->ShortCut(), kShortCutAltDown);
    listener.items.clear();
    added->SetStyle(ebsEllipsisEh);
    ASSERT_EQ(listener.items.size(), 1u);
    EXPECT_EQ(listener.items[0], added);
    added->SetStyle(ebsEllipsisEh);  // unchanged: no notification
    EXPECT_EQ(listener.items.size(), 1u);

    TEditButtonEh copy(nullptr, false);
    copy.Assign(added);
    EXPECT_EQ(copy.Style(), ebsEllipsisEh);
    EXPECT_TRUE(copy.Visible());
    EXPECT_EQ(EditButtonDrawKind(ebsPlusEh), bdkPlus);
    EXPECT_EQ(EditButtonDrawKind(ebsUpDownEh), bdkUpDown);
}

TEST(GridTools, SpecialRowCellsAreParsed) {
    struct Row {
        const char* name;
        const char* text;
        std::vector<String> cells;
    };
    const Row rows[] = {
        {"empty", "", {}},
        {"one", "one", {"one"}},
        {"two", "one;two", {"one", "two"}},
        {"quoted separator", "\"a;b\";c", {"a;b", "c"}},
        {"doubled quotes", "\"say \"\"hi\"\"\";x", {"say \"hi\"", "x"}},
        {"control characters", "\r\n a;\r\nb", {" a", "b"}},
        {"empty cell", "a;;b", {"a", "", "b"}},
        {"line break ends a cell", "a\r\nb", {"a", "b"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ParseSpecRowCells(row.text), row.cells);
    }
}

// Joined cells parse back to the same cells, whatever they hold.
TEST(GridTools, SpecialRowCellsJoinIntoTextThatParsesBack) {
    struct Row {
        const char* name;
        std::vector<String> cells;
        const char* text;
    };
    const Row rows[] = {
        {"plain", {"one", "two"}, "one;two"},
        {"separator inside", {"a;b", "c"}, "\"a;b\";c"},
        {"quotes inside", {"say \"hi\"", "x"}, "\"say \"\"hi\"\"\";x"},
        {"line break inside", {"a\r\nb", "c"}, "\"a\r\nb\";c"},
        {"empty middle cell", {"a", "", "b"}, "a;;b"},
        {"leading blank kept", {" a", "b"}, " a;b"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(JoinSpecRowCells(row.cells), row.text);
        EXPECT_EQ(ParseSpecRowCells(JoinSpecRowCells(row.cells)), row.cells);
    }
}

TEST(GridTools, SpecialRowFollowsItsOwnerAndReportsOncePerUpdate) {
    GridDb db;
    TColumnEh* column = db.grid->Core()->Columns()->Add();
    TSpecRowEh* row = column->DropDownSpecRow();
    column->SetColor(clYellow);
    EXPECT_EQ(row->Color(), clYellow);
    column->Font()->SetName("Courier New");
    EXPECT_EQ(row->Font()->Name(), "Courier New");
    EXPECT_FALSE(row->FontAssigned());
    row->SetColor(clRed);
    EXPECT_EQ(row->Color(), clRed);

    int changes = 0;
    struct Counter {
        int* n;
        void Changed(TObject*) { ++*n; }
    } counter{&changes};
    TSpecRowEh own(nullptr);
    own.OnChanged = Event<&Counter::Changed>(&counter);
    own.BeginUpdate();
    own.SetCellsText("(none);-");
    own.SetVisible(true);
    own.SetValue(Variant(5));
    EXPECT_EQ(changes, 0);
    own.EndUpdate();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(own.ReadCellText(1), "-");
    EXPECT_EQ(own.ReadCellText(2), "");
    EXPECT_EQ(own.ShortCut(), kShortCutAltDel);
    EXPECT_TRUE(own.ShowIfNotInKeyList());
}

TEST(GridTools, RecentlyUsedListMovesLimitsAndFilters) {
    TMRUListEh mru(nullptr);
    mru.SetLimit(3);
    for (const char* text : {"Alpha", "Beta", "Gamma"}) mru.Add(text);
    mru.Add("   ");  // blank: ignored
    mru.Add("alpha");  // case-insensitive: moved to the end
    EXPECT_EQ(mru.Items()->Text(), "Beta\r\nGamma\r\nAlpha\r\n");
    mru.SetCaseSensitive(true);
    mru.Add("beta");  // a second entry; the oldest goes
    EXPECT_EQ(mru.Items()->Text(), "Gamma\r\nAlpha\r\nbeta\r\n");
    mru.SetLimit(2);
    EXPECT_EQ(mru.Items()->Text(), "Alpha\r\nbeta\r\n");

    TStringList found;
    mru.SetCaseSensitive(false);
    EXPECT_TRUE(mru.CopyMatchingItems(&found, "AL"));
    EXPECT_EQ(found.Text(), "Alpha\r\n");

    // Every 100 items a waiting key press stops the copy.
    mru.SetLimit(1000);
    for (int i = 0; i < 250; ++i) mru.Add("item" + std::to_string(i));
    int asked = 0;
    mru.KeyPending = [&] { return ++asked == 2; };
    EXPECT_FALSE(mru.CopyMatchingItems(&found, "item"));
    EXPECT_EQ(found.Count(), 198);  // items 0..199 seen, "Alpha" and "beta" do not match
    mru.SetCancelIfKeyInQueue(false);
    EXPECT_TRUE(mru.CopyMatchingItems(&found, "item"));
    EXPECT_EQ(found.Count(), 250);
}

TEST(GridTools, FieldValueListIsSortedDistinctAndKeepsTheCurrentRow) {
    GridDb db;
    TDatasetFieldValueListEh values;
    values.SetDataSet(db.query);
    values.SetFieldName("flag");
    db.GoTo(5);
    EXPECT_EQ(values.Values()->Text(), "\r\nFalse\r\nTrue\r\n");
    EXPECT_EQ(db.query->FieldByName("id")->AsInteger(), 5);
    EXPECT_FALSE(values.DataObsolete());
    db.query->Edit();
    db.query->FieldByName("flag")->Clear();
    db.query->Post();
    EXPECT_TRUE(values.DataObsolete());
    values.SetFieldName("status");
    EXPECT_EQ(values.GetValues()->Count(), 7);  // "", 1, 2, 3, 9, N, y/Y (case-insensitive)
}

TEST(GridTools, ListBoxRowsAndTypedSearch) {
    EXPECT_EQ(ListBoxRowsForHeight(50, 4, 16), 2);
    EXPECT_EQ(ListBoxHeightForRows(ListBoxRowsForHeight(50, 4, 16), 4, 16), 36);
    EXPECT_EQ(ListBoxRowsForHeight(10, 4, 16), 1);
    EXPECT_EQ(ListBoxHeightForRows(0, 4, 16), 20);

    TStringList items;
    for (const char* item : {"apple", "Banana", "bandana", "cherry"}) items.Add(item);
    TIncrementalSearchEh search;
    struct Step {
        char32_t ch;
        std::uint32_t tick;
        const char* text;
        int found;
    };
    const Step steps[] = {
        {'b', 1000, "b", 1}, {'a', 1500, "ba", 1}, {'n', 1900, "ban", 1}, {'d', 2100, "band", 2},
        {'c', 4200, "c", 3},  // more than 2 s later: a new search
        {8, 4300, "", -1},    // Backspace clears
        {U'苹', 4400, "苹", -1},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.text);
        search.KeyTyped(step.ch, step.tick);
        EXPECT_EQ(search.Text(), step.text);
        EXPECT_EQ(FindItemStartingWith(&items, search.Text()), step.found);
    }
    search.Clear();
    for (int i = 0; i < 40; ++i) search.KeyTyped('x', 5000 + static_cast<std::uint32_t>(i));
    EXPECT_EQ(search.Text().size(), 32u);
}

TEST(GridTools, CheckBoxIsPlacedInItsCell) {
    const TSize check{13, 13};
    struct Row {
        const char* name;
        TRect cell;
        TAlignment alignment;
        TTextLayout layout;
        TRect expected;
    };
    const Row rows[] = {
        {"left top", {0, 0, 50, 20}, taLeftJustify, tlTop, {0, 0, 13, 13}},
        {"right bottom", {0, 0, 50, 20}, taRightJustify, tlBottom, {37, 7, 50, 20}},
        {"centre", {10, 10, 60, 30}, taCenter, tlCenter, {29, 14, 42, 27}},
        {"cell smaller than the box", {0, 0, 10, 8}, taCenter, tlCenter, {0, 0, 10, 8}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(FitCheckBoxInCell(row.cell, check, row.alignment, row.layout), row.expected);
    }
    EXPECT_EQ(StandardEditButtonHeight(15, true), 22);  // 22.5, half to even
    EXPECT_EQ(StandardEditButtonHeight(17, true), 26);
    EXPECT_EQ(StandardEditButtonHeight(17, false), 17);
}

TEST(GridTools, VariantsEqualNeverRaises) {
    struct Row {
        const char* name;
        Variant a, b;
        bool equal;
    };
    const Row rows[] = {
        {"equal numbers", Variant(1), Variant(1.0), true},
        {"different numbers", Variant(1), Variant(2), false},
        {"both empty", Variant(), Variant(), true},
        {"null and null", Null(), Null(), true},
        {"null and empty", Null(), Variant(), false},
        {"null and value", Null(), Variant(0), false},
        {"text against a number that raises", Variant("abc"), Variant(1), false},
        {"text that reads as the number", Variant("1"), Variant(1), true},
        {"equal arrays", VarArrayOf({Variant(1), Variant("x")}), VarArrayOf({Variant(1), Variant("x")}), true},
        {"different arrays", VarArrayOf({Variant(1), Variant(2)}), VarArrayOf({Variant(1), Variant(3)}), false},
        {"array and scalar", VarArrayOf({Variant(1)}), Variant(1), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(VariantsEqual(row.a, row.b), row.equal);
        EXPECT_EQ(VariantsEqual(row.b, row.a), row.equal);
    }
}

TEST(GridTools, FieldListsNameTheMissingFieldAndTakeValues) {
    GridDb db;
    db.query->SetName("Qry_Items");
    try {
        GetFieldsProperty(db.query, db.query, "code;nosuch");
        FAIL();
    } catch (const EDatabaseError& e) {
        EXPECT_NE(String(e.what()).find("Field 'nosuch' not found"), String::npos) << e.what();
    }
    const auto fields = GetFieldsProperty(db.query, db.query, "code; name");
    ASSERT_EQ(fields.size(), 2u);
    db.GoTo(1);
    EXPECT_TRUE(VariantsEqual(GetFieldsValue(fields), VarArrayOf({Variant(1), Variant("alpha")})));
    db.query->Edit();
    SetFieldsValue(fields, VarArrayOf({Variant(11), Variant("ALPHA")}));
    EXPECT_EQ(db.query->FieldByName("name")->AsString(), "ALPHA");
    SetFieldsValue(fields, Null());
    EXPECT_TRUE(db.query->FieldByName("code")->IsNull());
    EXPECT_TRUE(db.query->FieldByName("name")->IsNull());
    db.query->Cancel();
}

class TInterceptorA : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TInterceptorA, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};
class TInterceptorB : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TInterceptorB, TStoragePropertyInterceptor)
public:
    using TStoragePropertyInterceptor::TStoragePropertyInterceptor;
};

TEST(GridHelpers, InterceptorRegistryReplacesAndRemoves) {
    PropFilerEhInitialization();
    const TClass target = TDataSource::StaticClass();
    AddReadPropertyInterceptor(target, TStoragePropertyInterceptorClass::Of<TInterceptorA>());
    AddReadPropertyInterceptor(target, TStoragePropertyInterceptorClass::Of<TInterceptorB>());
    EXPECT_EQ(FindReadPropertyInterceptor(target).Class, TInterceptorB::StaticClass());
    int pairs = 0;
    for (const auto& pair : ReadPropertyInterceptors())
        if (pair.first == target) ++pairs;
    EXPECT_EQ(pairs, 1);
    RemoveReadPropertyInterceptor(target, TStoragePropertyInterceptorClass::Of<TInterceptorA>());  // no match
    EXPECT_EQ(FindReadPropertyInterceptor(target).Class, TInterceptorB::StaticClass());
    RemoveReadPropertyInterceptor(target, TStoragePropertyInterceptorClass::Of<TInterceptorB>());
    EXPECT_EQ(FindReadPropertyInterceptor(target).Class, nullptr);

    auto made = std::unique_ptr<TStoragePropertyInterceptor>(
        TStoragePropertyInterceptorClass::Of<TInterceptorA>().Create(nullptr));
    EXPECT_TRUE(made->WantsIntercept());
    PropFilerEhFinalization();
}

}  // namespace
