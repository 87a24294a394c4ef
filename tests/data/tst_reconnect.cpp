// A connection the server dropped: reopened at the next statement, never redoing a
// transaction that had sent work, and one Russian message while the server stays away.
#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "testdb.h"

#include <QtTest>

namespace {
int backendPid(data::Connection& c) {
    data::Query q(c);
    q.setSql("select pg_backend_pid() as pid");
    q.open();
    return int(q.asInt("pid"));
}

// Ends the connection's session from the server side, as a restart or an administrator does.
void killSession(data::Connection& c) {
    fixture::exec(QStringLiteral("select pg_terminate_backend(%1, 10000);").arg(backendPid(c)));
}

// The kinds stored besides the two every database has.
QString kinds() {
    return fixture::scalar("select string_agg(vid, '|' order by vid) from accounts_dep.vid_oper "
                           "where id not in (7777, 7778)");
}

void insertKind(data::Connection& c, const QString& name) {
    data::Command insert(c);
    insert.setSql("insert into accounts_dep.vid_oper(vid) values (:vid)");
    insert.setParam("vid", name);
    insert.execute();
}

// The message a failing call raised, or "" when it succeeded.
QString failure(const std::function<void()>& call) {
    try {
        call();
    } catch (const data::DbError& e) {
        return e.message();
    }
    return QString();
}
} // namespace

class ReconnectTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void nextStatementReconnects_data();
    void nextStatementReconnects();
    void transactionBegunAfterTheLoss();
    void transactionLostMidway_data();
    void transactionLostMidway();
    void serverAway();
    void ordinaryErrorKeepsTheSession();

private:
    data::Connection connection_;
};

void ReconnectTest::initTestCase() {
    fixture::createDatabase();
}

void ReconnectTest::init() {
    fixture::exec("delete from accounts_dep.vid_oper where id not in (7777, 7778);");
    connection_.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    connection_.open();
}

void ReconnectTest::nextStatementReconnects_data() {
    QTest::addColumn<QString>("statement");
    QTest::newRow("query") << "query";
    QTest::newRow("command") << "command";
    QTest::newRow("table row") << "table";
}

void ReconnectTest::nextStatementReconnects() {
    QFETCH(QString, statement);
    const int before = backendPid(connection_);
    killSession(connection_);
    if (statement == "query") {
        data::Query q(connection_);
        q.setSql("select :day::date + 1 as d, :name || '!' as t");
        q.setParam("day", QDate(2024, 2, 28));
        q.setParam("name", QString("Резка"));
        q.open();
        QCOMPARE(q.asDate("d"), QDate(2024, 2, 29));
        QCOMPARE(q.asText("t"), QString("Резка!"));
    } else if (statement == "command") {
        insertKind(connection_, "Резка");
        QCOMPARE(kinds(), QString("Резка"));
    } else {
        data::Table t(connection_, "accounts_dep.vid_oper");
        t.open(); // reconnects
        killSession(connection_);
        t.insert();
        t.setField("vid", "Гибка");
        t.post();
        QCOMPARE(kinds(), QString("Гибка"));
    }
    QVERIFY(backendPid(connection_) != before);
    QVERIFY(!connection_.inTransaction());
}

void ReconnectTest::transactionBegunAfterTheLoss() {
    killSession(connection_);
    {
        data::Transaction t(connection_);
        insertKind(connection_, "Резка");
        insertKind(connection_, "Гибка");
        t.commit();
    }
    QCOMPARE(kinds(), QString("Гибка|Резка"));
}

void ReconnectTest::transactionLostMidway_data() {
    QTest::addColumn<bool>("atCommit");
    QTest::newRow("next statement") << false;
    QTest::newRow("commit") << true;
}

void ReconnectTest::transactionLostMidway() {
    QFETCH(bool, atCommit);
    const QString message = failure([&] {
        data::Transaction t(connection_);
        insertKind(connection_, "Резка");
        killSession(connection_);
        if (!atCommit) insertKind(connection_, "Гибка");
        t.commit();
    });
    // a commit without its answer may or may not have been stored: the caller is told it
    // does not know (the writes then look in the database)
    QCOMPARE(message,
             atCommit ? data::Connection::lostCommitMessage() : data::Connection::lostMessage());
    QVERIFY(!connection_.inTransaction());
    // nothing of it stored, nothing sent again
    QCOMPARE(kinds(), QString(""));
    // the next action works on a new session
    insertKind(connection_, "Сварка");
    QCOMPARE(kinds(), QString("Сварка"));
}

void ReconnectTest::serverAway() {
    killSession(connection_);
    // nothing listens on this loopback address: the server stays away
    connection_.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.3"));
    for (int attempt = 0; attempt < 2; ++attempt) {
        QCOMPARE(failure([&] { insertKind(connection_, "Резка"); }),
                 data::Connection::lostMessage());
        QCOMPARE(failure([&] { data::Transaction t(connection_); }),
                 data::Connection::lostMessage());
    }
    // back again
    connection_.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    insertKind(connection_, "Резка");
    QCOMPARE(kinds(), QString("Резка"));
}

void ReconnectTest::ordinaryErrorKeepsTheSession() {
    const int before = backendPid(connection_);
    const QString message = failure([&] {
        data::Transaction t(connection_);
        insertKind(connection_, "Резка");
        data::Command bad(connection_);
        bad.setSql("insert into accounts_dep.no_such_table values (1)");
        bad.execute();
        t.commit();
    });
    QVERIFY2(message.contains("no_such_table"), qPrintable(message));
    QCOMPARE(backendPid(connection_), before);
    QCOMPARE(kinds(), QString(""));
}

QTEST_MAIN(ReconnectTest)
#include "tst_reconnect.moc"
