#pragma once

#include <filesystem>

namespace framory::qt {

// The user's home folder: $HOME, else the password database's entry.
std::filesystem::path HomeFolder();

// ${XDG_CONFIG_HOME:-~/.config}/Obelin Framory.ini
std::filesystem::path SettingsFilePath();

// ${XDG_DATA_HOME:-~/.local/share}/Obelin Framory
std::filesystem::path DataFolderPath();

// ${XDG_RUNTIME_DIR}, else a per-user folder under the system's temporary folder.
std::filesystem::path RuntimeFolderPath();

// The running program file.
std::filesystem::path ProgramFilePath();

} // namespace framory::qt
