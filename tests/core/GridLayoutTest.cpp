// The data grid's layout and painting arithmetic without windows: row heights, the rows that fit
// with footers pinned to the bottom, fixed columns, auto-fit, the multi-title head tree, cell kinds,
// the 3D and indicator choices, line colours, the vertical scroll bar's numbers, footer texts from
// the aggregate stand-in, and the columns that follow the data set's fields.
#include "DBGridEhLayoutCore.h"
#include "GridTestSupport.h"

#include <numeric>

using namespace gridtest;

namespace {

TEST(GridLayout, RowHeightFromFontAndSettings) {
    struct Row {
        const char* name;
        bool flat, rowLines, fit;
        int rowHeight, rowLinesProp;
        int expectedHeight, expectedRowHeight, expectedRowLines;
    };
    // "Wg" 13 high; tmHeight 13, external leading 2.
    const Row rows[] = {
        {"plain: text + 3 + line", false, true, false, 0, 0, 17, 0, 0},
        {"flat: text + 1 + line", true, true, false, 0, 0, 15, 0, 0},
        {"no row lines", false, false, false, 0, 0, 16, 0, 0},
        {"one text line per row: no padding", false, true, false, 0, 1, 15, 0, 1},
        {"RowHeight adds to the lines", false, true, false, 5, 2, 35, 5, 2},
        {"fit: one line, padding becomes RowHeight", false, true, true, 0, 0, 17, 4, 1},
        {"fit: up to half a line rounds down", false, true, true, 5, 2, 30, 4, 2},
        {"fit: more than half rounds up", false, true, true, 10, 2, 43, 4, 3},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TRowHeightInputEh in;
        in.Flat = row.flat;
        in.RowLinesOn = row.rowLines;
        in.GridLineWidth = 1;
        in.TextHeight = 13;
        in.FontHeight = 13;
        in.ExternalLeading = 2;
        in.RowHeight = row.rowHeight;
        in.RowLines = row.rowLinesProp;
        in.FitRowHeightToText = row.fit;
        const TRowHeightEh out = CalcRowHeightEh(in);
        EXPECT_EQ(out.DefaultRowHeight, row.expectedHeight);
        EXPECT_EQ(out.RowHeight, row.expectedRowHeight);
        EXPECT_EQ(out.RowLines, row.expectedRowLines);
        // Fitting again changes nothing.
        if (row.fit) {
            in.RowHeight = out.RowHeight;
            in.RowLines = out.RowLines;
            in.FontHeight = 13;
            in.ExternalLeading = 0;
            EXPECT_EQ(CalcRowHeightEh(in).DefaultRowHeight, out.DefaultRowHeight);
        }
    }
}

TEST(GridLayout, RowsFitTheClientAndFootersSitAtTheBottom) {
    TGridRowsInputEh in;
    in.ClientHeight = 300;
    in.TitleRowHeight = 20;
    in.DefaultRowHeight = 17;
    in.LineWidth = 1;
    // Without footers: (300 - 21) / 18 = 15 data rows.
    EXPECT_EQ(GridBufferCountEh(in), 15);
    std::vector<int> heights = GridRowHeightsEh(in, 15);
    ASSERT_EQ(heights.size(), 16u);
    EXPECT_EQ(heights[0], 20);
    EXPECT_EQ(heights[15], 17);

    // One footer row: it and the filler's line leave (300 - 21 - 18 - 1) / 18 = 14 rows.
    in.FooterRows = 1;
    EXPECT_EQ(GridBufferCountEh(in), 14);
    for (int records : {14, 3, 0}) {
        SCOPED_TRACE(records);
        heights = GridRowHeightsEh(in, records);
        ASSERT_EQ(heights.size(), static_cast<std::size_t>(1 + records + 2));
        const int total = std::accumulate(heights.begin(), heights.end(), 0) + static_cast<int>(heights.size());
        EXPECT_EQ(total, 300);  // the filler takes the rest: the footer ends at the client's bottom
        EXPECT_EQ(heights.back(), 17);
    }
    // A client too low for anything keeps one data row and a filler of 0.
    in.ClientHeight = 30;
    EXPECT_EQ(GridBufferCountEh(in), 1);
    heights = GridRowHeightsEh(in, 1);
    EXPECT_EQ(heights[2], 0);
    // The filter row is a fixed row of the default height.
    in.ClientHeight = 300;
    in.FooterRows = 0;
    in.HasFilter = true;
    EXPECT_EQ(GridBufferCountEh(in), 14);
    EXPECT_EQ(GridRowHeightsEh(in, 2), (std::vector<int>{20, 17, 17, 17}));
}

TEST(GridLayout, FixedColumnsCountFrozenAndHiddenOnes) {
    struct Row {
        const char* name;
        std::vector<bool> visible;
        int frozen;
        int indicator;
        bool countFrozen;
        int expected;
    };
    const Row rows[] = {
        {"indicator only", {true, true, true}, 0, 1, true, 1},
        {"no indicator", {true, true, true}, 0, 0, true, 0},
        {"two frozen", {true, true, true}, 2, 1, true, 3},
        {"a hidden one among the frozen", {true, false, true, true}, 2, 1, true, 4},
        {"hidden ones right after", {true, false, false, true}, 1, 1, true, 4},
        {"leading hidden ones without frozen", {false, true}, 0, 1, true, 2},
        {"frozen ignored without link or customized columns", {true, true, true}, 2, 1, false, 1},
        {"more frozen than columns", {true, true}, 5, 1, true, 2},
        {"nothing visible", {false, false}, 0, 1, true, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CalcFixedColsEh(row.visible, row.frozen, row.indicator, row.countFrozen), row.expected);
    }
}

TEST(GridLayout, AutoFitFillsTheClientWidthExactly) {
    TAutoFitInputEh in;
    in.ClientWidth = 500;
    in.IndicatorWidth = 11;
    std::vector<TAutoFitColumnEh> columns(3);
    columns[0].BaseWidth = 100;
    columns[1].BaseWidth = 50;
    columns[2].BaseWidth = 70;
    std::vector<int> widths = AutoFitWidthsEh(in, columns);
    // 500 - 11 - 3 lines - 1 indicator line = 485.
    EXPECT_EQ(std::accumulate(widths.begin(), widths.end(), 0), 485);
    EXPECT_NEAR(widths[0], 485 * 100 / 220, 1);

    // A column that cannot shrink below its minimum keeps it; the others share the rest.
    in.ClientWidth = 200;
    columns[0].MinWidth = 120;
    widths = AutoFitWidthsEh(in, columns);
    EXPECT_EQ(widths[0], 120);
    EXPECT_EQ(widths[1] + widths[2], 185 - 120);
    EXPECT_NEAR(static_cast<double>(widths[1]) / widths[2], 50.0 / 70.0, 0.1);

    // A column that does not fit keeps its width; MinAutoFitWidth widens the space.
    columns[0].MinWidth = 0;
    columns[0].AutoFit = false;
    columns[0].Width = 40;
    in.MinAutoFitWidth = 400;
    widths = AutoFitWidthsEh(in, columns);
    EXPECT_EQ(widths[0], 40);
    EXPECT_EQ(widths[0] + widths[1] + widths[2], 400 - 15);
    // No room at all gives zero widths, never negative ones.
    in.ClientWidth = 5;
    in.MinAutoFitWidth = 0;
    widths = AutoFitWidthsEh(in, columns);
    EXPECT_EQ(widths[1], 0);
    EXPECT_EQ(widths[2], 0);
}

// A measure of 10 pixels per line, lines of at most `width / 8` characters.
int FakeMeasure(const THeadTreeNode*, const String& text, int width) {
    const int perLine = std::max(width / 8, 1);
    const int lines = (static_cast<int>(text.size()) + perLine - 1) / perLine;
    return 10 * std::max(lines, 1);
}

TEST(GridLayout, HeadTreeGroupsNeighboursWithTheSameFirstPart) {
    THeadTreeNode root("Root", 10, 0);
    const std::vector<THeadLeafEh> leaves = {
        {"Id", 40}, {"Person|Name", 100}, {"Person|City", 80}, {"Money", 60}, {"Person|Age", 60}};
    const std::vector<THeadTreeNode*> result = BuildHeadTreeEh(&root, leaves, 20, 1);
    ASSERT_EQ(result.size(), 5u);
    // Id, Person(Name, City), Money, Person(Age): the last Person is a group of its own.
    ASSERT_EQ(root.ChildCount(), 4);
    THeadTreeNode* person = root.Child(1);
    EXPECT_EQ(person->Text, "Person");
    ASSERT_EQ(person->ChildCount(), 2);
    EXPECT_EQ(person->Child(0), result[1]);
    EXPECT_EQ(result[1]->Text, "Name");
    EXPECT_EQ(result[2]->Text, "City");
    EXPECT_EQ(person->Width, 100 + 1 + 80);
    EXPECT_EQ(root.Child(3)->Text, "Person");
    EXPECT_EQ(root.Child(3)->Child(0), result[4]);
    EXPECT_EQ(result[0]->Host(), &root);

    // Heights: the group level takes the deepest column; leaves fill down to the bottom.
    const int total = LayoutHeadTreeEh(&root, &FakeMeasure);
    EXPECT_EQ(total, 20);
    EXPECT_EQ(result[0]->Height, 20);       // Id spans both levels
    EXPECT_EQ(person->Height, 10);
    EXPECT_EQ(result[1]->Height, 10);
    EXPECT_EQ(person->Height + person->SubtreeHeight(), total);
}

TEST(GridLayout, HeadTreeNestsAndWrapsText) {
    THeadTreeNode root("Root", 10, 0);
    const std::vector<THeadLeafEh> leaves = {{"A|B|X", 40}, {"A|B|Y", 40}, {"A|C", 16}};
    const auto result = BuildHeadTreeEh(&root, leaves, 20, 1);
    ASSERT_EQ(root.ChildCount(), 1);
    THeadTreeNode* a = root.Child(0);
    ASSERT_EQ(a->ChildCount(), 2);
    EXPECT_EQ(a->Child(0)->Text, "B");
    EXPECT_EQ(a->Child(0)->ChildCount(), 2);
    EXPECT_EQ(a->Child(1), result[2]);
    // "C" in a 16-pixel column wraps to two lines in the fake measure only when long; a long
    // caption of a narrow leaf makes the whole level taller.
    result[2]->Text = "a long caption";
    const int total = LayoutHeadTreeEh(&root, &FakeMeasure);
    const int cHeight = FakeMeasure(nullptr, "a long caption", 16 - 4);
    EXPECT_EQ(total, 10 + std::max(20, cHeight));
    EXPECT_EQ(a->Child(1)->Height, total - a->Height);
}

TEST(GridLayout, HeadTreeUnionChecksItsNodes) {
    THeadTreeNode root("Root", 10, 0);
    THeadTreeNode* a = root.AddChild("a", 20, 10);
    THeadTreeNode* b = root.AddChild("b", 20, 10);
    THeadTreeNode other("Other", 10, 0);
    THeadTreeNode* stranger = other.AddChild("x", 20, 10);
    try {
        root.Union(stranger, stranger, "g", 20);
        FAIL();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "Node not in Tree");
    }
    try {
        root.Union(b, a, "g", 20);  // the end before the start
        FAIL();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "ATo not in level");
    }
    THeadTreeNode* group = root.Union(a, b, "g", 20);
    EXPECT_EQ(root.ChildCount(), 1);
    EXPECT_EQ(a->Host(), group);
    EXPECT_TRUE(root.Contains(b));
}

