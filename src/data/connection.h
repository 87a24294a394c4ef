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
// trip. No statement counts on what an earlier one left in the session (a setting, a
// prepared statement, a temporary table, a session lock): a connection pooler may give each
// transaction another server session. Dates go into statements as values or ISO texts, which
// the server reads the same whatever its DateStyle.
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
#include <QStringList>
#include <QVariant>
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
    void open();
    // What the user is told when the server cannot be reached in the middle of the work.
    static QString lostMessage();
    // What the user is told when the server refused a statement the login has no right to
    // (a missing right, or a rule of the database); nothing of its transaction was written.
    static QString notAllowedMessage(const QString& serverText);
    // The same when the connection went during a commit, whose outcome is not known.
    static QString lostCommitMessage();
    void close();
    bool connected() const;
    // Opens the connection again after it was lost; false while the server is away.
    bool reconnect();

    QSqlDatabase database() const;
    // Names this connection in the changes it announces, so that its copy knows its own.
    const QString& copyId() const { return copy_; }

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
    // Runs statements as one transaction in one round trip: "begin; s1; …; sn; commit", or
    // only the statements inside a transaction already open, which commits them. Returns
    // the last statement's result. A failing statement undoes them all and raises DbError.
    // Never sent again on a new session: a connection lost while they ran raises CommitLost
    // (they may have committed), or lostMessage() inside an open transaction.
    QSqlQuery execWrite(const QStringList& statements, const QVariantList& binds = {},
                        qsizetype resultAt = -1);
    // What a session has told about the database once (e.g. whether a table exists),
    // forgotten when the connection is opened again.
    QVariant sessionFact(const QString& name) const { return facts_.value(name); }
    void setSessionFact(const QString& name, const QVariant& value) { facts_[name] = value; }


    // Exchanges with the server since this object was made (see the top of this file).
    qint64 roundTrips() const { return trips_; }
    // Connections opened, the first included.
    int openings() const { return openings_; }

private:
    bool alive();
    // Opens a lost connection again, and the transaction that had sent nothing yet.
    void reopen();

    QString name_;
    QString copy_;
    QString connectionString_;
    int depth_ = 0;
    bool failed_ = false;
    bool lost_ = false; // the server dropped the session; open again before the next use
    int sent_ = 0;      // statements sent in the open transaction
    QHash<QString, QVariant> facts_;
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
