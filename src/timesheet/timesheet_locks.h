// The keys of the monthly timesheet's rows (accounts_dep.h_tabel) and the locks that keep the
// table in step with its sources when several copies of the program write at once. The
// shared database has no constraint for this, so every write takes transaction-scoped
// advisory locks in one fixed order (the write engine, data/write_engine.h, takes them):
//
//   1. the source row it changes or deletes (select ... for update);
//   2. the months it touches, shared; a month's rebuild, closing or opening takes its month
//      exclusively and so waits for, and holds off, every other write of the month;
//   3. the timesheet rows it leaves and enters, sorted by their keys (rowLockKey).
//
// Taking a month's lock is also what makes a closed month's refusal sound: the check whether
// the month is closed begins after the lock is granted (closed_months.h).
#pragma once

#include "timesheet/closed_months.h"

#include <QStringList>
#include <QtGlobal>
#include <compare>
#include <vector>

namespace timesheet {

// Kinds of timesheet rows: shift hours (by shift 1..4), household works, average piece rate.
enum RowType : int { ShiftHours = 0, Household = 7777, AveragePiece = 7778 };

// The key of one timesheet row. A shift-hours row has type 0, shift 1..4 and night 0; a
// household or average row has its type, shift 0 and night 0 or 1.
struct RowKey {
    qint64 worker = 0;
    int type = ShiftHours;
    int shift = 0;
    int night = 0;
    int year = 0;
    int month = 0;

    static RowKey shiftRow(qint64 worker, int shift, int year, int month) {
        return {worker, ShiftHours, shift, 0, year, month};
    }
    static RowKey entryRow(qint64 worker, int type, int night, int year, int month) {
        return {worker, type, 0, night, year, month};
    }
    auto operator<=>(const RowKey&) const = default;
};

// The advisory lock key of a timesheet row, as every copy names it (step 3).
QString rowLockKey(const RowKey& key);

} // namespace timesheet
