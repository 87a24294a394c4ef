#include "data/texts.h"

#include <cmath>

namespace data::text {

QString general(double v) {
    if (v == 0) return QStringLiteral("0"); // also for -0
    return QString::number(v, 'g', 15);
}

QString counted(qint64 n, const std::array<const char*, 3>& forms) {
    const qint64 m = (n < 0 ? -n : n) % 100;
    const int form = m % 10 == 1 && m != 11                               ? 0
                     : (m % 10 >= 2 && m % 10 <= 4 && (m < 12 || m > 14)) ? 1
                                                                          : 2;
    return QString::number(n) + u' ' + QString::fromUtf8(forms[form]);
}

QString date(const QDate& d) {
    return d.toString(QStringLiteral("dd.MM.yyyy"));
}

QString dateTime(const QDateTime& dt) {
    if (dt.time() == QTime(0, 0)) return date(dt.date());
    return dt.toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

namespace {

// Decimal digits of |v| rounded half away from zero to the given number of decimals,
// split into the integer part and the fraction. Works on the 15-digit decimal form.
void roundDecimal(double v, int decimals, QString& intPart, QString& fracPart) {
    const QString e = QString::number(std::fabs(v), 'e', 14); // d.dddddddddddddde±xx
    QString digits = e.left(1) + e.mid(2, 14);
    const int exp = e.mid(e.indexOf(QLatin1Char('e')) + 1).toInt();
    int intDigits = exp + 1; // digits before the point
    // pad so that the integer part and the wanted decimals are all there
    if (intDigits <= 0) {
        digits = QString(-intDigits + 1, QLatin1Char('0')) + digits;
        intDigits = 1;
    }
    const int keep = intDigits + decimals;
    if (digits.size() < keep + 1) digits += QString(keep + 1 - digits.size(), QLatin1Char('0'));
    bool carry = digits.at(keep) >= QLatin1Char('5');
    digits.truncate(keep);
    for (int i = keep - 1; carry && i >= 0; --i) {
        if (digits.at(i) == QLatin1Char('9')) {
            digits[i] = QLatin1Char('0');
        } else {
            digits[i] = QChar(digits.at(i).unicode() + 1);
            carry = false;
        }
    }
    if (carry) {
        digits.prepend(QLatin1Char('1'));
        ++intDigits;
    }
    intPart = digits.left(intDigits);
    fracPart = digits.mid(intDigits);
    int lead = 0;
    while (lead < intPart.size() - 1 && intPart.at(lead) == QLatin1Char('0'))
        ++lead;
    intPart.remove(0, lead);
}

} // namespace

double kopecks(double v) {
    if (!std::isfinite(v) || v == 0) return v == 0 ? 0 : v;
    QString intPart, fracPart;
    roundDecimal(v, 2, intPart, fracPart);
    const double r = (intPart + QLatin1Char('.') + fracPart).toDouble();
    return v < 0 && r != 0 ? -r : r;
}

QString money(double v) {
    return masked(v, QString::fromLatin1(MoneyMask));
}

QString masked(double v, const QString& mask) {
    if (mask.isEmpty() || !std::isfinite(v)) return general(v);

    // the placeholder part and the literal texts around it
    int first = -1, last = -1;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('#') || c == QLatin1Char('0')) {
            if (first < 0) first = i;
            last = i;
        }
    }
    if (first < 0) return mask;
    const QString prefix = mask.left(first);
    const QString suffix = mask.mid(last + 1);
    const QString body = mask.mid(first, last - first + 1);

    const int point = body.indexOf(QLatin1Char('.'));
    const QString intMask = point < 0 ? body : body.left(point);
    const QString fracMask = point < 0 ? QString() : body.mid(point + 1);
    const bool grouping = intMask.contains(QLatin1Char(','));
    const int minInt = int(intMask.count(QLatin1Char('0')));
    int maxFrac = 0, minFrac = 0;
    for (QChar c : fracMask) {
        if (c == QLatin1Char('0')) {
            ++maxFrac;
            minFrac = maxFrac;
        } else if (c == QLatin1Char('#')) {
            ++maxFrac;
        }
    }

    QString intPart, fracPart;
    roundDecimal(v, maxFrac, intPart, fracPart);
    while (fracPart.size() > minFrac && fracPart.endsWith(QLatin1Char('0')))
        fracPart.chop(1);
    if (intPart == QLatin1String("0") && minInt == 0) intPart.clear();
    if (intPart.size() < minInt)
        intPart.prepend(QString(minInt - intPart.size(), QLatin1Char('0')));
    if (grouping) {
        for (int i = intPart.size() - 3; i > 0; i -= 3)
            intPart.insert(i, QChar(0x00A0));
    }
    bool zero = true;
    for (QChar c : intPart + fracPart)
        if (c >= QLatin1Char('1') && c <= QLatin1Char('9')) zero = false;
    QString out = intPart;
    if (!fracPart.isEmpty()) out += QLatin1Char('.') + fracPart;
    if (out.isEmpty()) out = QStringLiteral("0");
    if (v < 0 && !zero) out.prepend(QLatin1Char('-'));
    return prefix + out + suffix;
}

} // namespace data::text
