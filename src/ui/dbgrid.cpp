#include "ui/dbgrid.h"

#include "data/texts.h"
#include "ui/guard.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyledItemDelegate>
#include <cmath>

namespace ui {

namespace {
// Draws a cell of the selected row whose text has a colour of its own on a light tint of the
// selection colour, so that the colour stays readable instead of turning into the selection's
// text colour.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected)) return;
        const QVariant own = index.data(Qt::ForegroundRole);
        if (!own.isValid()) return;
        const QColor text = own.value<QColor>();
        for (QPalette::ColorGroup g : {QPalette::Active, QPalette::Inactive}) {
            const QColor sel = option->palette.color(g, QPalette::Highlight);
            const QColor base = option->palette.color(g, QPalette::Base);
            const QColor tint = QColor::fromRgbF(0.2f * sel.redF() + 0.8f * base.redF(),
                                                 0.2f * sel.greenF() + 0.8f * base.greenF(),
                                                 0.2f * sel.blueF() + 0.8f * base.blueF());
            option->palette.setColor(g, QPalette::Highlight, tint);
            option->palette.setColor(g, QPalette::HighlightedText, text);
        }
    }
};
} // namespace

DatasetModel::DatasetModel(DBGrid* grid) : QAbstractTableModel(grid), grid_(grid) {}

int DatasetModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !grid_->dataset_ || !grid_->dataset_->active()) return 0;
    return grid_->dataset_->recordCount();
}

int DatasetModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(grid_->columns_.size());
}

QVariant DatasetModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !grid_->dataset_) return {};
    const GridColumn& c = grid_->columns_[index.column()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return grid_->textOf(index.row(), c);
    case Qt::TextAlignmentRole:
        return int(c.alignment);
    case Qt::FontRole:
    case Qt::ForegroundRole:
    case Qt::BackgroundRole: {
        const CellStyle st = grid_->styleOf(index.row(), c);
        if (role == Qt::FontRole && st.bold) {
            QFont f = grid_->font();
            f.setBold(*st.bold);
            return f;
        }
        if (role == Qt::ForegroundRole && st.text) return *st.text;
        if (role == Qt::BackgroundRole && st.fill) return *st.fill;
        return {};
    }
    default:
        return {};
    }
}

QVariant DatasetModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Vertical && grid_->indicator_ && grid_->dataset_) {
        if (role == Qt::DisplayRole) {
            const bool current = section == grid_->dataset_->currentRow();
            return DBGrid::rowMarker(
                current ? grid_->dataset_->state() : data::Query::State::Browse, current);
        }
        if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    }
    if (orientation != Qt::Horizontal || section < 0 || section >= grid_->columns_.size())
        return QAbstractTableModel::headerData(section, orientation, role);
    const GridColumn& c = grid_->columns_[section];
    switch (role) {
    case Qt::DisplayRole:
        return c.title;
    case Qt::FontRole: {
        QFont f = grid_->font();
        f.setBold(c.boldTitle);
        return f;
    }
    case Qt::ForegroundRole:
        return c.titleColor.isValid() ? QVariant(c.titleColor) : QVariant();
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    default:
        return {};
    }
}

Qt::ItemFlags DatasetModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (grid_->editable_) f |= Qt::ItemIsEditable;
    return f;
}

bool DatasetModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !grid_->editable_ || !grid_->dataset_ || !grid_->onEdit)
        return false;
    bool done = false;
    run([&] {
        // moving onto the row it is on would store the row being edited first
        if (index.row() != grid_->dataset_->currentRow())
            grid_->dataset_->setRecNo(index.row() + 1);
        grid_->onEdit(grid_->columns_[index.column()], value.toString());
        done = true;
    });
    return done;
}

DBGrid::DBGrid(QWidget* parent) : QTableView(parent), model_(new DatasetModel(this)) {
    setModel(model_);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setAlternatingRowColors(false);
    verticalHeader()->setVisible(false);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(true);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setItemDelegate(new GridDelegate(this));
    // the selected row looks the same when another window (a question about it) is on top
    QPalette p = palette();
    p.setColor(QPalette::Inactive, QPalette::Highlight,
               p.color(QPalette::Active, QPalette::Highlight));
    p.setColor(QPalette::Inactive, QPalette::HighlightedText,
               p.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(p);
    // a column the user sizes keeps that width, through re-reads and window sizes
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int i, int, int size) {
        if (fitting_ || i < 0 || i >= columns_.size()) return;
        // the header's own stretching of the last column is not the user's choice
        QHeaderView* h = horizontalHeader();
        if (h->stretchLastSection()) {
            int last = h->count() - 1;
            while (last > 0 && h->isSectionHidden(h->logicalIndex(last)))
                --last;
            if (h->visualIndex(i) == last) return;
        }
        columns_[i].width = size;
        columns_[i].stretch = false;
    });
}

void DBGrid::setDataSource(data::DataSource* source) {
    setDataSet(source ? source->dataSet : nullptr);
}

