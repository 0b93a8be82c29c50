// The real program's show under a private X server of each test's own with
// a 1280x800 screen, driven by xdotool like a person would.
#include <gtest/gtest.h>

#include "qt/platform/desktop_services.h"

#include <QImage>
#include <QPainter>

#include "support/program_under_test.h"
// Xlib after Qt, whose names its macros would clash with.
#include "screen_pixels.h"
#include "support/x_session.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <pwd.h>
#include <set>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>


namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr const char* kTitle = "screen saver running";

using framory::testing::GrabScreen;
using framory::testing::WaitUntil;
constexpr auto distance = framory::testing::ColourDistance;

// The real program with the test's own folders; HOME too, since the
// desktop's lock switch is read from it.
class Program : public framory::testing::ProgramUnderTest {
public:
    Program(const std::vector<std::string>& args, const fs::path& home, std::vector<std::string> extra_env = {})
        : ProgramUnderTest(FRAMORY_BINARY, args, home, with_home(home, std::move(extra_env)))
    {
    }

private:
    static std::vector<std::string> with_home(const fs::path& home, std::vector<std::string> env)
    {
        env.push_back("HOME=" + home.string());
        return env;
    }
};

bool wait_for_window(bool present)
{
    return framory::testing::WaitForWindow(kTitle, present);
}

// The quarters picture at 85 per cent of the 1280x800 screen: 907x680 at
// 187, 60; the red quarter is its top left.
bool quarters_shown(const QImage& screen)
{
    return distance(screen.pixel(187 + 200, 60 + 150), qRgb(255, 0, 0)) <= 16 &&
           distance(screen.pixel(187 + 907 - 200, 60 + 680 - 150), qRgb(0, 0, 255)) <= 16;
}

// Letters of the caption at the bottom centre of the screen.
int caption_pixels(const QImage& screen)
{
    int white = 0;
    for (int y = 770; y < 800; ++y) {
        for (int x = 440; x < 840; ++x) {
            white += distance(screen.pixel(x, y), qRgb(255, 255, 255)) < 60 ? 1 : 0;
        }
    }
    return white;
}

// Waits until the show holds its picture, its transition done and its
// caption shown (the moment "P" prints it); the screen then.
QImage wait_for_scene()
{
    QImage screen;
    WaitUntil([&] { return quarters_shown(screen = GrabScreen()) && caption_pixels(screen) > 40; });
    return screen;
}

void run(const std::string& command)
{
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

class ShowE2E : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.started());
        m_home = framory::testing::MakeShowHome();
        settings("");
        run("xdotool mousemove 5 5");
    }
    void TearDown() override { fs::remove_all(m_home); }

    void settings(const std::string& extra)
    {
        std::ofstream ini(m_home / "config" / "Obelin Framory.ini");
        ini << "[Options]\nfolders_total=1\nfolder1=" << (m_home / "pictures").string()
            << "/\nscene_delay=60\ngradient=0\neffect_delay=2\neffect_speed=1\nscale_flag=85\n"
            << extra;
    }

    framory::testing::XServer m_server;
    fs::path m_home;
};

TEST_F(ShowE2E, ShowsAFramedPictureWithItsCaptionAndAKeyEndsIt)
{
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    // 85 per cent of the screen: the width 1088 would make the picture too
    // tall, so 680 high and 907 wide, centred at 187, 60.
    const QImage screen = wait_for_scene();
    ASSERT_TRUE(quarters_shown(screen));
    EXPECT_GT(caption_pixels(screen), 40) << "the caption's letters at the bottom centre";
    EXPECT_LE(distance(screen.pixel(187 + 0, 60 + 340), qRgb(0, 0, 128)), 16) << "the frame's outer line";
    EXPECT_LE(distance(screen.pixel(20, 400), qRgb(0, 0, 0)), 8) << "black background beside the picture";

    // A second show start finds the window and ends at once.
    Program second({"/s"}, m_home);
    EXPECT_EQ(second.wait_for_exit(), 0);
    EXPECT_TRUE(framory::qt::XWindowWithTitleExists(kTitle));

    run("xdotool key x");
    EXPECT_EQ(show.wait_for_exit(), 0);
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists(kTitle));
}

