// The journal's menu commands that open the windows of the other areas.
#include "data/data_module.h"
#include "data/write_engine.h"
#include "journal/change_journal_window.h"
#include "journal/journal_window.h"
#include "journal/month_close_window.h"
#include "refdata/kinds_list.h"
#include "refdata/operations_list.h"
#include "refdata/products_list.h"
#include "refdata/workers_list.h"
#include "reports/reports_window.h"
#include "timesheet/calendar_window.h"
#include "timesheet/closed_months.h"
#include "timesheet/closed_months_window.h"
#include "timesheet/household_list.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"

#include <QAction>
#include <QDateEdit>
#include <QSysInfo>

#include <optional>

namespace {

// TForm27 in one of its modes on the computer's month (not the journal's day). The
// width of the name column and the shown columns are set first; hourly is left as it is
// when empty. With reset, the layout goes back to the piece-work one after closing.
void showPieceTimesheet(const QString& caption, data::Query& query, int nameWidth, bool night,
                        std::optional<bool> hourly, bool reset) {
    TForm27* f = Form27;
    f->setNameWidth(nameWidth);
    f->DBGrid->setColumnVisible(QStringLiteral("s_night"), night);
    if (hourly) f->DBGrid->setColumnVisible(QStringLiteral("average_price"), *hourly);
    f->setWindowTitle(caption);
    f->CurTabel = &query;
    f->ShowMonth(QDate::currentDate());
    if (reset) {
        f->setNameWidth(208);
        f->DBGrid->setColumnVisible(QStringLiteral("s_night"), true);
        f->DBGrid->setColumnVisible(QStringLiteral("average_price"), true);
    }
    f->CurTabel->close();
    f->q_year.close();
}

// Who closes a month, as closed_month.closed_by keeps it: the role (never the access text
// itself, which would then be readable in the table) and the computer's user.
QString closedBy() {
    const QString user = data::computerUser();
    QString who = QStringLiteral("полный доступ");
    if (!user.isEmpty()) who += QStringLiteral(", ") + user;
    return who.left(50);
}

} // namespace

void TForm1::N18Click() {
    changeMonth(true);
}
void TForm1::N19Click() {
    changeMonth(false);
}

void TForm1::changeMonth(bool closing) {
    if (!closing) {
        // only a closed month can be opened: the list of them, who closed each and when
        Form30->ShowClosed();
        showMonthState();
        return;
    }
    const QString caption = QStringLiteral("Закрытие месяца");
    if (!Form28->AskMonth(caption, QDate::currentDate().addMonths(-1))) return;
    const int year = Form28->year();
    const int month = Form28->month();
    if (!ui::askYesNo(timesheet::monthChangeQuestion(year, month, true), caption)) return;
    const timesheet::MonthChange change =
        timesheet::closeMonth(DataModule6->Control, year, month, closedBy());
    showMonthState();
    ui::message(change == timesheet::MonthChange::Done
                    ? timesheet::monthChangedText(year, month, true)
                    : timesheet::monthChangeText(change, year, month, true),
                caption, QMessageBox::Information);
}

void TForm1::N20Click() {
    Form29->ShowOn(DateT->date());
}

void TForm1::N30Click() {
    Form33->ShowJournal();
}

void TForm1::N1Click() {
    Form5->ShowBrowse();
}
void TForm1::N3Click() {
    Form3->ShowBrowse();
}
void TForm1::N4Click() {
    Form4->ShowBrowse();
}
void TForm1::N6Click() {
    Form8->ShowBrowse();
}
void TForm1::N9Click() {
    showPieceTimesheet(QStringLiteral("Табель сделка (27)"), Form27->H_Tabel0, 238, false, {},
                       true);
}
void TForm1::N10Click() {
    Form18->ShowFor(QDate::currentDate());
}
void TForm1::N13Click() {
    // the general layout stays on TForm27 until its next command
    Form27->CurTabel = &Form27->H_Tabel_all;
    Form27->setNameWidth(304);
    Form27->DBGrid->setColumnVisible(QStringLiteral("s_night"), false);
    Form27->DBGrid->setColumnVisible(QStringLiteral("average_price"), false);
    const QDate day = DateT->date();
    Form19->ComboBox1->setCurrentIndex(day.month() - 1);
    Form19->selectYear(day.year());
    Form19->ComboBox1Change();
    // the window is titled after the command that opened it
    Form19->setWindowTitle(N13->iconText());
    ui::showModal(Form19);
    for (int shift = 1; shift <= TForm19::Shifts; ++shift)
        DataModule6->timesheetQuery(shift).close();
}
void TForm1::N14Click() {
    showPieceTimesheet(QStringLiteral("Табель хоз. работы (27)"), Form27->H_Tabel7777, 208, true,
                       true, false);
}
void TForm1::N15Click() {
    showPieceTimesheet(QStringLiteral("Табель ср. сдельная (27)"), Form27->H_Tabel7778, 208, true,
                       true, false);
}
void TForm1::N17Click() {
    showPieceTimesheet(QStringLiteral("Общий табель (27)"), Form27->H_Tabel_all, 304, false, false,
                       true);
}
void TForm1::Button5Click() {
    Form25->ShowOnDay(DateT->date());
}
