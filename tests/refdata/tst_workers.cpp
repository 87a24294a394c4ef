// The workers list and the worker editor: browse and pick, search, saving, deletion.
#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/journal_window.h"
#include "refdata/worker_editor.h"
#include "refdata/workers_list.h"
#include "testdb.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/lookup_combo.h"
#include "windows.h"

#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
const char* Department = R"(
INSERT INTO accounts_dep.person (id, fio, s_staffpos_hl) VALUES
 (1, 'Иванов И.И.', 'Сварщик'), (2, 'Петров П.П.', 'Маляр'),
 (3, 'О''Нил Д.Р.', 'Слесарь'), (4, 'иванова А.А.', 'Резчик');
SELECT setval('accounts_dep.person_id_seq', 4) \g /dev/null
INSERT INTO hrms_staffpos.staffpos (s_caption) VALUES ('Маляр'), ('Сварщик'), ('Слесарь');
INSERT INTO cmn_department.department (s_caption) VALUES ('Сварочный участок'), ('Малярный участок');
INSERT INTO adm_role.roles (s_name, s_caption) VALUES ('worker', 'Рабочий'), ('master', 'Мастер');
)";

// The names in the server's order, as the list shows them.
QStringList ordered(const QString& where = QStringLiteral("true")) {
    return fixture::scalar("select string_agg(fio, '|' order by " + data::sql::byName("fio") +
                           ") from accounts_dep.person where " + where)
        .split(u'|', Qt::SkipEmptyParts);
}

using fixture::column;
using fixture::type;
} // namespace

class WorkersTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void browseThenPick();
    void pick_data();
    void pick();
    void search_data();
    void search();
    void searchKeys();
    void searchOutsideTheBmp();
    void save_data();
    void save();
    void changeKeepsRowAndPosition_data();
    void changeKeepsRowAndPosition();
    void deleteWorker();
    void wheelMovesTheFocusedList();
};

void WorkersTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
}

void WorkersTest::init() {
    DataModule6->Workers.close();
    Form5->Edit1->clear();
}

void WorkersTest::browseThenPick() {
    ui::Script s;
    bool looked = false;
    s.onModal(Form5, [&] {
        looked = true;
        QCOMPARE(Form5->windowTitle(), QStringLiteral("Список рабочих"));
        QCOMPARE(Form5->Button2->text(), QStringLiteral("Изменить"));
        QVERIFY(Form5->Button1->isVisible() && Form5->Button3->isVisible());
        QVERIFY(Form5->Button1->isDefault());
        QCOMPARE(column(Form5->DBGrid1, "fio"), ordered());
        Form5->Edit1->setText(QStringLiteral("Пет")); // left for the next showing from the menu
    });
    Form1->N1Click();
    QVERIFY(looked);
    QVERIFY(!DataModule6->Workers.active());

    looked = false;
    s.onModal(Form5, [&] {
        looked = true;
        QCOMPARE(Form5->Button2->text(), QStringLiteral("Выбрать"));
        QVERIFY(!Form5->Button1->isVisible() && !Form5->Button3->isVisible());
        QVERIFY(Form5->Button2->isDefault());
        QCOMPARE(Form5->Edit1->text(), QString()); // pick starts unfiltered
        QCOMPARE(DataModule6->Workers.recordCount(), 4);
    });
    Form5->ShowPick(1);
    QVERIFY(looked);

    looked = false;
    s.onModal(Form5, [&] {
        looked = true;
        QCOMPARE(Form5->Button2->text(), QStringLiteral("Изменить"));
        QVERIFY(Form5->Button1->isVisible() && Form5->Button3->isVisible());
    });
    Form1->N1Click();
    QVERIFY(looked);
    QCOMPARE(s.texts(), QStringList());
}

