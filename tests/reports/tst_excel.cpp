// The spreadsheet export component: its messages, the workbook it writes and where.
#include "reports/excel.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "xlsx_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class ExcelTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void unusableFolder_data();
    void unusableFolder();
    void writeErrors_data();
    void writeErrors();
    void workbookCells();
    void autoFit();
    void showing();
    void unfinishedWorkbookLeavesNoFile();
    void neverOverwrites();
    void readsAsNumber_data();
    void readsAsNumber();
    void savedWithoutOpenerIsNews();

private:
    QTemporaryDir dir_;
    QStringList opened_;
    bool openerWorks_ = true;
};

void ExcelTest::init() {
    QVERIFY(dir_.isValid());
    reports::setExportFolder(dir_.path() + QStringLiteral("/Табель"));
    opened_.clear();
    openerWorks_ = true;
    reports::setFileOpener([this](const QString& path) {
        opened_ << path;
        return openerWorks_;
    });
}

void ExcelTest::cleanup() {
    reports::setExportFolder(QString());
    reports::setFileOpener({});
    QDir(dir_.path() + QStringLiteral("/Табель")).removeRecursively();
}

void ExcelTest::unusableFolder_data() {
    QTest::addColumn<QString>("below");  // the export folder, below the test's folder
    QTest::addColumn<QString>("reason"); // "%1" the test's folder
    // a folder below a plain file can never be made
    QTest::newRow("below a file") << "plain/Табель"
                                  << "«%1/plain» — это файл, а не папка.";
    QTest::newRow("name too long")
        << QString(300, u'я') + "/Табель"
        << "Слишком длинный путь к папке «%1/" + QString(300, u'я') + "/Табель».";
}

// The first box keeps its words and says which folder and what is wrong with it.
void ExcelTest::unusableFolder() {
    QFETCH(QString, below);
    QFETCH(QString, reason);
    QFile f(dir_.filePath(QStringLiteral("plain")));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    reports::setExportFolder(dir_.filePath(below));

    ui::Script s;
    reports::Excel excel;
    QCOMPARE(excel.ExcelOpen(QString()), -1);
    QCOMPARE(s.texts(), (QStringList{QStringLiteral("Невозможно открыть Microsoft Excel.\n") +
                                         reason.arg(QDir::toNativeSeparators(dir_.path())),
                                     QStringLiteral("Ошибка открытия файла Microsoft Excel.")}));
    for (const auto& m : s.messages()) {
        QCOMPARE(m.caption, QStringLiteral("Ошибка"));
        QCOMPARE(m.icon, QMessageBox::Critical);
    }
    // nothing was begun, so showing writes and opens nothing
    QCOMPARE(excel.ExcelSetVisible(true), 1);
    QVERIFY(opened_.isEmpty());
}

void ExcelTest::writeErrors_data() {
    QTest::addColumn<bool>("open");
    QTest::addColumn<bool>("formatted");
    QTest::addColumn<int>("sheet");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("caption"); // "" for no message
    const QString sheetCaption = QStringLiteral("Ошибочный номер листа Microsoft Excel");
    const QString cellCaption = QStringLiteral("Ошибка Microsoft Excel");
    QTest::newRow("no workbook yet") << false << false << 1 << 1 << 1 << "x" << -1 << sheetCaption;
    QTest::newRow("second sheet") << true << false << 2 << 3 << 4 << "x" << -1 << sheetCaption;
    QTest::newRow("second sheet, formatted")
        << true << true << 2 << 3 << 4 << "x" << -1 << sheetCaption;
    QTest::newRow("sheet 0") << true << false << 0 << 1 << 1 << "x" << -1 << sheetCaption;
    QTest::newRow("row 0") << true << false << 1 << 1 << 0 << "x" << -1 << cellCaption;
    QTest::newRow("column beyond the sheet")
        << true << true << 1 << 16385 << 1 << "x" << -1 << cellCaption;
    QTest::newRow("empty text is never sent") << true << false << 7 << 1 << 1 << "" << 1 << "";
    QTest::newRow("empty text, no workbook") << false << true << 1 << 1 << 1 << "" << 1 << "";
    QTest::newRow("good cell") << true << true << 1 << 2 << 3 << "x" << 1 << "";
}

