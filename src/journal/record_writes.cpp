#include "journal/record_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "data/write_engine.h"
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

// The record row a write changes or deletes, as seen.
data::SeenTarget target(qint64 id, const data::SeenRow& seen) {
    return {QStringLiteral("accounts_dep.smena"), id, {}, seen};
}

// The checks of the values written, read after the locks were granted, so they see what the
// copies that held them before have committed. except: the record being changed.
void addInputChecks(data::WritePlan& plan, const RecordInput& r, qint64 except) {
    const QString other = except > 0 ? " and id<>" + integer(except) : QString();
    plan.columns
        << "(select count(*) from accounts_dep.person where id=" + integer(r.worker) + ") as worker"
        << "(select count(*) from accounts_dep.oper where id=" + integer(r.operation) + ") as oper"
        << "(select count(id) from accounts_dep.SMENA where w_id=" + integer(r.worker) +
               " and o_id=" + integer(r.operation) + " and i_id=" + integer(r.product) +
               " and data=" + data::sql::toDate(r.day) + " and smena=" + integer(r.shift) + other +
               " and color=" + integer(r.colour) + ") as cnt"
        << timesheet::sourceHours(cellOf(r), except > 0 ? "id=" + integer(except) : QString()) +
               " as hours";
    plan.refusals.insert(plan.refusals.end(),
                         {{integer(r.rejects) + ">" + data::sql::general(r.quantity),
                           int(WriteResult::RejectsAboveQuantity)},
                          {"worker=0", int(WriteResult::WorkerGone)},
                          {"oper=0", int(WriteResult::OperationGone)},
                          {"cnt>0", int(WriteResult::Duplicate)},
                          {"hours+" + integer(r.hours) + ">" + integer(timesheet::MaxDayHours),
                           int(WriteResult::DayOverfilled)}});
}

