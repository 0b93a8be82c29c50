// The show as the desktop starts it: as the command of an idle or lock tool,
// drawn into a plain X window named on the command line, and run by the
// XScreenSaver daemon as its only display mode. Each test has an X server
// of its own with a 1280x800 screen.
#include "support/e2e_test.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::ColourDistance;
using framory::testing::GrabScreen;
using framory::testing::Sh;
using framory::testing::WaitUntil;

// The show of one picture of four coloured quarters, filling the space it
// is given, without frame, gradient or caption.
class DesktopE2E : public framory::testing::E2ETest {
protected:
    void SetUp() override
    {
        E2ETest::SetUp();
        framory::testing::WriteShowSettings(m_home, "scene_delay=60\ngradient=0\neffect_delay=2\neffect_speed=1\n"
                                                    "scale_flag=100\nborder_active=0\nshow_filenames=0\nwallpaper=1\n"
                                                    "sound_on=1\n");
    }

    // Whether the picture fills the rectangle, as 4:3 fits it.
    static bool shows_picture_in(const QImage& screen, const QRect& r)
    {
        return ColourDistance(screen.pixel(r.left() + r.width() / 4, r.top() + r.height() / 4), qRgb(255, 0, 0)) < 24 &&
               ColourDistance(screen.pixel(r.left() + r.width() * 3 / 4, r.top() + r.height() * 3 / 4),
                              qRgb(0, 0, 255)) < 24;
    }
};

TEST_F(DesktopE2E, WindowIdDrawsIntoThatWindowAtItsSizeAndNothingOutsideIt)
{
    const framory::testing::XDisplay connection;
    Display* display = connection.get();
    const Window host = XCreateSimpleWindow(display, connection.root(), 200, 150, 480, 360, 0, 0, 0x336699);
    XMapWindow(display, host);
    XSync(display, False);
    const QImage before = GrabScreen();

    framory::testing::ProgramUnderTest hosted(FRAMORY_BINARY, {"-window-id", std::to_string(host)}, m_home);
    QImage screen;
    ASSERT_TRUE(WaitUntil([&] { return shows_picture_in(screen = GrabScreen(), QRect(200, 150, 480, 360)); }, 15s));
    int changed_outside = 0;
    for (int y = 0; y < screen.height(); ++y) {
        for (int x = 0; x < screen.width(); ++x) {
            const bool inside = x >= 200 && x < 680 && y >= 150 && y < 510;
            changed_outside += !inside && screen.pixel(x, y) != before.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(changed_outside, 0) << "nothing is drawn outside the window";
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists("screen saver running")) << "no show window of its own";

    // The show follows the window's new size.
    XResizeWindow(display, host, 640, 480);
    XSync(display, False);
    EXPECT_TRUE(WaitUntil([&] { return shows_picture_in(GrabScreen(), QRect(200, 150, 640, 480)); }, 15s));

    // The window going away ends the program.
    XDestroyWindow(display, host);
    XSync(display, False);
    EXPECT_TRUE(hosted.wait_for_exit(5s).has_value());
    EXPECT_FALSE(fs::exists(m_home / "data" / "Obelin Framory" / "Velmoria.bmp")) << "no wallpaper is left";

    // A stop request ends it at once and cleanly; an id that names no
    // window ends it with a failure.
    framory::testing::ProgramUnderTest root_show(FRAMORY_BINARY, {"--root"}, m_home);
    ASSERT_TRUE(WaitUntil([&] { return shows_picture_in(GrabScreen(), QRect(106, 0, 1067, 800)); }, 15s));
    ::kill(root_show.pid(), SIGTERM);
    EXPECT_EQ(root_show.wait_for_exit(3s), 0);
    for (const char* id : {"12345", "0x", "nothing"}) {
        framory::testing::ProgramUnderTest bad(FRAMORY_BINARY, {"--window-id", id}, m_home);
        EXPECT_EQ(bad.wait_for_exit(10s), 1) << id;
    }
}

// As the command of xss-lock or xautolock: the show runs until it is
// dismissed and then exits with status 0, and with the desktop's lock
// switch off it ends without asking for the password that is set.
TEST_F(DesktopE2E, AsAnIdleToolsCommandItRunsUntilDismissedAndAsksNoPasswordWithTheLockOff)
{
    std::ofstream(framory::testing::SettingsFile(m_home), std::ios::app) << "misc=wbzfzawbxhwg\n"; // "TULIPS"
    std::ofstream(m_home / ".xscreensaver") << "lock:\t\tFalse\n";
    auto show = start_show();
    EXPECT_FALSE(show->wait_for_exit(1500ms).has_value()) << "it runs until dismissed";
    ASSERT_TRUE(Sh("xdotool key x"));
    EXPECT_EQ(show->wait_for_exit(5s), 0);
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists("Screen Saver Password"));
}

