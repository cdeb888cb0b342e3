// Data-set actions through the focused data grid: each action without a handler of its own runs on
// the grid's data set (its data link takes it before the grid's edit actions), is enabled only when
// the data set can do it, and an action bound to another data source works on that source alone.
#include "DBActns.h"
#include "DBGridEhTestSupport.h"

#include <functional>

using namespace gridwin;

namespace {

class DBActns : public ::testing::Test {
public:  // the cases of a table reach the fixture through a reference
    template <class A>
    A* MakeAction() {
        return New<A>(g.form.get());
    }
    bool EnabledAfterUpdate(TDataSetAction* action) {
        action->SetEnabled(true);
        action->Update();
        return action->Enabled();
    }
    String Name(int id) {
        const Variant v = g.query->Lookup("id", Variant(id), "name");
        return v.IsNull() ? String("<none>") : v.AsString();
    }

    GridOnForm g{20};
};

TEST_F(DBActns, EachActionRunsOnTheFocusedGridsDataSet) {
    struct TCase {
        const char* name;
        std::function<TDataSetAction*(DBActns&)> make;
        std::function<void(GridOnForm&)> before;
        int id;               // the current record afterwards (-1: not asked)
        TDataSetState state;  // the data set's state afterwards
        int count;            // its record count afterwards (-1: not asked); the cases run in turn
    };
    auto at = [](int id) { return [id](GridOnForm& g) { g.query->Locate("id", Variant(id), {}); }; };
    auto editing = [](int id, const char* name) {
        return [id, name](GridOnForm& g) {
            g.query->Locate("id", Variant(id), {});
            g.query->Edit();
            g.query->FieldByName("name")->SetAsString(name);
        };
    };
    const TCase cases[] = {
        {"next", [](DBActns& t) { return t.MakeAction<TDataSetNext>(); }, at(5), 6, dsBrowse, 20},
        {"prior", [](DBActns& t) { return t.MakeAction<TDataSetPrior>(); }, at(5), 4, dsBrowse, 20},
        {"first", [](DBActns& t) { return t.MakeAction<TDataSetFirst>(); }, at(5), 1, dsBrowse, 20},
        {"last", [](DBActns& t) { return t.MakeAction<TDataSetLast>(); }, at(5), 20, dsBrowse, 20},
        {"edit", [](DBActns& t) { return t.MakeAction<TDataSetEdit>(); }, at(5), 5, dsEdit, 20},
        {"insert", [](DBActns& t) { return t.MakeAction<TDataSetInsert>(); }, at(5), 0, dsInsert, -1},
        {"delete", [](DBActns& t) { return t.MakeAction<TDataSetDelete>(); }, at(5), 6, dsBrowse, 19},
        {"post", [](DBActns& t) { return t.MakeAction<TDataSetPost>(); }, editing(7, "Posted"), 7, dsBrowse, 19},
        {"cancel", [](DBActns& t) { return t.MakeAction<TDataSetCancel>(); }, editing(8, "Dropped"), 8, dsBrowse, 19},
        {"refresh", [](DBActns& t) { return t.MakeAction<TDataSetRefresh>(); }, at(9), -1, dsBrowse, 19},
    };
    g.Show();
    ASSERT_TRUE(g.grid->Focused());
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.name);
        if (g.query->State() != dsBrowse) g.query->Cancel();
        c.before(g);
        TDataSetAction* action = c.make(*this);
        EXPECT_TRUE(action->Execute());
        EXPECT_EQ(g.query->State(), c.state);
        if (c.count >= 0) EXPECT_EQ(g.query->RecordCount(), c.count);
        if (c.state == dsBrowse && c.id >= 0) EXPECT_EQ(g.CurrentId(), c.id);
        action->Free();
    }
    g.query->Cancel();
    EXPECT_EQ(Name(7), "Posted");
    EXPECT_EQ(Name(8), "P8");
    EXPECT_EQ(Name(5), "<none>");  // deleted
}

TEST_F(DBActns, AnActionIsEnabledOnlyWhenTheDataSetCanDoIt) {
    g.Show();
    auto* first = MakeAction<TDataSetFirst>();
    auto* prior = MakeAction<TDataSetPrior>();
    auto* next = MakeAction<TDataSetNext>();
    auto* last = MakeAction<TDataSetLast>();
    auto* edit = MakeAction<TDataSetEdit>();
    auto* remove = MakeAction<TDataSetDelete>();
    auto* post = MakeAction<TDataSetPost>();
    auto* cancel = MakeAction<TDataSetCancel>();
    auto states = [&] {
        String s;
        for (TDataSetAction* a : std::initializer_list<TDataSetAction*>{first, prior, next, last, edit, remove, post, cancel})
            s += EnabledAfterUpdate(a) ? "1" : "0";
        return s;
    };
    g.query->First();
    EXPECT_EQ(states(), "00111100");
    g.query->Last();
    EXPECT_EQ(states(), "11001100");
    g.query->Edit();
    EXPECT_EQ(states(), "11000011");
    g.query->Cancel();
    // A disabled action does not run.
    g.query->Last();
    EXPECT_FALSE(next->Execute());
    EXPECT_EQ(g.CurrentId(), 20);
    // Closed: nothing is enabled.
    g.query->Close();
    EXPECT_EQ(states(), "00000000");
    EXPECT_FALSE(first->Execute());
}

TEST_F(DBActns, TheGridsLinkTakesDataSetActionsBeforeItsEditActions) {
    g.Show();
    TADOQuery* other = g.session->NewQuery();
    OpenQuery(other, "select * from people where id > 10 order by id");
    auto* otherSource = New<TDataSource>(g.form.get());
    otherSource->SetDataSet(other);
    // Bound to another source: the grid's link leaves it, and it runs on its own source.
    auto* next = MakeAction<TDataSetNext>();
    next->SetDataSource(otherSource);
    g.query->Locate("id", Variant(3), {});
    EXPECT_FALSE(g.grid->ExecuteAction(next));
    EXPECT_TRUE(next->Execute());
    EXPECT_EQ(other->FieldByName("id")->AsInteger(), 12);
    EXPECT_EQ(g.CurrentId(), 3);
    // Bound to the grid's source, or to none: the link runs it, also when the grid has no focus.
    next->SetDataSource(g.source);
    EXPECT_TRUE(g.grid->ExecuteAction(next));
    EXPECT_EQ(g.CurrentId(), 4);
    auto* unbound = MakeAction<TDataSetNext>();
    ::SetFocus(nullptr);
    EXPECT_FALSE(g.grid->Focused());
    EXPECT_TRUE(g.grid->ExecuteAction(unbound));
    EXPECT_EQ(g.CurrentId(), 5);
    EXPECT_TRUE(g.grid->UpdateAction(unbound));
    EXPECT_TRUE(unbound->Enabled());
    // An edit action is not the link's: without the focus the grid does not take it either.
    auto* copy = MakeAction<TEditCopy>();
    EXPECT_FALSE(g.grid->ExecuteAction(copy));
    // A source freed before its action leaves the action unbound.
    next->SetDataSource(otherSource);
    otherSource->Free();
    EXPECT_EQ(next->DataSource(), nullptr);
}

}  // namespace
