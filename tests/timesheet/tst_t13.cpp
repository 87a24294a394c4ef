// The unified timesheet form T-13: its cells over a small month read back from the
// workbook, the same cells in the program's own PDF, the "Т-13" and "Т-13 PDF" buttons of
// the timesheet by time, and the command line.
#include "../reports/xlsx_file.h"
#include "app/t13_command.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "testdb.h"
#include "timesheet/t13_form.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dialogs.h"

#include <QComboBox>
#include <QDir>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTextStream>
#include <QtTest>

namespace {

// March 2024 begins on a Friday: the 2nd is a Saturday, the 3rd a Sunday, the 4th a Monday.
// Иванов (code 1): shift 1 and overtime on Monday the 4th and Saturday the 2nd, a night
// household entry on the 5th and a day average piece-rate one on the 18th. Петров (code 2):
// shift and average piece-rate hours on the 6th, found once by code and by key. The contractor
// with the code "С-17": household hours only, by key; a shift row of worker 17 finds nobody.
// О'Нил: a row without hours. February 2024 (leap year): Иванов on the 29th.
// The production calendar: 8 March 2024 is a holiday (a Friday), worked by Петров on shift
// 3; 1–8 January 2025 are holidays, Петров works from the 9th; Saturday 2 November 2024 is a
// working day, worked by Иванов. May 2024 holds sixteen contractors with household hours,
// enough for three pages.
const char* const Month =
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d2, d4, d6) values "
    " (1, 1, 3, 2024, 5, 8, null), (1, 4, 3, 2024, 1, 2, null), (2, 2, 3, 2024, null, null, 7),"
    " (17, 1, 3, 2024, null, 8, null), (3, 1, 3, 2024, 0, null, null);"
    "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d5, d6, d18, d20) "
    "values (1, 7777, 1, 3, 2024, 3, null, null, null), (1, 7778, 0, 3, 2024, null, null, 4, "
    "null), (2, 7778, 0, 3, 2024, null, 1, null, null), (903, 7777, 0, 3, 2024, null, null, "
    "null, 6);"
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d29) values (1, 1, 2, 2024, 8);"
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d8) values (2, 3, 3, 2024, 8);"
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d9, d10) values "
    " (2, 1, 1, 2025, 8, 8);"
    "insert into accounts_dep.h_tabel(w_id, smena, month, year, d1, d2, d3, d4) values "
    " (1, 1, 11, 2024, 8, 7, null, null);"
    "insert into cmn_contractor.person (id, s_caption, s_code) select 1000 + n, "
    " 'Работник ' || lpad(n::text, 2, '0'), null from generate_series(1, 16) n;"
    "insert into accounts_dep.h_tabel(w_id, i_type, i_night, month, year, d2) select 1000 + n, "
    " 7777, 0, 5, 2024, 8 from generate_series(1, 16) n;";

const QDate Compiled(2024, 4, 1);

QString source(const QString& relative) {
    return fixture::sourcePath(relative);
}

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << program << args << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

int pdfPages(const QString& path) {
    for (const QString& line : run("pdfinfo", {path}).split('\n'))
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    return 0;
}

// The words a page of a PDF holds, sorted.
QStringList pdfWords(const QString& path, int page) {
    QStringList words = run("pdftotext", {"-enc", "UTF-8", "-f", QString::number(page), "-l",
                                          QString::number(page), path, "-"})
                            .split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
    words.sort();
    return words;
}

QString fileText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class T13Test : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cells_data();
    void cells();
    void marksOfADay_data();
    void marksOfADay();
    void pages();
    void pdfHoldsTheWorkbooksCells_data();
    void pdfHoldsTheWorkbooksCells();
    void pdfButton();
    void failedWriteLeavesNoFile_data();
    void failedWriteLeavesNoFile();
    void button();
    void buttonOnAnUnusableFolder();
    void commandLine_data();
    void commandLine();
    void programFromTheShell();
    void cleanupTestCase();

