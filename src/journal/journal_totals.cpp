#include "journal/journal_totals.h"

#include "data/query.h"
#include "data/texts.h"

#include <cmath>

namespace journal {

QString searchKey(const QString& text) {
    QString key = text.trimmed().toLower();
    key.replace(QChar(u'ё'), QChar(u'е'));
    return key;
}

bool nameHolds(const QString& name, const QString& part) {
    const QString key = searchKey(part);
    return key.isEmpty() || searchKey(name).contains(key);
}

void showWorker(data::Query& query, const QString& part) {
    const QString key = searchKey(part);
    if (key.isEmpty()) {
        if (query.hasRowTest()) query.setRowTest({});
        return;
    }
    query.setRowTest([key](const data::Query::FieldOf& field) {
        return searchKey(field(QStringLiteral("fio")).toString()).contains(key);
    });
}

QString Totals::text() const {
    return QStringLiteral("Записей: %1   Кол-во: %2   Брак: %3   Часы: %4   Сумма: %5 р.")
        .arg(records)
        .arg(data::text::general(pieces))
        .arg(rejects)
        .arg(hours)
        .arg(data::text::money(double(kopecks) / 100));
}

Totals shownTotals(const data::Query& query) {
    Totals t;
    if (!query.active()) return t;
    const int pieces = query.fieldIndex(QStringLiteral("kol_vo"));
    const int rejects = query.fieldIndex(QStringLiteral("brak"));
    const int hours = query.fieldIndex(QStringLiteral("time"));
    const int sum = query.fieldIndex(QStringLiteral("summa"));
    t.records = query.recordCount();
    for (int row = 0; row < t.records; ++row) {
        // numeric columns come as their exact text; each sum is already in kopecks
        if (pieces >= 0) t.pieces += query.valueAt(row, pieces).toDouble();
        if (rejects >= 0) t.rejects += query.valueAt(row, rejects).toLongLong();
        if (hours >= 0) t.hours += query.valueAt(row, hours).toLongLong();
        if (sum >= 0) t.kopecks += std::llround(query.valueAt(row, sum).toDouble() * 100);
    }
    return t;
}

} // namespace journal