TEST(GridLayout, CellKindsOfEveryRow) {
    TGridShapeEh shape;
    shape.IndicatorOffset = 1;
    shape.TitleRows = 1;
    shape.FilterRows = 1;
    shape.FooterRows = 2;
    shape.RowCount = 2 + 4 + 1 + 2;  // title, filter, 4 data rows, filler, 2 footers
    struct Row {
        int col, row;
        TCellKindEh cell;
        TRowKindEh kind;
        int dataCol, dataRow;
    };
    const Row rows[] = {
        {0, 0, ckIndicatorEh, rkTitleEh, -1, -1}, {3, 0, ckDataColEh, rkTitleEh, 2, -1},
        {1, 1, ckDataColEh, rkFilterEh, 0, 0},     {1, 2, ckDataColEh, rkDataEh, 0, 0},
        {2, 5, ckDataColEh, rkDataEh, 1, 3},       {1, 6, ckDataColEh, rkFillerEh, 0, -1},
        {0, 7, ckIndicatorEh, rkFooterEh, -1, 1}, {1, 8, ckDataColEh, rkFooterEh, 0, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.col) + "," + std::to_string(row.row));
        const TCellTypeEh type = GetCellTypeEh(shape, row.col, row.row);
        EXPECT_EQ(type.CellKind, row.cell);
        EXPECT_EQ(type.RowKind, row.kind);
        EXPECT_EQ(type.DataCol, row.dataCol);
        EXPECT_EQ(type.DataRow, row.dataRow);
    }
    TCellTypeEh type;
    EXPECT_FALSE(TryGetCellTypeEh(shape, 1, 9, type));
    try {
        GetCellTypeEh(shape, 1, -1);
        FAIL();
    } catch (const EInvalidGridOperation& e) {
        EXPECT_STREQ(e.what(), "Algorithm error in TCustomDBGridEh.GetCellType");
    }
    // Without footers every row below the fixed ones holds data.
    shape.FooterRows = 0;
    EXPECT_EQ(GetCellTypeEh(shape, 1, 8).RowKind, rkDataEh);
}

