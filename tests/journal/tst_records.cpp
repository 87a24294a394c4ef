// A shift record from the journal: the editor's checks and statements, the timesheet
// cells it keeps, acceptance and deletion, and several writers at once.
#include "app/app.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/rights.h"
#include "data/row_check.h"
#include "journal/journal_window.h"
#include "journal/piece_rate.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "refdata/operations_list.h"
#include "refdata/workers_list.h"
#include "other_copy.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/input_check.h"

#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QThread>
#include <QtTest>

namespace {
const QDate March5(2024, 3, 5); // a Tuesday

struct Entry {
    int worker = 1;
    QString name = "Иванов И.И.";
    int oper = 1; // Сварка on СТ-100
    int product = 101;
    QString operText = "СТ-100; Сварка; Готовая продукция";
    double price = 10;
    QString qty = "10";
    QString rejects = "0";
    QString hours = "8";
    QString colour;
    QDate day = March5;
};

// Fills the open editor as the picks and the user would, and presses "Запись".
void fill(const Entry& e) {
    TForm11* f = Form11;
    f->Edit1->setText(e.name);
    f->WorkerId = e.worker;
    f->Edit2->setText(e.operText);
    f->OperId = e.oper;
    f->ProductId = e.product;
    f->Price = e.price;
    f->updateColourBox();
    f->Edit3->setText(e.qty);
    f->Edit4->setText(e.rejects);
    f->Edit6->setText(e.hours);
    if (!e.colour.isNull()) f->Edit5->setText(e.colour);
    f->DTimeP->setDate(e.day);
    f->Button1->click(); // through the button, as the user presses it
}

void showDay(const QDate& day, int shift) {
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    Form1->RadioButton1->setChecked(shift == 1);
    if (shift == 1) Form1->RadioButton1Click();
    if (shift == 2) Form1->RadioButton2Click();
    if (shift == 3) Form1->RadioButton3Click();
    if (shift == 4) Form1->RadioButton4Click();
}

// Adds a record through "Добавить"; returns the messages shown.
QStringList add(const Entry& e, int shift = 1, bool* stayedOpen = nullptr) {
    showDay(e.day, shift);
    ui::Script s;
    s.onModal(Form11, [&] {
        fill(e);
        if (stayedOpen) *stayedOpen = Form11->isVisible();
    });
    Form1->Button1Click();
    return s.texts();
}

// Changes the selected record of the journal through "Изменить".
QStringList change(int row, const std::function<void()>& edit, bool* stayedOpen = nullptr) {
    Form1->DBGrid2->selectRow(row);
    ui::Script s;
    s.onModal(Form11, [&] {
        edit();
        Form11->Button1->click();
        if (stayedOpen) *stayedOpen = Form11->isVisible();
    });
    Form1->Button2Click();
    return s.texts();
}

QString cells(int worker, int shift, const QString& days = "d5, d6") {
    return fixture::scalar(
        QString("select string_agg(concat_ws('/', %1), ' ') from accounts_dep.h_tabel "
                "where w_id=%2 and smena=%3 and month=3 and year=2024")
            .arg(days)
            .arg(worker)
            .arg(shift));
}
} // namespace

class RecordsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void roadWithPicks();
    void postingFollowsRecords();
    void validation_data();
    void validation();
    void outOfRange_data();
    void outOfRange();
    void priceAndSum();
    void pieceRate_data();
    void pieceRate();
    void basePriceAfterSearch();
    void dayOffAndShiftPrices();
    void acceptance();
    void deletion_data();
    void deletion();
    void postingFailureKeepsNothing();
    void goneMeanwhile_data();
    void goneMeanwhile();
    void changeOfDeletedRecord();
    void deletionOfMovedRecord();
    void changeOverAnotherChange_data();
    void changeOverAnotherChange();
    void concurrentPostingMakesOneRow();
    void farDateAsked_data();
    void farDateAsked();
};

void RecordsTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
    for (int shift = 1; shift <= 4; ++shift) // as the login sets them: every mark is listed
        DataModule6->smenaQuery(shift).setParam("ok", QString("ta"));
}

void RecordsTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel;");
    Form1->CBox1->setChecked(false);
}

