// TForm5, the workers list "Список рабочих".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

class TForm5 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    ui::DBGrid* DBGrid1;
    QLineEdit* Edit1;     // search by name
    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;

    // Browse mode, from the menu "Справочники" → "Рабочие".
    void ShowBrowse();
    // Pick mode: tag 1 hands the worker to the shift record editor, 24 to the
    // household-works entry window.
    void ShowPick(int tag);

    void FormActivate() override;

public slots:
    void Button1Click(); // add
    void Button2Click(); // change, or hand the worker back
    void Button3Click(); // delete
    void Button4Click(); // close
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm5* Form5;
