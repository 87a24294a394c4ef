// The norms window: editing an operation's norm rows in the grid.
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "refdata/norms_window.h"
#include "refdata/operations_list.h"
#include "refdata/reference_writes.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QCheckBox>
#include <QPushButton>
#include <QtTest>

namespace {
const char* Department = R"(
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption) VALUES
 (11, 1, 2, NULL, 'СТ', 'Стеллажи');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
 (101, 'СТ-100', '', 6, 1.5, 11), (102, 'СТ-200', '', 6, 1, 11);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES
 (1, 1, 0, 101, 0), (2, 1, 0, 102, 0), (3, 1, 1, 102, 0);
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES
 (1, 20, 5, 10), (1, 10, 0, 12.5), (2, 10, 0, 20), (3, 30, 0, 3), (3, 10, 0, 4);
)";

enum { Norma, Price, Prize };

// The operation's norm rows in the database: norma/price/prize by norma.
QString norms(int oper) {
    return fixture::scalar(
        QStringLiteral("select string_agg(concat_ws('/', coalesce(norma::text, '-'), "
                       "coalesce(price::text, '-'), coalesce(prize::text, '-')), ' ' "
                       "order by norma nulls last, price) from accounts_dep.norm where o_id=%1")
            .arg(oper));
}

// Types a cell as the grid's editor hands it over.
void typeCell(int row, int column, const QString& text) {
    QAbstractItemModel* m = Form22->DBGrid1->model();
    m->setData(m->index(row, column), text, Qt::EditRole);
}

void newRow() {
    Form22->DBGrid1->selectRow(Form22->norm->recordCount() - 1);
    QTest::keyClick(Form22->DBGrid1, Qt::Key_Down);
}

// Opens the norms of an operation from the operations list, runs action in the window and
// returns to the list, which runs after (in the list, once the norms are closed).
void withNorms(ui::Script& s, int oper, const std::function<void()>& action,
               const std::function<void()>& after = {}) {
    s.onModal(Form4, [&] {
        QVERIFY(DataModule6->Oper.locate("id", oper));
        Form4->CheckBox1->setChecked(true);
        s.onModal(Form22, action);
        Form4->DBGrid1DblClick();
        Form4->CheckBox1->setChecked(false);
        if (after) after();
    });
    Form1->N4Click();
}
using fixture::column;
} // namespace

class NormsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void rowsInOrder();
    void newRowSavedWithoutLeavingIt();
    void newRowStoredByMoving();
    void emptyNewRowDropped();
    void typingStaysInTheNewRow_data();
    void typingStaysInTheNewRow();
    void columnExitStores();
    void notANumberRefused_data();
    void notANumberRefused();
    void closeButtonStores();
    void rowOfAnotherCopy_data();
    void rowOfAnotherCopy();
    void deleteKeepsOneRow_data();
    void deleteKeepsOneRow();
};

void NormsTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void NormsTest::rowsInOrder() {
    ui::Script s;
    bool seen = false;
    withNorms(s, 1, [&] {
        seen = true;
        QCOMPARE(Form22->windowTitle(), QStringLiteral("Норматив"));
        QCOMPARE(column(Form22->DBGrid1, "norma"), (QStringList{"10", "20"}));
        QCOMPARE(column(Form22->DBGrid1, "price"), (QStringList{"12.50", "10.00"}));
        QCOMPARE(column(Form22->DBGrid1, "prize"), (QStringList{"0", "5"}));
        Form22->Button1Click();
    });
    QVERIFY(seen);
    QCOMPARE(s.texts(), QStringList());
}

void NormsTest::newRowSavedWithoutLeavingIt() {
    ui::Script s;
    withNorms(
        s, 1,
        [&] {
            newRow();
            QCOMPARE(Form22->norm->state(), data::Query::State::Insert);
            QCOMPARE(Form22->norm->recordCount(), 3);
            typeCell(2, Norma, QStringLiteral("30"));
            typeCell(2, Price, QStringLiteral("11"));
            Form22->Button1Click();
            QVERIFY(!Form22->isVisible());
        },
        [&] {
            // the list shows the new lowest price and norm count at once
            QCOMPARE(DataModule6->Oper.asInt("id"), 1);
            QCOMPARE(DataModule6->Oper.asText("cena"), QStringLiteral("10"));
            QCOMPARE(DataModule6->Oper.asText("norma"), QStringLiteral("3"));
        });
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(norms(1), QStringLiteral("10/12.5/0 20/10/5 30/11/-"));
    // shown again the next time the operation's norms are opened
    withNorms(s, 1, [&] {
        QCOMPARE(column(Form22->DBGrid1, "norma"), (QStringList{"10", "20", "30"}));
        Form22->Button1Click();
    });
    fixture::exec("delete from accounts_dep.norm where o_id=1 and norma=30");
}

