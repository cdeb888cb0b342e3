// The data grid's Windows-free core: its state for the columns, the data link, the selected-row
// bookmark list, the data service and the style's colour rules.
#include "DBGridEhCore.h"

#include "DBGridEhSelection.h"

#include "Currency.h"
#include "DateTime.h"
#include "Encoding.h"
#include "FormReader.h"
#include "FormatSettings.h"

#include <algorithm>
#include <cmath>

void RaiseGridOperationError(const String& message) { throw EInvalidGridOperation(message); }

// ---- TGridDataLinkEh ------------------------------------------------------------------------------

TGridDataLinkEh::TGridDataLinkEh(TDBGridEhCore* grid) : grid_(grid) {}

TGridDataLinkEh::~TGridDataLinkEh() = default;

void TGridDataLinkEh::MapField(const String& name) {
    if (FieldCount() >= kMaxMapSize) RaiseGridOperationError("Grid requested to display more than 256 columns");
    TDataSet* ds = DataSet();
    TField* field = nullptr;
    if (ds) field = sparseMap_ ? ds->FindField(name) : ds->FieldByName(name);
    int index = -1;
    if (field) {
        index = field->Index();
        if (TComponent* owner = grid_->Host().GridComponent()) field->FreeNotification(owner);
    }
    fieldMap_.push_back(index);
}

int TGridDataLinkEh::MappedFieldIndex(int index) const {
    if (index < 0 || index >= FieldCount()) return -1;
    return fieldMap_[static_cast<std::size_t>(index)];
}

TField* TGridDataLinkEh::MappedField(int index) const {
    const int fieldIndex = MappedFieldIndex(index);
    TDataSet* ds = DataSet();
    if (fieldIndex < 0 || !ds || fieldIndex >= ds->FieldCount()) return nullptr;
    return ds->Fields()->Fields(fieldIndex);
}

bool TGridDataLinkEh::UsesDefaultFields() const {
    TDataSet* ds = DataSet();
    if (!ds) return true;
    if (!ds->DefaultFields()) return false;
    if (sparseMap_)
        for (int index : fieldMap_)
            if (index == -1) return false;
    return true;
}

void TGridDataLinkEh::ClearMapping() {
    fieldMap_.clear();
}

void TGridDataLinkEh::Reset() {
    if (modified_)
        RecordChanged(nullptr);
    else if (TDataSet* ds = DataSet())
        ds->Cancel();
}

void TGridDataLinkEh::ActiveChanged() {
    grid_->LinkActiveChanged(Active());
    modified_ = false;
}

void TGridDataLinkEh::DataSetChanged() {
    grid_->Host().UpdateDataView();
    modified_ = false;
}

void TGridDataLinkEh::DataSetScrolled(int distance) { grid_->Host().ScrollData(distance); }

void TGridDataLinkEh::EditingChanged() { grid_->Host().DataLinkEditingChanged(); }

void TGridDataLinkEh::FocusControl(TField** field) {
    if (field && *field) grid_->Host().FocusField(*field);
}

void TGridDataLinkEh::LayoutChanged() {
    const bool saved = grid_->layoutFromDataLink_;
    grid_->layoutFromDataLink_ = true;
    try {
        grid_->RelayoutColumns();
    } catch (...) {
        grid_->layoutFromDataLink_ = saved;
        throw;
    }
    grid_->layoutFromDataLink_ = saved;
    TDataLink::LayoutChanged();
}

void TGridDataLinkEh::RecordChanged(TField* field) {
    grid_->Host().DataLinkRecordChanged(field);
    modified_ = false;
}

void TGridDataLinkEh::UpdateData() {
    if (inUpdateData_) return;
    inUpdateData_ = true;
    try {
        if (modified_) grid_->Host().UpdateDataFromEditor();
    } catch (...) {
        inUpdateData_ = false;
        throw;
    }
    modified_ = false;
    inUpdateData_ = false;
}

// ---- TBookmarkListEh ------------------------------------------------------------------------------

TBookmarkListEh::TBookmarkListEh(TDBGridEhCore* grid) : grid_(grid), list_(std::make_unique<TStringList>()) {
    list_->OnChange = Event<&TBookmarkListEh::ListChanged>(this);
}

TBookmarkListEh::~TBookmarkListEh() {
    list_->OnChange = nullptr;
    list_->Clear();
}

void TBookmarkListEh::ListChanged(TObject*) const {
    cacheBookmark_.clear();
    cacheIndex_ = -1;
}

TDataSet* TBookmarkListEh::DataSet() const { return grid_->DataLink()->DataSet(); }

int TBookmarkListEh::Compare(const TBookmark& a, const TBookmark& b) const {
    TDataSet* ds = DataSet();
    if (!ds) return a < b ? -1 : (a == b ? 0 : 1);
    return ds->CompareBookmarks(a, b);
}

