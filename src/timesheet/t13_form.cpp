#include "timesheet/t13_form.h"

#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <vector>
#include <xlsxwriter.h>

namespace timesheet::t13 {

using data::sql::integer;

// ---------------------------------------------------------------------------------------
// Marks

int DayMarks::total() const {
    int sum = 0;
    for (int h : hours)
        sum += h;
    return sum;
}

QString DayMarks::markText() const {
    return marks.join(u'/');
}

QString DayMarks::hoursText() const {
    QStringList texts;
    for (int h : hours)
        texts << QString::number(h);
    return texts.join(u'/');
}

DayMarks dayMarks(bool off, const std::array<int, Kinds>& hours) {
    DayMarks m;
    static const char* const letters[Kinds] = {"Я", "Н", "С"};
    int all = 0;
    for (int k = 0; k < Kinds; ++k) {
        if (hours[k] <= 0) continue;
        all += hours[k];
        if (!off) {
            m.marks << QString::fromUtf8(letters[k]);
            m.hours << hours[k];
        }
    }
    if (off) {
        if (all > 0) {
            m.marks << QStringLiteral("РВ");
            m.hours << all;
        } else {
            m.marks << QStringLiteral("В");
        }
    }
    return m;
}

int Worker::days(int half) const {
    const int from = half == 0 ? 0 : 15, to = half == 0 ? 15 : 31;
    int n = 0;
    for (int d = from; d < to; ++d)
        n += std::any_of(hours[d].begin(), hours[d].end(), [](int h) { return h > 0; });
    return n;
}

int Worker::total(int half) const {
    const int from = half == 0 ? 0 : 15, to = half == 0 ? 15 : 31;
    int sum = 0;
    for (int d = from; d < to; ++d)
        for (int h : hours[d])
            sum += qMax(h, 0);
    return sum;
}

// ---------------------------------------------------------------------------------------
// Reading

namespace {

// One row per person and kind of hours with the month's 31 day sums. Shift-hours rows name
// their worker by personnel code, household and average piece-rate rows by the person's
// key; the two branches keep each join on its index.
QString monthStatement(int year, int month) {
    const QString period = QStringLiteral(" and h.month=") + integer(month) +
                           QStringLiteral(" and h.year=") + integer(year);
    const QString kind = QStringLiteral("case when h.i_type=%1 and h.smena=4 then %2 when "
                                        "h.i_night=1 then %3 else %4 end kind, ")
                             .arg(ShiftHours)
                             .arg(Overtime)
                             .arg(Night)
                             .arg(Day);
    const QString select = QStringLiteral("select p.id, p.s_caption, p.s_code, "
                                          "a.s_staffpos_hl pos, ") +
                           kind + dayList(QStringLiteral("h.d%1"));
    // the position is kept by the department's own person, whose key the rows hold
    const QString position = QStringLiteral(" left join accounts_dep.person a on a.id=h.w_id");
    return QStringLiteral("select w.id, w.s_caption fio, w.s_code, max(w.pos) pos, w.kind, ") +
           dayList(QStringLiteral("sum(coalesce(w.d%1,0)) d%1")) + QStringLiteral(" from (") +
           select +
           QStringLiteral(" from accounts_dep.h_tabel h join cmn_contractor.person p on h.w_id=") +
           data::sql::personCode(QStringLiteral("p")) + position +
           QStringLiteral(" where h.i_type=") + integer(ShiftHours) + period +
           QStringLiteral(" union all ") + select +
           QStringLiteral(" from accounts_dep.h_tabel h join cmn_contractor.person p on "
                          "h.w_id=p.id") +
           position + QStringLiteral(" where h.i_type in (") + integer(Household) + u',' +
           integer(AveragePiece) + u')' + period +
           QStringLiteral(") w group by w.id, w.s_caption, w.s_code, w.kind order by fio, "
                          "w.id, w.kind");
}

} // namespace

Month readMonth(data::Query& query, int year, int month) {
    if (month < 1 || month > 12 || !QDate(year, month, 1).isValid())
        throw FormError(QStringLiteral("Неверный месяц: %1.%2.").arg(month).arg(year));
    Month m;
    m.year = year;
    m.month = month;
    const int days = m.first().daysInMonth();
    query.close();
    query.setSql(monthStatement(year, month));
    data::Query calendar(query.connection());
    calendar.setSql(calendarStatement(m.first(), m.last()));
    data::openTogether({&query, &calendar});
    data::ClosedOnExit closing{query};
    m.daysOff = takeDaysOff(calendar);
    QString person;
    Worker* w = nullptr;
    for (query.first(); !query.eof(); query.next()) {
        const QString id = query.asText(QStringLiteral("id"));
        if (!w || id != person) {
            // a person whose rows hold no hours at all is no worker of the month
            if (w && w->total(0) + w->total(1) == 0) m.workers.removeLast();
            person = id;
            m.workers.append(Worker{});
            w = &m.workers.last();
            w->name = query.asText(QStringLiteral("fio"));
            w->code = query.asText(QStringLiteral("s_code"));
            w->position = query.asText(QStringLiteral("pos")).trimmed();
        }
        const int kind = int(query.asInt(QStringLiteral("kind")));
        if (kind < 0 || kind >= Kinds) continue;
        for (int d = 1; d <= days; ++d)
            w->hours[d - 1][kind] += int(query.asInt(QStringLiteral("d%1").arg(d)));
    }
    if (w && w->total(0) + w->total(1) == 0) m.workers.removeLast();
    return m;
}

// ---------------------------------------------------------------------------------------
// Writing

namespace {

// Columns of the sheet, 0-based.
enum Column : lxw_col_t {
    Number = 0,
    Name = 1,
    Code = 2,
    FirstDay = 3,              // 16 day columns: days 1–15 and a crossed one, then 16–31
    HalfTotal = FirstDay + 16, // days and hours of each half
    MonthDays = HalfTotal + 1,
    MonthHours = MonthDays + 1,
    LastColumn = MonthHours
};

QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// The font of the form: metric-compatible with Arial, in which the unified forms are
// printed, and found on every desktop; the column widths and row heights are chosen for it.
constexpr char FontName[] = "Liberation Sans";

// The formats of the form, thin borders in the table.
struct Formats {
    explicit Formats(lxw_workbook* book) : book_(book) {
        text = make(8);
        right = make(8);
        format_set_align(right, LXW_ALIGN_RIGHT);
        format_set_align(right, LXW_ALIGN_VERTICAL_CENTER);
        line = make(8);
        format_set_bottom(line, LXW_BORDER_THIN);
        format_set_align(line, LXW_ALIGN_CENTER);
        caption = make(6);
        format_set_align(caption, LXW_ALIGN_CENTER);
        format_set_align(caption, LXW_ALIGN_VERTICAL_TOP);
        small = make(6);
        format_set_align(small, LXW_ALIGN_RIGHT);
        title = make(11);
        format_set_bold(title);
        format_set_align(title, LXW_ALIGN_CENTER);
        format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
        box = boxed(7);
        format_set_text_wrap(box);
        value = boxed(8);
        format_set_shrink(value);
        boldValue = boxed(8);
        format_set_bold(boldValue);
        name = boxed(8);
        format_set_align(name, LXW_ALIGN_LEFT);
        format_set_text_wrap(name);
        totalLabel = boxed(8);
        format_set_bold(totalLabel);
        format_set_align(totalLabel, LXW_ALIGN_RIGHT);
        code = boxed(8);
        format_set_bold(code);
    }
    lxw_format *text, *right, *line, *caption, *small, *title, *box, *value, *boldValue, *name,
        *totalLabel, *code;

private:
    lxw_format* make(double size) {
        lxw_format* f = workbook_add_format(book_);
        format_set_font_name(f, FontName);
        format_set_font_size(f, size);
        return f;
    }
    lxw_format* boxed(double size) {
        lxw_format* f = make(size);
        format_set_border(f, LXW_BORDER_THIN);
        format_set_align(f, LXW_ALIGN_CENTER);
        format_set_align(f, LXW_ALIGN_VERTICAL_CENTER);
        return f;
    }
    lxw_workbook* book_;
};

// The sheet's writes; the first failure is kept and reported when the book is closed.
class Sheet {
public:
    explicit Sheet(lxw_worksheet* s) : s_(s) {}
    void text(lxw_row_t r, lxw_col_t c, const QString& t, lxw_format* f) {
        keep(worksheet_write_string(s_, r, c, utf8(t).constData(), f));
    }
    void number(lxw_row_t r, lxw_col_t c, double v, lxw_format* f) {
        keep(worksheet_write_number(s_, r, c, v, f));
    }
    void merge(lxw_row_t r1, lxw_col_t c1, lxw_row_t r2, lxw_col_t c2, const QString& t,
               lxw_format* f) {
        if (r1 == r2 && c1 == c2) return text(r1, c1, t, f);
        keep(worksheet_merge_range(s_, r1, c1, r2, c2, utf8(t).constData(), f));
    }
    // A merged block holding a number.
    void mergeNumber(lxw_row_t r1, lxw_col_t c1, lxw_row_t r2, lxw_col_t c2, double v,
                     lxw_format* f) {
        merge(r1, c1, r2, c2, QString(), f);
        number(r1, c1, v, f);
    }
    // Hours: one figure as a number, several joined ("8/2") as a text.
    void hours(lxw_row_t r, lxw_col_t c, const DayMarks& m, lxw_format* f) {
        if (m.hours.size() == 1)
            number(r, c, m.hours.first(), f);
        else
            text(r, c, m.hoursText(), f);
    }
    void keep(lxw_error e) {
        if (failed == LXW_NO_ERROR) failed = e;
    }
    lxw_worksheet* sheet() const { return s_; }
    lxw_error failed = LXW_NO_ERROR;

private:
    lxw_worksheet* s_;
};

const QString Cross = QStringLiteral("X");

lxw_row_t writeHeading(Sheet& s, const Formats& f, const Month& month, const Heading& heading) {
    s.merge(0, 13, 0, LastColumn, QStringLiteral("Унифицированная форма № Т-13"), f.right);
    s.merge(1, 10, 1, LastColumn,
            QStringLiteral("Утверждена постановлением Госкомстата России от 05.01.2004 № 1"),
            f.small);
    s.merge(2, HalfTotal, 2, LastColumn, QStringLiteral("Код"), f.box);
    s.merge(3, Number, 3, 13, heading.organisation, f.line);
    s.merge(3, 14, 3, FirstDay + 15, QStringLiteral("Форма по ОКУД"), f.right);
    s.merge(3, HalfTotal, 3, LastColumn, QStringLiteral("0301008"), f.code);
    s.merge(4, Number, 4, 13, QStringLiteral("(наименование организации)"), f.caption);
    s.merge(4, 14, 4, FirstDay + 15, QStringLiteral("по ОКПО"), f.right);
    s.merge(4, HalfTotal, 4, LastColumn, QString(), f.code);
    s.merge(5, Number, 5, 13, heading.department, f.line);
    s.merge(6, Number, 6, 13, QStringLiteral("(структурное подразделение)"), f.caption);

    const QDate compiled = heading.compiled.isValid() ? heading.compiled : QDate::currentDate();
    s.merge(8, Number, 9, 7, QStringLiteral("ТАБЕЛЬ учета рабочего времени"), f.title);
    s.merge(8, 8, 8, 10, QStringLiteral("Номер документа"), f.box);
    s.merge(8, 11, 8, 13, QStringLiteral("Дата составления"), f.box);
    s.merge(8, 14, 8, LastColumn, QStringLiteral("Отчетный период"), f.box);
    s.merge(9, 8, 9, 10, QString(), f.value);
    s.merge(9, 11, 9, 13, data::text::date(compiled), f.value);
    s.merge(9, 14, 9, LastColumn,
            QStringLiteral("с ") + data::text::date(month.first()) + QStringLiteral(" по ") +
                data::text::date(month.last()),
            f.value);

    const DaysOff::Norm norm = month.daysOff.monthNorm(month.year, month.month);
    s.merge(10, 8, 10, LastColumn,
            QStringLiteral("Норма рабочего времени за месяц: %1 дн., %2 ч.")
                .arg(norm.days)
                .arg(norm.hours),
            f.right);

    // the table's head
    const lxw_row_t h = 11;
    s.merge(h, Number, h + 2, Number, QStringLiteral("Номер по порядку"), f.box);
    s.merge(h, Name, h + 2, Name,
            QStringLiteral("Фамилия, инициалы, должность (специальность, профессия)"), f.box);
    s.merge(h, Code, h + 2, Code, QStringLiteral("Табельный номер"), f.box);
    s.merge(h, FirstDay, h, FirstDay + 15,
            QStringLiteral("Отметки о явках и неявках на работу по числам месяца"), f.box);
    s.merge(h, HalfTotal, h, LastColumn, QStringLiteral("Отработано за"), f.box);
    for (int d = 1; d <= 15; ++d)
        s.number(h + 1, FirstDay + d - 1, d, f.box);
    s.text(h + 1, FirstDay + 15, Cross, f.box);
    for (int d = 16; d <= 31; ++d)
        s.number(h + 2, FirstDay + d - 16, d, f.box);
    s.merge(h + 1, HalfTotal, h + 2, HalfTotal, QStringLiteral("половину месяца (I, II)"), f.box);
    s.merge(h + 1, MonthDays, h + 1, MonthHours, QStringLiteral("месяц"), f.box);
    s.text(h + 2, MonthDays, QStringLiteral("дни"), f.box);
    s.text(h + 2, MonthHours, QStringLiteral("часы"), f.box);
    s.number(h + 3, Number, 1, f.box);
    s.number(h + 3, Name, 2, f.box);
    s.number(h + 3, Code, 3, f.box);
    s.mergeNumber(h + 3, FirstDay, h + 3, FirstDay + 15, 4, f.box);
    s.number(h + 3, HalfTotal, 5, f.box);
    s.mergeNumber(h + 3, MonthDays, h + 3, MonthHours, 6, f.box);
    return h + 4;
}

// Four lines: marks of days 1–15, their hours, marks of days 16 on, their hours.
void writeWorker(Sheet& s, const Formats& f, lxw_row_t r, int number, const Worker& w,
                 const Month& month) {
    const int days = month.first().daysInMonth();
    s.mergeNumber(r, Number, r + 3, Number, number, f.value);
    s.merge(r, Name, r + 3, Name, w.position.isEmpty() ? w.name : w.name + u'\n' + w.position,
            f.name);
    s.merge(r, Code, r + 3, Code, w.code, f.value);
    for (int d = 1; d <= 31; ++d) {
        const lxw_row_t line = d <= 15 ? r : r + 2;
        const lxw_col_t c = FirstDay + (d <= 15 ? d - 1 : d - 16);
        if (d > days) {
            s.merge(line, c, line + 1, c, Cross, f.value);
            continue;
        }
        const DayMarks m =
            dayMarks(month.daysOff.isOff(month.first().addDays(d - 1)), w.hours[d - 1]);
        s.text(line, c, m.markText(), f.value);
        if (m.worked())
            s.hours(line + 1, c, m, f.value);
        else
            s.text(line + 1, c, QString(), f.value);
    }
    s.merge(r, FirstDay + 15, r + 1, FirstDay + 15, Cross, f.value);
    for (int half = 0; half < 2; ++half) {
        s.number(r + 2 * half, HalfTotal, w.days(half), f.value);
        s.number(r + 2 * half + 1, HalfTotal, w.total(half), f.value);
    }
    s.mergeNumber(r, MonthDays, r + 3, MonthDays, w.days(0) + w.days(1), f.boldValue);
    s.mergeNumber(r, MonthHours, r + 3, MonthHours, w.total(0) + w.total(1), f.boldValue);
}

void writeSignatures(Sheet& s, const Formats& f, lxw_row_t r) {
    for (const char* who : {"Ответственное лицо", "Руководитель структурного подразделения",
                            "Работник кадровой службы"}) {
        s.merge(r, Number, r, Code, QString::fromUtf8(who), f.text);
        s.merge(r, FirstDay, r, FirstDay + 4, QString(), f.line);
        s.merge(r, FirstDay + 6, r, FirstDay + 8, QString(), f.line);
        s.merge(r, FirstDay + 10, r, FirstDay + 15, QString(), f.line);
        s.merge(r, HalfTotal, r, LastColumn, QStringLiteral("«____» ____________ 20___ г."),
                f.text);
        s.merge(r + 1, FirstDay, r + 1, FirstDay + 4, QStringLiteral("(должность)"), f.caption);
        s.merge(r + 1, FirstDay + 6, r + 1, FirstDay + 8, QStringLiteral("(личная подпись)"),
                f.caption);
        s.merge(r + 1, FirstDay + 10, r + 1, FirstDay + 15, QStringLiteral("(расшифровка подписи)"),
                f.caption);
        r += 3;
    }
}

// Heights of the rows in points: the title's two rows and the table head's first row are
// taller than the rest.
constexpr double RowHeight = 11.25;
constexpr double TitleRowHeight = 15;
constexpr double HeadRowHeight = 24;
constexpr lxw_row_t TableHead = 11; // its four rows are repeated on every page
constexpr double HeadHeight = HeadRowHeight + 3 * RowHeight;
constexpr double HeadingHeight = (TableHead - 2) * RowHeight + 2 * TitleRowHeight;
constexpr double WorkerHeight = 4 * RowHeight;
// the department's total, a blank row, three signatures of two rows with a blank between
constexpr double EndHeight = 10 * RowHeight;

// The page: A4 landscape, its margins in inches, and what it holds within them in points,
// less a little for the spreadsheet program's rounding.
constexpr double PageWidth = 842 - 2 * 72 * 0.4;
constexpr double PageHeight = 595 - 72 * (0.5 + 0.6) - 10;

// Widths of the columns in characters of the workbook's font (Liberation Sans 10, 7 pixels a
// digit, as Calibri 11): the sheet keeps them so, and they take 5 pixels of padding more.
constexpr double NumberWidth = 4.5, NameWidth = 29, CodeWidth = 7, DayWidth = 4.5, HalfWidth = 7,
                 MonthWidth = 5;
constexpr double points(double characters) {
    return (characters * 7 + 5) * 0.75;
}
constexpr double TableWidth = points(NumberWidth) + points(NameWidth) + points(CodeWidth) +
                              16 * points(DayWidth) + points(HalfWidth) + 2 * points(MonthWidth);
static_assert(TableWidth <= PageWidth, "the form is one page wide at full size");

// The sheet's limit of page breaks.
constexpr int MostBreaks = 1023;

// breaks: the rows that begin a page; kept by the caller until the book is closed.
void setUpPage(Sheet& s, std::vector<lxw_row_t>& breaks) {
    lxw_worksheet* ws = s.sheet();
    s.keep(worksheet_set_column(ws, Number, Number, NumberWidth, nullptr));
    s.keep(worksheet_set_column(ws, Name, Name, NameWidth, nullptr));
    s.keep(worksheet_set_column(ws, Code, Code, CodeWidth, nullptr));
    s.keep(worksheet_set_column(ws, FirstDay, FirstDay + 15, DayWidth, nullptr));
    s.keep(worksheet_set_column(ws, HalfTotal, HalfTotal, HalfWidth, nullptr));
    s.keep(worksheet_set_column(ws, MonthDays, MonthHours, MonthWidth, nullptr));
    worksheet_set_default_row(ws, RowHeight, LXW_FALSE);
    s.keep(worksheet_set_row(ws, TableHead, HeadRowHeight, nullptr));
    s.keep(worksheet_set_row(ws, 8, TitleRowHeight, nullptr));
    s.keep(worksheet_set_row(ws, 9, TitleRowHeight, nullptr));
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, 9); // A4
    worksheet_set_margins(ws, 0.4, 0.4, 0.5, 0.6);
    // One page wide: the table fits at full size in this font; where another font makes it
    // wider, the spreadsheet program shrinks it rather than print the last days on pages of
    // their own. The breaks keep a worker's lines together and the end with the last workers.
    worksheet_fit_to_pages(ws, 1, 0);
    if (!breaks.empty()) {
        breaks.push_back(0); // the sheet's end of the list
        s.keep(worksheet_set_h_pagebreaks(ws, breaks.data()));
    }
    worksheet_center_horizontally(ws);
    s.keep(worksheet_repeat_rows(ws, TableHead, TableHead + 3));
    s.keep(worksheet_set_footer(ws, "&C&\"Liberation Sans\"&8Страница &P из &N"));
}

// The workbook's own font (its "Normal" style), in which a spreadsheet program measures the
// column widths: Liberation Sans 10 instead of libxlsxwriter's Calibri, which a Debian
// desktop lacks.
void setBookFont(lxw_workbook* book) {
    lxw_format* normal = STAILQ_FIRST(book->formats);
    format_set_font_name(normal, FontName);
    format_set_font_size(normal, 10);
    format_set_font_scheme(normal, "");
}

// A new, empty file of the user's usual permissions in folder; its path.
QString newFileIn(const QDir& folder, const QString& base) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QString path = folder.filePath(
            QStringLiteral(".~%1.%2.xlsx")
                .arg(base)
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
        QFile file(path);
        if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) return path;
        if (!file.exists()) break; // the folder takes no file at all
    }
    const QString where = QDir::toNativeSeparators(folder.absolutePath());
    if (!QFileInfo(folder.absolutePath()).isWritable())
        throw FormError(QStringLiteral("Нет прав на запись в папку «%1».").arg(where));
    throw FormError(QStringLiteral("Не удалось создать файл в папке «%1».").arg(where));
}

