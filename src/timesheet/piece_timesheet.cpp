#include "timesheet/piece_timesheet.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "report_engine/preview.h"
#include "report_engine/rows.h"
#include "reports/heading_window.h"
#include "timesheet/closed_months.h"
#include "timesheet/day_columns.h"
#include "timesheet/timesheet_table.h"
#include "ui/change_follower.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/lookup_combo.h"
#include "ui/progress_caption.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm27* Form27 = nullptr;

namespace {

const QColor TotalFill(225, 228, 255);
const QString Money = QString::fromLatin1(data::text::MoneyMask); // roubles and kopecks
// Workers as Russian readers order them.
const QString ByName = data::sql::byName(QStringLiteral("p.s_caption"));
// What the month's records pay: each record's sum in kopecks, as the journal shows it.
const QString RecordSums = "sum(" + data::sql::recordSum(QStringLiteral("s")) + ")";

// "sum(coalesce(h.d1,0)) d1, … sum(coalesce(h.d31,0)) d31": a cell never written is 0.
QString daySums() {
    return timesheet::dayList(QStringLiteral("sum(coalesce(h.d%1,0)) d%1"));
}

QString pieceStatement() {
    return QStringLiteral("select p.s_caption fio, p.id,h.i_type, (select sum(s.time) from "
                          "accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 and "
                          "s.w_id=p.id) i_time, (select ") +
           RecordSums +
           QStringLiteral(
               "::numeric(10,2)from "
               "accounts_dep.smena s where s.data<:d_date3 and s.data>=:d_date4 and "
               "s.w_id=p.id) f_price, (select case when coalesce(sum(s.time),0)::numeric(10,2)=0 "
               "then 0 else coalesce(sum((s.kol_vo-s.brak)*s.cena)/sum(time),0)::numeric(10,2) "
               "end from accounts_dep.smena s where s.data<:d_date5 and s.data>=:d_date6 and "
               "s.w_id=p.id) average_price,") +
           daySums() +
           QStringLiteral(" from  cmn_contractor.person p, accounts_dep.h_tabel h where "
                          "h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=0 "
                          "group by p.id, p.s_caption, h.i_type order by ") +
           ByName;
}

// Household works (7777) or average piece rate (7778), a row per worker and day/night.
QString entryStatement(int kind) {
    return QStringLiteral(
               "select p.s_caption fio, p.id,h.i_type, case when h.i_night=0 then 'дн.' else "
               "'ноч.' end as s_night, h.i_night, (select sum(f.cnt) from accounts_dep.fatigue "
               "f where f.d_date<:d_date1 and f.d_date>=:d_date2 and f.id_p=p.id and "
               "f.id_o=%1 and f.i_night=h.i_night) i_time, (select "
               "sum(f.cnt*f.price)::numeric(10,2) from accounts_dep.fatigue f where "
               "f.d_date<:d_date3 and f.d_date>=:d_date4 and f.id_p=p.id and f.id_o=%1 and "
               "f.i_night=h.i_night) f_price, (select case when "
               "coalesce(sum(f.cnt),0)::numeric(10,2)=0 then 0 else "
               "coalesce(sum((f.cnt*f.price))/sum(f.cnt),0)::numeric(10,2) end  from "
               "accounts_dep.fatigue f where f.d_date<:d_date5 and f.d_date>=:d_date6 and "
               "f.id_p=p.id and f.id_o=%1 and f.i_night=h.i_night) average_price,")
               .arg(kind) +
           daySums() +
           QStringLiteral(" from  cmn_contractor.person p, accounts_dep.h_tabel h where "
                          "h.year=:i_year and h.month=:i_month and h.w_id=p.id and i_type=%1  "
                          "group by p.id, p.s_caption, h.i_type, h.i_night order by ")
               .arg(kind) +
           ByName;
}

QString generalStatement() {
    return QStringLiteral(
               "select p.s_caption fio, p.id, coalesce((select sum(s.time) from "
               "accounts_dep.smena s where s.data<:d_date1 and s.data>=:d_date2 and "
               "s.w_id=p.id),0)+ coalesce((select sum(f.cnt) from accounts_dep.fatigue f where "
               "f.d_date<:d_date7 and f.d_date>=:d_date8 and f.id_p=p.id),0) i_time, "
               "coalesce((select ") +
           RecordSums +
           QStringLiteral(
               "::numeric(10,2)from "
               "accounts_dep.smena s where s.data<:d_date3 and s.data>=:d_date4 and "
               "s.w_id=p.id),0)+  coalesce((select sum(f.cnt*f.price)::numeric(10,2)from "
               "accounts_dep.fatigue f where f.d_date<:d_date5 and f.d_date>=:d_date6 and "
               "f.id_p=p.id),0) f_price,") +
           daySums() +
           QStringLiteral(" from  cmn_contractor.person p, accounts_dep.h_tabel h where "
                          "h.year=:i_year and h.month=:i_month and h.w_id=p.id group by p.id, "
                          "p.s_caption order by ") +
           ByName;
}

QString entryMoneyStatement(int kind) {
    return QStringLiteral("select sum(f.cnt*f.price)::numeric(100,2) as price from "
                          "accounts_dep.fatigue f where f.d_date<:d_date1 and f.d_date>=:d_date2 "
                          "and f.cnt>0 and f.price>0 and f.id_o=%1")
        .arg(kind);
}

// The month's bounds into every pair of period parameters a query has.
void setPeriod(data::Query& q, const timesheet::MonthPeriod& period, int pairs) {
    for (int i = 1; i <= pairs; ++i) {
        q.setParam(QStringLiteral("d_date%1").arg(2 * i - 1), period.next);
        q.setParam(QStringLiteral("d_date%1").arg(2 * i), period.first);
    }
}

ui::GridColumn column(const char* field, const QString& title, int width,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter) {
    ui::GridColumn c;
    c.field = QString::fromLatin1(field);
    c.title = title;
    c.width = width;
    c.alignment = alignment;
    return c;
}

} // namespace

