#pragma once

#include <QString>

#include <optional>
#include <utility>

// The one shape of an operation that can fail: its value, or the reason it failed, written for
// the operator ("Cannot create Data_Text.txt in /x: Permission denied"). A function returns
// Failure{reason} and the caller reads ok(), value() and reason().
struct Failure
{
    QString reason;
};

template <typename T = void>
class [[nodiscard]] Result
{
public:
    Result(T value)
        : m_value(std::move(value))
    { }
    Result(Failure failure)
        : m_reason(std::move(failure.reason))
    { }

    bool ok() const { return m_value.has_value(); }
    explicit operator bool() const { return ok(); }
    const T &value() const & { return *m_value; }
    T &value() & { return *m_value; }
    T &&value() && { return std::move(*m_value); }
    const T *operator->() const { return &*m_value; }
    const T &operator*() const & { return *m_value; }
    // Empty when ok().
    const QString &reason() const { return m_reason; }

private:
    std::optional<T> m_value;
    QString m_reason;
};

template <>
class [[nodiscard]] Result<void>
{
public:
    Result() = default;
    Result(Failure failure)
        : m_ok(false)
        , m_reason(std::move(failure.reason))
    { }

    bool ok() const { return m_ok; }
    explicit operator bool() const { return m_ok; }
    const QString &reason() const { return m_reason; }

private:
    bool m_ok = true;
    QString m_reason;
};
