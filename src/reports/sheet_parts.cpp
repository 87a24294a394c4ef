#include "reports/sheet_parts.h"

#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/row_check.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "data/write_engine.h"
#include "report_engine/rows.h"
#include "reports/excel.h"
#include "ui/busy_cursor.h"

#include <vector>

namespace reports {

using namespace report;

namespace {

const QString Organisation = QStringLiteral("organisation");
const QString Department = QStringLiteral("department");
const QString Money = QString::fromLatin1(data::text::MoneyMask);

const QColor TotalGrey(0xEF, 0xEF, 0xEF);
const QColor Dots(0x80, 0x80, 0x80);

// Heights, mm.
constexpr double HeadingLine = 5;
constexpr double TitleLine = 7;
constexpr double CaptionRow = 6.6;
constexpr double Line = 6.35;
constexpr double SignatureGap = 6;
constexpr double SignatureLine = 11;
constexpr double PageFoot = 4.5;

// The settings table of a database, or none in one made before it.
bool settingsThere(data::Query& control) {
    return data::lookupIn(control,
                          QStringLiteral("select (to_regclass('accounts_dep.settings') is not "
                                         "null)::int as there"),
                          QStringLiteral("there"))
               .toInt() > 0;
}

bool totalled(SheetColumn::Kind kind) {
    using K = SheetColumn::Kind;
    return kind == K::Hours || kind == K::RowHours || kind == K::Count || kind == K::Money;
}

bool money(SheetColumn::Kind kind) {
    return kind == SheetColumn::Kind::Money || kind == SheetColumn::Kind::Price;
}

// "d1+d2+…" of the Hours columns: what a RowHours column adds up.
QString rowHours(const QList<SheetColumn>& columns) {
    QStringList fields;
    for (const SheetColumn& c : columns)
        if (c.kind == SheetColumn::Kind::Hours) fields << c.field;
    return fields.isEmpty() ? QStringLiteral("0") : fields.join(u'+');
}

// What a column prints on a line, as an expression over the row.
QString lineExpression(const SheetColumn& c, const QList<SheetColumn>& columns) {
    return c.kind == SheetColumn::Kind::RowHours ? rowHours(columns) : c.field;
}

} // namespace

std::optional<Heading> storedHeading(data::Query& control) {
    if (!settingsThere(control)) return std::nullopt;
    control.close();
    control.setSql(QStringLiteral("select name, value from accounts_dep.settings where name in "
                                  "('organisation', 'department')"));
    control.open();
    data::ClosedOnExit closing{control};
    Heading h;
    for (control.first(); !control.eof(); control.next()) {
        const QString name = control.asText(QStringLiteral("name"));
        (name == Organisation ? h.organisation : h.department) =
            control.asText(QStringLiteral("value")).trimmed();
    }
    return h;
}

Heading readHeading(data::Query& control) {
    return storedHeading(control).value_or(Heading{});
}

void saveHeading(data::Query& control, const Heading& heading) {
    if (data::role() != data::Role::Full) throw data::NotAllowed();
    const QString organisation = heading.organisation.trimmed().left(255);
    const QString department = heading.department.trimmed().left(255);
    data::WritePlan plan;
    plan.parts = {data::WritePart::insert(
        QStringLiteral("accounts_dep.settings"), QStringLiteral("name, value"),
        QStringLiteral("v.name, v.value from (values ('organisation', ") +
            data::sql::quoted(organisation) + QStringLiteral("), ('department', ") +
            data::sql::quoted(department) + QStringLiteral(")) v(name, value)"))};
    plan.parts.front().tail =
        QStringLiteral("on conflict (name) do update set value=excluded.value");
    plan.landed = [&] {
        const std::optional<Heading> now = storedHeading(control);
        return now && *now == Heading{organisation, department};
    };
    const data::WriteOutcome out = data::write(control, plan);
    if (out.written()) return;
    throw data::DbError(data::lostCommitText(out.status == data::WriteOutcome::Status::LostNotSaved
                                                 ? data::LostCommit::NotSaved
                                                 : data::LostCommit::Unknown));
}

const QStringList& signatureLines() {
    static const QStringList lines{QStringLiteral("Ответственное лицо"),
                                   QStringLiteral("Руководитель структурного подразделения"),
                                   QStringLiteral("Работник кадровой службы")};
    return lines;
}

QString monthFileName(const QString& report, int year, int month) {
    return report + QStringLiteral(" %1-%2").arg(year).arg(month, 2, 10, QLatin1Char('0'));
}

QString periodFileName(const QString& report, const QDate& from, const QDate& to) {
    const QDate last = to.addDays(-1); // "по" is left out
    if (from.day() == 1 && to == from.addMonths(1))
        return monthFileName(report, from.year(), from.month());
    const QString first = from.toString(Qt::ISODate);
    if (last <= from) return report + u' ' + first;
    return report + u' ' + first + QStringLiteral(" — ") + last.toString(Qt::ISODate);
}

QString blankZero(const QString& expression) {
    const QString e = u'(' + expression + u')';
    return QStringLiteral("if(") + e + QStringLiteral("=0,'',") + e + u')';
}

void addHeading(LayoutBuilder& b, const SheetTitle& t) {
    const double w = b.width();
    auto band = b.heading(2 * HeadingLine + TitleLine + HeadingLine + 2);
    band.label(0, w, t.heading.organisation)
        .bold()
        .name(QStringLiteral("Organisation"))
        .top(0, HeadingLine);
    band.label(0, w, t.heading.department)
        .name(QStringLiteral("Department"))
        .top(HeadingLine, HeadingLine);
    band.label(0, w, t.title)
        .center()
        .bold()
        .size(12)
        .name(QStringLiteral("Title"))
        .top(2 * HeadingLine, TitleLine);
    band.label(0, w, t.period)
        .center()
        .name(QStringLiteral("Period"))
        .top(2 * HeadingLine + TitleLine, HeadingLine);
}

void addTotals(LayoutBuilder& b, double labelWidth, const QList<TotalCell>& cells) {
    const double w = b.width();
    auto foot = b.reportFoot(Line).frame(Top | Bottom);
    foot.label(0, labelWidth, QStringLiteral("Итого")).bold().name(QStringLiteral("Total"));
    for (const TotalCell& c : cells) {
        ItemRef item =
            foot.expr(c.x, c.width, blankZero(QStringLiteral("sum(") + c.expression + u')'));
        item.center().bold().fill(TotalGrey).size(c.mask.isEmpty() ? 9 : 10);
        if (!c.mask.isEmpty()) item.mask(c.mask);
    }
    // the signature lines, on the page of the totals: what is signed, the signature, the name
    foot.child(SignatureGap);
    const double label = w * 0.34, sign = w * 0.2, name = w * 0.3;
    const double signX = label + 4, nameX = signX + sign + 8;
    for (const QString& who : signatureLines()) {
        auto line = foot.child(SignatureLine);
        line.label(0, label, who).top(2, 5);
        line.label(signX, sign, QString()).frame(Bottom).top(2, 5);
        line.label(signX, sign, QStringLiteral("(подпись)")).center().size(7).top(7.2, 3.5);
        line.label(nameX, name, QString()).frame(Bottom).top(2, 5);
        line.label(nameX, name, QStringLiteral("(расшифровка подписи)"))
            .center()
            .size(7)
            .top(7.2, 3.5);
    }
}

Layout sheetLayout(const SheetTitle& title, const QList<SheetColumn>& columns) {
    LayoutBuilder b(QPageLayout::Landscape, 10);
    b.font(QStringLiteral("Arial"), 10).title(title.title);
    addHeading(b, title);

    // the columns' places: the text columns share what the others leave
    double fixed = 0;
    int shared = 0;
    for (const SheetColumn& c : columns) {
        fixed += c.width;
        if (c.width <= 0) ++shared;
    }
    const double rest = shared ? qMax(0.0, b.width() - fixed) / shared : 0;
    std::vector<double> x, width;
    double at = 0;
    for (const SheetColumn& c : columns) {
        x.push_back(at);
        width.push_back(c.width > 0 ? c.width : rest);
        at += width.back();
    }

    using K = SheetColumn::Kind;
    auto head = b.reportHead(CaptionRow, /*repeatOnNewPage=*/true).frame(Top | Bottom);
    auto line = b.detail(Line).frame(Bottom, LineStyle::Dotted, Dots);
    QList<TotalCell> totals;
    double labelWidth = 0;
    for (qsizetype i = 0; i < columns.size(); ++i) {
        const SheetColumn& c = columns[i];
        const bool day = c.kind == K::Hours;
        ItemRef caption = head.label(x[i], width[i], c.title).bold();
        if (c.kind != K::Text) caption.center().size(9); // "Итого (ч.)" fits its column
        if (day) caption.frame(Left | Right, LineStyle::Dotted, Dots);
        const QString value = lineExpression(c, columns);
        if (c.kind == K::Text) {
            line.field(x[i], width[i], c.field);
            if (totals.isEmpty()) labelWidth = x[i] + width[i];
        } else if (money(c.kind)) {
            line.expr(x[i], width[i], value).center().mask(Money);
        } else {
            ItemRef cell = line.expr(x[i], width[i], blankZero(value)).center();
            if (day)
                cell.size(9).frame(Left | Right, LineStyle::Dotted, Dots);
            else
                cell.bold();
        }
        if (totalled(c.kind))
            totals << TotalCell{x[i], width[i], value, money(c.kind) ? Money : QString()};
    }
    addTotals(b, labelWidth, totals);
    b.pageFoot(PageFoot).expr(b.width() - 30, 30, QStringLiteral("PAGENUMBER")).right();
    return b.build();
}

int writeSheetTitle(Excel& excel, const SheetTitle& t, int columns) {
    using A = Excel::Across;
    excel.ExcelWriteAcross(1, 1, 1, columns, t.heading.organisation, A::Bold);
    excel.ExcelWriteAcross(1, 2, 1, columns, t.heading.department, A::Left);
    excel.ExcelWriteAcross(1, 3, 1, columns, t.title, A::Title);
    excel.ExcelWriteAcross(1, 4, 1, columns, t.period, A::Centred);
    return 6;
}

int writeSignatures(Excel& excel, int row, int columns) {
    ++row; // a blank row under the table
    for (const QString& who : signatureLines()) {
        excel.ExcelWriteAcross(1, row, 1, columns,
                               who + QStringLiteral("   ____________________ (подпись)   "
                                                    "______________________________ "
                                                    "(расшифровка подписи)"),
                               Excel::Across::Left);
        row += 2;
    }
    return row;
}

void setSheetPage(Excel& excel, int captionRow) {
    excel.ExcelPrintLandscape(captionRow);
}

bool exportSheet(const SheetTitle& title, const QList<SheetColumn>& columns, const RowSource& rows,
                 const QString& fileName, const std::function<void(int, int)>& progress) {
    Excel& excel = sharedExcel();
    if (excel.ExcelOpen(fileName) < 0) return false;
    const int total = rows.rowCount();
    progress(0, total);
    using K = SheetColumn::Kind;
    const int count = int(columns.size());
    {
        ui::BusyCursor busy;
        int r = writeSheetTitle(excel, title, count);
        const int captions = r;
        for (int c = 0; c < count; ++c)
            excel.ExcelWriteCellFormatted(1, c + 1, r, columns[c].title, true, true, true);
        setSheetPage(excel, captions);
        std::vector<int> fields;
        for (const SheetColumn& c : columns)
            fields.push_back(c.kind == K::RowHours ? -1 : rows.fieldIndex(c.field));
        std::vector<double> sums(size_t(count), 0);
        const auto number = [&](int row, int c) {
            double x = 0;
            const Value v = fields[size_t(c)] < 0 ? Value() : rows.value(row, fields[size_t(c)]);
            return !v.isNull() && v.toNumber(x) ? x : 0;
        };
        const auto text = [](K kind, double x) {
            if (money(kind)) return data::text::masked(x, Money);
            return x == 0 ? QString() : data::text::general(x); // a day without hours is empty
        };
        for (int row = 0; row < total; ++row) {
            ++r;
            double hours = 0;
            for (int c = 0; c < count; ++c)
                if (columns[c].kind == K::Hours) hours += number(row, c);
            for (int c = 0; c < count; ++c) {
                const K kind = columns[c].kind;
                QString cell;
                if (kind == K::Text) {
                    if (fields[size_t(c)] >= 0)
                        cell = rows.value(row, fields[size_t(c)]).toString();
                } else {
                    const bool null =
                        kind != K::RowHours &&
                        (fields[size_t(c)] < 0 || rows.value(row, fields[size_t(c)]).isNull());
                    const double x = kind == K::RowHours ? hours : number(row, c);
                    if (!null) cell = text(kind, x);
                    if (totalled(kind)) sums[size_t(c)] += x;
                }
                excel.ExcelWriteCellFormatted(1, c + 1, r, cell, kind == K::Text, true, false);
            }
            progress(row + 1, total);
        }
        ++r;
        excel.ExcelWriteCellFormatted(1, 1, r, QStringLiteral("Итого"), true, true, true);
        for (int c = 0; c < count; ++c)
            if (totalled(columns[c].kind))
                excel.ExcelWriteCellFormatted(1, c + 1, r, text(columns[c].kind, sums[size_t(c)]),
                                              false, true, true);
        writeSignatures(excel, r + 1, count);
    }
    excel.ExcelSetVisible(true);
    return true;
}

} // namespace reports
