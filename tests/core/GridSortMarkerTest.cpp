// Sort markers: single and multiple marking, the click cycle, sort indexes without gaps, the
// SortMarkedColumnList, the sort area of a title and when the application is told.
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

class GridSortMarkerTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterTestGridClasses();
        grid.reset(New<TTestGridEh>(nullptr));
        for (const char* name : {"A", "B", "C", "D"}) grid->Core()->Columns()->Add()->SetFieldName(name);
        grid->Core()->SetOptionsEh(grid->Core()->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
    }
    TColumnEh* Col(int i) { return grid->Core()->Columns()->ColumnAt(i); }
    // "A1+ C2-": each marked column with its index and marker, in list order.
    String ListText() {
        String text;
        TColumnsEhList* list = grid->Core()->SortMarkedColumnList();
        for (int i = 0; i < list->Count(); ++i) {
            TColumnEh* c = list->ColumnAt(i);
            if (!text.empty()) text += ' ';
            text += c->FieldName() + std::to_string(c->Title()->SortIndex()) +
                    (c->Title()->SortMarker() == smDownEh ? "+" : c->Title()->SortMarker() == smUpEh ? "-" : "?");
        }
        return text;
    }
    std::unique_ptr<TTestGridEh> grid;
};

TEST_F(GridSortMarkerTest, MultipleMarkingNumbersWithoutGaps) {
    Col(0)->Title()->SetSortMarker(smDownEh);
    Col(1)->Title()->SetSortMarker(smUpEh);
    Col(2)->Title()->SetSortMarker(smDownEh);
    EXPECT_EQ(ListText(), "A1+ B2- C3+");
    Col(1)->Title()->SetSortMarker(smNoneEh);
    EXPECT_EQ(ListText(), "A1+ C2+");
    EXPECT_EQ(Col(1)->Title()->SortIndex(), 0);
    Col(0)->Title()->SetSortMarker(smUpEh);  // a flip keeps the place
    EXPECT_EQ(ListText(), "A1- C2+");
    Col(3)->Title()->SetSortMarker(smDownEh);
    EXPECT_EQ(ListText(), "A1- C2+ D3+");
}

TEST_F(GridSortMarkerTest, SingleMarkingKeepsOneColumn) {
    grid->Core()->SetOptionsEh(grid->Core()->OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
    Col(0)->Title()->SetSortMarker(smDownEh);
    Col(1)->Title()->SetSortMarker(smDownEh);
    EXPECT_EQ(ListText(), "B1+");
    EXPECT_EQ(Col(0)->Title()->SortMarker(), smNoneEh);
    EXPECT_EQ(Col(0)->Title()->SortIndex(), 0);
    Col(1)->Title()->SetSortMarker(smNoneEh);
    EXPECT_EQ(ListText(), "");
}

TEST_F(GridSortMarkerTest, ClickCycleWithAndWithoutCtrl) {
    struct Step {
        int column;
        bool ctrl;
        const char* list;
    };
    const Step steps[] = {
        {0, false, "A1+"},        // a plain click sorts by this column
        {0, false, "A1-"},        // and flips
        {0, false, "A1+"},
        {1, true, "A1+ B2+"},     // Ctrl adds the next key
        {1, true, "A1+ B2-"},     // flips it
        {2, true, "A1+ B2- C3+"},
        {1, true, "A1+ C2+"},     // a third Ctrl+click takes it out
        {2, false, "C1-"},        // a plain click on a marked column: only it, flipped
        {2, true, ""},            // Ctrl+click on an smUpEh column: none
        {2, true, "C1+"},
        {2, true, "C1-"},
        {2, false, "C1+"},        // a plain click on an smUpEh column: ascending again
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::to_string(step.column) + (step.ctrl ? " ctrl" : ""));
        Col(step.column)->Title()->ToggleSortMarker(step.ctrl);
        EXPECT_EQ(ListText(), step.list);
    }
}

TEST_F(GridSortMarkerTest, ChangeSortIndexSwapsWithTheHolderOnly) {
    Col(0)->Title()->SetSortMarker(smDownEh);
    Col(1)->Title()->SetSortMarker(smDownEh);
    Col(0)->Title()->SetSortIndex(2);
    EXPECT_EQ(ListText(), "B1+ A2+");
    Col(0)->Title()->SetSortIndex(5);  // nobody holds 5
    EXPECT_EQ(ListText(), "B1+ A2+");
    Col(2)->Title()->SetSortIndex(1);  // an unmarked column does not move
    EXPECT_EQ(Col(2)->Title()->SortIndex(), 0);
    EXPECT_EQ(ListText(), "B1+ A2+");
}