void RecordsTest::roadWithPicks() {
    // "Добавить" → pick the worker → pick the operation → quantities → "Запись", on a
    // Saturday in overtime: the lowest price 10 × 2 × 1.5
    const QDate saturday(2024, 3, 9);
    showDay(saturday, 4);
    QVERIFY(Form1->CBox1->isChecked());
    ui::Script s;
    s.onModal(Form5, [] {
        Form5->Edit1->setText("пЕТ"); // the search narrows to Петров
        QCOMPARE(Form5->DBGrid1->model()->rowCount(), 1);
        Form5->Button2Click();
    });
    s.onModal(Form4, [] {
        Form4->DBGrid1->selectRow(0); // СТ-100, Сварка
        Form4->Button2Click();
    });
    s.onModal(Form11, [] {
        Form11->Button3->click();
        Form11->Button4->click();
        QCOMPARE(Form11->Edit1->text(), QString("Петров П.П."));
        QCOMPARE(Form11->Edit2->text(), QString("СТ-100; Сварка; Готовая продукция"));
        QCOMPARE(Form11->Edit8->text(), QString("10"));
        QCOMPARE(Form11->Edit7->text(), QString("30"));
        Form11->Edit3->setText("12");
        Form11->Edit4->setText("2");
        Form11->Edit6->setText("5");
        Form11->Recompute();
        QCOMPARE(Form11->Edit9->text(), QString("300.00")); // what is paid: (12 − 2) × 30
        Form11->Button1->click();
    });
    Form1->Button1Click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(DataModule6->Smena4.recordCount(), 1);
    QCOMPARE(DataModule6->Smena4.asText("fio"), QString("Петров П.П."));
    QCOMPARE(DataModule6->Smena4.asText("summa"), QString("300")); // (12 − 2) × 30
    QCOMPARE(fixture::scalar("select d9 from accounts_dep.h_tabel where w_id=2 and smena=4 and "
                             "month=3 and year=2024"),
             QString("5"));
}

void RecordsTest::postingFollowsRecords() {
    // first record inserts the row
    QCOMPARE(add(Entry{}), QStringList());
    QCOMPARE(cells(1, 1, "smena, d5"), QString("1/8"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel where d4 is not null"),
             QString("0"));
    QCOMPARE(DataModule6->Smena1.recordCount(), 1);
    QCOMPARE(DataModule6->Smena1.asText("summa"), QString("100"));
    QCOMPARE(DataModule6->Smena1.asText("ok"), QString("no"));
    QCOMPARE(DataModule6->Smena1.asText("vvod"), QDate::currentDate().toString("dd.MM.yyyy"));

    // a second record of the day sums, it does not add up increments
    Entry second;
    second.oper = 2;
    second.product = 102;
    second.operText = "ШК-200; Покраска; Заготовки";
    second.colour = "1015";
    second.hours = "3";
    QCOMPARE(add(second), QStringList());
    QCOMPARE(cells(1, 1), QString("11"));

    // a change re-sums: the welding record (row 1, sorted by mark) from 8 to 6 hours
    QCOMPARE(DataModule6->Smena1.asText("marka"), QString("СТ-100"));
    QCOMPARE(change(0, [] { Form11->Edit6->setText("6"); }), QStringList());
    QCOMPARE(cells(1, 1), QString("9"));

    // moving it to the 6th fixes both days
    QCOMPARE(change(0, [] { Form11->DTimeP->setDate(QDate(2024, 3, 6)); }), QStringList());
    QCOMPARE(cells(1, 1), QString("3/6"));
    QCOMPARE(DataModule6->Smena1.recordCount(), 1); // it has left the list of the 5th

    // giving the painting record to another worker empties the first worker's day
    showDay(March5, 1);
    QCOMPARE(change(0,
                    [] {
                        Form11->WorkerId = 2;
                        Form11->Edit1->setText("Петров П.П.");
                    }),
             QStringList());
    QCOMPARE(cells(1, 1), QString("0/6"));
    QCOMPARE(cells(2, 1, "d5"), QString("3"));

    // overtime goes to its own row
    Entry overtime;
    overtime.hours = "2";
    QCOMPARE(add(overtime, 4), QStringList());
    QCOMPARE(cells(1, 4, "smena, d5"), QString("4/2"));
    QCOMPARE(cells(1, 1), QString("0/6"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("3"));
}

void RecordsTest::validation_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::newRow("no worker") << "name"
                               << ""
                               << "Все поля должны быть заполнены! Не заполнено: ФИО.";
    QTest::newRow("no operation") << "oper"
                                  << ""
                                  << "Все поля должны быть заполнены! Не заполнено: Операция.";
    QTest::newRow("no quantity") << "qty"
                                 << " "
                                 << "Все поля должны быть заполнены! Не заполнено: Кол-во.";
    QTest::newRow("no hours") << "hours"
                              << ""
                              << "Все поля должны быть заполнены! Не заполнено: Время.";
    QTest::newRow("no quantity nor hours")
        << "qtyHours"
        << ""
        << "Все поля должны быть заполнены! Не заполнено: Кол-во, Время.";
    QTest::newRow("painting without colour")
        << "colour"
        << ""
        << "Все поля должны быть заполнены! Не заполнено: Цвет.";
    QTest::newRow("same colour") << "colour"
                                 << "1015"
                                 << "Позиция с такими параметрами уже заведена!";
    QTest::newRow("another colour") << "colour"
                                    << "3020"
                                    << "";
    QTest::newRow("another day") << "day"
                                 << ""
                                 << "";
    // rejects pay nothing: more of them than pieces would pay a negative sum
    QTest::newRow("rejects above quantity")
        << "rejects"
        << "11"
        << "Поле «Брак» (11) не может быть больше поля «Кол-во» (10).";
    QTest::newRow("rejects equal to quantity") << "rejects"
                                               << "10"
                                               << "";
}

void RecordsTest::validation() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    Entry painting;
    painting.oper = 2;
    painting.product = 102;
    painting.operText = "ШК-200; Покраска; Заготовки";
    painting.colour = "1015";
    QCOMPARE(add(painting), QStringList());

    Entry e = painting;
    if (field == "name") e.name = value;
    if (field == "oper") e.operText = value;
    if (field == "qty") e.qty = value;
    if (field == "hours") e.hours = value;
    if (field == "qtyHours") e.qty = e.hours = value;
    if (field == "colour") e.colour = value;
    if (field == "rejects") {
        e.rejects = value;
        e.colour = "7035";
    }
    if (field == "day") e.day = March5.addDays(1);
    bool open = false;
    const QStringList shown = add(e, 1, &open);
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(open, !message.isEmpty()); // refused input stays in the editor
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"),
             message.isEmpty() ? QString("2") : QString("1"));
    if (!message.isEmpty()) QCOMPARE(Form11->Edit3->text(), e.qty);

    // an unchanged change is no duplicate of itself
    showDay(March5, 1);
    QCOMPARE(change(0, [] {}), QStringList());
}