void NormsTest::newRowStoredByMoving() {
    ui::Script s;
    withNorms(
        s, 2,
        [&] {
            newRow();
            typeCell(1, Price, QStringLiteral("7,5"));
            QTest::keyClick(Form22->DBGrid1, Qt::Key_Up); // moving away stores the row
            QCOMPARE(Form22->norm->state(), data::Query::State::Browse);
            QCOMPARE(norms(2), QStringLiteral("10/20/0 -/7.5/-"));
            Form22->Button1Click();
        },
        [&] { QCOMPARE(DataModule6->Oper.asText("cena"), QStringLiteral("7.5")); });
    QCOMPARE(s.texts(), QStringList());
    fixture::exec("delete from accounts_dep.norm where o_id=2 and norma is null");
}

void NormsTest::emptyNewRowDropped() {
    const QString before = fixture::scalar("select count(*) from accounts_dep.norm");
    ui::Script s;
    withNorms(s, 2, [&] {
        newRow();
        QTest::keyClick(Form22->DBGrid1, Qt::Key_Down); // no second new row below an empty one
        QCOMPARE(Form22->norm->recordCount(), 2);
        QTest::keyClick(Form22->DBGrid1, Qt::Key_Up); // leaving it drops it
        QCOMPARE(Form22->norm->recordCount(), 1);
        newRow();
        Form22->Button1Click();
    });
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm"), before);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm where o_id is null"),
             QStringLiteral("0"));
}

void NormsTest::typingStaysInTheNewRow_data() {
    QTest::addColumn<QList<int>>("keys"); // pressed in the new row before typing
    QTest::addColumn<QString>("stored");  // the operation's norm rows afterwards
    QTest::newRow("Home") << QList<int>{Qt::Key_Home} << "10/20/0 55/-/-";
    QTest::newRow("End, then Home") << QList<int>{Qt::Key_End, Qt::Key_Home} << "10/20/0 55/-/-";
    QTest::newRow("Left") << QList<int>{Qt::Key_Right, Qt::Key_Left} << "10/20/0 55/-/-";
}

void NormsTest::typingStaysInTheNewRow() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, stored);
    ui::Script s;
    withNorms(s, 2, [&] {
        ui::DBGrid* g = Form22->DBGrid1;
        g->setFocus();
        g->setCurrentIndex(g->model()->index(0, Norma));
        QTest::keyClick(g, Qt::Key_Down); // begins a new row below the last
        QCOMPARE(Form22->norm->state(), data::Query::State::Insert);
        for (int key : keys)
            QTest::keyClick(g, Qt::Key(key));
        QCOMPARE(Form22->norm->state(), data::Query::State::Insert);
        QCOMPARE(g->currentIndex().row(), 1); // the row the user sees as current
        QTest::keyClick(g, '5');              // a typed key opens the cell's editor with it
        QWidget* editor = g->indexWidget(g->currentIndex());
        QVERIFY(editor);
        QTest::keyClick(editor, '5');
        QTest::keyClick(editor, Qt::Key_Return);
        Form22->Button1Click();
    });
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(norms(2), stored);
    fixture::exec("delete from accounts_dep.norm where o_id=2 and norma<>10;"
                  "update accounts_dep.norm set norma=10, price=20, prize=0 where o_id=2");
}

void NormsTest::columnExitStores() {
    ui::Script s;
    withNorms(s, 3, [&] {
        typeCell(0, Prize, QStringLiteral("15"));
        Form22->DBGrid1ColExit();
        QCOMPARE(norms(3), QStringLiteral("10/4/15 30/3/0"));
        // a new row stored by leaving a column belongs to the operation too
        newRow();
        typeCell(2, Norma, QStringLiteral("40"));
        Form22->DBGrid1ColExit();
        QCOMPARE(norms(3), QStringLiteral("10/4/15 30/3/0 40/-/-"));
        typeCell(2, Price, QStringLiteral("2.25"));
        Form22->DBGrid1ColExit();
        Form22->Button1Click();
    });
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(norms(3), QStringLiteral("10/4/15 30/3/0 40/2.25/-"));
    fixture::exec("delete from accounts_dep.norm where o_id=3 and norma=40;"
                  "update accounts_dep.norm set prize=0 where o_id=3");
}

