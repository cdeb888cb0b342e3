#include "ActnList.h"

#include "ImgList.h"
#include "StdActns.h"
#include "TypeRegistry.h"

#include <algorithm>

// ---- Links ------------------------------------------------------------------------------------------

TBasicActionLink::~TBasicActionLink() {
    *alive_ = false;
    if (action_)
        action_->UnRegisterChanges(this);
}

void TBasicActionLink::SetAction(TBasicAction* value) {
    if (action_ == value)
        return;
    if (action_)
        action_->UnRegisterChanges(this);
    action_ = value;
    if (action_) {
        action_->RegisterChanges(this);
        ActionChanged();
    }
}

void TBasicActionLink::ActionDestroyed() {
    action_ = nullptr;
}

bool TBasicActionLink::ClientLoading() const {
    const auto* component = dynamic_cast<const TComponent*>(client_);
    return component && (component->ComponentState() & csLoading) != 0;
}

bool TBasicActionLink::Execute(TComponent* component) {
    if (!action_)
        return false;
    // The handler may free the action, or the client and with it this link.
    const std::shared_ptr<bool> alive = alive_;
    action_->SetActionComponent(component);
    bool result = false;
    try {
        result = action_->Execute();
    } catch (...) {
        if (*alive && action_)
            action_->SetActionComponent(nullptr);
        throw;
    }
    if (*alive && action_)
        action_->SetActionComponent(nullptr);
    return result;
}

bool TBasicActionLink::Update() {
    return action_ && action_->Update();
}

void TActionLink::ActionChanged() {
    auto* action = dynamic_cast<TCustomAction*>(Action());
    if (!action)
        return;
    const bool loading = ClientLoading();
    auto take = [&](TLinkedProperty property) { return !loading || ClientHasDefault(property); };
    if (take(TLinkedProperty::Caption))
        SetCaption(action->Caption());
    if (take(TLinkedProperty::Checked))
        SetChecked(action->Checked());
    if (take(TLinkedProperty::Enabled))
        SetEnabled(action->Enabled());
    if (take(TLinkedProperty::Hint))
        SetHint(action->Hint());
    if (take(TLinkedProperty::ImageIndex))
        SetImageIndex(action->ImageIndex());
    if (take(TLinkedProperty::ShortCut))
        SetShortCut(action->ShortCut());
    if (take(TLinkedProperty::Visible))
        SetVisible(action->Visible());
}

void TControlActionLink::SetCaption(const String& value) {
    Control()->SetCaption(value);
}

void TControlActionLink::SetEnabled(bool value) {
    Control()->SetEnabled(value);
}

void TControlActionLink::SetHint(const String& value) {
    Control()->SetHint(value);
}

void TControlActionLink::SetVisible(bool value) {
    Control()->SetVisible(value);
}

bool TControlActionLink::ClientHasDefault(TLinkedProperty property) const {
    TControl* control = Control();
    switch (property) {
    case TLinkedProperty::Caption: {
        const String caption = control->Caption();
        return caption.empty() || caption == control->Name();
    }
    case TLinkedProperty::Enabled: return control->Enabled();
    case TLinkedProperty::Hint: return control->Hint().empty();
    case TLinkedProperty::Visible: return control->Visible();
    default: return true;
    }
}

// ---- TBasicAction -----------------------------------------------------------------------------------

TBasicAction::TBasicAction(TComponent* owner) : TComponent(owner) {}

TBasicAction::~TBasicAction() {
    const std::vector<TBasicActionLink*> clients = std::move(clients_);
    clients_.clear();
    for (TBasicActionLink* link : clients)
        link->ActionDestroyed();
    if (actionComponent_)
        actionComponent_->RemoveFreeNotification(this);
}

void TBasicAction::SetActionComponent(TComponent* value) {
    if (actionComponent_ == value)
        return;
    if (actionComponent_)
        actionComponent_->RemoveFreeNotification(this);
    actionComponent_ = value;
    if (actionComponent_)
        actionComponent_->FreeNotification(this);
}

namespace {

// Offers an action to the control with the focus, then to its parents, until a target takes it.
template <class F>
bool OfferToFocusedControl(F&& offer) {
    for (TWinControl* control = FindControl(GetFocus()); control; control = control->Parent())
        if (auto* target = dynamic_cast<TActionTarget*>(control))
            if (offer(target))
                return true;
    return false;
}

}  // namespace

bool TBasicAction::Execute() {
    if (!OnExecute)
        return OfferToFocusedControl([this](TActionTarget* target) { return target->ExecuteAction(this); });
    OnExecute(this);
    return true;
}

bool TBasicAction::Update() {
    if (!OnUpdate)
        return OfferToFocusedControl([this](TActionTarget* target) { return target->UpdateAction(this); });
    OnUpdate(this);
    return true;
}

