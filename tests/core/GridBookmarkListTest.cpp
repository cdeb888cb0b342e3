// The selected-row bookmark list against a real data set: order, duplicates, search, closing,
// deleting, re-sorting and rows deleted by other means.
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

class GridBookmarkListTest : public ::testing::Test {
protected:
    TBookmarkListEh* List() { return db.grid->Core()->SelectedRowBookmarks(); }
    void Select(int id, bool value = true) {
        db.GoTo(id);
        List()->SetSelectedCurrentRow(value);
    }
    // The ids of the listed rows, in list order.
    std::vector<int> Ids() {
        std::vector<int> ids;
        const TBookmark saved = db.query->Bookmark();
        for (int i = 0; i < List()->Count(); ++i) {
            db.query->GotoBookmark(List()->Items(i));
            ids.push_back(db.query->FieldByName("id")->AsInteger());
        }
        db.query->GotoBookmark(saved);
        return ids;
    }
    GridDb db;
};

TEST_F(GridBookmarkListTest, RowsAreKeptInDataSetOrderWithoutDuplicates) {
    Select(5);
    Select(2);
    Select(9);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 5, 9}));
    db.GoTo(2);
    EXPECT_EQ(List()->Items(0), db.query->Bookmark());
    const int reports = db.grid->selectionReports;
    Select(5);  // twice: once
    Select(3, false);  // not selected: no change, no report
    EXPECT_EQ(Ids(), (std::vector<int>{2, 5, 9}));
    EXPECT_EQ(db.grid->selectionReports, reports);
    Select(5, false);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 9}));
    EXPECT_EQ(db.grid->selectionReports, reports + 1);
    db.GoTo(9);
    EXPECT_TRUE(List()->SelectedCurrentRow());
    db.GoTo(8);
    EXPECT_FALSE(List()->SelectedCurrentRow());
}

TEST_F(GridBookmarkListTest, FindBeyondTheLastAnswersTheEnd) {
    Select(2);
    Select(4);
    db.GoTo(8);
    const TBookmark last = db.query->Bookmark();
    int index = -1;
    EXPECT_FALSE(List()->Find(last, index));
    EXPECT_EQ(index, List()->Count());
    EXPECT_FALSE(List()->Find(last, index));  // the cache answers the same
    EXPECT_EQ(index, 2);
    EXPECT_EQ(List()->PositionOf(last), -1);
    db.GoTo(1);
    EXPECT_FALSE(List()->Find(db.query->Bookmark(), index));
    EXPECT_EQ(index, 0);
}

TEST_F(GridBookmarkListTest, ClosingTheDataSetEmptiesTheList) {
    Select(1);
    Select(3);
    db.query->Close();
    EXPECT_EQ(List()->Count(), 0);
    EXPECT_THROW(List()->SelectedCurrentRow(), EInvalidGridOperation);
    try {
        List()->SetSelectedCurrentRow(true);
        FAIL();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "Cannot perform this operation on a closed dataset");
    }
    db.query->Open();
    Select(4);
    EXPECT_EQ(Ids(), (std::vector<int>{4}));
}

TEST_F(GridBookmarkListTest, DeleteRemovesTheSelectedRowsAndEmptiesTheList) {
    Select(7);
    Select(2);
    Select(4);
    List()->Delete();
    EXPECT_EQ(List()->Count(), 0);
    EXPECT_EQ(db.query->RecordCount(), 6);
    for (int id : {2, 4, 7}) EXPECT_FALSE(db.query->Locate("id", Variant(id), 0)) << id;
    TADOQuery* check = db.session->NewQuery();
    OpenQuery(check, "select count(*) as n from items");
    EXPECT_EQ(check->FieldByName("n")->AsInteger(), 6);
}

TEST_F(GridBookmarkListTest, ResortingTheDataSetKeepsTheListSearchable) {
    Select(1);
    Select(4);
    Select(8);
    db.query->SetSort("name DESC");  // hotel, ..., delta, ..., alpha
    EXPECT_EQ(Ids(), (std::vector<int>{8, 4, 1}));
    for (int id : {1, 4, 8}) {
        SCOPED_TRACE(id);
        db.GoTo(id);
        EXPECT_TRUE(List()->SelectedCurrentRow());
    }
    Select(6);  // foxtrot goes between hotel and delta
    EXPECT_EQ(Ids(), (std::vector<int>{8, 6, 4, 1}));
    Select(4);  // still no duplicate
    EXPECT_EQ(List()->Count(), 4);
}

TEST_F(GridBookmarkListTest, RowsDeletedByOtherMeansAreHarmless) {
    Select(2);
    Select(3);
    Select(5);
    db.GoTo(3);
    db.query->Delete();  // as the application deletes: through the data set
    EXPECT_EQ(List()->Count(), 3);
    db.GoTo(5);
    EXPECT_TRUE(List()->SelectedCurrentRow());
    Select(4);
    EXPECT_EQ(List()->Count(), 4);
    List()->Delete();  // the stale entry is only dropped
    EXPECT_EQ(List()->Count(), 0);
    EXPECT_EQ(db.query->RecordCount(), 5);
}

TEST_F(GridBookmarkListTest, SelectionRectCoversTheShownSelectedRows) {
    db.grid->Core()->DataLink()->SetBufferCount(4);
    db.query->First();  // window: rows 1..4
    EXPECT_EQ(List()->SelectionRect(), (TRect{-1, -1, -1, -1}));
    Select(2);
    Select(3);
    Select(7);  // outside the window (moving there scrolls it)
    db.query->First();
    const int active = db.grid->Core()->DataLink()->ActiveRecord();
    const TRect r = List()->SelectionRect();
    EXPECT_EQ(r.Left, 0);
    EXPECT_EQ(r.Top, 1 + db.grid->TitleOffset());
    EXPECT_EQ(r.Bottom, 2 + db.grid->TitleOffset());
    EXPECT_EQ(r.Right, db.grid->GridColCount() - 1);
    EXPECT_EQ(db.grid->Core()->DataLink()->ActiveRecord(), active);
}

}  // namespace
