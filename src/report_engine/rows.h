// The rows a report reads: a small interface, an adapter for the access layer's query
// and an in-memory table.
#pragma once

#include "report_engine/value.h"

#include <QStringList>
#include <QVariantList>
#include <vector>

namespace data {
class Query;
}

namespace report {

class RowSource {
public:
    virtual ~RowSource() = default;
    virtual int rowCount() const = 0;
    // Column of a field by name, case-insensitive; -1 when there is none.
    virtual int fieldIndex(const QString& name) const = 0;
    virtual Value value(int row, int field) const = 0;
};

// The rows of an open query as its filter lets them through, in the query's order.
class QueryRows : public RowSource {
public:
    explicit QueryRows(const data::Query& query) : query_(query) {}
    int rowCount() const override;
    int fieldIndex(const QString& name) const override;
    Value value(int row, int field) const override;

private:
    const data::Query& query_;
};

// A table held in memory, for tests and benchmarks.
class MemoryRows : public RowSource {
public:
    explicit MemoryRows(const QStringList& fields);
    // Values by column; missing trailing values are null.
    MemoryRows& add(const QVariantList& values);
    int rowCount() const override { return int(rows_.size()); }
    int fieldIndex(const QString& name) const override;
    Value value(int row, int field) const override;

private:
    QStringList fields_;
    std::vector<std::vector<Value>> rows_;
};

} // namespace report
