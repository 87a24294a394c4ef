// Values written into the text of a statement.
#pragma once

#include "data/texts.h"

#include <QByteArray>
#include <QDate>
#include <QString>

namespace data::sql {

// 42 -> "42"
QString integer(qint64 v);
// 2024-02-19 -> "2024-02-19": read as that day between apostrophes whatever the session's
// DateStyle
QString date(const QDate& d);
// "to_date('19.02.2024', 'DD.MM.YYYY')"
QString toDate(const QDate& d);
// O'Нил -> 'O''Нил'
QString quoted(const QString& text);
// O'Нил -> O''Нил: for texts placed between apostrophes of a fixed piece
QString escaped(const QString& text);
// Decimals go into statements in the general form: 12.5, 0.3333, 125.
using text::general;
// Rounded to 4 decimals, ties to even (1/3 -> 0.3333, 0.00005 -> 0).
double round4(double v);

// The sum of a shift record, (quantity - rejects) x price, rounded to kopecks as
// text::kopecks() rounds it: the expression every statement shows or adds up a record's sum
// by, so the journal, the editor and the reports agree. alias: the smena table's name.
QString recordSum(const QString& alias = QStringLiteral("smena"));

// The ORDER BY keys of a name column as Russian readers order names: without regard to case,
// "ё" with "е" (Фёдоров before Фролов), then the name itself so that equal keys keep one
// order. Built of translate() and the "C" collation, which every server has, so it orders
// the same whatever collation the database was made with. column: a column of the
// statement's tables (not an output alias, which an ORDER BY expression cannot name).
QString byName(const QString& column);

// A person's personnel code (cmn_contractor.person.s_code, a text of the resource-planning
// system) as the integer key a shift record or a timesheet row names its worker by: null for
// a code that is no whole number within an integer ('', 'С-17', '99999999999'), so such a
// person matches nobody by code instead of failing the whole statement. Blanks around the
// digits are allowed, as the server's own cast allows them. An integer expression, so a join
// with an integer column can still be planned on its index. alias: the person table's name
// in the statement. The text holds no colon or question mark, which statement tools could
// take for a parameter.
QString personCode(const QString& alias = QStringLiteral("person"));

// What byName() sorts a name by, as bytes compared in order: the name's sort key, then the
// name itself. A null name sorts after every other.
QByteArray nameKey(const QString& name);

// A select as the program sends it: the same rows and columns, whose columns name no table
// of origin. The ODBC driver looks up the columns of every table a result's columns come
// from in the catalogue, one exchange per table the first time a session reads it; a
// result with no table of origin costs it none. Only a statement that begins with "select"
// is changed; others come back as they are.
QString read(const QString& statement);

} // namespace data::sql
