#include "core/startup/saver_mode.h"

#include <gtest/gtest.h>

#include <string>

namespace framory::core {
namespace {

struct SwitchCase {
    std::string argument_text;
    std::string expected_switch;
    SaverMode expected_mode;
};

class SwitchTable : public ::testing::TestWithParam<SwitchCase> {};

TEST_P(SwitchTable, FirstTwoCharactersUpperCasedChooseTheMode)
{
    const SwitchCase& c = GetParam();
    EXPECT_EQ(SwitchOf(c.argument_text), c.expected_switch);
    EXPECT_EQ(ModeOfSwitch(SwitchOf(c.argument_text)), c.expected_mode);
}

INSTANTIATE_TEST_SUITE_P(
    Startup, SwitchTable,
    ::testing::Values(SwitchCase{"", "/C", SaverMode::Configure}, SwitchCase{"/c", "/C", SaverMode::Configure},
                      SwitchCase{"/C", "/C", SaverMode::Configure},
                      SwitchCase{"/C:1234", "/C", SaverMode::Configure},
                      SwitchCase{"/c 1234", "/C", SaverMode::Configure}, SwitchCase{"/s", "/S", SaverMode::Run},
                      SwitchCase{"/S", "/S", SaverMode::Run}, SwitchCase{"/Sxyz", "/S", SaverMode::Run},
                      SwitchCase{"/p 1234", "/P", SaverMode::Preview},
                      SwitchCase{"/p:1234", "/P", SaverMode::Preview},
                      SwitchCase{"/a", "/A", SaverMode::ChangePassword},
                      SwitchCase{"/X", "/X", SaverMode::None}, SwitchCase{"-s", "-S", SaverMode::None},
                      SwitchCase{"S", "S", SaverMode::None}, SwitchCase{" /s", " /", SaverMode::None},
                      SwitchCase{"/", "/", SaverMode::None}));

struct HandleCase {
    std::string text;
    std::int32_t expected;
};

class HandleTable : public ::testing::TestWithParam<HandleCase> {};

TEST_P(HandleTable, ReadsTheNumberAfterTheSwitch)
{
    EXPECT_EQ(ReadWindowHandle(GetParam().text), GetParam().expected) << "text: [" << GetParam().text << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Startup, HandleTable,
    ::testing::Values(HandleCase{" 1234", 1234}, HandleCase{":1234", 0}, HandleCase{"", 0},
                      HandleCase{"1 2\t3\n4", 1234}, HandleCase{"  \t\n 77", 77}, HandleCase{"12abc", 12},
                      HandleCase{"abc", 0}, HandleCase{"-42", -42}, HandleCase{"+42", 42},
                      HandleCase{"2.5", 2}, HandleCase{"3.5", 4}, HandleCase{"2.51", 3}, HandleCase{"-2.5", -2},
                      HandleCase{".5", 0}, HandleCase{"1.5e3", 1500}, HandleCase{"1e", 1}, HandleCase{"12e+", 12},
                      HandleCase{"1d2", 100}, HandleCase{"4 e 1", 40}, HandleCase{"\r12", 0},
                      HandleCase{"2147483647", 2147483647}, HandleCase{"-2147483648", -2147483648},
                      HandleCase{"2147483648", 0}, HandleCase{"1e400", 0}, HandleCase{"+-5", 0},
                      HandleCase{".", 0}, HandleCase{"0x10", 0}));

TEST(TextAfterSwitch, IsEverythingAfterTheFirstTwoCharacters)
{
    EXPECT_EQ(TextAfterSwitch("/p 1234"), " 1234");
    EXPECT_EQ(TextAfterSwitch("/p"), "");
    EXPECT_EQ(TextAfterSwitch("/"), "");
    EXPECT_EQ(ReadWindowHandle(TextAfterSwitch("/p:1234")), 0);
}

TEST(HostedRequestOf, WholeArgumentsNameTheWindowToDrawInto)
{
    using Target = HostedRequest::Target;
    struct Case {
        std::vector<std::string> arguments;
        const char* variable; // XSCREENSAVER_WINDOW, or null when unset
        std::optional<Target> target;
        std::uint32_t window;
    };
    const Case cases[] = {
        {{"--root"}, nullptr, Target::Root, 0},
        {{"-root"}, "0x4A00007", Target::Window, 0x4A00007},
        {{"--root"}, "", Target::Root, 0},
        {{"-window-id", "1234"}, "0x10", Target::Window, 1234},
        {{"--root", "--window-id", "0X1f"}, "77", Target::Window, 0x1f},
        {{"--window-id", "0x"}, nullptr, Target::Bad, 0},
        {{"--window-id", "0"}, nullptr, Target::Bad, 0},
        {{"--window-id", "4294967296"}, nullptr, Target::Bad, 0},
        {{"-window-id"}, nullptr, Target::Bad, 0},
        {{"--root"}, "window", Target::Bad, 0},
        // Not a hosted request: the role switch decides.
        {{}, "0x10", std::nullopt, 0},
        {{"/s"}, "0x10", std::nullopt, 0},
        {{"--root", "/s"}, nullptr, std::nullopt, 0},
        {{"--root=1"}, nullptr, std::nullopt, 0},
    };
    for (const Case& c : cases) {
        const std::string described = c.arguments.empty() ? "" : c.arguments.front() + "...";
        const std::optional<HostedRequest> request = HostedRequestOf(c.arguments, c.variable);
        ASSERT_EQ(request.has_value(), c.target.has_value()) << described;
        if (request) {
            EXPECT_EQ(request->target, *c.target) << described;
            EXPECT_EQ(request->window, c.window) << described;
        }
    }
}

} // namespace
} // namespace framory::core
