#include "TypeRegistry.h"

#include "Encoding.h"

#include <deque>
#include <map>

namespace {

struct TClassEntry {
    std::deque<TPropInfo> Props;  // a deque keeps TPropInfo addresses stable
    std::deque<THandlerInfo> Handlers;
};

struct TRegistry {
    std::vector<std::pair<TClass, TComponentFactory>> Classes;
    std::map<TClass, TClassEntry> Entries;
};

void RegisterCoreProperties() {
    RegisterProperties<TComponent>()
        .Str("Name", &TComponent::Name, &TComponent::SetName)
        .Int("Tag", &TComponent::Tag, &TComponent::SetTag);
}

TRegistry& Registry() {
    static TRegistry registry;
    static bool coreRegistered = false;
    if (!coreRegistered) {
        coreRegistered = true;
        RegisterCoreProperties();
    }
    return registry;
}

const TClassEntry* EntryOf(TClass cls) {
    const auto& entries = Registry().Entries;
    auto it = entries.find(cls);
    return it == entries.end() ? nullptr : &it->second;
}

String Quoted(const String& name) {
    return "\"" + name + "\"";
}

[[noreturn]] void PropError(const String& message) {
    throw EPropertyError(message);
}

const TPropInfo& RequireProp(const TObject* instance, const String& name) {
    if (!instance)
        PropError("Cannot reach property " + Quoted(name) + " of nil");
    const TPropInfo* info = GetPropInfo(instance, name);
    if (!info)
        PropError("Property " + Quoted(name) + " does not exist in " + instance->ClassName());
    return *info;
}

[[noreturn]] void KindError(const TPropInfo& info, const char* wanted) {
    PropError("Property " + Quoted(info.Name) + " is of kind " + PropKindName(info.Kind) + ", not " + wanted);
}

// Checks that `value` suits the property; the typed setters rely on it.
void CheckValue(const TPropInfo& info, const TPropValue& value) {
    using T = TPropValue::TType;
    const T type = value.Type();
    auto typeError = [&](const char* wanted) {
        PropError("Invalid value for property " + Quoted(info.Name) + ": " + wanted + " expected, not " +
                  PropValueTypeName(type));
    };
    switch (info.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
        if (type != T::Integer)
            typeError("an integer");
        break;
    case TPropKind::Float:
        if (type != T::Integer && type != T::Float)
            typeError("a number");
        break;
    case TPropKind::String:
        if (type != T::String)
            typeError("a string");
        break;
    case TPropKind::Boolean:
        if (type != T::Boolean && !(type == T::Integer && (value.AsInteger() == 0 || value.AsInteger() == 1)))
            typeError("a boolean");
        break;
    case TPropKind::Enumeration: {
        if (type != T::Integer)
            typeError("an enumeration ordinal");
        const std::int64_t v = value.AsInteger();
        if (v < 0 || v >= static_cast<std::int64_t>(info.Names.size()))
            PropertyDetail::OutOfRange(info.Name, v);
        break;
    }
    case TPropKind::Set: {
        if (type != T::Integer)
            typeError("a set mask");
        const std::int64_t v = value.AsInteger();
        const std::size_t n = info.Names.size();
        if (v < 0 || (n < 63 && v >= (std::int64_t{1} << n)))
            PropertyDetail::OutOfRange(info.Name, v);
        break;
    }
    case TPropKind::Class:
    case TPropKind::Component: {
        if (type != T::Object)
            typeError(info.Kind == TPropKind::Class ? "an object" : "a component");
        const TObject* object = value.AsObject();
        if (object && info.ObjectClass && !object->InheritsFrom(info.ObjectClass))
            PropError("Invalid value for property " + Quoted(info.Name) + ": a " + object->ClassName() + " is not a " +
                      info.ObjectClass->name);
        break;
    }
    case TPropKind::Event:
        if (type != T::Method)
            typeError("a method");
        break;
    case TPropKind::Strings:
        if (type != T::Strings)
            typeError("a string list");
        break;
    }
}

TPropValue Read(TObject* instance, const TPropInfo& info) {
    if (!info.Get)
        PropError("Property " + Quoted(info.Name) + " of " + instance->ClassName() + " is write-only");
    return info.Get(instance);
}

void Write(TObject* instance, const TPropInfo& info, const TPropValue& value) {
    if (!info.Set)
        PropError("Property " + Quoted(info.Name) + " of " + instance->ClassName() + " is read-only");
    CheckValue(info, value);
    if (info.Kind == TPropKind::Boolean && value.Type() == TPropValue::TType::Integer)
        info.Set(instance, TPropValue(value.AsInteger() != 0));
    else
        info.Set(instance, value);
}

int IndexOfName(const TPropInfo& info, const String& ident) {
    for (std::size_t i = 0; i < info.Names.size(); ++i)
        if (SameText(info.Names[i], ident))
            return static_cast<int>(i);
    return -1;
}

}  // namespace

