// The timesheet by time: its month and colours, the rebuild of a month from the shift
// records (against the postings, on failure, beside other copies that save), the printout
// and the workbook.
#include "../reports/xlsx_file.h"
#include "app/app.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "journal/journal_window.h"
#include "journal/record_writes.h"
#include "other_copy.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "testdb.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

namespace {

const QColor Red(255, 0, 0);
const QColor Silver(192, 192, 192);
const QColor Green(192, 220, 192);

// A shift record of a worker; the hours may be null.
QString record(const QString& day, int shift, int worker, const QString& hours,
               const QString& qty = "1", const QString& price = "10") {
    return QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
                   "brak, time, color, ok) values ('%1', %2, %3, 101, 1, %4, %5, 0, %6, 0, 'no');")
        .arg(day)
        .arg(shift)
        .arg(worker)
        .arg(price, qty, hours);
}

// Saves a shift record of March 2024 as the record editor does, its cell posted with it;
// colour tells apart records of one worker, shift and day.
journal::WriteResult save(data::Query& control, const QString& day, int shift, int worker,
                          int hours, int colour = 0) {
    journal::RecordInput r;
    r.worker = worker;
    r.product = 101;
    r.operation = 1;
    r.shift = shift;
    r.day = QDate::fromString(day, Qt::ISODate);
    r.price = 10;
    r.quantity = 1;
    r.hours = hours;
    r.colour = colour;
    return journal::addRecord(control, r);
}
journal::WriteResult save(const QString& day, int shift, int worker, int hours, int colour = 0) {
    return save(DataModule6->Control, day, shift, worker, hours, colour);
}

// The timesheet rows of a month, one line per row, ordered by their key and cells.
QString rows(int year, int month, const QString& where = "true") {
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << QString("coalesce(d%1::text,'-')").arg(d);
    return fixture::scalar(
        QString("select string_agg(line, ' | ' order by line) from (select concat_ws(' ', w_id, "
                "smena, i_type, i_night, %1) as line from accounts_dep.h_tabel where year=%2 and "
                "month=%3 and %4) r")
            .arg(days.join(", "))
            .arg(year)
            .arg(month)
            .arg(where));
}

// Shows the month in the window as a user picks it.
void showMonth(int year, int month) {
    Form19->ComboBox1->setCurrentIndex(month - 1);
    Form19->selectYear(year);
    Form19->ComboBox1Change();
}

QStringList names(ui::DBGrid* grid) {
    QStringList out;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        out << grid->cellText(r, "fio");
    return out;
}

// Every shift-hours cell of March 2024 against the hours of its records, and keys with
// more than one row; both empty when the timesheet is sound.
QString unsoundCells() {
    QStringList checks;
    for (int d = 1; d <= 31; ++d)
        checks << QString("select %1, h.w_id, h.smena, coalesce(h.d%1,0), coalesce((select "
                          "sum(time) from accounts_dep.smena s where s.w_id=h.w_id and "
                          "s.smena=h.smena and s.data=date '2024-03-01' + %2),0) from "
                          "accounts_dep.h_tabel h where month=3 and year=2024 and i_type=0")
                      .arg(d)
                      .arg(d - 1);
    return fixture::scalar(
        QString("select concat_ws(' ', (select string_agg(concat_ws('/', day, w_id, smena, cell, "
                "hours), ' ') from (%1) c(day, w_id, smena, cell, hours) where cell<>hours), "
                "(select string_agg(concat_ws('/', w_id, smena), ' ') from (select w_id, smena "
                "from accounts_dep.h_tabel where month=3 and year=2024 and i_type=0 group by "
                "w_id, smena having count(*)>1) k))")
            .arg(checks.join(" union all ")));
}

using fixture::waitingForLocks;

} // namespace

class ByTimeTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void periodChange_data();
    void periodChange();
    void yearList_data();
    void yearList();
    void cellColouring_data();
    void cellColouring();
    void rebuildGivesThePostedTimesheet();
    void failedRebuildKeepsTheMonth();
    void rebuildRefusesAnOverfilledDay();
    void lostConnectionKeepsTheMonth();
    void rebuildBesideSaving_data();
    void rebuildBesideSaving();
    void printAndWorkbookSumEveryRow();
};

void ByTimeTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()));
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
}

void ByTimeTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel; "
                  "delete from accounts_dep.fatigue;");
}

void ByTimeTest::periodChange_data() {
    QTest::addColumn<QDate>("journalDay");
    QTest::addColumn<QString>("monthText");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("weekend");
    QTest::addColumn<int>("weekday");
    // days off by the production calendar: a Friday holiday, a day off moved onto a Tuesday;
    // a Saturday made a working day is not one
    QTest::newRow("leap February") << QDate(2024, 2, 14) << "Февраль" << 29 << 23 << 29;
    QTest::newRow("30-day month") << QDate(2024, 4, 30) << "Апрель" << 30 << 30 << 27;
    QTest::newRow("December") << QDate(2024, 12, 1) << "Декабрь" << 31 << 31 << 28;
}

// "Табель по сменам" opens on the journal's month. A worker is listed when he has a record
// in the month, up to its last day; a record on the 1st of the next month does not count.
void ByTimeTest::periodChange() {
    QFETCH(QDate, journalDay);
    QFETCH(int, days);
    const QDate first(journalDay.year(), journalDay.month(), 1);
    const QDate next = first.addMonths(1);
    fixture::exec(QString("insert into accounts_dep.h_tabel(w_id, smena, month, year, d1) values "
                          "(1, 1, %1, %2, 8), (2, 1, %1, %2, 8);")
                      .arg(first.month())
                      .arg(first.year()) +
                  record(next.addDays(-1).toString(Qt::ISODate), 1, 1, "8") +
                  record(next.toString(Qt::ISODate), 1, 2, "8"));
    Form1->DateT->setDate(journalDay);
    ui::Script s;
    s.onModal(Form19, [&] {
        QTEST(Form19->ComboBox1->currentText(), "monthText");
        QCOMPARE(Form19->ComboBox2->currentText(), QString::number(journalDay.year()));
        QCOMPARE(Form19->Button2->text(), QString("Excel"));
        QCOMPARE(names(Form19->DBGrid1), QStringList{"Иванов И.И."});
        QCOMPARE(DataModule6->H_Tabel_1.param("date1").toDate(), first);
        QCOMPARE(DataModule6->H_Tabel_1.param("date2").toDate(), next);
        for (ui::DBGrid* g : {Form19->DBGrid1, Form19->DBGrid2, Form19->DBGrid3}) {
            QHeaderView* h = g->horizontalHeader();
            auto title = [&](int day) {
                return h->model()->headerData(day, Qt::Horizontal, Qt::ForegroundRole);
            };
            QFETCH(int, weekend);
            QFETCH(int, weekday);
            QCOMPARE(title(weekend).value<QColor>(), Red);
            QVERIFY(!title(weekday).isValid());
            for (int d = days + 1; d <= 31; ++d) {
                QCOMPARE(title(d).value<QColor>(), Silver);
                // a zero in a day the month lacks is not visible
                QCOMPARE(g->cellStyle(0, QString("d%1").arg(d)).text.value(),
                         g->palette().color(QPalette::Base));
            }
            QVERIFY(!g->isColumnHidden(days));
        }
        QCOMPARE(Form19->DBGrid1->cellText(0, "summ"), QString("8"));
        QTest::keyClick(Form19, Qt::Key_Escape);
        QVERIFY(!Form19->isVisible());
    });
    Form1->N13Click();
    QCOMPARE(s.shown().size(), 1);
    QCOMPARE(s.shown().first().text, QString("Табель по сменам"));
    for (int shift = 1; shift <= 3; ++shift)
        QVERIFY(!DataModule6->timesheetQuery(shift).active());
}

void ByTimeTest::yearList_data() {
    QTest::addColumn<QDate>("journalDay");
    QTest::addColumn<QString>("year");
    const int now = QDate::currentDate().year();
    QTest::newRow("current year") << QDate(now, 6, 1) << QString::number(now);
    QTest::newRow("next year") << QDate(now + 1, 1, 1) << QString::number(now + 1);
    QTest::newRow("first year") << QDate(2007, 1, 1) << "2007";
    QTest::newRow("before the list") << QDate(2003, 5, 1) << "2007";
    QTest::newRow("after the list") << QDate(now + 5, 5, 1) << QString::number(now + 1);
}

