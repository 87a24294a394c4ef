#include "app/version.h"

#include "app/app.h"
#include "app/login_window.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "ui/dialogs.h"

#include <QTimer>

namespace app {

namespace {
QString buildDate = QStringLiteral(__DATE__);
QString buildTime = QStringLiteral(__TIME__);

int digit(const QString& s, int i) {
    if (i >= s.size() || !s[i].isDigit()) return 0; // a blank counts as 0
    return s[i].digitValue();
}
} // namespace

void setBuildStamp(const QString& date, const QString& time) {
    buildDate = date;
    buildTime = time;
}

int stampDate(const QString& compilerDate) {
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    int month = 0;
    for (int i = 0; i < 12; ++i)
        if (compilerDate.startsWith(QLatin1String(months[i]))) month = i + 1;
    const int day = digit(compilerDate, 4) * 10 + digit(compilerDate, 5);
    const QString year = compilerDate.mid(7, 4);
    return (year + QStringLiteral("%1%2")
                       .arg(month, 2, 10, QLatin1Char('0'))
                       .arg(day, 2, 10, QLatin1Char('0')))
        .toInt();
}

int stampTime(const QString& t) {
    return digit(t, 0) * 36000 + digit(t, 1) * 3600 + digit(t, 3) * 600 + digit(t, 4) * 60 +
           digit(t, 6) * 10 + digit(t, 7);
}

QString missingTableText(const QString& table) {
    const bool log = table == QLatin1String("change_log");
    return QStringLiteral("В базе данных нет таблицы %1 (accounts_dep.%2), без которой программа "
                          "не может работать. Администратору нужно один раз выполнить "
                          "sql/upgrade/%2.sql, после этого программу можно запустить.")
        .arg(log ? QStringLiteral("истории изменений") : QStringLiteral("закрытых месяцев"),
             log ? QStringLiteral("change_log") : QStringLiteral("closed_month"));
}

void checkVersion() {
    Form1->BuildDate = stampDate(buildDate);
    Form1->BuildTime = stampTime(buildTime);
    const int bd = Form1->BuildDate;
    const int bt = Form1->BuildTime;

    // a person's login: checked once connected and in one of the program's groups
    if (!DataModule6->ADO_DB.connected() || (Form23 && Form23->waitingForLogin())) return;

    data::Table& ver = *Form1->ver;
    data::ClosedOnExit closer{ver};
    // the tables the program requires beside the stamp, asked in the same exchange
    data::Query& required = DataModule6->Control;
    data::ClosedOnExit closing{required};
    // and whether this login writes the stamp: only full access does, the others compare
    required.setSql(QStringLiteral(
        "select case when to_regclass('accounts_dep.closed_month') is null then 'closed_month' "
        "when to_regclass('accounts_dep.change_log') is null then 'change_log' else '' end as "
        "missing, has_table_privilege('accounts_dep.ver', 'UPDATE') and "
        "has_table_privilege('accounts_dep.ver', 'INSERT') as stamps"));
    data::openTogether({&ver, &required});
    if (const QString missing = required.asText(QStringLiteral("missing")); !missing.isEmpty()) {
        ui::message(missingTableText(missing), QStringLiteral("Ошибка"), QMessageBox::Critical);
        terminate();
        return;
    }
    const bool stamps = required.asText(QStringLiteral("stamps")) == QLatin1String("1") ||
                        required.value(QStringLiteral("stamps")).toBool();
    ver.first();
    DataModule6->DbDelim = ver.asText("delim");
    qint64 d = ver.asInt("d");
    qint64 t = ver.asInt("t");
    if (stamps && (ver.isEmpty() || d < bd || (d == bd && t < bt))) {
        ver.edit();
        ver.setField("d", bd);
        ver.setField("t", bt);
        ver.post();
    }
    d = ver.asInt("d");
    t = ver.asInt("t");
    if (d > bd || (d == bd && t > bt)) {
        Form23->Timer1->start();
        ui::message(
            QStringLiteral("Версия программы не соответсвует БД! Запустите программу через 5 мин."),
            QStringLiteral("Ошибка"), QMessageBox::Critical);
        terminate();
    }
}

} // namespace app
