#include "timesheet/t13_export.h"

#include "data/query.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "reports/sheet_parts.h"
#include "timesheet/t13_form.h"
#include "timesheet/t13_pdf.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"
#include "ui/progress_caption.h"

#include <QDir>
#include <QPushButton>

namespace timesheet::t13 {

namespace {

// The organisation and the department as full access set them for every printed timesheet.
Heading headingOf(data::Query& query) {
    const reports::Heading stored = reports::readHeading(query);
    Heading heading;
    heading.organisation = stored.organisation;
    heading.department = stored.department;
    return heading;
}

} // namespace

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
    const Heading heading = headingOf(rows);
    const Month form = readMonth(rows, year, month);
    ui::ProgressCaption caption(button);
    caption.show(0, int(form.workers.size()));
    const QString path = writeMonth(
        form, heading,
        QDir(reports::exportFolder()).filePath(reports::workbookName(subject) + ".xlsx"),
        Existing::Keep, [&](int written, int workers) { caption.show(written, workers); });
    reports::showWorkbook(path);
    return path;
}

void previewMonth(data::Connection& connection, int year, int month) {
    report::Document doc;
    {
        ui::BusyCursor busy;
        data::Query rows(connection);
        const Heading heading = headingOf(rows);
        doc = formDocument(readMonth(rows, year, month), heading);
    }
    report::preview(std::move(doc), report::Preview::ZoomMode::WholePage);
}

} // namespace timesheet::t13
