// The show as a lock: the real program on a private X server of each test's
// own, under a real window manager, next to a brightly coloured window of
// another client that records every key it receives. The test tries the
// ways around a lock a person (or a program) would.
#include "support/e2e_test.h"

#include <X11/Xatom.h>

#include <atomic>
#include <fstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::Sh;
using framory::testing::VisibleWindow;
using framory::testing::WaitUntil;
using framory::testing::XDisplay;

constexpr const char* kShowTitle = "screen saver running";
constexpr const char* kPromptTitle = "Screen Saver Password";
// A colour no blend of the show's picture (red, green, yellow and blue
// quarters on black) can make.
constexpr QRgb kBright = 0xff11ee99;

// Pixels of the bright colour on the screen, within `area`.
int bright_pixels(QRect area = QRect(0, 0, 1280, 800))
{
    const QImage shot = framory::testing::GrabScreen(area);
    return shot.isNull() ? -1 : framory::testing::CountPixels(shot, kBright);
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
        attributes.background_pixel = kBright & 0xffffff;
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
        WaitUntil([] { return VisibleWindow("bright") != 0; });
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

class LockE2E : public framory::testing::E2ETest {
protected:
    // The desktop's lock switch on, and the saver password "TULIPS" or none.
    void settings(bool password)
    {
        framory::testing::WriteShowSettings(
            m_home, std::string("scene_delay=60\ngradient=0\nborder_active=0\neffect_delay=2\neffect_speed=1\n"
                                "scale_flag=85\n") +
                        (password ? "misc=wbzfzawbxhwg\n" : ""));
        std::ofstream(m_home / ".xscreensaver") << "lock: True\n";
    }

    // The show has the screen: keyboard taken, nothing bright in sight.
    bool locked_up()
    {
        return WaitUntil([this] { return !keyboard_free(m_x) && bright_pixels() == 0; });
    }

    XDisplay m_x;
};

TEST_F(LockE2E, UnderAWindowManagerOnlyThePasswordEndsTheShow)
{
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    BrightWindow bright;
    settings(true);
    auto show = start_show();
    ASSERT_TRUE(locked_up());

    framory::testing::SendCloseRequest(m_x.get(), VisibleWindow(kShowTitle));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) != 0; })) << "a close request asks for the password";
    ASSERT_TRUE(Sh("xdotool key Escape"));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) == 0; }));

    // The window manager's keys never reach it; a workspace switch from
    // outside leaves nothing of the desktop in sight.
    ASSERT_TRUE(Sh("xdotool key alt+F4 ctrl+alt+Right super F1 && wmctrl -s 1"));
    EXPECT_TRUE(WaitUntil([&] { return Sh("xprop -root _NET_CURRENT_DESKTOP | grep -q '= 1$'"); }));
    BrightWindow intruder(false); // mapped on top by a client, out of the window manager's hands
    EXPECT_TRUE(locked_up()) << "the show is back on top, on the new workspace";
    EXPECT_NE(VisibleWindow(kShowTitle), 0u);
    EXPECT_EQ(VisibleWindow(kPromptTitle), 0u) << "keys that type nothing do not ask to end the show";

    // Alt+Tab types a tab, which asks for the password like any character.
    ASSERT_TRUE(Sh("xdotool key alt+Tab"));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) != 0; }));
    EXPECT_FALSE(keyboard_free(m_x)) << "still grabbed while the prompt is up";
    ASSERT_TRUE(Sh("xdotool type tulips && xdotool key Return"));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
    EXPECT_EQ(bright.keys(), 0) << "no key reached the other window";
    EXPECT_TRUE(keyboard_free(m_x)) << "the grab ends with the show";
}

TEST_F(LockE2E, WithTheLockOnButNoPasswordACloseRequestEndsTheShowLikeAKey)
{
    settings(false);
    auto show = start_show();
    ASSERT_TRUE(WaitUntil([&] { return !keyboard_free(m_x); }));
    framory::testing::SendCloseRequest(m_x.get(), VisibleWindow(kShowTitle));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
}

