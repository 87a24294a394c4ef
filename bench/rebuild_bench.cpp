// Timing harness of the rebuild of a month's timesheet, on a database of its own that it
// creates from sql/ and bench/rebuild_data.sql and drops at the end:
//   rebuild_bench [runs] [per-cell runs]
// Side by side, alternately: the program's rebuild (timesheet::rebuildMonth over ODBC) and
// the hand-written statements of bench/rebuild_month.sql in one open psql session (its
// \timing figures); medians of the runs. Then the statement-per-cell way the
// rebuild used to take (a count and an insert or update per day, shift and worker, without
// a transaction), the reference it must beat. All three have to leave the same rows.
#include "app/app.h"
#include "bench_psql.h"
#include "data/connection.h"
#include "data/query.h"
#include "data/sql_text.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/timesheet_month.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

using bench::psql;

const QString Database = QStringLiteral("tabel_bench_rebuild");
constexpr int Year = 2024, Month = 3;

QString source(const QString& relative) {
    return QStringLiteral(TABEL_SOURCE_DIR) + u'/' + relative;
}

QString scalar(const QString& sql) {
    return psql(Database, {"-At", "-c", sql}).trimmed();
}

// What the month's shift-hours rows hold, as one digest.
QString digest() {
    QStringList days;
    for (int d = 1; d <= 31; ++d)
        days << QStringLiteral("d%1").arg(d);
    return scalar(QStringLiteral("select count(*) || ' rows, ' || md5(string_agg(line, '|' order "
                                 "by line)) from (select concat_ws(' ', w_id, smena, i_type, "
                                 "i_night, %1) line from accounts_dep.h_tabel where month=%2 and "
                                 "year=%3) r")
                      .arg(days.join(", "))
                      .arg(Month)
                      .arg(Year));
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void printTimes(const char* what, const std::vector<double>& ms) {
    std::printf("%-40s median %9.1f ms  (min %.1f, max %.1f, %zu runs)\n", what, median(ms),
                *std::min_element(ms.begin(), ms.end()), *std::max_element(ms.begin(), ms.end()),
                ms.size());
}

double programRebuild(data::Connection& c) {
    data::Query control(c);
    data::Command command(c);
    QElapsedTimer t;
    t.start();
    timesheet::rebuildMonth(control, Year, Month);
    return t.nsecsElapsed() / 1e6;
}

// One psql session kept open, like the program's connection, so that both run warm: the
// hand-written statements are sent to it and its \timing figures summed.
class PsqlSession {
public:
    PsqlSession() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("PGPASSWORD", "vumbexl");
        p_.setProcessEnvironment(env);
        p_.start("psql", {"-h", "127.0.0.1", "-U", "sys", "-d", Database, "-X", "-q", "-v",
                          "ON_ERROR_STOP=1"});
        p_.waitForStarted();
        p_.write("\\timing on\n");
        QFile f(source("bench/rebuild_month.sql"));
        f.open(QIODevice::ReadOnly);
        script_ = f.readAll();
        statements_ = int(script_.count(';'));
    }
    ~PsqlSession() {
        p_.closeWriteChannel();
        p_.waitForFinished();
    }
    double run() {
        p_.write(script_);
        QString out;
        static const QRegularExpression time(QStringLiteral("Time: ([0-9.]+) ms"));
        double ms = 0;
        int seen = 0;
        while (seen < statements_) {
            if (!p_.canReadLine() && !p_.waitForReadyRead(60000)) {
                std::fprintf(stderr, "psql: %s\n", p_.readAllStandardError().constData());
                std::exit(1);
            }
            while (p_.canReadLine()) {
                const auto m = time.match(QString::fromUtf8(p_.readLine()));
                if (m.hasMatch()) ms += m.captured(1).toDouble(), ++seen;
            }
        }
        return ms;
    }

private:
    QProcess p_;
    QByteArray script_;
    int statements_ = 0;
};

