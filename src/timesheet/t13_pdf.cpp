#include "timesheet/t13_pdf.h"

#include "report_engine/render.h"
#include "timesheet/t13_sheet.h"
#include "timesheet/timesheet_month.h"

#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <algorithm>
#include <map>

namespace timesheet::t13 {

namespace {

using sheet::Cell;
using sheet::Style;

constexpr double MmPerPoint = 25.4 / 72;
constexpr double MmPerInch = 25.4;
// The space a spreadsheet program leaves between a cell's text and its frame.
constexpr double Padding = 0.6;
// A shrunk text is never smaller than this.
constexpr double SmallestSize = 4;

struct Look {
    double size = 8;
    bool bold = false;
    report::Align align = report::Align::Center;
    int sides = report::NoSide;
    bool wrap = false;
};

Look lookOf(Style s) {
    using report::Align;
    switch (s) {
    case Style::Text:
        return {8, false, Align::Left};
    case Style::Right:
        return {8, false, Align::Right};
    case Style::Line:
        return {8, false, Align::Center, report::Bottom};
    case Style::Caption:
        return {6, false, Align::Center};
    case Style::Small:
        return {6, false, Align::Right};
    case Style::Title:
        return {11, true, Align::Center};
    case Style::Box:
        return {7, false, Align::Center, report::AllSides, true};
    case Style::Value:
        return {8, false, Align::Center, report::AllSides};
    case Style::BoldValue:
        return {8, true, Align::Center, report::AllSides};
    case Style::Name:
        return {8, false, Align::Left, report::AllSides, true};
    case Style::TotalLabel:
        return {8, true, Align::Right, report::AllSides};
    case Style::Code:
        return {8, true, Align::Center, report::AllSides};
    }
    return {};
}

// Widths of texts in millimetres, measured in the font the pages are drawn in.
class Measure {
public:
    double width(const QString& text, double size, bool bold) {
        QFontMetricsF& m = bold ? bold_ : plain_;
        return m.horizontalAdvance(text) / Em * size * MmPerPoint;
    }

private:
    static constexpr int Em = 1000;
    static QFont font(bool bold) {
        QFont f(report::installedFamily(QString::fromLatin1(sheet::FontName)));
        f.setPixelSize(Em);
        f.setBold(bold);
        f.setHintingPreference(QFont::PreferNoHinting);
        f.setKerning(false);
        return f;
    }
    QFontMetricsF plain_{font(false)};
    QFontMetricsF bold_{font(true)};
};

// The lines a text takes in a width: its own lines, each broken between words where it is
// wider (a word wider than the width stays whole).
QStringList wrapped(const QString& text, double width, double size, bool bold, Measure& measure) {
    QStringList lines;
    for (const QString& paragraph : text.split(u'\n')) {
        QString line;
        for (const QString& word : paragraph.split(u' ', Qt::SkipEmptyParts)) {
            const QString longer = line.isEmpty() ? word : line + u' ' + word;
            if (!line.isEmpty() && measure.width(longer, size, bold) > width) {
                lines << line;
                line = word;
            } else {
                line = longer;
            }
        }
        lines << line;
    }
    return lines;
}

class Drawing {
public:
    explicit Drawing(report::Document& doc) : doc_(doc) {
        const double tableWidth = [] {
            double w = 0;
            for (int c = 0; c < sheet::Columns; ++c)
                w += sheet::columnPoints(c) * MmPerPoint;
            return w;
        }();
        const double left = sheet::LeftMargin * MmPerInch, right = sheet::RightMargin * MmPerInch;
        // centred between the margins, as the workbook prints
        double x = left + (doc.page.paperWidth() - left - right - tableWidth) / 2;
        for (int c = 0; c < sheet::Columns; ++c) {
            columnX_.push_back(x);
            x += sheet::columnPoints(c) * MmPerPoint;
        }
        columnX_.push_back(x);
    }

