#include "journal/record_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"

#include <functional>
#include <set>
#include <utility>

namespace journal {

using data::sql::integer;
using timesheet::Cell;

namespace {

Cell cellOf(const RecordInput& r) {
    return Cell::shift(r.worker, r.shift, r.day);
}

// A record's cell as seen (none for a record without worker, shift or day) and its month.
struct SeenCell {
    std::vector<Cell> cells;
    std::set<std::pair<int, int>> months;
};

SeenCell cellSeen(const data::SeenRow& seen) {
    SeenCell held;
    const QVariant worker = seen.values.value(seen.fields.indexOf(u"w_id"));
    const QVariant shift = seen.values.value(seen.fields.indexOf(u"smena"));
    const QVariant day = seen.values.value(seen.fields.indexOf(u"data"));
    if (day.isNull() || !day.isValid()) return held;
    const QDate d = day.toDate();
    held.months.emplace(d.year(), d.month());
    if (!worker.isNull() && worker.isValid() && !shift.isNull() && shift.isValid())
        held.cells.push_back(Cell::shift(worker.toLongLong(), shift.toInt(), d));
    return held;
}

// The checks of a write of an existing record, in the order tried: the row is there, as
// seen (the fields given), and its month and the one it moves to are open.
timesheet::Checks rowChecks(qint64 id, const data::SeenRow& seen, const QString& closedMonth) {
    const QString row = "from accounts_dep.smena where id=" + integer(id);
    return {{"(select count(*) " + row + ") as found",
             "(select count(*) " + row + " and " + data::sameAsSeen(seen) + ") as same",
             closedMonth + " as closed"},
            {{"found=0", int(WriteResult::RecordGone)},
             {"same=0", int(WriteResult::RecordChanged)},
             {"closed is not null", int(WriteResult::MonthClosed)}}};
}

// The checks of the values written, read after the locks were granted, so they see what the
// copies that held them before have committed. except: the record being changed.
void addInputChecks(timesheet::Checks& checks, const RecordInput& r, qint64 except) {
    const QString other = except > 0 ? " and id<>" + integer(except) : QString();
    checks.columns
        << "(select count(*) from accounts_dep.person where id=" + integer(r.worker) + ") as worker"
        << "(select count(*) from accounts_dep.oper where id=" + integer(r.operation) + ") as oper"
        << "(select count(id) from accounts_dep.SMENA where w_id=" + integer(r.worker) +
               " and o_id=" + integer(r.operation) + " and i_id=" + integer(r.product) +
               " and data=" + data::sql::toDate(r.day) + " and smena=" + integer(r.shift) + other +
               " and color=" + integer(r.colour) + ") as cnt"
        << timesheet::sourceHours(cellOf(r), except) + " as hours";
    checks.refusals.insert(checks.refusals.end(),
                           {{integer(r.rejects) + ">" + data::sql::general(r.quantity),
                             int(WriteResult::RejectsAboveQuantity)},
                            {"worker=0", int(WriteResult::WorkerGone)},
                            {"oper=0", int(WriteResult::OperationGone)},
                            {"cnt>0", int(WriteResult::Duplicate)},
                            {"hours+" + integer(r.hours) + ">" + integer(timesheet::MaxDayHours),
                             int(WriteResult::DayTooLong)}});
}

// Sends a checked write in one round trip (timesheet::openPosting) and says what became of
// it; landed tells, after a lost answer, whether it is in the database.
WriteResult posted(data::Query& control, const QString& first, const std::vector<Cell>& cells,
                   const std::set<std::pair<int, int>>& months,
                   const std::function<QString(const QString&)>& build,
                   timesheet::ClosedMonth* closed, const std::function<bool()>& landed) {
    std::vector<timesheet::RowKey> keys;
    for (const Cell& c : cells)
        keys.push_back(c.row);
    data::ClosedOnExit closing{control};
    try {
        timesheet::openPosting(control, first, keys, months, build);
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
    const auto result = WriteResult(control.asInt("refusal"));
    if (closed) *closed = timesheet::closedMonthOf(control.asInt("closed"));
    return result;
}

// The row lock a write of record id begins with.
QString lockRow(qint64 id) {
    return "select 1 from accounts_dep.smena where id=" + integer(id) + " for update";
}

// A write of record id that compares with seen: with none, with the row as it is now, again
// while another copy keeps changing it.
WriteResult withSeen(data::Query& control, qint64 id, const data::SeenRow& seen,
                     const std::function<WriteResult(const data::SeenRow&)>& write) {
    if (!seen.isEmpty()) return write(seen);
    for (int attempt = 0;; ++attempt) {
        const data::SeenRow now = currentRecord(control, id);
        if (now.isEmpty()) return WriteResult::RecordGone;
        const WriteResult result = write(now);
        if (result != WriteResult::RecordChanged || attempt >= 3) return result;
    }
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
    case WriteResult::RejectsAboveQuantity:
        return rejectsAboveQuantityText();
    }
    return QString();
}

QString rejectsAboveQuantityText(double quantity, int rejects) {
    if (rejects < 0) return QStringLiteral("Поле «Брак» не может быть больше поля «Кол-во».");
    return QStringLiteral("Поле «Брак» (%1) не может быть больше поля «Кол-во» (%2).")
        .arg(rejects)
        .arg(data::sql::general(quantity));
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
    const QString insert =
        "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, "
        "color, time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
        "id_cons_use) select " +
        integer(r.worker) + ", " + integer(r.product) + ", " + integer(r.operation) + ", " +
        price(r) + "," + data::sql::general(r.quantity) + ", " + integer(r.rejects) +
        ", " + data::sql::toDate(r.day) + ", " +
        integer(r.shift) + ", " + integer(r.colour) + ", " + integer(r.hours) + ", '" +
        today() + "', 'no', 0, 0, 0, 0, 0, 0 where " + timesheet::ChecksPass;
    const data::Connection& from = command.connection();
    return posted(
        control, {}, {cell}, {},
        [&](const QString& closedMonth) {
            timesheet::Checks checks{{closedMonth + " as closed"},
                                     {{"closed is not null", int(WriteResult::MonthClosed)}}};
            addInputChecks(checks, r, 0);
            return timesheet::cellsStatement({cell}, {}, {insert, 0, false, &from}, &checks);
        },
        // an equal record is refused, so one that holds these values is this one
        closed, [&] { return recordThere(control, r, "ok='no'"); });
}

WriteResult changeRecord(data::Query& control, data::Command& command, qint64 id,
                         const RecordInput& r, const data::SeenRow& seen,
                         timesheet::ClosedMonth* closed) {
    const Cell cell = cellOf(r);
    const QString update =
        "update accounts_dep.SMENA set w_id=" + integer(r.worker) +
        ", i_id=" + integer(r.product) + ", o_id=" + integer(r.operation) + ", cena=" + price(r) +
        ", kol_vo=" + data::sql::general(r.quantity) + ", brak=" + integer(r.rejects) +
        ", data=" + data::sql::toDate(r.day) + ", smena=" + integer(r.shift) +
        ", color=" + integer(r.colour) + ", time=" + integer(r.hours) + ", vvod='" + today() +
        "', prize=0, id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, id_cons_use=0 "
        "where id=" +
        integer(id) + " and " + timesheet::ChecksPass;
    const data::Connection& from = command.connection();
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        // the cell the record leaves is the one seen: a row that is no longer so is refused
        const SeenCell old = cellSeen(as);
        std::vector<Cell> cells = old.cells;
        cells.push_back(cell);
        return posted(
            control, lockRow(id), cells, old.months,
            [&](const QString& closedMonth) {
                timesheet::Checks checks = rowChecks(id, as, closedMonth);
                addInputChecks(checks, r, id);
                return timesheet::cellsStatement({cell}, old.cells, {update, id, false, &from},
                                                 &checks);
            },
            closed, [&] { return recordThere(control, r, "id=" + integer(id)); });
    });
}

