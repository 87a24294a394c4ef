#include "journal/record_editor.h"

#include "data/connection.h"
#include "data/data_module.h"
#include "data/sql_text.h"
#include "journal/hours_posting.h"
#include "journal/journal_window.h"
#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QDateEdit>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <tuple>

TForm11* Form11 = nullptr;

using data::sql::general;
using data::sql::integer;
using data::sql::round4;

TForm11::TForm11(QWidget* parent) : ui::Form(parent) {
    Form11 = this;
    setWindowTitle(QStringLiteral("Заведение новой позиции (11)"));
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    Edit1 = new QLineEdit(GroupBox1);
    Button3 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit2 = new QLineEdit(GroupBox1);
    Button4 = new QPushButton(QStringLiteral("..."), GroupBox1);
    Edit3 = new QLineEdit(GroupBox1);
    Edit6 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Label6 = new QLabel(QStringLiteral("Цвет"), GroupBox1);
    Edit5 = new QLineEdit(GroupBox1);
    DTimeP = new QDateEdit(QDate::currentDate(), GroupBox1);
    Edit4 = new QLineEdit(QStringLiteral("0"), GroupBox1);
    Edit8 = new QLineEdit(GroupBox1);
    Edit7 = new QLineEdit(GroupBox1);
    Edit9 = new QLineEdit(GroupBox1);
    Button1 = new QPushButton(QStringLiteral("Запись"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    SmenaIU = std::make_unique<data::Command>(DataModule6->ADO_DB);

    for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit9})
        e->setReadOnly(true);
    Edit1->setMinimumWidth(260);
    Edit1->setCursor(Qt::PointingHandCursor);
    Edit2->setCursor(Qt::PointingHandCursor);
    Edit1->setToolTip(QStringLiteral("Выбор работника"));
    Edit2->setToolTip(QStringLiteral("Выбор операции"));
    for (QPushButton* b : {Button3, Button4}) {
        b->setFixedWidth(32);
        b->setAutoDefault(false);
    }
    // numeric boxes take digits only
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* e : {Edit3, Edit4, Edit5, Edit6})
        e->setValidator(digits);
    DTimeP->setCalendarPopup(true);
    DTimeP->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));

    auto label = [this](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, GroupBox1);
        l->setBuddy(buddy);
        return l;
    };
    auto* g = new QGridLayout(GroupBox1);
    g->addWidget(label(QStringLiteral("ФИО"), Button3), 0, 0);
    g->addWidget(Edit1, 0, 1, 1, 4);
    g->addWidget(Button3, 0, 5);
    g->addWidget(label(QStringLiteral("Операция"), Button4), 1, 0);
    g->addWidget(Edit2, 1, 1, 1, 4);
    g->addWidget(Button4, 1, 5);
    g->addWidget(label(QStringLiteral("Кол-во"), Edit3), 2, 0);
    g->addWidget(Edit3, 2, 1);
    g->addWidget(label(QStringLiteral("Брак"), Edit4), 2, 2);
    g->addWidget(Edit4, 2, 3);
    g->addWidget(label(QStringLiteral("Время"), Edit6), 3, 0);
    g->addWidget(Edit6, 3, 1);
    Label6->setBuddy(Edit5);
    g->addWidget(Label6, 3, 2);
    g->addWidget(Edit5, 3, 3);
    g->addWidget(label(QStringLiteral("Дата"), DTimeP), 4, 0);
    g->addWidget(DTimeP, 4, 1);
    g->addWidget(label(QStringLiteral("Цена база"), Edit8), 5, 0);
    g->addWidget(Edit8, 5, 1);
    g->addWidget(label(QStringLiteral("Цена итог"), Edit7), 5, 2);
    g->addWidget(Edit7, 5, 3);
    g->addWidget(label(QStringLiteral("Сумма"), Edit9), 6, 2);
    g->addWidget(Edit9, 6, 3);

    layOutWithButtons(GroupBox1, {Button1, Button2});

    setTabOrder(Button3, Button4);
    setTabOrder(Button4, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, Edit6);
    setTabOrder(Edit6, Edit5);
    setTabOrder(Edit5, DTimeP);
    setTabOrder(DTimeP, Button1);
    setTabOrder(Button1, Button2);
    for (QLineEdit* e : {Edit1, Edit2, Edit7, Edit8, Edit9})
        e->setFocusPolicy(Qt::ClickFocus);

    for (QWidget* w : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
                       static_cast<QWidget*>(Edit3), static_cast<QWidget*>(Edit6)})
        w->installEventFilter(this);
    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, ui::guard([this] { Button3Click(); }));
    connect(Button4, &QPushButton::clicked, this, ui::guard([this] { Button4Click(); }));
    updateColourBox();
}

TForm11::~TForm11() = default;

bool TForm11::isPainting(const QString& text) {
    return text.toUpper().contains(QStringLiteral("КРАСКА"));
}

void TForm11::FormActivate() {
    Button3->setFocus();
}

bool TForm11::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease && (watched == Edit1 || watched == Edit2)) {
        if (watched == Edit1)
            ui::run([this] { Button3Click(); });
        else
            ui::run([this] { Button4Click(); });
        return true;
    }
    if (event->type() == QEvent::FocusOut && (watched == Edit3 || watched == Edit6))
        ui::run([this] { Recompute(); });
    return ui::Form::eventFilter(watched, event);
}

