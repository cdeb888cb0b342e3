// The data grid on a form over a real SQLite data set: its layout (rows from the height, column
// rectangles, frozen columns, footers at the bottom, the deferred layout) and its painting (texts in
// their cells, colours of titles, cells and selection, the indicator, sort markers, multi-line
// titles, footer values from the aggregate stand-in) and the person grid's settings.
#include "DBGridEhTestSupport.h"

#include "DBGridEhSelection.h"
#include "TypeRegistry.h"

using namespace gridwin;

namespace {

// A form holding the person grid as its description sets it.
class TFrmGridProbe : public TForm {
    VESTREL_CLASS(TFrmGridProbe, TForm)
public:
    using TForm::TForm;
    int sortNotices = 0;
    void Grid_CustSortMarkingChanged(TObject*) { ++sortNotices; }
};

const char* const kGridProbeText = R"(object FrmGridProbe: TFrmGridProbe
  Left = -3000
  Top = -3000
  Width = 560
  Height = 360
  Caption = 'grid'
  object DS_People: TDataSource
  end
  object Grid_Cust: TDBGridEh
    Left = 0
    Top = 0
    Width = 500
    Height = 300
    DataSource = DS_People
    DrawMemoText = True
    EditActions = [geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh]
    FooterColor = clYellow
    FooterRowCount = 1
    Options = [dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect, dgConfirmDelete, dgCancelOnExit, dgMultiSelect]
    OptionsEh = [dghFixed3D, dghHighlightFocus, dghClearSelection, dghAutoSortMarking, dghMultiSortMarking, dghRowHighlight]
    ReadOnly = True
    RowLines = 1
    SumList.Active = True
    OnSortMarkingChanged = Grid_CustSortMarkingChanged
  end
end
)";

int RowAdvanceSum(TDBGridEh* grid) {
    int total = 0;
    for (int r = 0; r < grid->RowCount(); ++r) total += grid->RowHeights(r) + 1;
    return total;
}

TEST(DBGridEhLayout, VisibleRowsFollowTheHeight) {
    for (int height : {300, 200, 97}) {
        SCOPED_TRACE(height);
        GridOnForm g(50, 500, height);
        TDBGridEh* grid = g.grid;
        const int rowAdvance = grid->DefaultRowHeight() + 1;
        const int expected = std::max(1, (grid->ClientHeight() - (grid->RowHeights(0) + 1)) / rowAdvance);
        EXPECT_EQ(grid->DataLink()->BufferCount(), expected);
        EXPECT_EQ(grid->DataLink()->RecordCount(), expected);
        EXPECT_EQ(grid->RowCount(), 1 + expected);
        EXPECT_EQ(grid->FixedRows(), 1);
        EXPECT_LE(RowAdvanceSum(grid), grid->ClientHeight());
        EXPECT_GT(RowAdvanceSum(grid) + rowAdvance, grid->ClientHeight());
    }
    // The row height comes from the grid's font: "Wg" and 3 pixels, plus the line.
    GridOnForm g(10);
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, g.grid->Font()->Handle());
    SIZE wg{};
    GetTextExtentPoint32W(dc, L"Wg", 2, &wg);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(g.grid->DefaultRowHeight(), wg.cy + 4);
    // A taller grid shows more rows at once (WM_SIZE).
    const int before = g.grid->DataLink()->BufferCount();
    g.grid->SetHeight(g.grid->Height() + 3 * (g.grid->DefaultRowHeight() + 1));
    EXPECT_EQ(g.grid->DataLink()->BufferCount(), before + 3);
    EXPECT_EQ(g.grid->DataLink()->RecordCount(), std::min(before + 3, 10));
    EXPECT_EQ(g.grid->RowCount(), 1 + std::min(before + 3, 10));
}

