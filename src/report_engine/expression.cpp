#include "report_engine/expression.h"

#include "report_engine/rows.h"

namespace report {

namespace {

struct Token {
    enum class Kind { End, Number, Text, Ident, Symbol };
    Kind kind = Kind::End;
    QString text;
    double number = 0;
    int pos = 0; // 1-based
};

class Parser {
public:
    explicit Parser(const QString& src) : src_(src) { advance(); }

    std::unique_ptr<Node> parseAll() {
        auto n = parseOr();
        if (tok_.kind != Token::Kind::End) fail(tok_.pos, QStringLiteral("лишний текст"));
        return n;
    }

private:
    [[noreturn]] void fail(int pos, const QString& what) const {
        throw Error(QStringLiteral("Ошибка в выражении \"%1\" в позиции %2: %3")
                        .arg(src_)
                        .arg(pos)
                        .arg(what));
    }

    void advance() {
        int i = at_;
        while (i < src_.size() && src_.at(i).isSpace())
            ++i;
        tok_ = Token();
        tok_.pos = i + 1;
        if (i >= src_.size()) {
            at_ = i;
            return;
        }
        const QChar c = src_.at(i);
        if (c.isDigit() ||
            (c == QLatin1Char('.') && i + 1 < src_.size() && src_.at(i + 1).isDigit())) {
            int j = i;
            while (j < src_.size() && (src_.at(j).isDigit() || src_.at(j) == QLatin1Char('.')))
                ++j;
            bool ok = false;
            tok_.kind = Token::Kind::Number;
            tok_.number = src_.mid(i, j - i).toDouble(&ok);
            if (!ok) fail(tok_.pos, QStringLiteral("неверное число"));
            at_ = j;
            return;
        }
        if (c == QLatin1Char('\'')) {
            QString s;
            int j = i + 1;
            for (;;) {
                if (j >= src_.size()) fail(tok_.pos, QStringLiteral("не закрыта строка"));
                if (src_.at(j) == QLatin1Char('\'')) {
                    if (j + 1 < src_.size() && src_.at(j + 1) == QLatin1Char('\'')) {
                        s += QLatin1Char('\'');
                        j += 2;
                        continue;
                    }
                    break;
                }
                s += src_.at(j++);
            }
            tok_.kind = Token::Kind::Text;
            tok_.text = s;
            at_ = j + 1;
            return;
        }
        if (c.isLetter() || c == QLatin1Char('_')) {
            int j = i;
            while (j < src_.size() &&
                   (src_.at(j).isLetterOrNumber() || src_.at(j) == QLatin1Char('_') ||
                    src_.at(j) == QLatin1Char('.')))
                ++j;
            tok_.kind = Token::Kind::Ident;
            tok_.text = src_.mid(i, j - i);
            at_ = j;
            return;
        }
        static const QStringList twoChar = {QStringLiteral("<>"), QStringLiteral("<="),
                                            QStringLiteral(">="), QStringLiteral("!=")};
        const QString two = src_.mid(i, 2);
        tok_.kind = Token::Kind::Symbol;
        if (twoChar.contains(two)) {
            tok_.text = two;
            at_ = i + 2;
            return;
        }
        if (QStringLiteral("+-*/=<>(),").contains(c)) {
            tok_.text = c;
            at_ = i + 1;
            return;
        }
        fail(tok_.pos, QStringLiteral("недопустимый знак '%1'").arg(c));
    }

    bool isSymbol(const char* s) const {
        return tok_.kind == Token::Kind::Symbol && tok_.text == QLatin1String(s);
    }
    bool isWord(const char* s) const {
        return tok_.kind == Token::Kind::Ident &&
               tok_.text.compare(QLatin1String(s), Qt::CaseInsensitive) == 0;
    }
    void expect(const char* s) {
        if (!isSymbol(s)) fail(tok_.pos, QStringLiteral("ожидается \"%1\"").arg(QLatin1String(s)));
        advance();
    }

    static std::unique_ptr<Node> binary(Op op, int pos, std::unique_ptr<Node> a,
                                        std::unique_ptr<Node> b) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Binary;
        n->op = op;
        n->pos = pos;
        n->args.push_back(std::move(a));
        n->args.push_back(std::move(b));
        return n;
    }

    std::unique_ptr<Node> parseOr() {
        auto left = parseAnd();
        while (isWord("or")) {
            const int pos = tok_.pos;
            advance();
            left = binary(Op::Or, pos, std::move(left), parseAnd());
        }
        return left;
    }

    std::unique_ptr<Node> parseAnd() {
        auto left = parseNot();
        while (isWord("and")) {
            const int pos = tok_.pos;
            advance();
            left = binary(Op::And, pos, std::move(left), parseNot());
        }
        return left;
    }

    std::unique_ptr<Node> parseNot() {
        if (isWord("not")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Not;
            n->pos = tok_.pos;
            advance();
            n->args.push_back(parseNot());
            return n;
        }
        return parseCompare();
    }