TEST_F(LockE2E, EveryMonitorIsCoveredAsMonitorsComeAndGo)
{
    ASSERT_TRUE(Sh("xrandr --setmonitor '*left' 640/170x800/210+0+0 screen && "
                   "xrandr --setmonitor right 640/170x800/210+640+0 none >/dev/null"));
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    BrightWindow bright;
    settings(true);
    auto show = start_show();
    ASSERT_TRUE(locked_up()) << "both monitors covered";

    const QRect right(640, 0, 640, 800);
    ASSERT_TRUE(Sh("xrandr --delmonitor right >/dev/null"));
    EXPECT_TRUE(WaitUntil([&] { return bright_pixels(right) > 0; })) << "the cover of a removed monitor goes";
    ASSERT_TRUE(Sh("xrandr --setmonitor right 640/170x800/210+640+0 none >/dev/null"));
    EXPECT_TRUE(WaitUntil([&] { return bright_pixels(right) == 0; })) << "a new monitor is covered";

    // A click on the second monitor asks for the password, on the primary.
    ASSERT_TRUE(Sh("xdotool mousemove 960 400 click 1"));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) != 0; }));
    XWindowAttributes prompt{};
    XGetWindowAttributes(m_x.get(), VisibleWindow(kPromptTitle), &prompt);
    EXPECT_LE(prompt.x + prompt.width, 640) << "the prompt is on the primary monitor";
    ASSERT_TRUE(Sh("xdotool type tulips && xdotool key Return"));
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
            Sh("xdotool key p");
            return WaitUntil([] { return VisibleWindow("Framory") != 0; }, 1s);
        },
        20s));
    EXPECT_FALSE(keyboard_free(m_x));
    ASSERT_TRUE(Sh("xdotool key Return"));
    EXPECT_TRUE(WaitUntil([] { return VisibleWindow("Framory") == 0; }));
    EXPECT_TRUE(locked_up()) << "still locked after the message";
    EXPECT_TRUE(show->running());
    EXPECT_EQ(bright.keys(), 0);
}

TEST_F(LockE2E, ThePromptTimingOutTakesItsWrongPasswordMessageAlong)
{
    settings(true);
    auto show = start_show({"FRAMORY_PROMPT_TIMEOUT_MS=3000"});
    ASSERT_TRUE(locked_up());
    ASSERT_TRUE(Sh("xdotool key x"));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) != 0; }));
    ASSERT_TRUE(Sh("xdotool type rose && xdotool key Return"));
    ASSERT_TRUE(WaitUntil([] { return VisibleWindow("Passwords") != 0; }));
    EXPECT_TRUE(WaitUntil([] { return VisibleWindow("Passwords") == 0 && VisibleWindow(kPromptTitle) == 0; }));
    EXPECT_TRUE(show->running()) << "the show goes on";
    EXPECT_FALSE(keyboard_free(m_x));
    ASSERT_TRUE(Sh("xdotool key x"));
    EXPECT_TRUE(WaitUntil([] { return VisibleWindow(kPromptTitle) != 0; })) << "and asks again";
}

TEST_F(LockE2E, AGrabHeldElsewhereIsReportedOnceAndAWindowRaisedAgainAndAgainNeverHangsTheShow)
{
    settings(false);
    BrightWindow raiser(false);
    std::atomic<bool> raising{true};
    std::thread fight([&] {
        while (raising) {
            raiser.raise();
            // Another client's pace of raising, not a wait for anything.
            std::this_thread::sleep_for(10ms);
        }
    });
    ASSERT_EQ(XGrabKeyboard(m_x.get(), m_x.root(), False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XSync(m_x.get(), False);
    auto show = start_show();
    const auto errors = [this] { return framory::testing::ReadFile(m_home / "stderr.txt"); };
    EXPECT_TRUE(
        WaitUntil([&] { return errors().find("framory: could not grab the keyboard") != std::string::npos; }, 15s));
    XUngrabKeyboard(m_x.get(), CurrentTime);
    XSync(m_x.get(), False);
    EXPECT_TRUE(WaitUntil([&] { return !keyboard_free(m_x); })) << "the show takes the keyboard once it is free";
    ASSERT_TRUE(Sh("xdotool key x"));
    EXPECT_EQ(show->wait_for_exit(10s), 0);
    raising = false;
    fight.join();
    const std::string text = errors();
    EXPECT_EQ(text.find("framory:"), text.rfind("framory:")) << "reported once: " << text;
}

} // namespace
