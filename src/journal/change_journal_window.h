// TForm33, "Журнал изменений (33)": every change of a period from the history, filtered by
// login, action and table; printed and exported. Full access opens it from "Табель".
#pragma once

#include "data/change_history.h"
#include "ui/form.h"

#include <vector>

class QComboBox;
class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

class TForm33 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm33(QWidget* parent = nullptr);

    QDateEdit* DateFrom;
    QDateEdit* DateTo;
    QComboBox* ComboLogin;  // "" for every login
    QComboBox* ComboAction; // data: the action, "" for every one
    QComboBox* ComboTable;  // data: the table, "" for every one
    QPushButton* Button1;   // "Показать"
    QTableWidget* Grid1;
    QLabel* Label1;         // how many changes are shown
    QPushButton* Button2;   // "Печать"
    QPushButton* Button3;   // "Excel"
    QPushButton* Button4;   // "Закрыть"

    // Shows the window on the current month up to today.
    void ShowJournal();
    // Reads the changes the filter lets through.
    void Button1Click();
    void Button2Click();
    void Button3Click();

    const std::vector<data::HistoryEntry>& changes() const { return changes_; }

private:
    data::ChangeFilter filter() const;
    // Reads the changes the filter lets through, with the logins the history names when asked.
    void read(bool withLogins);
    std::vector<data::HistoryEntry> changes_;
    QDate from_, to_; // of the changes shown
};

extern TForm33* Form33;
