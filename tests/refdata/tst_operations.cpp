// The operations list, the operation editor and the operations export.
#include "../reports/xlsx_file.h"
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "refdata/kinds_list.h"
#include "refdata/norms_window.h"
#include "refdata/operation_editor.h"
#include "refdata/operations_list.h"
#include "refdata/products_list.h"
#include "reports/excel.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char* Department = R"(
-- the household works' operations are not needed here
DELETE FROM accounts_dep.norm WHERE o_id IN (7777, 7778);
DELETE FROM accounts_dep.oper WHERE id IN (7777, 7778);
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption) VALUES
 (11, 1, 2, NULL, 'СТ', 'Стеллажи'), (12, 1, 2, NULL, 'ШК', 'Шкафы');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
 (101, 'СТ-150', '', 6, 1.5, 11), (102, 'ШК-215', '', 6, 2, 12), (103, 'ПР-300', '', 6, 1, 11),
 (3000000000, 'БГ-1', '', 6, 1, 11);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка'), (2, 'Покраска'), (3, 'Резка');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES
 (1, 1, 0, 101, 0), (2, 2, 1, 102, 0), (3, 3, 0, 103, 0), (4, 1, 1, 101, 3.5);
SELECT setval('accounts_dep.oper_id_seq', 100) \g /dev/null
INSERT INTO accounts_dep.norm (o_id, norma, prize, price) VALUES
 (1, 10, 0, 12.5), (1, 20, 5, 10), (2, 10, 0, 20), (4, 10, 0, 7);
)";

using fixture::column;
using fixture::inBrowse;
} // namespace

class OperationsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void browse();
    void pick();
    void namesTakeSpareWidth();
    void search_data();
    void search();
    void save_data();
    void save();
    void newOperationThroughPickers();
    void deleteOperation();
    void exportAll();
    void exportWithoutFolder();
};

void OperationsTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void OperationsTest::browse() {
    ui::Script s;
    bool seen = false;
    inBrowse(s, Form4, [&] {
        seen = true;
        QCOMPARE(Form4->windowTitle(), QStringLiteral("Операции"));
        QStringList titles;
        for (int i = 0; i < Form4->DBGrid1->columnCount(); ++i)
            if (!Form4->DBGrid1->isColumnHidden(i)) titles << Form4->DBGrid1->column(i).title;
        QCOMPARE(titles, (QStringList{"Марка", "Опреция", "Цена (min)", "Вид", "Нормы (шт.)"}));
        // an operation without norm rows is not listed
        QCOMPARE(column(Form4->DBGrid1, "id"), (QStringList{"1", "4", "2"}));
        QCOMPARE(column(Form4->DBGrid1, "cena"), (QStringList{"10", "7", "20"}));
        QCOMPARE(column(Form4->DBGrid1, "norma"), (QStringList{"2", "1", "1"}));
        QCOMPARE(column(Form4->DBGrid1, "nmn"),
                 (QStringList{"Готовая продукция", "Заготовки", "Заготовки"}));
    });
    QVERIFY(seen);
    QVERIFY(!DataModule6->Oper.active());
}

void OperationsTest::namesTakeSpareWidth() {
    ui::Script s;
    inBrowse(s, Form4, [&] {
        ui::DBGrid* g = Form4->DBGrid1;
        auto base = [g](const char* field) { return g->column(g->columnOf(field)).width; };
        // the list is wider than its columns: the mark and the kind take what is left over
        QTRY_VERIFY(g->shownWidth("marka") > base("marka"));
        QVERIFY(g->shownWidth("vid") > base("vid"));
        int shown = 0;
        for (const char* f : {"marka", "vid", "cena", "nmn", "norma"})
            shown += g->shownWidth(f);
        QCOMPARE(shown, g->viewport()->width());
        QCOMPARE(g->shownWidth("norma"), base("norma")); // the last column keeps its width
    });
}

