// Writes of shift records (accounts_dep.smena) together with the timesheet cells they feed,
// safe while several copies of the program write the same workers and days. Each write is a
// plan for the write engine (data/write_engine.h), sent as one transaction in one round trip:
// the record's row lock (a change, deletion or acceptance), the locks of the months and
// timesheet rows it touches, then one statement whose checks decide whether anything is
// written: the record still there and as the user saw it, its months open, and the checks of
// this file (worker and operation still there, no equal record, the day's hours within a
// cell); the record's statement and the cells it touches follow in the same statement
// (timesheet::addCells).
//
// A new refusal rule for a record goes into addInputChecks in record_writes.cpp, with its
// WriteResult value and its message in refusalText().
//
// A refused write changes nothing and says why; a failing statement raises data::DbError
// and leaves nothing behind. When the connection goes while the commit waits for its
// answer, the write looks, once connected again, whether the record is as it wrote it.
#pragma once

#include "data/query.h"
#include "data/row_check.h"
#include "timesheet/closed_months.h"

#include <QDate>
#include <QString>

namespace data {
class Query;
} // namespace data

namespace journal {

// What a saved record holds besides its acceptance mark, which a change keeps.
struct RecordInput {
    qint64 worker = 0;
    qint64 product = 0;
    qint64 operation = 0;
    int shift = 1;
    QDate day;
    double price = 0; // of one piece; written rounded to 4 decimals
    double quantity = 0;
    int rejects = 0;
    int hours = 0;
    qint64 colour = 0;
};

// Written first, the refusals after it; the write engine gives the codes no meaning of its own.
enum class WriteResult {
    Written,
    Duplicate,     // an equal record (worker, operation, product, day, shift, colour) exists
    WorkerGone,    // the worker was deleted from the list meanwhile
    OperationGone, // so was the operation
    RecordGone,    // the record changed or deleted is no longer there
    DayOverfilled, // the worker's hours of the day and shift would exceed a cell's limit
    RecordChanged, // another user changed the record since it was shown
    MonthClosed,   // the record's month (the one it is in, or moved to) is closed
    // more rejects than pieces: the record would pay a negative sum
    RejectsAboveQuantity,
    // the connection went while the commit waited for its answer; once connected again:
    LostSaved,    // the write is in the database
    LostNotSaved, // it is not
    LostUnknown,  // the server stayed away, nobody knows yet
};

// The message that tells the user why a write was refused, or what became of it when the
// connection went; empty for Written. closed: the month a MonthClosed refusal names;
// dayHours: the hours a DayOverfilled refusal found in the day (-1: not known).
QString refusalText(WriteResult result, const timesheet::ClosedMonth& closed = {},
                    int dayHours = -1);
// The refusal of more rejects than pieces, naming both fields, with the typed values when
// given.
QString rejectsAboveQuantityText(double quantity = 0, int rejects = -1);
// True when the record is written (Written, LostSaved).
bool isWritten(WriteResult result);

// The record's own fields a list shows, which a change or deletion compares.
extern const QStringList SeenFields;
// The record as the list shows it in its current row (a journal query).
data::SeenRow seenRecord(const data::Query& list);
// The question a deletion of the list's current record asks, naming the record: its worker,
// operation (with its colour, if any) and day.
QString deletionQuestion(const data::Query& list);
// The record id as the database holds it now; empty when it is gone.
data::SeenRow currentRecord(data::Query& control, qint64 id);

// Each write below, when refused with MonthClosed, gives the month through closed; a save
// refused with DayOverfilled gives through dayHours the hours the day's cell held without it.
// The lists of shown are read again in the write's own exchange, after it, whatever became of
// it; they keep what they showed when the answer is lost (isAnswerLost()).
bool isAnswerLost(WriteResult result);

// The one record a journal list shows after a write, read in the write's own exchange, so
// that the list puts it in place (or takes it away) instead of being read whole again.
class ShownRecord {
public:
    // list: the journal query of shift, open
    ShownRecord(data::Query& list, int shift);
    // What a write of record id reads besides (shown), or of a new record equal to r (an
    // equal record is refused, so the one the values find is the one written).
    QList<data::Query*> of(qint64 id);
    QList<data::Query*> ofNew(const RecordInput& r);
    // After the write: the record in its place in the list, or gone from it; the list read
    // whole again when the answer was lost or the record could not be placed.
    void put(WriteResult result);

private:
    data::Query& list_;
    int shift_;
    data::Query row_;
    qint64 id_ = 0;
};

// A new record, unaccepted, entered today.
WriteResult addRecord(data::Query& control, const RecordInput& record,
                      timesheet::ClosedMonth* closed = nullptr, int* dayHours = nullptr,
                      const QList<data::Query*>& shown = {});
// A deleted record put back as record id, with its acceptance mark (anything but "no" takes
// full access), under every check of a new record; Duplicate when record id, or an equal
// one, is there.
WriteResult putBackRecord(data::Query& control, qint64 id, const RecordInput& record,
                          const QString& mark, timesheet::ClosedMonth* closed = nullptr,
                          int* dayHours = nullptr);
// Changes record id to the input, entered anew today, when it is still as seen (the row the
// user opened; an empty one is not compared).
WriteResult changeRecord(data::Query& control, qint64 id, const RecordInput& record,
                         const data::SeenRow& seen = {}, timesheet::ClosedMonth* closed = nullptr,
                         int* dayHours = nullptr, const QList<data::Query*>& shown = {});
inline WriteResult changeRecord(data::Query& control, qint64 id, const RecordInput& record,
                                timesheet::ClosedMonth* closed) {
    return changeRecord(control, id, record, {}, closed);
}
// Deletes record id when it is still as seen; the cell recomputed is that of the record as
// the database held it.
WriteResult deleteRecord(data::Query& control, qint64 id, const data::SeenRow& seen = {},
                         timesheet::ClosedMonth* closed = nullptr,
                         const QList<data::Query*>& shown = {});
inline WriteResult deleteRecord(data::Query& control, qint64 id, timesheet::ClosedMonth* closed) {
    return deleteRecord(control, id, {}, closed);
}
// Sets the acceptance mark of record id ("ok" accepted, "no" not), under the lock of the
// record's month as the database holds it. day: the record's day as the list shows it, which
// saves reading it first (invalid: read).
WriteResult markRecord(data::Query& control, qint64 id, const QString& mark,
                       timesheet::ClosedMonth* closed = nullptr, const QDate& day = QDate(),
                       const QList<data::Query*>& shown = {});

} // namespace journal
