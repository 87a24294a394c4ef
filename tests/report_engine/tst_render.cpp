// Drawing prepared pages: PDF files whose text reads back, and the preview window with its
// page navigation, printing and saving.
#include "report_engine/expression.h"
#include "report_engine/prepare.h"
#include "report_engine/preview.h"
#include "report_engine/render.h"
#include "report_rows.h"
#include "reports/layouts.h"
#include "ui/dialogs.h"

#include <QFileDialog>
#include <QLabel>
#include <QPrintDialog>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QtTest>

using namespace report;

namespace {

QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        qWarning() << program << args << p.readAllStandardError();
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString pdfText(const QString& path) {
    return run("pdftotext", {"-layout", path, "-"});
}

// "Pages" and the first page's "Page size" as pdfinfo prints them.
QString pdfInfo(const QString& path, const QString& key) {
    for (const QString& line : run("pdfinfo", {path}).split('\n'))
        if (line.startsWith(key + ':')) return line.mid(key.size() + 1).trimmed();
    return {};
}

bool landscape(const QString& pageSize) {
    // "841.89 x 595.276 pts (A4)"
    const QStringList parts = pageSize.split(' ');
    return parts.size() >= 3 && parts[0].toDouble() > parts[2].toDouble();
}

Document workersDocument() {
    Layout layout = reports::workersReportLayout();
    layout.setText("QRLabel1", "   Отчет по рабочим за период с 01.01.2024 по 01.02.2024");
    return prepare(layout, rows::workers());
}

Document timesheetDocument(int workers) {
    Layout layout = reports::timesheetLayout();
    layout.setText("QRLabel33", "Январь 2024 г.");
    return prepare(layout, rows::timesheet(workers));
}

} // namespace

class RenderTest : public QObject {
    Q_OBJECT
private slots:
    void pdfTextReadsBack();
    void pdfPageSize_data();
    void pdfPageSize();
    void pdfUnwritable();
    void previewNavigates();
    void previewPrintsInTheLayoutsOrientation();
    void previewSavesPdf();

private:
    QTemporaryDir dir_;
};

