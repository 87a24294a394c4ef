#include "refdata/kind_editor.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "ui/dialogs.h"
#include "ui/input_check.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLineEdit>

TForm9* Form9 = nullptr;

TForm9::TForm9(QWidget* parent) : refdata::EditorWindow(parent) {
    Form9 = this;
    GroupBox1 = new QGroupBox(QStringLiteral("Вид операции"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setMinimumWidth(300);
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow(QStringLiteral("Операция"), Edit1);
    addButtons();
}

void TForm9::FormActivate() {
    Edit1->setFocus();
}

void TForm9::Button1Click() {
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        ui::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    if (!ui::fitsText(name, 50, QStringLiteral("Операция"))) return;
    data::Query& kinds = DataModule6->Vid_oper;
    QString count =
        QStringLiteral("select count(*) as cnt from accounts_dep.vid_oper where upper(vid)='") +
        data::sql::escaped(name.toUpper());
    count +=
        Tag == ui::NewRow ? QStringLiteral("'") : QStringLiteral("' and id<>") + data::sql::integer(KindId);
    if (DataModule6->CheckDuplicate(count, QStringLiteral("Такая операция уже заведена!"))) return;

    if (Tag == ui::ChangeRow) {
        const QString vid =
            QStringLiteral("vid='") + data::sql::escaped(name) + QStringLiteral("'");
        refdata::SeenReference row{QStringLiteral("accounts_dep.vid_oper"), KindId, {}, Seen};
        const refdata::RowWrite result =
            refdata::updateRow(DataModule6->Control, row, vid, vid);
        const bool done =
            refdata::settleUpdate(result, refdata::RowKind::Kind, kinds, DataModule6->Control, row);
        Seen = row.seen;
        if (!done) return;
    } else if (Tag == ui::NewRow) {
        kinds.insert();
        try {
            kinds.setField("vid", name);
            kinds.post();
        } catch (...) {
            kinds.cancel(); // the list goes back to what the database holds
            throw;
        }
    } else {
        return;
    }
    kinds.close();
    kinds.open();
    closeForm();
}
