// The prepared report: pages holding a display list of texts, fills and lines placed in
// millimetres. Preview, printer and PDF all draw from it; nothing is laid out again.
#pragma once

#include "report_engine/layout.h"

#include <QColor>
#include <QRectF>
#include <QString>
#include <vector>

namespace report {

struct Element {
    enum class Kind : quint8 { Fill, Text, Line };
    Kind kind = Kind::Text;
    Align align = Align::Left;
    LineStyle style = LineStyle::Solid;
    quint16 font = 0; // index into Document::fonts
    QRectF rect;      // mm from the paper's top left; a line runs from topLeft to bottomRight
    QColor color;     // text, fill or line colour
    double lineWidth = 0;
    QString text;
};

// Where a band landed, with the range of its elements; dumps and tests read these.
struct PlacedBand {
    QString name;
    double y = 0;
    double height = 0;
    int first = 0; // elements [first, last) of the page
    int last = 0;
};

struct Page {
    std::vector<Element> elements;
    std::vector<PlacedBand> bands;
};

struct Document {
    QString title;
    PageSetup page;
    std::vector<Font> fonts;
    std::vector<Page> pages;

    int pageCount() const { return int(pages.size()); }
    // One line per printed band: p2 y=142.0 report foot "Итого:" "1234.50"
    // (texts in the order they stand from left to right).
    QStringList dump() const;
    // The texts of one page, in the dump's order.
    QStringList texts(int page) const;
};

} // namespace report
