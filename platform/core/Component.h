// TComponent: named objects with an owner that frees them.
//
// An owner keeps its components in insertion order and frees them in reverse order when it is
// freed. Freeing a component tells its owner (which passes Notification(opRemove) on to every
// component it owns) and every component linked to it by FreeNotification. A component freed
// directly removes itself from its owner. Free() runs BeforeDestruction first, as the platform's
// Free does; a plain delete works too, but then csDestroying is set only once the base part runs.
//
// Root components (forms, data modules) that references in form descriptions may name are kept in
// a program-wide list: RegisterRootComponent / UnregisterRootComponent / FindRootComponent.
//
// Properties are methods: `X()` reads, `SetX(value)` writes.
#pragma once

#include "Object.h"

#include <cstdint>
#include <vector>

class TReader;

enum TOperation { opInsert, opRemove };

// Component state flags; test with `(ComponentState() & csLoading) != 0`.
using TComponentState = std::uint32_t;
constexpr TComponentState csLoading = 0x01;           // between creation by the reader and Loaded
constexpr TComponentState csReading = 0x02;           // while its own properties are read
constexpr TComponentState csWriting = 0x04;
constexpr TComponentState csDestroying = 0x08;
constexpr TComponentState csDesigning = 0x10;
constexpr TComponentState csFreeNotification = 0x20;  // FreeNotification was called on it

class TComponent : public TPersistent {
    VESTREL_CLASS(TComponent, TPersistent)
public:
    // Joins `owner`'s list at once; the owner hears of it (opInsert) in AfterConstruction.
    explicit TComponent(TComponent* owner);
    ~TComponent() override;

    void AfterConstruction() override;
    void BeforeDestruction() override;
    void Free();  // BeforeDestruction, then delete

    TComponent* Owner() const { return owner_; }
    const String& Name() const { return name_; }
    // Raises EComponentError for a name that is not an identifier or that the owner already
    // holds (compared without regard to case).
    virtual void SetName(const String& newName);
    std::intptr_t Tag() const { return tag_; }
    void SetTag(std::intptr_t tag) { tag_ = tag; }
    TComponentState ComponentState() const { return state_; }
    String GetNamePath() const override { return name_; }

    // Owned components, in insertion order.
    int ComponentCount() const { return static_cast<int>(components_.size()); }
    TComponent* Components(int index) const;  // EListError out of range
    int ComponentIndex() const;               // position in the owner's list, -1 without owner
    TComponent* FindComponent(const String& name) const;  // without regard to case; "" finds none
    // Takes `component` over from its current owner; raises EComponentError for a duplicate name
    // or when `component` owns this one.
    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();  // frees every owned component, the last inserted first
    void Destroying();         // sets csDestroying here and on every owned component

    // Asks to be told (Notification(this-one, opRemove) on `component`) when this component is
    // freed, and the other way round. Components of the same owner hear of each other anyway.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Called on the owner for every component inserted or removed; the default drops the free
    // notification link and passes the call on to every owned component.
    virtual void Notification(TComponent* component, TOperation operation);
    // Called once the form description holding the component has been read; clears csLoading.
    virtual void Loaded();
    virtual void ValidateRename(TComponent* component, const String& curName, const String& newName);

    // Form reading hooks. ReadState reads this component's properties and children through the
    // reader (TReader::ReadData). SetParentComponent receives the enclosing object of the form
    // description (a control makes it its Parent); GetChildParent is what nested objects receive.
    virtual void ReadState(TReader& reader);
    virtual void SetParentComponent(TComponent* parent) {}
    virtual TComponent* GetParentComponent() const { return nullptr; }
    virtual bool HasParent() const { return false; }
    virtual TComponent* GetChildParent() { return this; }

protected:
    void SetDesigning(bool value, bool setChildren = true);

private:
    friend class TReader;
    friend void RegisterRootComponent(TComponent* root);
    friend void UnregisterRootComponent(TComponent* root);

    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);
    void RemoveFreeNotifications();

    TComponent* owner_ = nullptr;
    String name_;
    std::intptr_t tag_ = 0;
    TComponentState state_ = 0;
    std::vector<TComponent*> components_;
    std::vector<TComponent*> freeNotifies_;
    bool registeredRoot_ = false;
};

// The program-wide list of loaded roots that references in form descriptions can reach by name.
// A registered root is dropped from the list when it is freed.
void RegisterRootComponent(TComponent* root);
void UnregisterRootComponent(TComponent* root);
TComponent* FindRootComponent(const String& name);  // the first registered root of that name
