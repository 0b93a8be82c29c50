#include "core/config_ui/folder_editor.h"

#include "core/settings/settings.h"
#include "core/startup/program.h"

#include <algorithm>
#include <cctype>
#include <cstddef>

namespace framory::core {

namespace {

char fold(char c)
{
    return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
}

// Wildcard match without regard to case. Iterative with one back-track
// point for the last '*', so a long name against a pattern costs at most
// name × pattern steps and never recurses.
bool wildcard_match(std::string_view name, std::string_view pattern)
{
    std::size_t n = 0;
    std::size_t p = 0;
    std::size_t star = std::string_view::npos;
    std::size_t star_n = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == '?' || fold(pattern[p]) == fold(name[n]))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == '*') {
            star = p++;
            star_n = n;
        } else if (star != std::string_view::npos) {
            p = star + 1;
            n = ++star_n;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') {
        ++p;
    }
    return p == pattern.size();
}

std::string upper_last_three(const std::string& path)
{
    std::string ext = path.substr(path.size() - 3);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); });
    return ext;
}

// The root of the file system, and on Windows the root of a drive ("C:\").
bool is_root(const std::string& folder)
{
    if (folder.size() == 1) {
        return folder[0] == kPathSeparator;
    }
    return kPathSeparator == '\\' && folder.size() == 3 && folder[1] == ':' && folder[2] == kPathSeparator;
}

// The root the editor falls back to for a path: its drive's root on
// Windows, else the root of the file system.
std::string root_of(const std::string& path)
{
    if (kPathSeparator == '\\' && path.size() >= 2 && path[1] == ':') {
        return path.substr(0, 2) + kPathSeparator;
    }
    return std::string(1, kPathSeparator);
}

// The folder above `folder` (which has no trailing separator unless it is
// a root); empty when `folder` is a root or has no separator.
std::string parent_folder(const std::string& folder)
{
    const auto cut = folder.find_last_of(kPathSeparator);
    if (cut == std::string::npos || is_root(folder)) {
        return {};
    }
    std::string parent = folder.substr(0, cut + 1);
    if (!is_root(parent)) {
        parent.pop_back();
    }
    return parent;
}

std::string without_trailing_separator(std::string folder)
{
    while (folder.size() > 1 && folder.back() == kPathSeparator && !is_root(folder)) {
        folder.pop_back();
    }
    return folder;
}

} // namespace

bool MatchesFileFilter(std::string_view name, std::string_view filter)
{
    while (!filter.empty()) {
        const auto cut = filter.find(';');
        const std::string_view pattern = filter.substr(0, cut);
        if (!pattern.empty() && wildcard_match(name, pattern)) {
            return true;
        }
        if (cut == std::string_view::npos) {
            break;
        }
        filter.remove_prefix(cut + 1);
    }
    return false;
}

std::string PreviewPath(std::string_view folder, std::string_view name)
{
    std::string path(folder);
    if (path.empty() || path.back() != kPathSeparator) {
        path.push_back(kPathSeparator);
    }
    path.append(name);
    return path;
}

std::string StartFolder(const std::string& dir_path, const std::string& windows_dir, FolderProbe& probe)
{
    for (std::string folder = without_trailing_separator(dir_path); !folder.empty() && !is_root(folder);
         folder = parent_folder(folder)) {
        if (probe.folder_exists(folder)) {
            return folder;
        }
    }
    const std::string fallback = without_trailing_separator(windows_dir);
    if (!fallback.empty() && probe.folder_exists(fallback)) {
        return fallback;
    }
    return root_of(dir_path);
}

FolderEditor::FolderEditor(Program& program, FolderEditorWindow& window, FXImage& preview, FXSnd& sound,
                           SettingsStore& store, EventPump& pump)
    : m_program(program), m_window(window), m_preview(preview), m_sound(sound), m_store(store), m_pump(pump)
{
}

void FolderEditor::set_path()
{
    const std::string folder = m_window.file_list_folder();
    m_window.set_label(folder);
    m_program.settings.dir_path = WithTrailingSeparator(folder);
    m_pump.process_pending();
}

