// Round trips to the server: what each user action costs on a slow link, counted by the
// connection and checked against a relay that sees the wire.
#include "app/app.h"
#include "app/login_window.h"
#include "app/version.h"
#include "cutting_proxy.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "journal/journal_window.h"
#include "journal/record_writes.h"
#include "testdb.h"
#include "journal/record_editor.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_list.h"
#include "timesheet/household_writes.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"
#include "windows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>
#include <functional>
#include <map>

namespace {

QString record(const QString& day, int shift, int worker, int hours) {
    return QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
                   "brak, time, color, ok, vvod) values ('%1', %2, %3, 101, 1, 12.5, 10, 0, %4, "
                   "0, 'no', '%1');")
        .arg(day)
        .arg(shift)
        .arg(worker)
        .arg(hours);
}

struct Count {
    qint64 trips = 0; // as the connection counted them
    int wire = 0;     // as the relay saw them
};

} // namespace

class RoundTripsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void counterFollowsTheWire_data();
    void counterFollowsTheWire();
    void startUp();
    void actions_data();
    void actions();
    void batchFailsWhole();
    void writes_data();
    void writes();
    void login();
    void windows_data();
    void windows();

private:
    void act(const QString& action, int most);
    bool warm = false;
    Count counted(data::Connection& c, const std::function<void()>& action);
    Count counted(const std::function<void()>& action) {
        return counted(DataModule6->ADO_DB, action);
    }

    fixture::CuttingProxy* relay = nullptr;
    Count start; // the program's start to the login window
    int startOpenings = 0;
    int opening = 0; // what opening a connection costs on the wire, beyond the counter
};

void RoundTripsTest::initTestCase() {
    fixture::createDatabase(
        fixture::departmentSql() + record("2024-03-05", 1, 1, 8) + record("2024-03-05", 2, 2, 8) +
        record("2024-03-05", 4, 1, 2) + record("2024-02-12", 1, 3, 8) +
        "insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values (1, 1, 3, 2024, "
        "8), (2, 2, 3, 2024, 8); insert into accounts_dep.fatigue(id_p, id_o, id_nom, d_date, "
        "i_mnth, i_year, i_smena, cnt, price, i_night) values (2, 7777, 11, '2024-03-05', 0, 0, "
        "1, 4, 150, 0), (1, 7778, 11, '2024-03-06', 3, 2024, 1, 2, 0, 0);");
    relay = new fixture::CuttingProxy;
    {
        // a bare opening through the relay: the connecting exchange and the driver's own
        // statements, which the counter leaves to openings()
        data::Connection bare;
        bare.setConnectionString(app::connectionString(fixture::databaseName(), relay->address()));
        const Count c = counted(bare, [&] { bare.open(); });
        QCOMPARE(bare.openings(), 1);
        opening = c.wire - int(c.trips);
        QVERIFY2(opening >= 3, qPrintable(QString::number(opening)));
    }
    const int before = relay->exchanges();
    // the database stamped by this build already: a build's first start writes its stamp,
    // one exchange more, once
    fixture::exec("update accounts_dep.ver set d=20240219, t=39433");
    app::setBuildStamp("Feb 19 2024", "10:57:13");
    QCOMPARE(fixture::startProgram(relay->address()), QStringList());
    start = {DataModule6->ADO_DB.roundTrips(), relay->exchanges() - before};
    startOpenings = DataModule6->ADO_DB.openings();
}

void RoundTripsTest::cleanupTestCase() {
    fixture::endProgram();
    delete relay;
}

Count RoundTripsTest::counted(data::Connection& c, const std::function<void()>& action) {
    const qint64 trips = c.roundTrips();
    const int wire = relay->exchanges();
    action();
    return {c.roundTrips() - trips, relay->exchanges() - wire};
}

void RoundTripsTest::counterFollowsTheWire_data() {
    QTest::addColumn<QString>("work");
    QTest::newRow("a statement") << "statement";
    QTest::newRow("statements together") << "batch";
    QTest::newRow("a transaction") << "transaction";
    QTest::newRow("a transaction that sent nothing") << "empty";
    QTest::newRow("a transaction rolled back") << "rollback";
    QTest::newRow("a statement refused in a transaction") << "refused";
    QTest::newRow("a statement refused alone") << "refusedAlone";
}

