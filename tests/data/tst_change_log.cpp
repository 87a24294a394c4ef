// The history of changes the database keeps: one row per row each writer changes, with what
// it was and became, who and when; none for a refused write; none changed by anyone.
#include "data/change_history.h"
#include "data/data_module.h"
#include "data/query.h"
#include "data/rights.h"
#include "journal/record_writes.h"
#include "other_copy.h"
#include "testdb.h"
#include "timesheet/closed_months.h"
#include "timesheet/household_writes.h"
#include "timesheet/month_rebuild.h"
#include "timesheet/production_calendar.h"
#include "journal/change_journal_window.h"
#include "journal/journal_window.h"
#include "report_engine/preview.h"
#include "reports/excel.h"
#include "ui/dialogs.h"
#include "ui/history_window.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QTemporaryDir>
#include <QPushButton>
#include <QTableWidget>

#include <QtTest>

namespace {
const QDate March5(2024, 3, 5);

journal::RecordInput welding() {
    journal::RecordInput r;
    r.worker = 1;
    r.product = 101;
    r.operation = 1;
    r.shift = 1;
    r.day = March5;
    r.price = 10;
    r.quantity = 10;
    r.hours = 8;
    return r;
}

qint64 lastRecord() {
    return fixture::scalar("select max(id) from accounts_dep.smena").toLongLong();
}

// The history of table since the log was emptied, oldest first: "action" per row.
QString logOf(const QString& table) {
    return fixture::scalar("select string_agg(action, ' ' order by logged) from "
                           "accounts_dep.change_log where table_name='" +
                           table + "'");
}
} // namespace

class ChangeLogTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void oneRowPerWrite_data();
    void oneRowPerWrite();
    void changeKeepsOnlyWhatChanged();
    void namesTheWriter();
    void changedTwiceThenDeleted();
    void putBackRefusedInClosedMonth();
    void keptFromEveryGroup();
    void throughTheJournal();
    void changeJournalWindow();

private:
    std::unique_ptr<fixture::Copy> copy_;
};

void ChangeLogTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    copy_ = std::make_unique<fixture::Copy>();
    QCOMPARE(fixture::startProgram(), QStringList());
    data::setRole(data::Role::Full);
}

void ChangeLogTest::init() {
    fixture::exec("delete from accounts_dep.smena; delete from accounts_dep.fatigue; "
                  "delete from accounts_dep.h_tabel; delete from accounts_dep.closed_month; "
                  "delete from accounts_dep.production_calendar where d_day='2024-03-05'; "
                  "delete from accounts_dep.change_log;");
}

void ChangeLogTest::oneRowPerWrite_data() {
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("history");
    QTest::newRow("record added") << "add" << "smena" << "added";
    QTest::newRow("its cell posted") << "add" << "h_tabel" << "added";
    QTest::newRow("record changed") << "change" << "smena" << "changed";
    QTest::newRow("record accepted") << "accept" << "smena" << "accepted";
    QTest::newRow("acceptance withdrawn") << "withdraw" << "smena" << "unaccepted";
    QTest::newRow("record deleted") << "delete" << "smena" << "deleted";
    QTest::newRow("deleted record put back") << "put back" << "smena" << "added";
    QTest::newRow("equal record refused") << "duplicate" << "smena" << "";
    QTest::newRow("closed month refused") << "closed" << "smena" << "";
    QTest::newRow("refused: no cell either") << "closed" << "h_tabel" << "";
    QTest::newRow("household entry added") << "entry" << "fatigue" << "added";
    QTest::newRow("household entry deleted") << "delete entry" << "fatigue" << "deleted";
    QTest::newRow("average entries priced") << "price" << "fatigue" << "priced";
    QTest::newRow("month rebuilt") << "rebuild" << "h_tabel" << "rebuilt";
    QTest::newRow("month closed") << "close" << "closed_month" << "closed";
    QTest::newRow("month opened") << "open" << "closed_month" << "opened";
    QTest::newRow("calendar day set") << "calendar" << "production_calendar" << "added";
    QTest::newRow("written outside the program")
        << "psql" << "smena" << "added";
    QTest::newRow("reference list changed by a script") << "operation" << "oper" << "changed";
}

