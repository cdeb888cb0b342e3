// Report data sets walking a real data set over their ranges, their references and their
// streaming from a form description.
#include "DbTestSupport.h"
#include "FR_DBSet.h"
#include "FormReader.h"
#include "Lists.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

using namespace dbtest;

class TReportTestRoot : public TComponent {
    VESTREL_CLASS(TReportTestRoot, TComponent)
public:
    using TComponent::TComponent;
};

// Counts the events of a report data set.
struct EventLog {
    int First = 0, Next = 0, Prior = 0, Open = 0, Close = 0;
    void OnFirst(TObject*) { ++First; }
    void OnNext(TObject*) { ++Next; }
    void OnPrior(TObject*) { ++Prior; }
    void OnOpen(TObject*) { ++Open; }
    void OnClose(TObject*) { ++Close; }
};

class ReportDataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterDataClasses();
        RegisterReportDataSetClasses();
        const String path = folder.File("r.mdb");
        BuildDatabase(path, {{"r.sql", "CREATE TABLE r (id INTEGER); INSERT INTO r VALUES (1), (2), (3), (4), (5);"}});
        session = std::make_unique<Session>(path);
        root = New<TReportTestRoot>(nullptr);
        query = New<TADOQuery>(root);
        query->SetName("Qry");
        query->SetConnection(session->connection);
        query->SQL()->SetText("select * from r order by id");
        report = New<TfrDBDataSet>(root);
        report->SetName("frDS");
        report->SetDataSet(query);
        report->OnFirst = Event<&EventLog::OnFirst>(&log);
        report->OnNext = Event<&EventLog::OnNext>(&log);
        report->OnOpen = Event<&EventLog::OnOpen>(&log);
        report->OnClose = Event<&EventLog::OnClose>(&log);
    }
    void TearDown() override { root->Free(); }

    int Current() const { return query->FieldByName("id")->AsInteger(); }

    // The ids a whole walk visits.
    std::vector<int> Walk() {
        std::vector<int> ids;
        report->OpenRange();
        report->GoFirst();
        while (!report->AtEnd()) {
            ids.push_back(Current());
            report->GoNext();
            if (ids.size() > 10) break;
        }
        report->CloseRange();
        return ids;
    }

    void MoveTo(int id) {
        query->Open();
        query->First();
        while (Current() != id) query->Next();
    }

    TempFolder folder;
    std::unique_ptr<Session> session;
    TReportTestRoot* root = nullptr;
    TADOQuery* query = nullptr;
    TfrDBDataSet* report = nullptr;
    EventLog log;
};

TEST_F(ReportDataSetTest, RangesTable) {
    struct Case {
        TRangeBegin Begin;
        TRangeEnd End;
        int Count;
        int CurrentAtOpen;
        std::vector<int> Visited;
        int CurrentAfter;
        int NextEvents;
    };
    const Case cases[] = {
        {rbFirst, reLast, 0, 3, {1, 2, 3, 4, 5}, 5, 5},
        {rbCurrent, reLast, 0, 3, {3, 4, 5}, 3, 3},
        {rbCurrent, reCurrent, 0, 3, {3}, 3, 0},
        {rbFirst, reCurrent, 0, 3, {1, 2, 3}, 3, 2},
        {rbFirst, reCount, 3, 4, {1, 2, 3}, 4, 2},
        {rbCurrent, reCount, 2, 2, {2, 3}, 2, 1},
        {rbFirst, reCount, 0, 1, {}, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Begin << "/" << c.End << "/" << c.Count);
        MoveTo(c.CurrentAtOpen);
        log = EventLog();
        report->SetRangeBegin(c.Begin);
        report->SetRangeEnd(c.End);
        report->SetRangeEndCount(c.Count);
        EXPECT_EQ(Walk(), c.Visited);
        EXPECT_EQ(Current(), c.CurrentAfter);
        EXPECT_EQ(log.Next, c.NextEvents);
        EXPECT_EQ(log.First, 1);
        EXPECT_EQ(log.Open, 1);
        EXPECT_EQ(log.Close, 1);
        EXPECT_TRUE(query->Active()) << "CloseDataSource is False by default";
    }
}

