// The "Т-13" and "Т-13 PDF" commands of the timesheet by time: the unified form of a month
// put out as the "Excel" export puts out its workbook, or shown in the preview.
#pragma once

#include <QString>

class QPushButton;
namespace data {
class Connection;
}

namespace timesheet::t13 {

// Writes the form of the month into the export folder under the name the export gives
// ("Табель Т-13 Март 2024 2024-04-01 10-00-00.xlsx"; an existing file is never replaced),
// counting the workers written on the button's caption ("Т-13 (r из N)") while it writes, and
// opens it.
// A folder that cannot be used gets the export's messages and writes nothing; returns the
// file written, empty then.
QString exportMonth(data::Connection& connection, int year, int month, QPushButton* button);

// Shows the form of the month as pages of the report engine in the preview, from which the
// user prints it or saves it as a PDF; returns when the preview closes.
void previewMonth(data::Connection& connection, int year, int month);

} // namespace timesheet::t13
