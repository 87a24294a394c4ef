// Writes whose connection is lost at the commit: before the commit reaches the server, or
// after the server has committed but before its answer comes back. The user is told which,
// found out by the values written once the connection is open again.
#include "app/app.h"
#include "cutting_proxy.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/query.h"
#include "journal/journal_window.h"
#include "journal/record_editor.h"
#include "journal/record_writes.h"
#include "refdata/reference_writes.h"
#include "testdb.h"
#include "timesheet/household_writes.h"
#include "timesheet/timesheet_locks.h"
#include "ui/dialogs.h"

#include <QDateEdit>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const QDate March5(2024, 3, 5);
using Cut = fixture::CuttingProxy::Cut;

journal::RecordInput welding(qint64 worker = 1, int hours = 8) {
    journal::RecordInput r;
    r.worker = worker;
    r.product = 101;
    r.operation = 1;
    r.day = March5;
    r.price = 12.5;
    r.quantity = 10;
    r.hours = hours;
    return r;
}

QString count(const QString& where) {
    return fixture::scalar("select count(*) from " + where);
}
} // namespace

class LostAnswerTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void answerLost_data();
    void answerLost();
    void editorSaysSaved();

private:
    fixture::CuttingProxy* proxy = nullptr;
};

void LostAnswerTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    proxy = new fixture::CuttingProxy;
}

void LostAnswerTest::cleanupTestCase() {
    fixture::endProgram();
    delete proxy;
}

void LostAnswerTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.h_tabel; "
                  "delete from accounts_dep.fatigue; "
                  "update accounts_dep.person set fio='Иванов И.И.' where id=1");
}

void LostAnswerTest::answerLost_data() {
    QTest::addColumn<QString>("write");
    QTest::addColumn<int>("cut");
    QTest::addColumn<QString>("outcome"); // the message the user reads
    QTest::addColumn<QString>("check");   // a count that is 1 when the write is in
    QTest::addColumn<QString>("expected");
    const QString saved = data::lostCommitText(data::LostCommit::Saved);
    const QString notSaved = data::lostCommitText(data::LostCommit::NotSaved);
    const QString added = "accounts_dep.smena";
    const QString changed = "accounts_dep.smena where time=5";
    const QString deleted = "(select 1 where not exists (select 1 from accounts_dep.smena)) d";
    const QString entry = "accounts_dep.fatigue";
    const QString worker = "accounts_dep.person where fio='Иванов-Петров И.И.'";
    for (const auto& [name, check] : {std::pair{"record added", added},
                                      {"record changed", changed},
                                      {"record deleted", deleted},
                                      {"entry added", entry},
                                      {"worker changed", worker}}) {
        QTest::newRow(qPrintable(QString(name) + ", commit lost on its way"))
            << name << int(Cut::BeforeCommit) << notSaved << check << "0";
        QTest::newRow(qPrintable(QString(name) + ", answer lost after the commit"))
            << name << int(Cut::AfterCommit) << saved << check << "1";
    }
}

void LostAnswerTest::answerLost() {
    QFETCH(QString, write);
    QFETCH(int, cut);
    data::Connection c;
    c.setConnectionString(app::connectionString(fixture::databaseName(), proxy->address()));
    c.open();
    data::Query control(c);
    data::Command command(c);
    qint64 id = 0;
    if (write.startsWith("record") && write != "record added") {
        QCOMPARE(journal::addRecord(control, welding()), journal::WriteResult::Written);
        id = fixture::scalar("select id from accounts_dep.smena").toLongLong();
    }
    const int cuts = proxy->cuts();
    proxy->cutNextCommit(Cut(cut));
    QString told;
    if (write == "record added") {
        told = journal::refusalText(journal::addRecord(control, welding()));
    } else if (write == "record changed") {
        told = journal::refusalText(journal::changeRecord(control, id, welding(1, 5),
                                                          journal::currentRecord(control, id)));
    } else if (write == "record deleted") {
        told = journal::refusalText(
            journal::deleteRecord(control, id, journal::currentRecord(control, id)));
    } else if (write == "entry added") {
        timesheet::HouseholdEntry e;
        e.worker = 1;
        e.productClass = 11;
        e.kind = timesheet::Household;
        e.hours = 4;
        e.price = 50;
        told = timesheet::savedText(timesheet::addEntry(control, e, March5, 1));
    } else {
        refdata::SeenReference row{"accounts_dep.person", 1, {}, {}};
        row.seen.fields = QStringList{"fio"};
        row.seen.values = QVariantList{QString("Иванов И.И.")};
        told = refdata::refusalText(refdata::updateRow(control, row,
                                                       "fio='Иванов-Петров И.И.'",
                                                       "fio='Иванов-Петров И.И.'"),
                                    refdata::RowKind::Worker);
    }
    QCOMPARE(proxy->cuts(), cuts + 1); // the connection was indeed lost at the commit
    QTEST(told, "outcome");
    QFETCH(QString, check);
    QTEST(count(check), "expected");
}

void LostAnswerTest::editorSaysSaved() {
    // the program's own connection runs through the relay
    QCOMPARE(fixture::startProgram(), QStringList());
    DataModule6->ADO_DB.setConnectionString(
        app::connectionString(fixture::databaseName(), proxy->address()));
    DataModule6->ADO_DB.open();
    Form1->DateT->setDate(March5);
    Form1->DateTCloseUp();
    ui::Script s;
    bool open = true;
    s.onModal(Form11, [&] {
        TForm11* f = Form11;
        f->Edit1->setText("Иванов И.И.");
        f->WorkerId = 1;
        f->Edit2->setText("СТ-100; Сварка; Готовая продукция");
        f->OperId = 1;
        f->ProductId = 101;
        f->Price = 10;
        f->Edit3->setText("10");
        f->Edit6->setText("8");
        proxy->cutNextCommit(Cut::AfterCommit);
        f->Button1->click();
        open = f->isVisible();
    });
    Form1->Button1Click();
    QCOMPARE(s.texts(), QStringList{data::lostCommitText(data::LostCommit::Saved)});
    QVERIFY(!open); // saved: the editor closes as after any save
    QCOMPARE(count("accounts_dep.smena"), QString("1"));
    QCOMPARE(DataModule6->Smena1.recordCount(), 1);
}

QTEST_MAIN(LostAnswerTest)
#include "tst_lost_answer.moc"
