// The journal window: the four shift queries, the acceptance colours, the day and the
// day-off box, shift choice and refresh.
#include "app/login_window.h"
#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "refdata/workers_list.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionButton>
#include <QtTest>
#include <cmath>

namespace {
const QDate Day(2024, 2, 21); // a Wednesday

// What the journal of a shift is sorted by.
QStringList sortKeys(int shift) {
    return shift == 1 ? QStringList{"fio", "izdel.marka", "vid_oper.vid", "oper.naimen", "color"}
                      : QStringList{"fio"};
}

// Rows of an open query, each as the texts of the given fields (all when none are given).
QStringList rowTexts(data::Query& q, QStringList fields = {}) {
    if (fields.isEmpty()) fields = q.fieldNames();
    QStringList out;
    for (int row = 0; row < q.recordCount(); ++row) {
        QStringList values;
        for (const QString& f : fields)
            values << q.textAt(row, q.fieldIndex(f));
        out << values.join(u'|');
    }
    return out;
}

// The journal statement as it was first written: the same columns, the worker joined by key
// or personnel code in one condition, which leaves the server no index to use.
QString orJoinStatement(int shift) {
    const QString now = TDataModule6::journalStatement(shift);
    return now.left(now.indexOf(QStringLiteral(" from "))) +
           QStringLiteral(
               " from cmn_contractor.person person, "
               "accounts_dep.izdel,accounts_dep.oper,accounts_dep.smena,accounts_dep.vid_oper  "
               "where smena.i_id=izdel.id and smena.o_id=oper.id and (w_id=person.id or "
               "%4=w_id) and  oper.vid=vid_oper.id and smena.smena=%1 and "
               "smena.data=:data and %2 order by  %3")
               .arg(shift)
               .arg(shift == 1 ? "ok!=:ok" : "ok<>:ok", sortKeys(shift).join(", "),
                    data::sql::personCode());
}

using fixture::column;
// Logs in with an access text and runs action in the journal, shown on Day's first shift.
void asRole(const QString& role, const std::function<void()>& action) {
    ui::Script s;
    s.onModal(Form1, [&] {
        Form1->DateT->setDate(Day);
        Form1->DateTCloseUp();
        action();
    });
    Form23->Edit1->setText(role);
    Form23->Button1Click();
}

// The grid's rows that are selected, 0-based.
QList<int> selectedRows(ui::DBGrid* g) {
    QList<int> out;
    for (const QModelIndex& i : g->selectionModel()->selectedRows())
        out << i.row();
    return out;
}

// The menu item of the journal as the user reads it: the menu's caption and the item's, without
// their underlined letters.
QAction* menuItem(const QString& menu, const QString& item) {
    for (QAction* top : Form1->MainMenu1->actions()) {
        if (!top->menu() || top->text().remove(u'&') != menu) continue;
        for (QAction* a : top->menu()->actions())
            if (a->text().remove(u'&') == item) return a;
    }
    return nullptr;
}

// Makes the shown journal the active window, as the user's desktop has it.
bool activeJournal() {
    Form1->activateWindow();
    return QTest::qWaitForWindowActive(Form1);
}

// Pixels of a cell of the grid as the user sees them drawn.
QImage cellImage(ui::DBGrid* g, int row, const QString& field) {
    const QRect r = g->visualRect(g->model()->index(row, g->columnOf(field)));
    return g->viewport()->grab(r).toImage();
}

// True when some pixel of the image is close to colour: the text drawn in it.
bool drawnIn(const QImage& image, const QColor& colour) {
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green()) +
                    qAbs(c.blue() - colour.blue()) <
                40)
                return true;
        }
    return false;
}

// Contrast ratio of two colours, 1 (none) to 21 (black on white).
double contrast(const QColor& a, const QColor& b) {
    auto lum = [](const QColor& c) {
        auto lin = [](double v) {
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * lin(c.redF()) + 0.7152 * lin(c.greenF()) + 0.0722 * lin(c.blueF());
    };
    const double x = lum(a), y = lum(b);
    return (qMax(x, y) + 0.05) / (qMin(x, y) + 0.05);
}
} // namespace

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void queries_data();
    void queries();
    void sums();
    void dayOffLooksDisabled();
    void colourRule();
    void dayChangeSetsDayOff_data();
    void dayChangeSetsDayOff();
    void enterInDateBoxReReads();
    void activationShowsToday();
    void shiftChoice();
    void refreshReReads();
    void sameRowsAsTheOrJoin_data();
    void sameRowsAsTheOrJoin();
    void selectedRowKeepsMarkColours();
    void selectionStaysOnTheCurrentRow_data();
    void selectionStaysOnTheCurrentRow();
    void nameColumnsTakeSpareWidth();
    void acceptByEnter_data();
    void acceptByEnter();
    void shiftReadableInEveryRole_data();
    void shiftReadableInEveryRole();
    void enterPressesTheFocusedButton();
    void focusFrameShows_data();
    void focusFrameShows();
    void everyMenuItemHasItsLetter();
    void keysRunTheCommands_data();
    void keysRunTheCommands();
    void escapeAsksBeforeTheEnd();
    void overtimeItemShowsShiftFour();
    void dateArrowsReReadAfterAPause();
};

void JournalTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql() + R"(
        -- Workers found by key, by personnel code, by both, by neither (keys from 20 on,
        -- apart from the department's).
        insert into cmn_contractor.person (id, s_caption, s_code) values
         (20, 'Абрамов А.А.', '20'),  -- key and code: the same person
         (21, 'Борисов Б.Б.', '25'),  -- worker 25 by code
         (25, 'Власов В.В.', null),   -- worker 25 by key as well
         (26, 'Глебов Г.Г.', '27'),   -- worker 27 has no key of his own: by code only,
         (28, 'Дёмин Д.Д.', '27'),    -- twice
         (29, 'Ершов Е.Е.', ' 30 ');  -- a code with blanks around
        insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod, prize)
        values ('2024-02-21', 1, 1, 101, 1, 12.5, 10, 2, 8, 0, 'ok', '2024-02-21', 0),
               ('2024-02-21', 1, 2, 102, 2, 20, 5, 5, 4, 1015, 'да', '2024-02-21', 0),
               ('2024-02-21', 1, 3, 101, 1, 0.3333, 3, 0, 2, 0, 'no', '2024-02-22', 0),
               ('2024-02-21', 1, 1, 102, 2, 20, 1, 0, 1, 1, null, '2024-02-21', 0),
               ('2024-02-21', 1, 4, 101, 1, 10, 1, 0, 1, 0, 'no', '2024-02-21', 0),
               ('2024-02-21', 4, 2, 101, 1, 15, 2, 0, 3, 0, 'no', '2024-02-21', 0),
               ('2024-02-22', 1, 1, 101, 1, 12.5, 4, 0, 8, 0, 'no', '2024-02-22', 0),
               -- the workers above; an unknown operation and a null mark are never listed
               ('2024-03-12', 1, 20, 101, 1, 12.5, 10, 0, 8, 0, 'ok', '2024-03-12', 0),
               ('2024-03-12', 1, 21, 101, 1, 12.5, 4, 1, 8, 0, 'no', '2024-03-12', 0),
               ('2024-03-12', 1, 25, 102, 2, 20, 5, 0, 4, 1015, 'да', '2024-03-12', 0),
               ('2024-03-12', 1, 25, 101, 1, 12.5, 6, 0, 4, 0, 'no', '2024-03-12', 0),
               ('2024-03-12', 1, 27, 101, 1, 12.5, 2, 0, 2, 0, 'ok', '2024-03-12', 0),
               ('2024-03-12', 1, 30, 102, 2, 20, 3, 0, 8, 3020, 'no', '2024-03-12', 0),
               ('2024-03-12', 1, 31, 101, 1, 12.5, 1, 0, 8, 0, 'no', '2024-03-12', 0),
               ('2024-03-12', 1, 20, 101, 99, 12.5, 1, 0, 1, 0, 'no', '2024-03-12', 0),
               ('2024-03-12', 1, 20, 102, 2, 20, 1, 0, 1, 0, null, '2024-03-12', 0),
               ('2024-03-12', 2, 25, 101, 1, 12.5, 7, 0, 8, 0, 'no', '2024-03-12', 0),
               ('2024-03-12', 2, 20, 101, 1, 12.5, 9, 0, 8, 0, 'ok', '2024-03-12', 0),
               ('2024-03-13', 1, 27, 102, 2, 20, 2, 0, 8, 9003, 'no', '2024-03-13', 0);
    )");
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->DateT->setDate(Day);
    Form1->DateTCloseUp();
}

