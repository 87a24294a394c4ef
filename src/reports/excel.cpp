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
#include <QTemporaryFile>
#include <QUrl>
#include <QVarLengthArray>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <sys/stat.h>
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

// Why no workbook can be begun in folder, in words the user can act on; err is the
// system's error of the failed step (0 when it gave none).
QString folderProblem(const QString& folder, int err) {
    // the nearest part of the path that is there tells most
    QString existing = QDir::cleanPath(QDir(folder).absolutePath());
    while (!QFileInfo::exists(existing) && existing != QDir::rootPath() && !existing.isEmpty())
        existing = QFileInfo(existing).absolutePath();
    const QString shown = QDir::toNativeSeparators(existing);
    if (QFileInfo::exists(existing) && !QFileInfo(existing).isDir())
        return QStringLiteral("«%1» — это файл, а не папка.").arg(shown);
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("Нет доступа к папке «%1».").arg(shown);
    case EROFS:
        return QStringLiteral("Папка «%1» только для чтения.").arg(shown);
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("Нет места на диске для папки «%1».").arg(shown);
    case ENAMETOOLONG:
        return QStringLiteral("Слишком длинный путь к папке «%1».")
            .arg(QDir::toNativeSeparators(folder));
    default:
        break;
    }
    if (!QFileInfo(existing).isWritable())
        return QStringLiteral("Нет доступа к папке «%1».").arg(shown);
    return QStringLiteral("Не удалось создать файл в папке «%1» (код ошибки %2).")
        .arg(QDir::toNativeSeparators(folder))
        .arg(err);
}

// Read and write for everyone the process's umask lets in, as for any file the user saves;
// a temporary file is made for the owner alone.
void giveUsualPermissions(const QString& path) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::chmod(QFile::encodeName(path).constData(), 0666 & ~mask);
}

// Gives the written workbook at from a name in folder that no file has yet: base, else
// "base (2)", "base (3)" and so on. A rename never replaces a file.
QString moveToNewName(const QString& from, const QString& folder, const QString& base) {
    if (!QDir().mkpath(folder))
        throw ExcelError(QStringLiteral("Не удалось создать папку «%1» для книги.")
                             .arg(QDir::toNativeSeparators(folder)));
    for (int n = 1; n < 10000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
        const QString path = QDir(folder).filePath(name + QStringLiteral(".xlsx"));
        if (QFile::rename(from, path)) {
            giveUsualPermissions(path);
            return path;
        }
        if (!QFile::exists(path)) break; // cannot be made at all
    }
    QFile::remove(from);
    throw ExcelError(QStringLiteral("Не удалось создать файл книги в папке «%1».")
                         .arg(QDir::toNativeSeparators(folder)));
}