void TBookmarkListEh::CheckOrder() const {
    TDataSet* ds = DataSet();
    if (!ds) return;
    if (ds == orderDataSet_ && ds->OrderGeneration() == orderGeneration_) return;
    orderDataSet_ = ds;
    orderGeneration_ = ds->OrderGeneration();
    if (list_->Count() > 1)
        list_->CustomSort([this](TStringList* list, int i, int j) { return Compare(list->Get(i), list->Get(j)); });
    ListChanged(nullptr);
}

TBookmark TBookmarkListEh::Items(int index) const {
    CheckOrder();
    return list_->Get(index);
}

TBookmark TBookmarkListEh::CurrentBookmark() {
    if (!linkActive_) RaiseGridOperationError("Cannot perform this operation on a closed dataset");
    return DataSet()->Bookmark();
}

bool TBookmarkListEh::Find(const TBookmark& bookmark, int& index) {
    CheckOrder();
    if (bookmark == cacheBookmark_ && cacheIndex_ >= 0) {
        index = cacheIndex_;
        return cacheFound_;
    }
    bool found = false;
    int low = 0;
    int high = list_->Count() - 1;
    while (low <= high) {
        const int middle = (low + high) / 2;
        const int c = Compare(list_->Get(middle), bookmark);
        if (c < 0) {
            low = middle + 1;
        } else {
            high = middle - 1;
            if (c == 0) {
                found = true;
                low = middle;
            }
        }
    }
    index = low;
    cacheBookmark_ = bookmark;
    cacheIndex_ = low;
    cacheFound_ = found;
    return found;
}

int TBookmarkListEh::PositionOf(const TBookmark& bookmark) {
    int index;
    return Find(bookmark, index) ? index : -1;
}

bool TBookmarkListEh::SelectedCurrentRow() {
    const TBookmark current = CurrentBookmark();
    int index;
    return Find(current, index);
}

void TBookmarkListEh::SetSelectedCurrentRow(bool value) {
    const TBookmark current = CurrentBookmark();
    int index;
    if (Find(current, index) == value) return;
    if (value)
        list_->Insert(index, current);
    else
        list_->Delete(index);
    grid_->Host().InvalidateGridRow(grid_->DataLink()->ActiveRecord() + grid_->Host().TitleOffset());
    if (TDBGridEhSelection* selection = grid_->Selection()) {
        if (selection->SelectionType() != gstRecordBookmarks && list_->Count() > 0) {
            // Another kind of selection gives way to the rows (its clearing leaves the rows).
            if (selection->SelectionType() != gstNon) selection->ClearSelection();
            selection->SetSelectionType(gstRecordBookmarks);
        }
        selection->CheckEmpty();
    }
    grid_->Host().SelectionChanged();
}

void TBookmarkListEh::InsertBookmark(const TBookmark& bookmark) {
    int index;
    if (!Find(bookmark, index)) list_->Insert(index, bookmark);
}

void TBookmarkListEh::Clear() {
    if (list_->Count() == 0) return;
    list_->Clear();
    if (grid_->Selection()) grid_->Selection()->CheckEmpty();
    grid_->Host().InvalidateGrid();
    grid_->Host().SelectionChanged();
}

void TBookmarkListEh::Delete() {
    TDataSet* ds = DataSet();
    if (!ds) return;
    ds->DisableControls();
    try {
        for (int i = list_->Count() - 1; i >= 0; --i) {
            const TBookmark mark = list_->Get(i);
            // A row deleted by other means meanwhile is only forgotten.
            if (ds->BookmarkValid(mark)) {
                ds->GotoBookmark(mark);
                ds->Delete();
            }
            list_->Delete(i);
        }
    } catch (...) {
        ds->EnableControls();
        if (grid_->Selection()) grid_->Selection()->CheckEmpty();
        throw;
    }
    ds->EnableControls();
    if (grid_->Selection()) grid_->Selection()->CheckEmpty();
}

void TBookmarkListEh::LinkStateChanged(bool active) {
    Clear();
    linkActive_ = active;
    orderDataSet_ = nullptr;
}

TRect TBookmarkListEh::SelectionRect() {
    const TRect none{-1, -1, -1, -1};
    TGridDataLinkEh* link = grid_->DataLink();
    if (!link->Active() || list_->Count() == 0) return none;
    TDataSet* ds = link->DataSet();
    const int saved = link->ActiveRecord();
    int first = -1;
    int last = -1;
    try {
        for (int r = 0; r < link->RecordCount(); ++r) {
            link->SetActiveRecord(r);
            int index;
            if (Find(ds->Bookmark(), index)) {
                if (first < 0) first = r;
                last = r;
            }
        }
    } catch (...) {
        link->SetActiveRecord(saved);
        throw;
    }
    link->SetActiveRecord(saved);
    if (first < 0) return none;
    return TRect{0, first + grid_->Host().TitleOffset(), grid_->Host().GridColCount() - 1, last + grid_->Host().TitleOffset()};
}

// ---- TDBGridEhDataService -------------------------------------------------------------------------

namespace {
TDBGridEhDataService*& ServiceSlot() {
    static TDBGridEhDataService* service = nullptr;
    return service;
}
}  // namespace

