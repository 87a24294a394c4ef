// TForm26, the product class picker "Номенклатура (26)".
#pragma once

#include "refdata/list_window.h"

#include <memory>

class TForm26 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm26(QWidget* parent = nullptr);
    ~TForm26() override;

    ui::DBGrid* DBGrid1;
    QPushButton* Button1; // "Выбрать"
    QLineEdit* Edit1;     // search by name
    QPushButton* Button4; // "Выход"
    // Product classes: the classifier's items of level 2.
    std::unique_ptr<data::Query> item;
    data::DataSource DataSource1;

    // The class the last pick chose, for the caller to read once ShowPick returns.
    bool Picked = false;
    qint64 PickedId = 0;
    QString PickedCaption;

    // Opens the classes, shows the picker and closes them again.
    void ShowPick();

public slots:
    void DBGrid1DblClick(); // take the class and close
    void Button4Click();
    void Edit1Change();
    bool Edit1KeyDown(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

extern TForm26* Form26;
