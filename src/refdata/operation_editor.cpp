#include "refdata/operation_editor.h"

#include "data/data_module.h"
#include "data/db_error.h"
#include "data/sql_text.h"
#include "refdata/kinds_list.h"
#include "refdata/products_list.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/input_check.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <limits>

TForm10* Form10 = nullptr;

namespace {
// The first norm row of a new operation, whose key the part "made" returns.
const QString NormColumns = QStringLiteral("o_id, price");
QString normValues(double price) {
    return QStringLiteral("made.id, ") + data::sql::general(price);
}
} // namespace

TForm10::TForm10(QWidget* parent) : refdata::EditorWindow(parent) {
    Form10 = this;

    GroupBox1 = new QGroupBox(QStringLiteral("Цена операции"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setReadOnly(true);
    Edit1->setFocusPolicy(Qt::NoFocus);
    Edit1->setMinimumWidth(280);
    Button3 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Edit2->setReadOnly(true);
    Edit2->setFocusPolicy(Qt::NoFocus);
    Button4 = new QPushButton(QStringLiteral("..."), GroupBox1);
    for (QPushButton* b : {Button3, Button4}) {
        b->setAutoDefault(false);
        b->setFixedWidth(b->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
    }
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->addItems({QStringLiteral("Готовая продукция"), QStringLiteral("Заготовки")});
    Label4 = new QLabel(QStringLiteral("Цена"), GroupBox1);
    Edit3 = new QLineEdit(GroupBox1);
    Edit3->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*[.,]?[0-9]*")), Edit3));
    Label4->setBuddy(Edit3);

    auto* grid = new QGridLayout(GroupBox1);
    grid->addWidget(new QLabel(QStringLiteral("Марка изделия"), GroupBox1), 0, 0);
    grid->addWidget(Edit1, 0, 1);
    grid->addWidget(Button3, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Операция"), GroupBox1), 1, 0);
    grid->addWidget(Edit2, 1, 1);
    grid->addWidget(Button4, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Вид"), GroupBox1), 2, 0);
    grid->addWidget(ComboBox1, 2, 1);
    grid->addWidget(Label4, 3, 0);
    grid->addWidget(Edit3, 3, 1);
    addButtons();
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, ComboBox1);
    setTabOrder(ComboBox1, Edit3);
    setTabOrder(Edit3, Button1);
    setTabOrder(Button1, Button2);

    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
}

TForm10::~TForm10() = default;

void TForm10::FormActivate() {
    // a new operation gets its first norm row with the price typed here
    Label4->setVisible(Tag == ui::NewRow);
    Edit3->setVisible(Tag == ui::NewRow);
    Button3->setFocus();
}

void TForm10::Button3Click() {
    Form3->ShowPick();
}

void TForm10::Button4Click() {
    Form8->ShowPick();
}

void TForm10::Button1Click() {
    const int stage = ComboBox1->currentIndex();
    const QString missing = QStringLiteral("Все поля должны быть заполнены!");
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty()) {
        ui::error(missing);
        return;
    }
    // the operation keeps its product in an integer column; the goods' keys may be longer
    if (ProductId > std::numeric_limits<qint32>::max() || ProductId < 0) {
        ui::error(QStringLiteral("Изделие «%1» нельзя выбрать для операции: его ключ %2 "
                                 "не помещается в таблицу операций.")
                      .arg(Edit1->text().trimmed())
                      .arg(ProductId));
        return;
    }
    const QString kind = data::sql::integer(KindId);
    const QString product = data::sql::integer(ProductId);
    const QString same = QStringLiteral(" where vid=") + kind + QStringLiteral(" and naimen=") +
                         data::sql::integer(stage) + QStringLiteral(" and i_id=") + product;
    const QString duplicate = QStringLiteral("Операция с такими параметрами уже заведена!");
    if (Tag == ui::NewRow) {
        if (Edit3->text().trimmed().isEmpty()) {
            ui::error(missing);
            return;
        }
        const std::optional<double> price = ui::typedNumber(
            Edit3->text(), QStringLiteral("Цена"), QStringLiteral("Цена должна быть числом!"));
        if (!price) return;
        if (const QString problem = refdata::checkNormPrice(*price); !problem.isEmpty()) {
            ui::error(problem);
            return;
        }
        if (DataModule6->CheckDuplicate(
                QStringLiteral("select count(ID) as cnt from accounts_dep.OPER") + same, duplicate))
            return;
        // the operation with its first norm row, so that the list shows it at once
        if (!refdata::insertRows(
                DataModule6->Control,
                {data::WritePart::insert(QStringLiteral("accounts_dep.oper"),
                                         QStringLiteral("vid, naimen, i_id, cena_new"),
                                         kind + QStringLiteral(", ") + data::sql::integer(stage) +
                                             QStringLiteral(", ") + product + QStringLiteral(", 0"),
                                         {}, QStringLiteral("id"))
                     .named(QStringLiteral("made")),
                 data::WritePart::insert(QStringLiteral("accounts_dep.norm"), NormColumns,
                                         normValues(*price) + QStringLiteral(" from made"))}))
            ui::error(data::lostCommitText(data::LostCommit::Unknown));
    } else if (Tag == ui::ChangeRow) {
        if (DataModule6->CheckDuplicate(
                QStringLiteral("select count(*) as cnt from accounts_dep.OPER") + same +
                    QStringLiteral(" and id<>") + data::sql::integer(OperId),
                duplicate))
            return;
        const QString set = QStringLiteral("vid=") + kind + QStringLiteral(", naimen=") +
                            data::sql::integer(stage) + QStringLiteral(",  i_id=") + product;
        refdata::SeenReference row{QStringLiteral("accounts_dep.oper"), OperId,
                                   QStringLiteral("vid as oper_vid, naimen, i_id"), Seen};
        const refdata::RowWrite result = refdata::updateRow(
            DataModule6->Control, row, set,
            QStringLiteral("vid=") + kind + QStringLiteral(" and naimen=") +
                data::sql::integer(stage) + QStringLiteral(" and i_id=") + product);
        const bool done = refdata::settleUpdate(result, refdata::RowKind::Operation,
                                                DataModule6->Oper, DataModule6->Control, row);
        Seen = row.seen;
        if (!done) return;
    } else {
        return;
    }
    data::Query& oper = DataModule6->Oper;
    oper.close();
    oper.open();
    closeForm();
}
