// The journal's history: the current record's changes, and the day's deleted records, which
// full access may put back.
#include "journal/journal_window.h"

#include "data/change_history.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/texts.h"
#include "journal/record_writes.h"
#include "ui/dialogs.h"
#include "ui/history_window.h"

#include <QDateEdit>

namespace {

// The record a deletion kept, as a new record holds it.
journal::RecordInput recordOf(const QJsonObject& row) {
    journal::RecordInput r;
    r.worker = row.value(QStringLiteral("w_id")).toVariant().toLongLong();
    r.product = row.value(QStringLiteral("i_id")).toVariant().toLongLong();
    r.operation = row.value(QStringLiteral("o_id")).toVariant().toLongLong();
    r.shift = row.value(QStringLiteral("smena")).toInt(1);
    r.day = QDate::fromString(row.value(QStringLiteral("data")).toString(), Qt::ISODate);
    r.price = row.value(QStringLiteral("cena")).toDouble();
    r.quantity = row.value(QStringLiteral("kol_vo")).toDouble();
    r.rejects = row.value(QStringLiteral("brak")).toInt();
    r.hours = row.value(QStringLiteral("time")).toInt();
    r.colour = row.value(QStringLiteral("color")).toVariant().toLongLong();
    return r;
}

} // namespace

void TForm1::HistoryButtonClick() {
    data::Query& q = currentQuery();
    if (q.isEmpty()) return;
    data::Query history(DataModule6->ADO_DB);
    data::setRowHistory(history, QStringLiteral("smena"), q.asInt("id"));
    history.open();
    History->showEntries(
        QStringLiteral("История записи: %1, %2, %3")
            .arg(q.asText("fio"), q.asText("vid"),
                 data::text::date(q.asDate("data"))),
        data::historyEntries(history));
}

void TForm1::DeletedButtonClick() {
    const QDate day = DateT->date();
    data::Query deleted(DataModule6->ADO_DB);
    data::setDeletedRecords(deleted, day);
    deleted.open();
    bool putBack = false;
    std::function<bool(const data::HistoryEntry&)> back;
    // putting a record back changes what is paid: full access only
    if (data::role() == data::Role::Full)
        back = [&putBack](const data::HistoryEntry& e) {
            timesheet::ClosedMonth closed;
            int dayHours = -1;
            const journal::WriteResult result = journal::putBackRecord(
                DataModule6->Control, e.rowId.toLongLong(), recordOf(e.before),
                e.before.value(QStringLiteral("ok")).toString(QStringLiteral("no")), &closed,
                &dayHours);
            if (!journal::isWritten(result)) {
                ui::error(journal::refusalText(result, closed, dayHours));
                return false;
            }
            putBack = true;
            return true;
        };
    History->showEntries(
        QStringLiteral("Удалённые записи за %1").arg(data::text::date(day)),
        data::historyEntries(deleted), back);
    if (putBack) Button8Click();
}
