// The products list, the product editor and the class picker.
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "refdata/class_picker.h"
#include "refdata/operation_editor.h"
#include "refdata/product_editor.h"
#include "refdata/products_list.h"
#include "timesheet/closed_months.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"
#include "windows.h"

#include "data/changes.h"
#include "other_copy.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QPushButton>
#include <QtTest>

namespace {
const char* Department = R"(
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption) VALUES
 (10, 1, 1, NULL, 'МК', 'Металлоконструкции'),
 (11, 1, 2, 10, 'СТ', 'Стеллажи'),
 (12, 1, 2, 10, 'ШК', 'Шкафы'),
 (13, 1, 3, 11, 'ПЛ', 'Полки');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
 (101, 'СТ-100', '', 6, 1.5, 11), (102, 'ШК-200', '', 6, 2, 12), (103, 'ст-150', '', 6, 3, 11),
 (104, 'О''Кей-5', '', 6, 1, 12);
SELECT setval('cmn_gds_and_srv.gds_and_srv_id_seq', 1000) \g /dev/null
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка');
)";

QStringList marks(const QString& where) {
    return fixture::scalar(
               "select string_agg(marka, '|' order by marka) from accounts_dep.izdel where " +
               where)
        .split(u'|', Qt::SkipEmptyParts);
}

using fixture::column;
using fixture::inBrowse;
using fixture::type;
} // namespace

class ProductsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void browseAndPick();
    void search_data();
    void search();
    void save_data();
    void save();
    void rateWrittenAsANumber();
    void classShownAndKept();
    void unusualProducts();
    void rateKeys();
    void deletion_data();
    void deletion();
    void deletionKeepsTimesheet_data();
    void deletionKeepsTimesheet();
    void classPicker();
};

void ProductsTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void ProductsTest::browseAndPick() {
    ui::Script s;
    bool seen = false;
    inBrowse(s, Form3, [&] {
        seen = true;
        QCOMPARE(Form3->windowTitle(), QStringLiteral("Изделия (3)"));
        QVERIFY(Form3->Edit1->isVisible()); // until the first pick
        QCOMPARE(Form3->Button2->text(), QStringLiteral("Изменить"));
        QCOMPARE(column(Form3->DBGrid1, "marka"), marks("true"));
    });
    QVERIFY(seen);
    QVERIFY(!DataModule6->Izdel.active());

    // the operation editor's "..." picks a product
    s.onModal(Form3, [&] {
        QCOMPARE(Form3->Button2->text(), QStringLiteral("Выбрать"));
        QVERIFY(!Form3->Button1->isVisible() && !Form3->Button3->isVisible());
        QVERIFY(Form3->Button2->isDefault());
        Form3->Edit1->setText(QStringLiteral("шк"));
        QCOMPARE(column(Form3->DBGrid1, "marka"), QStringList{"ШК-200"});
        Form3->Button2Click();
    });
    Form10->Button3Click();
    QCOMPARE(Form10->Edit1->text(), QStringLiteral("ШК-200"));
    QCOMPARE(Form10->ProductId, 102);
    QVERIFY(!DataModule6->Izdel.active());

    // an empty list hands over an empty mark and no key
    s.onModal(Form3, [&] {
        QCOMPARE(Form3->Edit1->text(), QString());
        Form3->Edit1->setText(QStringLiteral("Щ"));
        Form3->Button2Click();
    });
    Form10->Button3Click();
    QCOMPARE(Form10->Edit1->text(), QString());
    QCOMPARE(Form10->ProductId, 0);

    // once used for a pick, the list opens from the menu without its search box
    seen = false;
    inBrowse(s, Form3, [&] {
        seen = true;
        QVERIFY(!Form3->Edit1->isVisible());
        QVERIFY(Form3->Button1->isVisible() && Form3->Button3->isVisible());
        QCOMPARE(Form3->Button2->text(), QStringLiteral("Изменить"));
        QCOMPARE(column(Form3->DBGrid1, "marka").size(), marks("true").size());
    });
    QVERIFY(seen);
    QCOMPARE(s.texts(), QStringList());
    Form3->Edit1->setVisible(true);
}

void ProductsTest::search_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("letter case ignored") << "сТ" << marks("marka in ('СТ-100', 'ст-150')");
    QTest::newRow("beginning only") << "100" << QStringList();
    QTest::newRow("apostrophe") << "о'к" << QStringList{"О'Кей-5"};
    QTest::newRow("empty shows all") << "" << marks("true");
}

