#include "journal/record_writes.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"

#include <set>
#include <utility>

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
    QDate day; // invalid for a record without one
};

HeldRecord lockRecord(data::Query& control, qint64 id) {
    control.close();
    control.setSql("select w_id, smena, data from accounts_dep.smena where id=" + integer(id) +
                   " for update");
    control.open();
    HeldRecord held;
    held.found = !control.isEmpty();
    if (held.found && !control.isNull("data")) held.day = control.asDate("data");
    if (held.found && !control.isNull("w_id") && !control.isNull("smena") &&
        !control.isNull("data"))
        held.cells.push_back(Cell::shift(control.asInt("w_id"), int(control.asInt("smena")),
                                         control.asDate("data")));
    control.close();
    return held;
}

// Step 1, right after the lock: the row as the user saw it. Another copy's change in
// between is not overwritten or deleted unseen.
bool asSeen(data::Query& control, qint64 id, const data::SeenRow& seen) {
    if (seen.isEmpty()) return true;
    return data::compareRow(control,
                            "select " + seen.fields.join(u',') +
                                " from accounts_dep.smena where id=" + integer(id),
                            seen) == data::RowNow::Same;
}

// The commit, and when its answer is lost, whether landed finds the write in the database.
WriteResult committed(data::Transaction& t, data::Query& control,
                      const std::function<bool()>& landed) {
    try {
        t.commit();
        return WriteResult::Written;
    } catch (const data::CommitLost&) {
        switch (data::settleLostCommit(control.connection(), landed)) {
        case data::LostCommit::Saved:
            return WriteResult::LostSaved;
        case data::LostCommit::NotSaved:
            return WriteResult::LostNotSaved;
        case data::LostCommit::Unknown:
            break;
        }
        return WriteResult::LostUnknown;
    }
}

// Step 2; a closed month among the cells' refuses the write.
bool lockCells(data::Query& control, const std::vector<Cell>& cells,
               timesheet::ClosedMonth* closed) {
    std::vector<timesheet::RowKey> keys;
    for (const Cell& c : cells)
        keys.push_back(c.row);
    const timesheet::ClosedMonth month = timesheet::lockForPosting(control, keys);
    if (closed) *closed = month;
    return !month.found();
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

QString refusalText(WriteResult result, const timesheet::ClosedMonth& closed) {
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
    case WriteResult::RecordChanged:
        return QStringLiteral("Позицию изменил другой пользователь, пока она была открыта у вас; "
                              "ничего не записано. Журнал перечитан: проверьте позицию и "
                              "повторите действие, если оно ещё нужно.");
    case WriteResult::LostSaved:
        return data::lostCommitText(data::LostCommit::Saved);
    case WriteResult::LostNotSaved:
        return data::lostCommitText(data::LostCommit::NotSaved);
    case WriteResult::LostUnknown:
        return data::lostCommitText(data::LostCommit::Unknown);
    case WriteResult::DayTooLong:
        return timesheet::dayOverfilledText(QStringLiteral("Время"));
    case WriteResult::MonthClosed:
        return timesheet::closedMonthText(closed);
    }
    return QString();
}

bool isWritten(WriteResult result) {
    return result == WriteResult::Written || result == WriteResult::LostSaved;
}

const QStringList SeenFields{"data", "smena", "w_id",  "i_id", "o_id", "cena", "kol_vo",
                             "brak", "time",  "color", "ok",   "vvod", "prize"};

data::SeenRow seenRecord(const data::Query& list) {
    return data::SeenRow::of(list, SeenFields);
}

data::SeenRow currentRecord(data::Query& control, qint64 id) {
    data::ClosedOnExit closer{control};
    control.close();
    control.setSql("select " + SeenFields.join(u',') +
                   " from accounts_dep.smena where id=" + integer(id));
    control.open();
    return data::SeenRow::of(control, SeenFields);
}

