#include "timesheet/month_rebuild.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"

namespace timesheet {

RebuildRefusal rebuildMonth(data::Query& control, data::Command&, int year, int month,
                            const std::function<void(int step)>& progress) {
    auto step = [&](int n) {
        if (progress) progress(n);
    };
    data::Transaction t(control.connection());
    if (const ClosedMonth closed = lockMonthForRebuild(control, year, month); closed.found())
        return {{}, closed};
    step(1);
    const OverfilledCell overfilled = rebuildShiftRows(control, year, month);
    if (overfilled.found()) return {overfilled, {}}; // rolled back; nothing was written anyway
    step(2);
    t.commit();
    step(3);
    return {};
}

RebuildRefusal rebuildMonth(int year, int month, const std::function<void(int step)>& progress) {
    return rebuildMonth(DataModule6->Control, DataModule6->DelSmena, year, month, progress);
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
