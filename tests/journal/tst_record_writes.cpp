// Shift record writes by several copies of the program at once, each on its own connection:
// equal saves at the same moment, a move and a deletion of one record crossing, and the
// timesheet cells they leave behind.
#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "journal/record_writes.h"
#include "testdb.h"
#include "timesheet/timesheet_locks.h"

#include <QThread>
#include <QtTest>
#include <latch>
#include <memory>

namespace {
const QDate March5(2024, 3, 5);

// One copy of the program: its connection, lookup query and command.
struct Copy {
    data::Connection connection;
    data::Query control{connection};
    data::Command command{connection};
    Copy() {
        connection.setConnectionString(
            app::connectionString(fixture::databaseName(), QStringLiteral("127.0.0.1")));
        connection.open();
    }
};

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

// A copy in a thread of its own; with a latch it writes once all copies stand ready.
class Writer : public QThread {
public:
    explicit Writer(std::function<journal::WriteResult(Copy&)> work, std::latch* ready = nullptr)
        : work_(std::move(work)), ready_(ready) {}
    journal::WriteResult result = journal::WriteResult::Written;
    QString error;

protected:
    void run() override {
        bool arrived = false;
        try {
            Copy copy;
            if (ready_) ready_->arrive_and_wait();
            arrived = true;
            result = work_(copy);
        } catch (const data::DbError& e) {
            error = e.message();
        }
        if (ready_ && !arrived) ready_->count_down();
    }

private:
    std::function<journal::WriteResult(Copy&)> work_;
    std::latch* ready_;
};

// Sessions of this database waiting for a lock.
QString waiting() {
    return fixture::scalar("select count(*) from pg_stat_activity where datname="
                           "current_database() and wait_event_type='Lock'");
}

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
};

void RecordWritesTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()));
}

void RecordWritesTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel;");
}

void RecordWritesTest::equalSavesAtOnce() {
    // eight copies press "Запись" on the same record at the same moment: one is saved,
    // the others are told it exists, and the timesheet gets one row
    constexpr int copies = 8;
    std::latch ready(copies);
    std::vector<std::unique_ptr<Writer>> writers;
    for (int i = 0; i < copies; ++i)
        writers.push_back(std::make_unique<Writer>(
            [](Copy& c) { return journal::addRecord(c.control, c.command, welding()); }, &ready));
    for (auto& w : writers)
        w->start();
    int written = 0, duplicates = 0;
    for (auto& w : writers) {
        QVERIFY(w->wait(60000));
        QCOMPARE(w->error, QString());
        written += w->result == journal::WriteResult::Written;
        duplicates += w->result == journal::WriteResult::Duplicate;
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
    QCOMPARE(journal::addRecord(main.control, main.command, welding()),
             journal::WriteResult::Written);
    const qint64 id = fixture::scalar("select id from accounts_dep.smena").toLongLong();
    data::Query list(main.connection);
    list.setSql("select " + journal::SeenFields.join(u',') + " from accounts_dep.smena");
    list.open();
    const data::SeenRow seen = journal::seenRecord(list);

    auto* hold = new data::Transaction(main.connection);
    timesheet::lockForPosting(main.control, {timesheet::RowKey::shiftRow(heldWorker, 1, 2024, 3)});
    Writer move(
        [&](Copy& c) { return journal::changeRecord(c.control, c.command, id, welding(2), seen); });
    Writer remove([&](Copy& c) { return journal::deleteRecord(c.control, c.command, id, seen); });
    Writer& first = moveFirst ? move : remove;
    Writer& second = moveFirst ? remove : move;
    first.start();
    QTRY_COMPARE_WITH_TIMEOUT(waiting(), QString("1"), 20000);
    second.start();
    QTRY_COMPARE_WITH_TIMEOUT(waiting(), QString("2"), 20000);
    hold->commit();
    delete hold;
    QVERIFY(move.wait(60000));
    QVERIFY(remove.wait(60000));
    QCOMPARE(move.error, QString());
    QCOMPARE(remove.error, QString());
    QTEST(move.result, "moveResult");
    QTEST(remove.result, "deleteResult");
    QTEST(fixture::scalar("select count(*) from accounts_dep.smena"), "left");
    QTEST(cell(1) + "/" + cell(2), "cells");
}

QTEST_GUILESS_MAIN(RecordWritesTest)
#include "tst_record_writes.moc"
