#include "timesheet/closed_months_window.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "timesheet/closed_months.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm30* Form30 = nullptr;

namespace {
const QString Caption = QStringLiteral("Открытие месяца");
} // namespace

TForm30::TForm30(QWidget* parent) : ui::Form(parent), ClosedMonths(DataModule6->ADO_DB) {
    Form30 = this;
    setWindowTitle(QStringLiteral("Закрытые месяцы (30)"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    ClosedMonths.setSql(timesheet::closedMonthsListStatement());

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    DBGrid1 = new ui::DBGrid(content);
    DBGrid1->addColumn(QStringLiteral("title"), QStringLiteral("Месяц"), 130);
    DBGrid1->addNameColumn(QStringLiteral("closed_by"), QStringLiteral("Закрыл"), 200);
    DBGrid1->addColumn(QStringLiteral("closed_at"), QStringLiteral("Когда"), 120, Qt::AlignCenter);
    DBGrid1->setDataSet(&ClosedMonths);
    DBGrid1->setMinimumSize(480, 260);
    layout->addWidget(DBGrid1, 1);
    Label1 = new QLabel(QStringLiteral("Открыть месяц может только пользователь с полным "
                                       "доступом."),
                        content);
    Label1->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
    Label1->setVisible(false);
    layout->addWidget(Label1);

    Button1 = new QPushButton(QStringLiteral("Открыть месяц"), this);
    Button2 = new QPushButton(QStringLiteral("Закрыть"), this);
    layOutWithButtons(content, {Button1, Button2});
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] {
                if (Button1->isEnabled()) Button1Click();
            }));
}

void TForm30::applyRights() {
    const bool full = data::role() == data::Role::Full;
    Button1->setEnabled(full && !ClosedMonths.isEmpty());
    Label1->setVisible(!full);
}

void TForm30::ShowClosed() {
    ClosedMonths.close();
    ClosedMonths.open();
    if (ClosedMonths.isEmpty()) {
        ClosedMonths.close();
        ui::message(QStringLiteral("Ни один месяц не закрыт: открывать нечего."), Caption,
                    QMessageBox::Information);
        return;
    }
    applyRights();
    DBGrid1->setFocus();
    ui::showModal(this);
    ClosedMonths.close();
}

void TForm30::Button1Click() {
    if (ClosedMonths.isEmpty()) return;
    const int year = int(ClosedMonths.asInt(QStringLiteral("year")));
    const int month = int(ClosedMonths.asInt(QStringLiteral("month")));
    if (!ui::askYesNo(timesheet::monthChangeQuestion(year, month, false), Caption)) return;
    const timesheet::MonthChange change = timesheet::openMonth(DataModule6->Control, year, month);
    ui::message(change == timesheet::MonthChange::Done
                    ? timesheet::monthChangedText(year, month, false)
                    : timesheet::monthChangeText(change, year, month, false),
                Caption, QMessageBox::Information);
    // the list as it is now: the month opened, or whatever another copy did meanwhile
    ClosedMonths.close();
    ClosedMonths.open();
    applyRights();
    if (ClosedMonths.isEmpty()) closeForm();
}

void TForm30::Button2Click() {
    closeForm();
}