    std::unique_ptr<Node> parseCompare() {
        auto left = parseAdd();
        static const std::pair<const char*, Op> ops[] = {
            {"=", Op::Eq},  {"<>", Op::Ne}, {"!=", Op::Ne}, {"<=", Op::Le},
            {">=", Op::Ge}, {"<", Op::Lt},  {">", Op::Gt}};
        for (const auto& [s, op] : ops) {
            if (isSymbol(s)) {
                const int pos = tok_.pos;
                advance();
                return binary(op, pos, std::move(left), parseAdd());
            }
        }
        return left;
    }

    std::unique_ptr<Node> parseAdd() {
        auto left = parseMul();
        while (isSymbol("+") || isSymbol("-")) {
            const Op op = isSymbol("+") ? Op::Add : Op::Sub;
            const int pos = tok_.pos;
            advance();
            left = binary(op, pos, std::move(left), parseMul());
        }
        return left;
    }

    std::unique_ptr<Node> parseMul() {
        auto left = parseUnary();
        while (isSymbol("*") || isSymbol("/")) {
            const Op op = isSymbol("*") ? Op::Mul : Op::Div;
            const int pos = tok_.pos;
            advance();
            left = binary(op, pos, std::move(left), parseUnary());
        }
        return left;
    }

    std::unique_ptr<Node> parseUnary() {
        if (isSymbol("-")) {
            auto n = std::make_unique<Node>();
            n->kind = Node::Kind::Neg;
            n->pos = tok_.pos;
            advance();
            n->args.push_back(parseUnary());
            return n;
        }
        if (isSymbol("+")) {
            advance();
            return parseUnary();
        }
        return parsePrimary();
    }

    std::vector<std::unique_ptr<Node>> parseArgs(const QString& name, int count, int pos) {
        expect("(");
        std::vector<std::unique_ptr<Node>> args;
        if (!isSymbol(")")) {
            args.push_back(parseOr());
            while (isSymbol(",")) {
                advance();
                args.push_back(parseOr());
            }
        }
        expect(")");
        if (int(args.size()) != count)
            fail(pos, QStringLiteral("%1 ожидает аргументов: %2").arg(name.toUpper()).arg(count));
        return args;
    }

    std::unique_ptr<Node> parsePrimary() {
        auto n = std::make_unique<Node>();
        n->pos = tok_.pos;
        switch (tok_.kind) {
        case Token::Kind::Number:
            n->kind = Node::Kind::Number;
            n->number = tok_.number;
            advance();
            return n;
        case Token::Kind::Text:
            n->kind = Node::Kind::Text;
            n->text = tok_.text;
            advance();
            return n;
        case Token::Kind::Ident: {
            const QString name = tok_.text;
            const QString lower = name.toLower();
            advance();
            if (lower == QLatin1String("if")) {
                n->kind = Node::Kind::If;
                n->args = parseArgs(name, 3, n->pos);
            } else if (lower == QLatin1String("str")) {
                n->kind = Node::Kind::Str;
                n->args = parseArgs(name, 1, n->pos);
            } else if (lower == QLatin1String("sum")) {
                n->kind = Node::Kind::Sum;
                n->args = parseArgs(name, 1, n->pos);
            } else if (lower == QLatin1String("pagenumber")) {
                n->kind = Node::Kind::PageNumber;
            } else if (isSymbol("(")) {
                fail(n->pos, QStringLiteral("неизвестная функция %1").arg(name));
            } else {
                n->kind = Node::Kind::Field;
                // "t_Report.fio": the dataset's name is only a qualifier
                n->text = lower.mid(lower.lastIndexOf(QLatin1Char('.')) + 1);
                if (n->text.isEmpty()) fail(n->pos, QStringLiteral("ожидается имя поля"));
            }
            return n;
        }
        case Token::Kind::Symbol:
            if (isSymbol("(")) {
                advance();
                auto inner = parseOr();
                expect(")");
                return inner;
            }
            fail(tok_.pos, QStringLiteral("неожиданный знак \"%1\"").arg(tok_.text));
        case Token::Kind::End:
            break;
        }
        fail(tok_.pos, QStringLiteral("неожиданный конец выражения"));
    }