private:
    const xlsx::Sheet& form(int year, int month);
    QStringList connection() const {
        return {fixture::databaseName(), QStringLiteral("127.0.0.1")};
    }
    QTemporaryDir dir_;
    QMap<int, xlsx::Sheet> forms_;
};

void T13Test::initTestCase() {
    QFile f(source("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()) + QString::fromUtf8(Month));
    QCOMPARE(fixture::startProgram(), QStringList());
    QVERIFY(dir_.isValid());
}

void T13Test::cleanupTestCase() {
    fixture::endProgram();
}

// The form of a month as written and read back, once per month.
const xlsx::Sheet& T13Test::form(int year, int month) {
    const int key = year * 100 + month;
    if (!forms_.contains(key)) {
        data::Query rows(DataModule6->ADO_DB);
        const QString path = dir_.filePath(QStringLiteral("%1.xlsx").arg(key));
        timesheet::t13::writeForm(
            rows, year, month,
            {QStringLiteral("ООО «Ромашка»"), QStringLiteral("Цех № 2"), Compiled}, path);
        forms_.insert(key, xlsx::read(path));
    }
    return forms_[key];
}

void T13Test::cells_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("number");
    const auto add = [](const char* what, int month, const char* cell, const char* value,
                        bool number = false) {
        QTest::newRow(what) << month << QString(cell) << QString::fromUtf8(value) << number;
    };
    add("heading: form", 3, "N1", "Унифицированная форма № Т-13");
    add("heading: form code", 3, "T4", "0301008");
    add("heading: organisation", 3, "A4", "ООО «Ромашка»");
    add("heading: department", 3, "A6", "Цех № 2");
    add("heading: title", 3, "A9", "ТАБЕЛЬ учета рабочего времени");
    add("heading: document number empty", 3, "I10", "");
    add("heading: compiled", 3, "L10", "01.04.2024");
    add("heading: period", 3, "O10", "с 01.03.2024 по 31.03.2024");
    add("head: day 15", 3, "R13", "15", true);
    add("head: day 31", 3, "S14", "31", true);
    // Иванов, rows 16–19
    add("first worker: number", 3, "A16", "1", true);
    add("first worker: name and position", 3, "B16", "Иванов И.И.\nСварщик");
    add("heading: the month's norm", 3, "I11", "Норма рабочего времени за месяц: 20 дн., 159 ч.");
    add("first worker: code", 3, "C16", "1");
    add("Saturday with hours: РВ, all of them", 3, "E16", "РВ");
    add("Saturday with hours: shift and overtime", 3, "E17", "6", true);
    add("Sunday without hours", 3, "F16", "В");
    add("Sunday without hours: no figure", 3, "F17", "");
    add("weekday shift and overtime: marks", 3, "G16", "Я/С");
    add("weekday shift and overtime: hours", 3, "G17", "8/2");
    add("night household entry", 3, "H16", "Н");
    add("night household hours", 3, "H17", "3", true);
    add("weekday without hours", 3, "I16", "");
    add("holiday without hours", 3, "K16", "В");
    add("holiday without hours: no figure", 3, "K17", "");
    add("first half's crossed column", 3, "S16", "X");
    add("day 18, second half", 3, "F18", "Я");
    add("day 18 hours", 3, "F19", "4", true);
    add("half I days", 3, "T16", "3", true);
    add("half I hours", 3, "T17", "19", true);
    add("half II days", 3, "T18", "1", true);
    add("half II hours", 3, "T19", "4", true);
    add("month days", 3, "U16", "4", true);
    add("month hours", 3, "V16", "23", true);
    // Петров, rows 20–23: shift and average hours of one day, one person
    add("by code and by key: one person", 3, "B20", "Петров П.П.\nМаляр");
    add("work on a holiday", 3, "K20", "РВ");
    add("work on a holiday: hours", 3, "K21", "8", true);
    add("by code and by key: one mark", 3, "I20", "Я");
    add("by code and by key: hours added", 3, "I21", "8", true);
    // the contractor, rows 24–27
    add("household hours only, no position known", 3, "B24", "Подрядчик С-17");
    add("odd personnel code shown as it is", 3, "C24", "С-17");
    add("household hours only: day 20", 3, "H26", "Я");
    add("household hours only: hours", 3, "H27", "6", true);
    add("nobody without hours or by an unknown code", 3, "A28", "Итого по подразделению");
    add("department's days", 3, "U28", "7", true);
    add("department's hours", 3, "V28", "45", true);
    add("signature", 3, "A30", "Ответственное лицо");
    add("signature caption", 3, "D31", "(должность)");
    add("last signature", 3, "A36", "Работник кадровой службы");
    // February of a leap year
    add("leap February: period", 2, "O10", "с 01.02.2024 по 29.02.2024");
    add("leap February: day 29", 2, "Q18", "Я");
    add("leap February: day 29 hours", 2, "Q19", "8", true);
    add("leap February: no day 30", 2, "R18", "X");
    add("leap February: no day 31", 2, "S18", "X");
    add("leap February: totals", 2, "V20", "8", true);
    // the production calendar
    add("New Year holidays: В", 101, "D16", "В");
    add("New Year holidays: 8 January", 101, "K16", "В");
    add("the first working day", 101, "L16", "Я");
    add("the first working day: hours", 101, "L17", "8", true);
    add("January 2025: norm", 101, "I11", "Норма рабочего времени за месяц: 17 дн., 136 ч.");
    add("a Saturday made a working day", 11, "E16", "Я");
    add("a Saturday made a working day: hours", 11, "E17", "7", true);
    add("a Friday before it", 11, "D16", "Я");
    add("Sunday after it", 11, "F16", "В");
    add("a holiday on a Monday", 11, "G16", "В");
    add("November 2024: norm", 11, "I11", "Норма рабочего времени за месяц: 21 дн., 167 ч.");
    // a month without hours: heading, then the totals at once
    add("empty month: period", 4, "O10", "с 01.04.2024 по 30.04.2024");
    add("empty month: no worker", 4, "A16", "Итого по подразделению");
    add("empty month: days", 4, "U16", "0", true);
    add("empty month: hours", 4, "V16", "0", true);
    add("empty month: signatures follow", 4, "A18", "Ответственное лицо");
}

void T13Test::cells() {
    QFETCH(int, month);
    QFETCH(QString, cell);
    QFETCH(QString, value);
    QFETCH(bool, number);
    // months above 100 are of 2025
    const xlsx::Sheet& sheet = month > 100 ? form(2025, month - 100) : form(2024, month);
    QCOMPARE(sheet.value(cell), value);
    if (!value.isEmpty()) QCOMPARE(sheet.cells[cell].number, number);
}

void T13Test::marksOfADay_data() {
    QTest::addColumn<bool>("off");
    QTest::addColumn<int>("dayHours");
    QTest::addColumn<int>("nightHours");
    QTest::addColumn<int>("overtime");
    QTest::addColumn<QString>("marks");
    QTest::addColumn<QString>("hours");
    QTest::newRow("nothing on a working day") << false << 0 << 0 << 0 << ""
                                              << "";
    QTest::newRow("all three kinds") << false << 7 << 3 << 2 << "Я/Н/С"
                                     << "7/3/2";
    QTest::newRow("night only") << false << 0 << 8 << 0 << "Н"
                                << "8";
    QTest::newRow("a negative cell is no work") << false << -2 << 0 << 1 << "С"
                                                << "1";
    QTest::newRow("day off: every kind as РВ") << true << 4 << 3 << 1 << "РВ"
                                               << "8";
    QTest::newRow("day off without work") << true << 0 << 0 << 0 << "В"
                                          << "";
}

void T13Test::marksOfADay() {
    QFETCH(bool, off);
    QFETCH(int, dayHours);
    QFETCH(int, nightHours);
    QFETCH(int, overtime);
    const timesheet::t13::DayMarks m =
        timesheet::t13::dayMarks(off, {dayHours, nightHours, overtime});
    QTEST(m.markText(), "marks");
    QTEST(m.hoursText(), "hours");
}

// On paper: one page wide, the table's head on every page, the same number of workers on
// every page, in the font the widths are made for.
void T13Test::pages() {
    QCOMPARE(timesheet::t13::workersPerPage(), 7);
    QCOMPARE(timesheet::t13::pageCount(0), 1);
    QCOMPARE(timesheet::t13::pageCount(7), 1);
    QCOMPARE(timesheet::t13::pageCount(16), 3);
    form(2024, 5);
    const QString path = dir_.filePath("202405.xlsx");
    const QString sheet = QString::fromUtf8(xlsx::part(path, "xl/worksheets/sheet1.xml"));
    // the 8th and the 15th worker begin a page (0-based rows 15 + 4 × 7 and 15 + 4 × 14)
    QVERIFY2(sheet.contains(QRegularExpression("<rowBreaks count=\"2\"[^>]*><brk id=\"43\"[^>]*/>"
                                               "<brk id=\"71\"")),
             qPrintable(sheet.section("<rowBreaks", 1).left(200)));
    QVERIFY(sheet.contains("fitToPage=\"1\""));
    QVERIFY(sheet.contains("fitToHeight=\"0\""));
    QVERIFY(sheet.contains("orientation=\"landscape\""));
    const QString book = QString::fromUtf8(xlsx::part(path, "xl/workbook.xml"));
    QVERIFY2(book.contains(QRegularExpression("_xlnm.Print_Titles[^>]*>[^<]*!\\$12:\\$15<")),
             qPrintable(book));
    const QString styles = QString::fromUtf8(xlsx::part(path, "xl/styles.xml"));
    QVERIFY(styles.contains(
        "<font><sz val=\"10\"/><color theme=\"1\"/><name val=\"Liberation Sans\"/>"));
    QVERIFY(!styles.contains("Calibri"));
    QVERIFY(!styles.contains("Arial"));
    // the last worker, the total and the signatures
    const xlsx::Sheet& cells = form(2024, 5);
    QCOMPARE(cells.value("B76"), QString("Работник 16"));
    QCOMPARE(cells.value("A80"), QString("Итого по подразделению"));
    QCOMPARE(cells.value("A88"), QString("Работник кадровой службы"));
}

// The program's own PDF of the form: as many pages as the workbook, and on each the words of
// the workbook's cells on that page (the heading on the first, the table's head on every one,
// the total and the signatures on the last) and the page's number, nothing else.
void T13Test::pdfHoldsTheWorkbooksCells_data() {
    QTest::addColumn<int>("month");
    QTest::addColumn<int>("pages");
    QTest::newRow("every kind of mark and a position") << 3 << 1;
    QTest::newRow("sixteen workers") << 5 << 3;
    QTest::newRow("an empty month") << 7 << 1;
}

void T13Test::pdfHoldsTheWorkbooksCells() {
    QFETCH(int, month);
    QFETCH(int, pages);
    const xlsx::Sheet& cells = form(2024, month);
    const QString book = dir_.filePath(QStringLiteral("%1.xlsx").arg(202400 + month));
    const QString pdf = dir_.filePath(QStringLiteral("%1.pdf").arg(202400 + month));
    data::Query rows(DataModule6->ADO_DB);
    QCOMPARE(timesheet::t13::writeForm(
                 rows, 2024, month,
                 {QStringLiteral("ООО «Ромашка»"), QStringLiteral("Цех № 2"), Compiled}, pdf),
             pdf);
    QCOMPARE(pdfPages(pdf), pages);

    // the workbook's pages: its breaks are the 0-based rows that begin a page
    QList<int> starts{1};
    static const QRegularExpression brk("<brk id=\"(\\d+)\"");
    const QString sheet = QString::fromUtf8(xlsx::part(book, "xl/worksheets/sheet1.xml"));
    for (auto m = brk.globalMatch(sheet); m.hasNext();)
        starts << m.next().captured(1).toInt() + 1;
    QCOMPARE(starts.size(), pages);
    starts << cells.rows() + 1;
    for (int page = 1; page <= pages; ++page) {
        QList<int> shown;
        for (int r = page == 1 ? 1 : 12; r <= 15; ++r)
            shown << r;
        for (int r = qMax(starts[page - 1], 16); r < starts[page]; ++r)
            shown << r;
        QStringList words =
            QStringList{"Страница", QString::number(page), "из", QString::number(pages)};
        for (int r : shown)
            for (const QString& value : cells.row(r))
                words << value.split(QRegularExpression("\\s+"), Qt::SkipEmptyParts);
        words.sort();
        QCOMPARE(pdfWords(pdf, page), words);
    }
}

// "Т-13 PDF" shows the month's form in the preview, a whole page at once.
void T13Test::pdfButton() {
    Form19->ComboBox1->setCurrentIndex(4);
    Form19->selectYear(2024);
    ui::Script s;
    report::Document shown;
    report::Preview::ZoomMode zoom = report::Preview::ZoomMode::Fixed;
    s.onModal(report::previewWindow(), [&] {
        shown = report::previewWindow()->document();
        zoom = report::previewWindow()->zoomMode();
    });
    Form19->Button7->click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(shown.title, QString("Табель Т-13 Май 2024"));
    QCOMPARE(shown.pageCount(), 3);
    QCOMPARE(zoom, report::Preview::ZoomMode::WholePage);
    QVERIFY(shown.texts(0).contains("Работник 01"));
    QVERIFY(shown.texts(2).contains("Работник 16"));
    QVERIFY(shown.texts(2).contains("Итого по подразделению"));
    QVERIFY(shown.texts(2).contains("Страница 3 из 3"));
}

// Nothing is left in the folder, and a file already at the name is as it was.
void T13Test::failedWriteLeavesNoFile_data() {
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("suffix");
    for (const char* suffix : {"xlsx", "pdf"}) {
        QTest::addRow("folder below a plain file, %s", suffix) << "plain/inner"
                                                               << "не найдена" << suffix;
        QTest::addRow("a folder that takes no file, %s", suffix) << "/proc"
                                                                 << "в папк" << suffix;
    }
}

void T13Test::failedWriteLeavesNoFile() {
    QFETCH(QString, folder);
    QFETCH(QString, message);
    QFETCH(QString, suffix);
    QTemporaryDir here;
    QFile plain(here.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    const QString path =
        QDir(folder.startsWith(u'/') ? folder : here.filePath(folder)).filePath("t13." + suffix);
    data::Query rows(DataModule6->ADO_DB);
    try {
        timesheet::t13::writeForm(rows, 2024, 3, {}, path);
        QFAIL("written");
    } catch (const timesheet::t13::FormError& e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains(message), e.what());
    }
    QVERIFY(!QFile::exists(path));
    QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"plain"});

    // a statement the server refuses: the file there stays, nothing beside it
    const QString kept = here.filePath("kept." + suffix);
    QFile old(kept);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    fixture::exec("alter table accounts_dep.h_tabel rename to h_tabel_away");
    bool refused = false;
    try {
        timesheet::t13::writeForm(rows, 2024, 3, {}, kept);
    } catch (const data::DbError&) {
        refused = true;
    }
    fixture::exec("alter table accounts_dep.h_tabel_away rename to h_tabel");
    QVERIFY(refused);
    QCOMPARE(fileText(kept), QString("old"));
    QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"kept." + suffix, "plain"}));
}

