// Grid columns kept in T_FieldShow: the statements (quote-bearing input), the column settings the
// shipped rows give, saving widths and order, the sort text of the sort markers and what it does
// to a real query, the same on a grid without a window, and the column chooser's moves and
// updates.
#include "DbTestSupport.h"
#include "GridColumnSetup.h"
#include "GridTestSupport.h"
#include "U_CustomLogic.h"

#include <filesystem>

using namespace dbtest;

namespace {

TEST(GridColumnStatementsTest, KeepTheirTextAndQuoteValues) {
    const struct {
        const char* name;
        String built;
        const char* expected;
    } cases[] = {
        {"shown columns", GridColumnsSql("Custom"),
         "select * from T_FieldShow where show=1 and TableName='Custom' order by ShowID"},
        {"shown columns, quoted table", GridColumnsSql("a'b"),
         "select * from T_FieldShow where show=1 and TableName='a''b' order by ShowID"},
        {"save a column", SaveGridColumnSql(0, 64, "Custom", "CustCode"),
         "update T_FieldShow set showid=0,width=64 where tablename='Custom' and field='CustCode'"},
        {"save, quoted field", SaveGridColumnSql(12, 150, "Custom", "x'y"),
         "update T_FieldShow set showid=12,width=150 where tablename='Custom' and field='x''y'"},
        {"chooser, hidden", ChooserListSql(false, "Custom"),
         "select * from T_FieldShow where show=0 and TableName='Custom'"},
        {"chooser, shown", ChooserListSql(true, "Custom"),
         "select * from T_FieldShow where show=1 and TableName='Custom'"},
        {"switch off", ChooserUpdateSql(false, "年龄", "Custom"),
         "update T_FieldShow set show=0 where name='年龄' and TableName='Custom'"},
        {"switch on, caption trimmed", ChooserUpdateSql(true, "  年龄 ", "Custom"),
         "update T_FieldShow set show=1 where name='年龄' and TableName='Custom'"},
        {"switch on, quoted caption", ChooserUpdateSql(true, "Tom's", "Custom"),
         "update T_FieldShow set show=1 where name='Tom''s' and TableName='Custom'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.built, c.expected);
    }
}

TEST(SortTextTest, FollowsTheMarkingOrderExactly) {
    const struct {
        const char* name;
        std::vector<TSortMark> marks;
        const char* expected;
    } cases[] = {
        {"nothing marked", {}, ""},
        {"one down", {{"CustCode", false}}, "  CustCode"},
        {"one up", {{"CustCode", true}}, "  CustCode DESC "},
        {"down then up", {{"CustCode", false}, {"Company", true}}, "  CustCode, Company DESC "},
        {"up then down", {{"Company", true}, {"CustCode", false}}, "  Company DESC , CustCode"},
        {"three", {{"Category", false}, {"income", true}, {"Company", false}}, "  Category, income DESC , Company"},
        {"a name with a 1 is kept whole", {{"Field1", false}}, "  Field1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SortTextOf(c.marks), c.expected);
    }
}

class GridColumnDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        BuildShippedDatabase(folder_.File("Custom.mdb"));
        session_ = std::make_unique<Session>(folder_.File("Custom.mdb"));
    }
    std::vector<TGridColumnSetting> Shown(const String& table = "Custom") {
        OpenQuery(session_->query, GridColumnsSql(table));
        return ReadGridColumnSettings(session_->query);
    }
    std::vector<String> Captions(bool shown) {
        OpenQuery(session_->query, ChooserListSql(shown, "Custom"));
        return ColumnTexts(session_->query, "Name");
    }
    TempFolder folder_;
    std::unique_ptr<Session> session_;
};

TEST_F(GridColumnDatabaseTest, ShippedRowsGiveTheShownColumnsInPositionOrder) {
    const std::vector<TGridColumnSetting> columns = Shown();
    ASSERT_EQ(columns.size(), 17u);
    EXPECT_EQ(columns[0], (TGridColumnSetting{"CustCode", 80, "个人编号", false, false}));
    EXPECT_EQ(columns[1], (TGridColumnSetting{"Company", 90, "个人名称", false, false}));
    int sums = 0, buttons = 0;
    for (const TGridColumnSetting& c : columns) {
        SCOPED_TRACE(c.Field);
        EXPECT_NE(c.Field, "fax");
        sums += c.FooterSum;
        buttons += c.EditButton;
        if (c.Field == "income") {
            EXPECT_TRUE(c.FooterSum);
        }
        if (c.Field == "email" || c.Field == "url") {
            EXPECT_TRUE(c.EditButton);
        }
    }
    EXPECT_EQ(sums, 1);
    EXPECT_EQ(buttons, 2);
    // Every shown field is a column of the person list.
    TADOQuery* persons = session_->NewQuery();
    OpenQuery(persons, "Select * from Custom");
    for (const TGridColumnSetting& c : columns) {
        EXPECT_NE(persons->FindField(c.Field), nullptr) << c.Field;
    }
    EXPECT_EQ(Shown("import").size(), 2u);
    EXPECT_TRUE(Shown("nothing").empty());
}

// Saving after a move numbers the columns 0, 1, 2 ... in their new order and keeps new widths.
TEST_F(GridColumnDatabaseTest, SavingWritesPositionsAndWidthsInTheGridsOrder) {
    std::vector<TGridColumnSetting> columns = Shown();
    std::swap(columns[0], columns[2]);  // Category moved to the front
    columns[1].Width = 123;             // Company resized
    for (std::size_t i = 0; i < columns.size(); ++i) {
        ExecQuery(session_->query, SaveGridColumnSql(static_cast<int>(i), columns[i].Width, "Custom", columns[i].Field));
        EXPECT_EQ(session_->query->RowsAffected(), 1) << columns[i].Field;
    }
    const std::vector<TGridColumnSetting> again = Shown();
    EXPECT_EQ(again, columns);
    // A field that is not in the table changes nothing.
    ExecQuery(session_->query, SaveGridColumnSql(0, 1, "Custom", "it's"));
    EXPECT_EQ(session_->query->RowsAffected(), 0);
}

TEST_F(GridColumnDatabaseTest, SortTextReordersTheQueryAndEmptyRestoresItsOrder) {
    TADOQuery* persons = session_->NewQuery();
    OpenQuery(persons, "Select * from Custom where CustCode in (1, 2, 3, 4, 5, 6)");
    persons->SetSort(SortTextOf({{"F_User", false}, {"CustCode", true}}));
    EXPECT_EQ(ColumnTexts(persons, "CustCode"), (std::vector<String>{"6", "5", "2", "1", "4", "3"}));
    persons->SetSort(SortTextOf({{"MainContact", true}}));
    EXPECT_EQ(ColumnTexts(persons, "CustCode"), (std::vector<String>{"6", "4", "1", "2", "5", "3"}));
    persons->SetSort(SortTextOf({}));
    EXPECT_EQ(ColumnTexts(persons, "CustCode"), (std::vector<String>{"1", "2", "3", "4", "5", "6"}));
}

TEST(ColumnChooserMoveTest, SelectedItemsArriveInReverseOrder) {
    std::vector<String> from{"a", "b", "c", "d"};
    std::vector<bool> selected{true, false, true, true};
    std::vector<String> to{"x"};
    MoveSelectedItems(from, selected, to);
    EXPECT_EQ(from, (std::vector<String>{"b"}));
    EXPECT_EQ(selected, (std::vector<bool>{false}));
    EXPECT_EQ(to, (std::vector<String>{"x", "d", "c", "a"}));

    // Nothing selected, and a selection list shorter than the items.
    std::vector<bool> none;
    MoveSelectedItems(from, none, to);
    EXPECT_EQ(from, (std::vector<String>{"b"}));
    std::vector<String> more{"p", "q", "r"};
    std::vector<bool> first{true};
    MoveSelectedItems(more, first, to);
    EXPECT_EQ(more, (std::vector<String>{"q", "r"}));
    EXPECT_EQ(to.back(), "p");

    MoveAllItems(more, to);
    EXPECT_TRUE(more.empty());
    EXPECT_EQ(to, (std::vector<String>{"x", "d", "c", "a", "p", "q", "r"}));
}

TEST(ColumnChooserMoveTest, ButtonsFollowTheListsThatHaveItems) {
    EXPECT_EQ(MoveButtonsFor(0, 0), (TMoveButtons{false, false, false, false}));
    EXPECT_EQ(MoveButtonsFor(2, 0), (TMoveButtons{true, true, false, false}));
    EXPECT_EQ(MoveButtonsFor(0, 1), (TMoveButtons{false, false, true, true}));
    EXPECT_EQ(MoveButtonsFor(3, 5), (TMoveButtons{true, true, true, true}));
}

// The chooser's OK: every hidden caption switched off, every shown one on; a column switched on
// takes its old position; a caption renamed meanwhile updates nothing.
TEST_F(GridColumnDatabaseTest, ChooserUpdatesSwitchColumnsAndKeepPositions) {
    std::vector<String> hidden = Captions(false);
    std::vector<String> shown = Captions(true);
    EXPECT_EQ(hidden, (std::vector<String>{"传真号码", "登记性别", "所属操作员", "录入序号"}));
    ASSERT_EQ(shown.size(), 17u);
    std::vector<bool> pick(hidden.size(), false);
    pick[0] = true;  // 传真号码 on
    MoveSelectedItems(hidden, pick, shown);
    std::vector<bool> pickShown(shown.size(), false);
    pickShown[7] = true;  // 年龄 off
    MoveSelectedItems(shown, pickShown, hidden);
    for (const String& caption : hidden) {
        ExecQuery(session_->query, ChooserUpdateSql(false, caption, "Custom"));
        EXPECT_EQ(session_->query->RowsAffected(), 1) << caption;
    }
    for (const String& caption : shown) {
        ExecQuery(session_->query, ChooserUpdateSql(true, caption, "Custom"));
        EXPECT_EQ(session_->query->RowsAffected(), 1) << caption;
    }
    std::vector<String> fields;
    for (const TGridColumnSetting& c : Shown()) fields.push_back(c.Field);
    EXPECT_EQ(fields, (std::vector<String>{"CustCode", "Company", "Category", "CustType", "CustLevel", "OtherInfo",
                                           "xueli", "address", "postcode", "tel", "fax", "Mobile", "income", "url",
                                           "email", "qq", "introduce"}));

    ExecQuery(session_->query, "update T_FieldShow set Name='手机' where Name='手机号码'");
    ExecQuery(session_->query, ChooserUpdateSql(false, "手机号码", "Custom"));
    EXPECT_EQ(session_->query->RowsAffected(), 0);
    ExecQuery(session_->query, ChooserUpdateSql(false, "it's", "Custom"));
    EXPECT_EQ(session_->query->RowsAffected(), 0);
}

// A person grid (without a window) over the shipped database.
class PersonGridTest : public GridColumnDatabaseTest {
protected:
    void SetUp() override {
        GridColumnDatabaseTest::SetUp();
        gridtest::RegisterTestGridClasses();
        persons_ = session_->NewQuery();
        OpenQuery(persons_, "Select * from Custom");
        source_ = New<TDataSource>(nullptr);
        source_->SetDataSet(persons_);
        grid_ = New<gridtest::TTestGridEh>(nullptr);
        grid_->Core()->SetDataSource(source_);
        grid_->Core()->SetOptionsEh(grid_->Core()->OptionsEh() + TDBGridEhOptions{dghAutoSortMarking, dghMultiSortMarking});
        fieldShow_ = session_->NewQuery();
    }
    void TearDown() override {
        grid_->Free();
        source_->Free();
    }
    std::vector<String> GridFields() const {
        std::vector<String> fields;
        for (int i = 0; i < grid_->Core()->Columns()->Count(); ++i) fields.push_back(grid_->Core()->Columns()->ColumnAt(i)->FieldName());
        return fields;
    }
    TColumnEh* Column(const String& field) const {
        for (int i = 0; i < grid_->Core()->Columns()->Count(); ++i)
            if (grid_->Core()->Columns()->ColumnAt(i)->FieldName() == field) return grid_->Core()->Columns()->ColumnAt(i);
        return nullptr;
    }
    TADOQuery* persons_ = nullptr;
    TADOQuery* fieldShow_ = nullptr;
    TDataSource* source_ = nullptr;
    gridtest::TTestGridEh* grid_ = nullptr;
};

TEST_F(PersonGridTest, ColumnsCaptionsFootersAndButtonsFollowTheShownRows) {
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
    std::vector<String> expected;
    for (const TGridColumnSetting& c : Shown()) expected.push_back(c.Field);
    EXPECT_EQ(GridFields(), expected);
    for (const TGridColumnSetting& c : Shown()) {
        SCOPED_TRACE(c.Field);
        TColumnEh* column = Column(c.Field);
        ASSERT_NE(column, nullptr);
        EXPECT_EQ(column->Width(), c.Width);
        EXPECT_TRUE(column->Title()->TitleButton());
        EXPECT_EQ(persons_->FieldByName(c.Field)->DisplayLabel(), c.Caption);
        EXPECT_EQ(column->Title()->Caption(), c.Caption);
        EXPECT_EQ(column->Footer()->ValueType(), c.FooterSum ? fvtSum : fvtNon);
        EXPECT_EQ(column->AlwaysShowEditButton(), c.EditButton);
        EXPECT_EQ(column->ButtonStyle(), c.EditButton ? cbsEllipsis : cbsAuto);
    }
    // Rebuilding replaces the columns rather than adding to them.
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
    EXPECT_EQ(GridFields(), expected);
}

TEST_F(PersonGridTest, AFieldTheQueryLacksRaisesAndKeepsTheColumnsBuiltBeforeIt) {
    ExecQuery(session_->query, "update T_FieldShow set Field='NoSuchColumn' where Field='Category' and TableName='custom'");
    try {
        SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
        ADD_FAILURE() << "no error";
    } catch (const EDatabaseError& e) {
        EXPECT_NE(String(e.Message).find("NoSuchColumn"), String::npos) << e.Message;
    }
    const std::vector<String> fields = GridFields();
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0], "CustCode");
    EXPECT_EQ(fields[1], "Company");
}

