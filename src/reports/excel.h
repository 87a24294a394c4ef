// The spreadsheet export: a new workbook is filled cell by cell in memory and, when it is
// shown, written as an .xlsx file into the export folder and opened with the desktop's
// spreadsheet program.
#pragma once

#include <QMap>
#include <QPair>
#include <QString>
#include <functional>
#include <stdexcept>

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
    // Begins a new workbook with one sheet. fileName names the file it is written to (in
    // the export folder unless it is absolute); empty gives a name made of subject and the
    // time. Returns 1, or -1 after its two messages when the export folder cannot be used.
    int ExcelOpen(const QString& fileName, const QString& subject = QString());
    // Showing writes the workbook to a new file and opens it; raises ExcelError when it
    // cannot be written, and says where it was saved when no program opens it. Does nothing
    // before the first ExcelOpen. Returns 1.
    int ExcelSetVisible(bool visible);
    // Writes a text into a cell; an empty text writes nothing. A text that reads as a number
    // is stored as a number unless the cell was set to text. 1, or -1 after a message.
    int ExcelWriteCell(int sheet, int column, int row, const QString& text);
    // As ExcelWriteCell; asText sets the cell to text first, autoFit makes the column as
    // wide as its widest text, bold sets the cell's weight (both ways).
    int ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                                bool autoFit, bool bold);

    bool isOpen() const { return open_; }
    // The file the last showing wrote ("" before).
    QString lastFile() const { return lastFile_; }

    // True, with its value, when a typed text would be taken as a number.
    static bool readsAsNumber(const QString& text, double* value = nullptr);

private:
    struct Cell {
        QString text;
        bool asText = false;
        bool bold = false;
    };
    using Key = QPair<int, int>; // row, column
    int checkCell(int sheet, int column, int row, const QString& text) const;
    QString write() const;

    bool open_ = false;
    bool dirty_ = false;
    QString fileName_;
    QString subject_;
    QString lastFile_;
    QMap<Key, Cell> cells_;
    QMap<int, bool> autoFit_;
};

// The handle the operations list and the product report share.
Excel& sharedExcel();

// Folder the workbooks go to: the one set here, else $TABEL_EXPORT_DIR, else the folder
// "Табель" in the user's documents folder.
QString exportFolder();
void setExportFolder(const QString& folder); // empty: back to the default
// Opens a written workbook; by default with the desktop's program for its type.
void setFileOpener(std::function<bool(const QString& path)> opener); // empty: default

} // namespace reports

// The four operations on the shared handle, as the exports call them.
int ExcelOpen(const QString& fileName, const QString& subject = QString());
int ExcelSetVisible(bool visible);
int ExcelWriteCell(int sheet, int column, int row, const QString& text);
int ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                            bool autoFit, bool bold);
