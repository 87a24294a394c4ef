// Closed months: every writer of shift records, entries and the timesheet refused in a closed
// month on a connection of its own, a close and a write of the same month never crossing, a
// rebuild in progress holding off the close, a month opened again taking writes again, and a
// database without the table of closed months working as before. The windows show the state.
#include "app/login_window.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "journal/journal_window.h"
#include "journal/month_close_window.h"
#include "journal/record_writes.h"
#include "other_copy.h"
#include "testdb.h"
#include "timesheet/closed_months.h"
#include "timesheet/closed_months_window.h"
#include "timesheet/household_list.h"
#include "timesheet/household_writes.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QtTest>

namespace {

using fixture::Copy;
using fixture::OtherCopy;
using fixture::waitingForLocks;

const QDate March5(2024, 3, 5);
const QDate April2(2024, 4, 2);
const QString MarchClosed = QStringLiteral("Март 2024 закрыт: изменения не сохранены.");

journal::RecordInput welding(const QDate& day = March5, int worker = 1) {
    journal::RecordInput r;
    r.worker = worker;
    r.product = 101;
    r.operation = 1;
    r.shift = 1;
    r.day = day;
    r.price = 10;
    r.quantity = 10;
    r.hours = 8;
    return r;
}

const timesheet::HouseholdEntry Sweeping{2, 11, timesheet::Household, 3, 150, false, false};
const timesheet::HouseholdEntry Average{2, 11, timesheet::AveragePiece, 4, 0, false, false};

// Everything a closed month keeps as it was: records, entries, timesheet rows.
QString everything() {
    return fixture::scalar(
        "select md5((select coalesce(string_agg(s::text, ';' order by id), '') from "
        "accounts_dep.smena s) || (select coalesce(string_agg(f::text, ';' order by id), '') "
        "from accounts_dep.fatigue f) || (select coalesce(string_agg(h::text, ';' order by "
        "w_id, i_type, smena, i_night, month, year), '') from accounts_dep.h_tabel h))");
}

qint64 recordOn(const QDate& day) {
    return fixture::scalar(QString("select min(id) from accounts_dep.smena where data='%1'")
                               .arg(day.toString(Qt::ISODate)))
        .toLongLong();
}
qint64 entryOn(const QDate& day) {
    return fixture::scalar(QString("select min(id) from accounts_dep.fatigue where d_date='%1'")
                               .arg(day.toString(Qt::ISODate)))
        .toLongLong();
}

// The writers, as the windows call them.
enum class Writer {
    AddRecord,
    ChangeRecord,
    MoveRecordIn,
    MoveRecordOut,
    DeleteRecord,
    Accept,
    Withdraw,
    AddEntry,
    ChangeEntry,
    DeleteEntry,
    PriceAverage,
    Rebuild,
};

// Runs one writer on copy; the message it is refused with, "" when it wrote.
QString write(Writer w, Copy& c) {
    timesheet::ClosedMonth closed;
    auto record = [&](journal::WriteResult r) {
        return r == journal::WriteResult::Written ? QString() : journal::refusalText(r, closed);
    };
    auto entry = [&](timesheet::Saved s) {
        return s == timesheet::Saved::Written ? QString() : timesheet::savedText(s, closed);
    };
    switch (w) {
    case Writer::AddRecord:
        return record(journal::addRecord(c.control, welding(March5, 2), &closed));
    case Writer::ChangeRecord: {
        journal::RecordInput r = welding();
        r.hours = 5;
        return record(journal::changeRecord(c.control, recordOn(March5), r, &closed));
    }
    case Writer::MoveRecordIn:
        return record(journal::changeRecord(c.control, recordOn(April2), welding(March5.addDays(1)),
                                            &closed));
    case Writer::MoveRecordOut:
        return record(journal::changeRecord(c.control, recordOn(March5), welding(April2.addDays(1)),
                                            &closed));
    case Writer::DeleteRecord:
        return record(journal::deleteRecord(c.control, recordOn(March5), &closed));
    case Writer::Accept:
        return record(journal::markRecord(c.control, recordOn(March5), "ok", &closed));
    case Writer::Withdraw:
        return record(
            journal::markRecord(c.control,
                                fixture::scalar("select max(id) from accounts_dep.smena where "
                                                "ok='ok'")
                                    .toLongLong(),
                                "no", &closed));
    case Writer::AddEntry:
        return entry(timesheet::addEntry(c.control, Sweeping, March5.addDays(1), 1, &closed));
    case Writer::ChangeEntry: {
        timesheet::HouseholdEntry e = Sweeping;
        e.hours = 6;
        return entry(timesheet::changeEntry(c.control, entryOn(March5), e, &closed));
    }
    case Writer::DeleteEntry:
        return entry(timesheet::deleteEntry(c.control, entryOn(March5), &closed));
    case Writer::PriceAverage: {
        timesheet::Saved refused = timesheet::Saved::Written;
        timesheet::priceAverageEntries(c.control, 2024, 3, &refused);
        closed = {2024, 3}; // the window names the month it asked for
        return entry(refused);
    }
    case Writer::Rebuild: {
        const timesheet::RebuildRefusal refused = timesheet::rebuildMonth(c.control, 2024, 3);
        return refused.found() ? timesheet::rebuildRefusalText(refused) : QString();
    }
    }
    return "unknown writer";
}

void closeMarch(Copy& c) {
    QCOMPARE(timesheet::closeMonth(c.control, 2024, 3, "полный доступ, тест"),
             timesheet::MonthChange::Done);
}

} // namespace