void TBasicAction::RegisterChanges(TBasicActionLink* link) {
    if (link && !IsClient(link))
        clients_.push_back(link);
}

void TBasicAction::UnRegisterChanges(TBasicActionLink* link) {
    std::erase(clients_, link);
}

bool TBasicAction::IsClient(TBasicActionLink* link) const {
    return std::find(clients_.begin(), clients_.end(), link) != clients_.end();
}

void TBasicAction::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation == opRemove && component == actionComponent_)
        actionComponent_ = nullptr;
}

void TBasicAction::Change() {
    if (OnChange)
        OnChange(this);
    const std::vector<TBasicActionLink*> clients = clients_;
    for (TBasicActionLink* link : clients)
        if (IsClient(link))
            link->ActionChanged();
}

// ---- TContainedAction -------------------------------------------------------------------------------

TContainedAction::~TContainedAction() {
    if (actionList_)
        actionList_->RemoveAction(this);
}

void TContainedAction::SetActionList(TCustomActionList* value) {
    if (actionList_ == value)
        return;
    if (actionList_)
        actionList_->RemoveAction(this);
    if (value)
        value->AddAction(this);
}

void TContainedAction::SetCategory(const String& value) {
    if (category_ == value)
        return;
    category_ = value;
    if (actionList_)
        actionList_->Change();
}

int TContainedAction::Index() const {
    if (!actionList_)
        return -1;
    const auto& actions = actionList_->actions_;
    const auto it = std::find(actions.begin(), actions.end(), this);
    return it == actions.end() ? -1 : static_cast<int>(it - actions.begin());
}

void TContainedAction::SetIndex(int value) {
    if (actionList_)
        actionList_->MoveAction(this, value);
}

bool TContainedAction::Execute() {
    if (actionList_ && actionList_->ExecuteAction(this))
        return true;
    return inherited::Execute();
}

bool TContainedAction::Update() {
    if (actionList_ && actionList_->UpdateAction(this))
        return true;
    return inherited::Update();
}

void TContainedAction::SetParentComponent(TComponent* parent) {
    if (auto* list = dynamic_cast<TCustomActionList*>(parent))
        SetActionList(list);
}

TComponent* TContainedAction::GetParentComponent() const {
    return actionList_;
}

// ---- TCustomAction ----------------------------------------------------------------------------------

void TCustomAction::SetCaption(const String& value) {
    if (caption_ == value)
        return;
    caption_ = value;
    ForEachLink([&](TActionLink& link) { link.SetCaption(value); });
    inherited::Change();
}

void TCustomAction::SetChecked(bool value) {
    if (checked_ == value)
        return;
    checked_ = value;
    ForEachLink([&](TActionLink& link) { link.SetChecked(value); });
    if (value && groupIndex_ > 0 && ActionList()) {
        for (int i = 0; i < ActionList()->ActionCount(); ++i) {
            auto* other = dynamic_cast<TCustomAction*>(ActionList()->Actions(i));
            if (other && other != this && other->groupIndex_ == groupIndex_)
                other->SetChecked(false);
        }
    }
    inherited::Change();
}

void TCustomAction::SetEnabled(bool value) {
    if (enabled_ == value)
        return;
    enabled_ = value;
    ForEachLink([&](TActionLink& link) { link.SetEnabled(value); });
    inherited::Change();
}

void TCustomAction::SetHint(const String& value) {
    if (hint_ == value)
        return;
    hint_ = value;
    ForEachLink([&](TActionLink& link) { link.SetHint(value); });
    inherited::Change();
}

void TCustomAction::SetImageIndex(int value) {
    if (imageIndex_ == value)
        return;
    imageIndex_ = value;
    ForEachLink([&](TActionLink& link) { link.SetImageIndex(value); });
    inherited::Change();
}

void TCustomAction::SetShortCut(TShortCut value) {
    if (shortCut_ == value)
        return;
    shortCut_ = value;
    ForEachLink([&](TActionLink& link) { link.SetShortCut(value); });
    inherited::Change();
}

void TCustomAction::SetVisible(bool value) {
    if (visible_ == value)
        return;
    visible_ = value;
    ForEachLink([&](TActionLink& link) { link.SetVisible(value); });
    inherited::Change();
}

void TCustomAction::SetGroupIndex(int value) {
    if (groupIndex_ == value)
        return;
    groupIndex_ = value;
    inherited::Change();
}

bool TCustomAction::Execute() {
    Update();
    if (!enabled_)
        return false;
    return inherited::Execute();
}

// ---- TCustomActionList ------------------------------------------------------------------------------

TCustomActionList::TCustomActionList(TComponent* owner) : TComponent(owner) {}

TCustomActionList::~TCustomActionList() {
    for (TContainedAction* action : actions_)
        action->actionList_ = nullptr;
    actions_.clear();
    if (images_)
        images_->RemoveFreeNotification(this);
}

