// Aggregates kept over a data set: sums, averages and counts.
//
// The engine walks the data set once when it opens (and again when its filter, sort order or master
// record changes) and afterwards keeps every aggregate in step by the difference between a record's
// old and new value, through the data set's listener lists (a handler a form assigned stays where it
// is). Values are currency numbers: the value times 10000. A value that cannot be read as a number
// counts as Null.
//
// Classes in this file:
//   TDBSum              one aggregate (operation, field name, value)
//   TDBSumCollection    the engine's aggregates
//   TDBSumListProducer  the engine: hooks a data set and keeps the aggregates
//   TDBSumList          a component that owns one engine (placed on forms)
#pragma once

#include "Component.h"
#include "DB.h"
#include "Events.h"

#include <cstdint>
#include <memory>
#include <vector>

enum TGroupOperation { goSum, goAvg, goCount };

class TDBSumCollection;
class TDBSumListProducer;

class TDBSum : public TPersistent {
    VESTREL_CLASS(TDBSum, TPersistent)
public:
    explicit TDBSum(TDBSumCollection* collection) : collection_(collection) {}
    void Assign(TPersistent* source) override;

    const String& FieldName() const { return fieldName_; }
    void SetFieldName(const String& value);
    TGroupOperation GroupOperation() const { return operation_; }
    void SetGroupOperation(TGroupOperation value);

    // The sum, the average or the count, in currency units.
    std::int64_t SumValue() const { return value_; }
    void SetSumValue(std::int64_t value) { value_ = value; }
    // The number of non-null values (averages).
    int AvgCount() const { return count_; }
    // Whether the item takes part in the walk and the updates.
    bool TakesPart() const { return operation_ == goCount || !fieldName_.empty(); }

private:
    friend class TDBSumListProducer;
    void Changed();
    // The current row's amount into `raw`; false when the row holds no number for this item.
    bool ReadRow(TDataSet* ds, std::int64_t& raw) const;
    // Keeps what the row adds, so that a later post or delete can take it off again.
    void RememberRow(bool present, std::int64_t raw);
    TDBSumCollection* collection_;
    String fieldName_;
    TGroupOperation operation_ = goSum;
    std::int64_t oldValue_ = 0;   // the value before the current edit
    int count_ = 0;               // non-null values (averages)
    std::int64_t avgSum_ = 0;     // the sum behind the average
    bool oldWasNull_ = true;      // the value before the edit was Null (averages)
    std::int64_t value_ = 0;
};

class TDBSumCollection {
public:
    explicit TDBSumCollection(TDBSumListProducer* engine) : engine_(engine) {}
    TDBSumCollection(const TDBSumCollection&) = delete;
    TDBSumCollection& operator=(const TDBSumCollection&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    TDBSum* Items(int index) const { return items_.at(static_cast<std::size_t>(index)).get(); }
    TDBSum* Add();
    // Frees `item` (nothing when it is not one of these).
    void Delete(TDBSum* item);
    void Clear();
    // The first item of `operation` whose field name equals `fieldName` ignoring case, or nullptr.
    TDBSum* FindSum(TGroupOperation operation, const String& fieldName) const;
    void Assign(const TDBSumCollection& other);

    // Changes between these report once, at the last EndUpdate.
    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();
    // Asks the engine to recalculate (unless updates are held or its owner is loading or going).
    void Update();

private:
    TDBSumListProducer* engine_;
    std::vector<std::unique_ptr<TDBSum>> items_;
    int updateCount_ = 0;
};

class TDBSumListProducer : public TPersistent {
    VESTREL_CLASS(TDBSumListProducer, TPersistent)
public:
    // `owner` decides the loading and designing states (may be nullptr).
    explicit TDBSumListProducer(TComponent* owner);
    ~TDBSumListProducer() override;
    void Assign(TPersistent* source) override;

    bool Active() const { return active_; }
    void SetActive(bool value);
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* value);
    bool ExternalRecalc() const { return externalRecalc_; }
    void SetExternalRecalc(bool value);
    bool VirtualRecords() const { return virtualRecords_; }
    void SetVirtualRecords(bool value);
    TDBSumCollection* SumCollection() { return &sums_; }
    const TDBSumCollection* SumCollection() const { return &sums_; }
    bool Hooked() const { return hooked_; }

    void SwitchOn(bool recalc);
    void SwitchOff(bool clear);
    virtual void HookDataSetEvents();
    virtual void UnhookDataSetEvents();
    // Walks the data set and computes every aggregate again; the data set ends on its first record.
    virtual void RecomputeAll();
    // Every aggregate to 0, then SumListChanged.
    void ResetSums();
    virtual void Loaded();

