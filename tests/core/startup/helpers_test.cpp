#include "core/startup/helpers.h"

#include "support/fake_platform.h"

#include <gtest/gtest.h>

#include <vector>

namespace framory::core {
namespace {

using framory::testing::FakeCursor;
using framory::testing::FakePump;
using framory::testing::FakeScreen;
using framory::testing::FakeSystem;
using framory::testing::FakeWindows;

class FakeWindow : public MovableWindow {
public:
    double width = 0;
    double height = 0;
    double left = -1;
    double top = -1;
    int moves = 0;
    double width_twips() override { return width; }
    double height_twips() override { return height; }
    void move_to_twips(double l, double t) override
    {
        left = l;
        top = t;
        ++moves;
    }
};

TEST(CenterForm, CentresAndLetsMessagesRun)
{
    FakeScreen screen;
    screen.width = 15360;
    screen.height = 11520;
    FakePump pump;
    FakeWindow window;
    window.width = 4800;
    window.height = 3601;
    CenterForm(window, screen, pump);
    EXPECT_EQ(window.moves, 1);
    EXPECT_DOUBLE_EQ(window.left, 5280.0);
    EXPECT_DOUBLE_EQ(window.top, 3959.5);
    EXPECT_EQ(pump.pending_runs, 1);
}

TEST(CenterForm, WindowLargerThanScreenGetsNegativePlace)
{
    FakeScreen screen;
    screen.width = 9600;
    screen.height = 7200;
    FakePump pump;
    FakeWindow window;
    window.width = 12000;
    window.height = 9000;
    CenterForm(window, screen, pump);
    EXPECT_DOUBLE_EQ(window.left, -1200.0);
    EXPECT_DOUBLE_EQ(window.top, -900.0);
}

TEST(CenterForm, UsesSinglePrecision)
{
    // 16777217 is the first whole number a float cannot hold: single
    // precision rounds it to 16777216, double would keep it.
    FakeScreen screen;
    screen.width = 16777217.0 * 2;
    screen.height = 0;
    FakePump pump;
    FakeWindow window;
    window.width = 0;
    window.height = 0;
    CenterForm(window, screen, pump);
    EXPECT_DOUBLE_EQ(window.left, 33554432.0 / 2);
}

TEST(GetWindowsDir, AddsSeparatorOnlyWhenMissing)
{
    FakeSystem system;
    system.windows = "/data/framory";
    EXPECT_EQ(GetWindowsDir(system), "/data/framory/");
    system.windows = "/data/framory/";
    EXPECT_EQ(GetWindowsDir(system), "/data/framory/");
}

TEST(GetWindowsDir, FailureGivesALoneSeparator)
{
    FakeSystem system;
    system.windows = std::nullopt;
    EXPECT_EQ(GetWindowsDir(system), "/");
    system.windows = std::string();
    EXPECT_EQ(GetWindowsDir(system), "/");
}

TEST(GetWindowsDir, KeepsLongFolderNamesWhole)
{
    FakeSystem system;
    system.windows = "/" + std::string(300, 'x');
    EXPECT_EQ(GetWindowsDir(system).size(), 302u);
}

TEST(NoWindowTitled, TrueOnlyWhenNoWindowHasTheTitle)
{
    FakeWindows windows;
    EXPECT_TRUE(NoWindowTitled(windows, "screen saver running"));
    windows.titles = {"screen saver running"};
    EXPECT_FALSE(NoWindowTitled(windows, "screen saver running"));
    EXPECT_TRUE(NoWindowTitled(windows, "Screen Saver Running "));
}

TEST(Pointer, HideTwiceLeavesCountJustBelowZeroEachTime)
{
    FakeCursor cursor;
    HidePointer(cursor);
    EXPECT_EQ(cursor.count, -1);
    HidePointer(cursor);
    EXPECT_EQ(cursor.count, -2);
    ShowPointer(cursor);
    EXPECT_EQ(cursor.count, 0);
}

TEST(Pointer, LoopsReachTheWantedSideWhateverTheCount)
{
    struct Case {
        int start;
        int after_show;
        int after_hide;
    };
    for (const Case c : std::vector<Case>{{-5, 0, -6}, {0, 1, -1}, {3, 4, -1}, {-1, 0, -2}}) {
        FakeCursor shown;
        shown.count = c.start;
        ShowPointer(shown);
        EXPECT_EQ(shown.count, c.after_show) << "start " << c.start;
        FakeCursor hidden;
        hidden.count = c.start;
        HidePointer(hidden);
        EXPECT_EQ(hidden.count, c.after_hide) << "start " << c.start;
    }
}

TEST(Pointer, BrokenCountDoesNotHoldTheProgram)
{
    class StuckCursor : public CursorService {
    public:
        int calls = 0;
        int show_cursor(Request) override
        {
            ++calls;
            return 0;
        }
    } stuck;
    HidePointer(stuck);
    EXPECT_GT(stuck.calls, 1000);
}

class RecordingSaver : public SaverSystem {
public:
    struct Call {
        std::string action;
        bool value;
        std::uint32_t flags;
        const std::uint32_t* data;
    };
    std::vector<Call> calls;
    std::uint32_t running = 0;

    void set_screen_saver_running(bool on, std::uint32_t& previous, std::uint32_t flags) override
    {
        calls.push_back({"running", on, flags, &previous});
        previous = running;
        running = on ? 1u : 0u;
    }
    void set_screen_saver_active(bool active, std::uint32_t& data, std::uint32_t flags) override
    {
        calls.push_back({"active", active, flags, &data});
    }
};

TEST(SaverState, OnThenOffPassThePreviousRunningStateAsUpdateFlags)
{
    RecordingSaver saver;
    SaverStateOn(saver);
    ASSERT_EQ(saver.calls.size(), 2u);
    EXPECT_EQ(saver.calls[0].action, "running");
    EXPECT_TRUE(saver.calls[0].value);
    EXPECT_EQ(saver.calls[0].flags, 0u);
    EXPECT_EQ(saver.calls[1].action, "active");
    EXPECT_FALSE(saver.calls[1].value);
    EXPECT_EQ(saver.calls[1].flags, 0u);
    EXPECT_EQ(saver.calls[0].data, saver.calls[1].data) << "one variable serves both calls";

    SaverStateOff(saver);
    ASSERT_EQ(saver.calls.size(), 4u);
    EXPECT_EQ(saver.calls[2].action, "running");
    EXPECT_FALSE(saver.calls[2].value);
    EXPECT_EQ(saver.calls[2].flags, 0u);
    EXPECT_EQ(saver.calls[3].action, "active");
    EXPECT_TRUE(saver.calls[3].value);
    EXPECT_EQ(saver.calls[3].flags, 1u) << "switching off after a show writes the profile";
}

TEST(ProgramFile, BaseNameComparedWithoutCaseOrExtension)
{
    struct Case {
        const char* path;
        bool expected;
    };
    for (const Case c : std::vector<Case>{{"/usr/bin/framory", true},
                                          {"/usr/bin/Framory.scr", true},
                                          {"/x/FRAMORY.EXE", true},
                                          {"framory", true},
                                          {"/x/framory.old.scr", false},
                                          {"/x/framory2", false},
                                          {"/framory.d/other", false},
                                          {"/x/.framory", false},
                                          {"/x/frame", false}}) {
        EXPECT_EQ(IsFramoryProgramFile(c.path), c.expected) << c.path;
    }
}

} // namespace
} // namespace framory::core