// ---- Class registry ----

void RegisterComponentClass(TClass cls, TComponentFactory factory) {
    if (!cls || !factory)
        throw EInvalidArgument("RegisterComponentClass needs a class and a factory");
    auto& classes = Registry().Classes;
    for (auto& entry : classes) {
        if (entry.first == cls) {
            entry.second = factory;
            return;
        }
        if (SameText(entry.first->name, cls->name))
            throw EFilerError(String("A class named ") + cls->name + " already exists");
    }
    classes.emplace_back(cls, factory);
}

TClass GetClass(const String& name) {
    for (const auto& entry : Registry().Classes)
        if (SameText(entry.first->name, name))
            return entry.first;
    return nullptr;
}

TClass FindClass(const String& name) {
    TClass cls = GetClass(name);
    if (!cls)
        throw EClassNotFound("Class " + name + " not found");
    return cls;
}

TComponentFactory GetComponentFactory(TClass cls) {
    for (const auto& entry : Registry().Classes)
        if (entry.first == cls)
            return entry.second;
    return nullptr;
}

TComponent* CreateComponent(TClass cls, TComponent* owner) {
    TComponentFactory factory = GetComponentFactory(cls);
    if (!factory)
        throw EClassNotFound(String("Class ") + (cls ? cls->name : "nil") + " not found");
    TComponent* component = factory(owner);
    try {
        component->AfterConstruction();
    } catch (...) {
        delete component;
        throw;
    }
    return component;
}

TComponent* CreateComponent(const String& className, TComponent* owner) {
    return CreateComponent(FindClass(className), owner);
}

// ---- Values ----

const char* PropKindName(TPropKind kind) {
    switch (kind) {
    case TPropKind::Integer: return "integer";
    case TPropKind::Int64: return "int64";
    case TPropKind::Float: return "float";
    case TPropKind::String: return "string";
    case TPropKind::Boolean: return "boolean";
    case TPropKind::Enumeration: return "enumeration";
    case TPropKind::Set: return "set";
    case TPropKind::Class: return "class";
    case TPropKind::Component: return "component";
    case TPropKind::Event: return "event";
    case TPropKind::Strings: return "strings";
    }
    return "?";
}

const char* PropValueTypeName(TPropValue::TType type) {
    switch (type) {
    case TPropValue::TType::Empty: return "nothing";
    case TPropValue::TType::Integer: return "an integer";
    case TPropValue::TType::Float: return "a float";
    case TPropValue::TType::String: return "a string";
    case TPropValue::TType::Boolean: return "a boolean";
    case TPropValue::TType::Object: return "an object";
    case TPropValue::TType::Method: return "a method";
    case TPropValue::TType::Strings: return "a string list";
    }
    return "?";
}

namespace {
[[noreturn]] void ValueTypeError(TPropValue::TType have, const char* wanted) {
    throw EPropertyError(String("Property value is ") + PropValueTypeName(have) + ", not " + wanted);
}
}  // namespace

std::int64_t TPropValue::AsInteger() const {
    if (auto* v = std::get_if<std::int64_t>(&value_))
        return *v;
    ValueTypeError(Type(), "an integer");
}

double TPropValue::AsFloat() const {
    if (auto* v = std::get_if<double>(&value_))
        return *v;
    if (auto* v = std::get_if<std::int64_t>(&value_))
        return static_cast<double>(*v);
    ValueTypeError(Type(), "a number");
}

const String& TPropValue::AsString() const {
    if (auto* v = std::get_if<String>(&value_))
        return *v;
    ValueTypeError(Type(), "a string");
}

bool TPropValue::AsBoolean() const {
    if (auto* v = std::get_if<bool>(&value_))
        return *v;
    ValueTypeError(Type(), "a boolean");
}

TObject* TPropValue::AsObject() const {
    if (auto* v = std::get_if<TObject*>(&value_))
        return *v;
    ValueTypeError(Type(), "an object");
}

