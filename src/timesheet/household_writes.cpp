#include "timesheet/household_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_table.h"

#include <cmath>
#include <vector>

namespace timesheet {

using data::sql::integer;

namespace {

// A refusal found inside the transaction; thrown to leave it rolled back.
struct Refused {
    Saved why;
};

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
void check(data::Query& control, const HouseholdEntry& e, const Cell& cell, qint64 except) {
    control.close();
    control.setSql("select (select count(*) from (select id from accounts_dep.person where id=" +
                   integer(e.worker) +
                   " for key share) w) as worker, (select count(*) from cmn_classifier.item "
                   "where id=" +
                   integer(e.productClass) + " and id_level=2) as cls, " +
                   sourceHours(cell, except) + " as hours");
    control.open();
    data::ClosedOnExit closing{control};
    if (control.asInt("worker") == 0) throw Refused{Saved::WorkerGone};
    if (control.asInt("cls") == 0) throw Refused{Saved::ClassGone};
    if (control.asInt("hours") + e.hours > MaxDayHours) throw Refused{Saved::DayOverfilled};
}

QString price(const HouseholdEntry& e) {
    return data::sql::general(data::sql::round4(e.price));
}

template <class F> Saved refusable(F&& write) {
    try {
        write();
        return Saved::Done;
    } catch (const Refused& r) {
        return r.why;
    }
}

void requireFits(const HouseholdEntry& e) {
    const QString problem = checkEntry(e);
    if (!problem.isEmpty()) throw data::DbError(problem);
}

} // namespace

QString savedText(Saved saved) {
    switch (saved) {
    case Saved::Done:
        return {};
    case Saved::EntryGone:
        return QStringLiteral("Позиция уже удалена другим пользователем!");
    case Saved::WorkerGone:
        return QStringLiteral("Работник удалён из списка другим пользователем! Выберите "
                              "работника заново.");
    case Saved::ClassGone:
        return QStringLiteral("Номенклатуры больше нет в классификаторе! Выберите её заново.");
    case Saved::DayOverfilled:
        return dayOverfilledText(HoursField);
    }
    return {};
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
               const QDate& day, int shift) {
    requireFits(e);
    return refusable([&] {
        data::Transaction t(control.connection());
        const Cell cell = cellOf(e, day);
        lockForPosting(control, {cell.row});
        check(control, e, cell, 0);
        writeCells(
            command, {cell}, {},
            {"INSERT INTO accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, i_year, "
             "i_smena, cnt, price, i_holiday, i_night)VALUES(" +
             integer(e.productClass) + ", " + integer(e.kind) + " ," + integer(e.worker) +
             ", '" + data::sql::date(day) + "', " + integer(day.month()) + ", " +
             integer(day.year()) + ", " + integer(shift) + ", " + integer(e.hours) + ", " +
             price(e) + ", " + integer(e.holiday ? 1 : 0) + ", " + integer(e.night ? 1 : 0) +
             ")"});
        t.commit();
    });
}

Saved changeEntry(data::Query& control, data::Command& command, qint64 id,
                  const HouseholdEntry& e) {
    requireFits(e);
    return refusable([&] {
        data::Transaction t(control.connection());
        const Cell held = lockEntry(control, id);
        const Cell cell = cellOf(e, held.day);
        lockForPosting(control, {held.row, cell.row});
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
}

Saved deleteEntry(data::Query& control, data::Command& command, qint64 id) {
    return refusable([&] {
        data::Transaction t(control.connection());
        const Cell held = lockEntry(control, id);
        lockForPosting(control, {held.row});
        writeCells(command, {}, {held},
                   {"delete from accounts_dep.fatigue where id=" + integer(id), id, true});
        t.commit();
    });
}

int priceAverageEntries(data::Command& command, int year, int month) {
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
        "order by fio),0) from (select " +
        data::monthAnnouncement(command.connection(), QStringLiteral("fatigue"), year, month) +
        ") announced where i_mnth = " +
        integer(month) + " and i_year = " + integer(year) + " and id_o =7778");
    return command.execute();
}

} // namespace timesheet
