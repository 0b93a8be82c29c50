#include "core/startup/main.h"

#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using framory::testing::FakeStartupWorld;

class MainTest : public ::testing::Test {
protected:
    FakeStartupWorld world;
    Program program;

    MainResult run(std::string_view text) { return Main(program, world.services, text); }
};

TEST_F(MainTest, RecordsTwipsFolderAndSettingsBeforeAnyWindowOpens)
{
    world.screen.tppx = 14.6;
    world.screen.tppy = 9.5;
    world.store.set("scene_delay", "17");
    bool checked = false;
    world.forms.on_open = [&](Program& p) {
        EXPECT_EQ(p.twips_per_pixel_x, 15);
        EXPECT_EQ(p.twips_per_pixel_y, 10);
        EXPECT_EQ(p.windows_dir, "/home/u/.local/share/Obelin Framory/");
        EXPECT_EQ(p.settings.scene_delay, 17);
        EXPECT_EQ(p.settings.dir_path, "/opt/framory/bin/");
        checked = true;
    };
    const MainResult result = run("/c");
    EXPECT_TRUE(checked);
    EXPECT_EQ(result.mode, SaverMode::Configure);
    EXPECT_EQ(result.after, AfterMain::KeepRunning);
}

TEST_F(MainTest, EmptyTextOpensConfiguration)
{
    EXPECT_EQ(run("").mode, SaverMode::Configure);
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"configuration"});
}

TEST_F(MainTest, UnrecognisedSwitchLoadsSettingsAndOpensNothing)
{
    for (const char* text : {"/X", "-s", "S"}) {
        FakeStartupWorld fresh;
        Program p;
        fresh.store.set("scale_flag", "85");
        const MainResult result = Main(p, fresh.services, text);
        EXPECT_EQ(result.mode, SaverMode::None) << text;
        EXPECT_EQ(result.after, AfterMain::EndProgram) << text;
        EXPECT_TRUE(fresh.forms.opened.empty()) << text;
        EXPECT_EQ(p.settings.scale_flag, 85) << text;
        EXPECT_EQ(fresh.pump.waits, 0) << text;
    }
}

TEST_F(MainTest, ConfigureEndsAtOnceWhenAnotherFramoryRuns)
{
    world.system.other_instance = true;
    const MainResult result = run("/c");
    EXPECT_EQ(result.after, AfterMain::EndProgram);
    EXPECT_TRUE(world.forms.opened.empty());
}

TEST_F(MainTest, ConfigureUnderAnotherFileNameOpensDespiteAnotherInstance)
{
    world.system.other_instance = true;
    world.system.program = "/opt/saver/slides.scr";
    run("/C");
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"configuration"});
}

TEST_F(MainTest, RunOpensTheShowAndWaitsUntilItUnloads)
{
    bool was_running_at_open = false;
    world.forms.on_open = [&](Program& p) { was_running_at_open = p.show_running; };
    int passes = 0;
    world.pump.during_wait = [&] {
        if (++passes == 3) {
            program.show_running = false; // the show window's unload step
        }
    };
    const MainResult result = run("/s");
    EXPECT_TRUE(was_running_at_open);
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"show"});
    EXPECT_EQ(world.pump.waits, 1);
    EXPECT_EQ(passes, 3);
    EXPECT_EQ(result.mode, SaverMode::Run);
    EXPECT_EQ(result.after, AfterMain::EndProgram);
    EXPECT_EQ(world.windows.queries, std::vector<std::string>{"screen saver running"});
}

TEST_F(MainTest, SecondShowEndsSilentlyWhenAShowWindowExists)
{
    world.windows.titles = {"screen saver running"};
    const MainResult result = run("/S");
    EXPECT_TRUE(world.forms.opened.empty());
    EXPECT_FALSE(program.show_running);
    EXPECT_EQ(result.after, AfterMain::EndProgram);
}

TEST_F(MainTest, ShowThatCannotOpenEndsWithoutWaiting)
{
    world.forms.result = false;
    const MainResult result = run("/S");
    EXPECT_EQ(world.pump.waits, 0);
    EXPECT_FALSE(program.show_running);
    EXPECT_EQ(result.after, AfterMain::EndProgram);
}

TEST_F(MainTest, PreviewReadsTheHandle)
{
    int seen = -1;
    world.forms.on_open = [&](Program& p) { seen = p.host_window; };
    run("/p 1234");
    EXPECT_EQ(seen, 1234);
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"preview"});

    FakeStartupWorld other;
    Program p2;
    p2.host_window = 99;
    Main(p2, other.services, "/p:1234");
    EXPECT_EQ(p2.host_window, 0);
}

TEST_F(MainTest, ChangePasswordOpensItsDialog)
{
    const MainResult result = run("/a 555");
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"change_password"});
    EXPECT_EQ(result.after, AfterMain::KeepRunning);
    EXPECT_EQ(program.host_window, 0);
}

TEST_F(MainTest, FormThatCannotOpenEndsTheProgram)
{
    world.forms.result = false;
    for (const char* text : {"/c", "/p 5", "/a"}) {
        FakeStartupWorld fresh;
        fresh.forms.result = false;
        Program p;
        EXPECT_EQ(Main(p, fresh.services, text).after, AfterMain::EndProgram) << text;
    }
}

TEST_F(MainTest, DefaultFolderListIsTheWindowsDirectory)
{
    world.system.windows = "/srv/pictures";
    run("/X");
    EXPECT_EQ(program.folders.folders_total, 1);
    EXPECT_EQ(program.folders[1], "/srv/pictures/");
}

TEST_F(MainTest, HostedShowLoadsTheSettingsAndRunsBesideAnyOtherShow)
{
    world.windows.titles = {"screen saver running"};
    world.store.set("scene_delay", "17");
    world.forms.on_open = [](Program& p) {
        EXPECT_TRUE(p.show_running);
        EXPECT_EQ(p.settings.scene_delay, 17);
    };
    EXPECT_EQ(MainHosted(program, world.services, {HostedRequest::Target::Window, 42}).mode, SaverMode::Run);
    EXPECT_EQ(world.forms.opened, std::vector<std::string>{"hosted"});
    EXPECT_EQ(world.pump.waits, 1) << "it runs until its window unloads";
    EXPECT_FALSE(program.show_running);
}

} // namespace
} // namespace framory::core
