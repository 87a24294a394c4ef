#include "journal/record_editor.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TForm11* Form11 = nullptr;

TForm11::TForm11(QWidget* parent) : ui::Form(parent) {
    Form11 = this;
    GroupBox1 = new QGroupBox(QStringLiteral("Закрыто мастером"), this);
    Edit1 = new QLineEdit(this);
    Button3 = new QPushButton(QStringLiteral("..."), this);
    Edit2 = new QLineEdit(this);
    Button4 = new QPushButton(QStringLiteral("..."), this);
    Edit3 = new QLineEdit(this);
    Edit6 = new QLineEdit(this);
    Label6 = new QLabel(QStringLiteral("Цвет"), this);
    Edit5 = new QLineEdit(this);
    DTimeP = new QDateEdit(this);
    Edit4 = new QLineEdit(this);
    Edit8 = new QLineEdit(this);
    Edit7 = new QLineEdit(this);
    Edit9 = new QLineEdit(this);
    Button1 = new QPushButton(QStringLiteral("Запись"), this);
    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
}

TForm11::~TForm11() = default;
void TForm11::FormActivate() {}
void TForm11::updateColourBox() {}
void TForm11::Recompute() {}
void TForm11::Button1Click() {}
void TForm11::Button2Click() {}
void TForm11::Button3Click() {}
void TForm11::Button4Click() {}
bool TForm11::eventFilter(QObject* watched, QEvent* event) { return ui::Form::eventFilter(watched, event); }
