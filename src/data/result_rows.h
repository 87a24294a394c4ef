// Reading the whole result of an executed statement into values on the client.
//
// executed QSqlQuery → readInBlocks (the driver fills arrays of rows, a block per call) →
// Rows; where a column has a type the blocks do not take, or a value is longer than its
// buffer, the statement is run again and read a cell at a time (readByCell). Both give the
// same values: the types Qt's driver gives a cell (exact decimals as their text, without
// trailing zeros), and typed nulls.
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

// Reads every row; false when it cannot (nothing usable is then in rows, and the statement
// has been read partly: run it again before reading it another way).
bool readInBlocks(QSqlQuery& query, Rows& rows);
// Reads every row a cell at a time through Qt's driver.
void readByCell(QSqlQuery& query, Rows& rows);

} // namespace data
