// The one database connection of the program and its transactions.
#pragma once

#include <QSqlDatabase>
#include <QString>

namespace data {

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    void setConnectionString(const QString& text) { connectionString_ = text; }
    const QString& connectionString() const { return connectionString_; }

    // Opens the connection; raises DbError with the driver's message when it fails.
    // Every session reads bare 'DD.MM.YYYY' literals day first.
    void open();
    void close();
    bool connected() const;

    QSqlDatabase database() const;

    // Transactions nest: only the outermost one talks to the server.
    void beginTransaction();
    void commit();
    void rollback();
    bool inTransaction() const { return depth_ > 0; }
    // A statement failed: the server has undone the transaction, which must not commit.
    void statementFailed() {
        if (depth_ > 0) failed_ = true;
    }

    // Runs a statement without result; used by the access layer itself.
    void execDirect(const QString& sql);

private:
    QString name_;
    QString connectionString_;
    int depth_ = 0;
    bool failed_ = false;
};

// Begun on construction; rolled back when it leaves scope without commit(), which is what
// happens when an exception passes through it.
class Transaction {
public:
    explicit Transaction(Connection& connection);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    Connection& connection_;
    bool done_ = false;
};

} // namespace data
