#include "data/connection.h"

#include "data/db_error.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSqlError>
#include <QSqlQuery>
#include <atomic>
#include <utility>

namespace data {

namespace {
std::atomic<int> counter{0};

QString errorText(const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.text().trimmed();
    return text;
}

// The server's refusals of what a login may not do: a right it lacks, or a rule of the
// database (a closed month, the hours of a day, acceptance) that refused the row.
bool refusedByServer(const QSqlError& e, const QString& text) {
    static const char* const marks[] = {"permission denied",         "must be owner",
                                        "row-level security",        "нет доступа",
                                        "должен быть владельцем",    "защиты на уровне строк",
                                        "изменения в нём запрещены", "может только полный доступ",
                                        "в дне не больше 24 ч"};
    if (e.nativeErrorCode().contains(QLatin1String("42501"))) return true;
    for (const char* mark : marks)
        if (text.contains(QString::fromUtf8(mark), Qt::CaseInsensitive)) return true;
    return false;
}

// A statement's error as the user is told it.
QString statementError(const QSqlError& e) {
    const QString text = errorText(e);
    return refusedByServer(e, text) ? Connection::notAllowedMessage(text) : text;
}

bool run(QSqlQuery& q, const QString& sql, const QVariantList& binds) {
    q.setForwardOnly(true);
    q.setNumericalPrecisionPolicy(QSql::HighPrecision);
    if (binds.isEmpty()) return q.exec(sql);
    if (!q.prepare(sql)) return false;
    for (const QVariant& v : binds)
        q.addBindValue(v);
    return q.exec();
}

// Driver options after the caller's own (the later of two wins): parameters are written into
// the statement by the driver, one round trip a query with nothing to release afterwards;
// an error undoes the whole transaction, as Transaction does, instead of a savepoint around
// every statement.
const QLatin1String DriverOptions(";UseServerSidePrepare=0;Protocol=7.4-1");
} // namespace

QString Connection::lostMessage() {
    return QStringLiteral("Связь с базой данных потеряна, действие не выполнено. Повторите его, "
                          "когда сервер базы данных снова будет доступен.");
}

QString Connection::notAllowedMessage(const QString& serverText) {
    // the server's own line, without the driver's additions and the trigger's context
    QString reason = serverText.section(u'\n', 0, 0).trimmed();
    static const QRegularExpression head(QStringLiteral("^(ERROR|ОШИБКА):\\s*"));
    reason.remove(head);
    if (reason.endsWith(u';')) reason.chop(1);
    return QStringLiteral("Для этой учётной записи действие не разрешено: %1. Ничего не "
                          "записано.")
        .arg(reason);
}

QString Connection::lostCommitMessage() {
    return QStringLiteral("Связь с базой данных потеряна во время записи; сохранено ли действие, "
                          "неизвестно. Проверьте данные, когда сервер базы данных снова будет "
                          "доступен.");
}

Connection::Connection()
    : name_(QStringLiteral("tabel-%1").arg(++counter)),
      copy_(QString::number(QRandomGenerator::global()->generate64(), 36)) {}

Connection::~Connection() {
    close();
    if (QSqlDatabase::contains(name_)) QSqlDatabase::removeDatabase(name_);
}

void Connection::open() {
    close();
    QSqlDatabase db = QSqlDatabase::contains(name_) ? QSqlDatabase::database(name_, false)
                                                    : QSqlDatabase::addDatabase("QODBC", name_);
    // a bare data source name takes no options
    const bool options = connectionString_.contains(u'=');
    db.setDatabaseName(options ? connectionString_ + DriverOptions : connectionString_);
    // a string that gives libpq its own connect_timeout (several servers, each tried briefly)
    // must not be given the driver's as well: the driver refuses the two together
    db.setConnectOptions(connectionString_.contains(QLatin1String("connect_timeout="))
                             ? QString()
                             : QStringLiteral("SQL_ATTR_LOGIN_TIMEOUT=10"));
    if (!db.open()) throw DbError(errorText(db.lastError()));
    depth_ = 0;
    lost_ = false;
    facts_.clear();
    serverTransaction_ = false;
    ++openings_;
}

void Connection::reopen() {
    try {
        open();
    } catch (const DbError&) {
        lost_ = true;
        throw DbError(lostMessage());
    }
}

bool Connection::reconnect() {
    try {
        open();
        return true;
    } catch (const DbError&) {
        lost_ = true;
        return false;
    }
}

bool Connection::alive() {
    QSqlQuery probe(database());
    ++trips_;
    if (depth_ > 0) serverTransaction_ = true; // the driver begins a transaction anew
    return probe.exec(QStringLiteral("select 1"));
}

void Connection::close() {
    if (!QSqlDatabase::contains(name_)) return;
    QSqlDatabase db = QSqlDatabase::database(name_, false);
    if (db.isOpen()) db.close();
    depth_ = 0;
}

bool Connection::connected() const {
    return QSqlDatabase::contains(name_) && QSqlDatabase::database(name_, false).isOpen();
}

QSqlDatabase Connection::database() const {
    if (!connected()) throw DbError(QStringLiteral("Нет подключения к базе данных"));
    return QSqlDatabase::database(name_, false);
}

QSqlQuery Connection::exec(const QString& sql, const QVariantList& binds) {
    if (lost_) {
        if (depth_ > 0) throw DbError(lostMessage()); // the transaction went with the session
        reopen();
    }
    QSqlQuery q(database());
    ++trips_;
    if (depth_ > 0) serverTransaction_ = true;
    if (!run(q, sql, binds)) {
        const QString error = statementError(q.lastError());
        if (depth_ > 0) {
            // the driver rolls the transaction back at once
            ++trips_;
            serverTransaction_ = false;
        }
        // a failed statement leaves the session usable unless the server has gone
        if (alive()) {
            statementFailed();
            throw DbError(error);
        }
        lost_ = true;
        if (depth_ > 0 && sent_ > 0) throw DbError(lostMessage());
        const int depth = depth_;
        reopen();
        if (depth > 0) {
            // nothing had been sent: the transaction begins anew on the new session
            depth_ = 0;
            beginTransaction();
            depth_ = depth;
        }
        q = QSqlQuery(database());
        ++trips_;
        if (depth_ > 0) serverTransaction_ = true;
        if (!run(q, sql, binds)) {
            if (depth_ > 0) {
                ++trips_;
                serverTransaction_ = false;
            }
            throw DbError(statementError(q.lastError()));
        }
    }
    if (depth_ > 0) ++sent_;
    return q;
}

QSqlQuery Connection::execWrite(const QStringList& statements, const QVariantList& binds,
                                qsizetype resultAt) {
    if (lost_) {
        if (depth_ > 0) throw DbError(lostMessage());
        reopen();
    }
    const bool own = depth_ == 0;
    QString text = statements.join(QStringLiteral(";\n"));
    if (own) text = QStringLiteral("begin;\n") + text + QStringLiteral(";\ncommit");
    QSqlQuery q(database());
    ++trips_;
    if (!own) serverTransaction_ = true;
    if (!run(q, text, binds)) {
        const QString error = statementError(q.lastError());
        // the driver rolls the transaction back at once
        ++trips_;
        serverTransaction_ = false;
        if (alive()) {
            statementFailed();
            throw DbError(error);
        }
        lost_ = true;
        if (own) throw CommitLost(lostCommitMessage());
        throw DbError(lostMessage());
    }
    if (depth_ > 0) ++sent_;
    // past the results of "begin" and of the statements before the one wanted
    const qsizetype wanted = resultAt < 0 ? statements.size() - 1 : resultAt;
    for (qsizetype i = own ? 0 : 1; i <= wanted; ++i)
        q.nextResult();
    return q;
}

void Connection::beginTransaction() {
    if (depth_ == 0) {
        if (lost_) reopen();
        QSqlDatabase db = database();
        if (!db.transaction()) throw DbError(errorText(db.lastError()));
        failed_ = false;
        sent_ = 0;
        serverTransaction_ = false;
    }
    ++depth_;
}

void Connection::commit() {
    if (depth_ <= 0) return;
    if (--depth_ > 0) return;
    QSqlDatabase db = database();
    const bool sends = std::exchange(serverTransaction_, false);
    if (failed_) {
        if (sends) ++trips_;
        db.rollback();
        throw DbError(QStringLiteral("Транзакция отменена"));
    }
    if (lost_) throw DbError(lostMessage());
    if (sends) ++trips_;
    if (!db.commit()) {
        const QString text = errorText(db.lastError());
        db.rollback();
        if (alive()) throw DbError(text);
        lost_ = true;
        throw CommitLost(lostCommitMessage());
    }
}

void Connection::rollback() {
    if (depth_ <= 0) return;
    if (--depth_ > 0) {
        // An inner scope failed: the outer one must not commit half of the work.
        failed_ = true;
        return;
    }
    if (connected() && !lost_) {
        if (std::exchange(serverTransaction_, false)) ++trips_;
        QSqlDatabase::database(name_, false).rollback();
    }
}

Transaction::Transaction(Connection& connection) : connection_(connection) {
    connection_.beginTransaction();
}

Transaction::~Transaction() {
    if (!done_) connection_.rollback();
}

void Transaction::commit() {
    done_ = true;
    connection_.commit();
}

} // namespace data
