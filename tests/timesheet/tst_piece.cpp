// The piece-work timesheet in its four modes: what each command of the menu "Табель" sets
// before and after, the rows and money of each mode, and the change of period.
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "testdb.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QtTest>

namespace {

const QDate today = QDate::currentDate();

QString record(const QString& day, int shift, int worker, int hours, int qty, int price) {
    return QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
                   "brak, time, color, ok) values ('%1', %2, %3, 101, 1, %6, %5, 0, %4, 0, 'no');")
        .arg(day)
        .arg(shift)
        .arg(worker)
        .arg(hours)
        .arg(qty)
        .arg(price);
}

QString entry(const QString& day, int kind, int worker, int hours, int price, int night) {
    return QString("insert into accounts_dep.fatigue(id_p, id_o, id_nom, d_date, i_mnth, i_year, "
                   "i_smena, cnt, price, i_night) values (%3, %2, 11, '%1', 0, 0, 1, %4, %5, %6);")
        .arg(day)
        .arg(kind)
        .arg(worker)
        .arg(hours)
        .arg(price)
        .arg(night);
}

void run(const QString& command) {
    if (command == "N9") Form1->N9Click();
    if (command == "N13") Form1->N13Click();
    if (command == "N14") Form1->N14Click();
    if (command == "N15") Form1->N15Click();
    if (command == "N17") Form1->N17Click();
}

// The grid's rows as the user reads them: name, day/night, the days worked, the totals;
// only the columns shown.
QStringList gridRows() {
    ui::DBGrid* g = Form27->DBGrid;
    QStringList out;
    for (int r = 0; r < g->model()->rowCount(); ++r) {
        QStringList parts{g->cellText(r, "fio")};
        if (!g->isColumnHidden(1)) parts << g->cellText(r, "s_night");
        QStringList days;
        for (int d = 1; d <= 31; ++d)
            if (g->cellText(r, QString("d%1").arg(d)) != "0")
                days << QString("%1:%2").arg(d).arg(g->cellText(r, QString("d%1").arg(d)));
        parts << days.join(' ') << g->cellText(r, "i_time") << g->cellText(r, "f_price");
        if (!g->isColumnHidden(35)) parts << g->cellText(r, "average_price");
        out << parts.join(" | ");
    }
    out.sort();
    return out;
}

QStringList totals() {
    return {Form27->DBText4->text(), Form27->DBText3->text(), Form27->DBText2->text(),
            Form27->DBText1->text()};
}

// The month a user picks in the window's lists.
void pick(int year, int month) {
    Form27->ComboBox1->setCurrentIndex(month - 1);
    Form27->cb_year->setKeyValue(year);
    Form27->ComboBox1Change();
}

} // namespace

class PieceTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void commands_data();
    void commands();
    void modes_data();
    void modes();
    void periodChange_data();
    void periodChange();
};

void PieceTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()));
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
}

void PieceTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel; "
                  "delete from accounts_dep.fatigue;");
}

void PieceTest::commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("width"); // before the month's missing days are added
    QTest::addColumn<bool>("night");
    QTest::addColumn<bool>("hourly");
    QTest::addColumn<int>("widthAfter");
    QTest::addColumn<bool>("nightAfter");
    QTest::addColumn<bool>("hourlyAfter");
    QTest::newRow("Табель сделка") << "N9"
                                   << "Табель сделка (27)"
                                   << "H_Tabel0" << 238 << false << true << 208 << true << true;
    QTest::newRow("Табель хоз. работ")
        << "N14"
        << "Табель хоз. работы (27)"
        << "H_Tabel7777" << 208 << true << true << 208 << true << true;
    QTest::newRow("Табель ср. сдельная")
        << "N15"
        << "Табель ср. сдельная (27)"
        << "H_Tabel7778" << 208 << true << true << 208 << true << true;
    QTest::newRow("Общий табель") << "N17"
                                  << "Общий табель (27)"
                                  << "H_Tabel_all" << 304 << false << false << 208 << true << true;
    // "Табель по сменам" leaves the general layout, whose hidden hourly price stays
    QTest::newRow("Табель сделка after Табель по сменам")
        << "N13 N9"
        << "Табель сделка (27)"
        << "H_Tabel0" << 238 << false << false << 208 << true << true;
}

