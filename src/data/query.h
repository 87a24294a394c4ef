// Datasets of the access layer: a query whose whole result is kept on the client, a table
// over one table name, and a command executed without result.
#pragma once

#include "data/filter.h"

#include <QDate>
#include <QDateTime>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <vector>

class QSqlQuery;

namespace data {

class Connection;
class Query;
struct Rows;

// Opens several queries of one connection with one exchange with the server: their
// statements travel as one text, in the order given, and each query takes its own result.
// Each statement is a single select with its own named parameters. The queries are closed
// first. A lost connection is handled as Connection::exec handles it; when a statement
// fails, none of the queries is opened and DbError carries the server's message.
void openTogether(const QList<Query*>& queries);

// Named parameters written ":name" in a statement, with typed values.
class Params {
public:
    void set(const QString& name, const QVariant& value) { values_[name.toLower()] = value; }
    QVariant value(const QString& name) const { return values_.value(name.toLower()); }
    bool contains(const QString& name) const { return values_.contains(name.toLower()); }

    // Turns ":name" into "?" outside quotes, casts ("::") and comments; returns the names in
    // the order they stand.
    static QString positional(const QString& sql, QStringList& names);

private:
    QMap<QString, QVariant> values_;
};

class Query : public QObject {
    Q_OBJECT
public:
    enum class State { Inactive, Browse, Edit, Insert };

    explicit Query(Connection& connection, QObject* parent = nullptr);

    Connection& connection() const { return connection_; }

    // Statement and parameters.
    void setSql(const QString& sql) { sql_ = sql; }
    const QString& sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value) { params_.set(name, value); }
    QVariant param(const QString& name) const { return params_.value(name); }

    // Opening runs the statement and keeps every row; closing forgets them.
    virtual void open();
    // Runs statements as one transaction in one round trip (Connection::execWrite) and keeps
    // the rows of the last one; the queries of alsoRead are opened in the same exchange, after
    // them, and see what they wrote (each a single select with its own named parameters), each
    // at its record number as refresh() keeps it. A write the server refuses, or whose answer
    // is lost, leaves them showing what they showed.
    void openWrite(const QStringList& statements, const QList<Query*>& alsoRead = {});
    void close();
    void refresh(); // close and open again, keeping the record number where it still exists
    bool active() const { return state_ != State::Inactive; }
    State state() const { return state_; }

    // Navigation over the rows the filter lets through.
    void first();
    void last();
    void next();
    void prior();
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    int recNo() const; // 1-based; 0 when empty
    void setRecNo(int recNo);
    int recordCount() const { return int(visible_.size()); }
    bool isEmpty() const { return visible_.isEmpty(); }
    bool locate(const QString& field, const QVariant& value);

    // Client-side filter, e.g. "fio like 'Ив%'" or "o_id=12".
    void setFilter(const QString& text);
    const QString& filter() const { return filterText_; }
    void setFiltered(bool on);
    bool filtered() const { return filtered_; }
    // A test of each row that the filter text cannot say (a search that reads "ё" as "е"),
    // applied besides the filter whether filtering is on or not, and kept over re-opening;
    // an empty one lets every row through. It reads a field of the row being tested.
    using FieldOf = std::function<QVariant(const QString& field)>;
    using RowTest = std::function<bool(const FieldOf& field)>;
    void setRowTest(RowTest test);
    bool hasRowTest() const { return bool(rowTest_); }

    // Whether row a comes before row b in the order of the statement.
    using RowBefore = std::function<bool(const FieldOf& a, const FieldOf& b)>;
    // Puts the one row of read, a reading of the same statement restricted to that row, in
    // place of the row whose keyField is key, where before sorts it among the others; with no
    // row in read, the row whose keyField is key goes. The list is then as the statement
    // would read it, other copies' changes aside, and the current row keeps its number as
    // refresh() keeps it. False, with nothing changed, when this query or read is not open or
    // their fields differ.
    bool putRow(const QString& keyField, const QVariant& key, const Query& read,
                const RowBefore& before);

    // Fields of the current row (of the edit buffer while editing).
    const QStringList& fieldNames() const { return fields_; }
    int fieldIndex(const QString& name) const; // -1 when there is no such field
    // True for exact decimal columns, whose values are kept as their text.
    bool isDecimal(int field) const { return decimal_.value(field); }
    bool hasField(const QString& name) const { return fieldIndex(name) >= 0; }
    QVariant value(const QString& name) const;
    QString asText(const QString& name) const;
    qint64 asInt(const QString& name) const;
    double asFloat(const QString& name) const;
    QDate asDate(const QString& name) const;
    bool isNull(const QString& name) const;

