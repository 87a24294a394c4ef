// The T-13 form as a PDF of the program's own report engine, without a spreadsheet program:
// the cells the workbook holds (t13_sheet.h) drawn at full size on A4 landscape with the
// workbook's margins, column widths and row heights, its page breaks (the same workers on
// every page), the table's head on every page, the department's total and the signatures
// with the last workers, and "Страница 1 из N" below. The preview shows the same pages before
// printing or saving. Text sizes are measured, so a QGuiApplication must exist.
#pragma once

#include "report_engine/document.h"
#include "timesheet/t13_form.h"

namespace timesheet::t13 {

// The pages of the form.
report::Document formDocument(const Month& month, const Heading& heading,
                              const Progress& progress = {});

// Writes the pages into a new file beside path that takes its name only when complete;
// returns the path written. Failures as writeMonth's.
QString writePdf(const Month& month, const Heading& heading, const QString& path,
                 Existing existing = Existing::Replace, const Progress& progress = {});

} // namespace timesheet::t13
