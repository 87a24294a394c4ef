#include "data/connection.h"

#include "data/db_error.h"

#include <QSqlError>
#include <QSqlQuery>
#include <atomic>

namespace data {

namespace {
std::atomic<int> counter{0};

QString errorText(const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty()) text = e.text().trimmed();
    return text;
}

// Driver options after the caller's own (the later of two wins): parameters are written into
// the statement by the driver, one round trip a query with nothing to release afterwards;
// an error undoes the whole transaction, as Transaction does, instead of a savepoint around
// every statement.
const QLatin1String DriverOptions(";UseServerSidePrepare=0;Protocol=7.4-1");
} // namespace

Connection::Connection() : name_(QStringLiteral("tabel-%1").arg(++counter)) {}

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
    db.setConnectOptions("SQL_ATTR_LOGIN_TIMEOUT=10");
    if (!db.open()) throw DbError(errorText(db.lastError()));
    depth_ = 0;
    execDirect("SET DateStyle TO 'ISO, DMY'");
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

void Connection::execDirect(const QString& sql) {
    QSqlQuery q(database());
    if (!q.exec(sql)) {
        statementFailed();
        throw DbError(errorText(q.lastError()));
    }
}

void Connection::beginTransaction() {
    if (depth_ == 0) {
        QSqlDatabase db = database();
        if (!db.transaction()) throw DbError(errorText(db.lastError()));
        failed_ = false;
    }
    ++depth_;
}

void Connection::commit() {
    if (depth_ <= 0) return;
    if (--depth_ > 0) return;
    QSqlDatabase db = database();
    if (failed_) {
        db.rollback();
        throw DbError(QStringLiteral("Транзакция отменена"));
    }
    if (!db.commit()) {
        const QString text = errorText(db.lastError());
        db.rollback();
        throw DbError(text);
    }
}

void Connection::rollback() {
    if (depth_ <= 0) return;
    if (--depth_ > 0) {
        // An inner scope failed: the outer one must not commit half of the work.
        failed_ = true;
        return;
    }
    if (connected()) QSqlDatabase::database(name_, false).rollback();
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
