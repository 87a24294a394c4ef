// Household works and average piece-rate entries: the day's list, the entry window with its
// picks, the timesheet cells the entries keep, the month's average price, and several
// writers at once.
#include "app/app.h"
#include "app/login_window.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/rights.h"
#include "data/texts.h"
#include "journal/journal_window.h"
#include "other_copy.h"
#include "refdata/class_picker.h"
#include "refdata/workers_list.h"
#include "testdb.h"
#include "timesheet/closed_months.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_list.h"
#include "timesheet/household_writes.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/input_check.h"
#include "ui/lookup_combo.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QThread>
#include <QtTest>

namespace {
const QDate March5(2024, 3, 5);   // a Tuesday
const QDate March9(2024, 3, 9);   // a Saturday
const QDate March10(2024, 3, 10); // a Sunday

// What the user chooses and types in the entry window.
struct Input {
    qint64 worker = 1;
    QString name = "Иванов И.И.";
    qint64 productClass = 11;
    QString className = "Стеллажи";
    int kind = 7777;
    QString hours = "8";
    bool night = false;
};

void fill(const Input& in) {
    TForm24* f = Form24;
    f->Edit1->setText(in.name);
    f->IdP = in.worker;
    f->Edit2->setText(in.className);
    f->IdNom = in.productClass;
    f->cb_type_work->setKeyValue(in.kind);
    f->Edit6->setText(in.hours);
    if (f->CBox1->isEnabled()) f->CBox1->setChecked(in.night);
}

// The list on day, with "Выходной" as given.
void showDay(const QDate& day, bool holiday = false) {
    Form25->DTPcker1->setDate(day);
    Form25->CBox1->setChecked(holiday);
    Form25->FormActivate();
}

// "Добавить", the input, "Записать"; the messages shown.
QStringList add(const Input& in, bool* stayedOpen = nullptr) {
    ui::Script s;
    s.onModal(Form24, [&] {
        fill(in);
        Form24->Button1->click();
        if (stayedOpen) *stayedOpen = Form24->isVisible();
    });
    Form25->Button5Click();
    return s.texts();
}

// "Изменить" on row, edit, "Записать"; the messages shown.
QStringList change(int row, const std::function<void()>& edit, bool* stayedOpen = nullptr) {
    Form25->DBGrid1->selectRow(row);
    ui::Script s;
    s.onModal(Form24, [&] {
        edit();
        Form24->Button1->click();
        if (stayedOpen) *stayedOpen = Form24->isVisible();
    });
    Form25->Button6Click();
    return s.texts();
}

// The timesheet row of a worker, kind and flag in March 2024: the given days, or "" when
// there is no row.
QString cells(qint64 worker, int kind = 7777, int night = 0, const QString& days = "d5") {
    return fixture::scalar(QString("select string_agg(concat_ws('/', %1), ' ') from "
                                   "accounts_dep.h_tabel where w_id=%2 and i_type=%3 and "
                                   "i_night=%4 and month=3 and year=2024")
                               .arg(days)
                               .arg(worker)
                               .arg(kind)
                               .arg(night));
}

QString entries(const QString& what = "count(*)") {
    return fixture::scalar("select " + what + " from accounts_dep.fatigue");
}

// An entry written straight into the table, as another copy or an old program left it.
void insertEntry(qint64 worker, const QDate& day, int kind, int hours, double price,
                 int holiday = 0, int night = 0, qint64 productClass = 11) {
    fixture::exec(QString("insert into accounts_dep.fatigue(id_nom, id_o, id_p, d_date, i_mnth, "
                          "i_year, i_smena, cnt, price, i_holiday, i_night) values(%1, %2, %3, "
                          "'%4', %5, %6, 1, %7, %8, %9, %10)")
                      .arg(productClass)
                      .arg(kind)
                      .arg(worker)
                      .arg(day.toString(Qt::ISODate))
                      .arg(day.month())
                      .arg(day.year())
                      .arg(hours)
                      .arg(price)
                      .arg(holiday)
                      .arg(night));
}
} // namespace

class HouseholdTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void roadFromJournal();
    void weekendPicker_data();
    void weekendPicker();
    void pricing_data();
    void pricing();
    void cellsFollowEntries();
    void changeKeepsDayAndPricesAnew();
    void moving_data();
    void moving();
    void deletion_data();
    void deletion();
    void validation_data();
    void validation();
    void othersChangedMeanwhile();
    void entryChangedByAnother_data();
    void entryChangedByAnother();
    void averagePrice_data();
    void averagePrice();
    void postingFailureLeavesNothing();
    void concurrentPostingMakesOneRow();
    void sumShownIsSaved_data();
    void sumShownIsSaved();
    void farDateAsked_data();
    void farDateAsked();
    void roles_data();
    void roles();
};

