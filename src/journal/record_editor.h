// TForm11, the shift record editor "Заведение новой позиции (11)" / "Изменение данных о позиции
// (11)".
#pragma once

#include "data/query.h"
#include "journal/record_writes.h"
#include "ui/form.h"

#include <QDate>
#include <memory>
#include <optional>

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace journal {
// A record of the journal as the editor shows it for a change.
struct ShiftRecord {
    int id = 0;
    QDate day;
    int shift = 1;
    int worker = 0;
    QString workerName;
    int product = 0;
    int operation = 0;
    int stage = 0;
    QString mark; // of the product
    QString kind; // of the operation
    double price = 0;
    QString quantity;
    QString rejects;
    qint64 hours = 0;
    QString colour;
    data::SeenRow seen; // the row as the journal showed it
};
} // namespace journal

class TForm11 : public ui::Form {
    Q_OBJECT
public:
    explicit TForm11(QWidget* parent = nullptr);
    ~TForm11() override;

    QGroupBox* GroupBox1; // "Закрыто мастером"
    QLineEdit* Edit1;     // "ФИО", read-only; a click opens the worker pick
    QPushButton* Button3; // "..." worker pick
    QLineEdit* Edit2;     // "Операция", read-only; a click opens the operation pick
    QPushButton* Button4; // "..." operation pick
    QLineEdit* Edit3;     // "Кол-во"
    QLineEdit* Edit6;     // "Время"
    QLabel* Label6;       // "Цвет"
    QLineEdit* Edit5;     // "Цвет"
    QDateEdit* DTimeP;    // "Дата"
    QLineEdit* Edit4;     // "Брак"
    QLineEdit* Edit8;     // "Цена база"
    QLineEdit* Edit7;     // "Цена итог"
    QLineEdit* Edit9;     // "Сумма"
    QPushButton* Button1; // "Запись"
    QPushButton* Button2; // "Отмена"

    int WorkerId = 0;
    int OperId = 0;
    int ProductId = 0;
    int Stage = 0;
    double Price = 0;
    // Lowest norm price of the chosen operation, shown as "Цена база".
    double BasePrice = 0;
    // The record being changed (ChangeRow), and its row as the user saw it: a change saved over
    // another user's is refused once, and saved on purpose after that.
    int RecordId = 0;
    data::SeenRow Seen;
    // The journal's shift, which the record gets, and its day-off box, which with the
    // shift prices a picked operation.
    int Shift = 1;
    bool DayOff = false;

    // "Добавить": an empty record for the day and shift, shown modally.
    void openForNew(const QDate& day, int shift, bool dayOff);
    // "Изменить": the record, shown modally.
    void openForChange(const journal::ShiftRecord& record, bool dayOff);

    // True when an operation text names a painting operation.
    static bool isPainting(const QString& text);
    // The boxes checked against the columns they feed, as the record to write; none after
    // telling the user what to mend.
    std::optional<journal::RecordInput> readInput();

    void FormActivate() override;
    // Enables the colour box for painting operations, clears and disables it otherwise.
    void updateColourBox();
    // "Цена итог", "Цена база" and "Сумма" from Price, the operations query and the quantity.
    void Recompute();
    // "Сумма": (quantity - rejects) x price, in roubles and kopecks.
    void showSum();

public slots:
    void Button1Click(); // save
    void Button2Click(); // cancel
    void Button3Click(); // worker pick
    void Button4Click(); // operation pick

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm11* Form11;
