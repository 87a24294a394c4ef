#include "ui/history_window.h"

#include "ui/dialogs.h"
#include "ui/guard.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>

namespace ui {

HistoryWindow::HistoryWindow(QWidget* parent) : Form(parent) {
    setObjectName(QStringLiteral("HistoryWindow"));
    Grid = new QTableWidget(this);
    Grid->setObjectName(QStringLiteral("HistoryGrid"));
    Grid->setColumnCount(4);
    Grid->setHorizontalHeaderLabels({QStringLiteral("Когда"), QStringLiteral("Кто"),
                                     QStringLiteral("Действие"), QStringLiteral("Изменения")});
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid->setWordWrap(true);
    Grid->verticalHeader()->hide();
    Grid->horizontalHeader()->setStretchLastSection(true);
    Grid->setColumnWidth(0, 140);
    Grid->setColumnWidth(1, 220);
    Grid->setColumnWidth(2, 120);
    PutBack = new QPushButton(QStringLiteral("Вернуть"), this);
    Close = new QPushButton(QStringLiteral("Закрыть"), this);
    layOutWithButtons(Grid, {PutBack, Close});
    // Enter in the list does not put a record back: only the button does
    setDefaultButton(Close);
    resize(900, 420);
    connect(Close, &QPushButton::clicked, this, [this] { closeForm(); });
    connect(PutBack, &QPushButton::clicked, this, guard([this] {
                const int row = Grid->currentRow();
                if (!putBack_ || row < 0 || row >= int(entries_.size())) return;
                if (putBack_(entries_[size_t(row)])) {
                    entries_.erase(entries_.begin() + row);
                    fill();
                }
            }));
}

void HistoryWindow::showEntries(const QString& title, std::vector<data::HistoryEntry> entries,
                                std::function<bool(const data::HistoryEntry&)> putBack) {
    setWindowTitle(title);
    entries_ = std::move(entries);
    putBack_ = std::move(putBack);
    PutBack->setVisible(bool(putBack_));
    fill();
    showModal(this);
}

void HistoryWindow::fill() {
    Grid->clearContents();
    Grid->setRowCount(int(entries_.size()));
    for (int r = 0; r < int(entries_.size()); ++r) {
        const data::HistoryEntry& e = entries_[size_t(r)];
        const QStringList texts{e.at, data::whoText(e), data::actionText(e.action),
                                data::changeLines(e).join(u'\n')};
        for (int c = 0; c < texts.size(); ++c)
            Grid->setItem(r, c, new QTableWidgetItem(texts[c]));
    }
    Grid->resizeRowsToContents();
    if (!entries_.empty()) Grid->setCurrentCell(0, 0);
    PutBack->setEnabled(!entries_.empty());
}

} // namespace ui
