// The filter-row expression language: reading, the text it shows, malformed input, and the rows a
// data set keeps under column filters (Chinese text, nulls, dates, mixed cell types).
#include "DbTestSupport.h"
#include "DbUtilsEh.h"

#include "FilterFuzzTargets.h"
#include "FormatSettings.h"

#include <fstream>
#include <iterator>

using namespace dbtest;

namespace {

TSTFilterExpressionEh Parse(TSTExpressionTypeEh type, const String& text) {
    TSTFilterExpressionEh e;
    e.ExpressionType = type;
    ParseFilterText(text, e);
    return e;
}

struct ParseCase {
    TSTExpressionTypeEh type;
    const char* text;
    int op1;
    int relation;
    int op2;
    const char* shown;  // FilterExpressionText of the result
};

TEST(FilterExpression, ReadsComparisonsAndShowsThemBack) {
    const ParseCase cases[] = {
        {botString, "abc", foLikeEh, 0, 0, "~ 'abc'"},
        {botString, "张*", foLikeEh, 0, 0, "~ '张*'"},
        {botString, "张 三", foLikeEh, 0, 0, "~ '张 三'"},  // inner blanks stay in the value
        {botNumber, "5", foEqualEh, 0, 0, "= 5"},
        {botNumber, ">100", foGreaterThanEh, 0, 0, "> 100"},
        {botNumber, "1,5", foInEh, 0, 0, "In (1,5)"},
        {botNumber, "In (1, 2)", foInEh, 0, 0, "In (1,2)"},
        {botNumber, "not in (3,4)", foNotInEh, 0, 0, "!In (3,4)"},
        {botString, "!In ('a','b')", foNotInEh, 0, 0, "!In ('a','b')"},
        {botString, "= Null", foNullEh, 0, 0, "=Null"},
        {botString, "<> null", foNotNullEh, 0, 0, "<>Null"},
        {botString, "not null", foNotNullEh, 0, 0, "<>Null"},
        {botString, "<>'' and not null", foNotEqualEh, foANDEh, foNotNullEh, "<> '' AND <>Null"},
        {botNumber, ">= 10 AND < 20", foGreaterOrEqualEh, foANDEh, foLessThanEh, ">= 10 AND < 20"},
        {botNumber, "<5 | >9", foLessThanEh, foOREh, foGreaterThanEh, "< 5 OR > 9"},
        {botNumber, "<=5 & !=3", foLessOrEqualEh, foANDEh, foNotEqualEh, "<= 5 AND <> 3"},
        {botString, "!~ 'x'", foNotLikeEh, 0, 0, "!~ 'x'"},
        {botString, "NOT LIKE 'x'", foNotLikeEh, 0, 0, "!~ 'x'"},
        {botString, "like 'a b' or 'c'", foLikeEh, foOREh, foLikeEh, "~ 'a b' OR ~ 'c'"},
        {botNumber, "> 1 AND < '5' xyz", foGreaterThanEh, foANDEh, foLessThanEh, "> 1 AND < 5"},  // rest ignored
        {botNumber, "> 1 AND", foGreaterThanEh, 0, 0, "> 1"},  // nothing joined
        {botDateTime, ">= 2024-01-31", foGreaterOrEqualEh, 0, 0, ">= 2024-01-31"},
        {botBoolean, "True", foEqualEh, 0, 0, "= 'True'"},
        {botString, "   ", 0, 0, 0, ""},
        {botNon, "abc", foEqualEh, 0, 0, ""},  // no type: read, shown as nothing
    };
    for (const ParseCase& c : cases) {
        SCOPED_TRACE(c.text);
        const TSTFilterExpressionEh e = Parse(c.type, c.text);
        EXPECT_EQ(e.ExpressionType, c.type);
        EXPECT_EQ(e.Operator1, c.op1);
        EXPECT_EQ(e.Relation, c.relation);
        EXPECT_EQ(e.Operator2, c.op2);
        EXPECT_EQ(FilterExpressionText(e), c.shown);
    }
}

TEST(FilterExpression, OperandsTakeTheColumnsType) {
    TSTFilterExpressionEh e = Parse(botNumber, "5");
    EXPECT_EQ(VarType(e.Operand1), varDouble);
    EXPECT_EQ(e.Operand1.AsDouble(), 5.0);
    e = Parse(botNumber, "In (1, 2.5)");
    ASSERT_TRUE(e.Operand1.IsArray());
    EXPECT_EQ(e.Operand1[1].AsDouble(), 2.5);
    e = Parse(botDateTime, "< 2024-02-29 12:30");
    EXPECT_EQ(VarType(e.Operand1), varDate);
    EXPECT_EQ(FormatDateTime("yyyy-mm-dd hh:nn", e.Operand1.AsDateTime()), "2024-02-29 12:30");
    e = Parse(botString, "= '5'");
    EXPECT_EQ(VarType(e.Operand1), varString);
    e = Parse(botString, "= Null");
    EXPECT_TRUE(VarIsNull(e.Operand1));
}

TEST(FilterExpression, CommaIsADecimalSeparatorInNumberColumnsWhenTheLocaleSaysSo) {
    const TFormatSettings saved = FormatSettings;
    FormatSettings.DecimalSeparator = ',';
    const TSTFilterExpressionEh number = Parse(botNumber, "1,5");
    const TSTFilterExpressionEh list = Parse(botNumber, "In (1,5)");  // lists still split
    const TSTFilterExpressionEh text = Parse(botString, "1,5");
    FormatSettings = saved;
    EXPECT_EQ(number.Operator1, foEqualEh);
    EXPECT_EQ(number.Operand1.AsDouble(), 1.5);
    EXPECT_EQ(list.Operator1, foInEh);
    EXPECT_EQ(list.Operand1.AsArray().size(), 2u);
    EXPECT_EQ(text.Operator1, foInEh);
}

TEST(FilterExpression, ShownTextReadsBackToTheSameExpression) {
    const std::pair<TSTExpressionTypeEh, const char*> texts[] = {
        {botNumber, ">= 10 AND < 20"}, {botNumber, "1,2,3"},       {botString, "张*"},
        {botString, "<>'' and not null"}, {botString, "not in ('a b', c)"}, {botNumber, "= null or > 7.5"},
        {botDateTime, "<= 2020-05-06"}, {botString, "!~ '%x_'"},
    };
    for (const auto& [type, text] : texts) {
        SCOPED_TRACE(text);
        const TSTFilterExpressionEh first = Parse(type, text);
        const String shown = FilterExpressionText(first);
        const TSTFilterExpressionEh again = Parse(type, shown);
        EXPECT_EQ(FilterExpressionText(again), shown);
        EXPECT_EQ(again.Operator1, first.Operator1);
        EXPECT_EQ(again.Operator2, first.Operator2);
        EXPECT_EQ(VarCompare(again.Operand1, first.Operand1), 0);
        EXPECT_EQ(VarCompare(again.Operand2, first.Operand2), 0);
    }
}

struct ErrorCase {
    TSTExpressionTypeEh type;
    const char* text;
    const char* message;
    int position;
};

TEST(FilterExpression, MalformedTextsRaiseMessagesNamingThePlace) {
    const ErrorCase cases[] = {
        {botNumber, "In 1,2", "'(' expected: In 1,2", 3},
        {botNumber, "> Null", "Unexpected expression before Null: > Null", 7},
        {botString, "Null", "Unexpected expression after operator: Null", 5},
        {botNumber, "> 1 > 2", "Unexpected AND or OR: > 1 > 2", 6},
        {botString, "'abc", "Quote is absent: 'abc", 1},
        {botString, "  'abc  ", "Quote is absent: 'abc", 1},  // the trimmed text is shown
        {botNumber, "In (1, 2", "')' expected: In (1, 2", 9},
        {botNumber, "(1)", "Error in expression: (1)", 2},
        {botString, "AND x", "Error in expression: AND x", 4},
        {botString, "NOT x", "Error in expression: NOT x", 4},
        {botNumber, "> )", "Unexpected expression after operator: > )", 3},
        {botNumber, "5 )", "Incorrect expression: 5 )", 3},
        {botString, "= 'a' 'b'", "Unexpected AND or OR: = 'a' 'b'", 10},
        {botNumber, "In ()", "Unexpected expression after operator: In ()", 5},
        {botString, "~ 'a' or 'b", "Quote is absent: ~ 'a' or 'b", 10},
    };
    for (const ErrorCase& c : cases) {
        SCOPED_TRACE(c.text);
        try {
            Parse(c.type, c.text);
            ADD_FAILURE() << "no error";
        } catch (const EFilterExpressionError& e) {
            EXPECT_EQ(e.Message, c.message);
            EXPECT_EQ(e.Position(), c.position);
        }
    }
}

TEST(FilterExpression, ValuesThatDoNotFitTheTypeRaiseTheConversionError) {
    EXPECT_THROW(Parse(botNumber, "abc"), EConvertError);
    EXPECT_THROW(Parse(botNumber, "<> ''"), EConvertError);
    EXPECT_THROW(Parse(botNumber, "In (1, x)"), EConvertError);
    EXPECT_THROW(Parse(botDateTime, "> 2024-13-01"), EConvertError);
    EXPECT_NO_THROW(Parse(botString, "abc"));
}

TEST(FilterExpression, AFailedReadKeepsThePreviousExpression) {
    TSTFilterExpressionEh e;
    e.ExpressionType = botNumber;
    ParseFilterText(">= 10 AND < 20", e);
    EXPECT_THROW(ParseFilterText("> 1 AND < x", e), EConvertError);
    EXPECT_THROW(ParseFilterText("In (1", e), EFilterExpressionError);
    EXPECT_EQ(FilterExpressionText(e), ">= 10 AND < 20");
}

TEST(FilterExpression, ALongTextGivesAnExcerptAroundThePlace) {
    String text = "In (" + String(5000, '1');
    for (int i = 0; i < 500; ++i) text += ",2";
    text += " xyz";  // no closing bracket
    try {
        Parse(botNumber, text);
        FAIL() << "no error";
    } catch (const EFilterExpressionError& e) {
        EXPECT_EQ(e.Position(), int(text.size()) + 1);  // the value ran to the end
        EXPECT_LT(e.Message.size(), 220u);
        EXPECT_EQ(e.Message.rfind("')' expected: ...", 0), 0u) << e.Message;
        EXPECT_NE(e.Message.find(",2 xyz (at character"), String::npos) << e.Message;
    }
    // A long well-formed text reads.
    String many = "In (";
    for (int i = 0; i < 3000; ++i) many += (i ? "," : "") + IntToStr(i);
    EXPECT_EQ(Parse(botNumber, many + ")").Operand1.AsArray().size(), 3000u);
}

// Every input of the corpus once mattered to the fuzzer (a failure or a seed): each must end in an
// expression or a clean refusal, under the sanitizers.
TEST(FilterCorpus, ExpressionInputs) {
    const std::filesystem::path folder = std::filesystem::path(VESTREL_TEST_DATA) / "core" / "corpus" / "filter-expression";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        SCOPED_TRACE(entry.path().filename().string());
        FuzzFilterExpression(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
        ++count;
    }
    EXPECT_GT(count, 0);
}

// ---- Rows kept by column filters ------------------------------------------------------------------------

const char* kFilterScript = R"(
CREATE TABLE people (
    id INTEGER PRIMARY KEY AUTOINCREMENT,
    name TEXT(20),
    amount FLOAT,
    born DATETIME,
    active BIT,
    code TEXT(10)
);
INSERT INTO people (name, amount, born, active, code) VALUES
    ('张三', 150, '1990-05-01 00:00:00', 1, 'A1'),
    ('张伟', 80.5, '2001-12-31 23:00:00', 0, '10'),
    ('李四', NULL, NULL, 1, NULL),
    ('Alice', 100, '1990-05-01 12:00:00', NULL, '9'),
    ('alice', -5, '1985-01-01 00:00:00', 0, ''),
    ('王小明', 1000000, '2020-02-29 00:00:00', 1, 'b2'),
    (NULL, 0, '2000-01-01 00:00:00', 1, 'x');
UPDATE people SET code = 7 WHERE id = 7;
)";

class ColumnFilterTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = folder_.File("people.mdb");
        BuildDatabase(path_, {{"people.sql", kFilterScript}});
        session_ = std::make_unique<Session>(path_);
        q = session_->query;
        OpenQuery(q, "select * from people order by id");
    }
    // Applies the filters and answers the ids in view.
    std::vector<int> Kept(const std::vector<std::pair<String, String>>& filters) {
        std::vector<TColumnFilterConditionEh> conditions;
        for (const auto& [field, text] : filters) {
            TColumnFilterConditionEh condition;
            condition.FieldName = field;
            condition.Expression.ExpressionType = STFilterExpressionTypeOf(q->FieldByName(field)->DataType());
            ParseFilterText(text, condition.Expression);
            conditions.push_back(condition);
        }
        q->SetRecordFilter(TColumnFiltersEh::Make(*q, conditions));
        q->SetFiltered(true);
        std::vector<int> ids;
        for (const String& id : ColumnTexts(q, "id")) ids.push_back(StrToInt(id));
        EXPECT_EQ(int(ids.size()), q->RecordCount());
        return ids;
    }

    TempFolder folder_;
    String path_;
    std::unique_ptr<Session> session_;
    TADOQuery* q = nullptr;
};

TEST_F(ColumnFilterTest, KeepsTheRowsMeetingTheExpression) {
    struct Case {
        const char* field;
        const char* text;
        std::vector<int> ids;
    } cases[] = {
        {"name", "张*", {1, 2}},
        {"name", "*小*", {6}},
        {"name", "张?", {1, 2}},
        {"name", "alice", {4, 5}},            // without regard to case, whole value
        {"name", "ali", {}},
        {"name", "= 'ALICE'", {4, 5}},
        {"name", "<> '张三'", {2, 3, 4, 5, 6}},  // a null name meets no comparison
        {"name", "= null", {7}},
        {"name", "not null", {1, 2, 3, 4, 5, 6}},
        {"name", "In ('李四', '王小明')", {3, 6}},
        {"name", "!In ('李四', '王小明')", {1, 2, 4, 5}},
        {"name", "!~ '张*'", {3, 4, 5, 6}},
        {"name", "> 'b'", {1, 2, 3, 6}},       // ideographs after Latin letters
        {"amount", ">100", {1, 6}},
        {"amount", ">= 80.5 AND < 1000", {1, 2, 4}},
        {"amount", "< 0 or = null", {3, 5}},
        {"amount", "0", {7}},
        {"amount", "100,150", {1, 4}},
        {"amount", "<> 100", {1, 2, 5, 6, 7}},
        {"born", "< 1990-05-01 12:00", {1, 5}},
        {"born", ">= 2000-01-01", {2, 6, 7}},
        {"born", "= 1990-05-01", {1}},
        {"born", "= null", {3}},
        {"active", "True", {1, 3, 6, 7}},
        {"active", "0", {2, 5}},
        {"active", "<> true", {2, 5}},
        {"active", "maybe", {}},
        {"code", "= ''", {5}},
        {"code", "<> '' and not null", {1, 2, 4, 6, 7}},
        {"code", "= 7", {7}},                 // an integer cell in a text column
        {"code", "> '5'", {1, 4, 6, 7}},      // compared as text: "10" is less, letters are greater
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(String(c.field) + " " + c.text);
        EXPECT_EQ(Kept({{c.field, c.text}}), c.ids);
    }
}