void WorkersTest::pick_data() {
    QTest::addColumn<QString>("search");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("id");
    QTest::newRow("first row") << "" << 0 << "Иванов И.И." << 1;
    QTest::newRow("apostrophe, found by search") << "о'н" << 0 << "О'Нил Д.Р." << 3;
    const QStringList all = ordered();
    QTest::newRow("last row")
        << "" << 3 << all.last()
        << fixture::scalar("select id from accounts_dep.person where fio='" + all.last() + "'").toInt();
    QTest::newRow("empty list hands nothing back") << "Щ" << 0 << "" << 0;
}

void WorkersTest::pick() {
    QFETCH(QString, search);
    QFETCH(int, row);
    QFETCH(QString, name);
    QFETCH(int, id);
    ui::Script s;
    s.onModal(Form5, [&] {
        type(Form5->Edit1, search);
        Form5->DBGrid1->selectRow(row);
        Form5->Button2Click();
        QVERIFY(!Form5->isVisible());
    });
    const auto picked = Form5->ShowPick(1);
    QCOMPARE(picked.has_value(), id != 0);
    if (picked) {
        QCOMPARE(picked->name, name);
        QCOMPARE(picked->id, id);
    }
    QVERIFY(!DataModule6->Workers.active());
}

void WorkersTest::search_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("expected");
    const QStringList both = ordered("fio in ('Иванов И.И.', 'иванова А.А.')");
    QTest::newRow("empty shows all") << "" << ordered();
    QTest::newRow("beginning of the name") << "Пе" << QStringList{"Петров П.П."};
    QTest::newRow("letter case ignored") << "ИВАНОВ" << both;
    QTest::newRow("lower case") << "иван" << both;
    QTest::newRow("apostrophe") << "О'Н" << QStringList{"О'Нил Д.Р."};
    QTest::newRow("only the beginning") << "ров" << QStringList();
    QTest::newRow("quote cannot break the filter") << "' or fio like '" << QStringList();
}

void WorkersTest::search() {
    QFETCH(QString, typed);
    QFETCH(QStringList, expected);
    ui::Script s;
    s.onModal(Form5, [&] {
        Form5->Edit1->setText(typed);
        QCOMPARE(column(Form5->DBGrid1, "fio"), expected);
        Form5->Edit1->clear();
        QCOMPARE(column(Form5->DBGrid1, "fio").size(), 4);
    });
    Form1->N1Click();
    QCOMPARE(s.texts(), QStringList());
}

void WorkersTest::searchKeys() {
    ui::Script s;
    s.onModal(Form5, [&] {
        data::Query& w = DataModule6->Workers;
        QCOMPARE(w.recNo(), 1);
        QTest::keyClick(Form5->Edit1, Qt::Key_Down);
        QTest::keyClick(Form5->Edit1, Qt::Key_Down);
        QCOMPARE(w.recNo(), 3);
        QTest::keyClick(Form5->Edit1, Qt::Key_Up);
        QCOMPARE(w.recNo(), 2);
        // typed characters and Backspace edit the box; cursor keys and Delete do not
        type(Form5->Edit1, QStringLiteral("Ивx"));
        QTest::keyClick(Form5->Edit1, Qt::Key_Backspace);
        QCOMPARE(Form5->Edit1->text(), QStringLiteral("Ив"));
        QTest::keyClick(Form5->Edit1, Qt::Key_Left);
        QTest::keyClick(Form5->Edit1, Qt::Key_Delete);
        QCOMPARE(Form5->Edit1->text(), QStringLiteral("Ив"));
        QCOMPARE(column(Form5->DBGrid1, "fio").size(), 2);
    });
    Form1->N1Click();
}

void WorkersTest::searchOutsideTheBmp() {
    fixture::exec(QStringLiteral("insert into accounts_dep.person (fio, s_staffpos_hl) values "
                                 "('Ёлкин \U0001F384 Н.', 'Маляр')"));
    ui::Script s;
    s.onModal(Form5, [&] {
        // an emoji is one character of the pattern, as it is one of the name
        Form5->Edit1->setText(QStringLiteral("Ёлкин \U0001F384"));
        QCOMPARE(column(Form5->DBGrid1, "fio"), QStringList{QStringLiteral("Ёлкин \U0001F384 Н.")});
        Form5->Edit1->setText(QStringLiteral("Ёлкин _ Н"));
        QCOMPARE(column(Form5->DBGrid1, "fio"), QStringList{QStringLiteral("Ёлкин \U0001F384 Н.")});
        Form5->Edit1->clear();
    });
    Form1->N1Click();
    QCOMPARE(s.texts(), QStringList());
    fixture::exec("delete from accounts_dep.person where fio like 'Ёлкин%'");
}

