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
    const QString &message() const noexcept { return m_message; }

private:
    QString m_message;
};

} // namespace kv
