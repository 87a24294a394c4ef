// TForm2, the worker editor "Работники".
#pragma once

#include "refdata/editor_window.h"
#include "refdata/reference_writes.h"

#include <memory>

class QLineEdit;
class QWheelEvent;
namespace ui {
class DBLookupComboBox;
}

class TForm2 : public refdata::EditorWindow {
    Q_OBJECT
public:
    explicit TForm2(QWidget* parent = nullptr);
    ~TForm2() override;

    // GroupBox1 is "Данные о работнике".
    QLineEdit* Edit1;                     // "ФИО"
    ui::DBLookupComboBox* LCB_department; // "Подразделение"
    ui::DBLookupComboBox* LCB_staffpos;   // "Должность"
    ui::DBLookupComboBox* LCB_roles;      // "Роль"

    std::unique_ptr<data::Table> department; // cmn_department.department
    std::unique_ptr<data::Table> staffpos;   // hrms_staffpos.staffpos
    std::unique_ptr<data::Table> roles;      // adm_role.roles

    int WorkerId = 0;        // the worker being changed
    data::SeenRow Seen;      // his row as the list showed it
    QString CurrentPosition; // his stored position, kept when the list offers none of it

    // Re-reads the three lists so that they show current data.
    void ReopenLookups();
    // For a change: the worker's stored position chosen in "Должность" when it is offered.
    void ShowPosition(const QString& position);

    void FormActivate() override;

public slots:
    void Button1Click() override; // save
    void FormMouseWheelDown();
    void FormMouseWheelUp();

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm2* Form2;
