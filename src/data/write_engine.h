// The one way every write of the program reaches the database. Several copies write the same
// tables at once and the shared database has no constraint that would stop a duplicate or a
// write into a closed month, so a write is described as a plan and the engine alone turns it
// into statements:
//
//   1. the row the write changes or deletes, select ... for update;
//   2. in one statement, the months it touches (shared; exclusive for a month's rebuild,
//      closing or opening), then the timesheet rows it leaves and enters, sorted: the lock
//      order every copy keeps;
//   3. one statement that first computes its checks (they begin after the locks were
//      granted, so they see what the copies that held them before committed): the row still
//      there and as the user saw it, the first closed month among the months, and the
//      writer's own; then runs every data-modifying part only when all of them pass (the
//      gate is added here, never by the writer), and announces the change to other copies;
//   4. what the window shows afterwards, read in the same exchange.
//
// All of it travels as one transaction in one round trip. It returns one outcome: written,
// or which check refused it (with the closed month it names), or, when the connection went
// while the commit waited for its answer, whether the write is in the database.
//
// The statements sent can be read with QT_LOGGING_RULES="tabel.writes.debug=true".
#pragma once

#include "data/row_check.h"

#include <QList>
#include <QLoggingCategory>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <compare>
#include <functional>
#include <optional>
#include <set>
#include <utility>
#include <vector>

Q_DECLARE_LOGGING_CATEGORY(writeStatements)

namespace data {

class Query;

// A month: the one a write was refused for (none, month 0, when every month it touches is
// open), or a month a write locks.
struct ClosedMonth {
    int year = 0;
    int month = 0;
    bool found() const { return month != 0; }
    auto operator<=>(const ClosedMonth&) const = default;
};

// The row a write changes or deletes, as the user saw it: locked, then compared.
struct SeenTarget {
    QString table; // e.g. "accounts_dep.smena"
    qint64 id = 0;
    // How the table gives each of seen's fields, e.g. "s_caption as marka, massa"; empty:
    // by their own names.
    QString columns;
    SeenRow seen; // empty: only whether the row is there is checked
};

// A condition over the plan's check columns that refuses the write, and the writer's own
// code for it (any value: the engine does not give codes a meaning).
struct Refusal {
    QString condition;
    int code = 0;
};

// One data-modifying part of a write. The engine adds the gate: it runs only when every
// check passes. name: how later parts and announcements refer to its returned rows.
struct WritePart {
    QString name;
    QString head;   // "insert into t(a, b)", "update t set a=1", "delete from t"
    QString select; // an insert's select list (with its own "from …", if any)
    QString where;  // the condition, besides the gate
    QString tail;   // after the where: an insert's "group by …"
    QString returning;

