#include "journal/journal_window.h"

#include "data/data_module.h"
#include "data/db_error.h"
#include "journal/journal_totals.h"
#include "journal/record_writes.h"
#include "timesheet/closed_months.h"
#include "timesheet/production_calendar.h"
#include "timesheet/timesheet_month.h"
#include "ui/busy_cursor.h"
#include "ui/change_follower.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/history_window.h"

#include <QAction>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateEdit>
#include <QEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

TForm1* Form1 = nullptr;

namespace {
const QColor ShiftOn(0, 255, 0);
const QColor DisabledOnShift(60, 60, 60);
const QColor AcceptedColour(0, 128, 0);
const QColor OpenColour(255, 0, 0);

// The date box; a step of its date by the keyboard, the wheel or its arrows is reported.
class DayEdit : public QDateEdit {
public:
    using QDateEdit::QDateEdit;
    std::function<void()> onStep;
    void stepBy(int steps) override {
        const QDate before = date();
        QDateEdit::stepBy(steps);
        if (onStep && date() != before) onStep();
    }
};
} // namespace

TForm1::TForm1(QWidget* parent) : ui::Form(parent) {
    Form1 = this;
    build();

    ver = std::make_unique<data::Table>(DataModule6->ADO_DB, QStringLiteral("accounts_dep.ver"));
    DataSource1.dataSet = &DataModule6->Smena1;
    DataSource2.dataSet = &DataModule6->Smena2;
    DataSource3.dataSet = &DataModule6->Smena3;
    DataSource4.dataSet = &DataModule6->Smena4;
    selectShift(1);
    OtherCopies = new ui::ChangeFollower(
        this, DataModule6->Changes,
        [this](const data::Change& c) { return c.touches(QStringLiteral("smena"), shownDay_); },
        [this](const QList<data::Change>& changes) { rereadShifts(changes); });
    Delayed->setVisible(DataModule6->Changes.deaf());
    connect(&DataModule6->Changes, &data::ChangeListener::deafChanged, Delayed,
            &QWidget::setVisible);
}

TForm1::~TForm1() = default;

