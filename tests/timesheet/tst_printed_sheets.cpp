// Every timesheet window prints and exports its month as a document that can be signed: the
// heading (organisation and department as full access set them, the timesheet's name, the
// month), a totals row equal to the sum of the day cells, the signature lines; a workbook
// leaves a day without hours empty and prints landscape one page wide. Also: the heading's
// window and a database without its table, the closed months' list from which a month is
// opened, and what closing a month says.
#include "../reports/xlsx_file.h"
#include "data/data_module.h"
#include "data/rights.h"
#include "journal/journal_window.h"
#include "journal/month_close_window.h"
#include "report_engine/preview.h"
#include "report_engine/render.h"
#include "reports/excel.h"
#include "reports/heading_window.h"
#include "testdb.h"
#include "timesheet/closed_months_window.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <map>

Q_DECLARE_METATYPE(data::Role)

namespace {

const QDate Today = QDate::currentDate();
const QString Organisation = "ООО «Завод \"Металлист\"» & К°";
const QString Department = "Цех металлоконструкций № 2";

QString day(int d) {
    return QDate(Today.year(), Today.month(), d).toString(Qt::ISODate);
}

// The month of today: Иванов works shifts 1 and 4 (overtime), Петров shift 2 with a cell
// written as 0 on the 6th, О'Нил household works by day and by night.
QString monthSql() {
    const QString m = QString::number(Today.month()), y = QString::number(Today.year());
    auto record = [](const QString& date, int shift, int worker, int hours) {
        return QString("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                       "kol_vo, brak, time, color, ok) values ('%1', %2, %3, 101, 1, 12.5, 10, "
                       "0, %4, 0, 'no');")
            .arg(date)
            .arg(shift)
            .arg(worker)
            .arg(hours);
    };
    return QString("insert into accounts_dep.h_tabel(w_id, smena, month, year, d2, d3, d5, d6) "
                   "values (1, 1, %1, %2, 8, 9, null, null), (1, 4, %1, %2, null, 2, null, "
                   "null), (2, 2, %1, %2, null, null, 4, 0);"
                   "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d2, d4) "
                   "values (3, 7777, 0, %1, %2, 3, null), (3, 7777, 1, %1, %2, null, 5);"
                   "insert into accounts_dep.fatigue(id_p, id_o, id_nom, d_date, i_mnth, i_year, "
                   "i_smena, cnt, price, i_night) values (3, 7777, 11, '%3', %1, %2, 1, 3, 150, "
                   "0), (3, 7777, 11, '%4', %1, %2, 1, 5, 150, 1);")
               .arg(m, y, day(2), day(4)) +
           record(day(2), 1, 1, 8) + record(day(3), 1, 1, 9) + record(day(3), 4, 1, 2) +
           record(day(5), 2, 2, 4);
}

void setHeading(const QString& organisation, const QString& department) {
    fixture::exec(QString("insert into accounts_dep.settings(name, value) values "
                          "('organisation', $o$%1$o$), ('department', $d$%2$d$) on conflict "
                          "(name) do update set value=excluded.value;")
                      .arg(organisation, department));
}

QPushButton* button(QWidget* window, const QString& caption) {
    for (QPushButton* b : window->findChildren<QPushButton*>())
        if (b->text() == caption) return b;
    return nullptr;
}

void run(const QString& command) {
    if (command == "N9") Form1->N9Click();
    if (command == "N13") Form1->N13Click();
    if (command == "N14") Form1->N14Click();
    if (command == "N15") Form1->N15Click();
    if (command == "N17") Form1->N17Click();
}

QDialog* windowOf(const QString& command) {
    return command == "N13" ? static_cast<QDialog*>(Form19) : Form27;
}

// "2:11 3:11" from day -> hours, days without hours left out.
QString daysText(const std::map<int, double>& hours) {
    QStringList out;
    for (const auto& [d, h] : hours)
        if (h != 0) out << QString("%1:%2").arg(d).arg(h);
    return out.join(' ');
}

struct Printed {
    QString dayTotals; // the totals row, by day
    QString daySums;   // the day cells of the lines added up, by day
    QStringList zeros; // day cells printed as "0"
    int lines = 0;
    QString texts; // every text of the document
};

// Reads a printout back: the days' places from the column captions, the day cells of every
// line and of the totals row at those places.
Printed readPrintout(const report::Document& doc) {
    Printed p;
    std::map<int, double> columns; // x -> day
    std::map<int, double> sums, totals;
    QStringList all;
    const auto key = [](double x) { return qRound(x * 100); };
    for (int page = 0; page < doc.pageCount(); ++page) {
        const report::Page& pg = doc.pages[size_t(page)];
        all << doc.texts(page);
        for (const report::PlacedBand& band : pg.bands) {
            for (int i = band.first; i < band.last; ++i) {
                const report::Element& e = pg.elements[size_t(i)];
                if (e.kind != report::Element::Kind::Text) continue;
                const int x = key(e.rect.left());
                if (band.name == "report head") {
                    bool ok = false;
                    const int d = e.text.toInt(&ok);
                    if (ok && d >= 1 && d <= 31) columns[x] = d;
                    continue;
                }
                const auto column = columns.find(x);
                if (column == columns.end()) continue;
                const int d = int(column->second);
                if (band.name == "detail") {
                    sums[d] += e.text.toDouble();
                    if (e.text == "0") p.zeros << e.text;
                } else if (band.name == "report foot") {
                    totals[d] += e.text.toDouble();
                }
            }
            if (band.name == "detail") ++p.lines;
        }
    }
    p.dayTotals = daysText(totals);
    p.daySums = daysText(sums);
    p.texts = all.join('\n');
    return p;
}

QString cellName(int column, int row) {
    QString letters;
    for (int c = column; c > 0; c = (c - 1) / 26)
        letters.prepend(QChar('A' + (c - 1) % 26));
    return letters + QString::number(row);
}

struct Book {
    QString dayTotals, daySums;
    QStringList zeros; // day cells holding 0
    int lines = 0;
    QStringList top;        // A1..A4
    QStringList signatures; // the rows under the totals
};

// Reads a timesheet workbook back: the column captions in row 6, the lines under them up to
// the row "Итого", the signature lines below.
Book readBook(const QString& path) {
    const xlsx::Sheet sheet = xlsx::read(path);
    Book b;
    for (int r = 1; r <= 4; ++r)
        b.top << sheet.value(cellName(1, r));
    std::map<int, int> days; // column -> day
    for (int c = 1; c <= 40; ++c) {
        bool ok = false;
        const int d = sheet.value(cellName(c, 6)).toInt(&ok);
        if (ok) days[c] = d;
    }
    std::map<int, double> sums, totals;
    int r = 7;
    for (; r <= sheet.rows() && sheet.value(cellName(1, r)) != "Итого"; ++r) {
        ++b.lines;
        for (const auto& [c, d] : days) {
            const QString v = sheet.value(cellName(c, r));
            if (v == "0") b.zeros << cellName(c, r);
            sums[d] += v.toDouble();
        }
    }
    for (const auto& [c, d] : days)
        totals[d] = sheet.value(cellName(c, r)).toDouble();
    for (++r; r <= sheet.rows(); ++r)
        if (!sheet.value(cellName(1, r)).isEmpty()) b.signatures << sheet.value(cellName(1, r));
    b.dayTotals = daysText(totals);
    b.daySums = daysText(sums);
    return b;
}

QString pdfText(const report::Document& doc, const QString& path) {
    report::writePdf(doc, path);
    QProcess p;
    p.start("pdftotext", {"-layout", path, "-"});
    if (!p.waitForFinished(30000) || p.exitCode() != 0) return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString period() {
    static const QStringList months{"Январь",   "Февраль", "Март",   "Апрель",
                                    "Май",      "Июнь",    "Июль",   "Август",
                                    "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"};
    return months[Today.month() - 1] + ' ' + QString::number(Today.year()) + " г.";
}

} // namespace

class PrintedSheetsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void everySheetPrintsAndExports_data();
    void everySheetPrintsAndExports();
    void byShiftsShowsOvertime();
    void headingSetByFullAccessOnly_data();
    void headingSetByFullAccessOnly();
    void withoutSettingsTable();
    void closedMonthsList_data();
    void closedMonthsList();
    void nothingClosedNothingOffered();
    void closingSaysWhatWasClosed_data();
    void closingSaysWhatWasClosed();

private:
    QTemporaryDir dir_;
    QStringList opened_;
};

void PrintedSheetsTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()) + monthSql());
    QCOMPARE(fixture::startProgram(), QStringList());
    QVERIFY(dir_.isValid());
}

void PrintedSheetsTest::init() {
    data::setRole(data::Role::Full);
    setHeading(Organisation, Department);
    reports::setExportFolder(dir_.path());
    opened_.clear();
    reports::setFileOpener([this](const QString& path) {
        opened_ << path;
        return true;
    });
    Form1->DateT->setDate(Today);
}

void PrintedSheetsTest::cleanup() {
    reports::setFileOpener({});
    reports::setExportFolder(QString());
    data::setRole(data::Role::Full);
}

void PrintedSheetsTest::everySheetPrintsAndExports_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("title"); // the window's
    QTest::addColumn<QString>("name");  // the timesheet's, in the heading and the file name
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("days"); // the totals row by day
    // all rows of a worker added up: overtime and household hours too
    const QString all = "2:11 3:11 4:5 5:4";
    QTest::newRow("piece work") << "N9"
                                << "Табель сделка (27)"
                                << "Табель сделка" << 2 << "2:8 3:11 5:4";
    QTest::newRow("by shifts") << "N13"
                               << "Табель по сменам"
                               << "Табель по сменам" << 3 << all;
    QTest::newRow("household") << "N14"
                               << "Табель хоз. работы (27)"
                               << "Табель хоз. работ" << 2 << "2:3 4:5";
    QTest::newRow("general") << "N17"
                             << "Общий табель (27)"
                             << "Общий табель" << 3 << all;
}

