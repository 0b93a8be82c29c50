// The real program in preview mode under a private X server: the test plays
// the host's part, making the pane window with Xlib, then watches the
// picture arrive, and destroys the pane or asks the box to close.
#include "qt/forms/artwork.h"
#include "qt/forms/frm_preview.h"
#include "support/e2e_test.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using framory::testing::ColourDistance;
using framory::testing::WaitUntil;

constexpr int kPaneWidth = 200;
constexpr int kPaneHeight = 160;
constexpr unsigned long kPaneColour = 0xff00ff; // magenta: whatever the box leaves uncovered shows
constexpr const char* kSettings = "[Options]\nscene_delay=7\nmisc=\nfolders_total=0\n";

// The host's side: a plain window standing for the preview pane, with its
// children's comings and goings reported to it.
class Pane {
public:
    explicit Pane(int width = kPaneWidth, int height = kPaneHeight)
    {
        XSetWindowAttributes attributes{};
        attributes.background_pixel = kPaneColour;
        attributes.override_redirect = True;
        attributes.event_mask = SubstructureNotifyMask | StructureNotifyMask;
        window = XCreateWindow(display(), m_x.root(), 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height),
                               0, CopyFromParent, InputOutput, CopyFromParent,
                               CWBackPixel | CWOverrideRedirect | CWEventMask, &attributes);
        XMapWindow(display(), window);
        XSync(display(), False);
    }

    Display* display() const { return m_x.get(); }
    std::string id() const { return std::to_string(window); }

    // Waits for a child of the pane to be mapped in it (MapNotify) or taken
    // out of it (ReparentNotify); the child's window, or 0 when none was.
    Window wait_for_child_event(int type)
    {
        Window child = 0;
        WaitUntil([&] {
            while (child == 0 && XPending(display()) > 0) {
                XEvent event;
                XNextEvent(display(), &event);
                if (type == MapNotify && event.type == type && event.xmap.event == window &&
                    event.xmap.window != window) {
                    child = event.xmap.window;
                } else if (type == ReparentNotify && event.type == type && event.xreparent.event == window &&
                           event.xreparent.parent != window) {
                    child = event.xreparent.window;
                }
            }
            return child != 0;
        });
        return child;
    }

    bool empty()
    {
        Window root = 0;
        Window parent = 0;
        Window* list = nullptr;
        unsigned int count = 0;
        XQueryTree(display(), window, &root, &parent, &list, &count);
        if (list != nullptr) {
            XFree(list);
        }
        return count == 0;
    }

    void destroy()
    {
        XDestroyWindow(display(), window);
        XSync(display(), False);
    }

    bool is_window(Window id)
    {
        XSync(display(), False);
        const auto previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        XWindowAttributes attributes{};
        const Status status = XGetWindowAttributes(display(), id, &attributes);
        XSetErrorHandler(previous);
        return status != 0;
    }

    Window window = 0;

private:
    framory::testing::XDisplay m_x;
};

// The share of the picture's pixels that the pane shows differently when
// the picture is placed at `at`.
double mismatch(const QImage& screen, const QImage& picture, QPoint at)
{
    int wrong = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            wrong += ColourDistance(screen.pixel(at.x() + x, at.y() + y), picture.pixel(x, y)) > 24 ? 1 : 0;
        }
    }
    return static_cast<double>(wrong) / (picture.width() * picture.height());
}

// Grabs the pane until the picture (or its top-left part) shows at `at`.
QImage grab_until_shown(const QImage& picture, QPoint at)
{
    QImage shot;
    WaitUntil([&] {
        return mismatch(shot = framory::testing::GrabScreen(QRect(0, 0, kPaneWidth, kPaneHeight)), picture, at) <= 0.02;
    });
    return shot;
}

class PreviewE2E : public framory::testing::E2ETest {
protected:
    void SetUp() override
    {
        E2ETest::SetUp();
        std::ofstream(framory::testing::SettingsFile(m_home)) << kSettings;
        m_settings_time = fs::last_write_time(framory::testing::SettingsFile(m_home));
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
        EXPECT_EQ(framory::testing::ReadFile(framory::testing::SettingsFile(m_home)), kSettings);
        EXPECT_EQ(fs::last_write_time(framory::testing::SettingsFile(m_home)), m_settings_time);
        E2ETest::TearDown();
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

    fs::file_time_type m_settings_time;
    Pane m_pane;
};

// In a pane larger than the picture and in one smaller: the box fills the
// pane and shows the picture at its own size just inside its border, cut
// where the box ends, neither stretched nor shrunk; it stays while the pane
// does.
TEST_F(PreviewE2E, ShowsTheBuiltInPictureAtItsOwnSizeAtTheTopLeftOfThePaneUntilThePaneGoes)
{
    const QImage picture = framory::qt::BuiltInPreviewPicture();
    ASSERT_EQ(picture.size(), QSize(150, 112));
    const int border = framory::qt::kPictureBoxBorder;
    const QPoint inside(border, border);
    for (const QSize size : {QSize(kPaneWidth, kPaneHeight), QSize(100, 60)}) {
        SCOPED_TRACE(size.width());
        Pane pane(size.width(), size.height());
        auto [program, box] = start_in_pane(pane);
        ASSERT_NE(box, 0u);
        XWindowAttributes attributes{};
        ASSERT_NE(XGetWindowAttributes(pane.display(), box, &attributes), 0);
        EXPECT_EQ(QRect(attributes.x, attributes.y, attributes.width, attributes.height), QRect(QPoint(), size));

        const QImage part =
            picture.copy(0, 0, std::min(150, size.width() - 2 * border), std::min(112, size.height() - 2 * border));
        const QImage shot = grab_until_shown(part, inside);
        EXPECT_LE(mismatch(shot, part, inside), 0.02) << "the picture's top-left part inside the border";
        EXPECT_GT(mismatch(shot, part, inside + QPoint(1, 0)), 0.08) << "the check tells places apart";
        if (size.width() > picture.width()) {
            // Right of and below the picture lies the box's own background,
            // and nowhere does the pane show through.
            const QRgb box_background = shot.pixel(190, 150);
            for (const QPoint p : {QPoint(160, 20), QPoint(190, 60), QPoint(40, 130), QPoint(150 + 2, 112 + 2)}) {
                EXPECT_LE(ColourDistance(shot.pixel(p), box_background), 4) << p.x() << "," << p.y();
            }
            EXPECT_GT(ColourDistance(shot.pixel(75, 8), box_background), 40) << "the picture's own top band";
            EXPECT_EQ(framory::testing::CountPixels(shot, 0xff000000u | kPaneColour), 0);
        }
        EXPECT_TRUE(program->running()) << "the preview stays while its pane does";
        pane.destroy();
        EXPECT_EQ(program->wait_for_exit(), 0);
    }
}

TEST_F(PreviewE2E, ACloseRequestTakesTheBoxOutOfThePaneBeforeTheProgramEnds)
{
    auto [program, box] = start_in_pane(m_pane);
    ASSERT_NE(box, 0u);
    framory::testing::SendCloseRequest(m_pane.display(), box); // as the host asks a window of its own
    // The box leaves the pane (rather than being destroyed in it when the
    // program ends); the pane stays.
    EXPECT_EQ(m_pane.wait_for_child_event(ReparentNotify), box) << "the box never left the pane";
    EXPECT_EQ(program->wait_for_exit(), 0);
    EXPECT_TRUE(m_pane.empty());
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
    EXPECT_TRUE(m_pane.empty());
}

} // namespace
