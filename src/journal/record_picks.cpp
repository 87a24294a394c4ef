// The worker and operation picks of the record editor.
#include "journal/record_editor.h"

#include "data/data_module.h"
#include "refdata/operations_list.h"
#include "refdata/workers_list.h"

void TForm11::Button3Click() {
    Form5->ShowPick(1);
}

void TForm11::Button4Click() {
    Form4->ShowPick(Tag == 2 ? OperId : 0);
    // the list stays open on the row picked; its lowest norm price is the base price
    data::Query& oper = DataModule6->Oper;
    if (oper.active() && !oper.isEmpty() && oper.asInt("id") == OperId)
        BasePrice = oper.asFloat("cena");
    updateColourBox();
    Recompute();
}
