// The access layer over the real ODBC connection, the SQL text helpers and the data
// module's shared operations.
#include "app/app.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/result_rows.h"
#include "data/sql_text.h"
#include "testdb.h"
#include "ui/dialogs.h"

#include <QtTest>

class AccessTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void typedParametersAndValues();
    void blocksReadAsCells_data();
    void blocksReadAsCells();
    void statementRunsOnceWhateverItHolds();
    void filter_data();
    void filter();
    void badFilterNamesPosition();
    void likeByWholeCharacters_data();
    void likeByWholeCharacters();
    void navigationAndRecordNumber();
    void locate();
    void tableEditing();
    void tableWithoutKey();
    void serverErrorCarriesMessage();
    void transactionRollsBack();
    void sqlText();
    void round4_data();
    void round4();
    void personCode_data();
    void personCode();
    void checkDuplicate_data();
    void checkDuplicate();
    void fixDecimalSeparator_data();
    void fixDecimalSeparator();

private:
    TDataModule6* dm = nullptr;
};

void AccessTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    dm = new TDataModule6;
    dm->ShowError = ui::error; // as the application sets it
    dm->ADO_DB.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
    dm->ADO_DB.open();
}

void AccessTest::typedParametersAndValues() {
    fixture::exec(
        "insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, "
        "color, ok, vvod) values ('2024-02-19', 1, 1, 101, 1, 12.5, 10, 2, 8, 0, 'no', "
        "'2024-02-20')");
    data::Query q(dm->ADO_DB);
    q.setSql(
        "select id, data, cena, kol_vo::numeric, round((kol_vo-brak)*cena::numeric, 2) as summa, "
        "vvod, ok, 'a:b' as t, 1::int8 as big from accounts_dep.smena where data=:day and ok<>:ok "
        "and w_id=:w");
    q.setParam("day", QDateTime(QDate(2024, 2, 19), QTime(0, 0)));
    q.setParam("ok", QString("ta"));
    q.setParam("w", 1);
    q.open();
    QCOMPARE(q.recordCount(), 1);
    QCOMPARE(q.asText("data"), QString("19.02.2024"));
    QCOMPARE(q.asDate("data"), QDate(2024, 2, 19));
    QCOMPARE(q.asText("cena"), QString("12.5"));
    QCOMPARE(q.asFloat("cena"), 12.5);
    QCOMPARE(q.asText("kol_vo"), QString("10"));
    QCOMPARE(q.asText("summa"), QString("100")); // 100.00 shown in its general form
    QCOMPARE(q.asText("vvod"), QString("20.02.2024"));
    QCOMPARE(q.asText("t"), QString("a:b"));
    QCOMPARE(q.asInt("big"), 1);
    QCOMPARE(q.asText("ok"), QString("no"));
    // a missing parameter is an error, not an empty match
    data::Query missing(dm->ADO_DB);
    missing.setSql("select 1 as x where 1=:one");
    QVERIFY_THROWS_EXCEPTION(data::DbError, missing.open());
    fixture::exec("delete from accounts_dep.smena");
}

// A result read a block of rows at a time holds what reading it a cell at a time holds:
// the same values of the same types, nulls included, over several blocks.
void AccessTest::blocksReadAsCells_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<bool>("inBlocks"); // false: a type read a cell at a time

    QTest::newRow("integers") << "select g, g::int2 as small, g::int8 * 1000000000 as big, "
                                 "case when g % 3 = 0 then null else g end as some "
                                 "from generate_series(1, 150) g"
                              << true;
    QTest::newRow("exact and float") << "select (g / 7.0)::numeric(12,4) as q, 12.500::numeric, "
                                        "-0.0::numeric as z, null::numeric as n, "
                                        "1e20::numeric as e, g / 3.0::float8 as f, "
                                        "0.1::float4 as r, round(g * 1.005, 2) as m "
                                        "from generate_series(1, 70) g"
                                     << true;
    QTest::newRow("texts") << "select 'Иванов И.И. ' || g as fio, 'О''Нил 😀'::varchar(20) as v, "
                              "''::text as empty, null::text as n, 'ab'::char(5) as padded, "
                              "case g % 2 when 0 then 'Готовая продукция' else 'Заготовки' end "
                              "as nmn from generate_series(1, 65) g"
                           << true;
    QTest::newRow("dates and times")
        << "select date '2024-02-29' + g as d, timestamp '2024-02-20 13:45:07.123456' + "
           "g * interval '1 hour' as ts, null::date as nd, null::timestamp as nts, "
           "time '08:30:15' as t from generate_series(1, 3) g"
        << true;
    QTest::newRow("no rows") << "select 1 as x, 'a'::text as y where false" << true;
    QTest::newRow("values longer than their room in a block")
        << "select g, repeat('я', 300 * g) || '😀' as long, "
           "case g when 70 then repeat('ж', 5000) end as longer, "
           "(repeat('9', 200) || '.50')::numeric as wide from generate_series(1, 70) g"
        << true;
    QTest::newRow("a type read by cell") << "select 'ab'::bytea as b, 1 as n" << false;
    QTest::newRow("truth values") << "select true as yes, null::boolean as no" << true;
}

