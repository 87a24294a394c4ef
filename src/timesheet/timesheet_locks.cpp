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
// locks cannot meet the advisory locks other programs of the shared database take.
void take(data::Query& control, const std::vector<Lock>& locks) {
    if (locks.empty()) return;
    QStringList calls;
    for (const Lock& l : locks)
        calls << QStringLiteral("%1(hashtextextended('%2', 0)) is null as l%3")
                     .arg(l.shared ? QStringLiteral("pg_advisory_xact_lock_shared")
                                   : QStringLiteral("pg_advisory_xact_lock"),
                          l.key)
                     .arg(calls.size());
    control.close();
    control.setSql(QStringLiteral("select ") + calls.join(QStringLiteral(", ")));
    control.open();
    control.close();
}

QString monthKey(int year, int month) {
    return QStringLiteral("accounts_dep.h_tabel/month/%1/%2").arg(year).arg(month);
}

std::vector<Lock> monthLocks(const std::vector<RowKey>& keys) {
    std::set<std::pair<int, int>> months;
    for (const RowKey& k : keys)
        months.emplace(k.year, k.month);
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

void lockForPosting(data::Query& control, const std::vector<RowKey>& keys) {
    std::vector<Lock> locks = monthLocks(keys);
    const std::vector<Lock> rows = rowLocks(keys);
    locks.insert(locks.end(), rows.begin(), rows.end());
    take(control, locks);
}

void lockMonthForRebuild(data::Query& control, int year, int month) {
    take(control, {{monthKey(year, month), false}});
}

} // namespace timesheet
