// Personal logins on a database prepared by sql/upgrade/roles.sql: what the server refuses
// to each group, the login window asking a person's password and taking the role from the
// group, the program's writes under each group, several servers, the form from the command
// line as a read login.
#include "app/app.h"
#include "app/login_window.h"
#include "app/version.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/rights.h"
#include "data/write_engine.h"
#include "journal/journal_window.h"
#include "journal/record_writes.h"
#include "refdata/product_deletion.h"
#include "refdata/reference_writes.h"
#include "reports/reports_window.h"
#include "testdb.h"
#include "timesheet/closed_months.h"
#include "timesheet/household_writes.h"
#include "timesheet/month_rebuild.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/radio_group.h"

#include <QAction>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Login roles belong to the whole server: named after this run, dropped at its end.
QString prefix() {
    return QStringLiteral("tl%1_").arg(QCoreApplication::applicationPid());
}
QString login(const QString& kind) {
    return prefix() + kind;
}
// Braces, a semicolon and an equals sign: the connection string must carry it whole.
const QString Password = QStringLiteral("s;e{c}r=et 1");

struct Psql {
    bool ok = false;
    QString out;
    QString error;
};

// A statement as the login, in a transaction that is rolled back when it passes.
Psql psqlAs(const QString& user, const QString& sql, bool keep = false) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGPASSWORD", user == QLatin1String("sys") ? QStringLiteral("vumbexl") : Password);
    env.insert("PGCLIENTENCODING", "UTF8");
    env.insert("LC_MESSAGES", "C");
    p.setProcessEnvironment(env);
    const QString text =
        keep ? sql : QStringLiteral("begin; ") + sql + QStringLiteral("; rollback;");
    p.start("psql", {"-h", "127.0.0.1", "-p", "5432", "-U", user, "-d", fixture::databaseName(),
                     "-X", "-q", "-t", "-A", "-v", "ON_ERROR_STOP=1", "-c", text});
    p.waitForFinished(60000);
    return {p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0,
            QString::fromUtf8(p.readAllStandardOutput()).trimmed(),
            QString::fromUtf8(p.readAllStandardError()).trimmed()};
}

void dropLogins(const QString& like) {
    const QStringList names =
        fixture::scalar(QStringLiteral("select string_agg(rolname, ' ') from pg_roles where "
                                       "rolname like '%1'")
                            .arg(like))
            .split(u' ', Qt::SkipEmptyParts);
    for (const QString& name : names) {
        fixture::exec(QStringLiteral("select pg_terminate_backend(pid) from pg_stat_activity "
                                     "where usename='%1';")
                          .arg(name));
        // the rights it holds in this database (a login made before the script keeps its
        // right to temporary tables by name) go with it
        fixture::exec(QStringLiteral("drop owned by %1; drop role if exists %1;").arg(name));
    }
}

// What the journal and the reports window enable: add change delete browse N2 N11 reports.
QString matrix() {
    return QStringLiteral("%1%2%3%4%5%6%7")
        .arg(int(Form1->Button1->isEnabled()))
        .arg(int(Form1->Button2->isEnabled()))
        .arg(int(Form1->Button3->isEnabled()))
        .arg(int(Form1->DBGrid2->isEnabled()))
        .arg(int(Form1->N2->isEnabled()))
        .arg(int(Form1->N11->isEnabled()))
        .arg(int(Form18->Button1->isEnabled()));
}

journal::RecordInput record(int day, int hours) {
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.shift = 2;
    r.day = QDate(2024, 3, day);
    r.price = 12.5;
    r.quantity = 10;
    r.hours = hours;
    return r;
}

QString currentUser() {
    return data::lookupIn(DataModule6->Control, QStringLiteral("select current_user as u"),
                          QStringLiteral("u"))
        .toString();
}

} // namespace

class LoginsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void connectionStrings();
    void serverRefuses_data();
    void serverRefuses();
    void scriptRunsAgain();
    void windowPerGroup_data();
    void windowPerGroup();
    void fullAccessWrites();
    void passwordNotAsked_data();
    void passwordNotAsked();
    void loginOutsideTheGroups();
    void severalServers();
    void formForReadLogin();
};

void LoginsTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    // logins left behind by runs that were killed
    const QStringList old = fixture::scalar("select string_agg(rolname, ' ') from pg_roles where "
                                            "rolname ~ '^tl[0-9]+_'")
                                .split(u' ', Qt::SkipEmptyParts);
    for (const QString& name : old) {
        const QString pid = name.mid(2, name.indexOf(u'_') - 2);
        if (!QFileInfo::exists(QStringLiteral("/proc/") + pid)) dropLogins(name);
    }
    // a login of another program, older than the script: it keeps what PUBLIC gave it
    fixture::exec(
        QStringLiteral("create role %1 login password '%2';").arg(login("none"), Password));
    fixture::execFile(QStringLiteral("sql/upgrade/roles.sql"));
    for (const QString kind : {"read", "report", "entry", "full"})
        fixture::exec(QStringLiteral("create role %1 login password '%2' in role tabel_%3;")
                          .arg(login(kind), Password, kind));
    // a record and a timesheet row in February, which is closed; an entry in March
    fixture::exec(
        "insert into accounts_dep.smena (id, data, smena, w_id, i_id, o_id, cena, "
        "kol_vo, brak, time, color, ok) values (900, '2024-02-12', 1, 1, 101, 1, 12.5, 4, "
        "0, 8, 0, 'no'), (901, '2024-03-12', 1, 1, 101, 1, 12.5, 4, 0, 8, 0, 'no');"
        "insert into accounts_dep.h_tabel (w_id, month, year, smena, d12) values "
        "(1, 2, 2024, 1, 8), (1, 3, 2024, 1, 8);"
        "insert into accounts_dep.closed_month values (2024, 2, 'test', now());");
    app::setBuildStamp("Feb 19 2024", "10:57:13");
    qunsetenv("PGPASSWORD");
    qunsetenv("PGPASSFILE");
    qunsetenv("PGUSER");
}

void LoginsTest::cleanupTestCase() {
    fixture::endProgram();
    dropLogins(prefix() + '%');
    QCOMPARE(
        fixture::scalar(
            QStringLiteral("select count(*) from pg_roles where rolname like '%1%'").arg(prefix())),
        QString("0"));
}

void LoginsTest::connectionStrings() {
    // without --user and PGUSER: the built-in account, as ever
    QVERIFY(app::connectionStringFor(QStringList{"db", "host"}).contains(";UID=sys;PWD=vumbexl;"));
    QVERIFY(!app::connectionStringFor(QStringList{"db", "host"}).contains("pqopt"));
    const app::Login person = app::loginOf({"db", "--user", "ivanova", "host"});
    QCOMPARE(person.database, QString("db"));
    QCOMPARE(person.server, QString("host"));
    QCOMPARE(person.user, QString("ivanova"));
    QCOMPARE(app::loginOf({"--user=petrov"}).user, QString("petrov"));
    const QString asked = app::connectionStringFor(person, Password);
    QVERIFY(asked.contains(";UID=ivanova;PWD={s;e{c}}r=et 1};SSLmode=allow;"));
    QVERIFY(!asked.contains("sys"));
    // no password: the driver's library looks where the person keeps it
    QVERIFY(app::connectionStringFor(person).contains(";UID=ivanova;SSLmode=allow;"));
    qputenv("PGUSER", "petrov");
    QCOMPARE(app::loginOf({"db", "host"}).user, QString("petrov"));
    QCOMPARE(app::loginOf({"db", "host", "--user", "ivanova"}).user, QString("ivanova"));
    qunsetenv("PGUSER");
    const QString several = app::connectionStringFor(QStringList{"db", "db1,db2"});
    QVERIFY(several.contains(";SERVER=db1,db2;"));
    QVERIFY(several.endsWith(";XaOpt=1;pqopt={target_session_attrs=read-write connect_timeout=3}"));
}

