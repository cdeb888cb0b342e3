// The grid's data service: the application's handlers first, else the features registered for the
// data set's class; our data sets' features sort by the markers and filter by the column filters.
#include "GridTestSupport.h"

using namespace gridtest;

namespace {

class GridDataServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = DBGridEhDataService();
        SetDBGridEhDataService(&service);
        for (const char* name : {"id", "name", "price", "born"}) db.grid->Core()->Columns()->Add()->SetFieldName(name);
        db.grid->Core()->SetOptionsEh(db.grid->Core()->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    }
    void TearDown() override {
        UnregisterDataSetFeaturesEh("TDataSet");
        SetDBGridEhDataService(previous_);
    }
    TColumnEh* Col(int i) { return db.grid->Core()->Columns()->ColumnAt(i); }
    std::vector<String> Ids() { return dbtest::ColumnTexts(db.query, "id"); }

    GridDb db;
    TDBGridEhDataService service;
    TDBGridEhDataService* previous_ = nullptr;
};

TEST_F(GridDataServiceTest, WithoutFeaturesNothingHappens) {
    Col(1)->STFilter()->SetExpressionText("a*");
    Col(2)->Title()->SetSortMarker(smUpEh);
    db.grid->Core()->DefaultApplyFilter();
    db.grid->Core()->DefaultApplySorting();
    EXPECT_EQ(db.query->RecordCount(), 9);
    EXPECT_EQ(db.query->Sort(), "");
    EXPECT_EQ(db.grid->Core()->DefaultMoveRecords({db.query->Bookmark()}, 3, true), 0);
}

TEST_F(GridDataServiceTest, ClientFeaturesFilterAndSortTheDataSet) {
    RegisterDataSetFeaturesEh(std::make_unique<TClientDataSetFeaturesEh>());
    Col(2)->STFilter()->SetExpressionText(">= 3");
    Col(3)->STFilter()->SetExpressionText("<> null");
    db.grid->Core()->DefaultApplyFilter();
    EXPECT_EQ(Ids(), (std::vector<String>{"1", "3"}));
    Col(2)->Title()->SetSortMarker(smUpEh);  // descending
    db.grid->Core()->DefaultApplySorting();
    EXPECT_EQ(db.query->Sort(), "price DESC");
    Col(3)->STFilter()->Clear();
    db.grid->Core()->DefaultApplyFilter();
    EXPECT_EQ(Ids(), (std::vector<String>{"7", "4", "1", "5", "3"}));
    Col(2)->STFilter()->Clear();
    db.grid->Core()->DefaultApplyFilter();
    EXPECT_FALSE(db.query->Filtered());
    EXPECT_EQ(db.query->RecordCount(), 9);
    EXPECT_EQ(db.grid->Core()->DefaultMoveRecords({db.query->Bookmark()}, 3, true), 0);
}

// Counts the service's calls of the application's handlers.
struct HandlerProbe {
    int filters = 0, sorts = 0;
    TObject* sender = nullptr;
    TDBGridEhCore* grid = nullptr;
    void Filter(TObject* s, TDBGridEhCore* g) { ++filters, sender = s, grid = g; }
    void Sort(TObject* s, TDBGridEhCore* g) { ++sorts, sender = s, grid = g; }
};

TEST_F(GridDataServiceTest, ApplicationHandlersComeFirst) {
    RegisterDataSetFeaturesEh(std::make_unique<TClientDataSetFeaturesEh>());
    HandlerProbe probe;
    service.ApplyFilterEvent = Event<&HandlerProbe::Filter>(&probe);
    service.ApplySortingEvent = Event<&HandlerProbe::Sort>(&probe);
    Col(1)->STFilter()->SetExpressionText("alpha");
    db.grid->Core()->DefaultApplyFilter();
    EXPECT_EQ(probe.sender, &service);
    EXPECT_EQ(probe.grid, db.grid->Core());
    Col(1)->Title()->SetSortMarker(smDownEh);
    db.grid->Core()->DefaultApplySorting();
    EXPECT_EQ(probe.filters, 1);
    EXPECT_EQ(probe.sorts, 1);
    EXPECT_EQ(db.query->RecordCount(), 9);
    EXPECT_EQ(db.query->Sort(), "");
}