void T13Test::button() {
    Form19->ComboBox1->setCurrentIndex(2);
    Form19->selectYear(2024);
    reports::setExportFolder(dir_.filePath("export"));
    QStringList opened, counting;
    reports::setFileOpener([&](const QString& path) {
        opened << path;
        counting << Form19->Button3->text();
        return true;
    });
    // the organisation and the department every printed timesheet carries
    fixture::exec("insert into accounts_dep.settings(name, value) values ('organisation', 'ООО "
                  "«Металлист»'), ('department', 'Цех № 2');");
    ui::Script s;
    Form19->Button3->click();
    Form19->Button3->click(); // a second one keeps the first
    fixture::exec("delete from accounts_dep.settings;");
    reports::setFileOpener({});
    reports::setExportFolder(QString());
    QCOMPARE(s.texts(), QStringList());
    // the count while the form is written, the plain caption after it
    QCOMPARE(counting, (QStringList{"Т-13 (3 из 3)", "Т-13 (3 из 3)"}));
    QCOMPARE(Form19->Button3->text(), QString("Т-13"));
    QCOMPARE(opened.size(), 2);
    QVERIFY2(QFileInfo(opened[0]).fileName().startsWith("Табель Т-13 Март 2024 "),
             qPrintable(opened[0]));
    QVERIFY(opened[0] != opened[1]);
    QCOMPARE(QDir(dir_.filePath("export")).entryList(QDir::Files | QDir::Hidden).size(), 2);
    const xlsx::Sheet sheet = xlsx::read(opened[0]);
    QCOMPARE(sheet.value("B16"), QString("Иванов И.И.\nСварщик"));
    QCOMPARE(sheet.value("A4"), QString("ООО «Металлист»"));
    QCOMPARE(sheet.value("L10"), QDate::currentDate().toString("dd.MM.yyyy"));
    QVERIFY(!Form19->H_Tabel.active());
}