void NormsTest::notANumberRefused_data() {
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("price") << int(Price) << "abc"
                           << "В столбце «Цена» должно быть число, а введено «abc».";
    QTest::newRow("norm with decimals")
        << int(Norma) << "10.5"
        << "В столбце «Норматив» должно быть целое число, а введено «10.5».";
    QTest::newRow("prize") << int(Prize) << "5%"
                           << "В столбце «Премия, %» должно быть целое число, а введено «5%».";
    const QString price = "Цена: нужно число от 0 до 1 000 000 р. за штуку.";
    QTest::newRow("price past what the column holds sensibly")
        << int(Price) << "99999999999999999999" << price;
    QTest::newRow("price above a million") << int(Price) << "1000000.01" << price;
    QTest::newRow("negative price") << int(Price) << "-5" << price;
    QTest::newRow("norm past the column's range")
        << int(Norma) << "99999999999"
        << "В столбце «Норматив» число должно быть от -2147483648 до 2147483647, а введено "
           "«99999999999».";
}

void NormsTest::notANumberRefused() {
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    const QString before = norms(1);
    ui::Script s;
    withNorms(s, 1, [&] {
        typeCell(0, column, typed);
        QVERIFY(!Form22->norm->modified());
        Form22->Button1Click();
    });
    QCOMPARE(s.texts(), QStringList{message});
    QCOMPARE(s.messages().first().caption, QStringLiteral("Ошибка"));
    QCOMPARE(norms(1), before);
}

void NormsTest::closeButtonStores() {
    ui::Script s;
    withNorms(
        s, 2,
        [&] {
            typeCell(0, Price, QStringLiteral("21"));
            Form22->close(); // the title bar's close button
            QVERIFY(!Form22->isVisible());
        },
        [&] { QCOMPARE(DataModule6->Oper.asText("cena"), QStringLiteral("21")); });
    QCOMPARE(norms(2), QStringLiteral("10/21/0"));
    fixture::exec("update accounts_dep.norm set price=20 where o_id=2");
}

void NormsTest::rowOfAnotherCopy_data() {
    // another copy deletes or changes a norm row while this copy shows it in the grid
    QTest::addColumn<QString>("other");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("after");
    QTest::newRow("deleted") << "delete from accounts_dep.norm where o_id=1 and norma=10"
                             << int(Price)
                             << refdata::refusalText(refdata::RowWrite::Gone,
                                                     refdata::RowKind::Norm)
                             << "20/10/5";
    QTest::newRow("changed") << "update accounts_dep.norm set price=11 where o_id=1 and norma=10"
                             << int(Prize)
                             << refdata::refusalText(refdata::RowWrite::Changed,
                                                     refdata::RowKind::Norm)
                             << "10/11/0 20/10/5";
}

void NormsTest::rowOfAnotherCopy() {
    QFETCH(QString, other);
    QFETCH(int, column);
    QFETCH(QString, after);
    ui::Script s;
    withNorms(s, 1, [&] {
        fixture::exec(other); // on another connection
        typeCell(0, column, QStringLiteral("15"));
        Form22->DBGrid1ColExit();
        // nothing written over it; the grid shows the rows as they now are
        QCOMPARE(norms(1), after);
        QCOMPARE(Form22->norm->recordCount(), int(after.count(u' ') + 1));
        QVERIFY(!Form22->norm->modified());
        Form22->Button1Click();
    });
    QTEST(s.texts().join(u'|'), "message");
    QCOMPARE(norms(1), after);
    fixture::exec("delete from accounts_dep.norm where o_id=1; insert into accounts_dep.norm "
                  "(o_id, norma, prize, price) values (1, 20, 5, 10), (1, 10, 0, 12.5)");
}

void NormsTest::deleteKeepsOneRow_data() {
    QTest::addColumn<int>("oper");
    QTest::addColumn<QString>("left");
    QTest::newRow("one of two") << 3 << "30/3/0";
    QTest::newRow("the only row stays") << 2 << "10/20/0";
}

void NormsTest::deleteKeepsOneRow() {
    QFETCH(int, oper);
    QFETCH(QString, left);
    ui::Script s;
    withNorms(s, oper, [&] {
        Form22->DBGrid1->selectRow(0);
        Form22->Button2Click();
        QCOMPARE(Form22->norm->recordCount(), 1);
        Form22->Button2Click(); // never below one row
        QCOMPARE(Form22->norm->recordCount(), 1);
        Form22->Button1Click();
    });
    QCOMPARE(s.texts(), QStringList()); // no question is asked
    QCOMPARE(norms(oper), left);
}

QTEST_MAIN(NormsTest)
#include "tst_norms.moc"
