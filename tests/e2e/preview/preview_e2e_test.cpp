// The real program in preview mode under a private X server: the test plays
// the host's part, making the pane window with Xlib, then watches the
// picture arrive, and destroys the pane or asks the box to close.
#include <gtest/gtest.h>

#include "qt/forms/frm_preview.h"
#include "support/program_under_test.h"

#include <QGuiApplication>
#include <QImage>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>


namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kPaneWidth = 200;
constexpr int kPaneHeight = 160;
constexpr unsigned long kPaneColour = 0xff00ff; // magenta: whatever the box leaves uncovered shows
constexpr const char* kSettings = "[Options]\nscene_delay=7\nmisc=\nfolders_total=0\n";

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

// The real program; its watch's ticks are seen through its write calls.
class Framory : public framory::testing::ProgramUnderTest {
public:
    Framory(const std::vector<std::string>& args, const fs::path& home)
        : ProgramUnderTest(FRAMORY_BINARY, args, home)
    {
    }

    std::optional<int> wait_for_exit(std::chrono::milliseconds limit)
    {
        return ProgramUnderTest::wait_for_exit(limit, 500us);
    }

    // Waits for a tick of the program's watch and returns its moment. Each
    // tick asks the X server about the pane, which is one write call of the
    // program, and an idle program writes nothing else: two changes of its
    // count of write calls about 50 ms apart mark a tick.
    std::optional<Clock::time_point> wait_for_tick(std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        std::optional<long long> last = write_calls();
        std::optional<Clock::time_point> previous_change;
        while (last && Clock::now() < end) {
            std::this_thread::sleep_for(200us);
            const std::optional<long long> now_count = write_calls();
            if (!now_count || *now_count == *last) {
                continue;
            }
            const auto now = Clock::now();
            last = now_count;
            if (previous_change && now - *previous_change > 40ms && now - *previous_change < 60ms) {
                return now;
            }
            previous_change = now;
        }
        return std::nullopt;
    }

private:
    std::optional<long long> write_calls() const
    {
        std::ifstream io("/proc/" + std::to_string(pid()) + "/io");
        std::string key;
        long long value = 0;
        while (io >> key >> value) {
            if (key == "syscw:") {
                return value;
            }
        }
        return std::nullopt;
    }
};

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

    // Waits for an event about a child of the pane of the given type; the
    // child and the moment it arrived.
    std::optional<std::pair<Window, Clock::time_point>> wait_for_child_event(int type, std::chrono::milliseconds limit)
    {
        const auto end = Clock::now() + limit;
        while (Clock::now() < end) {
            while (XPending(m_display) > 0) {
                XEvent event;
                XNextEvent(m_display, &event);
                const auto now = Clock::now();
                if (event.type == type && type == MapNotify && event.xmap.event == window &&
                    event.xmap.window != window) {
                    return std::make_pair(event.xmap.window, now);
                }
                if (event.type == type && type == ReparentNotify && event.xreparent.event == window &&
                    event.xreparent.parent != window) {
                    return std::make_pair(event.xreparent.window, now);
                }
            }
            pollfd fd{ConnectionNumber(m_display), POLLIN, 0};
            ::poll(&fd, 1, 1);
        }
        return std::nullopt;
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

    Clock::time_point destroy()
    {
        XDestroyWindow(m_display, window);
        XSync(m_display, False);
        return Clock::now();
    }

    // The host's way of asking a window of its own to close.
    Clock::time_point ask_to_close(Window child)
    {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = child;
        event.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        XSendEvent(m_display, child, False, NoEventMask, &event);
        XSync(m_display, False);
        return Clock::now();
    }

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
    const auto end = Clock::now() + 5s;
    do {
        std::this_thread::sleep_for(50ms);
        shot = pane.grab();
    } while (mismatch(shot, picture, at) > 0.02 && Clock::now() < end);
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
    std::pair<std::unique_ptr<Framory>, std::pair<Window, Clock::time_point>> start_in_pane(Pane& pane)
    {
        auto program = std::make_unique<Framory>(std::vector<std::string>{"/p", pane.id()}, m_home);
        const auto mapped = pane.wait_for_child_event(MapNotify, 10s);
        if (!mapped) {
            ADD_FAILURE() << "the picture box never showed in the pane";
            return {std::move(program), std::make_pair(Window{0}, Clock::now())};
        }
        return {std::move(program), *mapped};
    }

    // Sleeps until `phase` after a tick of the program's watch, once the
    // program has settled.
    static bool sleep_until_phase(Framory& program, std::chrono::milliseconds phase)
    {
        std::this_thread::sleep_for(200ms);
        const auto tick = program.wait_for_tick(3s);
        if (!tick) {
            return false;
        }
        std::this_thread::sleep_until(*tick + phase);
        return true;
    }

    fs::path m_home;
    fs::file_time_type m_settings_time;
    Pane m_pane;
};

