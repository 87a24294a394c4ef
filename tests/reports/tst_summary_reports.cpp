// The reports window: its period, the kind-of-product filter, the four printed reports of a
// small department read back from their prepared pages, the product report to a workbook,
// and what each role may use.
#include "app/app.h"
#include "app/login_window.h"
#include "journal/journal_window.h"
#include "report_engine/preview.h"
#include "report_engine/render.h"
#include "reports/excel.h"
#include "reports/layouts.h"
#include "reports/reports_window.h"
#include "testdb.h"
#include "ui/dialogs.h"
#include "ui/radio_group.h"
#include "xlsx_file.h"

#include <QDateEdit>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>
#include <sys/stat.h>

Q_DECLARE_METATYPE(report::Layout)

namespace {

// January 2024 of two workers. Иванов has two products (Стеллажи with two operations, one
// of them on two days; Шкафы as blanks), Петров one line in colour 3020 on the last day.
// The records of 31.12.2023 and 01.02.2024 lie outside January. Two persons have codes
// that are no whole number the worker id could be compared with.
const char* Department = R"(
INSERT INTO cmn_contractor.person (id, s_caption, s_code) VALUES
 (1, 'Иванов И.И.', '1'), (2, 'Петров П.П.', ' 2'), (3, 'Сидоров С.С.', 'С-17'),
 (4, 'Кузнецов К.К.', '99999999999');
INSERT INTO cmn_classifier.item (id, id_classifier, id_level, id_parent, s_code, s_caption) VALUES
 (11, 1, 2, NULL, 'СТ', 'Стеллажи'), (12, 1, 2, NULL, 'ШК', 'Шкафы');
INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, id_msm_bs, massa, id_class_item) VALUES
 (101, 'СТ-100', '', 6, 1.5, 11), (102, 'ШК-200', '', 6, 2, 12);
INSERT INTO accounts_dep.vid_oper (id, vid) VALUES (1, 'Сварка'), (2, 'Покраска');
INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES
 (1, 1, 0, 101, 0), (2, 2, 0, 101, 0), (3, 2, 1, 102, 0);
INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, brak, color, prize, ok) VALUES
 ('2024-01-10', 1, 1, 101, 1, 1.25, 10, 1, 0, 0, 'no'),
 ('2024-01-20', 2, 1, 101, 1, 1.25, 2, 0, 0, 0, 'no'),
 ('2024-01-11', 1, 1, 101, 2, 0.5, 5, 0, 9003, 0, 'no'),
 ('2024-01-12', 2, 1, 102, 3, 0.333, 3, 0, 1, 0, 'no'),
 ('2024-01-31', 1, 2, 101, 1, 1.25, 4, 0, 3020, 0, 'no'),
 ('2024-02-01', 1, 2, 101, 1, 1.25, 100, 0, 0, 0, 'no'),
 ('2023-12-31', 3, 1, 101, 1, 1.25, 50, 0, 0, 0, 'no');
)";

const QDate Jan1(2024, 1, 1);
const QDate Feb1(2024, 2, 1);

void setPeriod(const QDate& from, const QDate& to) {
    Form18->DTPicker1->setDate(from);
    Form18->DTPicker2->setDate(to);
}

// The pages' bands without their positions; lines within one group, whose order the
// statements leave open, sorted.
QStringList canonical(const report::Document& doc) {
    static const QRegularExpression position(QStringLiteral("^p(\\d+) y=[0-9.]+ "));
    QStringList out, lines;
    auto flush = [&] {
        lines.sort();
        out << lines;
        lines.clear();
    };
    for (QString line : doc.dump()) {
        line.replace(position, QStringLiteral("p\\1 "));
        if (line.startsWith(QStringLiteral("p1 detail"))) {
            lines << line;
            continue;
        }
        flush();
        out << line;
    }
    flush();
    return out;
}

struct Printed {
    bool shown = false;
    bool maximised = false;
    bool pageWidth = false;
    report::Document doc;
};

// Presses a print button of the reports window and keeps what its preview showed.
Printed print(QPushButton* button) {
    ui::Script s;
    Printed p;
    report::Preview* w = report::previewWindow();
    s.onModal(w, [&] {
        p.shown = true;
        p.maximised = w->windowState().testFlag(Qt::WindowMaximized);
        p.pageWidth = w->zoomMode() == report::Preview::ZoomMode::PageWidth;
        p.doc = w->document();
    });
    button->click();
    if (!s.messages().isEmpty()) qWarning() << s.texts();
    return p;
}

