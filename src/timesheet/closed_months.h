// Closed months. Once a month's pay has gone out, a person with full access closes the month,
// and from then on nothing changes its shift records, entries or timesheet until the month is
// opened again on purpose. A row of accounts_dep.closed_month marks a closed month; a database
// made before that table existed has no closed month.
//
// The rule lives in the month locks of timesheet_locks.h: every writer takes the locks of the
// months it touches shared, and the lock functions give back the first of them that is closed
// (checked by a statement that begins after the locks are granted). Closing and opening take
// the month's lock exclusively, as a rebuild does, so a write of the month either committed
// before the close or is refused after it.
#pragma once

#include <QString>
#include <compare>
#include <set>

namespace data {
class Command;
class Query;
} // namespace data

namespace timesheet {

// A month a write was refused for; none (month 0) when every month it touches is open.
struct ClosedMonth {
    int year = 0;
    int month = 0;
    bool found() const { return month != 0; }
    auto operator<=>(const ClosedMonth&) const = default;
};

// "Ноябрь 2026".
QString monthTitle(int year, int month);
// The one message of a write refused in a closed month: "Ноябрь 2026 закрыт: изменения не
// сохранены."
QString closedMonthText(const ClosedMonth& month);

// The table's name as the server is asked whether it exists, in the lock statement.
QString closedMonthTableTest();
// The first closed month among months; run after their locks are granted, and only when the
// table exists.
ClosedMonth firstClosed(data::Query& control, const std::set<std::pair<int, int>>& months);

// Every closed month, for the windows that show the state (empty without the table).
std::set<ClosedMonth> closedMonths(data::Query& control);
bool isClosed(data::Query& control, int year, int month);
// The statement whether a month is closed, one row with the column "closed" (0 or 1, 0
// without the table): a window reads it together with its other statements (data::openTogether)
// and takes the answer with closedIn().
QString closedStatement(int year, int month);
bool closedIn(const data::Query& query);
// The same answer as an expression (an integer, 1 when the month is closed) for a statement
// that checks the month itself.
QString closedExpression(int year, int month);

enum class MonthChange {
    Done,
    Unchanged, // the month was closed (opened) already
    NoTable,   // the database has no accounts_dep.closed_month yet
};
// Closes the month, recording who (the access the program was entered with) and when (the
// server's time); waits for the month's writes in progress, as a rebuild does.
MonthChange closeMonth(data::Query& control, data::Command& command, int year, int month,
                       const QString& closedBy);
MonthChange openMonth(data::Query& control, data::Command& command, int year, int month);
// The message of a close or open that did not change the month ("" for Done).
QString monthChangeText(MonthChange change, int year, int month, bool closing);

} // namespace timesheet
