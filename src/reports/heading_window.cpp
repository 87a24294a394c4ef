#include "reports/heading_window.h"

#include "data/data_module.h"
#include "data/rights.h"
#include "reports/sheet_parts.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm32* Form32 = nullptr;

TForm32::TForm32(QWidget* parent) : ui::Form(parent) {
    Form32 = this;
    setWindowTitle(QStringLiteral("Реквизиты (32)"));
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    auto* content = new QWidget(this);
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* fields = new QFormLayout;
    Edit1 = new QLineEdit(content);
    Edit2 = new QLineEdit(content);
    for (QLineEdit* e : {Edit1, Edit2}) {
        e->setMaxLength(255);
        e->setMinimumWidth(420);
    }
    fields->addRow(QStringLiteral("&Организация:"), Edit1);
    fields->addRow(QStringLiteral("&Подразделение:"), Edit2);
    layout->addLayout(fields);
    auto* note =
        new QLabel(QStringLiteral("Печатаются в заголовке табелей и их книг Excel."), content);
    note->setEnabled(false);
    layout->addWidget(note);
    Label3 = new QLabel(content);
    Label3->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0)"));
    Label3->setWordWrap(true);
    Label3->setVisible(false);
    layout->addWidget(Label3);

    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    layOutWithButtons(content, {Button1, Button2});
    setTabOrder(Edit1, Edit2);
    setTabOrder(Edit2, Button1);
    setTabOrder(Button1, Button2);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
}

void TForm32::ShowHeading() {
    const std::optional<reports::Heading> heading = reports::storedHeading(DataModule6->Control);
    if (!heading) {
        ui::message(QStringLiteral("В базе данных нет таблицы реквизитов (accounts_dep.settings): "
                                   "табели печатаются без организации и подразделения. "
                                   "Администратору базы нужно выполнить "
                                   "sql/upgrade/settings.sql."),
                    QStringLiteral("Реквизиты"), QMessageBox::Information);
        return;
    }
    Edit1->setText(heading->organisation);
    Edit2->setText(heading->department);
    const bool full = data::role() == data::Role::Full;
    for (QLineEdit* e : {Edit1, Edit2})
        e->setReadOnly(!full);
    Button1->setEnabled(full);
    Label3->setText(QStringLiteral("Изменить реквизиты может только пользователь с полным "
                                   "доступом."));
    Label3->setVisible(!full);
    Edit1->setFocus();
    ui::showModal(this);
}

void TForm32::Button1Click() {
    reports::saveHeading(DataModule6->Control, {Edit1->text(), Edit2->text()});
    closeForm();
}

void TForm32::Button2Click() {
    closeForm();
}