TContainedAction* TCustomActionList::Actions(int index) const {
    if (index < 0 || index >= ActionCount())
        throw EListError("Action list '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    return actions_[static_cast<std::size_t>(index)];
}

TContainedAction* TCustomActionList::FindAction(const String& name) const {
    for (TContainedAction* action : actions_)
        if (!name.empty() && SameText(action->Name(), name))
            return action;
    return nullptr;
}

void TCustomActionList::SetImages(TCustomImageList* value) {
    if (images_ == value)
        return;
    if (images_)
        images_->RemoveFreeNotification(this);
    images_ = value;
    if (images_)
        images_->FreeNotification(this);
    Change();
}

bool TCustomActionList::ExecuteAction(TBasicAction* action) {
    bool handled = false;
    if (OnExecute)
        OnExecute(action, handled);
    return handled;
}

bool TCustomActionList::UpdateAction(TBasicAction* action) {
    bool handled = false;
    if (OnUpdate)
        OnUpdate(action, handled);
    return handled;
}

bool TCustomActionList::IsShortCut(const TWMKey& message) {
    const TShortCut key = ShortCutFromMessage(message);
    if (key == scNone)
        return false;
    const std::vector<TContainedAction*> actions = actions_;
    for (TContainedAction* action : actions) {
        auto* custom = dynamic_cast<TCustomAction*>(action);
        if (custom && custom->ShortCut() == key)
            return custom->HandleShortCut();
    }
    return false;
}

void TCustomActionList::Notification(TComponent* component, TOperation operation) {
    inherited::Notification(component, operation);
    if (operation != opRemove)
        return;
    // The component may be half destroyed: compare addresses only.
    if (static_cast<TComponent*>(images_) == component)
        images_ = nullptr;
    for (TContainedAction* action : actions_)
        if (static_cast<TComponent*>(action) == component)
            action->actionList_ = nullptr;
    std::erase_if(actions_, [component](TContainedAction* a) { return static_cast<TComponent*>(a) == component; });
}

void TCustomActionList::AddAction(TContainedAction* action) {
    actions_.push_back(action);
    action->actionList_ = this;
    action->FreeNotification(this);
    Change();
}

void TCustomActionList::RemoveAction(TContainedAction* action) {
    std::erase(actions_, action);
    if (action->actionList_ == this)
        action->actionList_ = nullptr;
    Change();
}

void TCustomActionList::MoveAction(TContainedAction* action, int index) {
    const auto it = std::find(actions_.begin(), actions_.end(), action);
    if (it == actions_.end())
        return;
    if (index < 0 || index >= ActionCount())
        throw EListError("Action list '" + Name() + "': index " + std::to_string(index) + " out of bounds");
    actions_.erase(it);
    actions_.insert(actions_.begin() + index, action);
    Change();
}

void TCustomActionList::Change() {
    if ((ComponentState() & (csLoading | csDestroying)) != 0)
        return;
    if (OnChange)
        OnChange(this);
}

// ---- Registration -----------------------------------------------------------------------------------

void RegisterActnListClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    RegisterControlsClasses();
    RegisterImgListClasses();
    RegisterClasses<TAction, TActionList, TEditCut, TEditCopy, TEditPaste, TEditSelectAll, TEditDelete>();
    RegisterProperties<TBasicAction>()
        .Event("OnExecute", &TBasicAction::OnExecute)
        .Event("OnUpdate", &TBasicAction::OnUpdate);
    RegisterProperties<TContainedAction>().Str("Category", &TContainedAction::Category,
                                               &TContainedAction::SetCategory);
    RegisterProperties<TCustomAction>()
        .Str("Caption", &TCustomAction::Caption, &TCustomAction::SetCaption)
        .Bool("Checked", &TCustomAction::Checked, &TCustomAction::SetChecked)
        .Bool("Enabled", &TCustomAction::Enabled, &TCustomAction::SetEnabled)
        .Str("Hint", &TCustomAction::Hint, &TCustomAction::SetHint)
        .Int("ImageIndex", &TCustomAction::ImageIndex, &TCustomAction::SetImageIndex)
        .Int("ShortCut", &TCustomAction::ShortCut, &TCustomAction::SetShortCut)
        .Bool("Visible", &TCustomAction::Visible, &TCustomAction::SetVisible)
        .Int("GroupIndex", &TCustomAction::GroupIndex, &TCustomAction::SetGroupIndex);
    RegisterProperties<TCustomActionList>()
        .Component("Images", &TCustomActionList::Images, &TCustomActionList::SetImages)
        .Event("OnExecute", &TCustomActionList::OnExecute)
        .Event("OnUpdate", &TCustomActionList::OnUpdate)
        .Event("OnChange", &TCustomActionList::OnChange);
}
