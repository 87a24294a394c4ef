// What a record pays, read where the clerk reads it: the editor's "Сумма", the journal's
// "Итого (р.)" and "Отчет по рабочим", for every record of the demo department, and the one
// rounding rule they share.
#include "app/app.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "reports/reports_window.h"
#include "reports/summary_reports.h"
#include "testdb.h"
#include "timesheet/t13_form.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>
#include <map>
#include <tuple>

namespace {

void showDay(const QDate& day, int shift) {
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    Form1->RadioButton1->setChecked(shift == 1);
    if (shift == 1) Form1->RadioButton1Click();
    if (shift == 2) Form1->RadioButton2Click();
    if (shift == 3) Form1->RadioButton3Click();
    if (shift == 4) Form1->RadioButton4Click();
}

// A sum shown as roubles and kopecks, in kopecks.
qint64 kopecksOf(const QString& text) {
    const QStringList parts = text.split(u'.');
    if (parts.size() != 2 || parts[1].size() != 2) return -1;
    const qint64 roubles = parts[0].toLongLong();
    const qint64 k = parts[1].toLongLong();
    return text.startsWith(u'-') ? roubles * 100 - k : roubles * 100 + k;
}

} // namespace

class SumsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void kopecks_data();
    void kopecks();
    void editorFollowsQuantityAndRejects();
    void demoRecordsAgree();
    void namesInRussianOrder_data();
    void namesInRussianOrder();
    void namesInOneOrderEverywhere();
};

void SumsTest::initTestCase() {
    QFile demo(fixture::sourcePath("sql/demo.sql"));
    QVERIFY(demo.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(demo.readAll()));
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
    for (int shift = 1; shift <= 4; ++shift) // every mark listed
        DataModule6->smenaQuery(shift).setParam("ok", QString("ta"));
}

void SumsTest::kopecks_data() {
    // the program's rounding of a sum is the server's round(numeric, 2) of the same record
    QTest::addColumn<double>("quantity");
    QTest::addColumn<int>("rejects");
    QTest::addColumn<double>("price");
    QTest::newRow("15 less 2 at 44.15") << 15.0 << 2 << 44.15;
    QTest::newRow("a tie") << 1.0 << 0 << 2.675;
    QTest::newRow("a tie in the 4th place") << 3.0 << 0 << 0.0125;
    QTest::newRow("a third") << 3.0 << 0 << 0.3333;
    QTest::newRow("many pieces") << 123457.0 << 7 << 9.9995;
    QTest::newRow("a fraction") << 12.5 << 1 << 1.1115;
    QTest::newRow("all rejected") << 5.0 << 5 << 3.3333;
}

void SumsTest::kopecks() {
    QFETCH(double, quantity);
    QFETCH(int, rejects);
    QFETCH(double, price);
    const QString server = fixture::scalar(
        QString("select round((%1::numeric-%2::smallint)*%3::double precision::numeric, 2)")
            .arg(data::text::general(quantity))
            .arg(rejects)
            .arg(data::text::general(price)));
    QCOMPARE(data::text::money((quantity - rejects) * price), server);
}

void SumsTest::editorFollowsQuantityAndRejects() {
    ui::Script s;
    s.onModal(Form11, [] {
        Form11->Price = 44.15;
        Form11->Edit3->setText("15");
        QCOMPARE(Form11->Edit9->text(), QString("662.25"));
        Form11->Edit4->setText("2"); // typed: no focus change needed
        QCOMPARE(Form11->Edit9->text(), QString("573.95"));
        Form11->Edit3->setText("16");
        QCOMPARE(Form11->Edit9->text(), QString("618.10"));
        Form11->Button2Click();
    });
    Form1->Button1Click();
}

void SumsTest::demoRecordsAgree() {
    // the report's line of a worker, product, operation and colour adds up the sums the
    // journal and the editor show for its records
    using Line = std::tuple<QString, QString, int, QString, qint64>;
    std::map<Line, qint64> lines;
    std::map<qint64, QString> names; // product key -> its name, as the report groups by it
    {
        const QStringList pairs =
            fixture::scalar("select string_agg(id || '=' || nom, '|') from accounts_dep.izdel")
                .split(u'|');
        for (const QString& p : pairs)
            names[p.section(u'=', 0, 0).toLongLong()] = p.section(u'=', 1);
    }
    const QStringList days =
        fixture::scalar("select string_agg(distinct data::text || '/' || smena, ' ') from "
                        "accounts_dep.smena")
            .split(u' ');
    QVERIFY(days.size() > 50);
    int records = 0;
    QDate first, last;
    for (const QString& d : days) {
        const QDate day = QDate::fromString(d.section(u'/', 0, 0), Qt::ISODate);
        const int shift = d.section(u'/', 1).toInt();
        first = first.isValid() ? std::min(first, day) : day;
        last = last.isValid() ? std::max(last, day) : day;
        showDay(day, shift);
        data::Query& q = DataModule6->smenaQuery(shift);
        const QStringList shown = fixture::column(Form1->DBGrid2, "summa");
        for (int row = 0; row < shown.size(); ++row) {
            Form1->DBGrid2->selectRow(row);
            QString edited;
            ui::Script s;
            s.onModal(Form11, [&] {
                edited = Form11->Edit9->text();
                Form11->Button2Click();
            });
            Form1->Button2Click();
            QVERIFY2(edited == shown[row], qPrintable(QString("%1 shift %2 row %3: %4 / %5")
                                                          .arg(d)
                                                          .arg(shift)
                                                          .arg(row)
                                                          .arg(edited, shown[row])));
            q.setRecNo(row + 1);
            const Line line{q.asText("fio"), names[q.asInt("i_id")], int(q.asInt("naimen")),
                            q.asText("vid"), q.asInt("color")};
            lines[line] += kopecksOf(shown[row]);
            ++records;
        }
    }
    QCOMPARE(QString::number(records), fixture::scalar("select count(*) from accounts_dep.smena"));

    reports::PrintedReport& report = *Form18->WorkersReport;
    data::ClosedOnExit closer{report.query};
    reports::openForPeriod(report.query, {first, last.addDays(1)}, reports::ProductKind::All);
    int seen = 0;
    for (report.query.first(); !report.query.eof(); report.query.next(), ++seen) {
        const data::Query& r = report.query;
        const Line line{r.asText("fio"), r.asText("nom"), int(r.asInt("naimen")), r.asText("vid"),
                        r.asInt("color")};
        QVERIFY2(lines.count(line), qPrintable(r.asText("fio")));
        const qint64 k = lines[line];
        // the line prints with three places, the totals with two: both read the same sum
        QCOMPARE(data::text::masked(r.asFloat("summa"), "#0.000"),
                 QString::number(k / 100.0, 'f', 3));
        QCOMPARE(data::text::money(r.asFloat("summa")), QString::number(k / 100.0, 'f', 2));
    }
    QCOMPARE(size_t(seen), lines.size());

    // the workers list orders as a Russian reader does
    DataModule6->Workers.close();
    DataModule6->Workers.open();
    const QStringList workers = fixture::column(DataModule6->Workers, "fio");
    QVERIFY(workers.indexOf(QRegularExpression("^Фёдоров.*")) <
            workers.indexOf(QRegularExpression("^Фролов.*")));
}