TEST(GridLayout, ThreeDimensionalCellsByOption) {
    auto type = [](TCellKindEh cell, TRowKindEh row) {
        TCellTypeEh t;
        t.CellKind = cell;
        t.RowKind = row;
        return t;
    };
    TCell3DInputEh fixed3D;
    fixed3D.Fixed3D = true;
    EXPECT_TRUE(IsCellDrawn3DEh(fixed3D, type(ckIndicatorEh, rkDataEh)));
    EXPECT_TRUE(IsCellDrawn3DEh(fixed3D, type(ckDataColEh, rkTitleEh)));
    EXPECT_FALSE(IsCellDrawn3DEh(fixed3D, type(ckDataColEh, rkDataEh)));
    EXPECT_FALSE(IsCellDrawn3DEh(fixed3D, type(ckIndicatorEh, rkFillerEh)));
    EXPECT_FALSE(IsCellDrawn3DEh(fixed3D, type(ckDataColEh, rkFooterEh)));
    TCell3DInputEh withData = fixed3D;
    withData.Data3D = true;
    withData.FootersPresent = true;
    EXPECT_TRUE(IsCellDrawn3DEh(withData, type(ckIndicatorEh, rkFillerEh)));
    EXPECT_TRUE(IsCellDrawn3DEh(withData, type(ckDataColEh, rkDataEh)));
    TCell3DInputEh footer;
    footer.Footer3D = true;
    EXPECT_TRUE(IsCellDrawn3DEh(footer, type(ckDataColEh, rkFooterEh)));
    TCell3DInputEh filter = fixed3D;
    filter.FilterVisible = true;
    EXPECT_FALSE(IsCellDrawn3DEh(filter, type(ckDataColEh, rkFilterEh)));
}

