// The lookup grid and its drop-down form.
#include "DBLookupGridsEh.h"

#include "Encoding.h"
#include "TypeRegistry.h"
#include "WinApi.h"

#include <algorithm>

namespace {

constexpr UINT_PTR kTrackTimer = 5;
constexpr int kMaxSearchLength = 32;
constexpr std::uint32_t kSearchPause = 2000;
std::uint32_t lastSearchTick = 0;  // shared by every lookup grid

bool IsStringDisplayField(const TField* field) {
    if (!field) return false;
    const TFieldType type = field->DataType();
    const bool text = type == ftString || type == ftWideString || type == ftFixedChar;
    return text && (field->FieldKind() == fkData || field->FieldKind() == fkInternalCalc);
}

Variant FieldsValue(const std::vector<TField*>& fields) {
    if (fields.empty()) return Null();
    if (fields.size() == 1) return fields[0]->AsVariant();
    std::vector<Variant> values;
    for (TField* f : fields) values.push_back(f->AsVariant());
    return VarArrayOf(values);
}

// The fields named in `names` (";"-separated) that `ds` has; false when one is missing.
bool FindFields(TDataSet* ds, const String& names, std::vector<TField*>& fields) {
    fields.clear();
    try {
        ds->GetFieldList(fields, names);
        return true;
    } catch (const EDatabaseError&) {
        fields.clear();
        return false;
    }
}

}  // namespace

// ---- Special-row cells and columns -----------------------------------------------------------------

TGridColumnSpecCellEh::TGridColumnSpecCellEh(TDBLookupGridColumnEh* column) : column_(column), font_(NewFont()) {
    font_->OnChange = Event<&TGridColumnSpecCellEh::FontChanged>(this);
}

TGridColumnSpecCellEh::~TGridColumnSpecCellEh() { font_->OnChange = nullptr; }

TSpecRowEh* TGridColumnSpecCellEh::SpecRow() const {
    TDBLookupGridEh* grid = column_ ? column_->LookupGrid() : nullptr;
    return grid ? grid->SpecRow() : nullptr;
}

void TGridColumnSpecCellEh::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TGridColumnSpecCellEh*>(source);
    if (!other) return inherited::Assign(source);
    if (other->textAssigned_) SetText(other->text_);
    if (other->colorAssigned_) SetColor(other->color_);
    if (other->fontAssigned_) SetFont(other->font_.get());
}

String TGridColumnSpecCellEh::Text() const {
    if (textAssigned_) return text_;
    TSpecRowEh* row = SpecRow();
    return row ? row->ReadCellText(column_->Index()) : text_;
}

void TGridColumnSpecCellEh::SetText(const String& value) {
    if (textAssigned_ && value == text_) return;
    text_ = value;
    textAssigned_ = true;
    Changed();
}

TColor TGridColumnSpecCellEh::Color() const {
    if (colorAssigned_) return color_;
    TSpecRowEh* row = SpecRow();
    return row ? row->Color() : color_;
}

void TGridColumnSpecCellEh::SetColor(TColor value) {
    if (colorAssigned_ && value == color_) return;
    color_ = value;
    colorAssigned_ = true;
    Changed();
}

TCustomFont* TGridColumnSpecCellEh::Font() {
    if (!fontAssigned_) {
        TSpecRowEh* row = SpecRow();
        if (row && !SameFontEh(*font_, *row->Font())) {
            refreshingFont_ = true;
            font_->Assign(row->Font());
            refreshingFont_ = false;
        }
    }
    return font_.get();
}

bool TGridColumnSpecCellEh::IsPropertyStored(const String& name) const {
    if (SameText(name, "Text")) return textAssigned_;
    if (SameText(name, "Color")) return colorAssigned_;
    if (SameText(name, "Font")) return fontAssigned_;
    return false;
}

void TGridColumnSpecCellEh::FontChanged(TObject*) {
    if (refreshingFont_) return;
    fontAssigned_ = true;
    Changed();
}

void TGridColumnSpecCellEh::Changed() {
    if (TDBLookupGridEh* grid = column_ ? column_->LookupGrid() : nullptr) grid->Invalidate();
}

TDBLookupGridColumnEh::TDBLookupGridColumnEh(TCollection* collection)
    : TDBGridColumnEh(collection), specCell_(std::make_unique<TGridColumnSpecCellEh>(this)) {}

TDBLookupGridColumnEh::~TDBLookupGridColumnEh() = default;

TDBLookupGridEh* TDBLookupGridColumnEh::LookupGrid() const {
    TDBGridEhCore* core = Grid();
    return core ? dynamic_cast<TDBLookupGridEh*>(core->Host().GridComponent()) : nullptr;
}

void TDBLookupGridColumnEh::Assign(TPersistent* source) {
    TColumnEh::Assign(source);
    if (auto* other = dynamic_cast<TDBLookupGridColumnEh*>(source)) specCell_->Assign(other->specCell_.get());
}

void TDBLookupGridColumnEh::SetIndex(int index) {
    TDBLookupGridEh* grid = LookupGrid();
    if (!grid) return TColumnEh::SetIndex(index);
    const int from = Index();
    const bool moves = grid->ListActive() && from >= 0 && index != from && index >= 0 && index < Columns()->Count();
    // The grid's own columns follow the list fields (never the data set's field order): the list
    // fields are rewritten in the new order and the columns rebuilt from them.
    if (!moves || Columns()->Customized()) TCollectionItem::SetIndex(index);
    if (moves) grid->LookupColumnMoved(from, index);
}

// ---- Data link ------------------------------------------------------------------------------------

