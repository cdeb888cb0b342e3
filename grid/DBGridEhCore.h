// The data grid's Windows-free core: the state and operations that its columns, sort markers, data
// link and selected-row bookmark list work with, the narrow set of hooks through which it reaches
// the grid that shows it, and the pure rules of the grid style.
//
// Classes in this file:
//   IDBGridEhHost          the hooks the core calls on the grid that shows it; TCustomDBGridEh
//                          (DBGridEh.h) answers them and owns its core
//   TDBGridEhCore          what the building blocks need of the grid: options, columns, link,
//                          selected rows, sum list, layout locks, sort marking
//   TGridDataLinkEh        the grid's data link: field map, event forwarding, modified flag
//   TBookmarkListEh        the sorted bookmarks of the selected rows (SelectedRowBookmarks)
//   TDBGridEhDataService   the program-wide service that applies sorting
//   TDBGridEhSumList       the grid's aggregate engine (DBSumList.h)
//
// Free functions: the style's colour rules (BlendTowards, the highlight decisions),
// ShortenTextToWidth over any measure, RaiseGridOperationError.
//
// Not yet: the tree interface of data sets (no data set offers one) is always absent.
#pragma once

#include "DBGridEhColumns.h"
#include "DBSumList.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

VESTREL_EXCEPTION(EInvalidGridOperation, Exception);
[[noreturn]] void RaiseGridOperationError(const String& message);

class TDBGridEhCore;

enum TDBGridOption {
    dgEditing, dgAlwaysShowEditor, dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs,
    dgRowSelect, dgAlwaysShowSelection, dgConfirmDelete, dgCancelOnExit, dgMultiSelect
};
using TDBGridOptions = TEnumSet<TDBGridOption>;
constexpr TDBGridOptions kDefaultDBGridOptions = TDBGridOptions::FromBits(3325);

enum TDBGridEhOption {
    dghFixed3D, dghFrozen3D, dghFooter3D, dghData3D, dghResizeWholeRightPart, dghHighlightFocus,
    dghClearSelection, dghFitRowHeightToText, dghAutoSortMarking, dghMultiSortMarking, dghEnterAsTab,
    dghTraceColSizing, dghIncSearch, dghPreferIncSearch, dghRowHighlight, dghDblClickOptimizeColWidth,
    dghDialogFind, dghRecordMoving
};
using TDBGridEhOptions = TEnumSet<TDBGridEhOption>;
constexpr TDBGridEhOptions kDefaultDBGridEhOptions = TDBGridEhOptions::FromBits(65633);

enum TDBGridEhSelectionType { gstNon, gstRecordBookmarks, gstRectangle, gstColumns, gstAll };

// What a cell of the grid shows: its column kind and its row kind.
enum TCellKindEh { ckIndicatorEh, ckDataColEh };
enum TRowKindEh { rkTitleEh, rkFilterEh, rkDataEh, rkFillerEh, rkFooterEh };

// Text metrics of a font, as the column widths need them.
struct TGridFontMetricsEh {
    int ZeroWidth = 8;     // width of the text "0"
    int Overhang = 0;
    int AveCharWidth = 7;
};

// ---- Data link ------------------------------------------------------------------------------------

class TGridDataLinkEh : public TDataLink {
    VESTREL_CLASS(TGridDataLinkEh, TDataLink)
public:
    static constexpr int kMaxMapSize = 0x0FFFFFFF;

    explicit TGridDataLinkEh(TDBGridEhCore* grid);
    ~TGridDataLinkEh() override;

    TDBGridEhCore* Grid() const { return grid_; }
    // Appends the index of field `name` (-1 for an unknown name with the sparse map; without it an
    // unknown name raises the data set's field-not-found error).
    void MapField(const String& name);
    TField* MappedField(int index) const;  // nullptr outside the map or for -1
    int MappedFieldIndex(int index) const;
    int FieldCount() const { return static_cast<int>(fieldMap_.size()); }
    bool UsesDefaultFields() const;
    void ClearMapping();
    bool SparseMap() const { return sparseMap_; }
    void SetSparseMap(bool value) { sparseMap_ = value; }
    // Modified: undone by RecordChanged(nil); otherwise the data set cancels.
    void Reset();
    bool Modified() const { return modified_; }
    void SetModified() { modified_ = true; }

protected:
    void ActiveChanged() override;
    void DataSetChanged() override;
    void DataSetScrolled(int distance) override;
    void EditingChanged() override;
    void FocusControl(TField** field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* field) override;
    void UpdateData() override;

private:
    TDBGridEhCore* grid_;
    std::vector<int> fieldMap_;  // field index per mapped name (-1: none)
    bool sparseMap_ = false;
    bool modified_ = false;
    bool inUpdateData_ = false;
};

