// The skin store: item names, and archives kept byte for byte through a form description.
#include "SkinStore.h"

#include "FormReader.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Collects the writers that DefineProperties offers, so that a description can be written.
class TRecordingFiler : public TFiler {
public:
    TRecordingFiler() : TFiler(nullptr) {}
    void DefineProperty(const String&, const TReaderProc&, const TWriterProc&, bool) override {}
    void DefineBinaryProperty(const String& name, const TStreamProc&, const TStreamProc& writeData,
                              bool hasData) override {
        if (hasData && writeData) writers.emplace_back(name, writeData);
    }
    std::vector<std::pair<String, TStreamProc>> writers;
};

String Hex(TMemoryStream& stream) {
    static const char digits[] = "0123456789ABCDEF";
    String out;
    const auto* bytes = static_cast<const std::uint8_t*>(stream.Memory());
    for (std::int64_t i = 0; i < stream.Size(); ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

// The store written as a form description by the items' own writers.
String Describe(TSkinStore& store) {
    String text = "object Holder: TComponent\n  object Store1: TSkinStore\n    Store = <";
    for (int i = 0; i < store.Store()->Count(); ++i) {
        TSkinCollectionItem* item = store.Store()->At(i);
        text += "\n      item\n        Name = '" + item->Name() + "'\n";
        TRecordingFiler filer;
        item->DefineProperties(&filer);
        for (auto& [name, write] : filer.writers) {
            TMemoryStream bytes;
            write(&bytes);
            text += "        " + name + " = {" + Hex(bytes) + "}\n";
        }
        text += "      end";
    }
    return text + ">\n  end\nend\n";
}

void Fill(TSkinCollectionItem* item, const std::string& bytes) {
    item->Data()->WriteBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
}

std::string Content(TSkinCollectionItem* item) {
    TMemoryStream out;
    item->SaveToStream(&out);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<std::size_t>(out.Size()));
}

struct TFree {
    void operator()(TComponent* c) const { c->Free(); }
};

TEST(SkinStore, ItemNames) {
    std::unique_ptr<TSkinStore, TFree> store(New<TSkinStore>(nullptr));
    auto* first = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    auto* second = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    EXPECT_EQ(first->Name(), "SkinItem0");
    EXPECT_EQ(second->Name(), "SkinItem1");
    EXPECT_EQ(second->DisplayName(), "SkinItem1");
    EXPECT_EQ(second->SkinData(), "Load Skin");

    first->SetName("SkinItem0");
    first->SetName("SKINITEM1");  // names compare with case
    EXPECT_EQ(first->Name(), "SKINITEM1");
    try {
        first->SetName("SkinItem1");
        FAIL() << "a taken name was accepted";
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "The name SkinItem1 is already used.");
    }
    EXPECT_EQ(first->Name(), "SKINITEM1");
}

TEST(SkinStore, AssignCopiesTheWholeArchiveAndKeepsTheSourcePosition) {
    std::unique_ptr<TSkinStore, TFree> store(New<TSkinStore>(nullptr));
    auto* from = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    auto* to = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    Fill(from, "archive bytes");
    Fill(to, "old content that is longer");
    from->Data()->SetPosition(3);
    to->Assign(from);
    EXPECT_EQ(Content(to), "archive bytes");
    EXPECT_EQ(to->Name(), from->Name());
    EXPECT_EQ(from->Data()->Position(), 3);
    EXPECT_EQ(to->DataSize(), 13);
}

TEST(SkinStore, ArchivesSurviveAFormDescriptionByteForByte) {
    RegisterSkinStoreClasses();
    std::unique_ptr<TSkinStore, TFree> store(New<TSkinStore>(nullptr));
    auto* a = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    auto* b = static_cast<TSkinCollectionItem*>(store->Store()->Add());
    std::string binary;
    for (int i = 0; i < 600; ++i) binary += static_cast<char>(i * 7);
    Fill(a, binary);
    a->SetName("Calm");
    b->SetName("Empty");
    const String text = Describe(*store);

    std::unique_ptr<TComponent, TFree> holder(New<TComponent>(nullptr));
    ReadForm(holder.get(), text, "store.txt");
    auto* read = dynamic_cast<TSkinStore*>(holder->FindComponent("Store1"));
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->Store()->Count(), 2);
    EXPECT_EQ(read->Store()->At(0)->Name(), "Calm");
    EXPECT_EQ(Content(read->Store()->At(0)), binary);
    EXPECT_EQ(read->Store()->At(1)->Name(), "Empty");
    EXPECT_EQ(read->Store()->At(1)->DataSize(), 0);
}

}  // namespace
