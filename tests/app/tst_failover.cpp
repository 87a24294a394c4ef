// A primary with a streaming standby, each a throwaway cluster of its own on its own loopback
// address (127.0.0.11 and 127.0.0.12, port 5432; 127.0.0.1 is never touched): the program
// connected to "127.0.0.11,127.0.0.12" saves on the primary; the primary stops, the standby
// is promoted, and the program's next actions go to the new primary with nothing lost.
#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "journal/record_writes.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QtTest>
#include <unistd.h>

namespace {

const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");
const QString Primary = QStringLiteral("127.0.0.11");
const QString Standby = QStringLiteral("127.0.0.12");

QString root;

// Runs a server program, as postgres when this process is root; fails the test on an error.
QString run(const QString& program, const QStringList& args, const QString& input = {},
            bool* ok = nullptr) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGCLIENTENCODING", "UTF8");
    env.remove("PGPASSWORD");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory("/tmp");
    if (::geteuid() == 0)
        p.start("runuser", QStringList{"-u", "postgres", "--", Bin + program} + args);
    else
        p.start(Bin + program, args);
    p.waitForStarted();
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(180000);
    const bool good = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (ok) *ok = good;
    if (!good && !ok)
        qFatal("%s: %s%s", qPrintable(program), p.readAllStandardError().constData(),
               p.readAllStandardOutput().constData());
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

QString dirOf(const QString& address) {
    return root + (address == Primary ? "/primary" : "/standby");
}

QString psql(const QString& address, const QString& sql, const QString& database = "failover") {
    return run("psql", {"-h", dirOf(address), "-p", "5432", "-U", "postgres", "-d", database, "-X",
                        "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1", "-c", sql});
}

void stopAll() {
    if (root.isEmpty()) return;
    for (const QString& a : {Primary, Standby}) {
        bool ok = false;
        if (QFile::exists(dirOf(a) + "/postmaster.pid"))
            run("pg_ctl", {"-D", dirOf(a), "-m", "immediate", "-w", "stop"}, {}, &ok);
    }
    QDir(root).removeRecursively();
}

journal::RecordInput record(int day) {
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.shift = 1;
    r.day = QDate(2024, 3, day);
    r.price = 12.5;
    r.quantity = day;
    r.hours = 8;
    return r;
}

QString serverOf(data::Query& control) {
    return data::lookupIn(control, "select host(inet_server_addr()) as a", "a").toString();
}

} // namespace

class FailoverTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void savesGoToThePromotedStandby();
};