TForm27::TForm27(QWidget* parent)
    : ui::Form(parent), H_Tabel0(DataModule6->ADO_DB), H_Tabel7777(DataModule6->ADO_DB),
      H_Tabel7778(DataModule6->ADO_DB), H_Tabel_all(DataModule6->ADO_DB),
      q_year(DataModule6->ADO_DB), price(DataModule6->ADO_DB), price7(DataModule6->ADO_DB),
      price8(DataModule6->ADO_DB), all_price(DataModule6->ADO_DB), CurTabel(&H_Tabel0) {
    Form27 = this;
    H_Tabel0.setSql(pieceStatement());
    H_Tabel7777.setSql(entryStatement(7777));
    H_Tabel7778.setSql(entryStatement(7778));
    H_Tabel_all.setSql(generalStatement());
    q_year.setSql(timesheet::yearsStatement());
    price.setSql(
        QStringLiteral("select ") + RecordSums +
        QStringLiteral("::numeric(100,2) as price from accounts_dep.smena s "
                       "where s.data<:d_date1 and s.data>=:d_date2 and s.cena>0 and s.kol_vo>0"));
    price7.setSql(entryMoneyStatement(7777));
    price8.setSql(entryMoneyStatement(7778));
    // each part counts as 0 when the month has no records of its kind
    all_price.setSql(
        QStringLiteral("select (coalesce((select ") + RecordSums +
        QStringLiteral(
            " from accounts_dep.smena s where "
            "s.data<:d_date1 and s.data>=:d_date2 and s.cena>0 and s.kol_vo>0),0)+coalesce((select "
            "sum(f.cnt*f.price) from accounts_dep.fatigue f where f.d_date<:d_date3 and "
            "f.d_date>=:d_date4 and f.cnt>0 and f.price>0),0))::numeric(20,2) as price"));
    build();
    // the month shown, re-read when other copies change it
    new ui::ChangeFollower(
        this, DataModule6->Changes,
        [this](const data::Change& c) {
            return CurTabel->active() && c.touchesMonth(CurTabel->param("i_year").toInt(),
                                                        CurTabel->param("i_month").toInt());
        },
        [this](const QList<data::Change>&) {
            ui::reopenKeeping(*CurTabel, QString(), DBGrid, [this] { ComboBox1Change(); });
        });
}

TForm27::~TForm27() = default;

