// The show as a lock: the real program on a private X server of each test's
// own, under a real window manager, next to a brightly coloured window of
// another client that records every key it receives. The test tries the
// ways around a lock a person (or a program) would.
#include <gtest/gtest.h>

// Qt (through the first) before Xlib, whose macros clash with Qt's names.
#include "support/program_under_test.h"
#include "support/x_session.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::WaitUntil;
using framory::testing::XDisplay;

constexpr const char* kShowTitle = "screen saver running";
constexpr const char* kPromptTitle = "Screen Saver Password";
// A colour no blend of the show's picture (red, green, yellow and blue
// quarters on black) can make.
constexpr unsigned long kBright = 0x11ee99;

bool sh(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

// The id of the visible window with exactly this title, or 0.
Window visible_window(const std::string& title)
{
    FILE* out = ::popen(("xdotool search --onlyvisible --name '^" + title + "$' 2>/dev/null").c_str(), "r");
    unsigned long id = 0;
    if (out != nullptr) {
        if (std::fscanf(out, "%lu", &id) != 1) {
            id = 0;
        }
        ::pclose(out);
    }
    return id;
}

// Pixels of the bright colour on the screen, within `area`.
int bright_pixels(const XDisplay& x, QRect area = QRect(0, 0, 1280, 800))
{
    XImage* shot = XGetImage(x.get(), x.root(), area.x(), area.y(), static_cast<unsigned>(area.width()),
                             static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (shot == nullptr) {
        return -1;
    }
    int count = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x_pos = 0; x_pos < area.width(); ++x_pos) {
            count += (XGetPixel(shot, x_pos, y) & 0xffffff) == kBright ? 1 : 0;
        }
    }
    XDestroyImage(shot);
    return count;
}