void RecordsTest::outOfRange_data() {
    // what reaches a box, typed or not, is checked against the column it feeds before any
    // statement; stored: kol_vo/brak/time/color of a record the box let through
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    const QString qty = "Поле «Кол-во»: нужно число от 0 до 2147483647.";
    QTest::newRow("quantity above an integer") << "qty"
                                               << "2147483648" << qty << "";
    QTest::newRow("quantity with a comma") << "qty"
                                           << "12,5" << qty << "";
    QTest::newRow("quantity ending a statement") << "qty"
                                                 << "5)--" << qty << "";
    QTest::newRow("quantity inf") << "qty"
                                  << "inf" << qty << "";
    QTest::newRow("quantity stored with a fraction") << "qty"
                                                     << "12.5"
                                                     << ""
                                                     << "12.5/0/8/1015";
    QTest::newRow("rejects above a smallint") << "rejects"
                                              << "32768"
                                              << "Поле «Брак»: нужно целое число от 0 до 32767."
                                              << "";
    const QString hours = "Поле «Время»: нужно целое число часов от 0 до 24.";
    QTest::newRow("hours above a day") << "hours"
                                       << "25" << hours << "";
    QTest::newRow("hours above a cell") << "hours"
                                        << "40000" << hours << "";
    QTest::newRow("hours of 20 digits") << "hours"
                                        << "99999999999999999999" << hours << "";
    QTest::newRow("most hours of a day") << "hours"
                                         << "24"
                                         << ""
                                         << "10/0/24/1015";
    QTest::newRow("day's hours above a day")
        << "dayHours"
        << "17"
        << "Поле «Время»: за день в ячейке табеля набирается больше 24 ч. Ничего не сохранено. "
           "За этот день в ячейке уже 8 ч, можно добавить не больше 16 ч."
        << "";
    const QString colour = "Поле «Цвет»: нужен номер от 0 до 2147483647.";
    QTest::newRow("colour of 20 digits") << "colour"
                                         << "12345678901234567890" << colour << "";
    QTest::newRow("colour above an integer") << "colour"
                                             << "2147483648" << colour << "";
    QTest::newRow("largest colour") << "colour"
                                    << "2147483647"
                                    << ""
                                    << "10/0/8/2147483647";
    QTest::newRow("price of no number")
        << "price"
        << "inf"
        << "Поле «Цена итог»: цена операции не число, проверьте её нормы."
        << "";
}