namespace {
// A record holding every value r writes, entered today, among those where selects.
bool recordThere(data::Query& control, const RecordInput& r, const QString& where) {
    return data::lookupIn(control,
                          "select count(*) as cnt from accounts_dep.smena where " + where +
                              " and w_id=" + integer(r.worker) + " and i_id=" + integer(r.product) +
                              " and o_id=" + integer(r.operation) + " and cena=" + price(r) +
                              " and kol_vo=" + data::sql::general(r.quantity) + " and brak=" +
                              integer(r.rejects) + " and data=" + data::sql::toDate(r.day) +
                              " and smena=" + integer(r.shift) + " and color=" + integer(r.colour) +
                              " and time=" + integer(r.hours) + " and vvod='" + today() + "'",
                          "cnt")
               .toLongLong() > 0;
}
} // namespace

WriteResult addRecord(data::Query& control, data::Command& command, const RecordInput& r,
                      timesheet::ClosedMonth* closed) {
    const Cell cell = cellOf(r);
    data::Transaction t(control.connection());
    if (!lockCells(control, {cell}, closed)) return WriteResult::MonthClosed;
    if (const WriteResult refused = check(control, r, 0); refused != WriteResult::Written)
        return refused;
    const QString insert =
        "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
        "color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
        "id_cons_use) values(" +
        integer(r.worker) + ", " + integer(r.product) + ", " + integer(r.operation) + ", " +
        price(r) + "," + data::sql::general(r.quantity) + ", " + integer(r.rejects) +
        ", " + data::sql::toDate(r.day) + ", " +
        integer(r.shift) + ", " + integer(r.colour) + ", " + integer(r.hours) + ", '" +
        today() + "', 'no', 0, 0, 0, 0, 0, 0)";
    timesheet::writeCells(command, {cell}, {}, {insert});
    // an equal record is refused above, so one that holds these values is this one
    return committed(t, control, [&] { return recordThere(control, r, "ok='no'"); });
}

WriteResult changeRecord(data::Query& control, data::Command& command, qint64 id,
                         const RecordInput& r, const data::SeenRow& seen,
                         timesheet::ClosedMonth* closed) {
    const Cell cell = cellOf(r);
    data::Transaction t(control.connection());
    const HeldRecord old = lockRecord(control, id);
    if (!old.found) return WriteResult::RecordGone;
    if (!asSeen(control, id, seen)) return WriteResult::RecordChanged;
    std::vector<Cell> cells = old.cells;
    cells.push_back(cell);
    if (!lockCells(control, cells, closed)) return WriteResult::MonthClosed;
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
    return committed(t, control, [&] { return recordThere(control, r, "id=" + integer(id)); });
}

WriteResult deleteRecord(data::Query& control, data::Command& command, qint64 id,
                         const data::SeenRow& seen, timesheet::ClosedMonth* closed) {
    data::Transaction t(control.connection());
    const HeldRecord old = lockRecord(control, id);
    if (!old.found) return WriteResult::RecordGone;
    if (!asSeen(control, id, seen)) return WriteResult::RecordChanged;
    if (!lockCells(control, old.cells, closed)) return WriteResult::MonthClosed;
    timesheet::writeCells(command, {}, old.cells,
               {"delete from accounts_dep.smena where id=" + integer(id), id, true});
    return committed(t, control, [&] {
        return data::lookupIn(control, "select id from accounts_dep.smena where id=" + integer(id),
                              "id")
            .isNull();
    });
}

WriteResult markRecord(data::Query& control, data::Command& command, qint64 id, const QString& mark,
                       timesheet::ClosedMonth* closed) {
    data::Transaction t(control.connection());
    const HeldRecord old = lockRecord(control, id);
    if (!old.found) return WriteResult::RecordGone;
    std::set<std::pair<int, int>> months;
    if (old.day.isValid()) months.emplace(old.day.year(), old.day.month());
    const timesheet::ClosedMonth month = timesheet::lockMonths(control, months);
    if (closed) *closed = month;
    if (month.found()) return WriteResult::MonthClosed;
    command.setSql("update accounts_dep.smena set ok=" + data::sql::quoted(mark) +
                   " where id=" + integer(id));
    command.execute();
    t.commit();
    return WriteResult::Written;
}

} // namespace journal
