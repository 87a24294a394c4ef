#include "refdata/editor_window.h"

#include "ui/guard.h"

#include <QGroupBox>
#include <QPushButton>

namespace refdata {

void EditorWindow::addButtons() {
    Button1 = new QPushButton(QStringLiteral("Записать"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    layOutWithButtons(GroupBox1, {Button1, Button2});
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
}

void EditorWindow::Button2Click() {
    closeForm();
}

} // namespace refdata