// The years run from 2007 to the year after this one; a date outside selects the nearest.
void ByTimeTest::yearList() {
    QFETCH(QDate, journalDay);
    QCOMPARE(Form19->ComboBox2->itemText(0), QString("2007"));
    QCOMPARE(Form19->ComboBox2->itemText(Form19->ComboBox2->count() - 1),
             QString::number(QDate::currentDate().year() + 1));
    Form1->DateT->setDate(journalDay);
    ui::Script s;
    s.onModal(Form19, [&] { QTEST(Form19->ComboBox2->currentText(), "year"); });
    Form1->N13Click();
    QCOMPARE(s.texts(), QStringList());
}

void ByTimeTest::cellColouring_data() {
    QTest::addColumn<int>("day"); // of March 2024: the 2nd is a Saturday, the 4th a Monday
    QTest::addColumn<QString>("hours");
    QTest::addColumn<bool>("bold");
    QTest::addColumn<QColor>("text");
    QTest::addColumn<QColor>("fill");
    const QColor plain;
    const QColor text = QApplication::palette().color(QPalette::Text);
    QTest::newRow("weekday 0") << 4 << "0" << false << Silver << plain;
    QTest::newRow("weekday never written") << 5 << "null" << false << Silver << plain;
    QTest::newRow("weekend 0") << 2 << "0" << false << Red << plain;
    QTest::newRow("weekday 1") << 4 << "1" << false << plain << plain;
    QTest::newRow("weekday 7") << 4 << "7" << false << plain << plain;
    QTest::newRow("weekend 7") << 3 << "7" << false << Red << plain;
    QTest::newRow("weekday 8") << 4 << "8" << true << text << plain;
    QTest::newRow("weekend 8") << 2 << "8" << true << Red << plain;
    QTest::newRow("weekday 9") << 4 << "9" << true << plain << Green;
    QTest::newRow("weekend 12") << 3 << "12" << true << Red << Green;
}

void ByTimeTest::cellColouring() {
    QFETCH(int, day);
    QFETCH(QString, hours);
    fixture::exec(QString("insert into accounts_dep.h_tabel(w_id, smena, month, year, d%1) "
                          "values (1, 1, 3, 2024, %2);")
                      .arg(day)
                      .arg(hours) +
                  record("2024-03-01", 1, 1, "1"));
    showMonth(2024, 3);
    QCOMPARE(DataModule6->H_Tabel_1.recordCount(), 1);
    const ui::CellStyle st = Form19->DBGrid1->cellStyle(0, QString("d%1").arg(day));
    QTEST(st.bold.value_or(false), "bold");
    QTEST(st.text.value_or(QColor()), "text");
    QTEST(st.fill.value_or(QColor()), "fill");
    // the name and the total are drawn as they are
    QVERIFY(!Form19->DBGrid1->cellStyle(0, "fio").text.has_value());
    QCOMPARE(Form19->DBGrid1->cellStyle(0, "summ").fill.value(), QColor(225, 228, 255));
}

