#include "qt/platform/desktop_password.h"
#include "qt/platform/show_services.h"

#include "temp_folder.h"

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
    return core::GetRegistryString(registry, core::kHkeyCurrentUser, "Control Panel\\Desktop",
                                   "ScreenSaveUsePassword");
}

TEST(DesktopRegistry, XScreenSaverLockLineDecidesAndIsReadAfresh)
{
    TempFolder folder;
    const auto file = folder.path() / ".xscreensaver";
    int settings_calls = 0;
    DesktopRegistry registry(file, [&](const std::string&, const std::string&) {
        ++settings_calls;
        return std::optional<std::string>("true");
    });
    std::ofstream(file) << "timeout:\t0:10:00\nlock:\t\tTrue\nlockTimeout:\t0:00:00\n";
    EXPECT_EQ(read_switch(registry), "1");
    std::ofstream(file) << "lock:  False\n";
    EXPECT_EQ(read_switch(registry), "0");
    EXPECT_EQ(settings_calls, 0) << "xscreensaver's own setting wins";
    EXPECT_EQ(core::GetRegistryString(registry, core::kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper"), "");
    EXPECT_EQ(core::GetRegistryString(registry, 0x80000002u, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
}

TEST(DesktopRegistry, GnomeSettingWhenThereIsNoXScreenSaverFile)
{
    TempFolder folder;
    std::optional<std::string> answer = "true";
    DesktopRegistry registry(folder.path() / "missing", [&](const std::string& schema, const std::string& key) {
        EXPECT_EQ(schema, "org.gnome.desktop.screensaver");
        EXPECT_EQ(key, "lock-enabled");
        return answer;
    });
    EXPECT_EQ(read_switch(registry), "1");
    answer = "false";
    EXPECT_EQ(read_switch(registry), "0");
    answer = "";
    EXPECT_EQ(read_switch(registry), "") << "a desktop without the setting reads as empty text";
    EXPECT_TRUE(registry.answered());
    answer = std::nullopt;
    EXPECT_EQ(read_switch(registry), "");
    EXPECT_FALSE(registry.answered()) << "settings that could not be asked are no answer";
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
        state = new_state;
        value = std::move(new_value);
        changed.notify_all();
    }
};

std::shared_ptr<DesktopRegistry> registry_of(const std::shared_ptr<SettingsService>& service)
{
    return std::make_shared<DesktopRegistry>("/nonexistent/.xscreensaver",
                                             [service](const std::string&, const std::string&) { return service->get(); });
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
    EXPECT_TRUE(locked.DesktopPasswordOn());
    service->set(SettingsService::State::Gone);
    EXPECT_TRUE(locked.DesktopPasswordOn()) << "a service that cannot be asked keeps it too";

    // Once the service answers "off", a later question says so.
    service->set(SettingsService::State::Answers, "false");
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool on = true;
    while (on && std::chrono::steady_clock::now() < end) {
        on = locked.DesktopPasswordOn();
    }
    EXPECT_FALSE(on);
    hanging_from_the_start->set(SettingsService::State::Gone);
}

// The desktop's settings as the wallpaper writes them; the desktop reloads
// its picture on each change of a value, as GNOME does.
struct RecordingSettings {
    std::map<std::string, std::string> values;
    std::map<std::string, int> reloads;

    DesktopWallpaper::Settings access()
    {
        return {[this](const std::string& schema, const std::string& key) { return values[schema + " " + key]; },
                [this](const std::string& schema, const std::string& key, const std::string& value) {
                    std::string& stored = values[schema + " " + key];
                    reloads[schema + " " + key] += stored != value ? 1 : 0;
                    stored = value;
                    return true;
                }};
    }
};

TEST(DesktopWallpaper, TheDesktopLoadsTheRewrittenSnapshotAgainUnderTheSameName)
{
    struct Case {
        const char* desktop;
        std::vector<std::string> keys;
        bool uri;
    };
    const Case cases[] = {
        {"ubuntu:GNOME",
         {"org.gnome.desktop.background picture-uri", "org.gnome.desktop.background picture-uri-dark"},
         true},
        {"X-Cinnamon", {"org.cinnamon.desktop.background picture-uri"}, true},
        {"MATE", {"org.mate.background picture-filename"}, false},
    };
    const std::string path = "/home/someone/.local/share/Obelin Framory/Velmoria.bmp";
    for (const Case& c : cases) {
        RecordingSettings settings;
        for (const std::string& key : c.keys) {
            settings.values[key] = "file:///usr/share/backgrounds/default.png";
        }
        DesktopWallpaper wallpaper(c.desktop, settings.access());
        for (int exit = 1; exit <= 3; ++exit) {
            wallpaper.SetWallpaper(path);
            for (const std::string& key : c.keys) {
                EXPECT_EQ(settings.values[key],
                          c.uri ? "file:///home/someone/.local/share/Obelin%20Framory/Velmoria.bmp" : path)
                    << c.desktop << " " << key;
                EXPECT_GE(settings.reloads[key], exit) << c.desktop << " " << key << ": reloaded at exit " << exit;
            }
        }
    }
}

} // namespace
} // namespace framory::qt
