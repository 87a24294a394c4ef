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

    // Counts of a product's shift records (from the date dt on) and of its operations.
    std::unique_ptr<data::Query> Izdel_Smena;
    std::unique_ptr<data::Query> ii_oper;

    // Browse mode, from the menu "Справочники" → "Изделия".
    void ShowBrowse();
    // Pick mode for the operation editor.
    void ShowPick();
    // The date text the deletion counts shift records from: the first of the month before
    // today's month, in the year 2000 ("01.2.2000" in March, "01.12.2000" in January).
    static QString CountFromText(const QDate& today);

public slots:
    void Button1Click() override; // add
    void Button3Click() override; // delete

protected:
    void changeRow() override;
    // The product's mark and key into the operation editor; an empty list hands an empty
    // mark and the key 0.
    void handBack() override;
    void handBackNothing() override;
};

extern TForm3* Form3;
