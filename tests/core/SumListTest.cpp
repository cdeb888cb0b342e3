// The aggregate engine on a real data set (SQLite through TADOQuery), and the grid's footers that
// own its items.
#include "DBSumList.h"
#include "DbTestSupport.h"
#include "DbUtilsEh.h"
#include "GridTestSupport.h"
#include "TypeRegistry.h"

using namespace dbtest;

namespace {

// amount: 1.5, Null, 2.25. money is text: a number, a non-number and Null.
const char* kSumScript = R"(
CREATE TABLE sales (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    amount FLOAT,
    money TEXT(20)
);
INSERT INTO sales (amount, money) VALUES (1.5, '100'), (NULL, 'abc'), (2.25, NULL);
CREATE TRIGGER keep_two BEFORE DELETE ON sales WHEN old.id = 2 BEGIN SELECT RAISE(ABORT, 'kept'); END;
)";

struct Counter {
    int changed = 0;
    int recalcs = 0;
    void Changed(TObject*) { ++changed; }
    void Recalc(TObject*) { ++recalcs; }
};

class SumListTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("sales.mdb");
        BuildDatabase(path_, {{"sales.sql", kSumScript}});
        session_ = std::make_unique<Session>(path_);
        q = session_->query;
        q->AfterPost = Event<&SumListTest::FormAfterPost>(this);
        OpenQuery(q, "select * from sales order by id");
        engine_ = std::make_unique<TDBSumListProducer>(nullptr);
        engine_->SumListChanged = Event<&Counter::Changed>(&counter_);
        engine_->OnRecalcAll = Event<&Counter::Recalc>(&counter_);
        TDBSumCollection* sums = engine_->SumCollection();
        sums->BeginUpdate();
        Add(goSum, "amount");
        Add(goAvg, "amount");
        Add(goCount, "amount");
        Add(goCount, "");
        Add(goSum, "money");
        sums->EndUpdate();
        engine_->SetDataSet(q);
    }
    void TearDown() override { engine_.reset(); }
    void Add(TGroupOperation op, const String& field) {
        TDBSum* s = engine_->SumCollection()->Add();
        s->SetGroupOperation(op);
        s->SetFieldName(field);
    }
    std::int64_t Value(TGroupOperation op, const String& field) {
        std::int64_t v = -1;
        EXPECT_TRUE(engine_->FindAggregate(op, field, v));
        return v;
    }
    struct Figures {
        std::int64_t sum, avg, countField, countAll, money;
        int avgCount;
    };
    Figures Now() {
        return Figures{Value(goSum, "amount"), Value(goAvg, "amount"), Value(goCount, "amount"),
                       Value(goCount, ""), Value(goSum, "money"),
                       engine_->SumCollection()->FindSum(goAvg, "amount")->AvgCount()};
    }
    void ExpectFigures(const Figures& want) {
        const Figures got = Now();
        EXPECT_EQ(got.sum, want.sum);
        EXPECT_EQ(got.avg, want.avg);
        EXPECT_EQ(got.countField, want.countField);
        EXPECT_EQ(got.countAll, want.countAll);
        EXPECT_EQ(got.money, want.money);
        EXPECT_EQ(got.avgCount, want.avgCount);
    }
    void GoTo(int id) { ASSERT_TRUE(q->Locate("id", Variant(id), 0)) << id; }
    void FormAfterPost(TDataSet*) { ++formPosts_; }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
    TADOQuery* q = nullptr;
    std::unique_ptr<TDBSumListProducer> engine_;
    Counter counter_;
    int formPosts_ = 0;
};

TEST_F(SumListTest, OpenWalksOnceAndLeavesTheFirstRecord) {
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
    EXPECT_EQ(q->RecNo(), 1);
    EXPECT_FALSE(q->ControlsDisabled());
    // Reopening walks again; closing clears.
    q->Close();
    ExpectFigures({0, 0, 0, 0, 0, 0});
    q->Open();
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
}

