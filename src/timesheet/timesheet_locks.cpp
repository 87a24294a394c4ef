#include "timesheet/timesheet_locks.h"

namespace timesheet {

QString rowLockKey(const RowKey& k) {
    return QStringLiteral("accounts_dep.h_tabel/row/%1/%2/%3/%4/%5/%6")
        .arg(k.worker)
        .arg(k.type)
        .arg(k.shift)
        .arg(k.night)
        .arg(k.year)
        .arg(k.month);
}

} // namespace timesheet
