#include "app/app.h"

#include "app/login_window.h"
#include "app/version.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "refdata/class_picker.h"
#include "refdata/kind_editor.h"
#include "refdata/kinds_list.h"
#include "refdata/norms_window.h"
#include "refdata/operation_editor.h"
#include "refdata/operations_list.h"
#include "refdata/product_editor.h"
#include "refdata/products_list.h"
#include "refdata/worker_editor.h"
#include "refdata/workers_list.h"
#include "ui/dialogs.h"
#include "ui/focus_style.h"
#include "ui/guard.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

namespace {
bool terminated = false;
}

QString connectionString(const QString& database, const QString& server) {
    return QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=") + database +
           QStringLiteral(";SERVER=") + server +
           QStringLiteral(";PORT=5432;UID=sys;PWD=vumbexl;SSLmode=allow;") +
           QStringLiteral("ReadOnly=0;Protocol=7.4;FakeOidIndex=0;ShowOidColumn=0;"
                          "RowVersioning=0;ShowSystemTables=0;Fetch=100;UnknownSizes=0;"
                          "MaxVarcharSize=255;MaxLongVarcharSize=8190;") +
           QStringLiteral("Debug=0;CommLog=0;UseDeclareFetch=0;TextAsLongVarchar=1;"
                          "UnknownsAsLongVarchar=0;BoolsAsChar=1;Parse=0;ExtraSysTablePrefixes=;"
                          "LFConversion=1;UpdatableCursors=1;") +
           QStringLiteral("TrueIsMinus1=0;BI=0;ByteaAsLongVarBinary=1;UseServerSidePrepare=1;"
                          "LowerCaseIdentifier=0;D6=-101;OptionalErrors=0;XaOpt=1");
}

QString builtInConnectionString() {
    return connectionString(QStringLiteral("korvast"), QStringLiteral(TABEL_SERVER));
}

QString connectionStringFor(const QStringList& params) {
    const QString database = params.value(0);
    const QString server = params.value(1);
    return server.isEmpty() ? builtInConnectionString() : connectionString(database, server);
}

void setupApplication(QApplication& application) {
    application.setQuitOnLastWindowClosed(false);
    application.setWindowIcon(QIcon(QStringLiteral(":/Icon_1")));
    application.setApplicationName(QStringLiteral("Табель"));
    if (!qobject_cast<ui::FocusFrameStyle*>(application.style()))
        application.setStyle(new ui::FocusFrameStyle);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    auto* qt = new QTranslator(&application);
    if (qt->load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(qt);
}

void createForms(const QStringList& params) {
    // The journal window's creation makes the data module, connects and shows the login.
    new TForm1(params);
    if (terminated || !Form23) return;
    // Windows of the other areas, created once and hidden, in this order:
    // TForm2, TForm3, TForm4, TForm5, TForm7, TForm8, TForm9, TForm10, TForm11, TForm18,
    // TForm19, TForm21, TForm15, TForm16, TForm17, TForm20, TForm22, TForm24, TForm25,
    // TForm26, TForm27.
    new TForm2;
    new TForm3;
    new TForm4;
    new TForm5;
    new TForm7;
    new TForm8;
    new TForm9;
    new TForm10;
    new TForm11;
    new TForm22;
    new TForm26;
}

int run(int argc, char** argv, const char* buildDate, const char* buildTime) {
    QApplication application(argc, argv);
    setupApplication(application);
    setBuildStamp(buildDate, buildTime);
    QStringList params = application.arguments();
    params.removeFirst();
    try {
        createForms(params);
    } catch (...) {
        ui::showCurrentException();
    }
    int code = 0;
    if (!terminated) code = application.exec();
    if (DataModule6) DataModule6->ADO_DB.close();
    return code;
}

void terminate() {
    terminated = true;
    if (ui::Script::current()) return;
    QCoreApplication::exit(0);
}

bool terminationRequested() {
    return terminated;
}
void clearTermination() {
    terminated = false;
}

} // namespace app
