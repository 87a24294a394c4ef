#include "data/sql_text.h"

#include <cfenv>
#include <cmath>

namespace data::sql {

QString integer(qint64 v) {
    return QString::number(v);
}

QString date(const QDate& d) {
    return d.toString(Qt::ISODate);
}

QString toDate(const QDate& d) {
    return QStringLiteral("to_date('") + d.toString(QStringLiteral("dd.MM.yyyy")) +
           QStringLiteral("', 'DD.MM.YYYY')");
}

QString escaped(const QString& text) {
    QString s = text;
    s.replace(u'\'', QLatin1String("''"));
    return s;
}

QString quoted(const QString& text) {
    return u'\'' + escaped(text) + u'\'';
}

double round4(double v) {
    // scaled in extended precision, ties to the even neighbour (the default rounding mode)
    const long double scaled = static_cast<long double>(v) * 10000.0L;
    const int mode = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const long double r = std::nearbyintl(scaled);
    std::fesetround(mode);
    return static_cast<double>(r * 0.0001L);
}

QString recordSum(const QString& alias) {
    // the price as numeric: its 15-digit form, the same the program writes and reads
    return QStringLiteral("round((%1.kol_vo-%1.brak)*%1.cena::numeric, 2)").arg(alias);
}

QString read(const QString& statement) {
    QString text = statement.trimmed();
    while (text.endsWith(u';'))
        text = text.chopped(1).trimmed();
    // a statement beginning with WITH may hold a data-modifying part, which must stay at the
    // top level: only a plain select is wrapped
    if (!text.left(6).toLower().startsWith(QLatin1String("select"))) return statement;
    // a set operation's columns have no table of origin; the empty second part is dropped
    // when the statement is planned, so the server reads the rows once, in their order
    return QStringLiteral("with tabel_read as (\n") + text +
           QStringLiteral("\n) select * from tabel_read union all select * from tabel_read "
                          "where false");
}

namespace {
// lower case by table, as lower() under a "C" database leaves Cyrillic as it is; in UTF-8
// byte order а..я then run in the alphabet's order, and ё, placed after я, is е
const QString NameUpper = QStringLiteral("АБВГДЕЁЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯё"
                                         "ABCDEFGHIJKLMNOPQRSTUVWXYZ");
const QString NameLower = QStringLiteral("абвгдеежзийклмнопрстуфхцчшщъыьэюяе"
                                         "abcdefghijklmnopqrstuvwxyz");
} // namespace

QString byName(const QString& column) {
    return QStringLiteral("translate(%1, '%2', '%3') collate \"C\", %1 collate \"C\"")
        .arg(column, NameUpper, NameLower);
}

QByteArray nameKey(const QString& name) {
    // after every key: UTF-8 never holds the byte 0xff
    if (name.isNull()) return QByteArray(1, char(0xff));
    QString key = name;
    for (QChar& c : key)
        if (const qsizetype i = NameUpper.indexOf(c); i >= 0) c = NameLower[i];
    return key.toUtf8() + '\0' + name.toUtf8();
}

QString personCode(const QString& alias) {
    const QString code = alias + QStringLiteral(".s_code");
    // the branches of a case are tried in order, so a cast only sees a text it can read
    return QStringLiteral("(case when ") + code +
           QStringLiteral(" !~ '^\\s*[+-]{0,1}[0-9]{1,10}\\s*$' then null when ") + code +
           QStringLiteral("::bigint not between -2147483648 and 2147483647 then null else ") +
           code + QStringLiteral("::integer end)");
}

} // namespace data::sql
