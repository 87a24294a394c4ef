#include "data/change_history.h"

#include "data/query.h"
#include "data/sql_text.h"
#include "data/texts.h"

#include <QJsonDocument>
#include <QJsonValue>
#include <utility>

namespace data {

namespace {

using Fields = std::vector<std::pair<QString, QString>>;

// The columns a reader knows, in the order the history shows them.
const Fields& fieldsOf(const QString& table) {
    static const Fields smena{{"data", "Дата"},      {"smena", "Смена"},   {"w_id", "Работник"},
                              {"i_id", "Изделие"},   {"o_id", "Операция"}, {"color", "Цвет"},
                              {"time", "Часы"},      {"kol_vo", "Кол-во"}, {"brak", "Брак"},
                              {"cena", "Цена"},      {"prize", "Премия"},  {"ok", "Принята"}};
    static const Fields fatigue{{"d_date", "Дата"},    {"i_smena", "Смена"},
                                {"id_p", "Работник"},  {"id_o", "Операция"},
                                {"id_nom", "Класс"},   {"cnt", "Часы"},
                                {"price", "Цена"},     {"i_holiday", "Выходной"},
                                {"i_night", "Ночная"}};
    static const Fields closed{{"closed_by", "Закрыл"}, {"closed_at", "Когда"}};
    static const Fields calendar{{"b_holiday", "Праздник"},
                                 {"b_day_off", "Выходной"},
                                 {"b_work_day", "Рабочий"},
                                 {"b_short", "Сокращённый"}};
    static const Fields timesheet = [] {
        Fields f{{"w_id", "Работник"}, {"year", "Год"},    {"month", "Месяц"},
                 {"smena", "Смена"},   {"i_type", "Вид"}, {"i_night", "Ночная"}};
        for (int d = 1; d <= 31; ++d)
            f.emplace_back(QStringLiteral("d%1").arg(d), QStringLiteral("%1 число").arg(d));
        return f;
    }();
    static const Fields none;
    if (table == QLatin1String("smena")) return smena;
    if (table == QLatin1String("fatigue")) return fatigue;
    if (table == QLatin1String("h_tabel")) return timesheet;
    if (table == QLatin1String("closed_month")) return closed;
    if (table == QLatin1String("production_calendar")) return calendar;
    return none;
}

QString valueText(const QString& column, const QJsonValue& v, const QJsonObject& names = {}) {
    if (v.isNull() || v.isUndefined()) return QStringLiteral("пусто");
    // a worker, product or operation by its name
    const QString key =
        column + u':' + (v.isDouble() ? QString::number(v.toDouble(), 'g', 15) : v.toString());
    if (names.contains(key)) return names.value(key).toString();
    if (v.isBool()) return v.toBool() ? QStringLiteral("да") : QStringLiteral("нет");
    if (v.isDouble()) {
        const double d = v.toDouble();
        return QString::number(d, 'g', 15);
    }
    QString s = v.toString();
    if (column == QLatin1String("ok"))
        return s == QLatin1String("no") ? QStringLiteral("нет") : QStringLiteral("да");
    // a date, or a time of day after it
    const QDate day = QDate::fromString(s.left(10), Qt::ISODate);
    if (day.isValid() && (s.size() == 10 || s[10] == u'T'))
        return text::date(day) +
               (s.size() > 10 ? u' ' + s.mid(11, 5) : QString());
    return s;
}

QJsonObject objectOf(const QString& text) {
    return QJsonDocument::fromJson(text.toUtf8()).object();
}

// The names of the workers, products and operations a row refers to, by "column:value".
QString namesColumn() {
    auto values = [](const QString& columns) {
        QStringList v;
        for (const QString& c : columns.split(u','))
            v << QStringLiteral("('%1', before->>'%1'), ('%1', after->>'%1')").arg(c);
        return QStringLiteral("(values ") + v.join(QStringLiteral(", ")) +
               QStringLiteral(") t(k, x) where x is not null");
    };
    return QStringLiteral("(select jsonb_object_agg(k || ':' || x, n) from (select k, x, (select "
                          "min(p.s_caption) from cmn_contractor.person p where p.id::text=x or ") +
           sql::personCode(QStringLiteral("p")) + QStringLiteral("::text=x) n from ") +
           values(QStringLiteral("w_id,id_p")) +
           QStringLiteral(" union all select k, x, (select min(z.marka) from accounts_dep.izdel z "
                          "where z.id::text=x) from ") +
           values(QStringLiteral("i_id")) +
           QStringLiteral(" union all select k, x, (select min(v.vid) from accounts_dep.oper o "
                          "join accounts_dep.vid_oper v on v.id=o.vid where o.id::text=x) from ") +
           values(QStringLiteral("o_id,id_o")) +
           QStringLiteral(") named where n is not null)::text names_text");
}

const QString Columns = QStringLiteral(
    "to_char(at, 'DD.MM.YYYY HH24:MI:SS') at_text, table_name, row_id, action, before::text "
    "before_text, after::text after_text, login, access, computer, os_user, ") + namesColumn();

} // namespace

void setRowHistory(Query& query, const QString& table, qint64 rowId) {
    query.close();
    query.setSql(QStringLiteral("select ") + Columns +
                 QStringLiteral(" from accounts_dep.change_log where table_name=") +
                 sql::quoted(table) + QStringLiteral(" and row_id=") +
                 sql::quoted(QString::number(rowId)) +
                 QStringLiteral(" order by logged desc"));
}

void setDeletedRecords(Query& query, const QDate& day) {
    query.close();
    query.setSql(QStringLiteral("select ") + Columns +
                 QStringLiteral(" from accounts_dep.change_log l where table_name='smena' and "
                                "action='deleted' and day=") +
                 sql::toDate(day) +
                 QStringLiteral(" and not exists (select 1 from accounts_dep.smena s where "
                                "s.id::text=l.row_id) order by logged desc"));
}

void setChanges(Query& query, const ChangeFilter& f) {
    query.close();
    QString where = QStringLiteral(" where at >= ") + sql::toDate(f.from) +
                    QStringLiteral(" and at < ") + sql::toDate(f.to.addDays(1));
    if (!f.login.isEmpty()) where += QStringLiteral(" and login=") + sql::quoted(f.login);
    if (!f.action.isEmpty()) where += QStringLiteral(" and action=") + sql::quoted(f.action);
    if (!f.table.isEmpty()) where += QStringLiteral(" and table_name=") + sql::quoted(f.table);
    query.setSql(QStringLiteral("select ") + Columns +
                 QStringLiteral(" from accounts_dep.change_log") + where +
                 QStringLiteral(" order by logged desc"));
}

void setLogins(Query& query) {
    query.close();
    query.setSql(QStringLiteral("select distinct login from accounts_dep.change_log order by login"));
}

const QStringList& historyActions() {
    static const QStringList actions{"added",  "changed", "deleted", "accepted", "unaccepted",
                                     "priced", "rebuilt", "closed",  "opened"};
    return actions;
}

const QStringList& historyTables() {
    static const QStringList tables{"smena", "fatigue",  "h_tabel",      "closed_month",
                                    "production_calendar", "person", "vid_oper", "oper",
                                    "norm",  "gds_and_srv"};
    return tables;
}

QString tableText(const QString& table) {
    static const std::vector<std::pair<QString, QString>> texts{
        {"smena", "Записи смен"},        {"fatigue", "Хоз. работы и ср.сд."},
        {"h_tabel", "Табель"},           {"closed_month", "Закрытые месяцы"},
        {"production_calendar", "Производственный календарь"},
        {"person", "Рабочие"},           {"vid_oper", "Виды операций"},
        {"oper", "Операции"},            {"norm", "Нормы"},
        {"gds_and_srv", "Изделия"}};
    for (const auto& [key, text] : texts)
        if (key == table) return text;
    return table;
}

std::vector<HistoryEntry> historyEntries(Query& query) {
    std::vector<HistoryEntry> out;
    for (query.first(); !query.eof(); query.next()) {
        HistoryEntry e;
        e.at = query.asText(QStringLiteral("at_text"));
        e.table = query.asText(QStringLiteral("table_name"));
        e.rowId = query.asText(QStringLiteral("row_id"));
        e.action = query.asText(QStringLiteral("action"));
        e.before = objectOf(query.asText(QStringLiteral("before_text")));
        e.after = objectOf(query.asText(QStringLiteral("after_text")));
        e.login = query.asText(QStringLiteral("login"));
        e.access = query.asText(QStringLiteral("access"));
        e.computer = query.asText(QStringLiteral("computer"));
        e.user = query.asText(QStringLiteral("os_user"));
        e.names = objectOf(query.asText(QStringLiteral("names_text")));
        out.push_back(std::move(e));
    }
    return out;
}

QString actionText(const QString& action) {
    static const std::vector<std::pair<QString, QString>> texts{
        {"added", "Добавление"},         {"changed", "Изменение"},
        {"deleted", "Удаление"},         {"accepted", "Принятие"},
        {"unaccepted", "Снятие принятия"}, {"priced", "Пересчёт цены"},
        {"rebuilt", "Перестроение"},     {"closed", "Закрытие месяца"},
        {"opened", "Открытие месяца"}};
    for (const auto& [key, text] : texts)
        if (key == action) return text;
    return action;
}

QString whoText(const HistoryEntry& e) {
    QStringList parts{e.login};
    for (const QString& p : {e.access, e.computer, e.user})
        if (!p.isEmpty()) parts << p;
    return parts.join(QStringLiteral(", "));
}

QString fieldName(const QString& table, const QString& column) {
    for (const auto& [key, name] : fieldsOf(table))
        if (key == column) return name;
    return {};
}

QStringList changeLines(const HistoryEntry& e) {
    QStringList lines;
    const bool added = e.before.isEmpty();
    const bool deleted = e.after.isEmpty();
    for (const auto& [column, name] : fieldsOf(e.table)) {
        const bool was = e.before.contains(column);
        const bool is = e.after.contains(column);
        if (!was && !is) continue;
        // a whole row shows only what it holds
        if ((added && e.after.value(column).isNull()) ||
            (deleted && e.before.value(column).isNull()))
            continue;
        if (added)
            lines << name + QStringLiteral(": ") + valueText(column, e.after.value(column), e.names);
        else if (deleted)
            lines << name + QStringLiteral(": ") + valueText(column, e.before.value(column), e.names);
        else
            lines << name + QStringLiteral(": ") + valueText(column, e.before.value(column), e.names) +
                         QStringLiteral(" → ") + valueText(column, e.after.value(column), e.names);
    }
    return lines;
}

} // namespace data
