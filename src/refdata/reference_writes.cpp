#include "refdata/reference_writes.h"

#include "data/query.h"
#include "data/sql_text.h"
#include "ui/dialogs.h"

#include <cmath>

namespace refdata {

using data::sql::integer;

namespace {

// What the messages call each kind of row, with the participles that agree with it.
struct Named {
    QString what;
    QString deleted;
    QString changed;
};

Named named(RowKind kind) {
    const Named masculine{QString(), QStringLiteral("удалён"), QStringLiteral("изменён")};
    const Named feminine{QString(), QStringLiteral("удалена"), QStringLiteral("изменена")};
    Named n = masculine;
    switch (kind) {
    case RowKind::Worker:
        n.what = QStringLiteral("Работник");
        break;
    case RowKind::Product:
        n = {QStringLiteral("Изделие"), QStringLiteral("удалено"), QStringLiteral("изменено")};
        break;
    case RowKind::Kind:
        n.what = QStringLiteral("Вид операции");
        break;
    case RowKind::Operation:
        n = feminine;
        n.what = QStringLiteral("Операция");
        break;
    case RowKind::Norm:
        n = feminine;
        n.what = QStringLiteral("Строка норматива");
        break;
    }
    return n;
}

// A reference write has no month and no refusal of its own.
RowWrite outcomeOf(const data::WriteOutcome& out) {
    using R = RowWrite;
    return data::valueOf<R>(out, {R::Written, R::Gone, R::Changed, R::LostUnknown, R::LostSaved,
                                  R::LostNotSaved, R::LostUnknown});
}

QString select(const SeenReference& row) {
    return "select " + (row.columns.isEmpty() ? row.seen.fields.join(u',') : row.columns) +
           " from " + row.table + " where id=" + integer(row.id);
}

} // namespace

QString refusalText(RowWrite result, RowKind kind) {
    const Named n = named(kind);
    switch (result) {
    case RowWrite::Written:
        return {};
    case RowWrite::Gone:
        return QStringLiteral("%1 %2 другим пользователем; изменения не записаны. Список "
                              "перечитан.")
            .arg(n.what, n.deleted);
    case RowWrite::Changed:
        return QStringLiteral("%1 %2 другим пользователем, пока окно было открыто; ничего не "
                              "записано. Список перечитан; запишите ещё раз, чтобы ваши данные "
                              "легли поверх.")
            .arg(n.what, n.changed);
    case RowWrite::LostSaved:
        return data::lostCommitText(data::LostCommit::Saved);
    case RowWrite::LostNotSaved:
        return data::lostCommitText(data::LostCommit::NotSaved);
    case RowWrite::LostUnknown:
        return data::lostCommitText(data::LostCommit::Unknown);
    }
    return {};
}

bool isWritten(RowWrite result) {
    return result == RowWrite::Written || result == RowWrite::LostSaved;
}

data::SeenRow currentRow(data::Query& control, const SeenReference& row) {
    data::ClosedOnExit closer{control};
    control.close();
    control.setSql(select(row));
    control.open();
    return data::SeenRow::of(control, row.seen.fields);
}

RowWrite updateRow(data::Query& control, const SeenReference& row, const QString& set,
                   const QString& written) {
    data::WritePlan plan;
    plan.row = row;
    plan.parts = {data::WritePart::update(row.table, set, "id=" + integer(row.id))};
    plan.landed = [&] {
        return data::lookupIn(control,
                              "select count(*) as cnt from " + row.table +
                                  " where id=" + integer(row.id) + " and " + written,
                              "cnt")
                   .toLongLong() > 0;
    };
    return outcomeOf(data::write(control, plan));
}


RowWrite deleteRow(data::Query& control, const QString& table, qint64 id) {
    data::WritePlan plan;
    plan.row = SeenReference{table, id, {}, {}};
    // a household entry being written for the worker holds it
    if (table.compare(QLatin1String("accounts_dep.person"), Qt::CaseInsensitive) == 0)
        plan.rowLocks << data::workerLockKey(id);
    plan.parts = {data::WritePart::remove(table, "id=" + integer(id))};
    plan.landed = [&] {
        return data::lookupIn(control,
                              "select count(*) as cnt from " + table + " where id=" + integer(id),
                              "cnt")
                   .toLongLong() == 0;
    };
    return outcomeOf(data::write(control, plan));
}

bool insertRows(data::Query& control, const std::vector<data::WritePart>& parts) {
    data::WritePlan plan;
    plan.parts = parts;
    return data::write(control, plan).written();
}

bool settleUpdate(RowWrite result, RowKind kind, data::Query& list, data::Query& control,
                  SeenReference& row) {
    if (result == RowWrite::Written) return true;
    ui::error(refusalText(result, kind));
    if (result == RowWrite::Changed) row.seen = currentRow(control, row);
    if ((result == RowWrite::Gone || result == RowWrite::Changed) && list.active()) list.refresh();
    return result == RowWrite::LostSaved;
}

QString checkNormPrice(double price) {
    if (!std::isfinite(price) || price < 0 || price > MaxNormPrice)
        return QStringLiteral("Цена: нужно число от 0 до %1 р. за штуку.")
            .arg(QStringLiteral("1 000 000"));
    return {};
}

} // namespace refdata