// Whatever the work, the counter says what went over the wire.
void RoundTripsTest::counterFollowsTheWire() {
    QFETCH(QString, work);
    data::Connection& c = DataModule6->ADO_DB;
    data::Query a(c), b(c);
    a.setSql("select 1 as n");
    b.setSql("select count(*) as n from accounts_dep.smena where data=:day");
    b.setParam("day", QDateTime(QDate(2024, 3, 5), QTime(0, 0)));
    const std::map<QString, std::pair<std::function<void()>, int>> works{
        {"statement", {[&] { a.open(); }, 1}},
        {"batch",
         {[&] {
              data::openTogether({&a, &b});
          },
          1}},
        {"transaction",
         {[&] {
              data::Transaction t(c);
              a.open();
              b.open();
              t.commit();
          },
          3}},
        {"empty",
         {[&] {
              data::Transaction t(c);
              t.commit();
          },
          0}},
        {"rollback",
         {[&] {
              data::Transaction t(c);
              a.open();
          },
          2}},
        // the driver rolls back at once; the question whether the server is still there
        // begins a transaction anew, which the rollback ends
        {"refused",
         {[&] {
              data::Transaction t(c);
              a.setSql("select 1/0 as n");
              QVERIFY_THROWS_EXCEPTION(data::DbError, a.open());
          },
          4}},
        {"refusedAlone",
         {[&] {
              a.setSql("select 1/0 as n");
              QVERIFY_THROWS_EXCEPTION(data::DbError, a.open());
          },
          2}},
    };
    const auto& [action, expected] = works.at(work);
    const Count n = counted(action);
    QCOMPARE(n.wire, int(n.trips));
    QCOMPARE(n.trips, qint64(expected));
}

// Start-up to the login window: one opening and one exchange beyond it (the version and the
// tables required), with no look-up of the driver's.
void RoundTripsTest::startUp() {
    QVERIFY(Form23->isVisible());
    QCOMPARE(startOpenings, 1);
    QCOMPARE(start.wire - opening, 1);
    QCOMPARE(start.trips, qint64(1));
    QCOMPARE(fixture::scalar("select d || ' ' || t from accounts_dep.ver"), QString("20240219 39433"));
}

void RoundTripsTest::actions_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<int>("most");
    QTest::newRow("journal: another day") << "day" << 1;
    QTest::newRow("journal: another shift") << "shift" << 1;
    QTest::newRow("journal: shown again") << "activate" << 1;
    QTest::newRow("journal: Обновить") << "refresh" << 1;
    QTest::newRow("Табель сделка") << "N9" << 1;
    QTest::newRow("Табель сделка: another month") << "N9month" << 1;
    QTest::newRow("Табель хоз. работ") << "N14" << 1;
    QTest::newRow("Табель ср. сдельная") << "N15" << 1;
    QTest::newRow("Общий табель") << "N17" << 1;
    QTest::newRow("Табель по сменам") << "N13" << 1;
    QTest::newRow("Табель по сменам: another month") << "N13month" << 1;
    QTest::newRow("Табель по сменам: Перестроить") << "rebuild" << 2;
    QTest::newRow("Хоз. работы (25)") << "household" << 1;
    QTest::newRow("Хоз. работы (25): another day") << "householdDay" << 1;
}

// Each action runs twice and the second time is counted: the first time a session reads a
// table, the driver looks up its columns in the catalog, once (see data/connection.h).
void RoundTripsTest::actions() {
    QFETCH(QString, action);
    QFETCH(int, most);
    warm = false;
    for (int time = 0; time < 2; ++time)
        act(action, most);
}

