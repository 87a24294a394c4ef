// TForm18, the reports window "Отчеты (8)".
#pragma once

#include "reports/summary_reports.h"
#include "ui/form.h"

#include <memory>

class QDateEdit;
class QGroupBox;
class QLabel;
class QPushButton;
namespace ui {
class RadioGroup;
}

class TForm18 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm18(QWidget* parent = nullptr);
    ~TForm18() override;

    ui::RadioGroup* RadioGroup1; // "Вид продукции": "Все", "Готовая продукция", "Заготовки"
    QGroupBox* GroupBox1; // "Период отбора"
    QLabel* Label1;       // "с"
    QDateEdit* DTPicker1;
    QLabel* Label2; // "по", the day itself left out
    QDateEdit* DTPicker2;
    QPushButton* Button4; // "Отчет по рабочим"
    QPushButton* Button2; // "Отчет по продукции"
    QPushButton* Button1; // "Детальный отчет по рабочим"
    QPushButton* Button3; // "Детальный отчет по продукции"
    QPushButton* Button6; // "Excel", "Excel (r из N)" while it writes
    QPushButton* Button5; // "Выход"

    // The printed reports, each with the query its layout owns.
    std::unique_ptr<reports::PrintedReport> WorkersReport; // t_Report, "Отчет по рабочим"
    std::unique_ptr<reports::PrintedReport> ProductsReport; // t_Report, "Отчет по продукции"
    std::unique_ptr<reports::PrintedReport> WorkersDetail;  // w_Report
    std::unique_ptr<reports::PrintedReport> ProductsDetail; // i_Report
    std::unique_ptr<data::Query> XLS_Rep;                   // the product report to a workbook

    // Shows the window modally with the month before today's as the period.
    void ShowFor(const QDate& today);

    reports::Period period() const;
    reports::ProductKind productKind() const;

public slots:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();

private:
    // False, after saying so, when "с" lies after "по": such a period holds nothing, and an
    // empty report would read as a month without work.
    bool periodInOrder();
};

extern TForm18* Form18;
