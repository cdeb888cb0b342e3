// Collections: a list of items of one class, owned by the collection.
//
// Classes in this file:
//   TCollectionItemClass  the item class of a collection and how to create one
//   TCollectionItem       an item: ID, Index (setting it moves the item), DisplayName, Changed
//   TCollection           Add/Insert/Delete/Clear, Items, BeginUpdate/EndUpdate, virtual Update
//   TOwnedCollection      a collection that answers its owner
//
// Update(item) is called after a change of one item, Update(nullptr) after a change of the list
// or of all items; between BeginUpdate and EndUpdate nothing is called, and the last EndUpdate
// calls Update(nullptr) once. An item joins its collection's list in its constructor; the
// collection hears of it (Update) in AfterConstruction, which Add and New<T> run.
#pragma once

#include "Object.h"

#include <vector>

class TCollection;
class TCollectionItem;

using TCollectionItemFactory = TCollectionItem* (*)(TCollection* collection);

struct TCollectionItemClass {
    TClass Class = nullptr;
    TCollectionItemFactory Create = nullptr;

    template <class T>
    static TCollectionItemClass Of() {
        return {T::StaticClass(), [](TCollection* collection) -> TCollectionItem* { return new T(collection); }};
    }
};

class TCollectionItem : public TPersistent {
    VESTREL_CLASS(TCollectionItem, TPersistent)
public:
    explicit TCollectionItem(TCollection* collection);
    ~TCollectionItem() override;
    void AfterConstruction() override;

    TCollection* Collection() const { return collection_; }
    // Moves the item to another collection (nullptr takes it out of any).
    void SetCollection(TCollection* collection);
    int ID() const { return id_; }
    int Index() const;  // -1 outside a collection
    // Moves the item within its collection; EListError for an index out of range.
    virtual void SetIndex(int index);
    String DisplayName() const { return GetDisplayName(); }
    virtual void SetDisplayName(const String& value);
    virtual String GetDisplayName() const { return ClassName(); }
    String GetNamePath() const override;
    virtual TPersistent* GetOwner() const;  // the collection

protected:
    // Tells the collection: Update(this), or Update(nullptr) when `allItems`.
    void Changed(bool allItems);

private:
    friend class TCollection;

    TCollection* collection_ = nullptr;
    int id_ = 0;
};

class TCollection : public TPersistent {
    VESTREL_CLASS(TCollection, TPersistent)
public:
    explicit TCollection(const TCollectionItemClass& itemClass);
    ~TCollection() override;

    const TCollectionItemClass& ItemClass() const { return itemClass_; }
    int Count() const { return static_cast<int>(items_.size()); }
    TCollectionItem* Items(int index) const;  // EListError out of range
    void SetItem(int index, TCollectionItem* value) { Items(index)->Assign(value); }
    TCollectionItem* FindItemID(int id) const;

    TCollectionItem* Add();
    TCollectionItem* Insert(int index);  // 0..Count
    void Delete(int index);
    void Clear();

    void BeginUpdate() { ++updateCount_; }
    void EndUpdate();  // an EndUpdate without BeginUpdate does nothing
    int UpdateCount() const { return updateCount_; }

    void Assign(TPersistent* source) override;  // copies the items of another collection
    virtual TPersistent* GetOwner() const { return nullptr; }

protected:
    virtual void Update(TCollectionItem* item) {}
    void Changed();  // Update(nullptr) unless updating

private:
    friend class TCollectionItem;

    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);
    void Check(int index, int count) const;

    TCollectionItemClass itemClass_;
    std::vector<TCollectionItem*> items_;
    int nextId_ = 0;
    int updateCount_ = 0;
};

class TOwnedCollection : public TCollection {
    VESTREL_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* owner, const TCollectionItemClass& itemClass)
        : TCollection(itemClass), owner_(owner) {}
    TPersistent* GetOwner() const override { return owner_; }

private:
    TPersistent* owner_;
};