const TMethod& TPropValue::AsMethod() const {
    if (auto* v = std::get_if<TMethod>(&value_))
        return *v;
    ValueTypeError(Type(), "a method");
}

const std::vector<String>& TPropValue::AsStrings() const {
    if (auto* v = std::get_if<std::vector<String>>(&value_))
        return *v;
    ValueTypeError(Type(), "a string list");
}

TMethod THandlerInfo::MethodFor(TObject* instance) const {
    void* data = Adjust ? Adjust(instance) : nullptr;
    return data ? TMethod{Code, data} : TMethod{};
}

// ---- Registration ----

namespace PropertyDetail {

TPropInfo& AddProperty(TClass cls, TPropInfo info) {
    auto& props = Registry().Entries[cls].Props;
    for (TPropInfo& existing : props)
        if (SameText(existing.Name, info.Name)) {
            existing = std::move(info);
            return existing;
        }
    props.push_back(std::move(info));
    return props.back();
}

void AddHandler(TClass cls, THandlerInfo info) {
    auto& handlers = Registry().Entries[cls].Handlers;
    for (THandlerInfo& existing : handlers)
        if (SameText(existing.Name, info.Name)) {
            existing = std::move(info);
            return;
        }
    handlers.push_back(std::move(info));
}

void OutOfRange(const String& name, std::int64_t value) {
    throw EPropertyError("Value " + std::to_string(value) + " is out of range for property " + Quoted(name));
}

void WrongInstance(const String& className, TClass expected) {
    throw EPropertyError("A " + className + " is not a " + expected->name);
}

}  // namespace PropertyDetail

// ---- Look-up ----

const TPropInfo* GetPropInfo(TClass cls, const String& name) {
    for (TClass c = cls; c; c = c->parent)
        if (const TClassEntry* entry = EntryOf(c))
            for (const TPropInfo& info : entry->Props)
                if (SameText(info.Name, name))
                    return &info;
    return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* instance, const String& name) {
    return instance ? GetPropInfo(instance->ClassType(), name) : nullptr;
}

std::vector<const TPropInfo*> GetPropList(TClass cls) {
    std::vector<TClass> chain;
    for (TClass c = cls; c; c = c->parent)
        chain.push_back(c);
    std::vector<const TPropInfo*> list;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        const TClassEntry* entry = EntryOf(*it);
        if (!entry)
            continue;
        for (const TPropInfo& info : entry->Props) {
            bool replaced = false;
            for (const TPropInfo*& known : list)
                if (SameText(known->Name, info.Name)) {
                    known = &info;
                    replaced = true;
                }
            if (!replaced)
                list.push_back(&info);
        }
    }
    return list;
}

bool IsPublishedProp(const TObject* instance, const String& name) {
    return GetPropInfo(instance, name) != nullptr;
}

const THandlerInfo* FindHandler(TClass cls, const String& name) {
    for (TClass c = cls; c; c = c->parent)
        if (const TClassEntry* entry = EntryOf(c))
            for (const THandlerInfo& info : entry->Handlers)
                if (SameText(info.Name, name))
                    return &info;
    return nullptr;
}

// ---- By name ----

TPropValue GetPropValue(TObject* instance, const String& name) {
    return Read(instance, RequireProp(instance, name));
}

void SetPropValue(TObject* instance, const String& name, const TPropValue& value) {
    Write(instance, RequireProp(instance, name), value);
}

std::int64_t GetOrdProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    switch (info.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
    case TPropKind::Enumeration:
    case TPropKind::Set:
        return Read(instance, info).AsInteger();
    case TPropKind::Boolean:
        return Read(instance, info).AsBoolean() ? 1 : 0;
    default:
        KindError(info, "an ordinal");
    }
}

void SetOrdProp(TObject* instance, const String& name, std::int64_t value) {
    const TPropInfo& info = RequireProp(instance, name);
    switch (info.Kind) {
    case TPropKind::Integer:
    case TPropKind::Int64:
    case TPropKind::Enumeration:
    case TPropKind::Set:
    case TPropKind::Boolean:
        Write(instance, info, TPropValue(value));
        break;
    default:
        KindError(info, "an ordinal");
    }
}

String GetStrProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::String)
        KindError(info, "a string");
    return Read(instance, info).AsString();
}

void SetStrProp(TObject* instance, const String& name, const String& value) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::String)
        KindError(info, "a string");
    Write(instance, info, TPropValue(value));
}

double GetFloatProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Float)
        KindError(info, "a float");
    return Read(instance, info).AsFloat();
}

void SetFloatProp(TObject* instance, const String& name, double value) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Float)
        KindError(info, "a float");
    Write(instance, info, TPropValue(value));
}

String GetEnumProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind == TPropKind::Boolean)
        return Read(instance, info).AsBoolean() ? "True" : "False";
    if (info.Kind != TPropKind::Enumeration)
        KindError(info, "an enumeration");
    const std::int64_t v = Read(instance, info).AsInteger();
    if (v < 0 || v >= static_cast<std::int64_t>(info.Names.size()))
        return std::to_string(v);
    return info.Names[static_cast<std::size_t>(v)];
}

void SetEnumProp(TObject* instance, const String& name, const String& ident) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind == TPropKind::Boolean) {
        if (SameText(ident, "True") || SameText(ident, "False"))
            return Write(instance, info, TPropValue(SameText(ident, "True")));
    } else if (info.Kind == TPropKind::Enumeration) {
        const int index = IndexOfName(info, ident);
        if (index >= 0)
            return Write(instance, info, TPropValue(index));
    } else {
        KindError(info, "an enumeration");
    }
    PropError(Quoted(ident) + " is not a value of property " + Quoted(info.Name));
}

String GetSetProp(TObject* instance, const String& name, bool brackets) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Set)
        KindError(info, "a set");
    const std::int64_t mask = Read(instance, info).AsInteger();
    String text;
    for (std::size_t i = 0; i < info.Names.size() && i < 63; ++i)
        if (mask & (std::int64_t{1} << i)) {
            if (!text.empty())
                text += ',';
            text += info.Names[i];
        }
    return brackets ? "[" + text + "]" : text;
}

void SetSetProp(TObject* instance, const String& name, const String& text) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Set)
        KindError(info, "a set");
    String body = Trim(text);
    if (!body.empty() && body.front() == '[') {
        if (body.back() != ']')
            PropError("Invalid set text " + Quoted(text) + " for property " + Quoted(info.Name));
        body = body.substr(1, body.size() - 2);
    }
    std::int64_t mask = 0;
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t comma = body.find(',', start);
        if (comma == String::npos)
            comma = body.size();
        const String element = Trim(body.substr(start, comma - start));
        if (!element.empty()) {
            const int index = IndexOfName(info, element);
            if (index < 0 || index >= 63)
                PropError(Quoted(element) + " is not an element of property " + Quoted(info.Name));
            mask |= std::int64_t{1} << index;
        } else if (comma < body.size()) {
            PropError("Invalid set text " + Quoted(text) + " for property " + Quoted(info.Name));
        }
        start = comma + 1;
    }
    Write(instance, info, TPropValue(mask));
}

TObject* GetObjectProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Class && info.Kind != TPropKind::Component)
        KindError(info, "an object");
    return Read(instance, info).AsObject();
}

void SetObjectProp(TObject* instance, const String& name, TObject* value) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Class && info.Kind != TPropKind::Component)
        KindError(info, "an object");
    Write(instance, info, TPropValue(value));
}

TMethod GetMethodProp(TObject* instance, const String& name) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Event)
        KindError(info, "an event");
    return Read(instance, info).AsMethod();
}

void SetMethodProp(TObject* instance, const String& name, const TMethod& value) {
    const TPropInfo& info = RequireProp(instance, name);
    if (info.Kind != TPropKind::Event)
        KindError(info, "an event");
    Write(instance, info, TPropValue(value));
}

void CheckEventSignature(const TPropInfo& info, TEventSignature signature, const String& what) {
    if (info.Kind != TPropKind::Event)
        KindError(info, "an event");
    if (info.Signature != signature)
        PropError("Event " + Quoted(what) + " has another signature");
}

bool IdentToInt(std::span<const TIdentMapEntry> map, const String& ident, std::int64_t& value) {
    for (const TIdentMapEntry& entry : map)
        if (SameText(entry.Name, ident)) {
            value = entry.Value;
            return true;
        }
    return false;
}

bool IntToIdent(std::span<const TIdentMapEntry> map, std::int64_t value, String& ident) {
    for (const TIdentMapEntry& entry : map)
        if (entry.Value == value) {
            ident = entry.Name;
            return true;
        }
    return false;
}
