// What another copy of the program writes appears by itself: the journal, the household
// list and the timesheet windows re-read what they show, keeping the user's place, and hold
// still while a window of their own is open over them. Through a pooler that hands each
// transaction another server session (scripts/pooler.sh runs these tests so) nothing can be
// heard: the copy finds that out and reads the others' changes from the history, a little
// later, and the journal's status line says so.
#include "app/app.h"
#include "data/changes.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "other_copy.h"
#include "testdb.h"
#include "timesheet/household_entry.h"
#include "timesheet/household_list.h"
#include "timesheet/household_writes.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/piece_timesheet.h"
#include "timesheet/timesheet_by_time.h"
#include "ui/change_follower.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"
#include "windows.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

namespace {
const QDate March5(2024, 3, 5); // a Tuesday

// The program's connections go through a pooler (TABEL_TEST_HOST).
const bool Pooled = fixture::serverHost() != "127.0.0.1";

// Within this the other copy's change is on screen: heard at once, or read with the next
// reading of the history through a pooler. The tests wait no longer.
const int Shown = Pooled ? 3000 : 1000;
const QString Delay = "Изменения других пользователей приходят с задержкой";

journal::RecordInput record(qint64 worker, int shift = 1, double quantity = 10, int hours = 4) {
    journal::RecordInput r;
    r.worker = worker;
    r.product = 101;
    r.operation = 1;
    r.shift = shift;
    r.day = March5;
    r.price = 10;
    r.quantity = quantity;
    r.hours = hours;
    return r;
}

timesheet::HouseholdEntry entry(qint64 worker, qint64 hours = 8) {
    timesheet::HouseholdEntry e;
    e.worker = worker;
    e.productClass = 11;
    e.kind = 7777;
    e.hours = hours;
    e.price = 50;
    return e;
}

qint64 idOf(qint64 worker, const QString& table = "smena") {
    const QString column = table == "smena" ? "w_id" : "id_p";
    return fixture::scalar(QString("select max(id) from accounts_dep.%1 where %2=%3")
                               .arg(table, column)
                               .arg(worker))
        .toLongLong();
}

void showJournal(const QDate& day, int shift = 1) {
    Form1->DateT->setDate(day);
    Form1->DateTCloseUp();
    QRadioButton* buttons[] = {Form1->RadioButton1, Form1->RadioButton2, Form1->RadioButton3,
                               Form1->RadioButton4};
    buttons[shift - 1]->setChecked(true);
}

QString selectedName() {
    const data::Query& q = *Form1->DBGrid2->dataSet();
    return q.isEmpty() ? QString() : q.asText("fio").trimmed();
}

// The ODBC connection string of this database with another port.
QString refusedAt() {
    return app::connectionString(fixture::databaseName(), "127.0.0.1")
        .replace("PORT=5432", "PORT=1");
}

// The program's server with another database, where no copy of this one announces anything:
// a listener there is connected and hears nothing, as behind a pooler.
QString elsewhere() {
    return app::connectionString("postgres", fixture::serverHost());
}

bool delayShown() {
    return !Form1->Delayed->isHidden() && Form1->Delayed->text() == Delay;
}

// Waits until the listener has found out whether it hears: deaf through a pooler, else not.
void settled() {
    if (Pooled) {
        QTRY_VERIFY(DataModule6->Changes.deaf());
        QVERIFY(delayShown());
    } else {
        QTRY_VERIFY(!DataModule6->Changes.probing());
        QVERIFY(!DataModule6->Changes.deaf());
        QVERIFY(Form1->Delayed->isHidden());
    }
}

// The changes a spy on the listener caught, of table, from the copy of copyId.
QList<data::Change> caught(const QSignalSpy& spy, const QString& copyId,
                           const QString& table = "smena") {
    QList<data::Change> out;
    for (const QList<QVariant>& signal : spy) {
        const data::Change c = signal.at(0).value<data::Change>();
        if (c.copy == copyId && c.table == table) out << c;
    }
    return out;
}
} // namespace

class OtherCopiesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void journalFollowsRecords();
    void editorOpenHoldsStill();
    void householdListFollowsEntries();
    void timesheetsFollowTheirMonth();
    void ownWritesAreNotHeard();
    void refusedListenerIsQuiet();
    void lostListenerComesBack();
    void deafListenerReadsTheHistory_data();
    void deafListenerReadsTheHistory();
    void lateCommitIsPassedOnce();
    void payloads_data();
    void payloads();
    void cleanupTestCase();
};

void OtherCopiesTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    QCOMPARE(fixture::startProgram(), QStringList());
    Form1->UserText = "7093";
    for (int shift = 1; shift <= 4; ++shift)
        DataModule6->smenaQuery(shift).setParam("ok", QString("ta"));
    // the listening connection is made once the login window is up
    QTRY_VERIFY(DataModule6->Changes.listening());
    Form1->show();
    settled();
}

void OtherCopiesTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.fatigue; "
                  "delete from accounts_dep.h_tabel;");
    showJournal(March5);
}

void OtherCopiesTest::journalFollowsRecords() {
    ui::Script script; // B, the copy on screen, shows nothing of its own
    fixture::Copy a;
    auto write = [&](journal::WriteResult r) { QCOMPARE(r, journal::WriteResult::Written); };

    write(journal::addRecord(a.control, record(1)));
    QTRY_COMPARE_WITH_TIMEOUT(fixture::column(Form1->DBGrid2, "fio"), QStringList({"Иванов И.И."}),
                              Shown);
    write(journal::addRecord(a.control, record(2)));
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 2, Shown);

    // B stands on Петров; О'Нил comes before him: the selection stays with Петров
    Form1->DBGrid2->selectRow(1);
    QCOMPARE(selectedName(), QString("Петров П.П."));
    write(journal::addRecord(a.control, record(3)));
    QTRY_COMPARE_WITH_TIMEOUT(fixture::column(Form1->DBGrid2, "fio"),
                              QStringList({"Иванов И.И.", "О'Нил Д.Р.", "Петров П.П."}), Shown);
    QCOMPARE(selectedName(), QString("Петров П.П."));
    QCOMPARE(Form1->DBGrid2->currentIndex().row(), 2);

    // a change and an acceptance of the selected record
    write(journal::changeRecord(a.control, idOf(2), record(2, 1, 25)));
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->cellText(2, "kol_vo"), QString("25"), Shown);
    write(journal::markRecord(a.control, idOf(2), "ok"));
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->cellText(2, "ok"), QString("ok"), Shown);
    QCOMPARE(selectedName(), QString("Петров П.П."));

    // a record of another shift: the shown grid stays, that shift's list is current
    write(journal::addRecord(a.control, record(1, 2)));
    QTRY_COMPARE_WITH_TIMEOUT(DataModule6->Smena2.recordCount(), 1, Shown);
    QCOMPARE(Form1->DBGrid2->dataSet()->recordCount(), 3);

    // the selected record deleted: the nearest row is selected
    write(journal::deleteRecord(a.control, idOf(2, "smena")));
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 2, Shown);
    QCOMPARE(selectedName(), QString("О'Нил Д.Р."));
    QCOMPARE(script.shown().size(), 0);
}

void OtherCopiesTest::editorOpenHoldsStill() {
    fixture::Copy a;
    // enough rows to scroll: B scrolls to the end and keeps its place through the re-read
    for (int worker : {1, 2, 3})
        for (int n = 0; n < 6; ++n) {
            journal::RecordInput r = record(worker, 1, 10 + n, 1);
            r.colour = n;
            QCOMPARE(journal::addRecord(a.control, r), journal::WriteResult::Written);
        }
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 18, Shown);
    Form1->resize(900, 300);
    QCoreApplication::processEvents(); // laid out at that size
    QScrollBar* bar = Form1->DBGrid2->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    Form1->DBGrid2->selectRow(17);
    bar->setValue(bar->maximum());
    const int scrolled = bar->value();

    ui::Script script;
    script.onModal(Form11, [&] {
        journal::RecordInput other = record(1, 1, 99, 1);
        other.colour = 7; // sorted after Иванов's six
        QCOMPARE(journal::addRecord(a.control, other), journal::WriteResult::Written);
        // heard, and held back while the editor is open
        QTRY_VERIFY_WITH_TIMEOUT(Form1->OtherCopies->waiting(), Shown);
        QCOMPARE(Form1->DBGrid2->dataSet()->recordCount(), 18);
        QCOMPARE(Form1->DBGrid2->currentIndex().row(), 17);
    });
    Form1->Button2Click(); // the editor on the selected record, closed without saving
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 19, Shown);
    QVERIFY(!Form1->OtherCopies->pending());
    QCOMPARE(Form1->DBGrid2->currentIndex().row(), 18); // the same record, one row lower
    QCOMPARE(Form1->DBGrid2->dataSet()->asInt("kol_vo"), 15);
    QCOMPARE(bar->value(), scrolled + 1); // the record where it was on the screen
    QCOMPARE(script.messages().size(), 0);
    Form1->resize(1120, 640);
}