// The message of a cell that cannot be written; made only when one cannot.
int refuse(int sheet, int column, int row, const QString& caption) {
    ui::message(QStringLiteral("Ошибка при записи: лист %1, столбец %2, строка %3")
                    .arg(sheet)
                    .arg(column)
                    .arg(row),
                caption, QMessageBox::Critical);
    return -1;
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

bool Excel::readsAsNumber(QStringView text, double* value) {
    qsizetype i = 0, end = text.size();
    while (i < end && text[i].isSpace())
        ++i;
    while (end > i && text[end - 1].isSpace())
        --end;
    const auto digit = [&](qsizetype at) {
        return at < end && text[at] >= u'0' && text[at] <= u'9';
    };
    // the number as from_chars reads it: no '+', a point for a comma
    QVarLengthArray<char, 64> ascii;
    if (i < end && (text[i] == u'+' || text[i] == u'-')) {
        if (text[i] == u'-') ascii.append('-');
        ++i;
    }
    qsizetype digits = 0, first = -1, last = -1; // places of the mantissa's outer non-zeros
    const auto mantissa = [&] {
        for (; digit(i); ++i) {
            const char c = char(text[i].unicode());
            if (c != '0') {
                if (first < 0) first = digits;
                last = digits;
            }
            ++digits;
            ascii.append(c);
        }
    };
    mantissa();
    if (i < end && (text[i] == u'.' || text[i] == u',')) {
        ascii.append('.');
        ++i;
        mantissa();
    }
    if (digits == 0) return false;
    if (i < end && (text[i] == u'e' || text[i] == u'E')) {
        ascii.append('e');
        ++i;
        if (i < end && (text[i] == u'+' || text[i] == u'-'))
            ascii.append(char(text[i++].unicode()));
        if (!digit(i)) return false;
        for (; digit(i); ++i)
            ascii.append(char(text[i].unicode()));
    }
    if (i != end) return false;
    // more digits than a spreadsheet number holds would be lost: such a text stays text
    if (first >= 0 && last - first + 1 > 15) return false;
    double v = 0;
    const char* const stop = ascii.data() + ascii.size();
    const auto [read, failed] = std::from_chars(ascii.data(), stop, v);
    if (failed != std::errc() || read != stop || !std::isfinite(v)) return false; // out of range
    if (value) *value = v;
    return true;
}

Excel::~Excel() {
    discard();
}

void Excel::discard() {
    if (book_) lxw_workbook_free(book_);
    book_ = nullptr;
    sheet_ = nullptr;
    if (!bookPath_.isEmpty()) QFile::remove(bookPath_);
    bookPath_.clear();
}

int Excel::ExcelOpen(const QString& fileName, const QString& subject) {
    discard();
    const QString folder = exportFolder();
    // the workbook is written beside where it is kept, and renamed when it is shown
    QTemporaryFile place(QDir(folder).filePath(QStringLiteral(".~XXXXXX.xlsx")));
    place.setAutoRemove(false);
    errno = 0;
    if (!QDir().mkpath(folder) || !place.open()) {
        const int err = errno;
        ui::message(QStringLiteral("Невозможно открыть Microsoft Excel.\n") +
                        folderProblem(folder, err),
                    QStringLiteral("Ошибка"), QMessageBox::Critical);
        ui::message(QStringLiteral("Ошибка открытия файла Microsoft Excel."),
                    QStringLiteral("Ошибка"), QMessageBox::Critical);
        return -1;
    }
    bookPath_ = place.fileName();
    place.close();
    book_ = workbook_new(QFile::encodeName(bookPath_).constData());
    if (!book_) {
        discard();
        throw ExcelError(QStringLiteral("Не хватает памяти для новой книги."));
    }
    sheet_ = workbook_add_worksheet(book_, "Лист1");
    formats_[Plain] = nullptr;
    for (quint8 f : {quint8(Bold), quint8(Text), quint8(Bold | Text)}) {
        formats_[f] = workbook_add_format(book_);
        if (f & Bold) format_set_bold(formats_[f]);
        if (f & Text) format_set_num_format_index(formats_[f], 49); // the built-in text format "@"
    }
    for (int a = 0; a < 4; ++a) {
        lxw_format* f = across_[a] = workbook_add_format(book_);
        format_set_num_format_index(f, 49); // a title is text, whatever it reads like
        format_set_align(f, a >= int(Across::Title) ? LXW_ALIGN_CENTER : LXW_ALIGN_LEFT);
        if (a == int(Across::Bold) || a == int(Across::Title)) format_set_bold(f);
        if (a == int(Across::Title)) format_set_font_size(f, 13);
    }
    fileName_ = fileName;
    subject_ = subject;
    formatted_.clear();
    lastFormattedRow_ = 0;
    widths_.clear();
    autoFit_.clear();
    return 1;
}

int Excel::checkCell(int sheet, int column, int row, const QString& text) const {
    if (!book_ || sheet != 1)
        return refuse(sheet, column, row, QStringLiteral("Ошибочный номер листа Microsoft Excel"));
    if (column < 1 || column > MaxColumns || row < 1 || row > MaxRows || text.size() > MaxText)
        return refuse(sheet, column, row, QStringLiteral("Ошибка Microsoft Excel"));
    return 1;
}

quint8 Excel::formatOf(int row, int column) const {
    if (row > lastFormattedRow_) return Plain; // the rows of data below the headers
    return formatted_.value(quint64(row) << 32 | quint32(column), Plain);
}

int Excel::put(int column, int row, const QString& text, quint8 format) {
    const lxw_row_t r = lxw_row_t(row - 1);
    const lxw_col_t c = lxw_col_t(column - 1);
    lxw_error failed;
    double number = 0;
    if (!(format & Text) && readsAsNumber(text, &number)) {
        failed = worksheet_write_number(sheet_, r, c, number, formats_[format]);
    } else {
        text_.resize(utf8_.requiredSpace(text.size()) + 1);
        char* const stop = utf8_.appendToBuffer(text_.data(), text);
        *stop = '\0';
        failed = worksheet_write_string(sheet_, r, c, text_.constData(), formats_[format]);
    }
    if (failed != LXW_NO_ERROR)
        return refuse(1, column, row, QStringLiteral("Ошибка Microsoft Excel"));
    // a bold text takes about a tenth more room
    if (widths_.size() < size_t(column)) widths_.resize(size_t(column), 0);
    widths_[c] = std::max(widths_[c], text.size() * (format & Bold ? 1.1 : 1.0) + 1.5);
    return 1;
}

int Excel::ExcelWriteCell(int sheet, int column, int row, const QString& text) {
    if (text.isEmpty()) return 1;
    if (checkCell(sheet, column, row, text) < 0) return -1;
    return put(column, row, text, formatOf(row, column));
}

int Excel::ExcelWriteCellFormatted(int sheet, int column, int row, const QString& text, bool asText,
                                   bool autoFit, bool bold) {
    if (text.isEmpty()) return 1;
    if (checkCell(sheet, column, row, text) < 0) return -1;
    // a cell once set to text stays text; its weight is set both ways
    quint8 format =
        (formatOf(row, column) & Text) | (asText ? Text : Plain) | (bold ? Bold : Plain);
    formatted_.insert(quint64(row) << 32 | quint32(column), format);
    lastFormattedRow_ = std::max(lastFormattedRow_, row);
    if (autoFit) {
        if (autoFit_.size() < size_t(column)) autoFit_.resize(size_t(column), false);
        autoFit_[size_t(column - 1)] = true;
    }
    return put(column, row, text, format);
}

int Excel::ExcelWriteAcross(int sheet, int row, int firstColumn, int lastColumn,
                            const QString& text, Across style) {
    if (text.isEmpty()) return 1;
    if (checkCell(sheet, firstColumn, row, text) < 0) return -1;
    if (lastColumn < firstColumn || checkCell(sheet, lastColumn, row, text) < 0) return -1;
    text_.resize(utf8_.requiredSpace(text.size()) + 1);
    char* const stop = utf8_.appendToBuffer(text_.data(), text);
    *stop = '\0';
    lxw_format* const format = across_[int(style)];
    const lxw_row_t r = lxw_row_t(row - 1);
    const lxw_error failed =
        firstColumn == lastColumn
            ? worksheet_write_string(sheet_, r, lxw_col_t(firstColumn - 1), text_.constData(),
                                     format)
            : worksheet_merge_range(sheet_, r, lxw_col_t(firstColumn - 1), r,
                                    lxw_col_t(lastColumn - 1), text_.constData(), format);
    if (failed != LXW_NO_ERROR)
        return refuse(sheet, firstColumn, row, QStringLiteral("Ошибка Microsoft Excel"));
    return 1;
}

void Excel::ExcelPrintLandscape(int captionRow) {
    if (!book_) return;
    worksheet_set_paper(sheet_, 9); // A4
    worksheet_set_landscape(sheet_);
    worksheet_set_margins(sheet_, 0.4, 0.4, 0.5, 0.5); // inches
    worksheet_fit_to_pages(sheet_, 1, 0);              // one page wide, as long as it takes
    if (captionRow > 0)
        worksheet_repeat_rows(sheet_, lxw_row_t(captionRow - 1), lxw_row_t(captionRow - 1));
}

QString Excel::finish() {
    lxw_error failed = LXW_NO_ERROR;
    for (size_t c = 0; c < autoFit_.size() && failed == LXW_NO_ERROR; ++c) {
        if (!autoFit_[c]) continue;
        const double w = c < widths_.size() && widths_[c] > 0 ? widths_[c] : 8.43;
        failed = worksheet_set_column(sheet_, lxw_col_t(c), lxw_col_t(c), qBound(2.0, w, 255.0),
                                      nullptr);
    }
    const lxw_error closed = workbook_close(book_);
    book_ = nullptr;
    sheet_ = nullptr;
    const QString written = std::exchange(bookPath_, QString());
    if (failed == LXW_NO_ERROR) failed = closed;
    const QString folder = exportFolder();
    if (failed != LXW_NO_ERROR) {
        QFile::remove(written);
        throw ExcelError(
            QStringLiteral("Не удалось записать книгу в папку «%1»: %2")
                .arg(QDir::toNativeSeparators(folder), QString::fromUtf8(lxw_strerror(failed))));
    }
    if (fileName_.isEmpty()) return moveToNewName(written, folder, workbookName(subject_));
    QFileInfo named(QDir(folder), fileName_);
    QString base = named.fileName();
    if (base.endsWith(QStringLiteral(".xlsx"), Qt::CaseInsensitive)) base.chop(5);
    return moveToNewName(written, named.absolutePath(), fileSafe(base));
}

int Excel::ExcelSetVisible(bool visible) {
    if (!book_ || !visible) return 1;
    const QString path = finish();
    lastFile_ = path;
    showWorkbook(path);
    return 1;
}

void showWorkbook(const QString& path) {
    const auto& opener = fileOpener ? fileOpener : openWithDesktop;
    // the export itself succeeded: where the workbook is kept is news, not an error
    if (!opener(path))
        ui::message(QStringLiteral("Книга сохранена в файл «%1». Программа для работы с "
                                   "электронными таблицами не найдена: откройте файл вручную.")
                        .arg(QDir::toNativeSeparators(path)),
                    QStringLiteral("Экспорт"), QMessageBox::Information);
}

QString workbookName(const QString& subject) {
    const QString stamp =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
    return fileSafe(subject.isEmpty() ? QStringLiteral("Выгрузка") : subject) + u' ' + stamp;
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