void T13Test::buttonOnAnUnusableFolder() {
    QFile plain(dir_.filePath("plain"));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    reports::setExportFolder(plain.fileName() + "/Табель");
    ui::Script s;
    Form19->Button3->click();
    reports::setExportFolder(QString());
    // the messages of the "Excel" export, and nothing written
    QCOMPARE(s.texts().size(), 2);
    QVERIFY2(s.texts()[0].startsWith("Невозможно открыть Microsoft Excel.\n«" + plain.fileName()),
             qPrintable(s.texts()[0]));
    QCOMPARE(s.texts()[1], QString("Ошибка открытия файла Microsoft Excel."));
    QCOMPARE(Form19->Button3->text(), QString("Т-13"));
}

void T13Test::commandLine_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message"); // a part of the one line; empty: none
    const QStringList db = connection();
    QTest::newRow("written") << (QStringList{"2024-03", "@"} + db +
                                 QStringList{"--org", "ООО «Ромашка»", "--dept=Цех № 2"})
                             << 0 << "";
    QTest::newRow("no month 13") << (QStringList{"2024-13", "@"} + db) << 2
                                 << "неверный месяц «2024-13»";
    QTest::newRow("month without its zero") << (QStringList{"2024-3", "@"} + db) << 2 << "ГГГГ-ММ";
    QTest::newRow("no file") << QStringList{"2024-03"} << 2 << "вызов: tabel --t13";
    QTest::newRow("database without server")
        << QStringList{"2024-03", "@", "korvast"} << 2 << "и базу данных, и сервер";
    QTest::newRow("unknown option") << (QStringList{"2024-03", "@", "--orgs", "x"} + db) << 2
                                    << "неизвестный параметр «--orgs»";
    QTest::newRow("option without text")
        << (QStringList{"2024-03", "@"} + db + QStringList{"--dept"}) << 2
        << "после --dept нужен текст";
    QTest::newRow("no such database")
        << QStringList{"2024-03", "@", "tabel_no_such_db", "127.0.0.1"} << 1
        << "нет подключения к базе данных tabel_no_such_db на сервере 127.0.0.1";
    QTest::newRow("folder not there")
        << (QStringList{"2024-03", "missing/t13.xlsx"} + db) << 1 << "не найдена";
    QTest::newRow("folder takes no file") << (QStringList{"2024-03", "/proc/t13.xlsx"} + db) << 1
                                          << "Не удалось создать файл в папке «/proc»";
}