// Through the window as a user does it: "Печать" gives a preview whose document is saved as a
// PDF, "Excel" a workbook; both carry the heading, the totals and the signatures.
void PrintedSheetsTest::everySheetPrintsAndExports() {
    QFETCH(QString, command);
    QFETCH(QString, title);
    QFETCH(QString, name);
    QFETCH(int, lines);
    QFETCH(QString, days);
    QDialog* window = windowOf(command);
    ui::Script s;
    report::Document printed;
    QString counting;
    QStringList captions;
    s.onModal(window, [&] {
        QCOMPARE(window->windowTitle(), title);
        QPushButton* print = button(window, "Печать");
        QPushButton* excel = button(window, "Excel");
        QVERIFY(print && excel);
        s.onModal(report::previewWindow(), [&] { printed = report::previewWindow()->document(); });
        print->click();
        reports::setFileOpener([&](const QString& path) {
            opened_ << path;
            counting = excel->text(); // while the workbook is being shown
            return true;
        });
        excel->click();
        captions << excel->text();
        QTest::keyClick(window, Qt::Key_Escape);
    });
    run(command);
    QCOMPARE(s.texts(), QStringList());

    const Printed p = readPrintout(printed);
    QCOMPARE(p.lines, lines);
    QCOMPARE(p.dayTotals, days);
    QCOMPARE(p.daySums, days);
    QCOMPARE(p.zeros, QStringList());
    const QString text = pdfText(printed, dir_.filePath("sheet.pdf"));
    for (const QString& expected :
         {Organisation, Department, name, period(), QString("Ответственное лицо"),
          QString("Руководитель структурного подразделения"),
          QString("Работник кадровой службы")}) {
        QVERIFY2(p.texts.contains(expected), qPrintable(expected));
        QVERIFY2(text.contains(expected), qPrintable(expected + " not in the PDF"));
    }

    QCOMPARE(opened_.size(), 1);
    QCOMPARE(
        QFileInfo(opened_.first()).fileName(),
        QString("%1 %2-%3.xlsx").arg(name).arg(Today.year()).arg(Today.month(), 2, 10, QChar('0')));
    const Book b = readBook(opened_.first());
    QCOMPARE(b.top, (QStringList{Organisation, Department, name, period()}));
    QCOMPARE(b.lines, lines);
    QCOMPARE(b.dayTotals, days);
    QCOMPARE(b.daySums, days);
    QCOMPARE(b.zeros, QStringList());
    QCOMPARE(b.signatures.size(), 3);
    QVERIFY(b.signatures[0].startsWith("Ответственное лицо"));
    QVERIFY(b.signatures[1].startsWith("Руководитель структурного подразделения"));
    QVERIFY(b.signatures[2].startsWith("Работник кадровой службы"));
    // printed landscape, one page wide, the captions on every page
    const QString setup =
        QString::fromUtf8(xlsx::part(opened_.first(), "xl/worksheets/sheet1.xml"));
    QVERIFY2(setup.contains("<pageSetUpPr fitToPage=\"1\"/>"), qPrintable(setup.left(400)));
    QVERIFY(setup.contains("orientation=\"landscape\""));
    QVERIFY(setup.contains("fitToHeight=\"0\""));
    QVERIFY(!setup.contains("fitToWidth=") || setup.contains("fitToWidth=\"1\""));
    QCOMPARE(QString::fromUtf8(xlsx::part(opened_.first(), "xl/workbook.xml"))
                 .contains("_xlnm.Print_Titles"),
             true);
    // the count shows while the export runs, the plain caption before and after
    QCOMPARE(counting, QString("Excel (%1 из %1)").arg(lines));
    QCOMPARE(captions, QStringList{"Excel"});
}