void TForm27::build() {
    setWindowTitle(QStringLiteral("Табель сделка (27)"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);

    DBGrid = new ui::DBGrid(this);
    const Qt::Alignment centre = Qt::AlignCenter;
    DBGrid->addColumn(column("fio", QStringLiteral("Фамилия И. О."), 208));
    DBGrid->addColumn(column("s_night", QStringLiteral(" "), 30));
    days_ = std::make_unique<timesheet::DayColumns>(DBGrid, timesheet::MissingDays::Hidden);
    for (ui::GridColumn c : {column("f_price", QStringLiteral("Итого (р.)"), 94),
                             column("i_time", QStringLiteral("Итого (ч.)"), 66, centre),
                             column("average_price", QStringLiteral("Час (р.)"), 66, centre)}) {
        c.fill = TotalFill;
        if (c.field != QLatin1String("i_time")) c.format = Money;
        // wide enough for the bold title in any font
        QFont bold = DBGrid->font();
        bold.setBold(true);
        c.width = qMax(c.width, QFontMetrics(bold).horizontalAdvance(c.title) + 12);
        DBGrid->addColumn(c);
    }
    DBGrid->onDrawCell = [](int, const ui::GridColumn& c, ui::CellStyle& style) {
        if (c.fill.isValid()) style.bold = true; // the three totals
    };

    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems(timesheet::monthNames());
    ComboBox1->setMaxVisibleItems(12);
    cb_year = new ui::DBLookupComboBox(this);
    cb_year->setListSource(&q_year, QStringLiteral("year"), QStringLiteral("year"));
    cb_year->setMinimumWidth(80);

    auto bold = [this](QLabel* label) {
        QFont f = label->font();
        f.setBold(true);
        label->setFont(f);
        return label;
    };
    DBText1 = bold(new QLabel(this));
    DBText2 = bold(new QLabel(this));
    DBText3 = bold(new QLabel(this));
    DBText4 = bold(new QLabel(this));
    for (QLabel* l : {DBText1, DBText2, DBText3, DBText4}) {
        l->setMinimumWidth(90);
        l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }

    Label1 = bold(new QLabel(QStringLiteral("закрыт"), this));
    Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
    Label1->setVisible(false);

    auto* totals = new QHBoxLayout;
    totals->addWidget(ComboBox1);
    totals->addWidget(cb_year);
    totals->addWidget(Label1);
    totals->addSpacing(24);
    const std::pair<const char*, QLabel*> money[] = {{"Ср. сдел.:", DBText4},
                                                     {"Хоз. работы:", DBText3},
                                                     {"Сделка:", DBText2},
                                                     {"Итого:", DBText1}};
    for (const auto& [caption, value] : money) {
        totals->addWidget(bold(new QLabel(QString::fromUtf8(caption), this)));
        totals->addWidget(value);
    }
    totals->addStretch();

    Button2 = new QPushButton(QStringLiteral("Печать"), this);
    Button3 = new QPushButton(QStringLiteral("Excel"), this);
    Button3->setMinimumWidth(120); // room for "Excel (r из N)"
    Button4 = new QPushButton(QStringLiteral("Реквизиты…"), this);
    Button4->setToolTip(QStringLiteral("Организация и подразделение в заголовке табелей"));
    Button1 = new QPushButton(QStringLiteral("Выход"), this);
    setCancelButton(Button1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button2);
    buttons->addWidget(Button3);
    buttons->addWidget(Button4);
    buttons->addStretch();
    buttons->addWidget(Button1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid, 1);
    layout->addLayout(totals);
    layout->addLayout(buttons);
    setFixedSize(1150, 640);

    setTabOrder(DBGrid, ComboBox1);
    setTabOrder(ComboBox1, cb_year);
    setTabOrder(cb_year, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Button1);

    // the lists change the period when the user picks, not when a command sets them
    connect(ComboBox1, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(cb_year, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button8Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
}

void TForm27::setNameWidth(int width) {
    nameWidth_ = width;
    DBGrid->column(0).width = width;
    DBGrid->applyColumns();
}

void TForm27::ShowMonth(const QDate& day) {
    ComboBox1->setCurrentIndex(day.month() - 1);
    cb_year->setKeyValue(day.year());
    readMonth(true);
    ui::centreOnScreen(this);
    ui::showModal(this);
}

void TForm27::FormActivate() {
    DataSource1.dataSet = CurTabel;
    DBGrid->setDataSource(&DataSource1);
    Button4->setEnabled(data::role() == data::Role::Full);
}

void TForm27::ComboBox1Change() {
    readMonth(false);
}

void TForm27::readMonth(bool years) {
    const int m = ComboBox1->currentIndex() + 1;
    // a year no timesheet row has is still the year the command chose
    const QVariant key = cb_year->keyValue();
    const int y = key.isNull() ? QDate::currentDate().year() : key.toInt();
    const timesheet::MonthPeriod period = timesheet::monthPeriod(y, m);
    CurTabel->setParam("i_month", m);
    CurTabel->setParam("i_year", y);
    setPeriod(*CurTabel, period, CurTabel == &H_Tabel_all ? 4 : 3);
    const std::pair<data::Query*, QLabel*> totals[] = {
        {&all_price, DBText1}, {&price, DBText2}, {&price7, DBText3}, {&price8, DBText4}};
    for (const auto& [q, label] : totals)
        setPeriod(*q, period, q == &all_price ? 2 : 1);
    data::Query& control = DataModule6->Control;
    control.setSql(timesheet::closedStatement(y, m));
    data::Query& calendar = DataModule6->Calendar;
    calendar.setSql(timesheet::calendarStatement(period.first, period.next.addDays(-1)));

    // the grid, the money below it, the month's state and its calendar in one exchange
    QList<data::Query*> reads;
    if (years) reads << &q_year;
    reads << CurTabel << &all_price << &price << &price7 << &price8 << &control << &calendar;
    data::openTogether(reads);
    data::ClosedOnExit closing{control};
    const timesheet::DaysOff daysOff = timesheet::takeDaysOff(calendar);
    for (const auto& [q, label] : totals)
        label->setText(q->isEmpty() || q->isNull("price")
                           ? QString()
                           : data::text::masked(q->asFloat("price"), Money));
    Label1->setVisible(timesheet::closedIn(control));

    // column 0 takes the room of the days the month lacks
    days_->showMonth(period, daysOff, 0, nameWidth_);
}

void TForm27::Button8Click() {
    closeForm();
}

int TForm27::shownMonth() const {
    return int(CurTabel->param("i_month").toInt());
}

int TForm27::shownYear() const {
    return int(CurTabel->param("i_year").toInt());
}

QString TForm27::sheetName() const {
    if (CurTabel == &H_Tabel7777) return QStringLiteral("Табель хоз. работ");
    if (CurTabel == &H_Tabel7778) return QStringLiteral("Табель ср. сдельная");
    if (CurTabel == &H_Tabel_all) return QStringLiteral("Общий табель");
    return QStringLiteral("Табель сделка");
}

QList<reports::SheetColumn> TForm27::sheetColumns() const {
    using K = reports::SheetColumn::Kind;
    const auto shown = [this](const char* field) {
        return DBGrid->column(DBGrid->columnOf(QString::fromLatin1(field))).visible;
    };
    QList<reports::SheetColumn> columns{
        {QStringLiteral("fio"), QStringLiteral("Фамилия И. О."), K::Text}};
    if (shown("s_night"))
        columns << reports::SheetColumn{QStringLiteral("s_night"), QString(), K::Text, 9};
    const int days = QDate(shownYear(), shownMonth(), 1).daysInMonth();
    for (int d = 1; d <= days; ++d)
        columns << reports::SheetColumn{QStringLiteral("d%1").arg(d), QString::number(d), K::Hours,
                                        5.4};
    columns << reports::SheetColumn{QStringLiteral("i_time"), QStringLiteral("Итого (ч.)"),
                                    K::Count, 16}
            << reports::SheetColumn{QStringLiteral("f_price"), QStringLiteral("Итого (р.)"),
                                    K::Money, 21};
    if (CurTabel != &H_Tabel_all && shown("average_price"))
        columns << reports::SheetColumn{QStringLiteral("average_price"), QStringLiteral("Час (р.)"),
                                        K::Price, 15};
    return columns;
}

reports::SheetTitle TForm27::sheetTitle() const {
    return {reports::readHeading(DataModule6->Control), sheetName(),
            timesheet::monthNames().value(shownMonth() - 1) + u' ' + QString::number(shownYear()) +
                QStringLiteral(" г.")};
}

void TForm27::Button2Click() {
    const reports::SheetTitle title = sheetTitle();
    report::preview(reports::sheetLayout(title, sheetColumns()), *CurTabel,
                    report::Preview::ZoomMode::WholePage);
}

void TForm27::Button3Click() {
    const reports::SheetTitle title = sheetTitle();
    ui::ProgressCaption caption(Button3);
    reports::exportSheet(title, sheetColumns(), report::QueryRows(*CurTabel),
                         reports::monthFileName(title.title, shownYear(), shownMonth()),
                         [&](int written, int total) { caption.show(written, total); });
}

void TForm27::Button4Click() {
    Form32->ShowHeading();
}
