#include "refdata/workers_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "refdata/worker_editor.h"
#include "ui/dbgrid.h"
#include "refdata/reference_writes.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"

#include <QLineEdit>

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : refdata::ListWindow(parent) {
    Form5 = this;
    setWindowTitle(QStringLiteral("Список рабочих"));
    setDialogBorder(620, 520);

    DBGrid1->addNameColumn("fio", QStringLiteral("ФИО"), 290);
    DBGrid1->addNameColumn("s_staffpos_hl", QStringLiteral("Должность"), 290);
    setList(DataModule6->Workers, {QStringLiteral("fio")});
    Edit1->setPlaceholderText(QStringLiteral("Поиск по ФИО"));
    layOut();
}

void TForm5::ShowBrowse() {
    showBrowse();
}

std::optional<refdata::PickedWorker> TForm5::ShowPick(int tag) {
    Tag = tag;
    Picked.reset();
    data::Query& workers = DataModule6->Workers;
    workers.open();
    pickButtons();
    Edit1->setVisible(true);
    Edit1->clear();
    workers.setFiltered(false);
    ui::showModal(this);
    workers.close();
    return Picked;
}

void TForm5::Button1Click() {
    Form2->Edit1->clear();
    Form2->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    Form2->Tag = ui::NewRow;
    Form2->CurrentPosition.clear();
    Form2->ReopenLookups();
    ui::showModal(Form2);
    data::Query& workers = DataModule6->Workers;
    workers.close();
    workers.open();
}

void TForm5::handBack() {
    data::Query& workers = DataModule6->Workers;
    Picked = refdata::PickedWorker{int(workers.asInt("id")), workers.asText("fio").trimmed()};
}

void TForm5::changeRow() {
    data::Query& workers = DataModule6->Workers;
    Form2->setWindowTitle(QStringLiteral("Изменение данных работника"));
    Form2->Tag = ui::ChangeRow;
    Form2->ReopenLookups();
    Form2->Edit1->setText(workers.asText("fio").trimmed());
    Form2->WorkerId = int(workers.asInt("id"));
    Form2->Seen =
        data::SeenRow::of(workers, {QStringLiteral("fio"), QStringLiteral("s_staffpos_hl")});
    Form2->ShowPosition(workers.asText("s_staffpos_hl"));
    ui::showModal(Form2);
    workers.refresh();
}

void TForm5::Button3Click() {
    data::Query& workers = DataModule6->Workers;
    if (!hasRow()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить работника?"), QStringLiteral("Удаление"))) return;
    if (const refdata::RowWrite r = refdata::deleteRow(DataModule6->Control, QStringLiteral("accounts_dep.person"), workers.asInt("id"));
        r != refdata::RowWrite::Written)
        ui::error(refdata::refusalText(r, refdata::RowKind::Worker));
    workers.refresh();
}
