#include "ui/input_check.h"

#include "data/texts.h"
#include "ui/dialogs.h"

#include <QRegularExpression>
#include <cmath>

namespace ui {

qsizetype characters(const QString& text) {
    qsizetype n = 0;
    for (qsizetype i = 0; i < text.size(); ++i, ++n)
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) ++i;
    return n;
}

bool fitsText(const QString& text, qsizetype maxChars, const QString& field) {
    const qsizetype n = characters(text);
    if (n <= maxChars) return true;
    error(QStringLiteral("Поле «%1» не может быть длиннее %2 символов, а введено %3.")
              .arg(field)
              .arg(maxChars)
              .arg(n));
    return false;
}

std::optional<double> decimalNumber(const QString& typed, bool* tooLong) {
    if (tooLong) *tooLong = false;
    static const QRegularExpression plain(QStringLiteral("\\A([0-9]*)[.,]?([0-9]*)\\z"));
    const QString t = typed.trimmed();
    const QRegularExpressionMatch m = plain.match(t);
    if (!m.hasMatch() || m.capturedLength(1) + m.capturedLength(2) == 0) return std::nullopt;
    // significant digits: from the first non-zero digit to the last non-zero one
    QString digits = m.captured(1) + m.captured(2);
    while (digits.startsWith(u'0'))
        digits.remove(0, 1);
    while (digits.endsWith(u'0'))
        digits.chop(1);
    if (digits.size() > 15) {
        if (tooLong) *tooLong = true;
        return std::nullopt;
    }
    QString c = t;
    c.replace(u',', u'.');
    const double v = c.toDouble();
    // beyond a double either way: too great, or so small that it would become 0
    if (!std::isfinite(v) || (v == 0 && !digits.isEmpty())) {
        if (tooLong) *tooLong = true;
        return std::nullopt;
    }
    return v;
}

std::optional<double> typedNumber(const QString& typed, const QString& field,
                                  const QString& notANumber) {
    bool tooLong = false;
    const std::optional<double> v = decimalNumber(typed, &tooLong);
    if (!v)
        error(tooLong ? QStringLiteral("В поле «%1» слишком длинное число!").arg(field)
                      : notANumber);
    return v;
}

namespace {
QDate fixedToday;
}

QDate today() {
    return fixedToday.isValid() ? fixedToday : QDate::currentDate();
}

void setToday(const QDate& day) {
    fixedToday = day;
}

bool confirmFarDate(const QDate& day) {
    const QDate now = today();
    if (day >= now.addYears(-1) && day <= now.addYears(1)) return true;
    return askYesNo(QStringLiteral("Дата %1 отстоит от сегодняшней (%2) больше чем на год. "
                                   "Записать с этой датой?")
                        .arg(data::text::date(day), data::text::date(now)),
                    QStringLiteral("Подтверждение"));
}

} // namespace ui