void ExcelTest::writeErrors() {
    QFETCH(bool, open);
    QFETCH(bool, formatted);
    QFETCH(int, sheet);
    QFETCH(int, column);
    QFETCH(int, row);
    QFETCH(QString, text);
    QFETCH(int, result);
    QFETCH(QString, caption);
    reports::Excel excel;
    if (open) QCOMPARE(excel.ExcelOpen(QString()), 1);
    ui::Script s;
    const int got = formatted
                        ? excel.ExcelWriteCellFormatted(sheet, column, row, text, false, true, true)
                        : excel.ExcelWriteCell(sheet, column, row, text);
    QCOMPARE(got, result);
    if (caption.isEmpty()) {
        QCOMPARE(s.texts(), QStringList());
    } else {
        QCOMPARE(s.messages().size(), 1);
        QCOMPARE(s.messages().first().caption, caption);
        QCOMPARE(s.messages().first().icon, QMessageBox::Critical);
        QCOMPARE(s.messages().first().text,
                 QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3")
                     .arg(sheet)
                     .arg(column)
                     .arg(row));
    }
}

void ExcelTest::workbookCells() {
    reports::Excel excel;
    QCOMPARE(excel.ExcelOpen(QString(), QStringLiteral("Проба")), 1);
    ui::Script s;
    excel.ExcelWriteCellFormatted(1, 1, 1, QStringLiteral("Марка"), false, false, true);
    excel.ExcelWriteCell(1, 2, 1, QStringLiteral("Цена"));
    excel.ExcelWriteCell(1, 1, 2, QStringLiteral("О'Нил СТ-100"));
    excel.ExcelWriteCell(1, 2, 2, QStringLiteral("12.5"));
    excel.ExcelWriteCell(1, 2, 3, QStringLiteral("12,5"));
    excel.ExcelWriteCell(1, 2, 4, QStringLiteral("-3e2"));
    excel.ExcelWriteCellFormatted(1, 3, 2, QStringLiteral("007"), true, false, false);
    excel.ExcelWriteCell(1, 3, 3, QStringLiteral("007"));
    // more digits than a number keeps: stays a text, nothing is lost
    excel.ExcelWriteCell(1, 4, 2, QStringLiteral("12345678901234567890"));
    excel.ExcelWriteCell(1, 4, 3, QStringLiteral("12.5.1"));
    // an empty text leaves the cell as it was
    excel.ExcelWriteCell(1, 1, 4, QStringLiteral("остаётся"));
    excel.ExcelWriteCell(1, 1, 4, QString());
    excel.ExcelWriteCellFormatted(1, 1, 4, QString(), true, true, false);
    // a cell set to text stays text, a bold one stays bold when written plainly later
    excel.ExcelWriteCellFormatted(1, 2, 5, QStringLiteral("старое"), true, false, true);
    excel.ExcelWriteCell(1, 2, 5, QStringLiteral("15"));
    // bold is set both ways
    excel.ExcelWriteCellFormatted(1, 3, 5, QStringLiteral("1"), false, false, true);
    excel.ExcelWriteCellFormatted(1, 3, 5, QStringLiteral("2"), false, false, false);
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(excel.ExcelSetVisible(true), 1);
    QCOMPARE(opened_.size(), 1);

    const xlsx::Sheet sheet = xlsx::read(opened_.first());
    QCOMPARE(sheet.rows(), 5);
    QCOMPARE(sheet.row(1), (QStringList{"Марка", "Цена"}));
    struct Expect {
        const char* ref;
        QString value;
        bool number;
        bool bold;
    };
    const Expect expected[] = {
        {"A1", "Марка", false, true},
        {"B1", "Цена", false, false},
        {"A2", "О'Нил СТ-100", false, false},
        {"B2", "12.5", true, false},
        {"B3", "12.5", true, false},
        {"B4", "-300", true, false},
        {"C2", "007", false, false},
        {"C3", "7", true, false},
        {"D2", "12345678901234567890", false, false},
        {"D3", "12.5.1", false, false},
        {"A4", "остаётся", false, false},
        {"B5", "15", false, true},
        {"C5", "2", true, false},
    };
    for (const Expect& e : expected) {
        const xlsx::Cell c = sheet.cells.value(QString::fromLatin1(e.ref));
        QVERIFY2(sheet.cells.contains(QString::fromLatin1(e.ref)), e.ref);
        QCOMPARE(c.value, e.value);
        QVERIFY2(c.number == e.number, e.ref);
        QVERIFY2(c.bold == e.bold, e.ref);
    }
    QVERIFY(sheet.cells.value("C2").textFormat);
    QVERIFY(sheet.cells.value("B5").textFormat);
}

