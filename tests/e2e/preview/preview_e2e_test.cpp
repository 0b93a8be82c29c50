// The real program in preview mode under a private X server: the test plays
// the host's part, making the pane window with Xlib, then watches the
// picture arrive, and destroys the pane or asks the box to close.
#include <gtest/gtest.h>

#include "qt/forms/artwork.h"
#include "qt/forms/frm_preview.h"
#include "support/program_under_test.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::WaitUntil;

constexpr int kPaneWidth = 200;
constexpr int kPaneHeight = 160;
constexpr unsigned long kPaneColour = 0xff00ff; // magenta: whatever the box leaves uncovered shows
constexpr const char* kSettings = "[Options]\nscene_delay=7\nmisc=\nfolders_total=0\n";

// The host's side: a plain window standing for the preview pane, with its
// children's comings and goings reported to it.
class Pane {
public:
    explicit Pane(int width = kPaneWidth, int height = kPaneHeight) : m_display(XOpenDisplay(nullptr))
    {
        if (m_display == nullptr) {
            return;
        }
        const int screen = DefaultScreen(m_display);
        XSetWindowAttributes attributes{};
        attributes.background_pixel = kPaneColour;
        attributes.override_redirect = True;
        attributes.event_mask = SubstructureNotifyMask | StructureNotifyMask;
        window = XCreateWindow(m_display, RootWindow(m_display, screen), 0, 0, static_cast<unsigned>(width),
                               static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
        XMapWindow(m_display, window);
        XSync(m_display, False);
    }
    ~Pane()
    {
        if (m_display != nullptr) {
            XCloseDisplay(m_display);
        }
    }
    Pane(const Pane&) = delete;
    Pane& operator=(const Pane&) = delete;

    Display* display() const { return m_display; }
    std::string id() const { return std::to_string(window); }

    // Waits for an event about a child of the pane: one mapped in it, or
    // one taken out of it (reparented elsewhere), or one destroyed in it.
    // The child's window, or 0 when none came.
    Window wait_for_child_event(int type)
    {
        Window child = 0;
        WaitUntil([&] {
            while (child == 0 && XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                if (event.type != type) {
                    continue;
                }
                if (type == MapNotify && event.xmap.event == window && event.xmap.window != window) {
                    child = event.xmap.window;
                } else if (type == ReparentNotify && event.xreparent.event == window &&
                           event.xreparent.parent != window) {
                    child = event.xreparent.window;
                } else if (type == DestroyNotify && event.xdestroywindow.event == window &&
                           event.xdestroywindow.window != window) {
                    child = event.xdestroywindow.window;
                }
            }
            return child != 0;
        });
        return child;
    }

    std::vector<Window> children()
    {
        Window root = 0;
        Window parent = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        std::vector<Window> result;
        if (XQueryTree(m_display, window, &root, &parent, &list, &count) != 0 && list != nullptr) {
            result.assign(list, list + count);
            XFree(list);
        }
        return result;
    }

    // The screen where the pane lies, at its top-left corner.
    QImage grab()
    {
        XImage* shot =
            XGetImage(m_display, DefaultRootWindow(m_display), 0, 0, kPaneWidth, kPaneHeight, AllPlanes, ZPixmap);
        QImage image(kPaneWidth, kPaneHeight, QImage::Format_RGB32);
        for (int y = 0; y < kPaneHeight; ++y) {
            for (int x = 0; x < kPaneWidth; ++x) {
                image.setPixel(x, y, 0xff000000u | static_cast<QRgb>(XGetPixel(shot, x, y)));
            }
        }
        XDestroyImage(shot);
        return image;
    }

    void destroy()
    {
        XDestroyWindow(m_display, window);
        XSync(m_display, False);
    }

    // The host's way of asking a window of its own to close.
    void ask_to_close(Window child) { framory::testing::SendCloseRequest(m_display, child); }

    bool is_window(Window id)
    {
        XSync(m_display, False);
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XWindowAttributes attributes{};
        const Status status = XGetWindowAttributes(m_display, id, &attributes);
        XSetErrorHandler(previous);
        return status != 0;
    }

    Window window = 0;

private:
    Display* m_display;
};

int distance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// The share of the picture's pixels that the pane shows differently when
// the picture is placed at `at`.
double mismatch(const QImage& screen, const QImage& picture, QPoint at)
{
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            wrong += distance(screen.pixel(at.x() + x, at.y() + y), picture.pixel(x, y)) > 24 ? 1 : 0;
        }
    }
    return static_cast<double>(wrong) / (picture.width() * picture.height());
}

// Grabs the pane until the picture (or its top-left part) shows at `at`.
QImage grab_until_shown(Pane& pane, const QImage& picture, QPoint at)
{
    QImage shot;
    WaitUntil([&] { return mismatch(shot = pane.grab(), picture, at) <= 0.02; });
    return shot;
}

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class PreviewE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.started());
        char pattern[] = "/tmp/framory-preview-e2e-XXXXXX";
        m_home = ::mkdtemp(pattern);
        fs::create_directories(m_home / "config");
        std::ofstream(m_home / "config" / "Obelin Framory.ini") << kSettings;
        m_settings_time = fs::last_write_time(m_home / "config" / "Obelin Framory.ini");
        ASSERT_NE(m_pane.display(), nullptr) << "no X server";
    }
    void TearDown() override
    {
        // Nothing of the settings is written in this mode.
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(m_home / "config")) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"Obelin Framory.ini"});
        EXPECT_EQ(read_file(m_home / "config" / "Obelin Framory.ini"), kSettings);
        EXPECT_EQ(fs::last_write_time(m_home / "config" / "Obelin Framory.ini"), m_settings_time);
        fs::remove_all(m_home);
    }

    // Starts the preview in the pane and waits for the box to show there.
    std::pair<std::unique_ptr<framory::testing::ProgramUnderTest>, Window> start_in_pane(Pane& pane)
    {
        auto program = std::make_unique<framory::testing::ProgramUnderTest>(
            FRAMORY_BINARY, std::vector<std::string>{"/p", pane.id()}, m_home);
        const Window box = pane.wait_for_child_event(MapNotify);
        EXPECT_NE(box, 0u) << "the picture box never showed in the pane";
        return {std::move(program), box};
    }

    framory::testing::XServer m_server;
    fs::path m_home;
    fs::file_time_type m_settings_time;
    Pane m_pane;
};

