// The dialogs Qt draws itself (saving a file, printing, page setup) speak Russian like the
// rest of the program: no English word in a caption, button, list or tip.
#include "app/app.h"
#include "report_engine/preview.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Texts a user may read in a window: what its widgets show, their tips, the lists' items
// and headers.
QStringList texts(QWidget* window) {
    QStringList out{window->windowTitle()};
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(window)) continue;
        out << w->toolTip();
        if (auto* l = qobject_cast<QLabel*>(w)) out << l->text();
        if (auto* b = qobject_cast<QAbstractButton*>(w)) out << b->text();
        if (auto* g = qobject_cast<QGroupBox*>(w)) out << g->title();
        if (auto* e = qobject_cast<QLineEdit*>(w)) out << e->placeholderText();
        if (auto* c = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < c->count(); ++i)
                out << c->itemText(i);
        if (auto* t = qobject_cast<QTabWidget*>(w))
            for (int i = 0; i < t->count(); ++i)
                out << t->tabText(i);
        if (auto* v = qobject_cast<QAbstractItemView*>(w); v && v->model()) {
            const QAbstractItemModel* m = v->model();
            const QModelIndex root = v->rootIndex();
            for (int c = 0; c < m->columnCount(root); ++c) {
                out << m->headerData(c, Qt::Horizontal).toString();
                for (int r = 0; r < m->rowCount(root); ++r)
                    out << m->index(r, c, root).data().toString();
            }
        }
    }
    return out;
}

// The English words among the texts; names that are the same in Russian (PDF, A4, the
// file and folder names of the test) do not count.
QStringList englishWords(const QStringList& texts, const QStringList& names) {
    static const QRegularExpression word(QStringLiteral("[A-Za-z]{2,}"));
    static const QRegularExpression standard(
        QStringLiteral("^(PDF|pdf|[ABC]\\d*|JIS|ISO|ANSI|DL|K|DD|CC)$"));
    QStringList found;
    for (const QString& t : texts) {
        QString rest = t;
        for (const QString& n : names)
            rest.remove(n);
        for (auto it = word.globalMatch(rest); it.hasNext();) {
            const QString w = it.next().captured();
            if (!standard.match(w).hasMatch() && !found.contains(t)) found << t;
        }
    }
    if (!found.isEmpty()) qWarning().noquote() << found.join(" | ");
    return found;
}

} // namespace

class QtDialogsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void fileDialog();
    void printDialog();
    void pageSetupDialog();
};

void QtDialogsTest::initTestCase() {
    app::setupApplication(*qobject_cast<QApplication*>(QCoreApplication::instance()));
}

// The preview's "Сохранить в PDF", in both of its views, on a folder with a subfolder and
// a file: no "Folder", no English size or month.
void QtDialogsTest::fileDialog() {
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("Отчеты"));
    QFile file(dir.filePath("Табель.pdf"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("%PDF");
    file.close();
    QFileDialog* d = report::previewWindow()->pdfDialog();
    d->setDirectory(dir.path());
    for (auto mode : {QFileDialog::Detail, QFileDialog::List}) {
        d->setViewMode(mode);
        d->show();
        // the folder is read in the background: wait until both entries are listed
        QTRY_VERIFY(texts(d).contains(QStringLiteral("Отчеты")) &&
                    texts(d).contains(QStringLiteral("Табель.pdf")));
        const QStringList names{dir.path(),
                                QDir::toNativeSeparators(dir.path()),
                                QFileInfo(dir.path()).fileName(),
                                QDir::home().dirName(),
                                "Табель.pdf",
                                "Отчеты"};
        QCOMPARE(englishWords(texts(d), names), QStringList());
        d->hide();
    }
}

void QtDialogsTest::printDialog() {
    QPrintDialog* d = report::previewWindow()->printDialog();
    d->setOptions(QAbstractPrintDialog::PrintPageRange | QAbstractPrintDialog::PrintToFile);
    d->show();
    QCOMPARE(englishWords(texts(d), {}), QStringList());
    d->hide();
}

// The page settings the print dialog's "Свойства" shows: paper names and units included.
void QtDialogsTest::pageSetupDialog() {
    QPrinter printer;
    QPageSetupDialog d(&printer);
    d.show();
    QCOMPARE(englishWords(texts(&d), {}), QStringList());
    d.hide();
}

QTEST_MAIN(QtDialogsTest)
#include "tst_qt_dialogs.moc"
