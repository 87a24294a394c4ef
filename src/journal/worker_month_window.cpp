#include "journal/worker_month_window.h"

#include "data/data_module.h"
#include "data/texts.h"
#include "report_engine/preview.h"
#include "timesheet/closed_months.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

TForm31* Form31 = nullptr;

namespace {
const QStringList kTitles{"Дата", "Смена",  "Марка изделия", "Операция", "Вид",       "Цвет",
                          "Часы", "Кол-во", "Брак",          "Цена",     "Итого (р.)"};
enum Col { Day, Shift, Mark, Kind, Stage, Colour, Hours, Pieces, Rejects, Price, Sum };
const QColor kDayTotal(0xEE, 0xEE, 0xEE);
const QColor kMonthTotal(0xDC, 0xDC, 0xDC);

QString sumsText(const journal::MonthSums& s) {
    return QStringLiteral("Часы: %1   Кол-во: %2   Брак: %3   Сумма: %4 р.")
        .arg(s.hours)
        .arg(data::text::general(s.pieces))
        .arg(s.rejects)
        .arg(data::text::money(double(s.kopecks) / 100));
}
} // namespace

TForm31::TForm31(QWidget* parent) : ui::Form(parent) {
    Form31 = this;
    setObjectName(QStringLiteral("Form31"));
    setWindowTitle(QStringLiteral("Месяц работника"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(1040, 600);

    Label1 = new QLabel(this);
    Label1->setObjectName(QStringLiteral("Label1"));
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Grid1 = new QTableWidget(0, int(kTitles.size()), this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setHorizontalHeaderLabels(kTitles);
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->verticalHeader()->hide();
    Grid1->verticalHeader()->setDefaultSectionSize(Grid1->fontMetrics().height() + 6);
    const int widths[] = {90, 95, 130, 150, 130, 50, 50, 65, 50, 70, 90};
    for (int c = 0; c < kTitles.size(); ++c)
        Grid1->setColumnWidth(c, widths[c]);
    Grid1->horizontalHeader()->setStretchLastSection(true);
    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setFont(bold);

    Button1 = new QPushButton(QStringLiteral("&Печать"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setToolTip(QStringLiteral("Печать (Ctrl+P)"));
    Button2 = new QPushButton(QStringLiteral("&Закрыть"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(Label1);
    column->addWidget(Grid1, 1);
    column->addWidget(Label2);
    layOutWithButtons(content, {Button1, Button2});
    setTabOrder(Grid1, Button1);
    setTabOrder(Button1, Button2);

    auto* print = new QShortcut(QKeySequence::Print, this);
    connect(print, &QShortcut::activated, this, ui::guard([this] { Button1Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, [this] { closeForm(); });
}

void TForm31::Read(qint64 worker, const QString& name, const QDate& day, const QString& ok) {
    ui::BusyCursor busy;
    month_ =
        journal::readWorkerMonth(DataModule6->Control, worker, name, day.year(), day.month(), ok);
    fill();
}

void TForm31::ShowFor(qint64 worker, const QString& name, const QDate& day, const QString& ok) {
    Read(worker, name, day, ok);
    Grid1->setFocus();
    ui::showModal(this);
}

void TForm31::fill() {
    const journal::WorkerMonth& m = month_;
    QString period = timesheet::monthTitle(m.year, m.month);
    Label1->setText(m.name + QStringLiteral(", ") + period.left(1).toLower() + period.mid(1));
    setWindowTitle(QStringLiteral("Месяц работника: ") + m.name);
    Grid1->clearSpans();
    Grid1->setRowCount(0);
    auto put = [this](int row, int col, const QString& text, bool right = false) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(right ? (Qt::AlignRight | Qt::AlignVCenter)
                                     : (Qt::AlignLeft | Qt::AlignVCenter));
        Grid1->setItem(row, col, item);
        return item;
    };
    auto totalRow = [&](const QString& caption, const journal::MonthSums& s, const QColor& fill) {
        const int row = Grid1->rowCount();
        Grid1->insertRow(row);
        put(row, Day, caption);
        put(row, Hours, QString::number(s.hours), true);
        put(row, Pieces, data::text::general(s.pieces), true);
        put(row, Rejects, QString::number(s.rejects), true);
        put(row, Sum, data::text::money(double(s.kopecks) / 100), true);
        for (int c = 0; c < Grid1->columnCount(); ++c) {
            QTableWidgetItem* item = Grid1->item(row, c);
            if (!item) item = put(row, c, QString());
            QFont f = item->font();
            f.setBold(true);
            item->setFont(f);
            item->setBackground(fill);
        }
        Grid1->setSpan(row, Day, 1, Hours - Day); // the caption over the columns without sums
    };
    for (const QDate& day : m.days()) {
        for (const journal::MonthRecord& r : m.records) {
            if (r.day != day) continue;
            const int row = Grid1->rowCount();
            Grid1->insertRow(row);
            put(row, Day, data::text::date(r.day));
            put(row, Shift, journal::shiftName(r.shift));
            put(row, Mark, r.mark);
            put(row, Kind, r.kind);
            put(row, Stage, r.stage);
            put(row, Colour, QString::number(r.colour), true);
            put(row, Hours, QString::number(r.hours), true);
            put(row, Pieces, data::text::general(r.pieces), true);
            put(row, Rejects, QString::number(r.rejects), true);
            put(row, Price, data::text::general(r.price), true);
            put(row, Sum, data::text::money(double(r.kopecks) / 100), true);
        }
        totalRow(QStringLiteral("Итого за ") + data::text::date(day), m.dayTotals(day), kDayTotal);
    }
    totalRow(QStringLiteral("Итого за месяц"), m.totals(), kMonthTotal);
    Label2->setText(m.records.isEmpty() ? QStringLiteral("За месяц записей нет.")
                                        : QStringLiteral("За месяц: ") + sumsText(m.totals()));
}

void TForm31::Button1Click() {
    report::preview(journal::workerMonthDocument(month_));
}
