#include "refdata/list_window.h"

#include "data/sql_text.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace refdata {

void CentredWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) ui::centre(this);
    ui::Form::showEvent(event);
}

ListWindow::ListWindow(QWidget* parent) : CentredWindow(parent) {
    DBGrid1 = new ui::DBGrid(this);
    Edit1 = new QLineEdit(this);
    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button2 = new QPushButton(QStringLiteral("Изменить"), this);
    Button3 = new QPushButton(QStringLiteral("Удалить"), this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setDefaultButton(Button1);
    setCancelButton(Button4);

    Edit1->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Edit1, &QLineEdit::textChanged, this, ui::guard([this] { Edit1Change(); }));
}

void ListWindow::layOut(QWidget* besideSearch, QPushButton* extraButton) {
    QList<QWidget*> order{Edit1, DBGrid1};
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    if (besideSearch) {
        auto* search = new QHBoxLayout;
        search->addWidget(Edit1, 1);
        search->addWidget(besideSearch);
        layout->addLayout(search);
        order << besideSearch;
    } else {
        layout->addWidget(Edit1);
    }
    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3, extraButton}) {
        if (!b) continue;
        buttons->addWidget(b);
        order << b;
    }
    buttons->addStretch();
    buttons->addWidget(Button4);
    layout->addLayout(buttons);
    order << Button4;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void ListWindow::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void ListWindow::Button4Click() {
    closeForm();
}

void ListWindow::showBrowse(data::Query& list) {
    Tag = 0;
    list.open();
    Button2->setText(QStringLiteral("Изменить"));
    setDefaultButton(Button1);
    Button1->setVisible(true);
    Button3->setVisible(true);
    ui::showModal(this);
    list.close();
}

void ListWindow::pickButtons() {
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->setVisible(false);
    Button3->setVisible(false);
    setDefaultButton(Button2);
}

void ListWindow::showPick(data::Query& list) {
    Tag = 1;
    list.open();
    pickButtons();
    Edit1->setVisible(true);
    Edit1->clear();
    list.setFiltered(false);
    ui::showModal(this);
    setDefaultButton(Button1);
    Edit1->setVisible(false);
    Edit1->clear();
    list.setFiltered(false);
    list.close();
}

bool ListWindow::eventFilter(QObject* watched, QEvent* event) {
    if (searchKeyUsed(watched, event, Edit1, [this](QKeyEvent* e) { return Edit1KeyDown(e); }))
        return true;
    return CentredWindow::eventFilter(watched, event);
}

bool searchKeyUsed(QObject* watched, QEvent* event, QLineEdit* box,
                   const std::function<bool(QKeyEvent*)>& keyDown) {
    if (watched != box || event->type() != QEvent::KeyPress) return false;
    bool used = false;
    ui::run([&] { used = keyDown(static_cast<QKeyEvent*>(event)); });
    return used;
}

bool searchKey(QKeyEvent* event, data::Query& list, bool typingOnly) {
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (list.active()) {
            if (key == Qt::Key_Up)
                list.prior();
            else
                list.next();
        }
        return true;
    }
    if (!typingOnly) return false;
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return false;
    default:
        break;
    }
    for (QKeySequence::StandardKey k :
         {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste, QKeySequence::Undo,
          QKeySequence::Redo, QKeySequence::SelectAll})
        if (event->matches(k)) return false;
    const QString text = event->text();
    const bool typed = !text.isEmpty() && text.at(0).isPrint() &&
                       !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    return !typed;
}

QString likeFilter(const QString& prefix, const QString& typed, const QString& suffix) {
    return prefix + data::sql::escaped(typed) + suffix;
}

void applySearch(data::Query& list, bool empty, const QString& filter) {
    if (empty) {
        list.setFiltered(false);
        return;
    }
    list.setFilter(filter);
    list.setFiltered(true);
}

} // namespace refdata
