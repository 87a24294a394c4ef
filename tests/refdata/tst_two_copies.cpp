// Reference rows changed in an editor while another copy of the program, on a connection of
// its own, deletes or changes the same row: nothing is written over it without a word.
#include "data/data_module.h"
#include "refdata/kind_editor.h"
#include "refdata/kinds_list.h"
#include "refdata/operation_editor.h"
#include "refdata/operations_list.h"
#include "refdata/product_editor.h"
#include "refdata/products_list.h"
#include "refdata/reference_writes.h"
#include "refdata/worker_editor.h"
#include "refdata/workers_list.h"
#include "testdb.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QComboBox>
#include <QLineEdit>
#include <QtTest>

namespace {
// Rows of each kind that the cases delete or change; init() puts them back.
const char* Rows = R"(
delete from accounts_dep.person where id=50;
delete from cmn_gds_and_srv.gds_and_srv where id=150;
delete from accounts_dep.vid_oper where id=50;
delete from accounts_dep.oper where id=50;
delete from accounts_dep.norm where o_id=50;
insert into accounts_dep.person (id, fio, s_staffpos_hl) values (50, 'Яковлев Я.Я.', 'Сварщик');
insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item)
  values (150, 'ЯК-1', '', 6, 3, 11);
insert into accounts_dep.vid_oper (id, vid) values (50, 'Ячеистая сварка');
insert into accounts_dep.oper (id, vid, naimen, i_id, cena_new) values (50, 50, 0, 150, 0);
insert into accounts_dep.norm (o_id, norma, prize, price) values (50, 10, 0, 7);
)";

enum Row { Worker, Product, Kind, Operation };

QDialog* listOf(int row) {
    switch (row) {
    case Worker:
        return Form5;
    case Product:
        return Form3;
    case Kind:
        return Form8;
    }
    return Form4;
}

QDialog* editorOf(int row) {
    switch (row) {
    case Worker:
        return Form2;
    case Product:
        return Form7;
    case Kind:
        return Form9;
    }
    return Form10;
}

data::Query& queryOf(int row) {
    switch (row) {
    case Worker:
        return DataModule6->Workers;
    case Product:
        return DataModule6->Izdel;
    case Kind:
        return DataModule6->Vid_oper;
    }
    return DataModule6->Oper;
}

// Changes what the editor shows, as the user would, and presses "Записать".
void edit(int row) {
    switch (row) {
    case Worker:
        Form2->Edit1->setText("Яковлев Я.Я. (мастер)");
        return Form2->Button1Click();
    case Product:
        Form7->Edit1->setText("ЯК-2");
        return Form7->Button1Click();
    case Kind:
        Form9->Edit1->setText("Ячеистая сварка 2");
        return Form9->Button1Click();
    }
    Form10->ComboBox1->setCurrentIndex(1);
    Form10->Button1Click();
}

// What the database holds of the row, as the case's editor writes it.
QString stored(int row) {
    switch (row) {
    case Worker:
        return fixture::scalar("select fio from accounts_dep.person where id=50");
    case Product:
        return fixture::scalar("select s_caption from cmn_gds_and_srv.gds_and_srv where id=150");
    case Kind:
        return fixture::scalar("select vid from accounts_dep.vid_oper where id=50");
    }
    return fixture::scalar("select naimen from accounts_dep.oper where id=50");
}
} // namespace

class TwoCopiesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();
    void rowOfAnotherCopy_data();
    void rowOfAnotherCopy();
};

void TwoCopiesTest::initTestCase() {
    fixture::createDatabase(fixture::departmentSql());
    QCOMPARE(fixture::startProgram(), QStringList());
}

void TwoCopiesTest::init() {
    fixture::exec(Rows);
}

void TwoCopiesTest::cleanupTestCase() {
    fixture::endProgram();
}

