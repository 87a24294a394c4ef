#include "timesheet/t13_sheet.h"

#include "data/texts.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <filesystem>
#include <system_error>

namespace timesheet::t13::sheet {

QString Cell::shown() const {
    return number ? QString::number(*number, 'g', 15) : text;
}

namespace {

// Heights of the rows in points: the title's two rows and the table head's first row are
// taller than the rest.
constexpr double RowHeight = 11.25;
constexpr double TitleRowHeight = 15;
constexpr double HeadRowHeight = 24;
constexpr int TitleRow = 8;

constexpr double NumberWidth = 4.5, NameWidth = 29, CodeWidth = 7, DayWidth = 4.5, HalfWidth = 7,
                 MonthWidth = 5;
constexpr double points(double characters) {
    return (characters * 7 + 5) * 0.75;
}
constexpr double TableWidth = points(NumberWidth) + points(NameWidth) + points(CodeWidth) +
                              16 * points(DayWidth) + points(HalfWidth) + 2 * points(MonthWidth);
// A4 landscape within the margins, in points; the height less a little for the spreadsheet
// program's rounding.
constexpr double PageWidth = 842 - 72 * (LeftMargin + RightMargin);
constexpr double PageHeight = 595 - 72 * (TopMargin + BottomMargin) - 10;
static_assert(TableWidth <= PageWidth, "the form is one page wide at full size");

constexpr double HeadHeight = HeadRowHeight + (TableHeadRows - 1) * RowHeight;
constexpr double HeadingHeight = (TableHead - 2) * RowHeight + 2 * TitleRowHeight;
constexpr double WorkerHeight = WorkerRows * RowHeight;
constexpr double EndHeight = EndRows * RowHeight;

class Writer {
public:
    explicit Writer(Grid& g) : g_(g) {}
    void text(int r, int c, const QString& t, Style s) {
        g_.cells.push_back({r, c, r, c, t, {}, s});
    }
    void number(int r, int c, double v, Style s) { g_.cells.push_back({r, c, r, c, {}, v, s}); }
    void merge(int r1, int c1, int r2, int c2, const QString& t, Style s) {
        g_.cells.push_back({r1, c1, r2, c2, t, {}, s});
    }
    void mergeNumber(int r1, int c1, int r2, int c2, double v, Style s) {
        g_.cells.push_back({r1, c1, r2, c2, {}, v, s});
    }
    // Hours: one figure as a number, several joined ("8/2") as a text.
    void hours(int r, int c, const DayMarks& m, Style s) {
        if (m.hours.size() == 1)
            number(r, c, m.hours.first(), s);
        else
            text(r, c, m.hoursText(), s);
    }

private:
    Grid& g_;
};

const QString Cross = QStringLiteral("X");

int heading(Writer& s, const Month& month, const Heading& heading) {
    using S = Style;
    s.merge(0, 13, 0, LastColumn, QStringLiteral("Унифицированная форма № Т-13"), S::Right);
    s.merge(1, 10, 1, LastColumn,
            QStringLiteral("Утверждена постановлением Госкомстата России от 05.01.2004 № 1"),
            S::Small);
    s.merge(2, HalfTotal, 2, LastColumn, QStringLiteral("Код"), S::Box);
    s.merge(3, Number, 3, 13, heading.organisation, S::Line);
    s.merge(3, 14, 3, FirstDay + 15, QStringLiteral("Форма по ОКУД"), S::Right);
    s.merge(3, HalfTotal, 3, LastColumn, QStringLiteral("0301008"), S::Code);
    s.merge(4, Number, 4, 13, QStringLiteral("(наименование организации)"), S::Caption);
    s.merge(4, 14, 4, FirstDay + 15, QStringLiteral("по ОКПО"), S::Right);
    s.merge(4, HalfTotal, 4, LastColumn, QString(), S::Code);
    s.merge(5, Number, 5, 13, heading.department, S::Line);
    s.merge(6, Number, 6, 13, QStringLiteral("(структурное подразделение)"), S::Caption);

    const QDate compiled = heading.compiled.isValid() ? heading.compiled : QDate::currentDate();
    s.merge(TitleRow, Number, TitleRow + 1, 7, QStringLiteral("ТАБЕЛЬ учета рабочего времени"),
            S::Title);
    s.merge(8, 8, 8, 10, QStringLiteral("Номер документа"), S::Box);
    s.merge(8, 11, 8, 13, QStringLiteral("Дата составления"), S::Box);
    s.merge(8, 14, 8, LastColumn, QStringLiteral("Отчетный период"), S::Box);
    s.merge(9, 8, 9, 10, QString(), S::Value);
    s.merge(9, 11, 9, 13, data::text::date(compiled), S::Value);
    s.merge(9, 14, 9, LastColumn,
            QStringLiteral("с ") + data::text::date(month.first()) + QStringLiteral(" по ") +
                data::text::date(month.last()),
            S::Value);

    const DaysOff::Norm norm = month.daysOff.monthNorm(month.year, month.month);
    s.merge(10, 8, 10, LastColumn,
            QStringLiteral("Норма рабочего времени за месяц: %1 дн., %2 ч.")
                .arg(norm.days)
                .arg(norm.hours),
            S::Right);

    // the table's head
    const int h = TableHead;
    s.merge(h, Number, h + 2, Number, QStringLiteral("Номер по порядку"), S::Box);
    s.merge(h, Name, h + 2, Name,
            QStringLiteral("Фамилия, инициалы, должность (специальность, профессия)"), S::Box);
    s.merge(h, Code, h + 2, Code, QStringLiteral("Табельный номер"), S::Box);
    s.merge(h, FirstDay, h, FirstDay + 15,
            QStringLiteral("Отметки о явках и неявках на работу по числам месяца"), S::Box);
    s.merge(h, HalfTotal, h, LastColumn, QStringLiteral("Отработано за"), S::Box);
    for (int d = 1; d <= 15; ++d)
        s.number(h + 1, FirstDay + d - 1, d, S::Box);
    s.text(h + 1, FirstDay + 15, Cross, S::Box);
    for (int d = 16; d <= 31; ++d)
        s.number(h + 2, FirstDay + d - 16, d, S::Box);
    s.merge(h + 1, HalfTotal, h + 2, HalfTotal, QStringLiteral("половину месяца (I, II)"), S::Box);
    s.merge(h + 1, MonthDays, h + 1, MonthHours, QStringLiteral("месяц"), S::Box);
    s.text(h + 2, MonthDays, QStringLiteral("дни"), S::Box);
    s.text(h + 2, MonthHours, QStringLiteral("часы"), S::Box);
    s.number(h + 3, Number, 1, S::Box);
    s.number(h + 3, Name, 2, S::Box);
    s.number(h + 3, Code, 3, S::Box);
    s.mergeNumber(h + 3, FirstDay, h + 3, FirstDay + 15, 4, S::Box);
    s.number(h + 3, HalfTotal, 5, S::Box);
    s.mergeNumber(h + 3, MonthDays, h + 3, MonthHours, 6, S::Box);
    return FirstWorkerRow;
}

// Four lines: marks of days 1–15, their hours, marks of days 16 on, their hours.
void worker(Writer& s, int r, int number, const Worker& w, const Month& month) {
    using S = Style;
    const int days = month.first().daysInMonth();
    s.mergeNumber(r, Number, r + 3, Number, number, S::Value);
    s.merge(r, Name, r + 3, Name, w.position.isEmpty() ? w.name : w.name + u'\n' + w.position,
            S::Name);
    s.merge(r, Code, r + 3, Code, w.code, S::Value);
    for (int d = 1; d <= 31; ++d) {
        const int line = d <= 15 ? r : r + 2;
        const int c = FirstDay + (d <= 15 ? d - 1 : d - 16);
        if (d > days) {
            s.merge(line, c, line + 1, c, Cross, S::Value);
            continue;
        }
        const DayMarks m =
            dayMarks(month.daysOff.isOff(month.first().addDays(d - 1)), w.hours[d - 1]);
        s.text(line, c, m.markText(), S::Value);
        if (m.worked())
            s.hours(line + 1, c, m, S::Value);
        else
            s.text(line + 1, c, QString(), S::Value);
    }
    s.merge(r, FirstDay + 15, r + 1, FirstDay + 15, Cross, S::Value);
    for (int half = 0; half < 2; ++half) {
        s.number(r + 2 * half, HalfTotal, w.days(half), S::Value);
        s.number(r + 2 * half + 1, HalfTotal, w.total(half), S::Value);
    }
    s.mergeNumber(r, MonthDays, r + 3, MonthDays, w.days(0) + w.days(1), S::BoldValue);
    s.mergeNumber(r, MonthHours, r + 3, MonthHours, w.total(0) + w.total(1), S::BoldValue);
}

void signatures(Writer& s, int r) {
    using S = Style;
    for (const char* who : {"Ответственное лицо", "Руководитель структурного подразделения",
                            "Работник кадровой службы"}) {
        s.merge(r, Number, r, Code, QString::fromUtf8(who), S::Text);
        s.merge(r, FirstDay, r, FirstDay + 4, QString(), S::Line);
        s.merge(r, FirstDay + 6, r, FirstDay + 8, QString(), S::Line);
        s.merge(r, FirstDay + 10, r, FirstDay + 15, QString(), S::Line);
        s.merge(r, HalfTotal, r, LastColumn, QStringLiteral("«___» __________ 20__ г."), S::Text);
        s.merge(r + 1, FirstDay, r + 1, FirstDay + 4, QStringLiteral("(должность)"), S::Caption);
        s.merge(r + 1, FirstDay + 6, r + 1, FirstDay + 8, QStringLiteral("(личная подпись)"),
                S::Caption);
        s.merge(r + 1, FirstDay + 10, r + 1, FirstDay + 15, QStringLiteral("(расшифровка подписи)"),
                S::Caption);
        r += 3;
    }
}

} // namespace

} // namespace timesheet::t13::sheet

