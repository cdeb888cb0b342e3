#include "FR_DBSet.h"

#include "TypeRegistry.h"

// --- TfrDataset ----------------------------------------------------------------------------------

TfrDataset::TfrDataset(TComponent* owner) : TComponent(owner) {}

void TfrDataset::GoFirst() {
    recNo_ = 0;
    if (OnFirst) OnFirst(this);
}

void TfrDataset::GoNext() {
    ++recNo_;
    if (rangeEnd_ == reCount && recNo_ >= rangeEndCount_) return;
    if (OnNext) OnNext(this);
}

void TfrDataset::GoPrior() {
    --recNo_;
    if (OnPrior) OnPrior(this);
}

bool TfrDataset::AtEnd() {
    bool eof = rangeEnd_ == reCount && recNo_ >= rangeEndCount_;
    if (OnCheckEOF) OnCheckEOF(this, eof);
    return eof;
}

// --- TfrDBDataSet --------------------------------------------------------------------------------

TfrDBDataSet::TfrDBDataSet(TComponent* owner) : TfrDataset(owner) {}

void TfrDBDataSet::SetDataSet(TDataSet* value) {
    dataSet_ = value;
    dataSource_ = nullptr;
}

void TfrDBDataSet::SetDataSource(TDataSource* value) {
    dataSource_ = value;
    if (value) dataSet_ = nullptr;
}

void TfrDBDataSet::Notification(TComponent* component, TOperation operation) {
    TfrDataset::Notification(component, operation);
    if (operation != opRemove) return;
    if (component == dataSource_) dataSource_ = nullptr;
    if (component == dataSet_) dataSet_ = nullptr;
}

TDataSet* TfrDBDataSet::SourceDataSet() const {
    if (dataSource_ && dataSource_->DataSet()) return dataSource_->DataSet();
    if (dataSet_) return dataSet_;
    throw EDSError("Unable to open dataset " + Name());
}

void TfrDBDataSet::OpenRange() {
    TDataSet* source = SourceDataSet();
    if (openDataSource_) source->Open();
    if (OnOpen) OnOpen(this);
    bookmark_.reset();
    if (RangeBegin() == rbCurrent || RangeEnd() == reCurrent) bookmark_ = frGetBookmark(source);
    eof_ = false;
}

void TfrDBDataSet::CloseRange() {
    TDataSet* source = SourceDataSet();
    if (bookmark_) {
        const TBookmark saved = std::move(*bookmark_);
        bookmark_.reset();
        frGotoBookmark(source, saved);
    }
    if (OnClose) OnClose(this);
    if (closeDataSource_) source->Close();
}

void TfrDBDataSet::GoFirst() {
    TDataSet* source = SourceDataSet();
    if (RangeBegin() == rbFirst) source->First();
    else if (bookmark_) frGotoBookmark(source, *bookmark_);
    eof_ = false;
    TfrDataset::GoFirst();
}

void TfrDBDataSet::GoNext() {
    TDataSet* source = SourceDataSet();
    eof_ = false;
    if (RangeEnd() == reCurrent && bookmark_ && frIsBookmarksEqual(source, frGetBookmark(source), *bookmark_)) {
        eof_ = true;
        return;
    }
    source->Next();
    TfrDataset::GoNext();
}

void TfrDBDataSet::GoPrior() {
    SourceDataSet()->Prior();
    TfrDataset::GoPrior();
}

bool TfrDBDataSet::AtEnd() {
    const bool general = TfrDataset::AtEnd();
    return general || SourceDataSet()->Eof() || eof_;
}

// --- Helpers -------------------------------------------------------------------------------------

TBookmark frGetBookmark(TDataSet* dataSet) { return dataSet->Bookmark(); }

void frGotoBookmark(TDataSet* dataSet, const TBookmark& bookmark) { dataSet->GotoBookmark(bookmark); }

bool frIsBookmarksEqual(TDataSet* dataSet, const TBookmark& a, const TBookmark& b) {
    return dataSet->CompareBookmarks(a, b) == 0;
}

void frGetFieldNames(TComponent* component, TStrings* list) {
    try {
        if (auto* dataSet = dynamic_cast<TDataSet*>(component)) dataSet->GetFieldNames(list);
    } catch (const std::exception&) {
    }
}

void RegisterReportDataSetClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    RegisterClasses<TfrDBDataSet>();
    RegisterProperties<TfrDataset>()
        .Enum("RangeBegin", &TfrDataset::RangeBegin, &TfrDataset::SetRangeBegin, {"rbFirst", "rbCurrent"})
        .Enum("RangeEnd", &TfrDataset::RangeEnd, &TfrDataset::SetRangeEnd, {"reLast", "reCurrent", "reCount"})
        .Int("RangeEndCount", &TfrDataset::RangeEndCount, &TfrDataset::SetRangeEndCount)
        .Event("OnFirst", &TfrDataset::OnFirst)
        .Event("OnNext", &TfrDataset::OnNext)
        .Event("OnPrior", &TfrDataset::OnPrior)
        .Event("OnCheckEOF", &TfrDataset::OnCheckEOF);
    RegisterProperties<TfrDBDataSet>()
        .Component("DataSet", &TfrDBDataSet::DataSet, &TfrDBDataSet::SetDataSet)
        .Component("DataSource", &TfrDBDataSet::DataSource, &TfrDBDataSet::SetDataSource)
        .Bool("OpenDataSource", &TfrDBDataSet::OpenDataSource, &TfrDBDataSet::SetOpenDataSource)
        .Bool("CloseDataSource", &TfrDBDataSet::CloseDataSource, &TfrDBDataSet::SetCloseDataSource)
        .Event("OnOpen", &TfrDBDataSet::OnOpen)
        .Event("OnClose", &TfrDBDataSet::OnClose);
}
