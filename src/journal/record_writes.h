// Writes of shift records (accounts_dep.smena) together with the timesheet cells they feed,
// safe while several copies of the program write the same workers and days. Each call is
// one transaction on the connection of the given query and command, in one order:
//
//   1. the record row being changed or deleted, select ... for update, read afresh;
//   2. the timesheet rows it leaves and enters (timesheet::lockForPosting);
//   3. the checks that depend on other copies: the record still there, the worker and
//      the operation still there, no equal record, the day's hours fitting a cell;
//   4. the record's statement and the cells it touches, in one statement
//      (timesheet::writeCells): each cell takes the records as the statement began, without
//      the one replaced, with the one written.
//
// Steps 3 and 4 are statements of their own: a statement sees what was committed when it
// began, so the checks must begin after the locks are granted; and the checks decide
// whether anything is written at all. With the commit, an addition or a deletion is four
// round trips, a change five.
//
// A refused write changes nothing and says why; a failing statement raises data::DbError
// and leaves nothing behind.
#pragma once

#include <QDate>
#include <QString>

namespace data {
class Command;
class Connection;
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

enum class WriteResult {
    Written,
    Duplicate,     // an equal record (worker, operation, product, day, shift, colour) exists
    WorkerGone,    // the worker was deleted from the list meanwhile
    OperationGone, // so was the operation
    RecordGone,    // the record changed or deleted is no longer there
    DayTooLong,    // the worker's hours of the day and shift would exceed a cell's limit
};

// The message that tells the user why a write was refused; empty for Written.
QString refusalText(WriteResult result);

// A new record, unaccepted, entered today.
WriteResult addRecord(data::Query& control, data::Command& command, const RecordInput& record);
// Changes record id to the input, entered anew today.
WriteResult changeRecord(data::Query& control, data::Command& command, qint64 id,
                         const RecordInput& record);
// Deletes record id; the cell recomputed is that of the record as the database held it.
WriteResult deleteRecord(data::Query& control, data::Command& command, qint64 id);

// Sets the acceptance mark of record :id to :ok and announces it to the other copies, in
// one statement run on connection.
QString markStatement(const data::Connection& connection);

} // namespace journal
