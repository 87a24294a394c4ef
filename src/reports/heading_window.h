// TForm32, "Реквизиты (32)": the organisation and the department every printed and exported
// timesheet carries at its top, set once by full access.
#pragma once

#include "ui/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TForm32 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm32(QWidget* parent = nullptr);

    QLineEdit* Edit1;     // "Организация"
    QLineEdit* Edit2;     // "Подразделение"
    QLabel* Label3;       // why nothing can be changed, when nothing can
    QPushButton* Button1; // "Записать"
    QPushButton* Button2; // "Отмена"

    // Reads the heading and shows the window modally; a database without the settings table
    // is said so, with what to run, and the window is not shown.
    void ShowHeading();

public slots:
    void Button1Click(); // stores the heading and closes the window
    void Button2Click();
};

extern TForm32* Form32;