void ProductsTest::search() {
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    ui::Script s;
    inBrowse(s, Form3, [&] {
        Form3->Edit1->setText(typed);
        QCOMPARE(column(Form3->DBGrid1, "marka"), expected);
        // Up and Down move the list; other keys edit the box as usual
        QTest::keyClick(Form3->Edit1, Qt::Key_Down);
        QCOMPARE(DataModule6->Izdel.recNo(), qMin(2, expected.size()));
        QTest::keyClick(Form3->Edit1, Qt::Key_Up);
        QCOMPARE(DataModule6->Izdel.recNo(), qMin(1, expected.size()));
        Form3->Edit1->clear();
    });
    QCOMPARE(s.texts(), QStringList());
}

void ProductsTest::save_data() {
    QTest::addColumn<int>("changing"); // product id, 0 for a new product
    QTest::addColumn<QString>("mark");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<int>("classId"); // 0: none chosen
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("row"); // the stored good, "" when nothing is written
    const QString missing = QStringLiteral("Все поля должны быть заполнены!");
    const QString duplicate = QStringLiteral("Такая марка изделия уже заведена!");
    QTest::newRow("no mark") << 0 << "  "
                             << "2" << 11 << missing << "";
    QTest::newRow("no rate") << 0 << "РМ-1"
                             << "" << 11 << missing << "";
    QTest::newRow("no class") << 0 << "РМ-1"
                              << "2" << 0 << missing << "";
    QTest::newRow("rate not a number") << 0 << "РМ-1"
                                       << "1.2.3" << 11 << "Расценка должна быть числом!"
                                       << "";
    QTest::newRow("mark differs in case only") << 0 << "сТ-100"
                                               << "2" << 11 << duplicate << "";
    QTest::newRow("new with apostrophe") << 0 << " Д'Арк-7 "
                                         << "2.5" << 12 << ""
                                         << "Д'Арк-7||6|2.5|12";
    QTest::newRow("change, mark kept") << 101 << "СТ-100"
                                       << "1.75" << 12 << ""
                                       << "СТ-100||6|1.75|12";
    QTest::newRow("change to another's mark") << 101 << "шк-200"
                                              << "2" << 11 << duplicate << "";
    // the rate goes into the statement as a number, never as the typed text
    QTest::newRow("rate with a comma") << 0 << "РМ-2"
                                       << "12,5" << 11 << ""
                                       << "РМ-2||6|12.5|11";
    QTest::newRow("rate with blanks") << 0 << "РМ-3"
                                      << " 7 " << 11 << ""
                                      << "РМ-3||6|7|11";
    QTest::newRow("rate infinite") << 0 << "РМ-4"
                                   << "inf" << 11 << "Расценка должна быть числом!"
                                   << "";
    QTest::newRow("rate with a statement") << 101 << "СТ-100"
                                           << "5)--" << 11 << "Расценка должна быть числом!"
                                           << "";
    QTest::newRow("rate of more digits than kept")
        << 0 << "РМ-5"
        << "1234567890.1234567" << 11 << "В поле «Расценка» слишком длинное число!"
        << "";
    QTest::newRow("mark too long") << 0 << QString(255, u'М') << "2" << 11
                                   << "Поле «Марка» не может быть длиннее 254 символов, а "
                                      "введено 255."
                                   << "";
}

void ProductsTest::rateWrittenAsANumber() {
    // whatever separator the database names, the statement carries the rate as SQL reads it
    const QString delim = DataModule6->DbDelim;
    DataModule6->DbDelim = QStringLiteral(",");
    ui::Script s;
    inBrowse(s, Form3, [&] {
        s.onModal(Form7, [&] {
            Form7->Edit2->setText(QStringLiteral("3,25"));
            Form7->Button1Click();
            QVERIFY(!Form7->isVisible());
        });
        QVERIFY(DataModule6->Izdel.locate("id", 102));
        Form3->Button2Click();
    });
    DataModule6->DbDelim = delim;
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(fixture::scalar("select massa from cmn_gds_and_srv.gds_and_srv where id=102"),
             QStringLiteral("3.25"));
    fixture::exec("update cmn_gds_and_srv.gds_and_srv set massa=2 where id=102");
}