void ChangeLogTest::oneRowPerWrite() {
    QFETCH(QString, writer);
    QFETCH(QString, table);
    QFETCH(QString, history);
    data::Query& c = copy_->control;
    using journal::WriteResult;
    // what the write starts from, then an empty history
    if (writer != "add" && writer != "psql" && writer != "entry" && writer != "calendar" &&
        writer != "close" && writer != "operation" && writer != "put back")
        QCOMPARE(journal::addRecord(c, welding()), WriteResult::Written);
    if (writer == "delete entry" || writer == "price") {
        timesheet::HouseholdEntry e{1, 11, writer == "price" ? 7778 : 7777, 3, 0, false, false};
        QCOMPARE(timesheet::addEntry(c, e, March5, 1), timesheet::Saved::Written);
    }
    if (writer == "withdraw") QCOMPARE(journal::markRecord(c, lastRecord(), "ok"), WriteResult::Written);
    if (writer == "closed" || writer == "open")
        QCOMPARE(timesheet::closeMonth(c, 2024, 3, "полный доступ"), timesheet::MonthChange::Done);
    qint64 deleted = 0;
    if (writer == "put back") {
        QCOMPARE(journal::addRecord(c, welding()), WriteResult::Written);
        deleted = lastRecord();
        QCOMPARE(journal::deleteRecord(c, deleted), WriteResult::Written);
    }
    fixture::exec("delete from accounts_dep.change_log");

    if (writer == "add") {
        QCOMPARE(journal::addRecord(c, welding()), WriteResult::Written);
    } else if (writer == "change") {
        journal::RecordInput r = welding();
        r.quantity = 12;
        QCOMPARE(journal::changeRecord(c, lastRecord(), r), WriteResult::Written);
    } else if (writer == "accept") {
        QCOMPARE(journal::markRecord(c, lastRecord(), "ok"), WriteResult::Written);
    } else if (writer == "withdraw") {
        QCOMPARE(journal::markRecord(c, lastRecord(), "no"), WriteResult::Written);
    } else if (writer == "delete") {
        QCOMPARE(journal::deleteRecord(c, lastRecord()), WriteResult::Written);
    } else if (writer == "put back") {
        QCOMPARE(journal::putBackRecord(c, deleted, welding(), "no"), WriteResult::Written);
        QCOMPARE(lastRecord(), deleted);
    } else if (writer == "duplicate") {
        QCOMPARE(journal::addRecord(c, welding()), WriteResult::Duplicate);
    } else if (writer == "closed") {
        journal::RecordInput r = welding();
        r.operation = 2;
        r.product = 102;
        QCOMPARE(journal::addRecord(c, r), WriteResult::MonthClosed);
    } else if (writer == "entry") {
        const timesheet::HouseholdEntry e{1, 11, 7777, 3, 150, false, false};
        QCOMPARE(timesheet::addEntry(c, e, March5, 1), timesheet::Saved::Written);
    } else if (writer == "delete entry") {
        const qint64 id = fixture::scalar("select max(id) from accounts_dep.fatigue").toLongLong();
        QCOMPARE(timesheet::deleteEntry(c, id), timesheet::Saved::Written);
    } else if (writer == "price") {
        QCOMPARE(timesheet::priceAverageEntries(c, 2024, 3).priced, 1);
    } else if (writer == "rebuild") {
        fixture::exec("update accounts_dep.h_tabel set d5=3");
        fixture::exec("delete from accounts_dep.change_log");
        QVERIFY(!timesheet::rebuildMonth(c, 2024, 3).found());
    } else if (writer == "close") {
        QCOMPARE(timesheet::closeMonth(c, 2024, 3, "полный доступ"), timesheet::MonthChange::Done);
    } else if (writer == "open") {
        QCOMPARE(timesheet::openMonth(c, 2024, 3), timesheet::MonthChange::Done);
    } else if (writer == "calendar") {
        QVERIFY(timesheet::setCalendarDay(c, {March5, true, false, false, false}).written);
    } else if (writer == "psql") {
        fixture::exec("insert into accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, "
                      "kol_vo, brak, time, ok) values ('2024-03-05', 1, 1, 101, 1, 10, 10, 0, 8, "
                      "'no')");
    } else if (writer == "operation") {
        fixture::exec("update accounts_dep.oper set cena_new=5 where id=1");
    }
    QCOMPARE(logOf(table), history);
}

