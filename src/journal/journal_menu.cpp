// The journal's menu commands that open the windows of the other areas.
#include "journal/journal_window.h"
#include "refdata/kinds_list.h"
#include "refdata/operations_list.h"
#include "refdata/products_list.h"
#include "refdata/workers_list.h"
#include "ui/dialogs.h"

#include <QAction>
#include <QPushButton>

namespace {
// Commands whose windows are not part of the program yet say so instead of doing nothing.
void notAvailableYet(const QString& command) {
    ui::message(QStringLiteral("Функция «%1» пока недоступна.").arg(command),
                QStringLiteral("Табель"), QMessageBox::Information);
}
} // namespace

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
void TForm1::N9Click() {
    notAvailableYet(N9->text());
}
void TForm1::N10Click() {
    notAvailableYet(N10->text());
}
void TForm1::N13Click() {
    notAvailableYet(N13->text());
}
void TForm1::N14Click() {
    notAvailableYet(N14->text());
}
void TForm1::N15Click() {
    notAvailableYet(N15->text());
}
void TForm1::N17Click() {
    notAvailableYet(N17->text());
}
void TForm1::Button5Click() {
    notAvailableYet(Button5->text());
}