TEST_F(ShowE2E, FewMouseMovesAreToleratedAQuickBurstEndsTheShow)
{
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    for (int i = 0; i < 5; ++i) {
        run("xdotool mousemove " + std::to_string(100 + 10 * i) + " 100");
    }
    EXPECT_FALSE(show.wait_for_exit(1s).has_value()) << "five moves do not end the show";
    // Thirteen moves within a counting window of at least a second and a
    // half end it. Moves go on until it has ended: a busy machine may spread
    // one burst over two windows, the next burst then falls into one.
    int x = 300;
    EXPECT_TRUE(WaitUntil([&] {
        x = x < 900 ? x + 10 : 300;
        run("xdotool mousemove " + std::to_string(x) + " 200");
        return !show.running();
    }, 60s)) << "a quick burst ends it";
    EXPECT_EQ(show.wait_for_exit(), 0);
}

TEST_F(ShowE2E, TheDesktopStoppingTheSaverEndsTheShowInOrder)
{
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    ::kill(show.pid(), SIGTERM);
    EXPECT_EQ(show.wait_for_exit(), 0) << "a stop request closes the show window and ends normally";
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists(kTitle));
}

TEST_F(ShowE2E, WallpaperLeavesTheSceneBehind)
{
    settings("wallpaper=1\n");
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    run("xdotool key q");
    ASSERT_EQ(show.wait_for_exit(), 0);
    const fs::path bitmap = m_home / "data" / "Obelin Framory" / "Velmoria.bmp";
    ASSERT_TRUE(fs::exists(bitmap));
    const QImage saved(QString::fromStdString(bitmap.string()));
    ASSERT_EQ(saved.size(), QSize(1280, 800));
    EXPECT_LE(distance(saved.pixel(187 + 200, 60 + 150), qRgb(255, 0, 0)), 16) << "the last scene";

    // The root window now shows it.
    EXPECT_TRUE(quarters_shown(GrabScreen()));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    Atom type = None;
    int format = 0;
    unsigned long items = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    XGetWindowProperty(display, DefaultRootWindow(display), XInternAtom(display, "_XROOTPMAP_ID", False), 0, 1,
                       False, XA_PIXMAP, &type, &format, &items, &after, &data);
    EXPECT_EQ(type, XA_PIXMAP);
    EXPECT_EQ(items, 1u);
    if (data != nullptr) {
        XFree(data);
    }
    XCloseDisplay(display);
}

TEST_F(ShowE2E, WithTheDesktopLockOnTheRightPasswordEndsTheShow)
{
    std::ofstream(m_home / ".xscreensaver") << "timeout:\t0:10:00\nlock:\t\tTrue\n";
    settings("misc=wbzfzawbxhwg\n"); // "TULIPS", scrambled
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    run("xdotool key x");
    ASSERT_TRUE(framory::testing::WaitForWindow("Screen Saver Password")) << "a key opens the password prompt";
    EXPECT_FALSE(show.wait_for_exit(300ms).has_value()) << "the show goes on behind the prompt";
    run("xdotool type tulips");
    run("xdotool key Return");
    EXPECT_EQ(show.wait_for_exit(), 0);
}

TEST_F(ShowE2E, WithTheDesktopLockOnButNoPasswordTheShowEndsAtOnce)
{
    std::ofstream(m_home / ".xscreensaver") << "lock: True\n";
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    run("xdotool key x");
    EXPECT_EQ(show.wait_for_exit(), 0);
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists("Screen Saver Password"));
}

// The whole settings file: one folder, then `options`.
void settings_file(const fs::path& home, const std::string& folder, const std::string& options)
{
    std::ofstream(home / "config" / "Obelin Framory.ini")
        << "[Options]\nfolders_total=1\nfolder1=" << folder << "\n" << options;
}

// The quarters picture at 85 per cent of the 1280x800 screen: 907x680 at
// 187, 60; the red quarter is its top left.
bool quarters_shown()
{
    const QImage screen = GrabScreen();
    return distance(screen.pixel(187 + 200, 60 + 150), qRgb(255, 0, 0)) <= 16 &&
           distance(screen.pixel(187 + 907 - 200, 60 + 680 - 150), qRgb(0, 0, 255)) <= 16;
}