TEST_F(PersonGridTest, SavingAfterAResizeAndAMoveWritesTheGridsOrderAndWidths) {
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
    Column("Company")->SetWidth(133);
    Column("address")->SetIndex(0);
    SaveGridColumnsWith(*grid_->Core(), session_->query, "Custom");
    const std::vector<TGridColumnSetting> saved = Shown();
    ASSERT_EQ(saved.size(), 17u);
    std::vector<String> fields;
    for (const TGridColumnSetting& c : saved) fields.push_back(c.Field);
    EXPECT_EQ(fields, GridFields());
    EXPECT_EQ(saved[0].Field, "address");
    EXPECT_EQ(saved[2].Field, "Company");
    EXPECT_EQ(saved[2].Width, 133);
    OpenQuery(session_->query, "select * from T_FieldShow where TableName='custom' and Field='address'");
    EXPECT_EQ(session_->query->FieldByName("ShowID")->AsInteger(), 0);
    // The hidden rows keep their positions.
    OpenQuery(session_->query, "select * from T_FieldShow where TableName='custom' and Field='fax'");
    EXPECT_EQ(session_->query->FieldByName("ShowID")->AsInteger(), 11);
}

TEST_F(PersonGridTest, SortMarkersOrderTheQueryInMarkingOrder) {
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
    OpenQuery(persons_, "Select * from Custom where CustCode in (1, 2, 3, 4, 5, 6)");
    Column("OtherInfo")->Title()->SetSortMarker(smDownEh);
    Column("CustCode")->Title()->SetSortMarker(smUpEh);
    ApplySortMarkersTo(*grid_->Core(), persons_);
    EXPECT_EQ(persons_->Sort(), "  OtherInfo, CustCode DESC ");
    // 男 (nán) before 女 (nǚ) in pinyin order.
    EXPECT_EQ(ColumnTexts(persons_, "CustCode"), (std::vector<String>{"6", "4", "1", "5", "3", "2"}));
    Column("OtherInfo")->Title()->SetSortMarker(smNoneEh);
    Column("CustCode")->Title()->SetSortMarker(smNoneEh);
    ApplySortMarkersTo(*grid_->Core(), persons_);
    EXPECT_EQ(persons_->Sort(), "");
    EXPECT_EQ(ColumnTexts(persons_, "CustCode"), (std::vector<String>{"1", "2", "3", "4", "5", "6"}));
    persons_->Close();
    Column("Company")->Title()->SetSortMarker(smDownEh);
    EXPECT_NO_THROW(ApplySortMarkersTo(*grid_->Core(), persons_));
}

// Without shown rows no stored column is left (what the grid shows then is its own default).
TEST_F(PersonGridTest, NoShownRowsLeaveNoStoredColumn) {
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "Custom");
    SetupGridColumnsWith(*grid_->Core(), persons_, fieldShow_, "nothing");
    EXPECT_FALSE(grid_->Core()->Columns()->Customized());
}

}  // namespace
