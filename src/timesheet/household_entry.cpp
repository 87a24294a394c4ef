#include "timesheet/household_entry.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "timesheet/household_list.h"
#include "timesheet/household_writes.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/input_check.h"
#include "ui/lookup_combo.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

TForm24* Form24 = nullptr;

namespace {

// The typed hours; an empty box is 0, digits beyond any count of hours are the largest number.
qint64 typedHours(const QString& text) {
    const QString t = text.trimmed();
    bool ok = false;
    const qint64 n = t.toLongLong(&ok);
    if (ok) return n;
    static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
    return digits.match(t).hasMatch() ? std::numeric_limits<qint64>::max() : 0;
}

// The factors of the price of an hour beside the kind's norm price, as hourPrice applies them.
QString factorsText(bool holiday, bool night) {
    QStringList parts;
    if (holiday) parts << QStringLiteral("× 2 (выходной)");
    if (night) parts << QStringLiteral("× 1,2 (ночные)");
    return parts.join(u' ');
}

} // namespace

TForm24::TForm24(QWidget* parent) : ui::Form(parent) {
    Form24 = this;
    setWindowTitle(QStringLiteral("Хоз. работы/среднесдельная (24)"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    type_work = std::make_unique<data::Query>(DataModule6->ADO_DB);
    type_work->setSql(QStringLiteral(
        "select vo.id, vo.vid, n.price, (n.price*:cnt) as summ from accounts_dep.vid_oper vo,"
        "accounts_dep.norm n, accounts_dep.oper o  where n.o_id =o.id and o.vid=vo.id and "
        "(vo.id = 7777 or vo.id = 7778)"));
    type_work->setParam("cnt", 0);

    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Button3 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Button4 = new QPushButton(QStringLiteral("..."), GroupBox1);
    cb_type_work = new ui::DBLookupComboBox(GroupBox1);
    cb_type_work->setListSource(type_work.get(), QStringLiteral("id"), QStringLiteral("vid"));
    cb_type_work->setMinimumWidth(130);
    Edit6 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    ui::wholeNumberBox(Edit6);
    Edit6->setMaxLength(4);
    Edit6->setFixedWidth(50);
    DBEdit1 = new QLineEdit(GroupBox1);
    DBEdit2 = new QLineEdit(GroupBox1);
    for (QLineEdit* e : {DBEdit1, DBEdit2}) {
        e->setEnabled(false);
        e->setFixedWidth(80);
        e->setAlignment(Qt::AlignRight);
    }
    lb_factors = new QLabel(GroupBox1);
    lb_factors->setTextFormat(Qt::PlainText);
    // room for both factors from the start: the window keeps its size when they change
    lb_factors->setMinimumWidth(
        lb_factors->fontMetrics().horizontalAdvance(factorsText(true, true)) + 4);
    CBox1 = new QCheckBox(QStringLiteral("Ночные"), GroupBox1);
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button6 = new QPushButton(QStringLiteral("Выход"), this);

    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setReadOnly(true);
        e->setFocusPolicy(Qt::NoFocus); // Tab goes to the "..." buttons
        e->setMinimumWidth(300);
    }
    for (QPushButton* b : {Button3, Button4}) {
        b->setFixedWidth(32);
        b->setAutoDefault(false);
    }
    Button3->setToolTip(QStringLiteral("Выбор работника"));
    Button4->setToolTip(QStringLiteral("Выбор номенклатуры"));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, GroupBox1);
        l->setBuddy(buddy);
        return l;
    };
    auto* kindRow = new QHBoxLayout;
    kindRow->addWidget(cb_type_work, 1);
    kindRow->addWidget(Edit6);
    kindRow->addWidget(label(QStringLiteral("ч.    Цена"), Edit6));
    kindRow->addWidget(DBEdit1);
    kindRow->addWidget(lb_factors);
    kindRow->addWidget(new QLabel(QStringLiteral("р.    Сумма"), GroupBox1));
    kindRow->addWidget(DBEdit2);
    auto* g = new QGridLayout(GroupBox1);
    g->addWidget(label(QStringLiteral("ФИО"), Button3), 0, 0);
    g->addWidget(Edit1, 0, 1);
    g->addWidget(Button3, 0, 2);
    g->addWidget(label(QStringLiteral("Номенклатура"), Button4), 1, 0);
    g->addWidget(Edit2, 1, 1);
    g->addWidget(Button4, 1, 2);
    g->addLayout(kindRow, 2, 0, 1, 3);
    g->addWidget(CBox1, 3, 0, 1, 3);
    layOutWithButtons(GroupBox1, {Button1, Button6});
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, cb_type_work);
    setTabOrder(cb_type_work, Edit6);
    setTabOrder(Edit6, CBox1);
    setTabOrder(CBox1, Button1);
    setTabOrder(Button1, Button6);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
    connect(cb_type_work, &QComboBox::currentIndexChanged, this,
            ui::guard([this] { cb_type_workChange(); }));
    connect(Edit6, &QLineEdit::textChanged, this, ui::guard([this] { ShowPrice(); }));
    connect(CBox1, &QCheckBox::toggled, this, ui::guard([this] { ShowPrice(); }));
}