    // Begins a page; the rows are placed from the top margin down as they are added.
    void startPage() {
        doc_.pages.emplace_back();
        rowY_.clear();
        y_ = sheet::TopMargin * MmPerInch;
    }
    void addRows(int first, int last) {
        for (int r = first; r <= last; ++r) {
            rowY_[r] = y_;
            y_ += sheet::rowPoints(r) * MmPerPoint;
        }
    }
    // Draws the cells that begin in rows first..last as one band of the page, as the
    // document's dumps list them.
    void band(const QString& name, const std::vector<Cell>& cells, int first, int last) {
        report::Page& page = doc_.pages.back();
        report::PlacedBand placed;
        placed.name = name;
        placed.y = rowY_.at(first);
        placed.height = rowY_.at(last) + sheet::rowPoints(last) * MmPerPoint - placed.y;
        placed.first = int(page.elements.size());
        for (const Cell& c : cells)
            if (c.row >= first && c.row <= last) cell(c);
        placed.last = int(page.elements.size());
        page.bands.push_back(placed);
    }

    void cell(const Cell& c) {
        const Look look = lookOf(c.style);
        const double top = rowY_.at(c.row);
        const double bottom = rowY_.at(c.lastRow) + sheet::rowPoints(c.lastRow) * MmPerPoint;
        const QRectF r(QPointF(columnX_[size_t(c.column)], top),
                       QPointF(columnX_[size_t(c.lastColumn) + 1], bottom));
        const QString shown = c.shown();
        if (!shown.isEmpty()) text(r, shown, look);
        frame(r, look.sides);
    }

    void footer(int page, int pages) {
        const double height = 4;
        const double y = doc_.page.paperHeight() - sheet::FooterMargin * MmPerInch - height;
        report::Page& p = doc_.pages.back();
        report::PlacedBand placed{QStringLiteral("page foot"), y, height, int(p.elements.size())};
        place(QRectF(0, y, doc_.page.paperWidth(), height), sheet::footerText(page, pages),
              fontOf(8, false), report::Align::Center);
        placed.last = int(p.elements.size());
        p.bands.push_back(placed);
    }

private:
    void text(const QRectF& r, const QString& shown, const Look& look) {
        const QRectF inside = r.adjusted(Padding, 0, -Padding, 0);
        const auto lineHeight = [](double size) { return size * MmPerPoint * 1.2; };
        double size = look.size;
        QStringList lines{shown};
        if (look.wrap) {
            // smaller until its words fit across and its lines down
            for (;; size -= 0.25) {
                lines = wrapped(shown, inside.width(), size, look.bold, measure_);
                bool fits = lineHeight(size) * double(lines.size()) <= r.height();
                for (const QString& line : lines)
                    fits = fits && measure_.width(line, size, look.bold) <= inside.width();
                if (fits || size - 0.25 < SmallestSize) break;
            }
        } else {
            // a value is shrunk as the workbook shrinks it; any other text that would be cut
            // at the table's edge too
            const double wide = measure_.width(shown, size, look.bold);
            if (wide > inside.width()) size = std::max(SmallestSize, size * inside.width() / wide);
        }
        const quint16 font = fontOf(size, look.bold);
        const double height = lineHeight(size);
        double y = r.center().y() - height * double(lines.size()) / 2;
        for (const QString& line : lines) {
            if (!line.isEmpty())
                place(QRectF(inside.left(), y, inside.width(), height), line, font, look.align);
            y += height;
        }
    }

    void place(const QRectF& r, const QString& text, quint16 font, report::Align align) {
        report::Element e;
        e.kind = report::Element::Kind::Text;
        e.rect = r;
        e.align = align;
        e.font = font;
        e.color = Qt::black;
        e.text = text;
        doc_.pages.back().elements.push_back(std::move(e));
    }

