// TForm9, the operation kind editor (its caption is set by the kinds list).
#pragma once

#include "refdata/editor_window.h"
#include "refdata/reference_writes.h"

class QLineEdit;

class TForm9 : public refdata::EditorWindow {
    Q_OBJECT
public:
    explicit TForm9(QWidget* parent = nullptr);

    // GroupBox1 is "Вид операции".
    QLineEdit* Edit1; // "Операция"

    qint64 KindId = 0;  // the kind being changed
    data::SeenRow Seen; // its row as the list showed it

    void FormActivate() override;

public slots:
    void Button1Click() override; // save
};

extern TForm9* Form9;