TDBGridEhDataService* DBGridEhDataService() { return ServiceSlot(); }
void SetDBGridEhDataService(TDBGridEhDataService* service) { ServiceSlot() = service; }

namespace {
// The features for the grid's data set, or nullptr.
TDataSetFeaturesEh* FeaturesOfGrid(TDBGridEhCore* grid, TDataSet*& dataSet) {
    dataSet = grid && grid->DataSource() ? grid->DataSource()->DataSet() : nullptr;
    return FeaturesForDataSet(dataSet);
}
}  // namespace

int TDBGridEhDataService::MoveRecords(TDBGridEhCore* grid, const std::vector<TBookmark>& bookmarks, int toRecNo,
                                      bool checkOnly) {
    return DefaultMoveRecords(grid, bookmarks, toRecNo, checkOnly);
}

int TDBGridEhDataService::DefaultMoveRecords(TDBGridEhCore* grid, const std::vector<TBookmark>& bookmarks,
                                             int toRecNo, bool checkOnly) {
    TDataSet* dataSet;
    if (TDataSetFeaturesEh* features = FeaturesOfGrid(grid, dataSet))
        return features->MoveRecords(grid, bookmarks, toRecNo, checkOnly);
    return 0;
}

void TDBGridEhDataService::ApplyFilter(TDBGridEhCore* grid) {
    if (ApplyFilterEvent)
        ApplyFilterEvent(this, grid);
    else
        DefaultApplyFilter(grid);
}

void TDBGridEhDataService::ApplySorting(TDBGridEhCore* grid) {
    if (ApplySortingEvent)
        ApplySortingEvent(this, grid);
    else
        DefaultApplySorting(grid);
}

void TDBGridEhDataService::DefaultApplyFilter(TDBGridEhCore* grid) {
    TDataSet* dataSet;
    if (TDataSetFeaturesEh* features = FeaturesOfGrid(grid, dataSet)) features->ApplyFilter(grid, dataSet, true);
}

void TDBGridEhDataService::DefaultApplySorting(TDBGridEhCore* grid) {
    TDataSet* dataSet;
    if (TDataSetFeaturesEh* features = FeaturesOfGrid(grid, dataSet)) features->ApplySorting(grid, dataSet, true);
}

// ---- TClientDataSetFeaturesEh ---------------------------------------------------------------------

void TClientDataSetFeaturesEh::ApplySorting(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) {
    if (!dataSet->Active()) return;
    String sort;
    const TColumnsEhList* list = grid->SortMarkedColumnList();
    for (int i = 0; i < list->Count(); ++i) {
        const TColumnEh* column = list->ColumnAt(i);
        if (column->FieldName().empty()) continue;
        if (!sort.empty()) sort += ", ";
        sort += column->FieldName();
        if (column->Title()->SortMarker() == smUpEh) sort += " DESC";
    }
    dataSet->SetSort(sort);
}

void TClientDataSetFeaturesEh::ApplyFilter(TDBGridEhCore* grid, TDataSet* dataSet, bool isReopen) {
    if (!dataSet->Active()) return;
    std::vector<TColumnFilterConditionEh> conditions;
    TDBGridColumnsEh* columns = grid->Columns();
    for (int i = 0; i < columns->Count(); ++i) {
        const TSTColumnFilterEh* filter = columns->ColumnAt(i)->STFilter();
        if (filter->Expression().Operator1 == foNonFilterEh) continue;
        TColumnFilterConditionEh condition{filter->FilterFieldName(), filter->Expression()};
        if (filter->KeyBased()) {
            // The keys found for the typed text, in the type of the filtered field.
            condition.Expression.ExpressionType = botNon;
            condition.Expression.Operand1 = filter->FirstOperand();
            condition.Expression.Operand2 = filter->SecondOperand();
        }
        conditions.push_back(std::move(condition));
    }
    if (conditions.empty()) {
        dataSet->SetFiltered(false);
        dataSet->SetRecordFilter(nullptr);
        return;
    }
    dataSet->SetRecordFilter(TColumnFiltersEh::Make(*dataSet, conditions));
    dataSet->SetFiltered(true);
}

// ---- TDBGridEhSumList -----------------------------------------------------------------------------

TDBGridEhSumList::TDBGridEhSumList(TDBGridEhCore* grid)
    : TDBSumListProducer(grid ? grid->Host().GridComponent() : nullptr), grid_(grid) {
    designTimeWork_ = true;
    SetActiveField(false);
}

TPersistent* TDBGridEhSumList::GetOwner() const {
    return grid_ ? grid_->Host().GridComponent() : nullptr;
}

bool TDBGridEhSumList::GridDesigning() const { return grid_ && grid_->IsGridDesigning(); }

void TDBGridEhSumList::HookDataSetEvents() {
    if (GridDesigning()) {
        if (DataSet()) SetHookedFlag(true);
        return;
    }
    TDBSumListProducer::HookDataSetEvents();
}