void OtherCopiesTest::householdListFollowsEntries() {
    ui::Script script;
    fixture::Copy a;
    Form25->DTPcker1->setDate(March5);
    Form25->show();
    Form25->FormActivate();
    auto saved = [](timesheet::Saved s) { QCOMPARE(s, timesheet::Saved::Written); };

    saved(timesheet::addEntry(a.control, entry(1), March5, 1));
    saved(timesheet::addEntry(a.control, entry(2), March5, 1));
    QTRY_COMPARE_WITH_TIMEOUT(Form25->fatigue->recordCount(), 2, Shown);
    Form25->DBGrid1->selectRow(1); // Петров
    saved(timesheet::addEntry(a.control, entry(3), March5, 1));
    QTRY_COMPARE_WITH_TIMEOUT(Form25->fatigue->recordCount(), 3, Shown);
    QCOMPARE(Form25->fatigue->asText("fio").trimmed(), QString("Петров П.П."));

    saved(timesheet::changeEntry(a.control, idOf(2, "fatigue"), entry(2, 5)));
    QTRY_COMPARE_WITH_TIMEOUT(Form25->fatigue->asText("cnt"), QString("5"), Shown);
    QCOMPARE(Form25->fatigue->asText("fio").trimmed(), QString("Петров П.П."));

    // the month's average prices: an average entry of the day is re-priced
    timesheet::HouseholdEntry average = entry(1, 2);
    average.kind = 7778;
    saved(timesheet::addEntry(a.control, average, March5, 1));
    QTRY_COMPARE_WITH_TIMEOUT(Form25->fatigue->recordCount(), 4, Shown);
    auto unpriced = [] {
        int n = 0;
        for (const QString& price : fixture::column(*Form25->fatigue, "price"))
            n += price.toDouble() == 0;
        return n;
    };
    QCOMPARE(unpriced(), 0);
    QCOMPARE(timesheet::priceAverageEntries(a.control, 2024, 3).priced, 1); // no piece work: 0
    QTRY_COMPARE_WITH_TIMEOUT(unpriced(), 1, Shown);

    saved(timesheet::deleteEntry(a.control, idOf(2, "fatigue")));
    QTRY_COMPARE_WITH_TIMEOUT(Form25->fatigue->recordCount(), 3, Shown);
    QVERIFY(!fixture::column(Form25->DBGrid1, "fio").contains("Петров П.П."));

    // another day's entry leaves the list alone
    QSignalSpy heard(&DataModule6->Changes, &data::ChangeListener::changed);
    saved(timesheet::addEntry(a.control, entry(2), March5.addDays(1), 1));
    QTRY_COMPARE_WITH_TIMEOUT(caught(heard, a.connection.copyId(), "fatigue").size(), 1, Shown);
    QVERIFY(!Form25->OtherCopies->pending());
    Form25->hide();
    QCOMPARE(script.shown().size(), 0);
}

void OtherCopiesTest::timesheetsFollowTheirMonth() {
    fixture::Copy a;
    ui::Script script;
    // both opened from the journal's menu, shown on March 2024
    script.onModal(Form19, [&] {
        QCOMPARE(Form19->grid(1)->dataSet()->recordCount(), 0);
        QCOMPARE(journal::addRecord(a.control, record(1, 1, 10, 6)), journal::WriteResult::Written);
        QTRY_COMPARE_WITH_TIMEOUT(Form19->grid(1)->dataSet()->recordCount(), 1, Shown);
        QCOMPARE(Form19->grid(1)->dataSet()->asInt("d5"), 6);
        // a record another program wrote, without cells, shows once A rebuilds the month
        a.command.setSql("insert into accounts_dep.smena(w_id, i_id, o_id, cena, kol_vo, data, "
                         "smena, time) values (2, 101, 1, 1, 1, date '2024-03-07', 1, 3)");
        a.command.execute();
        QVERIFY(!timesheet::rebuildMonth(a.control, 2024, 3).found());
        QTRY_COMPARE_WITH_TIMEOUT(Form19->grid(1)->dataSet()->recordCount(), 2, Shown);
    });
    Form1->N13Click();
    script.onModal(Form27, [&] {
        Form27->ComboBox1->setCurrentIndex(2);
        Form27->cb_year->setKeyValue(2024);
        Form27->ComboBox1Change();
        QCOMPARE(Form27->CurTabel->recordCount(), 2);
        QCOMPARE(journal::addRecord(a.control, record(3, 1, 10, 3)), journal::WriteResult::Written);
        QTRY_COMPARE_WITH_TIMEOUT(Form27->CurTabel->recordCount(), 3, Shown);
        QCOMPARE(Form27->DBText1->text(), Form27->DBText2->text());
        QVERIFY(!Form27->DBText1->text().isEmpty());
    });
    Form1->N9Click();
    QCOMPARE(script.messages().size(), 0);
}