// The last line of the first page's bands before the page foot: the report foot.
QString reportFoot(QPushButton* button) {
    const QStringList lines = canonical(print(button).doc);
    for (const QString& line : lines)
        if (line.startsWith(QStringLiteral("p1 report foot"))) return line;
    return {};
}

} // namespace

class SummaryReportsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void defaultPeriod_data();
    void defaultPeriod();
    void windowFromTheMenu();
    void reports_data();
    void reports();
    void detailColumns_data();
    void detailColumns();
    void periodBounds_data();
    void periodBounds();
    void emptyPeriod_data();
    void emptyPeriod();
    void productFilter_data();
    void productFilter();
    void workbook_data();
    void workbook();
    void workbookWithoutFolder();
    void roles_data();
    void roles();
    void reversedPeriod_data();
    void reversedPeriod();
    void bandsDoNotOverlap_data();
    void bandsDoNotOverlap();
    void marksOfOneProductMerged();
    void workbookColumnsSized();
    void workbookReadableByOthers();

private:
    QTemporaryDir dir_;
    QStringList opened_;
};

void SummaryReportsTest::initTestCase() {
    fixture::createDatabase(QString::fromUtf8(Department));
    QCOMPARE(fixture::startProgram(), QStringList());
    QVERIFY(dir_.isValid());
}

void SummaryReportsTest::init() {
    reports::setExportFolder(dir_.path());
    opened_.clear();
    reports::setFileOpener([this](const QString& path) {
        opened_ << path;
        return true;
    });
    Form18->RadioGroup1->setItemIndex(0);
    setPeriod(Jan1, Feb1);
}

void SummaryReportsTest::cleanup() {
    reports::setExportFolder(QString());
    reports::setFileOpener({});
}

void SummaryReportsTest::defaultPeriod_data() {
    QTest::addColumn<QDate>("today");
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::newRow("January") << QDate(2025, 1, 15) << QDate(2024, 12, 1) << QDate(2025, 1, 1);
    QTest::newRow("1 January") << QDate(2024, 1, 1) << QDate(2023, 12, 1) << Jan1;
    QTest::newRow("31 March") << QDate(2024, 3, 31) << Feb1 << QDate(2024, 3, 1);
    QTest::newRow("December") << QDate(2024, 12, 31) << QDate(2024, 11, 1) << QDate(2024, 12, 1);
}

void SummaryReportsTest::defaultPeriod() {
    QFETCH(QDate, today);
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    setPeriod(QDate(2000, 5, 5), QDate(2000, 6, 6));
    ui::Script s;
    bool shown = false;
    s.onModal(Form18, [&] {
        shown = true;
        QCOMPARE(Form18->DTPicker1->date(), from);
        QCOMPARE(Form18->DTPicker2->date(), to);
    });
    Form18->ShowFor(today);
    QVERIFY(shown);
}

// The menu command opens the window on last month; Escape closes it and the chosen kind
// of product stays for the next time.
void SummaryReportsTest::windowFromTheMenu() {
    Form18->RadioGroup1->setItemIndex(2);
    ui::Script s;
    bool shown = false;
    s.onModal(Form18, [&] {
        shown = true;
        QCOMPARE(Form18->windowTitle(), QStringLiteral("Отчеты (8)"));
        const QDate first(QDate::currentDate().year(), QDate::currentDate().month(), 1);
        QCOMPARE(Form18->DTPicker1->date(), first.addMonths(-1));
        QCOMPARE(Form18->DTPicker2->date(), first);
        QCOMPARE(Form18->RadioGroup1->ItemIndex(), 2);
        QTest::keyClick(Form18, Qt::Key_Escape);
        QVERIFY(!Form18->isVisible());
    });
    Form1->N10Click();
    QVERIFY(shown);
    QCOMPARE(Form18->RadioGroup1->ItemIndex(), 2);
}

