// The unified timesheet form T-13 (ОКУД 0301008) of a month, written as a workbook:
//
//   the month's timesheet rows of every kind read by one statement on the query passed in →
//   one worker per person (shift-hours rows found by personnel code, household and average
//   piece-rate rows by the person's key; a person with both is listed once) with the position
//   of accounts_dep.person, and the month's production calendar in the same exchange → a
//   mark and hours per day ("Я" day work, "Н" night rows, "С" overtime, "РВ" any work on a
//   day off, "В" a day off without work; days off as the production calendar has them) →
//   one sheet, A4 landscape one page wide, the table's head on every page and a worker's
//   lines never parted, through libxlsxwriter (or, for a name ending in ".pdf", the same
//   cells as pages of the report engine, t13_pdf.h), into a new file beside the target that
//   takes the target's name only when it is complete.
//
// A failure (a statement the server refuses, a folder that cannot be written) leaves no
// file behind, neither the target nor a part of it: database errors leave through
// data::DbError, file errors through FormError, both with a Russian text. No widget is
// used, so the timesheet window and the command line share it.
#pragma once

#include "timesheet/production_calendar.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <stdexcept>

namespace data {
class Query;
}

namespace timesheet::t13 {

class FormError : public std::runtime_error {
public:
    explicit FormError(const QString& message) : std::runtime_error(message.toStdString()) {}
};

// What a day's cells of a worker hold; kinds of hours in the order a joined cell shows them.
enum Kind { Day = 0, Night = 1, Overtime = 2, Kinds = 3 };

struct DayMarks {
    QStringList marks; // "Я", "Н", "С" in this order, or "РВ"; "В" alone on a free day off
    QList<int> hours;  // one figure per mark that carries hours ("В" carries none)
    bool worked() const { return !hours.isEmpty(); }
    int total() const;
    QString markText() const;  // "Я/С"
    QString hoursText() const; // "8/2"
};

// The marks of a day (off: a day off by the production calendar) from its hours by kind (0
// or less counts as none).
DayMarks dayMarks(bool off, const std::array<int, Kinds>& hours);

struct Worker {
    QString name;     // cmn_contractor.person.s_caption
    QString code;     // its personnel code, as the resource-planning system holds it
    QString position; // accounts_dep.person.s_staffpos_hl; empty when not known
    std::array<std::array<int, Kinds>, 31> hours{};
    // days worked and hours in days 1–15 (half 0) and from 16 on (half 1)
    int days(int half) const;
    int total(int half) const;
};

struct Month {
    int year = 0;
    int month = 0;
    QList<Worker> workers; // those with any hours, by name
    DaysOff daysOff;       // the month's production calendar
    QDate first() const { return QDate(year, month, 1); }
    QDate last() const { return first().addMonths(1).addDays(-1); }
};

// Reads the month and its calendar in one exchange; the query is left closed.
Month readMonth(data::Query& query, int year, int month);

struct Heading {
    QString organisation; // empty: a blank line to be filled in by hand
    QString department;
    QDate compiled; // the date of compiling; null: today
};

// What is done with a file already at the target's name.
enum class Existing {
    Replace, // the finished form takes its place (a scheduled job writes the same name)
    Keep     // the form is named "name (2).xlsx", "name (3).xlsx"… instead
};

// How the workers fall on the pages: the same number on every page, the first page holding
// the form's heading too, and the department's total and the signatures on the page of the
// last workers (alone on the one page of an empty month).
int workersPerPage();
int pageCount(int workers);

// workers written so far, of all
using Progress = std::function<void(int written, int workers)>;

// Writes the month to the file path (its folder must exist): a PDF when the name ends in
// ".pdf", a workbook otherwise; returns the path written.
QString writeMonth(const Month& month, const Heading& heading, const QString& path,
                   Existing existing = Existing::Replace, const Progress& progress = {});

// readMonth and writeMonth.
QString writeForm(data::Query& query, int year, int month, const Heading& heading,
                  const QString& path, Existing existing = Existing::Replace,
                  const Progress& progress = {});

} // namespace timesheet::t13