TEST_F(ColumnFilterTest, ConditionsOfSeveralColumnsAllHold) {
    EXPECT_EQ(Kept({{"name", "张*"}, {"amount", "> 100"}}), (std::vector<int>{1}));
    EXPECT_EQ(Kept({{"active", "1"}, {"born", "< 2010-01-01"}, {"name", ""}}), (std::vector<int>{1, 7}));
}

TEST_F(ColumnFilterTest, UnknownOrUnstoredFieldsAreRefused) {
    TColumnFilterConditionEh condition;
    condition.FieldName = "nosuch";
    condition.Expression.ExpressionType = botString;
    ParseFilterText("x", condition.Expression);
    EXPECT_THROW(TColumnFiltersEh::Make(*q, {condition}), EDatabaseError);
}

TEST_F(ColumnFilterTest, FilteredSwitchesTheViewAndKeepsTheCurrentRowWhenItStays) {
    ASSERT_TRUE(q->Locate("id", Variant(6), 0));
    TColumnFilterConditionEh condition;
    condition.FieldName = "amount";
    condition.Expression.ExpressionType = botNumber;
    ParseFilterText("> 100", condition.Expression);
    q->SetRecordFilter(TColumnFiltersEh::Make(*q, {condition}));
    EXPECT_EQ(q->RecordCount(), 7);  // not filtered yet
    q->SetFiltered(true);
    EXPECT_EQ(q->RecordCount(), 2);
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 6);
    EXPECT_EQ(q->RecNo(), 2);

    ParseFilterText("< 100", condition.Expression);  // the current row leaves the view
    q->SetRecordFilter(TColumnFiltersEh::Make(*q, {condition}));
    EXPECT_EQ(q->RecordCount(), 3);
    EXPECT_EQ(q->RecNo(), 1);
    EXPECT_TRUE(q->Bof());
    EXPECT_FALSE(q->Eof());
    EXPECT_EQ(q->FieldByName("id")->AsInteger(), 2);

    ParseFilterText("> 1E9", condition.Expression);  // nothing meets it
    q->SetRecordFilter(TColumnFiltersEh::Make(*q, {condition}));
    EXPECT_TRUE(q->IsEmpty());
    EXPECT_TRUE(q->Bof() && q->Eof());

    q->SetFiltered(false);
    EXPECT_EQ(q->RecordCount(), 7);
}