    static WritePart insert(const QString& table, const QString& columns, const QString& select,
                            const QString& where = {}, const QString& returning = {});
    static WritePart update(const QString& table, const QString& set, const QString& where,
                            const QString& returning = {});
    static WritePart remove(const QString& table, const QString& where,
                            const QString& returning = {});
    WritePart& named(const QString& n) {
        name = n;
        return *this;
    }
};

// A part whose returned rows come back in the outcome (WriteOutcome::rows), e.g. to tell the
// user what each row written got.
struct ListedPart {
    QString part;
    // The order of the rows, over the names of the part's returning list ("price, fio");
    // empty: as the part returned them.
    QString order;
};

struct WritePlan {
    std::optional<SeenTarget> row;
    // Months the write touches. Exclusive for a write that must not run beside any other
    // write of the month (a rebuild, closing, opening).
    std::set<std::pair<int, int>> months;
    bool exclusiveMonths = false;
    // Only opening a month writes while it is closed; every other write is refused then.
    bool intoClosedMonth = false;
    // Lock keys of the timesheet rows it leaves and enters (taken sorted, after the months).
    QStringList rowLocks;
    // Read-only parts the checks read, e.g. "days as (select …)".
    QStringList with;
    // The checks: "<expression> as <name>", computed once the locks are held; with the
    // engine's own ("found", "same", "closed": year * 100 + month or null).
    QStringList columns;
    // Tried in order after the row's and the month's.
    std::vector<Refusal> refusals;
    std::vector<WritePart> parts;
    // Parts whose returned rows are counted, as columns of the outcome's values named as the
    // parts.
    QStringList counted;
    // Parts whose returned rows come back, each as a map of the returning list's names.
    std::vector<ListedPart> listed;
    // Statements whose rows are notifications, made only when the write is done; see
    // announceOnce and announceEach.
    QStringList announcements;
    // After a lost answer, once connected again: whether the write is in the database.
    std::function<bool()> landed;
    // Queries opened in the same exchange, after the write: they see what it left.
    QList<Query*> alsoRead;
    // What the history of changes (accounts_dep.change_log) calls the timesheet rows this
    // write touches, when it is more than a change ("rebuilt"); empty: as the rows changed.
    QString action;
};

// An announcement (a pg_notify call, data/changes.h) made once when the write is done, or
// once for each row a part returned.
QString announceOnce(const QString& notify);
QString announceEach(const QString& notify, const QString& part);

struct WriteOutcome {
    enum class Status {
        Written,
        Gone,        // the row is no longer there
        Changed,     // another user changed it since it was shown
        MonthClosed, // closed: the month
        Refused,     // refusal: the writer's code
        // the connection went while the commit waited for its answer; once connected again:
        LostSaved,
        LostNotSaved,
        LostUnknown,
    };
    Status status = Status::Written;
    int refusal = 0;
    ClosedMonth closed;
    // The checks' columns as computed (the engine's and the plan's); empty after a lost answer.
    QVariantMap values;
    // The rows of the plan's listed parts, by part: none when the write was refused. Values
    // as JSON carries them (QJsonValue::toVariant): numbers, booleans, null, the rest as text.
    QMap<QString, QList<QVariantMap>> rows;

    // Whether the write is in the database.
    bool written() const { return status == Status::Written || status == Status::LostSaved; }
    bool refusedWith(int code) const { return status == Status::Refused && refusal == code; }
};

// A writer's own value for each status of an outcome; a refusal gives the writer's code.
template <class R>
struct StatusValues {
    R written, gone, changed, monthClosed, lostSaved, lostNotSaved, lostUnknown;
};
template <class R>
R valueOf(const WriteOutcome& out, const StatusValues<R>& v) {
    using S = WriteOutcome::Status;
    switch (out.status) {
    case S::Written:
        return v.written;
    case S::Gone:
        return v.gone;
    case S::Changed:
        return v.changed;
    case S::MonthClosed:
        return v.monthClosed;
    case S::Refused:
        return R(out.refusal);
    case S::LostSaved:
        return v.lostSaved;
    case S::LostNotSaved:
        return v.lostNotSaved;
    case S::LostUnknown:
        break;
    }
    return v.lostUnknown;
}

// Locks, checks and writes as one transaction in one round trip on control's connection.
// A statement the server refuses raises DbError, and nothing is written. The transaction
// names its writer to the history of changes (writerNames()).
WriteOutcome write(Query& control, const WritePlan& plan);

// Who writes, as the history of changes keeps it beside the login: the access role of this
// copy, the computer's name and the computer user's name, joined by "|".
QString writerNames();
// The computer user's name the copy runs as ($USER, else $USERNAME; empty when neither).
QString computerUser();
// The statement naming the writer (and the action, if any) to the history for the rest of
// the transaction; run first in it. copy: the writing connection's copyId(), by which a copy
// reading the history knows its own changes.
QString writerStatement(const QString& action = QString(), const QString& copy = QString());

// The advisory lock key of a month, as every copy names it.
QString monthLockKey(int year, int month);

// The advisory lock key of a worker (accounts_dep.person): a write that needs the worker to
// stay takes it among its rowLocks, and the worker's deletion takes it too.
QString workerLockKey(qint64 worker);

// Whether one of the months is closed, as a statement's column "closed" (year * 100 + month of
// the first, null when none).
QString closedMonthExpression(const std::set<std::pair<int, int>>& months);
ClosedMonth closedMonthOf(qint64 yearMonth);

} // namespace data
