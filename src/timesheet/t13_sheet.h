// The cells of the T-13 form laid out once: which texts and numbers stand in which rows and
// columns (merged blocks included), in which style, the rows that begin a page, and the
// columns' widths and rows' heights in points. The workbook (t13_form.cpp) and the PDF
// (t13_pdf.cpp) both draw from it, so the two show the same cells on the same pages.
#pragma once

#include "timesheet/t13_form.h"

#include <QDir>
#include <QString>
#include <optional>
#include <vector>

namespace timesheet::t13::sheet {

// Columns of the sheet, 0-based.
enum Column : int {
    Number = 0,
    Name = 1,
    Code = 2,
    FirstDay = 3,              // 16 day columns: days 1–15 and a crossed one, then 16–31
    HalfTotal = FirstDay + 16, // days and hours of each half
    MonthDays = HalfTotal + 1,
    MonthHours = MonthDays + 1,
    LastColumn = MonthHours,
    Columns = LastColumn + 1
};

// How a cell looks: the workbook's formats, the PDF's fonts and frames.
enum class Style {
    Text,       // 8 pt, left
    Right,      // 8 pt, right
    Line,       // 8 pt, centred over a line to write on
    Caption,    // 6 pt, centred, under a line
    Small,      // 6 pt, right
    Title,      // 11 pt bold, centred
    Box,        // 7 pt in a frame, centred, wrapped
    Value,      // 8 pt in a frame, centred, shrunk to fit
    BoldValue,  // 8 pt bold in a frame
    Name,       // 8 pt in a frame, left, wrapped
    TotalLabel, // 8 pt bold in a frame, right
    Code        // 8 pt bold in a frame, centred
};

struct Cell {
    int row = 0, column = 0, lastRow = 0, lastColumn = 0; // a block when larger than one cell
    QString text;
    std::optional<double> number; // a number instead of the text
    Style style = Style::Text;
    bool merged() const { return lastRow != row || lastColumn != column; }
    // What the cell shows: the number as the workbook stores it, or the text.
    QString shown() const;
};

// The table's head, repeated at the top of every page.
constexpr int TableHead = 11;
constexpr int TableHeadRows = 4;
constexpr int FirstWorkerRow = TableHead + TableHeadRows;
constexpr int WorkerRows = 4;
// the department's total, a blank row, three signatures of two rows with a blank between
constexpr int EndRows = 10;

struct Grid {
    std::vector<Cell> cells; // in the order written
    std::vector<int> breaks; // the rows that begin a page after the first
    int workers = 0;
    int endRow = 0; // the department's total
    int rows() const { return endRow + EndRows; }
};

// The form's cells; progress counts the workers laid out.
Grid layOut(const Month& month, const Heading& heading, const Progress& progress = {});

// Widths of the columns in characters of the workbook's font (Liberation Sans 10, 7 pixels a
// digit), and in points as a spreadsheet program prints them (5 pixels of padding more).
double columnCharacters(int column);
double columnPoints(int column);
double rowPoints(int row);

// The page: A4 landscape with these margins in inches, the table centred between them.
constexpr double LeftMargin = 0.4, RightMargin = 0.4, TopMargin = 0.5, BottomMargin = 0.6;
constexpr double FooterMargin = 0.3;
// "Страница 1 из 3" centred in the footer.
QString footerText(int page, int pages);

// The form's font, on every desktop and metric-compatible with Arial.
inline constexpr char FontName[] = "Liberation Sans";

// A new, empty file of the user's usual permissions in folder, hidden, with the suffix; its
// path. Throws FormError when the folder takes none.
QString newFileIn(const QDir& folder, const QString& base, const QString& suffix);
// Gives the written file at from the name to; the file is removed when that fails.
QString moveInto(const QString& from, const QString& to, Existing existing);
// The folder of path checked: FormError when it is missing or path names a folder.
void checkTarget(const QString& path);

} // namespace timesheet::t13::sheet
