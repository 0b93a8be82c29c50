// The real program on its command line: switches that name no mode end at
// once with status 0, after the settings were loaded; without a display a
// mode that needs a window says so and fails.
#include "support/e2e_test.h"

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

class StartupModes : public framory::testing::E2ETest {
protected:
    // The program's exit status and what it wrote on standard error.
    std::pair<std::optional<int>, std::string> run(const std::string& argument)
    {
        framory::testing::ProgramUnderTest program(FRAMORY_BINARY, {argument}, m_home, {}, m_home / "stderr.txt");
        const std::optional<int> status = program.wait_for_exit();
        return {status, framory::testing::ReadFile(m_home / "stderr.txt")};
    }
};

TEST_F(StartupModes, UnknownSwitchesEndAtOnceWithAndWithoutADisplay)
{
    for (const char* argument : {"/X", "-s", "S", "/x1234", "-S", "/"}) {
        EXPECT_EQ(run(argument).first, 0) << argument << " under X";
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

    // Reading the settings wrote nothing.
    EXPECT_FALSE(fs::exists(framory::testing::SettingsFile(m_home)));
}

} // namespace
