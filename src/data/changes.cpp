#include "data/changes.h"

#include "data/connection.h"
#include "data/sql_text.h"

#include <QAtomicInt>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <algorithm>
#include <utility>

namespace data {

namespace {
QAtomicInt counter;

const QString Channel = QLatin1String(ChangesChannel);
// How the server lists the listening sessions, and those probes and readings go through.
const QLatin1String ListenerName("tabel_listener");
const QLatin1String PollerName("tabel_poller");
const QLatin1String ProbeWord("probe");
// The most changes remembered as passed on; beyond it the older half is forgotten.
constexpr qsizetype PassedCap = 100000;

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
// Sets db to the server, database and role of an ODBC connection string.
void configure(QSqlDatabase& db, const QString& connectionString, QLatin1String application) {
    const QHash<QString, QString> o = options(connectionString);
    db.setHostName(o.value(QStringLiteral("SERVER")));
    db.setPort(o.value(QStringLiteral("PORT"), QStringLiteral("5432")).toInt());
    db.setDatabaseName(o.value(QStringLiteral("DATABASE")));
    db.setUserName(o.value(QStringLiteral("UID")));
    db.setPassword(o.value(QStringLiteral("PWD")));
    // a server that does not answer holds the program only briefly
    QString settings = QStringLiteral("connect_timeout=3;application_name=") + application;
    // of several servers the one that accepts writes, where the program's connection goes
    if (o.value(QStringLiteral("SERVER")).contains(u','))
        settings += QStringLiteral(";target_session_attrs=read-write");
    if (o.contains(QStringLiteral("SSLMODE")))
        settings += QStringLiteral(";sslmode=") + o.value(QStringLiteral("SSLMODE")).toLower();
    db.setConnectOptions(settings);
}

QSqlDatabase databaseNamed(const QString& name) {
    return QSqlDatabase::contains(name) ? QSqlDatabase::database(name, false)
                                        : QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
}

// A time of the server as UTC text whose order is that of the times.
QString utcText(const QString& expression) {
    return QStringLiteral("to_char((") + expression +
           QStringLiteral(") at time zone 'UTC', 'YYYY-MM-DD\"T\"HH24:MI:SS.US\"Z\"')");
}

// The statement of a probe and, with poll, of a reading of the history since the time since
// (UTC text; empty: now): the server's time, the start of the overlap, and a row for each
// change of the followed tables another copy or program made since that start.
QString exchangeStatement(const QString& copy, const QString& probe, bool poll,
                          const QString& since) {
    const QString from = (since.isEmpty() ? QStringLiteral("now()")
                                          : QStringLiteral("timestamptz ") + quoted(since)) +
                         QStringLiteral(" - interval '%1 seconds'").arg(ChangeListener::Overlap);
    QString s = QStringLiteral("select p.now, p.bound");
    if (poll)
        s += QStringLiteral(", c.id, c.at, c.table_name, c.copy, c.day, c.day_before, "
                            "c.shift, c.shift_before, c.updated");
    s += QStringLiteral(" from (select ") + utcText(QStringLiteral("now()")) +
         QStringLiteral(" as now, ") + utcText(from) + QStringLiteral(" as bound, ") + from +
         QStringLiteral(" as b");
    if (!probe.isEmpty())
        s += QStringLiteral(", pg_notify(") + quoted(Channel) + u',' + quoted(probe) +
             QStringLiteral(") as probe");
    s += QStringLiteral(") p");
    if (poll)
        s += QStringLiteral(" left join lateral (select l.id::text as id, ") +
             utcText(QStringLiteral("l.at")) +
             QStringLiteral(
                 " as at, l.table_name, l.copy, to_char(l.day, 'YYYY-MM-DD') as day, "
                 "l.before ->> (case l.table_name when 'smena' then 'data' else 'd_date' end) "
                 "as day_before, "
                 "l.after ->> (case l.table_name when 'smena' then 'smena' else 'i_smena' end) "
                 "as shift, "
                 "l.before ->> (case l.table_name when 'smena' then 'smena' else 'i_smena' end) "
                 "as shift_before, "
                 "(l.before is not null and l.after is not null) as updated "
                 "from accounts_dep.change_log l where l.at >= p.b and "
                 "l.table_name in ('smena', 'fatigue', 'h_tabel') and "
                 "l.copy is distinct from ") +
             quoted(copy) + QStringLiteral(") c on true");
    return s;
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

QString probePayload(const QString& copy, quint64 number) {
    return ProbeWord + u' ' + copy + u' ' + QString::number(number);
}

std::optional<QString> probeCopy(const QString& payload) {
    const QStringList parts = payload.split(u' ');
    if (parts.size() != 3 || parts[0] != ProbeWord || parts[1].isEmpty()) return std::nullopt;
    bool ok = false;
    parts[2].toULongLong(&ok);
    if (!ok) return std::nullopt;
    return parts[1];
}

ChangeListener::ChangeListener(const Connection& own, QObject* parent)
    : QObject(parent), own_(own) {
    const int n = ++counter;
    name_ = QStringLiteral("tabel-changes-%1").arg(n);
    pollerName_ = QStringLiteral("tabel-changes-poll-%1").arg(n);
    qRegisterMetaType<data::Change>();
    probeWait_.setSingleShot(true);
    probeWait_.setInterval(ProbeWait);
    connect(&probeWait_, &QTimer::timeout, this, &ChangeListener::becomeDeaf);
    pollTimer_.setInterval(PollInterval);
    connect(&pollTimer_, &QTimer::timeout, this, &ChangeListener::poll);
}

ChangeListener::~ChangeListener() {
    stop();
    for (const QString& name : {name_, pollerName_})
        if (QSqlDatabase::contains(name)) QSqlDatabase::removeDatabase(name);
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
    probeWait_.stop();
    pollTimer_.stop();
    since_.clear();
    passed_.clear();
    pollerRefused_ = false;
    for (const QString& name : {name_, pollerName_}) {
        if (!QSqlDatabase::contains(name)) continue;
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen()) db.close();
    }
    if (std::exchange(deaf_, false)) emit deafChanged(false);
}

bool ChangeListener::listening() const {
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

void ChangeListener::keepListening() {
    if (!wanted_) return;
    pollerRefused_ = false;
    if (listening()) {
        QSqlQuery probe(QSqlDatabase::database(name_, false));
        if (probe.exec(QStringLiteral("select 1"))) return;
        QSqlDatabase::database(name_, false).close();
    }
    open();
}

void ChangeListener::open() {
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QPSQL"))) return;
    QSqlDatabase db = databaseNamed(name_);
    configure(db, target_.isEmpty() ? own_.connectionString() : target_, ListenerName);
    bool subscribed = db.open();
    if (subscribed) {
        QSqlDriver* driver = db.driver();
        subscribed = driver->subscribeToNotification(Channel);
        if (subscribed)
            QObject::connect(driver, &QSqlDriver::notification, this, &ChangeListener::notified,
                             Qt::UniqueConnection);
        else
            db.close();
    }
    if (!subscribed) {
        // nothing can be heard: the history is read instead
        becomeDeaf();
        return;
    }
    if (heard_ && !deaf_) emit changed(Change::anything());
    // whether it hears: while deaf the next reading carries the probe
    if (!deaf_) exchange(false);
}

bool ChangeListener::openPoller() {
    QSqlDatabase db = databaseNamed(pollerName_);
    if (db.isOpen()) return true;
    if (pollerRefused_) return false;
    // the way the program's writes reach the server, whatever the listener was given
    configure(db, own_.connectionString(), PollerName);
    if (db.open()) return true;
    pollerRefused_ = true;
    return false;
}

void ChangeListener::exchange(bool poll) {
    if (!openPoller()) return;
    const bool probing = listening();
    const QString probe = probing ? probePayload(own_.copyId(), ++probes_) : QString();
    QSqlDatabase db = QSqlDatabase::database(pollerName_, false);
    QSqlQuery q(db);
    q.setForwardOnly(true);
    if (!q.exec(exchangeStatement(own_.copyId(), probe, poll, since_))) {
        // lost or refused: made again at the next reading
        db.close();
        return;
    }
    if (probing && !deaf_) probeWait_.start();
    if (!poll) return;

    QList<Change> changes;
    QSet<QString> seen; // one change of each kind and copy from one reading
    auto add = [&](const Change& c) {
        const QString key = c.copy + u' ' + c.table + u' ' + c.day.toString(Qt::ISODate) + u' ' +
                            QString::number(c.shift) + (c.wholeMonth ? u'm' : u'd');
        if (c.day.isValid() && !seen.contains(key)) {
            seen.insert(key);
            changes << c;
        }
    };
    QString bound;
    while (q.next()) {
        since_ = q.value(0).toString();
        bound = q.value(1).toString();
        const QString id = q.value(2).toString();
        if (id.isEmpty() || passed_.contains(id)) continue;
        passed_.insert(id, q.value(3).toString());
        Change c;
        c.table = q.value(4).toString();
        c.copy = q.value(5).toString();
        c.day = QDate::fromString(q.value(6).toString(), Qt::ISODate);
        if (c.table == QLatin1String("h_tabel")) {
            c.wholeMonth = true;
            c.day = QDate(c.day.year(), c.day.month(), 1);
            add(c);
            continue;
        }
        const QVariant dayBefore = q.value(7), shift = q.value(8), shiftBefore = q.value(9);
        const bool updated = q.value(10).toBool();
        // an addition or deletion holds the whole row; a change only what it changed
        c.shift = !shift.isNull() ? shift.toInt() : updated ? 0 : shiftBefore.toInt();
        add(c);
        if (updated && (!dayBefore.isNull() || !shiftBefore.isNull())) {
            if (!dayBefore.isNull()) c.day = QDate::fromString(dayBefore.toString(), Qt::ISODate);
            c.shift = shiftBefore.isNull() ? 0 : shiftBefore.toInt();
            add(c);
        }
    }
    // what lies before the overlap is not read again
    if (!bound.isEmpty())
        passed_.removeIf([&](QHash<QString, QString>::iterator i) { return i.value() < bound; });
    if (passed_.size() > PassedCap) {
        QList<QString> times = passed_.values();
        const auto middle = times.begin() + times.size() / 2;
        std::nth_element(times.begin(), middle, times.end());
        const QString oldest = *middle;
        passed_.removeIf([&](QHash<QString, QString>::iterator i) { return i.value() < oldest; });
    }
    for (const Change& c : changes)
        emit changed(c);
}

void ChangeListener::poll() {
    if (wanted_ && deaf_) exchange(true);
}

void ChangeListener::becomeDeaf() {
    if (!wanted_ || deaf_) return;
    deaf_ = true;
    emit deafChanged(true);
    pollTimer_.start();
    poll();
}

void ChangeListener::heardProbe() {
    probeWait_.stop();
    // the poller is needed again only for the next probe
    if (QSqlDatabase::contains(pollerName_)) QSqlDatabase::database(pollerName_, false).close();
    if (!std::exchange(deaf_, false)) return;
    // the listening began before the reading that carried the probe: nothing falls between
    pollTimer_.stop();
    since_.clear();
    passed_.clear();
    emit deafChanged(false);
}

void ChangeListener::notified(const QString& name, QSqlDriver::NotificationSource,
                              const QVariant& payload) {
    if (name != Channel) return;
    const QString text = payload.toString();
    if (const std::optional<QString> copy = probeCopy(text)) {
        if (*copy == own_.copyId()) heardProbe();
        return;
    }
    const std::optional<Change> change = parseChange(text);
    if (!change || change->copy == own_.copyId()) return;
    emit changed(*change);
}

} // namespace data