// The way the month used to be rebuilt: the month's rows deleted, then per day the hours
// of each shift and worker read, and for each of them a count of the worker's rows and an
// update of the day's cell or an insert of a new row; nothing in a transaction.
double perCell(data::Connection& c, int* statements) {
    using data::sql::integer;
    data::Query control(c);
    data::Query dt(c);
    data::Command command(c);
    dt.setSql(" select smena, w_id, sum(time) as tim from accounts_dep.smena where data=:data "
              "group by smena,w_id;");
    const QString m = integer(Month), y = integer(Year);
    const timesheet::MonthPeriod period = timesheet::monthPeriod(Year, Month);
    QElapsedTimer t;
    t.start();
    *statements = 1;
    command.setSql("delete from accounts_dep.h_tabel where month=" + m + " and year=" + y +
                   " and i_type=0");
    command.execute();
    for (int i = 1; i <= period.days(); ++i) {
        dt.close();
        dt.setParam("data", period.first.addDays(i - 1));
        dt.open();
        ++*statements;
        for (dt.first(); !dt.eof(); dt.next()) {
            const QString key = " where w_id=" + dt.asText("w_id") +
                                " and smena=" + dt.asText("smena") + " and month=" + m +
                                " and year=" + y;
            control.close();
            control.setSql("select count(w_id) as cnt from accounts_dep.h_tabel h_tabel" + key);
            control.open();
            const qint64 cnt = control.asInt("cnt");
            control.close();
            if (cnt != 0)
                command.setSql("update accounts_dep.h_tabel set d" + integer(i) + "='" +
                               dt.asText("tim") + "'" + key);
            else
                command.setSql("insert into accounts_dep.h_tabel(smena, w_id, month, year, d" +
                               integer(i) + ") values(" + dt.asText("smena") + ", " +
                               dt.asText("w_id") + ", " + m + ", " + y + ", " + dt.asText("tim") +
                               ")");
            command.execute();
            *statements += 2;
        }
        dt.close();
    }
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const int cellRuns = argc > 2 ? std::max(1, atoi(argv[2])) : 1;

    psql("postgres", {"-c", "drop database if exists " + Database + " with (force)"});
    psql("postgres", {"-c", "create database " + Database +
                                " template template0 encoding 'UTF8' lc_collate 'C.UTF-8' "
                                "lc_ctype 'C.UTF-8'"});
    for (const char* file : {"sql/schema.sql", "sql/seed.sql", "bench/rebuild_data.sql"})
        psql(Database, {"-f", source(QString::fromLatin1(file))});
    std::printf("%s shift records in %d/%d (%s in the table), %s household and average rows\n",
                qPrintable(scalar("select count(*) from accounts_dep.smena where data >= "
                                  "'2024-03-01' and data < '2024-04-01'")),
                Month, Year, qPrintable(scalar("select count(*) from accounts_dep.smena")),
                qPrintable(scalar("select count(*) from accounts_dep.h_tabel")));

    data::Connection c;
    c.setConnectionString(app::connectionString(Database, QStringLiteral("127.0.0.1")));
    c.open();

    // once each before timing, so that neither pays for a cold cache
    PsqlSession session;
    session.run();
    const QString byHand = digest();
    programRebuild(c);
    const QString byProgram = digest();

    std::vector<double> program, reference;
    for (int i = 0; i < runs; ++i) {
        program.push_back(programRebuild(c));
        reference.push_back(session.run());
    }

    std::vector<double> cells;
    int statements = 0;
    for (int i = 0; i < cellRuns; ++i)
        cells.push_back(perCell(c, &statements));
    const QString byCell = digest();
    c.close();
    psql("postgres", {"-c", "drop database " + Database + " with (force)"});

    std::printf("rows: program %s\n      by hand %s\n      per cell %s\n", qPrintable(byProgram),
                qPrintable(byHand), qPrintable(byCell));
    if (byProgram != byHand || byProgram != byCell) {
        std::printf("THE THREE WAYS DISAGREE\n");
        return 1;
    }
    printTimes("program (rebuildMonth over ODBC)", program);
    printTimes("hand-written SQL in psql", reference);
    printTimes("statement per cell (the old way)", cells);
    std::printf("statements of the old way: %d\n", statements);
    std::printf("program / hand-written: %.2f (at most 1.5)\n",
                median(program) / median(reference));
    std::printf("old way / program: %.0f (at least 30)\n", median(cells) / median(program));
    return 0;
}
