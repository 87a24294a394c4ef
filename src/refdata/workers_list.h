// TForm5, the workers list "Список рабочих".
#pragma once

#include "refdata/list_window.h"

class TForm5 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm5(QWidget* parent = nullptr);

    // Edit1 searches by name.

    // Browse mode, from the menu "Справочники" → "Рабочие".
    void ShowBrowse();
    // Pick mode: tag 1 hands the worker to the shift record editor, 24 to the
    // household-works entry window.
    void ShowPick(int tag);

public slots:
    void Button1Click() override; // add
    void Button3Click() override; // delete

protected:
    void changeRow() override;
    // Tag 1: the worker's name and key into the shift record editor.
    void handBack() override;
};

extern TForm5* Form5;