void LoginsTest::serverRefuses_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("allowed");
    // every table of the department: neither read nor report login writes a row
    const QList<QPair<QString, QString>> tables{
        {"smena", "ok"},   {"h_tabel", "d1"},   {"fatigue", "cnt"},
        {"person", "fio"}, {"vid_oper", "vid"}, {"oper", "vid"},
        {"norm", "price"}, {"ver", "d"},        {"closed_month", "closed_by"}};
    for (const char* kind : {"read", "report"}) {
        for (const auto& [table, column] : tables) {
            const QString t = "accounts_dep." + table;
            QTest::addRow("%s inserts into %s", kind, qPrintable(table))
                << QString(kind) << "insert into " + t + " default values" << false;
            QTest::addRow("%s updates %s", kind, qPrintable(table))
                << QString(kind) << "update " + t + " set " + column + "=" + column << false;
            QTest::addRow("%s deletes from %s", kind, qPrintable(table))
                << QString(kind) << "delete from " + t << false;
        }
        QTest::addRow("%s reads the journal's tables", kind)
            << QString(kind)
            << "select count(*) from accounts_dep.smena, accounts_dep.izdel, "
               "cmn_contractor.person p where p.s_code='1'"
            << true;
        QTest::addRow("%s changes a product", kind)
            << QString(kind) << "update cmn_gds_and_srv.gds_and_srv set massa=1" << false;
    }
    for (const char* kind : {"read", "report", "entry", "full"}) {
        QTest::addRow("%s creates a table", kind)
            << QString(kind) << "create table accounts_dep.t(i int)" << false;
        QTest::addRow("%s creates a temporary table", kind)
            << QString(kind) << "create temp table t(i int)" << false;
        QTest::addRow("%s creates in public", kind)
            << QString(kind) << "create table public.t(i int)" << false;
        QTest::addRow("%s creates a schema", kind) << QString(kind) << "create schema s" << false;
        QTest::addRow("%s drops a table", kind)
            << QString(kind) << "drop table accounts_dep.smena" << false;
        QTest::addRow("%s alters a table", kind)
            << QString(kind) << "alter table accounts_dep.h_tabel add column x int" << false;
        QTest::addRow("%s empties a table", kind)
            << QString(kind) << "truncate accounts_dep.fatigue" << false;
        QTest::addRow("%s drops a trigger", kind)
            << QString(kind) << "drop trigger tabel_rules on accounts_dep.smena" << false;
    }
    const QString add = "insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, time, ok) "
                        "values ('2024-03-20', 1, 1, 101, 1, %1, '%2')";
    QTest::newRow("entry adds an unaccepted record") << "entry" << add.arg(8).arg("no") << true;
    QTest::newRow("entry adds an accepted one") << "entry" << add.arg(8).arg("ok") << false;
    QTest::newRow("entry accepts") << "entry"
                                   << "update accounts_dep.smena set ok='ok' where id=901" << false;
    QTest::newRow("entry changes a record")
        << "entry"
        << "update accounts_dep.smena set time=2 where id=901" << false;
    QTest::newRow("entry deletes a record")
        << "entry"
        << "delete from accounts_dep.smena where id=901" << false;
    QTest::newRow("entry adds into a closed month")
        << "entry" << QString(add).replace("2024-03-20", "2024-02-20").arg(8).arg("no") << false;
    QTest::newRow("entry adds a 25-hour record") << "entry" << add.arg(25).arg("no") << false;
    QTest::newRow("entry fills a day beyond 24 h")
        << "entry" << QString(add).replace("2024-03-20", "2024-03-12").arg(17).arg("no") << false;
    QTest::newRow("entry keeps household entries")
        << "entry"
        << "insert into accounts_dep.fatigue (id_p, id_o, id_nom, d_date, i_mnth, "
           "i_year, i_smena, cnt, price) values (1, 7777, 11, '2024-03-05', 3, 2024, 1, "
           "8, 150); update accounts_dep.fatigue set cnt=7; delete from "
           "accounts_dep.fatigue"
        << true;
    QTest::newRow("entry posts a cell") << "entry"
                                        << "update accounts_dep.h_tabel set d13=8 where "
                                           "month=3"
                                        << true;
    QTest::newRow("entry overfills a cell") << "entry"
                                            << "update accounts_dep.h_tabel set d13=25 "
                                               "where month=3"
                                            << false;
    QTest::newRow("entry writes the stamp") << "entry"
                                            << "update accounts_dep.ver set d=1" << false;
    QTest::newRow("entry closes a month")
        << "entry"
        << "insert into accounts_dep.closed_month values (2024, 3, 'x', now())" << false;
    QTest::newRow("entry opens a month") << "entry"
                                         << "delete from accounts_dep.closed_month" << false;
    QTest::newRow("entry adds a worker")
        << "entry"
        << "insert into accounts_dep.person (fio) values ('x')" << false;
    QTest::newRow("entry changes a price") << "entry"
                                           << "update accounts_dep.norm set price=1" << false;
    QTest::newRow("entry sets the timesheets' heading")
        << "entry"
        << "update accounts_dep.settings set value='x'" << false;
    QTest::newRow("read reads the timesheets' heading")
        << "read"
        << "select count(*) from accounts_dep.settings" << true;
    QTest::newRow("report accepts") << "report"
                                    << "update accounts_dep.smena set ok='ok'" << false;

    QTest::newRow("full accepts") << "full"
                                  << "update accounts_dep.smena set ok='ok' where id=901" << true;
    QTest::newRow("full writes into a closed month")
        << "full" << QString(add).replace("2024-03-20", "2024-02-20").arg(8).arg("no") << false;
    QTest::newRow("full changes a closed month's record")
        << "full"
        << "update accounts_dep.smena set ok='ok' where id=900" << false;
    QTest::newRow("full moves a record out of a closed month")
        << "full"
        << "update accounts_dep.smena set data='2024-03-01' where id=900" << false;
    QTest::newRow("full deletes a closed month's record")
        << "full"
        << "delete from accounts_dep.smena where id=900" << false;
    QTest::newRow("full changes a closed month's cell")
        << "full"
        << "update accounts_dep.h_tabel set d12=4 where month=2" << false;
    QTest::newRow("full deletes a closed month's rows")
        << "full"
        << "delete from accounts_dep.h_tabel where month=2" << false;
    QTest::newRow("full enters household works in a closed month")
        << "full"
        << "insert into accounts_dep.fatigue (id_p, id_o, id_nom, d_date, cnt, price) "
           "values (1, 7777, 11, '2024-02-05', 8, 150)"
        << false;
    QTest::newRow("full overfills a cell") << "full"
                                           << "update accounts_dep.h_tabel set d13=25 "
                                              "where month=3"
                                           << false;
    QTest::newRow("full writes the stamp, opens and closes months")
        << "full"
        << "update accounts_dep.ver set d=1; delete from accounts_dep.closed_month; "
           "insert into accounts_dep.closed_month values (2024, 3, 'x', now())"
        << true;
    QTest::newRow("full changes reference rows and products")
        << "full"
        << "update accounts_dep.norm set price=1; insert into accounts_dep.person (fio) "
           "values ('x'); insert into cmn_gds_and_srv.gds_and_srv (s_caption, "
           "s_description, id_msm_bs, massa, id_class_item) values ('x', '', 6, 1, 11); "
           "delete from cmn_gds_and_srv.gds_and_srv where s_caption='x'"
        << true;
    QTest::newRow("full sets the timesheets' heading")
        << "full"
        << "insert into accounts_dep.settings values ('organisation', 'x') on conflict (name) "
           "do update set value=excluded.value"
        << true;
    QTest::newRow("full changes the resource-planning persons")
        << "full"
        << "update cmn_contractor.person set s_caption='x'" << false;
    // the owner keeps every right, closed months included
    QTest::newRow("owner writes into a closed month")
        << "sys" << QString(add).replace("2024-03-20", "2024-02-20").arg(8).arg("ok") << true;
}