    // Record numbers (the data set's; 0 and not sequenced without an open one).
    virtual bool IsSequenced() const;
    virtual int RecNo() const;
    virtual void SetRecNo(int value);
    virtual int RecordCount() const;

    // Forgets a data set that is being freed (or its master) without calling into it.
    void DataSetFreed(const TComponent* dataSet);
    TDataSet* MasterDataSet() const { return master_; }

    // The value of the aggregate of `operation` over `fieldName` (empty: a count of every record)
    // in currency units; false when there is none.
    bool FindAggregate(TGroupOperation operation, const String& fieldName, std::int64_t& value) const;

    TNotifyEvent SumListChanged;
    TNotifyEvent OnRecalcAll;
    TNotifyEvent OnAfterRecalcAll;

protected:
    // The engine does nothing while its owner is loading, or being designed without this switch.
    bool designTimeWork_ = false;
    bool Idle() const;
    bool OwnerLoadingOrGoing() const;
    void SetActiveField(bool value) { active_ = value; }
    // Hooked flag only (designing engines set it without touching the data set).
    void SetHookedFlag(bool value) { hooked_ = value; }
    void DoSumListChanged();

private:
    friend class TDBSumCollection;
    void ClearValues();
    void AfterEditHandler(TDataSet* ds);
    void AfterInsertHandler(TDataSet* ds);
    void AfterPostHandler(TDataSet* ds);
    void BeforeDeleteHandler(TDataSet* ds);
    void AfterDeleteHandler(TDataSet* ds);
    void AfterScrollHandler(TDataSet* ds);
    void MasterAfterScrollHandler(TDataSet* ds);
    void AfterOpenHandler(TDataSet* ds);
    void AfterCloseHandler(TDataSet* ds);

    void WatchMaster(TDataSet* master);

    class TMasterWatch;
    TComponent* owner_;
    TDBSumCollection sums_;
    TDataSet* dataSet_ = nullptr;
    TDataSet* master_ = nullptr;
    std::unique_ptr<TMasterWatch> masterWatch_;  // hears of the master's free, whoever owns the engine
    bool active_ = true;
    bool externalRecalc_ = false;
    bool virtualRecords_ = false;
    bool hooked_ = false;
    bool recalculating_ = false;
    bool deletePending_ = false;  // a record's share waits for its delete to succeed
    bool lastFiltered_ = false;
    String lastFilter_;
    std::uint64_t lastOrder_ = 0;
};

// The value of `field` in currency units; false for Null and for a value that is not a number.
bool ReadSumAmount(TField* field, std::int64_t& raw);

// The master of a detail data set: the data set of the data source in its published "MasterSource"
// property, or nullptr.
TDataSet* FindMasterDataSet(TDataSet* dataSet);

class TDBSumList : public TComponent {
    VESTREL_CLASS(TDBSumList, TComponent)
public:
    explicit TDBSumList(TComponent* owner);
    ~TDBSumList() override;

    bool Active() const { return engine_->Active(); }
    void SetActive(bool value) { engine_->SetActive(value); }
    TDataSet* DataSet() const { return engine_->DataSet(); }
    void SetDataSet(TDataSet* value);
    bool ExternalRecalc() const { return engine_->ExternalRecalc(); }
    void SetExternalRecalc(bool value) { engine_->SetExternalRecalc(value); }
    bool VirtualRecords() const { return engine_->VirtualRecords(); }
    void SetVirtualRecords(bool value) { engine_->SetVirtualRecords(value); }
    TDBSumCollection* SumCollection() const { return engine_->SumCollection(); }
    TDBSumListProducer* Engine() const { return engine_.get(); }

    virtual void ResetSums() { engine_->ResetSums(); }
    virtual void RecomputeAll() { engine_->RecomputeAll(); }

    // Events of the engine (sender the engine).
    TNotifyEvent SumListChanged() const { return engine_->SumListChanged; }
    void SetSumListChanged(TNotifyEvent value) { engine_->SumListChanged = value; }
    TNotifyEvent OnRecalcAll() const { return engine_->OnRecalcAll; }
    void SetOnRecalcAll(TNotifyEvent value) { engine_->OnRecalcAll = value; }
    TNotifyEvent OnAfterRecalcAll() const { return engine_->OnAfterRecalcAll; }
    void SetOnAfterRecalcAll(TNotifyEvent value) { engine_->OnAfterRecalcAll = value; }

protected:
    void Notification(TComponent* component, TOperation operation) override;
    void Loaded() override;

private:
    std::unique_ptr<TDBSumListProducer> engine_;
};

// Registers TDBSumList and its properties for form loading (once).
void RegisterDBSumListClasses();