void TDBGridEhSumList::UnhookDataSetEvents() {
    if (GridDesigning()) {
        SetHookedFlag(false);
        return;
    }
    TDBSumListProducer::UnhookDataSetEvents();
}

void TDBGridEhSumList::SetAggregate(TGroupOperation operation, const String& fieldName, std::int64_t value) {
    TDBSumCollection* sums = SumCollection();
    TDBSum* item = sums->FindSum(operation, fieldName);
    if (!item) {
        sums->BeginUpdate();
        item = sums->Add();
        item->SetGroupOperation(operation);
        item->SetFieldName(fieldName);
        sums->EndUpdate();
    } else if (item->SumValue() == value) {
        return;
    }
    item->SetSumValue(value);
    DoSumListChanged();
}

void TDBGridEhSumList::ClearAggregates() { ResetSums(); }

// ---- TDBGridEhCore --------------------------------------------------------------------------------

TDBGridEhCore::TDBGridEhCore(IDBGridEhHost& host)
    : host_(host), titleFont_(NewFont()), footerFont_(NewFont()),
      sortMarkedColumns_(std::make_unique<TColumnsEhList>()) {
    titleFont_->OnChange = Event<&TDBGridEhCore::TitleFontChanged>(this);
    footerFont_->OnChange = Event<&TDBGridEhCore::FooterFontChanged>(this);
}

TDBGridEhCore::~TDBGridEhCore() { DoneGridCore(); }

void TDBGridEhCore::InitGridCore() {
    if (columns_) return;
    columnDefValues_.reset(host_.NewColumnDefValues(this));
    dataLink_ = std::make_unique<TGridDataLinkEh>(this);
    selectedRows_ = std::make_unique<TBookmarkListEh>(this);
    selection_ = std::make_unique<TDBGridEhSelection>(this);
    sumList_ = std::make_unique<TDBGridEhSumList>(this);
    sumList_->SumListChanged = Event<&TDBGridEhCore::SumListChangedHandler>(this);
    columns_.reset(New<TDBGridColumnsEh>(this, host_.GridColumnClass()));
}

void TDBGridEhCore::SumListChangedHandler(TObject*) { host_.SumListValuesChanged(); }

void TDBGridEhCore::DoneGridCore() {
    selection_.reset();
    columns_.reset();
    if (sortMarkedColumns_) sortMarkedColumns_->Clear();
    if (dataLink_) dataLink_->SetDataSource(nullptr);
    selectedRows_.reset();
    dataLink_.reset();
    sumList_.reset();
    columnDefValues_.reset();
}

bool TDBGridEhCore::IsGridLoading() const { return (host_.GridComponent()->ComponentState() & csLoading) != 0; }

bool TDBGridEhCore::IsGridDesigning() const { return (host_.GridComponent()->ComponentState() & csDesigning) != 0; }

void TDBGridEhCore::TitleFontChanged(TObject*) {
    host_.TitleOrFooterFontChanged();
    if (options_.Contains(dgTitles)) RelayoutColumns();
}

void TDBGridEhCore::FooterFontChanged(TObject*) {
    host_.TitleOrFooterFontChanged();
    if (footerRowCount_ > 0) RelayoutColumns();
}

void TDBGridEhCore::SetDataSource(TDataSource* value) {
    if (value == dataLink_->DataSource()) return;
    host_.DataSourceChanging();
    if (options_.Contains(dgMultiSelect) && optionsEh_.Contains(dghClearSelection)) selectedRows_->Clear();
    dataLink_->SetDataSource(value);
    if (value) value->FreeNotification(host_.GridComponent());
    // Also hands the aggregates the data set, only while the link is active.
    LinkActiveChanged(dataLink_->Active());
}

void TDBGridEhCore::SetOptions(TDBGridOptions value) {
    if (value.Contains(dgRowSelect)) value = value - TDBGridOptions{dgEditing, dgAlwaysShowEditor};
    if (value == options_) return;
    const TDBGridOptions old = options_;
    if (old.Contains(dgMultiSelect) && !value.Contains(dgMultiSelect)) selectedRows_->Clear();
    options_ = value;
    host_.OptionsChanged(old);
}

void TDBGridEhCore::SetOptionsEh(TDBGridEhOptions value) {
    if (optionsEh_.Contains(dghMultiSortMarking) && !value.Contains(dghMultiSortMarking)) {
        // Only the first sort key keeps its marker.
        while (sortMarkedColumns_->Count() > 1)
            sortMarkedColumns_->ColumnAt(sortMarkedColumns_->Count() - 1)->Title()->ChangeSortMarker(smNoneEh);
    }
    if (value == optionsEh_) return;
    optionsEh_ = value;
    RelayoutColumns();
}

void TDBGridEhCore::SetReadOnly(bool value) {
    if (value == readOnly_) return;
    readOnly_ = value;
    host_.InvalidateGrid();
}

void TDBGridEhCore::SetDrawMemoText(bool value) {
    if (value == drawMemoText_) return;
    drawMemoText_ = value;
    host_.InvalidateGrid();
}