TForm24::~TForm24() = default;

void TForm24::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ui::centreOnScreen(this);
        Button3->setFocus();
    }
    ui::Form::showEvent(event);
}

void TForm24::FormActivate() {
    cb_type_workChange();
}

void TForm24::cb_type_workChange() {
    // the list's row follows the chosen kind, as its price does
    const QVariant kind = cb_type_work->keyValue();
    if (type_work->active() && !kind.isNull()) type_work->locate(QStringLiteral("id"), kind);
    ShowPrice();
}

void TForm24::ShowPrice() {
    const bool chosen =
        type_work->active() && !type_work->isEmpty() && !cb_type_work->keyValue().isNull();
    if (!chosen) {
        DBEdit1->clear();
        lb_factors->clear();
        DBEdit2->clear();
        return;
    }
    const bool holiday = Form25 && Form25->CBox1->isChecked();
    const bool night = CBox1->isChecked();
    const double norm = type_work->asFloat(QStringLiteral("price"));
    const qint64 hours = qMin<qint64>(typedHours(Edit6->text()), 9999);
    DBEdit1->setText(data::sql::general(data::sql::round4(norm)));
    lb_factors->setText(factorsText(holiday, night));
    // the same price and the same product the list shows once the entry is saved
    DBEdit2->setText(data::text::masked(double(hours) * timesheet::hourPrice(norm, holiday, night),
                                        QStringLiteral("#0.00")));
}

timesheet::EntryPicks& timesheet::entryPicks() {
    static EntryPicks picks;
    return picks;
}

void TForm24::Button3Click() {
    if (!timesheet::entryPicks().worker) return;
    if (const auto worker = timesheet::entryPicks().worker()) {
        Edit1->setText(worker->caption);
        IdP = worker->id;
        Button4->setFocus();
    }
}

void TForm24::Button4Click() {
    if (!timesheet::entryPicks().productClass) return;
    if (const auto picked = timesheet::entryPicks().productClass()) {
        IdNom = picked->id;
        Edit2->setText(picked->caption);
        cb_type_work->setFocus();
    }
}

void TForm24::Button6Click() {
    closeForm();
}

void TForm24::Button1Click() {
    const QVariant kind = cb_type_work->keyValue();
    if (IdNom == 0 || IdP == 0 || kind.isNull() || !type_work->active() ||
        !type_work->locate(QStringLiteral("id"), kind)) {
        ui::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    timesheet::HouseholdEntry entry;
    entry.worker = IdP;
    entry.productClass = IdNom;
    entry.kind = kind.toInt();
    entry.hours = typedHours(Edit6->text());
    entry.holiday = Form25->CBox1->isChecked();
    entry.night = CBox1->isChecked();
    entry.price = timesheet::hourPrice(type_work->asFloat(QStringLiteral("price")), entry.holiday,
                                       entry.night);
    if (const QString problem = timesheet::checkEntry(entry); !problem.isEmpty()) {
        ui::error(problem);
        return;
    }
    // a change keeps the entry's day, which was asked about when it was added
    if (Tag == ui::NewRow && !ui::confirmFarDate(Form25->DTPcker1->date())) return;

    data::Query& control = DataModule6->Control;
    timesheet::ClosedMonth closed;
    int dayHours = -1;
    // the list comes back with the write, as it is after it
    const QList<data::Query*> shown = Form25->shownLists();
    const timesheet::Saved saved =
        Tag == ui::NewRow
            ? timesheet::addEntry(control, entry, Form25->DTPcker1->date(), Form25->EntrySmena,
                                  &closed, &dayHours, shown)
            : timesheet::changeEntry(control, EntryId, entry, Seen, &closed, &dayHours, shown);
    if (timesheet::isAnswerLost(saved)) Form25->Reopen();
    if (saved != timesheet::Saved::Written) {
        ui::error(timesheet::savedText(saved, closed, dayHours));
        if (saved == timesheet::Saved::EntryChanged) {
            // the list shows the other user's change; the next "Записать" saves over it
            Seen = timesheet::currentEntry(control, EntryId);
            return;
        }
        // an entry deleted meanwhile cannot be saved; the rest can be chosen anew
        if (saved != timesheet::Saved::EntryGone && !timesheet::isSaved(saved)) return;
    }
    // the changed entry may have moved in the list's order
    if (Tag == ui::ChangeRow && timesheet::isSaved(saved))
        Form25->fatigue->locate(QStringLiteral("id"), EntryId);
    closeForm();
}
