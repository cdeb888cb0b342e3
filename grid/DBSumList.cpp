#include "DBSumList.h"

#include "Encoding.h"
#include "FormatSettings.h"
#include "LocaleText.h"
#include "SysUtils.h"
#include "TypeRegistry.h"

#include <cstdlib>

namespace {

constexpr std::int64_t kOne = Currency::Scale;

// sum / count rounded half to even (0 for no values).
std::int64_t Average(std::int64_t sum, int count) {
    if (count <= 0) return 0;
    std::int64_t q = sum / count;
    const std::int64_t r = sum % count;
    const std::int64_t twice = std::llabs(r) * 2;
    if (twice > count || (twice == count && (q % 2) != 0)) q += (sum < 0) ? -1 : 1;
    return q;
}

// Reads `text` when it is a plain decimal ("-123.45": optional minus, digits, at most four decimals
// after the decimal separator, at most 15 digits, 14 before the separator). Such a text converts
// exactly, so the result equals the general conversion's; anything else returns false.
bool ReadPlainDecimal(std::string_view text, std::int64_t& raw) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    std::int64_t value = 0;
    int integerDigits = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++integerDigits)
        value = value * 10 + (text[i] - '0');
    if (integerDigits == 0 || integerDigits > 14) return false;
    int decimals = 0;
    if (i < text.size()) {
        if (text[i] != FormatSettings.DecimalSeparator) return false;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++decimals)
            value = value * 10 + (text[i] - '0');
        if (i != text.size() || decimals == 0 || decimals > 4 || integerDigits + decimals > 15) return false;
    }
    for (int d = decimals; d < 4; ++d) value *= 10;
    raw = negative ? -value : value;
    return true;
}

bool HoldsText(TField* field) {
    return dynamic_cast<TStringField*>(field) || dynamic_cast<TMemoField*>(field);
}

// ReadSumAmount with the field's kind known: reads the active record's cell once.
bool ReadAmount(TField* field, bool holdsText, std::int64_t& raw) {
    const dbstore::Cell cell = field->GetCell();
    raw = 0;
    try {
        switch (cell.kind) {
        case dbstore::CellKind::Null: return false;
        case dbstore::CellKind::Integer:
            if (holdsText) break;
            raw = Currency(static_cast<double>(cell.integer)).Raw();
            return true;
        case dbstore::CellKind::Real:
            if (holdsText) break;
            raw = Currency(cell.real).Raw();
            return true;
        case dbstore::CellKind::Text:
            if (holdsText && ReadPlainDecimal(cell.bytes, raw)) return true;
            break;
        default: break;
        }
    } catch (const Exception&) {
        raw = 0;
        return false;
    }
    return ReadSumAmount(field, raw);
}

}  // namespace

bool ReadSumAmount(TField* field, std::int64_t& raw) {
    raw = 0;
    if (field->IsNull()) return false;
    try {
        if (HoldsText(field)) {
            double value = 0;
            if (!TryStrToFloat(Trim(field->AsString()), value)) return false;
            raw = Currency(value).Raw();
            return true;
        }
        raw = Currency(field->AsFloat()).Raw();
        return true;
    } catch (const Exception&) {
        // Not a number, or out of the currency range: counts as Null.
        raw = 0;
        return false;
    }
}

// ---- TDBSum ------------------------------------------------------------------------------------------

void TDBSum::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TDBSum*>(source);
    if (!other) return inherited::Assign(source);
    operation_ = other->operation_;
    fieldName_ = other->fieldName_;
    oldValue_ = other->oldValue_;
    value_ = other->value_;
}

void TDBSum::SetFieldName(const String& value) {
    if (value == fieldName_) return;
    fieldName_ = value;
    Changed();
}

void TDBSum::SetGroupOperation(TGroupOperation value) {
    if (value == operation_) return;
    operation_ = value;
    Changed();
}

void TDBSum::Changed() {
    if (collection_) collection_->Update();
}

bool TDBSum::ReadRow(TDataSet* ds, std::int64_t& raw) const {
    TField* field = fieldName_.empty() ? nullptr : ds->FieldByName(fieldName_);
    return field ? ReadAmount(field, HoldsText(field), raw) : true;
}

void TDBSum::RememberRow(bool present, std::int64_t raw) {
    oldValue_ = operation_ == goCount ? (present ? kOne : 0) : raw;
    oldWasNull_ = !present;
}