void AccessTest::blocksReadAsCells() {
    QFETCH(QString, sql);
    QFETCH(bool, inBlocks);
    data::Rows blocks, cells;
    QSqlQuery q = dm->ADO_DB.exec(sql);
    QCOMPARE(data::readRows(q, blocks), inBlocks);
    q = dm->ADO_DB.exec(sql);
    data::readByCell(q, cells);
    QVERIFY(!cells.fields.isEmpty());
    QCOMPARE(blocks.fields, cells.fields);
    QCOMPARE(blocks.decimal, cells.decimal);
    QCOMPARE(blocks.values.size(), cells.values.size());
    for (qsizetype r = 0; r < cells.values.size(); ++r)
        for (qsizetype c = 0; c < cells.fields.size(); ++c) {
            const QVariant& a = blocks.values[r][c];
            const QVariant& b = cells.values[r][c];
            const QString where = QStringLiteral("row %1, %2: %3 (%4) vs %5 (%6)")
                                      .arg(r)
                                      .arg(cells.fields[c], a.toString(), a.typeName(),
                                           b.toString(), b.typeName());
            QVERIFY2(a.typeId() == b.typeId() && a.isNull() == b.isNull() && a == b,
                     qPrintable(where));
        }
    // a query holds the whole result whichever way it was read
    data::Query query(dm->ADO_DB);
    query.setSql(sql);
    query.open();
    QCOMPARE(query.recordCount(), int(cells.values.size()));
    for (int r = 0; r < query.recordCount(); ++r)
        for (int c = 0; c < cells.fields.size(); ++c)
            QCOMPARE(query.valueAt(r, c), cells.values[r][c]);
}

// A long value or a type read by cell never makes the statement run a second time.
void AccessTest::statementRunsOnceWhateverItHolds() {
    dm->ADO_DB.exec("create temporary sequence reads");
    data::Query q(dm->ADO_DB);
    q.setSql("select nextval('reads') as n, repeat('я', 1000) as long, 'ab'::bytea as b");
    q.open();
    q.close();
    q.setSql("select nextval('reads') as n, repeat('я', 1000) as long");
    q.open();
    QCOMPARE(q.asInt("n"), 2);
    QCOMPARE(q.asText("long").size(), 1000);
    dm->ADO_DB.exec("drop sequence reads");
}

void AccessTest::filter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("off") << ""
                         << QStringList{"Иванов И.И.", "О'Нил Д.Р.", "Петров П.П.", "Сидоров С.С."};
    QTest::newRow("prefix") << "fio like 'Пе%'" << QStringList{"Петров П.П."};
    QTest::newRow("cyrillic ignores case") << "fio like 'пЕтр%'" << QStringList{"Петров П.П."};
    QTest::newRow("anywhere") << "fio like '%ов %'"
                              << QStringList{"Иванов И.И.", "Петров П.П.", "Сидоров С.С."};
    QTest::newRow("one character") << "fio like '_ванов%'" << QStringList{"Иванов И.И."};
    QTest::newRow("apostrophe") << "fio like 'О''Н%'" << QStringList{"О'Нил Д.Р."};
    QTest::newRow("number") << "id=3" << QStringList{"О'Нил Д.Р."};
    QTest::newRow("number or text")
        << "id=2 or fio like 'С%'" << QStringList{"Петров П.П.", "Сидоров С.С."};
    QTest::newRow("regex characters are plain") << "fio like '.*%'" << QStringList{};
}

void AccessTest::filter() {
    QFETCH(QString, filter);
    QFETCH(QStringList, names);
    data::Query& q = dm->Workers;
    q.close();
    q.open();
    q.setFilter(filter);
    q.setFiltered(!filter.isEmpty());
    QCOMPARE(q.recNo(), names.isEmpty() ? 0 : 1);
    QStringList got;
    for (q.first(); !q.eof(); q.next())
        got << q.asText("fio");
    QCOMPARE(got, names);
    QCOMPARE(q.recordCount(), names.size());
    q.setFiltered(false);
    QCOMPARE(q.recordCount(), 4);
    q.close();
}

