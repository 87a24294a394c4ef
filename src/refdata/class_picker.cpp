#include "refdata/class_picker.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "ui/dbgrid.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QLineEdit>
#include <QPushButton>

TForm26* Form26 = nullptr;

TForm26::TForm26(QWidget* parent) : refdata::SearchWindow(parent) {
    Form26 = this;
    setWindowTitle(QStringLiteral("Номенклатура (26)"));
    // a single, fixed border without minimize and maximize buttons, centred on the desktop
    setWindowFlag(Qt::WindowMinimizeButtonHint, false);
    setWindowFlag(Qt::WindowMaximizeButtonHint, false);
    centreOnScreen = true;

    item = std::make_unique<data::Query>(DataModule6->ADO_DB);
    item->setSql(QStringLiteral("select * from cmn_classifier.item where id_level=2 order by ") +
                 data::sql::byName(QStringLiteral("s_caption")));
    DBGrid1->addNameColumn("s_caption", QStringLiteral("Наименование"), 380);
    setList(*item, {QStringLiteral("s_caption")});
    Edit1->setPlaceholderText(QStringLiteral("Поиск по наименованию"));
    Button1 = new QPushButton(QStringLiteral("Выбрать"), this);
    setDefaultButton(Button1);
    layOut({Button1});
    setDialogBorder(440, 460);

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { DBGrid1DblClick(); }));
}

TForm26::~TForm26() = default;

void TForm26::ShowPick() {
    Picked = false;
    item->open();
    ui::showModal(this);
    item->close();
}

void TForm26::DBGrid1DblClick() {
    // an empty list hands nothing back
    if (hasRow()) {
        Picked = true;
        PickedId = item->asInt("id");
        PickedCaption = item->asText("s_caption");
    }
    closeForm();
}