TEST_F(ShowE2E, TheFirstSceneStandsOnTheGradient)
{
    settings_file(m_home, (m_home / "pictures").string() + "/", "scene_delay=60\ngradient=1\nscale_flag=85\n");
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    ASSERT_TRUE(WaitUntil([] { return quarters_shown(); })) << "the first picture";
    // Every palette colour of the background, even at the gradient's dark
    // end, has a channel well above black.
    const QImage screen = GrabScreen();
    for (const int x : {10, 90, 170, 1110, 1190, 1270}) {
        for (const int y : {10, 200, 400, 600, 790}) {
            const QRgb p = screen.pixel(x, y);
            EXPECT_GT(std::max({qRed(p), qGreen(p), qBlue(p)}), 20) << "background at " << x << "," << y;
        }
    }
}

TEST_F(ShowE2E, AtPixelRatioTwoAPictureAtItsOwnSizeKeepsItsPixels)
{
    // One-pixel red and white stripes, 200x120, shown unscaled: centred on
    // the 1280x800 screen at 540, 340.
    QImage stripes(200, 120, QImage::Format_RGB32);
    for (int x = 0; x < 200; ++x) {
        for (int y = 0; y < 120; ++y) {
            stripes.setPixel(x, y, x % 2 == 0 ? qRgb(255, 0, 0) : qRgb(255, 255, 255));
        }
    }
    fs::remove(m_home / "pictures" / "quarters.png");
    ASSERT_TRUE(stripes.save(QString::fromStdString((m_home / "pictures" / "stripes.png").string())));
    settings_file(m_home, (m_home / "pictures").string() + "/",
                  "scene_delay=60\ngradient=0\nscale_flag=0\nborder_active=0\nshow_filenames=0\n");
    Program show({"/S"}, m_home, {"QT_SCALE_FACTOR=2"});
    ASSERT_TRUE(wait_for_window(true));
    const auto stripes_on_screen = [] {
        const QImage screen = GrabScreen();
        for (int x = 0; x < 200; ++x) {
            if (screen.pixel(540 + x, 400) != (x % 2 == 0 ? qRgb(255, 0, 0) : qRgb(255, 255, 255))) {
                return false;
            }
        }
        return screen.pixel(539, 400) == qRgb(0, 0, 0) && screen.pixel(740, 400) == qRgb(0, 0, 0);
    };
    EXPECT_TRUE(WaitUntil(stripes_on_screen)) << "one screen pixel for each pixel of the picture";
}

TEST_F(ShowE2E, AFolderWrittenWithoutItsSeparatorShowsItsPictures)
{
    settings_file(m_home, (m_home / "pictures").string(), "scene_delay=60\ngradient=0\nscale_flag=85\n");
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    EXPECT_TRUE(WaitUntil([] { return quarters_shown(); }));
}

TEST_F(ShowE2E, SequentialOrderFollowsTheNames)
{
    fs::remove(m_home / "pictures" / "quarters.png");
    // In name order without regard to case: 10, apple, Banana, cherry, date.
    const std::vector<std::pair<std::string, QRgb>> pictures = {
        {"10.png", qRgb(255, 255, 255)}, {"apple.png", qRgb(255, 0, 0)}, {"Banana.png", qRgb(0, 255, 0)},
        {"cherry.png", qRgb(0, 0, 255)}, {"date.png", qRgb(255, 0, 255)}};
    for (const auto& [name, colour] : pictures) {
        QImage picture(160, 90, QImage::Format_RGB32);
        picture.fill(colour);
        ASSERT_TRUE(picture.save(QString::fromStdString((m_home / "pictures" / name).string())));
    }
    settings_file(m_home, (m_home / "pictures").string() + "/",
                  "scene_delay=1\ngradient=0\nscale_flag=85\nrandom_order=0\nshow_filenames=0\neffect_delay=2\n"
                  "effect_speed=1\n");
    Program show({"/S"}, m_home);
    ASSERT_TRUE(wait_for_window(true));
    // The picture at the centre of the screen, one after another.
    std::vector<std::size_t> seen;
    const auto next_picture = [&] {
        const QRgb p = GrabScreen().pixel(640, 400);
        for (std::size_t i = 0; i < pictures.size(); ++i) {
            if (distance(p, pictures[i].second) <= 8 && (seen.empty() || seen.back() != i)) {
                seen.push_back(i);
            }
        }
        return seen.size() >= 6;
    };
    ASSERT_TRUE(WaitUntil(next_picture, 60s)) << seen.size() << " pictures seen";
    for (std::size_t k = 1; k < seen.size(); ++k) {
        EXPECT_EQ(seen[k], (seen[k - 1] + 1) % pictures.size())
            << pictures[seen[k]].first << " after " << pictures[seen[k - 1]].first;
    }
}

