#include "data/write_engine.h"

#include "data/connection.h"
#include "data/db_error.h"
#include "data/query.h"
#include "data/rights.h"
#include "data/sql_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSysInfo>
#include <algorithm>

Q_LOGGING_CATEGORY(writeStatements, "tabel.writes", QtWarningMsg)

namespace data {

using sql::integer;

namespace {

// The engine's own refusals, below the writers' codes (which count from 1 in the statement).
enum : int { RowGone = -1, RowChanged = -2, MonthShut = -3 };

const QString Gate = QStringLiteral("exists (select 1 from passed)");

// The column a listed part's rows come back in, as one JSON array.
QString listedColumn(const QString& part) {
    return QStringLiteral("rows of ") + part;
}

// Each key is a 64-bit hash of a text naming the table, so the locks cannot meet the advisory
// locks other programs of the shared database take. The server evaluates a select list from
// left to right, so the locks are taken in the order listed.
QString lockStatement(const WritePlan& plan) {
    QStringList calls;
    auto lock = [&](const QString& key, bool shared) {
        calls << QStringLiteral("%1(hashtextextended(%2, 0)) is null as l%3")
                     .arg(shared ? QStringLiteral("pg_advisory_xact_lock_shared")
                                 : QStringLiteral("pg_advisory_xact_lock"),
                          sql::quoted(key))
                     .arg(calls.size());
    };
    for (const auto& [year, month] : plan.months)
        lock(monthLockKey(year, month), !plan.exclusiveMonths);
    QStringList rows = plan.rowLocks;
    rows.sort();
    rows.removeDuplicates();
    for (const QString& key : rows)
        lock(key, false);
    return calls.isEmpty() ? QString() : QStringLiteral("select ") + calls.join(QStringLiteral(", "));
}

QString partStatement(const WritePart& p) {
    const QString condition = p.where.isEmpty() ? Gate : u'(' + p.where + QStringLiteral(") and ") + Gate;
    QString text = p.head;
    if (!p.select.isEmpty()) text += QStringLiteral(" select ") + p.select;
    text += QStringLiteral(" where ") + condition;
    if (!p.tail.isEmpty()) text += u' ' + p.tail;
    if (!p.returning.isEmpty()) text += QStringLiteral(" returning ") + p.returning;
    return text;
}

QString checkedStatement(const WritePlan& plan) {
    QStringList columns;
    QStringList cases;
    if (plan.row) {
        const SeenTarget& r = *plan.row;
        const QString where = QStringLiteral(" where id=") + integer(r.id);
        columns << QStringLiteral("(select count(*) from ") + r.table + where +
                       QStringLiteral(") as found");
        cases << QStringLiteral("when found=0 then ") + integer(RowGone);
        if (!r.seen.isEmpty()) {
            const QString fields = r.columns.isEmpty() ? r.seen.fields.join(u',') : r.columns;
            columns << QStringLiteral("(select count(*) from (select ") + fields +
                           QStringLiteral(" from ") + r.table + where + QStringLiteral(") r where ") +
                           sameAsSeen(r.seen) + QStringLiteral(") as same");
            cases << QStringLiteral("when same=0 then ") + integer(RowChanged);
        }
    }
    columns << closedMonthExpression(plan.months) + QStringLiteral(" as closed");
    if (!plan.intoClosedMonth)
        cases << QStringLiteral("when closed is not null then ") + integer(MonthShut);
    columns << plan.columns;
    for (size_t i = 0; i < plan.refusals.size(); ++i)
        cases << QStringLiteral("when ") + plan.refusals[i].condition + QStringLiteral(" then ") +
                     integer(qint64(i) + 1);

    QStringList parts = plan.with;
    parts << QStringLiteral("checked as (select *, case ") + cases.join(u' ') +
                 QStringLiteral(" else 0 end as refusal from (select ") +
                 columns.join(QStringLiteral(", ")) + QStringLiteral(") c)")
          << QStringLiteral("passed as (select 1 from checked where refusal=0)");
    for (size_t i = 0; i < plan.parts.size(); ++i) {
        const WritePart& p = plan.parts[i];
        parts << (p.name.isEmpty() ? QStringLiteral("w") + integer(qint64(i)) : p.name) +
                     QStringLiteral(" as (") + partStatement(p) + u')';
    }
    QStringList told;
    for (qsizetype i = 0; i < plan.announcements.size(); ++i)
        told << QStringLiteral("(select count(*) from (") + plan.announcements[i] +
                    QStringLiteral(") a") + integer(i) + u')';
    QString counts;
    for (const QString& part : plan.counted)
        counts += QStringLiteral("(select count(*) from ") + part + QStringLiteral(") as ") + part +
                  QStringLiteral(", ");
    for (const ListedPart& l : plan.listed)
        counts += QStringLiteral("(select coalesce(json_agg(r") +
                  (l.order.isEmpty() ? QString() : QStringLiteral(" order by ") + l.order) +
                  QStringLiteral("), '[]')::text from ") + l.part + QStringLiteral(" r) as \"") +
                  listedColumn(l.part) + QStringLiteral("\", ");
    return QStringLiteral("with ") + parts.join(QStringLiteral(", ")) +
           QStringLiteral(" select checked.*, ") + counts +
           (told.isEmpty() ? QStringLiteral("0") : told.join(QStringLiteral(" + "))) +
           QStringLiteral(" as told from checked");
}

WriteOutcome decided(const Query& checked, const WritePlan& plan) {
    WriteOutcome out;
    for (const QString& f : checked.fieldNames())
        out.values.insert(f, checked.value(f));
    for (const ListedPart& l : plan.listed) {
        const QString column = listedColumn(l.part);
        const QJsonArray array =
            QJsonDocument::fromJson(out.values.take(column).toString().toUtf8()).array();
        QList<QVariantMap>& rows = out.rows[l.part];
        for (const QJsonValue& row : array)
            rows << row.toObject().toVariantMap();
    }
    out.closed = closedMonthOf(checked.asInt(QStringLiteral("closed")));
    const qint64 code = checked.asInt(QStringLiteral("refusal"));
    using S = WriteOutcome::Status;
    if (code == 0)
        out.status = S::Written;
    else if (code == RowGone)
        out.status = S::Gone;
    else if (code == RowChanged)
        out.status = S::Changed;
    else if (code == MonthShut)
        out.status = S::MonthClosed;
    else if (code >= 1 && size_t(code) <= plan.refusals.size()) {
        out.status = S::Refused;
        out.refusal = plan.refusals[size_t(code) - 1].code;
    } else
        throw DbError(QStringLiteral("Непонятный ответ сервера на запись: %1").arg(code));
    return out;
}

} // namespace

WritePart WritePart::insert(const QString& table, const QString& columns, const QString& select,
                            const QString& where, const QString& returning) {
    WritePart p;
    p.head = QStringLiteral("insert into ") + table + u'(' + columns + u')';
    p.select = select;
    p.where = where;
    p.returning = returning;
    return p;
}

WritePart WritePart::update(const QString& table, const QString& set, const QString& where,
                            const QString& returning) {
    WritePart p;
    p.head = QStringLiteral("update ") + table + QStringLiteral(" set ") + set;
    p.where = where;
    p.returning = returning;
    return p;
}

WritePart WritePart::remove(const QString& table, const QString& where,
                            const QString& returning) {
    WritePart p;
    p.head = QStringLiteral("delete from ") + table;
    p.where = where;
    p.returning = returning;
    return p;
}

QString monthLockKey(int year, int month) {
    return QStringLiteral("accounts_dep.h_tabel/month/%1/%2").arg(year).arg(month);
}

QString workerLockKey(qint64 worker) {
    return QStringLiteral("accounts_dep.person/%1").arg(worker);
}

QString announceOnce(const QString& notify) {
    return QStringLiteral("select ") + notify + QStringLiteral(" from passed");
}

QString announceEach(const QString& notify, const QString& part) {
    return QStringLiteral("select ") + notify + QStringLiteral(" from ") + part;
}

QString closedMonthExpression(const std::set<std::pair<int, int>>& months) {
    if (months.empty()) return QStringLiteral("null::int");
    QStringList keys;
    for (const auto& [year, month] : months)
        keys << QStringLiteral("(%1, %2)").arg(year).arg(month);
    return QStringLiteral("(select year * 100 + month from accounts_dep.closed_month where (year, "
                          "month) in (") +
           keys.join(QStringLiteral(", ")) + QStringLiteral(") order by year, month limit 1)");
}

ClosedMonth closedMonthOf(qint64 yearMonth) {
    if (yearMonth <= 0) return {};
    return {int(yearMonth / 100), int(yearMonth % 100)};
}

QString writerNames() {
    QString access;
    switch (role()) {
    case Role::Full:
        access = QStringLiteral("полный доступ");
        break;
    case Role::DataEntry:
        access = QStringLiteral("ввод данных");
        break;
    case Role::ReportOnly:
        access = QStringLiteral("отчёты");
        break;
    case Role::ReadOnly:
        access = QStringLiteral("просмотр");
        break;
    case Role::None:
        break;
    }
    QStringList names{access, QSysInfo::machineHostName(), computerUser()};
    for (QString& n : names) n.remove(u'|');
    return names.join(u'|');
}

QString computerUser() {
    QString user = qEnvironmentVariable("USER");
    if (user.isEmpty()) user = qEnvironmentVariable("USERNAME");
    return user;
}

QString writerStatement(const QString& action, const QString& copy) {
    QString who = writerNames();
    if (!copy.isEmpty()) who += u'|' + QString(copy).remove(u'|');
    QString s = QStringLiteral("select set_config('tabel.who', ") + sql::quoted(who) +
                QStringLiteral(", true)");
    if (!action.isEmpty())
        s += QStringLiteral(", set_config('tabel.action', ") + sql::quoted(action) +
             QStringLiteral(", true)");
    return s;
}

WriteOutcome write(Query& control, const WritePlan& plan) {
    QStringList statements{writerStatement(plan.action, control.connection().copyId())};
    if (plan.row)
        statements << QStringLiteral("select 1 from ") + plan.row->table +
                          QStringLiteral(" where id=") + integer(plan.row->id) +
                          QStringLiteral(" for update");
    if (const QString locks = lockStatement(plan); !locks.isEmpty()) statements << locks;
    statements << checkedStatement(plan);
    if (writeStatements().isDebugEnabled())
        for (const QString& s : statements)
            qCDebug(writeStatements).noquote() << s;
    ClosedOnExit closing{control};
    try {
        control.openWrite(statements, plan.alsoRead);
    } catch (const CommitLost&) {
        WriteOutcome out;
        const LostCommit lost = plan.landed ? settleLostCommit(control.connection(), plan.landed)
                                            : LostCommit::Unknown;
        out.status = lost == LostCommit::Saved      ? WriteOutcome::Status::LostSaved
                     : lost == LostCommit::NotSaved ? WriteOutcome::Status::LostNotSaved
                                                    : WriteOutcome::Status::LostUnknown;
        qCDebug(writeStatements) << "answer lost, settled as" << int(out.status);
        return out;
    }
    WriteOutcome out = decided(control, plan);
    qCDebug(writeStatements) << "outcome" << int(out.status) << "refusal" << out.refusal;
    return out;
}

} // namespace data
