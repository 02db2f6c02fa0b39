#pragma once
// The program's error: an exception with a message for the user. Handlers
// throw it (or any std::exception); the application shows its message in
// an error box and goes on.
#include <QString>
#include <stdexcept>

namespace orvane {

class Error : public std::runtime_error {
public:
    explicit Error(const QString &message) : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

} // namespace orvane
