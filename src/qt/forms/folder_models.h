#pragma once

#include <QAbstractListModel>
#include <QStandardItemModel>
#include <QStringList>

namespace framory::qt {

// The names of the files in the browsed folder, filled in batches while the
// folder is read.
class FolderFileModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    void clear();
    void append(const QStringList& names);
    void replace(QStringList names);
    const QString& name(int row) const { return m_names.at(row); }

private:
    QStringList m_names;
};

// The folder tree of one volume. Its top entry is the volume's own folder,
// so that a volume's root can be chosen like any folder. A folder's
// subfolders are read when it first opens; until then it holds a
// placeholder, so that it shows it can be opened.
class FolderTreeModel : public QStandardItemModel {
public:
    using QStandardItemModel::QStandardItemModel;

    // Shows the tree of the volume mounted at `mount`, nothing read yet.
    void show_volume(const QString& mount);
    const QString& mount() const { return m_mount; }

    // The entry of a folder on the volume: made, with the entries above it,
    // when `make` is set and it is not there yet.
    QStandardItem* item_of(const QString& folder, bool make);
    // The folder an entry stands for; empty for a placeholder.
    static QString folder_of(const QModelIndex& index);
    // Marks an entry whose subfolders are unread as being read; false when
    // they are read or being read already.
    bool begin_reading(const QModelIndex& index);
    // Puts the subfolders read of `folder`, in NameOrder, under its entry.
    // Entries made earlier on the way to a folder stay with what lies below
    // them; folders that are gone leave.
    void set_subfolders(const QString& folder, const QStringList& names);

private:
    QString m_mount;
};

} // namespace framory::qt