TEST_F(GridSortMarkerTest, RemovedColumnLeavesNoGap) {
    Col(0)->Title()->SetSortMarker(smDownEh);
    Col(1)->Title()->SetSortMarker(smDownEh);
    Col(2)->Title()->SetSortMarker(smDownEh);
    grid->Core()->Columns()->Delete(1);  // B
    EXPECT_EQ(ListText(), "A1+ C2+");
    Col(2)->Title()->SetSortMarker(smUpEh);  // D joins as 3, not as a second 3
    EXPECT_EQ(ListText(), "A1+ C2+ D3-");
}

TEST_F(GridSortMarkerTest, RebuildAfterLoadingCompactsTheIndexes) {
    grid->Core()->Columns()->BeginUpdate();  // as while a form is read: stored as they are
    Col(3)->Title()->SetSortMarker(smDownEh);
    Col(3)->Title()->SetSortIndex(7);
    Col(1)->Title()->SetSortMarker(smUpEh);
    Col(1)->Title()->SetSortIndex(3);
    grid->Core()->Columns()->EndUpdate();
    EXPECT_EQ(grid->Core()->SortMarkedColumnList()->Count(), 0);
    grid->Core()->RebuildSortMarkedColumnList();
    EXPECT_EQ(ListText(), "B1- D2+");
    for (int i = 0; i < grid->Core()->SortMarkedColumnList()->Count(); ++i)
        EXPECT_NE(grid->Core()->SortMarkedColumnList()->ColumnAt(i), nullptr);
}

TEST_F(GridSortMarkerTest, SwitchingMultipleMarkingOffKeepsTheFirstKey) {
    Col(2)->Title()->SetSortMarker(smUpEh);
    Col(0)->Title()->SetSortMarker(smDownEh);
    Col(1)->Title()->SetSortMarker(smDownEh);
    grid->Core()->SetOptionsEh(grid->Core()->OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
    EXPECT_EQ(ListText(), "C1-");
    EXPECT_EQ(Col(0)->Title()->SortMarker(), smNoneEh);
}

TEST_F(GridSortMarkerTest, SortAreaShrinksWithTheColumn) {
    struct Row {
        int width;
        int area;
    };
    Col(0)->Title()->SetSortMarker(smDownEh);
    for (const Row row : {Row{60, 16}, Row{15, 2}, Row{5, 0}}) {
        SCOPED_TRACE(row.width);
        EXPECT_EQ(Col(0)->Title()->SortAreaWidth(row.width, 6), row.area);
    }
    EXPECT_EQ(Col(1)->Title()->SortAreaWidth(60, 6), 0);
    Col(1)->Title()->SetSortMarker(smDownEh);  // two keys: digits too
    EXPECT_EQ(Col(1)->Title()->SortAreaWidth(60, 6), 22);
    EXPECT_EQ(Col(1)->Title()->SortAreaWidth(20, 6), 8);
}

TEST_F(GridSortMarkerTest, ApplicationIsToldAtOnceOrOnceCtrlIsReleased) {
    int told = 0;
    struct Handler {
        int* count;
        void Changed(TObject*) { ++*count; }
    } handler{&told};
    grid->OnSortMarkingChanged = Event<&Handler::Changed>(&handler);

    grid->Core()->SortTitleClicked(Col(0), false);
    EXPECT_EQ(told, 1);
    grid->Core()->SortTitleClicked(Col(1), true);
    grid->Core()->SortTitleClicked(Col(2), true);
    grid->Core()->SortTitleClicked(Col(3), true);
    EXPECT_EQ(told, 1);
    EXPECT_TRUE(grid->Core()->CtrlSortPending());
    grid->Core()->SortCtrlKeyReleased();
    EXPECT_EQ(told, 2);
    grid->Core()->SortCtrlKeyReleased();  // nothing pending
    EXPECT_EQ(told, 2);
    EXPECT_EQ(ListText(), "A1+ B2+ C3+ D4+");
    grid->Core()->SortTitleClicked(Col(1), true);
    grid->Core()->SortFocusLost();
    EXPECT_EQ(told, 3);

    // Without automatic marking nothing is told and nothing is marked.
    grid->Core()->SetOptionsEh(grid->Core()->OptionsEh() - TDBGridEhOptions{dghAutoSortMarking});
    grid->Core()->SortTitleClicked(Col(0), false);
    EXPECT_EQ(told, 3);
}

TEST_F(GridSortMarkerTest, WithoutAHandlerTheDataServiceSorts) {
    struct Sorter {
        int calls = 0;
        void Apply(TObject*, TDBGridEhCore*) { ++calls; }
    } sorter;
    TDBGridEhDataService service;
    service.ApplySortingEvent = Event<&Sorter::Apply>(&sorter);
    SetDBGridEhDataService(&service);
    grid->Core()->SortTitleClicked(Col(0), false);
    SetDBGridEhDataService(nullptr);
    EXPECT_EQ(sorter.calls, 1);
}

}  // namespace
