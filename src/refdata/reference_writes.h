// Changes of reference rows (workers, products, kinds, operations, norms) made while other
// copies of the program may change or delete the same row. A change is one write of the
// write engine (data/write_engine.h), one transaction in one round trip: the row locked,
// compared with the row as the editor opened it (gone, or changed by another copy meanwhile:
// nothing is written), and updated.
//
// A commit whose answer the connection lost is settled by a look at the row once connected
// again. Refusals come back as values; refusalText() words them.
#pragma once

#include "data/write_engine.h"

#include <QString>
#include <vector>

namespace data {
class Query;
} // namespace data

namespace refdata {

enum class RowKind { Worker, Product, Kind, Operation, Norm };

enum class RowWrite {
    Written,
    Gone,    // another user deleted the row
    Changed, // another user changed it since the editor opened it
    // the connection went while the commit waited for its answer; once connected again:
    LostSaved,
    LostNotSaved,
    LostUnknown,
};

// The Russian message of a refusal, naming what the row is; "" for Written.
QString refusalText(RowWrite result, RowKind kind);
// True when the row holds the change (Written, LostSaved).
bool isWritten(RowWrite result);

// A reference row as an editor opened it: the table written (e.g. "accounts_dep.person"),
// the key, how the table gives each of seen's fields ("s_caption as marka, massa"; empty: by
// their own names) and the fields as seen.
using SeenReference = data::SeenTarget;

// The row's fields as the database holds them now (empty when it is gone), to save over
// another user's change on purpose.
data::SeenRow currentRow(data::Query& control, const SeenReference& row);

// "update <table> set <set> where id=<id>" when the row is still as seen; written: the
// condition that holds for the row once the update is in (asked after a lost commit).
RowWrite updateRow(data::Query& control, const SeenReference& row, const QString& set,
                   const QString& written);

// A new reference row: "insert into <table>(<columns>) select <values>", where values may
// read the rows of earlier parts. Every part is written, or none (a statement the server
// refuses raises data::DbError); true when written, false when the answer was lost and the
// row may or may not be there.
bool insertRows(data::Query& control, const std::vector<data::WritePart>& parts);

// Deletes row id of table; Gone when another user deleted it first.
RowWrite deleteRow(data::Query& control, const QString& table, qint64 id);

// After updateRow in an editor: tells the user what became of the change, re-reads list
// when another user got to the row first, and takes the row as it is now as seen, so the
// next save writes over the other user's change on purpose. True when the editor may close.
bool settleUpdate(RowWrite result, RowKind kind, data::Query& list, data::Query& control,
                  SeenReference& row);

// Most a norm price may be: more than the department ever pays for one piece.
constexpr double MaxNormPrice = 1000000;
// The problem of a norm price as a message naming "Цена"; "" when it fits.
QString checkNormPrice(double price);

} // namespace refdata