void ProductsTest::unusualProducts() {
    // keys of the resource-planning system run past 32 bits; classes of other levels
    // are listed but not offered
    fixture::exec(
        "insert into cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, "
        "massa, id_class_item) values (3000000000, 'БГ-1', '', 6, 1, 11), "
        "(105, 'ПЛ-1', '', 6, 1, 13)");
    auto change = [](qint64 id, const QString& rate) {
        ui::Script s;
        inBrowse(s, Form3, [&] {
            s.onModal(Form7, [&] {
                Form7->Edit2->setText(rate);
                Form7->Button1Click();
                Form7->closeForm();
            });
            QVERIFY(DataModule6->Izdel.locate("id", id));
            Form3->Button2Click();
        });
        return s.texts();
    };
    QCOMPARE(change(3000000000LL, "4"), QStringList());
    QCOMPARE(fixture::scalar("select massa from cmn_gds_and_srv.gds_and_srv where id=3000000000"),
             QString("4"));
    QCOMPARE(change(105, "2"), QStringList{"Все поля должны быть заполнены!"});
    QCOMPARE(
        fixture::scalar(
            "select massa || '/' || id_class_item from cmn_gds_and_srv.gds_and_srv where id=105"),
        QString("1/13"));
    fixture::exec("delete from cmn_gds_and_srv.gds_and_srv where id in (3000000000, 105)");
}