// A binding that fails here leaves the grid unbound (the setters raise before anything changes).
void TLookupGridDataLinkEh::ActiveChanged() {
    try {
        grid_->RebindDataFields();
    } catch (const Exception&) {
        grid_->dataFields_.clear();
        grid_->writtenFields_.clear();
    }
}

void TLookupGridDataLinkEh::LayoutChanged() { ActiveChanged(); }

void TLookupGridDataLinkEh::RecordChanged(TField* field) {
    const auto& written = grid_->writtenFields_;
    if (!field || std::find(written.begin(), written.end(), field) != written.end()) grid_->ReadKeyFromData();
}

void TLookupGridDataLinkEh::FocusControl(TField** field) {
    if (!field || !*field || grid_->dataFields_.empty() || *field != grid_->dataFields_[0]) return;
    if (grid_->CanFocus()) {
        grid_->SetFocus();
        *field = nullptr;
    }
}

// ---- TDBLookupGridEh ------------------------------------------------------------------------------

std::function<std::uint32_t()>& TDBLookupGridEh::SearchTickSource() {
    static std::function<std::uint32_t()> source = [] { return static_cast<std::uint32_t>(GetTickCount()); };
    return source;
}

TDBLookupGridEh::TDBLookupGridEh(TComponent* owner)
    : TCustomDBGridEh(owner), dataLink_(std::make_unique<TLookupGridDataLinkEh>(this)),
      specRow_(std::make_unique<TSpecRowEh>(this)) {
    specRow_->OnChanged = Event<&TDBLookupGridEh::SpecRowChanged>(this);
}

void TDBLookupGridEh::AfterConstruction() {
    TCustomDBGridEh::AfterConstruction();
    SetOptions(TDBGridOptions{dgColLines, dgRowSelect, dgAlwaysShowSelection});
    SetOptionsEh(TDBGridEhOptions{});
    TCustomDBGridEh::SetReadOnly(true);
}

void TDBLookupGridEh::InternalLayout() {
    TCustomDBGridEh::InternalLayout();
    // The row height follows the font: the rows in view stay.
    if (!fitting_ && HandleAllocated()) FitHeightToRows();
}

TDBLookupGridEh::~TDBLookupGridEh() { specRow_->OnChanged = nullptr; }

void TDBLookupGridEh::BeforeDestruction() {
    // Both links go while the grid is whole; nothing rebinds from here on.
    destroying_ = true;
    dataLink_->SetDataSource(nullptr);
    TCustomDBGridEh::BeforeDestruction();
}

void TDBLookupGridEh::Notification(TComponent* component, TOperation operation) {
    TCustomDBGridEh::Notification(component, operation);
    if (operation != opRemove || destroying_) return;
    if (component == dataLink_->DataSource()) dataLink_->SetDataSource(nullptr);
    if (component == lookupSource_) lookupSource_ = nullptr;
}

void TDBLookupGridEh::SpecRowChanged(TObject*) {
    if (Core()->IsGridLoading() || destroying_) return;
    if (specRow_->Visible() != specRowShown_) {
        // The special row takes (or gives back) the filter row's place.
        specRowShown_ = specRow_->Visible();
        RelayoutColumns();
    }
    FitHeightToRows();
    Invalidate();
}

// ---- Data side ----

void TDBLookupGridEh::SetDataSource(TDataSource* value) {
    if (value == dataLink_->DataSource()) return;
    if (value && value->DataSet() && ListSource() && ListSource()->DataSet() == value->DataSet())
        DatabaseError("Circular datalinks are not allowed", this);
    dataLink_->SetDataSource(value);
    if (value) value->FreeNotification(this);
    RebindDataFields();
}

void TDBLookupGridEh::SetDataField(const String& value) {
    if (value == dataField_) return;
    dataField_ = value;
    RebindDataFields();
}

void TDBLookupGridEh::RebindDataFields() {
    if (destroying_) return;
    const bool wasLookup = lookupMode_;
    dataFields_.clear();
    writtenFields_.clear();
    lookupMode_ = false;
    if (dataLink_->Active() && !dataField_.empty()) {
        TDataSet* ds = dataLink_->DataSet();
        if (ListSource() && ListSource()->DataSet() == ds) DatabaseError("Circular datalinks are not allowed", this);
        ds->GetFieldList(dataFields_, dataField_);
        if (dataFields_.size() == 1 && dataFields_[0]->Lookup()) {
            TField* field = dataFields_[0];
            lookupMode_ = true;
            ds->GetFieldList(writtenFields_, field->KeyFields);
            if (!lookupSource_) {
                lookupSource_ = New<TDataSource>(this);
            }
            lookupSource_->SetDataSet(field->LookupDataSet);
            keyField_ = field->LookupKeyFields;
            TCustomDBGridEh::SetDataSource(lookupSource_);
        } else {
            writtenFields_ = dataFields_;
        }
    }
    if (wasLookup && !lookupMode_ && ListSource() == lookupSource_) TCustomDBGridEh::SetDataSource(nullptr);
    RebindListFields();
    ReadKeyFromData();
}

void TDBLookupGridEh::ReadKeyFromData() {
    if (writtenFields_.empty()) {
        if (dataLink_->Active()) SetKeyValue(Null());
        return;
    }
    SetKeyValue(FieldsValue(writtenFields_));
}

// ---- List side ----

void TDBLookupGridEh::SetListSource(TDataSource* value) {
    if (lookupMode_) DatabaseError("Property already defined by lookup field", this);
    if (value == ListSource()) return;
    if (value && value->DataSet() && dataLink_->DataSet() == value->DataSet() && !dataField_.empty())
        DatabaseError("Circular datalinks are not allowed", this);
    TCustomDBGridEh::SetDataSource(value);
    if (value) value->FreeNotification(this);
    RebindListFields();
}