void AccessTest::likeByWholeCharacters_data() {
    // characters outside the BMP are two UTF-16 units each, yet one character of a pattern
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<bool>("matches");
    const QString tree = QStringLiteral("\U0001F384"), santa = QStringLiteral("\U0001F385");
    QTest::newRow("emoji in the pattern") << "Ёлка " + tree + " Н."
                                          << "Ёлка " + tree + "%" << true;
    QTest::newRow("emoji only") << tree << tree << true;
    QTest::newRow("other emoji") << tree << santa << false;
    QTest::newRow("one character for an emoji") << tree + santa << "_" + santa << true;
    QTest::newRow("never half an emoji") << tree << "__" << false;
    QTest::newRow("case after an emoji") << santa + "Дед" << santa + "дЕД" << true;
}

void AccessTest::likeByWholeCharacters() {
    QFETCH(QString, text);
    QFETCH(QString, pattern);
    QFETCH(bool, matches);
    QCOMPARE(data::likeMatch(text, pattern), matches);
}

void AccessTest::badFilterNamesPosition() {
    data::Query& q = dm->Workers;
    try {
        q.setFilter("fio like 'abc");
        QFAIL("no error");
    } catch (const data::DbError& e) {
        QVERIFY2(e.message().contains("fio like 'abc") && e.message().contains("позиция"),
                 qPrintable(e.message()));
    }
}

void AccessTest::navigationAndRecordNumber() {
    data::Query& q = dm->Workers;
    q.open();
    QCOMPARE(q.recNo(), 1);
    q.last();
    QCOMPARE(q.recNo(), 4);
    q.next();
    QVERIFY(q.eof());
    QCOMPARE(q.recNo(), 4);
    q.setRecNo(2);
    QCOMPARE(q.asText("fio"), QString("О'Нил Д.Р."));
    q.prior();
    q.prior();
    QVERIFY(q.bof());
    QCOMPARE(q.recNo(), 1);
    q.setRecNo(3);
    q.refresh();
    QCOMPARE(q.recNo(), 3);
    q.close();
    QCOMPARE(q.recNo(), 0);
    data::Query empty(dm->ADO_DB);
    empty.setSql("select * from accounts_dep.person where id < 0");
    empty.open();
    QVERIFY(empty.eof() && empty.isEmpty());
    QCOMPARE(empty.recNo(), 0);
    QCOMPARE(empty.asText("fio"), QString());
    QCOMPARE(empty.asInt("id"), 0);
}

void AccessTest::locate() {
    data::Query& q = dm->Oper;
    q.open();
    QCOMPARE(q.recordCount(), 4); // with the two kinds of work of every installation
    QVERIFY(q.locate("id", 2));
    QCOMPARE(q.asText("marka"), QString("ШК-200"));
    QVERIFY(q.locate("ID", QString("1")));
    QCOMPARE(q.asText("cena"), QString("10")); // lowest norm price
    QCOMPARE(q.asInt("norma"), 2);
    QCOMPARE(q.asText("nmn"), QString("Готовая продукция"));
    QVERIFY(!q.locate("id", 99));
    QCOMPARE(q.asInt("id"), 1); // not moved
    q.close();
}

void AccessTest::tableEditing() {
    data::Table norm(dm->ADO_DB, "accounts_dep.norm");
    norm.setOrder("norma");
    norm.open();
    norm.setFilter("o_id=1");
    norm.setFiltered(true);
    QCOMPARE(norm.recordCount(), 2);
    norm.insert();
    norm.setField("o_id", 1);
    norm.setField("norma", 5);
    norm.setField("price", 9.75);
    norm.post();
    QVERIFY(norm.asInt("id") > 0); // the key the database gave
    norm.setRecNo(1);
    norm.edit();
    norm.setField("price", 11.25);
    norm.post();
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm where o_id=1"), QString("3"));
    QCOMPARE(fixture::scalar("select price from accounts_dep.norm where o_id=1 and norma=10"),
             QString("11.25"));
    norm.refresh();
    QCOMPARE(norm.recordCount(), 3);
    norm.first();
    QCOMPARE(norm.asInt("norma"), 5); // ordered by norma
    norm.remove();
    QCOMPARE(norm.recordCount(), 2);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm where norma=5"), QString("0"));
    fixture::exec("update accounts_dep.norm set price=12.5 where o_id=1 and norma=10");
}

