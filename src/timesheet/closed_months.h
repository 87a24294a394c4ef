// Closed months. Once a month's pay has gone out, a person with full access closes the month,
// and from then on nothing changes its shift records, entries or timesheet until the month is
// opened again on purpose. A row of accounts_dep.closed_month marks a closed month; the
// program does not start on a database without that table (app/version.h).
//
// The write engine (data/write_engine.h) refuses every write into a closed month: it takes the
// locks of the months a write touches, shared, and checks them in the statement that begins
// after the locks are granted. Closing and opening take the month's lock exclusively, as a
// rebuild does, so a write of the month either committed before the close or is refused
// after it.
#pragma once

#include "data/write_engine.h"

#include <QString>
#include <set>

namespace data {
class Query;
} // namespace data

namespace timesheet {

// A month a write was refused for; none (month 0) when every month it touches is open.
using ClosedMonth = data::ClosedMonth;
using data::closedMonthOf;

// "Ноябрь 2026".
QString monthTitle(int year, int month);
// The one message of a write refused in a closed month: "Ноябрь 2026 закрыт: изменения не
// сохранены."
QString closedMonthText(const ClosedMonth& month);

// Every closed month, for the windows that show the state.
std::set<ClosedMonth> closedMonths(data::Query& control);
bool isClosed(data::Query& control, int year, int month);
// The statement whether a month is closed, one row with the column "closed" (0 or 1): a window
// reads it together with its other statements (data::openTogether) and takes the answer with
// closedIn().
QString closedStatement(int year, int month);
bool closedIn(const data::Query& query);

enum class MonthChange {
    Done,
    Unchanged, // the month was closed (opened) already
};
// Closes the month, recording who (the access the program was entered with) and when (the
// server's time); waits for the month's writes in progress, as a rebuild does.
MonthChange closeMonth(data::Query& control, int year, int month, const QString& closedBy);
MonthChange openMonth(data::Query& control, int year, int month);
// The message of a close or open that did not change the month ("" for Done).
QString monthChangeText(MonthChange change, int year, int month, bool closing);
// The question asked before a close or an open: "Закрыть март 2024? …".
QString monthChangeQuestion(int year, int month, bool closing);
// What a close or an open that was done did: "Март 2024 закрыт: …".
QString monthChangedText(int year, int month, bool closing);

// The closed months, newest first, one row each: year, month, title ("Март 2024"), closed_by,
// closed_at (as text, "05.04.2024 10:15").
QString closedMonthsListStatement();

} // namespace timesheet
