#include "refdata/products_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "refdata/operation_editor.h"
#include "refdata/product_deletion.h"
#include "refdata/product_editor.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"

#include <QLineEdit>

TForm3* Form3 = nullptr;

TForm3::TForm3(QWidget* parent) : refdata::ListWindow(parent) {
    Form3 = this;
    setWindowTitle(QStringLiteral("Изделия (3)"));
    setDialogBorder(640, 520);

    DBGrid1->addNameColumn("marka", QStringLiteral("Марка изделия"), 200);
    DBGrid1->addNameColumn("nom", QStringLiteral("Номенклатурная группа"), 250);
    DBGrid1->addColumn("massa", QStringLiteral("Коробки"), 100);
    refdata::Search search{QStringLiteral("marka")};
    search.typingOnly = false; // the box's own keys edit it as usual
    setList(DataModule6->Izdel, search);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по марке"));
    layOut();
}

TForm3::~TForm3() = default;

void TForm3::ShowBrowse() {
    showBrowse();
}

void TForm3::ShowPick() {
    showPick();
}

namespace {
void backTo(data::Query& q, int recNo) {
    if (q.active() && recNo >= 1 && recNo <= q.recordCount()) q.setRecNo(recNo);
}
} // namespace

void TForm3::Button1Click() {
    data::Query& izdel = DataModule6->Izdel;
    const int rec = izdel.recNo();
    Form7->Edit1->clear();
    Form7->Edit2->clear();
    Form7->setWindowTitle(QStringLiteral("Заведение нового изделия (7)"));
    Form7->Tag = ui::NewRow;
    Form7->item->open();
    ui::showModal(Form7);
    Form7->item->close();
    backTo(izdel, rec);
}

void TForm3::handBack() {
    data::Query& izdel = DataModule6->Izdel;
    Form10->Edit1->setText(izdel.asText("marka").trimmed());
    Form10->ProductId = izdel.asInt("id");
}

void TForm3::handBackNothing() {
    Form10->Edit1->clear();
    Form10->ProductId = 0;
}

void TForm3::changeRow() {
    data::Query& izdel = DataModule6->Izdel;
    const int rec = izdel.recNo();
    Form7->setWindowTitle(QStringLiteral("Изменение данных изделия (7)"));
    Form7->Tag = ui::ChangeRow;
    Form7->Edit1->setText(izdel.asText("marka").trimmed());
    Form7->Edit2->setText(izdel.asText("massa").trimmed());
    Form7->ProductId = izdel.asInt("id");
    Form7->Seen = data::SeenRow::of(
        izdel, {QStringLiteral("marka"), QStringLiteral("massa"), QStringLiteral("id_class_item")});
    Form7->item->open();
    Form7->cb_item->setKeyValue(izdel.asInt("id_class_item"));
    ui::showModal(Form7);
    Form7->item->close();
    backTo(izdel, rec);
}

void TForm3::Button3Click() {
    data::Query& izdel = DataModule6->Izdel;
    if (!hasRow()) return;
    const qint64 id = izdel.asInt("id");
    const QString caption = QStringLiteral("Удаление");
    const refdata::ProductUse use = refdata::productUse(DataModule6->Control, id);
    // a record in a closed month keeps the product, its operations and records as they are
    if (use.closed.found()) {
        ui::error(refdata::deletionText(refdata::ProductDeletion::MonthClosed, use.closed));
        return;
    }
    bool operations = false, product = false;
    if (use.operations > 0)
        operations =
            ui::askYesNo(QStringLiteral("По изделию есть расценки они будут удалены!!!"), caption);
    if (use.records > 0)
        product = ui::askYesNo(QStringLiteral("По изделию есть операции в текущем, предыдущем "
                                              "месяцах и ранее, они будут удалены (") +
                                   refdata::recordsText(use) +
                                   QStringLiteral("). Удалить изделие? "),
                               caption);
    else
        product = ui::askYesNo(QStringLiteral("Удалить изделие? "), caption);
    timesheet::ClosedMonth closed;
    const refdata::ProductDeletion result =
        refdata::deleteProduct(DataModule6->Control, use, operations, product, &closed);
    izdel.close();
    izdel.open();
    if (result != refdata::ProductDeletion::Deleted)
        ui::error(refdata::deletionText(result, closed));
}

