#include "timesheet/t13_form.h"

#include "timesheet/t13_pdf.h"
#include "timesheet/t13_sheet.h"

#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
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
           QStringLiteral(") w group by w.id, w.s_caption, w.s_code, w.kind order by ") +
           data::sql::byName(QStringLiteral("w.s_caption")) + QStringLiteral(", w.id, w.kind");
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

using sheet::Style;

QByteArray utf8(const QString& s) {
    return s.toUtf8();
}

// The workbook's formats of the cells' styles, thin borders in the table.
class Formats {
public:
    explicit Formats(lxw_workbook* book) : book_(book) {
        add(Style::Text, make(8));
        lxw_format* right = add(Style::Right, make(8));
        format_set_align(right, LXW_ALIGN_RIGHT);
        format_set_align(right, LXW_ALIGN_VERTICAL_CENTER);
        lxw_format* line = add(Style::Line, make(8));
        format_set_bottom(line, LXW_BORDER_THIN);
        format_set_align(line, LXW_ALIGN_CENTER);
        lxw_format* caption = add(Style::Caption, make(6));
        format_set_align(caption, LXW_ALIGN_CENTER);
        format_set_align(caption, LXW_ALIGN_VERTICAL_TOP);
        lxw_format* small = add(Style::Small, make(6));
        format_set_align(small, LXW_ALIGN_RIGHT);
        lxw_format* title = add(Style::Title, make(11));
        format_set_bold(title);
        format_set_align(title, LXW_ALIGN_CENTER);
        format_set_align(title, LXW_ALIGN_VERTICAL_CENTER);
        format_set_text_wrap(add(Style::Box, boxed(7)));
        format_set_shrink(add(Style::Value, boxed(8)));
        format_set_bold(add(Style::BoldValue, boxed(8)));
        lxw_format* name = add(Style::Name, boxed(8));
        format_set_align(name, LXW_ALIGN_LEFT);
        format_set_text_wrap(name);
        lxw_format* total = add(Style::TotalLabel, boxed(8));
        format_set_bold(total);
        format_set_align(total, LXW_ALIGN_RIGHT);
        format_set_bold(add(Style::Code, boxed(8)));
    }
    lxw_format* operator[](Style s) const { return formats_[size_t(s)]; }

private:
    lxw_format* add(Style s, lxw_format* f) {
        if (formats_.size() <= size_t(s)) formats_.resize(size_t(s) + 1, nullptr);
        formats_[size_t(s)] = f;
        return f;
    }
    lxw_format* make(double size) {
        lxw_format* f = workbook_add_format(book_);
        format_set_font_name(f, sheet::FontName);
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
    std::vector<lxw_format*> formats_;
};

// The sheet's writes; the first failure is kept and reported when the book is closed.
class Sheet {
public:
    explicit Sheet(lxw_worksheet* s) : s_(s) {}
    void put(const sheet::Cell& c, const Formats& f) {
        lxw_format* format = f[c.style];
        if (c.merged())
            keep(worksheet_merge_range(s_, lxw_row_t(c.row), lxw_col_t(c.column),
                                       lxw_row_t(c.lastRow), lxw_col_t(c.lastColumn),
                                       c.number ? "" : utf8(c.text).constData(), format));
        if (c.number)
            keep(worksheet_write_number(s_, lxw_row_t(c.row), lxw_col_t(c.column), *c.number,
                                        format));
        else if (!c.merged())
            keep(worksheet_write_string(s_, lxw_row_t(c.row), lxw_col_t(c.column),
                                        utf8(c.text).constData(), format));
    }
    void keep(lxw_error e) {
        if (failed == LXW_NO_ERROR) failed = e;
    }
    lxw_worksheet* sheet() const { return s_; }
    lxw_error failed = LXW_NO_ERROR;

private:
    lxw_worksheet* s_;
};

// The sheet's limit of page breaks.
constexpr int MostBreaks = 1023;

// breaks: the rows that begin a page; kept by the caller until the book is closed.
void setUpPage(Sheet& s, std::vector<lxw_row_t>& breaks) {
    lxw_worksheet* ws = s.sheet();
    for (int c = 0; c < sheet::Columns; ++c)
        s.keep(worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), sheet::columnCharacters(c),
                                    nullptr));
    worksheet_set_default_row(ws, sheet::rowPoints(sheet::FirstWorkerRow), LXW_FALSE);
    for (int r = 0; r < sheet::TableHead + 1; ++r)
        if (sheet::rowPoints(r) != sheet::rowPoints(sheet::FirstWorkerRow))
            s.keep(worksheet_set_row(ws, lxw_row_t(r), sheet::rowPoints(r), nullptr));
    worksheet_set_landscape(ws);
    worksheet_set_paper(ws, 9); // A4
    worksheet_set_margins(ws, sheet::LeftMargin, sheet::RightMargin, sheet::TopMargin,
                          sheet::BottomMargin);
    // One page wide: the table fits at full size in this font; where another font makes it
    // wider, the spreadsheet program shrinks it rather than print the last days on pages of
    // their own. The breaks keep a worker's lines together and the end with the last workers.
    worksheet_fit_to_pages(ws, 1, 0);
    if (!breaks.empty()) {
        breaks.push_back(0); // the sheet's end of the list
        s.keep(worksheet_set_h_pagebreaks(ws, breaks.data()));
    }
    worksheet_center_horizontally(ws);
    s.keep(
        worksheet_repeat_rows(ws, sheet::TableHead, sheet::TableHead + sheet::TableHeadRows - 1));
    s.keep(worksheet_set_footer(ws, "&C&\"Liberation Sans\"&8Страница &P из &N"));
}

// The workbook's own font (its "Normal" style), in which a spreadsheet program measures the
// column widths: Liberation Sans 10 instead of libxlsxwriter's Calibri, which a Debian
// desktop lacks.
void setBookFont(lxw_workbook* book) {
    lxw_format* normal = STAILQ_FIRST(book->formats);
    format_set_font_name(normal, sheet::FontName);
    format_set_font_size(normal, 10);
    format_set_font_scheme(normal, "");
}

bool isPdfName(const QString& path) {
    return path.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
}

} // namespace

QString writeMonth(const Month& month, const Heading& heading, const QString& path,
                   Existing existing, const Progress& progress) {
    if (isPdfName(path)) return writePdf(month, heading, path, existing, progress);
    sheet::checkTarget(path);
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const sheet::Grid grid = sheet::layOut(month, heading, progress);
    const QString written = sheet::newFileIn(folder, target.completeBaseName(), "xlsx");

    lxw_workbook* book = workbook_new(QFile::encodeName(written).constData());
    if (!book) {
        QFile::remove(written);
        throw FormError(QStringLiteral("Не хватает памяти для новой книги."));
    }
    lxw_error closed = LXW_NO_ERROR;
    setBookFont(book);
    Sheet s(workbook_add_worksheet(book, "Т-13"));
    std::vector<lxw_row_t> breaks;
    for (int r : grid.breaks)
        if (int(breaks.size()) < MostBreaks - 1) breaks.push_back(lxw_row_t(r));
    try {
        const Formats f(book);
        for (const sheet::Cell& c : grid.cells)
            s.put(c, f);
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
    return sheet::moveInto(written, target.absoluteFilePath(), existing);
}

QString writeForm(data::Query& query, int year, int month, const Heading& heading,
                  const QString& path, Existing existing, const Progress& progress) {
    return writeMonth(readMonth(query, year, month), heading, path, existing, progress);
}

} // namespace timesheet::t13
