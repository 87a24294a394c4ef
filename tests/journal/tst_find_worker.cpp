// Finding a worker in the demo department: the search over the journal's four shifts, the
// totals under the journal as the server adds them up, kept after every change, and the
// worker's month with its day and month totals, on screen and printed.
#include "data/data_module.h"
#include "data/query.h"
#include "data/texts.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "journal/worker_month_window.h"
#include "other_copy.h"
#include "report_engine/preview.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>

namespace {

// A name in the form the server compares it by: lower case, "ё" as "е" (translate, as a
// database made with the "C" collation lowers no Cyrillic letter).
QString folded(const QString& column) {
    return QString("translate(%1, 'АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯё', "
                   "'абвгдеежзийклмнопрстуфхцчшщъыьэюяе')")
        .arg(column);
}

// The records the journal lists (every mark but a null one) whose worker's name holds key.
QString listed(const QString& key) {
    QString k = key;
    return "from accounts_dep.smena s join cmn_contractor.person p on p.id=s.w_id "
           "join accounts_dep.oper o on o.id=s.o_id join accounts_dep.vid_oper v on v.id=o.vid "
           "join accounts_dep.izdel i on i.id=s.i_id where s.ok<>'ta' and " +
           folded("p.s_caption") + " like '%" + k.replace("'", "''") + "%'";
}

QString onDay(const QDate& day, int shift) {
    return QString(" and s.data='%1' and s.smena=%2").arg(day.toString(Qt::ISODate)).arg(shift);
}

// The line under the journal as the server's sums make it.
QString serverTotals(const QString& rows) {
    const QStringList v =
        fixture::scalar("select count(*) || '|' || coalesce(sum(s.kol_vo), 0) || '|' || "
                        "coalesce(sum(s.brak), 0) || '|' || coalesce(sum(s.time), 0) || '|' || "
                        "coalesce(sum(round((s.kol_vo-s.brak)*s.cena::numeric, 2)), 0.00) " +
                        rows)
            .split(u'|');
    return QString("Записей: %1   Кол-во: %2   Брак: %3   Часы: %4   Сумма: %5 р.")
        .arg(v[0], data::text::general(v[1].toDouble()), v[2], v[3],
             data::text::money(v[4].toDouble()));
}

void showDay(const QDate& day, int shift = 1) {
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    QRadioButton* buttons[] = {Form1->RadioButton1, Form1->RadioButton2, Form1->RadioButton3,
                               Form1->RadioButton4};
    buttons[shift - 1]->setChecked(true);
}

void showShift(int shift) {
    QRadioButton* buttons[] = {Form1->RadioButton1, Form1->RadioButton2, Form1->RadioButton3,
                               Form1->RadioButton4};
    buttons[shift - 1]->setChecked(true);
}

// The day and shift with the most records whose worker's name holds key (the busiest of all
// for a key nobody's name holds).
struct Place {
    QDate day;
    int shift = 1;
};
Place busiest(const QString& key) {
    const QStringList v =
        fixture::scalar("select s.data || ' ' || s.smena " + listed(key) +
                        " group by s.data, s.smena order by count(*) desc, s.data, s.smena "
                        "limit 1")
            .split(u' ', Qt::SkipEmptyParts);
    if (v.size() < 2) return busiest("");
    return {QDate::fromString(v[0], Qt::ISODate), v[1].toInt()};
}

QStringList sorted(QStringList l) {
    l.sort();
    return l;
}

} // namespace

class FindWorkerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void search_data();
    void search();
    void totalsFollowChanges_data();
    void totalsFollowChanges();
    void workerMonth();
};

void FindWorkerTest::initTestCase() {
    QFile demo(fixture::sourcePath("sql/demo.sql"));
    QVERIFY(demo.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(demo.readAll()));
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
    for (int shift = 1; shift <= 4; ++shift) // every mark listed
        DataModule6->smenaQuery(shift).setParam("ok", QString("ta"));
    QTRY_VERIFY(DataModule6->Changes.listening());
}

void FindWorkerTest::search_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("key"); // what the server looks for in the names
    QTest::addColumn<bool>("finds");  // some record of the day holds it
    QTest::newRow("е typed, ё in the name") << "федор"
                                            << "федор" << true;
    QTest::newRow("capitals, Ё typed") << "ФЁДОР"
                                       << "федор" << true;
    QTest::newRow("Ковалёв as Ковалев") << "Ковалев"
                                        << "ковалев" << true;
    QTest::newRow("ё typed, ё in the name") << "семёнова"
                                            << "семенова" << true;
    QTest::newRow("an apostrophe") << "о'нил"
                                   << "о'нил" << true;
    QTest::newRow("blanks around") << "  петрова "
                                   << "петрова" << true;
    QTest::newRow("inside the name, many workers") << "ов"
                                                   << "ов" << true;
    QTest::newRow("initials") << "а.в."
                              << "а.в." << true;
    QTest::newRow("nobody") << "Пушкин"
                            << "пушкин" << false;
}

