// TObject and TPersistent: the roots of the class layer.
//
// Every class that takes part in the class registry, the property registry or the form reader
// declares itself with VESTREL_CLASS(Self, Base), which gives it a static class record
// (`StaticClass`) and the virtual `ClassType` that answers it.
#pragma once

#include "SysUtils.h"

class TObject;
class TPersistent;
class TFiler;

struct TClassInfo {
    const char* name;
    const TClassInfo* parent;
    bool InheritsFrom(const TClassInfo* other) const {
        for (const TClassInfo* c = this; c; c = c->parent)
            if (c == other) return true;
        return false;
    }
};
using TClass = const TClassInfo*;

#define VESTREL_CLASS(Self, Base)                                                     \
public:                                                                               \
    using inherited = Base;                                                           \
    static TClass StaticClass() {                                                     \
        static const TClassInfo info{#Self, Base::StaticClass()};                    \
        return &info;                                                                 \
    }                                                                                 \
    TClass ClassType() const override { return StaticClass(); }                       \
                                                                                      \
private:

class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = delete;
    TObject& operator=(const TObject&) = delete;
    virtual ~TObject() = default;

    static TClass StaticClass() {
        static const TClassInfo info{"TObject", nullptr};
        return &info;
    }
    virtual TClass ClassType() const { return StaticClass(); }
    String ClassName() const { return ClassType()->name; }
    bool InheritsFrom(TClass c) const { return ClassType()->InheritsFrom(c); }

    // Second construction phase: runs after the most derived constructor, so virtual dispatch
    // reaches the final class. Every factory calls it.
    virtual void AfterConstruction() {}
    virtual void BeforeDestruction() {}
};

class TPersistent : public TObject {
    VESTREL_CLASS(TPersistent, TObject)
public:
    // Copies `source` into this object; classes that know `source` override it, otherwise the
    // source is asked through AssignTo, and failing that EConvertError is raised.
    virtual void Assign(TPersistent* source);
    // Stored properties beyond the published ones (read by the form reader).
    virtual void DefineProperties(TFiler* filer);
    virtual String GetNamePath() const { return ClassName(); }

protected:
    virtual void AssignTo(TPersistent* dest);
    [[noreturn]] void AssignError(TPersistent* source);
};

// Creates `T` with `args` and runs its second construction phase.
template <class T, class... Args>
T* New(Args&&... args) {
    T* object = new T(std::forward<Args>(args)...);
    try {
        object->AfterConstruction();
    } catch (...) {
        delete object;
        throw;
    }
    return object;
}
