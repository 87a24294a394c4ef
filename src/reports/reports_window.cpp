#include "reports/reports_window.h"

#include "data/data_module.h"
#include "data/texts.h"
#include "reports/layouts.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/progress_caption.h"
#include "ui/radio_group.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TForm18* Form18 = nullptr;

namespace {

QDateEdit* datePicker(QWidget* parent) {
    auto* picker = new QDateEdit(QDate::currentDate(), parent);
    picker->setCalendarPopup(true);
    picker->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    picker->setMinimumWidth(120);
    return picker;
}

} // namespace

TForm18::TForm18(QWidget* parent) : ui::Form(parent) {
    Form18 = this;
    setWindowTitle(QStringLiteral("Отчеты (8)"));
    // a dialog's border: neither minimised nor maximised
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    RadioGroup1 = new ui::RadioGroup(
        QStringLiteral("Вид продукции"),
        {QStringLiteral("Все"), QStringLiteral("Готовая продукция"), QStringLiteral("Заготовки")},
        this);
    RadioGroup1->setItemIndex(0);

    GroupBox1 = new QGroupBox(QStringLiteral("Период отбора"), this);
    Label1 = new QLabel(QStringLiteral("с"), GroupBox1);
    DTPicker1 = datePicker(GroupBox1);
    Label2 = new QLabel(QStringLiteral("по"), GroupBox1);
    DTPicker2 = datePicker(GroupBox1);
    DTPicker2->setToolTip(QStringLiteral("Этот день в отчет не входит"));
    Label1->setBuddy(DTPicker1);
    Label2->setBuddy(DTPicker2);
    auto* dates = new QGridLayout(GroupBox1);
    dates->addWidget(Label1, 0, 0);
    dates->addWidget(DTPicker1, 0, 1);
    dates->addWidget(Label2, 1, 0);
    dates->addWidget(DTPicker2, 1, 1);
    dates->setColumnStretch(1, 1);

    Button4 = new QPushButton(QStringLiteral("Отчет по рабочим"), this);
    Button2 = new QPushButton(QStringLiteral("Отчет по продукции"), this);
    Button1 = new QPushButton(QStringLiteral("Детальный отчет по рабочим"), this);
    Button3 = new QPushButton(QStringLiteral("Детальный отчет по продукции"), this);
    Button6 = new QPushButton(QStringLiteral("Excel"), this);
    Button5 = new QPushButton(QStringLiteral("Выход"), this);
    setCancelButton(Button5);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(RadioGroup1);
    layout->addWidget(GroupBox1);
    for (QPushButton* b : {Button4, Button2, Button1, Button3, Button6})
        layout->addWidget(b);
    layout->addSpacing(8);
    layout->addWidget(Button5);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));

    data::Connection& db = DataModule6->ADO_DB;
    auto printed = [&db](const QString& sql, report::Layout layout) {
        return std::make_unique<reports::PrintedReport>(db, sql, std::move(layout));
    };
    WorkersReport = printed(reports::WorkersStatement, reports::workersReportLayout());
    ProductsReport = printed(reports::ProductsStatement, reports::productsReportLayout());
    WorkersDetail = printed(reports::WorkersDetailStatement, reports::workersDetailLayout());
    ProductsDetail = printed(reports::ProductsDetailStatement, reports::productsDetailLayout());
    XLS_Rep = std::make_unique<data::Query>(db);
    XLS_Rep->setSql(reports::ProductsExportStatement);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Button5, &QPushButton::clicked, this, ui::guard([this] { Button5Click(); }));
    connect(Button6, &QPushButton::clicked, this, ui::guard([this] { Button6Click(); }));
}

TForm18::~TForm18() = default;

void TForm18::ShowFor(const QDate& today) {
    const reports::Period p = reports::previousMonth(today);
    DTPicker1->setDate(p.from);
    DTPicker2->setDate(p.to);
    ui::centre(this);
    ui::showModal(this);
}

reports::Period TForm18::period() const {
    return {DTPicker1->date(), DTPicker2->date()};
}

reports::ProductKind TForm18::productKind() const {
    switch (RadioGroup1->ItemIndex()) {
    case 1:
        return reports::ProductKind::Finished;
    case 2:
        return reports::ProductKind::Blanks;
    default:
        return reports::ProductKind::All;
    }
}

void TForm18::Button1Click() {
    if (!periodInOrder()) return;
    reports::printReport(*WorkersDetail, period(), productKind());
}

void TForm18::Button2Click() {
    if (!periodInOrder()) return;
    reports::printReport(*ProductsReport, period(), productKind());
}

void TForm18::Button3Click() {
    if (!periodInOrder()) return;
    reports::printReport(*ProductsDetail, period(), productKind());
}

void TForm18::Button4Click() {
    if (!periodInOrder()) return;
    reports::printReport(*WorkersReport, period(), productKind());
}

void TForm18::Button5Click() {
    closeForm();
}

void TForm18::Button6Click() {
    if (!periodInOrder()) return;
    ui::ProgressCaption caption(Button6);
    reports::exportProducts(*XLS_Rep, period(), productKind(),
                            [&](int written, int total) { caption.show(written, total); });
}

bool TForm18::periodInOrder() {
    const reports::Period p = period();
    if (p.from <= p.to) return true;
    ui::error(QStringLiteral("Период задан наоборот: дата «с» (%1) позже даты «по» (%2). "
                             "Поменяйте даты местами.")
                  .arg(data::text::date(p.from), data::text::date(p.to)));
    DTPicker1->setFocus();
    return false;
}