void JournalTest::queries_data() {
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QStringList>("workers");
    // a null mark and a worker without a person are never listed
    QTest::newRow("shift 1, every mark")
        << 1 << "ta" << QStringList{"Иванов И.И.", "О'Нил Д.Р.", "Петров П.П."};
    QTest::newRow("shift 1, hide accepted")
        << 1 << "ok" << QStringList{"О'Нил Д.Р.", "Петров П.П."};
    QTest::newRow("overtime apart") << 4 << "ta" << QStringList{"Петров П.П."};
    QTest::newRow("shift 2 empty") << 2 << "ta" << QStringList{};
}

void JournalTest::queries() {
    QFETCH(int, shift);
    QFETCH(QString, ok);
    QFETCH(QStringList, workers);
    data::Query& q = DataModule6->smenaQuery(shift);
    q.close();
    q.setParam("ok", ok);
    q.open();
    QCOMPARE(column(q, "fio"), workers);
    q.close();
    q.setParam("ok", QString("ta"));
    q.open();
}

void JournalTest::sums() {
    data::Query& q = DataModule6->Smena1;
    QCOMPARE(column(q, "summa"),
             (QStringList{"100", "1", "0"})); // 8×12.5; 3×0.3333; rejects = quantity
    QCOMPARE(column(q, "nmn"),
             (QStringList{"Готовая продукция", "Готовая продукция", "Заготовки"}));
    QCOMPARE(column(q, "vvod"), (QStringList{"21.02.2024", "22.02.2024", "21.02.2024"}));
    QCOMPARE(Form1->DBGrid2->cellText(2, "color"), QString("1015"));
    // money in roubles and kopecks
    Form1->RadioButton1Click();
    QCOMPARE(fixture::column(Form1->DBGrid2, "summa"), (QStringList{"100.00", "1.00", "0.00"}));
}

// Where the role disables "Выходной" it looks disabled too, checked (red) or not.
void JournalTest::dayOffLooksDisabled() {
    QCheckBox* box = Form1->CBox1;
    const QColor disabled = Form1->palette().color(QPalette::Disabled, QPalette::WindowText);
    for (bool on : {true, false}) {
        box->setChecked(on);
        box->setEnabled(false);
        QCOMPARE(box->palette().color(QPalette::Disabled, QPalette::WindowText), disabled);
        const QImage look = box->grab().toImage();
        bool red = false;
        for (int y = 0; y < look.height(); ++y)
            for (int x = 0; x < look.width(); ++x)
                red = red || QColor(look.pixel(x, y)) == QColor(255, 0, 0);
        QVERIFY(!red);
        box->setEnabled(true);
        QCOMPARE(box->palette().color(QPalette::Active, QPalette::WindowText) == QColor(255, 0, 0),
                 on);
    }
}

void JournalTest::colourRule() {
    Form1->RadioButton1Click();
    ui::DBGrid* g = Form1->DBGrid2;
    const QColor green(0, 128, 0), red(255, 0, 0);
    QCOMPARE(g->cellText(0, "ok"), QString("ok"));
    QCOMPARE(g->cellStyle(0, "ok").text.value(), green);
    QCOMPARE(g->cellStyle(1, "ok").text.value(), red); // "no"
    QCOMPARE(g->cellText(2, "ok"), QString("да"));
    QCOMPARE(g->cellStyle(2, "ok").text.value(), green);
    QVERIFY(g->cellStyle(1, "ok").bold.value());
    QVERIFY(!g->cellStyle(0, "fio").text.has_value()); // other columns as usual
    // the view gets the same colour through the model
    QCOMPARE(g->model()
                 ->data(g->model()->index(1, g->columnOf("ok")), Qt::ForegroundRole)
                 .value<QColor>(),
             red);
}

void JournalTest::dayChangeSetsDayOff_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("dayOff");
    QTest::newRow("saturday") << QDate(2024, 2, 24) << true;
    QTest::newRow("sunday") << QDate(2024, 2, 25) << true;
    QTest::newRow("monday after") << QDate(2024, 2, 26) << false;
    QTest::newRow("a public holiday on a Friday") << QDate(2024, 2, 23) << true;
    QTest::newRow("a Saturday made a working day") << QDate(2024, 4, 27) << false;
    QTest::newRow("back to wednesday") << Day << false;
}

void JournalTest::dayChangeSetsDayOff() {
    QFETCH(QDate, day);
    QFETCH(bool, dayOff);
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    QCOMPARE(Form1->CBox1->isChecked(), dayOff);
    QCOMPARE(Form1->CBox1->font().bold(), dayOff);
    QCOMPARE(Form1->CBox1->palette().color(QPalette::WindowText) == QColor(255, 0, 0), dayOff);
    for (int shift = 1; shift <= 4; ++shift)
        QCOMPARE(DataModule6->smenaQuery(shift).param("data").toDateTime(),
                 QDateTime(day, QTime(0, 0)));
}

