#include "data/row_check.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"

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