TEST(DBGridEhLayout, ColumnRectanglesFollowTheColumns) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    ASSERT_EQ(grid->Columns()->Count(), g.query->FieldCount());
    EXPECT_EQ(grid->ColCount(), 1 + g.query->FieldCount());
    EXPECT_EQ(grid->FixedCols(), 1);
    EXPECT_EQ(grid->ColWidths(0), 11);  // the indicator
    int left = grid->CellRect(0, 1).Right + 1;
    for (int i = 0; i < grid->Columns()->Count(); ++i) {
        SCOPED_TRACE(i);
        const TRect r = grid->CellRect(i + 1, 1);
        if (r.IsEmpty()) break;  // scrolled out of the client
        EXPECT_EQ(r.Left, left);
        EXPECT_EQ(r.Width(), grid->Columns()->ColumnAt(i)->Width());
        left = r.Right + 1;
    }
    // A column's width and visibility reach the grid at once.
    grid->Columns()->ColumnAt(1)->SetWidth(120);
    EXPECT_EQ(grid->ColWidths(2), 120);
    grid->Columns()->ColumnAt(2)->SetVisible(false);
    EXPECT_EQ(grid->ColWidths(3), -1);
    EXPECT_EQ(grid->CellRect(4, 1).Left, grid->CellRect(2, 1).Right + 1);
    // Frozen columns are fixed; invalid values are ignored.
    grid->SetFrozenCols(1);
    EXPECT_EQ(grid->FixedCols(), 2);
    grid->SetFrozenCols(-1);
    EXPECT_EQ(grid->FrozenCols(), 1);
    EXPECT_EQ(grid->FixedCols(), 2);
    // Without the indicator the columns start at 0.
    grid->SetFrozenCols(0);
    grid->SetOptions(grid->Options() - TDBGridOptions{dgIndicator});
    EXPECT_EQ(grid->IndicatorOffset(), 0);
    EXPECT_EQ(grid->ColCount(), g.query->FieldCount());
    EXPECT_EQ(grid->FixedCols(), 0);
    EXPECT_EQ(grid->CellRect(0, 1).Width(), grid->Columns()->ColumnAt(0)->Width());
}

TEST(DBGridEhLayout, AutoFitFillsTheClientWidth) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    g.Show();  // the grid's window is made again without its horizontal bar
    grid->SetAutoFitColWidths(true);
    auto totalWidth = [&] {
        int total = 0;
        for (int c = 0; c < grid->ColCount(); ++c) total += std::max(grid->ColWidths(c) + 1, 0);
        return total;
    };
    EXPECT_EQ(grid->ScrollBars(), ssNone);  // nothing to scroll sideways
    EXPECT_EQ(totalWidth(), grid->ClientWidth());
    // Wider: the columns grow with the grid; a minimum keeps its column wide.
    grid->SetWidth(grid->Width() + 100);
    EXPECT_EQ(totalWidth(), grid->ClientWidth());
    grid->Columns()->ColumnAt(0)->SetMinWidth(200);
    grid->SetWidth(grid->Width() - 150);
    EXPECT_EQ(grid->ColWidths(1), 200);
    EXPECT_EQ(totalWidth(), grid->ClientWidth());
    // Switched off, the columns get their own widths back and the horizontal bar returns.
    grid->SetAutoFitColWidths(false);
    EXPECT_EQ(grid->ScrollBars(), ssHorizontal);
    EXPECT_EQ(grid->ColWidths(3), grid->Columns()->ColumnAt(2)->Width());
}

TEST(DBGridEhLayout, FootersSitAtTheBottomAndShowTheAggregates) {
    GridOnForm g(3);
    TDBGridEh* grid = g.grid;
    grid->SetFooterRowCount(1);
    grid->SetFooterColor(clYellow);
    grid->Columns()->ColumnAt(3)->Footer()->SetValueType(fvtSum);
    grid->Columns()->ColumnAt(1)->Footer()->SetValueType(fvtStaticText);
    grid->Columns()->ColumnAt(1)->Footer()->SetValue("Total");
    grid->SumList()->SetAggregate(goSum, "amount", 12345678);
    // Title, 3 records, the filler and the footer; the footer ends at the client's bottom.
    ASSERT_EQ(grid->RowCount(), 1 + 3 + 1 + 1);
    const TRect footer = grid->CellRect(4, 5);
    EXPECT_EQ(footer.Bottom + 1, grid->ClientHeight());
    EXPECT_EQ(grid->CellRect(4, 4).Top, grid->CellRect(4, 3).Bottom + 1);  // the filler after the data
    EXPECT_EQ(grid->GetCellType(4, 4).RowKind, rkFillerEh);

    const auto texts = RecordText(grid);
    const TTextRecord* sum = FindText(texts, "1234.5678");
    ASSERT_NE(sum, nullptr);
    EXPECT_GE(sum->Origin.Y, footer.Top);
    EXPECT_LT(sum->Origin.Y, footer.Bottom);
    EXPECT_NEAR(sum->Origin.X + TextWidthIn(grid->FooterFont(), "1234.5678"), footer.Right - 3, 2);  // right
    ASSERT_NE(FindText(texts, "Total"), nullptr);
    // A changed aggregate repaints the footer with the new value.
    grid->SumList()->SetAggregate(goSum, "amount", 10000);
    EXPECT_NE(FindText(RecordText(grid), "1"), nullptr);

    auto bitmap = g.Paint();
    EXPECT_GT(CountColour(bitmap.get(), footer, clYellow), footer.Width() * footer.Height() / 2);
    EXPECT_EQ(CountColour(bitmap.get(), grid->CellRect(4, 2), clYellow), 0);
}

