// The grid's text search: matching rules, directions, starting points, continuing after a match,
// and the position kept when nothing is found.
#include "DBGridEhFindDlgs.h"
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

TEST(GridFind, MatchRules) {
    struct Case {
        const char* cell;
        const char* text;
        TFindMatchTypeEh match;
        bool matchCase;
        bool matches;
    } cases[] = {
        {"Hotel Alpha", "alpha", fmtAnyPartEh, false, true},
        {"Hotel Alpha", "alpha", fmtAnyPartEh, true, false},
        {"Hotel Alpha", "hotel", fmtFromBeginningEh, false, true},
        {"Hotel Alpha", "Alpha", fmtFromBeginningEh, true, false},
        {"Hotel Alpha", "hotel alpha", fmtWholeFieldEh, false, true},
        {"Hotel Alpha", "Hotel", fmtWholeFieldEh, true, false},
        {"张三丰", "三", fmtAnyPartEh, false, true},
        {"张三丰", "张三", fmtFromBeginningEh, true, true},
        {"ÄRGER", "ärger", fmtWholeFieldEh, false, true},
        {"50%", "0%", fmtAnyPartEh, false, true},       // wildcards of the matcher are plain text
        {"5000", "0%", fmtAnyPartEh, false, false},
        {"a_b", "a_b", fmtWholeFieldEh, false, true},
        {"axb", "a_b", fmtWholeFieldEh, false, false},
        {"", "x", fmtAnyPartEh, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.cell) + " / " + c.text);
        EXPECT_EQ(FindTextMatches(c.cell, c.text, c.match, c.matchCase), c.matches);
    }
}

TEST(GridFind, CtrlReversesTheDirection) {
    EXPECT_TRUE(FindSearchesBackwards(fdUpEh, false));
    EXPECT_FALSE(FindSearchesBackwards(fdUpEh, true));
    EXPECT_FALSE(FindSearchesBackwards(fdDownEh, false));
    EXPECT_TRUE(FindSearchesBackwards(fdDownEh, true));
    EXPECT_TRUE(FindSearchesBackwards(fdAllEh, true));
}

class GridFindTest : public ::testing::Test {
protected:
    // The columns searched: name, then status.
    bool Find(TFindRequestEh request, int& column) {
        const char* fields[] = {"name", "status"};
        return FindInDataSetEh(db.query, 2, [&](int i) { return db.query->FieldByName(fields[i])->AsString(); },
                               request, column);
    }
    int Id() { return db.query->FieldByName("id")->AsInteger(); }
    GridDb db;
};

TEST_F(GridFindTest, DirectionsStartsAndMatchRules) {
    // Rows (id name status): 1 alpha 1, 2 bravo 2, 3 charlie 3, 4 delta y, 5 echo Y, 6 foxtrot N,
    // 7 golf -, 8 hotel 9, 9 india -.
    struct Case {
        const char* what;
        int startId, startColumn;
        const char* text;
        TFindMatchTypeEh match;
        bool matchCase, backwards, fromFirst, stepFirst;
        bool found;
        int id, column;
    } cases[] = {
        {"current cell first", 5, 0, "o", fmtAnyPartEh, false, false, false, false, true, 5, 0},
        {"past the previous match", 5, 0, "o", fmtAnyPartEh, false, false, false, true, true, 6, 0},
        {"case: lower", 1, 0, "y", fmtAnyPartEh, true, false, false, false, true, 4, 1},
        {"case: upper", 1, 0, "Y", fmtAnyPartEh, true, false, false, false, true, 5, 1},
        {"backwards from the end", 9, 1, "y", fmtAnyPartEh, false, true, false, false, true, 5, 1},
        {"all: from the first record", 7, 1, "alpha", fmtAnyPartEh, false, false, true, false, true, 1, 0},
        {"the last record is searched", 9, 0, "india", fmtAnyPartEh, false, false, false, false, true, 9, 0},
        {"the first record is searched backwards", 1, 1, "alpha", fmtAnyPartEh, false, true, false, false, true, 1, 0},
        {"from the beginning", 1, 0, "CH", fmtFromBeginningEh, false, false, false, false, true, 3, 0},
        {"whole field", 1, 0, "a", fmtWholeFieldEh, false, false, false, false, false, 1, 0},
        {"all backwards: from the last record", 1, 0, "o", fmtAnyPartEh, false, true, true, false, true, 8, 0},
        {"nothing after the end", 9, 1, "india", fmtAnyPartEh, false, false, false, true, false, 9, 1},
        {"absent text", 4, 1, "zzz", fmtAnyPartEh, false, false, false, false, false, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db.GoTo(c.startId);
        int column = c.startColumn;
        TFindRequestEh request;
        request.Text = c.text;
        request.Match = c.match;
        request.MatchCase = c.matchCase;
        request.Backwards = c.backwards;
        request.FromFirst = c.fromFirst;
        request.StepFirst = c.stepFirst;
        EXPECT_EQ(Find(request, column), c.found);
        EXPECT_EQ(Id(), c.id);
        EXPECT_EQ(column, c.column);
        EXPECT_FALSE(db.query->ControlsDisabled());
    }
}

TEST_F(GridFindTest, FindNextWalksEveryMatchThenStops) {
    db.GoTo(1);
    int column = 0;
    TFindRequestEh request;
    request.Text = "o";
    std::vector<int> ids;
    while (Find(request, column)) {
        ids.push_back(Id());
        request.StepFirst = true;
    }
    EXPECT_EQ(ids, (std::vector<int>{2, 5, 6, 7, 8}));
    EXPECT_EQ(Id(), 8);  // the last match stays current
}

TEST_F(GridFindTest, NothingToSearchFindsNothing) {
    int column = 0;
    TFindRequestEh request;
    EXPECT_FALSE(Find(request, column));  // empty text
    request.Text = "a";
    db.query->Close();
    EXPECT_FALSE(Find(request, column));
}

}  // namespace
