// The small filter language of the lists: "fio like 'Ив%'", "o_id=12", joined by and/or.
#pragma once

#include <QString>
#include <QVariant>
#include <functional>
#include <memory>

namespace data {

class Filter {
public:
    // Reads a field of the row being tested: its value and its display text.
    using Lookup = std::function<bool(const QString& field, QVariant& value, QString& text)>;

    // Raises DbError naming the text and the position when the filter cannot be read.
    static Filter parse(const QString& text);

    Filter();
    ~Filter();
    Filter(Filter&&) noexcept;
    Filter& operator=(Filter&&) noexcept;

    bool matches(const Lookup& lookup) const;
    bool empty() const;

    struct Node;

private:
    std::unique_ptr<Node> root_;
};

// True when text matches a LIKE pattern (% any run, _ one character), ignoring letter case,
// Cyrillic included.
bool likeMatch(const QString& text, const QString& pattern);

} // namespace data