TEST(DBGridEhLayout, DeferredLayoutIsQueuedOnce) {
    GridOnForm g(5);
    TDBGridEh* grid = g.grid;
    constexpr UINT kLayout = WM_USER + 100;
    DrainMessages();
    grid->DeferLayout();
    grid->DeferLayout();
    MSG msg;
    int queued = 0;
    while (PeekMessageW(&msg, grid->Handle(), kLayout, kLayout, PM_REMOVE)) ++queued;
    EXPECT_EQ(queued, 1);
    // Deferring a held layout lets go of the lock; the posted message lays out later.
    grid->BeginLayout();
    grid->SetFooterRowCount(1);  // no layout while locked
    EXPECT_EQ(grid->RowCount(), 1 + 5);
    grid->DeferLayout();
    EXPECT_EQ(grid->LayoutLock(), 0);
    EXPECT_TRUE(PeekMessageW(&msg, grid->Handle(), kLayout, kLayout, PM_NOREMOVE));
    DrainMessages();
    EXPECT_EQ(grid->RowCount(), 1 + 5 + 2);
    // A message that arrives while a lock is held posts itself again and leaves the lock alone.
    grid->BeginLayout();
    grid->Perform(kLayout, 0, 0);
    EXPECT_EQ(grid->LayoutLock(), 1);
    EXPECT_TRUE(PeekMessageW(&msg, grid->Handle(), kLayout, kLayout, PM_REMOVE));
    grid->EndLayout();
}

TEST(DBGridEhPaint, TitlesAndCellsAreWrittenInTheirCells) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    const auto texts = RecordText(grid);
    struct Row {
        const char* text;
        int col, row;
        bool right;
    };
    const Row rows[] = {
        {"name", 2, 0, false}, {"amount", 4, 0, false}, {"P1", 2, 1, false},
        {"Cairo", 3, 1, false}, {"3", 4, 2, true},       {"P3", 2, 3, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        const TTextRecord* r = FindText(texts, row.text);
        ASSERT_NE(r, nullptr);
        const TRect cell = grid->CellRect(row.col, row.row);
        EXPECT_GE(r->Origin.Y, cell.Top);
        EXPECT_LT(r->Origin.Y, cell.Bottom);
        if (row.right) {  // numbers end 3 pixels before the right edge
            EXPECT_EQ(r->Origin.X + TextWidthIn(grid->Font(), row.text), cell.Right - 3);
        } else {
            EXPECT_GE(r->Origin.X, cell.Left);
            EXPECT_LE(r->Origin.X, cell.Left + 4);
        }
        EXPECT_LE(r->Clip.Right, cell.Right);  // clipped to its cell
    }
    // Memo fields show a marker unless their text is drawn.
    EXPECT_NE(FindText(texts, "(MEMO)"), nullptr);
    grid->SetDrawMemoText(true);
    EXPECT_NE(FindText(RecordText(grid), "first\r\nsecond"), nullptr);
}