// Sends the write and says what became of it.
WriteResult posted(data::Query& control, data::WritePlan& plan, timesheet::ClosedMonth* closed,
                   int* dayHours = nullptr, const QList<data::Query*>& shown = {}) {
    plan.alsoRead = shown;
    const data::WriteOutcome out = data::write(control, plan);
    if (closed) *closed = out.closed;
    if (dayHours && out.refusedWith(int(WriteResult::DayOverfilled)))
        *dayHours = out.values.value(QStringLiteral("hours")).toInt();
    using R = WriteResult;
    return data::valueOf<R>(out, {R::Written, R::RecordGone, R::RecordChanged, R::MonthClosed,
                                  R::LostSaved, R::LostNotSaved, R::LostUnknown});
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

QString refusalText(WriteResult result, const timesheet::ClosedMonth& closed, int dayHours) {
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
    case WriteResult::DayOverfilled:
        return timesheet::dayOverfilledText(QStringLiteral("Время"), dayHours);
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

ShownRecord::ShownRecord(data::Query& list, int shift)
    : list_(list), shift_(shift >= 2 && shift <= 4 ? shift : 1), row_(list.connection()) {}

QList<data::Query*> ShownRecord::of(qint64 id) {
    id_ = id;
    row_.setSql(TDataModule6::journalStatement(shift_, "smena.id=" + integer(id)));
    for (const char* p : {"data", "ok"})
        row_.setParam(QLatin1String(p), list_.param(QLatin1String(p)));
    return {&row_};
}

QList<data::Query*> ShownRecord::ofNew(const RecordInput& r) {
    of(0);
    row_.setSql(TDataModule6::journalStatement(
        shift_, "smena.id=(select max(id) from accounts_dep.smena where w_id=" +
                    integer(r.worker) + " and o_id=" + integer(r.operation) +
                    " and i_id=" + integer(r.product) + " and data=" +
                    data::sql::toDate(r.day) + " and smena=" + integer(r.shift) +
                    " and color=" + integer(r.colour) + ")"));
    return {&row_};
}

void ShownRecord::put(WriteResult result) {
    const qint64 id = id_ > 0 ? id_ : (row_.active() && !row_.isEmpty() ? row_.asInt("id") : 0);
    if (isAnswerLost(result) || !row_.active()) {
        if (list_.active()) list_.refresh();
        return;
    }
    if (id == 0) return; // a new record refused: the list is as it was
    if (!list_.putRow(QStringLiteral("id"), id, row_, TDataModule6::journalOrder(shift_)))
        list_.refresh();
}

bool isAnswerLost(WriteResult result) {
    return result == WriteResult::LostSaved || result == WriteResult::LostNotSaved ||
           result == WriteResult::LostUnknown;
}

const QStringList SeenFields{"data", "smena", "w_id",  "i_id", "o_id", "cena", "kol_vo",
                             "brak", "time",  "color", "ok",   "vvod", "prize"};

data::SeenRow seenRecord(const data::Query& list) {
    return data::SeenRow::of(list, SeenFields);
}

QString deletionQuestion(const data::Query& list) {
    // the operation as the editor names it
    QString operation = QStringList{list.asText(QStringLiteral("marka")).trimmed(),
                                    list.asText(QStringLiteral("vid")).trimmed(),
                                    list.asText(QStringLiteral("nmn")).trimmed()}
                            .join(QStringLiteral("; "));
    if (const qint64 colour = list.asInt(QStringLiteral("color")); colour != 0)
        operation += QStringLiteral(", цвет %1").arg(colour);
    return QStringLiteral("Удалить позицию из списка?\n%1 — %2 — %3")
        .arg(list.asText(QStringLiteral("fio")).trimmed(), operation,
             data::text::date(list.asDate(QStringLiteral("data"))));
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

namespace {
// Adds r as a new record, or as record id again with its mark (a deleted record put back).
WriteResult added(data::Query& control, const RecordInput& r, qint64 id, const QString& mark,
                  timesheet::ClosedMonth* closed, int* dayHours,
                  const QList<data::Query*>& shown = {}) {
    const Cell cell = cellOf(r);
    data::WritePlan plan;
    addInputChecks(plan, r, 0);
    if (id > 0)
        plan.refusals.push_back({"exists (select 1 from accounts_dep.smena where id=" +
                                     integer(id) + ")",
                                 int(WriteResult::Duplicate)});
    timesheet::addCells(
        plan, {cell}, {},
        {data::WritePart::insert(
             "accounts_dep.SMENA", QString(id > 0 ? "id, " : "") +
                                       "w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, "
                                       "time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, "
                                       "id_gds_use, id_cons_use",
             (id > 0 ? integer(id) + ", " : QString()) + integer(r.worker) + ", " +
                 integer(r.product) + ", " + integer(r.operation) + ", " + price(r) + "," +
                 data::sql::general(r.quantity) + ", " + integer(r.rejects) + ", " +
                 data::sql::toDate(r.day) + ", " + integer(r.shift) + ", " + integer(r.colour) +
                 ", " + integer(r.hours) + ", '" + today() + "', " + data::sql::quoted(mark) +
                 ", 0, 0, 0, 0, 0, 0"),
         {}, false, &control.connection()});
    // an equal record is refused, so one that holds these values is this one
    plan.landed = [&] { return recordThere(control, r, "ok=" + data::sql::quoted(mark)); };
    return posted(control, plan, closed, dayHours, shown);
}
} // namespace

WriteResult addRecord(data::Query& control, const RecordInput& r, timesheet::ClosedMonth* closed,
                      int* dayHours, const QList<data::Query*>& shown) {
    return added(control, r, 0, QStringLiteral("no"), closed, dayHours, shown);
}

WriteResult putBackRecord(data::Query& control, qint64 id, const RecordInput& r,
                          const QString& mark, timesheet::ClosedMonth* closed, int* dayHours) {
    if (mark != QLatin1String("no")) data::requireAcceptRights();
    return added(control, r, id, mark, closed, dayHours);
}

WriteResult changeRecord(data::Query& control, qint64 id, const RecordInput& r,
                         const data::SeenRow& seen, timesheet::ClosedMonth* closed, int* dayHours,
                         const QList<data::Query*>& shown) {
    const Cell cell = cellOf(r);
    const QString set =
        "w_id=" + integer(r.worker) + ", i_id=" + integer(r.product) +
        ", o_id=" + integer(r.operation) + ", cena=" + price(r) +
        ", kol_vo=" + data::sql::general(r.quantity) + ", brak=" + integer(r.rejects) +
        ", data=" + data::sql::toDate(r.day) + ", smena=" + integer(r.shift) +
        ", color=" + integer(r.colour) + ", time=" + integer(r.hours) + ", vvod='" + today() +
        "', prize=0, id_doc=0, id_doc_item=0, f_gds_qty_use=0, id_gds_use=0, id_cons_use=0";
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        // the cell the record leaves is the one seen: a row that is no longer so is refused
        const SeenCell old = cellSeen(as);
        data::WritePlan plan;
        plan.row = target(id, as);
        plan.months = old.months;
        addInputChecks(plan, r, id);
        timesheet::addCells(plan, {cell}, old.cells,
                            {data::WritePart::update("accounts_dep.SMENA", set,
                                                     "id=" + integer(id)),
                             "id=" + integer(id), false, &control.connection()});
        plan.landed = [&] { return recordThere(control, r, "id=" + integer(id)); };
        return posted(control, plan, closed, dayHours, shown);
    });
}

WriteResult deleteRecord(data::Query& control, qint64 id, const data::SeenRow& seen,
                         timesheet::ClosedMonth* closed, const QList<data::Query*>& shown) {
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        const SeenCell old = cellSeen(as);
        data::WritePlan plan;
        plan.row = target(id, as);
        plan.months = old.months;
        timesheet::addCells(plan, {}, old.cells,
                            {data::WritePart::remove("accounts_dep.smena", "id=" + integer(id)),
                             "id=" + integer(id), true, &control.connection()});
        plan.landed = [&] {
            return data::lookupIn(control,
                                  "select id from accounts_dep.smena where id=" + integer(id), "id")
                .isNull();
        };
        return posted(control, plan, closed, nullptr, shown);
    });
}

