// The period's summary reports, one way: the reports window hands over the period and the
// kind of product; a report's query gets the period as its parameters and the kind as a
// filter on the fetched rows, is opened, printed through its layout (title, prepare,
// preview) or written row by row into a workbook, and is closed again whatever happens.
#pragma once

#include "data/query.h"
#include "report_engine/layout.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>

namespace reports {

// Items of "Вид продукции".
enum class ProductKind { All = 0, Finished = 1, Blanks = 2 };

// Records dated from `from` on and before `to`: the "по" day itself is left out.
struct Period {
    QDate from;
    QDate to;
};

// The whole calendar month before the one of today.
Period previousMonth(const QDate& today);

// Statements with the parameters data1 and data2. Shift records reach a person through the
// person's code; codes that are no whole number match no record instead of failing the
// statement.
extern const QString WorkersStatement;  // t_Report of "Отчет по рабочим"
extern const QString ProductsStatement; // t_Report of "Отчет по продукции"
extern const QString WorkersDetailStatement; // w_Report of "Детальный отчет по рабочим"
extern const QString ProductsDetailStatement; // i_Report of "Детальный отчет по продукции"
extern const QString ProductsExportStatement; // XLS_Rep of the product report to a workbook

// A printed report: its query, its layout and the opening words of its title, made of the
// layout's name ("   Отчет по рабочим за период с ").
struct PrintedReport {
    PrintedReport(data::Connection& connection, const QString& sql, report::Layout layout);
    data::Query query;
    report::Layout layout;
    QString prefix;
};

// Sets the period, sets the kind's filter afresh (off for all kinds) and opens the query.
void openForPeriod(data::Query& query, const Period& period, ProductKind kind);

// The prefix followed by "01.01.2024 по 01.02.2024".
QString reportTitle(const QString& prefix, const Period& period);

// Prints one report of the period: returns when its preview is closed.
void printReport(PrintedReport& report, const Period& period, ProductKind kind);

// The five cells of the product report's row at the query's current row.
QStringList productExportRow(const data::Query& query);

// Writes the product report of the period into a new workbook and shows it. progress(r, n)
// is called with 0 rows of n once the workbook is begun and after every row written.
// Returns false when no workbook could be begun (the component has said why).
bool exportProducts(data::Query& query, const Period& period, ProductKind kind,
                    const std::function<void(int written, int total)>& progress);

} // namespace reports
