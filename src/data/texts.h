// Number and date texts as the program shows them: grids, reports, spreadsheet cells and
// the decimals written into statements all take them from here, so one value reads the
// same everywhere.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <array>

namespace data::text {

// The shortest text of at most 15 significant digits, with a point: 12.5, 0.3333, 125;
// -0 is "0".
QString general(double v);

// A number through a mask of the "#0.00" kind: '0' a digit always printed, '#' a digit
// printed when significant, '.' the decimal point, ',' in the integer part groups thousands
// (with a no-break space); texts before and after the digits are kept. Rounds half away
// from zero on the 15-digit decimal form, so 2.675 with "#0.00" is 2.68 although its
// binary value lies just below. An empty mask gives general().
QString masked(double v, const QString& mask);

// Money, the one rounding rule for what is paid: a sum rounded to kopecks half away from
// zero on its 15-digit decimal form, as the database's round(numeric, 2) rounds a record's
// sum (data::sql::recordSum). 2.675 -> 2.68, -0.125 -> -0.13.
double kopecks(double v);
// A sum as the journal, the editor and the reports show it: kopecks(v) through "#0.00".
inline constexpr const char* MoneyMask = "#0.00";
QString money(double v);

// A count with its noun in the form Russian takes after it: forms are for 1, for 2 to 4 and
// for 5 and on ({"запись", "записи", "записей"}: "1 запись", "3 записи", "11 записей").
QString counted(qint64 n, const std::array<const char*, 3>& forms);

// 19.02.2024
QString date(const QDate& d);
// The date alone at midnight, else with the time: 19.02.2024 10:57:13.
QString dateTime(const QDateTime& dt);

} // namespace data::text
