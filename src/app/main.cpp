// Framory: builds the Linux desktop's services and hands the command line to
// the start-up procedure.
#include "core/startup/main.h"
#include "app/desktop_platform.h"
#include "core/startup/program.h"
#include "media/decode/decode.h"
#include "qt/forms/artwork.h"
#include "qt/forms/fit_text.h"
#include "qt/platform/termination.h"

#include <QApplication>
#include <QFont>
#include <QIcon>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <optional>
#include <string>
#include <vector>

namespace {

// The argument text: everything after the program's own name, the
// arguments joined by single blanks as the host system hands them over.
std::string argument_text(int argc, char** argv)
{
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) {
            text.push_back(' ');
        }
        text += argv[i];
    }
    return text;
}

// The display to run on. The X11 platform is chosen whenever an X server
// answers, since the saver's services are X11 calls; a platform named in
// QT_QPA_PLATFORM other than xcb is taken as it is (tests use "offscreen").
framory::qt::DisplayKind choose_display()
{
    using framory::qt::DisplayKind;
    const char* requested = std::getenv("QT_QPA_PLATFORM");
    const std::string platform = requested != nullptr ? requested : "";
    if (!platform.empty() && !platform.starts_with("xcb")) {
        return DisplayKind::Offscreen;
    }
    if (framory::qt::XServerReachable()) {
        setenv("QT_QPA_PLATFORM", "xcb", 1);
        return DisplayKind::X11;
    }
    // Without a display Qt still serves fonts and images offscreen; no
    // window is opened.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    return DisplayKind::NoDisplay;
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures come and go in blocks of several megabytes, decoded on a
    // worker thread and freed on this one. Served straight from the system
    // (and handed back at once) they cannot pile up as fragments in the
    // allocator's pools, so the show's memory stays flat picture after
    // picture.
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
    // The decoding libraries' set-up changes the environment: done here,
    // before any other thread runs.
    framory::media::PrepareDecoders();

    const std::string text = argument_text(argc, argv);
    // A screen-saver daemon's display mode is asked for by whole arguments,
    // recognised before the role switch.
    const std::optional<framory::core::HostedRequest> hosted = framory::core::HostedRequestOf(
        std::vector<std::string>(argv + std::min(argc, 1), argv + argc), std::getenv("XSCREENSAVER_WINDOW"));
    if (hosted && hosted->target == framory::core::HostedRequest::Target::Bad) {
        std::fprintf(stderr, "framory: the window id names no window\n");
        return 1;
    }
    const framory::qt::DisplayKind display = choose_display();

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Framory"));
    QApplication::setOrganizationName(QStringLiteral("Obelin"));
    QApplication::setQuitOnLastWindowClosed(false);
    // The dialogs are laid out for an 8-point sans-serif face; Arial maps to
    // its metric twin (Liberation Sans) on this system.
    QFont dialog_font(QStringLiteral("Arial"), 8);
    dialog_font.setStyleHint(QFont::SansSerif);
    QApplication::setFont(dialog_font);
    // The icon of every window, and the desktop entry the windows belong to.
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        icon.addPixmap(QPixmap::fromImage(framory::qt::ProductIcon(size)));
    }
    QApplication::setWindowIcon(icon);
    QGuiApplication::setDesktopFileName(QStringLiteral("framory"));
    framory::qt::FitTextsOfEveryDialog(app);

    framory::qt::DesktopPlatform platform(display);
    framory::qt::TerminationWatcher termination;
    framory::core::Program program;
    const framory::core::MainResult result = hosted ? framory::core::MainHosted(program, platform.startup(), *hosted)
                                                    : framory::core::Main(program, platform.startup(), text);

    if (platform.forms().display_missing()) {
        std::fprintf(stderr, "framory: no display to show a window on (DISPLAY is not set or its X server does "
                             "not answer)\n");
        return 1;
    }
    if (platform.forms().host_missing()) {
        std::fprintf(stderr, "framory: no window to draw into\n");
        return 1;
    }
    if (result.after == framory::core::AfterMain::KeepRunning) {
        return QApplication::exec();
    }
    return 0;
}
