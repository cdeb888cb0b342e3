// Data-set actions: actions that move through, edit or refresh the data set of a data source.
//
// Classes in this file:
//   TDataSetAction   the base: its DataSource, or (none set) the source of the focused data-aware
//                    control whose link offers it
//   TDataSetFirst, TDataSetPrior, TDataSetNext, TDataSetLast     moving
//   TDataSetInsert, TDataSetDelete, TDataSetEdit, TDataSetPost, TDataSetCancel   editing
//   TDataSetRefresh  re-reading
//
// An action without OnExecute goes to the focused control and its parents (StdActns.h); a
// data-aware control's link runs it on its own source. An action with a DataSource of its own
// works only on that source, and runs on it also when no focused control took it. Each action is
// enabled only when its data set can do it (Update): First and Prior not at the beginning, Next
// and Last not at the end, Insert, Edit and Delete when the data set can be modified (Edit and
// Delete: browsing a record), Post and Cancel while editing or inserting, Refresh while open.
//
// Not yet: the actions in form descriptions.
#pragma once

#include "ActnList.h"
#include "DB.h"

class TDataSetAction : public TAction, public TDataSourceAction {
    VESTREL_CLASS(TDataSetAction, TAction)
public:
    explicit TDataSetAction(TComponent* owner) : TAction(owner) {}
    ~TDataSetAction() override;

    TDataSource* DataSource() const { return dataSource_; }
    void SetDataSource(TDataSource* value);

    bool Execute() override;
    bool Update() override;

    bool HandlesTarget(TObject* target) override;
    void ExecuteTarget(TObject* target) override;
    void UpdateTarget(TObject* target) override;

    void Notification(TComponent* component, TOperation operation) override;

protected:
    // The data set of `target` (a TDataSource the action handles).
    static TDataSet* GetDataSet(TObject* target);
    // What the action does to an open data set, and whether it can now.
    virtual void Run(TDataSet* dataSet) = 0;
    virtual bool CanRun(TDataSet* dataSet) = 0;

private:
    TDataSource* dataSource_ = nullptr;
};

class TDataSetFirst : public TDataSetAction {
    VESTREL_CLASS(TDataSetFirst, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetPrior : public TDataSetAction {
    VESTREL_CLASS(TDataSetPrior, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetNext : public TDataSetAction {
    VESTREL_CLASS(TDataSetNext, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetLast : public TDataSetAction {
    VESTREL_CLASS(TDataSetLast, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetInsert : public TDataSetAction {
    VESTREL_CLASS(TDataSetInsert, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetDelete : public TDataSetAction {
    VESTREL_CLASS(TDataSetDelete, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetEdit : public TDataSetAction {
    VESTREL_CLASS(TDataSetEdit, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetPost : public TDataSetAction {
    VESTREL_CLASS(TDataSetPost, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetCancel : public TDataSetAction {
    VESTREL_CLASS(TDataSetCancel, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};

class TDataSetRefresh : public TDataSetAction {
    VESTREL_CLASS(TDataSetRefresh, TDataSetAction)
public:
    using TDataSetAction::TDataSetAction;

protected:
    void Run(TDataSet* dataSet) override;
    bool CanRun(TDataSet* dataSet) override;
};
