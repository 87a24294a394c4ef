// Dates written and read on a server whose sessions start with another DateStyle than the
// program's own country uses: the program sets none on its session (a connection pooler
// would not keep it), so every date it sends or reads must mean the same day under each.
#include "app/app.h"
#include "data/connection.h"
#include "data/query.h"
#include "journal/record_writes.h"
#include "testdb.h"
#include "timesheet/household_writes.h"

#include <QtTest>

namespace {
// The 3rd of April: read month first it would be the 4th of March.
const QDate April3(2024, 4, 3);
const QDate April13(2024, 4, 13);

journal::RecordInput welding(const QDate& day) {
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.shift = 1;
    r.day = day;
    r.price = 12.5;
    r.quantity = 10;
    r.hours = 8;
    return r;
}
} // namespace

class DateStyleTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void writesAndReads_data();
    void writesAndReads();
};

void DateStyleTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
}

void DateStyleTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.fatigue; "
                  "delete from accounts_dep.h_tabel;");
}

void DateStyleTest::cleanupTestCase() {
    fixture::exec(
        QStringLiteral("ALTER DATABASE %1 RESET DateStyle;").arg(fixture::databaseName()));
}

void DateStyleTest::writesAndReads_data() {
    QTest::addColumn<QString>("style");
    QTest::newRow("ISO, month first") << "ISO, MDY";
    QTest::newRow("ISO, day first") << "ISO, DMY";
    QTest::newRow("SQL, month first") << "SQL, MDY";
    QTest::newRow("German") << "German, DMY";
    QTest::newRow("Postgres, year first") << "Postgres, YMD";
}

void DateStyleTest::writesAndReads() {
    QFETCH(QString, style);
    fixture::exec(QStringLiteral("ALTER DATABASE %1 SET DateStyle TO '%2';")
                      .arg(fixture::databaseName(), style));
    data::Connection c;
    c.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    c.open();
    data::Query control(c);
    data::Command command(c);
    // the session really reads dates this way (the driver may set only the output style)
    QCOMPARE(data::lookupIn(control, "select current_setting('DateStyle') as s", "s")
                 .toString()
                 .section(u',', 1)
                 .trimmed(),
             style.section(u',', 1).trimmed());

    // a record added on the 3rd of April, one moved to the 13th, a household entry and an
    // average piece-rate entry priced from the month's records
    QCOMPARE(journal::addRecord(control, welding(April3)), journal::WriteResult::Written);
    journal::RecordInput moved = welding(April3);
    moved.operation = 2;
    moved.product = 102;
    moved.price = 20;
    moved.hours = 2;
    QCOMPARE(journal::addRecord(control, moved), journal::WriteResult::Written);
    const qint64 id =
        fixture::scalar("select id from accounts_dep.smena where o_id=2").toLongLong();
    moved.day = April13;
    QCOMPARE(journal::changeRecord(control, id, moved), journal::WriteResult::Written);
    timesheet::HouseholdEntry entry;
    entry.worker = 1;
    entry.productClass = 11;
    entry.kind = 7778;
    entry.hours = 2;
    QCOMPARE(timesheet::addEntry(control, entry, April3, 1), timesheet::Saved::Written);
    QCOMPARE(timesheet::priceAverageEntries(control, 2024, 4), 1);

    const QString today = QDate::currentDate().toString(Qt::ISODate);
    QCOMPARE(fixture::scalar("select string_agg(to_char(data, 'YYYY-MM-DD') || ' ' || "
                             "to_char(vvod, 'YYYY-MM-DD'), ', ' order by o_id) "
                             "from accounts_dep.smena"),
             QString("2024-04-03 %1, 2024-04-13 %1").arg(today));
    QCOMPARE(fixture::scalar("select string_agg(smena || ': ' || month || '.' || year || ' d3=' || "
                             "coalesce(d3, 0) || ' d13=' || coalesce(d13, 0), ', ' order by smena) "
                             "from accounts_dep.h_tabel"),
             QString("1: 4.2024 d3=8 d13=2"));
    // 10 pieces at 12.5 in 8 hours of the class's work in April
    QCOMPARE(fixture::scalar("select to_char(d_date, 'YYYY-MM-DD') || ' ' || i_mnth || ' ' || "
                             "price from accounts_dep.fatigue"),
             QString("2024-04-03 4 15.6300"));

    // read back by a day and by a moment bound as values, and as dates in the rows
    data::Query q(c);
    q.setSql("select data, vvod from accounts_dep.smena where data = :day and vvod < :next "
             "order by o_id");
    q.setParam("day", April3);
    q.setParam("next", QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)));
    q.open();
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.asDate("data"), April3);
    QCOMPARE(q.value("vvod").toDateTime(), QDateTime(QDate::currentDate(), QTime(0, 0)));
    QCOMPARE(
        data::lookupIn(control,
                       "select d_date from accounts_dep.fatigue where d_date = date '2024-04-03'",
                       "d_date")
            .toDate(),
        April3);
}

QTEST_MAIN(DateStyleTest)
#include "tst_date_style.moc"
