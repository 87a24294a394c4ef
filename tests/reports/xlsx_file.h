// Reads back what an .xlsx file holds on its first sheet: cell values, whether a cell is a
// number, bold or set to text, and column widths.
#pragma once

#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>
#include <QtTest>

namespace xlsx {

struct Cell {
    QString value;
    bool number = false; // stored as a number, not as a text
    bool bold = false;
    bool textFormat = false; // number format "@"
};

struct Sheet {
    QMap<QString, Cell> cells; // by reference, "A1"
    QMap<int, double> widths;  // custom column widths by column (1-based)
    QString value(const QString& ref) const { return cells.value(ref).value; }
    // The values of one row from column A on, up to its last written cell.
    QStringList row(int r) const {
        QStringList out;
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            QString letters = it.key();
            letters.remove(QRegularExpression(QStringLiteral("[0-9]")));
            if (it.key().mid(letters.size()).toInt() != r) continue;
            int col = 0;
            for (QChar c : letters)
                col = col * 26 + (c.unicode() - 'A' + 1);
            while (out.size() < col)
                out << QString();
            out[col - 1] = it.value().value;
        }
        return out;
    }
    int rows() const {
        int n = 0;
        for (auto it = cells.cbegin(); it != cells.cend(); ++it) {
            QString digits = it.key();
            digits.remove(QRegularExpression(QStringLiteral("[A-Z]")));
            n = qMax(n, digits.toInt());
        }
        return n;
    }
};

inline QByteArray part(const QString& file, const QString& name) {
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), file, name});
    if (!unzip.waitForFinished(30000) || unzip.exitCode() != 0)
        qFatal("unzip cannot read %s from %s", qPrintable(name), qPrintable(file));
    return unzip.readAllStandardOutput();
}

inline Sheet read(const QString& file) {
    Sheet sheet;
    // shared strings
    QStringList strings;
    {
        QXmlStreamReader x(part(file, QStringLiteral("xl/sharedStrings.xml")));
        QString current;
        bool inSi = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement() && x.name() == u"si") {
                inSi = true;
                current.clear();
            } else if (x.isStartElement() && x.name() == u"t" && inSi) {
                current += x.readElementText();
            } else if (x.isEndElement() && x.name() == u"si") {
                strings << current;
                inSi = false;
            }
        }
    }
    // styles: which cell formats are bold and which are text
    QList<bool> boldFont;
    QList<QPair<bool, bool>> xfs; // bold, text
    {
        QXmlStreamReader x(part(file, QStringLiteral("xl/styles.xml")));
        bool inFonts = false, inXfs = false;
        while (!x.atEnd()) {
            x.readNext();
            if (x.isStartElement()) {
                if (x.name() == u"fonts")
                    inFonts = true;
                else if (x.name() == u"cellXfs")
                    inXfs = true;
                else if (inFonts && x.name() == u"font")
                    boldFont << false;
                else if (inFonts && x.name() == u"b")
                    boldFont.last() = true;
                else if (inXfs && x.name() == u"xf") {
                    const int font = x.attributes().value(QLatin1String("fontId")).toInt();
                    const int fmt = x.attributes().value(QLatin1String("numFmtId")).toInt();
                    xfs << qMakePair(boldFont.value(font), fmt == 49);
                }
            } else if (x.isEndElement()) {
                if (x.name() == u"fonts")
                    inFonts = false;
                else if (x.name() == u"cellXfs")
                    inXfs = false;
            }
        }
    }
    QXmlStreamReader x(part(file, QStringLiteral("xl/worksheets/sheet1.xml")));
    QString ref, type;
    int style = 0;
    while (!x.atEnd()) {
        x.readNext();
        if (!x.isStartElement()) continue;
        if (x.name() == u"col") {
            const int min = x.attributes().value(QLatin1String("min")).toInt();
            const int max = x.attributes().value(QLatin1String("max")).toInt();
            for (int c = min; c <= max; ++c)
                sheet.widths[c] = x.attributes().value(QLatin1String("width")).toDouble();
        } else if (x.name() == u"c") {
            ref = x.attributes().value(QLatin1String("r")).toString();
            type = x.attributes().value(QLatin1String("t")).toString();
            style = x.attributes().value(QLatin1String("s")).toInt();
        } else if (x.name() == u"v") {
            Cell c;
            const QString v = x.readElementText();
            c.number = type.isEmpty() || type == u"n";
            c.value = type == u"s" ? strings.value(v.toInt()) : v;
            c.bold = xfs.value(style).first;
            c.textFormat = xfs.value(style).second;
            sheet.cells[ref] = c;
        }
    }
    return sheet;
}

} // namespace xlsx