Q_DECLARE_METATYPE(Writer)

class ClosedMonthsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void writerRefused_data();
    void writerRefused();
    void writeAndCloseNeverCross_data();
    void writeAndCloseNeverCross();
    void closeWaitsForRebuild();
    void reopenedMonthTakesWrites();
    void windowsShowClosedMonth();
};

void ClosedMonthsTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
}

void ClosedMonthsTest::init() {
    fixture::exec("create table if not exists accounts_dep.closed_month (year integer, month "
                  "integer, closed_by varchar(50), closed_at timestamp, primary key (year, "
                  "month)); delete from accounts_dep.closed_month; delete from "
                  "accounts_dep.smena; delete from accounts_dep.fatigue; delete from "
                  "accounts_dep.h_tabel;");
    // a record and an entry in March, an accepted record in March, a record in April
    Copy c;
    for (const journal::RecordInput& r : {welding(), welding(March5, 3), welding(April2)})
        QCOMPARE(journal::addRecord(c.control, r), journal::WriteResult::Written);
    QCOMPARE(journal::markRecord(c.control, recordOn(March5) + 1, "ok"),
             journal::WriteResult::Written);
    QCOMPARE(timesheet::addEntry(c.control, Sweeping, March5, 1), timesheet::Saved::Written);
    QCOMPARE(timesheet::addEntry(c.control, Average, March5, 1), timesheet::Saved::Written);
}

void ClosedMonthsTest::cleanupTestCase() {
    fixture::endProgram();
}

void ClosedMonthsTest::writerRefused_data() {
    QTest::addColumn<Writer>("writer");
    QTest::newRow("add a record") << Writer::AddRecord;
    QTest::newRow("change a record") << Writer::ChangeRecord;
    QTest::newRow("move a record into the month") << Writer::MoveRecordIn;
    QTest::newRow("move a record out of the month") << Writer::MoveRecordOut;
    QTest::newRow("delete a record") << Writer::DeleteRecord;
    QTest::newRow("accept a record") << Writer::Accept;
    QTest::newRow("withdraw acceptance") << Writer::Withdraw;
    QTest::newRow("add an entry") << Writer::AddEntry;
    QTest::newRow("change an entry") << Writer::ChangeEntry;
    QTest::newRow("delete an entry") << Writer::DeleteEntry;
    QTest::newRow("average piece-rate prices") << Writer::PriceAverage;
    QTest::newRow("rebuild") << Writer::Rebuild;
}

void ClosedMonthsTest::writerRefused() {
    // one copy closes March, another writes into it: refused before anything is written,
    // with the message naming the month; April stays open to the same write
    QFETCH(Writer, writer);
    Copy admin, clerk;
    closeMarch(admin);
    const QString before = everything();
    QCOMPARE(write(writer, clerk), MarchClosed);
    QCOMPARE(everything(), before);
    QVERIFY(!clerk.connection.inTransaction());
    // and once March is open again, the same write goes through
    QCOMPARE(timesheet::openMonth(admin.control, 2024, 3), timesheet::MonthChange::Done);
    QCOMPARE(write(writer, clerk), QString());
}

void ClosedMonthsTest::writeAndCloseNeverCross_data() {
    QTest::addColumn<bool>("writeFirst");
    QTest::addColumn<bool>("entry");
    QTest::addColumn<QString>("result");
    QTest::addColumn<QString>("rows"); // the records or entries of 6 March afterwards
    QTest::newRow("record written, then closed") << true << false << ""
                                                 << "1";
    QTest::newRow("entry written, then closed") << true << true << ""
                                                << "1";
    QTest::newRow("closed, then the record refused") << false << false << MarchClosed << "0";
    QTest::newRow("closed, then the entry refused") << false << true << MarchClosed << "0";
}