void ChangeLogTest::changeKeepsOnlyWhatChanged() {
    data::Query& c = copy_->control;
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const qint64 id = lastRecord();
    journal::RecordInput r = welding();
    r.quantity = 12;
    r.rejects = 1;
    QCOMPARE(journal::changeRecord(c, id, r), journal::WriteResult::Written);
    // the two changed fields and nothing else
    QCOMPARE(fixture::scalar("select (select string_agg(k, ',' order by k) from "
                             "jsonb_object_keys(before) k) || ' ' || (before->>'kol_vo') || '→' || "
                             "(after->>'kol_vo') || ' ' || (before->>'brak') || '→' || "
                             "(after->>'brak') from accounts_dep.change_log where "
                             "action='changed'"),
             QString("brak,kol_vo 10→12 0→1"));

    data::Query history(copy_->connection);
    data::setRowHistory(history, "smena", id);
    history.open();
    const std::vector<data::HistoryEntry> entries = data::historyEntries(history);
    QCOMPARE(int(entries.size()), 2);
    QCOMPARE(data::actionText(entries[0].action), QString("Изменение"));
    QCOMPARE(data::changeLines(entries[0]), (QStringList{"Кол-во: 10 → 12", "Брак: 0 → 1"}));
    QCOMPARE(data::actionText(entries[1].action), QString("Добавление"));
    // the names of the worker, product and operation, not their keys
    const QStringList added = data::changeLines(entries[1]);
    QVERIFY2(added.contains("Работник: Иванов И.И."), qPrintable(added.join(" | ")));
    QVERIFY2(added.contains("Изделие: СТ-100"), qPrintable(added.join(" | ")));
    QVERIFY2(added.contains("Операция: Сварка"), qPrintable(added.join(" | ")));
    QVERIFY2(added.contains("Дата: 05.03.2024"), qPrintable(added.join(" | ")));
}

void ChangeLogTest::namesTheWriter() {
    // the login, and what the copy says of itself; the transaction's time
    data::Query& c = copy_->control;
    const QString before = fixture::scalar("select now()");
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const QStringList names = data::writerNames().split('|');
    QCOMPARE(names.size(), 3);
    QCOMPARE(names[0], QString("полный доступ"));
    QCOMPARE(fixture::scalar("select login || '|' || access || '|' || computer || '|' || "
                             "coalesce(os_user, '') from accounts_dep.change_log where "
                             "table_name='smena'"),
             "sys|" + data::writerNames());
    // the copy's own mark, by which it leaves its own changes out when it reads the history
    QCOMPARE(fixture::scalar("select copy from accounts_dep.change_log where table_name='smena'"),
             c.connection().copyId());
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.change_log where at >= '" +
                             before + "' and at <= now()"),
             QString("2"));
}

