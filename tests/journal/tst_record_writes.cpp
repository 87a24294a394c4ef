// Shift record writes by several copies of the program at once, each on its own connection:
// equal saves at the same moment, a move and a deletion of one record crossing, and the
// timesheet cells they leave behind.
#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "journal/record_writes.h"
#include "other_copy.h"
#include "testdb.h"
#include "timesheet/household_writes.h"
#include "timesheet/timesheet_table.h"

#include <QThread>
#include <QtTest>
#include <latch>
#include <memory>

namespace {
const QDate March5(2024, 3, 5);

journal::RecordInput welding(int worker = 1) {
    journal::RecordInput r;
    r.worker = worker;
    r.product = 101;
    r.operation = 1;
    r.shift = 1;
    r.day = March5;
    r.price = 10;
    r.quantity = 10;
    r.hours = 8;
    return r;
}

using fixture::Copy;
using fixture::OtherCopy;
using fixture::waitingForLocks;

QString cell(int worker, const QString& day = "d5") {
    return fixture::scalar(QString("select string_agg(coalesce(%1, -1)::text, ' ') from "
                                   "accounts_dep.h_tabel where w_id=%2 and smena=1 and month=3 "
                                   "and year=2024")
                               .arg(day)
                               .arg(worker));
}
} // namespace

class RecordWritesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void equalSavesAtOnce();
    void moveAndDeleteCross_data();
    void moveAndDeleteCross();
    void dayLimit_data();
    void dayLimit();
};

void RecordWritesTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()));
}

void RecordWritesTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.fatigue; "
                  "delete from accounts_dep.h_tabel;");
}

void RecordWritesTest::equalSavesAtOnce() {
    // eight copies press "Запись" on the same record at the same moment: one is saved,
    // the others are told it exists, and the timesheet gets one row
    constexpr int copies = 8;
    std::latch ready(copies);
    std::vector<journal::WriteResult> results(copies);
    std::vector<std::unique_ptr<OtherCopy>> writers;
    for (int i = 0; i < copies; ++i)
        writers.push_back(std::make_unique<OtherCopy>(
            [&results, i](Copy& c) {
                results[i] = journal::addRecord(c.control, welding());
            },
            &ready));
    for (auto& w : writers)
        w->start();
    int written = 0, duplicates = 0;
    for (int i = 0; i < copies; ++i) {
        QVERIFY(writers[i]->wait(60000));
        QCOMPARE(writers[i]->error, QString());
        written += results[i] == journal::WriteResult::Written;
        duplicates += results[i] == journal::WriteResult::Duplicate;
    }
    QCOMPARE(written, 1);
    QCOMPARE(duplicates, copies - 1);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("1"));
    QCOMPARE(cell(1), QString("8"));
}

void RecordWritesTest::moveAndDeleteCross_data() {
    // One copy moves the record from worker 1 to worker 2 while another deletes it; the
    // first to start waits for a timesheet row that a third copy holds (as a long posting
    // would), and the second arrives meanwhile. Neither may fail, and the cells must end
    // as the records left them.
    QTest::addColumn<bool>("moveFirst");
    QTest::addColumn<int>("heldWorker");
    QTest::addColumn<journal::WriteResult>("moveResult");
    QTest::addColumn<journal::WriteResult>("deleteResult");
    QTest::addColumn<QString>("left");  // records
    QTest::addColumn<QString>("cells"); // d5 of worker 1, of worker 2
    // both copies saw the record as it was: the one deleting it is not to delete the record
    // the other has moved in the meantime
    QTest::newRow("move, then delete the moved record")
        << true << 2 << journal::WriteResult::Written << journal::WriteResult::RecordChanged << "1"
        << "0/8";
    QTest::newRow("delete, then move the deleted record")
        << false << 1 << journal::WriteResult::RecordGone << journal::WriteResult::Written << "0"
        << "0/";
}