TEST(DBGridEhPaint, ColoursOfTitlesCellsAndTheCurrentCell) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    auto unfocused = g.Paint();
    const TRect title = grid->CellRect(2, 0);
    const TRect current = grid->CellRect(1, 1);
    const TRect other = grid->CellRect(2, 2);
    const int area = other.Width() * other.Height();
    EXPECT_GT(CountColour(unfocused.get(), title, clBtnFace), title.Width() * title.Height() / 2);
    EXPECT_GT(CountColour(unfocused.get(), other, clWindow), area / 2);
    // Without the focus (and without dgAlwaysShowSelection) nothing is highlighted.
    EXPECT_EQ(CountColour(unfocused.get(), current, clHighlight), 0);
    // Lines: black between titles, silver between data cells.
    EXPECT_TRUE(SameRgb(unfocused->Canvas()->Pixels[title.Right][title.Top + 3], clBlack));
    EXPECT_TRUE(SameRgb(unfocused->Canvas()->Pixels[other.Right][other.Top + 3], clSilver));

    g.Show();
    auto focused = g.Paint();
    EXPECT_GT(CountColour(focused.get(), current, clHighlight), current.Width() * current.Height() / 2);
    EXPECT_EQ(CountColour(focused.get(), other, clHighlight), 0);
    const TTextRecord* text = FindText(RecordText(grid), "1");
    ASSERT_NE(text, nullptr);
    EXPECT_TRUE(SameRgb(text->TextColor, clHighlightText));

    // Row select with dgAlwaysShowSelection and row highlighting, without the focus: the current
    // row in the button shadow colour (the style's rule leaves the current column out).
    grid->SetOptions(grid->Options() + TDBGridOptions{dgAlwaysShowSelection, dgRowSelect});
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghRowHighlight});
    SetFocus(nullptr);
    DrainMessages();
    auto shown = g.Paint();
    const TRect sameRow = grid->CellRect(3, 1);
    EXPECT_GT(CountColour(shown.get(), sameRow, clBtnShadow), sameRow.Width() * sameRow.Height() / 2);
    EXPECT_EQ(CountColour(shown.get(), other, clBtnShadow), 0);
}

TEST(DBGridEhPaint, IndicatorFollowsTheCurrentRow) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    auto before = g.Paint();
    EXPECT_GT(CountDark(before.get(), grid->CellRect(0, 1)), 3);
    EXPECT_EQ(CountDark(before.get(), grid->CellRect(0, 4)), 0);
    g.query->MoveBy(3);
    EXPECT_EQ(grid->Row(), 4);
    EXPECT_EQ(g.CurrentId(), 4);
    auto after = g.Paint();
    EXPECT_EQ(CountDark(after.get(), grid->CellRect(0, 1)), 0);
    EXPECT_GT(CountDark(after.get(), grid->CellRect(0, 4)), 3);
    // Editing shows another image in the same place.
    const int browse = CountDark(after.get(), grid->CellRect(0, 4));
    g.query->Edit();
    auto editing = g.Paint();
    EXPECT_NE(CountDark(editing.get(), grid->CellRect(0, 4)), browse);
    g.query->Cancel();
}

TEST(DBGridEhPaint, SortMarkerIsDrawnInTheMarkedTitle) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    grid->Columns()->ColumnAt(1)->SetWidth(90);
    grid->Columns()->ColumnAt(2)->SetWidth(90);
    // The marker's place: the right part of the title inside its frame.
    auto markerArea = [&](int col) {
        const TRect r = grid->CellRect(col, 0);
        return TRect{r.Right - 20, r.Top + 2, r.Right - 2, r.Bottom - 2};
    };
    auto plain = g.Paint();
    const int greyBefore = CountColour(plain.get(), markerArea(2), 0x808080);
    grid->Columns()->ColumnAt(1)->Title()->SetSortMarker(smDownEh);
    auto marked = g.Paint();
    EXPECT_GT(CountColour(marked.get(), markerArea(2), 0x808080), greyBefore + 5);
    EXPECT_EQ(CountColour(marked.get(), markerArea(3), 0x808080), CountColour(plain.get(), markerArea(3), 0x808080));
    // Two marked columns get their sort numbers beside the markers.
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    grid->Columns()->ColumnAt(2)->Title()->SetSortMarker(smUpEh);
    ASSERT_EQ(grid->SortMarkedColumnList()->Count(), 2);
    const auto texts = RecordText(grid);
    for (int col : {2, 3}) {
        SCOPED_TRACE(col);
        const TRect title = grid->CellRect(col, 0);
        bool found = false;
        for (const TTextRecord& r : texts)
            if (r.Text == std::to_string(col - 1) && r.Origin.X > title.Right - 20 && r.Origin.X < title.Right &&
                r.Origin.Y < title.Bottom)
                found = true;
        EXPECT_TRUE(found);
    }
    // The caption moves out of the marker's way but stays in the cell.
    const TTextRecord* caption = FindText(texts, "name");
    ASSERT_NE(caption, nullptr);
    EXPECT_LE(caption->Clip.Right, grid->CellRect(2, 0).Right - 16);

    // A column too narrow for the number keeps its marker; narrower still, it loses both.
    const auto numberShown = [&](int col) {
        const TRect title = grid->CellRect(col, 0);
        for (const TTextRecord& r : RecordText(grid))
            if (r.Text == std::to_string(col - 1) && r.Origin.X > title.Left && r.Origin.X < title.Right &&
                r.Origin.Y < title.Bottom)
                return true;
        return false;
    };
    grid->Columns()->ColumnAt(1)->SetWidth(21);
    auto narrow = g.Paint();
    EXPECT_FALSE(numberShown(2));
    EXPECT_GT(CountColour(narrow.get(), markerArea(2), 0x808080), greyBefore + 5);
    grid->Columns()->ColumnAt(1)->SetWidth(14);
    auto tooNarrow = g.Paint();
    EXPECT_FALSE(numberShown(2));
    const TRect cell = grid->CellRect(2, 0);
    grid->Columns()->ColumnAt(1)->Title()->SetSortMarker(smNoneEh);
    auto unmarked = g.Paint();
    EXPECT_EQ(CountColour(tooNarrow.get(), cell, 0x808080), CountColour(unmarked.get(), cell, 0x808080));
}

