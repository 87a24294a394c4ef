#include "timesheet/timesheet_table.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"

#include <QStringList>
#include <algorithm>
#include <map>
#include <set>

namespace timesheet {

using data::sql::integer;

namespace {

// ISO date literals are constants to the planner, whatever the session's DateStyle.
QString dateLiteral(const QDate& d) {
    return QStringLiteral("date '%1'").arg(d.toString(Qt::ISODate));
}

// Where a cell's hours come from: the source table, the condition naming the cell's source
// rows, its hours column, and what a write of such a row returns for the cells.
struct Source {
    const char* name; // as the other copies hear of it
    const char* table;
    const char* hours;
    const char* returning;
};
const Source ShiftRecords{"smena", "accounts_dep.smena", "time",
                          "w_id, smena, data, time"};
const Source Entries{"fatigue", "accounts_dep.fatigue", "cnt",
                     "id_p, id_o, i_night, d_date, cnt"};

const Source& sourceOf(const RowKey& key) {
    return key.type == ShiftHours ? ShiftRecords : Entries;
}

QString sourceRowsOf(const Cell& c) {
    if (c.row.type == ShiftHours)
        return "w_id=" + integer(c.row.worker) + " and smena=" + integer(c.row.shift) +
               " and data=" + data::sql::toDate(c.day);
    return "id_p=" + integer(c.row.worker) + " and id_o=" + integer(c.row.type) +
           " and i_night=" + integer(c.row.night) + " and d_date=" + data::sql::toDate(c.day);
}

// The condition that finds the key's row, and the columns and values that make it.
QString rowOf(const RowKey& k) {
    QString where = "w_id=" + integer(k.worker);
    where += k.type == ShiftHours ? " and smena=" + integer(k.shift)
                                  : " and i_type=" + integer(k.type) +
                                        " and i_night=" + integer(k.night);
    return where + " and month=" + integer(k.month) + " and year=" + integer(k.year);
}
QString keyColumns(const RowKey& k) {
    return k.type == ShiftHours ? QStringLiteral("smena, w_id, month, year")
                                : QStringLiteral("i_type, i_night, w_id, month, year");
}
QString keyValues(const RowKey& k) {
    const QString rest =
        integer(k.worker) + ", " + integer(k.month) + ", " + integer(k.year);
    return k.type == ShiftHours ? integer(k.shift) + ", " + rest
                                : integer(k.type) + ", " + integer(k.night) + ", " + rest;
}

// The cell's hours once the write is done: its sources as the statement began, without
// the row the write replaces, and the row it returns.
QString hoursAfter(const Cell& c, const SourceWrite& write) {
    QString hours = sourceHours(c, write.replaced);
    if (write.part && !write.deletes)
        hours += QStringLiteral(" + (select coalesce(sum(") + sourceOf(c.row).hours +
                 ("),0) from written where " + sourceRowsOf(c) + u')');
    return hours;
}

// The cells of one row: day -> its cell; entered: the row is made when missing.
struct RowCells {
    std::map<int, Cell> days;
    std::set<int> entered;
};

} // namespace

QString sourceHours(const Cell& c, const QString& except) {
    const Source& s = sourceOf(c.row);
    QString hours = QStringLiteral("(select coalesce(sum(") + s.hours + "),0) from " + s.table +
                    " where " + sourceRowsOf(c);
    if (!except.isEmpty()) hours += " and (" + except + ") is not true";
    return hours + u')';
}

void addCells(data::WritePlan& plan, const std::vector<Cell>& entered,
              const std::vector<Cell>& left, const SourceWrite& write) {
    std::map<RowKey, RowCells> rows;
    for (const Cell& c : left)
        rows[c.row].days[c.day.day()] = c;
    for (const Cell& c : entered) {
        RowCells& r = rows[c.row];
        r.days[c.day.day()] = c;
        r.entered.insert(c.day.day());
    }
    if (write.part) {
        data::WritePart part = *write.part;
        if (!write.deletes && !rows.empty())
            part.returning = QLatin1String(sourceOf(rows.begin()->first).returning);
        plan.parts.push_back(part.named(QStringLiteral("written")));
    }
    // One update per row and, for the rows entered, an insert that runs only when the
    // update found no row.
    int n = 0;
    for (const auto& [key, r] : rows) {
        plan.months.emplace(key.year, key.month);
        plan.rowLocks << rowLockKey(key);
        const QString name = "r" + integer(n++);
        QStringList sets;
        for (const auto& [day, cell] : r.days)
            sets << "d" + integer(day) + "=" + hoursAfter(cell, write);
        plan.parts.push_back(data::WritePart::update(QStringLiteral("accounts_dep.h_tabel"),
                                                     sets.join(", "), rowOf(key),
                                                     QStringLiteral("id"))
                                 .named(name));
        if (r.entered.empty()) continue;
        QString columns, values;
        for (int day : r.entered) {
            columns += ", d" + integer(day);
            values += ", " + hoursAfter(r.days.at(day), write);
        }
        plan.parts.push_back(data::WritePart::insert(QStringLiteral("accounts_dep.h_tabel"),
                                                     keyColumns(key) + columns,
                                                     keyValues(key) + values,
                                                     "not exists (select 1 from " + name + ")",
                                                     QStringLiteral("id"))
                                 .named("i" + name));
    }
    // the other copies hear of the days it changed when it commits
    std::set<std::pair<QDate, int>> days;
    for (const auto& [key, r] : rows)
        for (const auto& [day, cell] : r.days)
            days.insert({cell.day, key.type == ShiftHours ? key.shift : 0});
    for (const auto& [day, shift] : days)
        plan.announcements << data::announceOnce(data::announcement(
            *write.from, QLatin1String(sourceOf(rows.begin()->first).name), day, shift));
}

data::WritePlan rebuildPlan(const data::Connection& from, int year, int month) {
    const MonthPeriod period = monthPeriod(year, month);
    // The records summed per worker, shift and day; the first day beyond the limit, if any.
    // A cell is null on days without records and counts a record without hours as 0, as the
    // postings do; a record without a worker or shift has no row.
    QStringList columns, cells;
    for (int day = 1; day <= period.days(); ++day) {
        columns << QStringLiteral("d%1").arg(day);
        cells << QStringLiteral("max(hours) filter (where data=%1)")
                     .arg(dateLiteral(period.first.addDays(day - 1)));
    }
    data::WritePlan plan;
    plan.action = QStringLiteral("rebuilt");
    plan.months = {{year, month}};
    plan.exclusiveMonths = true;
    plan.with << QStringLiteral("days as (select smena, w_id, data, sum(coalesce(time,0)) as "
                                "hours from accounts_dep.smena where data>=") +
                     dateLiteral(period.first) + QStringLiteral(" and data<") +
                     dateLiteral(period.next) +
                     QStringLiteral(" and w_id is not null and smena is not null group by smena, "
                                    "w_id, data)")
              << QStringLiteral("over as (select * from days where hours>") +
                     integer(MaxDayHours) + QStringLiteral(" order by data, w_id, smena limit 1)");
    plan.columns << QStringLiteral("(select w_id from over) as w_id")
                 << QStringLiteral("(select smena from over) as smena")
                 << QStringLiteral("(select data from over) as data")
                 << QStringLiteral("(select hours from over) as hours")
                 << QStringLiteral("(select fio from accounts_dep.person p, over o where "
                                   "p.id=o.w_id) as fio");
    plan.refusals = {{QStringLiteral("data is not null"), 1}};
    plan.parts.push_back(data::WritePart::remove(
        QStringLiteral("accounts_dep.h_tabel"), QStringLiteral("month=") + integer(month) +
                                                    QStringLiteral(" and year=") + integer(year) +
                                                    QStringLiteral(" and i_type=0")));
    data::WritePart made = data::WritePart::insert(
        QStringLiteral("accounts_dep.h_tabel"),
        QStringLiteral("smena, w_id, month, year, ") + columns.join(QStringLiteral(", ")),
        QStringLiteral("smena, w_id, ") + integer(month) + QStringLiteral(", ") + integer(year) +
            QStringLiteral(", ") + cells.join(QStringLiteral(", ")) +
            QStringLiteral(" from days"));
    made.tail = QStringLiteral("group by smena, w_id");
    plan.parts.push_back(made);
    plan.announcements << data::announceOnce(
        data::monthAnnouncement(from, QStringLiteral("h_tabel"), year, month));
    return plan;
}

OverfilledCell overfilledIn(const data::WriteOutcome& rebuilt) {
    const QVariant day = rebuilt.values.value(QStringLiteral("data"));
    if (day.isNull() || !day.isValid()) return {};
    return {rebuilt.values.value(QStringLiteral("w_id")).toLongLong(),
            rebuilt.values.value(QStringLiteral("fio")).toString().trimmed(),
            rebuilt.values.value(QStringLiteral("smena")).toInt(), day.toDate(),
            rebuilt.values.value(QStringLiteral("hours")).toLongLong()};
}

QString hoursRangeText(const QString& field, int least) {
    return QStringLiteral("Поле «%1»: нужно целое число часов от %2 до %3.")
        .arg(field)
        .arg(least)
        .arg(MaxDayHours);
}

QString dayOverfilledText(const QString& field, int held) {
    QString text = QStringLiteral("Поле «%1»: за день в ячейке табеля набирается больше %2 ч. "
                                  "Ничего не сохранено.")
                       .arg(field)
                       .arg(MaxDayHours);
    if (held < 0) return text;
    const int room = std::max(0, MaxDayHours - held);
    text += QStringLiteral(" За этот день в ячейке уже %1 ч, ").arg(held);
    text += room > 0 ? QStringLiteral("можно добавить не больше %1 ч.").arg(room)
                     : QStringLiteral("добавить больше нельзя.");
    return text;
}

QString workerDaySumsStatement() {
    return QStringLiteral("select person.s_caption fio,") +
           dayList(QStringLiteral("sum(d%1) as sd%1")) +
           QStringLiteral(" from accounts_dep.h_tabel, cmn_contractor.person person where "
                          "h_tabel.w_id=") +
           data::sql::personCode() +
           QStringLiteral(" and month=:mnth and year=:yea group by fio order by ") +
           data::sql::byName(QStringLiteral("person.s_caption"));
}

QString yearsStatement() {
    return QStringLiteral("select distinct ht.year from accounts_dep.h_tabel ht order by year");
}

} // namespace timesheet
