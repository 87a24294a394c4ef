// The test seam itself: a story whose window never opens cannot pass.
#include "ui/dialogs.h"

#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <QtTest>

class ScriptTest : public QObject {
    Q_OBJECT
private slots:
    void windowNeverShownFails();
    void actionThatRanPasses();
    void actionWhileAMessageIsOpen();
    void questionDefaultButton_data();
    void questionDefaultButton();
};

void ScriptTest::windowNeverShownFails() {
    QDialog window;
    window.setWindowTitle("Рабочие (5)");
    // The Script's end reports the failure that this expects. Had it reported nothing, the
    // expectation would still stand at the check below, whose pass would then count as an
    // unexpected one: a failure.
    QEXPECT_FAIL("", "the window is never shown", Continue);
    {
        ui::Script script;
        script.onModal(&window, [] {});
    }
    QVERIFY(true);
}

void ScriptTest::actionThatRanPasses() {
    QDialog window;
    bool ran = false;
    ui::Script script;
    script.onModal(&window, [&] { ran = true; });
    ui::showModal(&window);
    QVERIFY(ran);
    QVERIFY(!window.isVisible());
}

void ScriptTest::actionWhileAMessageIsOpen() {
    ui::Script script;
    QStringList order;
    script.whileMessage([&] { order << "while the first box is open"; });
    ui::error("first");
    ui::error("second");
    QCOMPARE(order, QStringList{"while the first box is open"});
    QCOMPARE(script.texts(), (QStringList{"first", "second"}));
}

void ScriptTest::questionDefaultButton_data() {
    QTest::addColumn<int>("button"); // the default asked for
    QTest::addColumn<bool>("enter"); // what Enter answers on the real box
    QTest::newRow("Yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("No, as a deletion asks") << int(QMessageBox::No) << false;
}

void ScriptTest::questionDefaultButton() {
    QFETCH(int, button);
    const auto defaultButton = QMessageBox::StandardButton(button);
    {
        // the script records the default, so that a test can check it
        ui::Script script;
        script.answer(true);
        QVERIFY(ui::askYesNo("Удалить?", "Удаление", defaultButton));
        QCOMPARE(script.shown().first().defaultButton, defaultButton);
    }
    // without a script the box is shown: Enter presses its default button
    QTimer enter;
    QObject::connect(&enter, &QTimer::timeout, [] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
            QTest::keyClick(box, Qt::Key_Return);
    });
    enter.start(10);
    QTEST(ui::askYesNo("Удалить?", "Удаление", defaultButton), "enter");
}

QTEST_MAIN(ScriptTest)
#include "tst_script.moc"
