// A row's history of changes, newest first, one change per row: when, who, what was done and
// each field as "было → стало". With a put-back action it lists deleted records instead, and
// puts the chosen one back.
#pragma once

#include "data/change_history.h"
#include "ui/form.h"

#include <functional>

class QPushButton;
class QTableWidget;

namespace ui {

class HistoryWindow : public Form {
    Q_OBJECT
public:
    explicit HistoryWindow(QWidget* parent = nullptr);

    // Shows entries under title; with putBack, "Вернуть" puts the chosen entry's row back
    // and, when it returns true, the row leaves the list.
    void showEntries(const QString& title, std::vector<data::HistoryEntry> entries,
                     std::function<bool(const data::HistoryEntry&)> putBack = {});

    QTableWidget* Grid = nullptr;
    QPushButton* PutBack = nullptr;
    QPushButton* Close = nullptr;

private:
    void fill();
    std::vector<data::HistoryEntry> entries_;
    std::function<bool(const data::HistoryEntry&)> putBack_;
};

} // namespace ui
