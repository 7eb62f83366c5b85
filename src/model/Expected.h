#pragma once

#include <type_traits>
#include <utility>
#include <variant>

// A value or the reason there is none; the service layer's single way to report failure.
template <typename T, typename E> class Expected
{
public:
    Expected() requires std::is_default_constructible_v<T> : m_data(std::in_place_index<0>) {}
    Expected(T value) : m_data(std::in_place_index<0>, std::move(value)) {}
    Expected(E error) : m_data(std::in_place_index<1>, std::move(error)) {}

    bool hasValue() const { return m_data.index() == 0; }
    explicit operator bool() const { return hasValue(); }

    const T& value() const { return std::get<0>(m_data); }
    T& value() { return std::get<0>(m_data); }
    const T* operator->() const { return &value(); }
    const T& operator*() const { return value(); }

    const E& error() const { return std::get<1>(m_data); }

private:
    std::variant<T, E> m_data;
};