void TForm1::build() {
    setWindowTitle(QStringLiteral("Табель"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    setWindowFlag(Qt::WindowMinimizeButtonHint, true);
    resize(1120, 640);

    MainMenu1 = new QMenuBar(this);
    // every menu and item has its underlined letter; the journal's commands show their keys
    QMenu* records = MainMenu1->addMenu(QStringLiteral("&Записи"));
    N21 = records->menuAction();
    N22 = records->addAction(QStringLiteral("&Добавить"));
    N22->setShortcut(Qt::Key_Insert);
    N23 = records->addAction(QStringLiteral("&Изменить"));
    N23->setShortcut(Qt::Key_F2);
    N24 = records->addAction(QStringLiteral("&Удалить"));
    N24->setShortcut(Qt::Key_Delete);
    records->addSeparator();
    N25 = records->addAction(QStringLiteral("&Обновить"));
    N25->setShortcut(Qt::Key_F5);
    N26 = records->addAction(QStringLiteral("&Найти работника"));
    N26->setShortcut(QKeySequence::Find);
    N27 = records->addAction(QStringLiteral("&Месяц работника…"));
    records->addSeparator();
    N28 = records->addAction(QStringLiteral("Ис&тория записи…"));
    N29 = records->addAction(QStringLiteral("Удалённые &записи…"));
    QMenu* refs = MainMenu1->addMenu(QStringLiteral("&Справочники"));
    N2 = refs->menuAction();
    N1 = refs->addAction(QStringLiteral("&Рабочие"));
    N3 = refs->addAction(QStringLiteral("&Изделия"));
    N4 = refs->addAction(QStringLiteral("&Цены"));
    N6 = refs->addAction(QStringLiteral("&Операции"));
    N8 = refs->addAction(QStringLiteral("&Внеурочное"));
    QMenu* sheets = MainMenu1->addMenu(QStringLiteral("&Табель"));
    N11 = sheets->menuAction();
    N9 = sheets->addAction(QStringLiteral("Табель &сделка"));
    N13 = sheets->addAction(QStringLiteral("Табель по с&менам"));
    N14 = sheets->addAction(QStringLiteral("Табель &хоз. работ"));
    N15 = sheets->addAction(QStringLiteral("Табель с&р. сдельная"));
    N17 = sheets->addAction(QStringLiteral("&Общий табель"));
    sheets->addSeparator();
    N18 = sheets->addAction(QStringLiteral("&Закрыть месяц…"));
    N19 = sheets->addAction(QStringLiteral("От&крыть месяц…"));
    N20 = sheets->addAction(QStringLiteral("&Производственный календарь…"));
    N30 = sheets->addAction(QStringLiteral("&Журнал изменений…"));
    QMenu* reports = MainMenu1->addMenu(QStringLiteral("&Отчеты"));
    N7 = reports->menuAction();
    N10 = reports->addAction(QStringLiteral("&Сводные отчеты"));
    N5 = MainMenu1->addAction(QStringLiteral("&Выход"));

    RadioButton1 = new QRadioButton(QStringLiteral("Смена №1"), this);
    RadioButton2 = new QRadioButton(QStringLiteral("Смена №2"), this);
    RadioButton3 = new QRadioButton(QStringLiteral("Смена №3"), this);
    RadioButton4 = new QRadioButton(QStringLiteral("Переработка"), this);
    auto* group = new QButtonGroup(this);
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4}) {
        group->addButton(r);
        r->setAutoFillBackground(true);
        r->setContentsMargins(6, 2, 6, 2);
        // as wide as in bold, so the row does not shift when the shift changes
        QFont bold = r->font();
        bold.setBold(true);
        r->setMinimumWidth(r->sizeHint().width() - r->fontMetrics().horizontalAdvance(r->text()) +
                           QFontMetrics(bold).horizontalAdvance(r->text()));
    }
    RadioButton1->setChecked(true);

    auto* day = new DayEdit(QDate::currentDate(), this);
    DateT = day;
    DateT->setCalendarPopup(true);
    DateT->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    DateT->setMinimumWidth(120);
    CBox1 = new QCheckBox(QStringLiteral("Выходной"), this);
    EditFind = new QLineEdit(this);
    EditFind->setObjectName(QStringLiteral("EditFind"));
    EditFind->setPlaceholderText(QStringLiteral("часть фамилии"));
    EditFind->setClearButtonEnabled(true);
    EditFind->setMinimumWidth(160);
    LabelFound = new QLabel(this);
    LabelFound->setObjectName(QStringLiteral("LabelFound"));
    LabelTotals = new QLabel(this);
    LabelTotals->setObjectName(QStringLiteral("LabelTotals"));
    {
        QFont f = LabelTotals->font();
        f.setBold(true);
        LabelTotals->setFont(f);
    }

    DBGrid2 = new ui::DBGrid(this);
    const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
    DBGrid2->addNameColumn("fio", QStringLiteral("Фамилия И.О."), 170);
    DBGrid2->addNameColumn("marka", QStringLiteral("Марка изделия"), 120);
    DBGrid2->addNameColumn("vid", QStringLiteral("Операция"), 160);
    DBGrid2->addColumn("nmn", QStringLiteral("Вид"), 140);
    DBGrid2->addColumn("color", QStringLiteral("Цвет"), 55, Qt::AlignCenter);
    DBGrid2->addColumn("time", QStringLiteral("Часы"), 50, right);
    DBGrid2->addColumn("kol_vo", QStringLiteral("Кол-во"), 65, right);
    DBGrid2->addColumn("brak", QStringLiteral("Брак"), 50, right);
    DBGrid2->addColumn("summa", QStringLiteral("Итого (р.)"), 85, right);
    DBGrid2->column(DBGrid2->columnOf("summa")).format =
        QStringLiteral("#0.00"); // roubles, kopecks
    DBGrid2->addColumn("prize", QStringLiteral("Премия (%)"), 70, right);
    DBGrid2->addColumn("ok", QStringLiteral("OK"), 40, Qt::AlignCenter);
    DBGrid2->addColumn("vvod", QStringLiteral("Заведен"), 85, Qt::AlignCenter);
    DBGrid2->setColumnVisible("prize", false);
    DBGrid2->onDrawCell = [](int row, const ui::GridColumn& column, ui::CellStyle& style) {
        if (column.field != QLatin1String("ok")) return;
        const QString mark = Form1->DBGrid2->cellText(row, QStringLiteral("ok"));
        style.bold = true;
        style.text = (mark == QLatin1String("ok") || mark == QStringLiteral("да")) ? AcceptedColour
                                                                                   : OpenColour;
    };

    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button2 = new QPushButton(QStringLiteral("Изменить"), this);
    Button3 = new QPushButton(QStringLiteral("Удалить"), this);
    Button8 = new QPushButton(QStringLiteral("Обновить"), this);
    Button5 = new QPushButton(QStringLiteral("Ср.сд./хоз. работы"), this);
    HistoryButton = new QPushButton(QStringLiteral("История"), this);
    DeletedButton = new QPushButton(QStringLiteral("Удалённые"), this);
    History = new ui::HistoryWindow(this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    for (QPushButton* b :
         {Button1, Button2, Button3, Button8, Button5, HistoryButton, DeletedButton, Button4})
        b->setAutoDefault(false);
    setCancelButton(Button4);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    Delayed =
        new QLabel(QStringLiteral("Изменения других пользователей приходят с задержкой"), this);
    StatusBar1->addPermanentWidget(Delayed);

    Timer1 = new QTimer(this);
    Timer1->setInterval(30000);
    DayTimer = new QTimer(this);
    DayTimer->setSingleShot(true);
    DayTimer->setInterval(DayPause);
    day->onStep = [this] { DayTimer->start(); };

    auto* top = new QHBoxLayout;
    for (QRadioButton* r : {RadioButton1, RadioButton2, RadioButton3, RadioButton4})
        top->addWidget(r);
    top->addSpacing(20);
    auto* dayLabel = new QLabel(QStringLiteral("&Дата:"), this);
    dayLabel->setBuddy(DateT);
    top->addWidget(dayLabel);
    top->addWidget(DateT);
    top->addWidget(CBox1);
    top->addSpacing(20);
    auto* findLabel = new QLabel(QStringLiteral("&Найти:"), this);
    findLabel->setBuddy(EditFind);
    top->addWidget(findLabel);
    top->addWidget(EditFind);
    top->addWidget(LabelFound);
    top->addStretch();
    auto* bottom = new QHBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3, Button8, Button5, HistoryButton, DeletedButton})
        bottom->addWidget(b);
    bottom->addStretch();
    bottom->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(MainMenu1);
    layout->addLayout(top);
    layout->addWidget(DBGrid2, 1);
    layout->addWidget(LabelTotals);
    layout->addLayout(bottom);
    layout->addWidget(StatusBar1);

    setTabOrder(RadioButton1, DateT);
    setTabOrder(DateT, CBox1);
    setTabOrder(CBox1, EditFind);
    setTabOrder(EditFind, DBGrid2);
    setTabOrder(DBGrid2, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button8);
    setTabOrder(Button8, Button5);
    setTabOrder(Button5, HistoryButton);
    setTabOrder(HistoryButton, DeletedButton);
    setTabOrder(DeletedButton, Button4);

    // The day is re-read when the calendar closes or Enter is pressed in the date box;
    // setting the date from code reads nothing.
    DateT->installEventFilter(this);
    // Enter in the grid accepts or withdraws the record, as a double-click does
    DBGrid2->installEventFilter(this);
    DateT->calendarWidget()->window()->installEventFilter(this);
    // Escape in the search box clears it
    EditFind->installEventFilter(this);

    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ui::run([this] { RadioButton1Click(); });
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ui::run([this] { RadioButton2Click(); });
    });
    connect(RadioButton3, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ui::run([this] { RadioButton3Click(); });
    });
    connect(RadioButton4, &QRadioButton::toggled, this, [this](bool on) {
        if (on) ui::run([this] { RadioButton4Click(); });
    });
    connect(CBox1, &QCheckBox::toggled, this, ui::guard([this] { CBox1Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button8, &QPushButton::clicked, this, ui::guard([this] { Button8Click(); }));
    connect(HistoryButton, &QPushButton::clicked, this,
            ui::guard([this] { HistoryButtonClick(); }));
    connect(DeletedButton, &QPushButton::clicked, this,
            ui::guard([this] { DeletedButtonClick(); }));
    connect(DBGrid2, &ui::DBGrid::dblClick, this, ui::guard([this] { DBGrid2DblClick(); }));
    connect(Timer1, &QTimer::timeout, this, ui::guard([this] { Timer1Timer(); }));
    connect(N1, &QAction::triggered, this, ui::guard([this] { N1Click(); }));
    connect(N3, &QAction::triggered, this, ui::guard([this] { N3Click(); }));
    connect(N4, &QAction::triggered, this, ui::guard([this] { N4Click(); }));
    connect(N6, &QAction::triggered, this, ui::guard([this] { N6Click(); }));
    connect(N9, &QAction::triggered, this, ui::guard([this] { N9Click(); }));
    connect(N10, &QAction::triggered, this, ui::guard([this] { N10Click(); }));
    connect(N13, &QAction::triggered, this, ui::guard([this] { N13Click(); }));
    connect(N14, &QAction::triggered, this, ui::guard([this] { N14Click(); }));
    connect(N15, &QAction::triggered, this, ui::guard([this] { N15Click(); }));
    connect(N17, &QAction::triggered, this, ui::guard([this] { N17Click(); }));
    connect(N18, &QAction::triggered, this, ui::guard([this] { N18Click(); }));
    connect(N19, &QAction::triggered, this, ui::guard([this] { N19Click(); }));
    connect(N20, &QAction::triggered, this, ui::guard([this] { N20Click(); }));
    connect(N30, &QAction::triggered, this, ui::guard([this] { N30Click(); }));
    connect(N5, &QAction::triggered, this, ui::guard([this] { Button4Click(); }));
    connect(N8, &QAction::triggered, this, ui::guard([this] { N8Click(); }));
    connect(N22, &QAction::triggered, Button1, &QPushButton::click);
    connect(N23, &QAction::triggered, Button2, &QPushButton::click);
    connect(N24, &QAction::triggered, Button3, &QPushButton::click);
    connect(N25, &QAction::triggered, Button8, &QPushButton::click);
    connect(N26, &QAction::triggered, this, ui::guard([this] { N26Click(); }));
    connect(N27, &QAction::triggered, this, ui::guard([this] { N27Click(); }));
    connect(N28, &QAction::triggered, HistoryButton, &QPushButton::click);
    connect(N29, &QAction::triggered, DeletedButton, &QPushButton::click);
    follow(Button1, N22);
    follow(Button2, N23);
    follow(Button3, N24);
    follow(Button8, N25);
    follow(EditFind, N26);
    follow(DBGrid2, N27);
    follow(HistoryButton, N28);
    follow(DeletedButton, N29);
    connect(EditFind, &QLineEdit::textChanged, this, ui::guard([this] { EditFindChange(); }));
    connect(DayTimer, &QTimer::timeout, this, ui::guard([this] {
                if (DateT->date() != shownDay_) readDay();
            }));
    // the totals follow every reading of the shifts and every change of a row
    for (int shift = 1; shift <= 4; ++shift) {
        data::Query* q = &DataModule6->smenaQuery(shift);
        connect(q, &data::Query::reset, this, &TForm1::showTotals);
        connect(q, &data::Query::rowChanged, this, &TForm1::showTotals);
    }
    CBox1Click();
}

QList<QWidget*> TForm1::browseControls() const {
    return {RadioButton1, RadioButton2, RadioButton3, RadioButton4, CBox1,
            Button8,      DBGrid2,      DateT,        EditFind};
}

void TForm1::follow(QWidget* control, QAction* action) {
    followers_.append({control, action});
    action->setEnabled(control->isEnabled());
    control->installEventFilter(this);
}

data::Query& TForm1::currentQuery() {
    CurQuery = &DataModule6->smenaQuery(CurShift);
    return *CurQuery;
}

bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::EnabledChange)
        for (const auto& [control, action] : followers_)
            if (control == watched) action->setEnabled(control->isEnabled());
    if (watched == EditFind) {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (key->key() == Qt::Key_Escape && !EditFind->text().isEmpty()) {
                EditFind->clear();
                return true;
            }
            // Up and Down move the list, as in the reference lists' search boxes; Enter
            // goes to the rows found
            if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
                data::Query& q = currentQuery();
                if (q.active()) key->key() == Qt::Key_Up ? q.prior() : q.next();
                return true;
            }
            if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
                DBGrid2->setFocus();
                return true;
            }
        }
        return ui::Form::eventFilter(watched, event);
    }
    if (watched == DBGrid2 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            !(key->modifiers() & ~Qt::KeypadModifier)) {
            // a locked grid takes Enter too, so it never reaches the window's default button
            if (DBGrid2->isEnabled()) ui::run([this] { DBGrid2DblClick(); });
            return true;
        }
        return ui::Form::eventFilter(watched, event);
    }
    if (watched == DateT && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            ui::run([this] { DateTCloseUp(); });
            return true;
        }
    } else if (watched != DateT && event->type() == QEvent::Hide) {
        // the calendar's popup has closed; its date reaches DateT first
        QTimer::singleShot(0, this, ui::guard([this] { DateTCloseUp(); }));
    }
    return ui::Form::eventFilter(watched, event);
}

