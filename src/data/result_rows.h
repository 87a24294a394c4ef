// Reading the whole result of an executed statement into values on the client.
//
// executed QSqlQuery → readRows (the driver fills arrays of bound columns, a block of rows
// per call) → Rows. A value longer than its room in the block is read whole by itself; a
// statement with a column type the blocks do not take is read a cell at a time through
// Qt's driver (readByCell). Both give the same values: the types Qt's driver gives a cell
// (exact decimals as their text, without trailing zeros), and its typed nulls. The
// statement runs once whichever way it is read.
#pragma once

#include <QSqlQuery>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace data {

struct Rows {
    QStringList fields;     // lower case
    QVector<bool> decimal;  // exact decimal columns, kept as their text
    QVector<QVector<QVariant>> values;
};

// The text of an exact decimal without its trailing zeros: "12.500" -> "12.5", "-0.0" -> "0".
QString trimmedDecimal(QString text);

// Reads every row; false when it read them a cell at a time. Raises DbError with the
// driver's message when a block cannot be read.
bool readRows(QSqlQuery& query, Rows& rows);
// Reads every row a cell at a time through Qt's driver.
void readByCell(QSqlQuery& query, Rows& rows);

} // namespace data
