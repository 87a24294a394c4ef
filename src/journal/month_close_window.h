// TForm28, the month asked for by "Закрыть месяц…" and "Открыть месяц…"; caption set by the
// menu command.
#pragma once

#include "ui/form.h"

#include <QDate>

class QComboBox;
class QPushButton;
class QSpinBox;

class TForm28 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm28(QWidget* parent = nullptr);

    QComboBox* ComboBox1; // months
    QSpinBox* SpinEdit1;  // year
    QPushButton* Button1; // "ОК"
    QPushButton* Button2; // "Отмена"

    // Set when the window closed through "ОК".
    bool Accepted = false;

    // Shows the window on the month of day; returns whether a month was chosen.
    bool AskMonth(const QString& caption, const QDate& day);
    int year() const;
    int month() const; // 1..12

public slots:
    void Button1Click();
    void Button2Click();
};

extern TForm28* Form28;
