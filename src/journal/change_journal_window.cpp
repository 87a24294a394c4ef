#include "journal/change_journal_window.h"

#include "data/data_module.h"
#include "data/query.h"
#include "journal/change_journal.h"
#include "report_engine/preview.h"
#include "ui/busy_cursor.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/progress_caption.h"

#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TForm33* Form33 = nullptr;

namespace {
QDateEdit* dateBox(QWidget* parent) {
    auto* d = new QDateEdit(QDate::currentDate(), parent);
    d->setCalendarPopup(true);
    d->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    return d;
}
} // namespace

TForm33::TForm33(QWidget* parent) : ui::Form(parent) {
    Form33 = this;
    setObjectName(QStringLiteral("Form33"));
    setWindowTitle(QStringLiteral("Журнал изменений (33)"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(1100, 600);

    DateFrom = dateBox(this);
    DateTo = dateBox(this);
    ComboLogin = new QComboBox(this);
    ComboAction = new QComboBox(this);
    ComboAction->addItem(QStringLiteral("все"), QString());
    for (const QString& a : data::historyActions())
        ComboAction->addItem(data::actionText(a), a);
    ComboTable = new QComboBox(this);
    ComboTable->addItem(QStringLiteral("все"), QString());
    for (const QString& t : data::historyTables())
        ComboTable->addItem(data::tableText(t), t);
    Button1 = new QPushButton(QStringLiteral("П&оказать"), this);

    auto* filters = new QGridLayout;
    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, this);
        l->setBuddy(buddy);
        return l;
    };
    filters->addWidget(label(QStringLiteral("&С:"), DateFrom), 0, 0);
    filters->addWidget(DateFrom, 0, 1);
    filters->addWidget(label(QStringLiteral("п&о:"), DateTo), 0, 2);
    filters->addWidget(DateTo, 0, 3);
    filters->addWidget(label(QStringLiteral("&Пользователь:"), ComboLogin), 0, 4);
    filters->addWidget(ComboLogin, 0, 5);
    filters->addWidget(label(QStringLiteral("&Действие:"), ComboAction), 0, 6);
    filters->addWidget(ComboAction, 0, 7);
    filters->addWidget(label(QStringLiteral("&Таблица:"), ComboTable), 0, 8);
    filters->addWidget(ComboTable, 0, 9);
    filters->addWidget(Button1, 0, 10);
    filters->setColumnStretch(11, 1);

    Grid1 = new QTableWidget(0, 6, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setHorizontalHeaderLabels({QStringLiteral("Когда"), QStringLiteral("Кто"),
                                      QStringLiteral("Таблица"), QStringLiteral("Запись"),
                                      QStringLiteral("Действие"), QStringLiteral("Изменения")});
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setWordWrap(true);
    Grid1->verticalHeader()->hide();
    Grid1->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {135, 200, 150, 60, 120};
    for (int c = 0; c < 5; ++c)
        Grid1->setColumnWidth(c, widths[c]);
    Label1 = new QLabel(this);

    Button2 = new QPushButton(QStringLiteral("П&ечать"), this);
    Button3 = new QPushButton(QStringLiteral("Excel"), this);
    Button4 = new QPushButton(QStringLiteral("&Закрыть"), this);
    for (QPushButton* b : {Button2, Button3, Button4})
        b->setAutoDefault(false);

    auto* content = new QWidget(this);
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(filters);
    column->addWidget(Grid1, 1);
    column->addWidget(Label1);
    layOutWithButtons(content, {Button2, Button3, Button4});
    // Enter shows what the filter lets through
    setDefaultButton(Button1);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, [this] { closeForm(); });
}

data::ChangeFilter TForm33::filter() const {
    return {DateFrom->date(), DateTo->date(), ComboLogin->currentData().toString(),
            ComboAction->currentData().toString(), ComboTable->currentData().toString()};
}

void TForm33::ShowJournal() {
    const QDate today = QDate::currentDate();
    DateFrom->setDate(QDate(today.year(), today.month(), 1));
    DateTo->setDate(today);
    ComboLogin->setCurrentIndex(-1);
    // the logins offered and the month's changes in one exchange
    read(true);
    ui::showModal(this);
}

void TForm33::Button1Click() {
    read(false);
}

void TForm33::read(bool withLogins) {
    const data::ChangeFilter f = filter();
    if (f.to < f.from) {
        ui::error(QStringLiteral("Конец периода раньше его начала."));
        return;
    }
    {
        ui::BusyCursor busy;
        data::Query changes(DataModule6->ADO_DB);
        data::setChanges(changes, f);
        if (withLogins) {
            data::Query logins(DataModule6->ADO_DB);
            data::setLogins(logins);
            data::openTogether({&changes, &logins});
            ComboLogin->clear();
            ComboLogin->addItem(QStringLiteral("все"), QString());
            for (logins.first(); !logins.eof(); logins.next())
                ComboLogin->addItem(logins.asText("login"), logins.asText("login"));
        } else {
            changes.open();
        }
        changes_ = data::historyEntries(changes);
    }
    from_ = f.from;
    to_ = f.to;
    Grid1->setRowCount(int(changes_.size()));
    for (int r = 0; r < int(changes_.size()); ++r) {
        const QStringList texts = journal::changeCells(changes_[size_t(r)]);
        for (int c = 0; c < texts.size(); ++c)
            Grid1->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    Grid1->resizeRowsToContents();
    Label1->setText(QStringLiteral("Изменений: %1").arg(changes_.size()));
    Button2->setEnabled(!changes_.empty());
    Button3->setEnabled(!changes_.empty());
}

void TForm33::Button2Click() {
    report::preview(journal::changeJournalDocument(changes_, from_, to_));
}

void TForm33::Button3Click() {
    ui::ProgressCaption caption(Button3);
    journal::exportChangeJournal(changes_, from_, to_,
                                 [&](int written, int total) { caption.show(written, total); });
}
