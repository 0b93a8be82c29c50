#pragma once

#include "core/components/platform.h"
#include "core/slideshow/random.h"
#include "qt/forms/form_services.h"
#include "qt/forms/frm_checkpassword.h"
#include "qt/forms/mode_forms.h"
#include "qt/platform/desktop_password.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/printing.h"
#include "qt/platform/screen_lock.h"
#include "qt/platform/settings_file_store.h"
#include "qt/platform/shell.h"
#include "qt/platform/show_services.h"
#include "qt/platform/system_info.h"
#include "qt/sound/sound_output.h"

namespace framory::qt {

// The program's wiring: every platform service of the Linux desktop and
// the forms that serve the program's modes, built once for the run and
// handed to the forms as their services.
class DesktopPlatform : public FormServices {
public:
    explicit DesktopPlatform(DisplayKind display);

    DisplayKind display() const override { return m_display; }
    core::StartupServices& startup() { return m_startup; }
    core::ShowServices show_services() override;
    SettingsFileStore& store() override { return m_store; }
    QtCursorService& cursor() { return m_cursor; }
    DesktopSaverSystem& saver() { return m_saver; }
    QtModeForms& forms() { return m_forms; }
    QtEventPump& pump() override { return m_pump; }
    QtScreenMetrics& screen() override { return m_screen; }
    SoundOutput& sound() override { return m_sound; }
    DesktopShell& shell() override { return m_shell; }
    ScreenLock& lock() override { return m_lock; }

private:
    DisplayKind m_display;
    QtScreenMetrics m_screen;
    LinuxSystemInfo m_system;
    DesktopWindowFinder m_windows;
    SettingsFileStore m_store;
    QtEventPump m_pump;
    QtCursorService m_cursor;
    DesktopSaverSystem m_saver;
    SystemClock m_clock;
    core::ClockMixedRandom m_random;
    PosixDirectoryLister m_lister;
    std::shared_ptr<DesktopRegistry> m_registry;
    DesktopPasswordSwitch m_password_switch;
    ScreenLock m_lock;
    QtPasswordPrompt m_prompt;
    DesktopWallpaper m_wallpaper;
    DefaultPrinter m_printer;
    ShowMessageBoxes m_messages;
    DesktopShell m_shell;
    SoundOutput m_sound;
    QtModeForms m_forms;
    core::StartupServices m_startup;
};

} // namespace framory::qt