TEST_F(GridDataServiceTest, ColumnFilterKeepsItsTextWhenANewOneDoesNotRead) {
    TSTColumnFilterEh* filter = Col(2)->STFilter();
    filter->SetExpressionText(">= 3 and < 50");
    EXPECT_EQ(filter->NormalisedText(), ">= 3 AND < 50");
    EXPECT_EQ(filter->Expression().ExpressionType, botNumber);
    EXPECT_THROW(filter->SetExpressionText("> x"), EConvertError);
    EXPECT_THROW(filter->SetExpressionText("In (1"), EFilterExpressionError);
    EXPECT_EQ(filter->ExpressionText(), ">= 3 and < 50");
    EXPECT_EQ(filter->NormalisedText(), ">= 3 AND < 50");
    EXPECT_EQ(filter->FilterFieldName(), "price");
    filter->DataField = "code";
    EXPECT_EQ(filter->FilterFieldName(), "code");
    filter->Clear();
    EXPECT_EQ(filter->NormalisedText(), "");
    EXPECT_EQ(Col(1)->STFilter()->Expression().ExpressionType, 0);  // nothing typed yet
}


// A list-based filter: the text typed is looked up in the list's shown field and the records holding
// the key found are kept; a text the list does not hold keeps the records without a key.
TEST_F(GridDataServiceTest, ListBasedFilterKeepsTheRecordsOfTheKeyFound) {
    RegisterDataSetFeaturesEh(std::make_unique<TClientDataSetFeaturesEh>());
    TADOQuery* list = db.session->NewQuery();
    OpenQuery(list, "select code, name from items where code <= 5");
    TDataSource* listSource = New<TDataSource>(nullptr);
    listSource->SetDataSet(list);
    // The number column "id" filters by code through a list of names: its text is a name.
    TSTColumnFilterEh* filter = Col(0)->STFilter();
    filter->DataField = "code";
    filter->KeyField = "code";
    filter->ListField = "name";
    EXPECT_FALSE(filter->ShowsDropDownButton());
    filter->SetListSource(listSource);
    EXPECT_TRUE(filter->KeyBased());
    EXPECT_TRUE(filter->ShowsDropDownButton());

    struct Case {
        const char* text;
        std::vector<String> ids;
        const char* normalised;
    } cases[] = {
        {"charlie", {"3"}, "charlie"},
        {"  echo ", {"5"}, "echo"},
        {"golf", {}, ""},  // not in the list (code 7 is past it): no key, no records
        {"=Null", {}, ""},  // every item has a code
        {"<> Null", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, ""},
        {"", {"1", "2", "3", "4", "5", "6", "7", "8", "9"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        filter->SetExpressionText(c.text);
        db.grid->Core()->DefaultApplyFilter();
        EXPECT_EQ(Ids(), c.ids);
        EXPECT_EQ(filter->NormalisedText(), c.normalised);
        EXPECT_EQ(filter->ExpressionText(), c.text);
    }
    filter->SetExpressionText("bravo");
    EXPECT_EQ(VarToStr(filter->FirstOperand()), "2");

    // The drop-down's values are the list's shown field, from the list data set.
    std::unique_ptr<TDatasetFieldValueListEh> values = filter->ListValues();
    ASSERT_NE(values, nullptr);
    TStrings* texts = values->Values();
    ASSERT_EQ(texts->Count(), 5);
    EXPECT_EQ(texts->Strings(0), "alpha");
    EXPECT_EQ(texts->Strings(4), "echo");

    // A list source freed under the filter leaves it without a list, not with a dangling one.
    listSource->Free();
    EXPECT_EQ(filter->ListSource(), nullptr);
    EXPECT_EQ(filter->ListValues(), nullptr);
    EXPECT_FALSE(filter->ShowsDropDownButton());
    filter->SetExpressionText("charlie");  // no list to look it up in: no key
    EXPECT_TRUE(VarIsNull(filter->KeyValues()));
}

}  // namespace
