#include "report_engine/prepare.h"

#include <algorithm>

namespace report {

namespace {

constexpr double kEpsilon = 1e-6;

struct CompiledBand {
    const Band* band = nullptr;
    std::vector<Compiled> exprs; // per item; unused for labels
    std::vector<quint16> fonts;  // per item, index into the document's fonts
    std::vector<int> sumSlots;   // running sums shown in this band
    std::vector<CompiledBand> children;

    double fullHeight() const {
        double h = band->height;
        for (const CompiledBand& c : children)
            h += c.fullHeight();
        return h;
    }
};

struct CompiledGroup {
    const Group* group = nullptr;
    Compiled breakExpr;
    bool hasBreak = false;
    CompiledBand head;
    std::optional<CompiledBand> foot;
    bool open = false;
    Value lastValue;
};

bool sameValue(const Value& a, const Value& b) {
    if (a.type() != b.type()) return false;
    if (a.isNull()) return true;
    if (a.isText()) return a.text() == b.text();
    double x = 0, y = 0;
    a.toNumber(x);
    b.toNumber(y);
    return x == y;
}

class Preparer {
public:
    Preparer(const Layout& layout, const RowSource& rows) : layout_(layout), rows_(rows) {
        doc_.title = layout.title;
        doc_.page = layout.page;
        binder_.fieldIndex = [this](const QString& name) { return rows_.fieldIndex(name); };
        binder_.newSum = [this](Compiled c) {
            slotExprs_.push_back(std::move(c));
            sums_.push_back(0);
            if (collecting_) collecting_->push_back(int(sums_.size()) - 1);
            return int(sums_.size()) - 1;
        };
        for (const Group& g : layout.groups) {
            CompiledGroup cg;
            cg.group = &g;
            cg.hasBreak = !g.breakExpr.isEmpty();
            if (cg.hasBreak) cg.breakExpr = compile(g.breakExpr, binder_);
            cg.head = compileBand(g.head);
            if (g.foot) cg.foot = compileBand(*g.foot);
            groups_.push_back(std::move(cg));
        }
        if (layout.heading) heading_ = compileBand(*layout.heading);
        if (layout.detail) detail_ = compileBand(*layout.detail);
        if (layout.pageFoot) pageFoot_ = compileBand(*layout.pageFoot);
        bottom_ = layout.page.paperHeight() - layout.page.bottom;
        if (pageFoot_) bottom_ -= pageFoot_->fullHeight();
    }

    Document run() {
        const int n = rows_.rowCount();
        if (n == 0 && !layout_.printIfEmpty) return std::move(doc_);
        startPage();
        if (heading_) {
            emitBand(*heading_, n > 0 ? 0 : -1);
            bodyTop_ = y_; // what follows starts the page as on any other
        }
        const int count = int(groups_.size());
        if (n == 0) {
            // the groups without break expression still print their heads and feet
            for (int i = 0; i < count && !groups_[i].hasBreak; ++i)
                openGroup(i, -1);
        }
        std::vector<Value> values(count);
        for (int r = 0; r < n; ++r) {
            int level = count;
            for (int i = 0; i < count; ++i) {
                CompiledGroup& g = groups_[i];
                if (g.hasBreak) values[i] = evaluate(g.breakExpr, context(r));
                if (level == count &&
                    (!g.open || (g.hasBreak && !sameValue(values[i], g.lastValue))))
                    level = i;
            }
            closeGroups(level, r - 1);
            openGroups(level, r, values);
            // the page break comes first, so that a page's sums count only its own lines
            if (detail_) makeRoom(*detail_, r);
            accumulate(r);
            if (detail_) emitBand(*detail_, r);
            row_ = r;
        }
        closeGroups(0, n - 1);
        finishPage();
        return std::move(doc_);
    }

private:
    CompiledBand compileBand(const Band& band) {
        CompiledBand cb;
        cb.band = &band;
        std::vector<int>* saved = collecting_;
        collecting_ = &cb.sumSlots;
        for (const Item& it : band.items) {
            cb.exprs.push_back(it.kind == Item::Kind::Label ? Compiled()
                                                            : compile(it.expr, binder_));
            cb.fonts.push_back(fontIndex(it.font));
        }
        collecting_ = saved;
        for (const Band& c : band.children)
            cb.children.push_back(compileBand(c));
        return cb;
    }

    quint16 fontIndex(const Font& f) {
        for (size_t i = 0; i < doc_.fonts.size(); ++i)
            if (doc_.fonts[i] == f) return quint16(i);
        doc_.fonts.push_back(f);
        return quint16(doc_.fonts.size() - 1);
    }

    EvalContext context(int row) const {
        EvalContext ctx;
        ctx.rows = &rows_;
        ctx.row = row;
        ctx.page = int(doc_.pages.size());
        ctx.sums = &sums_;
        return ctx;
    }

    void accumulate(int row) {
        const EvalContext ctx = context(row);
        for (size_t s = 0; s < slotExprs_.size(); ++s) {
            double x = 0;
            const Value v = evaluate(slotExprs_[s], ctx);
            if (!v.isNull() && v.toNumber(x)) sums_[s] += x;
        }
    }

    // The end of data closes every group through here too, so no foot is lost.
    void closeGroups(int level, int lastRow) {
        for (int i = int(groups_.size()) - 1; i >= level; --i) {
            CompiledGroup& g = groups_[i];
            if (!g.open) continue;
            if (g.foot) place(*g.foot, lastRow);
            g.open = false;
        }
    }

