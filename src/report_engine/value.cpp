#include "report_engine/value.h"

#include "data/texts.h"

namespace report {

Value Value::fromVariant(const QVariant& v) {
    if (v.isNull() || !v.isValid()) return {};
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Double:
    case QMetaType::Float:
        return Value(v.toDouble());
    case QMetaType::Bool:
        return boolean(v.toBool());
    case QMetaType::QDate:
        return Value(data::text::date(v.toDate()));
    case QMetaType::QDateTime:
        return Value(data::text::dateTime(v.toDateTime()));
    default:
        return Value(v.toString());
    }
}

bool Value::toNumber(double& out) const {
    switch (type_) {
    case Type::Number:
    case Type::Bool:
        out = number_;
        return true;
    case Type::Text: {
        bool ok = false;
        const double d = text_.trimmed().toDouble(&ok);
        if (!ok) {
            // a decimal comma, as a user's locale may write it
            QString t = text_.trimmed();
            t.replace(QLatin1Char(','), QLatin1Char('.'));
            const double d2 = t.toDouble(&ok);
            if (ok) out = d2;
            return ok;
        }
        out = d;
        return true;
    }
    case Type::Null:
        break;
    }
    return false;
}

bool Value::truth() const {
    switch (type_) {
    case Type::Number:
    case Type::Bool:
        return number_ != 0;
    case Type::Text:
        return !text_.isEmpty();
    case Type::Null:
        break;
    }
    return false;
}

QString Value::toString() const {
    switch (type_) {
    case Type::Number:
        return data::text::general(number_);
    case Type::Text:
        return text_;
    case Type::Bool:
        return number_ != 0 ? QStringLiteral("True") : QStringLiteral("False");
    case Type::Null:
        break;
    }
    return {};
}

QString formatValue(const Value& v, const QString& mask) {
    if (v.isNull()) return {};
    if (mask.isEmpty()) return v.toString();
    double n = 0;
    if (v.type() != Value::Type::Bool && v.toNumber(n)) return data::text::masked(n, mask);
    return v.toString();
}

} // namespace report
