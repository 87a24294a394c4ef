#include "reports/layouts.h"

namespace reports {

using namespace report;

namespace {

const QColor kHeadGrey(0xF4, 0xF4, 0xF4);  // report head
const QColor kGroupGrey(0xE0, 0xE0, 0xE0); // outermost group head
const QColor kTotalGrey(0xEF, 0xEF, 0xEF); // total cells
const QColor kFootGrey(0xDC, 0xDC, 0xDC);  // report foot
const QColor kDots(0x80, 0x80, 0x80);      // dotted rules of the timesheet

const QString kStage = QStringLiteral("IF(naimen=0,'Готовая продукция','Заготовки')");
const QString kColour =
    QStringLiteral("if(color>0,if(color=1,' (грунт)',' (RAL: '+STR(color)+')'),' ')");

// Heights of the summary reports' bands, mm.
constexpr double kTitle = 7;
constexpr double kCaptions = 5.5; // the column captions' row under the title
constexpr double kSpacer = 0.5;
constexpr double kHead = 5.5;
constexpr double kLine = 5;
constexpr double kFoot = 5.5;
constexpr double kReportFoot = 6;
constexpr double kPageFoot = 5;

LayoutBuilder summaryReport(const QString& title) {
    LayoutBuilder b(QPageLayout::Portrait, 10);
    b.font(QStringLiteral("Arial"), 10).title(title);
    return b;
}

// A bold sum of a field on a grey cell, as every foot shows its totals.
void total(BandBuilder& band, double x, double width, const char* field, const char* mask = "") {
    ItemRef item = band.expr(x, width, QStringLiteral("sum(%1)").arg(QLatin1String(field)));
    item.bold().fill(kTotalGrey);
    if (*mask) item.mask(QString::fromLatin1(mask));
}

// The report head: the title on a row of its own, whatever the length of its period, and
// under it each column's caption over its column, as wide and aligned as the column's
// values in the detail line.
struct Caption {
    QString text;
    double x, width;
    bool centred;
};
void reportHead(LayoutBuilder& b, const QList<Caption>& captions) {
    auto head = b.reportHead(captions.isEmpty() ? kTitle : kTitle + kCaptions).fill(kHeadGrey);
    head.label(0, 190, QString()).bold().name(QStringLiteral("QRLabel1")).top(0, kTitle);
    for (const Caption& c : captions) {
        ItemRef item = head.label(c.x, c.width, c.text).bold().top(kTitle, kCaptions);
        if (c.centred) item.center();
    }
    head.child(kSpacer);
}

void pageNumber(LayoutBuilder& b) {
    b.pageFoot(kPageFoot).expr(176, 14, QStringLiteral("PAGENUMBER"));
}

} // namespace

Layout timesheetLayout(const SheetTitle& title) {
    LayoutBuilder b(QPageLayout::Landscape, 10);
    b.font(QStringLiteral("Arial"), 10).title(title.title);
    const double first = 81.2, pitch = 5.9, total = 264.6;
    const double totalWidth = b.width() - total;
    addHeading(b, title);

    auto head = b.reportHead(6.6, /*repeatOnNewPage=*/true).frame(Top | Bottom);
    head.label(0, first - 1, QStringLiteral("Данные за:")).bold().name(QStringLiteral("QRLabel33"));
    for (int d = 1; d <= 31; ++d)
        head.label(first + (d - 1) * pitch, pitch, QString::number(d))
            .center()
            .bold()
            .frame(Left | Right, LineStyle::Dotted, kDots)
            .name(QStringLiteral("QRLabel%1").arg(d));
    head.label(total, totalWidth, QStringLiteral("Итого"))
        .center()
        .bold()
        .name(QStringLiteral("QRLabel32"));

    // a day without hours prints nothing, whether its cells are empty or hold 0
    auto line = b.detail(6.35).frame(Top | Bottom, LineStyle::Dotted, kDots);
    line.field(0, 80.4, QStringLiteral("fio"));
    QStringList days;
    QList<TotalCell> totals;
    for (int d = 1; d <= 31; ++d) {
        const QString day = QStringLiteral("sd%1").arg(d);
        const double x = first + (d - 1) * pitch;
        auto cell = line.expr(x, pitch, blankZero(day)).center().size(9);
        if (d % 2 == 1) cell.frame(Left | Right, LineStyle::Dotted, kDots);
        days << day;
        totals << TotalCell{x, pitch, day, QString()};
    }
    line.expr(total, totalWidth, days.join(QLatin1Char('+')))
        .center()
        .bold()
        .name(QStringLiteral("QRExpr1"));
    totals << TotalCell{total, totalWidth, days.join(QLatin1Char('+')), QString()};
    addTotals(b, first, totals);

    b.pageFoot(4.5)
        .expr(b.width() - 30, 30, QStringLiteral("PAGENUMBER"))
        .right()
        .name(QStringLiteral("QRExpr2"));
    return b.build();
}

Layout workersReportLayout() {
    LayoutBuilder b = summaryReport(QStringLiteral("Отчет по рабочим"));
    reportHead(b, {});

    b.groupHead(QStringLiteral("fio"), kHead)
        .fill(kGroupGrey)
        .field(0, 190, QStringLiteral("fio"))
        .bold();
    b.groupHead(QStringLiteral("nom"), kHead, /*linkedToFoot=*/true)
        .field(0, 190, QStringLiteral("nom"))
        .bold();

    auto line = b.detail(kLine);
    line.expr(13, 44, kStage);
    line.field(57, 45, QStringLiteral("vid")).center();
    line.expr(102, 36, kColour);
    line.field(138, 25, QStringLiteral("kolvo")).center();
    line.field(163, 27, QStringLiteral("summa")).center().mask(QStringLiteral("#0.000"));

    auto nom = b.groupFoot(QStringLiteral("nom"), kFoot);
    total(nom, 138, 24, "kolvo");
    total(nom, 163, 27, "summa", "#0.000");

    auto fio = b.groupFoot(QStringLiteral("fio"), kFoot);
    total(fio, 163, 27, "summa", "#0.00");

    auto foot = b.reportFoot(kReportFoot).fill(kFootGrey);
    foot.label(138, 22, QStringLiteral("Итого:")).bold();
    total(foot, 161, 29, "summa", "#0.00");

    pageNumber(b);
    return b.build();
}

Layout productsReportLayout() {
    LayoutBuilder b = summaryReport(QStringLiteral("Отчет по продукции"));
    reportHead(b, {{QStringLiteral("Коробки"), 134, 29, true},
                   {QStringLiteral("Количество"), 163, 27, true}});

    b.groupHead(QStringLiteral("nom"), kHead, /*linkedToFoot=*/true)
        .fill(kGroupGrey)
        .field(0, 190, QStringLiteral("nom"))
        .bold();

    auto line = b.detail(kLine);
    line.expr(13, 42, kStage);
    line.field(55, 38, QStringLiteral("vid")).center();
    line.expr(93, 41, kColour);
    line.field(134, 29, QStringLiteral("mass")).center();
    line.field(163, 27, QStringLiteral("kolvo")).center();

    auto nom = b.groupFoot(QStringLiteral("nom"), kFoot);
    total(nom, 134, 28, "mass");
    total(nom, 163, 27, "kolvo");

    auto foot = b.reportFoot(kReportFoot).fill(kFootGrey);
    foot.label(106, 24, QStringLiteral("Итого:")).bold();
    total(foot, 131, 29, "mass", "#0");
    total(foot, 161, 29, "kolvo");

    pageNumber(b);
    return b.build();
}

Layout workersDetailLayout() {
    LayoutBuilder b = summaryReport(QStringLiteral("Детальный отчет по рабочим"));
    reportHead(b, {{QStringLiteral("Брак"), 128, 18, true},
                   {QStringLiteral("Количество"), 146, 24, true},
                   {QStringLiteral("Сумма"), 170, 20, true}});

    b.groupHead(QStringLiteral("fio"), kHead, /*linkedToFoot=*/true)
        .fill(kGroupGrey)
        .field(0, 190, QStringLiteral("fio"))
        .bold();

    // the kind starts further left than the old form had it, so that "Покраска порошковая"
    // (36 mm) is not cut off; marks are short
    auto line = b.detail(kLine);
    line.field(0, 35, QStringLiteral("marka"));
    line.field(35, 39, QStringLiteral("vid")).center();
    line.field(74, 17, QStringLiteral("color")).center();
    line.expr(91, 37, kStage);
    line.field(128, 18, QStringLiteral("brk")).center();
    line.field(146, 24, QStringLiteral("kolvo")).center();
    line.field(170, 20, QStringLiteral("summa")).center().mask(QStringLiteral("#0.00"));

    auto fio = b.groupFoot(QStringLiteral("fio"), kFoot);
    total(fio, 128, 17, "brk");
    total(fio, 146, 23, "kolvo");
    total(fio, 170, 20, "summa", "#0.00");

    auto foot = b.reportFoot(kReportFoot).fill(kFootGrey);
    foot.label(106, 25, QStringLiteral("Итого:")).bold();
    total(foot, 132, 12, "brk");
    total(foot, 145, 20, "kolvo");
    total(foot, 166, 24, "summa", "#0.00");

    pageNumber(b);
    return b.build();
}

Layout productsDetailLayout() {
    LayoutBuilder b = summaryReport(QStringLiteral("Детальный отчет по продукции"));
    reportHead(b, {{QStringLiteral("Брак"), 125, 9, true},
                   {QStringLiteral("Коробки"), 134, 18, true},
                   {QStringLiteral("Кол-во"), 152, 18, true},
                   {QStringLiteral("Сумма"), 170, 20, true}});

    b.groupHead(QStringLiteral("nom"), kHead, /*linkedToFoot=*/true)
        .fill(kGroupGrey)
        .field(0, 190, QStringLiteral("nom"))
        .bold();

    // the kind starts further left and colour and stage a little to the left of where the
    // old form had them, so that neither "Покраска порошковая" (36 mm) runs into the colour
    // nor "Готовая продукция" (31 mm) into the rejects column; marks are short
    auto line = b.detail(kLine);
    line.field(1, 37, QStringLiteral("marka"));
    line.field(38, 39, QStringLiteral("vid"));
    line.field(77, 14, QStringLiteral("color")).center();
    line.expr(92, 33, kStage);
    line.field(125, 9, QStringLiteral("brk")).center();
    line.field(134, 18, QStringLiteral("mass")).center();
    line.field(152, 18, QStringLiteral("kolvo")).center();
    line.field(170, 20, QStringLiteral("summa")).center().mask(QStringLiteral("#0.000"));

    auto nom = b.groupFoot(QStringLiteral("nom"), kFoot);
    total(nom, 124, 9, "brk");
    total(nom, 133, 18, "mass", "#0.00");
    total(nom, 152, 17, "kolvo");
    total(nom, 170, 20, "summa", "#0.00");

    auto foot = b.reportFoot(kReportFoot).fill(kFootGrey);
    foot.label(100, 23, QStringLiteral("Итого:")).bold();
    total(foot, 124, 9, "brk");
    total(foot, 133, 18, "mass");
    total(foot, 152, 17, "kolvo");
    total(foot, 170, 20, "summa", "#0.00");

    pageNumber(b);
    return b.build();
}

} // namespace reports
