// This folder: start-up: the program's state, the command-line modes and what
// each mode opens.

#include "core/startup/helpers.h"

#include "core/startup/program.h"

#include <algorithm>

namespace framory::core {

void CenterForm(MovableWindow& window, ScreenMetrics& screen, EventPump& pump)
{
    const float screen_width = static_cast<float>(screen.screen_width_twips());
    const float screen_height = static_cast<float>(screen.screen_height_twips());
    const float width = static_cast<float>(window.width_twips());
    const float height = static_cast<float>(window.height_twips());
    const float left = screen_width / 2.0f - width / 2.0f;
    const float top = screen_height / 2.0f - height / 2.0f;
    window.move_to_twips(static_cast<double>(left), static_cast<double>(top));
    pump.process_pending();
}

std::string GetWindowsDir(SystemInfo& system)
{
    // The whole folder name is kept whatever its length: a name cut short
    // would point at another folder.
    const std::optional<std::string> folder = system.windows_directory();
    if (!folder || folder->empty()) {
        return std::string(1, kPathSeparator);
    }
    return WithTrailingSeparator(*folder);
}

bool NoWindowTitled(WindowFinder& windows, const std::string& title)
{
    return !windows.top_level_window_exists(title);
}

namespace {

// The display count is a 16-bit value on every system that keeps one, so no
// loop needs more steps than that to reach either side of 0; the bound keeps
// a broken count from holding the program forever.
constexpr int kMostPointerSteps = 65536;

} // namespace

void ShowPointer(CursorService& cursor)
{
    for (int step = 0; step < kMostPointerSteps; ++step) {
        if (cursor.show_cursor(CursorService::Request::Show) >= 0) {
            return;
        }
    }
}

void HidePointer(CursorService& cursor)
{
    for (int step = 0; step < kMostPointerSteps; ++step) {
        if (cursor.show_cursor(CursorService::Request::Hide) < 0) {
            return;
        }
    }
}

namespace {

constexpr std::uint32_t kNoUpdate = 0;

void set_saver_state(SaverSystem& saver, bool show_running)
{
    std::uint32_t state = 0;
    saver.set_screen_saver_running(show_running, state, kNoUpdate);
    // The first call left the previous "running" state in the variable; it
    // becomes the second call's update flags.
    const std::uint32_t flags = state;
    saver.set_screen_saver_active(!show_running, state, flags);
}

} // namespace

void SaverStateOn(SaverSystem& saver)
{
    set_saver_state(saver, true);
}

void SaverStateOff(SaverSystem& saver)
{
    set_saver_state(saver, false);
}

bool IsFramoryProgramFile(const std::string& program_file_path)
{
    std::string_view name = program_file_path;
    const auto slash = name.find_last_of(kPathSeparator);
    if (slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    const auto dot = name.find_last_of('.');
    if (dot != std::string_view::npos) {
        name = name.substr(0, dot);
    }
    constexpr std::string_view wanted = "framory";
    return std::equal(name.begin(), name.end(), wanted.begin(), wanted.end(), [](char a, char b) {
        const char lower = (a >= 'A' && a <= 'Z') ? static_cast<char>(a - 'A' + 'a') : a;
        return lower == b;
    });
}

} // namespace framory::core
