#pragma once

#include "core/config_ui/folder_editor.h"
#include "qt/components/qt_fx_image.h"
#include "qt/forms/folder_models.h"
#include "qt/platform/folder_listing.h"
#include "qt/platform/mount_table.h"
#include "qt/sound/qt_fx_snd.h"

#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QStringList>
#include <QTreeView>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace framory::core {
class ScreenMetrics;
struct Program;
} // namespace framory::core

namespace framory::qt {

class FormServices;
class SoundOutput;

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
    bool file_list_complete() const { return m_file_listing.complete(); }
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
    void move_tree(const QString& folder);
    void show_tree_root(const QString& mount);
    void list_subfolders(const QModelIndex& index);
    void receive_subfolders(const QString& folder, const QStringList& names);
    void select_tree_folder();
    int drive_index_of(const QString& folder) const;
    void fill_drive_list();
    void receive_files(const QStringList& names, bool complete);
    void file_clicked(const QModelIndex& index);
    void unload();

    core::FolderEditor m_rules;
    FolderTreeModel m_tree_model;
    FolderFileModel m_files;
    QList<Volume> m_volumes;
    // Each volume's folder the tree last showed, where choosing the volume
    // again returns.
    QMap<QString, QString> m_drive_folders;
    QString m_tree_folder;
    QString m_file_folder;
    // The file list's folder, and the tree's folders as they open; stopped
    // when the tree shows another volume and when the editor closes.
    FolderListing m_file_listing;
    std::vector<std::unique_ptr<FolderListing>> m_tree_listings;
    bool m_moving_tree = false;
    bool m_unloaded = false;
};

// Shows the editor modally over the configuration dialog and returns when
// it has closed (and saved).
void ShowFolderEditorModal(core::Program& program, FormServices& platform, QWidget* parent);

} // namespace framory::qt