// The window of "Табель по сменам" is titled after it and shows the overtime on a tab of its
// own.
void PrintedSheetsTest::byShiftsShowsOvertime() {
    ui::Script s;
    s.onModal(Form19, [&] {
        QCOMPARE(Form19->windowTitle(), QString("Табель по сменам"));
        QCOMPARE(Form19->PageControl1->tabText(3), QString("Переработка"));
        QCOMPARE(fixture::column(Form19->DBGrid4, "fio"), QStringList{"Иванов И.И."});
        QCOMPARE(Form19->DBGrid4->cellText(0, "d3"), QString("2"));
        QCOMPARE(Form19->DBGrid4->cellText(0, "summ"), QString("2"));
        QCOMPARE(fixture::column(Form19->DBGrid1, "summ"), QStringList{"17"});
        Form19->Button4->click();
    });
    Form1->N13Click();
    for (int shift = 1; shift <= 4; ++shift)
        QVERIFY(!DataModule6->timesheetQuery(shift).active());
}

void PrintedSheetsTest::headingSetByFullAccessOnly_data() {
    QTest::addColumn<data::Role>("role");
    QTest::addColumn<bool>("may");
    QTest::newRow("full access") << data::Role::Full << true;
    QTest::newRow("data entry") << data::Role::DataEntry << false;
    QTest::newRow("read only") << data::Role::ReadOnly << false;
}

// "Реквизиты…" of a timesheet window: full access types the organisation and the department
// once, and the next printout carries them; other roles see them only.
void PrintedSheetsTest::headingSetByFullAccessOnly() {
    QFETCH(data::Role, role);
    QFETCH(bool, may);
    data::setRole(role);
    ui::Script s;
    QString heading;
    s.onModal(Form27, [&] {
        QPushButton* details = button(Form27, "Реквизиты…");
        QVERIFY(details);
        QCOMPARE(details->isEnabled(), may);
        s.onModal(Form32, [&] {
            QCOMPARE(Form32->Edit1->text(), Organisation);
            QCOMPARE(Form32->Button1->isEnabled(), may);
            QCOMPARE(Form32->Edit1->isReadOnly(), !may);
            QCOMPARE(Form32->Label3->isHidden(), may);
            if (!may) {
                Form32->Button2->click();
                return;
            }
            Form32->Edit1->setText("  АО «Новый завод»  ");
            Form32->Edit2->setText("Участок сборки");
            Form32->Button1->click();
        });
        Form32->ShowHeading();
        s.onModal(report::previewWindow(), [&] {
            heading = report::previewWindow()->document().texts(0).mid(0, 2).join(" | ");
        });
        button(Form27, "Печать")->click();
        Form27->Button1->click();
    });
    Form1->N9Click();
    QCOMPARE(s.texts(), QStringList());
    const QString expected =
        may ? "АО «Новый завод» | Участок сборки" : Organisation + " | " + Department;
    QCOMPARE(heading, expected);
    QCOMPARE(fixture::scalar("select string_agg(value, ' | ' order by name desc) from "
                             "accounts_dep.settings"),
             expected);
}

// A database made before the settings table: the timesheets print with an empty heading and
// the heading's window says what to run; the upgrade script makes the table, can be run again
// and keeps what was set.
void PrintedSheetsTest::withoutSettingsTable() {
    fixture::exec("drop table accounts_dep.settings;");
    ui::Script s;
    report::Document printed;
    s.onModal(Form27, [&] {
        s.onModal(report::previewWindow(), [&] { printed = report::previewWindow()->document(); });
        button(Form27, "Печать")->click();
        button(Form27, "Реквизиты…")->click();
        Form27->Button1->click();
    });
    Form1->N9Click();
    QCOMPARE(s.texts().size(), 1);
    QVERIFY2(s.texts().first().contains("sql/upgrade/settings.sql"), qPrintable(s.texts().first()));
    QVERIFY(std::none_of(s.shown().begin(), s.shown().end(), [](const ui::Script::Shown& w) {
        return w.kind == ui::Script::Kind::Modal && w.text == "Реквизиты (32)";
    }));
    const QStringList first = printed.texts(0);
    QCOMPARE(first.mid(0, 2), (QStringList{"Табель сделка", period()}));
    QVERIFY(first.contains("Ответственное лицо"));

    fixture::execFile("sql/upgrade/settings.sql");
    setHeading("Кооператив", "Цех");
    fixture::execFile("sql/upgrade/settings.sql");
    QCOMPARE(fixture::scalar("select string_agg(value, ' | ' order by name desc) from "
                             "accounts_dep.settings"),
             QString("Кооператив | Цех"));
}

