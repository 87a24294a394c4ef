#include "refdata/reference_writes.h"

#include "data/connection.h"
#include "data/db_error.h"
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

RowWrite updateRow(data::Query& control, data::Command& command, const SeenReference& row,
                   const QString& set, const QString& written) {
    try {
        data::Transaction t(control.connection());
        switch (data::compareRow(control, select(row) + " for update", row.seen)) {
        case data::RowNow::Gone:
            return RowWrite::Gone;
        case data::RowNow::Changed:
            return RowWrite::Changed;
        case data::RowNow::Same:
            break;
        }
        command.setSql("update " + row.table + " set " + set + " where id=" + integer(row.id));
        // locked and there, so the update touches it; anything else is no write of ours
        if (command.execute() != 1) return RowWrite::Gone;
        t.commit();
        return RowWrite::Written;
    } catch (const data::CommitLost&) {
        const auto landed = [&] {
            return data::lookupIn(control,
                                  "select count(*) as cnt from " + row.table +
                                      " where id=" + integer(row.id) + " and " + written,
                                  "cnt")
                       .toLongLong() > 0;
        };
        switch (data::settleLostCommit(control.connection(), landed)) {
        case data::LostCommit::Saved:
            return RowWrite::LostSaved;
        case data::LostCommit::NotSaved:
            return RowWrite::LostNotSaved;
        case data::LostCommit::Unknown:
            break;
        }
        return RowWrite::LostUnknown;
    }
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
