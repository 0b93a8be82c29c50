#pragma once

// The Windows services that start-up, the show and the dialogs call, each
// the real system call the saver has always made.

#include "core/components/platform.h"
#include "core/password/new_password.h"
#include "core/password/registry_text.h"
#include "core/slideshow/show.h"

#include <windows.h>

#include <string>

namespace framory::win32 {

// The primary screen in twips: 1440 twips per inch at the screen's logical
// dots per inch.
class Win32ScreenMetrics : public core::ScreenMetrics {
public:
    double twips_per_pixel_x() override;
    double twips_per_pixel_y() override;
    double screen_width_twips() override;
    double screen_height_twips() override;
};

// GetWindowsDirectoryA, the program file's path, and a named mutex held for
// the whole run by every process of the same program file, so that the
// configuration request can tell whether another one runs.
class Win32SystemInfo : public core::SystemInfo {
public:
    Win32SystemInfo();
    ~Win32SystemInfo() override;
    Win32SystemInfo(const Win32SystemInfo&) = delete;
    Win32SystemInfo& operator=(const Win32SystemInfo&) = delete;

    std::optional<std::string> windows_directory() override;
    std::string program_file_path() override;
    bool another_instance_running() override { return m_other_instance; }

private:
    HANDLE m_mutex = nullptr;
    bool m_other_instance = false;
};

// FindWindowA by title, any class.
class Win32WindowFinder : public core::WindowFinder {
public:
    bool top_level_window_exists(const std::string& title) override;
};

// ShowCursor.
class Win32CursorService : public core::CursorService {
public:
    int show_cursor(Request request) override;
};

// SystemParametersInfoA with SPI_SCREENSAVERRUNNING (97) and
// SPI_SETSCREENSAVEACTIVE (17).
class Win32SaverSystem : public core::SaverSystem {
public:
    void set_screen_saver_running(bool running, std::uint32_t& previous_state, std::uint32_t update_flags) override;
    void set_screen_saver_active(bool active, std::uint32_t& data, std::uint32_t update_flags) override;
};

// The thread's message queue. Dialog messages (Tab, Enter) go to the
// dialog they belong to.
class Win32EventPump : public core::EventPump {
public:
    void process_pending() override;
    void run_while(const bool& running) override;
    // Hands one message on; false once WM_QUIT has been taken.
    static bool dispatch(MSG& msg);
};

// ShellExecuteA with the default verb and a normal window, owned by the
// active window of this program.
class Win32Shell : public core::Shell {
public:
    int ShellExecute(const std::string& file) override;
};

// FindFirstFileA / FindNextFileA over "<folder>*.*": ordinary files only,
// neither folders nor hidden or system files.
class Win32DirectoryLister : public core::DirectoryLister {
public:
    std::unique_ptr<core::DirectoryListing> list(const std::string& folder) override;
};

// The local time of day.
class Win32Clock : public core::Clock {
public:
    double seconds_since_midnight() override;
};

// VkKeyScanA and MapVirtualKeyA of the layout in use.
class Win32KeyboardLayout : public core::KeyboardLayout {
public:
    std::optional<Key> key_for_character(unsigned char code) override;
    std::optional<unsigned char> unshifted_character(Key key) override;
};

// "ScreenSaveUsePassword" of the desktop, read at every dismissal.
class Win32PasswordSwitch : public core::PasswordSwitch {
public:
    explicit Win32PasswordSwitch(core::RegistryReader& registry) : m_registry(registry) {}
    bool DesktopPasswordOn() override { return core::DesktopPasswordOn(m_registry); }

private:
    core::RegistryReader& m_registry;
};

// A window as the centring helper moves it, in twips.
class Win32MovableWindow : public core::MovableWindow {
public:
    Win32MovableWindow(HWND window, core::ScreenMetrics& screen) : m_window(window), m_screen(screen) {}
    double width_twips() override;
    double height_twips() override;
    void move_to_twips(double left, double top) override;

private:
    HWND m_window;
    core::ScreenMetrics& m_screen;
};

// GetVersionExA's platform identifier (2 for the Windows NT family), asked
// with the ANSI record of 148 bytes; 0 when the query fails.
std::int32_t PlatformIdentifier();

// The folder where a user-writable copy of the program's files goes:
// "%LOCALAPPDATA%\Obelin Framory\", made when missing; empty when the
// system names no such folder.
std::string UserDataFolder();

} // namespace framory::win32