void TForm1::openJournal(const QDate& day) {
    const QDateTime at(day, QTime(0, 0));
    QList<data::Query*> reads;
    for (int shift = 1; shift <= 4; ++shift) {
        data::Query& q = DataModule6->smenaQuery(shift);
        q.setParam("data", at);
        reads << &q;
    }
    // the four shifts, the month's state and whether the day is off in one exchange
    data::Query& control = DataModule6->Control;
    control.setSql(timesheet::closedStatement(day.year(), day.month()));
    data::Query& calendar = DataModule6->Calendar;
    calendar.setSql(timesheet::calendarStatement(day, day));
    reads << &control << &calendar;
    data::openTogether(reads);
    data::ClosedOnExit closing{control};
    shownDayOff_ = timesheet::takeDaysOff(calendar).isOff(day);
    showMonthState(timesheet::closedIn(control));
    shownDay_ = day;
    if (OtherCopies) OtherCopies->done();
}

void TForm1::setWriteRights(bool add, bool change, bool remove) {
    mayAdd_ = add;
    mayChange_ = change;
    mayRemove_ = remove;
    applyWriteRights();
}

void TForm1::applyWriteRights() {
    Button1->setEnabled(mayAdd_ && !MonthClosed);
    Button2->setEnabled(mayChange_ && !MonthClosed);
    Button3->setEnabled(mayRemove_ && !MonthClosed);
}

