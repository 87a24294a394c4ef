#include "timesheet/household_list.h"

#include "data/change_history.h"
#include "data/data_module.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "timesheet/closed_months.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_writes.h"
#include "timesheet/production_calendar.h"
#include "timesheet/timesheet_locks.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"
#include "ui/change_follower.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/history_window.h"
#include "ui/lookup_combo.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QVBoxLayout>

TForm25* Form25 = nullptr;

TForm25::TForm25(QWidget* parent) : ui::Form(parent) {
    Form25 = this;
    setWindowTitle(QStringLiteral("Хоз. работы (25)"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    fatigue = std::make_unique<data::Query>(DataModule6->ADO_DB);
    averages = std::make_unique<data::Query>(DataModule6->ADO_DB);
    // the distinct rows ordered outside, where the name's sort keys can be computed
    fatigue->setSql(
        QStringLiteral(
            "select * from (select distinct vo.vid, p.fio, i.s_caption, (f.cnt*f.price) as summ,  "
            "f.*, case when f.i_holiday=0 then '' else '+' end as s_holiday, case when "
            "f.i_night=0 then '' else '+' end as s_night from accounts_dep.fatigue f, "
            "cmn_classifier.item i, accounts_dep.person p,accounts_dep.vid_oper vo, "
            "accounts_dep.oper o  where f.id_nom =i.id and p.id=f.id_p and vo.id = f.id_o and "
            "o.i_id >=7777 and o.vid >=7777 and f.d_date = :d_date) e order by ") +
        data::sql::byName(QStringLiteral("e.fio")) + QStringLiteral(", e.id"));
    DataSource1.dataSet = fatigue.get();

    DBGrid1 = new ui::DBGrid(this);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid1->addColumn("fio", QStringLiteral("ФИО"), 300);
    DBGrid1->addColumn("s_caption", QStringLiteral("Номенклатура"), 267);
    DBGrid1->addColumn("vid", QStringLiteral("Работа"), 156);
    DBGrid1->addColumn("price", QStringLiteral("Цена"), 80, right);
    DBGrid1->addColumn("cnt", QStringLiteral("Кол-во"), 64, right);
    DBGrid1->addColumn("summ", QStringLiteral("Итого"), 80, right);
    DBGrid1->column(3).format = QStringLiteral("#0.00##"); // an hour's price keeps its 4 places
    DBGrid1->column(5).format = QStringLiteral("#0.00");   // what is paid: roubles, kopecks
    DBGrid1->addColumn("s_holiday", QStringLiteral("Вых."), 33, Qt::AlignCenter);
    DBGrid1->addColumn("s_night", QStringLiteral("Ноч."), 33, Qt::AlignCenter);
    DBGrid1->setDataSource(&DataSource1);

    Button5 = new QPushButton(QStringLiteral("Добавить"), this);
    Button6 = new QPushButton(QStringLiteral("Изменить"), this);
    Button7 = new QPushButton(QStringLiteral("Удалить"), this);
    Button1 = new QPushButton(QStringLiteral("Расчитать ср.сд."), this);
    HistoryButton = new QPushButton(QStringLiteral("История"), this);
    History = new ui::HistoryWindow(this);
    DTPcker1 = new QDateEdit(QDate::currentDate(), this);
    DTPcker1->setCalendarPopup(true);
    DTPcker1->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DTPcker1->setMinimumWidth(120);
    CBox1 = new QCheckBox(QStringLiteral("Выходной"), this);
    CBox1->setAutoFillBackground(true);
    CBox1->setBackgroundRole(QPalette::Window); // a check box fills with Button otherwise
    Button8 = new QPushButton(QStringLiteral("Выход"), this);
    // Enter belongs to the grid (change) and the date box; no button takes it
    for (QPushButton* b : {Button5, Button6, Button7, Button1, HistoryButton, Button8})
        b->setAutoDefault(false);
    setCancelButton(Button8);
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);

    auto* bottom = new QHBoxLayout;
    for (QWidget* w :
         std::initializer_list<QWidget*>{Button5, Button6, Button7, Button1, HistoryButton, DTPcker1,
                                        CBox1})
        bottom->addWidget(w);
    bottom->addStretch();
    bottom->addWidget(Button8);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addLayout(bottom);
    layout->addWidget(StatusBar1);
    setFixedSize(1080, 540);

    setTabOrder(DBGrid1, Button5);
    setTabOrder(Button5, Button6);
    setTabOrder(Button6, Button7);
    setTabOrder(Button7, Button1);
    setTabOrder(Button1, HistoryButton);
    setTabOrder(HistoryButton, DTPcker1);
    setTabOrder(DTPcker1, CBox1);
    setTabOrder(CBox1, Button8);

    DBGrid1->installEventFilter(this);
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] {
                if (Button6->isEnabled()) Button6Click();
            }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
    connect(Button7, &QPushButton::clicked, this, ui::guard([this] { Button7Click(); }));
    connect(HistoryButton, &QPushButton::clicked, this,
            ui::guard([this] { HistoryButtonClick(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button8, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(DTPcker1, &QDateEdit::dateChanged, this, ui::guard([this] { DTPcker1Change(); }));
    connect(CBox1, &QCheckBox::toggled, this, ui::guard([this] { CBox1Click(); }));
    CBox1Click();
    OtherCopies = new ui::ChangeFollower(
        this, DataModule6->Changes,
        [this](const data::Change& c) { return c.touches(QStringLiteral("fatigue"), shown_); },
        [this](const QList<data::Change>&) {
            ui::reopenKeeping(*fatigue, QStringLiteral("id"), DBGrid1);
        });
}

TForm25::~TForm25() = default;

void TForm25::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) {
        ui::centreOnScreen(this);
        DBGrid1->setFocus();
    }
    ui::Form::showEvent(event);
}

bool TForm25::eventFilter(QObject* watched, QEvent* event) {
    if (watched == DBGrid1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->modifiers() == Qt::NoModifier || key->modifiers() == Qt::KeypadModifier) {
            switch (key->key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                if (Button6->isEnabled()) ui::run([this] { Button6Click(); });
                return true;
            case Qt::Key_Insert:
                if (Button5->isEnabled()) ui::run([this] { Button5Click(); });
                return true;
            case Qt::Key_Delete:
                if (Button7->isEnabled()) ui::run([this] { Button7Click(); });
                return true;
            default:
                break;
            }
        }
    }
    return ui::Form::eventFilter(watched, event);
}

void TForm25::ShowOnDay(const QDate& day) {
    {
        const QSignalBlocker quiet(DTPcker1);
        DTPcker1->setDate(day);
    }
    ui::showModal(this);
}

void TForm25::Reopen() {
    const int rec = fatigue->recNo();
    fatigue->close();
    shown_ = DTPcker1->date();
    fatigue->setParam("d_date", QDateTime(shown_, QTime(0, 0)));
    // the day's entries, the month's state and whether the day is off in one exchange
    data::Query& control = DataModule6->Control;
    control.setSql(timesheet::closedStatement(shown_.year(), shown_.month()));
    data::Query& calendar = DataModule6->Calendar;
    calendar.setSql(timesheet::calendarStatement(shown_, shown_));
    averages->setSql(timesheet::averageEntriesStatement(shown_.year(), shown_.month()));
    data::openTogether({fatigue.get(), &control, &calendar, averages.get()});
    data::ClosedOnExit closing{control};
    shownOff_ = timesheet::takeDaysOff(calendar).isOff(shown_);
    // after a deletion at the end the list stays at its end
    if (rec > 0 && !fatigue->isEmpty()) fatigue->setRecNo(qMin(rec, fatigue->recordCount()));
    showMonthState(timesheet::closedIn(control));
    if (OtherCopies) OtherCopies->done();
}

QList<data::Query*> TForm25::shownLists() {
    averages->setSql(timesheet::averageEntriesStatement(shown_.year(), shown_.month()));
    return {fatigue.get(), averages.get()};
}

void TForm25::showMonthState(bool closed) {
    for (QPushButton* b : {Button5, Button6, Button7, Button1})
        b->setEnabled(!closed && data::mayChangePay()); // as the role allows on an open month
    if (closed)
        StatusBar1->showMessage(QStringLiteral("%1 закрыт: хоз. работы этого месяца не "
                                               "изменяются.")
                                    .arg(timesheet::monthTitle(shown_.year(), shown_.month())));
    else
        StatusBar1->clearMessage();
}

void TForm25::FormActivate() {
    // back from the entry window the list keeps its row; another day starts at the top
    if (shown_ != DTPcker1->date()) fatigue->close();
    Reopen();
    EntrySmena = 1;
}

void TForm25::DTPcker1Change() {
    fatigue->close();
    Reopen();
    // a holiday ticks it as a weekend does; the user may still untick it
    CBox1->setChecked(shownOff_);
}

void TForm25::CBox1Click() {
    const bool on = CBox1->isChecked();
    QPalette p = CBox1->palette();
    p.setColor(QPalette::Window, on ? QColor(255, 0, 0) : palette().color(QPalette::Button));
    CBox1->setPalette(p);
    QFont f = CBox1->font();
    f.setBold(on);
    CBox1->setFont(f);
    // the entry window's sum carries the day-off factor
    if (Form24) Form24->ShowPrice();
}

void TForm25::showEntry() {
    TForm24* e = Form24;
    e->type_work->setParam("cnt", 0);
    // a new entry's key comes with the kinds of work, so that its save is one exchange
    data::Query& key = DataModule6->Control;
    data::ClosedOnExit closing{key};
    if (e->Tag == ui::NewRow && !timesheet::entryKeyKept(DataModule6->ADO_DB)) {
        timesheet::setEntryKeyStatement(key);
        data::openTogether({e->type_work.get(), &key});
        timesheet::keepEntryKey(key);
    } else {
        e->type_work->open();
    }
    ui::showModal(e);
    e->type_work->close();
}

void TForm25::Button5Click() {
    if (!data::mayChangePay()) return; // its keys and the double-click too
    TForm24* e = Form24;
    e->Tag = ui::NewRow;
    e->Edit1->clear();
    e->Edit2->clear();
    e->Edit6->setText(QStringLiteral("0"));
    e->CBox1->setChecked(false);
    e->CBox1->setEnabled(true);
    e->IdNom = 0;
    e->IdP = 0;
    e->EntryId = 0;
    e->cb_type_work->setKeyValue(int(timesheet::Household));
    showEntry();
}

void TForm25::Button6Click() {
    if (!data::mayChangePay()) return; // its keys and the double-click too
    TForm24* e = Form24;
    e->Tag = ui::ChangeRow;
    const bool any = fatigue->active() && !fatigue->isEmpty();
    e->Edit1->setText(any ? fatigue->asText("fio").trimmed() : QString());
    e->Edit2->setText(any ? fatigue->asText("s_caption") : QString());
    e->Edit6->setText(any ? fatigue->asText("cnt") : QString());
    e->IdNom = any ? fatigue->asInt("id_nom") : 0;
    e->IdP = any ? fatigue->asInt("id_p") : 0;
    e->EntryId = any ? fatigue->asInt("id") : 0;
    e->Seen = any ? timesheet::seenEntry(*fatigue) : data::SeenRow();
    e->cb_type_work->setKeyValue(any ? QVariant(fatigue->asInt("id_o")) : QVariant());
    // the flag decides the entry's timesheet row and stays
    e->CBox1->setChecked(any && fatigue->asInt("i_night") != 0);
    e->CBox1->setEnabled(false);
    showEntry();
}

void TForm25::Button7Click() {
    if (!data::mayChangePay()) return; // its keys and the double-click too
    if (!fatigue->active() || fatigue->isEmpty()) return;
    // what the user decides on: an entry another user changed meanwhile is left alone
    const data::SeenRow seen = timesheet::seenEntry(*fatigue);
    const qint64 id = fatigue->asInt("id");
    if (!ui::askYesNo(timesheet::entryDeletionQuestion(*fatigue), QStringLiteral("Удаление"),
                      QMessageBox::No))
        return;
    timesheet::ClosedMonth closed;
    const int rec = fatigue->recNo();
    // the list comes back with the deletion
    const timesheet::Saved done =
        timesheet::deleteEntry(DataModule6->Control, id, seen, &closed, shownLists());
    if (timesheet::isAnswerLost(done)) Reopen();
    // after a deletion at the end the list stays at its end
    if (rec > 0 && !fatigue->isEmpty()) fatigue->setRecNo(qMin(rec, fatigue->recordCount()));
    if (done != timesheet::Saved::Written) ui::error(timesheet::savedText(done, closed));
}

void TForm25::Button1Click() {
    if (!data::mayChangePay()) return; // its keys and the double-click too
    const QDate day = DTPcker1->date();
    const QString caption = QStringLiteral("Расчет ср.сд.");
    // as read with the list; the pricing says what it priced
    const int entries = averages->active() && shown_ == day
                            ? int(averages->asInt(QStringLiteral("cnt")))
                            : timesheet::averageEntries(DataModule6->Control, day.year(),
                                                        day.month());
    if (entries == 0) {
        ui::message(QStringLiteral("В этом месяце нет записей среднесдельной работы."), caption,
                    QMessageBox::Information);
        return;
    }
    // every entry of the month gets a new price: the user says so first
    if (!ui::askYesNo(QStringLiteral("Пересчитать цены %1 ср.сд. за %2?")
                          .arg(data::text::counted(entries, {"записи", "записей", "записей"}),
                               timesheet::monthTitle(day.year(), day.month()).toLower()),
                      caption))
        return;
    timesheet::AveragePricing pricing;
    timesheet::Saved refused = timesheet::Saved::Written;
    {
        ui::BusyCursor busy;
        // the list comes back with the prices
        pricing = timesheet::priceAverageEntries(DataModule6->Control, day.year(), day.month(),
                                                 &refused, shownLists());
    }
    if (refused != timesheet::Saved::Written)
        ui::error(timesheet::savedText(refused, {day.year(), day.month()}));
    else if (pricing.priced == 0) // deleted by another user meanwhile
        ui::message(QStringLiteral("В этом месяце нет записей среднесдельной работы."), caption,
                    QMessageBox::Information);
    else
        ui::message(timesheet::averagePricingText(pricing, day.year(), day.month()), caption,
                    QMessageBox::Information);
}

void TForm25::Button4Click() {
    closeForm();
}

void TForm25::HistoryButtonClick() {
    if (!fatigue->active() || fatigue->isEmpty()) return;
    data::Query history(DataModule6->ADO_DB);
    data::setRowHistory(history, QStringLiteral("fatigue"), fatigue->asInt("id"));
    history.open();
    History->showEntries(QStringLiteral("История записи: %1, %2")
                            .arg(fatigue->asText("fio").trimmed(),
                                 data::text::date(shown_)),
                        data::historyEntries(history));
}