void RecordsTest::outOfRange() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    Entry e;
    e.oper = 2;
    e.product = 102;
    e.operText = "ШК-200; Покраска; Заготовки";
    e.colour = "1015";
    if (field == "qty") e.qty = value;
    if (field == "rejects") e.rejects = value;
    if (field == "hours") e.hours = value;
    if (field == "colour") e.colour = value;
    if (field == "price") e.price = qInf();
    int before = 0;
    if (field == "dayHours") { // another record of the day holds 8 hours already
        fixture::exec("insert into accounts_dep.smena(data, smena, w_id, i_id, o_id, cena, "
                      "kol_vo, brak, time, color, ok) values ('2024-03-05', 1, 1, 101, 1, 10, "
                      "1, 0, 8, 0, 'no')");
        e.hours = value;
        before = 1;
    }
    bool open = false;
    const QStringList shown = add(e, 1, &open);
    QCOMPARE(shown, message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(open, !message.isEmpty());
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena").toInt(),
             before + (message.isEmpty() ? 1 : 0));
    if (message.isEmpty())
        QTEST(fixture::scalar("select concat_ws('/', kol_vo, brak, time, color) from "
                              "accounts_dep.smena"),
              "stored");
    else
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("0"));
    if (open) Form11->Button2Click();
}

void RecordsTest::priceAndSum() {
    Entry third;
    third.price = 1.0 / 3;
    third.qty = "3";
    QCOMPARE(add(third), QStringList());
    QCOMPARE(fixture::scalar("select cena from accounts_dep.smena"), QString("0.3333"));

    ui::Script s;
    s.onModal(Form11, [] {
        Form11->Price = 12.5;
        Form11->Edit3->setText("10");
        Form11->Recompute();
        QCOMPARE(Form11->Edit9->text(), QString("125.00"));
        QCOMPARE(Form11->Edit7->text(), QString("12.5"));
        Form11->Edit3->setText("");
        Form11->Edit6->setText("");
        Form11->Recompute();
        QCOMPARE(Form11->Edit3->text(), QString("0"));
        QCOMPARE(Form11->Edit6->text(), QString("0"));
        Form11->Button2Click();
    });
    Form1->Button1Click();
    // the colour box follows the operation: enabled for painting only
    Form11->Edit2->setText("ШК-200; Покраска порошковая; Заготовки");
    Form11->updateColourBox();
    QVERIFY(Form11->Edit5->isEnabled() && Form11->Label6->isEnabled());
    Form11->Edit5->setText("12");
    Form11->Edit2->setText("СТ-100; Сварка; Готовая продукция");
    Form11->updateColourBox();
    QVERIFY(!Form11->Edit5->isEnabled() && Form11->Edit5->text().isEmpty());
    // whole numbers only, a refused key says so beside its box
    for (QLineEdit* box : {Form11->Edit3, Form11->Edit4, Form11->Edit5, Form11->Edit6})
        QVERIFY2(ui::hintOf(box), qPrintable(box->objectName()));
    Form11->Edit3->clear();
    QTest::keyClicks(Form11->Edit3, "1,");
    QCOMPARE(Form11->Edit3->text(), QString("1"));
    QVERIFY(ui::hintOf(Form11->Edit3)->isVisibleTo(Form11));
}

void RecordsTest::pieceRate_data() {
    QTest::addColumn<bool>("dayOff");
    QTest::addColumn<int>("shift");
    QTest::addColumn<double>("price");
    QTest::newRow("ordinary day, shift 1") << false << 1 << 10.0;
    QTest::newRow("ordinary day, shift 2") << false << 2 << 10.0;
    QTest::newRow("day off, shift 1") << true << 1 << 20.0;
    QTest::newRow("ordinary day, shift 3") << false << 3 << 12.0;
    QTest::newRow("day off, shift 3") << true << 3 << 24.0;
    QTest::newRow("day off, overtime") << true << 4 << 30.0;
    QTest::newRow("ordinary day, overtime") << false << 4 << 15.0;
}

