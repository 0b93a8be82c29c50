#pragma once

// What the end-to-end cases share: an X server and a show's home folder of
// each case's own, the settings file there, the screen as shown, the
// windows on it and the shell.

#include <gtest/gtest.h>

#include "../../support/temp_folder.h"
#include "support/program_under_test.h"

// Xlib after Qt (through the header above), whose names its macros clash with.
#include <X11/Xutil.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>

namespace framory::testing {

// Whether the shell command succeeded.
inline bool Sh(const std::string& command)
{
    return std::system(command.c_str()) == 0;
}

inline std::filesystem::path SettingsFile(const std::filesystem::path& home)
{
    return home / "config" / "Obelin Framory.ini";
}

// The settings of a show of the home's pictures folder, then `options`.
inline void WriteShowSettings(const std::filesystem::path& home, const std::string& options)
{
    std::ofstream(SettingsFile(home)) << "[Options]\nfolders_total=1\nfolder1=" << (home / "pictures").string() << "/\n"
                                      << options;
}

// The id of a visible window titled `title` (or, unless `whole`, with a
// title that starts so), or 0.
inline Window VisibleWindow(const std::string& title, bool whole = true)
{
    unsigned long id = 0;
    const std::string command = "xdotool search --onlyvisible --name '^" + title + (whole ? "$" : "") + "' 2>/dev/null";
    if (FILE* out = ::popen(command.c_str(), "r")) {
        if (std::fscanf(out, "%lu", &id) != 1) {
            id = 0;
        }
        ::pclose(out);
    }
    return id;
}

// The screen as shown, or the part of it in `area`.
inline QImage GrabScreen(QRect area = {})
{
    const XDisplay x;
    if (x.get() == nullptr) {
        return {};
    }
    if (area.isNull()) {
        area =
            QRect(0, 0, DisplayWidth(x.get(), DefaultScreen(x.get())), DisplayHeight(x.get(), DefaultScreen(x.get())));
    }
    XImage* shot = XGetImage(x.get(), x.root(), area.x(), area.y(), static_cast<unsigned>(area.width()),
                             static_cast<unsigned>(area.height()), AllPlanes, ZPixmap);
    if (shot == nullptr) {
        return {};
    }
    QImage image(area.size(), QImage::Format_RGB32);
    for (int y = 0; y < area.height(); ++y) {
        for (int x_pos = 0; x_pos < area.width(); ++x_pos) {
            image.setPixel(x_pos, y, 0xff000000u | static_cast<QRgb>(XGetPixel(shot, x_pos, y)));
        }
    }
    XDestroyImage(shot);
    return image;
}

// How many pixels of the image have the colour.
inline int CountPixels(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            count += image.pixel(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

// The largest difference of the three channels.
inline int ColourDistance(QRgb a, QRgb b)
{
    return std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)), std::abs(qBlue(a) - qBlue(b))});
}

// A case with an X server and a show's home folder of its own.
class E2ETest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.started());
        m_home = MakeShowHome();
    }
    void TearDown() override { std::filesystem::remove_all(m_home); }

    // The show started on the home, once its window is up; its standard
    // error goes to stderr.txt there.
    std::unique_ptr<ProgramUnderTest> start_show(const std::vector<std::string>& env = {})
    {
        auto show = std::make_unique<ProgramUnderTest>(FRAMORY_BINARY, std::vector<std::string>{"/S"}, m_home, env,
                                                       m_home / "stderr.txt");
        EXPECT_TRUE(WaitUntil([] { return VisibleWindow("screen saver running") != 0; }));
        return show;
    }

    XServer m_server;
    std::filesystem::path m_home;
};

} // namespace framory::testing