TEST(DBGridEhPaint, MultiLineTitlesGroupNeighbours) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    const char* captions[] = {"Id", "Person|Name", "Person|City", "Amount", "Note"};
    const char* fields[] = {"id", "name", "city", "amount", "note"};
    for (int i = 0; i < 5; ++i) {
        TColumnEh* column = grid->Columns()->Add();
        column->SetFieldName(fields[i]);
        column->Title()->SetCaption(captions[i]);
    }
    const int plainTitle = grid->RowHeights(0);
    grid->SetUseMultiTitle(true);
    EXPECT_GT(grid->RowHeights(0), plainTitle + 5);
    const auto texts = RecordText(grid);
    // "Person" once, centred over Name and City, above them.
    int groups = 0;
    for (const TTextRecord& r : texts) groups += r.Text == "Person";
    EXPECT_EQ(groups, 1);
    const TTextRecord* group = FindText(texts, "Person");
    const TTextRecord* name = FindText(texts, "Name");
    const TTextRecord* city = FindText(texts, "City");
    ASSERT_TRUE(group && name && city);
    const TRect left = grid->CellRect(2, 0);
    const TRect right = grid->CellRect(3, 0);
    EXPECT_GT(group->Origin.X, left.Left);
    EXPECT_LT(group->Origin.X + TextWidthIn(grid->TitleFont(), "Person"), right.Right);
    EXPECT_LT(group->Origin.Y, name->Origin.Y);
    EXPECT_EQ(name->Origin.Y, city->Origin.Y);
    EXPECT_GE(name->Origin.X, left.Left);
    EXPECT_GE(city->Origin.X, right.Left);
    // A click on the group caption is no title click; on the leaf it is.
    int titleClicks = 0;
    struct Counter {
        int* n;
        void Click(TColumnEh*) { ++*n; }
    } counter{&titleClicks};
    grid->OnTitleClick = Event<&Counter::Click>(&counter);
    grid->SetOptions(grid->Options() - TDBGridOptions{dgColumnResize});
    for (int y : {left.Top + 2, left.Bottom - 3}) {
        grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, PointToLParam(left.Left + 10, y));
        grid->Perform(WM_LBUTTONUP, 0, PointToLParam(left.Left + 10, y));
    }
    EXPECT_EQ(titleClicks, 1);
}

// The bottom line of data cell (col, row) (the cell's last pixel row but one, where the mark goes).
TRect BottomLine(TDBGridEh* grid, int col, int row) {
    const TRect r = grid->CellRect(col, row);
    return TRect{r.Left, r.Bottom - 2, r.Right, r.Bottom};
}

