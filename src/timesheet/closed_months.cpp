#include "timesheet/closed_months.h"

#include "data/db_error.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_month.h"

#include <QStringList>

namespace timesheet {

using data::sql::integer;

namespace {

// A close or open of the month, under its exclusive lock; refused (Unchanged) when the month
// is already as asked.
MonthChange changed(data::Query& control, int year, int month, bool closing,
                    const data::WritePart& part) {
    data::WritePlan plan;
    plan.months = {{year, month}};
    plan.exclusiveMonths = true;
    plan.intoClosedMonth = !closing;
    if (!closing) plan.refusals = {{QStringLiteral("closed is null"), int(MonthChange::Unchanged)}};
    plan.parts = {part};
    const QString there = QStringLiteral("select count(*) as cnt from accounts_dep.closed_month "
                                         "where year=") +
                          integer(year) + QStringLiteral(" and month=") + integer(month);
    plan.landed = [&] {
        return (data::lookupIn(control, there, QStringLiteral("cnt")).toLongLong() > 0) == closing;
    };
    const data::WriteOutcome out = data::write(control, plan);
    if (out.written()) return MonthChange::Done;
    if (out.status == data::WriteOutcome::Status::MonthClosed ||
        out.refusedWith(int(MonthChange::Unchanged)))
        return MonthChange::Unchanged;
    throw data::DbError(data::lostCommitText(data::LostCommit::Unknown));
}

} // namespace

QString monthTitle(int year, int month) {
    return monthNames().value(month - 1) + u' ' + QString::number(year);
}

QString closedMonthText(const ClosedMonth& m) {
    return QStringLiteral("%1 закрыт: изменения не сохранены.").arg(monthTitle(m.year, m.month));
}

std::set<ClosedMonth> closedMonths(data::Query& control) {
    std::set<ClosedMonth> closed;
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

QString closedStatement(int year, int month) {
    return QStringLiteral("select (") + data::closedMonthExpression({{year, month}}) +
           QStringLiteral(" is not null)::int as closed");
}

bool closedIn(const data::Query& query) {
    return !query.isEmpty() && query.asInt(QStringLiteral("closed")) > 0;
}

MonthChange closeMonth(data::Query& control, int year, int month, const QString& closedBy) {
    return changed(control, year, month, true,
                   data::WritePart::insert(QStringLiteral("accounts_dep.closed_month"),
                                           QStringLiteral("year, month, closed_by, closed_at"),
                                           integer(year) + QStringLiteral(", ") + integer(month) +
                                               QStringLiteral(", ") +
                                               data::sql::quoted(closedBy.left(50)) +
                                               QStringLiteral(", localtimestamp(0)")));
}

MonthChange openMonth(data::Query& control, int year, int month) {
    return changed(control, year, month, false,
                   data::WritePart::remove(QStringLiteral("accounts_dep.closed_month"),
                                           QStringLiteral("year=") + integer(year) +
                                               QStringLiteral(" and month=") + integer(month)));
}

QString monthChangeText(MonthChange change, int year, int month, bool closing) {
    const QString title = monthTitle(year, month);
    switch (change) {
    case MonthChange::Done:
        return {};
    case MonthChange::Unchanged:
        return closing ? QStringLiteral("%1 уже закрыт.").arg(title)
                       : QStringLiteral("%1 не закрыт.").arg(title);
    }
    return {};
}

QString monthChangeQuestion(int year, int month, bool closing) {
    QString title = monthTitle(year, month);
    title = title.left(1).toLower() + title.mid(1);
    return closing ? QStringLiteral("Закрыть %1? Записи, хоз. работы и табель этого месяца нельзя "
                                    "будет изменить.")
                         .arg(title)
                   : QStringLiteral("Открыть %1? Записи, хоз. работы и табель этого месяца снова "
                                    "можно будет изменить.")
                         .arg(title);
}

QString monthChangedText(int year, int month, bool closing) {
    const QString title = monthTitle(year, month);
    return closing ? QStringLiteral("%1 закрыт: записи, хоз. работы и табель этого месяца больше "
                                    "не изменяются.")
                         .arg(title)
                   : QStringLiteral("%1 открыт: записи, хоз. работы и табель этого месяца снова "
                                    "можно изменять.")
                         .arg(title);
}

QString closedMonthsListStatement() {
    QStringList names;
    for (const QString& name : monthNames())
        names << data::sql::quoted(name);
    return QStringLiteral("select year, month, (array[") + names.join(u',') +
           QStringLiteral("])[month] || ' ' || year as title, closed_by, to_char(closed_at, "
                          "'DD.MM.YYYY HH24:MI') as closed_at from accounts_dep.closed_month "
                          "order by year desc, month desc");
}

} // namespace timesheet