void FolderEditor::clear_preview()
{
    m_preview.set_file_name("");
    m_preview.refresh();
    m_pump.process_pending();
}

void FolderEditor::stop_sound()
{
    StopSequence(m_sound);
    m_pump.process_pending();
}

void FolderEditor::Form_Load()
{
    // The file filter is the file list's own: it shows only names that pass
    // MatchesFileFilter.
    m_window.open_browser_at(StartFolder(m_program.settings.dir_path, m_program.windows_dir, m_window));

    FolderList& folders = m_program.folders;
    // A negative count (only a hand-edited store holds one) lists nothing,
    // so it is treated as an empty list: the editor shows the default entry
    // that closing would store anyway.
    if (folders.folders_total <= 0) {
        folders[1] = WithTrailingSeparator(m_program.windows_dir);
        folders.folders_total = 1;
    }
    // The list has room for 500 entries and loading keeps no more; should
    // the count still claim more, the editor shows the 500 that exist, and
    // closing stores those 500 with their true count.
    for (int i = 1; i <= folders.usable_count(); ++i) {
        m_window.list_add(folders[i]);
    }
}

void FolderEditor::Form_Activate()
{
    m_preview.set_file_name("");
    m_preview.empty_preview();
    m_preview.set_snapshot_mode(SnapshotMode::Capture);
    m_preview.refresh();
    m_pump.process_pending();
    m_preview.show();
    m_pump.process_pending();
}

void FolderEditor::Dir1_Change()
{
    m_window.set_file_list_folder(m_window.tree_folder());
    set_path();
    clear_preview();
    stop_sound();
}

void FolderEditor::Dir1_Click(const std::string& clicked_folder)
{
    clear_preview();
    stop_sound();
    m_window.set_file_list_folder(clicked_folder);
    set_path();
}

void FolderEditor::Drive1_Change(const std::string& drive)
{
    if (m_window.tree_to_drive(drive)) {
        return;
    }
    // A volume that cannot be read: back to where the user was, silently.
    m_window.open_browser_at(StartFolder(m_program.settings.dir_path, m_program.windows_dir, m_window));
}

void FolderEditor::file1_Click(const std::string& file_name)
{
    const std::string path = PreviewPath(m_window.file_list_folder(), file_name);
    if (path.size() <= 3) {
        return;
    }
    const std::string ext = upper_last_three(path);
    if (ext == "WAV" || ext == "MID") {
        m_sound.set_device(ext == "MID" ? SoundDevice::Midi : SoundDevice::Wave);
        m_sound.set_sound_file(path);
        return;
    }
    stop_sound();
    m_preview.set_file_name(path);
    m_pump.process_pending();
}

void FolderEditor::Command2_Click()
{
    set_path();
    const std::string& folder = m_program.settings.dir_path;
    const int count = m_window.list_count();
    for (int i = 0; i < count; ++i) {
        if (m_window.list_item(i) == folder) {
            return;
        }
    }
    if (count < FolderList::kCapacity) {
        m_window.list_add(folder);
    } else {
        m_window.show_capacity_message();
    }
}

void FolderEditor::Command3_Click()
{
    // From the last to the first, so removing an entry does not move the
    // ones still to be looked at.
    for (int i = m_window.list_count() - 1; i >= 0; --i) {
        if (m_window.list_selected(i)) {
            m_window.list_remove(i);
        }
    }
    m_pump.process_pending();
}

void FolderEditor::Form_Unload()
{
    stop_sound();
    FolderList& folders = m_program.folders;
    // The list box never holds more than the list has room for; the clamp
    // keeps a window that did from writing past the end.
    const int count = std::min(m_window.list_count(), FolderList::kCapacity);
    folders.folders_total = count;
    for (int i = 1; i <= count; ++i) {
        folders[i] = m_window.list_item(i - 1);
    }
    if (count == 0) {
        folders[1] = WithTrailingSeparator(m_program.windows_dir);
        folders.folders_total = 1;
    }
    SaveSettings(m_program, m_store);
}

} // namespace framory::core
