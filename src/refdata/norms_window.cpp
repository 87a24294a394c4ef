#include "refdata/norms_window.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "refdata/reference_writes.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QVBoxLayout>
#include <cmath>
#include <limits>

TForm22* Form22 = nullptr;

TForm22::TForm22(QWidget* parent) : refdata::CentredWindow(parent) {
    Form22 = this;
    setWindowTitle(QStringLiteral("Норматив"));
    setDialogBorder(420, 360);

    norm = std::make_unique<data::Table>(DataModule6->ADO_DB, QStringLiteral("accounts_dep.norm"));
    norm->setOrder(QStringLiteral("norma"));
    // every new row stored from here, however it is stored, belongs to the operation
    norm->beforePost = [this](data::Query& q) {
        if (q.state() == data::Query::State::Insert) q.setField("o_id", OperId);
    };
    // a row another user changed or deleted since it was read is not written over
    norm->setCheckedEdits(true);
    norm->onConflict = [this](data::Query&, bool deleted) {
        conflict_ = true;
        ui::error(
            refdata::refusalText(deleted ? refdata::RowWrite::Gone : refdata::RowWrite::Changed,
                                 refdata::RowKind::Norm));
        // a post that moving to another row made: re-read once the move is over
        QTimer::singleShot(0, this, ui::guard([this] { reReadAfterConflict(); }));
    };
    DataSource1.dataSet = norm.get();

    DBGrid1 = new ui::DBGrid(this);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->addColumn("norma", QStringLiteral("Норматив"), 110, right);
    ui::GridColumn price;
    price.field = QStringLiteral("price");
    price.title = QStringLiteral("Цена");
    price.width = 110;
    price.alignment = right;
    price.format = QStringLiteral("#0.00#");
    DBGrid1->addColumn(price);
    DBGrid1->addColumn("prize", QStringLiteral("Премия, %"), 110, right);
    DBGrid1->setEditable(true);
    DBGrid1->setAppendRows(true);
    DBGrid1->setRowIndicator(true);
    DBGrid1->setDataSource(&DataSource1);
    DBGrid1->onEdit = [this](const ui::GridColumn& column, const QString& text) {
        CellEdited(column, text);
    };

    Button1 = new QPushButton(QStringLiteral("Сохранить"), this);
    Button2 = new QPushButton(QStringLiteral("Удалить"), this);
    Button2->setAutoDefault(false);
    setDefaultButton(Button1);
    setCancelButton(Button1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(buttons);
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Button2);

    connect(DBGrid1, &ui::DBGrid::colEnter, this, ui::guard([this] { DBGrid1ColEnter(); }));
    connect(DBGrid1, &ui::DBGrid::colExit, this, ui::guard([this] { DBGrid1ColExit(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    // not read here: every showing reads the operation's rows (ShowFor), and the whole table
    // read at start-up would only cost the start a round trip
}

TForm22::~TForm22() = default;

void TForm22::ShowFor(int operId) {
    OperId = operId;
    NewRow = false;
    norm->close();
    norm->setFilter(QStringLiteral("o_id=") + data::sql::integer(operId));
    norm->setFiltered(true);
    norm->open();
    ui::showModal(this);
}

void TForm22::CellEdited(const ui::GridColumn& column, const QString& text) {
    const QString typed = text.trimmed();
    QVariant value; // an emptied cell holds nothing
    if (!typed.isEmpty()) {
        bool ok = false;
        if (column.field == QLatin1String("price")) {
            QString t = typed;
            t.replace(u',', u'.');
            const double v = t.toDouble(&ok);
            if (ok && std::isfinite(v))
                value = v;
            else
                ok = false;
            if (!ok) {
                ui::error(QStringLiteral("В столбце «%1» должно быть число, а введено «%2».")
                              .arg(column.title, typed));
                return;
            }
            if (const QString problem = refdata::checkNormPrice(v); !problem.isEmpty()) {
                ui::error(problem);
                return;
            }
        } else {
            const int v = typed.toInt(&ok);
            if (!ok) {
                // a whole number too long for the column is told apart from a non-number
                static const QRegularExpression whole(QStringLiteral("\\A[-+]?[0-9]+\\z"));
                ui::error(whole.match(typed).hasMatch()
                              ? QStringLiteral("В столбце «%1» число должно быть от %2 до %3, а "
                                               "введено «%4».")
                                    .arg(column.title)
                                    .arg(std::numeric_limits<int>::min())
                                    .arg(std::numeric_limits<int>::max())
                                    .arg(typed)
                              : QStringLiteral("В столбце «%1» должно быть целое число, а "
                                               "введено «%2».")
                                    .arg(column.title, typed));
                return;
            }
            value = v;
        }
    }
    if (norm->state() == data::Query::State::Browse) norm->edit(); // a new row when there is none
    NewRow = norm->state() == data::Query::State::Insert;
    norm->setField(column.field, value);
}

void TForm22::DBGrid1ColEnter() {
    if (!norm->active()) return;
    NewRow = norm->state() == data::Query::State::Insert;
}

void TForm22::DBGrid1ColExit() {
    if (!norm->active() || !norm->modified()) return;
    norm->post(); // a new row gets the operation's key on the way
    NewRow = false;
    reReadAfterConflict();
}

void TForm22::reReadAfterConflict() {
    if (!conflict_) return;
    conflict_ = false;
    if (norm->active()) norm->refresh();
}

void TForm22::storePending() {
    DBGrid1->commitEdit();
    if (!norm->active()) return;
    if (norm->modified())
        norm->post();
    else
        norm->cancel(); // a new row nobody typed into is dropped
    NewRow = false;
    reReadAfterConflict();
}

void TForm22::Button1Click() {
    storePending();
    if (DataModule6->Oper.active()) DataModule6->Oper.refresh();
    closeForm();
}

void TForm22::Button2Click() {
    if (!norm->active()) return;
    DBGrid1->commitEdit();
    // the last row stays, and so does what was typed into it
    if (norm->recordCount() > 1)
        norm->remove();
    else
        storePending();
    norm->refresh();
}

void TForm22::closeEvent(QCloseEvent* event) {
    // the title bar's close stores what was typed, as "Сохранить" does
    ui::run([this] {
        storePending();
        if (DataModule6->Oper.active()) DataModule6->Oper.refresh();
    });
    refdata::CentredWindow::closeEvent(event);
}
