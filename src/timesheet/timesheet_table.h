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
//   - every writer locks in the order of timesheet_locks.h, checks, then writes its source
//     row and recomputes the cells it touches in one statement (writeCells); a month's
//     rebuild recomputes all shift-hours rows of the month (month_rebuild.h).
//
// The statements the timesheet windows read the table through are here too.
#pragma once

#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"

namespace data {
class Query;
}

#include <QDate>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

namespace data {
class Command;
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
// row except (0: none).
QString sourceHours(const Cell& cell, qint64 except = 0);

// A source row's insert, update or delete (a shift record or an entry), run in the
// statement that sets its cells. An insert or update is given without a returning clause.
struct SourceWrite {
    QString statement;
    qint64 replaced = 0;  // the source row it changes or deletes; 0 for an insert
    bool deletes = false; // a delete returns nothing
    const data::Connection* from = nullptr; // the writing copy, as the others hear of it
};

// A write's checks made in the statement that writes: columns ("<expression> as <name>")
// computed as the statement begins, i.e. after the locks its batch took before it, and the
// refusals, conditions over those names tried in order, each with its code. The write and its
// cells are done only when none holds; the statement then returns one row: the columns,
// "refusal" (0: written) and "told".
struct Checks {
    QStringList columns;
    std::vector<std::pair<QString, int>> refusals;
};
// The parts "checked" and "passed" of a with-clause that makes the checks, for a checked
// statement written by hand.
QString checkedParts(const Checks& checks);
// The condition the source write of a checked statement adds to its own (an update's or
// delete's where, an insert's select) so that it runs only when the checks pass.
inline const QString ChecksPass = QStringLiteral("exists (select 1 from passed)");

// Sets every cell to the hours its sources hold, in one statement. A cell in `entered`
// gets its row made when the month has none yet; a cell in `left` is set only where its
// row exists. With a write, the write is the statement's first part and the cells take
// their sources as the statement began, without the row it replaces and with the row it
// writes: the database's hours once the write is done. All cells of one call with a write
// are of the write's source. Run under the locks of the cells' rows.
void writeCells(data::Command& command, const std::vector<Cell>& entered,
                const std::vector<Cell>& left, const SourceWrite& write = {});
// The same statement with the write's checks first (see Checks), to be sent after the locks
// in one round trip (data::Connection::execWrite); write.from names the writing connection.
QString cellsStatement(const std::vector<Cell>& entered, const std::vector<Cell>& left,
                       const SourceWrite& write, const Checks* checks);

// A cell the month's shift records would fill beyond MaxDayHours.
struct OverfilledCell {
    qint64 worker = 0;
    QString name; // of the worker in the department's list, "" when it has none
    int shift = 0;
    QDate day;
    qint64 hours = 0;
    bool found() const { return day.isValid(); }
};

// Deletes the month's shift-hours rows and writes them anew from its shift records, in one
// statement: one row per worker and shift with records, a cell per day with records. When
// the records would fill a cell beyond MaxDayHours nothing is deleted or written, and the
// first such cell (by day, worker, shift) is returned. Run under the month's exclusive lock.
OverfilledCell rebuildShiftRows(data::Query& control, int year, int month);
// The statement of rebuildShiftRows, for a batch after the month's lock: it also leaves a
// closed month as it is, and announces the month to the other copies when it writes (from: the
// writing connection). One row: "closed" (1 for a closed month, see closedIn) and the
// overfilled cell's w_id, smena, data, hours and fio (nulls when there is none).
QString rebuildStatement(const data::Connection& from, int year, int month);
OverfilledCell overfilledIn(const data::Query& rebuilt);

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