void TDBLookupGridEh::SetKeyField(const String& value) {
    if (lookupMode_) DatabaseError("Property already defined by lookup field", this);
    if (value == keyField_) return;
    const String old = keyField_;
    keyField_ = value;
    try {
        RebindListFields();
    } catch (...) {
        keyField_ = old;
        RebindListFields();
        throw;
    }
}

void TDBLookupGridEh::SetListField(const String& value) {
    if (value == listField_) return;
    const String old = listField_;
    listField_ = value;
    try {
        RebindListFields();
    } catch (...) {
        listField_ = old;
        RebindListFields();
        throw;
    }
}

void TDBLookupGridEh::SetListFieldIndex(int value) {
    if (value == listFieldIndex_) return;
    listFieldIndex_ = value;
    RebindListFields();
}

bool TDBLookupGridEh::GridDataSetFields(std::vector<TField*>& fields) {
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (!ds) return false;
    std::vector<TField*> list;
    if (!listField_.empty()) FindFields(ds, listField_, list);
    if (list.empty() && !keyField_.empty()) FindFields(ds, keyField_, list);
    if (list.empty()) return false;
    if (lookupMode_ && !dataFields_.empty()) {
        if (TField* result = ds->FindField(dataFields_[0]->LookupResultField)) {
            list.erase(std::remove(list.begin(), list.end(), result), list.end());
            list.insert(list.begin(), result);
        }
    }
    fields = list;
    return true;
}

void TDBLookupGridEh::RebindListFields() {
    listActive_ = false;
    if (destroying_) return;
    listFields_.clear();
    keyFields_.clear();
    displayField_ = nullptr;
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (ds && DataLink()->Active()) {
        if (!listField_.empty() && !FindFields(ds, listField_, listFields_))
            DatabaseError("Field '" + listField_ + "' not found", this);
        ds->GetFieldList(keyFields_, keyField_);
        if (listFields_.empty()) listFields_ = keyFields_;
        if (!listFields_.empty())
            displayField_ = listFields_[std::size_t(std::clamp(listFieldIndex_, 0, int(listFields_.size()) - 1))];
        if (lookupMode_ && !dataFields_.empty()) {
            if (TField* result = ds->FindField(dataFields_[0]->LookupResultField)) {
                displayField_ = result;
                listFields_.erase(std::remove(listFields_.begin(), listFields_.end(), result), listFields_.end());
                listFields_.insert(listFields_.begin(), result);
            }
        }
        listActive_ = !keyField_.empty() && !keyFields_.empty();
        if (!Columns()->Customized()) Core()->RebuildColumns();
    }
    if (listActive_)
        KeyValueUpdated();
    else
        ListWindowChanged();
}

void TDBLookupGridEh::LinkActiveChanged(bool active) {
    TCustomDBGridEh::LinkActiveChanged(active);
    if (destroying_) return;
    RebindListFields();
}

void TDBLookupGridEh::LookupColumnMoved(int from, int to) {
    // The special row's cells follow their columns.
    std::vector<String> cells = specRow_->Cells();
    if (!cells.empty()) {
        cells.resize(std::max(cells.size(), std::size_t(std::max(from, to)) + 1));
        const String moved = cells[std::size_t(from)];
        cells.erase(cells.begin() + from);
        cells.insert(cells.begin() + to, moved);
        specRow_->SetCellsText(JoinSpecRowCells(cells));
    }
    if (Columns()->Customized()) return;
    // The grid's own columns: the list fields take the columns' new order, the display field stays.
    std::vector<TColumnEh*> order;
    for (int i = 0; i < Columns()->Count(); ++i) order.push_back(Columns()->ColumnAt(i));
    TColumnEh* column = order[std::size_t(from)];
    order.erase(order.begin() + from);
    order.insert(order.begin() + to, column);
    String names;
    int display = listFieldIndex_;
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0) names += ";";
        names += order[i]->FieldName();
        if (displayField_ && order[i]->Field() == displayField_) display = int(i);
    }
    listFieldIndex_ = display;
    SetListField(names);
}

// ---- Key value ----

void TDBLookupGridEh::SetKeyValue(const Variant& value) {
    if (VariantsEqual(keyValue_, value)) return;
    keyValue_ = value;
    KeyValueUpdated();
}

bool TDBLookupGridEh::FindKeyInList() {
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (VarIsNull(keyValue_) || !ds || !ds->Active() || keyFields_.empty()) return false;
    const bool fits = keyValue_.IsArray() ? keyValue_.AsArray().size() == keyFields_.size() : keyFields_.size() == 1;
    if (!fits) return false;
    try {
        return ds->Locate(keyField_, keyValue_, 0);
    } catch (const Exception&) {
        return false;
    }
}

void TDBLookupGridEh::KeyValueUpdated() {
    specRowSelected_ = specRow_->Visible() && VariantsEqual(specRow_->Value(), keyValue_);
    bool found = false;
    bool searched = false;
    if (!specRowSelected_ && specRow_->Visible() && specRow_->ShowIfNotInKeyList()) {
        found = FindKeyInList();
        searched = true;
        if (!found) specRowSelected_ = true;
    }
    if (listActive_ && !choosingSpecRow_) {
        if (!searched && !specRowSelected_) found = FindKeyInList();
        TDataSet* ds = ListSource()->DataSet();
        if (!found && !specRowSelected_ && ds && ds->Active()) ds->First();
    }
    // A key that no record holds shows no text, never another record's.
    if (specRowSelected_)
        text_ = specRow_->ReadCellText(listFieldIndex_);
    else
        text_ = found && displayField_ ? displayField_->DisplayText() : String();
    Invalidate();
    if (OnKeyValueChanged) OnKeyValueChanged(this);
}

void TDBLookupGridEh::ListWindowChanged() { Invalidate(); }

