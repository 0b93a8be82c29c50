#include "qt/platform/system_info.h"

#include "qt/platform/paths.h"

#include <cstdlib>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace framory::qt {

namespace fs = std::filesystem;

void SeedWithSamples(const fs::path& folder, const fs::path& samples)
{
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(samples, ec)) {
        if (entry.is_regular_file(ec)) {
            fs::copy_file(entry.path(), folder / entry.path().filename(), fs::copy_options::skip_existing, ec);
        }
    }
}

fs::path BundledSamplesFolder()
{
    const fs::path program_folder = ProgramFilePath().parent_path();
    std::error_code ec;
    for (const fs::path& candidate :
         {program_folder / ".." / "share" / "framory" / "samples", fs::path("/usr/share/framory/samples")}) {
        if (fs::is_directory(candidate, ec)) {
            return candidate.lexically_normal();
        }
    }
    return {};
}

LinuxSystemInfo::LinuxSystemInfo(fs::path data_folder, fs::path samples_folder)
    : m_data_folder(std::move(data_folder)), m_samples_folder(std::move(samples_folder))
{
}

std::optional<std::string> LinuxSystemInfo::windows_directory()
{
    std::error_code ec;
    if (fs::is_directory(m_data_folder, ec)) {
        return m_data_folder.string();
    }
    if (!fs::create_directories(m_data_folder, ec) && !fs::is_directory(m_data_folder, ec)) {
        return std::nullopt;
    }
    // Only a folder made just now is seeded: samples the user deleted later
    // stay deleted.
    if (!m_samples_folder.empty()) {
        SeedWithSamples(m_data_folder, m_samples_folder);
    }
    return m_data_folder.string();
}

std::string LinuxSystemInfo::program_file_path()
{
    return ProgramFilePath().string();
}

bool LinuxSystemInfo::another_instance_running()
{
    const fs::path own = ProgramFilePath();
    const pid_t own_pid = ::getpid();
    const uid_t own_uid = ::getuid();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator("/proc", ec)) {
        const std::string name = entry.path().filename().string();
        char* end = nullptr;
        const long pid = std::strtol(name.c_str(), &end, 10);
        if (name.empty() || *end != '\0' || pid == own_pid) {
            continue;
        }
        struct stat info {};
        if (::stat(entry.path().c_str(), &info) != 0 || info.st_uid != own_uid) {
            continue;
        }
        std::error_code link_error;
        std::string exe = fs::read_symlink(entry.path() / "exe", link_error).string();
        if (link_error) {
            continue;
        }
        // A program file replaced while it runs reads as "... (deleted)".
        constexpr std::string_view deleted = " (deleted)";
        if (exe.ends_with(deleted)) {
            exe.resize(exe.size() - deleted.size());
        }
        if (exe == own.string()) {
            return true;
        }
    }
    return false;
}

} // namespace framory::qt
