#include "timesheet/timesheet_by_time.h"

#include "data/data_module.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "reports/layouts.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"
#include "ui/dbgrid.h"
#include "ui/guard.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <exception>

TForm19* Form19 = nullptr;

namespace {

const QColor Red(255, 0, 0);
const QColor Silver(192, 192, 192);
const QColor Overtime(192, 220, 192); // a day above 8 hours
const QColor TotalFill(225, 228, 255);

constexpr int NameColumnWidth = 208;
constexpr int DayColumnWidth = 20;

// Day of a day column ("d5" → 5), 0 for the other columns.
int dayOf(const QString& field) {
    if (field.size() < 2 || field[0] != u'd') return 0;
    bool ok = false;
    const int day = QStringView(field).mid(1).toInt(&ok);
    return ok && day >= 1 && day <= 31 ? day : 0;
}

const char* const PrintStatement =
    "select person.s_caption fio,sum(d1) as sd1,sum(d2) as sd2,sum(d3) as sd3,sum(d4) as sd4, "
    "sum(d5) as sd5,sum(d6) as sd6,sum(d7) as sd7,sum(d8) as sd8,sum(d9) as sd9, sum(d10) as "
    "sd10,sum(d11) as sd11,sum(d12) as sd12,sum(d13) as sd13, sum(d14) as sd14,sum(d15) as "
    "sd15,sum(d16) as sd16,sum(d17) as sd17, sum(d18) as sd18,sum(d19) as sd19,sum(d20) as "
    "sd20,sum(d21) as sd21, sum(d22) as sd22,sum(d23) as sd23,sum(d24) as sd24,sum(d25) as "
    "sd25, sum(d26) as sd26,sum(d27) as sd27,sum(d28) as sd28,sum(d29) as sd29, sum(d30) as "
    "sd30,sum(d31) as sd31 from accounts_dep.h_tabel, cmn_contractor.person person where "
    "h_tabel.w_id=person.s_code::t_integer and month=:mnth and year=:yea group by fio order by "
    "fio";

} // namespace

TForm19::TForm19(QWidget* parent) : ui::Form(parent), H_Tabel(DataModule6->ADO_DB) {
    Form19 = this;
    H_Tabel.setSql(QString::fromUtf8(PrintStatement));
    build();
}

TForm19::~TForm19() = default;

