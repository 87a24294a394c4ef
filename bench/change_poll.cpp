// What a copy that cannot hear the others pays for reading their changes from the history
// every 2 s: the time of one reading (ChangeListener::poll(), with its probe) on a copy of a
// big database whose history holds a given number of rows spread over a year, once with
// nothing new and once with a burst of other copies' changes within the reading's overlap.
//
//   change_poll [database] [history rows] [readings]     default tabel_big 1000000 50
//
// The database is copied (it must have no sessions while copied) and the copy dropped at the end.
#include "app/app.h"
#include "bench_psql.h"
#include "data/changes.h"
#include "data/connection.h"
#include "timing.h"

#include <QCoreApplication>
#include <QElapsedTimer>

using bench::psql;

namespace {

// Rows of the history as the program's triggers write them: records, entries and timesheet
// rows of many copies (every tenth by another program), over the year before now.
QString history(int rows, const QString& age) {
    return QStringLiteral(
               "insert into accounts_dep.change_log (at, logged, table_name, row_id, action, "
               "before, after, day, login, copy) select t, t, tb, g::text, 'added', null, "
               "case tb when 'smena' then jsonb_build_object('data', d, 'smena', 1 + g % 4) "
               "when 'fatigue' then jsonb_build_object('d_date', d, 'i_smena', 1 + g % 4) "
               "else jsonb_build_object('month', 3, 'year', 2024) end, d, 'sys', "
               "case when g % 10 = 0 then null else 'copy' || (g % 8) end "
               "from (select g, now() - %2 * random() as t, "
               "(array['smena', 'smena', 'smena', 'fatigue', 'h_tabel', 'person'])[1 + g % 6] "
               "as tb, date '2024-01-01' + g % 366 as d from generate_series(1, %1) g) s;")
        .arg(rows)
        .arg(age);
}

std::vector<double> readings(data::ChangeListener& listener, int n, int* changes) {
    std::vector<double> ms;
    int heard = 0;
    const QMetaObject::Connection counting =
        QObject::connect(&listener, &data::ChangeListener::changed, [&] { ++heard; });
    for (int i = 0; i < n; ++i) {
        QElapsedTimer t;
        t.start();
        listener.poll();
        ms.push_back(t.nsecsElapsed() / 1e6);
    }
    QObject::disconnect(counting);
    *changes = heard;
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QString source = argc > 1 ? QString(argv[1]) : QStringLiteral("tabel_big");
    const int rows = argc > 2 ? QString(argv[2]).toInt() : 1000000;
    const int n = argc > 3 ? QString(argv[3]).toInt() : 50;
    const QString database = QStringLiteral("poll_%1").arg(application.applicationPid());
    psql("postgres", {}, QStringLiteral("CREATE DATABASE %1 TEMPLATE %2;").arg(database, source));
    psql(database, {"-f", QStringLiteral(TABEL_SOURCE_DIR "/sql/upgrade/change_log.sql")});
    psql(database, {},
         history(rows, QStringLiteral("interval '365 days'")) + "analyze accounts_dep.change_log;");
    std::printf(
        "%s: %s history rows, %s shift records\n", qPrintable(database),
        qPrintable(
            psql(database, {"-t", "-A"}, "select count(*) from accounts_dep.change_log").trimmed()),
        qPrintable(
            psql(database, {"-t", "-A"}, "select count(*) from accounts_dep.smena").trimmed()));
    {
        data::Connection own;
        own.setConnectionString(app::connectionString(database, QStringLiteral("127.0.0.1")));
        own.open();
        data::ChangeListener listener(own);
        // a listener that cannot connect is deaf at once and reads the history
        listener.listen(app::connectionString(database, QStringLiteral("127.0.0.1"))
                            .replace(QStringLiteral("PORT=5432"), QStringLiteral("PORT=1")));
        if (!listener.deaf()) qFatal("the listener is not deaf");
        int changes = 0;
        bench::printTimes("reading, nothing new", readings(listener, n, &changes));
        std::printf("  changes passed on: %d\n", changes);
        // 300 changes of other copies within the last minute: each reading finds them in its
        // overlap, the first passes them on
        psql(database, {}, history(300, QStringLiteral("interval '60 seconds'")));
        bench::printTimes("reading, 300 changes in the overlap", readings(listener, n, &changes));
        std::printf("  changes passed on: %d\n", changes);
        std::printf("plan:\n%s",
                    qPrintable(psql(database, {"-t", "-A"},
                                    "explain select id from accounts_dep.change_log l where "
                                    "l.at >= now() - interval '120 seconds' and l.table_name in "
                                    "('smena', 'fatigue', 'h_tabel') and l.copy is distinct from "
                                    "'x';")));
    }
    psql("postgres", {}, QStringLiteral("DROP DATABASE %1 WITH (FORCE);").arg(database));
    return 0;
}
