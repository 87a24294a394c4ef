// One worker's month at a glance:
//
//   the worker's shift records of the month, as the journal lists them (the same product,
//   operation and kind, the same marks), read by one statement → the records by day and
//   shift with each record's sum, (quantity − rejects) × price rounded to kopecks as the
//   journal rounds it → the totals of each day and of the month (pieces, rejects, hours,
//   sum) → a printed report of the report engine, A4 landscape.
//
// No widget is used: the window "Месяц работника" only shows and prints what this reads.
#pragma once

#include "report_engine/document.h"

#include <QDate>
#include <QList>
#include <QString>

namespace data {
class Query;
}

namespace journal {

struct MonthRecord {
    QDate day;
    int shift = 1;
    QString mark;  // product
    QString kind;  // kind of operation
    QString stage; // "Готовая продукция" or "Заготовки"
    qint64 colour = 0;
    qint64 hours = 0;
    double pieces = 0;
    qint64 rejects = 0;
    double price = 0;
    qint64 kopecks = 0; // the record's sum
};

struct MonthSums {
    double pieces = 0;
    qint64 rejects = 0;
    qint64 hours = 0;
    qint64 kopecks = 0;
    void add(const MonthRecord& r);
};

struct WorkerMonth {
    qint64 worker = 0; // the records' w_id
    QString name;
    int year = 0;
    int month = 0;
    QList<MonthRecord> records; // by day, shift, product, operation
    QList<QDate> days() const;  // the days with records, in order
    MonthSums dayTotals(const QDate& day) const;
    MonthSums totals() const;
};

// "Смена №1" … "Смена №3", "Переработка".
QString shiftName(int shift);

// Reads the worker's records of the month the journal lists with its mark parameter ok (a
// record whose mark equals ok, or is empty, is left out as the journal leaves it out); the
// query is left closed.
WorkerMonth readWorkerMonth(data::Query& query, qint64 worker, const QString& name, int year,
                            int month, const QString& ok);

// The printed month: a line per record under its day, the day's totals after it, the
// month's at the end.
report::Document workerMonthDocument(const WorkerMonth& month);

} // namespace journal
