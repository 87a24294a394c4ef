// TForm8, the operation kinds list "Виды операций (8)".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

class TForm8 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    ui::DBGrid* DBGrid1;
    QLineEdit* Edit1;     // search by name, in pick mode only
    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;

    // Browse mode, from the menu "Справочники" → "Операции".
    void ShowBrowse();
    // Pick mode for the operation editor.
    void ShowPick();

    void FormActivate() override;

public slots:
    void Button1Click(); // add
    void Button2Click(); // change, or hand the kind back
    void Button3Click(); // delete
    void Button4Click(); // close
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm8* Form8;
