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
    if (!event->spontaneous()) ui::centre(this, centreOnScreen);
    ui::Form::showEvent(event);
}

SearchWindow::SearchWindow(QWidget* parent) : CentredWindow(parent) {
    DBGrid1 = new ui::DBGrid(this);
    Edit1 = new QLineEdit(this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setCancelButton(Button4);

    Edit1->installEventFilter(this);
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Edit1, &QLineEdit::textChanged, this, ui::guard([this] { Edit1Change(); }));
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] { DBGrid1DblClick(); }));
}

void SearchWindow::setList(data::Query& list, const Search& search) {
    DataSource1.dataSet = &list;
    search_ = search;
    DBGrid1->setDataSource(&DataSource1);
}

bool SearchWindow::hasRow() const {
    return DataSource1.dataSet && list().active() && !list().isEmpty();
}

void SearchWindow::layOut(const QList<QPushButton*>& buttons, QWidget* besideSearch) {
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
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) {
        row->addWidget(b);
        order << b;
    }
    row->addStretch();
    row->addWidget(Button4);
    layout->addLayout(row);
    order << Button4;
    for (qsizetype i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
}

void SearchWindow::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void SearchWindow::Button4Click() {
    closeForm();
}

void SearchWindow::Edit1Change() {
    const QString typed = Edit1->text();
    data::Query& rows = list();
    if (search_.blankShowsAll ? typed.trimmed().isEmpty() : typed.isEmpty()) {
        rows.setFiltered(false);
        return;
    }
    rows.setFilter(search_.field + QStringLiteral(" like '") +
                   (search_.anywhere ? QStringLiteral("%") : QString()) +
                   data::sql::escaped(typed) + QStringLiteral("%'"));
    rows.setFiltered(true);
}

bool SearchWindow::Edit1KeyDown(QKeyEvent* event) {
    const int key = event->key();
    if (key == Qt::Key_Up || key == Qt::Key_Down) {
        if (list().active()) {
            if (key == Qt::Key_Up)
                list().prior();
            else
                list().next();
        }
        return true;
    }
    if (!search_.typingOnly) return false;
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

bool SearchWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        bool used = false;
        ui::run([&] { used = Edit1KeyDown(static_cast<QKeyEvent*>(event)); });
        if (used) return true;
    }
    return CentredWindow::eventFilter(watched, event);
}

ListWindow::ListWindow(QWidget* parent) : SearchWindow(parent) {
    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button2 = new QPushButton(QStringLiteral("Изменить"), this);
    Button3 = new QPushButton(QStringLiteral("Удалить"), this);
    setDefaultButton(Button1);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
}

void ListWindow::layOut(QWidget* besideSearch, QPushButton* extraButton) {
    QList<QPushButton*> buttons{Button1, Button2, Button3};
    if (extraButton) buttons << extraButton;
    SearchWindow::layOut(buttons, besideSearch);
}

void ListWindow::Button2Click() {
    if (Tag != 0) {
        if (hasRow())
            handBack();
        else
            handBackNothing();
        closeForm();
        return;
    }
    if (hasRow()) changeRow();
}

void ListWindow::DBGrid1DblClick() {
    Button2Click();
}

void ListWindow::showBrowse() {
    Tag = 0;
    list().open();
    Button2->setText(QStringLiteral("Изменить"));
    setDefaultButton(Button1);
    Button1->setVisible(true);
    Button3->setVisible(true);
    ui::showModal(this);
    list().close();
}

void ListWindow::pickButtons() {
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->setVisible(false);
    Button3->setVisible(false);
    setDefaultButton(Button2);
}

void ListWindow::showPick() {
    Tag = 1;
    list().open();
    pickButtons();
    Edit1->setVisible(true);
    Edit1->clear();
    list().setFiltered(false);
    ui::showModal(this);
    setDefaultButton(Button1);
    Edit1->setVisible(false);
    Edit1->clear();
    list().setFiltered(false);
    list().close();
}

} // namespace refdata