void RoundTripsTest::act(const QString& action, int most) {
    Form1->DateT->setDate(QDate(2024, 3, 5));
    Form1->DateTCloseUp();
    ui::Script s;
    Count n;
    // the action inside a window shown modally by the journal's command
    auto inside = [&](QDialog* window, const std::function<void()>& opener,
                      const std::function<void()>& work) {
        s.onModal(window, [&] { n = counted(work); });
        opener();
    };
    if (action == "day") {
        n = counted([] {
            Form1->DateT->setDate(QDate(2024, 2, 12));
            Form1->DateTCloseUp();
        });
        QCOMPARE(DataModule6->Smena1.recordCount(), 1);
    } else if (action == "shift") {
        n = counted([] { Form1->RadioButton4->setChecked(true); });
        QCOMPARE(Form1->CurShift, 4);
        QCOMPARE(fixture::column(Form1->DBGrid2, "fio"), QStringList{"Иванов И.И."});
    } else if (action == "activate") {
        n = counted([] { Form1->FormActivate(); });
    } else if (action == "refresh") {
        n = counted([] { Form1->Button8Click(); });
    } else if (action.startsWith("N") && !action.endsWith("month")) {
        s.onModal(action == "N13" ? static_cast<QDialog*>(Form19) : Form27, [] {});
        n = counted([&] {
            if (action == "N9") Form1->N9Click();
            if (action == "N13") Form1->N13Click();
            if (action == "N14") Form1->N14Click();
            if (action == "N15") Form1->N15Click();
            if (action == "N17") Form1->N17Click();
        });
    } else if (action == "N9month") {
        inside(
            Form27, [] { Form1->N9Click(); },
            [] {
                Form27->ComboBox1->setCurrentIndex(2);
                Form27->cb_year->setKeyValue(2024);
                Form27->ComboBox1Change();
                QCOMPARE(fixture::column(Form27->DBGrid, "fio"),
                         (QStringList{"Иванов И.И.", "Петров П.П."}));
                QVERIFY(!Form27->DBText1->text().isEmpty());
            });
    } else if (action == "N13month") {
        inside(
            Form19, [] { Form1->N13Click(); },
            [] {
                Form19->ComboBox1->setCurrentIndex(1);
                Form19->ComboBox1Change();
            });
    } else if (action == "rebuild") {
        inside(
            Form19, [] { Form1->N13Click(); },
            [] {
                Form19->Button1Click();
                QCOMPARE(fixture::column(Form19->DBGrid1, "fio"), QStringList{"Иванов И.И."});
            });
    } else if (action == "household") {
        s.onModal(Form25, [] {});
        n = counted([] { Form1->Button5Click(); });
    } else if (action == "householdDay") {
        inside(
            Form25, [] { Form1->Button5Click(); },
            [] {
                Form25->DTPcker1->setDate(QDate(2024, 3, 5));
                Form25->DTPcker1Change();
                QCOMPARE(Form25->fatigue->recordCount(), 1);
            });
    }
    QCOMPARE(s.texts(), QStringList());
    QVERIFY2(n.trips <= most, qPrintable(QString("%1 round trips").arg(n.trips)));
    if (warm) QCOMPARE(n.wire, int(n.trips));
    warm = true;
}

// A statement of a batch the server refuses: no query of it opens, the server's message
// reaches the user, and the connection goes on.
void RoundTripsTest::batchFailsWhole() {
    data::Connection& c = DataModule6->ADO_DB;
    data::Query a(c), b(c);
    a.setSql("select 1 as n");
    b.setSql("select n from accounts_dep.no_such_table");
    try {
        data::openTogether({&a, &b});
        QFAIL("the batch was not refused");
    } catch (const data::DbError& e) {
        QVERIFY2(e.message().contains("no_such_table"), qPrintable(e.message()));
    }
    QVERIFY(!a.active());
    QVERIFY(!b.active());
    b.setSql("select 2 as n");
    data::openTogether({&a, &b});
    QCOMPARE(a.asInt("n"), 1);
    QCOMPARE(b.asInt("n"), 2);
}

void RoundTripsTest::writes_data() {
    QTest::addColumn<QString>("write");
    for (const char* w : {"add a record", "change a record", "accept a record", "delete a record",
                          "add an entry", "change an entry", "delete an entry"})
        QTest::newRow(w) << QString(w);
}

