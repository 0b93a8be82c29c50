#include "qt/platform/desktop_platform.h"

#include "qt/platform/paths.h"

namespace framory::qt {

DesktopPlatform::DesktopPlatform(DisplayKind display)
    : m_system(DataFolderPath(), BundledSamplesFolder()), m_windows(display), m_store(SettingsFilePath()),
      m_forms(display), m_saver(display), m_startup{m_screen, m_system, m_windows, m_store, m_pump, m_forms}
{
}

} // namespace framory::qt
