#include "refdata/worker_editor.h"

#include "data/data_module.h"
#include "data/sql_text.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/input_check.h"
#include "ui/lookup_combo.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

TForm2* Form2 = nullptr;

using data::sql::escaped;

TForm2::TForm2(QWidget* parent) : refdata::EditorWindow(parent) {
    Form2 = this;
    setWindowTitle(QStringLiteral("Работники"));

    data::Connection& db = DataModule6->ADO_DB;
    department = std::make_unique<data::Table>(db, QStringLiteral("cmn_department.department"));
    staffpos = std::make_unique<data::Table>(db, QStringLiteral("hrms_staffpos.staffpos"));
    roles = std::make_unique<data::Table>(db, QStringLiteral("adm_role.roles"));
    for (data::Table* t : {department.get(), staffpos.get(), roles.get()})
        t->setOrder(data::sql::byName(QStringLiteral("s_caption")));

    GroupBox1 = new QGroupBox(QStringLiteral("Данные о работнике"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Edit1->setMinimumWidth(320);
    LCB_department = new ui::DBLookupComboBox(GroupBox1);
    LCB_staffpos = new ui::DBLookupComboBox(GroupBox1);
    LCB_roles = new ui::DBLookupComboBox(GroupBox1);
    // the wheel moves the list that has the focus, never the one under the pointer
    for (QWidget* list : {static_cast<QWidget*>(LCB_department),
                          static_cast<QWidget*>(LCB_staffpos), static_cast<QWidget*>(LCB_roles)}) {
        list->setFocusPolicy(Qt::StrongFocus);
        list->installEventFilter(this);
    }
    LCB_department->setListSource(department.get(), "id", "s_caption");
    LCB_staffpos->setListSource(staffpos.get(), "id", "s_caption");
    LCB_roles->setListSource(roles.get(), "id", "s_caption");
    auto* fields = new QFormLayout(GroupBox1);
    fields->addRow(QStringLiteral("ФИО"), Edit1);
    fields->addRow(QStringLiteral("Подразделение"), LCB_department);
    fields->addRow(QStringLiteral("Должность"), LCB_staffpos);
    fields->addRow(QStringLiteral("Роль"), LCB_roles);
    addButtons();
    setTabOrder(Edit1, LCB_staffpos);
    setTabOrder(LCB_staffpos, LCB_department);
    setTabOrder(LCB_department, LCB_roles);
    setTabOrder(LCB_roles, Button1);
    setTabOrder(Button1, Button2);
}

TForm2::~TForm2() = default;

void TForm2::ReopenLookups() {
    for (data::Table* t : {staffpos.get(), roles.get(), department.get()}) {
        t->close();
        t->open();
    }
}

void TForm2::ShowPosition(const QString& position) {
    CurrentPosition = position;
    LCB_staffpos->selectText(position.trimmed());
}

void TForm2::FormActivate() {
    Edit1->setFocus();
}

void TForm2::Button1Click() {
    const QString name = Edit1->text().trimmed();
    if (name.isEmpty()) {
        ui::error(QStringLiteral("ФИО нужно заполнить!"));
        return;
    }
    if (!ui::fitsText(name, 254, QStringLiteral("ФИО"))) return;
    // "Должность" is what the list shows under that title; a worker whose stored position
    // the list does not offer keeps it
    QString position = LCB_staffpos->text();
    if (position.isEmpty() && Tag == ui::ChangeRow) position = CurrentPosition;
    if (Tag == ui::NewRow) {
        if (!refdata::insertRows(DataModule6->Control,
                                 {data::WritePart::insert(QStringLiteral("accounts_dep.person"),
                                                          QStringLiteral("fio, s_staffpos_hl"),
                                                          data::sql::quoted(name) + u',' +
                                                              data::sql::quoted(position))}))
            ui::error(data::lostCommitText(data::LostCommit::Unknown));
    } else if (Tag == ui::ChangeRow) {
        const QString fio = QStringLiteral("fio='") + escaped(name) + QStringLiteral("'");
        const QString pos =
            QStringLiteral("s_staffpos_hl='") + escaped(position) + QStringLiteral("'");
        refdata::SeenReference row{QStringLiteral("accounts_dep.person"), WorkerId, {}, Seen};
        const refdata::RowWrite result = refdata::updateRow(DataModule6->Control, row,
                                                            fio + QStringLiteral(", ") + pos,
                                                            fio + QStringLiteral(" and ") + pos);
        const bool done = refdata::settleUpdate(result, refdata::RowKind::Worker,
                                                DataModule6->Workers, DataModule6->Control, row);
        Seen = row.seen;
        if (!done) return;
    } else {
        return;
    }
    closeForm();
}

namespace {
// Moves the focused one of the editor's lists by one entry, as its arrow keys do.
void step(TForm2* form, int key) {
    for (ui::DBLookupComboBox* list : {form->LCB_roles, form->LCB_staffpos, form->LCB_department}) {
        if (!list->hasFocus()) continue;
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(list, &press);
    }
}
} // namespace

void TForm2::FormMouseWheelDown() {
    step(this, Qt::Key_Down);
}
void TForm2::FormMouseWheelUp() {
    step(this, Qt::Key_Up);
}

bool TForm2::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel &&
        (watched == LCB_department || watched == LCB_staffpos || watched == LCB_roles)) {
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return refdata::EditorWindow::eventFilter(watched, event);
}

void TForm2::wheelEvent(QWheelEvent* event) {
    const int dy = event->angleDelta().y();
    if (dy < 0)
        ui::run([this] { FormMouseWheelDown(); });
    else if (dy > 0)
        ui::run([this] { FormMouseWheelUp(); });
    event->accept();
}