bool TDBLookupGridEh::RowHoldsKey() {
    if (keyFields_.empty() || VarIsNull(keyValue_)) return false;
    return VariantsEqual(FieldsValue(keyFields_), keyValue_);
}

bool TDBLookupGridEh::CanModifyData() {
    if (!listActive_ || dataLink_->ReadOnly()) return false;
    if (!dataLink_->DataSource()) return true;
    for (TField* f : writtenFields_)
        if (!f->CanModify()) return false;
    return true;
}

void TDBLookupGridEh::ChooseKeyValue(const Variant& value) {
    if (writtenFields_.empty()) {
        SetKeyValue(value);
    } else if (dataLink_->Edit()) {
        if (writtenFields_.size() == 1) {
            writtenFields_[0]->SetAsVariant(value);
        } else {
            // Every written field needs its element.
            if (!VarIsNull(value) && (!value.IsArray() || value.AsArray().size() != writtenFields_.size()))
                DatabaseError("Key value does not match the key fields", this);
            for (std::size_t i = 0; i < writtenFields_.size(); ++i)
                writtenFields_[i]->SetAsVariant(VarIsNull(value) ? Null() : value[i]);
        }
    }
    Invalidate();
    Click();
}

void TDBLookupGridEh::SelectCurrent() {
    if (!listActive_) return;
    const bool wasSpec = specRowSelected_;
    const Variant key = FieldsValue(keyFields_);
    if (!VariantsEqual(key, keyValue_) || wasSpec) {
        specRowSelected_ = false;
        if (VariantsEqual(key, keyValue_)) {
            KeyValueUpdated();
            Click();
        } else {
            ChooseKeyValue(key);
        }
    }
}

void TDBLookupGridEh::SelectSpecRow() {
    if (!specRow_->Visible()) return;
    choosingSpecRow_ = true;
    try {
        if (!VariantsEqual(specRow_->Value(), keyValue_)) ChooseKeyValue(specRow_->Value());
    } catch (...) {
        choosingSpecRow_ = false;
        throw;
    }
    choosingSpecRow_ = false;
    specRowSelected_ = true;
    text_ = specRow_->ReadCellText(listFieldIndex_);
    Invalidate();
}

// ---- Sizes ----

int TDBLookupGridEh::BorderSize() {
    if (HandleAllocated()) return Height() - ClientHeight();
    return BorderStyle() == bsSingle ? 2 * GetSystemMetrics(SM_CYEDGE) : 0;
}

int TDBLookupGridEh::DataRowHeight() {
    return DefaultRowHeight() + (Options().Contains(dgRowLines) ? GridLineWidth() : 0);
}

int TDBLookupGridEh::SpecRowHeight() { return specRow_->Visible() ? DataRowHeight() : 0; }

namespace {
int TitleRowsHeight(TDBLookupGridEh* grid, int dataRowHeight) {
    if (!grid->ShowTitles()) return 0;
    const int title = grid->RowCount() > 1 && grid->TitleOffset() > 0 ? grid->RowHeights(0) : dataRowHeight;
    return title + (grid->Options().Contains(dgRowLines) ? grid->GridLineWidth() : 0);
}
}  // namespace

void TDBLookupGridEh::SetRowsInView(int value) {
    rowsInView_ = std::clamp(value, 1, 100);
    FitHeightToRows();
}

void TDBLookupGridEh::FitHeightToRows() {
    if (fitting_) return;
    const int rowHeight = DataRowHeight();
    const int height = TitleRowsHeight(this, rowHeight) + rowsInView_ * rowHeight + BorderSize() + SpecRowHeight();
    fitting_ = true;
    try {
        TCustomDBGridEh::SetBounds(Left(), Top(), Width(), height);
    } catch (...) {
        fitting_ = false;
        throw;
    }
    fitting_ = false;
}

void TDBLookupGridEh::SetBounds(int left, int top, int width, int height) {
    if (!fitting_) {
        const int rowHeight = std::max(1, DataRowHeight());
        const int fixed = BorderSize() + TitleRowsHeight(this, rowHeight) + SpecRowHeight();
        rowsInView_ = std::clamp((height - fixed) / rowHeight, 1, 100);
        height = fixed + rowsInView_ * rowHeight;
    }
    TCustomDBGridEh::SetBounds(left, top, width, height);
}

void TDBLookupGridEh::SetShowTitles(bool value) {
    if (value == ShowTitles()) return;
    TDBGridOptions options = Options();
    if (value)
        options.Include(dgTitles);
    else
        options.Exclude(dgTitles);
    SetOptions(options);
    FitHeightToRows();
}

void TDBLookupGridEh::SetLookupOptions(TDBLookupGridEhOptions value) {
    lookupOptions_ = value;
    TDBGridOptions options = Options();
    auto map = [&](TDBLookupGridEhOption from, TDBGridOption to) {
        if (value.Contains(from))
            options.Include(to);
        else
            options.Exclude(to);
    };
    map(dlgColumnResizeEh, dgColumnResize);
    map(dlgColLinesEh, dgColLines);
    map(dlgRowLinesEh, dgRowLines);
    SetOptions(options);
    TDBGridEhOptions eh = OptionsEh();
    if (value.Contains(dlgAutoSortMarkingEh))
        eh.Include(dghAutoSortMarking);
    else
        eh.Exclude(dghAutoSortMarking);
    if (value.Contains(dlgMultiSortMarkingEh))
        eh.Include(dghMultiSortMarking);
    else
        eh.Exclude(dghMultiSortMarking);
    SetOptionsEh(eh);
    FitHeightToRows();
}

void TDBLookupGridEh::SetLookupAutoFitColWidths(bool value) {
    SetAutoFitColWidths(value);
    HorzScrollBar()->SetVisible(!value);
    FitHeightToRows();
}

