// Components: ownership, freeing order, notifications, names and the list of roots.
#include "Component.h"

#include <gtest/gtest.h>

namespace {

// Records what happens to it into a shared log.
class TCmpTrace : public TComponent {
    VESTREL_CLASS(TCmpTrace, TComponent)
public:
    TCmpTrace(TComponent* owner, const String& name, String& log) : TComponent(owner), log_(log) { SetName(name); }
    ~TCmpTrace() override {
        log_ += "free:" + Name() + ((ComponentState() & csDestroying) ? "" : "(not destroying)") + " ";
    }

    void Notification(TComponent* component, TOperation operation) override {
        inherited::Notification(component, operation);
        if (LogNotifications)
            log_ += Name() + (operation == opInsert ? "+" : "-") + component->Name() + " ";
        if (operation == opRemove && component == FreeOnRemoveOf && Victim) {
            TComponent* victim = Victim;
            Victim = nullptr;
            victim->Free();
        }
    }

    bool LogNotifications = false;
    TComponent* FreeOnRemoveOf = nullptr;
    TComponent* Victim = nullptr;

private:
    String& log_;
};

TCmpTrace* Make(TComponent* owner, const String& name, String& log) {
    return New<TCmpTrace>(owner, name, log);
}

}  // namespace

TEST(Component, OwnerFreesOwnedComponentsLastInsertedFirst) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    Make(owner, "A", log);
    TCmpTrace* b = Make(owner, "B", log);
    Make(b, "B1", log);
    Make(owner, "C", log);
    owner->Free();
    EXPECT_EQ(log, "free:Owner free:C free:B free:B1 free:A ");
}

TEST(Component, PlainDeleteStillMarksOwnedComponentsDestroying) {
    String log;
    auto* owner = new TCmpTrace(nullptr, "Owner", log);
    new TCmpTrace(owner, "A", log);
    delete owner;
    // The owner's own destructor body runs before the base part sets the flag.
    EXPECT_EQ(log, "free:Owner(not destroying) free:A ");
}

TEST(Component, OwnedComponentFreedDirectlyLeavesItsOwner) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* a = Make(owner, "A", log);
    TCmpTrace* b = Make(owner, "B", log);
    a->Free();
    ASSERT_EQ(owner->ComponentCount(), 1);
    EXPECT_EQ(owner->Components(0), b);
    EXPECT_EQ(b->ComponentIndex(), 0);
    delete b;
    EXPECT_EQ(owner->ComponentCount(), 0);
    owner->Free();
    EXPECT_EQ(log, "free:A free:B(not destroying) free:Owner ");
}

TEST(Component, OwnerAndSiblingsHearOfInsertAndRemove) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* a = Make(owner, "A", log);
    owner->LogNotifications = true;
    a->LogNotifications = true;
    TCmpTrace* b = Make(owner, "B", log);  // named in its constructor, announced after it
    b->LogNotifications = true;
    b->Free();
    // B hears nothing more once its own destructor has run, as on the platform.
    EXPECT_EQ(log, "A+B Owner+B free:B A-B Owner-B ");
    owner->LogNotifications = a->LogNotifications = false;
    owner->Free();
}

TEST(Component, FreeNotificationReachesComponentsOfOtherOwners) {
    String log;
    TCmpTrace* formA = Make(nullptr, "FormA", log);
    TCmpTrace* formB = Make(nullptr, "FormB", log);
    TCmpTrace* source = Make(formA, "Source", log);
    TCmpTrace* grid = Make(formB, "Grid", log);
    TCmpTrace* other = Make(formB, "Other", log);
    grid->LogNotifications = true;
    other->LogNotifications = true;

    source->FreeNotification(grid);
    source->FreeNotification(grid);  // asking twice links once
    source->FreeNotification(other);
    source->RemoveFreeNotification(other);
    source->Free();
    EXPECT_EQ(log, "free:Source Grid-Source ");

    // The link works both ways: the source hears when the grid goes first.
    log.clear();
    TCmpTrace* source2 = Make(formA, "Source2", log);
    source2->LogNotifications = true;
    source2->FreeNotification(grid);
    grid->LogNotifications = false;
    grid->Free();
    EXPECT_EQ(log, "free:Grid Source2-Grid Other-Grid ");
    source2->LogNotifications = other->LogNotifications = false;
    formA->Free();
    formB->Free();
}

TEST(Component, SiblingWithFreeNotificationHearsOnce) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* a = Make(owner, "A", log);
    TCmpTrace* b = Make(owner, "B", log);
    a->FreeNotification(b);  // same owner: the owner's broadcast carries it
    b->LogNotifications = true;
    a->Free();
    EXPECT_EQ(log, "free:A B-A ");
    b->LogNotifications = false;
    owner->Free();
}

TEST(Component, NotificationMayFreeOtherComponentsWhileTheOwnerGoes) {
    String log;
    TCmpTrace* outside = Make(nullptr, "Outside", log);
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* b = Make(owner, "B", log);
    TCmpTrace* a = Make(owner, "A", log);
    a->FreeNotification(outside);
    outside->FreeOnRemoveOf = a;
    outside->Victim = b;  // freed from inside A's removal, while Owner frees its list
    owner->Free();
    EXPECT_EQ(log, "free:Owner free:A free:B ");
    outside->Free();
}

