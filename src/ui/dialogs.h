// Message boxes, modal showing and the script that stands in for the user in tests.
#pragma once

#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>

class QDialog;

namespace ui {

// An information or error box with an OK button.
void message(const QString& text, const QString& caption,
             QMessageBox::Icon icon = QMessageBox::Critical);
// The error box every failure ends in: caption "Ошибка", error icon.
void error(const QString& text);
// A Yes/No question with the question icon; true for Yes. defaultButton: the button Enter
// presses, Yes or No (No for a question whose Yes loses data, such as a deletion).
bool askYesNo(const QString& text, const QString& caption,
              QMessageBox::StandardButton defaultButton = QMessageBox::Yes);
// One box for one fault: true while a box that says the connection is lost is up, for 30 s
// after one was shown, and from then on until connectionBack() says statements run again.
// Background work (the version check's timer) shows no box of its own meanwhile.
bool connectionLossShown();
void connectionBack();
// The clock the 30 s are measured by, in milliseconds; tests set their own.
void setMessageClock(std::function<qint64()> clock);

// Shows a window modally and returns when it is hidden again. The window that was on top
// before becomes active again afterwards.
void showModal(QDialog* dialog);
// Whether a window or message box shown modally over window is open.
bool coveredByModal(const QWidget* window);

// While a Script lives, boxes are recorded instead of shown, questions are answered from
// its queue, and a window shown modally runs the registered action instead of waiting.
// A registered action that has not run when the Script ends is a failure of the test: it
// goes to the handler set with onUnfinished (the tests' fixtures report it to the test
// framework), without one the program aborts.
class Script {
public:
    enum class Kind { Message, Question, Modal };
    struct Shown {
        Kind kind;
        QString text;    // the box's text, or the window's caption
        QString caption; // the box's caption
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        // a question's default button (Yes or No); NoButton for the rest
        QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    };

    Script();
    ~Script();
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    static Script* current();

    void answer(bool yes) { answers_.append(yes); }
    // Runs action the next time dialog is shown modally (queued per showing).
    void onModal(QDialog* dialog, std::function<void()> action);
    // Runs action while the next message box is on screen, as events that come meanwhile do.
    void whileMessage(std::function<void()> action) { messageActions_.append(std::move(action)); }

    // Receives the captions of the windows whose actions never ran.
    static void onUnfinished(std::function<void(const QStringList& windows)> handler);

    const QList<Shown>& shown() const { return shown_; }
    QList<Shown> messages() const; // message boxes and questions only
    QStringList texts() const;     // their texts
    void clear() { shown_.clear(); }
    int unanswered() const { return unanswered_; }

    // used by the functions above
    void record(Kind kind, const QString& text, const QString& caption, QMessageBox::Icon icon,
                QMessageBox::StandardButton defaultButton = QMessageBox::NoButton);
    bool takeAnswer();
    std::function<void()> takeAction(QDialog* dialog);
    std::function<void()> takeMessageAction();

private:
    Script* previous_;
    QList<bool> answers_;
    QList<QPair<QPointer<QDialog>, std::function<void()>>> actions_;
    QList<std::function<void()>> messageActions_;
    QList<Shown> shown_;
    int unanswered_ = 0;
};

} // namespace ui
