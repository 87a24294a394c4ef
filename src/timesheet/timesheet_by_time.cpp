#include "timesheet/timesheet_by_time.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "report_engine/preview.h"
#include "report_engine/rows.h"
#include "reports/excel.h"
#include "reports/heading_window.h"
#include "reports/layouts.h"
#include "timesheet/closed_months.h"
#include "timesheet/day_columns.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/production_calendar.h"
#include "timesheet/t13_export.h"
#include "timesheet/timesheet_table.h"
#include "ui/busy_cursor.h"
#include "ui/change_follower.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/progress_caption.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

TForm19* Form19 = nullptr;

namespace {

const QColor Silver(192, 192, 192);
const QColor Overtime(192, 220, 192); // a day above 8 hours
const QColor TotalFill(225, 228, 255);

constexpr int NameColumnWidth = 208;

} // namespace

TForm19::TForm19(QWidget* parent) : ui::Form(parent), H_Tabel(DataModule6->ADO_DB) {
    Form19 = this;
    H_Tabel.setSql(timesheet::workerDaySumsStatement());
    build();
    // the month shown, re-read when other copies change it
    new ui::ChangeFollower(
        this, DataModule6->Changes,
        [](const data::Change& c) {
            const data::Query& q = DataModule6->timesheetQuery(1);
            return q.active() && c.touchesMonth(q.param("yea").toInt(), q.param("mnth").toInt());
        },
        [this](const QList<data::Change>&) {
            for (int shift = 1; shift <= Shifts; ++shift)
                ui::reopenKeeping(DataModule6->timesheetQuery(shift), QStringLiteral("w_id"),
                                  grid(shift));
        });
}

TForm19::~TForm19() = default;

ui::DBGrid* TForm19::makeGrid(QWidget* tab) {
    auto* grid = new ui::DBGrid(tab);
    grid->addColumn("fio", QStringLiteral("Фамилия И. О."), NameColumnWidth);
    days_.emplace_back(grid, timesheet::MissingDays::Greyed);
    ui::GridColumn total;
    total.field = QStringLiteral("summ");
    total.title = QStringLiteral("Итого");
    total.width = 47;
    total.alignment = Qt::AlignCenter;
    total.fill = TotalFill;
    grid->addColumn(total);
    // Zero hours are grey (red on a weekend), eight bold, more than eight bold on green; the
    // days the month lacks show nothing.
    grid->onDrawCell = [this, grid](int row, const ui::GridColumn& column, ui::CellStyle& style) {
        const int day = timesheet::DayColumns::dayOf(column);
        if (day == 0) return;
        const int hours = grid->cellText(row, column.field).toInt(); // null reads as 0
        const bool red = column.color == timesheet::WeekendColour;
        if (hours == 0) {
            if (!red) style.text = Silver;
            if (day > days_.front().days()) style.text = grid->palette().color(QPalette::Base);
        } else if (hours == 8) {
            style.bold = true;
            if (!red) style.text = grid->palette().color(QPalette::Text);
        } else if (hours > 8) {
            style.bold = true;
            style.fill = Overtime;
        }
    };
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(grid, 1);
    return grid;
}