TEST(DBGridEhPaint, RequiredValuesMissingWhileEditingAreUnderlinedInRed) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "note"}) grid->Columns()->Add()->SetFieldName(name);
    TColumnEh* note = grid->Columns()->ColumnAt(1);
    note->SetWidth(120);
    note->SetHighlightRequired(true);
    g.query->FieldByName("note")->SetRequired(true);
    g.query->FieldByName("id")->SetRequired(true);
    auto red = [&](TBitmap* bitmap, int col, int row) { return CountColour(bitmap, BottomLine(grid, col, row), clRed); };
    // Browsing: no mark.
    auto browsing = g.Paint();
    for (int row = 1; row <= 6; ++row) EXPECT_EQ(red(browsing.get(), 2, row), 0) << row;
    // Editing: every shown row whose note is missing (not only the current one); row 5 has a note,
    // and the id column does not highlight.
    g.query->Edit();
    auto editing = g.Paint();
    for (int row = 1; row <= 6; ++row) {
        if (row == 5)
            EXPECT_EQ(red(editing.get(), 2, row), 0);
        else
            EXPECT_GT(red(editing.get(), 2, row), 3) << row;
        EXPECT_EQ(red(editing.get(), 1, row), 0) << row;
    }
    // The column's event has the last word, asked with the painted row's record active: here only
    // even ids are marked, also while browsing.
    struct Judge {
        TADOQuery* query;
        std::vector<TObject*> senders;
        void Check(TObject* sender, bool& drawState) {
            senders.push_back(sender);
            drawState = query->FieldByName("id")->AsInteger() % 2 == 0;
        }
    } judge{g.query, {}};
    note->OnCheckDrawRequiredState = Event<&Judge::Check>(&judge);
    auto judged = g.Paint();
    for (int row = 1; row <= 6; ++row) {
        if (row % 2 == 0)
            EXPECT_GT(red(judged.get(), 2, row), 3) << row;
        else
            EXPECT_EQ(red(judged.get(), 2, row), 0) << row;
    }
    ASSERT_FALSE(judge.senders.empty());
    EXPECT_EQ(judge.senders.front(), note);
    g.query->Cancel();
    auto cancelled = g.Paint();
    EXPECT_GT(red(cancelled.get(), 2, 4), 3);
    EXPECT_EQ(red(cancelled.get(), 2, 3), 0);
    // Without HighlightRequired the event is not asked.
    note->SetHighlightRequired(false);
    judge.senders.clear();
    auto off = g.Paint();
    EXPECT_TRUE(judge.senders.empty());
    EXPECT_EQ(red(off.get(), 2, 4), 0);
}

TEST(DBGridEhPaint, TitlesAndFootersOfSelectedColumnsLookSelected) {
    GridOnForm g(20);
    TDBGridEh* grid = g.grid;
    grid->Columns()->Clear();
    for (const char* name : {"id", "name", "city", "amount"}) grid->Columns()->Add()->SetFieldName(name);
    for (int i = 0; i < 4; ++i) grid->Columns()->ColumnAt(i)->SetWidth(80);
    grid->SetOptions(grid->Options() + TDBGridOptions{dgMultiSelect});
    grid->SetFooterRowCount(1);
    grid->SetFooterColor(clYellow);
    g.Show();
    TDBGridEhSelectionCols* cols = grid->Selection()->Columns();
    cols->SelectColumn(grid->Columns()->ColumnAt(1), false);
    cols->SelectColumn(grid->Columns()->ColumnAt(3), true);
    ASSERT_EQ(grid->SelectionType(), gstColumns);
    auto bitmap = g.Paint();
    const int footerRow = grid->RowCount() - 1;
    auto half = [](const TRect& r) { return r.Width() * r.Height() / 2; };
    for (int col = 1; col <= 4; ++col) {
        const bool selected = col == 2 || col == 4;
        const TRect title = grid->CellRect(col, 0);
        const TRect footer = grid->CellRect(col, footerRow);
        const TRect data = grid->CellRect(col, 3);
        if (selected) {
            EXPECT_GT(CountColour(bitmap.get(), title, 0x404040), half(title)) << col;
            EXPECT_LT(CountColour(bitmap.get(), footer, clYellow), half(footer)) << col;
            EXPECT_LT(CountColour(bitmap.get(), data, clWindow), half(data)) << col;
        } else {
            EXPECT_EQ(CountColour(bitmap.get(), title, 0x404040), 0) << col;
            EXPECT_GT(CountColour(bitmap.get(), footer, clYellow), half(footer)) << col;
        }
    }
    // The look goes with the selection.
    grid->Perform(WM_KEYDOWN, VK_ESCAPE, 1);
    ASSERT_EQ(grid->SelectionType(), gstNon);
    auto cleared = g.Paint();
    EXPECT_EQ(CountColour(cleared.get(), grid->CellRect(2, 0), 0x404040), 0);
}

