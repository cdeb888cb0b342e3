#include "SkinStore.h"

#include "FormReader.h"
#include "FormatSettings.h"
#include "TypeRegistry.h"

namespace {

void CopyWhole(TStream* from, TStream* to) {
    const std::int64_t saved = from->Position();
    from->SetPosition(0);
    if (from->Size() > 0) to->CopyFrom(from, from->Size());
    from->SetPosition(saved);
}

}  // namespace

TSkinCollectionItem::TSkinCollectionItem(TCollection* collection)
    : TCollectionItem(collection), data_(new TMemoryStream) {
    // The default name is not checked against the others (only renaming is).
    name_ = "SkinItem" + IntToStr(ID());
}

TSkinCollectionItem::~TSkinCollectionItem() { delete data_; }

void TSkinCollectionItem::Assign(TPersistent* source) {
    if (auto* item = dynamic_cast<TSkinCollectionItem*>(source)) {
        name_ = item->name_;
        data_->Clear();
        CopyWhole(item->data_, data_);
        return;
    }
    inherited::Assign(source);
}

void TSkinCollectionItem::DefineProperties(TFiler* filer) {
    inherited::DefineProperties(filer);
    filer->DefineBinaryProperty(
        "DataStream",
        [this](TStream* stream) {
            data_->Clear();
            CopyWhole(stream, data_);
        },
        [this](TStream* stream) { CopyWhole(data_, stream); }, true);
}

void TSkinCollectionItem::SetName(const String& value) {
    if (value == name_) return;
    if (TCollection* owner = Collection()) {
        for (int i = 0; i < owner->Count(); ++i) {
            auto* other = static_cast<TSkinCollectionItem*>(owner->Items(i));
            if (other != this && other->name_ == value) throw Exception("The name " + value + " is already used.");
        }
    }
    name_ = value;
}

void TSkinCollectionItem::SaveToStream(TStream* stream) { CopyWhole(data_, stream); }

TSkinCollection::TSkinCollection(TPersistent* store)
    : TOwnedCollection(store, TCollectionItemClass::Of<TSkinCollectionItem>()) {}

TSkinStore::TSkinStore(TComponent* owner) : TComponent(owner), store_(new TSkinCollection(this)) {}

TSkinStore::~TSkinStore() { delete store_; }

void TSkinStore::SetStore(TSkinCollection* value) {
    if (value) store_->Assign(value);
}

void RegisterSkinStoreClasses() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    RegisterClasses<TSkinStore>();
    RegisterProperties<TSkinCollectionItem>()
        .Str("Name", &TSkinCollectionItem::Name, &TSkinCollectionItem::SetName)
        .Str("SkinData", &TSkinCollectionItem::SkinData, &TSkinCollectionItem::SetSkinData)
        .Int("DataSize", &TSkinCollectionItem::DataSize);
    RegisterProperties<TSkinStore>().Object("Store", &TSkinStore::Store);
}