// The command through its entry: exit code, one line on the error output, and the file
// written or, on failure, an earlier file there untouched and nothing beside it.
void T13Test::commandLine() {
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir here;
    const QString file = here.filePath("Т-13 март.xlsx");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("old");
    old.close();
    for (QString& a : args) {
        if (a == "@")
            a = file;
        else if (a.startsWith("missing/"))
            a = here.filePath(a);
    }
    QString errors;
    QTextStream stream(&errors);
    QCOMPARE(app::runT13Command(QStringList{"--t13"} + args, stream), code);
    stream.flush();
    if (message.isEmpty()) {
        QCOMPARE(errors, QString());
        const xlsx::Sheet sheet = xlsx::read(file);
        QCOMPARE(sheet.value("A4"), QString("ООО «Ромашка»"));
        QCOMPARE(sheet.value("A6"), QString("Цех № 2"));
        QCOMPARE(sheet.value("V28"), QString("45"));
    } else {
        QVERIFY2(errors.startsWith("tabel: ") && errors.contains(message), qPrintable(errors));
        QCOMPARE(errors.count(u'\n'), 1);
        QVERIFY2(errors.endsWith(u'\n'), qPrintable(errors));
        QCOMPARE(fileText(file), QString("old"));
    }
    QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden),
             QStringList{"Т-13 март.xlsx"});
}

