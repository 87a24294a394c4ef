// The month a timesheet window shows: the names in its month lists, its days and the period
// of the records that belong to it.
#pragma once

#include <QDate>
#include <QStringList>

namespace timesheet {

// "Январь" … "Декабрь"; the list index + 1 is the month.
const QStringList& monthNames();

// Records of a month are those dated first <= day < next (next is 1 January of the
// following year for December).
struct MonthPeriod {
    QDate first;
    QDate next;
    int days() const { return first.daysInMonth(); }
};
MonthPeriod monthPeriod(int year, int month);

// The 31 day columns of a statement, joined by commas: pattern with %1 for the day, e.g.
// "sum(d%1) as sd%1" gives "sum(d1) as sd1, sum(d2) as sd2, …".
QString dayList(const QString& pattern);

} // namespace timesheet