void JournalTest::enterInDateBoxReReads() {
    QDateEdit* box = Form1->DateT;
    box->setDate(Day);
    box->setFocus();
    box->setSelectedSection(QDateTimeEdit::DaySection);
    QTest::keyClicks(box, "24022024"); // typing alone reads nothing
    QCOMPARE(box->date(), QDate(2024, 2, 24));
    QCOMPARE(DataModule6->Smena1.param("data").toDateTime().date(), Day);
    QTest::keyClick(box, Qt::Key_Return);
    QCOMPARE(DataModule6->Smena1.param("data").toDateTime().date(), QDate(2024, 2, 24));
    QVERIFY(Form1->CBox1->isChecked()); // a Saturday
    box->setDate(Day);
    Form1->DateTCloseUp();
}

void JournalTest::activationShowsToday() {
    const QDate today = QDate::currentDate();
    const bool weekend = today.dayOfWeek() >= 6;
    DataModule6->Smena1.setFilter("fio like 'И%'");
    DataModule6->Smena1.setFiltered(true);
    Form1->CBox1->setChecked(true);
    Form1->FormActivate();
    QCOMPARE(Form1->DateT->date(), today);
    QVERIFY(Form1->CBox1->isChecked()); // a weekday leaves it as the user left it
    QVERIFY(!DataModule6->Smena1.filtered());
    Form1->CBox1->setChecked(false);
    Form1->FormActivate();
    QCOMPARE(Form1->CBox1->isChecked(), weekend);
    // a window shown from the journal brings it back to today when it closes
    Form1->DateT->setDate(Day);
    Form1->DateTCloseUp();
    ui::Script script;
    ui::Form child;
    script.onModal(Form1, [&] { ui::showModal(&child); });
    Form1->DateT->setDate(Day);
    ui::showModal(Form1);
    QCOMPARE(Form1->DateT->date(), today);
    Form1->DateT->setDate(Day);
    Form1->DateTCloseUp();
}

void JournalTest::shiftChoice() {
    Form1->RadioButton4->setChecked(true); // as a click does
    QCOMPARE(Form1->CurShift, 4);
    QCOMPARE(Form1->DBGrid2->dataSet(), &DataModule6->Smena4);
    QCOMPARE(&Form1->currentQuery(), &DataModule6->Smena4);
    QVERIFY(Form1->RadioButton4->font().bold());
    QVERIFY(!Form1->RadioButton1->font().bold());
    QCOMPARE(Form1->RadioButton4->palette().color(QPalette::Window), QColor(0, 255, 0));
    QVERIFY(Form1->RadioButton1->palette().color(QPalette::Window) != QColor(0, 255, 0));
    QCOMPARE(Form1->DBGrid2->model()->rowCount(), 1);
    Form1->RadioButton1Click();
    QVERIFY(Form1->RadioButton1->isChecked());
    QCOMPARE(Form1->CurShift, 1);
    QCOMPARE(Form1->DBGrid2->model()->rowCount(), 3);
}

void JournalTest::refreshReReads() {
    fixture::exec("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, "
                  "brak, time, color, ok, vvod)"
                  " values ('2024-02-21', 4, 3, 101, 1, 15, 2, 0, 3, 0, 'no', '2024-02-21')");
    QCOMPARE(DataModule6->Smena4.recordCount(), 1);
    Form1->Button8Click();
    QCOMPARE(DataModule6->Smena4.recordCount(), 2);
    QCOMPARE(DataModule6->Smena4.param("data").toDateTime().date(), Day);
}

