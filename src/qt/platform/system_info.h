#pragma once

#include "core/components/platform.h"

#include <filesystem>

namespace framory::qt {

// Copies the bundled sample pictures and sounds into a new folder. Files
// that are already there are left alone.
void SeedWithSamples(const std::filesystem::path& folder, const std::filesystem::path& samples);

// The folder the bundled samples were installed to, beside the program.
std::filesystem::path BundledSamplesFolder();

// Facts about this Linux system and this program.
class LinuxSystemInfo : public core::SystemInfo {
public:
    // The data folder stands for the Windows directory; it is created and
    // seeded with the bundled samples the first time it is asked for.
    LinuxSystemInfo(std::filesystem::path data_folder, std::filesystem::path samples_folder);

    std::optional<std::string> windows_directory() override;
    std::string program_file_path() override;
    // Another process of the same program file, run by the same user.
    bool another_instance_running() override;

private:
    std::filesystem::path m_data_folder;
    std::filesystem::path m_samples_folder;
};

} // namespace framory::qt
