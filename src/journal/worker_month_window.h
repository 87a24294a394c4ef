// TForm31, "Месяц работника": the worker of the journal's selected row, the month of the
// journal's day, record by record under each day with the day's and the month's totals;
// "Печать" (Ctrl+P) previews it through the report engine.
#pragma once

#include "journal/worker_month.h"
#include "ui/form.h"

class QLabel;
class QPushButton;
class QTableWidget;

class TForm31 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm31(QWidget* parent = nullptr);

    QLabel* Label1;       // the worker and the month
    QTableWidget* Grid1;  // the records, the day totals and the month total
    QLabel* Label2;       // the month's totals in one line
    QPushButton* Button1; // "Печать"
    QPushButton* Button2; // "Закрыть"

    // Reads the worker's month (the records the journal lists with its mark parameter ok)
    // and shows it modally.
    void ShowFor(qint64 worker, const QString& name, const QDate& day, const QString& ok);
    // Reads and fills the window without showing it.
    void Read(qint64 worker, const QString& name, const QDate& day, const QString& ok);
    const journal::WorkerMonth& month() const { return month_; }

public slots:
    void Button1Click();

private:
    void fill();
    journal::WorkerMonth month_;
};

extern TForm31* Form31;
