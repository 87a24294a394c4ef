#include "refdata/operations_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "refdata/norms_window.h"
#include "refdata/operation_editor.h"
#include "reports/excel.h"
#include "ui/busy_cursor.h"
#include "ui/dbgrid.h"
#include "refdata/reference_writes.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

TForm4* Form4 = nullptr;

namespace {
QString stageCaption(qint64 naimen) {
    return naimen == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки");
}
} // namespace

TForm4::TForm4(QWidget* parent) : refdata::ListWindow(parent) {
    Form4 = this;
    setWindowTitle(QStringLiteral("Операции"));
    setDialogBorder(820, 560);

    XLS_Rep = std::make_unique<data::Query>(DataModule6->ADO_DB);
    XLS_Rep->setSql(
        QStringLiteral(
            "select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN "
            "'Готовая продукция' ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, "
            "oper.i_id, oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,"
            "accounts_dep.VID_OPER where OPER.i_id=IZDEL.id and oper.vid=vid_oper.id order by ") +
        data::sql::byName(QStringLiteral("izdel.marka")) + QStringLiteral(", ") +
        data::sql::byName(QStringLiteral("vid_oper.vid")) + QStringLiteral(", oper.naimen"));

    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->addNameColumn("marka", QStringLiteral("Марка"), 160);
    DBGrid1->addNameColumn("vid", QStringLiteral("Опреция"), 220);
    DBGrid1->addColumn("cena", QStringLiteral("Цена (min)"), 90, right);
    DBGrid1->addColumn("nmn", QStringLiteral("Вид"), 150);
    DBGrid1->addColumn("norma", QStringLiteral("Нормы (шт.)"), 90, right);
    for (const char* hidden : {"id", "i_id", "oper_vid"}) {
        DBGrid1->addColumn(hidden, QString::fromLatin1(hidden), 60);
        DBGrid1->setColumnVisible(hidden, false);
    }
    refdata::Search search{QStringLiteral("marka")};
    search.anywhere = true;
    search.blankShowsAll = true;
    setList(DataModule6->Oper, search);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по марке"));
    Button5 = new QPushButton(QStringLiteral("Excel"), this);
    CheckBox1 = new QCheckBox(QStringLiteral("Цены"), this);
    layOut(CheckBox1, Button5);

    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
}

TForm4::~TForm4() = default;

void TForm4::ShowBrowse() {
    showBrowse();
}

std::optional<refdata::PickedOperation> TForm4::ShowPick(int operId) {
    Tag = 1;
    Picked.reset();
    data::Query& oper = DataModule6->Oper;
    // read afresh: other copies of the program may have changed operations and prices
    oper.close();
    oper.open();
    // the box is cleared first: clearing it lifts the filter and would lose the position
    Edit1->setVisible(true);
    Edit1->clear();
    oper.setFiltered(false);
    if (operId == 0 || !oper.locate("id", operId)) oper.first();
    pickButtons();
    ui::showModal(this);
    setDefaultButton(Button1);
    Edit1->setVisible(false);
    oper.setFiltered(false);
    return Picked;
}

void TForm4::DBGrid1DblClick() {
    if (Tag != 0 || !CheckBox1->isChecked()) {
        Button2Click();
        return;
    }
    data::Query& oper = DataModule6->Oper;
    if (!hasRow()) return;
    Form22->ShowFor(int(oper.asInt("id")));
}

void TForm4::Button1Click() {
    Form10->Edit1->clear();
    Form10->Edit2->clear();
    Form10->Edit3->clear();
    Form10->ComboBox1->setCurrentIndex(0);
    Form10->setWindowTitle(QStringLiteral("Заведение новой цены за операцию"));
    Form10->Tag = ui::NewRow;
    ui::showModal(Form10);
}

void TForm4::handBack() {
    data::Query& oper = DataModule6->Oper;
    refdata::PickedOperation p;
    p.id = int(oper.asInt("id"));
    p.product = int(oper.asInt("i_id"));
    p.stage = int(oper.asInt("naimen"));
    // read here, on the row chosen: lifting the search afterwards moves the list
    p.price = oper.asFloat("cena");
    p.text = oper.asText("marka").trimmed() + QStringLiteral("; ") + oper.asText("vid").trimmed() +
             QStringLiteral("; ") + stageCaption(p.stage);
    Picked = p;
}

void TForm4::changeRow() {
    data::Query& oper = DataModule6->Oper;
    Form10->setWindowTitle(QStringLiteral("Изменение данных о цене за операцию"));
    Form10->Tag = ui::ChangeRow;
    Form10->Edit1->setText(oper.asText("marka").trimmed());
    Form10->Edit2->setText(oper.asText("vid").trimmed());
    Form10->ComboBox1->setCurrentIndex(oper.asInt("naimen") == 0 ? 0 : 1);
    Form10->ProductId = oper.asInt("i_id");
    Form10->KindId = oper.asInt("oper_vid");
    Form10->OperId = int(oper.asInt("id"));
    Form10->Seen = data::SeenRow::of(
        oper, {QStringLiteral("oper_vid"), QStringLiteral("naimen"), QStringLiteral("i_id")});
    ui::showModal(Form10);
}

void TForm4::Button3Click() {
    data::Query& oper = DataModule6->Oper;
    if (!hasRow()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить операцию?"), QStringLiteral("Удаление"))) return;
    if (const refdata::RowWrite r = refdata::deleteRow(DataModule6->Control, QStringLiteral("accounts_dep.oper"), oper.asInt("id"));
        r != refdata::RowWrite::Written)
        ui::error(refdata::refusalText(r, refdata::RowKind::Operation));
    oper.close();
    oper.open();
}

void TForm4::Button5Click() {
    data::ClosedOnExit closer{*XLS_Rep};
    data::Query& rep = *XLS_Rep;
    {
        ui::BusyCursor busy;
        rep.close();
        rep.open();
    }
    if (ExcelOpen(QString(), QStringLiteral("Операции")) < 0) return;
    {
        ui::BusyCursor busy;
        // the header's columns are fitted to their widest text, so that no mark or
        // kind is cut off by the cell beside it
        const QStringList header{QStringLiteral("Марка"), QStringLiteral("Операция"),
                                 QStringLiteral("Цена"), QStringLiteral("Вид")};
        for (int column = 1; column <= header.size(); ++column)
            ExcelWriteCellFormatted(1, column, 1, header[column - 1], false, true, false);
        int row = 2;
        for (rep.first(); !rep.eof(); rep.next(), ++row) {
            ExcelWriteCell(1, 1, row, rep.asText("marka"));
            ExcelWriteCell(1, 2, row, rep.asText("vid"));
            ExcelWriteCell(1, 3, row, data::sql::general(rep.asFloat("cena")));
            ExcelWriteCell(1, 4, row, stageCaption(rep.asInt("naimen")));
        }
    }
    ExcelSetVisible(true);
}
