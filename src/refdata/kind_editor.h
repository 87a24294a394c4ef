// TForm9, the operation kind editor (its caption is set by the kinds list).
#pragma once

#include "refdata/editor_window.h"

class QLineEdit;

class TForm9 : public refdata::EditorWindow {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    // GroupBox1 is "Вид операции".
    QLineEdit* Edit1; // "Операция"

    void FormActivate() override;

public slots:
    void Button1Click() override; // save
};

extern TForm9* Form9;
