// Saves while the server is killed: a throwaway PostgreSQL cluster of its own (initdb into
// /tmp, its own socket directory, listening on 127.0.0.7:5432 only) takes shift record saves
// from one copy of the program, one after another, while the server is killed with SIGKILL
// (the postmaster and every one of its processes, by their ids) at random moments and
// started again, N times. Then every save is looked up by its values:
//
//   - reported done (saved, or "the connection went, but the record is saved"): must be there;
//   - reported not done (the action was not done, or "the record is not saved"): must not be;
//   - reported unknown (the server stayed away too long to find out): counted apart.
//
//   kill_trial [kills] [address]        default 10, 127.0.0.7
//
// Run as root it runs the server as the system user postgres. The server the tests use on
// 127.0.0.1 is never touched.
#include "app/app.h"
#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/row_check.h"
#include "journal/record_writes.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <map>
#include <random>
#include <unistd.h>

namespace {

const QString Bin = QStringLiteral("/usr/lib/postgresql/15/bin/");

QString dir;     // the cluster
QString address; // where it listens

// Runs a server program, as postgres when this process is root.
QString run(const QString& program, const QStringList& args, const QString& input = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGCLIENTENCODING", "UTF8");
    p.setProcessEnvironment(env);
    p.setWorkingDirectory("/tmp");
    if (::geteuid() == 0)
        p.start("runuser", QStringList{"-u", "postgres", "--", Bin + program} + args);
    else
        p.start(Bin + program, args);
    p.waitForStarted();
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "%s: %s%s\n", qPrintable(program),
                     p.readAllStandardError().constData(), p.readAllStandardOutput().constData());
        std::exit(1);
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString psql(const QString& database, const QString& input, const QStringList& extra = {}) {
    return run("psql",
               QStringList{"-h", dir, "-p", "5432", "-U", "postgres", "-d", database, "-X", "-q",
                           "-v", "ON_ERROR_STOP=1"} +
                   extra,
               input);
}

void start() {
    run("pg_ctl", {"-D", dir, "-l", dir + "/log", "-w", "-t", "60", "start"});
}

// Whether a process is still running (a zombie is not).
bool running(pid_t p) {
    QFile stat(QStringLiteral("/proc/%1/stat").arg(p));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QString text = QString::fromLatin1(stat.readAll());
    // pid (comm) state ppid …: the name may hold blanks, so read after its ")"
    return !text.mid(text.lastIndexOf(u')') + 2).startsWith(u'Z');
}

// The running processes whose parent is p.
std::vector<pid_t> children(pid_t parent) {
    std::vector<pid_t> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile stat("/proc/" + entry + "/stat");
        if (!stat.open(QIODevice::ReadOnly)) continue;
        const QString text = QString::fromLatin1(stat.readAll());
        const QStringList after = text.mid(text.lastIndexOf(u')') + 2).split(u' ');
        if (after.value(1).toInt() == parent && after.value(0) != QLatin1String("Z"))
            found.push_back(pid_t(entry.toInt()));
    }
    return found;
}

// SIGKILL to the postmaster and to every process it started, all at once; then its lock files go,
// as a zombie nobody reaps would keep the next start from believing it is gone.
void kill() {
    QFile pidFile(dir + "/postmaster.pid");
    if (!pidFile.open(QIODevice::ReadOnly)) return;
    const pid_t postmaster = pid_t(QString(pidFile.readLine()).trimmed().toInt());
    pidFile.close();
    ::kill(postmaster, SIGSTOP); // it starts no process between the look and the kill
    std::vector<pid_t> killed;
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        std::vector<pid_t> victims = children(postmaster);
        if (running(postmaster)) victims.push_back(postmaster);
        for (pid_t p : victims)
            ::kill(p, SIGKILL);
        killed.insert(killed.end(), victims.begin(), victims.end());
        if (victims.empty() && std::none_of(killed.begin(), killed.end(), running)) break;
        if (waited.elapsed() > 10000) break;
        QThread::msleep(10);
    }
    for (const char* lock : {"/postmaster.pid", "/.s.PGSQL.5432.lock", "/.s.PGSQL.5432"})
        QFile::remove(dir + lock);
}

// What a save was told, as the user reads it.
enum class Told { Done, NotDone, Unknown, Other };

struct Save {
    int number = 0;
    Told told = Told::Other;
    QString text;
};

journal::RecordInput input(int number) {
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.day = QDate(2024, 3, 5);
    r.price = 12.5;
    r.quantity = 10;
    r.hours = 1;
    r.colour = number; // the save's own key: no two saves are equal records
    return r;
}