    // Random access for grids: row is 0-based among the visible rows.
    QVariant valueAt(int row, int field) const;
    QString textAt(int row, int field) const;
    int currentRow() const { return cur_; }

    // Editing of the current row, written to the update table (the table name of a Table).
    void setUpdateTable(const QString& table) { updateTable_ = table; }
    const QString& updateTable() const { return updateTable_; }
    void insert();
    void edit();
    void setField(const QString& name, const QVariant& value);
    bool modified() const { return modified_; }
    void post();
    void cancel();
    void remove();
    // Runs at the start of every post of an inserted or edited row, whatever starts it
    // (post(), navigation, insert()); it may still set fields of the row.
    std::function<void(Query&)> beforePost;
    // With checked edits, an edited row is written only when the database still holds it as
    // it was read (locked and compared in one transaction). A row another user changed or
    // deleted meanwhile is left alone: the edit is dropped and onConflict hears why (true:
    // deleted). Inserted rows are not concerned.
    void setCheckedEdits(bool on) { checkedEdits_ = on; }
    std::function<void(Query&, bool deleted)> onConflict;

    // Text of a value as the lists show it: dates as DD.MM.YYYY, numbers in general form.
    static QString displayText(const QVariant& v, bool decimal = false);

    friend void openTogether(const QList<Query*>& queries);
    // The statements and binds of queries of connection after texts and binds; the queries
    // are closed first unless they keep what they show until their rows come.
    static void gather(const Connection& connection, const QList<Query*>& queries,
                       QStringList& texts, QVariantList& binds, bool keepShown = false);
    // The results of the next count statements of result, each read whole.
    static std::vector<Rows> readAfter(QSqlQuery& result, qsizetype count);

signals:
    void reset();             // rows, filter or open state changed
    void rowChanged(int row); // one visible row's values changed
    void moved(int row);      // the current row changed (0-based, -1 when none)

protected:
    virtual QString statement() const { return sql_; }
    Connection& connection_;

private:
    using Row = QVector<QVariant>;
    void take(QSqlQuery& result);
    void requireActive() const;
    void take(Rows& rows); // the rows of the statement just run
    const Row* currentValues() const;
    void rebuildVisible();
    void setCurrent(int row, bool notify = true);
    QString keyCondition(const Row& original, QVariantList& binds) const;

    QString sql_;
    Params params_;
    State state_ = State::Inactive;
    QStringList fields_;
    QVector<bool> decimal_;
    QVector<Row> rows_;
    QVector<int> visible_;
    int cur_ = -1;
    bool eof_ = true;
    bool bof_ = true;
    QString filterText_;
    Filter filter_;
    bool filtered_ = false;
    RowTest rowTest_;
    QString updateTable_;
    Row buffer_;
    QVector<bool> changed_;
    bool modified_ = false;
    bool checkedEdits_ = false;
};

// A dataset over one table: "select * from <table>" with an optional order, editable.
class Table : public Query {
    Q_OBJECT
public:
    explicit Table(Connection& connection, const QString& table = QString(),
                   QObject* parent = nullptr);
    void setTableName(const QString& table) {
        table_ = table;
        setUpdateTable(table);
    }
    const QString& tableName() const { return table_; }
    void setOrder(const QString& order) { order_ = order; }

protected:
    QString statement() const override;

private:
    QString table_;
    QString order_;
};

// A statement run without result; its text is replaced by the callers.
class Command {
public:
    explicit Command(Connection& connection) : connection_(connection) {}
    Connection& connection() const { return connection_; }
    void setSql(const QString& sql) { sql_ = sql; }
    const QString& sql() const { return sql_; }
    void setParam(const QString& name, const QVariant& value) { params_.set(name, value); }
    QVariant param(const QString& name) const { return params_.value(name); }
    // Returns the number of rows the statement touched.
    int execute();

private:
    Connection& connection_;
    QString sql_;
    Params params_;
};

// Closes a query when the scope ends, by return or by exception.
struct ClosedOnExit {
    explicit ClosedOnExit(Query& q) : query(q) {}
    ~ClosedOnExit() { query.close(); }
    Query& query;
    ClosedOnExit(const ClosedOnExit&) = delete;
    ClosedOnExit& operator=(const ClosedOnExit&) = delete;
};

// Opens query on sql (closing it first), reads field of the first row and closes it again;
// null when there is no row.
QVariant lookupIn(Query& query, const QString& sql, const QString& field);

// Which dataset a grid shows.
struct DataSource {
    Query* dataSet = nullptr;
};

} // namespace data
