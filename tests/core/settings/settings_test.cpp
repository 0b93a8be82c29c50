#include "core/settings/settings.h"

#include "core/password/scramble.h"
#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using framory::testing::FakeStore;

class SettingsTest : public ::testing::Test {
protected:
    FakeStore store;
    Program program;

    void SetUp() override
    {
        program.windows_dir = "/home/u/.local/share/Obelin Framory/";
        program.program_folder = "/opt/framory/bin/";
    }
};

TEST_F(SettingsTest, FreshStoreGivesTheDefaults)
{
    LoadSettings(program, store);
    const Settings& s = program.settings;
    EXPECT_EQ(s.install_path, "empty/");
    EXPECT_EQ(s.show_filenames, 1);
    EXPECT_EQ(s.random_order, 0);
    EXPECT_EQ(s.effect_grain, 7);
    EXPECT_EQ(s.effect_delay, 10);
    EXPECT_EQ(s.effect_speed, 2);
    EXPECT_EQ(s.scene_delay, 5);
    EXPECT_EQ(s.scale_flag, 100);
    EXPECT_EQ(s.border_active, 1);
    EXPECT_EQ(s.sound_on, 1);
    EXPECT_EQ(s.wallpaper, 0);
    EXPECT_EQ(s.gradient, 1);
    EXPECT_EQ(s.cancel_mode, 7);
    EXPECT_EQ(program.password.plain_password, "");
    EXPECT_EQ(program.folders.folders_total, 1);
    EXPECT_EQ(program.folders[1], "/home/u/.local/share/Obelin Framory/");
    EXPECT_EQ(program.frame, FrameValues{});
    EXPECT_EQ(program.frame.border_colour_5, 1);
    EXPECT_EQ(program.frame.border_style_2, 5);
    EXPECT_FALSE(std::count(store.reads.begin(), store.reads.end(), "Options/folder1"))
        << "an empty list reads no folder key";
}

TEST_F(SettingsTest, LoadReadsKeysInItsOrder)
{
    store.set("folders_total", "2");
    LoadSettings(program, store);
    const std::vector<std::string> expected = {
        "Config/install_path",   "Options/show_filenames", "Options/random_order", "Options/effect_grain",
        "Options/effect_delay",  "Options/effect_speed",   "Options/scene_delay",  "Options/scale_flag",
        "Options/border_active", "Options/sound_on",       "Options/wallpaper",    "Options/gradient",
        "Options/cancel_mode",   "Options/misc",           "Options/folders_total", "Options/folder1",
        "Options/folder2"};
    EXPECT_EQ(store.reads, expected);
}

TEST_F(SettingsTest, InstallPathKeepsAnExistingTrailingSeparator)
{
    store.values[{"Config", "install_path"}] = "/opt/obelin/";
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.install_path, "/opt/obelin/");
    store.values[{"Config", "install_path"}] = "/opt/obelin";
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.install_path, "/opt/obelin/");
}

TEST_F(SettingsTest, CountOfThreeWithOneKeyGivesEmptyEntries)
{
    store.set("folders_total", "3");
    store.set("folder1", "/pics/");
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 3);
    EXPECT_EQ(program.folders[1], "/pics/");
    EXPECT_EQ(program.folders[2], "");
    EXPECT_EQ(program.folders[3], "");
}

TEST_F(SettingsTest, ShrunkListWritesOnlyItsEntriesAndLeavesOldKeys)
{
    store.set("folders_total", "5");
    for (int i = 1; i <= 5; ++i) {
        store.set("folder" + std::to_string(i), "/old" + std::to_string(i) + "/");
    }
    LoadSettings(program, store);
    program.folders.folders_total = 2;
    program.folders[1] = "/a/";
    program.folders[2] = "/b/";
    store.writes.clear();
    SaveSettings(program, store);
    EXPECT_EQ(store.get("folders_total"), "2");
    EXPECT_EQ(store.get("folder1"), "/a/");
    EXPECT_EQ(store.get("folder2"), "/b/");
    EXPECT_EQ(store.get("folder3"), "/old3/");
    EXPECT_EQ(store.get("folder5"), "/old5/");
    for (const auto& w : store.writes) {
        EXPECT_EQ(w.find("Options/folder3"), std::string::npos);
    }
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 2);
}

TEST_F(SettingsTest, DirPathIsReplacedByTheProgramFolderAtLoad)
{
    store.set("dir_path", "/somewhere/else/");
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.dir_path, "/opt/framory/bin/");
    program.settings.dir_path = "/picked/in/editor/";
    SaveSettings(program, store);
    EXPECT_EQ(store.get("dir_path"), "/picked/in/editor/");
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.dir_path, "/opt/framory/bin/");
}