void LoginsTest::serverRefuses() {
    QFETCH(QString, kind);
    QFETCH(QString, sql);
    QFETCH(bool, allowed);
    const Psql r = psqlAs(kind == "sys" ? kind : login(kind), sql);
    if (allowed) {
        QVERIFY2(r.ok, qPrintable(r.error));
    } else {
        QVERIFY2(!r.ok, qPrintable(sql));
        QVERIFY2(r.error.contains("ERROR"), qPrintable(r.error));
    }
    QCOMPARE(fixture::scalar("select count(*) || ' ' || string_agg(ok, ',' order by id) from "
                             "accounts_dep.smena"),
             QString("2 no,no"));
}

void LoginsTest::scriptRunsAgain() {
    fixture::execFile(QStringLiteral("sql/upgrade/roles.sql"));
    QVERIFY(psqlAs(login("entry"), "insert into accounts_dep.fatigue (id_p, id_o, d_date, cnt) "
                                   "values (1, 7777, '2024-03-05', 8)")
                .ok);
    QVERIFY(!psqlAs(login("entry"), "delete from accounts_dep.smena").ok);
    QVERIFY(!psqlAs(login("read"), "create temp table t(i int)").ok);
    // a login outside the program's groups made temporary tables through PUBLIC, and still
    // does, by name
    QVERIFY(psqlAs(login("none"), "create temp table t(i int)").ok);
}

