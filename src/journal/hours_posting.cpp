#include "journal/hours_posting.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/timesheet_locks.h"

namespace journal {

using data::sql::integer;

namespace {

qint64 readInt(data::Query& control, const QString& sql, const QString& field) {
    return data::lookupIn(control, sql, field).toLongLong();
}

qint64 dayHours(data::Query& control, int worker, int shift, const QDate& day) {
    return readInt(control,
                   "select sum(time) as tim from accounts_dep.smena where w_id=" + integer(worker) +
                       " and smena=" + integer(shift) + " and data=to_date('" +
                       data::sql::date(day) + "', 'DD.MM.YYYY') group by w_id, smena, data",
                   "tim");
}

QString rowCondition(int worker, int shift, const QDate& day) {
    return " where w_id=" + integer(worker) + " and smena=" + integer(shift) +
           " and month=" + integer(day.month()) + " and year=" + integer(day.year());
}

void setCell(data::Command& command, int worker, int shift, const QDate& day, qint64 hours) {
    command.setSql("update accounts_dep.h_tabel set d" + integer(day.day()) + "=" + integer(hours) +
                   rowCondition(worker, shift, day));
    command.execute();
}

} // namespace

void lockTimesheetRow(data::Query& control, int worker, int rowKind, int month, int year) {
    timesheet::lockForPosting(control, {timesheet::RowKey::shiftRow(worker, rowKind, year, month)});
}

void postHours(data::Query& control, data::Command& command, int worker, int shift,
               const QDate& day) {
    data::Transaction t(control.connection());
    lockTimesheetRow(control, worker, shift, day.month(), day.year());
    const qint64 rows = readInt(
        control,
        "select count(w_id) as cnt from accounts_dep.h_tabel where w_id=" + integer(worker) +
            " and smena=" + integer(shift) + " and month=" + integer(day.month()) +
            " and year=" + integer(day.year()),
        "cnt");
    const qint64 hours = dayHours(control, worker, shift, day);
    if (rows != 0) {
        setCell(command, worker, shift, day, hours);
    } else {
        command.setSql("insert into accounts_dep.h_tabel(smena, w_id, month, year, d" +
                       integer(day.day()) + ") values(" + integer(shift) + ", " + integer(worker) +
                       ", " + integer(day.month()) + ", " + integer(day.year()) + ", " +
                       integer(hours) + ")");
        command.execute();
    }
    t.commit();
}

void recomputeHours(data::Query& control, data::Command& command, int worker, int shift,
                    const QDate& day) {
    data::Transaction t(control.connection());
    lockTimesheetRow(control, worker, shift, day.month(), day.year());
    setCell(command, worker, shift, day, dayHours(control, worker, shift, day));
    t.commit();
}

void postHours(int worker, int shift, const QDate& day) {
    postHours(DataModule6->Control, DataModule6->H_Tabel_ins, worker, shift, day);
}

void recomputeHours(int worker, int shift, const QDate& day) {
    recomputeHours(DataModule6->Control, DataModule6->H_Tabel_ins, worker, shift, day);
}

} // namespace journal
