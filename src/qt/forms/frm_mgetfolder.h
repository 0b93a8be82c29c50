#pragma once

#include "core/config_ui/folder_editor.h"
#include "qt/components/qt_fx_image.h"
#include "qt/sound/qt_fx_snd.h"

#include <QAbstractListModel>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStringList>
#include <QTreeView>

#include <functional>
#include <memory>
#include <string>

namespace framory::core {
class ScreenMetrics;
struct Program;
} // namespace framory::core

namespace framory::qt {

class DesktopPlatform;
class SoundOutput;

// The names of the files in the browsed folder, filled in batches while a
// worker thread reads the folder.
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

// One volume of the drive list: where it is mounted and what the list shows.
struct Volume {
    QString mount;
    QString text;
};

// The machine's "drives": the root, the home folder's volume when it is a
// volume of its own, and the removable media mounted under /media and
// /run/media. The first form reads the system's mount table; the second
// takes one in its format (device, mount point, ...; a line each).
QList<Volume> MachineVolumes();
QList<Volume> MachineVolumes(const std::string& mount_table, const QString& home);

// The drive list. It reads the machine's volumes again each time it opens,
// so a stick plugged in while the editor is open is there to choose.
class VolumeList : public QComboBox {
public:
    using QComboBox::QComboBox;
    std::function<void()> before_popup;

protected:
    void showPopup() override;
};

// The folder-list editor: browse the volumes and folders, preview a picture
// or a sound, and choose up to 500 folders for the show.
class frm_mgetfolder : public QDialog, public core::FolderEditorWindow {
    Q_OBJECT

public:
    frm_mgetfolder(core::Program& program, core::SettingsStore& store, core::EventPump& pump,
                   core::ScreenMetrics& screen, SoundOutput& sound, QWidget* parent = nullptr);
    ~frm_mgetfolder() override;

    VolumeList Drive1;
    QTreeView Dir1;
    QListView file1;
    QtFXImage FXImage1;
    QtFXSnd FXSnd1; // no visible area
    QFrame Line1;
    QFrame Line2;
    QLabel Label1;
    QPushButton Command2; // "Add Folder"
    QPushButton Command3; // "Remove Folder(s)"
    QPushButton Command1; // "Exit"
    QListWidget List1;
    // The preview area's sunken frame, behind the picture: the area shows
    // as a framed box while it is empty.
    QFrame PreviewFrame;

    // The handlers the controls call.
    void Dir1_Click(const QString& folder);
    // A double click (or Enter) on a folder: the tree moves there.
    void Dir1_Open(const QString& folder);
    void Drive1_Click(int index);

    // Whether the file list has read the whole browsed folder.
    bool file_list_complete() const { return m_listing_complete; }
    const FolderFileModel& file_names() const { return m_files; }

    // FolderEditorWindow
    bool folder_exists(const std::string& folder) override;
    std::string file_list_folder() override;
    void set_file_list_folder(const std::string& folder) override;
    std::string tree_folder() override;
    void open_browser_at(const std::string& folder) override;
    bool tree_to_drive(const std::string& drive) override;
    void set_label(const std::string& text) override;
    int list_count() override { return List1.count(); }
    std::string list_item(int index) override;
    bool list_selected(int index) override;
    void list_add(const std::string& text) override;
    void list_remove(int index) override;
    void show_capacity_message() override;

protected:
    void changeEvent(QEvent* event) override;

private:
    struct Channel;

    void move_tree(const QString& folder);
    void show_tree_root(const QString& mount);
    // The tree's entry of a folder on the shown volume: made, with the
    // entries above it, when `make` is set and it is not there yet.
    QStandardItem* tree_item(const QString& folder, bool make);
    void list_subfolders(const QModelIndex& index);
    void receive_subfolders(quint64 generation, const QString& folder, const QStringList& names);
    void select_tree_folder();
    int drive_index_of(const QString& folder) const;
    void fill_drive_list();
    void receive_files(quint64 generation, const QStringList& names, bool complete);
    void file_clicked(const QModelIndex& index);
    void unload();

    core::FolderEditor m_rules;
    QStandardItemModel m_tree_model;
    FolderFileModel m_files;
    QList<Volume> m_volumes;
    // Each volume's folder the tree last showed, where choosing the volume
    // again returns.
    QMap<QString, QString> m_drive_folders;
    QString m_tree_folder;
    QString m_tree_mount;
    // Changes with the volume the tree shows, so that subfolders read for
    // another volume's tree are dropped.
    quint64 m_tree_generation = 0;
    QString m_file_folder;
    std::shared_ptr<Channel> m_channel;
    quint64 m_generation = 0;
    bool m_listing_complete = true;
    bool m_moving_tree = false;
    bool m_unloaded = false;
};

// Shows the editor modally over the configuration dialog and returns when
// it has closed (and saved).
void ShowFolderEditorModal(core::Program& program, DesktopPlatform& platform, QWidget* parent);

} // namespace framory::qt
