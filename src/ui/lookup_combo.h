// A drop-down list of the rows of a dataset: shows one field, keyed by another, and keeps
// its chosen key while the dataset is closed and opened again.
#pragma once

#include "data/query.h"

#include <QComboBox>
#include <QVariant>

namespace ui {

class DBLookupComboBox : public QComboBox {
    Q_OBJECT
public:
    explicit DBLookupComboBox(QWidget* parent = nullptr);

    // The rows come from dataset; keyField is the key, listField the text shown.
    void setListSource(data::Query* dataset, const QString& keyField, const QString& listField);
    data::Query* listSource() const { return dataset_; }

    // Key of the chosen entry; null when nothing is chosen.
    QVariant keyValue() const { return key_; }
    // Chooses the entry with this key (nothing when there is none, or for a null key).
    void setKeyValue(const QVariant& key);
    // Chooses the entry showing this text; false (and nothing chosen) when there is none.
    bool selectText(const QString& text);
    // Text of the chosen entry ("" when nothing is chosen).
    QString text() const { return currentIndex() >= 0 ? currentText() : QString(); }

private:
    void reload();
    void chosen(int index);
    int indexOfKey(const QVariant& key) const;

    data::Query* dataset_ = nullptr;
    QMetaObject::Connection link_;
    QString keyField_;
    QString listField_;
    QVariant key_;
    bool loading_ = false;
};

} // namespace ui
