// TForm19, the timesheet by time "Табель по времени".
#pragma once

#include "data/query.h"
#include "timesheet/day_columns.h"
#include "ui/form.h"

#include <vector>

class QComboBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QTabWidget;
namespace ui {
class DBGrid;
}

class TForm19 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm19(QWidget* parent = nullptr);
    ~TForm19() override;

    QTabWidget* PageControl1;
    QWidget* TabSheet1;   // "Смена №1"
    QWidget* TabSheet2;   // "Смена №2"
    QWidget* TabSheet3;   // "Смена №3"
    ui::DBGrid* DBGrid1;  // over H_Tabel_1 of the data module
    ui::DBGrid* DBGrid2;  // over H_Tabel_2
    ui::DBGrid* DBGrid3;  // over H_Tabel_3
    QPushButton* Button1; // "Перестроить"
    QProgressBar* PB;
    QPushButton* Button2; // "Excel"
    QPushButton* Button3; // "Т-13", the unified form of the month as a workbook
    QPushButton* Button7; // "Т-13 PDF", the same form in the preview
    QPushButton* Button6; // "Печать"
    QComboBox* ComboBox1; // months
    QComboBox* ComboBox2; // years
    QLabel* Label1;       // "закрыт" beside the month when it is closed
    QPushButton* Button5; // "Обновить"
    QPushButton* Button4; // "Выход"

    // The printout's query: every row of a worker's name in the month summed day by day,
    // shifts, overtime and household rows alike; parameters mnth and yea.
    data::Query H_Tabel;

    // First year of the year list; the list runs to the year after the current one.
    static constexpr int FirstYear = 2007;
    // Selects the year in ComboBox2, or the nearest year the list holds.
    void selectYear(int year);
    int month() const; // of ComboBox1, 1..12
    int year() const;  // of ComboBox2

    ui::DBGrid* grid(int shift) const; // DBGrid1..3

    void FormActivate() override;

public slots:
    void ComboBox1Change(); // change of period
    void Button1Click();    // "Перестроить"
    void Button2Click();    // "Excel"
    void Button3Click();    // "Т-13"
    void Button7Click();    // "Т-13 PDF"
    void Button5Click();    // "Обновить"
    void Button6Click();    // "Печать"
    void Button4Click();    // "Выход"

private:
    void build();
    ui::DBGrid* makeGrid(QWidget* tab);
    void openGrids();
    std::vector<timesheet::DayColumns> days_; // of DBGrid1..3
};

extern TForm19* Form19;
