// Laying out reports into pages: band order, running sums, keeping heads with what
// follows, page feet, repeated heads, empty datasets. Compared as dumps of the pages.
#include "report_engine/prepare.h"
#include "report_rows.h"
#include "reports/layouts.h"

#include <QtTest>

using namespace report;

Q_DECLARE_METATYPE(std::shared_ptr<report::MemoryRows>)
Q_DECLARE_METATYPE(report::Layout)

namespace {

// A plain report of groups of ten-millimetre bands: head (linked or not), lines, foot.
Layout groupsLayout(bool linked) {
    LayoutBuilder b;
    b.groupHead(QStringLiteral("g"), 10, linked).field(0, 50, QStringLiteral("g"));
    b.detail(10).field(0, 50, QStringLiteral("v"));
    b.groupFoot(QStringLiteral("g"), 10).expr(0, 50, QStringLiteral("sum(v)"));
    auto foot = b.pageFoot(5);
    foot.expr(0, 20, QStringLiteral("PAGENUMBER"));
    foot.expr(100, 20, QStringLiteral("sum(v)"));
    return b.build();
}

MemoryRows groupRows(const QList<int>& sizes) {
    MemoryRows r({"g", "v"});
    for (int g = 0; g < sizes.size(); ++g)
        for (int i = 0; i < sizes[g]; ++i)
            r.add({QString(QChar('A' + g)), 1});
    return r;
}

QStringList bandsOf(const Document& doc, const QString& prefix) {
    QStringList out;
    for (const QString& line : doc.dump())
        if (line.contains(prefix)) out << line;
    return out;
}

} // namespace

class PrepareTest : public QObject {
    Q_OBJECT
private slots:
    void workerWithTwoProducts();
    void layoutsFillTheirColumns_data();
    void layoutsFillTheirColumns();
    void emptyDatasetStillPrints_data();
    void emptyDatasetStillPrints();
    void linkedHeadKeptWithItsLines_data();
    void linkedHeadKeptWithItsLines();
    void pageFootOnEveryPage();
    void timesheetHeadOnEveryPage();
    void missingItemNamed();
};

// Group feet print in order, each worker's and product's sums restart after their foot,
// and the report foot totals everything; summa comes as number and as exact decimal text.
void PrepareTest::workerWithTwoProducts() {
    Layout layout = reports::workersReportLayout();
    layout.setText(QStringLiteral("QRLabel1"), QStringLiteral("   Отчет по рабочим"));
    const QStringList expected{
        R"x(p1 y=10.0 report head "   Отчет по рабочим")x",
        R"x(p1 y=17.0 child)x",
        R"x(p1 y=17.5 head fio "Иванов И.И.")x",
        R"x(p1 y=23.0 head nom "СТ-100")x",
        R"x(p1 y=28.5 detail "Готовая продукция" "Сварка" " " "10" "125.000")x",
        R"x(p1 y=33.5 detail "Готовая продукция" "Покраска" " (RAL: 9003)" "5" "62.500")x",
        R"x(p1 y=38.5 foot nom "15" "187.500")x",
        R"x(p1 y=44.0 head nom "ШК-200")x",
        R"x(p1 y=49.5 detail "Заготовки" "Покраска" " (грунт)" "4" "80.125")x",
        R"x(p1 y=54.5 foot nom "4" "80.125")x",
        R"x(p1 y=60.0 foot fio "267.63")x",
        R"x(p1 y=65.5 head fio "Петров П.П.")x",
        R"x(p1 y=71.0 head nom "СТ-100")x",
        R"x(p1 y=76.5 detail "Готовая продукция" "Сварка" " " "2" "25.001")x",
        R"x(p1 y=81.5 foot nom "2" "25.001")x",
        R"x(p1 y=87.0 foot fio "25.00")x",
        R"x(p1 y=92.5 report foot "Итого:" "292.63")x",
        R"x(p1 y=282.0 page foot "1")x",
    };
    QCOMPARE(prepare(layout, rows::workers()).dump(), expected);
}

