#include "core/startup/main.h"

#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using namespace framory::testing;

class FakeForms : public ModeForms {
public:
    std::vector<std::string> opened;
    bool result = true;
    std::function<void(Program&)> on_open; // looks at the program's values as the form opens

    bool open_configuration(Program& p) override { return record("configuration", p); }
    bool open_show(Program& p) override { return record("show", p); }
    bool load_preview(Program& p) override { return record("preview", p); }
    bool open_change_password(Program& p) override { return record("change_password", p); }
    bool open_hosted_show(Program& p, const HostedRequest&) override { return record("hosted", p); }

private:
    bool record(const std::string& name, Program& p)
    {
        opened.push_back(name);
        if (on_open) {
            on_open(p);
        }
        return result;
    }
};

struct World {
    FakeScreen screen;
    FakeSystem system;
    FakeWindows windows;
    FakeStore store;
    FakePump pump;
    FakeForms forms;
    Program program;
    StartupServices services{screen, system, windows, store, pump, forms};
    MainResult run(std::string_view text) { return Main(program, services, text); }
};

TEST(Main, TheSwitchOpensItsFormAfterTheMachinesFactsAndSettingsAreRead)
{
    struct Case {
        std::string text, form;
        SaverMode mode;
        AfterMain after;
        std::int32_t host; // only the preview reads a handle
    };
    const Case cases[] = {{"/c", "configuration", SaverMode::Configure, AfterMain::KeepRunning, 99},
                          {"/p 1234", "preview", SaverMode::Preview, AfterMain::KeepRunning, 1234},
                          {"/p:1234", "preview", SaverMode::Preview, AfterMain::KeepRunning, 0},
                          {"/a 555", "change_password", SaverMode::ChangePassword, AfterMain::KeepRunning, 99},
                          {"/X", "", SaverMode::None, AfterMain::EndProgram, 99}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        World w;
        w.screen.tppx = 14.6;
        w.screen.tppy = 9.5;
        w.store.set("scene_delay", "17");
        w.program.host_window = 99;
        w.forms.on_open = [](Program& p) {
            EXPECT_EQ(p.twips_per_pixel_x, 15);
            EXPECT_EQ(p.twips_per_pixel_y, 10);
            EXPECT_EQ(p.windows_dir, native("/home/u/.local/share/Obelin Framory/"));
            EXPECT_EQ(p.settings.scene_delay, 17);
            EXPECT_EQ(p.settings.dir_path, native("/opt/framory/bin/"));
            EXPECT_EQ(p.folders[1], native("/home/u/.local/share/Obelin Framory/"));
        };
        const MainResult result = w.run(c.text);
        EXPECT_EQ(w.forms.opened, c.form.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.form});
        EXPECT_EQ(result.mode, c.mode);
        EXPECT_EQ(result.after, c.after);
        EXPECT_EQ(w.program.host_window, c.host);
        EXPECT_EQ(w.program.settings.scene_delay, 17) << "settings are read whatever the switch";
        if (!c.form.empty()) {
            World failing;
            failing.forms.result = false;
            EXPECT_EQ(failing.run(c.text).after, AfterMain::EndProgram) << "a form that cannot open ends the program";
        }
    }
}

TEST(Main, ConfigurationEndsAtOnceWhenThisFramoryRunsAlready)
{
    for (const std::string& program_file :
         native(std::vector<std::string>{"/opt/framory/bin/framory", "/opt/saver/slides.scr"})) {
        World w;
        w.system.other_instance = true;
        w.system.program = program_file;
        const MainResult result = w.run("/c");
        const bool ours = program_file.ends_with("framory");
        EXPECT_EQ(result.after, ours ? AfterMain::EndProgram : AfterMain::KeepRunning) << program_file;
        EXPECT_EQ(w.forms.opened.size(), ours ? 0u : 1u);
    }
}

TEST(Main, AShowRunsUntilItsWindowUnloadsAndASecondShowEndsSilently)
{
    for (const bool hosted : {false, true}) {
        SCOPED_TRACE(hosted);
        World w;
        if (hosted) {
            w.windows.titles = {"screen saver running"}; // a hosted show runs beside any other show
        }
        w.store.set("scene_delay", "17");
        bool running_at_open = false;
        w.forms.on_open = [&](Program& p) {
            running_at_open = p.show_running;
            EXPECT_EQ(p.settings.scene_delay, 17);
        };
        int passes = 0;
        w.pump.during_wait = [&] {
            if (++passes == 3) {
                w.program.show_running = false; // the show window's unload step
            }
        };
        const MainResult result =
            hosted ? MainHosted(w.program, w.services, {HostedRequest::Target::Window, 42}) : w.run("/s");
        EXPECT_EQ(w.forms.opened, std::vector<std::string>{hosted ? "hosted" : "show"});
        EXPECT_TRUE(running_at_open);
        EXPECT_EQ(passes, 3) << "it runs until its window unloads";
        EXPECT_EQ(std::make_pair(result.mode, result.after), std::make_pair(SaverMode::Run, AfterMain::EndProgram));
    }

    for (const bool shown_elsewhere : {true, false}) {
        World other;
        if (shown_elsewhere) {
            other.windows.titles = {"screen saver running"};
        } else {
            other.forms.result = false;
        }
        other.pump.during_wait = [&] { ADD_FAILURE() << "waited for a show that is not there"; };
        EXPECT_EQ(other.run("/S").after, AfterMain::EndProgram);
        EXPECT_EQ(other.forms.opened.size(), shown_elsewhere ? 0u : 1u);
        EXPECT_FALSE(other.program.show_running);
    }
}

} // namespace
} // namespace framory::core
