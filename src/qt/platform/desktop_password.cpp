#include "qt/platform/desktop_password.h"

#include <QProcess>

#include <fstream>

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

} // namespace

DesktopRegistry::DesktopRegistry(std::filesystem::path xscreensaver_file, SettingsQuery gsettings_get)
    : m_xscreensaver_file(std::move(xscreensaver_file)), m_gsettings_get(std::move(gsettings_get))
{
}

std::optional<std::string> DesktopRegistry::RunGsettings(const std::string& schema, const std::string& key)
{
    QProcess process;
    process.start(QStringLiteral("gsettings"),
                  {QStringLiteral("get"), QString::fromStdString(schema), QString::fromStdString(key)});
    if (!process.waitForStarted(1000) || !process.waitForFinished(2000) || process.exitCode() != 0) {
        process.kill();
        return std::nullopt;
    }
    return process.readAllStandardOutput().toStdString();
}

std::optional<std::string> DesktopRegistry::lock_switch()
{
    std::ifstream file(m_xscreensaver_file);
    std::string line;
    while (file && std::getline(file, line)) {
        const auto colon = line.find(':');
        if (colon == std::string::npos || trim(line.substr(0, colon)) != "lock") {
            continue;
        }
        const std::string value = lower(trim(line.substr(colon + 1)));
        if (value == "true") {
            return "1";
        }
        if (value == "false") {
            return "0";
        }
        return trim(line.substr(colon + 1));
    }
    if (m_gsettings_get) {
        if (const auto answer = m_gsettings_get("org.gnome.desktop.screensaver", "lock-enabled")) {
            const std::string value = lower(trim(*answer));
            if (value == "true") {
                return "1";
            }
            if (value == "false") {
                return "0";
            }
        }
    }
    return std::nullopt;
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

} // namespace framory::qt
