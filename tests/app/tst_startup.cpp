// Start-up, build stamp and version check, login and roles.
#include "app/app.h"
#include "app/login_window.h"
#include "app/version.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "refdata/class_picker.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QtTest>

class StartupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void connectionString_data();
    void connectionString();
    void stamp_data();
    void stamp();
    void versionCheck_data();
    void versionCheck();
    void loginRoles_data();
    void loginRoles();
    void missingTableEnds_data();
    void missingTableEnds();
    void wrongThenRight();
    void cancelEndsProgram();
    void endDestroysInReverse();
};

void StartupTest::initTestCase() {
    fixture::createDatabase();
    app::setBuildStamp("Feb 19 2024", "10:57:13");
    QCOMPARE(fixture::startProgram(), QStringList());
    QVERIFY(Form23->isVisible());
    QCOMPARE(Form23->windowTitle(), QStringLiteral("Авторизация (build: 20240219.39433)"));
}

void StartupTest::connectionString_data() {
    QTest::addColumn<QStringList>("params");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("server");
    QTest::newRow("no parameters") << QStringList() << "korvast" << app::builtInServer();
    QTest::newRow("database only is ignored")
        << QStringList{"test"} << "korvast" << app::builtInServer();
    QTest::newRow("empty server") << QStringList{"test", ""} << "korvast" << app::builtInServer();
    QTest::newRow("database and server") << QStringList{"test", "dbhost"} << "test"
                                         << "dbhost";
    QTest::newRow("taken as they stand") << QStringList{" a b ", "10.0.0.7 "} << " a b "
                                         << "10.0.0.7 ";
}

void StartupTest::connectionString() {
    QFETCH(QStringList, params);
    QFETCH(QString, database);
    QFETCH(QString, server);
    const QString expected =
        "DRIVER={PostgreSQL UNICODE};DATABASE=" + database + ";SERVER=" + server +
        ";PORT=5432;UID=sys;PWD=vumbexl;SSLmode=allow;"
        "ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;RowVersioning=0;"
        "ShowSystemTables=0;Fetch=100;UnknownSizes=0;MaxVarcharSize=255;MaxLongVarcharSize=8190;"
        "Debug=0;CommLog=0;UseDeclareFetch=0;TextAsLongVarchar=1;UnknownsAsLongVarchar=0;"
        "BoolsAsChar=1;Parse=0;ExtraSysTablePrefixes=;LFConversion=1;UpdatableCursors=1;"
        "TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;LowerCaseIdentifier=0;"
        "D6=-101;OptionalErrors=0;XaOpt=1";
    QCOMPARE(app::connectionStringFor(params), expected);
}

void StartupTest::stamp_data() {
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("stampDate");
    QTest::addColumn<int>("stampTime");
    QTest::newRow("19 Feb") << "Feb 19 2024"
                            << "10:57:13" << 20240219 << 39433;
    QTest::newRow("day below 10") << "Mar  5 2024"
                                  << "09:05:07" << 20240305 << 32707;
    QTest::newRow("December midnight") << "Dec 31 2025"
                                       << "00:00:00" << 20251231 << 0;
    QTest::newRow("last second") << "Jan  1 2026"
                                 << "23:59:59" << 20260101 << 86399;
}

void StartupTest::stamp() {
    QFETCH(QString, date);
    QFETCH(QString, time);
    QTEST(app::stampDate(date), "stampDate");
    QTEST(app::stampTime(time), "stampTime");
}

void StartupTest::versionCheck_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("ends");
    QTest::newRow("older stamp is replaced")
        << "insert into accounts_dep.ver values (20240218, 50000, ',')"
        << "20240219|39433|," << false;
    QTest::newRow("same stamp") << "insert into accounts_dep.ver values (20240219, 39433, '.')"
                                << "20240219|39433|." << false;
    QTest::newRow("newer time ends") << "insert into accounts_dep.ver values (20240219, 40000, '.')"
                                     << "20240219|40000|." << true;
    QTest::newRow("newer day ends") << "insert into accounts_dep.ver values (20240301, 0, '.')"
                                    << "20240301|0|." << true;
    QTest::newRow("empty table gets a row") << ""
                                            << "20240219|39433|" << false;
}

void StartupTest::versionCheck() {
    QFETCH(QString, setup);
    QFETCH(QString, after);
    QFETCH(bool, ends);
    fixture::exec("delete from accounts_dep.ver; " + setup);
    Form23->Timer1->stop();
    app::clearTermination();
    ui::Script script;
    app::checkVersion();
    QCOMPARE(
        fixture::scalar("select d || '|' || t || '|' || coalesce(delim, '') from accounts_dep.ver"),
        after);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.ver"), QString("1"));
    QCOMPARE(DataModule6->DbDelim, after.section('|', 2));
    QCOMPARE(app::terminationRequested(), ends);
    QCOMPARE(Form23->Timer1->isActive(), ends);
    if (ends) {
        QCOMPARE(
            script.texts(),
            QStringList{"Версия программы не соответсвует БД! Запустите программу через 5 мин."});
        QCOMPARE(script.shown().first().caption, QString("Ошибка"));
    } else {
        QVERIFY(script.shown().isEmpty());
    }
    QVERIFY(!Form1->ver->active());
    Form23->Timer1->stop();
    app::clearTermination();
    fixture::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (0, 0, '.')");
}

