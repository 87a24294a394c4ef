// Generated datasets in the shape of the printed reports' queries.
#pragma once

#include "report_engine/rows.h"

namespace bench {

// Rows of "Отчет по рабочим": `workers` workers, each with products of ten lines,
// `rows` lines in all; stages, colours (none, primer, RAL) and exact decimals as text.
report::MemoryRows workerRows(int rows, int workers);
// Rows of "Отчет по продукции".
report::MemoryRows productRows(int rows, int products);
// Rows of the detailed reports, by worker and by product.
report::MemoryRows workerDetailRows(int rows, int workers);
report::MemoryRows productDetailRows(int rows, int products);
// Rows of the timesheet: one per worker, hours on working days, nothing on days off.
report::MemoryRows timesheetRows(int workers);

// Writes any of them as CSV with a header line.
bool writeCsv(const report::MemoryRows& rows, const QStringList& fields, const QString& path);

} // namespace bench
