// What the journal shows besides its rows: the search for a worker by part of the name and
// the totals of the rows shown. No widget is used.
#pragma once

#include <QString>

namespace data {
class Query;
}

namespace journal {

// The form a name is searched by: lower case, "ё" as "е", blanks at the ends dropped.
QString searchKey(const QString& text);
// Whether a name holds the typed part, letter case and "ё"/"е" aside; an empty or blank part
// is held by every name.
bool nameHolds(const QString& name, const QString& part);
// Shows in query only the records whose worker's name ("fio") holds part; an empty part
// shows every record again. Kept while the query is read again.
void showWorker(data::Query& query, const QString& part);

struct Totals {
    int records = 0;
    double pieces = 0; // kol_vo
    qint64 rejects = 0;
    qint64 hours = 0;
    qint64 kopecks = 0; // the records' sums as the journal shows them, added up
    // "Записей: 3   Кол-во: 25   Брак: 2   Часы: 19   Сумма: 312.50 р."
    QString text() const;
};

// The totals of the records the query shows (its search and filter applied).
Totals shownTotals(const data::Query& query);

} // namespace journal
