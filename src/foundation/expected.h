// A value or an error, the shape of C++23's std::expected for the few results that report
// failure as text instead of throwing (data-file reads). Plain value type: no shared state.
#pragma once

#include <utility>
#include <variant>

namespace kiv {

template <class E> struct Unexpected { E error; };

template <class E> Unexpected<std::decay_t<E>> unexpected(E&& error) { return {std::forward<E>(error)}; }

template <class T, class E> class Expected {
public:
    Expected(T value) : state_(std::in_place_index<0>, std::move(value)) {}
    template <class F> Expected(Unexpected<F> failure) : state_(std::in_place_index<1>, std::move(failure.error)) {}

    bool has_value() const noexcept { return state_.index() == 0; }
    explicit operator bool() const noexcept { return has_value(); }

    // Calling these on the wrong alternative throws std::bad_variant_access.
    T& value() & { return std::get<0>(state_); }
    const T& value() const& { return std::get<0>(state_); }
    T&& value() && { return std::get<0>(std::move(state_)); }
    const E& error() const& { return std::get<1>(state_); }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    std::variant<T, E> state_;
};

} // namespace kiv
