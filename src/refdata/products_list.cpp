#include "refdata/products_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "refdata/operation_editor.h"
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

    data::Connection& db = DataModule6->ADO_DB;
    Izdel_Smena = std::make_unique<data::Query>(db);
    Izdel_Smena->setSql(QStringLiteral("select count(*) as cnt from accounts_dep.smena s where "
                                       "s.i_id =:id_ii and s.\"data\">=:dt"));
    ii_oper = std::make_unique<data::Query>(db);
    ii_oper->setSql(
        QStringLiteral("select count(*) as cnt from accounts_dep.oper o where o.i_id =:id_ii"));

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
    Form7->Tag = 1;
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
    Form7->Tag = 2;
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

QString TForm3::CountFromText(const QDate& today) {
    int m = today.month();
    if (m == 1) m = 13;
    return QStringLiteral("01.") + QString::number(m - 1) + QStringLiteral(".2000");
}

void TForm3::Button3Click() {
    data::Query& izdel = DataModule6->Izdel;
    if (!hasRow()) return;
    const qint64 id = izdel.asInt("id");
    const QString key = data::sql::integer(id);
    const QDate from =
        QDate::fromString(CountFromText(QDate::currentDate()), QStringLiteral("dd.M.yyyy"));

    Izdel_Smena->close();
    Izdel_Smena->setParam("id_ii", int(id));
    Izdel_Smena->setParam("dt", QDateTime(from, QTime(0, 0)));
    Izdel_Smena->open();
    ii_oper->close();
    ii_oper->setParam("id_ii", int(id));
    ii_oper->open();

    data::Command& del = DataModule6->DelSmena;
    const QString caption = QStringLiteral("Удаление");
    const QString deleteProduct =
        QStringLiteral("delete from cmn_gds_and_srv.gds_and_srv  where id=") + key;
    if (ii_oper->asInt("cnt") > 0 &&
        ui::askYesNo(QStringLiteral("По изделию есть расценки они будут удалены!!!"), caption)) {
        del.setSql(QStringLiteral("delete from accounts_dep.oper o where o.i_id =") + key);
        del.execute();
    }
    if (Izdel_Smena->asInt("cnt") > 0) {
        if (ui::askYesNo(QStringLiteral("По изделию есть операции в текущем, предыдущем месяцах и "
                                        "ранее, они будут удалены. Удалить изделие? "),
                         caption)) {
            del.setSql(QStringLiteral("delete from accounts_dep.smena s where s.i_id =") + key);
            del.execute();
            del.setSql(deleteProduct);
            del.execute();
        }
    } else if (ui::askYesNo(QStringLiteral("Удалить изделие? "), caption)) {
        del.setSql(deleteProduct);
        del.execute();
    }
    izdel.close();
    izdel.open();
}