// ---- TDBSumCollection ------------------------------------------------------------------------------

TDBSum* TDBSumCollection::Add() {
    items_.push_back(std::make_unique<TDBSum>(this));
    TDBSum* item = items_.back().get();
    Update();
    return item;
}

void TDBSumCollection::Delete(TDBSum* item) {
    for (auto it = items_.begin(); it != items_.end(); ++it)
        if (it->get() == item) {
            items_.erase(it);
            Update();
            return;
        }
}

void TDBSumCollection::Clear() {
    if (items_.empty()) return;
    items_.clear();
    Update();
}

TDBSum* TDBSumCollection::FindSum(TGroupOperation operation, const String& fieldName) const {
    for (const auto& item : items_)
        if (item->GroupOperation() == operation && LocaleCompareText(item->FieldName(), fieldName, true) == 0)
            return item.get();
    return nullptr;
}

void TDBSumCollection::Assign(const TDBSumCollection& other) {
    if (&other == this) return;
    BeginUpdate();
    items_.clear();
    for (const auto& item : other.items_) {
        items_.push_back(std::make_unique<TDBSum>(this));
        items_.back()->Assign(item.get());
    }
    EndUpdate();
}

void TDBSumCollection::EndUpdate() {
    if (updateCount_ > 0 && --updateCount_ == 0) Update();
}

void TDBSumCollection::Update() {
    if (updateCount_ > 0 || !engine_ || engine_->OwnerLoadingOrGoing()) return;
    engine_->RecomputeAll();
}

// ---- TDBSumListProducer ------------------------------------------------------------------------------

// Tells the engine when its master is freed: the engine is no component, and the grid that owns one
// does not know the master.
class TDBSumListProducer::TMasterWatch final : public TComponent {
public:
    explicit TMasterWatch(TDBSumListProducer* engine) : TComponent(nullptr), engine_(engine) {}
    ~TMasterWatch() override { Watch(nullptr); }

    void Watch(TDataSet* master) {
        if (master == watched_) return;
        if (watched_) RemoveFreeNotification(watched_);
        watched_ = master;
        if (master) master->FreeNotification(this);
    }

protected:
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation != opRemove || !component || component != static_cast<TComponent*>(watched_)) return;
        watched_ = nullptr;
        engine_->DataSetFreed(component);
    }

private:
    TDBSumListProducer* engine_;
    TDataSet* watched_ = nullptr;
};

TDBSumListProducer::TDBSumListProducer(TComponent* owner)
    : owner_(owner), sums_(this), masterWatch_(std::make_unique<TMasterWatch>(this)) {}

TDBSumListProducer::~TDBSumListProducer() {
    // Deactivated without clearing; the values go with the collection.
    active_ = false;
    try {
        UnhookDataSetEvents();
    } catch (...) {
        LogFailedCleanup("unhooking the aggregates");
    }
}

void TDBSumListProducer::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TDBSumListProducer*>(source);
    if (!other) return inherited::Assign(source);
    SetActive(other->active_);
    SetDataSet(other->dataSet_);
    SetExternalRecalc(other->externalRecalc_);
    sums_.Assign(other->sums_);
    SumListChanged = other->SumListChanged;
    SetVirtualRecords(other->virtualRecords_);
    OnAfterRecalcAll = other->OnAfterRecalcAll;
    OnRecalcAll = other->OnRecalcAll;
}

bool TDBSumListProducer::OwnerLoadingOrGoing() const {
    return owner_ && (owner_->ComponentState() & (csLoading | csDestroying)) != 0;
}

bool TDBSumListProducer::Idle() const {
    if (!owner_) return false;
    const TComponentState state = owner_->ComponentState();
    return (state & csLoading) != 0 || ((state & csDesigning) != 0 && !designTimeWork_);
}

void TDBSumListProducer::SwitchOn(bool recalc) {
    active_ = true;
    if (Idle()) return;
    HookDataSetEvents();
    if (recalc) RecomputeAll();
}

void TDBSumListProducer::SwitchOff(bool clear) {
    active_ = false;
    if (Idle()) return;
    UnhookDataSetEvents();
    if (clear) ClearValues();
}

void TDBSumListProducer::SetActive(bool value) {
    if (value)
        SwitchOn(true);
    else
        SwitchOff(true);
}