void SummaryReportsTest::reports_data() {
    QTest::addColumn<QPushButton*>("button");
    QTest::addColumn<QStringList>("expected");
    // Иванов's Шкафы foot keeps three decimals, his worker foot two (17.25); 3 pieces at 0.333
    // pay 1.00, each record's sum in kopecks as the journal shows it
    QTest::newRow("by workers")
        << Form18->Button4
        << QStringList{
               R"x(p1 report head "   Отчет по рабочим за период с 01.01.2024 по 01.02.2024")x",
               R"x(p1 child)x",
               R"x(p1 head fio "Иванов И.И.")x",
               R"x(p1 head nom "Стеллажи")x",
               R"x(p1 detail "Готовая продукция" "Покраска" " (RAL: 9003)" "5" "2.500")x",
               R"x(p1 detail "Готовая продукция" "Сварка" " " "11" "13.750")x",
               R"x(p1 foot nom "16" "16.250")x",
               R"x(p1 head nom "Шкафы")x",
               R"x(p1 detail "Заготовки" "Покраска" " (грунт)" "3" "1.000")x",
               R"x(p1 foot nom "3" "1.000")x",
               R"x(p1 foot fio "17.25")x",
               R"x(p1 head fio "Петров П.П.")x",
               R"x(p1 head nom "Стеллажи")x",
               R"x(p1 detail "Готовая продукция" "Сварка" " (RAL: 3020)" "4" "5.000")x",
               R"x(p1 foot nom "4" "5.000")x",
               R"x(p1 foot fio "5.00")x",
               R"x(p1 report foot "Итого:" "22.25")x",
               R"x(p1 page foot "1")x",
           };
    QTest::newRow("by products")
        << Form18->Button2
        << QStringList{
               R"x(p1 report head "   Отчет по продукции за период с 01.01.2024 по 01.02.2024" "Коробки" "Количество")x",
               R"x(p1 child)x",
               R"x(p1 head nom "Стеллажи")x",
               R"x(p1 detail "Готовая продукция" "Покраска" " (RAL: 9003)" "7.5" "5")x",
               R"x(p1 detail "Готовая продукция" "Сварка" " " "16.5" "11")x",
               R"x(p1 detail "Готовая продукция" "Сварка" " (RAL: 3020)" "6" "4")x",
               R"x(p1 foot nom "30" "20")x",
               R"x(p1 head nom "Шкафы")x",
               R"x(p1 detail "Заготовки" "Покраска" " (грунт)" "6" "3")x",
               R"x(p1 foot nom "6" "3")x",
               R"x(p1 report foot "Итого:" "36" "23")x",
               R"x(p1 page foot "1")x",
           };
    // all pieces with the rejects beside them, the colour as its number
    QTest::newRow("workers in detail")
        << Form18->Button1
        << QStringList{
               R"x(p1 report head "   Детальный отчет по рабочим за период с 01.01.2024 по 01.02.2024" "Брак" "Количество" "Сумма")x",
               R"x(p1 child)x",
               R"x(p1 head fio "Иванов И.И.")x",
               R"x(p1 detail "СТ-100" "Покраска" "9003" "Готовая продукция" "0" "5" "2.50")x",
               R"x(p1 detail "СТ-100" "Сварка" "0" "Готовая продукция" "1" "12" "13.75")x",
               R"x(p1 detail "ШК-200" "Покраска" "1" "Заготовки" "0" "3" "1.00")x",
               R"x(p1 foot fio "1" "20" "17.25")x",
               R"x(p1 head fio "Петров П.П.")x",
               R"x(p1 detail "СТ-100" "Сварка" "3020" "Готовая продукция" "0" "4" "5.00")x",
               R"x(p1 foot fio "0" "4" "5.00")x",
               R"x(p1 report foot "Итого:" "1" "24" "22.25")x",
               R"x(p1 page foot "1")x",
           };
    QTest::newRow("products in detail")
        << Form18->Button3
        << QStringList{
               R"x(p1 report head "   Детальный отчет по продукции за период с 01.01.2024 по 01.02.2024" "Брак" "Коробки" "Кол-во" "Сумма")x",
               R"x(p1 child)x",
               R"x(p1 head nom "Стеллажи")x",
               R"x(p1 detail "СТ-100" "Покраска" "9003" "Готовая продукция" "0" "7.5" "5" "2.500")x",
               R"x(p1 detail "СТ-100" "Сварка" "0" "Готовая продукция" "1" "18" "12" "13.750")x",
               R"x(p1 detail "СТ-100" "Сварка" "3020" "Готовая продукция" "0" "6" "4" "5.000")x",
               R"x(p1 foot nom "1" "31.50" "21" "21.25")x",
               R"x(p1 head nom "Шкафы")x",
               R"x(p1 detail "ШК-200" "Покраска" "1" "Заготовки" "0" "6" "3" "1.000")x",
               R"x(p1 foot nom "0" "6.00" "3" "1.00")x",
               R"x(p1 report foot "Итого:" "1" "37.5" "24" "22.25")x",
               R"x(p1 page foot "1")x",
           };
}