void RenderTest::pdfTextReadsBack() {
    const QString path = dir_.filePath("workers.pdf");
    writePdf(workersDocument(), path);
    const QString text = pdfText(path);
    for (const char* expected :
         {"Отчет по рабочим за период с 01.01.2024 по 01.02.2024", "Иванов И.И.", "Петров П.П.",
          "СТ-100", "ШК-200", "Готовая продукция", "(RAL: 9003)", "(грунт)", "187.500", "267.63",
          "Итого:", "292.63"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // lines keep their order on the page
    QVERIFY(text.indexOf("Иванов И.И.") < text.indexOf("267.63"));
    QVERIFY(text.indexOf("267.63") < text.indexOf("Петров П.П."));
    QVERIFY(text.indexOf("Петров П.П.") < text.indexOf("292.63"));
}

void RenderTest::pdfPageSize_data() {
    QTest::addColumn<bool>("timesheet");
    QTest::addColumn<bool>("isLandscape");
    QTest::addColumn<int>("pages");
    QTest::newRow("summary report: portrait") << false << false << 1;
    QTest::newRow("timesheet: landscape") << true << true << 3;
}

void RenderTest::pdfPageSize() {
    QFETCH(bool, timesheet);
    QFETCH(bool, isLandscape);
    QFETCH(int, pages);
    const QString path = dir_.filePath("size.pdf");
    writePdf(timesheet ? timesheetDocument(60) : workersDocument(), path);
    QCOMPARE(pdfInfo(path, "Pages").toInt(), pages);
    const QString size = pdfInfo(path, "Page size");
    QVERIFY2(size.contains("(A4)"), qPrintable(size));
    QCOMPARE(landscape(size), isLandscape);
    if (timesheet) QVERIFY(pdfText(path).contains("Рабочий 060"));
}

void RenderTest::pdfUnwritable() {
    try {
        writePdf(workersDocument(), dir_.filePath("no such folder/x.pdf"));
        QFAIL("writing into a missing folder was reported as done");
    } catch (const Error& e) {
        QVERIFY2(e.message().startsWith("Не удалось записать файл"), qPrintable(e.message()));
    }
}

// The preview opens maximised at page width on the first page and pages through.
void RenderTest::previewNavigates() {
    ui::Script script;
    Preview* w = previewWindow();
    bool ran = false;
    script.onModal(w, [&] {
        ran = true;
        QCoreApplication::processEvents();
        QVERIFY(w->isVisible());
        QVERIFY(w->windowState() & Qt::WindowMaximized);
        QCOMPARE(w->zoomMode(), Preview::ZoomMode::PageWidth);
        // the page fills the width beside the scroll bar
        const int room = w->scrollArea()->viewport()->width();
        const int scrollBar = w->scrollArea()->verticalScrollBar()->sizeHint().width();
        QVERIFY2(w->view()->width() <= room && w->view()->width() >= room - scrollBar - 2,
                 qPrintable(QString("%1 of %2").arg(w->view()->width()).arg(room)));
        QCOMPARE(w->page(), 0);
        QCOMPARE(w->PageLabel->text(), "Страница 1 из 3");
        QVERIFY(!w->PriorButton->isEnabled());
        w->NextButton->click();
        QCOMPARE(w->page(), 1);
        QCOMPARE(w->PageLabel->text(), "Страница 2 из 3");
        w->LastButton->click();
        QCOMPARE(w->page(), 2);
        QVERIFY(!w->NextButton->isEnabled());
        w->FirstButton->click();
        QCOMPARE(w->page(), 0);
        w->WholeButton->click();
        QVERIFY(w->view()->height() <= w->scrollArea()->viewport()->height());
        w->CloseButton->click();
        QVERIFY(!w->isVisible());
    });
    preview(timesheetDocument(60));
    QVERIFY(ran);
    QCOMPARE(script.shown().size(), 1);
    QCOMPARE(script.shown().first().kind, ui::Script::Kind::Modal);
    QCOMPARE(w->document().pageCount(), 0); // the pages are let go once it is closed
}

// The print dialog may leave the printer in portrait; the landscape timesheet still prints
// landscape, every page.
void RenderTest::previewPrintsInTheLayoutsOrientation() {
    ui::Script script;
    Preview* w = previewWindow();
    const QString path = dir_.filePath("printed.pdf");
    bool printed = false;
    script.onModal(w, [&] {
        script.onModal(w->printDialog(), [&] {
            QPrinter* printer = w->printDialog()->printer();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(path);
            printer->setPageOrientation(QPageLayout::Portrait);
            printer->setPrintRange(QPrinter::AllPages);
            w->printDialog()->done(QDialog::Accepted);
            printed = true;
        });
        w->PrintButton->click();
        w->hide();
    });
    preview(timesheetDocument(60));
    QVERIFY(printed);
    QCOMPARE(pdfInfo(path, "Pages").toInt(), 3);
    QVERIFY(landscape(pdfInfo(path, "Page size")));
    const QString text = pdfText(path);
    QVERIFY(text.contains("Январь 2024 г."));
    QVERIFY(text.contains("Рабочий 001"));
    QVERIFY(text.contains("Рабочий 060"));
    QVERIFY(script.messages().isEmpty());
}

void RenderTest::previewSavesPdf() {
    ui::Script script;
    Preview* w = previewWindow();
    const QString path = dir_.filePath("saved.pdf");
    script.onModal(w, [&] {
        script.onModal(w->pdfDialog(), [&] {
            w->pdfDialog()->selectFile(path);
            QMetaObject::invokeMethod(w->pdfDialog(), "accept");
        });
        w->PdfButton->click();
        w->hide();
    });
    preview(workersDocument());
    QVERIFY(QFile::exists(path));
    QVERIFY(pdfText(path).contains("Итого:"));
    QVERIFY(script.messages().isEmpty());
}

QTEST_MAIN(RenderTest)
#include "tst_render.moc"
