// psql on the local server as the benchmarks' database user, for making and checking their
// databases outside the program's own connection.
#pragma once

#include <QString>
#include <QStringList>

namespace bench {

// Runs psql on database with the extra arguments, feeding it input; returns what it printed.
// A failure ends the benchmark with psql's message: figures from half a database are worthless.
QString psql(const QString& database, const QStringList& extra, const QString& input = {});

} // namespace bench
