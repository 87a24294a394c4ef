// The program's widget style: the platform's, with a focus frame the user sees on every
// control, a coloured button or a narrow "..." button included.
#pragma once

#include <QProxyStyle>

namespace ui {

class FocusFrameStyle : public QProxyStyle {
    Q_OBJECT
public:
    using QProxyStyle::QProxyStyle;

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget = nullptr) const override;
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget = nullptr) const override;
};

} // namespace ui
