#include "Component.h"

#include "Encoding.h"
#include "FormReader.h"

#include <algorithm>

namespace {

bool IsIdentStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_';
}

bool IsValidComponentName(const String& name) {
    if (name.empty() || !IsIdentStart(name[0]))
        return false;
    return std::all_of(name.begin() + 1, name.end(),
                       [](char c) { return IsIdentStart(c) || (c >= '0' && c <= '9'); });
}

std::vector<TComponent*>& Roots() {
    static std::vector<TComponent*> roots;
    return roots;
}

void Erase(std::vector<TComponent*>& list, TComponent* item) {
    auto it = std::find(list.begin(), list.end(), item);
    if (it != list.end())
        list.erase(it);
}

}  // namespace

TComponent::TComponent(TComponent* owner) {
    if (owner) {
        owner->Insert(this);
        if (owner->state_ & csDesigning)
            state_ |= csDesigning;
    }
}

TComponent::~TComponent() {
    Destroying();
    if (registeredRoot_)
        UnregisterRootComponent(this);
    RemoveFreeNotifications();
    DestroyComponents();
    if (owner_)
        owner_->RemoveComponent(this);
}

void TComponent::AfterConstruction() {
    inherited::AfterConstruction();
    if (owner_)
        owner_->Notification(this, opInsert);
}

void TComponent::BeforeDestruction() {
    inherited::BeforeDestruction();
    Destroying();
}

void TComponent::Free() {
    BeforeDestruction();
    delete this;
}

void TComponent::SetName(const String& newName) {
    if (name_ == newName)
        return;
    if (!newName.empty() && !IsValidComponentName(newName))
        throw EComponentError("\"" + newName + "\" is not a valid component name");
    if (owner_)
        owner_->ValidateRename(this, name_, newName);
    else
        ValidateRename(nullptr, name_, newName);
    name_ = newName;
}

void TComponent::ValidateRename(TComponent* component, const String& curName, const String& newName) {
    if (!component || newName.empty() || SameText(curName, newName))
        return;
    TComponent* found = FindComponent(newName);
    if (found && found != component)
        throw EComponentError("A component named " + newName + " already exists");
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount())
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
    return components_[static_cast<std::size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!owner_)
        return -1;
    const auto& list = owner_->components_;
    return static_cast<int>(std::find(list.begin(), list.end(), this) - list.begin());
}

TComponent* TComponent::FindComponent(const String& name) const {
    if (name.empty())
        return nullptr;
    for (TComponent* c : components_)
        if (SameText(c->name_, name))
            return c;
    return nullptr;
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component || component->owner_ == this)
        return;
    for (const TComponent* c = this; c; c = c->owner_)
        if (c == component)
            throw EComponentError("A component cannot own itself or one of its owners");
    ValidateRename(component, "", component->name_);
    if (component->owner_)
        component->owner_->RemoveComponent(component);
    Insert(component);
    if (state_ & csDesigning)
        component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->owner_ != this)
        return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    components_.push_back(component);
    component->owner_ = this;
}

void TComponent::Remove(TComponent* component) {
    Erase(components_, component);
    component->owner_ = nullptr;
}

void TComponent::DestroyComponents() {
    while (!components_.empty()) {
        TComponent* c = components_.back();
        // Siblings hear of it only when it has free-notification links, as on the platform.
        if (c->state_ & csFreeNotification)
            RemoveComponent(c);
        else
            Remove(c);
        c->Free();
    }
}

void TComponent::Destroying() {
    if (state_ & csDestroying)
        return;
    state_ |= csDestroying;
    for (TComponent* c : components_)
        c->Destroying();
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this)
        return;
    if (!owner_ || component->owner_ != owner_) {
        if (std::find(freeNotifies_.begin(), freeNotifies_.end(), component) == freeNotifies_.end()) {
            freeNotifies_.push_back(component);
            component->FreeNotification(this);
        }
    }
    state_ |= csFreeNotification;
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    if (!component)
        return;
    RemoveNotification(component);
    component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    Erase(freeNotifies_, component);
}

void TComponent::RemoveFreeNotifications() {
    // The link is dropped before the call, so an override that skips the inherited
    // Notification cannot make this loop forever.
    while (!freeNotifies_.empty()) {
        TComponent* other = freeNotifies_.back();
        freeNotifies_.pop_back();
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component)
        RemoveFreeNotification(component);
    // Handlers may free components of this list; walk it from the end and clamp.
    for (int i = ComponentCount() - 1; i >= 0;) {
        components_[static_cast<std::size_t>(i)]->Notification(component, operation);
        --i;
        if (i >= ComponentCount())
            i = ComponentCount() - 1;
    }
}

void TComponent::Loaded() {
    state_ &= ~csLoading;
}

void TComponent::ReadState(TReader& reader) {
    reader.ReadData(this);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    if (value)
        state_ |= csDesigning;
    else
        state_ &= ~csDesigning;
    if (setChildren)
        for (TComponent* c : components_)
            c->SetDesigning(value);
}

void RegisterRootComponent(TComponent* root) {
    if (!root || root->registeredRoot_)
        return;
    Roots().push_back(root);
    root->registeredRoot_ = true;
}

void UnregisterRootComponent(TComponent* root) {
    if (!root || !root->registeredRoot_)
        return;
    Erase(Roots(), root);
    root->registeredRoot_ = false;
}

TComponent* FindRootComponent(const String& name) {
    if (name.empty())
        return nullptr;
    for (TComponent* root : Roots())
        if (SameText(root->Name(), name))
            return root;
    return nullptr;
}
