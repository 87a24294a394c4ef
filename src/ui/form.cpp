#include "ui/form.h"

#include "ui/guard.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace ui {

Form::Form(QWidget* parent) : QDialog(parent) {
    setWindowIcon(QIcon(QStringLiteral(":/Icon_1")));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
}

void Form::setDefaultButton(QPushButton* button) {
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setDefault(false);
    if (button) button->setDefault(true);
}

void Form::layOutWithButtons(QWidget* content, const QList<QPushButton*>& buttons) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton* b : buttons)
        row->addWidget(b);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(content);
    layout->addLayout(row);
    if (!buttons.isEmpty()) {
        setDefaultButton(buttons.first());
        setCancelButton(buttons.last());
    }
}

void Form::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!event->spontaneous()) run([this] { FormActivate(); });
}

void Form::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
        !(event->modifiers() & ~Qt::KeypadModifier)) {
        // Enter on a button presses that button, as Space does, not the default one
        auto* focused = qobject_cast<QPushButton*>(focusWidget());
        if (focused && focused->window() == this && focused->isVisible() && focused->isEnabled()) {
            focused->click();
            return;
        }
    }
    if (key == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (cancel_ && cancel_->isVisible() && cancel_->isEnabled())
            cancel_->click();
        else
            hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

void centre(QWidget* window, bool onScreen) {
    QRect area;
    if (QWidget* main = QApplication::activeWindow(); !onScreen && main && main != window)
        area = main->frameGeometry();
    else if (QScreen* s = QApplication::primaryScreen())
        area = s->availableGeometry();
    if (area.isEmpty()) return;
    QRect g = window->frameGeometry();
    g.moveCenter(area.center());
    window->move(g.topLeft());
}

void centreOnScreen(QWidget* window) {
    centre(window, true);
}

} // namespace ui
