// A data grid's columns as T_FieldShow keeps them, on the grid's Windows-free core (so the native
// tests reach it with a core that no window shows): building the columns of a table's shown
// rows, writing the current order and widths back, and the sort order of the sort markers.
#pragma once

#include "ADODB.h"
#include "DBGridEhCore.h"
#include "U_DataLogic.h"
#include "U_CustomLogic.h"

#include <exception>

// Rebuilds the grid's columns from `settings`, in order: field, width, a title button, the field's
// display label, a footer sum, an always shown ellipsis button. A field that `dataSet` lacks
// raises EDatabaseError at the display label; the columns built before it stay.
inline void ApplyGridColumns(TDBGridEhCore& grid, TDataSet* dataSet, const std::vector<TGridColumnSetting>& settings) {
    // One layout of the grid and one notice to the data set's other links (a detail list reads
    // itself again on every notice) for the whole set, not one per column and display label.
    struct TLayoutLock {
        TDBGridEhCore& Grid;
        TDataSet* DataSet;
        TLayoutLock(TDBGridEhCore& grid, TDataSet* dataSet) : Grid(grid), DataSet(dataSet) {
            Grid.BeginLayout();
            DataSet->DisableControls();
        }
        ~TLayoutLock() noexcept(false) {
            if (std::uncaught_exceptions() == 0) {
                DataSet->EnableControls();
                Grid.EndLayout();
                return;
            }
            try {  // the first error is the one to report
                DataSet->EnableControls();
            } catch (...) {
            }
            try {
                Grid.EndLayout();
            } catch (...) {
            }
        }
    } lock(grid, dataSet);
    TDBGridColumnsEh* columns = grid.Columns();
    columns->Clear();
    for (std::size_t i = 0; i < settings.size(); ++i) {
        const TGridColumnSetting& s = settings[i];
        columns->Add();
        TColumnEh* column = columns->ColumnAt(static_cast<int>(i));
        column->SetFieldName(s.Field);
        column->SetWidth(s.Width);
        column->Title()->SetTitleButton(true);
        dataSet->FieldByName(s.Field)->SetDisplayLabel(s.Caption);
        if (s.FooterSum)
            column->Footer()->SetValueType(fvtSum);
        if (s.EditButton) {
            column->SetAlwaysShowEditButton(true);
            column->SetButtonStyle(cbsEllipsis);
        }
    }
}

// Opens `fieldShow` on the shown rows of `table` and rebuilds the grid's columns from them; with no
// row the grid is left without columns.
inline void SetupGridColumnsWith(TDBGridEhCore& grid, TDataSet* query, TADOQuery* fieldShow, const String& table) {
    OpenQuery(fieldShow, GridColumnsSql(table));
    ApplyGridColumns(grid, query, ReadGridColumnSettings(fieldShow));
}

// Writes each column's position (0, 1, ... in the grid's order) and width to T_FieldShow through
// `scratch`.
inline void SaveGridColumnsWith(const TDBGridEhCore& grid, TADOQuery* scratch, const String& table) {
    TDBGridColumnsEh* columns = grid.Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        const TColumnEh* column = columns->ColumnAt(i);
        ExecQuery(scratch, SaveGridColumnSql(i, column->Width(), table, column->FieldName()));
    }
}

// The grid's sort-marked columns in marking order.
inline std::vector<TSortMark> GridSortMarks(const TDBGridEhCore& grid) {
    std::vector<TSortMark> marks;
    const TColumnsEhList* list = grid.SortMarkedColumnList();
    for (int i = 0; i < list->Count(); ++i) {
        const TColumnEh* column = list->ColumnAt(i);
        marks.push_back({column->FieldName(), column->Title()->SortMarker() == smUpEh});
    }
    return marks;
}

// The sort markers as the query's client-side sort (an empty text restores the query's order);
// nothing while the query is closed.
inline void ApplySortMarkersTo(const TDBGridEhCore& grid, TDataSet* query) {
    const String sort = SortTextOf(GridSortMarks(grid));
    if (query->Active())
        query->SetSort(sort);
}
