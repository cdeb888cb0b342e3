// The data-set core through TADOQuery on real SQLite files: cursor, editing, bookmarks across
// deletes and sorts, Sort, link windows, DisableControls, events, fields, master-detail.
#include "DbTestSupport.h"

#include "Lists.h"

using namespace dbtest;

namespace {

// Ten rows: code 1..10, names in an order that sorting changes, a few nulls.
const char* kPeopleScript = R"(
CREATE TABLE people (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    code INTEGER,
    name TEXT(20) COLLATE NOCASE,
    city TEXT(20) COLLATE NOCASE,
    income FLOAT,
    note LONGTEXT COLLATE NOCASE
);
INSERT INTO people (code, name, city, income) VALUES
    (1, 'delta', 'Hangzhou', 10.5), (2, 'Alpha', 'Ningbo', NULL), (3, 'charlie', 'hangzhou', 3),
    (4, 'bravo', NULL, 20), (5, 'echo', 'Ningbo', 7.25), (6, 'alpha ', 'Suzhou', 1),
    (7, 'golf', 'Hangzhou', 100), (8, 'foxtrot', 'Suzhou', 2), (9, 'hotel', 'Ningbo', 9),
    (10, 'india', 'Hangzhou', 30);
CREATE TABLE pets (id INTEGER PRIMARY KEY AUTOINCREMENT, code INTEGER, pet TEXT(20));
INSERT INTO pets (code, pet) VALUES (1, 'cat'), (1, 'dog'), (3, 'fish'), (9, 'owl');
)";

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("people.mdb");
        BuildDatabase(path_, {{"people.sql", kPeopleScript}});
        session_ = std::make_unique<Session>(path_);
        q = session_->query;
        OpenQuery(q, "select * from people");
    }
    std::vector<String> Names() { return ColumnTexts(q, "name"); }
    int DbCount(const String& where) {
        TADOQuery* check = session_->NewQuery();
        OpenQuery(check, "select count(*) as n from people" + (where.empty() ? String() : " where " + where));
        return check->FieldByName("n")->AsInteger();
    }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
    TADOQuery* q = nullptr;
};

// Records every notification a link gets, as a compact trace.
class RecordingLink : public TDataLink {
public:
    String trace;
    std::vector<int> scrolls;

protected:
    void ActiveChanged() override { trace += Active() ? "A+" : "A-"; }
    void DataSetChanged() override { trace += "C"; }
    void DataSetScrolled(int distance) override {
        trace += "S" + std::to_string(distance);
        scrolls.push_back(distance);
    }
    void EditingChanged() override { trace += Editing() ? "E+" : "E-"; }
    void RecordChanged(TField* field) override { trace += field ? "R(" + field->FieldName() + ")" : "R"; }
    void LayoutChanged() override { trace += "L"; }
};

// Records data-set events in order.
struct EventTrace {
    String trace;
    void Hook(TDataSet* ds) {
        const std::pair<TDataSetEventKind, const char*> kinds[] = {
            {TDataSetEventKind::BeforeOpen, "bo"},   {TDataSetEventKind::AfterOpen, "ao"},
            {TDataSetEventKind::BeforeClose, "bc"},  {TDataSetEventKind::AfterClose, "ac"},
            {TDataSetEventKind::BeforeInsert, "bi"}, {TDataSetEventKind::AfterInsert, "ai"},
            {TDataSetEventKind::BeforeEdit, "be"},   {TDataSetEventKind::AfterEdit, "ae"},
            {TDataSetEventKind::BeforePost, "bp"},   {TDataSetEventKind::AfterPost, "ap"},
            {TDataSetEventKind::BeforeCancel, "bn"}, {TDataSetEventKind::AfterCancel, "an"},
            {TDataSetEventKind::BeforeDelete, "bd"}, {TDataSetEventKind::AfterDelete, "ad"},
            {TDataSetEventKind::BeforeScroll, "bs"}, {TDataSetEventKind::AfterScroll, "as"},
            {TDataSetEventKind::OnNewRecord, "nr"}};
        for (const auto& [kind, tag] : kinds) {
            const String t = tag;
            ds->AddListener(kind, this, [this, t](TDataSet*) { trace += t + " "; });
        }
    }
};

