// The build stamp of the program and the check against the stamp kept in the database.
#pragma once

#include <QString>

namespace app {

// The compiler's texts, such as "Feb 19 2024" and "10:57:13".
void setBuildStamp(const QString& date, const QString& time);
// "Feb 19 2024" -> 20240219 (a day below 10 is written with a leading blank)
int stampDate(const QString& compilerDate);
// "10:57:13" -> 39433
int stampTime(const QString& compilerTime);

// Writes a newer build's stamp into accounts_dep.ver (where the login may: full access;
// the others only compare), reads the decimal separator, and ends
// a build older than the stamp there. Ends the program too, with missingTableText(), on a
// database without the closed months' table, which every write checks, or without the
// history of changes, which every write leaves.
void checkVersion();
// The message for a required table missing: "closed_month" or "change_log".
QString missingTableText(const QString& table);

} // namespace app
