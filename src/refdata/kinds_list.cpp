#include "refdata/kinds_list.h"

#include "data/data_module.h"
#include "refdata/kind_editor.h"
#include "refdata/operation_editor.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QLineEdit>

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent) : refdata::ListWindow(parent) {
    Form8 = this;
    setWindowTitle(QStringLiteral("Виды операций (8)"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(440, 520);

    DataSource1.dataSet = &DataModule6->Vid_oper;
    DBGrid1->addColumn("vid", QStringLiteral("Операции"), 380);
    DBGrid1->setDataSource(&DataSource1);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по названию"));
    Edit1->setVisible(false);
    layOut();
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] { Button2Click(); }));
}

void TForm8::ShowBrowse() {
    DataModule6->Vid_oper.setFiltered(false);
    showBrowse(DataModule6->Vid_oper);
}

void TForm8::ShowPick() {
    showPick(DataModule6->Vid_oper);
}

void TForm8::Edit1Change() {
    refdata::applySearch(DataModule6->Vid_oper, Edit1->text().isEmpty(),
                         refdata::likeFilter(QStringLiteral("vid like '"), Edit1->text()));
}

bool TForm8::Edit1KeyDown(QKeyEvent* event) {
    return refdata::searchKey(event, DataModule6->Vid_oper, true);
}

void TForm8::Button1Click() {
    Form9->Edit1->clear();
    Form9->setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Form9->Tag = 1;
    ui::showModal(Form9);
}

void TForm8::Button2Click() {
    data::Query& kinds = DataModule6->Vid_oper;
    if (Tag != 0) {
        // an empty list hands nothing back: the editor keeps what it had
        if (kinds.active() && !kinds.isEmpty()) {
            Form10->Edit2->setText(kinds.asText("vid").trimmed());
            Form10->KindId = int(kinds.asInt("id"));
        }
        closeForm();
        return;
    }
    if (!kinds.active() || kinds.isEmpty()) return;
    Form9->setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Form9->Tag = 2;
    Form9->Edit1->setText(kinds.asText("vid").trimmed());
    ui::showModal(Form9);
}

void TForm8::Button3Click() {
    data::Query& kinds = DataModule6->Vid_oper;
    if (!kinds.active() || kinds.isEmpty()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление"))) return;
    kinds.remove();
    kinds.close();
    kinds.open();
}