TEST_F(ColumnFilterTest, SortAndFilterWorkTogetherAndSurviveARefresh) {
    q->SetSort("amount DESC");
    EXPECT_EQ(Kept({{"amount", ">= 0"}}), (std::vector<int>{6, 1, 4, 2, 7}));
    q->SetSort("");
    EXPECT_EQ(ColumnTexts(q, "id"), (std::vector<String>{"1", "2", "4", "6", "7"}));
    q->Requery();
    EXPECT_EQ(ColumnTexts(q, "id"), (std::vector<String>{"1", "2", "4", "6", "7"}));
    q->Close();
    q->Open();  // the filter holds on reopening
    EXPECT_EQ(q->RecordCount(), 5);
}

TEST_F(ColumnFilterTest, EditedRowsStayUntilTheFilterIsAppliedAgain) {
    EXPECT_EQ(Kept({{"amount", "> 100"}}), (std::vector<int>{1, 6}));
    q->First();
    q->Edit();
    q->FieldByName("amount")->SetAsFloat(1);
    q->Post();
    EXPECT_EQ(q->RecordCount(), 2);
    q->RefreshFilter();
    EXPECT_EQ(ColumnTexts(q, "id"), (std::vector<String>{"6"}));
}

TEST_F(ColumnFilterTest, LinksSeeOnlyTheKeptRows) {
    TDataSource* source = New<TDataSource>(nullptr);
    source->SetDataSet(q);
    TDataLink link;
    link.SetBufferCount(10);
    link.SetDataSource(source);
    EXPECT_EQ(link.RecordCount(), 7);
    Kept({{"name", "张*"}});
    EXPECT_EQ(link.RecordCount(), 2);
    link.SetDataSource(nullptr);
    source->Free();
}