// ---- Selected rows --------------------------------------------------------------------------------

class TDBGridEhSelection;

class TBookmarkListEh : public TObject {
    VESTREL_CLASS(TBookmarkListEh, TObject)
public:
    explicit TBookmarkListEh(TDBGridEhCore* grid);
    ~TBookmarkListEh() override;

    int Count() const { return list_->Count(); }
    // An index outside the list raises the string list's index error.
    TBookmark Items(int index) const;
    TBookmark operator[](int index) const { return Items(index); }
    // Whether `bookmark` is listed, and its position or where it would go.
    bool Find(const TBookmark& bookmark, int& index);
    int PositionOf(const TBookmark& bookmark);
    bool SelectedCurrentRow();
    void SetSelectedCurrentRow(bool value);
    bool CurrentRowSelected() { return SelectedCurrentRow(); }
    void Clear();
    // Deletes every selected record (last first); entries whose row is gone already are dropped.
    void Delete();
    void LinkStateChanged(bool active);
    // The grid rectangle (columns 0..last, rows with the title offset) of the selected rows shown.
    TRect SelectionRect();
    // Adds or removes `bookmark` without the repaint and selection side effects (for the selection).
    void InsertBookmark(const TBookmark& bookmark);
    int Compare(const TBookmark& a, const TBookmark& b) const;

private:
    TDataSet* DataSet() const;
    TBookmark CurrentBookmark();
    void ListChanged(TObject* sender) const;
    // Re-sorts the list when the data set's order changed since the list was last in order.
    void CheckOrder() const;

    TDBGridEhCore* grid_;
    std::unique_ptr<TStringList> list_;
    bool linkActive_ = false;
    mutable TBookmark cacheBookmark_;
    mutable int cacheIndex_ = -1;
    mutable bool cacheFound_ = false;
    mutable std::uint64_t orderGeneration_ = 0;
    mutable const TDataSet* orderDataSet_ = nullptr;
};

// ---- Data service ---------------------------------------------------------------------------------

using TDBGridEhDataServiceEvent = TEvent<void(TObject* Sender, TDBGridEhCore* Grid)>;

// The program-wide object that sorts, filters and moves a grid's records. Without an application
// handler it hands the job to the data-set features registered for the class of the grid's data
// set (DbUtilsEh.h); without those the job is not done.
class TDBGridEhDataService : public TPersistent {
    VESTREL_CLASS(TDBGridEhDataService, TPersistent)
public:
    virtual int MoveRecords(TDBGridEhCore* grid, const std::vector<TBookmark>& bookmarks, int toRecNo, bool checkOnly);
    virtual int DefaultMoveRecords(TDBGridEhCore* grid, const std::vector<TBookmark>& bookmarks, int toRecNo,
                                   bool checkOnly);
    virtual void ApplyFilter(TDBGridEhCore* grid);
    virtual void ApplySorting(TDBGridEhCore* grid);
    virtual void DefaultApplyFilter(TDBGridEhCore* grid);
    virtual void DefaultApplySorting(TDBGridEhCore* grid);

    TDBGridEhDataServiceEvent ApplyFilterEvent;
    TDBGridEhDataServiceEvent ApplySortingEvent;
};

// The features of the class layer's data sets (registered for TDataSet by the grid's start-up):
// sorting by the grid's sort markers and filtering by its column filters, both on the client side.
// Records are not moved (0).
class TClientDataSetFeaturesEh : public TDataSetFeaturesEh {
    VESTREL_CLASS(TClientDataSetFeaturesEh, TDataSetFeaturesEh)
public:
    TClientDataSetFeaturesEh() : TDataSetFeaturesEh(TDataSet::StaticClass()) {}
    void ApplySorting(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) override;
    void ApplyFilter(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) override;
};

// The service the grid unit's start-up made (nullptr before); set by the start-up.
TDBGridEhDataService* DBGridEhDataService();
void SetDBGridEhDataService(TDBGridEhDataService* service);

// ---- Aggregates --------------------------------------------------------------------------------------

// The grid's aggregate engine (its SumList): created for the grid, inactive; while the grid is being
// designed it marks itself hooked without touching the data set.
class TDBGridEhSumList : public TDBSumListProducer {
    VESTREL_CLASS(TDBGridEhSumList, TDBSumListProducer)
public:
    explicit TDBGridEhSumList(TDBGridEhCore* grid);
    TPersistent* GetOwner() const;
    void HookDataSetEvents() override;
    void UnhookDataSetEvents() override;
    // Sets the value of the aggregate of `operation` over `fieldName`, adding the item when missing
    // (for grids whose values come from outside, ExternalRecalc); reports a change of value.
    void SetAggregate(TGroupOperation operation, const String& fieldName, std::int64_t value);
    // Every value to 0 (the items stay: footers own them).
    void ClearAggregates();

private:
    bool GridDesigning() const;
    TDBGridEhCore* grid_;
};

