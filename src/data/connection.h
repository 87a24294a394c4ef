// The one database connection of the program and its transactions.
//
// A connection the server has dropped (a restart, a killed session) is opened again at the
// next statement, with the session settings, and the statement is sent once more. A
// transaction that had already sent statements when its connection was lost is not redone:
// its work is gone with the session, so the statement fails with lostMessage(), the caller's
// Transaction rolls back, and the next action starts on a fresh connection. A connection
// lost while a commit waited for its answer raises CommitLost: the work may be stored or
// not, and only a look at the database after reconnecting tells which. While the
// server stays away every statement fails with that message, never with the driver's.
//
// Parameters are written into the statement by the driver, so a statement is one round
// trip. A statement run again and again can ask the server to keep its plan
// (execPrepared): the session's prepared statements are known by their text, and a new
// session prepares them again when they are first run on it.
//
// Round trips: every exchange the program waits for is counted (roundTrips()), as the
// driver puts it on the wire. A statement, or several sent as one text, is one. Beginning a
// transaction sends nothing: the driver puts BEGIN in front of the transaction's first
// statement. A commit or rollback is one when a statement ran in the transaction, none
// otherwise. A statement that fails inside a transaction makes the driver roll back at once
// (one more), and the check whether the server is still there (select 1) is one. Opening a
// connection is counted apart (openings()): the TCP and authentication exchange and the
// driver's own two statements (its session settings, and the lookup of the large-object
// type) cost about five round trips with password authentication, whatever the program
// does; the statements the program itself sends after opening count as round trips.
#pragma once

#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

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
    // What the user is told when the server cannot be reached in the middle of the work.
    static QString lostMessage();
    // The same when the connection went during a commit, whose outcome is not known.
    static QString lostCommitMessage();
    void close();
    bool connected() const;
    // Opens the connection again after it was lost; false while the server is away.
    bool reconnect();

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

    // Runs a statement with positional binds ("?") and returns it before its first row;
    // raises DbError with the server's message, or lostMessage() as described above.
    QSqlQuery exec(const QString& sql, const QVariantList& binds = {});
    // Runs a statement whose parameters are written "$1", "$2"…, as exec() does, through a
    // plan the server keeps for the session: the first run of a text prepares it.
    QSqlQuery execPrepared(const QString& sql, const QVariantList& binds);

    // Exchanges with the server since this object was made (see the top of this file).
    qint64 roundTrips() const { return trips_; }
    // Connections opened, the first included.
    int openings() const { return openings_; }

private:
    bool alive();
    // Opens a lost connection again, and the transaction that had sent nothing yet.
    void reopen();

    QString name_;
    QString connectionString_;
    int depth_ = 0;
    bool failed_ = false;
    bool lost_ = false; // the server dropped the session; open again before the next use
    int sent_ = 0;      // statements sent in the open transaction
    int session_ = 0;   // counts the openings: a new session knows no prepared statement
    QHash<QString, QString> prepared_; // statement text -> its name in this session
    qint64 trips_ = 0;
    int openings_ = 0;
    bool serverTransaction_ = false; // the driver has sent BEGIN: commit or rollback is sent
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