// Each report of January, previewed maximised at page width; its query is closed again.
void SummaryReportsTest::reports() {
    QFETCH(QPushButton*, button);
    QFETCH(QStringList, expected);
    const Printed p = print(button);
    QVERIFY(p.shown);
    QVERIFY(p.maximised);
    QVERIFY(p.pageWidth);
    QCOMPARE(canonical(p.doc), expected);
    for (auto* r : {Form18->WorkersReport.get(), Form18->ProductsReport.get(),
                    Form18->WorkersDetail.get(), Form18->ProductsDetail.get()})
        QVERIFY(!r->query.active());
}

void SummaryReportsTest::detailColumns_data() {
    QTest::addColumn<report::Layout>("layout");
    QTest::newRow("by workers") << reports::workersReportLayout();
    QTest::newRow("by products") << reports::productsReportLayout();
    QTest::newRow("workers in detail") << reports::workersDetailLayout();
    QTest::newRow("products in detail") << reports::productsDetailLayout();
}

// A line's columns stand side by side, and the longest kind and stage of the demo
// department fit theirs instead of being cut off or written over the next column.
void SummaryReportsTest::detailColumns() {
    QFETCH(report::Layout, layout);
    QVERIFY(layout.detail);
    std::vector<report::Item> items = layout.detail->items;
    std::sort(items.begin(), items.end(),
              [](const report::Item& a, const report::Item& b) { return a.x < b.x; });
    for (size_t i = 1; i < items.size(); ++i)
        QVERIFY2(items[i - 1].x + items[i - 1].width <= items[i].x + 1e-9,
                 qPrintable(items[i - 1].expr.text() + " runs into " + items[i].expr.text()));

    const double pxPerMm = 10;
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(10000);
    device.setDotsPerMeterY(10000);
    const QMap<QString, QString> longest{{"vid", "Покраска порошковая"},
                                         {"naimen", "Готовая продукция"}};
    int checked = 0;
    for (const report::Item& item : items)
        for (auto it = longest.cbegin(); it != longest.cend(); ++it)
            if (item.expr.text() == it.key() ||
                (it.key() == "naimen" && item.expr.text().startsWith("IF(naimen"))) {
                const QFontMetricsF m(report::qtFont(item.font, pxPerMm, device.logicalDpiX()),
                                      &device);
                QVERIFY2(m.horizontalAdvance(it.value()) / pxPerMm <= item.width,
                         qPrintable(it.value()));
                ++checked;
            }
    QCOMPARE(checked, 2);
}

void SummaryReportsTest::periodBounds_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QString>("foot");
    QTest::newRow("January, 1 February left out") << Jan1 << Feb1 << R"x("Итого:" "36" "23")x";
    QTest::newRow("only the day after") << Feb1 << QDate(2024, 2, 2) << R"x("Итого:" "150" "100")x";
    QTest::newRow("the day before January")
        << QDate(2023, 12, 31) << Jan1 << R"x("Итого:" "75" "50")x";
    QTest::newRow("31 December to 2 February")
        << QDate(2023, 12, 31) << QDate(2024, 2, 2) << R"x("Итого:" "261" "173")x";
}

void SummaryReportsTest::periodBounds() {
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QString, foot);
    setPeriod(from, to);
    QCOMPARE(reportFoot(Form18->Button2), "p1 report foot " + foot);
}

void SummaryReportsTest::emptyPeriod_data() {
    QTest::addColumn<QPushButton*>("button");
    QTest::addColumn<QString>("head");
    QTest::addColumn<QString>("foot");
    QTest::newRow("by workers") << Form18->Button4
                                << R"x("   Отчет по рабочим за период с 01.02.2024 по 01.02.2024")x"
                                << R"x("Итого:" "0.00")x";
    QTest::newRow("by products")
        << Form18->Button2
        << R"x("   Отчет по продукции за период с 01.02.2024 по 01.02.2024" "Коробки" "Количество")x"
        << R"x("Итого:" "0" "0")x";
    QTest::newRow("workers in detail")
        << Form18->Button1
        << R"x("   Детальный отчет по рабочим за период с 01.02.2024 по 01.02.2024" "Брак" "Количество" "Сумма")x"
        << R"x("Итого:" "0" "0" "0.00")x";
    QTest::newRow("products in detail")
        << Form18->Button3
        << R"x("   Детальный отчет по продукции за период с 01.02.2024 по 01.02.2024" "Брак" "Коробки" "Кол-во" "Сумма")x"
        << R"x("Итого:" "0" "0" "0" "0.00")x";
}

