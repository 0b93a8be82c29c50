#include "qt/platform/paths.h"

#include <cstdlib>
#include <pwd.h>
#include <string>
#include <unistd.h>

namespace framory::qt {

namespace {

// An XDG variable counts only when it holds an absolute path.
std::filesystem::path xdg_folder(const char* variable, const std::filesystem::path& fallback)
{
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] == '/') {
        return value;
    }
    return fallback;
}

} // namespace

std::filesystem::path HomeFolder()
{
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return entry->pw_dir;
    }
    return "/";
}

std::filesystem::path SettingsFilePath()
{
    return xdg_folder("XDG_CONFIG_HOME", HomeFolder() / ".config") / "Obelin Framory.ini";
}

std::filesystem::path DataFolderPath()
{
    return xdg_folder("XDG_DATA_HOME", HomeFolder() / ".local" / "share") / "Obelin Framory";
}

std::filesystem::path RuntimeFolderPath()
{
    return xdg_folder("XDG_RUNTIME_DIR",
                      std::filesystem::temp_directory_path() / ("framory-" + std::to_string(getuid())));
}

std::filesystem::path ProgramFilePath()
{
    std::error_code ec;
    auto path = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path("framory") : path;
}

} // namespace framory::qt
