#include "refdata/kinds_list.h"

#include "data/data_module.h"
#include "refdata/kind_editor.h"
#include "refdata/operation_editor.h"
#include "ui/dbgrid.h"
#include "refdata/reference_writes.h"
#include "ui/dialogs.h"

#include <QLineEdit>

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent) : refdata::ListWindow(parent) {
    Form8 = this;
    setWindowTitle(QStringLiteral("Виды операций (8)"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(440, 520);

    DBGrid1->addNameColumn("vid", QStringLiteral("Операции"), 380);
    setList(DataModule6->Vid_oper, {QStringLiteral("vid")});
    Edit1->setPlaceholderText(QStringLiteral("Поиск по названию"));
    Edit1->setVisible(false);
    layOut();
}

void TForm8::ShowBrowse() {
    DataModule6->Vid_oper.setFiltered(false);
    showBrowse();
}

void TForm8::ShowPick() {
    showPick();
}

void TForm8::Button1Click() {
    Form9->Edit1->clear();
    Form9->setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Form9->Tag = ui::NewRow;
    ui::showModal(Form9);
}

void TForm8::handBack() {
    data::Query& kinds = DataModule6->Vid_oper;
    Form10->Edit2->setText(kinds.asText("vid").trimmed());
    Form10->KindId = kinds.asInt("id");
}

void TForm8::changeRow() {
    Form9->setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Form9->Tag = ui::ChangeRow;
    Form9->Edit1->setText(DataModule6->Vid_oper.asText("vid").trimmed());
    Form9->KindId = DataModule6->Vid_oper.asInt("id");
    Form9->Seen = data::SeenRow::of(DataModule6->Vid_oper, {QStringLiteral("vid")});
    ui::showModal(Form9);
}

void TForm8::Button3Click() {
    data::Query& kinds = DataModule6->Vid_oper;
    if (!hasRow()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление"))) return;
    if (const refdata::RowWrite r = refdata::deleteRow(DataModule6->Control, QStringLiteral("accounts_dep.vid_oper"), kinds.asInt("id"));
        r != refdata::RowWrite::Written)
        ui::error(refdata::refusalText(r, refdata::RowKind::Kind));
    kinds.close();
    kinds.open();
}
