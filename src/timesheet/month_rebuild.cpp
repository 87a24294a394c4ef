#include "timesheet/month_rebuild.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

#include <QStringList>

namespace timesheet {

using data::sql::integer;

namespace {

// ISO date literals are constants to the planner, whatever the session's DateStyle.
QString dateLiteral(const QDate& d) {
    return QStringLiteral("date '%1'").arg(d.toString(Qt::ISODate));
}

// One row per worker and shift; a cell is null on days without records and counts a
// record without hours as 0, as the posting does. A record without a shift has no row.
QString insertStatement(int year, int month) {
    const MonthPeriod period = monthPeriod(year, month);
    QStringList columns, cells;
    for (int day = 1; day <= period.days(); ++day) {
        columns << QStringLiteral("d%1").arg(day);
        cells << QStringLiteral("sum(coalesce(time,0)) filter (where data=%1)")
                     .arg(dateLiteral(period.first.addDays(day - 1)));
    }
    return QStringLiteral("insert into accounts_dep.h_tabel(smena, w_id, month, year, ") +
           columns.join(QStringLiteral(", ")) + QStringLiteral(") select smena, w_id, ") +
           integer(month) + QStringLiteral(", ") + integer(year) + QStringLiteral(", ") +
           cells.join(QStringLiteral(", ")) +
           QStringLiteral(" from accounts_dep.smena where data>=") + dateLiteral(period.first) +
           QStringLiteral(" and data<") + dateLiteral(period.next) +
           QStringLiteral(" and w_id is not null and smena is not null group by smena, w_id");
}

} // namespace

void rebuildMonth(data::Query& control, data::Command& command, int year, int month,
                  const std::function<void(int step)>& progress) {
    auto step = [&](int n) {
        if (progress) progress(n);
    };
    data::Transaction t(control.connection());
    lockMonthForRebuild(control, year, month);
    step(1);
    command.setSql(QStringLiteral("delete from accounts_dep.h_tabel where month=") +
                   integer(month) + QStringLiteral(" and year=") + integer(year) +
                   QStringLiteral(" and i_type=0"));
    command.execute();
    step(2);
    command.setSql(insertStatement(year, month));
    command.execute();
    step(3);
    t.commit();
}

void rebuildMonth(int year, int month, const std::function<void(int step)>& progress) {
    rebuildMonth(DataModule6->Control, DataModule6->DelSmena, year, month, progress);
}

} // namespace timesheet