int TDBLookupGridEh::ColumnsWidth() {
    int width = 0;
    const int line = Options().Contains(dgColLines) ? GridLineWidth() : 0;
    for (int i = 0; i < Columns()->Count(); ++i) {
        TColumnEh* column = Columns()->ColumnAt(i);
        if (column->Visible()) width += column->Width() + line;
    }
    return width;
}

// ---- Vertical scroll bar ----

void TDBLookupGridEh::UpdateVertScrollBar() {
    if (!HandleAllocated() || updatingScrollBar_) return;
    if (!VertScrollBar() || !VertScrollBar()->Visible() || VertScrollBar()->ExtScrollBar())
        return TCustomDBGridEh::UpdateVertScrollBar();
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    TLookupVertScrollInputEh in;
    in.ListActive = listActive_ && ds && ds->Active() && DataLink()->Active();
    if (in.ListActive) {
        in.Sequenced = ds->IsSequenced();
        in.RecordCount = ds->RecordCount();
        in.FirstVisibleRecNo = ds->RecNo() - DataLink()->ActiveRecord();
        in.VisibleRows = VisibleDataRowCount();
        in.WindowRecords = DataLink()->RecordCount();
        in.Browsing = ds->State() == dsBrowse || ds->State() == dsEdit || ds->State() == dsInsert;
        in.Bof = ds->Bof();
        in.Eof = ds->Eof();
    }
    const TVertScrollInfoEh info = CalcLookupVertScrollInfoEh(in);
    SCROLLINFO now{};
    now.cbSize = sizeof now;
    now.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (GetScrollInfo(Handle(), SB_VERT, &now) && now.nMin == info.Min && now.nMax == info.Max &&
        int(now.nPage) == info.Page && now.nPos == info.Pos)
        return;
    SCROLLINFO si{};
    si.cbSize = sizeof si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = info.Min;
    si.nMax = info.Max;
    si.nPage = static_cast<UINT>(info.Page);
    si.nPos = info.Pos;
    updatingScrollBar_ = true;
    SetScrollInfo(Handle(), SB_VERT, &si, TRUE);
    updatingScrollBar_ = false;
}

void TDBLookupGridEh::ModifyScrollBar(int bar, int scrollCode, int pos) {
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (bar != SB_VERT || !ds || !ds->Active() || !DataLink()->Active())
        return TCustomDBGridEh::ModifyScrollBar(bar, scrollCode, pos);
    searchText_.clear();
    TGridDataLinkEh* link = DataLink();
    const int above = link->ActiveRecord();                // records of the window above the current one
    const int below = link->RecordCount() - above - 1;     // and below it
    const int window = link->RecordCount();
    const bool sequenced = ds->IsSequenced();
    switch (scrollCode) {
    case SB_LINEUP: link->MoveBy(-above - 1); break;
    case SB_LINEDOWN: link->MoveBy(below + 1); break;
    case SB_PAGEUP: link->MoveBy(-above - window); break;
    case SB_PAGEDOWN: link->MoveBy(below + window); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK:
        if (sequenced) {
            // The window's first record gets the thumb's number: an earlier record is moved to at
            // the window's top, a later one as the last record of the window it starts.
            const int first = ds->RecNo() - above;
            const int target = pos + 1;
            if (target < first)
                link->MoveBy(target - ds->RecNo());
            else if (target > first)
                link->MoveBy(std::min(target + VisibleDataRowCount() - 1, ds->RecordCount()) - ds->RecNo());
        } else if (scrollCode == SB_THUMBPOSITION) {
            switch (pos) {
            case vtpFirstEh: ds->First(); break;
            case vtpPageUpEh: link->MoveBy(-above - window); break;
            case vtpPageDownEh: link->MoveBy(below + window); break;
            case vtpLastEh: ds->Last(); break;
            default: break;
            }
        }
        break;
    case SB_TOP: ds->First(); break;
    case SB_BOTTOM: ds->Last(); break;
    default: break;
    }
    UpdateVertScrollBar();
}

void TDBLookupGridEh::ColWidthsChanged() {
    if (fittingWidths_ || !AutoFitColWidths() || GridState() != gsColSizing || !HandleAllocated())
        return TCustomDBGridEh::ColWidthsChanged();
    fittingWidths_ = true;
    try {
        // The widths as the user left them, read before anything is refitted.
        const int line = Options().Contains(dgColLines) ? GridLineWidth() : 0;
        int client = 0;
        for (int i = 0; i < IndicatorOffset(); ++i) client += ColWidths(i) + line;
        std::vector<std::pair<TColumnEh*, int>> widths;
        for (int i = 0; i < Columns()->Count(); ++i) {
            TColumnEh* column = Columns()->ColumnAt(i);
            if (!column->Visible()) continue;
            widths.emplace_back(column, ColWidths(DataColToGridCol(i)));
            client += widths.back().second + line;
        }
        // Fitted to a client area of their sum, the initial widths are the widths.
        for (const auto& [column, width] : widths) column->SetAutoFitBaseWidth(width);
        SetBounds(Left(), Top(), client + Width() - ClientWidth(), Height());
        for (const auto& [column, width] : widths)
            if (column->Width() != width) column->SetWidth(width);
    } catch (...) {
        fittingWidths_ = false;
        throw;
    }
    fittingWidths_ = false;
    TCustomGrid::ColWidthsChanged();
    if (OnColWidthsChanged) OnColWidthsChanged(this);
}

// ---- Painting ----

int TDBLookupGridEh::IsFilterRowVisible() const {
    return TCustomDBGridEh::IsFilterRowVisible() + (specRow_->Visible() ? 1 : 0);
}