// ---- What the grid core asks of the grid that shows it ---------------------------------------------

// The window grid answers these for the core it owns; the native tests answer them with a recording
// fake. The defaults suit a grid without a window.
class IDBGridEhHost {
public:
    // The grid as a component: owner of the free notifications, sender of events, source of the
    // loading and designing states.
    virtual TComponent* GridComponent() = 0;
    virtual TColor GridColor() const = 0;
    virtual TCustomFont* GridFont() const = 0;
    virtual TColor GridFixedColor() const = 0;

    // Geometry: columns of indicators (0 or 1) and rows above the data (title and filter rows) as
    // the last layout made them, the grid's column count and widths (-1: unknown).
    virtual int IndicatorOffset() const = 0;
    virtual int TitleOffset() const = 0;
    virtual int GridColCount() const = 0;
    virtual int GridDefaultColWidth() const { return 64; }
    virtual int GridColWidth(int gridCol) const { return -1; }
    virtual void SetGridColWidth(int gridCol, int width) {}
    virtual bool HasWindow() const { return false; }
    virtual TGridFontMetricsEh FontMetrics(const TCustomFont* font) const { return TGridFontMetricsEh(); }

    virtual void InvalidateGrid() {}
    virtual void InvalidateGridColumn(int gridCol) {}
    virtual void InvalidateGridRow(int gridRow) {}
    // The cells from (Left, Top) to (Right, Bottom), inclusive.
    virtual void InvalidateGridRect(const TRect& cells) { InvalidateGrid(); }
    virtual int GridRowCount() const { return 0; }
    // Lays the grid out; the core holds its locks meanwhile.
    virtual void InternalLayout() {}

    // The in-place editor. CanEditNow: whether the grid allows editing now (editor state aside).
    virtual bool CanEditNow() const { return true; }
    virtual bool EditorShown() const { return false; }
    virtual String EditorText() const { return String(); }
    // Writes the editor's text to the field (the data link's UpdateData with modified set).
    virtual void UpdateDataFromEditor() {}

    // Data link reactions. LinkActiveChanging comes before the columns let go of their fields,
    // LinkActiveChanged after the relayout.
    virtual void DataSourceChanging() {}
    virtual void LinkActiveChanging(bool active) {}
    virtual void LinkActiveChanged(bool active) {}
    virtual void UpdateDataView() {}
    virtual void ScrollData(int distance) {}
    virtual void DataLinkRecordChanged(TField* field) {}
    virtual void DataLinkEditingChanged() {}
    // Makes `field`'s column current; clears `field` when the grid then shows its editor.
    virtual void FocusField(TField*& field) {}

    // Columns telling the grid.
    virtual void ColumnsUpdated() {}  // after every Update (current column, editor)
    virtual void EnsureFooterSum(TColumnEh* column) {}
    // A footer is going: its aggregate item goes with it.
    virtual void FooterDestroying(TColumnFooterEh* footer) {}
    virtual void OptimizeColumnWidth(TColumnEh* column) {}
    // The fields the grid's own columns follow when not customized; false: the data set's visible
    // fields.
    virtual bool GridDataSetFields(std::vector<TField*>& fields) { return false; }
    // The class of the grid's columns (asked once, when the columns are made).
    virtual TCollectionItemClass GridColumnClass() { return TCollectionItemClass::Of<TDBGridColumnEh>(); }
    // The grid's default column values (made once, with the columns).
    virtual TColumnDefValuesEh* NewColumnDefValues(TDBGridEhCore* core) { return New<TDBGridEhColumnDefValuesEh>(core); }

    // The selection object: its changes, its kind changed (the editor follows), and a cleared
    // selection (the editor comes back when always shown).
    virtual void SelectionChanged() {}
    virtual void RefreshEditor() {}
    virtual void ShowEditorIfAlwaysShown() {}

    // State changes the grid reacts to.
    virtual void OptionsChanged(TDBGridOptions oldValue) {}
    // The title or footer font was changed (by a writer, not by the grid's own font).
    virtual void TitleOrFooterFontChanged() {}
    // The aggregates changed (the footer rows repaint).
    virtual void SumListValuesChanged() {}
    // The sort markers changed by a title click (only with dghAutoSortMarking).
    virtual void SortMarkingChanged() {}

protected:
    ~IDBGridEhHost() = default;
};

