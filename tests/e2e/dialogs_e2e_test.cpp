// The dialogs under a window manager (Openbox, which puts a frame with a
// title bar around each): every dialog comes up with its outer frame, not
// just its inside, centred on the screen.
#include <gtest/gtest.h>

#include <QRect>

#include "support/program_under_test.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;
using framory::testing::WaitUntil;
using framory::testing::XDisplay;

// The id of the visible window whose title starts with `title`, or 0.
Window visible_window(const std::string& title)
{
    std::string ids;
    if (FILE* out = ::popen(("xdotool search --onlyvisible --name '^" + title + "' 2>/dev/null").c_str(), "r")) {
        for (int c = std::fgetc(out); c != EOF; c = std::fgetc(out)) {
            ids.push_back(static_cast<char>(c));
        }
        ::pclose(out);
    }
    return std::strtoul(ids.c_str(), nullptr, 10);
}

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

TEST(DialogsE2E, EachDialogIsCentredByItsOuterFrame)
{
    framory::testing::XServer server;
    ASSERT_TRUE(server.started());
    framory::testing::WindowManager wm;
    ASSERT_TRUE(wm.ready());
    XDisplay x;
    char pattern[] = "/tmp/framory-e2e-dialogs-XXXXXX";
    const fs::path home = ::mkdtemp(pattern);

    const auto check = [&](const std::string& title) {
        Window window = 0;
        ASSERT_TRUE(WaitUntil([&] { return (window = visible_window(title)) != 0; })) << title;
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
    for (const auto& [button_y, title] : {std::pair{46, "Add Or Remove Folders"}, std::pair{115, "Screen Saver Options"}}) {
        framory::testing::ProgramUnderTest hub(FRAMORY_BINARY, {"/C"}, home);
        check("Framory - v");
        ASSERT_EQ(std::system(("xdotool mousemove --window " + std::to_string(visible_window("Framory - v")) +
                               " 399 " + std::to_string(button_y) + " click 1")
                                  .c_str()),
                  0);
        check(title);
    }
    {
        framory::testing::ProgramUnderTest change_password(FRAMORY_BINARY, {"/A"}, home);
        check("Change  Password");
    }
    fs::remove_all(home);
}

} // namespace
