// Timing harness of the unified timesheet form T-13 of a month, on a database of its own
// that it creates from sql/ and drops at the end:
//   t13_bench [runs] [file]
// A department of 300 workers (and 50 contractors whose codes are no number) in March 2024:
// shift-hours rows in three shifts, overtime, household and average piece-rate rows. Times
// the one statement that reads the month, the workbook's writing, and both together;
// medians of the runs. With a file, the last form is kept there.
#include "app/app.h"
#include "bench_psql.h"
#include "data/connection.h"
#include "data/query.h"
#include "timesheet/t13_form.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::psql;

const QString Database = QStringLiteral("tabel_bench_t13");
constexpr int Year = 2024, Month = 3;

QString source(const QString& relative) {
    return QStringLiteral(TABEL_SOURCE_DIR) + u'/' + relative;
}

// Rows of the month: one per worker selected by where, every day cell given by the
// expression of the day's date @.
QString rows(const QString& key, const QString& values, const QString& where, const QString& cell) {
    QStringList columns, cells;
    for (int day = 1; day <= 31; ++day) {
        columns << QStringLiteral("d%1").arg(day);
        cells << QString(cell).replace(QStringLiteral("@"),
                                       QStringLiteral("(date '2024-03-01' + %1)").arg(day - 1));
    }
    return QStringLiteral("insert into accounts_dep.h_tabel(%1, month, year, %2) select %3, %4, "
                          "%5, %6 from generate_series(1, 300) w where %7;\n")
        .arg(key, columns.join(u','), values)
        .arg(Month)
        .arg(Year)
        .arg(cells.join(u','), where);
}

QString department() {
    return QStringLiteral(
               "insert into cmn_contractor.person(id, s_caption, s_code) select w, 'Работник ' "
               "|| lpad(w::text, 3, '0') || ' И.О.', w::text from generate_series(1, 300) w;\n"
               "insert into cmn_contractor.person(id, s_caption, s_code) select 1000 + w, "
               "'Подрядчик ' || w, 'П-' || w from generate_series(1, 50) w;\n") +
           // shifts: eight hours a weekday, six on the first and third Saturday for a quarter
           rows("w_id, smena", "w, 1 + w % 3", "true",
                "case when extract(isodow from @) < 6 then 8 when w % 4 = 0 and "
                "extract(day from @) in (2, 16) then 6 end") +
           // overtime on Mondays for a fifth
           rows("w_id, smena", "w, 4", "w % 5 = 0",
                "case when extract(isodow from @) = 1 then 2 end") +
           // night household works for a sixth, day average piece-rate work for a seventh
           rows("w_id, i_type, i_night", "w, 7777, 1", "w % 6 = 0",
                "case when extract(day from @) in (5, 12) then 4 end") +
           rows("w_id, i_type, i_night", "w, 7778, 0", "w % 7 = 0",
                "case when extract(day from @) = 20 then 3 end") +
           QStringLiteral("analyze;\n");
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void printTimes(const char* what, const std::vector<double>& ms) {
    std::printf("%-34s median %8.1f ms  (min %.1f, max %.1f, %zu runs)\n", what, median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                ms.size());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const QString keep = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();

    psql("postgres", {"-c", "drop database if exists " + Database + " with (force)"});
    psql("postgres", {"-c", "create database " + Database +
                                " template template0 encoding 'UTF8' lc_collate 'C.UTF-8' "
                                "lc_ctype 'C.UTF-8'"});
    for (const char* file : {"sql/schema.sql", "sql/seed.sql"})
        psql(Database, {"-f", source(QString::fromLatin1(file))});
    psql(Database, {"-v", "ON_ERROR_STOP=1"}, department());

    data::Connection c;
    c.setConnectionString(app::connectionString(Database, QStringLiteral("127.0.0.1")));
    c.open();
    data::Query query(c);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t13.xlsx"));

    // once before timing, so that the first run pays for no cold cache
    timesheet::t13::Month month = timesheet::t13::readMonth(query, Year, Month);
    timesheet::t13::writeMonth(month, {}, path);
    std::vector<double> read, write, both;
    QElapsedTimer t;
    for (int i = 0; i < runs; ++i) {
        t.start();
        month = timesheet::t13::readMonth(query, Year, Month);
        const qint64 afterRead = t.nsecsElapsed();
        timesheet::t13::writeMonth(month, {}, path);
        const qint64 total = t.nsecsElapsed();
        read.push_back(afterRead / 1e6);
        write.push_back((total - afterRead) / 1e6);
        both.push_back(total / 1e6);
    }
    c.close();
    psql("postgres", {"-c", "drop database " + Database + " with (force)"});
    if (!keep.isEmpty()) {
        QFile::remove(keep);
        QFile::copy(path, keep);
    }

    int hours = 0;
    for (const auto& w : month.workers)
        hours += w.total(0) + w.total(1);
    std::printf("%lld workers, %d hours in %02d.%d; workbook %lld bytes\n",
                qlonglong(month.workers.size()), hours, Month, Year, QFileInfo(path).size());
    printTimes("read the month (one statement)", read);
    printTimes("write the workbook", write);
    printTimes("the form, read and written", both);
    std::printf("goal: the form of 300 workers in under 2000 ms: %s\n",
                median(both) < 2000 ? "met" : "MISSED");
    return median(both) < 2000 ? 0 : 1;
}
