#include "reports/excel.h"

#include "ui/dialogs.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QUrl>
#include <cmath>
#include <xlsxwriter.h>

namespace reports {

namespace {

QString folderOverride;
std::function<bool(const QString&)> fileOpener;

constexpr int MaxRows = 1048576;
constexpr int MaxColumns = 16384;
constexpr int MaxText = 32767;

bool openWithDesktop(const QString& path) {
#ifdef Q_OS_LINUX
    // xdg-open starts in the background and reports success even when nothing can show a
    // workbook; ask the desktop first whether any program is set for one
    QProcess query;
    query.start(
        QStringLiteral("xdg-mime"),
        {QStringLiteral("query"), QStringLiteral("default"),
         QStringLiteral("application/vnd.openxmlformats-officedocument.spreadsheetml.sheet")});
    if (query.waitForFinished(5000) && query.exitStatus() == QProcess::NormalExit &&
        query.readAllStandardOutput().trimmed().isEmpty())
        return false;
#endif
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

// Characters a file name cannot hold on the desktops the program runs on.
QString fileSafe(QString name) {
    static const QRegularExpression bad(QStringLiteral(R"([\\/:*?"<>|\x00-\x1f])"));
    name.replace(bad, QStringLiteral("_"));
    return name.trimmed();
}

// A path in folder that no file has yet, reserved by creating the file empty.
QString newFile(const QString& folder, const QString& base) {
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".xlsx"));
        QFile f(path);
        if (f.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
        if (!f.exists()) break; // cannot be created at all
    }
    throw ExcelError(QStringLiteral("Не удалось создать файл книги в папке «%1».")
                         .arg(QDir::toNativeSeparators(folder)));
}

} // namespace

QString exportFolder() {
    if (!folderOverride.isEmpty()) return folderOverride;
    const QString env = qEnvironmentVariable("TABEL_EXPORT_DIR");
    if (!env.isEmpty()) return env;
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
           QStringLiteral("/Табель");
}

void setExportFolder(const QString& folder) {
    folderOverride = folder;
}

void setFileOpener(std::function<bool(const QString&)> opener) {
    fileOpener = std::move(opener);
}

Excel& sharedExcel() {
    static Excel excel;
    return excel;
}

bool Excel::readsAsNumber(const QString& text, double* value) {
    static const QRegularExpression number(
        QStringLiteral(R"(\A[+-]?(\d+([.,]\d*)?|[.,]\d+)([eE][+-]?\d+)?\z)"));
    const QString t = text.trimmed();
    if (!number.match(t).hasMatch()) return false;
    // more digits than a spreadsheet number holds would be lost: such a text stays text
    QString mantissa = t.section(QRegularExpression(QStringLiteral("[eE]")), 0, 0);
    mantissa.remove(QRegularExpression(QStringLiteral("[^0-9]")));
    while (mantissa.startsWith(u'0'))
        mantissa.remove(0, 1);
    while (mantissa.endsWith(u'0'))
        mantissa.chop(1);
    if (mantissa.size() > 15) return false;
    QString c = t;
    c.replace(u',', u'.');
    bool ok = false;
    const double v = c.toDouble(&ok);
    if (!ok || !std::isfinite(v)) return false;
    if (value) *value = v;
    return true;
}

int Excel::ExcelOpen(const QString& fileName, const QString& subject) {
    const QString folder = exportFolder();
    const bool usable =
        QDir().mkpath(folder) && QFileInfo(folder).isDir() && QFileInfo(folder).isWritable();
    if (!usable) {
        ui::message(QStringLiteral("Невозможно открыть Microsoft Excel."), QStringLiteral("Ошибка"),
                    QMessageBox::Critical);
        ui::message(QStringLiteral("Ошибка открытия файла Microsoft Excel."),
                    QStringLiteral("Ошибка"), QMessageBox::Critical);
        return -1;
    }
    open_ = true;
    dirty_ = true;
    fileName_ = fileName;
    subject_ = subject;
    cells_.clear();
    autoFit_.clear();
    return 1;
}

int Excel::checkCell(int sheet, int column, int row, const QString& text) const {
    const QString where = QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3")
                              .arg(sheet)
                              .arg(column)
                              .arg(row);
    if (!open_ || sheet != 1) {
        ui::message(where, QStringLiteral("Ошибочный номер листа Microsoft Excel"),
                    QMessageBox::Critical);
        return -1;
    }
    if (column < 1 || column > MaxColumns || row < 1 || row > MaxRows || text.size() > MaxText) {
        ui::message(where, QStringLiteral("Ошибка Microsoft Excel"), QMessageBox::Critical);
        return -1;
    }
    return 1;
}

int Excel::ExcelWriteCell(int sheet, int column, int row, const QString& text) {
    if (text.isEmpty()) return 1;
    if (checkCell(sheet, column, row, text) < 0) return -1;
    cells_[{row, column}].text = text;
    dirty_ = true;
    return 1;
}