WriteResult deleteRecord(data::Query& control, data::Command& command, qint64 id,
                         const data::SeenRow& seen, timesheet::ClosedMonth* closed) {
    const data::Connection& from = command.connection();
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        const SeenCell old = cellSeen(as);
        return posted(
            control, lockRow(id), old.cells, {},
            [&](const QString& closedMonth) {
                const timesheet::Checks checks = rowChecks(id, as, closedMonth);
                return timesheet::cellsStatement(
                    {}, old.cells,
                    {"delete from accounts_dep.smena where id=" + integer(id) + " and " +
                         timesheet::ChecksPass,
                     id, true, &from},
                    &checks);
            },
            closed, [&] {
                return data::lookupIn(control,
                                      "select id from accounts_dep.smena where id=" + integer(id),
                                      "id")
                    .isNull();
            });
    });
}

WriteResult markRecord(data::Query& control, data::Command& command, qint64 id, const QString& mark,
                       timesheet::ClosedMonth* closed, const QDate& day) {
    const QString set = "ok=" + data::sql::quoted(mark);
    const data::Connection& from = command.connection();
    auto write = [&](const data::SeenRow& as) {
        // only the day is compared: it names the month locked
        const SeenCell old = cellSeen(as);
        return posted(
            control, lockRow(id), {}, old.months,
            [&](const QString& closedMonth) {
                const timesheet::Checks checks = rowChecks(id, as, closedMonth);
                // the other copies hear of the record's day and shift when it commits
                return "with " + timesheet::checkedParts(checks) +
                       ", marked as (update accounts_dep.smena set " + set + " where id=" +
                       integer(id) + " and " + timesheet::ChecksPass +
                       " returning data, smena) select checked.*, (select count(*) from (select " +
                       data::announcement(from, QStringLiteral("smena"),
                                          QStringLiteral("to_char(data, 'YYYY-MM-DD')"),
                                          QStringLiteral("cast(smena as text)")) +
                       " from marked) a) as told from checked";
            },
            closed, [&] {
                return data::lookupIn(control,
                                      "select count(*) as cnt from accounts_dep.smena where id=" +
                                          integer(id) + " and " + set,
                                      "cnt")
                           .toLongLong() > 0;
            });
    };
    if (day.isValid()) {
        const data::SeenRow shown{{QStringLiteral("data")}, {QVariant(day)}};
        if (const WriteResult r = write(shown); r != WriteResult::RecordChanged) return r;
    }
    // the day not known, or another copy moved the record: the month as it is now
    for (int attempt = 0;; ++attempt) {
        data::SeenRow now = currentRecord(control, id);
        if (now.isEmpty()) return WriteResult::RecordGone;
        const int at = now.fields.indexOf(u"data");
        const WriteResult result =
            write({{QStringLiteral("data")}, {now.values.value(at)}});
        if (result != WriteResult::RecordChanged || attempt >= 3) return result;
    }
}

} // namespace journal
