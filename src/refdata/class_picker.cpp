#include "refdata/class_picker.h"

#include "data/data_module.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TForm26* Form26 = nullptr;

TForm26::TForm26(QWidget* parent) : ui::Form(parent) {
    Form26 = this;
    setWindowTitle(QStringLiteral("Номенклатура (26)"));
    // a single, fixed border without minimize and maximize buttons
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);

    item = std::make_unique<data::Query>(DataModule6->ADO_DB);
    item->setSql(
        QStringLiteral("select * from cmn_classifier.item where id_level=2 order by s_caption"));
    DataSource1.dataSet = item.get();

    DBGrid1 = new ui::DBGrid(this);
    DBGrid1->addColumn("s_caption", QStringLiteral("Наименование"), 380);
    DBGrid1->setDataSource(&DataSource1);
    Edit1 = new QLineEdit(this);
    Edit1->setPlaceholderText(QStringLiteral("Поиск по наименованию"));
    Button1 = new QPushButton(QStringLiteral("Выбрать"), this);
    Button4 = new QPushButton(QStringLiteral("Выход"), this);
    setDefaultButton(Button1);
    setCancelButton(Button4);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(Button1);
    buttons->addStretch();
    buttons->addWidget(Button4);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(DBGrid1, 1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setFixedSize(440, 460);
    setTabOrder(Edit1, DBGrid1);
    setTabOrder(DBGrid1, Button1);
    setTabOrder(Button1, Button4);

    Edit1->installEventFilter(this);
    connect(DBGrid1, &ui::DBGrid::dblClick, this, ui::guard([this] { DBGrid1DblClick(); }));
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { DBGrid1DblClick(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    connect(Edit1, &QLineEdit::textChanged, this, ui::guard([this] { Edit1Change(); }));
}

TForm26::~TForm26() = default;

void TForm26::showEvent(QShowEvent* event) {
    if (!event->spontaneous()) ui::centreOnScreen(this);
    ui::Form::showEvent(event);
}

void TForm26::ShowPick() {
    Picked = false;
    item->open();
    ui::showModal(this);
    item->close();
}

void TForm26::DBGrid1DblClick() {
    // an empty list hands nothing back
    if (item->active() && !item->isEmpty()) {
        Picked = true;
        PickedId = item->asInt("id");
        PickedCaption = item->asText("s_caption");
    }
    closeForm();
}

void TForm26::Button4Click() {
    closeForm();
}

void TForm26::Edit1Change() {
    refdata::applySearch(*item, Edit1->text().isEmpty(),
                         refdata::likeFilter(QStringLiteral("s_caption like '"), Edit1->text()));
}

bool TForm26::Edit1KeyDown(QKeyEvent* event) {
    return refdata::searchKey(event, *item, true);
}

bool TForm26::eventFilter(QObject* watched, QEvent* event) {
    if (refdata::searchKeyUsed(watched, event, Edit1,
                               [this](QKeyEvent* e) { return Edit1KeyDown(e); }))
        return true;
    return ui::Form::eventFilter(watched, event);
}