TEST(GridLayout, IndicatorImageFollowsTheStateOfTheCurrentRow) {
    EXPECT_EQ(IndicatorImageEh(dsBrowse, true, false, false), 0);
    EXPECT_EQ(IndicatorImageEh(dsBrowse, true, true, false), 5);
    EXPECT_EQ(IndicatorImageEh(dsBrowse, true, false, true), 6);
    EXPECT_EQ(IndicatorImageEh(dsEdit, true, true, false), 1);
    EXPECT_EQ(IndicatorImageEh(dsInsert, true, false, false), 2);
    EXPECT_EQ(IndicatorImageEh(dsSetKey, true, false, false), 0);
    EXPECT_EQ(IndicatorImageEh(dsBrowse, false, true, false), -1);  // other selected rows: none
}

TEST(GridLayout, LineAndFilterColours) {
    EXPECT_EQ(GridLineColorsEh(false, false, clWindow).Fixed, clBlack);
    EXPECT_EQ(GridLineColorsEh(true, false, clWindow).Fixed, clBtnShadow);
    EXPECT_EQ(GridLineColorsEh(false, false, clWindow).Data, clSilver);
    EXPECT_EQ(GridLineColorsEh(false, false, clSilver).Data, clGray);
    // Each channel + c / 8 rounded half to even, at most 255.
    EXPECT_EQ(LightenColorEh(static_cast<TColor>(0x00F0C804)), static_cast<TColor>(0x00FFE104));
    EXPECT_EQ(LightenColorEh(static_cast<TColor>(0x0000140C)), static_cast<TColor>(0x0000160E));
}