bool TDBLookupGridEh::IsCellDrawn3D(const TCellTypeEh& type, TGridDrawState state, int aCol) {
    if (type.RowKind == rkFilterEh && specRow_->Visible()) return false;
    return TCustomDBGridEh::IsCellDrawn3D(type, state, aCol);
}

bool TDBLookupGridEh::IsRowSelectFocused() { return !specRowSelected_ && RowHoldsKey(); }

bool TDBLookupGridEh::GetDataCellSelectionParams(int, int, TGridDrawState, TColor& background, TColor& fontColor) {
    if (specRowSelected_ || !listActive_ || !RowHoldsKey()) return false;
    background = clHighlight;
    fontColor = clHighlightText;
    return true;
}

void TDBLookupGridEh::DrawTitleFooterFilterCell(int aCol, int aRow, const TRect& rect, TGridDrawState state,
                                                const TCellTypeEh& type) {
    if (type.RowKind != rkFilterEh || !specRow_->Visible())
        return TCustomDBGridEh::DrawTitleFooterFilterCell(aCol, aRow, rect, state, type);
    TCanvas* canvas = Canvas();
    const int dataCol = GridColToDataCol(aCol);
    TColumnEh* column = dataCol >= 0 && dataCol < Columns()->Count() ? Columns()->ColumnAt(dataCol) : nullptr;
    auto* lookupColumn = column ? dynamic_cast<TDBLookupGridColumnEh*>(column) : nullptr;
    TGridColumnSpecCellEh* specialCell = lookupColumn ? lookupColumn->SpecCell() : nullptr;
    canvas->Font()->Assign(specialCell ? specialCell->Font() : specRow_->Font());
    canvas->Brush()->SetColor(specRowSelected_ ? clHighlight : specialCell ? specialCell->Color() : specRow_->Color());
    if (specRowSelected_) canvas->Font()->SetColor(clHighlightText);
    canvas->FillRect(rect);
    const String text = specialCell ? specialCell->Text() : specRow_->ReadCellText(dataCol);
    TAlignment alignment = column ? column->Alignment() : taLeftJustify;
    if (column && column->UseRightToLeftAlignment() && alignment != taCenter)
        alignment = alignment == taLeftJustify ? taRightJustify : taLeftJustify;
    UINT format = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS;
    if (alignment == taRightJustify) format |= DT_RIGHT;
    if (alignment == taCenter) format |= DT_CENTER;
    RECT r{rect.Left + 2, rect.Top, rect.Right - 2, rect.Bottom};
    const std::wstring wide = ToWide(text);
    SetBkMode(canvas->Handle(), TRANSPARENT);
    SetTextColor(canvas->Handle(), static_cast<COLORREF>(ColorToRGB(canvas->Font()->Color())));
    HGDIOBJ old = SelectObject(canvas->Handle(), canvas->Font()->Handle());
    DrawTextW(canvas->Handle(), wide.c_str(), static_cast<int>(wide.size()), &r, format);
    SelectObject(canvas->Handle(), old);
    if (specRowSelected_ && aCol == ColCount() - 1) {
        const TRect first = CellRect(IndicatorOffset(), aRow);
        canvas->DrawFocusRect(TRect{first.Left, rect.Top, rect.Right, rect.Bottom});
    }
}

// ---- Keys ----

void TDBLookupGridEh::MoveBy(int distance) {
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (!ds || !ds->Active()) return;
    searchText_.clear();
    const bool atStart = ds->Bof() || ds->RecNo() <= 1;
    if (distance < 0 && specRow_->Visible() && (atStart || specRowSelected_)) {
        SelectSpecRow();
        ds->First();
        return;
    }
    if (distance > 0 && specRowSelected_) {
        ds->First();
        SelectCurrent();
        return;
    }
    if (!RowHoldsKey()) FindKeyInList();
    ds->MoveBy(distance);
    SelectCurrent();
}

void TDBLookupGridEh::KeyDown(WORD& key, TShiftState shift) {
    if (!CanModifyData()) return TCustomDBGridEh::KeyDown(key, shift);
    TDataSet* ds = ListSource()->DataSet();
    const int page = std::max(1, VisibleDataRowCount() - 1);
    const bool noHorzBar = !HandleAllocated() || !(GetWindowLongW(Handle(), GWL_STYLE) & WS_HSCROLL);
    switch (key) {
    case VK_PRIOR: MoveBy(-page); break;
    case VK_NEXT: MoveBy(page); break;
    case VK_UP: MoveBy(-1); break;
    case VK_DOWN: MoveBy(1); break;
    case VK_LEFT:
        if (!noHorzBar) return TCustomDBGridEh::KeyDown(key, shift);
        MoveBy(-1);
        break;
    case VK_RIGHT:
        if (!noHorzBar) return TCustomDBGridEh::KeyDown(key, shift);
        MoveBy(1);
        break;
    case VK_HOME:
        searchText_.clear();
        if (ds) ds->First();
        SelectCurrent();
        break;
    case VK_END:
        searchText_.clear();
        if (ds) ds->Last();
        SelectCurrent();
        break;
    default: return TCustomDBGridEh::KeyDown(key, shift);
    }
    key = 0;
}

void TDBLookupGridEh::KeyPress(wchar_t& key) {
    if (key == 8 || key == 27 || key >= 32) {
        HandleSearchChar(key);
        if (key >= 32 || key == 8) key = 0;
        if (key == 0) return;
    }
    TCustomDBGridEh::KeyPress(key);
}

