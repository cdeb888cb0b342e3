// The class registry and the property registry of the class layer.
//
// Class registry: component classes registered by name, created through a factory (the virtual
// constructor) followed by AfterConstruction. Names compare without regard to case.
//
// Property registry: per class (TClass), the published properties (name -> kind, getter, setter)
// and the handlers that a form description may bind to events by name. Look-ups walk up the
// class chain and compare names without regard to case. Registration is one line per property:
//
//   RegisterProperties<TButton>()
//       .Int("Left", &TButton::Left, &TButton::SetLeft)
//       .Str("Caption", &TButton::Caption, &TButton::SetCaption)
//       .Set("Style", &TButton::Style, &TButton::SetStyle, {"fsBold", "fsItalic"})
//       .Object("Font", &TButton::Font)
//       .Event("OnClick", &TButton::OnClick)
//       .Handler<&TButton::DefaultClick>("DefaultClick");
//
// A getter is a const member function, a member pointer or a callable taking the object; a
// setter is a member function or a callable (object, value). A data member given as the getter
// with no setter is written directly; any other property without a setter is read-only.
// Enumerations are ordinals; sets are bit masks with element i at bit i. Kind "strings" is a
// string list: its setter receives all lines, so a TStrings-valued property can read them in place.
#pragma once

#include "Component.h"
#include "Events.h"

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

// ---- Class registry ----

using TComponentFactory = TComponent* (*)(TComponent* owner);

// Registering a class twice is harmless; another class under a taken name raises EFilerError.
void RegisterComponentClass(TClass cls, TComponentFactory factory);
template <class T>
void RegisterComponentClass() {
    RegisterComponentClass(T::StaticClass(), [](TComponent* owner) -> TComponent* { return new T(owner); });
}
template <class... T>
void RegisterClasses() {
    (RegisterComponentClass<T>(), ...);
}

TClass GetClass(const String& name);   // nullptr when not registered
TClass FindClass(const String& name);  // raises EClassNotFound "Class X not found"
TComponentFactory GetComponentFactory(TClass cls);  // nullptr when not registered
// Creates through the factory, then runs AfterConstruction (freeing the object if it raises).
TComponent* CreateComponent(TClass cls, TComponent* owner);
TComponent* CreateComponent(const String& className, TComponent* owner);

// ---- Property values ----

enum class TPropKind { Integer, Int64, Float, String, Boolean, Enumeration, Set, Class, Component, Event, Strings };

const char* PropKindName(TPropKind kind);

// A property's value as the registry passes it: integers (also enumeration ordinals and set
// masks), floats, strings, booleans, objects, methods and string lists.
class TPropValue {
public:
    enum class TType { Empty, Integer, Float, String, Boolean, Object, Method, Strings };

    TPropValue() = default;
    template <class T>
        requires(std::is_integral_v<T> && !std::is_same_v<T, bool>)
    TPropValue(T value) : value_(static_cast<std::int64_t>(value)) {}
    TPropValue(double value) : value_(value) {}
    TPropValue(bool value) : value_(value) {}
    TPropValue(String value) : value_(std::move(value)) {}
    TPropValue(const char* value) : value_(String(value)) {}
    TPropValue(TObject* value) : value_(value) {}
    TPropValue(std::nullptr_t) : value_(static_cast<TObject*>(nullptr)) {}
    TPropValue(const TMethod& value) : value_(value) {}
    TPropValue(std::vector<String> value) : value_(std::move(value)) {}

    TType Type() const { return static_cast<TType>(value_.index()); }
    // Each raises EPropertyError when the value is of another type (AsFloat takes integers too).
    std::int64_t AsInteger() const;
    double AsFloat() const;
    const String& AsString() const;
    bool AsBoolean() const;
    TObject* AsObject() const;
    const TMethod& AsMethod() const;
    const std::vector<String>& AsStrings() const;

    bool operator==(const TPropValue&) const = default;

private:
    std::variant<std::monostate, std::int64_t, double, String, bool, TObject*, TMethod, std::vector<String>> value_;
};

const char* PropValueTypeName(TPropValue::TType type);

// Identifiers an integer property also accepts (colour names and the like).
struct TIdentMapEntry {
    std::int64_t Value;
    const char* Name;
};

