#include "report_engine/render.h"

#include "report_engine/expression.h"

#include <QFile>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QPrinter>
#include <cmath>

namespace report {

QString installedFamily(const QString& family) {
    const QString f = family.trimmed().toLower();
    if (f == QLatin1String("arial") || f == QLatin1String("helvetica") || f.isEmpty())
        return QStringLiteral("Liberation Sans");
    if (f == QLatin1String("times new roman") || f == QLatin1String("times"))
        return QStringLiteral("Liberation Serif");
    if (f == QLatin1String("courier new") || f == QLatin1String("courier"))
        return QStringLiteral("Liberation Mono");
    return family;
}

QFont qtFont(const Font& font, double pxPerMm, int logicalDpi) {
    QFont f(installedFamily(font.family));
    // a point is 25.4/72 mm; the device turns points into pixels by its logical dpi
    f.setPointSizeF(font.size * 25.4 * pxPerMm / std::max(1, logicalDpi));
    f.setBold(font.bold);
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setKerning(false);
    return f;
}

namespace {

Qt::Alignment alignment(Align a) {
    switch (a) {
    case Align::Center:
        return Qt::AlignHCenter;
    case Align::Right:
        return Qt::AlignRight;
    case Align::Left:
        break;
    }
    return Qt::AlignLeft;
}

} // namespace

void paintPage(QPainter& painter, const Document& doc, int pageIndex, double pxPerMm) {
    if (pageIndex < 0 || pageIndex >= doc.pageCount()) return;
    const Page& page = doc.pages[pageIndex];
    const int dpi = painter.device() ? painter.device()->logicalDpiY() : 96;

    std::vector<QFont> fonts;
    std::vector<QFontMetricsF> metrics;
    for (const Font& f : doc.fonts) {
        fonts.push_back(qtFont(f, pxPerMm, dpi));
        metrics.emplace_back(fonts.back(), painter.device());
    }
    auto px = [pxPerMm](const QRectF& r) {
        return QRectF(r.x() * pxPerMm, r.y() * pxPerMm, r.width() * pxPerMm, r.height() * pxPerMm);
    };

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    int currentFont = -1;
    for (const Element& e : page.elements) {
        switch (e.kind) {
        case Element::Kind::Fill:
            painter.fillRect(px(e.rect), e.color);
            break;
        case Element::Kind::Line: {
            QPen pen(e.color);
            pen.setWidthF(std::max(1.0, e.lineWidth * pxPerMm));
            pen.setStyle(e.style == LineStyle::Dotted ? Qt::DotLine : Qt::SolidLine);
            pen.setCapStyle(Qt::FlatCap);
            painter.setPen(pen);
            painter.drawLine(QPointF(e.rect.left() * pxPerMm, e.rect.top() * pxPerMm),
                             QPointF(e.rect.right() * pxPerMm, e.rect.bottom() * pxPerMm));
            break;
        }
        case Element::Kind::Text: {
            if (e.font != currentFont) {
                currentFont = e.font;
                painter.setFont(fonts[e.font]);
            }
            painter.setPen(e.color);
            const QRectF r = px(e.rect);
            int flags = int(alignment(e.align) | Qt::AlignVCenter | Qt::TextSingleLine);
            // clipping costs a clip path per text in a PDF: only texts too wide get one
            if (metrics[e.font].horizontalAdvance(e.text) <= r.width()) flags |= Qt::TextDontClip;
            painter.drawText(r, flags, e.text);
            break;
        }
        }
    }
    painter.restore();
}

bool paintDocument(const Document& doc, QPagedPaintDevice& device, int resolution, int fromPage,
                   int toPage) {
    const QPageLayout layout(QPageSize(QPageSize::A4), doc.page.orientation, QMarginsF(0, 0, 0, 0),
                             QPageLayout::Millimeter);
    device.setPageLayout(layout);
    const int count = std::max(1, doc.pageCount());
    const int from = std::clamp(fromPage, 1, count);
    const int to = toPage <= 0 ? count : std::clamp(toPage, from, count);
    QPainter painter;
    if (!painter.begin(&device)) return false;
    const double pxPerMm = resolution / 25.4;
    for (int p = from; p <= to; ++p) {
        if (p > from) device.newPage();
        paintPage(painter, doc, p - 1, pxPerMm);
    }
    return painter.end();
}

bool print(const Document& doc, QPrinter& printer) {
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(doc.page.orientation);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    if (!doc.title.isEmpty()) printer.setDocName(doc.title);
    int from = 1, to = 0;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        from = printer.fromPage();
        to = printer.toPage();
    }
    return paintDocument(doc, printer, printer.resolution(), from, to);
}

void writePdf(const Document& doc, const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(
            QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, file.errorString()));
    bool ok = false;
    {
        QPdfWriter writer(&file);
        writer.setTitle(doc.title);
        writer.setCreator(QStringLiteral("Табель"));
        writer.setResolution(1200);
        ok = paintDocument(doc, writer, writer.resolution());
    }
    file.close();
    if (!ok || file.error() != QFileDevice::NoError)
        throw Error(
            QStringLiteral("Не удалось записать файл \"%1\": %2").arg(path, file.errorString()));
}

} // namespace report