// Posting every record one by one and rebuilding the month give the same rows and cells,
// whatever state the rows were in; household and average piece-rate rows stay as they are.
void ByTimeTest::rebuildGivesThePostedTimesheet() {
    struct Rec {
        QString day;
        int shift, worker;
        QString hours;
    };
    const QList<Rec> recs{
        {"2024-03-01", 1, 1, "8"},    {"2024-03-01", 1, 1, "3"}, // two records of one day add up
        {"2024-03-02", 4, 1, "4"},                               // overtime has its own row
        {"2024-03-04", 2, 2, "8"},    {"2024-03-31", 2, 2, "9"},
        {"2024-03-05", 3, 4, "6"},    // a worker the enterprise list lacks
        {"2024-03-06", 1, 3, "null"}, // a record without hours counts 0
    };
    for (int i = 0; i < recs.size(); ++i) {
        const Rec& r = recs[i];
        QCOMPARE(save(r.day, r.shift, r.worker, r.hours == "null" ? 0 : r.hours.toInt(), i),
                 journal::WriteResult::Written);
    }
    fixture::exec("update accounts_dep.smena set time=null where w_id=3;" +
                  record("2024-02-29", 1, 1, "5") +
                  record("2024-04-01", 1, 1, "5")); // other months
    const QString posted = rows(2024, 3, "i_type=0");
    QVERIFY(posted.contains("1 1 0 0 11 -"));

    // stale cells, a lost row, a doubled key, a worker without records, and rows of
    // other kinds and months
    fixture::exec("update accounts_dep.h_tabel set d10=5, d1=1 where w_id=1 and smena=1;"
                  "delete from accounts_dep.h_tabel where w_id=4;"
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d4) values "
                  "(2, 2, 3, 2024, 1), (3, 2, 3, 2024, 7), (1, 1, 4, 2024, 2);"
                  "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d3) "
                  "values (1, 7777, 0, 3, 2024, 4), (1, 7777, 1, 3, 2024, 6), "
                  "(2, 7778, 0, 3, 2024, 5);");
    const QString others = rows(2024, 3, "i_type<>0") + rows(2024, 4);

    showMonth(2024, 3);
    ui::Script s;
    Form19->Button1->click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(rows(2024, 3, "i_type=0"), posted);
    QCOMPARE(rows(2024, 3, "i_type<>0") + rows(2024, 4), others);
    QVERIFY(!Form19->PB->isVisible());
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
    QCOMPARE(names(Form19->DBGrid1), (QStringList{"Иванов И.И.", "О'Нил Д.Р."}));
    QCOMPARE(Form19->DBGrid1->cellText(0, "d1"), QString("11"));

    // a month without records keeps no shift-hours rows
    fixture::exec("delete from accounts_dep.smena");
    Form19->Button1->click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(rows(2024, 3, "i_type=0"), QString());
    QCOMPARE(rows(2024, 3, "i_type<>0") + rows(2024, 4), others);
    QCOMPARE(names(Form19->DBGrid1), QStringList());
}

// The server refuses the row of the month's last day: the user reads its message and the
// month is exactly as it was.
void ByTimeTest::failedRebuildKeepsTheMonth() {
    fixture::exec(record("2024-03-01", 1, 1, "8") + record("2024-03-31", 1, 2, "5") +
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d1, d2) values "
                  "(1, 1, 3, 2024, 8, 2), (3, 1, 3, 2024, 4, null);"
                  "create function accounts_dep.refuse() returns trigger language plpgsql as "
                  "$$ begin raise exception 'last day is closed'; end $$;"
                  "create trigger refuse before insert or update on accounts_dep.h_tabel for each "
                  "row when (new.d31 is not null) execute function accounts_dep.refuse();");
    const QString before = rows(2024, 3);
    showMonth(2024, 3);
    ui::Script s;
    Form19->Button1->click();
    fixture::exec("drop trigger refuse on accounts_dep.h_tabel; "
                  "drop function accounts_dep.refuse();");
    QCOMPARE(s.texts().size(), 1);
    QVERIFY2(s.texts().first().contains("last day is closed"), qPrintable(s.texts().first()));
    QCOMPARE(rows(2024, 3), before);
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
    QVERIFY(!Form19->PB->isVisible());
    // the grids show the month that was kept
    QCOMPARE(names(Form19->DBGrid1), QStringList{"Иванов И.И."});
}

// Records written past the program (another program, a hand-made import) would fill a cell
// beyond a day: the rebuild says which and leaves the month as it was.
void ByTimeTest::rebuildRefusesAnOverfilledDay() {
    fixture::exec(record("2024-03-07", 2, 2, "16") + record("2024-03-07", 2, 2, "9") +
                  record("2024-03-08", 1, 1, "24") +
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d1) values "
                  "(1, 1, 3, 2024, 6);");
    const QString before = rows(2024, 3);
    showMonth(2024, 3);
    ui::Script s;
    Form19->Button1->click();
    QCOMPARE(s.texts(),
             QStringList{"Табель не перестроен: у работника Петров П.П. в смене 2 за 07.03.2024 "
                         "записано 25 ч., а в ячейке табеля может быть не больше 24 ч. "
                         "Исправьте записи этого дня."});
    QCOMPARE(rows(2024, 3), before);
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
    QVERIFY(!Form19->PB->isVisible());
}