void TForm1::showMonthState() {
    const QDate day = DateT->date();
    showMonthState(timesheet::isClosed(DataModule6->Control, day.year(), day.month()));
}

void TForm1::showMonthState(bool closed) {
    const QDate day = DateT->date();
    MonthClosed = closed;
    applyWriteRights();
    if (MonthClosed)
        StatusBar1->showMessage(QStringLiteral("%1 закрыт: записи этого месяца не изменяются.")
                                    .arg(timesheet::monthTitle(day.year(), day.month())));
    else
        StatusBar1->clearMessage();
}

void TForm1::rereadShifts(const QList<data::Change>& changes) {
    for (int shift = 1; shift <= 4; ++shift) {
        const bool touched =
            std::any_of(changes.begin(), changes.end(), [&](const data::Change& c) {
                return c.touches(QStringLiteral("smena"), shownDay_, shift);
            });
        if (touched)
            ui::reopenKeeping(DataModule6->smenaQuery(shift), QStringLiteral("id"),
                              shift == CurShift ? DBGrid2 : nullptr);
    }
}

void TForm1::FormActivate() {
    DayTimer->stop();
    const QDate today = QDate::currentDate();
    DateT->setDate(today);
    for (int shift = 1; shift <= 4; ++shift) {
        data::Query& q = DataModule6->smenaQuery(shift);
        q.close();
        q.setFiltered(false);
    }
    openJournal(today);
    // a day off by the production calendar ticks "Выходной"; a working day leaves it
    if (shownDayOff_) CBox1->setChecked(true);
}

