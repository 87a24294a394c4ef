// TForm4, the operations list "Операции".
#pragma once

#include "refdata/list_window.h"

#include <memory>
#include <optional>

class QCheckBox;

namespace refdata {
// The operation a pick hands back.
struct PickedOperation {
    int id = 0;
    int product = 0;
    int stage = 0;    // 0 = finished products
    QString text;     // "mark; kind; stage"
    double price = 0; // the lowest norm price
};
} // namespace refdata

class TForm4 : public refdata::ListWindow {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    // Edit1 searches by mark.

    QPushButton* Button5; // "Excel"
    QCheckBox* CheckBox1; // "Цены": a double-click opens the norms
    // Every operation whose product and kind exist, norm rows or not, for the export.
    std::unique_ptr<data::Query> XLS_Rep;

    // Browse mode, from the menu "Справочники" → "Цены".
    void ShowBrowse();
    // Pick mode for the shift record editor, on the operation operId (the first row for 0);
    // the operation chosen, none when the list was left without a choice.
    std::optional<refdata::PickedOperation> ShowPick(int operId = 0);
    std::optional<refdata::PickedOperation> Picked;

public slots:
    void Button1Click() override; // add
    void Button3Click() override; // delete
    void Button5Click();          // export to a spreadsheet
    // With "Цены" ticked in browse mode, opens the norms; otherwise as Button2Click.
    void DBGrid1DblClick() override;

protected:
    void changeRow() override;
    // Product, operation, stage, the price for the journal's day and shift, and the
    // operation's text into the shift record editor.
    void handBack() override;
};

extern TForm4* Form4;