// A write of the journal or the household list is one round trip (the locks, the checks, the
// row and its cells, the commit); the list's re-read after it is one more (the rows above).
void RoundTripsTest::writes() {
    QFETCH(QString, write);
    data::Query& control = DataModule6->Control;
    data::Command command(DataModule6->ADO_DB);
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.shift = 3;
    r.day = QDate(2024, 3, 21);
    r.price = 10;
    r.quantity = 1;
    r.hours = 2;
    timesheet::HouseholdEntry e;
    e.worker = 1;
    e.productClass = 11;
    e.kind = 7777;
    e.hours = 2;
    e.price = 50;
    const QDate day(2024, 3, 21);
    fixture::exec("delete from accounts_dep.smena where data='2024-03-21'");
    auto lastId = [](const QString& table) {
        return fixture::scalar("select max(id) from accounts_dep." + table).toLongLong();
    };
    // the first entry of a session takes its key alone: the one counted comes after
    QVERIFY(timesheet::isSaved(timesheet::addEntry(control, e, day, 1)));
    Count n;
    if (write == "add a record") {
        n = counted([&] { QCOMPARE(journal::addRecord(control, r), journal::WriteResult::Written); });
    } else if (write.endsWith("a record")) {
        r.quantity = 2;
        QCOMPARE(journal::addRecord(control, r), journal::WriteResult::Written);
        const qint64 id = lastId("smena");
        const data::SeenRow seen = journal::currentRecord(control, id);
        n = counted([&] {
            journal::WriteResult result = journal::WriteResult::Written;
            if (write == "change a record") {
                r.quantity = 3;
                result = journal::changeRecord(control, id, r, seen);
            } else if (write == "accept a record") {
                result = journal::markRecord(control, id, "ok", nullptr, r.day);
            } else {
                result = journal::deleteRecord(control, id, seen);
            }
            QCOMPARE(result, journal::WriteResult::Written);
        });
    } else if (write == "add an entry") {
        n = counted([&] { QVERIFY(timesheet::isSaved(timesheet::addEntry(control, e, day, 1))); });
    } else {
        const qint64 id = lastId("fatigue");
        const data::SeenRow seen = timesheet::currentEntry(control, id);
        n = counted([&] {
            e.hours = 3;
            QVERIFY(timesheet::isSaved(write == "change an entry"
                                           ? timesheet::changeEntry(control, id, e, seen)
                                           : timesheet::deleteEntry(control, id, seen)));
        });
    }
    QCOMPARE(n.wire, int(n.trips));
    QCOMPARE(n.trips, qint64(1));
}

// Login to the journal through the login window: the journal's day, the month's state and
// the calendar in one exchange, the driver's look-ups of the tables included.
void RoundTripsTest::login() {
    ui::Script s;
    Count n;
    const qint64 trips = DataModule6->ADO_DB.roundTrips();
    const int wire = relay->exchanges();
    s.onModal(Form1, [&] {
        n = {DataModule6->ADO_DB.roundTrips() - trips, relay->exchanges() - wire};
        QCOMPARE(Form1->CurShift, 1);
    });
    Form23->Edit1->setText("7093");
    Form23->Button1Click();
    QCOMPARE(s.texts(), QStringList());
    qInfo("login to the journal: %d round trips", n.wire);
    QCOMPARE(n.wire, 1);
    QCOMPARE(n.trips, qint64(1));
}

void RoundTripsTest::windows_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("cold");
    for (const char* a :
         {"save a new record", "change a record", "accept a record", "delete a record",
          "household: add", "household: change", "household: delete", "Расчитать ср.сд.",
          "Табель сделка", "Табель по сменам", "Табель хоз. работ", "Табель ср. сдельная",
          "Общий табель"}) {
        QTest::newRow(qPrintable(QString(a) + ", cold")) << QString(a) << true;
        QTest::newRow(qPrintable(QString(a) + ", warm")) << QString(a) << false;
    }
}