TEST_F(SumListTest, EditInsertAndDeleteKeepTheFiguresInStepWithoutAWalk) {
    const int recalcs = counter_.recalcs;
    // 2.25 -> Null; the money text 'abc' -> '7.5' on another record.
    GoTo(3);
    q->Edit();
    q->FieldByName("amount")->Clear();
    q->Post();
    ExpectFigures({15000, 15000, 10000, 30000, 1000000, 1});
    GoTo(2);
    q->Edit();
    q->FieldByName("money")->SetAsString("7.5");
    q->FieldByName("amount")->SetAsFloat(0.5);
    q->Post();
    ExpectFigures({20000, 10000, 20000, 30000, 1075000, 2});
    // A new record.
    q->Append();
    q->FieldByName("amount")->SetAsFloat(4);
    q->FieldByName("money")->SetAsString("not a number");
    q->Post();
    ExpectFigures({60000, 20000, 30000, 40000, 1075000, 3});
    // A cancelled edit changes nothing.
    GoTo(1);
    q->Edit();
    q->FieldByName("amount")->SetAsFloat(1000);
    q->Cancel();
    ExpectFigures({60000, 20000, 30000, 40000, 1075000, 3});
    // Delete the record whose amount is Null (id 3): the count with a field name stays.
    GoTo(3);
    q->Delete();
    ExpectFigures({60000, 20000, 30000, 30000, 1075000, 3});
    GoTo(1);
    q->Delete();
    ExpectFigures({45000, 22500, 20000, 20000, 75000, 2});
    EXPECT_EQ(counter_.recalcs, recalcs) << "no full walk for edits";
    EXPECT_EQ(formPosts_, 3) << "the form's own handler still runs";

    // The incremental figures equal a fresh walk.
    const Figures incremental = Now();
    engine_->RecomputeAll();
    const Figures walked = Now();
    EXPECT_EQ(incremental.sum, walked.sum);
    EXPECT_EQ(incremental.avg, walked.avg);
    EXPECT_EQ(incremental.countAll, walked.countAll);
    EXPECT_EQ(incremental.money, walked.money);
}

TEST_F(SumListTest, AFailedDeleteLeavesTheFiguresAlone) {
    GoTo(2);  // a trigger keeps this record
    EXPECT_ANY_THROW(q->Delete());
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
}

TEST_F(SumListTest, SortAndFilterChangesWalkAgain) {
    int recalcs = counter_.recalcs;
    q->SetSort("amount DESC");
    q->Next();  // the next scroll sees the new order
    EXPECT_EQ(counter_.recalcs, recalcs + 1);
    EXPECT_EQ(q->RecNo(), 1) << "the walk ends on the first record";
    recalcs = counter_.recalcs;
    q->Next();
    EXPECT_EQ(counter_.recalcs, recalcs) << "a plain scroll does not walk";

    q->Filter = "amount > 1";
    q->SetFiltered(true);
    q->Next();
    EXPECT_EQ(counter_.recalcs, recalcs + 1);
    q->Filter = "amount > 2";
    q->Next();
    EXPECT_EQ(counter_.recalcs, recalcs + 2);
    q->Filter = "amount > 2";  // unchanged while filtered
    q->Prior();
    EXPECT_EQ(counter_.recalcs, recalcs + 2);
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
}

TEST_F(SumListTest, ARecordFilterLeavesOnlyTheKeptRowsInTheFigures) {
    TColumnFilterConditionEh condition;
    condition.FieldName = "amount";
    condition.Expression.ExpressionType = botNumber;
    ParseFilterText("> 2", condition.Expression);
    q->SetRecordFilter(TColumnFiltersEh::Make(*q, {condition}));
    q->SetFiltered(true);  // scrolls to the first kept record, and the list walks again
    EXPECT_EQ(Now().sum, 22500);
    EXPECT_EQ(Now().countAll, 10000);
    q->SetFiltered(false);
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
}

TEST_F(SumListTest, AnUnknownFieldRaisesButControlsComeBackAndTheListIsReported) {
    EXPECT_ANY_THROW(Add(goSum, "no_such_field"));  // naming it recalculates, and that raises
    EXPECT_FALSE(q->ControlsDisabled());
    const int changed = counter_.changed;
    EXPECT_ANY_THROW(engine_->RecomputeAll());
    EXPECT_FALSE(q->ControlsDisabled());
    EXPECT_GT(counter_.changed, changed);
    // Edits still work once the item is gone.
    engine_->SumCollection()->Delete(engine_->SumCollection()->FindSum(goSum, "no_such_field"));
    ExpectFigures({37500, 18750, 20000, 30000, 1000000, 2});
}

