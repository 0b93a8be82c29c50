#include "qt/forms/folder_models.h"

#include "qt/platform/folder_listing.h"

#include <QApplication>
#include <QSet>
#include <QStyle>

namespace framory::qt {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;
constexpr int kStateRole = Qt::UserRole + 2;
constexpr int kUnread = 0;
constexpr int kReading = 1;
constexpr int kRead = 2;

QStandardItem* folder_item(const QString& text, const QString& path, QStyle::StandardPixmap icon)
{
    auto* item = new QStandardItem(QApplication::style()->standardIcon(icon), text);
    item->setEditable(false);
    item->setData(path, kPathRole);
    item->setData(kUnread, kStateRole);
    auto* placeholder = new QStandardItem();
    placeholder->setEditable(false);
    placeholder->setSelectable(false);
    item->appendRow(placeholder);
    return item;
}

QString child_path(const QString& folder, const QString& name)
{
    return (folder == QLatin1String("/") ? QString() : folder) + QLatin1Char('/') + name;
}

} // namespace

int FolderFileModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

QVariant FolderFileModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size() || role != Qt::DisplayRole) {
        return {};
    }
    return m_names.at(index.row());
}

void FolderFileModel::clear()
{
    beginResetModel();
    m_names.clear();
    endResetModel();
}

void FolderFileModel::append(const QStringList& names)
{
    if (names.isEmpty()) {
        return;
    }
    const int first = static_cast<int>(m_names.size());
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(names.size()) - 1);
    m_names.append(names);
    endInsertRows();
}

void FolderFileModel::replace(QStringList names)
{
    beginResetModel();
    m_names = std::move(names);
    endResetModel();
}

void FolderTreeModel::show_volume(const QString& mount)
{
    m_mount = mount;
    clear();
    appendRow(folder_item(mount, mount, QStyle::SP_DriveHDIcon));
}

QString FolderTreeModel::folder_of(const QModelIndex& index)
{
    return index.data(kPathRole).toString();
}

bool FolderTreeModel::begin_reading(const QModelIndex& index)
{
    QStandardItem* entry = itemFromIndex(index);
    if (entry == nullptr || entry->data(kStateRole).toInt() != kUnread) {
        return false;
    }
    entry->setData(kReading, kStateRole);
    return true;
}

QStandardItem* FolderTreeModel::item_of(const QString& folder, bool make)
{
    QStandardItem* entry = item(0);
    if (entry == nullptr || folder == m_mount) {
        return entry;
    }
    QString path = m_mount;
    const QString below = folder.mid(m_mount == QLatin1String("/") ? 1 : m_mount.size() + 1);
    for (const QString& name : below.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        path = child_path(path, name);
        // Children are held in order, the placeholder of an unread folder
        // first; a binary search finds the place of the name.
        int low = 0;
        int high = entry->rowCount();
        while (low < high) {
            const int middle = (low + high) / 2;
            const QStandardItem* child = entry->child(middle);
            if (child->data(kPathRole).toString().isEmpty() || FolderListing::NameOrder(child->text(), name)) {
                low = middle + 1;
            } else {
                high = middle;
            }
        }
        QStandardItem* found = low < entry->rowCount() && entry->child(low)->text() == name ? entry->child(low) : nullptr;
        if (found == nullptr) {
            if (!make) {
                return nullptr;
            }
            found = folder_item(name, path, QStyle::SP_DirIcon);
            entry->insertRow(low, found);
        }
        entry = found;
    }
    return entry;
}

void FolderTreeModel::set_subfolders(const QString& folder, const QStringList& names)
{
    QStandardItem* entry = item_of(folder, false);
    if (entry == nullptr) {
        return;
    }
    const QSet<QString> present(names.begin(), names.end());
    for (int row = entry->rowCount() - 1; row >= 0; --row) {
        const QStandardItem* child = entry->child(row);
        if (child->data(kPathRole).toString().isEmpty() || !present.contains(child->text())) {
            entry->removeRow(row);
        }
    }
    if (entry->rowCount() == 0) {
        QList<QStandardItem*> rows;
        rows.reserve(names.size());
        for (const QString& name : names) {
            rows.append(folder_item(name, child_path(folder, name), QStyle::SP_DirIcon));
        }
        entry->appendRows(rows);
    } else {
        int row = 0;
        for (const QString& name : names) {
            if (row >= entry->rowCount() || entry->child(row)->text() != name) {
                entry->insertRow(row, folder_item(name, child_path(folder, name), QStyle::SP_DirIcon));
            }
            ++row;
        }
    }
    entry->setData(kRead, kStateRole);
}

} // namespace framory::qt
