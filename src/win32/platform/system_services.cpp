#include "win32/platform/system_services.h"

#include "win32/show/dialog_window.h"

#include <shellapi.h>
#include <shlobj.h>

// The shell header names ShellExecute as a macro; the service keeps the name.
#undef ShellExecute

#include <algorithm>
#include <cmath>

namespace framory::win32 {

namespace {

double twips_per_pixel(int axis)
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, axis) : 0;
    if (screen != nullptr) {
        ReleaseDC(nullptr, screen);
    }
    return 1440.0 / (dpi > 0 ? dpi : 96);
}

class Win32DirectoryListing : public core::DirectoryListing {
public:
    explicit Win32DirectoryListing(const std::string& folder)
    {
        const std::string pattern = folder + "*.*";
        m_find = FindFirstFileA(pattern.c_str(), &m_data);
        m_pending = m_find != INVALID_HANDLE_VALUE;
    }
    ~Win32DirectoryListing() override
    {
        if (m_find != INVALID_HANDLE_VALUE) {
            FindClose(m_find);
        }
    }
    Win32DirectoryListing(const Win32DirectoryListing&) = delete;
    Win32DirectoryListing& operator=(const Win32DirectoryListing&) = delete;

    std::optional<std::string> next_name() override
    {
        constexpr DWORD kLeftOut = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        while (m_pending) {
            const WIN32_FIND_DATAA found = m_data;
            // A listing that fails while it is read ends here; it never
            // hands the same name out twice.
            m_pending = FindNextFileA(m_find, &m_data) != 0;
            if ((found.dwFileAttributes & kLeftOut) == 0 && found.cFileName[0] != '\0') {
                return std::string(found.cFileName);
            }
        }
        return std::nullopt;
    }

private:
    HANDLE m_find = INVALID_HANDLE_VALUE;
    WIN32_FIND_DATAA m_data{};
    bool m_pending = false;
};

} // namespace

double Win32ScreenMetrics::twips_per_pixel_x()
{
    return twips_per_pixel(LOGPIXELSX);
}

double Win32ScreenMetrics::twips_per_pixel_y()
{
    return twips_per_pixel(LOGPIXELSY);
}

double Win32ScreenMetrics::screen_width_twips()
{
    return GetSystemMetrics(SM_CXSCREEN) * twips_per_pixel_x();
}

double Win32ScreenMetrics::screen_height_twips()
{
    return GetSystemMetrics(SM_CYSCREEN) * twips_per_pixel_y();
}

Win32SystemInfo::Win32SystemInfo()
{
    // One mutex per program file and user session: its name is the file's
    // path with the characters a kernel object's name may not hold replaced.
    std::string name = program_file_path();
    std::transform(name.begin(), name.end(), name.begin(), [](char c) {
        return c == '\\' || c == ':' ? '_' : static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    });
    name = "Local\\Framory_" + name;
    m_mutex = CreateMutexA(nullptr, FALSE, name.c_str());
    m_other_instance = m_mutex != nullptr && GetLastError() == ERROR_ALREADY_EXISTS;
}

Win32SystemInfo::~Win32SystemInfo()
{
    if (m_mutex != nullptr) {
        CloseHandle(m_mutex);
    }
}

std::optional<std::string> Win32SystemInfo::windows_directory()
{
    char buffer[255] = {};
    const UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) {
        return std::nullopt;
    }
    return std::string(buffer, length);
}

