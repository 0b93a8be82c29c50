#pragma once

// The folder-list editor.

#include "core/config_ui/folder_editor.h"
#include "win32/forms/folder_listing.h"
#include "win32/forms/form_kit.h"
#include "win32/platform/mci_sound.h"
#include "win32/show/fx_components.h"
#include "win32/show/layers.h"

#include <commctrl.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace framory::core {
struct Program;
}

namespace framory::win32 {

// frm_mgetfolder, "Add Or Remove Folders To Be Displayed During The Screen
// Saver": the drive list, the folder tree and the file list to browse with;
// the preview area (the show's picture component) and its sound player;
// the folder being browsed; "Add Folder", "Remove Folder(s)", "Exit"; and
// the chosen folders. Folders are read on worker threads: the tree fills a
// folder's branch when it arrives, the file list in portions between other
// messages. The close box and Escape act as "Exit".
class frmMGetFolder : public ConfigForm, public core::FolderEditorWindow {
public:
    frmMGetFolder(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                  core::EventPump& pump, PictureSource& pictures, FolderReader reader = ReadFolder);
    ~frmMGetFolder() override;

    bool create(HWND owner, const Twips& twips);

    // Whether the file list shows the whole browsed folder.
    bool file_list_complete() const { return m_files_complete; }
    Win32FXImage& preview() { return FXImage1; }

    // FolderEditorWindow
    bool folder_exists(const std::string& folder) override;
    std::string file_list_folder() override { return m_file_folder; }
    void set_file_list_folder(const std::string& folder) override;
    std::string tree_folder() override { return m_tree_folder; }
    void open_browser_at(const std::string& folder) override;
    bool tree_to_drive(const std::string& drive) override;
    void set_label(const std::string& text) override;
    int list_count() override;
    std::string list_item(int index) override;
    bool list_selected(int index) override;
    void list_add(const std::string& text) override;
    void list_remove(int index) override;
    void show_capacity_message() override;

    LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

private:
    // The preview area's window: the picture component's layer host.
    class PreviewArea : public WindowHandler {
    public:
        explicit PreviewArea(LayerHost& host) : m_host(host) {}
        LRESULT handle(HWND window, UINT message, WPARAM wparam, LPARAM lparam) override;

    private:
        LayerHost& m_host;
    };
    struct TreeRequest {
        std::uint64_t generation;
        std::string folder;
    };

    void unload() override;
    void fill_drive_list();
    void move_tree(const std::string& folder);
    HTREEITEM add_item(HTREEITEM parent, HTREEITEM after, const std::string& name);
    std::string item_text(HTREEITEM item) const;
    std::string item_path(HTREEITEM item) const;
    LPARAM item_state(HTREEITEM item) const;
    void set_item_state(HTREEITEM item, LPARAM state, int children = -1);
    HTREEITEM find_child(HTREEITEM parent, const std::string& name) const;
    HTREEITEM find_item(const std::string& folder) const;
    bool holds_tree_folder(HTREEITEM item) const;
    // The folder's subfolders are read unless they were, and it is shown
    // open once they have come; open_item also opens it now.
    void want_children(HTREEITEM item);
    void open_item(HTREEITEM item);
    void fill_item(HTREEITEM item, const std::vector<std::string>& names);
    void listings_done();
    void feed_files();
    void tree_notice(const NMHDR& notice);
    void update_list_extent(HWND list, const std::string& text);

    core::Program& m_program;
    core::ScreenMetrics& m_screen;
    core::EventPump& m_pump;
    FolderReader m_reader;
    LayerHost m_layers;
    Win32FXImage FXImage1;
    MciSound FXSnd1;
    PreviewArea m_area;
    core::FolderEditor m_rules;
    std::unique_ptr<FolderListing> m_listing;

    std::vector<std::string> m_drives; // the drive list's roots, "C:\"
    std::map<std::string, std::string> m_drive_folders;
    std::string m_tree_root;
    HTREEITEM m_root_item = nullptr;
    HTREEITEM m_tree_item = nullptr;
    std::string m_tree_folder;
    std::uint64_t m_tree_generation = 0;
    std::map<std::uint64_t, TreeRequest> m_tree_requests;

    std::string m_file_folder;
    std::uint64_t m_file_ticket = 0;
    std::vector<std::string> m_pending_files;
    std::size_t m_fed = 0;
    bool m_files_complete = true;
};

// Shows the editor modally over `owner` and returns when it has closed and
// saved the settings.
void ShowFolderEditor(core::Program& program, core::SettingsStore& store, core::ScreenMetrics& screen,
                      core::EventPump& pump, PictureSource& pictures, HWND owner, const Twips& twips);

} // namespace framory::win32
