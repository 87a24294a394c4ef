#include "bench_psql.h"

#include <QProcess>
#include <cstdio>
#include <cstdlib>

namespace bench {

QString psql(const QString& database, const QStringList& extra, const QString& input) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PGPASSWORD", "vumbexl");
    env.insert("PGCLIENTENCODING", "UTF8");
    p.setProcessEnvironment(env);
    p.start("psql", QStringList{"-h", "127.0.0.1", "-p", "5432", "-U", "sys", "-d", database, "-X",
                                "-q", "-v", "ON_ERROR_STOP=1"} +
                        extra);
    if (!p.waitForStarted()) {
        std::fprintf(stderr, "psql cannot be started\n");
        std::exit(1);
    }
    p.write(input.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(-1);
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        std::fprintf(stderr, "psql: %s\n", p.readAllStandardError().constData());
        std::exit(1);
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

} // namespace bench