TEST_F(SumListTest, InactiveOrDetachedEngineLeavesTheDataSetAlone) {
    engine_->SetActive(false);
    EXPECT_FALSE(engine_->Hooked());
    ExpectFigures({0, 0, 0, 0, 0, 0});
    GoTo(1);
    q->Edit();
    q->FieldByName("amount")->SetAsFloat(10);
    q->Post();
    ExpectFigures({0, 0, 0, 0, 0, 0});
    engine_->SetActive(true);
    ExpectFigures({122500, 61250, 20000, 30000, 1000000, 2});
    engine_->SetDataSet(nullptr);
    EXPECT_FALSE(engine_->Hooked());
    EXPECT_EQ(formPosts_, 1);
}

TEST(SumAmount, ReadsNumbersAndCountsTheRestAsNull) {
    TempFolder folder;
    const String path = folder.File("a.mdb");
    BuildDatabase(path, {{"a.sql", "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT(20));"
                                   "INSERT INTO t (v) VALUES (' 12.5 '), ('1e3'), (''), ('x1'), (NULL),"
                                   "('0.00015'), ('1e300');"}});
    Session session(path);
    OpenQuery(session.query, "select v from t order by id");
    struct Case {
        bool present;
        std::int64_t raw;
    } const cases[] = {{true, 125000}, {true, 10000000}, {false, 0}, {false, 0},
                       {false, 0},     {true, 2},        {false, 0}};
    for (const Case& c : cases) {
        std::int64_t raw = -1;
        EXPECT_EQ(ReadSumAmount(session.query->FieldByName("v"), raw), c.present)
            << session.query->FieldByName("v")->AsString();
        EXPECT_EQ(raw, c.raw);
        session.query->Next();
    }
}

// The walk reads plain decimals on a short path; every text on either side of that path's limits
// must give the same figures as reading each row on its own.
TEST(SumAmount, TheWalkAgreesWithReadingEachRow) {
    TempFolder folder;
    const String path = folder.File("a.mdb");
    BuildDatabase(path, {{"a.sql", "CREATE TABLE t (id INTEGER PRIMARY KEY, v TEXT(30));"
                                   "INSERT INTO t (v) VALUES ('-123.4567'), ('99999999999999'),"
                                   "('123456789012345'), ('1.23455'), ('1.23465'), ('-0'), ('+5'),"
                                   "('5.'), ('.5'), ('0.0001'), ('12345678901.2345'), ('1,5'),"
                                   "('--1'), ('7 '), ('3.0000'), (NULL), ('x');"}});
    Session session(path);
    OpenQuery(session.query, "select v from t order by id");
    std::int64_t total = 0;
    int present = 0;
    for (session.query->First(); !session.query->Eof(); session.query->Next()) {
        std::int64_t raw = 0;
        if (ReadSumAmount(session.query->FieldByName("v"), raw)) ++present;
        total += raw;
    }
    ASSERT_EQ(present, 13);

    TDBSumListProducer engine(nullptr);
    TDBSum* sum = engine.SumCollection()->Add();
    sum->SetFieldName("v");
    TDBSum* count = engine.SumCollection()->Add();
    count->SetFieldName("v");
    count->SetGroupOperation(goCount);
    engine.SetDataSet(session.query);
    engine.RecomputeAll();
    EXPECT_EQ(sum->SumValue(), total);
    EXPECT_EQ(count->SumValue(), present * Currency::Scale);
    engine.SetDataSet(nullptr);
}

// ---- The grid's footers --------------------------------------------------------------------------

