// Interceptors of stored properties: a registry of (target class, interceptor class) pairs, and the
// interceptor base. An interceptor is made with its target object and offers published properties
// that stand in for the target's while a description is read.
//
// Classes in this file:
//   TStoragePropertyInterceptor       the base: Target, WantsIntercept, AfterRead
//   TFormStoragePropertyInterceptor   (Windows) a form's placement scaled to the screen's DPI
//
// The column interceptors live with the columns (DBGridEhColumns.h).
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

#ifdef _WIN32
#include "GridTypesEh.h"

class TCustomForm;

// TCustomForm -> TFormStoragePropertyInterceptor.
void RegisterFormStorageInterceptor();
class TWinControl;

class TFormStoragePropertyInterceptor : public TStoragePropertyInterceptor {
    VESTREL_CLASS(TFormStoragePropertyInterceptor, TStoragePropertyInterceptor)
public:
    explicit TFormStoragePropertyInterceptor(TObject* target);

    // The form's normal (restored) placement.
    int Left() const { return rect_.Left; }
    void SetLeft(int value);
    int Top() const { return rect_.Top; }
    void SetTop(int value);
    int Width() const { return rect_.Width(); }
    void SetWidth(int value) { rect_.Right = rect_.Left + value; }
    int Height() const { return rect_.Height(); }
    void SetHeight(int value) { rect_.Bottom = rect_.Top + value; }
    int PixelsPerInch() const { return pixelsPerInch_; }
    void SetPixelsPerInch(int value) { pixelsPerInch_ = value; }
    int WindowState() const { return windowState_; }
    void SetWindowState(int value) { windowState_ = value; }
    TWinControl* ActiveControl() const { return activeControl_; }
    void SetActiveControl(TWinControl* value) { activeControl_ = value; }
    bool PositionRead() const { return positionRead_; }

    // Scales the placement from the stored DPI to the screen's and applies it to the form.
    void AfterRead() override;

private:
    TCustomForm* Form() const;

    TRect rect_;
    int pixelsPerInch_ = 96;
    int windowState_ = 0;
    TWinControl* activeControl_ = nullptr;
    bool positionRead_ = false;
};
#endif
