#include "timesheet/household_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "timesheet/closed_months.h"
#include "timesheet/timesheet_table.h"

#include <cmath>
#include <functional>
#include <vector>

namespace timesheet {

using data::sql::integer;

namespace {

// The hours box as the entry window calls it.
const QString HoursField = QStringLiteral("Количество");

// accounts_dep.fatigue.price is numeric(15,4).
constexpr double PriceLimit = 1e11;

Cell cellOf(const HouseholdEntry& e, const QDate& day) {
    return Cell::entry(e.worker, e.kind, e.night ? 1 : 0, day);
}

QString price(const HouseholdEntry& e) {
    return data::sql::general(data::sql::round4(e.price));
}

// The entry's cell as seen: its worker, kind, night flag and day.
Cell cellSeen(const data::SeenRow& seen) {
    auto value = [&](const char* field) { return seen.values.value(seen.fields.indexOf(QLatin1String(field))); };
    return Cell::entry(value("id_p").toLongLong(), value("id_o").toInt(), value("i_night").toInt(),
                       value("d_date").toDate());
}

// The checks of a write of an existing entry, in the order tried: the row is there, as seen,
// and its month is open.
Checks rowChecks(qint64 id, const data::SeenRow& seen, const QString& closedMonth) {
    const QString row = "from accounts_dep.fatigue where id=" + integer(id);
    return {{"(select count(*) " + row + ") as found",
             "(select count(*) " + row + " and " + data::sameAsSeen(seen) + ") as same",
             closedMonth + " as closed"},
            {{"found=0", int(Saved::EntryGone)},
             {"same=0", int(Saved::EntryChanged)},
             {"closed is not null", int(Saved::MonthClosed)}}};
}

// The checks other copies can upset, read after the locks were granted: the worker (kept
// from deletion until the transaction ends), the class (the resource-planning system's,
// only read) and the hours the cell would hold. except: the entry being changed.
void addInputChecks(Checks& checks, const HouseholdEntry& e, const Cell& cell, qint64 except) {
    checks.columns << "(select count(*) from (select id from accounts_dep.person where id=" +
                          integer(e.worker) + " for key share) w) as worker"
                   << "(select count(*) from cmn_classifier.item where id=" +
                          integer(e.productClass) + " and id_level=2) as cls"
                   << sourceHours(cell, except) + " as hours";
    checks.refusals.insert(checks.refusals.end(),
                           {{"worker=0", int(Saved::WorkerGone)},
                            {"cls=0", int(Saved::ClassGone)},
                            {"hours+" + integer(e.hours) + ">" + integer(MaxDayHours),
                             int(Saved::DayOverfilled)}});
}

// Sends a checked write in one round trip (openPosting) and says what became of it.
Saved posted(data::Query& control, const QString& first, const std::vector<Cell>& cells,
             const std::function<QString(const QString&)>& build, ClosedMonth* closed,
             const std::function<void()>& after = {}) {
    std::vector<RowKey> keys;
    for (const Cell& c : cells)
        keys.push_back(c.row);
    data::ClosedOnExit closing{control};
    try {
        openPosting(control, first, keys, {}, build);
    } catch (const data::CommitLost&) {
        return Saved::LostUnknown; // until settled() has looked
    }
    if (after) after();
    if (closed) *closed = closedMonthOf(control.asInt("closed"));
    return Saved(control.asInt("refusal"));
}

QString lockRow(qint64 id) {
    return "select 1 from accounts_dep.fatigue where id=" + integer(id) + " for update";
}

// A write of entry id that compares with seen: with none, with the row as it is now, again
// while another copy keeps changing it.
Saved withSeen(data::Query& control, qint64 id, const data::SeenRow& seen,
               const std::function<Saved(const data::SeenRow&)>& write) {
    if (!seen.isEmpty()) return write(seen);
    for (int attempt = 0;; ++attempt) {
        const data::SeenRow now = currentEntry(control, id);
        if (now.isEmpty()) return Saved::EntryGone;
        const Saved result = write(now);
        if (result != Saved::EntryChanged || attempt >= 3) return result;
    }
}

// The key of the next new entry, taken from the table's sequence before its save so that a
// commit whose answer is lost can be looked up by it. Every save takes the one after.
const QString NextEntryId = QStringLiteral("next fatigue id");
const QString TakeEntryId =
    QStringLiteral("nextval(pg_get_serial_sequence('accounts_dep.fatigue', 'id'))");

qint64 newEntryId(data::Query& control) {
    const QVariant kept = control.connection().sessionFact(NextEntryId);
    control.connection().setSessionFact(NextEntryId, QVariant());
    if (kept.isValid() && !kept.isNull()) return kept.toLongLong();
    return data::lookupIn(control, "select " + TakeEntryId + " as id", QStringLiteral("id"))
        .toLongLong();
}

// A commit that lost its answer is settled by landed, which tells whether the write is in
// the database once connected again.
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
    const qint64 id = newEntryId(control);
    const Cell cell = cellOf(e, day);
    const data::Connection& from = command.connection();
    const Saved saved = posted(
        control, {}, {cell},
        [&](const QString& closedMonth) {
            Checks checks{{closedMonth + " as closed", TakeEntryId + " as next_id"},
                          {{"closed is not null", int(Saved::MonthClosed)}}};
            addInputChecks(checks, e, cell, 0);
            return cellsStatement(
                {cell}, {},
                {"INSERT INTO accounts_dep.fatigue(id, id_nom, id_o, id_p, d_date, i_mnth, "
                 "i_year, i_smena, cnt, price, i_holiday, i_night) select " +
                     integer(id) + ", " + integer(e.productClass) + ", " + integer(e.kind) +
                     " ," + integer(e.worker) + ", " + data::sql::toDate(day) + ", " +
                     integer(day.month()) + ", " + integer(day.year()) + ", " + integer(shift) +
                     ", " + integer(e.hours) + ", " + price(e) + ", " +
                     integer(e.holiday ? 1 : 0) + ", " + integer(e.night ? 1 : 0) + " where " +
                     ChecksPass,
                 0, false, &from},
                &checks);
        },
        closed,
        [&] { control.connection().setSessionFact(NextEntryId, control.asInt("next_id")); });
    return settled(saved, control, [&] { return entryThere(control, id, &e); });
}

Saved changeEntry(data::Query& control, data::Command& command, qint64 id, const HouseholdEntry& e,
                  const data::SeenRow& seen, ClosedMonth* closed) {
    data::requirePayRights();
    requireFits(e);
    const data::Connection& from = command.connection();
    const Saved saved = withSeen(control, id, seen, [&](const data::SeenRow& as) {
        // the cell the entry leaves is the one seen: a row that is no longer so is refused
        const Cell held = cellSeen(as);
        const Cell cell = cellOf(e, held.day);
        std::vector<Cell> left;
        if (held.row != cell.row) left.push_back(held);
        return posted(control, lockRow(id), {held, cell}, [&](const QString& closedMonth) {
            Checks checks = rowChecks(id, as, closedMonth);
            addInputChecks(checks, e, cell, id);
            return cellsStatement(
                {cell}, left,
                {"UPDATE accounts_dep.fatigue SET id_nom=" + integer(e.productClass) +
                     ", id_o=" + integer(e.kind) + ", id_p=" + integer(e.worker) +
                     ", cnt=" + integer(e.hours) + ", price=" + price(e) +
                     ", i_holiday=" + integer(e.holiday ? 1 : 0) +
                     ", i_night=" + integer(e.night ? 1 : 0) + " where id=" + integer(id) +
                     " and " + ChecksPass,
                 id, false, &from},
                &checks);
        }, closed);
    });
    return settled(saved, control, [&] { return entryThere(control, id, &e); });
}

Saved deleteEntry(data::Query& control, data::Command& command, qint64 id,
                  const data::SeenRow& seen, ClosedMonth* closed) {
    data::requirePayRights();
    const data::Connection& from = command.connection();
    const Saved saved = withSeen(control, id, seen, [&](const data::SeenRow& as) {
        const Cell held = cellSeen(as);
        return posted(control, lockRow(id), {held}, [&](const QString& closedMonth) {
            const Checks checks = rowChecks(id, as, closedMonth);
            return cellsStatement({}, {held},
                                  {"delete from accounts_dep.fatigue where id=" + integer(id) +
                                       " and " + ChecksPass,
                                   id, true, &from},
                                  &checks);
        }, closed);
    });
    return settled(saved, control, [&] { return !entryThere(control, id, nullptr); });
}

int averageEntries(data::Query& control, int year, int month) {
    return int(data::lookupIn(control,
                              "select count(*) as cnt from accounts_dep.fatigue where i_mnth = " +
                                  integer(month) + " and i_year = " + integer(year) +
                                  " and id_o =7778",
                              "cnt")
                   .toLongLong());
}

AveragePricing priceAverageEntries(data::Query& control, data::Command& command, int year,
                                   int month, Saved* refused) {
    data::requirePayRights();
    AveragePricing pricing;
    data::Transaction t(control.connection());
    const bool closed = lockMonths(control, {std::pair{year, month}}).found();
    if (refused) *refused = closed ? Saved::MonthClosed : Saved::Done;
    if (closed) return pricing;
    const int nextMonth = month == 12 ? 1 : month + 1;
    const int nextYear = month == 12 ? year + 1 : year;
    // the entries priced come back from the update itself, with their worker and class
    control.close();
    control.setSql(
        "with priced as (UPDATE accounts_dep.fatigue f SET price=coalesce((select case when "
        "coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 else  "
        "coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::numeric(10,2) "
        "end as price  from cmn_classifier.item i, accounts_dep.smena s, accounts_dep.izdel gas, "
        "accounts_dep.person p where i.id_level =2 and s.i_id = gas.id and gas.id_class_item "
        "=i.id  and s.data<" +
        data::sql::toDate(QDate(nextYear, nextMonth, 1)) +
        " and s.data>=" + data::sql::toDate(QDate(year, month, 1)) +
        " and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, p.id "
        "order by fio),0) from (select " +
        data::monthAnnouncement(command.connection(), QStringLiteral("fatigue"), year, month) +
        ") announced where i_mnth = " + integer(month) + " and i_year = " + integer(year) +
        " and id_o =7778 returning f.price, f.id_p, f.id_nom) "
        "select priced.price::float8 as price, coalesce(trim(p.fio), '') as fio, "
        "coalesce(i.s_caption, '') as cls from priced left join accounts_dep.person p on "
        "p.id=priced.id_p left join cmn_classifier.item i on i.id=priced.id_nom order by "
        "priced.price, 2, 3");
    {
        data::ClosedOnExit closing{control};
        control.open();
        for (control.first(); !control.eof(); control.next()) {
            const double price = control.asFloat("price");
            ++pricing.priced;
            if (pricing.prices.empty() || pricing.prices.back().first != price)
                pricing.prices.emplace_back(price, 0);
            ++pricing.prices.back().second;
            if (price == 0)
                pricing.unpaid << QStringLiteral("%1 (%2)").arg(control.asText("fio"),
                                                                control.asText("cls"));
        }
    }
    t.commit();
    return pricing;
}

QString averagePricingText(const AveragePricing& pricing, int year, int month) {
    const QString title = monthTitle(year, month).toLower();
    QStringList lines;
    lines << QStringLiteral("Пересчитаны цены %1 ср.сд. за %2:")
                 .arg(data::text::counted(pricing.priced, {"записи", "записей", "записей"}), title);
    for (const auto& [price, count] : pricing.prices)
        lines << QStringLiteral("%1 — %2 р./ч")
                     .arg(data::text::counted(count, {"запись", "записи", "записей"}),
                          data::text::money(price));
    if (!pricing.unpaid.isEmpty())
        lines << QStringLiteral("Цена 0 — нет сдельных часов этого работника по этому классу "
                                "изделий за %1: %2.")
                     .arg(title, pricing.unpaid.join(QStringLiteral(", ")));
    return lines.join(u'\n');
}

} // namespace timesheet
