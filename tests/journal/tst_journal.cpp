// The journal window: the four shift queries, the acceptance colours, the day and the
// day-off box, shift choice and refresh.
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QAction>
#include <QCheckBox>
#include <QDateEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

namespace {
const QDate Day(2024, 2, 21); // a Wednesday
using fixture::column;
} // namespace

class JournalTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void queries_data();
    void queries();
    void sums();
    void colourRule();
    void dayChangeSetsDayOff_data();
    void dayChangeSetsDayOff();
    void enterInDateBoxReReads();
    void activationShowsToday();
    void shiftChoice();
    void refreshReReads();
    void commandsNotBuiltSaySo_data();
    void commandsNotBuiltSaySo();
};

void JournalTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql() + R"(
        insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, kol_vo, brak, time, color, ok, vvod, prize)
        values ('2024-02-21', 1, 1, 101, 1, 12.5, 10, 2, 8, 0, 'ok', '2024-02-21', 0),
               ('2024-02-21', 1, 2, 102, 2, 20, 5, 5, 4, 1015, 'да', '2024-02-21', 0),
               ('2024-02-21', 1, 3, 101, 1, 0.3333, 3, 0, 2, 0, 'no', '2024-02-22', 0),
               ('2024-02-21', 1, 1, 102, 2, 20, 1, 0, 1, 1, null, '2024-02-21', 0),
               ('2024-02-21', 1, 4, 101, 1, 10, 1, 0, 1, 0, 'no', '2024-02-21', 0),
               ('2024-02-21', 4, 2, 101, 1, 15, 2, 0, 3, 0, 'no', '2024-02-21', 0),
               ('2024-02-22', 1, 1, 101, 1, 12.5, 4, 0, 8, 0, 'no', '2024-02-22', 0);
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

void JournalTest::commandsNotBuiltSaySo_data() {
    QTest::addColumn<QString>("command");
    for (const char* c :
         {"Табель сделка", "Табель по сменам", "Табель хоз. работ", "Табель ср. сдельная",
          "Общий табель", "Сводные отчеты", "Ср.сд./хоз. работы"})
        QTest::newRow(c) << QString::fromUtf8(c);
}

void JournalTest::commandsNotBuiltSaySo() {
    QFETCH(QString, command);
    ui::Script script;
    if (command == Form1->Button5->text()) {
        Form1->Button5->click();
    } else {
        QAction* item = nullptr;
        for (QAction* a : {Form1->N9, Form1->N10, Form1->N13, Form1->N14, Form1->N15, Form1->N17})
            if (a->text() == command) item = a;
        QVERIFY(item);
        item->trigger();
    }
    QCOMPARE(script.texts(), QStringList{"Функция «" + command + "» пока недоступна."});
    QCOMPARE(script.shown().first().icon, QMessageBox::Information);
}

QTEST_MAIN(JournalTest)
#include "tst_journal.moc"
