#include "core/settings/settings.h"

#include "core/password/scramble.h"
#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace framory::core {
namespace {

using framory::testing::FakeStore;
using framory::testing::native;

// The keys and defaults as a save of a fresh record writes them, in order;
// written out here on their own, so that a wrong row of the schema shows.
// clang-format off
const std::vector<std::string> kFreshSave = {
    "Options/dir_path=" + native("/opt/framory/bin/"), "Options/show_filenames=1", "Options/random_order=0",
    "Options/effect_grain=7", "Options/effect_delay=10", "Options/effect_speed=2", "Options/scene_delay=5",
    "Options/scale_flag=100", "Options/border_active=1", "Options/wallpaper=0", "Options/gradient=1",
    "Options/cancel_mode=7", "Options/sound_on=1", "Options/misc=", "Options/folders_total=1",
    "Options/folder1=" + native("/win/")};
// clang-format on

Program FreshProgram()
{
    Program program;
    program.windows_dir = native("/win"); // the separator is added where the list needs it
    program.program_folder = native("/opt/framory/bin/");
    return program;
}

TEST(Settings, AFreshStoreLoadsTheDefaultsAndSavesThemBackInOrder)
{
    FakeStore store, saved;
    Program program = FreshProgram();
    LoadSettings(program, store);
    Settings fresh;
    fresh.install_path = native("empty/");
    fresh.dir_path = native("/opt/framory/bin/");
    EXPECT_EQ(program.settings, fresh);
    EXPECT_EQ(program.frame, FrameValues{});
    SaveSettings(program, saved);
    EXPECT_EQ(saved.writes, kFreshSave);
    EXPECT_EQ(saved.open_groups, 0) << "one group, closed";
}

TEST(Settings, EveryKeyLoadsIntoItsOwnFieldAndSavesBackFromIt)
{
    const char* keys[] = {"show_filenames", "random_order", "effect_grain", "effect_delay",
                          "effect_speed",   "scene_delay",  "scale_flag",   "border_active",
                          "sound_on",       "wallpaper",    "gradient",     "cancel_mode"};
    FakeStore store, saved;
    for (int i = 0; i < 12; ++i) {
        store.set(keys[i], std::to_string(101 + i));
    }
    store.values[{"Config", "install_path"}] = native("/opt/obelin");
    store.set("misc", Scramble("SECRET 7"));
    store.set("dir_path", "/picked/in/editor/");
    Program program = FreshProgram();
    LoadSettings(program, store);
    const Settings& s = program.settings;
    EXPECT_EQ(std::vector<int>({s.show_filenames, s.random_order, s.effect_grain, s.effect_delay, s.effect_speed,
                                s.scene_delay, s.scale_flag, s.border_active, s.sound_on, s.wallpaper, s.gradient,
                                s.cancel_mode}),
              std::vector<int>({101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111, 112}));
    EXPECT_EQ(s.install_path, native("/opt/obelin/"));
    EXPECT_EQ(program.password.plain_password, "SECRET 7");
    EXPECT_EQ(s.dir_path, native("/opt/framory/bin/")) << "every load takes the program's folder";

    program.settings.dir_path = "/picked/in/editor/";
    SaveSettings(program, saved);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(saved.get(keys[i]), std::to_string(101 + i)) << keys[i];
    }
    EXPECT_EQ(saved.get("misc"), Scramble("SECRET 7"));
    EXPECT_EQ(saved.get("dir_path"), "/picked/in/editor/");
}

TEST(Settings, TheFolderCountStaysWithinTheListsRoomAndOldKeysStay)
{
    struct Case {
        std::string stored_total;
        int present;               // folder1 .. folderN are in the store
        std::int32_t loaded_total; // after loading
        std::string last_read;
    };
    const Case cases[] = {{"3", 1, 3, "Options/folder3"}, // missing keys read as empty entries
                          {"10000", 600, 500, "Options/folder500"},
                          {"-3", 1, -3, "Options/folders_total"},   // kept; nothing read or written
                          {"many", 1, 1, "Options/folders_total"}}; // not a number: the default list
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored_total);
        FakeStore store;
        store.set("folders_total", c.stored_total);
        for (int i = 1; i <= c.present; ++i) {
            store.set("folder" + std::to_string(i), "/f" + std::to_string(i) + "/");
        }
        Program program = FreshProgram();
        LoadSettings(program, store);
        EXPECT_EQ(program.folders.folders_total, c.loaded_total);
        EXPECT_EQ(store.reads.back(), c.last_read);
        EXPECT_EQ(program.folders[2], c.loaded_total > 2 ? (c.present >= 2 ? "/f2/" : "") : "");
        store.writes.clear();
        SaveSettings(program, store);
        EXPECT_EQ(store.get("folders_total"), std::to_string(c.loaded_total));
        EXPECT_EQ(std::count_if(store.writes.begin(), store.writes.end(),
                                [](const std::string& w) {
                                    return w.starts_with("Options/folder") && !w.starts_with("Options/folders");
                                }),
                  std::max(c.loaded_total, 0));
    }
    FakeStore store;
    for (int i = 1; i <= 5; ++i) {
        store.set("folder" + std::to_string(i), "/old/");
    }
    Program program = FreshProgram();
    program.folders.folders_total = 2; // a list that shrank from five
    SaveSettings(program, store);
    EXPECT_EQ(store.get("folder3"), "/old/");
    LoadSettings(program, store);
    EXPECT_EQ(program.folders.folders_total, 2);
}

TEST(Settings, StoredNumbersAreWholeNumbersOfTheFieldsWidthOrTheDefault)
{
    struct Case {
        std::string text;
        std::int32_t as16, as32; // with the default 7
    };
    // clang-format off
    const Case cases[] = {
        {"", 7, 7}, {"abc", 7, 7}, {"12abc", 7, 7}, {"1.5", 7, 7}, {"0x10", 7, 7}, {"+-3", 7, 7}, {"- 3", 7, 7},
        {" 12 ", 12, 12}, {"\t-4", -4, -4}, {"+9", 9, 9}, {"007", 7, 7}, {"0", 0, 0}, {"32767", 32767, 32767},
        {"-32768", -32768, -32768}, {"32768", 7, 32768}, {"2147483647", 7, 2147483647}, {"2147483648", 7, 7}};
    // clang-format on
    for (const Case& c : cases) {
        EXPECT_EQ(ParseStored16(c.text, 7), c.as16) << "[" << c.text << "]";
        EXPECT_EQ(ParseStored32(c.text, 7), c.as32) << "[" << c.text << "]";
    }
    EXPECT_EQ(FolderOfFile(native("/opt/framory/bin/framory")), native("/opt/framory/bin/"));
    EXPECT_EQ(FolderOfFile("framory"), native("/"));
}

TEST(Settings, CancelModesNameTheInputsThatCutAnEffectShort)
{
    // 5 is no mode: it is kept as stored, and nothing cuts an effect short.
    const std::tuple<int, bool, bool> cases[] = {
        {4, true, false}, {7, false, true}, {9, true, true}, {5, false, false}};
    for (const auto& [mode, key, move] : cases) {
        EXPECT_EQ(CancelsOnKey(mode), key) << mode;
        EXPECT_EQ(CancelsOnMouseMove(mode), move) << mode;
    }
}

} // namespace
} // namespace framory::core
