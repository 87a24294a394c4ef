#include "ui/lookup_combo.h"

namespace ui {

DBLookupComboBox::DBLookupComboBox(QWidget* parent) : QComboBox(parent) {
    setMaxVisibleItems(10);
    setEditable(false);
    connect(this, &QComboBox::currentIndexChanged, this, [this](int index) { chosen(index); });
}

void DBLookupComboBox::setListSource(data::Query* dataset, const QString& keyField,
                                     const QString& listField) {
    if (link_) disconnect(link_);
    dataset_ = dataset;
    keyField_ = keyField;
    listField_ = listField;
    if (dataset_) link_ = connect(dataset_, &data::Query::reset, this, [this] { reload(); });
    reload();
}

void DBLookupComboBox::reload() {
    loading_ = true;
    clear();
    if (dataset_ && dataset_->active()) {
        const int key = dataset_->fieldIndex(keyField_);
        const int list = dataset_->fieldIndex(listField_);
        for (int row = 0; row < dataset_->recordCount(); ++row)
            addItem(dataset_->textAt(row, list), dataset_->valueAt(row, key));
    }
    // the chosen key outlives a closed dataset; it is shown again once its row is back
    setCurrentIndex(indexOfKey(key_));
    loading_ = false;
}

void DBLookupComboBox::chosen(int index) {
    if (loading_ || index < 0) return;
    key_ = itemData(index);
}

int DBLookupComboBox::indexOfKey(const QVariant& key) const {
    if (key.isNull()) return -1;
    // keys arrive as integers or as the exact decimal text of a numeric column
    bool numeric = false;
    const double k = key.toString().toDouble(&numeric);
    for (int i = 0; i < count(); ++i) {
        const QVariant d = itemData(i);
        if (d.toString() == key.toString()) return i;
        bool ok = false;
        if (numeric && d.toString().toDouble(&ok) == k && ok) return i;
    }
    return -1;
}

void DBLookupComboBox::setKeyValue(const QVariant& key) {
    key_ = key.isNull() ? QVariant() : key;
    const int index = indexOfKey(key_);
    loading_ = true;
    setCurrentIndex(index);
    loading_ = false;
    if (index >= 0) key_ = itemData(index);
}

bool DBLookupComboBox::selectText(const QString& text) {
    const int index = findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (index < 0) {
        loading_ = true;
        setCurrentIndex(-1);
        loading_ = false;
        key_ = QVariant();
        return false;
    }
    setCurrentIndex(index);
    key_ = itemData(index);
    return true;
}

} // namespace ui
