// A table view bound to a dataset: columns by field, the selected row kept in step with the
// dataset's current row, a per-cell style hook, double-click and column enter/exit.
#pragma once

#include "data/query.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QFont>
#include <QTableView>
#include <functional>
#include <optional>

namespace ui {

struct GridColumn {
    QString field;
    QString title;
    int width = 100;
    bool visible = true;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
    bool boldTitle = true;
    QString format;    // number mask such as "#0.00#" (data::text::masked); empty: plain
    QColor color;      // text of the cells; invalid: the grid's
    QColor fill;       // background of the cells; invalid: the grid's
    QColor titleColor; // text of the title; invalid: the header's
    // A name column: it takes the width the grid has to spare. A grid without one gives the
    // spare width to its last column.
    bool stretch = false;
};

struct CellStyle {
    std::optional<bool> bold;
    std::optional<QColor> text;
    std::optional<QColor> fill;
};

class DBGrid;

class DatasetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DatasetModel(DBGrid* grid);
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    void resetAll() {
        beginResetModel();
        endResetModel();
    }
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }

private:
    DBGrid* grid_;
};

class DBGrid : public QTableView {
    Q_OBJECT
public:
    explicit DBGrid(QWidget* parent = nullptr);

    void setDataSource(data::DataSource* source);
    void setDataSet(data::Query* dataset);
    data::Query* dataSet() const { return dataset_; }

    void addColumn(const GridColumn& column);
    void addColumn(const QString& field, const QString& title, int width = 100,
                   Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
    // A name column (see GridColumn::stretch).
    void addNameColumn(const QString& field, const QString& title, int width);
    void clearColumns();
    int columnCount() const { return int(columns_.size()); }
    GridColumn& column(int i) { return columns_[i]; }
    const GridColumn& column(int i) const { return columns_[i]; }
    int columnOf(const QString& field) const;
    void setColumnVisible(const QString& field, bool visible);
    void applyColumns(); // widths and visibility after a change to column()
    // Current width of a column in the view, with its share of the spare width.
    int shownWidth(const QString& field) const;

    // Style of one cell; the hook may set font weight, text colour and fill. It starts from
    // the column's own colours.
    std::function<void(int row, const GridColumn& column, CellStyle& style)> onDrawCell;
    CellStyle cellStyle(int row, const QString& field) const;
    // Text shown in a cell (row 0-based among the visible rows).
    QString cellText(int row, const QString& field) const;

    // In-place editing (the norms grid): a committed cell moves the dataset to its row and
    // hands the text to onEdit, which puts it into the dataset's edit buffer.
    void setEditable(bool on);
    bool editable() const { return editable_; }
    std::function<void(const GridColumn& column, const QString& text)> onEdit;
    // With editing on: Down on the last row (or a key in an empty grid) begins a new row at
    // the end; leaving a new row nobody typed into drops it again.
    void setAppendRows(bool on) { appendRows_ = on; }
    // Hands the text of an open cell editor to onEdit and closes the editor.
    void commitEdit();
    // A marker column in front of the rows: current row, row being edited, new row.
    void setRowIndicator(bool on);
    static QString rowMarker(data::Query::State state, bool current);

    void selectRow(int row); // 0-based; moves the dataset too

signals:
    void dblClick();
    void colEnter();
    void colExit();

protected:
    // Whatever is clicked or pressed, the current record's row stays the one selection.
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override;
    bool viewportEvent(QEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;

private:
    friend class DatasetModel;
    void datasetReset();
    void datasetMoved(int row);
    QString formatted(const GridColumn& c, const QVariant& v, const QString& text) const;
    // What the public cellStyle and cellText give, for a column already found.
    CellStyle styleOf(int row, const GridColumn& c) const;
    QString textOf(int row, const GridColumn& c) const;
    bool appending() const; // editing a new row nobody has typed into yet
    void refreshIndicator();
    void fitColumns(); // spreads the spare width over the name columns

    data::Query* dataset_ = nullptr;
    QList<QMetaObject::Connection> links_;
    QList<GridColumn> columns_;
    DatasetModel* model_;
    bool editable_ = false;
    bool appendRows_ = false;
    bool indicator_ = false;
    bool syncing_ = false;
    bool fitting_ = false;
    int lastColumn_ = 0;
};

} // namespace ui
