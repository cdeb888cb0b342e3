#include "Collection.h"

#include <algorithm>

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* collection) {
    if (collection)
        collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
    if (collection_)
        collection_->RemoveItem(this);
}

void TCollectionItem::AfterConstruction() {
    inherited::AfterConstruction();
    if (collection_)
        collection_->Changed();
}

void TCollectionItem::SetCollection(TCollection* collection) {
    if (collection == collection_)
        return;
    if (collection && !InheritsFrom(collection->itemClass_.Class))
        throw EInvalidOperation("Cannot add a " + ClassName() + " to a collection of " +
                                collection->itemClass_.Class->name);
    if (collection_)
        collection_->RemoveItem(this);
    if (collection) {
        collection->InsertItem(this);
        collection->Changed();
    }
}

int TCollectionItem::Index() const {
    if (!collection_)
        return -1;
    const auto& items = collection_->items_;
    return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
    const int current = Index();
    if (current < 0 || current == index)
        return;
    collection_->Check(index, collection_->Count());
    auto& items = collection_->items_;
    items.erase(items.begin() + current);
    items.insert(items.begin() + index, this);
    Changed(true);
}

void TCollectionItem::SetDisplayName(const String&) {
    Changed(false);
}

String TCollectionItem::GetNamePath() const {
    if (!collection_)
        return ClassName();
    return collection_->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const {
    return collection_;
}

void TCollectionItem::Changed(bool allItems) {
    if (collection_ && collection_->updateCount_ == 0)
        collection_->Update(allItems ? nullptr : this);
}

// ---- TCollection ----

TCollection::TCollection(const TCollectionItemClass& itemClass) : itemClass_(itemClass) {
    if (!itemClass_.Class || !itemClass_.Create)
        throw EInvalidArgument("A collection needs an item class");
}

TCollection::~TCollection() {
    updateCount_ = 1;  // no Update while the items go
    while (!items_.empty()) {
        TCollectionItem* item = items_.back();
        item->BeforeDestruction();
        delete item;
    }
}

void TCollection::Check(int index, int count) const {
    if (index < 0 || index >= count)
        throw EListError("List index out of bounds (" + std::to_string(index) + ")");
}

TCollectionItem* TCollection::Items(int index) const {
    Check(index, Count());
    return items_[static_cast<std::size_t>(index)];
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* item : items_)
        if (item->id_ == id)
            return item;
    return nullptr;
}

TCollectionItem* TCollection::Add() {
    TCollectionItem* item = itemClass_.Create(this);
    try {
        item->AfterConstruction();
    } catch (...) {
        delete item;
        throw;
    }
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    Check(index, Count() + 1);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    item->BeforeDestruction();
    delete item;
}

void TCollection::Clear() {
    if (items_.empty())
        return;
    BeginUpdate();
    try {
        while (!items_.empty())
            Delete(Count() - 1);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::EndUpdate() {
    if (updateCount_ == 0)
        return;
    --updateCount_;
    Changed();
}

void TCollection::Assign(TPersistent* source) {
    auto* other = dynamic_cast<TCollection*>(source);
    if (!other) {
        inherited::Assign(source);
        return;
    }
    if (other == this)
        return;
    BeginUpdate();
    try {
        Clear();
        for (TCollectionItem* item : other->items_)
            Add()->Assign(item);
    } catch (...) {
        EndUpdate();
        throw;
    }
    EndUpdate();
}

void TCollection::Changed() {
    if (updateCount_ == 0)
        Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    items_.push_back(item);
    item->collection_ = this;
    item->id_ = nextId_++;
}

void TCollection::RemoveItem(TCollectionItem* item) {
    auto it = std::find(items_.begin(), items_.end(), item);
    if (it != items_.end())
        items_.erase(it);
    item->collection_ = nullptr;
    Changed();
}