void DBGrid::setDataSet(data::Query* dataset) {
    if (dataset == dataset_) return;
    for (const auto& l : links_)
        disconnect(l);
    links_.clear();
    dataset_ = dataset;
    if (dataset_) {
        links_ << connect(dataset_, &data::Query::reset, this, [this] { datasetReset(); });
        links_ << connect(dataset_, &data::Query::moved, this,
                          [this](int row) { datasetMoved(row); });
        links_ << connect(dataset_, &data::Query::rowChanged, this, [this](int row) {
            if (row >= 0 && row < model_->rowCount())
                emit model_->dataChanged(model_->index(row, 0),
                                         model_->index(row, int(columns_.size()) - 1));
            refreshIndicator();
        });
    }
    datasetReset();
    if (dataset_) datasetMoved(dataset_->currentRow());
}

void DBGrid::datasetReset() {
    syncing_ = true;
    model_->resetAll();
    applyColumns();
    syncing_ = false;
}

void DBGrid::datasetMoved(int row) {
    if (syncing_) return;
    syncing_ = true;
    if (row < 0) {
        selectionModel()->clearSelection();
    } else {
        const int col = currentIndex().isValid() ? currentIndex().column()
                                                 : qMin(lastColumn_, int(columns_.size()) - 1);
        const QModelIndex idx = model_->index(row, qMax(0, col));
        selectionModel()->setCurrentIndex(idx, QItemSelectionModel::ClearAndSelect |
                                                   QItemSelectionModel::Rows);
        scrollTo(idx);
    }
    syncing_ = false;
    refreshIndicator();
}

void DBGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (current.isValid()) lastColumn_ = current.column();
    if (current.column() != previous.column() && previous.isValid()) emit colExit();
    if (!syncing_ && dataset_ && current.isValid() && dataset_->active() &&
        current.row() != dataset_->currentRow()) {
        syncing_ = true;
        run([&] { dataset_->setRecNo(current.row() + 1); });
        syncing_ = false;
    }
    if (current.column() != previous.column() && current.isValid()) emit colEnter();
}

QItemSelectionModel::SelectionFlags DBGrid::selectionCommand(const QModelIndex& index,
                                                             const QEvent*) const {
    // a click beside the rows, Ctrl with a click or a key: nothing deselects the current row,
    // and the selection moves wherever the current cell moves
    if (!index.isValid()) return QItemSelectionModel::NoUpdate;
    return QItemSelectionModel::ClearAndSelect |
           (editable_ ? QItemSelectionModel::NoUpdate : QItemSelectionModel::Rows);
}

bool DBGrid::viewportEvent(QEvent* event) {
    const bool done = QTableView::viewportEvent(event);
    // the viewport narrows too when the vertical scroll bar comes
    if (event->type() == QEvent::Resize) fitColumns();
    return done;
}

void DBGrid::selectRow(int row) {
    if (!dataset_ || row < 0 || row >= model_->rowCount()) return;
    dataset_->setRecNo(row + 1);
}

bool DBGrid::appending() const {
    return dataset_ && dataset_->state() == data::Query::State::Insert && !dataset_->modified();
}

void DBGrid::mousePressEvent(QMouseEvent* event) {
    if (editable_) commitEdit(); // what was typed into the cell counts before the row is left
    if (editable_ && appending()) {
        const QModelIndex idx = indexAt(event->position().toPoint());
        if (idx.isValid() && idx.row() != dataset_->currentRow()) dataset_->cancel();
    }
    QTableView::mousePressEvent(event);
}

void DBGrid::keyPressEvent(QKeyEvent* event) {
    if (!editable_ || !dataset_ || !dataset_->active() || state() == EditingState) {
        // Enter in a cell editor ends the cell; it does not press the window's default button
        if (editable_ && state() == EditingState &&
            (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)) {
            event->accept();
            return;
        }
        QTableView::keyPressEvent(event);
        return;
    }
    const int key = event->key();
    const bool onLast = model_->rowCount() == 0 || currentIndex().row() >= model_->rowCount() - 1;
    if (appendRows_ && key == Qt::Key_Down && onLast) {
        // a new row that is still empty is not followed by another one
        if (!appending()) run([this] { dataset_->insert(); });
        event->accept();
        return;
    }
    if (appendRows_ && model_->rowCount() == 0 && !event->text().isEmpty() &&
        event->text().at(0).isPrint()) {
        run([this] { dataset_->insert(); });
    } else if (appending() &&
               (key == Qt::Key_Up || key == Qt::Key_PageUp || key == Qt::Key_Escape ||
                (key == Qt::Key_Home && (event->modifiers() & Qt::ControlModifier)))) {
        // leaving the new row nobody typed into drops it; Home alone stays in the row
        dataset_->cancel();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DBGrid::commitEdit() {
    if (state() != EditingState) return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void DBGrid::setRowIndicator(bool on) {
    indicator_ = on;
    verticalHeader()->setVisible(on);
    if (on) {
        verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        verticalHeader()->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("MM")) + 6);
    }
    refreshIndicator();
}

QString DBGrid::rowMarker(data::Query::State state, bool current) {
    if (!current) return {};
    switch (state) {
    case data::Query::State::Insert:
        return QStringLiteral("*");
    case data::Query::State::Edit:
        return QStringLiteral("I");
    default:
        return QStringLiteral("\u25B6");
    }
}

void DBGrid::refreshIndicator() {
    if (!indicator_) return;
    const int rows = model_->rowCount();
    if (rows > 0) emit model_->headerDataChanged(Qt::Vertical, 0, rows - 1);
}

void DBGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    if (editable_) {
        QTableView::mouseDoubleClickEvent(event);
        return;
    }
    const QModelIndex idx = indexAt(event->position().toPoint());
    if (idx.isValid()) {
        if (dataset_ && idx.row() != dataset_->currentRow()) selectRow(idx.row());
        emit dblClick();
    }
    event->accept();
}

