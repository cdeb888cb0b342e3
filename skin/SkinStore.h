// TSkinStore: a non-visual component that keeps named skin archives in a form's data. Each item
// holds one archive's bytes, stored as the binary property "DataStream". Nothing reads them back
// into a skin component.
//
// Classes in this file:
//   TSkinCollectionItem  a name and an archive's bytes
//   TSkinCollection      the store's items
//   TSkinStore           the component
#pragma once

#include "Collection.h"
#include "Component.h"
#include "Streams.h"

class TSkinCollectionItem : public TCollectionItem {
    VESTREL_CLASS(TSkinCollectionItem, TCollectionItem)
public:
    explicit TSkinCollectionItem(TCollection* collection);
    ~TSkinCollectionItem() override;

    void Assign(TPersistent* source) override;
    void DefineProperties(TFiler* filer) override;
    String GetDisplayName() const override { return Name(); }

    const String& Name() const { return name_; }
    // Raises Exception "The name X is already used." when another item has exactly that name.
    void SetName(const String& value);
    // Always "Load Skin"; writing does nothing (a hook for a design-time editor).
    String SkinData() const { return "Load Skin"; }
    void SetSkinData(const String&) {}
    int DataSize() const { return static_cast<int>(data_->Size()); }
    // Copies the whole archive into `stream`, leaving this item's position as it was.
    void SaveToStream(TStream* stream);
    TMemoryStream* Data() const { return data_; }

private:
    String name_;
    TMemoryStream* data_;
};

class TSkinCollection : public TOwnedCollection {
    VESTREL_CLASS(TSkinCollection, TOwnedCollection)
public:
    explicit TSkinCollection(TPersistent* store);
    TSkinCollectionItem* At(int index) const { return static_cast<TSkinCollectionItem*>(Items(index)); }
};

class TSkinStore : public TComponent {
    VESTREL_CLASS(TSkinStore, TComponent)
public:
    explicit TSkinStore(TComponent* owner);
    ~TSkinStore() override;

    TSkinCollection* Store() const { return store_; }
    void SetStore(TSkinCollection* value);

private:
    TSkinCollection* store_;
};

// Registers the store's classes and properties with the form reader (idempotent).
void RegisterSkinStoreClasses();
