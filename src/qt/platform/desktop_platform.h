#pragma once

#include "core/components/platform.h"
#include "qt/forms/mode_forms.h"
#include "qt/platform/desktop_services.h"
#include "qt/platform/settings_file_store.h"
#include "qt/platform/system_info.h"

namespace framory::qt {

// Every platform service of the Linux desktop, built once for the run.
class DesktopPlatform {
public:
    explicit DesktopPlatform(DisplayKind display);

    core::StartupServices& startup() { return m_startup; }
    SettingsFileStore& store() { return m_store; }
    QtCursorService& cursor() { return m_cursor; }
    DesktopSaverSystem& saver() { return m_saver; }
    QtModeForms& forms() { return m_forms; }
    QtEventPump& pump() { return m_pump; }
    QtScreenMetrics& screen() { return m_screen; }

private:
    QtScreenMetrics m_screen;
    LinuxSystemInfo m_system;
    DesktopWindowFinder m_windows;
    SettingsFileStore m_store;
    QtEventPump m_pump;
    QtModeForms m_forms;
    QtCursorService m_cursor;
    DesktopSaverSystem m_saver;
    core::StartupServices m_startup;
};

} // namespace framory::qt