int Excel::ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                                   bool autoFit, bool bold) {
    if (text.isEmpty()) return 1;
    if (checkCell(sheet, column, row, text) < 0) return -1;
    Cell& cell = cells_[{row, column}];
    if (asText) cell.asText = true;
    cell.text = text;
    if (autoFit) autoFit_[column] = true;
    cell.bold = bold;
    dirty_ = true;
    return 1;
}

QString Excel::write() const {
    const QString folder = exportFolder();
    if (!QDir().mkpath(folder))
        throw ExcelError(QStringLiteral("Не удалось создать папку «%1» для книги.")
                             .arg(QDir::toNativeSeparators(folder)));
    QString path;
    if (fileName_.isEmpty()) {
        const QString subject =
            fileSafe(subject_.isEmpty() ? QStringLiteral("Выгрузка") : subject_);
        const QString stamp =
            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
        path = newFile(folder, subject + u' ' + stamp);
    } else {
        QFileInfo named(QDir(folder), fileName_);
        QString base = named.fileName();
        if (base.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) base.chop(5);
        path = newFile(named.absolutePath(), fileSafe(base));
    }

    lxw_workbook* book = workbook_new(QFile::encodeName(path).constData());
    if (!book) {
        QFile::remove(path);
        throw ExcelError(QStringLiteral("Не удалось записать книгу в файл «%1».")
                             .arg(QDir::toNativeSeparators(path)));
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book, "Лист1");
    lxw_format* formats[4] = {nullptr, nullptr, nullptr, nullptr}; // [text][bold]
    for (int i = 1; i < 4; ++i) {
        formats[i] = workbook_add_format(book);
        if (i & 1) format_set_bold(formats[i]);
        if (i & 2) format_set_num_format_index(formats[i], 49); // the built-in text format "@"
    }
    QMap<int, double> widths;
    lxw_error failed = LXW_NO_ERROR;
    for (auto it = cells_.cbegin(); it != cells_.cend() && failed == LXW_NO_ERROR; ++it) {
        const Cell& c = it.value();
        const lxw_row_t r = lxw_row_t(it.key().first - 1);
        const lxw_col_t col = lxw_col_t(it.key().second - 1);
        lxw_format* f = formats[(c.asText ? 2 : 0) | (c.bold ? 1 : 0)];
        double number = 0;
        if (!c.asText && readsAsNumber(c.text, &number))
            failed = worksheet_write_number(sheet, r, col, number, f);
        else
            failed = worksheet_write_string(sheet, r, col, c.text.toUtf8().constData(), f);
        // a bold text takes about a tenth more room
        const double w = c.text.size() * (c.bold ? 1.1 : 1.0) + 1.5;
        widths[it.key().second] = qMax(widths.value(it.key().second), w);
    }
    for (auto it = autoFit_.cbegin(); it != autoFit_.cend() && failed == LXW_NO_ERROR; ++it) {
        const double w = qBound(2.0, widths.value(it.key(), 8.43), 255.0);
        failed = worksheet_set_column(sheet, lxw_col_t(it.key() - 1), lxw_col_t(it.key() - 1), w,
                                      nullptr);
    }
    const lxw_error closed = workbook_close(book);
    if (failed == LXW_NO_ERROR) failed = closed;
    if (failed != LXW_NO_ERROR) {
        QFile::remove(path);
        throw ExcelError(
            QStringLiteral("Не удалось записать книгу в файл «%1»: %2")
                .arg(QDir::toNativeSeparators(path), QString::fromUtf8(lxw_strerror(failed))));
    }
    return path;
}

int Excel::ExcelSetVisible(bool visible) {
    if (!open_ || !visible || !dirty_) return 1;
    const QString path = write();
    lastFile_ = path;
    dirty_ = false;
    const auto& opener = fileOpener ? fileOpener : openWithDesktop;
    // the export itself succeeded: where the workbook is kept is news, not an error
    if (!opener(path))
        ui::message(QStringLiteral("Книга сохранена в файл «%1». Программа для работы с "
                                   "электронными таблицами не найдена: откройте файл вручную.")
                        .arg(QDir::toNativeSeparators(path)),
                    QStringLiteral("Экспорт"), QMessageBox::Information);
    return 1;
}

} // namespace reports

int ExcelOpen(const QString& fileName, const QString& subject) {
    return reports::sharedExcel().ExcelOpen(fileName, subject);
}

int ExcelSetVisible(bool visible) {
    return reports::sharedExcel().ExcelSetVisible(visible);
}

int ExcelWriteCell(int sheet, int column, int row, const QString& text) {
    return reports::sharedExcel().ExcelWriteCell(sheet, column, row, text);
}

int ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                            bool autoFit, bool bold) {
    return reports::sharedExcel().ExcelWriteCellFormatted(sheet, column, row, text, asText, autoFit,
                                                          bold);
}