void TForm1::DateTCloseUp() {
    readDay();
    DBGrid2->setFocus();
}

void TForm1::readDay() {
    DayTimer->stop();
    ui::BusyCursor busy;
    openJournal(DateT->date());
    CBox1->setChecked(shownDayOff_);
}

void TForm1::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        ui::run([this] {
            if (ui::askYesNo(QStringLiteral("Завершить работу программы?"), QStringLiteral("Выход"),
                             QMessageBox::No))
                Button4Click();
        });
        return;
    }
    ui::Form::keyPressEvent(event);
}

void TForm1::selectShift(int shift) {
    data::DataSource* sources[] = {&DataSource1, &DataSource2, &DataSource3, &DataSource4};
    QRadioButton* buttons[] = {RadioButton1, RadioButton2, RadioButton3, RadioButton4};
    DBGrid2->setDataSource(sources[shift - 1]);
    CurShift = shift;
    showTotals();
    for (int i = 0; i < 4; ++i) {
        QRadioButton* b = buttons[i];
        const bool on = i == shift - 1;
        QPalette p = b->palette();
        const QColor face = on ? ShiftOn : palette().color(QPalette::Button);
        p.setColor(QPalette::Window, face);
        p.setColor(QPalette::Button, face);
        // where the role disables the buttons, the shift stays readable on the green: dark
        // text instead of the light grey of disabled controls
        const QColor disabledText =
            on ? DisabledOnShift : palette().color(QPalette::Disabled, QPalette::WindowText);
        p.setColor(QPalette::Disabled, QPalette::WindowText, disabledText);
        p.setColor(QPalette::Disabled, QPalette::ButtonText, disabledText);
        p.setColor(QPalette::Disabled, QPalette::Text, disabledText);
        b->setPalette(p);
        QFont f = b->font();
        f.setBold(on);
        b->setFont(f);
        if (on && !b->isChecked()) b->setChecked(true);
    }
}

