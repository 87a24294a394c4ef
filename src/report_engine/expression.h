// The expression language of report items: field names, numbers, 'texts', + - * /,
// comparisons, and/or/not, IF(cond, a, b), STR(x), SUM(x) and PAGENUMBER.
#pragma once

#include "report_engine/value.h"

#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

namespace report {

// A fault of a layout or of its use: malformed expression, unknown field or item.
class Error : public std::runtime_error {
public:
    explicit Error(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

struct Node;

// A parsed expression; parsing happens once, when the layout is built.
class Expression {
public:
    Expression() = default;
    // Throws Error naming the text and the position of the fault.
    static Expression parse(const QString& text);
    // A bare field reference.
    static Expression field(const QString& name);

    const QString& text() const { return text_; }
    bool isEmpty() const { return !root_; }
    const Node* root() const { return root_.get(); }

private:
    QString text_;
    std::shared_ptr<const Node> root_;
};

enum class Op { Add, Sub, Mul, Div, Eq, Ne, Lt, Gt, Le, Ge, And, Or };

struct Node {
    enum class Kind { Number, Text, Field, PageNumber, Neg, Not, Binary, If, Str, Sum };
    Kind kind = Kind::Number;
    Op op = Op::Add;
    double number = 0;
    QString text; // literal text or field name
    int pos = 0;  // 1-based position in the source text
    std::vector<std::unique_ptr<Node>> args;
};

class RowSource;

// An expression bound to a dataset: field names resolved to columns, every SUM given a
// running-sum slot.
struct Compiled {
    Node::Kind kind = Node::Kind::Number;
    Op op = Op::Add;
    Value constant;
    int index = -1; // column of a field, slot of a sum
    std::vector<Compiled> args;
};

// What an evaluation reads: the current row, the page number and the running sums.
struct EvalContext {
    const RowSource* rows = nullptr;
    int row = -1; // -1: no row (an empty dataset)
    int page = 0;
    const std::vector<double>* sums = nullptr;
};

// Resolves field names (-1 when unknown) and hands out sum slots, given the compiled
// expression that the slot accumulates.
struct Binder {
    std::function<int(const QString&)> fieldIndex;
    std::function<int(Compiled)> newSum;
};

// Throws Error for an unknown field.
Compiled compile(const Expression& e, const Binder& binder);
Value evaluate(const Compiled& c, const EvalContext& ctx);

} // namespace report
