// TForm30, "Закрытые месяцы (30)": the closed months with who closed each and when, from which
// full access opens one again ("Открыть месяц…" of the journal's menu).
#pragma once

#include "data/query.h"
#include "ui/form.h"

class QLabel;
class QPushButton;
namespace ui {
class DBGrid;
}

class TForm30 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm30(QWidget* parent = nullptr);

    ui::DBGrid* DBGrid1;  // title "Месяц", closed_by "Закрыл", closed_at "Когда"
    QLabel* Label1;       // why a month cannot be opened, when it cannot
    QPushButton* Button1; // "Открыть месяц"
    QPushButton* Button2; // "Закрыть"

    data::Query ClosedMonths; // year, month, title, closed_by, closed_at; newest first

    // Reads the closed months and shows them modally; when no month is closed, says so and
    // shows nothing.
    void ShowClosed();

public slots:
    void Button1Click(); // opens the selected month, after asking
    void Button2Click();

private:
    void applyRights();
};

extern TForm30* Form30;
