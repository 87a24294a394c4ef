// TForm7, the product editor "Изделие".
#pragma once

#include "refdata/editor_window.h"
#include "refdata/reference_writes.h"

#include <memory>

class QKeyEvent;
class QLineEdit;
namespace ui {
class DBLookupComboBox;
}

class TForm7 : public refdata::EditorWindow {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
    ~TForm7() override;

    // GroupBox1 is "Данные об изделии".
    QLineEdit* Edit1;              // "Марка"
    QLineEdit* Edit2;              // "Расценка"
    ui::DBLookupComboBox* cb_item; // the product class
    // Product classes: cmn_classifier.item of level 2, by name.
    std::unique_ptr<data::Table> item;

    qint64 ProductId = 0; // the product being changed (a key of up to 15 digits)
    data::SeenRow Seen;   // its row as the list showed it

    void FormActivate() override;

public slots:
    void Button1Click() override; // save
    // Digits and Backspace pass, "." and "," are entered as ".", other characters dropped.
    bool Edit2KeyPress(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm7* Form7;
