#include "refdata/list_window.h"

#include "data/sql_text.h"

#include <QKeyEvent>
#include <QKeySequence>

namespace refdata {

void ListWindow::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) ui::centre(this);
    ui::Form::showEvent(event);
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
