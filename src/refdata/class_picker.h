// TForm26, the product class picker "Номенклатура (26)".
#pragma once

#include "refdata/list_window.h"

#include <memory>

class TForm26 : public refdata::SearchWindow {
    Q_OBJECT
public:
    explicit TForm26(QWidget* parent = nullptr);
    ~TForm26() override;

    // Edit1 searches by name.
    QPushButton* Button1; // "Выбрать"
    // Product classes: the classifier's items of level 2.
    std::unique_ptr<data::Query> item;

    // The class the last pick chose, for the caller to read once ShowPick returns.
    bool Picked = false;
    qint64 PickedId = 0;
    QString PickedCaption;

    // Opens the classes, shows the picker and closes them again.
    void ShowPick();

public slots:
    void DBGrid1DblClick() override; // take the class and close
};

extern TForm26* Form26;