std::string Win32SystemInfo::program_file_path()
{
    std::string path(MAX_PATH, '\0');
    for (;;) {
        const DWORD length = GetModuleFileNameA(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length < path.size()) {
            path.resize(length);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

bool Win32WindowFinder::top_level_window_exists(const std::string& title)
{
    return FindWindowA(nullptr, title.c_str()) != nullptr;
}

int Win32CursorService::show_cursor(Request request)
{
    return ShowCursor(request == Request::Show ? TRUE : FALSE);
}

void Win32SaverSystem::set_screen_saver_running(bool running, std::uint32_t& previous_state, std::uint32_t update_flags)
{
    UINT previous = previous_state;
    SystemParametersInfoA(SPI_SCREENSAVERRUNNING, running ? TRUE : FALSE, &previous, update_flags);
    previous_state = previous;
}

void Win32SaverSystem::set_screen_saver_active(bool active, std::uint32_t& data, std::uint32_t update_flags)
{
    UINT value = data;
    SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, &value, update_flags);
    data = value;
}

bool Win32EventPump::dispatch(MSG& msg)
{
    if (msg.message == WM_QUIT) {
        return false;
    }
    HWND root = msg.hwnd != nullptr ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
    char class_name[32] = {};
    // Dialog boxes (the system's class "#32770" and the program's own) take
    // their keyboard navigation first.
    if (root != nullptr && GetClassNameA(root, class_name, sizeof class_name) > 0 &&
        (std::string(class_name) == "#32770" || std::string(class_name) == kDialogClassName) &&
        IsDialogMessageA(root, &msg)) {
        return true;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

void Win32EventPump::process_pending()
{
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (!dispatch(msg)) {
            // The quit request belongs to the outermost loop.
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
    }
}

void Win32EventPump::run_while(const bool& running)
{
    MSG msg;
    while (running && GetMessageA(&msg, nullptr, 0, 0) > 0) {
        dispatch(msg);
    }
}

int Win32Shell::ShellExecute(const std::string& file)
{
    const HINSTANCE result = ShellExecuteA(GetActiveWindow(), nullptr, file.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    const auto code = reinterpret_cast<INT_PTR>(result);
    return static_cast<int>(std::clamp<INT_PTR>(code, 0, 0x7fffffff));
}

std::unique_ptr<core::DirectoryListing> Win32DirectoryLister::list(const std::string& folder)
{
    return std::make_unique<Win32DirectoryListing>(folder);
}

double Win32Clock::seconds_since_midnight()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wHour * 3600.0 + now.wMinute * 60.0 + now.wSecond + now.wMilliseconds / 1000.0;
}

std::optional<core::KeyboardLayout::Key> Win32KeyboardLayout::key_for_character(unsigned char code)
{
    const SHORT scan = VkKeyScanA(static_cast<CHAR>(code));
    if (scan == -1) {
        return std::nullopt;
    }
    // The low byte is the key; the high byte, its shift state, is dropped.
    return static_cast<Key>(static_cast<unsigned>(scan) & 0xffu);
}

std::optional<unsigned char> Win32KeyboardLayout::unshifted_character(Key key)
{
    const UINT character = MapVirtualKeyA(key, MAPVK_VK_TO_CHAR);
    // The top bit marks a dead key; 0 means the key types no character.
    if (character == 0 || (character & 0x80000000u) != 0 || character > 0xffu) {
        return std::nullopt;
    }
    return static_cast<unsigned char>(character);
}

double Win32MovableWindow::width_twips()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    return (r.right - r.left) * m_screen.twips_per_pixel_x();
}

double Win32MovableWindow::height_twips()
{
    RECT r{};
    GetWindowRect(m_window, &r);
    return (r.bottom - r.top) * m_screen.twips_per_pixel_y();
}

void Win32MovableWindow::move_to_twips(double left, double top)
{
    SetWindowPos(m_window, nullptr, static_cast<int>(std::lround(left / m_screen.twips_per_pixel_x())),
                 static_cast<int>(std::lround(top / m_screen.twips_per_pixel_y())), 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

std::int32_t PlatformIdentifier()
{
    OSVERSIONINFOA version{};
    static_assert(sizeof version == 148);
    version.dwOSVersionInfoSize = sizeof version;
#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    const BOOL ok = GetVersionExA(&version);
#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    return ok ? static_cast<std::int32_t>(version.dwPlatformId) : 0;
}

std::string UserDataFolder()
{
    char base[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, base) != S_OK) {
        return {};
    }
    std::string folder = std::string(base) + "\\Obelin Framory\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

} // namespace framory::win32
