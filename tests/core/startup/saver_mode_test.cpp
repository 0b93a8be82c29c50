#include "core/startup/saver_mode.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

TEST(SaverMode, TheFirstTwoCharactersUpperCasedChooseTheMode)
{
    struct Case {
        const char* text;
        const char* switch_text;
        SaverMode mode;
    };
    const Case cases[] = {{"", "/C", SaverMode::Configure},        {"/c", "/C", SaverMode::Configure},
                          {"/C:1234", "/C", SaverMode::Configure}, {"/s", "/S", SaverMode::Run},
                          {"/Sxyz", "/S", SaverMode::Run},         {"/p 1234", "/P", SaverMode::Preview},
                          {"/a", "/A", SaverMode::ChangePassword}, {"/X", "/X", SaverMode::None},
                          {"-s", "-S", SaverMode::None},           {"S", "S", SaverMode::None},
                          {" /s", " /", SaverMode::None},          {"/", "/", SaverMode::None}};
    for (const Case& c : cases) {
        EXPECT_EQ(SwitchOf(c.text), c.switch_text) << c.text;
        EXPECT_EQ(ModeOfSwitch(SwitchOf(c.text)), c.mode) << c.text;
    }
    EXPECT_EQ(TextAfterSwitch("/p 1234"), " 1234");
    EXPECT_EQ(TextAfterSwitch("/p"), "");
}

TEST(SaverMode, TheWindowHandleIsTheNumberAfterTheSwitch)
{
    // clang-format off
    const std::pair<const char*, std::int32_t> cases[] = {
        {" 1234", 1234}, {":1234", 0}, {"", 0}, {"1 2\t3\n4", 1234}, {"  \t\n 77", 77}, {"12abc", 12}, {"abc", 0},
        {"-42", -42}, {"+42", 42}, {"2.5", 2}, {"3.5", 4}, {"2.51", 3}, {"-2.5", -2}, {".5", 0}, {"1.5e3", 1500},
        {"1e", 1}, {"12e+", 12}, {"1d2", 100}, {"4 e 1", 40}, {"\r12", 0}, {"2147483647", 2147483647},
        {"-2147483648", -2147483647 - 1}, {"2147483648", 0}, {"1e400", 0}, {"+-5", 0}, {".", 0}, {"0x10", 0}};
    // clang-format on
    for (const auto& [text, handle] : cases) {
        EXPECT_EQ(ReadWindowHandle(text), handle) << "[" << text << "]";
    }
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
