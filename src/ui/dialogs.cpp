#include "ui/dialogs.h"

#include "data/connection.h"
#include "data/row_check.h"
#include "ui/form.h"
#include "ui/guard.h"

#include <QApplication>
#include <QDateTime>
#include <QDialog>
#include <QPointer>
#include <limits>

namespace ui {

namespace {
Script* active = nullptr;
// Set at load time by the tests' fixtures, before this file's statics might be: a function's
// static is made on first use.
std::function<void(const QStringList&)>& unfinished() {
    static std::function<void(const QStringList&)> handler;
    return handler;
}
QList<QPointer<QDialog>> modalStack;
int boxesOpen = 0; // message boxes and questions on screen

int execBox(QMessageBox& box) {
    ++boxesOpen;
    const int result = box.exec();
    --boxesOpen;
    return result;
}

// The boxes that tell of a lost connection.
int lossBoxesUp = 0;
qint64 lossShownAt = std::numeric_limits<qint64>::min() / 2;
bool lossUnresolved = false;
std::function<qint64()>& messageClock() {
    static std::function<qint64()> clock = [] { return QDateTime::currentMSecsSinceEpoch(); };
    return clock;
}
constexpr qint64 LossQuiet = 30000;

bool tellsOfLoss(const QString& text) {
    return text == data::Connection::lostMessage() ||
           text == data::Connection::lostCommitMessage() ||
           text == data::lostCommitText(data::LostCommit::Saved) ||
           text == data::lostCommitText(data::LostCommit::NotSaved) ||
           text == data::lostCommitText(data::LostCommit::Unknown);
}

// Counts a loss box from its showing to its closing.
struct LossBox {
    explicit LossBox(bool loss) : loss_(loss) {
        if (!loss_) return;
        ++lossBoxesUp;
        lossUnresolved = true;
        lossShownAt = messageClock()();
    }
    ~LossBox() {
        if (!loss_) return;
        --lossBoxesUp;
        lossShownAt = messageClock()();
    }
    bool loss_;
};

QWidget* parentWindow() {
    if (!modalStack.isEmpty() && modalStack.last()) return modalStack.last();
    return QApplication::activeWindow();
}
} // namespace

Script::Script() : previous_(active) {
    active = this;
}
Script::~Script() {
    active = previous_;
    if (actions_.isEmpty()) return;
    QStringList windows;
    for (const auto& [dialog, action] : actions_)
        windows << (dialog ? dialog->windowTitle() : QStringLiteral("(destroyed)"));
    if (unfinished()) {
        unfinished()(windows);
        return;
    }
    qFatal("Modal actions that never ran, for: %s", qPrintable(windows.join(QStringLiteral(", "))));
}

void Script::onUnfinished(std::function<void(const QStringList&)> handler) {
    unfinished() = std::move(handler);
}
Script* Script::current() {
    return active;
}

void Script::onModal(QDialog* dialog, std::function<void()> action) {
    actions_.append({dialog, std::move(action)});
}

QList<Script::Shown> Script::messages() const {
    QList<Shown> out;
    for (const Shown& s : shown_)
        if (s.kind != Kind::Modal) out << s;
    return out;
}

QStringList Script::texts() const {
    QStringList out;
    for (const Shown& s : shown_)
        if (s.kind != Kind::Modal) out << s.text;
    return out;
}

void Script::record(Kind kind, const QString& text, const QString& caption, QMessageBox::Icon icon,
                    QMessageBox::StandardButton defaultButton) {
    shown_.append({kind, text, caption, icon, defaultButton});
}

bool Script::takeAnswer() {
    if (answers_.isEmpty()) {
        ++unanswered_;
        return false;
    }
    return answers_.takeFirst();
}

std::function<void()> Script::takeAction(QDialog* dialog) {
    for (int i = 0; i < actions_.size(); ++i) {
        if (actions_[i].first == dialog) return actions_.takeAt(i).second;
    }
    return {};
}

std::function<void()> Script::takeMessageAction() {
    return messageActions_.isEmpty() ? std::function<void()>() : messageActions_.takeFirst();
}

bool connectionLossShown() {
    return lossBoxesUp > 0 || lossUnresolved || messageClock()() - lossShownAt < LossQuiet;
}

void connectionBack() {
    lossUnresolved = false;
}

void setMessageClock(std::function<qint64()> clock) {
    messageClock() = std::move(clock);
}

void message(const QString& text, const QString& caption, QMessageBox::Icon icon) {
    const LossBox counted(tellsOfLoss(text));
    if (active) {
        active->record(Script::Kind::Message, text, caption, icon);
        if (auto action = active->takeMessageAction()) action();
        return;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, parentWindow());
    execBox(box);
}

void error(const QString& text) {
    message(text, QStringLiteral("Ошибка"), QMessageBox::Critical);
}

bool askYesNo(const QString& text, const QString& caption,
              QMessageBox::StandardButton defaultButton) {
    if (defaultButton != QMessageBox::No) defaultButton = QMessageBox::Yes;
    if (active) {
        active->record(Script::Kind::Question, text, caption, QMessageBox::Question, defaultButton);
        return active->takeAnswer();
    }
    QMessageBox box(QMessageBox::Question, caption, text, QMessageBox::Yes | QMessageBox::No,
                    parentWindow());
    box.setDefaultButton(defaultButton);
    return execBox(box) == QMessageBox::Yes;
}

void showModal(QDialog* dialog) {
    QPointer<QDialog> opener = modalStack.isEmpty() ? nullptr : modalStack.last();
    modalStack.append(dialog);
    if (active) {
        active->record(Script::Kind::Modal, dialog->windowTitle(), QString(), QMessageBox::NoIcon);
        dialog->show();
        if (auto action = active->takeAction(dialog)) run(action);
        if (dialog->isVisible()) dialog->hide();
    } else {
        dialog->exec();
    }
    modalStack.removeAll(dialog);
    // the opener is the active window again
    if (auto* form = qobject_cast<Form*>(opener.data()); form && form->isVisible())
        run([form] { form->FormActivate(); });
}

bool coveredByModal(const QWidget* window) {
    if (boxesOpen > 0) return true;
    for (qsizetype i = 0; i < modalStack.size(); ++i)
        if (modalStack[i].data() == window) return i + 1 < modalStack.size();
    // a window not shown modally is covered by any that is
    return !modalStack.isEmpty();
}

} // namespace ui
