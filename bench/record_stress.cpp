// Several copies of the program writing shift records at once: N processes, each with its
// own connection, run M adds, changes, moves and deletions on a few shared workers and
// days through the program's record writes, working from lists that go stale as a user's
// journal does: a change or deletion carries the row as the list showed it, and one that
// another copy changed meanwhile is refused. Then the database is checked: one timesheet row per
// key, every cell equal to the hours of its records, no two equal records; and the operations that
// failed with a database error (a deadlock, a lost update) are counted, and the history of
// changes must hold one row of the records per written operation and none for a refused one.
//
// The writes go to two days of March and two of April. When a quarter of them are done,
// another connection closes March (timesheet::closeMonth); from then on every write into or
// out of March must be refused. A trigger of this database only logs the time of every row
// written to the records and the timesheet, so the check can count writes into March that
// were made after the close.
//
//   record_stress [processes] [operations] [server] [listen|deaf]
//                                 default 8 × 500 on 127.0.0.1, listening
//
// Every copy listens for the others' announcements as the program does, unless "deaf".
//
// It makes a database of its own on the server the tests use (127.0.0.1:5432, through psql)
// and drops it at the end. The copies and the closing connection connect to server, port
// 5432: a connection pooler in front of that server, for instance.
#include "app/app.h"
#include "bench_psql.h"
#include "data/changes.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "journal/record_writes.h"
#include "timesheet/closed_months.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <random>

namespace {

using bench::psql;

const char* Department = R"(
INSERT INTO accounts_dep.person (id, fio) VALUES (1, 'Иванов'), (2, 'Петров'), (3, 'Сидоров');
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, s_caption) VALUES (11, 1, 2, 'Стеллажи');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, id_class_item) VALUES (101, 'СТ-100', 11), (102, 'ШК-200', 11);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка'), (2, 'Покраска');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES (1, 1, 0, 101, 0), (2, 2, 1, 102, 0);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES (1, 10, 0, 12.5), (2, 10, 0, 20);
CREATE TABLE public.write_log (at timestamptz DEFAULT clock_timestamp(), tbl text, y int, m int);
CREATE FUNCTION public.log_write() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
  IF TG_TABLE_NAME = 'smena' THEN
    IF TG_OP <> 'DELETE' THEN INSERT INTO public.write_log(tbl, y, m)
      VALUES ('smena', extract(year from NEW.data), extract(month from NEW.data)); END IF;
    IF TG_OP <> 'INSERT' THEN INSERT INTO public.write_log(tbl, y, m)
      VALUES ('smena', extract(year from OLD.data), extract(month from OLD.data)); END IF;
  ELSIF TG_TABLE_NAME = 'h_tabel' THEN
    IF TG_OP <> 'DELETE' THEN INSERT INTO public.write_log(tbl, y, m)
      VALUES ('h_tabel', NEW.year, NEW.month); END IF;
    IF TG_OP <> 'INSERT' THEN INSERT INTO public.write_log(tbl, y, m)
      VALUES ('h_tabel', OLD.year, OLD.month); END IF;
  ELSE
    INSERT INTO public.write_log(tbl, y, m) VALUES ('closed_month', NEW.year, NEW.month);
  END IF;
  RETURN NULL;
END $$;
CREATE TRIGGER log_write AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.smena
  FOR EACH ROW EXECUTE FUNCTION public.log_write();
CREATE TRIGGER log_write AFTER INSERT OR UPDATE OR DELETE ON accounts_dep.h_tabel
  FOR EACH ROW EXECUTE FUNCTION public.log_write();
CREATE TRIGGER log_write AFTER INSERT ON accounts_dep.closed_month
  FOR EACH ROW EXECUTE FUNCTION public.log_write();
)";

// What the invariant check counts.
const char* Checks = R"(
select (select count(*) from (select 1 from accounts_dep.h_tabel
          group by w_id, smena, month, year having count(*) > 1) k),
       (select count(*) from accounts_dep.h_tabel h, generate_series(1, 31) d
         where d <= extract(day from make_date(h.year, h.month, 1) + interval '1 month - 1 day')
           and coalesce((to_jsonb(h) ->> ('d' || d))::int, 0) <>
               coalesce((select sum(time) from accounts_dep.smena s where s.w_id = h.w_id
                          and s.smena = h.smena and s.data = make_date(h.year, h.month, d)), 0))
     + (select count(*) from (select distinct w_id, smena, data from accounts_dep.smena) s
         where not exists (select 1 from accounts_dep.h_tabel h where h.w_id = s.w_id
                and h.smena = s.smena and h.month = extract(month from s.data)
                and h.year = extract(year from s.data))),
       (select count(*) from (select 1 from accounts_dep.smena
          group by w_id, o_id, i_id, data, smena, color having count(*) > 1) e),
       (select count(*) from accounts_dep.smena),
       (select count(*) from public.write_log w, public.write_log c where c.tbl = 'closed_month'
         and w.tbl <> 'closed_month' and w.y = 2024 and w.m = 3 and w.at > c.at),
       (select count(*) from public.write_log w, public.write_log c where c.tbl = 'closed_month'
         and w.tbl <> 'closed_month' and w.y = 2024 and w.m = 3 and w.at < c.at),
       (select count(*) from accounts_dep.change_log where table_name = 'smena');
)";

