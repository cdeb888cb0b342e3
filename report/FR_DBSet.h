// Report data sets: TfrDataset counts the records of a walk and leaves the data to its events;
// TfrDBDataSet walks a data set (directly or through a data source) over a range.
//
// A walk is OpenRange, GoFirst, GoNext until AtEnd, then CloseRange. The data set is not opened or
// moved before a walk. No free notification is asked of the data set or the data source: the
// component relies on sharing their owner, whose removal notice clears the reference.
#pragma once

#include "DB.h"

#include <optional>

VESTREL_EXCEPTION(EDSError, EDatabaseError);

enum TRangeBegin { rbFirst, rbCurrent };
enum TRangeEnd { reLast, reCurrent, reCount };
using TCheckEOFEvent = TEvent<void(TObject* Sender, bool& Eof)>;

class TfrDataset : public TComponent {
    VESTREL_CLASS(TfrDataset, TComponent)
public:
    explicit TfrDataset(TComponent* owner);

    TRangeBegin RangeBegin() const { return rangeBegin_; }
    void SetRangeBegin(TRangeBegin value) { rangeBegin_ = value; }
    TRangeEnd RangeEnd() const { return rangeEnd_; }
    void SetRangeEnd(TRangeEnd value) { rangeEnd_ = value; }
    int RangeEndCount() const { return rangeEndCount_; }
    void SetRangeEndCount(int value) { rangeEndCount_ = value; }
    // GoNext steps since GoFirst.
    int RecNo() const { return recNo_; }

    virtual void OpenRange() {}
    virtual void CloseRange() {}
    virtual void GoFirst();
    virtual void GoNext();
    virtual void GoPrior();
    virtual bool AtEnd();

    TNotifyEvent OnFirst, OnNext, OnPrior;
    TCheckEOFEvent OnCheckEOF;

private:
    TRangeBegin rangeBegin_ = rbFirst;
    TRangeEnd rangeEnd_ = reLast;
    int rangeEndCount_ = 0;
    int recNo_ = 0;
};

class TfrDBDataSet : public TfrDataset {
    VESTREL_CLASS(TfrDBDataSet, TfrDataset)
public:
    explicit TfrDBDataSet(TComponent* owner);

    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* value);        // clears DataSource
    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* value);  // a data source clears DataSet
    bool OpenDataSource() const { return openDataSource_; }
    void SetOpenDataSource(bool value) { openDataSource_ = value; }
    bool CloseDataSource() const { return closeDataSource_; }
    void SetCloseDataSource(bool value) { closeDataSource_ = value; }

    // The data set walked: the data source's, else DataSet; EDSError "Unable to open dataset
    // <Name>" when there is none.
    TDataSet* SourceDataSet() const;

    void OpenRange() override;
    void CloseRange() override;
    void GoFirst() override;
    void GoNext() override;
    void GoPrior() override;
    bool AtEnd() override;

    TNotifyEvent OnOpen, OnClose;

protected:
    void Notification(TComponent* component, TOperation operation) override;

private:
    TDataSet* dataSet_ = nullptr;
    TDataSource* dataSource_ = nullptr;
    bool openDataSource_ = true;
    bool closeDataSource_ = false;
    std::optional<TBookmark> bookmark_;
    bool eof_ = false;
};

// Bookmark helpers of the report core.
TBookmark frGetBookmark(TDataSet* dataSet);
void frGotoBookmark(TDataSet* dataSet, const TBookmark& bookmark);
bool frIsBookmarksEqual(TDataSet* dataSet, const TBookmark& a, const TBookmark& b);
// The field names of a data set (other components give none); errors are swallowed.
void frGetFieldNames(TComponent* component, TStrings* list);

// Registers the report data-set classes and their properties for form descriptions.
void RegisterReportDataSetClasses();
