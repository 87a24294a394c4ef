// The boxes that take whole numbers: a key or a paste that is no digit leaves the text as it
// was and says why beside the box.
#include "ui/input_check.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QtTest>

class InputCheckTest : public QObject {
    Q_OBJECT
private slots:
    void typed_data();
    void typed();
    void pasted_data();
    void pasted();
    void programTextsAndWindowKeys();
};

void InputCheckTest::typed_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("hint");
    QTest::newRow("digits") << ""
                            << "125"
                            << "125" << false;
    QTest::newRow("a decimal comma") << "1"
                                     << ","
                                     << "1" << true;
    QTest::newRow("a decimal point") << "1"
                                     << "."
                                     << "1" << true;
    QTest::newRow("a letter") << "12"
                              << "a"
                              << "12" << true;
    QTest::newRow("a minus") << ""
                             << "-"
                             << "" << true;
    QTest::newRow("a blank") << "7"
                             << " "
                             << "7" << true;
    QTest::newRow("a digit after the hint") << "1"
                                            << ",5"
                                            << "15" << false;
}

void InputCheckTest::typed() {
    QFETCH(QString, before);
    QFETCH(QString, keys);
    QWidget w;
    auto* box = new QLineEdit(before, &w);
    (new QVBoxLayout(&w))->addWidget(box);
    ui::wholeNumberBox(box);
    w.show();
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, keys);
    QTEST(box->text(), "after");
    QLabel* hint = ui::hintOf(box);
    QVERIFY(hint);
    QTEST(hint->isVisible(), "hint");
    QCOMPARE(hint->text(), QString("Только целое число"));
    if (hint->isVisible()) // beside the box, not over it
        QVERIFY(hint->geometry().left() > box->geometry().right());
}

void InputCheckTest::pasted_data() {
    QTest::addColumn<QString>("clip");
    QTest::addColumn<QString>("after");
    QTest::newRow("digits") << "250"
                            << "1250";
    QTest::newRow("a decimal comma") << "1,5"
                                     << "1"; // not "115"
    QTest::newRow("a grouped number") << "1 500"
                                      << "1"; // not "1500" glued to the 1
    QTest::newRow("a letter at the end") << "25р"
                                         << "1";
}

void InputCheckTest::pasted() {
    QFETCH(QString, clip);
    QFETCH(QString, after);
    QWidget w;
    auto* box = new QLineEdit("1", &w);
    (new QVBoxLayout(&w))->addWidget(box);
    ui::wholeNumberBox(box);
    w.show();
    box->setFocus();
    box->end(false);
    QApplication::clipboard()->setText(clip);
    QTest::keySequence(box, QKeySequence::Paste);
    QTEST(box->text(), "after");
    QCOMPARE(ui::hintOf(box)->isVisible(), after == "1");
}

void InputCheckTest::programTextsAndWindowKeys() {
    // a stored quantity of 12.5 shown by the program: no hint, and digits keep its point
    QWidget w;
    auto* box = new QLineEdit(&w);
    (new QVBoxLayout(&w))->addWidget(box);
    ui::wholeNumberBox(box);
    w.show();
    box->setText("12.5");
    QVERIFY(!ui::hintOf(box)->isVisible());
    box->setFocus();
    box->end(false);
    QTest::keyClicks(box, "0");
    QCOMPARE(box->text(), QString("12.50"));
    // Enter goes on to the window (its default button)
    bool pressed = false;
    connect(box, &QLineEdit::returnPressed, [&] { pressed = true; });
    QTest::keyClick(box, Qt::Key_Return);
    QVERIFY(pressed);
    QCOMPARE(box->text(), QString("12.50"));
}

QTEST_MAIN(InputCheckTest)
#include "tst_input_check.moc"