void TDBGridEhCore::SetAutoFitColWidths(bool value) {
    if (value == autoFitColWidths_) return;
    autoFitColWidths_ = value;
    if (IsGridDesigning()) return;
    if (value) {
        if (!IsGridLoading())
            for (int i = 0; i < columns_->Count(); ++i)
                columns_->ColumnAt(i)->SetAutoFitBaseWidth(columns_->ColumnAt(i)->Width());
    } else {
        columns_->BeginUpdate();
        for (int i = 0; i < columns_->Count(); ++i)
            columns_->ColumnAt(i)->SetWidth(columns_->ColumnAt(i)->AutoFitBaseWidth());
        columns_->EndUpdate();
    }
    RelayoutColumns();
}

void TDBGridEhCore::SetUseMultiTitle(bool value) {
    useMultiTitle_ = value;
    RelayoutColumns();
}

void TDBGridEhCore::SetFlat(bool value) {
    if (value == flat_) return;
    flat_ = value;
    RelayoutColumns();
}

void TDBGridEhCore::SetFooterRowCount(int value) {
    if (value < 0 || value == footerRowCount_) return;
    footerRowCount_ = value;
    RelayoutColumns();
}

void TDBGridEhCore::SetFooterColor(TColor value) {
    if (value == footerColor_) return;
    footerColor_ = value;
    if (footerRowCount_ > 0) host_.InvalidateGrid();
}

// Layout locks.

void TDBGridEhCore::BeginLayout() {
    ++layoutLock_;
    if (updateLock_ == 0 && columns_) columns_->BeginUpdate();
    ++updateLock_;
}

void TDBGridEhCore::EndLayout() {
    if (updateLock_ == 0) return;
    try {
        if (updateLock_ == 1) host_.InternalLayout();
    } catch (...) {
        if (updateLock_ == 1 && columns_) columns_->EndUpdate();
        --updateLock_;
        if (layoutLock_ > 0) --layoutLock_;
        throw;
    }
    if (updateLock_ == 1 && columns_) columns_->EndUpdate();
    --updateLock_;
    if (layoutLock_ > 0) --layoutLock_;
}

bool TDBGridEhCore::TryBeginLayout() {
    if (layoutLock_ != 0 || updateLock_ != 0) return false;
    BeginLayout();
    return true;
}

void TDBGridEhCore::RelayoutColumns() {
    if (layoutLock_ != 0 || updateLock_ != 0) return;
    // What the layout does to the columns comes back here while the locks are held.
    ++layoutLock_;
    ++updateLock_;
    try {
        host_.InternalLayout();
    } catch (...) {
        --layoutLock_;
        --updateLock_;
        throw;
    }
    --layoutLock_;
    --updateLock_;
}

void TDBGridEhCore::ColumnsChanged() {
    BuildFieldMap();
    RelayoutColumns();
}

void TDBGridEhCore::BuildFieldMap() {
    if (!dataLink_) return;
    dataLink_->ClearMapping();
    TDataSet* ds = dataLink_->DataSet();
    if (columns_->Customized()) {
        dataLink_->SetSparseMap(true);
        for (int i = 0; i < columns_->Count(); ++i) dataLink_->MapField(columns_->ColumnAt(i)->FieldName());
    } else if (ds) {
        dataLink_->SetSparseMap(false);
        for (int i = 0; i < ds->FieldCount(); ++i) {
            TField* field = ds->Fields()->Fields(i);
            if (field->Visible()) dataLink_->MapField(field->FieldName());
        }
    }
}

void TDBGridEhCore::RebuildColumns() {
    TDataSet* ds = dataLink_->DataSet();
    BeginLayout();
    try {
        // Columns made from the fields followed by a stored one: the made ones go.
        bool madeSeen = false;
        bool storedAfterMade = false;
        for (int i = 0; i < columns_->Count(); ++i) {
            if (!columns_->ColumnAt(i)->Stored())
                madeSeen = true;
            else if (madeSeen)
                storedAfterMade = true;
        }
        if (storedAfterMade)
            for (int i = columns_->Count() - 1; i >= 0; --i)
                if (!columns_->ColumnAt(i)->Stored()) columns_->Delete(i);
        if (dataLink_->Active()) BuildFieldMap();
        if (columns_->Customized()) {
            for (int i = 0; i < columns_->Count(); ++i) {
                TColumnEh* column = columns_->ColumnAt(i);
                TField* field = (ds && (ds->Active() || !ds->DefaultFields())) ? ds->FindField(column->FieldName())
                                                                                : nullptr;
                if (field != column->field_) {
                    column->field_ = field;
                    if (field) column->fieldName_ = field->FieldName();
                }
            }
        } else {
            std::vector<TField*> fields;
            if (ds && dataLink_->Active() && !host_.GridDataSetFields(fields))
                for (int i = 0; i < ds->FieldCount(); ++i)
                    if (ds->Fields()->Fields(i)->Visible()) fields.push_back(ds->Fields()->Fields(i));
            auto fieldOf = [&](TColumnEh* column) -> TField* {
                for (TField* f : fields)
                    if (!column->FieldName().empty() && SameText(f->FieldName(), column->FieldName())) return f;
                return nullptr;
            };
            // Columns whose field is gone are freed (every one without an active link).
            for (int i = columns_->Count() - 1; i >= 0; --i) {
                TColumnEh* column = columns_->ColumnAt(i);
                TField* field = fieldOf(column);
                if (!field)
                    columns_->Delete(i);
                else
                    column->field_ = field;
            }
            // Each field's column, made when missing, at the field's place.
            for (std::size_t k = 0; k < fields.size(); ++k) {
                TColumnEh* found = nullptr;
                for (int i = 0; i < columns_->Count() && !found; ++i)
                    if (columns_->ColumnAt(i)->field_ == fields[k]) found = columns_->ColumnAt(i);
                if (!found) {
                    found = columns_->InternalAdd();
                    found->SetField(fields[k]);
                }
                if (found->Index() != static_cast<int>(k)) found->TCollectionItem::SetIndex(static_cast<int>(k));
            }
            if (fields.empty() && columns_->Count() == 0) columns_->InternalAdd();
        }
        BuildFieldMap();
    } catch (...) {
        EndLayout();
        throw;
    }
    EndLayout();
}

