// The production calendar: the rule which days are off, the years the seed fills in, a
// database without the table, and the calendar window's change followed by the T-13 form,
// the timesheet's day colours and the "Выходной" ticks.
#include "../reports/xlsx_file.h"
#include "data/data_module.h"
#include "data/query.h"
#include "journal/journal_window.h"
#include "testdb.h"
#include "timesheet/calendar_window.h"
#include "timesheet/day_columns.h"
#include "timesheet/household_list.h"
#include "timesheet/production_calendar.h"
#include "timesheet/t13_form.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

using timesheet::CalendarDay;
using timesheet::DaysOff;

namespace {

// Иванов works 8 hours on Monday 4 March 2024 (shift 1).
const char* const Hours =
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d4) values (1, 1, 3, 2024, 8);";

const QDate Monday(2024, 3, 4);

CalendarDay day(const QDate& d, bool holiday, bool movedOff, bool movedWork, bool shortened) {
    CalendarDay c;
    c.day = d;
    c.holiday = holiday;
    c.movedOff = movedOff;
    c.movedWork = movedWork;
    c.shortened = shortened;
    return c;
}

// What the program shows of a day in each place that asks whether it is off.
struct Shown {
    QString t13Mark;      // Иванов's mark in the T-13 form
    bool timesheetRed;    // the day's title in the timesheet by time
    bool householdTicked; // "Выходной" of the household list picked onto the day
    bool journalTicked;   // "Выходной" of the journal moved onto the day
};

} // namespace

class CalendarTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rule_data();
    void rule();
    void seededYears_data();
    void seededYears();
    void databaseWithoutTheTable();
    void windowChangesADay();
    void dayOfAClosedMonthStays();
    void cleanupTestCase();

private:
    Shown shown(const QDate& d);
    QTemporaryDir dir_;
};

void CalendarTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql() + QString::fromUtf8(Hours));
    QCOMPARE(fixture::startProgram(), QStringList());
    QVERIFY(dir_.isValid());
}

void CalendarTest::cleanupTestCase() {
    fixture::endProgram();
}

void CalendarTest::rule_data() {
    QTest::addColumn<QList<CalendarDay>>("rows");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<bool>("off");
    QTest::addColumn<int>("hours");
    const QDate saturday(2030, 3, 2), monday(2030, 3, 4);
    const QList<CalendarDay> none;
    QTest::newRow("no row: Saturday off") << none << saturday << true << 0;
    QTest::newRow("no row: Monday works") << none << monday << false << 8;
    QTest::newRow("holiday on a Monday")
        << QList{day(monday, true, false, false, false)} << monday << true << 0;
    QTest::newRow("day off moved onto a Monday")
        << QList{day(monday, false, true, false, false)} << monday << true << 0;
    QTest::newRow("Saturday made a working day")
        << QList{day(saturday, false, false, true, false)} << saturday << false << 8;
    QTest::newRow("Saturday worked and shortened")
        << QList{day(saturday, false, false, true, true)} << saturday << false << 7;
    QTest::newRow("shortened Monday")
        << QList{day(monday, false, false, false, true)} << monday << false << 7;
    QTest::newRow("a holiday stays off even marked working")
        << QList{day(saturday, true, false, true, false)} << saturday << true << 0;
    QTest::newRow("a row of another date changes nothing")
        << QList{day(monday, true, false, false, false)} << monday.addDays(7) << false << 8;
}

void CalendarTest::rule() {
    QFETCH(QList<CalendarDay>, rows);
    QFETCH(QDate, date);
    const DaysOff days(rows);
    QTEST(days.isOff(date), "off");
    QTEST(days.hours(date), "hours");
}

void CalendarTest::seededYears_data() {
    QTest::addColumn<QDate>("first");
    QTest::addColumn<QDate>("last");
    QTest::addColumn<int>("days");
    QTest::addColumn<int>("hours");
    QTest::newRow("2024") << QDate(2024, 1, 1) << QDate(2024, 12, 31) << 248 << 1979;
    QTest::newRow("2025") << QDate(2025, 1, 1) << QDate(2025, 12, 31) << 247 << 1972;
    QTest::newRow("March 2025") << QDate(2025, 3, 1) << QDate(2025, 3, 31) << 21 << 167;
    QTest::newRow("November 2025: a worked, shortened Saturday")
        << QDate(2025, 11, 1) << QDate(2025, 11, 30) << 19 << 151;
    QTest::newRow("2026") << QDate(2026, 1, 1) << QDate(2026, 12, 31) << 247 << 1972;
    QTest::newRow("January 2026") << QDate(2026, 1, 1) << QDate(2026, 1, 31) << 15 << 120;
    QTest::newRow("a year not filled in: weekends only")
        << QDate(2030, 1, 1) << QDate(2030, 12, 31) << 261 << 2088;
}

// The seed's calendar against the yearly totals the decrees give.
void CalendarTest::seededYears() {
    QFETCH(QDate, first);
    QFETCH(QDate, last);
    data::Query q(DataModule6->ADO_DB);
    const DaysOff::Norm norm = timesheet::readDaysOff(q, first, last).norm(first, last);
    QTEST(norm.days, "days");
    QTEST(norm.hours, "hours");
    QVERIFY(!q.active());
}

