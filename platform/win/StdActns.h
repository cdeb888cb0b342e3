// Standard actions: actions without handlers of their own, carried out by the control that has the
// focus (or one of its parents) when that control knows them.
//
// Classes in this file:
//   TActionTarget   what a control implements to carry out (and enable) such actions
//   TEditAction     the edit actions: TEditCut, TEditCopy, TEditPaste, TEditSelectAll, TEditDelete
//
// An action whose list and own OnExecute (OnUpdate) leave it unhandled is offered to the focused
// control and then to its parents; the first TActionTarget that answers true took it.
//
// Not yet: the edit actions on the standard edit controls (only TActionTarget controls carry them
// out), other standard actions.
#pragma once

#include "ActnList.h"

class TActionTarget {
public:
    virtual ~TActionTarget() = default;
    // True when this control carried out `action` (updated it): the offer ends there.
    virtual bool ExecuteAction(TBasicAction* action) = 0;
    virtual bool UpdateAction(TBasicAction* action) = 0;
};

class TEditAction : public TAction {
    VESTREL_CLASS(TEditAction, TAction)
public:
    using TAction::TAction;
};

class TEditCut : public TEditAction {
    VESTREL_CLASS(TEditCut, TEditAction)
public:
    using TEditAction::TEditAction;
};

class TEditCopy : public TEditAction {
    VESTREL_CLASS(TEditCopy, TEditAction)
public:
    using TEditAction::TEditAction;
};

class TEditPaste : public TEditAction {
    VESTREL_CLASS(TEditPaste, TEditAction)
public:
    using TEditAction::TEditAction;
};

class TEditSelectAll : public TEditAction {
    VESTREL_CLASS(TEditSelectAll, TEditAction)
public:
    using TEditAction::TEditAction;
};

class TEditDelete : public TEditAction {
    VESTREL_CLASS(TEditDelete, TEditAction)
public:
    using TEditAction::TEditAction;
};
