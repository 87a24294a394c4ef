#include "timesheet/production_calendar.h"

#include "data/changes.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "data/write_engine.h"
#include "timesheet/closed_months.h"

namespace timesheet {

DaysOff::DaysOff(const QList<CalendarDay>& rows) {
    for (const CalendarDay& d : rows)
        if (d.day.isValid() && !d.plain()) rows_.insert(d.day, d);
}

CalendarDay DaysOff::facts(const QDate& day) const {
    const auto found = rows_.constFind(day);
    if (found != rows_.cend()) return *found;
    CalendarDay none;
    none.day = day;
    return none;
}

bool DaysOff::isOff(const QDate& day) const {
    const CalendarDay f = facts(day);
    if (f.holiday || f.movedOff) return true;
    return day.dayOfWeek() >= 6 && !f.movedWork;
}

int DaysOff::hours(const QDate& day) const {
    if (isOff(day)) return 0;
    return facts(day).shortened ? FullDayHours - 1 : FullDayHours;
}

DaysOff::Norm DaysOff::norm(const QDate& first, const QDate& last) const {
    Norm n;
    for (QDate d = first; d.isValid() && d <= last; d = d.addDays(1)) {
        const int h = hours(d);
        if (h > 0) ++n.days;
        n.hours += h;
    }
    return n;
}

DaysOff::Norm DaysOff::monthNorm(int year, int month) const {
    const QDate first(year, month, 1);
    return norm(first, first.addMonths(1).addDays(-1));
}

QString calendarStatement(const QDate& first, const QDate& last) {
    // The table is looked for when the statement runs, so one text serves a database with
    // and without it: query_to_xml reads it only where it exists.
    const QString rows =
        QStringLiteral("select d_day, b_holiday::int b_holiday, b_day_off::int b_day_off, "
                       "b_work_day::int b_work_day, b_short::int b_short from "
                       "accounts_dep.production_calendar where d_day between ''%1'' and ''%2''")
            .arg(data::sql::date(first), data::sql::date(last));
    return QStringLiteral(
               "select x.d_day, x.b_holiday, x.b_day_off, x.b_work_day, x.b_short from "
               "xmltable('/table/row' passing query_to_xml(case when "
               "to_regclass('accounts_dep.production_calendar') is null then 'select 1 where "
               "false' else '") +
           rows +
           QStringLiteral("' end, false, false, '') columns d_day date, b_holiday int, b_day_off "
                          "int, b_work_day int, b_short int) x order by x.d_day");
}

DaysOff takeDaysOff(data::Query& query) {
    data::ClosedOnExit closing{query};
    QList<CalendarDay> rows;
    for (query.first(); !query.eof(); query.next()) {
        CalendarDay d;
        d.day = query.asDate(QStringLiteral("d_day"));
        d.holiday = query.asInt(QStringLiteral("b_holiday")) != 0;
        d.movedOff = query.asInt(QStringLiteral("b_day_off")) != 0;
        d.movedWork = query.asInt(QStringLiteral("b_work_day")) != 0;
        d.shortened = query.asInt(QStringLiteral("b_short")) != 0;
        rows << d;
    }
    return DaysOff(rows);
}

DaysOff readDaysOff(data::Query& query, const QDate& first, const QDate& last) {
    query.close();
    query.setSql(calendarStatement(first, last));
    query.open();
    return takeDaysOff(query);
}

bool hasCalendar(data::Query& control) {
    control.close();
    control.setSql(QStringLiteral("select (to_regclass('accounts_dep.production_calendar') is "
                                  "not null)::int as present"));
    control.open();
    data::ClosedOnExit closing{control};
    return control.asInt(QStringLiteral("present")) != 0;
}

QString noCalendarText() {
    return QStringLiteral("В базе данных нет производственного календаря "
                          "(accounts_dep.production_calendar): выходными считаются суббота и "
                          "воскресенье. Администратору нужно выполнить "
                          "sql/upgrade/production_calendar.sql.");
}

CalendarWrite setCalendarDay(data::Query& control, const CalendarDay& day) {
    using data::sql::quoted;
    const QString date = quoted(data::sql::date(day.day));
    const auto flag = [](bool on) { return on ? QStringLiteral("true") : QStringLiteral("false"); };
    const QString same = QStringLiteral("d_day=") + date;
    data::WritePlan plan;
    // a date of a closed month is refused as every other write into it: the month's form
    // stays as it was filed
    plan.months = {{day.day.year(), day.day.month()}};
    if (day.plain()) {
        plan.parts.push_back(
            data::WritePart::remove(QStringLiteral("accounts_dep.production_calendar"), same));
    } else {
        data::WritePart upsert = data::WritePart::insert(
            QStringLiteral("accounts_dep.production_calendar"),
            QStringLiteral("d_day, b_holiday, b_day_off, b_work_day, b_short"),
            QStringLiteral("%1, %2, %3, %4, %5")
                .arg(date, flag(day.holiday), flag(day.movedOff), flag(day.movedWork),
                     flag(day.shortened)));
        upsert.tail =
            QStringLiteral("on conflict (d_day) do update set b_holiday=excluded.b_holiday, "
                           "b_day_off=excluded.b_day_off, b_work_day=excluded.b_work_day, "
                           "b_short=excluded.b_short");
        plan.parts.push_back(upsert);
    }
    plan.announcements << data::announceOnce(
        data::announcement(control.connection(), QString::fromLatin1(CalendarTable), day.day));
    // after a lost answer: whether the date holds what was written
    plan.landed = [&] {
        const QString there =
            day.plain()
                ? QStringLiteral("select count(*) as cnt from accounts_dep.production_calendar "
                                 "where ") +
                      same
                : QStringLiteral("select count(*) as cnt from accounts_dep.production_calendar "
                                 "where %1 and b_holiday=%2 and b_day_off=%3 and b_work_day=%4 "
                                 "and b_short=%5")
                      .arg(same, flag(day.holiday), flag(day.movedOff), flag(day.movedWork),
                           flag(day.shortened));
        const qint64 found = data::lookupIn(control, there, QStringLiteral("cnt")).toLongLong();
        return day.plain() ? found == 0 : found > 0;
    };
    const data::WriteOutcome out = data::write(control, plan);
    using S = data::WriteOutcome::Status;
    switch (out.status) {
    case S::Written:
    case S::LostSaved:
        return {true, {}};
    case S::MonthClosed:
        return {false, closedMonthText(out.closed)};
    case S::LostNotSaved:
        return {false, data::lostCommitText(data::LostCommit::NotSaved)};
    default:
        return {false, data::lostCommitText(data::LostCommit::Unknown)};
    }
}

} // namespace timesheet
