#include "data/rights.h"

#include "data/query.h"

namespace data {

namespace {
Role current = Role::None;
}

void setRole(Role role) {
    current = role;
}

Role role() {
    return current;
}

bool mayChangePay() {
    return current == Role::Full || current == Role::DataEntry;
}

bool mayAccept() {
    return current == Role::Full;
}

QString groupOf(Role role) {
    switch (role) {
    case Role::Full:
        return QStringLiteral("tabel_full");
    case Role::DataEntry:
        return QStringLiteral("tabel_entry");
    case Role::ReportOnly:
        return QStringLiteral("tabel_report");
    case Role::ReadOnly:
        return QStringLiteral("tabel_read");
    case Role::None:
        break;
    }
    return {};
}

Role loginRole(Query& query) {
    // a group missing from the server is no error: the login simply is not in it
    const QVariant group = lookupIn(
        query,
        QStringLiteral("select case when (select rolsuper from pg_roles where "
                       "rolname=current_user) then 'tabel_full' else (select rolname from "
                       "pg_roles where rolname in ('tabel_full', 'tabel_entry', 'tabel_report', "
                       "'tabel_read') and pg_has_role(current_user, oid, 'MEMBER') order by case "
                       "rolname when 'tabel_full' then 1 when 'tabel_entry' then 2 when "
                       "'tabel_report' then 3 else 4 end limit 1) end as rolname"),
        QStringLiteral("rolname"));
    for (Role r : {Role::Full, Role::DataEntry, Role::ReportOnly, Role::ReadOnly})
        if (group.toString() == groupOf(r)) return r;
    return Role::None;
}

NotAllowed::NotAllowed()
    : DbError(QStringLiteral("Недостаточно прав: с этим входом данные можно только смотреть.")) {}

void requirePayRights() {
    if (!mayChangePay()) throw NotAllowed();
}

void requireAcceptRights() {
    if (!mayAccept())
        throw DbError(QStringLiteral("Принимать записи может только пользователь с полным "
                                     "доступом."));
}

} // namespace data
