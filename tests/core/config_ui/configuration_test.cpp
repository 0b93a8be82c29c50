#include "core/config_ui/configuration.h"

#include "core/startup/program.h"
#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

class FakeHub : public ConfigurationWindow {
public:
    Program* program = nullptr;
    bool checked = false;
    std::string title;
    std::vector<std::string> events;
    bool preview_flag_during_show = false;
    std::string show_filenames_during_show;

    bool display_filenames() override { return checked; }
    void set_display_filenames(bool c) override { checked = c; }
    void set_title(const std::string& t) override { title = t; }
    void show_show_modal() override
    {
        events.push_back("show");
        preview_flag_during_show = program->config_preview;
    }
    void show_message(const std::string& t, const std::string& text) override { events.push_back(t + "|" + text); }
    void end_program() override { events.push_back("end"); }
};

class FakeShell : public Shell {
public:
    int result = 42;
    std::vector<std::string> opened;
    int ShellExecute(const std::string& file) override
    {
        opened.push_back(file);
        return result;
    }
};

class ConfigurationTest : public ::testing::Test {
protected:
    Program program;
    FakeHub hub;
    framory::testing::FakeStore store;
    FakeShell shell;
    Configuration rules{program, hub, store, shell};

    void SetUp() override
    {
        hub.program = &program;
        program.windows_dir = "/w/";
    }
};

TEST_F(ConfigurationTest, LoadReadsTheSettingsAndTitlesTheWindow)
{
    store.set("show_filenames", "0");
    rules.Form_Load();
    EXPECT_EQ(hub.title, "Framory - v3.0.0");
    EXPECT_FALSE(hub.checked);
    store.set("show_filenames", "7");
    rules.Form_Load();
    EXPECT_TRUE(hub.checked) << "any value but 0 captions the pictures";
}

TEST_F(ConfigurationTest, PreviewSavesTheCheckBoxFirstAndFlagsTheShowAsAPreview)
{
    rules.Form_Load();
    hub.checked = false;
    rules.Command6_Click();
    EXPECT_EQ(hub.events, std::vector<std::string>{"show"});
    EXPECT_TRUE(hub.preview_flag_during_show);
    EXPECT_FALSE(program.config_preview) << "false again once the show has closed";
    EXPECT_EQ(store.get("show_filenames"), "0") << "stored before the show starts";
}

TEST_F(ConfigurationTest, CatalogueFailureShowsTheErrorBox)
{
    rules.Form_Load();
    for (const int result : {0, 2, 31, 32}) {
        hub.events.clear();
        shell.result = result;
        rules.Command3_Click();
        EXPECT_EQ(hub.events, std::vector<std::string>{"Error!|Error Launching Obelin_Products.exe!\r\rPlease make "
                                                       "sure you have this program installed properly!"})
            << result;
    }
    EXPECT_EQ(shell.opened.back(), "empty/Obelin_Products.exe");
    hub.events.clear();
    shell.result = 33;
    rules.Command3_Click();
    EXPECT_TRUE(hub.events.empty());
}

TEST_F(ConfigurationTest, CloseSavesAndEndsTheProgram)
{
    rules.Form_Load();
    hub.checked = true;
    program.settings.scene_delay = 42;
    rules.Form_Unload();
    EXPECT_EQ(store.get("show_filenames"), "1");
    EXPECT_EQ(store.get("scene_delay"), "42");
    EXPECT_EQ(hub.events, std::vector<std::string>{"end"});
}

} // namespace
} // namespace framory::core