void ClosedMonthsTest::writeAndCloseNeverCross() {
    // writeFirst: the write has taken March's lock and stands at a timesheet row another
    // copy holds when the close comes; the close waits for it, the write commits whole.
    // Otherwise the close holds March when the write comes; the write waits and is refused.
    QFETCH(bool, writeFirst);
    QFETCH(bool, entry);
    Copy main;
    auto* hold = new data::Transaction(main.connection);
    if (writeFirst) {
        const timesheet::RowKey row =
            entry ? timesheet::RowKey::entryRow(2, timesheet::Household, 0, 2024, 3)
                  : timesheet::RowKey::shiftRow(2, 1, 2024, 3);
        fixture::holdMonthLock(main.control, 2024, 3, false);
        fixture::holdRowLock(main.control, row);
    } else {
        fixture::holdMonthLock(main.control, 2024, 3, true);
        main.command.setSql("insert into accounts_dep.closed_month values (2024, 3, 'тест', "
                            "localtimestamp)");
        main.command.execute();
    }
    QString result = "not run";
    OtherCopy writer([&](Copy& c) {
        timesheet::ClosedMonth closed;
        if (entry) {
            const timesheet::Saved s =
                timesheet::addEntry(c.control, Sweeping, March5.addDays(1), 1, &closed);
            result = s == timesheet::Saved::Written ? QString() : timesheet::savedText(s, closed);
        } else {
            const journal::WriteResult r =
                journal::addRecord(c.control, welding(March5.addDays(1), 2), &closed);
            result =
                r == journal::WriteResult::Written ? QString() : journal::refusalText(r, closed);
        }
    });
    timesheet::MonthChange change = timesheet::MonthChange::Unchanged;
    OtherCopy closer(
        [&](Copy& c) { change = timesheet::closeMonth(c.control, 2024, 3, "полный доступ"); });
    writer.start();
    QTRY_COMPARE_WITH_TIMEOUT(waitingForLocks(), QString("1"), 20000);
    if (writeFirst) {
        closer.start();
        QTRY_COMPARE_WITH_TIMEOUT(waitingForLocks(), QString("2"), 20000);
    }
    hold->commit();
    delete hold;
    QVERIFY(writer.wait(20000));
    QVERIFY(!writeFirst || closer.wait(20000));
    QCOMPARE(writer.error, QString());
    QCOMPARE(closer.error, QString());
    QTEST(result, "result");
    const QString rows = entry
                             ? "select count(*) from accounts_dep.fatigue where d_date='2024-03-06'"
                             : "select count(*) from accounts_dep.smena where data='2024-03-06'";
    QTEST(fixture::scalar(rows), "rows");
    // never half: the cell is what the sources hold
    const QString cell = entry ? "select coalesce(max(d6), 0) from accounts_dep.h_tabel where "
                                 "i_type=7777 and w_id=2"
                               : "select coalesce(max(d6), 0) from accounts_dep.h_tabel where "
                                 "i_type=0 and w_id=2";
    QCOMPARE(fixture::scalar(cell), QString(writeFirst ? (entry ? "3" : "8") : "0"));
    if (writeFirst) QCOMPARE(change, timesheet::MonthChange::Done);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.closed_month"), QString("1"));
}

void ClosedMonthsTest::closeWaitsForRebuild() {
    // the close comes while March is being rebuilt (its rows rewritten, not yet committed):
    // it waits for the rebuild to commit, then closes
    timesheet::MonthChange change = timesheet::MonthChange::Unchanged;
    OtherCopy closer(
        [&](Copy& c) { change = timesheet::closeMonth(c.control, 2024, 3, "полный доступ"); });
    bool waited = false;
    timesheet::RebuildRefusal refused;
    {
        fixture::Stall stall("accounts_dep.h_tabel");
        OtherCopy rebuild([&](Copy& c) { refused = timesheet::rebuildMonth(c.control, 2024, 3); });
        rebuild.start();
        QVERIFY(fixture::waitUntilBlocked(rebuild));
        closer.start();
        QVERIFY(QTest::qWaitFor([&] { return waitingForLocks() == "2"; }, 20000));
        waited = closer.isRunning() &&
                 fixture::scalar("select count(*) from accounts_dep.closed_month") == "0";
        stall.release();
        QVERIFY(rebuild.wait(20000));
        QCOMPARE(rebuild.error, QString());
    }
    QVERIFY(!refused.found());
    QVERIFY(waited);
    QVERIFY(closer.wait(20000));
    QCOMPARE(closer.error, QString());
    QCOMPARE(change, timesheet::MonthChange::Done);
    QCOMPARE(fixture::scalar("select string_agg(w_id || ':' || d5, ' ' order by w_id) from "
                             "accounts_dep.h_tabel where i_type=0 and month=3"),
             QString("1:8 3:8"));
    // and now the month is closed to the next rebuild
    Copy main;
    QCOMPARE(write(Writer::Rebuild, main), MarchClosed);
}