void HouseholdTest::initTestCase() {
    QFile f(fixture::sourcePath("tests/fixtures/department.sql"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    fixture::createDatabase(QString::fromUtf8(f.readAll()));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void HouseholdTest::init() {
    fixture::exec("delete from accounts_dep.fatigue; delete from accounts_dep.h_tabel; "
                  "delete from accounts_dep.smena; "
                  "update accounts_dep.norm set price=150 where o_id=7777; "
                  "update accounts_dep.norm set price=180 where o_id=7778;");
    showDay(March5);
}

void HouseholdTest::roadFromJournal() {
    // the journal on a Saturday opens the list on that day; "Выходной" is left as it was
    Form25->CBox1->setChecked(false);
    Form1->DateT->setDate(March9);
    ui::Script s;
    s.onModal(Form26, [] {
        Form26->Edit1->setText("нет такого"); // an empty list hands nothing back
        Form26->Button1->click();
    });
    s.onModal(Form26, [] {
        Form26->Edit1->clear();
        Form26->DBGrid1->selectRow(1); // Шкафы, after Стеллажи
        Form26->Button1->click();
    });
    s.onModal(Form5, [] {
        QVERIFY(Form5->Edit1->isVisible());
        Form5->Edit1->setText("пЕТ");
        Form5->Button2->click();
    });
    s.onModal(Form24, [] {
        QCOMPARE(Form24->cb_type_work->keyValue().toInt(), 7777);
        QCOMPARE(Form24->DBEdit1->text(), QString("150"));
        Form24->Button4->click();
        QCOMPARE(Form24->IdNom, qint64(0));
        QCOMPARE(Form24->Edit2->text(), QString());
        Form24->Button4->click();
        Form24->Button3->click();
        QCOMPARE(Form24->Edit1->text(), QString("Петров П.П."));
        QCOMPARE(Form24->Edit2->text(), QString("Шкафы"));
        QCOMPARE(Form24->IdNom, qint64(12));
        Form24->cb_type_work->setCurrentIndex(Form24->cb_type_work->findText("Ср. сдел."));
        QCOMPARE(Form24->DBEdit1->text(), QString("180"));
        Form24->Edit6->clear();
        QTest::keyClicks(Form24->Edit6, "6h");
        QCOMPARE(Form24->Edit6->text(), QString("6"));
        QVERIFY(ui::hintOf(Form24->Edit6)->isVisibleTo(Form24)); // the "h" said why
        // the sum follows the hours, at the price of a day off
        QCOMPARE(Form24->DBEdit2->text(), QString("2160.00"));
        QCOMPARE(Form24->lb_factors->text(), QString("× 2 (выходной)"));
        Form24->CBox1->click();
        Form24->Edit6->setFocus();
        QTest::keyClick(Form24->Edit6, Qt::Key_Return);
    });
    s.onModal(Form25, [] {
        QCOMPARE(Form25->DTPcker1->date(), March9);
        QVERIFY(!Form25->CBox1->isChecked());
        Form25->CBox1->click();
        QTest::keyClick(Form25->DBGrid1, Qt::Key_Insert);
        QCOMPARE(Form25->fatigue->recordCount(), 1);
        ui::DBGrid* g = Form25->DBGrid1;
        QCOMPARE(g->cellText(0, "fio"), QString("Петров П.П."));
        QCOMPARE(g->cellText(0, "s_caption"), QString("Шкафы"));
        QCOMPARE(g->cellText(0, "vid"), QString("Ср. сдел."));
        QCOMPARE(g->cellText(0, "price"), QString("432.00")); // 180 × 2 × 1.2
        QCOMPARE(g->cellText(0, "summ"), QString("2592.00"));
        QCOMPARE(g->cellText(0, "s_holiday"), QString("+"));
        QCOMPARE(g->cellText(0, "s_night"), QString("+"));
        QTest::keyClick(Form25->DBGrid1, Qt::Key_Escape);
        QVERIFY(!Form25->isVisible());
    });
    Form1->Button5Click();
    QCOMPARE(s.messages().size(), 0);
    QCOMPARE(entries("string_agg(concat_ws('/', id_p, id_nom, id_o, d_date, i_mnth, i_year, "
                     "i_smena, cnt, price::float8, i_holiday, i_night), ' ')"),
             QString("2/12/7778/2024-03-09/3/2024/1/6/432/1/1"));
    QCOMPARE(cells(2, 7778, 1, "d9"), QString("6"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("1"));
}

void HouseholdTest::weekendPicker_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<bool>("holiday");
    QTest::newRow("Saturday") << March9 << true;
    QTest::newRow("Sunday") << March10 << true;
    QTest::newRow("Monday") << QDate(2024, 3, 11) << false;
    QTest::newRow("a public holiday on a Friday") << QDate(2024, 3, 8) << true;
    QTest::newRow("a Saturday made a working day") << QDate(2024, 4, 27) << false;
}

void HouseholdTest::weekendPicker() {
    QFETCH(QDate, day);
    QFETCH(bool, holiday);
    insertEntry(1, day, 7777, 4, 150);
    Form25->CBox1->setChecked(!holiday);
    Form25->DTPcker1->setDate(day); // as the user picks it
    QCOMPARE(Form25->CBox1->isChecked(), holiday);
    QCOMPARE(Form25->CBox1->font().bold(), holiday);
    const QImage look = Form25->CBox1->grab().toImage();
    QCOMPARE(QColor(look.pixel(look.width() - 2, 2)) == QColor(255, 0, 0), holiday);
    QCOMPARE(Form25->fatigue->recordCount(), 1); // the picked day's entries
}

void HouseholdTest::pricing_data() {
    QTest::addColumn<bool>("holiday");
    QTest::addColumn<bool>("night");
    QTest::addColumn<QString>("price");
    QTest::newRow("working day") << false << false << "100";
    QTest::newRow("day off") << true << false << "200";
    QTest::newRow("night") << false << true << "120";
    QTest::newRow("night of a day off") << true << true << "240";
}

void HouseholdTest::pricing() {
    QFETCH(bool, holiday);
    QFETCH(bool, night);
    fixture::exec("update accounts_dep.norm set price=100 where o_id=7777");
    showDay(March5, holiday);
    Input in;
    in.night = night;
    QCOMPARE(add(in), QStringList());
    QTEST(entries("price::float8::text"), "price");
    QCOMPARE(entries("i_holiday || '/' || i_night"),
             QString("%1/%2").arg(int(holiday)).arg(int(night)));
}

void HouseholdTest::cellsFollowEntries() {
    // two entries of one worker, kind and flag on a day sum in one cell, whatever their class
    Input a;
    a.hours = "3";
    Input b;
    b.hours = "5";
    b.productClass = 12;
    b.className = "Шкафы";
    QCOMPARE(add(a), QStringList());
    QCOMPARE(add(b), QStringList());
    QCOMPARE(cells(1), QString("8"));
    // a night entry goes to a row of its own
    Input night;
    night.hours = "4";
    night.night = true;
    QCOMPARE(add(night), QStringList());
    QCOMPARE(cells(1, 7777, 1), QString("4"));
    QCOMPARE(cells(1), QString("8"));
    // the other kind too, and another day of the month fills the same row
    Input average;
    average.kind = 7778;
    average.hours = "2";
    QCOMPARE(add(average), QStringList());
    showDay(QDate(2024, 3, 6));
    QCOMPARE(add(a), QStringList());
    QCOMPARE(cells(1, 7777, 0, "d5, d6"), QString("8/3"));
    QCOMPARE(cells(1, 7778), QString("2"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("3"));
    QCOMPARE(Form25->fatigue->recordCount(), 1); // the list shows the 6th
}

void HouseholdTest::changeKeepsDayAndPricesAnew() {
    Input in;
    QCOMPARE(add(in), QStringList());
    // a price set by "Расчитать ср.сд." and a shift from elsewhere
    fixture::exec("update accounts_dep.fatigue set price=77, i_smena=3");
    showDay(March5, true);
    QCOMPARE(change(0,
                    [] {
                        QCOMPARE(Form24->Tag, ui::ChangeRow);
                        QCOMPARE(Form24->Edit1->text(), QString("Иванов И.И."));
                        QCOMPARE(Form24->Edit2->text(), QString("Стеллажи"));
                        QCOMPARE(Form24->Edit6->text(), QString("8"));
                        QVERIFY(!Form24->CBox1->isEnabled());
                        Form24->Edit6->setText("7");
                    }),
             QStringList());
    QCOMPARE(entries("concat_ws('/', d_date, i_mnth, i_year, i_smena, cnt, price::float8, "
                     "i_holiday)"),
             QString("2024-03-05/3/2024/3/7/300/1"));
    QCOMPARE(cells(1), QString("7"));
    QCOMPARE(Form25->fatigue->asText("cnt"), QString("7")); // the list shows the change
}

void HouseholdTest::moving_data() {
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("left");    // cell of worker 1, kind 7777
    QTest::addColumn<QString>("entered"); // cell the entry moved to
    QTest::newRow("fewer hours") << "hours"
                                 << "7"
                                 << "7";
    QTest::newRow("another worker") << "worker"
                                    << "5"
                                    << "3";
    QTest::newRow("another kind") << "kind"
                                  << "5"
                                  << "3";
}

void HouseholdTest::moving() {
    QFETCH(QString, what);
    Input a;
    a.hours = "3";
    Input b;
    b.hours = "5";
    QCOMPARE(add(a), QStringList());
    QCOMPARE(add(b), QStringList());
    // the first entry of the day (the list is in order of name, then of entry)
    QCOMPARE(change(0,
                    [&] {
                        if (what == "hours") Form24->Edit6->setText("2");
                        if (what == "worker") {
                            Form24->IdP = 3;
                            Form24->Edit1->setText("О'Нил Д.Р.");
                        }
                        if (what == "kind") Form24->cb_type_work->setKeyValue(7778);
                    }),
             QStringList());
    QTEST(cells(1), "left");
    if (what == "worker") QTEST(cells(3), "entered");
    if (what == "kind") QTEST(cells(1, 7778), "entered");
    QCOMPARE(entries("sum(cnt)::text"), what == "hours" ? QString("7") : QString("8"));
    // the list stays on the changed entry, wherever it now stands
    QCOMPARE(Form25->fatigue->asText("cnt"), what == "hours" ? QString("2") : QString("3"));
}

void HouseholdTest::deletion_data() {
    QTest::addColumn<QStringList>("hours");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("left");
    QTest::addColumn<int>("row");  // deleted
    QTest::addColumn<int>("after"); // the list's record number afterwards
    QTest::newRow("the only entry") << QStringList{"8"} << true << "0/7" << 0 << 0;
    QTest::newRow("one of two") << QStringList{"3", "5"} << true << "5/7" << 0 << 1;
    QTest::newRow("answered no") << QStringList{"3", "5"} << false << "8/7" << 0 << 1;
    // the list stays at its end
    QTest::newRow("the last of three") << QStringList{"2", "3", "4"} << true << "5/7" << 2 << 2;
}

void HouseholdTest::deletion() {
    QFETCH(QStringList, hours);
    QFETCH(bool, yes);
    for (const QString& h : hours) {
        Input in;
        in.hours = h;
        QCOMPARE(add(in), QStringList());
    }
    fixture::exec("update accounts_dep.h_tabel set d9=7");
    // the picker moved on without re-reading: the entry's own day is recomputed
    {
        const QSignalBlocker quiet(Form25->DTPcker1);
        Form25->DTPcker1->setDate(March9);
    }
    QFETCH(int, row);
    Form25->DBGrid1->selectRow(row);
    ui::Script s;
    s.answer(yes);
    QTest::keyClick(Form25->DBGrid1, Qt::Key_Delete);
    QCOMPARE(s.messages().size(), 1);
    // the entry named by its own day, not the picker's, and Enter answers No
    QCOMPARE(s.shown().first().text,
             "Удалить позицию из списка?\nИванов И.И. — Хоз. работы (Стеллажи) — 05.03.2024, " +
                 hours[row] + " ч");
    QTEST(Form25->fatigue->recNo(), "after");
    QCOMPARE(s.shown().first().caption, QString("Удаление"));
    QCOMPARE(s.shown().first().kind, ui::Script::Kind::Question);
    QCOMPARE(s.shown().first().defaultButton, QMessageBox::No);
    QTEST(cells(1, 7777, 0, "d5, d9"), "left");
    QCOMPARE(entries(), QString::number(hours.size() - (yes ? 1 : 0)));

    // an empty list asks nothing
    showDay(QDate(2024, 3, 12));
    Form25->Button7Click();
    QCOMPARE(s.messages().size(), 1);
}

void HouseholdTest::validation_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("message");
    const QString all = "Все поля должны быть заполнены!";
    const QString none = "Нужно завести количество!";
    QTest::newRow("no worker") << "worker"
                               << "" << all;
    QTest::newRow("no class") << "class"
                              << "" << all;
    QTest::newRow("empty hours") << "hours"
                                 << "" << none;
    QTest::newRow("0 hours") << "hours"
                             << "0" << none;
    QTest::newRow("25 hours") << "hours"
                              << "25"
                              << "Поле «Количество»: нужно целое число часов от 1 до 24.";
    QTest::newRow("more than a number") << "hours"
                                        << "99999999999999999999"
                                        << "Поле «Количество»: нужно целое число часов от 1 до 24.";
    QTest::newRow("day over 24 hours")
        << "day"
        << "20"
        << "Поле «Количество»: за день в ячейке табеля набирается больше 24 ч. Ничего не "
           "сохранено. За этот день в ячейке уже 20 ч, можно добавить не больше 4 ч.";
    QTest::newRow("price beyond the column")
        << "price"
        << "1e12"
        << "Цена: 1000000000000 р. за час вне допустимого диапазона!";
    QTest::newRow("changing on an empty list") << "empty"
                                               << "" << all;
}

void HouseholdTest::validation() {
    QFETCH(QString, field);
    QFETCH(QString, value);
    QFETCH(QString, message);
    if (field == "day") insertEntry(1, March5, 7777, value.toInt(), 150);
    if (field == "price")
        fixture::exec("update accounts_dep.norm set price=" + value + " where o_id>=7777");
    Form25->FormActivate();
    const QString before = fixture::scalar("select count(*) from accounts_dep.h_tabel");

    Input in;
    in.hours = "5";
    if (field == "worker") in.worker = 0;
    if (field == "class") in.productClass = 0;
    if (field == "hours") in.hours = value;
    bool open = false;
    ui::Script s;
    s.onModal(Form24, [&] {
        if (field != "empty") fill(in);
        Form24->Button1->click();
        open = Form24->isVisible();
    });
    if (field == "empty")
        Form25->Button6Click();
    else
        Form25->Button5Click();
    QCOMPARE(s.texts(), QStringList{message});
    QCOMPARE(s.messages().first().caption, QString("Ошибка"));
    QVERIFY(open); // the input stays to be mended
    QCOMPARE(entries(), field == "day" ? QString("1") : QString("0"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), before);
    if (field != "empty") QCOMPARE(Form24->Edit6->text(), in.hours.left(4));
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
}

void HouseholdTest::othersChangedMeanwhile() {
    Input in;
    QCOMPARE(add(in), QStringList());
    QCOMPARE(add(in), QStringList());
    QCOMPARE(cells(1), QString("16"));

    // another copy deleted the entry being changed: said so, nothing written, list re-read
    const QString first = fixture::scalar("select min(id) from accounts_dep.fatigue");
    bool open = true;
    const QStringList shown = change(
        0,
        [&] {
            fixture::exec("delete from accounts_dep.fatigue where id=" + first);
            Form24->Edit6->setText("1");
        },
        &open);
    QCOMPARE(shown, QStringList{"Позиция уже удалена другим пользователем!"});
    QVERIFY(!open);
    QCOMPARE(entries("string_agg(cnt::text, ',')"), QString("8"));
    QCOMPARE(cells(1), QString("16")); // that copy's own recompute is not ours to make
    QCOMPARE(Form25->fatigue->recordCount(), 1);

    // ... or the entry being deleted
    Form25->DBGrid1->selectRow(0);
    fixture::exec("delete from accounts_dep.fatigue");
    ui::Script s;
    s.answer(true);
    Form25->Button7Click();
    QCOMPARE(s.texts().last(), QString("Позиция уже удалена другим пользователем!"));
    QCOMPARE(Form25->fatigue->recordCount(), 0);

    // ... or the worker chosen for a new entry
    Input gone;
    gone.worker = 4; // Сидоров
    gone.name = "Сидоров С.С.";
    fixture::exec("delete from accounts_dep.person where id=4");
    QCOMPARE(add(gone, &open),
             QStringList{"Работник удалён из списка другим пользователем! Выберите работника "
                         "заново."});
    QVERIFY(open);
    QCOMPARE(entries(), QString("0"));
    QCOMPARE(cells(4), QString());
    fixture::exec("insert into accounts_dep.person (id, fio, s_staffpos_hl) values "
                  "(4, 'Сидоров С.С.', 'Резчик')");
}

void HouseholdTest::entryChangedByAnother_data() {
    // another copy changes the entry this copy shows, before this copy changes or deletes it
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("theirs"); // worker/hours after the refusal
    QTest::newRow("hours changed, then changed here")
        << "update accounts_dep.fatigue set cnt=6" << false << "1/6";
    QTest::newRow("given to another worker, then deleted here")
        << "update accounts_dep.fatigue set id_p=2" << true << "2/8";
    QTest::newRow("priced anew, then deleted here")
        << "update accounts_dep.fatigue set price=175" << true << "1/8";
}

void HouseholdTest::entryChangedByAnother() {
    QFETCH(QString, other);
    QFETCH(bool, deleting);
    QCOMPARE(add(Input{}), QStringList());
    const QString refused = timesheet::savedText(timesheet::Saved::EntryChanged);
    const QString now = "string_agg(id_p || '/' || cnt, ',')";
    if (deleting) {
        Form25->DBGrid1->selectRow(0);
        fixture::exec(other); // on the other copy's connection
        ui::Script s;
        s.answer(true);
        Form25->Button7Click();
        QCOMPARE(s.texts().size(), 2);
        QVERIFY(s.texts().first().startsWith("Удалить позицию из списка?\nИванов И.И. — "));
        QCOMPARE(s.texts().last(), refused);
        QTEST(entries(now), "theirs");
        // the list shows it as it now is; deleted from there, it goes
        s.answer(true);
        Form25->Button7Click();
        QCOMPARE(entries(), QString("0"));
        return;
    }
    Form25->DBGrid1->selectRow(0);
    ui::Script s;
    bool open = false, openAfter = true;
    QString kept, theirs, listed;
    QStringList first;
    s.onModal(Form24, [&] {
        fixture::exec(other); // on the other copy's connection
        Form24->Edit6->setText("3");
        Form24->Button1->click();
        open = Form24->isVisible(); // with the user's input
        kept = Form24->Edit6->text();
        theirs = entries(now);
        listed = Form25->fatigue->asText("cnt"); // the list re-read
        first = s.texts();
        // saved again on purpose, it goes over the other change
        Form24->Button1->click();
        openAfter = Form24->isVisible();
    });
    Form25->Button6Click();
    QCOMPARE(first, QStringList{refused});
    QVERIFY(open);
    QCOMPARE(kept, QString("3"));
    QTEST(theirs, "theirs");
    QCOMPARE(listed, QString("6"));
    QCOMPARE(s.texts(), QStringList{refused});
    QVERIFY(!openAfter);
    QCOMPARE(entries(now), QString("1/3"));
    QCOMPARE(cells(1), QString("3"));
}

void HouseholdTest::averagePrice_data() {
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("holiday");
    QTest::addColumn<QString>("records"); // w_id, i_id, data, cena, kol_vo, brak, time
    QTest::addColumn<QString>("price");
    // 100 good pieces at 5.00 in 10 hours on the class Стеллажи (product 101)
    const QString march =
        "(1, 101, '2024-03-04', 5, 60, 0, 6), (1, 101, '2024-03-20', 5, 45, 5, 4), "
        // another class, another worker, another month: not counted
        "(1, 102, '2024-03-04', 50, 10, 0, 1), (2, 101, '2024-03-04', 50, 10, 0, 1), "
        "(1, 101, '2024-04-01', 50, 10, 0, 1), (1, 101, '2024-02-29', 50, 10, 0, 1)";
    QTest::newRow("ordinary") << March5 << 0 << march << "50";
    QTest::newRow("holiday entry") << March5 << 1 << march << "100";
    QTest::newRow("no piece work on the class")
        << March5 << 0 << "(1, 102, '2024-03-04', 50, 10, 0, 1)"
        << "0";
    QTest::newRow("December, up to the new year")
        << QDate(2023, 12, 28) << 0
        << "(1, 101, '2023-12-01', 4, 30, 0, 3), (1, 101, '2023-12-31', 4, 20, 0, 2), "
           "(1, 101, '2024-01-01', 90, 10, 0, 1), (1, 101, '2023-11-30', 90, 10, 0, 1)"
        << "40";
    QTest::newRow("rounded to kopecks") << March5 << 0 << "(1, 101, '2024-03-04', 10, 1, 0, 3)"
                                        << "3.33";
}

void HouseholdTest::averagePrice() {
    QFETCH(QDate, day);
    QFETCH(int, holiday);
    QFETCH(QString, records);
    fixture::exec("insert into accounts_dep.smena(w_id, i_id, data, cena, kol_vo, brak, time) "
                  "values " +
                  records);
    insertEntry(1, day, 7778, 4, 180, holiday);
    // household works, other months and other years keep their prices
    insertEntry(1, day, 7777, 4, 99);
    insertEntry(1, day.addMonths(1), 7778, 4, 99);
    insertEntry(1, day.addYears(-1), 7778, 4, 99);
    showDay(day.addDays(1));
    ui::Script s;
    const QString month = timesheet::monthTitle(day.year(), day.month()).toLower();
    // asked first: No leaves the price as it was
    s.answer(false);
    Form25->Button1->click();
    QCOMPARE(s.texts(), QStringList{"Пересчитать цены 1 записи ср.сд. за " + month + "?"});
    QCOMPARE(entries("count(*) filter (where price=180)"), QString("1"));
    s.clear();
    s.answer(true);
    Form25->Button1->click();
    QCOMPARE(s.texts().size(), 2);
    QFETCH(QString, price);
    // afterwards it says which price the entry got, and why a 0
    QString told = "Пересчитаны цены 1 записи ср.сд. за " + month + ":\n1 запись — " +
                   data::text::money(price.toDouble()) + " р./ч";
    if (price == "0")
        told += "\nЦена 0 — нет сдельных часов этого работника по этому классу изделий за " +
                month + ": Иванов И.И. (Стеллажи).";
    QCOMPARE(s.texts().last(), told);
    QTEST(entries("string_agg(price::float8::text, ',') filter (where id_o=7778 and d_date='" +
                  day.toString(Qt::ISODate) + "')"),
          "price");
    QCOMPARE(entries("string_agg(price::float8::text, ',') filter (where price=99)"),
             QString("99,99,99"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("0"));

    // a month without average piece-rate entries says so, and asks nothing
    s.clear();
    showDay(QDate(2022, 6, 1));
    Form25->Button1->click();
    QCOMPARE(s.texts(), QStringList{"В этом месяце нет записей среднесдельной работы."});
}

void HouseholdTest::postingFailureLeavesNothing() {
    // the timesheet refuses this worker's row, as a failing server would
    fixture::exec(R"(
        create function accounts_dep.refuse() returns trigger language plpgsql as
        $$ begin raise exception 'timesheet is locked'; end $$;
        create trigger refuse before insert or update on accounts_dep.h_tabel
        for each row when (new.w_id = 3) execute function accounts_dep.refuse();)");
    Input in;
    in.worker = 3;
    in.name = "О'Нил Д.Р.";
    bool open = false;
    QStringList shown = add(in, &open);
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown.first().contains("timesheet is locked"), qPrintable(shown.first()));
    QVERIFY(open);
    QCOMPARE(Form24->Edit1->text(), QString("О'Нил Д.Р."));
    QCOMPARE(entries(), QString("0"));
    QVERIFY(!DataModule6->ADO_DB.inTransaction());

    // moving an entry there fails whole: the entry and the cell it would leave stay
    Input own;
    QCOMPARE(add(own), QStringList());
    shown = change(
        0,
        [] {
            Form24->IdP = 3;
            Form24->Edit1->setText("О'Нил Д.Р.");
        },
        &open);
    QVERIFY(shown.value(0).contains("timesheet is locked"));
    QVERIFY(open);
    QCOMPARE(entries("id_p::text"), QString("1"));
    QCOMPARE(cells(1), QString("8"));

    // deleting and recomputing fail together too
    insertEntry(3, March5, 7777, 4, 150);
    fixture::exec("alter table accounts_dep.h_tabel disable trigger refuse");
    fixture::exec("insert into accounts_dep.h_tabel(i_type, w_id, month, year, d5, i_night) "
                  "values (7777, 3, 3, 2024, 4, 0)");
    fixture::exec("alter table accounts_dep.h_tabel enable trigger refuse");
    Form25->FormActivate();
    Form25->DBGrid1->selectRow(1); // О'Нил after Иванов
    QCOMPARE(Form25->fatigue->asInt("id_p"), qint64(3));
    ui::Script s;
    s.answer(true);
    Form25->Button7->click();
    QVERIFY(s.texts().last().contains("timesheet is locked"));
    QCOMPARE(entries(), QString("2"));
    QCOMPARE(cells(3), QString("4"));
    fixture::exec(
        "drop trigger refuse on accounts_dep.h_tabel; drop function accounts_dep.refuse()");
}

void HouseholdTest::concurrentPostingMakesOneRow() {
    data::Connection& c = DataModule6->ADO_DB;
    auto* first = new data::Transaction(c);
    // holds the key's lock, its new row not yet visible to others
    const timesheet::HouseholdEntry e{1, 11, 7777, 3, 150, false, false};
    QCOMPARE(timesheet::addEntry(DataModule6->Control, e, March5, 1),
             timesheet::Saved::Written);
    timesheet::Saved saved = timesheet::Saved::EntryGone;
    fixture::OtherCopy second([&](fixture::Copy& c) {
        const timesheet::HouseholdEntry other{1, 12, 7777, 5, 150, false, false};
        saved = timesheet::addEntry(c.control, other, March5, 1);
    });
    second.start();
    // until the second writer stands at the lock (or, were there none, has written)
    QVERIFY(fixture::waitUntilBlocked(second));
    first->commit();
    delete first;
    QVERIFY(second.wait(20000));
    QCOMPARE(second.error, QString());
    QCOMPARE(saved, timesheet::Saved::Written);
    QCOMPARE(fixture::scalar("select count(*) || ':' || max(d5) from accounts_dep.h_tabel"),
             QString("1:8"));
}

void HouseholdTest::sumShownIsSaved_data() {
    // the steps in the order the user takes them: "holiday" and "weekday" set the list's
    // "Выходной" (before "open" as the list has it, after as if it changed meanwhile),
    // "night" ticks "Ночные", "kind" chooses the average piece rate, "hours" types 5
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<bool>("change"); // changing a night entry of 3 hours instead of adding
    QTest::addColumn<QString>("factors");
    QTest::addColumn<QString>("sum");
    const QString both = "× 2 (выходной) × 1,2 (ночные)";
    // 5 h × 180 × 2 × 1.2
    QTest::newRow("day off first")
        << QStringList{"holiday", "open", "kind", "hours", "night"} << false << both << "2160.00";
    QTest::newRow("night first") << QStringList{"holiday", "open", "night", "kind", "hours"}
                                 << false << both << "2160.00";
    QTest::newRow("hours first") << QStringList{"holiday", "open", "hours", "night", "kind"}
                                 << false << both << "2160.00";
    QTest::newRow("day off last") << QStringList{"open", "hours", "kind", "night", "holiday"}
                                  << false << both << "2160.00";
    QTest::newRow("night only") << QStringList{"weekday", "open", "night", "hours", "kind"} << false
                                << "× 1,2 (ночные)"
                                << "1080.00";
    QTest::newRow("day off taken back")
        << QStringList{"holiday", "open", "kind", "night", "hours", "weekday"} << false
        << "× 1,2 (ночные)"
        << "1080.00";
    QTest::newRow("no factor") << QStringList{"weekday", "open", "kind", "hours"} << false << ""
                               << "900.00";
    QTest::newRow("changing: kind, then hours")
        << QStringList{"holiday", "open", "kind", "hours"} << true << both << "2160.00";
    QTest::newRow("changing: hours, then kind")
        << QStringList{"holiday", "open", "hours", "kind"} << true << both << "2160.00";
    QTest::newRow("changing on a weekday")
        << QStringList{"weekday", "open", "hours", "kind"} << true << "× 1,2 (ночные)"
        << "1080.00";
}

// "Сумма" is what "Записать" saves and the list shows, whatever the order of the steps.
void HouseholdTest::sumShownIsSaved() {
    QFETCH(QStringList, steps);
    QFETCH(bool, change);
    QFETCH(QString, factors);
    QFETCH(QString, sum);
    if (change) {
        insertEntry(1, March5, 7777, 3, 150, 0, 1);
        Form25->FormActivate();
    }
    const auto apply = [](const QString& step) {
        if (step == "holiday" || step == "weekday") Form25->CBox1->setChecked(step == "holiday");
        if (step == "night") Form24->CBox1->setChecked(true);
        if (step == "kind")
            Form24->cb_type_work->setCurrentIndex(Form24->cb_type_work->findText("Ср. сдел."));
        if (step == "hours") {
            Form24->Edit6->clear();
            QTest::keyClicks(Form24->Edit6, "5");
        }
    };
    const qsizetype opened = steps.indexOf("open");
    for (const QString& step : steps.mid(0, opened))
        apply(step);
    QString shownFactors, shownSum, shownPrice;
    ui::Script s;
    s.onModal(Form24, [&] {
        if (!change) fill(Input{1, "Иванов И.И.", 11, "Стеллажи", 7777, "0", false});
        for (const QString& step : steps.mid(opened + 1))
            apply(step);
        shownPrice = Form24->DBEdit1->text();
        shownFactors = Form24->lb_factors->text();
        shownSum = Form24->DBEdit2->text();
        Form24->Button1->click();
    });
    if (change) {
        Form25->DBGrid1->selectRow(0);
        Form25->Button6Click();
    } else {
        Form25->Button5Click();
    }
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(shownPrice, QString("180")); // the kind's norm price itself
    QCOMPARE(shownFactors, factors);
    QCOMPARE(shownSum, sum);
    QCOMPARE(entries("(cnt*price)::numeric(12,2)::text"), sum);
    QCOMPARE(Form25->DBGrid1->cellText(0, "summ"), sum);
}

void HouseholdTest::farDateAsked_data() {
    QTest::addColumn<int>("days"); // from a year after today (negative: a year before)
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("yes");
    QTest::newRow("a year ahead") << 0 << false << false;
    QTest::newRow("a year and a day ahead, No") << 1 << true << false;
    QTest::newRow("a year and a day ahead, Yes") << 1 << true << true;
    QTest::newRow("a year and a day ago, No") << -1 << true << false;
    QTest::newRow("decades ahead, No") << 14000 << true << false;
}

// A day more than a year from today is saved only after a Yes; No keeps the window with its
// input.
void HouseholdTest::farDateAsked() {
    QFETCH(int, days);
    QFETCH(bool, asked);
    QFETCH(bool, yes);
    const QDate today = ui::today();
    const QDate day =
        days >= 0 ? today.addYears(1).addDays(days) : today.addYears(-1).addDays(days);
    showDay(day);
    Input in;
    in.hours = "6";
    bool open = false;
    ui::Script s;
    s.answer(yes);
    s.onModal(Form24, [&] {
        fill(in);
        Form24->Button1->click();
        open = Form24->isVisible();
    });
    Form25->Button5Click();
    if (asked) {
        QCOMPARE(s.messages().size(), 1);
        QCOMPARE(s.messages().first().kind, ui::Script::Kind::Question);
        QVERIFY2(s.texts().first().contains(day.toString("dd.MM.yyyy")),
                 qPrintable(s.texts().first()));
        QVERIFY(s.texts().first().contains("больше чем на год"));
    } else {
        QCOMPARE(s.texts(), QStringList());
    }
    const bool saved = !asked || yes;
    QCOMPARE(entries(), saved ? QString("1") : QString("0"));
    QCOMPARE(open, !saved);
    if (!saved) {
        QCOMPARE(Form24->Edit6->text(), QString("6"));
        QCOMPARE(Form24->IdP, qint64(1));
        QCOMPARE(Form24->IdNom, qint64(11));
    }
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
}

void HouseholdTest::roles_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("mayChange");
    QTest::newRow("read-only") << "tavrel" << false;
    QTest::newRow("report only") << "fenlo" << false;
    QTest::newRow("data entry") << "plovnik" << true;
    QTest::newRow("full access") << "7093" << true;
}

// Every role reads the day's list from the journal; only full access and data entry find
// its four commands, and the writes themselves refuse the others whoever calls them.
void HouseholdTest::roles() {
    QFETCH(QString, text);
    QFETCH(bool, mayChange);
    insertEntry(1, March5, 7777, 4, 150);
    insertEntry(2, March5, 7778, 2, 180);
    const QString id = fixture::scalar("select min(id) from accounts_dep.fatigue");
    const QString before =
        entries("string_agg(concat_ws('/', id_p, cnt, price::float8), ' ' order by id)");
    QString enabled;
    int rows = 0;
    QStringList opened;
    QList<timesheet::Saved> results;
    QStringList refused;
    ui::Script s;
    s.onModal(Form1, [&] {
        s.onModal(Form25, [&] {
            rows = Form25->fatigue->recordCount();
            for (QPushButton* b :
                 {Form25->Button5, Form25->Button6, Form25->Button7, Form25->Button1})
                enabled += b->isEnabled() ? u'1' : u'0';
            // the keys and the double-click reach no command either
            QTest::keyClick(Form25->DBGrid1, Qt::Key_Delete);
            QTest::keyClick(Form25->DBGrid1, Qt::Key_Insert);
            emit Form25->DBGrid1->dblClick();
        });
        Form1->DateT->setDate(March5);
        Form1->Button5Click();
        for (const auto& shown : s.shown())
            if (shown.kind == ui::Script::Kind::Modal) opened << shown.text;
        // the write path, as any window would call it
        const timesheet::HouseholdEntry e{1, 11, 7777, 3, 150, false, false};
        data::Query& control = DataModule6->Control;
        const std::function<void()> writes[] = {
            [&] { results << timesheet::addEntry(control, e, March5, 1); },
            [&] { results << timesheet::changeEntry(control, id.toLongLong(), e); },
            [&] { results << timesheet::deleteEntry(control, id.toLongLong()); },
            [&] { timesheet::priceAverageEntries(control, 2024, 3); },
        };
        for (const auto& write : writes) {
            try {
                write();
            } catch (const data::NotAllowed& n) {
                refused << n.message();
            }
        }
    });
    s.answer(false); // any deletion question: No
    Form23->Edit1->setText(text);
    Form23->Button1Click();
    Form23->show();
    app::clearTermination();

    QCOMPARE(rows, 2);
    QCOMPARE(enabled, mayChange ? QString("1111") : QString("0000"));
    QCOMPARE(opened.contains(Form24->windowTitle()), mayChange); // Insert opened the entry
    if (mayChange) {
        QCOMPARE(refused, QStringList());
        QCOMPARE(results.size(), 3);
        QVERIFY(entries("string_agg(concat_ws('/', id_p, cnt, price::float8), ' ' order by id)") !=
                before);
    } else {
        QCOMPARE(refused.size(), 4);
        QVERIFY(refused.first().contains("Недостаточно прав"));
        QCOMPARE(entries("string_agg(concat_ws('/', id_p, cnt, price::float8), ' ' order by id)"),
                 before);
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.h_tabel"), QString("0"));
    }
    QVERIFY(!DataModule6->ADO_DB.inTransaction());
    data::setRole(data::Role::Full);
}

QTEST_MAIN(HouseholdTest)
#include "tst_household.moc"
