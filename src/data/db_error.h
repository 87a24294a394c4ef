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

// The commit of a transaction was sent and the connection went before its answer came:
// whether the work is in the database is not known (see settleLostCommit).
class CommitLost : public DbError {
public:
    using DbError::DbError;
};

} // namespace data
