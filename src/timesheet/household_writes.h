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
#include <QStringList>
#include <utility>
#include <vector>

namespace data {
class Connection;
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
// ("" for Written); closed: the month MonthClosed names; dayHours: the hours a DayOverfilled
// refusal found in the day's cell (-1: not known).
QString savedText(Saved saved, const ClosedMonth& closed = {}, int dayHours = -1);
// True when the write is in the database (Written, LostSaved).
bool isSaved(Saved saved);
// True when the connection went while the write waited for its answer.
bool isAnswerLost(Saved saved);

// The entry's own fields the list shows, which a change or deletion compares.
extern const QStringList SeenEntryFields;
// The entry as the list shows it in its current row.
data::SeenRow seenEntry(const data::Query& list);
// The question a deletion of the list's current entry asks, naming the entry: its worker,
// kind of work and product class, day and hours.
QString entryDeletionQuestion(const data::Query& list);
// Entry id as the database holds it now; empty when it is gone.
data::SeenRow currentEntry(data::Query& control, qint64 id);

// The price per hour of a kind whose norm price is normPrice: doubled on a day off, then
// × 1.2 at night, rounded to 4 decimals.
double hourPrice(double normPrice, bool holiday, bool night);

// The first problem of the input as a Russian message naming the field, "" when it fits.
QString checkEntry(const HouseholdEntry& entry);

// Each write below, when refused with MonthClosed, gives the month through closed; a save
// refused with DayOverfilled gives through dayHours the hours the day's cell held without it.
// The lists of shown are read again in the write's own exchange, after it, whatever became of
// it; they keep what they showed when the answer is lost.

// Writes a new entry for day and shift and posts its cell.
Saved addEntry(data::Query& control, const HouseholdEntry& entry, const QDate& day, int shift,
               ClosedMonth* closed = nullptr, int* dayHours = nullptr,
               const QList<data::Query*>& shown = {});
// A new entry's key is taken from the table's sequence before its save (a lost answer is
// settled by it). When the connection keeps none, query, opened in the exchange that comes
// before the save, takes it with keepEntryKey() after: the save is then one exchange.
bool entryKeyKept(const data::Connection& connection);
void setEntryKeyStatement(data::Query& query);
void keepEntryKey(const data::Query& query);
// Rewrites entry id (its day, month, year and shift stay) and posts the cell it enters and
// the one it leaves, when it is still as seen (an empty seen row is not compared).
Saved changeEntry(data::Query& control, qint64 id, const HouseholdEntry& entry,
                  const data::SeenRow& seen = {}, ClosedMonth* closed = nullptr,
                  int* dayHours = nullptr, const QList<data::Query*>& shown = {});
inline Saved changeEntry(data::Query& control, qint64 id, const HouseholdEntry& entry,
                         ClosedMonth* closed) {
    return changeEntry(control, id, entry, {}, closed);
}
// Deletes entry id, when it is still as seen, and recomputes the cell of its own day.
Saved deleteEntry(data::Query& control, qint64 id, const data::SeenRow& seen = {},
                  ClosedMonth* closed = nullptr, const QList<data::Query*>& shown = {});
inline Saved deleteEntry(data::Query& control, qint64 id, ClosedMonth* closed) {
    return deleteEntry(control, id, {}, closed);
}

// What a pricing of the month's average piece-rate entries gave them.
struct AveragePricing {
    int priced = 0; // entries priced
    // each price given (per hour) and how many entries got it, the lowest first
    std::vector<std::pair<double, int>> prices;
    // the entries priced 0, as "worker (product class)": no piece work of that worker on
    // that class in the month
    QStringList unpaid;
};

// The month's average piece-rate entries, which a pricing would price; the statement reads
// them as "cnt".
int averageEntries(data::Query& control, int year, int month);
QString averageEntriesStatement(int year, int month);

// Sets the price of every average piece-rate entry of the month to what its worker earned
// per hour by piece work on its product class that month (doubled for holiday entries, 0
// without such work), under the month's lock, in one statement that also says what each
// entry got. MonthClosed (nothing priced) comes back through refused.
AveragePricing priceAverageEntries(data::Query& control, int year, int month,
                                   Saved* refused = nullptr,
                                   const QList<data::Query*>& shown = {});
// What a pricing did, for the user: how many entries got which price, and why any got 0.
QString averagePricingText(const AveragePricing& pricing, int year, int month);

} // namespace timesheet
