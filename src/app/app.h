// Start-up, the connection string, termination.
#pragma once

#include <QString>
#include <QStringList>

class QApplication;

namespace app {

// "DRIVER={PostgreSQL UNICODE};DATABASE=<database>;SERVER=<server>;PORT=5432;…;XaOpt=1"
QString connectionString(const QString& database, const QString& server);
// The server built into the program (an installation setting of the build).
QString builtInServer();
// The same for the database korvast on the server built into the program.
QString builtInConnectionString();
// Parameter 2 (the server) decides: without it the built-in string is used.
QString connectionStringFor(const QStringList& params);

// Translations, locale and icon of the program; the tests use it too.
void setupApplication(QApplication& application);

// Creates the data module and the journal window, connects with the string the
// command-line parameters give (params excludes the program name) and shows the login
// window; then every other window, hidden. A failed connection is reported and ends the
// program; the other windows are then not created. What it creates it owns until
// destroyForms().
void createForms(const QStringList& params);
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