void RecordsTest::pieceRate() {
    QFETCH(bool, dayOff);
    QFETCH(int, shift);
    QFETCH(double, price);
    QVERIFY(qFuzzyCompare(journal::pieceRate(10, dayOff, shift), price));
}

void RecordsTest::basePriceAfterSearch() {
    // the painting operation is found through the list's search, and is not its first row
    showDay(March5, 3);
    ui::Script s;
    s.onModal(Form4, [] {
        Form4->Edit1->setText("ШК");
        Form4->DBGrid1->selectRow(0);
        Form4->Button2Click();
    });
    s.onModal(Form11, [] {
        Form11->Button4->click();
        QCOMPARE(Form11->Edit2->text(), QString("ШК-200; Покраска; Заготовки"));
        QCOMPARE(Form11->Edit8->text(), QString("20"));
        QCOMPARE(Form11->Edit7->text(), QString("24")); // × 1.2 in shift 3
        QVERIFY(Form11->Edit5->isEnabled());
        Form11->Button2Click();
    });
    Form1->Button1Click();
    QCOMPARE(s.texts(), QStringList());
}

void RecordsTest::dayOffAndShiftPrices() {
    // "Изменить" fills the editor from the record, including its base and final price
    Entry e;
    e.price = 30; // 10 on a day off in overtime: × 2 × 1.5
    QCOMPARE(add(e, 4), QStringList());
    ui::Script s;
    s.onModal(Form11, [] {
        QCOMPARE(Form11->windowTitle(), QString("Изменение данных о позиции (11)"));
        QCOMPARE(Form11->Edit7->text(), QString("30"));
        QCOMPARE(Form11->Edit8->text(), QString("10"));
        QCOMPARE(Form11->Edit9->text(), QString("300.00"));
        QCOMPARE(Form11->Edit2->text(), QString("СТ-100; Сварка; Готовая продукция"));
        QCOMPARE(Form11->Edit1->text(), QString("Иванов И.И."));
        QVERIFY(!Form11->Edit5->isEnabled());
        Form11->Button2Click();
    });
    Form1->Button2Click();
    QCOMPARE(s.shown().size(), 1);
}

void RecordsTest::acceptance() {
    Entry a, b;
    b.worker = 3;
    b.name = "О'Нил Д.Р.";
    QCOMPARE(add(a), QStringList());
    QCOMPARE(add(b), QStringList());
    data::Query& q = DataModule6->Smena1;
    Form1->DBGrid2->selectRow(1); // О'Нил, after Иванов
    Form1->DBGrid2DblClick();
    QCOMPARE(q.recNo(), 2); // stays on the record
    QCOMPARE(q.asText("ok"), QString("ok"));
    QCOMPARE(Form1->DBGrid2->cellStyle(1, "ok").text.value(), QColor(0, 128, 0));
    Form1->DBGrid2DblClick();
    QCOMPARE(q.asText("ok"), QString("no"));
    fixture::exec("update accounts_dep.smena set ok='да' where w_id=1");
    Form1->Button8Click();
    Form1->DBGrid2->selectRow(0);
    Form1->DBGrid2DblClick();
    QCOMPARE(q.asText("ok"), QString("no"));

    // neither the data-entry nor the report-only role accepts: acceptance changes what is paid
    for (data::Role role : {data::Role::DataEntry, data::Role::ReportOnly}) {
        data::setRole(role);
        Form1->DBGrid2DblClick();
        QCOMPARE(q.asText("ok"), QString("no"));
        QVERIFY_THROWS_EXCEPTION(data::DbError,
                                 journal::markRecord(DataModule6->Control, q.asInt("id"), "ok"));
    }
    data::setRole(data::Role::Full);

    showDay(March5.addDays(1), 1); // an empty list: nothing happens
    Form1->DBGrid2DblClick();
    QCOMPARE(fixture::scalar("select string_agg(ok, ',' order by w_id) from accounts_dep.smena"),
             QString("no,no"));
}

void RecordsTest::deletion_data() {
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("cell");
    QTest::newRow("yes, one of two") << true << "1"
                                     << "3";
    QTest::newRow("no") << false << "2"
                        << "11";
}