void TDBSumListProducer::SetDataSet(TDataSet* value) {
    if (value == dataSet_) {
        if (value && (value->ComponentState() & csDestroying) != 0) {
            UnhookDataSetEvents();
            dataSet_ = nullptr;
        }
        return;
    }
    if (Idle()) {
        dataSet_ = value;
        return;
    }
    const bool wasActive = active_;
    SwitchOff(true);
    dataSet_ = value;
    if (wasActive) SwitchOn(true);
}

void TDBSumListProducer::SetExternalRecalc(bool value) {
    if (value == externalRecalc_) return;
    externalRecalc_ = value;
    RecomputeAll();
}

void TDBSumListProducer::SetVirtualRecords(bool value) {
    if (value == virtualRecords_) return;
    virtualRecords_ = value;
    if (value) RecomputeAll();
}

void TDBSumListProducer::Loaded() {
    if (dataSet_ && active_) SwitchOn(true);
}

void TDBSumListProducer::HookDataSetEvents() {
    if (!dataSet_ || hooked_) return;
    master_ = FindMasterDataSet(dataSet_);
    using K = TDataSetEventKind;
    // Own work before the form's handler on the "after" events of a change; after it on the others.
    dataSet_->AddListener(K::AfterEdit, this, [this](TDataSet* ds) { AfterEditHandler(ds); }, true);
    dataSet_->AddListener(K::AfterInsert, this, [this](TDataSet* ds) { AfterInsertHandler(ds); }, true);
    dataSet_->AddListener(K::AfterOpen, this, [this](TDataSet* ds) { AfterOpenHandler(ds); }, true);
    dataSet_->AddListener(K::AfterPost, this, [this](TDataSet* ds) { AfterPostHandler(ds); }, true);
    dataSet_->AddListener(K::AfterClose, this, [this](TDataSet* ds) { AfterCloseHandler(ds); }, true);
    dataSet_->AddListener(K::BeforeDelete, this, [this](TDataSet* ds) { BeforeDeleteHandler(ds); });
    dataSet_->AddListener(K::AfterDelete, this, [this](TDataSet* ds) { AfterDeleteHandler(ds); }, true);
    dataSet_->AddListener(K::AfterScroll, this, [this](TDataSet* ds) { AfterScrollHandler(ds); });
    if (master_)
        master_->AddListener(K::AfterScroll, this, [this](TDataSet* ds) { MasterAfterScrollHandler(ds); });
    WatchMaster(master_);
    hooked_ = true;
}

void TDBSumListProducer::UnhookDataSetEvents() {
    if (!hooked_) return;
    if (dataSet_) dataSet_->RemoveListeners(this);
    if (master_) master_->RemoveListeners(this);
    WatchMaster(nullptr);
    master_ = nullptr;
    hooked_ = false;
}

void TDBSumListProducer::WatchMaster(TDataSet* master) { masterWatch_->Watch(master); }

void TDBSumListProducer::DataSetFreed(const TComponent* dataSet) {
    if (!dataSet) return;
    if (dataSet == static_cast<const TComponent*>(master_)) {
        master_ = nullptr;
        return;
    }
    if (dataSet != static_cast<const TComponent*>(dataSet_)) return;
    if (hooked_ && master_) master_->RemoveListeners(this);
    WatchMaster(nullptr);
    master_ = nullptr;
    hooked_ = false;
    dataSet_ = nullptr;
    recalculating_ = false;
    deletePending_ = false;
    ClearValues();
}

void TDBSumListProducer::ClearValues() {
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        s->oldValue_ = 0;
        s->count_ = 0;
        s->avgSum_ = 0;
        s->oldWasNull_ = true;
        s->value_ = 0;
    }
}

void TDBSumListProducer::ResetSums() {
    ClearValues();
    DoSumListChanged();
}

void TDBSumListProducer::DoSumListChanged() {
    if (SumListChanged) SumListChanged(this);
}