// Gives the written file at from the name to; the file is removed when that fails.
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
        if (suffix.isEmpty()) suffix = QStringLiteral("xlsx");
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

} // namespace

int workersPerPage() {
    const int first = int((PageHeight - HeadingHeight - HeadHeight) / WorkerHeight);
    const int last = int((PageHeight - HeadHeight - EndHeight) / WorkerHeight);
    return qMax(1, qMin(first, last));
}

int pageCount(int workers) {
    const int perPage = workersPerPage();
    return qMax(1, (workers + perPage - 1) / perPage);
}

QString writeMonth(const Month& month, const Heading& heading, const QString& path,
                   Existing existing, const Progress& progress) {
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
    const QString written = newFileIn(folder, target.completeBaseName());

    lxw_workbook* book = workbook_new(QFile::encodeName(written).constData());
    if (!book) {
        QFile::remove(written);
        throw FormError(QStringLiteral("Не хватает памяти для новой книги."));
    }
    lxw_error closed = LXW_NO_ERROR;
    setBookFont(book);
    Sheet s(workbook_add_worksheet(book, "Т-13"));
    std::vector<lxw_row_t> breaks;
    try {
        const Formats f(book);
        lxw_row_t r = writeHeading(s, f, month, heading);
        const int count = int(month.workers.size());
        const int perPage = workersPerPage();
        int days = 0, hours = 0;
        for (int i = 0; i < count; ++i, r += 4) {
            const Worker& w = month.workers[i];
            if (i > 0 && i % perPage == 0 && int(breaks.size()) < MostBreaks - 1)
                breaks.push_back(r);
            writeWorker(s, f, r, i + 1, w, month);
            days += w.days(0) + w.days(1);
            hours += w.total(0) + w.total(1);
            if (progress) progress(i + 1, count);
        }
        s.merge(r, Number, r, HalfTotal, QStringLiteral("Итого по подразделению"), f.totalLabel);
        s.number(r, MonthDays, days, f.boldValue);
        s.number(r, MonthHours, hours, f.boldValue);
        writeSignatures(s, f, r + 2);
        setUpPage(s, breaks);
    } catch (...) {
        workbook_close(book);
        QFile::remove(written);
        throw;
    }
    closed = workbook_close(book);
    if (s.failed != LXW_NO_ERROR || closed != LXW_NO_ERROR) {
        QFile::remove(written);
        throw FormError(QStringLiteral("Не удалось записать табель в папку «%1»: %2")
                            .arg(QDir::toNativeSeparators(folder.absolutePath()),
                                 QString::fromUtf8(
                                     lxw_strerror(s.failed != LXW_NO_ERROR ? s.failed : closed))));
    }
    return moveInto(written, target.absoluteFilePath(), existing);
}

QString writeForm(data::Query& query, int year, int month, const Heading& heading,
                  const QString& path, Existing existing, const Progress& progress) {
    return writeMonth(readMonth(query, year, month), heading, path, existing, progress);
}

} // namespace timesheet::t13