// The connection is lost in the middle of the rebuild: the month is as it was.
void ByTimeTest::lostConnectionKeepsTheMonth() {
    fixture::exec(record("2024-03-01", 1, 1, "8") +
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d1, d2) values "
                  "(1, 1, 3, 2024, 6, 2);");
    const QString before = rows(2024, 3);
    // the rebuild has deleted and written the month's rows, not committed, when its session goes
    fixture::Stall stall("accounts_dep.h_tabel");
    fixture::OtherCopy rebuild(
        [](fixture::Copy& c) { timesheet::rebuildMonth(c.control, 2024, 3); });
    rebuild.start();
    QVERIFY(fixture::waitUntilBlocked(rebuild));
    fixture::exec("select pg_terminate_backend(pid) from pg_stat_activity where "
                  "datname=current_database() and wait_event_type='Lock';");
    QVERIFY(rebuild.wait(20000));
    stall.release();
    QVERIFY(!rebuild.error.isEmpty());
    QCOMPARE(rows(2024, 3), before);
}

void ByTimeTest::rebuildBesideSaving_data() {
    QTest::addColumn<bool>("rebuildFirst");
    QTest::newRow("a copy saves while the month is rebuilt") << true;
    QTest::newRow("the month is rebuilt while a copy saves") << false;
}

// Whichever starts first, after both the cells equal the hours of their records and no key
// has two rows.
void ByTimeTest::rebuildBesideSaving() {
    QFETCH(bool, rebuildFirst);
    fixture::exec(record("2024-03-05", 1, 1, "8") + record("2024-03-05", 2, 2, "8") +
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values "
                  "(1, 1, 3, 2024, 8), (2, 2, 3, 2024, 8);");
    // the other copy rebuilds, or saves a record as the record editor does
    journal::WriteResult saved = journal::WriteResult::Written;
    bool refused = false;
    fixture::OtherCopy other([&](fixture::Copy& c) {
        if (rebuildFirst)
            saved = save(c.control, "2024-03-05", 1, 1, 3, 1);
        else
            refused = timesheet::rebuildMonth(c.control, 2024, 3).found();
    });
    if (rebuildFirst) {
        // the other copy saves while this one has rewritten the month's rows, not yet committed
        fixture::Stall stall("accounts_dep.h_tabel");
        fixture::OtherCopy rebuild(
            [](fixture::Copy& c) { timesheet::rebuildMonth(c.control, 2024, 3); });
        rebuild.start();
        QVERIFY(fixture::waitUntilBlocked(rebuild));
        other.start();
        QVERIFY(
            QTest::qWaitFor([&] { return other.isFinished() || waitingForLocks() == "2"; }, 20000));
        stall.release();
        QVERIFY(rebuild.wait(20000));
        QCOMPARE(rebuild.error, QString());
    } else {
        // this copy has saved a record and posted it, not yet committed
        data::Transaction t(DataModule6->ADO_DB);
        QCOMPARE(save("2024-03-05", 1, 1, 3, 1), journal::WriteResult::Written);
        other.start();
        const bool waited = QTest::qWaitFor([] { return waitingForLocks() == "1"; }, 20000);
        t.commit();
        QVERIFY(other.wait(20000));
        QVERIFY2(waited, "the rebuild did not wait for the copy that saves");
    }
    QVERIFY(other.wait(20000));
    QCOMPARE(other.error, QString());
    QCOMPARE(saved, journal::WriteResult::Written);
    QVERIFY(!refused);
    QCOMPARE(fixture::scalar("select d5 from accounts_dep.h_tabel where w_id=1 and smena=1"),
             QString("11"));
    QCOMPARE(unsoundCells(), QString());
    QCOMPARE(rows(2024, 3, "i_type=0").count('|'), 1);
}

