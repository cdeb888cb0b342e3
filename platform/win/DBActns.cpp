#include "DBActns.h"

// ---- TDataSetAction ---------------------------------------------------------------------------------

TDataSetAction::~TDataSetAction() {
    SetDataSource(nullptr);
}

void TDataSetAction::SetDataSource(TDataSource* value) {
    if (dataSource_ == value)
        return;
    if (dataSource_)
        dataSource_->RemoveFreeNotification(this);
    dataSource_ = value;
    if (dataSource_)
        dataSource_->FreeNotification(this);
}

void TDataSetAction::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == dataSource_)
        dataSource_ = nullptr;
}

bool TDataSetAction::Execute() {
    if (inherited::Execute())
        return true;
    // No control took it: the action's own source, when it has one.
    if (!Enabled() || !dataSource_ || !HandlesTarget(dataSource_))
        return false;
    ExecuteTarget(dataSource_);
    return true;
}

bool TDataSetAction::Update() {
    if (inherited::Update())
        return true;
    if (!dataSource_ || !HandlesTarget(dataSource_))
        return false;
    UpdateTarget(dataSource_);
    return true;
}

TDataSet* TDataSetAction::GetDataSet(TObject* target) {
    auto* source = dynamic_cast<TDataSource*>(target);
    return source ? source->DataSet() : nullptr;
}

bool TDataSetAction::HandlesTarget(TObject* target) {
    auto* source = dynamic_cast<TDataSource*>(target);
    return source && source->DataSet() && (!dataSource_ || source == dataSource_);
}

void TDataSetAction::ExecuteTarget(TObject* target) {
    TDataSet* dataSet = GetDataSet(target);
    if (dataSet && dataSet->Active() && CanRun(dataSet))
        Run(dataSet);
}

void TDataSetAction::UpdateTarget(TObject* target) {
    TDataSet* dataSet = GetDataSet(target);
    SetEnabled(dataSet && dataSet->Active() && CanRun(dataSet));
}

// ---- The actions ------------------------------------------------------------------------------------

namespace {

bool EditingOrInserting(const TDataSet* dataSet) {
    return dataSet->State() == dsEdit || dataSet->State() == dsInsert;
}

bool BrowsingARecord(const TDataSet* dataSet) {
    return dataSet->State() == dsBrowse && !dataSet->IsEmpty();
}

}  // namespace

void TDataSetFirst::Run(TDataSet* dataSet) { dataSet->First(); }
bool TDataSetFirst::CanRun(TDataSet* dataSet) { return !dataSet->Bof(); }

void TDataSetPrior::Run(TDataSet* dataSet) { dataSet->Prior(); }
bool TDataSetPrior::CanRun(TDataSet* dataSet) { return !dataSet->Bof(); }

void TDataSetNext::Run(TDataSet* dataSet) { dataSet->Next(); }
bool TDataSetNext::CanRun(TDataSet* dataSet) { return !dataSet->Eof(); }

void TDataSetLast::Run(TDataSet* dataSet) { dataSet->Last(); }
bool TDataSetLast::CanRun(TDataSet* dataSet) { return !dataSet->Eof(); }

void TDataSetInsert::Run(TDataSet* dataSet) { dataSet->Insert(); }
bool TDataSetInsert::CanRun(TDataSet* dataSet) { return dataSet->CanModify(); }

void TDataSetDelete::Run(TDataSet* dataSet) { dataSet->Delete(); }
bool TDataSetDelete::CanRun(TDataSet* dataSet) { return dataSet->CanModify() && BrowsingARecord(dataSet); }

void TDataSetEdit::Run(TDataSet* dataSet) { dataSet->Edit(); }
bool TDataSetEdit::CanRun(TDataSet* dataSet) { return dataSet->CanModify() && BrowsingARecord(dataSet); }

void TDataSetPost::Run(TDataSet* dataSet) { dataSet->Post(); }
bool TDataSetPost::CanRun(TDataSet* dataSet) { return EditingOrInserting(dataSet); }

void TDataSetCancel::Run(TDataSet* dataSet) { dataSet->Cancel(); }
bool TDataSetCancel::CanRun(TDataSet* dataSet) { return EditingOrInserting(dataSet); }

void TDataSetRefresh::Run(TDataSet* dataSet) { dataSet->Refresh(); }
bool TDataSetRefresh::CanRun(TDataSet*) { return true; }
