// What the reference lists and editors share: centring over the window that opens them,
// the search box's keys and the search filter.
#pragma once

#include "data/query.h"
#include "ui/form.h"

class QKeyEvent;

namespace refdata {

// A window centred over the program's active window each time it is shown.
class ListWindow : public ui::Form {
    Q_OBJECT
public:
    using ui::Form::Form;

protected:
    void showEvent(QShowEvent* event) override;
};

// Up and Down in a list's search box move the list instead of the text cursor; true when
// the key was used up. With typingOnly the box takes nothing but typed characters,
// Backspace, editing shortcuts and the window's keys: its cursor keys and Delete do nothing.
bool searchKey(QKeyEvent* event, data::Query& list, bool typingOnly);

// prefix + the typed text with its apostrophes doubled + suffix, e.g. "fio like 'О''Н%'".
QString likeFilter(const QString& prefix, const QString& typed,
                   const QString& suffix = QStringLiteral("%'"));

// Applies a search: an empty text switches the filter off, any other sets it and on.
void applySearch(data::Query& list, bool empty, const QString& filter);

} // namespace refdata