// The tabs show each shift's own rows; the printout and the workbook sum every row of a
// worker, overtime and household hours too, and list a worker without records.
void ByTimeTest::printAndWorkbookSumEveryRow() {
    fixture::exec(record("2024-03-04", 1, 1, "8") +
                  "insert into accounts_dep.h_tabel(w_id, smena, month, year, d4, d5) values "
                  "(1, 1, 3, 2024, 8, 9), (1, 4, 3, 2024, 2, null), (3, 2, 3, 2024, null, 4);"
                  "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d4, d6) "
                  "values (1, 7777, 1, 3, 2024, 3, 5);");
    showMonth(2024, 3);
    QCOMPARE(names(Form19->DBGrid1), QStringList{"Иванов И.И."});
    QCOMPARE(Form19->DBGrid1->cellText(0, "summ"), QString("17"));
    QCOMPARE(names(Form19->DBGrid2), QStringList()); // О'Нил has no records

    ui::Script s;
    QStringList printed;
    report::Preview::ZoomMode zoom = report::Preview::ZoomMode::Fixed;
    s.onModal(report::previewWindow(), [&] {
        printed = report::previewWindow()->document().dump();
        zoom = report::previewWindow()->zoomMode();
    });
    Form19->Button6->click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(zoom, report::Preview::ZoomMode::WholePage); // the whole page at once
    QCOMPARE(printed.first(), QString("p1 y=10.0 heading \"Табель по сменам\" \"Март 2024 г.\""));
    QVERIFY2(printed[1].contains("report head \"Март 2024 г.\" \"1\" \"2\""),
             qPrintable(printed[1]));
    const QStringList lines = printed.filter(" detail ");
    QCOMPARE(lines.size(), 2);
    QVERIFY2(lines[0].contains("detail \"Иванов И.И.\" \"13\" \"9\" \"5\" \"27\""),
             qPrintable(lines[0]));
    QVERIFY2(lines[1].contains("detail \"О'Нил Д.Р.\" \"4\" \"4\""), qPrintable(lines[1]));
    // the totals row under them, and the lines to sign
    const QString foot = printed.filter(" report foot ").value(0);
    QVERIFY2(foot.endsWith("report foot \"Итого\" \"13\" \"13\" \"5\" \"31\""), qPrintable(foot));
    QCOMPARE(printed.filter("Ответственное лицо").size(), 1);
    QVERIFY(!Form19->H_Tabel.active());

    QTemporaryDir dir;
    reports::setExportFolder(dir.path());
    QStringList opened;
    reports::setFileOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    Form19->Button2->click();
    reports::setFileOpener({});
    reports::setExportFolder(QString());
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(Form19->Button2->text(), QString("Excel"));
    QCOMPARE(opened.size(), 1);
    QCOMPARE(QFileInfo(opened.first()).fileName(), QString("Табель по сменам 2024-03.xlsx"));
    const xlsx::Sheet sheet = xlsx::read(opened.first());
    QCOMPARE(sheet.value("A3"), QString("Табель по сменам"));
    QCOMPARE(sheet.value("A4"), QString("Март 2024 г."));
    QCOMPARE(sheet.row(6).first(), QString("Фамилия И.О."));
    QCOMPARE(sheet.value("B6"), QString("1"));
    QVERIFY(sheet.cells["B6"].bold && sheet.cells["B6"].textFormat);
    QCOMPARE(sheet.value("AG6"), QString("Итого"));
    // a day without hours is an empty cell
    QStringList ivanov{"Иванов И.И.", "", "", "", "13", "9", "5"};
    while (ivanov.size() < 32)
        ivanov << "";
    ivanov << "27";
    QCOMPARE(sheet.row(7), ivanov);
    QVERIFY(sheet.cells["AG7"].number && !sheet.cells["AG7"].bold);
    QCOMPARE(sheet.value("A8"), QString("О'Нил Д.Р."));
    QCOMPARE(sheet.value("AG8"), QString("4"));
    QStringList total{"Итого", "", "", "", "13", "13", "5"};
    while (total.size() < 32)
        total << "";
    total << "31";
    QCOMPARE(sheet.row(9), total);
    QVERIFY(!Form19->H_Tabel.active());
}

QTEST_MAIN(ByTimeTest)
#include "tst_by_time.moc"
