#include "data/changes.h"

#include "data/connection.h"
#include "data/sql_text.h"

#include <QAtomicInt>
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace data {

namespace {
QAtomicInt counter;

const QString Channel = QLatin1String(ChangesChannel);
// How the server lists the listening sessions.
const QLatin1String ListenerName("tabel_listener");

using sql::quoted;

// The options of an ODBC connection string by upper-case key, braces taken off (a value in
// braces may hold ";" and "=", and "}}" stands for "}").
QHash<QString, QString> options(const QString& connectionString) {
    QHash<QString, QString> out;
    qsizetype i = 0;
    const qsizetype n = connectionString.size();
    while (i < n) {
        const qsizetype eq = connectionString.indexOf(u'=', i);
        if (eq < 0) break;
        const QString key = connectionString.mid(i, eq - i).trimmed().toUpper();
        QString value;
        i = eq + 1;
        if (i < n && connectionString[i] == u'{') {
            for (++i; i < n; ++i) {
                if (connectionString[i] == u'}') {
                    if (i + 1 < n && connectionString[i + 1] == u'}') {
                        value += u'}';
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += connectionString[i];
            }
            const qsizetype semi = connectionString.indexOf(u';', i);
            i = semi < 0 ? n : semi + 1;
        } else {
            const qsizetype semi = connectionString.indexOf(u';', i);
            value = connectionString.mid(i, (semi < 0 ? n : semi) - i).trimmed();
            i = semi < 0 ? n : semi + 1;
        }
        if (!key.isEmpty()) out.insert(key, value);
    }
    return out;
}
} // namespace

bool Change::touches(const QString& t, const QDate& d, int s) const {
    if (isAnything()) return true;
    if (table != t) return false;
    if (wholeMonth) return day.year() == d.year() && day.month() == d.month();
    return day == d && (shift == 0 || s == 0 || shift == s);
}

bool Change::touchesMonth(int year, int month) const {
    return isAnything() || (day.year() == year && day.month() == month);
}

QString announcement(const Connection& from, const QString& table, const QString& day,
                     const QString& shift) {
    return QStringLiteral("pg_notify(") + quoted(Channel) + u',' +
           quoted(from.copyId() + u' ' + table + u' ') + QStringLiteral("||") + day +
           QStringLiteral("||' '||") + shift + u')';
}

QString announcement(const Connection& from, const QString& table, const QDate& day, int shift) {
    return announcement(from, table, quoted(day.toString(Qt::ISODate)),
                        quoted(QString::number(shift)));
}

QString monthAnnouncement(const Connection& from, const QString& table, int year, int month) {
    return announcement(from, table,
                        quoted(QDate(year, month, 1).toString(QStringLiteral("yyyy-MM"))),
                        quoted(QStringLiteral("0")));
}

std::optional<Change> parseChange(const QString& payload) {
    const QStringList parts = payload.split(u' ');
    if (parts.size() != 4) return std::nullopt;
    Change c;
    c.copy = parts[0];
    c.table = parts[1];
    c.wholeMonth = parts[2].size() == 7;
    c.day = c.wholeMonth ? QDate::fromString(parts[2] + QStringLiteral("-01"), Qt::ISODate)
                         : QDate::fromString(parts[2], Qt::ISODate);
    bool ok = false;
    c.shift = parts[3].toInt(&ok);
    if (!c.day.isValid() || !ok) return std::nullopt;
    return c;
}

ChangeListener::ChangeListener(const Connection& own, QObject* parent)
    : QObject(parent), own_(own), name_(QStringLiteral("tabel-changes-%1").arg(++counter)) {
    qRegisterMetaType<data::Change>();
}

ChangeListener::~ChangeListener() {
    stop();
    if (QSqlDatabase::contains(name_)) QSqlDatabase::removeDatabase(name_);
}

void ChangeListener::listen(const QString& connectionString) {
    stop();
    target_ = connectionString;
    wanted_ = true;
    heard_ = false;
    open();
    // from now on a connection made again may have missed announcements
    heard_ = true;
}

void ChangeListener::stop() {
    wanted_ = false;
    if (!QSqlDatabase::contains(name_)) return;
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.close();
}

bool ChangeListener::listening() const {
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

void ChangeListener::keepListening() {
    if (!wanted_) return;
    if (listening()) {
        QSqlQuery probe(QSqlDatabase::database(name_, false));
        if (probe.exec(QStringLiteral("select 1"))) return;
        QSqlDatabase::database(name_, false).close();
    }
    open();
}

void ChangeListener::open() {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) return;
    const QHash<QString, QString> o =
        options(target_.isEmpty() ? own_.connectionString() : target_);
    QSqlDatabase db = QSqlDatabase::contains(name_)
                          ? QSqlDatabase::database(name_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name_);
    db.setHostName(o.value(QStringLiteral("SERVER")));
    db.setPort(o.value(QStringLiteral("PORT"), QStringLiteral("5432")).toInt());
    db.setDatabaseName(o.value(QStringLiteral("DATABASE")));
    db.setUserName(o.value(QStringLiteral("UID")));
    db.setPassword(o.value(QStringLiteral("PWD")));
    // a server that does not answer holds the program only briefly
    QString settings = QStringLiteral("connect_timeout=3;application_name=") + ListenerName;
    // of several servers the one that accepts writes, where the program's connection goes
    if (o.value(QStringLiteral("SERVER")).contains(u','))
        settings += QStringLiteral(";target_session_attrs=read-write");
    if (o.contains(QStringLiteral("SSLMODE")))
        settings += QStringLiteral(";sslmode=") + o.value(QStringLiteral("SSLMODE")).toLower();
    db.setConnectOptions(settings);
    if (!db.open()) return;
    QSqlDriver* driver = db.driver();
    if (!driver->subscribeToNotification(Channel)) {
        db.close();
        return;
    }
    QObject::connect(driver, &QSqlDriver::notification, this, &ChangeListener::notified,
                     Qt::UniqueConnection);
    if (heard_) emit changed(Change::anything());
}

void ChangeListener::notified(const QString& name, QSqlDriver::NotificationSource,
                              const QVariant& payload) {
    if (name != Channel) return;
    const std::optional<Change> change = parseChange(payload.toString());
    if (!change || change->copy == own_.copyId()) return;
    emit changed(*change);
}

} // namespace data