void TForm19::build() {
    setWindowTitle(QStringLiteral("Табель по сменам"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    TabSheet4 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Смена №1"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Смена №2"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Смена №3"));
    PageControl1->addTab(TabSheet4, QStringLiteral("Переработка"));
    DBGrid1 = makeGrid(TabSheet1);
    DBGrid2 = makeGrid(TabSheet2);
    DBGrid3 = makeGrid(TabSheet3);
    DBGrid4 = makeGrid(TabSheet4);
    DBGrid1->setDataSet(&DataModule6->H_Tabel_1);
    DBGrid2->setDataSet(&DataModule6->H_Tabel_2);
    DBGrid3->setDataSet(&DataModule6->H_Tabel_3);
    DBGrid4->setDataSet(&DataModule6->H_Tabel_4);

    Button1 = new QPushButton(QStringLiteral("Перестроить"), TabSheet1);
    PB = new QProgressBar(TabSheet1);
    PB->setMinimum(1);
    PB->setValue(1);
    PB->setVisible(false);
    Button2 = new QPushButton(QStringLiteral("Excel"), TabSheet1);
    Button2->setMinimumWidth(120); // room for "Excel (r из N)"
    Button3 = new QPushButton(QStringLiteral("Т-13"), TabSheet1);
    Button3->setMinimumWidth(120);
    Button7 = new QPushButton(QStringLiteral("Т-13 PDF"), TabSheet1);
    auto* tools = new QHBoxLayout;
    tools->addWidget(Button1);
    tools->addWidget(PB, 1);
    tools->addStretch();
    tools->addWidget(Button2);
    tools->addWidget(Button3);
    tools->addWidget(Button7);
    static_cast<QVBoxLayout*>(TabSheet1->layout())->addLayout(tools);

    Button6 = new QPushButton(QStringLiteral("Печать"), this);
    Button8 = new QPushButton(QStringLiteral("Реквизиты…"), this);
    Button8->setToolTip(QStringLiteral("Организация и подразделение в заголовке табелей"));
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems(timesheet::monthNames());
    ComboBox1->setMaxVisibleItems(12);
    ComboBox2 = new QComboBox(this);
    for (int y = FirstYear; y <= QDate::currentDate().year() + 1; ++y)
        ComboBox2->addItem(QString::number(y));
    ComboBox2->setMaxVisibleItems(20);
    Label1 = new QLabel(QStringLiteral("закрыт"), this);
    Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold"));
    Label1->setVisible(false);
    Button5 = new QPushButton(QStringLiteral("Обновить"), this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setCancelButton(Button4);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button6);
    bottom->addWidget(Button8);
    bottom->addSpacing(16);
    bottom->addWidget(ComboBox1);
    bottom->addWidget(ComboBox2);
    bottom->addWidget(Label1);
    bottom->addWidget(Button5);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PageControl1, 1);
    layout->addLayout(bottom);
    resize(940, 620);

    setTabOrder(PageControl1, DBGrid1);
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button7);
    setTabOrder(Button7, Button6);
    setTabOrder(Button6, Button8);
    setTabOrder(Button8, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, Button5);
    setTabOrder(Button5, Button4);

    // the lists change the period when the user picks, not when a command sets them
    connect(ComboBox1, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(ComboBox2, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button7, &QPushButton::clicked, this, ui::guard([this] { Button7Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
    connect(Button8, &QPushButton::clicked, this, ui::guard([this] { Button8Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
}

ui::DBGrid* TForm19::grid(int shift) const {
    return shift == 2 ? DBGrid2 : shift == 3 ? DBGrid3 : shift == 4 ? DBGrid4 : DBGrid1;
}

QList<data::Query*> TForm19::gridQueries() const {
    QList<data::Query*> queries;
    for (int shift = 1; shift <= Shifts; ++shift)
        queries << &DataModule6->timesheetQuery(shift);
    return queries;
}

int TForm19::month() const {
    return ComboBox1->currentIndex() + 1;
}

int TForm19::year() const {
    return ComboBox2->currentText().toInt();
}

void TForm19::selectYear(int year) {
    ComboBox2->setCurrentIndex(qBound(0, year - FirstYear, ComboBox2->count() - 1));
}

void TForm19::FormActivate() {
    Button8->setEnabled(data::role() == data::Role::Full);
}

void TForm19::ComboBox1Change() {
    const int m = month(), y = year();
    const timesheet::MonthPeriod period = timesheet::monthPeriod(y, m);
    QList<data::Query*> reads;
    for (int shift = 1; shift <= Shifts; ++shift) {
        data::Query& q = DataModule6->timesheetQuery(shift);
        q.close();
        q.setParam("mnth", m);
        q.setParam("yea", y);
        q.setParam("date1", period.first);
        q.setParam("date2", period.next);
        reads << &q;
    }
    // the three grids, the month's state and its calendar in one exchange with the server
    data::Query& control = DataModule6->Control;
    control.setSql(timesheet::closedStatement(y, m));
    data::Query& calendar = DataModule6->Calendar;
    calendar.setSql(timesheet::calendarStatement(period.first, period.next.addDays(-1)));
    reads << &control << &calendar;
    data::openTogether(reads);
    data::ClosedOnExit closing{control};
    const timesheet::DaysOff daysOff = timesheet::takeDaysOff(calendar);
    for (timesheet::DayColumns& days : days_)
        days.showMonth(period, daysOff);
    // a closed month is shown, printed and exported, not rebuilt
    const bool closed = timesheet::closedIn(control);
    Label1->setVisible(closed);
    Button1->setEnabled(!closed);
}

void TForm19::openGrids() {
    data::openTogether(gridQueries());
}

void TForm19::Button5Click() {
    for (data::Query* q : gridQueries())
        q->close();
    openGrids();
}

void TForm19::Button1Click() {
    for (data::Query* q : gridQueries())
        q->close();
    PB->setMaximum(timesheet::RebuildSteps);
    PB->setValue(1);
    PB->setVisible(true);
    std::exception_ptr failure;
    timesheet::RebuildRefusal refused;
    try {
        ui::BusyCursor busy;
        // the grids are read with the rebuild, as it leaves the month
        refused = timesheet::rebuildMonth(
            year(), month(),
            [this](int step) {
                PB->setValue(step);
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            },
            gridQueries());
    } catch (...) {
        failure = std::current_exception();
    }
    PB->setVisible(false);
    if (failure) {
        // the month is as it was before the rebuild
        try {
            openGrids();
        } catch (...) {
        }
        std::rethrow_exception(failure);
    }
    if (refused.found()) ui::error(timesheet::rebuildRefusalText(refused));
}

reports::SheetTitle TForm19::sheetTitle() {
    return {reports::readHeading(DataModule6->Control), windowTitle(),
            ComboBox1->currentText() + u' ' + ComboBox2->currentText() + QStringLiteral(" г.")};
}

void TForm19::Button6Click() {
    const reports::SheetTitle title = sheetTitle();
    H_Tabel.close();
    H_Tabel.setParam("mnth", month());
    H_Tabel.setParam("yea", year());
    H_Tabel.open();
    data::ClosedOnExit closing{H_Tabel};
    report::Layout layout = reports::timesheetLayout(title);
    layout.setText(QStringLiteral("QRLabel33"), title.period);
    report::preview(layout, H_Tabel, report::Preview::ZoomMode::WholePage); // a whole page at once
}

void TForm19::Button2Click() {
    const reports::SheetTitle title = sheetTitle();
    H_Tabel.close();
    H_Tabel.setParam("mnth", month());
    H_Tabel.setParam("yea", year());
    H_Tabel.open();
    data::ClosedOnExit closing{H_Tabel};
    // the days the month has, and the row's hours after them
    QList<reports::SheetColumn> columns{
        {QStringLiteral("fio"), QStringLiteral("Фамилия И.О."), reports::SheetColumn::Kind::Text}};
    const int days = QDate(year(), month(), 1).daysInMonth();
    for (int d = 1; d <= days; ++d)
        columns << reports::SheetColumn{QStringLiteral("sd%1").arg(d), QString::number(d),
                                        reports::SheetColumn::Kind::Hours};
    columns << reports::SheetColumn{QString(), QStringLiteral("Итого"),
                                    reports::SheetColumn::Kind::RowHours};
    ui::ProgressCaption caption(Button2);
    reports::exportSheet(title, columns, report::QueryRows(H_Tabel),
                         reports::monthFileName(title.title, year(), month()),
                         [&](int written, int total) { caption.show(written, total); });
}

void TForm19::Button8Click() {
    Form32->ShowHeading();
}

void TForm19::Button3Click() {
    timesheet::t13::exportMonth(DataModule6->ADO_DB, year(), month(), Button3);
}

void TForm19::Button7Click() {
    timesheet::t13::previewMonth(DataModule6->ADO_DB, year(), month());
}

void TForm19::Button4Click() {
    closeForm();
}
