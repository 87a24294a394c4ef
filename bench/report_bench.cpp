// Timing harness of the report engine. Run under QT_QPA_PLATFORM=offscreen:
//   report_bench prepare|pdf|preview [runs]   medians of the runs, in milliseconds
//   report_bench memory                       prepare and PDF once, then the peak memory
//   report_bench samples DIR                  the five printed layouts as PDF files
//   report_bench csv FILE                     the generated 10,000 rows as CSV
#include "bench_data.h"
#include "report_engine/prepare.h"
#include "report_engine/preview.h"
#include "report_engine/render.h"
#include "reports/layouts.h"
#include "timing.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <sys/resource.h>

namespace {

using bench::printTimes;

constexpr int kRows = 10000;
constexpr int kGroups = 200;
constexpr int kTimesheetWorkers = 14000; // 28 lines a page: 500 pages

report::Layout workersLayout() {
    report::Layout layout = reports::workersReportLayout();
    layout.setText("QRLabel1", "   Отчет по рабочим за период с 01.01.2024 по 01.02.2024");
    return layout;
}

long peakKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("prepare");
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 7;
    QTemporaryDir tmp;

    if (mode == "prepare" || mode == "pdf") {
        const report::MemoryRows rows = bench::workerRows(kRows, kGroups);
        const report::Layout layout = workersLayout();
        std::vector<double> prepareMs, pdfMs;
        int pages = 0;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer t;
            t.start();
            const report::Document doc = report::prepare(layout, rows);
            prepareMs.push_back(t.nsecsElapsed() / 1e6);
            pages = doc.pageCount();
            if (mode == "pdf") {
                t.restart();
                report::writePdf(doc, tmp.filePath("bench.pdf"));
                pdfMs.push_back(t.nsecsElapsed() / 1e6);
            }
        }
        std::printf("%d rows in %d groups, %d pages\n", kRows, kGroups, pages);
        printTimes("prepare", prepareMs);
        if (mode == "pdf") printTimes("write PDF", pdfMs);
        return 0;
    }

    if (mode == "preview") {
        const report::MemoryRows rows = bench::timesheetRows(kTimesheetWorkers);
        report::Layout layout = reports::timesheetLayout();
        layout.setText("QRLabel33", "Январь 2024 г.");
        report::Preview* w = report::previewWindow();
        std::vector<double> ms;
        int pages = 0;
        for (int i = 0; i < runs; ++i) {
            // from the call to the first page painted: prepare, open, draw
            QElapsedTimer t;
            t.start();
            w->setDocument(report::prepare(layout, rows));
            w->showMaximized();
            QCoreApplication::processEvents();
            w->view()->repaint();
            ms.push_back(t.nsecsElapsed() / 1e6);
            pages = w->document().pageCount();
            w->hide();
            w->setDocument(report::Document());
        }
        std::printf("timesheet of %d workers, %d pages\n", kTimesheetWorkers, pages);
        printTimes("first page on screen", ms);
        return 0;
    }

    if (mode == "memory") {
        const report::MemoryRows rows = bench::workerRows(kRows, kGroups);
        const long before = peakKb();
        const report::Document doc = report::prepare(workersLayout(), rows);
        report::writePdf(doc, tmp.filePath("bench.pdf"));
        std::printf("peak memory %.1f MB (%.1f MB before preparing)\n", peakKb() / 1024.0,
                    before / 1024.0);
        return 0;
    }

    if (mode == "samples" && argc > 2) {
        const QDir out(QString::fromLocal8Bit(argv[2]));
        QDir().mkpath(out.path());
        const QString period = "с 01.01.2024 по 01.02.2024";
        report::Layout l16 = reports::workersReportLayout();
        l16.setText("QRLabel1", "   Отчет по рабочим за период " + period);
        report::writePdf(report::prepare(l16, bench::workerRows(120, 4)),
                         out.filePath("workers.pdf"));
        report::Layout l17 = reports::productsReportLayout();
        l17.setText("QRLabel1", "   Отчет по продукции за период " + period);
        report::writePdf(report::prepare(l17, bench::productRows(90, 6)),
                         out.filePath("products.pdf"));
        report::Layout l20 = reports::workersDetailLayout();
        l20.setText("QRLabel1", "   Детальный отчет по рабочим за период " + period);
        report::writePdf(report::prepare(l20, bench::workerDetailRows(90, 5)),
                         out.filePath("workers_detail.pdf"));
        report::Layout l21 = reports::productsDetailLayout();
        l21.setText("QRLabel1", "   Детальный отчет по продукции за период " + period);
        report::writePdf(report::prepare(l21, bench::productDetailRows(90, 6)),
                         out.filePath("products_detail.pdf"));
        report::Layout l15 = reports::timesheetLayout();
        l15.setText("QRLabel33", "Январь 2024 г.");
        report::writePdf(report::prepare(l15, bench::timesheetRows(40)),
                         out.filePath("timesheet.pdf"));
        std::printf("written to %s\n", qPrintable(out.path()));
        return 0;
    }

    if (mode == "csv" && argc > 2) {
        const bool ok = bench::writeCsv(bench::workerRows(kRows, kGroups),
                                        {"fio", "nom", "vid", "naimen", "color", "kolvo", "summa"},
                                        QString::fromLocal8Bit(argv[2]));
        return ok ? 0 : 1;
    }

    std::fprintf(
        stderr,
        "usage: report_bench prepare|pdf|preview [runs] | memory | samples DIR | csv FILE\n");
    return 2;
}