// A private CUPS server with a PDF printer (cups-pdf), started for the test
// and stopped after it. cups-pdf writes into the PDF folder of the user's
// home as the password database has it.
class PrintServer {
public:
    explicit PrintServer(const fs::path& dir, bool with_queue) : m_dir(dir)
    {
        for (const char* sub : {"spool", "cache", "state", "log", "tmp", "root"}) {
            fs::create_directories(dir / sub);
        }
        // The server runs its filters as the "lp" user: it must reach the
        // folders and write its temporary files.
        for (fs::path p = dir; p != p.parent_path() && p.string().starts_with("/tmp/"); p = p.parent_path()) {
            fs::permissions(p, fs::perms::others_exec | fs::perms::group_exec, fs::perm_options::add);
        }
        fs::permissions(dir / "tmp", fs::perms::all | fs::perms::sticky_bit);
        std::ofstream(dir / "root" / "cupsd.conf")
            << "Listen " << socket() << "\nLogLevel warn\n<Location />\n Order allow,deny\n Allow all\n</Location>\n"
            << "<Location /admin>\n Order allow,deny\n Allow all\n</Location>\n";
        std::ofstream(dir / "root" / "cups-files.conf")
            << "ServerRoot " << (dir / "root").string() << "\nRequestRoot " << (dir / "spool").string()
            << "\nCacheDir " << (dir / "cache").string() << "\nStateDir " << (dir / "state").string()
            << "\nTempDir " << (dir / "tmp").string() << "\nErrorLog " << (dir / "log" / "error_log").string()
            << "\nAccessLog " << (dir / "log" / "access_log").string() << "\nSandboxing Relaxed\n";
        // In the foreground, as a child of the test: it is stopped by its
        // process id, whatever name it gives itself once running.
        const std::string conf = (dir / "root" / "cupsd.conf").string();
        const std::string files = (dir / "root" / "cups-files.conf").string();
        const char* argv[] = {"cupsd", "-f", "-c", conf.c_str(), "-s", files.c_str(), nullptr};
        m_started = ::posix_spawnp(&m_pid, "cupsd", nullptr, nullptr, const_cast<char**>(argv), environ) == 0 &&
                    WaitUntil([this] { return fs::exists(socket()); });
        if (m_started && with_queue) {
            m_started = std::system(("CUPS_SERVER='" + socket() +
                                     "' lpadmin -p pdf -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd "
                                     "2>/dev/null && CUPS_SERVER='" +
                                     socket() + "' lpadmin -d pdf")
                                        .c_str()) == 0;
        }
    }
    ~PrintServer()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    PrintServer(const PrintServer&) = delete;
    PrintServer& operator=(const PrintServer&) = delete;

    bool started() const { return m_started; }
    std::string socket() const { return (m_dir / "cups.sock").string(); }

private:
    fs::path m_dir;
    pid_t m_pid = -1;
    bool m_started = false;
};

fs::path pdf_folder()
{
    const passwd* me = ::getpwuid(::getuid());
    return fs::path(me != nullptr ? me->pw_dir : "/root") / "PDF";
}

std::set<fs::path> pdfs()
{
    std::set<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(pdf_folder(), ec)) {
        found.insert(entry.path());
    }
    return found;
}