void PrepareTest::layoutsFillTheirColumns_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<std::shared_ptr<MemoryRows>>("data");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("products")
        << reports::productsReportLayout() << std::make_shared<MemoryRows>(rows::products())
        << QStringList{
               R"x(p1 y=10.0 report head "T" "Коробки" "Количество")x",
               R"x(p1 y=22.5 child)x",
               R"x(p1 y=23.0 head nom "СТ-100")x",
               R"x(p1 y=28.5 detail "Готовая продукция" "Сварка" " " "18" "12")x",
               R"x(p1 y=33.5 detail "Заготовки" "Покраска" " (грунт)" "4.5" "3")x",
               R"x(p1 y=38.5 foot nom "22.5" "15")x",
               R"x(p1 y=44.0 head nom "ШК-200")x",
               R"x(p1 y=49.5 detail "Готовая продукция" "Покраска" " (RAL: 9003)" "14.25" "7")x",
               R"x(p1 y=54.5 foot nom "14.25" "7")x",
               R"x(p1 y=60.0 report foot "Итого:" "37" "22")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QTest::newRow("workers in detail")
        << reports::workersDetailLayout() << std::make_shared<MemoryRows>(rows::workersDetail())
        << QStringList{
               R"x(p1 y=10.0 report head "T" "Брак" "Количество" "Сумма")x",
               R"x(p1 y=22.5 child)x",
               R"x(p1 y=23.0 head fio "Иванов И.И.")x",
               R"x(p1 y=28.5 detail "СТ-100-01" "Сварка" "0" "Готовая продукция" "1" "11" "125.00")x",
               R"x(p1 y=33.5 detail "СТ-100-01" "Покраска" "9003" "Готовая продукция" "0" "5" "62.50")x",
               R"x(p1 y=38.5 foot fio "1" "16" "187.50")x",
               R"x(p1 y=44.0 head fio "Петров П.П.")x",
               R"x(p1 y=49.5 detail "ШК-200-02" "Покраска" "1" "Заготовки" "2" "4" "40.00")x",
               R"x(p1 y=54.5 foot fio "2" "4" "40.00")x",
               R"x(p1 y=60.0 report foot "Итого:" "3" "20" "227.50")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QTest::newRow("products in detail")
        << reports::productsDetailLayout() << std::make_shared<MemoryRows>(rows::productsDetail())
        << QStringList{
               R"x(p1 y=10.0 report head "T" "Брак" "Коробки" "Кол-во" "Сумма")x",
               R"x(p1 y=22.5 child)x",
               R"x(p1 y=23.0 head nom "СТ-100")x",
               R"x(p1 y=28.5 detail "СТ-100-01" "Сварка" "0" "Готовая продукция" "1" "16.5" "11" "125.000")x",
               R"x(p1 y=33.5 detail "СТ-100-01" "Покраска" "9003" "Готовая продукция" "0" "7.5" "5" "62.500")x",
               R"x(p1 y=38.5 foot nom "1" "24.00" "16" "187.50")x",
               R"x(p1 y=44.0 head nom "ШК-200")x",
               R"x(p1 y=49.5 detail "ШК-200-02" "Покраска" "1" "Заготовки" "2" "8" "4" "40.001")x",
               R"x(p1 y=54.5 foot nom "2" "8.00" "4" "40.00")x",
               R"x(p1 y=60.0 report foot "Итого:" "3" "32" "20" "227.50")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    auto days = std::make_shared<MemoryRows>(rows::timesheet(0));
    QVariantList some{"Иванов И.И.", 8, QVariant(), 9};
    days->add(some);
    days->add({"Петров П.П."});
    QTest::newRow("timesheet: empty days and totals")
        << reports::timesheetLayout() << days
        << QStringList{
               R"x(p1 y=10.0 heading)x",
               R"x(p1 y=34.0 report head "Данные за:" "1" "2" "3" "4" "5" "6" "7" "8" "9" "10" "11" "12" "13" "14" "15" "16" "17" "18" "19" "20" "21" "22" "23" "24" "25" "26" "27" "28" "29" "30" "31" "Итого")x",
               R"x(p1 y=40.6 detail "Иванов И.И." "8" "9" "17")x",
               R"x(p1 y=47.0 detail "Петров П.П.")x",
               R"x(p1 y=53.3 report foot "Итого" "8" "9" "17")x",
               R"x(p1 y=59.7 child)x",
               R"x(p1 y=65.7 child "Ответственное лицо" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=76.7 child "Руководитель структурного подразделения" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=87.7 child "Работник кадровой службы" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=195.5 page foot "1")x",
           };
}

void PrepareTest::layoutsFillTheirColumns() {
    QFETCH(Layout, layout);
    QFETCH(std::shared_ptr<MemoryRows>, data);
    QFETCH(QStringList, expected);
    if (layout.groups.front().head.items.front().name == QLatin1String("QRLabel1"))
        layout.setText(QStringLiteral("QRLabel1"), QStringLiteral("T"));
    QCOMPARE(prepare(layout, *data).dump(), expected);
}

void PrepareTest::emptyDatasetStillPrints_data() {
    QTest::addColumn<Layout>("layout");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("workers") << reports::workersReportLayout()
                             << QStringList{"fio",   "nom",   "vid",  "naimen",
                                            "color", "kolvo", "summa"}
                             << QStringList{
                                    R"x(p1 y=10.0 report head)x",
                                    R"x(p1 y=17.0 child)x",
                                    R"x(p1 y=17.5 report foot "Итого:" "0.00")x",
                                    R"x(p1 y=282.0 page foot "1")x",
                                };
    QTest::newRow("products in detail")
        << reports::productsDetailLayout()
        << QStringList{"marka", "vid", "naimen", "nom", "kolvo", "brk", "summa", "color", "mass"}
        << QStringList{
               R"x(p1 y=10.0 report head "Брак" "Коробки" "Кол-во" "Сумма")x",
               R"x(p1 y=22.5 child)x",
               R"x(p1 y=23.0 report foot "Итого:" "0" "0" "0" "0.00")x",
               R"x(p1 y=282.0 page foot "1")x",
           };
    QStringList days{"fio"};
    for (int d = 1; d <= 31; ++d)
        days << QStringLiteral("sd%1").arg(d);
    QTest::newRow("timesheet")
        << reports::timesheetLayout() << days
        << QStringList{
               R"x(p1 y=10.0 heading)x",
               R"x(p1 y=34.0 report head "Данные за:" "1" "2" "3" "4" "5" "6" "7" "8" "9" "10" "11" "12" "13" "14" "15" "16" "17" "18" "19" "20" "21" "22" "23" "24" "25" "26" "27" "28" "29" "30" "31" "Итого")x",
               R"x(p1 y=40.6 report foot "Итого")x",
               R"x(p1 y=47.0 child)x",
               R"x(p1 y=53.0 child "Ответственное лицо" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=64.0 child "Руководитель структурного подразделения" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=75.0 child "Работник кадровой службы" "(подпись)" "(расшифровка подписи)")x",
               R"x(p1 y=195.5 page foot "1")x",
           };
}

void PrepareTest::emptyDatasetStillPrints() {
    QFETCH(Layout, layout);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, expected);
    QCOMPARE(prepare(layout, MemoryRows(fields)).dump(), expected);
}

// Group A fills the first page down to 270 mm of 282; B's head, first line and foot need
// 30 mm, so a linked head goes to the next page while an unlinked one stays alone.
void PrepareTest::linkedHeadKeptWithItsLines_data() {
    QTest::addColumn<bool>("linked");
    QTest::addColumn<int>("firstGroup");
    QTest::addColumn<QStringList>("heads");
    QTest::newRow("linked head moves")
        << true << 24 << QStringList{R"x(p1 y=10.0 head g "A")x", R"x(p2 y=10.0 head g "B")x"};
    QTest::newRow("unlinked head stays")
        << false << 24 << QStringList{R"x(p1 y=10.0 head g "A")x", R"x(p1 y=270.0 head g "B")x"};
    QTest::newRow("linked head that fits stays")
        << true << 21 << QStringList{R"x(p1 y=10.0 head g "A")x", R"x(p1 y=240.0 head g "B")x"};
}

void PrepareTest::linkedHeadKeptWithItsLines() {
    QFETCH(bool, linked);
    QFETCH(int, firstGroup);
    QFETCH(QStringList, heads);
    const Document doc = prepare(groupsLayout(linked), groupRows({firstGroup, 3}));
    QCOMPARE(bandsOf(doc, " head "), heads);
    // nothing is lost or counted twice by the move
    QStringList feet;
    for (const QString& line : bandsOf(doc, " foot g"))
        feet << line.section('"', 1, 1);
    QCOMPARE(feet, (QStringList{QString::number(firstGroup), "3"}));
}

// The page foot stands at the same place on every page, the last included, with the
// page number and a sum that restarts on each page.
void PrepareTest::pageFootOnEveryPage() {
    const Document doc = prepare(groupsLayout(false), groupRows({60}));
    QCOMPARE(bandsOf(doc, "page foot"), (QStringList{
                                            R"x(p1 y=282.0 page foot "1" "26")x",
                                            R"x(p2 y=282.0 page foot "2" "27")x",
                                            R"x(p3 y=282.0 page foot "3" "7")x",
                                        }));
    QCOMPARE(bandsOf(doc, "foot g"), QStringList{R"x(p3 y=80.0 foot g "60")x"});
}

// The timesheet's head, with the period a window wrote into it, tops every page; the heading
// stands above it on the first page only.
void PrepareTest::timesheetHeadOnEveryPage() {
    Layout layout = reports::timesheetLayout();
    layout.setText(QStringLiteral("QRLabel33"), QStringLiteral("Январь 2024 г."));
    const Document doc = prepare(layout, rows::timesheet(60));
    QCOMPARE(doc.pageCount(), 3);
    int lines = 0;
    for (int p = 0; p < doc.pageCount(); ++p) {
        const Page& page = doc.pages[p];
        const PlacedBand& head = page.bands[p == 0 ? 1 : 0];
        QCOMPARE(page.bands.front().name, QString(p == 0 ? "heading" : "report head"));
        QCOMPARE(head.name, QStringLiteral("report head"));
        QCOMPARE(head.y, p == 0 ? 34.0 : 10.0);
        QCOMPARE(doc.texts(p).mid(0, 3), (QStringList{"Январь 2024 г.", "1", "2"}));
        QCOMPARE(page.bands.back().name, QStringLiteral("page foot"));
        QCOMPARE(doc.texts(p).last(), QString::number(p + 1));
        for (const PlacedBand& b : page.bands) {
            if (b.name != QLatin1String("detail")) continue;
            ++lines;
            QVERIFY2(b.y + b.height <= 195.5 + 1e-9, "a line runs into the page foot");
        }
    }
    QCOMPARE(lines, 60);
    QCOMPARE(bandsOf(doc, "report head").size(), 3);
}

void PrepareTest::missingItemNamed() {
    Layout layout = reports::workersReportLayout();
    try {
        layout.setText(QStringLiteral("QRLabel33"), QStringLiteral("x"));
        QFAIL("a missing item was accepted");
    } catch (const Error& e) {
        QCOMPARE(e.message(), QStringLiteral("В макете отчета нет элемента \"QRLabel33\""));
    }
}

QTEST_MAIN(PrepareTest)
#include "tst_prepare.moc"
