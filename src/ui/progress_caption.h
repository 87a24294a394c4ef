// A button's caption that counts an export's rows ("Excel (3 из 40)") while the export runs
// and shows the plain caption again ("Excel") when it ends, however it ends: a count left on
// a button reads as work still to do, or as a result that is no longer there.
#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

class QAbstractButton;

namespace ui {

class ProgressCaption {
public:
    // Remembers the button's caption, which it shows again at the end.
    explicit ProgressCaption(QAbstractButton* button);
    ~ProgressCaption();
    ProgressCaption(const ProgressCaption&) = delete;
    ProgressCaption& operator=(const ProgressCaption&) = delete;

    // "<caption> (done из total)", painted now and then rather than for every row, which
    // would cost more than the row.
    void show(int done, int total);

    // The caption while counting, e.g. "Excel (3 из 40)".
    static QString counting(const QString& caption, int done, int total);

private:
    QPointer<QAbstractButton> button_;
    QString plain_;
    QElapsedTimer painted_;
};

} // namespace ui
