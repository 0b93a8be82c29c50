#pragma once

// Every Windows service of the program, built once for the run, and the
// opening of each mode's window.

#include "core/components/platform.h"
#include "core/slideshow/random.h"
#include "core/slideshow/show.h"
#include "win32/decode/decode_worker.h"
#include "win32/forms/frm_configuration.h"
#include "win32/platform/desktop_output.h"
#include "win32/platform/registry_store.h"
#include "win32/platform/system_services.h"
#include "win32/show/frm_checkpassword.h"
#include "win32/show/frm_preview.h"
#include "win32/show/frm_screen_saver.h"

#include <memory>

namespace framory::win32 {

// The show's message boxes: "Please check your printer!" over the show.
class Win32ShowMessages : public core::ShowMessages {
public:
    void printer_problem() override;
};

class Win32Platform;

// Opens the window of each mode. The configuration hub and the preview
// stay open until they end the program (the thread's message loop ends);
// the change-password dialog runs to its end and then ends the loop.
class Win32ModeForms : public core::ModeForms {
public:
    explicit Win32ModeForms(Win32Platform& platform) : m_platform(platform) {}
    bool open_configuration(core::Program& program) override;
    bool open_show(core::Program& program) override;
    bool load_preview(core::Program& program) override;
    bool open_change_password(core::Program& program) override;
    // Drawing into another program's window is how X11 screen-saver daemons
    // run a display mode; Windows has no such host, and this program's
    // Windows start-up never asks for it, so nothing opens.
    bool open_hosted_show(core::Program& program, const core::HostedRequest& request) override;

    // The show as the hub's preview, modal over `owner`.
    void show_preview(core::Program& program, HWND owner);

private:
    std::unique_ptr<frmScreenSaver> make_show(core::Program& program);

    Win32Platform& m_platform;
    std::unique_ptr<frmScreenSaver> m_show;
    std::unique_ptr<frmConfiguration> m_configuration;
    std::unique_ptr<frmPreview> m_preview;
};

class Win32Platform {
public:
    Win32Platform();

    core::StartupServices& startup() { return m_startup; }
    core::ShowServices show_services();
    core::NewPasswordServices new_password_services();
    Win32EventPump& pump() { return m_pump; }
    Win32PasswordPrompt& prompt() { return m_prompt; }
    WallpaperFile& wallpaper() { return m_wallpaper; }
    PictureSource& pictures() { return m_pictures; }
    RegistrySettingsStore& store() { return m_store; }
    Win32Shell& shell() { return m_shell; }
    Win32ScreenMetrics& screen() { return m_screen; }

private:
    Win32ScreenMetrics m_screen;
    Win32SystemInfo m_system;
    Win32WindowFinder m_windows;
    RegistrySettingsStore m_store;
    Win32EventPump m_pump;
    Win32CursorService m_cursor;
    Win32SaverSystem m_saver;
    Win32Clock m_clock;
    core::ClockMixedRandom m_random;
    Win32DirectoryLister m_lister;
    Win32RegistryReader m_registry;
    Win32PasswordSwitch m_password_switch;
    Win32PasswordPrompt m_prompt;
    WallpaperFile m_wallpaper;
    GdiPrinter m_printer;
    Win32ShowMessages m_messages;
    Win32Shell m_shell;
    Win32KeyboardLayout m_keyboard;
    WorkerDecoder m_pictures;
    Win32ModeForms m_forms;
    core::StartupServices m_startup;
};

} // namespace framory::win32
