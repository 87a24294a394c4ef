// The running program when the server drops its session or goes away for a while.
#include "app/app.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "testdb.h"
#include "ui/dialogs.h"

#include <QPushButton>
#include <QTimer>
#include <QtTest>

namespace {
void killSession() {
    const QVariant pid = DataModule6->lookup("select pg_backend_pid() as pid", "pid");
    fixture::exec(QStringLiteral("select pg_terminate_backend(%1, 10000);").arg(pid.toInt()));
}

void serverAt(const QString& address) {
    DataModule6->ADO_DB.setConnectionString(
        app::connectionString(fixture::databaseName(), address));
}

// The journal's timer firing, through its signal as the event loop delivers it.
void tick() {
    QVERIFY(QMetaObject::invokeMethod(Form1->Timer1, "timeout"));
}
} // namespace

class LostConnectionTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void restartedServerCostsNothing();
    void serverAwayShowsOneMessage();
    void timerAddsNoBoxToAnAction();
};

void LostConnectionTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql() + R"(
        insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod, prize)
        values (current_date, 1, 1, 101, 1, 12.5, 10, 2, 8, 0, 'no', current_date, 0);
    )");
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->FormActivate(); // the journal lists today
    fixture::exec("update accounts_dep.ver set delim=','");
}

void LostConnectionTest::restartedServerCostsNothing() {
    ui::Script script;
    killSession();
    tick(); // the version check reopens the session and reads the stamp row again
    QCOMPARE(DataModule6->DbDelim, QString(","));
    killSession();
    Form1->Button8->click(); // "Обновить"
    QCOMPARE(DataModule6->Smena1.recordCount(), 1);
    QCOMPARE(script.texts(), QStringList());
}

void LostConnectionTest::serverAwayShowsOneMessage() {
    killSession();
    serverAt("127.0.0.3"); // nothing listens there: the server is away
    {
        ui::Script script;
        // the timer fires again while its first box is still open
        script.whileMessage([] { tick(); });
        tick();
        QCOMPARE(script.texts(), QStringList{data::Connection::lostMessage()});
        QCOMPARE(script.shown().first().caption, QString("Ошибка"));
        QCOMPARE(script.shown().first().icon, QMessageBox::Critical);
        // a user's action: one box, the same words
        script.clear();
        Form1->Button8->click();
        QCOMPARE(script.texts(), QStringList{data::Connection::lostMessage()});
    }
    serverAt("127.0.0.1"); // back
    ui::Script script;
    tick();
    Form1->Button8->click();
    QCOMPARE(script.texts(), QStringList());
    QCOMPARE(DataModule6->Smena1.recordCount(), 1);
}

void LostConnectionTest::timerAddsNoBoxToAnAction() {
    qint64 now = QDateTime::currentMSecsSinceEpoch() + 3600000; // well after any earlier box
    ui::setMessageClock([&] { return now; });
    killSession();
    serverAt("127.0.0.3");
    {
        ui::Script script;
        // the user's action tells of the loss; the timer fires while its box is up ...
        script.whileMessage([] { tick(); });
        Form1->Button8->click();
        QCOMPARE(script.texts(), QStringList{data::Connection::lostMessage()});
        // ... a few seconds after it, and long after it while the server is still away
        now += 5000;
        tick();
        now += 60000;
        tick();
        QCOMPARE(script.texts().size(), 1);
    }
    serverAt("127.0.0.1");
    {
        ui::Script script;
        tick(); // gets through again
        QCOMPARE(script.texts(), QStringList());
        // a new loss later is told again by the timer
        killSession();
        serverAt("127.0.0.3");
        now += 60000;
        tick();
        QCOMPARE(script.texts(), QStringList{data::Connection::lostMessage()});
    }
    serverAt("127.0.0.1");
    ui::Script script;
    now += 60000;
    tick();
    Form1->Button8->click();
    QCOMPARE(script.texts(), QStringList());
    ui::setMessageClock([] { return QDateTime::currentMSecsSinceEpoch(); });
}

QTEST_MAIN(LostConnectionTest)
#include "tst_lost_connection.moc"
