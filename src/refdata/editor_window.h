// What the reference editors share: their fields in a group box over the buttons
// "Записать" and "Отмена", in a window of fixed size.
#pragma once

#include "refdata/list_window.h"

class QGroupBox;
class QPushButton;

namespace refdata {

class EditorWindow : public CentredWindow {
    Q_OBJECT
public:
    using CentredWindow::CentredWindow;

    QGroupBox* GroupBox1 = nullptr; // the fields
    QPushButton* Button1 = nullptr; // "Записать"
    QPushButton* Button2 = nullptr; // "Отмена"

public slots:
    virtual void Button1Click() = 0; // save
    void Button2Click();             // cancel

protected:
    // Once GroupBox1 holds the fields: the two buttons at the right under it, Enter on
    // "Записать", Escape on "Отмена", and the window's layout.
    void addButtons();
};

} // namespace refdata