void OperationsTest::pick() {
    // the pick hands back the operation chosen, its lowest norm price unadjusted: the
    // record editor prices it for its day and shift
    ui::Script s;
    s.onModal(Form4, [&] {
        QCOMPARE(Form4->Button2->text(), QStringLiteral("Выбрать"));
        QVERIFY(Form4->Edit1->isVisible());
        QCOMPARE(DataModule6->Oper.asInt("id"), 4); // placed on the record's operation
        QVERIFY(DataModule6->Oper.locate("id", 1));
        // in pick mode a double-click picks, "Цены" or not
        Form4->CheckBox1->setChecked(true);
        Form4->DBGrid1DblClick();
        QVERIFY(!Form4->isVisible());
    });
    const auto picked = Form4->ShowPick(4);
    Form4->CheckBox1->setChecked(false);
    QVERIFY(picked);
    QCOMPARE(picked->id, 1);
    QCOMPARE(picked->product, 101);
    QCOMPARE(picked->stage, 0);
    QCOMPARE(picked->price, 10.0);
    QCOMPARE(picked->text, QStringLiteral("СТ-150; Сварка; Готовая продукция"));
    QVERIFY(!Form4->Edit1->isVisible()); // hidden again after a pick
    QVERIFY(!DataModule6->Oper.filtered());

    // found through the search, not on the list's first row: the price is still its own
    s.onModal(Form4, [] {
        Form4->Edit1->setText("ШК");
        Form4->Button2Click();
    });
    const auto searched = Form4->ShowPick(0);
    QVERIFY(searched);
    QCOMPARE(searched->id, 2);
    QCOMPARE(searched->price, 20.0);

    // "Выбрать" over a list the search has emptied hands nothing back
    s.onModal(Form4, [] {
        Form4->Edit1->setText("Ф");
        QVERIFY(DataModule6->Oper.isEmpty());
        Form4->Button2Click();
    });
    QVERIFY(!Form4->ShowPick(0));
}

void OperationsTest::search_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("ids");
    QTest::newRow("anywhere in the mark") << "15" << QStringList{"1", "4", "2"};
    QTest::newRow("letter case ignored") << "ст-" << QStringList{"1", "4"};
    QTest::newRow("blanks only show all") << "  " << QStringList{"1", "4", "2"};
    QTest::newRow("nothing") << "Ф" << QStringList();
    QTest::newRow("apostrophe") << "'" << QStringList();
}

void OperationsTest::search() {
    QFETCH(QString, typed);
    QFETCH(QStringList, ids);
    Form4->Edit1->setVisible(true);
    ui::Script s;
    inBrowse(s, Form4, [&] {
        Form4->Edit1->setText(typed);
        QCOMPARE(column(Form4->DBGrid1, "id"), ids);
        Form4->Edit1->clear();
        QCOMPARE(column(Form4->DBGrid1, "id").size(), 3);
    });
    QCOMPARE(s.texts(), QStringList());
}

void OperationsTest::save_data() {
    QTest::addColumn<int>("changing"); // operation id, 0 for a new one
    QTest::addColumn<qlonglong>("product");
    QTest::addColumn<int>("kind");
    QTest::addColumn<int>("stage");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("row"); // vid|naimen|i_id|norm rows|lowest price; "" if refused
    const QString missing = QStringLiteral("Все поля должны быть заполнены!");
    const QString duplicate = QStringLiteral("Операция с такими параметрами уже заведена!");
    QTest::newRow("no product") << 0 << 0LL << 1 << 0 << "5" << missing << "";
    QTest::newRow("no price") << 0 << 102LL << 1 << 0 << " " << missing << "";
    QTest::newRow("price not a number")
        << 0 << 102LL << 1 << 0 << "abc" << QStringLiteral("Цена должна быть числом!") << "";
    QTest::newRow("price beyond a double")
        << 0 << 102LL << 1 << 0 << (QStringLiteral("1") + QString(400, u'0'))
        << QStringLiteral("В поле «Цена» слишком длинное число!") << "";
    // goods' keys run past 32 bits; an operation keeps its product in an integer column
    QTest::newRow("product key past 32 bits")
        << 0 << 3000000000LL << 1 << 0 << "5"
        << QStringLiteral("Изделие «БГ-1» нельзя выбрать для операции: его ключ 3000000000 не "
                          "помещается в таблицу операций.")
        << "";
    QTest::newRow("same kind, stage and product") << 0 << 101LL << 1 << 0 << "5" << duplicate << "";
    QTest::newRow("new, with its first norm") << 0 << 102LL << 1 << 0 << "12,5"
                                              << ""
                                              << "1|0|102|1|12.5";
    QTest::newRow("other stage of the same") << 0 << 102LL << 1 << 1 << "8"
                                             << ""
                                             << "1|1|102|1|8";
    QTest::newRow("third of the same") << 0 << 102LL << 1 << 1 << "9" << duplicate << "";
    QTest::newRow("change, nothing changed") << 2 << 102LL << 2 << 1 << ""
                                             << ""
                                             << "2|1|102|1|20";
    QTest::newRow("change onto another") << 4 << 101LL << 1 << 0 << "" << duplicate << "";
    QTest::newRow("change, norms kept") << 1 << 103LL << 3 << 1 << ""
                                        << ""
                                        << "3|1|103|2|10";
}