// Each command opens the window on the computer's month, whatever day the journal shows,
// in its mode; Escape closes it; afterwards its queries are closed and the layout set.
void PieceTest::commands() {
    QFETCH(QString, command);
    QFETCH(QString, query);
    QFETCH(int, width);
    const QMap<QString, data::Query*> queries{{"H_Tabel0", &Form27->H_Tabel0},
                                              {"H_Tabel7777", &Form27->H_Tabel7777},
                                              {"H_Tabel7778", &Form27->H_Tabel7778},
                                              {"H_Tabel_all", &Form27->H_Tabel_all}};
    // rows of another year only: the current year is not in the year list
    fixture::exec("insert into accounts_dep.h_tabel(w_id, smena, month, year, d5) values "
                  "(1, 1, 3, 2024, 8);");
    Form27->setNameWidth(208);
    Form27->DBGrid->setColumnVisible("s_night", true);
    Form27->DBGrid->setColumnVisible("average_price", true);
    Form1->DateT->setDate(QDate(2024, 3, 5));

    ui::Script s;
    // "Табель по сменам" shows the timesheet by time first
    if (command.contains(QLatin1String("N13"))) s.onModal(Form19, [] {});
    s.onModal(Form27, [&] {
        QTEST(Form27->windowTitle(), "caption");
        QCOMPARE(Form27->CurTabel, queries[query]);
        QCOMPARE(Form27->DBGrid->dataSet(), Form27->CurTabel);
        QVERIFY(Form27->CurTabel->active());
        QCOMPARE(Form27->ComboBox1->currentIndex(), today.month() - 1);
        QCOMPARE(Form27->cb_year->keyValue().toInt(), today.year());
        QCOMPARE(Form27->cb_year->text(), QString());
        QCOMPARE(Form27->cb_year->count(), 1); // 2024
        QCOMPARE(Form27->DBGrid->model()->rowCount(), 0);
        QCOMPARE(Form27->DBGrid->columnWidth(0), width + 20 * (31 - today.daysInMonth()));
        QTEST(!Form27->DBGrid->isColumnHidden(1), "night");
        QTEST(!Form27->DBGrid->isColumnHidden(35), "hourly");
        QTest::keyClick(Form27, Qt::Key_Escape);
        QVERIFY(!Form27->isVisible());
    });
    for (const QString& c : command.split(' '))
        run(c);
    QCOMPARE(s.texts(), QStringList());
    QTEST(Form27->DBGrid->column(0).width, "widthAfter");
    QTEST(!Form27->DBGrid->isColumnHidden(1), "nightAfter");
    QTEST(!Form27->DBGrid->isColumnHidden(35), "hourlyAfter");
    for (data::Query* q : queries)
        QVERIFY(!q->active());
    QVERIFY(!Form27->q_year.active());
}

void PieceTest::modes_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("rows");
    QTest::newRow("piece work")
        << "N9"
        << QStringList{"Иванов И.И. | 5:8 6:2 8:1 | 11 | 165.00 | 15.00",
                       // cells without records: no hours, no money, no price per hour
                       "Петров П.П. | 5:7 |  |  | 0.00"};
    QTest::newRow("household works")
        << "N14"
        << QStringList{"Иванов И.И. | дн. | 3:4 | 4 | 600.00 | 150.00",
                       "Иванов И.И. | ноч. | 4:6 | 6 | 1200.00 | 200.00"};
    QTest::newRow("average piece rate")
        << "N15" << QStringList{"Иванов И.И. | дн. | 7:5 | 5 | 900.00 | 180.00"};
    QTest::newRow("general") << "N17"
                             << QStringList{"Иванов И.И. | 3:4 4:6 5:8 6:2 7:5 8:1 | 26 | 2865.00",
                                            "Петров П.П. | 5:7 | 0 | 0.00"};
}