void WorkersTest::save_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("position");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored");
    QTest::newRow("blanks only") << "   "
                                 << "Маляр"
                                 << "ФИО нужно заполнить!"
                                 << "";
    QTest::newRow("blanks around") << "  Сидоров С.С.  "
                                   << "Сварщик"
                                   << ""
                                   << "Сидоров С.С.";
    QTest::newRow("apostrophe") << "Д'Артаньян Ш."
                                << "Слесарь"
                                << ""
                                << "Д'Артаньян Ш.";
    QTest::newRow("same name twice") << "Петров П.П."
                                     << "Маляр"
                                     << ""
                                     << "Петров П.П.";
    // the column holds 254 characters, counted as the server counts them
    QTest::newRow("name too long") << QString(255, u'Ж') << "Маляр"
                                   << "Поле «ФИО» не может быть длиннее 254 символов, а введено "
                                      "255."
                                   << "";
    QTest::newRow("254 characters outside the BMP fit")
        << QString(QStringLiteral("\U0001F477")).repeated(254) << "Маляр"
        << "" << QString(QStringLiteral("\U0001F477")).repeated(254);
}

void WorkersTest::save() {
    QFETCH(QString, typed);
    QFETCH(QString, position);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    const int before =
        stored.isEmpty()
            ? 0
            : fixture::scalar(
                  QStringLiteral("select count(*) from accounts_dep.person where fio='%1'")
                      .arg(QString(stored).replace("'", "''")))
                  .toInt();
    const int all = fixture::scalar("select count(*) from accounts_dep.person").toInt();
    ui::Script s;
    s.onModal(Form5, [&] {
        s.onModal(Form2, [&] {
            QCOMPARE(Form2->windowTitle(), QStringLiteral("Заведение данных нового работника"));
            QCOMPARE(Form2->Edit1->text(), QString());
            Form2->Edit1->setText(typed);
            QVERIFY(Form2->LCB_staffpos->selectText(position));
            Form2->LCB_department->setCurrentIndex(1); // offered, stored nowhere
            Form2->Button1Click();
            QCOMPARE(Form2->isVisible(), !message.isEmpty());
        });
        Form5->Button1Click();
    });
    Form1->N1Click();
    QCOMPARE(s.texts(), message.isEmpty() ? QStringList() : QStringList{message});
    if (stored.isEmpty()) {
        QCOMPARE(fixture::scalar("select count(*) from accounts_dep.person").toInt(), all);
        return;
    }
    const QString esc = QString(stored).replace("'", "''");
    QCOMPARE(fixture::scalar(
                 QStringLiteral("select count(*) from accounts_dep.person where fio='%1'").arg(esc))
                 .toInt(),
             before + 1);
    // the position is the text of the "Должность" list
    QCOMPARE(fixture::scalar(
                 QStringLiteral("select s_staffpos_hl from accounts_dep.person where fio='%1' "
                                "order by id desc limit 1")
                     .arg(esc)),
             position);
}

void WorkersTest::changeKeepsRowAndPosition_data() {
    QTest::addColumn<QString>("worker");
    QTest::addColumn<QString>("chosen"); // "" leaves the list as the change opens it
    QTest::addColumn<QString>("position");
    QTest::newRow("stored position is offered") << "Петров П.П."
                                                << ""
                                                << "Маляр";
    QTest::newRow("position the list lacks is kept") << "иванова А.А."
                                                     << ""
                                                     << "Резчик";
    QTest::newRow("another position chosen") << "Петров П.П."
                                             << "Слесарь"
                                             << "Слесарь";
}

