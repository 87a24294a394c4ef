// TForm4, the operations list "Операции".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

#include <memory>

class QCheckBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

class TForm4 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    ui::DBGrid* DBGrid1;
    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"
    QPushButton* Button5; // "Excel"
    QCheckBox* CheckBox1; // "Цены": a double-click opens the norms
    QLineEdit* Edit1;     // search by mark
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;
    // Every operation whose product and kind exist, norm rows or not, for the export.
    std::unique_ptr<data::Query> XLS_Rep;

    // Browse mode, from the menu "Справочники" → "Цены".
    void ShowBrowse();
    // Pick mode for the shift record editor, on the operation operId (the first row for 0).
    void ShowPick(int operId = 0);

    void FormActivate() override;

public slots:
    void Button1Click(); // add
    void Button2Click(); // change, or hand the operation back
    void Button3Click(); // delete
    void Button4Click(); // close
    void Button5Click(); // export to a spreadsheet
    void DBGrid1DblClick();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm4* Form4;