TEST_F(DataSetTest, WalksForwardAndBackwardWithBofAndEof) {
    EXPECT_EQ(q->RecordCount(), 10);
    EXPECT_TRUE(q->Bof());
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->RecNo(), 1);
    int visited = 0;
    for (q->First(); !q->Eof(); q->Next()) ++visited;
    EXPECT_EQ(visited, 10);
    EXPECT_EQ(q->RecNo(), 10);
    q->Last();
    EXPECT_TRUE(q->Eof());
    visited = 0;
    for (; !q->Bof(); q->Prior()) ++visited;
    EXPECT_EQ(visited, 10);

    const struct {
        int from, by, moved, recNo;
        bool bof, eof;
    } moves[] = {{1, 3, 3, 4, false, false}, {8, 5, 2, 10, false, true}, {3, -5, -2, 1, true, false},
                 {5, 0, 0, 5, false, false}, {10, 1, 0, 10, false, true}};
    for (const auto& m : moves) {
        SCOPED_TRACE("MoveBy(" + std::to_string(m.by) + ") from " + std::to_string(m.from));
        q->SetRecNo(m.from);
        EXPECT_EQ(q->MoveBy(m.by), m.moved);
        EXPECT_EQ(q->RecNo(), m.recNo);
        EXPECT_EQ(q->Bof(), m.bof);
        EXPECT_EQ(q->Eof(), m.eof);
    }
}

TEST_F(DataSetTest, EmptyResultIsBofAndEof) {
    OpenQuery(q, "select * from people where code > 100");
    EXPECT_TRUE(q->IsEmpty());
    EXPECT_TRUE(q->Bof());
    EXPECT_TRUE(q->Eof());
    EXPECT_EQ(q->RecNo(), 0);
    EXPECT_EQ(q->MoveBy(1), 0);
    EXPECT_TRUE(q->FieldByName("name")->IsNull());
    EXPECT_EQ(q->Bookmark(), "");
    EXPECT_THROW(q->Delete(), EDatabaseError);
}

TEST_F(DataSetTest, FieldByNameIgnoresCaseAndNamesAnUnknownField) {
    EXPECT_EQ(q->FieldByName("NAME"), q->FindField("name"));
    EXPECT_EQ(q->FindField("nosuch"), nullptr);
    q->SetName("Qry_People");
    try {
        q->FieldByName("nosuch");
        FAIL() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Qry_People: Field 'nosuch' not found");
    }
}

TEST_F(DataSetTest, AppendPostsAtOnceAndReadsTheAutoNumberBack) {
    q->Append();
    EXPECT_EQ(q->State(), dsInsert);
    EXPECT_TRUE(q->FieldByName("id")->IsNull());
    q->FieldByName("code")->SetAsInteger(11);
    q->FieldByName("name")->SetAsString("juliet");
    q->Post();
    EXPECT_EQ(q->State(), dsBrowse);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 11);
    EXPECT_EQ(q->RecordCount(), 11);
    EXPECT_EQ(DbCount("name='juliet' and code=11"), 1);

    q->First();
    q->Edit();
    q->FieldByName("name")->SetAsString("Delta2");
    q->Post();
    EXPECT_EQ(DbCount("name='delta2'"), 1);
    q->Delete();
    EXPECT_EQ(DbCount("code=1"), 0);
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 2);  // the next row became current
    q->Last();
    q->Delete();
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 10);  // the prior row at the end
}

TEST_F(DataSetTest, CancelDropsTheInsertedRowAndItsBookmark) {
    q->SetRecNo(4);
    q->Insert();
    const TBookmark pending = q->Bookmark();
    EXPECT_TRUE(q->BookmarkValid(pending));
    EXPECT_EQ(q->RecNo(), 4);
    q->FieldByName("name")->SetAsString("zulu");
    q->Cancel();
    EXPECT_FALSE(q->BookmarkValid(pending));
    EXPECT_EQ(q->RecordCount(), 10);
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 4);
    EXPECT_EQ(DbCount(""), 10);
}

