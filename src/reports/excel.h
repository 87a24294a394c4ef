// The spreadsheet export: ExcelOpen begins a new workbook, every written cell goes straight
// into it, and showing it writes the .xlsx file into the export folder and opens it with the
// desktop's spreadsheet program.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringEncoder>
#include <QStringView>
#include <functional>
#include <stdexcept>
#include <vector>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace reports {

// Raised when a shown workbook cannot be written; the application-wide error
// handler shows its text.
class ExcelError : public std::runtime_error {
public:
    explicit ExcelError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// One workbook handle. Sheets, columns and rows count from 1; values are passed as text.
class Excel {
public:
    Excel() = default;
    ~Excel();
    Excel(const Excel&) = delete;
    Excel& operator=(const Excel&) = delete;

    // Begins a new workbook with one sheet, dropping one begun and never shown. fileName
    // names the file it is written to (in the export folder unless it is absolute); empty
    // gives a name made of subject and the time. Returns 1, or -1 after its two messages
    // when the export folder cannot be used.
    int ExcelOpen(const QString& fileName, const QString& subject = QString());
    // Showing writes the workbook to a new file and opens it; raises ExcelError when it
    // cannot be written, and says where it was saved when no program opens it. The workbook
    // is then finished: it takes no more cells until the next ExcelOpen. Does nothing while
    // no workbook is begun. Returns 1.
    int ExcelSetVisible(bool visible);
    // Writes a text into a cell; an empty text writes nothing. A text that reads as a number
    // is stored as a number unless the cell was set to text. 1, or -1 after a message.
    int ExcelWriteCell(int sheet, int column, int row, const QString& text);
    // As ExcelWriteCell; asText sets the cell to text first, autoFit makes the column as
    // wide as its widest text, bold sets the cell's weight (both ways).
    int ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                                bool autoFit, bool bold);

    // Where a text written across columns stands and how it looks.
    enum class Across : quint8 { Left, Bold, Title, Centred };
    // Writes a text into columns first..last of a row merged into one cell; such a text does
    // not widen the columns fitted to their texts (a title over a table keeps its name column
    // narrow). An empty text writes nothing. 1, or -1 after a message.
    int ExcelWriteAcross(int sheet, int row, int firstColumn, int lastColumn, const QString& text,
                         Across style);
    // Prints the sheet on A4 landscape, one page wide, with captionRow (0: none) repeated at
    // the top of every page. Does nothing while no workbook is begun.
    void ExcelPrintLandscape(int captionRow);

    bool isOpen() const { return book_ != nullptr; }
    // The file the last showing wrote ("" before).
    QString lastFile() const { return lastFile_; }

    // True, with its value, when a typed text would be taken as a number: blanks around,
    // a sign, digits with one point or comma, an exponent; no more than 15 significant
    // digits, so that none is lost.
    static bool readsAsNumber(QStringView text, double* value = nullptr);

private:
    enum Format : quint8 { Plain = 0, Bold = 1, Text = 2 };
    int checkCell(int sheet, int column, int row, const QString& text) const;
    quint8 formatOf(int row, int column) const;
    int put(int column, int row, const QString& text, quint8 format);
    void discard();
    QString finish();

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    lxw_format* formats_[4] = {}; // by Format bits
    lxw_format* across_[4] = {};  // by Across
    QString bookPath_;            // where the workbook is written before it gets its name
    QString fileName_;
    QString subject_;
    QString lastFile_;
    // Cells given a format of their own; a later plain write keeps it, as in a spreadsheet.
    QHash<quint64, quint8> formatted_;
    int lastFormattedRow_ = 0;
    std::vector<double> widths_; // widest text written into each column, 0-based
    std::vector<bool> autoFit_;  // columns made as wide as that text
    QStringEncoder utf8_{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QByteArray text_; // a cell's text in UTF-8, reused from cell to cell
};

// The handle the operations list and the product report share.
Excel& sharedExcel();

// Folder the workbooks go to: the one set here, else $TABEL_EXPORT_DIR, else the folder
// "Табель" in the user's documents folder.
QString exportFolder();
void setExportFolder(const QString& folder); // empty: back to the default
// Opens a written workbook; by default with the desktop's program for its type.
void setFileOpener(std::function<bool(const QString& path)> opener); // empty: default
// Opens a workbook an export has written, as a shown workbook is opened; says where it was
// saved when no program opens it.
void showWorkbook(const QString& path);
// The name of an export's workbook without its folder and ".xlsx": the subject and the
// time, with what a file name cannot hold replaced.
QString workbookName(const QString& subject);

} // namespace reports

// The four operations on the shared handle, as the exports call them.
int ExcelOpen(const QString& fileName, const QString& subject = QString());
int ExcelSetVisible(bool visible);
int ExcelWriteCell(int sheet, int column, int row, const QString& text);
int ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                            bool autoFit, bool bold);
