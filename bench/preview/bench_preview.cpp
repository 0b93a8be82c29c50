// Starts the real preview in a pane on a private X server and measures how
// soon the program ends after the pane is destroyed, and after the pane asks
// the picture box to close, against the preview's 50 ms watch interval and
// a plain round trip to the server.
#include <QRect> // before Xlib, whose macros clash with Qt's names

#include "support/program_under_test.h"

#include <algorithm>
#include <cstdio>
#include <fstream>

namespace {

using framory::testing::XDisplay;
using Clock = std::chrono::steady_clock;
constexpr double kWatchIntervalMs = 50.0;

double ms_since(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

// Makes a pane, starts the preview in it and waits for its picture box;
// then `end` ends the pane's part, and the time until the program is gone
// is returned (negative when the preview never came or never ended).
double time_to_end(const XDisplay& x, const std::filesystem::path& home, bool destroy)
{
    const Window pane = XCreateSimpleWindow(x.get(), x.root(), 0, 0, 200, 160, 0, 0, 0);
    XSelectInput(x.get(), pane, SubstructureNotifyMask);
    XMapWindow(x.get(), pane);
    XSync(x.get(), False);
    framory::testing::ProgramUnderTest preview(FRAMORY_BINARY, {"/p", std::to_string(pane)}, home);
    Window box = 0;
    framory::testing::WaitUntil([&] {
        XEvent event;
        while (box == 0 && XCheckTypedWindowEvent(x.get(), pane, MapNotify, &event)) {
            box = event.xmap.window;
        }
        return box != 0;
    });
    if (box == 0) {
        return -1;
    }
    // Settled: the watch is ticking.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const auto start = Clock::now();
    if (destroy) {
        XDestroyWindow(x.get(), pane);
    } else {
        framory::testing::SendCloseRequest(x.get(), box);
    }
    XSync(x.get(), False);
    const bool ended = framory::testing::WaitUntil([&] { return !preview.running(); }, std::chrono::seconds(5));
    const double elapsed = ms_since(start);
    if (!destroy) {
        XDestroyWindow(x.get(), pane);
        XSync(x.get(), False);
    }
    return ended ? elapsed : -1;
}

} // namespace

int main()
{
    framory::testing::XServer server;
    XDisplay x;
    if (!server.started() || x.get() == nullptr) {
        std::fprintf(stderr, "bench_preview: no X server (Xvfb) could be started\n");
        return 1;
    }
    char pattern[] = "/tmp/framory-bench-preview-XXXXXX";
    const std::filesystem::path home = ::mkdtemp(pattern);
    std::filesystem::create_directories(home / "config");
    std::ofstream(home / "config" / "Obelin Framory.ini") << "[Options]\nfolders_total=0\n";

    std::vector<double> round_trips;
    std::vector<double> destroyed;
    std::vector<double> closed;
    for (int i = 0; i < 9; ++i) {
        const auto start = Clock::now();
        XSync(x.get(), False);
        round_trips.push_back(ms_since(start));
        destroyed.push_back(time_to_end(x, home, true));
        closed.push_back(time_to_end(x, home, false));
    }
    const double trip = median(round_trips);
    std::printf("X server round trip (median of 9):             %8.2f ms\n", trip);
    for (const auto& [what, times] : {std::pair{"pane destroyed -> program ended", &destroyed},
                                      std::pair{"close request  -> program ended", &closed}}) {
        std::printf("%s: %8.2f ms median, %.2f ms worst (%.2fx the %.0f ms watch interval)\n", what,
                    median(*times), *std::max_element(times->begin(), times->end()),
                    median(*times) / kWatchIntervalMs, kWatchIntervalMs);
    }
    std::filesystem::remove_all(home);
    return 0;
}
