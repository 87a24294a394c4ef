// Keeps a worker's day cell of the monthly timesheet equal to the hours of that day's
// shift records.
#pragma once

#include "timesheet/timesheet_locks.h"

#include <QDate>
#include <QString>
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

// The hours of the cell's shift records as an expression of a statement, without the record
// except (0: none).
QString recordedHours(const Cell& c, qint64 except = 0);

// A shift record's insert, update or delete, run in the statement that sets its cells.
struct RecordWrite {
    QString statement;    // an insert or update ends with "returning w_id, smena, data, time"
    qint64 replaced = 0;  // the record it changes or deletes; 0 for an insert
    bool deletes = false; // a delete returns nothing
};

// Sets every cell to the hours of the shift records the database holds for it, in one
// statement. A cell in `entered` gets its row made when the month has none yet; a cell in
// `left` is set only where its row exists. Run under the locks of the cells' rows.
//
// With a write, the write is the statement's first part and the cells take the records as
// the statement began, without the record it replaces, and with the record it returns:
// the database's hours once the write is done, one round trip for both.
void writeCells(data::Command& command, const std::vector<Cell>& entered,
                const std::vector<Cell>& left, const RecordWrite& write = {});

// After a record is saved: sets the cell to the day's hours, making the row when needed.
void postHours(data::Query& control, data::Command& command, int worker, int shift,
               const QDate& day);

} // namespace journal