TEST_F(PreviewE2E, ShowsTheBuiltInPictureAtTheTopLeftOfThePane)
{
    auto [program, attached] = start_in_pane(m_pane);
    const Window box = attached.first;
    ASSERT_NE(box, 0u);

    // The box fills the pane's whole client area.
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(m_pane.display(), box, &attributes), 0);
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, kPaneWidth);
    EXPECT_EQ(attributes.height, kPaneHeight);

    // The picture at its own size just inside the border, once painted.
    const QImage picture = framory::qt::BuiltInPreviewPicture();
    ASSERT_EQ(picture.size(), QSize(150, 112));
    const QPoint inside(framory::qt::kPictureBoxBorder, framory::qt::kPictureBoxBorder);
    const QImage shot = grab_until_shown(m_pane, picture, inside);
    shot.save(QString::fromStdString((fs::temp_directory_path() / "framory-e2e-preview.png").string()));
    shot.scaled(shot.size() * 3, Qt::IgnoreAspectRatio, Qt::FastTransformation)
        .save(QString::fromStdString((fs::temp_directory_path() / "framory-e2e-preview-x3.png").string()));
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

    const auto destroyed = m_pane.destroy();
    ASSERT_EQ(program->wait_for_exit(3s), 0);
    std::printf("pane destroyed -> program ended: %.1f ms\n", ms(program->ended - destroyed));
    EXPECT_LT(program->ended - destroyed, 100ms);
}

TEST_F(PreviewE2E, APaneSmallerThanThePictureShowsItsTopLeftPart)
{
    Pane pane(100, 60);
    auto [program, attached] = start_in_pane(pane);
    ASSERT_NE(attached.first, 0u);
    XWindowAttributes attributes{};
    ASSERT_NE(XGetWindowAttributes(pane.display(), attached.first, &attributes), 0);
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
    EXPECT_EQ(program->wait_for_exit(3s), 0);
}

TEST_F(PreviewE2E, DestroyingThePaneEndsTheProgramAtTheNextTick)
{
    // Destroyed just after a tick, the pane is noticed a whole interval
    // later; destroyed just before one, at once. An end that did not wait
    // for the watch would come as fast in both runs.
    double delays[2] = {0.0, 0.0};
    const std::chrono::milliseconds phases[2] = {8ms, 42ms};
    for (int run = 0; run < 2; ++run) {
        Pane pane;
        auto [program, attached] = start_in_pane(pane);
        ASSERT_NE(attached.first, 0u);
        ASSERT_TRUE(sleep_until_phase(*program, phases[run])) << "no tick of the watch seen";
        ASSERT_TRUE(program->running());
        const auto destroyed = pane.destroy();
        ASSERT_EQ(program->wait_for_exit(3s), 0);
        delays[run] = ms(program->ended - destroyed);
        std::printf("pane destroyed %lld ms after a tick -> program ended after %.1f ms\n",
                    static_cast<long long>(phases[run].count()), delays[run]);
        EXPECT_LT(delays[run], 100.0);
    }
    EXPECT_GT(delays[0], 25.0) << "the end waits for the next tick";
    EXPECT_GT(delays[0] - delays[1], 15.0) << "the end follows the watch's beat";
}

TEST_F(PreviewE2E, CloseRequestTakesTheBoxOutOfThePaneAndTheNextTickEnds)
{
    auto [program, attached] = start_in_pane(m_pane);
    const Window box = attached.first;
    ASSERT_NE(box, 0u);
    ASSERT_TRUE(sleep_until_phase(*program, 8ms)) << "no tick of the watch seen";
    const auto asked = m_pane.ask_to_close(box);

    // The box leaves the pane at once, before the program ends; the pane
    // stays.
    const auto left = m_pane.wait_for_child_event(ReparentNotify, 3s);
    ASSERT_TRUE(left.has_value()) << "the box never left the pane";
    EXPECT_EQ(left->first, box);
    const bool running_when_left = program->running();
    ASSERT_EQ(program->wait_for_exit(3s), 0);
    EXPECT_TRUE(running_when_left);
    EXPECT_TRUE(m_pane.children().empty());
    EXPECT_TRUE(m_pane.is_window(m_pane.window));

    const double delay = ms(program->ended - asked);
    std::printf("close request 8 ms after a tick -> box left after %.1f ms, program ended after %.1f ms\n",
                ms(left->second - asked), delay);
    EXPECT_LT(ms(left->second - asked), 20.0);
    EXPECT_LT(delay, 100.0);
    EXPECT_GT(delay, 25.0) << "the end waits for the next tick";
}

TEST_F(PreviewE2E, AHandleThatIsNoWindowEndsAfterTheFirstTick)
{
    ASSERT_FALSE(m_pane.is_window(1234)) << "1234 must name no window for this test";
    // How long a start that opens no window takes, as the baseline.
    const auto quickest = [this](const std::vector<std::string>& args) {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            Framory program(args, m_home);
            const auto status = program.wait_for_exit(5s);
            EXPECT_EQ(status, 0) << args.front();
            if (!status) {
                return best;
            }
            best = std::min(best, ms(program.ended - program.started));
        }
        return best;
    };
    const double no_mode = std::min(quickest({"/X"}), quickest({"/X"}));
    const std::vector<std::vector<std::string>> cases = {{"/p", "1234"}, {"/p:1234"}, {"/P"}, {"/P", "0"}};
    for (const auto& args : cases) {
        const double preview = quickest(args);
        std::printf("%s %s: %.1f ms, no mode: %.1f ms\n", args[0].c_str(), args.size() > 1 ? args[1].c_str() : "",
                    preview, no_mode);
        // The first tick comes 50 ms after the load.
        EXPECT_GT(preview - no_mode, 35.0) << args[0];
        EXPECT_LT(preview - no_mode, 1000.0) << args[0];
    }
    EXPECT_TRUE(m_pane.children().empty());
}

} // namespace

int main(int argc, char** argv)
{
    // The test draws the expected picture offscreen; the program it starts
    // gets the X server.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