void JournalTest::sameRowsAsTheOrJoin_data() {
    QTest::addColumn<int>("shift");
    QTest::addColumn<QString>("ok");
    QTest::addColumn<QDate>("day");
    QTest::addColumn<QStringList>("workers"); // as the journal lists them
    const QDate tuesday(2024, 3, 12);
    const QString a = "Абрамов А.А.", b = "Борисов Б.Б.", v = "Власов В.В.", g = "Глебов Г.Г.",
                  d = "Дёмин Д.Д.", e = "Ершов Е.Е.";
    QTest::newRow("shift 1, every mark")
        << 1 << "ta" << tuesday << QStringList{a, b, b, b, v, v, g, d, e};
    QTest::newRow("shift 1, hide accepted")
        << 1 << "ok" << tuesday << QStringList{b, b, b, v, v, e};
    QTest::newRow("shift 2, every mark") << 2 << "ta" << tuesday << QStringList{a, b, v};
    QTest::newRow("shift 2, hide accepted") << 2 << "ok" << tuesday << QStringList{b, v};
    QTest::newRow("overtime, none") << 4 << "ta" << tuesday << QStringList{};
    QTest::newRow("next day, by code only") << 1 << "ta" << tuesday.addDays(1) << QStringList{g, d};
    QTest::newRow("the department's day")
        << 1 << "ta" << Day << QStringList{"Иванов И.И.", "О'Нил Д.Р.", "Петров П.П."};
}

void JournalTest::sameRowsAsTheOrJoin() {
    QFETCH(int, shift);
    QFETCH(QString, ok);
    QFETCH(QDate, day);
    QFETCH(QStringList, workers);
    data::Query before(DataModule6->ADO_DB);
    before.setSql(orJoinStatement(shift));
    data::Query& now = DataModule6->smenaQuery(shift);
    for (data::Query* q : {&before, &now}) {
        q->close();
        q->setParam("data", QDateTime(day, QTime(0, 0)));
        q->setParam("ok", ok);
        q->open();
    }
    QCOMPARE(column(now, "fio"), workers);
    QCOMPARE(now.fieldNames(), before.fieldNames());
    // the same rows, in the same order of the sort keys (rows equal in them in any order)
    QStringList rowsBefore = rowTexts(before), rowsNow = rowTexts(now);
    rowsBefore.sort();
    rowsNow.sort();
    QCOMPARE(rowsNow, rowsBefore);
    QStringList keys = sortKeys(shift);
    for (QString& k : keys)
        k = k.section(u'.', -1); // the field of "table.field"
    QCOMPARE(rowTexts(now, keys), rowTexts(before, keys));

    now.close();
    now.setParam("data", QDateTime(Day, QTime(0, 0)));
    now.setParam("ok", QString("ta"));
    now.open();
}

void JournalTest::selectedRowKeepsMarkColours() {
    asRole(QStringLiteral("7093"), [] {
        ui::DBGrid* g = Form1->DBGrid2;
        const QColor green(0, 128, 0), red(255, 0, 0);
        for (int row : {0, 1, 2}) {
            g->selectRow(row);
            QCOMPARE(selectedRows(g), QList<int>{row});
            const QColor mark = g->cellText(row, "ok") == QLatin1String("no") ? red : green;
            QVERIFY2(drawnIn(cellImage(g, row, "ok"), mark), qPrintable(g->cellText(row, "ok")));
        }
    });
}

void JournalTest::selectionStaysOnTheCurrentRow_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("current"); // the record the dataset is on afterwards, 0-based
    QTest::newRow("click beside the rows") << "beside" << 1;
    QTest::newRow("Ctrl with a click on the selected row") << "ctrl-click" << 1;
    QTest::newRow("Ctrl+Down") << "ctrl-down" << 2;
    QTest::newRow("Ctrl+Up") << "ctrl-up" << 0;
}

void JournalTest::selectionStaysOnTheCurrentRow() {
    QFETCH(QString, what);
    QFETCH(int, current);
    asRole(QStringLiteral("7093"), [&] {
        ui::DBGrid* g = Form1->DBGrid2;
        g->setFocus();
        g->selectRow(1);
        QWidget* v = g->viewport();
        if (what == "beside") {
            QTest::mouseClick(v, Qt::LeftButton, {}, QPoint(5, v->height() - 3));
        } else if (what == "ctrl-click") {
            const QRect r = g->visualRect(g->model()->index(1, 0));
            QTest::mouseClick(v, Qt::LeftButton, Qt::ControlModifier, r.center());
        } else {
            QTest::keyClick(g, what == "ctrl-down" ? Qt::Key_Down : Qt::Key_Up,
                            Qt::ControlModifier);
        }
        QCOMPARE(DataModule6->Smena1.currentRow(), current);
        // what "Изменить" and "Удалить" act on is the one row shown selected
        QCOMPARE(selectedRows(g), QList<int>{current});
    });
}

