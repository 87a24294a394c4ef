// The test seam itself: a story whose window never opens cannot pass.
#include "ui/dialogs.h"

#include <QDialog>
#include <QtTest>

class ScriptTest : public QObject {
    Q_OBJECT
private slots:
    void windowNeverShownFails();
    void actionThatRanPasses();
    void actionWhileAMessageIsOpen();
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

QTEST_MAIN(ScriptTest)
#include "tst_script.moc"