// "с" equal to "по": every report still shows, with its head, its zero totals and a page.
void SummaryReportsTest::emptyPeriod() {
    QFETCH(QPushButton*, button);
    QFETCH(QString, head);
    QFETCH(QString, foot);
    setPeriod(Feb1, Feb1);
    const Printed p = print(button);
    QVERIFY(p.shown);
    QCOMPARE(canonical(p.doc), (QStringList{"p1 report head " + head, "p1 child",
                                            "p1 report foot " + foot, "p1 page foot \"1\""}));
}

void SummaryReportsTest::productFilter_data() {
    QTest::addColumn<int>("kind");
    // report feet of "Отчет по рабочим", "Отчет по продукции", the two detailed reports;
    // rows of the workbook
    QTest::addColumn<QStringList>("feet");
    QTest::addColumn<int>("rows");
    const QStringList all{R"x("22.25")x", R"x("36" "23")x", R"x("1" "24" "22.25")x",
                          R"x("1" "37.5" "24" "22.25")x"};
    QTest::newRow("all") << 0 << all << 4;
    QTest::newRow("finished products")
        << 1
        << QStringList{R"x("21.25")x", R"x("30" "20")x", R"x("1" "21" "21.25")x",
                       R"x("1" "31.5" "21" "21.25")x"}
        << 3;
    QTest::newRow("blanks") << 2
                            << QStringList{R"x("1.00")x", R"x("6" "3")x", R"x("0" "3" "1.00")x",
                                           R"x("0" "6" "3" "1.00")x"}
                            << 1;
    // the filter of the rows before is lifted, by every button
    QTest::newRow("all again") << 0 << all << 4;
}

// The rows run in order on the same window: every button sets the filter afresh.
void SummaryReportsTest::productFilter() {
    QFETCH(int, kind);
    QFETCH(QStringList, feet);
    QFETCH(int, rows);
    ui::Script s;
    Form18->RadioGroup1->item(kind)->click();
    QCOMPARE(Form18->RadioGroup1->ItemIndex(), kind);
    QStringList actual;
    for (QPushButton* b : {Form18->Button4, Form18->Button2, Form18->Button1, Form18->Button3})
        actual << reportFoot(b).remove(QStringLiteral("p1 report foot \"Итого:\" "));
    QCOMPARE(actual, feet);
    Form18->Button6->click();
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel"));
    QCOMPARE(xlsx::read(opened_.value(0)).rows(), rows + 6); // under the title and captions
    QVERIFY(s.messages().isEmpty());
}

void SummaryReportsTest::workbook_data() {
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QList<QStringList>>("rows"); // data rows, sorted
    QTest::addColumn<QString>("period");
    QTest::addColumn<QString>("file");
    QTest::newRow("January")
        << Jan1 << Feb1
        << QList<QStringList>{
               {"Стеллажи", "Покраска (цвет: 9003)", "Готовая продукция", "7.5", "5"},
               {"Стеллажи", "Сварка", "Готовая продукция", "16.5", "11"},
               {"Стеллажи", "Сварка (цвет: 3020)", "Готовая продукция", "6", "4"},
               {"Шкафы", "Покраска (грунт)", "Заготовки", "6", "3"},
           }
        << "за период с 01.01.2024 по 01.02.2024"
        << "Отчет по продукции 2024-01.xlsx";
    QTest::newRow("empty period") << Feb1 << Feb1 << QList<QStringList>{}
                                  << "за период с 01.02.2024 по 01.02.2024"
                                  << "Отчет по продукции 2024-02-01.xlsx";
    QTest::newRow("some days") << Jan1.addDays(12) << Jan1.addDays(19) << QList<QStringList>{}
                               << "за период с 13.01.2024 по 20.01.2024"
                               << "Отчет по продукции 2024-01-13 — 2024-01-19.xlsx";
}