TEST_F(DataSetTest, MovingAwayPostsAModifiedRowAndCancelsAnUntouchedInsert) {
    q->Append();
    q->First();  // nothing typed: the new row goes
    EXPECT_EQ(q->RecordCount(), 10);
    q->Edit();
    q->FieldByName("city")->SetAsString("Wenzhou");
    q->Next();  // changed: posted
    EXPECT_EQ(DbCount("code=1 and city='Wenzhou'"), 1);
}

// A failed post keeps the edit state and the typed values; nothing is half written.
TEST_F(DataSetTest, FailedPostKeepsTheEditStateAndValues) {
    ExecQuery(session_->NewQuery(), "CREATE TRIGGER no_x BEFORE INSERT ON people WHEN new.name='x' "
                                    "BEGIN SELECT RAISE(ABORT, 'names may not be x'); END");
    OpenQuery(q, "select * from people");
    q->Append();
    q->FieldByName("code")->SetAsInteger(50);
    q->FieldByName("name")->SetAsString("x");
    try {
        q->Post();
        FAIL() << "post succeeded";
    } catch (const EADOError& e) {
        EXPECT_NE(String(e.what()).find("names may not be x"), String::npos);
    }
    EXPECT_EQ(q->State(), dsInsert);
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 50);
    EXPECT_EQ(DbCount("code=50"), 0);
    q->FieldByName("name")->SetAsString("y");
    q->Post();
    EXPECT_EQ(DbCount("code=50 and name='y'"), 1);
}

TEST_F(DataSetTest, FieldConversionsAndRefusals) {
    q->SetRecNo(2);  // Alpha, income NULL
    TField* income = q->FieldByName("income");
    EXPECT_TRUE(income->IsNull());
    EXPECT_EQ(income->AsFloat(), 0);
    EXPECT_EQ(income->AsString(), "");
    EXPECT_TRUE(VarIsNull(income->AsVariant()));
    q->SetRecNo(5);
    EXPECT_EQ(income->AsFloat(), 7.25);
    EXPECT_EQ(income->AsString(), "7.25");
    EXPECT_EQ(q->FieldByName("code")->AsString(), "5");
    EXPECT_EQ(q->FieldByName("code")->AsVariant().AsInteger(), 5);
    EXPECT_THROW(q->FieldByName("name")->AsInteger(), EConvertError);

    q->Edit();
    EXPECT_THROW(q->FieldByName("code")->SetAsString("12a"), EConvertError);
    EXPECT_THROW(q->FieldByName("id")->SetAsInteger(99), EDatabaseError);  // auto-number is read-only
    EXPECT_THROW(q->FieldByName("name")->SetAsString(String(21, 'n')), EDatabaseError);  // TEXT(20)
    q->FieldByName("name")->SetAsString(String(20, 'n'));
    q->FieldByName("note")->SetAsString(String(10000, 'm'));  // memo: no limit
    q->FieldByName("income")->SetText("");
    q->Post();
    EXPECT_EQ(DbCount("code=5 and income is null and length(note)=10000"), 1);
    q->Cancel();
    EXPECT_THROW(q->FieldByName("code")->SetAsInteger(1), EDatabaseError);  // not editing
}

