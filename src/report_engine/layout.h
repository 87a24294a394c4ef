// The layout of a banded report: page, bands and items, and a small builder to write
// layouts down the way their tables read.
#pragma once

#include "report_engine/expression.h"

#include <QColor>
#include <QPageLayout>
#include <QString>
#include <deque>
#include <optional>
#include <vector>

namespace report {

enum class Align { Left, Center, Right };
enum class LineStyle { Solid, Dotted };

// Sides of a frame.
enum Side { NoSide = 0, Top = 1, Bottom = 2, Left = 4, Right = 8, AllSides = 15 };

struct Frame {
    int sides = NoSide;
    LineStyle style = LineStyle::Solid;
    QColor color = Qt::black;
    double width = 0.2; // mm
};

struct Font {
    QString family = QStringLiteral("Arial");
    double size = 10; // points
    bool bold = false;
    bool operator==(const Font&) const = default;
};

struct Item {
    enum class Kind { Label, Field, Expr };
    Kind kind = Kind::Label;
    QString name;      // lets a window reach the item, e.g. "QRLabel1"
    QString text;      // a label's text
    Expression expr;   // a field's or an expression's source
    double x = 0;      // mm from the band's left edge
    double y = 0;      // mm from the band's top
    double width = 20; // mm
    double height = 0; // mm; 0 fills the band's height
    Align align = Align::Left;
    Font font;
    QColor background; // invalid: none
    QColor color = Qt::black;
    QString mask; // "#0.00" and the like; empty prints numbers plainly
    Frame frame;
};

struct Band {
    enum class Kind {
        Heading,
        ReportHead,
        GroupHead,
        Detail,
        GroupFoot,
        ReportFoot,
        PageFoot,
        Child
    };
    Kind kind = Kind::Detail;
    QString name; // how the band shows in dumps: "head fio", "detail", "page foot"
    double height = 5;
    QColor background;
    Frame frame;
    Font font; // the font new items start with
    std::vector<Item> items;
    std::deque<Band> children; // printed right after this band, kept with it
};

// A group: its head prints when the break expression's value changes (a group without
// one is the report head, printed once), its foot when the group ends. The report
// head's foot is the report foot.
struct Group {
    Expression breakExpr; // empty: the report head
    Band head;
    std::optional<Band> foot;
    bool linked = false;          // head is not left at a page's bottom without room for its foot
    bool repeatOnNewPage = false; // head printed again at the top of every new page
};

struct PageSetup {
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
    double left = 10, top = 10, right = 10, bottom = 10; // margins, mm

    double paperWidth() const { return orientation == QPageLayout::Portrait ? 210 : 297; }
    double paperHeight() const { return orientation == QPageLayout::Portrait ? 297 : 210; }
    double contentWidth() const { return paperWidth() - left - right; }
};

struct Layout {
    QString title; // the preview window's caption
    PageSetup page;
    // Printed once at the top of the first page, above the report head (which may repeat on
    // every page): a document's heading.
    std::optional<Band> heading;
    std::deque<Group> groups; // outermost first
    std::optional<Band> detail;
    std::optional<Band> pageFoot;
    bool printIfEmpty = true;

    // The item a window fills in, e.g. the title label; throws Error when missing.
    Item& item(const QString& name);
    void setText(const QString& name, const QString& text) { item(name).text = text; }
};

class BandBuilder;

// Changes the item just added; the band's own adders go on from here.
class ItemRef {
public:
    ItemRef(Band& band, size_t index) : band_(&band), index_(index) {}
    Item& item() const { return band_->items[index_]; }

    ItemRef& name(const QString& n) { return item().name = n, *this; }
    ItemRef& center() { return item().align = Align::Center, *this; }
    ItemRef& right() { return item().align = Align::Right, *this; }
    ItemRef& bold(bool on = true) { return item().font.bold = on, *this; }
    ItemRef& size(double points) { return item().font.size = points, *this; }
    ItemRef& mask(const QString& m) { return item().mask = m, *this; }
    ItemRef& fill(QColor c) { return item().background = c, *this; }
    ItemRef& color(QColor c) { return item().color = c, *this; }
    ItemRef& frame(int sides, LineStyle style = LineStyle::Solid, QColor c = Qt::black) {
        item().frame = Frame{sides, style, c, 0.2};
        return *this;
    }
    ItemRef& top(double y, double height) {
        item().y = y;
        item().height = height;
        return *this;
    }

    ItemRef label(double x, double width, const QString& text);
    ItemRef field(double x, double width, const QString& name);
    ItemRef expr(double x, double width, const QString& source);

private:
    Band* band_;
    size_t index_;
};

class BandBuilder {
public:
    explicit BandBuilder(Band& band) : band_(&band) {}
    Band& band() const { return *band_; }

    BandBuilder& fill(QColor c) { return band_->background = c, *this; }
    BandBuilder& frame(int sides, LineStyle style = LineStyle::Solid, QColor c = Qt::black) {
        band_->frame = Frame{sides, style, c, 0.2};
        return *this;
    }
    // A band printed right after this one, e.g. a thin spacer.
    BandBuilder child(double height);

    // A fixed text.
    ItemRef label(double x, double width, const QString& text);
    // A data field's value.
    ItemRef field(double x, double width, const QString& name);
    // An expression, parsed now: a malformed one throws Error here.
    ItemRef expr(double x, double width, const QString& source);

private:
    ItemRef add(Item item);
    Band* band_;
};

class LayoutBuilder {
public:
    explicit LayoutBuilder(QPageLayout::Orientation orientation = QPageLayout::Portrait,
                           double margins = 10);

    // The font every item starts with.
    LayoutBuilder& font(const QString& family, double size);
    LayoutBuilder& title(const QString& t) { return layout_.title = t, *this; }

    // The document's heading, printed once at the top of the first page.
    BandBuilder heading(double height);
    // A group without break expression, printed once before the first row (or at the
    // top of every page when repeated); its foot is the report foot.
    BandBuilder reportHead(double height, bool repeatOnNewPage = false);
    BandBuilder reportFoot(double height);
    // A group head printed whenever the break expression's value changes.
    BandBuilder groupHead(const QString& breakExpr, double height, bool linkedToFoot = false);
    // The foot of the group whose head was added last with that break expression.
    BandBuilder groupFoot(const QString& breakExpr, double height);
    BandBuilder detail(double height);
    BandBuilder pageFoot(double height);

    double width() const { return layout_.page.contentWidth(); }
    Layout build() const { return layout_; }

private:
    BandBuilder make(Band& band);
    Group& groupOf(const QString& breakExpr);
    Layout layout_;
    Font font_;
};

} // namespace report
