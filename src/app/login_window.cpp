#include "app/login_window.h"

#include "app/app.h"
#include "app/version.h"
#include "data/connection.h"
#include "data/data_module.h"
#include "data/db_error.h"
#include "data/rights.h"
#include "journal/journal_window.h"
#include "reports/reports_window.h"
#include "timesheet/household_list.h"
#include "ui/dialogs.h"
#include "ui/guard.h"
#include "ui/radio_group.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProxyStyle>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <memory>
#include <vector>
#include <QVBoxLayout>

TForm23* Form23 = nullptr;

namespace {
// Shows every character of the access text as "*".
class StarStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

const QString FullA = QStringLiteral("73516204");
const QString FullB = QStringLiteral("7093");
const QString ReadOnly = QStringLiteral("tavrel");
const QString DataEntry = QStringLiteral("plovnik");
const QString ReportOnly = QStringLiteral("fenlo");
} // namespace

TForm23::TForm23(QWidget* parent) : ui::Form(parent) {
    Form23 = this;
    setWindowTitle(QStringLiteral("Авторизация"));
    Label1 = new QLabel(QStringLiteral("Код доступа:"), this);
    Edit1 = new QLineEdit(this);
    auto* style = new StarStyle;
    style->setParent(Edit1);
    Edit1->setStyle(style);
    Edit1->setEchoMode(QLineEdit::Password);
    Edit1->setMinimumWidth(220);
    Label1->setBuddy(Edit1);
    Button1 = new QPushButton(QStringLiteral("Вход"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Timer1 = new QTimer(this);
    Timer1->setInterval(5000);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);
    setDefaultButton(Button1);
    setCancelButton(Button2);
    setFixedSize(sizeHint().expandedTo(QSize(320, 0)));

    connect(Button1, &QPushButton::clicked, this, ui::guard([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, ui::guard([this] { Button2Click(); }));
    connect(Timer1, &QTimer::timeout, this, ui::guard([this] { Timer1Timer(); }));
}

void TForm23::askFor(const QString& user, bool passwordAsked) {
    user_ = user;
    passwordAsked_ = passwordAsked;
    Label1->setText(passwordAsked ? QStringLiteral("Пароль пользователя %1:").arg(user)
                                  : QStringLiteral("Пользователь: %1").arg(user));
    Edit1->setVisible(passwordAsked);
    Edit1->clear();
}

void TForm23::FormActivate() {
    // a person's login is checked once the server has said the person's group
    if (!waitingForLogin()) {
        app::checkVersion();
        // while the user types, the server session reads the journal's tables once
        if (!app::terminationRequested())
            QTimer::singleShot(0, this, [this] { warmUpSession(); });
    }
    setWindowTitle(
        QStringLiteral("Авторизация (build: %1.%2)").arg(Form1->BuildDate).arg(Form1->BuildTime));
    // wide enough for the whole caption in a bold title font, beside the icon and the title
    // bar's buttons
    QFont title = font();
    title.setBold(true);
    const int needed = QFontMetrics(title).horizontalAdvance(windowTitle()) + 160;
    if (width() < needed) setFixedWidth(needed);
    if (Edit1->isVisible()) Edit1->setFocus();
}

bool TForm23::personalLogin(data::Role* role) {
    data::Connection& db = DataModule6->ADO_DB;
    const bool connecting = passwordAsked_;
    if (connecting) {
        db.close();
        db.setConnectionString(app::connectionStringFor(app::currentLogin(), Edit1->text()));
        try {
            db.open();
        } catch (const data::DbError& e) {
            if (app::passwordWanted(e.message())) {
                ui::message(QStringLiteral("Неверный пароль пользователя %1.").arg(user_),
                            QStringLiteral("Ошибка"), QMessageBox::Critical);
                Edit1->selectAll();
                Edit1->setFocus();
            } else {
                ui::message(QStringLiteral("Подключение к БД отсутсвует!!!"),
                            QStringLiteral("Ошибка!"), QMessageBox::Critical);
            }
            return false;
        }
        // connected: the password is not asked again in this run
        passwordAsked_ = false;
        Edit1->clear();
        Edit1->hide();
        Label1->setText(QStringLiteral("Пользователь: %1").arg(user_));
        app::listenForChanges();
    }
    *role = data::loginRole(DataModule6->Control);
    if (*role == data::Role::None) {
        ui::message(QStringLiteral("Пользователь %1 не входит ни в одну группу программы "
                                   "(tabel_full, tabel_entry, tabel_report, tabel_read). "
                                   "Обратитесь к администратору базы данных.")
                        .arg(user_),
                    QStringLiteral("Ошибка"), QMessageBox::Critical);
        return false;
    }
    grouped_ = true;
    app::checkVersion();
    return !app::terminationRequested();
}

void TForm23::warmUpSession() {
    // A new server session fills its catalogue caches with the first statements on each
    // table, which then take several times as long; the journal's reading after the login is
    // the first. Reading today's journal here, once, while the window waits, leaves that cost
    // behind the user's typing. Nothing depends on it: a failure is left to the next action.
    if (!isVisible() || waitingForLogin() || !DataModule6->ADO_DB.connected()) return;
    std::vector<std::unique_ptr<data::Query>> reads;
    QList<data::Query*> list;
    for (int shift = 1; shift <= 4; ++shift) {
        auto q = std::make_unique<data::Query>(DataModule6->ADO_DB);
        q->setSql(TDataModule6::journalStatement(shift));
        q->setParam("data", QDateTime(QDate::currentDate(), QTime(0, 0)));
        q->setParam("ok", QStringLiteral("ta"));
        list << q.get();
        reads.push_back(std::move(q));
    }
    try {
        data::openTogether(list);
    } catch (const data::DbError&) {
    }
}

void TForm23::Button1Click() {
    Form1->CurShift = 1;
    if (personal()) {
        // the person's group is the role; no access text
        Form1->UserText.clear();
        data::Role role = data::Role::None;
        if (!personalLogin(&role)) return;
        enter(role);
        return;
    }
    const QString text = Edit1->text().trimmed();
    Form1->UserText = text;
    const bool full = text == FullA || text == FullB;
    Form1->N11->setEnabled(full);
    if (text == ReadOnly)
        enter(data::Role::ReadOnly);
    else if (text == DataEntry)
        enter(data::Role::DataEntry);
    else if (text == ReportOnly)
        enter(data::Role::ReportOnly);
    else if (full)
        enter(data::Role::Full);
    else
        ui::message(QStringLiteral("Введены неверные данные."), QStringLiteral("Ошибка"),
                    QMessageBox::Critical);
}

void TForm23::enter(data::Role role) {
    // What each role may use in the journal; every control of the list is set, so a later
    // login in the same run never inherits the previous one's state.
    struct Rights {
        bool add, change, remove, browse, menus, reports;
    } rights;
    switch (role) {
    case data::Role::ReadOnly:
        rights = {false, false, false, false, false, true};
        break;
    case data::Role::DataEntry:
        rights = {true, false, false, true, false, false};
        break;
    case data::Role::ReportOnly:
        rights = {false, false, false, true, false, false};
        break;
    default:
        rights = {true, true, true, true, true, true};
        break;
    }
    data::setRole(role);
    Form1->setWriteRights(rights.add, rights.change, rights.remove);
    for (QWidget* w : Form1->browseControls())
        w->setEnabled(rights.browse);
    Form1->N2->setEnabled(rights.menus);
    Form1->N11->setEnabled(rights.menus);
    // the reports window: "Детальный отчет по продукции" stays for everyone, and the
    // report-only role sees finished products only
    for (QWidget* w : {Form18->Button1, Form18->Button2, Form18->Button4, Form18->Button6})
        w->setEnabled(rights.reports);
    const bool reportOnly = role == data::Role::ReportOnly;
    if (reportOnly) Form18->RadioGroup1->setItemIndex(1);
    Form18->RadioGroup1->setEnabled(!reportOnly);

    // the household list opens for everyone; its commands only where pay may be changed
    for (QWidget* w : {Form25->Button5, Form25->Button6, Form25->Button7, Form25->Button1})
        w->setEnabled(data::mayChangePay());

    for (int shift = 1; shift <= 4; ++shift)
        DataModule6->smenaQuery(shift).setParam("ok", QStringLiteral("ta"));
    hide();
    ui::showModal(Form1);
    close();
}

void TForm23::Button2Click() {
    close();
}

void TForm23::Timer1Timer() {
    app::terminate();
}

void TForm23::closeEvent(QCloseEvent* event) {
    // the login window is the main window: closing it ends the program
    event->accept();
    app::terminate();
}