// Values with quotes, wildcards, backslashes, long texts and characters outside GBK are stored
// and found exactly, through fields and through quoted statement texts.
TEST_F(DataSetTest, PersonTypedValuesAreStoredAndFoundExactly) {
    const String values[] = {"O'Brien", "100%", "a_b", "back\\slash", "'; delete from people; --",
                             "😀 emoji", "ไทย", "é\u00a0ü", String(5000, 'q') + "'" + String(4999, 'w')};
    for (const String& value : values) {
        SCOPED_TRACE(value.substr(0, 30));
        q->Append();
        q->FieldByName("note")->SetAsString(value);
        q->Post();
        TADOQuery* check = session_->NewQuery();
        OpenQuery(check, "select * from people where note=" + QuotedSql(value));
        ASSERT_EQ(check->RecordCount(), 1);
        EXPECT_EQ(check->FieldByName("note")->AsString(), value);
        ExecQuery(check, "update people set city=" + QuotedSql(value) + " where note=" + QuotedSql(value));
        EXPECT_EQ(check->RowsAffected(), 1);
    }
    EXPECT_EQ(DbCount(""), 10 + int(std::size(values)));
    // `like` with a typed value: the wildcard is the person's, the quote cannot end the text.
    OpenQuery(q, "select * from people where note like '%" + sqldialect::QuotedSqlText("O'Bri").substr(1, 6) + "%'");
    EXPECT_EQ(q->RecordCount(), 1);
}

TEST_F(DataSetTest, ParametersAreBoundNotSpliced) {
    q->Close();
    q->SQL()->Clear();
    q->SQL()->Add("select * from people where name = :who or city = :who");
    ASSERT_EQ(q->Parameters()->Count(), 1);
    q->Parameters()->ParamByName("who")->Value = Variant("x' or '1'='1");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 0);
    q->Close();
    q->Parameters()->ParamByName("WHO")->Value = Variant("ningbo");
    q->Open();
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_THROW(q->Parameters()->ParamByName("nobody"), EADOError);
}

TEST_F(DataSetTest, BookmarksStayValidAcrossDeletesPostsAppendsAndSorts) {
    q->SetRecNo(3);
    const TBookmark charlie = q->Bookmark();
    q->SetRecNo(7);
    const TBookmark golf = q->Bookmark();
    EXPECT_EQ(q->Bookmark(), golf);  // canonical
    q->SetRecNo(5);
    const TBookmark echo = q->Bookmark();

    q->SetRecNo(1);
    q->Delete();
    q->Append();
    q->FieldByName("name")->SetAsString("kilo");
    q->Post();
    q->SetSort("name DESC");
    q->GotoBookmark(charlie);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "charlie");
    q->GotoBookmark(golf);
    EXPECT_EQ(q->FieldByName("name")->AsString(), "golf");
    EXPECT_GT(q->CompareBookmarks(charlie, golf), 0);  // descending now
    q->SetSort("");
    EXPECT_LT(q->CompareBookmarks(charlie, golf), 0);

    q->GotoBookmark(echo);
    q->Delete();
    EXPECT_FALSE(q->BookmarkValid(echo));
    EXPECT_THROW(q->GotoBookmark(echo), EDatabaseError);
    // A deleted row still compares in the view order, also after a re-sort.
    EXPECT_LT(q->CompareBookmarks(charlie, echo), 0);
    EXPECT_LT(q->CompareBookmarks(echo, golf), 0);
    q->SetSort("code DESC");
    EXPECT_GT(q->CompareBookmarks(charlie, echo), 0);
    EXPECT_GT(q->CompareBookmarks(echo, golf), 0);
    EXPECT_EQ(q->CompareBookmarks(golf, golf), 0);
    // Bookmarks do not survive a reopen.
    q->Close();
    q->Open();
    EXPECT_FALSE(q->BookmarkValid(golf));
}

TEST_F(DataSetTest, SortOrdersNumbersTextAndNullsAndKeepsTheCurrentRow) {
    q->SetRecNo(9);  // hotel
    q->SetSort("  city, name DESC ");
    EXPECT_EQ(q->FieldByName("name")->AsString(), "hotel");
    EXPECT_EQ(q->Sort(), "  city, name DESC ");
    // Nulls first; text ignores case and trailing blanks; DESC within equal cities.
    EXPECT_EQ(Names(), (std::vector<String>{"bravo", "india", "golf", "delta", "charlie", "hotel", "echo",
                                            "Alpha", "foxtrot", "alpha "}));
    q->SetSort("income");
    EXPECT_EQ(ColumnTexts(q, "income"), (std::vector<String>{"", "1", "2", "3", "7.25", "9", "10.5", "20", "30", "100"}));
    q->SetSort("[code] desc");
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 7);  // still on the row that was current
    q->First();
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 10);
    q->SetSort("");
    EXPECT_EQ(ColumnTexts(q, "code").front(), "1");
    EXPECT_THROW(q->SetSort("nosuch"), EDatabaseError);
    EXPECT_EQ(q->Sort(), "");
    q->SetSort("name");
    q->Close();
    q->Open();
    EXPECT_EQ(q->Sort(), "");
}

