#include "timesheet/household_writes.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/sql_text.h"
#include "data/texts.h"
#include "data/write_engine.h"
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

// The entry row a write changes or deletes, as seen.
data::SeenTarget target(qint64 id, const data::SeenRow& seen) {
    return {QStringLiteral("accounts_dep.fatigue"), id, {}, seen};
}

// The checks other copies can upset, read after the locks were granted: the worker (kept
// from deletion until the transaction ends by the worker's lock), the class (the resource-planning
// system's, only read) and the hours the cell would hold. except: the entry being changed.
void addInputChecks(data::WritePlan& plan, const HouseholdEntry& e, const Cell& cell,
                    qint64 except) {
    // the worker is held by its lock, which the worker's deletion takes too
    plan.rowLocks << data::workerLockKey(e.worker);
    plan.columns << "(select count(*) from accounts_dep.person where id=" + integer(e.worker) +
                        ") as worker"
                 << "(select count(*) from cmn_classifier.item where id=" +
                        integer(e.productClass) + " and id_level=2) as cls"
                 << sourceHours(cell, except > 0 ? "id=" + integer(except) : QString()) +
                        " as hours";
    plan.refusals.insert(plan.refusals.end(),
                         {{"worker=0", int(Saved::WorkerGone)},
                          {"cls=0", int(Saved::ClassGone)},
                          {"hours+" + integer(e.hours) + ">" + integer(MaxDayHours),
                           int(Saved::DayOverfilled)}});
}

// Sends the write and says what became of it.
Saved posted(data::Query& control, data::WritePlan& plan, ClosedMonth* closed, int* dayHours,
             const QList<data::Query*>& shown, data::WriteOutcome* outcome = nullptr) {
    plan.alsoRead = shown;
    const data::WriteOutcome out = data::write(control, plan);
    if (outcome) *outcome = out;
    if (closed) *closed = out.closed;
    if (dayHours && out.refusedWith(int(Saved::DayOverfilled)))
        *dayHours = out.values.value(QStringLiteral("hours")).toInt();
    return data::valueOf<Saved>(out, {Saved::Written, Saved::EntryGone, Saved::EntryChanged,
                                      Saved::MonthClosed, Saved::LostSaved, Saved::LostNotSaved,
                                      Saved::LostUnknown});
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

} // namespace

bool entryKeyKept(const data::Connection& connection) {
    const QVariant kept = connection.sessionFact(NextEntryId);
    return kept.isValid() && !kept.isNull();
}

void setEntryKeyStatement(data::Query& query) {
    query.setSql("select " + TakeEntryId + " as id");
}

void keepEntryKey(const data::Query& query) {
    if (query.active() && !query.isEmpty())
        query.connection().setSessionFact(NextEntryId, query.value(QStringLiteral("id")));
}