    void openGroups(int level, int row, const std::vector<Value>& values) {
        const int count = int(groups_.size());
        if (level >= count) return;
        // keep-with-next, decided before anything prints: the heads, the first line and
        // the feet of linked heads must fit above the page foot
        bool linked = false;
        double need = detail_ ? detail_->fullHeight() : 0;
        for (int i = level; i < count; ++i) {
            need += groups_[i].head.fullHeight();
            if (groups_[i].group->linked) {
                linked = true;
                if (groups_[i].foot) need += groups_[i].foot->fullHeight();
            }
        }
        if (linked && !pageFresh() && y_ + need > bottom_ + kEpsilon) newPage(row);
        for (int i = level; i < count; ++i) {
            groups_[i].lastValue = values[i];
            openGroup(i, row);
        }
    }

    void openGroup(int i, int row) {
        CompiledGroup& g = groups_[i];
        g.open = true;
        // a head repeated on every page has been printed by the new page already
        if (g.group->repeatOnNewPage && pageFresh() && repeatedPrinted_) return;
        place(g.head, row);
    }

    bool pageFresh() const { return y_ <= bodyTop_ + kEpsilon; }

    void makeRoom(const CompiledBand& cb, int row) {
        if (!pageFresh() && y_ + cb.fullHeight() > bottom_ + kEpsilon) newPage(row);
    }

    void place(const CompiledBand& cb, int row) {
        makeRoom(cb, row);
        emitBand(cb, row);
    }

    void emitBand(const CompiledBand& cb, int row) {
        Page& page = doc_.pages.back();
        const Band& band = *cb.band;
        const double left = layout_.page.left;
        const double width = layout_.page.contentWidth();
        const double top = y_;
        const double h = band.height;
        PlacedBand placed;
        placed.name = band.name;
        placed.y = top;
        placed.height = h;
        placed.first = int(page.elements.size());

        if (band.background.isValid()) addFill(page, QRectF(left, top, width, h), band.background);
        const EvalContext ctx = context(row);
        for (size_t i = 0; i < band.items.size(); ++i) {
            const Item& it = band.items[i];
            const double ih = it.height > 0 ? it.height : h - it.y;
            const QRectF r(left + it.x, top + it.y, it.width, ih);
            if (it.background.isValid()) addFill(page, r, it.background);
            QString text = it.kind == Item::Kind::Label
                               ? it.text
                               : formatValue(evaluate(cb.exprs[i], ctx), it.mask);
            if (!text.isEmpty()) {
                Element e;
                e.kind = Element::Kind::Text;
                e.rect = r;
                e.align = it.align;
                e.font = cb.fonts[i];
                e.color = it.color;
                e.text = std::move(text);
                page.elements.push_back(std::move(e));
            }
            addFrame(page, r, it.frame);
        }
        addFrame(page, QRectF(left, top, width, h), band.frame);
        placed.last = int(page.elements.size());
        page.bands.push_back(placed);
        y_ += h;

        // sums restart after the band that shows them; the report foot's and the running
        // sums of the detail line never do
        if (band.kind != Band::Kind::ReportFoot && band.kind != Band::Kind::Detail)
            for (int s : cb.sumSlots)
                sums_[s] = 0;
        for (const CompiledBand& c : cb.children)
            emitBand(c, row);
    }

    static void addFill(Page& page, const QRectF& r, const QColor& c) {
        Element e;
        e.kind = Element::Kind::Fill;
        e.rect = r;
        e.color = c;
        page.elements.push_back(std::move(e));
    }

    static void addFrame(Page& page, const QRectF& r, const Frame& f) {
        if (!f.sides) return;
        auto line = [&](QPointF a, QPointF b) {
            Element e;
            e.kind = Element::Kind::Line;
            e.rect = QRectF(a, b);
            e.color = f.color;
            e.style = f.style;
            e.lineWidth = f.width;
            page.elements.push_back(std::move(e));
        };
        if (f.sides & Top) line(r.topLeft(), r.topRight());
        if (f.sides & Bottom) line(r.bottomLeft(), r.bottomRight());
        if (f.sides & Left) line(r.topLeft(), r.bottomLeft());
        if (f.sides & Right) line(r.topRight(), r.bottomRight());
    }

    void startPage() {
        doc_.pages.emplace_back();
        y_ = layout_.page.top;
        bodyTop_ = y_;
        repeatedPrinted_ = false;
    }

    void newPage(int row) {
        finishPage();
        startPage();
        bool any = false;
        for (CompiledGroup& g : groups_) {
            if (g.open && g.group->repeatOnNewPage) {
                emitBand(g.head, row);
                any = true;
            }
        }
        bodyTop_ = y_;
        repeatedPrinted_ = any;
    }

    void finishPage() {
        if (doc_.pages.empty() || !pageFoot_) return;
        const double saved = y_;
        y_ = bottom_;
        emitBand(*pageFoot_, row_);
        y_ = saved;
    }

    const Layout& layout_;
    const RowSource& rows_;
    Document doc_;
    Binder binder_;
    std::vector<Compiled> slotExprs_;
    std::vector<double> sums_;
    std::vector<int>* collecting_ = nullptr;
    std::vector<CompiledGroup> groups_;
    std::optional<CompiledBand> heading_;
    std::optional<CompiledBand> detail_;
    std::optional<CompiledBand> pageFoot_;
    double bottom_ = 0; // where the page foot's space begins
    double y_ = 0;
    double bodyTop_ = 0;
    bool repeatedPrinted_ = false;
    int row_ = -1; // the last row printed, for the page foot
};

} // namespace

Document prepare(const Layout& layout, const RowSource& rows) {
    return Preparer(layout, rows).run();
}

Document prepare(const Layout& layout, const data::Query& query) {
    return prepare(layout, QueryRows(query));
}

} // namespace report
