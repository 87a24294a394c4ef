#include "app/app.h"

#include "app/built_in_server.h"
#include "app/login_window.h"
#include "app/qt_russian.h"
#include "app/t13_command.h"
#include "app/version.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "journal/journal_window.h"
#include "journal/month_close_window.h"
#include "journal/record_editor.h"
#include "journal/worker_month_window.h"
#include "journal/change_journal_window.h"
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
#include "reports/heading_window.h"
#include "reports/reports_window.h"
#include "timesheet/calendar_window.h"
#include "timesheet/closed_months_window.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_list.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dialogs.h"
#include "ui/focus_style.h"
#include "ui/guard.h"

#include <QApplication>
#include <QCoreApplication>
#include <QIcon>
#include <QLocale>
#include <QMessageBox>
#include <QStringList>
#include <QTextStream>
#include <QTimer>
#include <cstdio>
#include <vector>

namespace app {

namespace {
bool terminated = false;

// The data module and the windows in the order they were made; destroyForms() deletes them
// last to first. Raw pointers, so that nothing is deleted at exit, after the application
// object is gone.
std::vector<QObject*> made;

template <class T> T* make() {
    auto* object = new T;
    made.push_back(object);
    return object;
}
} // namespace

namespace {
// The built-in account's part of the string.
const QLatin1String BuiltInAccount("UID=sys;PWD=vumbexl;");
// libpq's options for a list of servers: the one that accepts writes, briefly each.
const QLatin1String SeveralServers(";pqopt={target_session_attrs=read-write connect_timeout=3}");

Login started;
} // namespace

QString connectionString(const QString& database, const QString& server) {
    QString text =
        QStringLiteral("DRIVER={PostgreSQL UNICODE};DATABASE=") + database +
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
    if (server.contains(u',')) text += SeveralServers;
    return text;
}

QString connectionValue(const QString& value) {
    static const QString special = QStringLiteral(";{}= \t");
    bool plain = !value.isEmpty();
    for (QChar c : value)
        if (special.contains(c)) plain = false;
    if (plain) return value;
    return u'{' + QString(value).replace(u'}', QLatin1String("}}")) + u'}';
}

QString connectionString(const QString& database, const QString& server, const QString& user,
                         const QString& password) {
    QString account = QStringLiteral("UID=") + connectionValue(user) + u';';
    if (!password.isEmpty()) account += QStringLiteral("PWD=") + connectionValue(password) + u';';
    return connectionString(database, server).replace(BuiltInAccount, account);
}

Login loginOf(const QStringList& params) {
    Login login;
    QStringList positional;
    bool userGiven = false;
    for (qsizetype i = 0; i < params.size(); ++i) {
        const QString& p = params[i];
        if (p == u"--user") {
            login.user = params.value(++i);
            userGiven = true;
        } else if (p.startsWith(QLatin1String("--user="))) {
            login.user = p.mid(7);
            userGiven = true;
        } else {
            positional << p;
        }
    }
    if (!userGiven) login.user = qEnvironmentVariable("PGUSER");
    login.database = positional.value(0);
    login.server = positional.value(1);
    return login;
}

QString builtInServer() {
    return QStringLiteral(TABEL_SERVER);
}

QString builtInConnectionString() {
    return connectionString(QStringLiteral("korvast"), builtInServer());
}

QString connectionStringFor(const Login& login, const QString& password) {
    const bool builtIn = login.server.isEmpty();
    const QString database = builtIn ? QStringLiteral("korvast") : login.database;
    const QString server = builtIn ? builtInServer() : login.server;
    if (!login.personal()) return connectionString(database, server);
    return connectionString(database, server, login.user, password);
}

QString connectionStringFor(const QStringList& params) {
    return connectionStringFor(loginOf(params));
}

const Login& currentLogin() {
    return started;
}

bool passwordWanted(const QString& connectionError) {
    return connectionError.contains(QLatin1String("no password supplied")) ||
           connectionError.contains(QLatin1String("password authentication failed")) ||
           connectionError.contains(QLatin1String("пароль не указан")) ||
           connectionError.contains(QStringLiteral("не прошёл проверку подлинности"));
}

void setupApplication(QApplication& application) {
#ifdef Q_OS_UNIX
    // Without TZ the C library looks at the zone file again for every local time it makes,
    // each timestamp a list reads; naming the same zone lets it read the file once.
    if (!qEnvironmentVariableIsSet("TZ")) qputenv("TZ", ":/etc/localtime");
#endif
    application.setQuitOnLastWindowClosed(false);
    application.setWindowIcon(QIcon(QStringLiteral(":/Icon_1")));
    application.setApplicationName(QStringLiteral("Табель"));
    if (!qobject_cast<ui::FocusFrameStyle*>(application.style()))
        application.setStyle(new ui::FocusFrameStyle);
    QLocale::setDefault(QLocale(QLocale::Russian, QLocale::Russia));
    installQtRussian(application);
}

void createForms(const QStringList& params) {
    // The data module first: the journal binds its queries to it.
    make<TDataModule6>()->ShowError = ui::error;
    make<TForm1>()->VersionCheck = checkVersion;
    started = loginOf(params);
    try {
        DataModule6->ADO_DB.close();
        DataModule6->ADO_DB.setConnectionString(connectionStringFor(started));
        bool passwordAsked = false;
        try {
            DataModule6->ADO_DB.open();
        } catch (const data::DbError& e) {
            // a person's login whose password the server wants: the login window asks it
            if (!started.personal() || !passwordWanted(e.message())) throw;
            passwordAsked = true;
        }
        // shown at once: its activation runs the version check once connected
        TForm23* login = make<TForm23>();
        if (started.personal()) login->askFor(started.user, passwordAsked);
        login->show();
        // the listening connection is made once the login window is up, not before it
        if (!passwordAsked) listenForChanges();
    } catch (...) {
        ui::message(QStringLiteral("Подключение к БД отсутсвует!!!"), QStringLiteral("Ошибка!"),
                    QMessageBox::Critical);
        terminate();
        Form1->close();
        return;
    }
    Form1->Timer1->start();
    if (terminated) return;
    // The windows of the other areas, created once and hidden, in this order.
    make<TForm2>();
    make<TForm3>();
    make<TForm4>();
    make<TForm5>();
    make<TForm7>();
    make<TForm8>();
    make<TForm9>();
    make<TForm10>();
    make<TForm11>();
    make<TForm18>();
    make<TForm19>();
    make<TForm22>();
    make<TForm24>();
    make<TForm25>();
    make<TForm26>();
    make<TForm27>();
    make<TForm28>();
    make<TForm29>();
    make<TForm30>();
    make<TForm31>();
    make<TForm32>();
    make<TForm33>();
    // the household entry picks from the reference lists, which stand above the timesheets
    timesheet::entryPicks().worker = []() -> std::optional<timesheet::Picked> {
        if (const auto worker = Form5->ShowPick(24))
            return timesheet::Picked{worker->id, worker->name};
        return std::nullopt;
    };
    timesheet::entryPicks().productClass = []() -> std::optional<timesheet::Picked> {
        Form26->ShowPick();
        if (!Form26->Picked) return std::nullopt;
        return timesheet::Picked{Form26->PickedId, Form26->PickedCaption};
    };
}

void listenForChanges() {
    QTimer::singleShot(0, &DataModule6->Changes, [] { DataModule6->Changes.listen(); });
}

void destroyForms() {
    while (!made.empty()) {
        delete made.back();
        made.pop_back();
    }
}

int run(int argc, char** argv, const char* buildDate, const char* buildTime) {
    if (argc > 1 && isT13Command({QString::fromLocal8Bit(argv[1])})) {
        // a scheduled job: no window, no version check, and no display needed: the PDF's
        // fonts are measured on the offscreen platform unless another one is asked for
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
        // the job's error output holds its one line: Qt's notes on the session (no
        // XDG_RUNTIME_DIR under cron and the like) are not for it
        const QtMessageHandler own = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext&, const QString& text) {
                if (type == QtFatalMsg) fprintf(stderr, "tabel: %s\n", qPrintable(text));
            });
        QGuiApplication application(argc, argv);
        qInstallMessageHandler(own);
        QTextStream errors(stderr);
        return runT13Command(application.arguments().mid(1), errors);
    }
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
    destroyForms();
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