TEST_F(ReportDataSetTest, OpensAndClosesTheSourceWhenAsked) {
    EXPECT_FALSE(query->Active());
    EXPECT_EQ(Walk(), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_TRUE(query->Active());

    report->SetCloseDataSource(true);
    Walk();
    EXPECT_FALSE(query->Active());

    report->SetOpenDataSource(false);
    EXPECT_THROW(
        {
            report->OpenRange();
            report->GoFirst();
        },
        EDatabaseError);  // a closed data set cannot be walked
}

TEST_F(ReportDataSetTest, DataSetAndDataSourceExcludeEachOther) {
    TDataSource* source = New<TDataSource>(root);
    source->SetDataSet(query);
    report->SetDataSource(source);
    EXPECT_EQ(report->DataSet(), nullptr);
    EXPECT_EQ(report->SourceDataSet(), query);
    EXPECT_EQ(Walk().size(), 5u);
    report->SetDataSet(query);
    EXPECT_EQ(report->DataSource(), nullptr);
    report->SetDataSource(nullptr);
    EXPECT_EQ(report->DataSet(), query) << "a nil data source leaves the data set";

    // Freeing a component of the same owner clears the reference.
    query->Free();
    query = nullptr;
    EXPECT_EQ(report->DataSet(), nullptr);
    try {
        report->OpenRange();
        ADD_FAILURE();
    } catch (const EDSError& e) {
        EXPECT_EQ(e.Message, "Unable to open dataset frDS");
    }
}

TEST_F(ReportDataSetTest, PriorStepsBackAndTheGeneralDataSetCountsOnly) {
    report->OpenRange();
    report->GoFirst();
    report->GoNext();
    report->GoNext();
    EXPECT_EQ(Current(), 3);
    report->GoPrior();
    EXPECT_EQ(Current(), 2);
    EXPECT_EQ(report->RecNo(), 1);
    report->CloseRange();

    TfrDataset* plain = New<TfrDataset>(root);
    plain->SetRangeEnd(reCount);
    plain->SetRangeEndCount(2);
    EventLog plainLog;
    plain->OnNext = Event<&EventLog::OnNext>(&plainLog);
    plain->OnPrior = Event<&EventLog::OnPrior>(&plainLog);
    plain->OpenRange();
    plain->GoFirst();
    EXPECT_FALSE(plain->AtEnd());
    plain->GoNext();
    plain->GoNext();
    EXPECT_TRUE(plain->AtEnd());
    EXPECT_EQ(plainLog.Next, 1);
    plain->GoPrior();
    EXPECT_EQ(plainLog.Prior, 1);
    EXPECT_FALSE(plain->AtEnd());
    struct EndAlways {
        void Check(TObject*, bool& eof) { eof = true; }
    } endAlways;
    plain->OnCheckEOF = Event<&EndAlways::Check>(&endAlways);
    EXPECT_TRUE(plain->AtEnd());
}

TEST_F(ReportDataSetTest, StreamsInBoundToItsQueryWithoutOpeningIt) {
    RegisterComponentClass<TReportTestRoot>();
    TReportTestRoot* module = New<TReportTestRoot>(nullptr);
    ReadForm(module,
             "object Dm: TReportTestRoot\n"
             "  object Qry_Contact: TADOQuery\n"
             "    SQL = (\n      'select * from contact')\n"
             "  end\n"
             "  object frDS_Contact: TfrDBDataSet\n"
             "    DataSet = Qry_Contact\n"
             "    RangeEnd = reCount\n"
             "    RangeEndCount = 3\n"
             "    CloseDataSource = True\n"
             "  end\n"
             "end\n",
             "Dm.txt");
    auto* contact = dynamic_cast<TfrDBDataSet*>(module->FindComponent("frDS_Contact"));
    auto* contactQuery = dynamic_cast<TADOQuery*>(module->FindComponent("Qry_Contact"));
    ASSERT_NE(contact, nullptr);
    EXPECT_EQ(contact->DataSet(), contactQuery);
    EXPECT_EQ(contact->RangeEnd(), reCount);
    EXPECT_EQ(contact->RangeEndCount(), 3);
    EXPECT_EQ(contact->RangeBegin(), rbFirst);
    EXPECT_TRUE(contact->OpenDataSource());
    EXPECT_TRUE(contact->CloseDataSource());
    EXPECT_FALSE(contactQuery->Active());
    module->Free();
}

TEST_F(ReportDataSetTest, HelpersCompareBookmarksAndListFieldNames) {
    MoveTo(2);
    const TBookmark two = frGetBookmark(query);
    query->Next();
    EXPECT_FALSE(frIsBookmarksEqual(query, two, frGetBookmark(query)));
    frGotoBookmark(query, two);
    EXPECT_EQ(Current(), 2);
    EXPECT_TRUE(frIsBookmarksEqual(query, two, frGetBookmark(query)));
    TStringList names;
    frGetFieldNames(query, &names);
    EXPECT_EQ(names.Text(), "id\r\n");
    frGetFieldNames(root, &names);
    EXPECT_EQ(names.Count(), 1);
}

}  // namespace