TEST_F(PreviewE2E, ShowsTheBuiltInPictureAtTheTopLeftOfThePaneUntilThePaneGoes)
{
    auto [program, box] = start_in_pane(m_pane);
    ASSERT_NE(box, 0u);

    // The box fills the pane's whole client area.
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(m_pane.display(), box, &attributes), 0);
    EXPECT_EQ(QRect(attributes.x, attributes.y, attributes.width, attributes.height),
              QRect(0, 0, kPaneWidth, kPaneHeight));

    // The picture at its own size just inside the border, once painted.
    const QImage picture = framory::qt::BuiltInPreviewPicture();
    ASSERT_EQ(picture.size(), QSize(150, 112));
    const QPoint inside(framory::qt::kPictureBoxBorder, framory::qt::kPictureBoxBorder);
    const QImage shot = grab_until_shown(m_pane, picture, inside);
    EXPECT_LE(mismatch(shot, picture, inside), 0.02) << "the built-in picture at the top-left inside the border";
    EXPECT_GT(mismatch(shot, picture, inside + QPoint(1, 0)), 0.08) << "the check tells places apart";

    // Not stretched: right of and below the picture lies the box's own
    // background, and nowhere does the pane show through.
    const QRgb box_background = shot.pixel(190, 150);
    for (const QPoint p : {QPoint(160, 20), QPoint(190, 60), QPoint(40, 130), QPoint(150 + 2, 112 + 2)}) {
        EXPECT_LE(distance(shot.pixel(p), box_background), 4) << p.x() << "," << p.y();
    }
    EXPECT_GT(distance(shot.pixel(75, 8), box_background), 40) << "the picture's own top band";
    int pane_showing = 0;
    for (int y = 0; y < kPaneHeight; ++y) {
        for (int x = 0; x < kPaneWidth; ++x) {
            pane_showing += shot.pixel(x, y) == (0xff000000u | kPaneColour) ? 1 : 0;
        }
    }
    EXPECT_EQ(pane_showing, 0);

    EXPECT_TRUE(program->running()) << "the preview stays while its pane does";
    m_pane.destroy();
    EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_F(PreviewE2E, APaneSmallerThanThePictureShowsItsTopLeftPart)
{
    Pane pane(100, 60);
    auto [program, box] = start_in_pane(pane);
    ASSERT_NE(box, 0u);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(pane.display(), box, &attributes), 0);
    EXPECT_EQ(attributes.width, 100);
    EXPECT_EQ(attributes.height, 60);

    // Inside the border: the picture's own top-left part, not a smaller copy.
    const int border = framory::qt::kPictureBoxBorder;
    const QImage part = framory::qt::BuiltInPreviewPicture().copy(0, 0, 100 - 2 * border, 60 - 2 * border);
    const QImage shot = grab_until_shown(pane, part, QPoint(border, border));
    EXPECT_LE(mismatch(shot, part, QPoint(border, border)), 0.02);
    const QImage shrunk = framory::qt::BuiltInPreviewPicture()
                              .scaled(100 - 2 * border, 75, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                              .copy(0, 0, 100 - 2 * border, 60 - 2 * border);
    EXPECT_GT(mismatch(shot, shrunk, QPoint(border, border)), 0.2) << "the check tells a shrunk picture apart";

    pane.destroy();
    EXPECT_EQ(program->wait_for_exit(), 0);
}

TEST_F(PreviewE2E, ACloseRequestTakesTheBoxOutOfThePaneBeforeTheProgramEnds)
{
    auto [program, box] = start_in_pane(m_pane);
    ASSERT_NE(box, 0u);
    m_pane.ask_to_close(box);
    // The box leaves the pane (rather than being destroyed in it when the
    // program ends); the pane stays.
    EXPECT_EQ(m_pane.wait_for_child_event(ReparentNotify), box) << "the box never left the pane";
    EXPECT_EQ(program->wait_for_exit(), 0);
    EXPECT_TRUE(m_pane.children().empty());
    EXPECT_TRUE(m_pane.is_window(m_pane.window));
}

TEST_F(PreviewE2E, AHandleThatIsNoWindowEndsTheProgram)
{
    ASSERT_FALSE(m_pane.is_window(1234)) << "1234 must name no window for this test";
    const std::vector<std::vector<std::string>> cases = {{"/p", "1234"}, {"/p:1234"}, {"/P"}, {"/P", "0"}};
    for (const auto& args : cases) {
        framory::testing::ProgramUnderTest program(FRAMORY_BINARY, args, m_home);
        EXPECT_EQ(program.wait_for_exit(), 0) << args.front();
    }
    EXPECT_TRUE(m_pane.children().empty());
}

} // namespace