void TDBGridEhCore::ReleaseLayout() {
    if (updateLock_ == 0) return;
    // The columns' own update ends while the locks still hold back a layout.
    if (updateLock_ == 1 && columns_) columns_->EndUpdate();
    --updateLock_;
    if (layoutLock_ > 0) --layoutLock_;
}

void TDBGridEhCore::LinkActiveChanged(bool active) {
    host_.LinkActiveChanging(active);
    // Fields of a closed data set may be freed: columns look them up again when needed.
    if (columns_)
        for (int i = 0; i < columns_->Count(); ++i) columns_->ColumnAt(i)->field_ = nullptr;
    if (selection_)
        selection_->DataLinkActiveChanged(active);
    else
        selectedRows_->LinkStateChanged(active);
    if (sumList_) sumList_->SetDataSet(active ? DataSet() : nullptr);
    RelayoutColumns();
    host_.LinkActiveChanged(active);
}

void TDBGridEhCore::GridNotification(TComponent* component, TOperation operation) {
    if (operation != opRemove || !columns_) return;
    if (auto* field = dynamic_cast<TField*>(component)) {
        BeginLayout();
        for (int i = 0; i < columns_->Count(); ++i)
            if (columns_->ColumnAt(i)->field_ == field) columns_->ColumnAt(i)->field_ = nullptr;
        EndLayout();
    } else if (component == DataSource()) {
        SetDataSource(nullptr);
    }
}

void TDBGridEhCore::DefineColumnsProperty(TFiler* filer) {
    filer->DefineProperty(
        "Columns", [this](TReader& reader) { columns_->ReadColumns(reader); }, nullptr,
        columns_ && columns_->Customized());
}

// Sort marking.

void TDBGridEhCore::RebuildSortMarkedColumnList() {
    std::vector<TColumnEh*> marked;
    for (int i = 0; i < columns_->Count(); ++i)
        if (columns_->ColumnAt(i)->Title()->SortIndex() > 0) marked.push_back(columns_->ColumnAt(i));
    std::stable_sort(marked.begin(), marked.end(), [](TColumnEh* a, TColumnEh* b) {
        return a->Title()->SortIndex() < b->Title()->SortIndex();
    });
    sortMarkedColumns_->Clear();
    for (std::size_t i = 0; i < marked.size(); ++i) {
        marked[i]->Title()->SetSortIndexRaw(static_cast<int>(i) + 1);
        sortMarkedColumns_->Add(marked[i]);
    }
}

void TDBGridEhCore::SortTitleClicked(TColumnEh* column, bool ctrlHeld) {
    if (!column) return;
    if (optionsEh_.Contains(dghAutoSortMarking)) column->Title()->ToggleSortMarker(ctrlHeld);
    if (ctrlHeld)
        ctrlSortPending_ = true;
    else
        SortMarkingChanged();
}

void TDBGridEhCore::SortCtrlKeyReleased() {
    if (!ctrlSortPending_) return;
    ctrlSortPending_ = false;
    SortMarkingChanged();
}

void TDBGridEhCore::SortFocusLost() { SortCtrlKeyReleased(); }

void TDBGridEhCore::SortMarkingChanged() {
    if (optionsEh_.Contains(dghAutoSortMarking)) host_.SortMarkingChanged();
}

void TDBGridEhCore::DefaultApplySorting() {
    if (TDBGridEhDataService* service = DBGridEhDataService()) service->ApplySorting(this);
    // A new order (or a re-read) walks the aggregates again.
    if (sumList_ && sumList_->Active()) sumList_->RecomputeAll();
}

void TDBGridEhCore::DefaultApplyFilter() {
    if (TDBGridEhDataService* service = DBGridEhDataService()) service->ApplyFilter(this);
}