void ProductsTest::save() {
    QFETCH(int, changing);
    QFETCH(QString, mark);
    QFETCH(QString, rate);
    QFETCH(int, classId);
    QFETCH(QString, message);
    QFETCH(QString, row);
    const QString before =
        fixture::scalar("select string_agg(concat_ws('|', id, s_caption, massa, "
                        "id_class_item), ';' order by id) from cmn_gds_and_srv.gds_and_srv");
    ui::Script s;
    inBrowse(s, Form3, [&] {
        s.onModal(Form7, [&] {
            QCOMPARE(Form7->windowTitle(), changing
                                               ? QStringLiteral("Изменение данных изделия (7)")
                                               : QStringLiteral("Заведение нового изделия (7)"));
            Form7->Edit1->setText(mark);
            Form7->Edit2->setText(rate);
            Form7->cb_item->setKeyValue(classId ? QVariant(classId) : QVariant());
            Form7->Button1Click();
            QCOMPARE(Form7->isVisible(), !message.isEmpty()); // a refused save keeps it open
        });
        if (changing) {
            QVERIFY(DataModule6->Izdel.locate("id", changing));
            Form3->Button2Click();
        } else {
            Form3->Button1Click();
        }
    });
    QCOMPARE(s.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (row.isEmpty()) {
        QCOMPARE(fixture::scalar(
                     "select string_agg(concat_ws('|', id, s_caption, massa, id_class_item), ';' "
                     "order by id) from cmn_gds_and_srv.gds_and_srv"),
                 before);
        return;
    }
    const QString name = row.section(u'|', 0, 0);
    QCOMPARE(fixture::scalar(
                 "select concat_ws('|', s_caption, s_description, id_msm_bs, massa, id_class_item) "
                 "from cmn_gds_and_srv.gds_and_srv where s_caption='" +
                 QString(name).replace("'", "''") + "'"),
             row);
}

void ProductsTest::classShownAndKept() {
    ui::Script s;
    inBrowse(s, Form3, [&] {
        s.onModal(Form7, [&] {
            QCOMPARE(Form7->cb_item->text(), QStringLiteral("Шкафы"));
            // only classes of level 2 are offered
            QStringList offered;
            for (int i = 0; i < Form7->cb_item->count(); ++i)
                offered << Form7->cb_item->itemText(i);
            QCOMPARE(offered, (QStringList{"Стеллажи", "Шкафы"}));
            Form7->Button2Click();
        });
        QVERIFY(DataModule6->Izdel.locate("id", 102));
        Form3->Button2Click();
        // a new product right after shows that class already chosen
        s.onModal(Form7, [&] {
            QCOMPARE(Form7->Edit1->text(), QString());
            QCOMPARE(Form7->cb_item->text(), QStringLiteral("Шкафы"));
            Form7->Button2Click();
        });
        Form3->Button1Click();
        QCOMPARE(DataModule6->Izdel.asInt("id"), 102); // back on the remembered row
    });
    QVERIFY(!Form7->item->active());
    QCOMPARE(s.texts(), QStringList());
}

void ProductsTest::rateKeys() {
    ui::Script s;
    inBrowse(s, Form3, [&] {
        s.onModal(Form7, [&] {
            type(Form7->Edit2, QStringLiteral("1,5a"));
            QCOMPARE(Form7->Edit2->text(), QStringLiteral("1.5"));
            type(Form7->Edit2, QStringLiteral("ё.2"));
            QCOMPARE(Form7->Edit2->text(), QStringLiteral("1.5.2"));
            Form7->Button2Click();
        });
        Form3->Button1Click();
    });
}

void ProductsTest::deletion_data() {
    QTest::addColumn<bool>("operations");
    QTest::addColumn<bool>("shifts");
    QTest::addColumn<QList<bool>>("answers");
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<QString>("left");
    // what is left of the product: products|operations (two made)|shift records
    const QString prices = QStringLiteral("По изделию есть расценки они будут удалены!!!");
    // the record lies on today's date
    QString month = timesheet::monthTitle(QDate::currentDate().year(), QDate::currentDate().month());
    month = month.left(1).toLower() + month.mid(1);
    const QString withShifts =
        QStringLiteral("По изделию есть операции в текущем, предыдущем месяцах и ранее, они "
                       "будут удалены (1 запись смены: %1 — 1). Удалить изделие? ")
            .arg(month);
    const QString plain = QStringLiteral("Удалить изделие? ");
    QTest::newRow("all, yes yes") << true << true << QList<bool>{true, true}
                                  << QStringList{prices, withShifts} << "0|0|0";
    QTest::newRow("all, yes no") << true << true << QList<bool>{true, false}
                                 << QStringList{prices, withShifts} << "1|0|1";
    QTest::newRow("all, no yes") << true << true << QList<bool>{false, true}
                                 << QStringList{prices, withShifts} << "0|2|0";
    QTest::newRow("all, no no") << true << true << QList<bool>{false, false}
                                << QStringList{prices, withShifts} << "1|2|1";
    QTest::newRow("operations, no yes")
        << true << false << QList<bool>{false, true} << QStringList{prices, plain} << "0|2|0";
    QTest::newRow("operations, yes no")
        << true << false << QList<bool>{true, false} << QStringList{prices, plain} << "1|0|0";
    QTest::newRow("shift records, yes")
        << false << true << QList<bool>{true} << QStringList{withShifts} << "0|0|0";
    QTest::newRow("nothing, yes") << false << false << QList<bool>{true} << QStringList{plain}
                                  << "0|0|0";
    QTest::newRow("nothing, no") << false << false << QList<bool>{false} << QStringList{plain}
                                 << "1|0|0";
}

void ProductsTest::deletion() {
    QFETCH(bool, operations);
    QFETCH(bool, shifts);
    QFETCH(QList<bool>, answers);
    QFETCH(QStringList, questions);
    QFETCH(QString, left);
    static int next = 300;
    const QString id = QString::number(next++);
    fixture::exec(
        "INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, "
        "massa, id_class_item) VALUES (" +
        id + ", 'ДЛ-" + id + "', '', 6, 1, 11);");
    if (operations)
        fixture::exec("INSERT INTO accounts_dep.oper (vid, naimen, i_id, cena_new) VALUES (1, 0, " +
                      id + ", 0), (1, 1, " + id + ", 0);");
    if (shifts)
        fixture::exec(
            "INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, "
            "brak, ok) VALUES (current_date, 1, 1, " +
            id + ", 0, 1, 1, 0, 'no');");
    ui::Script s;
    for (bool a : answers)
        s.answer(a);
    inBrowse(s, Form3, [&] {
        QVERIFY(DataModule6->Izdel.locate("id", id.toInt()));
        Form3->Button3Click();
        QCOMPARE(DataModule6->Izdel.recNo(), 1);
    });
    QCOMPARE(s.texts(), questions);
    for (const auto& q : s.messages()) {
        QCOMPARE(q.kind, ui::Script::Kind::Question);
        QCOMPARE(q.caption, QStringLiteral("Удаление"));
    }
    QCOMPARE(s.unanswered(), 0);
    QCOMPARE(fixture::scalar(
                 "select (select count(*) from cmn_gds_and_srv.gds_and_srv where id=" + id +
                 ") || '|' || (select count(*) from accounts_dep.oper where i_id=" + id +
                 ") || '|' || (select count(*) from accounts_dep.smena where i_id=" + id + ")"),
             left);
}

void ProductsTest::deletionKeepsTimesheet_data() {
    QTest::addColumn<bool>("februaryClosed");
    QTest::newRow("open months: the records go with their hours") << false;
    QTest::newRow("a record in a closed month: nothing goes") << true;
}

// Product 400 has an operation with a norm row and records of worker 1, shift 1 on 10 February
// (8 h) and 5 March 2024 (4 h); another product's record holds 3 h of the same 5 March cell.
void ProductsTest::deletionKeepsTimesheet() {
    QFETCH(bool, februaryClosed);
    fixture::exec(
        "delete from accounts_dep.closed_month; delete from accounts_dep.h_tabel; "
        "delete from accounts_dep.smena; "
        "INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, "
        "massa, id_class_item) VALUES (400, 'УД-400', '', 6, 1, 11); "
        "INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES (400, 1, 0, 400, "
        "0); INSERT INTO accounts_dep.norm (o_id, price) VALUES (400, 5); "
        "INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, ok, "
        "time) VALUES ('2024-02-10', 1, 1, 400, 400, 1, 1, 0, 'no', 8), ('2024-03-05', 1, 1, 400, "
        "400, 1, 1, 0, 'no', 4), ('2024-03-05', 1, 1, 101, 1, 1, 1, 0, 'no', 3); "
        "INSERT INTO accounts_dep.h_tabel (smena, w_id, month, year, d10, d5) VALUES "
        "(1, 1, 2, 2024, 8, null), (1, 1, 3, 2024, null, 7);");
    if (februaryClosed)
        fixture::exec("insert into accounts_dep.closed_month values (2024, 2, 'тест', now())");
    auto state = [] {
        return fixture::scalar(
            "select (select count(*) from cmn_gds_and_srv.gds_and_srv where id=400) || '|' || "
            "(select count(*) from accounts_dep.oper where i_id=400) || '|' || (select count(*) "
            "from accounts_dep.norm where o_id=400) || '|' || (select count(*) from "
            "accounts_dep.smena where i_id=400) || '|' || (select string_agg(month || ':' || "
            "coalesce(d10, -1) || ',' || coalesce(d5, -1), ' ' order by month) from "
            "accounts_dep.h_tabel)");
    };
    const QString before = state();
    fixture::Copy other;
    data::ChangeListener listener(other.connection);
    listener.listen();
    QVERIFY(listener.listening());
    QSignalSpy heard(&listener, &data::ChangeListener::changed);
    ui::Script s;
    s.answer(true);
    s.answer(true);
    inBrowse(s, Form3, [&] {
        QVERIFY(DataModule6->Izdel.locate("id", 400));
        Form3->Button3Click();
    });
    if (februaryClosed) {
        QCOMPARE(s.texts(), QStringList{"Изделие не удалено: по нему есть записи смен за закрытый "
                                        "месяц. Февраль 2024 закрыт: изменения не сохранены."});
        QCOMPARE(state(), before);
        return;
    }
    QCOMPARE(s.texts(),
             (QStringList{"По изделию есть расценки они будут удалены!!!",
                          "По изделию есть операции в текущем, предыдущем месяцах и ранее, они "
                          "будут удалены (2 записи смен: февраль 2024 — 1, март 2024 — 1). "
                          "Удалить изделие? "}));
    // each cell holds the hours of the records left in it
    QCOMPARE(state(), QString("0|0|0|0|2:0,-1 3:-1,3"));
    QTRY_VERIFY_WITH_TIMEOUT(heard.size() >= 2, 5000);
    QStringList days;
    for (const QList<QVariant>& signal : heard)
        days << signal.first().value<data::Change>().day.toString(Qt::ISODate);
    days.sort();
    QCOMPARE(days, (QStringList{"2024-02-10", "2024-03-05"}));
}

void ProductsTest::classPicker() {
    ui::Script s;
    bool seen = false;
    s.onModal(Form26, [&] {
        seen = true;
        QCOMPARE(Form26->windowTitle(), QStringLiteral("Номенклатура (26)"));
        data::Query& item = *Form26->item;
        QCOMPARE(item.recordCount(), 2); // level 2 only
        Form26->Edit1->setText(QStringLiteral("шк"));
        QCOMPARE(item.recordCount(), 1);
        QCOMPARE(Form26->DBGrid1->cellText(0, "s_caption"), QStringLiteral("Шкафы"));
        Form26->Edit1->setText(QStringLiteral("'"));
        QCOMPARE(item.recordCount(), 0);
        Form26->Edit1->clear();
        Form26->DBGrid1DblClick();
        QVERIFY(!Form26->isVisible());
    });
    Form26->ShowPick();
    QVERIFY(seen);
    QVERIFY(!Form26->item->active());
    QCOMPARE(s.texts(), QStringList());
}

QTEST_MAIN(ProductsTest)
#include "tst_products.moc"