void TForm11::updateColourBox() {
    const bool painting = isPainting(Edit2->text());
    if (!painting) Edit5->clear();
    Edit5->setEnabled(painting);
    Label6->setEnabled(painting);
}

void TForm11::Recompute() {
    if (Edit6->text().isEmpty()) Edit6->setText(QStringLiteral("0"));
    if (Edit3->text().isEmpty()) Edit3->setText(QStringLiteral("0"));
    Edit7->setText(general(round4(Price)));
    Edit8->setText(general(round4(BasePrice)));
    Edit9->setText(general(round4(Edit3->text().toDouble() * Price)));
}

void TForm11::Button2Click() {
    close();
}

void TForm11::Button1Click() {
    const bool painting = isPainting(Edit2->text());
    if (Edit1->text().trimmed().isEmpty() || Edit2->text().trimmed().isEmpty() ||
        Edit3->text().trimmed().isEmpty() || Edit4->text().trimmed().isEmpty() ||
        Edit6->text().trimmed().isEmpty() || (painting && Edit5->text().trimmed().isEmpty())) {
        ui::error(QStringLiteral("Все поля должны быть заполнены!"));
        return;
    }
    QString price = general(round4(Price));
    price.replace(u',', u'.');
    const QString colour =
        integer(Edit5->text().trimmed().isEmpty() ? 0 : Edit5->text().trimmed().toLongLong());
    const int shift = Form1->CurShift;
    data::Query& journal = Form1->currentQuery();
    const QDate day = DTimeP->date();
    const QString dayText = data::sql::date(day);
    const QString today = data::sql::date(QDate::currentDate());
    const bool change = Tag == 2;

    QString count =
        "select count(id) as cnt from accounts_dep.SMENA where w_id=" + integer(WorkerId) +
        " and o_id=" + integer(OperId) + " and i_id=" + integer(ProductId) + " and data=to_date('" +
        dayText + "', 'DD.MM.YYYY') and smena=" + integer(shift);
    if (change) count += " and id<>" + integer(RecordId);
    count += " and color=" + colour;
    if (DataModule6->CheckDuplicate(count,
                                    QStringLiteral("Позиция с такими параметрами уже заведена!")))
        return;

    const QString qty = Edit3->text().trimmed();
    const QString rejects = Edit4->text().trimmed();
    const QString hours = Edit6->text().trimmed();
    if (!change) {
        SmenaIU->setSql("insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, "
                        "data, smena, color, "
                        "time, vvod,ok, prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, "
                        "id_cons_use) values(" +
                        integer(WorkerId) + ", " + integer(ProductId) + ", " + integer(OperId) +
                        ", " + price + "," + qty + ", " + rejects + ", to_date('" + dayText +
                        "', 'DD.MM.YYYY HH24:MI:SS'), " + integer(shift) + ", " + colour + ", " +
                        hours + ", '" + today + "', '" + "no" + "', 0, " + "0" + ", " + "0" + ", " +
                        "0" + ", " + "0" + ", " + "0" + ")");
    } else {
        SmenaIU->setSql("update accounts_dep.SMENA set w_id=" + integer(WorkerId) + ", i_id=" +
                        integer(ProductId) + ", o_id=" + integer(OperId) + ", cena=" + price +
                        ", kol_vo=" + qty + ", brak=" + rejects + ", data=to_date('" + dayText +
                        "', 'DD.MM.YYYY'), smena=" + integer(shift) + ", color=" + colour +
                        ", time=" + hours + ", vvod='" + today + "', prize=0, id_doc=" + "0" +
                        ", id_doc_item=" + "0" + ", f_gds_qty_use=" + "0" + ", id_gds_use=" + "0" +
                        ", id_cons_use=" + "0" + " where id=" + integer(RecordId));
    }

    {
        // The record and its timesheet cells are written together or not at all; on an
        // error the editor stays open with everything typed.
        data::Transaction t(DataModule6->ADO_DB);
        const bool moved =
            change && OldDate.isValid() && (OldWorkerId != WorkerId || OldDate != day);
        if (moved) {
            // both rows are locked in one order, so two copies moving records in opposite
            // directions wait for each other instead of deadlocking
            auto a = std::make_tuple(OldWorkerId, OldDate.year(), OldDate.month());
            auto b = std::make_tuple(WorkerId, day.year(), day.month());
            if (b < a) std::swap(a, b);
            for (const auto& [worker, year, month] : {a, b})
                journal::lockTimesheetRow(DataModule6->Control, worker, shift, month, year);
        }
        SmenaIU->execute();
        journal::postHours(WorkerId, shift, day);
        if (moved) journal::recomputeHours(OldWorkerId, shift, OldDate);
        t.commit();
    }

    const int rec = journal.recNo();
    journal.close();
    journal.open();
    if (journal.recordCount() >= 1 && rec >= 1 && rec <= journal.recordCount())
        journal.setRecNo(rec);
    DataModule6->H_Tabel_1.close();
    DataModule6->H_Tabel_2.close();
    DataModule6->H_Tabel_3.close();

    for (QLineEdit* e : {Edit1, Edit2, Edit3, Edit4, Edit5, Edit6, Edit7, Edit8, Edit9})
        e->clear();
    close();
}
