#include "journal/record_editor.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/input_check.h"

#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <algorithm>
#include <cmath>

TForm11* Form11 = nullptr;

using data::sql::general;
using data::sql::integer;
using data::sql::round4;

TForm11::TForm11(QWidget* parent) : ui::Form(parent) {
    Form11 = this;
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Button3 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Button4 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit3 = new QLineEdit(GroupBox1);
    Edit6 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Label6 = new QLabel(QStringLiteral("Цвет"), GroupBox1);
    Edit5 = new QLineEdit(GroupBox1);
    DTimeP = new QDateEdit(QDate::currentDate(), GroupBox1);
    Edit4 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Edit8 = new QLineEdit(GroupBox1);
    Edit7 = new QLineEdit(GroupBox1);
    Edit9 = new QLineEdit(GroupBox1);
    Button1 = new QPushButton(QStringLiteral("Запись"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);

    for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit9})
        e->setReadOnly(true);
    Edit1->setMinimumWidth(260);
    Edit1->setCursor(Qt::PointingHandCursor);
    Edit2->setCursor(Qt::PointingHandCursor);
    Edit1->setToolTip(QStringLiteral("Выбор работника"));
    Edit2->setToolTip(QStringLiteral("Выбор операции"));
    for (QPushButton* b : {Button3, Button4}) {
        b->setFixedWidth(32);
        b->setAutoDefault(false);
    }
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6})
        ui::wholeNumberBox(e);
    DTimeP->setCalendarPopup(true);
    DTimeP->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, GroupBox1);
        l->setBuddy(buddy);
        return l;
    };
    auto* g = new QGridLayout(GroupBox1);
    g->addWidget(label(QStringLiteral("ФИО"), Button3), 0, 0);
    g->addWidget(Edit1, 0, 1, 1, 4);
    g->addWidget(Button3, 0, 5);
    g->addWidget(label(QStringLiteral("Операция"), Button4), 1, 0);
    g->addWidget(Edit2, 1, 1, 1, 4);
    g->addWidget(Button4, 1, 5);
    g->addWidget(label(QStringLiteral("Кол-во"), Edit3), 2, 0);
    g->addWidget(Edit3, 2, 1);
    g->addWidget(label(QStringLiteral("Брак"), Edit4), 2, 2);
    g->addWidget(Edit4, 2, 3);
    g->addWidget(label(QStringLiteral("Время"), Edit6), 3, 0);
    g->addWidget(Edit6, 3, 1);
    Label6->setBuddy(Edit5);
    g->addWidget(Label6, 3, 2);
    g->addWidget(Edit5, 3, 3);
    g->addWidget(label(QStringLiteral("Дата"), DTimeP), 4, 0);
    g->addWidget(DTimeP, 4, 1);
    g->addWidget(label(QStringLiteral("Цена база"), Edit8), 5, 0);
    g->addWidget(Edit8, 5, 1);
    g->addWidget(label(QStringLiteral("Цена итог"), Edit7), 5, 2);
    g->addWidget(Edit7, 5, 3);
    g->addWidget(label(QStringLiteral("Сумма"), Edit9), 6, 2);
    g->addWidget(Edit9, 6, 3);

    layOutWithButtons(GroupBox1, {Button1, Button2});

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Edit6);
    setTabOrder(Edit6, Edit5);
    setTabOrder(Edit5, DTimeP);
    setTabOrder(DTimeP, Button1);
    setTabOrder(Button1, Button2);
    for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit9})
        e->setFocusPolicy(Qt::ClickFocus);

    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
                       static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit6)})
        w->installEventFilter(this);
    // the sum follows the quantity and the rejects as they are typed
    for (QLineEdit* e : {Edit3, Edit4})
        connect(e, &QLineEdit::textChanged, this, ui::guard([this] { showSum(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    updateColourBox();
}

TForm11::~TForm11() = default;

bool TForm11::isPainting(const QString& text) {
    return text.toUpper().contains(QStringLiteral("КРАСКА"));
}

void TForm11::FormActivate() {
    Button3->setFocus();
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && (watched == Edit1 || watched == Edit2)) {
        if (watched == Edit1)
            ui::run([this] { Button3Click(); });
        else
            ui::run([this] { Button4Click(); });
        return true;
    }
    if (event->type() == QEvent::FocusOut && (watched == Edit3 || watched == Edit6))
        ui::run([this] { Recompute(); });
    return ui::Form::eventFilter(watched, event);
}

void TForm11::updateColourBox() {
    const bool painting = isPainting(Edit2->text());
    if (!painting) Edit5->clear();
    Edit5->setEnabled(painting);
    Label6->setEnabled(painting);
}

void TForm11::Recompute() {
    if (Edit6->text().isEmpty()) Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty()) Edit3->setText(QStringLiteral("0"));
    Edit7->setText(general(round4(Price)));
    Edit8->setText(general(round4(BasePrice)));
    showSum();
}

void TForm11::showSum() {
    // what the record pays, as the journal and the reports show it: good pieces at the price
    // written
    if (Edit3->text().trimmed().isEmpty()) {
        Edit9->clear();
        return;
    }
    const double good = Edit3->text().trimmed().toDouble() - Edit4->text().trimmed().toDouble();
    Edit9->setText(data::text::money(good * round4(Price)));
}

void TForm11::Button2Click() {
    close();
}

void TForm11::openForNew(const QDate& day, int shift, bool dayOff) {
    DTimeP->setDate(day);
    for (QLineEdit* box : {Edit1, Edit2, Edit3, Edit5, Edit7, Edit8, Edit9})
        box->clear();
    Edit4->setText(QStringLiteral("0"));
    Edit6->setText(QStringLiteral("0"));
    Price = 0;
    BasePrice = 0;
    RecordId = 0;
    Seen = {};
    Shift = shift;
    DayOff = dayOff;
    updateColourBox();
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    Tag = ui::NewRow;
    ui::showModal(this);
}

void TForm11::openForChange(const journal::ShiftRecord& r, bool dayOff) {
    setWindowTitle(QStringLiteral("Изменение данных о позиции (11)"));
    Tag = ui::ChangeRow;
    RecordId = r.id;
    Seen = r.seen;
    Shift = r.shift;
    DayOff = dayOff;
    WorkerId = r.worker;
    ProductId = r.product;
    OperId = r.operation;
    Stage = r.stage;
    Price = r.price;
    DTimeP->setDate(r.day);
    Edit1->setText(r.workerName.trimmed());
    Edit2->setText(
        r.mark.trimmed() + "; " + r.kind.trimmed() + "; " +
        (r.stage == 0 ? QStringLiteral("Готовая продукция") : QStringLiteral("Заготовки")));
    Edit3->setText(r.quantity.trimmed());
    Edit4->setText(r.rejects.trimmed());
    Edit6->setText(integer(r.hours));
    // "Цена база" shows the record's operation, its lowest norm price
    BasePrice = DataModule6
                    ->lookup("select min(price) as cena from accounts_dep.norm where o_id=" +
                                 integer(OperId),
                             "cena")
                    .toDouble();
    Edit7->setText(general(round4(Price)));
    Edit8->setText(general(round4(BasePrice)));
    showSum();
    const bool painting = isPainting(r.kind);
    Edit5->setText(painting ? r.colour : QString());
    Edit5->setEnabled(painting);
    Label6->setEnabled(painting);
    ui::showModal(this);
}

namespace {

bool digitsOnly(QStringView text) {
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

// A whole number of plain digits 0..max, or none.
std::optional<qint64> wholeNumber(const QString& text, qint64 max) {
    if (!digitsOnly(text) || text.size() > 18) return std::nullopt;
    const qint64 v = text.toLongLong();
    if (v > max) return std::nullopt;
    return v;
}

// Digits with an optional fractional part after a point, as a stored quantity reads.
std::optional<double> quantity(const QString& text, double max) {
    const qsizetype point = text.indexOf(u'.');
    if (!digitsOnly(QStringView(text).left(point)) ||
        (point >= 0 && !digitsOnly(QStringView(text).mid(point + 1))))
        return std::nullopt;
    bool ok = false;
    const double v = QLocale::c().toDouble(text, &ok);
    if (!ok || v > max) return std::nullopt;
    return v;
}

constexpr qint64 IntegerMax = 2147483647; // integer columns
constexpr qint64 SmallintMax = 32767;     // smallint columns

} // namespace

std::optional<journal::RecordInput> TForm11::readInput() {
    const bool painting = isPainting(Edit2->text());
    // the empty boxes by their labels, in the order of the window
    QStringList empty;
    const std::pair<QLineEdit*, const char*> boxes[] = {{Edit1, "ФИО"},    {Edit2, "Операция"},
                                                        {Edit3, "Кол-во"}, {Edit4, "Брак"},
                                                        {Edit6, "Время"},  {Edit5, "Цвет"}};
    for (const auto& [box, label] : boxes)
        if (box->text().trimmed().isEmpty() && (box != Edit5 || painting))
            empty << QString::fromUtf8(label);
    if (!empty.isEmpty()) {
        ui::error(QStringLiteral("Все поля должны быть заполнены! Не заполнено: %1.")
                      .arg(empty.join(QStringLiteral(", "))));
        return std::nullopt;
    }
    journal::RecordInput r;
    r.worker = WorkerId;
    r.product = ProductId;
    r.operation = OperId;
    r.shift = Shift;
    r.day = DTimeP->date();
    r.price = Price;
    const auto refuse = [](const QString& field, const QString& rule) {
        ui::error(QStringLiteral("Поле «%1»: %2.").arg(field, rule));
        return std::nullopt;
    };
    const auto qty = quantity(Edit3->text().trimmed(), IntegerMax);
    if (!qty) return refuse("Кол-во", QStringLiteral("нужно число от 0 до %1").arg(IntegerMax));
    r.quantity = *qty;
    const auto rejects = wholeNumber(Edit4->text().trimmed(), SmallintMax);
    if (!rejects)
        return refuse("Брак", QStringLiteral("нужно целое число от 0 до %1").arg(SmallintMax));
    r.rejects = int(*rejects);
    if (r.rejects > r.quantity) {
        ui::error(journal::rejectsAboveQuantityText(r.quantity, r.rejects));
        Edit4->setFocus();
        return std::nullopt;
    }
    const auto hours = wholeNumber(Edit6->text().trimmed(), timesheet::MaxDayHours);
    if (!hours) {
        ui::error(timesheet::hoursRangeText(QStringLiteral("Время"), 0));
        return std::nullopt;
    }
    r.hours = int(*hours);
    const QString colour = Edit5->text().trimmed();
    const auto colourNumber =
        colour.isEmpty() ? std::optional<qint64>(0) : wholeNumber(colour, IntegerMax);
    if (!colourNumber)
        return refuse("Цвет", QStringLiteral("нужен номер от 0 до %1").arg(IntegerMax));
    r.colour = *colourNumber;
    // a norm price the database holds as infinity or NaN has no text a statement takes
    if (!std::isfinite(round4(Price)))
        return refuse("Цена итог", QStringLiteral("цена операции не число, проверьте её нормы"));
    return r;
}

void TForm11::Button1Click() {
    const std::optional<journal::RecordInput> input = readInput();
    if (!input) return;
    if (!ui::confirmFarDate(input->day)) return; // the input stays for the date to be mended
    data::Query& control = DataModule6->Control;
    timesheet::ClosedMonth closed;
    int dayHours = -1;
    // the record comes back with the write, as the journal shows it, and takes its place
    journal::ShownRecord shown(DataModule6->smenaQuery(Shift), Shift);
    const journal::WriteResult result =
        Tag == ui::ChangeRow
            ? journal::changeRecord(control, RecordId, *input, Seen, &closed, &dayHours,
                                    shown.of(RecordId))
            : journal::addRecord(control, *input, &closed, &dayHours, shown.ofNew(*input));
    shown.put(result);
    if (!journal::isWritten(result)) {
        // the input stays for the user to mend; a record gone is gone from the list too
        // the next "Запись" saves over the other user's change on purpose
        if (result == journal::WriteResult::RecordChanged)
            Seen = journal::currentRecord(control, RecordId);
        ui::error(journal::refusalText(result, closed, dayHours));
        return;
    }
    // saved, though the answer was lost with the connection: the user hears which it was
    if (result != journal::WriteResult::Written) ui::error(journal::refusalText(result));
    DataModule6->H_Tabel_1.close();
    DataModule6->H_Tabel_2.close();
    DataModule6->H_Tabel_3.close();
    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        e->clear();
    close();
}
