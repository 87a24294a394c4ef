#include "ui/radio_group.h"

#include <QButtonGroup>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

RadioGroup::RadioGroup(const QString& caption, const QStringList& items, QWidget* parent)
    : QGroupBox(caption, parent), group_(new QButtonGroup(this)) {
    auto* layout = new QVBoxLayout(this);
    for (int i = 0; i < items.size(); ++i) {
        auto* button = new QRadioButton(items[i], this);
        group_->addButton(button, i);
        layout->addWidget(button);
        items_ << button;
    }
    connect(group_, &QButtonGroup::idClicked, this, &RadioGroup::clicked);
}

int RadioGroup::ItemIndex() const {
    return group_->checkedId();
}

void RadioGroup::setItemIndex(int index) {
    if (QRadioButton* b = item(index)) {
        b->setChecked(true);
        return;
    }
    // an exclusive group keeps one button checked unless exclusiveness is lifted meanwhile
    group_->setExclusive(false);
    for (QRadioButton* b : items_)
        b->setChecked(false);
    group_->setExclusive(true);
}

} // namespace ui
