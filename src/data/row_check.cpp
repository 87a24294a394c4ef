#include "data/row_check.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/sql_text.h"

#include <cmath>

#include <QDeadlineTimer>
#include <QThread>

namespace data {

namespace {
int reconnectWait = 15000;

bool sameValue(const QVariant& a, const QVariant& b) {
    if (a.isNull() || b.isNull()) return a.isNull() == b.isNull();
    return a == b;
}
} // namespace

QString literal(const QVariant& v) {
    if (v.isNull()) return QStringLiteral("null");
    switch (v.typeId()) {
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return v.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return std::isfinite(v.toDouble())
                   ? QString::number(v.toDouble(), 'g', 17)
                   : sql::quoted(QString::number(v.toDouble())) + QStringLiteral("::float8");
    case QMetaType::QDate:
        return QStringLiteral("date '") + v.toDate().toString(Qt::ISODate) + u'\'';
    case QMetaType::QTime:
        return QStringLiteral("time '") + v.toTime().toString(QStringLiteral("HH:mm:ss.zzz")) +
               u'\'';
    case QMetaType::QDateTime:
        return QStringLiteral("timestamp '") +
               v.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")) + u'\'';
    default:
        return sql::quoted(v.toString());
    }
}

QString sameAsSeen(const SeenRow& seen) {
    if (seen.isEmpty()) return QStringLiteral("true");
    QStringList values;
    for (const QVariant& v : seen.values)
        values << literal(v);
    return u'(' + seen.fields.join(QStringLiteral(", ")) + QStringLiteral(") is not distinct from (") +
           values.join(QStringLiteral(", ")) + u')';
}

SeenRow SeenRow::of(const Query& query, const QStringList& fields) {
    SeenRow seen;
    if (!query.active() || query.isEmpty()) return seen;
    seen.fields = fields;
    for (const QString& f : fields)
        seen.values << query.value(f);
    return seen;
}

RowNow compareRow(Query& control, const QString& select, const SeenRow& seen) {
    ClosedOnExit closer{control};
    control.close();
    control.setSql(select);
    control.open();
    if (control.isEmpty()) return RowNow::Gone;
    for (qsizetype i = 0; i < seen.fields.size(); ++i)
        if (!sameValue(control.value(seen.fields[i]), seen.values.value(i))) return RowNow::Changed;
    return RowNow::Same;
}

void setReconnectWait(int milliseconds) {
    reconnectWait = milliseconds;
}

LostCommit settleLostCommit(Connection& connection, const std::function<bool()>& landed) {
    const QDeadlineTimer deadline(reconnectWait);
    for (;;) {
        if (connection.reconnect()) {
            try {
                return landed() ? LostCommit::Saved : LostCommit::NotSaved;
            } catch (const DbError&) {
                // gone again before the answer: try once more while there is time
            }
        }
        if (deadline.hasExpired()) return LostCommit::Unknown;
        QThread::msleep(250);
    }
}

QString lostCommitText(LostCommit outcome) {
    switch (outcome) {
    case LostCommit::Saved:
        return QStringLiteral("Связь с сервером прервалась, но запись сохранена.");
    case LostCommit::NotSaved:
        return QStringLiteral("Связь с сервером прервалась, запись не сохранена.");
    case LostCommit::Unknown:
        break;
    }
    return QStringLiteral("Связь с сервером прервалась во время записи, и узнать, сохранена ли "
                          "она, не удалось: сервер недоступен. Проверьте данные, когда связь "
                          "восстановится.");
}

} // namespace data
