#include "report_engine/layout.h"

namespace report {

namespace {

Item* findItem(Band& band, const QString& name) {
    for (Item& it : band.items)
        if (it.name == name) return &it;
    for (Band& c : band.children)
        if (Item* it = findItem(c, name)) return it;
    return nullptr;
}

Item makeItem(const Band& band, Item::Kind kind, double x, double width) {
    Item it;
    it.kind = kind;
    it.x = x;
    it.width = width;
    it.font = band.font;
    return it;
}

} // namespace

Item& Layout::item(const QString& name) {
    for (Group& g : groups) {
        if (Item* it = findItem(g.head, name)) return *it;
        if (g.foot)
            if (Item* it = findItem(*g.foot, name)) return *it;
    }
    if (detail)
        if (Item* it = findItem(*detail, name)) return *it;
    if (pageFoot)
        if (Item* it = findItem(*pageFoot, name)) return *it;
    throw Error(QStringLiteral("В макете отчета нет элемента \"%1\"").arg(name));
}

ItemRef ItemRef::label(double x, double width, const QString& text) {
    return BandBuilder(*band_).label(x, width, text);
}
ItemRef ItemRef::field(double x, double width, const QString& name) {
    return BandBuilder(*band_).field(x, width, name);
}
ItemRef ItemRef::expr(double x, double width, const QString& source) {
    return BandBuilder(*band_).expr(x, width, source);
}

ItemRef BandBuilder::add(Item item) {
    band_->items.push_back(std::move(item));
    return ItemRef(*band_, band_->items.size() - 1);
}

ItemRef BandBuilder::label(double x, double width, const QString& text) {
    Item it = makeItem(*band_, Item::Kind::Label, x, width);
    it.text = text;
    return add(std::move(it));
}

ItemRef BandBuilder::field(double x, double width, const QString& name) {
    Item it = makeItem(*band_, Item::Kind::Field, x, width);
    it.expr = Expression::field(name);
    return add(std::move(it));
}

ItemRef BandBuilder::expr(double x, double width, const QString& source) {
    Item it = makeItem(*band_, Item::Kind::Expr, x, width);
    it.expr = Expression::parse(source);
    return add(std::move(it));
}

BandBuilder BandBuilder::child(double height) {
    Band c;
    c.kind = Band::Kind::Child;
    c.name = QStringLiteral("child");
    c.height = height;
    c.font = band_->font;
    band_->children.push_back(std::move(c));
    return BandBuilder(band_->children.back());
}

LayoutBuilder::LayoutBuilder(QPageLayout::Orientation orientation, double margins) {
    layout_.page.orientation = orientation;
    layout_.page.left = layout_.page.top = layout_.page.right = layout_.page.bottom = margins;
}

LayoutBuilder& LayoutBuilder::font(const QString& family, double size) {
    font_.family = family;
    font_.size = size;
    return *this;
}

BandBuilder LayoutBuilder::make(Band& band) {
    band.font = font_;
    return BandBuilder(band);
}

namespace {
// A band of a kind, named as the page dumps show it.
Band& shape(Band& band, Band::Kind kind, const QString& name, double height) {
    band.kind = kind;
    band.name = name;
    band.height = height;
    return band;
}
} // namespace

BandBuilder LayoutBuilder::heading(double height) {
    return make(
        shape(layout_.heading.emplace(), Band::Kind::Heading, QStringLiteral("heading"), height));
}

BandBuilder LayoutBuilder::reportHead(double height, bool repeatOnNewPage) {
    if (layout_.groups.empty() || !layout_.groups.front().breakExpr.isEmpty())
        layout_.groups.push_front(Group());
    Group& g = layout_.groups.front();
    g.repeatOnNewPage = repeatOnNewPage;
    return make(shape(g.head, Band::Kind::ReportHead, QStringLiteral("report head"), height));
}

BandBuilder LayoutBuilder::reportFoot(double height) {
    if (layout_.groups.empty() || !layout_.groups.front().breakExpr.isEmpty()) reportHead(0);
    Group& g = layout_.groups.front();
    return make(
        shape(g.foot.emplace(), Band::Kind::ReportFoot, QStringLiteral("report foot"), height));
}

BandBuilder LayoutBuilder::groupHead(const QString& breakExpr, double height, bool linkedToFoot) {
    Group g;
    g.breakExpr = Expression::parse(breakExpr);
    shape(g.head, Band::Kind::GroupHead, QStringLiteral("head ") + breakExpr, height);
    g.linked = linkedToFoot;
    layout_.groups.push_back(std::move(g));
    return make(layout_.groups.back().head);
}

Group& LayoutBuilder::groupOf(const QString& breakExpr) {
    for (auto it = layout_.groups.rbegin(); it != layout_.groups.rend(); ++it)
        if (!it->breakExpr.isEmpty() && it->breakExpr.text() == breakExpr) return *it;
    throw Error(QStringLiteral("В макете отчета нет группы \"%1\"").arg(breakExpr));
}

BandBuilder LayoutBuilder::groupFoot(const QString& breakExpr, double height) {
    Group& g = groupOf(breakExpr);
    return make(shape(g.foot.emplace(), Band::Kind::GroupFoot, QStringLiteral("foot ") + breakExpr,
                      height));
}

BandBuilder LayoutBuilder::detail(double height) {
    return make(
        shape(layout_.detail.emplace(), Band::Kind::Detail, QStringLiteral("detail"), height));
}

BandBuilder LayoutBuilder::pageFoot(double height) {
    return make(shape(layout_.pageFoot.emplace(), Band::Kind::PageFoot, QStringLiteral("page foot"),
                      height));
}

} // namespace report