// The daemon refuses to run display modes for root, so a root test runs it
// as an unprivileged user of its own, made on first use; any other user runs
// it as itself.
TEST_F(DesktopE2E, XScreenSaverShowsItAsItsDisplayModeUntilDeactivated)
{
    std::string as_user;
    fs::create_directories(m_home / "run");
    fs::permissions(m_home / "run", fs::perms::owner_all);
    fs::permissions(m_home, fs::perms::owner_all | fs::perms::others_exec);
    std::ofstream(m_home / ".xscreensaver")
        << "mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nunfade: False\n"
        << "timeout: 0:30:00\nprograms: \"Framory\" " << FRAMORY_BINARY << " --root \\n\n";
    if (::getuid() == 0) {
        ASSERT_TRUE(Sh("id -u framory-saver >/dev/null 2>&1 || useradd --system --no-create-home --home-dir "
                       "/nonexistent --shell /usr/sbin/nologin framory-saver"));
        ASSERT_TRUE(Sh("chown -R framory-saver '" + m_home.string() + "'"));
        as_user = "runuser -u framory-saver -- ";
    }
    const char* mark = std::getenv("FRAMORY_TEST_SERVERS");
    const fs::path& h = m_home;
    // The test's server lets every local client in: no authority file.
    const std::string env = "env HOME='" + h.string() + "' DISPLAY='" + std::getenv("DISPLAY") + "' XDG_RUNTIME_DIR='" +
                            (h / "run").string() + "' XDG_CONFIG_HOME='" + (h / "config").string() +
                            "' XDG_DATA_HOME='" + (h / "data").string() + "' FRAMORY_TEST_SERVERS='" +
                            (mark != nullptr ? mark : "") + "' SDL_AUDIODRIVER=dummy QT_QPA_PLATFORM=xcb ";
    const std::string log = (h / "daemon.log").string();
    const std::string pid_file = (h / "daemon.pid").string();
    const auto command = [&](const std::string& request) {
        return Sh(as_user + env + "xscreensaver-command " + request + " >/dev/null 2>&1");
    };
    // The daemon is stopped however the test ends.
    const std::shared_ptr<void> stop(nullptr, [&](void*) {
        command("-exit");
        pid_t pid = 0;
        if (std::ifstream(pid_file) >> pid && pid > 0 && !WaitUntil([&] { return ::kill(pid, 0) != 0; }, 5s)) {
            ::kill(pid, SIGTERM);
        }
        if (HasFailure()) {
            std::cout << std::ifstream(log).rdbuf();
        }
    });
    ASSERT_TRUE(Sh(as_user + env + "xscreensaver --no-splash >'" + log + "' 2>&1 & echo $! >'" + pid_file + "'"));
    ASSERT_TRUE(WaitUntil([&] { return command("-time"); }, 15s)) << "the daemon answers";

    ASSERT_TRUE(command("-activate"));
    EXPECT_TRUE(WaitUntil([&] { return shows_picture_in(GrabScreen(), QRect(106, 0, 1067, 800)); }, 20s))
        << "the picture fills the screen as the daemon's display";
    ASSERT_TRUE(command("-deactivate"));
    // Anchored, so that the shell running pgrep does not match.
    const std::string running = "pgrep -f -- '^" + std::string(FRAMORY_BINARY) + " --root' >/dev/null";
    EXPECT_TRUE(WaitUntil([&] { return !Sh(running); }, 10s)) << "the daemon stopped the show";
    EXPECT_TRUE(WaitUntil([&] { return !shows_picture_in(GrabScreen(), QRect(106, 0, 1067, 800)); }, 10s));
}

} // namespace
