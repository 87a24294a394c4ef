#include "timesheet/month_rebuild.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/db_error.h"
#include "data/row_check.h"

namespace timesheet {

RebuildRefusal rebuildMonth(data::Query& control, int year, int month,
                            const std::function<void(int step)>& progress,
                            const QList<data::Query*>& alsoRead) {
    auto step = [&](int n) {
        if (progress) progress(n);
    };
    step(1);
    data::WritePlan plan = rebuildPlan(control.connection(), year, month);
    plan.alsoRead = alsoRead;
    const data::WriteOutcome out = data::write(control, plan);
    step(2);
    RebuildRefusal refusal;
    switch (out.status) {
    case data::WriteOutcome::Status::Written:
        break;
    case data::WriteOutcome::Status::MonthClosed:
        refusal.closed = out.closed;
        break;
    case data::WriteOutcome::Status::Refused:
        refusal.cell = overfilledIn(out);
        break;
    default:
        // no look after a lost answer: the month's rows are read again anyway
        throw data::DbError(data::lostCommitText(data::LostCommit::Unknown));
    }
    step(3);
    return refusal;
}

RebuildRefusal rebuildMonth(int year, int month, const std::function<void(int step)>& progress,
                            const QList<data::Query*>& alsoRead) {
    return rebuildMonth(DataModule6->Control, year, month, progress, alsoRead);
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
