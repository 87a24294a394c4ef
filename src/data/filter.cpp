#include "data/filter.h"

#include "data/db_error.h"

#include <QRegularExpression>
#include <vector>

namespace data {

struct Filter::Node {
    enum Kind { And, Or, Like, Compare } kind = Compare;
    std::unique_ptr<Node> left, right;
    QString field;
    QString op;
    QVariant value; // double for numbers, QString for texts
    QRegularExpression like;
};

namespace {

QRegularExpression likeExpression(const QString& pattern) {
    QString rx;
    rx.reserve(pattern.size() * 2 + 4);
    rx += QLatin1String("\\A");
    // by whole characters: a character outside the BMP is two UTF-16 units, and escaping
    // each half apart makes a pattern that matches nothing
    for (const char32_t c : pattern.toUcs4()) {
        if (c == U'%')
            rx += QLatin1String(".*");
        else if (c == U'_')
            rx += u'.';
        else
            rx += QRegularExpression::escape(QString::fromUcs4(&c, 1));
    }
    rx += QLatin1String("\\z");
    return QRegularExpression(rx, QRegularExpression::CaseInsensitiveOption |
                                      QRegularExpression::DotMatchesEverythingOption |
                                      QRegularExpression::UseUnicodePropertiesOption);
}

class Parser {
public:
    explicit Parser(const QString& text) : s_(text) {}

    std::unique_ptr<Filter::Node> parse() {
        auto node = orExpr();
        skip();
        if (pos_ < s_.size()) fail(QStringLiteral("лишний текст"));
        return node;
    }

private:
    [[noreturn]] void fail(const QString& what) const {
        throw DbError(QStringLiteral("Ошибка в фильтре \"%1\" (позиция %2): %3")
                          .arg(s_)
                          .arg(pos_ + 1)
                          .arg(what));
    }
    void skip() {
        while (pos_ < s_.size() && s_[pos_].isSpace())
            ++pos_;
    }
    bool keyword(const char* word) {
        skip();
        const QString w = QString::fromLatin1(word);
        if (s_.mid(pos_, w.size()).compare(w, Qt::CaseInsensitive) != 0) return false;
        const qsizetype end = pos_ + w.size();
        if (end < s_.size() && (s_[end].isLetterOrNumber() || s_[end] == u'_')) return false;
        pos_ = end;
        return true;
    }
    std::unique_ptr<Filter::Node> orExpr() {
        auto left = andExpr();
        while (keyword("or")) {
            auto n = std::make_unique<Filter::Node>();
            n->kind = Filter::Node::Or;
            n->left = std::move(left);
            n->right = andExpr();
            left = std::move(n);
        }
        return left;
    }
    std::unique_ptr<Filter::Node> andExpr() {
        auto left = term();
        while (keyword("and")) {
            auto n = std::make_unique<Filter::Node>();
            n->kind = Filter::Node::And;
            n->left = std::move(left);
            n->right = term();
            left = std::move(n);
        }
        return left;
    }
    QString identifier() {
        skip();
        const qsizetype start = pos_;
        while (pos_ < s_.size() &&
               (s_[pos_].isLetterOrNumber() || s_[pos_] == u'_' || s_[pos_] == u'.'))
            ++pos_;
        if (pos_ == start) fail(QStringLiteral("ожидается имя поля"));
        QString name = s_.mid(start, pos_ - start);
        const qsizetype dot = name.lastIndexOf(u'.');
        return dot >= 0 ? name.mid(dot + 1) : name;
    }
    QString quoted() {
        skip();
        if (pos_ >= s_.size() || s_[pos_] != u'\'')
            fail(QStringLiteral("ожидается текст в апострофах"));
        ++pos_;
        QString out;
        for (;;) {
            if (pos_ >= s_.size()) fail(QStringLiteral("нет закрывающего апострофа"));
            const QChar c = s_[pos_++];
            if (c == u'\'') {
                if (pos_ < s_.size() && s_[pos_] == u'\'') {
                    out += u'\'';
                    ++pos_;
                    continue;
                }
                return out;
            }
            out += c;
        }
    }
    QVariant value() {
        skip();
        if (pos_ < s_.size() && s_[pos_] == u'\'') return quoted();
        const qsizetype start = pos_;
        if (pos_ < s_.size() && (s_[pos_] == u'-' || s_[pos_] == u'+')) ++pos_;
        while (pos_ < s_.size() && (s_[pos_].isDigit() || s_[pos_] == u'.'))
            ++pos_;
        bool ok = false;
        const double v = s_.mid(start, pos_ - start).toDouble(&ok);
        if (!ok) {
            pos_ = start;
            fail(QStringLiteral("ожидается число или текст"));
        }
        return v;
    }
    std::unique_ptr<Filter::Node> term() {
        skip();
        if (pos_ < s_.size() && s_[pos_] == u'(') {
            ++pos_;
            auto inner = orExpr();
            skip();
            if (pos_ >= s_.size() || s_[pos_] != u')') fail(QStringLiteral("ожидается )"));
            ++pos_;
            return inner;
        }
        auto n = std::make_unique<Filter::Node>();
        n->field = identifier();
        if (keyword("like")) {
            n->kind = Filter::Node::Like;
            n->like = likeExpression(quoted());
            return n;
        }
        skip();
        static const char* ops[] = {"<>", "!=", "<=", ">=", "=", "<", ">"};
        for (const char* op : ops) {
            const QString o = QString::fromLatin1(op);
            if (s_.mid(pos_, o.size()) == o) {
                pos_ += o.size();
                n->op = o == QLatin1String("!=") ? QStringLiteral("<>") : o;
                n->value = value();
                return n;
            }
        }
        fail(QStringLiteral("ожидается like или знак сравнения"));
    }