// The product report read back from the workbook: title, period, header, rows, caption, the
// file named after the report and its period.
void SummaryReportsTest::workbook() {
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QList<QStringList>, rows);
    QFETCH(QString, period);
    QFETCH(QString, file);
    setPeriod(from, to);
    QTemporaryDir folder; // the name the workbook takes, not one beside an earlier one
    reports::setExportFolder(folder.path());
    ui::Script s;
    QString counting;
    reports::setFileOpener([&](const QString& path) {
        opened_ << path;
        counting = Form18->Button6->text();
        return true;
    });
    Form18->Button6Click();
    QVERIFY(s.messages().isEmpty());
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel"));
    QCOMPARE(opened_.size(), 1);
    QCOMPARE(QFileInfo(opened_.first()).fileName(), file);
    const xlsx::Sheet sheet = xlsx::read(opened_.first());
    QCOMPARE(sheet.value("A3"), QStringLiteral("Отчет по продукции"));
    QCOMPARE(sheet.value("A4"), period);
    QCOMPARE(sheet.row(6),
             (QStringList{"Наименование", "Операция", "Вид продукции", "Коробки", "Кол-во"}));
    QCOMPARE(sheet.rows(), rows.size() + 6);
    QList<QStringList> written;
    for (int r = 7; r <= sheet.rows(); ++r)
        written << sheet.row(r);
    std::sort(written.begin(), written.end());
    QCOMPARE(written, rows);
    for (int r = 7; r <= sheet.rows(); ++r) {
        QVERIFY(sheet.cells.value(QStringLiteral("D%1").arg(r)).number);
        QVERIFY(sheet.cells.value(QStringLiteral("E%1").arg(r)).number);
    }
    QVERIFY(!Form18->XLS_Rep->active());
    // counting only while the rows are written
    QCOMPARE(counting, QStringLiteral("Excel (%1 из %1)").arg(rows.size()));
}