// A database made before the table existed: Saturday and Sunday only, and the window says
// what to run instead of failing.
void CalendarTest::databaseWithoutTheTable() {
    fixture::exec("alter table accounts_dep.production_calendar rename to calendar_away");
    data::Query q(DataModule6->ADO_DB);
    const DaysOff days = timesheet::readDaysOff(q, QDate(2024, 3, 1), QDate(2024, 3, 31));
    const bool present = timesheet::hasCalendar(q);
    ui::Script s;
    QString label;
    bool writable = true;
    s.onModal(Form29, [&] {
        label = Form29->Label1->text();
        writable = Form29->Button1->isEnabled();
        Form29->Button2->click();
    });
    Form29->ShowOn(QDate(2024, 3, 8));
    fixture::exec("alter table accounts_dep.calendar_away rename to production_calendar");
    QVERIFY(!present);
    QVERIFY(!days.isOff(QDate(2024, 3, 8)));
    QVERIFY(days.isOff(QDate(2024, 3, 9)));
    QCOMPARE(label, timesheet::noCalendarText());
    QVERIFY(!writable);
    QCOMPARE(s.texts(), QStringList());
}

Shown CalendarTest::shown(const QDate& d) {
    Shown out;
    data::Query rows(DataModule6->ADO_DB);
    const QString path = dir_.filePath(QStringLiteral("t13.xlsx"));
    timesheet::t13::writeForm(rows, d.year(), d.month(), {}, path);
    // Иванов is the only worker: his marks of days 1–15 on row 16 from column D
    out.t13Mark = xlsx::read(path).value(QChar(u'D' + d.day() - 1) + QStringLiteral("16"));

    Form19->ComboBox1->setCurrentIndex(d.month() - 1);
    Form19->selectYear(d.year());
    Form19->ComboBox1Change();
    const QVariant title = Form19->DBGrid1->horizontalHeader()->model()->headerData(
        Form19->DBGrid1->columnOf(QStringLiteral("d%1").arg(d.day())), Qt::Horizontal,
        Qt::ForegroundRole);
    out.timesheetRed = title.value<QColor>() == timesheet::WeekendColour;

    Form25->DTPcker1->setDate(d.addDays(1)); // as the user picks it
    Form25->DTPcker1->setDate(d);
    out.householdTicked = Form25->CBox1->isChecked();

    Form1->DateT->setDate(d);
    Form1->DateTCloseUp();
    out.journalTicked = Form1->CBox1->isChecked();
    for (int shift = 1; shift <= 3; ++shift)
        DataModule6->timesheetQuery(shift).close();
    return out;
}

// A user makes Monday 4 March 2024 a holiday in the window, and takes it back; each place
// follows at once, without the program being started again.
void CalendarTest::windowChangesADay() {
    Shown before = shown(Monday);
    QCOMPARE(before.t13Mark, QString("Я"));
    QVERIFY(!before.timesheetRed);
    QVERIFY(!before.householdTicked);
    QVERIFY(!before.journalTicked);

    const auto mark = [&](bool holiday) {
        ui::Script s;
        s.onModal(Form29, [&] {
            QCOMPARE(Form29->SpinEdit1->value(), 2024);
            QCOMPARE(Form29->chosenDay(), Monday);
            QCOMPARE(Form29->Grid1->item(2, 3)->text(), holiday ? QString() : QString("П"));
            QVERIFY(Form29->Button1->isEnabled());
            Form29->CheckBox1->setChecked(holiday);
            QTest::keyClick(Form29, Qt::Key_Return); // "Записать", the default button
            QCOMPARE(Form29->Grid1->item(2, 3)->text(), holiday ? QString("П") : QString());
            QTest::keyClick(Form29, Qt::Key_Escape);
        });
        Form1->DateT->setDate(Monday);
        Form1->N20Click();
        QCOMPARE(s.texts(), QStringList());
        QVERIFY(!Form29->isVisible());
    };

    mark(true);
    QCOMPARE(fixture::scalar("select concat(b_holiday::int, b_day_off::int, b_work_day::int, "
                             "b_short::int) from accounts_dep.production_calendar where "
                             "d_day='2024-03-04'"),
             QString("1000"));
    Shown after = shown(Monday);
    QCOMPARE(after.t13Mark, QString("РВ"));
    QVERIFY(after.timesheetRed);
    QVERIFY(after.householdTicked);
    QVERIFY(after.journalTicked);
    // the user may still untick it on the day
    Form25->CBox1->setChecked(false);
    QVERIFY(!Form25->CBox1->isChecked());

    // back to an ordinary Monday: the row goes, and the day with it
    mark(false);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.production_calendar where "
                             "d_day='2024-03-04'"),
             QString("0"));
    after = shown(Monday);
    QCOMPARE(after.t13Mark, QString("Я"));
    QVERIFY(!after.timesheetRed);
    QVERIFY(!after.householdTicked);
    QVERIFY(!after.journalTicked);
}

// A day of a closed month keeps its facts, so the form filed for the month stays as it was:
// the write is refused with the closed month's message, and nothing is written.
void CalendarTest::dayOfAClosedMonthStays() {
    fixture::exec("insert into accounts_dep.closed_month values (2024, 3, 'тест', now())");
    ui::Script s;
    s.onModal(Form29, [&] {
        Form29->CheckBox1->setChecked(true);
        Form29->Button1->click();
        QCOMPARE(Form29->Grid1->item(2, 3)->text(), QString()); // read again: still a Monday
        Form29->Button2->click();
    });
    Form29->ShowOn(Monday);
    fixture::exec("delete from accounts_dep.closed_month");
    QCOMPARE(s.texts(), QStringList{"Март 2024 закрыт: изменения не сохранены."});
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.production_calendar where "
                             "d_day='2024-03-04'"),
             QString("0"));
    QCOMPARE(shown(Monday).t13Mark, QString("Я"));
}

QTEST_MAIN(CalendarTest)
#include "tst_calendar.moc"
