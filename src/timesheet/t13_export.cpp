#include "timesheet/t13_export.h"

#include "data/query.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "timesheet/t13_form.h"
#include "timesheet/t13_pdf.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"

#include <QCoreApplication>
#include <QDir>
#include <QPushButton>

namespace timesheet::t13 {

QString exportMonth(data::Connection& connection, int year, int month, QPushButton* button) {
    const QString subject = QStringLiteral("Табель Т-13 ") + monthNames().value(month - 1) + u' ' +
                            QString::number(year);
    {
        // the folder is checked, and refused with the same messages, as for "Excel"
        reports::Excel place;
        if (place.ExcelOpen(QString(), subject) == -1) return QString();
    }
    ui::BusyCursor busy;
    data::Query rows(connection);
    const Month form = readMonth(rows, year, month);
    const QString caption =
        QStringLiteral("Т-13 (%1 из ") + QString::number(form.workers.size()) + u')';
    button->setText(caption.arg(0));
    const QString path = writeMonth(
        form, {}, QDir(reports::exportFolder()).filePath(reports::workbookName(subject) + ".xlsx"),
        Existing::Keep, [&](int written, int) {
            button->setText(caption.arg(written));
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    reports::showWorkbook(path);
    return path;
}

void previewMonth(data::Connection& connection, int year, int month) {
    report::Document doc;
    {
        ui::BusyCursor busy;
        data::Query rows(connection);
        doc = formDocument(readMonth(rows, year, month), {});
    }
    report::preview(std::move(doc), report::Preview::ZoomMode::WholePage);
}

} // namespace timesheet::t13
