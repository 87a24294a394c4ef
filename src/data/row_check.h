// What a write needs when another copy may have written the same row first, or when the
// connection went while the write was being committed:
//
// - SeenRow keeps a row as a window showed it, and compareRow() tells whether the
//   database holds it so still, holds it otherwise, or no longer holds it;
// - settleLostCommit() finds out, once connected again, whether a write whose commit lost
//   its answer is in the database, by asking the caller's test of the values it wrote.
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantList>
#include <functional>

namespace data {

class Connection;
class Query;

// A row as a list read it: the values of the named fields.
struct SeenRow {
    QStringList fields;
    QVariantList values;

    bool isEmpty() const { return fields.isEmpty(); }
    // The fields of query's current row; empty when it has none.
    static SeenRow of(const Query& query, const QStringList& fields);
};

enum class RowNow {
    Same,    // every field as seen
    Changed, // the row is there with another value in a field
    Gone,    // no such row
};

// Runs select (a statement giving at most one row with every field of seen, e.g. with
// "for update" to hold it) on control and compares the row with seen. The values compared
// come through the same access layer as the list's, so a value equals itself exactly.
RowNow compareRow(Query& control, const QString& select, const SeenRow& seen);

// A value as a literal of a statement, exactly as read: numbers in full, dates and times
// typed, decimals (kept as their text) and texts quoted.
QString literal(const QVariant& value);

// A condition true on a row that holds every field as seen, for a statement that writes only
// such a row: "(f1, f2, …) is not distinct from (v1, v2, …)" with the values written as the
// list read them. "true" for an empty SeenRow.
QString sameAsSeen(const SeenRow& seen);

// Whether a write whose commit lost its answer is in the database.
enum class LostCommit { Saved, NotSaved, Unknown };

// After CommitLost: opens the connection again, trying for a while as a restarting server
// needs, and asks landed (which runs its own statements) whether the write is there.
// Unknown when the server stays away or the question itself fails.
LostCommit settleLostCommit(Connection& connection, const std::function<bool()>& landed);
// How long settleLostCommit keeps trying to connect again, in milliseconds.
void setReconnectWait(int milliseconds);

// What the user is told of each outcome.
QString lostCommitText(LostCommit outcome);

} // namespace data
