// Collections: update counting, item changes, moving items, IDs and ownership.
#include "Collection.h"

#include <gtest/gtest.h>

namespace {

class TColTestItem : public TCollectionItem {
    VESTREL_CLASS(TColTestItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;

    void SetValue(const String& value) {
        Value = value;
        Changed(false);
    }
    void ChangeAll() { Changed(true); }
    void Assign(TPersistent* source) override {
        if (auto* item = dynamic_cast<TColTestItem*>(source)) {
            Value = item->Value;
            return;
        }
        inherited::Assign(source);
    }

    String Value;
};

class TColOtherItem : public TCollectionItem {
    VESTREL_CLASS(TColOtherItem, TCollectionItem)
public:
    using TCollectionItem::TCollectionItem;
};

// Logs each Update: "u:*" for all items, "u:<value>" for one.
class TColTrace : public TOwnedCollection {
    VESTREL_CLASS(TColTrace, TOwnedCollection)
public:
    explicit TColTrace(TPersistent* owner = nullptr)
        : TOwnedCollection(owner, TCollectionItemClass::Of<TColTestItem>()) {}

    TColTestItem* At(int index) const { return static_cast<TColTestItem*>(Items(index)); }
    TColTestItem* AddItem(const String& value) {
        auto* item = static_cast<TColTestItem*>(Add());
        item->Value = value;
        return item;
    }
    String Values() const {
        String out;
        for (int i = 0; i < Count(); ++i)
            out += At(i)->Value;
        return out;
    }

    String Log;

protected:
    void Update(TCollectionItem* item) override {
        Log += item ? "u:" + static_cast<TColTestItem*>(item)->Value + " " : String("u:* ");
    }
};

}  // namespace

TEST(Collection, UpdatesOutsideBeginEndUpdate) {
    TColTrace c;
    TColTestItem* a = c.AddItem("A");
    c.AddItem("B");
    a->SetValue("a");
    a->ChangeAll();
    c.Delete(1);
    EXPECT_EQ(c.Log, "u:* u:* u:a u:* u:* ");
}

TEST(Collection, NestedUpdateBracketsGiveOneUpdateAtTheEnd) {
    TColTrace c;
    c.AddItem("X");
    c.Log.clear();
    c.BeginUpdate();
    c.BeginUpdate();
    TColTestItem* a = c.AddItem("A");
    c.AddItem("B");
    a->SetValue("a");
    a->SetIndex(0);
    c.Delete(2);
    c.Clear();
    c.EndUpdate();
    EXPECT_EQ(c.Log, "");
    c.EndUpdate();
    EXPECT_EQ(c.Log, "u:* ");
    EXPECT_EQ(c.UpdateCount(), 0);
    c.EndUpdate();  // unbalanced: ignored, and updates still arrive afterwards
    c.AddItem("C");
    EXPECT_EQ(c.Log, "u:* u:* ");
}

TEST(Collection, ClearGivesOneUpdate) {
    TColTrace c;
    for (const char* v : {"A", "B", "C"})
        c.AddItem(v);
    c.Log.clear();
    c.Clear();
    EXPECT_EQ(c.Count(), 0);
    EXPECT_EQ(c.Log, "u:* ");
    c.Clear();  // empty: nothing to tell
    EXPECT_EQ(c.Log, "u:* ");
}

TEST(Collection, SettingIndexMovesTheItem) {
    TColTrace c;
    for (const char* v : {"A", "B", "C", "D"})
        c.AddItem(v);
    c.Log.clear();
    struct Step {
        const char* name;
        int from, to;
        const char* order;
    };
    const Step steps[] = {
        {"last to first", 3, 0, "DABC"},
        {"first to last", 0, 3, "ABCD"},
        {"middle down", 1, 2, "ACBD"},
        {"to itself", 2, 2, "ACBD"},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        TColTestItem* item = c.At(s.from);
        item->SetIndex(s.to);
        EXPECT_EQ(c.Values(), s.order);
        EXPECT_EQ(item->Index(), s.to);
    }
    EXPECT_EQ(c.Log, "u:* u:* u:* ");  // moving to the same place tells nothing
    for (int bad : {-1, 4}) {
        SCOPED_TRACE(bad);
        EXPECT_THROW(c.At(0)->SetIndex(bad), EListError);
        EXPECT_EQ(c.Values(), "ACBD");
    }
}

TEST(Collection, IdsGrowAndAreNotReused) {
    TColTrace c;
    c.AddItem("A");
    TColTestItem* b = c.AddItem("B");
    c.Delete(0);
    TColTestItem* d = c.AddItem("D");
    EXPECT_EQ(b->ID(), 1);
    EXPECT_EQ(d->ID(), 2);
    EXPECT_EQ(c.FindItemID(2), d);
    EXPECT_EQ(c.FindItemID(0), nullptr);
}

TEST(Collection, InsertAndIndexBounds) {
    TColTrace c;
    c.AddItem("A");
    c.AddItem("C");
    static_cast<TColTestItem*>(c.Insert(1))->Value = "B";
    static_cast<TColTestItem*>(c.Insert(3))->Value = "D";
    EXPECT_EQ(c.Values(), "ABCD");
    EXPECT_THROW(c.Insert(5), EListError);
    EXPECT_THROW(c.Insert(-1), EListError);
    EXPECT_EQ(c.Count(), 4);  // a refused insert adds nothing
    try {
        c.Items(4);
        FAIL() << "no error";
    } catch (const EListError& e) {
        EXPECT_STREQ(e.what(), "List index out of bounds (4)");
    }
    EXPECT_THROW(c.Delete(-1), EListError);
}

TEST(Collection, ItemFreedDirectlyLeavesTheCollection) {
    TColTrace c;
    c.AddItem("A");
    TColTestItem* b = c.AddItem("B");
    c.AddItem("C");
    c.Log.clear();
    delete b;
    EXPECT_EQ(c.Values(), "AC");
    EXPECT_EQ(c.Log, "u:* ");
}

TEST(Collection, ItemsMoveBetweenCollectionsOfTheirClass) {
    TColTrace first, second;
    TColTestItem* a = first.AddItem("A");
    a->SetCollection(&second);
    EXPECT_EQ(first.Count(), 0);
    EXPECT_EQ(second.At(0), a);
    a->SetCollection(nullptr);
    EXPECT_EQ(second.Count(), 0);
    EXPECT_EQ(a->Index(), -1);
    delete a;

    TColOtherItem other(nullptr);
    EXPECT_THROW(other.SetCollection(&first), EInvalidOperation);
    EXPECT_EQ(first.Count(), 0);
}

TEST(Collection, OwnerNamesAndAssign) {
    TColTestItem owner(nullptr);  // any persistent object will do as owner
    TColTrace c(&owner);
    TColTestItem* a = c.AddItem("A");
    c.AddItem("B");
    EXPECT_EQ(c.GetOwner(), &owner);
    EXPECT_EQ(a->GetOwner(), &c);
    EXPECT_EQ(a->DisplayName(), "TColTestItem");
    EXPECT_EQ(c.Items(1)->GetNamePath(), "TColTrace[1]");

    TColTrace copy;
    copy.AddItem("old");
    copy.Log.clear();
    copy.Assign(&c);
    EXPECT_EQ(copy.Values(), "AB");
    EXPECT_EQ(copy.Log, "u:* ");
    EXPECT_THROW(copy.Assign(&owner), EConvertError);
}
