#include "timesheet/timesheet_locks.h"

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

// Takes the locks in the order given, in one statement: the server evaluates a select
// list from left to right. Each key is a 64-bit hash of a text naming the table, so the
// locks cannot meet the advisory locks other programs of the shared database take. Returns
// whether the database has the table of closed months, asked in the same statement.
QString lockStatement(const std::vector<Lock>& locks) {
    QStringList calls;
    for (const Lock& l : locks)
        calls << QStringLiteral("%1(hashtextextended('%2', 0)) is null as l%3")
                     .arg(l.shared ? QStringLiteral("pg_advisory_xact_lock_shared")
                                   : QStringLiteral("pg_advisory_xact_lock"),
                          l.key)
                     .arg(calls.size());
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

} // namespace

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