struct TPropInfo {
    String Name;
    TPropKind Kind = TPropKind::Integer;
    TClass Declaring = nullptr;            // the class that registered it
    TClass ObjectClass = nullptr;          // Class and Component kinds: the class of the value
    std::vector<String> Names;             // Enumeration identifiers, Set element names
    TEventSignature Signature = nullptr;   // Event kind
    std::span<const TIdentMapEntry> Idents;  // Integer kinds
    std::function<TPropValue(TObject*)> Get;                 // empty when write-only
    std::function<void(TObject*, const TPropValue&)> Set;    // empty when read-only
};

struct THandlerInfo {
    String Name;
    TEventSignature Signature = nullptr;
    void* Code = nullptr;
    void* (*Adjust)(TObject* instance) = nullptr;  // the object pointer the handler expects, or null

    TMethod MethodFor(TObject* instance) const;  // {Code, Adjust(instance)}; Data null when not a match
};

namespace PropertyDetail {
TPropInfo& AddProperty(TClass cls, TPropInfo info);
void AddHandler(TClass cls, THandlerInfo info);
[[noreturn]] void OutOfRange(const String& name, std::int64_t value);
[[noreturn]] void WrongInstance(const String& name, TClass expected);
}  // namespace PropertyDetail

template <class C>
class TPropertyBuilder {
public:
    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Int(const char* name, G get, S set = nullptr) {
        using T = ValueType<G>;
        static_assert(std::is_integral_v<T> && !std::is_same_v<T, bool>, "Int needs an integer getter");
        TPropInfo info = Make(name, sizeof(T) <= 4 ? TPropKind::Integer : TPropKind::Int64);
        info.Get = Getter(get, [](const T& v) { return TPropValue(static_cast<std::int64_t>(v)); });
        info.Set = Setter<T>(get, set, [n = info.Name](const TPropValue& v) {
            const std::int64_t x = v.AsInteger();
            if (!std::in_range<T>(x))
                PropertyDetail::OutOfRange(n, x);
            return static_cast<T>(x);
        });
        return Add(std::move(info));
    }

    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Float(const char* name, G get, S set = nullptr) {
        using T = ValueType<G>;
        static_assert(std::is_floating_point_v<T>, "Float needs a floating-point getter");
        TPropInfo info = Make(name, TPropKind::Float);
        info.Get = Getter(get, [](const T& v) { return TPropValue(static_cast<double>(v)); });
        info.Set = Setter<T>(get, set, [](const TPropValue& v) { return static_cast<T>(v.AsFloat()); });
        return Add(std::move(info));
    }

    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Str(const char* name, G get, S set = nullptr) {
        static_assert(std::is_same_v<ValueType<G>, String>, "Str needs a String getter");
        TPropInfo info = Make(name, TPropKind::String);
        info.Get = Getter(get, [](const String& v) { return TPropValue(v); });
        info.Set = Setter<String>(get, set, [](const TPropValue& v) { return v.AsString(); });
        return Add(std::move(info));
    }

    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Bool(const char* name, G get, S set = nullptr) {
        static_assert(std::is_same_v<ValueType<G>, bool>, "Bool needs a bool getter");
        TPropInfo info = Make(name, TPropKind::Boolean);
        info.Get = Getter(get, [](bool v) { return TPropValue(v); });
        info.Set = Setter<bool>(get, set, [](const TPropValue& v) { return v.AsBoolean(); });
        return Add(std::move(info));
    }

    // `names` are the identifiers of ordinals 0, 1, ...
    template <class G, class S>
    TPropertyBuilder& Enum(const char* name, G get, S set, std::initializer_list<const char*> names) {
        using T = ValueType<G>;
        static_assert(std::is_enum_v<T> || std::is_integral_v<T>, "Enum needs an enumeration getter");
        TPropInfo info = Make(name, TPropKind::Enumeration);
        info.Names.assign(names.begin(), names.end());
        info.Get = Getter(get, [](const T& v) { return TPropValue(static_cast<std::int64_t>(v)); });
        info.Set = Setter<T>(get, set, [](const TPropValue& v) { return static_cast<T>(v.AsInteger()); });
        return Add(std::move(info));
    }

