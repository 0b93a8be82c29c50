#include "core/config_ui/options.h"

#include "core/settings/settings.h"
#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace framory::core {
namespace {

class RecordingOptionsWindow : public OptionsWindow {
public:
    std::vector<std::string> calls;
    std::set<int> selected;
    int positions[3] = {RangeOf(Slider::HScroll1).initial, RangeOf(Slider::HScroll2).initial,
                        RangeOf(Slider::HScroll3).initial};
    std::string duration_text;
    bool wallpaper_disabled = false;
    int password_dialogs = 0;
    double left = -1;
    double top = -1;

    double width_twips() override { return 6285 + 120; }
    double height_twips() override { return 5490 + 400; }
    void move_to_twips(double new_left, double new_top) override
    {
        calls.push_back("move");
        left = new_left;
        top = new_top;
    }
    void select_button(int number) override
    {
        calls.push_back("Option" + std::to_string(number));
        selected.insert(number);
    }
    void set_slider_position(Slider slider, int position) override
    {
        calls.push_back("HScroll" + std::to_string(static_cast<int>(slider) + 1) + "=" + std::to_string(position));
        positions[static_cast<int>(slider)] = position;
    }
    void set_duration_text(const std::string& text) override { duration_text = text; }
    void disable_wallpaper_group() override
    {
        calls.push_back("disable wallpaper");
        wallpaper_disabled = true;
    }
    void open_change_password() override { ++password_dialogs; }
};

class RecordingShell : public Shell {
public:
    std::vector<std::string> started;
    int result = 42;
    int ShellExecute(const std::string& file) override
    {
        started.push_back(file);
        return result;
    }
};

class OptionsTest : public ::testing::Test {
protected:
    Program program;
    RecordingOptionsWindow window;
    testing::FakeScreen screen;
    testing::FakePump pump;
    testing::FakeStore store;
    RecordingShell shell;
    OptionsDialog dialog{program, window, screen, pump, store, shell};

