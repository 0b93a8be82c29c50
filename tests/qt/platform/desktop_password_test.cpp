#include "qt/platform/desktop_password.h"

#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>

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
    int gsettings_calls = 0;
    DesktopRegistry registry(file, [&](const std::string&, const std::string&) {
        ++gsettings_calls;
        return std::optional<std::string>("true\n");
    });
    std::ofstream(file) << "timeout:\t0:10:00\nlock:\t\tTrue\nlockTimeout:\t0:00:00\n";
    EXPECT_EQ(read_switch(registry), "1");
    std::ofstream(file) << "lock:  False\n";
    EXPECT_EQ(read_switch(registry), "0");
    EXPECT_EQ(gsettings_calls, 0) << "xscreensaver's own setting wins";
    DesktopPasswordSwitch desktop(registry);
    EXPECT_FALSE(desktop.DesktopPasswordOn());
}

TEST(DesktopRegistry, GnomeSettingWhenThereIsNoXScreenSaverFile)
{
    TempFolder folder;
    std::optional<std::string> answer = "true\n";
    DesktopRegistry registry(folder.path() / "missing", [&](const std::string& schema, const std::string& key) {
        EXPECT_EQ(schema, "org.gnome.desktop.screensaver");
        EXPECT_EQ(key, "lock-enabled");
        return answer;
    });
    DesktopPasswordSwitch desktop(registry);
    EXPECT_TRUE(desktop.DesktopPasswordOn());
    answer = "false\n";
    EXPECT_FALSE(desktop.DesktopPasswordOn());
    answer = std::nullopt;
    EXPECT_EQ(read_switch(registry), "") << "no desktop setting reads as empty text";
    EXPECT_FALSE(desktop.DesktopPasswordOn());
}

TEST(DesktopRegistry, OtherValuesAreNotThere)
{
    TempFolder folder;
    std::ofstream(folder.path() / ".xscreensaver") << "lock: True\n";
    DesktopRegistry registry(folder.path() / ".xscreensaver", nullptr);
    EXPECT_EQ(core::GetRegistryString(registry, core::kHkeyCurrentUser, "Control Panel\\Desktop", "Wallpaper"), "");
    EXPECT_EQ(core::GetRegistryString(registry, 0x80000002u, "Control Panel\\Desktop", "ScreenSaveUsePassword"), "");
}

} // namespace
} // namespace framory::qt