    // `names` are the elements of bits 0, 1, ... of the mask.
    template <class G, class S>
    TPropertyBuilder& Set(const char* name, G get, S set, std::initializer_list<const char*> names) {
        using T = ValueType<G>;
        static_assert(std::is_enum_v<T> || std::is_integral_v<T>, "Set needs a bit-mask getter");
        TPropInfo info = Make(name, TPropKind::Set);
        info.Names.assign(names.begin(), names.end());
        info.Get = Getter(get, [](const T& v) { return TPropValue(static_cast<std::int64_t>(v)); });
        info.Set = Setter<T>(get, set, [](const TPropValue& v) { return static_cast<T>(v.AsInteger()); });
        return Add(std::move(info));
    }

    // A sub-object (font, string list, collection); the form reader reads into it in place.
    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Object(const char* name, G get, S set = nullptr) {
        return AddObject<false>(name, get, set);
    }

    // A reference to another component, set once the whole form has been read.
    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Component(const char* name, G get, S set = nullptr) {
        return AddObject<true>(name, get, set);
    }

    // `get` answers a TEvent (e.g. a member pointer to the event field).
    template <class G, class S = std::nullptr_t>
    TPropertyBuilder& Event(const char* name, G get, S set = nullptr) {
        using T = ValueType<G>;
        TPropInfo info = Make(name, TPropKind::Event);
        info.Signature = T::SignatureId();
        info.Get = Getter(get, [](const T& v) { return TPropValue(v.Method()); });
        info.Set = Setter<T>(get, set, [](const TPropValue& v) { return T::FromMethod(v.AsMethod()); });
        return Add(std::move(info));
    }

    // A string list; `get` may be nullptr.
    template <class G, class S>
    TPropertyBuilder& Strings(const char* name, G get, S set) {
        using T = std::vector<String>;
        TPropInfo info = Make(name, TPropKind::Strings);
        info.Get = Getter(get, [](const T& v) { return TPropValue(v); });
        info.Set = Setter<T>(get, set, [](const TPropValue& v) { return v.AsStrings(); });
        return Add(std::move(info));
    }

    // Identifiers that the last integer property registered also accepts.
    TPropertyBuilder& Idents(std::span<const TIdentMapEntry> idents) {
        if (last_)
            last_->Idents = idents;
        return *this;
    }

    // A handler that form descriptions bind by `name` to events of the same signature.
    template <auto Member>
    TPropertyBuilder& Handler(const char* name) {
        using Traits = EventDetail::MemberTraits<decltype(Member)>;
        using Class = typename Traits::Class;
        THandlerInfo info;
        info.Name = name;
        info.Signature = EventSignature<typename Traits::Signature>();
        info.Code = reinterpret_cast<void*>(&Traits::template Call<Member>);
        info.Adjust = [](TObject* instance) -> void* {
            return const_cast<void*>(static_cast<const void*>(dynamic_cast<Class*>(instance)));
        };
        PropertyDetail::AddHandler(C::StaticClass(), std::move(info));
        return *this;
    }

private:
    template <class G>
    using ValueType = std::remove_cvref_t<std::invoke_result_t<G, C&>>;

    static C& Self(TObject* instance) {
        C* self = dynamic_cast<C*>(instance);
        if (!self)
            PropertyDetail::WrongInstance(instance ? instance->ClassName() : String("nil"), C::StaticClass());
        return *self;
    }

    static TPropInfo Make(const char* name, TPropKind kind) {
        TPropInfo info;
        info.Name = name;
        info.Kind = kind;
        info.Declaring = C::StaticClass();
        return info;
    }

    TPropertyBuilder& Add(TPropInfo info) {
        last_ = &PropertyDetail::AddProperty(C::StaticClass(), std::move(info));
        return *this;
    }

    template <class G, class Convert>
    static std::function<TPropValue(TObject*)> Getter(G get, Convert convert) {
        if constexpr (std::is_null_pointer_v<G>)
            return {};
        else
            return [get, convert](TObject* o) { return convert(std::invoke(get, Self(o))); };
    }