void FailoverTest::initTestCase() {
    root = QStringLiteral("/tmp/tabel_failover_%1").arg(QCoreApplication::applicationPid());
    // clusters of runs that were killed
    for (const QString& old : QDir("/tmp").entryList({"tabel_failover_*"}, QDir::Dirs)) {
        const QString pid = old.section(u'_', 2);
        if (QFileInfo::exists("/proc/" + pid)) continue;
        for (const char* part : {"/primary", "/standby"}) {
            const QString d = "/tmp/" + old + part;
            bool ok = false;
            if (QFile::exists(d + "/postmaster.pid"))
                run("pg_ctl", {"-D", d, "-m", "immediate", "-w", "stop"}, {}, &ok);
        }
        QDir("/tmp/" + old).removeRecursively();
    }
    QDir().mkpath(root);
    if (::geteuid() == 0) QProcess::execute("chown", {"postgres:postgres", root});
    const QString primary = dirOf(Primary);
    run("initdb",
        {"-D", primary, "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C.UTF-8"});
    QFile conf(primary + "/postgresql.conf");
    QVERIFY(conf.open(QIODevice::Append));
    conf.write(QStringLiteral("listen_addresses = '%1'\nport = 5432\nunix_socket_directories = "
                              "'%2'\nwal_level = replica\nmax_wal_senders = 4\nhot_standby = on\n")
                   .arg(Primary, primary)
                   .toUtf8());
    conf.close();
    QFile hba(primary + "/pg_hba.conf");
    QVERIFY(hba.open(QIODevice::Append));
    hba.write("host all all 127.0.0.0/8 trust\nhost replication all 127.0.0.0/8 trust\n");
    hba.close();
    run("pg_ctl", {"-D", primary, "-l", primary + "/log", "-w", "-t", "60", "start"});
    psql(Primary, "CREATE ROLE sys LOGIN SUPERUSER PASSWORD 'vumbexl'", "postgres");
    psql(Primary,
         "CREATE DATABASE failover OWNER sys TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE "
         "'C.UTF-8' LC_CTYPE 'C.UTF-8'",
         "postgres");
    // by name, so that the seed finds the upgrade scripts it includes beside it
    for (const char* file :
         {"/sql/schema.sql", "/sql/seed.sql", "/tests/fixtures/department.sql"}) {
        const QString path = QStringLiteral(TABEL_SOURCE_DIR) + file;
        QVERIFY(QFile::exists(path));
        run("psql", {"-h", primary, "-p", "5432", "-U", "postgres", "-d", "failover", "-X", "-q",
                     "-v", "ON_ERROR_STOP=1", "-f", path});
    }

    // the standby: a base backup that follows the primary's stream
    const QString standby = dirOf(Standby);
    run("pg_basebackup", {"-h", Primary, "-p", "5432", "-U", "postgres", "-D", standby, "-R", "-X",
                          "stream", "-c", "fast"});
    // the primary's socket lock, copied with its directory, is not the standby's
    QFile::remove(standby + "/.s.PGSQL.5432.lock");
    QFile autoConf(standby + "/postgresql.auto.conf");
    QVERIFY(autoConf.open(QIODevice::Append));
    autoConf.write(QStringLiteral("listen_addresses = '%1'\nunix_socket_directories = '%2'\n")
                       .arg(Standby, standby)
                       .toUtf8());
    autoConf.close();
    run("pg_ctl", {"-D", standby, "-l", standby + "/log", "-w", "-t", "60", "start"});
    QCOMPARE(psql(Standby, "select pg_is_in_recovery()"), QString("t"));
    data::setRole(data::Role::Full);
}

void FailoverTest::cleanupTestCase() {
    stopAll();
}

void FailoverTest::savesGoToThePromotedStandby() {
    data::Connection connection;
    // the standby accepts no writes: the program takes the primary, whichever comes first
    connection.setConnectionString(app::connectionString("failover", Standby + "," + Primary));
    connection.open();
    data::Query control(connection);
    QCOMPARE(serverOf(control), Primary);
    QCOMPARE(journal::addRecord(control, record(4)), journal::WriteResult::Written);
    QCOMPARE(journal::addRecord(control, record(5)), journal::WriteResult::Written);

    // the primary stops (a fast stop sends the standby all it has) and the standby is promoted
    run("pg_ctl", {"-D", dirOf(Primary), "-m", "fast", "-w", "stop"});
    run("pg_ctl", {"-D", dirOf(Standby), "-w", "promote"});
    QCOMPARE(psql(Standby, "select pg_is_in_recovery()"), QString("f"));

    // the next action connects again, to the new primary, and goes on
    QCOMPARE(serverOf(control), Standby);
    QCOMPARE(journal::addRecord(control, record(6)), journal::WriteResult::Written);
    QCOMPARE(psql(Standby, "select string_agg(kol_vo::text || ':' || ok, ' ' order by data) "
                           "from accounts_dep.smena"),
             QString("4:no 5:no 6:no"));
    QCOMPARE(psql(Standby, "select d4 || ' ' || d5 || ' ' || d6 from accounts_dep.h_tabel"),
             QString("8 8 8"));

    // a copy started now, with the old primary still away, finds the new one
    data::Connection later;
    later.setConnectionString(app::connectionString("failover", Primary + "," + Standby));
    later.open();
    data::Query other(later);
    QCOMPARE(serverOf(other), Standby);
}

QTEST_MAIN(FailoverTest)
#include "tst_failover.moc"
