// What the write engine gives back besides its outcome: the rows a listed part returned, in
// the order asked, and none when a check refused the write.
#include "data/write_engine.h"
#include "other_copy.h"
#include "testdb.h"

#include <QtTest>

class WriteEngineTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void listedRows_data();
    void listedRows();
};

void WriteEngineTest::initTestCase() {
    fixture::createDatabase("create table public.engine_rows(id int primary key, name text, "
                            "amount numeric(15,4), note text);");
}

void WriteEngineTest::init() {
    fixture::exec("delete from public.engine_rows; insert into public.engine_rows values "
                  "(1, 'Фролов', 2.5, null), (2, 'Иванов \"И\" O''Brien', 0, 'x'), "
                  "(3, 'Абрамов', 10, 'y'), (4, 'Сидоров', 7, 'z');");
}

void WriteEngineTest::listedRows_data() {
    QTest::addColumn<QString>("refusal"); // a check that refuses, or none
    QTest::addColumn<QString>("order");
    QTest::addColumn<QStringList>("rows"); // id:name:amount:note as they come back
    const QStringList all{"2:Иванов \"И\" O'Brien:0:x", "1:Фролов:2.5:", "3:Абрамов:10:y"};
    QTest::newRow("by amount") << ""
                               << "amount, id" << all;
    QTest::newRow("by amount, the largest first")
        << ""
        << "amount desc" << QStringList{all[2], all[1], all[0]};
    QTest::newRow("refused") << "true"
                             << "amount" << QStringList();
}

void WriteEngineTest::listedRows() {
    QFETCH(QString, refusal);
    QFETCH(QString, order);
    fixture::Copy c;
    data::WritePlan plan;
    if (!refusal.isEmpty()) plan.refusals.push_back({refusal, 7});
    plan.parts = {data::WritePart::update("public.engine_rows", "amount=amount*2", "id<>4",
                                          "id, name, amount/2 as amount, note")
                      .named("doubled")};
    plan.listed.push_back({QStringLiteral("doubled"), order});
    plan.counted << QStringLiteral("doubled");
    const data::WriteOutcome out = data::write(c.control, plan);
    QCOMPARE(out.written(), refusal.isEmpty());
    QStringList rows;
    for (const QVariantMap& r : out.rows.value(QStringLiteral("doubled"))) {
        QCOMPARE(r.keys(), (QStringList{"amount", "id", "name", "note"}));
        QVERIFY(r.value("note").isNull() == (r.value("id").toInt() == 1));
        rows << QStringList{r.value("id").toString(), r.value("name").toString(),
                            QString::number(r.value("amount").toDouble()),
                            r.value("note").toString()}
                    .join(u':');
    }
    QTEST(rows, "rows");
    QVERIFY(out.rows.contains(QStringLiteral("doubled"))); // there, even when empty
    // the count of the same part, and the listed rows kept out of the checks' values
    QCOMPARE(out.values.value(QStringLiteral("doubled")).toInt(), int(rows.size()));
    QCOMPARE(out.values.keys().filter("rows").size(), 0);
    QCOMPARE(fixture::scalar("select sum(amount)::float8 from public.engine_rows"),
             QString(refusal.isEmpty() ? "32" : "19.5"));
}

QTEST_GUILESS_MAIN(WriteEngineTest)
#include "tst_write_engine.moc"