void OtherCopiesTest::ownWritesAreNotHeard() {
    QSignalSpy heard(&DataModule6->Changes, &data::ChangeListener::changed);
    QCOMPARE(journal::addRecord(DataModule6->Control, record(1)), journal::WriteResult::Written);
    fixture::Copy a;
    QCOMPARE(journal::addRecord(a.control, record(2)), journal::WriteResult::Written);
    // announcements arrive in the order of the commits, and the history is read in one piece
    // up to a time: B's own would have come first
    QTRY_COMPARE_WITH_TIMEOUT(caught(heard, a.connection.copyId()).size(), 1, Shown);
    QCOMPARE(caught(heard, DataModule6->Control.connection().copyId()).size(), 0);
    QCOMPARE(caught(heard, DataModule6->Control.connection().copyId(), "h_tabel").size(), 0);
}

void OtherCopiesTest::refusedListenerIsQuiet() {
    ui::Script script;
    DataModule6->Changes.listen(refusedAt());
    QVERIFY(!DataModule6->Changes.listening());
    // the program works as before: a record through the editor, the version check's tick
    script.onModal(Form11, [] {
        Form11->Edit1->setText("Иванов И.И.");
        Form11->WorkerId = 1;
        Form11->Edit2->setText("СТ-100; Сварка; Готовая продукция");
        Form11->OperId = 1;
        Form11->ProductId = 101;
        Form11->Price = 10;
        Form11->updateColourBox();
        Form11->Edit3->setText("10");
        Form11->Edit4->setText("0");
        Form11->Edit6->setText("8");
        Form11->DTimeP->setDate(March5);
        Form11->Button1->click();
    });
    Form1->Button1Click();
    Form1->Timer1Timer();
    QVERIFY(!DataModule6->Changes.listening());
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("1"));
    QCOMPARE(script.messages().size(), 0);
    DataModule6->Changes.listen();
    QVERIFY(DataModule6->Changes.listening());
}

void OtherCopiesTest::lostListenerComesBack() {
    ui::Script script;
    fixture::Copy a;
    fixture::exec("select pg_terminate_backend(pid) from pg_stat_activity where "
                  "datname=current_database() and application_name='tabel_listener'");
    // missed while it was away, heard as "anything" once the tick has listened again
    QCOMPARE(journal::addRecord(a.control, record(1)), journal::WriteResult::Written);
    Form1->Timer1Timer();
    QVERIFY(DataModule6->Changes.listening());
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 1, Shown);
    QCOMPARE(journal::addRecord(a.control, record(2)), journal::WriteResult::Written);
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 2, Shown);
    QCOMPARE(script.messages().size(), 0);
}

void OtherCopiesTest::deafListenerReadsTheHistory_data() {
    QTest::addColumn<QString>("listenAt");
    QTest::addColumn<bool>("connected");
    QTest::newRow("hearing nothing") << elsewhere() << true;
    QTest::newRow("no connection") << refusedAt() << false;
}

void OtherCopiesTest::deafListenerReadsTheHistory() {
    QFETCH(QString, listenAt);
    QFETCH(bool, connected);
    ui::Script script;
    data::ChangeListener& listener = DataModule6->Changes;
    listener.listen(listenAt);
    QCOMPARE(listener.listening(), connected);
    QTRY_VERIFY(listener.deaf());
    QVERIFY(delayShown());

    // B's own record is not passed on; A's and another program's show
    QSignalSpy heard(&listener, &data::ChangeListener::changed);
    const QString own = DataModule6->Control.connection().copyId();
    QCOMPARE(journal::addRecord(DataModule6->Control, record(1)), journal::WriteResult::Written);
    fixture::Copy a;
    QCOMPARE(journal::addRecord(a.control, record(2)), journal::WriteResult::Written);
    QTRY_COMPARE_WITH_TIMEOUT(fixture::column(Form1->DBGrid2, "fio"),
                              QStringList({"Иванов И.И.", "Петров П.П."}), 3000);
    fixture::exec("update accounts_dep.smena set kol_vo=33 where w_id=2");
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->cellText(1, "kol_vo"), QString("33"), 3000);
    // a record moved to another shift and day: both places are re-read
    journal::RecordInput moved = record(2, 3);
    moved.day = March5.addDays(1);
    QCOMPARE(journal::changeRecord(a.control, idOf(2), moved), journal::WriteResult::Written);
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 1, 3000);
    auto heardAt = [&](const QDate& day, int shift) {
        for (const data::Change& c : caught(heard, a.connection.copyId()))
            if (c.day == day && c.shift == shift) return true;
        return false;
    };
    QTRY_VERIFY_WITH_TIMEOUT(heardAt(moved.day, 3), 3000);
    QVERIFY(heardAt(March5, 1));
    QCOMPARE(caught(heard, own).size(), 0);
    QCOMPARE(caught(heard, own, "h_tabel").size(), 0);
    QVERIFY(delayShown());

    // listening as the program does again: heard at once (or read on, through a pooler)
    listener.listen();
    settled();
    QCOMPARE(journal::addRecord(a.control, record(3)), journal::WriteResult::Written);
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 2, Shown);
    QCOMPARE(script.messages().size(), 0);
}

