#include "refdata/workers_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/record_editor.h"
#include "refdata/worker_editor.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/lookup_combo.h"

#include <QLineEdit>

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : refdata::ListWindow(parent) {
    Form5 = this;
    setWindowTitle(QStringLiteral("Список рабочих"));
    resize(620, 520);

    DataSource1.dataSet = &DataModule6->Workers;
    DBGrid1->addColumn("fio", QStringLiteral("ФИО"), 290);
    DBGrid1->addColumn("s_staffpos_hl", QStringLiteral("Должность"), 290);
    DBGrid1->setDataSource(&DataSource1);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по ФИО"));
    layOut();
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] { Button2Click(); }));
}

void TForm5::ShowBrowse() {
    showBrowse(DataModule6->Workers);
}

void TForm5::ShowPick(int tag) {
    Tag = tag;
    Picked = false;
    data::Query& workers = DataModule6->Workers;
    workers.open();
    pickButtons();
    Edit1->setVisible(true);
    Edit1->clear();
    workers.setFiltered(false);
    ui::showModal(this);
    workers.close();
}

void TForm5::Edit1Change() {
    refdata::applySearch(DataModule6->Workers, Edit1->text().isEmpty(),
                         refdata::likeFilter(QStringLiteral("fio like '"), Edit1->text()));
}

bool TForm5::Edit1KeyDown(QKeyEvent* event) {
    return refdata::searchKey(event, DataModule6->Workers, true);
}

void TForm5::Button1Click() {
    Form2->Edit1->clear();
    Form2->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    Form2->Tag = 1;
    Form2->CurrentPosition.clear();
    Form2->ReopenLookups();
    ui::showModal(Form2);
    data::Query& workers = DataModule6->Workers;
    workers.close();
    workers.open();
}

void TForm5::Button2Click() {
    data::Query& workers = DataModule6->Workers;
    if (Tag != 0) {
        // an empty list hands nothing back: the caller keeps what it had
        if (workers.active() && !workers.isEmpty()) {
            Picked = true;
            PickedId = int(workers.asInt("id"));
            PickedFio = workers.asText("fio").trimmed();
            if (Tag == 1) {
                Form11->Edit1->setText(workers.asText("fio").trimmed());
                Form11->WorkerId = int(workers.asInt("id"));
            }
        }
        closeForm();
        return;
    }
    if (!workers.active() || workers.isEmpty()) return;
    Form2->setWindowTitle(QStringLiteral("Изменение данных работника"));
    Form2->Tag = 2;
    Form2->ReopenLookups();
    Form2->Edit1->setText(workers.asText("fio").trimmed());
    Form2->WorkerId = int(workers.asInt("id"));
    Form2->ShowPosition(workers.asText("s_staffpos_hl"));
    ui::showModal(Form2);
    workers.refresh();
}

void TForm5::Button3Click() {
    data::Query& workers = DataModule6->Workers;
    if (!workers.active() || workers.isEmpty()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить работника?"), QStringLiteral("Удаление"))) return;
    Form2->cmd_person->setSql(QStringLiteral("delete from accounts_dep.person where id =") +
                              data::sql::integer(workers.asInt("id")));
    Form2->cmd_person->execute();
    workers.refresh();
}
