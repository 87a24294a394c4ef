// Number and date texts: the one rounding rule of masks, and the grid and a report showing
// the same value the same way.
#include "app/app.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "report_engine/value.h"
#include "testdb.h"
#include "ui/dbgrid.h"

#include <QtTest>

class TextsTest : public QObject {
    Q_OBJECT
private slots:
    void masked_data();
    void masked();
    void dates();
    void gridAndReportAgree();
    void namesInTheServersOrder();
};

void TextsTest::masked_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("mask");
    QTest::addColumn<QString>("text");
    // binary values just below the half still round up: the decimal form decides
    QTest::newRow("2.675") << 2.675 << "#0.00"
                           << "2.68";
    QTest::newRow("1.005") << 1.005 << "#0.00"
                           << "1.01";
    QTest::newRow("-2.675") << -2.675 << "#0.00"
                            << "-2.68";
    QTest::newRow("half away from zero, not to even") << 2.5 << "#0"
                                                      << "3";
    QTest::newRow("negative half") << -0.5 << "#0"
                                   << "-1";
    QTest::newRow("below the half") << 2.6749 << "#0.00"
                                    << "2.67";
    QTest::newRow("carry into the integer") << 9.995 << "#0.00"
                                            << "10.00";
    QTest::newRow("no negative zero") << -0.004 << "#0.00"
                                      << "0.00";
    QTest::newRow("tiny") << 1e-20 << "#0.00"
                          << "0.00";
    QTest::newRow("hash decimals shown when significant") << 12.3456 << "#0.00#"
                                                          << "12.346";
    QTest::newRow("zero decimals always") << 12.0 << "#0.00#"
                                          << "12.00";
    QTest::newRow("third decimal dropped when zero") << 12.5 << "#0.00#"
                                                     << "12.50";
    QTest::newRow("no integer digit required") << 0.5 << "#.##"
                                               << ".5";
    QTest::newRow("thousands") << 1234567.891 << "#,##0.00"
                               << "1\u00A0234\u00A0567.89";
    QTest::newRow("texts around") << 12.0 << "Итого: #0.00 р."
                                  << "Итого: 12.00 р.";
    QTest::newRow("large") << 123456789012.345 << "#0.00"
                           << "123456789012.35";
    QTest::newRow("empty mask is the general form") << 12.5 << ""
                                                    << "12.5";
    QTest::newRow("not finite") << qInf() << "#0.00"
                                << "inf";
}

void TextsTest::masked() {
    QFETCH(double, value);
    QFETCH(QString, mask);
    QTEST(data::text::masked(value, mask), "text");
}

void TextsTest::dates() {
    QCOMPARE(data::text::date(QDate(2024, 3, 5)), QString("05.03.2024"));
    QCOMPARE(data::text::dateTime(QDateTime(QDate(2024, 3, 5), QTime(0, 0))),
             QString("05.03.2024"));
    QCOMPARE(data::text::dateTime(QDateTime(QDate(2024, 3, 5), QTime(9, 5, 7))),
             QString("05.03.2024 09:05:07"));
    QCOMPARE(data::Query::displayText(QDate(2024, 3, 5)), QString("05.03.2024"));
    QCOMPARE(report::Value::fromVariant(QDateTime(QDate(2024, 3, 5), QTime(0, 0))).text(),
             QString("05.03.2024"));
}

// A value from the database, exact or floating, reads the same in a masked grid column
// and in a report field with that mask.
void TextsTest::gridAndReportAgree() {
    fixture::createDatabase();
    data::Connection connection;
    connection.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    connection.open();
    data::Query q(connection);
    q.setSql("select 2.675::numeric as exact, 2.675::float8 as floating, 1.005::numeric as small");
    q.open();
    ui::DBGrid grid;
    for (const char* field : {"exact", "floating", "small"}) {
        grid.addColumn(field, field, 80, Qt::AlignRight);
        grid.column(grid.columnCount() - 1).format = "#0.00";
    }
    grid.setDataSet(&q);
    const QStringList expected{"2.68", "2.68", "1.01"};
    int i = 0;
    for (const char* field : {"exact", "floating", "small"}) {
        QCOMPARE(grid.cellText(0, field), expected[i]);
        QCOMPARE(report::formatValue(report::Value::fromVariant(q.value(field)), "#0.00"),
                 expected[i]);
        ++i;
    }
}

// A name put into a list in place sorts where the server's order by name puts it: case and
// "ё" aside, then the name itself, an empty name first and a missing one last.
void TextsTest::namesInTheServersOrder() {
    fixture::createDatabase();
    const QStringList names{"Ёлкин",  "елкин",   "Елкин А.", "Еж",     "ёж",      "Ежов",
                            "Яковлев", "абрамов", "Абрамов",  "Абрамов ", "Zeta",  "alpha",
                            "Иванов И.И.", "Иванов", "",      "Щукин",  "Шубин",   "1-я бригада"};
    QString values;
    for (const QString& n : names)
        values += (values.isEmpty() ? "(" : ", (") + data::sql::quoted(n) + ")";
    const QString server = fixture::scalar(
        "select string_agg(coalesce(n, '<null>'), '|' order by " + data::sql::byName("n") +
        ") from (values " + values + ", (null)) v(n)");
    QStringList ours = names;
    ours << QString();
    std::stable_sort(ours.begin(), ours.end(), [](const QString& a, const QString& b) {
        return data::sql::nameKey(a) < data::sql::nameKey(b);
    });
    for (QString& n : ours)
        if (n.isNull()) n = "<null>";
    QCOMPARE(ours.join('|'), server);
}

QTEST_MAIN(TextsTest)
#include "tst_texts.moc"