void ChangeLogTest::changedTwiceThenDeleted() {
    data::Query& c = copy_->control;
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const qint64 id = lastRecord();
    fixture::exec("delete from accounts_dep.change_log");
    journal::RecordInput r = welding();
    r.quantity = 11;
    QCOMPARE(journal::changeRecord(c, id, r), journal::WriteResult::Written);
    r.hours = 6;
    QCOMPARE(journal::changeRecord(c, id, r), journal::WriteResult::Written);
    QCOMPARE(journal::deleteRecord(c, id), journal::WriteResult::Written);

    data::Query history(copy_->connection);
    data::setRowHistory(history, "smena", id);
    history.open();
    const std::vector<data::HistoryEntry> entries = data::historyEntries(history);
    QCOMPARE(int(entries.size()), 3);
    QCOMPARE(entries[0].action, QString("deleted")); // newest first
    QCOMPARE(data::changeLines(entries[1]), QStringList{"Часы: 8 → 6"});
    QCOMPARE(data::changeLines(entries[2]), QStringList{"Кол-во: 10 → 11"});

    // the day's deleted records list it, with what it held when deleted
    data::Query deleted(copy_->connection);
    data::setDeletedRecords(deleted, March5);
    deleted.open();
    std::vector<data::HistoryEntry> gone = data::historyEntries(deleted);
    QCOMPARE(int(gone.size()), 1);
    QCOMPARE(gone[0].rowId, QString::number(id));
    QVERIFY(data::changeLines(gone[0]).contains("Часы: 6"));
    // put back, it is there again as it was, its cell too, and leaves the list
    QCOMPARE(journal::putBackRecord(c, id, r, "no"), journal::WriteResult::Written);
    QCOMPARE(fixture::scalar("select kol_vo || ' ' || time from accounts_dep.smena where id=" +
                             QString::number(id)),
             QString("11 6"));
    QCOMPARE(fixture::scalar("select d5 from accounts_dep.h_tabel where w_id=1 and smena=1"),
             QString("6"));
    deleted.close();
    deleted.open();
    QVERIFY(deleted.isEmpty());
    // and a second put back is refused as an equal record
    QCOMPARE(journal::putBackRecord(c, id, r, "no"), journal::WriteResult::Duplicate);
}

void ChangeLogTest::putBackRefusedInClosedMonth() {
    data::Query& c = copy_->control;
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const qint64 id = lastRecord();
    QCOMPARE(journal::deleteRecord(c, id), journal::WriteResult::Written);
    QCOMPARE(timesheet::closeMonth(c, 2024, 3, "полный доступ"), timesheet::MonthChange::Done);
    timesheet::ClosedMonth closed;
    QCOMPARE(journal::putBackRecord(c, id, welding(), "no", &closed),
             journal::WriteResult::MonthClosed);
    QCOMPARE(closed.month, 3);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena"), QString("0"));
    // accepted records go back accepted only by full access
    data::setRole(data::Role::DataEntry);
    QVERIFY_THROWS_EXCEPTION(data::DbError, journal::putBackRecord(c, id, welding(), "ok"));
    data::setRole(data::Role::Full);
}

void ChangeLogTest::keptFromEveryGroup() {
    // no group of the program's logins changes or deletes the history; its owner is refused
    // nothing, the others are refused by the table's rights and its trigger
    fixture::execFile("sql/upgrade/roles.sql");
    fixture::exec("insert into accounts_dep.change_log (table_name, row_id, action) values "
                  "('smena', '1', 'added')");
    for (const QString group : {"tabel_read", "tabel_report", "tabel_entry", "tabel_full"}) {
        for (const QString statement :
             {"update accounts_dep.change_log set action='x'", "delete from accounts_dep.change_log",
              "insert into accounts_dep.change_log (table_name, row_id, action) values ('smena', "
              "'2', 'added')",
              "truncate accounts_dep.change_log"}) {
            const QString out = fixture::scalar(
                "do $$ begin set local role " + group + "; execute $s$" + statement +
                "$s$; raise exception 'allowed'; exception when insufficient_privilege then "
                "null; end $$; select 'refused'");
            QVERIFY2(out == "refused", qPrintable(group + ": " + statement + " → " + out));
        }
        QCOMPARE(fixture::scalar("do $$ begin set local role " + group +
                                 "; perform count(*) from accounts_dep.change_log; end $$; "
                                 "select 'read'"),
                 QString("read"));
    }
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.change_log"), QString("1"));
}