namespace timesheet::t13 {

int workersPerPage() {
    using namespace sheet;
    const int first = int((PageHeight - HeadingHeight - HeadHeight) / WorkerHeight);
    const int last = int((PageHeight - HeadHeight - EndHeight) / WorkerHeight);
    return qMax(1, qMin(first, last));
}

int pageCount(int workers) {
    const int perPage = workersPerPage();
    return qMax(1, (workers + perPage - 1) / perPage);
}

} // namespace timesheet::t13

namespace timesheet::t13::sheet {

Grid layOut(const Month& month, const Heading& head, const Progress& progress) {
    Grid g;
    Writer s(g);
    int r = heading(s, month, head);
    const int count = int(month.workers.size());
    const int perPage = workersPerPage();
    int days = 0, hours = 0;
    for (int i = 0; i < count; ++i, r += WorkerRows) {
        const Worker& w = month.workers[i];
        if (i > 0 && i % perPage == 0) g.breaks.push_back(r);
        worker(s, r, i + 1, w, month);
        days += w.days(0) + w.days(1);
        hours += w.total(0) + w.total(1);
        if (progress) progress(i + 1, count);
    }
    g.workers = count;
    g.endRow = r;
    s.merge(r, Number, r, HalfTotal, QStringLiteral("Итого по подразделению"), Style::TotalLabel);
    s.number(r, MonthDays, days, Style::BoldValue);
    s.number(r, MonthHours, hours, Style::BoldValue);
    signatures(s, r + 2);
    return g;
}

double columnCharacters(int column) {
    switch (column) {
    case Number:
        return NumberWidth;
    case Name:
        return NameWidth;
    case Code:
        return CodeWidth;
    case HalfTotal:
        return HalfWidth;
    case MonthDays:
    case MonthHours:
        return MonthWidth;
    default:
        return DayWidth;
    }
}

double columnPoints(int column) {
    return points(columnCharacters(column));
}

double rowPoints(int row) {
    if (row == TableHead) return HeadRowHeight;
    if (row == TitleRow || row == TitleRow + 1) return TitleRowHeight;
    return RowHeight;
}

QString footerText(int page, int pages) {
    return QStringLiteral("Страница %1 из %2").arg(page).arg(pages);
}

QString newFileIn(const QDir& folder, const QString& base, const QString& suffix) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = folder.filePath(
            QStringLiteral(".~%1.%2.%3")
                .arg(base)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'))
                .arg(suffix));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
        if (!file.exists()) break; // the folder takes no file at all
    }
    const QString where = QDir::toNativeSeparators(folder.absolutePath());
    if (!QFileInfo(folder.absolutePath()).isWritable())
        throw FormError(QStringLiteral("Нет прав на запись в папку «%1».").arg(where));
    throw FormError(QStringLiteral("Не удалось создать файл в папке «%1».").arg(where));
}