ui::DBGrid* TForm19::makeGrid(QWidget* tab) {
    auto* grid = new ui::DBGrid(tab);
    grid->addColumn("fio", QStringLiteral("Фамилия И. О."), NameColumnWidth);
    for (int d = 1; d <= 31; ++d)
        grid->addColumn(QStringLiteral("d%1").arg(d), QString::number(d), DayColumnWidth,
                        Qt::AlignCenter);
    ui::GridColumn total;
    total.field = QStringLiteral("summ");
    total.title = QStringLiteral("Итого");
    total.width = 47;
    total.alignment = Qt::AlignCenter;
    total.fill = TotalFill;
    grid->addColumn(total);
    grid->horizontalHeader()->setMinimumSectionSize(DayColumnWidth);
    // two-digit hours fill a day column; cut short they would read "…"
    grid->setTextElideMode(Qt::ElideNone);
    // Zero hours are grey (red on a weekend), eight bold, more than eight bold on green; the
    // days the month lacks show nothing.
    grid->onDrawCell = [this, grid](int row, const ui::GridColumn& column, ui::CellStyle& style) {
        const int day = dayOf(column.field);
        if (day == 0) return;
        const int hours = grid->cellText(row, column.field).toInt(); // null reads as 0
        const bool red = column.color == Red;
        if (hours == 0) {
            if (!red) style.text = Silver;
            if (day > days_) style.text = grid->palette().color(QPalette::Base);
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
    setWindowTitle(QStringLiteral("Табель по времени"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    PageControl1 = new QTabWidget(this);
    TabSheet1 = new QWidget;
    TabSheet2 = new QWidget;
    TabSheet3 = new QWidget;
    PageControl1->addTab(TabSheet1, QStringLiteral("Смена №1"));
    PageControl1->addTab(TabSheet2, QStringLiteral("Смена №2"));
    PageControl1->addTab(TabSheet3, QStringLiteral("Смена №3"));
    DBGrid1 = makeGrid(TabSheet1);
    DBGrid2 = makeGrid(TabSheet2);
    DBGrid3 = makeGrid(TabSheet3);
    DBGrid1->setDataSet(&DataModule6->H_Tabel_1);
    DBGrid2->setDataSet(&DataModule6->H_Tabel_2);
    DBGrid3->setDataSet(&DataModule6->H_Tabel_3);

    Button1 = new QPushButton(QStringLiteral("Перестроить"), TabSheet1);
    PB = new QProgressBar(TabSheet1);
    PB->setMinimum(1);
    PB->setValue(1);
    PB->setVisible(false);
    Button2 = new QPushButton(QStringLiteral("Excel"), TabSheet1);
    Button2->setMinimumWidth(120); // room for "Excel (r из N)"
    auto* tools = new QHBoxLayout;
    tools->addWidget(Button1);
    tools->addWidget(PB, 1);
    tools->addStretch();
    tools->addWidget(Button2);
    static_cast<QVBoxLayout*>(TabSheet1->layout())->addLayout(tools);

    Button6 = new QPushButton(QStringLiteral("Печать"), this);
    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems(timesheet::monthNames());
    ComboBox1->setMaxVisibleItems(12);
    ComboBox2 = new QComboBox(this);
    for (int y = FirstYear; y <= QDate::currentDate().year() + 1; ++y)
        ComboBox2->addItem(QString::number(y));
    ComboBox2->setMaxVisibleItems(20);
    Button5 = new QPushButton(QStringLiteral("Обновить"), this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setCancelButton(Button4);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Button6);
    bottom->addSpacing(16);
    bottom->addWidget(ComboBox1);
    bottom->addWidget(ComboBox2);
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
    setTabOrder(Button2, Button6);
    setTabOrder(Button6, ComboBox1);
    setTabOrder(ComboBox1, ComboBox2);
    setTabOrder(ComboBox2, Button5);
    setTabOrder(Button5, Button4);

    // the lists change the period when the user picks, not when a command sets them
    connect(ComboBox1, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(ComboBox2, &QComboBox::activated, this, ui::guard([this] { ComboBox1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
}

ui::DBGrid* TForm19::grid(int shift) const {
    return shift == 2 ? DBGrid2 : shift == 3 ? DBGrid3 : DBGrid1;
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
    Button2->setText(QStringLiteral("Excel"));
}

void TForm19::ComboBox1Change() {
    const int m = month(), y = year();
    const timesheet::MonthPeriod period = timesheet::monthPeriod(y, m);
    days_ = period.days();
    for (int shift = 1; shift <= 3; ++shift) {
        data::Query& q = DataModule6->timesheetQuery(shift);
        ui::DBGrid* g = grid(shift);
        q.close();
        q.setParam("mnth", m);
        q.setParam("yea", y);
        q.setParam("date1", period.first);
        q.setParam("date2", period.next);
        for (int d = 1; d <= 31; ++d) {
            ui::GridColumn& c = g->column(d);
            if (d <= days_) {
                const bool weekend = timesheet::isWeekend(period.first.addDays(d - 1));
                c.color = weekend ? Red : QColor();
                c.titleColor = c.color;
            } else {
                c.color = g->palette().color(QPalette::Base);
                c.titleColor = Silver;
            }
        }
        g->horizontalHeader()->viewport()->update();
        q.open();
    }
}

void TForm19::openGrids() {
    for (int shift = 1; shift <= 3; ++shift)
        DataModule6->timesheetQuery(shift).open();
}

void TForm19::Button5Click() {
    for (int shift = 1; shift <= 3; ++shift)
        DataModule6->timesheetQuery(shift).close();
    openGrids();
}

void TForm19::Button1Click() {
    for (int shift = 1; shift <= 3; ++shift)
        DataModule6->timesheetQuery(shift).close();
    PB->setMaximum(timesheet::RebuildSteps);
    PB->setValue(1);
    PB->setVisible(true);
    std::exception_ptr failure;
    try {
        ui::BusyCursor busy;
        timesheet::rebuildMonth(year(), month(), [this](int step) {
            PB->setValue(step);
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        });
    } catch (...) {
        failure = std::current_exception();
    }
    PB->setVisible(false);
    // the month is as the rebuild left it, or as it was before when the rebuild failed
    try {
        openGrids();
    } catch (...) {
        if (!failure) throw;
    }
    if (failure) std::rethrow_exception(failure);
}

void TForm19::Button6Click() {
    H_Tabel.close();
    H_Tabel.setParam("mnth", month());
    H_Tabel.setParam("yea", year());
    H_Tabel.open();
    data::ClosedOnExit closing{H_Tabel};
    report::Layout layout = reports::timesheetLayout();
    layout.setText(QStringLiteral("QRLabel33"), ComboBox1->currentText() + u' ' +
                                                    ComboBox2->currentText() +
                                                    QStringLiteral(" г."));
    report::preview(layout, H_Tabel, report::Preview::ZoomMode::WholePage); // a whole page at once
}

void TForm19::Button2Click() {
    const QString y = QString::number(year());
    H_Tabel.close();
    H_Tabel.setParam("mnth", month());
    H_Tabel.setParam("yea", year());
    H_Tabel.open();
    data::ClosedOnExit closing{H_Tabel};
    ui::BusyCursor busy;
    if (ExcelOpen(QString(), QStringLiteral("Табель ") + ComboBox1->currentText() + u' ' + y) == -1)
        return;
    ExcelSetVisible(false);
    const QString of = QStringLiteral(" из ") + QString::number(H_Tabel.recordCount()) + u')';
    Button2->setText(QStringLiteral("Excel (0") + of);
    ExcelWriteCellFormatted(1, 1, 1, ComboBox1->currentText() + u' ' + y, true, true, true);
    ExcelWriteCellFormatted(1, 1, 2, QStringLiteral("Фамилия И.О."), true, true, true);
    for (int d = 1; d <= 31; ++d)
        ExcelWriteCellFormatted(1, d + 1, 2, QString::number(d), false, true, true);
    ExcelWriteCellFormatted(1, 33, 2, QStringLiteral("Итого"), true, true, true);
    int r = 3;
    for (H_Tabel.first(); !H_Tabel.eof(); H_Tabel.next(), ++r) {
        ExcelWriteCellFormatted(1, 1, r, H_Tabel.asText("fio"), true, true, false);
        qint64 total = 0;
        for (int d = 1; d <= 31; ++d) {
            const qint64 hours = H_Tabel.asInt(QStringLiteral("sd%1").arg(d)); // null is 0
            total += hours;
            ExcelWriteCellFormatted(1, d + 1, r, QString::number(hours), false, true, false);
        }
        ExcelWriteCellFormatted(1, 33, r, QString::number(total), false, true, false);
        Button2->setText(QStringLiteral("Excel (") + QString::number(r - 2) + of);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    ExcelSetVisible(true);
}

void TForm19::Button4Click() {
    closeForm();
}
