// Drawing the prepared pages on a screen, a printer or into a PDF file.
#pragma once

#include "report_engine/document.h"

#include <QFont>

class QPainter;
class QPrinter;
class QPagedPaintDevice;

namespace report {

// The installed font for a layout's font: Arial and its kin map to the metric-compatible
// Liberation fonts, so positions hold.
QString installedFamily(const QString& family);
// The font for a device with the given logical resolution when one millimetre of the
// page takes pxPerMm device pixels.
QFont qtFont(const Font& font, double pxPerMm, int logicalDpi);

// Paints one page with its top left at the painter's origin.
void paintPage(QPainter& painter, const Document& doc, int page, double pxPerMm);

// Paints the pages the printer asks for (all when it names no range). The paper size,
// orientation and margins are set on the device here every time, whatever a print
// dialog left in it. Returns false when the device cannot be painted on.
bool print(const Document& doc, QPrinter& printer);
bool paintDocument(const Document& doc, QPagedPaintDevice& device, int resolution, int fromPage = 1,
                   int toPage = 0);

// Writes the pages as a PDF file with selectable text; throws Error when it cannot.
void writePdf(const Document& doc, const QString& path);

} // namespace report
