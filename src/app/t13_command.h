// The unified timesheet form of a month from the command line, for scheduled jobs:
//
//   tabel --t13 YYYY-MM FILE.xlsx|FILE.pdf [DATABASE SERVER] [--org TEXT] [--dept TEXT] [--user NAME]
//
// A name ending in ".pdf" gets the form as a PDF, any other a workbook.
// Connects with the program's connection string (the built-in one without DATABASE SERVER),
// or as the person NAME (--user, or PGUSER) with the password of PGPASSWORD or the password
// file, writes FILE and ends; no window, no version check. Every failure is one Russian line on
// the error output, no file (an existing FILE stays as it was) and a non-zero exit code.
#pragma once

#include <QStringList>

class QTextStream;

namespace app {

// Exit codes of the command.
enum T13Exit { T13Written = 0, T13Failed = 1, T13BadArguments = 2 };

// True when the arguments (without the program's name) ask for the form.
bool isT13Command(const QStringList& args);
// Runs the command; args without the program's name, beginning with "--t13".
int runT13Command(const QStringList& args, QTextStream& errors);

} // namespace app