void TDBLookupGridEh::HandleSearchChar(wchar_t key) {
    if (!IsStringDisplayField(displayField_)) return;
    if (key == 8 || key == 27) {
        searchText_.clear();
        return;
    }
    if (key < 32 || !CanModifyData()) return;
    const std::uint32_t tick = SearchTickSource()();
    if (tick - lastSearchTick > kSearchPause) searchText_.clear();
    lastSearchTick = tick;
    if (int(ToWide(searchText_).size()) >= kMaxSearchLength) return;
    const String text = searchText_ + FromWide(&key, 1);
    TDataSet* ds = ListSource()->DataSet();
    try {
        if (ds->Locate(displayField_->FieldName(), Variant(text), loCaseInsensitive | loPartialKey)) {
            SelectCurrent();
            searchText_ = text;
        }
    } catch (const Exception&) {
        searchText_ = text;
    }
}

// ---- Mouse ----

int TDBLookupGridEh::RowAtY(int y) {
    const TGridCoord cell = MouseCoord(2, y);
    if (cell.Y < 0) return -2;
    if (cell.Y < TitleOffset()) return specRow_->Visible() && cell.Y == TitleOffset() - 1 ? -1 : -2;
    const int dataRow = cell.Y - TitleOffset();
    return dataRow < DataLink()->RecordCount() ? dataRow : -2;
}

void TDBLookupGridEh::ChooseAtY(int y) {
    y = std::clamp(y, 0, std::max(0, ClientHeight() - 1));
    int row = RowAtY(y);
    if (row == -2) {
        // Below the last record: the last one.
        if (DataLink()->RecordCount() == 0) return;
        const TGridCoord cell = MouseCoord(2, y);
        if (cell.Y >= 0 && cell.Y < TitleOffset()) return;
        row = DataLink()->RecordCount() - 1;
    }
    if (row == -1) {
        SelectSpecRow();
        return;
    }
    const int distance = row - DataLink()->ActiveRecord();
    if (distance != 0) DataLink()->MoveBy(distance);
    SelectCurrent();
}

void TDBLookupGridEh::StopTracking() {
    if (HandleAllocated()) KillTimer(Handle(), kTrackTimer);
    trackDirection_ = 0;
}

void TDBLookupGridEh::TrackTimer() {
    if (!tracking_ || trackDirection_ == 0) return StopTracking();
    TDataSet* ds = ListSource() ? ListSource()->DataSet() : nullptr;
    if (!ds) return;
    if (trackDirection_ < 0) {
        if (specRow_->Visible() && (ds->Bof() || ds->RecNo() <= 1)) {
            SelectSpecRow();
            return;
        }
        ds->MoveBy(-1);
    } else {
        if (specRowSelected_)
            ds->First();
        else
            ds->MoveBy(1);
    }
    SelectCurrent();
}

void TDBLookupGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TGridDrawInfo info;
    TGridState state = gsNormal;
    int index = 0, pos = 0, ofs = 0;
    CalcDrawInfo(info);
    CalcSizingState(x, y, state, index, pos, ofs, info);
    const int row = RowAtY(y);
    if (button != mbLeft || state != gsNormal || (row == -2 && MouseCoord(x, y).Y < TitleOffset()))
        return TCustomDBGridEh::MouseDown(button, shift, x, y);
    searchText_.clear();
    if (CanFocus() && HandleAllocated() && GetFocus() != Handle()) SetFocus();
    if (!CanModifyData()) return;
    if (shift.Contains(ssDouble) && row >= 0 && row == DataLink()->ActiveRecord()) {
        DblClick();
        return;
    }
    if (HandleAllocated()) ::SetCapture(Handle());
    tracking_ = true;
    ChooseAtY(y);
}

void TDBLookupGridEh::MouseMove(TShiftState shift, int x, int y) {
    if (!tracking_) return TCustomDBGridEh::MouseMove(shift, x, y);
    const int height = ClientHeight();
    if (y < 0 || y >= height) {
        const int outside = y < 0 ? -y : y - height + 1;
        const int direction = y < 0 ? -1 : 1;
        if (direction != trackDirection_ && HandleAllocated()) {
            trackDirection_ = direction;
            SetTimer(Handle(), kTrackTimer, UINT(std::max(0, 200 - 15 * outside)), nullptr);
        }
        return;
    }
    StopTracking();
    ChooseAtY(y);
}

void TDBLookupGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    if (!tracking_) return TCustomDBGridEh::MouseUp(button, shift, x, y);
    tracking_ = false;
    StopTracking();
    if (HandleAllocated() && GetCapture() == Handle()) ReleaseCapture();
    ChooseAtY(y);
}

bool TDBLookupGridEh::DoMouseWheelDown(TShiftState, TPoint) {
    const int below = DataLink()->RecordCount() - DataLink()->ActiveRecord();
    DataLink()->MoveBy(below);
    return true;
}

bool TDBLookupGridEh::DoMouseWheelUp(TShiftState, TPoint) {
    DataLink()->MoveBy(-DataLink()->ActiveRecord() - 1);
    return true;
}

void TDBLookupGridEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_GETDLGCODE: m.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_TIMER:
        if (m.WParam == kTrackTimer) return TrackTimer();
        break;
    case WM_SETFOCUS:
        searchText_.clear();
        TCustomDBGridEh::Dispatch(m);
        Invalidate();
        return;
    case WM_KILLFOCUS:
        TCustomDBGridEh::Dispatch(m);
        Invalidate();
        return;
    case WM_CANCELMODE:
        if (tracking_) {
            tracking_ = false;
            StopTracking();
        }
        break;
    default: break;
    }
    TCustomDBGridEh::Dispatch(m);
}

// ---- TPopupDataGridEh -----------------------------------------------------------------------------

TPopupDataGridEh::TPopupDataGridEh(TComponent* owner) : TDBLookupGridEh(owner) { SetVisible(false); }

void TPopupDataGridEh::AfterConstruction() {
    TDBLookupGridEh::AfterConstruction();
    grip_ = New<TSizeGripEh>(this);
    grip_->SetParent(this);
}

