// TForm27, the piece-work timesheet "Табель сделка (27)" in its four modes (piece work,
// household works, average piece rate, general); the opening command sets the caption.
#pragma once

#include "data/query.h"
#include "reports/sheet_parts.h"
#include "timesheet/day_columns.h"
#include "ui/form.h"

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
namespace ui {
class DBGrid;
class DBLookupComboBox;
} // namespace ui

class TForm27 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm27(QWidget* parent = nullptr);
    ~TForm27() override;

    // Grid columns by position: 0 fio, 1 s_night, 2..32 d1..d31, 33 f_price, 34 i_time,
    // 35 average_price.
    ui::DBGrid* DBGrid;
    data::DataSource DataSource1;
    QComboBox* ComboBox1;          // months
    ui::DBLookupComboBox* cb_year; // years the timesheet holds, from q_year
    QLabel* DBText1;               // "Итого:", price of all_price
    QLabel* DBText2;               // "Сделка:", price of price
    QLabel* DBText3;               // "Хоз. работы:", price of price7
    QLabel* DBText4;               // "Ср. сдел.:", price of price8
    QLabel* Label1;                // "закрыт" beside the month when it is closed
    QPushButton* Button2;          // "Печать": the month shown, in the preview
    QPushButton* Button3;          // "Excel": the month shown, as a workbook
    QPushButton* Button4; // "Реквизиты…", the heading of the printouts (full access)
    QPushButton* Button1; // "Выход"

    // One per mode; parameters i_month, i_year and the period bounds d_date1 … d_date8.
    data::Query H_Tabel0;    // per worker: shift hours and piece-work money
    data::Query H_Tabel7777; // per worker and day/night: household works
    data::Query H_Tabel7778; // per worker and day/night: average piece rate
    data::Query H_Tabel_all; // per worker: all hours and all money
    data::Query q_year;
    // The department's money of the month: piece work, household, average piece rate, all.
    data::Query price, price7, price8, all_price;

    data::Query* CurTabel; // the query of the mode shown

    // Width of column 0 as the opening command sets it; a change of period widens it by
    // the days the month lacks.
    void setNameWidth(int width);
    // Selects the month and year of day, reads the year list, changes the period and shows
    // the window modally.
    void ShowMonth(const QDate& day);

    void FormActivate() override;

    // The name of the timesheet shown, as the menu names it: "Табель сделка", "Табель хоз.
    // работ", "Табель ср. сдельная", "Общий табель".
    QString sheetName() const;
    // The columns of the month shown as the grid shows them: name, day or night where shown,
    // the days the month has, the totals.
    QList<reports::SheetColumn> sheetColumns() const;

public slots:
    void ComboBox1Change(); // change of period
    void Button8Click();    // "Выход"
    void Button2Click();    // "Печать"
    void Button3Click();    // "Excel"
    void Button4Click();    // "Реквизиты…"

private:
    void build();
    // Reads the chosen month: the mode's grid, the money, whether the month is closed, and
    // with years the list of years too.
    void readMonth(bool years);
    int shownMonth() const;
    int shownYear() const;
    reports::SheetTitle sheetTitle() const;
    int nameWidth_ = 208;
    std::unique_ptr<timesheet::DayColumns> days_;
};

extern TForm27* Form27;
