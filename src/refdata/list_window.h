// What the reference lists and editors share: centring over the window that opens them,
// the lists' grid, search box and buttons, the search itself, and the pick-or-change rule of
// a list's second button.
#pragma once

#include "data/query.h"
#include "ui/form.h"

class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

namespace refdata {

// A window centred each time it is shown: over the program's active window, or over the
// screen when centreOnScreen is set.
class CentredWindow : public ui::Form {
    Q_OBJECT
public:
    using ui::Form::Form;

protected:
    void showEvent(QShowEvent* event) override;
    bool centreOnScreen = false;
};

// How a list's search box filters its rows: "<field> like '<typed>%'", or with anywhere
// "<field> like '%<typed>%'". The typed text's apostrophes are doubled.
struct Search {
    QString field;
    bool anywhere = false;
    // A box holding nothing but blanks shows every row (otherwise only an empty box does).
    bool blankShowsAll = false;
    // The box takes nothing but typed characters, Backspace, editing shortcuts and the
    // window's keys: its cursor keys and Delete do nothing. Up and Down always move the list.
    bool typingOnly = true;
};

// A searchable list: the grid over the search box over a row of buttons with "Выход" apart
// at the right. Escape presses "Выход". A double-click in the grid runs DBGrid1DblClick.
class SearchWindow : public CentredWindow {
    Q_OBJECT
public:
    explicit SearchWindow(QWidget* parent = nullptr);

    ui::DBGrid* DBGrid1;
    QLineEdit* Edit1;     // the search box
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;

    // The search box takes the focus when it is shown.
    void FormActivate() override;

public slots:
    void Button4Click(); // close
    void Edit1Change();
    // Up and Down move the list; true when the key was used up and the box is not to see it.
    bool Edit1KeyDown(QKeyEvent* event);
    virtual void DBGrid1DblClick() = 0;

protected:
    // The rows the grid shows and how the box searches them; called once by the constructor.
    void setList(data::Query& list, const Search& search);
    data::Query& list() const { return *DataSource1.dataSet; }
    // True when the list is open and has a current row.
    bool hasRow() const;
    // Lays the window out and sets the tab order: the search box, the grid, besideSearch (if
    // any, laid at the box's right), then buttons and "Выход".
    void layOut(const QList<QPushButton*>& buttons, QWidget* besideSearch = nullptr);

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    Search search_;
};

// A reference list with the buttons "Добавить", "Изменить" (or "Выбрать") and "Удалить".
// Enter presses "Добавить" in browse mode and "Выбрать" in pick mode.
class ListWindow : public SearchWindow {
    Q_OBJECT
public:
    explicit ListWindow(QWidget* parent = nullptr);

    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"

public slots:
    virtual void Button1Click() = 0; // add
    // Browse mode (tag 0): changes the current row, when there is one. Pick mode: hands the
    // current row back to the caller (handBack; handBackNothing for an empty list) and closes.
    void Button2Click();
    virtual void Button3Click() = 0; // delete
    void DBGrid1DblClick() override; // as Button2Click

protected:
    virtual void changeRow() = 0;
    virtual void handBack() = 0;
    // The caller keeps what it had, unless a list says otherwise.
    virtual void handBackNothing() {}

    // Lays the window out with extraButton (if any) after "Удалить".
    void layOut(QWidget* besideSearch = nullptr, QPushButton* extraButton = nullptr);
    // Browse mode (tag 0) on the open list: "Изменить", with adding and deleting and Enter
    // on "Добавить"; the list is closed again when the window is.
    void showBrowse();
    // Pick mode's buttons: "Выбрать" and "Выход" only, Enter on "Выбрать".
    void pickButtons();
    // Pick mode (tag 1) on the open list with an empty search box; once the window is
    // closed the box is hidden, so it is emptied, no search stays behind it, and the list
    // is closed.
    void showPick();
};

} // namespace refdata
