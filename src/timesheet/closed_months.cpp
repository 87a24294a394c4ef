#include "timesheet/closed_months.h"

#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

#include <QStringList>

namespace timesheet {

using data::sql::integer;

namespace {

bool tableExists(data::Query& control) {
    control.close();
    control.setSql(QStringLiteral("select ") + closedMonthTableTest() +
                   QStringLiteral(" as closable"));
    control.open();
    data::ClosedOnExit closing{control};
    return control.asInt(QStringLiteral("closable")) != 0;
}

} // namespace

QString monthTitle(int year, int month) {
    return monthNames().value(month - 1) + u' ' + QString::number(year);
}

QString closedMonthText(const ClosedMonth& m) {
    return QStringLiteral("%1 закрыт: изменения не сохранены.").arg(monthTitle(m.year, m.month));
}

QString closedMonthTableTest() {
    return QStringLiteral("(to_regclass('accounts_dep.closed_month') is not null)::int");
}

ClosedMonth firstClosed(data::Query& control, const std::set<std::pair<int, int>>& months) {
    if (months.empty()) return {};
    QStringList keys;
    for (const auto& [year, month] : months)
        keys << QStringLiteral("(%1, %2)").arg(year).arg(month);
    control.close();
    control.setSql(QStringLiteral("select year, month from accounts_dep.closed_month where "
                                  "(year, month) in (") +
                   keys.join(QStringLiteral(", ")) +
                   QStringLiteral(") order by year, month limit 1"));
    control.open();
    data::ClosedOnExit closing{control};
    if (control.isEmpty()) return {};
    return {int(control.asInt(QStringLiteral("year"))),
            int(control.asInt(QStringLiteral("month")))};
}

std::set<ClosedMonth> closedMonths(data::Query& control) {
    std::set<ClosedMonth> closed;
    if (!tableExists(control)) return closed;
    control.close();
    control.setSql(QStringLiteral("select year, month from accounts_dep.closed_month"));
    control.open();
    data::ClosedOnExit closing{control};
    for (control.first(); !control.eof(); control.next())
        closed.insert({int(control.asInt(QStringLiteral("year"))),
                       int(control.asInt(QStringLiteral("month")))});
    return closed;
}

bool isClosed(data::Query& control, int year, int month) {
    control.close();
    control.setSql(closedStatement(year, month));
    control.open();
    data::ClosedOnExit closing{control};
    return closedIn(control);
}

QString closedExpression(int year, int month) {
    // The table is looked for when the statement runs, so one text serves a database with
    // and without it: query_to_xml runs the count only where the table exists.
    return QStringLiteral("coalesce((xpath('/row/n/text()', query_to_xml(case when "
                          "to_regclass('accounts_dep.closed_month') is null then 'select 0 as n' "
                          "else 'select count(*) as n from accounts_dep.closed_month where "
                          "year=%1 and month=%2' end, false, true, '')))[1]::text::int, 0)")
        .arg(year)
        .arg(month);
}

QString closedStatement(int year, int month) {
    return QStringLiteral("select ") + closedExpression(year, month) + QStringLiteral(" as closed");
}

bool closedIn(const data::Query& query) {
    return !query.isEmpty() && query.asInt(QStringLiteral("closed")) > 0;
}

MonthChange closeMonth(data::Query& control, data::Command& command, int year, int month,
                       const QString& closedBy) {
    data::Transaction t(control.connection());
    if (!tableExists(control)) return MonthChange::NoTable;
    if (lockMonthForRebuild(control, year, month).found()) return MonthChange::Unchanged;
    command.setSql(QStringLiteral("insert into accounts_dep.closed_month(year, month, closed_by, "
                                  "closed_at) values(") +
                   integer(year) + QStringLiteral(", ") + integer(month) + QStringLiteral(", ") +
                   data::sql::quoted(closedBy.left(50)) + QStringLiteral(", localtimestamp(0))"));
    command.execute();
    t.commit();
    return MonthChange::Done;
}

MonthChange openMonth(data::Query& control, data::Command& command, int year, int month) {
    data::Transaction t(control.connection());
    if (!tableExists(control)) return MonthChange::NoTable;
    if (!lockMonthForRebuild(control, year, month).found()) return MonthChange::Unchanged;
    command.setSql(QStringLiteral("delete from accounts_dep.closed_month where year=") +
                   integer(year) + QStringLiteral(" and month=") + integer(month));
    command.execute();
    t.commit();
    return MonthChange::Done;
}

QString monthChangeText(MonthChange change, int year, int month, bool closing) {
    const QString title = monthTitle(year, month);
    switch (change) {
    case MonthChange::Done:
        return {};
    case MonthChange::Unchanged:
        return closing ? QStringLiteral("%1 уже закрыт.").arg(title)
                       : QStringLiteral("%1 не закрыт.").arg(title);
    case MonthChange::NoTable:
        return QStringLiteral("В базе данных нет таблицы закрытых месяцев "
                              "(accounts_dep.closed_month). Администратору нужно выполнить "
                              "sql/upgrade/closed_month.sql.");
    }
    return {};
}

} // namespace timesheet
