// Base of every window: a dialog created once, hidden when closed, with the tag its opener
// sets, an activation handler, and default and cancel buttons.
#pragma once

#include <QDialog>

class QPushButton;

namespace ui {

// An editor's Tag: it adds a row, or changes the row its opener chose.
constexpr int NewRow = 1;
constexpr int ChangeRow = 2;

class Form : public QDialog {
    Q_OBJECT
public:
    explicit Form(QWidget* parent = nullptr);

    // Mode of the window, set by whoever opens it: a list's browse (0) or pick mode, an
    // editor's NewRow or ChangeRow.
    int Tag = 0;

    // Runs when the window is shown and whenever a window shown from it closes.
    virtual void FormActivate() {}

    // Enter presses the default button (the focused button, when a button has the focus);
    // Escape presses the cancel button.
    void setDefaultButton(QPushButton* button);
    void setCancelButton(QPushButton* button) { cancel_ = button; }
    QPushButton* cancelButton() const { return cancel_; }

    // Lays the window out as content over a row of buttons at the right; the first button
    // is the default, the last the cancel button.
    void layOutWithButtons(QWidget* content, const QList<QPushButton*>& buttons);

    // A dialog border: a window of fixed size, which no window manager offers to maximise
    // (some offer it to any window that can be resized, whatever its hints say).
    void setDialogBorder(int width, int height) { setFixedSize(width, height); }

    // Hides the window; a modal showing returns.
    void closeForm() { hide(); }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPushButton* cancel_ = nullptr;
};

// Centres a window over the program's active window, or over the screen when there is none
// or onScreen is set.
void centre(QWidget* window, bool onScreen = false);
// Centres a window on the desktop.
void centreOnScreen(QWidget* window);

} // namespace ui