void StartupTest::loginRoles_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("loggedIn");
    QTest::addColumn<QString>("enabled"); // add change delete browse menus(N2) sheets(N11)
    QTest::newRow("full") << "73516204" << true << "111111";
    QTest::newRow("short code with blanks") << "  7093 " << true << "111111";
    QTest::newRow("read-only") << "tavrel" << true << "000000";
    QTest::newRow("read-only in capitals") << "TAVREL" << false << "";
    QTest::newRow("data entry") << "plovnik" << true << "100100";
    QTest::newRow("report only") << "fenlo" << true << "000100";
    QTest::newRow("blank") << "   " << false << "";
    QTest::newRow("code with a letter") << "7093a" << false << "";
}

void StartupTest::loginRoles() {
    QFETCH(QString, text);
    QFETCH(bool, loggedIn);
    QFETCH(QString, enabled);
    app::clearTermination();
    Form1->CurShift = 3;
    ui::Script script;
    bool journalShown = false;
    if (loggedIn) {
        script.onModal(Form1, [&] {
            journalShown = true;
            QVERIFY(!Form23->isVisible());
            QCOMPARE(Form1->UserText, text.trimmed());
            QCOMPARE(Form1->CurShift, 1);
        });
    }
    Form23->Edit1->setText(text);
    Form23->Button1Click();
    QCOMPARE(journalShown, loggedIn);
    // a refused login never shows the journal
    for (const auto& shown : script.shown())
        QVERIFY(loggedIn || shown.kind != ui::Script::Kind::Modal);
    QCOMPARE(Form1->UserText, text.trimmed());
    if (!loggedIn) {
        QCOMPARE(script.texts(), QStringList{"Введены неверные данные."});
        QCOMPARE(script.shown().first().caption, QString("Ошибка"));
        QVERIFY(!Form1->N11->isEnabled());
        QVERIFY(!app::terminationRequested());
        QCOMPARE(Form23->Edit1->text(), text);
        return;
    }
    const QString actual = QString("%1%2%3%4%5%6")
                               .arg(int(Form1->Button1->isEnabled()))
                               .arg(int(Form1->Button2->isEnabled()))
                               .arg(int(Form1->Button3->isEnabled()))
                               .arg(int(Form1->DBGrid2->isEnabled()))
                               .arg(int(Form1->N2->isEnabled()))
                               .arg(int(Form1->N11->isEnabled()));
    QCOMPARE(actual, enabled);
    for (QWidget* w : Form1->browseControls())
        QCOMPARE(w->isEnabled(), enabled[3] == '1');
    // buttons every role keeps
    QVERIFY(Form1->Button4->isEnabled() && Form1->Button5->isEnabled() && Form1->N7->isEnabled());
    QCOMPARE(DataModule6->Smena1.param("ok").toString(), QString("ta"));
    QCOMPARE(DataModule6->Smena4.param("ok").toString(), QString("ta"));
    // closing the journal closes the login window, which ends the program
    QVERIFY(app::terminationRequested());
    Form23->show();
    app::clearTermination();
}

void StartupTest::missingTableEnds_data() {
    QTest::addColumn<QString>("table");
    QTest::newRow("closed months") << "closed_month";
    QTest::newRow("history of changes") << "change_log";
}

void StartupTest::missingTableEnds() {
    // a database from before a required table: the program says which script the
    // administrator runs and ends, as for a wrong version, having written nothing
    QFETCH(QString, table);
    fixture::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (20240218, "
                  "50000, ','); alter table accounts_dep." + table + " rename to " + table + "_old");
    Form23->Timer1->stop();
    app::clearTermination();
    ui::Script script;
    app::checkVersion();
    fixture::exec("alter table accounts_dep." + table + "_old rename to " + table);
    QVERIFY(app::terminationRequested());
    QCOMPARE(script.texts(), QStringList{app::missingTableText(table)});
    QVERIFY(app::missingTableText(table).contains("sql/upgrade/" + table + ".sql"));
    QCOMPARE(script.shown().first().caption, QString("Ошибка"));
    QCOMPARE(fixture::scalar("select d || '|' || t from accounts_dep.ver"), QString("20240218|50000"));
    app::clearTermination();
}

void StartupTest::wrongThenRight() {
    app::clearTermination();
    ui::Script script;
    Form23->Edit1->setText("7039");
    Form23->Button1Click();
    Form23->Edit1->setText("7093");
    Form23->Button1Click();
    QCOMPARE(script.texts(), QStringList{"Введены неверные данные."});
    QVERIFY(Form1->N11->isEnabled());
    QVERIFY(Form1->N2->isEnabled());
    Form23->show();
    app::clearTermination();
}

void StartupTest::cancelEndsProgram() {
    app::clearTermination();
    ui::Script script;
    Form23->Button2Click();
    QVERIFY(app::terminationRequested());
    QVERIFY(!Form23->isVisible());
    for (const auto& s : script.shown())
        QVERIFY(s.kind != ui::Script::Kind::Modal);
}

// The windows go before the data module whose queries they show; the journal before the
// login window that was made after it.
void StartupTest::endDestroysInReverse() {
    QStringList gone;
    for (QObject* o : std::initializer_list<QObject*>{DataModule6, Form1, Form23, Form26})
        connect(o, &QObject::destroyed, this,
                [&gone, name = o->metaObject()->className()] { gone << name; });
    fixture::endProgram();
    QCOMPARE(gone, (QStringList{"TForm26", "TForm23", "TForm1", "TDataModule6"}));
    QVERIFY(DataModule6 == nullptr);
}

QTEST_MAIN(StartupTest)
#include "tst_startup.moc"