void PrintedSheetsTest::closedMonthsList_data() {
    QTest::addColumn<data::Role>("role");
    QTest::addColumn<QStringList>("left"); // closed after the window
    QTest::newRow("full access opens March") << data::Role::Full << QStringList{"2024-5"};
    QTest::newRow("read only only looks")
        << data::Role::ReadOnly << QStringList{"2024-3", "2024-5"};
}

// "Открыть месяц…" lists the closed months, newest first, with who closed each and when; full
// access opens the chosen one after a question and hears that it was opened.
void PrintedSheetsTest::closedMonthsList() {
    QFETCH(data::Role, role);
    QFETCH(QStringList, left);
    fixture::exec("delete from accounts_dep.closed_month; insert into accounts_dep.closed_month "
                  "values (2024, 3, 'полный доступ, ivanova', '2024-04-05 10:15'), (2024, 5, "
                  "'полный доступ, petrova', '2024-06-03 09:00');");
    data::setRole(role);
    const bool full = role == data::Role::Full;
    ui::Script s;
    s.onModal(Form30, [&] {
        QStringList rows;
        for (int r = 0; r < Form30->DBGrid1->model()->rowCount(); ++r)
            rows << Form30->DBGrid1->cellText(r, "title") + " | " +
                        Form30->DBGrid1->cellText(r, "closed_by") + " | " +
                        Form30->DBGrid1->cellText(r, "closed_at");
        QCOMPARE(rows, (QStringList{"Май 2024 | полный доступ, petrova | 03.06.2024 09:00",
                                    "Март 2024 | полный доступ, ivanova | 05.04.2024 10:15"}));
        QCOMPARE(Form30->Button1->text(), QString("Открыть месяц"));
        QCOMPARE(Form30->Button1->isEnabled(), full);
        QCOMPARE(Form30->Label1->isHidden(), full);
        if (full) {
            Form30->DBGrid1->selectRow(1);
            s.answer(true);
            Form30->Button1->click();
            QCOMPARE(fixture::column(Form30->DBGrid1, "title"), QStringList{"Май 2024"});
        }
        QTest::keyClick(Form30, Qt::Key_Escape);
    });
    Form1->N19Click();
    QCOMPARE(s.texts(),
             full ? (QStringList{"Открыть март 2024? Записи, хоз. работы и табель этого месяца "
                                 "снова можно будет изменить.",
                                 "Март 2024 открыт: записи, хоз. работы и табель этого месяца "
                                 "снова можно изменять."})
                  : QStringList());
    QCOMPARE(fixture::scalar("select string_agg(year || '-' || month, ' ' order by month) from "
                             "accounts_dep.closed_month"),
             left.join(' '));
    QVERIFY(!Form30->ClosedMonths.active());
}

// With no month closed there is nothing to offer: said so, and no month is asked for.
void PrintedSheetsTest::nothingClosedNothingOffered() {
    fixture::exec("delete from accounts_dep.closed_month;");
    ui::Script s;
    Form1->N19Click();
    QCOMPARE(s.texts(), QStringList{"Ни один месяц не закрыт: открывать нечего."});
    QCOMPARE(s.shown().size(), 1);
}

void PrintedSheetsTest::closingSaysWhatWasClosed_data() {
    QTest::addColumn<QString>("before"); // closed_month's rows
    QTest::addColumn<QString>("said");
    QTest::newRow("open month") << ""
                                << "Февраль 2024 закрыт: записи, хоз. работы и табель этого "
                                   "месяца больше не изменяются.";
    QTest::newRow("closed already") << "insert into accounts_dep.closed_month values (2024, 2, "
                                       "'x', now());"
                                    << "Февраль 2024 уже закрыт.";
}

void PrintedSheetsTest::closingSaysWhatWasClosed() {
    QFETCH(QString, before);
    QFETCH(QString, said);
    fixture::exec("delete from accounts_dep.closed_month;" + before);
    ui::Script s;
    s.onModal(Form28, [] {
        Form28->ComboBox1->setCurrentIndex(1);
        Form28->SpinEdit1->setValue(2024);
        Form28->Button1->click();
    });
    s.answer(true);
    Form1->N18Click();
    QCOMPARE(s.texts().size(), 2);
    QCOMPARE(s.texts().last(), said);
    QCOMPARE(s.messages().last().icon, QMessageBox::Information);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.closed_month where year=2024 and "
                             "month=2"),
             QString("1"));
}

QTEST_MAIN(PrintedSheetsTest)
#include "tst_printed_sheets.moc"
