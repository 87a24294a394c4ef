#include "refdata/kinds_list.h"

#include "data/data_module.h"
#include "refdata/kind_editor.h"
#include "refdata/operation_editor.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm8* Form8 = nullptr;

TForm8::TForm8(QWidget* parent) : refdata::ListWindow(parent) {
    Form8 = this;
    setWindowTitle(QStringLiteral("Виды операций (8)"));
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);
    resize(440, 520);

    DataSource1.dataSet = &DataModule6->Vid_oper;
    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->addColumn("vid", QStringLiteral("Операции"), 380);
    DBGrid1->setDataSource(&DataSource1);
    Edit1 = new QLineEdit(this);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по названию"));
    Edit1->setVisible(false);
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

void TForm8::ShowBrowse() {
    Tag = 0;
    data::Query& kinds = DataModule6->Vid_oper;
    kinds.setFiltered(false);
    kinds.open();
    Button2->setText(QStringLiteral("Изменить"));
    setDefaultButton(Button1);
    Button1->setVisible(true);
    Button3->setVisible(true);
    ui::showModal(this);
    kinds.close();
}

void TForm8::ShowPick() {
    Tag = 1;
    data::Query& kinds = DataModule6->Vid_oper;
    kinds.open();
    Button2->setText(QStringLiteral("Выбрать"));
    Button1->setVisible(false);
    Button3->setVisible(false);
    setDefaultButton(Button2);
    Edit1->setVisible(true);
    Edit1->clear();
    kinds.setFiltered(false);
    ui::showModal(this);
    setDefaultButton(Button1);
    // the box is hidden from now on, so no search may stay behind it
    Edit1->setVisible(false);
    Edit1->clear();
    kinds.setFiltered(false);
    kinds.close();
}

void TForm8::FormActivate() {
    if (Edit1->isVisible()) Edit1->setFocus();
}

void TForm8::Edit1Change() {
    refdata::applySearch(DataModule6->Vid_oper, Edit1->text().isEmpty(),
                         refdata::likeFilter(QStringLiteral("vid like '"), Edit1->text()));
}

bool TForm8::Edit1KeyDown(QKeyEvent* event) {
    return refdata::searchKey(event, DataModule6->Vid_oper, true);
}

bool TForm8::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Edit1 && event->type() == QEvent::KeyPress) {
        bool used = false;
        ui::run([&] { used = Edit1KeyDown(static_cast<QKeyEvent*>(event)); });
        if (used) return true;
    }
    return refdata::ListWindow::eventFilter(watched, event);
}

void TForm8::Button1Click() {
    Form9->Edit1->clear();
    Form9->setWindowTitle(QStringLiteral("Заведение нового вида операций"));
    Form9->Tag = 1;
    ui::showModal(Form9);
}

void TForm8::Button2Click() {
    data::Query& kinds = DataModule6->Vid_oper;
    if (Tag != 0) {
        // an empty list hands nothing back: the editor keeps what it had
        if (kinds.active() && !kinds.isEmpty()) {
            Form10->Edit2->setText(kinds.asText("vid").trimmed());
            Form10->KindId = int(kinds.asInt("id"));
        }
        closeForm();
        return;
    }
    if (!kinds.active() || kinds.isEmpty()) return;
    Form9->setWindowTitle(QStringLiteral("Изменение данных вида операции"));
    Form9->Tag = 2;
    Form9->Edit1->setText(kinds.asText("vid").trimmed());
    ui::showModal(Form9);
}

void TForm8::Button3Click() {
    data::Query& kinds = DataModule6->Vid_oper;
    if (!kinds.active() || kinds.isEmpty()) return;
    if (!ui::askYesNo(QStringLiteral("Удалить вид операции?"), QStringLiteral("Удаление"))) return;
    kinds.remove();
    kinds.close();
    kinds.open();
}

void TForm8::Button4Click() {
    closeForm();
}
