// The journal's menu commands that open the windows of the other areas.
#include "journal/journal_window.h"
#include "refdata/kinds_list.h"
#include "refdata/operations_list.h"
#include "refdata/products_list.h"
#include "refdata/workers_list.h"
#include "timesheet/household_list.h"

#include <QDateEdit>

void TForm1::N1Click() {
    Form5->ShowBrowse();
}
void TForm1::N3Click() {
    Form3->ShowBrowse();
}
void TForm1::N4Click() {
    Form4->ShowBrowse();
}
void TForm1::N6Click() {
    Form8->ShowBrowse();
}
void TForm1::N9Click() {}
void TForm1::N10Click() {}
void TForm1::N13Click() {}
void TForm1::N14Click() {}
void TForm1::N15Click() {}
void TForm1::N17Click() {}
void TForm1::Button5Click() {
    Form25->ShowOnDay(DateT->date());
}