    template <class T, class G, class S, class Convert>
    static std::function<void(TObject*, const TPropValue&)> Setter(G get, S set, Convert convert) {
        if constexpr (!std::is_null_pointer_v<S>) {
            return [set, convert](TObject* o, const TPropValue& v) { std::invoke(set, Self(o), convert(v)); };
        } else if constexpr (std::is_member_object_pointer_v<G>) {
            return [get, convert](TObject* o, const TPropValue& v) { Self(o).*get = convert(v); };
        } else {
            return {};
        }
    }

    template <bool IsComponent, class G, class S>
    TPropertyBuilder& AddObject(const char* name, G get, S set) {
        using P = std::remove_pointer_t<ValueType<G>>;
        static_assert(std::is_pointer_v<ValueType<G>> && std::is_base_of_v<TObject, P>,
                      "the getter must answer a pointer to an object");
        static_assert(!IsComponent || std::is_base_of_v<TComponent, P>, "a reference must be to a component");
        TPropInfo info = Make(name, IsComponent ? TPropKind::Component : TPropKind::Class);
        info.ObjectClass = P::StaticClass();
        info.Get = Getter(get, [](P* v) { return TPropValue(static_cast<TObject*>(v)); });
        info.Set = Setter<P*>(get, set, [](const TPropValue& v) { return dynamic_cast<P*>(v.AsObject()); });
        return Add(std::move(info));
    }

    TPropInfo* last_ = nullptr;
};

template <class C>
TPropertyBuilder<C> RegisterProperties() {
    return TPropertyBuilder<C>();
}

// ---- Looking properties up and using them by name ----

const TPropInfo* GetPropInfo(TClass cls, const String& name);  // nullptr when unknown
const TPropInfo* GetPropInfo(const TObject* instance, const String& name);
std::vector<const TPropInfo*> GetPropList(TClass cls);  // base class first; overrides replace
bool IsPublishedProp(const TObject* instance, const String& name);
const THandlerInfo* FindHandler(TClass cls, const String& name);  // nullptr when unknown

// Each raises EPropertyError naming the property for an unknown name, a value of the wrong type
// or kind, a read-only or write-only property and a value out of range.
TPropValue GetPropValue(TObject* instance, const String& name);
void SetPropValue(TObject* instance, const String& name, const TPropValue& value);

std::int64_t GetOrdProp(TObject* instance, const String& name);  // integer, enumeration, set, boolean
void SetOrdProp(TObject* instance, const String& name, std::int64_t value);
String GetStrProp(TObject* instance, const String& name);
void SetStrProp(TObject* instance, const String& name, const String& value);
double GetFloatProp(TObject* instance, const String& name);
void SetFloatProp(TObject* instance, const String& name, double value);
// Enumerations and booleans by identifier.
String GetEnumProp(TObject* instance, const String& name);
void SetEnumProp(TObject* instance, const String& name, const String& ident);
// Sets by their text form: "a,b", or "[a,b]" with `brackets`; the setter takes either.
String GetSetProp(TObject* instance, const String& name, bool brackets = false);
void SetSetProp(TObject* instance, const String& name, const String& text);
TObject* GetObjectProp(TObject* instance, const String& name);  // Class and Component kinds
void SetObjectProp(TObject* instance, const String& name, TObject* value);
TMethod GetMethodProp(TObject* instance, const String& name);
void SetMethodProp(TObject* instance, const String& name, const TMethod& value);

// Typed event access; raises EPropertyError when the event has another signature.
void CheckEventSignature(const TPropInfo& info, TEventSignature signature, const String& what);
template <class Sig>
TEvent<Sig> GetEventProp(TObject* instance, const String& name) {
    const TPropInfo* info = GetPropInfo(instance, name);
    if (info)
        CheckEventSignature(*info, EventSignature<Sig>(), name);
    return TEvent<Sig>::FromMethod(GetMethodProp(instance, name));
}
template <class Sig>
void SetEventProp(TObject* instance, const String& name, const TEvent<Sig>& event) {
    const TPropInfo* info = GetPropInfo(instance, name);
    if (info)
        CheckEventSignature(*info, EventSignature<Sig>(), name);
    SetMethodProp(instance, name, event.Method());
}

// Identifier <-> integer through a property's map; false when absent.
bool IdentToInt(std::span<const TIdentMapEntry> map, const String& ident, std::int64_t& value);
bool IntToIdent(std::span<const TIdentMapEntry> map, std::int64_t value, String& ident);
