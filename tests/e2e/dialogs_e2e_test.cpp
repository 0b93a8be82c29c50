// The dialogs under a window manager (Openbox, which puts a frame with a
// title bar around each): every dialog comes up with its outer frame, not
// just its inside, centred on the screen.
#include "support/e2e_test.h"

#include <string>

namespace {

using framory::testing::VisibleWindow;
using framory::testing::WaitUntil;
using framory::testing::XDisplay;

// The outer frame of a client window: its ancestor just below the root.
QRect frame_of(const XDisplay& x, Window window)
{
    for (;;) {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        if (XQueryTree(x.get(), window, &root, &parent, &children, &count) == 0) {
            return {};
        }
        if (children != nullptr) {
            XFree(children);
        }
        if (parent == root) {
            break;
        }
        window = parent;
    }
    XWindowAttributes a{};
    XGetWindowAttributes(x.get(), window, &a);
    return QRect(a.x, a.y, a.width + 2 * a.border_width, a.height + 2 * a.border_width);
}

bool centred(const QRect& frame)
{
    const QRect screen(0, 0, 1280, 800);
    return frame.isValid() && frame.size() != screen.size() &&
           std::abs(frame.center().x() - screen.center().x()) <= 1 &&
           std::abs(frame.center().y() - screen.center().y()) <= 1;
}

using DialogsE2E = framory::testing::E2ETest;

TEST_F(DialogsE2E, EachDialogIsCentredByItsOuterFrame)
{
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    const XDisplay x;

    const auto check = [&](const std::string& title) {
        Window window = 0;
        ASSERT_TRUE(WaitUntil([&] { return (window = VisibleWindow(title, false)) != 0; })) << title;
        QRect frame;
        EXPECT_TRUE(WaitUntil([&] { return centred(frame = frame_of(x, window)); }))
            << title << ": frame at " << frame.x() << "," << frame.y() << " size " << frame.width() << "x"
            << frame.height();
        XWindowAttributes inside{};
        XGetWindowAttributes(x.get(), window, &inside);
        EXPECT_GT(frame.height(), inside.height) << title << ": the window manager framed it";
    };

    // The hub, and the dialogs its buttons open (at 5980 twips across, 680
    // and 1725 down).
    for (const auto& [button_y, title] :
         {std::pair{46, "Add Or Remove Folders"}, std::pair{115, "Screen Saver Options"}}) {
        framory::testing::ProgramUnderTest hub(FRAMORY_BINARY, {"/C"}, m_home);
        check("Framory - v");
        ASSERT_TRUE(framory::testing::Sh("xdotool mousemove --window " +
                                         std::to_string(VisibleWindow("Framory - v", false)) + " 399 " +
                                         std::to_string(button_y) + " click 1"));
        check(title);
    }
    {
        framory::testing::ProgramUnderTest change_password(FRAMORY_BINARY, {"/A"}, m_home);
        check("Change  Password");
    }
}

} // namespace
