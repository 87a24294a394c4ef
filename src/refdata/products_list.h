// TForm3, the products list "Изделия (3)".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

#include <memory>

class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

class TForm3 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    ui::DBGrid* DBGrid1;
    QLineEdit* Edit1;     // search by mark
    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;
    // Counts of a product's shift records (from the date dt on) and of its operations.
    std::unique_ptr<data::Query> Izdel_Smena;
    std::unique_ptr<data::Query> ii_oper;

    // Browse mode, from the menu "Справочники" → "Изделия".
    void ShowBrowse();
    // Pick mode for the operation editor.
    void ShowPick();
    // The date text the deletion counts shift records from: the first of the month before
    // today's month, in the year 2000 ("01.2.2000" in March, "01.12.2000" in January).
    static QString CountFromText(const QDate& today);

    void FormActivate() override;

public slots:
    void Button1Click(); // add
    void Button2Click(); // change, or hand the product back
    void Button3Click(); // delete
    void Button4Click(); // close
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm3* Form3;