void OtherCopiesTest::lateCommitIsPassedOnce() {
    data::ChangeListener& listener = DataModule6->Changes;
    listener.listen(elsewhere());
    QTRY_VERIFY(listener.deaf());
    QSignalSpy heard(&listener, &data::ChangeListener::changed);

    // A's write has begun, and waits before its commit while B reads the history
    QString copyId;
    auto stall = std::make_unique<fixture::Stall>("accounts_dep.smena");
    fixture::OtherCopy a([&](fixture::Copy& c) {
        copyId = c.connection.copyId();
        if (journal::addRecord(c.control, record(1)) != journal::WriteResult::Written)
            throw data::DbError("not written");
    });
    a.start();
    QVERIFY(fixture::waitUntilBlocked(a));
    QVERIFY(!a.isFinished());
    listener.poll();
    stall.reset();
    QVERIFY(a.wait(20000));
    QCOMPARE(a.error, QString());

    // its history carries the time its transaction began, before that reading
    QTRY_COMPARE_WITH_TIMEOUT(caught(heard, copyId).size(), 1, 3000);
    listener.poll();
    listener.poll();
    QCOMPARE(caught(heard, copyId).size(), 1);
    QCOMPARE(caught(heard, copyId).at(0).day, March5);
    QCOMPARE(caught(heard, copyId).at(0).shift, 1);
    QTRY_COMPARE_WITH_TIMEOUT(Form1->DBGrid2->dataSet()->recordCount(), 1, 3000);

    listener.listen();
    settled();
}

void OtherCopiesTest::payloads_data() {
    QTest::addColumn<QString>("payload");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("touchesShift1OfMarch5");
    QTest::addColumn<bool>("touchesMarch");
    QTest::newRow("that day and shift") << "c1 smena 2024-03-05 1" << true << true << true;
    QTest::newRow("another shift") << "c1 smena 2024-03-05 2" << true << false << true;
    QTest::newRow("any shift") << "c1 smena 2024-03-05 0" << true << true << true;
    QTest::newRow("another day") << "c1 smena 2024-03-06 1" << true << false << true;
    QTest::newRow("the whole month") << "c1 smena 2024-03 0" << true << true << true;
    QTest::newRow("another month") << "c1 smena 2024-04 0" << true << false << false;
    QTest::newRow("another table") << "c1 fatigue 2024-03-05 0" << true << false << true;
    QTest::newRow("no day") << "c1 smena 5.3.2024 1" << false << false << false;
    QTest::newRow("too short") << "c1 smena 2024-03-05" << false << false << false;
    QTest::newRow("foreign") << "hello" << false << false << false;
    QTest::newRow("a probe") << "probe c1 3" << false << false << false;
}

void OtherCopiesTest::payloads() {
    QFETCH(QString, payload);
    QFETCH(bool, valid);
    QFETCH(bool, touchesShift1OfMarch5);
    QFETCH(bool, touchesMarch);
    const std::optional<data::Change> c = data::parseChange(payload);
    QCOMPARE(c.has_value(), valid);
    // a copy's probe is known as one, and is no change
    const std::optional<QString> probe = data::probeCopy(payload);
    QCOMPARE(probe.has_value(), payload == data::probePayload("c1", 3));
    if (probe) QCOMPARE(*probe, QString("c1"));
    if (!c) return;
    QCOMPARE(c->touches("smena", March5, 1), touchesShift1OfMarch5);
    QCOMPARE(c->touchesMonth(2024, 3), touchesMarch);
}

void OtherCopiesTest::cleanupTestCase() {
    Form1->hide();
    fixture::endProgram();
}

QTEST_MAIN(OtherCopiesTest)
#include "tst_other_copies.moc"
