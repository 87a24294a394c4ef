// Errors of the database and of the access layer, carrying the server's message.
#pragma once

#include <QString>
#include <stdexcept>

namespace data {

class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

} // namespace data
