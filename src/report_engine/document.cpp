#include "report_engine/document.h"

#include <algorithm>

namespace report {

namespace {

QStringList bandTexts(const Page& page, const PlacedBand& band) {
    std::vector<const Element*> texts;
    for (int i = band.first; i < band.last; ++i)
        if (page.elements[i].kind == Element::Kind::Text) texts.push_back(&page.elements[i]);
    std::stable_sort(texts.begin(), texts.end(), [](const Element* a, const Element* b) {
        if (a->rect.top() != b->rect.top()) return a->rect.top() < b->rect.top();
        return a->rect.left() < b->rect.left();
    });
    QStringList out;
    for (const Element* e : texts)
        out << e->text;
    return out;
}

} // namespace

QStringList Document::dump() const {
    QStringList lines;
    for (int p = 0; p < int(pages.size()); ++p) {
        for (const PlacedBand& b : pages[p].bands) {
            QString line = QStringLiteral("p%1 y=%2 %3").arg(p + 1).arg(b.y, 0, 'f', 1).arg(b.name);
            for (const QString& t : bandTexts(pages[p], b))
                line += QStringLiteral(" \"%1\"").arg(t);
            lines << line;
        }
    }
    return lines;
}

QStringList Document::texts(int page) const {
    QStringList out;
    if (page < 0 || page >= int(pages.size())) return out;
    for (const PlacedBand& b : pages[page].bands)
        out << bandTexts(pages[page], b);
    return out;
}

} // namespace report