// ---- The grid core --------------------------------------------------------------------------------

class TDBGridEhCore final {
public:
    explicit TDBGridEhCore(IDBGridEhHost& host);
    ~TDBGridEhCore();
    TDBGridEhCore(const TDBGridEhCore&) = delete;
    TDBGridEhCore& operator=(const TDBGridEhCore&) = delete;

    IDBGridEhHost& Host() const { return host_; }

    // Second phase, once the host is whole: the column defaults, the link, the lists and the columns.
    void InitGridCore();
    // Frees the columns first (they talk to the grid while they go); the destructor calls it too.
    void DoneGridCore();

    TDBGridColumnsEh* Columns() const { return columns_.get(); }
    TColumnDefValuesEh* ColumnDefValues() const { return columnDefValues_.get(); }
    TColumnsEhList* SortMarkedColumnList() const { return sortMarkedColumns_.get(); }
    TGridDataLinkEh* DataLink() const { return dataLink_.get(); }
    TBookmarkListEh* SelectedRowBookmarks() const { return selectedRows_.get(); }
    TBookmarkListEh* SelectedRows() const { return selectedRows_.get(); }
    // What the user selected: rows, a rectangle, columns or all.
    TDBGridEhSelection* Selection() const { return selection_.get(); }

    TDataSource* DataSource() const { return dataLink_->DataSource(); }
    void SetDataSource(TDataSource* value);
    TDataSet* DataSet() const { return dataLink_->DataSet(); }

    TDBGridOptions Options() const { return options_; }
    void SetOptions(TDBGridOptions value);
    TDBGridEhOptions OptionsEh() const { return optionsEh_; }
    void SetOptionsEh(TDBGridEhOptions value);
    bool ReadOnly() const { return readOnly_; }
    void SetReadOnly(bool value);
    bool DrawMemoText() const { return drawMemoText_; }
    void SetDrawMemoText(bool value);
    bool AutoFitColWidths() const { return autoFitColWidths_; }
    void SetAutoFitColWidths(bool value);
    bool UseMultiTitle() const { return useMultiTitle_; }
    void SetUseMultiTitle(bool value);
    bool Flat() const { return flat_; }
    void SetFlat(bool value);
    int FooterRowCount() const { return footerRowCount_; }
    void SetFooterRowCount(int value);
    TColor FooterColor() const { return footerColor_; }
    void SetFooterColor(TColor value);
    TCustomFont* TitleFont() const { return titleFont_.get(); }
    TCustomFont* FooterFont() const { return footerFont_.get(); }

    TDBGridEhSumList* SumList() const { return sumList_.get(); }
    // Gives each footer of `column` that shows a sum, an average or a count its aggregate item in
    // SumList (and frees the items of the others).
    void EnsureFooterSums(TColumnEh* column);
    // A column is going: the selection lets go of it.
    void ColumnDestroying(TColumnEh* column);
    // Frees the aggregate item of a footer that is going.
    void ReleaseFooterSum(TColumnFooterEh* footer);
    // The text of footer row `footerIndex` (0 first) of `column`, by its footer's value type.
    String GetFooterValueText(int footerIndex, TColumnEh* column);

    // The host component's states.
    bool IsGridLoading() const;
    bool IsGridDesigning() const;
    // What the columns follow while they have no value of their own (this grid has none of these).
    TBiDiMode GridBiDiMode() const { return bdLeftToRight; }
    TImeMode GridImeMode() const { return imDontCare; }
    TImeName GridImeName() const { return TImeName(); }

    // Layout locks.
    void BeginLayout();
    void EndLayout();
    bool TryBeginLayout();
    // Lets go of one layout and one update lock without laying out (the layout is deferred).
    void ReleaseLayout();
    int LayoutLock() const { return layoutLock_; }
    int UpdateLock() const { return updateLock_; }
    // At once unless a lock is held.
    void RelayoutColumns();
    bool LayoutFromDataLink() const { return layoutFromDataLink_; }

    // Columns and fields.
    // The columns made from fields go when a stored column follows them; customized columns bind
    // to their fields by name; otherwise the made columns follow the data set's visible fields
    // (freed when their field is gone, made when missing, moved to the field's place; one empty
    // column when there is nothing). Then the field map is built.
    void RebuildColumns();
    void BuildFieldMap();
    // The whole column collection changed.
    void ColumnsChanged();
    // Fields of a closed data set may be freed: the columns let go of them, the selection goes.
    void LinkActiveChanged(bool active);
    // The Notification part of the grid: a freed field is unbound from every column that shows it,
    // a freed data source of the grid's is dropped.
    void GridNotification(TComponent* component, TOperation operation);
    // The DefineProperties part of the grid: the custom property "Columns" (read: the columns are
    // replaced), offered when the columns are customized.
    void DefineColumnsProperty(TFiler* filer);

