#include "core/startup/helpers.h"

#include "support/fake_platform.h"

#include <gtest/gtest.h>

namespace framory::core {
namespace {

using namespace framory::testing;

TEST(CenterForm, CentresInSinglePrecisionAndLetsMessagesRun)
{
    struct Case {
        double screen_width, screen_height, width, height, left, top;
    };
    const Case cases[] = {{15360, 11520, 4800, 3601, 5280, 3959.5},
                          {9600, 7200, 12000, 9000, -1200, -900}, // larger than the screen
                          // 16777217 is the first whole number a float cannot hold.
                          {16777217.0 * 2, 0, 0, 0, 33554432.0 / 2, 0}};
    for (const Case& c : cases) {
        FakeScreen screen;
        screen.width = c.screen_width;
        screen.height = c.screen_height;
        FakePump pump;
        FakeMovable window;
        window.width = c.width;
        window.height = c.height;
        CenterForm(window, screen, pump);
        EXPECT_DOUBLE_EQ(window.left, c.left);
        EXPECT_DOUBLE_EQ(window.top, c.top);
        EXPECT_EQ(pump.pending_runs, 1);
    }
}

TEST(GetWindowsDir, EndsInOneSeparatorAndFailureGivesTheRoot)
{
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"/data/framory", "/data/framory/"},
        {"/data/framory/", "/data/framory/"},
        {std::nullopt, "/"},
        {"", "/"},
        {"/" + std::string(300, 'x'), "/" + std::string(300, 'x') + "/"}};
    for (const auto& [windows, expected] : cases) {
        FakeSystem system;
        system.windows = windows ? std::optional(native(*windows)) : std::nullopt;
        EXPECT_EQ(GetWindowsDir(system), native(expected));
    }
    FakeWindows windows;
    windows.titles = {"screen saver running"};
    EXPECT_FALSE(NoWindowTitled(windows, "screen saver running"));
    EXPECT_TRUE(NoWindowTitled(windows, "Screen Saver Running "));
}

TEST(Pointer, ShowAndHideReachTheirSideWhateverTheCount)
{
    struct Case {
        int start, after_show, after_hide;
    };
    for (const Case c : {Case{-5, 0, -6}, Case{0, 1, -1}, Case{3, 4, -1}, Case{-1, 0, -2}}) {
        FakeCursor shown, hidden;
        shown.count = hidden.count = c.start;
        ShowPointer(shown);
        HidePointer(hidden);
        EXPECT_EQ(std::make_pair(shown.count, hidden.count), std::make_pair(c.after_show, c.after_hide)) << c.start;
    }
    class StuckCursor : public CursorService {
    public:
        int calls = 0;
        int show_cursor(Request) override { return ++calls, 0; }
    } stuck;
    HidePointer(stuck);
    EXPECT_GT(stuck.calls, 1000) << "a count that never moves does not hold the program";
}

TEST(SaverState, OnHoldsTheSystemsSaverOffAndOffRestoresItInTheProfile)
{
    class RecordingSaver : public SaverSystem {
    public:
        std::vector<std::string> calls;
        std::uint32_t running = 0;
        void set_screen_saver_running(bool on, std::uint32_t& previous, std::uint32_t flags) override
        {
            calls.push_back(std::string("running=") + (on ? "1" : "0") + " flags=" + std::to_string(flags));
            previous = running;
            running = on ? 1u : 0u;
        }
        void set_screen_saver_active(bool active, std::uint32_t&, std::uint32_t flags) override
        {
            calls.push_back(std::string("active=") + (active ? "1" : "0") + " flags=" + std::to_string(flags));
        }
    } saver;
    SaverStateOn(saver);
    SaverStateOff(saver);
    EXPECT_EQ(saver.calls, (std::vector<std::string>{"running=1 flags=0", "active=0 flags=0", "running=0 flags=0",
                                                     "active=1 flags=1"}));
}

TEST(ProgramFile, BaseNameComparedWithoutCaseOrExtension)
{
    const std::pair<const char*, bool> cases[] = {
        {"/usr/bin/framory", true},  {"/usr/bin/Framory.scr", true}, {"/x/FRAMORY.EXE", true},
        {"framory", true},           {"/x/framory.old.scr", false},  {"/x/framory2", false},
        {"/framory.d/other", false}, {"/x/.framory", false},         {"/x/frame", false}};
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(IsFramoryProgramFile(native(path)), expected) << path;
    }
}

} // namespace
} // namespace framory::core