void AccessTest::tableWithoutKey() {
    // accounts_dep.ver has no key column: the row is found by its former values
    fixture::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (1, 2, null), "
                  "(3, 4, ',')");
    data::Table ver(dm->ADO_DB, "accounts_dep.ver");
    ver.open();
    ver.first();
    const int firstT = int(ver.asInt("t"));
    ver.edit();
    ver.setField("d", 10);
    ver.post();
    QCOMPARE(fixture::scalar(
                 QString("select count(*) from accounts_dep.ver where d=10 and t=%1").arg(firstT)),
             QString("1"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.ver where d=10"), QString("1"));
    fixture::exec("delete from accounts_dep.ver; insert into accounts_dep.ver values (0, 0, '.')");
}

void AccessTest::serverErrorCarriesMessage() {
    data::Command c(dm->ADO_DB);
    c.setSql("insert into accounts_dep.nothing values (1)");
    try {
        c.execute();
        QFAIL("no error");
    } catch (const data::DbError& e) {
        QVERIFY2(e.message().contains("nothing"), qPrintable(e.message()));
    }
    // the connection is still usable afterwards
    QCOMPARE(dm->lookup("select count(*) as cnt from accounts_dep.person", "cnt").toInt(), 4);
}

void AccessTest::transactionRollsBack() {
    try {
        data::Transaction t(dm->ADO_DB);
        data::Command c(dm->ADO_DB);
        c.setSql("insert into accounts_dep.vid_oper(vid) values ('Временная')");
        c.execute();
        {
            data::Transaction inner(dm->ADO_DB); // nested scopes share the outer transaction
            c.execute();
            inner.commit();
        }
        c.setSql("insert into accounts_dep.no_such_table values (1)");
        c.execute();
        t.commit();
        QFAIL("no error");
    } catch (const data::DbError&) {
    }
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.vid_oper where vid='Временная'"),
             QString("0"));
    QVERIFY(!dm->ADO_DB.inTransaction());
    {
        data::Transaction t(dm->ADO_DB);
        dm->DelSmena.setSql("insert into accounts_dep.vid_oper(vid) values ('Постоянная')");
        dm->DelSmena.execute();
        t.commit();
    }
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.vid_oper where vid='Постоянная'"),
             QString("1"));

    // a failed statement undoes the whole transaction, also when the caller goes on after it
    try {
        data::Transaction t(dm->ADO_DB);
        data::Command c(dm->ADO_DB);
        c.setSql("insert into accounts_dep.vid_oper(vid) values ('До ошибки')");
        c.execute();
        c.setSql("insert into accounts_dep.no_such_table values (1)");
        QVERIFY_THROWS_EXCEPTION(data::DbError, c.execute());
        c.setSql("insert into accounts_dep.vid_oper(vid) values ('После ошибки')");
        c.execute();
        t.commit();
        QFAIL("committed after an error");
    } catch (const data::DbError& e) {
        QCOMPARE(e.message(), QString("Транзакция отменена"));
    }
    QCOMPARE(
        fixture::scalar("select count(*) from accounts_dep.vid_oper where vid like '% ошибки'"),
        QString("0"));
    QVERIFY(!dm->ADO_DB.inTransaction());
}

void AccessTest::personCode_data() {
    QTest::addColumn<QString>("code"); // SQL literal
    QTest::addColumn<QVariant>("key"); // null: matches nobody
    QTest::newRow("number") << "'17'" << QVariant(17);
    QTest::newRow("blanks and sign") << "' +17 '" << QVariant(17);
    QTest::newRow("negative") << "'-5'" << QVariant(-5);
    QTest::newRow("largest") << "'2147483647'" << QVariant(2147483647);
    QTest::newRow("null") << "null" << QVariant();
    QTest::newRow("empty") << "''" << QVariant();
    QTest::newRow("letters") << "'С-17'" << QVariant();
    QTest::newRow("decimal") << "'17.5'" << QVariant();
    QTest::newRow("above integer") << "'2147483648'" << QVariant();
    QTest::newRow("eleven digits") << "'99999999999'" << QVariant();
    QTest::newRow("forty digits") << "'" + QString(40, u'9') + "'" << QVariant();
}

// The code joins by equality with an integer column and never fails the statement.
void AccessTest::personCode() {
    QFETCH(QString, code);
    QFETCH(QVariant, key);
    data::Query q(dm->ADO_DB);
    q.setSql("select " + data::sql::personCode("p") + " as k, pg_typeof(" +
             data::sql::personCode("p") + ")::text as t from (select " + code +
             "::varchar(50) as s_code) p");
    q.open();
    QCOMPARE(q.asText("t"), QString("integer"));
    QCOMPARE(q.isNull("k"), key.isNull());
    if (!key.isNull()) QCOMPARE(q.asInt("k"), key.toLongLong());
}

