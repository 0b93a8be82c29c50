#pragma once

#include "core/settings/settings.h"
#include "core/slideshow/show_state.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace framory::core {

// The separator of folder paths on the system the program runs on.
inline constexpr char kPathSeparator = static_cast<char>(std::filesystem::path::preferred_separator);

// The program-wide values: one per run, passed by reference to every part
// that reads or changes them.
struct Program {
    Settings settings;
    FrameValues frame;
    FolderList folders;
    PasswordFields password;

    // Start-up values.
    std::int16_t twips_per_pixel_x = 15;
    std::int16_t twips_per_pixel_y = 15;
    std::string windows_dir;    // ends in the path separator
    std::string program_folder; // the program file's folder; dir_path is set from it at every load
    std::int32_t host_window = 0;
    bool show_running = false;
    bool config_preview = false;

    // The show's shared values; its lists live from the show's load to the
    // end of the run.
    ShowState show;
};

} // namespace framory::core