TEST(Component, FindComponentIgnoresCase) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* edit = Make(owner, "Edit_Name", log);
    Make(owner, "", log);
    struct Case {
        const char* name;
        const char* search;
        TComponent* expected;
    };
    const Case cases[] = {
        {"exact", "Edit_Name", edit},
        {"upper", "EDIT_NAME", edit},
        {"lower", "edit_name", edit},
        {"missing", "Edit_Nam", nullptr},
        {"empty finds no unnamed component", "", nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(owner->FindComponent(c.search), c.expected);
    }
    owner->Free();
}

TEST(Component, NamesAreUniqueUnderOneOwner) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    TCmpTrace* first = Make(owner, "Btn_OK", log);
    try {
        Make(owner, "btn_ok", log);
        FAIL() << "duplicate name accepted";
    } catch (const EComponentError& e) {
        EXPECT_STREQ(e.what(), "A component named btn_ok already exists");
    }
    EXPECT_EQ(owner->ComponentCount(), 1);  // the half-built one left the owner again

    first->SetName("BTN_OK");  // its own name in another case
    EXPECT_EQ(first->Name(), "BTN_OK");
    TCmpTrace* other = Make(nullptr, "Elsewhere", log);
    Make(other, "Btn_OK", log);  // another owner may hold the same name
    Make(owner, "", log);
    Make(owner, "", log);  // unnamed components never clash

    TCmpTrace* second = Make(owner, "Second", log);
    EXPECT_THROW(second->SetName("Btn_Ok"), EComponentError);
    EXPECT_EQ(second->Name(), "Second");
    owner->Free();
    other->Free();
}

TEST(Component, InvalidNamesAreRefused) {
    String log;
    TCmpTrace* c = Make(nullptr, "Valid_1", log);
    for (const char* bad : {"1abc", "a b", "a.b", "a-b", "名字", " a"}) {
        SCOPED_TRACE(bad);
        try {
            c->SetName(bad);
            ADD_FAILURE() << "accepted";
        } catch (const EComponentError& e) {
            EXPECT_EQ(String(e.what()), "\"" + String(bad) + "\" is not a valid component name");
        }
        EXPECT_EQ(c->Name(), "Valid_1");
    }
    c->SetName("_x9");
    c->SetName("");
    EXPECT_EQ(c->Name(), "");
    c->Free();
}

TEST(Component, InsertComponentMovesOwnership) {
    String log;
    TCmpTrace* a = Make(nullptr, "A", log);
    TCmpTrace* b = Make(nullptr, "B", log);
    TCmpTrace* child = Make(a, "Child", log);
    b->InsertComponent(child);
    EXPECT_EQ(child->Owner(), b);
    EXPECT_EQ(a->ComponentCount(), 0);
    EXPECT_EQ(b->ComponentCount(), 1);

    EXPECT_THROW(child->InsertComponent(b), EComponentError);  // would own its owner
    EXPECT_THROW(child->InsertComponent(child), EComponentError);
    Make(a, "Child", log);
    EXPECT_THROW(a->InsertComponent(child), EComponentError);  // name taken there
    EXPECT_EQ(child->Owner(), b);
    a->Free();
    b->Free();
    EXPECT_EQ(log, "free:A free:Child free:B free:Child ");
}

TEST(Component, ComponentsIndexOutOfRangeRaises) {
    String log;
    TCmpTrace* owner = Make(nullptr, "Owner", log);
    Make(owner, "A", log);
    for (int index : {-1, 1}) {
        SCOPED_TRACE(index);
        try {
            owner->Components(index);
            ADD_FAILURE() << "no error";
        } catch (const EListError& e) {
            EXPECT_EQ(String(e.what()), "List index out of bounds (" + std::to_string(index) + ")");
        }
    }
    EXPECT_EQ(owner->ComponentIndex(), -1);
    owner->Free();
}

TEST(Component, DesigningStateFollowsTheOwner) {
    struct TDesignRoot : TComponent {
        using TComponent::TComponent;
        void Design() { SetDesigning(true); }
    };
    String log;
    TDesignRoot root(nullptr);
    root.Design();
    TCmpTrace* child = Make(&root, "Child", log);
    EXPECT_NE(child->ComponentState() & csDesigning, 0u);
}

TEST(Component, FreedRootLeavesTheListOfRoots) {
    String log;
    TCmpTrace* data = Make(nullptr, "Frm_RootsData", log);
    RegisterRootComponent(data);
    RegisterRootComponent(data);
    EXPECT_EQ(FindRootComponent("FRM_ROOTSDATA"), data);
    EXPECT_EQ(FindRootComponent(""), nullptr);
    data->Free();
    EXPECT_EQ(FindRootComponent("Frm_RootsData"), nullptr);

    TCmpTrace* other = Make(nullptr, "Frm_RootsOther", log);
    RegisterRootComponent(other);
    UnregisterRootComponent(other);
    EXPECT_EQ(FindRootComponent("Frm_RootsOther"), nullptr);
    other->Free();
}
