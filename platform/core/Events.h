// Event method pointers of the class layer.
//
// Classes in this file:
//   TMethod    untyped (code, data) pair: saves, compares and restores any event
//   TEvent<S>  typed event of signature S: an object and a static thunk that calls one member
//              function on it; comparable, assignable, null-testable and callable
//
// Make an event from a member function with `Event<&TMyForm::Btn_OKClick>(this)`: the member is a
// template argument, so each handler gets its own thunk and the event needs no heap.
#pragma once

#include "SysUtils.h"

#include <cstddef>
#include <type_traits>
#include <utility>

class TObject;

struct TMethod {
    void* Code = nullptr;
    void* Data = nullptr;

    bool operator==(const TMethod&) const = default;
    explicit operator bool() const { return Code != nullptr; }
};

// Identity of an event signature: one address per function type, compared when a handler is
// bound by name.
using TEventSignature = const void*;

namespace EventDetail {
template <class Sig>
struct SignatureTag {
    static inline char id = 0;  // never written; only its address matters
};
}  // namespace EventDetail

template <class Sig>
TEventSignature EventSignature() {
    return &EventDetail::SignatureTag<Sig>::id;
}

template <class Sig>
class TEvent;

template <class R, class... A>
class TEvent<R(A...)> {
public:
    using Signature = R(A...);
    using Thunk = R (*)(void* data, A... args);

    constexpr TEvent() noexcept = default;
    constexpr TEvent(std::nullptr_t) noexcept {}
    constexpr TEvent(void* data, Thunk code) noexcept : data_(code ? data : nullptr), code_(code) {}

    // Calling an unassigned event raises EInvalidOperation.
    R operator()(A... args) const {
        if (!code_)
            throw EInvalidOperation("Call of an unassigned event");
        return code_(data_, std::forward<A>(args)...);
    }

    explicit operator bool() const noexcept { return code_ != nullptr; }
    bool operator==(const TEvent&) const = default;
    bool operator==(std::nullptr_t) const noexcept { return code_ == nullptr; }

    void* Data() const noexcept { return data_; }
    Thunk Code() const noexcept { return code_; }

    TMethod Method() const noexcept { return {reinterpret_cast<void*>(code_), data_}; }
    // The caller vouches that `method` came from an event of this signature.
    static TEvent FromMethod(const TMethod& method) noexcept {
        return TEvent(method.Data, reinterpret_cast<Thunk>(method.Code));
    }
    static TEventSignature SignatureId() { return EventSignature<Signature>(); }

private:
    void* data_ = nullptr;
    Thunk code_ = nullptr;
};

using TNotifyEvent = TEvent<void(TObject* Sender)>;

namespace EventDetail {

template <class C, class R, class... A>
struct MemberTraitsBase {
    using Class = C;
    using Signature = R(A...);
    using EventType = TEvent<R(A...)>;

    template <auto Member>
    static R Call(void* data, A... args) {
        return (static_cast<C*>(data)->*Member)(std::forward<A>(args)...);
    }
};

template <class T>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> : MemberTraitsBase<C, R, A...> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) noexcept> : MemberTraitsBase<C, R, A...> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraitsBase<const C, R, A...> {};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const noexcept> : MemberTraitsBase<const C, R, A...> {};

}  // namespace EventDetail

// The event that calls `Member` on `object`; an empty event when `object` is null.
template <auto Member, class T>
auto Event(T* object) {
    using Traits = EventDetail::MemberTraits<decltype(Member)>;
    using Class = typename Traits::Class;
    using EventType = typename Traits::EventType;
    if (!object)
        return EventType();
    Class* self = object;  // converts to the class that declares the member
    return EventType(const_cast<void*>(static_cast<const void*>(self)), &Traits::template Call<Member>);
}
