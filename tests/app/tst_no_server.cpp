// Start-up when the database server cannot be reached.
#include "app/app.h"
#include "app/login_window.h"
#include "ui/dialogs.h"

#include <QtTest>

class NoServerTest : public QObject {
    Q_OBJECT
private slots:
    void unreachableServerEnds();
};

void NoServerTest::unreachableServerEnds() {
    ui::Script script;
    // nothing listens on this loopback address
    app::createForms({"korvast", "127.0.0.3"});
    QCOMPARE(script.texts(), QStringList{"Подключение к БД отсутсвует!!!"});
    QCOMPARE(script.shown().first().caption, QString("Ошибка!"));
    QCOMPARE(script.shown().first().icon, QMessageBox::Critical);
    QVERIFY(app::terminationRequested());
    QVERIFY(Form23 == nullptr); // no login window, no access text can be entered
}

QTEST_MAIN(NoServerTest)
#include "tst_no_server.moc"
