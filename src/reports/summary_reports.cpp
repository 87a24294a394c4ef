#include "reports/summary_reports.h"

#include "data/sql_text.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "reports/sheet_parts.h"
#include "ui/busy_cursor.h"

namespace reports {

namespace {

const QString PersonCode = data::sql::personCode();
// Each record's sum in kopecks, as the journal shows it: a total is what its lines add up to.
const QString ByWorker = data::sql::byName(QStringLiteral("person.s_caption"));
const QString Summa = "sum(" + data::sql::recordSum() + ") as summa";
// Products, marks and kinds of operations as Russian readers order them.
const QString ByProduct = data::sql::byName(QStringLiteral("izdel.nom"));
const QString ByMark = data::sql::byName(QStringLiteral("izdel.marka"));
const QString ByKind = data::sql::byName(QStringLiteral("vid_oper.vid"));

QString stageText(qint64 naimen) {
    return naimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки");
}

} // namespace

const QString WorkersStatement =
    QStringLiteral(
        "select person.s_caption fio, sum(smena.kol_vo-smena.brak)::numeric as kolvo, ") +
    Summa +
    QStringLiteral(",vid_oper.vid, izdel.nom, oper.naimen, "
                   "color from cmn_contractor.person person,accounts_dep.smena,accounts_dep.izdel,"
                   "accounts_dep.vid_oper, accounts_dep.oper where w_id=") +
    PersonCode +
    QStringLiteral(" and izdel.id=smena.i_id and vid_oper.id=oper.vid and oper.id=smena.o_id and "
                   "smena.data<:data2 and smena.data>=:data1 group by fio, izdel.nom, "
                   "oper.naimen, vid_oper.vid, color order by ") +
    ByWorker + QStringLiteral(", ") + ByProduct;

// One line per product name, stage, kind of operation and colour: the marks of one name
// weigh differently, and a line per weight would print lines that read the same.
const QString ProductsStatement =
    QStringLiteral(
        "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid, izdel.nom, "
        "oper.naimen, color, round(sum(izdel.massa*(smena.kol_vo-smena.brak))::numeric,2) as mass "
        "from accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
        "izdel.id=smena.i_id and vid_oper.id=oper.vid and oper.id=smena.o_id and "
        "smena.data<:data2 and smena.data>=:data1 group by izdel.nom,color, oper.naimen, "
        "vid_oper.vid order by ") +
    ByProduct + QStringLiteral(", oper.naimen, ") + ByKind + QStringLiteral(", color");

const QString WorkersDetailStatement =
    QStringLiteral("select s_caption fio, izdel.marka, vid_oper.vid, oper.naimen, "
                   "sum(smena.kol_vo)::numeric as kolvo, sum(smena.brak) as brk, ") +
    Summa +
    QStringLiteral(", color, "
                   "sum(prize*(kol_vo-brak)*cena/100) as s_prize from cmn_contractor.person "
                   "person,accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,"
                   "accounts_dep.vid_oper where smena.o_id=oper.id and smena.w_id=") +
    PersonCode +
    QStringLiteral(" and smena.i_id=izdel.id and oper.vid=vid_oper.id and smena.data<:data2 and "
                   "smena.data>=:data1 group by fio, marka, vid_oper.vid, oper.naimen, color "
                   "order by ") +
    ByWorker + QStringLiteral(", ") + ByMark + QStringLiteral(", ") + ByKind +
    QStringLiteral(", oper.naimen");

const QString ProductsDetailStatement =
    QStringLiteral(
        "select izdel.marka, vid_oper.vid vid, oper.naimen, izdel.nom, sum(smena.kol_vo)::numeric "
        "as kolvo, sum(smena.brak) as brk, ") +
    Summa +
    QStringLiteral(
        ", color, "
        "round((izdel.massa*sum(smena.kol_vo))::numeric,2) as mass from accounts_dep.izdel,"
        "accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper where smena.o_id=oper.id and "
        "smena.i_id=izdel.id and smena.o_id=oper.id and oper.vid=vid_oper.id and "
        "smena.data<:data2 and smena.data>=:data1 group by izdel.nom, marka, vid_oper.vid, "
        "oper.naimen, color,massa order by ") +
    ByProduct + QStringLiteral(", ") + ByMark + QStringLiteral(", ") + ByKind +
    QStringLiteral(", oper.naimen");

// Lines as the printed product report has them.
const QString ProductsExportStatement =
    QStringLiteral(
        "select sum(smena.kol_vo-smena.brak)::numeric as kolvo, vid_oper.vid, izdel.nom, "
        "oper.naimen, color,sum(izdel.massa*(smena.kol_vo-smena.brak)) as mass from "
        "accounts_dep.smena,accounts_dep.izdel,accounts_dep.vid_oper, accounts_dep.oper where "
        "izdel.id=smena.i_id and vid_oper.id=oper.vid and oper.id=smena.o_id and "
        "smena.data<:data2 and smena.data>=:data1 group by izdel.nom,color, oper.naimen, "
        "vid_oper.vid order by ") +
    ByProduct + QStringLiteral(", oper.naimen, ") + ByKind + QStringLiteral(", color");

Period previousMonth(const QDate& today) {
    const QDate first(today.year(), today.month(), 1);
    return {first.addMonths(-1), first};
}

PrintedReport::PrintedReport(data::Connection& connection, const QString& sql,
                             report::Layout layout)
    : query(connection), layout(std::move(layout)),
      prefix(QStringLiteral("   ") + this->layout.title + QStringLiteral(" за период с ")) {
    query.setSql(sql);
}

void openForPeriod(data::Query& query, const Period& period, ProductKind kind) {
    query.close();
    query.setParam(QStringLiteral("data1"), period.from);
    query.setParam(QStringLiteral("data2"), period.to);
    switch (kind) {
    case ProductKind::Finished:
        query.setFilter(QStringLiteral("naimen=0"));
        query.setFiltered(true);
        break;
    case ProductKind::Blanks:
        query.setFilter(QStringLiteral("naimen=1"));
        query.setFiltered(true);
        break;
    case ProductKind::All:
        query.setFiltered(false);
        break;
    }
    ui::BusyCursor busy;
    query.open();
}

QString reportTitle(const QString& prefix, const Period& period) {
    return prefix + data::text::date(period.from) + QStringLiteral(" по ") +
           data::text::date(period.to);
}

void printReport(PrintedReport& report, const Period& period, ProductKind kind) {
    data::ClosedOnExit closer{report.query};
    openForPeriod(report.query, period, kind);
    report.layout.setText(QStringLiteral("QRLabel1"), reportTitle(report.prefix, period));
    report::preview(report.layout, report.query);
}

QStringList productExportRow(const data::Query& query) {
    QString operation = query.asText(QStringLiteral("vid"));
    const qint64 colour = query.asInt(QStringLiteral("color"));
    if (colour == 1)
        operation += QStringLiteral(" (грунт)");
    else if (colour > 1)
        operation += QStringLiteral(" (цвет: %1)").arg(colour);
    return {query.asText(QStringLiteral("nom")), operation,
            stageText(query.asInt(QStringLiteral("naimen"))),
            data::sql::general(query.asFloat(QStringLiteral("mass"))),
            data::sql::integer(query.asInt(QStringLiteral("kolvo")))};
}

bool exportProducts(data::Query& query, const Period& period, ProductKind kind,
                    const std::function<void(int, int)>& progress) {
    data::ClosedOnExit closer{query};
    SheetTitle title;
    {
        data::Query control(query.connection());
        title.heading = readHeading(control);
    }
    openForPeriod(query, period, kind);
    title.title = QStringLiteral("Отчет по продукции");
    title.period = QStringLiteral("за период с ") + data::text::date(period.from) +
                   QStringLiteral(" по ") + data::text::date(period.to);
    if (kind != ProductKind::All)
        title.period += QStringLiteral(", ") + stageText(kind == ProductKind::Finished ? 0 : 1);
    if (ExcelOpen(periodFileName(title.title, period.from, period.to)) < 0) return false;
    const int total = query.recordCount();
    progress(0, total);
    {
        ui::BusyCursor busy;
        const QStringList header{QStringLiteral("Наименование"), QStringLiteral("Операция"),
                                 QStringLiteral("Вид продукции"), QStringLiteral("Коробки"),
                                 QStringLiteral("Кол-во")};
        Excel& excel = sharedExcel();
        int row = writeSheetTitle(excel, title, int(header.size()));
        setSheetPage(excel, row);
        // every column as wide as its widest text, names and operations uncut
        for (int column = 1; column <= header.size(); ++column)
            ExcelWriteCellFormatted(1, column, row, header[column - 1], false, true, false);
        const int first = ++row;
        for (query.first(); !query.eof(); query.next(), ++row) {
            const QStringList cells = productExportRow(query);
            for (int column = 1; column <= cells.size(); ++column)
                ExcelWriteCell(1, column, row, cells[column - 1]);
            progress(row - first + 1, total);
        }
    }
    ExcelSetVisible(true);
    return true;
}

} // namespace reports
