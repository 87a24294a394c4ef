#include "timesheet/household_writes.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"

#include <cmath>
#include <functional>
#include <vector>

namespace timesheet {

using data::sql::integer;

namespace {

// A refusal found inside the transaction; thrown to leave it rolled back.
struct Refused {
    Saved why;
    ClosedMonth month = {};
};

// The locks of the keys; a closed month among them refuses the write.
void lockKeys(data::Query& control, const std::vector<RowKey>& keys) {
    if (const ClosedMonth closed = lockForPosting(control, keys); closed.found())
        throw Refused{Saved::MonthClosed, closed};
}

// The hours box as the entry window calls it.
const QString HoursField = QStringLiteral("Количество");

// accounts_dep.fatigue.price is numeric(15,4).
constexpr double PriceLimit = 1e11;

// The entry row, locked; its cell as the table holds it.
Cell lockEntry(data::Query& control, qint64 id) {
    control.close();
    control.setSql("select id_p, id_o, i_night, d_date from accounts_dep.fatigue where id=" +
                   integer(id) + " for update");
    control.open();
    data::ClosedOnExit closing{control};
    if (control.isEmpty()) throw Refused{Saved::EntryGone};
    return Cell::entry(control.asInt("id_p"), int(control.asInt("id_o")),
                       int(control.asInt("i_night")), control.asDate("d_date"));
}

Cell cellOf(const HouseholdEntry& e, const QDate& day) {
    return Cell::entry(e.worker, e.kind, e.night ? 1 : 0, day);
}

// The checks other copies can upset, in one statement read after the locks were granted:
// the worker (kept from deletion until the transaction ends), the class (the
// resource-planning system's, only read) and the hours the cell would hold. except: the
// entry being changed.
// For a new entry (except 0) the statement also takes its key from the table's sequence,
// returned, so that a commit whose answer is lost can be looked up by it.
qint64 check(data::Query& control, const HouseholdEntry& e, const Cell& cell, qint64 except) {
    control.close();
    control.setSql("select (select count(*) from (select id from accounts_dep.person where id=" +
                   integer(e.worker) +
                   " for key share) w) as worker, (select count(*) from cmn_classifier.item "
                   "where id=" +
                   integer(e.productClass) + " and id_level=2) as cls, " +
                   sourceHours(cell, except) + " as hours" +
                   (except == 0 ? QStringLiteral(", nextval(pg_get_serial_sequence("
                                                 "'accounts_dep.fatigue', 'id')) as new_id")
                                : QString()));
    control.open();
    data::ClosedOnExit closing{control};
    if (control.asInt("worker") == 0) throw Refused{Saved::WorkerGone};
    if (control.asInt("cls") == 0) throw Refused{Saved::ClassGone};
    if (control.asInt("hours") + e.hours > MaxDayHours) throw Refused{Saved::DayOverfilled};
    return except == 0 ? control.asInt("new_id") : except;
}

QString price(const HouseholdEntry& e) {
    return data::sql::general(data::sql::round4(e.price));
}

// Right after the entry's lock: the row as the user saw it.
void requireAsSeen(data::Query& control, qint64 id, const data::SeenRow& seen) {
    if (seen.isEmpty()) return;
    if (data::compareRow(control,
                         "select " + seen.fields.join(u',') +
                             " from accounts_dep.fatigue where id=" + integer(id),
                         seen) != data::RowNow::Same)
        throw Refused{Saved::EntryChanged};
}

template <class F> Saved refusable(ClosedMonth* closed, F&& write) {
    try {
        write();
        return Saved::Done;
    } catch (const Refused& r) {
        if (closed) *closed = r.month;
        return r.why;
    } catch (const data::CommitLost&) {
        return Saved::LostUnknown; // until settled() has looked
    }
}

// After refusable(): a commit that lost its answer is settled by landed, which tells
// whether the write is in the database once connected again.
Saved settled(Saved saved, data::Query& control, const std::function<bool()>& landed) {
    if (saved != Saved::LostUnknown) return saved;
    switch (data::settleLostCommit(control.connection(), landed)) {
    case data::LostCommit::Saved:
        return Saved::LostSaved;
    case data::LostCommit::NotSaved:
        return Saved::LostNotSaved;
    case data::LostCommit::Unknown:
        break;
    }
    return Saved::LostUnknown;
}

// An entry id holding the values e writes (none: id holds no entry).
bool entryThere(data::Query& control, qint64 id, const HouseholdEntry* e) {
    QString sql = "select count(*) as cnt from accounts_dep.fatigue where id=" + integer(id);
    if (e)
        sql += " and id_nom=" + integer(e->productClass) + " and id_o=" + integer(e->kind) +
               " and id_p=" + integer(e->worker) + " and cnt=" + integer(e->hours) +
               " and price=" + price(*e) + " and i_holiday=" + integer(e->holiday ? 1 : 0) +
               " and i_night=" + integer(e->night ? 1 : 0);
    return data::lookupIn(control, sql, QStringLiteral("cnt")).toLongLong() > 0;
}


void requireFits(const HouseholdEntry& e) {
    const QString problem = checkEntry(e);
    if (!problem.isEmpty()) throw data::DbError(problem);
}

} // namespace

QString savedText(Saved saved, const ClosedMonth& closed) {
    switch (saved) {
    case Saved::Done:
        return {};
    case Saved::EntryChanged:
        return QStringLiteral("Позицию изменил другой пользователь, пока она была открыта у вас; "
                              "ничего не записано. Список перечитан: проверьте позицию и "
                              "повторите действие, если оно ещё нужно.");
    case Saved::LostSaved:
        return data::lostCommitText(data::LostCommit::Saved);
    case Saved::LostNotSaved:
        return data::lostCommitText(data::LostCommit::NotSaved);
    case Saved::LostUnknown:
        return data::lostCommitText(data::LostCommit::Unknown);
    case Saved::EntryGone:
        return QStringLiteral("Позиция уже удалена другим пользователем!");
    case Saved::WorkerGone:
        return QStringLiteral("Работник удалён из списка другим пользователем! Выберите "
                              "работника заново.");
    case Saved::ClassGone:
        return QStringLiteral("Номенклатуры больше нет в классификаторе! Выберите её заново.");
    case Saved::DayOverfilled:
        return dayOverfilledText(HoursField);
    case Saved::MonthClosed:
        return closedMonthText(closed);
    }
    return {};
}

bool isSaved(Saved saved) {
    return saved == Saved::Done || saved == Saved::LostSaved;
}

const QStringList SeenEntryFields{"id_p", "id_o",  "id_nom",    "d_date", "i_smena",
                                  "cnt",  "price", "i_holiday", "i_night"};

data::SeenRow seenEntry(const data::Query& list) {
    return data::SeenRow::of(list, SeenEntryFields);
}

data::SeenRow currentEntry(data::Query& control, qint64 id) {
    data::ClosedOnExit closer{control};
    control.close();
    control.setSql("select " + SeenEntryFields.join(u',') +
                   " from accounts_dep.fatigue where id=" + integer(id));
    control.open();
    return data::SeenRow::of(control, SeenEntryFields);
}

double hourPrice(double normPrice, bool holiday, bool night) {
    double p = normPrice;
    if (holiday) p = p * 2;
    if (night) p = p * 1.2;
    return data::sql::round4(p);
}

QString checkEntry(const HouseholdEntry& e) {
    if (e.worker <= 0 || e.productClass <= 0 || (e.kind != Household && e.kind != AveragePiece))
        return QStringLiteral("Все поля должны быть заполнены!");
    if (e.hours < 1) return QStringLiteral("Нужно завести количество!");
    if (e.hours > MaxDayHours) return hoursRangeText(HoursField, 1);
    if (!std::isfinite(e.price) || std::fabs(data::sql::round4(e.price)) >= PriceLimit)
        return QStringLiteral("Цена: %1 р. за час вне допустимого диапазона!")
            .arg(data::sql::general(e.price));
    return {};
}

Saved addEntry(data::Query& control, data::Command& command, const HouseholdEntry& e,
               const QDate& day, int shift, ClosedMonth* closed) {
    data::requirePayRights();
    requireFits(e);
    qint64 id = 0; // of the new entry, by which a lost commit is settled
    const Saved saved = refusable(closed, [&] {
        data::Transaction t(control.connection());
        const Cell cell = cellOf(e, day);
        lockKeys(control, {cell.row});
        id = check(control, e, cell, 0);
        writeCells(
            command, {cell}, {},
            {"INSERT INTO accounts_dep.fatigue(id, id_nom, id_o, id_p, d_date, i_mnth, i_year, "
             "i_smena, cnt, price, i_holiday, i_night)VALUES(" +
             integer(id) + ", " + integer(e.productClass) + ", " + integer(e.kind) + " ," +
             integer(e.worker) + ", '" + data::sql::date(day) + "', " + integer(day.month()) +
             ", " + integer(day.year()) + ", " + integer(shift) + ", " + integer(e.hours) + ", " +
             price(e) + ", " + integer(e.holiday ? 1 : 0) + ", " + integer(e.night ? 1 : 0) +
             ")"});
        t.commit();
    });
    return settled(saved, control, [&] { return entryThere(control, id, &e); });
}

Saved changeEntry(data::Query& control, data::Command& command, qint64 id, const HouseholdEntry& e,
                  const data::SeenRow& seen, ClosedMonth* closed) {
    data::requirePayRights();
    requireFits(e);
    const Saved saved = refusable(closed, [&] {
        data::Transaction t(control.connection());
        const Cell held = lockEntry(control, id);
        requireAsSeen(control, id, seen);
        const Cell cell = cellOf(e, held.day);
        lockKeys(control, {held.row, cell.row});
        check(control, e, cell, id);
        std::vector<Cell> left;
        if (held.row != cell.row) left.push_back(held);
        writeCells(command, {cell}, left,
                   {"UPDATE accounts_dep.fatigue SET id_nom=" + integer(e.productClass) +
                        ", id_o=" + integer(e.kind) + ", id_p=" + integer(e.worker) +
                        ", cnt=" + integer(e.hours) + ", price=" + price(e) +
                        ", i_holiday=" + integer(e.holiday ? 1 : 0) +
                        ", i_night=" + integer(e.night ? 1 : 0) + " where id=" + integer(id),
                    id});
        t.commit();
    });
    return settled(saved, control, [&] { return entryThere(control, id, &e); });
}

Saved deleteEntry(data::Query& control, data::Command& command, qint64 id,
                  const data::SeenRow& seen, ClosedMonth* closed) {
    data::requirePayRights();
    const Saved saved = refusable(closed, [&] {
        data::Transaction t(control.connection());
        const Cell held = lockEntry(control, id);
        requireAsSeen(control, id, seen);
        lockKeys(control, {held.row});
        writeCells(command, {}, {held},
                   {"delete from accounts_dep.fatigue where id=" + integer(id), id, true});
        t.commit();
    });
    return settled(saved, control, [&] { return !entryThere(control, id, nullptr); });
}

int priceAverageEntries(data::Query& control, data::Command& command, int year, int month,
                        Saved* refused) {
    data::requirePayRights();
    data::Transaction t(control.connection());
    const bool closed = lockMonths(control, {std::pair{year, month}}).found();
    if (refused) *refused = closed ? Saved::MonthClosed : Saved::Done;
    if (closed) return 0;
    const int nextMonth = month == 12 ? 1 : month + 1;
    const int nextYear = month == 12 ? year + 1 : year;
    command.setSql(
        "UPDATE accounts_dep.fatigue f SET price=coalesce((select case when "
        "coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else  "
        "coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::numeric(10,2) "
        "end as price  from cmn_classifier.item i, accounts_dep.smena s, accounts_dep.izdel gas, "
        "accounts_dep.person p where i.id_level =2 and s.i_id = gas.id and gas.id_class_item "
        "=i.id  and s.data<'01." +
        integer(nextMonth) + "." + integer(nextYear) + "' and s.data>='01." + integer(month) + "." +
        integer(year) +
        "' and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, p.id "
        "order by fio),0) where i_mnth = " +
        integer(month) + " and i_year = " + integer(year) + " and id_o =7778");
    const int priced = command.execute();
    t.commit();
    return priced;
}

} // namespace timesheet