// Outcomes of one process, in the order written to its output, followed by the median, the
// 95th percentile and the longest of its operations' times in microseconds.
enum Count { Written, Duplicate, Gone, Changed, Closed, Refused, Failed, Counts };

// One copy: its operations on workers 1..3, days 5 and 6 of March and April, shifts 1 and 2.
int child(const QString& database, const QString& server, int index, int operations,
          bool listen) {
    data::Connection c;
    c.setConnectionString(app::connectionString(database, server));
    c.open();
    // listening as the program does: the other copies' announcements are taken in
    // between operations
    data::ChangeListener changes(c);
    long heard = 0;
    QObject::connect(&changes, &data::ChangeListener::changed, [&] { ++heard; });
    if (listen) {
        changes.listen();
        if (!changes.listening()) std::fprintf(stderr, "process %d: not listening\n", index);
    }
    data::Query control(c);
    data::Command command(c);
    data::Query list(c);
    list.setSql("select id, " + journal::SeenFields.join(u',') + " from accounts_dep.smena");
    std::mt19937 random(1000 + index);
    auto pick = [&](int n) { return int(random() % unsigned(n)); };
    auto input = [&] {
        journal::RecordInput r;
        r.worker = 1 + pick(3);
        r.operation = 1 + pick(2);
        r.product = r.operation == 1 ? 101 : 102;
        r.shift = 1 + pick(2);
        r.day = QDate(2024, 3 + pick(2), 5 + pick(2));
        r.price = r.operation == 1 ? 12.5 : 20;
        r.quantity = 1 + pick(20);
        r.hours = 1 + pick(8);
        r.colour = r.operation == 1 ? 0 : 1 + pick(3);
        return r;
    };
    // the journal this copy shows, re-read now and then
    std::vector<std::pair<qint64, data::SeenRow>> ids;
    long counts[Counts] = {};
    std::vector<qint64> times;
    QElapsedTimer clock;
    for (int i = 0; i < operations; ++i) {
        if (i % 10 == 0 || ids.empty()) {
            list.close();
            list.open();
            ids.clear();
            for (list.first(); !list.eof(); list.next())
                ids.emplace_back(list.asInt("id"), journal::seenRecord(list));
        }
        const int kind = pick(100);
        int reread = -1; // a record this copy changed, which its own journal then shows anew
        clock.start();
        try {
            journal::WriteResult r;
            if (kind < 35 || ids.empty()) {
                r = journal::addRecord(control, input());
            } else {
                const int at = pick(int(ids.size()));
                const auto [id, seen] = ids[at];
                if (kind < 80) // a change in place or a move to another worker, day or shift
                    r = journal::changeRecord(control, id, input(), seen);
                else
                    r = journal::deleteRecord(control, id, seen);
                if (r == journal::WriteResult::Written && kind < 80) reread = at;
            }
            switch (r) {
            case journal::WriteResult::Written:
                ++counts[Written];
                break;
            case journal::WriteResult::Duplicate:
                ++counts[Duplicate];
                break;
            case journal::WriteResult::RecordGone:
                ++counts[Gone];
                break;
            case journal::WriteResult::RecordChanged:
                ++counts[Changed];
                break;
            case journal::WriteResult::MonthClosed:
                ++counts[Closed];
                break;
            default:
                ++counts[Refused];
            }
        } catch (const data::DbError& e) {
            ++counts[Failed];
            std::fprintf(stderr, "process %d: %s\n", index, qPrintable(e.message()));
        }
        times.push_back(clock.nsecsElapsed() / 1000);
        if (reread >= 0) ids[reread].second = journal::currentRecord(control, ids[reread].first);
        QCoreApplication::processEvents();
    }
    QCoreApplication::processEvents();
    std::sort(times.begin(), times.end());
    std::printf("%ld %ld %ld %ld %ld %ld %ld %lld %lld %lld %ld\n", counts[Written], counts[Duplicate],
                counts[Gone], counts[Changed], counts[Closed], counts[Refused], counts[Failed],
                times[times.size() / 2], times[times.size() * 95 / 100], times.back(), heard);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    if (args.value(1) == "--child")
        return child(args.value(2), args.value(3), args.value(4).toInt(), args.value(5).toInt(),
                     args.value(6) != "deaf");

    const int processes = args.size() > 1 ? args.value(1).toInt() : 8;
    const int operations = args.size() > 2 ? args.value(2).toInt() : 500;
    const QString server = args.size() > 3 ? args.value(3) : QStringLiteral("127.0.0.1");
    const QString listening = args.value(4) == "deaf" ? "deaf" : "listen";
    const QString database = QStringLiteral("stress_%1").arg(application.applicationPid());
    psql("postgres", {},
         QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' "
                        "LC_COLLATE 'C.UTF-8' LC_CTYPE 'C.UTF-8';")
             .arg(database));
    psql(database, {"-f", QStringLiteral(TABEL_SOURCE_DIR "/sql/schema.sql")});
    psql(database, {"-f", QStringLiteral(TABEL_SOURCE_DIR "/sql/seed.sql")});
    psql(database, {}, QString::fromUtf8(Department));

    QElapsedTimer clock;
    clock.start();
    std::vector<std::unique_ptr<QProcess>> copies;
    for (int i = 0; i < processes; ++i) {
        auto p = std::make_unique<QProcess>();
        p->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        p->start(application.applicationFilePath(),
                 {"--child", database, server, QString::number(i), QString::number(operations),
                  listening});
        copies.push_back(std::move(p));
    }
    // March closed by another copy when a quarter of the operations have written a row
    double closeWait = 0, closedAt = 0;
    {
        data::Connection admin;
        admin.setConnectionString(app::connectionString(database, server));
        admin.open();
        data::Query control(admin);
        data::Command command(admin);
        const int quarter = processes * operations / 4;
        auto running = [&] {
            return std::any_of(copies.begin(), copies.end(),
                               [](const auto& p) { return p->state() != QProcess::NotRunning; });
        };
        while (running() && data::lookupIn(control,
                                           "select count(*) as n from public.write_log "
                                           "where tbl='smena'",
                                           "n")
                                    .toInt() < quarter) {
            QCoreApplication::processEvents();
            QThread::msleep(50);
        }
        closedAt = clock.elapsed() / 1000.0;
        QElapsedTimer wait;
        wait.start();
        timesheet::closeMonth(control, 2024, 3, "record_stress");
        closeWait = wait.nsecsElapsed() / 1e6;
    }
    long totals[Counts] = {};
    long heard = 0;
    std::vector<double> medians, tails;
    double longest = 0;
    for (auto& p : copies) {
        p->waitForFinished(-1);
        const QStringList figures =
            QString::fromUtf8(p->readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
        if (p->exitCode() != 0 || figures.size() != Counts + 4) {
            std::fprintf(stderr, "a process ended without its figures\n");
            totals[Failed] += operations;
            continue;
        }
        for (int k = 0; k < Counts; ++k)
            totals[k] += figures[k].toLong();
        medians.push_back(figures[Counts].toDouble() / 1000);
        tails.push_back(figures[Counts + 1].toDouble() / 1000);
        heard += figures[Counts + 3].toLong();
        longest = std::max(longest, figures[Counts + 2].toDouble() / 1000);
    }
    if (medians.empty()) medians = tails = {0};
    std::sort(medians.begin(), medians.end());
    std::sort(tails.begin(), tails.end());
    const double seconds = clock.elapsed() / 1000.0;

    const QStringList found =
        psql(database, {"-t", "-A"}, QString::fromUtf8(Checks)).trimmed().split(u'|');
    psql("postgres", {}, QStringLiteral("DROP DATABASE %1 WITH (FORCE);").arg(database));

    QTextStream out(stdout);
    out << processes << " processes × " << operations << " operations in " << seconds << " s ("
        << (processes * operations / seconds) << " operations/s)\n"
        << "  one operation: median " << medians.at(medians.size() / 2) << " ms, 95th percentile "
        << tails.at(tails.size() / 2) << " ms (middle process), slowest " << longest << " ms\n"
        << "  written " << totals[Written] << ", refused as equal " << totals[Duplicate]
        << ", on records already deleted " << totals[Gone]
        << ", on records another copy changed since its list was read " << totals[Changed]
        << ", otherwise refused " << totals[Refused] << "\n"
        << "  refused in the closed month " << totals[Closed] << "\n"
        << "  March closed after " << closedAt << " s; the close took " << closeWait
        << " ms; rows of March written before it " << found.value(5) << "\n"
        << "  records left " << found.value(3) << "\n"
        << "writes into March after its close: " << found.value(4) << "\n"
        << "  announcements heard by the copies (" << listening << "): " << heard << "\n"
        << "duplicate timesheet rows: " << found.value(0) << "\n"
        << "wrong cells: " << found.value(1) << "\n"
        << "equal records: " << found.value(2) << "\n"
        << "failed operations: " << totals[Failed] << "\n"
        << "history of the records: " << found.value(6) << " rows for " << totals[Written]
        << " written operations\n";
    const bool clean = found.value(0) == "0" && found.value(1) == "0" && found.value(2) == "0" &&
                       found.value(4) == "0" && totals[Failed] == 0 &&
                       found.value(6).toLong() == totals[Written];
    return clean ? 0 : 1;
}
