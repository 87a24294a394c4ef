// TForm1, the journal window "Табель".
#pragma once

#include "data/query.h"
#include "ui/form.h"

#include <QStringList>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QStatusBar;
class QTimer;
namespace data {
struct Change;
}
namespace ui {
class ChangeFollower;
class DBGrid;
class HistoryWindow;
} // namespace ui

class TForm1 : public ui::Form {
    Q_OBJECT
public:
    // Binds the journal to the queries of DataModule6, which exists before it.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    // Shift buttons, day, day-off box
    QRadioButton* RadioButton1; // "Смена №1"
    QRadioButton* RadioButton2; // "Смена №2"
    QRadioButton* RadioButton3; // "Смена №3"
    QRadioButton* RadioButton4; // "Переработка"
    QDateEdit* DateT;
    QCheckBox* CBox1; // "Выходной"
    ui::DBGrid* DBGrid2;
    QPushButton* Button1;   // "Добавить"
    QPushButton* Button2;   // "Изменить"
    QPushButton* Button3;   // "Удалить"
    QPushButton* Button8;   // "Обновить"
    QPushButton* Button5;   // "Ср.сд./хоз. работы"
    // "История" shows the current record's changes in History
    ui::HistoryWindow* History = nullptr;
    QPushButton* HistoryButton; // "История": the current record's changes
    QPushButton* DeletedButton; // "Удалённые": the day's deleted records, put back by full access
    QPushButton* Button4;   // "Выход"
    QTimer* Timer1;         // runs VersionCheck every 30 s
    QStatusBar* StatusBar1; // names the day's month when it is closed
    // Finding a worker: part of a name typed here shows that worker's records only, in every
    // shift; Escape in the box clears it.
    QLineEdit* EditFind;
    // At the right of the status line while other copies' changes are read from the history
    // instead of heard (a pooler between the program and the server cannot pass them on)
    QLabel* Delayed;
    QLabel* LabelFound;  // what the search finds in each shift
    QLabel* LabelTotals; // pieces, rejects, hours and sum of the records shown
    // Re-reads the day a short pause after the arrow keys (or the wheel) stepped the date.
    QTimer* DayTimer;
    static constexpr int DayPause = 400; // ms

    // Main menu
    QMenuBar* MainMenu1;
    QAction* N21; // "Записи": the journal's own commands, with their keys
    QAction* N22; // "Добавить" (Insert)
    QAction* N23; // "Изменить" (F2)
    QAction* N24; // "Удалить" (Delete)
    QAction* N25; // "Обновить" (F5)
    QAction* N26; // "Найти работника" (Ctrl+F)
    QAction* N27; // "Месяц работника…"
    QAction* N28; // "История записи…" ("История")
    QAction* N29; // "Удалённые записи…" ("Удалённые")
    QAction* N2;  // "Справочники"
    QAction* N1;  // "Рабочие"
    QAction* N3;  // "Изделия"
    QAction* N4;  // "Цены"
    QAction* N6;  // "Операции"
    QAction* N8;  // "Внеурочное": shows the overtime shift
    QAction* N11; // "Табель"
    QAction* N9;  // "Табель сделка"
    QAction* N13; // "Табель по сменам"
    QAction* N14; // "Табель хоз. работ"
    QAction* N15; // "Табель ср. сдельная"
    QAction* N17; // "Общий табель"
    QAction* N18; // "Закрыть месяц…"
    QAction* N19; // "Открыть месяц…"
    QAction* N20; // "Производственный календарь…"
    QAction* N30; // "Журнал изменений…": every change of a period (full access)
    QAction* N7;  // "Отчеты"
    QAction* N10; // "Сводные отчеты"
    QAction* N5;  // "Выход"

    data::DataSource DataSource1, DataSource2, DataSource3, DataSource4;
    std::unique_ptr<data::Table> ver; // accounts_dep.ver, for the version check

    int CurShift = 1;
    data::Query* CurQuery = nullptr;
    QString UserText;
    int BuildDate = 0;
    int BuildTime = 0;
    // The check of the program's build against the database, set by the application.
    std::function<void()> VersionCheck;
    // Re-reads the shown day's shifts that other copies change.
    ui::ChangeFollower* OtherCopies = nullptr;

    // The journal query of CurShift, also stored in CurQuery.
    data::Query& currentQuery();
    // Controls the read-only mode disables besides the edit buttons and menus.
    QList<QWidget*> browseControls() const;
    // What the role may do with records ("Добавить", "Изменить", "Удалить"); the buttons
    // are enabled where the role allows it and the day's month is not closed.
    void setWriteRights(bool add, bool change, bool remove);
    // Reads whether the day's month is closed and shows it: the write buttons and the status
    // line.
    void showMonthState();
    void showMonthState(bool closed); // as read with the day
    // The search and the totals as the shown rows are now.
    void showTotals();
    bool MonthClosed = false;

    void FormActivate() override;

public slots:
    void DateTCloseUp(); // the calendar closed or Enter in the date box: re-read the day
    void RadioButton1Click();
    void RadioButton2Click();
    void RadioButton3Click();
    void RadioButton4Click();
    void CBox1Click();
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button8Click();
    void HistoryButtonClick();
    void DeletedButtonClick();
    void DBGrid2DblClick();
    void Timer1Timer();
    void N1Click();
    void N3Click();
    void N4Click();
    void N6Click();
    void N9Click();
    void N10Click();
    void N13Click();
    void N14Click();
    void N15Click();
    void N17Click();
    void N18Click(); // close a month
    void N19Click(); // open a month again
    void N20Click(); // the production calendar, on the journal's day
    void N30Click(); // the journal of changes
    void N8Click();  // the overtime shift
    void N26Click(); // focus the search box
    void N27Click(); // the selected record's worker's month
    void EditFindChange();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Escape asks before the program ends.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void selectShift(int shift);
    void openJournal(const QDate& day);
    void rereadShifts(const QList<data::Change>& changes);
    void readDay(); // the day of DateT, the day-off box after it
    // The action stays enabled as its control is.
    void follow(QWidget* control, QAction* action);
    QList<QPair<QWidget*, QAction*>> followers_;

    void changeMonth(bool closing);
    void applyWriteRights();

    bool checking_ = false; // a version check is running, its error box may be open
    bool mayAdd_ = true, mayChange_ = true, mayRemove_ = true;
    QDate shownDay_;           // the day the journal queries were opened on
    bool shownDayOff_ = false; // whether it is a day off by the production calendar
};

extern TForm1* Form1;
