#include "journal/record_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"

namespace journal {

using data::sql::integer;
using timesheet::Cell;

namespace {

Cell cellOf(const RecordInput& r) {
    return Cell::shift(r.worker, r.shift, r.day);
}

// Step 1: the record's row, locked until the transaction ends. cells: the cell it feeds
// as the database holds it (none for a record without worker, shift or day).
struct HeldRecord {
    bool found = false;
    std::vector<Cell> cells;
};

HeldRecord lockRecord(data::Query& control, qint64 id) {
    control.close();
    control.setSql("select w_id, smena, data from accounts_dep.smena where id=" + integer(id) +
                   " for update");
    control.open();
    HeldRecord held;
    held.found = !control.isEmpty();
    if (held.found && !control.isNull("w_id") && !control.isNull("smena") &&
        !control.isNull("data"))
        held.cells.push_back(Cell::shift(control.asInt("w_id"), int(control.asInt("smena")),
                                         control.asDate("data")));
    control.close();
    return held;
}

void lockCells(data::Query& control, const std::vector<Cell>& cells) {
    std::vector<timesheet::RowKey> keys;
    for (const Cell& c : cells)
        keys.push_back(c.row);
    timesheet::lockForPosting(control, keys);
}

// Step 3, in one statement read after the locks were granted, so it sees what the copies
// that held them before have committed. except: the record being changed.
WriteResult check(data::Query& control, const RecordInput& r, qint64 except) {
    const QString day = data::sql::toDate(r.day);
    const QString other = except > 0 ? " and id<>" + integer(except) : QString();
    control.close();
    control.setSql(
        "select (select count(*) from accounts_dep.person where id=" + integer(r.worker) +
        ") as worker, (select count(*) from accounts_dep.oper where id=" + integer(r.operation) +
        ") as oper, (select count(id) from accounts_dep.SMENA where w_id=" + integer(r.worker) +
        " and o_id=" + integer(r.operation) + " and i_id=" + integer(r.product) + " and data=" +
        day + " and smena=" + integer(r.shift) + other + " and color=" + integer(r.colour) +
        ") as cnt, " + timesheet::sourceHours(cellOf(r), except) + " as hours");
    control.open();
    const qint64 worker = control.asInt("worker");
    const qint64 oper = control.asInt("oper");
    const qint64 equal = control.asInt("cnt");
    const qint64 hours = control.asInt("hours");
    control.close();
    if (worker == 0) return WriteResult::WorkerGone;
    if (oper == 0) return WriteResult::OperationGone;
    if (equal > 0) return WriteResult::Duplicate;
    if (hours + r.hours > timesheet::MaxDayHours) return WriteResult::DayTooLong;
    return WriteResult::Written;
}

QString price(const RecordInput& r) {
    return data::sql::general(data::sql::round4(r.price));
}

QString today() {
    return data::sql::date(QDate::currentDate());
}

} // namespace

QString refusalText(WriteResult result) {
    switch (result) {
    case WriteResult::Written:
        return QString();
    case WriteResult::Duplicate:
        return QStringLiteral("Позиция с такими параметрами уже заведена!");
    case WriteResult::WorkerGone:
        return QStringLiteral("Работник удалён из списка другим пользователем. Выберите "
                              "работника заново.");
    case WriteResult::OperationGone:
        return QStringLiteral("Операция удалена из списка другим пользователем. Выберите "
                              "операцию заново.");
    case WriteResult::RecordGone:
        return QStringLiteral("Позиция уже удалена другим пользователем.");
    case WriteResult::DayTooLong:
        return timesheet::dayOverfilledText(QStringLiteral("Время"));
    }
    return QString();
}

WriteResult addRecord(data::Query& control, data::Command& command, const RecordInput& r) {
    const Cell cell = cellOf(r);
    data::Transaction t(control.connection());
    lockCells(control, {cell});
    if (const WriteResult refused = check(control, r, 0); refused != WriteResult::Written)
        return refused;
    const QString insert =
        "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
        "color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
        "id_cons_use) values(" +
        integer(r.worker) + ", " + integer(r.product) + ", " + integer(r.operation) + ", " +
        price(r) + "," + data::sql::general(r.quantity) + ", " + integer(r.rejects) +
        ", to_date('" + data::sql::date(r.day) + "', 'DD.MM.YYYY HH24:MI:SS'), " +
        integer(r.shift) + ", " + integer(r.colour) + ", " + integer(r.hours) + ", '" +
        today() + "', 'no', 0, 0, 0, 0, 0, 0)";
    timesheet::writeCells(command, {cell}, {}, {insert});
    t.commit();
    return WriteResult::Written;
}

WriteResult changeRecord(data::Query& control, data::Command& command, qint64 id,
                         const RecordInput& r) {
    const Cell cell = cellOf(r);
    data::Transaction t(control.connection());
    const HeldRecord old = lockRecord(control, id);
    if (!old.found) return WriteResult::RecordGone;
    std::vector<Cell> cells = old.cells;
    cells.push_back(cell);
    lockCells(control, cells);
    if (const WriteResult refused = check(control, r, id); refused != WriteResult::Written)
        return refused;
    const QString update =
        "update accounts_dep.SMENA set w_id=" + integer(r.worker) +
        ", i_id=" + integer(r.product) + ", o_id=" + integer(r.operation) + ", cena=" + price(r) +
        ", kol_vo=" + data::sql::general(r.quantity) + ", brak=" + integer(r.rejects) +
        ", data=" + data::sql::toDate(r.day) + ", smena=" + integer(r.shift) +
        ", color=" + integer(r.colour) + ", time=" + integer(r.hours) + ", vvod='" + today() +
        "', prize=0, id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, id_cons_use=0 "
        "where id=" +
        integer(id);
    timesheet::writeCells(command, {cell}, old.cells, {update, id});
    t.commit();
    return WriteResult::Written;
}

WriteResult deleteRecord(data::Query& control, data::Command& command, qint64 id) {
    data::Transaction t(control.connection());
    const HeldRecord old = lockRecord(control, id);
    if (!old.found) return WriteResult::RecordGone;
    lockCells(control, old.cells);
    timesheet::writeCells(command, {}, old.cells,
               {"delete from accounts_dep.smena where id=" + integer(id), id, true});
    t.commit();
    return WriteResult::Written;
}

QString markStatement(const data::Connection& connection) {
    return QStringLiteral("with marked as (update accounts_dep.smena set ok=:ok where id=:id "
                          "returning data, smena) select ") +
           data::announcement(connection, QStringLiteral("smena"),
                              QStringLiteral("to_char(data, 'YYYY-MM-DD')"),
                              QStringLiteral("cast(smena as text)")) +
           QStringLiteral(" from marked");
}

} // namespace journal