void WorkersTest::changeKeepsRowAndPosition() {
    QFETCH(QString, worker);
    QFETCH(QString, chosen);
    QFETCH(QString, position);
    fixture::exec("update accounts_dep.person set s_staffpos_hl='Маляр' where id=2");
    // a position chosen for someone else must not leak into this worker's row
    Form2->ReopenLookups();
    Form2->LCB_staffpos->selectText(QStringLiteral("Сварщик"));
    const QString id = fixture::scalar(
        QStringLiteral("select id from accounts_dep.person where fio='%1'").arg(worker));
    ui::Script s;
    int row = 0;
    s.onModal(Form5, [&] {
        data::Query& w = DataModule6->Workers;
        QVERIFY(w.locate("id", id.toInt()));
        row = w.recNo();
        s.onModal(Form2, [&] {
            QCOMPARE(Form2->windowTitle(), QStringLiteral("Изменение данных работника"));
            QCOMPARE(Form2->Edit1->text(), worker);
            Form2->Edit1->setText(worker + QStringLiteral(" "));
            if (!chosen.isEmpty()) Form2->LCB_staffpos->selectText(chosen);
            Form2->Button1Click();
        });
        Form5->Button2Click();
        QVERIFY(Form5->isVisible()); // the list stays open on the same row
        QCOMPARE(w.recNo(), row);
    });
    Form1->N1Click();
    QCOMPARE(s.texts(), QStringList());
    QCOMPARE(fixture::scalar(
                 "select fio || '|' || s_staffpos_hl from accounts_dep.person where id=" + id),
             worker + "|" + position);
}

void WorkersTest::deleteWorker() {
    fixture::exec(
        "INSERT INTO accounts_dep.person (fio, s_staffpos_hl) VALUES ('Яковлев Я.Я.', '')");
    const int all = fixture::scalar("select count(*) from accounts_dep.person").toInt();
    ui::Script s;
    s.answer(false);
    s.answer(true);
    qint64 last = 0;
    s.onModal(Form5, [&] {
        data::Query& w = DataModule6->Workers;
        w.last();
        last = w.asInt("id");
        Form5->Button3Click(); // No
        QCOMPARE(w.recordCount(), all);
        Form5->Button3Click(); // Yes, on the last row
        QCOMPARE(w.recordCount(), all - 1);
        QVERIFY(!w.locate("id", last));
    });
    Form1->N1Click();
    QCOMPARE(s.texts(), (QStringList{"Удалить работника?", "Удалить работника?"}));
    QCOMPARE(s.messages().first().caption, QStringLiteral("Удаление"));
    QCOMPARE(s.messages().first().kind, ui::Script::Kind::Question);
    QCOMPARE(fixture::scalar("select count(*) from accounts_dep.person where id=" +
                             QString::number(last)),
             QStringLiteral("0"));
}

void WorkersTest::wheelMovesTheFocusedList() {
    ui::Script s;
    s.onModal(Form2, [] {
        QApplication::setActiveWindow(Form2);
        Form2->LCB_staffpos->setCurrentIndex(0);
        Form2->LCB_roles->setCurrentIndex(0);
        Form2->LCB_staffpos->setFocus();
        QVERIFY(Form2->LCB_staffpos->hasFocus());
        // turned over the roles list, which has no focus
        const QPointF at(5, 5);
        QWheelEvent down(at, Form2->LCB_roles->mapToGlobal(at), QPoint(), QPoint(0, -120),
                         Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Form2->LCB_roles, &down);
        QCOMPARE(Form2->LCB_roles->currentIndex(), 0);
        QCOMPARE(Form2->LCB_staffpos->currentIndex(), 1);
        QWheelEvent up(at, Form2->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                       Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(Form2, &up);
        QCOMPARE(Form2->LCB_staffpos->currentIndex(), 0);
        QVERIFY(Form2->LCB_roles->hasFocus() == false);
        Form2->closeForm();
    });
    Form5->ShowBrowse();
    Form5->Button1Click();
}

QTEST_MAIN(WorkersTest)
#include "tst_workers.moc"
