// Keeps a worker's day cell of the monthly timesheet equal to the hours of that day's
// shift records.
#pragma once

#include <QDate>

namespace data {
class Command;
class Query;
} // namespace data

namespace journal {

// After a record is saved: sets cell d<day> of the worker's row for the shift, month and
// year to the day's hours, inserting the row when the month has none yet.
void postHours(int worker, int shift, const QDate& day);
// After a record is deleted or moved away: sets the cell of an existing row to the hours
// left (0 when none are).
void recomputeHours(int worker, int shift, const QDate& day);

// The same on a given lookup query and command (another connection).
void postHours(data::Query& control, data::Command& command, int worker, int shift,
               const QDate& day);
void recomputeHours(data::Query& control, data::Command& command, int worker, int shift,
                    const QDate& day);

// Serialises writers of one timesheet row until the surrounding transaction ends, so two
// copies of the program can never both insert the row of one key.
void lockTimesheetRow(data::Query& control, int worker, int rowKind, int month, int year);

} // namespace journal
