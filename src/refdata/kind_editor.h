// TForm9, the operation kind editor (its caption is set by the kinds list).
#pragma once

#include "refdata/list_window.h"

class QGroupBox;
class QLineEdit;
class QPushButton;

class TForm9 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    QGroupBox* GroupBox1; // "Вид операции"
    QLineEdit* Edit1;     // "Операция"
    QPushButton* Button1; // "Записать"
    QPushButton* Button2; // "Отмена"

    void FormActivate() override;

public slots:
    void Button1Click(); // save
    void Button2Click(); // cancel
};

extern TForm9* Form9;
