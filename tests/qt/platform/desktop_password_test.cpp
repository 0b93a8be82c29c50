#include "qt/platform/desktop_password.h"
#include "qt/platform/show_services.h"

#include "support/temp_folder.h"
#include "support/wait_until.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <fstream>
#include <map>
#include <mutex>
#include <thread>

namespace framory::qt {
namespace {

using framory::testing::TempFolder;

std::string read_switch(DesktopRegistry& registry)
{
    return core::GetRegistryString(registry, core::kHkeyCurrentUser, "Control Panel\\Desktop", "ScreenSaveUsePassword");
}

// The lock: line of ~/.xscreensaver decides, read afresh at every query;
// without that file GNOME's setting does.
TEST(DesktopRegistry, XScreenSaverLockLineElseTheGnomeSetting)
{
    TempFolder folder;
    const auto file = folder.path() / ".xscreensaver";
    std::optional<std::string> answer = "true";
    DesktopRegistry registry(file, [&](const std::string& schema, const std::string& key) {
        EXPECT_EQ(schema + " " + key, "org.gnome.desktop.screensaver lock-enabled");
        return answer;
    });
    const std::pair<const char*, const char*> files[] = {
        {"timeout:\t0:10:00\nlock:\t\tTrue\n", "1"}, {"lock:  False\n", "0"}, {"lock: 2\n", "2"}};
    for (const auto& [text, expected] : files) {
        std::ofstream(file) << text;
        answer = "false";
        EXPECT_EQ(read_switch(registry), expected) << text;
    }
    std::filesystem::remove(file);
    const std::pair<std::optional<std::string>, const char*> settings[] = {
        {"true", "1"}, {"false", "0"}, {"", ""}, {std::nullopt, ""}};
    for (const auto& [value, expected] : settings) {
        answer = value;
        EXPECT_EQ(read_switch(registry), expected) << value.value_or("(no answer)");
        EXPECT_EQ(registry.answered(), value.has_value()) << "settings that could not be asked are no answer";
    }
    EXPECT_EQ(core::GetRegistryString(registry, core::kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper"), "");
    EXPECT_EQ(core::GetRegistryString(registry, 0x80000002u, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
}

// A desktop settings service that answers, hangs until released, or cannot
// be asked. Shared with the reading threads, which may outlive the test.
struct SettingsService {
    enum class State { Answers, Hangs, Gone };
    std::mutex mutex;
    std::condition_variable changed;
    State state = State::Answers;
    std::string value = "true";

    std::optional<std::string> get()
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [this] { return state != State::Hangs; });
        return state == State::Gone ? std::nullopt : std::optional<std::string>(value);
    }
    void set(State new_state, std::string new_value = "true")
    {
        const std::lock_guard lock(mutex);
        std::tie(state, value) = std::tie(new_state, new_value);
        changed.notify_all();
    }
};

std::shared_ptr<DesktopRegistry> registry_of(const std::shared_ptr<SettingsService>& service)
{
    return std::make_shared<DesktopRegistry>(
        "/nonexistent/.xscreensaver", [service](const std::string&, const std::string&) { return service->get(); });
}

// Each answer is asked on the window thread: a read that blocked it would
// hang the test.
TEST(DesktopPasswordSwitch, ASlowOrMissingSettingsServiceNeverReadsAsOff)
{
    const auto hanging_from_the_start = std::make_shared<SettingsService>();
    hanging_from_the_start->set(SettingsService::State::Hangs);
    DesktopPasswordSwitch unread(registry_of(hanging_from_the_start));
    EXPECT_TRUE(unread.DesktopPasswordOn()) << "nothing read yet counts as on";

    const auto service = std::make_shared<SettingsService>();
    DesktopPasswordSwitch locked(registry_of(service));
    EXPECT_TRUE(locked.DesktopPasswordOn());
    service->set(SettingsService::State::Hangs);
    EXPECT_TRUE(locked.DesktopPasswordOn()) << "a hanging service keeps the value read before";
    service->set(SettingsService::State::Gone);
    EXPECT_TRUE(locked.DesktopPasswordOn()) << "a service that cannot be asked keeps it too";

    // Once the service answers "off", a later question says so.
    service->set(SettingsService::State::Answers, "false");
    EXPECT_TRUE(framory::testing::WaitUntil([&] { return !locked.DesktopPasswordOn(); }));
}

// Against a stand-in of the desktop's settings that, as GNOME does, loads
// the picture again only when a value changes.
TEST(DesktopWallpaper, TheDesktopLoadsTheRewrittenSnapshotAgainUnderTheSameName)
{
    const std::string path = "/home/someone/.local/share/Obelin Framory/Velmoria.bmp";
    const std::string uri = "file:///home/someone/.local/share/Obelin%20Framory/Velmoria.bmp";
    const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
        {"ubuntu:GNOME",
         {"org.gnome.desktop.background picture-uri", "org.gnome.desktop.background picture-uri-dark"},
         uri},
        {"X-Cinnamon", {"org.cinnamon.desktop.background picture-uri"}, uri},
        {"MATE", {"org.mate.background picture-filename"}, path},
    };
    for (const auto& [desktop, keys, expected] : cases) {
        std::map<std::string, std::string> values;
        std::map<std::string, int> reloads;
        DesktopWallpaper wallpaper(
            desktop, {[&](const std::string& schema, const std::string& key) { return values[schema + " " + key]; },
                      [&](const std::string& schema, const std::string& key, const std::string& value) {
                          reloads[schema + " " + key] += values[schema + " " + key] != value ? 1 : 0;
                          values[schema + " " + key] = value;
                          return true;
                      }});
        for (int exit = 1; exit <= 3; ++exit) {
            wallpaper.SetWallpaper(path);
            for (const std::string& key : keys) {
                EXPECT_EQ(values[key], expected) << desktop << " " << key;
                EXPECT_GE(reloads[key], exit) << desktop << " " << key << ": reloaded at exit " << exit;
            }
        }
    }
}

} // namespace
} // namespace framory::qt