// One copy of the program saving record after record until stop.
class Saver : public QThread {
public:
    std::atomic<bool> stop{false};
    std::atomic<int> made{0}; // saves so far, for the log
    std::vector<Save> saves;  // read once the thread has ended

protected:
    void run() override {
        data::Connection c;
        c.setConnectionString(app::connectionString("kill_trial", address));
        c.open(); // later the connection opens itself again, as the program's does
        data::Query control(c);
        data::Command command(c);
        for (int n = 1; !stop; ++n) {
            Save s;
            s.number = n;
            try {
                const journal::WriteResult r = journal::addRecord(control, input(n));
                s.text = journal::refusalText(r);
                s.told = journal::isWritten(r)                     ? Told::Done
                         : r == journal::WriteResult::LostNotSaved ? Told::NotDone
                         : r == journal::WriteResult::LostUnknown  ? Told::Unknown
                                                                   : Told::Other;
            } catch (const data::DbError& e) {
                s.text = e.message();
                // an opening that fails, or the connection lost before the commit was sent
                s.told = e.message() == data::Connection::lostCommitMessage() ? Told::Unknown
                                                                              : Told::NotDone;
            }
            saves.push_back(s);
            ++made;
            QThread::msleep(20); // a user's pace, roughly: not a flood while the server is away
        }
    }
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const QStringList args = application.arguments();
    const int kills = args.size() > 1 ? args.value(1).toInt() : 10;
    address = args.size() > 2 ? args.value(2) : QStringLiteral("127.0.0.7");
    dir = QStringLiteral("/tmp/tabel_kill_trial_%1").arg(application.applicationPid());
    QDir().mkpath(dir);
    if (::geteuid() == 0) QProcess::execute("chown", {"postgres:postgres", dir});

    run("initdb", {"-D", dir, "-A", "trust", "-U", "postgres", "-E", "UTF8", "--locale=C.UTF-8"});
    QFile conf(dir + "/postgresql.conf");
    conf.open(QIODevice::Append);
    conf.write(QStringLiteral("listen_addresses = '%1'\nport = 5432\nunix_socket_directories = "
                              "'%2'\nfsync = on\nsynchronous_commit = on\n")
                   .arg(address, dir)
                   .toUtf8());
    conf.close();
    start();
    psql("postgres", "CREATE ROLE sys LOGIN SUPERUSER PASSWORD 'vumbexl'; CREATE DATABASE "
                     "kill_trial OWNER sys;");
    for (const char* file :
         {"/sql/schema.sql", "/sql/seed.sql", "/tests/fixtures/department.sql"}) {
        QFile f(QStringLiteral(TABEL_SOURCE_DIR) + file);
        f.open(QIODevice::ReadOnly);
        psql("kill_trial", QString::fromUtf8(f.readAll()));
    }
    // a commit that takes a while, as on a busy server: more kills land while a commit
    // waits for its answer (the work at commit comes before the commit is written)
    psql("kill_trial", R"(
        create function accounts_dep.slow_commit() returns trigger language plpgsql as
        $$ begin perform pg_sleep(0.03); return null; end $$;
        create constraint trigger slow_commit after insert on accounts_dep.smena
        deferrable initially deferred for each row execute function accounts_dep.slow_commit();
    )");

    data::setReconnectWait(20000); // the server is back within a few seconds
    Saver saver;
    saver.start();
    std::mt19937 random(std::random_device{}());
    QTextStream out(stdout);
    for (int k = 1; k <= kills; ++k) {
        QThread::msleep(300 + random() % 1500); // saves go on meanwhile
        const int before = saver.made;
        kill();
        QThread::msleep(random() % 1500); // away a while
        start();
        out << "kill " << k << " after save " << before << "\n";
        out.flush();
    }
    QThread::msleep(1500);
    saver.stop = true;
    saver.wait();

    // every save by its key
    const QStringList stored =
        psql("kill_trial", "select color from accounts_dep.smena order by color", {"-t", "-A"})
            .split(u'\n', Qt::SkipEmptyParts);
    std::map<int, int> there;
    for (const QString& c : stored)
        ++there[c.toInt()];
    int done = 0, doneThere = 0, notDone = 0, notDoneThere = 0, unknown = 0, unknownThere = 0,
        other = 0, twice = 0;
    std::map<QString, int> texts;
    for (const Save& s : saver.saves) {
        const int n = there.count(s.number) ? there[s.number] : 0;
        twice += n > 1;
        if (s.told != Told::Done) ++texts[s.text];
        switch (s.told) {
        case Told::Done:
            ++done;
            doneThere += n > 0;
            break;
        case Told::NotDone:
            ++notDone;
            notDoneThere += n > 0;
            break;
        case Told::Unknown:
            ++unknown;
            unknownThere += n > 0;
            break;
        case Told::Other:
            ++other;
            break;
        }
    }
    out << kills << " kills, " << saver.saves.size() << " saves\n"
        << "  reported done: " << done << ", of them in the database: " << doneThere << "\n"
        << "  reported not done: " << notDone << ", of them in the database: " << notDoneThere
        << "\n"
        << "  reported unknown: " << unknown << " (in the database: " << unknownThere << ")\n"
        << "  refused otherwise: " << other << "\n"
        << "  saved twice: " << twice << "\n"
        << "what the user read, besides done:\n";
    for (const auto& [text, n] : texts)
        out << "  " << n << " × " << text << "\n";
    const bool sound = doneThere == done && notDoneThere == 0 && other == 0 && twice == 0;
    out << (sound ? "every report true\n" : "A REPORT WAS WRONG\n");
    out.flush();

    run("pg_ctl", {"-D", dir, "-m", "immediate", "-w", "stop"});
    QDir(dir).removeRecursively();
    return sound ? 0 : 1;
}
