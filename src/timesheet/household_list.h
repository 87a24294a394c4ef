// TForm25, the day's household-works and average piece-rate entries "Хоз. работы (25)".
#pragma once

#include "data/query.h"
#include "ui/form.h"

#include <QDate>
#include <memory>

class QCheckBox;
class QDateEdit;
class QPushButton;
class QStatusBar;
namespace ui {
class ChangeFollower;
class DBGrid;
class HistoryWindow;
} // namespace ui

class TForm25 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm25(QWidget* parent = nullptr);
    ~TForm25() override;

    ui::DBGrid* DBGrid1;
    QPushButton* Button5;   // "Добавить"
    QPushButton* Button6;   // "Изменить"
    QPushButton* Button7;   // "Удалить"
    QPushButton* Button1;   // "Расчитать ср.сд."
    // "История" shows the current record's changes in History
    ui::HistoryWindow* History = nullptr;
    QPushButton* HistoryButton; // "История": the current entry's changes
    QDateEdit* DTPcker1;    // the day shown
    QCheckBox* CBox1;       // "Выходной": new and changed entries are holiday entries
    QPushButton* Button8;   // "Выход"
    QStatusBar* StatusBar1; // names the day's month when it is closed
    // The entries of the day; parameter d_date.
    std::unique_ptr<data::Query> fatigue;
    // The month's average piece-rate entries ("cnt"), read with the list: what a pricing asks
    // about.
    std::unique_ptr<data::Query> averages;
    data::DataSource DataSource1;

    // The shift new entries are written with.
    int EntrySmena = 1;
    // Re-reads the day when other copies change its entries.
    ui::ChangeFollower* OtherCopies = nullptr;

    // Shows the list on day; "Выходной" keeps its state (the journal's command).
    void ShowOnDay(const QDate& day);
    // Reads the list again and goes back to the row it stood on.
    void Reopen();
    // What a write of the list's entries reads again in its own exchange.
    QList<data::Query*> shownLists();

    void FormActivate() override;

public slots:
    void DTPcker1Change();
    void CBox1Click();
    void Button5Click(); // add
    void Button6Click(); // change (also a double-click)
    void Button7Click(); // delete
    void Button1Click(); // the month's average piece-rate prices
    void HistoryButtonClick();
    void Button4Click(); // close

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Shows the entry window on type_work, closing it again afterwards.
    void showEntry();
    // Shows whether the shown day's month is closed: the write buttons and the status line.
    void showMonthState(bool closed);
    QDate shown_;
    bool shownOff_ = false; // the shown day is a day off by the production calendar
};

extern TForm25* Form25;
