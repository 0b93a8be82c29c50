// The real program's show under a private X server of each test's own with
// a 1280x800 screen, driven by xdotool like a person would.
#include "support/e2e_test.h"

#include "qt/platform/desktop_services.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <pwd.h>
#include <set>
#include <string>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using framory::testing::GrabScreen;
using framory::testing::Sh;
using framory::testing::WaitUntil;
using framory::testing::WriteShowSettings;
constexpr auto distance = framory::testing::ColourDistance;

constexpr const char* kTitle = "screen saver running";
// A black background and quick effects.
constexpr const char* kShow = "scene_delay=60\ngradient=0\neffect_delay=2\neffect_speed=1\nscale_flag=85\n";

// The quarters picture at 85 per cent of the 1280x800 screen: the width
// 1088 would make it too tall, so 907x680 at 187, 60; the red quarter is
// its top left.
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

class ShowE2E : public framory::testing::E2ETest {
protected:
    void SetUp() override
    {
        E2ETest::SetUp();
        WriteShowSettings(m_home, kShow);
        ASSERT_TRUE(Sh("xdotool mousemove 5 5"));
    }
};

TEST_F(ShowE2E, ShowsAFramedPictureWithItsCaptionAndAKeyEndsIt)
{
    auto show = start_show();
    const QImage screen = wait_for_scene();
    ASSERT_TRUE(quarters_shown(screen));
    EXPECT_GT(caption_pixels(screen), 40) << "the caption's letters at the bottom centre";
    EXPECT_LE(distance(screen.pixel(187 + 0, 60 + 340), qRgb(0, 0, 128)), 16) << "the frame's outer line";
    EXPECT_LE(distance(screen.pixel(20, 400), qRgb(0, 0, 0)), 8) << "black background beside the picture";

    // A second show start finds the window and ends at once.
    framory::testing::ProgramUnderTest second(FRAMORY_BINARY, {"/s"}, m_home);
    EXPECT_EQ(second.wait_for_exit(), 0);
    EXPECT_TRUE(framory::qt::XWindowWithTitleExists(kTitle));

    ASSERT_TRUE(Sh("xdotool key x"));
    EXPECT_EQ(show->wait_for_exit(), 0);
    EXPECT_FALSE(framory::qt::XWindowWithTitleExists(kTitle));
}

TEST_F(ShowE2E, FewMouseMovesAreToleratedAQuickBurstEndsTheShow)
{
    auto show = start_show();
    wait_for_scene();
    for (int i = 0; i < 5; ++i) {
        ASSERT_TRUE(Sh("xdotool mousemove " + std::to_string(100 + 10 * i) + " 100"));
    }
    EXPECT_FALSE(show->wait_for_exit(1s).has_value()) << "five moves do not end the show";
    // Thirteen moves within a counting window of at least a second and a
    // half end it. Moves go on until it has ended: a busy machine may spread
    // one burst over two windows, the next burst then falls into one.
    int x = 300;
    EXPECT_TRUE(WaitUntil([&] {
        x = x < 900 ? x + 10 : 300;
        Sh("xdotool mousemove " + std::to_string(x) + " 200");
        return !show->running();
    }, 60s)) << "a quick burst ends it";
    EXPECT_EQ(show->wait_for_exit(), 0);
}

TEST_F(ShowE2E, WallpaperLeavesTheSceneBehind)
{
    WriteShowSettings(m_home, std::string(kShow) + "wallpaper=1\n");
    auto show = start_show();
    wait_for_scene();
    ASSERT_TRUE(Sh("xdotool key q"));
    ASSERT_EQ(show->wait_for_exit(), 0);
    const QImage saved(QString::fromStdString((m_home / "data" / "Obelin Framory" / "Velmoria.bmp").string()));
    ASSERT_EQ(saved.size(), QSize(1280, 800));
    EXPECT_LE(distance(saved.pixel(187 + 200, 60 + 150), qRgb(255, 0, 0)), 16) << "the last scene";

    // The root window now shows it.
    EXPECT_TRUE(quarters_shown(GrabScreen()));
    EXPECT_TRUE(Sh("xprop -root _XROOTPMAP_ID | grep -q '^_XROOTPMAP_ID(PIXMAP): pixmap id # 0x'"));
}