// Whether another client can take the keyboard (it lets go at once).
bool keyboard_free(const XDisplay& x)
{
    const int status = XGrabKeyboard(x.get(), x.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XUngrabKeyboard(x.get(), CurrentTime);
    XSync(x.get(), False);
    return status == GrabSuccess;
}

// An ordinary window of another client: bright, on every workspace, asking
// to stay above others, as big as the screen, counting the keys it gets.
class BrightWindow {
public:
    explicit BrightWindow(bool managed = true)
    {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = kBright;
        attributes.override_redirect = managed ? False : True;
        attributes.event_mask = KeyPressMask;
        m_window = XCreateWindow(m_x.get(), m_x.root(), 0, 0, 1280, 800, 0, CopyFromParent, InputOutput, nullptr,
                                 CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
        const unsigned long all_workspaces = 0xffffffff;
        XChangeProperty(m_x.get(), m_window, m_x.atom("_NET_WM_DESKTOP"), XA_CARDINAL, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&all_workspaces), 1);
        const Atom states[] = {m_x.atom("_NET_WM_STATE_STICKY"), m_x.atom("_NET_WM_STATE_ABOVE")};
        XChangeProperty(m_x.get(), m_window, m_x.atom("_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(states), 2);
        XStoreName(m_x.get(), m_window, "bright");
        XMapRaised(m_x.get(), m_window);
        XSync(m_x.get(), False);
        WaitUntil([this] { return visible_window("bright") != 0; });
    }
    Window id() const { return m_window; }
    void raise()
    {
        XRaiseWindow(m_x.get(), m_window);
        XFlush(m_x.get());
    }
    int keys()
    {
        XEvent event;
        while (XCheckTypedWindowEvent(m_x.get(), m_window, KeyPress, &event)) {
            ++m_keys;
        }
        return m_keys;
    }

private:
    XDisplay m_x;
    Window m_window = 0;
    int m_keys = 0;
};

class LockE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.started());
        m_home = framory::testing::MakeShowHome();
    }
    void TearDown() override { fs::remove_all(m_home); }

    // The desktop's lock switch on and the saver password "TULIPS", or
    // neither.
    void settings(bool locked)
    {
        std::ofstream(m_home / "config" / "Obelin Framory.ini")
            << "[Options]\nfolders_total=1\nfolder1=" << (m_home / "pictures").string()
            << "/\nscene_delay=60\ngradient=0\nborder_active=0\neffect_delay=2\neffect_speed=1\nscale_flag=85\n"
            << (locked ? "misc=wbzfzawbxhwg\n" : "");
        if (locked) {
            std::ofstream(m_home / ".xscreensaver") << "lock: True\n";
        }
    }

    std::unique_ptr<framory::testing::ProgramUnderTest> start_show(std::vector<std::string> env = {})
    {
        env.push_back("HOME=" + m_home.string());
        auto show = std::make_unique<framory::testing::ProgramUnderTest>(
            FRAMORY_BINARY, std::vector<std::string>{"/S"}, m_home, env, m_home / "stderr.txt");
        EXPECT_TRUE(WaitUntil([] { return visible_window(kShowTitle) != 0; }));
        return show;
    }

    // The show has the screen: keyboard taken, nothing bright in sight.
    bool locked_up()
    {
        return WaitUntil([this] { return !keyboard_free(m_x) && bright_pixels(m_x) == 0; });
    }

    std::string errors()
    {
        std::ifstream in(m_home / "stderr.txt");
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    framory::testing::XServer m_server;
    XDisplay m_x;
    fs::path m_home;
};

void send_close_request(const XDisplay& x, Window window)
{
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x.atom("WM_PROTOCOLS");
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(x.atom("WM_DELETE_WINDOW"));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(x.get(), window, False, NoEventMask, &event);
    XSync(x.get(), False);
}

TEST_F(LockE2E, UnderAWindowManagerOnlyThePasswordEndsTheShow)
{
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    BrightWindow bright;
    settings(true);
    auto show = start_show();
    ASSERT_TRUE(locked_up());

    send_close_request(m_x, visible_window(kShowTitle));
    ASSERT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) != 0; })) << "a close request asks for the password";
    ASSERT_TRUE(sh("xdotool key Escape"));
    ASSERT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) == 0; }));

    // The window manager's keys never reach it; a workspace switch from
    // outside leaves nothing of the desktop in sight.
    ASSERT_TRUE(sh("xdotool key alt+F4 ctrl+alt+Right super F1 && wmctrl -s 1"));
    EXPECT_TRUE(WaitUntil([&] { return sh("xprop -root _NET_CURRENT_DESKTOP | grep -q '= 1$'"); }));
    BrightWindow intruder(false); // mapped on top by a client, out of the window manager's hands
    EXPECT_TRUE(locked_up()) << "the show is back on top, on the new workspace";
    EXPECT_NE(visible_window(kShowTitle), 0u);
    EXPECT_EQ(visible_window(kPromptTitle), 0u) << "keys that type nothing do not ask to end the show";

    // Alt+Tab types a tab, which asks for the password like any character.
    ASSERT_TRUE(sh("xdotool key alt+Tab"));
    ASSERT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) != 0; }));
    EXPECT_FALSE(keyboard_free(m_x)) << "still grabbed while the prompt is up";
    ASSERT_TRUE(sh("xdotool type tulips && xdotool key Return"));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
    EXPECT_EQ(bright.keys(), 0) << "no key reached the other window";
    EXPECT_TRUE(keyboard_free(m_x)) << "the grab ends with the show";
}

TEST_F(LockE2E, WithoutAPasswordACloseRequestEndsTheShowLikeAKey)
{
    settings(false);
    auto show = start_show();
    ASSERT_TRUE(WaitUntil([&] { return !keyboard_free(m_x); }));
    send_close_request(m_x, visible_window(kShowTitle));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
}