TEST(GridLayout, VerticalScrollBarNumbers) {
    struct Row {
        const char* name;
        TVertScrollInputEh in;
        TVertScrollInfoEh expected;
    };
    auto input = [](bool active, bool sequenced, int count, int recNo, int rows, bool bof, bool eof) {
        TVertScrollInputEh in;
        in.LinkActive = active;
        in.Sequenced = sequenced;
        in.RecordCount = count;
        in.RecNo = recNo;
        in.VisibleDataRows = rows;
        in.Bof = bof;
        in.Eof = eof;
        return in;
    };
    const Row rows[] = {
        {"record numbers", input(true, true, 100, 37, 20, false, false), {1, 119, 20, 37}},
        {"no link", input(false, true, 100, 37, 20, false, false), {0, 1, 2, 0}},
        {"five steps at the start", input(true, false, 0, 0, 20, true, false), {0, 4, 0, 0}},
        {"five steps in the middle", input(true, false, 0, 0, 20, false, false), {0, 4, 0, 2}},
        {"five steps at the end", input(true, false, 0, 0, 20, false, true), {0, 4, 0, 4}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CalcVertScrollInfoEh(row.in), row.expected);
    }
    // Inserting keeps the last position.
    TVertScrollInputEh inserting = input(true, true, 100, 0, 20, false, false);
    inserting.BeyondEdit = true;
    inserting.PreviousPos = 12;
    EXPECT_EQ(CalcVertScrollInfoEh(inserting).Pos, 12);
}

