// Event method pointers: equality, calls, saving and restoring, binding by name.
#include "Events.h"
#include "TypeRegistry.h"

#include <gtest/gtest.h>

namespace {

class TEvHandlers : public TComponent {
    VESTREL_CLASS(TEvHandlers, TComponent)
public:
    using TComponent::TComponent;

    void Click(TObject*) { Log += "click:" + Name() + ";"; }
    void Other(TObject*) { Log += "other:" + Name() + ";"; }
    void Query(TObject*, bool& allow) { allow = false; }
    int Twice(int value) const { return 2 * value; }

    String Log;
};

// The handler lives in the second base, so the object pointer must be adjusted.
struct TEvPadding {
    virtual ~TEvPadding() = default;
    long long padding[3] = {};
};
struct TEvSecondBase {
    virtual ~TEvSecondBase() = default;
    void Seen(TObject* sender) { SeenSender = sender; SeenSelf = this; }
    TObject* SeenSender = nullptr;
    const TEvSecondBase* SeenSelf = nullptr;
};
class TEvMixed : public TEvPadding, public TEvSecondBase {};

class TEvSource : public TComponent {
    VESTREL_CLASS(TEvSource, TComponent)
public:
    using TComponent::TComponent;
    TNotifyEvent OnClick;
    TEvent<void(TObject*, bool&)> OnQuery;
};

struct TEvRegistration {
    TEvRegistration() {
        RegisterProperties<TEvSource>().Event("OnClick", &TEvSource::OnClick).Event("OnQuery", &TEvSource::OnQuery);
        RegisterProperties<TEvHandlers>().Handler<&TEvHandlers::Click>("Click").Handler<&TEvHandlers::Query>("Query");
    }
};
const TEvRegistration registration;

}  // namespace

TEST(Events, EqualityComparesObjectAndMethod) {
    TEvHandlers a(nullptr), b(nullptr);
    const TNotifyEvent aClick = Event<&TEvHandlers::Click>(&a);
    struct Case {
        const char* name;
        TNotifyEvent left, right;
        bool equal;
    };
    const Case cases[] = {
        {"same object and method", aClick, Event<&TEvHandlers::Click>(&a), true},
        {"other object", aClick, Event<&TEvHandlers::Click>(&b), false},
        {"other method", aClick, Event<&TEvHandlers::Other>(&a), false},
        {"assigned and empty", aClick, nullptr, false},
        {"both empty", TNotifyEvent(), nullptr, true},
        {"made from a null object", Event<&TEvHandlers::Click>(static_cast<TEvHandlers*>(nullptr)), nullptr, true},
        {"through TMethod", TNotifyEvent::FromMethod(aClick.Method()), aClick, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.left == c.right, c.equal);
        EXPECT_EQ(c.left.Method() == c.right.Method(), c.equal);
    }
    EXPECT_TRUE(aClick);
    EXPECT_FALSE(TNotifyEvent());
    EXPECT_TRUE(TNotifyEvent() == nullptr);
}

TEST(Events, CallsReachTheMemberWithItsArguments) {
    TEvHandlers h(nullptr);
    h.SetName("H");
    Event<&TEvHandlers::Click>(&h)(&h);
    EXPECT_EQ(h.Log, "click:H;");

    bool allow = true;
    TEvent<void(TObject*, bool&)> query = Event<&TEvHandlers::Query>(&h);
    query(&h, allow);
    EXPECT_FALSE(allow);  // a var parameter comes back

    const TEvHandlers& constH = h;
    EXPECT_EQ(Event<&TEvHandlers::Twice>(&constH)(21), 42);
}

TEST(Events, ObjectPointerIsAdjustedToTheDeclaringBase) {
    TEvMixed mixed;
    TEvSecondBase* second = &mixed;
    ASSERT_NE(static_cast<void*>(second), static_cast<void*>(&mixed));
    TEvHandlers sender(nullptr);
    TNotifyEvent seen = Event<&TEvSecondBase::Seen>(&mixed);
    seen(&sender);
    EXPECT_EQ(mixed.SeenSelf, second);
    EXPECT_EQ(mixed.SeenSender, &sender);
    EXPECT_EQ(seen, Event<&TEvSecondBase::Seen>(second));
}

TEST(Events, CallingAnUnassignedEventRaises) {
    TNotifyEvent empty;
    EXPECT_THROW(empty(nullptr), EInvalidOperation);
}

TEST(Events, SavedHandlerIsRestored) {
    TEvHandlers h(nullptr), other(nullptr);
    h.SetName("H");
    other.SetName("O");
    TEvSource source(nullptr);
    source.OnClick = Event<&TEvHandlers::Click>(&h);

    // Saved generically, replaced, then put back: the original handler runs again.
    const TMethod saved = source.OnClick.Method();
    source.OnClick = Event<&TEvHandlers::Other>(&other);
    source.OnClick(&source);
    source.OnClick = TNotifyEvent::FromMethod(saved);
    source.OnClick(&source);
    EXPECT_EQ(other.Log, "other:O;");
    EXPECT_EQ(h.Log, "click:H;");
    EXPECT_EQ(source.OnClick, Event<&TEvHandlers::Click>(&h));

    // The same through the property registry, by name.
    const TMethod byName = GetMethodProp(&source, "onclick");
    EXPECT_EQ(byName, saved);
    SetMethodProp(&source, "OnClick", TMethod{});
    EXPECT_FALSE(source.OnClick);
    SetMethodProp(&source, "OnClick", byName);
    EXPECT_EQ(source.OnClick, Event<&TEvHandlers::Click>(&h));
}

TEST(Events, HandlerBoundByNameEqualsTheOneMadeInCode) {
    TEvHandlers h(nullptr);
    const THandlerInfo* click = FindHandler(TEvHandlers::StaticClass(), "CLICK");
    ASSERT_NE(click, nullptr);
    EXPECT_EQ(click->MethodFor(&h), Event<&TEvHandlers::Click>(&h).Method());
    EXPECT_EQ(FindHandler(TEvHandlers::StaticClass(), "Missing"), nullptr);
    // Not an instance of the handler's class: no method.
    TEvSource source(nullptr);
    EXPECT_FALSE(click->MethodFor(&source));
}

TEST(Events, TypedAccessChecksTheSignature) {
    TEvHandlers h(nullptr);
    TEvSource source(nullptr);
    SetEventProp(&source, "OnClick", Event<&TEvHandlers::Click>(&h));
    EXPECT_EQ(GetEventProp<void(TObject*)>(&source, "OnClick"), Event<&TEvHandlers::Click>(&h));
    try {
        SetEventProp(&source, "OnClick", Event<&TEvHandlers::Query>(&h));
        FAIL() << "a handler of another signature was accepted";
    } catch (const EPropertyError& e) {
        EXPECT_NE(String(e.what()).find("OnClick"), String::npos) << e.what();
    }
    EXPECT_EQ(source.OnClick, Event<&TEvHandlers::Click>(&h));
}
