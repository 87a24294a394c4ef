// TForm7, the product editor "Изделие".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

#include <memory>

class QGroupBox;
class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBLookupComboBox;
}

class TForm7 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm7(QWidget* parent = nullptr);
    ~TForm7() override;

    QGroupBox* GroupBox1;          // "Данные об изделии"
    QLineEdit* Edit1;              // "Марка"
    QLineEdit* Edit2;              // "Расценка"
    ui::DBLookupComboBox* cb_item; // the product class
    QPushButton* Button1;          // "Записать"
    QPushButton* Button2;          // "Отмена"
    // Product classes: cmn_classifier.item of level 2, by name.
    std::unique_ptr<data::Table> item;

    int ProductId = 0; // the product being changed

    void FormActivate() override;

public slots:
    void Button1Click(); // save
    void Button2Click(); // cancel
    // Digits and Backspace pass, "." and "," are entered as ".", other characters dropped.
    bool Edit2KeyPress(QKeyEvent* event);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm7* Form7;