void RecordsTest::deletion() {
    QFETCH(bool, yes);
    Entry a, b;
    b.oper = 2;
    b.product = 102;
    b.operText = "ШК-200; Покраска; Заготовки";
    b.colour = "1";
    b.hours = "3";
    QCOMPARE(add(a), QStringList());
    QCOMPARE(add(b), QStringList());
    Form1->DBGrid2->selectRow(0); // СТ-100, 8 hours
    ui::Script s;
    s.answer(yes);
    Form1->Button3Click();
    // the record named as the journal shows it, and Enter answers No
    QCOMPARE(s.texts(), QStringList{"Удалить позицию из списка?\nИванов И.И. — СТ-100; Сварка; "
                                    "Готовая продукция — 05.03.2024"});
    QCOMPARE(s.shown().first().caption, QString("Удаление"));
    QCOMPARE(s.shown().first().kind, ui::Script::Kind::Question);
    QCOMPARE(s.shown().first().defaultButton, QMessageBox::No);
    // a painting names its colour
    s.clear();
    Form1->DBGrid2->selectRow(yes ? 0 : 1);
    s.answer(false);
    Form1->Button3Click();
    QCOMPARE(s.texts(), QStringList{"Удалить позицию из списка?\nИванов И.И. — ШК-200; Покраска; "
                                    "Заготовки, цвет 1 — 05.03.2024"});
    QTEST(fixture::scalar("select count(*) from accounts_dep.smena"), "left");
    QTEST(cells(1, 1, "d5"), "cell");
    QCOMPARE(DataModule6->Smena1.recordCount(), yes ? 1 : 2);
    if (yes) {
        // the last record of the day leaves 0; the other days of the row stay
        fixture::exec("update accounts_dep.h_tabel set d9=7");
        s.answer(true);
        Form1->Button3Click();
        QCOMPARE(cells(1, 1, "d5, d9"), QString("0/7"));
        // an empty list asks nothing
        Form1->Button3Click();
        QCOMPARE(s.texts().size(), 2);
    }
}

void RecordsTest::postingFailureKeepsNothing() {
    // the timesheet refuses this worker's row, as a failing server would
    fixture::exec(R"(
        create function accounts_dep.refuse() returns trigger language plpgsql as
        $$ begin raise exception 'timesheet is locked'; end $$;
        create trigger refuse before insert or update on accounts_dep.h_tabel
        for each row when (new.w_id = 3) execute function accounts_dep.refuse();)");
    Entry e;
    e.worker = 3;
    e.name = "О'Нил Д.Р.";
    bool open = false;
    const QStringList shown = add(e, 1, &open);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains("timesheet is locked"), qPrintable(shown.first()));
    QVERIFY(open);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("0"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("0"));
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
    QCOMPARE(Form11->Edit1->text(), QString("О'Нил Д.Р."));

    // once the server takes it, the same input is saved, not refused as a duplicate
    fixture::exec("drop trigger refuse on accounts_dep.h_tabel");
    ui::Script s;
    Form11->Button1->click();
    QCOMPARE(s.texts(), QStringList());
    QVERIFY(!Form11->isVisible());
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("1"));
    QCOMPARE(cells(3, 1, "d5"), QString("8"));

    // deleting and recomputing fail together too
    fixture::exec("create trigger refuse before insert or update on accounts_dep.h_tabel "
                  "for each row when (new.w_id = 3) execute function accounts_dep.refuse()");
    showDay(March5, 1);
    s.answer(true);
    Form1->Button3->click();
    QVERIFY(s.texts().last().contains("timesheet is locked"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("1"));
    QCOMPARE(cells(3, 1, "d5"), QString("8"));
    fixture::exec(
        "drop trigger refuse on accounts_dep.h_tabel; drop function accounts_dep.refuse()");
}

void RecordsTest::goneMeanwhile_data() {
    // the worker or operation picked is deleted by another copy before "Запись"
    QTest::addColumn<QString>("made");
    QTest::addColumn<QString>("deleted");
    QTest::addColumn<QString>("message");
    QTest::newRow("worker") << "insert into accounts_dep.person(id, fio) values (9, 'Временный')"
                            << "delete from accounts_dep.person where id=9"
                            << journal::refusalText(journal::WriteResult::WorkerGone);
    QTest::newRow("operation")
        << "insert into accounts_dep.oper(id, vid, naimen, i_id, cena_new) values (9, 1, 1, "
           "101, 0)"
        << "delete from accounts_dep.oper where id=9"
        << journal::refusalText(journal::WriteResult::OperationGone);
}

