// TForm24, one household-works or average piece-rate entry "Хоз. работы/среднесдельная (24)".
#pragma once

#include "data/query.h"
#include "data/row_check.h"
#include "ui/form.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
namespace ui {
class DBLookupComboBox;
}

namespace timesheet {
// A worker or a product class chosen from a reference list.
struct Picked {
    qint64 id = 0;
    QString caption;
};
// How the entry window asks for one: the program sets them at start-up to the workers list
// and the classifier's list, which stand above the timesheets.
struct EntryPicks {
    std::function<std::optional<Picked>()> worker;
    std::function<std::optional<Picked>()> productClass;
};
EntryPicks& entryPicks();
} // namespace timesheet

class TForm24 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm24(QWidget* parent = nullptr);
    ~TForm24() override;

    QGroupBox* GroupBox1;               // "Закрыто мастером"
    QLineEdit* Edit1;                   // "ФИО", read-only
    QPushButton* Button3;               // "..." worker pick
    QLineEdit* Edit2;                   // "Номенклатура", read-only
    QPushButton* Button4;               // "..." product class pick
    ui::DBLookupComboBox* cb_type_work; // kind of work, 7777 or 7778
    QLineEdit* Edit6;                   // hours
    QLineEdit* DBEdit1;                 // price of an hour of the kind (its norm price)
    QLabel* lb_factors;                 // the factors of a day off and of night work
    QLineEdit* DBEdit2;                 // what "Записать" saves: hours × price × factors
    QCheckBox* CBox1;                   // "Ночные"
    QPushButton* Button1;               // "Записать"
    QPushButton* Button6;               // "Выход"
    // The two kinds of work with the price of an hour from their operation's norm; the list
    // window opens it around each showing. Parameter cnt.
    std::unique_ptr<data::Query> type_work;

    // Tag ui::NewRow adds an entry; ui::ChangeRow changes EntryId.
    qint64 IdP = 0;   // worker, accounts_dep.person; 0 = none chosen
    qint64 IdNom = 0; // product class, cmn_classifier.item; 0 = none chosen
    qint64 EntryId = 0;
    // The entry changed as the user saw it in the list: a change saved over another user's
    // is refused once, and saved on purpose after that.
    data::SeenRow Seen;

    void FormActivate() override;
    // "Цена", its factors and "Сумма" for the chosen kind, the typed hours, the list's
    // "Выходной" and "Ночные".
    void ShowPrice();

public slots:
    void Button1Click(); // save
    void Button3Click(); // worker pick
    void Button4Click(); // product class pick
    void Button6Click(); // close
    void cb_type_workChange();

protected:
    void showEvent(QShowEvent* event) override;
};

extern TForm24* Form24;
