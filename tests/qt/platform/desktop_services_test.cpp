#include "qt/platform/desktop_services.h"
#include "qt/platform/system_info.h"
#include "qt/platform/title_lock.h"

#include "core/startup/helpers.h"
#include "support/temp_folder.h"
#include "support/wait_until.h"

#include <QApplication>
#include <QCursor>
#include <QScreen>
#include <QWidget>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/wait.h>
#include <unistd.h>

namespace framory::qt {
namespace {

using framory::testing::TempFolder;
namespace fs = std::filesystem;

TEST(DataFolder, IsMadeAndSeededOnFirstUseOnly)
{
    TempFolder folder;
    const fs::path data = folder.path() / "share" / "Obelin Framory";
    LinuxSystemInfo system(data, FRAMORY_SAMPLES_DIR);
    EXPECT_EQ(system.windows_directory(), data.string());
    for (const char* name :
         {"sunset.jpg", "aurora.png", "blocks.bmp", "harbour.tif", "petals.tga", "chime.wav", "tune.mid"}) {
        EXPECT_GT(fs::file_size(data / name), 100u) << name;
    }
    fs::remove(data / "sunset.jpg");
    EXPECT_EQ(system.windows_directory(), data.string());
    EXPECT_FALSE(fs::exists(data / "sunset.jpg")) << "a sample the user deleted stays deleted";
}

TEST(DataFolder, FolderThatCannotBeMadeIsReportedAsNone)
{
    TempFolder folder;
    {
        std::ofstream blocker(folder.path() / "file");
    }
    LinuxSystemInfo system(folder.path() / "file" / "Obelin Framory", FRAMORY_SAMPLES_DIR);
    EXPECT_EQ(system.windows_directory(), std::nullopt);
    EXPECT_EQ(core::GetWindowsDir(system), "/");
}

TEST(ProgramFile, AnotherProcessOfTheSameFileIsSeen)
{
    LinuxSystemInfo system("/nonexistent", "");
    EXPECT_FALSE(system.another_instance_running());
    const pid_t child = ::fork();
    if (child == 0) {
        // exec'ing the same program file gives a process whose image is
        // exactly this test program; it idles until killed.
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        ::setenv("FRAMORY_TEST_IDLE", "1", 1);
        ::execl(self.c_str(), self.c_str(), nullptr);
        ::_exit(127);
    }
    // Wait until the child has become the program.
    const bool seen = framory::testing::WaitUntil([&] { return system.another_instance_running(); });
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(seen);
    EXPECT_FALSE(system.another_instance_running());
}

TEST(TitleLock, HeldWhileItsOwnerLivesAndFreeAfterwards)
{
    const std::string title = "screen saver running test " + std::to_string(::getpid());
    EXPECT_FALSE(TitleLock::IsHeld(title));
    {
        TitleLock lock(title);
        ASSERT_TRUE(lock.held());
        EXPECT_TRUE(TitleLock::IsHeld(title));
        TitleLock second(title);
        EXPECT_FALSE(second.held()) << "a second holder is refused";
    }
    EXPECT_FALSE(TitleLock::IsHeld(title));
    EXPECT_EQ(TitleLock::PathFor("a/b c").filename().string(), "framory-window-a%2fb%20c.lock");
}

TEST(WindowFinder, WithoutXSeesOwnWindowsAndLocks)
{
    DesktopWindowFinder finder(DisplayKind::Offscreen);
    const std::string title = "finder test " + std::to_string(::getpid());
    EXPECT_TRUE(core::NoWindowTitled(finder, title));
    {
        QWidget window;
        window.setWindowTitle(QString::fromStdString(title));
        EXPECT_FALSE(core::NoWindowTitled(finder, title));
    }
    EXPECT_TRUE(core::NoWindowTitled(finder, title));
    const pid_t child = ::fork();
    if (child == 0) {
        TitleLock lock(title + " other");
        ::pause();
        ::_exit(0);
    }
    const bool found = framory::testing::WaitUntil([&] { return !core::NoWindowTitled(finder, title + " other"); });
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(found) << "a window of another process is seen through its lock";
    EXPECT_TRUE(core::NoWindowTitled(finder, title + " other"));
}

TEST(Cursor, BlankBelowZeroAndBackAtZero)
{
    QtCursorService cursor;
    core::HidePointer(cursor);
    EXPECT_EQ(cursor.count(), -1);
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::BlankCursor);
    core::HidePointer(cursor);
    EXPECT_EQ(cursor.count(), -2);
    core::ShowPointer(cursor);
    EXPECT_EQ(cursor.count(), 0);
    EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);
}

TEST(CenterForm, CentresAWidgetOnTheScreen)
{
    QtScreenMetrics screen;
    QtEventPump pump;
    QWidget widget;
    widget.resize(300, 200);
    WidgetWindow window(widget, screen);
    core::CenterForm(window, screen, pump);
    const QRect area = QGuiApplication::primaryScreen()->geometry();
    EXPECT_NEAR(widget.frameGeometry().left(), area.left() + (area.width() - 300) / 2.0, 1.0);
    EXPECT_NEAR(widget.frameGeometry().top(), area.top() + (area.height() - 200) / 2.0, 1.0);
}

TEST(SaverState, ReportsThePreviousRunningStateWithoutABusOrServer)
{
    DesktopSaverSystem saver(DisplayKind::Offscreen);
    std::uint32_t previous = 7;
    saver.set_screen_saver_running(true, previous, 0);
    EXPECT_EQ(previous, 0u);
    saver.set_screen_saver_running(false, previous, 0);
    EXPECT_EQ(previous, 1u);
    core::SaverStateOn(saver);
    core::SaverStateOff(saver);
}

TEST(ScreenMetrics, TwipsFollowTheLogicalDotsPerInch)
{
    QtScreenMetrics screen;
    const double dpi = QGuiApplication::primaryScreen()->logicalDotsPerInchX();
    EXPECT_DOUBLE_EQ(screen.twips_per_pixel_x(), 1440.0 / dpi);
    EXPECT_DOUBLE_EQ(screen.screen_width_twips(), QGuiApplication::primaryScreen()->geometry().width() * 1440.0 / dpi);
}

} // namespace
} // namespace framory::qt