void OperationsTest::save() {
    QFETCH(int, changing);
    QFETCH(qlonglong, product);
    QFETCH(int, kind);
    QFETCH(int, stage);
    QFETCH(QString, price);
    QFETCH(QString, message);
    QFETCH(QString, row);
    const QString all = "select string_agg(concat_ws('|', id, vid, naimen, i_id), ';' order by id) "
                        "from accounts_dep.oper";
    const QString before = fixture::scalar(all);
    const QString norms = fixture::scalar("select count(*) from accounts_dep.norm");
    ui::Script s;
    int id = changing;
    inBrowse(s, Form4, [&] {
        s.onModal(Form10, [&] {
            QCOMPARE(Form10->Edit3->isVisible(), changing == 0);
            Form10->Edit1->setText(
                product ? fixture::scalar("select marka from accounts_dep.izdel where id=" +
                                          QString::number(product))
                        : QString());
            Form10->ProductId = product;
            Form10->Edit2->setText(QStringLiteral("вид"));
            Form10->KindId = kind;
            Form10->ComboBox1->setCurrentIndex(stage);
            Form10->Edit3->setText(price);
            Form10->Button1Click();
            QCOMPARE(Form10->isVisible(), !message.isEmpty());
        });
        if (changing) {
            QVERIFY(DataModule6->Oper.locate("id", changing));
            Form4->Button2Click();
        } else {
            Form4->Button1Click();
            if (message.isEmpty()) {
                id = fixture::scalar("select max(id) from accounts_dep.oper").toInt();
                // listed at once, with its price and one norm row
                QVERIFY(DataModule6->Oper.locate("id", id));
                QCOMPARE(DataModule6->Oper.asText("norma"), QStringLiteral("1"));
            }
        }
    });
    QCOMPARE(s.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (row.isEmpty()) {
        QCOMPARE(fixture::scalar(all), before);
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm"), norms);
        return;
    }
    const QString key = QString::number(id);
    QCOMPARE(fixture::scalar(
                 "select concat_ws('|', vid, naimen, i_id, (select count(*) from accounts_dep.norm "
                 "where o_id=o.id), (select min(price) from accounts_dep.norm where o_id=o.id)) "
                 "from accounts_dep.oper o where id=" +
                 key),
             row);
}

void OperationsTest::newOperationThroughPickers() {
    ui::Script s;
    inBrowse(s, Form4, [&] {
        s.onModal(Form10, [&] {
            QCOMPARE(Form10->windowTitle(), QStringLiteral("Заведение новой цены за операцию"));
            QCOMPARE(Form10->Edit1->text(), QString());
            QCOMPARE(Form10->ComboBox1->currentIndex(), 0);
            QVERIFY(Form10->Edit3->isVisible());
            QCOMPARE(Form10->Label4->text(), QStringLiteral("Цена"));
            s.onModal(Form3, [&] {
                QVERIFY(DataModule6->Izdel.locate("id", 103));
                Form3->Button2Click();
            });
            Form10->Button3Click();
            s.onModal(Form8, [&] {
                QVERIFY(DataModule6->Vid_oper.locate("id", 2));
                Form8->Button2Click();
            });
            Form10->Button4Click();
            QCOMPARE(Form10->Edit1->text(), QStringLiteral("ПР-300"));
            QCOMPARE(Form10->Edit2->text(), QStringLiteral("Покраска"));
            Form10->Edit3->setText(QStringLiteral("44.5"));
            Form10->Button1Click();
        });
        Form4->Button1Click();
        QVERIFY(DataModule6->Oper.locate("marka", QStringLiteral("ПР-300")));
        QCOMPARE(DataModule6->Oper.asText("vid"), QStringLiteral("Покраска"));
        QCOMPARE(DataModule6->Oper.asText("cena"), QStringLiteral("44.5"));
        // its norms open from the list straight away
        Form4->CheckBox1->setChecked(true);
        bool norms = false;
        s.onModal(Form22, [&] { norms = true; });
        Form4->DBGrid1DblClick();
        QVERIFY(norms);
        Form4->CheckBox1->setChecked(false);
    });
    QCOMPARE(s.texts(), QStringList());
}

void OperationsTest::deleteOperation() {
    fixture::exec(
        "INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, ok) "
        "VALUES (current_date, 1, 1, 102, 2, 20, 1, 0, 'no');");
    ui::Script s;
    s.answer(false);
    s.answer(true);
    inBrowse(s, Form4, [&] {
        QVERIFY(DataModule6->Oper.locate("id", 2));
        Form4->Button3Click();
        QVERIFY(DataModule6->Oper.locate("id", 2));
        Form4->Button3Click();
        QVERIFY(!DataModule6->Oper.locate("id", 2));
    });
    QCOMPARE(s.texts(), (QStringList{"Удалить операцию?", "Удалить операцию?"}));
    QCOMPARE(s.messages().first().caption, QStringLiteral("Удаление"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.oper where id=2"),
             QStringLiteral("0"));
    // its norm rows and shift records stay
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.norm where o_id=2"),
             QStringLiteral("1"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.smena where o_id=2"),
             QStringLiteral("1"));
}

void OperationsTest::exportAll() {
    QTemporaryDir dir;
    QStringList opened;
    reports::setExportFolder(dir.path());
    reports::setFileOpener([&](const QString& path) {
        opened << path;
        return true;
    });
    ui::Script s;
    inBrowse(s, Form4, [&] {
        Form4->Edit1->setText(QStringLiteral("ШК")); // the export ignores the search
        Form4->Button5Click();
        Form4->Edit1->clear();
    });
    reports::setExportFolder(QString());
    reports::setFileOpener({});
    QCOMPARE(s.texts(), QStringList());
    QVERIFY(!Form4->XLS_Rep->active());
    QCOMPARE(opened.size(), 1);
    QVERIFY2(QFileInfo(opened.first()).fileName().startsWith(QStringLiteral("Операции ")),
             qPrintable(opened.first()));

    const xlsx::Sheet sheet = xlsx::read(opened.first());
    QCOMPARE(sheet.row(1), (QStringList{"Марка", "Операция", "Цена", "Вид"}));
    // every operation whose product and kind exist, with or without norm rows
    const QStringList expected =
        fixture::scalar(
            "select string_agg(concat_ws('|', izdel.marka, vid_oper.vid, "
            "coalesce(oper.cena_new, 0), "
            "case oper.naimen when 0 then 'Готовая продукция' else 'Заготовки' end), ';' "
            "order by izdel.marka, vid_oper.vid, oper.naimen) from accounts_dep.oper, "
            "accounts_dep.izdel, accounts_dep.vid_oper where oper.i_id=izdel.id and "
            "oper.vid=vid_oper.id")
            .split(u';');
    QVERIFY(expected.size() >= 4);
    QVERIFY(expected.contains(QStringLiteral("ПР-300|Резка|0|Готовая продукция"))); // no norm rows
    QCOMPARE(sheet.rows(), expected.size() + 1);
    for (int r = 0; r < expected.size(); ++r) {
        QCOMPARE(sheet.row(r + 2).join(u'|'), expected[r]);
        QVERIFY(sheet.cells.value(QStringLiteral("C%1").arg(r + 2)).number);
    }
}

void OperationsTest::exportWithoutFolder() {
    QTemporaryDir dir;
    QFile plain(dir.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    reports::setExportFolder(plain.fileName() + QStringLiteral("/Табель"));
    bool opened = false;
    reports::setFileOpener([&](const QString&) { return opened = true; });
    ui::Script s;
    inBrowse(s, Form4, [&] { Form4->Button5Click(); });
    reports::setExportFolder(QString());
    reports::setFileOpener({});
    QCOMPARE(s.texts(), (QStringList{"Невозможно открыть Microsoft Excel.\n«" +
                                         QDir::toNativeSeparators(plain.fileName()) +
                                         "» — это файл, а не папка.",
                                     "Ошибка открытия файла Microsoft Excel."}));
    QVERIFY(!opened);
    QVERIFY(!Form4->XLS_Rep->active());
    QVERIFY(QApplication::overrideCursor() == nullptr);
}

QTEST_MAIN(OperationsTest)
#include "tst_operations.moc"
