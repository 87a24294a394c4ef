#include "ui/file_dialog.h"

#include <QFileDialog>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QTreeView>

namespace ui {

namespace {

// The folder's list as the dialog shows it, its size and date columns in the program's
// locale: the file system model writes them in the system's locale, English under a C one.
class RussianColumns : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override {
        const auto* files = qobject_cast<const QFileSystemModel*>(sourceModel());
        if (role == Qt::DisplayRole && files && (index.column() == 1 || index.column() == 3)) {
            const QModelIndex source = mapToSource(index);
            const QFileInfo info = files->fileInfo(source);
            const QLocale locale;
            if (index.column() == 1)
                return info.isDir() ? QString() : locale.formattedDataSize(info.size());
            return locale.toString(info.lastModified(), QLocale::ShortFormat);
        }
        return QIdentityProxyModel::data(index, role);
    }
};

} // namespace

void useRussianFileDialog(QFileDialog* dialog) {
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setProxyModel(new RussianColumns(dialog));
    // a Russian date is longer than the column Qt gives the English one
    for (QTreeView* view : dialog->findChildren<QTreeView*>())
        for (int column : {1, 2, 3})
            view->header()->setSectionResizeMode(column, QHeaderView::ResizeToContents);
}

} // namespace ui