    const QString& src_;
    int at_ = 0;
    Token tok_;
};

Compiled compileNode(const Node& n, const Binder& binder, bool inSum) {
    Compiled c;
    c.kind = n.kind;
    c.op = n.op;
    switch (n.kind) {
    case Node::Kind::Number:
        c.constant = Value(n.number);
        break;
    case Node::Kind::Text:
        c.constant = Value(n.text);
        break;
    case Node::Kind::Field:
        c.index = binder.fieldIndex(n.text);
        if (c.index < 0) throw Error(QStringLiteral("Поле \"%1\" не найдено").arg(n.text));
        break;
    case Node::Kind::Sum: {
        if (inSum) throw Error(QStringLiteral("SUM внутри SUM недопустима"));
        c.index = binder.newSum(compileNode(*n.args[0], binder, true));
        return c; // the argument lives in the slot
    }
    default:
        break;
    }
    for (const auto& a : n.args)
        c.args.push_back(compileNode(*a, binder, inSum));
    return c;
}

Value arithmetic(Op op, const Value& a, const Value& b) {
    if (op == Op::Add) {
        // texts join; a null side adds nothing
        if (a.isNull() && b.isNull()) return {};
        if (a.isText() && b.isText()) return Value(a.text() + b.text());
        double x = 0, y = 0;
        const bool xn = a.isNull() || a.toNumber(x);
        const bool yn = b.isNull() || b.toNumber(y);
        if (xn && yn) return Value(x + y);
        return Value(a.toString() + b.toString());
    }
    if (a.isNull() && b.isNull()) return {};
    double x = 0, y = 0;
    if (!(a.isNull() || a.toNumber(x)) || !(b.isNull() || b.toNumber(y))) return {};
    switch (op) {
    case Op::Sub:
        return Value(x - y);
    case Op::Mul:
        return Value(x * y);
    case Op::Div:
        if (y == 0) return {}; // prints empty rather than "inf"
        return Value(x / y);
    default:
        return {};
    }
}

Value compare(Op op, const Value& a, const Value& b) {
    int cmp = 0;
    double x = 0, y = 0;
    const bool bothText = a.isText() && b.isText();
    if (!bothText && (a.isNull() || a.toNumber(x)) && (b.isNull() || b.toNumber(y))) {
        cmp = x < y ? -1 : (x > y ? 1 : 0);
    } else {
        cmp = QString::compare(a.toString(), b.toString(), Qt::CaseSensitive);
        cmp = cmp < 0 ? -1 : (cmp > 0 ? 1 : 0);
    }
    switch (op) {
    case Op::Eq:
        return Value::boolean(cmp == 0);
    case Op::Ne:
        return Value::boolean(cmp != 0);
    case Op::Lt:
        return Value::boolean(cmp < 0);
    case Op::Gt:
        return Value::boolean(cmp > 0);
    case Op::Le:
        return Value::boolean(cmp <= 0);
    case Op::Ge:
        return Value::boolean(cmp >= 0);
    default:
        return {};
    }
}

} // namespace

Expression Expression::parse(const QString& text) {
    Expression e;
    e.text_ = text;
    if (text.trimmed().isEmpty())
        throw Error(
            QStringLiteral("Ошибка в выражении \"%1\" в позиции 1: пустое выражение").arg(text));
    Parser p(text);
    e.root_ = p.parseAll();
    return e;
}

Expression Expression::field(const QString& name) {
    Expression e;
    e.text_ = name;
    auto n = std::make_shared<Node>();
    n->kind = Node::Kind::Field;
    n->pos = 1;
    const QString lower = name.toLower();
    n->text = lower.mid(lower.lastIndexOf(QLatin1Char('.')) + 1);
    e.root_ = std::move(n);
    return e;
}

Compiled compile(const Expression& e, const Binder& binder) {
    if (e.isEmpty()) return Compiled{Node::Kind::Text, Op::Add, Value(), -1, {}};
    return compileNode(*e.root(), binder, false);
}

Value evaluate(const Compiled& c, const EvalContext& ctx) {
    switch (c.kind) {
    case Node::Kind::Number:
    case Node::Kind::Text:
        return c.constant;
    case Node::Kind::Field:
        if (ctx.row < 0 || !ctx.rows) return {};
        return ctx.rows->value(ctx.row, c.index);
    case Node::Kind::PageNumber:
        return Value(double(ctx.page));
    case Node::Kind::Sum:
        return Value(ctx.sums ? (*ctx.sums)[c.index] : 0.0);
    case Node::Kind::Neg: {
        const Value v = evaluate(c.args[0], ctx);
        double x = 0;
        if (v.isNull() || !v.toNumber(x)) return {};
        return Value(-x);
    }
    case Node::Kind::Not:
        return Value::boolean(!evaluate(c.args[0], ctx).truth());
    case Node::Kind::If:
        return evaluate(c.args[evaluate(c.args[0], ctx).truth() ? 1 : 2], ctx);
    case Node::Kind::Str: {
        const Value v = evaluate(c.args[0], ctx);
        return Value(v.toString());
    }
    case Node::Kind::Binary: {
        if (c.op == Op::And)
            return Value::boolean(evaluate(c.args[0], ctx).truth() &&
                                  evaluate(c.args[1], ctx).truth());
        if (c.op == Op::Or)
            return Value::boolean(evaluate(c.args[0], ctx).truth() ||
                                  evaluate(c.args[1], ctx).truth());
        const Value a = evaluate(c.args[0], ctx);
        const Value b = evaluate(c.args[1], ctx);
        switch (c.op) {
        case Op::Add:
        case Op::Sub:
        case Op::Mul:
        case Op::Div:
            return arithmetic(c.op, a, b);
        default:
            return compare(c.op, a, b);
        }
    }
    }
    return {};
}

} // namespace report
