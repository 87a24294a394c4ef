// TForm11, the shift record editor "Заведение новой позиции (11)" / "Изменение данных о позиции
// (11)".
#pragma once

#include "data/query.h"
#include "ui/form.h"

#include <QDate>
#include <memory>

class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

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
    std::unique_ptr<data::Command> SmenaIU;

    int WorkerId = 0;
    int OperId = 0;
    int ProductId = 0;
    int Stage = 0;
    double Price = 0;
    // Lowest norm price of the chosen operation, shown as "Цена база".
    double BasePrice = 0;
    // The record being changed (tag 2): its key, and the worker and day it had, whose
    // timesheet cell is recomputed when the change moves it away.
    int RecordId = 0;
    int OldWorkerId = 0;
    QDate OldDate;

    // True when an operation text names a painting operation.
    static bool isPainting(const QString& text);

    void FormActivate() override;
    // Enables the colour box for painting operations, clears and disables it otherwise.
    void updateColourBox();
    // "Цена итог", "Цена база" and "Сумма" from Price, the operations query and the quantity.
    void Recompute();

public slots:
    void Button1Click(); // save
    void Button2Click(); // cancel
    void Button3Click(); // worker pick
    void Button4Click(); // operation pick

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

extern TForm11* Form11;