TEST_F(LockE2E, EveryMonitorIsCoveredAsMonitorsComeAndGo)
{
    ASSERT_TRUE(sh("xrandr --setmonitor '*left' 640/170x800/210+0+0 screen && "
                   "xrandr --setmonitor right 640/170x800/210+640+0 none >/dev/null"));
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    BrightWindow bright;
    settings(true);
    auto show = start_show();
    ASSERT_TRUE(locked_up()) << "both monitors covered";

    const QRect right(640, 0, 640, 800);
    ASSERT_TRUE(sh("xrandr --delmonitor right >/dev/null"));
    EXPECT_TRUE(WaitUntil([&] { return bright_pixels(m_x, right) > 0; })) << "the cover of a removed monitor goes";
    ASSERT_TRUE(sh("xrandr --setmonitor right 640/170x800/210+640+0 none >/dev/null"));
    EXPECT_TRUE(WaitUntil([&] { return bright_pixels(m_x, right) == 0; })) << "a new monitor is covered";

    // A click on the second monitor asks for the password, on the primary.
    ASSERT_TRUE(sh("xdotool mousemove 960 400 click 1"));
    ASSERT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) != 0; }));
    XWindowAttributes prompt{};
    XGetWindowAttributes(m_x.get(), visible_window(kPromptTitle), &prompt);
    EXPECT_LE(prompt.x + prompt.width, 640) << "the prompt is on the primary monitor";
    ASSERT_TRUE(sh("xdotool type tulips && xdotool key Return"));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
}

TEST_F(LockE2E, ThePrinterMessageIsAnsweredWithEnterAndTheScreenStaysLocked)
{
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    BrightWindow bright;
    settings(true);
    auto show = start_show({"CUPS_SERVER=" + (m_home / "no-cups.sock").string()});
    ASSERT_TRUE(locked_up());
    // "P" prints only while a picture is held; it is pressed until the
    // message comes.
    ASSERT_TRUE(WaitUntil(
        [] {
            sh("xdotool key p");
            return WaitUntil([] { return visible_window("Framory") != 0; }, 1s);
        },
        20s));
    EXPECT_FALSE(keyboard_free(m_x));
    ASSERT_TRUE(sh("xdotool key Return"));
    EXPECT_TRUE(WaitUntil([] { return visible_window("Framory") == 0; }));
    EXPECT_TRUE(locked_up()) << "still locked after the message";
    EXPECT_TRUE(show->running());
    EXPECT_EQ(bright.keys(), 0);
}

TEST_F(LockE2E, ThePromptTimingOutTakesItsWrongPasswordMessageAlong)
{
    settings(true);
    auto show = start_show({"FRAMORY_PROMPT_TIMEOUT_MS=3000"});
    ASSERT_TRUE(locked_up());
    ASSERT_TRUE(sh("xdotool key x"));
    ASSERT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) != 0; }));
    ASSERT_TRUE(sh("xdotool type rose && xdotool key Return"));
    ASSERT_TRUE(WaitUntil([] { return visible_window("Passwords") != 0; }));
    EXPECT_TRUE(WaitUntil([] { return visible_window("Passwords") == 0 && visible_window(kPromptTitle) == 0; }));
    EXPECT_TRUE(show->running()) << "the show goes on";
    EXPECT_FALSE(keyboard_free(m_x));
    ASSERT_TRUE(sh("xdotool key x"));
    EXPECT_TRUE(WaitUntil([] { return visible_window(kPromptTitle) != 0; })) << "and asks again";
}

TEST_F(LockE2E, AGrabHeldElsewhereIsReportedOnceAndAWindowRaisedAgainAndAgainNeverHangsTheShow)
{
    settings(false);
    BrightWindow raiser(false);
    std::atomic<bool> raising{true};
    std::thread fight([&] {
        while (raising) {
            raiser.raise();
            std::this_thread::sleep_for(10ms);
        }
    });
    ASSERT_EQ(XGrabKeyboard(m_x.get(), m_x.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XSync(m_x.get(), False);
    auto show = start_show();
    EXPECT_TRUE(WaitUntil([&] { return errors().find("framory: could not grab the keyboard") != std::string::npos; },
                          15s));
    XUngrabKeyboard(m_x.get(), CurrentTime);
    XSync(m_x.get(), False);
    EXPECT_TRUE(WaitUntil([&] { return !keyboard_free(m_x); })) << "the show takes the keyboard once it is free";
    ASSERT_TRUE(sh("xdotool key x"));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
    raising = false;
    fight.join();
    const std::string text = errors();
    EXPECT_EQ(text.find("framory:"), text.rfind("framory:")) << "reported once: " << text;
}

} // namespace