QString moveInto(const QString& from, const QString& to, Existing existing) {
    QString target = to;
    bool moved = false;
    if (existing == Existing::Replace) {
        std::error_code failed;
        std::filesystem::rename(QFile::encodeName(from).toStdString(),
                                QFile::encodeName(to).toStdString(), failed);
        moved = !failed;
    } else {
        const QFileInfo named(to);
        QString base = named.completeBaseName(), suffix = named.suffix();
        if (suffix.isEmpty()) suffix = QFileInfo(from).suffix();
        for (int n = 1; n < 10000 && !moved; ++n) {
            target = n == 1 ? to
                            : named.dir().filePath(
                                  QStringLiteral("%1 (%2).%3").arg(base).arg(n).arg(suffix));
            moved = QFile::rename(from, target); // never replaces a file
            if (!moved && !QFile::exists(target)) break;
        }
    }
    if (!moved) {
        QFile::remove(from);
        throw FormError(QStringLiteral("Не удалось сохранить файл «%1».")
                            .arg(QDir::toNativeSeparators(target)));
    }
    return target;
}

void checkTarget(const QString& path) {
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    if (target.fileName().isEmpty())
        throw FormError(QStringLiteral("Не указано имя файла для табеля."));
    if (!folder.exists())
        throw FormError(QStringLiteral("Папка «%1» не найдена.")
                            .arg(QDir::toNativeSeparators(folder.absolutePath())));
    if (target.isDir())
        throw FormError(QStringLiteral("«%1» — это папка, а не файл.")
                            .arg(QDir::toNativeSeparators(target.absoluteFilePath())));
}

} // namespace timesheet::t13::sheet