void TDBSumListProducer::RecomputeAll() {
    if (Idle() || !active_ || !hooked_ || !dataSet_ || !dataSet_->Active()) return;
    TDataSet* ds = dataSet_;
    struct Finish {
        TDBSumListProducer* self;
        TDataSet* ds;
        ~Finish() {
            self->lastFiltered_ = ds->Filtered();
            self->lastFilter_ = ds->Filter;
            self->lastOrder_ = ds->OrderGeneration();
            self->recalculating_ = false;
            try {
                self->DoSumListChanged();
            } catch (...) {
                LogFailedCleanup("reporting the aggregates");
            }
        }
    } finish{this, ds};
    ResetSums();
    deletePending_ = false;
    if (OnRecalcAll) OnRecalcAll(this);
    if (externalRecalc_) return;
    struct Part {
        TDBSum* sum;
        TField* field;
        bool holdsText;
    };
    std::vector<Part> parts;
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        // An unknown field name raises the data set's error here.
        TField* field = s->FieldName().empty() ? nullptr : ds->FieldByName(s->FieldName());
        parts.push_back(Part{s, field, field && HoldsText(field)});
    }
    if (!parts.empty()) {
        ds->DisableControls();
        recalculating_ = true;
        try {
            ds->First();
            while (!ds->Eof()) {
                for (const Part& p : parts) {
                    std::int64_t raw = 0;
                    const bool present = p.field ? ReadAmount(p.field, p.holdsText, raw) : true;
                    switch (p.sum->operation_) {
                    case goSum: p.sum->value_ += raw; break;
                    case goAvg:
                        if (present) ++p.sum->count_;
                        p.sum->avgSum_ += raw;
                        break;
                    case goCount:
                        if (present) p.sum->value_ += kOne;
                        break;
                    }
                }
                ds->Next();
            }
            ds->First();
            for (const Part& p : parts)
                if (p.sum->operation_ == goAvg) p.sum->value_ = Average(p.sum->avgSum_, p.sum->count_);
        } catch (...) {
            ds->EnableControls();
            throw;
        }
        ds->EnableControls();
    }
    if (OnAfterRecalcAll) OnAfterRecalcAll(this);
}

void TDBSumListProducer::AfterEditHandler(TDataSet* ds) {
    if (!active_) return;
    deletePending_ = false;
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        std::int64_t raw = 0;
        const bool present = s->ReadRow(ds, raw);
        s->RememberRow(present, raw);
    }
}

void TDBSumListProducer::AfterInsertHandler(TDataSet* ds) {
    if (!active_) return;
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        if (s->operation_ == goCount) {
            std::int64_t raw = 0;
            s->oldValue_ = !s->FieldName().empty() && ReadSumAmount(ds->FieldByName(s->FieldName()), raw) ? kOne : 0;
        } else {
            s->oldValue_ = 0;
            s->oldWasNull_ = true;
        }
    }
}

void TDBSumListProducer::AfterPostHandler(TDataSet* ds) {
    if (!active_) return;
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        std::int64_t raw = 0;
        const bool present = s->ReadRow(ds, raw);
        switch (s->operation_) {
        case goSum: s->value_ = s->value_ - s->oldValue_ + raw; break;
        case goAvg:
            if (!present && !s->oldWasNull_) --s->count_;
            if (present && s->oldWasNull_) ++s->count_;
            s->avgSum_ = s->avgSum_ - s->oldValue_ + raw;
            s->value_ = Average(s->avgSum_, s->count_);
            break;
        case goCount: s->value_ = s->value_ - s->oldValue_ + (present ? kOne : 0); break;
        }
        // A second post without a new edit changes nothing.
        s->RememberRow(present, raw);
    }
    DoSumListChanged();
}

void TDBSumListProducer::BeforeDeleteHandler(TDataSet* ds) {
    if (!active_) return;
    // The record's share is taken off once the delete has succeeded.
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        std::int64_t raw = 0;
        const bool present = s->ReadRow(ds, raw);
        s->RememberRow(present, raw);
    }
    deletePending_ = true;
}

void TDBSumListProducer::AfterDeleteHandler(TDataSet*) {
    if (!active_ || !deletePending_) return;
    deletePending_ = false;
    for (int i = 0; i < sums_.Count(); ++i) {
        TDBSum* s = sums_.Items(i);
        if (!s->TakesPart()) continue;
        switch (s->operation_) {
        case goSum: s->value_ -= s->oldValue_; break;
        case goAvg:
            s->avgSum_ -= s->oldValue_;
            if (!s->oldWasNull_) --s->count_;
            s->value_ = Average(s->avgSum_, s->count_);
            break;
        case goCount: s->value_ -= s->oldValue_; break;
        }
        s->oldValue_ = 0;
        s->oldWasNull_ = true;
    }
    DoSumListChanged();
}