void JournalTest::nameColumnsTakeSpareWidth() {
    asRole(QStringLiteral("7093"), [] {
        ui::DBGrid* g = Form1->DBGrid2;
        const QStringList names{"fio", "marka", "vid"};
        QMap<QString, int> before;
        for (const QString& f : names + QStringList{"vvod"})
            before[f] = g->shownWidth(f);
        Form1->resize(Form1->width() + 300, Form1->height());
        QTRY_VERIFY(g->shownWidth("fio") > before["fio"]);
        int grown = 0;
        for (const QString& f : names) {
            QVERIFY2(g->shownWidth(f) > before[f], qPrintable(f));
            grown += g->shownWidth(f) - before[f];
        }
        QVERIFY(grown >= 290);                           // nearly all of it
        QCOMPARE(g->shownWidth("vvod"), before["vvod"]); // the last column keeps its width
    });
}

void JournalTest::acceptByEnter_data() {
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("mark"); // of the "no" record after Enter
    QTest::newRow("full access") << "7093"
                                 << "ok";
    QTest::newRow("report-only role may not") << "fenlo"
                                              << "no";
    QTest::newRow("data-entry role may not") << "plovnik"
                                             << "no";
    QTest::newRow("read-only mode may not") << "tavrel"
                                            << "no";
}

void JournalTest::acceptByEnter() {
    QFETCH(QString, role);
    QFETCH(QString, mark);
    const QString id = fixture::scalar("select id from accounts_dep.smena where w_id=3");
    asRole(role, [&] {
        ui::DBGrid* g = Form1->DBGrid2;
        g->selectRow(1); // О'Нил, not accepted
        QCOMPARE(DataModule6->Smena1.asText("ok"), QStringLiteral("no"));
        QTest::keyClick(g, Qt::Key_Return);
        QCOMPARE(fixture::scalar("select ok from accounts_dep.smena where id=" + id), mark);
        QCOMPARE(DataModule6->Smena1.recNo(), 2); // the list stays on the record
        if (mark == QLatin1String("ok")) {
            QTest::keyClick(g, Qt::Key_Enter); // and withdraws it again, by the keypad's Enter
            QCOMPARE(fixture::scalar("select ok from accounts_dep.smena where id=" + id),
                     QStringLiteral("no"));
        }
    });
    fixture::exec("update accounts_dep.smena set ok='no' where id=" + id);
}

void JournalTest::shiftReadableInEveryRole_data() {
    QTest::addColumn<QString>("role");
    for (const char* role : {"7093", "plovnik", "fenlo", "tavrel"})
        QTest::newRow(role) << role;
}

void JournalTest::shiftReadableInEveryRole() {
    QFETCH(QString, role);
    asRole(role, [] {
        // the current shift, green and bold, whether the role lets the user change it or not
        QRadioButton* b = Form1->RadioButton1;
        const QPalette::ColorGroup g = b->isEnabled() ? QPalette::Active : QPalette::Disabled;
        const QPalette& p = b->palette();
        QCOMPARE(p.color(g, QPalette::Window), QColor(0, 255, 0));
        QVERIFY(contrast(p.color(g, QPalette::WindowText), p.color(g, QPalette::Window)) >= 4.5);
        QVERIFY(b->font().bold());
    });
}

void JournalTest::enterPressesTheFocusedButton() {
    bool picked = false;
    asRole(QStringLiteral("7093"), [&] {
        ui::Script s;
        s.onModal(Form11, [&] {
            s.onModal(Form5, [&] {
                picked = true;
                Form5->closeForm();
            });
            // Enter on the worker's "..." opens the pick, it does not save the record
            Form11->Button3->setFocus();
            QTest::keyClick(Form11->Button3, Qt::Key_Return);
            Form11->closeForm();
        });
        Form1->Button1->setFocus();
        QTest::keyClick(Form1->Button1, Qt::Key_Return); // "Добавить"
        QCOMPARE(s.texts(), QStringList());
    });
    QVERIFY(picked);
}

void JournalTest::focusFrameShows_data() {
    QTest::addColumn<QString>("which");
    QTest::newRow("green shift button") << "shift";
    QTest::newRow("narrow pick button") << "pick";
}

