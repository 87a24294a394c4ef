// A report over a real query: the rows its filter lets through, exact decimals that the
// database hands over as text, and the order the statement gives.
#include "app/app.h"
#include "data/connection.h"
#include "data/query.h"
#include "report_engine/prepare.h"
#include "reports/layouts.h"
#include "reports/summary_reports.h"
#include "testdb.h"

#include <QtTest>

namespace {

// Иванов: two welding records on a rack (one reject) and a primed cabinet painted RAL 9003;
// Петров: one welding record at a fractional price, and one on the first day after the period.
const char* kShifts =
    "INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, "
    "color, ok) VALUES "
    "('2024-01-15', 1, 1, 101, 1, 12.5, 10, 1, 8, 0, 'no'), "
    "('2024-01-16', 1, 1, 101, 1, 12.5, 4, 0, 8, 0, 'no'), "
    "('2024-01-17', 2, 1, 102, 2, 20, 3, 0, 8, 9003, 'no'), "
    "('2024-01-20', 1, 2, 101, 1, 10.125, 2, 0, 8, 1, 'no'), "
    "('2024-02-01', 1, 2, 101, 1, 12.5, 100, 0, 8, 0, 'no');";

} // namespace

class QueryRowsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void filteredRows_data();
    void filteredRows();

private:
    data::Connection connection_;
};

void QueryRowsTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql() + kShifts);
    connection_.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    connection_.open();
}

void QueryRowsTest::filteredRows_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("expected");
    const QString head =
        R"x(p1 y=10.0 report head "   Отчет по рабочим за период с 01.01.2024 по 01.02.2024")x";
    QTest::newRow("all")
        << QString()
        << QStringList{
               head,
               R"x(p1 y=17.0 child)x",
               R"x(p1 y=17.5 head fio "Иванов И.И.")x",
               R"x(p1 y=23.0 head nom "Стеллажи")x",
               R"x(p1 y=28.5 detail "Готовая продукция" "Сварка" " " "13" "162.500")x",
               R"x(p1 y=33.5 foot nom "13" "162.500")x",
               R"x(p1 y=39.0 head nom "Шкафы")x",
               R"x(p1 y=44.5 detail "Заготовки" "Покраска" " (RAL: 9003)" "3" "60.000")x",
               R"x(p1 y=49.5 foot nom "3" "60.000")x",
               R"x(p1 y=55.0 foot fio "222.50")x",
               R"x(p1 y=60.5 head fio "Петров П.П.")x",
               R"x(p1 y=66.0 head nom "Стеллажи")x",
               R"x(p1 y=71.5 detail "Готовая продукция" "Сварка" " (грунт)" "2" "20.250")x",
               R"x(p1 y=76.5 foot nom "2" "20.250")x",
               R"x(p1 y=82.0 foot fio "20.25")x",
               R"x(p1 y=87.5 report foot "Итого:" "242.75")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QTest::newRow("finished products")
        << "naimen=0"
        << QStringList{
               head,
               R"x(p1 y=17.0 child)x",
               R"x(p1 y=17.5 head fio "Иванов И.И.")x",
               R"x(p1 y=23.0 head nom "Стеллажи")x",
               R"x(p1 y=28.5 detail "Готовая продукция" "Сварка" " " "13" "162.500")x",
               R"x(p1 y=33.5 foot nom "13" "162.500")x",
               R"x(p1 y=39.0 foot fio "162.50")x",
               R"x(p1 y=44.5 head fio "Петров П.П.")x",
               R"x(p1 y=50.0 head nom "Стеллажи")x",
               R"x(p1 y=55.5 detail "Готовая продукция" "Сварка" " (грунт)" "2" "20.250")x",
               R"x(p1 y=60.5 foot nom "2" "20.250")x",
               R"x(p1 y=66.0 foot fio "20.25")x",
               R"x(p1 y=71.5 report foot "Итого:" "182.75")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QTest::newRow("blanks")
        << "naimen=1"
        << QStringList{
               head,
               R"x(p1 y=17.0 child)x",
               R"x(p1 y=17.5 head fio "Иванов И.И.")x",
               R"x(p1 y=23.0 head nom "Шкафы")x",
               R"x(p1 y=28.5 detail "Заготовки" "Покраска" " (RAL: 9003)" "3" "60.000")x",
               R"x(p1 y=33.5 foot nom "3" "60.000")x",
               R"x(p1 y=39.0 foot fio "60.00")x",
               R"x(p1 y=44.5 report foot "Итого:" "60.00")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QTest::newRow("a filter that lets nothing through")
        << "naimen=2"
        << QStringList{head, R"x(p1 y=17.0 child)x", R"x(p1 y=17.5 report foot "Итого:" "0.00")x",
                       R"x(p1 y=282.0 page foot "1")x"};
}

void QueryRowsTest::filteredRows() {
    QFETCH(QString, filter);
    QFETCH(QStringList, expected);
    data::Query query(connection_);
    query.setSql(reports::WorkersStatement);
    query.setParam("data1", QDateTime(QDate(2024, 1, 1), QTime(0, 0)));
    query.setParam("data2", QDateTime(QDate(2024, 2, 1), QTime(0, 0)));
    query.setFilter(filter);
    query.setFiltered(!filter.isEmpty());
    query.open();
    report::Layout layout = reports::workersReportLayout();
    layout.setText("QRLabel1", "   Отчет по рабочим за период с 01.01.2024 по 01.02.2024");
    QCOMPARE(report::prepare(layout, query).dump(), expected);
}

QTEST_MAIN(QueryRowsTest)
#include "tst_query_rows.moc"