void TForm1::RadioButton1Click() {
    selectShift(1);
}
void TForm1::RadioButton2Click() {
    selectShift(2);
}
void TForm1::RadioButton3Click() {
    selectShift(3);
}
void TForm1::RadioButton4Click() {
    selectShift(4);
}

void TForm1::CBox1Click() {
    const bool on = CBox1->isChecked();
    QPalette p = CBox1->palette();
    // the enabled look only: where the role disables the box it shows so
    for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
        const QColor c = on ? QColor(255, 0, 0) : palette().color(g, QPalette::WindowText);
        p.setColor(g, QPalette::WindowText, c);
        p.setColor(g, QPalette::ButtonText, c);
    }
    CBox1->setPalette(p);
    QFont f = CBox1->font();
    f.setBold(on);
    CBox1->setFont(f);
}

void TForm1::Button8Click() {
    ui::BusyCursor busy;
    for (int shift = 1; shift <= 4; ++shift)
        DataModule6->smenaQuery(shift).close();
    data::openTogether(
        {&DataModule6->Smena1, &DataModule6->Smena2, &DataModule6->Smena3, &DataModule6->Smena4});
    if (OtherCopies) OtherCopies->done();
}

void TForm1::Button4Click() {
    close();
}

void TForm1::Timer1Timer() {
    DataModule6->Changes.keepListening();
    // A tick that comes while the box of an earlier one is still open does nothing, so a
    // lasting fault shows one box, not one more every 30 seconds.
    if (checking_ || !VersionCheck) return;
    checking_ = true;
    if (ui::connectionLossShown()) {
        // the user has been told of the lost connection: the check tries again quietly,
        // and once it gets through, a later loss is told again
        try {
            VersionCheck();
            ui::connectionBack();
        } catch (const data::DbError&) {
        } catch (...) {
            checking_ = false;
            throw;
        }
    } else {
        ui::run(VersionCheck);
    }
    checking_ = false;
}

void TForm1::EditFindChange() {
    const QString part = EditFind->text();
    for (int shift = 1; shift <= 4; ++shift)
        journal::showWorker(DataModule6->smenaQuery(shift), part);
    showTotals();
}

void TForm1::showTotals() {
    data::Query& q = DataModule6->smenaQuery(CurShift);
    LabelTotals->setText(journal::shownTotals(q).text());
    if (journal::searchKey(EditFind->text()).isEmpty()) {
        LabelFound->clear();
        return;
    }
    // the records of the worker in each shift: where else to look
    static const char* names[] = {"№1", "№2", "№3", "переработка"};
    QStringList found;
    for (int shift = 1; shift <= 4; ++shift)
        found << QStringLiteral("%1: %2")
                     .arg(QString::fromUtf8(names[shift - 1]))
                     .arg(DataModule6->smenaQuery(shift).recordCount());
    LabelFound->setText(QStringLiteral("Найдено записей — ") + found.join(QStringLiteral(", ")));
}

void TForm1::N8Click() {
    RadioButton4->setChecked(true);
}

void TForm1::N26Click() {
    EditFind->setFocus();
    EditFind->selectAll();
}
