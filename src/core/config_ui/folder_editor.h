#pragma once

#include "core/components/fx_components.h"
#include "core/components/fx_snd.h"
#include "core/components/platform.h"

#include <array>
#include <string>
#include <string_view>

namespace framory::core {

struct Program;

inline constexpr const char* kFolderEditorTitle = "Add Or Remove Folders To Be Displayed During The Screen Saver";
inline constexpr const char* kCapacityText = "You can only add up to 500 folders!";
inline constexpr const char* kCapacityTitle = "Folder Capacity Reached!";
inline constexpr const char* kAddFolderCaption = "Add Folder";
inline constexpr const char* kRemoveFoldersCaption = "Remove Folder(s)";
inline constexpr const char* kExitCaption = "Exit";
inline constexpr const char* kDir1Tooltip =
    "This is a list of folders on your system. After selecting a folder that contains pictures click on "
    "<Add Folder> to add it to the list of folders to use during the screen saver";
inline constexpr const char* kFile1Tooltip =
    "This is a list of compatible files found in this folder that can be used with Framory";
inline constexpr const char* kAddFolderTooltip = "Click here to add this folder to be displayed during the screen saver";
inline constexpr const char* kRemoveFoldersTooltip =
    "To remove a folder from the folder list simply highlight it and then click here";
inline constexpr const char* kExitTooltip = "Click here to exit";
inline constexpr const char* kList1Tooltip =
    "This is the list of folders that will be used to display your pictures from during the screen saver";

// The editor's keyboard order: the browser, "Exit", "Add Folder", the
// chosen folders, "Remove Folder(s)" and the preview area.
inline constexpr std::array<std::string_view, 8> kFolderEditorTabOrder{"Drive1",   "Dir1", "file1",    "Command1",
                                                                       "Command2", "List1", "Command3", "FXImage1"};

// The file list shows the files whose names match one of these patterns.
inline constexpr std::string_view kFileFilter =
    "*.wav;*.mid;*.bmp;*.dib;*.pic;*.gif;*.jpg;*.jif;*.kqp;*.pcx;*.png;*.rle;*.tga;*.tif;*.wmf;*.wpg";

// Whether a file name matches one of the ';'-separated patterns ('*' any run
// of characters, '?' one character), letters compared without regard to case.
bool MatchesFileFilter(std::string_view name, std::string_view filter = kFileFilter);

// The path a file click previews: the folder, a separator unless the folder
// already ends in one (a volume root), then the name.
std::string PreviewPath(std::string_view folder, std::string_view name);

// The folder the editor starts browsing in. `dir_path` when it still exists;
// otherwise the nearest of its parent folders that exists, so that a folder
// removed or renamed since the last visit opens its neighbourhood. The bare
// root of the file system (on Windows, of a drive) says nothing about where
// the user was, so when nothing of the path but the root is left (an
// unplugged stick, say) the editor opens the Windows directory, the folder
// of the default list, which the program keeps in place; the root of the
// path's drive is the last resort.
class FolderProbe {
public:
    virtual ~FolderProbe() = default;
    virtual bool folder_exists(const std::string& folder) = 0;
};
std::string StartFolder(const std::string& dir_path, const std::string& windows_dir, FolderProbe& probe);

// The editor's window as its rules see it: the browser (drive list, folder
// tree, file list and the path label), the list box of chosen folders and
// the capacity message.
class FolderEditorWindow : public FolderProbe {
public:
    // The file list's folder, as the file list reports it: no trailing
    // separator except at a volume root.
    virtual std::string file_list_folder() = 0;
    virtual void set_file_list_folder(const std::string& folder) = 0;
    // The folder tree's current folder.
    virtual std::string tree_folder() = 0;
    // Shows `folder` in the browser: the drive list on its volume, the tree
    // moved to it. Moving the tree runs Dir1_Change at once.
    virtual void open_browser_at(const std::string& folder) = 0;
    // Moves the tree to a volume's current folder (running Dir1_Change);
    // false, with nothing moved, when the volume cannot be read.
    virtual bool tree_to_drive(const std::string& drive) = 0;
    virtual void set_label(const std::string& text) = 0;

    // List1, items numbered from 0.
    virtual int list_count() = 0;
    virtual std::string list_item(int index) = 0;
    virtual bool list_selected(int index) = 0;
    virtual void list_add(const std::string& text) = 0;
    virtual void list_remove(int index) = 0;

    // "You can only add up to 500 folders!" titled "Folder Capacity
    // Reached!", an OK button and no icon; returns when it is dismissed.
    virtual void show_capacity_message() = 0;
};

// The rules of frm_mgetfolder, the folder-list editor.
class FolderEditor {
public:
    FolderEditor(Program& program, FolderEditorWindow& window, FXImage& preview, FXSnd& sound, SettingsStore& store,
                 EventPump& pump);

    // After the window was centred.
    void Form_Load();
    void Form_Activate();
    void Form_Unload(); // "Exit" or the close box
    void Dir1_Change();
    void Dir1_Click(const std::string& clicked_folder);
    void Drive1_Change(const std::string& drive);
    void file1_Click(const std::string& file_name);
    void Command2_Click(); // "Add Folder"
    void Command3_Click(); // "Remove Folder(s)"

private:
    void set_path();
    void clear_preview();
    void stop_sound();

    Program& m_program;
    FolderEditorWindow& m_window;
    FXImage& m_preview;
    FXSnd& m_sound;
    SettingsStore& m_store;
    EventPump& m_pump;
};

} // namespace framory::core