void RecordWritesTest::moveAndDeleteCross() {
    QFETCH(bool, moveFirst);
    QFETCH(int, heldWorker);
    Copy main;
    QCOMPARE(journal::addRecord(main.control, welding()),
             journal::WriteResult::Written);
    const qint64 id = fixture::scalar("select id from accounts_dep.smena").toLongLong();
    data::Query list(main.connection);
    list.setSql("select " + journal::SeenFields.join(u',') + " from accounts_dep.smena");
    list.open();
    const data::SeenRow seen = journal::seenRecord(list);

    auto* hold = new data::Transaction(main.connection);
    fixture::holdRowLock(main.control, timesheet::RowKey::shiftRow(heldWorker, 1, 2024, 3));
    journal::WriteResult moved{}, removed{};
    OtherCopy move([&](Copy& c) {
        moved = journal::changeRecord(c.control, id, welding(2), seen);
    });
    OtherCopy remove([&](Copy& c) { removed = journal::deleteRecord(c.control, id, seen); });
    OtherCopy& first = moveFirst ? move : remove;
    OtherCopy& second = moveFirst ? remove : move;
    first.start();
    QTRY_COMPARE_WITH_TIMEOUT(waitingForLocks(), QString("1"), 20000);
    second.start();
    QTRY_COMPARE_WITH_TIMEOUT(waitingForLocks(), QString("2"), 20000);
    hold->commit();
    delete hold;
    QVERIFY(move.wait(60000));
    QVERIFY(remove.wait(60000));
    QCOMPARE(move.error, QString());
    QCOMPARE(remove.error, QString());
    QTEST(moved, "moveResult");
    QTEST(removed, "deleteResult");
    QTEST(fixture::scalar("select count(*) from accounts_dep.smena"), "left");
    QTEST(cell(1) + "/" + cell(2), "cells");
}

void RecordWritesTest::dayLimit_data() {
    // Hours written one after another into one day cell of worker 1, by shift records or by
    // household entries (class 11, then class 12, so they are not equal); the last one is
    // refused when the cell would exceed 24 hours. A change counts the hours without the
    // entry or record it replaces.
    QTest::addColumn<bool>("entries");
    QTest::addColumn<QList<int>>("hours");
    QTest::addColumn<bool>("changeLast"); // the last hours replace the first write's
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("cell");
    for (const bool entries : {false, true}) {
        const char* what = entries ? "entry" : "record";
        QTest::addRow("%s: 24 at once", what) << entries << QList<int>{24} << false << false << "24";
        QTest::addRow("%s: 8 then 16", what) << entries << QList<int>{8, 16} << false << false << "24";
        QTest::addRow("%s: 8 then 17", what) << entries << QList<int>{8, 17} << false << true << "8";
        QTest::addRow("%s: 20 changed to 24", what)
            << entries << QList<int>{20, 24} << true << false << "24";
        QTest::addRow("%s: 4, 20 changed to 21", what)
            << entries << QList<int>{4, 20, 21} << true << true << "24";
    }
    // 25 at once never reaches the database: the editors and the entry check refuse it
    QTest::addRow("entry: 25 at once") << true << QList<int>{25} << false << true << "";
}

void RecordWritesTest::dayLimit() {
    QFETCH(bool, entries);
    QFETCH(QList<int>, hours);
    QFETCH(bool, changeLast);
    QFETCH(bool, refused);
    Copy c;
    bool lastRefused = false;
    QString message;
    for (int i = 0; i < hours.size(); ++i) {
        const bool last = i == hours.size() - 1;
        const bool change = last && changeLast;
        // the written row that a change replaces: the one written second to last
        const qint64 id = fixture::scalar(entries ? "select max(id) from accounts_dep.fatigue"
                                                  : "select max(id) from accounts_dep.smena")
                              .toLongLong();
        if (entries) {
            const timesheet::HouseholdEntry e{1, 11 + i % 2, 7777, hours[i], 150, false, false};
            timesheet::Saved saved{};
            try {
                saved = change ? timesheet::changeEntry(c.control, id, e, {})
                               : timesheet::addEntry(c.control, e, March5, 1);
            } catch (const data::DbError& error) { // an input the entry check refuses
                saved = timesheet::Saved::DayOverfilled;
                message = error.message();
            }
            if (saved != timesheet::Saved::Written && message.isEmpty())
                message = timesheet::savedText(saved);
            lastRefused = saved != timesheet::Saved::Written;
        } else {
            journal::RecordInput r = welding();
            r.hours = hours[i];
            r.colour = i; // no two records equal
            const journal::WriteResult result =
                change ? journal::changeRecord(c.control, id, r, {})
                       : journal::addRecord(c.control, r);
            lastRefused = result != journal::WriteResult::Written;
            message = journal::refusalText(result);
        }
        QVERIFY2(last || !lastRefused, qPrintable(message));
    }
    QCOMPARE(lastRefused, refused);
    if (refused) {
        QVERIFY2(message.contains(entries ? "«Количество»" : "«Время»"), qPrintable(message));
        QVERIFY2(message.contains("24"), qPrintable(message));
    }
    const QString where = entries ? "i_type=7777" : "smena=1 and i_type=0";
    QTEST(fixture::scalar("select d5 from accounts_dep.h_tabel where w_id=1 and " + where),
          "cell");
    QVERIFY(fixture::scalar("select count(*) from accounts_dep.h_tabel where greatest(" +
                            timesheet::dayList("coalesce(d%1,0)") + ")>24") == "0");
}

QTEST_GUILESS_MAIN(RecordWritesTest)
#include "tst_record_writes.moc"