    void frame(const QRectF& r, int sides) {
        auto line = [&](QPointF a, QPointF b) {
            report::Element e;
            e.kind = report::Element::Kind::Line;
            e.rect = QRectF(a, b);
            e.color = Qt::black;
            e.lineWidth = 0.2;
            doc_.pages.back().elements.push_back(std::move(e));
        };
        if (sides & report::Top) line(r.topLeft(), r.topRight());
        if (sides & report::Bottom) line(r.bottomLeft(), r.bottomRight());
        if (sides & report::Left) line(r.topLeft(), r.bottomLeft());
        if (sides & report::Right) line(r.topRight(), r.bottomRight());
    }

    quint16 fontOf(double size, bool bold) {
        report::Font f;
        f.family = QString::fromLatin1(sheet::FontName);
        f.size = size;
        f.bold = bold;
        const auto found = std::find(doc_.fonts.begin(), doc_.fonts.end(), f);
        if (found != doc_.fonts.end()) return quint16(found - doc_.fonts.begin());
        doc_.fonts.push_back(f);
        return quint16(doc_.fonts.size() - 1);
    }

    report::Document& doc_;
    Measure measure_;
    std::vector<double> columnX_; // left edges, and the table's right edge last
    std::map<int, double> rowY_;  // the page's rows and their tops
    double y_ = 0;
};

} // namespace

report::Document formDocument(const Month& month, const Heading& heading,
                              const Progress& progress) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        throw FormError(QStringLiteral("Для PDF нужна графическая часть программы."));
    const sheet::Grid grid = sheet::layOut(month, heading, progress);
    report::Document doc;
    doc.title = QStringLiteral("Табель Т-13 ") + monthNames().value(month.month - 1) + u' ' +
                QString::number(month.year);
    doc.page.orientation = QPageLayout::Landscape;
    doc.page.left = sheet::LeftMargin * MmPerInch;
    doc.page.right = sheet::RightMargin * MmPerInch;
    doc.page.top = sheet::TopMargin * MmPerInch;
    doc.page.bottom = sheet::BottomMargin * MmPerInch;

    // the rows of each page: the heading on the first, the table's head on all, the workers
    // up to the next break, and the end on the last
    std::vector<int> starts{sheet::FirstWorkerRow};
    starts.insert(starts.end(), grid.breaks.begin(), grid.breaks.end());
    const int pages = int(starts.size());
    const int headLast = sheet::TableHead + sheet::TableHeadRows - 1;
    Drawing draw(doc);
    for (int p = 0; p < pages; ++p) {
        draw.startPage();
        draw.addRows(p == 0 ? 0 : sheet::TableHead, headLast);
        const bool last = p + 1 == pages;
        const int end = last ? grid.endRow : starts[size_t(p) + 1];
        draw.addRows(starts[size_t(p)], last ? grid.rows() - 1 : end - 1);
        if (p == 0) draw.band(QStringLiteral("heading"), grid.cells, 0, sheet::TableHead - 1);
        draw.band(QStringLiteral("head"), grid.cells, sheet::TableHead, headLast);
        for (int r = starts[size_t(p)]; r < end; r += sheet::WorkerRows)
            draw.band(QStringLiteral("worker %1")
                          .arg((r - sheet::FirstWorkerRow) / sheet::WorkerRows + 1),
                      grid.cells, r, r + sheet::WorkerRows - 1);
        if (last) draw.band(QStringLiteral("end"), grid.cells, grid.endRow, grid.rows() - 1);
        draw.footer(p + 1, pages);
    }
    return doc;
}

QString writePdf(const Month& month, const Heading& heading, const QString& path, Existing existing,
                 const Progress& progress) {
    sheet::checkTarget(path);
    const report::Document doc = formDocument(month, heading, progress);
    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    const QString written = sheet::newFileIn(folder, target.completeBaseName(), "pdf");
    try {
        report::writePdf(doc, written);
    } catch (const report::Error&) {
        QFile::remove(written);
        throw FormError(QStringLiteral("Не удалось записать табель в папку «%1».")
                            .arg(QDir::toNativeSeparators(folder.absolutePath())));
    }
    return sheet::moveInto(written, target.absoluteFilePath(), existing);
}

} // namespace timesheet::t13
