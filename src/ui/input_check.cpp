#include "ui/input_check.h"

#include "data/texts.h"
#include "ui/dialogs.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QRegularExpression>
#include <QTimer>
#include <QValidator>
#include <cmath>

namespace ui {

namespace {

QString nonDigits(const QString& text) {
    QString out;
    for (QChar c : text)
        if (c < u'0' || c > u'9') out += c;
    return out;
}

// Refuses, rather than filters, what the user types, pastes or drops when it would put
// anything but digits into the box, and shows the hint; texts the program sets pass.
class WholeNumberValidator : public QValidator {
public:
    WholeNumberValidator(QLineEdit* box, QLabel* hint)
        : QValidator(box), box_(box), hint_(hint), last_(box->text()) {
        timer_.setSingleShot(true);
        timer_.setInterval(3000);
        QObject::connect(&timer_, &QTimer::timeout, hint_, &QLabel::hide);
        QObject::connect(box, &QLineEdit::textChanged, this, [this](const QString& text) {
            last_ = text;
            if (user_) hint_->hide(); // a digit typed after the hint
        });
        box->installEventFilter(this);
    }
    State validate(QString& input, int&) const override {
        if (!user_) return Acceptable;
        const QString extra = nonDigits(input);
        // digits typed into a stored 12.5 keep its point
        if (extra.isEmpty() || extra == nonDigits(last_)) return Acceptable;
        const_cast<WholeNumberValidator*>(this)->showHint();
        return Invalid;
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched != box_ || user_) return false;
        if (!editsText(event)) return false;
        // the box handles it here, so that the check knows the user is editing
        user_ = true;
        static_cast<QObject*>(box_)->event(event);
        user_ = false;
        return true; // delivered
    }

private:
    // Events that put text into the box; Enter, Escape, Tab and the like go their usual way,
    // on to the window.
    static bool editsText(QEvent* event) {
        switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            if (key->matches(QKeySequence::Paste)) return true;
            const QString text = key->text();
            return !text.isEmpty() && text.at(0).isPrint() &&
                   !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        }
        case QEvent::InputMethod: // composed text
        case QEvent::Drop:
        case QEvent::ContextMenu: // its "Вставить"
            return true;
        case QEvent::MouseButtonRelease: // the selection pasted by the middle button
            return static_cast<QMouseEvent*>(event)->button() == Qt::MiddleButton;
        default:
            return false;
        }
    }

    void showHint() {
        // beside the box, over whatever is there, in the box's window
        hint_->adjustSize();
        const QRect at = box_->geometry();
        hint_->move(at.right() + 4, at.top() + (at.height() - hint_->height()) / 2);
        hint_->raise();
        hint_->show();
        timer_.start();
    }
    QLineEdit* box_;
    QLabel* hint_;
    QString last_;
    bool user_ = false;
    QTimer timer_;
};

} // namespace

void wholeNumberBox(QLineEdit* box) {
    auto* hint = new QLabel(QString::fromUtf8(WholeNumberHint), box->parentWidget());
    hint->setObjectName(QStringLiteral("wholeNumberHint"));
    hint->setStyleSheet(QStringLiteral("QLabel { background: #ffffe1; color: #a00000; "
                                       "border: 1px solid #a00000; padding: 1px 3px; }"));
    hint->setAttribute(Qt::WA_TransparentForMouseEvents);
    hint->hide();
    box->setProperty("wholeNumberHint", QVariant::fromValue(static_cast<QObject*>(hint)));
    box->setValidator(new WholeNumberValidator(box, hint));
}

QLabel* hintOf(const QLineEdit* box) {
    return qobject_cast<QLabel*>(box->property("wholeNumberHint").value<QObject*>());
}

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
