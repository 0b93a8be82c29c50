#pragma once

#include "core/password/registry_text.h"
#include "core/slideshow/show.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace framory::qt {

// The desktop's "lock when the saver runs" switch, read where the desktop
// keeps it, as the value "ScreenSaveUsePassword" under
// "Control Panel\Desktop" of the current user: the "lock:" line of
// ~/.xscreensaver ("True" reads as "1", "False" as "0"), else GNOME's
// org.gnome.desktop.screensaver lock-enabled. Read afresh at every query.
class DesktopRegistry : public core::RegistryReader {
public:
    // `gsettings_get` runs "gsettings get SCHEMA KEY" and returns its output,
    // or nothing when it cannot be run.
    using SettingsQuery = std::function<std::optional<std::string>(const std::string& schema, const std::string& key)>;

    explicit DesktopRegistry(std::filesystem::path xscreensaver_file, SettingsQuery gsettings_get);

    std::optional<core::RegistryData> query(std::uint32_t root, const std::string& key, const std::string& value,
                                            std::uint32_t buffer_size) override;

    static std::optional<std::string> RunGsettings(const std::string& schema, const std::string& key);

private:
    std::optional<std::string> lock_switch();

    std::filesystem::path m_xscreensaver_file;
    SettingsQuery m_gsettings_get;
};

class DesktopPasswordSwitch : public core::PasswordSwitch {
public:
    explicit DesktopPasswordSwitch(core::RegistryReader& registry) : m_registry(registry) {}
    bool DesktopPasswordOn() override { return core::DesktopPasswordOn(m_registry); }

private:
    core::RegistryReader& m_registry;
};

} // namespace framory::qt