void ChangeLogTest::throughTheJournal() {
    data::Query& c = copy_->control;
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const qint64 id = lastRecord();
    journal::RecordInput r = welding();
    r.quantity = 12;
    QCOMPARE(journal::changeRecord(c, id, r), journal::WriteResult::Written);
    Form1->DateT->setDate(March5);
    Form1->DateTCloseUp();
    QCOMPARE(DataModule6->Smena1.asInt("id"), id);

    // "История": newest first, who and what changed
    ui::Script s;
    QStringList rows;
    QString title;
    s.onModal(Form1->History, [&] {
        title = Form1->History->windowTitle();
        QTableWidget* g = Form1->History->Grid;
        QVERIFY(Form1->History->PutBack->isHidden());
        for (int row = 0; row < g->rowCount(); ++row)
            rows << g->item(row, 2)->text() + ": " + g->item(row, 3)->text().split('\n').first();
        QVERIFY(g->item(0, 1)->text().startsWith("sys, полный доступ"));
        Form1->History->Close->click();
    });
    Form1->HistoryButton->click();
    QCOMPARE(title, QString("История записи: Иванов И.И., Сварка, 05.03.2024"));
    QCOMPARE(rows, (QStringList{"Изменение: Кол-во: 10 → 12", "Добавление: Дата: 05.03.2024"}));

    // deleted, it is in the day's deleted records, and full access puts it back
    QCOMPARE(journal::deleteRecord(c, id), journal::WriteResult::Written);
    Form1->Button8Click();
    QVERIFY(DataModule6->Smena1.isEmpty());
    int listed = -1, left = -1;
    s.onModal(Form1->History, [&] {
        QVERIFY(!Form1->History->PutBack->isHidden());
        listed = Form1->History->Grid->rowCount();
        Form1->History->PutBack->click();
        left = Form1->History->Grid->rowCount();
        Form1->History->Close->click();
    });
    Form1->DeletedButton->click();
    QCOMPARE(listed, 1);
    QCOMPARE(left, 0);
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(DataModule6->Smena1.asInt("id"), id);
    QCOMPARE(DataModule6->Smena1.asText("kol_vo"), QString("12"));
}

void ChangeLogTest::changeJournalWindow() {
    data::Query& c = copy_->control;
    QCOMPARE(journal::addRecord(c, welding()), journal::WriteResult::Written);
    const qint64 id = lastRecord();
    QCOMPARE(journal::deleteRecord(c, id), journal::WriteResult::Written);
    QTemporaryDir folder;
    reports::setExportFolder(folder.path());
    reports::setFileOpener([](const QString&) { return true; });

    ui::Script s;
    QStringList records, printed;
    int deleted = -1;
    QString caption;
    s.onModal(Form33, [&] {
        // the month up to today: the record's addition and deletion among the other changes
        QTableWidget* g = Form33->Grid1;
        for (int row = 0; row < g->rowCount(); ++row)
            if (g->item(row, 2)->text() == "Записи смен" &&
                g->item(row, 3)->text() == QString::number(id))
                records << g->item(row, 4)->text();
        Form33->ComboAction->setCurrentIndex(Form33->ComboAction->findData("deleted"));
        Form33->ComboTable->setCurrentIndex(Form33->ComboTable->findData("smena"));
        Form33->Button1->click();
        deleted = g->rowCount();
        s.onModal(report::previewWindow(), [&] {
            const report::Document& doc = report::previewWindow()->document();
            for (int p = 0; p < doc.pageCount(); ++p)
                printed << doc.texts(p);
            report::previewWindow()->hide();
        });
        Form33->Button2->click();
        Form33->Button3->click();
        caption = Form33->Button3->text();
        Form33->Button4->click();
    });
    Form1->N30->trigger(); // "Журнал изменений…"
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(records, (QStringList{"Удаление", "Добавление"}));
    QCOMPARE(deleted, 1);
    for (const QString& text : {"Журнал изменений", "Удаление", "Записи смен",
                                "Работник: Иванов И.И.", "Кол-во: 10"})
        QVERIFY2(printed.contains(text), qPrintable(text + " not in " + printed.join(" | ")));
    // the workbook names the report and its period; the button shows its plain caption again
    const QStringList books = QDir(folder.path()).entryList({"Журнал изменений *.xlsx"});
    QCOMPARE(books.size(), 1);
    QCOMPARE(caption, QString("Excel"));
    reports::setExportFolder(QString());
    reports::setFileOpener({});
}

QTEST_MAIN(ChangeLogTest)
#include "tst_change_log.moc"
