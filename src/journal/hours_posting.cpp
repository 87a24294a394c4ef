#include "journal/hours_posting.h"

#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"

#include <map>
#include <set>

namespace journal {

using data::sql::integer;

namespace {

QString cellOf(const Cell& c) {
    return "w_id=" + integer(c.worker) + " and smena=" + integer(c.shift) +
           " and data=" + data::sql::toDate(c.day);
}

// The cell's hours once the write is done: the records as the statement began, without the
// one the write replaces, and the one it returns.
QString dayHours(const Cell& c, const RecordWrite& write) {
    QString hours = recordedHours(c, write.replaced);
    if (!write.statement.isEmpty() && !write.deletes)
        hours += " + (select coalesce(sum(time),0) from written where " + cellOf(c) + u')';
    return hours;
}

// The cells of one timesheet row: day -> its cell; entered: the row is made when missing.
struct RowCells {
    std::map<int, Cell> days;
    std::set<int> entered;
};

} // namespace

QString recordedHours(const Cell& c, qint64 except) {
    QString hours = "(select coalesce(sum(time),0) from accounts_dep.smena where " + cellOf(c);
    if (except > 0) hours += " and id<>" + integer(except);
    return hours + u')';
}

void writeCells(data::Command& command, const std::vector<Cell>& entered,
                const std::vector<Cell>& left, const RecordWrite& write) {
    std::map<timesheet::RowKey, RowCells> rows;
    for (const Cell& c : left)
        rows[c.rowKey()].days[c.day.day()] = c;
    for (const Cell& c : entered) {
        RowCells& r = rows[c.rowKey()];
        r.days[c.day.day()] = c;
        r.entered.insert(c.day.day());
    }
    if (rows.empty() && write.statement.isEmpty()) return;

    // One update per row and, for the rows entered, an insert that runs only when the
    // update found no row: a statement of data-modifying parts that all run.
    QStringList parts;
    if (!write.statement.isEmpty()) parts << "written as (" + write.statement + ")";
    int n = 0;
    for (const auto& [key, r] : rows) {
        const QString name = "r" + integer(n++);
        QStringList sets;
        for (const auto& [day, cell] : r.days)
            sets << "d" + integer(day) + "=" + dayHours(cell, write);
        parts << name + " as (update accounts_dep.h_tabel set " + sets.join(", ") +
                     " where w_id=" + integer(key.worker) + " and smena=" + integer(key.shift) +
                     " and month=" + integer(key.month) + " and year=" + integer(key.year) +
                     " returning id)";
        if (r.entered.empty()) continue;
        QString columns, values;
        for (int day : r.entered) {
            columns += ", d" + integer(day);
            values += ", " + dayHours(r.days.at(day), write);
        }
        parts << "i" + name + " as (insert into accounts_dep.h_tabel(smena, w_id, month, year" +
                     columns + ") select " + integer(key.shift) + ", " + integer(key.worker) +
                     ", " + integer(key.month) + ", " + integer(key.year) + values +
                     " where not exists (select 1 from " + name + ") returning id)";
    }
    command.setSql("with " + parts.join(", ") + " select 1");
    command.execute();
}

void postHours(data::Query& control, data::Command& command, int worker, int shift,
               const QDate& day) {
    const Cell cell{worker, shift, day};
    data::Transaction t(control.connection());
    timesheet::lockForPosting(control, {cell.rowKey()});
    writeCells(command, {cell}, {});
    t.commit();
}

} // namespace journal