void RecordsTest::goneMeanwhile() {
    QFETCH(QString, made);
    QFETCH(QString, deleted);
    QFETCH(QString, message);
    fixture::exec(made);
    Entry e;
    if (made.contains("person"))
        e.worker = 9;
    else
        e.oper = 9;
    showDay(e.day, 1);
    ui::Script s;
    bool open = false;
    s.onModal(Form11, [&] {
        fixture::exec(deleted);
        fill(e);
        open = Form11->isVisible();
    });
    Form1->Button1Click();
    QCOMPARE(s.texts(), QStringList{message});
    QVERIFY(open);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("0"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("0"));
    Form11->Button2Click();
}

void RecordsTest::changeOfDeletedRecord() {
    QCOMPARE(add(Entry{}), QStringList());
    bool open = false;
    const QStringList shown = change(
        0,
        [] {
            fixture::exec("delete from accounts_dep.smena"); // by another copy
            Form11->Edit6->setText("6");
        },
        &open);
    QCOMPARE(shown, QStringList{"Позиция уже удалена другим пользователем."});
    QVERIFY(open); // with the input
    QCOMPARE(Form11->Edit6->text(), QString("6"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("0"));
    QCOMPARE(cells(1, 1, "d5"), QString("8"));      // nothing written by this copy
    QCOMPARE(DataModule6->Smena1.recordCount(), 0); // the journal shows it gone
    Form11->Button2Click();
}

void RecordsTest::deletionOfMovedRecord() {
    QCOMPARE(add(Entry{}), QStringList());
    const qint64 id = fixture::scalar("select id from accounts_dep.smena").toLongLong();
    QCOMPARE(DataModule6->Smena1.asText("fio"), QString("Иванов И.И."));
    const data::SeenRow seen = journal::seenRecord(DataModule6->Smena1);
    {
        // another copy gives the record to Петров; this copy's list still shows Иванов
        data::Connection c;
        c.setConnectionString(app::connectionString(fixture::databaseName(), "127.0.0.1"));
        c.open();
        data::Query control(c);
        data::Command command(c);
        journal::RecordInput moved{2, 101, 1, 1, March5, 10, 10, 0, 8, 0};
        QCOMPARE(journal::changeRecord(control, id, moved, seen),
                 journal::WriteResult::Written);
    }
    QCOMPARE(cells(2, 1, "d5"), QString("8"));
    ui::Script s;
    s.answer(true);
    Form1->Button3Click();
    // the user chose Иванов's record; Петров's is not deleted in its place
    QCOMPARE(s.texts(), (QStringList{"Удалить позицию из списка?\nИванов И.И. — СТ-100; Сварка; "
                                     "Готовая продукция — 05.03.2024",
                                     journal::refusalText(journal::WriteResult::RecordChanged)}));
    QCOMPARE(fixture::scalar("select w_id from accounts_dep.smena"), QString("2"));
    QCOMPARE(cells(1, 1, "d5"), QString("0"));
    QCOMPARE(cells(2, 1, "d5"), QString("8"));
    QCOMPARE(DataModule6->Smena1.asText("fio"), QString("Петров П.П.")); // re-read

    // seen as it now is, it is deleted
    s.clear();
    s.answer(true);
    Form1->Button3Click();
    QCOMPARE(s.texts(), QStringList{"Удалить позицию из списка?\nПетров П.П. — СТ-100; Сварка; "
                                    "Готовая продукция — 05.03.2024"});
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("0"));
    QCOMPARE(cells(2, 1, "d5"), QString("0"));

    // a record another copy has deleted already: said so, the list re-read
    QCOMPARE(add(Entry{}), QStringList());
    fixture::exec("delete from accounts_dep.smena");
    s.answer(true);
    Form1->Button3Click();
    QCOMPARE(s.texts().last(), QString("Позиция уже удалена другим пользователем."));
    QCOMPARE(DataModule6->Smena1.recordCount(), 0);
}

void RecordsTest::changeOverAnotherChange_data() {
    // another copy saves the same record while this copy has it open in the editor
    QTest::addColumn<QString>("other");
    QTest::newRow("another quantity") << "update accounts_dep.smena set kol_vo=12";
    QTest::newRow("accepted meanwhile") << "update accounts_dep.smena set ok='ok'";
    QTest::newRow("moved to another day") << "update accounts_dep.smena set data='2024-03-06'";
}

