// The real program on its command line: switches that name no mode end at
// once with status 0, after the settings were loaded and the data folder
// made; without a display a mode that needs a window says so and fails.
#include <gtest/gtest.h>

#include "support/program_under_test.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

class StartupModes : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/framory-e2e-startup-XXXXXX";
        m_home = ::mkdtemp(pattern);
    }
    void TearDown() override { fs::remove_all(m_home); }

    // The program's exit status and what it wrote on standard error, less
    // Qt's remarks on the test's runtime folder.
    std::pair<std::optional<int>, std::string> run(const std::string& argument)
    {
        framory::testing::ProgramUnderTest program(FRAMORY_BINARY, {argument}, m_home, {}, m_home / "stderr.txt");
        const std::optional<int> status = program.wait_for_exit();
        std::ifstream in(m_home / "stderr.txt");
        std::string errors;
        for (std::string line; std::getline(in, line);) {
            if (line.find("XDG_RUNTIME") == std::string::npos) {
                errors += line + "\n";
            }
        }
        return {status, errors};
    }

    fs::path m_home;
};

TEST_F(StartupModes, UnknownSwitchesEndAtOnceWithAndWithoutADisplay)
{
    {
        framory::testing::XServer server;
        ASSERT_TRUE(server.started());
        for (const char* argument : {"/X", "-s", "S", "/x1234", "-S", "/"}) {
            EXPECT_EQ(run(argument).first, 0) << argument << " under X";
        }
    }
    ::unsetenv("DISPLAY");
    ::unsetenv("WAYLAND_DISPLAY");
    for (const char* argument : {"/X", "-s", "S"}) {
        const auto [status, errors] = run(argument);
        EXPECT_EQ(status, 0) << argument << " without a display";
        EXPECT_EQ(errors, "") << argument;
    }
    const auto [status, errors] = run("/s");
    EXPECT_EQ(status, 1) << "a show without a display fails";
    EXPECT_NE(errors.find("no display"), std::string::npos) << errors;

    // The data folder was made and seeded with the bundled samples; reading
    // the settings wrote nothing.
    for (const char* sample : {"sunset.jpg", "aurora.png", "blocks.bmp", "harbour.tif", "petals.tga", "chime.wav",
                               "tune.mid"}) {
        const fs::path file = m_home / "data" / "Obelin Framory" / sample;
        EXPECT_TRUE(fs::exists(file) && fs::file_size(file) > 0) << sample;
    }
    EXPECT_FALSE(fs::exists(m_home / "config" / "Obelin Framory.ini"));
}

} // namespace