void SumsTest::namesInRussianOrder_data() {
    QTest::addColumn<QStringList>("names"); // in the order a Russian reader expects
    QTest::newRow("ё beside е") << QStringList{"Федоров А.А.", "Фёдоров Л.М.", "Фролов Т.С."};
    QTest::newRow("case ignored") << QStringList{"абрамов", "Борисов", "в", "Г"};
    QTest::newRow("Ё at the start") << QStringList{"Егоров", "Ёлкин", "Жуков"};
    QTest::newRow("р after п") << QStringList{"Пётр", "Раиса", "Яков", "Ярослав"};
    // every letter in turn, the case changing from one to the next: Е and ё read alike
    QStringList alphabet;
    const QString letters = "абвгдеёжзийклмнопрстуфхцчшщъыьэюя";
    for (qsizetype i = 0; i < letters.size(); ++i)
        alphabet << (i % 2 ? letters.mid(i, 1).toUpper() : letters.mid(i, 1));
    QTest::newRow("the alphabet") << alphabet;
}

void SumsTest::namesInRussianOrder() {
    QFETCH(QStringList, names);
    QStringList values;
    for (auto it = names.crbegin(); it != names.crend(); ++it)
        values << "('" + *it + "')";
    QCOMPARE(fixture::scalar("select string_agg(n, '|' order by " + data::sql::byName("n") +
                             ") from (values " + values.join(',') + ") v(n)"),
             names.join('|'));
}

void SumsTest::namesInOneOrderEverywhere() {
    // Фролов's record is written first: his key, and the names' byte order, would put him
    // before Фёдоров
    const QDate day(2031, 5, 6);
    const QStringList op =
        fixture::scalar("select o.id || ' ' || o.i_id from accounts_dep.oper o where o.i_id<>7777 "
                        "order by o.id limit 1")
            .split(u' ');
    QCOMPARE(op.size(), 2);
    for (const char* name : {"Фролов", "Фёдоров"}) {
        journal::RecordInput r;
        r.worker = fixture::scalar(QString("select id from accounts_dep.person where fio like "
                                           "'%1 %'")
                                       .arg(name))
                       .toLongLong();
        r.operation = op[0].toLongLong();
        r.product = op[1].toLongLong();
        r.day = day;
        r.price = 10;
        r.quantity = 1;
        r.hours = 8;
        QCOMPARE(journal::addRecord(DataModule6->Control, r), journal::WriteResult::Written);
    }
    const QStringList expected{"Фёдоров", "Фролов"};
    auto surnames = [](const QStringList& names) {
        QStringList out;
        for (const QString& n : names) {
            const QString surname = n.section(u' ', 0, 0);
            if (surname == "Фёдоров" || surname == "Фролов") out << surname;
        }
        return out;
    };

    // the journal
    showDay(day, 1);
    QCOMPARE(surnames(fixture::column(Form1->DBGrid2, "fio")), expected);
    // the timesheet by shifts
    data::Query& sheet = DataModule6->timesheetQuery(1);
    sheet.close();
    sheet.setParam("mnth", day.month());
    sheet.setParam("yea", day.year());
    sheet.setParam("date1", QDate(day.year(), day.month(), 1));
    sheet.setParam("date2", QDate(day.year(), day.month(), 1).addMonths(1));
    sheet.open();
    QCOMPARE(surnames(fixture::column(sheet, "fio")), expected);
    sheet.close();
    // a printout: "Отчет по рабочим"
    reports::PrintedReport& report = *Form18->WorkersReport;
    {
        data::ClosedOnExit closer{report.query};
        reports::openForPeriod(report.query, {day, day.addDays(1)}, reports::ProductKind::All);
        QCOMPARE(surnames(fixture::column(report.query, "fio")), expected);
    }
    // the T-13 form
    data::Query t13(DataModule6->ADO_DB);
    QStringList onForm;
    for (const auto& w : timesheet::t13::readMonth(t13, day.year(), day.month()).workers)
        onForm << w.name;
    QCOMPARE(surnames(onForm), expected);
}

QTEST_MAIN(SumsTest)
#include "tst_sums.moc"
