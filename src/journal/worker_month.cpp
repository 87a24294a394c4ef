#include "journal/worker_month.h"

#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "report_engine/layout.h"
#include "report_engine/prepare.h"
#include "report_engine/rows.h"
#include "timesheet/closed_months.h"

#include <cmath>

namespace journal {

void MonthSums::add(const MonthRecord& r) {
    pieces += r.pieces;
    rejects += r.rejects;
    hours += r.hours;
    kopecks += r.kopecks;
}

QList<QDate> WorkerMonth::days() const {
    QList<QDate> out;
    for (const MonthRecord& r : records)
        if (out.isEmpty() || out.last() != r.day) out << r.day;
    return out;
}

MonthSums WorkerMonth::dayTotals(const QDate& day) const {
    MonthSums s;
    for (const MonthRecord& r : records)
        if (r.day == day) s.add(r);
    return s;
}

MonthSums WorkerMonth::totals() const {
    MonthSums s;
    for (const MonthRecord& r : records)
        s.add(r);
    return s;
}

QString shiftName(int shift) {
    return shift == 4 ? QStringLiteral("Переработка") : QStringLiteral("Смена №%1").arg(shift);
}

WorkerMonth readWorkerMonth(data::Query& query, qint64 worker, const QString& name, int year,
                            int month, const QString& ok) {
    WorkerMonth m;
    m.worker = worker;
    m.name = name;
    m.year = year;
    m.month = month;
    const QDate first(year, month, 1);
    query.close();
    query.setSql(
        QStringLiteral(
            "select smena.data, smena.smena, izdel.marka, vid_oper.vid, oper.naimen, "
            "smena.color, smena.time, smena.kol_vo::numeric as kol_vo, smena.brak, smena.cena, "
            "%1 as summa from accounts_dep.smena, accounts_dep.izdel, accounts_dep.oper, "
            "accounts_dep.vid_oper where smena.i_id=izdel.id and smena.o_id=oper.id and "
            "oper.vid=vid_oper.id and smena.w_id=:worker and smena.data>=:date1 and "
            "smena.data<:date2 and smena.ok<>:ok order by smena.data, smena.smena, %2, %3, "
            "oper.naimen, smena.color, smena.id")
            .arg(data::sql::recordSum(), data::sql::byName(QStringLiteral("izdel.marka")),
                 data::sql::byName(QStringLiteral("vid_oper.vid"))));
    query.setParam(QStringLiteral("worker"), worker);
    query.setParam(QStringLiteral("date1"), first);
    query.setParam(QStringLiteral("date2"), first.addMonths(1));
    query.setParam(QStringLiteral("ok"), ok);
    query.open();
    data::ClosedOnExit closing{query};
    for (query.first(); !query.eof(); query.next()) {
        MonthRecord r;
        r.day = query.asDate(QStringLiteral("data"));
        r.shift = int(query.asInt(QStringLiteral("smena")));
        r.mark = query.asText(QStringLiteral("marka"));
        r.kind = query.asText(QStringLiteral("vid"));
        r.stage = query.asInt(QStringLiteral("naimen")) == 0 ? QStringLiteral("Готовая продукция")
                                                             : QStringLiteral("Заготовки");
        r.colour = query.asInt(QStringLiteral("color"));
        r.hours = query.asInt(QStringLiteral("time"));
        r.pieces = query.asFloat(QStringLiteral("kol_vo"));
        r.rejects = query.asInt(QStringLiteral("brak"));
        r.price = query.asFloat(QStringLiteral("cena"));
        r.kopecks = std::llround(query.asFloat(QStringLiteral("summa")) * 100);
        m.records << r;
    }
    return m;
}

namespace {

using namespace report;

const QColor kHeadGrey(0xF4, 0xF4, 0xF4);
const QColor kDayGrey(0xE0, 0xE0, 0xE0);
const QColor kFootGrey(0xDC, 0xDC, 0xDC);

struct Column {
    const char* field;
    const char* title;
    double width;
    Align align;
    const char* mask;
};
// landscape A4 between 10 mm margins: 277 mm
const Column kColumns[] = {
    {"shift", "Смена", 26, Align::Left, ""},    {"marka", "Марка изделия", 44, Align::Left, ""},
    {"vid", "Операция", 50, Align::Left, ""},   {"nmn", "Вид", 34, Align::Left, ""},
    {"color", "Цвет", 15, Align::Center, ""},   {"time", "Часы", 16, Align::Right, ""},
    {"kol_vo", "Кол-во", 20, Align::Right, ""}, {"brak", "Брак", 16, Align::Right, ""},
    {"cena", "Цена", 24, Align::Right, ""},     {"summa", "Итого (р.)", 32, Align::Right, "#0.00"},
};

double xOf(const char* field) {
    double x = 0;
    for (const Column& c : kColumns) {
        if (qstrcmp(c.field, field) == 0) return x;
        x += c.width;
    }
    return x;
}
double widthOf(const char* field) {
    for (const Column& c : kColumns)
        if (qstrcmp(c.field, field) == 0) return c.width;
    return 0;
}

ItemRef aligned(ItemRef item, Align align) {
    if (align == Align::Right) item.right();
    if (align == Align::Center) item.center();
    return item;
}

// The sums of the day or the month under their columns, and the caption before them.
void totalsBand(BandBuilder band, const QString& caption, bool report) {
    band.label(0, xOf("time") - 2, caption).bold().right();
    for (const char* field : {"time", "kol_vo", "brak", "summa"}) {
        ItemRef item = band.expr(xOf(field), widthOf(field),
                                 QStringLiteral("sum(%1)").arg(QLatin1String(field)));
        item.bold().right();
        if (qstrcmp(field, "summa") == 0) item.mask(QStringLiteral("#0.00"));
    }
    if (report) band.fill(kFootGrey);
}

Layout monthLayout(const WorkerMonth& m) {
    LayoutBuilder b(QPageLayout::Landscape, 10);
    b.font(QStringLiteral("Arial"), 10).title(QStringLiteral("Месяц работника"));
    const double title = 7, period = 6, captions = 6;
    auto head = b.reportHead(title + period + captions, /*repeatOnNewPage=*/true).fill(kHeadGrey);
    head.label(0, b.width(), QStringLiteral("Месяц работника: ") + m.name)
        .bold()
        .size(12)
        .top(0, title)
        .name(QStringLiteral("QRLabel1"));
    head.label(0, b.width(), timesheet::monthTitle(m.year, m.month))
        .top(title, period)
        .name(QStringLiteral("QRLabel33"));
    double x = 0;
    for (const Column& c : kColumns) {
        aligned(
            head.label(x, c.width, QString::fromUtf8(c.title)).bold().top(title + period, captions),
            c.align)
            .frame(Bottom);
        x += c.width;
    }

    b.groupHead(QStringLiteral("day"), 5.5, /*linkedToFoot=*/true)
        .fill(kDayGrey)
        .field(0, b.width(), QStringLiteral("day"))
        .bold();
    auto line = b.detail(5);
    x = 0;
    for (const Column& c : kColumns) {
        ItemRef item = aligned(line.field(x, c.width, QString::fromLatin1(c.field)), c.align);
        if (*c.mask) item.mask(QString::fromLatin1(c.mask));
        x += c.width;
    }
    totalsBand(b.groupFoot(QStringLiteral("day"), 5.5), QStringLiteral("Итого за день:"), false);
    totalsBand(b.reportFoot(6.5), QStringLiteral("Итого за месяц:"), true);
    b.pageFoot(5).expr(b.width() - 30, 30, QStringLiteral("PAGENUMBER")).right();
    return b.build();
}

} // namespace

report::Document workerMonthDocument(const WorkerMonth& m) {
    MemoryRows rows({QStringLiteral("day"), QStringLiteral("shift"), QStringLiteral("marka"),
                     QStringLiteral("vid"), QStringLiteral("nmn"), QStringLiteral("color"),
                     QStringLiteral("time"), QStringLiteral("kol_vo"), QStringLiteral("brak"),
                     QStringLiteral("cena"), QStringLiteral("summa")});
    for (const MonthRecord& r : m.records)
        rows.add({QLocale().toString(r.day, QStringLiteral("dd.MM.yyyy, dddd")), shiftName(r.shift),
                  r.mark, r.kind, r.stage, r.colour ? QVariant(r.colour) : QVariant(QString()),
                  r.hours, r.pieces, r.rejects, r.price, double(r.kopecks) / 100});
    return prepare(monthLayout(m), rows);
}

} // namespace journal