void TPopupDataGridEh::CreateParams(TCreateParams& params) {
    TDBLookupGridEh::CreateParams(params);
    params.Style &= ~static_cast<DWORD>(WS_CHILD | WS_TABSTOP);
    params.Style |= WS_POPUP | WS_CLIPCHILDREN | WS_BORDER;
    params.ExStyle = WS_EX_TOOLWINDOW;
    params.WindowClass.style |= CS_SAVEBITS | CS_HREDRAW;
    params.WndParent = ParentWindow();
}

void TPopupDataGridEh::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case WM_MOUSEACTIVATE: m.Result = MA_NOACTIVATE; return;
    case WM_ERASEBKGND: m.Result = 1; return;
    case WM_DROPDOWN_PLACE_EH:
        // The placement rule's request carries 1; the grid's own deferred layout has 0.
        if (m.LParam == kDropDownPlaceMark) {
            if (grip_) grip_->MovePopup(static_cast<int>(m.WParam));
            return;
        }
        break;
    case WM_GETMINMAXINFO:
        if (auto* info = reinterpret_cast<MINMAXINFO*>(m.LParam)) {
            info->ptMinTrackSize.x = GetSystemMetrics(SM_CXVSCROLL);
            info->ptMinTrackSize.y = GetSystemMetrics(SM_CYVSCROLL);
        }
        break;
    case WM_SIZE:
        TDBLookupGridEh::Dispatch(m);
        if (grip_) grip_->UpdatePosition();
        return;
    default: break;
    }
    TDBLookupGridEh::Dispatch(m);
}

void TPopupDataGridEh::KeyValueUpdated() {
    TDBLookupGridEh::KeyValueUpdated();
    if (userAction_ && OnUserKeyValueChange) OnUserKeyValueChange(this);
}

void TPopupDataGridEh::KeyDown(WORD& key, TShiftState shift) {
    userAction_ = true;
    try {
        TDBLookupGridEh::KeyDown(key, shift);
    } catch (...) {
        userAction_ = false;
        throw;
    }
    userAction_ = false;
}

void TPopupDataGridEh::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    userAction_ = true;
    pressedInside_ = ClientRect().Contains(TPoint{x, y});
    try {
        TDBLookupGridEh::MouseDown(button, shift, x, y);
    } catch (...) {
        userAction_ = false;
        throw;
    }
    userAction_ = false;
}

void TPopupDataGridEh::MouseMove(TShiftState shift, int x, int y) {
    userAction_ = true;
    try {
        const bool buttons = shift.Contains(ssLeft) || shift.Contains(ssRight) || shift.Contains(ssMiddle);
        if (!buttons && !tracking_ && TPoint{x, y} != lastMove_ && GridState() == gsNormal && CanModifyData()) {
            lastMove_ = TPoint{x, y};
            const int row = RowAtY(y);
            if (row >= -1 && ClientRect().Contains(TPoint{x, y})) ChooseAtY(y);
        }
        TDBLookupGridEh::MouseMove(shift, x, y);
    } catch (...) {
        userAction_ = false;
        throw;
    }
    userAction_ = false;
}

void TPopupDataGridEh::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    const bool sizing = GridState() == gsColSizing;
    userAction_ = true;
    try {
        TDBLookupGridEh::MouseUp(button, shift, x, y);
    } catch (...) {
        userAction_ = false;
        throw;
    }
    userAction_ = false;
    if (!pressedInside_ || sizing || button != mbLeft) return;
    pressedInside_ = false;
    const bool inside = ClientRect().Contains(TPoint{x, y});
    if (!inside) {
        if (OnCloseUp) OnCloseUp(this, false);
        return;
    }
    const int row = RowAtY(y);
    if (row >= -1 && OnCloseUp) OnCloseUp(this, true);
}

// ---- The columns' lookup grid ---------------------------------------------------------------------

namespace {

class TColumnLookupGridEh final : public IColumnLookupGridEh {
public:
    explicit TColumnLookupGridEh(TColumnEh*) : grid_(New<TPopupDataGridEh>(nullptr)) {}
    ~TColumnLookupGridEh() override { delete grid_; }
    TDBGridColumnsEh* LookupGridColumns() override { return grid_->Columns(); }
    TColumnDefValuesEh* LookupGridColumnDefValues() override { return grid_->ColumnDefValues(); }
    TDBLookupGridEhOptions LookupGridOptions() override { return grid_->LookupOptions(); }
    void SetLookupGridOptions(TDBLookupGridEhOptions value) override { grid_->SetLookupOptions(value); }
    void SetLookupGridListSource(TDataSource* value) override {
        if (!grid_->LookupFieldMode()) grid_->SetListSource(value);
    }
    TObject* LookupGridControl() override { return grid_; }

private:
    TPopupDataGridEh* grid_;
};

std::unique_ptr<IColumnLookupGridEh> MakeColumnLookupGrid(TColumnEh* column) {
    return std::make_unique<TColumnLookupGridEh>(column);
}

}  // namespace

void RegisterLookupGridFactory() {
    ColumnLookupGridFactory() = &MakeColumnLookupGrid;
    RegisterProperties<TGridColumnSpecCellEh>()
        .Str("Text", &TGridColumnSpecCellEh::Text, &TGridColumnSpecCellEh::SetText)
        .Int("Color", &TGridColumnSpecCellEh::Color, &TGridColumnSpecCellEh::SetColor)
        .Object("Font", [](TGridColumnSpecCellEh& c) { return c.Font(); });
    RegisterProperties<TDBLookupGridColumnEh>().Object("SpecCell", [](TDBLookupGridColumnEh& c) { return c.SpecCell(); });
}