TEST(GridFooterSums, FootersOwnTheirItemsAndShowLiveSums) {
    gridtest::GridDb db;
    TDBGridEhCore* core = db.grid->Core();
    core->SetFooterRowCount(1);
    core->SumList()->SetActive(true);
    TDBGridColumnsEh* columns = core->Columns();
    columns->Clear();
    columns->Add()->SetFieldName("price");   // FLOAT, one row holds 'abc'
    columns->Add()->SetFieldName("status");  // text: '1','2','3','9' are numbers
    columns->Add()->SetFieldName("name");
    TColumnEh* price = columns->ColumnAt(0);
    TColumnEh* status = columns->ColumnAt(1);
    TColumnEh* name = columns->ColumnAt(2);
    price->Footer()->SetValueType(fvtSum);
    status->Footer()->SetValueType(fvtSum);
    name->Footer()->SetValueType(fvtCount);
    TDBSumCollection* sums = core->SumList()->SumCollection();
    EXPECT_EQ(sums->Count(), 3);
    EXPECT_EQ(core->GetFooterValueText(0, price), "143.75");
    EXPECT_EQ(core->GetFooterValueText(0, status), "15");
    EXPECT_EQ(core->GetFooterValueText(0, name), "9");

    // An edit moves the footer without a walk.
    db.GoTo(4);
    db.query->Edit();
    db.query->FieldByName("price")->SetAsFloat(21.5);
    db.query->FieldByName("status")->SetAsString("100");
    db.query->Post();
    EXPECT_EQ(core->GetFooterValueText(0, price), "145.25");
    EXPECT_EQ(core->GetFooterValueText(0, status), "115");

    // Average over the same field, then switched to static text: the item goes.
    price->Footer()->SetValueType(fvtAvg);
    EXPECT_EQ(sums->Count(), 3);
    EXPECT_NE(sums->FindSum(goAvg, "price"), nullptr);
    price->Footer()->SetValueType(fvtStaticText);
    EXPECT_EQ(sums->Count(), 2);
    // A footer of its own field name follows it.
    status->Footer()->SetFieldName("code");
    EXPECT_NE(sums->FindSum(goSum, "code"), nullptr);
    EXPECT_EQ(core->GetFooterValueText(0, status), "45");
    // Columns that go take their items with them.
    columns->Clear();
    EXPECT_EQ(sums->Count(), 0);
}


// The grid hands its engine the data set only while its link is active, so the engine never keeps a
// closed or freed data set.
TEST(GridFooterSums, TheEngineHoldsTheDataSetOnlyWhileTheLinkIsActive) {
    gridtest::GridDb db;
    TDBGridEhCore* core = db.grid->Core();
    TDBGridEhSumList* engine = core->SumList();
    engine->SetActive(true);
    EXPECT_EQ(engine->DataSet(), db.query);
    EXPECT_TRUE(engine->Hooked());

    // A grid attached to a source whose data set is closed.
    core->SetDataSource(nullptr);
    db.query->Close();
    core->SetDataSource(db.source);
    EXPECT_EQ(engine->DataSet(), nullptr);
    EXPECT_FALSE(engine->Hooked());
    db.query->Open();
    EXPECT_EQ(engine->DataSet(), db.query);
    db.query->Close();
    EXPECT_EQ(engine->DataSet(), nullptr);

    // The data set freed while open, the grid still alive (ASan sees a use after the free).
    db.query->Open();
    ASSERT_EQ(engine->DataSet(), db.query);
    db.session->query->Free();
    db.session->query = New<TADOQuery>(nullptr);
    EXPECT_EQ(engine->DataSet(), nullptr);
    engine->SetActive(false);
    engine->SetActive(true);
    EXPECT_EQ(engine->DataSet(), nullptr);
}

// ---- The stand-alone component ---------------------------------------------------------------------

// A detail data set that names its master through a published MasterSource.
class TMasterSourceQuery : public TADOQuery {
    VESTREL_CLASS(TMasterSourceQuery, TADOQuery)
public:
    using TADOQuery::TADOQuery;
    TDataSource* MasterSource() const { return masterSource_; }
    void SetMasterSource(TDataSource* value) { masterSource_ = value; }

private:
    TDataSource* masterSource_ = nullptr;
};

void RegisterMasterSourceQuery() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterProperties<TMasterSourceQuery>().Component("MasterSource", &TMasterSourceQuery::MasterSource,
                                                       &TMasterSourceQuery::SetMasterSource);
}

class SumListComponentTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterDBSumListClasses();
        RegisterMasterSourceQuery();
        path_ = folder_.File("sales.mdb");
        BuildDatabase(path_, {{"sales.sql", kSumScript}});
        session_ = std::make_unique<Session>(path_);
    }
    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
};