WriteResult markRecord(data::Query& control, qint64 id, const QString& mark,
                       timesheet::ClosedMonth* closed, const QDate& day,
                       const QList<data::Query*>& shown) {
    data::requireAcceptRights();
    const QString set = "ok=" + data::sql::quoted(mark);
    auto write = [&](const data::SeenRow& as) {
        // only the day is compared: it names the month locked
        data::WritePlan plan;
        plan.row = target(id, as);
        plan.months = cellSeen(as).months;
        plan.parts = {data::WritePart::update("accounts_dep.smena", set, "id=" + integer(id),
                                              "data, smena")
                          .named("marked")};
        // the other copies hear of the record's day and shift when it commits
        plan.announcements << data::announceEach(
            data::announcement(control.connection(), QStringLiteral("smena"),
                               QStringLiteral("to_char(data, 'YYYY-MM-DD')"),
                               QStringLiteral("cast(smena as text)")),
            QStringLiteral("marked"));
        plan.landed = [&] {
            return data::lookupIn(control,
                                  "select count(*) as cnt from accounts_dep.smena where id=" +
                                      integer(id) + " and " + set,
                                  "cnt")
                       .toLongLong() > 0;
        };
        return posted(control, plan, closed, nullptr, shown);
    };
    if (day.isValid()) {
        const data::SeenRow asShown{{QStringLiteral("data")}, {QVariant(day)}};
        if (const WriteResult r = write(asShown); r != WriteResult::RecordChanged) return r;
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
