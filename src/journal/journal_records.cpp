// The journal's commands on shift records: add, change, delete, accept.
#include "journal/journal_window.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "journal/worker_month_window.h"
#include "ui/dialogs.h"

#include <QCheckBox>
#include <QDateEdit>

namespace {
void restoreRecNo(data::Query& q, int rec) {
    if (rec >= 1 && rec <= q.recordCount()) q.setRecNo(rec);
}
} // namespace

void TForm1::Button1Click() {
    currentQuery();
    Form11->openForNew(DateT->date(), CurShift, CBox1->isChecked());
}

void TForm1::Button2Click() {
    data::Query& q = currentQuery();
    const int rec = q.recNo();
    if (q.isEmpty()) return;
    journal::ShiftRecord r;
    r.id = int(q.asInt("id"));
    r.day = q.asDate("data");
    r.shift = CurShift;
    r.worker = int(q.asInt("w_id"));
    r.workerName = q.asText("fio");
    r.product = int(q.asInt("i_id"));
    r.operation = int(q.asInt("o_id"));
    r.stage = int(q.asInt("naimen"));
    r.mark = q.asText("marka");
    r.kind = q.asText("vid");
    r.price = q.asFloat("cena");
    r.quantity = q.asText("kol_vo");
    r.rejects = q.asText("brak");
    r.hours = q.asInt("time");
    r.colour = q.asText("color");
    r.seen = journal::seenRecord(q);
    Form11->openForChange(r, CBox1->isChecked());
    restoreRecNo(q, rec);
}

void TForm1::Button3Click() {
    data::Query& q = currentQuery();
    if (q.isEmpty()) return;
    const qint64 id = q.asInt("id");
    // what the user decides on: a record another user changed meanwhile is left alone
    const data::SeenRow seen = journal::seenRecord(q);
    if (!ui::askYesNo(journal::deletionQuestion(q), QStringLiteral("Удаление"), QMessageBox::No))
        return;
    // the cell recomputed is the one the record fed as the database held it, whatever this
    // copy's list still shows of it; the list comes back with the deletion
    timesheet::ClosedMonth closed;
    journal::ShownRecord shown(q, CurShift);
    const journal::WriteResult result =
        journal::deleteRecord(DataModule6->Control, id, seen, &closed, shown.of(id));
    shown.put(result);
    if (result != journal::WriteResult::Written) ui::error(journal::refusalText(result, closed));
}

void TForm1::DBGrid2DblClick() {
    // acceptance changes what is paid: full access only
    if (!data::mayAccept()) return;
    data::Query& q = currentQuery();
    if (q.isEmpty()) return;
    const QString mark = q.asText("ok");
    const QString next = (mark != QStringLiteral("да") && mark != QLatin1String("ok"))
                             ? QStringLiteral("ok")
                             : QStringLiteral("no");
    timesheet::ClosedMonth closed;
    // the record comes back with the mark and keeps its place
    journal::ShownRecord shown(q, CurShift);
    const qint64 id = q.asInt("id");
    const journal::WriteResult result =
        journal::markRecord(DataModule6->Control, id, next, &closed, q.asDate("data"),
                            shown.of(id));
    shown.put(result);
    if (result != journal::WriteResult::Written) ui::error(journal::refusalText(result, closed));
}

void TForm1::N27Click() {
    data::Query& q = currentQuery();
    if (q.isEmpty()) {
        ui::message(QStringLiteral("Выберите в журнале запись работника."),
                    QStringLiteral("Месяц работника"), QMessageBox::Information);
        return;
    }
    // the month of the record's day, with the records the journal lists
    Form31->ShowFor(q.asInt("w_id"), q.asText("fio"), q.asDate("data"), q.param("ok").toString());
}
