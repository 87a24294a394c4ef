// TForm23, the login window "Авторизация".
#pragma once

#include "data/rights.h"
#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

class TForm23 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm23(QWidget* parent = nullptr);

    QLabel* Label1;
    QLineEdit* Edit1;     // the access text, shown as "*"
    QPushButton* Button1; // "Вход"
    QPushButton* Button2; // "Отмена"
    QTimer* Timer1;       // 5 s; ends the program once the version check starts it

    void FormActivate() override;

    // A person's own login: asks user's password instead of the access text (none when
    // the server lets the user in without one, passwordAsked false).
    void askFor(const QString& user, bool passwordAsked);
    // Whether the login asks a person's password rather than an access text.
    bool personal() const { return !user_.isEmpty(); }
    // A person's login whose group the server has not said yet (before the password, or
    // outside the program's groups): nothing is read from the department's tables then.
    bool waitingForLogin() const { return personal() && !grouped_; }

public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void warmUpSession();
    // Connects as the person with the typed password, checks the version and takes the
    // person's group; false (with a message) when the login cannot go on.
    bool personalLogin(data::Role* role);
    // Enables what the role may use and shows the journal.
    void enter(data::Role role);

    QString user_;
    bool passwordAsked_ = false;
    bool grouped_ = false;
};

extern TForm23* Form23;