    // Sort marking.
    // The list rebuilt from the columns' SortIndex values, in index order and renumbered 1..n.
    void RebuildSortMarkedColumnList();
    // A click on a sort title: the marker's cycle (with dghAutoSortMarking), then the host is told
    // at once, or (Ctrl held) once Ctrl is released or the focus goes.
    void SortTitleClicked(TColumnEh* column, bool ctrlHeld);
    void SortCtrlKeyReleased();
    void SortFocusLost();
    bool CtrlSortPending() const { return ctrlSortPending_; }
    // The data service's sorting (for a host without an application handler).
    void DefaultApplySorting();
    void DefaultApplyFilter();
    // The records of `bookmarks` moved before record `toRecNo` by the data service; the number moved.
    int DefaultMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, bool checkOnly);

private:
    friend class TGridDataLinkEh;
    void SortMarkingChanged();
    void TitleFontChanged(TObject* sender);
    void FooterFontChanged(TObject* sender);
    void SumListChangedHandler(TObject* sender);

    IDBGridEhHost& host_;
    std::unique_ptr<TCustomFont> titleFont_;
    std::unique_ptr<TCustomFont> footerFont_;
    std::unique_ptr<TColumnDefValuesEh> columnDefValues_;
    std::unique_ptr<TDBGridColumnsEh> columns_;
    std::unique_ptr<TColumnsEhList> sortMarkedColumns_;
    std::unique_ptr<TGridDataLinkEh> dataLink_;
    std::unique_ptr<TBookmarkListEh> selectedRows_;
    std::unique_ptr<TDBGridEhSelection> selection_;
    std::unique_ptr<TDBGridEhSumList> sumList_;
    TDBGridOptions options_ = kDefaultDBGridOptions;
    TDBGridEhOptions optionsEh_ = kDefaultDBGridEhOptions;
    TColor footerColor_ = clWindow;
    int footerRowCount_ = 0;
    int layoutLock_ = 0;
    int updateLock_ = 0;
    bool readOnly_ = false;
    bool drawMemoText_ = false;
    bool autoFitColWidths_ = false;
    bool useMultiTitle_ = false;
    bool flat_ = false;
    bool layoutFromDataLink_ = false;
    bool ctrlSortPending_ = false;
};

// ---- Style rules ----------------------------------------------------------------------------------

// Per channel of the RGB values: halfway to `glass`, then 60 % towards 225, then with `ungray`
// a quarter of the distance away from 122; rounded (half to even) and bounded to 0..255.
TColor BlendTowards(TColor color, TColor glass, bool ungray);

// The facts about one data cell that decide its highlight.
struct TDataCellHighlightQueryEh {
    bool InSelection = false;         // inside the grid's selection object
    bool FocusHighlight = false;      // dghHighlightFocus and the grid focused
    bool RowHighlight = false;        // dghRowHighlight
    bool OnCurrentRow = false;
    bool IsCurrentColumn = false;
    bool IsSelectedCell = false;      // the grid's current cell (draw state gdSelected)
    bool RectangleSelectionShown = false;
    bool RowSelect = false;           // dgRowSelect
    bool AlwaysShowSelection = false; // dgAlwaysShowSelection
    bool LayoutLocked = false;
    bool SelectionActive = false;     // the grid shows its selection as active
    bool LuminateSelection = true;
    bool RichDisplay = true;          // more than 256 colours
};
// Whether the cell is highlighted; when it is, `background` and `fontColor` get its colours
// (blended colours still to be matched to the device by the caller).
bool DataCellHighlight(const TDataCellHighlightQueryEh& query, TColor& background, TColor& fontColor);
// The colours of a highlighted fixed cell: the marker cells (the indicator beside any row but the
// filler, a data column's title and filter cells) dark grey with white text; otherwise as the
// selection shows.
void FixedCellHighlight(TCellKindEh kind, TRowKindEh rowKind, bool selectionActive, bool luminateSelection, bool richDisplay,
                        TColor& background, TColor& fontColor);

// `text` shortened with "..." until `measure` finds it no wider than `maxWidth`: the first
// length - i - 1 characters (never a part of one) and "...", for i = 1, 2, ...
String ShortenTextToWidth(const String& text, const std::function<int(const String&)>& measure, int maxWidth);
