// The operation kinds list and the kind editor.
#include "data/data_module.h"
#include "journal/journal_window.h"
#include "refdata/kind_editor.h"
#include "refdata/kinds_list.h"
#include "refdata/operation_editor.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "windows.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const char* Department = R"(
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка'), (2, 'Покраска'), (3, 'Резка');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES (10, 3, 0, 7777, 0);
)";

QStringList kinds() {
    return fixture::scalar("select string_agg(vid, '|' order by vid) from accounts_dep.vid_oper")
        .split(u'|');
}
using fixture::column;
} // namespace

class KindsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void browseAndPick();
    void save_data();
    void save();
    void deleteKind();
};

void KindsTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void KindsTest::browseAndPick() {
    ui::Script s;
    bool seen = false;
    s.onModal(Form8, [&] {
        seen = true;
        QCOMPARE(Form8->windowTitle(), QStringLiteral("Виды операций (8)"));
        QVERIFY(!Form8->Edit1->isVisible());
        QCOMPARE(Form8->Button2->text(), QStringLiteral("Изменить"));
        QCOMPARE(column(Form8->DBGrid1, "vid"),
                 kinds()); // the household kinds 7777 and 7778 among them
        QVERIFY(column(Form8->DBGrid1, "vid").contains(QStringLiteral("Хоз. работы")));
        QVERIFY(column(Form8->DBGrid1, "vid").contains(QStringLiteral("Ср. сдел.")));
    });
    Form1->N6Click();
    QVERIFY(seen);
    QVERIFY(!DataModule6->Vid_oper.active());

    s.onModal(Form8, [&] {
        QVERIFY(Form8->Edit1->isVisible());
        QCOMPARE(Form8->Edit1->text(), QString());
        QCOMPARE(Form8->Button2->text(), QStringLiteral("Выбрать"));
        QVERIFY(Form8->Button2->isDefault());
        QVERIFY(!Form8->Button1->isVisible() && !Form8->Button3->isVisible());
        Form8->Edit1->setText(QStringLiteral("ПОК"));
        QCOMPARE(column(Form8->DBGrid1, "vid"), QStringList{"Покраска"});
        Form8->Button2Click();
    });
    Form10->Button4Click();
    QCOMPARE(Form10->Edit2->text(), QStringLiteral("Покраска"));
    QCOMPARE(Form10->KindId, 2);

    // an empty list hands nothing back
    s.onModal(Form8, [&] {
        Form8->Edit1->setText(QStringLiteral("'; drop table x; --"));
        QCOMPARE(column(Form8->DBGrid1, "vid"), QStringList());
        Form8->Button2Click();
    });
    Form10->Button4Click();
    QCOMPARE(Form10->KindId, 2);

    seen = false;
    s.onModal(Form8, [&] {
        seen = true;
        QVERIFY(!Form8->Edit1->isVisible());
        QCOMPARE(column(Form8->DBGrid1, "vid"), kinds()); // no search left from the pick
    });
    Form1->N6Click();
    QVERIFY(seen);
    QCOMPARE(s.texts(), QStringList());
}

void KindsTest::save_data() {
    QTest::addColumn<int>("changing"); // kind id, 0 for a new kind
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored"); // name now stored under that id or as a new kind
    const QString missing = QStringLiteral("Все поля должны быть заполнены!");
    const QString duplicate = QStringLiteral("Такая операция уже заведена!");
    QTest::newRow("empty") << 0 << "   " << missing << "";
    QTest::newRow("blanks around") << 0 << "  Гибка  "
                                   << ""
                                   << "Гибка";
    QTest::newRow("differs in case only") << 0 << "СВАРКА" << duplicate << "";
    QTest::newRow("apostrophe") << 0 << "Д'Арк"
                                << ""
                                << "Д'Арк";
    QTest::newRow("change, name kept") << 2 << "Покраска"
                                       << ""
                                       << "Покраска";
    QTest::newRow("change to another's name") << 2 << "резка" << duplicate << "";
    QTest::newRow("change") << 2 << "Покраска порошковая"
                            << ""
                            << "Покраска порошковая";
    // 50 characters fit, counted as the server counts them; a longer name is refused whole,
    // never cut
    QTest::newRow("name too long") << 0 << QString(51, u'Ы')
                                   << "Поле «Операция» не может быть длиннее 50 символов, а "
                                      "введено 51."
                                   << "";
    QTest::newRow("50 characters outside the BMP fit")
        << 0 << QString(QStringLiteral("\U0001F528")).repeated(50) << ""
        << QString(QStringLiteral("\U0001F528")).repeated(50);
}

void KindsTest::save() {
    QFETCH(int, changing);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    const QStringList before = kinds();
    ui::Script s;
    s.onModal(Form8, [&] {
        s.onModal(Form9, [&] {
            QCOMPARE(Form9->windowTitle(), changing
                                               ? QStringLiteral("Изменение данных вида операции")
                                               : QStringLiteral("Заведение нового вида операций"));
            Form9->Edit1->setText(typed);
            Form9->Button1Click();
            QCOMPARE(Form9->isVisible(), !message.isEmpty());
        });
        if (changing) {
            QVERIFY(DataModule6->Vid_oper.locate("id", changing));
            Form8->Button2Click();
        } else {
            Form8->Button1Click();
        }
        QCOMPARE(DataModule6->Vid_oper.state(), data::Query::State::Browse);
        if (message.isEmpty()) QCOMPARE(DataModule6->Vid_oper.recNo(), 1);
    });
    Form1->N6Click();
    QCOMPARE(s.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (stored.isEmpty()) {
        QCOMPARE(kinds(), before);
    } else if (changing) {
        QCOMPARE(fixture::scalar("select vid from accounts_dep.vid_oper where id=" +
                                 QString::number(changing)),
                 stored);
        QCOMPARE(kinds().size(), before.size());
    } else {
        QCOMPARE(kinds().size(), before.size() + 1);
        QVERIFY(kinds().contains(stored));
    }
}

void KindsTest::deleteKind() {
    ui::Script s;
    s.answer(false);
    s.answer(true);
    s.onModal(Form8, [&] {
        QVERIFY(DataModule6->Vid_oper.locate("id", 3));
        Form8->Button3Click();
        QVERIFY(DataModule6->Vid_oper.locate("id", 3));
        Form8->Button3Click();
        QVERIFY(!DataModule6->Vid_oper.locate("id", 3));
    });
    Form1->N6Click();
    QCOMPARE(s.texts(), (QStringList{"Удалить вид операции?", "Удалить вид операции?"}));
    QCOMPARE(s.messages().last().caption, QStringLiteral("Удаление"));
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.vid_oper where id=3"),
             QStringLiteral("0"));
    // nothing checks the operations of the kind: they stay
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.oper where vid=3"),
             QStringLiteral("1"));
}

QTEST_MAIN(KindsTest)
#include "tst_kinds.moc"
