#include "report_engine/rows.h"

#include "data/query.h"

namespace report {

int QueryRows::rowCount() const {
    return query_.active() ? query_.recordCount() : 0;
}

int QueryRows::fieldIndex(const QString& name) const {
    return query_.fieldIndex(name.toLower());
}

Value QueryRows::value(int row, int field) const {
    const QVariant v = query_.valueAt(row, field);
    // exact decimals arrive as their text; the report computes with them as numbers
    if (query_.isDecimal(field) && v.typeId() == QMetaType::QString && !v.isNull()) {
        bool ok = false;
        const double d = v.toString().toDouble(&ok);
        if (ok) return Value(d);
    }
    return Value::fromVariant(v);
}

MemoryRows::MemoryRows(const QStringList& fields) {
    for (const QString& f : fields)
        fields_ << f.toLower();
}

MemoryRows& MemoryRows::add(const QVariantList& values) {
    std::vector<Value> row(fields_.size());
    for (int i = 0; i < values.size() && i < fields_.size(); ++i)
        row[i] = Value::fromVariant(values[i]);
    rows_.push_back(std::move(row));
    return *this;
}

int MemoryRows::fieldIndex(const QString& name) const {
    return int(fields_.indexOf(name.toLower()));
}

Value MemoryRows::value(int row, int field) const {
    if (row < 0 || row >= int(rows_.size()) || field < 0 || field >= int(fields_.size())) return {};
    return rows_[row][field];
}

} // namespace report