// Each action as a user takes it through the windows is one exchange with the server,
// including what the window shows after it: cold (on a session that has read nothing yet,
// as after the start) and warm.
void RoundTripsTest::windows() {
    QFETCH(QString, action);
    QFETCH(bool, cold);
    fixture::exec("delete from accounts_dep.smena where data='2024-03-07'");
    fixture::exec(record("2024-03-07", 1, 1, 2) + record("2024-03-07", 1, 2, 3));
    Form1->DateT->setDate(QDate(2024, 3, 7));
    Form1->DateTCloseUp();
    Form1->RadioButton1->setChecked(true);
    if (cold) DataModule6->ADO_DB.open();
    ui::Script s;
    // "Да" to a deletion's or a pricing's question
    if (action.contains("delete") || action.contains("ср.сд.")) s.answer(true);
    Count n;
    data::Query& list = DataModule6->smenaQuery(1);
    const int before = list.recordCount();
    auto inside = [&](QDialog* window, const std::function<void()>& opener,
                      const std::function<void()>& work) {
        s.onModal(window, [&] { n = counted(work); });
        opener();
    };
    auto household = [&](const std::function<void()>& work) {
        Form25->DTPcker1->setDate(QDate(2024, 3, 6));
        s.onModal(Form25, work);
        Form1->Button5Click();
    };
    if (action == "save a new record") {
        inside(
            Form11, [] { Form1->Button1Click(); },
            [] {
                Form11->Edit1->setText("Сидоров С.С.");
                Form11->WorkerId = 3;
                Form11->Edit2->setText("операция");
                Form11->OperId = 1;
                Form11->ProductId = 101;
                Form11->Price = 12.5;
                Form11->updateColourBox();
                Form11->Edit3->setText("4");
                Form11->Edit4->setText("0");
                Form11->Edit6->setText("1");
                Form11->Button1->click();
            });
        QCOMPARE(list.recordCount(), before + 1);
    } else if (action == "change a record") {
        Form1->DBGrid2->selectRow(0);
        inside(
            Form11, [] { Form1->Button2Click(); },
            [] {
                Form11->Edit3->setText("11");
                Form11->Button1->click();
            });
        QVERIFY(fixture::column(list, "kol_vo").contains("11"));
    } else if (action == "accept a record") {
        Form1->DBGrid2->selectRow(1);
        n = counted([] { Form1->DBGrid2DblClick(); });
        QCOMPARE(list.recordCount(), before);
        QCOMPARE(list.recNo(), 2);
        QCOMPARE(fixture::column(list, "ok"), (QStringList{"no", "ok"}));
    } else if (action == "delete a record") {
        n = counted([] { Form1->Button3Click(); });
        QCOMPARE(list.recordCount(), before - 1);
    } else if (action == "household: add") {
        household([&] {
            const int entries = Form25->fatigue->recordCount();
            inside(
                Form24, [] { Form25->Button5Click(); },
                [] {
                    Form24->Edit1->setText("Петров П.П.");
                    Form24->IdP = 2;
                    Form24->Edit2->setText("Стеллажи");
                    Form24->IdNom = 11;
                    Form24->cb_type_work->setKeyValue(7777);
                    Form24->Edit6->setText("1");
                    Form24->Button1->click();
                });
            QCOMPARE(Form25->fatigue->recordCount(), entries + 1);
        });
    } else if (action == "household: change") {
        household([&] {
            inside(
                Form24, [] { Form25->Button6Click(); },
                [] {
                    Form24->Edit6->setText("3");
                    Form24->Button1->click();
                });
            QCOMPARE(Form25->fatigue->asText("cnt"), QString("3"));
        });
    } else if (action == "household: delete") {
        household([&] {
            const int entries = Form25->fatigue->recordCount();
            n = counted([] { Form25->Button7Click(); });
            QCOMPARE(Form25->fatigue->recordCount(), entries - 1);
            // the next row deleted is put back for the next case
            fixture::exec("insert into accounts_dep.fatigue(id_p, id_o, id_nom, d_date, i_mnth, i_year, "
                 "i_smena, cnt, price, i_night) values (1, 7777, 11, '2024-03-06', 0, 0, 1, 1, "
                 "50, 0);");
        });
    } else if (action == "Расчитать ср.сд.") {
        household([&] { n = counted([] { Form25->Button1Click(); }); });
    } else {
        QDialog* window = action == "Табель по сменам" ? static_cast<QDialog*>(Form19) : Form27;
        s.onModal(window, [] {});
        n = counted([&] {
            if (action == "Табель сделка") Form1->N9Click();
            if (action == "Табель по сменам") Form1->N13Click();
            if (action == "Табель хоз. работ") Form1->N14Click();
            if (action == "Табель ср. сдельная") Form1->N15Click();
            if (action == "Общий табель") Form1->N17Click();
        });
    }
    // the journal's list as a reading of its statement gives it
    if (action.contains("record")) {
        data::Query read(DataModule6->ADO_DB);
        read.setSql(TDataModule6::journalStatement(1));
        read.setParam("data", list.param("data"));
        read.setParam("ok", list.param("ok"));
        read.open();
        QCOMPARE(fixture::column(list, "id"), fixture::column(read, "id"));
        QCOMPARE(fixture::column(list, "kol_vo"), fixture::column(read, "kol_vo"));
    }
    qInfo("%s: %d round trips", qPrintable(action), n.wire);
    QCOMPARE(n.wire, int(n.trips));
    QCOMPARE(n.trips, qint64(1));
}

QTEST_MAIN(RoundTripsTest)
#include "tst_round_trips.moc"
