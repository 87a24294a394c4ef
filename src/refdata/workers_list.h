// TForm5, the workers list "Список рабочих".
#pragma once

#include "refdata/list_window.h"

class TForm5 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Edit1 searches by name.

    // The worker the last pick chose, for the caller to read once ShowPick returns.
    bool Picked = false;
    int PickedId = 0;
    QString PickedFio; // without leading and trailing blanks

    // Browse mode, from the menu "Справочники" → "Рабочие".
    void ShowBrowse();
    // Pick mode: tag 1 hands the worker to the shift record editor, 24 to the
    // household-works entry window.
    void ShowPick(int tag);

public slots:
    void Button1Click() override; // add
    void Button2Click() override; // change, or hand the worker back
    void Button3Click() override; // delete
    void Edit1Change() override;
    bool Edit1KeyDown(QKeyEvent* event) override;
};

extern TForm5* Form5;