void LoginsTest::windowPerGroup_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("enabled"); // add change delete browse N2 N11 reports
    QTest::newRow("full") << "full"
                          << "1111111";
    QTest::newRow("entry") << "entry"
                           << "1001000";
    QTest::newRow("report") << "report"
                            << "0001000";
    QTest::newRow("read") << "read"
                          << "0000001";
}

void LoginsTest::windowPerGroup() {
    QFETCH(QString, kind);
    QFETCH(QString, enabled);
    const QString user = login(kind);
    // the stamp older than this build: only full access writes it
    fixture::exec("update accounts_dep.ver set d=20240101, t=0");
    fixture::exec("delete from accounts_dep.smena where id not in (900, 901); update "
                  "accounts_dep.smena set ok='no'; delete from accounts_dep.fatigue");
    app::clearTermination();
    ui::Script script;
    app::createForms({fixture::databaseName(), "127.0.0.1", "--user", user});
    QCOMPARE(script.texts(), QStringList());
    QVERIFY(Form23->isVisible());
    QVERIFY(Form23->personal());
    QVERIFY(Form23->Edit1->isVisibleTo(Form23));
    QCOMPARE(Form23->Label1->text(), QString("Пароль пользователя %1:").arg(user));

    // a wrong password: said so, and asked again
    Form23->Edit1->setText("wrong");
    Form23->Button1Click();
    QCOMPARE(script.texts(), QStringList{QString("Неверный пароль пользователя %1.").arg(user)});
    QVERIFY(Form23->isVisible());
    script.clear();

    bool shown = false;
    script.onModal(Form1, [&] {
        shown = true;
        QCOMPARE(currentUser(), user);
        QCOMPARE(matrix(), enabled);
        QCOMPARE(Form1->N11->isEnabled(), kind == "full");
        QCOMPARE(data::mayAccept(), kind == "full");
        QCOMPARE(data::mayChangePay(), kind == "full" || kind == "entry");
        QCOMPARE(Form18->RadioGroup1->isEnabled(), kind != "report");
        // the listening connection is the person's too
        QTRY_VERIFY(DataModule6->Changes.listening());
        QCOMPARE(fixture::scalar(QString("select count(*) from pg_stat_activity where "
                                         "application_name='tabel_listener' and usename='%1'")
                                     .arg(user)),
                 QString("1"));

        // the writes of the role's windows go through under its group
        data::Query& control = DataModule6->Control;
        if (kind == "full" || kind == "entry") {
            QCOMPARE(journal::addRecord(control, record(14, 6)), journal::WriteResult::Written);
            QCOMPARE(fixture::scalar("select ok || ' ' || d14 from accounts_dep.smena s, "
                                     "accounts_dep.h_tabel h where s.data='2024-03-14' and "
                                     "h.w_id=1 and h.smena=2 and h.month=3"),
                     QString("no 6"));
            timesheet::HouseholdEntry e;
            e.worker = 2;
            e.productClass = 11;
            e.kind = 7777;
            e.hours = 5;
            e.price = 150;
            QCOMPARE(timesheet::addEntry(control, e, QDate(2024, 3, 6), 1),
                     timesheet::Saved::Written);
            QCOMPARE(fixture::scalar("select sum(cnt) from accounts_dep.fatigue"), QString("5"));
        }
        if (kind == "full") {
            QCOMPARE(journal::markRecord(control, 901, "ok"), journal::WriteResult::Written);
            QCOMPARE(fixture::scalar("select ok from accounts_dep.smena where id=901"),
                     QString("ok"));
        } else {
            // the program refuses acceptance to every role but full access
            QVERIFY_THROWS_EXCEPTION(data::DbError, journal::markRecord(control, 901, "ok"));
            // and so does the server, should the program's own check be passed by
            data::setRole(data::Role::Full);
            try {
                journal::markRecord(control, 901, "ok");
                QFAIL("accepted");
            } catch (const data::DbError& e) {
                QVERIFY2(e.message().startsWith(
                             "Для этой учётной записи действие не разрешено: permission denied"),
                         qPrintable(e.message()));
            }
            QCOMPARE(fixture::scalar("select ok from accounts_dep.smena where id=901"),
                     QString("no"));
        }
        // a write into the closed month: the program's refusal where the role writes
        // records, the server's where it does not
        journal::RecordInput closed = record(14, 2);
        closed.day = QDate(2024, 2, 14);
        if (kind == "full" || kind == "entry") {
            QCOMPARE(journal::addRecord(control, closed), journal::WriteResult::MonthClosed);
        } else {
            try {
                journal::addRecord(control, closed);
                QFAIL("written");
            } catch (const data::DbError& e) {
                QVERIFY2(e.message().startsWith("Для этой учётной записи действие не разрешено"),
                         qPrintable(e.message()));
            }
        }
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena where data<'2024-03-01'"),
                 QString("1"));
    });
    Form23->Edit1->setText(Password);
    Form23->Button1Click();
    QVERIFY(shown);
    QCOMPARE(script.texts(), QStringList());
    QCOMPARE(fixture::scalar("select d from accounts_dep.ver"),
             kind == "full" ? QString("20240219") : QString("20240101"));
    fixture::endProgram();
    app::clearTermination();
}

