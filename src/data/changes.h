// Changes other copies of the program make, announced and heard.
//
// A write that changes shift records, entries or timesheet rows calls pg_notify inside its
// own statement, so the announcement costs no round trip of its own and is delivered only
// when the write commits. Its payload is "<copy> <table> <day> <shift>": the writing
// connection's copyId(), the table ("smena", "fatigue", "h_tabel"), the day as YYYY-MM-DD
// or a whole month as YYYY-MM, and the shift (0: any).
//
// Each copy listens on a connection of its own through Qt's PostgreSQL driver (the ODBC
// driver receives no notifications), to the server, database and role of the program's
// connection. When that connection cannot be made or is lost the program works as before;
// keepListening(), run at the version check's tick, tries again quietly.
//
// A listening connection may hear nothing: behind a pooler that hands each transaction
// another server session, LISTEN stays with a session nobody reads. So the listener sends a
// probe of its own when it has begun to listen, through a second connection that reaches
// the server the way the program's writes do (its own would be handed back the listening
// session and hear itself). When the probe has not come back within ProbeWait the listener
// is deaf: it then reads the changes other copies wrote from the history of changes every
// PollInterval, in one statement that also carries the next probe, and passes them on as it
// would pass on what it hears, until a probe comes back.
#pragma once

#include <QDate>
#include <QHash>
#include <QObject>
#include <QSqlDriver>
#include <QString>
#include <QTimer>
#include <optional>

namespace data {

class Connection;

// The channel every copy announces on and listens to.
inline constexpr char ChangesChannel[] = "tabel_changes";

struct Change {
    QString copy;  // copyId() of the connection that wrote
    QString table; // "smena", "fatigue", "h_tabel"; "*" for anything (heard again after a loss)
    QDate day;     // the day, or the first of the month for a whole month
    bool wholeMonth = false;
    int shift = 0; // 1..4; 0 for any

    static Change anything() { return {QString(), QStringLiteral("*"), QDate(), false, 0}; }
    bool isAnything() const { return table == QLatin1String("*"); }
    // Whether the change may touch what a window shows of table on day (and shift, 0: any).
    bool touches(const QString& table, const QDate& day, int shift = 0) const;
    // Whether it may touch the month, in any table.
    bool touchesMonth(int year, int month) const;
};

// The pg_notify call announcing a change of table by the copy of `from`; day and shift are
// SQL expressions of text (a day as YYYY-MM-DD, a month as YYYY-MM, a shift number).
QString announcement(const Connection& from, const QString& table, const QString& day,
                     const QString& shift);
// The same for a day and shift the writer knows.
QString announcement(const Connection& from, const QString& table, const QDate& day, int shift = 0);
// The same for a whole month.
QString monthAnnouncement(const Connection& from, const QString& table, int year, int month);

// The change a payload describes; none when it is not one (a probe is none).
std::optional<Change> parseChange(const QString& payload);

// The payload of a copy's probe: "probe <copy> <number>".
QString probePayload(const QString& copy, quint64 number);
// The copy that sent a probe payload; none when it is not one.
std::optional<QString> probeCopy(const QString& payload);

// Listens for the changes of other copies; the copy's own are not passed on.
class ChangeListener : public QObject {
    Q_OBJECT
public:
    // How long a probe may take to come back, ms.
    static constexpr int ProbeWait = 1000;
    // How often a deaf listener reads the history, ms.
    static constexpr int PollInterval = 2000;
    // How far each reading reaches back before the previous one, s: a write whose
    // transaction began earlier and committed after that reading is still found. Changes
    // passed on within it are remembered and not passed on again.
    static constexpr int Overlap = 120;

    explicit ChangeListener(const Connection& own, QObject* parent = nullptr);
    ~ChangeListener() override;

    // Starts listening on the server, database, port and role of an ODBC connection string
    // such as the program's (empty: the own connection's). Quiet: a failure only leaves it
    // not listening.
    void listen(const QString& connectionString = QString());
    // Makes the listening connection again when it could not be made or has been lost.
    // After a loss it passes on Change::anything(), as announcements may have been missed.
    void keepListening();
    void stop();
    // The listening connection is open (it may still be deaf).
    bool listening() const;
    // Nothing is heard: the changes come from reading the history.
    bool deaf() const { return deaf_; }
    // A probe is on its way and ProbeWait has not passed.
    bool probing() const { return probeWait_.isActive(); }
    // Reads the history once for the changes since the last reading (and probes, when the
    // listening connection is open); run every PollInterval while deaf. Quiet on failure.
    void poll();

signals:
    void changed(const data::Change& change);
    void deafChanged(bool deaf);

private:
    void open();
    bool openPoller();
    // Sends a probe, with a reading of the history when poll.
    void exchange(bool poll);
    void heardProbe();
    void becomeDeaf();
    void notified(const QString& name, QSqlDriver::NotificationSource source,
                  const QVariant& payload);

    const Connection& own_;
    QString name_;       // of the Qt connection
    QString pollerName_; // of the Qt connection probes and readings go through
    QString target_;     // the connection string listened with
    bool wanted_ = false;
    bool heard_ = false; // listened before: a new connection may have missed announcements
    bool deaf_ = false;
    bool pollerRefused_ = false; // tried again at keepListening(), not at every reading
    quint64 probes_ = 0;
    QTimer probeWait_;
    QTimer pollTimer_;
    QString since_;                  // the server's time of the last reading (UTC text)
    QHash<QString, QString> passed_; // the changes passed on within the overlap: id → time
};

} // namespace data

Q_DECLARE_METATYPE(data::Change)
