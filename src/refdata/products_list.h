// TForm3, the products list "Изделия (3)".
#pragma once

#include "refdata/list_window.h"

#include <memory>

class TForm3 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    // Edit1 searches by mark.

    // Browse mode, from the menu "Справочники" → "Изделия".
    void ShowBrowse();
    // Pick mode for the operation editor.
    void ShowPick();

public slots:
    void Button1Click() override; // add
    // Deletes the product, after asking, with its operations and shift records as one write
    // (refdata/product_deletion.h); refused when a record lies in a closed month.
    void Button3Click() override;

protected:
    void changeRow() override;
    // The product's mark and key into the operation editor; an empty list hands an empty
    // mark and the key 0.
    void handBack() override;
    void handBackNothing() override;
};

extern TForm3* Form3;
