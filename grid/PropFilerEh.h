// Interceptors of stored properties: a registry of (target class, interceptor class) pairs, and the
// interceptor base. An interceptor is made with its target object and offers published properties
// that stand in for the target's while a description is read.
//
// Classes in this file:
//   TStoragePropertyInterceptor       the base: Target, WantsIntercept, AfterRead
//
// The column interceptors live with the columns (DBGridEhColumns.h), the form's in PropFilerEhForm.h.
#pragma once

#include "Object.h"

#include <vector>

class TStoragePropertyInterceptor : public TPersistent {
    VESTREL_CLASS(TStoragePropertyInterceptor, TPersistent)
public:
    explicit TStoragePropertyInterceptor(TObject* target) : target_(target) {}
    TObject* Target() const { return target_; }
    virtual bool WantsIntercept() { return true; }
    virtual void AfterRead() {}

private:
    TObject* target_;
};

// An interceptor class: its class record and how to make one for a target.
struct TStoragePropertyInterceptorClass {
    TClass Class = nullptr;
    TStoragePropertyInterceptor* (*Create)(TObject* target) = nullptr;

    template <class T>
    static TStoragePropertyInterceptorClass Of() {
        return {T::StaticClass(), [](TObject* target) -> TStoragePropertyInterceptor* { return New<T>(target); }};
    }
    bool operator==(const TStoragePropertyInterceptorClass& o) const { return Class == o.Class; }
};

// Removes every earlier pair for `target`, then appends the new pair.
void AddReadPropertyInterceptor(TClass target, const TStoragePropertyInterceptorClass& interceptor);
// Removes the pairs that match both.
void RemoveReadPropertyInterceptor(TClass target, const TStoragePropertyInterceptorClass& interceptor);
// The interceptor class registered for `target` itself, or one with Class nullptr.
TStoragePropertyInterceptorClass FindReadPropertyInterceptor(TClass target);
// The registered pairs, in order.
std::vector<std::pair<TClass, TStoragePropertyInterceptorClass>> ReadPropertyInterceptors();

// The unit's start-up and shut-down (only the first and the last call act); shut-down frees the
// registry. On Windows the grid library's start-up then registers the form interceptor
// (RegisterFormStorageInterceptor).
void PropFilerEhInitialization();
void PropFilerEhFinalization();
