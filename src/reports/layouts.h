// The printed layouts of the program: the monthly timesheet and the four summary reports.
// Each window fills the named labels (the title "QRLabel1", the period "QRLabel33"),
// prepares the layout over its open query and previews it.
#pragma once

#include "report_engine/layout.h"
#include "reports/sheet_parts.h"

namespace reports {

// The monthly timesheet over H_Tabel (fio, sd1 … sd31), A4 landscape, under the heading of
// title, with the totals row and the signature lines.
report::Layout timesheetLayout(const SheetTitle& title = {});
// "Отчет по рабочим" over t_Report: worker, product, good pieces and sums.
report::Layout workersReportLayout();
// "Отчет по продукции" over t_Report: product, good pieces and boxes.
report::Layout productsReportLayout();
// "Детальный отчет по рабочим" over w_Report.
report::Layout workersDetailLayout();
// "Детальный отчет по продукции" over i_Report.
report::Layout productsDetailLayout();

} // namespace reports