void FindWorkerTest::search() {
    QFETCH(QString, typed);
    QFETCH(QString, key);
    QFETCH(bool, finds);
    const QDate day = busiest(key).day;
    showDay(day);
    ui::Script s;
    Form1->EditFind->setFocus();
    fixture::type(Form1->EditFind, typed);
    QStringList counts;
    int found = 0;
    for (int shift = 1; shift <= 4; ++shift) {
        showShift(shift);
        const QString rows = listed(key) + onDay(day, shift);
        // that worker's records only, every one of them
        const QStringList names = fixture::scalar("select string_agg(p.s_caption, '|') " + rows)
                                      .split(u'|', Qt::SkipEmptyParts);
        QCOMPARE(sorted(fixture::column(Form1->DBGrid2, "fio")), sorted(names));
        QCOMPARE(Form1->LabelTotals->text(), serverTotals(rows));
        counts << QString::number(names.size());
        found += int(names.size());
    }
    QCOMPARE(found > 0, finds);
    // the count says what each shift holds
    QCOMPARE(Form1->LabelFound->text(),
             QString("Найдено записей — №1: %1, №2: %2, №3: %3, переработка: %4")
                 .arg(counts[0], counts[1], counts[2], counts[3]));

    // Escape in the box shows every record again and asks nothing
    showShift(1);
    QTest::keyClick(Form1->EditFind, Qt::Key_Escape);
    QCOMPARE(Form1->EditFind->text(), QString());
    QCOMPARE(Form1->LabelFound->text(), QString());
    QCOMPARE(QString::number(Form1->DBGrid2->dataSet()->recordCount()),
             fixture::scalar("select count(*) " + listed("") + onDay(day, 1)));
    QCOMPARE(Form1->LabelTotals->text(), serverTotals(listed("") + onDay(day, 1)));
    QCOMPARE(s.messages().size(), 0);
}

void FindWorkerTest::totalsFollowChanges_data() {
    QTest::addColumn<QString>("change");
    for (const char* c : {"add", "change", "accept", "delete", "re-read", "other copy"})
        QTest::newRow(c) << c;
}

// The totals of the shown shift, searched for one worker, after each change of its records.
void FindWorkerTest::totalsFollowChanges() {
    QFETCH(QString, change);
    const QString key = "ковалев";
    const auto [day, shift] = busiest(key);
    const qint64 worker = fixture::scalar("select p.id " + listed(key) + " limit 1").toLongLong();
    QVERIFY(worker > 0);
    if (change == "other copy") Form1->show(); // a hidden journal reads on its next showing
    showDay(day, shift);
    Form1->EditFind->setText("Ковалёв");
    const QString rows = listed(key) + onDay(day, shift);
    QCOMPARE(Form1->LabelTotals->text(), serverTotals(rows));
    const QString before = Form1->LabelTotals->text();
    ui::Script s;
    s.answer(true);
    Form1->DBGrid2->selectRow(0);
    data::Query& q = DataModule6->smenaQuery(shift);

    if (change == "add") {
        // an operation the worker has no record of that day, through "Добавить"
        const QStringList op =
            fixture::scalar(QString("select o.id || ' ' || o.i_id from accounts_dep.oper o where "
                                    "o.i_id<>7777 and not exists (select 1 from accounts_dep.smena "
                                    "s where s.o_id=o.id and s.w_id=%1 and s.data='%2') order by "
                                    "o.id limit 1")
                                .arg(worker)
                                .arg(day.toString(Qt::ISODate)))
                .split(u' ');
        QCOMPARE(op.size(), 2);
        s.onModal(Form11, [&] {
            Form11->Edit1->setText("Ковалёв Е.И.");
            Form11->WorkerId = int(worker);
            Form11->Edit2->setText("операция");
            Form11->OperId = op[0].toInt();
            Form11->ProductId = op[1].toInt();
            Form11->Price = 12.34;
            Form11->updateColourBox();
            Form11->Edit3->setText("7");
            Form11->Edit4->setText("1");
            Form11->Edit6->setText("1");
            Form11->DTimeP->setDate(day);
            Form11->Button1->click();
        });
        Form1->Button1Click();
    } else if (change == "change") {
        s.onModal(Form11, [] {
            Form11->Edit3->setText(QString::number(Form11->Edit3->text().toDouble() + 5));
            Form11->Button1->click();
        });
        Form1->Button2Click();
    } else if (change == "accept") {
        Form1->DBGrid2DblClick();
    } else if (change == "delete") {
        Form1->Button3Click();
    } else if (change == "re-read") {
        fixture::exec(QString("update accounts_dep.smena set kol_vo=kol_vo+3, brak=brak+1 where "
                              "id=%1")
                          .arg(q.asInt("id")));
        Form1->Button8->click(); // "Обновить"
    } else {
        fixture::Copy a;
        journal::RecordInput r;
        r.worker = worker;
        const QStringList op =
            fixture::scalar("select o.id || ' ' || o.i_id from accounts_dep.oper o where "
                            "o.i_id<>7777 order by o.id desc limit 1")
                .split(u' ');
        r.operation = op[0].toLongLong();
        r.product = op[1].toLongLong();
        r.day = day;
        r.shift = shift;
        r.price = 3.33;
        r.quantity = 11;
        r.hours = 1;
        r.colour = 777;
        QCOMPARE(journal::addRecord(a.control, r), journal::WriteResult::Written);
        QTRY_VERIFY(Form1->LabelTotals->text() != before);
    }
    // no refusal: what was asked is the date a year away from the program's today, or the
    // deletion, both answered Yes
    for (const ui::Script::Shown& m : s.messages())
        QVERIFY2(m.kind == ui::Script::Kind::Question, qPrintable(m.text));
    if (change != "accept") QVERIFY(Form1->LabelTotals->text() != before);
    QCOMPARE(Form1->LabelTotals->text(), serverTotals(rows));
    Form1->hide();
    Form1->EditFind->clear();
}

