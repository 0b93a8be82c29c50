#pragma once

#include "core/password/registry_text.h"
#include "core/slideshow/show.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
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
    // Asks the desktop's settings for a value: its text ("true", "false"),
    // empty text when the desktop has no such setting, or nothing when the
    // settings could not be asked at all.
    using SettingsQuery = std::function<std::optional<std::string>(const std::string& schema, const std::string& key)>;

    explicit DesktopRegistry(std::filesystem::path xscreensaver_file, SettingsQuery settings_get);

    std::optional<core::RegistryData> query(std::uint32_t root, const std::string& key, const std::string& value,
                                            std::uint32_t buffer_size) override;

    // Whether the last query got an answer; false when the desktop's
    // settings could not be asked, so that its "no value" means nothing.
    bool answered() const { return m_answered; }

    // The desktop's settings through GIO.
    static std::optional<std::string> ReadGnomeSetting(const std::string& schema, const std::string& key);

private:
    std::optional<std::string> lock_switch();

    std::filesystem::path m_xscreensaver_file;
    SettingsQuery m_settings_get;
    bool m_answered = true;
};

// The switch as the show asks it, at the end of a cycle tick on the window
// thread. Each question starts a read on a thread of its own and waits a
// moment for it; a read that has not answered by then (a settings service
// that hangs) or could not ask at all is never taken as "off", which would
// end a locked show without its password: the last value read stands in
// for it (the first read starts with the show), and without any, the
// switch counts as on. A later tick asks again.
class DesktopPasswordSwitch : public core::PasswordSwitch {
public:
    static constexpr std::chrono::milliseconds kWait{50};

    explicit DesktopPasswordSwitch(std::shared_ptr<DesktopRegistry> registry, std::chrono::milliseconds wait = kWait);
    bool DesktopPasswordOn() override;

private:
    struct Reads;
    std::shared_ptr<Reads> m_reads;
    std::chrono::milliseconds m_wait;
};

} // namespace framory::qt