void DBGrid::addColumn(const GridColumn& column) {
    model_->beginReset();
    columns_.append(column);
    model_->endReset();
    applyColumns();
}

void DBGrid::addColumn(const QString& field, const QString& title, int width,
                       Qt::Alignment alignment) {
    GridColumn c;
    c.field = field;
    c.title = title;
    c.width = width;
    c.alignment = alignment;
    addColumn(c);
}

void DBGrid::addNameColumn(const QString& field, const QString& title, int width) {
    addColumn(field, title, width);
    columns_.last().stretch = true;
    fitColumns();
}

void DBGrid::clearColumns() {
    model_->beginReset();
    columns_.clear();
    model_->endReset();
}

int DBGrid::columnOf(const QString& field) const {
    for (int i = 0; i < columns_.size(); ++i)
        if (columns_[i].field.compare(field, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

void DBGrid::setColumnVisible(const QString& field, bool visible) {
    const int i = columnOf(field);
    if (i < 0) return;
    columns_[i].visible = visible;
    applyColumns();
}

void DBGrid::applyColumns() {
    fitting_ = true;
    for (int i = 0; i < columns_.size(); ++i) {
        setColumnHidden(i, !columns_[i].visible);
        if (columns_[i].width > 0) setColumnWidth(i, columns_[i].width);
    }
    fitting_ = false;
    fitColumns();
}

void DBGrid::fitColumns() {
    int total = 0, names = 0;
    for (const GridColumn& c : columns_) {
        if (!c.visible) continue;
        total += c.width;
        if (c.stretch) names += c.width;
    }
    horizontalHeader()->setStretchLastSection(names == 0);
    if (names == 0) return;
    const int spare = qMax(0, viewport()->width() - total);
    fitting_ = true;
    int given = 0, seen = 0;
    for (int i = 0; i < columns_.size(); ++i) {
        const GridColumn& c = columns_[i];
        if (!c.visible || !c.stretch) continue;
        seen += c.width;
        // shares by width; the last name column takes what rounding left over
        const int share = int(qint64(spare) * seen / names) - given;
        given += share;
        setColumnWidth(i, c.width + share);
    }
    fitting_ = false;
}

int DBGrid::shownWidth(const QString& field) const {
    const int i = columnOf(field);
    return i < 0 ? 0 : columnWidth(i);
}

QString DBGrid::formatted(const GridColumn& c, const QVariant& v, const QString& text) const {
    if (c.format.isEmpty() || v.isNull()) return text;
    bool ok = false;
    const double d = text.toDouble(&ok);
    return ok ? data::text::masked(d, c.format) : text;
}

QString DBGrid::textOf(int row, const GridColumn& c) const {
    if (!dataset_ || !dataset_->active()) return {};
    const int f = dataset_->fieldIndex(c.field);
    return f < 0 ? QString() : formatted(c, dataset_->valueAt(row, f), dataset_->textAt(row, f));
}

QString DBGrid::cellText(int row, const QString& field) const {
    if (const int ci = columnOf(field); ci >= 0) return textOf(row, columns_[ci]);
    if (!dataset_ || !dataset_->active()) return {};
    const int f = dataset_->fieldIndex(field);
    return f < 0 ? QString() : dataset_->textAt(row, f);
}

CellStyle DBGrid::styleOf(int row, const GridColumn& c) const {
    CellStyle st;
    if (c.color.isValid()) st.text = c.color;
    if (c.fill.isValid()) st.fill = c.fill;
    if (onDrawCell) onDrawCell(row, c, st);
    return st;
}

CellStyle DBGrid::cellStyle(int row, const QString& field) const {
    const int ci = columnOf(field);
    return ci < 0 ? CellStyle() : styleOf(row, columns_[ci]);
}

void DBGrid::setEditable(bool on) {
    editable_ = on;
    setEditTriggers(on ? QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed
                       : QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(on ? QAbstractItemView::SelectItems : QAbstractItemView::SelectRows);
}

} // namespace ui
