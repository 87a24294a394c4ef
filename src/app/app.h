// Start-up, the connection string, termination.
#pragma once

#include <QString>
#include <QStringList>

class QApplication;

namespace app {

// Who the program connects as: the built-in account, or a person's own login.
struct Login {
    QString database; // parameter 1; used only with the server
    QString server;   // parameter 2: empty for the server built into the program
    QString user;     // --user NAME, or PGUSER; empty: the built-in account
    bool personal() const { return !user.isEmpty(); }
};
// The command line (without the program's name): DATABASE SERVER and --user NAME (or
// --user=NAME) in any order; PGUSER when --user is not given.
Login loginOf(const QStringList& params);

// "DRIVER={PostgreSQL UNICODE};DATABASE=<database>;SERVER=<server>;PORT=5432;…;XaOpt=1".
// A server that lists several hosts ("db1,db2") adds the driver's libpq options that take
// the first that accepts writes, waiting 3 s for each.
QString connectionString(const QString& database, const QString& server);
// The same as the person user: UID and PWD are the person's; without a password the
// driver's library finds one where the user keeps it (PGPASSWORD, a password file) or the
// server asks none.
QString connectionString(const QString& database, const QString& server, const QString& user,
                         const QString& password);
// A value as a connection string carries it, in braces where it needs them.
QString connectionValue(const QString& value);
// The string of a login: the built-in one when it names no server.
QString connectionStringFor(const Login& login, const QString& password = QString());
// The server built into the program (an installation setting of the build).
QString builtInServer();
// The same for the database korvast on the server built into the program.
QString builtInConnectionString();
// Parameter 2 (the server) decides: without it the built-in string is used.
QString connectionStringFor(const QStringList& params);
// The login the program was started with (createForms).
const Login& currentLogin();
// Whether a failed connection wants a password (or another one) rather than a server.
bool passwordWanted(const QString& connectionError);

// Translations, locale and icon of the program; the tests use it too.
void setupApplication(QApplication& application);

// Creates the data module and the journal window, connects with the string the
// command-line parameters give (params excludes the program name) and shows the login
// window; then every other window, hidden. A failed connection is reported and ends the
// program; the other windows are then not created. What it creates it owns until
// destroyForms().
void createForms(const QStringList& params);
// Starts listening for the changes of other copies once the event loop runs; on the
// program's connection, which must be open.
void listenForChanges();
// Destroys the windows and the data module, in the reverse order of their creation; the
// program does so after its message loop has ended.
void destroyForms();

// The program: arguments, start-up, message loop.
int run(int argc, char** argv, const char* buildDate, const char* buildTime);

// Ends the program. Under ui::Script only recorded.
void terminate();
bool terminationRequested();
void clearTermination();

} // namespace app
