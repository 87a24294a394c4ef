// TForm10, the operation editor (its caption is set by the operations list).
#pragma once

#include "refdata/editor_window.h"
#include "refdata/reference_writes.h"

#include <memory>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TForm10 : public refdata::EditorWindow {
    Q_OBJECT
public:
    explicit TForm10(QWidget* parent = nullptr);
    ~TForm10() override;

    // GroupBox1 is "Цена операции".
    QLineEdit* Edit1;     // "Марка изделия", filled by the products list
    QPushButton* Button3; // "..." product
    QLineEdit* Edit2;     // "Операция", filled by the kinds list
    QPushButton* Button4; // "..." kind
    QComboBox* ComboBox1; // "Вид": "Готовая продукция", "Заготовки"
    QLabel* Label4;       // "Цена"
    QLineEdit* Edit3;     // price of the first norm row of a new operation

    qint64 ProductId = 0; // a product's key may be longer than the operation's column takes
    int KindId = 0;
    int OperId = 0;     // the operation being changed
    data::SeenRow Seen; // its row as the list showed it

    void FormActivate() override;

public slots:
    void Button1Click() override; // save
    void Button3Click();          // pick the product
    void Button4Click();          // pick the kind
};

extern TForm10* Form10;