void JournalTest::focusFrameShows() {
    QFETCH(QString, which);
    Form1->RadioButton1Click(); // green and bold
    QAbstractButton* b = which == "shift" ? static_cast<QAbstractButton*>(Form1->RadioButton1)
                                          : static_cast<QAbstractButton*>(Form11->Button3);
    b->ensurePolished();
    const QSize size = b->sizeHint();
    const QColor ground =
        b->palette().color(which == "shift" ? QPalette::Window : QPalette::Button);
    // the control drawn as the program's style draws it, without and with the focus
    auto draw = [&](bool focus) {
        QImage image(size, QImage::Format_RGB32);
        image.fill(ground);
        QStyleOptionButton o;
        o.initFrom(b);
        o.rect = QRect(QPoint(0, 0), size);
        o.text = b->text();
        o.state &= ~QStyle::State_HasFocus;
        if (b->isChecked()) o.state |= QStyle::State_On;
        if (focus) o.state |= QStyle::State_HasFocus;
        QPainter p(&image);
        p.setFont(b->font());
        b->style()->drawControl(which == "shift" ? QStyle::CE_RadioButton : QStyle::CE_PushButton,
                                &o, &p, b);
        return image;
    };
    const QImage plain = draw(false), focused = draw(true);
    int frame = 0; // pixels the focus adds that stand out from the button's ground
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if (plain.pixel(x, y) != focused.pixel(x, y) &&
                contrast(focused.pixelColor(x, y), ground) >= 3)
                ++frame;
    QVERIFY2(frame >= 10, qPrintable(QString::number(frame)));
}

// The menu bar and every menu: each caption has one underlined letter, none twice in a menu.
void JournalTest::everyMenuItemHasItsLetter() {
    QList<QPair<QString, QList<QAction*>>> menus{{"menu bar", Form1->MainMenu1->actions()}};
    for (QAction* top : Form1->MainMenu1->actions())
        if (top->menu()) menus.append({top->text(), top->menu()->actions()});
    for (const auto& [name, actions] : menus) {
        QStringList letters;
        for (QAction* a : actions) {
            if (a->isSeparator()) continue;
            const QString text = a->text();
            const qsizetype at = text.indexOf(u'&');
            QVERIFY2(at >= 0 && at + 1 < text.size() && text.count(u'&') == 1,
                     qPrintable(name + ": " + text));
            const QString letter = text.mid(at + 1, 1).toLower();
            QVERIFY2(!letters.contains(letter), qPrintable(name + ": " + text));
            letters << letter;
        }
    }
}

void JournalTest::keysRunTheCommands_data() {
    QTest::addColumn<QString>("item"); // in the menu "Записи"
    QTest::addColumn<QKeySequence>("key");
    QTest::newRow("Insert adds") << "Добавить" << QKeySequence(Qt::Key_Insert);
    QTest::newRow("F2 changes") << "Изменить" << QKeySequence(Qt::Key_F2);
    QTest::newRow("Delete deletes") << "Удалить" << QKeySequence(Qt::Key_Delete);
    QTest::newRow("F5 re-reads") << "Обновить" << QKeySequence(Qt::Key_F5);
    QTest::newRow("Ctrl+F finds") << "Найти работника" << QKeySequence(Qt::CTRL | Qt::Key_F);
}

// The key the menu shows beside an item runs the command, the focus in the records.
void JournalTest::keysRunTheCommands() {
    QFETCH(QString, item);
    QFETCH(QKeySequence, key);
    asRole(QStringLiteral("7093"), [&] {
        QAction* action = menuItem("Записи", item);
        QVERIFY(action);
        QCOMPARE(action->shortcut(), key); // what the menu shows beside it
        QVERIFY(activeJournal());
        Form1->DBGrid2->setFocus();
        Form1->DBGrid2->selectRow(1);
        ui::Script s;
        int editorTag = -1;
        const bool editor = item == "Добавить" || item == "Изменить";
        if (editor)
            s.onModal(Form11, [&] {
                editorTag = Form11->Tag;
                Form11->closeForm();
            });
        if (item == "Удалить") s.answer(false); // the deletion is not wanted
        const qint64 trips = DataModule6->ADO_DB.roundTrips();
        QTest::keyClick(Form1->DBGrid2, key[0].key(), key[0].keyboardModifiers());
        if (item == "Добавить") QCOMPARE(editorTag, ui::NewRow);
        if (item == "Изменить") QCOMPARE(editorTag, ui::ChangeRow);
        if (item == "Удалить") {
            QCOMPARE(s.messages().size(), 1);
            QCOMPARE(s.messages()[0].caption, QString("Удаление"));
            QCOMPARE(DataModule6->Smena1.recordCount(), 3);
        } else {
            QCOMPARE(s.messages().size(), 0);
        }
        if (item == "Обновить") QCOMPARE(DataModule6->ADO_DB.roundTrips(), trips + 1);
        if (item == "Найти работника") QCOMPARE(Form1->focusWidget(), Form1->EditFind);
    });
}

