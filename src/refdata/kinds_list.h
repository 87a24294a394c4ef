// TForm8, the operation kinds list "Виды операций (8)".
#pragma once

#include "refdata/list_window.h"

class TForm8 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm8(QWidget* parent = nullptr);

    // Edit1 searches by name, in pick mode only.

    // Browse mode, from the menu "Справочники" → "Операции".
    void ShowBrowse();
    // Pick mode for the operation editor.
    void ShowPick();

public slots:
    void Button1Click() override; // add
    void Button3Click() override; // delete

protected:
    void changeRow() override;
    // The kind's name and key into the operation editor.
    void handBack() override;
};

extern TForm8* Form8;
