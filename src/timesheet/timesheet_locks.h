// Locks that keep the monthly timesheet (accounts_dep.h_tabel) in step with its sources when
// several copies of the program write at once. The shared database has no constraint for
// this, so every writer takes transaction-scoped advisory locks in one fixed order:
//
//   1. the source row it changes or deletes (select ... for update, the writer's own job);
//   2. the months it touches, shared; a month's rebuild takes its month
//      exclusively (lockMonthForRebuild) and so waits for, and holds off, every posting;
//   3. the timesheet rows it leaves and enters, sorted (lockForPosting takes 2 and 3).
//
// Taking a month's lock also answers whether the month is closed (closed_months.h): a writer
// refused for a closed month returns before it writes anything.
//
// All locks end with the surrounding transaction; call these inside a data::Transaction.
#pragma once

#include "timesheet/closed_months.h"

#include <QtGlobal>
#include <QString>
#include <compare>
#include <functional>
#include <set>
#include <utility>
#include <vector>

namespace data {
class Query;
}

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

// Steps 2 and 3 for a posting, in one statement: the months of the given keys shared, then
// every distinct key, each in ascending order. Returns the first closed month among them.
[[nodiscard]] ClosedMonth lockForPosting(data::Query& control, const std::vector<RowKey>& keys);
// Step 2 alone, for a write that changes no timesheet row of the months (acceptance, prices).
[[nodiscard]] ClosedMonth lockMonths(data::Query& control,
                                     const std::set<std::pair<int, int>>& months);
// A write sent in one round trip (data::Connection::execWrite), in the order above: `first`
// (the source row's lock, step 1; empty for none), the locks of the months of keys and of
// months (step 2) and of keys (step 3) in one statement, then the statement that build
// makes from the SQL expression of the first closed month among them (year * 100 + month,
// null when none is closed), which therefore begins after the locks are granted. control
// holds that last statement's rows.
void openPosting(data::Query& control, const QString& first, const std::vector<RowKey>& keys,
                 const std::set<std::pair<int, int>>& months,
                 const std::function<QString(const QString& closedMonth)>& build);
// The month such an expression gave.
ClosedMonth closedMonthOf(qint64 yearMonth);

// A month's rebuild, closing or opening: exclusive, so no posting of that month runs
// meanwhile. Returns the month when it is closed.
[[nodiscard]] ClosedMonth lockMonthForRebuild(data::Query& control, int year, int month);
// The statement that takes that lock, to go first in a batch whose next statements check the
// month themselves (they begin after the lock is granted); it tells nothing of the month.
QString rebuildLockStatement(int year, int month);

} // namespace timesheet
