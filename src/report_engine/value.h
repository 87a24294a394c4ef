// Values of report expressions and their printed form.
#pragma once

#include <QString>
#include <QVariant>

namespace report {

// Null, a number, a text or a truth value. Data fields arrive as whatever the database
// gives (exact decimals come as text); arithmetic, comparisons, sums and masks read a
// text that holds a number as that number.
class Value {
public:
    enum class Type { Null, Number, Text, Bool };

    Value() = default;
    Value(double n) : type_(Type::Number), number_(n) {}
    Value(const QString& s) : type_(Type::Text), text_(s) {}
    static Value boolean(bool b) {
        Value v;
        v.type_ = Type::Bool;
        v.number_ = b ? 1 : 0;
        return v;
    }
    static Value fromVariant(const QVariant& v);

    Type type() const { return type_; }
    bool isNull() const { return type_ == Type::Null; }
    bool isText() const { return type_ == Type::Text; }

    // The number this value stands for; false when it stands for none.
    bool toNumber(double& out) const;
    bool truth() const;
    const QString& text() const { return text_; }

    // The printed form: numbers plain, texts as they are, null empty.
    QString toString() const;

private:
    Type type_ = Type::Null;
    double number_ = 0;
    QString text_;
};

// A value as printed through a mask (data::text::masked); a value that is no number prints
// as it is.
QString formatValue(const Value& v, const QString& mask);

} // namespace report
