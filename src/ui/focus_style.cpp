#include "ui/focus_style.h"

#include <QPainter>
#include <QStyleOptionFocusRect>

namespace ui {

namespace {
// A dotted frame just inside rect, dark on light ground and light on dark ground.
void focusFrame(QPainter* painter, const QRect& rect, const QColor& ground) {
    if (rect.width() < 3 || rect.height() < 3) return;
    painter->save();
    const bool dark = ground.isValid() && ground.lightness() < 128;
    QPen pen(dark ? Qt::white : Qt::black, 1, Qt::DotLine);
    painter->setPen(pen);
    painter->setBrush(Qt::NoBrush);
    painter->drawRect(rect.adjusted(0, 0, -1, -1));
    painter->restore();
}
} // namespace

void FocusFrameStyle::drawPrimitive(PrimitiveElement element, const QStyleOption* option,
                                    QPainter* painter, const QWidget* widget) const {
    if (element == PE_FrameFocusRect) {
        const auto* focus = qstyleoption_cast<const QStyleOptionFocusRect*>(option);
        focusFrame(painter, option->rect,
                   focus ? focus->backgroundColor : option->palette.color(QPalette::Window));
        return;
    }
    QProxyStyle::drawPrimitive(element, option, painter, widget);
}

void FocusFrameStyle::drawControl(ControlElement element, const QStyleOption* option,
                                  QPainter* painter, const QWidget* widget) const {
    QProxyStyle::drawControl(element, option, painter, widget);
    // the platform style marks a focused button by a tint of its edge alone, which is hard
    // to see; a frame inside the button is not
    if (element == CE_PushButton && (option->state & State_HasFocus))
        focusFrame(painter, option->rect.adjusted(4, 4, -4, -4),
                   option->palette.color(QPalette::Button));
}

} // namespace ui