int TDBGridEhCore::DefaultMoveRecords(const std::vector<TBookmark>& bookmarks, int toRecNo, bool checkOnly) {
    TDBGridEhDataService* service = DBGridEhDataService();
    return service ? service->MoveRecords(this, bookmarks, toRecNo, checkOnly) : 0;
}

// Footers.

namespace {

bool IsTextFieldType(TFieldType type) {
    return type == ftString || type == ftWideString || type == ftFixedChar || type == ftMemo || type == ftFmtMemo;
}

bool IsIntegerFieldType(TFieldType type) {
    return type == ftSmallint || type == ftInteger || type == ftWord || type == ftAutoInc || type == ftLargeint;
}

String FieldDisplayFormat(const TField* field) {
    if (auto* numeric = dynamic_cast<const TNumericField*>(field)) return numeric->DisplayFormat();
    if (auto* date = dynamic_cast<const TDateTimeField*>(field)) return date->DisplayFormat();
    return String();
}

// A field's text with `format` by the rule of a column's display text.
String FormattedFieldText(TField* field, const String& format) {
    if (format.empty()) return field->DisplayText();
    if (field->IsNull()) return String();
    try {
        if (field->InheritsFrom(TNumericField::StaticClass())) return FormatFloat(format, field->AsFloat());
        if (field->InheritsFrom(TDateTimeField::StaticClass())) return FormatDateTime(format, field->AsDateTime());
    } catch (const EConvertError&) {  // a value that is no number shows as Null
    } catch (const EVariantError&) {
    }
    return String();
}

}  // namespace

namespace {

void EnsureOneFooterSum(TDBSumCollection* sums, TColumnEh* column, TColumnFooterEh* footer) {
    auto* item = static_cast<TDBSum*>(footer->SumItem());
    const TFooterValueType type = footer->ValueType();
    const bool aggregate = type == fvtSum || type == fvtAvg || type == fvtCount;
    if (!aggregate) {
        if (item) {
            footer->SetSumItem(nullptr);
            sums->Delete(item);
        }
        return;
    }
    const String fieldName = type == fvtCount ? String()
                             : footer->FieldName().empty() ? column->FieldName()
                                                           : footer->FieldName();
    const TGroupOperation operation = type == fvtSum ? goSum : type == fvtAvg ? goAvg : goCount;
    if (item && item->GroupOperation() == operation && item->FieldName() == fieldName) return;
    sums->BeginUpdate();
    if (!item) {
        item = sums->Add();
        footer->SetSumItem(item);
    }
    item->SetGroupOperation(operation);
    item->SetFieldName(fieldName);
    sums->EndUpdate();
}

}  // namespace

void TDBGridEhCore::EnsureFooterSums(TColumnEh* column) {
    if (!sumList_ || !column) return;
    TDBSumCollection* sums = sumList_->SumCollection();
    EnsureOneFooterSum(sums, column, column->Footer());
    TColumnFootersEh* footers = column->Footers();
    for (int i = 0; footers && i < footers->Count(); ++i) EnsureOneFooterSum(sums, column, footers->Items(i));
}

void TDBGridEhCore::ColumnDestroying(TColumnEh* column) {
    if (selection_) selection_->Columns()->Forget(column);
}

void TDBGridEhCore::ReleaseFooterSum(TColumnFooterEh* footer) {
    auto* item = static_cast<TDBSum*>(footer->SumItem());
    if (!item) return;
    footer->SetSumItem(nullptr);
    if (sumList_) sumList_->SumCollection()->Delete(item);
}