void TwoCopiesTest::rowOfAnotherCopy_data() {
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("other"); // what the other copy does meanwhile
    QTest::addColumn<bool>("deleted");
    QTest::addColumn<QString>("theirs"); // the row as the other copy left it
    QTest::addColumn<QString>("ours");   // as this copy's second save leaves it
    QTest::addColumn<QString>("field");  // where the re-read list shows the other change
    QTest::addColumn<QString>("shown");
    const struct {
        const char* name;
        Row row;
        const char* deletion;
        const char* change;
        const char* theirs;
        const char* ours;
        const char* field;
        const char* shown;
    } rows[] = {
        {"worker", Worker, "delete from accounts_dep.person where id=50",
         "update accounts_dep.person set fio='Яковлев Я.' where id=50", "Яковлев Я.",
         "Яковлев Я.Я. (мастер)", "fio", "Яковлев Я."},
        {"product", Product, "delete from cmn_gds_and_srv.gds_and_srv where id=150",
         "update cmn_gds_and_srv.gds_and_srv set massa=4 where id=150", "ЯК-1", "ЯК-2", "massa",
         "4"},
        {"kind", Kind, "delete from accounts_dep.vid_oper where id=50",
         "update accounts_dep.vid_oper set vid='Ячеистая' where id=50", "Ячеистая",
         "Ячеистая сварка 2", "vid", "Ячеистая"},
        {"operation", Operation, "delete from accounts_dep.oper where id=50",
         "update accounts_dep.oper set i_id=101 where id=50", "0", "1", "i_id", "101"},
    };
    for (const auto& r : rows) {
        QTest::newRow(qPrintable(QString(r.name) + " deleted"))
            << int(r.row) << QString(r.deletion) << true << QString() << QString() << QString()
            << QString();
        QTest::newRow(qPrintable(QString(r.name) + " changed"))
            << int(r.row) << QString(r.change) << false << QString(r.theirs) << QString(r.ours)
            << QString(r.field) << QString(r.shown);
    }
}

void TwoCopiesTest::rowOfAnotherCopy() {
    QFETCH(int, row);
    QFETCH(QString, other);
    QFETCH(bool, deleted);
    QFETCH(QString, field);
    const refdata::RowKind kinds[] = {refdata::RowKind::Worker, refdata::RowKind::Product,
                                      refdata::RowKind::Kind, refdata::RowKind::Operation};
    const QString told = refdata::refusalText(
        deleted ? refdata::RowWrite::Gone : refdata::RowWrite::Changed, kinds[row]);
    const qint64 id = row == Product ? 150 : 50;
    QDialog* editor = editorOf(row);
    ui::Script s;
    bool firstOpen = false, secondOpen = true;
    QString listed, afterFirst;
    fixture::inBrowse(s, listOf(row), [&] {
        data::Query& list = queryOf(row);
        QVERIFY(list.locate("id", id));
        s.onModal(editor, [&] {
            fixture::exec(other);
            edit(row);
            firstOpen = editor->isVisible();
            afterFirst = stored(row);
            // the list shows the row as the other copy left it, or no more
            const bool there = list.locate("id", id);
            listed = !there ? QStringLiteral("(gone)") : list.asText(field).trimmed();
            if (deleted) {
                editor->close();
                return;
            }
            // saved again on purpose, it goes over the other change
            edit(row);
            secondOpen = editor->isVisible();
        });
        static_cast<refdata::ListWindow*>(listOf(row))->Button2Click();
        listOf(row)->close();
    });
    QCOMPARE(s.texts(), QStringList{told});
    QVERIFY(firstOpen); // with the user's input
    if (deleted) {
        QCOMPARE(listed, QString("(gone)"));
        QCOMPARE(stored(row), QString());
        return;
    }
    QTEST(listed, "shown");
    QTEST(afterFirst, "theirs");
    QVERIFY(!secondOpen);
    QTEST(stored(row), "ours");
}

QTEST_MAIN(TwoCopiesTest)
#include "tst_two_copies.moc"