// ---- Data-set features ------------------------------------------------------------------------------------

class TFeaturesProbe : public TDataSetFeaturesEh {
public:
    TFeaturesProbe(TClass cls, int answer) : TDataSetFeaturesEh(cls), answer_(answer) {}
    int MoveRecords(TDBGridEhCore*, const std::vector<TBookmark>&, int, bool) override { return answer_; }

private:
    int answer_;
};

TEST(DataSetFeatures, TheNearestRegisteredAncestorServesADataSet) {
    EXPECT_EQ(ClassDepth(TADOQuery::StaticClass(), "tadoquery"), 0);
    EXPECT_EQ(ClassDepth(TADOQuery::StaticClass(), "TDataSet"), ClassDepth(TADOQuery::StaticClass(), "TComponent") - 1);
    EXPECT_EQ(ClassDepth(TDataSet::StaticClass(), "TADOQuery"), INT_MAX);

    EXPECT_EQ(FeaturesForDataSetClass(TADOQuery::StaticClass()), nullptr);  // empty registry
    RegisterDataSetFeaturesEh(std::make_unique<TFeaturesProbe>(TDataSet::StaticClass(), 1));
    RegisterDataSetFeaturesEh(std::make_unique<TFeaturesProbe>(TADOQuery::StaticClass(), 2));
    EXPECT_THROW(RegisterDataSetFeaturesEh(std::make_unique<TFeaturesProbe>(TDataSet::StaticClass(), 3)),
                 EStringListError);
    TDataSetFeaturesEh* forQuery = FeaturesForDataSetClass(TADOQuery::StaticClass());
    TDataSetFeaturesEh* forDataSet = FeaturesForDataSetClass(TDataSet::StaticClass());
    ASSERT_TRUE(forQuery && forDataSet);
    EXPECT_EQ(forQuery->MoveRecords(nullptr, {}, 0, true), 2);
    EXPECT_EQ(forDataSet->MoveRecords(nullptr, {}, 0, true), 1);
    EXPECT_EQ(FeaturesForDataSetClass(TComponent::StaticClass()), nullptr);
    UnregisterDataSetFeaturesEh("TADOQuery");
    EXPECT_EQ(FeaturesForDataSetClass(TADOQuery::StaticClass())->MoveRecords(nullptr, {}, 0, true), 1);
    UnregisterDataSetFeaturesEh("TDataSet");
    EXPECT_EQ(FeaturesForDataSetClass(TADOQuery::StaticClass()), nullptr);
}

}  // namespace
