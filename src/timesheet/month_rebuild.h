// Rebuild of a month's shift-hours rows from the shift records, as one write of the write
// engine (data/write_engine.h), in one exchange with the server:
//
//   the month locked exclusively (it waits for the writes of that month in progress and
//   holds off new ones until it ends) → one set-based statement (timesheet::rebuildPlan):
//   when the month is open and no cell would exceed the day's limit, the month's shift-hours
//   rows deleted and one row inserted per worker and shift that has records in the month,
//   each day cell the day's total hours; otherwise nothing changed and the rebuild refused →
//   what the window shows of the month as it now stands → commit.
//
// The rows and cells are those that posting every record of the month one by one would
// give. Household and average piece-rate rows are not touched. Any failure (a statement the
// server refuses, a lost connection) leaves the month as it was and leaves through
// data::DbError with the server's message.
#pragma once

#include "timesheet/timesheet_table.h"

#include <QList>
#include <functional>

namespace data {
class Query;
} // namespace data

namespace timesheet {

// The steps reported to the progress callback, 1 … RebuildSteps: the rebuild sent (it waits
// for the month's writes in progress), its answer come, the grids filled.
constexpr int RebuildSteps = 3;

// Why a rebuild was refused: a cell beyond the limit, or the month closed.
struct RebuildRefusal {
    OverfilledCell cell;
    ClosedMonth closed;
    bool found() const { return cell.found() || closed.found(); }
};

// Returns why the rebuild was refused; none found when the month was rebuilt. The queries
// of alsoRead are opened in the same exchange with the server, after the rebuild's
// statement: they see the month as the rebuild leaves it (or as it was, when refused).
RebuildRefusal rebuildMonth(data::Query& control, int year, int month,
                            const std::function<void(int step)>& progress = {},
                            const QList<data::Query*>& alsoRead = {});

// The same on the data module's connection.
RebuildRefusal rebuildMonth(int year, int month, const std::function<void(int step)>& progress = {},
                            const QList<data::Query*>& alsoRead = {});

// Why the rebuild was refused, in Russian: the month closed, or the worker's key, the shift
// and the day of the cell.
QString rebuildRefusalText(const RebuildRefusal& refusal);

} // namespace timesheet