// No workbook can be begun: the two messages, nothing opened, the caption as it was.
void SummaryReportsTest::workbookWithoutFolder() {
    QFile plain(dir_.filePath(QStringLiteral("plain")));
    QVERIFY(plain.open(QIODevice::WriteOnly));
    plain.close();
    reports::setExportFolder(plain.fileName() + QStringLiteral("/Табель"));
    ui::Script s;
    Form18->Button6->click();
    // the first box names the folder and what is wrong with it
    QCOMPARE(s.texts(), (QStringList{"Невозможно открыть Microsoft Excel.\n«" +
                                         QDir::toNativeSeparators(plain.fileName()) +
                                         "» — это файл, а не папка.",
                                     "Ошибка открытия файла Microsoft Excel."}));
    QVERIFY(opened_.isEmpty());
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel"));
    QVERIFY(!Form18->XLS_Rep->active());
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void SummaryReportsTest::roles_data() {
    QTest::addColumn<QString>("text");
    // Button1 Button2 Button3 Button4 Button6 RadioGroup1, then the chosen kind
    QTest::addColumn<QString>("enabled");
    QTest::addColumn<int>("kind");
    QTest::newRow("full access") << "7093"
                                 << "111111" << 0;
    QTest::newRow("data entry") << "plovnik"
                                << "001001" << 0;
    QTest::newRow("report only") << "fenlo"
                                 << "001000" << 1;
    QTest::newRow("read-only") << "tavrel"
                               << "111111" << 0;
}

// Each role logs in, opens "Сводные отчеты" from the journal and finds what it may use;
// the one report it may print works.
void SummaryReportsTest::roles() {
    QFETCH(QString, text);
    QFETCH(QString, enabled);
    QFETCH(int, kind);
    ui::Script s;
    QString actual;
    int chosen = -1;
    QString foot;
    s.onModal(Form1, [&] {
        s.onModal(Form18, [&] {
            for (QWidget* w :
                 QList<QWidget*>{Form18->Button1, Form18->Button2, Form18->Button3, Form18->Button4,
                                 Form18->Button6, Form18->RadioGroup1})
                actual += w->isEnabled() ? u'1' : u'0';
            chosen = Form18->RadioGroup1->ItemIndex();
            setPeriod(Jan1, Feb1);
            foot = reportFoot(Form18->Button3);
        });
        Form1->N10Click();
    });
    Form23->Edit1->setText(text);
    Form23->Button1Click();
    Form23->show();
    app::clearTermination();
    QCOMPARE(actual, enabled);
    QCOMPARE(chosen, kind);
    QCOMPARE(foot, kind == 1 ? R"x(p1 report foot "Итого:" "1" "31.5" "21" "21.25")x"
                             : R"x(p1 report foot "Итого:" "1" "37.5" "24" "22.25")x");
}

void SummaryReportsTest::reversedPeriod_data() {
    QTest::addColumn<QPushButton*>("button");
    QTest::newRow("by workers") << Form18->Button4;
    QTest::newRow("by products") << Form18->Button2;
    QTest::newRow("workers in detail") << Form18->Button1;
    QTest::newRow("products in detail") << Form18->Button3;
    QTest::newRow("workbook") << Form18->Button6;
}

// "с" after "по": said so in Russian, and no empty report or workbook that would read as a
// period without work.
void SummaryReportsTest::reversedPeriod() {
    QFETCH(QPushButton*, button);
    setPeriod(Feb1, Jan1);
    ui::Script s;
    button->click();
    QCOMPARE(s.texts(), QStringList{"Период задан наоборот: дата «с» (01.02.2024) позже даты «по» "
                                    "(01.01.2024). Поменяйте даты местами."});
    QCOMPARE(s.messages().first().caption, QString("Ошибка"));
    QCOMPARE(s.shown().size(), 1); // no preview
    QVERIFY(opened_.isEmpty());
    QCOMPARE(Form18->Button6->text(), QStringLiteral("Excel"));
}

void SummaryReportsTest::bandsDoNotOverlap_data() {
    QTest::addColumn<report::Layout>("layout");
    QTest::addColumn<QString>("prefix");
    QTest::newRow("by workers") << reports::workersReportLayout() << "Отчет по рабочим";
    QTest::newRow("by products") << reports::productsReportLayout() << "Отчет по продукции";
    QTest::newRow("workers in detail")
        << reports::workersDetailLayout() << "Детальный отчет по рабочим";
    QTest::newRow("products in detail")
        << reports::productsDetailLayout() << "Детальный отчет по продукции";
}

// No two texts of a band meet, the title with its period included, and each column caption
// stands over its column.
void SummaryReportsTest::bandsDoNotOverlap() {
    QFETCH(report::Layout, layout);
    QFETCH(QString, prefix);
    // the widest dates there are
    layout.setText("QRLabel1", reports::reportTitle("   " + prefix + " за период с ",
                                                    {QDate(2088, 8, 28), QDate(2088, 8, 28)}));
    const double pxPerMm = 10;
    QImage device(1, 1, QImage::Format_RGB32);
    device.setDotsPerMeterX(10000);
    device.setDotsPerMeterY(10000);
    // where a text is drawn: a label's own text by its alignment, a value its whole box
    auto extent = [&](const report::Band& band, const report::Item& item) {
        const double h = item.height > 0 ? item.height : band.height - item.y;
        double left = item.x, width = item.width;
        if (item.kind == report::Item::Kind::Label) {
            const QFontMetricsF m(report::qtFont(item.font, pxPerMm, device.logicalDpiX()),
                                  &device);
            const double w = m.horizontalAdvance(item.text) / pxPerMm;
            if (w > item.width + 1e-9) return QRectF(); // cut off: reported below
            if (item.align == report::Align::Center) left += (item.width - w) / 2;
            if (item.align == report::Align::Right) left += item.width - w;
            width = w;
        }
        return QRectF(left, item.y, width, h);
    };
    std::vector<const report::Band*> bands;
    std::function<void(const report::Band&)> collect = [&](const report::Band& b) {
        bands.push_back(&b);
        for (const report::Band& c : b.children)
            collect(c);
    };
    for (const report::Group& g : layout.groups) {
        collect(g.head);
        if (g.foot) collect(*g.foot);
    }
    if (layout.detail) collect(*layout.detail);
    if (layout.pageFoot) collect(*layout.pageFoot);
    for (const report::Band* band : bands) {
        const auto& items = band->items;
        for (size_t i = 0; i < items.size(); ++i) {
            const QRectF a = extent(*band, items[i]);
            QVERIFY2(a.isValid(), qPrintable(items[i].text + " is cut off"));
            for (size_t j = i + 1; j < items.size(); ++j) {
                const QRectF b = extent(*band, items[j]);
                const QRectF both = a.intersected(b);
                QVERIFY2(both.width() <= 1e-9 || both.height() <= 1e-9,
                         qPrintable(QString("%1: %2 meets %3")
                                        .arg(band->name, items[i].text + items[i].expr.text(),
                                             items[j].text + items[j].expr.text())));
            }
        }
    }
    // captions over their columns
    const QMap<QString, QString> fieldOf{{"Брак", "brk"},
                                         {"Коробки", "mass"},
                                         {"Количество", "kolvo"},
                                         {"Кол-во", "kolvo"},
                                         {"Сумма", "summa"}};
    const report::Band& head = layout.groups.front().head;
    for (const report::Item& caption : head.items) {
        if (!fieldOf.contains(caption.text)) continue;
        const auto column = std::find_if(
            layout.detail->items.begin(), layout.detail->items.end(),
            [&](const report::Item& i) { return i.expr.text() == fieldOf[caption.text]; });
        QVERIFY(column != layout.detail->items.end());
        QCOMPARE(caption.x, column->x);
        QCOMPARE(caption.width, column->width);
        QCOMPARE(caption.align, column->align);
    }
}

// Two marks of one product name that weigh differently make one line of that name, stage,
// operation and colour, in the printout and in the workbook.
void SummaryReportsTest::marksOfOneProductMerged() {
    fixture::exec("INSERT INTO cmn_gds_and_srv.gds_and_srv (id, s_caption, s_description, "
                  "id_msm_bs, massa, id_class_item) VALUES (103, 'СТ-300', '', 6, 3, 11);"
                  "INSERT INTO accounts_dep.oper (id, vid, naimen, i_id, cena_new) VALUES "
                  "(4, 1, 0, 103, 0);"
                  "INSERT INTO accounts_dep.smena (data, smena, w_id, i_id, o_id, cena, kol_vo, "
                  "brak, color, prize, ok) VALUES ('2024-01-15', 1, 1, 103, 4, 1, 2, 0, 0, 0, "
                  "'no')");
    const QStringList lines = canonical(print(Form18->Button2).doc);
    Form18->Button6Click();
    const xlsx::Sheet sheet = xlsx::read(opened_.value(0));
    fixture::exec("DELETE FROM accounts_dep.smena WHERE i_id=103; DELETE FROM accounts_dep.oper "
                  "WHERE id=4; DELETE FROM cmn_gds_and_srv.gds_and_srv WHERE id=103");
    // 11 pieces of 1.5 and 2 of 3
    QCOMPARE(lines.filter(R"x("Сварка" " ")x"),
             QStringList{R"x(p1 detail "Готовая продукция" "Сварка" " " "22.5" "13")x"});
    QVERIFY(lines.contains(R"x(p1 report foot "Итого:" "42" "25")x"));
    QList<QStringList> rows;
    for (int r = 2; r <= sheet.rows(); ++r)
        if (sheet.row(r).value(1) == "Сварка") rows << sheet.row(r);
    QCOMPARE(rows, (QList<QStringList>{{"Стеллажи", "Сварка", "Готовая продукция", "22.5", "13"}}));
}

// Every column of the product workbook is as wide as its widest text; the title and the period
// stand across the columns above them and widen none.
void SummaryReportsTest::workbookColumnsSized() {
    Form18->Button6Click();
    const xlsx::Sheet sheet = xlsx::read(opened_.value(0));
    for (int c = 1; c <= 5; ++c) {
        qsizetype widest = 0;
        for (int r = 6; r <= sheet.rows(); ++r)
            widest = std::max(widest, sheet.row(r).value(c - 1).size());
        QVERIFY2(sheet.widths.value(c) >= widest, qPrintable(QString("column %1").arg(c)));
    }
}

// A workbook is saved as other files are: readable by whoever the umask lets read it.
void SummaryReportsTest::workbookReadableByOthers() {
    const mode_t previous = ::umask(022);
    Form18->Button6Click();
    ::umask(previous);
    const QFile::Permissions p = QFileInfo(opened_.value(0)).permissions();
    QVERIFY(p.testFlag(QFile::ReadOwner) && p.testFlag(QFile::WriteOwner));
    QVERIFY(p.testFlag(QFile::ReadGroup));
    QVERIFY(p.testFlag(QFile::ReadOther));
    QVERIFY(!p.testFlag(QFile::WriteOther));
}

QTEST_MAIN(SummaryReportsTest)
#include "tst_summary_reports.moc"
