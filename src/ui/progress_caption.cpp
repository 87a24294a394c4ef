#include "ui/progress_caption.h"

#include <QAbstractButton>

namespace ui {

ProgressCaption::ProgressCaption(QAbstractButton* button)
    : button_(button), plain_(button ? button->text() : QString()) {}

ProgressCaption::~ProgressCaption() {
    if (button_) button_->setText(plain_);
}

QString ProgressCaption::counting(const QString& caption, int done, int total) {
    return QStringLiteral("%1 (%2 из %3)").arg(caption).arg(done).arg(total);
}

void ProgressCaption::show(int done, int total) {
    if (!button_) return;
    button_->setText(counting(plain_, done, total));
    if (!painted_.isValid() || painted_.elapsed() >= 100 || done == total) {
        button_->repaint();
        painted_.start();
    }
}

} // namespace ui
