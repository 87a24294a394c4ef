// Keeps a worker's day cell of the monthly timesheet equal to the hours of that day's
// shift records.
#pragma once

#include "timesheet/timesheet_locks.h"

#include <QDate>
#include <vector>

namespace data {
class Command;
class Query;
} // namespace data

namespace journal {

// A day cell of a shift-hours row: d<day> of the worker's row for the shift, month and year.
struct Cell {
    qint64 worker = 0;
    int shift = 0;
    QDate day;

    timesheet::RowKey rowKey() const {
        return timesheet::RowKey::shiftRow(worker, shift, day.year(), day.month());
    }
    bool operator==(const Cell&) const = default;
};

// Sets every cell to the hours of the shift records the database holds for it now, in one
// statement. A cell in `entered` gets its row made when the month has none yet; a cell in
// `left` is set only where its row exists. Run under the locks of the cells' rows.
void writeCells(data::Command& command, const std::vector<Cell>& entered,
                const std::vector<Cell>& left);

// After a record is saved: sets the cell to the day's hours, making the row when needed.
void postHours(data::Query& control, data::Command& command, int worker, int shift,
               const QDate& day);
// After a record is deleted or moved away: sets the cell of an existing row to the hours
// left (0 when none are).
void recomputeHours(data::Query& control, data::Command& command, int worker, int shift,
                    const QDate& day);

} // namespace journal