class PrintE2E : public ShowE2E {
protected:
    void SetUp() override
    {
        if (::getuid() != 0) {
            GTEST_SKIP() << "the PDF printer's backend runs only for a server started as root";
        }
        ShowE2E::SetUp();
    }
};

TEST_F(PrintE2E, PDuringAHoldPrintsTheScreenToTheDefaultQueue)
{
    PrintServer server(m_home / "cups", true);
    ASSERT_TRUE(server.started());
    const std::set<fs::path> before = pdfs();
    Program show({"/S"}, m_home, {"CUPS_SERVER=" + server.socket()});
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    // "P" prints only while a picture is held, which follows the caption by
    // a few ticks: it is pressed until a page comes out.
    const auto new_pdf = [&] {
        return std::ranges::any_of(pdfs(), [&](const fs::path& pdf) { return before.count(pdf) == 0; });
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            run("xdotool key p");
            return WaitUntil(new_pdf, 2s);
        },
        60s))
        << "no PDF came out of the queue";
    // The backend writes the file in parts; a whole PDF ends with its
    // end-of-file mark.
    fs::path printed;
    const auto whole_pdf = [&](const fs::path& pdf) {
        std::ifstream in(pdf, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        return text.find("%%EOF", text.size() > 32 ? text.size() - 32 : 0) != std::string::npos;
    };
    ASSERT_TRUE(WaitUntil(
        [&] {
            for (const fs::path& pdf : pdfs()) {
                if (before.count(pdf) == 0 && whole_pdf(pdf)) {
                    printed = pdf;
                }
            }
            return !printed.empty();
        },
        60s))
        << "no PDF came out of the queue";
    EXPECT_TRUE(show.running()) << "printing does not end the show";
    const fs::path page = m_home / "page";
    run("pdftoppm -png -r 40 -singlefile '" + printed.string() + "' '" + page.string() + "'");
    const QImage image(QString::fromStdString(page.string() + ".png"));
    ASSERT_FALSE(image.isNull());
    // The screen's picture, scaled to 90 per cent of the page's width from
    // its top-left corner: the red quarter sits in the upper left part.
    int red = 0;
    int blue = 0;
    for (int y = 0; y < image.height() / 2; ++y) {
        for (int x = 0; x < image.width(); ++x) {
            red += distance(image.pixel(x, y), qRgb(255, 0, 0)) < 40 ? 1 : 0;
            blue += distance(image.pixel(x, y), qRgb(0, 0, 255)) < 40 ? 1 : 0;
        }
    }
    EXPECT_GT(red, 100) << "the printed page shows the picture";
    EXPECT_GT(blue, 100);
    fs::remove(printed);
    run("xdotool key x");
    EXPECT_EQ(show.wait_for_exit(), 0);
}

TEST_F(PrintE2E, NoQueueSaysCheckYourPrinterOnceAndTheShowGoesOn)
{
    PrintServer server(m_home / "cups", false);
    ASSERT_TRUE(server.started());
    Program show({"/S"}, m_home, {"CUPS_SERVER=" + server.socket()});
    ASSERT_TRUE(wait_for_window(true));
    wait_for_scene();
    // Qt keeps an unmapped leader window named after the application too;
    // the message box is the visible one.
    const auto box_open = [] {
        return std::system("xdotool search --onlyvisible --name '^Framory$' >/dev/null 2>&1") == 0;
    };
    // "P" acts only while a picture is held, a few ticks after the caption.
    ASSERT_TRUE(WaitUntil(
        [&] {
            run("xdotool key p");
            return WaitUntil(box_open, 2s);
        },
        30s))
        << "the printer message";
    run("xdotool key Return");
    ASSERT_TRUE(WaitUntil([&] { return !box_open(); }));
    EXPECT_FALSE(WaitUntil(box_open, 1s)) << "the message comes once";
    EXPECT_TRUE(show.running()) << "the show goes on";
    EXPECT_TRUE(quarters_shown(wait_for_scene())) << "the live show is back";
    run("xdotool key x");
    EXPECT_EQ(show.wait_for_exit(), 0);
}

} // namespace
