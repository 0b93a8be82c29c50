// This folder: the Linux desktop's services behind the core's contracts: X11
// calls, locking, folders, printing, settings file, desktop settings. No form
// is included here.

#include "qt/platform/desktop_password.h"

#include "qt/platform/desktop_settings.h"

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <thread>

namespace framory::qt {

namespace {

std::string trim(std::string text)
{
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

std::optional<std::string> boolean_text(const std::string& value)
{
    if (value == "true") {
        return "1";
    }
    if (value == "false") {
        return "0";
    }
    return std::nullopt;
}

} // namespace

DesktopRegistry::DesktopRegistry(std::filesystem::path xscreensaver_file, SettingsQuery settings_get)
    : m_xscreensaver_file(std::move(xscreensaver_file)), m_settings_get(std::move(settings_get))
{
}

std::optional<std::string> DesktopRegistry::ReadGnomeSetting(const std::string& schema, const std::string& key)
{
    return ReadDesktopSetting(schema, key);
}

std::optional<std::string> DesktopRegistry::lock_switch()
{
    m_answered = true;
    std::ifstream file(m_xscreensaver_file);
    std::string line;
    while (file && std::getline(file, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || trim(line.substr(0, colon)) != "lock") {
            continue;
        }
        const std::string value = trim(line.substr(colon + 1));
        const auto known = boolean_text(lower(value));
        return known ? known : value;
    }
    if (!m_settings_get) {
        return std::nullopt;
    }
    const std::optional<std::string> answer = m_settings_get("org.gnome.desktop.screensaver", "lock-enabled");
    m_answered = answer.has_value();
    return answer ? boolean_text(lower(trim(*answer))) : std::nullopt;
}

std::optional<core::RegistryData> DesktopRegistry::query(std::uint32_t root, const std::string& key,
                                                         const std::string& value, std::uint32_t buffer_size)
{
    if (root != core::kHkeyCurrentUser || key != "Control Panel\\Desktop" || value != "ScreenSaveUsePassword") {
        return std::nullopt;
    }
    const std::optional<std::string> text = lock_switch();
    if (!text || text->size() + 1 > buffer_size) {
        return std::nullopt;
    }
    core::RegistryData data;
    data.type = core::kRegSz;
    data.bytes.assign(text->begin(), text->end());
    data.bytes.push_back(0);
    data.returned_size = static_cast<std::uint32_t>(data.bytes.size());
    return data;
}

// Shared with the reading threads, which may outlive the switch when a read
// hangs until the program ends.
struct DesktopPasswordSwitch::Reads {
    std::shared_ptr<DesktopRegistry> registry;
    std::mutex mutex;
    std::condition_variable finished_one;
    bool reading = false;
    std::uint64_t finished = 0;
    std::optional<bool> last_value;

    // Starts a read unless one is under way; returns the count of finished
    // reads at which the read under way is done. Called with the mutex held.
    static std::uint64_t start(const std::shared_ptr<Reads>& reads)
    {
        if (!reads->reading) {
            reads->reading = true;
            std::thread([reads] {
                const bool on = core::DesktopPasswordOn(*reads->registry);
                const bool answered = reads->registry->answered();
                const std::lock_guard lock(reads->mutex);
                if (answered) {
                    reads->last_value = on;
                }
                reads->reading = false;
                ++reads->finished;
                reads->finished_one.notify_all();
            }).detach();
        }
        return reads->finished + 1;
    }
};

DesktopPasswordSwitch::DesktopPasswordSwitch(std::shared_ptr<DesktopRegistry> registry, std::chrono::milliseconds wait)
    : m_reads(std::make_shared<Reads>()), m_wait(wait)
{
    m_reads->registry = std::move(registry);
    // The first read starts at once, on a thread of its own.
    PrepareDesktopSettings();
    const std::lock_guard lock(m_reads->mutex);
    Reads::start(m_reads);
}

bool DesktopPasswordSwitch::DesktopPasswordOn()
{
    std::unique_lock lock(m_reads->mutex);
    const std::uint64_t done_at = Reads::start(m_reads);
    m_reads->finished_one.wait_for(lock, m_wait, [&] { return m_reads->finished >= done_at; });
    return m_reads->last_value.value_or(true);
}

} // namespace framory::qt