TEST_F(SettingsTest, SaveWritesInItsOrderInOneGroup)
{
    LoadSettings(program, store);
    program.settings.sound_on = 0;
    program.settings.scene_delay = 60;
    program.password.plain_password = "A";
    SaveSettings(program, store);
    const std::vector<std::string> expected = {
        "Options/dir_path=/opt/framory/bin/", "Options/show_filenames=1", "Options/random_order=0",
        "Options/effect_grain=7",             "Options/effect_delay=10",  "Options/effect_speed=2",
        "Options/scene_delay=60",             "Options/scale_flag=100",   "Options/border_active=1",
        "Options/wallpaper=0",                "Options/gradient=1",       "Options/cancel_mode=7",
        "Options/sound_on=0",                 "Options/misc=xe",          "Options/folders_total=1",
        "Options/folder1=/home/u/.local/share/Obelin Framory/"};
    EXPECT_EQ(store.writes, expected);
    EXPECT_EQ(store.groups_begun, 1);
    EXPECT_EQ(store.groups_ended, 1);
}

TEST_F(SettingsTest, SaveOfAnEmptyListStoresTheDefaultList)
{
    program.windows_dir = "/win";
    program.folders.folders_total = 0;
    SaveSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 1);
    EXPECT_EQ(store.get("folders_total"), "1");
    EXPECT_EQ(store.get("folder1"), "/win/");
}

TEST_F(SettingsTest, PasswordRoundTripsThroughTheStore)
{
    program.password.plain_password = "SECRET 7";
    SaveSettings(program, store);
    EXPECT_EQ(store.get("misc"), Scramble("SECRET 7"));
    Program again;
    LoadSettings(again, store);
    EXPECT_EQ(again.password.plain_password, "SECRET 7");
    EXPECT_EQ(again.password.stored_password, Scramble("SECRET 7"));

    program.password.plain_password.clear();
    SaveSettings(program, store);
    EXPECT_EQ(store.get("misc"), "");
    LoadSettings(again, store);
    EXPECT_EQ(again.password.plain_password, "");
}

struct BadNumber {
    std::string stored;
    std::int16_t expected_grain;
};

class BadNumbers : public ::testing::TestWithParam<BadNumber> {};

TEST_P(BadNumbers, SixteenBitValuesThatAreNotWholeNumbersReadAsDefault)
{
    FakeStore store;
    Program program;
    store.set("effect_grain", GetParam().stored);
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.effect_grain, GetParam().expected_grain) << "[" << GetParam().stored << "]";
}

INSTANTIATE_TEST_SUITE_P(Settings, BadNumbers,
                         ::testing::Values(BadNumber{"", 7}, BadNumber{"abc", 7}, BadNumber{"12abc", 7},
                                           BadNumber{"1.5", 7}, BadNumber{"32768", 7}, BadNumber{"-32769", 7},
                                           BadNumber{"99999999999999999999", 7}, BadNumber{"0x10", 7},
                                           BadNumber{"+-3", 7}, BadNumber{"- 3", 7}, BadNumber{"32767", 32767},
                                           BadNumber{"-32768", -32768}, BadNumber{" 12 ", 12},
                                           BadNumber{"\t-4", -4}, BadNumber{"+9", 9}, BadNumber{"007", 7},
                                           BadNumber{"0", 0}));

TEST_F(SettingsTest, ThirtyTwoBitValuesUseTheirWholeWidth)
{
    store.set("scene_delay", "100000");
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.scene_delay, 100000);
    store.set("scene_delay", "2147483648");
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.scene_delay, 5);
    store.set("scale_flag", "100000");
    LoadSettings(program, store);
    EXPECT_EQ(program.settings.scale_flag, 100) << "a 16-bit field refuses a value beyond its width";
}

TEST_F(SettingsTest, CountAboveTheListsRoomReadsFiveHundredEntries)
{
    store.set("folders_total", "10000");
    for (int i = 1; i <= 600; ++i) {
        store.set("folder" + std::to_string(i), "/f" + std::to_string(i) + "/");
    }
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 500);
    EXPECT_EQ(program.folders[500], "/f500/");
    EXPECT_EQ(std::count(store.reads.begin(), store.reads.end(), "Options/folder501"), 0);
    store.writes.clear();
    SaveSettings(program, store);
    EXPECT_EQ(store.get("folders_total"), "500");
    EXPECT_EQ(std::count_if(store.writes.begin(), store.writes.end(),
                            [](const std::string& w) { return w.starts_with("Options/folder") &&
                                                              !w.starts_with("Options/folders_total"); }),
              500);
}

TEST_F(SettingsTest, NegativeCountReadsNothingAndIsKept)
{
    store.set("folders_total", "-3");
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, -3);
    EXPECT_EQ(program.folders.usable_count(), 0);
    EXPECT_EQ(std::count(store.reads.begin(), store.reads.end(), "Options/folder1"), 0);
    SaveSettings(program, store);
    EXPECT_EQ(store.get("folders_total"), "-3");
    EXPECT_FALSE(store.has("folder1"));
}

TEST_F(SettingsTest, NonNumericCountIsAnEmptyList)
{
    store.set("folders_total", "many");
    store.set("folder1", "/ignored/");
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 1);
    EXPECT_EQ(program.folders[1], program.windows_dir);
}

TEST(FolderOfFile, KeepsTheFolderWithItsSeparator)
{
    EXPECT_EQ(FolderOfFile("/opt/framory/bin/framory"), "/opt/framory/bin/");
    EXPECT_EQ(FolderOfFile("/framory"), "/");
    EXPECT_EQ(FolderOfFile("framory"), "/");
}

} // namespace
} // namespace framory::core
