#include "timesheet/timesheet_locks.h"

#include "data/query.h"

#include <algorithm>
#include <set>
#include <utility>

namespace timesheet {

namespace {

// A 64-bit hash of a text naming the table, so the lock cannot meet the advisory locks
// other programs of the shared database take.
void advisoryLock(data::Query& control, const QString& key, bool shared) {
    control.close();
    control.setSql(QStringLiteral("select %1(hashtextextended('%2', 0)) is null as locked")
                       .arg(shared ? QStringLiteral("pg_advisory_xact_lock_shared")
                                   : QStringLiteral("pg_advisory_xact_lock"),
                            key));
    control.open();
    control.close();
}

QString monthKey(int year, int month) {
    return QStringLiteral("accounts_dep.h_tabel/month/%1/%2").arg(year).arg(month);
}

} // namespace

void lockMonths(data::Query& control, const std::vector<RowKey>& keys) {
    std::set<std::pair<int, int>> months;
    for (const RowKey& k : keys)
        months.emplace(k.year, k.month);
    for (const auto& [year, month] : months)
        advisoryLock(control, monthKey(year, month), true);
}

void lockRows(data::Query& control, std::vector<RowKey> keys) {
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    for (const RowKey& k : keys)
        advisoryLock(control,
                     QStringLiteral("accounts_dep.h_tabel/row/%1/%2/%3/%4/%5/%6")
                         .arg(k.worker)
                         .arg(k.type)
                         .arg(k.shift)
                         .arg(k.night)
                         .arg(k.year)
                         .arg(k.month),
                     false);
}

void lockForPosting(data::Query& control, const std::vector<RowKey>& keys) {
    lockMonths(control, keys);
    lockRows(control, keys);
}

void lockMonthForRebuild(data::Query& control, int year, int month) {
    advisoryLock(control, monthKey(year, month), false);
}

} // namespace timesheet
