// What the reference lists and editors share: centring over the window that opens them,
// the lists' grid, search box and buttons, the search box's keys and the search filter.
#pragma once

#include "data/query.h"
#include "ui/form.h"

#include <functional>

class QKeyEvent;
class QLineEdit;
class QPushButton;
namespace ui {
class DBGrid;
}

namespace refdata {

// A window centred over the program's active window each time it is shown.
class CentredWindow : public ui::Form {
    Q_OBJECT
public:
    using ui::Form::Form;

protected:
    void showEvent(QShowEvent* event) override;
};

// A reference list: the grid over the search box over the buttons "Добавить", "Изменить",
// "Удалить" and, apart at the right, "Выход". Enter presses "Добавить", Escape "Выход";
// the buttons and the typed search go to the handlers below, and the search box's keys to
// Edit1KeyDown first. The list sets its grid's columns, data source and double-click, the
// search box's hint, and then calls layOut.
class ListWindow : public CentredWindow {
    Q_OBJECT
public:
    explicit ListWindow(QWidget* parent = nullptr);

    ui::DBGrid* DBGrid1;
    QLineEdit* Edit1;     // the search box
    QPushButton* Button1; // "Добавить"
    QPushButton* Button2; // "Изменить" / "Выбрать"
    QPushButton* Button3; // "Удалить"
    QPushButton* Button4; // "Выход"
    data::DataSource DataSource1;

    // The search box takes the focus when it is shown.
    void FormActivate() override;

public slots:
    virtual void Button1Click() = 0; // add
    virtual void Button2Click() = 0; // change, or hand the row back
    virtual void Button3Click() = 0; // delete
    void Button4Click();             // close
    virtual void Edit1Change() = 0;
    // True when the key was used up and the search box is not to see it.
    virtual bool Edit1KeyDown(QKeyEvent* event) = 0;

protected:
    // Lays the window out and sets the tab order: the grid, the search box with besideSearch
    // (if any) at its right, and the buttons with extraButton (if any) after "Удалить".
    void layOut(QWidget* besideSearch = nullptr, QPushButton* extraButton = nullptr);
    // Browse mode (tag 0) on the open list: "Изменить", with adding and deleting and Enter
    // on "Добавить"; the list is closed again when the window is.
    void showBrowse(data::Query& list);
    // Pick mode's buttons: "Выбрать" and "Выход" only, Enter on "Выбрать".
    void pickButtons();
    // Pick mode (tag 1) on the open list with an empty search box; once the window is
    // closed the box is hidden, so it is emptied, no search stays behind it, and the list
    // is closed.
    void showPick(data::Query& list);

    bool eventFilter(QObject* watched, QEvent* event) override;
};

// For an event filter: true when event is a key press in box that keyDown used up.
// keyDown runs through ui::run.
bool searchKeyUsed(QObject* watched, QEvent* event, QLineEdit* box,
                   const std::function<bool(QKeyEvent*)>& keyDown);

// Up and Down in a list's search box move the list instead of the text cursor; true when
// the key was used up. With typingOnly the box takes nothing but typed characters,
// Backspace, editing shortcuts and the window's keys: its cursor keys and Delete do nothing.
bool searchKey(QKeyEvent* event, data::Query& list, bool typingOnly);

// prefix + the typed text with its apostrophes doubled + suffix, e.g. "fio like 'О''Н%'".
QString likeFilter(const QString& prefix, const QString& typed,
                   const QString& suffix = QStringLiteral("%'"));

// Applies a search: an empty text switches the filter off, any other sets it and on.
void applySearch(data::Query& list, bool empty, const QString& filter);

} // namespace refdata
