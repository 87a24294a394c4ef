// TForm29, the production calendar "Производственный календарь (29)": a year as a table of
// months by days, and the facts of the chosen day to change.
#pragma once

#include "timesheet/production_calendar.h"
#include "ui/form.h"

#include <QDate>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;
class QTableWidget;

class TForm29 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm29(QWidget* parent = nullptr);

    QSpinBox* SpinEdit1;  // the year
    QTableWidget* Grid1;  // months by days: "П" holiday, "В" day off, "Р" moved working day,
                          // "7" shortened day
    QLabel* Label1;       // the year's working days and hours
    QLabel* Label2;       // the chosen day
    QCheckBox* CheckBox1; // "Нерабочий праздничный день"
    QCheckBox* CheckBox2; // "Выходной, перенесенный с другой даты"
    QCheckBox* CheckBox3; // "Рабочий день, перенесенный с выходного"
    QCheckBox* CheckBox4; // "Сокращенный предпраздничный день (на 1 час)"
    QPushButton* Button1; // "Записать"
    QPushButton* Button2; // "Закрыть"

    // Shows the window on the year of day, that day chosen.
    void ShowOn(const QDate& day);
    // The chosen day (null when the cell is no date, as 30 February).
    QDate chosenDay() const;
    void chooseDay(const QDate& day);
    const timesheet::DaysOff& daysOff() const { return daysOff_; }

    void FormActivate() override;

public slots:
    void SpinEdit1Change(); // another year
    void Grid1Change();     // another day chosen
    void Button1Click();    // writes the chosen day
    void Button2Click();

private:
    void readYear();
    void showDay();
    timesheet::DaysOff daysOff_;
    bool present_ = true; // the database has the table
};

extern TForm29* Form29;
