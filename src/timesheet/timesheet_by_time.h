// TForm19, the timesheet by time, titled after the menu item that opens it, "Табель по сменам".
#pragma once

#include "data/query.h"
#include "reports/sheet_parts.h"
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
    QWidget* TabSheet4;   // "Переработка", shift 4
    ui::DBGrid* DBGrid1;  // over H_Tabel_1 of the data module
    ui::DBGrid* DBGrid2;  // over H_Tabel_2
    ui::DBGrid* DBGrid3;  // over H_Tabel_3
    ui::DBGrid* DBGrid4;  // over H_Tabel_4
    QPushButton* Button1; // "Перестроить"
    QProgressBar* PB;
    QPushButton* Button2; // "Excel"
    QPushButton* Button3; // "Т-13", the unified form of the month as a workbook
    QPushButton* Button7; // "Т-13 PDF", the same form in the preview
    QPushButton* Button6; // "Печать"
    QPushButton* Button8; // "Реквизиты…", the heading of the printouts (full access)
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

    // Shifts shown on the tabs: 1..3 and overtime.
    static constexpr int Shifts = 4;
    ui::DBGrid* grid(int shift) const; // DBGrid1..4

    void FormActivate() override;

public slots:
    void ComboBox1Change(); // change of period
    void Button1Click();    // "Перестроить"
    void Button2Click();    // "Excel"
    void Button3Click();    // "Т-13"
    void Button7Click();    // "Т-13 PDF"
    void Button5Click();    // "Обновить"
    void Button6Click();    // "Печать"
    void Button8Click();    // "Реквизиты…"
    void Button4Click();    // "Выход"

private:
    void build();
    ui::DBGrid* makeGrid(QWidget* tab);
    void openGrids();
    QList<data::Query*> gridQueries() const;
    // The printout's and the workbook's top: the heading, this window's title, the month.
    reports::SheetTitle sheetTitle();
    std::vector<timesheet::DayColumns> days_; // of DBGrid1..4
};

extern TForm19* Form19;
