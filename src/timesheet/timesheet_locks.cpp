#include "timesheet/timesheet_locks.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"

#include <algorithm>
#include <set>
#include <utility>

namespace timesheet {

namespace {

struct Lock {
    QString key;
    bool shared;
};

// The lock statement's select list.
QStringList lockCalls(const std::vector<Lock>& locks) {
    QStringList calls;
    for (const Lock& l : locks)
        calls << QStringLiteral("%1(hashtextextended('%2', 0)) is null as l%3")
                     .arg(l.shared ? QStringLiteral("pg_advisory_xact_lock_shared")
                                   : QStringLiteral("pg_advisory_xact_lock"),
                          l.key)
                     .arg(calls.size());
    return calls;
}

// Takes the locks in the order given, in one statement: the server evaluates a select
// list from left to right. Each key is a 64-bit hash of a text naming the table, so the
// locks cannot meet the advisory locks other programs of the shared database take. Returns
// whether the database has the table of closed months, asked in the same statement.
QString lockStatement(const std::vector<Lock>& locks) {
    QStringList calls = lockCalls(locks);
    calls << closedMonthTableTest() + QStringLiteral(" as closable");
    return QStringLiteral("select ") + calls.join(QStringLiteral(", "));
}

bool take(data::Query& control, const std::vector<Lock>& locks) {
    if (locks.empty()) return false;
    control.close();
    control.setSql(lockStatement(locks));
    control.open();
    data::ClosedOnExit closing{control};
    return control.asInt(QStringLiteral("closable")) != 0;
}

// The closed month among the locked ones, read by a statement of its own: one that began
// before a close committed would not see it.
ClosedMonth closedAmong(data::Query& control, bool closable,
                        const std::set<std::pair<int, int>>& months) {
    return closable ? firstClosed(control, months) : ClosedMonth{};
}

QString monthKey(int year, int month) {
    return QStringLiteral("accounts_dep.h_tabel/month/%1/%2").arg(year).arg(month);
}

std::set<std::pair<int, int>> monthsOf(const std::vector<RowKey>& keys) {
    std::set<std::pair<int, int>> months;
    for (const RowKey& k : keys)
        months.emplace(k.year, k.month);
    return months;
}

std::vector<Lock> monthLocks(const std::set<std::pair<int, int>>& months) {
    std::vector<Lock> locks;
    for (const auto& [year, month] : months)
        locks.push_back({monthKey(year, month), true});
    return locks;
}

std::vector<Lock> rowLocks(std::vector<RowKey> keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::vector<Lock> locks;
    for (const RowKey& k : keys)
        locks.push_back({QStringLiteral("accounts_dep.h_tabel/row/%1/%2/%3/%4/%5/%6")
                             .arg(k.worker)
                             .arg(k.type)
                             .arg(k.shift)
                             .arg(k.night)
                             .arg(k.year)
                             .arg(k.month),
                         false});
    return locks;
}

// Whether the session's database has the table of closed months, as last found; assumed
// so until a statement says otherwise.
const QString ClosableFact = QStringLiteral("closed_month exists");

} // namespace

void openPosting(data::Query& control, const QString& first, const std::vector<RowKey>& keys,
                 const std::set<std::pair<int, int>>& months,
                 const std::function<QString(const QString& closedMonth)>& build) {
    std::set<std::pair<int, int>> all = monthsOf(keys);
    all.insert(months.begin(), months.end());
    std::vector<Lock> locks = monthLocks(all);
    const std::vector<Lock> rows = rowLocks(keys);
    locks.insert(locks.end(), rows.begin(), rows.end());
    data::Connection& connection = control.connection();
    for (int attempt = 0;; ++attempt) {
        const QVariant fact = connection.sessionFact(ClosableFact);
        const bool closable = !fact.isValid() || fact.toBool();
        QStringList calls = lockCalls(locks);
        // a table made while this session thought there was none stops the write
        if (!closable)
            calls << QStringLiteral("case when to_regclass('accounts_dep.closed_month') is not "
                                    "null then cast(to_regclass('accounts_dep.closed_month')::text "
                                    "as int) end as made");
        QString closed = QStringLiteral("null::int");
        if (closable && !all.empty()) {
            QStringList keys;
            for (const auto& [year, month] : all)
                keys << QStringLiteral("(%1, %2)").arg(year).arg(month);
            closed = QStringLiteral("(select year * 100 + month from accounts_dep.closed_month "
                                    "where (year, month) in (") +
                     keys.join(QStringLiteral(", ")) +
                     QStringLiteral(") order by year, month limit 1)");
        }
        QStringList statements;
        if (!first.isEmpty()) statements << first;
        if (!calls.isEmpty()) statements << QStringLiteral("select ") + calls.join(u',');
        statements << build(closed);
        try {
            control.openWrite(statements);
            connection.setSessionFact(ClosableFact, closable);
            return;
        } catch (const data::CommitLost&) {
            throw;
        } catch (const data::DbError& e) {
            // the table is not (or is now) there: once more with what the server said
            if (attempt > 0 || !e.message().contains(QLatin1String("closed_month"))) throw;
            connection.setSessionFact(ClosableFact, !closable);
        }
    }
}

ClosedMonth closedMonthOf(qint64 yearMonth) {
    if (yearMonth <= 0) return {};
    return {int(yearMonth / 100), int(yearMonth % 100)};
}

ClosedMonth lockForPosting(data::Query& control, const std::vector<RowKey>& keys) {
    const std::set<std::pair<int, int>> months = monthsOf(keys);
    std::vector<Lock> locks = monthLocks(months);
    const std::vector<Lock> rows = rowLocks(keys);
    locks.insert(locks.end(), rows.begin(), rows.end());
    return closedAmong(control, take(control, locks), months);
}

ClosedMonth lockMonths(data::Query& control, const std::set<std::pair<int, int>>& months) {
    return closedAmong(control, take(control, monthLocks(months)), months);
}

ClosedMonth lockMonthForRebuild(data::Query& control, int year, int month) {
    return closedAmong(control, take(control, {{monthKey(year, month), false}}),
                       {std::pair{year, month}});
}

QString rebuildLockStatement(int year, int month) {
    return lockStatement({{monthKey(year, month), false}});
}

} // namespace timesheet
