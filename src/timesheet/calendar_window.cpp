#include "timesheet/calendar_window.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

TForm29* Form29 = nullptr;

namespace {
const QColor OffFill(255, 215, 215);
const QColor HolidayFill(255, 160, 160);
const QColor MovedWorkFill(210, 240, 210);
const QColor NoDayFill(200, 200, 200);
const QColor OffText(200, 0, 0);
} // namespace

TForm29::TForm29(QWidget* parent) : ui::Form(parent) {
    Form29 = this;
    setWindowTitle(QStringLiteral("Производственный календарь (29)"));
    resize(1000, 520);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* top = new QHBoxLayout;
    SpinEdit1 = new QSpinBox(content);
    SpinEdit1->setRange(2000, 2100);
    SpinEdit1->setValue(QDate::currentDate().year());
    auto* yearLabel = new QLabel(QStringLiteral("&Год:"), content);
    yearLabel->setBuddy(SpinEdit1);
    Label1 = new QLabel(content);
    top->addWidget(yearLabel);
    top->addWidget(SpinEdit1);
    top->addSpacing(20);
    top->addWidget(Label1, 1);
    layout->addLayout(top);

    Grid1 = new QTableWidget(12, 31, content);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setVerticalHeaderLabels(timesheet::monthNames());
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << QString::number(d);
    Grid1->setHorizontalHeaderLabels(days);
    Grid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    Grid1->horizontalHeader()->setMinimumSectionSize(22);
    Grid1->verticalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    for (int m = 0; m < 12; ++m)
        for (int d = 0; d < 31; ++d) {
            auto* cell = new QTableWidgetItem;
            cell->setTextAlignment(Qt::AlignCenter);
            Grid1->setItem(m, d, cell);
        }
    layout->addWidget(Grid1, 1);

    auto* legend = new QLabel(QStringLiteral("П — нерабочий праздничный день, В — выходной, Р — "
                                             "рабочий день, перенесенный с выходного, 7 — "
                                             "сокращенный день (7 часов)"),
                              content);
    legend->setWordWrap(true);
    layout->addWidget(legend);

    auto* day = new QGridLayout;
    Label2 = new QLabel(content);
    QFont bold = Label2->font();
    bold.setBold(true);
    Label2->setFont(bold);
    CheckBox1 = new QCheckBox(QStringLiteral("&Нерабочий праздничный день"), content);
    CheckBox2 = new QCheckBox(QStringLiteral("&Выходной, перенесенный с другой даты"), content);
    CheckBox3 = new QCheckBox(QStringLiteral("&Рабочий день, перенесенный с выходного"), content);
    CheckBox4 =
        new QCheckBox(QStringLiteral("&Сокращенный предпраздничный день (на 1 час)"), content);
    day->addWidget(Label2, 0, 0, 1, 2);
    day->addWidget(CheckBox1, 1, 0);
    day->addWidget(CheckBox2, 2, 0);
    day->addWidget(CheckBox3, 1, 1);
    day->addWidget(CheckBox4, 2, 1);
    layout->addLayout(day);

    Button1 = new QPushButton(QStringLiteral("&Записать"), this);
    Button2 = new QPushButton(QStringLiteral("Закрыть"), this);
    layOutWithButtons(content, {Button1, Button2});
    setTabOrder(SpinEdit1, Grid1);
    setTabOrder(Grid1, CheckBox1);
    setTabOrder(CheckBox1, CheckBox2);
    setTabOrder(CheckBox2, CheckBox3);
    setTabOrder(CheckBox3, CheckBox4);
    setTabOrder(CheckBox4, Button1);
    setTabOrder(Button1, Button2);

    connect(SpinEdit1, &QSpinBox::valueChanged, this, ui::guard([this] { SpinEdit1Change(); }));
    connect(Grid1, &QTableWidget::currentCellChanged, this, ui::guard([this] { Grid1Change(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
}

void TForm29::ShowOn(const QDate& day) {
    {
        const QSignalBlocker quiet(SpinEdit1);
        SpinEdit1->setValue(day.year());
    }
    chooseDay(day);
    ui::showModal(this);
}

void TForm29::FormActivate() {
    present_ = timesheet::hasCalendar(DataModule6->Control);
    readYear();
    Grid1->setFocus();
}

QDate TForm29::chosenDay() const {
    const int m = Grid1->currentRow(), d = Grid1->currentColumn();
    if (m < 0 || d < 0) return {};
    return QDate(SpinEdit1->value(), m + 1, d + 1);
}

void TForm29::chooseDay(const QDate& day) {
    if (day.year() != SpinEdit1->value()) {
        SpinEdit1->setValue(day.year()); // reads the year when shown
    }
    Grid1->setCurrentCell(day.month() - 1, day.day() - 1);
    showDay();
}

void TForm29::SpinEdit1Change() {
    if (isVisible()) readYear();
}

void TForm29::readYear() {
    ui::BusyCursor busy;
    const int year = SpinEdit1->value();
    const QDate first(year, 1, 1), last(year, 12, 31);
    daysOff_ = timesheet::readDaysOff(DataModule6->Calendar, first, last);
    for (int m = 1; m <= 12; ++m)
        for (int d = 1; d <= 31; ++d) {
            QTableWidgetItem* cell = Grid1->item(m - 1, d - 1);
            const QDate date(year, m, d);
            QString text;
            QColor fill, ink;
            if (!date.isValid()) {
                fill = NoDayFill;
            } else {
                const timesheet::CalendarDay f = daysOff_.facts(date);
                const bool off = daysOff_.isOff(date);
                if (f.holiday) {
                    text = QStringLiteral("П");
                    fill = HolidayFill;
                } else if (off) {
                    text = QStringLiteral("В");
                    fill = OffFill;
                } else if (f.movedWork) {
                    text = f.shortened ? QStringLiteral("Р7") : QStringLiteral("Р");
                    fill = MovedWorkFill;
                } else if (f.shortened) {
                    text = QStringLiteral("7");
                }
                if (off) ink = OffText;
                QFont font = Grid1->font();
                font.setBold(f.movedOff || f.movedWork); // moved days stand out
                cell->setFont(font);
            }
            cell->setText(text);
            cell->setBackground(fill.isValid() ? QBrush(fill) : QBrush());
            cell->setForeground(ink.isValid() ? QBrush(ink) : QBrush());
            cell->setFlags(date.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable
                                          : Qt::NoItemFlags);
        }
    const timesheet::DaysOff::Norm norm = daysOff_.norm(first, last);
    Label1->setText(present_ ? QStringLiteral("Рабочих дней: %1, часов при 40-часовой неделе: %2")
                                   .arg(norm.days)
                                   .arg(norm.hours)
                             : timesheet::noCalendarText());
    Label1->setWordWrap(!present_);
    showDay();
}

void TForm29::Grid1Change() {
    showDay();
}

void TForm29::showDay() {
    const QDate day = chosenDay();
    const timesheet::CalendarDay f = daysOff_.facts(day);
    const bool writable = present_ && day.isValid() && data::role() == data::Role::Full;
    Label2->setText(
        day.isValid()
            ? QLocale(QLocale::Russian).toString(day, QStringLiteral("dddd, d MMMM yyyy")) +
                  (daysOff_.isOff(day)
                       ? QStringLiteral(": выходной")
                       : QStringLiteral(": рабочий, %1 ч.").arg(daysOff_.hours(day)))
            : QString());
    const std::pair<QCheckBox*, bool> boxes[] = {{CheckBox1, f.holiday},
                                                 {CheckBox2, f.movedOff},
                                                 {CheckBox3, f.movedWork},
                                                 {CheckBox4, f.shortened}};
    for (const auto& [box, on] : boxes) {
        box->setChecked(on);
        box->setEnabled(writable);
    }
    Button1->setEnabled(writable);
}

void TForm29::Button1Click() {
    const QDate day = chosenDay();
    if (!day.isValid()) return;
    timesheet::CalendarDay f;
    f.day = day;
    f.holiday = CheckBox1->isChecked();
    f.movedOff = CheckBox2->isChecked();
    f.movedWork = CheckBox3->isChecked();
    f.shortened = CheckBox4->isChecked();
    const timesheet::CalendarWrite done = timesheet::setCalendarDay(DataModule6->Control, f);
    readYear();
    if (!done.written)
        ui::message(done.refusal, QStringLiteral("Производственный календарь"),
                    QMessageBox::Warning);
    Grid1->setFocus();
}

void TForm29::Button2Click() {
    closeForm();
}