TEST_F(DataSetTest, SortTellsTheLinksAndBumpsTheOrderGeneration) {
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(q);
    RecordingLink link;
    link.SetDataSource(source);
    const auto generation = q->OrderGeneration();
    link.trace.clear();
    q->SetSort("name");
    EXPECT_EQ(link.trace, "C");
    EXPECT_NE(q->OrderGeneration(), generation);
    link.SetDataSource(nullptr);
    source->Free();
}

// The window moves only when the current row would leave it, by the smallest shift.
TEST_F(DataSetTest, LinkWindowScrollsByTheSmallestShift) {
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(q);
    RecordingLink link, other;
    link.SetDataSource(source);
    other.SetDataSource(source);
    link.SetBufferCount(4);
    other.SetBufferCount(2);
    EXPECT_EQ(link.RecordCount(), 4);
    const struct {
        int recNo;
        int distance;     // reported to the 4-row link, -99 when no scroll notice
        int activeRecord;
    } steps[] = {{2, 0, 1}, {4, 0, 3}, {5, 1, 3}, {9, 4, 3}, {8, 0, 2}, {6, 0, 0}, {5, -1, 0}, {1, -4, 0}, {10, 6, 3}};
    for (const auto& s : steps) {
        SCOPED_TRACE("RecNo " + std::to_string(s.recNo));
        link.scrolls.clear();
        q->SetRecNo(s.recNo);
        ASSERT_EQ(link.scrolls.size(), 1u);
        EXPECT_EQ(link.scrolls[0], s.distance);
        EXPECT_EQ(link.ActiveRecord(), s.activeRecord);
    }
    EXPECT_EQ(other.ActiveRecord(), 1);
    // Reading another window row does not move the cursor.
    link.SetActiveRecord(0);
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 7);
    EXPECT_EQ(q->Bookmark(), [&] { return q->Bookmark(); }());
    link.SetActiveRecord(3);
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 10);
    EXPECT_EQ(q->RecNo(), 10);
    link.SetDataSource(nullptr);
    other.SetDataSource(nullptr);
    source->Free();
}

TEST_F(DataSetTest, LinkNotificationsFollowTheStateMachine) {
    TDataSource* source = New<TDataSource>(nullptr);
    RecordingLink link;
    link.SetDataSource(source);
    source->SetDataSet(q);
    EXPECT_EQ(link.trace, "A+");
    const struct {
        const char* name;
        std::function<void()> act;
        const char* trace;
    } steps[] = {
        {"edit", [&] { q->Edit(); }, "E+R"},
        {"field", [&] { q->FieldByName("city")->SetAsString("Jiaxing"); }, "R(city)"},
        {"post", [&] { q->Post(); }, "E-C"},
        {"next", [&] { q->Next(); }, "S1"},
        {"append", [&] { q->Append(); }, "E+C"},
        {"cancel", [&] { q->Cancel(); }, "E-C"},
        {"delete", [&] { q->Delete(); }, "C"},
        {"label", [&] { q->FieldByName("name")->SetDisplayLabel("Name"); }, "L"},
        {"close", [&] { q->Close(); }, "A-"},
        {"open", [&] { q->Open(); }, "A+"},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        link.trace.clear();
        s.act();
        EXPECT_EQ(link.trace, s.trace);
    }
    link.SetDataSource(nullptr);
    source->Free();
}