    void SetUp() override
    {
        program.windows_dir = "/home/u/.local/share/Obelin Framory/";
        program.folders.folders_total = 1;
        program.folders[1] = program.windows_dir;
    }
};

TEST_F(OptionsTest, EachButtonWritesItsOwnValueIntoItsOwnFieldOnly)
{
    struct Case {
        int number;
        std::int16_t Settings::*field;
        std::int16_t value;
    };
    const Case cases[] = {
        {14, &Settings::scale_flag, 0},   {7, &Settings::scale_flag, 85},   {6, &Settings::scale_flag, 100},
        {8, &Settings::border_active, 1}, {9, &Settings::border_active, 0}, {2, &Settings::sound_on, 1},
        {1, &Settings::sound_on, 0},      {10, &Settings::wallpaper, 1},    {11, &Settings::wallpaper, 0},
        {15, &Settings::cancel_mode, 4},  {16, &Settings::cancel_mode, 7},  {17, &Settings::cancel_mode, 9},
        {3, &Settings::effect_speed, 3},  {4, &Settings::effect_speed, 2},  {5, &Settings::effect_speed, 1},
        {12, &Settings::gradient, 1},     {13, &Settings::gradient, 0},     {18, &Settings::random_order, 0},
        {19, &Settings::random_order, 1},
    };
    ASSERT_EQ(std::size(cases), kOptionButtons.size());
    for (const Case& c : cases) {
        SCOPED_TRACE("Option" + std::to_string(c.number));
        Settings before;
        before.*c.field = -99; // a value no button stores, so the write shows
        program.settings = before;
        dialog.Option_Click(c.number);
        Settings expected = before;
        expected.*c.field = c.value;
        EXPECT_EQ(program.settings, expected);
    }
}

TEST_F(OptionsTest, ButtonTableKeepsVisualOrderAndExactTexts)
{
    std::vector<int> numbers;
    for (const OptionButton& button : kOptionButtons) {
        numbers.push_back(button.number);
    }
    EXPECT_EQ(numbers, (std::vector<int>{14, 7, 6, 8, 9, 2, 1, 10, 11, 15, 16, 17, 3, 4, 5, 12, 13, 18, 19}));
    EXPECT_EQ(FindOptionButton(7)->tooltip,
              "Scale pictures to 80% of screen dimension.  This leaves a border around the screen.");
    EXPECT_EQ(FindOptionButton(2)->tooltip,
              "Click here to play and .wav or .mid files found in the folder during the screen saver");
    EXPECT_EQ(FindOptionButton(17)->caption, "A key press or a mouse move");
    EXPECT_EQ(FindOptionButton(20), nullptr);
    EXPECT_EQ(GroupInfo(OptionGroup::Wallpaper).frame, "Frame7");
    for (const OptionGroupInfo& info : kOptionGroups) {
        EXPECT_EQ(GroupInfo(info.group).caption, info.caption);
    }
    EXPECT_EQ(GroupInfo(OptionGroup::CancelMode).caption, "Cancel video effect when:");
}

TEST_F(OptionsTest, LoadCentresFirstThenShowsTheRecordInItsOrder)
{
    program.settings.scale_flag = 85;
    program.settings.border_active = 0;
    program.settings.sound_on = 1;
    program.settings.scene_delay = 30;
    program.settings.effect_grain = 2;
    program.settings.effect_delay = 20;
    program.settings.effect_speed = 1;
    program.settings.wallpaper = 1;
    program.settings.gradient = 0;
    program.settings.cancel_mode = 9;
    program.settings.random_order = 1;
    const Settings before = program.settings;

    dialog.Form_Load(0);

    EXPECT_EQ(window.calls,
              (std::vector<std::string>{"move", "Option7", "Option9", "Option2", "HScroll1=30", "HScroll2=2",
                                        "HScroll3=20", "Option5", "Option10", "Option13", "Option17", "Option19"}));
    EXPECT_DOUBLE_EQ(window.left, (1920.0 * 15 - 6405) / 2);
    EXPECT_EQ(pump.pending_runs, 1) << "centring lets pending events run";
    EXPECT_EQ(window.duration_text, "30");
    EXPECT_EQ(program.settings, before) << "showing the values writes nothing new";
    EXPECT_FALSE(dialog.nt_family());
    EXPECT_FALSE(window.wallpaper_disabled);
    EXPECT_TRUE(store.writes.empty()) << "the dialog neither loads nor saves while it loads";
}

TEST_F(OptionsTest, NtFamilyForcesWallpaperOffAndGreysItsGroup)
{
    struct Case {
        std::int32_t platform_id;
        bool nt;
    };
    for (const Case c : {Case{2, true}, Case{0, false}, Case{1, false}, Case{3, false}}) {
        SCOPED_TRACE(c.platform_id);
        program.settings.wallpaper = 1;
        RecordingOptionsWindow fresh;
        OptionsDialog rules(program, fresh, screen, pump, store, shell);
        rules.Form_Load(c.platform_id);
        EXPECT_EQ(rules.nt_family(), c.nt);
        EXPECT_EQ(fresh.wallpaper_disabled, c.nt);
        EXPECT_EQ(program.settings.wallpaper, c.nt ? 0 : 1);
        EXPECT_TRUE(fresh.selected.count(c.nt ? 11 : 10)) << "the group shows the field's value";
        rules.Form_Unload();
        EXPECT_EQ(store.get("wallpaper"), c.nt ? "0" : "1");
    }
}

TEST_F(OptionsTest, UnmatchedValueLeavesItsGroupUnselectedAndIsSavedBackUnchanged)
{
    program.settings.cancel_mode = 5;
    program.settings.scale_flag = 80;
    program.settings.gradient = 2;
    dialog.Form_Load(0);
    for (const int number : {15, 16, 17, 14, 7, 6, 12, 13}) {
        EXPECT_FALSE(window.selected.count(number)) << "Option" << number;
    }
    EXPECT_TRUE(window.selected.count(8)) << "other groups still show their values";
    dialog.Form_Unload();
    EXPECT_EQ(store.get("cancel_mode"), "5");
    EXPECT_EQ(store.get("scale_flag"), "80");
    EXPECT_EQ(store.get("gradient"), "2");

    dialog.Option_Click(16);
    dialog.Form_Unload();
    EXPECT_EQ(store.get("cancel_mode"), "7") << "a picked button replaces it";
}

TEST_F(OptionsTest, SlidersHaveTheirRangesAndStartingPositions)
{
    struct Case {
        Slider slider;
        int minimum, maximum, initial;
    };
    for (const Case c :
         {Case{Slider::HScroll1, 5, 60, 10}, Case{Slider::HScroll2, 2, 15, 7}, Case{Slider::HScroll3, 2, 20, 10}}) {
        const SliderRange range = RangeOf(c.slider);
        EXPECT_EQ(range.minimum, c.minimum);
        EXPECT_EQ(range.maximum, c.maximum);
        EXPECT_EQ(range.initial, c.initial);
        EXPECT_EQ(range.small_step, 1);
        EXPECT_EQ(std::max(range.small_step, range.large_step), c.slider == Slider::HScroll1 ? 5 : 1);
    }
}

TEST_F(OptionsTest, DurationSliderShowsAndStoresEveryPositionUpToBothEnds)
{
    dialog.Form_Load(0);
    EXPECT_EQ(window.duration_text, "5") << "the default duration";
    dialog.HScroll_Change(Slider::HScroll1, 60);
    EXPECT_EQ(window.duration_text, "60");
    EXPECT_EQ(program.settings.scene_delay, 60);
    dialog.HScroll_Change(Slider::HScroll1, 5);
    EXPECT_EQ(window.duration_text, "5");
    EXPECT_EQ(program.settings.scene_delay, 5);

    dialog.HScroll_Change(Slider::HScroll2, 15);
    dialog.HScroll_Change(Slider::HScroll3, 2);
    EXPECT_EQ(program.settings.effect_grain, 15);
    EXPECT_EQ(program.settings.effect_delay, 2);
    EXPECT_EQ(window.duration_text, "5") << "only the duration has a value box";
    dialog.Form_Unload();
    EXPECT_EQ(store.get("scene_delay"), "5");
    EXPECT_EQ(store.get("effect_grain"), "15");
    EXPECT_EQ(store.get("effect_delay"), "2");
}

TEST_F(OptionsTest, OutOfRangeSliderValuesRestAtTheNearerEndAndAreKeptUntilMoved)
{
    program.settings.scene_delay = 300;
    program.settings.effect_grain = 1;
    program.settings.effect_delay = 32767;
    dialog.Form_Load(0);
    EXPECT_EQ(window.positions[0], 60);
    EXPECT_EQ(window.positions[1], 2);
    EXPECT_EQ(window.positions[2], 20);
    EXPECT_EQ(window.duration_text, "300") << "the duration the show will use";
    dialog.Form_Unload();
    EXPECT_EQ(store.get("scene_delay"), "300");
    EXPECT_EQ(store.get("effect_grain"), "1");
    EXPECT_EQ(store.get("effect_delay"), "32767");

    dialog.HScroll_Change(Slider::HScroll1, 59);
    EXPECT_EQ(window.duration_text, "59");
    EXPECT_EQ(program.settings.scene_delay, 59);
    EXPECT_EQ(SliderPosition(Slider::HScroll1, -2147483647 - 1), 5);
}

TEST_F(OptionsTest, ClosingAtOnceWritesTheWholeRecord)
{
    dialog.Form_Load(0);
    const int pumped = pump.pending_runs;
    dialog.Form_Unload();
    for (const char* key : {"dir_path", "show_filenames", "random_order", "effect_grain", "effect_delay",
                            "effect_speed", "scene_delay", "scale_flag", "border_active", "wallpaper", "gradient",
                            "cancel_mode", "sound_on", "misc", "folders_total", "folder1"}) {
        EXPECT_TRUE(store.has(key)) << key;
    }
    EXPECT_EQ(store.get("scale_flag"), "100");
    EXPECT_EQ(pump.pending_runs, pumped + 1) << "pending events run after saving";
}

TEST_F(OptionsTest, AudioAsksTheShellForTheVolumeControlAndIgnoresFailure)
{
    shell.result = 2; // the file was not found
    const Settings before = program.settings;
    dialog.Command3_Click();
    EXPECT_EQ(shell.started, std::vector<std::string>{"SNDVOL32.EXE"});
    EXPECT_EQ(pump.pending_runs, 1);
    EXPECT_EQ(program.settings, before);
    EXPECT_TRUE(store.writes.empty());

    dialog.Command2_Click();
    EXPECT_EQ(window.password_dialogs, 1);
    EXPECT_EQ(shell.started.size(), 1U);
}

} // namespace
} // namespace framory::core