// March 2024 of one worker with shift, overtime, household (day and night) and average
// piece-rate work, and one with timesheet cells but no records.
void PieceTest::modes() {
    fixture::exec(
        "insert into accounts_dep.h_tabel(w_id, smena, month, year, d5, d6, d8) values "
        "(1, 1, 3, 2024, 8, null, 1), (1, 4, 3, 2024, null, 2, null), (2, 1, 3, 2024, 7, null, "
        "null), (1, 1, 4, 2024, 3, null, null);"
        "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d3, d4, d7) values "
        "(1, 7777, 0, 3, 2024, 4, null, null), (1, 7777, 1, 3, 2024, null, 6, null), "
        "(1, 7778, 0, 3, 2024, null, null, 5);" +
        record("2024-03-05", 1, 1, 8, 10, 10) + record("2024-03-06", 4, 1, 2, 5, 15) +
        // a deduction counts for the worker but not in the department's money
        record("2024-03-08", 1, 1, 1, 2, -5) +
        // the days either side of the month
        record("2024-02-29", 1, 1, 4, 1, 40) + record("2024-04-01", 1, 1, 3, 1, 30) +
        entry("2024-03-03", 7777, 1, 4, 150, 0) + entry("2024-03-04", 7777, 1, 6, 200, 1) +
        entry("2024-03-07", 7778, 1, 5, 180, 0) + entry("2024-04-01", 7777, 1, 2, 100, 0));
    QFETCH(QString, command);
    ui::Script s;
    s.onModal(Form27, [&] {
        pick(2024, 3);
        QCOMPARE(Form27->cb_year->text(), QString("2024"));
        QTEST(gridRows(), "rows");
        QCOMPARE(totals(), (QStringList{"900.00", "1800.00", "175.00", "2875.00"}));
    });
    run(command);
    QCOMPARE(s.texts(), QStringList());
}

void PieceTest::periodChange_data() {
    QTest::addColumn<int>("year");
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("weekend");
    QTest::addColumn<QString>("piecework");
    QTest::addColumn<QString>("all");
    QTest::newRow("leap February") << 2024 << 2 << 29 << 3 << ""
                                   << "0.00";
    QTest::newRow("February") << 2023 << 2 << 28 << 4 << ""
                              << "0.00";
    // 2 November 2024 is a Saturday worked; Monday the 4th a holiday
    QTest::newRow("30-day month") << 2024 << 11 << 30 << 4 << "90.00"
                                  << "90.00";
    QTest::newRow("December") << 2024 << 12 << 31 << 1 << "70.00"
                              << "70.00";
}

// The days the month lacks are hidden and their room goes to the names, also when a month
// of more days follows one of fewer; the money counts from the 1st up to the next 1st.
void PieceTest::periodChange() {
    QFETCH(int, days);
    QFETCH(int, weekend);
    fixture::exec(record("2024-11-30", 1, 1, 1, 9, 10) + record("2024-12-01", 1, 1, 1, 2, 10) +
                  record("2024-12-31", 1, 1, 1, 5, 10) + record("2025-01-01", 1, 1, 1, 7, 10));
    ui::Script s;
    s.onModal(Form27, [&] {
        QFETCH(int, year);
        QFETCH(int, month);
        pick(2023, 2);
        pick(year, month);
        ui::DBGrid* g = Form27->DBGrid;
        for (int d = 1; d <= 31; ++d)
            QCOMPARE(g->isColumnHidden(d + 1), d > days);
        QCOMPARE(g->columnWidth(0), 238 + 20 * (31 - days));
        QCOMPARE(
            g->model()->headerData(weekend + 1, Qt::Horizontal, Qt::ForegroundRole).value<QColor>(),
            QColor(255, 0, 0));
        QVERIFY(!g->model()->headerData(weekend + 3, Qt::Horizontal, Qt::ForegroundRole).isValid());
        QTEST(Form27->DBText2->text(), "piecework");
        QTEST(Form27->DBText1->text(), "all");
    });
    Form1->N9Click();
    QCOMPARE(s.texts(), QStringList());
}

QTEST_MAIN(PieceTest)
#include "tst_piece.moc"
