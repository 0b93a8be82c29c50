// The desktop services against a real X server, each test's own.
// Google Test comes first: Xlib defines macros (None) that clash with its names.
#include <gtest/gtest.h>

#include "qt/platform/desktop_services.h"
#include "qt/platform/display_profile.h"

#include "core/startup/helpers.h"
#include "support/x_session.h"

#include <X11/Xatom.h>

#include <string>

namespace framory::qt {
namespace {

class X11Test : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(m_display, nullptr) << "the test needs an X server"; }

    Window make_window(Window parent)
    {
        const Window w = XCreateSimpleWindow(m_display, parent, 0, 0, 10, 10, 0, 0, 0);
        XSync(m_display, False);
        return w;
    }
    Window root() const { return DefaultRootWindow(m_display); }

    framory::testing::XServer m_server;
    framory::testing::XDisplay m_x;
    Display* m_display = m_x.get();
};

// A top-level window named the old way, and a client window inside a
// window manager's frame named in UTF-8: each is found while it lives.
TEST_F(X11Test, FindsAWindowByItsOldStyleOrItsReparentedUtf8Name)
{
    DesktopWindowFinder finder(DisplayKind::X11);
    EXPECT_TRUE(core::NoWindowTitled(finder, "screen saver running"));
    const Window plain = make_window(root());
    XStoreName(m_display, plain, "screen saver running");
    const Window frame = make_window(root());
    const std::string title = "Caf\xc3\xa9 show";
    XChangeProperty(m_display, make_window(frame), m_x.atom("_NET_WM_NAME"), m_x.atom("UTF8_STRING"), 8,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(title.data()),
                    static_cast<int>(title.size()));
    XSync(m_display, False);
    EXPECT_FALSE(core::NoWindowTitled(finder, "screen saver running"));
    EXPECT_TRUE(core::NoWindowTitled(finder, "screen saver"));
    EXPECT_FALSE(core::NoWindowTitled(finder, title));
    XDestroyWindow(m_display, plain);
    XDestroyWindow(m_display, frame);
    XSync(m_display, False);
    EXPECT_TRUE(core::NoWindowTitled(finder, "screen saver running"));
    EXPECT_TRUE(core::NoWindowTitled(finder, title));
}

TEST_F(X11Test, TheScreensColourProfileIsReadFromTheRootOnlyAsBytes)
{
    EXPECT_TRUE(DisplayIccProfile(m_display).empty()) << "none published";
    const Atom property = XInternAtom(m_display, "_ICC_PROFILE", False);
    const std::string profile(70000, '\x5a'); // larger than one reply chunk
    XChangeProperty(m_display, root(), property, XA_CARDINAL, 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(profile.data()), static_cast<int>(profile.size()));
    XSync(m_display, False);
    const std::vector<std::uint8_t> read = DisplayIccProfile(m_display);
    EXPECT_EQ(std::string(read.begin(), read.end()), profile);
    // Not 8-bit items: not a profile.
    const long words[2] = {1, 2};
    XChangeProperty(m_display, root(), property, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(words), 2);
    XSync(m_display, False);
    EXPECT_TRUE(DisplayIccProfile(m_display).empty());
    EXPECT_TRUE(DisplayIccProfile(nullptr).empty());
}

} // namespace
} // namespace framory::qt