TEST_F(SumListComponentTest, PublishesTheEngineAndForgetsAFreedDataSet) {
    TADOQuery* q = session_->NewQuery();
    OpenQuery(q, "select * from sales order by id");
    TDBSumList* list = New<TDBSumList>(nullptr);
    EXPECT_TRUE(GetOrdProp(list, "Active"));
    TDBSum* sum = list->SumCollection()->Add();
    sum->SetFieldName("amount");
    SetObjectProp(list, "DataSet", q);
    EXPECT_EQ(list->DataSet(), q);
    EXPECT_EQ(sum->SumValue(), 37500);
    list->SetActive(false);
    EXPECT_EQ(sum->SumValue(), 0);
    list->SetActive(true);
    EXPECT_EQ(sum->SumValue(), 37500);

    // Freed while hooked: the list lets go without calling into it (ASan would see it).
    session_->extra.clear();
    q->Free();
    EXPECT_EQ(list->DataSet(), nullptr);
    EXPECT_EQ(sum->SumValue(), 0);
    list->RecomputeAll();
    list->Free();
}

TEST_F(SumListComponentTest, TheMasterIsFoundThroughMasterSourceAndItsScrollsRecalculate) {
    TADOQuery* master = session_->NewQuery();
    OpenQuery(master, "select id from sales order by id");
    TDataSource* masterSource = New<TDataSource>(nullptr);
    masterSource->SetDataSet(master);

    auto* detail = New<TMasterSourceQuery>(nullptr);
    detail->SetConnection(session_->connection);
    detail->SetMasterSource(masterSource);
    OpenQuery(detail, "select * from sales order by id");

    int recalcs = 0;
    struct Recalcs {
        int* n;
        void Count(TObject*) { ++*n; }
    } counter{&recalcs};
    TDBSumList* list = New<TDBSumList>(nullptr);
    list->SetOnRecalcAll(Event<&Recalcs::Count>(&counter));
    list->SumCollection()->Add()->SetFieldName("amount");
    list->SetDataSet(detail);
    EXPECT_EQ(list->Engine()->MasterDataSet(), master);
    const int after = recalcs;
    master->Next();
    EXPECT_EQ(recalcs, after + 1);

    // A query's DataSource is not a master source.
    TADOQuery* plain = session_->NewQuery();
    plain->SetDataSource(masterSource);
    OpenQuery(plain, "select * from sales order by id");
    list->SetDataSet(plain);
    EXPECT_EQ(list->Engine()->MasterDataSet(), nullptr);

    // The master freed first: the detail's list lets go of it.
    list->SetDataSet(detail);
    ASSERT_EQ(list->Engine()->MasterDataSet(), master);
    plain->SetDataSource(nullptr);
    detail->SetMasterSource(nullptr);
    masterSource->Free();
    std::erase(session_->extra, master);
    master->Free();
    EXPECT_EQ(list->Engine()->MasterDataSet(), nullptr);
    list->SetActive(false);
    list->Free();
    detail->Free();
}

// A grid's engine is no component and its grid never hears of the master: the engine itself lets go
// of a freed master, and unhooking afterwards calls nothing on it (ASan would see it).
TEST_F(SumListComponentTest, AnEngineOfNoComponentLetsGoOfAFreedMaster) {
    TADOQuery* master = session_->NewQuery();
    OpenQuery(master, "select id from sales order by id");
    TDataSource* masterSource = New<TDataSource>(nullptr);
    masterSource->SetDataSet(master);
    auto* detail = New<TMasterSourceQuery>(nullptr);
    detail->SetConnection(session_->connection);
    detail->SetMasterSource(masterSource);
    OpenQuery(detail, "select * from sales order by id");

    TDBSumListProducer engine(nullptr);
    TDBSum* sum = engine.SumCollection()->Add();
    sum->SetFieldName("amount");
    engine.SetDataSet(detail);
    ASSERT_EQ(engine.MasterDataSet(), master);

    std::erase(session_->extra, master);
    master->Free();
    EXPECT_EQ(engine.MasterDataSet(), nullptr);
    detail->Next();
    EXPECT_EQ(sum->SumValue(), 37500);
    engine.SetActive(false);
    engine.SetActive(true);
    EXPECT_EQ(sum->SumValue(), 37500);
    engine.SetDataSet(nullptr);
    detail->SetMasterSource(nullptr);
    masterSource->Free();
    detail->Free();
}

}  // namespace
