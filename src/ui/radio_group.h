// A framed group of radio buttons of which one is chosen, read and set by its index.
#pragma once

#include <QGroupBox>
#include <QList>
#include <QStringList>

class QButtonGroup;
class QRadioButton;

namespace ui {

class RadioGroup : public QGroupBox {
    Q_OBJECT
public:
    RadioGroup(const QString& caption, const QStringList& items, QWidget* parent = nullptr);

    // 0-based index of the chosen item, -1 when none is.
    int ItemIndex() const;
    void setItemIndex(int index);
    QRadioButton* item(int index) const { return items_.value(index); }
    int count() const { return int(items_.size()); }

signals:
    void clicked(int index); // the user chose an item

private:
    QButtonGroup* group_;
    QList<QRadioButton*> items_;
};

} // namespace ui
