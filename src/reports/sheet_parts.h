// What every printed and exported timesheet carries, made here once for all of them: the
// heading (the organisation and the department kept in accounts_dep.settings, the sheet's
// title and its period), the totals row, the signature lines, and for a workbook its page
// setup and a file name that names the report and its period.
//
// A database made before the settings table gives an empty heading; nothing else changes.
#pragma once

#include "report_engine/layout.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace data {
class Query;
}
namespace report {
class RowSource;
}

namespace reports {

class Excel;

// The organisation and the department, as full access set them.
struct Heading {
    QString organisation;
    QString department;
    bool operator==(const Heading&) const = default;
};

// The heading as stored; nullopt when the database has no settings table.
std::optional<Heading> storedHeading(data::Query& control);
// The heading to print: empty when the database has no settings table.
Heading readHeading(data::Query& control);
// Stores the heading (full access; the server refuses other logins); raises data::DbError
// when it is not stored.
void saveHeading(data::Query& control, const Heading& heading);

// The top of a sheet: the heading and under it the title and the period.
struct SheetTitle {
    Heading heading;
    QString title;  // "Табель сделка"
    QString period; // "Март 2024 г."
};

// The lines a timesheet is signed on, in the order they are signed.
const QStringList& signatureLines();

// "Табель сделка 2024-03".
QString monthFileName(const QString& report, int year, int month);
// The report and its period of days from `from` up to `to` (left out): a whole calendar month
// as "Отчет по продукции 2024-02", other days as "Отчет по продукции 2024-02-01 — 2024-02-14".
QString periodFileName(const QString& report, const QDate& from, const QDate& to);

// A column of a sheet.
struct SheetColumn {
    enum class Kind {
        Text,     // as it is, e.g. a name
        Hours,    // whole hours; 0 is left empty, totalled
        RowHours, // the row's Hours columns added up, totalled
        Count,    // a whole number of the row other than a day, e.g. its hours; totalled
        Money,    // roubles and kopecks, totalled
        Price,    // roubles and kopecks, not totalled
    };
    QString field; // none for RowHours
    QString title;
    Kind kind = Kind::Text;
    double width = 0; // mm on paper; 0: what the other columns leave
};

// The text of a report expression that prints the value of expression, or nothing when it is 0.
QString blankZero(const QString& expression);

// Printouts (the report engine). The heading band: printed once at the top of the first page.
void addHeading(report::LayoutBuilder& b, const SheetTitle& title);
// A cell of the totals row: the sum of an expression over the printed lines.
struct TotalCell {
    double x = 0, width = 0; // mm
    QString expression;      // e.g. "sd1" or "d1+d2"
    QString mask;            // "" or "#0.00"
};
// The report foot: "Итого" in the first width mm, the totals (a sum of 0 printed empty), and
// under it the signature lines, kept on one page with it.
void addTotals(report::LayoutBuilder& b, double labelWidth, const QList<TotalCell>& cells);
// A timesheet as a printout, A4 landscape: the heading, the column captions on every page, a
// line per row (hours of 0 empty), the totals and the signatures, the page number below.
report::Layout sheetLayout(const SheetTitle& title, const QList<SheetColumn>& columns);

// Workbooks (reports::Excel). The title rows across the first columns of sheet 1: the heading,
// the title and the period; returns the first row below them, a blank row left.
int writeSheetTitle(Excel& excel, const SheetTitle& title, int columns);
// The signature lines from row on; returns the row below them.
int writeSignatures(Excel& excel, int row, int columns);
// A4 landscape, one page wide, captionRow (0: none) printed on every page.
void setSheetPage(Excel& excel, int captionRow);

// Writes the rows as a sheet into a new workbook of the shared handle named fileName in the
// export folder, and shows it: the title rows, the column captions, a line per row (hours of
// 0 left empty), the totals row and the signature lines, on A4 landscape one page wide.
// progress(written, total) is called with 0 rows once the workbook is begun and after every
// row. Returns false when no workbook could be begun (the component has said why).
bool exportSheet(const SheetTitle& title, const QList<SheetColumn>& columns,
                 const report::RowSource& rows, const QString& fileName,
                 const std::function<void(int written, int total)>& progress);

} // namespace reports