TEST_F(ShowE2E, TheFirstSceneStandsOnTheGradient)
{
    WriteShowSettings(m_home, "scene_delay=60\ngradient=1\nscale_flag=85\n");
    auto show = start_show();
    ASSERT_TRUE(WaitUntil([] { return quarters_shown(GrabScreen()); })) << "the first picture";
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
    WriteShowSettings(m_home, "scene_delay=60\ngradient=0\nscale_flag=0\nborder_active=0\nshow_filenames=0\n");
    auto show = start_show({"QT_SCALE_FACTOR=2"});
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

TEST_F(ShowE2E, AFolderWrittenWithoutItsSeparatorShowsItsPicturesInNameOrder)
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
    std::ofstream(framory::testing::SettingsFile(m_home))
        << "[Options]\nfolders_total=1\nfolder1=" << (m_home / "pictures").string()
        << "\nscene_delay=1\ngradient=0\nscale_flag=85\nrandom_order=0\nshow_filenames=0\neffect_delay=2\n"
           "effect_speed=1\n";
    auto show = start_show();
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
    explicit PrintServer(const fs::path& dir) : m_dir(dir)
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
        m_server = std::make_unique<framory::testing::ChildProcess>(
            std::vector<std::string>{"cupsd", "-f", "-c", (dir / "root" / "cupsd.conf").string(), "-s",
                                     (dir / "root" / "cups-files.conf").string()});
        m_started = m_server->pid() > 0 && WaitUntil([this] { return fs::exists(socket()); }) &&
                    Sh("CUPS_SERVER='" + socket() +
                       "' lpadmin -p pdf -E -v cups-pdf:/ -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd "
                       "2>/dev/null && CUPS_SERVER='" + socket() + "' lpadmin -d pdf");
    }

    bool started() const { return m_started; }
    std::string socket() const { return (m_dir / "cups.sock").string(); }

private:
    fs::path m_dir;
    std::unique_ptr<framory::testing::ChildProcess> m_server;
    bool m_started = false;
};

// The PDFs printed so far.
std::set<fs::path> pdfs()
{
    const passwd* me = ::getpwuid(::getuid());
    std::set<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(fs::path(me != nullptr ? me->pw_dir : "/root") / "PDF", ec)) {
        found.insert(entry.path());
    }
    return found;
}

TEST_F(ShowE2E, PDuringAHoldPrintsTheScreenToTheDefaultQueue)
{
    if (::getuid() != 0) {
        GTEST_SKIP() << "the PDF printer's backend runs only for a server started as root";
    }
    PrintServer server(m_home / "cups");
    ASSERT_TRUE(server.started());
    const std::set<fs::path> before = pdfs();
    auto show = start_show({"CUPS_SERVER=" + server.socket()});
    wait_for_scene();
    // A new PDF; `whole` once the backend, which writes it in parts, has
    // written its end-of-file mark.
    fs::path printed;
    const auto new_pdf = [&](bool whole) {
        for (const fs::path& pdf : pdfs()) {
            const std::string text = framory::testing::ReadFile(pdf);
            if (before.count(pdf) == 0 &&
                (!whole || text.find("%%EOF", text.size() > 32 ? text.size() - 32 : 0) != std::string::npos)) {
                printed = pdf;
                return true;
            }
        }
        return false;
    };
    // "P" prints only while a picture is held, which follows the caption by
    // a few ticks: it is pressed until a page comes out.
    ASSERT_TRUE(WaitUntil(
        [&] {
            Sh("xdotool key p");
            return WaitUntil([&] { return new_pdf(false); }, 2s);
        },
        60s))
        << "no PDF came out of the queue";
    ASSERT_TRUE(WaitUntil([&] { return new_pdf(true); }, 60s)) << "the PDF was never written whole";
    EXPECT_TRUE(show->running()) << "printing does not end the show";
    const fs::path page = m_home / "page";
    ASSERT_TRUE(Sh("pdftoppm -png -r 40 -singlefile '" + printed.string() + "' '" + page.string() + "'"));
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
    ASSERT_TRUE(Sh("xdotool key x"));
    EXPECT_EQ(show->wait_for_exit(), 0);
}

} // namespace