void RecordsTest::changeOverAnotherChange() {
    QFETCH(QString, other);
    QCOMPARE(add(Entry{}), QStringList());
    bool open = false;
    const QStringList shown = change(
        0,
        [&] {
            fixture::exec(other); // by another copy, on its own connection
            Form11->Edit6->setText("6");
        },
        &open);
    QCOMPARE(shown, QStringList{journal::refusalText(journal::WriteResult::RecordChanged)});
    QVERIFY(open); // with the user's input
    QCOMPARE(Form11->Edit6->text(), QString("6"));
    QCOMPARE(fixture::scalar("select time from accounts_dep.smena"), QString("8"));
    // the journal shows the other change
    const bool moved = other.contains("data=");
    QCOMPARE(DataModule6->Smena1.recordCount(), moved ? 0 : 1);
    if (!moved && other.contains("kol_vo"))
        QCOMPARE(DataModule6->Smena1.asText("kol_vo"), QString("12"));

    // saved again on purpose, it goes over the other change
    ui::Script s;
    Form11->Button1->click();
    QCOMPARE(s.texts(), QStringList());
    QVERIFY(!Form11->isVisible());
    QCOMPARE(fixture::scalar("select time || ' ' || kol_vo || ' ' || data from accounts_dep.smena"),
             QString("6 10 2024-03-05"));
    QCOMPARE(cells(1, 1, "d5"), QString("6"));
}

void RecordsTest::concurrentPostingMakesOneRow() {
    // two copies save records of one worker, shift and day at once: one timesheet row
    auto input = [](int colour, int hours) {
        journal::RecordInput r;
        r.worker = 1;
        r.product = 101;
        r.operation = 1;
        r.day = March5;
        r.price = 10;
        r.quantity = 1;
        r.colour = colour; // the two records are not equal
        r.hours = hours;
        return r;
    };
    data::Connection& c = DataModule6->ADO_DB;
    auto* first = new data::Transaction(c);
    // holds the row's lock, its insert not yet visible
    QCOMPARE(journal::addRecord(DataModule6->Control, input(1, 5)),
             journal::WriteResult::Written);
    journal::WriteResult saved{};
    fixture::OtherCopy second(
        [&](fixture::Copy& copy) { saved = journal::addRecord(copy.control, input(2, 3)); });
    second.start();
    QVERIFY(fixture::waitUntilBlocked(second));
    QCOMPARE(fixture::waitingForLocks(), QString("1"));
    first->commit();
    delete first;
    QVERIFY(second.wait(20000));
    QCOMPARE(second.error, QString());
    QCOMPARE(saved, journal::WriteResult::Written);
    QCOMPARE(fixture::scalar("select count(*) || ':' || max(d5) from accounts_dep.h_tabel"),
             QString("1:8"));
}

void RecordsTest::farDateAsked_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("yes");
    const QDate today = ui::today();
    QTest::newRow("a year back") << today.addYears(-1) << false << false;
    QTest::newRow("a year and a day back, No") << today.addYears(-1).addDays(-1) << true << false;
    QTest::newRow("mistyped year, No") << QDate(2062, 6, 15) << true << false;
    QTest::newRow("mistyped year, Yes") << QDate(2062, 6, 15) << true << true;
}

// A record more than a year from today is saved only after a Yes; No leaves the editor
// open with what was typed.
void RecordsTest::farDateAsked() {
    QFETCH(QDate, day);
    QFETCH(bool, asked);
    QFETCH(bool, yes);
    const QString before = fixture::scalar("select count(*) from accounts_dep.smena");
    Entry e;
    e.day = day;
    e.qty = "7";
    showDay(day, 1);
    bool open = false;
    ui::Script s;
    s.answer(yes);
    s.onModal(Form11, [&] {
        fill(e);
        open = Form11->isVisible();
    });
    Form1->Button1Click();
    QCOMPARE(s.messages().size(), asked ? 1 : 0);
    if (asked) {
        QCOMPARE(s.messages().first().kind, ui::Script::Kind::Question);
        QVERIFY(s.texts().first().contains(day.toString("dd.MM.yyyy")));
    }
    const bool saved = !asked || yes;
    QCOMPARE(open, !saved);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena").toInt(),
             before.toInt() + (saved ? 1 : 0));
    if (!saved) {
        QCOMPARE(Form11->Edit3->text(), QString("7"));
        QCOMPARE(Form11->DTimeP->date(), day);
    }
    fixture::exec("delete from accounts_dep.smena where data='" + day.toString(Qt::ISODate) + "'");
}

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
