#include "refdata/product_editor.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/input_check.h"
#include "ui/lookup_combo.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpressionValidator>

TForm7* Form7 = nullptr;

TForm7::TForm7(QWidget* parent) : refdata::EditorWindow(parent) {
    Form7 = this;
    setWindowTitle(QStringLiteral("Изделие"));

    item =
        std::make_unique<data::Table>(DataModule6->ADO_DB, QStringLiteral("cmn_classifier.item"));
    item->setOrder(data::sql::byName(QStringLiteral("s_caption")));
    item->setFilter(QStringLiteral("id_level=2"));
    item->setFiltered(true);

    GroupBox1 = new QGroupBox(QStringLiteral("Данные об изделии"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setMinimumWidth(300);
    Edit2 = new QLineEdit(GroupBox1);
    // what a paste could bring in besides the keys Edit2KeyPress lets through
    Edit2->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]*")), Edit2));
    cb_item = new ui::DBLookupComboBox(GroupBox1);
    cb_item->setListSource(item.get(), "id", "s_caption");
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow(QStringLiteral("Марка"), Edit1);
    fields->addRow(QStringLiteral("Расценка"), Edit2);
    fields->addRow(QString(), cb_item);
    addButtons();
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, cb_item);
    setTabOrder(cb_item, Button1);
    setTabOrder(Button1, Button2);

    Edit2->installEventFilter(this);
}

TForm7::~TForm7() = default;

void TForm7::FormActivate() {
    Edit1->setFocus();
}

bool TForm7::Edit2KeyPress(QKeyEvent* event) {
    const QString text = event->text();
    if (text.isEmpty() || !text.at(0).isPrint()) return false; // Backspace, arrows, Enter …
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return false;
    if (text == u'.' || text == u',') {
        Edit2->insert(QStringLiteral("."));
        return true;
    }
    return !text.at(0).isDigit() || text.at(0).unicode() > '9';
}

bool TForm7::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit2 && event->type() == QEvent::KeyPress) {
        bool used = false;
        ui::run([&] { used = Edit2KeyPress(static_cast<QKeyEvent*>(event)); });
        if (used) return true;
    }
    return refdata::EditorWindow::eventFilter(watched, event);
}

void TForm7::Button1Click() {
    const QString mark = Edit1->text().trimmed();
    // a class counts as chosen only when the list shows it: a product may carry a class
    // the list does not offer
    if (mark.isEmpty() || Edit2->text().trimmed().isEmpty() || cb_item->currentIndex() < 0) {
        ui::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    if (!ui::fitsText(mark, 254, QStringLiteral("Марка"))) return;
    // the rate goes into the statement as a number written by us, never as the typed text
    const std::optional<double> rate = ui::typedNumber(
        Edit2->text(), QStringLiteral("Расценка"), QStringLiteral("Расценка должна быть числом!"));
    if (!rate) return;
    const QString id = data::sql::integer(ProductId);
    const QString classKey = data::sql::integer(qRound64(cb_item->keyValue().toDouble()));
    QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.izdel where upper(marka)='") +
        data::sql::escaped(mark.toUpper());
    count += Tag == ui::NewRow ? QStringLiteral("'") : QStringLiteral("'and id<>") + id;
    if (DataModule6->CheckDuplicate(count, QStringLiteral("Такая марка изделия уже заведена!")))
        return;

    data::Query& izdel = DataModule6->Izdel;
    if (Tag == ui::NewRow) {
        if (!refdata::insertRows(
                DataModule6->Control,
                {data::WritePart::insert(
                    QStringLiteral("cmn_gds_and_srv.gds_and_srv"),
                    QStringLiteral("s_caption, s_description, id_msm_bs, massa, id_class_item"),
                    data::sql::quoted(mark) + QStringLiteral(", '', 6, ") +
                        data::sql::general(*rate) + QStringLiteral(",") + classKey)}))
            ui::error(data::lostCommitText(data::LostCommit::Unknown));
    } else if (Tag == ui::ChangeRow) {
        const QString caption =
            QStringLiteral("s_caption='") + data::sql::escaped(mark) + QStringLiteral("'");
        const QString values = QStringLiteral("massa=") + data::sql::general(*rate) +
                               QStringLiteral(", id_class_item=") + classKey;
        refdata::SeenReference row{QStringLiteral("cmn_gds_and_srv.gds_and_srv"), ProductId,
                                   QStringLiteral("s_caption as marka, massa, id_class_item"),
                                   Seen};
        const refdata::RowWrite result = refdata::updateRow(
            DataModule6->Control, row,
            caption + QStringLiteral(", s_description='', id_msm_bs=6, ") + values,
            caption + QStringLiteral(" and massa=") + data::sql::general(*rate) +
                QStringLiteral(" and id_class_item=") + classKey);
        const bool done = refdata::settleUpdate(result, refdata::RowKind::Product, izdel,
                                                DataModule6->Control, row);
        Seen = row.seen;
        if (!done) return;
    } else {
        return;
    }
    izdel.close();
    izdel.open();
    closeForm();
}