String TDBGridEhCore::GetFooterValueText(int footerIndex, TColumnEh* column) {
    if (!column) return String();
    TColumnFooterEh* footer = column->FooterForRow(footerIndex);
    if (!footer) return String();
    TDataSet* ds = DataSet();
    switch (footer->ValueType()) {
    case fvtSum:
    case fvtAvg: {
        const String name = footer->FieldName().empty() ? column->FieldName() : footer->FieldName();
        TField* field = ds && !name.empty() ? ds->FindField(name) : nullptr;
        if (!field) return "0";
        std::int64_t raw = 0;
        sumList_->FindAggregate(footer->ValueType() == fvtSum ? goSum : goAvg, field->FieldName(), raw);
        const Currency value = Currency::FromRaw(raw);
        const String& own = footer->DisplayFormat();
        const TFieldType type = field->DataType();
        if (IsIntegerFieldType(type)) {
            const String format = own.empty() ? FieldDisplayFormat(field) : own;
            return FormatFloat(format.empty() ? String("0") : format, value.ToDouble());
        }
        if (type == ftFloat || type == ftCurrency) {
            const String format = own.empty() ? FieldDisplayFormat(field) : own;
            if (!format.empty()) return FormatFloat(format, value.ToDouble());
            auto* f = dynamic_cast<TFloatField*>(field);
            const bool money = f && f->Currency();
            return FloatToStrF(value.ToDouble(), money ? ffCurrency : ffGeneral, f ? f->Precision() : 15,
                               money ? FormatSettings.CurrencyDecimals : 0);
        }
        if (type == ftBCD || type == ftFMTBcd) {
            if (!own.empty()) return FormatFloat(own, value.ToDouble());
            const String format = FieldDisplayFormat(field);
            if (!format.empty()) return FormatCurr(format, value);
            auto* f = dynamic_cast<TBCDField*>(field);
            const bool money = f && f->Currency();
            return CurrToStrF(value, money ? ffCurrency : ffGeneral, money ? FormatSettings.CurrencyDecimals : 0);
        }
        if (IsTextFieldType(type)) {
            // Numbers kept as text (values that are not numbers count as Null).
            if (!own.empty()) return FormatFloat(own, value.ToDouble());
            return FloatToStrF(value.ToDouble(), ffGeneral, 15, 0);
        }
        return String();  // no sum of a field of another type
    }
    case fvtCount: {
        std::int64_t raw = 0;
        sumList_->FindAggregate(goCount, String(), raw);
        const double count = Currency::FromRaw(raw).ToDouble();
        return footer->DisplayFormat().empty() ? FloatToStr(count) : FormatFloat(footer->DisplayFormat(), count);
    }
    case fvtFieldValue: {
        if (!ds || !ds->Active() || footer->FieldName().empty()) return String();
        TField* field = ds->FindField(footer->FieldName());
        return field ? FormattedFieldText(field, footer->DisplayFormat()) : String();
    }
    case fvtStaticText: return footer->Value();
    case fvtNon: return String();
    }
    return String();
}

// ---- Style rules ----------------------------------------------------------------------------------

TColor BlendTowards(TColor color, TColor glass, bool ungray) {
    auto channel = [&](int shift) {
        const double c = (color >> shift) & 0xFF;
        const double g = (glass >> shift) & 0xFF;
        double x = c + (g - c) * 0.5;
        x = x + (225 - x) * 0.6;
        if (ungray) x = x - (122 - x) * 0.25;
        const double rounded = std::nearbyint(x);  // half to even
        return static_cast<TColor>(std::clamp(rounded, 0.0, 255.0));
    };
    return channel(0) | (channel(8) << 8) | (channel(16) << 16);
}

bool DataCellHighlight(const TDataCellHighlightQueryEh& q, TColor& background, TColor& fontColor) {
    bool highlighted = q.InSelection;
    if (!highlighted) {
        const bool candidate = q.FocusHighlight ||
                               (q.RowHighlight && q.OnCurrentRow && !q.IsCurrentColumn && !q.RectangleSelectionShown);
        const bool onSelection = q.IsSelectedCell || (q.OnCurrentRow && q.RowSelect);
        const bool shown = q.AlwaysShowSelection || q.FocusHighlight;
        highlighted = candidate && onSelection && shown && (!q.LayoutLocked || q.RowSelect);
    }
    if (!highlighted) return false;
    const bool current = q.IsSelectedCell || (q.RowSelect && q.OnCurrentRow);
    if (!q.SelectionActive) {
        if (current && (q.FocusHighlight || q.AlwaysShowSelection)) {
            background = clBtnShadow;
            fontColor = clHighlightText;
        } else {
            background = q.RichDisplay ? BlendTowards(ColorToRGB(background), ColorToRGB(clBtnShadow), false)
                                       : clBtnFace;
        }
    } else if (q.LuminateSelection && q.RichDisplay) {
        if (current) {
            background = clHighlight;
            fontColor = clHighlightText;
        } else {
            background = BlendTowards(ColorToRGB(background), ColorToRGB(clHighlight), true);
        }
    } else {
        background = clHighlight;
        fontColor = clHighlightText;
    }
    return true;
}

void FixedCellHighlight(TCellKindEh kind, TRowKindEh rowKind, bool selectionActive, bool luminateSelection,
                        bool richDisplay, TColor& background, TColor& fontColor) {
    const bool markerCell = kind == ckIndicatorEh ? rowKind != rkFillerEh
                                                  : rowKind == rkTitleEh || rowKind == rkFilterEh;
    if (markerCell) {
        background = 0x404040;
        fontColor = clWhite;
        return;
    }
    if (selectionActive) {
        if (luminateSelection && richDisplay) {
            background = BlendTowards(ColorToRGB(background), ColorToRGB(clHighlight), true);
        } else {
            background = clHighlight;
            fontColor = clHighlightText;
        }
    } else {
        background = richDisplay ? BlendTowards(ColorToRGB(background), ColorToRGB(clBtnShadow), false) : clBtnFace;
    }
}

String ShortenTextToWidth(const String& text, const std::function<int(const String&)>& measure, int maxWidth) {
    String candidate = text;
    const std::size_t length = Utf8Length(text);
    for (std::size_t i = 1; i <= length && measure(candidate) > maxWidth; ++i) {
        const std::size_t keep = length > i + 1 ? length - i - 1 : 0;
        candidate = Utf8Left(text, keep) + "...";
    }
    return candidate;
}
