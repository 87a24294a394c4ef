// The monthly timesheet, accounts_dep.h_tabel, that the department's pay is computed from.
// This unit is the table's one writer and says what its rows mean:
//
//   - a shift-hours row (i_type 0) per worker, shift 1..4, month and year, found by w_id,
//     smena, month and year; a household (7777) or average piece-rate (7778) row per worker,
//     kind, night flag, month and year, found by w_id, i_type, i_night, month and year;
//   - a day cell d1..d31 holds the whole hours its sources hold for that day: the shift
//     records (accounts_dep.smena by worker, shift and day) or the entries
//     (accounts_dep.fatigue by worker, kind, night flag and day); null when never written;
//   - no cell holds more than MaxDayHours: a write that would make one do so is refused
//     before anything is written;
//   - every write goes through the write engine (data/write_engine.h), which locks in the
//     order of timesheet_locks.h and checks; the cells a write of source rows touches are
//     recomputed in its statement (addCells); a month's rebuild recomputes all shift-hours
//     rows of the month (rebuildPlan, month_rebuild.h).
//
// The statements the timesheet windows read the table through are here too.
#pragma once

#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

#include "data/write_engine.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <optional>
#include <utility>
#include <vector>

namespace data {
class Connection;
} // namespace data

namespace timesheet {

// Most hours one day cell holds; the hours of one record or entry are within it too.
constexpr int MaxDayHours = 24;

// One day cell: the row it belongs to and its day (of the row's month).
struct Cell {
    RowKey row;
    QDate day;

    static Cell shift(qint64 worker, int shift, const QDate& day) {
        return {RowKey::shiftRow(worker, shift, day.year(), day.month()), day};
    }
    static Cell entry(qint64 worker, int type, int night, const QDate& day) {
        return {RowKey::entryRow(worker, type, night, day.year(), day.month()), day};
    }
    bool operator==(const Cell&) const = default;
};

// The hours the cell's sources hold, as an expression of a statement, without the source
// rows of the condition `except` (e.g. "id=5": the row a write replaces; empty: none).
QString sourceHours(const Cell& cell, const QString& except = {});

// A write of source rows (shift records or entries) whose cells are set in the same statement.
struct SourceWrite {
    // The insert, update or delete, without a returning clause; none for a write of cells
    // alone.
    std::optional<data::WritePart> part;
    QString replaced; // the condition naming the source rows it changes or deletes
    bool deletes = false;
    const data::Connection* from = nullptr; // the writing copy, as the others hear of it
};

// Adds to plan a write of source rows and the cells it touches: the write first (its rows
// named "written"), then every cell set to the hours its sources hold once the write is done
// (its sources as the statement began, without the rows it replaces, with the rows it
// writes); a cell in `entered` gets its row made when the month has none yet, a cell in
// `left` is set only where its row exists. Also the cells' months and row locks, and the
// announcement of each day changed. All cells are of the write's source.
void addCells(data::WritePlan& plan, const std::vector<Cell>& entered,
              const std::vector<Cell>& left, const SourceWrite& write);

// A cell the month's shift records would fill beyond MaxDayHours.
struct OverfilledCell {
    qint64 worker = 0;
    QString name; // of the worker in the department's list, "" when it has none
    int shift = 0;
    QDate day;
    qint64 hours = 0;
    bool found() const { return day.isValid(); }
};

// The rebuild of a month's shift-hours rows from its shift records (month_rebuild.h): under
// the month's exclusive lock, the rows deleted and written anew, one per worker and shift
// with records, a cell per day with records; refused with the first cell (by day, worker,
// shift) that the records would fill beyond MaxDayHours (refusal code 1, the cell in
// overfilledIn), or when the month is closed. Announced to the other copies when written.
data::WritePlan rebuildPlan(const data::Connection& from, int year, int month);
OverfilledCell overfilledIn(const data::WriteOutcome& rebuilt);

// The messages of the hours limit, the same for shift records and entries. field: the
// window's caption of the hours box.
QString hoursRangeText(const QString& field, int least);
QString dayOverfilledText(const QString& field);

// Statements the windows read the table through.
// Every row of a worker found by personnel code, summed per day ("sd1".."sd31"); integer
// parameters mnth and yea.
QString workerDaySumsStatement();
// The years the table has rows of, as "year".
QString yearsStatement();

} // namespace timesheet
