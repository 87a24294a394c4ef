#include "journal/month_close_window.h"

#include "timesheet/timesheet_month.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>

TForm28* Form28 = nullptr;

TForm28::TForm28(QWidget* parent) : ui::Form(parent) {
    Form28 = this;
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    ComboBox1 = new QComboBox(this);
    ComboBox1->addItems(timesheet::monthNames());
    SpinEdit1 = new QSpinBox(this);
    SpinEdit1->setRange(2000, 2100);
    Button1 = new QPushButton(QStringLiteral("ОК"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);

    auto* content = new QWidget(this);
    auto* row = new QHBoxLayout(content);
    row->setContentsMargins(0, 0, 0, 0);
    auto* monthLabel = new QLabel(QStringLiteral("&Месяц:"), content);
    monthLabel->setBuddy(ComboBox1);
    auto* yearLabel = new QLabel(QStringLiteral("&Год:"), content);
    yearLabel->setBuddy(SpinEdit1);
    row->addWidget(monthLabel);
    row->addWidget(ComboBox1);
    row->addSpacing(12);
    row->addWidget(yearLabel);
    row->addWidget(SpinEdit1);
    layOutWithButtons(content, {Button1, Button2});
    setTabOrder(ComboBox1, SpinEdit1);
    setTabOrder(SpinEdit1, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
}

bool TForm28::AskMonth(const QString& caption, const QDate& day) {
    setWindowTitle(caption);
    ComboBox1->setCurrentIndex(day.month() - 1);
    SpinEdit1->setValue(day.year());
    Accepted = false;
    ComboBox1->setFocus();
    ui::showModal(this);
    return Accepted;
}

int TForm28::year() const {
    return SpinEdit1->value();
}

int TForm28::month() const {
    return ComboBox1->currentIndex() + 1;
}

void TForm28::Button1Click() {
    Accepted = true;
    closeForm();
}

void TForm28::Button2Click() {
    Accepted = false;
    closeForm();
}