    QString s_;
    qsizetype pos_ = 0;
};

bool compare(const QString& op, int c) {
    if (op == u"=") return c == 0;
    if (op == u"<>") return c != 0;
    if (op == u"<") return c < 0;
    if (op == u">") return c > 0;
    if (op == u"<=") return c <= 0;
    return c >= 0;
}

bool evaluate(const Filter::Node& n, const Filter::Lookup& lookup) {
    switch (n.kind) {
    case Filter::Node::And:
        return evaluate(*n.left, lookup) && evaluate(*n.right, lookup);
    case Filter::Node::Or:
        return evaluate(*n.left, lookup) || evaluate(*n.right, lookup);
    case Filter::Node::Like: {
        QVariant v;
        QString text;
        if (!lookup(n.field, v, text)) return false;
        return !v.isNull() && n.like.match(text).hasMatch();
    }
    case Filter::Node::Compare: {
        QVariant v;
        QString text;
        if (!lookup(n.field, v, text) || v.isNull()) return false;
        if (n.value.typeId() == QMetaType::Double) {
            bool ok = false;
            const double x = text.toDouble(&ok);
            if (!ok) return false;
            const double y = n.value.toDouble();
            return compare(n.op, x < y ? -1 : (x > y ? 1 : 0));
        }
        return compare(n.op, text.compare(n.value.toString(), Qt::CaseInsensitive));
    }
    }
    return false;
}

} // namespace

Filter::Filter() = default;
Filter::~Filter() = default;
Filter::Filter(Filter&&) noexcept = default;
Filter& Filter::operator=(Filter&&) noexcept = default;

Filter Filter::parse(const QString& text) {
    Filter f;
    if (!text.trimmed().isEmpty()) f.root_ = Parser(text).parse();
    return f;
}

bool Filter::empty() const {
    return !root_;
}

bool Filter::matches(const Lookup& lookup) const {
    return !root_ || evaluate(*root_, lookup);
}

bool likeMatch(const QString& text, const QString& pattern) {
    return likeExpression(pattern).match(text).hasMatch();
}

} // namespace data
