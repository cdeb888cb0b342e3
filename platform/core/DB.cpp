// TDataSet, TDataLink and TDataSource. The fields are in DBFields.cpp.
#include "DB.h"

#include "ADODialect.h"
#include "Encoding.h"
#include "Lists.h"
#include "LocaleText.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

using dbstore::Cell;
using dbstore::CellKind;
using dbstore::RowId;
using dbstore::RowState;

TLogChannel LogData("data");

void LogFailedCleanup(const char* step) noexcept {
    try {
        throw;
    } catch (const std::exception& e) {
        VLOG_ERROR(LogData, "%s failed: %s", step, e.what());
    } catch (...) {
        VLOG_ERROR(LogData, "%s failed", step);
    }
}

namespace {

constexpr std::int64_t kKeyGap = std::int64_t(1) << 24;

bool IsEditState(TDataSetState state) { return state == dsEdit || state == dsInsert; }

// Sort key of one cell: nulls, then numbers, then texts (in the locale's order, without regard to
// case and trailing blanks). A text's key is first its bytes, then its rank among the column's
// distinct texts (RankTexts).
struct SortKey {
    const char* text = nullptr;
    union {
        std::int64_t integer;  // numbers: the value; texts: the rank
        double real;
    };
    std::uint32_t length = 0;
    std::uint8_t rank = 0;  // 0 null, 1 number, 2 text
    bool isInteger = false;
    SortKey() : integer(0) {}
};

bool IsNumericType(TFieldType type) {
    switch (type) {
    case ftSmallint: case ftInteger: case ftWord: case ftBoolean: case ftFloat: case ftCurrency:
    case ftBCD: case ftAutoInc: case ftLargeint: case ftFMTBcd:
        return true;
    default:
        return false;
    }
}

SortKey MakeSortKey(const Cell& cell, bool numericField) {
    SortKey key;
    switch (cell.kind) {
    case CellKind::Null:
        break;
    case CellKind::Integer:
        key.rank = 1;
        key.isInteger = true;
        key.integer = cell.integer;
        break;
    case CellKind::Real:
        key.rank = 1;
        key.real = cell.real;
        break;
    case CellKind::Text:
    case CellKind::Blob: {
        std::string_view t = cell.bytes;
        if (numericField) {
            // A number stored as text in a number column still sorts as a number.
            char* end = nullptr;
            const std::string s(t);
            const double v = std::strtod(s.c_str(), &end);
            if (!s.empty() && end && *end == 0) {
                key.rank = 1;
                key.real = v;
                break;
            }
        }
        t = WithoutTrailingBlanks(t);
        key.rank = 2;
        key.text = t.data();
        key.length = std::uint32_t(t.size());
        break;
    }
    }
    return key;
}

// Gives the text keys of column `column` (of `columns` per row) their rank in the locale's order;
// texts that compare equal share a rank. Each distinct text is weighed once.
void RankTexts(std::vector<SortKey>& keys, std::size_t columns, std::size_t column) {
    std::unordered_map<std::string_view, std::uint32_t> index;
    std::vector<std::string_view> distinct;
    std::vector<std::uint32_t> slot(keys.size() / columns);
    for (std::size_t i = 0; i < slot.size(); ++i) {
        const SortKey& k = keys[i * columns + column];
        if (k.rank != 2) continue;
        const auto [at, added] = index.try_emplace(std::string_view(k.text, k.length), std::uint32_t(distinct.size()));
        if (added) distinct.push_back(at->first);
        slot[i] = at->second;
    }
    if (distinct.empty()) return;
    std::vector<std::pair<std::string, std::uint32_t>> weighed(distinct.size());
    for (std::size_t d = 0; d < distinct.size(); ++d)
        weighed[d] = {LocaleTextRules().sortKey(distinct[d], true), std::uint32_t(d)};
    std::sort(weighed.begin(), weighed.end());
    std::vector<std::uint32_t> rankOf(distinct.size());
    std::uint32_t rank = 0;
    for (std::size_t r = 0; r < weighed.size(); ++r) {
        if (r > 0 && weighed[r].first != weighed[r - 1].first) ++rank;
        rankOf[weighed[r].second] = rank;
    }
    for (std::size_t i = 0; i < slot.size(); ++i) {
        SortKey& k = keys[i * columns + column];
        if (k.rank == 2) k.integer = rankOf[slot[i]];
    }
}

double NumberOf(const SortKey& k) { return k.isInteger ? double(k.integer) : k.real; }

int CompareSortKeys(const SortKey& a, const SortKey& b) {
    if (a.rank != b.rank) return a.rank < b.rank ? -1 : 1;
    if (a.rank == 1) {
        if (a.isInteger && b.isInteger) return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
        const double x = NumberOf(a), y = NumberOf(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    if (a.rank == 2) return a.integer < b.integer ? -1 : (a.integer > b.integer ? 1 : 0);
    return 0;
}

// An order-preserving 64-bit summary of a key. Equal summaries need the full comparison unless
// both are exact (nulls and ranked texts).
std::uint64_t CoarseKey(const SortKey& k, bool& exact) {
    exact = k.rank == 0 || k.rank == 2;
    if (k.rank == 0) return 0;
    if (k.rank == 1) {
        std::uint64_t bits;
        const double d = NumberOf(k) == 0 ? 0.0 : NumberOf(k);
        std::memcpy(&bits, &d, 8);
        bits = (bits & (1ull << 63)) ? ~bits : bits | (1ull << 63);
        return (1ull << 62) | (bits >> 2);
    }
    return (2ull << 62) | std::uint64_t(k.integer);
}

String TrimBlanks(const String& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

}  // namespace

void DatabaseError(const String& message, const TComponent* component) {
    if (component && !component->Name().empty()) throw EDatabaseError(component->Name() + ": " + message);
    throw EDatabaseError(message);
}

// --- TFields -------------------------------------------------------------------------------------

TField* TFields::operator[](int index) const {
    if (index < 0 || index >= Count()) throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return fields_[static_cast<std::size_t>(index)];
}

TField* TFields::FindField(const String& name) const {
    for (TField* field : fields_)
        if (SameText(field->FieldName(), name)) return field;
    return nullptr;
}

TField* TFields::FieldByName(const String& name) const {
    TField* field = FindField(name);
    if (!field) DatabaseError("Field '" + name + "' not found", dataSet_);
    return field;
}

int TFields::IndexOf(const TField* field) const {
    for (std::size_t i = 0; i < fields_.size(); ++i)
        if (fields_[i] == field) return static_cast<int>(i);
    return -1;
}

// --- TDataSet: cells -----------------------------------------------------------------------------

Cell TDataSet::OwnedCell::View() const {
    Cell cell;
    cell.kind = kind;
    cell.integer = integer;
    cell.real = real;
    cell.bytes = bytes;
    return cell;
}

void TDataSet::OwnedCell::Set(const Cell& cell) {
    kind = cell.kind;
    integer = cell.integer;
    real = cell.real;
    bytes.assign(cell.bytes.data(), cell.bytes.size());
}

TDataSet::TDataSet(TComponent* owner) : TComponent(owner), fields_(this) {}

TDataSet::~TDataSet() {
    CloseQuietly();
    DestroyDefaultFields();
    for (TField* field : fields_.fields_) field->dataSet_ = nullptr;
    fields_.fields_.clear();
    for (TDataSource* source : sources_) source->dataSet_ = nullptr;
    sources_.clear();
}

RowId TDataSet::CurrentRow() const {
    return curPos_ >= 0 && curPos_ < int(view_.size()) ? view_[std::size_t(curPos_)] : dbstore::kNoRow;
}

RowId TDataSet::ActiveRow() const {
    if (calculating_) return calcRow_;
    return activePos_ >= 0 && activePos_ < int(view_.size()) ? view_[std::size_t(activePos_)] : dbstore::kNoRow;
}

bool TDataSet::ActiveIsEditBuffer() const {
    return IsEditState(calculating_ ? savedState_ : state_) && ActiveRow() == CurrentRow() &&
           CurrentRow() != dbstore::kNoRow;
}

Cell TDataSet::ActiveCell(int column) const {
    if (column < 0 || state_ == dsInactive) return Cell{};
    if (ActiveIsEditBuffer())
        return std::size_t(column) < editBuffer_.size() ? editBuffer_[std::size_t(column)].View() : Cell{};
    const RowId row = ActiveRow();
    if (row == dbstore::kNoRow) return Cell{};
    return store_.CellOf(row, column);
}

void TDataSet::SetActiveCell(int column, const Cell& cell) {
    if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    if (ActiveRow() != CurrentRow()) DatabaseError("Only the current record can be changed", this);
    if (column < 0 || std::size_t(column) >= editBuffer_.size()) return;
    editBuffer_[std::size_t(column)].Set(cell);
    editChanged_[std::size_t(column)] = true;
    modified_ = true;
    calcRow_ = dbstore::kNoRow;
}

Cell TDataSet::CalcCell(int slot) const {
    if (slot < 0 || state_ == dsInactive) return Cell{};
    if (!calculating_) {
        const RowId row = ActiveRow();
        if (row == dbstore::kNoRow) return Cell{};
        if (calcRow_ != row) CalculateFields(row);
    }
    return std::size_t(slot) < calcBuffer_.size() ? calcBuffer_[std::size_t(slot)].View() : Cell{};
}

void TDataSet::SetCalcCell(int slot, const Cell& cell) {
    if (slot < 0) return;
    if (!calculating_) {
        if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", this);
        const RowId row = ActiveRow();
        if (calcRow_ != row) CalculateFields(row);
    }
    if (std::size_t(slot) < calcBuffer_.size()) calcBuffer_[std::size_t(slot)].Set(cell);
}

void TDataSet::CalculateFields(RowId row) const {
    auto* self = const_cast<TDataSet*>(this);
    calcBuffer_.assign(std::size_t(calcFieldCount_), OwnedCell{});
    calcRow_ = row;
    if (calcFieldCount_ == 0 || calculating_) return;
    std::vector<TField*> lookups;
    for (TField* field : fields_.fields_)
        if (field->Lookup()) lookups.push_back(field);
    // Read before the calculating state: the key fields are this record's, the lookup data set may be
    // this one.
    const std::vector<Variant> looked = LookupValues(lookups);
    self->savedState_ = state_;
    self->state_ = dsCalcFields;
    calculating_ = true;
    try {
        for (std::size_t i = 0; i < lookups.size(); ++i)
            if (!VarIsNull(looked[i])) lookups[i]->SetAsVariant(looked[i]);
        self->FireEvent(TDataSetEventKind::OnCalcFields);
    } catch (...) {
        calculating_ = false;
        self->state_ = savedState_;
        throw;
    }
    calculating_ = false;
    self->state_ = savedState_;
}

std::vector<Variant> TDataSet::LookupValues(const std::vector<TField*>& fields) const {
    std::vector<Variant> values(fields.size(), Null());
    for (std::size_t i = 0; i < fields.size(); ++i) {
        TField* field = fields[i];
        TDataSet* list = field->LookupDataSet;
        if (!list || !list->Active() || field->KeyFields.empty() || field->LookupKeyFields.empty() ||
            field->LookupResultField.empty())
            continue;
        std::vector<TField*> keyFields;
        GetFieldList(keyFields, field->KeyFields);
        std::vector<Variant> key;
        for (TField* k : keyFields) key.push_back(k->AsVariant());
        values[i] = list->Lookup(field->LookupKeyFields, key.size() == 1 ? key[0] : VarArrayOf(key),
                                 field->LookupResultField);
    }
    return values;
}

Variant TDataSet::Lookup(const String& keyFields, const Variant& keyValues, const String& resultFields) {
    if (!Active()) return Null();
    std::vector<TField*> keys;
    GetFieldList(keys, keyFields);
    const std::vector<Variant> values = keyValues.IsArray() ? keyValues.AsArray() : std::vector<Variant>{keyValues};
    if (keys.empty() || keys.size() != values.size()) DatabaseError("Lookup needs one value per key field", this);
    for (const Variant& v : values)
        if (VarIsNull(v) || VarIsEmpty(v)) return Null();
    std::vector<TField*> results;
    GetFieldList(results, resultFields);
    int position = -1;
    if (results.empty() || !LocateRow(keys, values, 0, position)) return Null();
    const int saved = activePos_;
    activePos_ = position;
    std::vector<Variant> found;
    try {
        for (TField* f : results) found.push_back(f->AsVariant());
    } catch (...) {
        activePos_ = saved;
        throw;
    }
    activePos_ = saved;
    return found.size() == 1 ? found[0] : VarArrayOf(found);
}

// --- TDataSet: fields ----------------------------------------------------------------------------

void TDataSet::AddField(TField* field) {
    if (fields_.IndexOf(field) >= 0) return;
    if (Active() && !field->defaultField_) DatabaseError("Cannot perform this operation on an open dataset", this);
    fields_.fields_.push_back(field);
    field->dataSet_ = this;
    if (!field->defaultField_) defaultFields_ = false;
}

void TDataSet::RemoveField(TField* field) {
    const int index = fields_.IndexOf(field);
    if (index < 0) return;
    fields_.fields_.erase(fields_.fields_.begin() + index);
    field->dataSet_ = nullptr;
    field->fieldNo_ = -1;
    bool anyPersistent = false;
    for (TField* f : fields_.fields_) anyPersistent = anyPersistent || !f->defaultField_;
    defaultFields_ = !anyPersistent;
    if (Active() && !(ComponentState() & csDestroying)) DataEvent(deFieldListChange, 0);
}

void TDataSet::CreateDefaultFields() {
    std::vector<String> used;
    for (std::size_t i = 0; i < columns_.size(); ++i) {
        const TColumnDef& column = columns_[i];
        String name = column.name;
        for (int n = 1; std::any_of(used.begin(), used.end(), [&](const String& u) { return SameText(u, name); }); ++n)
            name = column.name + "_" + std::to_string(n);
        used.push_back(name);
        TField* field = CreateFieldOfType(column.type, this);
        field->defaultField_ = true;
        field->fieldName_ = name;
        field->size_ = column.size;
        field->required_ = column.required;
        field->readOnly_ = column.readOnly || column.type == ftAutoInc;
        if (auto* f = dynamic_cast<TBCDField*>(field)) f->SetPrecision(column.precision > 0 ? column.precision : 19);
        if (auto* f = dynamic_cast<TFloatField*>(field); f && column.precision > 0) f->SetPrecision(column.precision);
        field->fieldNo_ = int(i);
        fields_.fields_.push_back(field);
        field->dataSet_ = this;
    }
    calcFieldCount_ = 0;
}

namespace {
int TypeFamily(TFieldType type) {
    switch (type) {
    case ftString: case ftWideString: case ftFixedChar: case ftMemo: case ftFmtMemo: case ftGuid:
        return 1;
    case ftDate: case ftTime: case ftDateTime: case ftTimeStamp:
        return 3;
    case ftBlob: case ftBytes: case ftVarBytes: case ftGraphic: case ftOraBlob: case ftTypedBinary:
        return 4;
    default:
        return IsNumericType(type) ? 2 : 0;
    }
}
}  // namespace

void TDataSet::BindFields() {
    calcFieldCount_ = 0;
    for (TField* field : fields_.fields_) {
        if (field->Calculated() || field->Lookup()) {
            field->fieldNo_ = calcFieldCount_++;
            continue;
        }
        field->fieldNo_ = -1;
        for (std::size_t i = 0; i < columns_.size(); ++i) {
            if (!SameText(columns_[i].name, field->FieldName())) continue;
            const int want = TypeFamily(field->DataType());
            const int have = TypeFamily(columns_[i].type);
            if (want != have && want != 0 && have != 0)
                DatabaseError("Type mismatch for field '" + field->FieldName() + "', expecting: " +
                                  FieldTypeName(field->DataType()) + " actual: " + FieldTypeName(columns_[i].type),
                              this);
            field->fieldNo_ = int(i);
            break;
        }
        if (field->fieldNo_ < 0) DatabaseError("Field '" + field->FieldName() + "' not found", this);
    }
}

void TDataSet::DestroyDefaultFields() {
    std::vector<TField*> doomed;
    for (TField* field : fields_.fields_)
        if (field->defaultField_) doomed.push_back(field);
    for (TField* field : doomed) {
        RemoveField(field);
        field->Free();
    }
}

void TDataSet::GetFieldList(std::vector<TField*>& list, const String& fieldNames) const {
    list.clear();
    std::size_t start = 0;
    while (start <= fieldNames.size()) {
        std::size_t end = fieldNames.find(';', start);
        if (end == String::npos) end = fieldNames.size();
        const String name = TrimBlanks(fieldNames.substr(start, end - start));
        if (!name.empty()) list.push_back(FieldByName(name));
        start = end + 1;
    }
}

void TDataSet::GetFieldNames(TStrings* list) const {
    list->Clear();
    for (TField* field : fields_.fields_) list->Add(field->FieldName());
}

// --- TDataSet: events and notifications ----------------------------------------------------------

TDataSetNotifyEvent& TDataSet::HandlerOf(TDataSetEventKind kind) {
    switch (kind) {
    case TDataSetEventKind::BeforeOpen: return BeforeOpen;
    case TDataSetEventKind::AfterOpen: return AfterOpen;
    case TDataSetEventKind::BeforeClose: return BeforeClose;
    case TDataSetEventKind::AfterClose: return AfterClose;
    case TDataSetEventKind::BeforeInsert: return BeforeInsert;
    case TDataSetEventKind::AfterInsert: return AfterInsert;
    case TDataSetEventKind::BeforeEdit: return BeforeEdit;
    case TDataSetEventKind::AfterEdit: return AfterEdit;
    case TDataSetEventKind::BeforePost: return BeforePost;
    case TDataSetEventKind::AfterPost: return AfterPost;
    case TDataSetEventKind::BeforeCancel: return BeforeCancel;
    case TDataSetEventKind::AfterCancel: return AfterCancel;
    case TDataSetEventKind::BeforeDelete: return BeforeDelete;
    case TDataSetEventKind::AfterDelete: return AfterDelete;
    case TDataSetEventKind::BeforeScroll: return BeforeScroll;
    case TDataSetEventKind::AfterScroll: return AfterScroll;
    case TDataSetEventKind::OnNewRecord: return OnNewRecord;
    case TDataSetEventKind::OnCalcFields: return OnCalcFields;
    }
    return AfterScroll;
}

void TDataSet::AddListener(TDataSetEventKind kind, const void* owner, TListener listener, bool beforeHandler) {
    listeners_.push_back(Listener{kind, owner, std::move(listener), beforeHandler});
}

void TDataSet::RemoveListeners(const void* owner) {
    std::erase_if(listeners_, [&](const Listener& l) { return l.owner == owner; });
}

void TDataSet::FireEvent(TDataSetEventKind kind) {
    std::size_t listening = 0;
    for (const Listener& l : listeners_)
        if (l.kind == kind) ++listening;
    if (listening == 0 && !HandlerOf(kind)) return;
    // Copies: a listener or the handler may unhook itself or others while it runs.
    const TDataSetNotifyEvent handler = HandlerOf(kind);
    std::vector<TListener> before, after;
    before.reserve(listening);
    after.reserve(listening);
    for (const Listener& l : listeners_)
        if (l.kind == kind) (l.before ? before : after).push_back(l.call);
    for (const TListener& call : before) call(this);
    if (handler) handler(this);
    for (const TListener& call : after) call(this);
}

void TDataSet::DataEvent(TDataEvent event, std::intptr_t info) {
    if (ControlsDisabled()) {
        // Held back; EnableControls brings every link up to date at once.
        changedWhileDisabled_ = true;
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->NotifyLinks(event, info);
}

void TDataSet::SetState(TDataSetState state) {
    if (state_ == state) return;
    state_ = state;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

void TDataSet::SyncLinks(bool changed) {
    if (ControlsDisabled()) {
        changedWhileDisabled_ = true;
        return;
    }
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) {
        if (!source->enabled_) continue;
        for (TDataLink* link : std::vector<TDataLink*>(source->links_)) {
            if (!link->active_) continue;
            if (changed) {
                link->AdjustWindow(true);
                link->DataEvent(deDataSetChange, 0);
            } else {
                const int before = link->first_;
                link->AdjustWindow(false);
                const int distance = link->first_ - before;
                link->DataEvent(deDataSetScroll, distance);
            }
        }
        const TDataChangeEvent handler = source->OnDataChange;
        if (handler) handler(source, nullptr);
    }
}

void TDataSet::Resync() { SyncLinks(true); }

void TDataSet::DisableControls() {
    if (disableCount_++ == 0) {
        changedWhileDisabled_ = false;
        for (TDataSource* source : std::vector<TDataSource*>(sources_)) source->NotifyLinks(deDisabledStateChange, 0);
    }
}

void TDataSet::EnableControls() {
    if (disableCount_ == 0) return;
    if (--disableCount_ > 0) return;
    for (TDataSource* source : std::vector<TDataSource*>(sources_)) {
        source->UpdateLinks();
        source->NotifyLinks(deDisabledStateChange, 1);
    }
    if (Active()) SyncLinks(true);
    changedWhileDisabled_ = false;
    ControlsEnabled();
}

void TDataSet::Loaded() {
    inherited::Loaded();
    if (streamedActive_) {
        streamedActive_ = false;
        SetActive(true);
    }
}

void TDataSet::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove) return;
    if (auto* field = dynamic_cast<TField*>(component); field && field->dataSet_ == this) RemoveField(field);
}

// --- TDataSet: opening ---------------------------------------------------------------------------

void TDataSet::CheckActive() const {
    if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", this);
}

void TDataSet::CheckInactive() const {
    if (Active()) DatabaseError("Cannot perform this operation on an open dataset", this);
}

void TDataSet::SetActive(bool active) {
    if (ComponentState() & csLoading) {
        streamedActive_ = active;
        return;
    }
    if (active == Active()) return;
    if (active) {
        FireEvent(TDataSetEventKind::BeforeOpen);
        OpenCursor();
        FireEvent(TDataSetEventKind::AfterOpen);
        FireEvent(TDataSetEventKind::AfterScroll);
    } else {
        FireEvent(TDataSetEventKind::BeforeClose);
        CloseCursor();
        FireEvent(TDataSetEventKind::AfterClose);
    }
}

void TDataSet::OpenCursor() {
    ++openSerial_;
    store_.Clear();
    view_.clear();
    natural_.clear();
    columns_.clear();
    sort_.clear();
    pendingRow_ = dbstore::kNoRow;
    calcRow_ = dbstore::kNoRow;
    opening_ = true;
    try {
        InternalOpen();
        if (defaultFields_) {
            DestroyDefaultFields();
            CreateDefaultFields();
        } else {
            BindFields();
        }
    } catch (...) {
        opening_ = false;
        try {
            InternalClose();
        } catch (...) {
            LogFailedCleanup("closing after a failed open");
        }
        store_.Clear();
        view_.clear();
        natural_.clear();
        throw;
    }
    opening_ = false;
    if (FilterActive())
        std::erase_if(view_, [&](RowId row) { return !recordFilter_->Keeps(store_, row); });
    curPos_ = activePos_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    ++orderGeneration_;
    state_ = dsBrowse;
    modified_ = false;
    DataEvent(deUpdateState, 0);
}

void TDataSet::CloseCursor() {
    state_ = dsInactive;
    modified_ = false;
    DataEvent(deUpdateState, 0);
    InternalClose();
    if (defaultFields_) DestroyDefaultFields();
    for (TField* field : fields_.fields_) field->fieldNo_ = field->Calculated() || field->Lookup() ? field->fieldNo_ : -1;
    store_.Clear();
    view_.clear();
    view_.shrink_to_fit();
    natural_.clear();
    natural_.shrink_to_fit();
    editBuffer_.clear();
    editChanged_.clear();
    calcBuffer_.clear();
    calcRow_ = dbstore::kNoRow;
    pendingRow_ = dbstore::kNoRow;
    curPos_ = activePos_ = -1;
    bof_ = eof_ = true;
    sort_.clear();
    ++orderGeneration_;
}

void TDataSet::CloseQuietly() {
    if (!Active()) return;
    state_ = dsInactive;
    try {
        for (TDataSource* source : std::vector<TDataSource*>(sources_))
            for (TDataLink* link : std::vector<TDataLink*>(source->links_)) link->UpdateState();
        InternalClose();
    } catch (...) {
        LogFailedCleanup("closing the data set");
    }
    store_.Clear();
    view_.clear();
    natural_.clear();
    editBuffer_.clear();
    editChanged_.clear();
    pendingRow_ = dbstore::kNoRow;
    curPos_ = activePos_ = -1;
    bof_ = eof_ = true;
    sort_.clear();
    for (TField* field : fields_.fields_)
        if (!field->Calculated() && !field->Lookup()) field->fieldNo_ = -1;
}

void TDataSet::ReloadRows() {
    CheckActive();
    CheckBrowseMode();
    const std::vector<TColumnDef> previous = columns_;
    ++openSerial_;
    store_.Clear();
    view_.clear();
    natural_.clear();
    pendingRow_ = dbstore::kNoRow;
    calcRow_ = dbstore::kNoRow;
    opening_ = true;
    try {
        InternalOpen();
    } catch (...) {
        opening_ = false;
        CloseCursor();
        throw;
    }
    opening_ = false;
    bool same = previous.size() == columns_.size();
    for (std::size_t i = 0; same && i < columns_.size(); ++i)
        same = SameText(previous[i].name, columns_[i].name) && previous[i].type == columns_[i].type;
    if (!same) {
        try {
            if (defaultFields_) {
                DestroyDefaultFields();
                CreateDefaultFields();
            } else {
                BindFields();
            }
        } catch (...) {
            CloseCursor();
            throw;
        }
        DataEvent(deFieldListChange, 0);
    }
    if (!sort_.empty() || FilterActive()) ApplySort();
    curPos_ = activePos_ = view_.empty() ? -1 : 0;
    bof_ = true;
    eof_ = view_.empty();
    ++orderGeneration_;
    Resync();
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::AddLoadedRow(const std::string& record) {
    const RowId row = store_.AddRow(record, RowState::Live);
    store_.SetKey(row, std::int64_t(natural_.size() + 1) * kKeyGap);
    natural_.push_back(row);
    view_.push_back(row);
}

void TDataSet::Refresh() {
    CheckBrowseMode();
    const TBookmark mark = Bookmark();
    DisableControls();
    try {
        InternalRefresh();
    } catch (...) {
        EnableControls();
        throw;
    }
    if (BookmarkValid(mark)) GotoBookmark(mark);
    EnableControls();
}

// --- TDataSet: cursor ----------------------------------------------------------------------------

void TDataSet::CheckBrowseMode() {
    CheckActive();
    DataEvent(deCheckBrowseMode, 0);
    if (IsEditState(state_)) {
        UpdateRecord();
        if (modified_)
            Post();
        else
            Cancel();
    }
}

void TDataSet::ScrollTo(int position, bool bof, bool eof) {
    CheckBrowseMode();
    FireEvent(TDataSetEventKind::BeforeScroll);
    if (view_.empty()) position = -1;
    curPos_ = activePos_ = position;
    bof_ = bof || view_.empty();
    eof_ = eof || view_.empty();
    SyncLinks(false);
    FireEvent(TDataSetEventKind::AfterScroll);
    DoAfterScrollExtra();
}

void TDataSet::First() {
    CheckActive();
    ScrollTo(0, true, false);
}

void TDataSet::Last() {
    CheckActive();
    ScrollTo(int(view_.size()) - 1, false, true);
}

int TDataSet::MoveBy(int distance) {
    CheckActive();
    CheckBrowseMode();
    if (distance == 0) return 0;
    if ((distance > 0 && eof_) || (distance < 0 && bof_)) return 0;
    FireEvent(TDataSetEventKind::BeforeScroll);
    const int n = int(view_.size());
    int moved = 0;
    if (n == 0) {
        bof_ = eof_ = true;
    } else {
        long long target = (long long)curPos_ + distance;
        bof_ = eof_ = false;
        if (target > n - 1) {
            target = n - 1;
            eof_ = true;
        } else if (target < 0) {
            target = 0;
            bof_ = true;
        }
        moved = int(target) - curPos_;
        curPos_ = activePos_ = int(target);
    }
    if (moved != 0) SyncLinks(false);
    FireEvent(TDataSetEventKind::AfterScroll);
    DoAfterScrollExtra();
    return moved;
}

int TDataSet::RecNo() const {
    if (!Active() || view_.empty()) return 0;
    const int pos = activePos_ >= 0 ? activePos_ : curPos_;
    return pos + 1;
}

void TDataSet::SetRecNo(int recNo) {
    CheckActive();
    if (view_.empty()) return;
    const int position = std::clamp(recNo, 1, int(view_.size())) - 1;
    if (position == curPos_ && !IsEditState(state_)) return;
    ScrollTo(position, false, false);
}

// --- TDataSet: order keys and bookmarks ----------------------------------------------------------

int TDataSet::ViewPositionOf(RowId row) const {
    if (!store_.Valid(row) || store_.State(row) == RowState::Deleted) return -1;
    const std::int64_t key = store_.Key(row);
    auto it = std::lower_bound(view_.begin(), view_.end(), key,
                               [&](RowId r, std::int64_t k) { return store_.Key(r) < k; });
    for (; it != view_.end() && store_.Key(*it) == key; ++it)
        if (*it == row) return int(it - view_.begin());
    // Keys of equal value are rare; fall back to a scan.
    for (std::size_t i = 0; i < view_.size(); ++i)
        if (view_[i] == row) return int(i);
    return -1;
}

void TDataSet::RenumberKeys() {
    std::vector<RowId> all;
    all.reserve(store_.RowCount());
    for (RowId r = 0; r < store_.RowCount(); ++r) all.push_back(r);
    std::stable_sort(all.begin(), all.end(), [&](RowId a, RowId b) { return store_.Key(a) < store_.Key(b); });
    std::int64_t key = 0;
    for (RowId r : all) store_.SetKey(r, key += kKeyGap);
}

std::int64_t TDataSet::KeyBetween(int before) {
    for (int attempt = 0; attempt < 2; ++attempt) {
        const int n = int(view_.size());
        std::int64_t lo, hi;
        if (before >= 0)
            lo = store_.Key(view_[std::size_t(before)]);
        else
            lo = n > 0 ? store_.Key(view_[0]) - 2 * kKeyGap : 0;
        hi = before + 1 < n ? store_.Key(view_[std::size_t(before + 1)]) : lo + 2 * kKeyGap;
        if (hi - lo >= 2) return lo + (hi - lo) / 2;
        RenumberKeys();
    }
    return 0;
}

void TDataSet::InsertPendingRow(int position) {
    const std::int64_t key = KeyBetween(position - 1);
    const RowId row = store_.AddRow(std::string(), RowState::Pending);
    store_.SetKey(row, key);
    if (sort_.empty() && position < int(view_.size())) {
        const RowId next = view_[std::size_t(position)];
        auto it = std::find(natural_.begin(), natural_.end(), next);
        natural_.insert(it, row);
    } else {
        natural_.push_back(row);
    }
    view_.insert(view_.begin() + position, row);
    pendingRow_ = row;
}

TBookmark TDataSet::Bookmark() const {
    const RowId row = ActiveRow();
    if (!Active() || row == dbstore::kNoRow) return TBookmark();
    TBookmark bookmark(8, '\0');
    for (int i = 0; i < 4; ++i) bookmark[std::size_t(i)] = char((openSerial_ >> (8 * i)) & 0xFF);
    for (int i = 0; i < 4; ++i) bookmark[std::size_t(4 + i)] = char((row >> (8 * i)) & 0xFF);
    return bookmark;
}

namespace {
bool DecodeBookmark(const TBookmark& bookmark, std::uint32_t& serial, RowId& row) {
    if (bookmark.size() != 8) return false;
    serial = 0;
    row = 0;
    for (int i = 0; i < 4; ++i) serial |= std::uint32_t(std::uint8_t(bookmark[std::size_t(i)])) << (8 * i);
    for (int i = 0; i < 4; ++i) row |= RowId(std::uint8_t(bookmark[std::size_t(4 + i)])) << (8 * i);
    return true;
}
}  // namespace

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
    std::uint32_t serial;
    RowId row;
    if (!Active() || !DecodeBookmark(bookmark, serial, row) || serial != openSerial_ || !store_.Valid(row))
        return false;
    return store_.State(row) != RowState::Deleted;
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    CheckActive();
    if (!BookmarkValid(bookmark)) DatabaseError("Record not found", this);
    std::uint32_t serial;
    RowId row;
    DecodeBookmark(bookmark, serial, row);
    if (row == CurrentRow() && activePos_ == curPos_) return;
    CheckBrowseMode();  // may post or cancel a pending row
    const int position = ViewPositionOf(row);
    if (position < 0) DatabaseError("Record not found", this);
    ScrollTo(position, false, false);
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    if (a.empty() || b.empty()) return a.empty() == b.empty() ? 0 : (a.empty() ? -1 : 1);
    std::uint32_t sa, sb;
    RowId ra, rb;
    const bool va = DecodeBookmark(a, sa, ra) && sa == openSerial_ && store_.Valid(ra);
    const bool vb = DecodeBookmark(b, sb, rb) && sb == openSerial_ && store_.Valid(rb);
    if (!va || !vb) {
        if (va != vb) return va ? -1 : 1;
        return a < b ? -1 : (a > b ? 1 : 0);
    }
    if (ra == rb) return 0;
    const std::int64_t ka = store_.Key(ra), kb = store_.Key(rb);
    if (ka != kb) return ka < kb ? -1 : 1;
    return ra < rb ? -1 : 1;
}

// --- TDataSet: editing ---------------------------------------------------------------------------

void TDataSet::Insert() {
    CheckActive();
    CheckBrowseMode();
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    FireEvent(TDataSetEventKind::BeforeInsert);
    FireEvent(TDataSetEventKind::BeforeScroll);
    InsertPendingRow(view_.empty() ? 0 : std::max(curPos_, 0));
    curPos_ = activePos_ = ViewPositionOf(pendingRow_);
    bof_ = eof_ = false;
    editBuffer_.assign(columns_.size(), OwnedCell{});
    editChanged_.assign(columns_.size(), false);
    calcRow_ = dbstore::kNoRow;
    SetState(dsInsert);
    FireEvent(TDataSetEventKind::OnNewRecord);
    modified_ = false;
    Resync();
    FireEvent(TDataSetEventKind::AfterInsert);
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::Append() {
    CheckActive();
    CheckBrowseMode();
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    FireEvent(TDataSetEventKind::BeforeInsert);
    FireEvent(TDataSetEventKind::BeforeScroll);
    InsertPendingRow(int(view_.size()));
    curPos_ = activePos_ = int(view_.size()) - 1;
    bof_ = false;
    eof_ = true;
    editBuffer_.assign(columns_.size(), OwnedCell{});
    editChanged_.assign(columns_.size(), false);
    calcRow_ = dbstore::kNoRow;
    SetState(dsInsert);
    FireEvent(TDataSetEventKind::OnNewRecord);
    modified_ = false;
    Resync();
    FireEvent(TDataSetEventKind::AfterInsert);
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::Edit() {
    if (IsEditState(state_)) return;
    CheckActive();
    if (view_.empty()) {
        Insert();
        return;
    }
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    activePos_ = curPos_;
    FireEvent(TDataSetEventKind::BeforeEdit);
    const RowId row = CurrentRow();
    std::vector<Cell> cells;
    dbstore::ReadCells(store_.Data(row), store_.Size(row), cells);
    editBuffer_.assign(columns_.size(), OwnedCell{});
    for (std::size_t i = 0; i < columns_.size() && i < cells.size(); ++i) editBuffer_[i].Set(cells[i]);
    editChanged_.assign(columns_.size(), false);
    calcRow_ = dbstore::kNoRow;
    SetState(dsEdit);
    DataEvent(deRecordChange, 0);
    FireEvent(TDataSetEventKind::AfterEdit);
}

void TDataSet::UpdateRecord() {
    if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    DataEvent(deUpdateRecord, 0);
}

void TDataSet::Post() {
    CheckActive();
    UpdateRecord();
    DataEvent(deCheckBrowseMode, 0);
    FireEvent(TDataSetEventKind::BeforePost);
    if (!IsEditState(state_)) return;  // a handler may have cancelled
    activePos_ = curPos_;
    for (TField* field : fields_.fields_)
        if (field->Required() && !field->ReadOnly() && field->FieldKind() == fkData && field->IsNull())
            DatabaseError("Field '" + field->DisplayName() + "' must have a value", this);

    const bool inserting = state_ == dsInsert;
    const RowId row = CurrentRow();
    if (inserting || modified_) {
        std::vector<Cell> cells(editBuffer_.size());
        for (std::size_t i = 0; i < editBuffer_.size(); ++i) cells[i] = editBuffer_[i].View();
        std::vector<String> storage;
        InternalPost(inserting ? PostKind::Insert : PostKind::Update, row, cells, storage, editChanged_);
        dbstore::RecordWriter writer;
        for (const Cell& cell : cells) writer.AddCell(cell);
        store_.SetRecord(row, writer.Bytes());
    }
    if (inserting) {
        store_.SetState(row, RowState::Live);
        pendingRow_ = dbstore::kNoRow;
    }
    editBuffer_.clear();
    editChanged_.clear();
    calcRow_ = dbstore::kNoRow;
    SetState(dsBrowse);
    Resync();
    FireEvent(TDataSetEventKind::AfterPost);
}

void TDataSet::Cancel() {
    if (!IsEditState(state_)) return;
    DataEvent(deCheckBrowseMode, 0);
    FireEvent(TDataSetEventKind::BeforeCancel);
    if (!IsEditState(state_)) return;
    if (state_ == dsInsert && pendingRow_ != dbstore::kNoRow) {
        const int position = ViewPositionOf(pendingRow_);
        if (position >= 0) view_.erase(view_.begin() + position);
        std::erase(natural_, pendingRow_);
        store_.SetState(pendingRow_, RowState::Deleted);
        pendingRow_ = dbstore::kNoRow;
        if (position >= 0) {
            curPos_ = std::min(position, int(view_.size()) - 1);
        }
        if (view_.empty()) curPos_ = -1;
        bof_ = eof_ = view_.empty();
    }
    activePos_ = curPos_;
    editBuffer_.clear();
    editChanged_.clear();
    calcRow_ = dbstore::kNoRow;
    SetState(dsBrowse);
    Resync();
    FireEvent(TDataSetEventKind::AfterCancel);
}

void TDataSet::Delete() {
    CheckActive();
    if (state_ == dsInsert) {
        Cancel();
        return;
    }
    if (view_.empty()) DatabaseError("Cannot perform this operation on an empty dataset", this);
    if (!CanModify()) DatabaseError("Cannot modify a read-only dataset", this);
    activePos_ = curPos_;
    DataEvent(deCheckBrowseMode, 0);
    FireEvent(TDataSetEventKind::BeforeDelete);
    FireEvent(TDataSetEventKind::BeforeScroll);
    const RowId row = CurrentRow();
    InternalDelete(row);
    store_.SetState(row, RowState::Deleted);
    view_.erase(view_.begin() + curPos_);
    if (curPos_ >= int(view_.size())) curPos_ = int(view_.size()) - 1;
    activePos_ = curPos_;
    bof_ = eof_ = view_.empty();
    editBuffer_.clear();
    editChanged_.clear();
    calcRow_ = dbstore::kNoRow;
    if (state_ != dsBrowse)
        SetState(dsBrowse);
    Resync();
    FireEvent(TDataSetEventKind::AfterDelete);
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::ClearFields() {
    if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", this);
    for (std::size_t i = 0; i < editBuffer_.size(); ++i) {
        editBuffer_[i] = OwnedCell{};
        editChanged_[i] = true;
    }
    modified_ = true;
    calcRow_ = dbstore::kNoRow;
    DataEvent(deRecordChange, 0);
}

// --- TDataSet: sort and locate -------------------------------------------------------------------

std::vector<int> TDataSet::SortColumns(const String& sort, std::vector<bool>& descending) const {
    std::vector<int> columns;
    descending.clear();
    std::size_t start = 0;
    while (start <= sort.size()) {
        std::size_t end = sort.find(',', start);
        if (end == String::npos) end = sort.size();
        String item = TrimBlanks(sort.substr(start, end - start));
        start = end + 1;
        if (item.empty()) continue;
        bool desc = false;
        const std::size_t blank = item.find_last_of(" \t");
        if (blank != String::npos && item.back() != ']') {
            const String word = item.substr(blank + 1);
            if (SameText(word, "DESC") || SameText(word, "ASC")) {
                desc = SameText(word, "DESC");
                item = TrimBlanks(item.substr(0, blank));
            }
        }
        if (item.size() >= 2 && item.front() == '[' && item.back() == ']') item = item.substr(1, item.size() - 2);
        TField* field = FieldByName(item);
        if (field->FieldKind() != fkData || field->FieldNo() < 0)
            DatabaseError("Field '" + item + "' cannot be used to sort", this);
        columns.push_back(field->FieldNo());
        descending.push_back(desc);
    }
    return columns;
}

void TDataSet::SetSort(const String& sort) {
    CheckActive();
    CheckBrowseMode();
    std::vector<bool> descending;
    SortColumns(sort, descending);  // validates before anything changes
    sort_ = TrimBlanks(sort).empty() ? String() : sort;
    ApplySort();
}

void TDataSet::ApplySort() {
    const RowId current = CurrentRow();
    std::vector<RowId> order(natural_);
    if (!sort_.empty()) {
        std::vector<bool> descending;
        const std::vector<int> columns = SortColumns(sort_, descending);
        const std::size_t k = columns.size();
        std::vector<bool> numeric(k);
        for (std::size_t j = 0; j < k; ++j) numeric[j] = IsNumericType(columns_[std::size_t(columns[j])].type);
        std::vector<SortKey> keys(order.size() * k);
        std::vector<Cell> cells;
        for (std::size_t i = 0; i < order.size(); ++i) {
            const RowId row = order[i];
            for (std::size_t j = 0; j < k; ++j)
                keys[i * k + j] = MakeSortKey(store_.CellOf(row, columns[j]), numeric[j]);
        }
        for (std::size_t j = 0; j < k; ++j) RankTexts(keys, k, j);
        // Most comparisons end on the summaries of the first two keys, kept next to the row index.
        struct Item {
            std::uint64_t coarse[2];
            std::uint32_t index;
            std::uint8_t exact;  // bit j: summary j is exact
        };
        std::vector<Item> items(order.size());
        for (std::size_t i = 0; i < items.size(); ++i) {
            Item item{{0, 0}, std::uint32_t(i), 0};
            for (std::size_t j = 0; j < std::min<std::size_t>(k, 2); ++j) {
                bool exact = false;
                const std::uint64_t coarse = CoarseKey(keys[i * k + j], exact);
                item.coarse[j] = descending[j] ? ~coarse : coarse;
                if (exact) item.exact |= std::uint8_t(1u << j);
            }
            items[i] = item;
        }
        std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
            for (std::size_t j = 0; j < k; ++j) {
                if (j < 2) {
                    if (a.coarse[j] != b.coarse[j]) return a.coarse[j] < b.coarse[j];
                    if (a.exact & b.exact & (1u << j)) continue;
                }
                const int c = CompareSortKeys(keys[a.index * k + j], keys[b.index * k + j]);
                if (c != 0) return descending[j] ? c > 0 : c < 0;
            }
            return a.index < b.index;  // equal rows keep the source order
        });
        std::vector<std::uint32_t> index(items.size());
        for (std::size_t i = 0; i < items.size(); ++i) index[i] = items[i].index;
        items.clear();
        items.shrink_to_fit();
        std::vector<RowId> sorted(order.size());
        for (std::size_t i = 0; i < index.size(); ++i) sorted[i] = order[index[i]];
        order.swap(sorted);
    }
    std::vector<RowId> view;
    view.reserve(view_.size());
    std::int64_t key = 0;
    const TRecordFilter* filter = FilterActive() ? recordFilter_.get() : nullptr;
    for (RowId row : order) {
        store_.SetKey(row, key += kKeyGap);
        if (store_.State(row) == RowState::Deleted) continue;
        if (filter && store_.State(row) == RowState::Live && !filter->Keeps(store_, row)) continue;
        view.push_back(row);
    }
    view_.swap(view);
    const int position = current == dbstore::kNoRow ? -1 : ViewPositionOf(current);
    if (position >= 0) {
        curPos_ = activePos_ = position;
    } else {
        // The current record left the view: the first record becomes current.
        curPos_ = activePos_ = view_.empty() ? -1 : 0;
        bof_ = true;
        eof_ = view_.empty();
    }
    ++orderGeneration_;
    Resync();
}

void TDataSet::SetFiltered(bool filtered) {
    if (filtered == filtered_) return;
    if (!Active() || !recordFilter_) {
        filtered_ = filtered;
        return;
    }
    CheckBrowseMode();  // a record being edited is posted first, as a scroll would
    filtered_ = filtered;
    ApplySort();
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::SetRecordFilter(std::shared_ptr<const TRecordFilter> filter) {
    if (!Active() || !filtered_) {
        recordFilter_ = std::move(filter);
        return;
    }
    CheckBrowseMode();  // a record being edited is posted first, as a scroll would
    recordFilter_ = std::move(filter);
    ApplySort();
    FireEvent(TDataSetEventKind::AfterScroll);
}

void TDataSet::RefreshFilter() {
    if (!Active() || !FilterActive()) return;
    CheckBrowseMode();  // a record being edited is posted first, as a scroll would
    ApplySort();
    FireEvent(TDataSetEventKind::AfterScroll);
}

bool TDataSet::Locate(const String& keyFields, const Variant& keyValues, TLocateOptions options) {
    if (keyValues.IsArray()) return Locate(keyFields, keyValues.AsArray(), options);
    return Locate(keyFields, std::vector<Variant>{keyValues}, options);
}

bool TDataSet::Locate(const String& keyFields, const std::vector<Variant>& keyValues, TLocateOptions options) {
    CheckBrowseMode();
    std::vector<TField*> fields;
    GetFieldList(fields, keyFields);
    if (fields.size() != keyValues.size())
        DatabaseError("Locate needs one value per key field", this);
    int position = -1;
    if (!LocateRow(fields, keyValues, options, position)) return false;
    ScrollTo(position, false, false);
    return true;
}

bool TDataSet::LocateRow(const std::vector<TField*>& fields, const std::vector<Variant>& values,
                         TLocateOptions options, int& position) const {
    auto* self = const_cast<TDataSet*>(this);
    const int saved = activePos_;
    bool found = false;
    for (int i = 0; i < int(view_.size()) && !found; ++i) {
        self->activePos_ = i;
        found = true;
        for (std::size_t j = 0; j < fields.size() && found; ++j) {
            TField* field = fields[j];
            const Variant& want = values[j];
            if (VarIsNull(want) || VarIsEmpty(want)) {
                found = field->IsNull();
                continue;
            }
            if (field->IsNull()) {
                found = false;
                continue;
            }
            if (TypeFamily(field->DataType()) == 1 || (options & (loCaseInsensitive | loPartialKey))) {
                String have = field->AsString();
                String text = VarToStr(want);
                if (options & loPartialKey) have = have.substr(0, std::min(have.size(), text.size()));
                found = (options & loCaseInsensitive) ? LocaleCompareText(have, text, true) == 0 : have == text;
            } else {
                found = VarCompare(field->AsVariant(), want) == 0;
            }
        }
        if (found) position = i;
    }
    self->activePos_ = saved;
    return found;
}

// --- TDataLink -----------------------------------------------------------------------------------

TDataLink::~TDataLink() {
    if (dataSource_) dataSource_->RemoveLink(this);
    dataSource_ = nullptr;
}

void TDataLink::SetDataSource(TDataSource* source) {
    if (source == dataSource_) return;
    if (dataSource_) dataSource_->RemoveLink(this);
    dataSource_ = source;
    if (dataSource_) dataSource_->AddLink(this);
    UpdateState();
}

TDataSet* TDataLink::DataSet() const { return dataSource_ ? dataSource_->DataSet() : nullptr; }

void TDataLink::SetReadOnly(bool readOnly) {
    if (readOnly_ == readOnly) return;
    readOnly_ = readOnly;
    UpdateState();
}

void TDataLink::UpdateState() {
    TDataSet* ds = DataSet();
    const bool active = dataSource_ && dataSource_->Enabled() && ds && ds->Active();
    SetActive(active);
    const bool editing = active_ && !readOnly_ && IsEditState(ds->State()) && !ds->calculating_;
    if (editing != editing_) {
        editing_ = editing;
        EditingChanged();
    }
}

void TDataLink::SetActive(bool active) {
    if (active_ == active) return;
    active_ = active;
    if (active) {
        first_ = 0;
        lastActiveRow_ = 0;
        AdjustWindow(false);
    } else {
        first_ = 0;
    }
    ActiveChanged();
}

void TDataLink::AdjustWindow(bool keepWindowRow) {
    TDataSet* ds = DataSet();
    if (!ds) return;
    const int count = ds->RecordCount();
    const int current = ds->curPos_;
    if (count == 0 || current < 0) {
        first_ = 0;
        lastActiveRow_ = 0;
        return;
    }
    if (keepWindowRow) {
        first_ = current - std::clamp(lastActiveRow_, 0, bufferCount_ - 1);
        first_ = std::min(first_, std::max(0, count - bufferCount_));
        first_ = std::max(first_, 0);
    }
    if (current < first_) first_ = current;
    if (current >= first_ + bufferCount_) first_ = current - bufferCount_ + 1;
    lastActiveRow_ = current - first_;
}

void TDataLink::SetBufferCount(int count) {
    count = std::max(count, 1);
    if (count == bufferCount_) return;
    bufferCount_ = count;
    if (active_) AdjustWindow(true);
}

int TDataLink::RecordCount() const {
    TDataSet* ds = DataSet();
    if (!active_ || !ds) return 0;
    return std::clamp(ds->RecordCount() - first_, 0, bufferCount_);
}

int TDataLink::ActiveRecord() const {
    TDataSet* ds = DataSet();
    if (!active_ || !ds || ds->activePos_ < 0) return 0;
    return ds->activePos_ - first_;
}

void TDataLink::SetActiveRecord(int index) {
    TDataSet* ds = DataSet();
    if (!active_ || !ds) return;
    if (index < 0 || index >= RecordCount()) return;
    ds->activePos_ = first_ + index;
}

int TDataLink::CurrentWindowRow() const {
    TDataSet* ds = DataSet();
    if (!active_ || !ds || ds->curPos_ < 0) return 0;
    return ds->curPos_ - first_;
}

int TDataLink::MoveBy(int distance) {
    TDataSet* ds = DataSet();
    return ds ? ds->MoveBy(distance) : 0;
}

bool TDataLink::Bof() const { return DataSet() ? DataSet()->Bof() : true; }
bool TDataLink::Eof() const { return DataSet() ? DataSet()->Eof() : true; }

namespace {

TDataSourceAction* ActionOnSource(TObject* action, TDataSource* source) {
    auto* sourceAction = dynamic_cast<TDataSourceAction*>(action);
    return sourceAction && source && sourceAction->HandlesTarget(source) ? sourceAction : nullptr;
}

}  // namespace

bool TDataLink::ExecuteAction(TObject* action) {
    TDataSourceAction* sourceAction = ActionOnSource(action, dataSource_);
    if (!sourceAction) return false;
    sourceAction->ExecuteTarget(dataSource_);
    return true;
}

bool TDataLink::UpdateAction(TObject* action) {
    TDataSourceAction* sourceAction = ActionOnSource(action, dataSource_);
    if (!sourceAction) return false;
    sourceAction->UpdateTarget(dataSource_);
    return true;
}

bool TDataLink::Edit() {
    TDataSet* ds = DataSet();
    if (!readOnly_ && active_ && ds && ds->State() == dsBrowse && dataSource_->AutoEdit() && ds->CanModify())
        ds->Edit();
    return editing_;
}

void TDataLink::UpdateRecord() {
    updating_ = true;
    try {
        UpdateData();
    } catch (...) {
        updating_ = false;
        throw;
    }
    updating_ = false;
}

void TDataLink::DataEvent(TDataEvent event, std::intptr_t info) {
    switch (event) {
    case deUpdateState:
        UpdateState();
        return;
    case deDisabledStateChange:
        DisabledStateChanged(info != 0);
        return;
    default:
        break;
    }
    if (!active_) return;
    switch (event) {
    case deFieldChange:
    case deRecordChange:
        if (!updating_) RecordChanged(reinterpret_cast<TField*>(info));
        break;
    case deDataSetChange:
        DataSetChanged();
        break;
    case deDataSetScroll:
        DataSetScrolled(int(info));
        break;
    case deLayoutChange:
    case deFieldListChange:
        LayoutChanged();
        break;
    case deUpdateRecord:
        UpdateRecord();
        break;
    case deCheckBrowseMode:
        CheckBrowseMode();
        break;
    case deFocusControl:
        FocusControl(reinterpret_cast<TField**>(info));
        break;
    default:
        break;
    }
}

// --- TDataSource ---------------------------------------------------------------------------------

TDataSource::TDataSource(TComponent* owner) : TComponent(owner) {}

TDataSource::~TDataSource() {
    SetDataSet(nullptr);
    for (TDataLink* link : std::vector<TDataLink*>(links_)) {
        link->dataSource_ = nullptr;
        link->UpdateState();
    }
    links_.clear();
}

void TDataSource::SetDataSet(TDataSet* dataSet) {
    if (dataSet == dataSet_) return;
    for (TDataSet* ds = dataSet; ds; ds = ds->MasterDataSet())
        if (ds->MasterDataSet() && IsLinkedTo(ds)) throw EInvalidOperation("Circular datalinks are not allowed");
    if (dataSet_) {
        std::erase(dataSet_->sources_, this);
        dataSet_->RemoveFreeNotification(this);
    }
    dataSet_ = dataSet;
    if (dataSet_) {
        dataSet_->sources_.push_back(this);
        dataSet_->FreeNotification(this);
    }
    UpdateLinks();
}

void TDataSource::SetEnabled(bool enabled) {
    if (enabled_ == enabled) return;
    enabled_ = enabled;
    UpdateLinks();
}

bool TDataSource::IsLinkedTo(TDataSet* dataSet) const {
    for (TDataLink* link : links_)
        if (link->DataSet() == dataSet) return true;
    return false;
}

void TDataSource::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == dataSet_) {
        std::erase(dataSet_->sources_, this);
        dataSet_ = nullptr;
        UpdateLinks();
    }
}

void TDataSource::AddLink(TDataLink* link) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) links_.push_back(link);
}

void TDataSource::RemoveLink(TDataLink* link) { std::erase(links_, link); }

void TDataSource::UpdateLinks() {
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->UpdateState();
    const TDataSetState state = State();
    if (state != lastState_) {
        lastState_ = state;
        const TNotifyEvent handler = OnStateChange;
        if (handler && !(dataSet_ && dataSet_->ControlsDisabled())) handler(this);
    }
}

void TDataSource::NotifyLinks(TDataEvent event, std::intptr_t info) {
    if (event == deUpdateState) {
        UpdateLinks();
        return;
    }
    if (!enabled_) return;
    for (TDataLink* link : std::vector<TDataLink*>(links_)) link->DataEvent(event, info);
    switch (event) {
    case deFieldChange:
    case deRecordChange:
    case deDataSetChange:
    case deDataSetScroll: {
        const TDataChangeEvent handler = OnDataChange;
        if (handler) handler(this, event == deFieldChange ? reinterpret_cast<TField*>(info) : nullptr);
        break;
    }
    case deUpdateRecord: {
        const TNotifyEvent handler = OnUpdateData;
        if (handler) handler(this);
        break;
    }
    default:
        break;
    }
}