void JournalTest::escapeAsksBeforeTheEnd() {
    bool shownAfterNo = false, shownAfterYes = true;
    QList<ui::Script::Shown> asked;
    asRole(QStringLiteral("7093"), [&] {
        QVERIFY(activeJournal());
        // in the search box Escape first clears it, and asks nothing
        Form1->EditFind->setFocus();
        fixture::type(Form1->EditFind, "иван");
        QCOMPARE(fixture::column(Form1->DBGrid2, "fio"), QStringList{"Иванов И.И."});
        ui::Script s;
        QTest::keyClick(Form1->EditFind, Qt::Key_Escape);
        QCOMPARE(Form1->EditFind->text(), QString());
        QCOMPARE(DataModule6->Smena1.recordCount(), 3);
        QCOMPARE(s.messages().size(), 0);

        Form1->DBGrid2->setFocus();
        s.answer(false);
        QTest::keyClick(Form1->DBGrid2, Qt::Key_Escape);
        shownAfterNo = Form1->isVisible();
        s.answer(true);
        QTest::keyClick(Form1->DBGrid2, Qt::Key_Escape);
        shownAfterYes = Form1->isVisible();
        asked = s.messages();
    });
    QVERIFY(shownAfterNo);
    QVERIFY(!shownAfterYes);
    QCOMPARE(asked.size(), 2);
    for (const ui::Script::Shown& q : asked) {
        QCOMPARE(q.kind, ui::Script::Kind::Question);
        QCOMPARE(q.text, QString("Завершить работу программы?"));
        QCOMPARE(q.defaultButton, QMessageBox::No); // Enter keeps the program
    }
}

void JournalTest::overtimeItemShowsShiftFour() {
    Form1->DateT->setDate(Day);
    Form1->DateTCloseUp();
    Form1->RadioButton1->setChecked(true);
    QAction* item = menuItem("Справочники", "Внеурочное");
    QVERIFY(item);
    item->trigger();
    QCOMPARE(Form1->CurShift, 4);
    QVERIFY(Form1->RadioButton4->isChecked());
    // the day's overtime records, Петров's among them, and none of shift 1
    QCOMPARE(Form1->DBGrid2->dataSet(), &DataModule6->Smena4);
    const QStringList shown = fixture::column(Form1->DBGrid2, "fio");
    QCOMPARE(shown,
             fixture::scalar("select string_agg(p.s_caption, '|' order by " +
                             data::sql::byName("p.s_caption") +
                             ") from accounts_dep.smena s join cmn_contractor.person p on "
                             "p.id=s.w_id where s.smena=4 and s.data='2024-02-21' and s.ok<>'ta'")
                 .split(u'|'));
    QVERIFY(shown.contains("Петров П.П."));
    Form1->RadioButton1->setChecked(true);
}

void JournalTest::dateArrowsReReadAfterAPause() {
    QDateEdit* box = Form1->DateT;
    box->setDate(Day);
    Form1->DateTCloseUp();
    const QStringList shown = fixture::column(Form1->DBGrid2, "fio");
    QVERIFY(!shown.isEmpty());
    box->setFocus();
    box->setSelectedSection(QDateTimeEdit::DaySection);
    Form1->Timer1->stop();             // no version check among the readings counted
    QCoreApplication::processEvents(); // nor what the start left to do
    const qint64 trips = DataModule6->ADO_DB.roundTrips();
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->date(), Day.addDays(3));
    // no reading per key: the day is read once the keys rest
    QCOMPARE(DataModule6->ADO_DB.roundTrips(), trips);
    QTRY_COMPARE(DataModule6->Smena1.param("data").toDateTime().date(), Day.addDays(3));
    QCOMPARE(DataModule6->ADO_DB.roundTrips(), trips + 1);
    QVERIFY(Form1->CBox1->isChecked()); // 24 February, a Saturday
    QCOMPARE(Form1->DBGrid2->dataSet()->recordCount(), 0);
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    QTest::keyClick(box, Qt::Key_Down);
    QTRY_COMPARE(DataModule6->Smena1.param("data").toDateTime().date(), Day);
    QCOMPARE(fixture::column(Form1->DBGrid2, "fio"), shown);
    QVERIFY(!Form1->CBox1->isChecked());
    Form1->Timer1->start();
}

QTEST_MAIN(JournalTest)
#include "tst_journal.moc"
