// The worker and operation picks of the record editor: the lists hand back the row chosen,
// and the editor prices the operation for its day and shift.
#include "journal/record_editor.h"

#include "journal/piece_rate.h"
#include "refdata/operations_list.h"
#include "refdata/workers_list.h"

#include <QLineEdit>

void TForm11::Button3Click() {
    if (const auto worker = Form5->ShowPick(1)) {
        Edit1->setText(worker->name);
        WorkerId = worker->id;
    }
}

void TForm11::Button4Click() {
    if (const auto op = Form4->ShowPick(Tag == ui::ChangeRow ? OperId : 0)) {
        OperId = op->id;
        ProductId = op->product;
        Stage = op->stage;
        BasePrice = op->price;
        Price = journal::pieceRate(op->price, DayOff, Shift);
        Edit2->setText(op->text);
    }
    updateColourBox();
    Recompute();
}