TEST_F(DataSetTest, DisabledControlsHoldBackNotificationsUntilTheLastEnable) {
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(q);
    RecordingLink link;
    link.SetDataSource(source);
    link.trace.clear();
    q->DisableControls();
    q->DisableControls();
    for (q->First(); !q->Eof(); q->Next()) {
    }
    q->Edit();
    q->FieldByName("city")->SetAsString("x");
    q->Post();
    q->EnableControls();
    EXPECT_EQ(link.trace, "");
    EXPECT_TRUE(q->ControlsDisabled());
    q->EnableControls();
    EXPECT_EQ(link.trace, "C");
    EXPECT_FALSE(q->ControlsDisabled());
    link.SetDataSource(nullptr);
    source->Free();
}

TEST_F(DataSetTest, EventsFireInOrderWithListenersAroundTheHandler) {
    EventTrace events;
    q->Close();
    events.Hook(q);
    String order;
    q->AddListener(TDataSetEventKind::AfterPost, &order, [&](TDataSet*) { order += "before "; }, true);
    q->AddListener(TDataSetEventKind::AfterPost, &order, [&](TDataSet*) { order += "after "; });
    struct Handler {
        String* order;
        void AfterPost(TDataSet*) { *order += "handler "; }
    } handler{&order};
    q->AfterPost = Event<&Handler::AfterPost>(&handler);
    const struct {
        const char* name;
        std::function<void()> act;
        const char* trace;
    } steps[] = {
        {"open", [&] { q->Open(); }, "bo ao as "},
        {"next", [&] { q->Next(); }, "bs as "},
        {"edit and post", [&] { q->Edit(); q->FieldByName("city")->SetAsString("y"); q->Post(); }, "be ae bp ap "},
        {"append", [&] { q->Append(); }, "bi bs nr ai as "},
        {"cancel", [&] { q->Cancel(); }, "bn an "},
        {"delete", [&] { q->Delete(); }, "bd bs ad as "},
        {"close", [&] { q->Close(); }, "bc ac "},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.name);
        events.trace.clear();
        s.act();
        EXPECT_EQ(events.trace, s.trace);
    }
    EXPECT_EQ(order, "before handler after ");
    q->RemoveListeners(&events);
    q->RemoveListeners(&order);
    events.trace.clear();
    q->Open();
    EXPECT_EQ(events.trace, "");
}

// BeforeDelete sees the doomed row current.
TEST_F(DataSetTest, BeforeDeleteSeesTheDoomedRow) {
    q->SetRecNo(3);
    String seen;
    q->AddListener(TDataSetEventKind::BeforeDelete, this, [&](TDataSet* ds) { seen = ds->FieldByName("name")->AsString(); });
    q->Delete();
    EXPECT_EQ(seen, "charlie");
    q->RemoveListeners(this);
}

TEST_F(DataSetTest, PersistentFieldsBindByNameAndCalculatedFieldsAreComputed) {
    q->Close();
    TIntegerField* code = New<TIntegerField>(nullptr);
    code->SetFieldName("code");
    code->SetDataSet(q);
    TFloatField* income = New<TFloatField>(nullptr);
    income->SetFieldName("income");
    income->SetDataSet(q);
    TCurrencyField* doubled = New<TCurrencyField>(nullptr);
    doubled->SetFieldName("doubled");
    doubled->SetFieldKind(fkCalculated);
    doubled->SetDataSet(q);
    struct Calc {
        TField* in;
        TField* out;
        void OnCalc(TDataSet*) { out->SetAsFloat(in->AsFloat() * 2); }
    } calc{income, doubled};
    q->OnCalcFields = Event<&Calc::OnCalc>(&calc);
    q->Open();
    EXPECT_FALSE(q->DefaultFields());
    EXPECT_EQ(q->FieldCount(), 3);
    EXPECT_EQ(q->FindField("name"), nullptr);  // only the persistent fields exist
    q->SetRecNo(5);
    EXPECT_EQ(doubled->AsCurrency(), Currency(14.5));
    q->Edit();
    income->SetAsFloat(1.25);
    EXPECT_EQ(doubled->AsCurrency(), Currency(2.5));
    q->Post();
    EXPECT_EQ(DbCount("code=5 and income=1.25"), 1);
    q->Close();
    EXPECT_EQ(q->FieldCount(), 3);  // persistent fields survive a close

    TStringField* missing = New<TStringField>(nullptr);
    missing->SetFieldName("nosuch");
    missing->SetDataSet(q);
    EXPECT_THROW(q->Open(), EDatabaseError);
    EXPECT_FALSE(q->Active());
    for (TField* f : std::vector<TField*>{missing, doubled, income, code}) f->Free();
    q->OnCalcFields = nullptr;
    q->Open();
    EXPECT_TRUE(q->DefaultFields());
}

