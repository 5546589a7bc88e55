#pragma once
// The one exception type of the program: a message in the system's own words,
// shown by the code where a user action ends.
#include <QString>
#include <stdexcept>

namespace kv {

class Error : public std::runtime_error
{
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    // A message and the system's reason behind it (a full disk...), which a
    // caller that words the failure its own way passes on.
    Error(const QString &message, const QString &cause)
        : std::runtime_error(message.toStdString()), m_message(message), m_cause(cause) {}
    const QString &message() const noexcept { return m_message; }
    const QString &cause() const noexcept { return m_cause; }

private:
    QString m_message;
    QString m_cause;
};

} // namespace kv
