// Household-works and average piece-rate entries (accounts_dep.fatigue) and the timesheet
// cells they feed. Every write is a plan for the write engine (data/write_engine.h), sent as
// one transaction in one round trip: checkEntry first (input against the columns it feeds,
// before any statement); then the entry's row lock (change, delete), the locks of the months
// and timesheet rows it touches, and one statement whose checks decide whether anything is
// written: the entry still there and as the user saw it, its month open, and the checks of
// this file (worker and class still there, the day's cell within MaxDayHours); the entry's
// statement and every touched day cell follow in the same statement (timesheet::addCells).
//
// A refusal comes back as a Saved value and changes nothing; a server error is raised as
// data::DbError. A commit whose answer the connection lost is settled by a look at the
// database once connected again. The windows pass in their lookup query, so the writes run
// on any connection.
#pragma once

#include "data/row_check.h"
#include "timesheet/timesheet_table.h"

#include <QDate>
#include <QString>

namespace data {
class Query;
} // namespace data

namespace timesheet {

// What an entry holds apart from its day and shift, which never change after adding.
struct HouseholdEntry {
    qint64 worker = 0;       // accounts_dep.person
    qint64 productClass = 0; // cmn_classifier.item of level 2
    int kind = 0;            // 7777 household works, 7778 average piece rate
    qint64 hours = 0;
    double price = 0; // per hour
    bool holiday = false;
    bool night = false;
};

enum class Saved {
    Written,
    EntryGone,     // another copy deleted the entry meanwhile
    WorkerGone,    // another copy deleted the worker meanwhile
    ClassGone,     // the product class is no longer in the classifier
    DayOverfilled, // the day's cell would exceed MaxDayHours
    MonthClosed,   // the entry's month is closed
    EntryChanged,  // another user changed the entry since it was shown
    // the connection went while the commit waited for its answer; once connected again:
    LostSaved,    // the write is in the database
    LostNotSaved, // it is not
    LostUnknown,  // the server stayed away, nobody knows yet
};

// The Russian message of a refusal, or of what became of a write when the connection went
// ("" for Written); closed: the month MonthClosed names.
QString savedText(Saved saved, const ClosedMonth& closed = {});
// True when the write is in the database (Written, LostSaved).
bool isSaved(Saved saved);

// The entry's own fields the list shows, which a change or deletion compares.
extern const QStringList SeenEntryFields;
// The entry as the list shows it in its current row.
data::SeenRow seenEntry(const data::Query& list);
// Entry id as the database holds it now; empty when it is gone.
data::SeenRow currentEntry(data::Query& control, qint64 id);

// The price per hour of a kind whose norm price is normPrice: doubled on a day off, then
// × 1.2 at night, rounded to 4 decimals.
double hourPrice(double normPrice, bool holiday, bool night);

// The first problem of the input as a Russian message naming the field, "" when it fits.
QString checkEntry(const HouseholdEntry& entry);

// Each write below, when refused with MonthClosed, gives the month through closed.

// Writes a new entry for day and shift and posts its cell.
Saved addEntry(data::Query& control, const HouseholdEntry& entry, const QDate& day, int shift,
               ClosedMonth* closed = nullptr);
// Rewrites entry id (its day, month, year and shift stay) and posts the cell it enters and
// the one it leaves, when it is still as seen (an empty seen row is not compared).
Saved changeEntry(data::Query& control, qint64 id, const HouseholdEntry& entry,
                  const data::SeenRow& seen = {}, ClosedMonth* closed = nullptr);
inline Saved changeEntry(data::Query& control, qint64 id, const HouseholdEntry& entry,
                         ClosedMonth* closed) {
    return changeEntry(control, id, entry, {}, closed);
}
// Deletes entry id, when it is still as seen, and recomputes the cell of its own day.
Saved deleteEntry(data::Query& control, qint64 id, const data::SeenRow& seen = {},
                  ClosedMonth* closed = nullptr);
inline Saved deleteEntry(data::Query& control, qint64 id, ClosedMonth* closed) {
    return deleteEntry(control, id, {}, closed);
}

// Sets the price of every average piece-rate entry of the month to what its worker earned
// per hour by piece work on its product class that month (doubled for holiday entries, 0
// without such work), under the month's lock. Returns the number of entries priced, or
// MonthClosed (nothing priced) through refused.
int priceAverageEntries(data::Query& control, int year, int month, Saved* refused = nullptr);

} // namespace timesheet
