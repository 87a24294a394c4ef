// The journal's commands on shift records: add, change, delete, accept.
#include "journal/journal_window.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/hours_posting.h"
#include "journal/record_editor.h"
#include "ui/dialogs.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>

namespace {
const QString DataEntryRole = QStringLiteral("plovnik");

void restoreRecNo(data::Query& q, int rec) {
    if (rec >= 1 && rec <= q.recordCount()) q.setRecNo(rec);
}
} // namespace

void TForm1::Button1Click() {
    currentQuery();
    TForm11* e = Form11;
    e->DTimeP->setDate(DateT->date());
    for (QLineEdit* box : {e->Edit1, e->Edit2, e->Edit3, e->Edit5, e->Edit7, e->Edit8, e->Edit9})
        box->clear();
    e->Edit4->setText(QStringLiteral("0"));
    e->Edit6->setText(QStringLiteral("0"));
    e->Price = 0;
    e->BasePrice = 0;
    e->RecordId = 0;
    e->OldWorkerId = 0;
    e->OldDate = QDate();
    e->updateColourBox();
    e->setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    e->Tag = 1;
    ui::showModal(e);
}

void TForm1::Button2Click() {
    data::Query& q = currentQuery();
    const int rec = q.recNo();
    if (q.isEmpty()) return;
    TForm11* e = Form11;
    e->setWindowTitle(QStringLiteral("Изменение данных о позиции (11)"));
    e->Tag = 2;
    e->Price = q.asFloat("cena");
    e->Edit7->setText(data::sql::general(data::sql::round4(e->Price)));
    e->Edit9->setText(data::sql::general(data::sql::round4(q.asFloat("kol_vo") * e->Price)));
    e->DTimeP->setDate(q.asDate("data"));
    e->Edit1->setText(q.asText("fio").trimmed());
    e->Edit2->setText(q.asText("marka").trimmed() + "; " + q.asText("vid").trimmed() + "; " +
                      (q.asInt("naimen") == 0 ? QStringLiteral("Готовая продукция")
                                              : QStringLiteral("Заготовки")));
    e->Edit3->setText(q.asText("kol_vo").trimmed());
    e->Edit4->setText(q.asText("brak").trimmed());
    e->WorkerId = int(q.asInt("w_id"));
    e->ProductId = int(q.asInt("i_id"));
    e->OperId = int(q.asInt("o_id"));
    e->Stage = int(q.asInt("naimen"));
    e->Edit6->setText(data::sql::integer(q.asInt("time")));
    e->RecordId = int(q.asInt("id"));
    e->OldWorkerId = e->WorkerId;
    e->OldDate = e->DTimeP->date();
    // "Цена база" shows the record's operation, its lowest norm price
    e->BasePrice = DataModule6
                       ->lookup("select min(price) as cena from accounts_dep.norm where o_id=" +
                                    data::sql::integer(e->OperId),
                                "cena")
                       .toDouble();
    e->Edit8->setText(data::sql::general(data::sql::round4(e->BasePrice)));
    if (TForm11::isPainting(q.asText("vid"))) {
        e->Edit5->setEnabled(true);
        e->Label6->setEnabled(true);
        e->Edit5->setText(q.asText("color"));
    } else {
        e->Edit5->clear();
        e->Edit5->setEnabled(false);
        e->Label6->setEnabled(false);
    }
    // the operation pick reads the operations and their prices afresh
    DataModule6->Oper.close();
    ui::showModal(e);
    restoreRecNo(q, rec);
}

void TForm1::Button3Click() {
    data::Query& q = currentQuery();
    const QString id = q.isEmpty() ? QString() : q.asText("id");
    if (id.isEmpty()) return;
    DataModule6->DelSmena.setSql("delete from accounts_dep.smena where id=" + id);
    const bool yes =
        ui::askYesNo(QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"));
    if (yes) {
        const int worker = int(q.asInt("w_id"));
        // the cell of the record's own day, whatever the date box shows meanwhile
        const QDate day = q.asDate("data");
        data::Transaction t(DataModule6->ADO_DB);
        DataModule6->DelSmena.execute();
        journal::recomputeHours(worker, CurShift, day);
        t.commit();
    }
    q.close();
    q.open();
}

void TForm1::DBGrid2DblClick() {
    if (UserText == DataEntryRole) return;
    data::Query& q = currentQuery();
    if (q.isEmpty()) return;
    const QString mark = q.asText("ok");
    const QString next = (mark != QStringLiteral("да") && mark != QLatin1String("ok"))
                             ? QStringLiteral("ok")
                             : QStringLiteral("no");
    updtOK->setParam("id", int(q.asInt("id")));
    updtOK->setParam("ok", next);
    updtOK->execute();
    const int rec = q.recNo();
    q.close();
    q.open();
    restoreRecNo(q, rec);
}