void TDBSumListProducer::AfterScrollHandler(TDataSet* ds) {
    if (!active_ || recalculating_) return;
    if (ds->Filtered() != lastFiltered_ || (ds->Filtered() && ds->Filter != lastFilter_) ||
        ds->OrderGeneration() != lastOrder_)
        RecomputeAll();
}

void TDBSumListProducer::MasterAfterScrollHandler(TDataSet*) {
    if (!active_ || recalculating_) return;
    RecomputeAll();
}

void TDBSumListProducer::AfterOpenHandler(TDataSet*) {
    if (!active_) return;
    RecomputeAll();
}

void TDBSumListProducer::AfterCloseHandler(TDataSet*) {
    if (!active_) return;
    ResetSums();
    recalculating_ = false;
}

bool TDBSumListProducer::IsSequenced() const { return dataSet_ && dataSet_->Active() && dataSet_->IsSequenced(); }

int TDBSumListProducer::RecNo() const { return dataSet_ && dataSet_->Active() ? dataSet_->RecNo() : 0; }

void TDBSumListProducer::SetRecNo(int value) {
    if (dataSet_ && dataSet_->Active()) dataSet_->SetRecNo(value);
}

int TDBSumListProducer::RecordCount() const {
    return dataSet_ && dataSet_->Active() ? dataSet_->RecordCount() : 0;
}

bool TDBSumListProducer::FindAggregate(TGroupOperation operation, const String& fieldName,
                                       std::int64_t& value) const {
    const TDBSum* s = sums_.FindSum(operation, fieldName);
    value = s ? s->SumValue() : 0;
    return s != nullptr;
}

// ---- Master data set -----------------------------------------------------------------------------------

TDataSet* FindMasterDataSet(TDataSet* dataSet) {
    if (!dataSet) return nullptr;
    const TPropInfo* info = GetPropInfo(dataSet, "MasterSource");
    if (!info || info->Kind != TPropKind::Component || !info->Get) return nullptr;
    auto* source = dynamic_cast<TDataSource*>(GetObjectProp(dataSet, "MasterSource"));
    return source ? source->DataSet() : nullptr;
}

// ---- TDBSumList ----------------------------------------------------------------------------------------

TDBSumList::TDBSumList(TComponent* owner)
    : TComponent(owner), engine_(std::make_unique<TDBSumListProducer>(this)) {}

TDBSumList::~TDBSumList() {
    Destroying();
    if (TDataSet* ds = engine_->DataSet()) ds->RemoveFreeNotification(this);
    engine_.reset();
}

void TDBSumList::SetDataSet(TDataSet* value) {
    TDataSet* old = engine_->DataSet();
    if (value == old) return;
    if (old) old->RemoveFreeNotification(this);
    engine_->SetDataSet(value);
    if (value) value->FreeNotification(this);
}

void TDBSumList::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove || !engine_ || !component) return;
    // The data set is past its own destructor here: forget it without calling into it.
    if (component == static_cast<TComponent*>(engine_->DataSet())) engine_->DataSetFreed(component);
}

void TDBSumList::Loaded() {
    inherited::Loaded();
    engine_->Loaded();
}

void RegisterDBSumListClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    RegisterClasses<TDBSumList>();
    RegisterProperties<TDBSumList>()
        .Bool("Active", &TDBSumList::Active, &TDBSumList::SetActive)
        .Component("DataSet", &TDBSumList::DataSet, &TDBSumList::SetDataSet)
        .Bool("ExternalRecalc", &TDBSumList::ExternalRecalc, &TDBSumList::SetExternalRecalc)
        .Bool("VirtualRecords", &TDBSumList::VirtualRecords, &TDBSumList::SetVirtualRecords)
        .Event("SumListChanged", &TDBSumList::SumListChanged, &TDBSumList::SetSumListChanged)
        .Event("OnAfterRecalcAll", &TDBSumList::OnAfterRecalcAll, &TDBSumList::SetOnAfterRecalcAll)
        .Event("OnRecalcAll", &TDBSumList::OnRecalcAll, &TDBSumList::SetOnRecalcAll);
}
