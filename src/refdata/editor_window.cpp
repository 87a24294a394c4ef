#include "refdata/editor_window.h"

#include "ui/guard.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace refdata {

void EditorWindow::addButtons() {
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    setDefaultButton(Button1);
    setCancelButton(Button2);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(GroupBox1);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
}

void EditorWindow::Button2Click() {
    closeForm();
}

} // namespace refdata