TEST(GridLayout, LookupGridScrollBarNumbers) {
    struct Row {
        const char* name;
        TLookupVertScrollInputEh in;
        TVertScrollInfoEh expected;
    };
    auto input = [](bool sequenced, int count, int first, int rows, int shown, bool bof, bool eof) {
        TLookupVertScrollInputEh in;
        in.ListActive = true;
        in.Sequenced = sequenced;
        in.RecordCount = count;
        in.FirstVisibleRecNo = first;
        in.VisibleRows = rows;
        in.WindowRecords = shown;
        in.Bof = bof;
        in.Eof = eof;
        return in;
    };
    TLookupVertScrollInputEh inactive = input(true, 50, 10, 7, 7, false, false);
    inactive.ListActive = false;
    TLookupVertScrollInputEh closedState = input(true, 50, 10, 7, 7, false, false);
    closedState.Browsing = false;
    const Row rows[] = {
        {"inactive list", inactive, {0, 2, 0, 0}},
        {"window at the top", input(true, 50, 1, 7, 7, true, false), {0, 49, 7, 0}},
        {"window further down", input(true, 50, 10, 7, 7, false, false), {0, 49, 7, 9}},
        {"not browsing", closedState, {0, 49, 7, 0}},
        {"empty data set", input(true, 0, 1, 7, 0, true, true), {0, 0, 7, 0}},
        {"five steps at the start", input(false, 0, 0, 7, 7, true, false), {0, 4, 0, 0}},
        {"five steps in the middle", input(false, 0, 0, 7, 7, false, false), {0, 4, 0, 2}},
        {"five steps at the end", input(false, 0, 0, 7, 7, false, true), {0, 4, 0, 4}},
        {"five steps, every record in view", input(false, 0, 0, 7, 3, true, true), {0, 0, 0, 0}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(CalcLookupVertScrollInfoEh(row.in), row.expected);
    }
}

TEST(GridLayout, LineBreaksBecomeCrLf) {
    EXPECT_EQ(NormaliseLineBreaksEh("a\nb\rc\r\nd"), "a\r\nb\r\nc\r\nd");
    EXPECT_EQ(NormaliseLineBreaksEh(""), "");
    EXPECT_EQ(NormaliseLineBreaksEh("\n\n"), "\r\n\r\n");
}

TEST(GridFooters, FooterTextFromTheAggregatesByFieldType) {
    GridDb db;
    TTestGridEh* grid = db.grid;
    grid->Core()->Columns()->Clear();
    for (const char* name : {"code", "price", "name", "note"}) grid->Core()->Columns()->Add()->SetFieldName(name);
    TDBGridEhSumList* sums = grid->Core()->SumList();
    sums->SetAggregate(goSum, "code", 450000);      // 45
    sums->SetAggregate(goAvg, "code", 18750);       // 1.875
    sums->SetAggregate(goSum, "price", 1437500);    // 143.75
    sums->SetAggregate(goCount, "", 90000);         // 9 records
    struct Row {
        const char* name;
        int column;
        TFooterValueType type;
        const char* fieldName;
        const char* format;
        const char* expected;
    };
    const Row rows[] = {
        {"integer sum, plain", 0, fvtSum, "", "", "45"},
        {"integer average rounds", 0, fvtAvg, "", "", "2"},
        {"integer sum with the footer's format", 0, fvtSum, "", "#,##0.00", "45.00"},
        {"float sum in general format", 1, fvtSum, "", "", "143.75"},
        {"float sum formatted", 1, fvtSum, "", "0.0", "143.8"},
        {"a sum without an aggregate yet", 1, fvtAvg, "", "", "0"},
        {"the footer's own field", 2, fvtSum, "code", "", "45"},
        {"no such field", 2, fvtSum, "nosuch", "", "0"},
        {"a text field sums the numbers among its texts (none)", 2, fvtSum, "", "", "0"},
        {"count of every record", 3, fvtCount, "", "", "9"},
        {"count formatted", 3, fvtCount, "", "0.0", "9.0"},
        {"static text", 3, fvtStaticText, "", "", "Total"},
        {"nothing", 3, fvtNon, "", "", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TColumnFooterEh* footer = grid->Core()->Columns()->ColumnAt(row.column)->Footer();
        footer->SetValueType(row.type);
        footer->SetFieldName(row.fieldName);
        footer->SetDisplayFormat(row.format);
        footer->SetValue("Total");
        EXPECT_EQ(grid->Core()->GetFooterValueText(0, grid->Core()->Columns()->ColumnAt(row.column)), row.expected);
    }
    // A field value footer shows the current record.
    TColumnFooterEh* footer = grid->Core()->Columns()->ColumnAt(2)->Footer();
    footer->SetValueType(fvtFieldValue);
    footer->SetFieldName("name");
    footer->SetDisplayFormat("");
    db.GoTo(3);
    EXPECT_EQ(grid->Core()->GetFooterValueText(0, grid->Core()->Columns()->ColumnAt(2)), "charlie");
    // Row 1 of a column with a second footer uses that footer.
    TColumnEh* column = grid->Core()->Columns()->ColumnAt(0);
    column->Footers()->Add()->SetValueType(fvtStaticText);
    column->Footers()->Add()->SetValueType(fvtStaticText);
    column->Footers()->Items(1)->SetValue("second");
    EXPECT_EQ(grid->Core()->GetFooterValueText(1, column), "second");
}

TEST(GridFooters, StandInTellsTheGridOfChangedValues) {
    GridDb db;
    int reports = 0;
    struct Counter {
        int* n;
        void Changed(TObject*) { ++*n; }
    } counter{&reports};
    TDBGridEhSumList* sums = db.grid->Core()->SumList();
    EXPECT_FALSE(sums->Active());
    EXPECT_EQ(sums->DataSet(), db.query);  // handed over with the data source
    EXPECT_TRUE(sums->IsSequenced());
    EXPECT_EQ(sums->RecordCount(), 9);
    const TNotifyEvent saved = sums->SumListChanged;
    sums->SumListChanged = Event<&Counter::Changed>(&counter);
    sums->SetAggregate(goSum, "code", 10000);
    sums->SetAggregate(goSum, "CODE", 10000);  // the same value again: no report
    sums->SetAggregate(goSum, "code", 20000);
    EXPECT_EQ(reports, 2);
    std::int64_t value = 0;
    EXPECT_TRUE(sums->FindAggregate(goSum, "Code", value));
    EXPECT_EQ(value, 20000);
    EXPECT_FALSE(sums->FindAggregate(goAvg, "code", value));
    sums->SumListChanged = saved;
}

TEST(GridColumnsLayout, MadeColumnsSurviveARebuildAndFollowFieldOrder) {
    GridDb db;
    TTestGridEh* grid = db.grid;
    grid->Core()->RebuildColumns();
    ASSERT_FALSE(grid->Core()->Columns()->Customized());
    TColumnEh* name = nullptr;
    for (int i = 0; i < grid->Core()->Columns()->Count(); ++i)
        if (grid->Core()->Columns()->ColumnAt(i)->FieldName() == "name") name = grid->Core()->Columns()->ColumnAt(i);
    ASSERT_NE(name, nullptr);
    name->Title()->SetSortMarker(smDownEh);
    // The link closes and opens again (a new SQL text): the same column object keeps its marker.
    OpenQuery(db.query, "select * from items order by id desc");
    grid->Core()->RebuildColumns();
    ASSERT_EQ(grid->Core()->Columns()->Count(), db.query->FieldCount());
    bool found = false;
    for (int i = 0; i < grid->Core()->Columns()->Count(); ++i)
        if (grid->Core()->Columns()->ColumnAt(i) == name) found = true;
    EXPECT_TRUE(found);
    EXPECT_EQ(name->Title()->SortMarker(), smDownEh);
    // A moved field moves its column.
    db.query->FieldByName("name")->SetIndex(0);
    grid->Core()->RebuildColumns();
    EXPECT_EQ(grid->Core()->Columns()->ColumnAt(0), name);
    // A data set without fields leaves one empty column.
    grid->Core()->SetDataSource(nullptr);
    grid->Core()->RebuildColumns();
    ASSERT_EQ(grid->Core()->Columns()->Count(), 1);
    EXPECT_EQ(grid->Core()->Columns()->ColumnAt(0)->FieldName(), "");
}

TEST(GridColumnsLayout, ReleasingALayoutLockLaysOutNothing) {
    GridDb db;
    TTestGridEh* grid = db.grid;
    const int layouts = grid->layouts;
    grid->Core()->BeginLayout();
    grid->Core()->BeginLayout();
    EXPECT_FALSE(grid->Core()->TryBeginLayout());
    grid->Core()->ReleaseLayout();
    grid->Core()->ReleaseLayout();
    EXPECT_EQ(grid->Core()->LayoutLock(), 0);
    EXPECT_EQ(grid->Core()->UpdateLock(), 0);
    EXPECT_EQ(grid->Core()->Columns()->UpdateCount(), 0);
    grid->Core()->ReleaseLayout();  // nothing held: nothing happens
    EXPECT_EQ(grid->Core()->LayoutLock(), 0);
    EXPECT_EQ(grid->layouts, layouts);
    // RelayoutColumns holds the locks while the layout runs.
    int lockSeen = -1;
    grid->onLayout = [&] { lockSeen = grid->Core()->LayoutLock(); };
    grid->Core()->RelayoutColumns();
    EXPECT_EQ(lockSeen, 1);
    EXPECT_EQ(grid->Core()->LayoutLock(), 0);
}

}  // namespace