// The writes only full access makes, through the program's own units, as a tabel_full login:
// the month's rebuild, closing and opening, reference rows, the norms grid, a product with
// its records and operations.
void LoginsTest::fullAccessWrites() {
    app::clearTermination();
    qputenv("PGPASSWORD", Password.toUtf8());
    ui::Script script;
    app::createForms({fixture::databaseName(), "127.0.0.1", "--user", login("full")});
    qunsetenv("PGPASSWORD");
    bool shown = false;
    script.onModal(Form1, [&] {
        shown = true;
        data::Query& control = DataModule6->Control;
        QVERIFY(!timesheet::rebuildMonth(control, 2024, 3).found());
        QCOMPARE(timesheet::closeMonth(control, 2024, 4, login("full")),
                 timesheet::MonthChange::Done);
        QCOMPARE(timesheet::openMonth(control, 2024, 4), timesheet::MonthChange::Done);
        // the closed February stays closed to the rebuild, by the program's check
        QVERIFY(timesheet::rebuildMonth(control, 2024, 2).closed.found());

        QVERIFY(refdata::insertRows(
            control, {data::WritePart::insert("accounts_dep.person", "fio, s_staffpos_hl",
                                              "'Новиков Н.Н.', 'Сварщик'")}));
        const qint64 worker =
            fixture::scalar("select id from accounts_dep.person where fio='Новиков Н.Н.'")
                .toLongLong();
        QCOMPARE(refdata::deleteRow(control, "accounts_dep.person", worker),
                 refdata::RowWrite::Written);
        QVERIFY(refdata::insertRows(
            control, {data::WritePart::insert("cmn_gds_and_srv.gds_and_srv",
                                              "s_caption, s_description, id_msm_bs, massa, "
                                              "id_class_item",
                                              "'СТ-300', '', 6, 1, 11")}));
        const qint64 product =
            fixture::scalar("select id from cmn_gds_and_srv.gds_and_srv where s_caption='СТ-300'")
                .toLongLong();
        QCOMPARE(refdata::updateRow(
                     control,
                     {"cmn_gds_and_srv.gds_and_srv", product, "s_caption as marka, massa", {}},
                     "massa=2", "massa=2"),
                 refdata::RowWrite::Written);
        fixture::exec(QString("insert into accounts_dep.oper (vid, naimen, i_id, cena_new) values "
                              "(1, 0, %1, 0);")
                          .arg(product));
        data::Table norm(DataModule6->ADO_DB, "accounts_dep.norm");
        norm.open();
        norm.edit();
        norm.setField("price", 13.5);
        norm.post();
        QCOMPARE(refdata::deleteProduct(control, refdata::productUse(control, product), true, true),
                 refdata::ProductDeletion::Deleted);
        QCOMPARE(fixture::scalar(
                     QString("select count(*) from accounts_dep.oper where i_id=%1").arg(product)),
                 QString("0"));
    });
    Form23->Button1Click();
    QVERIFY(shown);
    QCOMPARE(script.texts(), QStringList());
    fixture::endProgram();
    app::clearTermination();
}

void LoginsTest::passwordNotAsked_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("PGPASSWORD") << "PGPASSWORD";
    QTest::newRow("password file") << "PGPASSFILE";
    QTest::newRow("PGUSER and PGPASSWORD") << "PGUSER";
}