TEST_F(DataSetTest, DefaultFieldsAreRebuiltOnOpenAndFreedOnClose) {
    TField* first = q->FieldByName("name");
    EXPECT_EQ(first->DisplayLabel(), "name");
    first->SetDisplayLabel("名称");
    EXPECT_EQ(first->DisplayLabel(), "名称");
    OpenQuery(q, "select code, name as label, code * 2 as twice from people");
    EXPECT_EQ(q->FieldCount(), 3);
    EXPECT_EQ(q->FieldByName("label")->DisplayLabel(), "label");
    EXPECT_EQ(q->FieldByName("twice")->AsInteger(), 2);
    EXPECT_FALSE(q->CanModify());  // not a single-table select *
    EXPECT_THROW(q->Edit(), EDatabaseError);
}

TEST_F(DataSetTest, LocateFindsByValueWithOptions) {
    EXPECT_TRUE(q->Locate("name", Variant("CHAR"), loCaseInsensitive | loPartialKey));
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 3);
    EXPECT_FALSE(q->Locate("name", Variant("CHAR"), 0));
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 3);
    EXPECT_TRUE(q->Locate("city;code", VarArrayOf({Variant("Ningbo"), Variant(9)}), 0));
    EXPECT_EQ(q->FieldByName("name")->AsString(), "hotel");
    EXPECT_TRUE(q->Locate("income", Null(), 0));
    EXPECT_EQ(q->FieldByName("code")->AsInteger(), 2);
}

// The detail follows the master's current row; while the master's controls are disabled it
// stays put and refreshes once at the end.
TEST_F(DataSetTest, MasterDetailRebindsTheParameterOnEveryMove) {
    TDataSource* master = New<TDataSource>(nullptr);
    master->SetDataSet(q);
    TADOQuery* pets = session_->NewQuery();
    pets->SetDataSource(master);
    OpenQuery(pets, "select * from pets where code=:code");
    EXPECT_EQ(pets->MasterDataSet(), q);
    EXPECT_EQ(ColumnTexts(pets, "pet"), (std::vector<String>{"cat", "dog"}));
    q->Next();
    EXPECT_TRUE(pets->IsEmpty());
    q->Next();
    EXPECT_EQ(ColumnTexts(pets, "pet"), (std::vector<String>{"fish"}));

    int opens = 0;
    pets->AddListener(TDataSetEventKind::AfterScroll, this, [&](TDataSet*) { ++opens; });
    q->DisableControls();
    q->SetRecNo(9);
    q->SetRecNo(1);
    q->SetRecNo(9);
    EXPECT_EQ(opens, 0);
    EXPECT_EQ(ColumnTexts(pets, "pet"), (std::vector<String>{"fish"}));
    opens = 0;
    q->EnableControls();
    EXPECT_EQ(opens, 1);
    EXPECT_EQ(pets->FieldByName("pet")->AsString(), "owl");
    pets->RemoveListeners(this);

    q->Close();
    EXPECT_TRUE(pets->IsEmpty());
    pets->SetDataSource(nullptr);
    master->Free();
}

}  // namespace

