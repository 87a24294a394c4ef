#include "refdata/workers_list.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/record_editor.h"
#include "refdata/worker_editor.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/lookup_combo.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm5* Form5 = nullptr;

TForm5::TForm5(QWidget* parent) : refdata::ListWindow(parent) {
    Form5 = this;
    setWindowTitle(QStringLiteral("Список рабочих"));
    resize(620, 520);

    DataSource1.dataSet = &DataModule6->Workers;
    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->addColumn("fio", QStringLiteral("ФИО"), 290);
    DBGrid1->addColumn("s_staffpos_hl", QStringLiteral("Должность"), 290);
    DBGrid1->setDataSource(&DataSource1);
    Edit1 = new QLineEdit(this);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по ФИО"));
    Button1 = new QPushButton(QStringLiteral("Добавить"), this);
    Button2 = new QPushButton(QStringLiteral("Изменить"), this);
    Button3 = new QPushButton(QStringLiteral("Удалить"), this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setDefaultButton(Button1);
    setCancelButton(Button4);

    auto* buttons = new QHBoxLayout;
    for (QPushButton* b : {Button1, Button2, Button3})
        buttons->addWidget(b);
    buttons->addStretch();
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setTabOrder(Edit1, DBGrid1);
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Button2);
    setTabOrder(Button2, Button3);
    setTabOrder(Button3, Button4);

    Edit1->installEventFilter(this);
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] { Button2Click(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Edit1, &QLineEdit::textChanged, this, ui::guard([this] { Edit1Change(); }));
}

void TForm5::ShowBrowse() {
    Tag = 0;
    data::Query& workers = DataModule6->Workers;
    workers.open();
    Button2->setText(QStringLiteral("Изменить"));
    setDefaultButton(Button1);
    Button1->setVisible(true);
    Button3->setVisible(true);
    ui::showModal(this);
    workers.close();
}

void TForm5::ShowPick(int tag) {
    Tag = tag;
    data::Query& workers = DataModule6->Workers;
    workers.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button2->setVisible(true);
    Button3->setVisible(false);
    Button1->setVisible(false);
    setDefaultButton(Button2);
    Edit1->setVisible(true);
    Edit1->clear();
    workers.setFiltered(false);
    ui::showModal(this);
    workers.close();
}

void TForm5::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void TForm5::Edit1Change() {
    refdata::applySearch(DataModule6->Workers, Edit1->text().isEmpty(),
                         refdata::likeFilter(QStringLiteral("fio like '"), Edit1->text()));
}

bool TForm5::Edit1KeyDown(QKeyEvent* event) {
    return refdata::searchKey(event, DataModule6->Workers, true);
}

bool TForm5::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        bool used = false;
        ui::run([&] { used = Edit1KeyDown(static_cast<QKeyEvent*>(event)); });
        if (used) return true;
    }
    return refdata::ListWindow::eventFilter(watched, event);
}

void TForm5::Button1Click() {
    Form2->Edit1->clear();
    Form2->setWindowTitle(QStringLiteral("Заведение данных нового работника"));
    Form2->Tag = 1;
    Form2->CurrentPosition.clear();
    Form2->ReopenLookups();
    ui::showModal(Form2);
    data::Query& workers = DataModule6->Workers;
    workers.close();
    workers.open();
}

void TForm5::Button2Click() {
    data::Query& workers = DataModule6->Workers;
    if (Tag != 0) {
        // an empty list hands nothing back: the caller keeps what it had
        if (workers.active() && !workers.isEmpty()) {
            if (Tag == 1) {
                Form11->Edit1->setText(workers.asText("fio").trimmed());
                Form11->WorkerId = int(workers.asInt("id"));
            }
        }
        closeForm();
        return;
    }
    if (!workers.active() || workers.isEmpty()) return;
    Form2->setWindowTitle(QStringLiteral("Изменение данных работника"));
    Form2->Tag = 2;
    Form2->ReopenLookups();
    Form2->Edit1->setText(workers.asText("fio").trimmed());
    Form2->WorkerId = int(workers.asInt("id"));
    Form2->ShowPosition(workers.asText("s_staffpos_hl"));
    ui::showModal(Form2);
    workers.refresh();
}

void TForm5::Button3Click() {
    data::Query& workers = DataModule6->Workers;
    if (!workers.active() || workers.isEmpty()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить работника?"), QStringLiteral("Удаление"))) return;
    Form2->cmd_person->setSql(QStringLiteral("delete from accounts_dep.person where id =") +
                              data::sql::integer(workers.asInt("id")));
    Form2->cmd_person->execute();
    workers.refresh();
}

void TForm5::Button4Click() {
    closeForm();
}
