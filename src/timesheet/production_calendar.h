// Which days are off: the production calendar of accounts_dep.production_calendar over the
// five-day week.
//
// A date's row holds independent facts: a public holiday, a day off moved onto it from
// another date, a working day moved onto it from a weekend, a working day shortened by an
// hour before a holiday. A date without a row (and every date of a database made before
// the table existed) is a day off on Saturday and Sunday only. The rule is DaysOff, a pure
// function of the rows; the timesheet windows, the household list, the journal's
// "Выходной" and the T-13 form all ask it, each reading the rows of the period it shows
// together with its other statements.
#pragma once

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>

namespace data {
class Connection;
class Query;
} // namespace data

namespace timesheet {

struct CalendarDay {
    QDate day;
    bool holiday = false;   // a public holiday
    bool movedOff = false;  // a day off moved here from another date
    bool movedWork = false; // a working day moved here from a weekend
    bool shortened = false; // one hour shorter, before a holiday
    bool plain() const { return !holiday && !movedOff && !movedWork && !shortened; }
    bool operator==(const CalendarDay&) const = default;
};

// Hours of a full working day at 40 hours a week.
constexpr int FullDayHours = 8;

class DaysOff {
public:
    // Without rows: Saturdays and Sundays.
    DaysOff() = default;
    explicit DaysOff(const QList<CalendarDay>& rows);

    // The facts of a date (all false without a row).
    CalendarDay facts(const QDate& day) const;
    bool isOff(const QDate& day) const;
    // Working hours of a day: 0 off, 7 shortened, 8 otherwise.
    int hours(const QDate& day) const;

    struct Norm {
        int days = 0;
        int hours = 0;
    };
    // Working days and hours of the dates first <= day <= last.
    Norm norm(const QDate& first, const QDate& last) const;
    Norm monthNorm(int year, int month) const;

private:
    QMap<QDate, CalendarDay> rows_;
};

// The statement reading the rows of first <= day <= last, columns d_day, b_holiday,
// b_day_off, b_work_day, b_short; no rows from a database without the table. One select, so
// a window sends it together with its other statements (data::openTogether).
QString calendarStatement(const QDate& first, const QDate& last);
// The rule over the rows of an open query of that statement; the query is closed.
DaysOff takeDaysOff(data::Query& query);
// Reads and takes, on its own.
DaysOff readDaysOff(data::Query& query, const QDate& first, const QDate& last);

// What became of a calendar write: written (also after a lost answer that turned out saved),
// or the message saying why not.
struct CalendarWrite {
    bool written = false;
    QString refusal;
};
// Writes a date's facts through the write engine: a row that holds any fact is stored, one
// without facts removed, so the date behaves by its weekday again; announced to the other
// copies as a change of "production_calendar" on that date when written. Refused for a date
// of a closed month.
CalendarWrite setCalendarDay(data::Query& control, const CalendarDay& day);

// Whether the database has the table (false: every date goes by its weekday, and the calendar
// window says what to run).
bool hasCalendar(data::Query& control);
// What the calendar window says when it is missing.
QString noCalendarText();

// The name of the table in the announcements.
inline constexpr char CalendarTable[] = "production_calendar";

} // namespace timesheet