void AccessTest::sqlText() {
    using namespace data::sql;
    QCOMPARE(integer(-42), QString("-42"));
    QCOMPARE(date(QDate(2024, 3, 5)), QString("2024-03-05"));
    QCOMPARE(toDate(QDate(2024, 3, 5)), QString("to_date('05.03.2024', 'DD.MM.YYYY')"));
    QCOMPARE(quoted("О'Нил"), QString("'О''Нил'"));
    QCOMPARE(escaped("a''b'"), QString("a''''b''"));
    QCOMPARE(general(12.5), QString("12.5"));
    QCOMPARE(general(125.0), QString("125"));
    QCOMPARE(general(0.1 + 0.2), QString("0.3"));
    QCOMPARE(general(-0.0), QString("0"));
    QCOMPARE(general(123456789012.345), QString("123456789012.345"));
    // the server reads a quoted text back unchanged, and both date texts as the day they name
    QCOMPARE(dm->lookup("select " + quoted("О'Нил; drop table x; --") + " as t", "t").toString(),
             QString("О'Нил; drop table x; --"));
    QCOMPARE(dm->lookup("select '" + date(QDate(2024, 3, 5)) + "'::date as d", "d").toDate(),
             QDate(2024, 3, 5));
    QCOMPARE(dm->lookup("select " + toDate(QDate(2024, 3, 5)) + " as d", "d").toDate(),
             QDate(2024, 3, 5));
}

void AccessTest::round4_data() {
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("third") << 1.0 / 3 << "0.3333";
    QTest::newRow("two thirds") << 2.0 / 3 << "0.6667";
    QTest::newRow("tie to even down") << 33.0 / 32 << "1.0312"; // 10312.5 exactly
    QTest::newRow("tie to even up") << 35.0 / 32 << "1.0938";   // 10937.5 exactly
    QTest::newRow("plain") << 12.5 << "12.5";
    QTest::newRow("times factors") << 10.0 * 2 * 1.5 << "30";
    QTest::newRow("shift 3") << 12.34 * 1.2 << "14.808";
    QTest::newRow("negative") << -1.0 / 3 << "-0.3333";
}

void AccessTest::round4() {
    QFETCH(double, value);
    QTEST(data::sql::general(data::sql::round4(value)), "text");
}

void AccessTest::checkDuplicate_data() {
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("duplicate");
    QTest::newRow("none") << "select count(*) as cnt from accounts_dep.person where fio='Нет'"
                          << "Есть!" << false;
    QTest::newRow("two") << "select count(*) as cnt from accounts_dep.oper where vid in (1,2)"
                         << "Есть!" << true;
    QTest::newRow("no message text") << "select 1 as cnt"
                                     << "" << true;
}

void AccessTest::checkDuplicate() {
    QFETCH(QString, sql);
    QFETCH(QString, message);
    QFETCH(bool, duplicate);
    ui::Script script;
    QCOMPARE(dm->CheckDuplicate(sql, message), duplicate);
    QVERIFY(!dm->Control.active());
    if (duplicate) {
        QCOMPARE(script.texts(), QStringList{message});
        QCOMPARE(script.shown().first().caption, QString("Ошибка"));
        QCOMPARE(script.shown().first().icon, QMessageBox::Critical);
    } else {
        QVERIFY(script.shown().isEmpty());
    }
}

void AccessTest::fixDecimalSeparator_data() {
    QTest::addColumn<QString>("delim");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::newRow("comma to point") << "."
                                    << "12,5"
                                    << "12.5";
    QTest::newRow("point stays") << "."
                                 << "12.5"
                                 << "12.5";
    QTest::newRow("integer") << "."
                             << "12"
                             << "12";
    QTest::newRow("point to comma") << ","
                                    << "12.5"
                                    << "12,5";
    QTest::newRow("comma first, once") << "."
                                       << "1.250,5"
                                       << "1.250.5";
    QTest::newRow("unread separator keeps a point") << ""
                                                    << "12,5"
                                                    << "12.5";
    QTest::newRow("unread separator, point") << ""
                                             << "12.5"
                                             << "12.5";
}

void AccessTest::fixDecimalSeparator() {
    QFETCH(QString, delim);
    QFETCH(QString, input);
    dm->DbDelim = delim;
    QTEST(dm->FixDecimalSeparator(input), "output");
}

QTEST_MAIN(AccessTest)
#include "tst_access.moc"