// The built program itself: no display needed, the form written, and a failure's exit code.
void T13Test::programFromTheShell() {
    QTemporaryDir here;
    const QString file = here.filePath("t13.xlsx");
    QProcess tabel;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    tabel.setProcessEnvironment(env);
    tabel.start(TABEL_PROGRAM, QStringList{"--t13", "2024-03", file} + connection());
    QVERIFY(tabel.waitForFinished(60000));
    QCOMPARE(tabel.readAllStandardError(), QByteArray());
    QCOMPARE(tabel.exitCode(), 0);
    QCOMPARE(xlsx::read(file).value("B24"), QString("Подрядчик С-17"));

    // a PDF by its name, its fonts measured without a display
    const QString pdf = here.filePath("t13.pdf");
    tabel.start(TABEL_PROGRAM, QStringList{"--t13", "2024-03", pdf} + connection());
    QVERIFY(tabel.waitForFinished(60000));
    QCOMPARE(tabel.readAllStandardError(), QByteArray());
    QCOMPARE(tabel.exitCode(), 0);
    QCOMPARE(pdfPages(pdf), 1);
    QVERIFY(pdfWords(pdf, 1).contains("С-17"));
    QCOMPARE(QDir(here.path()).entryList(QDir::Files | QDir::Hidden),
             (QStringList{"t13.pdf", "t13.xlsx"}));

    tabel.start(TABEL_PROGRAM, {"--t13", "2024-00", here.filePath("other.xlsx")});
    QVERIFY(tabel.waitForFinished(60000));
    QCOMPARE(tabel.exitCode(), 2);
    QCOMPARE(QString::fromUtf8(tabel.readAllStandardError()),
             QString("tabel: неверный месяц «2024-00»: нужен вид ГГГГ-ММ, например 2026-03\n"));
    QVERIFY(!QFile::exists(here.filePath("other.xlsx")));
}

QTEST_MAIN(T13Test)
#include "tst_t13.moc"
