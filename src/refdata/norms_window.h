// TForm22, the norms window "Норматив".
#pragma once

#include "data/query.h"
#include "refdata/list_window.h"

#include <memory>

class QPushButton;
namespace ui {
class DBGrid;
struct GridColumn;
} // namespace ui

class TForm22 : public refdata::CentredWindow {
    Q_OBJECT
public:
    explicit TForm22(QWidget* parent = nullptr);
    ~TForm22() override;

    ui::DBGrid* DBGrid1;  // "Норматив", "Цена", "Премия, %"
    QPushButton* Button1; // "Сохранить"
    QPushButton* Button2; // "Удалить"
    // accounts_dep.norm by norma, filtered to one operation's rows.
    std::unique_ptr<data::Table> norm;
    data::DataSource DataSource1;

    int OperId = 0;      // the operation the window was opened for
    bool NewRow = false; // the row being edited has not been stored yet

    // Shows the norm rows of one operation.
    void ShowFor(int operId);
    // Puts a typed cell into the row being edited; what is not a number is refused.
    void CellEdited(const ui::GridColumn& column, const QString& text);

public slots:
    void Button1Click(); // store and close
    void Button2Click(); // delete the row, keeping one
    void DBGrid1ColEnter();
    void DBGrid1ColExit();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void storePending();
    // After a row another user changed or deleted was refused: the rows as they are now.
    void reReadAfterConflict();
    bool conflict_ = false;
};

extern TForm22* Form22;
