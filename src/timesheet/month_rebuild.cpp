#include "timesheet/month_rebuild.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "timesheet/timesheet_locks.h"

namespace timesheet {

RebuildRefusal rebuildMonth(data::Query& control, data::Command&, int year, int month,
                            const std::function<void(int step)>& progress,
                            const QList<data::Query*>& alsoRead) {
    auto step = [&](int n) {
        if (progress) progress(n);
    };
    data::Connection& connection = control.connection();
    data::Transaction t(connection);
    // One exchange: the lock, then the rebuild (which begins after the lock is granted and
    // checks the month itself), then what the window shows of the month as it now stands.
    data::Query lock(connection);
    lock.setSql(rebuildLockStatement(year, month));
    control.close();
    control.setSql(rebuildStatement(connection, year, month));
    data::openTogether(QList<data::Query*>{&lock, &control} + alsoRead);
    lock.close();
    data::ClosedOnExit closing{control};
    if (closedIn(control)) return {{}, {year, month}};
    step(1);
    const OverfilledCell overfilled = overfilledIn(control);
    if (overfilled.found()) return {overfilled, {}}; // rolled back; nothing was written anyway
    step(2);
    t.commit();
    step(3);
    return {};
}

RebuildRefusal rebuildMonth(int year, int month, const std::function<void(int step)>& progress,
                            const QList<data::Query*>& alsoRead) {
    return rebuildMonth(DataModule6->Control, DataModule6->DelSmena, year, month, progress,
                        alsoRead);
}

QString rebuildRefusalText(const RebuildRefusal& refusal) {
    if (refusal.closed.found()) return closedMonthText(refusal.closed);
    const OverfilledCell& c = refusal.cell;
    const QString worker = c.name.isEmpty() ? QStringLiteral("с кодом %1").arg(c.worker) : c.name;
    return QStringLiteral("Табель не перестроен: у работника %1 в смене %2 за %3 "
                          "записано %4 ч., а в ячейке табеля может быть не больше %5 ч. "
                          "Исправьте записи этого дня.")
        .arg(worker)
        .arg(c.shift)
        .arg(c.day.toString(QStringLiteral("dd.MM.yyyy")))
        .arg(c.hours)
        .arg(MaxDayHours);
}

} // namespace timesheet