namespace {

TEST_F(DataSetTest, SortComparesWholeTextsBeyondTheirFirstBytes) {
    OpenQuery(q, "select column1 as t from (values ('abcdefgh2'), ('ABCDEFGH1'), ('abcdefg '), ('b'), "
                 "('abcdefg'), ('Abcdefgh'), (NULL))");
    q->SetSort("t");
    EXPECT_EQ(ColumnTexts(q, "t"),
              (std::vector<String>{"", "abcdefg ", "abcdefg", "Abcdefgh", "ABCDEFGH1", "abcdefgh2", "b"}));
    q->SetSort("t DESC");
    EXPECT_EQ(ColumnTexts(q, "t"),
              (std::vector<String>{"b", "abcdefgh2", "ABCDEFGH1", "Abcdefgh", "abcdefg ", "abcdefg", ""}));
}

}  // namespace

// A lookup field shows the list row's value for its key; a key no list row has, and a Null key,
// show empty, never the value of the row read before.
TEST_F(DataSetTest, LookupFieldsResolveTheirKeyInTheListDataSet) {
    TADOQuery* pets = session_->NewQuery();
    pets->SetSQLLines({"select * from pets"});
    TIntegerField* id = New<TIntegerField>(pets);
    id->SetFieldName("id");
    id->SetDataSet(pets);
    TIntegerField* code = New<TIntegerField>(pets);
    code->SetFieldName("code");
    code->SetDataSet(pets);
    TStringField* pet = New<TStringField>(pets);
    pet->SetFieldName("pet");
    pet->SetSize(20);
    pet->SetDataSet(pets);
    TStringField* owner = New<TStringField>(pets);
    owner->SetFieldName("owner");
    owner->SetSize(20);
    owner->SetFieldKind(fkLookup);
    owner->KeyFields = "code";
    owner->LookupDataSet = q;
    owner->LookupKeyFields = "code";
    owner->LookupResultField = "name";
    owner->SetDataSet(pets);
    pets->Open();
    pets->Append();
    code->SetAsInteger(42);  // no person has it
    pet->SetAsString("yak");
    pets->Post();
    pets->Append();
    pet->SetAsString("ant");  // no key at all
    pets->Post();

    q->SetRecNo(4);
    std::vector<String> seen;
    for (pets->First(); !pets->Eof(); pets->Next()) seen.push_back(pet->AsString() + "=" + owner->DisplayText());
    EXPECT_EQ(seen, (std::vector<String>{"cat=delta", "dog=delta", "fish=charlie", "owl=hotel", "yak=", "ant="}));
    EXPECT_EQ(q->RecNo(), 4);  // the list's cursor stays
    pets->Last();
    EXPECT_TRUE(owner->IsNull());

    // Editing the key re-reads the lookup before the post.
    pets->First();
    pets->Edit();
    code->SetAsInteger(5);
    EXPECT_EQ(owner->AsString(), "echo");
    code->SetAsInteger(77);
    EXPECT_TRUE(owner->IsNull());
    pets->Cancel();
    EXPECT_EQ(owner->AsString(), "delta");

    // A closed list data set resolves nothing.
    q->Close();
    pets->First();
    pets->Next();
    EXPECT_TRUE(owner->IsNull());
    q->Open();
    pets->First();
    EXPECT_EQ(owner->AsString(), "delta");
}

TEST_F(DataSetTest, LookupReadsOneOrSeveralFieldsWithoutMovingTheCursor) {
    q->SetRecNo(2);
    EXPECT_EQ(VarToStr(q->Lookup("code", Variant(9), "name")), "hotel");
    const Variant pair = q->Lookup("city;income", VarArrayOf({Variant("Ningbo"), Variant(7.25)}), "code;name");
    ASSERT_TRUE(pair.IsArray());
    EXPECT_EQ(pair.AsArray()[0].AsInteger(), 5);
    EXPECT_EQ(VarToStr(pair.AsArray()[1]), "echo");
    EXPECT_TRUE(VarIsNull(q->Lookup("code", Variant(99), "name")));
    EXPECT_TRUE(VarIsNull(q->Lookup("city", Variant(), "name")));  // Null never matches the null city
    EXPECT_EQ(q->RecNo(), 2);
    EXPECT_THROW(q->Lookup("code;name", Variant(1), "name"), EDatabaseError);
    EXPECT_THROW(q->Lookup("nosuch", Variant(1), "name"), EDatabaseError);
}