TEST(DBGridEhPaint, PersonGridSettings) {
    GridOnForm g(30);
    TDBGridEh* grid = g.grid;
    // The person grid's form: read-only, row select, multi-select, sort marking, yellow footers,
    // memo text, one text line per row.
    grid->SetReadOnly(true);
    grid->SetOptions(TDBGridOptions{dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
                                    dgRowSelect, dgConfirmDelete, dgCancelOnExit, dgMultiSelect});
    grid->SetOptionsEh(TDBGridEhOptions{dghFixed3D, dghHighlightFocus, dghClearSelection, dghAutoSortMarking,
                                        dghMultiSortMarking, dghRowHighlight});
    grid->SetEditActions(TDBGridEhEditActions{geaCutEh, geaCopyEh, geaPasteEh, geaDeleteEh, geaSelectAllEh});
    grid->SetFooterColor(clYellow);
    grid->SetDrawMemoText(true);
    grid->SetRowLines(1);
    grid->SetFooterRowCount(1);
    g.Show();

    EXPECT_TRUE(grid->TCustomGrid::Options().Contains(goRowSelect));
    EXPECT_FALSE(grid->TCustomGrid::Options().Contains(goEditing));
    TEXTMETRICW tm{};
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, grid->Font()->Handle());
    GetTextMetricsW(dc, &tm);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(grid->DefaultRowHeight(), tm.tmHeight + tm.tmExternalLeading);

    // Read-only: F2 opens no editor.
    grid->Perform(WM_KEYDOWN, VK_F2, 1);
    EXPECT_FALSE(grid->EditorShown());

    // The current row is highlighted in every column; the footer row is yellow.
    g.query->MoveBy(2);
    auto bitmap = g.Paint();
    for (int col = 1; col < grid->ColCount(); ++col) {
        const TRect r = grid->CellRect(col, 3);
        if (r.IsEmpty()) break;
        SCOPED_TRACE(col);
        EXPECT_GT(CountColour(bitmap.get(), r, clHighlight), r.Width() * r.Height() / 2);
    }
    const TRect footer = grid->CellRect(2, grid->RowCount() - 1);
    EXPECT_GT(CountColour(bitmap.get(), footer, clYellow), footer.Width() * footer.Height() / 2);
    EXPECT_NE(FindText(RecordText(grid), "first\r\nsecond"), nullptr);
}

TEST(DBGridEhProps, PersonGridFromItsFormDescription) {
    static bool registered = false;
    if (!registered) {
        registered = true;
        RegisterDataClasses();
        RegisterClasses<TFrmGridProbe>();
        RegisterProperties<TFrmGridProbe>().Handler<&TFrmGridProbe::Grid_CustSortMarkingChanged>(
            "Grid_CustSortMarkingChanged");
    }
    TScopedApplication app;
    TFormResourceFinder previous = SetFormResourceFinder([](const String& className) -> std::optional<String> {
        if (className == "TFrmGridProbe") return String(kGridProbeText);
        return std::nullopt;
    });
    GridOnForm data(30);
    std::unique_ptr<TFrmGridProbe, TFree> form(New<TFrmGridProbe>(nullptr));
    SetFormResourceFinder(std::move(previous));
    auto* grid = dynamic_cast<TDBGridEh*>(form->FindComponent("Grid_Cust"));
    auto* source = dynamic_cast<TDataSource*>(form->FindComponent("DS_People"));
    ASSERT_TRUE(grid && source);
    EXPECT_EQ(grid->DataSource(), source);

    // Bound to the data, it lays itself out: rows of one text line, the footer at the bottom.
    source->SetDataSet(data.query);
    form->HandleNeeded();
    DrainMessages();
    EXPECT_TRUE(grid->DataLink()->Active());
    EXPECT_EQ(grid->Columns()->Count(), data.query->FieldCount());
    EXPECT_EQ(grid->CellRect(1, grid->RowCount() - 1).Bottom + 1, grid->ClientHeight());
    EXPECT_EQ(grid->GetCellType(1, grid->RowCount() - 1).RowKind, rkFooterEh);
    // Read-only: F2 opens no editor.
    grid->Perform(WM_KEYDOWN, VK_F2, 1);
    EXPECT_FALSE(grid->EditorShown());
    // A title click reaches the form's handler.
    grid->ColumnDefValues()->Title()->SetTitleButton(true);
    const TRect title = grid->CellRect(2, 0);
    const LPARAM at = PointToLParam(title.Left + 5, title.Top + 3);
    grid->Perform(WM_LBUTTONDOWN, MK_LBUTTON, at);
    grid->Perform(WM_LBUTTONUP, 0, at);
    EXPECT_EQ(form->sortNotices, 1);
    source->SetDataSet(nullptr);
}