namespace {

qint64 newEntryId(data::Query& control) {
    const QVariant kept = control.connection().sessionFact(NextEntryId);
    control.connection().setSessionFact(NextEntryId, QVariant());
    if (kept.isValid() && !kept.isNull()) return kept.toLongLong();
    return data::lookupIn(control, "select " + TakeEntryId + " as id", QStringLiteral("id"))
        .toLongLong();
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

QString savedText(Saved saved, const ClosedMonth& closed, int dayHours) {
    switch (saved) {
    case Saved::Written:
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
        return dayOverfilledText(HoursField, dayHours);
    case Saved::MonthClosed:
        return closedMonthText(closed);
    }
    return {};
}

bool isSaved(Saved saved) {
    return saved == Saved::Written || saved == Saved::LostSaved;
}

bool isAnswerLost(Saved saved) {
    return saved == Saved::LostSaved || saved == Saved::LostNotSaved || saved == Saved::LostUnknown;
}

const QStringList SeenEntryFields{"id_p", "id_o",  "id_nom",    "d_date", "i_smena",
                                  "cnt",  "price", "i_holiday", "i_night"};

data::SeenRow seenEntry(const data::Query& list) {
    return data::SeenRow::of(list, SeenEntryFields);
}

QString entryDeletionQuestion(const data::Query& list) {
    QString day = data::text::date(list.asDate(QStringLiteral("d_date")));
    if (list.asInt(QStringLiteral("i_night")) != 0) day += QStringLiteral(", ночь");
    return QStringLiteral("Удалить позицию из списка?\n%1 — %2 (%3) — %4, %5 ч")
        .arg(list.asText(QStringLiteral("fio")).trimmed(),
             list.asText(QStringLiteral("vid")).trimmed(),
             list.asText(QStringLiteral("s_caption")).trimmed(), day)
        .arg(list.asInt(QStringLiteral("cnt")));
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

Saved addEntry(data::Query& control, const HouseholdEntry& e, const QDate& day, int shift,
               ClosedMonth* closed, int* dayHours, const QList<data::Query*>& shown) {
    data::requirePayRights();
    requireFits(e);
    const qint64 id = newEntryId(control);
    const Cell cell = cellOf(e, day);
    data::WritePlan plan;
    plan.columns << TakeEntryId + " as next_id";
    addInputChecks(plan, e, cell, 0);
    addCells(plan, {cell}, {},
             {data::WritePart::insert(
                  "accounts_dep.fatigue",
                  "id, id_nom, id_o, id_p, d_date, i_mnth, i_year, i_smena, cnt, price, "
                  "i_holiday, i_night",
                  integer(id) + ", " + integer(e.productClass) + ", " + integer(e.kind) + " ," +
                      integer(e.worker) + ", " + data::sql::toDate(day) + ", " +
                      integer(day.month()) + ", " + integer(day.year()) + ", " +
                      integer(shift) + ", " + integer(e.hours) + ", " + price(e) + ", " +
                      integer(e.holiday ? 1 : 0) + ", " + integer(e.night ? 1 : 0)),
              {}, false, &control.connection()});
    plan.landed = [&] { return entryThere(control, id, &e); };
    data::WriteOutcome out;
    const Saved saved = posted(control, plan, closed, dayHours, shown, &out);
    if (out.values.contains(QStringLiteral("next_id")))
        control.connection().setSessionFact(NextEntryId, out.values.value(QStringLiteral("next_id")));
    return saved;
}

Saved changeEntry(data::Query& control, qint64 id, const HouseholdEntry& e,
                  const data::SeenRow& seen, ClosedMonth* closed, int* dayHours,
                  const QList<data::Query*>& shown) {
    data::requirePayRights();
    requireFits(e);
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        // the cell the entry leaves is the one seen: a row that is no longer so is refused
        const Cell held = cellSeen(as);
        const Cell cell = cellOf(e, held.day);
        std::vector<Cell> left;
        if (held.row != cell.row) left.push_back(held);
        data::WritePlan plan;
        plan.row = target(id, as);
        plan.months.emplace(held.day.year(), held.day.month());
        addInputChecks(plan, e, cell, id);
        addCells(plan, {cell}, left,
                 {data::WritePart::update(
                      "accounts_dep.fatigue",
                      "id_nom=" + integer(e.productClass) + ", id_o=" + integer(e.kind) +
                          ", id_p=" + integer(e.worker) + ", cnt=" + integer(e.hours) +
                          ", price=" + price(e) + ", i_holiday=" + integer(e.holiday ? 1 : 0) +
                          ", i_night=" + integer(e.night ? 1 : 0),
                      "id=" + integer(id)),
                  "id=" + integer(id), false, &control.connection()});
        plan.landed = [&] { return entryThere(control, id, &e); };
        return posted(control, plan, closed, dayHours, shown);
    });
}

Saved deleteEntry(data::Query& control, qint64 id, const data::SeenRow& seen,
                  ClosedMonth* closed, const QList<data::Query*>& shown) {
    data::requirePayRights();
    return withSeen(control, id, seen, [&](const data::SeenRow& as) {
        const Cell held = cellSeen(as);
        data::WritePlan plan;
        plan.row = target(id, as);
        plan.months.emplace(held.day.year(), held.day.month());
        addCells(plan, {}, {held},
                 {data::WritePart::remove("accounts_dep.fatigue", "id=" + integer(id)),
                  "id=" + integer(id), true, &control.connection()});
        plan.landed = [&] { return !entryThere(control, id, nullptr); };
        return posted(control, plan, closed, nullptr, shown);
    });
}

QString averageEntriesStatement(int year, int month) {
    return "select count(*) as cnt from accounts_dep.fatigue where i_mnth = " + integer(month) +
           " and i_year = " + integer(year) + " and id_o =7778";
}

int averageEntries(data::Query& control, int year, int month) {
    return int(
        data::lookupIn(control, averageEntriesStatement(year, month), "cnt").toLongLong());
}

AveragePricing priceAverageEntries(data::Query& control, int year, int month, Saved* refused,
                                   const QList<data::Query*>& shown) {
    data::requirePayRights();
    const QDate first(year, month, 1);
    data::WritePlan plan;
    plan.months = {{year, month}};
    // each entry priced comes back with its worker and class, to say what it got
    plan.parts = {
        data::WritePart::update(
            "accounts_dep.fatigue f",
            "price=coalesce((select case when coalesce(sum(s.time),0)::numeric(10,2)=0 then 0 "
            "else  coalesce(sum((s.kol_vo-s.brak)*(s.cena+s.cena*f.i_holiday))/sum(time),0)::"
            "numeric(10,2) end as price  from cmn_classifier.item i, accounts_dep.smena s, "
            "accounts_dep.izdel gas, accounts_dep.person p where i.id_level =2 and s.i_id = "
            "gas.id and gas.id_class_item =i.id  and s.data<" +
                data::sql::toDate(first.addMonths(1)) + " and s.data>=" + data::sql::toDate(first) +
                " and p.id=s.w_id and p.id=f.id_p and i.id=f.id_nom group by i.s_caption, i.id, "
                "p.id order by fio),0)",
            "i_mnth = " + integer(month) + " and i_year = " + integer(year) + " and id_o =7778",
            "f.id, f.price::float8 as price, coalesce((select trim(p.fio) from "
            "accounts_dep.person p where p.id=f.id_p), '') as fio, coalesce((select "
            "i.s_caption from cmn_classifier.item i where i.id=f.id_nom), '') as cls")
            .named("priced")};
    plan.listed.push_back({QStringLiteral("priced"),
                           "price, " + data::sql::byName(QStringLiteral("fio")) + ", cls, id"});
    plan.announcements << data::announceOnce(
        data::monthAnnouncement(control.connection(), QStringLiteral("fatigue"), year, month));
    plan.alsoRead = shown;
    const data::WriteOutcome out = data::write(control, plan);
    if (refused)
        *refused = out.status == data::WriteOutcome::Status::MonthClosed ? Saved::MonthClosed
                   : out.written()                                        ? Saved::Written
                                                                          : Saved::LostUnknown;
    if (!out.written() && out.status != data::WriteOutcome::Status::MonthClosed)
        throw data::DbError(data::lostCommitText(data::LostCommit::Unknown));
    AveragePricing pricing;
    for (const QVariantMap& entry : out.rows.value(QStringLiteral("priced"))) {
        const double price = entry.value(QStringLiteral("price")).toDouble();
        ++pricing.priced;
        if (pricing.prices.empty() || pricing.prices.back().first != price)
            pricing.prices.emplace_back(price, 0);
        ++pricing.prices.back().second;
        if (price == 0)
            pricing.unpaid << QStringLiteral("%1 (%2)").arg(
                entry.value(QStringLiteral("fio")).toString(),
                entry.value(QStringLiteral("cls")).toString());
    }
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
