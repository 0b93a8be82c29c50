#include "app/desktop_platform.h"

#include "qt/platform/paths.h"

#include <chrono>

namespace framory::qt {

namespace {

// The generator starts from the moment the program started, so two shows
// differ even before the first reseed.
std::uint64_t start_state()
{
    return static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
           static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}

} // namespace

DesktopPlatform::DesktopPlatform(DisplayKind display)
    : m_display(display), m_system(DataFolderPath(), BundledSamplesFolder()), m_windows(display),
      m_store(SettingsFilePath()), m_saver(display), m_random(m_clock, start_state()),
      m_registry(std::make_shared<DesktopRegistry>(HomeFolder() / ".xscreensaver", &DesktopRegistry::ReadGnomeSetting)),
      m_password_switch(m_registry), m_lock(display == DisplayKind::X11), m_prompt(m_cursor, m_pump, m_screen, &m_lock),
      m_messages(&m_lock), m_forms(display, *this), m_startup{m_screen, m_system, m_windows, m_store, m_pump, m_forms}
{
}

core::ShowServices DesktopPlatform::show_services()
{
    return core::ShowServices{m_clock,           m_random, m_lister,    m_cursor,  m_saver,    m_pump,  m_store,
                              m_password_switch, m_prompt, m_wallpaper, m_printer, m_messages, m_screen};
}

} // namespace framory::qt