void ExcelTest::autoFit() {
    reports::Excel excel;
    QCOMPARE(excel.ExcelOpen(QString()), 1);
    const QString longText = QStringLiteral("Покраска порошковая с грунтовкой");
    excel.ExcelWriteCellFormatted(1, 1, 1, QStringLiteral("Вид"), false, true, true);
    excel.ExcelWriteCell(1, 1, 2, longText);
    excel.ExcelWriteCell(1, 2, 1, longText); // column B keeps its width
    excel.ExcelSetVisible(true);
    const xlsx::Sheet sheet = xlsx::read(opened_.last());
    QVERIFY(sheet.widths.contains(1));
    QVERIFY2(sheet.widths[1] >= longText.size() && sheet.widths[1] < longText.size() + 5,
             qPrintable(QString::number(sheet.widths[1])));
    QVERIFY(!sheet.widths.contains(2));
}

void ExcelTest::showing() {
    reports::Excel excel;
    QCOMPARE(excel.ExcelSetVisible(true), 1); // nothing begun: nothing written
    QVERIFY(opened_.isEmpty());

    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    QCOMPARE(excel.ExcelOpen(QString(), QStringLiteral("Операции")), 1);
    excel.ExcelWriteCell(1, 1, 1, QStringLiteral("Марка"));
    QCOMPARE(excel.ExcelSetVisible(false), 1);
    QVERIFY(opened_.isEmpty());
    QCOMPARE(excel.ExcelSetVisible(true), 1);
    QCOMPARE(opened_.size(), 1);
    const QFileInfo file(opened_.first());
    QCOMPARE(file.absolutePath(), QDir(dir_.path() + QStringLiteral("/Табель")).absolutePath());
    // the name says what and when
    QVERIFY2(file.fileName().startsWith(QStringLiteral("Операции ")), qPrintable(file.fileName()));
    QVERIFY(file.fileName().endsWith(QStringLiteral(".xlsx")));
    const QDateTime stamp = QDateTime::fromString(file.completeBaseName().mid(9),
                                                  QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    QVERIFY2(stamp.isValid() && stamp >= before, qPrintable(file.fileName()));
    QCOMPARE(excel.lastFile(), file.filePath());
    // shown again: the same workbook is not written twice, and a shown one takes no cells
    QCOMPARE(excel.ExcelSetVisible(true), 1);
    QCOMPARE(opened_.size(), 1);
    ui::Script s;
    QCOMPARE(excel.ExcelWriteCell(1, 1, 2, QStringLiteral("поздно")), -1);
    QCOMPARE(s.messages().size(), 1);
    QCOMPARE(s.messages().first().caption, QStringLiteral("Ошибочный номер листа Microsoft Excel"));
}

void ExcelTest::unfinishedWorkbookLeavesNoFile() {
    const QDir folder(dir_.path() + QStringLiteral("/Табель"));
    const auto files = [&] {
        return folder.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    };
    {
        reports::Excel excel;
        QCOMPARE(excel.ExcelOpen(QString()), 1);
        excel.ExcelWriteCell(1, 1, 1, QStringLiteral("брошена"));
        // begun again: the first one is dropped
        QCOMPARE(excel.ExcelOpen(QString(), QStringLiteral("Вторая")), 1);
        excel.ExcelWriteCell(1, 1, 1, QStringLiteral("вторая"));
        QCOMPARE(excel.ExcelSetVisible(true), 1);
        QCOMPARE(files(), QStringList{QFileInfo(opened_.first()).fileName()});
        QCOMPARE(xlsx::read(opened_.first()).value("A1"), QStringLiteral("вторая"));
        QVERIFY(QFile::remove(opened_.first()));
        // an export that ends before showing its workbook
        QCOMPARE(excel.ExcelOpen(QString()), 1);
        excel.ExcelWriteCell(1, 1, 1, QStringLiteral("брошена"));
    }
    QCOMPARE(files(), QStringList());
    QCOMPARE(opened_.size(), 1);
}

void ExcelTest::neverOverwrites() {
    reports::Excel excel;
    for (const QString& text : {QStringLiteral("первая"), QStringLiteral("вторая")}) {
        QCOMPARE(excel.ExcelOpen(QStringLiteral("Выгрузка.xlsx")), 1);
        excel.ExcelWriteCell(1, 1, 1, text);
        excel.ExcelSetVisible(true);
    }
    QCOMPARE(opened_.size(), 2);
    QCOMPARE(QFileInfo(opened_[0]).fileName(), QStringLiteral("Выгрузка.xlsx"));
    QCOMPARE(QFileInfo(opened_[1]).fileName(), QStringLiteral("Выгрузка (2).xlsx"));
    QCOMPARE(xlsx::read(opened_[0]).value("A1"), QStringLiteral("первая"));
    QCOMPARE(xlsx::read(opened_[1]).value("A1"), QStringLiteral("вторая"));
}

void ExcelTest::savedWithoutOpenerIsNews() {
    openerWorks_ = false;
    reports::Excel excel;
    QCOMPARE(excel.ExcelOpen(QString()), 1);
    excel.ExcelWriteCell(1, 1, 1, QStringLiteral("x"));
    ui::Script s;
    int result = 0;
    ui::run([&] { result = excel.ExcelSetVisible(true); });
    QCOMPARE(result, 1);
    QCOMPARE(s.messages().size(), 1);
    // the export succeeded: an information box, not an error
    QCOMPARE(s.messages().first().caption, QStringLiteral("Экспорт"));
    QCOMPARE(s.messages().first().icon, QMessageBox::Information);
    // the message says where the workbook was kept
    QVERIFY2(s.texts().first().contains(QDir::toNativeSeparators(opened_.first())),
             qPrintable(s.texts().first()));
    QVERIFY(QFile::exists(opened_.first()));
}

void ExcelTest::readsAsNumber_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("number");
    QTest::addColumn<double>("value");
    QTest::newRow("whole") << "12" << true << 12.0;
    QTest::newRow("blanks around") << " \t12 " << true << 12.0;
    QTest::newRow("no-break space around") << "\u00a012\u00a0" << true << 12.0;
    QTest::newRow("plus") << "+1" << true << 1.0;
    QTest::newRow("minus") << "-1.5" << true << -1.5;
    QTest::newRow("point") << "12.5" << true << 12.5;
    QTest::newRow("comma") << "12,5" << true << 12.5;
    QTest::newRow("point last") << "1." << true << 1.0;
    QTest::newRow("comma first") << ",5" << true << 0.5;
    QTest::newRow("exponent") << "-3e2" << true << -300.0;
    QTest::newRow("signed exponent") << "1.5E-3" << true << 0.0015;
    QTest::newRow("leading zeros") << "007" << true << 7.0;
    QTest::newRow("15 digits") << "123456789012345" << true << 123456789012345.0;
    QTest::newRow("zeros around 15 digits")
        << "00012345678901234500" << true << 12345678901234500.0;
    QTest::newRow("small, 15 digits") << "0.000123456789012345" << true << 0.000123456789012345;
    QTest::newRow("largest") << "1e308" << true << 1e308;
    QTest::newRow("smallest") << "4.9e-324" << true << 4.9e-324;
    QTest::newRow("zero with any exponent") << "0e500" << true << 0.0;
    QTest::newRow("16 digits") << "1234567890123456" << false << 0.0;
    QTest::newRow("16 digits after zeros") << "0.0001234567890123456" << false << 0.0;
    QTest::newRow("too large") << "1.8e308" << false << 0.0;
    QTest::newRow("too small") << "1e-400" << false << 0.0;
    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << "  " << false << 0.0;
    QTest::newRow("point alone") << "." << false << 0.0;
    QTest::newRow("sign alone") << "-" << false << 0.0;
    QTest::newRow("sign and point") << "+." << false << 0.0;
    QTest::newRow("two signs") << "--1" << false << 0.0;
    QTest::newRow("exponent without digits") << "1e+" << false << 0.0;
    QTest::newRow("exponent alone") << "e5" << false << 0.0;
    QTest::newRow("fractional exponent") << "1e5.5" << false << 0.0;
    QTest::newRow("two points") << "12.5.1" << false << 0.0;
    QTest::newRow("thousands and decimals") << "1,000.5" << false << 0.0;
    QTest::newRow("blank inside") << "1 2" << false << 0.0;
    QTest::newRow("unit after") << "12р." << false << 0.0;
    QTest::newRow("hexadecimal") << "0x10" << false << 0.0;
    QTest::newRow("infinity") << "inf" << false << 0.0;
    QTest::newRow("arabic-indic digit") << "\u0663" << false << 0.0;
    QTest::newRow("full-width digits") << "\uff11\uff12" << false << 0.0;
}

void ExcelTest::readsAsNumber() {
    QFETCH(QString, text);
    QFETCH(bool, number);
    QFETCH(double, value);
    double got = -1;
    QCOMPARE(reports::Excel::readsAsNumber(text, &got), number);
    if (number) QCOMPARE(got, value);
}

QTEST_MAIN(ExcelTest)
#include "tst_excel.moc"