void FindWorkerTest::workerMonth() {
    const QString key = "фролов";
    const auto [day, shift] = busiest(key);
    showDay(day, shift);
    Form1->EditFind->setText("Фролов");
    QCOMPARE(Form1->DBGrid2->dataSet()->recordCount() > 0, true);
    Form1->DBGrid2->selectRow(0);
    const data::Query& q = DataModule6->smenaQuery(shift);
    const qint64 worker = q.asInt("w_id");
    const QDate first(day.year(), day.month(), 1);
    const QString month =
        QString("from accounts_dep.smena s join accounts_dep.oper o on "
                "o.id=s.o_id join accounts_dep.vid_oper v on v.id=o.vid join "
                "accounts_dep.izdel i on i.id=s.i_id where s.ok<>'ta' and "
                "s.w_id=%1 and s.data>='%2' and s.data<'%3'")
            .arg(worker)
            .arg(first.toString(Qt::ISODate), first.addMonths(1).toString(Qt::ISODate));
    // each day's totals and the month's, as the server adds them up: day|hours|pieces|rejects|sum
    const QString sums = "sum(s.time) || '|' || sum(s.kol_vo) || '|' || sum(s.brak) || '|' || "
                         "sum(round((s.kol_vo-s.brak)*s.cena::numeric, 2))";
    QStringList expected =
        fixture::scalar("select string_agg(d, ';' order by day) from (select s.data as day, "
                        "'Итого за ' || to_char(s.data, 'DD.MM.YYYY') || '|' || " +
                        sums + " d " + month + " group by s.data) t")
            .split(u';', Qt::SkipEmptyParts);
    expected << "Итого за месяц|" + fixture::scalar("select " + sums + " " + month);
    const QString records = fixture::scalar("select count(*) " + month);

    QStringList shownTotals;
    int shownRecords = 0;
    QString label, caption;
    QStringList printed;
    ui::Script s;
    s.onModal(Form31, [&] {
        caption = Form31->windowTitle();
        label = Form31->Label1->text();
        QTableWidget* g = Form31->Grid1;
        for (int row = 0; row < g->rowCount(); ++row) {
            const QString first = g->item(row, 0)->text();
            if (!first.startsWith("Итого")) {
                ++shownRecords;
                continue;
            }
            QStringList cells{first};
            for (int c : {6, 7, 8, 10})
                cells << g->item(row, c)->text();
            shownTotals << cells.join(u'|');
        }
        // Ctrl+P, as "Печать", previews the month through the report engine
        s.onModal(report::previewWindow(), [&] {
            const report::Document& doc = report::previewWindow()->document();
            for (int p = 0; p < doc.pageCount(); ++p)
                printed << doc.texts(p);
            report::previewWindow()->hide();
        });
        Form31->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(Form31));
        QCOMPARE(Form31->Button1->text(), QString("&Печать"));
        QTest::keyClick(Form31->Grid1, Qt::Key_P, Qt::ControlModifier);
        Form31->Button2->click();
    });
    Form1->N27->trigger(); // "Месяц работника…"
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(caption, "Месяц работника: " + q.asText("fio"));
    QVERIFY2(label.startsWith("Фролов"), qPrintable(label));
    QCOMPARE(QString::number(shownRecords), records);
    // the server's sums have as many places as its numbers; the window shows roubles with
    // kopecks and the pieces in general form
    QStringList server;
    for (const QString& line : expected) {
        QStringList v = line.split(u'|');
        v[2] = data::text::general(v[2].toDouble());
        v[4] = data::text::money(v[4].toDouble());
        server << v.join(u'|');
    }
    QCOMPARE(shownTotals, server);
    QVERIFY(printed.contains("Итого за месяц:"));
    QVERIFY(printed.contains(server.last().section(u'|', 4)));
    QCOMPARE(printed.count("Итого за день:"), expected.size() - 1);
    Form1->EditFind->clear();
}

QTEST_MAIN(FindWorkerTest)
#include "tst_find_worker.moc"
