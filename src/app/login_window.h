// TForm23, the login window "Авторизация".
#pragma once

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

public slots:
    void Button1Click();
    void Button2Click();
    void Timer1Timer();

protected:
    void closeEvent(QCloseEvent* event) override;
};

extern TForm23* Form23;