TEST(DBGridEhProps, WritersKeepTheirRules) {
    GridOnForm g(5);
    TDBGridEh* grid = g.grid;
    // dgRowSelect leaves out editing; the platform grid follows the options.
    grid->SetOptions(kDefaultDBGridOptions + TDBGridOptions{dgRowSelect, dgAlwaysShowEditor});
    EXPECT_FALSE(grid->Options().Contains(dgEditing));
    EXPECT_FALSE(grid->Options().Contains(dgAlwaysShowEditor));
    struct Row {
        TDBGridOption option;
        TGridOption platform;
    };
    for (const Row row : {Row{dgColLines, goVertLine}, Row{dgRowLines, goHorzLine}, Row{dgColumnResize, goColMoving},
                          Row{dgTabs, goTabs}}) {
        SCOPED_TRACE(row.option);
        EXPECT_TRUE(grid->TCustomGrid::Options().Contains(row.platform));
        grid->SetOptions(grid->Options() - TDBGridOptions{row.option});
        EXPECT_FALSE(grid->TCustomGrid::Options().Contains(row.platform));
    }
    grid->SetRowSizingAllowed(true);
    EXPECT_TRUE(grid->TCustomGrid::Options().Contains(goRowSizing));
    // Negative values.
    grid->SetRowHeight(-5);
    EXPECT_EQ(grid->RowHeight(), 0);
    grid->SetRowLines(-1);
    EXPECT_EQ(grid->RowLines(), 0);
    grid->SetFooterRowCount(-1);
    EXPECT_EQ(grid->FooterRowCount(), 0);
    // Odd and even row colours follow Color until written.
    grid->SetColor(clAqua);
    EXPECT_EQ(grid->EvenRowColor(), clAqua);
    EXPECT_FALSE(grid->EvenRowColorStored());
    grid->SetEvenRowColor(clLime);
    grid->SetColor(clWhite);
    EXPECT_EQ(grid->EvenRowColor(), clLime);
    EXPECT_TRUE(grid->EvenRowColorStored());
    EXPECT_EQ(grid->OddRowColor(), clWhite);
    // Odd records in the odd colour, even ones in the even colour.
    grid->SetOddRowColor(clYellow);
    auto bitmap = g.Paint();
    const TRect first = grid->CellRect(2, 1);
    const TRect second = grid->CellRect(2, 2);
    EXPECT_GT(CountColour(bitmap.get(), first, clYellow), first.Width() * first.Height() / 2);
    EXPECT_GT(CountColour(bitmap.get(), second, clLime), second.Width() * second.Height() / 2);
    // Switching multi-sort marking off keeps the first marker only.
    grid->SetOptionsEh(grid->OptionsEh() + TDBGridEhOptions{dghMultiSortMarking});
    grid->Columns()->ColumnAt(2)->Title()->SetSortMarker(smDownEh);
    grid->Columns()->ColumnAt(0)->Title()->SetSortMarker(smUpEh);
    grid->SetOptionsEh(grid->OptionsEh() - TDBGridEhOptions{dghMultiSortMarking});
    EXPECT_EQ(grid->Columns()->ColumnAt(2)->Title()->SortMarker(), smDownEh);
    EXPECT_EQ(grid->Columns()->ColumnAt(0)->Title()->SortMarker(), smNoneEh);
    EXPECT_EQ(grid->SortMarkedColumnList()->Count(), 1);
}

TEST(DBGridEhProps, FreedDataSourceLeavesTheGridEmpty) {
    GridOnForm g(5);
    TDBGridEh* grid = g.grid;
    g.source->Free();
    g.source = nullptr;
    EXPECT_EQ(grid->DataSource(), nullptr);
    EXPECT_FALSE(grid->DataLink()->Active());
    for (int i = 0; i < grid->Columns()->Count(); ++i) EXPECT_EQ(grid->Columns()->ColumnAt(i)->Field(), nullptr);
    EXPECT_EQ(grid->RowCount(), 2);  // the title and one empty row
    auto bitmap = g.Paint();  // paints without a data set
    EXPECT_EQ(CountDark(bitmap.get(), grid->CellRect(0, 1)), 0);
}

}  // namespace
