// The history of changes the database keeps (accounts_dep.change_log): read for one row or for
// the deleted shift records of a day, and told in Russian, one line per changed field
// ("Кол-во: 10 → 12").
#pragma once

#include <QDate>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <vector>

namespace data {

class Query;

struct HistoryEntry {
    QString at; // the server's time of the transaction, as "dd.mm.yyyy hh:mm:ss"
    QString table;
    QString rowId;
    QString action; // added, changed, deleted, accepted, unaccepted, priced, rebuilt, closed, opened
    QJsonObject before; // the whole row for a deletion, the changed fields for a change
    QJsonObject after;  // the whole row for an addition, the changed fields for a change
    QString login;
    QString access;
    QString computer;
    QString user;
    QJsonObject names; // of the workers, products and operations, by "column:value"
};

// Sets query to read the history of one row of table (as the triggers name it: "smena",
// "fatigue", ...), newest first.
void setRowHistory(Query& query, const QString& table, qint64 rowId);
// Sets query to read the shift records deleted on day and not there again, newest first.
void setDeletedRecords(Query& query, const QDate& day);
// What the journal of changes shows: the changes from `from` to `to` (days of the server's
// clock, both included), of one login, action and table when these are not empty.
struct ChangeFilter {
    QDate from;
    QDate to;
    QString login;
    QString action;
    QString table;
};
// Sets query to read the changes the filter lets through, newest first.
void setChanges(Query& query, const ChangeFilter& filter);
// Sets query to read the logins the history names (column "login"), in order.
void setLogins(Query& query);
// The actions and tables the history knows, in the order a list offers them.
const QStringList& historyActions();
const QStringList& historyTables();
// "Записи смен", "Хоз. работы", ... for a table's name.
QString tableText(const QString& table);

// The entries an opened query of the statements above holds, in its order.
std::vector<HistoryEntry> historyEntries(Query& query);

// "Изменение", "Удаление", ...
QString actionText(const QString& action);
// The login, and the access role, computer and user the copy named, as one line.
QString whoText(const HistoryEntry& entry);
// "поле: было → стало" per field a reader knows, in the order of the row's columns; an
// addition gives "поле: стало", a deletion "поле: было".
QStringList changeLines(const HistoryEntry& entry);
// The Russian name of a column of table; empty for columns the history does not show.
QString fieldName(const QString& table, const QString& column);

} // namespace data