void ClosedMonthsTest::reopenedMonthTakesWrites() {
    Copy admin, clerk;
    closeMarch(admin);
    QCOMPARE(fixture::scalar("select closed_by || ' ' || (closed_at > localtimestamp - interval "
                             "'1 hour') from accounts_dep.closed_month"),
             QString("полный доступ, тест true"));
    QCOMPARE(timesheet::closeMonth(admin.control, 2024, 3, "x"), timesheet::MonthChange::Unchanged);
    QVERIFY(timesheet::isClosed(clerk.control, 2024, 3));
    QVERIFY(!timesheet::isClosed(clerk.control, 2024, 4));
    QCOMPARE(write(Writer::AddRecord, clerk), MarchClosed);
    QCOMPARE(timesheet::openMonth(admin.control, 2024, 3), timesheet::MonthChange::Done);
    QCOMPARE(timesheet::openMonth(admin.control, 2024, 3), timesheet::MonthChange::Unchanged);
    QCOMPARE(write(Writer::AddRecord, clerk), QString());
    QCOMPARE(fixture::scalar("select d5 from accounts_dep.h_tabel where w_id=2 and i_type=0"),
             QString("8"));
}

void ClosedMonthsTest::windowsShowClosedMonth() {
    QCOMPARE(fixture::startProgram(), QStringList());
    ui::Script s;
    s.onModal(Form1, [&] {
        // the menu asks for the month, last month first, then for confirmation
        s.onModal(Form28, [&] {
            const QDate last = QDate::currentDate().addMonths(-1);
            QCOMPARE(Form28->month(), last.month());
            QCOMPARE(Form28->year(), last.year());
            Form28->ComboBox1->setCurrentIndex(2);
            Form28->SpinEdit1->setValue(2024);
            Form28->Button1->click();
        });
        s.answer(true);
        QVERIFY(Form1->N18->isEnabled() && Form1->N11->isEnabled());
        Form1->N18->trigger();
        QCOMPARE(s.texts().mid(s.texts().size() - 2),
                 (QStringList{"Закрыть март 2024? Записи, хоз. работы и табель этого месяца "
                              "нельзя будет изменить.",
                              "Март 2024 закрыт: записи, хоз. работы и табель этого месяца "
                              "больше не изменяются."}));
        QVERIFY(fixture::scalar("select closed_by from accounts_dep.closed_month")
                    .startsWith("полный доступ"));

        // the journal on a day of March: no writes, the month named
        Form1->DateT->setDate(March5);
        Form1->DateTCloseUp();
        for (QPushButton* b : {Form1->Button1, Form1->Button2, Form1->Button3})
            QVERIFY(!b->isEnabled());
        QCOMPARE(Form1->StatusBar1->currentMessage(),
                 QString("Март 2024 закрыт: записи этого месяца не изменяются."));
        // acceptance by double-click is refused with the month named
        Form1->DBGrid2DblClick();
        QCOMPARE(s.messages().last().text, MarchClosed);
        // on a day of April everything is as the role allows
        Form1->DateT->setDate(April2);
        Form1->DateTCloseUp();
        for (QPushButton* b : {Form1->Button1, Form1->Button2, Form1->Button3})
            QVERIFY(b->isEnabled());
        QCOMPARE(Form1->StatusBar1->currentMessage(), QString());

        // the household list on a day of March
        s.onModal(Form25, [&] {
            for (QPushButton* b :
                 {Form25->Button5, Form25->Button6, Form25->Button7, Form25->Button1})
                QVERIFY(!b->isEnabled());
            QVERIFY(Form25->StatusBar1->currentMessage().startsWith("Март 2024 закрыт"));
        });
        Form25->ShowOnDay(March5);

        // the timesheets mark the month and still show it
        Form19->ComboBox1->setCurrentIndex(2);
        Form19->selectYear(2024);
        Form19->ComboBox1Change();
        QVERIFY(!Form19->Label1->isHidden());
        QVERIFY(!Form19->Button1->isEnabled());
        QCOMPARE(DataModule6->timesheetQuery(1).recordCount(), 2);
        Form19->ComboBox1->setCurrentIndex(3);
        Form19->ComboBox1Change();
        QVERIFY(Form19->Label1->isHidden());
        Form27->CurTabel = &Form27->H_Tabel0;
        s.onModal(Form27, [&] { QVERIFY(!Form27->Label1->isHidden()); });
        Form27->ShowMonth(March5);

        // opened again, from the list of the closed months
        s.onModal(Form30, [&] {
            QCOMPARE(fixture::column(Form30->DBGrid1, "title"), QStringList{"Март 2024"});
            Form30->Button1->click();
        });
        s.answer(true);
        Form1->N19->trigger();
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.closed_month"), QString("0"));
    });
    Form23->Edit1->setText("7093");
    Form23->Button1Click();
}

QTEST_MAIN(ClosedMonthsTest)
#include "tst_closed_months.moc"