void LoginsTest::passwordNotAsked() {
    QFETCH(QString, how);
    QTemporaryDir dir;
    const QString file = dir.filePath("pgpass");
    if (how == "PGPASSFILE") {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("127.0.0.1:5432:*:%1:%2\n")
                    .arg(login("report"), QString(Password).replace(":", "\\:"))
                    .toUtf8());
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        qputenv("PGPASSFILE", file.toUtf8());
    } else {
        qputenv("PGPASSWORD", Password.toUtf8());
    }
    QStringList params{fixture::databaseName(), "127.0.0.1"};
    if (how == "PGUSER")
        qputenv("PGUSER", login("report").toUtf8());
    else
        params << "--user" << login("report");
    app::clearTermination();
    ui::Script script;
    app::createForms(params);
    QCOMPARE(script.texts(), QStringList());
    QVERIFY(Form23->personal());
    QVERIFY(!Form23->Edit1->isVisibleTo(Form23));
    QCOMPARE(Form23->Label1->text(), QString("Пользователь: %1").arg(login("report")));
    bool shown = false;
    script.onModal(Form1, [&] {
        shown = true;
        QCOMPARE(currentUser(), login("report"));
        QCOMPARE(matrix(), QString("0001000"));
    });
    Form23->Button1Click();
    QVERIFY(shown);
    qunsetenv("PGPASSWORD");
    qunsetenv("PGPASSFILE");
    qunsetenv("PGUSER");
    fixture::endProgram();
    app::clearTermination();
}

void LoginsTest::loginOutsideTheGroups() {
    app::clearTermination();
    ui::Script script;
    app::createForms({fixture::databaseName(), "127.0.0.1", "--user", login("none")});
    Form23->Edit1->setText(Password);
    Form23->Button1Click();
    QCOMPARE(script.texts().size(), 1);
    QVERIFY2(script.texts().first().contains("не входит ни в одну группу"),
             qPrintable(script.texts().first()));
    for (const auto& s : script.shown())
        QVERIFY(s.kind != ui::Script::Kind::Modal);
    fixture::endProgram();
    app::clearTermination();
}

void LoginsTest::severalServers() {
    // nothing listens at the first address: the program goes to the second
    app::clearTermination();
    {
        ui::Script script;
        app::createForms({fixture::databaseName(), "127.0.0.9,127.0.0.1"});
        QCOMPARE(script.texts().join(" | "), QString());
        QVERIFY(Form23->isVisible());
        QVERIFY(!Form23->personal());
        QCOMPARE(data::lookupIn(DataModule6->Control,
                                "select inet_server_addr()::text as a, "
                                "pg_is_in_recovery()::text as r",
                                "a")
                     .toString(),
                 QString("127.0.0.1/32"));
        QTRY_VERIFY(DataModule6->Changes.listening());
        fixture::endProgram();
    }
    // and so does a person's login
    {
        ui::Script script;
        app::createForms(
            {fixture::databaseName(), "127.0.0.9,127.0.0.1", "--user", login("entry")});
        bool shown = false;
        script.onModal(Form1, [&] {
            shown = true;
            QCOMPARE(currentUser(), login("entry"));
            QTRY_VERIFY(DataModule6->Changes.listening());
        });
        Form23->Edit1->setText(Password);
        Form23->Button1Click();
        QVERIFY(shown);
        QCOMPARE(script.texts(), QStringList());
        fixture::endProgram();
    }
    app::clearTermination();
}

void LoginsTest::formForReadLogin() {
    QTemporaryDir dir;
    const QString file = dir.filePath("t13.xlsx");
    QProcess tabel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.insert("LC_MESSAGES", "C");
    tabel.setProcessEnvironment(env);
    const QStringList args{"--t13",     "2024-03", file,         fixture::databaseName(),
                           "127.0.0.1", "--user",  login("read")};
    // no password anywhere: one line saying where to put it, no file
    tabel.start(TABEL_PROGRAM, args);
    QVERIFY(tabel.waitForFinished(60000));
    QCOMPARE(tabel.exitCode(), 1);
    QVERIFY2(QString::fromUtf8(tabel.readAllStandardError()).contains("PGPASSWORD"),
             "the message names PGPASSWORD");
    QVERIFY(!QFile::exists(file));

    env.insert("PGPASSWORD", Password);
    tabel.setProcessEnvironment(env);
    tabel.start(TABEL_PROGRAM, args);
    QVERIFY(tabel.waitForFinished(60000));
    QCOMPARE(tabel.readAllStandardError(), QByteArray());
    QCOMPARE(tabel.exitCode(), 0);
    QVERIFY(QFile(file).size() > 0);
}

QTEST_MAIN(LoginsTest)
#include "tst_logins.moc"
